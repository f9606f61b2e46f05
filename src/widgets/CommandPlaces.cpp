#include "widgets/CommandPlaces.h"

#include "widgets/WindowHost.h"

#include <QAction>
#include <QWidget>

namespace CommandPlaces {

void Fill(TWindowHost& host, QWidget* where, const QString& place)
{
    for (const CommandTable::TCommand& row : CommandTable::Commands()) {
        if (!CommandTable::Places(row).contains(place))
            continue;
        QAction* a = host.Action(row.Id);
        if (where->actions().contains(a))
            continue;
        if (!QString::fromUtf8(row.Caption).endsWith(QLatin1Char('*')))
            a->setToolTip(a->text().remove(QLatin1Char('&')));
        a->setVisible(true);
        Append(where, a, row, place);
    }
}

bool Append(QWidget* where, QAction* action, const CommandTable::TCommand& row, const QString& place)
{
    if (where->actions().contains(action))
        return false;
    if (CommandTable::SeparatorBefore(row, place)) {
        auto* separator = new QAction(where);
        separator->setSeparator(true);
        where->addAction(separator);
    }
    where->addAction(action);
    return true;
}

QAction* After(QWidget* where, QAction* item)
{
    const QList<QAction*> items = where->actions();
    const qsizetype at = items.indexOf(item);
    return at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
}

} // namespace CommandPlaces
