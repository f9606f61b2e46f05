#pragma once
// Lane bands of the links and the per-variable extremes of link and movement data.
//
// The lane band of a link is the strip its lanes occupy beside the centre line of
// the road: two offset polylines (`LaneEdgeNear`, `LaneEdgeFar`) pulled back from
// the end nodes, so that each direction of a two-way road is drawn on its own side.
#include "model/KDVvars.h"
#include "model/PalvonVars.h"


// The lane width AnchoPista and the pull-back of the lane ends from the nodes
// LaneOffset (1.5 x AnchoPista), in the unit of link variable 7: settings of the
// user's view that the lane edges are built with.
struct TLaneWidth {
    float AnchoPista = 3.5f;
    float LaneOffset = 5.25f;
};

// Set when the lane width changed; cleared by ComputeLinkGeometry.
extern bool LanesReady;

namespace PalvonRead {

// Rebuilds the lane edges of every link whose two end nodes have coordinates.
// Links of zero length are left without lane edges (LaneEdgeCount 0) and are
// listed together in one message window text.
void ComputeLinkGeometry(const TLaneWidth& widths);

// Minima of the 130 link variables into Arcos[0] and maxima into Arcos[ArcosMaxRec];
// likewise the 110 movement variables into Movims[0] and Movims[MovimsMaxRec]
// when there are movements. Seeds are UnsetHigh / UnsetLow; NaN values are ignored.
void ComputeLinkDataExtremes();

// Extremes of link variables first..last only (loaders of extra columns).
void ComputeLinkVarExtremes(int first, int last);
// Extremes of movement variables first..last only.
void ComputeMovementVarExtremes(int first, int last);

} // namespace PalvonRead
