#pragma once
// The zoom box's rule on the main map (its state under way is the map view's,
// TMapViewController).

// A zoom box counts only when dragged more than 10 pixels up or down: a click,
// or a drag along a row, never zooms.
inline bool ZoomBoxAccepted(double pressRow, double releaseRow)
{
    const double d = releaseRow - pressRow;
    return d > 10.0 || d < -10.0;
}
