#pragma once
// Every command of the main window in one table: its object name, caption, where
// it sits, shortcut, whether it is checkable, and its state at start and once a
// network is open. The window builds its menus, toolbars and pop-ups with these
// names, takes shortcuts from here, and hides and shows the rows' items; the tests
// walk the live window against the same rows.
#include <QString>
#include <QStringList>

#include <vector>

namespace CommandTable {

struct TCommand {
    const char* Name;
    // As first shown; a trailing '*' marks a caption the program rewrites (sizes,
    // fonts, chosen variables): only the text before it is fixed.
    const char* Caption;
    // ';'-separated places: "menu:Archivo>Abrir" (menu bar path), "popup:BDerecho>Zonas"
    // (a pop-up menu by object name, then submenu captions or "#" + submenu item
    // name), "toolbar:tbarEstandar", or "action:tbCents,Centroides1" (a shared
    // action whose state its listed controls show).
    const char* Places;
    const char* Shortcut;
    bool Checkable;
    // Two letters each: 'S' shown / 'H' hidden, then 'E' enabled / 'D' disabled /
    // '*' decided by the data.
    const char* AtStart;
    const char* AfterOpen;
};

const std::vector<TCommand>& Commands();
// The row of that name; nullptr when the table has none.
const TCommand* Find(const QString& name);
QStringList Places(const TCommand& row);

// A name that is not a command is a programming error: fatal while tests run
// (SetStrict), logged otherwise.
void SetStrict(bool strict);
void UnknownCommand(const QString& name, const char* where);

} // namespace CommandTable
