#pragma once
// The view window of the main map and its history of views.
//
// The window is WorldMinX..WorldMaxY and the history ZoomHistory/ZoomIndex of
// the user's view (map/ViewState.h). Slot 1 holds the whole network; each zoom box stores its view in
// the slot after the current one; "Vista Anterior" steps back one slot without
// discarding the later ones. The zoom steps (in, out, selection) and panning
// change the window only, never the history.
//
// The pixel arithmetic of the views drawn beside the main map (magnifier,
// aerial overview, the picture dragged by hand) is here too, so that it can be
// checked without a screen.
#include "map/WorldWindow.h"
#include "model/KDVvars.h"

#include <cstdint>

namespace Zoom {

TZoomSlot CurrentView();
void SetView(const TZoomSlot& view);

// A network was opened: its extent becomes the window and slot 1, the current slot.
void StartHistory(const TZoomSlot& extent);
// The network's extent changed under the view (many nodes moved): it becomes the
// window and slot 1; the current slot stays.
void NetworkExtentChanged(const TZoomSlot& extent);
// The rectangle with corners (x1, y1) and (x2, y2), in either order, becomes the
// window and is stored in the slot after the current one. With all 500 slots in
// use the oldest view after slot 1 gives way, so the newest is always kept and
// slot 1 stays the whole network.
void PushView(double x1, double y1, double x2, double y2);
// One slot back; false (nothing changed) when the current slot is the first.
bool PreviousView();
// Back to slot 1.
void FirstView();

// Each side of the window moves in (or out) by factor x its width or height
// as they were before the step.
void ZoomInView(double factor);
void ZoomOutView(double factor);
// The nodes of the selected links (selection class above 0) with a margin of a
// fifth of their extent on each side; false, and nothing changed, when no link
// is selected. Nodes without a position are left out.
bool SelectionView();

// The window of a canvas whose picture was dragged dx, dy pixels (right, down):
// what the canvas would show at its current scale.
TZoomSlot PannedView(const TWorldWindow& canvas, int32_t dx, int32_t dy);
// What the canvas shows from its bottom-left corner (minX, minY) over its whole
// width and height (more than the window asked for along one axis).
TZoomSlot ShownView(const TWorldWindow& canvas, double minX, double minY);
// The square of the canvas that a magnifier of `size` pixels shows at `factor`
// times, centred on pixel (clickX, clickY).
TZoomSlot MagnifierView(const TWorldWindow& canvas, int32_t clickX, int32_t clickY, double size, double factor);

} // namespace Zoom
