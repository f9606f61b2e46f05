#include "map/gui/OxrImage.h"
#include "model/LargePages.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>

#include <sys/mman.h>

#include <cstdint>

namespace {

// A white picture of the canvas: megabytes of memory the system maps as they are
// first written. Its whole stretches of 2 MB are taken from pages of that size
// where the system gives them, so the first whitening costs a few faults instead
// of thousands (the launch draws one at once); the rest, in pages of the usual
// size, holds no more memory than the picture needs. A small picture comes from
// the heap as any image's.
QImage NewCanvasPicture(const QSize& size)
{
    constexpr size_t Huge = size_t(2) << 20, Page = 4096;
    const size_t bytesPerLine = size_t(size.width()) * 4;
    const size_t bytes = bytesPerLine * size_t(size.height());
    if (bytes < Huge)
        return QImage(size, QImage::Format_RGB32);
    const size_t mapped = (bytes + Page - 1) & ~(Page - 1);
    // Mapped from a boundary of 2 MB; whole stretches of 2 MB take large pages.
    void* const aligned = MapOnLargePages(mapped, bytes & ~(Huge - 1));
    if (!aligned)
        return QImage(size, QImage::Format_RGB32);
    struct Block {
        void* at;
        size_t size;
    };
    auto* block = new Block{aligned, mapped};
    // The last copy of the picture gives the memory back.
    const QImageCleanupFunction release = [](void* info) {
        auto* b = static_cast<Block*>(info);
        munmap(b->at, b->size);
        delete b;
    };
    return QImage(static_cast<uchar*>(aligned), size.width(), size.height(), static_cast<qsizetype>(bytesPerLine),
                  QImage::Format_RGB32, release, block);
}

TShiftState ShiftOf(const QMouseEvent* event, bool doubleClick = false)
{
    TShiftState s;
    s.Keys = event->modifiers();
    s.Buttons = event->buttons();
    s.Double = doubleClick;
    return s;
}

} // namespace

TOxrImage::TOxrImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(160, 160);
    SetDeviceSize(160, 160);
    // World window (0, 0)-(160, 160) at one unit per pixel: the defaults of TWorldWindow.
    NewPicture();
}

TOxrImage::~TOxrImage()
{
    SetPainter(nullptr);
    if (painter_.isActive())
        painter_.end();
}

void TOxrImage::NewPicture()
{
    SetPainter(nullptr);
    if (painter_.isActive())
        painter_.end();
    // Never an empty image: a painter cannot be opened on one. A picture of the
    // same size is whitened in place rather than made anew beside the old one.
    const QSize size(std::max(1, width()), std::max(1, height()));
    if (picture_.size() != size || picture_.format() != QImage::Format_RGB32)
        picture_ = NewCanvasPicture(size);
    picture_.fill(Qt::white);
    painter_.begin(&picture_);
    SetPainter(&painter_);
    ResetCanvasState();
}

void TOxrImage::ResetCanvasState()
{
    painter_.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter_.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    painter_.setFont(font());
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    PenMode = TPenMode::Copy;
    FontColor = Qt::black;
}

void TOxrImage::Clear()
{
    UpdateDeviceSize();
    NewPicture();
    labels_.Clear();
    update();
    emit Cleared();
}

void TOxrImage::SetPopupMenu(QMenu* menu, bool autoPopup)
{
    popupMenu_ = menu;
    autoPopup_ = autoPopup;
}

void TOxrImage::UpdateDeviceSize()
{
    SetDeviceSize(width(), height());
}

void TOxrImage::WorldChanged()
{
    update();
}

void TOxrImage::Changed()
{
    // One request per batch of drawing: the widget repaints once, later.
    if (!updatePending_) {
        updatePending_ = true;
        update();
    }
}

void TOxrImage::paintEvent(QPaintEvent* event)
{
    updatePending_ = false;
    QPainter p(this);
    const QRect area = event->rect();
    p.drawImage(area.topLeft(), picture_, area);
    // The control is opaque: what the picture does not cover is white.
    const QRegion uncovered = QRegion(area) - QRegion(picture_.rect());
    for (const QRect& r : uncovered)
        p.fillRect(r, Qt::white);
}

void TOxrImage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The rows count from the bottom edge, so the mapping follows the height at
    // once; the scale changes only when the window is set again.
    UpdateDeviceSize();
}

void TOxrImage::MouseDown(QMouseEvent* event, bool doubleClick)
{
    UpdateDeviceSize();
    const QPoint pos = event->position().toPoint();
    const TShiftState shift = ShiftOf(event, doubleClick);
    const Qt::MouseButton button = event->button();
    if (button == Qt::RightButton && popupMenu_ && autoPopup_)
        popupMenu_->popup(mapToGlobal(pos));
    else
        emit OnOxrMouseDown(button, shift, pos.x(), pos.y(), PixelToWorldX(pos.x()), PixelToWorldY(pos.y()));
    emit onMouseDown(button, shift, pos.x(), pos.y());
}

void TOxrImage::mousePressEvent(QMouseEvent* event)
{
    clickArmed_ = event->button() == Qt::LeftButton;
    MouseDown(event, false);
}

void TOxrImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    clickArmed_ = false;
    if (event->button() == Qt::LeftButton)
        emit OnDblClick();
    MouseDown(event, true);
}

void TOxrImage::mouseMoveEvent(QMouseEvent* event)
{
    UpdateDeviceSize();
    const QPoint pos = event->position().toPoint();
    const TShiftState shift = ShiftOf(event);
    emit OnOxrMouseMove(shift, pos.x(), pos.y(), PixelToWorldX(pos.x()), PixelToWorldY(pos.y()));
    emit onMouseMove(shift, pos.x(), pos.y());
}

void TOxrImage::mouseReleaseEvent(QMouseEvent* event)
{
    UpdateDeviceSize();
    const QPoint pos = event->position().toPoint();
    const TShiftState shift = ShiftOf(event);
    const Qt::MouseButton button = event->button();
    if (button == Qt::LeftButton && clickArmed_) {
        clickArmed_ = false;
        if (rect().contains(pos))
            emit OnClick();
    }
    emit OnOxrMouseUp(button, shift, pos.x(), pos.y(), PixelToWorldX(pos.x()), PixelToWorldY(pos.y()));
    emit onMouseUp(button, shift, pos.x(), pos.y());
}
