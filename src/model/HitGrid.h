#pragma once
// The hit grid: the network's extent cut into tiles, each listing the nodes, zone
// centroids, links and turning movements that lie in it. Drawing, hit tests,
// printing and export walk the tiles of the view; the order of a tile's link list
// is the order in which links are drawn.
#include "model/PalvonVars.h"

#include <cstdint>

constexpr int MaxHitGridIndex = 1; // tiles 0..1 on each axis

struct TSpatialTile {
    double x0 = 0.0, x1 = 0.0; // X range
    double y0 = 0.0, y1 = 0.0; // Y range
    int32_t NodeCount = 0;
    int32_t ZoneCount = 0;
    int32_t LinkCount = 0;
    int32_t MovementCount = 0;
    uint8_t InView = 0; // set by SetGrid when the view window meets the tile
    // Record indexes, filled from entry 0. Each list has room for its whole array.
    int32_t Nodes[MaxNodos + 1] = {};
    int32_t Zones[MaxZonas + 1] = {};
    int32_t Links[MaxArcos + 1] = {};
    int32_t Movements[MaxMovims + 2] = {};
};

extern TSpatialTile HitGrid[MaxHitGridIndex + 1][MaxHitGridIndex + 1];
extern int32_t HitGridN;          // highest tile index in use on each axis (0: one tile)
extern int32_t HitGridRangeX[2];  // low, high tile index on X that the view meets
extern int32_t HitGridRangeY[2];  // low, high tile index on Y

// Link indexes in drawing order, entries 1..LinkCount (set by a link order file).
extern int32_t LinkOrder[MaxArcos + 1];
// LinkOrder holds an order read for the network open: the hit grid, whenever
// it is built again, lists the links in it (a node moved, a link reshaped).
// Another network read leaves it unset.
extern bool LinkOrderSet;

namespace KDVlib {

// Lists every node, zone centroid, link and movement of the extent in its tile,
// in array order (links in LinkOrder's when it is set). Disables aArcos1 and
// aCentroides1 and enables them again as soon as a link with a point list, or a
// zone centroid, is listed.
void BuildHitGrid();

// Relists the links of every tile in LinkOrder order.
void GridArcos();

// Marks the tiles that the view window meets and sets HitGridRangeX/Y to their
// index ranges. With the one-tile grid the single tile is always marked.
void SetGrid(double worldMinX, double worldMaxX, double worldMinY, double worldMaxY);

} // namespace KDVlib
