#pragma once
// State of the map drawing shared by the layers, the mouse picking and printing:
// the lane view switch, the pick distance that each redraw leaves behind, the
// symbol colours and the title corner. (The hit regions of a drawing are its
// painter's: TLastDrawing, map/HitRegions.h.)
#include "map/HitRegions.h"
#include "map/ViewState.h"
#include "model/PalvonVars.h"

#include <array>
#include <cstdint>

// Links are drawn lane by lane (the node circles are then left out).
extern bool ShowLanes;
// World length of 5 pixels at the scale of the last redraw of the main map.
extern float PickLength;

// Fill colour per symbol kind: 0 centroids, 1 nodes, 2 arrowheads, 3 signals. Yellow at start.
constexpr int MaxSymbolColors = 19;
extern std::array<uint32_t, MaxSymbolColors + 1> SymbolColors;

// Node outline colour by junction type (0..5) when nodes are coloured by type.
inline constexpr uint32_t JunctionTypeColors[6] = {0x000000, 0xFF0000, 0x808080, 0x0000FF, 0x00FF00, 0x808080};

// Corner of the title block: 1 top left, 2 top centre, 3 top right, 4 bottom left,
// 5 bottom centre, 6 bottom right.
extern int32_t TitlePos;

// Puts the map's display records (styles, class colours, label fonts, ranges and
// the shown variables, the records above) and the model's records back to what
// a fresh program start has.
void ResetMapState();
