#pragma once
// What the windows beside the map (the aerial view, the scale dialog, the phase
// and pair windows) need of the main window. The main window implements it and
// hands it to each window when the window is made; a window made on its own (in
// a test) has none and leaves the map alone.
#include "widgets/CommandTable.h"

class TOxrImage;

class TMapHost {
public:
    // The map canvas, null until the window has made it.
    virtual TOxrImage* MapImage() = 0;
    virtual void RedrawMap() = 0;
    // The aerial view's picture of the whole network.
    virtual void RedrawAerial() = 0;
    // A toolbar button's Down or a menu item's tick.
    virtual bool CommandOn(TCommandId id) = 0;
    virtual void SetCommandOn(TCommandId id, bool on) = 0;
    // The padlock beside the legend that says the scale's maximum is kept.
    virtual void ShowScaleKept(bool kept) = 0;

protected:
    ~TMapHost() = default;
};
