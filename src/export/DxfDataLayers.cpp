#include "export/DxfDataLayers.h"

#include "export/DxfMapExport.h"
#include "export/ZelDxfer.h"
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "map/ViewTiles.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "model/ZelUtilsGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

using namespace ZelDxfer;

namespace DxfDataLayers {

namespace {

constexpr double TenthsPerRadian = 1800.0 / std::numbers::pi;

int32_t Colour(uint32_t c) { return ZelUtils::NearestColour(c); }

size_t Mode() { return static_cast<size_t>(std::clamp(RangeMode, 0, MaxRangeModes)); }

bool ValidNode(int32_t i) { return i >= 1 && i <= Network.NodeCount; }

TPoint NodeXY(int32_t i) { return {Nodos[i].X, Nodos[i].Y}; }

// Variable number of a grid column, 0 when the column holds no variable.
int32_t LinkVariable(int32_t column)
{
    if (column < 1 || column >= NumArcosColumns)
        return 0;
    const int32_t k = ColVarArcos[static_cast<size_t>(column)];
    return k >= 1 && k <= NumLinkVars ? k : 0;
}

int32_t MovimVariable(int32_t column)
{
    if (column < 1 || column >= NumMovimColumns)
        return 0;
    const int32_t k = ColVarMovim[static_cast<size_t>(column)];
    return k >= 1 && k <= NumMovVars ? k : 0;
}

float LinkValue(const TArcos& a)
{
    const int32_t k = LinkVariable(RangeVarArcos);
    return k ? a.Var[k] : 0.0f;
}

float MovimValue(const TMovimiento& m)
{
    const int32_t k = MovimVariable(RangeVarMovim);
    return k ? m.Var[k] : 0.0f;
}

// The links that carry data layers: both ends known, shown, and selected while
// only the selection is drawn.
bool InLinkLayers(const TArcos& a, const TDxfMapOptions& o)
{
    return ValidNode(a.AIndex) && ValidNode(a.BIndex) && a.Active && (!o.tbSel || a.Mark > 0);
}

std::string ValueText(double v) { return ZelUtils::Format(NumFormat.Format.c_str(), v); }

// Headless stand-ins for the main window's choice of variables.
void ColumnRangeValues()
{
    RangeVarArcos = RangeVarByMode[Mode()];
    const int32_t k = LinkVariable(RangeVarArcos);
    if (!k)
        return;
    RangeName = TitArcos[static_cast<size_t>(RangeVarArcos)];
    if (!ScaleFixed) {
        RangeMin = Arcos[0].Var[k];
        RangeMax = Arcos[ArcosMaxRec].Var[k];
    }
}

bool MovimColumnRangeValues()
{
    const int32_t k = MovimVariable(RangeItemMovim);
    if (!k || Network.MovementCount < 1)
        return false;
    RangeVarMovim = RangeItemMovim;
    RangeMovimMin = Movims[0].Var[k];
    RangeMovimMax = Movims[MovimsMaxRec].Var[k];
    return true;
}

} // namespace

std::string LayerName(const char* prefix, const std::string& rangeName)
{
    std::string name = prefix;
    for (char c : rangeName) {
        if (c == ' ' || c == '.')
            continue;
        // Characters that a drawing's symbol table does not accept in a name.
        if (std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 32)
            c = '_';
        name += c;
    }
    return name;
}

void DxfAtributos(const std::string& layer, const TDxfMapOptions& o)
{
    const double attrMax = RangeMax;
    if (!(attrMax > 0.0))
        return; // no scale: the bands would have no width
    const int32_t over = Colour(ModeBrushColors[Mode()]);
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!InLinkLayers(a, o))
            return;
        const double v = LinkValue(a);
        DxfSolidColor = v > attrMax ? over : 0;
        const double w = std::min(PixsVol * v / attrMax, 1.1 * PixsVol);
        const TPoint p = NodeXY(a.AIndex), q = NodeXY(a.BIndex);
        DxfSolidRec(layer, ZelUtils::Round(w * SizeFactor), p.x, p.y, q.x, q.y);
    });
    DxfSolidColor = 0;
}

void DxfTemas(const std::string& layer, const TDxfMapOptions& o)
{
    const int32_t last = std::clamp(NumRanges, 0, MaxRangeClasses);
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!InLinkLayers(a, o))
            return;
        const float v = LinkValue(a);
        DxfSolidColor = 0;
        bool shown = true;
        for (int32_t r = 0; r <= last; ++r) {
            const TRangeClass& c = RangeTable[static_cast<size_t>(r)];
            if (c.Low < v && c.High >= v) {
                if (c.Active)
                    DxfSolidColor = Colour(c.Color);
                else
                    shown = false;
            }
        }
        if (shown) {
            const TPoint p = NodeXY(a.AIndex), q = NodeXY(a.BIndex);
            DxfSolidRec(layer, PixsCol, p.x, p.y, q.x, q.y);
        }
    });
    DxfSolidColor = 0;
}

void DxfValores(const std::string& layer, const TDxfMapOptions& o)
{
    DxfTextHeight = LabelFonts[4].Size * SizeFactor;
    DxfTextColor = 0;
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!InLinkLayers(a, o))
            return;
        const float v = LinkValue(a);
        if (v == 0.0f && !o.DrawNull)
            return;
        TPoint p, q;
        int32_t angle;
        const int32_t n = std::min(a.PointCount, MaxShapePoints);
        if (n > 2) {
            // The middle shape segment: points m - 1 and m counting from 0.
            const int32_t m = n / 2;
            p = a.Points[m];
            q = a.Points[m + 1];
            angle = ZelUtils::Round(ZelUtils::PointAngle(p, q) * TenthsPerRadian);
        } else {
            p = NodeXY(a.AIndex);
            q = NodeXY(a.BIndex);
            angle = a.BearingA;
        }
        DxfText(layer, angle, ZelUtils::Trim(ValueText(v)), (p.x + q.x) / 2.0, (p.y + q.y) / 2.0, 1);
    });
}

void DxfMovimientos(const std::string& layer)
{
    DxfLineColor = Colour(ModePenColors[Mode()]);
    DxfTextColor = Colour(LabelFonts[4].Color);
    DxfTextHeight = ZelUtils::Round(LabelFonts[4].Size * SizeFactor);
    const int32_t last = std::clamp(NumRanges, 0, MaxRangeClasses);
    std::set<int32_t> done; // a movement listed in several tiles is drawn once
    ViewTiles::ForEachTile([&](const TSpatialTile& t) {
        const int32_t count = std::clamp(t.MovementCount, 0, MaxMovims + 2);
        for (int32_t k = 0; k < count; ++k) {
            const int32_t i = t.Movements[k];
            if (i < 1 || i > Network.MovementCount || !done.insert(i).second)
                continue;
            const TMovimiento& mv = Movims[i];
            if (!ValidNode(mv.AIndex) || !ValidNode(mv.JunctionIndex))
                continue;
            const float v = MovimValue(mv);
            std::string label = ValueText(v);
            for (int32_t r = 0; r <= last; ++r) {
                const TRangeClass& c = RangeTable[static_cast<size_t>(r)];
                if (c.Low < v && c.High >= v) {
                    if (c.Active) {
                        DxfLineColor = Colour(c.Color);
                    } else {
                        DxfLineColor = Colour(clSilver);
                        label.clear();
                    }
                }
            }
            const std::array<int32_t, 3> flags = {mv.TurnAngle > 450 ? 1 : 0,
                                                  mv.TurnAngle <= 450 && mv.TurnAngle >= -450 ? 1 : 0,
                                                  mv.TurnAngle < -450 ? 1 : 0};
            const TPoint p = NodeXY(mv.AIndex), q = NodeXY(mv.JunctionIndex);
            const double d = std::hypot(p.x - q.x, p.y - q.y);
            if (!(d > 0.0))
                continue;
            const double far = 50.0 * FMov / d, near = 2.0 * FMov / d;
            const TPoint f{q.x + far * (p.x - q.x), q.y + far * (p.y - q.y)};
            const TPoint nr{q.x + near * (p.x - q.x), q.y + near * (p.y - q.y)};
            // The turns of one approach stand side by side, left turns on the left,
            // as on the map.
            DxfLinkFigure(layer, f, nr, flags, mv.TurnDir, label);
        }
    });
}

// ---- The export ----

struct TDataLayerExport::Saved {
    int32_t RangeVarArcos, RangeVarMovim, RangeItemMovim;
    std::string RangeName;
    float RangeMin, RangeMax, RangeMovimMin, RangeMovimMax;
    std::array<TRangeClass, MaxRangeClasses + 1> Table;
    std::array<int32_t, MaxRangeModes + 1> VarByMode;
};

TDataLayerExport::TDataLayerExport(const TDxfMapOptions& o, bool full)
    : o_(o), full_(full),
      saved_(new Saved{::RangeVarArcos, ::RangeVarMovim, RangeItemMovim, ::RangeName, RangeMin, RangeMax,
                       RangeMovimMin, RangeMovimMax, RangeTable, RangeVarByMode})
{
    startMovName_ = MovimName();
}

// Everything the walk over the columns changed goes back as it was: the export
// never changes what the map shows.
TDataLayerExport::~TDataLayerExport()
{
    ::RangeVarArcos = saved_->RangeVarArcos;
    ::RangeVarMovim = saved_->RangeVarMovim;
    RangeItemMovim = saved_->RangeItemMovim;
    ::RangeName = saved_->RangeName;
    RangeMin = saved_->RangeMin;
    RangeMax = saved_->RangeMax;
    RangeMovimMin = saved_->RangeMovimMin;
    RangeMovimMax = saved_->RangeMovimMax;
    RangeTable = saved_->Table;
    RangeVarByMode = saved_->VarByMode;
    delete saved_;
}

std::string TDataLayerExport::LinkName() const
{
    if (::RangeVarArcos < 1 || ::RangeVarArcos >= NumArcosColumns)
        return {};
    if (o_.LinkTitle)
        return o_.LinkTitle(::RangeVarArcos);
    return TitArcos[static_cast<size_t>(::RangeVarArcos)];
}

std::string TDataLayerExport::MovimName() const
{
    if (RangeVarMovim < 1 || RangeVarMovim >= NumMovimColumns)
        return {};
    if (o_.MovimTitle)
        return o_.MovimTitle(RangeVarMovim);
    return TitMovim[static_cast<size_t>(RangeVarMovim)];
}

void TDataLayerExport::SelectLinkColumn(int32_t column)
{
    RangeVarByMode[Mode()] = column;
    if (o_.ArcosRangeValues)
        o_.ArcosRangeValues();
    else
        ColumnRangeValues();
}

bool TDataLayerExport::SelectMovimColumn(int32_t column)
{
    RangeItemMovim = column;
    return o_.MovimRangeValues ? o_.MovimRangeValues() : MovimColumnRangeValues();
}

// f() for every link column holding a variable with a positive maximum, that
// column being the current link variable.
template <class F>
void TDataLayerExport::ForEachLinkColumn(F&& f)
{
    const int32_t last = std::min(NumColArcos - 1, NumArcosColumns - 1);
    for (int32_t c = 2; c <= last; ++c) {
        if (!LinkVariable(c))
            continue;
        SelectLinkColumn(c);
        if (::RangeVarArcos == c && RangeMax > 0.0f)
            f();
    }
}

template <class F>
void TDataLayerExport::ForEachMovimColumn(F&& f)
{
    const int32_t last = std::min(NumColMovim - 1, NumMovimColumns - 1);
    for (int32_t c = 3; c <= last; ++c)
        if (SelectMovimColumn(c) && RangeMovimMax > 0.0f)
            f();
}

// The full export writes the current link variable's layers with its column.
bool TDataLayerExport::CurrentColumnInWalk() const
{
    return full_ && saved_->RangeVarArcos >= 2 && saved_->RangeVarArcos < NumColArcos &&
           LinkVariable(saved_->RangeVarArcos) && saved_->RangeMax > 0.0f;
}

std::vector<TLayerEntry> TDataLayerExport::Layers()
{
    std::vector<TLayerEntry> layers;
    std::set<std::string> names;
    auto add = [&](const std::string& name, bool visible, int32_t colour) {
        if (names.insert(name).second)
            layers.push_back({name, visible, colour});
    };
    const int32_t pen = Colour(ModePenColors[Mode()]), white = Colour(clWhite), text = Colour(LabelFonts[4].Color);
    if (!full_) {
        // Every layer the entities go to has its row; the values written with the
        // bands or themes stay switched off unless the values button is down.
        const bool linkVar = LinkVariable(::RangeVarArcos) != 0;
        const bool bands = linkVar && o_.tbAtributos && RangeMax > 0.0f;
        if (bands)
            add(LayerName("ATT_", LinkName()), true, pen);
        if (linkVar && o_.tbColores)
            add(LayerName("TEM_", LinkName()), true, white);
        if (linkVar && (o_.tbValues || o_.tbColores || (bands && !ShownVarList.empty())))
            add(LayerName("VAL_", LinkName()), o_.tbValues, text);
        if (o_.aAtributos2 && MovimVariable(::RangeVarMovim))
            add(LayerName("MVT_", MovimName()), true, white);
        return layers;
    }
    if (LinkVariable(::RangeVarArcos) && !CurrentColumnInWalk()) {
        if (o_.tbAtributos && RangeMax > 0.0f)
            add(LayerName("ATT_", LinkName()), true, pen);
        if (o_.tbColores)
            add(LayerName("TEM_", LinkName()), true, white);
        if (o_.tbValues)
            add(LayerName("VAL_", LinkName()), true, text);
    }
    ForEachLinkColumn([&] {
        const bool current = ::RangeVarArcos == saved_->RangeVarArcos;
        add(LayerName("ATT_", LinkName()), current && o_.tbAtributos, pen);
        add(LayerName("TEM_", LinkName()), current && o_.tbColores, white);
        add(LayerName("VAL_", LinkName()), current && o_.tbValues, text);
    });
    ForEachMovimColumn([&] {
        add(LayerName("MVT_", MovimName()), MovimName() == startMovName_ && o_.aAtributos2, white);
    });
    // Put the current variables back for the entities' first step.
    ::RangeVarArcos = saved_->RangeVarArcos;
    ::RangeName = saved_->RangeName;
    RangeMin = saved_->RangeMin;
    RangeMax = saved_->RangeMax;
    ::RangeVarMovim = saved_->RangeVarMovim;
    RangeMovimMin = saved_->RangeMovimMin;
    RangeMovimMax = saved_->RangeMovimMax;
    RangeVarByMode = saved_->VarByMode;
    RangeItemMovim = saved_->RangeItemMovim;
    return layers;
}

void TDataLayerExport::Entities()
{
    const bool linkVar = LinkVariable(::RangeVarArcos) != 0;
    if (!full_) {
        // The current variables, each layer once.
        const bool bands = linkVar && o_.tbAtributos && RangeMax > 0.0f;
        if (bands)
            DxfAtributos(LayerName("ATT_", LinkName()), o_);
        if (linkVar && o_.tbColores)
            DxfTemas(LayerName("TEM_", LinkName()), o_);
        if (linkVar && (o_.tbValues || o_.tbColores || (bands && !ShownVarList.empty())))
            DxfValores(LayerName("VAL_", LinkName()), o_);
        if (o_.aAtributos2 && MovimVariable(::RangeVarMovim))
            DxfMovimientos(LayerName("MVT_", MovimName()));
        return;
    }
    // The current variable with the range table of the moment, unless its own
    // column writes the same layers below.
    if (linkVar && !CurrentColumnInWalk()) {
        if (o_.tbAtributos)
            DxfAtributos(LayerName("ATT_", LinkName()), o_);
        if (o_.tbColores)
            DxfTemas(LayerName("TEM_", LinkName()), o_);
        if (o_.tbValues)
            DxfValores(LayerName("VAL_", LinkName()), o_);
    }
    ForEachLinkColumn([&] {
        Ranges::PrepareRanges(::RangeName, RangeMin, RangeMax);
        DxfAtributos(LayerName("ATT_", LinkName()), o_);
        DxfTemas(LayerName("TEM_", LinkName()), o_);
        DxfValores(LayerName("VAL_", LinkName()), o_);
    });
    ForEachMovimColumn([&] { DxfMovimientos(LayerName("MVT_", MovimName())); });
}

} // namespace DxfDataLayers
