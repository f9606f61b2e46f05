#pragma once
// Junction outlines: the polygon that joins the lane-band ends of every link at a
// node, drawn as the junction's area when links are drawn lane by lane.
#include "model/PalvonVars.h"

#include <cstdint>

namespace PalvonRead {

// One outline point while the outline is sorted: polar form around the node.
struct TArmAngle {
    double Radius = 0.0;
    double Angle = 0.0; // [0, 2*pi), counter-clockwise from +X
};

// Rebuilds the outline of every node from the lane edges (run after
// ComputeLinkGeometry). A node met by more links than its outline holds keeps
// the first ones (whole pairs of points) and is named in the error list; the
// status bar gives their number.
void OrderArms();

// Sorts entries lo..hi of work by ascending angle (exchange sort; two entries of
// equal angle are never exchanged with each other).
void SortArmsByAngle(int32_t lo, int32_t hi, TArmAngle* work);

} // namespace PalvonRead
