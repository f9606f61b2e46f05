#include "widgets/CommandPlaces.h"

#include "widgets/WindowHost.h"

#include <QAction>
#include <QMenu>
#include <QVariant>
#include <QWidget>

#include <functional>

namespace CommandPlaces {

namespace {

// What placing a row at a place does to its action, whenever the row is appended:
// the row is shown, and says what it is as its hint.
void ShowPlaced(QAction* a, const CommandTable::TCommand& row)
{
    if (!QString::fromUtf8(row.Caption).endsWith(QLatin1Char('*')))
        a->setToolTip(a->text().remove(QLatin1Char('&')));
    a->setVisible(true);
}

// The fill a menu waits for, kept by the menu (as a property) until it runs.
using TPendingFill = std::function<void()>;
const char* const PendingFillSlot = "commandRowsFill";

} // namespace

void Fill(TWindowHost& host, QWidget* where, const QString& place)
{
    for (const CommandTable::TCommand& row : CommandTable::Commands()) {
        if (!CommandTable::Places(row).contains(place))
            continue;
        QAction* a = host.Action(row.Id);
        if (where->actions().contains(a))
            continue;
        ShowPlaced(a, row);
        Append(where, a, row, place);
    }
}

void FillWhenShown(TWindowHost& host, QMenu* menu, const QString& place, QWidget* window)
{
    // The rows get now all that Fill gives them but their place in the menu: the
    // code that follows sets their states and hints as it would after a Fill.
    for (const CommandTable::TCommand& row : CommandTable::Commands()) {
        if (!CommandTable::Places(row).contains(place))
            continue;
        QAction* a = host.Action(row.Id);
        if (menu->actions().contains(a))
            continue;
        ShowPlaced(a, row);
        if (*row.Shortcut)
            window->addAction(a);
    }
    auto* fill = new TPendingFill([&host, menu, place] {
        for (const CommandTable::TCommand& row : CommandTable::Commands())
            if (CommandTable::Places(row).contains(place))
                Append(menu, host.Action(row.Id), row, place);
    });
    menu->setProperty(PendingFillProperty, true);
    menu->setProperty(PendingFillSlot, QVariant::fromValue(static_cast<void*>(fill)));
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { FillPending(menu); });
    QObject::connect(menu, &QObject::destroyed, [fill] { delete fill; });
}

void FillPending(QMenu* menu)
{
    if (!IsPending(menu))
        return;
    menu->setProperty(PendingFillProperty, QVariant());
    auto* fill = static_cast<TPendingFill*>(menu->property(PendingFillSlot).value<void*>());
    if (fill && *fill) {
        const TPendingFill run = std::move(*fill);
        *fill = nullptr;
        run();
    }
}

bool IsPending(const QWidget* where) { return where && where->property(PendingFillProperty).toBool(); }

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
