// What the auxiliary-file loaders show in the main window: complementary columns
// in the grids and their menus, and the generation/attraction menu.
#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/StringAlignGrid.h"
#include "map/Ranges.h"
#include "model/ComplementaryData.h"
#include "model/FileUtils.h"
#include "model/Genatr.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/GridsNetwork.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

class AuxFilesGui : public GridsViewerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(testutil::ReadGridsData(tmp));
        OpenViewer();
        w->Grids().ConfigureGrids();
        w->Grids().DrawDataDat();
    }
};

} // namespace

TEST_F(AuxFilesGui, ComplementaryColumnsReachTheGridsAndTheirMenus)
{
    ASSERT_EQ(NumColArcos, 17);
    // A cost variable other than the length, chosen before the load.
    for (QAction* a : w->Grids().ConfigurarRmin->actions())
        if (a->data().toInt() == 5)
            a->trigger();
    ASSERT_EQ(KDVlib::CostVar, 5);

    testutil::writeFile(tmp.file("comp.csv"), "A,B,Calle,Flujo\r\n100,7,Av. Nueva,42\r\n");
    // The map is drawn anew: a variable of the file it shows shows the values read.
    const bool drawing = DrawEnabled;
    DrawEnabled = true;
    w->img->LastDrawing.LastMapRedrawMs = -1;
    w->Files().OpenComplementaryFile(tmp.file("comp.csv"));
    DrawEnabled = drawing;
    EXPECT_GE(w->img->LastDrawing.LastMapRedrawMs, 0);
    const int32_t link = KDVlib::FindArco(100, 7);
    ASSERT_EQ(w->sagArcos->ColCount(), 18);
    EXPECT_EQ(w->sagArcos->cell(17, 0), "Flujo");
    EXPECT_EQ(w->sagArcos->cell(17, link), "42.00");
    EXPECT_EQ(w->sagArcos->cell(2, link), "Av. Nueva");
    EXPECT_EQ(CamposArcos.back(), "Flujo");
    const QList<QAction*> items = w->Grids().VarArcos->actions();
    ASSERT_EQ(items.size(), 16);
    EXPECT_EQ(items.back()->data().toInt(), 81);
    EXPECT_TRUE(items.back()->isEnabled());
    EXPECT_EQ(w->Grids().ConfigurarRmin->actions().size(), 16);
    EXPECT_EQ(KDVlib::CostVar, 5);

    testutil::writeFile(tmp.file("mov.csv"), "A,B,C,Demora\r\n1,100,2,7.5\r\n");
    ComplementaryMovFileName = tmp.file("mov.csv");
    ASSERT_TRUE(KDVlib::LoadDatosComplementariosMovs());
    ASSERT_EQ(w->sagMovim->ColCount(), 12);
    EXPECT_EQ(w->sagMovim->cell(11, 0), "Demora");
    const int32_t m = KDVlib::FindMovim(1, 100, 2);
    ASSERT_GT(m, 0);
    EXPECT_EQ(w->sagMovim->cell(11, m), "7.50");
    EXPECT_EQ(w->Grids().VarMovim->actions().size(), 8);
}

TEST_F(AuxFilesGui, GenerationAttractionMenuHasOneRadioItemPerVariable)
{
    ASSERT_TRUE(KDVlib::LoadGenatr(testutil::dataPath("aux_genatr.csv")));
    QMenu* menu = livemenus::Find(w.get(), "GenAtrZona")->menu();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), "G1");
    EXPECT_EQ(items[1]->text(), "G2");
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->objectName(), "MoveGenatr");
    items[1]->trigger();
    EXPECT_EQ(UserView().GenatrCol, 2);
    EXPECT_TRUE(items[1]->isChecked());
    // Read again, the menu laid out anew ticks the variable still shown.
    ASSERT_TRUE(KDVlib::LoadGenatr(testutil::dataPath("aux_genatr.csv")));
    ASSERT_EQ(menu->actions().size(), 4);
    EXPECT_FALSE(menu->actions()[0]->isChecked());
    EXPECT_TRUE(menu->actions()[1]->isChecked());

    // A file of one variable, opened while the second is shown: no bars of a
    // variable it has not, and the map drawn anew with its rows.
    testutil::writeFile(tmp.file("one.csv"), "zona,x,y,T1,T2\r\n2,350000,6300000,5,6\r\n");
    const bool drawing = DrawEnabled;
    DrawEnabled = true;
    w->img->LastDrawing.LastMapRedrawMs = -1;
    w->Files().OpenGenatrFile(tmp.file("one.csv"));
    DrawEnabled = drawing;
    EXPECT_EQ(NumGenatr, 2);
    EXPECT_EQ(UserView().GenatrCol, 0);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_FALSE(menu->actions()[0]->isChecked());
    EXPECT_GE(w->img->LastDrawing.LastMapRedrawMs, 0);
}

TEST(AuxFilesOpening, ZoningNamedByTheNetworksIniLoadsWithTheNetwork)
{
    testutil::TempDir tmp;
    qputenv("VELMORA_CONFIG_DIR", QByteArray::fromStdString(tmp.path().string()));
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = CreateProgramWindows(false, &splash);
    viewer->AskOnClose = false;
    viewer->Files().ReadSettings().ErrorListFile = tmp.file("Errores.txt");
    std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", tmp.file("red.dat"));
    testutil::writeFile(tmp.file("Velmora.ini"), "[File Names]\r\nZonificacion=zonas.geo\r\n");
    testutil::writeFile(tmp.file("zonas.geo"), "1,0,4,299000,6125000,300000,6125000,300000,6126000,299000,6125000\r\n");

    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("red.dat")));
    EXPECT_EQ(ZoningFileName, "zonas.geo");
    const TZona& zone = Zonas[KDVlib::FindZona(1)];
    EXPECT_EQ(zone.PolygonCount, 4);
    EXPECT_TRUE(viewer->Down(Cmd::tbZonas));
    EXPECT_TRUE(livemenus::Find(viewer, "tbZonas")->isEnabled());

    delete viewer;
    delete splash;
    std::filesystem::current_path(VELMORA_SOURCE_DIR);
}
