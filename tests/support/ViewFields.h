#pragma once
// Every field of a view, each with one change to another valid value: an output
// drawn from a copy of the view must come out the same whatever the user then
// changes in the window's view, field by field.
#include "map/ViewState.h"

#include <vector>

namespace testutil {

struct TViewFieldChange {
    const char* Name;
    void (*Change)(TViewState&);
};

inline const std::vector<TViewFieldChange>& ViewFieldChanges()
{
    static const std::vector<TViewFieldChange> rows = {
        {"Zonas", [](TViewState& v) { v.Zonas = !v.Zonas; }},
        {"Poligonos", [](TViewState& v) { v.Poligonos = !v.Poligonos; }},
        {"Solera", [](TViewState& v) { v.Solera = !v.Solera; }},
        {"Atributos", [](TViewState& v) { v.Atributos = !v.Atributos; }},
        {"Colores", [](TViewState& v) { v.Colores = !v.Colores; }},
        {"Lineas", [](TViewState& v) { v.Lineas = !v.Lineas; }},
        {"Arrows", [](TViewState& v) { v.Arrows = !v.Arrows; }},
        {"Nodes", [](TViewState& v) { v.Nodes = !v.Nodes; }},
        {"Cents", [](TViewState& v) { v.Cents = !v.Cents; }},
        {"NameNodes", [](TViewState& v) { v.NameNodes = !v.NameNodes; }},
        {"Values", [](TViewState& v) { v.Values = !v.Values; }},
        {"Calles", [](TViewState& v) { v.Calles = !v.Calles; }},
        {"Sel", [](TViewState& v) { v.Sel = !v.Sel; }},
        {"MovimValues", [](TViewState& v) { v.MovimValues = !v.MovimValues; }},
        {"RangeTable",
         [](TViewState& v) {
             for (TRangeClass& c : v.RangeTable) {
                 c.Low = c.Low * 0.5f - 3;
                 c.High = c.High * 0.5f + 1;
                 c.Color ^= 0x00FFFFFF;
                 c.Active = !c.Active;
             }
         }},
        {"NumRanges", [](TViewState& v) { v.NumRanges = v.NumRanges == 2 ? 3 : 2; }},
        {"RangeMin", [](TViewState& v) { v.RangeMin = v.RangeMin * 2 + 5; }},
        {"RangeMax", [](TViewState& v) { v.RangeMax = v.RangeMax * 3 + 7; }},
        {"RangeMovimMin", [](TViewState& v) { v.RangeMovimMin = v.RangeMovimMin * 2 + 5; }},
        {"RangeMovimMax", [](TViewState& v) { v.RangeMovimMax = v.RangeMovimMax * 3 + 7; }},
        {"RangeName", [](TViewState& v) { v.RangeName += "X"; }},
        {"RangeSetKeys", [](TViewState& v) { v.RangeSetKeys.push_back("Rangos_X"); }},
        {"RangeNames", [](TViewState& v) { v.RangeNames.push_back("0 1 255"); }},
        {"RangeVarByMode", [](TViewState& v) { for (int32_t& c : v.RangeVarByMode) c = c == 1 ? 2 : 1; }},
        {"RangeMode", [](TViewState& v) { v.RangeMode = v.RangeMode == 2 ? 3 : 2; }},
        {"ModePenColors", [](TViewState& v) { for (uint32_t& c : v.ModePenColors) c ^= 0x00FFFFFF; }},
        {"ModeBrushColors", [](TViewState& v) { for (uint32_t& c : v.ModeBrushColors) c ^= 0x00FFFFFF; }},
        {"RangeVarArcos", [](TViewState& v) { v.RangeVarArcos = v.RangeVarArcos == 1 ? 2 : 1; }},
        {"RangeItemMovim", [](TViewState& v) { v.RangeItemMovim = v.RangeItemMovim == 1 ? 2 : 1; }},
        {"RangeVarMovim", [](TViewState& v) { v.RangeVarMovim = v.RangeVarMovim == 1 ? 2 : 1; }},
        {"MovimDrawMode", [](TViewState& v) { v.MovimDrawMode = !v.MovimDrawMode; }},
        {"AttrColumn", [](TViewState& v) { v.AttrColumn = v.AttrColumn == 1 ? 2 : 1; }},
        {"ShownVarList", [](TViewState& v) { v.ShownVarList = {"2", "1"}; }},
        {"SelectedMovimVars", [](TViewState& v) { v.SelectedMovimVars = {"2", "1"}; }},
        {"VarColors", [](TViewState& v) { for (uint32_t& c : v.VarColors) c ^= 0x00FFFFFF; }},
        {"MovimVarColors", [](TViewState& v) { for (uint32_t& c : v.MovimVarColors) c ^= 0x00FFFFFF; }},
        {"RangeSymbolSize", [](TViewState& v) { v.RangeSymbolSize = v.RangeSymbolSize == 40 ? 50 : 40; }},
        {"DataLayerKind", [](TViewState& v) { v.DataLayerKind = v.DataLayerKind % 5 + 1; }},
        {"ScaleFixed", [](TViewState& v) { v.ScaleFixed = !v.ScaleFixed; }},
        {"GenatrCol", [](TViewState& v) { v.GenatrCol = v.GenatrCol == 1 ? 2 : 1; }},
        {"IntersectionBorderColor", [](TViewState& v) { v.IntersectionBorderColor ^= 0x00FFFFFF; }},
        {"EntSalVar", [](TViewState& v) { v.EntSalVar = v.EntSalVar == 0 ? 1 : 0; }},
        {"FMov", [](TViewState& v) { v.FMov = v.FMov * 3 + 1; }},
        {"IntersectionBorderWidth", [](TViewState& v) { v.IntersectionBorderWidth += 4; }},
        {"NumFormat",
         [](TViewState& v) {
             v.NumFormat.NumDec += 2;
             v.NumFormat.Decimals = v.NumFormat.Decimals == 3 ? 1 : 3;
             v.NumFormat.Format = v.NumFormat.Format == "%.3f" ? "%.1f" : "%.3f";
         }},
        {"PixsVol", [](TViewState& v) { v.PixsVol = v.PixsVol * 2 + 3; }},
        {"PixsCol", [](TViewState& v) { v.PixsCol = v.PixsCol * 2 + 3; }},
        {"GenatrBarWidth", [](TViewState& v) { v.GenatrBarWidth = v.GenatrBarWidth * 2 + 3; }},
        {"PixsMov", [](TViewState& v) { v.PixsMov = v.PixsMov % 5 + 1; }},
        {"Lanes",
         [](TViewState& v) {
             v.Lanes.AnchoPista += 2;
             v.Lanes.LaneOffset += 3;
         }},
        {"CentroidSize", [](TViewState& v) { v.CentroidSize = v.CentroidSize * 2 + 3; }},
        {"NodeSize", [](TViewState& v) { v.NodeSize = v.NodeSize * 2 + 3; }},
        {"ArrowSize", [](TViewState& v) { v.ArrowSize = v.ArrowSize * 2 + 3; }},
        {"SignalSize", [](TViewState& v) { v.SignalSize = v.SignalSize * 2 + 3; }},
        {"NodeLabelPos", [](TViewState& v) { v.NodeLabelPos = v.NodeLabelPos % 8 + 1; }},
        {"SizeFactor", [](TViewState& v) { v.SizeFactor = v.SizeFactor * 2 + 1; }},
        {"LinkShift", [](TViewState& v) { v.LinkShift = v.LinkShift * 3 + 4; }},
        {"StreetLabelPos", [](TViewState& v) { v.StreetLabelPos = v.StreetLabelPos % 8 + 1; }},
        {"StreetLabelOffset", [](TViewState& v) { v.StreetLabelOffset = v.StreetLabelOffset > 0.5f ? 0.2f : 0.8f; }},
        {"ZoomFactor", [](TViewState& v) { v.ZoomFactor = v.ZoomFactor * 2 + 0.05f; }},
        {"ShowLanes", [](TViewState& v) { v.ShowLanes = !v.ShowLanes; }},
        {"SymbolColors", [](TViewState& v) { for (uint32_t& c : v.SymbolColors) c ^= 0x00FFFFFF; }},
        {"TitlePos", [](TViewState& v) { v.TitlePos = v.TitlePos == 1 ? 6 : 1; }},
        {"Items",
         [](TViewState& v) {
             for (TItems& i : v.Items) {
                 i.Name += "X";
                 i.Color ^= 0x00FFFFFF;
                 i.Width = i.Width * 2 + 2;
                 i.ShowNames = !i.ShowNames;
                 i.PenStyle = i.PenStyle == psSolid ? psDash : psSolid;
             }
         }},
        {"ClassColors", [](TViewState& v) { for (uint32_t& c : v.ClassColors) c ^= 0x00FFFFFF; }},
        {"ClassWidths", [](TViewState& v) { for (int32_t& w : v.ClassWidths) w = w * 2 + 2; }},
        {"LabelFonts",
         [](TViewState& v) {
             for (TLabelFont& f : v.LabelFonts) {
                 f.Name = f.Name == "Courier New" ? "Arial" : "Courier New";
                 f.Size = f.Size * 2 + 3;
                 f.Color ^= 0x00FFFFFF;
                 f.Style ^= fsBold;
             }
         }},
        {"World",
         [](TViewState& v) {
             const double w = v.WorldMaxX - v.WorldMinX, h = v.WorldMaxY - v.WorldMinY;
             v.WorldMinX += w / 3;
             v.WorldMaxX -= w / 5;
             v.WorldMinY += h / 4;
             v.WorldMaxY -= h / 6;
         }},
        {"ZoomHistory",
         [](TViewState& v) {
             for (TZoomSlot& s : v.ZoomHistory) {
                 s.MinX += 10;
                 s.MaxX -= 10;
                 s.MinY += 10;
                 s.MaxY -= 10;
             }
         }},
        {"ZoomIndex", [](TViewState& v) { v.ZoomIndex = v.ZoomIndex == 2 ? 3 : 2; }},
        {"TitleText", [](TViewState& v) { v.TitleText += "\nOtra línea"; }},
        {"TitleFont",
         [](TViewState& v) {
             v.TitleFont.setPointSize(v.TitleFont.pointSize() > 0 ? v.TitleFont.pointSize() * 2 + 3 : 20);
             v.TitleFont.setBold(!v.TitleFont.bold());
         }},
        {"TitleColor", [](TViewState& v) { v.TitleColor = v.TitleColor == QColor(Qt::red) ? Qt::blue : Qt::red; }},
    };
    return rows;
}

} // namespace testutil
