#pragma once
// The layer of free numbered points, read from a point file: one point a line,
// its number, x and y separated by ',' or ';' (the separator of the first line).
#include "model/PalvonVars.h"

#include <array>
#include <cstdint>
#include <string>

constexpr int MaxDots = 600; // Dots[0..600]

struct TDot {
    int32_t Value = 0;  // the point's number
    std::string Text;   // not filled by the reader
    uint32_t Color = 0; // TColor from ZoneColors by the number
    TPoint Pos;
};

extern std::array<TDot, MaxDots + 1> Dots;
// Index of the last point in Dots; -1 while no point is loaded.
extern int32_t NumDots;

namespace PointLayers {

// Reads the point file (fileName with the extension ".geo") into Dots, replacing
// the points held. A file whose first line has not exactly 3 fields loads nothing;
// lines that are not three numbers, and points beyond the 601 the layer holds, are
// left out and reported in one message. False when nothing was loaded; the
// points held then stay.
bool LoadPointFile(const std::string& fileName);

} // namespace PointLayers
