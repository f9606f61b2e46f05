#pragma once
// Filling a menu, toolbar or pop-up from the command table: its rows in row order,
// with the separators the table writes. The code that makes a container fills it
// once, then adds only what the program alone can make (submenus of its own,
// boxes, items computed from data) beside the rows.
#include "widgets/CommandTable.h"

#include <QString>

class QAction;
class QWidget;
class TWindowHost;

namespace CommandPlaces {

// Every row that sits at `place` ("menu:Archivo>Abrir", "popup:pupArcos",
// "toolbar:tbarEstandar"), appended to `where` in row order and shown; a row
// already there keeps its spot. A row placed here shows its caption (without its
// '&') as its hint, unless the program rewrites the caption.
void Fill(TWindowHost& host, QWidget* where, const QString& place);

// Appends a row's action to `where` at `place`, after the separator the table
// writes before it there; false when the action is there already.
bool Append(QWidget* where, QAction* action, const CommandTable::TCommand& row, const QString& place);

// The item of `where` right after `item` (nullptr when it is the last): where to
// insert something of the program's own after a row.
QAction* After(QWidget* where, QAction* item);

} // namespace CommandPlaces
