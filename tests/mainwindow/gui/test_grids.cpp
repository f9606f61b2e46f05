// The data grids of the main window: column layouts with and without listing
// blocks, cell formats, sorting, export, and the variable picks that set the value
// ranges of the data layers (with the range dialog).
#include "widgets/DlgCfgWidgets.h"
#include "mainwindow/DlgRngs.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/GridsLayout.h"
#include "widgets/StringAlignGrid.h"
#include "map/Ranges.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/GridsNetwork.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

using Strings = std::vector<std::string>;

class Grids : public GridsViewerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::ReadGridsData(tmp));
        PreloadShift = 0;
        Ranges::SetDefaults();
        UserView().RangeSetKeys.clear();
        UserView().RangeNames.clear();
        OpenViewer();
    }
    void Open()
    {
        w->Grids().ConfigureGrids();
        w->Grids().DrawDataDat();
    }
    static Strings Row(TStringAlignGrid* g, int row, int first = 0, int count = -1)
    {
        Strings s;
        const int last = count < 0 ? g->ColCount() : first + count;
        for (int c = first; c < last; ++c)
            s.push_back(g->cell(c, row));
        return s;
    }
    // Listing files beside the network; their readers fill the variables.
    void WithListings()
    {
        LpaFileName = tmp.file("red.lpa");
        LplFileName = tmp.file("red.lpl");
        testutil::writeFile(LpaFileName, "\r\n");
        testutil::writeFile(LplFileName, "\r\n");
    }
};

} // namespace

TEST_F(Grids, LinkAndMovementColumnsWithoutListings)
{
    Open();
    // KNOBS = 2 and one transit block: 2 + 14 + 1 columns.
    ASSERT_EQ(NumColArcos, 17);
    EXPECT_EQ(w->sagArcos->ColCount(), 17);
    EXPECT_EQ(w->sagArcos->RowCount(), Network.LinkCount + 1);
    EXPECT_EQ(Row(w->sagArcos, 0), (Strings{"NodoA", "NodoB", "Calle", "Orden", "V0", "Vc", "T0", "Tc", "Cap", "NP",
                                            "Long", "n", "Cat", "Conteo", "XD1", "XD2", "Veh1"}));
    const int32_t vars[17] = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 28, 29, 41};
    for (int c = 0; c < 17; ++c)
        EXPECT_EQ(ColVarArcos[static_cast<size_t>(c)], vars[c]) << c;
    EXPECT_EQ(TitArcos[11], "Exponente \"n\"");
    EXPECT_EQ(TitArcos[9], "Número Pistas");
    EXPECT_EQ(TitArcos[15], "ExtraData 2");
    EXPECT_EQ(TitArcos[16], "Vehiculos 1");
    EXPECT_EQ(CamposArcos, Row(w->sagArcos, 0));
    EXPECT_EQ(w->sagArcos->AlignCol(2) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(w->sagArcos->AlignCol(4) & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    ASSERT_EQ(NumColMovim, 11);
    EXPECT_EQ(Row(w->sagMovim, 0), (Strings{"NodoA", "NodoB", "NodoC", "Orden", "Fl.Sat", "Pistas", "FLS P.", "Uso P.",
                                            "Señ.", "Conteo", "Veh1"}));
    const int32_t movVars[11] = {0, 0, 0, 0, 1, 2, 3, 0, 0, 4, 101};
    for (int c = 0; c < 11; ++c)
        EXPECT_EQ(ColVarMovim[static_cast<size_t>(c)], movVars[c]) << c;
    EXPECT_EQ(TitMovim[3], "");
    EXPECT_EQ(TitMovim[8], "Señales");
    EXPECT_TRUE(w->tnDatos->isTabVisible(w->tnDatos->indexOf(w->tsMovim)));
    EXPECT_TRUE(w->tnDatos->isTabVisible(w->tnDatos->indexOf(w->tsLineas)));
    EXPECT_EQ(w->tnDatos->currentWidget(), w->tsArcos);
    EXPECT_EQ(LpaFirstCol, 0);
    EXPECT_EQ(LplFirstCol, 0);

    // Menus: one item per column from 2, enabled when its variable has a positive maximum.
    const QList<QAction*> items = w->Grids().VarArcos->actions();
    ASSERT_EQ(items.size(), 15);
    EXPECT_FALSE(items[0]->isEnabled()); // "Calle"
    EXPECT_FALSE(items[1]->isEnabled()); // "Orden"
    EXPECT_TRUE(items[8]->isEnabled());  // "Long"
    EXPECT_EQ(items[8]->data().toInt(), 7);
    EXPECT_FALSE(items[11]->isEnabled()); // "Conteo": all 0
    EXPECT_EQ(ColVarArcosMenu[10], 7);
    EXPECT_EQ(KDVlib::CostVar, 7);
    EXPECT_EQ(w->Grids().ConfigurarRmin->menuAction()->text(), "Configurar (Long)");
    // A cost picked in its menu is named in the caption at once, and so is the
    // length picked back.
    for (int32_t cost : {3, 7}) {
        for (QAction* a : w->Grids().ConfigurarRmin->actions())
            if (a->data().toInt() == cost)
                a->trigger();
        int col = 0;
        for (int c = 2; c < NumColArcos; ++c)
            if (ColVarArcos[static_cast<size_t>(c)] == cost)
                col = c;
        EXPECT_EQ(KDVlib::CostVar, cost);
        EXPECT_EQ(w->Grids().ConfigurarRmin->menuAction()->text().toStdString(),
                  "Configurar (" + w->sagArcos->cell(col, 0) + ")");
    }
    // Rebuilding the layout rebuilds the menus instead of adding to them.
    w->Grids().ConfigureGrids();
    EXPECT_EQ(w->Grids().VarArcos->actions().size(), 15);
    EXPECT_EQ(w->Grids().ConfigurarRmin->actions().size(), 15);
    EXPECT_EQ(w->Grids().VarMovim->actions().size(), 7);
    EXPECT_EQ(w->Grids().VarMovim->actions()[0]->text(), " 4  Flujo Saturación");

    // A network without lines or movements hides their pages and the movement toolbar.
    std::vector<std::string> plain = {" &OPTION &END", "T", " &PARAM &END", "33333",
                                      "  101  102   30   40 1200  2    500    4    1", "99999", "99999"};
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = tmp.file("Errores.txt");
    ASSERT_TRUE(PalvonRead::ReadNetwork(plain, settings));
    w->tbarMovimientos->show();
    Open();
    EXPECT_FALSE(w->tnDatos->isTabVisible(w->tnDatos->indexOf(w->tsMovim)));
    EXPECT_FALSE(w->tnDatos->isTabVisible(w->tnDatos->indexOf(w->tsLineas)));
    EXPECT_TRUE(w->tbarMovimientos->isHidden());
    EXPECT_EQ(NumColArcos, 14);
}

TEST_F(Grids, ListingBlocksOnceAndWithUserClasses)
{
    WithListings();
    Network.Options.NOMADS = 3;
    PreloadShift = 1;
    Open();
    // Seven fixed columns ("F.Plod" fourth) and 2 x 3 user-class columns.
    ASSERT_EQ(LpaFirstCol, 17);
    EXPECT_EQ(Row(w->sagArcos, 0, 17, 13),
              (Strings{"Tiempo", "Veloc", "F.Asig", "F.Plod", "F.Fijo", "F.Tot.", "G.Sat", "C.Gen1", "C.Gen2",
                       "C.Gen3", "F.Usu1", "F.Usu2", "F.Usu3"}));
    const int32_t vars[13] = {11, 12, 13, 65, 14, 15, 16, 51, 52, 53, 66, 67, 68};
    for (int c = 0; c < 13; ++c)
        EXPECT_EQ(ColVarArcos[static_cast<size_t>(17 + c)], vars[c]) << c;
    EXPECT_EQ(TitArcos[24], "Función Costo 1");
    EXPECT_EQ(TitArcos[29], "Flujo Usuario 3");
    ASSERT_EQ(LplFirstCol, 30);
    EXPECT_EQ(Row(w->sagArcos, 0, 30, 9), (Strings{"Delay", "QuedUp", "Arrive", "MeanQueue", "Flow", "Capacity",
                                                   "GradoSat", "StackCap", "BlockBac"}));
    EXPECT_EQ(ColVarArcos[38], 26);
    EXPECT_EQ(TitArcos[30], "Demoras");
    EXPECT_EQ(NumColArcos, 39);
    // Movements: four fixed columns, "F.Plod" third, one flow per user class; then 7.
    ASSERT_EQ(LpaMovFirstCol, 11);
    EXPECT_EQ(Row(w->sagMovim, 0, 11, 8),
              (Strings{"Tiempo", "F.Asig", "F.Plod", "F.Fijo", "F.Tot.", "F.Usu1", "F.Usu2", "F.Usu3"}));
    EXPECT_EQ(ColVarMovim[13], 20);
    EXPECT_EQ(ColVarMovim[18], 23);
    EXPECT_EQ(LplMovFirstCol, 19);
    EXPECT_EQ(ColVarMovim[25], 15);
    EXPECT_EQ(NumColMovim, 26);

    // The listing's values, "%.2f"; a second listing of the same kind reuses its block.
    const int32_t k = KDVlib::FindArco(100, 200);
    Arcos[k].Var[13] = 1234.567f;
    Arcos[k].Var[26] = -0.5f;
    Movims[1].Var[6] = 10.0f;
    w->Grids().DrawDataLpa();
    w->Grids().DrawDataLpl();
    w->Grids().DrawDataLpa();
    EXPECT_EQ(NumColArcos, 39);
    EXPECT_EQ(w->sagArcos->ColCount(), 39);
    EXPECT_EQ(w->sagArcos->cell(19, k), "1234.57");
    EXPECT_EQ(w->sagArcos->cell(38, k), "-0.50");
    EXPECT_EQ(w->sagMovim->cell(12, 1), "10.00");
    EXPECT_EQ(CamposArcos.size(), 39u);

    // One user class and no preloaded flows: six fixed columns only.
    Network.Options.NOMADS = 1;
    PreloadShift = 0;
    Open();
    EXPECT_EQ(Row(w->sagArcos, 0, 17, 6), (Strings{"Tiempo", "Veloc", "F.Asig", "F.Fijo", "F.Tot.", "G.Sat"}));
    EXPECT_EQ(LplFirstCol, 23);
    EXPECT_EQ(NumColArcos, 32);

    // A missing listing reserves no block; one opened later still gets its columns.
    LplFileName = "null";
    LpaFileName = tmp.file("falta.lpa");
    Open();
    EXPECT_EQ(LpaFirstCol, 0);
    EXPECT_EQ(NumColArcos, 17);
    w->Grids().DrawDataLpa();
    EXPECT_EQ(LpaFirstCol, 17);
    EXPECT_EQ(w->sagArcos->cell(19, k), "1234.57");
}

TEST_F(Grids, CellTextsAndNumberFormats)
{
    const int32_t k = KDVlib::FindArco(7, 100);
    Arcos[k].StreetName = "  AVENIDA CENTRAL   ";
    Arcos[k].Var[4] = 2.5f; // "%.0f": halves to even, as printf writes it
    Arcos[k].Var[5] = 3.5f;
    Open();
    EXPECT_EQ(Row(w->sagArcos, k), (Strings{"7", "100", "AVENIDA CENTRAL", "    4", "54", "43", "20", "2", "4", "0",
                                            "300", "4.0", "2", "0", "-3.50", "0.00", "0.00"}));
    EXPECT_EQ(w->sagArcos->cell(14, KDVlib::FindArco(1, 100)), "1.50");
    EXPECT_EQ(w->sagArcos->cell(16, KDVlib::FindArco(100, 7)), "10.00");

    // Nodes: position, junction type text, and the signal record's fourth field.
    const int32_t n100 = KDVlib::FindNodo(100);
    EXPECT_EQ(Row(w->sagNodos, n100), (Strings{"100", "1200.00000", "1000.00000", "Semáforo", "90"}));
    EXPECT_EQ(Row(w->sagNodos, KDVlib::FindNodo(200)), (Strings{"200", "1400.00000", "900.00000", "Prioridad", ""}));
    EXPECT_EQ(Network.JunctionsByType[3], 1);
    EXPECT_EQ(Network.JunctionsByType[0], 4);

    // Zones: a connector along a link shows both its nodes, one to a node just the node.
    EXPECT_EQ(Row(w->sagZonas, 0), (Strings{"Zona", "X", "Y", "Acceso 1", "Acceso 2", "Acceso 3", "Acceso 4"}));
    EXPECT_EQ(Row(w->sagZonas, 1, 0, 4), (Strings{"12", "900.00000", "1100.00000", "1"}));
    EXPECT_EQ(Row(w->sagZonas, 3, 3, 2), (Strings{"1 100", "2 100"}));

    // Movements: lanes used, signal code, observed flow.
    EXPECT_EQ(Row(w->sagMovim, 1), (Strings{"1", "100", "2", "    1", "1800", "2", "900", "1;2", "G", "0", "0.00"}));

    // Lines: a gap in the stops (negative) is red and bold, and so is the line's name.
    EXPECT_EQ(Row(w->sagLineas, 0), (Strings{"Ok", "Linea", "Snt", "Grp", "Ord", "Frec", "num", "1", "2", "3"}));
    EXPECT_EQ(Row(w->sagLineas, 2), (Strings{"", "L2", "B", "1", "    2", "5", "3", "2", "-100", "3"}));
    EXPECT_TRUE(w->sagLineas->FontCell(8, 2).bold());
    EXPECT_EQ(w->sagLineas->FontColorCell(8, 2), QColor(255, 0, 0));
    EXPECT_TRUE(w->sagLineas->FontCell(1, 2).bold());
    EXPECT_FALSE(w->sagLineas->FontCell(1, 1).bold());
    EXPECT_FALSE(w->sagLineas->FontCell(9, 2).bold());

    // Counts replace the observed flows.
    Arcos[k].Var[10] = 812.5f;
    Movims[2].Var[4] = 77.0f;
    w->Grids().DrawDataCnt();
    EXPECT_EQ(w->sagArcos->cell(13, k), "812");
    EXPECT_EQ(w->sagMovim->cell(9, 2), "77");

    // The fast fixed-point text is the printf text, whatever the value.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0e6f, 1.0e6f);
    char buf[64];
    for (int i = 0; i < 20000; ++i) {
        // Whole numbers (most values of a network), halves, signed zeros and
        // values too large for the whole-number way.
        constexpr std::array<float, 16> special{0.5f,  1.5f, 2.5f,    -0.5f, 0.125f, 0.375f,   -0.0f,    1e-7f,
                                                -0.3f, 0.0f, 16777216.0f, -42.0f, 1e15f, 1e20f, -3.4e38f, 999999.5f};
        const float v = i < 16 ? special[static_cast<size_t>(i)]
                        : i % 2 ? std::round(dist(rng) / float(1 << (i % 20)))
                                : dist(rng) / float(1 << (i % 20));
        for (int d : {0, 1, 2})
            ASSERT_EQ(std::string(GridLayout::FixedText(buf, sizeof buf, v, d)), ZelUtils::Format("%.*f", d, double(v)))
                << v << " " << d;
    }
}

TEST_F(Grids, SortingKeepsTheLinkIndexColumn)
{
    const int32_t k = KDVlib::FindArco(7, 200);
    Arcos[k].Var[7] = 1000.0f; // as text "1000" sorts before "120"
    Open();
    TStringAlignGrid* g = w->sagArcos;
    g->SortColumn(10, false);
    Strings lengths;
    for (int r = 1; r < g->RowCount(); ++r)
        lengths.push_back(g->cell(10, r));
    EXPECT_EQ(lengths, (Strings{"100", "150", "200", "250", "300", "300", "1000"})) << "numbers sort by value";
    // Column 3 still names each row's link: the polygon batch reads it.
    for (int r = 1; r < g->RowCount(); ++r) {
        const int32_t i = ZelUtils::ParseInt(g->cell(3, r));
        ASSERT_GE(i, 1);
        EXPECT_EQ(std::to_string(Arcos[i].A), g->cell(0, r));
        EXPECT_EQ(std::to_string(Arcos[i].B), g->cell(1, r));
    }
    // Text columns sort as text, by character code even where the texts are
    // numbers; descending reverses.
    g->SortColumn(2, true);
    EXPECT_EQ(g->cell(2, 1), "AVENIDA CENTRAL");
    EXPECT_EQ(g->cell(2, g->RowCount() - 1), "");
    g->SortColumn(0, false);
    EXPECT_EQ(g->cell(0, 1), "1");
    EXPECT_EQ(g->cell(0, g->RowCount() - 1), "100") << "node numbers sort by value";
}

// Shift + title clicks on the live link grid: the node columns in numeric order,
// then reversed; the sort mark beside a narrow title never covers its letters.
TEST_F(Grids, NodeColumnsSortByNumberAndTheMarkLeavesTheTitleClear)
{
    Open();
    ASSERT_TRUE(testutil::ShowWholeNetwork(*w));
    w->tnDatos->setCurrentWidget(w->tsArcos);
    QApplication::processEvents();
    TStringAlignGrid* g = w->sagArcos;
    QHeaderView* h = g->horizontalHeader();
    auto click = [&](int col) {
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2));
        QApplication::processEvents();
    };
    auto column = [&](int col) {
        std::vector<int> v;
        for (int r = 1; r < g->RowCount(); ++r)
            v.push_back(ZelUtils::ParseInt(g->cell(col, r)));
        return v;
    };
    for (int col : {0, 1}) {
        click(col);
        std::vector<int> v = column(col);
        EXPECT_TRUE(std::is_sorted(v.begin(), v.end())) << "column " << col;
        EXPECT_NE(std::find(v.begin(), v.end(), 7), std::find(v.begin(), v.end(), 100));
        EXPECT_LT(std::find(v.begin(), v.end(), 7), std::find(v.begin(), v.end(), 100)) << "7 before 100";
        click(col);
        v = column(col);
        EXPECT_TRUE(std::is_sorted(v.rbegin(), v.rend())) << "column " << col << " descending";
        // Each row still names its own link.
        for (int r = 1; r < g->RowCount(); ++r) {
            const int32_t i = ZelUtils::ParseInt(g->cell(3, r));
            EXPECT_EQ(g->cell(0, r), std::to_string(Arcos[i].A));
            EXPECT_EQ(g->cell(1, r), std::to_string(Arcos[i].B));
        }
    }

    // The narrow "NP" column: its title with the mark and without it (the mark on
    // another column); the pixels the mark adds lie clear of the title's letters.
    int np = -1;
    for (int c = 0; c < g->ColCount(); ++c)
        if (g->cell(c, 0) == "NP")
            np = c;
    ASSERT_GE(np, 0);
    auto grab = [&] {
        return h->viewport()
            ->grab(QRect(h->sectionViewportPosition(np), 0, h->sectionSize(np), h->height()))
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    click(np);
    click(0);
    g->scrollTo(g->model()->index(0, np));
    QApplication::processEvents();
    const QImage plain = grab();
    click(np);
    const QImage marked = grab();
    ASSERT_EQ(plain.size(), marked.size());
    int textLeft = plain.width(), textRight = -1, markLeft = plain.width(), markRight = -1;
    for (int y = 2; y < plain.height() - 2; ++y)
        for (int x = 2; x < plain.width() - 2; ++x) {
            if (qGray(plain.pixel(x, y)) < 100) {
                textLeft = std::min(textLeft, x);
                textRight = std::max(textRight, x);
            }
            if (plain.pixel(x, y) != marked.pixel(x, y)) {
                markLeft = std::min(markLeft, x);
                markRight = std::max(markRight, x);
            }
        }
    ASSERT_GE(textRight, 0) << "the title shows";
    ASSERT_GE(markRight, 0) << "the mark shows";
    EXPECT_TRUE(markRight < textLeft || markLeft > textRight)
        << "mark " << markLeft << "-" << markRight << ", title " << textLeft << "-" << textRight;
}

TEST_F(Grids, ExportOfTheLinkGrid)
{
    Open();
    const struct {
        char separator;
        const char* expected;
    } cases[] = {{',', "grids_links_comma.txt"}, {'\t', "grids_links_tab.txt"}, {' ', "grids_links_space.txt"}};
    for (const auto& c : cases) {
        const std::string out = tmp.file("links.txt");
        ASSERT_TRUE(w->sagArcos->GridTextExport(out, c.separator));
        EXPECT_EQ(testutil::readFile(out), testutil::readFile(testutil::dataPath(c.expected))) << c.expected;
    }
}

TEST_F(Grids, PickingALinkVariableSetsItsRanges)
{
    Open();
    UserView().RangeMode = 1;
    // "Long" (variable 7): 100..300, raised by 0.1 percent, in fifths.
    w->Grids().VarArcosPick(7, false);
    EXPECT_EQ(UserView().RangeVarArcos, 10);
    EXPECT_EQ(UserView().RangeName, "Long");
    EXPECT_FLOAT_EQ(UserView().RangeMin, 100.0f);
    EXPECT_FLOAT_EQ(UserView().RangeMax, 300.0f * 1.001f);
    EXPECT_NEAR(UserView().RangeTable[1].High, (300.3 - 100) / 5 + 100.00001, 1e-3);
    EXPECT_NEAR(UserView().RangeTable[5].High, 300.30001, 1e-3);
    EXPECT_EQ(UserView().ShownVarList, (Strings{"10"}));
    EXPECT_EQ(UserView().VarColors[0], UserView().ModePenColors[1]);
    EXPECT_TRUE(w->Down(Cmd::tbAtributos));
    EXPECT_FALSE(w->Down(Cmd::tbColores));
    EXPECT_EQ(w->sagArcos->ColorCell(10, 0), QColor(0xFF, 0xFF, 0x80)); // 0x80FFFF
    EXPECT_FALSE(livemenus::Find(w.get(), "cvs")->isVisible());

    // Ctrl keeps the first variable; the colour items follow the list.
    UserView().DataLayerKind = 2;
    w->Grids().VarArcosPick(5, true); // "Cap"
    EXPECT_EQ(UserView().ShownVarList, (Strings{"10", "8"}));
    EXPECT_TRUE(livemenus::Find(w.get(), "cvs")->isVisible());
    EXPECT_TRUE(livemenus::Find(w.get(), "cv1")->isVisible());
    EXPECT_FALSE(livemenus::Find(w.get(), "cv2")->isVisible());
    EXPECT_EQ(livemenus::Find(w.get(), "cv1")->text(), "Cap");
    EXPECT_TRUE(w->Down(Cmd::tbColores));
    EXPECT_FALSE(w->Down(Cmd::tbAtributos));
    // The same column again is not listed twice.
    w->Grids().VarArcosPick(5, true);
    EXPECT_EQ(UserView().ShownVarList.size(), 2u);
    EXPECT_TRUE(ui->messages.empty());

    // Ten variables at most: the eleventh is refused with a message.
    UserView().ShownVarList = {"4", "5", "6", "7", "8", "9", "11", "12", "14", "15"};
    w->Grids().VarArcosPick(7, true);
    EXPECT_EQ(UserView().ShownVarList.size(), 10u);
    EXPECT_TRUE(ui->anyMessageContains("10 variables"));

    // A variable whose maximum is 0 changes nothing (with "Dibujar ceros" off).
    const auto table = UserView().RangeTable;
    const auto list = UserView().ShownVarList;
    w->Grids().VarArcosPick(10, false); // "Conteo"
    EXPECT_EQ(UserView().ShownVarList, list);
    EXPECT_EQ(UserView().RangeTable[3].High, table[3].High);

    // A saved set of the variable is applied instead of the default rule.
    KDVlib::ParseRanges(UserView(), "1;255;1;2;255;1;3;255;1;4;255;1;5;255;1;6;255;0");
    Ranges::StoreRangeSet("Long");
    w->Grids().VarArcosPick(7, false);
    EXPECT_FLOAT_EQ(UserView().RangeTable[5].High, 6.0f);
    EXPECT_FALSE(UserView().RangeTable[5].Active);

    // The scale dialog's "Fixed" keeps the scale maximum of the previous variable,
    // as it was; the top class reaches just past it.
    UserView().ScaleFixed = true;
    UserView().RangeMax = 5000.0f;
    w->Grids().VarArcosPick(5, false);
    EXPECT_FLOAT_EQ(UserView().RangeMax, 5000.0f);
    EXPECT_NEAR(UserView().RangeTable[5].High, 5005.00001, 1e-2);
    UserView().ScaleFixed = false;
}

TEST_F(Grids, PickingAMovementVariable)
{
    Open();
    QAction* sat = w->Grids().VarMovim->actions()[0]; // column 4, "Fl.Sat"
    ASSERT_TRUE(sat->isEnabled());
    EXPECT_FALSE(w->Grids().VarMovim->actions()[5]->isEnabled()); // "Conteo": all 0
    UserView().DataLayerKind = 4;
    w->SetDown(Cmd::tbAtributos, true);
    sat->trigger();
    EXPECT_EQ(UserView().RangeItemMovim, 4);
    EXPECT_EQ(UserView().RangeVarMovim, 4);
    EXPECT_FLOAT_EQ(UserView().RangeMovimMax, 1800.0f);
    EXPECT_TRUE(livemenus::Find(w.get(), "Atributos2")->isChecked());
    EXPECT_FALSE(w->Down(Cmd::tbAtributos));
    EXPECT_TRUE(sat->isChecked());
    // Building the menu items leaves the movement layer's variable alone.
    w->Grids().AgregarItemMovim(9);
    EXPECT_EQ(UserView().RangeItemMovim, 4);
    EXPECT_FLOAT_EQ(UserView().RangeMovimMax, 1800.0f);
}

TEST_F(Grids, RangeDialogLoadsAndReadsTheTable)
{
    TDlgRngs dlg;
    Ranges::FillDefaultRanges(UserView(), 0.0f, 250.0f);
    UserView().RangeTable[3].Active = false;
    dlg.LoadFromTable();
    dlg.FormShow();
    EXPECT_FALSE(dlg.Changed);
    EXPECT_EQ(dlg.vmx->DisplayDecimals(), 1); // vmx = 250.00001
    EXPECT_EQ(dlg.vmx->text(), "250.0");
    EXPECT_NEAR(dlg.v[2]->Value(), 100.00001, 1e-4); // kept whole behind its text
    EXPECT_FALSE(dlg.Chk[3]->isChecked());
    UserView().RangeTable[5].High = 0.5f;
    dlg.LoadFromTable();
    dlg.FormShow();
    EXPECT_EQ(dlg.vmx->DisplayDecimals(), 4);

    // Edits: an upper bound left shows as the next class's lower bound.
    Ranges::FillDefaultRanges(UserView(), 0.0f, 250.0f);
    dlg.LoadFromTable();
    dlg.FormShow();
    dlg.v[2]->setText("120");
    emit dlg.v[2]->textEdited("120");
    EXPECT_TRUE(dlg.Changed);
    dlg.vExit(2);
    EXPECT_DOUBLE_EQ(dlg.vv[2]->Value(), 120.0);
    // The minimum's box does not overwrite class 2's lower bound.
    dlg.vmn->SetValue(-7.0);
    emit dlg.vmn->editingFinished();
    EXPECT_DOUBLE_EQ(dlg.vv[2]->Value(), 120.0);
    EXPECT_DOUBLE_EQ(dlg.vv[0]->Value(), -7.0);
    dlg.Chk[4]->click();
    // A colour choice goes into the table at once.
    dlg.ChooseColor = [](uint32_t& c) {
        c = 0x123456;
        return true;
    };
    dlg.SelColor(1);
    EXPECT_EQ(UserView().RangeTable[1].Color, 0x123456u);
    dlg.StoreToTable();
    EXPECT_FLOAT_EQ(UserView().RangeTable[2].High, 120.0f);
    EXPECT_FLOAT_EQ(UserView().RangeTable[3].Low, 120.0f);
    EXPECT_FALSE(UserView().RangeTable[4].Active);
    EXPECT_FLOAT_EQ(UserView().RangeTable[0].High, 0.0f); // class 0's value is not read back
    EXPECT_FLOAT_EQ(UserView().RangeTable[1].Low, 0.0f); // the bottom class starts at the minimum
    // The legend size takes effect at once.
    dlg.szs->setValue(40);
    EXPECT_EQ(UserView().RangeSymbolSize, 40);
}
