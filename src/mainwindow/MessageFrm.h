#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// A modeless notice that closes itself 15 seconds after its last text.
class TMessageFrm : public QDialog {
    Q_OBJECT
public:
    explicit TMessageFrm(QWidget* parent = nullptr);

    // Replaces the text, restarts the countdown and brings the window to the front.
    void ShowNotice(const QString& text);

    QLabel* msg = nullptr;
    QPushButton* OKBtn = nullptr;
    QTimer* Timer1 = nullptr;

private:
    void Timer1Timer();
    void OKBtnClick();
};

extern TMessageFrm* MessageFrm;
