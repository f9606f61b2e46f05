// The secondary windows as a user meets them on a 1600 x 1000 screen: opened by
// their commands at their default size, every control inside the window (none
// behind a toolbar's overflow arrow, none clipped by its frame), captioned, and
// closed with Escape. While one shows, another network dropped on the main window
// is not opened under it.
#include "mainwindow/DlgCfg.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"
#include "map/GeoLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/gui/FrmDat.h"
#include "analysis/gui/DlgFormula.h"
#include "mainwindow/DlgFind.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/gui/DisplayController.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "support/FileDialogAnswer.h"
#include "support/GuiTestUtil.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLocale>
#include <QFontComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUrl>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QTabWidget>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

namespace {

std::string Name(const QWidget* w) { return (w->objectName() + " " + w->metaObject()->className()).toStdString(); }

// What a user can reach in `win`: every shown widget lies inside its parent and
// the window; no toolbar folds buttons behind its arrow; buttons, boxes and
// toolbar items carry a caption or hint that is not their object name; grid
// columns all show without scrolling sideways.
void ExpectReachable(QWidget* win)
{
    const QRect area = win->rect();
    EXPECT_LE(win->frameGeometry().width(), 1600) << Name(win);
    EXPECT_LE(win->frameGeometry().height(), 1000) << Name(win);
    for (QWidget* c : win->findChildren<QWidget*>()) {
        if (!c->isVisible() || c->isWindow())
            continue;
        const QRect r(c->mapTo(win, QPoint(0, 0)), c->size());
        EXPECT_TRUE(area.contains(r)) << Name(c) << " outside " << Name(win);
        if (QWidget* p = c->parentWidget(); p && p != win && !qobject_cast<QAbstractScrollArea*>(p)) {
            EXPECT_TRUE(p->rect().contains(c->geometry()))
                << Name(c) << " clipped by " << Name(p) << ": " << c->geometry().x() << "," << c->geometry().y() << " " << c->width() << "x" << c->height() << " in " << p->width() << "x" << p->height();
        }
        if (c->objectName() == QLatin1String("qt_toolbar_ext_button"))
            ADD_FAILURE() << "overflow arrow in " << Name(c->parentWidget());
        QString caption = c->toolTip();
        if (auto* b = qobject_cast<QAbstractButton*>(c); b && c->objectName() != "qt_toolbar_ext_button")
            caption += b->text();
        if (qobject_cast<QAbstractButton*>(c) || qobject_cast<QAbstractSpinBox*>(c) || qobject_cast<QComboBox*>(c)) {
            if (c->parentWidget() && qobject_cast<QAbstractSpinBox*>(c->parentWidget()))
                continue;
            if (auto* combo = qobject_cast<QComboBox*>(c); combo && caption.isEmpty())
                caption = combo->currentText();
            for (QLabel* l : win->findChildren<QLabel*>())
                if (l->buddy() == c)
                    caption += l->text();
            EXPECT_FALSE(caption.trimmed().isEmpty()) << Name(c) << " has no caption";
            EXPECT_FALSE(!c->objectName().isEmpty() && caption.contains(c->objectName())) << Name(c);
        }
        if (auto* g = qobject_cast<TStringAlignGrid*>(c)) {
            const int last = g->horizontalHeader()->logicalIndex(g->horizontalHeader()->count() - 1);
            EXPECT_LE(g->columnViewportPosition(last) + g->columnWidth(last), g->viewport()->width())
                << Name(g) << ": its last column is off screen";
        }
    }
    for (QToolBar* bar : win->findChildren<QToolBar*>())
        for (QAction* a : bar->actions()) {
            if (a->isSeparator() || !a->isVisible())
                continue;
            QWidget* b = bar->widgetForAction(a);
            EXPECT_TRUE(b && b->isVisible()) << a->objectName().toStdString() << " folded away";
            if (a->objectName().isEmpty())
                continue; // a box or button placed on the bar: checked as a widget above
            EXPECT_NE(a->text(), a->objectName());
            EXPECT_NE(a->toolTip(), a->objectName());
        }
}

class WindowsOnScreen : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", tmp.file("red.dat"));
        viewer->resize(1600, 1000);
        viewer->show();
        testutil::settle();
    }
    void Open(const std::string& net)
    {
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(net));
        testutil::settle();
    }
    // Runs `command`; `answer` is called on each modal window it opens, in turn,
    // until one returns true (that one is the window to check).
    static void WhenModal(const char* className, std::function<void(QWidget*)> check)
    {
        auto* timer = new QTimer(qApp);
        auto polls = std::make_shared<int>(1000);
        QObject::connect(timer, &QTimer::timeout, timer, [=] {
            QWidget* m = QApplication::activeModalWidget();
            if (m && m->isVisible() && m->inherits(className)) {
                timer->stop();
                timer->deleteLater();
                check(m);
            } else if (--*polls <= 0) {
                timer->stop();
                timer->deleteLater();
                ADD_FAILURE() << "no " << className << " showed";
                if (m)
                    m->close();
            }
        });
        timer->start(10);
    }
    // Checks the window and closes it with Escape as a user would.
    static void CheckAndEscape(QWidget* win)
    {
        testutil::settle();
        ExpectReachable(win);
        QTest::keyClick(win, Qt::Key_Escape);
        testutil::settle();
        EXPECT_FALSE(win->isVisible()) << Name(win) << " stays open after Escape";
        if (win->isVisible())
            win->close();
    }
};

} // namespace

TEST_F(WindowsOnScreen, SecondaryWindowsShowEveryControlAndCloseWithEscape)
{
    // The listing of the sample's network with its PIJA records, read with it.
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/tests/data/lst_net.dat", tmp.file("pij.dat"));
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/tests/data/lst_red.lpa", tmp.file("pij.lpa"));
    Secondary::DlgCfg().cbReadPijas->setChecked(true);
    struct Case {
        const char* what;
        std::string net;
        const char* window;
        std::function<void(TPalvonViewer*)> open;
        std::function<void(QWidget*)> content = {}; // what the window says, checked before Escape
    };
    const std::vector<Case> cases = {
        {"phases", tmp.file("red.dat"), "TFrmFases",
         [](TPalvonViewer* v) { livemenus::Click(v, "menu:Procesos>Análisis de Intersecciones", "Visualizacion"); }},
        {"turning flows", tmp.file("red.dat"), "TFrmMix",
         [](TPalvonViewer* v) {
             if (!v->Down(Cmd::tbNodes)) // the junction is picked where its node is drawn
                 livemenus::Click(v, "toolbar:tbarArcos", "tbNodes");
             livemenus::Click(v, "menu:Ver", "aRedibujar");
             livemenus::Click(v, "toolbar:tbarMovimientos", "tbMixs");
             const int32_t k = KDVlib::FindNodo(103);
             const QPoint at(v->img->WorldToPixelX(Nodos[k].X), v->img->WorldToPixelY(Nodos[k].Y));
             QTest::mouseMove(v->img, at);
             QTest::mouseClick(v->img, Qt::LeftButton, {}, at);
         }},
        {"pairs by link", tmp.file("pij.dat"), "TFrmPija",
         [](TPalvonViewer* v) { livemenus::Click(v, "menu:Procesos>Analisis de PIJAs", "NivelArco"); }},
        {"formula", tmp.file("red.dat"), "TDlgFormula",
         [](TPalvonViewer* v) {
             WhenModal("TDualListDialog", [](QWidget* d) {
                 auto* dl = static_cast<TDualListDialog*>(d);
                 dl->Move(1, {0});
                 dl->accept();
             });
             livemenus::Click(v, "popup:pupArcos", "Crearcolumna1");
         }},
        // Before any variable is chosen the scale names none, not "null".
        {"scale", tmp.file("red.dat"), "TKDVscale",
         [](TPalvonViewer* v) { livemenus::Click(v, "menu:Ver", "Escala1"); },
         [](QWidget* w) {
             const QString attr = w->findChild<QLabel*>("Attr")->text();
             EXPECT_FALSE(attr.contains("null")) << attr.toStdString();
             EXPECT_FALSE(attr.isEmpty());
         }},
        // The build date in Spanish.
        {"about", tmp.file("red.dat"), "TKDVaboutBox",
         [](TPalvonViewer* v) { livemenus::Click(v, "menu:Ayuda", "AcercaDe1"); },
         [](QWidget* w) {
             const QString version = w->findChild<QLabel*>("Version")->text();
             const QDate built = QLocale::c().toDate(QString::fromLatin1(__DATE__).simplified(), "MMM d yyyy");
             EXPECT_TRUE(version.contains(QLocale(QLocale::Spanish).monthName(built.month()))) << version.toStdString();
             EXPECT_FALSE(version.contains(QString::fromLatin1(__DATE__).left(3))) << version.toStdString();
         }},
    };
    testutil::writeFile(tmp.file("otra.dat"), testutil::readFile(testutil::dataPath("grids_net.dat")));
    auto dropOther = [this](QWidget* win) {
        const std::string open = DatFileName;
        EXPECT_FALSE(testutil::DropFile(viewer, tmp.file("otra.dat")));
        EXPECT_EQ(DatFileName, open);
        EXPECT_TRUE(win->isVisible());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.net);
        if (std::string(c.window) == "TFrmFases") {
            c.open(viewer);
            testutil::settle();
            QWidget* win = viewer->window()->findChild<QWidget*>(QStringLiteral("FrmFases"));
            ASSERT_NE(win, nullptr);
            ASSERT_TRUE(win->isVisible());
            dropOther(win);
            CheckAndEscape(win);
        } else {
            bool seen = false;
            WhenModal(c.window, [&seen, &c, &dropOther](QWidget* w) {
                seen = true;
                if (c.content)
                    c.content(w);
                dropOther(w);
                CheckAndEscape(w);
            });
            c.open(viewer);
            testutil::settle();
            EXPECT_TRUE(seen) << c.window;
        }
    }
}

TEST_F(WindowsOnScreen, MainToolbarsKeepEveryButtonWithTheTitleToolbarOn)
{
    Open(tmp.file("red.dat"));
    for (const char* item : {"Arcos2", "Movimientos1", "Adicionales1"})
        if (!livemenus::Find(viewer, item)->isChecked())
            livemenus::Click(viewer, "menu:Ver>Barras de herramientas", item);
    livemenus::Click(viewer, "toolbar:tbarAdicionales", "tbTit");
    testutil::settle();
    ASSERT_TRUE(viewer->Display().tbarTitulos->isVisible());
    for (QToolBar* bar : viewer->findChildren<QToolBar*>()) {
        if (!bar->isVisible())
            continue;
        EXPECT_LE(bar->geometry().right(), viewer->width()) << bar->objectName().toStdString();
        for (QAction* a : bar->actions())
            if (!a->isSeparator() && a->isVisible()) {
                QWidget* b = bar->widgetForAction(a);
                EXPECT_TRUE(b && b->isVisible()) << a->objectName().toStdString() << " behind the arrow of "
                                                 << bar->objectName().toStdString() << " at " << bar->x() << "+"
                                                 << bar->width() << " wanting " << bar->sizeHint().width() << " in "
                                                 << viewer->width();
            }
    }
}

TEST_F(WindowsOnScreen, PhasesOfANetworkWithoutJunctionsSayWhyInsteadOfABlankWindow)
{
    // The sample network without its junction section.
    std::string text = testutil::readFile(tmp.file("red.dat"));
    const size_t from = text.find("11111"), to = text.find("22222");
    ASSERT_LT(from, to);
    testutil::writeFile(tmp.file("sin.dat"), text.erase(from, to - from));
    Open(tmp.file("sin.dat"));
    RecordingServices ui;
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Procesos>Análisis de Intersecciones", "Visualizacion"));
    testutil::settle();
    EXPECT_FALSE(viewer->findChild<QWidget*>(QStringLiteral("FrmFases"))->isVisible());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages.front().find("no hay nada que mostrar en \"Fases\""), std::string::npos);
}

TEST_F(WindowsOnScreen, CommandsSayWhatTheyDoOrWhyTheyCannot)
{
    Open(tmp.file("red.dat"));
    RecordingServices ui;
    // Help items with nothing behind them are shown disabled, with the reason.
    for (const char* name : {"aContenido1", "aemail1"}) {
        QAction* item = livemenus::ItemAt(livemenus::Container(viewer, "menu:Ayuda"), name);
        ASSERT_NE(item, nullptr) << name;
        EXPECT_FALSE(item->isEnabled()) << name;
        EXPECT_TRUE(item->toolTip().startsWith("No disponible")) << name;
    }
    // The KMZ of the background layers: no visible layer, nothing to ask for.
    viewer->Display().OpenLineLayerFile(testutil::dataPath("layer_kerbs.geo"), false);
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    QString title;
    testutil::WhenFileDialogShown(viewer, [&title](QFileDialog* d) {
        title = d->windowTitle();
        d->reject();
    });
    ASSERT_TRUE(livemenus::Click(viewer, "popup:varSolera", "GenerarKMZ1"));
    EXPECT_EQ(title, "Generar KMZ ...");
    ASSERT_TRUE(livemenus::Click(viewer, "popup:varSolera", "s11")); // the layer switched off
    ASSERT_EQ(GeoLayers().GeoLayerVisible[1], 0);
    ASSERT_TRUE(livemenus::Click(viewer, "popup:varSolera", "GenerarKMZ1"));
    EXPECT_TRUE(ui.anyMessageContains("No hay capas de fondo visibles"));
}

// A network file dropped on a text box is a file, not text, in every window the
// live menus show: a box of the main window passes it to the window, which opens
// it; the other windows refuse it, a dialog with no network opened under it. No
// box gets the file's address typed into it, and nothing is marked edited. Text
// dragged into a box is still typed.
TEST_F(WindowsOnScreen, AFileDroppedOnATextBoxIsNotTypedIntoIt)
{
    testutil::writeFile(tmp.file("otra.dat"), testutil::readFile(testutil::dataPath("grids_net.dat")));
    Secondary::DlgFormula().RunFieldChoice = [](TDualListDialog& d) { return d.Move(1, {0}), true; };
    struct Row {
        const char* place;
        const char* command;
        const char* answer = nullptr; // typed into the input boxes it asks, one '|' part each (else they are cancelled)
        std::function<void()> prepare = {};
        std::function<void()> then = {}; // after the command: where the window is asked for
    };
    const Row rows[] = {
        {"toolbar:tbarAdicionales", "tbTit"},
        {"menu:Archivo", "RedPalvon1"},
        {"menu:Selección", "aBuscar"},
        {"menu:Ver", "Options1"},
        {"menu:Ver", "Escala1"},
        {"menu:Ver>Lupa", "amao1"},
        {"popup:BDerecho", "Rangos1"},
        {"popup:pupArcos", "Crearcolumna1"},
        {"popup:pupMovim", "Crearcolumna2"},
        {"popup:pupArcos", "ImportarColsArcos"},
        {"popup:pupArcos", "ExportarArcos"},
        {"menu:Archivo", "aPrint1"},
        {"menu:Archivo", "aVistaPrevia1"},
        {"menu:Archivo", "aMultiPrint"},
        {"menu:Archivo", "aSetup1"},
        {"menu:Archivo>Impresion de Redes", "DefinirRedes1"},
        {"menu:Archivo>Impresion de Redes", "ImprimirColores1"},
        {"menu:Archivo>Impresion de Redes", "Parmetros1"},
        {"menu:Procesos>Rutas Mínimas", "InteractivaRmin"},
        {"menu:Procesos>Rutas Mínimas", "InteractivaRmin", "101|102"}, // on to the path's window
        {"menu:Procesos>Rutas Mínimas", "batchRmin"},
        {"menu:Procesos>Análisis de Intersecciones", "Visualizacion"},
        {"menu:Herramientas>Temas", "aDefinir1"},
        {"menu:Herramientas>Polígonos", "aConfigurar1"},
        {"menu:Exportar", "ExportarMapaDxf"},
        {"menu:Exportar", "ExportaraEMME2"},
        {"toolbar:tbarEstandar", "tbQuickView"},
        {"popup:varSolera", "GenerarKMZ1", nullptr,
         [this] { viewer->Display().OpenLineLayerFile(testutil::dataPath("layer_kerbs.geo"), false); }},
        {"toolbar:tbarMovimientos", "tbMixs", nullptr, // the turning flows of the junction picked on the map
         [this] {
             if (!viewer->Down(Cmd::tbNodes))
                 livemenus::Click(viewer, "toolbar:tbarArcos", "tbNodes");
             livemenus::Click(viewer, "menu:Ver", "aRedibujar");
         },
         [this] {
             const int32_t k = KDVlib::FindNodo(103);
             const QPoint at(viewer->img->WorldToPixelX(Nodos[k].X), viewer->img->WorldToPixelY(Nodos[k].Y));
             QTest::mouseMove(viewer->img, at);
             QTest::mouseClick(viewer->img, Qt::LeftButton, {}, at);
         }},
    };
    auto viewportOf = [](QWidget* w) {
        auto* area = qobject_cast<QAbstractScrollArea*>(w);
        return area ? area->viewport() : w;
    };
    auto textOf = [](QWidget* w) -> std::optional<QString> {
        if (auto* e = qobject_cast<QLineEdit*>(w); e && !e->isReadOnly())
            return e->text();
        if (auto* e = qobject_cast<QTextEdit*>(w); e && !e->isReadOnly())
            return e->toPlainText();
        if (auto* e = qobject_cast<QPlainTextEdit*>(w); e && !e->isReadOnly())
            return e->toPlainText();
        return std::nullopt;
    };
    std::string net; // the network open
    // The file dropped on every text box `win` shows, on each of its pages.
    auto dropOnBoxes = [&](QWidget* win) {
        testutil::settle();
        QSet<QWidget*> done;
        auto dropOnShown = [&] {
            for (const QPointer<QWidget> box : win->findChildren<QWidget*>()) {
                const auto before = box->isVisible() && box->isEnabled() && box->window() == win && !done.contains(box)
                                        ? textOf(box)
                                        : std::nullopt;
                if (!before)
                    continue;
                done << box;
                testutil::DropFile(viewportOf(box), tmp.file("otra.dat"), true);
                testutil::settle();
                if (win != viewer) {
                    EXPECT_EQ(DatFileName, net) << Name(box);
                    EXPECT_EQ(textOf(box), before) << Name(box) << " in " << Name(win);
                    continue;
                }
                EXPECT_EQ(DatFileName, "otra.dat") << Name(box);
                if (box) {
                    EXPECT_FALSE(textOf(box)->contains(QStringLiteral("file:"))) << Name(box);
                }
                Open(tmp.file(net));
            }
        };
        dropOnShown();
        for (QTabWidget* pages : win->findChildren<QTabWidget*>())
            for (int page = 0; page < pages->count() && pages->isVisible() && pages->window() == win; ++page) {
                pages->setCurrentIndex(page);
                testutil::settle();
                dropOnShown();
            }
        return int(done.size());
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.command) + (row.answer ? " answered" : ""));
        Open(tmp.file("red.dat"));
        net = DatFileName;
        if (row.prepare)
            row.prepare();
        QSet<QWidget*> shownBefore;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                shownBefore << w;
        int boxes = 0;
        int inputs = 0;
        bool answering = false;
        QPointer<QWidget> answered; // the window answered last (showing still, it refused the answer)
        QTimer modals;
        QObject::connect(&modals, &QTimer::timeout, [&] {
            QWidget* m = QApplication::activeModalWidget();
            if (answering || !m || !m->isVisible())
                return;
            answering = true;
            const bool again = m == answered; // its answer refused: it is closed
            EXPECT_FALSE(again) << Name(m) << " refuses its answer";
            if (!again)
                boxes += dropOnBoxes(m);
            answered = m;
            EXPECT_EQ(DatFileName, net);
            auto* input = qobject_cast<QInputDialog*>(m);
            if (input && row.answer && !again) {
                const QStringList parts = QString::fromLatin1(row.answer).split(QLatin1Char('|'));
                input->setTextValue(parts.at(std::min<qsizetype>(inputs++, parts.size() - 1)));
                input->accept();
            } else if (auto* d = qobject_cast<QDialog*>(m)) {
                d->reject();
            } else {
                m->close();
            }
            answering = false;
        });
        modals.start(10);
        ASSERT_TRUE(livemenus::Click(viewer, row.place, row.command));
        if (row.then)
            row.then();
        testutil::settle();
        modals.stop();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !shownBefore.contains(w) && !qobject_cast<QMenu*>(w)) {
                boxes += dropOnBoxes(w);
                w->close();
            }
        if (row.command == std::string("tbTit")) // the main window's boxes, its title's among them
            boxes += dropOnBoxes(viewer);
        EXPECT_GT(boxes, 0) << "no text box shown";
        EXPECT_EQ(DatFileName, net);
        EXPECT_FALSE(FrmDat->IsModified());
        EXPECT_FALSE(Network.PositionsUnsaved);
    }
    Secondary::DlgFormula().RunFieldChoice = nullptr;
    // Text dragged into a box is typed where it lands.
    livemenus::Click(viewer, "menu:Selección", "aBuscar");
    QLineEdit* find = Secondary::DlgFind().buscar;
    QMimeData text;
    text.setText(QStringLiteral("103"));
    QDragEnterEvent enter(find->rect().center(), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(find, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(find->rect().center()), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(find, &drop);
    EXPECT_TRUE(find->text().contains(QStringLiteral("103"))) << find->text().toStdString();
    find->window()->close();
}
