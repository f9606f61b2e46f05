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

size_t Mode(const TViewState& u) { return static_cast<size_t>(std::clamp(u.RangeMode, 0, MaxRangeModes)); }

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

float LinkValue(const TArcos& a, const TLayerVariable& v)
{
    const int32_t k = LinkVariable(v.Column);
    return k ? a.Var[k] : 0.0f;
}

float MovimValue(const TMovimiento& m, const TLayerVariable& v)
{
    const int32_t k = MovimVariable(v.Column);
    return k ? m.Var[k] : 0.0f;
}

// The links that carry data layers: both ends known, shown, and selected while
// only the selection is drawn; not blocked while blocked links are drawn in white.
bool InLinkLayers(const TArcos& a, const TDxfMapOptions& o)
{
    return ValidNode(a.AIndex) && ValidNode(a.BIndex) && a.Active && (!o.tbSel || a.Mark > 0) &&
           !(o.HideBlocked && a.HasFlag(9));
}

std::string ValueText(const TViewState& u, double v) { return ZelUtils::Format(u.NumFormat.Format.c_str(), v); }

// The classes of a saved range set (its list text) over a copy of the table, as
// the range dialog reads one: classes 0..5, each starting where the one below ends.
void ParseRangeText(const std::string& text, std::array<TRangeClass, MaxRangeClasses + 1>& table)
{
    std::vector<std::string> f = ZelUtils::SplitString(text, ';');
    if (f.size() != RangeListFields)
        f = ZelUtils::SplitString(Ranges::DefaultRangeText, ';');
    for (int c = 0; c < RangeListClasses; ++c) {
        TRangeClass& r = table[static_cast<size_t>(c)];
        r.High = static_cast<float>(ZelUtils::ParseReal(f[static_cast<size_t>(3 * c)]));
        r.Color = static_cast<uint32_t>(ZelUtils::Round(ZelUtils::ParseReal(f[static_cast<size_t>(3 * c + 1)])));
        r.Active = f[static_cast<size_t>(3 * c + 2)] == "1";
    }
    table[0].Low = table[0].High;
    for (int c = 1; c < RangeListClasses; ++c)
        table[static_cast<size_t>(c)].Low = table[static_cast<size_t>(c - 1)].High;
}

// The range set of a variable: the one saved under its title, else classes
// 1..NumRanges switched on evenly over (Min, Max] in fifths; the colours stay.
void PrepareRanges(const TViewState& u, TLayerVariable& v)
{
    const int32_t saved = KDVlib::RangeName(u, v.Name);
    if (saved >= 0 && static_cast<size_t>(saved) < u.RangeNames.size()) {
        ParseRangeText(u.RangeNames[static_cast<size_t>(saved)], v.Table);
        return;
    }
    Ranges::FillDefaultClasses(v.Table, u.NumRanges, v.Min, v.Max);
}

} // namespace

std::string LayerName(const char* prefix, const std::string& title)
{
    std::string name = prefix;
    for (char c : title) {
        if (c == ' ' || c == '.')
            continue;
        // Characters that a drawing's symbol table does not accept in a name.
        if (std::string_view("<>/\\\":;?*|=`").find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 32)
            c = '_';
        name += c;
    }
    return name;
}

void DxfAtributos(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& var,
                  const TDxfMapOptions& o)
{
    const double attrMax = var.Max;
    if (!(attrMax > 0.0))
        return; // no scale: the bands would have no width
    const TViewState& u = o.State;
    const int32_t over = Colour(u.ModeBrushColors[Mode(u)]);
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!InLinkLayers(a, o))
            return;
        const double v = LinkValue(a, var);
        dxf.DxfSolidColor = v > attrMax ? over : 0;
        const double w = std::min(u.PixsVol * v / attrMax, 1.1 * u.PixsVol);
        const TPoint p = NodeXY(a.AIndex), q = NodeXY(a.BIndex);
        dxf.DxfSolidRec(layer, ZelUtils::Round(w * u.SizeFactor), p.x, p.y, q.x, q.y);
    });
    dxf.DxfSolidColor = 0;
}

void DxfTemas(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& var, const TDxfMapOptions& o)
{
    const int32_t last = std::clamp(o.State.NumRanges, 0, MaxRangeClasses);
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!InLinkLayers(a, o))
            return;
        const float v = LinkValue(a, var);
        // As the map's colour layer: no band of value 0 unless zeros are drawn.
        if (v == 0.0f && !o.DrawNull)
            return;
        uint32_t colour = 0;
        const Ranges::TRangeHit hit = Ranges::ClassifyValue(var.Table, last, v, colour);
        dxf.DxfSolidColor = hit == Ranges::TRangeHit::Drawn ? Colour(colour) : 0;
        if (hit != Ranges::TRangeHit::Suppressed) {
            const TPoint p = NodeXY(a.AIndex), q = NodeXY(a.BIndex);
            dxf.DxfSolidRec(layer, o.State.PixsCol, p.x, p.y, q.x, q.y);
        }
    });
    dxf.DxfSolidColor = 0;
}

void DxfValores(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& var, const TDxfMapOptions& o)
{
    dxf.DxfTextHeight = o.State.LabelFonts[4].Size * o.State.SizeFactor;
    dxf.DxfTextColor = 0;
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!InLinkLayers(a, o))
            return;
        const float v = LinkValue(a, var);
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
        dxf.DxfText(layer, angle, ZelUtils::Trim(ValueText(o.State, v)), (p.x + q.x) / 2.0, (p.y + q.y) / 2.0, 1);
    });
}

void DxfMovimientos(ZelDxfer::TDxfWriter& dxf, const std::string& layer, const TLayerVariable& var,
                    const TDxfMapOptions& o)
{
    const TViewState& u = o.State;
    dxf.DxfLineColor = Colour(u.ModePenColors[Mode(u)]);
    dxf.DxfTextColor = Colour(u.LabelFonts[4].Color);
    dxf.DxfTextHeight = ZelUtils::Round(u.LabelFonts[4].Size * u.SizeFactor);
    const int32_t last = std::clamp(u.NumRanges, 0, MaxRangeClasses);
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
            // As on the map: the turn kinds the options draw, and while only the
            // selection is shown, the movements entering by a selected link.
            const int turn = mv.TurnAngle > 450 ? 0 : mv.TurnAngle < -450 ? 2 : 1;
            if (!o.Giros[size_t(turn)] ||
                (o.tbSel && (mv.EntryLink < 1 || mv.EntryLink > Network.LinkCount || Arcos[mv.EntryLink].Mark <= 0)))
                continue;
            const float v = MovimValue(mv, var);
            std::string label = ValueText(u, v);
            // A value in no class is drawn in the pen colour, as on the map, not
            // in the colour of the movement drawn before it.
            dxf.DxfLineColor = Colour(u.ModePenColors[Mode(u)]);
            for (int32_t r = 0; r <= last; ++r) {
                const TRangeClass& c = var.Table[static_cast<size_t>(r)];
                if (Ranges::ClassHolds(var.Table, r, v)) {
                    if (c.Active) {
                        dxf.DxfLineColor = Colour(c.Color);
                    } else {
                        dxf.DxfLineColor = Colour(clSilver);
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
            const double far = 50.0 * u.FMov / d, near = 2.0 * u.FMov / d;
            const TPoint f{q.x + far * (p.x - q.x), q.y + far * (p.y - q.y)};
            const TPoint nr{q.x + near * (p.x - q.x), q.y + near * (p.y - q.y)};
            // The turns of one approach stand side by side, left turns on the left,
            // as on the map.
            dxf.DxfLinkFigure(layer, f, nr, flags, mv.TurnDir, label);
        }
    });
}

// ---- The export ----

TDataLayerExport::TDataLayerExport(const TDxfMapOptions& o, bool full) : o_(o), full_(full)
{
    link_ = {o.State.RangeVarArcos, LinkTitle(o.State.RangeVarArcos), o.State.RangeMin, o.State.RangeMax, o.State.RangeTable};
    movim_ = {o.State.RangeVarMovim, MovimTitle(o.State.RangeVarMovim), o.State.RangeMovimMin, o.State.RangeMovimMax, o.State.MovimRangeTable};
}

std::string TDataLayerExport::LinkTitle(int32_t column) const
{
    if (column < 1 || column >= NumArcosColumns)
        return {};
    if (o_.LinkTitle)
        return o_.LinkTitle(column);
    return TitArcos[static_cast<size_t>(column)];
}

std::string TDataLayerExport::MovimTitle(int32_t column) const
{
    if (column < 1 || column >= NumMovimColumns)
        return {};
    if (o_.MovimTitle)
        return o_.MovimTitle(column);
    return TitMovim[static_cast<size_t>(column)];
}

// As choosing the column on the grid would make it: its extremes (or the scale
// the scale window keeps fixed) and its range set.
bool TDataLayerExport::LinkColumn(int32_t column, TLayerVariable& v) const
{
    const int32_t k = LinkVariable(column);
    if (!k)
        return false;
    v = link_;
    v.Column = column;
    v.Name = LinkTitle(column);
    // The variable shown keeps the scale its bands are drawn at on the map (the
    // maximum the scale window gave it), as the basic export draws them.
    if (!o_.State.ScaleFixed && column != link_.Column) {
        v.Min = Arcos[0].Var[k];
        v.Max = Arcos[ArcosMaxRec].Var[k];
    }
    if (!(v.Max > 0.0f))
        return false;
    // The variable shown keeps the classes its legend on the map lists.
    if (column == link_.Column)
        v.Table = link_.Table;
    else
        PrepareRanges(o_.State, v);
    return true;
}

// The movement column with its extremes and classes: the range table of the
// moment for the column shown.
bool TDataLayerExport::MovimColumn(int32_t column, TLayerVariable& v) const
{
    const int32_t k = MovimVariable(column);
    if (!k || Network.MovementCount < 1)
        return false;
    v = movim_;
    v.Column = column;
    v.Name = MovimTitle(column);
    v.Min = Movims[0].Var[k];
    v.Max = Movims[MovimsMaxRec].Var[k];
    if (!(v.Max > 0.0f))
        return false;
    // Another column than the one shown has its own classes, as picking it on
    // the grid makes them: fifths of its span, or of the scale kept fixed.
    if (column != movim_.Column) {
        const float low = o_.State.ScaleFixed ? o_.State.RangeMin : v.Min;
        float high = o_.State.ScaleFixed ? o_.State.RangeMax : v.Max;
        if (high > low)
            high += 1.0e-6f;
        Ranges::FillDefaultClasses(v.Table, o_.State.NumRanges, low, high);
    }
    return true;
}

// f(v) for every link column holding a variable with a positive maximum.
template <class F>
void TDataLayerExport::ForEachLinkColumn(F&& f) const
{
    const int32_t last = std::min(NumColArcos - 1, NumArcosColumns - 1);
    TLayerVariable v;
    for (int32_t c = 2; c <= last; ++c)
        if (LinkColumn(c, v))
            f(v);
}

template <class F>
void TDataLayerExport::ForEachMovimColumn(F&& f) const
{
    const int32_t last = std::min(NumColMovim - 1, NumMovimColumns - 1);
    TLayerVariable v;
    for (int32_t c = 3; c <= last; ++c)
        if (MovimColumn(c, v))
            f(v);
}

// The full export writes the current link variable's layers with its column.
bool TDataLayerExport::CurrentColumnInWalk() const
{
    return full_ && link_.Column >= 2 && link_.Column < NumColArcos && LinkVariable(link_.Column) &&
           link_.Max > 0.0f;
}

std::vector<TLayerEntry> TDataLayerExport::Layers() const
{
    std::vector<TLayerEntry> layers;
    // A drawing's layer names ignore case: "ATT_Flujo" and "ATT_FLUJO" are one
    // layer, and a table listing it twice is refused by readers.
    std::set<std::string> names;
    auto add = [&](const std::string& name, bool visible, int32_t colour) {
        std::string key = name;
        for (char& c : key)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        if (names.insert(key).second)
            layers.push_back({name, visible, colour});
    };
    const TViewState& u = o_.State;
    const int32_t pen = Colour(u.ModePenColors[Mode(u)]), white = Colour(clWhite), text = Colour(u.LabelFonts[4].Color);
    const bool linkVar = LinkVariable(link_.Column) != 0;
    if (!full_) {
        // Every layer the entities go to has its row; the values written with the
        // bands or themes stay switched off unless the values button is down.
        const bool bands = linkVar && o_.tbAtributos && link_.Max > 0.0f;
        if (bands)
            add(LayerName("ATT_", link_.Name), true, pen);
        if (linkVar && o_.tbColores)
            add(LayerName("TEM_", link_.Name), true, white);
        if (linkVar && (o_.tbValues || o_.tbColores || (bands && !o_.State.ShownVarList.empty())))
            add(LayerName("VAL_", link_.Name), o_.tbValues, text);
        if (o_.aAtributos2 && MovimVariable(movim_.Column))
            add(LayerName("MVT_", movim_.Name), true, white);
        return layers;
    }
    if (linkVar && !CurrentColumnInWalk()) {
        if (o_.tbAtributos && link_.Max > 0.0f)
            add(LayerName("ATT_", link_.Name), true, pen);
        if (o_.tbColores)
            add(LayerName("TEM_", link_.Name), true, white);
        if (o_.tbValues)
            add(LayerName("VAL_", link_.Name), true, text);
    }
    ForEachLinkColumn([&](const TLayerVariable& v) {
        const bool current = v.Column == link_.Column;
        add(LayerName("ATT_", v.Name), current && o_.tbAtributos, pen);
        add(LayerName("TEM_", v.Name), current && o_.tbColores, white);
        add(LayerName("VAL_", v.Name), current && o_.tbValues, text);
    });
    ForEachMovimColumn([&](const TLayerVariable& v) {
        add(LayerName("MVT_", v.Name), v.Column == movim_.Column && o_.aAtributos2, white);
    });
    return layers;
}

void TDataLayerExport::Entities(ZelDxfer::TDxfWriter& dxf) const
{
    const bool linkVar = LinkVariable(link_.Column) != 0;
    if (!full_) {
        // The current variables, each layer once.
        const bool bands = linkVar && o_.tbAtributos && link_.Max > 0.0f;
        if (bands)
            DxfAtributos(dxf, LayerName("ATT_", link_.Name), link_, o_);
        if (linkVar && o_.tbColores)
            DxfTemas(dxf, LayerName("TEM_", link_.Name), link_, o_);
        if (linkVar && (o_.tbValues || o_.tbColores || (bands && !o_.State.ShownVarList.empty())))
            DxfValores(dxf, LayerName("VAL_", link_.Name), link_, o_);
        if (o_.aAtributos2 && MovimVariable(movim_.Column))
            DxfMovimientos(dxf, LayerName("MVT_", movim_.Name), movim_, o_);
        return;
    }
    // The current variable with the range table of the moment, unless its own
    // column writes the same layers below.
    if (linkVar && !CurrentColumnInWalk()) {
        if (o_.tbAtributos)
            DxfAtributos(dxf, LayerName("ATT_", link_.Name), link_, o_);
        if (o_.tbColores)
            DxfTemas(dxf, LayerName("TEM_", link_.Name), link_, o_);
        if (o_.tbValues)
            DxfValores(dxf, LayerName("VAL_", link_.Name), link_, o_);
    }
    ForEachLinkColumn([&](const TLayerVariable& v) {
        DxfAtributos(dxf, LayerName("ATT_", v.Name), v, o_);
        DxfTemas(dxf, LayerName("TEM_", v.Name), v, o_);
        DxfValores(dxf, LayerName("VAL_", v.Name), v, o_);
    });
    ForEachMovimColumn([&](const TLayerVariable& v) { DxfMovimientos(dxf, LayerName("MVT_", v.Name), v, o_); });
}

} // namespace DxfDataLayers
