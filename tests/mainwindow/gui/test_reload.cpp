// The reload button of the network text window: the network read again from the
// window's text, include files and notes already in it, gives the same model,
// grids and text every time.
#include "analysis/gui/DlgFormula.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/PalvonViewer.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "model/gui/FrmDat.h"
#include "support/FileDialogAnswer.h"
#include "support/FormulaColumn.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "support/GuiTestUtil.h"
#include "widgets/DlgCfgWidgets.h"
#include "widgets/StringAlignGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QDropEvent>
#include <QUrl>
#include <QPushButton>
#include <QTimer>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

namespace {

struct Snapshot {
    std::vector<int32_t> counts;
    std::vector<std::vector<float>> links;
    std::vector<std::vector<float>> movements;
    std::vector<std::vector<int32_t>> stops;
    std::vector<std::string> text;
    int editorLines = 0;
    int gridRows = 0;
    bool operator==(const Snapshot&) const = default;
};

class Reload : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        for (const char* name : {"reload_red.dat", "reload_cruces.dat", "reload_arcos.dat", "reload_lineas.dat"})
            std::filesystem::copy_file(testutil::dataPath(name), tmp.file(name));
        viewer->show();
        QApplication::processEvents();
        // Options: "Incluir rutas fijas", as the user ticks it.
        for (auto* b : Secondary::DlgCfg().RutasFijas->findChildren<QRadioButton*>())
            if (b->text() == QStringLiteral("Incluir rutas fijas"))
                QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_EQ(Secondary::DlgCfg().RutasFijas->ItemIndex(), 0);
    }
    void TearDown() override
    {
        Secondary::DlgCfg().RutasFijas->SetItemIndex(1);
        ViewerFixture::TearDown();
    }
    Snapshot Take()
    {
        Snapshot s;
        s.counts = {Network.NodeCount,          Network.LinkCount,   Network.MovementCount, Network.LineCount,
                    Network.TransitBlockCount, Network.SignalCount, Network.Loaded};
        for (int32_t k = 1; k <= Network.LinkCount; ++k) {
            std::vector<float> v(std::begin(Arcos[k].Var), std::end(Arcos[k].Var));
            v.push_back(float(Arcos[k].A));
            v.push_back(float(Arcos[k].B));
            s.links.push_back(std::move(v));
        }
        for (int32_t k = 1; k <= Network.MovementCount; ++k)
            s.movements.emplace_back(std::begin(Movims[k].Var), std::end(Movims[k].Var));
        for (int32_t k = 1; k <= Network.LineCount; ++k)
            s.stops.push_back(Lineas[k].Stops);
        s.text = FrmDat->Lines().ToVector();
        // The text window as the user opens it (its editor is made when first shown).
        if (!FrmDat->isVisible()) {
            EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        s.editorLines = FrmDat->mmDat ? FrmDat->mmDat->document()->blockCount() : -1;
        s.gridRows = viewer->sagArcos->RowCount();
        return s;
    }
    // The button as the user finds it in the window.
    QToolButton* ReloadButton()
    {
        auto* b = FrmDat->findChild<QToolButton*>(QStringLiteral("tbReload"));
        EXPECT_NE(b, nullptr);
        EXPECT_EQ(b ? b->toolTip() : QString(), QStringLiteral("Recarga de la red"));
        return b;
    }
};

} // namespace

TEST_F(Reload, ReloadButtonReadsTheSameTextToTheSameNetwork)
{
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
    const Snapshot first = Take();
    ASSERT_EQ(first.counts[1], 11);
    ASSERT_EQ(first.counts[3], 3);
    // Each include once in the text, one note per unknown node.
    auto count = [&](const std::string& line) { return std::count(first.text.begin(), first.text.end(), line); };
    EXPECT_EQ(count("*** Velmora: Insertando archivo reload_lineas.dat"), 1);
    EXPECT_EQ(count("*** Velmora: Nodo 999 no encontrado"), 1);
    EXPECT_EQ(first.editorLines, static_cast<int>(first.text.size()));
    const float buses = Arcos[KDVlib::FindArco(102, 104)].Var[41];
    EXPECT_EQ(buses, 10.0f);

    // Another network dropped on the window while the text is read again is not
    // opened under the reading.
    std::filesystem::copy_file(tmp.file("reload_red.dat"), tmp.file("caida.dat"));
    bool reading = false, dropped = false;
    QTimer drops;
    QObject::connect(&drops, &QTimer::timeout, [&] {
        if (!reading || dropped)
            return;
        dropped = true;
        EXPECT_FALSE(testutil::DropFile(viewer, tmp.file("caida.dat")));
    });
    drops.start(0);
    // The cost picked for least-cost paths stays, named by its column's title.
    for (QAction* a : viewer->Grids().ConfigurarRmin->actions())
        if (a->data().toInt() == 3)
            a->trigger();
    const std::string costCaption = livemenus::Find(viewer, "ConfigurarRminItem")->text().toStdString();
    ASSERT_EQ(KDVlib::CostVar, 3);
    for (int round = 2; round <= 3; ++round) {
        reading = true;
        QTest::mouseClick(ReloadButton(), Qt::LeftButton);
        reading = false;
        QApplication::processEvents();
        EXPECT_TRUE(dropped);
        EXPECT_EQ(DatFileName, "reload_red.dat") << "reload " << round;
        EXPECT_EQ(Take(), first) << "reload " << round;
        EXPECT_EQ(Arcos[KDVlib::FindArco(102, 104)].Var[41], buses) << "reload " << round;
        EXPECT_EQ(KDVlib::CostVar, 3) << "reload " << round;
        EXPECT_EQ(livemenus::Find(viewer, "ConfigurarRminItem")->text().toStdString(), costCaption) << "reload " << round;
    }
    EXPECT_FALSE(FrmDat->IsModified());

    // The text saved from the window and opened again reads the same; the formula
    // columns made on the earlier one (two here) count afresh.
    NumUserVarArcos = 2;
    ASSERT_TRUE(FrmDat->SaveDatTo(tmp.file("guardada.dat")));
    for (const char* name : {"reload_cruces.dat", "reload_arcos.dat", "reload_lineas.dat"})
        std::filesystem::remove(tmp.file(name));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("guardada.dat")));
    Snapshot reopened = Take();
    EXPECT_EQ(reopened.counts, first.counts);
    EXPECT_EQ(reopened.links, first.links);
    EXPECT_EQ(reopened.stops, first.stops);
    EXPECT_EQ(reopened.text, first.text);
    TDlgFormula& formula = Secondary::DlgFormula();
    formula.Grid = viewer->sagArcos;
    formula.teVar->clear();
    formula.teVarExit();
    EXPECT_EQ(formula.teVar->text(), "VarUser1");
}

// The flow variable chosen for the diagrams is still the one chosen after the
// network with its listing is read again from its text.
TEST_F(Reload, FlowDiagramVariableStaysAsChosen)
{
    std::filesystem::copy_file(testutil::dataPath("lst_net.dat"), tmp.file("lst.dat"));
    std::filesystem::copy_file(testutil::dataPath("lst_red.lpa"), tmp.file("lst.lpa"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("lst.dat")));
    auto ticked = [&] {
        for (QAction* a : viewer->varMix->actions())
            if (a->isChecked())
                return a->text().toStdString();
        return std::string();
    };
    ASSERT_EQ(ticked(), "Flujo Asignado");
    // Chosen in the drop-down of the diagram tool.
    QAction* tool = livemenus::Reach(viewer, "toolbar:tbarMovimientos", "tbMixs");
    ASSERT_TRUE(tool && tool->menu());
    for (QAction* a : tool->menu()->actions())
        if (a->text() == QStringLiteral("Flujo Total"))
            a->trigger();
    ASSERT_EQ(ticked(), "Flujo Total");
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
    QToolButton* reload = ReloadButton();
    ASSERT_NE(reload, nullptr);
    QTest::mouseClick(reload, Qt::LeftButton);
    testutil::settle();
    EXPECT_EQ(Network.LpaLoaded, 1);
    EXPECT_EQ(ticked(), "Flujo Total");
}

// A listing changed on disk since it was read (cut short, or another network's)
// is said once when the network is read again from its text.
TEST_F(Reload, ListingChangedOnDiskIsSaidOnce)
{
    std::filesystem::copy_file(testutil::dataPath("lst_net.dat"), tmp.file("lst.dat"));
    std::filesystem::copy_file(testutil::dataPath("lst_red.lpa"), tmp.file("lst.lpa"));
    std::filesystem::copy_file(testutil::dataPath("lst_red.lpl"), tmp.file("lst.lpl"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("lst.dat")));
    ASSERT_EQ(Network.LpaLoaded + Network.LplLoaded, 2);
    const std::string lpa = testutil::readFile(tmp.file("lst.lpa"));
    const std::pair<const char*, std::string> changes[] = {
        {"lst.lpa", lpa.substr(0, lpa.find("     1   100     2"))},
        {"lst.lpl", "     LINK       FLOW\r\n  901  902  S                500.0\r\n N.B.\r\n"}};
    for (const auto& [file, text] : changes) {
        SCOPED_TRACE(file);
        testutil::writeFile(tmp.file(file), text);
        RecordingServices ui;
        if (!FrmDat->isVisible()) {
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        ReloadButton()->click();
        QApplication::processEvents();
        EXPECT_EQ(std::count_if(ui.messages.begin(), ui.messages.end(),
                                [file](const std::string& m) { return m.find(file) != std::string::npos; }),
                  1);
    }
}

// Another file opened over unsaved edits of the text: a folder or a binary file is
// refused before any question; "Yes" with a save that fails stops the opening, and
// the text stays modified.
TEST_F(Reload, UnsavedTextIsAskedAboutOnlyForANetworkAndAFailedSaveStopsTheOpening)
{
    namespace fs = std::filesystem;
    fs::copy_file(tmp.file("reload_red.dat"), tmp.file("otra.dat"));
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
    FrmDat->show();
    QTest::keyClicks(FrmDat->mmDat, "*");
    ASSERT_TRUE(FrmDat->IsModified());
    QStringList asked;
    auto answer = [&asked](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&asked, button] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked << box->text();
                box->button(button)->click();
            }
        });
    };
    fs::create_directory(tmp.file("carpeta.dat"));
    testutil::writeFile(tmp.file("foto.dat"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    for (const char* name : {"carpeta.dat", "foto.dat"}) {
        answer(QMessageBox::Cancel);
        EXPECT_FALSE(viewer->Files().AbrirRedPalvon(tmp.file(name))) << name;
        QApplication::processEvents();
        EXPECT_TRUE(asked.isEmpty()) << name << ": " << asked.join('|').toStdString();
        EXPECT_TRUE(FrmDat->IsModified()) << name;
    }

    // "Yes", and the file chosen to save the text in cannot be written.
    const std::string before = testutil::readFile(tmp.file("reload_red.dat"));
    fs::permissions(tmp.file("reload_red.dat"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    answer(QMessageBox::Yes);
    testutil::AnswerFileDialog(viewer, tmp.file("reload_red.dat"));
    EXPECT_FALSE(viewer->Files().AbrirRedPalvon(tmp.file("otra.dat")));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Hay cambios sin grabar en el texto de la red"))) << asked[0].toStdString();
    EXPECT_EQ(DatFileName, "reload_red.dat");
    EXPECT_TRUE(FrmDat->IsModified());
    EXPECT_EQ(testutil::readFile(tmp.file("reload_red.dat")), before);

    // Leaving the program: "Sí" to leaving and to saving; the save fails and the
    // program stays, the text still modified.
    viewer->AskOnClose = true;
    QTimer yes;
    QObject::connect(&yes, &QTimer::timeout, [&asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked << box->text();
            (box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes) : box->buttons().front())->click();
        }
    });
    yes.start(20);
    testutil::AnswerFileDialog(viewer, tmp.file("reload_red.dat"));
    livemenus::Click(viewer, "menu:Archivo", "FileExitItem");
    yes.stop();
    viewer->AskOnClose = false;
    EXPECT_TRUE(viewer->isVisible()) << asked.join('|').toStdString();
    EXPECT_TRUE(FrmDat->IsModified());
    EXPECT_EQ(testutil::readFile(tmp.file("reload_red.dat")), before);
    fs::permissions(tmp.file("reload_red.dat"), fs::perms::owner_write, fs::perm_options::add);
}

// The text's junction and link sections deleted in the window, then reloaded: the
// text holds no network, so the one in memory stays, with one message; the edited
// text stays for the user to mend, and undone it reads to the same network again.
TEST_F(Reload, ReloadOfATextWithoutSectionsKeepsTheNetwork)
{
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
    const Snapshot first = Take();
    FrmDat->show();
    QApplication::processEvents();
    const auto& text = first.text;
    const auto from = std::find(text.begin(), text.end(), "11111") - text.begin();
    const auto to = std::find(text.begin(), text.end(), "55555") - text.begin();
    ASSERT_LT(from, to);
    FrmDat->mmDat->setFocus();
    QTest::keyClick(FrmDat->mmDat, Qt::Key_Home, Qt::ControlModifier);
    for (auto i = 0; i < from; ++i)
        QTest::keyClick(FrmDat->mmDat, Qt::Key_Down);
    for (auto i = from; i < to; ++i)
        QTest::keyClick(FrmDat->mmDat, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(FrmDat->mmDat, Qt::Key_Delete);
    const std::vector<std::string> edited = FrmDat->Lines().ToVector();
    ASSERT_EQ(edited.size(), text.size() - size_t(to - from));
    ASSERT_EQ(edited[size_t(from)], "55555");

    for (int round = 1; round <= 2; ++round) {
        RecordingServices ui; // "Los datos no han sido grabados": not now
        QTest::mouseClick(ReloadButton(), Qt::LeftButton);
        QApplication::processEvents();
        ASSERT_EQ(ui.messages.size(), 1u) << round;
        EXPECT_NE(ui.messages[0].find("reload_red.dat no tiene ninguna sección de nodos ni de arcos"), std::string::npos)
            << ui.messages[0];
        EXPECT_NE(ui.messages[0].find("La red no se ha cargado"), std::string::npos) << ui.messages[0];
        Snapshot now = Take();
        EXPECT_EQ(now.counts, first.counts) << round;
        EXPECT_EQ(now.links, first.links) << round;
        EXPECT_EQ(now.gridRows, first.gridRows) << round;
        EXPECT_EQ(now.text, edited) << round;
        EXPECT_EQ(DatFileName, "reload_red.dat");
        EXPECT_TRUE(FrmDat->IsModified());
    }

    QTest::keyClick(FrmDat->mmDat, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(FrmDat->Lines().ToVector(), text);
    RecordingServices ui;
    QTest::mouseClick(ReloadButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(Take(), first);
}

// Data read onto the network (traces from two files), then a file of the same
// kind refused over it (the data stay, one message says why): the network read
// again from its text reads back the data the user has, not the file refused.
TEST_F(Reload, DataReadOntoTheNetworkComeBackAfterAFileRefusedOverThem)
{
    namespace fs = std::filesystem;
    fs::create_directory(tmp.file("red"));
    const std::string red = tmp.file("red/sf.dat");
    fs::copy_file(testutil::realDataPath("siouxfalls-junctions.dat"), red);
    fs::permissions(red, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(red));
    const TNodo& node = Nodos[KDVlib::FindNodo(1)];
    const double x = node.X, y = node.Y;
    testutil::writeFile(tmp.file("zonas.geo"), ZelUtils::Format("1,0,4,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f,%.1f\r\n", x - 100,
                                                                y - 100, x + 100, y - 100, x + 100, y + 100, x - 100,
                                                                y - 100));
    std::string links = "A,B,Vdato\r\n", movements = "A,B,C,Mdato\r\n";
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        links += ZelUtils::Format("%d,%d,%d\r\n", Arcos[i].A, Arcos[i].B, i);
    for (int32_t m = 1; m <= Network.MovementCount; ++m)
        movements += ZelUtils::Format("%d,%d,%d,%d\r\n", Movims[m].A, Movims[m].Node, Movims[m].C, m);
    testutil::writeFile(tmp.file("enlaces.csv"), links);
    testutil::writeFile(tmp.file("giros.csv"), movements);
    testutil::writeFile(tmp.file("nada.csv"), "nada\r\n");
    // Turns of another network: refused as a whole, as the links' data of one are.
    testutil::writeFile(tmp.file("nada_giros.csv"), "A,B,C,Otro\r\n99991,99992,99993,5\r\n");
    // Lines naming no turn (or link) at all: no file of turns (or of link data).
    testutil::writeFile(tmp.file("dos_nodos.csv"), "A,B,Otro\r\n1,2\r\n");
    testutil::writeFile(tmp.file("un_campo.csv"), "A;B;Otro\r\n7\r\n");
    testutil::writeFile(tmp.file("nada.geo"), "nada\r\n");
    testutil::writeFile(tmp.file("binario.dat"), std::string("\0\1\2 binario\r\n", 12));
    const TNodo& other = Nodos[KDVlib::FindNodo(2)];
    testutil::writeFile(tmp.file("trazas.geo"), ZelUtils::Format("1,2,2,%.1f,%.1f,%.1f,%.1f\r\n", x, y + 50,
                                                                 double(other.X), double(other.Y) + 50));
    testutil::writeFile(tmp.file("trazas2.geo"), ZelUtils::Format("2,1,2,%.1f,%.1f,%.1f,%.1f\r\n", double(other.X),
                                                                  double(other.Y) - 50, x, y - 50));
    testutil::writeFile(tmp.file("conteos.dat"), " &COUNTS\r\n &END\r\n" + ZelUtils::Format("%5d%5d%5s%5d\r\n", 1, 2, "", 777));
    struct Kind {
        const char* place;
        const char* item;
        const char* good;
        const char* refused;
        std::function<bool()> there; // the good file's data, in the model and the grids
        const char* alsoGood = nullptr; // a second file read before the refused one
        const char* said = nullptr; // what the refusal says, where it matters
    };
    const auto column = [](TStringAlignGrid* g, const char* title) {
        for (int c = 0; c < g->ColCount(); ++c)
            if (g->cell(c, 0) == title)
                return c;
        return -1;
    };
    const auto linkData = [&] {
        const int c = column(viewer->sagArcos, "Vdato");
        const int32_t k = Network.LinkCount;
        return c > 0 && viewer->sagArcos->cell(c, viewer->sagArcos->RowOfRecord(k)) == ZelUtils::Format("%d.00", k);
    };
    const auto turns = [&] {
        const int c = column(viewer->sagMovim, "Mdato");
        const int32_t m = Network.MovementCount;
        return c > 0 && viewer->sagMovim->cell(c, viewer->sagMovim->RowOfRecord(m)) == ZelUtils::Format("%d.00", m);
    };
    const Kind kinds[] = {
        {"menu:Archivo>Abrir", "aOpenComp", "enlaces.csv", "nada.csv", linkData},
        {"menu:Archivo>Abrir", "aOpenComp", "enlaces.csv", "un_campo.csv", linkData, nullptr,
         "cada l\u00ednea debe dar los nodos A, B y sus valores"},
        {"popup:pupMovim", "ImportarColsMovim", "giros.csv", "nada.csv", turns},
        {"popup:pupMovim", "ImportarColsMovim", "giros.csv", "nada_giros.csv", turns,
         nullptr, "su movimiento no es de esta red"},
        {"popup:pupMovim", "ImportarColsMovim", "giros.csv", "dos_nodos.csv", turns,
         nullptr, "cada l\u00ednea debe dar los nodos A, B, C y sus valores"},
        {"menu:Archivo>Abrir", "aOpenZonif", "zonas.geo", "nada.geo",
         [&] { return Zonas[KDVlib::FindZona(1)].PolygonCount > 0; }},
        {"menu:Archivo>Abrir", "aOpenTraza", "trazas.geo", "binario.dat",
         [&] { return Arcos[KDVlib::FindArco(1, 2)].PointCount == 3 && Arcos[KDVlib::FindArco(2, 1)].PointCount == 3; },
         "trazas2.geo"},
        {"menu:Archivo>Abrir", "aOpenCnt", "conteos.dat", "binario.dat",
         [&] { return viewer->sagArcos->cell(13, viewer->sagArcos->RowOfRecord(KDVlib::FindArco(1, 2))) == "777"; }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.item);
        for (const char* file : {kind.good, kind.alsoGood, kind.refused}) {
            if (!file)
                continue;
            RecordingServices ui;
            testutil::AnswerFileDialog(viewer, tmp.file(file));
            ASSERT_TRUE(livemenus::Click(viewer, kind.place, kind.item));
            EXPECT_EQ(ui.anyMessageContains("formato no reconocido") || ui.anyMessageContains("No se puede")
                          || ui.anyMessageContains("no se ha le\u00eddo"),
                      file == kind.refused);
            if (file == kind.refused && kind.said) {
                EXPECT_TRUE(ui.anyMessageContains(kind.said)) << (ui.messages.empty() ? "" : ui.messages.front());
            }
        }
        ASSERT_TRUE(kind.there());
        RecordingServices ui;
        if (!FrmDat->isVisible()) {
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        ReloadButton()->click();
        QApplication::processEvents();
        EXPECT_TRUE(kind.there());
        EXPECT_FALSE(ui.anyMessageContains("nada") || ui.anyMessageContains("binario"))
            << "the file refused is not read again";
    }
}

// A formula column whose formula asks the user (INPUT, MSG) asks while it is made;
// the network read again from its text gives the column back with the answers the
// user gave then, without asking again.
TEST_F(Reload, FormulaColumnKeepsItsAnswersWhenTheTextIsReadAgain)
{
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
    testutil::settle();
    // Every box of the formula answered as a user does: "abc" typed into INPUT's
    // box, Yes on MSG's (code 6).
    int asked = 0;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (auto* d = qobject_cast<QInputDialog*>(w); d && d->isVisible()) {
            ++asked;
            QLineEdit* edit = d->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            edit->selectAll();
            QTest::keyClicks(edit, "abc");
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            ++asked;
            box->button(QMessageBox::Yes)->click();
        }
    });
    boxes.start(5);
    ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Pedida",
                                            "A*LENGTH(INPUT('Factor','Valor','x'))+MSG('Sumar?','Aviso',4)"));
    testutil::settle();
    ASSERT_GT(asked, 0);
    TStringAlignGrid* g = viewer->sagArcos;
    const auto column = [&](const char* title) {
        std::vector<std::string> cells;
        for (int c = 0; c < g->ColCount(); ++c)
            if (g->cell(c, 0) == title)
                for (int r = 1; r < g->RowCount(); ++r)
                    cells.push_back(g->cell(c, r));
        return cells;
    };
    const std::vector<std::string> made = column("Pedida"), cap = column("Cap");
    ASSERT_EQ(made.size(), cap.size());
    ASSERT_FALSE(made.empty());
    for (size_t r = 0; r < made.size(); ++r)
        EXPECT_NEAR(ZelUtils::ParseReal(ZelUtils::Trim(made[r])), 3 * ZelUtils::ParseReal(ZelUtils::Trim(cap[r])) + 6,
                    0.01)
            << r;
    asked = 0;
    Take(); // the text window, as the user opens it
    QTest::mouseClick(ReloadButton(), Qt::LeftButton);
    testutil::settle();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(column("Pedida"), made);
}

// The lines grid read again shows each line as the user left it: drawn or not,
// its name in the colour it had, and the title's box agreeing with the rows (a
// click on it then shows every line when none is shown, hides them all when all
// are, and does what it would have done before between).
TEST_F(Reload, LinesComeBackWithTheirNamesAndTheTitleBoxAsTheUserLeftThem)
{
    TStringAlignGrid* lines = viewer->sagLineas;
    const auto cellAt = [&](int col, int row) {
        const QRect r = lines->visualRect(lines->model()->index(row - lines->FixedRows(), col));
        return r.center();
    };
    const auto box = [&](int row) {
        QTest::mouseClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier, cellAt(0, row));
    };
    const auto title = [&] {
        QHeaderView* h = lines->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(h->sectionViewportPosition(0) + h->sectionSize(0) / 2, h->height() / 2));
    };
    const auto name = [&](int row) {
        QTest::mouseMove(lines->viewport(), cellAt(1, row));
        QTest::mouseDClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier, cellAt(1, row));
    };
    struct Row {
        const char* name;
        std::function<void()> steps;
    };
    const Row rows[] = {
        {"one line off by its box", [&] { box(1); }},
        {"every line off by its box", [&] { box(1), box(2), box(3); }},
        {"all off by the title, one back by its box", [&] { title(), box(2); }},
        {"all off by the title", [&] { title(); }},
        {"one line chosen by its name", [&] { name(2); }},
        {"one chosen by its name, another by its box", [&] { name(2), box(3); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
        viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
        testutil::settle();
        ASSERT_EQ(Network.LineCount, 3);
        row.steps();
        testutil::settle();
        std::vector<int> shown;
        std::vector<QColor> names;
        for (int32_t l = 1; l <= Network.LineCount; ++l) {
            shown.push_back(Lineas[l].Visible);
            names.push_back(lines->FontColorCell(1, lines->RowOfRecord(l)));
        }
        const int all = int(std::count(shown.begin(), shown.end(), 1));
        // What a title click would now set every line to.
        const int next = all == 0 ? 1 : all == Network.LineCount ? 0 : 1 - Lineas[0].Visible;
        Take();
        QTest::mouseClick(ReloadButton(), Qt::LeftButton);
        FrmDat->close();
        viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
        testutil::settle();
        ASSERT_EQ(Network.LineCount, 3);
        for (int32_t l = 1; l <= Network.LineCount; ++l) {
            EXPECT_EQ(Lineas[l].Visible, shown[size_t(l - 1)]) << l;
            EXPECT_EQ(lines->FontColorCell(1, lines->RowOfRecord(l)), names[size_t(l - 1)]) << l;
        }
        title();
        for (int32_t l = 1; l <= Network.LineCount; ++l)
            EXPECT_EQ(Lineas[l].Visible, next) << l;
    }
}

// A formula asking at every row, made on the link grid sorted by a title: each
// link gets back the answer typed for it when the text is read again, though the
// rows are computed again before the grid is sorted again.
TEST_F(Reload, FormulaAnswersGoBackToTheirLinksWhenTheGridWasSorted)
{
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
    viewer->tnDatos->setCurrentWidget(viewer->tsArcos);
    testutil::settle();
    TStringAlignGrid* g = viewer->sagArcos;
    QHeaderView* h = g->horizontalHeader();
    for (int k = 0; k < 2; ++k) // descending
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(h->sectionViewportPosition(5) + h->sectionSize(5) / 2, h->height() / 2));
    int asked = 0;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget()); d && d->isVisible()) {
            QLineEdit* edit = d->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            edit->selectAll();
            QTest::keyClicks(edit, QString(++asked % 7 + 1, QLatin1Char('a'))); // another answer at each row
            QTest::keyClick(edit, Qt::Key_Return);
        }
    });
    boxes.start(5);
    ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Pedida",
                                            "LENGTH(INPUT('Factor','Valor','x'))"));
    testutil::settle();
    ASSERT_GT(asked, 2);
    // The column's value of each link, by the link's record (column 3).
    const auto byLink = [&] {
        std::map<std::string, std::string> values;
        for (int c = 0; c < g->ColCount(); ++c)
            if (g->cell(c, 0) == "Pedida")
                for (int r = 1; r < g->RowCount(); ++r)
                    values[g->cell(3, r)] = g->cell(c, r);
        return values;
    };
    const auto made = byLink();
    ASSERT_EQ(made.size(), size_t(g->RowCount() - 1));
    asked = 0;
    Take(); // the text window, as the user opens it
    QTest::mouseClick(ReloadButton(), Qt::LeftButton);
    testutil::settle();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(byLink(), made);
}

// A number typed wrong into a link record, a position or a line's frequency (a
// letter, a comma for the point, a plus sign) reads as 0, as every field that is
// no number does, and a number wider than its field moves the rest of its record:
// reloaded, one message says so and Errores.txt names the record and the text; a
// 0 typed as such says nothing.
TEST_F(Reload, FieldsThatAreNoNumberAreSaidAfterTheReload)
{
    const std::string link = "  150  151   10   20 9000  2    100    4    1"; // of an included file
    const std::string place = "  103 1300 1000";
    const std::string line = "L1  A   10    4  101  102  104  103";
    const std::string arm = "       101    1   10  100 1800  1 1 1800  1 1"; // of junction 102
    const struct {
        const std::string& record;
        int column; // first of the five columns typed over
        const char* typed;
        int var;           // of link 150-151; 0: the X of node 103; -1: the frequency of line L1;
                           // -2: the time of arm 1 of junction 102
        float value;       // what it reads
        const char* said;  // the message, or none
        const char* error; // the line of Errores.txt
    } rows[] = {
        {link, 21, "90x00", 5, 0, "\rValores que no son números en la sección 33333: 2",
         "Arco 150 - 151: \"90x00\" en las columnas 21-25 no es un número"},
        {link, 31, "  1,5", 7, 0, "\rValores que no son números en la sección 33333: 2",
         "Arco 150 - 151: \"1,5\" en las columnas 31-35 no es un número"},
        {link, 11, "  +10", 3, 0, "\rValores que no son números en la sección 33333: 2",
         "Arco 150 - 151: \"+10\" en las columnas 11-15 no es un número"},
        {link, 21, "129000", 5, 12900, "\rRegistros fuera de sus columnas en la sección 33333: 1",
         "Arco 150 - 151: las columnas 26-27 y 30, que no se leen, no están en blanco"},
        {link, 21, "    0", 5, 0, nullptr, nullptr},
        {place, 6, "13,00", 0, 0, "Sección 55555: 1 líneas con coordenadas que no son números",
         "Coordenadas: X o Y no es un número y se leyó como 0:   10313,00 1000"},
        {arm, 16, "  1,5", -2, 0, "\rValores que no son números en la sección 11111: 1",
         "Intersección 102, brazo 1: \"1,5\" en las columnas 16-20 no es un número"},
        {arm, 16, "    0", -2, 0, nullptr, nullptr},
        {line, 7, "  1O ", -1, 0, "Línea L1: la frecuencia \"1O\" no es un número; se leyó como 0",
         "Línea L1: la frecuencia \"1O\" no es un número"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        QString asked;
        if (FrmDat->IsModified())
            testutil::AnswerNextBox(viewer, QMessageBox::No, asked);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
        if (!FrmDat->isVisible()) {
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        const std::vector<std::string> text = FrmDat->Lines().ToVector();
        const auto at = std::find(text.begin(), text.end(), row.record) - text.begin();
        ASSERT_LT(at, static_cast<long>(text.size()));
        FrmDat->mmDat->setFocus();
        QTest::keyClick(FrmDat->mmDat, Qt::Key_Home, Qt::ControlModifier);
        for (long i = 0; i < at; ++i)
            QTest::keyClick(FrmDat->mmDat, Qt::Key_Down);
        for (int i = 1; i < row.column; ++i)
            QTest::keyClick(FrmDat->mmDat, Qt::Key_Right);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(FrmDat->mmDat, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClicks(FrmDat->mmDat, row.typed);

        RecordingServices ui; // "Los datos no han sido grabados": not now
        QTest::mouseClick(ReloadButton(), Qt::LeftButton);
        QApplication::processEvents();
        if (row.var > 0) {
            const int32_t k = KDVlib::FindArco(150, 151);
            ASSERT_GT(k, 0);
            EXPECT_EQ(Arcos[k].Var[row.var], row.value);
        } else if (row.var == 0) {
            EXPECT_EQ(Nodos[KDVlib::FindNodo(103)].X, 0.0f);
        } else if (row.var == -1) {
            EXPECT_EQ(Lineas[1].Frequency, 0);
        } else {
            EXPECT_EQ(Nodos[KDVlib::FindNodo(102)].Arms[0].Time, 0);
        }
        const std::string errors = testutil::readFile(tmp.file("Errores.txt"));
        const size_t said = std::count_if(ui.messages.begin(), ui.messages.end(), [](const std::string& m) {
            return m.find("Datos de la red que no se leyeron como están escritos") != std::string::npos ||
                   m.find("no son números") != std::string::npos || m.find("no es un número") != std::string::npos;
        });
        if (!row.said) {
            EXPECT_EQ(said, 0u);
            EXPECT_EQ(errors.find("no es un número"), std::string::npos);
            continue;
        }
        EXPECT_EQ(said, 1u);
        EXPECT_TRUE(ui.anyMessageContains(row.said));
        EXPECT_NE(errors.find(row.error), std::string::npos) << errors;
    }
}

// The user's edits before a reload that puts notes into the text (a line's
// unknown node) are still undone with Ctrl+Z, back to the text as opened.
TEST_F(Reload, EditsStayUndoableAfterAReloadThatAddsNotes)
{
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("reload_red.dat")));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
    const std::vector<std::string> opened = FrmDat->Lines().ToVector();
    const auto at = std::find(opened.begin(), opened.end(), "L1  A   10    4  101  102  104  103") - opened.begin();
    ASSERT_LT(at, static_cast<long>(opened.size()));
    FrmDat->mmDat->setFocus();
    QTest::keyClick(FrmDat->mmDat, Qt::Key_Home, Qt::ControlModifier);
    for (long i = 0; i < at; ++i)
        QTest::keyClick(FrmDat->mmDat, Qt::Key_Down);
    QTest::keyClick(FrmDat->mmDat, Qt::Key_End);
    QTest::keyClick(FrmDat->mmDat, Qt::Key_Backspace);
    QTest::keyClicks(FrmDat->mmDat, "7"); // node 107: not in the network
    {
        RecordingServices ui; // "Los datos no han sido grabados": not now
        QTest::mouseClick(ReloadButton(), Qt::LeftButton);
        QApplication::processEvents();
    }
    const std::vector<std::string> read = FrmDat->Lines().ToVector();
    ASSERT_EQ(read[size_t(at) + 1], "*** Velmora: Nodo 107 no encontrado");
    // The editor shows the text read, notes and all.
    std::string shown;
    for (const std::string& line : read)
        shown += (shown.empty() ? "" : "\n") + line;
    EXPECT_EQ(FrmDat->mmDat->toPlainText().toStdString(), shown);
    for (int i = 0; i < 5 && FrmDat->Lines().ToVector() != opened; ++i)
        QTest::keyClick(FrmDat->mmDat, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(FrmDat->Lines().ToVector(), opened);
}
