#include "widgets/gaugeCaption.h"

#include "model/ZelUtils.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

using ZelUtils::Round;

tgaugeCaption::tgaugeCaption(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 25);
}

template <class T>
void tgaugeCaption::Store(T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    update();
}

void tgaugeCaption::SetKind(uint8_t value) { Store(kind_, value); }
void tgaugeCaption::SetShowText(bool value) { Store(showText_, value); }
void tgaugeCaption::SetBorderStyle(uint8_t value) { Store(borderStyle_, value); }
void tgaugeCaption::SetForeColor(const QColor& value) { Store(foreColor_, value); }
void tgaugeCaption::SetBackColor(const QColor& value) { Store(backColor_, value); }
void tgaugeCaption::SetColdColor(const QColor& value) { Store(coldColor_, value); }
void tgaugeCaption::SetMedColor(const QColor& value) { Store(medColor_, value); }
void tgaugeCaption::SetHotColor(const QColor& value) { Store(hotColor_, value); }
void tgaugeCaption::SetPosicion(bool value) { Store(posicion_, value); }
void tgaugeCaption::SetCaption(const QString& value) { Store(caption_, value); }
void tgaugeCaption::SetTemperature(uint8_t value) { Store(temperature_, value); }

void tgaugeCaption::SetMinValue(int32_t value)
{
    if (value == minValue_)
        return;
    if (value > maxValue_)
        throw EInvalidOperation(ZelUtils::Format("El valor debe estar entre %d y %d", -2147483647, maxValue_ - 1));
    minValue_ = value;
    if (progress_ < value)
        progress_ = value;
    update();
}

void tgaugeCaption::SetMaxValue(int32_t value)
{
    if (value == maxValue_)
        return;
    if (value < minValue_)
        throw EInvalidOperation(ZelUtils::Format("El valor debe estar entre %d y %d", minValue_ + 1, 2147483647));
    maxValue_ = value;
    if (progress_ > value)
        progress_ = value;
    update();
}

void tgaugeCaption::SetProgress(int32_t value)
{
    value = std::clamp(value, minValue_, maxValue_);
    if (value == progress_)
        return;
    const int32_t before = PercentDone();
    progress_ = value;
    if (PercentDone() != before)
        update();
}

int32_t tgaugeCaption::PercentDone() const
{
    const double range = double(maxValue_) - double(minValue_);
    if (range == 0)
        return 0;
    return Round(100.0 * (double(progress_) - double(minValue_)) / range);
}

QColor tgaugeCaption::BarColor() const
{
    switch (temperature_) {
    case 1: {
        const double maxValue = maxValue_ == 0 ? 1.0 : double(maxValue_);
        auto channel = [&](int cold, int hot) {
            const double v = (double(cold) * (maxValue - progress_) + double(hot) * progress_) / maxValue;
            return std::clamp(Round(v), 0, 255);
        };
        return QColor(channel(coldColor_.red(), hotColor_.red()), channel(coldColor_.green(), hotColor_.green()),
                      channel(coldColor_.blue(), hotColor_.blue()));
    }
    case 2:
        // The bands read the progress itself; values beyond the bands take the
        // nearer end colour rather than an arbitrary leftover one.
        if (progress_ <= 25)
            return coldColor_;
        if (progress_ <= 75)
            return medColor_;
        return hotColor_;
    default:
        return foreColor_;
    }
}

QString tgaugeCaption::Text() const
{
    const QString percent = QString::fromStdString(ZelUtils::Format("%d%%", PercentDone()));
    return posicion_ ? percent + QLatin1Char(' ') + caption_ : caption_ + QLatin1Char(' ') + percent;
}

QImage tgaugeCaption::Render() const
{
    QImage image(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    QRect area = rect();
    if (borderStyle_ == 1)
        area.adjust(1, 1, -1, -1);
    const int32_t percent = PercentDone();
    const QColor bar = BarColor();
    const QPen outline(foreColor_, 1);
    // Width and height of the round figures (one more with a border).
    const int fw = area.width() + (borderStyle_ == 1 ? 1 : 0);
    const int fh = area.height() + (borderStyle_ == 1 ? 1 : 0);

    switch (kind_) {
    case 0:
        p.fillRect(area, backColor_);
        break;
    case 1: {
        p.fillRect(area, backColor_);
        const int w = std::min(Round(area.width() * percent * 0.01), area.width());
        if (w > 0) {
            p.setPen(outline);
            p.setBrush(bar);
            p.drawRect(QRect(area.left(), area.top(), w - 1, area.height() - 1));
        }
        break;
    }
    case 2: {
        p.fillRect(area, backColor_);
        const int h = std::min(Round(area.height() * percent * 0.01), area.height());
        if (h > 0) {
            p.setPen(outline);
            p.setBrush(bar);
            p.drawRect(QRect(area.left(), area.bottom() + 1 - h, area.width() - 1, h - 1));
        }
        break;
    }
    case 3: {
        p.fillRect(area, palette().color(QPalette::Window));
        const QRect ellipse(area.left(), area.top(), fw - 1, fh - 1);
        p.setPen(outline);
        p.setBrush(backColor_);
        p.drawEllipse(ellipse);
        if (percent > 0) {
            p.setBrush(bar);
            // From the top, clockwise, the share done of the full turn.
            p.drawPie(ellipse, 90 * 16, -Round(percent * 3.6 * 16));
        }
        break;
    }
    case 4: {
        p.fillRect(area, bar);
        const QRect ellipse(area.left(), area.bottom() + 1 - fh, fw - 1, 2 * fh - 2);
        p.setPen(outline);
        p.setBrush(backColor_);
        p.drawChord(ellipse, 0, 180 * 16);
        if (percent > 0) {
            const QPointF base(width() / 2, area.bottom() - 1);
            const double a = percent / 100.0 * std::numbers::pi;
            const double rx = fw / 2 * 0.9, ry = (fh - 1) * 0.9;
            p.drawLine(base, base + QPointF(-std::cos(a) * rx, -std::sin(a) * ry));
        }
        break;
    }
    default:
        p.fillRect(area, backColor_);
        break;
    }

    if (showText_) {
        // White text combined by exclusive-or: it shows inverted over bar and background.
        QFont font = this->font();
        font.setStyleStrategy(QFont::NoAntialias);
        p.setFont(font);
        const QFontMetrics fm(font, &image);
        const QString text = Text();
        const int x = area.left() + (area.width() - fm.horizontalAdvance(text)) / 2;
        const int y = area.top() + (area.height() - fm.height()) / 2;
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(Qt::white);
        p.setBrush(Qt::NoBrush);
        p.drawText(QPoint(x, y + fm.ascent()), text);
    }
    return image;
}

void tgaugeCaption::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.drawImage(0, 0, Render());
}
