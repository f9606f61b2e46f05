// The handlers of the command table's rows (see CommandRegistry.h).
#include "widgets/CommandRegistry.h"

#include <QAction>

#include <string>

TCommandRegistry::TCommandRegistry(std::function<QAction*(TCommandId)> actionOf)
    : actionOf_(std::move(actionOf)), registered_(CommandTable::Commands().size(), false)
{
}

void TCommandRegistry::Register(CommandTable::TOwner owner, std::initializer_list<TEntry> entries)
{
    for (const TEntry& e : entries)
        Add(owner, e);
}

void TCommandRegistry::Add(CommandTable::TOwner owner, const TEntry& entry)
{
    const TCommandId id = entry.Id;
    const CommandTable::TCommand& row = CommandTable::Row(id);
    const auto i = static_cast<std::size_t>(id);
    if (row.Owner != owner) {
        const std::string what = std::string("registered by ") + CommandTable::OwnerName(owner) + ", owned by " +
                                 CommandTable::OwnerName(row.Owner);
        CommandTable::CommandError(QString::fromUtf8(row.Name), what.c_str());
        return;
    }
    if (registered_[i]) {
        CommandTable::CommandError(QString::fromUtf8(row.Name), "a second handler");
        return;
    }
    registered_[i] = true;
    QAction* a = actionOf_(id);
    QObject::connect(a, &QAction::triggered, a, [run = entry.Run](bool checked) { run(checked); });
}

bool TCommandRegistry::Registered(TCommandId id) const { return registered_[static_cast<std::size_t>(id)]; }
