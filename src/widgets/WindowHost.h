#pragma once
// What any feature controller may ask of the main window, whichever feature it
// serves: a parent for its dialogs, the commands' actions and their ticks, the
// registry where it wires its own rows, the status bar and a redraw of the map.
// The main window implements it; a controller takes it (with the small host of
// its own feature, if it needs more) when the window makes it.
#include "widgets/CommandTable.h"

class QAction;
class QString;
class QWidget;
class TCommandRegistry;
struct TViewState;

class TWindowHost {
public:
    // The parent of the controller's dialogs and message boxes.
    virtual QWidget* DialogParent() = 0;
    // The action (toolbar button or menu item) made for a row.
    virtual QAction* Action(TCommandId id) = 0;
    // A toolbar button's Down or a menu item's tick.
    virtual bool CommandOn(TCommandId id) = 0;
    virtual void SetCommandOn(TCommandId id, bool on) = 0;
    // The user's view, which the bound commands show (map/gui/ViewBinding.h).
    virtual TViewState& View() = 0;
    // Where a controller registers the handlers of its own rows.
    virtual TCommandRegistry& Registry() = 0;
    // Panel 0..3 of the status bar.
    virtual void SetStatusPanel(int panel, const QString& text) = 0;
    virtual QString StatusPanel(int panel) = 0;
    virtual void RedrawMap() = 0;

protected:
    ~TWindowHost() = default;
};
