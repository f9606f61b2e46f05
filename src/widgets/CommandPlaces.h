#pragma once
// Filling a menu, toolbar or pop-up from the command table: its rows in row order,
// with the separators the table writes. The code that makes a container fills it
// once, then adds only what the program alone can make (submenus of its own,
// boxes, items computed from data) beside the rows.
#include "widgets/CommandTable.h"

#include <QString>

class QAction;
class QMenu;
class QWidget;
class TWindowHost;

namespace CommandPlaces {

// Every row that sits at `place` ("menu:Archivo>Abrir", "popup:pupArcos",
// "toolbar:tbarEstandar"), appended to `where` in row order and shown; a row
// already there keeps its spot. A row placed here shows its caption (without its
// '&') as its hint, unless the program rewrites the caption.
void Fill(TWindowHost& host, QWidget* where, const QString& place);

// Fill for a menu rarely opened: the rows are shown and given their hints now,
// but appended to the menu only when it is first about to show (or FillPending
// is called). Meanwhile each of them that has a shortcut is also an action of
// `window`, so that its keys work before the menu was ever opened, and the menu
// carries PendingFillProperty.
void FillWhenShown(TWindowHost& host, QMenu* menu, const QString& place, QWidget* window);
inline constexpr char PendingFillProperty[] = "commandRowsPending";
// Runs the fill a menu is waiting for, if any (the rows are then where Fill puts them).
void FillPending(QMenu* menu);
// Whether `where` is a menu whose rows wait for its first showing.
bool IsPending(const QWidget* where);

// Appends a row's action to `where` at `place`, after the separator the table
// writes before it there; false when the action is there already.
bool Append(QWidget* where, QAction* action, const CommandTable::TCommand& row, const QString& place);

// The item of `where` right after `item` (nullptr when it is the last): where to
// insert something of the program's own after a row.
QAction* After(QWidget* where, QAction* item);

} // namespace CommandPlaces
