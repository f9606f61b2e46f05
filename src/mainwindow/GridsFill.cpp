// Filling the data grids from the network records, cell by cell as text.
#include "mainwindow/GridsLayout.h"

#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "widgets/StringAlignGrid.h"

#include <charconv>

using ZelUtils::Format;

namespace GridLayout {

namespace {

// Integer as "%d" (width 0) or right-aligned in `width` characters as "%5d" writes it.
std::string_view IntText(char* buf, size_t size, int64_t v, int width = 0)
{
    char digits[24];
    auto r = std::to_chars(digits, digits + sizeof digits, v);
    const size_t n = static_cast<size_t>(r.ptr - digits);
    const size_t pad = width > 0 && n < static_cast<size_t>(width) ? static_cast<size_t>(width) - n : 0;
    if (pad + n > size)
        return {};
    std::fill(buf, buf + pad, ' ');
    std::copy(digits, digits + n, buf + pad);
    return {buf, pad + n};
}

void Finish(TStringAlignGrid* grid, std::vector<std::string>& campos)
{
    grid->FitColWidths();
    grid->FitRowHeights();
    RebuildCampos(grid, campos);
}

const std::string& JunctionText(int32_t type)
{
    static const std::string none;
    switch (type) {
    case 0: return KDVlib::JtExterno;
    case 1: return KDVlib::JtPrioridad;
    case 2: return KDVlib::JtRotonda;
    case 3: return KDVlib::JtSemaforo;
    case 4: return KDVlib::JtAuxiliar;
    case 5: return KDVlib::JtVueltaU;
    default: return none;
    }
}

} // namespace

void RebuildCampos(TStringAlignGrid* grid, std::vector<std::string>& campos)
{
    campos.clear();
    for (int c = 0; c < grid->ColCount(); ++c)
        campos.push_back(grid->cell(c, 0));
}

void FillZones(TStringAlignGrid* grid)
{
    char buf[64];
    for (int32_t z = 1; z <= Network.ZoneCount && z < grid->RowCount(); ++z) {
        const TZona& zone = Zonas[z];
        grid->setCell(0, z, IntText(buf, sizeof buf, zone.Number));
        grid->setCell(1, z, Format(XYFormat, double(zone.CentroidX)));
        grid->setCell(2, z, Format(XYFormat, double(zone.CentroidY)));
        for (int32_t k = 1; k <= zone.ConnectorCount && k < static_cast<int32_t>(zone.Connectors.size()); ++k) {
            const TZoneConnector& c = zone.Connectors[static_cast<size_t>(k)];
            std::string text;
            if (c.Kind == 0 && c.NodeIndex >= 1)
                text = Format("%d %d", c.ConnNode, c.NodeIndex);
            else
                text = Format("%d", c.ConnNode);
            grid->setCell(2 + k, z, text);
        }
    }
    Finish(grid, CamposZonas);
}

void FillNodes(TStringAlignGrid* grid)
{
    char buf[64];
    for (int32_t i = 1; i <= Network.NodeCount && i < grid->RowCount(); ++i) {
        const TNodo& node = Nodos[i];
        const int row = grid->RowOfRecord(i);
        grid->setCell(0, row, IntText(buf, sizeof buf, node.Number));
        grid->setCell(1, row, ZelUtils::Trim(Format(XYFormat, double(node.X))));
        grid->setCell(2, row, ZelUtils::Trim(Format(XYFormat, double(node.Y))));
        grid->setCell(3, row, JunctionText(node.JunctionType));
        if (node.JunctionType == 3 && node.SignalIndex >= 0 && node.SignalIndex < Network.SignalCount)
            grid->setCell(4, row, IntText(buf, sizeof buf, Fases[node.SignalIndex].Cycle));
    }
    Finish(grid, CamposNodos);
}

void CountJunctionTypes()
{
    for (int32_t& n : Network.JunctionsByType)
        n = 0;
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        const int32_t type = Nodos[i].JunctionType;
        if (type >= 0 && type <= 5)
            ++Network.JunctionsByType[type];
    }
}

void FillLinks(TStringAlignGrid* grid)
{
    const std::vector<TColumnDef> cols = LinkBaseColumns(Network.Options.KNOBS, Network.TransitBlockCount);
    const int last = std::min(static_cast<int>(cols.size()), grid->ColCount());
    // A row's texts come from its link's record alone: a large network's rows are
    // written by a few threads at once.
    const int32_t rows = std::min(Network.LinkCount, grid->RowCount() - 1);
    grid->FillRows(1, rows, [&cols, last](int i, const TStringAlignGridModel::RowWriter& cells) {
        char buf[64];
        const TArcos& a = Arcos[i];
        cells.set(0, IntText(buf, sizeof buf, a.A));
        cells.set(1, IntText(buf, sizeof buf, a.B));
        cells.set(2, ZelUtils::Trim(a.StreetName));
        cells.set(3, IntText(buf, sizeof buf, i, 5));
        for (int c = 4; c < last; ++c) {
            const TColumnDef& d = cols[static_cast<size_t>(c)];
            cells.set(c, FixedText(buf, sizeof buf, a.Var[d.Var], d.Decimals));
        }
    });
    Finish(grid, CamposArcos);
}

void FillLines(TStringAlignGrid* grid)
{
    char buf[64];
    QFont bold = grid->font();
    bold.setBold(true);
    for (int32_t l = 1; l <= Network.LineCount && l < grid->RowCount(); ++l) {
        const TLinea& line = Lineas[l];
        grid->setCell(1, l, line.Name);
        grid->setCell(2, l, line.LineCode);
        grid->setCell(3, l, IntText(buf, sizeof buf, line.Group));
        grid->setCell(4, l, IntText(buf, sizeof buf, l, 5));
        grid->setCell(5, l, IntText(buf, sizeof buf, ZelUtils::Round(line.Frequency)));
        const int32_t stops = line.Stops.empty() ? 0 : line.Stops[0];
        grid->setCell(6, l, IntText(buf, sizeof buf, stops));
        for (int32_t k = 1; k <= stops && static_cast<size_t>(k) < line.Stops.size(); ++k) {
            const int32_t node = line.Stops[static_cast<size_t>(k)];
            grid->setCell(6 + k, l, IntText(buf, sizeof buf, node));
            if (node < 0) {
                grid->SetFontCell(6 + k, l, bold);
                grid->SetFontColorCell(6 + k, l, QColor(255, 0, 0));
                grid->SetFontCell(1, l, bold);
            }
        }
    }
    Finish(grid, CamposLineas);
}

void FillMovements(TStringAlignGrid* grid)
{
    char buf[64];
    const std::vector<TColumnDef> cols = MovimBaseColumns(Network.TransitBlockCount);
    const int last = std::min(static_cast<int>(cols.size()), grid->ColCount());
    for (int32_t m = 1; m <= Network.MovementCount && m < grid->RowCount(); ++m) {
        const TMovimiento& mv = Movims[m];
        const int row = grid->RowOfRecord(m);
        grid->setCell(0, row, IntText(buf, sizeof buf, mv.A));
        grid->setCell(1, row, IntText(buf, sizeof buf, mv.Node));
        grid->setCell(2, row, IntText(buf, sizeof buf, mv.C));
        grid->setCell(3, row, IntText(buf, sizeof buf, m, 5));
        grid->setCell(7, row, Format("%d;%d", mv.FirstLane, mv.LastLane));
        grid->setCell(8, row, mv.TurnCode);
        for (int c = 4; c < last; ++c) {
            const TColumnDef& d = cols[static_cast<size_t>(c)];
            if (d.Var > 0)
                grid->setCell(c, row, FixedText(buf, sizeof buf, mv.Var[d.Var], d.Decimals));
        }
    }
    Finish(grid, CamposMovims);
}

void FillBlock(TStringAlignGrid* grid, int first, const std::vector<TColumnDef>& defs, bool movements)
{
    char buf[64];
    const int32_t count = movements ? Network.MovementCount : Network.LinkCount;
    const int cols = std::min(static_cast<int>(defs.size()), grid->ColCount() - first);
    for (int32_t r = 1; r <= count && r < grid->RowCount(); ++r) {
        const int row = grid->RowOfRecord(r); // wherever a sort showed the record
        for (int j = 0; j < cols; ++j) {
            const TColumnDef& d = defs[static_cast<size_t>(j)];
            const float value = movements ? Movims[r].Var[d.Var] : Arcos[r].Var[d.Var];
            grid->setCell(first + j, row, FixedText(buf, sizeof buf, value, d.Decimals));
        }
    }
}

} // namespace GridLayout
