#pragma once
// State of the map drawing shared by the layers, the mouse picking and printing:
// the junction-type outline colours and the reset of the map's records. (The hit
// regions of a drawing are its painter's: TLastDrawing, map/HitRegions.h.)
#include "map/HitRegions.h"
#include "map/ViewState.h"
#include "model/PalvonVars.h"

#include <array>
#include <cstdint>

// Node outline colour by junction type (0..5) when nodes are coloured by type.
inline constexpr uint32_t JunctionTypeColors[6] = {0x000000, 0xFF0000, 0x808080, 0x0000FF, 0x00FF00, 0x808080};

// Puts the map's display records (styles, class colours, label fonts, ranges and
// the shown variables, the records above) and the model's records back to what
// a fresh program start has.
void ResetMapState();
