// The main window as a user meets it: defaults, dropped files, Escape, and the
// polygon batch run by the real program.
#include "mainwindow/Aptta.h"
#include "widgets/DialogButtons.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/MapEditController.h"
#include "mainwindow/tools/MapTools.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/ProgramSettings.h"
#include "map/GeoLayers.h"
#include "map/gui/DisplayController.h"
#include "model/CoordinatesFiles.h"
#include "model/KDVlib.h"
#include "export/GeoWriters.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ReadAhead.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"
#include "model/gui/FrmDat.h"
#include "map/gui/OxrImage.h"
#include "platform/IniFile.h"
#include "support/FileDialogAnswer.h"
#include "support/GuiTestUtil.h"
#include "support/LiveMenus.h"
#include "support/MetafileCheck.h"
#include "support/IdentityCases.h"
#include "support/ProgramRun.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"
#include "support/WindowSnapshot.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QTimer>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QSpinBox>
#include "widgets/gaugeCaption.h"
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QAbstractButton>
#include <QTranslator>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolButton>
#include <QPointer>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <functional>
#include <optional>

namespace {

std::string SamplePath() { return std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat"; }

class MainWindow : public ViewerFixture {
protected:
    void Drop(const QStringList& files) { viewer->WMDropFiles(files); }
    // The sample dropped from a folder of its own, with the settings to be saved at
    // closing (layout and overwrite) and no recent file remembered yet.
    std::string DropForClosing(const std::string& folder)
    {
        const std::string net = Copy(SamplePath(), folder, "Red.dat");
        Drop({QString::fromStdString(net)});
        EXPECT_EQ(DatFileName, "Red.dat");
        RecentFiles.clear();
        Secondary::DlgCfg().cbSaveLayout->setChecked(true);
        Secondary::DlgCfg().cbOverwrite->setChecked(true);
        return net;
    }
    // A copy of a network in a folder of its own (the program writes beside it).
    std::string Copy(const std::string& from, const std::string& folder, const std::string& name)
    {
        std::filesystem::create_directories(tmp.path() / folder);
        const std::string to = (tmp.path() / folder / name).string();
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
        return to;
    }
    // "Abrir Red Palvon" from the menu, the file typed into its dialog.
    void Open(const std::string& path)
    {
        testutil::AnswerFileDialog(viewer, path);
        EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    }
    // The network named on the command line: read ahead while the window is made,
    // taken up by the first opening.
    void ReadAhead(const std::string& path)
    {
        viewer->Files().SetReadAhead(std::make_unique<PalvonRead::TReadAhead>(
            path, viewer->Files().ReadSettings(), ProgramOptions().UtmZone(), ProgramOptions().Hemisphere()));
    }
};

// Answers the message boxes that come up, in turn, each with a key press as the
// user answers them, and keeps their texts.
class BoxAnswers : public QObject {
public:
    BoxAnswers(std::vector<int> keys) : keys_(std::move(keys))
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box->property("answered").toBool() || keys_.empty())
                return;
            box->setProperty("answered", true);
            texts << box->text();
            const int key = keys_.front();
            keys_.erase(keys_.begin());
            QTest::keyClick(box, static_cast<Qt::Key>(key));
        });
        timer_.start(10);
    }
    ~BoxAnswers() override { EXPECT_TRUE(keys_.empty()) << keys_.size() << " boxes did not come"; }
    QStringList texts;

private:
    std::vector<int> keys_;
    QTimer timer_;
};

} // namespace

TEST_F(MainWindow, CreationDefaults)
{
    EXPECT_EQ(UserView().NodeSize, 3);
    EXPECT_EQ(UserView().ArrowSize, 8);
    EXPECT_EQ(UserView().CentroidSize, 10);
    EXPECT_EQ(UserView().SignalSize, 10);
    EXPECT_FLOAT_EQ(UserView().Lanes.LaneOffset, 1.5f * UserView().Lanes.AnchoPista);
    EXPECT_TRUE(JtypeSelected[3]);
    EXPECT_FALSE(JtypeSelected[1]);
    EXPECT_STREQ(XYFormat, "%.5f");
    EXPECT_EQ(viewer->StatusPanels[0]->text(), "Inactivo");
    EXPECT_FALSE(viewer->tnDatos->isTabVisible(viewer->tnDatos->indexOf(viewer->tsLineas)));
    EXPECT_FALSE(livemenus::Find(viewer, "ExportaraEMME2")->isVisible());
    EXPECT_FALSE(BatchMode);
    // Paper sizes do not depend on the monitor the program starts on.
    viewer->show();
    testutil::settle();
    EXPECT_FLOAT_EQ(UserView().SizeFactor, 5.0f);
    // The options dialog is made when first needed, showing the options as the start left them.
    EXPECT_EQ(DlgCfg, nullptr);
    EXPECT_DOUBLE_EQ(Secondary::DlgCfg().Screen2Print->value(), 5.0);
}

TEST_F(MainWindow, OneDroppedFileOpensTwoAreIgnored)
{
    Network.Loaded = 0;
    Drop({QString::fromStdString(SamplePath()), QString::fromStdString(SamplePath())});
    EXPECT_EQ(Network.Loaded, 0);
    Drop({QString::fromStdString(SamplePath())});
    EXPECT_EQ(Network.Loaded, 1);
    EXPECT_EQ(DatFileName, "ejemplo.dat");
    EXPECT_GT(Network.LinkCount, 0);
    EXPECT_DOUBLE_EQ(UserView().WorldMinX, Network.MinX);
    EXPECT_EQ(UserView().ZoomIndex, 1);
    EXPECT_TRUE(livemenus::Find(viewer, "tbArrows")->isEnabled());
}

// Reading a large network moves the gauge thousands of times; it repaints at most
// about ten times a second (each repaint costs about a millisecond).
TEST_F(MainWindow, TheReadingGaugeRepaintsAtMostTenTimesASecond)
{
    const std::string berlin = testutil::realDataPath("berlin-center-truncated.dat");
    if (!std::filesystem::exists(berlin))
        FAIL() << "real networks not available";
    const std::string copy = tmp.file("berlin.dat");
    std::filesystem::copy_file(berlin, copy);
    viewer->show();
    testutil::settle();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    viewer->pbc->installEventFilter(&counter); // the caption gauge along the map shows the reading
    QElapsedTimer clock;
    clock.start();
    Drop({QString::fromStdString(copy)});
    const qint64 ms = clock.elapsed();
    ASSERT_EQ(Network.LinkCount, 23996);
    EXPECT_GT(counter.paints, 0);
    EXPECT_LE(counter.paints, ms / 100 + 4) << ms << " ms";
}

TEST_F(MainWindow, EscapeCancelsTheMouseMode)
{
    viewer->show();
    TMapTools& tools = viewer->MapEdit().MapTools();
    livemenus::Find(viewer, "Regla1")->setEnabled(true); // as after an opening
    viewer->Grids().PickedItem = 7;
    viewer->SetDown(Cmd::tbZoom, true);
    viewer->SetDown(Cmd::tbCurve, true);
    EXPECT_FALSE(viewer->Down(Cmd::tbZoom)); // one tool armed at a time
    livemenus::Find(viewer, "Regla1")->trigger();
    EXPECT_FALSE(viewer->Down(Cmd::tbCurve));
    EXPECT_EQ(tools.Armed().Mode(), TMapToolMode::Ruler);
    QTest::keyClick(viewer, Qt::Key_Escape);
    EXPECT_EQ(tools.Armed().Mode(), TMapToolMode::ZoomBox);
    EXPECT_EQ(viewer->Grids().PickedItem, -1);
    // Other keys leave the mode alone.
    livemenus::Find(viewer, "Regla1")->trigger();
    QTest::keyClick(viewer, Qt::Key_A);
    EXPECT_EQ(tools.Armed().Mode(), TMapToolMode::Ruler);
    QTest::keyClick(viewer, Qt::Key_Escape);
}

// Sum of movement variable v over the movements of junction j that enter (or leave)
// by one of its arms.
static double JunctionTotal(int32_t j, int v, bool entering)
{
    double sum = 0;
    for (int32_t m = 1; m <= Network.MovementCount; ++m) {
        const TMovimiento& mv = Movims[m];
        if (mv.Node != Nodos[j].Number)
            continue;
        for (int32_t i = 0; i < Nodos[j].ArmCount; ++i)
            if (Nodos[j].Arms[i].OtherNode == (entering ? mv.A : mv.C)) {
                sum += mv.Var[v];
                break;
            }
    }
    return sum;
}

static double ArmTotals(int32_t j, int v, bool entering)
{
    double sum = 0;
    for (const TConector& arm : Nodos[j].Arms) {
        const std::vector<float>& t = entering ? arm.InTotals : arm.OutTotals;
        if (!t.empty())
            sum += t[static_cast<size_t>(v)];
    }
    return sum;
}

TEST_F(MainWindow, EveryWayInBuildsTheFlowMenuAndArmTotals)
{
    // An item left from an earlier network goes when a network is dropped: the
    // sample has no flow results, so the menu is then empty.
    viewer->varMix->addAction("Flujo de otra red");
    Drop({QString::fromStdString(SamplePath())});
    ASSERT_EQ(Network.Loaded, 1);
    EXPECT_TRUE(viewer->varMix->actions().isEmpty());

    // Arm totals add up to the junction's movements, each by its own arm
    // (variable 1, the saturation flow, is there without any listing).
    int32_t j = 0;
    for (int32_t n = 1; n <= Network.NodeCount && !j; ++n)
        if (Nodos[n].ArmCount >= 3 && JunctionTotal(n, 1, true) > 0)
            j = n;
    ASSERT_GT(j, 0);
    EXPECT_NEAR(ArmTotals(j, 1, true), JunctionTotal(j, 1, true), 1e-3);
    EXPECT_NEAR(ArmTotals(j, 1, false), JunctionTotal(j, 1, false), 1e-3);

    // A movement whose entry node is no arm of its junction adds to no arm.
    int32_t m = 1;
    while (m <= Network.MovementCount && (Movims[m].Node != Nodos[j].Number || Movims[m].Var[1] <= 0))
        ++m;
    ASSERT_LE(m, Network.MovementCount);
    double before = ArmTotals(j, 1, true);
    Movims[m].A = 999999;
    viewer->Files().ConstruyeMixs();
    EXPECT_NEAR(ArmTotals(j, 1, true), before - Movims[m].Var[1], 1e-3);
    EXPECT_NEAR(ArmTotals(j, 1, false), JunctionTotal(j, 1, false), 1e-3);
}

TEST_F(MainWindow, OpenDataFileTakesTheKindFromTheChosenFilter)
{
    viewer->show();
    Network.Loaded = 0;
    const QString sample = QString::fromStdString(SamplePath());
    // "Conteos palvon" with a .dat: read as counts (not there yet), not as a network.
    testutil::AnswerFileDialog(viewer, sample, 3);
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "tbOpenDat"));
    EXPECT_EQ(Network.Loaded, 0);
    // "Red Palvon DAT": the network opens.
    testutil::AnswerFileDialog(viewer, sample, 0);
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "tbOpenDat"));
    EXPECT_EQ(Network.Loaded, 1);
    EXPECT_EQ(DatFileName, "ejemplo.dat");
}

TEST_F(MainWindow, OddFilesGetOneSpanishAnswerAndLeaveTheOpenNetwork)
{
    viewer->show();
    // Lines ending in CR alone: the network opens as the CR LF original does.
    Drop({QString::fromStdString(SamplePath())});
    const int32_t links = Network.LinkCount, nodes = Network.NodeCount;
    std::string bytes = testutil::readFile(SamplePath());
    for (size_t p = bytes.find("\r\n"); p != std::string::npos; p = bytes.find("\r\n", p + 1))
        bytes.erase(p + 1, 1);
    testutil::writeFile(tmp.file("mac.dat"), bytes);
    testutil::AnswerFileDialog(viewer, tmp.file("mac.dat"), 0);
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "tbOpenDat"));
    ASSERT_EQ(DatFileName, "mac.dat");
    EXPECT_EQ(Network.LinkCount, links);
    EXPECT_EQ(Network.NodeCount, nodes);
    const std::vector<std::string> text = FrmDat->Lines().ToVector();

    // A pipe and a binary file chosen in the open dialog, a folder given on the
    // command line: one box each, in Spanish, and the open network stays as it is.
    ASSERT_EQ(mkfifo(tmp.file("tubo.dat").c_str(), 0644), 0);
    std::string binary(4096, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919u) >> 3);
    testutil::writeFile(tmp.file("binario.dat"), binary);
    std::filesystem::create_directories(tmp.path() / "carpeta.dat");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {tmp.file("tubo.dat"), "es una tubería"},
        {tmp.file("binario.dat"), "no es un archivo de texto"},
        {tmp.file("carpeta.dat"), "es una carpeta"}};
    for (const auto& [file, why] : cases) {
        RecordingServices ui;
        if (file.find("carpeta") != std::string::npos) {
            viewer->SetCommandLine({QString::fromStdString(file)});
            viewer->FormShow();
        } else {
            testutil::AnswerFileDialog(viewer, file, 0);
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "tbOpenDat"));
        }
        ASSERT_EQ(ui.messages.size(), 1u) << file;
        EXPECT_NE(ui.messages[0].find(why), std::string::npos) << ui.messages[0];
        EXPECT_NE(ui.messages[0].find(file), std::string::npos) << ui.messages[0];
        EXPECT_EQ(Network.Loaded, 1);
        EXPECT_EQ(DatFileName, "mac.dat");
        EXPECT_EQ(Network.LinkCount, links);
        EXPECT_TRUE(FrmDat->Lines() == text) << file;
    }
}

// Files that end or break off before they hold any network (empty, cut inside the
// first namelist, without any node or link section) are refused with one message
// and the network open stays open and drawn (the program does not close for want
// of their coordinates); so is one whose includes would expand without bound, or
// include a file without end, in a process held to 2 GB of address space. The
// error list the program writes beside each network on its own never follows a
// link there: the file the link names is left as it was.
TEST_F(MainWindow, FilesHoldingNoNetworkAreRefusedAndTheErrorListFollowsNoLink)
{
    const std::string sample = Copy(SamplePath(), "s", "ejemplo.dat");
    testutil::writeFile(tmp.file("notas.txt"), "mis notas\n");
    std::filesystem::create_symlink(tmp.file("notas.txt"), tmp.path() / "s" / "Errores.txt");
    viewer->Files().ReadSettings().ErrorListFile = "Errores.txt"; // beside each network, as the program writes it
    viewer->show();
    Open(sample);
    ASSERT_EQ(DatFileName, "ejemplo.dat");
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.path() / "s" / "Errores.txt"));
    EXPECT_EQ(testutil::readFile(tmp.file("notas.txt")), "mis notas\n");
    const int32_t links = Network.LinkCount;
    const std::vector<std::string> text = FrmDat->Lines().ToVector();
    auto ink = [&] {
        QApplication::processEvents();
        const QImage& picture = viewer->img->Picture();
        int count = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2)
                count += picture.pixel(x, y) != picture.pixel(0, 0);
        return count;
    };
    ASSERT_GT(ink(), 100);

    testutil::writeFile(tmp.file("vacio.dat"), "");
    testutil::writeFile(tmp.file("cortado.dat"), " &OPTION PLOD=T\r\n");
    testutil::writeFile(tmp.file("sinarcos.dat"), " &OPTION &END\r\nTITULO\r\n &PARAM &END\r\n55555\r\n"
                                                  "  101  450000.0  4500000.0\r\n99999\r\n99999\r\n");
    // Include bombs: six files of 17 KB that each name the next a thousand times.
    for (char c = 'a'; c < 'g'; ++c) {
        std::string text;
        for (int i = 0; i < 1000; ++i)
            text += ZelUtils::Format("$        %c.dat\r\n", c + 1);
        testutil::writeFile(tmp.file(std::string(1, c) + ".dat"), text);
    }
    testutil::writeFile(tmp.file("g.dat"), "* fin\r\n");
    // And one that names a file of 1 MB 999 times.
    std::string wide, mega;
    for (int i = 0; i < 999; ++i)
        wide += "$        mega.dat\r\n";
    while (mega.size() < (1u << 20))
        mega += "* comentario de relleno para ocupar un mega\r\n";
    testutil::writeFile(tmp.file("ancho.dat"), wide);
    testutil::writeFile(tmp.file("mega.dat"), mega);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"vacio.dat", "namelist &OPTION sin &END"},
        {"cortado.dat", "namelist &OPTION sin &END"},
        {"sinarcos.dat", "ninguna sección de nodos ni de arcos"},
        {"vacio.dat", "namelist &OPTION sin &END"}};
    for (const auto& [file, why] : cases) {
        RecordingServices ui;
        Open(tmp.file(file));
        ASSERT_EQ(ui.messages.size(), 1u) << file;
        EXPECT_NE(ui.messages[0].find(why), std::string::npos) << ui.messages[0];
        EXPECT_NE(ui.messages[0].find("La red no se ha cargado"), std::string::npos) << ui.messages[0];
        EXPECT_TRUE(viewer->isVisible());
        EXPECT_EQ(Network.Loaded, 1);
        EXPECT_EQ(DatFileName, "ejemplo.dat");
        EXPECT_EQ(Network.LinkCount, links);
        EXPECT_TRUE(FrmDat->Lines() == text) << file;
        EXPECT_GT(ink(), 100) << file;
    }
    // An include bomb and a file without end, opened in a process held to 2 GB of
    // address space (a child of this one, the window and the sample with it).
    for (const char* include : {"a.dat", "ancho.dat", "/proc/self/pagemap"}) {
        SCOPED_TRACE(include);
        testutil::writeFile(tmp.file("bomba.dat"), ZelUtils::Format(" &OPTION &END\r\nT\r\n &PARAM &END\r\n33333\r\n"
                                                                    "$        %s\r\n99999\r\n99999\r\n",
                                                                    include));
        const pid_t pid = testutil::Fork();
        if (pid == 0) {
            ::alarm(120);
            rlimit as{2ull << 30, 2ull << 30};
            ::setrlimit(RLIMIT_AS, &as);
            // Never back into the test: its end would remove the folder the parent uses.
            try {
                RecordingServices ui;
                Open(tmp.file("bomba.dat"));
                ::_exit(ui.messages.size() == 1 && ui.messages[0].find("La red no se ha cargado") != std::string::npos &&
                                Network.Loaded == 1 && DatFileName == "ejemplo.dat" && Network.LinkCount == links &&
                                FrmDat->Lines() == text
                            ? 0
                            : 1);
            } catch (...) {
                ::_exit(2);
            }
        }
        int status = -1;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    EXPECT_EQ(testutil::readFile(tmp.file("notas.txt")), "mis notas\n");
}

// Reading a network holds at its peak the bytes it keeps and four bytes per line
// (the file's line ends go back to the system as the reading passes them): 1.7 MB
// per MB of file for one-character comment lines, about 4 at worst (empty LF lines
// only), 1.1 for ordinary network lines. The text window's copy of the text as
// read (the edits given up go back to it) shares the lines until one is edited:
// 2.2 is allowed, the rest of the opening included (2.0 measured).
TEST_F(MainWindow, OpeningANetworkOfCommentLinesTakesMemoryInProportion)
{
    viewer->show();
    std::string bytes = testutil::readFile(SamplePath());
    std::string comments;
    for (int i = 0; i < 11 << 20; ++i)
        comments += "*\r\n";
    bytes.insert(bytes.find("11111"), comments);
    comments = std::string();
    testutil::writeFile(tmp.file("comentarios.dat"), bytes);
    const double fileMb = double(bytes.size()) / (1 << 20);
    bytes = std::string();
    ASSERT_TRUE(testutil::ResetPeakMemory());
    const long before = testutil::MemoryKb();
    testutil::AnswerFileDialog(viewer, tmp.file("comentarios.dat"), 0);
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "tbOpenDat"));
    const double peakMb = double(testutil::PeakMemoryKb() - before) / 1024;
    ASSERT_EQ(DatFileName, "comentarios.dat");
    EXPECT_GT(Network.LinkCount, 0);
    EXPECT_EQ(FrmDat->Lines().size(), size_t(11 << 20) + 157);
    EXPECT_LT(peakMb, 2.2 * fileMb) << peakMb << " MB for a file of " << fileMb << " MB";
}

TEST_F(MainWindow, OpeningWithoutCoordinatesIsRefusedAndKeepsTheEarlierNetwork)
{
    Drop({QString::fromStdString(SamplePath())});
    ASSERT_EQ(Network.Loaded, 1);
    const std::string sample = DatFileName;
    const int32_t links = Network.LinkCount;
    ASSERT_GT(viewer->sagArcos->RowCount(), 2);
    viewer->show();
    // The coordinates file is asked for; the user cancels.
    viewer->Files().AskCoordinatesWithoutScreen = true;
    testutil::WhenFileDialogShown(viewer, [](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Open coordinates file");
        QMetaObject::invokeMethod(dialog, "reject");
    });
    RecordingServices ui;
    Drop({QString::fromStdString(testutil::dataPath("junc_two_junctions.dat"))});
    // The program goes on with the earlier network, whole, on show.
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(ui.anyMessageContains("junc_two_junctions.dat no se abrió")) << ui.messages.back();
    EXPECT_FALSE(ui.anyMessageContains("Terminando"));
    EXPECT_EQ(DatFileName, sample);
    EXPECT_EQ(Network.Loaded, 1);
    EXPECT_EQ(Network.LinkCount, links);
    EXPECT_EQ(viewer->sagArcos->RowCount(), links + 1);
    for (int r = 1; r < viewer->sagArcos->RowCount(); ++r)
        EXPECT_NE(viewer->sagArcos->cell(3, r), "");
    // Positions moved from here on go beside the network open, not the one refused.
    EXPECT_EQ(CoordinatesFileName, KDVlib::PositionsFileName(DatDir, sample));
}

TEST_F(MainWindow, CoordinatesFileThatPlacesNoNodeKeepsTheNetworkOpen)
{
    viewer->show();
    viewer->Files().AskCoordinatesWithoutScreen = true;
    // Numbers that name no node of the network.
    testutil::writeFile(tmp.file("otra.geo"), "7001,450000.0,4500000.0\r\n7002,450100.0,4500100.0\r\n");
    RecordingServices ui;
    testutil::WhenFileDialogShown(viewer, [this](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Open coordinates file");
        testutil::TypeFileAndAccept(dialog, QString::fromStdString(tmp.file("otra.geo")), 0);
    });
    // A cursor set before the opening (a map tool's, say) is the one left after it:
    // the opening gives its hourglass back once, though it lets it go early for the
    // message and the file dialog.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    const std::string net = Copy(testutil::dataPath("junc_two_junctions.dat"), "j", "junc_two_junctions.dat");
    Drop({QString::fromStdString(net)});
    const QCursor* left = QApplication::overrideCursor();
    EXPECT_TRUE(left && left->shape() == Qt::CrossCursor);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(Network.Loaded, 1);
    EXPECT_EQ(Network.HasCoordinates, 0);
    EXPECT_GT(Network.LinkCount, 0);
    // The file chosen is only read: moved positions go to the network's own file.
    EXPECT_EQ(CoordinatesFileName, KDVlib::PositionsFileName(DatDir, "junc_two_junctions.dat"));
    EXPECT_TRUE(ui.anyMessageContains("El archivo otra.geo no da coordenadas a ningún nodo de la red."));
    EXPECT_FALSE(ui.anyMessageContains("inhabilitada"));
    // The grids hold the network, the map a window of its own.
    EXPECT_EQ(viewer->sagArcos->RowCount(), Network.LinkCount + 1);
    EXPECT_LT(UserView().WorldMinX, UserView().WorldMaxX);
    EXPECT_LT(UserView().WorldMinY, UserView().WorldMaxY);
    viewer->RedrawMap();
    EXPECT_TRUE(livemenus::Find(viewer, "aAcercar1")->isEnabled());

    // Positions saved for this network (as "Sí" writes them) place it when it is
    // opened again: no coordinates file is asked for.
    std::string positions;
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        positions += ZelUtils::Format("%d,%.5f,%.5f\r\n", Nodos[n].Number, 450000.0 + 10 * n, 4500000.0 + 5 * n);
    testutil::writeFile(CoordinatesFileName, positions);
    // Were one asked for, none would be given and the network would be refused.
    viewer->Files().AskCoordinatesWithoutScreen = false;
    ui.messages.clear();
    Drop({QString::fromStdString(net)});
    EXPECT_FALSE(ui.anyMessageContains("Coordenadas")) << ui.messages.back();
    EXPECT_FALSE(ui.anyMessageContains("inhabilitada"));
    EXPECT_TRUE(viewer->isVisible());
    ASSERT_EQ(Network.HasCoordinates, 1);
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        EXPECT_FLOAT_EQ(Nodos[n].X, static_cast<float>(450000.0 + 10 * n)) << Nodos[n].Number;
    EXPECT_LT(Network.MinX, 450000.0f + 10) << "the extent has its margin";
}

// A coordinates file that cannot be read as text is said so once, not also as a
// file that places no node.
TEST_F(MainWindow, UnreadableCoordinatesFileIsToldOnce)
{
    viewer->show();
    viewer->Files().AskCoordinatesWithoutScreen = true;
    testutil::writeFile(tmp.file("binario.geo"), std::string("10,1\0\0\0\0\0\0\0\0,2\r\n", 14));
    RecordingServices ui;
    testutil::WhenFileDialogShown(viewer, [this](QFileDialog* dialog) {
        testutil::TypeFileAndAccept(dialog, QString::fromStdString(tmp.file("binario.geo")), 0);
    });
    Drop({QString::fromStdString(Copy(testutil::dataPath("junc_two_junctions.dat"), "j", "junc_two_junctions.dat"))});
    viewer->Files().AskCoordinatesWithoutScreen = false;
    EXPECT_EQ(Network.Loaded, 1);
    int said = 0;
    for (const std::string& m : ui.messages)
        said += m.find("binario.geo") != std::string::npos ? 1 : 0;
    EXPECT_EQ(said, 1);
    EXPECT_FALSE(ui.anyMessageContains("no da coordenadas"));
}

TEST_F(MainWindow, CrowdedJunctionOutlinesGoToTheErrorListNotToABox)
{
    const std::string net = testutil::realDataPath("chicago-sketch.dat");
    if (!std::filesystem::exists(net))
        FAIL() << "no real networks";
    viewer->show();
    RecordingServices ui;
    Network.ErrorList.clear(); // kept across reads: only this opening's lines
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(net));
    EXPECT_EQ(Network.Loaded, 1);
    EXPECT_TRUE(ui.messageWindow.empty()) << ui.messageWindow.front();
    EXPECT_FALSE(ui.anyMessageContains("contorno"));
    // The nodes are named in "Errores.txt", the status bar says how many.
    const std::string errors = testutil::readFile(Network.ErrorListFile);
    size_t listed = 0;
    for (size_t p = errors.find("con más arcos de los que admite su contorno"); p != std::string::npos;
         p = errors.find("con más arcos de los que admite su contorno", p + 1))
        ++listed;
    EXPECT_GT(listed, 1u);
    EXPECT_EQ(ui.status[1], ZelUtils::Format("%d nodos con más arcos de los que admite su contorno (ver Errores.txt)",
                                             int(listed)));
}

// The network named on the command line shows its map first; its grids, their
// columns and the variable menus are there once the map has been painted, and
// before whatever the user does first (here a key pressed on the window before
// the map was painted).
TEST_F(MainWindow, OneCommandLineParameterOpensItInteractively)
{
    for (const bool keyFirst : {false, true}) {
        SCOPED_TRACE(keyFirst ? "key pressed first" : "map painted first");
        viewer->show();
        QApplication::processEvents();
        PalvonRead::ClearNetwork();
        viewer->SetCommandLine({QString::fromStdString(SamplePath())});
        viewer->FormShow();
        EXPECT_EQ(Network.Loaded, 1);
        EXPECT_EQ(DatFileName, "ejemplo.dat");
        EXPECT_EQ(InteractiveRun, 1);
        EXPECT_FALSE(BatchMode);
        EXPECT_TRUE(DrawEnabled);
        EXPECT_EQ(viewer->BatchExitCode, 0);
        ASSERT_GT(Network.LinkCount, 0);
        if (keyFirst)
            QTest::keyClick(viewer, Qt::Key_Shift);
        else // the map painted, and what waited for it done
            (void)QTest::qWaitFor([&] { return viewer->sagArcos->RowCount() == Network.LinkCount + 1; }, 5000);
        EXPECT_EQ(viewer->sagArcos->RowCount(), Network.LinkCount + 1);
        EXPECT_EQ(viewer->sagArcos->cell(0, Network.LinkCount), ZelUtils::Format("%d", Arcos[Network.LinkCount].A));
        EXPECT_GT(viewer->Grids().VarArcos->actions().size(), 0);
        EXPECT_GT(Arcos[ArcosMaxRec].Var[7], 0.0f); // the longest link's length
        viewer->hide();
    }
}

TEST_F(MainWindow, ThreeCommandLineParametersAreIgnored)
{
    Network.Loaded = 0;
    viewer->SetCommandLine({QString::fromStdString(SamplePath()), "b.plg", "c"});
    viewer->FormShow();
    EXPECT_EQ(Network.Loaded, 0);
    EXPECT_EQ(InteractiveRun, 1);
    EXPECT_FALSE(BatchMode);
}

TEST_F(MainWindow, ClosingSavesIntoTheSettingsFolderEvenWithoutTheNetworkFolder)
{
    const std::string net = DropForClosing("red");
    ASSERT_FALSE(HasFailure());
    // The network's folder goes away while the program runs.
    std::filesystem::current_path(VELMORA_SOURCE_DIR);
    std::filesystem::remove_all(tmp.path() / "red");
    ASSERT_NO_THROW(viewer->Settings().SaveAtClose());
    TIniFile ini(tmp.file("Velmora0.INI"));
    EXPECT_EQ(ini.ReadString("Velmora", "General", "").substr(0, 4), "1;1;");
    EXPECT_EQ(ini.ReadString("File1", "FileName", ""), net);
    EXPECT_EQ(ini.ReadString("File1", "Fecha", "").size(), 19u);
    EXPECT_FALSE(std::filesystem::exists(std::string(VELMORA_SOURCE_DIR) + "/Velmora0.INI"));
}

// A network whose name holds a line break cannot be remembered on one line of
// the settings file: the program's own settings are saved all the same.
TEST_F(MainWindow, ClosingSavesTheSettingsWhenTheNetworkNameHoldsALineBreak)
{
    const std::string net = DropForClosing("red\nnueva");
    ASSERT_FALSE(HasFailure());
    ASSERT_NO_THROW(viewer->Settings().SaveAtClose());
    TIniFile ini(tmp.file("Velmora0.INI"));
    EXPECT_EQ(ini.ReadString("Velmora", "General", "").substr(0, 4), "1;1;");
    EXPECT_FALSE(ini.ValueExists("File1", "FileName"));

    // The same for a line layer from that folder on a network from another: the
    // network is remembered, without that layer.
    const std::string other = tmp.file("Otra.dat"), layer = (tmp.path() / "red\nnueva" / "capa.geo").string();
    std::filesystem::copy_file(SamplePath(), other);
    testutil::writeFile(layer, "7,2,300000,6125100,300300,6125150\r\n");
    Drop({QString::fromStdString(other)});
    ASSERT_EQ(DatFileName, "Otra.dat");
    viewer->Display().OpenLineLayerFile(layer, false);
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    ASSERT_NO_THROW(viewer->Settings().SaveAtClose());
    TIniFile again(tmp.file("Velmora0.INI"));
    EXPECT_EQ(again.ReadString("File1", "FileName", ""), other);
    EXPECT_EQ(again.ReadString("File1", "Soleras", ""), "0");
}

// Qt's own texts are Spanish as well, once start-up installs them: leaving
// through "Salir" asks with "Sí" and "No", and "No" keeps the program running.
TEST_F(MainWindow, LeavingAsksWithSpanishButtons)
{
    QTranslator* texts = InstallSpanishQtTexts();
    ASSERT_NE(texts, nullptr) << "Qt's Spanish texts are missing (Debian package qt6-translations-l10n)";
    viewer->AskOnClose = true;
    viewer->show();
    QApplication::processEvents(); // the window is up, as when a user reaches the menu
    QStringList captions;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* b : box->buttons())
            captions << b->text().remove(QLatin1Char('&'));
        box->button(QMessageBox::No)->click();
    });
    EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo", "FileExitItem"));
    captions.sort();
    EXPECT_EQ(captions, QStringList({QStringLiteral("No"), QStringLiteral("Sí")}));
    EXPECT_TRUE(viewer->isVisible());
    viewer->AskOnClose = false;
    QCoreApplication::removeTranslator(texts);
    delete texts;
}

// Settings that cannot be written (a read-only file) never keep the user in the
// program: closing says so once and the window goes; the file is left as it was.
TEST_F(MainWindow, UnwritableSettingsDoNotKeepTheProgramOpen)
{
    const std::string net = tmp.file("Red.dat");
    std::filesystem::copy_file(SamplePath(), net);
    viewer->show();
    QApplication::processEvents();
    Drop({QString::fromStdString(net)});
    Secondary::DlgCfg().cbSaveLayout->setChecked(true);
    const std::string settings = tmp.file("Velmora0.INI");
    testutil::writeFile(settings, "[Velmora]\r\nGeneral=1;1;1;1;1;5;1;1\r\n");
    std::filesystem::permissions(settings, std::filesystem::perms(0444));
    viewer->AskOnClose = true;
    QStringList texts;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            texts << box->text();
            box->button(box->buttons().contains(box->button(QMessageBox::Yes)) ? QMessageBox::Yes : QMessageBox::Ok)
                ->click();
        }
    });
    answer.start(20);
    for (int attempt = 0; attempt < 2 && viewer->isVisible(); ++attempt)
        livemenus::Click(viewer, "menu:Archivo", "FileExitItem");
    answer.stop();
    viewer->AskOnClose = false;
    EXPECT_FALSE(viewer->isVisible());
    ASSERT_EQ(texts.size(), 2) << texts.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Velmora0.INI: es de solo lectura"))) << texts[1].toStdString();
    EXPECT_EQ(testutil::readFile(settings), "[Velmora]\r\nGeneral=1;1;1;1;1;5;1;1\r\n");
}

TEST_F(MainWindow, ProgramKeysRoundTripThroughTheOptions)
{
    const std::string general = "0;1;1;0;1;7;1;1";
    const std::string prefs = "1;0;1;0;1;0;0;1;1;0;1;0;1;1;0;0";
    const std::string colores = "1;2;3;4;5;6;7;8;2;9;3;10;1;11;4;12;1";
    const std::string ampl = "255;250;1;3;1;0;0;1;1;1";
    testutil::writeFile(tmp.file("Velmora0.INI"), "[Velmora]\r\nGeneral=" + general + "\r\nPreferencias=" + prefs +
                                                     "\r\nColores=" + colores + "\r\nAmpliacion=" + ampl + "\r\n");
    viewer->Settings().LeerVelmora();
    std::filesystem::remove(tmp.file("Velmora0.INI"));
    viewer->Settings().GrabarVelmora();
    TIniFile ini(tmp.file("Velmora0.INI"));
    EXPECT_EQ(ini.ReadString("Velmora", "General", ""), general);
    EXPECT_EQ(ini.ReadString("Velmora", "Preferencias", ""), prefs);
    EXPECT_EQ(ini.ReadString("Velmora", "Colores", ""), colores);
    EXPECT_EQ(ini.ReadString("Velmora", "Ampliacion", ""), ampl);
    // A new selection width is every class's width.
    EXPECT_EQ(UserView().ClassWidths[1], 2);
    EXPECT_EQ(UserView().ClassWidths[NumSelClasses], 2);

    // Values outside the controls' ranges are kept as the controls hold them, and the
    // options dialog, made afterwards, shows them so.
    testutil::writeFile(tmp.file("Velmora0.INI"), "[Velmora]\r\nGeneral=1;0;1;1;1;99;0;0"
                                                     "\r\nPreferencias=0;0;0;0;0;0;1;0;0;1;1;1;1;1;5;-3"
                                                     "\r\nColores=33554431;255;32768;0;0;0;0;255;9;0;0;0;0;0;-4;0;0"
                                                     "\r\nAmpliacion=0;50;0;12;0;1;1;0;0;0\r\n");
    viewer->Settings().LeerVelmora();
    std::filesystem::remove(tmp.file("Velmora0.INI"));
    viewer->Settings().GrabarVelmora();
    TIniFile clamped(tmp.file("Velmora0.INI"));
    EXPECT_EQ(clamped.ReadString("Velmora", "General", ""), "1;0;1;1;1;50;0;0");
    EXPECT_EQ(clamped.ReadString("Velmora", "Preferencias", ""), "0;0;0;0;0;0;1;0;0;1;1;1;1;1;-1;-1");
    EXPECT_EQ(clamped.ReadString("Velmora", "Colores", ""), "16777215;255;32768;0;0;0;0;255;5;0;1;0;0;0;1;0;0");
    EXPECT_EQ(clamped.ReadString("Velmora", "Ampliacion", ""), "0;100;0;-1;0;1;1;0;0;0");
    EXPECT_EQ(DlgCfg, nullptr);
    TDlgCfg& options = Secondary::DlgCfg();
    EXPECT_EQ(options.FnameSaved->value(), 50);
    EXPECT_EQ(options.SeleccionGrafica->ItemIndex(), -1);
    EXPECT_EQ(options.ArcosColor->Color(), 16777215u);
    EXPECT_EQ(options.SeleccionAncho->value(), 5);
    EXPECT_EQ(options.VisorZoomSize->value(), 100);
    EXPECT_EQ(options.EscalaZoom->ItemIndex(), -1);
}

TEST(PolygonBatch, RunsHeadlessAndWritesTheSelection)
{
    testutil::TempDir tmp;
    std::string net = tmp.file("red.dat");
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
    // One polygon around everything, one around nothing.
    testutil::writeFile(tmp.file("zonas.PLG"),
                        "* prueba\r\n"
                        "7;Todo;4;0;0;0;0;-1E7;-1E7;1E7;-1E7;1E7;1E7;-1E7;1E7\r\n"
                        "12;Nada;3;0;0;0;0;0;0;1;0;0;1\r\n");
    QProcess p;
    testutil::StartProgram(p, tmp, {QString::fromStdString(net), QString::fromStdString(tmp.file("zonas.PLG"))});
    ASSERT_TRUE(p.waitForFinished(60000)) << "the batch run did not end by itself";
    EXPECT_EQ(p.exitCode(), 0);
    std::string all = testutil::readFile(tmp.file("red_sel7.sel"));
    std::string none = testutil::readFile(tmp.file("red_sel12.sel"));
    EXPECT_TRUE(std::filesystem::exists(tmp.file("red_sel7.csv")));
    EXPECT_TRUE(std::filesystem::exists(tmp.file("red_sel12.csv")));
    EXPECT_TRUE(none.empty());
    ASSERT_FALSE(all.empty());
    // "%10d%10d%5d" lines with CR LF, the polygon id last.
    std::string first = all.substr(0, all.find("\r\n"));
    EXPECT_EQ(first.size(), 25u);
    EXPECT_EQ(first.substr(20), "    7");

    // Links put under the names the batch makes up are not followed: what they
    // lead to stays as it was, and the run fails.
    testutil::writeFile(tmp.file("notas.txt"), "del usuario");
    for (const char* name : {"red_sel7.sel", "red_sel7.csv"}) {
        std::filesystem::remove(tmp.file(name));
        std::filesystem::create_symlink(tmp.file("notas.txt"), tmp.file(name));
    }
    QString errors;
    EXPECT_EQ(testutil::RunProgram(tmp, {QString::fromStdString(net), QString::fromStdString(tmp.file("zonas.PLG"))},
                                   &errors),
              1);
    EXPECT_EQ(testutil::readFile(tmp.file("notas.txt")), "del usuario");
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("red_sel7.sel")));
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("red_sel7.csv")));
}

TEST(PolygonBatch, JobsThatCannotRunSayWhyAndFail)
{
    testutil::TempDir tmp;
    std::string net = tmp.file("red.dat");
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
    QString errors;
    // A print definition: not read, no network read for it either.
    EXPECT_EQ(testutil::RunProgram(tmp, {QString::fromStdString(net), QString::fromStdString(tmp.file("lote.ini"))}, &errors), 1);
    EXPECT_TRUE(errors.contains(QString::fromUtf8("impresión por lotes"))) << errors.toStdString();
    EXPECT_FALSE(std::filesystem::exists(tmp.file("Errores.txt")));
    // A polygon batch on a network that is not there.
    testutil::writeFile(tmp.file("zonas.plg"), "7;Todo;3;0;0;0;0;0;0;1;0;0;1\r\n");
    EXPECT_EQ(testutil::RunProgram(tmp, {QString::fromStdString(tmp.file("falta.dat")), QString::fromStdString(tmp.file("zonas.plg"))},
                       &errors),
              1);
    EXPECT_TRUE(errors.contains("falta.dat")) << errors.toStdString();
    EXPECT_FALSE(std::filesystem::exists(tmp.file("falta_sel7.sel")));
}

// A network named on the command line is read once, whatever the options say of
// transit lines ("Incluir rutas fijas" or "Omitir rutas fijas", or no settings
// file yet): the first opening takes up the read made while the window was being
// made. The program reports its reads once the map is drawn.
TEST(CommandLine, TheNamedNetworkIsReadOnce)
{
    const struct {
        const char* file;
        const char* rutasFijas; // the options' choice, none: no settings file
    } cases[] = {{"/samples/ejemplo.dat", nullptr}, {"/samples/ejemplo.dat", "0"}, {"/samples/ejemplo.dat", "1"},
                 {"siouxfalls.dat", nullptr},       {"chicago-sketch.dat", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + (c.rutasFijas ? c.rutasFijas : "-"));
        const std::string from = testutil::CaseNetworkPath(c.file);
        ASSERT_FALSE(from.empty()) << "real networks not available";
        testutil::TempDir tmp;
        const std::string net = tmp.file("red.dat");
        std::filesystem::copy_file(from, net);
        if (c.rutasFijas) // as the options dialog leaves it
            testutil::writeFile(tmp.file(ProgramSettings::FileName),
                                std::string("[Velmora]\r\nPreferencias=0;0;0;0;0;0;1;0;0;1;1;1;1;1;1;") + c.rutasFijas +
                                    "\r\n");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VELMORA_CONFIG_DIR", QString::fromStdString(tmp.path().string()));
        env.insert("VELMORA_REPORT_FIRST_DRAW", "1");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(tmp.path().string()));
        p.start(VELMORA_BINARY, {QString::fromStdString(net)});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(out.contains(QRegularExpression("^first-draw .* reads 1\n", QRegularExpression::MultilineOption)))
            << out.toStdString();
    }
}

// Opening berlin ten times in one window through the menu holds no more memory
// than the first opening did (a tenth more at most), also with a network over
// the model's capacity refused between the openings. Each case runs in a process
// of its own (this test, started again with the case named), whose memory is the
// window's alone.
TEST_F(MainWindow, MemoryStaysAtTheFirstOpeningsAcrossOpenings)
{
    ASSERT_TRUE(std::filesystem::exists(testutil::realDataPath("berlin-center.dat"))) << "real networks not available";
    const QByteArray child = qgetenv("VELMORA_OPENINGS_CASE");
    if (child.isEmpty()) {
        for (const char* c : {"alone", "refused"}) {
            SCOPED_TRACE(c);
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("VELMORA_OPENINGS_CASE", c);
            p.setProcessEnvironment(env);
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=MainWindow.MemoryStaysAtTheFirstOpeningsAcrossOpenings"});
            ASSERT_TRUE(p.waitForFinished(300000));
            const QString out = QString::fromLocal8Bit(p.readAll());
            EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
            EXPECT_TRUE(out.contains("RSS after the first opening")) << out.toStdString();
        }
        return;
    }
    const bool refused = child == "refused";
    viewer->show();
    const std::string berlin = Copy(testutil::realDataPath("berlin-center-truncated.dat"), "b", "berlin.dat");
    const std::string over = Copy(testutil::realDataPath("berlin-center.dat"), "o", "berlin-center.dat");
    RecordingServices ui;
    long first = 0, last = 0;
    for (int i = 0; i < 10; ++i) {
        if (refused && i > 0) {
            Open(over);
            ASSERT_EQ(DatFileName, "berlin.dat");
        }
        Open(berlin);
        testutil::settle();
        ASSERT_EQ(DatFileName, "berlin.dat");
        ASSERT_GT(Network.LinkCount, 0);
        (i == 0 ? first : last) = testutil::MemoryKb();
    }
    std::printf("RSS after the first opening %ld kB, after the tenth %ld kB\n", first, last);
    EXPECT_LE(last, first * 1.1);
}

// Each opening starts clean, whatever was open before, and a network over the
// model's capacity is refused with the earlier one left open as it was: its
// names, caption, folder, text, grids and commands (its junction types too).
TEST_F(MainWindow, EachOpeningStartsCleanAndARefusedOneKeepsTheEarlier)
{
    if (!std::filesystem::exists(testutil::realDataPath("berlin-center.dat")))
        FAIL() << "real networks not available";
    const std::string chicago = Copy(testutil::realDataPath("chicago-sketch.dat"), "c", "chicago.dat");
    const std::string anaheim = Copy(testutil::realDataPath("anaheim.dat"), "a", "anaheim.dat");
    const std::string sample = Copy(SamplePath(), "s", "ejemplo.dat");
    const std::string berlin = Copy(testutil::realDataPath("berlin-center.dat"), "b", "berlin.dat");
    viewer->Files().ReadSettings().ErrorListFile = "Errores.txt"; // beside each network, as the program writes it
    PalvonRead::ClearNetwork(); // a fresh start: no network open
    DatFileName.clear();
    viewer->show();
    QApplication::processEvents();
    const QString startTitle = viewer->windowTitle();
    auto errors = [](const std::string& net) {
        return testutil::readFile((std::filesystem::path(net).parent_path() / "Errores.txt").string());
    };

    // Refused with nothing open (named on the command line): still nothing open.
    ReadAhead(berlin);
    Open(berlin);
    EXPECT_EQ(Network.Loaded, 0);
    EXPECT_EQ(Network.NodeCount, 0);
    EXPECT_TRUE(DatFileName.empty());
    EXPECT_EQ(viewer->windowTitle(), startTitle);
    EXPECT_FALSE(livemenus::Find(viewer, "aOpenLPA")->isEnabled());
    EXPECT_TRUE(FrmDat->Lines().empty());
    EXPECT_NE(errors(berlin).find("Red rechazada"), std::string::npos);

    Open(sample);
    ASSERT_EQ(DatFileName, "ejemplo.dat");
    const std::string sampleErrors = errors(sample);
    ReadAhead(chicago); // as if named on the command line: read before it is opened
    Open(chicago);
    ASSERT_EQ(DatFileName, "chicago.dat");
    const std::string chicagoErrors = errors(chicago);
    const std::vector<std::string> chicagoText = FrmDat->Lines().ToVector();
    auto lastLink = [this] {
        std::vector<std::string> cells;
        for (int c = 0; c < viewer->sagArcos->ColCount(); ++c)
            cells.push_back(viewer->sagArcos->cell(c, Network.LinkCount));
        return cells;
    };
    const std::vector<std::string> chicagoRow = lastLink();
    ASSERT_GT(std::count(chicagoErrors.begin(), chicagoErrors.end(), '\n'), 100);
    ASSERT_EQ(viewer->sagMovim->RowCount(), Network.MovementCount + 1);
    // Some links selected (imported), listed in the selected-links grid.
    std::string sel;
    for (int32_t k = 1; k <= 3; ++k)
        sel += ZelUtils::Format("%10d%10d%5d\r\n", Arcos[k].A, Arcos[k].B, 1);
    testutil::writeFile(tmp.file("tres.sel"), sel);
    testutil::AnswerFilesDialog(viewer, QString::fromStdString(tmp.path().string()), {"tres.sel"});
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "ImportaSeleccin1"));
    ASSERT_NE(viewer->sagArcosSel, nullptr);
    ASSERT_TRUE(viewer->sagArcosSel->isVisible());
    ASSERT_EQ(viewer->sagArcosSel->RowCount(), 4);
    // The phase window on one of chicago's junctions.
    ASSERT_TRUE(livemenus::Click(viewer, QStringLiteral("menu:Procesos>Análisis de Intersecciones"), "Visualizacion"));
    ASSERT_TRUE(FrmFases->isVisible());

    // The sample again: its own errors only, no selection, its own movements.
    Open(sample);
    ASSERT_EQ(DatFileName, "ejemplo.dat");
    EXPECT_EQ(errors(sample), sampleErrors);
    EXPECT_FALSE(viewer->sagArcosSel->isVisible());
    EXPECT_EQ(viewer->sagArcosSel->RowCount(), 1);
    EXPECT_FALSE(livemenus::Find(viewer, "VerSeleccion")->isEnabled());
    EXPECT_FALSE(FrmFases->isVisible());
    EXPECT_EQ(viewer->sagMovim->RowCount(), Network.MovementCount + 1);
    // Its selection is saved without chicago's file offered to be replaced.
    QStringList offered;
    testutil::WhenFileDialogShown(viewer, [&offered](QFileDialog* d) {
        offered = d->selectedFiles();
        d->reject();
    });
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "ExportaSeleccin1"));
    EXPECT_FALSE(offered.join('|').contains(QStringLiteral("tres.sel"))) << offered.join('|').toStdString();

    // Anaheim has no movements and no transit lines: no row of another network's.
    Open(anaheim);
    ASSERT_EQ(Network.MovementCount, 0);
    EXPECT_EQ(viewer->sagMovim->RowCount(), 1);
    EXPECT_TRUE(viewer->sagMovim->cellView(0, 0).empty());
    EXPECT_EQ(viewer->sagLineas->RowCount(), 1);

    // Chicago again, read as always: the same errors (not twice as many), text and links.
    Open(chicago);
    EXPECT_EQ(errors(chicago), chicagoErrors);
    EXPECT_EQ(FrmDat->Lines().ToVector(), chicagoText);
    EXPECT_EQ(lastLink(), chicagoRow);

    // Refused with chicago open: chicago stays as it was.
    const QString title = viewer->windowTitle();
    const int32_t links = Network.LinkCount, movements = Network.MovementCount;
    const int rows = viewer->sagArcos->RowCount();
    const std::vector<std::string> text = FrmDat->Lines().ToVector();
    const float x = Nodos[Network.NodeCount].X;
    const TPalvonOptions options = Network.Options;
    const int columns = viewer->sagArcos->ColCount();
    auto junctionTypes = [this] {
        std::string on;
        for (const char* type : {"Jtype1", "Jtype2", "Jtype3", "Jtype4", "Jtype5"})
            on += livemenus::Find(viewer, type)->isEnabled() ? '1' : '0';
        return on;
    };
    const std::string types = junctionTypes();
    ASSERT_NE(types, "00000");
    const QString note = viewer->StatusPanel(1);
    ASSERT_TRUE(note.contains(QStringLiteral("contorno"))) << note.toStdString();
    // The options name another UTM zone before the refused opening: chicago keeps
    // the zone, namelists and title it was read with.
    ProgramOptions().Huso = 29;
    ProgramOptions().Hemisferio = 1;
    Open(berlin);
    EXPECT_TRUE(Network.Options == options);
    EXPECT_EQ(Network.Options.UtmZone, 19);
    EXPECT_EQ(Network.Options.NetworkTitle, "CHICAGO SKETCH - TNTP TEST NETWORK WITH SYNTHETIC JUNCTIONS");
    EXPECT_EQ(viewer->sagArcos->ColCount(), columns);
    EXPECT_EQ(Network.Loaded, 1);
    EXPECT_EQ(DatFileName, "chicago.dat");
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(chicago).parent_path());
    EXPECT_EQ(viewer->windowTitle(), title);
    EXPECT_EQ(Network.LinkCount, links);
    EXPECT_EQ(Network.MovementCount, movements);
    EXPECT_FLOAT_EQ(Nodos[Network.NodeCount].X, x);
    EXPECT_EQ(KDVlib::FindArco(Arcos[7].A, Arcos[7].B), 7);
    EXPECT_EQ(viewer->sagArcos->RowCount(), rows);
    EXPECT_EQ(FrmDat->Lines(), text);
    EXPECT_TRUE(livemenus::Find(viewer, "aOpenLPA")->isEnabled());
    EXPECT_EQ(junctionTypes(), types);
    EXPECT_EQ(viewer->StatusPanel(1), note);
    EXPECT_EQ(errors(chicago), chicagoErrors);
}

// Every kind of network that cannot be opened (over capacity, cut short, without
// coordinates and the coordinates file cancelled, binary, a folder) leaves the
// whole window as it was: with a network open (movements, junctions, its phase
// window) every command, panel, title, grid, the map, its legends, the text and
// the windows open; with none open, the empty window stays empty. The network's
// text edited before, the opening asked for from the menu, by a drop, from "Abrir
// Recientes" (the file gone) or by the text window's reload, keeps its edits to be
// undone with Ctrl+Z.
TEST_F(MainWindow, ARefusedOpeningLeavesTheWholeWindowAsItWas)
{
    if (!std::filesystem::exists(testutil::realDataPath("berlin-center.dat")))
        FAIL() << "real networks not available";
    const std::string chicago = Copy(testutil::realDataPath("chicago-sketch.dat"), "c", "chicago.dat");
    const std::string berlin = Copy(testutil::realDataPath("berlin-center.dat"), "r", "berlin.dat");
    const std::string other = Copy(testutil::realDataPath("siouxfalls.dat"), "s", "sioux.dat");
    const std::string whole = testutil::readFile(chicago);
    testutil::writeFile(tmp.file("r/cortada.dat"), whole.substr(0, whole.size() / 2));
    const std::string sioux = testutil::readFile(testutil::realDataPath("siouxfalls.dat"));
    const size_t from = sioux.find("\n55555"), to = sioux.find("99999", from);
    testutil::writeFile(tmp.file("r/sincoord.dat"), sioux.substr(0, from + 1) + sioux.substr(sioux.find('\n', to) + 1));
    std::string binary(4096, '\0');
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919u) >> 3);
    testutil::writeFile(tmp.file("r/binario.dat"), binary);
    std::filesystem::create_directories(tmp.path() / "r" / "carpeta.dat");
    const std::string counts = Copy(testutil::realDataPath("chicago-sketch-counts.dat"), "r", "conteos.dat");
    testutil::writeFile(tmp.file("r/conteos2.dat"), "\r\n" + testutil::readFile(counts)); // after a blank line
    // The text cursor shown steadily: the pictures of the text window compared do
    // not depend on when the cursor blinked.
    struct SteadyCursor {
        const int flash = QApplication::cursorFlashTime();
        SteadyCursor() { QApplication::setCursorFlashTime(0); }
        ~SteadyCursor() { QApplication::setCursorFlashTime(flash); }
    } steady;
    // A file of links that takes a network over capacity, for a text that names it
    // as an include (the reader inserts it before it finds too many links).
    const std::string berlinText = testutil::readFile(berlin);
    const size_t links = berlinText.find("\n33333") + 7;
    testutil::writeFile(tmp.file("c/ligas.dat"), berlinText.substr(links + 1, berlinText.find("\n99999", links) - links));
    // How the user asks for the opening: the menu, a drop, "Abrir Recientes", the
    // text window's "Recarga" (its save question answered "No", or "Sí" and the
    // save dialog cancelled).
    enum class Via { Menu, Drop, Recent, Reload, ReloadCancelled };
    struct Refusal {
        const char* name;
        std::string file;
        bool ahead = false; // named on the command line: read while the window is made
        Via via = Via::Menu;
        bool asked = true; // the text edited is asked about before the read
    };
    const Refusal rows[] = {{"sobre capacidad", berlin},
                            {"sobre capacidad, leída de antemano", berlin, true},
                            {"sobre capacidad, soltada", berlin, false, Via::Drop},
                            {"cortada", tmp.file("r/cortada.dat")},
                            {"sin coordenadas", tmp.file("r/sincoord.dat")},
                            {"binaria", tmp.file("r/binario.dat"), false, Via::Menu, false},
                            {"carpeta", tmp.file("r/carpeta.dat"), false, Via::Drop, false},
                            {"conteos", counts},
                            {"conteos tras una línea en blanco", tmp.file("r/conteos2.dat")},
                            {"reciente que ya no existe", tmp.file("r/ya_no.dat"), false, Via::Recent, false},
                            {"recarga sobre capacidad", chicago, false, Via::Reload, false},
                            {"recarga sin grabar", chicago, false, Via::ReloadCancelled, false}};
    for (const Refusal& row : rows)
        for (const bool open : {false, true}) {
            if (open && row.ahead)
                continue; // only the program's first opening is read ahead
            if (!open && (row.via == Via::Reload || row.via == Via::ReloadCancelled))
                continue; // the text of a network open is read again
            SCOPED_TRACE(std::string(row.name) + (open ? ", con chicago abierta" : ", sin red"));
            // Each kind from a window just made, as a new program shows it.
            ViewerFixture::TearDown();
            ViewerFixture::SetUp();
            viewer->Files().AskCoordinatesWithoutScreen = true;
            {
                RecordingServices quiet; // no network left by earlier tests, and the window as it starts
                PalvonRead::ClearNetwork();
            }
            DatFileName.clear();
            viewer->show();
            if (row.via == Via::Recent) // a recent network deleted since
                testutil::writeFile(tmp.file("Velmora0.INI"), "[YaNo]\r\nFileName=" + row.file + "\r\nFecha=2026\r\n");
            std::vector<std::string> asRead;
            if (open) {
                // Chicago with its phase window open and its links coloured by capacity.
                Open(chicago);
                ASSERT_EQ(DatFileName, "chicago.dat");
                asRead = FrmDat->Lines().ToVector();
                QTest::mouseMove(viewer->img, QPoint(60, 50)); // the pointer's place in the panels
                ASSERT_TRUE(livemenus::Click(viewer, QStringLiteral("menu:Procesos>Análisis de Intersecciones"),
                                             "Visualizacion"));
                ASSERT_TRUE(FrmFases->isVisible());
                QAction* colours = livemenus::Find(viewer, "tbColores");
                emit colours->menu()->aboutToShow();
                for (QAction* v : colours->menu()->actions())
                    if (v->isEnabled() && v->data().toInt() == 5)
                        v->trigger();
                ASSERT_EQ(UserView().RangeName, "Cap");
                // Its text edited in the text window: a note typed above its first
                // line, or for the reload a line naming the links file at the head
                // of its links.
                ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
                ASSERT_TRUE(FrmDat->isVisible());
                QTest::mouseClick(FrmDat->mmDat->viewport(), Qt::LeftButton); // the user clicks into the text
                QTest::keyClick(FrmDat->mmDat, Qt::Key_Home, Qt::ControlModifier);
                if (row.via == Via::Reload)
                    while (FrmDat->mmDat->textCursor().block().text() != QStringLiteral("33333"))
                        QTest::keyClick(FrmDat->mmDat, Qt::Key_Down);
                QTest::keyClick(FrmDat->mmDat, Qt::Key_End);
                QTest::keyClick(FrmDat->mmDat, Qt::Key_Return);
                QTest::keyClicks(FrmDat->mmDat, row.via == Via::Reload ? "$         ligas.dat" : "* nota del usuario");
                ASSERT_TRUE(FrmDat->IsModified());
            }
            viewer->Files().RebuildRecentMenus(); // as the settings file stands
            windowsnapshot::Take(viewer); // the map drawn afresh once: what a window on show has
            windowsnapshot::TSnapshot before = windowsnapshot::Take(viewer);
            std::optional<RecordingServices> ui;
            ui.emplace();
            std::optional<BoxAnswers> no;
            if (open && row.asked)
                no.emplace(std::vector<int>{Qt::Key_N}); // not saved: "No" lets the opening go on
            const bool inTextWindow = row.via == Via::Reload || row.via == Via::ReloadCancelled;
            if (open && !inTextWindow) {
                viewer->activateWindow(); // the main window's menus are used
                EXPECT_TRUE(QTest::qWaitForWindowActive(viewer));
            }
            if (row.ahead)
                ReadAhead(row.file);
            if (row.via == Via::Drop) {
                Drop({QString::fromStdString(row.file)});
            } else if (row.via == Via::Recent) {
                for (QAction* a : viewer->ArchivosRecientes->actions()) {
                    if (a->text() == QString::fromStdString(row.file))
                        a->trigger();
                }
            } else if (row.via == Via::Reload || row.via == Via::ReloadCancelled) {
                ui->answerYes = row.via == Via::ReloadCancelled;
                if (ui->answerYes)
                    testutil::CancelFileDialog(FrmDat);
                QTest::mouseClick(FrmDat->tbReload, Qt::LeftButton);
            } else {
                testutil::AnswerFileDialog(viewer, row.file);
                if (row.file.find("sincoord") != std::string::npos)
                    testutil::CancelFileDialog(viewer); // the coordinates asked for after the network's own dialog
                EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
            }
            testutil::settle();
            no.reset();
            if (open) {
                FrmDat->activateWindow(); // the user goes back to the text
                EXPECT_TRUE(QTest::qWaitForWindowActive(FrmDat));
            }
            if (row.via != Via::ReloadCancelled) {
                EXPECT_FALSE(ui->messages.empty());
            }
            if (row.file.find("conteos") != std::string::npos) { // said for what it is, not as a network over capacity
                EXPECT_TRUE(!ui->messages.empty() && ui->messages.front().find("archivo de conteos") != std::string::npos &&
                            ui->messages.front().find("capacidad") == std::string::npos);
            }
            windowsnapshot::TSnapshot after = windowsnapshot::Take(viewer);
            if (row.via == Via::Recent) // the entry of the file gone is taken out of the list
                for (windowsnapshot::TSnapshot* shot : {&before, &after})
                    std::erase_if(*shot, [&](const auto& kv) { return kv.first.find(row.file) != std::string::npos; });
            EXPECT_EQ(windowsnapshot::Differences(before, after), "");
            EXPECT_EQ(Network.Loaded, open ? 1 : 0);
            EXPECT_EQ(DatFileName, open ? "chicago.dat" : "");
            ui.reset(); // what comes next goes to the window
            if (!open)
                continue;
            // The edit is undone as the user undoes it, and the text is as read.
            EXPECT_TRUE(FrmDat->IsModified());
            for (int k = 0; k < 40 && FrmDat->mmDat->document()->isUndoAvailable(); ++k)
                QTest::keyClick(FrmDat->mmDat, Qt::Key_Z, Qt::ControlModifier);
            EXPECT_FALSE(FrmDat->IsModified());
            EXPECT_EQ(FrmDat->Lines(), asRead);
            FrmFases->close();
            // The panels given back go on as usual: the pointer, the map's proportions...
            QTest::mouseMove(viewer->img, QPoint(40, 30));
            EXPECT_EQ(viewer->StatusPanel(1), "   40,   30");
            viewer->resize(viewer->width() - 30, viewer->height() - 20);
            testutil::settle();
            EXPECT_EQ(viewer->StatusPanel(0),
                      QString::number(double(viewer->img->width()) / viewer->img->height(), 'f', 4));
            // ...and another network opened shows nothing of chicago's, its map's
            // proportions at once.
            Open(other);
            testutil::settle();
            EXPECT_EQ(viewer->windowTitle(), QString::fromStdString(other));
            EXPECT_EQ(viewer->StatusPanel(0),
                      QString::number(double(viewer->img->width()) / viewer->img->height(), 'f', 4));
            for (int p = 1; p < 4; ++p)
                EXPECT_EQ(viewer->StatusPanel(p).trimmed(), "") << p;
            EXPECT_FALSE(viewer->Action(Cmd::Jtype1)->isEnabled());
        }
    // The map resized while the coordinates are asked for: its new proportions stand.
    RecordingServices ui;
    testutil::AnswerFileDialog(viewer, tmp.file("r/sincoord.dat"));
    testutil::WhenFileDialogShown(viewer, [&](QFileDialog* d) {
        viewer->resize(viewer->width() + 50, viewer->height() - 40);
        testutil::settle();
        d->reject();
    });
    EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    testutil::settle();
    EXPECT_EQ(viewer->StatusPanel(0), QString::number(double(viewer->img->width()) / viewer->img->height(), 'f', 4));
}

// Edits typed into the network text window and nodes moved on the map are never
// dropped without a question: closing the text window, opening another network
// and leaving the program ask; Cancel keeps everything, No gives the edits up,
// Yes saves them.
TEST_F(MainWindow, UnsavedEditsAreAskedForBeforeTheyAreLost)
{
    const std::string net = Copy(SamplePath(), "e", "Red.dat");
    const std::string other = Copy(SamplePath(), "o", "Otra.dat");
    viewer->show();
    QApplication::processEvents();
    Open(net);
    ASSERT_EQ(DatFileName, "Red.dat");
    const std::vector<std::string> asRead = FrmDat->Lines().ToVector();

    auto type = [&](const QString& text) {
        if (!FrmDat->isVisible()) {
            ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "RedPalvon1"));
        }
        ASSERT_TRUE(FrmDat->isVisible());
        QTest::keyClick(FrmDat->mmDat, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClicks(FrmDat->mmDat, text);
        QTest::keyClick(FrmDat->mmDat, Qt::Key_Return);
    };
    // The text window closed: Cancel keeps it open with the edit, No goes back to
    // the text as read, Yes saves through the save dialog.
    type(QStringLiteral("* primera nota"));
    {
        BoxAnswers answers({Qt::Key_Escape, Qt::Key_N});
        EXPECT_FALSE(FrmDat->close());
        EXPECT_TRUE(FrmDat->isVisible());
        EXPECT_EQ(std::string(FrmDat->Lines()[0]), "* primera nota");
        EXPECT_TRUE(FrmDat->close());
        EXPECT_EQ(answers.texts.size(), 2);
    }
    EXPECT_FALSE(FrmDat->isVisible());
    EXPECT_EQ(FrmDat->Lines().ToVector(), asRead);
    // An edit read into the network ("Recarga") and not saved stays the network's
    // text, still to be saved, when the window is closed with No.
    type(QStringLiteral("* nota leida"));
    {
        BoxAnswers answers({Qt::Key_N});
        FrmDat->findChild<QToolButton*>(QStringLiteral("tbReload"))->click();
        testutil::settle();
        EXPECT_TRUE(FrmDat->close());
    }
    EXPECT_EQ(std::string(FrmDat->Lines()[0]), "* nota leida");
    EXPECT_TRUE(FrmDat->IsModified());
    type(QStringLiteral("* segunda nota"));
    {
        BoxAnswers answers({Qt::Key_Return});
        testutil::AnswerFileDialog(FrmDat, tmp.file("e/Editada.dat"));
        EXPECT_TRUE(FrmDat->close());
    }
    EXPECT_EQ(testutil::readFile(tmp.file("e/Editada.dat")).substr(0, 16), "* segunda nota\r\n");

    // A node moved with the mouse ("Grabar automáticamente coordenadas" is off),
    // and the text edited again.
    type(QStringLiteral("* tercera nota"));
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarArcos", "tbNodes"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Ver", "aRedibujar"));
    testutil::settle();
    ASSERT_TRUE(livemenus::Click(viewer, "popup:pupNodos", "NodeMove"));
    // A node drawn on the map, as the user picks one.
    int32_t n = 1;
    while (n < Network.NodeCount &&
           !viewer->img->LastDrawing.NodeHit(n).Contains(viewer->img->WorldToPixelX(Nodos[n].X), viewer->img->WorldToPixelY(Nodos[n].Y)))
        ++n;
    const int32_t number = Nodos[n].Number;
    const QPoint from(viewer->img->WorldToPixelX(Nodos[n].X), viewer->img->WorldToPixelY(Nodos[n].Y));
    const QPoint to = from + QPoint(30, 20);
    const float oldX = Nodos[n].X;
    QTest::mouseMove(viewer->img, from);
    QTest::mousePress(viewer->img, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewer->img, to);
    QTest::mouseRelease(viewer->img, Qt::LeftButton, {}, to);
    const float movedX = Nodos[n].X, movedY = Nodos[n].Y;
    ASSERT_NE(movedX, oldX) << "the node did not move";

    // Another network dropped: Cancel keeps this one with its edits. Escape
    // answers the question alone: the tool in hand and the find window stay.
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Selección", "aBuscar"));
    ASSERT_TRUE(Secondary::DlgFind().isVisible());
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarEstandar", "tbZoom"));
    ASSERT_TRUE(viewer->Down(Cmd::tbZoom));
    {
        BoxAnswers answers({Qt::Key_Escape});
        Drop({QString::fromStdString(other)});
        ASSERT_EQ(answers.texts.size(), 1);
        EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("texto de la red")));
        EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("posiciones de nodos")));
    }
    EXPECT_EQ(DatFileName, "Red.dat");
    EXPECT_EQ(Nodos[n].X, movedX);
    EXPECT_TRUE(viewer->Down(Cmd::tbZoom));
    EXPECT_TRUE(Secondary::DlgFind().isVisible());
    // As does Escape in a typed answer the program asks for (the magnifier's size)
    // and in a colour dialog.
    const int zoomSize = ProgramOptions().VisorZoomSize;
    const uint32_t normal = UserView().ModePenColors[size_t(std::clamp(UserView().RangeMode, 0, MaxRangeModes))];
    for (const auto& [place, command] : {std::pair{"menu:Ver>Lupa", "amao1"}, {"popup:BDerecho>Color", "ColorNormal"}}) {
        SCOPED_TRACE(command);
        livemenus::WhenModalShown(viewer, [](QWidget* box) {
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
        });
        ASSERT_TRUE(livemenus::Click(viewer, place, command));
        EXPECT_TRUE(viewer->Down(Cmd::tbZoom));
        EXPECT_TRUE(Secondary::DlgFind().isVisible());
    }
    EXPECT_EQ(ProgramOptions().VisorZoomSize, zoomSize);
    EXPECT_EQ(UserView().ModePenColors[size_t(std::clamp(UserView().RangeMode, 0, MaxRangeModes))], normal);
    Secondary::DlgFind().close();
    ASSERT_TRUE(livemenus::Click(viewer, "toolbar:tbarEstandar", "tbZoom"));
    EXPECT_EQ(std::string(FrmDat->Lines()[0]), "* tercera nota");

    // Leaving: "¿ Desea finalizar la aplicación ?" Yes, then the edits: Cancel
    // keeps the program open, Yes saves both and leaves.
    viewer->AskOnClose = true;
    {
        BoxAnswers answers({Qt::Key_Return, Qt::Key_Escape});
        EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo", "FileExitItem"));
    }
    EXPECT_TRUE(viewer->isVisible());
    {
        BoxAnswers answers({Qt::Key_Return, Qt::Key_Return});
        EXPECT_TRUE(livemenus::Click(viewer, "menu:Archivo", "FileExitItem"));
        ASSERT_EQ(answers.texts.size(), 2);
        EXPECT_TRUE(answers.texts[1].contains(QStringLiteral("Editada_coordenadas.geo"))) << answers.texts[1].toStdString();
    }
    EXPECT_FALSE(viewer->isVisible());
    viewer->AskOnClose = false;
    // The text goes where it was saved before, the positions beside it, in the
    // positions file of the network it now is, which the question names.
    EXPECT_EQ(testutil::readFile(tmp.file("e/Editada.dat")).substr(0, 32), "* tercera nota\r\n* segunda nota\r\n");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("e/Red_coordenadas.geo")));
    EXPECT_NE(testutil::readFile(tmp.file("e/Editada_coordenadas.geo"))
                  .find(ZelUtils::Format("%d,%.5f,%.5f", number, double(movedX), double(movedY))),
              std::string::npos);
}

// The batch printing of a definition that hides its selected links and then
// clears the selection: the picture leaves every hidden link out, as the screen
// does. Each link takes at least two points in the link layer and two in the
// colour layer, so hiding all of them takes away at least four points a link.
TEST_F(MainWindow, BatchPrintingLeavesHiddenLinksOut)
{
    testutil::TempDir batch;
    std::filesystem::copy_file(SamplePath(), batch.file("ejemplo.dat"));
    Drop({QString::fromStdString(batch.file("ejemplo.dat"))});
    ASSERT_GT(Network.LinkCount, 0);
    std::string selection;
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        selection += ZelUtils::Format("%10d%10d%5d\r\n", Arcos[k].A, Arcos[k].B, 1);
    testutil::writeFile(batch.file("todos.sel"), selection);
    auto points = [&](const std::string& extra) {
        testutil::writeFile(batch.file("lote.ini"), "[General]\r\n[Tema]\r\n[ejemplo]\r\nRedPalvon=ejemplo.dat\r\n"
                                                    "VarColores=Long\r\nSeleccionArcos=todos.sel\r\n" + extra);
        std::filesystem::remove(batch.file("ejemplo_Long.emf"));
        EXPECT_EQ(testutil::RunProgram(batch, {QString::fromStdString(batch.file("ejemplo.dat")),
                                               QString::fromStdString(batch.file("lote.ini"))}),
                  0);
        const testutil::TMetafileReport r = testutil::CheckMetafile(batch.file("ejemplo_Long.emf"));
        EXPECT_METAFILE_SOUND(r);
        return r.points;
    };
    const int shown = points("AnulaSeleccion=1\r\n");
    const int hidden = points("OcultaSeleccion=1\r\nAnulaSeleccion=1\r\n");
    EXPECT_GE(shown - hidden, 4 * Network.LinkCount) << shown << " " << hidden;
}
