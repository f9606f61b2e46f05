// Zones, entries and exits, transit lines, user polygons, background line layers
// and free points on the map. TMapRenderer::DrawPalvon calls them in its layer
// order; each draws on any canvas and keeps hit regions only on the main map.
#include "map/gui/MapLayers.h"

#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/PointLayers.h"
#include "map/Polygons.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "map/ViewTiles.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/ZelUtils.h"


#include <algorithm>
#include <cmath>
#include <span>

using DisplayStyles::ToQColor;
using ZelUtils::Format;
using ZelUtils::Round;

namespace {

constexpr uint32_t Blue = 0xFF0000;
constexpr uint32_t Red = 0x0000FF;
constexpr uint32_t Silver = 0xC0C0C0;

bool IsMainMap(const TMapPainter& img) { return img.MainMap; }

void SetPen(TMapPainter& img, uint32_t color, int32_t width, uint8_t style = psSolid)
{
    QPen pen(ToQColor(color));
    pen.setWidth(std::max(0, width));
    pen.setStyle(DisplayStyles::ToQPenStyle(style));
    img.Canvas()->setPen(pen);
}

void SetBrush(TMapPainter& img, uint32_t color) { img.Canvas()->setBrush(QBrush(ToQColor(color))); }

void ClearBrush(TMapPainter& img) { img.Canvas()->setBrush(Qt::NoBrush); }

void SetLabelFont(TMapPainter& img, const TLayerSizes& sizes, int index)
{
    const TLabelFont& f = sizes.LabelFonts[static_cast<size_t>(index)];
    img.Canvas()->setFont(DisplayStyles::ToQFont(f));
    img.FontColor = ToQColor(f.Color);
}

// Applies a pen mode for a stretch of drawing and puts the previous one back.
class TPenModeScope {
public:
    TPenModeScope(TMapPainter& img, TPenMode mode) : img_(img), saved_(img.PenMode) { img.PenMode = mode; }
    ~TPenModeScope() { img_.PenMode = saved_; }
    TPenModeScope(const TPenModeScope&) = delete;
    TPenModeScope& operator=(const TPenModeScope&) = delete;

private:
    TMapPainter& img_;
    TPenMode saved_;
};

// The painter's window widened on every side by a fifth of the network's width:
// elements reaching into it are drawn.
struct TMarginWindow {
    double minX, maxX, minY, maxY;

    explicit TMarginWindow(const TMapPainter& img)
    {
        const TWorldWindow& w = img.World();
        const double m = 0.2 * (double(Network.MaxX) - double(Network.MinX));
        minX = w.MinX - m;
        maxX = w.MinX + w.Width * w.UnitsPerPixel + m;
        minY = w.MinY - m;
        maxY = w.MinY + w.Height * w.UnitsPerPixel + m;
    }
    bool InX(double x) const { return x >= minX && x <= maxX; }
    bool InY(double y) const { return y >= minY && y <= maxY; }
    bool Contains(double x, double y) const { return InX(x) && InY(y); }
    bool Contains(const TPoint& p) const { return Contains(p.x, p.y); }
    // An element whose first or last point lies inside (each axis on its own)
    // is drawn; so is one that only passes through the window.
    bool Meets(std::span<const TPoint> pts) const
    {
        if (pts.empty())
            return false;
        const TPoint& a = pts.front();
        const TPoint& b = pts.back();
        if ((InX(a.x) || InX(b.x)) && (InY(a.y) || InY(b.y)))
            return true;
        double x0 = a.x, x1 = a.x, y0 = a.y, y1 = a.y;
        for (const TPoint& p : pts) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        return x1 >= minX && x0 <= maxX && y1 >= minY && y0 <= maxY;
    }
};

// Zones of the view's tiles that have a centroid.
template <class F>
void ForEachViewZone(F&& f)
{
    ViewTiles::ForEachZone([&](int32_t, const TZona& zone) {
        if (zone.HasCentroid)
            f(zone);
    });
}

using ViewTiles::ForEachLink;

bool NodePlaced(int32_t index) { return index >= 1 && index <= Network.NodeCount && Nodos[index].HasXY; }

TPoint NodePoint(int32_t index) { return {Nodos[index].X, Nodos[index].Y}; }

// The outline of a zone: points 1..PolygonCount.
std::span<const TPoint> ZoneOutline(const TZona& zone)
{
    const int32_t held = static_cast<int32_t>(zone.Polygon.size()) - 1;
    const int32_t n = std::clamp(zone.PolygonCount, 0, std::max(held, 0));
    if (n < 1)
        return {};
    return {&zone.Polygon[1], static_cast<size_t>(n)};
}

// Fill of the zone areas as the options dialog sets it.
struct TZoneFill {
    uint32_t border = 0x000000;
    int32_t width = 1;
    uint32_t fill = 0xFFFFFF;
    bool clear = true;

    TZoneFill(const TViewSnapshot& view, const TLayerSizes& sizes)
    {
        if (view.Options) {
            border = view.ZonaBordeColor;
            width = ZelUtils::Round(view.ZonaBordeAncho * sizes.ZoneBorderScale);
            fill = view.ZonaRellenoColor;
            clear = view.ZonaRellenoClear;
        }
    }
    void ResetBrush(TMapPainter& img) const
    {
        if (clear)
            ClearBrush(img);
        else
            SetBrush(img, fill);
    }
};

// The vertical bar of a zone: h pixels rising from the point, on the left (negative
// width) or right side.
void ZoneBar(TMapPainter& img, const TPoint& at, int32_t heightPixels, int32_t width)
{
    const double h = heightPixels * img.UnitsPerPixel();
    img.PolygonRectW(width, 0, at.x, at.y, at.x, at.y + h);
}

// A whole number with thousands grouped ("%.0n"): 12,345.
std::string GroupedNumber(double v)
{
    std::string digits = Format("%.0f", std::fabs(v));
    std::string out;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += ',';
        out += digits[static_cast<size_t>(i)];
    }
    return (v < 0 && out != "0" ? "-" : "") + out;
}

void DrawPolygonName(TMapPainter& img, const TLayerSizes& sizes, TPoligono& polygon, bool keepRegions)
{
    const std::string name = ZelUtils::Trim(polygon.Name);
    if (name.empty()) {
        if (keepRegions)
            polygon.LabelRegion = QRegion();
        return;
    }
    const TPoint& at = polygon.LabelPoint();
    ClearBrush(img);
    img.LabelAt(0, name, at.x, at.y, 4, 0);
    if (keepRegions)
        polygon.LabelRegion = img.CircleRegion(at, sizes.NodeSize + 2);
}

int32_t PolygonLast() { return std::clamp(NumPoligonos, 0, MaxPoligonos + 1) - 1; }

// Height in pixels of a generation or attraction bar: a positive value shows at
// least one pixel.
int32_t GenatrBarPixels(float value, int32_t pixsVol)
{
    const int32_t h = Round(3.0 * pixsVol * value / GenatrMax);
    return value > 0.0f ? std::max(1, h) : h;
}

// Outlines and bars of the generation/attraction rows (column GenatrCol).
void DrawGenatr(TMapPainter& img, const TViewState& view, const TLayerSizes& z, const TZoneFill& style,
                const TMarginWindow& margin, bool multiple, int32_t& colorIndex)
{
    const int32_t last = std::min(NumGenatr - 1, MaxGenatr);
    for (int32_t i = 1; i <= last; ++i) {
        const TGenatr& g = Genatr[i];
        const int32_t held = static_cast<int32_t>(g.Polygon.size()) - 1;
        const int32_t n = std::clamp(g.PolygonCount, 0, std::max(held, 0));
        if (n < 1)
            continue;
        if (multiple)
            colorIndex = colorIndex % 20 + 1;
        const std::span<const TPoint> outline(&g.Polygon[1], static_cast<size_t>(n));
        if (!margin.Meets(outline))
            continue;
        style.ResetBrush(img);
        if (multiple)
            SetBrush(img, ZoneColors[static_cast<size_t>(colorIndex)]);
        img.PolygonPtArray(outline, n - 1);
    }

    SetLabelFont(img, z, 3);
    SetPen(img, style.border, 1);
    const bool keepRegions = IsMainMap(img);
    // Rows left out now must not keep a region where they were drawn before.
    if (keepRegions)
        img.LastDrawing.ClearGenatrHits();
    bool anyClass = false;
    for (int32_t z = 1; z <= std::min(Network.ZoneCount, MaxZonas) && !anyClass; ++z)
        anyClass = Zonas[z].Class > 0;
    const int32_t col = view.GenatrCol;
    const bool bars = col >= 1 && col <= MaxGenatrVars && GenatrMax > 0.0f;
    for (int32_t i = 1; i <= last; ++i) {
        // With zones marked, only the rows at the place of a marked zone record.
        if (anyClass && (i > Network.ZoneCount || i > MaxZonas || Zonas[i].Class <= 0))
            continue;
        const TGenatr& g = Genatr[i];
        const TPoint at{g.X, g.Y};
        if (keepRegions && i <= MaxGenatr)
            img.LastDrawing.GenatrRegions[static_cast<size_t>(i)] = img.CircleRegion(at, 6);
        if (!bars || !margin.Contains(at))
            continue;
        const struct {
            float value;
            uint32_t color;
            int32_t width;
            const char* format;
            int32_t position;
        } sides[2] = {
            // The value stands above its bar's top, outside the bar: written over
            // the bar in the bar's own colour it could not be read.
            {g.Gen[col], Blue, -z.GenatrBarWidth, "%s ", 8},
            {g.Attr[col], Red, z.GenatrBarWidth, " %s", 6},
        };
        for (const auto& side : sides) {
            const int32_t h = GenatrBarPixels(side.value, z.PixsVol);
            if (h == 0)
                continue;
            SetBrush(img, side.color);
            ZoneBar(img, at, h, side.width);
            ClearBrush(img);
            img.FontColor = ToQColor(side.color);
            img.LabelAt(0, Format(side.format, GroupedNumber(side.value)), at.x, at.y + h * img.UnitsPerPixel(),
                        side.position, 0);
        }
    }
}

} // namespace

void DrawZonas(TMapPainter& Img, const TViewSnapshot& view)
{
    if (!Img.Canvas())
        return;
    const TLayerSizes sizes = view.LayerSizes();
    const TZoneFill style(view, sizes);
    const TMarginWindow margin(Img);
    TPenModeScope mode(Img, TPenMode::Copy);
    SetLabelFont(Img, sizes, 1);
    SetPen(Img, style.border, style.width);
    style.ResetBrush(Img);

    const bool multiple = view.ColorMultiple;
    const bool bySelection = view.ColorSeleccion;
    const bool codes = view.CodZona;
    int32_t colorIndex = 1;
    // Outlines are areas: the tiles list centroids only, so every zone is tested
    // against the window instead.
    for (int32_t z = 1; z <= std::min(Network.ZoneCount, MaxZonas); ++z) {
        const TZona& zone = Zonas[z];
        const std::span<const TPoint> outline = ZoneOutline(zone);
        if (outline.empty())
            continue;
        // The colour steps for every zone with an outline, drawn or not, so that a
        // zone keeps its colour wherever the view is.
        if (multiple)
            colorIndex = colorIndex % 20 + 1;
        if (!margin.Meets(outline))
            continue;
        style.ResetBrush(Img);
        if (multiple)
            SetBrush(Img, ZoneColors[static_cast<size_t>(colorIndex)]);
        if (bySelection)
            SetBrush(Img, zone.Class >= 1 && zone.Class <= MaxClasses ? view.State.ClassColors[static_cast<size_t>(zone.Class)]
                                                                      : style.fill);
        Img.PolygonPtArray(outline, static_cast<int32_t>(outline.size()) - 1);
        if (codes) {
            ClearBrush(Img);
            Img.LabelAt(0, Format("%d", zone.Number), zone.PolygonCentre.x, zone.PolygonCentre.y, 4, 0);
        }
    }

    if (view.GenAtrZona)
        DrawGenatr(Img, view.State, sizes, style, margin, multiple, colorIndex);

    if (view.State.Cents)
        return;
    SetLabelFont(Img, sizes, 1);
    ClearBrush(Img);
    ForEachViewZone([&](const TZona& zone) {
        Img.LabelAt(0, Format("%d", zone.Number), zone.CentroidX, zone.CentroidY, 1, 0);
    });
}

void DrawEntSal(TMapPainter& Img, const TViewSnapshot& view)
{
    const TLayerSizes z = view.LayerSizes();
    const int32_t j = view.State.EntSalVar;
    if (!Img.Canvas() || j < 0 || j >= static_cast<int32_t>(std::size(Zonas[0].EnteringTotals)))
        return;
    const TMarginWindow margin(Img);
    SetLabelFont(Img, z, 3);
    SetPen(Img, Silver, 1);

    // Entries rise in blue on the left of the centroid, exits in red on its right.
    struct TSide {
        uint32_t color;
        int32_t width;
        double labelShift;
        int32_t position;
    };
    const TSide sides[2] = {
        {Blue, -z.GenatrBarWidth, -1.0, 8},
        {Red, z.GenatrBarWidth, 1.0, 6},
    };
    for (int s = 0; s < 2; ++s) {
        const auto value = [&](const TZona& zone) {
            return s == 0 ? zone.EnteringTotals[j] : zone.LeavingTotals[j];
        };
        const float maximum = value(Zonas[0]);
        if (!(maximum > 0.0f))
            continue;
        ForEachViewZone([&](const TZona& zone) {
            const TPoint at{zone.CentroidX, zone.CentroidY};
            if (!margin.Contains(at))
                return;
            const float v = value(zone);
            const int32_t h = Round(3.0 * z.PixsVol * v / maximum);
            if (h == 0)
                return;
            {
                TPenModeScope mode(Img, TPenMode::NotXor);
                SetBrush(Img, sides[s].color);
                ZoneBar(Img, at, h, sides[s].width);
            }
            ClearBrush(Img);
            Img.LabelAt(0, Format("%.1f", double(v)), at.x + sides[s].labelShift, at.y + h * Img.UnitsPerPixel(),
                        sides[s].position, 0);
        });
    }
    if (view.State.Cents)
        return;
    ClearBrush(Img);
    ForEachViewZone([&](const TZona& zone) {
        Img.LabelAt(0, Format("%d", zone.Number), zone.CentroidX, zone.CentroidY, 1, 0);
    });
}

DataLayers::TLegendRequest DrawLineas(TMapPainter& Img, const TViewSnapshot& view)
{
    if (!Img.Canvas())
        return {};
    TPenModeScope mode(Img, TPenMode::Copy);

    if (view.linnone) {
        for (int32_t l = 1; l <= std::min(Network.LineCount, MaxLineas); ++l) {
            const TLinea& line = Lineas[l];
            if (!line.Visible || line.Stops.empty())
                continue;
            const int32_t stops = std::min(line.Stops[0], static_cast<int32_t>(line.Stops.size()) - 1);
            // A negative route number names its node too: the sign only marks a stop
            // without a link onwards, or a node put in to close a gap.
            for (int32_t k = 1; k < stops; ++k) {
                const int32_t a = std::abs(line.Stops[static_cast<size_t>(k)]);
                const int32_t b = std::abs(line.Stops[static_cast<size_t>(k + 1)]);
                const int32_t link = KDVlib::FindArco(a, b);
                if (link >= 1 && link <= Network.LinkCount) {
                    const TArcos& arc = Arcos[link];
                    SetPen(Img, Red, 2);
                    const int32_t n = std::clamp(arc.PointCount, 0, MaxShapePoints);
                    if (n >= 2) {
                        const std::span<const TPoint> points = arc.Points.Run(static_cast<size_t>(n));
                        Img.PolylinePtArray(points, static_cast<int32_t>(points.size()) - 1);
                    } else if (NodePlaced(arc.AIndex) && NodePlaced(arc.BIndex))
                        Img.LinePts(NodePoint(arc.AIndex), NodePoint(arc.BIndex));
                    continue;
                }
                const int32_t na = KDVlib::FindNodo(a);
                const int32_t nb = KDVlib::FindNodo(b);
                if (NodePlaced(na) && NodePlaced(nb)) {
                    SetPen(Img, Blue, 2);
                    Img.LinePts(NodePoint(na), NodePoint(nb));
                }
            }
        }
    }

    return DrawLineLoads(Img, view);
}

DataLayers::TLegendRequest DrawLineLoads(TMapPainter& Img, const TViewSnapshot& view)
{
    const TLayerSizes z = view.LayerSizes();
    if (!Img.Canvas())
        return {};
    TPenModeScope mode(Img, TPenMode::Copy);
    const bool values = view.linvehval;
    if (!view.linveh && !values)
        return {};
    // The scale the new totals give goes to the user's view where the screen
    // shows the loads (TMapRenderer), and into each copy taken before that: a
    // drawing only reads its view.
    if (LineLayers::LinkBusCountStale())
        LineLayers::RebuildLinkBusCount();
    const uint32_t modeColor = view.State.ModePenColors[static_cast<size_t>(std::clamp(view.State.RangeMode, 0, MaxRangeModes))];
    const uint32_t overColor = view.State.ModeBrushColors[static_cast<size_t>(std::clamp(view.State.RangeMode, 0, MaxRangeModes))];
    SetLabelFont(Img, z, 1);
    SetPen(Img, modeColor, 1);
    DataLayers::TLegendRequest legend{DataLayers::TLegendRequest::Bars, "BUSES", 1};
    // Bands are scaled by the largest bus total itself: the link variable shown may
    // have set RangeMax since the totals were summed.
    const float maximum = LinkBusMax;
    if (maximum > 0.0f) {
        ForEachLink([&](int32_t l, const TArcos& arc) {
            const size_t k = static_cast<size_t>(l);
            const float total = k < LinkBusCount.size() ? LinkBusCount[k] : 0.0f;
            if (!(total > 0.0f) || !NodePlaced(arc.AIndex) || !NodePlaced(arc.BIndex))
                return;
            const TPoint a = NodePoint(arc.AIndex);
            const TPoint b = NodePoint(arc.BIndex);
            const double width = std::min(1.1 * z.PixsVol, double(z.PixsVol) * total / maximum);
            if (total > maximum) {
                legend.BarsOverMax = true;
                SetBrush(Img, overColor);
            } else {
                SetBrush(Img, modeColor);
            }
            Img.PolygonRectW(Round(width), 0, a.x, a.y, b.x, b.y);
            if (values) {
                ClearBrush(Img);
                Img.LabelAt(0, Format(view.State.NumFormat.Format.c_str(), double(total)), (a.x + b.x) / 2.0, (a.y + b.y) / 2.0,
                            1, 0);
            }
        });
    }
    legend.BarScaleMax = maximum;
    // Only the main map shows the legend picture; a page writes its own legend
    // from the scale. No load drawn (a network without lines, every line
    // hidden): no legend of a scale of 0 explains bands that are not there.
    if (!IsMainMap(Img) || !(maximum > 0.0f))
        legend.kind = DataLayers::TLegendRequest::None;
    return legend;
}

void DrawPoligonos(TMapPainter& Img, const TViewSnapshot& view)
{
    if (!Img.Canvas())
        return;
    const bool keepRegions = IsMainMap(Img);
    const TLayerSizes sizes = view.LayerSizes();
    const bool names = view.MostrarNombresPlg && !view.MostrarNombresArribaPlg;
    TPenModeScope mode(Img, TPenMode::Copy);
    SetLabelFont(Img, sizes, 7);
    for (int32_t i = 0; i <= PolygonLast(); ++i) {
        TPoligono& polygon = Poligonos[static_cast<size_t>(i)];
        if (!polygon.Visible) {
            // A deleted polygon is found nowhere on the map.
            if (keepRegions)
                polygon.PolygonRegion = polygon.LabelRegion = QRegion();
            continue;
        }
        SetPen(Img, polygon.PenColor, polygon.PenWidth);
        if (polygon.BrushClear)
            ClearBrush(Img);
        else
            SetBrush(Img, polygon.BrushColor);
        const int32_t n = polygon.VertexCount();
        const std::span<const TPoint> vertices =
            n > 0 ? std::span<const TPoint>(&polygon.Points[1], static_cast<size_t>(n)) : std::span<const TPoint>();
        Img.PolygonPtArray(vertices, n - 1);
        if (keepRegions)
            polygon.PolygonRegion = Img.AddPolygonRegion(vertices, n - 1, 1);
        if (names)
            DrawPolygonName(Img, sizes, polygon, keepRegions);
    }
}

void DrawNamePoligonos(TMapPainter& Img, const TViewSnapshot& view)
{
    if (!Img.Canvas())
        return;
    if (!view.MostrarNombresPlg || !view.MostrarNombresArribaPlg)
        return;
    const bool keepRegions = IsMainMap(Img);
    const TLayerSizes sizes = view.LayerSizes();
    SetLabelFont(Img, sizes, 7);
    for (int32_t i = 0; i <= PolygonLast(); ++i) {
        TPoligono& polygon = Poligonos[static_cast<size_t>(i)];
        if (polygon.Visible)
            DrawPolygonName(Img, sizes, polygon, keepRegions);
    }
}

void DrawSolera(TMapPainter& Img, const TViewSnapshot& view)
{
    const TLayerSizes z = view.LayerSizes();
    if (!Img.Canvas())
        return;
    SetPen(Img, view.Options ? view.SoleraColor : Silver, 1);
    ClearBrush(Img);
    TPenModeScope mode(Img, TPenMode::Copy);
    const TMarginWindow margin(Img);
    const int32_t layers = std::clamp(GeoLayers().NumGeoLayers, 0, MaxGeoLayers);
    for (int32_t layer = 1; layer <= layers; ++layer) {
        const TItems& style = z.Items[static_cast<size_t>(10 + layer)];
        if (!GeoLayers().GeoLayerVisible[layer] || style.Width <= 0)
            continue;
        SetPen(Img, style.Color, style.Width, style.PenStyle);
        int32_t first, last;
        LineLayers::LayerRange(layer, first, last);
        for (int32_t r = first; r <= last; ++r) {
            const GeoLink& g = GeoLayers().GeoLinks[r];
            const int32_t n = std::min(g.Count, static_cast<int32_t>(g.Points.size()));
            if (n < 1 || g.Name == GeoDeletedName)
                continue;
            const std::span<const TPoint> points(g.Points.data(), static_cast<size_t>(n));
            if (margin.Meets(points))
                Img.PolylinePtArray(points, n - 1);
        }
    }
    // Labels: the names that the layers' name files gave their polylines.
    ClearBrush(Img);
    for (int32_t layer = 1; layer <= layers; ++layer) {
        if (!GeoLayers().GeoLayerVisible[layer] || !z.Items[static_cast<size_t>(10 + layer)].ShowNames)
            continue;
        SetLabelFont(Img, z, 10 + layer);
        int32_t first, last;
        LineLayers::LayerRange(layer, first, last);
        for (int32_t r = first; r <= last; ++r) {
            const GeoLink& g = GeoLayers().GeoLinks[r];
            if (g.Name.empty() || g.Name == GeoDeletedName || g.Points.empty() || !margin.Contains(g.LabelPos))
                continue;
            Img.LabelAt(g.LabelAngle, g.Name, g.LabelPos.x, g.LabelPos.y, 4, 0);
        }
    }
}

void DrawPuntos(TMapPainter& Img, const TViewSnapshot& view)
{
    if (!Img.Canvas() || NumDots < 0)
        return;
    TPenModeScope mode(Img, TPenMode::Copy);
    QFont font(QString::fromStdString(view.State.LabelFonts[2].Name));
    font.setPointSize(std::max(1, view.State.LabelFonts[2].Size + 4));
    font.setBold(true);
    Img.Canvas()->setFont(font);
    Img.FontColor = ToQColor(Red);
    for (int32_t i = 0; i <= std::min(NumDots, MaxDots); ++i) {
        const TDot& dot = Dots[static_cast<size_t>(i)];
        SetPen(Img, Blue, 1);
        SetBrush(Img, Blue);
        Img.PolylineArrays(6, 0, dot.Pos.x, dot.Pos.y, view.State.CentroidSize);
        ClearBrush(Img);
        Img.LabelAt(0, Format("%d", dot.Value), dot.Pos.x, dot.Pos.y, 4, 0);
    }
}
