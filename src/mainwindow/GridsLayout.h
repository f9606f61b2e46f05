#pragma once
// Column layouts of the data grids and the routines that fill them, shared by the
// files of the grids controller (and by tests and benchmarks).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGridsController;
class TStringAlignGrid;

// One grid column: short title (row 0), long (menu and legend) title, the link or
// movement variable behind it (0 for text columns) and the decimals of its numbers.
struct TColumnDef {
    std::string Title;
    std::string LongTitle;
    int32_t Var = 0;
    int Decimals = 0;
};

namespace GridLayout {

// Link grid: keys, street, order, variables 1..10, extra data 27+j, transit 40+j.
std::vector<TColumnDef> LinkBaseColumns(int32_t knobs, int32_t transitBlocks);
// Assignment block of the link grid (preloaded flows add "F.Plod"; more than one
// user class adds cost and flow columns per class).
std::vector<TColumnDef> LinkLpaColumns(int32_t preloadShift, int32_t users);
std::vector<TColumnDef> LinkLplColumns();
std::vector<TColumnDef> MovimBaseColumns(int32_t transitBlocks);
std::vector<TColumnDef> MovimLpaColumns(int32_t preloadShift, int32_t users);
std::vector<TColumnDef> MovimLplColumns();

// v as fixed-point text with the given decimals (as "%.<d>f" writes it, locale-free).
std::string_view FixedText(char* buf, size_t size, double v, int decimals);

// Reserve the listing blocks of the link and movement grids (once per layout);
// false when the link grid has no room for the block (a message says so).
bool ReserveLpaColumns(TGridsController& w);
bool ReserveLplColumns(TGridsController& w);

// Fills of the grids from the network records (rows 1..count), each followed by
// fitting the column widths and rebuilding the grid's list of titles.
void FillZones(TStringAlignGrid* grid);
void FillNodes(TStringAlignGrid* grid);
// The nodes of each junction type (Network.JunctionsByType).
void CountJunctionTypes();
void FillLinks(TStringAlignGrid* grid);
void FillLines(TStringAlignGrid* grid);
void FillMovements(TStringAlignGrid* grid);
// Values of a block of variable columns from `first`, for links or movements.
void FillBlock(TStringAlignGrid* grid, int first, const std::vector<TColumnDef>& defs, bool movements);
// The row-0 titles of a grid, in column order.
void RebuildCampos(TStringAlignGrid* grid, std::vector<std::string>& campos);

} // namespace GridLayout
