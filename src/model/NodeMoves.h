#pragma once
// Geometry updates after nodes, centroids or link shape points were moved on the
// map: the link ends and bearings of the links at moved nodes, the network extent
// when many nodes moved, and the shape-point edits of one link. Headless: the main
// window draws, these keep the model consistent.
#include "model/LinkGeometry.h"
#include "model/PalvonVars.h"

#include <cstdint>
#include <string>
#include <vector>

struct TZoomSlot;

// Node numbers formatted "%10d" of the nodes moved by the last node drag.
extern std::vector<std::string> MovedNodes;

namespace KDVlib {

// Places node `node` (record) at (x, y) and marks it as having coordinates.
// Returns the shift (new - old) through dx, dy (0 when it had no coordinates).
void PlaceNode(int32_t node, double x, double y, double& dx, double& dy);

// Shifts every node other than `except` whose selection mark is >= 1 by (dx, dy)
// and lists it in MovedNodes. Returns how many moved.
int32_t ShiftSelectedNodes(int32_t except, double dx, double dy);

// Brings the links at the nodes of MovedNodes onto their nodes: first and last
// shape point, both bearings, the cosine and sine of the A-end bearing. When more
// than a tenth of all nodes moved, the network extent is recomputed (with a
// margin of 0.025 of the span) and handed back in `extent`, for the view to make
// it its window and first zoom slot; true then. The lane edges (of the given lane
// width) and the hit grid are rebuilt.
bool NewAngles(const TLaneWidth& widths, TZoomSlot& extent);

// The places of the nodes and centroids of the network in memory, by number:
// what an unsaved move leaves only in memory, kept while other networks are read.
struct THeldPositions {
    struct TPlace {
        int32_t Number;
        float X, Y;
    };
    std::vector<TPlace> Nodes, Centroids;
};
THeldPositions HoldPositions();
// Puts held places back on the same network read again: each node and centroid
// found by its number takes its place, and the links at the nodes that moved
// follow them (NewAngles: true, and the network's new extent in `extent`, when
// that changed).
bool PutBackPositions(const THeldPositions& held, const TLaneWidth& widths, TZoomSlot& extent);

// ---- Shape points of one link (handles 0..2n-2: even 2k = point k, odd = midpoint) ----
int32_t ShapeHandleCount(const TArcos& a);
TPoint ShapeHandlePoint(const TArcos& a, int32_t handle);
// B-end bearing from the last segment of the shape.
void SetBearingB(TArcos& a);
// An odd handle inserts p after point handle/2, an even handle moves that point.
// False (nothing changed) when an insertion finds the link's 12 points taken or the
// handle is out of range.
bool DropShapeHandle(TArcos& a, int32_t handle, const TPoint& p);
// Deletes point handle/2 of an even interior handle; the end points always stay.
bool DeleteShapePoint(TArcos& a, int32_t handle);
// Shifts every shape point, end points included.
void ShiftShape(TArcos& a, double dx, double dy);

} // namespace KDVlib
