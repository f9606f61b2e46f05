// The export commands reached as the user reaches them (menus, the preview's save
// button, the data-layer buttons' variable menus), over real networks, with what
// they write read back by independent readers (ezdxf's auditor, ogrinfo).
#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgRngs.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/gui/DataLayers.h"
#include "map/gui/KDVscale.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "model/gui/FrmDat.h"
#include "printing/gui/FrmPreview.h"
#include "platform/IniFile.h"
#include "support/FileDialogAnswer.h"
#include "support/FormulaColumn.h"
#include "support/GuiTestUtil.h"
#include "support/LiveMenus.h"
#include "support/MetafileCheck.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "widgets/StringAlignGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Picks a variable from a data-layer button's drop-down menu, as the user does.
void PickVariable(QWidget* window, const QString& button, const std::function<bool(QAction*)>& which)
{
    QAction* b = livemenus::Find(window, button);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->menu(), nullptr);
    emit b->menu()->aboutToShow();
    for (QAction* item : b->menu()->actions())
        if (item->isEnabled() && which(item)) {
            item->trigger();
            return;
        }
    ADD_FAILURE() << "no variable to pick under " << button.toStdString();
}

std::string Shell(const std::string& cmd)
{
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    return out;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

class ExportGui : public ViewerFixture {
protected:
    // A copy of a real network in a folder of the test's own.
    std::string Copy(const std::string& name, const std::string& folder, const std::string& as = "")
    {
        const fs::path dir = tmp.path() / folder;
        fs::create_directories(dir);
        const fs::path target = dir / (as.empty() ? name : as);
        fs::copy_file(testutil::realDataPath(name), target, fs::copy_options::overwrite_existing);
        return target.string();
    }
    // Siouxfalls opened in the shown window and its preview: the preview's save.
    QAction* SiouxfallsPreviewSave()
    {
        viewer->show();
        if (!viewer->Files().AbrirRedPalvon(Copy("siouxfalls.dat", "red")))
            return nullptr;
        livemenus::Find(viewer, "aPrint1")->trigger();
        testutil::settle();
        return livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave");
    }
};

} // namespace

TEST_F(ExportGui, WorksheetsOfTwoNetworksEndWithTheEarlierNetworkOpen)
{
    if (!fs::exists(testutil::realDataPath("anaheim.dat")))
        FAIL() << "real networks not available";
    const std::string earlier = Copy("siouxfalls.dat", "red");
    Copy("anaheim.dat", "otras");
    Copy("siouxfalls-junctions.dat", "otras", "cruces.dat");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(earlier));
    ASSERT_EQ(Network.LinkCount, 76);

    QAction* planillas = livemenus::Find(viewer, "GenerarPlanillas1");
    ASSERT_NE(planillas, nullptr);
    EXPECT_EQ(planillas->text(), "Generar Planillas");
    EXPECT_TRUE(planillas->isVisible());
    const QString folder = QString::fromStdString((tmp.path() / "otras").string());
    testutil::AnswerFilesDialog(viewer, folder, {"anaheim.dat", "cruces.dat"}, 0);
    planillas->trigger();

    // Four worksheets beside the networks: the title row, then one row per link
    // or movement, every cell followed by a comma, CR LF line ends.
    const std::map<std::string, size_t> rows = {
        {"anaheim_arcos.csv", 914}, {"cruces_arcos.csv", 76}, {"cruces_movim.csv", 150}, {"anaheim_movim.csv", 0}};
    for (const auto& [file, count] : rows) {
        const std::string path = (tmp.path() / "otras" / file).string();
        ASSERT_TRUE(fs::exists(path)) << file;
        const std::string text = testutil::readFile(path);
        const auto lines = Lines(text);
        ASSERT_FALSE(lines.empty()) << file;
        if (count > 0) {
            EXPECT_EQ(lines.size(), count + 1) << file;
        }
        for (const std::string& l : lines)
            ASSERT_TRUE(l.size() >= 2 && l.substr(l.size() - 2) == ",\r") << file << ": " << l;
    }
    EXPECT_NE(testutil::readFile((tmp.path() / "otras" / "cruces_arcos.csv").string()).find("Nodo"), std::string::npos);

    // The earlier network is open again, with its names, folder and grids.
    EXPECT_EQ(DatFileName, "siouxfalls.dat");
    EXPECT_EQ(Network.LinkCount, 76);
    EXPECT_EQ(Network.MovementCount, 0);
    EXPECT_EQ(viewer->sagArcos->RowCount(), 77);
    EXPECT_EQ(fs::current_path(), fs::path(earlier).parent_path());
    EXPECT_EQ(LpaFileName, (fs::path(earlier).parent_path() / "siouxfalls.lpa").string());

    // Again, the other order: the worksheets there (one edited by the user since)
    // are named in one question before any network is opened; "No" writes
    // nothing and says nothing more.
    const std::string edited = (tmp.path() / "otras" / "cruces_movim.csv").string();
    testutil::writeFile(edited, "del usuario");
    for (const bool yes : {false, true}) {
        RecordingServices ui;
        ui.answerYes = yes;
        testutil::AnswerFilesDialog(viewer, folder, {"cruces.dat", "anaheim.dat"}, 0);
        planillas->trigger();
        ASSERT_EQ(ui.questions.size(), 1u) << yes;
        for (const auto& [file, count] : rows)
            EXPECT_NE(ui.questions[0].find((tmp.path() / "otras" / file).string()), std::string::npos) << file;
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(testutil::readFile(edited) == "del usuario", !yes);
        EXPECT_EQ(DatFileName, "siouxfalls.dat");
    }
    // The network without movements after the one with them writes no row of the
    // earlier one's, as python's csv reader sees the files.
    const std::string script = (tmp.path() / "rows.py").string();
    testutil::writeFile(script, "import csv, sys\n"
                                "for f in sys.argv[1:]:\n"
                                "    rows = list(csv.reader(open(f, newline='')))\n"
                                "    print(sum(1 for r in rows[1:] if any(c.strip() for c in r)))\n");
    const std::string dir = (tmp.path() / "otras").string();
    EXPECT_EQ(Shell("/usr/bin/python3 '" + script + "' '" + dir + "/anaheim_movim.csv' '" + dir +
                    "/cruces_movim.csv' '" + dir + "/anaheim_arcos.csv'"),
              "0\n150\n914\n");

    // A network without positions among them: no coordinates file is asked for
    // per network, and one message names it and why; the others are written.
    const std::string sioux = testutil::readFile(testutil::realDataPath("siouxfalls.dat"));
    const size_t from = sioux.find("\n55555"), to = sioux.find("99999", from);
    testutil::writeFile((tmp.path() / "otras" / "sincoord.dat").string(),
                        sioux.substr(0, from + 1) + sioux.substr(sioux.find('\n', to) + 1));
    fs::remove(tmp.path() / "otras" / "cruces_arcos.csv");
    {
        RecordingServices ui;
        ui.answerYes = true;
        testutil::AnswerFilesDialog(viewer, folder, {"sincoord.dat", "cruces.dat"}, 0);
        planillas->trigger();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("sincoord.dat: la red no tiene coordenadas"), std::string::npos) << ui.messages[0];
    }
    EXPECT_FALSE(fs::exists(tmp.path() / "otras" / "sincoord_arcos.csv"));
    EXPECT_TRUE(fs::exists(tmp.path() / "otras" / "cruces_arcos.csv"));
    EXPECT_EQ(DatFileName, "siouxfalls.dat");
}

TEST_F(ExportGui, WorksheetsWithoutAnEarlierNetworkLeaveTheLastOneOpen)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls.dat")))
        FAIL() << "real networks not available";
    Copy("siouxfalls.dat", "otras", "a.dat");
    Copy("siouxfalls-junctions.dat", "otras", "b.dat");
    PalvonRead::ClearNetwork(); // a fresh start: no network open
    Network.Loaded = 0;
    DatFileName.clear();
    QAction* planillas = livemenus::Find(viewer, "GenerarPlanillas1");
    ASSERT_NE(planillas, nullptr);
    testutil::AnswerFilesDialog(viewer, QString::fromStdString((tmp.path() / "otras").string()), {"a.dat", "b.dat"}, 0);
    planillas->trigger();
    for (const char* file : {"a_arcos.csv", "a_movim.csv", "b_arcos.csv", "b_movim.csv"})
        EXPECT_TRUE(fs::exists(tmp.path() / "otras" / file)) << file;
    // The names name the network in memory.
    EXPECT_EQ(DatFileName, "b.dat");
    EXPECT_EQ(Network.MovementCount, 150);

    // A worksheet's name is made up by the command: a link put under it is not
    // followed into the file it leads to; the set is refused before any question
    // or opening, and the user is told once.
    testutil::writeFile(tmp.file("victima.csv"), "del usuario");
    fs::remove(tmp.path() / "otras" / "a_arcos.csv");
    fs::create_symlink(tmp.file("victima.csv"), tmp.path() / "otras" / "a_arcos.csv");
    fs::remove(tmp.path() / "otras" / "b_arcos.csv");
    {
        RecordingServices ui;
        testutil::AnswerFilesDialog(viewer, QString::fromStdString((tmp.path() / "otras").string()), {"a.dat", "b.dat"}, 0);
        planillas->trigger();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("a_arcos.csv"), std::string::npos) << ui.messages[0];
        EXPECT_TRUE(ui.questions.empty());
    }
    EXPECT_EQ(testutil::readFile(tmp.file("victima.csv")), "del usuario");
    EXPECT_TRUE(fs::is_symlink(tmp.path() / "otras" / "a_arcos.csv"));
    EXPECT_FALSE(fs::exists(tmp.path() / "otras" / "b_arcos.csv"));

    // Its text edited: the question comes before any network is opened, and
    // "Cancelar" stops the command there.
    for (const char* file : {"a_arcos.csv", "a_movim.csv", "b_arcos.csv", "b_movim.csv"})
        fs::remove(tmp.path() / "otras" / file);
    FrmDat->show();
    QTest::keyClicks(FrmDat->mmDat, "*");
    ASSERT_TRUE(FrmDat->IsModified());
    QStringList asked;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked << box->text();
            (box->button(QMessageBox::Cancel) ? box->button(QMessageBox::Cancel) : box->buttons().front())->click();
        }
    });
    cancel.start(20);
    testutil::AnswerFilesDialog(viewer, QString::fromStdString((tmp.path() / "otras").string()), {"a.dat", "b.dat"}, 0);
    planillas->trigger();
    cancel.stop();
    EXPECT_EQ(asked.size(), 1) << asked.join('|').toStdString();
    EXPECT_FALSE(fs::exists(tmp.path() / "otras" / "a_arcos.csv"));
    EXPECT_TRUE(FrmDat->IsModified());
}

// With no network open (as in a fresh program), the exports of the map, of its
// links and of its zoning ask for no file name and write nothing (a file chosen
// would be replaced by an empty one): they say so, once.
TEST_F(ExportGui, MapAndLinkExportsWithoutANetworkSaySo)
{
    PalvonRead::ClearNetwork();
    for (const auto& [command, said] : {std::pair{"ExportarMapaDxf", "No hay una red abierta"},
                                        std::pair{"ExportarShp", "No hay una red abierta"},
                                        std::pair{"SaveZon", "No hay zonificación que guardar"}}) {
        SCOPED_TRACE(command);
        bool asked = false;
        QTimer::singleShot(0, viewer, [&asked] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                asked = true;
                QMetaObject::invokeMethod(dialog, "reject");
            }
        });
        RecordingServices ui;
        livemenus::Find(viewer, command)->trigger();
        testutil::settle();
        EXPECT_FALSE(asked);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(said), std::string::npos) << ui.messages[0];
    }
}

TEST_F(ExportGui, DxfDataLayersPassTheAuditor)
{
    if (!fs::exists(testutil::realDataPath("chicago-sketch.dat")))
        FAIL() << "real networks not available";
    if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0)
        FAIL() << "ezdxf not available";
    viewer->show();
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy("chicago-sketch.dat", "red")));
    ASSERT_GT(Network.MovementCount, 0);
    QAction* save = livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave");
    const std::string script = (tmp.path() / "audit.py").string();
    testutil::writeFile(script, "import sys, collections, ezdxf\n"
                                "d = ezdxf.readfile(sys.argv[1])\n"
                                "a = d.audit()\n"
                                "for e in a.errors: print('ERROR', e.code, e.message)\n"
                                "n = collections.Counter(e.dxf.layer + ' ' + e.dxftype() for e in d.modelspace())\n"
                                "for k, v in sorted(n.items()): print(k, v)\n"
                                "for l in d.layers: print('LAYER', l.dxf.name, l.is_on())\n"
                                "u = collections.Counter(e.dxf.layer for e in d.modelspace() if e.dxftype() == 'SOLID'"
                                " and e.dxf.layer.startswith('TEM_') and e.dxf.color in (0, 256))\n"
                                "for k, v in sorted(u.items()): print('UNCOLOURED', k, v)\n");
    // The KMZ's documents and folders with their placemarks, read by python.
    const std::string py = (tmp.path() / "docs.py").string();
    testutil::writeFile(py, "import sys, zipfile, xml.etree.ElementTree as ET\n"
                            "z = zipfile.ZipFile(sys.argv[1])\n"
                            "root = ET.fromstring(z.read(z.namelist()[0]))\n"
                            "tag = lambda e: e.tag.split('}')[-1]\n"
                            "name = lambda e: next((n.text for n in e if tag(n) == 'name'), '')\n"
                            "for d in root.iter():\n"
                            "    if tag(d) in ('Document', 'Folder'):\n"
                            "        print(tag(d), name(d), sum(tag(p) == 'Placemark' for p in d.iter()))\n");
    // Saves the preview as DXF, audits it and returns the entities per
    // "layer type" and the layer table (name: switched on).
    std::map<std::string, bool> layerOn;
    auto exportDxf = [&](const std::string& file, bool full) {
        Secondary::DlgCfg().cbFullDxf->setChecked(full);
        const std::string dxf = (tmp.path() / file).string();
        testutil::AnswerFileDialog(viewer, dxf, 2);
        save->trigger();
        EXPECT_TRUE(fs::exists(dxf));
        const std::string out = Shell("/usr/bin/python3 '" + script + "' '" + dxf + "' 2>&1");
        EXPECT_EQ(out.find("ERROR"), std::string::npos) << out.substr(0, 2000);
        EXPECT_EQ(out.find("Traceback"), std::string::npos) << out.substr(0, 2000);
        std::map<std::string, int> count;
        layerOn.clear();
        for (const std::string& l : Lines(out)) {
            std::istringstream in(l);
            std::string a, b, c;
            in >> a >> b >> c;
            if (a == "LAYER")
                layerOn[b] = c == "True";
            else if (!c.empty() && a != "ERROR")
                count[a + " " + b] = std::stoi(c);
        }
        // Every layer written to is in the layer table.
        for (const auto& [key, n] : count)
            if (key.rfind("UNCOLOURED ", 0) != 0) {
                EXPECT_TRUE(layerOn.count(key.substr(0, key.find(' ')))) << key;
            }
        return count;
    };
    auto prefixed = [](const std::map<std::string, int>& count, const std::string& prefix, const std::string& type) {
        int layers = 0;
        for (const auto& [key, n] : count)
            layers += key.rfind(prefix, 0) == 0 && key.size() > type.size() &&
                      key.compare(key.size() - type.size(), type.size(), type) == 0;
        return layers;
    };
    int drawable = 0;
    for (int32_t l = 1; l <= Network.LinkCount; ++l)
        drawable += Arcos[l].AIndex > 0 && Arcos[l].BIndex > 0 && Arcos[l].Active;

    // The turning movements of a movement variable, picked from its button's menu:
    // the values bring the movement pictures they are written on.
    PickVariable(viewer, "tbMovimValues", [](QAction*) { return true; });
    QAction* movLinks = livemenus::Find(viewer, "Atributos2");
    ASSERT_NE(movLinks, nullptr);
    ASSERT_TRUE(livemenus::Find(viewer, "Atributos2")->isChecked());
    auto count = exportDxf("movimientos.dxf", false);
    EXPECT_EQ(prefixed(count, "MVT_", " POLYLINE"), 1);
    EXPECT_EQ(prefixed(count, "ATT_", " SOLID"), 0);
    int figures = 0;
    for (const auto& [key, n] : count)
        if (key.rfind("MVT_", 0) == 0 && key.find(" POLYLINE") != std::string::npos)
            figures = n;
    EXPECT_GT(figures, Network.MovementCount / 2);
    EXPECT_LE(figures, Network.MovementCount);

    // Bands, themes and values of a link variable.
    PickVariable(viewer, "tbAtributos", [](QAction* a) { return a->data().toInt() == 5; });
    ASSERT_GT(UserView().RangeVarArcos, 0);
    livemenus::Find(viewer, "tbValues")->trigger();
    ASSERT_TRUE(viewer->Down(Cmd::tbAtributos) && viewer->Down(Cmd::tbValues));
    const std::string rangeName = UserView().RangeName;
    const int32_t rangeColumn = UserView().RangeVarArcos;
    std::string name;
    for (char ch : rangeName)
        if (ch != ' ' && ch != '.')
            name += ch;
    int withValue = 0;
    const int32_t k = ColVarArcos[static_cast<size_t>(rangeColumn)];
    for (int32_t l = 1; l <= Network.LinkCount; ++l)
        withValue += Arcos[l].AIndex > 0 && Arcos[l].BIndex > 0 && Arcos[l].Active && Arcos[l].Var[k] != 0.0f;

    // Bands and values: every drawable link has its band and (when not 0) its value.
    count = exportDxf("bandas.dxf", false);
    EXPECT_EQ(count["ATT_" + name + " SOLID"], drawable);
    EXPECT_EQ(count["VAL_" + name + " TEXT"], withValue);
    EXPECT_EQ(count["TEM_" + name + " SOLID"], 0);
    EXPECT_TRUE(layerOn["ATT_" + name]);
    EXPECT_TRUE(layerOn["VAL_" + name]);
    EXPECT_EQ(count["RED LINE"], drawable);
    EXPECT_EQ(prefixed(count, "ATT_", " SOLID"), 1);
    // The KMZ of the same view writes the values the map writes: none of 0.
    {
        const std::string kmz = (tmp.path() / "bandas.kmz").string();
        testutil::AnswerFileDialog(viewer, kmz, 3);
        save->trigger();
        const std::string docs = Shell("/usr/bin/python3 '" + py + "' '" + kmz + "' 2>&1");
        EXPECT_NE(docs.find(ZelUtils::Format("\nFolder Valores %d\n", withValue)), std::string::npos) << docs;
    }
    // A scale given in "Escala..." (the box that keeps it left alone): the map's
    // bands widen, and both drawings band the variable shown as the map does.
    {
        const float before = UserView().RangeMax;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TKDVscale*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            ASSERT_FALSE(d->Fixed->isChecked());
            d->vMax->selectAll();
            QTest::keyClicks(d->vMax, QString::number(std::round(before / 2)));
            d->accept();
        });
        livemenus::Find(viewer, "Escala1")->trigger();
        ASSERT_LT(UserView().RangeMax, before);
        const std::string bands = (tmp.path() / "bands.py").string();
        testutil::writeFile(bands, "import sys, hashlib, ezdxf\n"
                                   "d = ezdxf.readfile(sys.argv[1])\n"
                                   "s = sorted(tuple(round(c, 3) for p in (e.dxf.vtx0, e.dxf.vtx1, e.dxf.vtx2, e.dxf.vtx3)"
                                   " for c in p) for e in d.modelspace().query('SOLID[layer==\"ATT_" + name + "\"]'))\n"
                                   "print(len(s), hashlib.md5(repr(s).encode()).hexdigest())\n");
        std::vector<std::string> drawn;
        for (bool full : {false, true}) {
            exportDxf(full ? "escala_completo.dxf" : "escala.dxf", full);
            drawn.push_back(Shell("/usr/bin/python3 '" + bands + "' '" +
                                  (tmp.path() / (full ? "escala_completo.dxf" : "escala.dxf")).string() + "' 2>&1"));
        }
        EXPECT_EQ(drawn[0].substr(0, drawn[0].find(' ')), std::to_string(drawable)) << drawn[0];
        EXPECT_EQ(drawn[1], drawn[0]);
    }

    // Two background layers of three polylines each, for the complete drawing.
    for (int layer = 1; layer <= 2; ++layer) {
        std::string text;
        for (int p = 1; p <= 3; ++p) {
            const double x = Network.MinX + (Network.MaxX - Network.MinX) * (layer * 3 + p) / 10.0;
            text += ZelUtils::Format("%d,2,%.3f,%.3f,%.3f,%.3f\r\n", 10 * layer + p, x, double(Network.MinY), x,
                                     double(Network.MaxY));
        }
        const std::string file = (tmp.path() / ZelUtils::Format("capa%d.geo", layer)).string();
        testutil::writeFile(file, text);
        viewer->Display().LineaSoleras(file, layer > 1);
    }
    ASSERT_EQ(GeoLayers().NumGeoLayers, 2);
    for (int layer = 1; layer <= 2; ++layer)
        if (UserView().Items[static_cast<size_t>(10 + layer)].Width <= 0)
            UserView().Items[static_cast<size_t>(10 + layer)].Width = 1;

    // The movements' variable chosen after the links' one: the link layers keep the
    // link variable's name, the movement layer takes its own.
    PickVariable(viewer, "tbMovimValues", [](QAction* a) { return a->text().contains("Saturaci"); });
    const std::string shownName = UserView().RangeName; // what the scale window names now

    // Colour themes and values, then the complete drawing with every variable.
    livemenus::Find(viewer, "tbColores")->trigger();
    ASSERT_TRUE(viewer->Down(Cmd::tbColores) && !viewer->Down(Cmd::tbAtributos));

    // The KMZ of the same view names its band document after the link variable
    // drawn, as the drawing names its layers; its range folders hold the bands.
    {
        const std::string kmz = (tmp.path() / "temas.kmz").string();
        testutil::AnswerFileDialog(viewer, kmz, 3);
        save->trigger();
        const std::string docs = Shell("/usr/bin/python3 '" + py + "' '" + kmz + "' 2>&1");
        const size_t band = docs.find("\nDocument " + rangeName + " ");
        ASSERT_NE(band, std::string::npos) << docs;
        EXPECT_EQ(docs.find("Saturaci"), std::string::npos) << docs;
        EXPECT_NE(docs.find("\nFolder (", band), std::string::npos) << docs;
        const std::string line = docs.substr(band + 1, docs.find('\n', band + 1) - band - 1);
        // A band for each link the map colours: none of value 0.
        EXPECT_EQ(std::stoi(line.substr(line.rfind(' ') + 1)), withValue) << line;
    }
    for (bool full : {false, true}) {
        SCOPED_TRACE(full ? "complete" : "basic");
        count = exportDxf(full ? "completo.dxf" : "temas.dxf", full);
        // Every link the map colours banded in a colour of the link variable's own
        // classes (none of value 0): the movement variable picked after it
        // classifies only the movements.
        EXPECT_LT(withValue, drawable);
        EXPECT_EQ(count["TEM_" + name + " SOLID"], withValue);
        EXPECT_EQ(count["UNCOLOURED TEM_" + name], 0);
        EXPECT_EQ(count["VAL_" + name + " TEXT"], withValue);
        EXPECT_TRUE(layerOn["TEM_" + name]);
        EXPECT_EQ(count["RED LINE"], drawable);
        EXPECT_EQ(layerOn.count("TEM_FlujoSaturaci\xC3\xB3n") + layerOn.count("VAL_FlujoSaturaci\xC3\xB3n"), 0u);
        // One code page, declared, for names and texts: the readers decode the
        // movement layer's name (ezdxf above, GDAL here) as it is meant.
        const std::string dxf = (tmp.path() / (full ? "completo.dxf" : "temas.dxf")).string();
        const std::string bytes = testutil::readFile(dxf);
        EXPECT_NE(bytes.find("$DWGCODEPAGE\r\n  3\r\nANSI_1252\r\n"), std::string::npos);
        EXPECT_EQ(bytes.find("\xC3\xB3"), std::string::npos); // no UTF-8 "ó"
        if (full) {
            const std::string ogr = Shell("ogrinfo -ro -q '" + dxf + "' -sql \"SELECT DISTINCT Layer FROM entities\" 2>&1");
            EXPECT_NE(ogr.find("= MVT_FlSat\n"), std::string::npos) << ogr.substr(0, 3000);
            EXPECT_EQ(ogr.find("Saturaci"), std::string::npos) << ogr.substr(0, 3000);
            EXPECT_NE(ogr.find("= TEM_" + name), std::string::npos) << ogr.substr(0, 3000);
            EXPECT_EQ(ogr.find("\xC3\x83"), std::string::npos) << ogr.substr(0, 3000);
        }
        if (full) {
            // Every link variable with values and every movement variable, the
            // layers of the others switched off.
            EXPECT_EQ(count["ATT_" + name + " SOLID"], drawable);
            EXPECT_FALSE(layerOn["ATT_" + name]);
            EXPECT_GT(prefixed(count, "ATT_", " SOLID"), 3);
            EXPECT_GE(prefixed(count, "MVT_", " POLYLINE"), 1);
            // Each background layer with its own polylines.
            EXPECT_EQ(count["SOLERA1 POLYLINE"], 3);
            EXPECT_EQ(count["SOLERA2 POLYLINE"], 3);
            for (const auto& [layer, on] : layerOn)
                if (layer.rfind("TEM_", 0) == 0 && layer != "TEM_" + name) {
                    EXPECT_FALSE(on) << layer;
                }
        } else {
            EXPECT_EQ(prefixed(count, "ATT_", " SOLID"), 0);
        }
    }
    // The same view printed from the preview: the colour legend is the link
    // variable's, over the map in the page's bottom right corner, with classes up
    // to the variable's greatest value; every link of a value other than 0 is
    // banded in one of its swatches' colours.
    const std::string emf = (tmp.path() / "vista.emf").string();
    livemenus::Find(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    ASSERT_NE(viewer->Printing().Preview(), nullptr);
    ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(emf));
    viewer->Printing().Preview()->close();
    const testutil::TMetafileReport page = testutil::CheckMetafile(emf);
    EXPECT_METAFILE_SOUND(page);
    testutil::ExpectLegendOverMapInCorner(page, QString::fromStdString(TitArcos[size_t(rangeColumn)]), true);
    const std::vector<std::pair<double, double>> classes = page.RangeClasses();
    ASSERT_FALSE(classes.empty()) << page.texts.join('|').toStdString();
    EXPECT_GE(classes.back().second, Arcos[ArcosMaxRec].Var[k] - 0.5);
    const std::vector<long long> swatches = page.LegendSwatches();
    int banded = 0;
    for (long long c : std::set<long long>(swatches.begin(), swatches.end()))
        banded += page.FillsOf(c) - int(std::count(swatches.begin(), swatches.end(), c));
    EXPECT_EQ(banded, withValue);
    // The export changed nothing of what the map shows.
    EXPECT_EQ(UserView().RangeName, shownName);
    EXPECT_EQ(UserView().RangeVarArcos, rangeColumn);
}

// The network exports hold the links of the hit grid's tiles in view: the grid is
// one tile over the whole network, so every placed link, however far the view is
// zoomed in. Street names read right in a GIS (the table's declared code page),
// whether the names came as UTF-8 or Windows-1252, cut at the field's 30
// characters, not inside one. The fields are the open network's: the preload
// field of a network opened before, with its listing, is not among them.
TEST_F(ExportGui, ShapefileAndKmzHoldEveryPlacedLink)
{
    if (!fs::exists(testutil::realDataPath("anaheim.dat")))
        FAIL() << "real networks not available";
    if (std::system("command -v ogrinfo >/dev/null 2>&1") != 0)
        FAIL() << "ogrinfo not available";
    viewer->show();
    QAction* save = livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave");
    // Before it, a network with a preload and its listing beside it: its
    // shapefile has the preload field, which goes with its network.
    std::string plod = testutil::readFile(std::string(VELMORA_TEST_DATA) + "/lst_net.dat");
    plod.replace(plod.find("&OPTION"), 7, "&OPTION PLOD=T");
    fs::create_directories(tmp.path() / "precarga");
    testutil::writeFile((tmp.path() / "precarga" / "red.dat").string(), plod);
    fs::copy_file(std::string(VELMORA_TEST_DATA) + "/lst_red.lpa", tmp.path() / "precarga" / "red.lpa");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon((tmp.path() / "precarga" / "red.dat").string()));
    testutil::AnswerFileDialog(viewer, (tmp.path() / "precarga.shp").string(), 4);
    save->trigger();
    EXPECT_NE(Shell("ogrinfo -ro -al -so '" + (tmp.path() / "precarga.shp").string() + "' 2>&1").find("FPlod: Real"),
              std::string::npos);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy("anaheim.dat", "red")));
    int placed = 0;
    for (int32_t l = 1; l <= Network.LinkCount; ++l)
        placed += Arcos[l].AIndex > 0 && Arcos[l].BIndex > 0 && Nodos[Arcos[l].AIndex].HasXY && Nodos[Arcos[l].BIndex].HasXY;
    ASSERT_EQ(placed, 914);
    // Street names from "Datos Complementarios": {bytes in the file, text a GIS reads}.
    const std::vector<std::pair<std::string, std::string>> streets = {
        {"Calle \xC3\x91" "and\xC3\xBA, 3\xC2\xAA", "Calle \xC3\x91" "and\xC3\xBA, 3\xC2\xAA"},
        {"Calle \xD1" "and\xFA, 3\xAA", "Calle \xC3\x91" "and\xC3\xBA, 3\xC2\xAA"},
        {"Calle del General San Martin \xC3\x91" "and\xC3\xBA", "Calle del General San Martin \xC3\x91\n"},
        {"Calle del General San Marti\xF0\x9F\x9A\x8C", "Calle del General San Marti?\n"}, // no such character in the table's code page
    };
    std::string csv = "A;B;Calle\r\n";
    for (size_t i = 0; i < streets.size(); ++i)
        csv += ZelUtils::Format("%d;%d;", Arcos[i + 1].A, Arcos[i + 1].B) + streets[i].first + "\r\n";
    testutil::writeFile((tmp.path() / "calles.csv").string(), csv);
    testutil::AnswerFileDialog(viewer, (tmp.path() / "calles.csv").string());
    livemenus::Find(viewer, "aOpenComp")->trigger();

    for (int zoomSteps : {0, 6}) {
        SCOPED_TRACE(zoomSteps);
        for (int k = 0; k < zoomSteps; ++k)
            livemenus::Find(viewer, "aAcercar1")->trigger();
        const std::string shp = (tmp.path() / ZelUtils::Format("arcos%d.shp", zoomSteps)).string();
        // The second time typed without its extension: the chosen filter's is taken.
        const auto typed = [zoomSteps](const std::string& name) {
            return zoomSteps ? fs::path(name).replace_extension().string() : name;
        };
        testutil::AnswerFileDialog(viewer, typed(shp), 4);
        // The second time a capacity too wide for its column: left empty, said.
        const float cap = Arcos[1].Var[5];
        if (zoomSteps)
            Arcos[1].Var[5] = 123456789.0f;
        RecordingServices ui;
        save->trigger();
        Arcos[1].Var[5] = cap;
        // One box: the bus sign had no letter in the table's code page.
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("Windows-1252"), std::string::npos) << ui.messages[0];
        EXPECT_EQ(ui.messages[0].find("qued\u00f3 vac\u00edo") != std::string::npos, zoomSteps > 0) << ui.messages[0];
        const std::string info = Shell("ogrinfo -ro -al -so '" + shp + "' 2>&1");
        EXPECT_NE(info.find("Feature Count: 914"), std::string::npos) << info;
        EXPECT_NE(info.find("Geometry: Line String"), std::string::npos) << info;
        EXPECT_EQ(info.find("FPlod"), std::string::npos) << info;
        const std::string rows = Shell("ogrinfo -ro -al -q '" + shp + "' 2>&1");
        for (const auto& [bytes, text] : streets)
            EXPECT_NE(rows.find("Calle (String) = " + text), std::string::npos) << text;
        EXPECT_EQ(rows.find("\xC3\x83"), std::string::npos); // no "Ã" of UTF-8 read as Windows-1252
        EXPECT_EQ(rows.find("Cap   (Real) = (null)") != std::string::npos, zoomSteps > 0);

        // The KMZ holds the documents; the KML beside it is gone.
        const std::string kmz = (tmp.path() / ZelUtils::Format("red%d.kmz", zoomSteps)).string();
        testutil::AnswerFileDialog(viewer, typed(kmz), 3);
        save->trigger();
        ASSERT_TRUE(fs::exists(kmz));
        EXPECT_FALSE(fs::exists(tmp.path() / ZelUtils::Format("red%d.kml", zoomSteps)));
        const std::string layers =
            Shell("ogrinfo -ro -al -so '/vsizip/" + kmz + ZelUtils::Format("/red%d.kml' 2>&1", zoomSteps));
        // The links document and the nodes document hold every placed link and node.
        const size_t arcos = layers.find("Layer name: arcos");
        ASSERT_NE(arcos, std::string::npos) << layers;
        EXPECT_NE(layers.find("Feature Count: 914", arcos), std::string::npos) << layers;
        const size_t nodos = layers.find("Layer name: nodos");
        ASSERT_NE(nodos, std::string::npos) << layers;
        EXPECT_NE(layers.find(ZelUtils::Format("Feature Count: %d", Network.NodeCount), nodos), std::string::npos)
            << layers;
    }
    EXPECT_LT(UserView().WorldMaxX - UserView().WorldMinX, (Network.MaxX - Network.MinX) / 2);
}

// The values written along the links read left to right, on paper as on the
// screen: of each two-way pair neither label stands upside down, nor reads down
// a vertical link. Read from the preview saved as a metafile (its texts and
// their fonts' angles).
TEST_F(ExportGui, ValueLabelsOfBothDirectionsReadUpright)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls-junctions.dat")))
        FAIL() << "real networks not available";
    viewer->show();
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy("siouxfalls-junctions.dat", "red")));
    // A variable every link holds a value of: every pair is labelled.
    PickVariable(viewer, "tbAtributos", [](QAction* a) { return a->text() == "Vel. Flujo Libre"; });
    livemenus::Find(viewer, "tbValues")->trigger();
    ASSERT_TRUE(viewer->Down(Cmd::tbValues));
    const std::string emf = (tmp.path() / "valores.emf").string();
    livemenus::Find(viewer, "aPrint1")->trigger(); // the preview of the view
    testutil::settle();
    testutil::AnswerFileDialog(viewer, emf, 0);
    livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave")->trigger();
    viewer->Printing().PreviewWindow().close();
    const testutil::TMetafileReport r = testutil::CheckMetafile(emf);
    ASSERT_TRUE(r.ran);
    ASSERT_EQ(r.textEscapements.size(), size_t(r.texts.size()));
    int turned = 0;
    for (size_t i = 0; i < r.textEscapements.size(); ++i) {
        const int a = ((r.textEscapements[i] % 3600) + 3600) % 3600;
        turned += a != 0;
        EXPECT_FALSE(a > 900 && a <= 2700) << r.texts[int(i)].toStdString() << " at " << r.textEscapements[i];
    }
    // Links that are not level have their values turned along them.
    EXPECT_GT(turned, 0);
}

// The network KMZ's colour document has one folder per class the legend lists,
// named after its bounds, in the document named after the variable as the drawing's layers,
// and each banded link in the folder of its class: a
// constant variable gives one folder holding every link, and the next variable
// its own classes again; the minimum class, switched on in "Rangos...", has its
// own folder holding the links the map colours in its colour (for a constant
// variable, the one folder: the bottom class is left nothing). Bounds that two
// decimals would write alike (a formula column of small values) take as many
// more as tell them apart.
TEST_F(ExportGui, KmzColourFoldersAreTheLegendsClasses)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls-junctions.dat")))
        FAIL() << "real networks not available";
    viewer->show();
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy("siouxfalls-junctions.dat", "red")));
    const std::string py = (tmp.path() / "folders.py").string();
    testutil::writeFile(py, "import sys, zipfile, xml.etree.ElementTree as ET\n"
                            "z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None\n"
                            "root = ET.fromstring(z.read(z.namelist()[0]))\n"
                            "tag = lambda e: e.tag.split('}')[-1]\n"
                            "name = lambda e: next((n.text for n in e if tag(n) == 'name'), '')\n"
                            "doc = [d for d in root.iter() if tag(d) == 'Document' and name(d) == sys.argv[2]][-1]\n"
                            "for f in doc:\n"
                            "    if tag(f) == 'Folder':\n"
                            "        print(name(f), sum(tag(p) == 'Placemark' for p in f.iter()))\n");
    ASSERT_TRUE(testutil::MakeFormulaColumn(viewer, Secondary::DlgFormula(), false, {"Cap"}, "Millon", "A/1000000"));
    livemenus::Find(viewer, "tbColores")->trigger();
    // {variable title, classes expected, links coloured, minimum class switched
    // on, only the selection shown}: the approaches of the junctions have a
    // capacity of 0, which the map leaves uncoloured.
    const std::vector<std::tuple<QString, size_t, int, bool, bool>> rows = {
        {"Vel. Flujo Libre", 1, 76, false, false}, {"Capacidad", 5, 13, false, false},
        {"Millon", 5, 13, false, false},
        {"Vel. Flujo Libre", 1, 76, false, false}, {"Vel. Flujo Libre", 1, 76, true, false},
        {"Vel. Flujo Libre", 1, 20, true, true}};
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& [title, expected, coloured, minimum, selection] = rows[i];
        SCOPED_TRACE(title.toStdString());
        PickVariable(viewer, "tbAtributos", [&](QAction* a) { return a->text() == title; });
        if (!viewer->Down(Cmd::tbColores))
            livemenus::Find(viewer, "tbColores")->trigger();
        ASSERT_TRUE(viewer->Down(Cmd::tbColores));
        if (minimum) {
            QTimer::singleShot(0, [] {
                auto* dlg = qobject_cast<TDlgRngs*>(QApplication::activeModalWidget());
                ASSERT_NE(dlg, nullptr);
                if (!dlg->Chk[0]->isChecked()) // the range set kept from the row before may have it on
                    QTest::mouseClick(dlg->Chk[0], Qt::LeftButton, {}, QPoint(4, dlg->Chk[0]->height() / 2));
                dlg->accept();
            });
            ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho", "Rangos1"));
            ASSERT_TRUE(UserView().RangeTable[0].Active);
        }
        if (selection) {
            // Twenty links selected (imported) and the map showing only them.
            std::string sel;
            for (int32_t k = 1; k <= 20; ++k)
                sel += ZelUtils::Format("%10d%10d%5d\r\n", Arcos[k].A, Arcos[k].B, 1);
            testutil::writeFile((tmp.path() / "veinte.sel").string(), sel);
            testutil::AnswerFilesDialog(viewer, QString::fromStdString(tmp.path().string()), {"veinte.sel"});
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "ImportaSeleccin1"));
            livemenus::Find(viewer, "tbSel")->trigger();
            ASSERT_TRUE(viewer->Down(Cmd::tbSel));
        }
        // The screen legend, grown by the classes of the variable picked, stays
        // whole inside the map.
        testutil::settle();
        EXPECT_TRUE(viewer->sym->isVisible() && viewer->img->rect().contains(viewer->sym->geometry()));
        const TViewState& u = UserView();
        std::string bound = "%.2f";
        for (int d = 3; d <= 6; ++d) {
            std::set<float> bounds;
            std::set<std::string> written;
            for (int32_t c : Ranges::LegendClasses(u.RangeTable, u.NumRanges))
                for (float b : {u.RangeTable[size_t(c)].Low, u.RangeTable[size_t(c)].High})
                    if (bounds.insert(b).second)
                        written.insert(ZelUtils::Format(bound.c_str(), double(b)));
            if (written.size() == bounds.size())
                break;
            bound = ZelUtils::Format("%%.%df", d);
        }
        std::string want;
        int banded = 0;
        for (int32_t c : Ranges::LegendClasses(u.RangeTable, u.NumRanges)) {
            if (c > 5)
                continue;
            int n = 0;
            for (int32_t l = 1; l <= Network.LinkCount; ++l) {
                const TArcos& a = Arcos[l];
                if (a.AIndex <= 0 || a.BIndex <= 0 || !a.Active || (selection && a.Mark < 1))
                    continue;
                const float v = a.Var[ColVarArcos[size_t(u.RangeVarArcos)]];
                if (v == 0.0f)
                    continue;
                int32_t last = -1;
                for (int32_t k = 0; k <= u.NumRanges && k <= MaxRangeClasses; ++k)
                    if (u.RangeTable[size_t(k)].Active && Ranges::ClassHolds(u.RangeTable, k, v))
                        last = k;
                n += last == c;
            }
            banded += n;
            want += ZelUtils::Format(("(" + bound + "-" + bound + ") %d\n").c_str(), double(u.RangeTable[size_t(c)].Low),
                                     double(u.RangeTable[size_t(c)].High), n);
        }
        EXPECT_EQ(std::count(want.begin(), want.end(), '\n'), long(expected)) << want;
        EXPECT_EQ(banded, coloured);
        const std::string kmz = (tmp.path() / ZelUtils::Format("colores%d.kmz", int(i))).string();
        testutil::AnswerFileDialog(viewer, kmz, 3);
        livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave")->trigger();
        EXPECT_EQ(Shell("/usr/bin/python3 '" + py + "' '" + kmz + "' '" + u.RangeName + "' 2>&1"),
                  want);
    }
}

// "Rangos..." of the map's menu edits the classes the map colours by, and the
// printed legend then lists the class as edited: the link colour map's, or the
// movement symbols' own classes while those are what the map colours. With both
// on, the legend on screen shows both, stacked as on the printed page.
TEST_F(ExportGui, RangeDialogEditsTheClassesOfTheLegendShown)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls-junctions.dat")))
        FAIL() << "real networks not available";
    viewer->show();
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy("siouxfalls-junctions.dat", "red")));
    // {layer shown, how the user shows it}
    const std::vector<std::pair<std::string, std::function<void()>>> rows = {
        {"enlaces", [&] {
             PickVariable(viewer, "tbAtributos", [](QAction* a) { return a->text() == "Capacidad"; });
             if (!viewer->Down(Cmd::tbColores))
                 livemenus::Find(viewer, "tbColores")->trigger();
         }},
        {"movimientos", [&] {
             PickVariable(viewer, "tbMovimValues", [](QAction* a) { return a->text().contains("Saturaci"); });
             if (!livemenus::Find(viewer, "Atributos2")->isChecked())
                 livemenus::Find(viewer, "Atributos2")->trigger();
         }},
    };
    std::vector<QImage> legends; // on screen after each row
    std::vector<std::string> shown; // the layers' switches after each row
    for (const auto& [layer, show] : rows) {
        SCOPED_TRACE(layer);
        show();
        double top = 0, edited = 0;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<TDlgRngs*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            top = dlg->vmx->Value();
            edited = std::round((dlg->vv[1]->Value() + dlg->v[2]->Value()) / 2);
            dlg->v[2]->clear();
            QTest::keyClicks(dlg->v[2], QString::number(edited));
            dlg->accept();
        });
        ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho", "Rangos1"));
        const std::string emf = (tmp.path() / (layer + ".emf")).string();
        livemenus::Find(viewer, "aPrint1")->trigger();
        testutil::settle();
        testutil::AnswerFileDialog(viewer, emf, 0);
        livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave")->trigger();
        viewer->Printing().PreviewWindow().close();
        const std::vector<std::pair<double, double>> classes = testutil::CheckMetafile(emf).RangeClasses();
        ASSERT_FALSE(classes.empty());
        // The dialog showed the classes of the legend (written with the legend's
        // decimals), and the legend took the edit.
        EXPECT_NEAR(classes.back().second, top, 0.5);
        EXPECT_TRUE(std::any_of(classes.begin(), classes.end(), [&](auto c) { return std::abs(c.second - edited) < 0.01; }))
            << edited;
        legends.push_back(viewer->sym->Picture());
        // The layers shown, as "Copiar Tema" keeps them.
        livemenus::Find(viewer, "CopiarTema1")->trigger();
        TIniFile themes("Velmorat.INI");
        ASSERT_EQ(themes.ReadSections().size(), 1u);
        shown.push_back(themes.ReadString(themes.ReadSections().front(), "Opciones", ""));
    }
    // A theme with both layers on (the buttons exclude each other), pasted.
    {
        TIniFile themes("Velmorat.INI");
        std::string both = shown[0];
        for (size_t i = 0; i < both.size() && i < shown[1].size(); ++i)
            both[i] = shown[1][i] == '1' ? '1' : both[i];
        themes.WriteString(themes.ReadSections().front(), "Opciones", both);
    }
    livemenus::Find(viewer, "PegarTema1")->trigger();
    testutil::settle();
    ASSERT_TRUE(viewer->Down(Cmd::tbColores) && livemenus::Find(viewer, "Atributos2")->isChecked());
    const QImage movements = legends.back(), both = viewer->sym->Picture();
    // The links' legend alone, the movement symbols switched off.
    livemenus::Find(viewer, "Atributos2")->trigger();
    testutil::settle();
    ASSERT_TRUE(viewer->Down(Cmd::tbColores) && !livemenus::Find(viewer, "Atributos2")->isChecked());
    const QImage links = viewer->sym->Picture();
    // Placed by the drawing at the bottom, the movements' over the links', as on
    // the printed page; moved by the user to the upper half, the other way round.
    const auto stacked = [&](const QImage& legend, const QImage& top, const QImage& bottom) {
        return legend.height() == top.height() + bottom.height() &&
               legend.copy(0, 0, top.width(), top.height()) == top.convertToFormat(legend.format()) &&
               legend.copy(0, top.height(), bottom.width(), bottom.height()) == bottom.convertToFormat(legend.format());
    };
    EXPECT_TRUE(stacked(both, movements, links));
    livemenus::Find(viewer, "PegarTema1")->trigger();
    testutil::settle();
    const QPoint grip(5, 5), up = grip - QPoint(0, viewer->sym->y() - 10);
    QTest::mousePress(viewer->sym, Qt::LeftButton, {}, grip);
    QTest::mouseMove(viewer->sym, up);
    QTest::mouseRelease(viewer->sym, Qt::LeftButton, {}, up);
    livemenus::Find(viewer, "aRedibujar")->trigger();
    testutil::settle();
    EXPECT_TRUE(stacked(viewer->sym->Picture(), links, movements));
    livemenus::Find(viewer, "Atributos2")->trigger();
    // The movement symbols alone, and the magnifier, which colours the links
    // when its options say so: the map's legend stays the movements' alone.
    livemenus::Find(viewer, "tbColores")->trigger();
    livemenus::Find(viewer, "Atributos2")->trigger();
    Secondary::DlgCfg().zAtributos->setChecked(true);
    viewer->SetDown(Cmd::tbZoom, true);
    QTest::mousePress(viewer->img, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseRelease(viewer->img, Qt::LeftButton, {}, QPoint(300, 200));
    Secondary::DlgCfg().zAtributos->setChecked(false);
    viewer->SetDown(Cmd::tbZoom, false);
    EXPECT_TRUE(viewer->sym->Picture() == movements.convertToFormat(viewer->sym->Picture().format()));
    // The top class cut below the greatest value: the movements above it are in
    // no class and keep the layer's pen on paper as on the map, not the silver
    // of a class switched off.
    double cut = 0;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<TDlgRngs*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        cut = std::round((dlg->vv[4]->Value() + dlg->vmx->Value()) / 2);
        dlg->vmx->clear();
        QTest::keyClicks(dlg->vmx, QString::number(cut));
        dlg->accept();
    });
    ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho", "Rangos1"));
    int above = 0;
    for (int32_t m = 1; m <= Network.MovementCount; ++m)
        above += DataLayers::MovimValue(Movims[m], UserView().RangeVarMovim) > cut;
    ASSERT_GT(above, 0);
    const std::string emf = (tmp.path() / "sin_clase.emf").string();
    livemenus::Find(viewer, "aPrint1")->trigger();
    testutil::settle();
    testutil::AnswerFileDialog(viewer, emf, 0);
    livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave")->trigger();
    viewer->Printing().PreviewWindow().close();
    const uint32_t pen = UserView().ModePenColors[size_t(UserView().RangeMode)];
    int plain = 0, silver = 0;
    for (const auto& s : testutil::CheckMetafile(emf).strokes) {
        plain += s.colour == pen;
        silver += s.colour == clSilver;
    }
    EXPECT_EQ(plain, above);
    EXPECT_EQ(silver, 0);
}

// A network given in degrees comes back to its own degrees, whatever zone the
// options name; every ring written (junction outlines too) is closed. Read by
// python's zipfile and XML parser.
TEST_F(ExportGui, KmzOfNetworksLandWhereTheirFilesPutThemWithClosedRings)
{
    if (!fs::exists(testutil::realDataPath("chicago-sketch.dat")))
        FAIL() << "real networks not available";
    const std::string script = (tmp.path() / "kmz.py").string();
    {
        std::ofstream py(script);
        // Tuples are written as "%12.8f,%12.8f": a blank may follow a comma.
        py << "import re, sys, zipfile, xml.etree.ElementTree as ET\n"
              "z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None\n"
              "root = ET.fromstring(z.read(z.namelist()[0]))\n"
              "tag = lambda e: e.tag.split('}')[-1]\n"
              "tuples = lambda t: re.sub(r',\\s+', ',', t).split()\n"
              "rings = opened = 0\n"
              "for e in root.iter():\n"
              "    if tag(e) == 'LinearRing':\n"
              "        c = [t for e2 in e.iter() if tag(e2) == 'coordinates' for t in tuples(e2.text)]\n"
              "        rings += 1; opened += len(c) < 4 or c[0] != c[-1]\n"
              "print('rings', rings, 'open', opened)\n"
              "for d in root.iter():\n"
              "    if tag(d) == 'Document' and any(tag(n) == 'name' and n.text == 'nodos' for n in d):\n"
              "        for pm in d.iter():\n"
              "            if tag(pm) == 'Placemark' and [n.text for n in pm if tag(n) == 'name'] == [sys.argv[2]]:\n"
              "                print('node', tuples(next(e.text for e in pm.iter() if tag(e) == 'coordinates')))\n";
    }
    QAction* save = livemenus::Find(&viewer->Printing().PreviewWindow(), "tbSave");
    viewer->show();
    // The options' zone (19 S by default) is not where either network lies.
    for (const char* name : {"anaheim.dat", "chicago-sketch.dat", "anaheim.dat"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy(name, "red")));
        const std::string kmz = (tmp.path() / (std::string(name) + ".kmz")).string();
        testutil::AnswerFileDialog(viewer, kmz, 3);
        save->trigger();
        const std::string out = Shell("/usr/bin/python3 '" + script + "' '" + kmz + "' 1 2>&1");
        EXPECT_NE(out.find("rings "), std::string::npos) << out;
        EXPECT_NE(out.find(" open 0\n"), std::string::npos) << out;
        EXPECT_EQ(out.find("rings 0 "), std::string::npos) << out;
        if (std::string(name) == "anaheim.dat") {
            // Node 1 of the file: -117.88014171 33.87115553; a metre is about 1e-5 degrees.
            double lon = 0, lat = 0;
            ASSERT_EQ(std::sscanf(out.substr(out.find("node ['")).c_str(), "node ['%lf,%lf", &lon, &lat), 2) << out;
            EXPECT_NEAR(lon, -117.88014171, 1e-5);
            EXPECT_NEAR(lat, 33.87115553, 1e-5);
        }
    }
}

// Text exports other tools read right, made from the live menus after another
// network was open: street names with commas and quotes keep every row at the
// title's field count (python's csv), the transit lines keep their names through
// "Formato líneas Palvon" (read back by the program's own network reader) and the
// ".geo" trace, and EMME/2 centroids take no node's number.
TEST_F(ExportGui, TextExportsKeepFieldsLineNamesAndEmmeNumbers)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls.dat")))
        FAIL() << "real networks not available";
    viewer->show();
    const std::string script = (tmp.path() / "check.py").string();
    testutil::writeFile(script, "import csv, sys\n"
                                "delim = {'csv': ',', 'tab': '\\t'}[sys.argv[1].rsplit('.', 1)[1]]\n"
                                "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='latin-1'), delimiter=delim))\n"
                                "print(sorted(set(len(r) for r in rows)), len(rows))\n"
                                "for r in rows:\n"
                                "    if any('Central' in c for c in r): print(repr(r[2]))\n");

    // EMME/2 of a network whose zones are numbered as nodes.
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy("siouxfalls.dat", "sioux")));
    ASSERT_GT(Network.ZoneCount, 0);
    QAction* emme = livemenus::Find(viewer, "ExportaraEMME2");
    ASSERT_NE(emme, nullptr);
    ASSERT_TRUE(emme->isVisible() && emme->isEnabled());
    const std::string network = (tmp.path() / "sioux.network").string();
    testutil::AnswerFileDialog(viewer, network);
    emme->trigger();
    const std::string emmePy = (tmp.path() / "emme.py").string();
    testutil::writeFile(emmePy, "import sys\n"
                                "b = sys.argv[1]\n"
                                "cents = [int(l[2:8]) for l in open(b + '.cents') if l.startswith('a*')]\n"
                                "lines = open(b + '.network').read().split('\\n')\n"
                                "nodes = [int(l[2:8]) for l in lines[:lines.index('t links')] if l.startswith('a ')]\n"
                                "links = [(int(l[2:10]), int(l[10:18])) for l in lines if l.startswith('a ') and len(l) > 60]\n"
                                "access = [a for a in links if a[0] in set(cents)]\n"
                                "print(len(cents), len(nodes), len(set(cents) & set(nodes)), sum(a == b for a, b in links),\n"
                                "      len(access), all(b in set(nodes) for a, b in access))\n");
    const std::string emmeOut = Shell("/usr/bin/python3 '" + emmePy + "' '" + (tmp.path() / "sioux").string() + "' 2>&1");
    EXPECT_EQ(emmeOut, ZelUtils::Format("%d %d 0 0 %d True\n", Network.ZoneCount, Network.NodeCount,
                                        Network.ZoneCount));
    // Zones connected along links (section 22222) get no access link to load their
    // demand through: the user is told so, and only then.
    for (const auto& [file, notice] : {std::pair{"siouxfalls.dat", false}, std::pair{"siouxfalls-junctions.dat", true}}) {
        ASSERT_TRUE(viewer->Files().AbrirRedPalvon(Copy(file, "emme")));
        RecordingServices ui;
        const fs::path base = tmp.path() / "emme" / fs::path(file).stem();
        testutil::AnswerFileDialog(viewer, base.string() + ".network");
        emme->trigger();
        EXPECT_TRUE(fs::exists(base.string() + ".cents")) << file;
        EXPECT_EQ(ui.anyMessageContains("no podr\u00e1n cargar demanda"), notice) << file;
        // Zones numbered as nodes: the centroids' numbers are said, in the same one box.
        ASSERT_EQ(ui.messages.size(), 1u) << file;
        EXPECT_NE(ui.messages[0].find("la zona 1 es el centroide 101"), std::string::npos) << ui.messages[0];
    }

    // The sample town, with street names holding commas and quotes, its transit
    // lines read as the options say ("Incluir rutas fijas", ticked as the user does).
    for (auto* b : Secondary::DlgCfg().RutasFijas->findChildren<QRadioButton*>())
        if (b->text() == QStringLiteral("Incluir rutas fijas"))
            QTest::mouseClick(b, Qt::LeftButton);
    const fs::path town = tmp.path() / "pueblo";
    fs::create_directories(town);
    fs::copy_file(fs::path(VELMORA_SOURCE_DIR) / "samples" / "ejemplo.dat", town / "ejemplo.dat");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon((town / "ejemplo.dat").string()));
    ASSERT_EQ(Network.LineCount, 2);
    const std::vector<int32_t> stops = Lineas[2].Stops;
    const std::string street = "Av. \"Central\", Norte";
    testutil::writeFile((town / "calles.csv").string(), "A;B;Calle;Flujo\r\n102;103;" + street + ";42\r\n");
    viewer->Files().OpenComplementaryFile((town / "calles.csv").string());
    viewer->Grids().LinkGridMouseOver = true;
    emit viewer->pupArcos->aboutToShow();
    QAction* links = livemenus::Find(viewer, "ExportarArcos");
    ASSERT_NE(links, nullptr);
    emit viewer->pupArcos->aboutToHide();
    // A name typed without its extension takes that of the filter chosen, never
    // the dialog's first: the user's "tabulado.csv" stays as it was.
    testutil::writeFile((town / "tabulado.csv").string(), "del usuario");
    for (const auto& [typed, filter, file] : {std::tuple{"arcos.csv", 0, "arcos.csv"},
                                              std::tuple{"arcos.tab", 1, "arcos.tab"},
                                              std::tuple{"tabulado", 1, "tabulado.tab"}}) {
        const std::string path = (town / file).string();
        testutil::AnswerFileDialog(viewer, (town / typed).string(), filter);
        links->trigger();
        const std::string out = Shell("/usr/bin/python3 '" + script + "' '" + path + "' 2>&1");
        // Each row: every cell and the empty field after the last separator.
        EXPECT_EQ(out, ZelUtils::Format("[%d] %d\n", viewer->sagArcos->ColCount() + 1, viewer->sagArcos->RowCount()) +
                           "'Av. \"Central\", Norte'\n")
            << file;
    }
    EXPECT_EQ(testutil::readFile((town / "tabulado.csv").string()), "del usuario");

    // The transit lines as the network file's section and as traces.
    QAction* lines = livemenus::Find(viewer, "ExportarDatos4");
    ASSERT_NE(lines, nullptr);
    const std::string section = (town / "lineas.txt").string();
    testutil::AnswerFileDialog(viewer, section, 4);
    lines->trigger();
    const std::string sectionText = testutil::readFile(section);
    EXPECT_EQ(sectionText.substr(0, 15), " L01A   12    5");
    // The section put in place of the file's own reads back with the same names.
    std::string dat = testutil::readFile((town / "ejemplo.dat").string());
    const size_t from = dat.find("66666\r\n") + 7, to = dat.find("99999", from);
    ASSERT_NE(to, std::string::npos);
    dat = dat.substr(0, from) + sectionText + dat.substr(to);
    testutil::writeFile((town / "releida.dat").string(), dat);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon((town / "releida.dat").string()));
    ASSERT_EQ(Network.LineCount, 2);
    EXPECT_EQ(Lineas[1].Name + Lineas[1].LineCode + Lineas[2].Name + Lineas[2].LineCode, "L01AL02B");
    EXPECT_EQ(Lineas[2].Stops, stops);
    // A frequency wider than its four columns is refused, once, in Spanish; the
    // file written before stays whole.
    {
        const int frec = 5;
        ASSERT_EQ(viewer->sagLineas->cell(frec, 0), "Frec");
        viewer->sagLineas->setCell(frec, 1, "10000");
        testutil::SaidInBoxes boxes;
        QStringList& said = boxes.said;
        testutil::AnswerFileDialog(viewer, section, 4);
        lines->trigger();
        ASSERT_EQ(said.size(), 1) << said.join('|').toStdString();
        EXPECT_TRUE(said[0].contains(QStringLiteral("frecuencia (10000)"))) << said[0].toStdString();
        EXPECT_EQ(testutil::readFile(section), sectionText);
    }

    const std::string geo = (town / "lineas.geo").string();
    testutil::AnswerFileDialog(viewer, geo, 3);
    lines->trigger();
    const auto traces = Lines(testutil::readFile(geo));
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(traces[0].substr(0, 7), "100001,");
    EXPECT_EQ(traces[1].substr(0, 7), "100002,");
}

// A name typed without an extension is saved under the extension of the format
// chosen in the dialog's list, in that format: the preview's save and "Exportar
// datos" of the link grid and the colour chart, read back by python and ogrinfo.
TEST_F(ExportGui, NamesTypedWithoutExtensionTakeTheFormatChosen)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls.dat")))
        FAIL() << "real networks not available";
    QAction* save = SiouxfallsPreviewSave();
    ASSERT_NE(save, nullptr);
    // {command, filter chosen, file expected, independent reading, what it says}
    const std::vector<std::tuple<QAction*, int, std::string, std::string, std::string>> rows = {
        {save, 3, "mapa.kmz", "/usr/bin/python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).namelist())' ",
         "['mapa.kml']"},
        {save, 4, "mapa.shp", "ogrinfo -ro -al -so ", "Feature Count: 76"},
        {save, 2, "mapa.dxf", "head -c 9 ", "  0\r\nSECT"},
        {save, 5, "mapa.gif", "head -c 6 ", "GIF8"},
        {livemenus::Find(viewer, "ImprimirColores1"), -1, "cuadro.emf",
         "/usr/bin/python3 -c 'import sys; print(open(sys.argv[1], \"rb\").read(4) == b\"\\x01\\0\\0\\0\")' ", "True"},
        {livemenus::Find(viewer, "ExportarArcos"), 1, "datos.tab",
         "/usr/bin/python3 -c 'import sys, csv; print(len(next(csv.reader(open(sys.argv[1]), delimiter=\"\\t\"))) > 5)' ",
         "True"},
    };
    for (const auto& [command, filter, file, reader, says] : rows) {
        SCOPED_TRACE(file);
        const fs::path typed = tmp.path() / fs::path(file).stem();
        testutil::AnswerFileDialog(viewer, typed.string(), filter);
        command->trigger();
        testutil::settle();
        if (fs::path(file).extension() != ".emf") {
            EXPECT_FALSE(fs::exists(typed.string() + ".emf"));
        }
        EXPECT_FALSE(fs::exists(typed.string() + ".csv"));
        EXPECT_FALSE(fs::exists(typed));
        ASSERT_TRUE(fs::exists(tmp.path() / file));
        const std::string read = Shell(reader + "'" + (tmp.path() / file).string() + "' 2>&1");
        EXPECT_NE(read.find(says), std::string::npos) << read;
        fs::remove(tmp.path() / file);
    }
    viewer->Printing().PreviewWindow().close();
    // The dialogs remember their folders in the settings folder, not in a file of
    // the user's home.
    EXPECT_TRUE(fs::exists(tmp.path() / "QtProject.conf"));
}

// The options' "Generar archivos UTM" writes the coordinates' and each layer's UTM
// file under names it makes up beside the network: files there are replaced only
// on a yes to one question naming them, and "No" writes none; a member that
// cannot be replaced (read-only, a link) refuses the whole set, said once, before
// any question; with no network open nothing is written where the program runs.
// What is written is read back by python.
TEST_F(ExportGui, UtmFilesBesideTheNetworkAreReplacedOnlyOnAYesAndWhole)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls.dat")))
        FAIL() << "real networks not available";
    viewer->show();
    const fs::path dir = fs::path(Copy("siouxfalls.dat", "utm")).parent_path();
    // The button pressed on its page of the options.
    const auto press = [&] {
        livemenus::WhenModalShown(viewer, [](QWidget* w) {
            auto* options = qobject_cast<TDlgCfg*>(w);
            ASSERT_NE(options, nullptr);
            QTabWidget* pages = options->CfgPaginas;
            const int page = pages->indexOf(options->sbWriteGeo->parentWidget()->parentWidget());
            ASSERT_GE(page, 0);
            QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(page).center());
            QTest::mouseClick(options->sbWriteGeo, Qt::LeftButton);
            options->reject();
        });
        livemenus::Find(viewer, "Options1")->trigger();
        testutil::settle();
    };
    // No network yet (as in a fresh program): nothing is written where the program
    // runs, and that is said.
    PalvonRead::ClearNetwork();
    fs::current_path(dir);
    {
        RecordingServices ui;
        press();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("No hay una red abierta"), std::string::npos) << ui.messages[0];
        EXPECT_FALSE(fs::exists(dir / "T55555_UTM_.DAT"));
    }
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon((dir / "siouxfalls.dat").string()));
    fs::copy_file(testutil::dataPath("layer_kerbs.geo"), dir / "bordes.geo");
    viewer->Files().ChooseOpenFiles = [&](const QString&, const QString&, bool) {
        return QStringList{QString::fromStdString((dir / "bordes.geo").string())};
    };
    {
        RecordingServices quiet;
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aOpenSolera"));
    }
    viewer->Files().ChooseOpenFiles = nullptr;
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    const std::vector<std::string> set = {(dir / "T55555_UTM_.DAT").string(), (dir / "SOLERA1_UTM_.DAT").string()};
    const std::string victim = (dir / "victima.txt").string();
    enum Kind { User, ReadOnly, Link };
    // {files of the set there (by index, how), answer, written, refusal said}
    const std::vector<std::tuple<std::vector<std::pair<int, Kind>>, bool, bool, std::string>> rows = {
        {{}, false, true, ""},
        {{{1, User}}, false, false, ""},
        {{{0, User}, {1, User}}, true, true, ""},
        {{{0, ReadOnly}, {1, User}}, true, false, set[0]},
        {{{1, Link}}, true, false, "enlace simbólico"},
    };
    for (const auto& [there, yes, written, refusal] : rows) {
        SCOPED_TRACE(std::to_string(there.size()) + (yes ? " yes" : " no") + refusal);
        for (const std::string& f : set) {
            if (fs::exists(f))
                fs::permissions(f, fs::perms(0644));
            fs::remove(f);
        }
        testutil::writeFile(victim, "del usuario");
        for (const auto& [i, kind] : there) {
            if (kind == Link)
                fs::create_symlink(victim, set[size_t(i)]);
            else
                testutil::writeFile(set[size_t(i)], "del usuario");
            if (kind == ReadOnly)
                fs::permissions(set[size_t(i)], fs::perms(0444));
        }
        RecordingServices ui;
        ui.answerYes = yes;
        press();
        ASSERT_EQ(ui.messages.size(), refusal.empty() ? 0u : 1u) << ui.messages.front();
        if (!refusal.empty()) {
            EXPECT_NE(ui.messages[0].find(refusal), std::string::npos) << ui.messages[0];
        }
        // One question, naming every file there, when there is one to replace.
        const bool asks = !there.empty() && refusal.empty();
        ASSERT_EQ(ui.questions.size(), asks ? 1u : 0u);
        for (const auto& [i, kind] : asks ? there : std::vector<std::pair<int, Kind>>())
            EXPECT_NE(ui.questions[0].find(set[size_t(i)]), std::string::npos) << ui.questions[0];
        EXPECT_EQ(testutil::readFile(victim), "del usuario");
        for (size_t i = 0; i < set.size(); ++i) {
            const bool wasThere = std::any_of(there.begin(), there.end(), [&](const auto& t) { return t.first == int(i); });
            if (!written) {
                EXPECT_EQ(fs::exists(set[i]), wasThere) << set[i];
                continue;
            }
            // Nodes "%5d" and zone centroids "C%4d", then the X and Y of 15 columns;
            // the layer's polylines "id,n" then n points.
            const std::string read = Shell(
                "/usr/bin/python3 -c 'import sys; L = open(sys.argv[1]).read().splitlines(); "
                "print(len(L), all(len(l) == 35 for l in L) if sys.argv[2] == \"0\" else "
                "all(len(l.split(\",\")) == 2 + 2 * int(l.split(\",\")[1]) for l in L))' '" +
                set[i] + "' " + std::to_string(i));
            EXPECT_EQ(read, i == 0 ? "48 True\n" : "3 True\n") << set[i];
        }
    }
}

// The exports that write a set of files under the name given (the shapefile's
// .shp, .shx and .dbf from the menu and from the preview's save, EMME/2's four)
// ask once, naming them, before replacing files of the set the user did not
// name; a "No" writes nothing and says nothing more, a "Yes" writes the whole set
// (read back by ogrinfo and python), a name with a dot inside included. The
// named file alone there asks nothing. A member there that cannot be replaced
// (read-only) refuses the set, and a network EMME/2 cannot take refuses the
// export, said once, before any question.
TEST_F(ExportGui, FilesBesideTheNamedOneAreReplacedOnlyOnAYes)
{
    if (!fs::exists(testutil::realDataPath("siouxfalls.dat")))
        FAIL() << "real networks not available";
    QAction* save = SiouxfallsPreviewSave();
    ASSERT_NE(save, nullptr);
    const std::string shp = "ogrinfo -ro -al -so ";
    const std::string emme = "/usr/bin/python3 -c 'import sys; b = sys.argv[1][:-8]; "
                             "print([open(b + e).readline().strip() for e in (\".cents\", \".network\", \".fixed\")])' ";
    const std::string emf = "/usr/bin/python3 -c 'import sys; print(open(sys.argv[1], \"rb\").read(4) == b\"\\x01\\0\\0\\0\")' ";
    // {command, filter, set written, files there before (by index in the set), the
    //  one of them read-only (-1 none), independent reading of the named file, what
    //  it says once written}
    const std::vector<
        std::tuple<QAction*, int, std::vector<std::string>, std::vector<int>, int, std::string, std::string>>
        rows = {
            {livemenus::Find(viewer, "ExportarShp"), -1, {"a.shp", "a.shx", "a.dbf"}, {0, 1, 2}, -1, shp,
             "Feature Count: 76"},
            {save, 4, {"b.shp", "b.shx", "b.dbf"}, {2}, -1, shp, "Feature Count: 76"},
            {save, 4, {"c.shp", "c.shx", "c.dbf"}, {0}, -1, shp, "Feature Count: 76"},
            {livemenus::Find(viewer, "ExportarShp"), -1, {"c.v2.shp", "c.v2.shx", "c.v2.dbf"}, {2}, -1, shp,
             "Feature Count: 76"},
            {livemenus::Find(viewer, "ExportarShp"), -1, {"g.shp", "g.shx", "g.dbf"}, {0}, -1, shp,
             "Feature Count: 76"},
            {save, 4, {"e.shp", "e.shx", "e.dbf"}, {1, 2}, 1, shp, ""},
            {save, 0, {"h.emf"}, {0}, -1, emf, "True"},
            {livemenus::Find(viewer, "ExportaraEMME2"), -1, {"d.network", "d.cents", "d.links", "d.fixed"}, {0, 1, 3},
             -1, emme, "['t nodes', 't nodes', 't lines']"},
            {livemenus::Find(viewer, "ExportaraEMME2"), -1, {"i.network", "i.cents", "i.links", "i.fixed"}, {0},
             -1, emme, "['t nodes', 't nodes', 't lines']"},
            {livemenus::Find(viewer, "ExportaraEMME2"), -1, {"f.network", "f.cents", "f.links", "f.fixed"}, {1, 2}, 2,
             emme, ""},
        };
    // The exports' refusals come in boxes of their own: each is read and closed.
    testutil::SaidInBoxes boxes;
    QStringList& refused = boxes.said;
    // With the options' "Confirmar sobreescritura" on, the named file there is asked
    // about too, in the same one question (the save dialog asks nothing).
    QCheckBox* confirm = Secondary::DlgCfg().cbOverwrite;
    for (const bool confirming : {false, true}) {
        if (confirm->isChecked() != confirming)
            confirm->click();
        ASSERT_EQ(confirm->isChecked(), confirming);
        for (const auto& [command, filter, set, before, readOnly, reader, says] : rows)
            for (const bool yes : {false, true}) {
                SCOPED_TRACE(set.front() + (confirming ? " confirmando" : "") + (yes ? " yes" : " no"));
                const fs::path dir = tmp.path() / (confirming ? "con" : "sin") / (yes ? "si" : "no");
                fs::create_directories(dir);
                std::vector<std::string> there;
                bool asks = false;
                for (const int i : before) {
                    testutil::writeFile((dir / set[size_t(i)]).string(), "del usuario");
                    there.push_back((dir / set[size_t(i)]).string());
                    asks = asks || i > 0 || confirming;
                }
                if (readOnly >= 0) {
                    fs::permissions(dir / set[size_t(readOnly)], fs::perms(0444));
                    asks = false;
                }
                RecordingServices ui;
                ui.answerYes = yes;
                refused.clear();
                testutil::AnswerFileDialog(viewer, (dir / set.front()).string(), filter);
                command->trigger();
                testutil::settle();
                ASSERT_EQ(refused.size(), readOnly >= 0 ? 1 : 0) << refused.join('|').toStdString();
                if (readOnly >= 0) {
                    EXPECT_TRUE(refused[0].contains(QString::fromStdString(set[size_t(readOnly)])));
                }
                // One question, naming every file of the set there, the named one too.
                ASSERT_EQ(ui.questions.size(), asks ? 1u : 0u);
                for (const std::string& file : asks ? there : std::vector<std::string>())
                    EXPECT_NE(ui.questions[0].find(file), std::string::npos) << ui.questions[0];
                const bool written = readOnly < 0 && (yes || !asks);
                // EMME/2 written says how its centroids are numbered (siouxfalls' zones are node numbers).
                EXPECT_EQ(ui.messages.size(), written && set.front().ends_with(".network") ? 1u : 0u);
                for (size_t i = 0; i < set.size(); ++i) {
                    const bool wasThere = std::count(before.begin(), before.end(), int(i)) > 0;
                    EXPECT_EQ(fs::exists(dir / set[i]), written || wasThere) << set[i];
                    if (!written && wasThere) {
                        EXPECT_EQ(testutil::readFile((dir / set[i]).string()), "del usuario") << set[i];
                    }
                }
                if (written) {
                    const std::string read = Shell(reader + "'" + (dir / set.front()).string() + "' 2>&1");
                    EXPECT_NE(read.find(says), std::string::npos) << read;
                }
            }
        // A name of a kind the preview cannot save is refused once, before any question.
        const std::string unknown = (tmp.path() / "k.txt").string();
        testutil::writeFile(unknown, "del usuario");
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, unknown, 0);
        save->trigger();
        testutil::settle();
        EXPECT_TRUE(ui.questions.empty());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("k.txt"), std::string::npos) << ui.messages[0];
        EXPECT_EQ(testutil::readFile(unknown), "del usuario");
    }
    confirm->click();
    // A network EMME/2 cannot take (a link from a node to itself) is said once,
    // before any question about the files there.
    const int32_t b = Arcos[1].B;
    Arcos[1].B = Arcos[1].A;
    RecordingServices ui;
    refused.clear();
    testutil::AnswerFileDialog(viewer, (tmp.path() / "sin" / "si" / "d.network").string());
    livemenus::Find(viewer, "ExportaraEMME2")->trigger();
    testutil::settle();
    Arcos[1].B = b;
    EXPECT_TRUE(ui.questions.empty());
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].contains(QStringLiteral("consigo mismo"))) << refused[0].toStdString();
    viewer->Printing().PreviewWindow().close();
}
