// Every command where a user meets it: the live menu bar walked against the main
// menu as the program's description gives it (written here, apart from the command
// table, so a wrong row fails); the live menu bar, toolbars and pop-ups checked for
// what a user needs of them (every command reachable, captions, one command a
// shortcut, tidy toolbars) before any network is open and after the sample and a
// real network are opened; and every row that runs a handler registered.
#include "widgets/CommandPlaces.h"
#include "widgets/CommandRegistry.h"
#include "widgets/CommandTable.h"
#include "mainwindow/PalvonViewer.h"
#include "model/KDVvars.h"
#include "support/LiveMenus.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QtTest/QTest>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QSet>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <vector>

using livemenus::Container;
using livemenus::ItemAt;

namespace {

// A menu of the menu bar by its captions (the description may name only the last
// ones), the items it names in it, and whether it gives their order.
struct TExpectedMenu {
    const char* Path;
    std::vector<const char*> Items;
    bool Ordered = false;
};

const TExpectedMenu MainMenu[] = {
    {"Archivo", {"Abrir", "Abrir Recientes", "Impresion de Redes", "Puntos"}},
    {"Archivo>Abrir",
     {"Abrir Red Palvon", "Abrir resultados LPA", "Abrir LPL", "Abrir Conteos", "Datos Complementarios",
      "Zonificación", "Traza de Arcos", "Linea de Soleras", "Generación/Atracción", "Abrir orden arcos"}},
    {"Impresion de Redes", {"Definir Redes", "Crear Word"}},
    {"Editar", {"Copiar Tema", "Pegar Tema"}},
    {"Herramientas>Temas", {"Definir", "Aplicar"}},
    {"Herramientas>Polígonos", {"Seleccionar Nodos", "Seleccionar Arcos"}},
    {"Polígonos", {"Nuevo", "Eliminar", "Redefinir", "Reconfigurar", "Configurar"}},
    {"Procesos>Rutas Mínimas", {"Configurar", "Interactiva", "Batch"}},
    {"Procesos>Analisis de PIJAs", {"Nivel Arco", "NIvel Movimiento"}},
    {"Análisis de Intersecciones", {"Ver Nodos", "Configurar", "Seleccionar"}},
    {"Análisis de Intersecciones>Configurar", {"Borde ancho", "Borde color", "Factor tamaño"}},
    {"Análisis de Intersecciones>Configurar>Borde ancho", {"0.0 ptos", "0.5 ptos", "1.0 ptos", "1.5 ptos", "2.0 ptos"},
     true},
    {"Seleccionar", {"1 Prioridad", "5 Vuelta \"U\""}, true},
    {"Seleccionar", {"Selección"}},
    {"Ayuda", {"Estadísticas"}},
};

// An item's caption without the value the program shows after it ("Borde ancho (1.0)").
QString Caption(const QAction* a)
{
    const QString text = livemenus::Bare(a->text());
    const qsizetype open = text.lastIndexOf(QStringLiteral(" ("));
    return open > 0 && text.endsWith(')') ? text.left(open) : text;
}

// Every menu under the menu bar with its path of captions.
void MenusUnder(QMenu* menu, const QString& path, std::vector<std::pair<QString, QMenu*>>& out)
{
    out.emplace_back(path, livemenus::Opened(menu));
    for (QAction* a : menu->actions())
        if (a->menu())
            MenusUnder(a->menu(), path + '>' + Caption(a), out);
}

// The expected items a menu lacks (out of order counts as lacking when the order is given).
QStringList Missing(QMenu* menu, const TExpectedMenu& expected)
{
    QStringList missing;
    const QList<QAction*> items = menu->actions();
    qsizetype from = 0;
    for (const char* item : expected.Items) {
        const QString caption = QString::fromUtf8(item);
        qsizetype at = expected.Ordered ? from : 0;
        while (at < items.size() && Caption(items[at]) != caption)
            ++at;
        if (at == items.size())
            missing << caption;
        else
            from = at + 1;
    }
    return missing;
}

class Commands : public ViewerFixture {
protected:
    // What the user meets in the live window, checked on the window itself and not
    // against the table it was built from: every command sits where the user can
    // reach it (an item of a menu, a pop-up or a toolbar, or an action whose state
    // a reachable control shows); every item on show says what it is; no two items
    // on show answer one shortcut (the keys would run neither); a toolbar neither
    // starts nor ends with a separator, nor shows two in a row.
    void WalkWindow()
    {
        const QList<QAction*> reachable = livemenus::Reachable(viewer);
        const QSet<QAction*> items(reachable.begin(), reachable.end());
        std::map<QString, QStringList> byShortcut;
        for (QAction* a : viewer->findChildren<QAction*>(Qt::FindDirectChildrenOnly)) {
            const QString name = a->objectName();
            if (name.isEmpty())
                continue;
            SCOPED_TRACE(name.toStdString());
            bool shown = items.contains(a);
            if (!shown) {
                // A shared action: switching it off or on shows on a control the user reaches.
                std::vector<bool> before;
                for (QAction* control : reachable)
                    before.push_back(control->isEnabled());
                a->setEnabled(!a->isEnabled());
                for (size_t k = 0; k < before.size(); ++k)
                    shown = shown || reachable[qsizetype(k)]->isEnabled() != before[k];
                a->setEnabled(!a->isEnabled());
            }
            EXPECT_TRUE(shown) << "no item of the window reaches it";
            if (!items.contains(a) || !a->isVisible())
                continue;
            EXPECT_FALSE(livemenus::Bare(a->text()).trimmed().isEmpty() && a->icon().isNull()) << "no caption";
            if (!a->shortcut().isEmpty())
                byShortcut[a->shortcut().toString()] << name;
        }
        for (const auto& [keys, names] : byShortcut)
            EXPECT_EQ(names.size(), 1) << keys.toStdString() << ": " << names.join(", ").toStdString();
        for (QToolBar* bar : viewer->findChildren<QToolBar*>()) {
            QList<QAction*> onShow;
            for (QAction* a : bar->actions())
                if (a->isVisible())
                    onShow << a;
            for (qsizetype k = 0; k < onShow.size(); ++k) {
                if (onShow[k]->isSeparator()) {
                    EXPECT_TRUE(k > 0 && k + 1 < onShow.size() && !onShow[k + 1]->isSeparator())
                        << bar->objectName().toStdString() << " separator at " << k;
                }
            }
        }
    }

    void EveryNamedItemIsACommand()
    {
        for (QAction* a : livemenus::Reachable(viewer)) {
            if (!a->objectName().isEmpty()) {
                EXPECT_NE(CommandTable::Find(a->objectName()), nullptr)
                    << a->objectName().toStdString() << " is in a menu but not a command";
            }
        }
    }
};

} // namespace

TEST_F(Commands, TheLiveMenuBarHoldsTheMenusAsDescribed)
{
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat"));
    std::vector<std::pair<QString, QMenu*>> menus;
    for (QAction* a : viewer->menuBar()->actions())
        if (a->menu())
            MenusUnder(a->menu(), livemenus::Bare(a->text()), menus);
    for (const TExpectedMenu& expected : MainMenu) {
        const QString path = QString::fromUtf8(expected.Path);
        QStringList report;
        bool held = false;
        for (const auto& [where, menu] : menus)
            if (where == path || where.endsWith('>' + path)) {
                const QStringList missing = Missing(menu, expected);
                held = held || missing.isEmpty();
                report << where + " lacks " + missing.join(", ");
            }
        EXPECT_TRUE(held) << expected.Path << ": " << (report.isEmpty() ? "no such menu" : report.join("; ").toStdString());
    }
    // A command sits in one menu of the menu bar: a second place would be one the
    // description does not give.
    std::map<QAction*, QStringList> placed;
    for (const auto& [where, menu] : menus)
        for (QAction* a : menu->actions())
            if (!a->objectName().isEmpty())
                placed[a] << where;
    for (const auto& [a, where] : placed)
        EXPECT_EQ(where.size(), 1) << a->objectName().toStdString() << " in " << where.join(", ").toStdString();
}

TEST_F(Commands, TheLiveWindowsCommandsAreReachableNamedAndDistinctBeforeAndAfterOpening)
{
    viewer->show();
    WalkWindow();
    EveryNamedItemIsACommand();
    // The box's place on the toolbar (a narrow window may fold it into the toolbar's overflow).
    QAction* laneBox = nullptr;
    for (QAction* a : viewer->tbarArcos->actions())
        if (viewer->tbarArcos->widgetForAction(a) == viewer->Display().seAnchoPista)
            laneBox = a;
    ASSERT_NE(laneBox, nullptr);
    EXPECT_FALSE(laneBox->isVisible());
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat"));
    WalkWindow();
    // The lane width box comes with the network, and sets the lane width.
    ASSERT_TRUE(laneBox->isVisible());
    viewer->Display().seAnchoPista->setValue(4.0);
    EXPECT_FLOAT_EQ(UserView().Lanes.AnchoPista, 4.0f);
    viewer->Display().seAnchoPista->setValue(3.5);
    const std::string real = tmp.file("siouxfalls-junctions.dat");
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls-junctions.dat"), real);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(real));
    WalkWindow();
    EveryNamedItemIsACommand();
}

// A row that runs something is registered (by its owner: the registry refuses any
// other), once the window is built and after a network is opened; a toggle, a
// submenu holder or a state row is not, and does not act when chosen.
TEST_F(Commands, EveryHandlerRowIsRegisteredAndNoOtherRow)
{
    for (int moment = 0; moment < 2; ++moment) {
        if (moment == 1) {
            ASSERT_TRUE(viewer->Files().AbrirRedPalvon(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat"));
        }
        QStringList wrong;
        for (const CommandTable::TCommand& row : CommandTable::Commands()) {
            using CommandTable::TKind;
            const QAction* a = viewer->Action(row.Id);
            // A handler row runs its owner's handler; a toggle is checkable, a submenu holder holds one.
            const auto by = viewer->Registry().RegisteredBy(row.Id);
            if (by.has_value() != (row.Kind == TKind::Handler) || (by && *by != row.Owner) ||
                (row.Kind == TKind::Toggle && !a->isCheckable()) || (row.Kind == TKind::Submenu && !a->menu()))
                wrong << QStringLiteral("%1 (%2, %3)")
                             .arg(QString::fromUtf8(row.Name), QString::fromUtf8(CommandTable::KindName(row.Kind)),
                                  QString::fromUtf8(by ? CommandTable::OwnerName(*by) : "-"));
        }
        EXPECT_TRUE(wrong.isEmpty()) << moment << ": " << wrong.join(", ").toStdString();
    }
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
    EXPECT_FALSE(livemenus::Find(viewer, "tbCents")->isEnabled());
    EXPECT_FALSE(livemenus::Find(viewer, "Centroides1")->isEnabled());
    cents->setEnabled(true);
    EXPECT_TRUE(livemenus::Find(viewer, "Centroides1")->isEnabled());
    viewer->Action(Cmd::aArcos1)->setEnabled(false);
    EXPECT_FALSE(livemenus::Find(viewer, "tbCurve")->isEnabled());
    viewer->Action(Cmd::aArcos1)->setEnabled(true);
    // The movement links: the button, the menu item and the action are one state.
    livemenus::Find(viewer, "tbMovimLinks")->trigger();
    EXPECT_TRUE(viewer->Action(Cmd::aAtributos2)->isChecked());
    EXPECT_TRUE(livemenus::Find(viewer, "Atributos2")->isChecked());
}

// A menu rarely opened ("Editar") gets its rows when the user first opens it: its
// keys already work on the live window before that, and the menu then shows them.
TEST_F(Commands, ARarelyOpenedMenusKeysWorkBeforeItIsFirstShown)
{
    viewer->show();
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    const std::string net = tmp.file("ejemplo.dat");
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(net));
    QMenu* editar = nullptr;
    for (QAction* a : viewer->menuBar()->actions())
        if (a->menu() && livemenus::Bare(a->text()) == QStringLiteral("Editar"))
            editar = a->menu();
    ASSERT_NE(editar, nullptr);
    ASSERT_TRUE(editar->actions().isEmpty()); // never opened yet
    UserView().WorldMinX = 1.234;
    UserView().WorldMinY = 2.0;
    UserView().WorldMaxX = 300.126;
    UserView().WorldMaxY = 400.999;
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(viewer, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "1.23;2.00;300.13;401.00");
    editar->popup(viewer->mapToGlobal(QPoint(20, 20)));
    QStringList rows;
    for (QAction* a : editar->actions())
        if (a->isVisible() && a->isEnabled())
            rows << a->objectName() + ' ' + a->shortcut().toString();
    editar->hide();
    EXPECT_EQ(rows, (QStringList{"CopiarTema1 Ctrl+Alt+C", "PegarTema1 Ctrl+Alt+V"}));
}

using CommandsDeathTest = Commands;

TEST_F(CommandsDeathTest, ANameNeverBuiltIsAProgrammingError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(viewer->Action(QStringLiteral("NoSuchCommand")), "NoSuchCommand");
}

// A feature wires only its own rows, each once: the window has already given
// "Salir" its handler, "Imprimir..." belongs to printing and the map's "Rangos..."
// to the grids.
TEST_F(CommandsDeathTest, AHandlerOfAnotherFeatureOrASecondOneIsAProgrammingError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(viewer->Registry().Register(CommandTable::TOwner::Files, Cmd::aPrint1, [] {}), "aPrint1");
    EXPECT_DEATH(viewer->Registry().Register(CommandTable::TOwner::MapView, Cmd::Rangos1, [] {}), "Rangos1");
    EXPECT_DEATH(viewer->Registry().Register(CommandTable::TOwner::Window, Cmd::FileExitItem, [] {}),
                 "FileExitItem");
}

// Outside the tests the same mistakes are only logged, and change nothing: the
// handler of another feature and a second one are not connected.
TEST(CommandRegistryLogged, AHandlerOfAnotherFeatureOrASecondOneIsNotConnected)
{
    QAction action;
    TCommandRegistry registry([&](TCommandId) { return &action; });
    const CommandTable::TOwner owner = CommandTable::Row(Cmd::aPrint1).Owner;
    const CommandTable::TOwner other =
        owner == CommandTable::TOwner::Files ? CommandTable::TOwner::Window : CommandTable::TOwner::Files;
    std::vector<int> runs(3, 0);
    CommandTable::SetStrict(false);
    registry.Register(other, Cmd::aPrint1, [&] { ++runs[0]; });
    registry.Register(owner, Cmd::aPrint1, [&] { ++runs[1]; });
    registry.Register(owner, Cmd::aPrint1, [&] { ++runs[2]; });
    CommandTable::SetStrict(true);
    action.trigger();
    EXPECT_EQ(runs, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(registry.RegisteredBy(Cmd::aPrint1), owner);
}

// The item after a row: the next one, none after the last or for an item not there.
TEST(CommandPlacesAfter, TheNextItemNoneAfterTheLast)
{
    QWidget where;
    QAction first, last, stranger;
    where.addAction(&first);
    where.addAction(&last);
    EXPECT_EQ(CommandPlaces::After(&where, &first), &last);
    EXPECT_EQ(CommandPlaces::After(&where, &last), nullptr);
    EXPECT_EQ(CommandPlaces::After(&where, &stranger), nullptr);
}
