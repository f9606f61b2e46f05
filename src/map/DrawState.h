#pragma once
// State of the map drawing shared by the layers, the mouse picking and printing:
// the selection count that each redraw leaves behind and the hit regions of
// nodes and zone centroids on the main map.
#include "map/ViewState.h"
#include "model/PalvonVars.h"

#include <QRegion>

#include <array>
#include <cstdint>

// Milliseconds the last full redraw of the main map took (0 before the first):
// a wheel zoom waits for the wheel to rest about twice this before drawing anew.
extern int32_t LastMapRedrawMs;
// Nodes whose selection/colour class is above 0, recounted by every drawing of the links.
extern int32_t SelectedNodeCount;

// Node outline colour by junction type (0..5) when nodes are coloured by type.
inline constexpr uint32_t JunctionTypeColors[6] = {0x000000, 0xFF0000, 0x808080, 0x0000FF, 0x00FF00, 0x808080};

// A circular hit region in pixels of the main map: the pixels whose centres lie
// within R of the centre pixel's centre. R below 0: no region.
struct THitCircle {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t R = -1;

    bool Empty() const { return R < 0; }
    bool Contains(int32_t px, int32_t py) const;
    // The same circle as a region (the map canvas's elliptic region of radius R).
    QRegion Region() const;
};

// Hit regions of the nodes and zone centroids drawn on the main map, by record
// index. A redraw gives every drawn element a new region and clears the others,
// so a region never points at a place the element no longer has on screen.
extern std::array<THitCircle, MaxNodos + 1> NodeHitRegions;
extern std::array<THitCircle, MaxZonas + 1> ZoneHitRegions;

// Puts the map's display records (styles, class colours, label fonts, ranges and
// the shown variables, the records above, the pan and zoom mouse state) and the
// model's records back to what a fresh program start has.
void ResetMapState();
