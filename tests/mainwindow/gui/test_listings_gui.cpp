// Listings in the main window: the companion assignment listing read with the
// network, a listing and a counts file opened on their own; the zoning dialogs.
#include "mainwindow/Aptta.h"
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/StringAlignGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "model/PalvonVars.h"
#include "map/Ranges.h"
#include "support/FileDialogAnswer.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QFileDialog>
#include <QCheckBox>
#include <QMenu>
#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <filesystem>

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
