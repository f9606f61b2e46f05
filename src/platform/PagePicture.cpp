#include "platform/PagePicture.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QTextItem>

#include <array>
#include <cmath>

class TPageRecorderEngine : public QPaintEngine {
public:
    explicit TPageRecorderEngine(TPagePicture* page)
        : QPaintEngine(PaintEngineFeatures(AllFeatures & ~ObjectBoundingModeGradients)), page_(page)
    {
    }

    // A painter starts with a fresh state and reports only what it changes from
    // there: the state a previous painter left must not colour the next page.
    bool begin(QPaintDevice*) override
    {
        pen_ = QPen();
        brush_ = QBrush();
        font_ = QFont();
        transform_ = QTransform();
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags f = state.state();
        if (f & DirtyPen)
            pen_ = state.pen();
        if (f & DirtyBrush)
            brush_ = state.brush();
        if (f & DirtyFont)
            font_ = state.font();
        if (f & DirtyTransform)
            transform_ = state.transform();
    }

    TPagePicture::Op& Add(TPagePicture::Op::Kind kind)
    {
        TPagePicture::Op& op = page_->ops_.emplace_back();
        op.kind = kind;
        op.pen = pen_;
        op.brush = brush_;
        op.transform = transform_;
        return op;
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 1)
            return;
        TPagePicture::Op& op = Add(mode == PolylineMode ? TPagePicture::Op::Polyline : TPagePicture::Op::Polygon);
        op.points = QPolygonF(QList<QPointF>(points, points + count));
        op.winding = mode == WindingMode;
    }

    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        QPolygonF f;
        f.reserve(count);
        for (int i = 0; i < count; ++i)
            f.append(points[i]);
        drawPolygon(f.constData(), count, mode);
    }

    void drawEllipse(const QRectF& r) override { Add(TPagePicture::Op::Ellipse).rect = r; }
    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }

    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QPolygonF poly(rects[i]);
            drawPolygon(poly.constData(), 4, OddEvenMode);
        }
    }
    void drawRects(const QRect* rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            drawRects(std::array<QRectF, 1>{QRectF(rects[i])}.data(), 1);
    }

    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QPointF pts[2] = {lines[i].p1(), lines[i].p2()};
            drawPolygon(pts, 2, PolylineMode);
        }
    }
    void drawLines(const QLine* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QPointF pts[2] = {lines[i].p1(), lines[i].p2()};
            drawPolygon(pts, 2, PolylineMode);
        }
    }

    void drawPoints(const QPointF* points, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QPointF pts[2] = {points[i], points[i] + QPointF(1, 0)};
            drawPolygon(pts, 2, PolylineMode);
        }
    }

    void drawPath(const QPainterPath& path) override
    {
        const QPen pen = pen_;
        if (brush_.style() != Qt::NoBrush) {
            pen_ = QPen(Qt::NoPen);
            for (const QPolygonF& poly : path.toFillPolygons()) {
                TPagePicture::Op& op = Add(TPagePicture::Op::Polygon);
                op.points = poly;
                op.winding = path.fillRule() == Qt::WindingFill;
            }
            pen_ = pen;
        }
        if (pen_.style() != Qt::NoPen) {
            const QBrush brush = brush_;
            brush_ = QBrush(Qt::NoBrush);
            for (const QPolygonF& poly : path.toSubpathPolygons())
                Add(TPagePicture::Op::Polyline).points = poly;
            brush_ = brush;
        }
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override
    {
        drawImage(r, pm.toImage(), sr, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        TPagePicture::Op& op = Add(TPagePicture::Op::Image);
        op.rect = r;
        op.image = image.copy(sr.toAlignedRect());
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty())
            return;
        TPagePicture::Op& op = Add(TPagePicture::Op::Text);
        op.text = text;
        op.font = item.font();
        if (op.font.pixelSize() <= 0)
            op.font.setPixelSize(std::max(1, int(std::lround(op.font.pointSizeF() * page_->dpi_ / 72.0))));
        op.points = QPolygonF(QList<QPointF>{p});
    }

private:
    TPagePicture* page_;
    QPen pen_;
    QBrush brush_;
    QFont font_;
    QTransform transform_;
};

TPagePicture::TPagePicture(int32_t width, int32_t height, int32_t dpi)
    : width_(std::max(1, width)), height_(std::max(1, height)), dpi_(std::max(1, dpi)),
      engine_(std::make_unique<TPageRecorderEngine>(this))
{
}

TPagePicture::~TPagePicture() = default;

TPagePicture::TPagePicture(const TPagePicture& other)
    : QPaintDevice(), width_(other.width_), height_(other.height_), dpi_(other.dpi_), ops_(other.ops_),
      engine_(std::make_unique<TPageRecorderEngine>(this))
{
}

TPagePicture& TPagePicture::operator=(const TPagePicture& other)
{
    width_ = other.width_;
    height_ = other.height_;
    dpi_ = other.dpi_;
    ops_ = other.ops_;
    return *this;
}

void TPagePicture::Reset(int32_t width, int32_t height, int32_t dpi)
{
    width_ = std::max(1, width);
    height_ = std::max(1, height);
    dpi_ = std::max(1, dpi);
    ops_.clear();
}

QPaintEngine* TPagePicture::paintEngine() const { return engine_.get(); }

int TPagePicture::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return width_;
    case PdmHeight: return height_;
    case PdmWidthMM: return int(std::lround(width_ * 25.4 / dpi_));
    case PdmHeightMM: return int(std::lround(height_ * 25.4 / dpi_));
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return dpi_;
    case PdmNumColors: return 0x7fffffff;
    case PdmDepth: return 24;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
    default: return 0;
    }
}

void TPagePicture::Play(QPainter& painter) const
{
    painter.save();
    const QTransform base = painter.transform();
    for (const Op& op : ops_) {
        painter.setTransform(op.transform * base);
        painter.setPen(op.pen);
        switch (op.kind) {
        case Op::Polygon:
            painter.setBrush(op.brush);
            painter.drawPolygon(op.points, op.winding ? Qt::WindingFill : Qt::OddEvenFill);
            break;
        case Op::Polyline:
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(op.points);
            break;
        case Op::Ellipse:
            painter.setBrush(op.brush);
            painter.drawEllipse(op.rect);
            break;
        case Op::Text:
            painter.setFont(op.font);
            painter.drawText(op.points.value(0), op.text);
            break;
        case Op::Image: painter.drawImage(op.rect, op.image); break;
        }
    }
    painter.restore();
}

void TPagePicture::PlayInto(QPainter& painter, const QRectF& target) const
{
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / width_, target.height() / height_);
    Play(painter);
    painter.restore();
}
