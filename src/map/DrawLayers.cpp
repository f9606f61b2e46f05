// The network layers of the map.
#include "map/DrawLayers.h"

#include "map/DrawState.h"
#include "map/NetworkShapes.h"
#include "map/ViewTiles.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <deque>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

using ZelUtils::Round;

namespace DrawLayers {

namespace {

QColor Colour(uint32_t c) { return DisplayStyles::ToQColor(c); }

// Holds the labels' text pen on the painter for a pass of labels, so that no
// label hands the painter its pen and back; the pass's own pen returns at the end.
class TLabelPen {
public:
    TLabelPen(QPainter& p, const QColor& color) : p_(p), saved_(p.pen()) { p_.setPen(QPen(color)); }
    ~TLabelPen() { p_.setPen(saved_); }
    TLabelPen(const TLabelPen&) = delete;
    TLabelPen& operator=(const TLabelPen&) = delete;

private:
    QPainter& p_;
    QPen saved_;
};

using NetworkShapes::ClassOf;
using NetworkShapes::Dist;
using NetworkShapes::ForEachNode;
using NetworkShapes::LayerPen;
using NetworkShapes::Lerp;
using NetworkShapes::LinkHidden;
using NetworkShapes::NodeHidden;
using NetworkShapes::NodePoint;
using NetworkShapes::PairOf;
using NetworkShapes::PointCountOf;
using NetworkShapes::ValidNode;

void UsePen(QPainter& p, uint32_t color, int32_t width, uint8_t style = psSolid)
{
    const QPen pen = LayerPen(color, width, style);
    if (p.pen() != pen)
        p.setPen(pen);
}

void UseBrush(QPainter& p, uint32_t color, Qt::BrushStyle style = Qt::SolidPattern)
{
    const QBrush brush(Colour(color), style);
    if (p.brush() != brush)
        p.setBrush(brush);
}

void ClearBrush(QPainter& p)
{
    if (p.brush().style() != Qt::NoBrush)
        p.setBrush(Qt::NoBrush);
}

// The view state a drawing reads its sizes and styles from.
const TViewState& ViewOf(const TNetworkOptions& o) { return o.View ? *o.View : UserView(); }

void UseFont(const TViewState& u, TMapPainter& img, QPainter& p, int index)
{
    const TLabelFont& f = u.LabelFonts[static_cast<size_t>(index)];
    p.setFont(DisplayStyles::ToQFont(f));
    img.FontColor = Colour(f.Color);
}

// The painter's window widened by a margin in pixels, in world units.
struct TView : NetworkShapes::TViewBox {
    TView(const TMapPainter& img, double marginPixels)
        : TViewBox(img.World().MinX, img.World().MinY, img.World().Width, img.World().Height,
                   img.World().UnitsPerPixel, marginPixels)
    {
    }
};

// Room a label may take beside its anchor: labels anchored farther out cannot show.
double LabelMargin(const QPainter& p)
{
    const QFontMetrics fm(p.font(), p.device());
    return 32.0 * std::max(fm.maxWidth(), fm.height()) + 8.0;
}

using ViewTiles::ForEachLink;
using ViewTiles::ForEachTile;

// The pixels of points within a view box that lies well inside the painter's
// far box (as the layers' views do: a margin of a few pixels): rounded as
// WorldToPoint rounds them, with no test for clipping or saturation.
class TNearPixels {
public:
    TNearPixels(const TMapPainter& img, const NetworkShapes::TViewBox& view)
        : minX_(img.World().MinX), minY_(img.World().MinY), ppu_(img.World().PixelsPerUnit),
          height_(img.World().Height)
    {
        // Usable only while the box in pixels lies within the far box.
        const double limit = TMapPainter::FarPixels;
        usable_ = std::abs((view.minX - minX_) * ppu_) < limit && std::abs((view.maxX - minX_) * ppu_) < limit &&
                  std::abs((view.minY - minY_) * ppu_) < limit && std::abs((view.maxY - minY_) * ppu_) < limit &&
                  height_ < limit;
        box_ = view;
    }
    bool Contains(double x, double y) const { return usable_ && box_.Contains(x, y); }
    QPoint Pixel(const TPoint& p) const
    {
        constexpr double Shift = 6755399441055744.0; // rounds halves to even, as ZelUtils::Round
        return QPoint(int32_t(((p.x - minX_) * ppu_ + Shift) - Shift),
                      height_ - int32_t(((p.y - minY_) * ppu_ + Shift) - Shift));
    }

private:
    double minX_, minY_, ppu_;
    int32_t height_;
    bool usable_ = false;
    NetworkShapes::TViewBox box_{0, 0, 0, 0, 1, 0};
};

// The carriageways as the map draws them.
class TMapLaneFigures : public NetworkShapes::TLaneFigures {
public:
    TMapLaneFigures(TMapPainter& img, QPainter& p) : img_(img), p_(p) {}
    void Pen(uint32_t color, int32_t width, uint8_t style) override { UsePen(p_, color, width, style); }
    void Brush(uint32_t color, Qt::BrushStyle style) override { UseBrush(p_, color, style); }
    void Polygon(std::span<const TPoint> points, int32_t last) override { img_.PolygonPtArray(points, last); }
    void Line(const TPoint& a, const TPoint& b) override { img_.LinePts(a, b); }
    void TurnMarking(const TPoint& from, const TPoint& to, const TTurnFlags& turns, double scale) override
    {
        img_.DrawSymbolW(from, to, turns, scale);
    }
    void LaneHead(int32_t kind, const TPoint& at5, const TPoint& at35) override
    {
        if (kind == 1)
            img_.ArrowA(at5, at35);
        else
            img_.ArrowB(at5, at35);
    }

private:
    TMapPainter& img_;
    QPainter& p_;
};

// Pixel devices (the map's picture) as opposed to printers and vector files.
bool PixelDevice(const QPainter& p)
{
    return p.device() && (p.device()->devType() == QInternal::Image || p.device()->devType() == QInternal::Pixmap);
}

// The pixels that WideCircle sets about its centre for one look (radius, outline,
// fill): drawn once into a small transparent image the same way, kept as offsets
// and colours. Shapes drawn without antialiasing at whole-pixel positions are the
// same pattern wherever they lie, so on the map's picture a network of node
// circles is written pixel by pixel instead of stroked and filled node by node.
struct TCirclePattern {
    int32_t radius = 0;
    uint32_t outline = 0;
    uint32_t fill = 0;
    bool filled = false;
    bool usable = false; // every pixel fully set or left alone
    std::vector<QPoint> offsets;
    std::vector<QRgb> colours;
    // The same pixels as runs along rows (offsets come row by row, left to
    // right), and the box they lie in: a pattern wholly on the picture is
    // written a run at a time.
    struct TRun {
        int32_t dy, dx, count;
        size_t first; // in colours
    };
    std::vector<TRun> runs;
    QRect box;
    void MakeRuns()
    {
        runs.clear();
        box = QRect();
        for (size_t k = 0; k < offsets.size(); ++k) {
            const QPoint& o = offsets[k];
            box |= QRect(o, QSize(1, 1));
            if (!runs.empty() && runs.back().dy == o.y() && runs.back().dx + runs.back().count == o.x())
                ++runs.back().count;
            else
                runs.push_back({o.y(), o.x(), 1, k});
        }
    }
};

// The looks met so far. A deque: adding one leaves the others where they are, so
// a pass may hold on to the looks it uses while it meets new ones; only emptying
// it (counted in PatternGeneration) lets them go.
std::deque<TCirclePattern> PatternCache;
uint64_t PatternGeneration = 0;

const TCirclePattern* CirclePattern(int32_t radius, uint32_t outline, const uint32_t* fill)
{
    std::deque<TCirclePattern>& cache = PatternCache;
    for (const TCirclePattern& c : cache)
        if (c.radius == radius && c.outline == outline && c.filled == (fill != nullptr) && (!fill || c.fill == *fill))
            return &c;
    if (radius > 64)
        return nullptr;
    if (cache.size() >= 64) {
        cache.clear();
        ++PatternGeneration;
    }
    TCirclePattern c;
    c.radius = radius;
    c.outline = outline;
    c.filled = fill != nullptr;
    c.fill = fill ? *fill : 0;
    const int32_t R = radius + 3;
    QImage stamp(2 * R + 1, 2 * R + 1, QImage::Format_ARGB32_Premultiplied);
    stamp.fill(Qt::transparent);
    {
        QPainter sp(&stamp);
        sp.setRenderHint(QPainter::Antialiasing, false);
        sp.setPen(LayerPen(outline, 1));
        if (fill)
            sp.setBrush(QBrush(Colour(*fill), Qt::SolidPattern));
        else
            sp.setBrush(Qt::NoBrush);
        sp.drawEllipse(QRect(R - radius, R - radius, 2 * radius, 2 * radius));
        sp.setBrush(Qt::NoBrush);
        sp.drawEllipse(QRect(R - (radius - 1), R - (radius - 1), 2 * (radius - 1), 2 * (radius - 1)));
    }
    c.usable = true;
    for (int y = 0; y < stamp.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
        for (int x = 0; x < stamp.width(); ++x) {
            const int a = qAlpha(row[x]);
            if (a == 0)
                continue;
            if (a != 255)
                c.usable = false;
            c.offsets.emplace_back(x - R, y - R);
            c.colours.push_back(row[x]);
        }
    }
    c.MakeRuns();
    cache.push_back(std::move(c));
    return &cache.back();
}

// The pixels a centroid's triangle of `radius` pixels sets about its centre with
// the painter's present thin pen and brush, found as for the node circles. Null
// when a pattern cannot stand in for drawing it.
std::unique_ptr<TCirclePattern> CentroidPattern(const QPainter& p, int32_t radius)
{
    if (radius < 1 || radius > 64 || p.pen().width() > 1 || p.pen().style() != Qt::SolidLine)
        return nullptr;
    auto c = std::make_unique<TCirclePattern>();
    c->radius = radius;
    const int32_t R = radius + 3;
    QImage stamp(2 * R + 1, 2 * R + 1, QImage::Format_ARGB32_Premultiplied);
    stamp.fill(Qt::transparent);
    {
        QPainter sp(&stamp);
        sp.setRenderHint(QPainter::Antialiasing, false);
        sp.setPen(p.pen());
        sp.setBrush(p.brush());
        QPolygon corners;
        TMapPainter::ArrayCorners(3, 90, QPoint(R, R), radius, corners);
        if (p.brush().style() == Qt::SolidPattern)
            sp.drawPolygon(corners);
        else
            sp.drawPolyline(corners);
    }
    c->usable = true;
    for (int y = 0; y < stamp.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
        for (int x = 0; x < stamp.width(); ++x) {
            const int a = qAlpha(row[x]);
            if (a == 0)
                continue;
            if (a != 255)
                c->usable = false;
            c->offsets.emplace_back(x - R, y - R);
            c->colours.push_back(row[x]);
        }
    }
    c->MakeRuns();
    return c;
}

// The picture's pixels as a pass writes them: taken once, not at every shape.
struct TPixels {
    uchar* bits;
    qsizetype bpl;
    int w, h;
    explicit TPixels(QImage& image)
        : bits(image.bits()), bpl(image.bytesPerLine()), w(image.width()), h(image.height())
    {
    }
};

// One look of a pass held with its pattern: a pass meets mostly the same looks
// in a row, and finds their patterns again without searching the cache.
struct TPatternMemo {
    int32_t radius = -1;
    uint32_t outline = 0;
    bool filled = false;
    uint32_t fill = 0;
    uint64_t generation = 0;
    const TCirclePattern* pattern = nullptr;
    const TCirclePattern* Get(int32_t r, uint32_t o, const uint32_t* f)
    {
        if (r != radius || o != outline || filled != (f != nullptr) || (f && *f != fill) ||
            generation != PatternGeneration) {
            pattern = CirclePattern(r, o, f);
            radius = r;
            outline = o;
            filled = f != nullptr;
            fill = f ? *f : 0;
            generation = PatternGeneration;
        }
        return pattern;
    }
};

// Writes the pattern centred on pixel `centre`; false when it cannot be used.
bool WritePattern(const TPixels& px, const QPoint& centre, const TCirclePattern* c)
{
    if (!c || !c->usable)
        return false;
    const int w = px.w, h = px.h;
    const qsizetype bpl = px.bpl;
    uchar* bits = px.bits;
    if (c->box.isValid() && centre.x() + c->box.left() >= 0 && centre.y() + c->box.top() >= 0 &&
        centre.x() + c->box.right() < w && centre.y() + c->box.bottom() < h) {
        const QRgb* colours = c->colours.data();
        for (const TCirclePattern::TRun& run : c->runs) {
            QRgb* to = reinterpret_cast<QRgb*>(bits + (centre.y() + run.dy) * bpl) + centre.x() + run.dx;
            const QRgb* from = colours + run.first;
            const int32_t n = run.count;
            if (n >= 4) {
                // Four pixels a store, the last four overlapping the ones
                // before: a node's rows are a few pixels each, and a store per
                // pixel would be most of the layer.
                int32_t k = 0;
                for (; k + 4 < n; k += 4)
                    std::memcpy(to + k, from + k, 4 * sizeof(QRgb));
                std::memcpy(to + n - 4, from + n - 4, 4 * sizeof(QRgb));
            } else {
                for (int32_t k = 0; k < n; ++k)
                    to[k] = from[k];
            }
        }
        return true;
    }
    for (size_t k = 0; k < c->offsets.size(); ++k) {
        const int x = centre.x() + c->offsets[k].x(), y = centre.y() + c->offsets[k].y();
        if (x >= 0 && y >= 0 && x < w && y < h)
            reinterpret_cast<QRgb*>(bits + y * bpl)[x] = c->colours[k];
    }
    return true;
}

// A circle of `radius` pixels with an outline 2 pixels wide, filled with `fill` or
// left open. On a pixel device the outline is laid as two 1-pixel circles, which
// the rasteriser draws directly instead of stroking a wide pen along the curve (a
// whole network of node circles would otherwise take most of a redraw).
void WideCircle(TMapPainter& img, QPainter& p, bool raster, double x, double y, int32_t radius, uint32_t outline,
                const uint32_t* fill)
{
    if (fill)
        UseBrush(p, *fill);
    else
        ClearBrush(p);
    if (!raster || radius < 2) {
        UsePen(p, outline, 2);
        img.Circle(x, y, -double(radius));
        return;
    }
    UsePen(p, outline, 1);
    img.Circle(x, y, -double(radius));
    ClearBrush(p);
    img.Circle(x, y, -double(radius - 1));
}

} // namespace

void ClearHitRegions(TMapPainter& img)
{
    img.LastDrawing.ClearNodeHits();
    img.LastDrawing.ClearZoneHits();
}

// ---------------------------------------------------------------------------
// Links

void DrawNetWork(TMapPainter& img, const TNetworkOptions& o)
{
    const TViewState& u = ViewOf(o);
    int32_t selected = 0;
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].Mark > 0)
            ++selected;
    img.LastDrawing.SelectedNodeCount = selected;
    Services().SetMenuItemEnabled("jtSel", selected >= 1);

    img.PenMode = TPenMode::Copy;
    QPainter* p = img.Canvas();
    const int32_t baseWidth = u.Items[0].Width;
    if (p && baseWidth >= 1 && o.ArcosColor != clWhite) {
        const int32_t widest = std::max(baseWidth, *std::max_element(u.ClassWidths.begin(), u.ClassWidths.end()));
        const TView view(img, widest + 2);
        // On the map's picture, straight links of a thin solid pen go to the
        // rasteriser in runs that share a pen, in the order they come.
        const bool raster = PixelDevice(*p);
        const TNearPixels near(img, view);
        std::vector<QLine> run;
        run.reserve(size_t(std::max(Network.LinkCount, 0)));
        QPen pen;
        bool havePen = false;
        uint32_t penColor = 0;
        int32_t penWidth = 0;
        uint8_t penStyle = psSolid;
        bool penThin = false, penSet = false; // penSet: the painter holds pen
        ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
            if (!a.Active || !ValidNode(a.AIndex) || !ValidNode(a.BIndex))
                return;
            const auto pts = NetworkShapes::PointsOf(a);
            if (pts.size() < 2)
                return;
            // Both ends of a straight link within the view's margin: it meets
            // the view, and its ends lie far inside the range where
            // SegmentPixels clips or saturates, so they are rounded straight away.
            const bool nearEnds =
                pts.size() == 2 && near.Contains(pts[0].x, pts[0].y) && near.Contains(pts[1].x, pts[1].y);
            if (!nearEnds && !view.MeetsPoints(pts))
                return;
            uint32_t color = o.ArcosColor;
            int32_t width = baseWidth;
            uint8_t style = psSolid;
            if (const int32_t c = ClassOf(a.Mark)) {
                width = u.ClassWidths[c];
                color = u.ClassColors[c];
            }
            NetworkShapes::ApplyLinkMarks(a, PairOf(a), o, color, style);
            if (color == clWhite)
                return;
            // Neighbouring links mostly share a pen: build it, compare it with the
            // painter's and hand it over only when it changes.
            if (!havePen || color != penColor || width != penWidth || style != penStyle) {
                pen = LayerPen(color, width, style);
                penColor = color;
                penWidth = width;
                penStyle = style;
                havePen = true;
                penThin = pen.style() == Qt::SolidLine && pen.width() <= 1;
                penSet = p->pen() == pen;
            }
            const bool batched = raster && pts.size() == 2 && penThin;
            if (!run.empty() && (!batched || !penSet)) {
                img.LinesPixels(run);
                run.clear();
            }
            if (!penSet) {
                p->setPen(pen);
                penSet = true;
            }
            if (!batched) {
                img.PolylinePtArray(pts, int32_t(pts.size()) - 1, 0);
                return;
            }
            QLine line;
            if (nearEnds)
                run.emplace_back(near.Pixel(pts[0]), near.Pixel(pts[1]));
            else if (img.SegmentPixels(pts[0], pts[1], line))
                run.push_back(line);
        });
        img.LinesPixels(run);
    }
    Services().SetMenuItemEnabled("aVistaAnterior", UserView().ZoomIndex > 1);
}

void DrawNetWorkLanes(TMapPainter& img, const TNetworkOptions& o)
{
    QPainter* p = img.Canvas();
    if (!p)
        return;
    img.PenMode = TPenMode::Copy;
    TMapLaneFigures figures(img, *p);
    NetworkShapes::TraceNetWorkLanes(TView(img, 4), o, figures);
    img.PenMode = TPenMode::Copy;
}

void DrawArrows(TMapPainter& img, const TNetworkOptions& o)
{
    const TViewState& u = ViewOf(o);
    QPainter* p = img.Canvas();
    if (!p)
        return;
    img.PenMode = TPenMode::Copy;
    UseBrush(*p, u.SymbolColors[2]);
    const TView view(img, 4.0 * std::abs(u.ArrowSize) + 4);
    const int32_t zeroRow = img.WorldToPixelY(0.0);
    // Most links are too short for an arrow: of those, only the length is read.
    ForEachLink<false, true>([&](int32_t, const TArcos& a) {
        // The length first: it lies in the record at hand, the pair's flags
        // that ArrowShown reads lie in another.
        if (std::abs(int64_t(zeroRow) - img.WorldToPixelY(a.StraightLength)) <= MinArrowLinkPixels)
            return;
        if (!NetworkShapes::ArrowShown(a, o))
            return;
        const TPoint b = NodePoint(a.BIndex);
        if (!view.Contains(b.x, b.y))
            return;
        UsePen(*p, NetworkShapes::ArrowColor(a, o), 1);
        if (o.SimpleArrow)
            img.PolylinePts(2.0 * u.ArrowSize, a.BearingB, b.x, b.y);
        else
            img.PolygonPts(2.0 * u.ArrowSize, a.BearingB, b.x, b.y);
    });
}

// ---------------------------------------------------------------------------
// Nodes and centroids

void DrawNodes(TMapPainter& img, const TNetworkOptions& o)
{
    const TViewState& u = ViewOf(o);
    QPainter* p = img.Canvas();
    if (!p)
        return;
    if (o.KeepHitRegions)
        img.LastDrawing.ClearNodeHits();
    img.PenMode = TPenMode::Copy;
    const int32_t ring = u.NodeSize + 2;
    const double margin = std::max({std::abs(u.NodeSize) + 4, ring + 4, 3 * std::abs(u.SignalSize) + 4});
    const TView view(img, margin);
    const uint32_t fill = u.SymbolColors[1];
    const bool raster = PixelDevice(*p);
    QImage* direct = img.DirectPixels();
    std::optional<TPixels> pixels;
    if (direct && raster)
        pixels.emplace(*direct);
    TPatternMemo nodeLook, ringLook;
    // The pen of the last circle written directly, set when the pass ends as
    // drawing it would have left it (-1: none).
    int64_t lastDirectOutline = -1;
    // `at`: the node's pixel, worked out once for its circles and hit region.
    auto circle = [&](TPatternMemo& look, double x, double y, const QPoint& at, int32_t radius, uint32_t outline,
                      const uint32_t* circleFill) {
        if (pixels && radius >= 2 && WritePattern(*pixels, at, look.Get(radius, outline, circleFill))) {
            lastDirectOutline = outline;
            return;
        }
        WideCircle(img, *p, raster, x, y, radius, outline, circleFill);
        lastDirectOutline = -1;
    };
    // What a node's drawing reads, gathered first in drawing order with its
    // pixel: the walk over the scattered node records runs alone, and the
    // writing that follows reads one compact array.
    struct TShownNode {
        int32_t index;
        QPoint at;
        float x, y;
        uint32_t outline;
        int32_t cls;
        bool signal;
    };
    std::vector<TShownNode> shown;
    shown.reserve(size_t(std::max(Network.NodeCount, 0)));
    NetworkShapes::ForEachShownNode(view, o, [&](int32_t index, const TNodo& n) {
        shown.push_back({index, img.WorldToPoint(n.X, n.Y), n.X, n.Y, NetworkShapes::NodeOutline(n, o), ClassOf(n.Mark),
                         NetworkShapes::SignalShown(n, o)});
    });
    for (const TShownNode& n : shown) {
        circle(nodeLook, n.x, n.y, n.at, u.NodeSize, n.outline, &fill);
        if (o.KeepHitRegions)
            img.LastDrawing.NodeHitRegions[static_cast<size_t>(n.index)] =
                THitCircle{n.at.x(), n.at.y(), std::max(0, ring)};
        if (n.cls)
            circle(ringLook, n.x, n.y, n.at, ring, u.ClassColors[n.cls], nullptr);
        if (n.signal)
            img.DrawCursorMark(-3.0 * u.SignalSize, n.x, n.y);
    }
    if (lastDirectOutline >= 0) {
        UsePen(*p, uint32_t(lastDirectOutline), 1);
        ClearBrush(*p);
    }
    if (direct)
        img.PixelsWritten();
    QPen pen = p->pen();
    pen.setWidth(1);
    p->setPen(pen);
}

void DrawCents(TMapPainter& img, const TNetworkOptions& o)
{
    const TViewState& u = ViewOf(o);
    QPainter* p = img.Canvas();
    if (!p)
        return;
    if (o.KeepHitRegions)
        img.LastDrawing.ClearZoneHits();
    img.PenMode = TPenMode::Copy;
    UsePen(*p, o.AccesoColor, 1);
    UseBrush(*p, u.SymbolColors[0]);

    const std::vector<int32_t> zones = NetworkShapes::ShownZones(o);

    // Connectors.
    const TView lineView(img, 2);
    // On the map's picture the connectors, all of one thin pen, go to the
    // rasteriser in one call.
    const bool batched = PixelDevice(*p) && p->pen().style() == Qt::SolidLine && p->pen().width() <= 1;
    std::vector<QLine> connectors;
    TPoint lastEnd;
    auto connect = [&](const TZona& z, const TPoint& to) {
        if (!lineView.Meets(std::min<double>(z.CentroidX, to.x), std::min<double>(z.CentroidY, to.y),
                            std::max<double>(z.CentroidX, to.x), std::max<double>(z.CentroidY, to.y)))
            return;
        if (!batched) {
            img.LineW(z.CentroidX, z.CentroidY, to.x, to.y);
            return;
        }
        QLine line;
        if (img.SegmentPixels({z.CentroidX, z.CentroidY}, to, line))
            connectors.push_back(line);
        lastEnd = to;
    };
    std::vector<TPoint> ends;
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        NetworkShapes::ConnectorEnds(z, ends);
        for (const TPoint& to : ends)
            connect(z, to);
    }

    if (!connectors.empty()) {
        img.LinesPixels(connectors);
        img.MoveToW(lastEnd.x, lastEnd.y); // where drawing them one by one leaves the pen
    }

    // Centroids.
    const TView symbolView(img, std::abs(u.CentroidSize) + 4);
    bool havePen = false;
    uint32_t penColor = 0;
    int32_t penWidth = 0;
    // On the map's picture the triangles of one look are written pixel by pixel.
    QImage* direct = img.DirectPixels();
    std::optional<TPixels> pixels;
    if (direct)
        pixels.emplace(*direct);
    std::unique_ptr<TCirclePattern> pattern;
    bool written = false;
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        if (!symbolView.Contains(z.CentroidX, z.CentroidY))
            continue;
        const int32_t cls = ClassOf(z.Class);
        const uint32_t color = cls ? u.ClassColors[cls] : o.AccesoColor;
        const int32_t width = cls ? 2 : 1;
        // Most centroids share one pen: build and compare it only when it changes.
        if (!havePen || color != penColor || width != penWidth) {
            UsePen(*p, color, width);
            penColor = color;
            penWidth = width;
            havePen = true;
            pattern = direct ? CentroidPattern(*p, u.CentroidSize) : nullptr;
        }
        // Near the picture's edges the rasteriser clips the outline its own
        // way, so only whole triangles are written.
        const QPoint centre = img.WorldToPoint(z.CentroidX, z.CentroidY);
        const int32_t reach = u.CentroidSize + 3;
        if (direct && centre.x() >= reach && centre.y() >= reach && centre.x() < direct->width() - reach &&
            centre.y() < direct->height() - reach && WritePattern(*pixels, centre, pattern.get()))
            written = true;
        else
            img.PolylineArrays(3, 90, z.CentroidX, z.CentroidY, u.CentroidSize);
        if (o.KeepHitRegions)
            img.LastDrawing.ZoneHitRegions[static_cast<size_t>(index)] =
                THitCircle{centre.x(), centre.y(), std::max(0, u.CentroidSize + 2)};
    }

    if (written)
        img.PixelsWritten();

    // Zone numbers.
    ClearBrush(*p);
    UseFont(u, img, *p, 1);
    const TView labelView(img, LabelMargin(*p));
    {
        const TLabelPen textPen(*p, img.FontColor);
        const TMapPainter::TLabelPass pass(img);
        for (int32_t index : zones) {
            const TZona& z = Zonas[index];
            if (labelView.Contains(z.CentroidX, z.CentroidY))
                img.LabelAt(0, std::to_string(z.Number), z.CentroidX, z.CentroidY, 4, 0);
        }
    }
    UsePen(*p, o.AccesoColor, 1);
}

// ---------------------------------------------------------------------------
// Labels

void DrawNameNodes(TMapPainter& img, const TNetworkOptions& o)
{
    const TViewState& u = ViewOf(o);
    QPainter* p = img.Canvas();
    if (!p)
        return;
    ClearBrush(*p);
    img.PenMode = TPenMode::Nop;
    UseFont(u, img, *p, 2);
    const int32_t position = o.ShowLanes ? 4 : std::clamp(u.NodeLabelPos, 0, 8);
    const TView view(img, LabelMargin(*p));
    const TLabelPen textPen(*p, img.FontColor);
    const TMapPainter::TLabelPass pass(img);
    ForEachNode([&](int32_t, const TNodo& n) {
        if (!NodeHidden(n, o) && view.Contains(n.X, n.Y))
            img.LabelAt(0, std::to_string(n.Number), n.X, n.Y, position, 0);
    });
    img.PenMode = TPenMode::Copy;
}

void DrawCalles(TMapPainter& img, const TNetworkOptions& o)
{
    const TViewState& u = ViewOf(o);
    QPainter* p = img.Canvas();
    if (!p)
        return;
    ClearBrush(*p);
    UseFont(u, img, *p, 5);
    img.PenMode = TPenMode::Nop;
    const int32_t position = std::clamp(u.StreetLabelPos, 0, 8);
    const double offset = u.StreetLabelOffset;
    const TView view(img, LabelMargin(*p));
    const TLabelPen textPen(*p, img.FontColor);
    const TMapPainter::TLabelPass pass(img);
    NetworkShapes::ForEachStreetLabel(view, o, offset, [&](const TPoint& place, int32_t angle, const std::string& name) {
        img.LabelAt(angle, name, place.x, place.y, position, 0);
    });
    img.PenMode = TPenMode::Copy;
}

void DrawTitulos(TMapPainter& img, const QStringList& lines, const QFont& font, const QColor& color, int32_t position)
{
    QPainter* p = img.Canvas();
    if (!p || lines.isEmpty())
        return;
    const QFont savedFont = p->font();
    const QBrush savedBrush = p->brush();
    const QColor savedColor = img.FontColor;
    const bool savedOverlap = img.AllowLabelOverlap;
    p->setFont(font);
    ClearBrush(*p);
    img.FontColor = color;
    img.AllowLabelOverlap = true;

    const QFontMetrics fm(font, p->device());
    const int32_t h = fm.height();
    int32_t blockWidth = 0;
    for (const QString& line : lines)
        blockWidth = std::max<int32_t>(blockWidth, fm.horizontalAdvance(line));
    const int32_t width = img.World().Width, height = img.World().Height;
    const int32_t pos = std::clamp(position, 1, 6);
    const int32_t top = pos <= 3 ? 10 : height - Round(lines.size() * h * 1.1 - 10);
    int32_t left = 10;
    if (pos == 2 || pos == 5)
        left = Round((width - blockWidth) / 2.0);
    else if (pos == 3 || pos == 6)
        left = width - blockWidth - 10;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int32_t row = top + Round(double(i) * h * 1.1);
        img.LabelAt(0, lines[i].toStdString(), img.PixelToWorldX(left), img.PixelToWorldY(row), 0, 0);
    }

    img.AllowLabelOverlap = savedOverlap;
    img.FontColor = savedColor;
    p->setBrush(savedBrush);
    p->setFont(savedFont);
}

} // namespace DrawLayers
