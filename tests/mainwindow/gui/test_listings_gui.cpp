// Listings in the main window: the companion assignment listing read with the
// network, a listing and a counts file opened on their own; the zoning dialogs.
#include "mainwindow/Aptta.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "model/PalvonVars.h"
#include "map/Ranges.h"
#include "analysis/gui/DlgFormula.h"
#include "support/CsvRows.h"
#include "support/FileDialogAnswer.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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
    testutil::writeFile(tmp.file("red.lpa"), "NADA QUE LEER\r\n");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    EXPECT_FALSE(viewer->windowTitle().contains("red.lpa")) << viewer->windowTitle().toStdString();
    EXPECT_TRUE(viewer->windowTitle().endsWith("red.dat")) << viewer->windowTitle().toStdString();
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

std::string LinkKey(int32_t a, int32_t b) { return Format("%d-%d", a, b); }

// The key a grid row shows (node columns 0, 1 and, for a movement, 2).
std::string RowKey(const std::vector<std::string>& cells, bool movement)
{
    return movement ? cells[0] + "-" + cells[1] + "-" + cells[2] : cells[0] + "-" + cells[1];
}

// A counts file read as its layout says: after "&END", blank-separated link lines
// (A B count) and movement lines (A B C count).
void ParseCounts(const std::string& text, KeyValues& links, KeyValues& movements)
{
    std::istringstream in(text);
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (!data) {
            data = ZelUtils::Trim(line) == "&END";
            continue;
        }
        std::istringstream f(line);
        std::vector<std::string> w{std::istream_iterator<std::string>(f), std::istream_iterator<std::string>()};
        if (w.size() == 3)
            links[w[0] + "-" + w[1]] = std::stod(w[2]);
        else if (w.size() == 4)
            movements[w[0] + "-" + w[1] + "-" + w[2]] = std::stod(w[3]);
    }
}

} // namespace

// Every loader writes each value on the row of its own link (movement) and under
// its own title, however the user sorted the grids or dragged a title first, and
// "Exportar datos" writes the grid as shown. Sioux Falls without movements (with
// its counts file) and with its junctions.
TEST_F(ListingsGui, EveryLoaderWritesOnItsOwnRowAndColumnWhateverTheArrangement)
{
    const std::string real = "/work/shared/data/real/";
    struct Arrangement {
        const char* name;
        int sortClicks; // Shift+clicks on the "NodoB" titles: 1 ascending, 2 descending
        bool drag;      // a title dragged far to the right
    };
    const Arrangement arrangements[] = {
        {"as opened", 0, false}, {"ascending", 1, false}, {"descending", 2, false},
        {"dragged", 0, true},    {"descending and dragged", 2, true},
    };
    for (const char* network : {"siouxfalls.dat", "siouxfalls-junctions.dat"})
        for (const Arrangement& arr : arrangements) {
            SCOPED_TRACE(std::string(network) + ", " + arr.name);
            std::filesystem::copy_file(real + network, tmp.file("sf.dat"),
                                       std::filesystem::copy_options::overwrite_existing);
            std::filesystem::permissions(tmp.file("sf.dat"), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
            ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("sf.dat")));
            const bool movements = Network.MovementCount > 0;
            viewer->resize(1600, 900);
            viewer->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
            TStringAlignGrid* links = viewer->sagArcos;
            TStringAlignGrid* movs = viewer->sagMovim;

            // The arrangement, with the mouse on the titles.
            auto titleClick = [&](QWidget* page, TStringAlignGrid* g, int col) {
                viewer->tnDatos->setCurrentWidget(page);
                QApplication::processEvents();
                QHeaderView* h = g->horizontalHeader();
                QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                                  QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, h->height() / 2));
                QApplication::processEvents();
            };
            for (int k = 0; k < arr.sortClicks; ++k) {
                titleClick(viewer->tsArcos, links, 1);
                if (movements)
                    titleClick(viewer->tsMovim, movs, 1);
            }
            viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
            QApplication::processEvents();
            if (arr.drag) {
                // The "Conteo" title dropped on the leftmost value title in sight:
                // every column between moves on screen.
                int counted = -1;
                for (int c = 0; c < links->ColCount(); ++c)
                    if (links->cell(c, 0) == "Conteo")
                        counted = c;
                ASSERT_GE(counted, 4);
                links->scrollTo(links->model()->index(0, counted), QAbstractItemView::PositionAtCenter);
                QApplication::processEvents();
                QHeaderView* h = links->horizontalHeader();
                int first = 4;
                while (h->sectionViewportPosition(links->ColAtPosition(first)) < 0)
                    ++first;
                ASSERT_LT(first, counted);
                const int target = links->ColAtPosition(first);
                const QPoint from(h->sectionViewportPosition(counted) + h->sectionSize(counted) / 2, h->height() / 2);
                const QPoint to(h->sectionViewportPosition(target) + 3, h->height() / 2);
                QTest::mousePress(h->viewport(), Qt::LeftButton, Qt::NoModifier, from);
                for (int i = 1; i <= 20; ++i)
                    QTest::mouseMove(h->viewport(), from + (to - from) * i / 20);
                QTest::mouseRelease(h->viewport(), Qt::LeftButton, Qt::NoModifier, to);
                ASSERT_EQ(links->ColAtPosition(first), counted) << "the title moved";
            }

            // Each row's value under `title` is its key's value (0 for a key the file lacks).
            auto check = [&](TStringAlignGrid* g, const std::string& title, const KeyValues& expected,
                             const std::string& loader) {
                SCOPED_TRACE(loader + ": " + title);
                const bool movement = g == movs;
                int col = -1;
                for (int c = 0; c < g->ColCount(); ++c)
                    if (g->cell(c, 0) == title)
                        col = c;
                ASSERT_GE(col, 0);
                int found = 0;
                for (int r = 1; r < g->RowCount(); ++r) {
                    const std::string key = RowKey({g->cell(0, r), g->cell(1, r), g->cell(2, r)}, movement);
                    const auto it = expected.find(key);
                    found += it != expected.end();
                    ASSERT_NEAR(ZelUtils::ParseReal(g->cell(col, r)), it == expected.end() ? 0.0 : it->second, 0.006)
                        << "row " << r << " (" << key << ")";
                }
                EXPECT_EQ(found, static_cast<int>(expected.size()));
            };
            auto answerAndClick = [&](const std::string& file, const QString& place, const QString& name) {
                testutil::AnswerFileDialog(viewer, tmp.file(file));
                ASSERT_TRUE(livemenus::Click(viewer, place, name));
                QApplication::processEvents();
            };

            // Values unique per link, unlike the record order.
            KeyValues flows, simulated, comp, imported, doubled, movComp;
            std::string lpa = " LISTING OF THE FLOWS ON CHANNEL\r\n", lpl = "     LINK       FLOW\r\n";
            std::string compText = "A,B,Calle,Vcomp\r\n", importText = "A;B;Vimp\r\n";
            std::map<std::string, std::string> streets;
            for (int32_t i = 1; i <= Network.LinkCount; ++i) {
                const TArcos& a = Arcos[i];
                const std::string key = LinkKey(a.A, a.B);
                flows[key] = 100.0 * a.A + a.B;
                lpa += Format("%6d%6d      %10.2f%10.2f%10.2f%10.2f%10.2f\r\n", a.A, a.B, 0.0, 0.0, 1.0, flows[key],
                              0.0);
                simulated[key] = 3.0 * a.B + 0.5 * a.A;
                std::string line(80, ' ');
                line.replace(1, 10, Format("%5d%5d", a.A, a.B));
                line[12] = 'S';
                line.replace(27, 7, Format("%7.1f", simulated[key]));
                lpl += line + "\r\n";
                comp[key] = a.A * 7.0 - a.B;
                streets[key] = Format("CALLE %d, \"%d\"", a.A, a.B);
                compText += Format("%d,%d,\"CALLE %d, \"\"%d\"\"\",%.2f\r\n", a.A, a.B, a.A, a.B, comp[key]);
                imported[key] = a.B * 11.0 + a.A;
                doubled[key] = 2.0 * imported[key];
                importText += Format("%d;%d;%.2f\r\n", a.A, a.B, imported[key]);
            }
            lpa += " LISTING OF DISAGGREGATED FLOWS\r\n";
            lpl += " N.B.\r\n";
            std::string counts = testutil::readFile(real + "siouxfalls-counts.dat");
            std::string movText = "A,B,C,Vmov\r\n";
            for (int32_t m = 1; m <= Network.MovementCount; ++m) {
                const TMovimiento& mv = Movims[m];
                const std::string key = Format("%d-%d-%d", mv.A, mv.Node, mv.C);
                movComp[key] = mv.A * 13.0 + mv.C;
                movText += Format("%d,%d,%d,%.2f\r\n", mv.A, mv.Node, mv.C, movComp[key]);
                counts += Format("%5d%5d%5d%5d\r\n", mv.A, mv.Node, mv.C, 10 * mv.C + mv.A);
            }
            KeyValues linkCounts, movCounts;
            ParseCounts(counts, linkCounts, movCounts);
            for (const auto& [file, text] : {std::pair{"r.lpa", lpa}, std::pair{"r.lpl", lpl},
                                             std::pair{"r.cnt", counts}, std::pair{"comp.csv", compText},
                                             std::pair{"imp.csv", importText}, std::pair{"mov.csv", movText}})
                testutil::writeFile(tmp.file(file), text);

            answerAndClick("r.lpa", "menu:Archivo>Abrir", "aOpenLPA");
            check(links, "F.Asig", flows, "listado LPA");
            answerAndClick("r.lpl", "menu:Archivo>Abrir", "aOpenLPL");
            check(links, "Flow", simulated, "listado LPL");
            answerAndClick("r.cnt", "menu:Archivo>Abrir", "aOpenCnt");
            check(links, "Conteo", linkCounts, "conteos");
            if (movements)
                check(movs, "Conteo", movCounts, "conteos");
            answerAndClick("comp.csv", "menu:Archivo>Abrir", "aOpenComp");
            check(links, "Vcomp", comp, "datos complementarios");
            // The street names, quoted in the file, byte for byte on their rows.
            int calle = -1;
            for (int c = 0; c < links->ColCount(); ++c)
                if (links->cell(c, 0) == "Calle")
                    calle = c;
            ASSERT_GE(calle, 0);
            for (int r = 1; r < links->RowCount(); ++r)
                ASSERT_EQ(links->cell(calle, r), streets[LinkKey(std::stoi(links->cell(0, r)), std::stoi(links->cell(1, r)))]);
            answerAndClick("imp.csv", "popup:pupArcos", "ImportarColsArcos");
            check(links, "Vimp", imported, "Importar columnas");
            if (movements) {
                answerAndClick("mov.csv", "popup:pupMovim", "ImportarColsMovim");
                check(movs, "Vmov", movComp, "datos complementarios de movimientos");
            }
            TDlgFormula* formula = &Secondary::DlgFormula();
            formula->RunFieldChoice = [](TDualListDialog& d) {
                for (int i = 0; i < d.Count(1); ++i)
                    if (d.Text(1, i) == "Vimp")
                        d.Move(1, {i});
                return true;
            };
            QTimer::singleShot(0, [formula] {
                formula->teVar->setText("Doble");
                formula->teForm->setText("A*2");
                formula->btnOk->click();
            });
            ASSERT_TRUE(livemenus::Click(viewer, "popup:pupArcos", "Crearcolumna1"));
            check(links, "Doble", doubled, "columna de fórmula");

            // "Exportar datos" over each grid: the titles and rows as shown, read back
            // by python's csv; each loaded value still beside its own key.
            QTest::mouseMove(links->viewport(), QPoint(20, 20));
            QApplication::processEvents();
            struct Exported {
                TStringAlignGrid* grid;
                QString place, item;
                std::vector<std::pair<std::string, const KeyValues*>> columns;
            };
            std::vector<Exported> exports = {
                {links, "popup:pupArcos", "ExportarArcos",
                 {{"F.Asig", &flows}, {"Flow", &simulated}, {"Conteo", &linkCounts}, {"Vimp", &imported},
                  {"Doble", &doubled}}}};
            if (movements)
                exports.push_back({movs, "popup:pupMovim", "ExportarDatos5", {{"Conteo", &movCounts}, {"Vmov", &movComp}}});
            for (const Exported& e : exports) {
                if (e.grid == links)
                    emit viewer->pupArcos->aboutToShow();
                answerAndClick("salida.csv", e.place, e.item);
                if (e.grid == links)
                    emit viewer->pupArcos->aboutToHide();
                if (e.grid == links)
                    std::filesystem::copy_file(tmp.file("salida.csv"), tmp.file("vuelta.csv"),
                                               std::filesystem::copy_options::overwrite_existing);
                const auto rows = testutil::CsvRows(tmp.file("salida.csv"));
                ASSERT_EQ(static_cast<int>(rows.size()), e.grid->RowCount());
                for (int r = 0; r < e.grid->RowCount(); ++r) {
                    std::vector<std::string> shown;
                    for (int p = 0; p < e.grid->ColCount(); ++p)
                        shown.push_back(e.grid->cell(e.grid->ColAtPosition(p), r));
                    shown.emplace_back(); // after the last separator
                    ASSERT_EQ(rows[static_cast<size_t>(r)], shown) << "row " << r;
                }
                for (const auto& [title, expected] : e.columns) {
                    const auto at = std::find(rows[0].begin(), rows[0].end(), title) - rows[0].begin();
                    ASSERT_LT(static_cast<size_t>(at), rows[0].size()) << title;
                    for (size_t r = 1; r < rows.size(); ++r) {
                        const std::string key = RowKey(rows[r], e.grid == movs);
                        const auto it = expected->find(key);
                        ASSERT_NEAR(std::stod(rows[r][static_cast<size_t>(at)]),
                                    it == expected->end() ? 0.0 : it->second, 0.006)
                            << title << " " << key;
                    }
                }
            }
            // The street names exported, then read back as complementary data (its
            // values past the fortieth left, as a message says): byte for byte.
            for (int32_t i = 1; i <= Network.LinkCount; ++i)
                Arcos[i].StreetName.clear();
            {
                RecordingServices said;
                viewer->Files().OpenComplementaryFile(tmp.file("vuelta.csv"));
                EXPECT_FALSE(said.anyMessageContains("no numéricos"));
            }
            for (int32_t i = 1; i <= Network.LinkCount; ++i)
                ASSERT_EQ(ZelUtils::Trim(Arcos[i].StreetName), streets[LinkKey(Arcos[i].A, Arcos[i].B)]);
        }
}
