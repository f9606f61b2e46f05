// What the network layers of the map and of the printed page have in common.
#include "map/NetworkShapes.h"

#include "map/DrawState.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"

#include <array>
#include <cstdlib>

namespace NetworkShapes {

QPen LayerPen(uint32_t color, int32_t width, uint8_t style)
{
    QPen pen(DisplayStyles::ToQColor(color));
    pen.setWidth(std::max(0, width));
    pen.setStyle(DisplayStyles::ToQPenStyle(style));
    if (width > 1) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

TViewBox::TViewBox(double windowMinX, double windowMinY, int32_t width, int32_t height, double unitsPerPixel,
                   double marginPixels)
{
    minX = windowMinX - marginPixels * unitsPerPixel;
    maxX = windowMinX + (width + marginPixels) * unitsPerPixel;
    minY = windowMinY - marginPixels * unitsPerPixel;
    maxY = windowMinY + (height + marginPixels) * unitsPerPixel;
}

// ---------------------------------------------------------------------------
// Links

bool ArrowShown(const TArcos& a, const TNetworkOptions& o)
{
    if (!LinkDrawn(a, o) || PointCountOf(a) < 2)
        return false;
    if (o.OnlySelection && a.Mark < 1)
        return false;
    const TArcos& pair = PairOf(a);
    return a.NoReverse || a.HasFlag(DrawLayers::FlagMarked) || pair.HasFlag(DrawLayers::FlagMarked);
}

// ---------------------------------------------------------------------------
// Nodes and zones

uint32_t NodeOutline(const TNodo& n, const TNetworkOptions& o)
{
    if (o.ColorNode && n.JunctionType >= 0 && n.JunctionType <= 5)
        return JunctionTypeColors[n.JunctionType];
    return o.NodosColor;
}

std::vector<int32_t> ShownZones(const TNetworkOptions& o)
{
    std::vector<int32_t> zones;
    ViewTiles::ForEachZone([&](int32_t index, const TZona& z) {
        if (ZoneHidden(z, o) || (o.OnlySelection && z.Class < 1))
            return;
        zones.push_back(index);
    });
    return zones;
}

void ConnectorEnds(const TZona& z, std::vector<TPoint>& ends)
{
    ends.clear();
    const int32_t count = std::min<int32_t>(z.ConnectorCount, int32_t(z.Connectors.size()) - 1);
    for (int32_t c = 1; c <= count; ++c) {
        const TZoneConnector& k = z.Connectors[static_cast<size_t>(c)];
        if (k.Kind == 0 && k.NodeIndex > 0 && k.NodeIndex != k.ConnNode) {
            if (k.LinkIndex < 1 || k.LinkIndex > Network.LinkCount)
                continue;
            const TArcos& a = Arcos[k.LinkIndex];
            if (!Placed(a.AIndex) || !Placed(a.BIndex))
                continue;
            ends.push_back(Lerp(NodePoint(a.AIndex), NodePoint(a.BIndex), 0.75));
        } else if (k.ConnNode > 0) {
            // A kind 1 connector keeps its node's record index; kind 0 names the node by number.
            int32_t node = 0;
            if (k.Kind == 1 && ValidNode(k.NodeIndex) && Nodos[k.NodeIndex].Number == k.ConnNode)
                node = k.NodeIndex;
            else
                node = KDVlib::FindNodo(k.ConnNode);
            if (Placed(node))
                ends.push_back(NodePoint(node));
        }
    }
}

// ---------------------------------------------------------------------------
// Lanes

namespace {

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

} // namespace

void TraceLinkLanes(const TArcos& a, const TViewState& view, TLaneFigures& out)
{
    if (a.Lanes() == 0 || a.LaneEdgeCount < 2)
        return;
    const bool firstFlare = a.FlareStart() != 0;
    const bool lastFlare = a.FlareEnd() != 0;
    const int32_t lanes = std::abs(a.Lanes());
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
    const TLaneWidth& w = view.Lanes;
    const double flareF = fraction(double(Network.Options.ALEX) * Network.Options.FLAREF + w.LaneOffset);
    const double taperF = fraction(double(Network.Options.ALEX) * Network.Options.FLAREF + w.LaneOffset + w.AnchoPista);
    const double flareL = fraction(double(Network.Options.ALEX) * Network.Options.FLAREX + w.LaneOffset);
    const double taperL = fraction(double(Network.Options.ALEX) * Network.Options.FLAREX + w.LaneOffset + w.AnchoPista);
    const int32_t N = cw.N;
    const int32_t firstSlotLane = firstFlare ? 2 : 1; // physical lane of slot 1
    const int32_t slotCount = std::min(lanes, MaxLanes);

    // Pass 1: carriageway, lane fills, dividers.
    // The outline: up the side of divider 0 (or the first-lane flare's taper) to
    // the stop end, back down the side of divider N (or the last-lane flare's).
    std::array<TPoint, 8> outline;
    size_t corners = 0;
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
    out.Pen(0x808080, 1);
    out.Brush((a.Lanes() < 0 || a.HasFlag(DrawLayers::FlagMarked)) ? 0xFF8080 : 0xC0C0C0);
    out.Polygon(outline, int32_t(corners) - 1);

    auto strip = [&](int32_t k) {
        const std::array<TPoint, 5> s = {cw.At(k - 1, 1.0), cw.At(k, 1.0), cw.At(k, 0.0), cw.At(k - 1, 0.0),
                                         cw.At(k - 1, 1.0)};
        out.Polygon(s, 4);
    };
    // A lane slot fills the strip of the lane it describes (after a first-lane flare,
    // slot j is lane j + 1), the same lane its markings are drawn on.
    out.Brush(0x808080, Qt::DiagCrossPattern);
    for (int32_t j = 1; j <= slotCount; ++j)
        if (a.LaneFlags[j])
            strip(j + firstSlotLane - 1);
    if (a.HasMovements) {
        out.Brush(clRed);
        for (int32_t j = 1; j <= slotCount; ++j)
            if (!a.LaneUsed[j])
                strip(j + firstSlotLane - 1);
    }
    out.Pen(clWhite, 1, psDot);
    for (int32_t k = 1; k <= N - 1; ++k) {
        // A divider that bounds a flare lane runs only along the flare.
        double from = 1.0;
        if (firstFlare && k == 1)
            from = taperF;
        if (lastFlare && k == N - 1)
            from = std::min(from, taperL);
        out.Line(cw.At(k, 0.0), cw.At(k, from));
    }

    // Centre line of lane k, from the start end to the stop end, and its points
    // at a distance from the stop end.
    auto lanePoint = [&](int32_t k, double fromStop, TPoint& point) {
        const TPoint cs = Mid(cw.At(k - 1, 1.0), cw.At(k, 1.0));
        const TPoint ce = Mid(cw.At(k - 1, 0.0), cw.At(k, 0.0));
        const double d = Dist(cs, ce);
        if (!(d > 0.0))
            return false;
        point = Lerp(ce, cs, fromStop / d);
        return true;
    };

    // Pass 2: turn markings.
    if (!a.HasFlag(DrawLayers::FlagNoMarkings)) {
        out.Brush(clWhite);
        out.Pen(clBlack, 1);
        const double scale = w.AnchoPista / 3.5;
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
                turns = {a.LaneDirs[slot][0], a.LaneDirs[slot][1], a.LaneDirs[slot][2]};
                if (turns[0] + turns[1] + turns[2] <= 0)
                    continue;
                if (firstFlare && k == 2)
                    turns[2] = 0;
                if (lastFlare && k == N - 1)
                    turns[0] = 0;
            }
            TPoint from, to;
            if (lanePoint(k, 10.0 * view.FMov, from) && lanePoint(k, 5.0 * view.FMov, to))
                out.TurnMarking(from, to, turns, scale);
        }
    }

    // Pass 3: lane marker heads.
    out.Brush(clRed);
    out.Pen(clWhite, 1);
    auto head = [&](int32_t k, int32_t kind) {
        TPoint at5, at35;
        if (!lanePoint(k, 5.0 * view.FMov, at5) || !lanePoint(k, 3.5 * view.FMov, at35))
            return;
        out.LaneHead(kind, at5, at35);
    };
    for (int32_t j = 1; j <= slotCount; ++j) {
        const int32_t k = j + firstSlotLane - 1;
        const int32_t kind = a.LaneMark[j];
        if (kind != 1 && kind != 2)
            continue;
        if (lastFlare && k == N - 1) {
            // Beside a last-lane flare the lane keeps the head of kind 1 and the
            // flare itself takes the one of kind 2.
            head(kind == 1 ? k : N, kind);
            continue;
        }
        head(k, kind);
    }
}

void TraceNetWorkLanes(const TViewBox& view, const TNetworkOptions& o, TLaneFigures& out)
{
    const TViewState& u = o.View ? *o.View : UserView();
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!LinkDrawn(a, o) || a.LaneEdgeCount < 2)
            return;
        const int32_t last = std::min(a.LaneEdgeCount, MaxLaneEdgePoints) - 1;
        const TPoint corners[4] = {a.LaneEdgeNear[0], a.LaneEdgeFar[0], a.LaneEdgeNear[last], a.LaneEdgeFar[last]};
        if (view.MeetsPoints(corners))
            TraceLinkLanes(a, u, out);
    });

    // The junction areas join the lane ends of the links that meet at each node.
    out.Pen(0x808080, 1);
    out.Brush(0x00FFFF);
    ForEachNode([&](int32_t, const TNodo& n) {
        if (NodeHidden(n, o))
            return;
        const int32_t count = std::min(n.OutlineCount, MaxOutlinePoints);
        if (count < 3)
            return;
        const std::span<const TPoint> pts(n.Outline.data(), static_cast<size_t>(count));
        if (view.MeetsPoints(pts))
            out.Polygon(pts, count - 1);
    });
    out.Pen(clBlack, 1);
}

// ---------------------------------------------------------------------------
// Movements

bool MovementSpan(const TMovimiento& mv, const TViewState& view, TPoint& farPt, TPoint& nearPt)
{
    const TPoint a = NodePoint(mv.AIndex), j = NodePoint(mv.JunctionIndex);
    const double d = Dist(a, j);
    if (!(d > 0))
        return false;
    const double ux = (a.x - j.x) / d, uy = (a.y - j.y) / d;
    nearPt = {j.x + ux * 2 * view.FMov, j.y + uy * 2 * view.FMov};
    farPt = {j.x + ux * 50 * view.FMov, j.y + uy * 50 * view.FMov};
    return true;
}

} // namespace NetworkShapes
