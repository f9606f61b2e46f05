#pragma once
// The commands of computed names ("Letra%1") for the map's controllers.
#include "widgets/CommandTable.h"

#include <QString>

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

} // namespace MapCommands
