#include "export/DxfMapExport.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "export/DxfDataLayers.h"
#include "export/ZelDxfer.h"
#include "map/DrawState.h"
#include "map/ViewSnapshot.h"
#include "map/GeoLayers.h"
#include "map/Polygons.h"
#include "map/ViewTiles.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/TextCodec.h"
#include "model/ZelUtils.h"

using namespace ZelDxfer;

namespace DxfMapExport {

namespace {

int32_t Colour(uint32_t c) { return ZelUtils::NearestColour(c); }

bool ValidNode(int32_t i) { return i >= 1 && i <= Network.NodeCount; }
bool Drawable(const TArcos& a) { return ValidNode(a.AIndex) && ValidNode(a.BIndex); }
// Both ends on the map: a link whose points or connectors can be drawn.
bool Placed(const TArcos& a) { return Drawable(a) && Nodos[a.AIndex].HasXY && Nodos[a.BIndex].HasXY; }
const TArcos& Opposite(const TArcos& a)
{
    return a.ReverseIndex >= 1 && a.ReverseIndex <= Network.LinkCount ? Arcos[a.ReverseIndex] : a;
}
TPoint NodeXY(int32_t i) { return {Nodos[i].X, Nodos[i].Y}; }

// A street name in capitals, accented letters included ("Peñalolén" is
// "PEÑALOLÉN"), kept in the encoding it came in (UTF-8 or Windows-1252). A
// letter whose capital the drawing's code page lacks stays as it is.
std::string UpperStreetName(std::string name)
{
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    TextCodec::UpperAccented(name);
    return name;
}

// The tiles' records: every one once with the single-tile grid.
template <class F>
void ForEachNode(F&& f)
{
    ViewTiles::ForEachTile([&](const TSpatialTile& t) {
        const int32_t n = std::clamp(t.NodeCount, 0, MaxNodos + 1);
        for (int32_t k = 0; k < n; ++k)
            if (ValidNode(t.Nodes[k]))
                f(t.Nodes[k]);
    });
}

// The map as a drawing: the writer and the layers the map shows.
class TMapDrawing : public TDxfWriter {
public:
    bool PrintDxfFile(const std::string& fileName, const TDxfMapOptions& o);
    bool PrintCallesDxf(const std::string& fileName, const TDxfMapOptions& o);

private:
    void Header();
    void Tables(const std::vector<std::string>& names, const std::vector<bool>& visible,
                const std::vector<int32_t>& colours);
    void Red();
    void Arrows(const TDxfMapOptions& o);
    void NodesLayer(const TDxfMapOptions& o);
    void ArcosLayer();
    void Cents();
    void Zones(const TDxfMapOptions& o);
    void NameNodes();
    void Calles(bool upper);
    void PolygonsLayer();
    void Soleras();

    // The view drawn: its window, sizes and styles (the options' copy while a file is written).
    const TViewState& View() const { return view_ ? *view_ : UserView(); }
    const TViewState* view_ = nullptr;
};

void TMapDrawing::Header()
{
    DxfSection("HEADER");
    DxfCodePage();
    DxfExtMin(View().WorldMinX, View().WorldMinY);
    DxfExtMax(View().WorldMaxX, View().WorldMaxY);
    DxfPdMode(15.0);
    DxfEndSection();
}

void TMapDrawing::Tables(const std::vector<std::string>& names, const std::vector<bool>& visible,
            const std::vector<int32_t>& colours)
{
    DxfSection("TABLES");
    DxfVport(View().WorldMinX, View().WorldMinY, View().WorldMaxX, View().WorldMaxY);
    const std::string lt[] = {"CONTINUA", "PUNTOS", "TRAZOS"};
    const double total[] = {0.0, 6.35, 19.05}, dash[] = {0.0, 0.0, 12.7}, gap[] = {0.0, -6.35, -6.35};
    DxfLtypes(lt, total, dash, gap);
    const std::vector<bool>::size_type n = visible.size();
    std::unique_ptr<bool[]> vis(new bool[n]);
    for (size_t i = 0; i < n; ++i)
        vis[i] = visible[i];
    DxfLayers(names, std::span<const bool>(vis.get(), n), colours);
    DxfEndSection();
}

void TMapDrawing::Red()
{
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!Drawable(a))
            return;
        const TArcos& o = Opposite(a);
        DxfLineColor = 0;
        if (a.Mark > 0 && a.Mark <= MaxClasses)
            DxfLineColor = Colour(View().ClassColors[a.Mark]);
        if (o.Mark > 0 && o.Mark <= MaxClasses)
            DxfLineColor = Colour(View().ClassColors[o.Mark]);
        DxfLineType = "CONTINUA";
        for (int bit : {4, 8}) {
            const int both = a.HasFlag(bit) + o.HasFlag(bit);
            if (both == 2)
                DxfLineType = "PUNTOS";
            else if (both == 1)
                DxfLineType = "TRAZOS";
        }
        DxfLine("RED", Nodos[a.AIndex].X, Nodos[a.AIndex].Y, Nodos[a.BIndex].X, Nodos[a.BIndex].Y);
    });
    DxfLineType = "ByLayer";
}

void TMapDrawing::Arrows(const TDxfMapOptions& o)
{
    const double size = ZelUtils::Round(View().ArrowSize * 4.0 * View().SizeFactor);
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!Drawable(a) || !a.Active)
            return;
        if (!a.NoReverse && !a.HasFlag(1) && !Opposite(a).HasFlag(1))
            return;
        DxfSolidColor = Colour(clYellow);
        DxfLineColor = Colour(a.HasFlag(1) ? clRed : clGreen);
        const TPoint b = NodeXY(a.BIndex);
        if (o.SimpleArrow)
            DxfArrow("SENTIDOS", a.BearingB, b.x, b.y, size);
        else
            DxfArrowHead("SENTIDOS", a.BearingB, b.x, b.y, size);
    });
}

void TMapDrawing::NodesLayer(const TDxfMapOptions& o)
{
    DxfLineColor = 0;
    ForEachNode([&](int32_t i) {
        if (o.ColorNode)
            DxfLineColor = Colour(JunctionTypeColors[std::clamp(Nodos[i].JunctionType, 0, 5)]);
        DxfPoint("NODOS", Nodos[i].X, Nodos[i].Y);
    });
}

void TMapDrawing::ArcosLayer()
{
    DxfLineColor = Colour(clFuchsia);
    for (int32_t l = 1; l <= Network.LinkCount; ++l) {
        const TArcos& a = Arcos[l];
        // A link with an end not on the map has no trace there either: its points
        // were never set, and would put a line at the origin of the drawing.
        if (!Placed(a))
            continue;
        const int32_t n = std::clamp(a.PointCount, 0, MaxShapePoints);
        if (n > 0)
            DxfPolyline("ARCOS", a.Points.Run(static_cast<size_t>(n)));
    }
}

void TMapDrawing::Cents()
{
    DxfLineColor = Colour(clGreen);
    ViewTiles::ForEachZone([this](int32_t, const TZona& z) {
        for (int32_t c = 1; c <= z.ConnectorCount && c < static_cast<int32_t>(z.Connectors.size()); ++c) {
            const TZoneConnector& k = z.Connectors[c];
            if (k.Kind == 0 && k.LinkIndex > 0 && k.LinkIndex <= Network.LinkCount) {
                const TArcos& a = Arcos[k.LinkIndex];
                if (!Placed(a))
                    continue;
                const double x = 0.25 * Nodos[a.AIndex].X + 0.75 * Nodos[a.BIndex].X;
                const double y = 0.25 * Nodos[a.AIndex].Y + 0.75 * Nodos[a.BIndex].Y;
                DxfLine("CENTROIDES", z.CentroidX, z.CentroidY, x, y);
            } else if (ValidNode(k.NodeIndex) && Nodos[k.NodeIndex].HasXY) {
                DxfLine("CENTROIDES", z.CentroidX, z.CentroidY, Nodos[k.NodeIndex].X, Nodos[k.NodeIndex].Y);
            }
        }
    });
    ViewTiles::ForEachZone([this](int32_t, const TZona& z) {
        DxfTriangle("CENTROIDES", z.CentroidX, z.CentroidY, View().CentroidSize * View().SizeFactor);
    });
    DxfTextHeight = View().LabelFonts[1].Size * View().SizeFactor;
    DxfTextColor = Colour(View().LabelFonts[1].Color);
    ViewTiles::ForEachZone([this](int32_t, const TZona& z) {
        DxfText("CENTROIDES", 0, ZelUtils::Format("%d", z.Number), z.CentroidX, z.CentroidY, 1);
    });
}

void TMapDrawing::Zones(const TDxfMapOptions& o)
{
    DxfLineColor = Colour(o.ZonaBordeColor);
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zo = Zonas[z];
        const int32_t n = std::min<int32_t>(zo.PolygonCount, static_cast<int32_t>(zo.Polygon.size()) - 1);
        if (n > 0)
            DxfPolyline("ZONAS", std::span<const TPoint>(zo.Polygon.data() + 1, static_cast<size_t>(n)));
    }
}

void TMapDrawing::NameNodes()
{
    DxfTextHeight = View().LabelFonts[2].Size * View().SizeFactor;
    DxfTextColor = 0;
    const auto position = static_cast<uint8_t>(View().NodeLabelPos);
    ForEachNode([&](int32_t i) {
        DxfText("NNODOS", 0, ZelUtils::Format("%d", Nodos[i].Number), Nodos[i].X, Nodos[i].Y, position);
    });
}

void TMapDrawing::Calles(bool upper)
{
    DxfTextHeight = View().LabelFonts[5].Size * View().SizeFactor;
    DxfTextColor = 0;
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!Drawable(a) || !a.Active)
            return;
        const int32_t bearing = a.BearingA;
        const bool backwards = bearing > 900 && bearing < 2700;
        if (!a.NoReverse && backwards)
            return; // a two-way street is named in one direction only
        std::string name = ZelUtils::Trim(a.StreetName);
        if (name.empty())
            name = ZelUtils::Trim(Opposite(a).StreetName);
        if (name.empty())
            return;
        if (upper)
            name = UpperStreetName(name);
        const double f = View().StreetLabelOffset;
        const double x = f * Nodos[a.AIndex].X + (1.0 - f) * Nodos[a.BIndex].X;
        const double y = f * Nodos[a.AIndex].Y + (1.0 - f) * Nodos[a.BIndex].Y;
        DxfText("CALLES", backwards ? bearing - 1800 : bearing, name, x, y, static_cast<uint8_t>(View().StreetLabelPos));
    });
}

void TMapDrawing::PolygonsLayer()
{
    for (int32_t p = 0; p < NumPoligonos && p <= MaxPoligonos; ++p) {
        const TPoligono& pg = Poligonos[p];
        if (!pg.Visible)
            continue;
        DxfLineColor = Colour(pg.PenColor);
        const int32_t n = std::min<int32_t>(pg.PointCount, static_cast<int32_t>(pg.Points.size()) - 1);
        if (n > 0)
            DxfPolyline("POLIGONOS", std::span<const TPoint>(pg.Points.data() + 1, static_cast<size_t>(n)));
    }
}

void TMapDrawing::Soleras()
{
    const double m = 0.2 * (Network.MaxX - Network.MinX);
    DxfLineColor = 0;
    for (int32_t i = 1; i <= GeoLayers().NumGeoLayers && i <= MaxGeoLayers; ++i) {
        if (!GeoLayers().GeoLayerVisible[i] || 10 + i > MaxItems || View().Items[10 + i].Width <= 0)
            continue;
        DxfLineWidth = View().Items[10 + i].Width;
        const std::string layer = ZelUtils::Format("SOLERA%d", i);
        // Layer i holds the records GeoLayerEnd[i - 1] + 1 .. GeoLayerEnd[i].
        const int32_t last = std::min(GeoLayers().GeoLayerEnd[i], static_cast<int32_t>(MaxGeoLinks));
        for (int32_t g = std::max(GeoLayers().GeoLayerEnd[i - 1] + 1, 1); g <= last; ++g) {
            const GeoLink& gl = GeoLayers().GeoLinks[g];
            const int32_t n = std::min<int32_t>(gl.Count, static_cast<int32_t>(gl.Points.size()));
            if (n < 1 || gl.Name == GeoDeletedName)
                continue;
            const TPoint& f = gl.Points[0];
            const TPoint& l = gl.Points[n - 1];
            auto inX = [&](double x) { return x >= View().WorldMinX - m && x <= View().WorldMaxX + m; };
            auto inY = [&](double y) { return y >= View().WorldMinY - m && y <= View().WorldMaxY + m; };
            if ((inX(f.x) || inX(l.x)) && (inY(f.y) || inY(l.y)))
                DxfPolyline(layer, std::span<const TPoint>(gl.Points.data(), static_cast<size_t>(n)));
        }
    }
    DxfLineWidth = 0;
}

} // namespace

TDxfMapOptions MapOptions(const TViewSnapshot& view)
{
    TDxfMapOptions o;
    o.State = view.State;
    o.tbNodes = view.State.Nodes;
    o.tbNameNodes = view.State.NameNodes;
    o.tbArrows = view.State.Arrows;
    o.tbCalles = view.State.Calles;
    o.tbCents = view.State.Cents;
    o.tbZonas = view.State.Zonas;
    o.tbPoligonos = view.State.Poligonos;
    o.tbAtributos = view.State.Atributos;
    o.tbColores = view.State.Colores;
    o.tbValues = view.State.Values;
    o.tbSel = view.State.Sel;
    o.SimpleArrow = view.SimpleArrow;
    o.ColorNode = view.ColorNode;
    o.aAtributos2 = view.aAtributos2;
    if (view.Options) {
        o.DrawNull = view.DrawNull;
        o.Giros = view.Giros;
        o.HideBlocked = view.BlockedColor == clWhite;
        o.NodosColor = view.NodosColor;
        o.ArrowsColor = view.ArrowsColor;
        o.TrazaColor = view.TrazaColor;
        o.AccesoColor = view.AccesoColor;
        o.ZonaBordeColor = view.ZonaBordeColor;
        o.PoliBordeColor = view.PoliBordeColor;
    }
    return o;
}

bool TMapDrawing::PrintDxfFile(const std::string& fileName, const TDxfMapOptions& o)
{
    view_ = &o.State;
    std::vector<std::string> names = {"0",      "RED",   "NODOS", "NNODOS",     "SENTIDOS",
                                      "CALLES", "ARCOS", "CENTROIDES", "ZONAS", "POLIGONOS"};
    std::vector<bool> visible = {true, true, o.tbNodes, o.tbNameNodes, o.tbArrows, o.tbCalles, false,
                                 o.tbCents, o.tbZonas, o.tbPoligonos};
    std::vector<int32_t> colours = {7,
                                    Colour(clBlack),
                                    Colour(o.NodosColor),
                                    Colour(View().LabelFonts[2].Color),
                                    Colour(o.ArrowsColor),
                                    Colour(View().LabelFonts[5].Color),
                                    Colour(o.TrazaColor),
                                    Colour(o.AccesoColor),
                                    Colour(o.ZonaBordeColor),
                                    Colour(o.PoliBordeColor)};
    DxfDataLayers::TDataLayerExport data(o, o.FullDxf);
    if (o.FullDxf)
        for (int32_t i = 1; i <= GeoLayers().NumGeoLayers && i <= MaxGeoLayers && 10 + i <= MaxItems; ++i) {
            names.push_back(ZelUtils::Format("SOLERA%d", i));
            visible.push_back(false);
            colours.push_back(Colour(View().Items[10 + i].Color));
        }
    for (const DxfDataLayers::TLayerEntry& e : data.Layers()) {
        names.push_back(e.Name);
        visible.push_back(e.Visible);
        colours.push_back(e.Colour);
    }
    DxfOpen(fileName);
    Header();
    Tables(names, visible, colours);
    DxfSection("ENTITIES");
    data.Entities(*this);
    if (o.FullDxf)
        Soleras();
    DxfLineType = "ByLayer";
    Red();
    Arrows(o);
    NodesLayer(o);
    ArcosLayer();
    Cents();
    Zones(o);
    NameNodes();
    Calles(false);
    PolygonsLayer();
    DxfEndSection();
    return DxfClose();
}

bool TMapDrawing::PrintCallesDxf(const std::string& fileName, const TDxfMapOptions& o)
{
    view_ = &o.State;
    const std::vector<std::string> names = {"0", "CALLES"};
    const std::vector<bool> visible = {true, o.tbCalles};
    const std::vector<int32_t> colours = {7, Colour(View().LabelFonts[5].Color)};
    DxfOpen(fileName);
    Header();
    Tables(names, visible, colours);
    DxfSection("ENTITIES");
    Calles(true);
    DxfEndSection();
    return DxfClose();
}

bool PrintDxfFile(const std::string& fileName, const TDxfMapOptions& options)
{
    return TMapDrawing().PrintDxfFile(fileName, options);
}

bool PrintCallesDxf(const std::string& fileName, const TDxfMapOptions& options)
{
    return TMapDrawing().PrintCallesDxf(fileName, options);
}

} // namespace DxfMapExport
