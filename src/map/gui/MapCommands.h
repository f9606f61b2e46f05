#pragma once
// Placing a command's action from the map's controllers, as the window places
// its own: the caption (without its '&') as tooltip, shown, in a menu or toolbar.
#include "widgets/CommandTable.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QString>
#include <QWidget>

#include <cstdlib>

namespace MapCommands {

// The command of a computed name ("Letra%1"); an unknown one is a programming error.
inline TCommandId Named(const QString& name)
{
    if (const CommandTable::TCommand* row = CommandTable::Find(name))
        return row->Id;
    CommandTable::UnknownCommand(name, "MapCommands::Named");
    std::abort(); // no command to wire in its place
}

// The command's action placed in `where` (none: made only), shown.
inline QAction* Place(TWindowHost& host, QWidget* where, TCommandId id)
{
    QAction* a = host.Action(id);
    a->setToolTip(a->text().remove(QLatin1Char('&')));
    a->setVisible(true);
    if (where)
        where->addAction(a);
    return a;
}

// A command whose caption the program rewrites.
inline QAction* Place(TWindowHost& host, QWidget* where, TCommandId id, const QString& text)
{
    host.Action(id)->setText(text);
    return Place(host, where, id);
}

inline QAction* Place(TWindowHost& host, QWidget* where, const QString& name)
{
    return Place(host, where, Named(name));
}

} // namespace MapCommands
