// Selection commands of the grids' menus (nodes, zones, lines, link marks and hidden
// links), the nodes and links inside user polygons, and the data-file openers.
#include "mainwindow/DlgCfg.h"
#include "widgets/DualListDialog.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/Polygons.h"
#include "map/Ranges.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/SelectionFiles.h"
#include "model/ZelUtils.h"
#include "support/CsvRows.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/GridsNetwork.h"
#include "support/GuiTestUtil.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

class SelCommands : public GridsViewerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::ReadGridsData(tmp));
        Ranges::SetDefaults();
        DisplayStyles::SetDefaultClassStyles();
        OpenViewer([](TPalvonViewer& v) { DlgCfg = new TDlgCfg(&v); });
        w->Grids().ConfigureGrids();
        w->Grids().DrawDataDat();
        // What the window's opening does once the network is read: its commands shown and enabled.
        w->EnableAfterOpen();
        CurrentClass = 2;
    }
    void TearDown() override
    {
        NumPoligonos = 0;
        GridsViewerFixture::TearDown();
    }
    // Runs a command that shows the two-list dialog; `act` works it, then accepts.
    void WithDialog(void (TSelectionController::*command)(), const std::function<void(TDualListDialog*)>& act)
    {
        QTimer::singleShot(0, [&] {
            act(w->Selection().dld);
            w->Selection().dld->accept();
        });
        (w->Selection().*command)();
    }
    static int32_t Node(int32_t number) { return KDVlib::FindNodo(number); }
};

TEST_F(SelCommands, NodeSelectionFilesAndPolygonsBeside)
{
    Nodos[Node(2)].Mark = 3;
    Nodos[Node(200)].Mark = 1;
    const std::string out = tmp.file("nodos.sel");
    ASSERT_TRUE(w->Selection().ExportaSeleccionNodos(out));
    EXPECT_EQ(testutil::readFile(out), "         2\r\n       200\r\n"); // marks are not written

    // Import: a second column gives the class, one column the current class; a
    // missing node is reported and the rest still read. A polygon file of the same
    // name comes along.
    livemenus::Click(w.get(), "popup:pupNodos", "AnulaSeleccin1");
    const std::string in = tmp.file("leidos.sel");
    std::filesystem::copy_file(testutil::dataPath("selc_nodes.sel"), in);
    testutil::writeFile(tmp.file("leidos.plg"), "1;Plg;3;0;0;0;0;1000;1000;1100;1000;1100;1100\r\n");
    w->Selection().ChooseSelFile = [&](const QString& title, bool save) {
        EXPECT_FALSE(save);
        EXPECT_EQ(title, QStringLiteral("Importar selección ..."));
        return in;
    };
    livemenus::Click(w.get(), "popup:pupNodos", "ImportaSeleccin2");
    EXPECT_EQ(Nodos[Node(100)].Mark, 3);
    EXPECT_EQ(Nodos[Node(2)].Mark, 2);
    EXPECT_EQ(Nodos[Node(7)].Mark, 1); // class 45 has no colour: class 1
    EXPECT_EQ(Nodos[Node(200)].Mark, 0);
    EXPECT_EQ(ui->messages, std::vector<std::string>{"Nodo 99999 no encontrado"});
    EXPECT_EQ(w->Selection().SelFileName, in);
    EXPECT_EQ(NumPoligonos, 1);
    EXPECT_EQ(w->sagNodos->FontColorCell(0, Node(100)), DisplayStyles::ToQColor(UserView().ClassColors[3]));
    // A selection of links chosen here (node B would be read as a class) is
    // refused whole, and the polygons beside it stay where they are.
    testutil::writeFile(tmp.file("arcos.sel"), SelectionFiles::SelectionLine(2, 100, 4) + SelectionFiles::SelectionLine(7, 200, 4));
    testutil::writeFile(tmp.file("arcos.plg"), "1;Otro;3;0;0;0;0;1000;1000;1100;1000;1100;1100\r\n");
    w->Selection().ChooseSelFile = [&](const QString&, bool) { return tmp.file("arcos.sel"); };
    ui->messages.clear();
    livemenus::Click(w.get(), "popup:pupNodos", "ImportaSeleccin2");
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("no es una selección de nodos"), std::string::npos) << ui->messages[0];
    EXPECT_EQ(w->Selection().SelFileName, in); // the next export does not offer to write over it
    EXPECT_EQ(Nodos[Node(2)].Mark, 2);
    EXPECT_EQ(Nodos[Node(7)].Mark, 1);
    EXPECT_EQ(Poligonos[0].Name, "Plg");
    ui->messages.clear();
    // Polygons beside that do not fit (one vertex past a polygon's room): the
    // selection is read, the polygons shown stay under their file's name.
    std::string big = "1;Grande;2701;0;0;0;0";
    for (int k = 0; k < 2701; ++k)
        big += ZelUtils::Format(";%d;%d", k, k % 2);
    testutil::writeFile(tmp.file("grande.plg"), big + "\r\n");
    std::filesystem::copy_file(in, tmp.file("grande.sel"));
    w->Selection().ChooseSelFile = [&](const QString&, bool) { return tmp.file("grande.sel"); };
    ui->messages.clear();
    livemenus::Click(w.get(), "popup:pupNodos", "ImportaSeleccin2");
    EXPECT_EQ(w->Selection().SelFileName, tmp.file("grande.sel"));
    EXPECT_EQ(NumPoligonos, 1);
    EXPECT_EQ(Poligonos[0].Name, "Plg");
    EXPECT_EQ(w->Polygons().PolygonFileName, tmp.file("leidos.plg"));
    EXPECT_TRUE(ui->anyMessageContains("2701 v\u00e9rtices")) << ui->messages.size();
    // The polygon reshaped and in no file: the polygons beside are asked about
    // first, and "Cancelar" keeps the reshaped one; the selection is read all the same.
    Poligonos[0].Points[1].x += 5;
    w->Selection().ChooseSelFile = [&](const QString&, bool) { return in; };
    livemenus::Click(w.get(), "popup:pupNodos", "AnulaSeleccin1");
    QString asked;
    QPointer<QTimer> watch = testutil::AnswerNextBox(w.get(), QMessageBox::Cancel, asked);
    livemenus::Click(w.get(), "popup:pupNodos", "ImportaSeleccin2");
    delete watch.data();
    EXPECT_EQ(asked, QStringLiteral("Hay cambios sin grabar en los pol\u00edgonos.\n\u00bf Desea grabarlos ahora ?"));
    EXPECT_EQ(Poligonos[0].Points[1].x, 1005.0);
    EXPECT_EQ(Nodos[Node(100)].Mark, 3);

    // Nodes by node offers only unmarked nodes; nothing offered ends the command.
    int offered = 0;
    WithDialog(&TSelectionController::SelecccinporArco1Click, [&](TDualListDialog* d) {
        offered = d->Count(1);
        d->MoveAll(1);
    });
    EXPECT_EQ(offered, Network.NodeCount - 3);
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        EXPECT_GT(Nodos[n].Mark, 0);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (w->Selection().dld->isVisible()) {
            shown = true;
            w->Selection().dld->reject();
        }
    });
    ui->messages.clear();
    livemenus::Click(w.get(), "popup:pupNodos", "SelecccinporArco1");
    QTest::qWait(1);
    EXPECT_FALSE(shown);
    ASSERT_EQ(ui->messages.size(), 1u); // said, not a menu item that does nothing
    EXPECT_NE(ui->messages[0].find("No hay nodos que ofrecer"), std::string::npos) << ui->messages[0];
}

TEST_F(SelCommands, ZoneSelectionFiles)
{
    Zonas[KDVlib::FindZona(13)].Class = 4;
    const std::string out = tmp.file("zonas.sel");
    ASSERT_TRUE(w->Selection().ExportaSeleccionZonas(out));
    EXPECT_EQ(testutil::readFile(out), "        13    4\r\n");

    w->Selection().ImportaSeleccionZonas(testutil::dataPath("selc_zones.sel"));
    EXPECT_EQ(Zonas[KDVlib::FindZona(12)].Class, 2);
    EXPECT_EQ(Zonas[KDVlib::FindZona(13)].Class, 0); // no mark on its line
    EXPECT_EQ(Zonas[KDVlib::FindZona(14)].Class, 1);
    EXPECT_EQ(ui->messages, std::vector<std::string>{"Zona 77 no encontrada"});
    // A line whose number is no number (a decimal comma, a list separated by
    // commas) is named as written, not as a zone 0 the file does not hold. The
    // grid sorted the other way first: each class colours its own zone's row.
    w->sagZonas->SortColumn(0, true);
    ui->messages.clear();
    testutil::writeFile(tmp.file("comas.sel"), "12,2\r\n        14    3\r\n99999999999999999999 1\r\n");
    w->Selection().ChooseSelFile = [&](const QString&, bool) { return tmp.file("comas.sel"); };
    ASSERT_TRUE(livemenus::Click(w.get(), "popup:pupZonas", "ImportaSeleccin4"));
    EXPECT_EQ(ui->messages, std::vector<std::string>{"\"12,2\" no es un número de zona\r"
                                                     "\"99999999999999999999 1\" no es un número de zona"});
    EXPECT_EQ(Zonas[KDVlib::FindZona(14)].Class, 3);
    EXPECT_EQ(Zonas[KDVlib::FindZona(12)].Class, 2);
    for (const int32_t zone : {12, 13, 14}) {
        const int32_t z = KDVlib::FindZona(zone);
        const int32_t c = Zonas[z].Class;
        EXPECT_EQ(w->sagZonas->FontColorCell(0, w->sagZonas->RowOfRecord(z)),
                  c > 0 ? DisplayStyles::ToQColor(UserView().ClassColors[size_t(c)]) : QColor(Qt::black))
            << zone;
    }
    // A list without classes (one of nodes) or a selection of links (node A read
    // as a zone, node B as its class) is no zone selection: refused whole.
    testutil::writeFile(tmp.file("nodos.sel"), "        12\r\n        14\r\n");
    testutil::writeFile(tmp.file("arcos.sel"), SelectionFiles::SelectionLine(12, 14, 4) + SelectionFiles::SelectionLine(14, 12, 4));
    const std::string selFile = w->Selection().SelFileName;
    for (const char* other : {"nodos.sel", "arcos.sel"}) {
        ui->messages.clear();
        w->Selection().ChooseSelFile = [&](const QString&, bool) { return tmp.file(other); };
        ASSERT_TRUE(livemenus::Click(w.get(), "popup:pupZonas", "ImportaSeleccin4"));
        ASSERT_EQ(ui->messages.size(), 1u) << other;
        EXPECT_EQ(w->Selection().SelFileName, selFile);
        EXPECT_NE(ui->messages[0].find("no es una selección de zonas"), std::string::npos) << ui->messages[0];
        EXPECT_EQ(Zonas[KDVlib::FindZona(12)].Class, 2);
        EXPECT_EQ(Zonas[KDVlib::FindZona(14)].Class, 3);
    }
    // A name after each zone and its class (a list kept in a spreadsheet) is read.
    testutil::writeFile(tmp.file("nombres.sel"), "12\t4\tCentro\r\n14\t1\tNorte Sur\r\n");
    ui->messages.clear();
    w->Selection().ChooseSelFile = [&](const QString&, bool) { return tmp.file("nombres.sel"); };
    ASSERT_TRUE(livemenus::Click(w.get(), "popup:pupZonas", "ImportaSeleccin4"));
    EXPECT_TRUE(ui->messages.empty()) << ui->messages.front();
    EXPECT_EQ(Zonas[KDVlib::FindZona(12)].Class, 4);
    EXPECT_EQ(w->Selection().SelFileName, tmp.file("nombres.sel"));
    Zonas[KDVlib::FindZona(12)].Class = 2;
    Zonas[KDVlib::FindZona(14)].Class = 1;

    // Zones by zone: a zone moved back to the source list keeps its mark; a marked
    // zone left chosen keeps its class.
    Zonas[KDVlib::FindZona(14)].Class = 1;
    WithDialog(&TSelectionController::SeleccinporZona1Click, [](TDualListDialog* d) {
        ASSERT_EQ(d->Count(2), 2);
        d->MoveAll(1);
        for (int k = 0; k < d->Count(2); ++k)
            if (d->Text(2, k).trimmed() == QStringLiteral("12"))
                d->Move(2, {k});
    });
    EXPECT_EQ(Zonas[KDVlib::FindZona(12)].Class, 2);
    EXPECT_EQ(Zonas[KDVlib::FindZona(13)].Class, 2);
    EXPECT_EQ(Zonas[KDVlib::FindZona(14)].Class, 1);
}

TEST_F(SelCommands, LinkMarksInversionsAndHiddenLinks)
{
    ASSERT_GE(Network.LinkCount, 3);
    Arcos[1].Mark = 5;
    Arcos[2].Mark = -1;
    livemenus::Click(w.get(), "popup:pupArcos>Selección", "Invierteselccin1");
    EXPECT_EQ(Arcos[1].Mark, 0);
    EXPECT_EQ(Arcos[2].Mark, 2);
    EXPECT_EQ(Arcos[3].Mark, 2);
    Arcos[1].Mark = 5;
    Arcos[2].Mark = 0;
    Arcos[3].Mark = -1;
    ASSERT_TRUE(livemenus::Click(w.get(), "popup:pupArcos", "InvierteSeleccin1"));
    EXPECT_EQ(Arcos[1].Mark, 0);
    EXPECT_EQ(Arcos[2].Mark, 1);
    EXPECT_EQ(Arcos[3].Mark, 0);

    DatDir = "/redes/";
    DatFileName = "base.dat";
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Mark = 0;
    EXPECT_EQ(w->Selection().MarcarNoDibujar(), 0);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("/redes/base.dat"));
    Arcos[2].Mark = 1;
    Arcos[3].Mark = 4;
    EXPECT_EQ(w->Selection().MarcarNoDibujar(), 2);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("/redes/base.dat    [2 arcos ocultos]"));
    EXPECT_FALSE(Arcos[2].Active);
    EXPECT_TRUE(Arcos[1].Active);
    livemenus::Click(w.get(), "popup:pupArcos>Selección", "AnularMarcas1");
    EXPECT_TRUE(Arcos[2].Active && Arcos[3].Active);
    EXPECT_EQ(Arcos[3].Mark, 4);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("/redes/base.dat"));

    // The block selected in the grid takes the current class and is listed below.
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Mark = 0;
    w->sagArcos->SetSelection({0, 1, 4, 2});
    // Over the link grid, its menu offers the item once a block of rows is selected.
    w->Grids().LinkGridMouseOver = true;
    emit w->pupArcos->aboutToShow();
    ASSERT_TRUE(livemenus::Click(w.get(), "popup:pupArcos", "SeleccionGrilla"));
    EXPECT_EQ(Arcos[w->Grids().LinkOfRow(1)].Mark, 2);
    EXPECT_EQ(Arcos[w->Grids().LinkOfRow(2)].Mark, 2);
    EXPECT_EQ(w->sagArcos->Selection(), (TGridRect{4, 2, 4, 2}));
    ASSERT_NE(w->sagArcosSel, nullptr);
    EXPECT_EQ(w->sagArcosSel->RowCount(), 3);
    EXPECT_TRUE(livemenus::Find(w.get(), "VerSeleccion")->isChecked());
}

TEST_F(SelCommands, LinesByGroupFollowTheGridRows)
{
    ASSERT_EQ(Network.LineCount, 2);
    Lineas[2].Group = Lineas[1].Group + 1;
    livemenus::Click(w.get(), "popup:pupLineas", "Anulaseleccin2");
    EXPECT_FALSE(Lineas[1].Visible || Lineas[2].Visible);
    // The grid sorted: row 1 shows line 2 and row 2 line 1.
    for (int c = 0; c < w->sagLineas->ColCount(); ++c) {
        const std::string a = w->sagLineas->cell(c, 1), b = w->sagLineas->cell(c, 2);
        w->sagLineas->setCell(c, 1, b);
        w->sagLineas->setCell(c, 2, a);
    }
    const QString group = QString::number(Lineas[1].Group);
    WithDialog(&TSelectionController::SeleccionPorGrupoClick, [&](TDualListDialog* d) {
        for (int k = 0; k < d->Count(1); ++k)
            if (d->Text(1, k) == group)
                d->Move(1, {k});
    });
    EXPECT_TRUE(Lineas[1].Visible);
    EXPECT_FALSE(Lineas[2].Visible);
    EXPECT_EQ(w->sagLineas->FontColorCell(1, 2), DisplayStyles::ToQColor(clRed));
    EXPECT_NE(w->sagLineas->FontColorCell(1, 1), DisplayStyles::ToQColor(clRed));

    // By name: listed as the grid shows them, a name in Windows-1252 too.
    Lineas[1].Name = "\xD1U";
    livemenus::Click(w.get(), "popup:pupLineas", "Anulaseleccin2");
    WithDialog(&TSelectionController::SeleccionPorLineaClick, [&](TDualListDialog* d) {
        for (int k = 0; k < d->Count(1); ++k)
            if (d->Text(1, k) == QString::fromUtf8("ÑU"))
                d->Move(1, {k});
    });
    EXPECT_TRUE(Lineas[1].Visible);
    EXPECT_FALSE(Lineas[2].Visible);
}

TEST_F(SelCommands, NodesAndLinksInsideUserPolygons)
{
    auto polygon = [](int p, const char* name, bool active, std::vector<TPoint> pts) {
        TPoligono& g = Poligonos[static_cast<size_t>(p)];
        g = TPoligono();
        g.Name = name;
        g.Visible = active ? 1 : 0;
        g.PointCount = static_cast<int32_t>(pts.size());
        g.Points = {TPoint{0, 0}};
        g.Points.insert(g.Points.end(), pts.begin(), pts.end());
    };
    polygon(0, "Norte, \"centro\"", true, {{1050, 950}, {1250, 950}, {1250, 1350}, {1050, 1350}});
    polygon(1, "Apagado", false, {{0, 0}, {5000, 0}, {5000, 5000}});
    polygon(2, "Sur", true, {{1150, 750}, {1450, 750}, {1450, 1050}, {1150, 1050}});
    NumPoligonos = 3;
    w->Polygons().PolygonFileName = tmp.file("areas.plg");
    ASSERT_TRUE(w->Selection().SelectByUserPolygons(false));
    // A name holding a comma or a quote is quoted: every line keeps its two fields.
    EXPECT_EQ(testutil::readFile(tmp.file("areas_n.csv")),
              "2,\"Norte, \"\"centro\"\"\"\r\n100,\"Norte, \"\"centro\"\"\"\r\n3,Sur\r\n7,Sur\r\n100,Sur\r\n200,Sur\r\n");
    const auto nodeRows = testutil::CsvRows(tmp.file("areas_n.csv"));
    ASSERT_EQ(nodeRows.size(), 6u);
    for (const auto& row : nodeRows)
        EXPECT_EQ(row.size(), 2u);
    EXPECT_EQ(nodeRows[0][1], "Norte, \"centro\"");
    // Marks: those of the last polygon only.
    EXPECT_EQ(Nodos[Node(2)].Mark, 0);
    EXPECT_EQ(Nodos[Node(200)].Mark, 1);

    // Links: both ends inside (2-100 has only one end in "Sur"); inactive polygons give nothing.
    ASSERT_TRUE(w->Selection().SelectByUserPolygons(true));
    const auto linkRows = testutil::CsvRows(tmp.file("areas_a.csv"));
    const std::vector<std::vector<std::string>> links = {{"2", "100", "Norte, \"centro\""}, {"3", "100", "Sur"},
                                                         {"7", "100", "Sur"},  {"7", "200", "Sur"},
                                                         {"100", "7", "Sur"},  {"100", "200", "Sur"}};
    EXPECT_EQ(linkRows, links);
    EXPECT_EQ(Arcos[KDVlib::FindArco(2, 100)].Mark, 0);
    EXPECT_EQ(Arcos[KDVlib::FindArco(100, 200)].Mark, 1);

    // A list there (the user may have edited it) is replaced only on a yes to one
    // question naming it; "No" writes nothing and says nothing more.
    testutil::writeFile(tmp.file("areas_n.csv"), "del usuario");
    for (const bool yes : {false, true}) {
        RecordingServices ui;
        ui.answerYes = yes;
        livemenus::Find(w.get(), "Seleccionarnodos1")->trigger();
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find(tmp.file("areas_n.csv")), std::string::npos) << ui.questions[0];
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(testutil::CsvRows(tmp.file("areas_n.csv")).size(), yes ? 6u : 1u);
    }

    // A write refused after the question (the name taken by a folder meanwhile, as a
    // full disk refuses it) leaves the marks as they were, and says so once.
    {
        struct TakenOnYes : RecordingServices {
            std::string target;
            bool AskYesNo(const std::string& text) override
            {
                std::filesystem::remove(target);
                std::filesystem::create_directory(target);
                return RecordingServices::AskYesNo(text);
            }
        } ui;
        ui.answerYes = true;
        ui.target = tmp.file("areas_n.csv");
        Nodos[Node(2)].Mark = 1;
        Nodos[Node(200)].Mark = 0;
        livemenus::Find(w.get(), "Seleccionarnodos1")->trigger();
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(Nodos[Node(2)].Mark, 1);
        EXPECT_EQ(Nodos[Node(200)].Mark, 0);
        std::filesystem::remove(ui.target);
    }

    // The list's name is made up from the polygons' file: a link put under it is
    // not followed into the file it leads to, and the user is told once.
    testutil::writeFile(tmp.file("victima.txt"), "del usuario");
    std::filesystem::remove(tmp.file("areas_a.csv"));
    std::filesystem::create_symlink(tmp.file("victima.txt"), tmp.file("areas_a.csv"));
    {
        RecordingServices ui;
        livemenus::Find(w.get(), "SeleccionarArcos1")->trigger();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("enlace simbólico"), std::string::npos) << ui.messages[0];
    }
    EXPECT_EQ(testutil::readFile(tmp.file("victima.txt")), "del usuario");
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("areas_a.csv")));

    // No polygon file: the names are "_n.csv" in the current folder; no polygon, empty file.
    NumPoligonos = 0;
    w->Polygons().PolygonFileName.clear();
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(tmp.path());
    const bool ok = w->Selection().SelectByUserPolygons(false);
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(ok);
    EXPECT_EQ(testutil::readFile(tmp.file("_n.csv")), "");
}

TEST_F(SelCommands, OpenersStoreTheirNamesAndSoleraFilesAddAfterTheFirst)
{
    const std::string geo = testutil::dataPath("layer_kerbs.geo");
    // The network was read without the window's opening, which enables the file menu's openers.
    for (const char* opener : {"aOpenSolera", "aOpenCnt"})
        livemenus::Find(w.get(), opener)->setEnabled(true);
    QStringList asked;
    w->Files().ChooseOpenFiles = [&](const QString& title, const QString& filter, bool several) {
        asked << title + QLatin1Char('|') + filter + (several ? "|+" : "");
        return several ? QStringList{QString::fromStdString(geo), QString::fromStdString(geo),
                                     QString::fromStdString(geo)}
                       : QStringList{};
    };
    ASSERT_TRUE(livemenus::Click(w.get(), "toolbar:tbarOpen", "tbOpenSlr"));
    EXPECT_EQ(GeoLayers().NumGeoLayers, 3);
    EXPECT_EQ(SoleraFileName, geo);
    ASSERT_TRUE(livemenus::Click(w.get(), "menu:Archivo>Abrir", "aOpenSolera")); // no Shift: the first replaces again
    EXPECT_EQ(GeoLayers().NumGeoLayers, 3);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0], QStringLiteral("Open data file|Lineas de soleras      |*.geo||+"));
    EXPECT_EQ(asked[1], QStringLiteral("Open geo file|Lineas de soleras      |*.geo||+"));

    // A cancelled dialog changes nothing.
    CountsFileName = "antes.dat";
    ASSERT_TRUE(livemenus::Click(w.get(), "menu:Archivo>Abrir", "aOpenCnt"));
    ASSERT_TRUE(livemenus::Click(w.get(), "popup:pupMovim", "ImportarColsMovim"));
    EXPECT_EQ(CountsFileName, "antes.dat");
    EXPECT_EQ(ComplementaryMovFileName, "null");
    EXPECT_EQ(asked.back(), QStringLiteral("Open data file|Datos complementarios  |*.csv|"));
}

} // namespace
