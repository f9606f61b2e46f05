#pragma once
// tgaugeCaption: progress gauge of long operations, with a caption beside the
// percentage. It repaints only when the shown percentage (or a setting) changes,
// so loops may report progress as often as they like.
#include <QColor>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <stdexcept>

// A range bound set across the other bound.
class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class tgaugeCaption : public QWidget {
    Q_OBJECT
public:
    explicit tgaugeCaption(QWidget* parent = nullptr);

    int32_t MinValue() const { return minValue_; }
    int32_t MaxValue() const { return maxValue_; }
    int32_t Progress() const { return progress_; }
    // Throw EInvalidOperation (and change nothing) when the bound would cross the other.
    void SetMinValue(int32_t value);
    void SetMaxValue(int32_t value);
    // Clamped into MinValue..MaxValue.
    void SetProgress(int32_t value);
    // Nearest integer (halves to even) of the share done, 0 for an empty range.
    int32_t PercentDone() const;

    // 0 text only, 1 horizontal bar, 2 vertical bar, 3 pie, 4 needle.
    uint8_t Kind() const { return kind_; }
    void SetKind(uint8_t value);
    bool ShowText() const { return showText_; }
    void SetShowText(bool value);
    // 1 single border (the drawing area shrinks by a pixel on each side), 0 none.
    uint8_t BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(uint8_t value);
    QColor ForeColor() const { return foreColor_; }
    void SetForeColor(const QColor& value);
    QColor BackColor() const { return backColor_; }
    void SetBackColor(const QColor& value);
    QColor ColdColor() const { return coldColor_; }
    void SetColdColor(const QColor& value);
    QColor MedColor() const { return medColor_; }
    void SetMedColor(const QColor& value);
    QColor HotColor() const { return hotColor_; }
    void SetHotColor(const QColor& value);
    // False: caption then percentage; true: percentage then caption.
    bool Posicion() const { return posicion_; }
    void SetPosicion(bool value);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& value);
    // 0 ForeColor, 1 gradient cold -> hot, 2 three bands.
    uint8_t Temperature() const { return temperature_; }
    void SetTemperature(uint8_t value);

    // The colour of the bar for the current progress.
    QColor BarColor() const;
    // The text shown: caption and percentage in the order of Posicion.
    QString Text() const;
    // The gauge as painted, at the control's size.
    QImage Render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <class T>
    void Store(T& field, const T& value);

    int32_t minValue_ = 0;
    int32_t maxValue_ = 100;
    int32_t progress_ = 0;
    uint8_t kind_ = 1;
    bool showText_ = true;
    uint8_t borderStyle_ = 1;
    QColor foreColor_ = Qt::black;
    QColor backColor_ = Qt::white;
    QColor coldColor_ = QColor(0, 255, 255);
    QColor medColor_ = QColor(0, 0, 255);
    QColor hotColor_ = QColor(0, 0, 187);
    bool posicion_ = false;
    QString caption_;
    uint8_t temperature_ = 0;
};
