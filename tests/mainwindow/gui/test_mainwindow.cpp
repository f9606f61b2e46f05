// The main window as a user meets it: defaults, dropped files, Escape, and the
// polygon batch run by the real program.
#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string SamplePath() { return std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat"; }

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("VELMORA_CONFIG_DIR", QByteArray::fromStdString(tmp.path().string()));
        PalvonRead::ErrorListFile = tmp.file("Errores.txt");
        viewer = CreateProgramWindows(false, &splash);
        viewer->AskOnClose = false;
    }
    void TearDown() override
    {
        delete viewer;
        delete splash;
        std::filesystem::current_path(VELMORA_SOURCE_DIR);
    }
    void Drop(const QStringList& files) { viewer->WMDropFiles(files); }

    testutil::TempDir tmp;
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = nullptr;
};

} // namespace

TEST_F(MainWindow, CreationDefaults)
{
    EXPECT_EQ(NodeSize, 3);
    EXPECT_EQ(ArrowSize, 8);
    EXPECT_EQ(CentroidSize, 10);
    EXPECT_EQ(SignalSize, 10);
    EXPECT_FLOAT_EQ(LaneOffset, 1.5f * AnchoPista);
    EXPECT_TRUE(JtypeSelected[3]);
    EXPECT_FALSE(JtypeSelected[1]);
    EXPECT_EQ(XYFormat, "%.5f");
    EXPECT_EQ(viewer->StatusPanels[0]->text(), "Inactivo");
    EXPECT_FALSE(viewer->tnDatos->isTabVisible(viewer->tnDatos->indexOf(viewer->tsLineas)));
    EXPECT_FALSE(viewer->Action("ExportaraEMME2")->isVisible());
    EXPECT_FALSE(BatchMode);
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
    EXPECT_DOUBLE_EQ(WorldMinX, Network.MinX);
    EXPECT_EQ(ZoomIndex, 1);
    EXPECT_TRUE(viewer->Action("tbArrows")->isEnabled());
}

TEST_F(MainWindow, EscapeCancelsTheMouseMode)
{
    viewer->show();
    MouseMode = 4;
    PickedItem = 7;
    viewer->SetDown("tbZoom", true);
    viewer->SetDown("tbCurve", true);
    QTest::keyClick(viewer, Qt::Key_Escape);
    EXPECT_EQ(MouseMode, 0);
    EXPECT_EQ(PickedItem, -1);
    EXPECT_FALSE(viewer->Down("tbZoom"));
    EXPECT_FALSE(viewer->Down("tbCurve"));
    // Other keys leave the mode alone.
    MouseMode = 4;
    QTest::keyClick(viewer, Qt::Key_A);
    EXPECT_EQ(MouseMode, 4);
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELMORA_CONFIG_DIR", QString::fromStdString(tmp.path().string()));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(tmp.path().string()));
    p.start(VELMORA_BINARY, {QString::fromStdString(net), QString::fromStdString(tmp.file("zonas.PLG"))});
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
}
