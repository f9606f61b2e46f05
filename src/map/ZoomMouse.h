#pragma once
// Mouse state of the zoom box, the hand pan and the magnifier on the main map,
// shared with the map's other mouse tools: a press sets it, the moves follow it
// and the release of the same drag clears it.
#include "model/PalvonVars.h" // TPoint

#include <cstdint>

// The canvas is being dragged by hand.
extern bool Panning;
// Screen position of the press, and where the picture stood at the press.
extern int32_t PanOriginX, PanOriginY;
extern int32_t PanImageOriginX, PanImageOriginY;
// The magnifier follows the pointer until the release.
extern bool ZoomFollow;
// World point of the press; last feedback point; pixel of the press (as reals).
extern TPoint PressPoint, LastPoint, AuxPoint;

// A zoom box counts only when dragged more than 10 pixels up or down: a click,
// or a drag along a row, never zooms.
inline bool ZoomBoxAccepted(double pressRow, double releaseRow)
{
    const double d = releaseRow - pressRow;
    return d > 10.0 || d < -10.0;
}
