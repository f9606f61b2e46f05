// The handlers of the command table's rows (see CommandRegistry.h).
#include "widgets/CommandRegistry.h"

#include <QAction>

#include <string>

TCommandRegistry::TCommandRegistry(std::function<QAction*(TCommandId)> actionOf)
    : actionOf_(std::move(actionOf)), registeredBy_(CommandTable::Commands().size())
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
    if (registeredBy_[i]) {
        CommandTable::CommandError(QString::fromUtf8(row.Name), "a second handler");
        return;
    }
    registeredBy_[i] = owner;
    QAction* a = actionOf_(id);
    QObject::connect(a, &QAction::triggered, a, [run = entry.Run](bool checked) { run(checked); });
}

bool TCommandRegistry::Registered(TCommandId id) const { return RegisteredBy(id).has_value(); }

std::optional<CommandTable::TOwner> TCommandRegistry::RegisteredBy(TCommandId id) const
{
    return registeredBy_[static_cast<std::size_t>(id)];
}
