// Listings in the main window: the companion assignment listing read with the
// network, a listing and a counts file opened on their own; the zoning dialogs.
#include "mainwindow/Aptta.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgFind.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/DlgCfgWidgets.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"
#include "model/KDVlib.h"
#include "model/HitGrid.h"
#include "model/KDVlibPaths.h"
#include "model/LinkShapes.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "model/PalvonVars.h"
#include "model/gui/FrmDat.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "analysis/gui/DlgFormula.h"
#include "support/CsvRows.h"
#include "support/FileDialogAnswer.h"
#include "support/FormulaColumn.h"
#include "support/GridsNetwork.h"
#include "support/GuiTestUtil.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QFileDialog>
#include <QCheckBox>
#include <QMenu>
#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <tuple>

using ZelUtils::Format;

namespace {

class ListingsGui : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", tmp.file("red.dat"));
    }
    QAction* VarArcosItem(const QString& text)
    {
        for (QAction* a : viewer->Grids().VarArcos->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }
};

} // namespace

TEST_F(ListingsGui, CompanionListingFillsItsColumnsAndFilesOpenOnTheirOwn)
{
    // Link 102-101 of the sample: time 24, total flow 1500 of which 100 fixed.
    const std::string lpa = " LISTING OF THE FLOWS ON CHANNEL\r\n" +
                            Format("%6d%6d      %10.2f%10.2f%10.2f%10.2f%10.2f\r\n", 102, 101, 0.0, 0.0, 24.0, 1500.0,
                                   100.0) +
                            " LISTING OF DISAGGREGATED FLOWS\r\n";
    testutil::writeFile(tmp.file("red.lpa"), lpa);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    EXPECT_EQ(Network.LpaLoaded, 1);
    EXPECT_TRUE(viewer->windowTitle().endsWith("(red.lpa)"));
    const int32_t k = KDVlib::FindArco(102, 101);
    ASSERT_GT(k, 0);
    ASSERT_GT(LpaFirstCol, 0);
    EXPECT_EQ(viewer->sagArcos->cell(LpaFirstCol + 2, 0), "F.Asig");
    EXPECT_EQ(viewer->sagArcos->cell(LpaFirstCol + 2, k), "1400.00");

    // Without the option the companion listing is not read.
    Secondary::DlgCfg().cbOpenLP->setChecked(false);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    EXPECT_EQ(Network.LpaLoaded, 0);
    EXPECT_EQ(LpaFirstCol, 0);
    EXPECT_EQ(VarArcosItem("Flujo Asignado"), nullptr);
    // Opened on its own, the listing gets its block, and its variables can be chosen.
    viewer->Files().OpenLpaFile(tmp.file("red.lpa"));
    ASSERT_GT(LpaFirstCol, 0);
    EXPECT_EQ(viewer->sagArcos->cell(LpaFirstCol + 2, k), "1400.00");
    ASSERT_NE(VarArcosItem("Flujo Asignado"), nullptr);
    EXPECT_TRUE(VarArcosItem("Flujo Asignado")->isEnabled());

    // Counts opened from the menu: a link and a movement count, and both can be
    // shown from the variable menus of the links and of the movements.
    const int32_t m = KDVlib::FindMovim(101, 102, 103);
    ASSERT_GT(m, 0);
    ASSERT_NE(VarArcosItem("Flujo Observado"), nullptr);
    ASSERT_FALSE(VarArcosItem("Flujo Observado")->isEnabled()) << "nothing counted yet";
    testutil::writeFile(tmp.file("conteos.dat"),
                        " &COUNTS\r\n &END\r\n  102  101       321\r\n  101  102  103  250\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("conteos.dat"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aOpenCnt"));
    EXPECT_EQ(viewer->sagArcos->cell(13, k), "321");
    EXPECT_EQ(CountsFileName, tmp.file("conteos.dat"));
    int shown = 0;
    for (QMenu* menu : {viewer->Grids().VarArcos, viewer->Grids().ConfigurarRmin, viewer->Grids().VarMovim})
        for (QAction* a : menu->actions())
            if (a->text().endsWith("Flujo Observado")) {
                EXPECT_TRUE(a->isEnabled()) << menu->objectName().toStdString();
                ++shown;
            }
    EXPECT_EQ(shown, 3);
    // Chosen, the counted link is the scale's maximum.
    QAction* counted = VarArcosItem("Flujo Observado");
    ASSERT_NE(counted, nullptr);
    counted->trigger();
    EXPECT_NEAR(UserView().RangeMax, 321.0f, 1.0);
    EXPECT_EQ(Movims[m].Var[4], 250.0f);
    // The network itself picked as counts is refused: its link lines would have
    // put times on the links as counts. The counts read before stay, and their name.
    {
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aOpenCnt"));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages.front().find("es una red, no un archivo de conteos"), std::string::npos);
    }
    EXPECT_EQ(viewer->sagArcos->cell(13, k), "321");
    EXPECT_EQ(Movims[m].Var[4], 250.0f);
    EXPECT_EQ(CountsFileName, tmp.file("conteos.dat"));

    // A file without the flow listing, chosen in "Abrir resultados LPA", is
    // refused: the caption and the listing's name stay the listing's before it.
    const QString title = viewer->windowTitle();
    testutil::writeFile(tmp.file("otra.lpa"), "NADA QUE LEER\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("otra.lpa"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aOpenLPA"));
    EXPECT_EQ(viewer->windowTitle(), title);
    EXPECT_FALSE(viewer->windowTitle().contains("otra.lpa"));
    EXPECT_EQ(LpaFileName, tmp.file("red.lpa"));
    EXPECT_EQ(viewer->sagArcos->cell(LpaFirstCol + 2, k), "1400.00");

    // Read with its network, a companion listing without the flows leaves the
    // caption to the network.
    Secondary::DlgCfg().cbOpenLP->setChecked(true);
    // The grids get no columns of zeros for it (nor for a refused inspection listing).
    testutil::writeFile(tmp.file("red.lpa"), "NADA QUE LEER\r\n");
    testutil::writeFile(tmp.file("red.lpl"), "NADA QUE LEER\r\n");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    EXPECT_FALSE(viewer->windowTitle().contains("red.lpa")) << viewer->windowTitle().toStdString();
    EXPECT_TRUE(viewer->windowTitle().endsWith("red.dat")) << viewer->windowTitle().toStdString();
    for (int c = 0; c < viewer->sagArcos->ColCount(); ++c)
        EXPECT_NE(viewer->sagArcos->cell(c, 0), "F.Asig") << "a listing refused shows no columns";
    EXPECT_EQ(std::make_pair(LpaFirstCol, LplFirstCol), std::make_pair(0, 0));
    // Opened afresh, the network forgets the counts read onto the one before:
    // "Recarga" reads none back onto it.
    EXPECT_EQ(CountsFileName, "null");
    if (!FrmDat->isVisible()) {
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
    }
    FrmDat->findChild<QToolButton*>("tbReload")->click();
    EXPECT_EQ(Network.CountsLoaded, 0);
    EXPECT_EQ(Arcos[KDVlib::FindArco(102, 101)].Var[10], 0.0f);
}

// A zoning is read from text or from a shapefile: the zoning menu item and the
// toolbar's zoning button both offer shapefiles, and one chosen there is read.
TEST_F(ListingsGui, ZoningDialogsOfferShapefiles)
{
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    RecordingServices ui;
    const std::string path = tmp.file("zonas.shp");
    SHPHandle shp = SHPCreate(path.c_str(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate(tmp.file("zonas.dbf").c_str());
    ASSERT_TRUE(shp && dbf);
    DBFAddField(dbf, "ZONA", FTInteger, 5, 0);
    double x[] = {0, 10, 10, 0}, y[] = {0, 0, 10, 0};
    SHPObject* obj = SHPCreateSimpleObject(SHPT_POLYGON, 4, x, y, nullptr);
    SHPWriteObject(shp, -1, obj);
    SHPDestroyObject(obj);
    DBFWriteIntegerAttribute(dbf, 0, 0, 12);
    SHPClose(shp);
    DBFClose(dbf);

    for (const char* place : {"menu:Archivo>Abrir", "toolbar:tbarOpen"}) {
        ui.messages.clear();
        QStringList filters;
        testutil::WhenFileDialogShown(viewer, [&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            int shapes = -1;
            for (int k = 0; k < filters.size(); ++k)
                if (filters[k].contains(QStringLiteral("*.shp")))
                    shapes = k;
            testutil::TypeFileAndAccept(dialog, QString::fromStdString(path), std::max(shapes, 0));
        });
        ASSERT_TRUE(livemenus::Click(viewer, place, std::string(place).front() == 'm' ? "aOpenZonif" : "tbOpenZnf"));
        EXPECT_TRUE(filters.join(' ').contains(QStringLiteral("*.geo"))) << place;
        EXPECT_TRUE(filters.join(' ').contains(QStringLiteral("*.shp"))) << place;
        EXPECT_EQ(ZoningFileName, path) << place;
        EXPECT_TRUE(ui.anyMessageContains("Fields = ZONA")) << place;
    }
}

namespace {

// Values by key ("A-B" for a link, "A-B-C" for a movement), as a file gives them.
using KeyValues = std::map<std::string, double>;
using Rows = std::vector<std::vector<std::string>>;

std::string Key(const std::vector<std::string>& row, bool movement)
{
    return row[0] + "-" + row[1] + (movement ? "-" + row[2] : "");
}

// A counts file read as its layout says: after "&END", blank-separated link lines
// (A B count) and movement lines (A B C count).
void ParseCounts(const std::string& text, KeyValues& links, KeyValues& movements)
{
    std::istringstream in(text);
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        const std::vector<std::string> w{std::istream_iterator<std::string>(f), std::istream_iterator<std::string>()};
        if (data && w.size() >= 3)
            (w.size() == 3 ? links : movements)[Key(w, w.size() == 4)] = std::stod(w.back());
        data = data || (w.size() == 1 && w[0] == "&END");
    }
}

// A grid as the user sees it: rows and columns in screen order, titles first.
Rows Shown(TStringAlignGrid* g)
{
    Rows rows(static_cast<size_t>(g->RowCount()));
    for (int r = 0; r < g->RowCount(); ++r)
        for (int p = 0; p < g->ColCount(); ++p)
            rows[static_cast<size_t>(r)].push_back(g->cell(g->ColAtPosition(p), r));
    return rows;
}

// Every row's value under `title` is its key's value in the file (0 for a key the
// file lacks).
void CheckColumn(const Rows& rows, bool movement, const std::string& title, const KeyValues& expected)
{
    SCOPED_TRACE(title);
    const size_t col = std::find(rows[0].begin(), rows[0].end(), title) - rows[0].begin();
    ASSERT_LT(col, rows[0].size());
    for (size_t r = 1; r < rows.size(); ++r) {
        const auto it = expected.find(Key(rows[r], movement));
        ASSERT_NEAR(ZelUtils::ParseReal(rows[r][col]), it == expected.end() ? 0.0 : it->second, 0.006)
            << "row " << r << " (" << Key(rows[r], movement) << ")";
    }
}

// The selected-links grid lists each selected link's row as the link grid shows it
// (the same titles in the same order, the same cells), `count` links in all.
void CheckSelectedRows(const Rows& links, const Rows& selected, size_t count)
{
    ASSERT_EQ(selected.size(), count + 1);
    EXPECT_EQ(selected[0], links[0]);
    std::map<std::string, const std::vector<std::string>*> byRecord; // by the "Orden" cell
    for (size_t r = 1; r < links.size(); ++r)
        byRecord[links[r][3]] = &links[r];
    for (size_t r = 1; r < selected.size(); ++r) {
        ASSERT_EQ(byRecord.count(selected[r][3]), 1u) << "selected row " << r;
        EXPECT_EQ(selected[r], *byRecord[selected[r][3]]) << "selected row " << r;
    }
}

// A grid sorted on column `col` (-1: not sorted) shows its rows in order on it, by
// value or, for the street names, by bytes: ascending after an odd number of clicks.
void CheckSorted(TStringAlignGrid* g, int32_t col, const std::vector<uint8_t>& desc)
{
    if (col < 0)
        return;
    SCOPED_TRACE(g->cell(col, 0));
    ASSERT_LT(size_t(col), desc.size());
    std::vector<std::string> texts;
    std::vector<double> values;
    for (int r = 1; r < g->RowCount(); ++r) {
        texts.push_back(g->cell(col, r));
        values.push_back(ZelUtils::ParseReal(texts.back()));
    }
    if (desc[size_t(col)] == 0) {
        std::reverse(texts.begin(), texts.end());
        std::reverse(values.begin(), values.end());
    }
    EXPECT_TRUE(g->cell(col, 0) == "Calle" ? std::is_sorted(texts.begin(), texts.end())
                                           : std::is_sorted(values.begin(), values.end()));
}

} // namespace

// Every loader writes each value on the row of its own link (movement) and under
// its own title, however the user sorted the grids or dragged a title first (a
// grid sorted on the column a loader writes is in order on it again), and
// "Exportar datos" writes the grid as shown; the links selected beforehand are
// listed below with the same values under the same titles, and the find window
// left open offers every column. Sioux Falls without movements (with
// its counts file) and with its junctions.
TEST_F(ListingsGui, EveryLoaderWritesOnItsOwnRowAndColumnWhateverTheArrangement)
{
    struct Arrangement {
        const char* name;
        int sortClicks;        // Shift+clicks on the titles `sortTitle`: 1 ascending, 2 descending
        bool drag;             // the "Conteo" title dragged to the left
        const char* sortTitle = "NodoB";
        bool companion = false; // listings beside the network, read with it (other flows)
    };
    const Arrangement arrangements[] = {
        {"as opened", 0, false},
        {"ascending", 1, false},
        {"descending", 2, false},
        {"dragged", 0, true},
        {"descending and dragged", 2, true},
        {"descending on the counts", 2, false, "Conteo"},
        {"on the street names", 1, false, "Calle"},
        {"on a listing read with the network, dragged", 1, true, "F.Asig", true},
        {"descending on the simulated flows", 2, false, "Flow", true},
    };
    for (const char* network : {"siouxfalls-junctions.dat", "siouxfalls.dat"})
        for (const Arrangement& arr : arrangements) {
            SCOPED_TRACE(std::string(network) + ", " + arr.name);
            std::filesystem::remove(tmp.file("sf.dat"));
            std::filesystem::copy_file(testutil::realDataPath(network), tmp.file("sf.dat"));
            std::filesystem::permissions(tmp.file("sf.dat"), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
            ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("sf.dat")));
            // Listings beside the network with other flows, read with it when it is
            // opened again: the loaders below read theirs over them.
            for (const char* ext : {".lpa", ".lpl"})
                std::filesystem::remove(tmp.file(std::string("sf") + ext));
            if (arr.companion) {
                std::string ownLpa = " LISTING OF THE FLOWS ON CHANNEL\r\n", ownLpl = "     LINK       FLOW\r\n";
                for (int32_t i = 1; i <= Network.LinkCount; ++i) {
                    ownLpa += Format("%6d%6d      %10.2f%10.2f%10.2f%10.2f%10.2f\r\n", Arcos[i].A, Arcos[i].B, 0.0,
                                     0.0, 1.0, 50.0 * (Network.LinkCount + 1 - i), 0.0);
                    ownLpl += Format(" %5d%5d S%14s%7.1f%45s\r\n", Arcos[i].A, Arcos[i].B, "", 9.0 * i, "");
                }
                testutil::writeFile(tmp.file("sf.lpa"), ownLpa + " LISTING OF DISAGGREGATED FLOWS\r\n");
                testutil::writeFile(tmp.file("sf.lpl"), ownLpl + " N.B.\r\n");
                ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("sf.dat")));
                ASSERT_GT(LpaFirstCol, 0);
            }
            const bool movements = Network.MovementCount > 0;
            viewer->resize(1600, 900);
            viewer->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
            TStringAlignGrid* links = viewer->sagArcos;
            TStringAlignGrid* movs = viewer->sagMovim;

            // Links 2 to 9 selected first: a block of rows, "Selección en Grilla".
            viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
            QApplication::processEvents();
            for (const auto& [row, keys] : {std::pair{2, Qt::NoModifier}, std::pair{9, Qt::ShiftModifier}}) {
                const QModelIndex at = links->model()->index(row - 1, 0);
                links->scrollTo(at);
                QTest::mouseClick(links->viewport(), Qt::LeftButton, keys, links->visualRect(at).center());
            }
            emit viewer->pupArcos->aboutToShow();
            ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos", "SeleccionGrilla"));
            emit viewer->pupArcos->aboutToHide();
            TStringAlignGrid* selected = viewer->sagArcosSel;
            ASSERT_NE(selected, nullptr);
            if (!DlgFind || !DlgFind->isVisible()) {
                ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "aBuscar"));
                DlgFind->buscar->setText("~"); // no cell holds it
            }

            // The arrangement, with the mouse on the titles.
            for (int k = 0; k < arr.sortClicks; ++k)
                for (auto [page, g] : {std::pair{viewer->tsMovim, movs}, std::pair{viewer->tsArcos, links}}) {
                    int col = 0;
                    while (col < g->ColCount() && g->cell(col, 0) != arr.sortTitle)
                        ++col;
                    if (col == g->ColCount())
                        continue; // (no street names in the movement grid)
                    viewer->tnDatos->setCurrentWidget(page);
                    QApplication::processEvents();
                    g->scrollTo(g->model()->index(0, col));
                    QApplication::processEvents();
                    testutil::ShiftClickTitle(g, col);
                }
            if (arr.sortClicks > 0) {
                ASSERT_EQ(links->cell(viewer->Grids().SortColArcos, 0), arr.sortTitle);
            }
            viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
            QApplication::processEvents();
            if (arr.drag) {
                // "Conteo" dropped on the leftmost value title in sight: every column
                // in between moves on screen.
                int counted = 0;
                while (counted < links->ColCount() && links->cell(counted, 0) != "Conteo")
                    ++counted;
                ASSERT_LT(counted, links->ColCount());
                links->scrollTo(links->model()->index(0, counted), QAbstractItemView::PositionAtCenter);
                QApplication::processEvents();
                QHeaderView* h = links->horizontalHeader();
                int first = 4;
                while (h->sectionViewportPosition(first) < 0)
                    ++first;
                ASSERT_LT(first, counted);
                const QPoint from(h->sectionViewportPosition(counted) + h->sectionSize(counted) / 2, h->height() / 2);
                const QPoint to(h->sectionViewportPosition(first) + 3, h->height() / 2);
                QTest::mousePress(h->viewport(), Qt::LeftButton, Qt::NoModifier, from);
                for (int i = 1; i <= 20; ++i)
                    QTest::mouseMove(h->viewport(), from + (to - from) * i / 20);
                QTest::mouseRelease(h->viewport(), Qt::LeftButton, Qt::NoModifier, to);
                ASSERT_EQ(links->ColAtPosition(first), counted) << "the title moved";
            }
            CheckSelectedRows(Shown(links), Shown(selected), 8);

            // The files, with values unique per key, unlike the record order.
            KeyValues flows, simulated, comp, imported, doubled, movComp, linkCounts, movCounts;
            std::string lpa = " LISTING OF THE FLOWS ON CHANNEL\r\n", lpl = "     LINK       FLOW\r\n";
            std::string compText = "A,B,Calle,Vcomp\r\n", importText = "A;B;Vimp\r\n", movText = "A,B,C,Vmov\r\n";
            std::string counts = testutil::readFile(testutil::realDataPath("siouxfalls-counts.dat"));
            std::map<std::string, std::string> streets;
            for (int32_t i = 1; i <= Network.LinkCount; ++i) {
                const TArcos& a = Arcos[i];
                const std::string key = Format("%d-%d", a.A, a.B);
                flows[key] = 100.0 * a.A + a.B;
                lpa += Format("%6d%6d      %10.2f%10.2f%10.2f%10.2f%10.2f\r\n", a.A, a.B, 0.0, 0.0, 1.0, flows[key],
                              0.0);
                simulated[key] = 3.0 * a.B + 0.5 * a.A; // "Flow", columns 28-34 of a link line
                lpl += Format(" %5d%5d S%14s%7.1f%45s\r\n", a.A, a.B, "", simulated[key], "");
                comp[key] = a.A * 7.0 - a.B;
                streets[key] = Format("CALLE %d, \"%d\"", a.A, a.B);
                compText += Format("%d,%d,\"CALLE %d, \"\"%d\"\"\",%.2f\r\n", a.A, a.B, a.A, a.B, comp[key]);
                imported[key] = a.B * 11.0 + a.A;
                doubled[key] = 2.0 * imported[key];
                importText += Format("%d;%d;%.2f\r\n", a.A, a.B, imported[key]);
            }
            lpa += " LISTING OF DISAGGREGATED FLOWS\r\n";
            lpl += " N.B.\r\n";
            for (int32_t m = 1; m <= Network.MovementCount; ++m) {
                const TMovimiento& mv = Movims[m];
                movComp[Format("%d-%d-%d", mv.A, mv.Node, mv.C)] = mv.A * 13.0 + mv.C;
                movText += Format("%d,%d,%d,%d\r\n", mv.A, mv.Node, mv.C, mv.A * 13 + mv.C);
                counts += Format("%5d%5d%5d%5d\r\n", mv.A, mv.Node, mv.C, 10 * mv.C + mv.A);
            }
            ParseCounts(counts, linkCounts, movCounts);
            for (const auto& [file, text] : {std::pair{"r.lpa", lpa}, std::pair{"r.lpl", lpl},
                                             std::pair{"r.cnt", counts}, std::pair{"comp.csv", compText},
                                             std::pair{"imp.csv", importText}, std::pair{"mov.csv", movText}})
                testutil::writeFile(tmp.file(file), text);
            TDlgFormula* formula = &Secondary::DlgFormula();
            formula->RunFieldChoice = [](TDualListDialog& d) {
                for (int i = 0; i < d.Count(1); ++i)
                    if (d.Text(1, i) == "Vimp")
                        d.Move(1, {i});
                return true;
            };

            // Each loader from the live menus, its values checked at once.
            struct Loader {
                const char* file; // answered in its file dialog ("" for the formula)
                const char* place;
                const char* item;
                bool movement;
                const char* title;
                const KeyValues& values;
            };
            const Loader loaders[] = {
                {"r.lpa", "menu:Archivo>Abrir", "aOpenLPA", false, "F.Asig", flows},
                {"r.lpl", "menu:Archivo>Abrir", "aOpenLPL", false, "Flow", simulated},
                {"r.cnt", "menu:Archivo>Abrir", "aOpenCnt", false, "Conteo", linkCounts},
                {"", "", "", true, "Conteo", movCounts},
                {"comp.csv", "menu:Archivo>Abrir", "aOpenComp", false, "Vcomp", comp},
                {"imp.csv", "popup:pupArcos", "ImportarColsArcos", false, "Vimp", imported},
                {"mov.csv", "popup:pupMovim", "ImportarColsMovim", true, "Vmov", movComp},
                {"", "popup:pupArcos", "Crearcolumna1", false, "Doble", doubled},
            };
            for (const Loader& l : loaders) {
                if (l.movement && !movements)
                    continue;
                if (*l.file)
                    testutil::AnswerFileDialog(viewer, tmp.file(l.file));
                else if (*l.item)
                    QTimer::singleShot(0, [formula] {
                        formula->teVar->setText("Doble");
                        formula->teForm->setText("A*2");
                        formula->btnOk->click();
                    });
                if (*l.item) {
                    ASSERT_TRUE(livemenus::Click(viewer, l.place, l.item));
                }
                QApplication::processEvents();
                CheckColumn(Shown(l.movement ? movs : links), l.movement, l.title, l.values);
                CheckSelectedRows(Shown(links), Shown(selected), 8);
                // A grid sorted on the column a loader wrote is in order on it again.
                CheckSorted(links, viewer->Grids().SortColArcos, viewer->Grids().SortDescArcos);
                CheckSorted(movs, viewer->Grids().SortColMovim, viewer->Grids().SortDescMovim);
                // The find window, left open since the first loader (over a network
                // opened since too), offers every column: of the grid it was left on
                // once "Buscar" is pressed, then of the other grid once chosen (none
                // of the movements of the network before on one without).
                TDlgFind& find = Secondary::DlgFind();
                for (int pass = 0; pass < 2; ++pass) {
                    if (pass == 1)
                        for (auto* b : find.Buscaren->findChildren<QRadioButton*>())
                            if (b->text() == (find.Buscaren->ItemIndex() == 4 ? "Arcos" : "Movimientos"))
                                QTest::mouseClick(b, Qt::LeftButton);
                    QTest::mouseClick(find.btnFind, Qt::LeftButton);
                    TStringAlignGrid* g = find.Buscaren->ItemIndex() == 4 ? movs : links;
                    QStringList offered, titles;
                    for (int i = 0; i < find.Buscarque->count(); ++i)
                        offered << find.Buscarque->item(i)->text();
                    for (int c = 0; c < g->ColCount() && (g == links || movements); ++c)
                        titles << QString::fromStdString(g->cell(c, 0));
                    EXPECT_EQ(offered.size(), titles.size());
                    EXPECT_EQ(offered.join('|').toStdString(), titles.join('|').toStdString());
                }
                const Rows shown = Shown(links);
                for (size_t r = 1; r < shown.size() && l.title == std::string("Vcomp"); ++r)
                    ASSERT_EQ(shown[r][2], streets[Key(shown[r], false)]); // quoted in the file
            }

            // "Exportar datos" over each grid writes it as shown (python's csv reads
            // each row and the empty field after its last separator).
            QTest::mouseMove(links->viewport(), QPoint(20, 20));
            emit viewer->pupArcos->aboutToShow();
            for (const auto& [g, place, item] : {std::tuple{links, "popup:pupArcos", "ExportarArcos"},
                                                 std::tuple{movs, "popup:pupMovim", "ExportarDatos5"}}) {
                if (g == movs && !movements)
                    continue;
                const std::string out = tmp.file(g == links ? "arcos.csv" : "movim.csv");
                testutil::AnswerFileDialog(viewer, out);
                ASSERT_TRUE(livemenus::Click(viewer, place, item));
                Rows shown = Shown(g);
                for (auto& row : shown)
                    row.emplace_back();
                EXPECT_EQ(testutil::CsvRows(out), shown);
            }
            emit viewer->pupArcos->aboutToHide();
            // The street names exported, then read back as complementary data (its
            // values past the fortieth left, as a message says): byte for byte.
            for (int32_t i = 1; i <= Network.LinkCount; ++i)
                Arcos[i].StreetName.clear();
            {
                RecordingServices said;
                viewer->Files().OpenComplementaryFile(tmp.file("arcos.csv"));
                EXPECT_FALSE(said.anyMessageContains("no numéricos"));
            }
            for (int32_t i = 1; i <= Network.LinkCount; ++i)
                ASSERT_EQ(ZelUtils::Trim(Arcos[i].StreetName), streets[Format("%d-%d", Arcos[i].A, Arcos[i].B)]);
        }
}

// Listings of this network's links whose turns it gives without movements (the
// same network with its junctions described), or whose zone it attaches another
// way, are read as the listings of this network they are: the turns and the
// connector are passed over without a word, the links' values stored.
TEST_F(ListingsGui, ListingsWithTurnsAndConnectorsDescribedOtherwiseAreRead)
{
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("sf.dat"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("sf.dat")));
    ASSERT_EQ(Network.MovementCount, 0);
    // The link into the node with most ways on, and the turns onto them.
    std::vector<int32_t> exits;
    int32_t a = 0, b = 0;
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        std::vector<int32_t> on;
        for (int32_t l = 1; l <= Network.LinkCount; ++l)
            if (Arcos[l].A == Arcos[k].B && Arcos[l].B != Arcos[k].A)
                on.push_back(Arcos[l].B);
        if (on.size() > exits.size())
            std::tie(a, b, exits) = std::tuple(Arcos[k].A, Arcos[k].B, on);
    }
    ASSERT_GE(exits.size(), 3u);
    const auto flows = [](double total) { return Format("%10.2f%10.2f%10.2f%10.2f%10.2f\n", 0.0, 0.0, 45.0, total, 0.0); };
    std::string lpa = "            LISTING OF THE FLOWS ON CHANNEL  1\n" + Format("%6d%6d      ", a, b) + flows(777.0) +
                      Format(" C%4d %5d      ", b % Network.ZoneCount + 1, b) + flows(5.0);
    std::string lpl = Format("     NODE %5d  PRIORITY JUNCTION\n", b);
    for (const int32_t c : exits) {
        lpa += Format("%6d%6d%6d", a, b, c) + flows(100.0);
        lpl += Format("%6d%6d %6.1f%16s%6.1f%7.1f%6.1f%7.1f%7.1f%6.2f\n", a, c, 9.0, "", 1.0, 2.0, 3.0, 4.0, 5.0, 0.5);
    }
    testutil::writeFile(tmp.file("sf_j.lpa"), lpa + "            SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK\n");
    testutil::writeFile(tmp.file("sf_j.lpl"), lpl + "  OVERALL\n     LINK       FLOW\n" +
                                                  Format(" %5d%5d S%14s%7.1f\n", a, b, "", 555.0) + " N.B.\n");
    const int32_t link = KDVlib::FindArco(a, b);
    for (const auto& [file, loader, var, value] :
         {std::tuple{"sf_j.lpa", "aOpenLPA", 15, 777.0f}, std::tuple{"sf_j.lpl", "aOpenLPL", 22, 555.0f}}) {
        SCOPED_TRACE(file);
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, tmp.file(file));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", loader));
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
        EXPECT_FLOAT_EQ(Arcos[link].Var[var], value);
        EXPECT_TRUE(viewer->windowTitle().contains(QString::fromStdString(file)));
    }
}

// A file of another kind picked in a loader's place (the ".dat" of a network or
// of its counts, where the filters share extensions) is refused with one message
// by every loader of the "Abrir" menu, and what was read before stays: the link
// values, the grid's columns, the caption, the generation/attraction data.
TEST_F(ListingsGui, EachLoaderRefusesAFileOfAnotherKindKeepingWhatWasRead)
{
    std::filesystem::copy_file(testutil::realDataPath("chicago-sketch.dat"), tmp.file("ch.dat"));
    std::filesystem::copy_file(testutil::realDataPath("chicago-sketch-counts.dat"), tmp.file("chc.dat"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("ch.dat")));
    testutil::writeFile(tmp.file("ga.csv"), "zona,x,y,gen,atr\n1,0,0,10,20\n2,5,5,30,40\n");
    viewer->Files().OpenGenatrFile(tmp.file("ga.csv"));
    ASSERT_EQ(NumGenatr, 3);
    // Counts, complementary data, traces and zoning read before: their names are
    // what a reload or a batch print reads again.
    const std::string link = Format("%d,%d", Arcos[1].A, Arcos[1].B);
    testutil::writeFile(tmp.file("comp.csv"), "A,B,Dato\n" + link + ",7\n");
    testutil::writeFile(tmp.file("tr.geo"), link + ",2,0,0,5,5\n");
    testutil::writeFile(tmp.file("zon.geo"), "1,0,3,0,0,10,0,10,10\n");
    testutil::writeFile(tmp.file("otra.csv"), "A,B,Dato\n99999,99998,7\n\n99997,99996,8\n"); // of another network
    testutil::writeFile(tmp.file("otra.geo"), "99999,99998,2,0,0,5,5\n");
    testutil::writeFile(tmp.file("otra.lpa"), "            LISTING OF THE FLOWS ON CHANNEL  1\n"
                                              "  9001  9002            0.00      0.00     45.00   7777.00    100.00\n"
                                              " C   1 9999             0.00      0.00      0.00    200.00     20.00\n"
                                              "            SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK\n");
    testutil::writeFile(tmp.file("otra.lpl"), "     NODE  9100  PRIORITY JUNCTION\n"
                                              " FROM 9003      9.0                   1.0    2.0   3.0    4.0    5.0  0.50\n");
    // Listings of a network that shares a few link numbers with this one: most of
    // their links are not this network's.
    std::string mixedLpa = "            LISTING OF THE FLOWS ON CHANNEL  1\n", mixedLpl = "     LINK       FLOW\n";
    for (int32_t k = 1; k <= 5; ++k) {
        const int32_t a = k <= 2 ? Arcos[k].A : 9000 + k, b = k <= 2 ? Arcos[k].B : 9100 + k;
        mixedLpa += Format("%6d%6d      %10.2f%10.2f%10.2f%10.2f%10.2f\n", a, b, 0.0, 0.0, 45.0, 7777.0, 100.0);
        mixedLpl += Format(" %5d%5d S%14s%7.1f%45s\n", a, b, "", 555.0, "");
    }
    testutil::writeFile(tmp.file("mixta.lpa"), mixedLpa + "            SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK\n");
    testutil::writeFile(tmp.file("mixta.lpl"), mixedLpl + " N.B.\n");
    testutil::writeFile(tmp.file("otra_cnt.dat"), " &COUNTS\r\n &END\r\n99991999920    5\r\n99993999949999512\r\n");
    // Counts of this network's links written in the other field width.
    testutil::writeFile(tmp.file("ancho_cnt.dat"), " &COUNTS\r\n &END\r\n" +
                                                       Format("%10d%10d%10s%10d\r\n", Arcos[1].A, Arcos[1].B, "", 5) +
                                                       Format("%10d%10d%10s%10d\r\n", Arcos[2].A, Arcos[2].B, "", 6));
    testutil::writeFile(tmp.file("chb.dat"), "\r\n" + testutil::readFile(tmp.file("ch.dat"))); // led by a blank line
    testutil::writeFile(tmp.file("vacio.dat"), "");
    testutil::writeFile(tmp.file("blancos.dat"), "\n  \n\n");
    testutil::writeFile(tmp.file("forma.shp"), std::string(100, '\0') + "1,2,3,4,5,6,7\n" + std::string(100, '\x0b'));
    {
        RecordingServices ui;
        viewer->Files().OpenCountsFile(tmp.file("chc.dat"));
        viewer->Files().OpenComplementaryFile(tmp.file("comp.csv"));
        viewer->Files().OpenTrazasFile(tmp.file("tr.geo"));
        viewer->Files().OpenZoningFile(tmp.file("zon.geo"));
        testutil::writeFile(tmp.file("ord.csv"), link + "\n");
        testutil::AnswerFileDialog(viewer, tmp.file("ord.csv"));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "AbrirOrden"));
    }
    const std::vector<std::string> names = {CountsFileName, ComplementaryFileName, TraceFileName, ZoningFileName,
                                            LpaFileName, LplFileName, LinkOrderFileName};
    const std::vector<int32_t> order(&LinkOrder[1], &LinkOrder[1] + Network.LinkCount);
    ASSERT_EQ(order.back(), 1); // the link the order file names is drawn last
    ASSERT_EQ(names[0], tmp.file("chc.dat"));
    ASSERT_EQ(names[3], tmp.file("zon.geo"));
    viewer->SetDown(Cmd::tbZonas, false); // the zones hidden: a refused zoning shows none
    const bool zonesShown = viewer->Down(Cmd::tbZonas);
    ASSERT_FALSE(zonesShown);
    const auto linkValues = [] {
        double d = 0;
        for (int k = 1; k <= Network.LinkCount; ++k)
            for (int v = 1; v <= 130; ++v)
                d += double(Arcos[k].Var[v]) * (v + 1) * (k % 7 + 1) + Arcos[k].PointCount;
        return d;
    };
    for (const char* listing : {"lst_red.lpa", "lst_red.lpl"})
        std::filesystem::copy_file(testutil::dataPath(listing), tmp.file(listing));
    const std::map<std::string, std::string> own = {{"chc.dat", "aOpenCnt"}, {"forma.shp", "aOpenZonif"},
                                                    {"lst_red.lpa", "aOpenLPA"}, {"lst_red.lpl", "aOpenLPL"}};
    // The links of another network counted as the file has them.
    const std::map<std::string, std::string> said = {{"otra.csv aOpenComp", "ninguno de sus 2 arcos es de esta red"},
                                                     {"otra.geo aOpenTraza", "su traza no es de un arco de esta red"},
                                                     {"otra_cnt.dat aOpenCnt", "ninguno de sus 2 conteos es de esta red"},
                                                     {"ancho_cnt.dat aOpenCnt", "ninguno de sus 2 conteos es de esta red"},
                                                     {"mixta.lpa aOpenLPA", "es de otra red: 3 de sus 5"},
                                                     {"mixta.lpl aOpenLPL", "es de otra red: 3 de sus 5"}};
    for (const char* file : {"ch.dat", "chb.dat", "chc.dat", "vacio.dat", "blancos.dat", "forma.shp", "lst_red.lpa", "lst_red.lpl",
                             "otra.csv", "otra.geo", "otra.lpa", "otra.lpl", "otra_cnt.dat", "ancho_cnt.dat",
                             "mixta.lpa", "mixta.lpl"})
        for (const char* loader : {"aOpenLPA", "aOpenLPL", "aOpenCnt", "aOpenComp", "aOpenTraza", "aOpenZonif",
                                   "GeneracinAtraccin1", "AbrirOrden"}) {
            if (own.contains(file) && own.at(file) == loader)
                continue; // its own loader
            SCOPED_TRACE(std::string(file) + " " + loader);
            const double values = linkValues();
            const int columns = viewer->sagArcos->ColCount();
            const QString title = viewer->windowTitle();
            RecordingServices ui;
            testutil::AnswerFileDialog(viewer, tmp.file(file));
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", loader));
            EXPECT_EQ(ui.messages.size(), 1u);
            if (const auto say = said.find(std::string(file) + " " + loader); say != said.end()) {
                EXPECT_TRUE(ui.anyMessageContains(say->second)) << ui.messages.front();
            }
            EXPECT_EQ(linkValues(), values);
            EXPECT_EQ(viewer->sagArcos->ColCount(), columns);
            EXPECT_EQ(viewer->windowTitle(), title);
            EXPECT_EQ(NumGenatr, 3);
            EXPECT_EQ(Genatr[2].Gen[1], 30.0f);
            EXPECT_EQ(std::vector<std::string>({CountsFileName, ComplementaryFileName, TraceFileName, ZoningFileName,
                                                LpaFileName, LplFileName, LinkOrderFileName}),
                      names);
            EXPECT_EQ(std::vector<int32_t>(&LinkOrder[1], &LinkOrder[1] + Network.LinkCount), order);
            EXPECT_EQ(viewer->Down(Cmd::tbZonas), zonesShown);
        }
}

// Zoning outlines at their room (1701 points, one arc or two chained) load whole
// from the menu and are saved back as read; one point more, in any zone, refuses
// the file with one message: every zone keeps the outline read before, and the
// zoning's name stays. The loader takes the next file that fits.
TEST_F(ListingsGui, ZoningOutlinesAtTheirRoomLoadWholeAndOnePastAreRefused)
{
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.file("sf.dat"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("sf.dat")));
    const auto arc = [](int zone, int from, int points) {
        std::string line = Format("%d,0,%d", zone, points);
        for (int k = from; k < from + points; ++k)
            line += Format(",%d.5,%d.25", k, k % 3);
        return line + "\r\n";
    };
    const struct {
        const char* name;
        std::string text;
        int points; // zone 1's outline; 0: refused
    } rows[] = {
        {"uno.geo", arc(1, 0, MaxZonePolygonPoints) + arc(2, 0, 4), MaxZonePolygonPoints},
        {"uno_mas.geo", arc(2, 5, 4) + arc(1, 0, MaxZonePolygonPoints + 1), 0},
        {"dos_mas.geo", arc(1, 0, 900) + arc(1, 899, MaxZonePolygonPoints - 898) + arc(2, 5, 4), 0},
        {"dos.geo", arc(1, 0, 900) + arc(1, 899, MaxZonePolygonPoints - 899), MaxZonePolygonPoints},
    };
    const TZona& one = Zonas[KDVlib::FindZona(1)];
    const TZona& two = Zonas[KDVlib::FindZona(2)];
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string earlierName = ZoningFileName;
        const std::vector<TPoint> earlierOne = one.Polygon, earlierTwo = two.Polygon;
        testutil::writeFile(tmp.file(row.name), row.text);
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, tmp.file(row.name));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aOpenZonif"));
        if (row.points == 0) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_NE(ui.messages[0].find("el contorno de una zona supera 1701 puntos: 1; no se ha le\u00eddo"),
                      std::string::npos)
                << ui.messages[0];
            EXPECT_EQ(ZoningFileName, earlierName);
            EXPECT_EQ(one.Polygon.size(), earlierOne.size());
            EXPECT_EQ(two.Polygon.size(), earlierTwo.size());
            EXPECT_EQ(two.Polygon.back().x, earlierTwo.back().x);
            continue;
        }
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
        ASSERT_EQ(one.PolygonCount, row.points);
        EXPECT_EQ(one.Polygon[static_cast<size_t>(row.points)].x, row.points - 1 + 0.5);
        // Saved from the zones' menu: zone 1's line holds the outline as read.
        const std::string out = tmp.file(std::string("guardada_") + row.name);
        testutil::AnswerFileDialog(viewer, out);
        ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho>Zonas", "SaveZon"));
        std::istringstream saved(testutil::readFile(out));
        std::string line;
        while (std::getline(saved, line) && line.rfind("1,0,", 0) != 0) {
        }
        const std::vector<std::string> f = ZelUtils::SplitString(ZelUtils::Trim(line), ',');
        ASSERT_EQ(f.size(), 3u + 2 * row.points);
        EXPECT_EQ(f[2], std::to_string(row.points));
        EXPECT_EQ(f[f.size() - 2], Format("%d.50000", row.points - 1));
    }
}

// The columns ticked in the find window stay ticked over the network read again or
// another opened from the menu, with the window called up again, while the grid
// has a column of their title; the others go.
TEST_F(ListingsGui, FindWindowKeepsTheColumnsTickedThatTheNetworkOpenedHas)
{
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls-junctions.dat"), tmp.file("sf.dat"));
    viewer->resize(1200, 800);
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    testutil::settle();
    viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "aBuscar"));
    TDlgFind& find = Secondary::DlgFind();
    const auto ticked = [&] {
        QStringList t;
        for (int i = 0; i < find.Buscarque->count(); ++i)
            if (find.Buscarque->item(i)->checkState() == Qt::Checked)
                t << find.Buscarque->item(i)->text();
        return t.join('|').toStdString();
    };
    ASSERT_EQ(ticked(), "NodoA|NodoB");
    for (int i = 0; i < find.Buscarque->count(); ++i) {
        QListWidgetItem* item = find.Buscarque->item(i);
        if (item->text() == "Cap" || item->text() == "XD1") // "XD1": of this network only
            item->setCheckState(Qt::Checked);
    }
    for (const auto& [file, expected] :
         {std::pair{"red.dat", "NodoA|NodoB|Cap|XD1"}, std::pair{"sf.dat", "NodoA|NodoB|Cap"}}) {
        SCOPED_TRACE(file);
        testutil::AnswerFileDialog(viewer, tmp.file(file));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        testutil::settle();
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "aBuscar"));
        EXPECT_EQ(ticked(), expected);
    }

    // What a search found is said in the window, a search that finds nothing (a
    // node the network lacks, letters, a decimal comma, a huge number) and one with
    // no column ticked included. Links at node 1 of this network: 1-2, 1-3, 2-1, 3-1.
    for (const auto& [typed, columns, said] :
         {std::tuple{"1", true, "4 encontrados en sf.dat."}, std::tuple{"999", true, "\"999\" no se encontró en las columnas marcadas de sf.dat."},
          std::tuple{"abc", true, "\"abc\" no se encontró en las columnas marcadas de sf.dat."},
          std::tuple{"1,5", true, "\"1,5\" no se encontró en las columnas marcadas de sf.dat."},
          std::tuple{"99999999999999999999", true,
                     "\"99999999999999999999\" no se encontró en las columnas marcadas de sf.dat."},
          std::tuple{"1", false, "Ninguna columna marcada en \"Buscar que\": no se buscó."}}) {
        SCOPED_TRACE(typed);
        for (int i = 0; i < find.Buscarque->count(); ++i)
            find.Buscarque->item(i)->setCheckState(columns && i <= 1 ? Qt::Checked : Qt::Unchecked);
        find.buscar->selectAll();
        QTest::keyClicks(find.buscar, QString::fromLatin1(typed));
        EXPECT_TRUE(find.Resultado->text().isEmpty());
        QTest::keyClick(find.buscar, Qt::Key_Return);
        EXPECT_EQ(find.Resultado->text().toStdString(), said);
    }
    // A kind the network has none of (this one has no transit lines) is said so.
    // Chooses the kind searched as the user does, clicking its radio button.
    const auto searchIn = [&find](int kind) {
        for (QRadioButton* b : find.Buscaren->findChildren<QRadioButton*>())
            if (b->text() == find.Buscaren->Item(kind))
                QTest::mouseClick(b, Qt::LeftButton);
        ASSERT_EQ(find.Buscaren->ItemIndex(), kind);
    };
    searchIn(3);
    QTest::keyClick(find.buscar, Qt::Key_Return);
    EXPECT_EQ(find.Resultado->text().toStdString(), "sf.dat no tiene líneas: no se buscó.");
    searchIn(2);
    // A value typed with a decimal comma finds the cell the grid writes with a point.
    {
        TStringAlignGrid* links = viewer->sagArcos;
        int col = 4;
        while (col < links->ColCount() && links->cell(col, 1).find('.') == std::string::npos)
            ++col;
        ASSERT_LT(col, std::min(links->ColCount(), find.Buscarque->count()));
        const QString cell = QString::fromStdString(links->cell(col, 1)).trimmed();
        for (int i = 0; i < find.Buscarque->count(); ++i)
            find.Buscarque->item(i)->setCheckState(i == col ? Qt::Checked : Qt::Unchecked);
        find.buscar->setText(QString(cell).replace(QLatin1Char('.'), QLatin1Char(',')));
        QTest::keyClick(find.buscar, Qt::Key_Return);
        EXPECT_GT(find.Hits, 0);
    }
    // Another network opened while the window stays up: what it tells names the
    // network it was found in.
    testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    testutil::settle();
    find.buscar->setText(QStringLiteral("1"));
    find.Buscarque->item(0)->setCheckState(Qt::Checked);
    QTest::keyClick(find.buscar, Qt::Key_Return);
    EXPECT_TRUE(find.Resultado->text().endsWith(QStringLiteral(" red.dat."))) << find.Resultado->text().toStdString();
}

// Each inversion of the links selected, and the one back, shows at once the
// selection it leaves: the rows' colours, the list of selected links below and the map.
TEST_F(ListingsGui, InversionsOfTheLinksSelectedShowAtOnce)
{
    viewer->resize(1200, 800);
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    testutil::settle();
    for (const auto& [place, item] : {std::pair{"popup:pupArcos>Selección", "Invierteselccin1"},
                                      std::pair{"popup:pupArcos", "InvierteSeleccin1"}}) {
        for (int32_t i = 1; i <= Network.LinkCount; ++i)
            Arcos[i].Mark = i == 2 ? 3 : 0;
        viewer->RedrawMap();
        for (int pass = 0; pass < 2; ++pass) {
            SCOPED_TRACE(std::string(item) + (pass ? ", back" : ""));
            const QImage before = viewer->img->Picture().copy();
            ASSERT_TRUE(livemenus::Click(viewer, place, item));
            int marked = 0;
            for (int r = 1; r < viewer->sagArcos->RowCount(); ++r) {
                const int32_t i = viewer->Grids().LinkOfRow(r);
                const QColor c = viewer->sagArcos->FontColorCell(0, r);
                EXPECT_EQ(c.isValid() && c != QColor(Qt::black), Arcos[i].Mark > 0) << r;
                marked += Arcos[i].Mark > 0;
            }
            EXPECT_EQ(marked, pass == 0 ? Network.LinkCount - 1 : 1);
            ASSERT_NE(viewer->sagArcosSel, nullptr);
            EXPECT_EQ(viewer->sagArcosSel->RowCount(), marked + 1);
            EXPECT_TRUE(viewer->sagArcosSel->isVisible());
            EXPECT_FALSE(before == viewer->img->Picture()) << "the map shows the links marked now";
        }
    }
}

// Link and movement columns of complementary data coloured on the map, then other
// complementary data read over them, or the files changed on disk and read again
// with the network's text: the choice follows its column's title, into the block
// wherever it is now, and is given up with its legend when the title is gone (it
// would show another variable's values under its name, or none). The grid's sort
// stays.
TEST_F(ListingsGui, ColoursOnLoadedDataFollowTheirColumnsOrGoWithThem)
{
    struct Row {
        const char* name;
        std::vector<const char*> names; // of the data read over the first
        bool madeBefore;                // a formula column made after the first data
        bool reload;                    // the files rewritten, then "Recarga"
        bool kept;
        bool reopen = false; // the network opened again from "Abrir" (its data not read again)
    };
    const Row rows[] = {
        {"the same data again", {"Va", "Vb"}, false, false, true},
        {"other names", {"Vp", "Vq"}, false, false, false},
        {"another order", {"Vb", "Va"}, false, false, true},
        {"fewer columns", {"Vp"}, false, false, false},
        {"moved past a formula column", {"Va", "Vb", "Vx"}, true, false, true},
        {"read again with the text", {"Va", "Vb"}, true, true, true},
        {"changed, read again with the text", {"Vp", "Vq"}, true, true, false},
        {"moved in its file, read again with the text", {"Vb", "Va"}, true, true, true},
        {"the network opened again", {}, true, false, false, true},
    };
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls-junctions.dat"), tmp.file("sf.dat"));
    // Link columns "V..." and movement columns "M..." of the names given.
    const auto write = [&](const std::string& file, const std::vector<const char*>& names, bool movements) {
        std::string text = movements ? "A,B,C" : "A,B";
        for (const char* n : names)
            text += std::string(",") + (movements ? "M" : "V") + (n + 1);
        text += "\r\n";
        for (int32_t i = 1; i <= (movements ? Network.MovementCount : Network.LinkCount); ++i) {
            text += movements ? Format("%d,%d,%d", Movims[i].A, Movims[i].Node, Movims[i].C)
                              : Format("%d,%d", Arcos[i].A, Arcos[i].B);
            for (size_t k = 0; k < names.size(); ++k)
                text += Format(",%d", int(10 * k) + i % 7 + 1);
            text += "\r\n";
        }
        testutil::writeFile(tmp.file(file), text);
    };
    const auto load = [&](const std::vector<const char*>& names) {
        write("enlaces.csv", names, false);
        write("giros.csv", names, true);
        testutil::AnswerFileDialog(viewer, tmp.file("enlaces.csv"));
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aOpenComp"));
        testutil::AnswerFileDialog(viewer, tmp.file("giros.csv"));
        ASSERT_TRUE(livemenus::Click(viewer, "popup:pupMovim", "ImportarColsMovim"));
    };
    viewer->resize(1600, 900);
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("sf.dat")));
        load({"Va", "Vb"});
        // "Mb" shown by a double click on its column of the movement grid, then
        // "Vb" coloured from the colour button's list.
        TStringAlignGrid* movs = viewer->sagMovim;
        viewer->tnDatos->setCurrentWidget(viewer->tsMovim);
        QApplication::processEvents();
        int mb = 0;
        while (mb < movs->ColCount() && movs->cell(mb, 0) != "Mb")
            ++mb;
        const QModelIndex at = movs->model()->index(0, mb);
        movs->scrollTo(at);
        QTest::mouseMove(movs->viewport(), movs->visualRect(at).center());
        QTest::mouseDClick(movs->viewport(), Qt::LeftButton, Qt::NoModifier, movs->visualRect(at).center());
        ASSERT_EQ(UserView().SelectedMovimVars, std::vector<std::string>{std::to_string(mb)});
        testutil::ShiftClickTitle(movs, mb); // the movement grid sorted on it
        ASSERT_EQ(viewer->Grids().SortColMovim, mb);
        // "Mb" also drawn on the links from the movements' own menu.
        QAction* movLinks = livemenus::Find(viewer, "tbMovimLinks");
        emit movLinks->menu()->aboutToShow();
        for (QAction* v : movLinks->menu()->actions())
            if (v->text().endsWith("  Mb"))
                v->trigger();
        ASSERT_EQ(UserView().RangeVarMovim, mb);
        QAction* colores = livemenus::Find(viewer, "tbColores");
        emit colores->menu()->aboutToShow();
        for (QAction* v : colores->menu()->actions())
            if (v->text() == "Vb")
                v->trigger();
        ASSERT_EQ(UserView().RangeName, "Vb");
        // And the cost of least-cost paths.
        for (QAction* v : viewer->Grids().ConfigurarRmin->actions())
            if (v->text() == "Vb")
                v->trigger();
        ASSERT_EQ(KDVlib::CostVar, ColVarArcos[size_t(UserView().RangeVarArcos)]);
        if (row.madeBefore) {
            ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Doble", "A*2"));
            ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), true, {"Fl.Sat"}, "Doble", "A*2"));
        }

        viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
        QApplication::processEvents();
        testutil::ShiftClickTitle(viewer->sagArcos, 0);
        testutil::ShiftClickTitle(viewer->sagArcos, 0);
        const std::string sorted = testutil::ColumnShown(viewer->sagArcos, 3);

        if (row.reload) {
            write("enlaces.csv", row.names, false);
            write("giros.csv", row.names, true);
            if (!FrmDat->isVisible()) {
                ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
            }
            FrmDat->findChild<QToolButton*>("tbReload")->click();
        } else if (row.reopen) {
            testutil::AnswerFileDialog(viewer, tmp.file("sf.dat"));
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
        } else {
            load(row.names);
        }
        livemenus::Find(viewer, "aRedibujar")->trigger();
        testutil::settle();
        if (!row.reopen) {
            EXPECT_EQ(testutil::ColumnShown(viewer->sagArcos, 3), sorted);
        }
        EXPECT_EQ(UserView().RangeName, row.kept ? "Vb" : "null");
        EXPECT_EQ(viewer->Down(Cmd::tbColores), row.kept);
        EXPECT_EQ(viewer->sym->isVisible(), row.kept);
        EXPECT_EQ(UserView().SelectedMovimVars.size(), row.kept ? 1u : 0u);
        // The movement grid sorted on "Mb" still, or not sorted at all.
        const int32_t sortedOn = viewer->Grids().SortColMovim;
        EXPECT_EQ(sortedOn >= 0 ? movs->cell(sortedOn, 0) : std::string(), row.kept ? "Mb" : "");
        if (row.kept && sortedOn >= 0) {
            std::vector<double> shown;
            for (int r = 1; r < movs->RowCount(); ++r)
                shown.push_back(std::stod(movs->cell(sortedOn, r)));
            EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()) || std::is_sorted(shown.rbegin(), shown.rend()));
        }
        // The variable menus laid out again tick the variables still shown, and none gone.
        for (auto [button, title] : {std::pair{"tbColores", "Vb"}, std::pair{"tbMovimLinks", "Mb"}}) {
            QMenu* menu = livemenus::Find(viewer, button)->menu();
            emit menu->aboutToShow();
            QStringList ticked;
            for (QAction* v : menu->actions())
                if (v->isChecked())
                    ticked << v->text().split(' ', Qt::SkipEmptyParts).last();
            EXPECT_EQ(ticked.join('|').toStdString(), row.kept ? title : "") << button;
        }
        // The cost chosen follows its column too, also when the network is read again.
        EXPECT_EQ(KDVlib::CostVar, row.kept ? ColVarArcos[size_t(UserView().RangeVarArcos)] : 7);
        EXPECT_EQ(livemenus::Find(viewer, "ConfigurarRminItem")->text(),
                  QString(row.kept ? "Configurar (Vb)" : "Configurar (Long)"));
        if (row.kept) {
            EXPECT_EQ(viewer->sagArcos->cell(UserView().RangeVarArcos, 0), "Vb");
            EXPECT_EQ(movs->cell(std::stoi(UserView().SelectedMovimVars[0]), 0), "Mb");
        }
    }
}
