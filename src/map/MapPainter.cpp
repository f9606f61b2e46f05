#include "map/MapPainter.h"

#include "model/TextCodec.h"

#include "model/ZelUtils.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainterPath>
#include <QTextLayout>
#include <QStringDecoder>
#include <QTransform>

#include <algorithm>
#include <optional>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

using ZelUtils::Round;

namespace {

constexpr double Pi = std::numbers::pi;

QPoint Shifted(const QPoint& p, double dx, double dy) { return QPoint(p.x() + Round(dx), p.y() + Round(dy)); }

// Sine and cosine of a label angle in tenths of a degree. A pass places
// thousands of labels at a few thousand possible angles: the values come from a
// table filled with the very expression used otherwise.
void LabelSinCos(int32_t angle, double& s, double& c)
{
    if (angle == 0) {
        s = 0.0;
        c = 1.0;
        return;
    }
    constexpr int32_t Low = -3600, High = 7200;
    struct Table {
        std::vector<double> sin, cos;
        Table() : sin(High - Low), cos(High - Low)
        {
            for (int32_t k = Low; k < High; ++k) {
                const double a = k * Pi / 1800.0;
                sin[size_t(k - Low)] = std::sin(a);
                cos[size_t(k - Low)] = std::cos(a);
            }
        }
    };
    if (angle >= Low && angle < High) {
        static const Table table;
        s = table.sin[size_t(angle - Low)];
        c = table.cos[size_t(angle - Low)];
        return;
    }
    const double a = angle * Pi / 1800.0;
    s = std::sin(a);
    c = std::cos(a);
}

// ---- Clipping in floating point (pixels) ----

bool Finite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

QPoint Rounded(const QPointF& p) { return QPoint(Round(p.x()), Round(p.y())); }

// Whether two texts of at least 8 bytes are the same, compared a word at a
// time: every street name candidate is held against the one before, and the
// library's comparison costs more than the few words a name has.
bool SameLongText(const std::string& a, const std::string& b)
{
    const size_t n = a.size();
    if (b.size() != n)
        return false;
    auto word = [](const char* p) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    };
    const char *p = a.data(), *q = b.data();
    for (size_t k = 0; k + 8 < n; k += 8)
        if (word(p + k) != word(q + k))
            return false;
    return word(p + n - 8) == word(q + n - 8); // the last word, overlapping the one before
}

// Liang-Barsky: the part of segment a-b inside the box; false when none.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& box)
{
    if (!Finite(a) || !Finite(b))
        return false;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(), box.bottom() - a.y()};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0)
                return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF from = a;
    if (t0 > 0)
        a = QPointF(from.x() + t0 * dx, from.y() + t0 * dy);
    if (t1 < 1)
        b = QPointF(from.x() + t1 * dx, from.y() + t1 * dy);
    return true;
}

// Sutherland-Hodgman against the four sides of the box (the polygon closed
// implicitly). Inside the box every point keeps its winding number, so either
// fill rule fills there what it filled before.
void ClipPolygon(std::vector<QPointF>& points, const QRectF& box)
{
    for (const QPointF& p : points)
        if (!Finite(p)) {
            points.clear();
            return;
        }
    std::vector<QPointF> out;
    for (int side = 0; side < 4 && !points.empty(); ++side) {
        auto inside = [&](const QPointF& p) {
            switch (side) {
            case 0: return p.x() >= box.left();
            case 1: return p.x() <= box.right();
            case 2: return p.y() >= box.top();
            default: return p.y() <= box.bottom();
            }
        };
        auto cross = [&](const QPointF& a, const QPointF& b) {
            const double edge = side == 0 ? box.left() : side == 1 ? box.right() : side == 2 ? box.top() : box.bottom();
            if (side < 2) {
                const double t = (edge - a.x()) / (b.x() - a.x());
                return QPointF(edge, a.y() + t * (b.y() - a.y()));
            }
            const double t = (edge - a.y()) / (b.y() - a.y());
            return QPointF(a.x() + t * (b.x() - a.x()), edge);
        };
        out.clear();
        for (size_t k = 0; k < points.size(); ++k) {
            const QPointF& cur = points[k];
            const QPointF& prev = points[(k + points.size() - 1) % points.size()];
            if (inside(cur)) {
                if (!inside(prev))
                    out.push_back(cross(prev, cur));
                out.push_back(cur);
            } else if (inside(prev)) {
                out.push_back(cross(prev, cur));
            }
        }
        points.swap(out);
    }
}

// A line one pixel wide between two pixels of the picture, as the raster
// engine lays an aliased line of a thin opaque pen with square or round caps:
// the ends in 26.6 fixed point, each reaching half a pixel beyond its pixel,
// and along the major axis one pixel per row (or column) whose other
// coordinate is stepped in 16.16 fixed point from the middle of the first, the
// first step rounded towards the line's direction. The tests hold it against
// QPainter::drawLines pixel for pixel.
void WriteThinLine(uint32_t* bits, qsizetype perLine, int width, int height, const QLine& line, uint32_t color)
{
    const QPoint a = line.p1(), b = line.p2();
    if (a == b) {
        bits[a.y() * perLine + a.x()] = color;
        return;
    }
    int64_t x1 = int64_t(a.x()) * 64, y1 = int64_t(a.y()) * 64, x2 = int64_t(b.x()) * 64, y2 = int64_t(b.y()) * 64;
    const bool steep = std::abs(x2 - x1) < std::abs(y2 - y1);
    if (steep) { // walk rows: swap the roles of x and y
        std::swap(x1, y1);
        std::swap(x2, y2);
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int64_t inc = (y2 - y1) * 65536 / (x2 - x1);
    int64_t y = y1 * 1024 - (inc >> 1);
    x1 -= 32;
    x2 += 32;
    int64_t x = (x1 + 32) >> 6;
    const int64_t end = (x2 + 32) >> 6;
    if (x == end)
        return;
    y += ((x * 64) + (inc > 0 ? 32 : 0) - x1) * inc >> 6;
    // Both ends lie on the picture, and so does the major axis between them; a
    // pixel off the picture across it is left out, as the engine clips it.
    if (steep) {
        for (; x < end; ++x, y += inc)
            if (const int64_t c = y >> 16; c >= 0 && c < width)
                bits[x * perLine + c] = color;
    } else {
        for (; x < end; ++x, y += inc)
            if (const int64_t r = y >> 16; r >= 0 && r < height)
                bits[r * perLine + x] = color;
    }
}

} // namespace

QString TMapPainter::DisplayText(const std::string& text) { return TextCodec::Decode(text); }

// ---------------------------------------------------------------------------
// Painter state

void TMapPainter::SetPainter(QPainter* painter)
{
    FlushLabels();
    painter_ = painter;
    rasterOps_ = painter && painter->isActive() && painter->paintEngine()
        && painter->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

bool TMapPainter::BeginShape()
{
    if (!painter_ || PenMode == TPenMode::Nop)
        return false;
    FlushLabels();
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (rasterOps_) {
        switch (PenMode) {
        case TPenMode::Not: mode = QPainter::RasterOp_NotDestination; break;
        case TPenMode::NotXor: mode = QPainter::RasterOp_NotSourceXorDestination; break;
        case TPenMode::Xor: mode = QPainter::RasterOp_SourceXorDestination; break;
        default: break;
        }
    }
    if (painter_->compositionMode() != mode)
        painter_->setCompositionMode(mode);
    return true;
}

void TMapPainter::BeginText()
{
    FlushLabels();
    if (painter_->compositionMode() != QPainter::CompositionMode_SourceOver)
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

bool TMapPainter::BrushSolid() const
{
    return painter_ && painter_->brush().style() == Qt::SolidPattern;
}

// ---------------------------------------------------------------------------
// World window

void TMapPainter::SetDeviceSize(int32_t width, int32_t height)
{
    world_.Width = width;
    world_.Height = height;
}

void TMapPainter::SetWorld(double minX, double minY, double maxX, double maxY)
{
    UpdateDeviceSize();
    world_.SetWorld(minX, minY, maxX, maxY);
    WorldChanged();
}

void TMapPainter::SetMinX(double value)
{
    UpdateDeviceSize();
    if (world_.SetMinX(value))
        WorldChanged();
}

void TMapPainter::SetMaxX(double value)
{
    UpdateDeviceSize();
    if (world_.SetMaxX(value))
        WorldChanged();
}

void TMapPainter::SetMinY(double value)
{
    UpdateDeviceSize();
    if (world_.SetMinY(value))
        WorldChanged();
}

void TMapPainter::SetMaxY(double value)
{
    UpdateDeviceSize();
    if (world_.SetMaxY(value))
        WorldChanged();
}

void TMapPainter::ResetLabels()
{
    labels_.Clear();
    AllowLabelOverlap = true;
}

void TMapPainter::ResetLabelsOff()
{
    labels_.Clear();
    AllowLabelOverlap = false;
}

// ---------------------------------------------------------------------------
// Pixel helpers

int32_t TMapPainter::LastIndex(std::span<const TPoint> points, int32_t n) const
{
    const int64_t last = int64_t(points.size()) - 1;
    return int32_t(std::min<int64_t>(n, last));
}

QRectF TMapPainter::FarBox() const
{
    return QRectF(-FarPixels, -FarPixels, world_.Width + 2 * FarPixels, world_.Height + 2 * FarPixels);
}

bool TMapPainter::ToPixels(std::span<const TPoint> points, int32_t n, QPolygon& out) const
{
    const int32_t last = LastIndex(points, n);
    out.resize(last < 0 ? 0 : last + 1);
    for (int32_t k = 0; k <= last; ++k)
        if (!NearPixel(points[k].x, points[k].y, out[k]))
            return false;
    return true;
}

void TMapPainter::ToPixelsF(std::span<const TPoint> points, int32_t n, std::vector<QPointF>& out) const
{
    const int32_t last = LastIndex(points, n);
    out.clear();
    for (int32_t k = 0; k <= last; ++k)
        out.push_back(PixelF(points[k].x, points[k].y));
}

bool TMapPainter::ClippedSegmentPixels(const TPoint& a, const TPoint& b, QLine& line) const
{
    QPointF from = PixelF(a.x, a.y), to = PixelF(b.x, b.y);
    if (!ClipSegment(from, to, FarBox()))
        return false;
    line = QLine(Rounded(from), Rounded(to));
    return true;
}

void TMapPainter::DrawFarPolygon(std::vector<QPointF>& points)
{
    ClipPolygon(points, FarBox());
    if (points.size() < 2)
        return;
    scratch2_.resize(int(points.size()) + 1);
    for (size_t k = 0; k < points.size(); ++k)
        scratch2_[int(k)] = Rounded(points[k]);
    scratch2_[int(points.size())] = scratch2_[0];
    DrawPixelPolygon(scratch2_);
}

void TMapPainter::DrawFarPolyline(const std::vector<QPointF>& points)
{
    // The pieces of the line within the far box, each drawn as one polyline.
    const QRectF box = FarBox();
    scratch2_.clear();
    for (size_t k = 1; k < points.size(); ++k) {
        QPointF a = points[k - 1], b = points[k];
        if (!ClipSegment(a, b, box)) {
            DrawPixelPolyline(scratch2_);
            scratch2_.clear();
            continue;
        }
        const QPoint from = Rounded(a), to = Rounded(b);
        if (scratch2_.isEmpty() || scratch2_.last() != from || a != points[k - 1]) {
            DrawPixelPolyline(scratch2_);
            scratch2_.clear();
            scratch2_ << from;
        }
        scratch2_ << to;
        if (b != points[k]) { // the line leaves the box here
            DrawPixelPolyline(scratch2_);
            scratch2_.clear();
        }
    }
    DrawPixelPolyline(scratch2_);
}

void TMapPainter::DrawFarEllipse(double x, double y, double r)
{
    const QRectF box = FarBox();
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(r) || r < 0 ||
        !box.intersects(QRectF(x - r, y - r, 2 * r, 2 * r)))
        return;
    if (r <= MaxEllipsePixels && box.contains(x, y)) {
        PixelEllipse(Round(x), Round(y), Round(r));
        return;
    }
    const bool filled = painter_ && painter_->brush().style() != Qt::NoBrush;
    const QPointF corners[4] = {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()};
    double reach = 0; // the farthest corner of the box from the centre
    for (const QPointF& c : corners)
        reach = std::max(reach, std::hypot(c.x() - x, c.y() - y));
    std::vector<QPointF>& pts = farScratch_;
    pts.clear();
    if (r >= reach + 2) { // the box lies inside the circle: only the fill shows
        if (filled) {
            pts.assign(corners, corners + 4);
            DrawFarPolygon(pts);
        }
        return;
    }
    // The arc over the angles the box spans seen from the centre (all of them
    // when the centre lies inside), in steps whose chords stay within a quarter
    // of a pixel of the curve.
    double a0 = 0, a1 = 2 * Pi;
    const bool inside = box.contains(x, y);
    if (!inside) {
        const double mid = std::atan2(box.center().y() - y, box.center().x() - x);
        double lo = 0, hi = 0;
        for (const QPointF& c : corners) {
            double d = std::atan2(c.y() - y, c.x() - x) - mid;
            d = std::remainder(d, 2 * Pi);
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
        a0 = mid + lo;
        a1 = mid + hi;
    }
    const int steps = int(std::clamp(std::ceil((a1 - a0) * std::sqrt(std::max(r, 1.0) / 2.0)), 16.0, 20000.0));
    if (filled && !inside)
        pts.emplace_back(x, y);
    for (int k = 0; k <= steps; ++k) {
        const double a = a0 + (a1 - a0) * k / steps;
        pts.emplace_back(x + r * std::cos(a), y + r * std::sin(a));
    }
    if (filled)
        DrawFarPolygon(pts);
    else
        DrawFarPolyline(pts);
}

QRegion TMapPainter::FarRegion(std::vector<QPointF>& points, Qt::FillRule rule) const
{
    ClipPolygon(points, QRectF(-RegionPixels, -RegionPixels, world_.Width + 2 * RegionPixels,
                               world_.Height + 2 * RegionPixels));
    if (points.size() < 3)
        return QRegion();
    QPolygon polygon(int(points.size()));
    for (size_t k = 0; k < points.size(); ++k)
        polygon[int(k)] = Rounded(points[k]);
    return QRegion(polygon, rule);
}

void TMapPainter::DrawPixelPolygon(const QPolygon& polygon)
{
    if (polygon.size() < 2 || !BeginShape())
        return;
    painter_->drawPolygon(polygon);
    Changed();
}

void TMapPainter::DrawPixelPolyline(const QPolygon& polygon)
{
    if (polygon.size() < 2 || !BeginShape())
        return;
    painter_->drawPolyline(polygon);
    Changed();
}

// Rectangle between two pixel corners, the right and bottom edges excluded as on
// the classic device canvas (the outline lies inside the rectangle).
void TMapPainter::PixelRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 == x1 || y2 == y1 || !BeginShape())
        return;
    if (painter_->pen().style() == Qt::NoPen)
        painter_->drawRect(QRect(x1, y1, x2 - x1, y2 - y1));
    else
        painter_->drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    Changed();
}

void TMapPainter::PixelEllipse(int32_t x, int32_t y, int32_t r)
{
    // Callers keep the centre and the radius within the far box's reach.
    if (!BeginShape())
        return;
    painter_->drawEllipse(QRect(x - r, y - r, 2 * r, 2 * r));
    Changed();
}

// ---------------------------------------------------------------------------
// Plain shapes

void TMapPainter::MoveToW(double x, double y)
{
    penPos_ = {x, y};
}

void TMapPainter::LineToW(double x, double y)
{
    const TPoint to{x, y};
    QLine line;
    if (SegmentPixels(penPos_, to, line) && BeginShape()) {
        painter_->drawLine(line);
        Changed();
    }
    penPos_ = to;
}

void TMapPainter::LineW(double x1, double y1, double x2, double y2)
{
    MoveToW(x1, y1);
    LineToW(x2, y2);
}

void TMapPainter::LinesPixels(std::span<const QLine> lines)
{
    if (lines.empty() || !BeginShape())
        return;
    if (QImage* image = ThinLinePixels()) {
        // Lines with both ends on the picture are written here; the others
        // (clipped at its edges) go to the painter. All take the same opaque
        // colour, so the order they are laid in does not show.
        const uint32_t color = painter_->pen().color().rgba();
        auto* bits = reinterpret_cast<uint32_t*>(image->bits());
        const qsizetype perLine = image->bytesPerLine() / 4;
        const int w = image->width(), h = image->height();
        std::vector<QLine>& rest = lineScratch_;
        rest.clear();
        for (const QLine& l : lines) {
            if (l.x1() >= 0 && l.y1() >= 0 && l.x2() >= 0 && l.y2() >= 0 && l.x1() < w && l.x2() < w && l.y1() < h &&
                l.y2() < h)
                WriteThinLine(bits, perLine, w, h, l, color);
            else
                rest.push_back(l);
        }
        if (!rest.empty())
            painter_->drawLines(rest.data(), int(rest.size()));
        Changed();
        return;
    }
    painter_->drawLines(lines.data(), int(lines.size()));
    Changed();
}

namespace {
// An opaque colour held as plain 8-bit RGB: any other (another model, translucent,
// finer than 8 bits) is left to the painter.
bool PlainOpaque(const QColor& c) { return c == QColor(c.rgb()); }
} // namespace

QImage* TMapPainter::ThinLinePixels()
{
    QImage* image = DirectPixels();
    if (!image)
        return nullptr;
    const QPen& pen = painter_->pen();
    const double width = pen.widthF();
    if (pen.style() != Qt::SolidLine || pen.brush().style() != Qt::SolidPattern || (width != 0.0 && width != 1.0) ||
        pen.capStyle() == Qt::FlatCap || !PlainOpaque(pen.color()) ||
        painter_->opacity() != 1.0 || !painter_->combinedTransform().isIdentity())
        return nullptr;
    return image;
}

QImage* TMapPainter::DirectPixels()
{
    if (!painter_ || !painter_->isActive() || PenMode != TPenMode::Copy || !painter_->device() ||
        painter_->device()->devType() != QInternal::Image)
        return nullptr;
    FlushLabels();
    auto* image = static_cast<QImage*>(painter_->device());
    if (image->format() != QImage::Format_RGB32 || painter_->hasClipping() || !painter_->worldTransform().isIdentity() ||
        painter_->testRenderHint(QPainter::Antialiasing) ||
        painter_->compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    return image;
}

void TMapPainter::RectangleW(double x1, double y1, double x2, double y2)
{
    // A rectangle clips by clamping its sides.
    auto column = [&](double x) { return Round(std::clamp(world_.PixelX(x), -FarPixels, world_.Width + FarPixels)); };
    auto row = [&](double y) {
        return world_.Height - Round(std::clamp(world_.PixelUp(y), -FarPixels, world_.Height + FarPixels));
    };
    PixelRectangle(column(x1), row(y1), column(x2), row(y2));
}

void TMapPainter::Circle(double x, double y, double r)
{
    const double radius = r >= 0 ? r * PixelsPerUnit() : -r;
    QPoint c;
    if (NearPixel(x, y, c) && radius <= MaxEllipsePixels)
        PixelEllipse(c.x(), c.y(), Round(radius));
    else
        DrawFarEllipse(world_.PixelX(x), double(world_.Height) - world_.PixelUp(y), radius);
}

void TMapPainter::PolygonPtArray(std::span<const TPoint> points, int32_t n)
{
    if (ToPixels(points, n, scratch_)) {
        DrawPixelPolygon(scratch_);
        return;
    }
    ToPixelsF(points, n, farScratch_);
    DrawFarPolygon(farScratch_);
}

void TMapPainter::PolylinePtArray(std::span<const TPoint> points, int32_t n, int32_t w)
{
    if (!ToPixels(points, n, scratch_) || std::abs(double(w)) > FarPixels) {
        ToPixelsF(points, n, farScratch_);
        if (farScratch_.size() < 2)
            return;
        const QPointF chord = farScratch_.back() - farScratch_.front();
        const double len = std::hypot(chord.x(), chord.y());
        if (w != 0 && len > 0)
            for (QPointF& p : farScratch_)
                p += QPointF(-chord.y() * w / len, chord.x() * w / len);
        DrawFarPolyline(farScratch_);
        return;
    }
    if (scratch_.size() < 2)
        return;
    if (w != 0) {
        const QPoint chord = scratch_.last() - scratch_.first();
        const double len = std::hypot(double(chord.x()), double(chord.y()));
        if (len > 0) {
            const QPoint shift(Round(-double(chord.y()) * w / len), Round(double(chord.x()) * w / len));
            for (QPoint& p : scratch_)
                p += shift;
        }
    }
    DrawPixelPolyline(scratch_);
}

void TMapPainter::PolygonPtArrayB(std::span<const TPoint> points, int32_t n, int32_t w2, int32_t w1)
{
    if (!ToPixels(points, n, scratch_) || std::abs(double(w1)) + std::abs(double(w2)) > FarPixels) {
        std::vector<QPointF>& pts = farScratch_;
        ToPixelsF(points, n, pts);
        if (pts.empty())
            return;
        const QPointF chord = pts.back() - pts.front();
        const double len = std::hypot(chord.x(), chord.y());
        if (!(len > 0))
            return;
        const QPointF normal(-chord.y() / len, chord.x() / len);
        const size_t count = pts.size();
        for (QPointF& p : pts)
            p += normal * w1;
        for (size_t k = count; k-- > 0;)
            pts.push_back(pts[k] + normal * w2);
        DrawFarPolygon(pts);
        return;
    }
    if (scratch_.isEmpty())
        return;
    const QPoint chord = scratch_.last() - scratch_.first();
    const double len = std::hypot(double(chord.x()), double(chord.y()));
    if (len == 0)
        return;
    const QPoint nearShift(Round(-double(chord.y()) * w1 / len), Round(double(chord.x()) * w1 / len));
    const QPoint farShift(Round(-double(chord.y()) * w2 / len), Round(double(chord.x()) * w2 / len));
    const int count = int(scratch_.size());
    scratch2_.resize(2 * count + 1);
    for (int k = 0; k < count; ++k) {
        scratch2_[k] = scratch_[k] + nearShift;
        scratch2_[2 * count - 1 - k] = scratch2_[k] + farShift;
    }
    scratch2_[2 * count] = scratch2_[0];
    DrawPixelPolygon(scratch2_);
}

void TMapPainter::PolygonRectW(int32_t w2, int32_t w1, double x1, double y1, double x2, double y2)
{
    QPoint a, b;
    if (!NearPixel(x1, y1, a) || !NearPixel(x2, y2, b) || std::abs(double(w1)) + std::abs(double(w2)) > FarPixels) {
        const QPointF p = PixelF(x1, y1), q = PixelF(x2, y2);
        const double len = std::hypot(q.x() - p.x(), q.y() - p.y());
        if (!(len > 0))
            return;
        const QPointF normal(-(q.y() - p.y()) / len, (q.x() - p.x()) / len);
        farScratch_ = {p + normal * w1, q + normal * w1, q + normal * (w1 + w2), p + normal * (w1 + w2)};
        DrawFarPolygon(farScratch_);
        return;
    }
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double len = std::hypot(dx, dy);
    if (len == 0)
        return;
    const QPoint q0 = Shifted(a, -dy * w1 / len, dx * w1 / len);
    const QPoint q1 = Shifted(b, -dy * w1 / len, dx * w1 / len);
    const double ex = q1.x() - q0.x();
    const double ey = q1.y() - q0.y();
    const double len2 = std::hypot(ex, ey);
    if (len2 == 0)
        return;
    const QPoint q2 = Shifted(q1, -ey * w2 / len2, ex * w2 / len2);
    const QPoint q3 = Shifted(q0, -ey * w2 / len2, ex * w2 / len2);
    scratch_.resize(5);
    scratch_[0] = q0;
    scratch_[1] = q1;
    scratch_[2] = q2;
    scratch_[3] = q3;
    scratch_[4] = q0;
    DrawPixelPolygon(scratch_);
}

void TMapPainter::ArrayCorners(int32_t sides, int32_t rotation, const QPoint& centre, int32_t radius, QPolygon& corners)
{
    corners.resize(sides + 1);
    for (int32_t k = 0; k < sides; ++k) {
        const double deg = double(k) * 360.0 / sides + (360.0 - rotation);
        const double a = deg * Pi / 180.0;
        corners[k] = Shifted(centre, radius * std::cos(a), radius * std::sin(a));
    }
    corners[sides] = corners[0];
}

void TMapPainter::PolylineArrays(int32_t sides, int32_t rotation, double x, double y, int32_t radius)
{
    if (sides == 0) {
        Circle(x, y, -double(radius));
        return;
    }
    if (sides < 3)
        return;
    QPoint centre;
    if (!NearPixel(x, y, centre) || std::abs(double(radius)) > FarPixels) {
        const QPointF c = PixelF(x, y);
        farScratch_.clear();
        for (int32_t k = 0; k <= sides; ++k) {
            const double a = (double(k % sides) * 360.0 / sides + (360.0 - rotation)) * Pi / 180.0;
            farScratch_.push_back(c + QPointF(radius * std::cos(a), radius * std::sin(a)));
        }
        if (BrushSolid())
            DrawFarPolygon(farScratch_);
        else
            DrawFarPolyline(farScratch_);
        return;
    }
    ArrayCorners(sides, rotation, centre, radius, scratch_);
    if (BrushSolid())
        DrawPixelPolygon(scratch_);
    else
        DrawPixelPolyline(scratch_);
}

// ---------------------------------------------------------------------------
// Traffic glyphs

// The arrowhead's tip, barbs and notch about an unrounded tip, for one far away.
void TMapPainter::FarArrowhead(double s, int32_t angle, double x, double y, bool closed)
{
    const double a = angle * Pi / 1800.0;
    const double h = Pi / 6.0;
    const QPointF t = PixelF(x, y);
    const QPointF b1 = t + QPointF(-std::cos(a + h) * 2 * s, std::sin(a + h) * 2 * s);
    const QPointF k = t + QPointF(-std::cos(a) * (std::cos(h) - std::sin(h)) * 2 * s,
                                  std::sin(a) * (std::cos(h) - std::sin(h)) * 2 * s);
    const QPointF b2 = t + QPointF(-std::cos(a - h) * 2 * s, std::sin(a - h) * 2 * s);
    if (closed) {
        farScratch_ = {t, b1, k, b2};
        DrawFarPolygon(farScratch_);
    } else {
        farScratch_ = {b1, k, b2};
        DrawFarPolyline(farScratch_);
    }
}

void TMapPainter::PolygonPts(double s, int32_t angle, double x, double y)
{
    const double a = angle * Pi / 1800.0;
    const double h = Pi / 6.0;
    QPoint t;
    if (!NearPixel(x, y, t) || !(std::abs(s) <= FarPixels)) {
        FarArrowhead(s, angle, x, y, true);
        return;
    }
    const QPoint b1 = Shifted(t, -std::cos(a + h) * 2 * s, std::sin(a + h) * 2 * s);
    const QPoint k = Shifted(t, -std::cos(a) * (std::cos(h) - std::sin(h)) * 2 * s,
                             std::sin(a) * (std::cos(h) - std::sin(h)) * 2 * s);
    const QPoint b2 = Shifted(t, -std::cos(a - h) * 2 * s, std::sin(a - h) * 2 * s);
    scratch_.resize(5);
    scratch_[0] = t;
    scratch_[1] = b1;
    scratch_[2] = k;
    scratch_[3] = b2;
    scratch_[4] = t;
    DrawPixelPolygon(scratch_);
}

void TMapPainter::PolylinePts(double s, int32_t angle, double x, double y)
{
    const double a = angle * Pi / 1800.0;
    const double h = Pi / 6.0;
    QPoint t;
    if (!NearPixel(x, y, t) || !(std::abs(s) <= FarPixels)) {
        FarArrowhead(s, angle, x, y, false);
        return;
    }
    scratch_.resize(3);
    scratch_[0] = Shifted(t, -std::cos(a + h) * 2 * s, std::sin(a + h) * 2 * s);
    scratch_[1] = Shifted(t, -std::cos(a) * (std::cos(h) - std::sin(h)) * 2 * s,
                          std::sin(a) * (std::cos(h) - std::sin(h)) * 2 * s);
    scratch_[2] = Shifted(t, -std::cos(a - h) * 2 * s, std::sin(a - h) * 2 * s);
    DrawPixelPolyline(scratch_);
}

namespace {

// Outline of an arrow from p1: each step adds c*n + d*u, with u = (p2 - p1) / 15
// and n the quarter turn left of u.
template <size_t Steps>
std::array<TPoint, Steps + 1> ArrowOutline(const TPoint& p1, const TPoint& p2, const double (&c)[Steps],
                                           const double (&d)[Steps])
{
    const double ux = (p2.x - p1.x) / 15.0, uy = (p2.y - p1.y) / 15.0;
    const double nx = -uy, ny = ux;
    std::array<TPoint, Steps + 1> pts;
    pts[0] = p1;
    for (size_t k = 0; k < Steps; ++k) {
        pts[k + 1].x = pts[k].x + c[k] * nx + d[k] * ux;
        pts[k + 1].y = pts[k].y + c[k] * ny + d[k] * uy;
    }
    return pts;
}

} // namespace

void TMapPainter::ArrowA(const TPoint& p1, const TPoint& p2)
{
    static const double c[3] = {12.5, -25, 12.5};
    static const double d[3] = {25, 0, -25};
    const auto pts = ArrowOutline(p1, p2, c, d);
    if (BrushSolid())
        PolygonPtArray(pts, int32_t(pts.size()) - 1);
    else
        PolylinePtArray(pts, int32_t(pts.size()) - 1, 0);
}

void TMapPainter::ArrowB(const TPoint& p1, const TPoint& p2)
{
    static const double c[6] = {12.5, -17.5, 5, 5, -17.5, 12.5};
    static const double d[6] = {25, 0, -10, 10, 0, -25};
    const auto pts = ArrowOutline(p1, p2, c, d);
    if (BrushSolid())
        PolygonPtArray(pts, int32_t(pts.size()) - 1);
    else
        PolylinePtArray(pts, int32_t(pts.size()) - 1, 0);
}

void TMapPainter::DrawCursorMark(double s, double x, double y)
{
    if (!painter_)
        return;
    const double size = s >= 0 ? s * PixelsPerUnit() : -s;
    QPoint c;
    // A symbol about a centre far away, or larger than the far box, is drawn from
    // unrounded pixels clipped to the box.
    const bool far = !NearPixel(x, y, c) || !(size <= MaxEllipsePixels);
    const QPointF cf = PixelF(x, y);
    const int32_t r = Round(2 * size / 14);
    const int32_t d = Round(4.5 * size / 14);
    const int32_t w = Round(2.5 * size / 14);

    const QPen savedPen = painter_->pen();
    const QBrush savedBrush = painter_->brush();
    const TPenMode savedMode = PenMode;
    PenMode = TPenMode::Copy;
    auto colour = [&](const QColor& col) {
        painter_->setPen(QPen(col, 1));
        painter_->setBrush(QBrush(col, Qt::SolidPattern));
    };
    colour(QColor(128, 128, 128));
    if (far) {
        const double fw = 2.5 * size / 14, fd = 4.5 * size / 14, fr = 2 * size / 14;
        const QRectF box = FarBox();
        auto cx = [&](double v) { return Round(std::clamp(v, box.left(), box.right())); };
        auto cy = [&](double v) { return Round(std::clamp(v, box.top(), box.bottom())); };
        PixelRectangle(cx(cf.x() - fw), cy(cf.y() - fd - fw), cx(cf.x() + fw), cy(cf.y() + fd + fw));
        colour(QColor(255, 255, 0));
        DrawFarEllipse(cf.x(), cf.y(), fr);
        colour(QColor(255, 0, 0));
        DrawFarEllipse(cf.x(), cf.y() - fd, fr);
        colour(QColor(0, 128, 0));
        DrawFarEllipse(cf.x(), cf.y() + fd, fr);
    } else {
        PixelRectangle(c.x() - w, c.y() - d - w, c.x() + w, c.y() + d + w);
        colour(QColor(255, 255, 0));
        PixelEllipse(c.x(), c.y(), r);
        colour(QColor(255, 0, 0));
        PixelEllipse(c.x(), c.y() - d, r);
        colour(QColor(0, 128, 0));
        PixelEllipse(c.x(), c.y() + d, r);
    }
    PenMode = savedMode;
    painter_->setPen(savedPen);
    painter_->setBrush(savedBrush);
}

void TMapPainter::CurveWithLabels(const TPoint& centre, const TPoint& start, const TPoint& end, const std::string& text)
{
    const double r1 = std::hypot(start.x - centre.x, start.y - centre.y);
    const double r2 = std::hypot(end.x - centre.x, end.y - centre.y);
    double a1 = std::atan2(start.y - centre.y, start.x - centre.x);
    const double a2 = std::atan2(end.y - centre.y, end.x - centre.x);
    double step = (a2 - a1) / 10;
    // The shorter way about the centre: at most half a turn.
    if (step > Pi / 10) {
        a1 += 2 * Pi;
        step = (a2 - a1) / 10;
    } else if (step < -Pi / 10) {
        a1 -= 2 * Pi;
        step = (a2 - a1) / 10;
    }
    const double rstep = (r2 - r1) / 10;
    std::array<TPoint, 11> pts;
    for (int k = 0; k <= 10; ++k) {
        const double r = r1 + k * rstep, a = a1 + k * step;
        pts[k].x = centre.x + r * std::cos(a);
        pts[k].y = centre.y + r * std::sin(a);
    }
    if (!text.empty() && painter_) {
        const QBrush savedBrush = painter_->brush();
        painter_->setBrush(Qt::NoBrush);
        LabelW(pts[0], Round((a1 - Pi / 2) * 1800 / Pi), text, 7, 0);
        LabelW(pts[10], Round((a1 + 10 * step - Pi / 2) * 1800 / Pi), text, 7, 0);
        painter_->setBrush(savedBrush);
    }
    PolylinePtArray(pts, 10, 0);
}

namespace {

// Steps of the stroked lane-turn arrows, in units of the approach and its normal:
// the stem, then the left, straight and right branches (each back to the stem top).
constexpr int32_t LaneSide[19] = {0, 9, 3, 3, -9, 3, -9, 0, 4, -4, -4, 4, 0, -9, 3, -9, 3, 3, 9};
constexpr int32_t LaneAlongAngle[19] = {60, 9, -3, 9, -3, -3, -9, 15, 0, 9, -9, 0, -15, 9, 3, 3, -9, 3, -9};
constexpr int32_t LaneAlongShort[19] = {30, 9, -3, 9, -3, -3, -9, 15, 0, 9, -9, 0, -15, 9, 3, 3, -9, 3, -9};

} // namespace

void TMapPainter::TextAngleW(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, int32_t k,
                             const std::string& text)
{
    LaneGlyph(p2, p1, flags, k, text, 1.0, 9.0, LaneAlongAngle);
}

void TMapPainter::TextAlongW(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, int32_t k,
                             const std::string& text)
{
    LaneGlyph(p2, p1, flags, k, text, 2.5, 6.0, LaneAlongShort);
}

void TMapPainter::LaneGlyph(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, int32_t k,
                            const std::string& text, double c, double d, const int32_t* along)
{
    const double ux = (p1.x - p2.x) / 10, uy = (p1.y - p2.y) / 10;
    const double nx = -uy, ny = ux;
    std::array<TPoint, 20> pts;
    pts[0].x = p2.x - c * k * nx;
    pts[0].y = p2.y - c * k * ny;
    for (int i = 0; i < 19; ++i) {
        pts[i + 1].x = pts[i].x + along[i] / d * ux + LaneSide[i] / d * nx;
        pts[i + 1].y = pts[i].y + along[i] / d * uy + LaneSide[i] / d * ny;
    }
    for (int b = 0; b < 3; ++b)
        if (flags[b] == 0)
            for (int i = 2 + 6 * b; i < 8 + 6 * b; ++i)
                pts[i] = pts[1 + 6 * b];
    PolylinePtArray(pts, 19, 0);

    const std::string trimmed = ZelUtils::Trim(text);
    if (trimmed.empty() || !painter_)
        return;
    const QFont savedFont = painter_->font();
    const QBrush savedBrush = painter_->brush();
    const TPenMode savedMode = PenMode;
    // The text takes 0.8 of the lane spacing, with an opaque background and no frame.
    const double spacing = c * std::hypot(nx, ny) * PixelsPerUnit();
    if (!(spacing <= MaxGlyphPixels)) // letters taller than any screen: no text
        return;
    // Deep in a junction the lanes lie hundreds of pixels apart: the letters grow
    // with them only up to twice the layer font, or one value would cover the map.
    const double layerHeight = QFontMetricsF(savedFont, painter_->device()).height();
    QFont font = savedFont;
    font.setPixelSize(std::max(1, Round(std::min(0.8 * Round(spacing), 2.0 * layerHeight))));
    painter_->setFont(font);
    QBrush brush = savedBrush;
    brush.setStyle(Qt::SolidPattern);
    painter_->setBrush(brush);
    PenMode = TPenMode::Nop;
    TPoint mid;
    MakePoint(mid, (pts[0].x + pts[1].x) / 2, (pts[0].y + pts[1].y) / 2);
    const int32_t angle = int32_t(LineAngle(p2.x, p2.y, p1.x, p1.y) * 1800 / Pi);
    LabelW(mid, angle, trimmed, 4, 0);
    painter_->setFont(savedFont);
    painter_->setBrush(savedBrush);
    PenMode = savedMode;
}

void TMapPainter::DrawSymbolW(const TPoint& p2, const TPoint& p1, const TTurnFlags& flags, double scale)
{
    if (!painter_)
        return;
    // Local frame: a along the approach (tenths of p2 -> p1), s to its left,
    // widened by scale. The figure is the union of a stem and the flagged
    // branches, each an arrow of its own, filled as one outline.
    const double ux = (p1.x - p2.x) / 10, uy = (p1.y - p2.y) / 10;
    const double nx = -uy * scale, ny = ux * scale;
    auto world = [&](double a, double s) { return TPoint{p2.x + a * ux + s * nx, p2.y + a * uy + s * ny}; };
    constexpr double Half = 0.6, Head = 1.3;
    std::vector<std::vector<TPoint>> outlines;
    outlines.push_back({world(0, -Half), world(5.5, -Half), world(5.5, Half), world(0, Half), world(0, -Half)});
    // Diagonal branches leave the stem lower than the straight one, so the three
    // heads stay apart.
    struct Branch { double root, da, ds, shaft, head; };
    const double r2 = std::sqrt(0.5);
    const Branch branches[3] = {{4.0, r2, r2, 2.6, 1.8}, {5.0, 1.0, 0.0, 3.0, 2.0}, {4.0, r2, -r2, 2.6, 1.8}};
    for (int b = 0; b < 3; ++b) {
        if (flags[b] == 0)
            continue;
        const Branch& br = branches[b];
        const double pa = -br.ds, ps = br.da; // left of the branch direction
        auto at = [&](double along, double side) {
            return world(br.root + along * br.da + side * pa, along * br.ds + side * ps);
        };
        outlines.push_back({at(0, -Half), at(br.shaft, -Half), at(br.shaft, -Head), at(br.shaft + br.head, 0),
                            at(br.shaft, Head), at(br.shaft, Half), at(0, Half), at(0, -Half)});
    }
    // Rounded pixels, unless a corner lies beyond the far box: then unrounded,
    // each outline clipped to the box (the union within it is the same).
    bool near = true;
    for (const auto& outline : outlines)
        for (const TPoint& q : outline)
            near = near && NearPixel(q.x, q.y);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const auto& outline : outlines) {
        QPolygonF polygon;
        if (near) {
            for (const TPoint& q : outline)
                polygon << QPointF(PointRecToPoint(q));
        } else {
            ToPixelsF(outline, int32_t(outline.size()) - 1, farScratch_);
            ClipPolygon(farScratch_, FarBox());
            if (farScratch_.size() < 3)
                continue;
            polygon = QPolygonF(QList<QPointF>(farScratch_.begin(), farScratch_.end()));
            polygon << polygon.first();
        }
        path.addPolygon(polygon);
    }
    if (!BeginShape())
        return;
    painter_->drawPath(path.simplified());
    Changed();
}

// ---------------------------------------------------------------------------
// Labels

void TMapPainter::LabelAt(int32_t angle, const std::string& text, double x, double y, int32_t alignment,
                          int32_t offset)
{
    PlaceLabel(angle, text, x, y, alignment, offset, nullptr);
}

QRegion TMapPainter::LabelAtPts(const TPoint& p, int32_t angle, const std::string& text, int32_t alignment,
                                int32_t offset)
{
    QRegion region;
    PlaceLabel(angle, text, p.x, p.y, alignment, offset, &region);
    return region;
}

void TMapPainter::TTextCache::Forget()
{
    widths.clear();
    lastLong = nullptr;
    recentLong.fill(nullptr);
    std::fill(shortWidths.begin(), shortWidths.end(), TShortWidth());
    shortCount = 0;
    layouts.clear();
    levelRuns.clear();
}

void TMapPainter::UseTextCache()
{
    const QFont& font = painter_->font();
    const QPaintDevice* device = painter_->device();
    // In a pass the painter stays on one device, whose resolution was compared
    // at the pass's first label: asking the device again for every label costs
    // more than the rest of this.
    if (text_ && labelPass_ > 0 && textPass_ == labelPasses_ && text_->device == device &&
        font.resolveMask() == text_->font.resolveMask() && font.isCopyOf(text_->font))
        return;
    textPass_ = labelPass_ > 0 ? labelPasses_ : 0;
    const int dpiX = device ? device->logicalDpiX() : 0, dpiY = device ? device->logicalDpiY() : 0;
    auto matches = [&](TTextCache& c) {
        if (c.device != device || c.dpiX != dpiX || c.dpiY != dpiY || font.resolveMask() != c.font.resolveMask())
            return false;
        if (font.isCopyOf(c.font))
            return true;
        if (font != c.font)
            return false;
        // An equal font made apart: keep the painter's copy, so that the next
        // label finds it without comparing every property again.
        c.font = font;
        return true;
    };
    if (text_ && matches(*text_))
        return;
    auto it = std::find_if(textCaches_.begin(), textCaches_.end(), [&](const auto& c) { return matches(*c); });
    if (it == textCaches_.end()) {
        if (textCaches_.size() >= MaxTextCaches)
            textCaches_.pop_back();
        auto cache = std::make_unique<TTextCache>();
        const QFontMetrics fm(font, device);
        cache->font = font;
        cache->device = device;
        cache->dpiX = dpiX;
        cache->dpiY = dpiY;
        cache->height = fm.height();
        cache->ascent = fm.ascent();
        textCaches_.insert(textCaches_.begin(), std::move(cache));
    } else if (it != textCaches_.begin()) {
        std::rotate(textCaches_.begin(), it, it + 1);
    }
    text_ = textCaches_.front().get();
    fontHeight_ = text_->height;
    fontAscent_ = text_->ascent;
    labelDepth_ = 5.0 * fontHeight_ / 6.0;
}

int TMapPainter::TextWidth(const std::string& text, const QString* shown, int32_t** layout)
{
    UseTextCache();
    TTextCache& cache = *text_;
    // The cache's font is a copy of the painter's, on the same device.
    const QFont& font = cache.font;
    const QPaintDevice* device = cache.device;
    if (cache.widths.size() > 200000 || cache.shortCount >= 200000)
        cache.Forget(); // bounded: all go together, the layouts being named by index
    if (text.size() <= 7) {
        uint64_t key = text.size() + 1; // never 0
        for (size_t k = 0; k < text.size(); ++k)
            key |= uint64_t(static_cast<unsigned char>(text[k])) << (8 * (k + 1));
        auto slotOf = [&cache](uint64_t k) {
            const size_t mask = cache.shortWidths.size() - 1;
            // Numbers (node and zone numbers) by their value: the nodes of a
            // tile mostly bear neighbouring numbers, whose entries then share
            // cache lines. Other texts are scattered.
            const size_t length = size_t(k & 0xff) - 1;
            uint64_t value = 0;
            bool digits = length > 0;
            for (size_t c = 1; c <= length && digits; ++c) {
                const unsigned d = unsigned((k >> (8 * c)) & 0xff) - '0';
                digits = d <= 9;
                value = value * 10 + d;
            }
            size_t slot = size_t(digits ? value + length : (k * 0x9E3779B97F4A7C15ull) >> 40) & mask;
            while (cache.shortWidths[slot].key != 0 && cache.shortWidths[slot].key != k)
                slot = (slot + 1) & mask;
            return slot;
        };
        if (!cache.shortWidths.empty())
            if (TShortWidth& e = cache.shortWidths[slotOf(key)]; e.key == key) {
                if (layout)
                    *layout = &e.look.layout;
                return e.look.width;
            }
        const QFontMetrics fm(font, device);
        const int w = fm.horizontalAdvance(shown ? *shown : DisplayText(text));
        if (2 * (cache.shortCount + 1) > cache.shortWidths.size()) {
            std::vector<TShortWidth> old(std::max<size_t>(1024, 2 * cache.shortWidths.size()));
            old.swap(cache.shortWidths);
            for (const TShortWidth& e : old)
                if (e.key != 0)
                    cache.shortWidths[slotOf(e.key)] = e;
        }
        TShortWidth& e = cache.shortWidths[slotOf(key)];
        e = {key, {w, NotLaidOut}};
        ++cache.shortCount;
        if (layout)
            *layout = &e.look.layout;
        return w;
    }
    if (!cache.lastLong || !SameLongText(cache.lastLong->first, text)) {
        // Texts of more than 7 bytes: the first and last 8 and the length pick the slot.
        uint64_t head = 0, tail = 0;
        std::memcpy(&head, text.data(), 8);
        std::memcpy(&tail, text.data() + text.size() - 8, 8);
        const uint64_t mix = (head ^ (tail * 0x9E3779B97F4A7C15ull) ^ text.size()) * 0xC2B2AE3D27D4EB4Full;
        auto*& recent = cache.recentLong[size_t(mix >> 54)];
        if (recent && SameLongText(recent->first, text)) {
            cache.lastLong = recent;
        } else {
            auto it = cache.widths.find(text);
            if (it == cache.widths.end()) {
                const QFontMetrics fm(font, device);
                const int w = fm.horizontalAdvance(shown ? *shown : DisplayText(text));
                it = cache.widths.emplace(text, TTextLook{w, NotLaidOut}).first;
            }
            cache.lastLong = &*it;
            recent = cache.lastLong;
        }
    }
    TTextLook& look = cache.lastLong->second;
    if (layout)
        *layout = &look.layout;
    return look.width;
}

const QList<QGlyphRun>* TMapPainter::ShapedText(const std::string& text, int32_t* layout)
{
    // Shaping a text costs as much as writing its glyphs, and a redraw writes the
    // same node numbers and street names again. On the map's raster picture a
    // run laid out once lands on the very pixels drawText gives; printers and
    // metafiles keep their text as text. Decorations, spacing and scripts other
    // than Latin go the plain way.
    if (!layout || !ReuseLayouts || !painter_->paintEngine() || painter_->paintEngine()->type() != QPaintEngine::Raster)
        return nullptr;
    if (*layout >= 0)
        return &text_->layouts[size_t(*layout)];
    if (*layout == PlainText)
        return nullptr;
    *layout = PlainText;
    const QFont& font = painter_->font();
    if (font.underline() || font.overline() || font.strikeOut() || font.capitalization() != QFont::MixedCase ||
        font.letterSpacing() != 0 || font.wordSpacing() != 0 || font.kerning() == false)
        return nullptr;
    const QString shown = DisplayText(text);
    for (const QChar c : shown)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0) || c.unicode() >= 0x250)
            return nullptr;
    QTextLayout textLayout(shown, font, painter_->device());
    textLayout.beginLayout();
    QTextLine line = textLayout.createLine();
    textLayout.endLayout();
    if (!line.isValid() || textLayout.lineCount() != 1)
        return nullptr;
    QList<QGlyphRun> laid = textLayout.glyphRuns();
    const qreal ascent = line.ascent();
    for (QGlyphRun& run : laid) {
        if (run.overline() || run.underline() || run.strikeOut() || run.isRightToLeft())
            return nullptr;
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions)
            p.ry() -= ascent;
        run.setPositions(positions);
    }
    if (laid.isEmpty())
        return nullptr;
    TTextCache::TLevelRun level;
    level.font = laid.front().rawFont();
    level.oneFont = true;
    for (const QGlyphRun& run : laid) {
        if (run.rawFont() != level.font) {
            level.oneFont = false;
            break;
        }
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        const qsizetype n = std::min(glyphs.size(), positions.size());
        for (qsizetype k = 0; k < n; ++k) {
            level.glyphs.push_back(glyphs[k]);
            level.positions.push_back(positions[k]);
        }
    }
    *layout = int32_t(text_->layouts.size());
    text_->layouts.push_back(std::move(laid));
    text_->levelRuns.push_back(std::move(level));
    return &text_->layouts.back();
}

void TMapPainter::DrawLabelText(const std::string& text, const QPoint& baseline, int32_t* layout)
{
    if (const QList<QGlyphRun>* runs = ShapedText(text, layout)) {
        for (const QGlyphRun& run : *runs)
            painter_->drawGlyphRun(baseline, run);
        return;
    }
    painter_->drawText(baseline, DisplayText(text));
}

void TMapPainter::PlaceLabel(int32_t angle, const std::string& text, double x, double y, int32_t alignment,
                             int32_t offset, QRegion* region)
{
    QPoint anchor;
    if (!painter_ || !NearPixel(x, y, anchor))
        return;
    int32_t* layout = nullptr;
    const int w = TextWidth(text, nullptr, &layout);
    const int h = fontHeight_;
    double sa, ca;
    LabelSinCos(angle, sa, ca);
    const double depth = labelDepth_; // 5h/6, divided once per font
    const double x0 = anchor.x() + offset * sa, y0 = anchor.y() + offset * ca;
    const double x1 = x0 + w * ca, y1 = y0 - w * sa;
    // A box reaching beyond the far box is larger than anything a screen shows.
    // (Compared here rather than through QRectF::contains: every candidate label,
    // most of them left out, passes this test four times.)
    const double left = -FarPixels, right = world_.Width + FarPixels, top = -FarPixels,
                 bottom = world_.Height + FarPixels;
    const double cx[4] = {x0, x1, x1 + depth * sa, x0 + depth * sa}, cy[4] = {y0, y1, y1 + depth * ca, y0 + depth * ca};
    for (int k = 0; k < 4; ++k)
        if (cx[k] < left || cx[k] > right || cy[k] < top || cy[k] > bottom)
            return;
    // Every value rounded from here on is a number well inside the int range:
    // the nearest integer, halves to even, as Round gives it, without its guards.
    auto near = [](double v) {
        constexpr double Shift = 6755399441055744.0;
        return int32_t((v + Shift) - Shift);
    };
    const int32_t bx0 = near(x0), by0 = near(y0), bx1 = near(x1), by1 = near(y1);
    const int32_t bx2 = near(cx[2]), by2 = near(cy[2]), bx3 = near(cx[3]), by3 = near(cy[3]);
    const int32_t wx = bx1 - bx0, wy = by1 - by0; // along the text
    const int32_t vx = bx2 - bx1, vy = by2 - by1; // across it
    // Half of a whole number to the nearest, halves to even, in integers.
    auto half = [](int32_t n) {
        const int32_t h = n >> 1; // the floor
        return h + ((n & h) & 1);
    };
    // The column and the row of the alignment say how far the box moves back
    // along and across the text: none, half way or all the way.
    int32_t sx = 0, sy = 0;
    if (alignment >= 1 && alignment <= 8) {
        const int32_t column = alignment % 3, row = alignment / 3;
        if (column == 1) {
            sx -= half(wx);
            sy -= half(wy);
        } else if (column == 2) {
            sx -= wx;
            sy -= wy;
        }
        if (row == 1) {
            sx -= half(vx);
            sy -= half(vy);
        } else if (row == 2) {
            sx -= vx;
            sy -= vy;
        }
    }
    // Kept in scalars up to here: built from whole points, the corners reach the
    // store without a wide load of narrow stores.
    const QPoint polygon[5] = {
        QPoint(bx0 + sx, by0 + sy), QPoint(bx1 + sx, by1 + sy), QPoint(bx2 + sx, by2 + sy),
        QPoint(bx3 + sx, by3 + sy), QPoint(bx0 + sx, by0 + sy),
    }; // most candidates are left out: no list on the heap for them
    // The region of the box is made only when asked for: the store decides most
    // overlaps from the corners alone.
    if (region)
        *region = TLabelStore::BoxRegion(polygon);
    if (!AllowLabelOverlap) {
        // Labels are mostly tested where the picture is: the store keeps a
        // bitmap of the boxes over it (and a margin for labels at its edges).
        constexpr int Margin = 64;
        labels_.SetArea(QRect(-Margin, -Margin, world_.Width + 2 * Margin, world_.Height + 2 * Margin));
        if (!labels_.TryAdd(polygon))
            return;
    }
    const bool solid = BrushSolid();
    // Level text is quick to write (its glyphs stay cached), so it waits only
    // behind rotated labels, to keep its place after them.
    const uint64_t writes = labelWrites_;
    if (!solid && (angle != 0 || !pending_.labels.empty()) && DeferLabel()) {
        TBandLabel label;
        label.transform = painter_->worldTransform();
        QRect line(0, 0, w, h); // the text's line box
        if (angle == 0) {
            label.baseline = QPoint(polygon[0].x(), polygon[0].y() + fontAscent_);
            line.moveTo(polygon[0]);
        } else {
            label.transform.translate(polygon[0].x(), polygon[0].y());
            label.transform.rotate(-angle / 10.0);
            label.baseline = QPoint(0, fontAscent_);
        }
        // Glyphs may reach past the line box: bearings, slants, accents.
        const int margin = h / 2 + 2;
        label.reach = label.transform.mapRect(line.adjusted(-margin, -margin, margin, margin)).adjusted(-2, -2, 2, 2);
        pending_.labels.push_back(std::move(label));
        pending_.texts.push_back(text);
        pending_.angles.push_back(angle);
        Changed();
        return;
    }
    if (angle == 0 && !solid && labelPass_ > 0 && pending_.labels.empty()) {
        if (fontPen_.color() != FontColor || fontPen_.style() != Qt::SolidLine)
            fontPen_ = QPen(FontColor);
        if (painter_->pen() == fontPen_)
            if (ShapedText(text, layout) &&
                QueueLevelLabel(text_->levelRuns[size_t(*layout)], QPoint(polygon[0].x(), polygon[0].y() + fontAscent_))) {
                Changed();
                return;
            }
    }
    FlushLabels();
    if (labelWrites_ != writes) // writing them may have moved this text's entry in the cache
        TextWidth(text, nullptr, &layout);
    BeginText();
    // A pass of labels that already holds the text's pen keeps it: handing the
    // painter another pen and back costs more than a level label.
    if (fontPen_.color() != FontColor || fontPen_.style() != Qt::SolidLine)
        fontPen_ = QPen(FontColor);
    const bool penReady = painter_->pen() == fontPen_;
    std::optional<QPen> savedPen; // not even an empty pen made for the usual label
    if (!penReady)
        savedPen = painter_->pen();
    if (angle == 0) {
        // Level text lands on the same pixels placed directly at the box's
        // corner; changing the painter's transform twice a label would cost more
        // than drawing it.
        if (solid) // an opaque text background in the brush colour
            painter_->fillRect(QRect(polygon[0].x(), polygon[0].y(), w, h), painter_->brush().color());
        if (!penReady)
            painter_->setPen(fontPen_);
        DrawLabelText(text, QPoint(polygon[0].x(), polygon[0].y() + fontAscent_), layout);
    } else {
        const QTransform savedTransform = painter_->worldTransform();
        QTransform placed = savedTransform; // as translate and then rotate would make it
        placed.translate(polygon[0].x(), polygon[0].y());
        placed.rotate(-angle / 10.0);
        painter_->setWorldTransform(placed);
        if (solid) // an opaque text background in the brush colour
            painter_->fillRect(QRect(0, 0, w, h), painter_->brush().color());
        if (!penReady)
            painter_->setPen(fontPen_);
        DrawLabelText(text, QPoint(0, fontAscent_), layout);
        painter_->setWorldTransform(savedTransform);
    }
    if (savedPen)
        painter_->setPen(*savedPen);
    if (solid && BeginShape())
        painter_->drawPolyline(polygon, 5);
    Changed();
}

bool TMapPainter::QueueLevelLabel(const TTextCache::TLevelRun& run, const QPoint& baseline)
{
    // Only on a raster picture under no clip or opacity, whose state the pass
    // keeps (see DeferLabel); one font for the whole gathered run.
    if (!run.oneFont || !painter_->isActive() || !painter_->device() ||
        painter_->device()->devType() != QInternal::Image || painter_->hasClipping() || painter_->opacity() != 1.0)
        return false;
    TLevelLabels& level = level_;
    if (!level.glyphs.empty() &&
        (level.font != run.font || level.transform != painter_->worldTransform() || level.pen != painter_->pen() ||
         level.hints != painter_->renderHints()))
        WriteLevelLabels();
    if (level.glyphs.empty()) {
        level.font = run.font;
        level.transform = painter_->worldTransform();
        level.pen = painter_->pen();
        level.hints = painter_->renderHints();
    }
    // The painter adds the origin to each glyph's position; so does this.
    const QPointF origin(baseline);
    level.glyphs.append(run.glyphs);
    for (const QPointF& p : run.positions)
        level.positions.push_back(origin + p);
    return true;
}

void TMapPainter::WriteLevelLabels()
{
    TLevelLabels& level = level_;
    // On the picture's pixels the glyphs are written from those they left before.
    if (painter_ && painter_->isActive() && painter_->device() && painter_->device()->devType() == QInternal::Image &&
        !painter_->hasClipping() && painter_->opacity() == 1.0 &&
        glyphStamps_.Write(*static_cast<const QImage*>(painter_->device()), level.font, level.pen, level.hints,
                           level.transform, level.glyphs, level.positions)) {
        level.glyphs.clear();
        level.positions.clear();
        return;
    }
    if (painter_ && painter_->isActive()) { // else the painter ended since: nothing to write on
        QGlyphRun run;
        run.setRawFont(level.font);
        run.setGlyphIndexes(level.glyphs);
        run.setPositions(level.positions);
        const QTransform savedTransform = painter_->worldTransform();
        const QPen savedPen = painter_->pen();
        const QPainter::RenderHints savedHints = painter_->renderHints();
        const QPainter::CompositionMode savedMode = painter_->compositionMode();
        if (savedTransform != level.transform)
            painter_->setWorldTransform(level.transform);
        if (savedPen != level.pen)
            painter_->setPen(level.pen);
        if (savedHints != level.hints) {
            painter_->setRenderHints(savedHints, false);
            painter_->setRenderHints(level.hints, true);
        }
        if (savedMode != QPainter::CompositionMode_SourceOver)
            painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_->drawGlyphRun(QPointF(0, 0), run);
        if (savedMode != QPainter::CompositionMode_SourceOver)
            painter_->setCompositionMode(savedMode);
        if (savedHints != level.hints) {
            painter_->setRenderHints(level.hints, false);
            painter_->setRenderHints(savedHints, true);
        }
        if (savedPen != level.pen)
            painter_->setPen(savedPen);
        if (savedTransform != level.transform)
            painter_->setWorldTransform(savedTransform);
    }
    level.glyphs.clear();
    level.positions.clear();
}

void TMapPainter::BeginLabelPass()
{
    if (labelPass_++ == 0)
        ++labelPasses_;
}

void TMapPainter::EndLabelPass()
{
    if (labelPass_ > 0 && --labelPass_ == 0)
        FlushLabels();
}

bool TMapPainter::DeferLabel()
{
    if (labelPass_ == 0 || !painter_ || !painter_->isActive() || !painter_->paintEngine() ||
        painter_->paintEngine()->type() != QPaintEngine::Raster || !painter_->device() ||
        painter_->device()->devType() != QInternal::Image) {
        FlushLabels();
        return false;
    }
    const auto* image = static_cast<const QImage*>(painter_->device());
    const QImage::Format format = image->format();
    // Text written under a clip, with opacity or with an opaque background is
    // written in place; so is underlined or struck-out text, whose lines do not
    // come out the same under a clip (the bands have one each).
    const QFont& font = painter_->font();
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
         format != QImage::Format_ARGB32_Premultiplied) ||
        painter_->hasClipping() || painter_->opacity() != 1.0 || painter_->backgroundMode() != Qt::TransparentMode ||
        font.underline() || font.overline() || font.strikeOut()) {
        FlushLabels();
        return false;
    }
    // TextWidth made text_ the cache of the painter's font and device.
    if (fontPen_.color() != FontColor || fontPen_.style() != Qt::SolidLine)
        fontPen_ = QPen(FontColor);
    TBandStyle& style = pending_.style;
    if (!pending_.labels.empty() &&
        (pending_.cache != text_ || style.pen != fontPen_ || style.hints != painter_->renderHints() ||
         style.direction != painter_->layoutDirection()))
        WritePendingLabels();
    if (pending_.labels.empty()) {
        pending_.cache = text_;
        style.font = painter_->font();
        style.pen = fontPen_;
        style.hints = painter_->renderHints();
        style.direction = painter_->layoutDirection();
    }
    return true;
}

void TMapPainter::WritePendingLabels()
{
    if (!level_.glyphs.empty())
        WriteLevelLabels();
    ++labelWrites_;
    TPendingLabels pending;
    std::swap(pending, pending_);
    pending_.style = pending.style;
    // A painter ended since has nothing to write on (the pass was left open).
    if (!painter_ || !painter_->isActive() || !painter_->device() || painter_->device()->devType() != QInternal::Image)
        return;
    const auto* image = static_cast<const QImage*>(painter_->device());
    // The threads pay off when glyphs must be rasterised afresh, that is for
    // labels at an angle none of the last few labels had (the glyph caches keep
    // a few angles). Labels at a handful of angles are written here, faster.
    constexpr size_t CachedAngles = 8;
    int32_t recent[CachedAngles];
    size_t used = 0;
    int fresh = 0;
    for (const int32_t angle : pending.angles) {
        size_t k = 0;
        while (k < used && recent[k] != angle)
            ++k;
        if (k == used) {
            ++fresh;
            if (used < CachedAngles)
                ++used;
            k = used - 1;
        }
        std::move_backward(recent, recent + k, recent + k + 1);
        recent[0] = angle;
    }
    const int bands = LabelBands::BandCount(image->height(), fresh);
    if (TLabelStamps::Takes(*image, pending.style)) {
        for (size_t k = 0; k < pending.labels.size(); ++k)
            pending.labels[k].text = DisplayText(pending.texts[k]);
        // On one thread, the labels written as text go through this painter,
        // whose laid-out texts serve again.
        std::optional<TInPlace> inPlace;
        stamps_.Write(*image, pending.style, pending.labels, bands, [&](size_t k) {
            if (!inPlace)
                inPlace = BeginLabelsInPlace();
            WriteLabelInPlace(pending.labels[k], pending.texts[k]);
        });
        if (inPlace)
            EndLabelsInPlace(*inPlace);
        return;
    }
    if (bands <= 1) {
        WriteLabelsInPlace(pending.labels, pending.texts);
        return;
    }
    for (size_t k = 0; k < pending.labels.size(); ++k)
        pending.labels[k].text = DisplayText(pending.texts[k]);
    LabelBands::Write(*image, pending.style, pending.labels, bands);
}

TMapPainter::TInPlace TMapPainter::BeginLabelsInPlace()
{
    const TBandStyle& style = pending_.style;
    TInPlace saved{painter_->font(), painter_->pen(), painter_->worldTransform(), false};
    saved.otherFont = !saved.font.isCopyOf(style.font) && saved.font != style.font;
    if (saved.otherFont)
        painter_->setFont(style.font);
    painter_->setPen(style.pen);
    BeginText();
    return saved;
}

void TMapPainter::WriteLabelInPlace(const TBandLabel& label, const std::string& text)
{
    int32_t* layout = nullptr;
    TextWidth(text, nullptr, &layout);
    painter_->setWorldTransform(label.transform);
    DrawLabelText(text, label.baseline, layout);
}

void TMapPainter::EndLabelsInPlace(const TInPlace& saved)
{
    painter_->setWorldTransform(saved.transform);
    painter_->setPen(saved.pen);
    if (saved.otherFont) {
        painter_->setFont(saved.font);
        UseTextCache();
    }
}

void TMapPainter::WriteLabelsInPlace(const std::vector<TBandLabel>& labels, const std::vector<std::string>& texts)
{
    const TInPlace saved = BeginLabelsInPlace();
    for (size_t k = 0; k < labels.size(); ++k)
        WriteLabelInPlace(labels[k], texts[k]);
    EndLabelsInPlace(saved);
}

// ---------------------------------------------------------------------------
// Hit-test regions

bool TMapPainter::NearRegion(const QPointF& p) const
{
    return p.x() >= -RegionPixels && p.x() <= world_.Width + RegionPixels && p.y() >= -RegionPixels &&
           p.y() <= world_.Height + RegionPixels;
}

QRegion TMapPainter::CircleRegion(const TPoint& p, int32_t r) const
{
    // Beyond the region's reach the mouse never clicks.
    const QPointF f = PixelF(p.x, p.y);
    if (r < 0 || r > RegionPixels || !NearRegion(f))
        return QRegion();
    const QPoint c = PointRecToPoint(p);
    return QRegion(QRect(c.x() - r, c.y() - r, 2 * r, 2 * r), QRegion::Ellipse);
}

QRegion TMapPainter::AddPolygonRegion(std::span<const TPoint> points, int32_t n, int32_t fillMode) const
{
    const Qt::FillRule rule = fillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill;
    std::vector<QPointF> pts;
    ToPixelsF(points, n, pts);
    if (pts.size() < 3)
        return QRegion();
    if (!std::all_of(pts.begin(), pts.end(), [&](const QPointF& q) { return NearRegion(q); }))
        return FarRegion(pts, rule);
    QPolygon polygon;
    ToPixels(points, n, polygon);
    return QRegion(polygon, rule);
}

QRegion TMapPainter::PolygonRegion(const TPoint& p1, const TPoint& p2, int32_t w, int32_t e) const
{
    const QPointF pf = PixelF(p1.x, p1.y), qf = PixelF(p2.x, p2.y);
    if (!NearRegion(pf) || !NearRegion(qf) || std::abs(double(w)) > RegionPixels ||
        std::abs(double(e)) > RegionPixels) {
        const double len = std::hypot(qf.x() - pf.x(), qf.y() - pf.y());
        if (!(len >= 0.5))
            return QRegion();
        const QPointF u((qf.x() - pf.x()) / len, (qf.y() - pf.y()) / len), side(-u.y() * w, u.x() * w);
        const QPointF a = pf - u * e, b = qf + u * e;
        std::vector<QPointF> pts{a + side, b + side, b - side, a - side};
        return FarRegion(pts, Qt::OddEvenFill);
    }
    const QPoint a = PointRecToPoint(p1);
    const QPoint b = PointRecToPoint(p2);
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len = std::hypot(dx, dy);
    if (len == 0)
        return QRegion();
    const double f = (e + len) / len;
    // The segment extended by e pixels beyond each end.
    const double ax = b.x() + f * (a.x() - b.x()), ay = b.y() + f * (a.y() - b.y());
    const double bx = a.x() + f * (b.x() - a.x()), by = a.y() + f * (b.y() - a.y());
    const double px = -dy * w / len, py = dx * w / len;
    QPolygon polygon(5);
    polygon[0] = QPoint(Round(ax + px), Round(ay + py));
    polygon[1] = QPoint(Round(bx + px), Round(by + py));
    polygon[2] = QPoint(Round(bx - px), Round(by - py));
    polygon[3] = QPoint(Round(ax - px), Round(ay - py));
    polygon[4] = polygon[0];
    return QRegion(polygon, Qt::OddEvenFill);
}
