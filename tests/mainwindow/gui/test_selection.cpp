// Selecting and locating from the grids and the map: two-list choices, values of a
// column, regions drawn on the map, selection files, the grids' double clicks and
// title sorting, and the find window.
#include "mainwindow/DlgCfg.h"
#include "widgets/DlgCfgWidgets.h"
#include "mainwindow/DlgFind.h"
#include "widgets/DualListDialog.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/SelectionFiles.h"
#include "model/ZelUtils.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/GridsNetwork.h"
#include "support/GuiTestUtil.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QContextMenuEvent>
#include <QTest>
#include <QTimer>

#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace {

using Ints = std::vector<int32_t>;

class Selection : public GridsViewerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::ReadGridsData(tmp));
        Ranges::SetDefaults();
        DisplayStyles::SetDefaultClassStyles();
        OpenViewer([](TPalvonViewer& v) {
            DlgCfg = new TDlgCfg(&v);
            DlgFind = new TDlgFind(&v);
        });
        w->Grids().ConfigureGrids();
        w->Grids().DrawDataDat();
        ASSERT_TRUE(testutil::ShowWholeNetwork(*w));
        w->RedrawMap(); // sets the map's window
    }
    static Ints Marks()
    {
        Ints m;
        for (int32_t k = 1; k <= Network.LinkCount; ++k)
            m.push_back(Arcos[k].Mark);
        return m;
    }
    // Runs a command that shows the two-list dialog; `act` works the dialog.
    void WithDialog(const std::function<void()>& command, const std::function<void(TDualListDialog*)>& act)
    {
        QTimer::singleShot(0, [&] { act(w->Selection().dld); });
        command();
    }
    static QPoint Cell(TStringAlignGrid* g, int col, int row)
    {
        const QModelIndex i = g->model()->index(row - g->FixedRows(), col);
        g->scrollTo(i);
        return g->visualRect(i).center();
    }
    // A move through the window, as the system delivers it (the widget variant of
    // the test move only sets the cursor).
    static void Hover(TStringAlignGrid* g, int col, int row)
    {
        QWidget* top = g->window();
        QTest::mouseMove(top->windowHandle(), g->viewport()->mapTo(top, Cell(g, col, row)));
    }
    static void DoubleClick(TStringAlignGrid* g, int col, int row, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Hover(g, col, row);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, keys, Cell(g, col, row));
    }
    static void TitleClick(TStringAlignGrid* g, int col, Qt::KeyboardModifiers keys)
    {
        QHeaderView* h = g->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, keys,
                          QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2));
    }
    // A press at each world point, then the double click that closes the region.
    void Region(std::initializer_list<std::pair<double, double>> points)
    {
        for (const auto& [x, y] : points)
            emit w->img->OnOxrMouseDown(Qt::LeftButton, TShiftState{}, w->img->WorldToPixelX(x),
                                        w->img->WorldToPixelY(y), x, y);
        emit w->img->OnDblClick();
    }
};

// Links in order: 1-100, 2-100, 3-100, 7-100, 7-200, 100-7, 100-200.

} // namespace

TEST_F(Selection, TwoListChoiceAppliesOnlyWhenConfirmed)
{
    CurrentClass = 4;
    WithDialog([&] { livemenus::Click(w.get(), "menu:Selección", "SelArco"); },
               [](TDualListDialog* d) {
                   ASSERT_EQ(d->Count(1), 7);
                   EXPECT_EQ(d->windowTitle(), "Selección de Arcos por Arco");
                   EXPECT_EQ(d->Text(1, 3), "      7-    100  AVENIDA CENTRAL");
                   d->Move(1, {0, 5}); // 1-100 and 100-7 (text order)
                   d->accept();
               });
    EXPECT_EQ(Marks(), (Ints{4, 0, 0, 0, 0, 4, 0}));
    EXPECT_EQ(w->sagArcos->FontColorCell(1, 6), DisplayStyles::ToQColor(UserView().ClassColors[4]));
    EXPECT_TRUE(w->sagArcosSel->isVisible());
    EXPECT_EQ(w->sagArcosSel->RowCount(), 3);
    EXPECT_EQ(w->sagArcosSel->cell(0, 2), "100");
    EXPECT_TRUE(livemenus::Find(w.get(), "VerSeleccion")->isChecked());

    // The pop-up over the selected-links grid offers no network-wide selection;
    // closed with Escape, it leaves the menu bar's commands as they were.
    Hover(w->sagArcosSel, 0, 1);
    QWidget* top = w->window();
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, Qt::NoModifier,
                      w->sagArcosSel->viewport()->mapTo(top, Cell(w->sagArcosSel, 0, 1)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->pupArcos->isVisible(); }));
    EXPECT_FALSE(livemenus::Find(w.get(), "SelArco")->isEnabled());
    QTest::keyClick(w->pupArcos, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->pupArcos->isVisible(); }));
    // Opened by the menu key with the mouse last over the links grid, it is still
    // the pop-up of the grid that has the focus, and exports that grid.
    Hover(w->sagArcos, 0, 1);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), w->sagArcosSel->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w->sagArcosSel, &menuKey);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->pupArcos->isVisible(); }));
    EXPECT_FALSE(livemenus::Find(w.get(), "SelArco")->isEnabled());
    EXPECT_EQ(livemenus::Find(w.get(), "ExportarArcos")->data().toInt(), 31);
    QTest::keyClick(w->pupArcos, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->pupArcos->isVisible(); }));
    testutil::settle();
    for (const char* name : {"SelArco", "SelNombre", "SeleccinporRegin1", "SeleccionPorDatos", "ExportaSeleccin1",
                             "ImportaSeleccin1"})
        livemenus::Reach(w.get(), "menu:Selección", name);

    // The chosen links start in the chosen list; a cancelled dialog changes nothing,
    // a confirmed one deselects what was moved back.
    for (bool confirm : {false, true})
        WithDialog([&] { livemenus::Click(w.get(), "menu:Selección", "SelArco"); },
                   [confirm](TDualListDialog* d) {
                       ASSERT_EQ(d->Count(2), 2);
                       d->Move(2, {0});
                       confirm ? d->accept() : d->reject();
                   });
    EXPECT_EQ(Marks(), (Ints{0, 0, 0, 0, 0, 4, 0}));
    EXPECT_EQ(w->sagArcosSel->RowCount(), 2);

    // By name the entries of one street come together.
    WithDialog([&] { livemenus::Click(w.get(), "menu:Selección", "SelNombre"); },
               [](TDualListDialog* d) {
                   ASSERT_EQ(d->Count(1) + d->Count(2), 7);
                   EXPECT_TRUE(d->Text(1, 5).startsWith("AVENIDA CENTRAL"));
                   EXPECT_TRUE(d->Text(2, 0).startsWith("AVENIDA CENTRAL"));
                   d->reject();
               });
}

TEST_F(Selection, ByDataOffersEachValueOnceInNumericOrder)
{
    // The lanes column under the mouse names the selection by data.
    Hover(w->sagArcos, 9, 2);
    EXPECT_EQ(livemenus::Find(w.get(), "SeleccionPorDatos")->text(), "Selección por \"NP\"");
    QStringList offered;
    WithDialog([&] { livemenus::Click(w.get(), "menu:Selección", "SeleccionPorDatos"); },
               [&](TDualListDialog* d) {
                   EXPECT_EQ(d->windowTitle(), "Selección de Arcos por \"NP\"");
                   for (int i = 0; i < d->Count(1); ++i)
                       offered << d->Text(1, i);
                   d->Move(1, {3});
                   d->accept();
               });
    // Negative values sort before the others, each value once.
    EXPECT_EQ(offered, (QStringList{"-1", "0", "1", "2"}));
    EXPECT_EQ(Marks(), (Ints{1, 1, 0, 0, 0, 0, 1}));
}

TEST_F(Selection, RegionsSelectAndShiftDeselects)
{
    // Links with both ends inside: 3-100, 7-100, 7-200, 100-7, 100-200.
    w->Selection().SeleccionPorRegionKind(3, false);
    EXPECT_EQ(w->Selection().PolySelectKind, 3);
    Region({{1150, 750}, {1450, 750}, {1450, 1050}, {1150, 1050}});
    EXPECT_EQ(w->Selection().PolySelectKind, 0);
    EXPECT_EQ(Marks(), (Ints{0, 0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(w->sagArcosSel->RowCount(), 6);

    // Deselecting around node 200 with one end enough.
    Secondary::DlgCfg().SeleccionGrafica->SetItemIndex(0);
    w->Selection().SeleccionPorRegionKind(3, true);
    Region({{1350, 850}, {1450, 850}, {1450, 950}, {1350, 950}});
    EXPECT_EQ(Marks(), (Ints{0, 0, 1, 1, 0, 1, 0}));

    // Nodes and zones take the class; their first cell its colour.
    CurrentClass = 2;
    w->Selection().SeleccionPorRegionKind(2, false);
    Region({{1150, 950}, {1250, 950}, {1250, 1050}, {1150, 1050}});
    EXPECT_EQ(Nodos[KDVlib::FindNodo(100)].Mark, 2);
    EXPECT_EQ(Nodos[KDVlib::FindNodo(7)].Mark, 0);
    EXPECT_EQ(w->sagNodos->FontColorCell(0, KDVlib::FindNodo(100)), DisplayStyles::ToQColor(UserView().ClassColors[2]));
    w->Selection().SeleccionPorRegionKind(1, false);
    Region({{850, 1050}, {950, 1050}, {950, 1150}, {850, 1150}});
    EXPECT_EQ(Zonas[1].Class, 2);
    EXPECT_EQ(Zonas[2].Class, 0);
}

TEST_F(Selection, ImportedFilesAddUpAndTheLaterWins)
{
    Arcos[2].Mark = 6; // cleared by the import
    testutil::writeFile(tmp.file("a.sel"), SelectionFiles::SelectionLine(1, 100, 3) +
                                               SelectionFiles::SelectionLine(7, 200, 5));
    testutil::writeFile(tmp.file("b.sel"), "7 200 9\r\n100 200\r\n");
    w->Selection().ImportaSelecciones(
        {QString::fromStdString(tmp.file("a.sel")), QString::fromStdString(tmp.file("b.sel"))});
    EXPECT_EQ(Marks(), (Ints{3, 0, 0, 0, 9, 0, 1}));
    EXPECT_EQ(w->Selection().SelFileName, tmp.file("b.sel"));
    EXPECT_EQ(w->sagArcosSel->RowCount(), 4);

    // Files naming no link of this network (a node list, one that cannot be read,
    // the links of another network): each said, and the selection shown stays.
    testutil::writeFile(tmp.file("nodos.sel"), "         7\r\n       100\r\n");
    testutil::writeFile(tmp.file("otra.sel"), "       501       502    2\r\n");
    ui->messages.clear();
    w->Selection().ImportaSelecciones({QString::fromStdString(tmp.file("nodos.sel")),
                                       QString::fromStdString(tmp.file("falta.sel")),
                                       QString::fromStdString(tmp.file("otra.sel"))});
    EXPECT_EQ(Marks(), (Ints{3, 0, 0, 0, 9, 0, 1}));
    EXPECT_EQ(ui->messages.size(), 3u);
    EXPECT_EQ(w->Selection().SelFileName, tmp.file("b.sel"));
    // Read after files that do name links, a file refused is not the selection's
    // file: the next export does not offer to write over it.
    ui->messages.clear();
    w->Selection().ImportaSelecciones({QString::fromStdString(tmp.file("a.sel")),
                                       QString::fromStdString(tmp.file("b.sel")),
                                       QString::fromStdString(tmp.file("nodos.sel"))});
    EXPECT_EQ(Marks(), (Ints{3, 0, 0, 0, 9, 0, 1}));
    EXPECT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(w->Selection().SelFileName, tmp.file("b.sel"));

    EXPECT_TRUE(w->Selection().ExportaSeleccion(tmp.file("c.sel")));
    EXPECT_EQ(testutil::readFile(tmp.file("c.sel")), "         1       100    3\r\n         7       200    9\r\n"
                                                     "       100       200    1\r\n");
    EXPECT_FALSE(w->Selection().ExportaSeleccion(tmp.file("no/hay/c.sel")));
    EXPECT_TRUE(ui->anyMessageContains("No se pudo grabar"));

    // An empty file is the selection of no link saved: read, it clears the
    // selection, without a word.
    testutil::writeFile(tmp.file("vacia.sel"), "");
    ui->messages.clear();
    w->Selection().ImportaSelecciones({QString::fromStdString(tmp.file("vacia.sel"))});
    EXPECT_EQ(Marks(), (Ints{0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(ui->messages.empty()) << ui->messages.front();
    Arcos[3].Mark = 2;

    w->Selection().AnulaSelArcos();
    EXPECT_EQ(Marks(), (Ints{0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(w->sagArcosSel->isVisible());
    EXPECT_FALSE(livemenus::Find(w.get(), "VerSeleccion")->isEnabled());
}

TEST_F(Selection, GridDoubleClicksLocateMoveAndShowColumns)
{
    // The title row does nothing; a key cell marks the link alone and zooms to it.
    Arcos[1].Mark = 2;
    const double before = UserView().WorldMinX;
    QTest::mouseDClick(w->sagArcos->horizontalHeader()->viewport(), Qt::LeftButton);
    EXPECT_EQ(UserView().WorldMinX, before);
    DoubleClick(w->sagArcos, 0, 7); // 100-200: (1200,1000)-(1400,900)
    EXPECT_EQ(Marks(), (Ints{0, 0, 0, 0, 0, 0, 1}));
    const double d = std::hypot(200.0, 100.0);
    EXPECT_NEAR(UserView().WorldMinX, 1300 - d, 1e-3);
    EXPECT_NEAR(UserView().WorldMaxY, 950 + d, 1e-3);

    // A value column with nothing above 0 changes nothing.
    const auto ranges = UserView().RangeTable;
    DoubleClick(w->sagArcos, 13, 1); // "Conteo": no counts read
    EXPECT_TRUE(UserView().ShownVarList.empty());
    EXPECT_EQ(UserView().RangeTable[1].High, ranges[1].High);

    // Three columns with Ctrl: the colour legend items, lightened by position.
    DoubleClick(w->sagArcos, 4, 1);
    DoubleClick(w->sagArcos, 8, 1, Qt::ControlModifier);
    DoubleClick(w->sagArcos, 10, 1, Qt::ControlModifier);
    EXPECT_EQ(UserView().ShownVarList, (std::vector<std::string>{"4", "8", "10"}));
    EXPECT_EQ(UserView().AttrColumn, 10);
    EXPECT_TRUE(livemenus::Find(w.get(), "cvs")->isVisible());
    EXPECT_TRUE(livemenus::Find(w.get(), "cv2")->isVisible());
    EXPECT_FALSE(livemenus::Find(w.get(), "cv3")->isVisible());
    EXPECT_EQ(livemenus::Find(w.get(), "cv1")->text(), "Cap");
    EXPECT_EQ(UserView().VarColors[2], Ranges::AjustaColor(UserView().ModePenColors[1], 2));
    EXPECT_TRUE(w->Down(Cmd::tbAtributos));

    // A node's first cell starts moving it; another cell centres the map on it.
    const int32_t n = KDVlib::FindNodo(100);
    w->tnDatos->setCurrentWidget(w->tsNodos);
    QApplication::processEvents();
    DoubleClick(w->sagNodos, 0, n);
    EXPECT_TRUE(w->Grids().NodeMoving);
    EXPECT_EQ(w->Grids().PickedItem, -n);
    EXPECT_EQ(w->StatusPanels[3]->text(), "Moviendo nodo 100");
    EXPECT_FALSE(w->Grids().GridMoveRegion.isEmpty());
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->Grids().NodeMoving);
    w->tnDatos->setCurrentWidget(w->tsZonas);
    QApplication::processEvents();
    DoubleClick(w->sagZonas, 1, 1); // zone 12 at (900, 1100)
    EXPECT_NEAR(UserView().WorldMinX, 900 - 0.1 * (Network.MaxX - Network.MinX), 1e-3);
    EXPECT_FALSE(w->Grids().CentroidMoving);
}

TEST_F(Selection, LinesToggleAndShiftExtends)
{
    w->tnDatos->setCurrentWidget(w->tsLineas);
    QApplication::processEvents();
    DoubleClick(w->sagLineas, 1, 2);
    EXPECT_EQ(Lineas[1].Visible, 0);
    EXPECT_EQ(Lineas[2].Visible, 1);
    EXPECT_EQ(w->Grids().LastLine, 2);
    EXPECT_EQ(w->sagLineas->FontColorCell(1, 2), QColor(Qt::red));
    DoubleClick(w->sagLineas, 1, 1, Qt::ShiftModifier);
    EXPECT_EQ(Lineas[1].Visible, 1);
    EXPECT_EQ(Lineas[2].Visible, 1);
    DoubleClick(w->sagLineas, 1, 1); // alone; Ctrl toggles it off
    DoubleClick(w->sagLineas, 1, 1, Qt::ControlModifier);
    EXPECT_EQ(Lineas[1].Visible + Lineas[2].Visible, 0);
    EXPECT_EQ(w->Grids().LastLine, 0);
    EXPECT_TRUE(w->Down(Cmd::tbLineas));
}

TEST_F(Selection, ShiftTitleClickSortsByValueAndRowsKeepTheirLinks)
{
    TStringAlignGrid* g = w->sagArcos;
    TitleClick(g, 8, Qt::NoModifier);
    EXPECT_EQ(g->cell(0, 1), "1"); // without Shift nothing moves
    TitleClick(g, 8, Qt::ShiftModifier);
    std::vector<float> caps;
    for (int r = 1; r < g->RowCount(); ++r)
        caps.push_back(Arcos[w->Grids().LinkOfRow(r)].Var[5]);
    EXPECT_TRUE(std::is_sorted(caps.begin(), caps.end()));
    TitleClick(g, 8, Qt::ShiftModifier);
    EXPECT_EQ(Arcos[w->Grids().LinkOfRow(1)].Var[5], *std::max_element(caps.begin(), caps.end()));
    // A row names its link wherever the sort put it.
    DoubleClick(g, 1, 1);
    EXPECT_EQ(Arcos[w->Grids().LinkOfRow(1)].Mark, 1);
    const Ints marks = Marks();
    EXPECT_EQ(std::count(marks.begin(), marks.end(), 1), 1);
    // "Cap" dragged onto "V0": the selected links are listed under the titles as
    // shown above them, each cell from its own column.
    QHeaderView* h = g->horizontalHeader();
    const QPoint from(h->sectionViewportPosition(8) + h->sectionSize(8) / 2, h->height() / 2);
    const QPoint to(h->sectionViewportPosition(4) + 3, h->height() / 2);
    QTest::mousePress(h->viewport(), Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(h->viewport(), from + (to - from) * i / 10);
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, Qt::NoModifier, to);
    ASSERT_EQ(g->ColAtPosition(4), 8);
    WithDialog([&] { livemenus::Click(w.get(), "menu:Selección", "SelArco"); },
               [](TDualListDialog* d) { d->accept(); });
    ASSERT_EQ(w->sagArcosSel->RowCount(), 2);
    for (int row : {0, 1})
        for (int p = 0; p < g->ColCount(); ++p)
            EXPECT_EQ(w->sagArcosSel->cell(p, row), g->cell(g->ColAtPosition(p), row)) << p;
    // Every link selected, then the grid sorted the other way round: the list
    // follows the rows above, row for row.
    WithDialog([&] { livemenus::Click(w.get(), "menu:Selección", "SelArco"); },
               [](TDualListDialog* d) {
                   d->MoveAll(1);
                   d->accept();
               });
    ASSERT_EQ(w->sagArcosSel->RowCount(), g->RowCount());
    TitleClick(g, 8, Qt::ShiftModifier);
    ASSERT_EQ(w->sagArcosSel->RowCount(), g->RowCount());
    for (int row = 0; row < g->RowCount(); ++row)
        for (int p = 0; p < g->ColCount(); ++p)
            EXPECT_EQ(w->sagArcosSel->cell(p, row), g->cell(g->ColAtPosition(p), row)) << row << " " << p;
}

TEST_F(Selection, FindByTextSelectsOrShows)
{
    w->tnDatos->setCurrentWidget(w->tsNodos);
    livemenus::Click(w.get(), "menu:Selección", "aBuscar");
    EXPECT_TRUE(DlgFind->isVisible());
    EXPECT_EQ(DlgFind->Buscaren->ItemIndex(), 1);
    ASSERT_EQ(DlgFind->Buscarque->count(), 5);
    EXPECT_EQ(DlgFind->Buscarque->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(DlgFind->Buscarque->item(1)->checkState(), Qt::Unchecked);

    // "Visualizar" of one node: 1 % margins, no class given.
    // The dialog stood over the middle of the map, where the node comes to show: it
    // moves aside.
    const QPoint middle = w->img->mapToGlobal(w->img->rect().center());
    DlgFind->move(DlgFind->pos() + middle - DlgFind->frameGeometry().center());
    DlgFind->buscar->setText(" 100 ");
    DlgFind->Acciones->SetItemIndex(1);
    QTest::mouseClick(DlgFind->findChild<QPushButton*>("btnFind"), Qt::LeftButton);
    EXPECT_EQ(DlgFind->Hits, 1);
    EXPECT_NEAR(UserView().WorldMinX, 1200 - 0.01 * (Network.MaxX - Network.MinX), 1e-3);
    const int32_t n100 = KDVlib::FindNodo(100);
    const QPoint node = w->img->mapToGlobal(QPoint(w->img->WorldToPixelX(Nodos[n100].X), w->img->WorldToPixelY(Nodos[n100].Y)));
    EXPECT_FALSE(DlgFind->frameGeometry().contains(node));
    EXPECT_EQ(Nodos[KDVlib::FindNodo(100)].Mark, 0);
    // "Comience" finds every number that begins so.
    DlgFind->buscar->setText("1");
    DlgFind->BuscarComo->SetItemIndex(1);
    DlgFind->Acciones->SetItemIndex(0);
    DlgFind->btnFindClick();
    EXPECT_EQ(DlgFind->Hits, 2);
    EXPECT_EQ(Nodos[KDVlib::FindNodo(1)].Mark, 1);
    EXPECT_EQ(Nodos[KDVlib::FindNodo(100)].Mark, 1);
    EXPECT_EQ(w->sagNodos->FontColorCell(0, KDVlib::FindNodo(1)), QColor(Qt::red));

    // Links by street: case counts; the found links are listed.
    DlgFind->Buscaren->SetItemIndex(2);
    DlgFind->Buscarque->item(0)->setCheckState(Qt::Unchecked);
    DlgFind->Buscarque->item(1)->setCheckState(Qt::Unchecked);
    DlgFind->Buscarque->item(2)->setCheckState(Qt::Checked);
    DlgFind->BuscarComo->SetItemIndex(2);
    DlgFind->buscar->setText("avenida");
    DlgFind->btnFindClick();
    EXPECT_EQ(DlgFind->Hits, 0);
    DlgFind->buscar->setText("CENTRAL");
    DlgFind->btnFindClick();
    EXPECT_EQ(DlgFind->Hits, 2);
    EXPECT_EQ(Marks(), (Ints{0, 0, 0, 1, 0, 1, 0}));
    EXPECT_EQ(w->sagArcosSel->RowCount(), 3);
    // An empty text matches nothing unless compared as equal.
    EXPECT_FALSE(TDlgFind::CellMatches("abc", {""}, 2));
    EXPECT_TRUE(TDlgFind::CellMatches("", {""}, 0));
}
