// The commands of the command table as the window holds them: every row's action
// made before any menu is built (so the builders and handlers find it by name),
// then, once every menu, toolbar and pop-up the code makes has been filled from
// its rows (CommandPlaces::Fill), the rows left placed where the table says (in
// row order, with their separators, making the submenus their places name), the
// start-up hide list and what a network opening shows, and the handlers of the
// items placed here.
#include "export/GeoWriters.h"
#include "widgets/CommandTable.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/CommandPlaces.h"
#include "map/gui/ViewBinding.h"
#include "map/DrawState.h"
#include "map/gui/DlgSize.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <vector>

namespace {

QString Bare(QString text) { return text.remove(QLatin1Char('&')); }

// The submenu of `menu` reached by one path segment: a caption, or "#" and the name
// of the item that opens it. Made (appended) when missing and `make` is set.
QMenu* SubMenu(QMenu* menu, const QString& segment, bool make)
{
    for (QAction* a : menu->actions()) {
        if (!a->menu())
            continue;
        if (segment.startsWith(QLatin1Char('#')) ? a->objectName() == segment.mid(1)
                                                 : Bare(a->text()) == segment)
            return a->menu();
    }
    if (!make || segment.startsWith(QLatin1Char('#')))
        return nullptr;
    // A command of the table that opens a submenu (placed before its items) gets it.
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && Bare(a->text()) == segment) {
            auto* sub = new QMenu(segment, menu);
            a->setMenu(sub);
            return sub;
        }
    return menu->addMenu(segment);
}

} // namespace

// The widget (menu or toolbar) a table place names; nullptr for shared actions.
QWidget* TPalvonViewer::CommandPlace(const QString& place, bool make)
{
    const int colon = place.indexOf(QLatin1Char(':'));
    const QString kind = place.left(colon);
    QStringList path = place.mid(colon + 1).split(QLatin1Char('>'));
    if (kind == QLatin1String("toolbar"))
        return findChild<QToolBar*>(path.front());
    QMenu* menu = nullptr;
    if (kind == QLatin1String("menu")) {
        for (QAction* a : menuBar()->actions())
            if (a->menu() && Bare(a->text()) == path.front())
                menu = a->menu();
        if (!menu && make)
            menu = menuBar()->addMenu(path.front());
    } else if (kind == QLatin1String("popup")) {
        menu = findChild<QMenu*>(path.front());
    }
    for (int i = 1; menu && i < path.size(); ++i)
        menu = SubMenu(menu, path[i], make);
    return menu;
}

void TPalvonViewer::CreateCommandActions()
{
    actions_.clear();
    for (const CommandTable::TCommand& row : CommandTable::Commands()) {
        auto* a = new QAction(CommandTable::Caption(row.Id), this);
        actions_.push_back(a);
        a->setObjectName(QString::fromUtf8(row.Name));
        a->setCheckable(row.Checkable);
        if (*row.Shortcut)
            a->setShortcut(QKeySequence(QString::fromUtf8(row.Shortcut)));
        if (!*row.Caption)
            a->setSeparator(true);
    }
    ViewBinding::Connect(*this, UserView());
}

void TPalvonViewer::PlaceCommands()
{
    for (const CommandTable::TCommand& row : CommandTable::Commands()) {
        QAction* a = Action(QString::fromUtf8(row.Name));
        for (const QString& place : CommandTable::Places(row)) {
            if (place.startsWith(QLatin1String("action:")))
                continue;
            QWidget* where = CommandPlace(place, true);
            if (!where) {
                CommandTable::UnknownCommand(place, "PlaceCommands");
                continue;
            }
            // A menu rarely opened places its rows when first shown.
            if (CommandPlaces::IsPending(where))
                continue;
            CommandPlaces::Append(where, a, row, place);
        }
    }
    LinkSharedActions();
    ConnectCommandItems();
}

// A shared action shows through its controls: they follow its enabled state (and
// its checked state when it is a toggle).
void TPalvonViewer::LinkSharedActions()
{
    for (const CommandTable::TCommand& row : CommandTable::Commands()) {
        for (const QString& place : CommandTable::Places(row)) {
            if (!place.startsWith(QLatin1String("action:")))
                continue;
            QAction* shared = Action(QString::fromUtf8(row.Name));
            for (const QString& name : place.mid(7).split(QLatin1Char(','))) {
                QAction* control = Action(name);
                control->setEnabled(shared->isEnabled());
                connect(shared, &QAction::changed, control, [shared, control] {
                    control->setEnabled(shared->isEnabled());
                });
                if (row.Checkable && control->isCheckable()) {
                    shared->setChecked(control->isChecked());
                    connect(control, &QAction::toggled, shared, &QAction::setChecked);
                    connect(shared, &QAction::toggled, control, &QAction::setChecked);
                }
            }
        }
    }
}

void TPalvonViewer::ConnectCommandItems()
{
    // Sizes and factors show their current value.
    int32_t* const sizes[] = {&UserView().CentroidSize, &UserView().NodeSize, &UserView().ArrowSize, &UserView().SignalSize};
    for (int tag = 1; tag <= 4; ++tag)
        Action(QStringLiteral("Tamano%1").arg(tag))->setText(QStringLiteral("Tamaño (%1)").arg(*sizes[tag - 1]));
    Action(Cmd::FactorTamano)
        ->setText(QString::fromStdString(ZelUtils::Format("Factor tamaño (%.2f)", double(ImageSizeFactor))));
    // The generation/attraction columns come with their file.
    Action(Cmd::GenAtrZona)->setEnabled(false);
    // "Selección" of the junction list needs selected nodes (the drawing enables it).
    Action(Cmd::jtSel)->setEnabled(false);

    if (pupArcos) {
        // The pop-up shares its selection commands with the menu bar: what it turns
        // off over the selected-links grid comes back once it closes (after the
        // chosen item has run), so the menu bar never inherits the pop-up's state.
        // A state the chosen command set meanwhile is its own and stays.
        struct Kept {
            QPointer<QAction> action;
            bool before, shown;
        };
        auto kept = std::make_shared<std::vector<Kept>>();
        connect(pupArcos, &QMenu::aboutToShow, this, [this, kept] {
            kept->clear();
            for (QAction* a : pupArcos->actions())
                kept->push_back({a, a->isEnabled(), false});
            Grids().pupArcosPopup();
            for (Kept& k : *kept)
                k.shown = k.action->isEnabled();
        });
        connect(pupArcos, &QMenu::aboutToHide, this, [this, kept] {
            QTimer::singleShot(0, this, [kept] {
                for (const Kept& k : *kept)
                    if (k.action && k.action->isEnabled() == k.shown)
                        k.action->setEnabled(k.before);
                kept->clear();
            });
        });
    }

    // The flow-diagram button drops down its variables.
    QAction* mixs = Action(Cmd::tbMixs);
    mixs->setMenu(varMix);
    if (auto* button = qobject_cast<QToolButton*>(tbarMovimientos->widgetForAction(mixs)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
}

void TPalvonViewer::ApplyStartVisibility()
{
    for (const CommandTable::TCommand& row : CommandTable::Commands())
        if (row.AtStart[0] == 'H')
            Action(QString::fromUtf8(row.Name))->setVisible(false);
}

void TPalvonViewer::ApplyOpenVisibility()
{
    for (const CommandTable::TCommand& row : CommandTable::Commands())
        if (row.AtStart[0] == 'H' && row.AfterOpen[0] == 'S')
            Action(QString::fromUtf8(row.Name))->setVisible(true);
}

