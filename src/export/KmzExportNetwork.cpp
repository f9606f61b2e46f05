#include "export/KmzExportNetwork.h"

#include "export/ZelKmzer.h"
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

namespace KmzExport {

using namespace ZelKmzer;
using ZelUtils::Format;

namespace {

// The style of the minimum class's range folder (the value ranges 1 .. 6 have 11 .. 16).
constexpr int MinimumClassStyle = 17;

const char* const JunctionTypeNames[6] = {"Externo", "de Prioridad", "Rotonda", "Semaforizado", "Auxiliar", "Vuelta \"U\""};

// (A, B, record index) in ascending order, each link once.
using LinkList = std::set<std::tuple<int32_t, int32_t, int32_t>>;

template <class F>
void ForTilesInView(F f)
{
    for (int32_t i = std::max(0, HitGridRangeX[0]); i <= std::min(HitGridRangeX[1], MaxHitGridIndex); ++i)
        for (int32_t j = std::max(0, HitGridRangeY[0]); j <= std::min(HitGridRangeY[1], MaxHitGridIndex); ++j)
            if (HitGrid[i][j].InView)
                f(HitGrid[i][j]);
}

LinkList CollectLinks(bool activeOnly)
{
    LinkList list;
    ForTilesInView([&](const TSpatialTile& t) {
        for (int32_t k = 0; k < t.LinkCount; ++k) {
            const int32_t l = t.Links[k];
            if (l < 1 || l > Network.LinkCount)
                continue;
            const TArcos& a = Arcos[l];
            if (a.AIndex <= 0 || a.BIndex <= 0 || (activeOnly && !a.Active))
                continue;
            list.emplace(a.A, a.B, l);
        }
    });
    return list;
}

bool Placed(int32_t node) { return node > 0 && node <= Network.NodeCount && Nodos[node].HasXY != 0; }
bool LinkPlaced(const TArcos& a) { return Placed(a.AIndex) && Placed(a.BIndex); }
TPoint NodePt(int32_t node) { return TPoint{Nodos[node].X, Nodos[node].Y}; }

std::string Row(const char* label, double v)
{
    return Format("<tr><td>%s</td><td>:</td><td align=right> %10.2f</td></tr>", label, v);
}

std::vector<TPoint> ShapeOf(const TArcos& a)
{
    std::vector<TPoint> pts;
    const int32_t n = std::min(a.PointCount, MaxShapePoints);
    for (int32_t k = 1; k <= n; ++k)
        pts.push_back(a.Points[k]);
    if (pts.size() < 2)
        pts = {NodePt(a.AIndex), NodePt(a.BIndex)};
    return pts;
}

void WriteArcos(TKmlWriter& kml, const TKmzNetworkView& view)
{
    kml.KmlLineColor = KmlColor(view.ArcosColor, 100);
    kml.KmlLineWidth = 1.5f;
    kml.KmlBeginDocument("arcos", true);
    for (const auto& [A, B, l] : CollectLinks(false)) {
        const TArcos& a = Arcos[l];
        if (!LinkPlaced(a))
            continue;
        // The street name is text in the balloon's HTML: "<" and "&" are not markup,
        // and a "]]>" in it cannot end the CDATA section early.
        const std::string d = Format("<![CDATA[%s<br><hr>", ZelKmzer::EscapeMarkup(a.StreetName, false)) + "<table border=\"0\" padding=\"1\">" +
                              Row("Vel F.Libre", a.Var[1]) + Row("Longitud", a.Var[7]) +
                              Row("Flujo Asignado", a.Var[13]) + Row("Flujo fijo", a.Var[14]) + "</table><hr>" + "]]>";
        kml.KmlLineString(Format("%d-%d", A, B), ShapeOf(a), 0, d);
    }
    kml.KmlEndDocument();
}

void WriteNodos(TKmlWriter& kml)
{
    kml.KmlBeginDocument("nodos", true);
    std::set<std::pair<int32_t, int32_t>> list;
    ForTilesInView([&](const TSpatialTile& t) {
        for (int32_t k = 0; k < t.NodeCount; ++k)
            if (t.Nodes[k] >= 1 && t.Nodes[k] <= Network.NodeCount)
                list.emplace(Nodos[t.Nodes[k]].Number, t.Nodes[k]);
    });
    for (const auto& [number, nd] : list) {
        if (!Placed(nd))
            continue;
        const int32_t jt = Nodos[nd].JunctionType;
        const std::string d = Format("<![CDATA[%s<br><hr>", std::string(jt >= 0 && jt < 6 ? JunctionTypeNames[jt] : "")) +
                              "<table border=\"0\" padding=\"1\">" + Row("Tipo", 1.0) + "</table><hr>" + "]]>";
        kml.KmlPoint(Format("%d", number), d, Nodos[nd].X, Nodos[nd].Y);
    }
    kml.KmlEndDocument();
}

std::set<std::pair<int32_t, int32_t>> CollectZones()
{
    std::set<std::pair<int32_t, int32_t>> list;
    ForTilesInView([&](const TSpatialTile& t) {
        for (int32_t k = 0; k < t.ZoneCount; ++k)
            if (t.Zones[k] >= 1 && t.Zones[k] <= Network.ZoneCount)
                list.emplace(Zonas[t.Zones[k]].Number, t.Zones[k]);
    });
    return list;
}

void WriteCentroids(TKmlWriter& kml, const TViewState& u)
{
    kml.KmlLineColor = KmlColor(0x008000, 100);
    kml.KmlPolyColor = KmlColor(0x00FFFF, 100);
    kml.KmlLineWidth = 1.0f;
    const auto zones = CollectZones();
    kml.KmlBeginDocument("cents", false);
    for (const auto& [number, z] : zones)
        if (Zonas[z].HasCentroid)
            kml.KmlTriangle(Format("%d", number), Zonas[z].CentroidX, Zonas[z].CentroidY, u.CentroidSize * u.SizeFactor);
    kml.KmlEndDocument();
    kml.KmlBeginDocument("centsP", false);
    for (const auto& [number, z] : zones)
        if (Zonas[z].HasCentroid)
            kml.KmlPoint(Format("%d", number), "", Zonas[z].CentroidX, Zonas[z].CentroidY);
    kml.KmlEndDocument();
}

void WriteAccesos(TKmlWriter& kml)
{
    kml.KmlBeginDocument("accesos", false);
    for (const auto& [number, z] : CollectZones()) {
        const TZona& zona = Zonas[z];
        if (!zona.HasCentroid)
            continue;
        const double cx = zona.CentroidX, cy = zona.CentroidY;
        for (int32_t k = 1; k <= zona.ConnectorCount && k < int32_t(zona.Connectors.size()); ++k) {
            const TZoneConnector& c = zona.Connectors[k];
            if (c.Kind == 0 && c.NodeIndex > 0 && c.NodeIndex != c.ConnNode) {
                // Ends on a link: three quarters of the way from its A to its B.
                const int32_t l = c.LinkIndex;
                if (l < 1 || l > Network.LinkCount || !LinkPlaced(Arcos[l]))
                    continue;
                const TPoint a = NodePt(Arcos[l].AIndex), b = NodePt(Arcos[l].BIndex);
                kml.KmlSegment(Format("%d-%d/%d", number, c.ConnNode, c.NodeIndex), "", cx, cy, 0.25 * a.x + 0.75 * b.x,
                           0.25 * a.y + 0.75 * b.y);
            } else if (c.Kind == 0) {
                if (Placed(c.LinkIndex))
                    kml.KmlSegment(Format("%d-%d", number, c.ConnNode), "", cx, cy, Nodos[c.LinkIndex].X,
                               Nodos[c.LinkIndex].Y);
            } else if (c.Kind == 1) {
                if (Placed(c.NodeIndex))
                    kml.KmlSegment(Format("%d-%d", number, Nodos[c.NodeIndex].Number), "", cx, cy, Nodos[c.NodeIndex].X,
                               Nodos[c.NodeIndex].Y);
            }
        }
    }
    kml.KmlEndDocument();
}

void WriteZonas(TKmlWriter& kml, const TKmzNetworkView& view)
{
    kml.KmlLineColor = KmlColor(view.ZonaBordeColor, 100);
    kml.KmlPolyColor = KmlColor(view.ZonaRellenoColor, 100);
    kml.KmlLineWidth = static_cast<float>(view.ZonaBordeAncho);
    kml.KmlBeginDocument("zonas", false);
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zona = Zonas[z];
        std::vector<TPoint> pts;
        for (int32_t k = 1; k <= zona.PolygonCount && k < int32_t(zona.Polygon.size()); ++k)
            pts.push_back(zona.Polygon[k]);
        kml.KmlPolygon(Format("%d", zona.Number), pts, "");
    }
    kml.KmlEndDocument();
}

double ValueInView(const TViewState& u, const TArcos& a)
{
    const int32_t v = (u.RangeVarArcos >= 0 && u.RangeVarArcos < int32_t(ColVarArcos.size())) ? ColVarArcos[u.RangeVarArcos] : 0;
    return (v >= 1 && v <= NumLinkVars) ? a.Var[v] : 0.0;
}

// Band width in pixels: proportional to the value, PixsVol at the maximum of the
// link variable in view, at most 1.1 x PixsVol. The view's own maximum, not the
// scale some earlier drawing of the screen happened to leave.
double BandPixels(const TViewState& u, double v) { return std::min(u.PixsVol * v / u.RangeMax, 1.1 * u.PixsVol); }

void BandStyle(TKmlWriter& kml)
{
    kml.KmlLineColor = KmlColor(0xC0C0C0, 100);
    kml.KmlPolyColor = KmlColor(0x00FFFF, 100);
    kml.KmlLineWidth = 1.0f;
}

void WriteBands(TKmlWriter& kml, const TViewState& u, const std::vector<int32_t>& links, bool values, bool drawNull)
{
    if (values)
        kml.KmlBeginFolder("Volumen", false);
    for (int32_t l : links) {
        const TArcos& a = Arcos[l];
        const double v = ValueInView(u, a);
        if (LinkPlaced(a)) {
            const TPoint p1 = NodePt(a.AIndex), p2 = NodePt(a.BIndex);
            kml.KmlBand(Format("%d-%d", a.A, a.B), 0, ZelUtils::Round(BandPixels(u, v) * u.SizeFactor), Format("%.2f", v),
                    p1.x, p1.y, p2.x, p2.y);
        }
    }
    if (!values)
        return;
    kml.KmlEndFolder();
    kml.KmlBeginFolder("Valores", false);
    for (int32_t l : links) {
        const TArcos& a = Arcos[l];
        const double v = ValueInView(u, a);
        // As the map writes the values: none of 0 unless zeros are drawn.
        if (LinkPlaced(a) && (v != 0.0 || drawNull)) {
            const TPoint p1 = NodePt(a.AIndex), p2 = NodePt(a.BIndex);
            kml.KmlBandLabel(Format("%.2f", v), ZelUtils::Round(BandPixels(u, v) * u.SizeFactor), p1.x, p1.y, p2.x, p2.y);
        }
    }
    kml.KmlEndFolder();
}

std::string BandName(const TKmzNetworkView& view)
{
    return view.BandName.empty() ? view.State.RangeName : view.BandName;
}

// The links the map's data layers draw: only the selected ones while the map
// shows only the selection, and no blocked one while those are drawn in white.
bool Banded(const TKmzNetworkView& view, const TArcos& a)
{
    return (!view.State.Sel || a.Mark > 0) && !(view.HideBlocked && a.HasFlag(9));
}

void WriteValueBands(TKmlWriter& kml, const TKmzNetworkView& view)
{
    BandStyle(kml);
    kml.KmlBeginDocument(BandName(view), false);
    std::vector<int32_t> links;
    for (const auto& e : CollectLinks(true))
        if (Banded(view, Arcos[std::get<2>(e)]))
            links.push_back(std::get<2>(e));
    WriteBands(kml, view.State, links, view.Values, view.DrawNull);
    kml.KmlEndDocument();
}

void WriteRangeBands(TKmlWriter& kml, const TKmzNetworkView& view)
{
    BandStyle(kml);
    kml.KmlBeginDocument(BandName(view), false);
    std::vector<int32_t> byRange[MaxRangeClasses + 1];
    // Each link in the class whose colour the map gives it: the minimum class
    // too, when the user switched it on.
    const TRangeArray& table = view.State.RangeTable;
    for (const auto& e : CollectLinks(true)) {
        const int32_t l = std::get<2>(e);
        const double v = ValueInView(view.State, Arcos[l]);
        // As the map's colour layer: a value of 0 is in no class unless zeros are drawn.
        if ((v == 0.0 && !view.DrawNull) || !Banded(view, Arcos[l]))
            continue;
        uint32_t colour = 0;
        if (Ranges::ClassifyValue(table, view.State.NumRanges, float(v), colour) != Ranges::TRangeHit::Drawn)
            continue;
        int32_t r = 0;
        for (int32_t k = 0; k <= view.State.NumRanges && k <= MaxRangeClasses; ++k)
            if (table[size_t(k)].Active && Ranges::ClassHolds(table, k, float(v)))
                r = k;
        byRange[r].push_back(l);
    }
    // One folder per class the legend lists (a constant variable has one); links
    // of a class above 5 are not written. The bounds in two decimals, or in as
    // many more as the legend takes to tell different bounds apart.
    const std::vector<int32_t> classes = Ranges::LegendClasses(view.State.RangeTable, view.State.NumRanges);
    const int32_t decimals = Ranges::LegendDecimals(view.State.RangeTable, classes, 2);
    for (int32_t r : classes) {
        if (r < 0 || r > 5)
            continue;
        kml.KmlBeginFolder(Format("(%.*f-%.*f)", decimals, double(view.State.RangeTable[r].Low), decimals,
                                  double(view.State.RangeTable[r].High)), false);
        kml.KmlClass = r == 0 ? MinimumClassStyle : r + 10;
        WriteBands(kml, view.State, byRange[r], view.Values, view.DrawNull);
        kml.KmlEndFolder();
    }
    kml.KmlEndDocument();
}

void SetClass(TKmlOptions& options, int i, uint32_t line, float width, const std::string& poly, int32_t iconIndex,
              float iconScale, const std::string& iconColor, float labelScale, const std::string& labelColor)
{
    TKmlClassStyle& c = options.KmlClassStyles[i];
    c.Id = i;
    c.LineColor = KmlColor(line, 100);
    c.LineWidth = width;
    c.PolyColor = poly.empty() ? c.LineColor : poly;
    c.IconIndex = iconIndex;
    c.IconScale = iconScale;
    c.IconColor = iconColor;
    c.LabelScale = labelScale;
    c.LabelColor = labelColor;
}

} // namespace

TKmzNetworkView NetworkView(const TViewSnapshot& view)
{
    TKmzNetworkView v;
    v.Atributos = view.State.Atributos;
    v.Colores = view.State.Colores;
    v.Values = view.State.Values;
    v.State = view.State;
    if (view.State.RangeVarArcos >= 1 && view.State.RangeVarArcos < NumArcosColumns)
        v.BandName = TitArcos[static_cast<size_t>(view.State.RangeVarArcos)];
    if (view.Options) {
        v.ArcosColor = view.ArcosColor;
        v.ZonaBordeColor = view.ZonaBordeColor;
        v.ZonaBordeAncho = view.ZonaBordeAncho;
        v.ZonaRellenoColor = view.ZonaRellenoColor;
        v.DrawNull = view.DrawNull;
        v.HideBlocked = view.BlockedColor == clWhite;
    }
    return v;
}

void SetNetworkClassStyles(TKmlOptions& options, const TViewState& view)
{
    const std::string red = KmlColor(0x000080, 100), yellow = KmlColor(0x00FFFF, 100);
    SetClass(options, 1, 0xFFFF78, 3, "", 0, 0, "", 0.7f, "");
    SetClass(options, 2, 0x000080, 1, "", 1, 0.5f, red, 0.6f, yellow);
    SetClass(options, 3, 0x00FFFF, 1, KmlColor(0x008000, 100), 0, 0, "", 0.6f, KmlColor(0x008000, 100));
    SetClass(options, 4, 0x008000, 2, "", 0, 0, "", 0.7f, "");
    SetClass(options, 5, 0xC0C0C0, 1, KmlColor(0x00FFFF, 100), 0, 0, "", 0.7f, "");
    SetClass(options, 6, 0x00FFFF, 1, KmlColor(0x808080, 100), 1, 0.5f, red, 0.6f, yellow);
    SetClass(options, 7, 0xFFFFFF, 1, "", 1, 0.5f, red, 0.6f, yellow);
    SetClass(options, 8, 0x00FFFF, 1, KmlColor(0xFFFFFF, 100), 1, 0.5f, red, 0.6f, yellow);
    SetClass(options, 9, 0xFFFFFF, 1, KmlColor(0x0000FF, 100), 1, 0.5f, red, 0.6f, yellow);
    SetClass(options, 10, 0x808080, 1, KmlColor(0x00FFFF, 100), 1, 0.5f, red, 0.6f, yellow);
    for (int r = 1; r <= 6; ++r)
        SetClass(options, 10 + r, 0x808080, 1, KmlColor(view.RangeTable[r].Color, 100), 1, 0, KmlColor(view.LabelFonts[4].Color, 100),
                 0.5f, KmlColor(0x0000FF, 100));
    // The minimum class has a style only while it is switched on and has its folder.
    if (view.RangeTable[0].Active)
        SetClass(options, MinimumClassStyle, 0x808080, 1, KmlColor(view.RangeTable[0].Color, 100), 1, 0,
                 KmlColor(view.LabelFonts[4].Color, 100), 0.5f, KmlColor(0x0000FF, 100));
}

bool ExportNetworkKmz(const std::string& kmzPath, const TKmzConversion& conv, const TKmzNetworkView& view,
                      std::string& error)
{
    TKmlOptions options = KmlOptions(conv);
    SetNetworkClassStyles(options, view.State);
    TKmzBuild build(kmzPath, options);
    if (!build.Ok(error))
        return false;
    TKmlWriter& kml = build.Kml();
    kml.KmlLineColor = KmlColor(0x808080, 100);
    kml.KmlPolyColor = kml.KmlLineColor;
    kml.KmlLineWidth = 1.5f;
    kml.KmlIconScale = 1.0f;
    kml.KmlLabelScale = 1.0f;
    kml.KmlBegin(build.KmlPath(), "null");
    kml.KmlClass = 1;
    WriteArcos(kml, view);
    kml.KmlClass = 2;
    WriteNodos(kml);
    kml.KmlClass = 3;
    WriteCentroids(kml, view.State);
    kml.KmlClass = 4;
    WriteAccesos(kml);
    kml.KmlClass = 5;
    WriteZonas(kml, view);
    kml.KmlClass = 0;
    if (view.Atributos) {
        kml.KmlClass = 16;
        if (view.State.RangeMax > 0)
            WriteValueBands(kml, view);
    }
    if (view.Colores && view.State.RangeMax > 0)
        WriteRangeBands(kml, view);
    WriteVialidad(kml, view.State);
    kml.KmlClass = 0;
    return build.Finish(error);
}

// ---- Lane-level roads -------------------------------------------------------

namespace {

constexpr int MaxStrips = MaxLanes + 2; // every lane plus a flare on each side

TPoint Lerp(TPoint a, TPoint b, double t) { return TPoint{a.x * (1 - t) + b.x * t, a.y * (1 - t) + b.y * t}; }

struct TLaneGrid {
    int n = 0;
    TPoint S[MaxStrips + 1], E[MaxStrips + 1];
    int M[MaxStrips + 1] = {};
    TPoint QA, QB, QC, QD;
    bool right = false, left = false;

    TPoint Cs(int j) const { return Lerp(S[j - 1], S[j], 0.5); }
    TPoint Ce(int j) const { return Lerp(E[j - 1], E[j], 0.5); }
    float Len(int j) const
    {
        const TPoint a = Cs(j), b = Ce(j);
        return static_cast<float>(std::hypot(a.x - b.x, a.y - b.y));
    }
    // The point d metres back from the end of strip j.
    TPoint Back(int j, double d) const
    {
        const double t = d / Len(j);
        return TPoint{Ce(j).x * (1 - t) + Cs(j).x * t, Ce(j).y * (1 - t) + Cs(j).y * t};
    }
};

float LinkLength(const TArcos& a)
{
    if (a.StraightLength > 0)
        return a.StraightLength;
    return a.Var[7];
}

// False when the link has no lane geometry or more strips than lanes allow.
bool BuildGrid(const TArcos& a, bool flares, const TLaneWidth& lanes, TLaneGrid& g)
{
    if (a.LaneEdgeCount < 2)
        return false;
    g.right = a.FlareStart() != 0;
    g.left = a.FlareEnd() != 0;
    g.n = (g.left ? 1 : 0) + std::abs(a.Lanes()) + (g.right ? 1 : 0);
    if (g.n < 1 || g.n > MaxStrips)
        return false;
    const int last = std::min(a.LaneEdgeCount, MaxLaneEdgePoints) - 1;
    const TPoint R0 = a.LaneEdgeFar[0], R1 = a.LaneEdgeFar[last], L0 = a.LaneEdgeNear[0], L1 = a.LaneEdgeNear[last];
    for (int i = 0; i <= g.n; ++i) {
        g.S[i] = Lerp(R0, L0, double(i) / g.n);
        g.E[i] = Lerp(R1, L1, double(i) / g.n);
        g.M[i] = 0;
    }
    const int n = g.n;
    g.QA = g.QB = g.S[0];
    g.QC = g.QD = g.S[n];
    if (!flares)
        return true;
    const float len = LinkLength(a);
    if (g.right) {
        g.M[1] = 1;
        const float f1 = len > 0 ? (Network.Options.ALEX * Network.Options.FLAREF + lanes.LaneOffset) / len : 0.0f;
        const float f2 =
            len > 0 ? (Network.Options.ALEX * Network.Options.FLAREF + lanes.LaneOffset + lanes.AnchoPista) / len : 0.0f;
        g.QA = Lerp(g.E[0], g.S[0], f1);
        g.QB = Lerp(g.E[1], g.S[1], f2);
        g.S[0] = g.S[1];
    }
    if (g.left) {
        g.M[n] = 1;
        const float g1 = len > 0 ? (Network.Options.ALEX * Network.Options.FLAREX + lanes.LaneOffset) / len : 0.0f;
        const float g2 =
            len > 0 ? (Network.Options.ALEX * Network.Options.FLAREX + lanes.LaneOffset + lanes.AnchoPista) / len : 0.0f;
        g.QC = Lerp(g.E[n], g.S[n], g1);
        g.QD = Lerp(g.E[n - 1], g.S[n - 1], g2);
        g.S[n] = g.S[n - 1];
    } else {
        g.QC = g.QD = g.S[n];
    }
    if (!g.right)
        g.QA = g.QB = g.S[0];
    return true;
}

void LinksDoc(TKmlWriter& kml, const TViewState& u)
{
    kml.KmlBeginDocument("Links", true);
    for (const auto& [A, B, l] : CollectLinks(false)) {
        TLaneGrid g;
        if (Arcos[l].Lanes() == 0 || !BuildGrid(Arcos[l], true, u.Lanes, g))
            continue;
        kml.KmlPolygon(Format("%d-%d", A, B), {g.S[0], g.QB, g.QA, g.E[0], g.E[g.n], g.QC, g.QD, g.S[g.n], g.S[0]}, "");
    }
    kml.KmlEndDocument();
}

void LanesDoc(TKmlWriter& kml, const TViewState& u)
{
    kml.KmlBeginDocument("Lanes", true);
    for (const auto& [A, B, l] : CollectLinks(false)) {
        TLaneGrid g;
        if (Arcos[l].Lanes() == 0 || !BuildGrid(Arcos[l], false, u.Lanes, g))
            continue;
        for (int i = 1; i <= g.n - 1; ++i)
            kml.KmlSegment(Format("%d-%d", A, B), "", g.S[i].x, g.S[i].y, g.E[i].x, g.E[i].y);
    }
    kml.KmlEndDocument();
}

// Lane number (1 = rightmost lane) of strip j, 0 for a flare strip.
int LaneOfStrip(const TLaneGrid& g, int j) { return g.M[j] ? 0 : j - (g.right ? 1 : 0); }

void TurnsDoc(TKmlWriter& kml, const TViewState& u)
{
    kml.KmlBeginDocument("Turns", true);
    for (const auto& [A, B, l] : CollectLinks(false)) {
        const TArcos& a = Arcos[l];
        TLaneGrid g;
        if (!a.Active || !BuildGrid(a, true, u.Lanes, g))
            continue;
        for (int j = 1; j <= g.n; ++j) {
            if (!(g.Len(j) > 0))
                continue;
            std::array<int32_t, 3> turns{};
            if (g.M[j] && j == 1 && g.right) {
                turns = {0, 0, 1};
            } else if (g.M[j]) {
                turns = {1, 0, 0};
            } else {
                const int m = LaneOfStrip(g, j);
                if (m < 1 || m > MaxLanes)
                    continue;
                const int32_t* p = a.LaneDirs[m];
                if (p[0] + p[1] + p[2] <= 0)
                    continue;
                if (j == 2 && g.right)
                    turns = {p[0], p[1], 0};
                else if (j == g.n - 1 && g.left)
                    turns = {0, p[1], p[2]};
                else
                    turns = {p[0], p[1], p[2]};
            }
            kml.KmlLaneArrow(Format("%d-%d (%d)", A, B, l), g.Back(j, 10 * u.FMov), g.Back(j, 5 * u.FMov),
                             u.Lanes.AnchoPista / 3.5, turns);
        }
    }
    kml.KmlEndDocument();
}

void SignalsDoc(TKmlWriter& kml, const TViewState& u)
{
    kml.KmlBeginDocument("Sgnls", true);
    for (const auto& [A, B, l] : CollectLinks(false)) {
        const TArcos& a = Arcos[l];
        TLaneGrid g;
        if (!a.Active || !BuildGrid(a, true, u.Lanes, g))
            continue;
        const std::string name = Format("%d-%d", A, B);
        for (int j = 1; j <= g.n; ++j) {
            if (!(g.Len(j) > 0))
                continue;
            const TPoint p5 = g.Back(j, 5 * u.FMov), p35 = g.Back(j, 3.5 * u.FMov);
            if (g.M[j]) {
                if (!(j == 1 && g.right))
                    kml.KmlNotchedWedge(name, p5, p35);
                continue;
            }
            const int m = LaneOfStrip(g, j);
            if (m < 1 || m > MaxLanes)
                continue;
            const int32_t code = a.LaneMark[m];
            if (code == 1)
                kml.KmlWedge(name, p5, p35);
            else if (code == 2 && !(j == g.n - 1 && g.left))
                kml.KmlNotchedWedge(name, p5, p35);
        }
    }
    kml.KmlEndDocument();
}

void NodesDoc(TKmlWriter& kml)
{
    kml.KmlLineColor = KmlColor(0x00FFFF, 100);
    kml.KmlPolyColor = KmlColor(0x00FFFF, 100);
    kml.KmlLineWidth = 1.0f;
    kml.KmlBeginDocument("Nodes", true);
    ForTilesInView([&](const TSpatialTile& t) {
        for (int32_t k = 0; k < t.NodeCount; ++k) {
            const int32_t nd = t.Nodes[k];
            if (nd < 1 || nd > Network.NodeCount)
                continue;
            const TNodo& node = Nodos[nd];
            std::vector<TPoint> pts(node.Outline.begin(), node.Outline.begin() + std::clamp(node.OutlineCount, 0, MaxOutlinePoints));
            kml.KmlPolygon(Format("%d", node.Number), pts, "");
        }
    });
    kml.KmlEndDocument();
}

} // namespace

void WriteVialidad(TKmlWriter& kml, const TViewState& view)
{
    kml.KmlBeginDocument("Vialidad", true);
    kml.KmlClass = 6;
    LinksDoc(kml, view);
    kml.KmlClass = 7;
    LanesDoc(kml, view);
    kml.KmlClass = 8;
    TurnsDoc(kml, view);
    kml.KmlClass = 9;
    SignalsDoc(kml, view);
    kml.KmlClass = 10;
    NodesDoc(kml);
    kml.KmlClass = 0;
    kml.KmlEndDocument();
}

} // namespace KmzExport
