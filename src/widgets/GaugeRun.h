#pragma once
// A long command shown on a caption gauge with a "Detener" button at its right
// end: Escape or the button stops it. While it runs the window keeps painting but
// holds back the user's other input, so no command starts half-way through.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QString>

#include <cstddef>

class tgaugeCaption;
class QToolButton;

class TGaugeRun : public QObject {
    Q_OBJECT
public:
    TGaugeRun(tgaugeCaption* gauge, const QString& caption);
    ~TGaugeRun() override;

    // Shows the progress and handles the pending events (at most every 100 ms, and
    // on the first call). False once the user asked to stop.
    bool Step(size_t done, size_t total);
    bool Stopped() const { return stopped_; }
    QToolButton* StopButton() const { return stop_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    tgaugeCaption* gauge_;
    QToolButton* stop_ = nullptr;
    QElapsedTimer shown_;
    QPointer<QWidget> modalAtStart_; // a box the run itself raises later is the user's to answer
    bool stopped_ = false;
};
