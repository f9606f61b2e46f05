#pragma once
// What a drawing of the network leaves on the painter it drew on: the hit regions
// of the nodes, zone centroids and generation/attraction records it drew (the
// main map keeps them; the mouse finds elements through them), the count of
// marked nodes and how long the drawing took. Each painter has its own, so a
// print page or a view beside the map never changes the main map's.
#include "model/PalvonVars.h"

#include <QRegion>

#include <cstdint>
#include <vector>

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

struct TLastDrawing {
    // Hit regions by record index. A redraw gives every drawn element a new
    // region and clears the others, so a region never points at a place the
    // element no longer has on screen.
    std::vector<THitCircle> NodeHitRegions;  // 0..MaxNodos once nodes were drawn
    std::vector<THitCircle> ZoneHitRegions;  // 0..MaxZonas once centroids were drawn
    std::vector<QRegion> GenatrRegions;      // 0..MaxGenatr once the zone bars were drawn
    // Nodes whose selection/colour class is above 0, recounted by every drawing of the links.
    int32_t SelectedNodeCount = 0;
    // Milliseconds the last full redraw of the main map took (0 before the first).
    int32_t LastMapRedrawMs = 0;
    // Of which the label layers (node numbers, values, street names) took.
    int32_t LastMapLabelMs = 0;

    // The region of a record (an empty one when it has none).
    THitCircle NodeHit(int32_t n) const { return At(NodeHitRegions, n); }
    THitCircle ZoneHit(int32_t z) const { return At(ZoneHitRegions, z); }
    void ClearNodeHits() { NodeHitRegions.assign(MaxNodos + 1, THitCircle{}); }
    void ClearZoneHits() { ZoneHitRegions.assign(MaxZonas + 1, THitCircle{}); }
    void ClearGenatrHits() { GenatrRegions.assign(MaxGenatr + 1, QRegion()); }

private:
    static THitCircle At(const std::vector<THitCircle>& regions, int32_t k)
    {
        return k >= 0 && static_cast<size_t>(k) < regions.size() ? regions[static_cast<size_t>(k)] : THitCircle{};
    }
};
