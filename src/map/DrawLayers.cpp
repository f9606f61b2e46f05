// The network layers of the map.
#include "map/DrawLayers.h"

#include "map/DrawState.h"
#include "map/ViewTiles.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

using ZelUtils::Round;

namespace DrawLayers {

namespace {

// out = ZelUtils::Trim(s), reusing out's storage.
void AssignTrimmed(std::string& out, std::string_view s)
{
    size_t i = 0, n = s.size();
    while (i < n && static_cast<unsigned char>(s[i]) <= 32)
        ++i;
    while (n > i && static_cast<unsigned char>(s[n - 1]) <= 32)
        --n;
    out.assign(s.data() + i, n - i);
}

QColor Colour(uint32_t c) { return DisplayStyles::ToQColor(c); }

QPen MakePen(uint32_t color, int32_t width, uint8_t style = psSolid)
{
    QPen pen(Colour(color));
    pen.setWidth(std::max(0, width));
    pen.setStyle(DisplayStyles::ToQPenStyle(style));
    if (width > 1) {
        // Wide lines end and meet round, as the map always drew them.
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

void UsePen(QPainter& p, uint32_t color, int32_t width, uint8_t style = psSolid)
{
    const QPen pen = MakePen(color, width, style);
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

void UseFont(TMapPainter& img, QPainter& p, int index)
{
    const TLabelFont& f = LabelFonts[static_cast<size_t>(index)];
    p.setFont(DisplayStyles::ToQFont(f));
    img.FontColor = Colour(f.Color);
}

// The class of an element when it names a colour of the class tables, else 0.
int32_t ClassOf(int32_t mark) { return mark >= 1 && mark <= MaxClasses ? mark : 0; }

bool ValidNode(int32_t index) { return index >= 1 && index <= Network.NodeCount; }

// The link of the opposite direction; the link itself when it has none.
const TArcos& PairOf(const TArcos& a)
{
    if (a.ReverseIndex >= 1 && a.ReverseIndex <= Network.LinkCount)
        return Arcos[a.ReverseIndex];
    return a;
}

int32_t PointCountOf(const TArcos& a) { return std::clamp(a.PointCount, 0, MaxShapePoints); }

std::span<const TPoint> PointsOf(const TArcos& a) { return {&a.Points[1], static_cast<size_t>(PointCountOf(a))}; }

// The painter's window widened by a margin in pixels, in world units.
struct TView {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;

    TView(const TMapPainter& img, double marginPixels)
    {
        const TWorldWindow& w = img.World();
        const double upp = w.UnitsPerPixel;
        minX = w.MinX - marginPixels * upp;
        maxX = w.MinX + (w.Width + marginPixels) * upp;
        minY = w.MinY - marginPixels * upp;
        maxY = w.MinY + (w.Height + marginPixels) * upp;
    }
    bool Contains(double x, double y) const { return x >= minX && x <= maxX && y >= minY && y <= maxY; }
    bool Meets(double x0, double y0, double x1, double y1) const
    {
        return x1 >= minX && x0 <= maxX && y1 >= minY && y0 <= maxY;
    }
    bool MeetsPoints(std::span<const TPoint> pts) const
    {
        if (pts.empty())
            return false;
        double x0 = pts[0].x, x1 = x0, y0 = pts[0].y, y1 = y0;
        for (const TPoint& p : pts.subspan(1)) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        return Meets(x0, y0, x1, y1);
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
using ViewTiles::ForEachZone;

template <class F>
void ForEachNode(F&& f)
{
    ForEachTile([&](const TSpatialTile& t) {
        const int32_t n = std::clamp(t.NodeCount, 0, MaxNodos + 1);
        for (int32_t k = 0; k < n; ++k) {
            const int32_t i = t.Nodes[k];
            if (ValidNode(i))
                f(i, Nodos[i]);
        }
    });
}

bool LinkHidden(const TArcos& a, const TNetworkOptions& o) { return o.HideBlocked() && a.HasFlag(FlagBlocked); }
bool NodeHidden(const TNodo& n, const TNetworkOptions& o) { return o.HideBlocked() && (n.Flags & NodeHiddenBit); }
bool ZoneHidden(const TZona& z, const TNetworkOptions& o) { return o.HideBlocked() && (z.Flags & ZoneHiddenBit); }

TPoint NodePoint(int32_t index)
{
    const TNodo& n = Nodos[index];
    return {double(n.X), double(n.Y)};
}

TPoint Lerp(const TPoint& a, const TPoint& b, double t) { return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}; }
TPoint Mid(const TPoint& a, const TPoint& b) { return Lerp(a, b, 0.5); }
double Dist(const TPoint& a, const TPoint& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// ---------------------------------------------------------------------------
// Lanes

// The carriageway of a link between its four corner points: divider k (0..N)
// joins the point k/N of the way between the two corners at the start end with
// the same point at the stop end. Lane 1, between dividers 0 and 1, is the kerb
// lane on the right of the direction of travel.
struct TCarriageway {
    TPoint start0, start1, stop0, stop1;
    int32_t N = 1;

    // The point of divider k at fraction f of the way from the stop end (0) to the start end (1).
    TPoint At(int32_t k, double f) const
    {
        const double t = double(k) / N;
        return Lerp(Lerp(stop0, stop1, t), Lerp(start0, start1, t), f);
    }
};

TTurnFlags SlotTurns(const TArcos& a, int32_t slot)
{
    return {a.LaneDirs[slot][0], a.LaneDirs[slot][1], a.LaneDirs[slot][2]};
}

void DrawLinkLanes(TMapPainter& img, QPainter& p, const TArcos& a)
{
    if (a.Lanes == 0 || a.LaneEdgeCount < 2)
        return;
    const bool firstFlare = a.FlareStart != 0;
    const bool lastFlare = a.FlareEnd != 0;
    const int32_t lanes = std::abs(a.Lanes);
    TCarriageway cw;
    cw.N = lanes + (firstFlare ? 1 : 0) + (lastFlare ? 1 : 0);
    if (cw.N < 1)
        return;
    const int32_t last = std::min(a.LaneEdgeCount, MaxLaneEdgePoints) - 1;
    cw.start0 = a.LaneEdgeFar[0];
    cw.start1 = a.LaneEdgeNear[0];
    cw.stop0 = a.LaneEdgeFar[last];
    cw.stop1 = a.LaneEdgeNear[last];

    // Distances along the link are fractions of its length; a link without
    // length has no carriageway to speak of.
    double length = a.StraightLength;
    if (!(length > 0.0)) {
        const auto pts = PointsOf(a);
        length = pts.size() >= 2 ? Dist(pts.front(), pts.back()) : 0.0;
    }
    if (!(length > 0.0) || !std::isfinite(length))
        return;
    auto fraction = [&](double worldUnits) { return std::clamp(worldUnits / length, 0.0, 1.0); };
    const double flareF = fraction(double(PalvonRead::ALEX) * PalvonRead::FLAREF + LaneOffset);
    const double taperF = fraction(double(PalvonRead::ALEX) * PalvonRead::FLAREF + LaneOffset + AnchoPista);
    const double flareL = fraction(double(PalvonRead::ALEX) * PalvonRead::FLAREX + LaneOffset);
    const double taperL = fraction(double(PalvonRead::ALEX) * PalvonRead::FLAREX + LaneOffset + AnchoPista);
    const int32_t N = cw.N;
    const int32_t firstSlotLane = firstFlare ? 2 : 1; // physical lane of slot 1
    const int32_t slotCount = std::min(lanes, MaxLanes);

    // Pass 1: carriageway, lane fills, dividers.
    // The outline: up the side of divider 0 (or the first-lane flare's taper) to
    // the stop end, back down the side of divider N (or the last-lane flare's).
    std::array<TPoint, 8> outline;
    int32_t corners = 0;
    if (firstFlare) {
        outline[corners++] = cw.At(1, 1.0);
        outline[corners++] = cw.At(1, taperF);
        outline[corners++] = cw.At(0, flareF);
    } else {
        outline[corners++] = cw.At(0, 1.0);
    }
    outline[corners++] = cw.At(0, 0.0);
    outline[corners++] = cw.At(N, 0.0);
    if (lastFlare) {
        outline[corners++] = cw.At(N, flareL);
        outline[corners++] = cw.At(N - 1, taperL);
        outline[corners++] = cw.At(N - 1, 1.0);
    } else {
        outline[corners++] = cw.At(N, 1.0);
    }
    UsePen(p, 0x808080, 1);
    UseBrush(p, (a.Lanes < 0 || a.HasFlag(FlagMarked)) ? 0xFF8080 : 0xC0C0C0);
    img.PolygonPtArray(outline, corners - 1);

    auto strip = [&](int32_t k) {
        const TPoint s[5] = {cw.At(k - 1, 1.0), cw.At(k, 1.0), cw.At(k, 0.0), cw.At(k - 1, 0.0), cw.At(k - 1, 1.0)};
        img.PolygonPtArray(s, 4);
    };
    // A lane slot fills the strip of the lane it describes (after a first-lane flare,
    // slot j is lane j + 1), the same lane its markings are drawn on.
    UseBrush(p, 0x808080, Qt::DiagCrossPattern);
    for (int32_t j = 1; j <= slotCount; ++j)
        if (a.LaneFlags[j])
            strip(j + firstSlotLane - 1);
    if (a.HasMovements) {
        UseBrush(p, clRed);
        for (int32_t j = 1; j <= slotCount; ++j)
            if (!a.LaneUsed[j])
                strip(j + firstSlotLane - 1);
    }
    UsePen(p, clWhite, 1, psDot);
    for (int32_t k = 1; k <= N - 1; ++k) {
        // A divider that bounds a flare lane runs only along the flare.
        double from = 1.0;
        if (firstFlare && k == 1)
            from = taperF;
        if (lastFlare && k == N - 1)
            from = std::min(from, taperL);
        img.LinePts(cw.At(k, 0.0), cw.At(k, from));
    }

    // Centre line of lane k, from the start end to the stop end, and its points
    // at a distance from the stop end.
    auto lanePoint = [&](int32_t k, double fromStop, TPoint& out) {
        const TPoint cs = Mid(cw.At(k - 1, 1.0), cw.At(k, 1.0));
        const TPoint ce = Mid(cw.At(k - 1, 0.0), cw.At(k, 0.0));
        const double d = Dist(cs, ce);
        if (!(d > 0.0))
            return false;
        out = Lerp(ce, cs, fromStop / d);
        return true;
    };

    // Pass 2: turn markings.
    if (!a.HasFlag(FlagNoMarkings)) {
        UseBrush(p, clWhite);
        UsePen(p, clBlack, 1);
        const double scale = AnchoPista / 3.5;
        for (int32_t k = 1; k <= N; ++k) {
            TTurnFlags turns{0, 0, 0};
            if (firstFlare && k == 1) {
                turns = {0, 0, 1};
            } else if (lastFlare && k == N) {
                turns = {1, 0, 0};
            } else {
                const int32_t slot = k - firstSlotLane + 1;
                if (slot < 1 || slot > MaxLanes)
                    continue;
                turns = SlotTurns(a, slot);
                if (turns[0] + turns[1] + turns[2] <= 0)
                    continue;
                if (firstFlare && k == 2)
                    turns[2] = 0;
                if (lastFlare && k == N - 1)
                    turns[0] = 0;
            }
            TPoint p2, p1;
            if (lanePoint(k, 10.0 * FMov, p2) && lanePoint(k, 5.0 * FMov, p1))
                img.DrawSymbolW(p2, p1, turns, scale);
        }
    }

    // Pass 3: lane arrows.
    UseBrush(p, clRed);
    UsePen(p, clWhite, 1);
    auto arrow = [&](int32_t k, int32_t kind) {
        TPoint p1, p2;
        if (!lanePoint(k, 5.0 * FMov, p1) || !lanePoint(k, 3.5 * FMov, p2))
            return;
        if (kind == 1)
            img.ArrowA(p1, p2);
        else
            img.ArrowB(p1, p2);
    };
    for (int32_t j = 1; j <= slotCount; ++j) {
        const int32_t k = j + firstSlotLane - 1;
        const int32_t kind = a.LaneMark[j];
        if (kind != 1 && kind != 2)
            continue;
        if (lastFlare && k == N - 1) {
            // Beside a last-lane flare the lane keeps the arrow of kind A and the
            // flare itself takes the one of kind B.
            arrow(kind == 1 ? k : N, kind);
            continue;
        }
        arrow(k, kind);
    }
}

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
};

const TCirclePattern* CirclePattern(int32_t radius, uint32_t outline, const uint32_t* fill)
{
    static std::vector<TCirclePattern> cache;
    for (const TCirclePattern& c : cache)
        if (c.radius == radius && c.outline == outline && c.filled == (fill != nullptr) && (!fill || c.fill == *fill))
            return &c;
    if (radius > 64)
        return nullptr;
    if (cache.size() >= 64)
        cache.clear();
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
        sp.setPen(MakePen(outline, 1));
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
    return c;
}

// Writes the pattern centred on pixel `centre`; false when it cannot be used.
bool WritePattern(QImage& image, const QPoint& centre, const TCirclePattern* c)
{
    if (!c || !c->usable)
        return false;
    const int w = image.width(), h = image.height();
    const qsizetype bpl = image.bytesPerLine();
    uchar* bits = image.bits();
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

void ClearHitRegions()
{
    NodeHitRegions.fill(THitCircle{});
    ZoneHitRegions.fill(THitCircle{});
}

// ---------------------------------------------------------------------------
// Links

void DrawNetWork(TMapPainter& img, const TNetworkOptions& o)
{
    int32_t selected = 0;
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].Mark > 0)
            ++selected;
    SelectedNodeCount = selected;
    Services().SetMenuItemEnabled("jtSel", selected >= 1);

    img.PenMode = TPenMode::Copy;
    QPainter* p = img.Canvas();
    const int32_t baseWidth = Items[0].Width;
    if (p && baseWidth >= 1 && o.ArcosColor != clWhite) {
        const int32_t widest = std::max(baseWidth, *std::max_element(ClassWidths.begin(), ClassWidths.end()));
        const TView view(img, widest + 2);
        // On the map's picture, straight links of a thin solid pen go to the
        // rasteriser in runs that share a pen, in the order they come.
        const bool raster = PixelDevice(*p);
        std::vector<QLine> run;
        QPen pen;
        bool havePen = false;
        uint32_t penColor = 0;
        int32_t penWidth = 0;
        uint8_t penStyle = psSolid;
        auto flush = [&] {
            img.LinesPixels(run);
            run.clear();
        };
        ForEachLink([&](int32_t, const TArcos& a) {
            if (!ValidNode(a.AIndex) || !ValidNode(a.BIndex))
                return;
            const auto pts = PointsOf(a);
            if (pts.size() < 2 || !view.MeetsPoints(pts))
                return;
            uint32_t color = o.ArcosColor;
            int32_t width = baseWidth;
            uint8_t style = psSolid;
            if (const int32_t c = ClassOf(a.Mark)) {
                width = ClassWidths[c];
                color = ClassColors[c];
            }
            const TArcos& pair = PairOf(a);
            for (int flag : {8, 10, 11}) {
                if (a.HasFlag(flag) && pair.HasFlag(flag))
                    style = psDot;
                else if (a.HasFlag(flag) || pair.HasFlag(flag))
                    style = psDashDotDot;
            }
            if (a.HasFlag(FlagBlocked) && pair.HasFlag(FlagBlocked)) {
                style = psDash;
                color = o.BlockedColor;
            }
            if (color == clWhite)
                return;
            // Neighbouring links mostly share a pen: build it only when it changes.
            if (!havePen || color != penColor || width != penWidth || style != penStyle) {
                pen = MakePen(color, width, style);
                penColor = color;
                penWidth = width;
                penStyle = style;
                havePen = true;
            }
            const bool batched = raster && pts.size() == 2 && pen.style() == Qt::SolidLine && pen.width() <= 1;
            if (!run.empty() && (!batched || p->pen() != pen))
                flush();
            if (p->pen() != pen)
                p->setPen(pen);
            if (batched)
                run.emplace_back(img.PointRecToPoint(pts[0]), img.PointRecToPoint(pts[1]));
            else
                img.PolylinePtArray(pts, int32_t(pts.size()) - 1, 0);
        });
        flush();
    }
    Services().SetMenuItemEnabled("aVistaAnterior", ZoomIndex > 1);
}

void DrawNetWorkLanes(TMapPainter& img, const TNetworkOptions& o)
{
    QPainter* p = img.Canvas();
    if (!p)
        return;
    img.PenMode = TPenMode::Copy;
    const TView view(img, 4);
    ForEachLink([&](int32_t, const TArcos& a) {
        if (LinkHidden(a, o) || !ValidNode(a.AIndex) || !ValidNode(a.BIndex) || !a.Active)
            return;
        if (a.LaneEdgeCount < 2)
            return;
        const int32_t last = std::min(a.LaneEdgeCount, MaxLaneEdgePoints) - 1;
        const TPoint corners[4] = {a.LaneEdgeNear[0], a.LaneEdgeFar[0], a.LaneEdgeNear[last], a.LaneEdgeFar[last]};
        if (!view.MeetsPoints(corners))
            return;
        DrawLinkLanes(img, *p, a);
    });

    // The junction areas join the lane ends of the links that meet at each node.
    UsePen(*p, 0x808080, 1);
    UseBrush(*p, 0x00FFFF);
    ForEachNode([&](int32_t, const TNodo& n) {
        if (NodeHidden(n, o))
            return;
        const int32_t count = std::min(n.OutlineCount, MaxOutlinePoints);
        if (count < 3)
            return;
        const std::span<const TPoint> pts(n.Outline.data(), static_cast<size_t>(count));
        if (view.MeetsPoints(pts))
            img.PolygonPtArray(pts, count - 1);
    });
    UsePen(*p, clBlack, 1);
    img.PenMode = TPenMode::Copy;
}

void DrawArrows(TMapPainter& img, const TNetworkOptions& o)
{
    QPainter* p = img.Canvas();
    if (!p)
        return;
    img.PenMode = TPenMode::Copy;
    UseBrush(*p, SymbolColors[2]);
    const TView view(img, 4.0 * std::abs(ArrowSize) + 4);
    const int32_t zeroRow = img.WorldToPixelY(0.0);
    ForEachLink([&](int32_t, const TArcos& a) {
        if (LinkHidden(a, o) || !ValidNode(a.AIndex) || !ValidNode(a.BIndex) || !a.Active)
            return;
        if (PointCountOf(a) < 2)
            return;
        if (std::abs(int64_t(zeroRow) - img.WorldToPixelY(a.StraightLength)) <= MinArrowLinkPixels)
            return;
        if (o.OnlySelection && a.Mark < 1)
            return;
        const TArcos& pair = PairOf(a);
        if (!a.NoReverse && !a.HasFlag(FlagMarked) && !pair.HasFlag(FlagMarked))
            return;
        const TPoint b = NodePoint(a.BIndex);
        if (!view.Contains(b.x, b.y))
            return;
        UsePen(*p, a.HasFlag(FlagMarked) ? clRed : o.ArrowsColor, 1);
        if (o.SimpleArrow)
            img.PolylinePts(2.0 * ArrowSize, a.BearingB, b.x, b.y);
        else
            img.PolygonPts(2.0 * ArrowSize, a.BearingB, b.x, b.y);
    });
}

// ---------------------------------------------------------------------------
// Nodes and centroids

void DrawNodes(TMapPainter& img, const TNetworkOptions& o)
{
    QPainter* p = img.Canvas();
    if (!p)
        return;
    if (o.KeepHitRegions)
        NodeHitRegions.fill(THitCircle{});
    img.PenMode = TPenMode::Copy;
    const int32_t ring = NodeSize + 2;
    const double margin = std::max({std::abs(NodeSize) + 4, ring + 4, 3 * std::abs(SignalSize) + 4});
    const TView view(img, margin);
    const uint32_t fill = SymbolColors[1];
    const bool raster = PixelDevice(*p);
    QImage* direct = img.DirectPixels();
    // The pen of the last circle written directly, set when the pass ends as
    // drawing it would have left it (-1: none).
    int64_t lastDirectOutline = -1;
    auto circle = [&](double x, double y, int32_t radius, uint32_t outline, const uint32_t* circleFill) {
        if (direct && raster && radius >= 2 &&
            WritePattern(*direct, img.WorldToPoint(x, y), CirclePattern(radius, outline, circleFill))) {
            lastDirectOutline = outline;
            return;
        }
        WideCircle(img, *p, raster, x, y, radius, outline, circleFill);
        lastDirectOutline = -1;
    };
    ForEachNode([&](int32_t index, const TNodo& n) {
        if (NodeHidden(n, o) || !view.Contains(n.X, n.Y))
            return;
        uint32_t outline = o.NodosColor;
        if (o.ColorNode && n.JunctionType >= 0 && n.JunctionType <= 5)
            outline = JunctionTypeColors[n.JunctionType];
        circle(n.X, n.Y, NodeSize, outline, &fill);
        if (o.KeepHitRegions) {
            const QPoint c = img.WorldToPoint(n.X, n.Y);
            NodeHitRegions[static_cast<size_t>(index)] = THitCircle{c.x(), c.y(), std::max(0, ring)};
        }
        if (const int32_t c = ClassOf(n.Mark))
            circle(n.X, n.Y, ring, ClassColors[c], nullptr);
        if (o.Semaforos && n.JunctionType == 3)
            img.DrawCursorMark(-3.0 * SignalSize, n.X, n.Y);
    });
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
    QPainter* p = img.Canvas();
    if (!p)
        return;
    if (o.KeepHitRegions)
        ZoneHitRegions.fill(THitCircle{});
    img.PenMode = TPenMode::Copy;
    UsePen(*p, o.AccesoColor, 1);
    UseBrush(*p, SymbolColors[0]);

    std::vector<int32_t> zones;
    ForEachZone([&](int32_t index, const TZona& z) {
        if (ZoneHidden(z, o) || (o.OnlySelection && z.Class < 1))
            return;
        zones.push_back(index);
    });

    // Connectors.
    const TView lineView(img, 2);
    auto placed = [](int32_t index) { return ValidNode(index) && Nodos[index].HasXY; };
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
        connectors.emplace_back(img.WorldToPoint(z.CentroidX, z.CentroidY), img.WorldToPoint(to.x, to.y));
        lastEnd = to;
    };
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        const int32_t count = std::min<int32_t>(z.ConnectorCount, int32_t(z.Connectors.size()) - 1);
        for (int32_t c = 1; c <= count; ++c) {
            const TZoneConnector& k = z.Connectors[static_cast<size_t>(c)];
            if (k.Kind == 0 && k.NodeIndex > 0 && k.NodeIndex != k.ConnNode) {
                if (k.LinkIndex < 1 || k.LinkIndex > Network.LinkCount)
                    continue;
                const TArcos& a = Arcos[k.LinkIndex];
                if (!placed(a.AIndex) || !placed(a.BIndex))
                    continue;
                connect(z, Lerp(NodePoint(a.AIndex), NodePoint(a.BIndex), 0.75));
            } else if (k.ConnNode > 0) {
                // A kind 1 connector keeps its node's record index; kind 0 names the node by number.
                int32_t node = 0;
                if (k.Kind == 1 && ValidNode(k.NodeIndex) && Nodos[k.NodeIndex].Number == k.ConnNode)
                    node = k.NodeIndex;
                else
                    node = KDVlib::FindNodo(k.ConnNode);
                if (placed(node))
                    connect(z, NodePoint(node));
            }
        }
    }

    if (!connectors.empty()) {
        img.LinesPixels(connectors);
        img.MoveToW(lastEnd.x, lastEnd.y); // where drawing them one by one leaves the pen
    }

    // Centroids.
    const TView symbolView(img, std::abs(CentroidSize) + 4);
    bool havePen = false;
    uint32_t penColor = 0;
    int32_t penWidth = 0;
    // On the map's picture the triangles of one look are written pixel by pixel.
    QImage* direct = img.DirectPixels();
    std::unique_ptr<TCirclePattern> pattern;
    bool written = false;
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        if (!symbolView.Contains(z.CentroidX, z.CentroidY))
            continue;
        const int32_t cls = ClassOf(z.Class);
        const uint32_t color = cls ? ClassColors[cls] : o.AccesoColor;
        const int32_t width = cls ? 2 : 1;
        // Most centroids share one pen: build and compare it only when it changes.
        if (!havePen || color != penColor || width != penWidth) {
            UsePen(*p, color, width);
            penColor = color;
            penWidth = width;
            havePen = true;
            pattern = direct ? CentroidPattern(*p, CentroidSize) : nullptr;
        }
        // Near the picture's edges the rasteriser clips the outline its own
        // way, so only whole triangles are written.
        const QPoint centre = img.WorldToPoint(z.CentroidX, z.CentroidY);
        const int32_t reach = CentroidSize + 3;
        if (direct && centre.x() >= reach && centre.y() >= reach && centre.x() < direct->width() - reach &&
            centre.y() < direct->height() - reach && WritePattern(*direct, centre, pattern.get()))
            written = true;
        else
            img.PolylineArrays(3, 90, z.CentroidX, z.CentroidY, CentroidSize);
        if (o.KeepHitRegions) {
            const QPoint c = img.WorldToPoint(z.CentroidX, z.CentroidY);
            ZoneHitRegions[static_cast<size_t>(index)] = THitCircle{c.x(), c.y(), std::max(0, CentroidSize + 2)};
        }
    }

    if (written)
        img.PixelsWritten();

    // Zone numbers.
    ClearBrush(*p);
    UseFont(img, *p, 1);
    const TView labelView(img, LabelMargin(*p));
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        if (labelView.Contains(z.CentroidX, z.CentroidY))
            img.LabelAt(0, std::to_string(z.Number), z.CentroidX, z.CentroidY, 4, 0);
    }
    UsePen(*p, o.AccesoColor, 1);
}

// ---------------------------------------------------------------------------
// Labels

void DrawNameNodes(TMapPainter& img, const TNetworkOptions& o)
{
    QPainter* p = img.Canvas();
    if (!p)
        return;
    ClearBrush(*p);
    img.PenMode = TPenMode::Nop;
    UseFont(img, *p, 2);
    const int32_t position = o.ShowLanes ? 4 : std::clamp(NodeLabelPos, 0, 8);
    const TView view(img, LabelMargin(*p));
    ForEachNode([&](int32_t, const TNodo& n) {
        if (!NodeHidden(n, o) && view.Contains(n.X, n.Y))
            img.LabelAt(0, std::to_string(n.Number), n.X, n.Y, position, 0);
    });
    img.PenMode = TPenMode::Copy;
}

void DrawCalles(TMapPainter& img, const TNetworkOptions& o)
{
    QPainter* p = img.Canvas();
    if (!p)
        return;
    ClearBrush(*p);
    UseFont(img, *p, 5);
    img.PenMode = TPenMode::Nop;
    const int32_t position = std::clamp(StreetLabelPos, 0, 8);
    const double offset = StreetLabelOffset;
    const TView view(img, LabelMargin(*p));
    std::string name; // one buffer for every link: street names outgrow a short string
    ForEachLink([&](int32_t, const TArcos& a) {
        if (LinkHidden(a, o) || !ValidNode(a.AIndex) || !ValidNode(a.BIndex) || !a.Active)
            return;
        const int32_t n = PointCountOf(a);
        if (n < 2)
            return;
        const int32_t bearing = a.BearingA;
        if (!a.NoReverse && !(bearing <= 900 || bearing > 2700))
            return; // a two-way street is named in one direction only
        TPoint place;
        if (n > 2) {
            place = a.Points[std::clamp(Round(n / 2.0), 1, n)];
        } else {
            const TPoint pa = NodePoint(a.AIndex), pb = NodePoint(a.BIndex);
            const TPoint& w = pa.x <= pb.x ? pa : pb;
            const TPoint& e = pa.x <= pb.x ? pb : pa;
            place = {offset * w.x + (1.0 - offset) * e.x, offset * w.y + (1.0 - offset) * e.y};
        }
        if (!view.Contains(place.x, place.y))
            return;
        AssignTrimmed(name, a.StreetName);
        if (name.empty())
            AssignTrimmed(name, PairOf(a).StreetName);
        if (name.empty())
            return;
        const int32_t angle = (bearing < 901 || bearing >= 2700) ? bearing : bearing - 1800;
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
