#pragma once
// Complementary data: up to 40 numeric columns per link (variables 81..120) and
// per turning movement (variables 41..80) read from comma- or semicolon-separated
// files with a header line, shown as further columns of the link and movement grids.
#include "model/AuxFileHooks.h"

#include <cstdint>

constexpr int MaxComplementaryColumns = 40;
constexpr int FirstComplementaryLinkVar = 81;
constexpr int FirstComplementaryMovVar = 41;

// Columns reserved for the complementary block of each grid (its width may exceed
// the columns of the file read last when another block follows it).
extern int32_t CompWidthArcos, CompWidthMovim;

namespace KDVlib {

// Reads ComplementaryFileName: link A, link B, an optional street column (present
// when field 3 of the first data line is not a number), then the values. Replaces
// every link's variables 81..120, places the grid columns and shows them. False
// when the file cannot be read or holds no usable header and data (nothing changes).
bool LoadDatosComplementarios();
// Reads ComplementaryMovFileName: nodes A, B (the junction), C, then the values,
// into the movement variables 41..80. False (nothing changes) when the file cannot
// be read or names no movement of this network (said).
bool LoadDatosComplementariosMovs();

// Places n columns of complementary data in the link (or movement) grid tables:
// NumColArcos/NumColMovim, ColVarArcos/ColVarMovim and TitArcos/TitMovim get the
// block, titled by ComplementaryNames. A block is placed once after the grid's
// columns and reused by later loads; when another block follows it and the new
// file has more columns, it moves to the end. Nothing is placed while the grid is
// not laid out.
TCompPlacement PlaceComplementaryColumns(bool movements, int32_t n);

} // namespace KDVlib
