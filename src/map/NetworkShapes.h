#pragma once
// What the network layers of the map and of the printed page have in common:
// which links, nodes, zones and movements are shown, in which pen style, and
// where the figures of a carriageway lie. The map (DrawLayers, DataLayers) and
// the page (PrintLayers) walk the same elements through these routines and each
// draws them with figures and sizes of its own.
#include "map/DrawLayers.h"
#include "map/ViewTiles.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace NetworkShapes {

// The class of an element when it names a colour of the class tables, else 0.
inline int32_t ClassOf(int32_t mark) { return mark >= 1 && mark <= MaxClasses ? mark : 0; }
inline bool ValidNode(int32_t index) { return index >= 1 && index <= Network.NodeCount; }
inline bool Placed(int32_t index) { return ValidNode(index) && Nodos[index].HasXY; }

// The link of the opposite direction; the link itself when it has none.
inline const TArcos& PairOf(const TArcos& a)
{
    if (a.ReverseIndex >= 1 && a.ReverseIndex <= Network.LinkCount)
        return Arcos[a.ReverseIndex];
    return a;
}

inline int32_t PointCountOf(const TArcos& a) { return std::clamp(a.PointCount, 0, MaxShapePoints); }
inline std::span<const TPoint> PointsOf(const TArcos& a)
{
    return a.Points.Run(static_cast<size_t>(PointCountOf(a)));
}

inline TPoint NodePoint(int32_t index) { return {double(Nodos[index].X), double(Nodos[index].Y)}; }
inline TPoint Lerp(const TPoint& a, const TPoint& b, double t)
{
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
}
inline TPoint Mid(const TPoint& a, const TPoint& b) { return Lerp(a, b, 0.5); }
inline double Dist(const TPoint& a, const TPoint& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// Elements left out while blocked elements are drawn white.
inline bool LinkHidden(const TArcos& a, const TNetworkOptions& o)
{
    return o.HideBlocked() && a.HasFlag(DrawLayers::FlagBlocked);
}
inline bool NodeHidden(const TNodo& n, const TNetworkOptions& o)
{
    return o.HideBlocked() && (n.Flags & DrawLayers::NodeHiddenBit);
}
inline bool ZoneHidden(const TZona& z, const TNetworkOptions& o)
{
    return o.HideBlocked() && (z.Flags & DrawLayers::ZoneHiddenBit);
}

// The pen of a layer: wide lines end and meet round, as the map always drew them.
QPen LayerPen(uint32_t color, int32_t width, uint8_t style = psSolid);

// A window in world units: the target's window widened by a margin in its pixels.
struct TViewBox {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;

    TViewBox(double windowMinX, double windowMinY, int32_t width, int32_t height, double unitsPerPixel,
             double marginPixels);
    bool Contains(double x, double y) const { return x >= minX && x <= maxX && y >= minY && y <= maxY; }
    bool Meets(double x0, double y0, double x1, double y1) const
    {
        return x1 >= minX && x0 <= maxX && y1 >= minY && y0 <= maxY;
    }
    // The bounding box of the points meets the window.
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

// The nodes of the visible tiles: f(index, node).
template <class F>
void ForEachNode(F&& f)
{
    ViewTiles::ForEachTile([&](const TSpatialTile& t) {
        const int32_t n = std::clamp(t.NodeCount, 0, MaxNodos + 1);
        // The nodes come scattered over the records: the place of the node
        // some ahead is fetched while this one is drawn.
        constexpr int32_t Ahead = 8;
        for (int32_t k = 0; k < n; ++k) {
            if (k + Ahead < n) {
                const int32_t next = t.Nodes[k + Ahead];
                if (next >= 1 && next <= Network.NodeCount && next < Nodos.allocated())
                    __builtin_prefetch(&Nodos[next].X);
            }
            const int32_t i = t.Nodes[k];
            if (ValidNode(i))
                f(i, Nodos[i]);
        }
    });
}

// The nodes of the visible tiles that are drawn and lie in the view: f(index, node).
template <class F>
void ForEachShownNode(const TViewBox& view, const TNetworkOptions& o, F&& f)
{
    ForEachNode([&](int32_t index, const TNodo& n) {
        if (!NodeHidden(n, o) && view.Contains(n.X, n.Y))
            f(index, n);
    });
}

// ---- Links ----

// The links of the visible tiles between valid nodes whose shape meets the view: f(link, shape).
// A link the user hid ("Marcar NO-Dibujar") is left out wherever the links are drawn:
// screen, page and batch alike, whatever its mark says.
template <class F>
void ForEachLinkInView(const TViewBox& view, F&& f)
{
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!a.Active || !ValidNode(a.AIndex) || !ValidNode(a.BIndex))
            return;
        const auto pts = PointsOf(a);
        if (pts.size() < 2 || !view.MeetsPoints(pts))
            return;
        f(a, pts);
    });
}

// out = ZelUtils::Trim(s), reusing out's storage.
inline void AssignTrimmed(std::string& out, std::string_view s)
{
    size_t i = 0, n = s.size();
    while (i < n && static_cast<unsigned char>(s[i]) <= 32)
        ++i;
    while (n > i && static_cast<unsigned char>(s[n - 1]) <= 32)
        --n;
    out.assign(s.data() + i, n - i);
}

// Blank, or neither starting nor ending with a blank or a control character.
inline bool Trimmed(std::string_view s)
{
    return s.empty() || (static_cast<unsigned char>(s.front()) > 32 && static_cast<unsigned char>(s.back()) > 32);
}

// The street names of the visible links: f(place, angle, name) for each link
// whose name (or its pair's) is not blank and whose label place lies in the
// view. A two-way street is named in one direction only; a straight link is
// named at `offset` of the way from its east end to its west end, a curved one
// at its middle shape point; the angle keeps the text upright.
template <class F>
void ForEachStreetLabel(const TViewBox& view, const TNetworkOptions& o, double offset, F&& f)
{
    std::string name; // one buffer for every link: street names outgrow a short string
    ViewTiles::ForEachLink<true>([&](int32_t, const TArcos& a) {
        if (LinkHidden(a, o) || !ValidNode(a.AIndex) || !ValidNode(a.BIndex) || !a.Active)
            return;
        const int32_t n = PointCountOf(a);
        if (n < 2)
            return;
        const int32_t bearing = a.BearingA;
        if (!a.NoReverse && !(bearing <= 900 || bearing > 2700))
            return;
        TPoint place;
        if (n > 2) {
            place = a.Points[std::clamp(ZelUtils::Round(n / 2.0), 1, n)];
        } else {
            const TPoint pa = NodePoint(a.AIndex), pb = NodePoint(a.BIndex);
            const TPoint& w = pa.x <= pb.x ? pa : pb;
            const TPoint& e = pa.x <= pb.x ? pb : pa;
            place = {offset * w.x + (1.0 - offset) * e.x, offset * w.y + (1.0 - offset) * e.y};
        }
        if (!view.Contains(place.x, place.y))
            return;
        // Most names are stored trimmed: those are handed over as they stand.
        auto trimmed = [&name](const std::string& s) -> const std::string* {
            if (Trimmed(s))
                return &s;
            AssignTrimmed(name, s);
            return &name;
        };
        const std::string* shown = trimmed(a.StreetName);
        if (shown->empty())
            shown = trimmed(PairOf(a).StreetName);
        if (shown->empty())
            return;
        f(place, (bearing < 901 || bearing >= 2700) ? bearing : bearing - 1800, *shown);
    });
}

// The dash style of the marks a link and its pair carry (dotted when both carry
// one, dash-dot-dot when one does), and the blocked colour when both are blocked.
inline void ApplyLinkMarks(const TArcos& a, const TArcos& pair, const TNetworkOptions& o, uint32_t& color,
                           uint8_t& style)
{
    // Most links carry none of these marks, nor does their pair.
    constexpr unsigned Marks =
        (1u << DrawLayers::FlagMarked) | (1u << 10) | (1u << 11) | (1u << DrawLayers::FlagBlocked);
    if (((a.Flags | pair.Flags) & Marks) == 0)
        return;
    for (int flag : {DrawLayers::FlagMarked, 10, 11}) {
        if (a.HasFlag(flag) && pair.HasFlag(flag))
            style = psDot;
        else if (a.HasFlag(flag) || pair.HasFlag(flag))
            style = psDashDotDot;
    }
    if (a.HasFlag(DrawLayers::FlagBlocked) && pair.HasFlag(DrawLayers::FlagBlocked)) {
        style = psDash;
        color = o.BlockedColor;
    }
}

// Links drawn at all by the lane, arrow and street layers.
inline bool LinkDrawn(const TArcos& a, const TNetworkOptions& o)
{
    return !LinkHidden(a, o) && ValidNode(a.AIndex) && ValidNode(a.BIndex) && a.Active;
}

// A link that takes an arrowhead at its end node: one-way or marked (itself or
// its pair), of a class while only the selection is shown.
bool ArrowShown(const TArcos& a, const TNetworkOptions& o);
// The arrowhead's outline colour: red on marked links.
inline uint32_t ArrowColor(const TArcos& a, const TNetworkOptions& o)
{
    return a.HasFlag(DrawLayers::FlagMarked) ? clRed : o.ArrowsColor;
}

// ---- Nodes and zones ----

// Node outline: the junction type's colour with ColorNode, else the nodes' colour.
uint32_t NodeOutline(const TNodo& n, const TNetworkOptions& o);
inline bool SignalShown(const TNodo& n, const TNetworkOptions& o) { return o.Semaforos && n.JunctionType == 3; }

// The zones of the visible tiles that are drawn, in drawing order.
std::vector<int32_t> ShownZones(const TNetworkOptions& o);
// The far ends of a zone's connectors, in order (a connector to a link ends at
// three quarters of the link): `ends` is refilled.
void ConnectorEnds(const TZona& z, std::vector<TPoint>& ends);

// ---- Lanes ----

// What a carriageway is drawn with: the map and the page each give their own.
class TLaneFigures {
public:
    virtual ~TLaneFigures() = default;
    virtual void Pen(uint32_t color, int32_t width, uint8_t style = psSolid) = 0;
    virtual void Brush(uint32_t color, Qt::BrushStyle style = Qt::SolidPattern) = 0;
    // Polygon of the points 0..last.
    virtual void Polygon(std::span<const TPoint> points, int32_t last) = 0;
    virtual void Line(const TPoint& a, const TPoint& b) = 0;
    // Turn marking of a lane from 10 FMov to 5 FMov before the stop line.
    virtual void TurnMarking(const TPoint& from, const TPoint& to, const TTurnFlags& turns, double scale) = 0;
    // Lane marker head of kind 1 or 2 between 5 FMov and 3.5 FMov before the stop line.
    virtual void LaneHead(int32_t kind, const TPoint& at5, const TPoint& at35) = 0;
};

// A link's carriageway lane by lane: outline, lane fills, dividers, turn
// markings and lane marker heads, with flare lanes and their tapers, at the lane
// widths and movement scale of the view drawn.
void TraceLinkLanes(const TArcos& a, const TViewState& view, TLaneFigures& out);
// Every carriageway that meets the view, then the junction areas (the view's
// state is the options' own, the user's when they carry none).
void TraceNetWorkLanes(const TViewBox& view, const TNetworkOptions& o, TLaneFigures& out);

// ---- Movements ----

// The movements of the visible tiles whose three nodes are placed (with
// `selectedOnly`, those entering by a link of a class): f(movement).
template <class F>
void ForEachPlacedMovement(bool selectedOnly, F&& f)
{
    ViewTiles::ForEachTile([&](const TSpatialTile& t) {
        for (int32_t k = 0; k < t.MovementCount; ++k) {
            const int32_t m = t.Movements[k];
            if (m < 1 || m > Network.MovementCount)
                continue;
            const TMovimiento& mv = Movims[m];
            if (!Placed(mv.AIndex) || !Placed(mv.JunctionIndex) || !Placed(mv.CIndex))
                continue;
            if (selectedOnly &&
                (mv.EntryLink < 1 || mv.EntryLink > Network.LinkCount || Arcos[mv.EntryLink].Mark <= 0))
                continue;
            f(mv);
        }
    });
}

// 0 left turn, 1 straight on, 2 right turn.
inline int TurnOf(const TMovimiento& mv) { return mv.TurnAngle >= 451 ? 0 : (mv.TurnAngle < -450 ? 2 : 1); }
inline TTurnFlags TurnFlagsOf(int turn) { return {turn == 0 ? 1 : 0, turn == 1 ? 1 : 0, turn == 2 ? 1 : 0}; }
// The span of a movement's symbol on its approach, from 50 FMov to 2 FMov
// before the junction (the FMov of the view drawn); false for an approach
// without length.
bool MovementSpan(const TMovimiento& mv, const TViewState& view, TPoint& farPt, TPoint& nearPt);

} // namespace NetworkShapes
