#pragma once
// The one table between the view state and the window's commands: each row ties
// a command (toolbar button or checked menu item) to a field of TViewState, both
// ways. A command pressed, from the toolbar, a menu or code, writes its field
// before any handler of the command runs; a field changed in the state (a theme
// or a saved view applied) is shown on its command by Reflect.
#include "map/ViewState.h"
#include "widgets/CommandTable.h"

#include <span>

class QTextEdit;
class TWindowHost;

namespace ViewBinding {

struct TRow {
    TCommandId command;
    bool TViewState::*field;
};

// Every row of the table.
std::span<const TRow> Rows();
// The field bound to a command; null when the command is bound to none.
bool TViewState::*FieldOf(TCommandId command);
// Fills the state from the commands and keeps it following them from now on.
// Called once the window's actions exist, before any controller connects its own
// handlers, so that a handler of a bound command reads the state already written.
void Connect(TWindowHost& window, TViewState& state);
// Sets every bound command to its field (the handlers of a command that changes run).
void Reflect(TWindowHost& window, const TViewState& state);
// Fills the title block of the state from the title box and keeps it following
// the box's text, font and colour however they are changed (typed, the title
// toolbar, a theme or a saved view applied), for as long as the box lives.
void ConnectTitle(QTextEdit& box, TViewState& state);

} // namespace ViewBinding
