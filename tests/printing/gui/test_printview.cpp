#include "mainwindow/DlgCfg.h"
#include "map/DisplayStyles.h"
#include "map/ViewSnapshot.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/LinkGeometry.h"
#include "model/KDVvars.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintLayers.h"
#include "support/ViewFields.h"
#include "support/MetafileCheck.h"
#include "support/ViewerFixture.h"

#include <QCheckBox>
#include <QImage>
#include <QSpinBox>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace {

class PrintView : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        savedFactor = UserView().SizeFactor;
        std::vector<std::string> lines;
        ASSERT_TRUE(FileUtils::ReadLines(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", lines));
        ASSERT_TRUE(PalvonRead::ReadNetwork(lines, viewer->Files().ReadSettings()));
        KDVlib::BuildHitGrid();
        PalvonRead::ComputeLinkGeometry(UserView().Lanes);
        UserView().WorldMinX = Network.MinX;
        UserView().WorldMaxX = Network.MaxX;
        UserView().WorldMinY = Network.MinY;
        UserView().WorldMaxY = Network.MaxY;
        KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
        UserView().SizeFactor = 1.0f;
    }
    void TearDown() override
    {
        UserView().SizeFactor = savedFactor;
        ViewerFixture::TearDown();
    }
    // The user's print settings and the page rendered last.
    TPrintSettings& Settings() { return viewer->Printing().Settings(); }
    const TPrintedPage& Page() { return viewer->Printing().Page(); }

    float savedFactor = 1.0f;
};

} // namespace

TEST_F(PrintView, CustomPageShowsTheNetwork)
{
    Settings().PrintToExtent = false;
    Settings().PrintOnPrinterPage = false;
    Settings().PrintCustomWidth = 600;
    Settings().PrintCustomHeight = 400;
    ASSERT_TRUE(viewer->Printing().PrintFilePreview(Settings(), tmp.file("Velmora___.EMF")));
    EXPECT_EQ(Page().PrintPictureWidth, 600);
    EXPECT_EQ(Page().PrintPictureHeight, 400);
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    Page().PrintPicture.Play(p);
    p.end();
    int dark = 0;
    for (int y = 30; y < 370; ++y)
        for (int x = 0; x < 600; ++x)
            dark += (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(dark, 500); // the links are on the page
    // The same page as a metafile file, 600 x 400 with the links inside it, at
    // the report's 576 pixels an inch.
    const testutil::TMetafileReport r = testutil::CheckMetafile(Page().PrintMetafileName);
    EXPECT_METAFILE_SOUND(r);
    EXPECT_EQ(r.bounds, (std::vector<int>{0, 0, 599, 399}));
    ASSERT_EQ(r.frame.size(), 4u);
    EXPECT_NEAR(r.frame[2], 600 * 2540 / 576, 2);
}

TEST_F(PrintView, ExtentPageHasNoEmptyBand)
{
    UserView().WorldMinX = 0;
    UserView().WorldMaxX = 2000;
    UserView().WorldMinY = 0;
    UserView().WorldMaxY = 1000;
    Settings().PrintToExtent = true;
    viewer->Printing().PrintFilePreview();
    const QSize page = PrinterPageSize();
    EXPECT_EQ(Page().PrintPageWidth, page.width());
    EXPECT_EQ(Page().PrintPageHeight, ZelPrinter::WorldToPixelY(0) - ZelPrinter::WorldToPixelY(1000));
    EXPECT_NEAR(Page().PrintPageHeight, page.width() / 2.0, 1.0);
}

// A zone's border on paper is the options window's width times the size factor,
// as every other printed width is.
TEST_F(PrintView, ZoneBorderWidthFollowsTheSizeFactor)
{
    ASSERT_GE(Network.ZoneCount, 1);
    // An empty square left of the network: the window takes in both.
    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    UserView().WorldMinX = Network.MinX - w;
    UserView().WorldMaxX = Network.MaxX;
    UserView().WorldMinY = Network.MinY - h / 2;
    UserView().WorldMaxY = Network.MaxY + h / 2;
    KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
    TZona& zone = Zonas[1];
    const double x0 = Network.MinX - 0.8 * w, x1 = Network.MinX - 0.2 * w;
    const double y0 = Network.MinY, y1 = Network.MaxY;
    zone.Polygon = {{}, {x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    zone.PolygonCount = 5;
    zone.PolygonCentre = {(x0 + x1) / 2, (y0 + y1) / 2};
    viewer->SetDown(Cmd::tbZonas, true);
    Secondary::DlgCfg().ZonaBordeAncho->setValue(2);
    Secondary::DlgCfg().ZonaRellenoClear->setChecked(true);
    Settings().PrintToExtent = false;
    Settings().PrintOnPrinterPage = false;
    Settings().PrintCustomWidth = 800;
    Settings().PrintCustomHeight = 600;

    // The width of the square's left side across its middle row, on a page
    // printed at the given factor.
    auto sideWidth = [&](float factor) {
        UserView().SizeFactor = factor;
        viewer->Printing().PrintFilePreview();
        QImage image(Page().PrintPictureWidth, Page().PrintPictureHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        Page().PrintPicture.Play(p);
        p.end();
        const int row = ZelPrinter::WorldToPixelY((y0 + y1) / 2);
        const int left = ZelPrinter::WorldToPixelX(x0);
        int first = -1, last = -1;
        for (int x = std::max(0, left - 20); x < std::min(image.width(), left + 20); ++x)
            if ((image.pixel(x, row) & 0xFFFFFF) != 0xFFFFFF) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return first < 0 ? 0 : last - first + 1;
    };
    EXPECT_EQ(sideWidth(1.0f), 2);
    EXPECT_EQ(sideWidth(3.0f), 6);
    viewer->SetDown(Cmd::tbZonas, false);
}

// The printed page takes what it shows from a view snapshot alone: with no main
// window at all, the snapshot's node layer and node colour put circles of that
// colour at the nodes' places on the page, and a snapshot without the layer
// prints none, at the sizes of the snapshot's factor.
TEST(PrintPageSnapshot, SnapshotAloneDrivesThePage)
{
    ASSERT_EQ(ProgramWindow(), nullptr);
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = tmp.file("Errores.txt");
    std::vector<std::string> lines;
    ASSERT_TRUE(FileUtils::ReadLines(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", lines));
    ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
    KDVlib::BuildHitGrid();
    PalvonRead::ComputeLinkGeometry(UserView().Lanes);
    // The page's sizes are those of its copy: the user's own factor, larger, is not
    // the page's.
    const float savedFactor = UserView().SizeFactor;
    UserView().SizeFactor = 5.0f;
    const int width = 900, height = 600;
    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    ZelPrinter::SetPageSize(width, height);
    ZelPrinter::SetMinX(Network.MinX - w / 10);
    ZelPrinter::SetMaxX(Network.MaxX + w / 10);
    ZelPrinter::SetMinY(Network.MinY - h / 10);
    ZelPrinter::SetMaxY(Network.MaxY + h / 10);
    KDVlib::SetGrid(ZelPrinter::MinX(), ZelPrinter::PixelToWorldX(width), ZelPrinter::MinY(),
                    ZelPrinter::PixelToWorldY(0));

    constexpr uint32_t nodeColour = clRed;
    const QRgb nodeInk = DisplayStyles::ToQColor(nodeColour).rgb();
    auto print = [&](const TViewSnapshot& view) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        TMapPainter& page = ZelPrinter::Painter();
        page.SetPainter(&p);
        page.PenMode = TPenMode::Copy;
        PrintLayers::PrintPage(p, view, QSize(width, height));
        page.SetPainter(nullptr);
        return image;
    };
    TViewSnapshot links;
    links.State.SizeFactor = 1.0f;
    links.Options = true;
    links.NodosColor = nodeColour;
    TViewSnapshot nodes = links;
    nodes.State.Nodes = true;
    const QImage plain = print(links);
    const QImage circled = print(nodes);
    // Every field of the user's view changed after the copy was taken, one at a
    // time: the same page, with the copy's layers on.
    TViewSnapshot full = nodes;
    for (bool* layer : {&full.State.Arrows, &full.State.Cents, &full.State.NameNodes, &full.State.Values,
                        &full.State.Calles, &full.State.Zonas})
        *layer = true;
    const TViewState user = UserView();
    const QImage page = print(full);
    for (const auto& field : testutil::ViewFieldChanges()) {
        field.Change(UserView());
        const QImage again = print(full);
        UserView() = user;
        EXPECT_TRUE(again == page) << field.Name;
    }
    UserView().SizeFactor = savedFactor;

    // Every pixel of the node colour lies on a circle around a node, and every
    // node on the page has one.
    std::vector<QPoint> places;
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].HasXY)
            places.emplace_back(ZelPrinter::WorldToPixelX(Nodos[n].X), ZelPrinter::WorldToPixelY(Nodos[n].Y));
    ASSERT_FALSE(places.empty());
    std::vector<bool> circledNode(places.size(), false);
    int inked = 0, stray = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            EXPECT_NE(plain.pixel(x, y), nodeInk) << x << "," << y;
            if (circled.pixel(x, y) != nodeInk)
                continue;
            ++inked;
            bool near = false;
            for (size_t i = 0; i < places.size(); ++i)
                if (std::abs(places[i].x() - x) <= 6 && std::abs(places[i].y() - y) <= 6)
                    near = circledNode[i] = true;
            stray += !near;
        }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(stray, 0);
    EXPECT_EQ(std::count(circledNode.begin(), circledNode.end(), false), 0);
}
