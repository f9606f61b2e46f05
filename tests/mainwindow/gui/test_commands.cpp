// Every command of the command table where a user meets it: the live menu bar,
// toolbars and pop-ups of the real main window walked against the table, before
// any network is open and after the sample and a real network are opened.
#include "mainwindow/CommandTable.h"
#include "mainwindow/PalvonViewer.h"
#include "model/KDVvars.h"
#include "support/LiveMenus.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using livemenus::Container;
using livemenus::ItemAt;

namespace {

// Named items reachable from the menu bar, the pop-ups and the toolbars.
void Reachable(QMenu* menu, std::set<QString>& names, std::set<QMenu*>& seen)
{
    if (!menu || !seen.insert(menu).second)
        return;
    for (QAction* a : menu->actions()) {
        if (!a->objectName().isEmpty())
            names.insert(a->objectName());
        Reachable(a->menu(), names, seen);
    }
}

class Commands : public ViewerFixture {
protected:
    // Every row at every place, with its caption, shortcut and kind; the state
    // column of the moment (0 at start, 1 after opening).
    void WalkTable(int moment)
    {
        for (const CommandTable::TCommand& row : CommandTable::Commands()) {
            const QString name = QString::fromUtf8(row.Name);
            SCOPED_TRACE(name.toStdString());
            const char* state = moment == 0 ? row.AtStart : row.AfterOpen;
            for (const QString& place : CommandTable::Places(row)) {
                SCOPED_TRACE(place.toStdString());
                if (place.startsWith("action:")) {
                    QAction* shared = viewer->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
                    ASSERT_NE(shared, nullptr);
                    for (const QString& control : place.mid(7).split(',')) {
                        QAction* c = viewer->findChild<QAction*>(control, Qt::FindDirectChildrenOnly);
                        ASSERT_NE(c, nullptr);
                        EXPECT_EQ(c->isEnabled(), shared->isEnabled()) << control.toStdString();
                    }
                    continue;
                }
                QWidget* where = Container(viewer, place);
                ASSERT_NE(where, nullptr) << "no such menu or toolbar";
                QAction* a = ItemAt(where, name);
                ASSERT_NE(a, nullptr) << "not placed";
                const QString caption = QString::fromUtf8(row.Caption);
                if (caption.endsWith('*'))
                    EXPECT_TRUE(a->text().startsWith(caption.chopped(1))) << a->text().toStdString();
                else if (!caption.isEmpty())
                    EXPECT_EQ(a->text(), caption);
                EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(row.Shortcut)));
                EXPECT_EQ(a->isCheckable(), row.Checkable);
                EXPECT_EQ(a->isVisible(), state[0] == 'S');
                if (state[1] != '*' && state[0] == 'S')
                    EXPECT_EQ(a->isEnabled(), state[1] == 'E');
            }
        }
    }

    void EveryNamedItemIsACommand()
    {
        std::set<QString> names;
        std::set<QMenu*> seen;
        for (QAction* a : viewer->menuBar()->actions())
            Reachable(a->menu(), names, seen);
        for (const char* popup : {"BDerecho", "pupArcos", "pupZonas", "pupNodos", "pupMovim", "pupLineas", "varSolera",
                                  "varLupa", "PupTit", "varMix"})
            Reachable(viewer->findChild<QMenu*>(popup), names, seen);
        for (const char* bar : {"tbarEstandar", "tbarArcos", "tbarMovimientos", "tbarAdicionales", "tbarTitulos",
                                "tbarOpen"})
            for (QAction* a : viewer->findChild<QToolBar*>(bar)->actions()) {
                if (!a->objectName().isEmpty())
                    names.insert(a->objectName());
                Reachable(a->menu(), names, seen);
            }
        for (const QString& name : names)
            EXPECT_NE(CommandTable::Find(name), nullptr) << name.toStdString() << " is in a menu but not a command";
    }
};

} // namespace

TEST_F(Commands, TheLiveWindowMatchesTheTableBeforeAndAfterOpening)
{
    viewer->show();
    WalkTable(0);
    EveryNamedItemIsACommand();
    // The box's place on the toolbar (a narrow window may fold it into the toolbar's overflow).
    QAction* laneBox = nullptr;
    for (QAction* a : viewer->tbarArcos->actions())
        if (viewer->tbarArcos->widgetForAction(a) == viewer->seAnchoPista)
            laneBox = a;
    ASSERT_NE(laneBox, nullptr);
    EXPECT_FALSE(laneBox->isVisible());
    ASSERT_TRUE(viewer->AbrirRedPalvon(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat"));
    WalkTable(1);
    // The lane width box comes with the network, and sets the lane width.
    ASSERT_TRUE(laneBox->isVisible());
    viewer->seAnchoPista->setValue(4.0);
    EXPECT_FLOAT_EQ(AnchoPista, 4.0f);
    viewer->seAnchoPista->setValue(3.5);
    const std::string real = "/work/shared/data/real/siouxfalls-junctions.dat";
    if (std::filesystem::exists(real)) {
        ASSERT_TRUE(viewer->AbrirRedPalvon(real));
        WalkTable(1);
    }
    EveryNamedItemIsACommand();
}

TEST_F(Commands, EveryRowIsOneActionOfTheWindow)
{
    std::set<QString> seen;
    for (const CommandTable::TCommand& row : CommandTable::Commands()) {
        const QString name = QString::fromUtf8(row.Name);
        EXPECT_TRUE(seen.insert(name).second) << "row twice: " << row.Name;
        EXPECT_EQ(viewer->findChildren<QAction*>(name, Qt::FindDirectChildrenOnly).size(), 1) << "name: " << row.Name;
    }
}

TEST_F(Commands, SharedActionsDriveTheirControls)
{
    // The hit grid disables and enables these by name.
    QAction* cents = viewer->Action(Cmd::aCentroides1);
    cents->setEnabled(false);
    EXPECT_FALSE(viewer->Action(Cmd::tbCents)->isEnabled());
    EXPECT_FALSE(viewer->Action(Cmd::Centroides1)->isEnabled());
    cents->setEnabled(true);
    EXPECT_TRUE(viewer->Action(Cmd::Centroides1)->isEnabled());
    viewer->Action(Cmd::aArcos1)->setEnabled(false);
    EXPECT_FALSE(viewer->Action(Cmd::tbCurve)->isEnabled());
    viewer->Action(Cmd::aArcos1)->setEnabled(true);
    // The movement links: the button, the menu item and the action are one state.
    viewer->Action(Cmd::tbMovimLinks)->trigger();
    EXPECT_TRUE(viewer->Action(Cmd::aAtributos2)->isChecked());
    EXPECT_TRUE(viewer->Action(Cmd::Atributos2)->isChecked());
}

using CommandsDeathTest = Commands;

TEST_F(CommandsDeathTest, ANameNeverBuiltIsAProgrammingError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(viewer->Action(QStringLiteral("NoSuchCommand")), "NoSuchCommand");
}

// A feature wires only its own rows, each once: the window has already given
// "Salir" its handler, and "Imprimir..." belongs to printing.
TEST_F(CommandsDeathTest, AHandlerOfAnotherFeatureOrASecondOneIsAProgrammingError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(viewer->Registry().Register(CommandTable::TOwner::Files, Cmd::aPrint1, [] {}), "aPrint1");
    EXPECT_DEATH(viewer->Registry().Register(CommandTable::TOwner::Window, Cmd::FileExitItem, [] {}),
                 "FileExitItem");
}
