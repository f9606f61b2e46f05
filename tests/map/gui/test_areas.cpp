// Zones, entries and exits, generation/attraction bars, transit lines, user
// polygons, background line layers and free points drawn on the main map of a
// small network and probed pixel by pixel; the layer menus that loading sets.
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/PointLayers.h"
#include "map/Polygons.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/LiveMenus.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"
#include "widgets/DlgCfgWidgets.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <gtest/gtest.h>

using DisplayStyles::ToQColor;
using ZelUtils::Format;

namespace {

const QColor White(255, 255, 255);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);

int Count(const QImage& image, const QRect& area, const QColor& c)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixelColor(x, y) == c;
    return n;
}

int Ink(const QImage& image, const QRect& area)
{
    const QRect r = area.intersected(image.rect());
    return r.width() * r.height() - Count(image, r, White);
}

TPoint P(double x, double y) { return {x, y}; }

// Nodes 1..4 at the corners of a 1 km square, two-way links 1-2, 2-3 and 4-1, and a
// transit line 1 2 3 4 whose last hop has no link. The map shows 0..2000 at 5 m a pixel.
class AreaLayers : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        settings.NetworkDatFile = tmp.file("red.dat");
        // The transit lines are read (an opening in an earlier test follows its
        // options dialog, which may have said not to).
        settings.ReadTransitLines = true;
        viewer = new TPalvonViewer;
        viewer->AskOnClose = false;
        cfg = new TDlgCfg(viewer);
        DisplayStyles::SetDefaultStyles();
        DisplayStyles::SetDefaultClassStyles();
        UserView().PixsVol = 25;
        UserView().GenatrBarWidth = 20;
        UserView().CentroidSize = 10;
        UserView().NodeSize = 3;
        BatchMode = true; // loading draws nothing by itself here
        auto link = [](int a, int b) {
            return Format("%5d%5d%5d%5d%5d  2  %5d%5d%5d", a, b, 60, 80, 1000, 1000, 4, 1);
        };
        auto node = [](int n, double x, double y) { return Format("%5d%15.1f%15.1f", n, x, y); };
        std::vector<std::string> lines = {" &OPTION &END", "AREAS", " &PARAM XYFORM='2F15.1', &END", "33333",
                                          link(1, 2), link(2, 3), link(4, 1), "99999", "55555",
                                          node(1, 500, 500), node(2, 1500, 500), node(3, 1500, 1500),
                                          node(4, 500, 1500), "99999", "66666",
                                          Format("%-4sA %4d%5d%5d%5d%5d%5d", "L1", 10, 4, 1, 2, 3, 4), "99999",
                                          "99999"};
        ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
        // The bus totals are summed afresh for this network, as after an earlier
        // run of the same lines they would be kept.
        VisibleLinesChanged = true;
        KDVlib::BuildHitGrid();
        PalvonRead::ComputeLinkGeometry(UserView().Lanes);
        viewer->img->resize(400, 400);
        UserView().WorldMinX = UserView().WorldMinY = 0;
        UserView().WorldMaxX = UserView().WorldMaxY = 2000;
        Fresh();
    }
    void TearDown() override
    {
        NumPoligonos = 0;
        NumDots = -1;
        GeoLayers().NumGeoLayers = 0;
        NumGenatr = 0;
        UserView().EntSalVar = -1;
        BatchMode = false;
        delete viewer;
    }
    void Fresh()
    {
        viewer->img->SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
        viewer->img->Clear();
        viewer->Drawing().SetGrid();
    }
    void Tick(const char* name, bool on)
    {
        QAction* a = livemenus::Find(viewer, QString::fromLatin1(name));
        a->setCheckable(true);
        a->setChecked(on);
    }
    QPoint Pixel(double x, double y) const { return viewer->img->WorldToPoint(x, y); }
    QColor At(double x, double y) const { return Picture().pixelColor(Pixel(x, y)); }
    const QImage& Picture() const { return viewer->img->Picture(); }
    TOxrImage& Img() { return *viewer->img; }
    // A layer drawn on `canvas` (the map by default) with the window's view as it stands.
    template <class F>
    auto Draw(F&& layer, TMapPainter* canvas = nullptr)
    {
        const TViewSnapshot view = viewer->Drawing().SnapshotView();
        return layer(canvas ? *canvas : Img(), view);
    }

    static void Square(std::vector<TPoint>& points, double x0, double y0, double side)
    {
        points = {P(0, 0), P(x0, y0), P(x0 + side, y0), P(x0 + side, y0 + side), P(x0, y0 + side)};
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    TPalvonViewer* viewer = nullptr;
    TDlgCfg* cfg = nullptr;
};

} // namespace

TEST_F(AreaLayers, ZoneFillsCycleTakeTheirClassAndReachFromBeyondTheView)
{
    Network.ZoneCount = 22;
    for (int z = 1; z <= 20; ++z) {
        TZona& zone = Zonas[z];
        zone = TZona{};
        zone.Number = 100 + z;
        Square(zone.Polygon, 20 + (z - 1) * 95, 1800, 60);
        zone.PolygonCount = 4;
        zone.PolygonCentre = P(50 + (z - 1) * 95, 1830);
    }
    // A zone whose every corner lies far beyond the view still fills what it covers.
    Zonas[21] = TZona{};
    Square(Zonas[21].Polygon, -1.0e6, -1.0e6, 1.0e6 + 1000);
    Zonas[21].PolygonCount = 4;
    // One that runs out across the right side of the far clipping box.
    Zonas[22] = TZona{};
    Zonas[22].Polygon = {P(0, 0), P(1500, 200), P(1.0e12, 200), P(1.0e12, 600), P(1500, 600)};
    Zonas[22].PolygonCount = 4;
    cfg->ZonaRellenoClear->setChecked(false);
    cfg->ZonaRellenoColor->SetColor(0x00FF00);
    auto centre = [](int z) { return P(50 + (z - 1) * 95, 1830); };

    Tick("ColorMultiple", true);
    Draw(DrawZonas);
    EXPECT_EQ(At(centre(1).x, centre(1).y), ToQColor(ZoneColors[2]));
    EXPECT_EQ(At(centre(19).x, centre(19).y), ToQColor(ZoneColors[20]));
    EXPECT_EQ(At(centre(20).x, centre(20).y), ToQColor(ZoneColors[1]));
    EXPECT_EQ(At(600, 600), ToQColor(ZoneColors[2])); // the 21st zone
    EXPECT_EQ(At(1700, 400), ToQColor(ZoneColors[3])); // the 22nd
    EXPECT_NE(At(1400, 400), ToQColor(ZoneColors[3])); // nothing filled left of it

    Tick("ColorMultiple", false);
    Tick("ColorSeleccion", true);
    Zonas[3].Class = 2;
    Fresh();
    Draw(DrawZonas);
    EXPECT_EQ(At(centre(3).x, centre(3).y), ToQColor(UserView().ClassColors[2]));
    EXPECT_EQ(At(centre(4).x, centre(4).y), ToQColor(0x00FF00));
    EXPECT_EQ(At(600, 600), ToQColor(0x00FF00));
    EXPECT_EQ(At(1700, 400), ToQColor(0x00FF00));

    // Zone codes at the outline's centre.
    const QRect codeBox(Pixel(centre(5).x, centre(5).y) - QPoint(5, 5), QSize(11, 11));
    EXPECT_EQ(Count(Picture(), codeBox, ToQColor(0x00FF00)), 11 * 11);
    Tick("CodZona", true);
    Fresh();
    Draw(DrawZonas);
    EXPECT_LT(Count(Picture(), codeBox, ToQColor(0x00FF00)), 11 * 11);
}

TEST_F(AreaLayers, EntriesAndExitsAndGenerationBarsBesideTheCentroid)
{
    Network.ZoneCount = 1;
    Zonas[1] = TZona{};
    Zonas[1].Number = 7;
    Zonas[1].CentroidX = 1000;
    Zonas[1].CentroidY = 1000;
    Zonas[1].HasCentroid = 1;
    KDVlib::BuildHitGrid();
    Fresh();
    Zonas[0].EnteringTotals[2] = 10;
    Zonas[0].LeavingTotals[2] = 10;
    Zonas[1].EnteringTotals[2] = 10; // 75 pixels
    Zonas[1].LeavingTotals[2] = 5;   // 38 pixels
    UserView().EntSalVar = 2;
    viewer->SetDown(Cmd::tbCents, true);
    Draw(DrawEntSal);
    const QPoint c = Pixel(1000, 1000);
    EXPECT_EQ(Picture().pixelColor(c + QPoint(-10, -70)), Blue);
    EXPECT_EQ(Picture().pixelColor(c + QPoint(10, -70)), White);
    EXPECT_EQ(Picture().pixelColor(c + QPoint(10, -30)), Red);
    EXPECT_EQ(Count(Picture(), QRect(c + QPoint(1, -36), QSize(19, 30)), Red), 19 * 30);
    // No variable beyond the eleven a zone holds.
    UserView().EntSalVar = 11;
    Fresh();
    Draw(DrawEntSal);
    EXPECT_EQ(Ink(Picture(), Picture().rect()), 0);
    UserView().EntSalVar = -1;

    // Generation (left, blue) and attraction (right, red) of the chosen column; a
    // small positive value still shows one pixel.
    NumGenatr = 2;
    Genatr[1] = TGenatr{};
    Genatr[1].X = 1000;
    Genatr[1].Y = 1000;
    Genatr[1].Gen[1] = 100;
    Genatr[1].Attr[1] = 0.001f;
    GenatrMax = 100;
    UserView().GenatrCol = 1;
    Tick("GenAtrZona", true);
    Fresh();
    Draw(DrawZonas);
    EXPECT_EQ(Picture().pixelColor(c + QPoint(-10, -70)), Blue);
    // Its value is written above the bar, where it can be read.
    const int top = c.y() - static_cast<int>(std::lround(3.0 * UserView().PixsVol));
    EXPECT_GT(Ink(Picture(), QRect(c.x() - 60, top - 16, 60, 15)), 0);
    EXPECT_EQ(Ink(Picture(), QRect(c.x() - 60, top + 2, 35, 20)), 0);
    EXPECT_GT(Ink(Picture(), QRect(c + QPoint(1, -2), QSize(19, 2))), 0);
    // The one-pixel attraction bar, its value just above it, nothing higher.
    EXPECT_GT(Ink(Picture(), QRect(c + QPoint(1, -17), QSize(30, 15))), 0);
    EXPECT_EQ(Ink(Picture(), QRect(c + QPoint(1, -40), QSize(19, 20))), 0);
    EXPECT_TRUE(Img().LastDrawing.GenatrRegions.at(1).contains(c));
}

TEST_F(AreaLayers, TransitRoutesAndBusVolumes)
{
    Tick("linnone", true);
    Draw(DrawLineas);
    EXPECT_EQ(At(1000, 500), Red);  // hop 1-2 along its link
    EXPECT_EQ(At(1500, 1000), Red); // hop 2-3
    EXPECT_EQ(At(1000, 1500), Blue); // hop 3-4 has no link

    Tick("linnone", false);
    Tick("linveh", true);
    Tick("tbLineas", true);
    viewer->Grids().CreateGrids(); // the bar legend
    UserView().RangeMode = 0;
    UserView().RangeMax = 999;
    Fresh();
    const DataLayers::TLegendRequest legend = Draw(DrawLineas);
    ASSERT_EQ(LinkBusCount.size(), static_cast<size_t>(Network.LinkCount) + 1);
    EXPECT_EQ(LinkBusMax, 10.0f);
    EXPECT_EQ(legend.BarScaleMax, 10.0f);
    // The band of link 1-2 lies on the right of its direction: below it on screen.
    const QColor band = ToQColor(UserView().ModePenColors[0]);
    const QPoint m = Pixel(1000, 500);
    EXPECT_EQ(Picture().pixelColor(m + QPoint(0, 12)), band);
    EXPECT_NE(Picture().pixelColor(m + QPoint(0, -12)), band);
    // The bar legend of the bands goes over the map.
    EXPECT_EQ(legend.kind, DataLayers::TLegendRequest::Bars);
    EXPECT_EQ(legend.caption, "BUSES");
    // A drawing only reads its view: the user's scale is left to the screen, and a
    // copy taken before the screen shows the new totals takes their scale.
    EXPECT_EQ(UserView().RangeMax, 999.0f);
    EXPECT_EQ(viewer->Drawing().SnapshotView().State.RangeMax, 10.0f);
    EXPECT_EQ(viewer->Drawing().SnapshotView().State.RangeMin, 0.0f);
}

TEST_F(AreaLayers, UserPolygonsTheirNamesAndRegions)
{
    NumPoligonos = 3;
    for (int i = 0; i < 3; ++i) {
        TPoligono& p = Poligonos[static_cast<size_t>(i)];
        p = TPoligono{};
        Square(p.Points, 200 + i * 600, 200, 400);
        p.Points[0] = P(400 + i * 600, 400);
        p.PointCount = 4;
        p.Name = "  Zona " + std::to_string(i) + " ";
        p.PenColor = 0x000000;
        p.PenWidth = 1;
        p.BrushColor = 0x00FFFF;
    }
    Poligonos[1].Visible = 0;
    Poligonos[2].BrushClear = 1;
    const QColor yellow = ToQColor(0x00FFFF);
    Tick("MostrarNombresPlg", false);
    Draw(DrawPoligonos);
    EXPECT_EQ(At(300, 300), yellow);
    EXPECT_EQ(At(900, 300), White);
    EXPECT_EQ(At(1500, 300), White);
    EXPECT_EQ(At(1400, 200), QColor(0, 0, 0)); // the clear polygon's outline
    EXPECT_TRUE(Poligonos[0].PolygonRegion.contains(Pixel(300, 300)));
    EXPECT_TRUE(Poligonos[1].PolygonRegion.isEmpty());

    // Names under the network, or over everything.
    const QRect label(Pixel(400, 400) - QPoint(25, 8), QSize(51, 17));
    Tick("MostrarNombresPlg", true);
    Fresh();
    Draw(DrawPoligonos);
    EXPECT_LT(Count(Picture(), label, yellow), label.width() * label.height());
    EXPECT_TRUE(Poligonos[0].LabelRegion.contains(Pixel(400, 400)));
    Tick("MostrarNombresArribaPlg", true);
    Fresh();
    Draw(DrawPoligonos);
    EXPECT_EQ(Count(Picture(), label, yellow), label.width() * label.height());
    Draw(DrawNamePoligonos);
    EXPECT_LT(Count(Picture(), label, yellow), label.width() * label.height());

    // Another canvas (a print page) leaves the map's regions alone.
    TOxrImage page;
    page.resize(100, 100);
    page.SetWorld(0, 0, 4000, 4000);
    Poligonos[0].PolygonRegion = QRegion();
    Draw(DrawPoligonos, &page);
    EXPECT_TRUE(Poligonos[0].PolygonRegion.isEmpty());
}

TEST_F(AreaLayers, BackgroundLayersTheirMenusAndLabels)
{
    viewer->Display().LineaSoleras(testutil::dataPath("layer_kerbs.geo"), false);
    ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_TRUE(viewer->Down(Cmd::tbSolera));
    EXPECT_EQ(livemenus::Find(viewer, "s11")->text(), "layer_kerbs");
    EXPECT_TRUE(livemenus::Find(viewer, "s11")->isVisible());
    EXPECT_TRUE(livemenus::Find(viewer, "s11")->isChecked());
    EXPECT_FALSE(livemenus::Find(viewer, "s12")->isVisible());
    EXPECT_EQ(livemenus::Find(viewer, "mSoleraSele")->text(), "Selección: 1");
    QMenu* entry = viewer->findChild<QMenu*>("S111");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->title(), "Solera: layer_kerbs");
    EXPECT_TRUE(livemenus::Find(viewer, "Nombres11")->isChecked());
    EXPECT_EQ(livemenus::Find(viewer, "Letra11")->text(), QString::fromStdString(Format("Letra (%s %2d)", UserView().LabelFonts[11].Name,
                                                                                 UserView().LabelFonts[11].Size)));

    const QColor gray = ToQColor(UserView().Items[11].Color);
    UserView().Items[11].Width = 2;
    Draw(DrawSolera);
    EXPECT_EQ(At(700, 300), gray);
    // Only the last point of polyline 9 lies in the widened window: it is drawn.
    EXPECT_EQ(At(600, 500), gray);
    // "Borde" at its name file's place, above polyline 9.
    const QRect label(Pixel(400, 520) - QPoint(20, 8), QSize(41, 9));
    const int withNames = Ink(Picture(), label);
    EXPECT_GT(withNames, 0);
    viewer->Display().Nombres(11, false);
    Fresh();
    Draw(DrawSolera);
    EXPECT_LT(Ink(Picture(), label), withNames);

    // Deleted polylines and hidden layers are not drawn.
    int32_t first, last;
    LineLayers::LayerRange(1, first, last);
    GeoLayers().GeoLinks[first + 1].Name = GeoDeletedName;
    Fresh();
    Draw(DrawSolera);
    EXPECT_EQ(At(700, 300), White);
    EXPECT_EQ(At(600, 500), gray);
    QAction* layer = livemenus::Find(viewer, "s11");
    ASSERT_TRUE(layer->isChecked());
    layer->trigger();
    Fresh();
    Draw(DrawSolera);
    EXPECT_EQ(Ink(Picture(), Picture().rect()), 0);

    // Added and replaced layers and their menu entries.
    const std::string other = tmp.file("otra.geo");
    testutil::writeFile(other, "1,2,0,0,10,10\r\n");
    viewer->Display().LineaSoleras(other, true);
    EXPECT_EQ(livemenus::Find(viewer, "s12")->text(), "otra");
    EXPECT_EQ(livemenus::Find(viewer, "mSoleraSele")->text(), "Selección: 1/2");
    EXPECT_TRUE(viewer->findChild<QMenu*>("S112")->menuAction()->isVisible());
    EXPECT_FALSE(livemenus::Find(viewer, "Nombres12")->isChecked());
    viewer->Display().LineaSoleras(other, false);
    EXPECT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_EQ(livemenus::Find(viewer, "s11")->text(), "otra");
    EXPECT_FALSE(livemenus::Find(viewer, "s12")->isVisible());
    EXPECT_FALSE(viewer->findChild<QMenu*>("S112")->menuAction()->isVisible());

    // An unreadable format changes neither layers nor menus.
    const std::string bad = tmp.file("mala.geo");
    testutil::writeFile(bad, "1 2 0 0 10 10\r\n");
    viewer->Display().LineaSoleras(bad, true);
    EXPECT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_FALSE(livemenus::Find(viewer, "s12")->isVisible());

    viewer->Display().QueSolerasMover(livemenus::Find(viewer, "mSoleraTodo"));
    EXPECT_EQ(viewer->Display().QueMover->title(), "¿Qué mover? (Todo)");
}

TEST_F(AreaLayers, FreePointsAsNumberedHexagons)
{
    viewer->Display().PuntosGeo(testutil::dataPath("layer_points.geo"));
    ASSERT_EQ(NumDots, 2);
    Draw([](TMapPainter& c, const TViewSnapshot& view) { DrawPuntos(c, view); });
    const QPoint p = Pixel(600, 600);
    EXPECT_GT(Count(Picture(), QRect(p - QPoint(9, 3), QSize(3, 7)), Blue), 0);
    EXPECT_GT(Count(Picture(), QRect(p - QPoint(8, 8), QSize(17, 17)), Red), 0); // the number "-4"
    EXPECT_EQ(Ink(Picture(), QRect(Pixel(1000, 1000) - QPoint(12, 12), QSize(25, 25))), 0);
}
