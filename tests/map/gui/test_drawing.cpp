// The layered drawing of the network: the sample network and a small hand-made
// town drawn off-screen and checked by their pixels, the main window's redraw
// with its options and toolbar, and inputs that must not upset the drawing.
#include "mainwindow/DlgCfg.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DisplayStyles.h"
#include "map/DrawLayers.h"
#include "map/DrawState.h"
#include "map/NetworkShapes.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/IdentityCases.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using ZelUtils::Format;

namespace {

const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);
const QColor Blue(0, 0, 255);   // TColor 0xFF0000
const QColor Red(255, 0, 0);    // TColor 0x0000FF
const QColor Yellow(255, 255, 0); // TColor 0x00FFFF
const QColor SignalGreen(0, 128, 0);

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& test)
{
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (test(image.pixelColor(x, y)))
                ++n;
    return n;
}

int CountColour(const QImage& image, const QRect& area, const QColor& c)
{
    return CountPixels(image, area, [&](const QColor& p) { return p == c; });
}

QRect Around(const QPoint& p, int r) { return QRect(p.x() - r, p.y() - r, 2 * r + 1, 2 * r + 1); }

// Bounding box of the pixels that are not white.
QRect InkBox(const QImage& image, const QRect& area)
{
    QRect box;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixelColor(x, y) != White)
                box |= QRect(x, y, 1, 1);
    return box;
}

std::string NodeLine(int n, double x, double y) { return Format("%5d%15.1f%15.1f", n, x, y); }

std::string LinkLine(int a, int b, char twoWay, int length, const std::string& name)
{
    return Format("%5d%5d%5d%5d%5d  %c  %5d%5d%5d%s", a, b, 60, 80, 1000, twoWay, length, 4, 1, name.c_str());
}

using testutil::ResetDisplayState;

// Reads a network and runs the steps that opening runs before the first drawing.
bool OpenNetwork(std::vector<std::string> lines, const PalvonRead::TReadSettings& settings)
{
    if (!PalvonRead::ReadNetwork(lines, settings))
        return false;
    KDVlib::BuildHitGrid();
    PalvonRead::ComputeLinkGeometry(UserView().Lanes);
    PalvonRead::OrderArms();
    PalvonRead::ComputeLinkDataExtremes();
    UserView().WorldMinX = Network.MinX;
    UserView().WorldMaxX = Network.MaxX;
    UserView().WorldMinY = Network.MinY;
    UserView().WorldMaxY = Network.MaxY;
    return true;
}

class Drawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        settings.NetworkDatFile = tmp.file("red.dat");
        ResetDisplayState();
        img.resize(800, 800);
    }
    // Sets the view and prepares a blank canvas over it.
    void View(double minX, double minY, double maxX, double maxY)
    {
        UserView().WorldMinX = minX;
        UserView().WorldMinY = minY;
        UserView().WorldMaxX = maxX;
        UserView().WorldMaxY = maxY;
        Blank();
    }
    void Blank()
    {
        img.SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
        img.Clear();
        KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
    }
    int32_t Node(int number) const { return KDVlib::FindNodo(number); }
    TArcos& Link(int a, int b)
    {
        const int32_t k = KDVlib::FindArco(a, b);
        EXPECT_GT(k, 0) << a << "-" << b;
        return Arcos[k];
    }
    QPoint NodePixel(int number) const
    {
        const TNodo& n = Nodos[Node(number)];
        return img.WorldToPoint(n.X, n.Y);
    }
    QPoint LinkMiddle(int a, int b)
    {
        const TArcos& l = Link(a, b);
        const TPoint& p = l.Points[1];
        const TPoint& q = l.Points[l.PointCount];
        return img.WorldToPoint((p.x + q.x) / 2, (p.y + q.y) / 2);
    }
    const QImage& Picture() const { return img.Picture(); }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    TOxrImage img;
    TNetworkOptions options;
};

class SampleMap : public Drawing {
protected:
    void SetUp() override
    {
        Drawing::SetUp();
        std::vector<std::string> lines;
        ASSERT_TRUE(FileUtils::ReadLines(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", lines));
        ASSERT_TRUE(OpenNetwork(lines, settings));
        Blank();
    }
};

// Five streets on a 2 km square: a two-way street, a one-way street pointing west,
// one pointing north, and two one-way streets 2 m apart.
class SmallTown : public Drawing {
protected:
    void SetUp() override
    {
        Drawing::SetUp();
        std::vector<std::string> lines = {" &OPTION &END", "PUEBLO DE PRUEBA", " &PARAM XYFORM='2F15.1', &END", "33333",
                                          LinkLine(1, 2, '2', 1000, "ESTE OESTE"),
                                          LinkLine(4, 3, '1', 1000, "AL OESTE"),
                                          LinkLine(5, 6, '1', 1000, "AL NORTE"),
                                          LinkLine(7, 8, '1', 1000, "PARALELA UNO"),
                                          LinkLine(9, 10, '1', 1000, "PARALELA DOS"),
                                          "99999", "55555",
                                          NodeLine(1, 100, 100), NodeLine(2, 1100, 100),
                                          NodeLine(3, 100, 700), NodeLine(4, 1100, 700),
                                          NodeLine(5, 1700, 100), NodeLine(6, 1700, 1100),
                                          NodeLine(7, 100, 1300), NodeLine(8, 1100, 1300),
                                          NodeLine(9, 100, 1302), NodeLine(10, 1100, 1302),
                                          "99999", "99999"};
        ASSERT_TRUE(OpenNetwork(lines, settings));
        View(0, 0, 2000, 2000); // 2.5 m per pixel
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Links

TEST_F(SampleMap, LinksTakeTheColourAndWidthOfTheirClass)
{
    Link(102, 103).Mark = 2; // class 2: blue, 3 pixels (both directions: the later one covers the first)
    Link(103, 102).Mark = 2;
    Nodos[Node(301)].Mark = 4;
    DrawLayers::DrawNetWork(img, options);
    EXPECT_EQ(Picture().pixelColor(LinkMiddle(102, 103)), Blue);
    EXPECT_GT(CountColour(Picture(), Around(LinkMiddle(104, 105), 1), Black), 0);
    EXPECT_EQ(CountColour(Picture(), Around(LinkMiddle(104, 105), 1), Blue), 0);
    EXPECT_EQ(img.LastDrawing.SelectedNodeCount, 1);
    EXPECT_TRUE(ui.enabledItems["jtSel"]);
    EXPECT_FALSE(ui.enabledItems["aVistaAnterior"]);

    // Without a width no link is drawn, while the menu items still follow.
    UserView().Items[0].Width = 0;
    Nodos[Node(301)].Mark = 0;
    UserView().ZoomIndex = 2;
    Blank();
    DrawLayers::DrawNetWork(img, options);
    EXPECT_TRUE(InkBox(Picture(), Picture().rect()).isEmpty());
    EXPECT_EQ(img.LastDrawing.SelectedNodeCount, 0);
    EXPECT_FALSE(ui.enabledItems["jtSel"]);
    EXPECT_TRUE(ui.enabledItems["aVistaAnterior"]);
}

TEST_F(SampleMap, BlockedLinksDashedInTheirColourOrHidden)
{
    TArcos& forward = Link(201, 204);
    ASSERT_TRUE(forward.HasFlag(9)); // the sample blocks it in section 44444
    ASSERT_GT(forward.ReverseIndex, 0);
    TArcos& backward = Arcos[forward.ReverseIndex];
    backward.SetFlag(9);
    const QPoint a = NodePixel(201), b = NodePixel(204);
    // The link runs about 140 pixels, nearly level: count its pixels column by column
    // (ends left out).
    const QRect span = QRect(a, b).normalized().adjusted(6, -2, -6, 2);
    ASSERT_GT(span.width(), 100);
    auto count = [&](const QColor& c) { return CountColour(Picture(), span, c); };

    DrawLayers::DrawNetWork(img, options);
    EXPECT_GT(count(Red), span.width() / 2);
    EXPECT_EQ(count(Black), 0);

    // A single blocked direction keeps the normal pen.
    backward.ClearFlag(9);
    Blank();
    DrawLayers::DrawNetWork(img, options);
    EXPECT_EQ(count(Red), 0);
    EXPECT_GE(count(Black), span.width());

    // Blocked in white: hidden, here and in the other layers.
    backward.SetFlag(9);
    options.BlockedColor = clWhite;
    backward.NoReverse = forward.NoReverse = 1;
    Blank();
    DrawLayers::DrawNetWork(img, options);
    DrawLayers::DrawArrows(img, options);
    img.ResetLabelsOff();
    DrawLayers::DrawCalles(img, options);
    EXPECT_TRUE(InkBox(Picture(), QRect(a, b).normalized().adjusted(8, -3, -8, 3)).isEmpty());
}

// ---------------------------------------------------------------------------
// Arrows, nodes, centroids

TEST_F(SmallTown, ArrowsOnlyOnLinksLongerThanFiftyPixels)
{
    auto arrowPixels = [&] { return CountColour(Picture(), Around(NodePixel(6), 20), Yellow); };
    // 1000 m as 55 pixels, then as 45.
    const double c = 1000.0;
    View(c - 400 * 1000.0 / 55, c - 400 * 1000.0 / 55, c + 400 * 1000.0 / 55, c + 400 * 1000.0 / 55);
    DrawLayers::DrawArrows(img, options);
    EXPECT_GT(arrowPixels(), 0);
    View(c - 400 * 1000.0 / 45, c - 400 * 1000.0 / 45, c + 400 * 1000.0 / 45, c + 400 * 1000.0 / 45);
    DrawLayers::DrawArrows(img, options);
    EXPECT_EQ(arrowPixels(), 0);

    // At full view: the arrow of the northbound street points north (its body below the tip).
    View(0, 0, 2000, 2000);
    DrawLayers::DrawArrows(img, options);
    const QRect body = InkBox(Picture(), Around(NodePixel(6), 30));
    ASSERT_FALSE(body.isEmpty());
    EXPECT_GE(body.top(), NodePixel(6).y() - 1);
    EXPECT_GT(body.bottom(), NodePixel(6).y() + 10);
    // A two-way street has none; with only the selection shown, links without a class have none.
    EXPECT_EQ(CountColour(Picture(), Around(NodePixel(2), 30), Yellow), 0);
    options.OnlySelection = true;
    Blank();
    DrawLayers::DrawArrows(img, options);
    EXPECT_TRUE(InkBox(Picture(), Picture().rect()).isEmpty());
    Link(5, 6).Mark = 1;
    DrawLayers::DrawArrows(img, options);
    EXPECT_GT(arrowPixels(), 0);
}

TEST_F(SampleMap, NodesSignalsAndHitRegions)
{
    const QPoint signal = NodePixel(103);
    options.KeepHitRegions = true;
    DrawLayers::DrawNodes(img, options);
    EXPECT_EQ(Picture().pixelColor(signal), Yellow); // the node's fill
    EXPECT_EQ(CountColour(Picture(), Around(signal, 20), SignalGreen), 0);
    const THitCircle hit = img.LastDrawing.NodeHit(Node(103));
    EXPECT_TRUE(hit.Contains(signal.x(), signal.y()));
    EXPECT_EQ(hit.R, UserView().NodeSize + 2);

    options.Semaforos = true;
    options.ColorNode = true;
    Blank();
    DrawLayers::DrawNodes(img, options);
    EXPECT_GT(CountColour(Picture(), Around(signal, 20), SignalGreen), 0);
    EXPECT_EQ(CountColour(Picture(), Around(NodePixel(102), 6), SignalGreen), 0);
    // Outlines by junction type: 201 is a roundabout (grey), 102 has priority (blue).
    EXPECT_GT(CountColour(Picture(), Around(NodePixel(102), 5), Blue), 0);

    // Drawing the nodes on another canvas (a print page) leaves the main map's regions alone.
    TOxrImage other;
    other.resize(300, 300);
    other.SetWorld(Network.MinX, Network.MinY, Network.MaxX, Network.MaxY);
    options.KeepHitRegions = false;
    DrawLayers::DrawNodes(other, options);
    EXPECT_EQ(img.LastDrawing.NodeHit(Node(103)).X, hit.X);
    // A node outside the view keeps no region.
    options.KeepHitRegions = true;
    View(Network.MinX, Network.MinY, Network.MinX + 200, Network.MinY + 200);
    DrawLayers::DrawNodes(img, options);
    EXPECT_TRUE(img.LastDrawing.NodeHit(Node(103)).Empty());
}

TEST_F(SampleMap, CentroidsConnectorsAndZoneNumbers)
{
    const int32_t z1 = KDVlib::FindZona(1);
    ASSERT_GT(z1, 0);
    const TZona& zone = Zonas[z1];
    const QPoint c = img.WorldToPoint(zone.CentroidX, zone.CentroidY);
    options.KeepHitRegions = true;
    DrawLayers::DrawCents(img, options);
    EXPECT_GT(CountColour(Picture(), Around(c, UserView().CentroidSize), Yellow), 0);
    // Zone 1 is connected along the links at node 101: a green line from the
    // centroid to the point three quarters of the way along each link.
    ASSERT_GE(zone.ConnectorCount, 1);
    const TZoneConnector& k = zone.Connectors[1];
    ASSERT_EQ(k.Kind, 0);
    const TArcos& target = Arcos[k.LinkIndex];
    const TNodo& na = Nodos[target.AIndex];
    const TNodo& nb = Nodos[target.BIndex];
    const QPoint t = img.WorldToPoint(0.25 * na.X + 0.75 * nb.X, 0.25 * na.Y + 0.75 * nb.Y);
    const QPoint mid((c.x() + t.x()) / 2, (c.y() + t.y()) / 2);
    EXPECT_GT(CountColour(Picture(), Around(mid, 1), SignalGreen), 0);
    EXPECT_TRUE(img.LastDrawing.ZoneHit(z1).Contains(c.x(), c.y()));
    // A connector count beyond the connectors held is not followed.
    Zonas[z1].ConnectorCount = MaxZoneConnectors + 40;
    DrawLayers::DrawCents(img, options);
    Zonas[z1].Class = 25; // a class, but none of the selectable ones

    // Only the selection: zones without a class are left out.
    options.OnlySelection = true;
    Blank();
    DrawLayers::DrawCents(img, options);
    const QRect drawn = InkBox(Picture(), Picture().rect());
    EXPECT_TRUE(drawn.contains(c)); // zone 1 alone, with its class
    EXPECT_FALSE(drawn.contains(img.WorldToPoint(Zonas[KDVlib::FindZona(3)].CentroidX,
                                                 Zonas[KDVlib::FindZona(3)].CentroidY)));
}

TEST_F(SampleMap, LaneViewDrawsCarriagewaysMarkingsAndJunctionAreas)
{
    ASSERT_TRUE(Network.SectionPresent[0]);
    const TNodo& j = Nodos[Node(103)];
    View(j.X - 60, j.Y - 60, j.X + 60, j.Y + 60); // 0.15 m per pixel
    options.ShowLanes = true;
    DrawLayers::DrawNetWorkLanes(img, options);
    const QImage& p = Picture();
    EXPECT_GT(CountColour(p, p.rect(), QColor(0xC0, 0xC0, 0xC0)), 1000); // carriageways
    EXPECT_EQ(p.pixelColor(NodePixel(103)), Yellow);                     // the junction area
    EXPECT_GT(CountColour(p, p.rect(), Black), 50);                       // turn markings
    // The arm from 301 has a bus lane ("B2"): hatched in grey.
    EXPECT_GT(CountColour(p, p.rect(), QColor(0x80, 0x80, 0x80)), 100);
}

// ---------------------------------------------------------------------------
// Labels

TEST_F(SmallTown, StreetNamesOncePerStreetNeverUpsideDownNeverOverlapping)
{
    img.ResetLabelsOff();
    DrawLayers::DrawCalles(img, options);
    // Two-way street once, the two one-way streets, one of the two side by side.
    EXPECT_EQ(img.Labels().Count(), 4);

    // Westward one-way street: the text runs left to right, hanging below the link.
    const QPoint west = img.WorldToPoint(600, 700);
    const QRect w = InkBox(Picture(), Around(west, 120));
    ASSERT_FALSE(w.isEmpty());
    EXPECT_GT(w.width(), 2 * w.height());
    EXPECT_GE(w.top(), west.y() - 1);
    EXPECT_NEAR(w.center().x(), west.x(), 3);
    // Northward one-way street: the text runs upwards, to the right of the link.
    const QPoint north = img.WorldToPoint(1700, 600);
    const QRect n = InkBox(Picture(), Around(north, 120));
    ASSERT_FALSE(n.isEmpty());
    EXPECT_GT(n.height(), 2 * n.width());
    EXPECT_GE(n.left(), north.x() - 1);

    // Moved apart, the second parallel street is named too.
    for (int k : {Node(9), Node(10)})
        Nodos[k].Y = 1500;
    for (int k : {KDVlib::FindArco(9, 10)})
        for (int p = 1; p <= Arcos[k].PointCount; ++p)
            Arcos[k].Points[p].y = 1500;
    Blank();
    img.ResetLabelsOff();
    DrawLayers::DrawCalles(img, options);
    EXPECT_EQ(img.Labels().Count(), 5);
}

TEST_F(SmallTown, StreetNamesTrimmedOrTakenFromTheOppositeLinkAsEdited)
{
    // The eastward link of the two-way street is the one named; a blank name
    // takes its opposite link's. Each edit shows in the next drawing.
    const struct {
        const char* own;
        const char* pair;
        const char* shown; // null: not named
    } cases[] = {
        {"ESTE OESTE", "", "ESTE OESTE"},
        {"  ESTE OESTE LARGA\t", "OTRA", "ESTE OESTE LARGA"},
        {"", "OESTE ESTE", "OESTE ESTE"},
        {"   ", " OESTE ESTE DOS ", "OESTE ESTE DOS"},
        {" ", "\t ", nullptr},
        {"ESTE", "", "ESTE"},
        // Alike in their first and last bytes and their length: each its own width.
        {"ESTE OES WW TE LARGA", "", "ESTE OES WW TE LARGA"},
        {"ESTE OES ii TE LARGA", "", "ESTE OES ii TE LARGA"},
    };
    const NetworkShapes::TViewBox all(-1e5, -1e5, 1, 1, 2e5, 0);
    for (const auto& c : cases) {
        Link(1, 2).StreetName = c.own;
        Link(2, 1).StreetName = c.pair;
        std::vector<std::string> names;
        NetworkShapes::ForEachStreetLabel(all, options, 0.5, [&](const TPoint& place, int32_t, const std::string& name) {
            if (place.y == 100)
                names.push_back(name);
        });
        EXPECT_EQ(names, c.shown ? std::vector<std::string>{c.shown} : std::vector<std::string>{}) << c.own;
        Blank();
        img.ResetLabelsOff();
        DrawLayers::DrawCalles(img, options);
        const QRect box = InkBox(Picture(), Around(img.WorldToPoint(600, 100), 200));
        if (!c.shown) {
            EXPECT_TRUE(box.isEmpty()) << c.own;
            continue;
        }
        const QFontMetrics fm(img.Canvas()->font(), &Picture());
        EXPECT_NEAR(box.width(), fm.horizontalAdvance(QString::fromUtf8(c.shown)), 3) << c.own;
    }
}

TEST_F(SmallTown, NodeNumbersAtTheirPositionCentredInTheLaneView)
{
    const QPoint p = NodePixel(5);
    img.ResetLabelsOff();
    DrawLayers::DrawNameNodes(img, options);
    QRect box = InkBox(Picture(), Around(p, 40));
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GE(box.left(), p.x() - 1); // position 6: the text starts at the node, above it
    EXPECT_LE(box.bottom(), p.y() + 1);

    options.ShowLanes = true;
    Blank();
    img.ResetLabelsOff();
    DrawLayers::DrawNameNodes(img, options);
    box = InkBox(Picture(), Around(p, 40));
    EXPECT_NEAR(box.center().x(), p.x(), 3);
    EXPECT_NEAR(box.center().y(), p.y(), 4);
}

TEST(TitleBlock, BottomCentreWithThreeLines)
{
    TOxrImage img;
    img.resize(801, 600);
    img.SetWorld(0, 0, 801, 600);
    img.Clear();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(12);
    DrawLayers::DrawTitulos(img, {"VILLA EJEMPLO", "Flujo asignado", "Hora punta"}, font, Qt::black, 5);
    const QRect box = InkBox(img.Picture(), img.Picture().rect());
    ASSERT_FALSE(box.isEmpty());
    const int h = QFontMetrics(font, &img.Picture()).height();
    const int top = 600 - ZelUtils::Round(3 * h * 1.1 - 10);
    EXPECT_GE(box.top(), top);
    EXPECT_LE(box.bottom(), 600);
    EXPECT_NEAR(box.center().x(), 400, 2);
}

// ---------------------------------------------------------------------------
// Degenerate input

TEST_F(SmallTown, FaultyRecordsAndWindowsDrawWithoutFailing)
{
    TArcos& a = Link(1, 2);
    a.Mark = 99;          // beyond the class tables
    a.PointCount = 40;    // beyond the shape-point room
    TArcos& b = Link(4, 3);
    b.ReverseIndex = 999999; // names no link
    b.SetLanes(2);
    b.LaneEdgeCount = 2;
    b.StraightLength = 0; // no length: no carriageway
    for (int p = 1; p <= b.PointCount; ++p)
        b.Points[p] = {600, 700};
    Nodos[Node(5)].JunctionType = 9;
    Link(7, 8).AIndex = Network.NodeCount + 5; // an index past the nodes
    options.ColorNode = true;
    options.ShowLanes = true;
    auto drawAll = [&] {
        DrawLayers::DrawNetWork(img, options);
        DrawLayers::DrawNetWorkLanes(img, options);
        DrawLayers::DrawArrows(img, options);
        DrawLayers::DrawNodes(img, options);
        DrawLayers::DrawCents(img, options);
        img.ResetLabelsOff();
        DrawLayers::DrawNameNodes(img, options);
        DrawLayers::DrawCalles(img, options);
    };
    drawAll();
    EXPECT_FALSE(InkBox(Picture(), Picture().rect()).isEmpty());

    // A window without extent, and one that misses the network.
    View(500, 500, 500, 500);
    drawAll();
    View(1e7, 1e7, 1e7 + 100, 1e7 + 100);
    drawAll();
    EXPECT_TRUE(InkBox(Picture(), Picture().rect()).isEmpty());
}

// ---------------------------------------------------------------------------
// The main window's redraw

class ViewerDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        viewer = new TPalvonViewer;
        viewer->AskOnClose = false;
        cfg = new TDlgCfg(viewer);
        ResetDisplayState();
        viewer->img->resize(700, 700);
        std::vector<std::string> lines;
        ASSERT_TRUE(FileUtils::ReadLines(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", lines));
        ASSERT_TRUE(OpenNetwork(lines, settings));
        DrawEnabled = true;
    }
    void TearDown() override
    {
        delete viewer;
        DrawEnabled = false;
    }
    QColor At(const QPoint& p) const { return viewer->img->Picture().pixelColor(p); }
    QPoint NodePixel(int number) const
    {
        const TNodo& n = Nodos[KDVlib::FindNodo(number)];
        return viewer->img->WorldToPoint(n.X, n.Y);
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    TPalvonViewer* viewer = nullptr;
    TDlgCfg* cfg = nullptr;
};

TEST_F(ViewerDrawing, OptionsAndToolbarChangeTheNextDrawing)
{
    const TArcos& l = Arcos[KDVlib::FindArco(104, 105)];
    auto middle = [&] {
        return viewer->img->WorldToPoint((l.Points[1].x + l.Points[2].x) / 2, (l.Points[1].y + l.Points[2].y) / 2);
    };
    viewer->RedrawMap();
    EXPECT_GT(CountColour(viewer->img->Picture(), Around(middle(), 1), Black), 0);
    EXPECT_NE(At(NodePixel(103)), Yellow);
    EXPECT_GT(viewer->Drawing().PickLength(), 0.0f);

    cfg->ArcosColor->SetColor(clBlue);
    viewer->SetDown(Cmd::tbNodes, true);
    viewer->RedrawMap();
    EXPECT_GT(CountColour(viewer->img->Picture(), Around(middle(), 1), Blue), 0);
    EXPECT_EQ(CountColour(viewer->img->Picture(), Around(middle(), 1), Black), 0);
    EXPECT_EQ(At(NodePixel(103)), Yellow);
    EXPECT_TRUE(viewer->img->LastDrawing.NodeHit(KDVlib::FindNodo(103)).Contains(NodePixel(103).x(),
                                                                                      NodePixel(103).y()));

    // The lane view replaces the node circles.
    UserView().ShowLanes = true;
    viewer->RedrawMap();
    EXPECT_TRUE(viewer->img->LastDrawing.NodeHit(KDVlib::FindNodo(103)).Empty());
    UserView().ShowLanes = false;

    // The pan tool shows its cursor.
    viewer->SetDown(Cmd::tbMove, true);
    viewer->RedrawMap();
    EXPECT_EQ(viewer->img->cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(ViewerDrawing, NothingIsDrawnWhileDrawingIsDisabled)
{
    viewer->RedrawMap();
    const QImage before = viewer->img->Picture().copy();
    UserView().WorldMaxX = UserView().WorldMinX + (UserView().WorldMaxX - UserView().WorldMinX) / 2;
    UserView().WorldMaxY = UserView().WorldMinY + (UserView().WorldMaxY - UserView().WorldMinY) / 2;
    DrawEnabled = false;
    viewer->RedrawMap();
    EXPECT_EQ(viewer->img->Picture(), before);
    EXPECT_GT(viewer->Drawing().PickLength(), 0.0f); // the pick distance follows the window all the same
    DrawEnabled = true;
    viewer->RedrawMap();
    EXPECT_NE(viewer->img->Picture(), before);
}

TEST_F(ViewerDrawing, BitmapFileHoldsTheStampTheMapDoesNot)
{
    viewer->RedrawMap();
    GeneratedBy = "Generado por Velmora (prueba)";
    const std::string file = tmp.file("mapa.bmp");
    ASSERT_TRUE(viewer->Drawing().SaveMapBitmap(file));
    QImage saved(QString::fromStdString(file), "BMP");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), viewer->img->Picture().size());
    const QRect stamp(0, 0, 120, 20);
    EXPECT_FALSE(InkBox(saved, stamp).isEmpty());
    EXPECT_TRUE(InkBox(viewer->img->Picture(), stamp).isEmpty());
    EXPECT_FALSE(viewer->Drawing().SaveMapBitmap(tmp.file("no/such/folder/mapa.bmp")));
}

TEST_F(ViewerDrawing, AttributeBarsNeedChosenVariablesAndAMaximumAboveZero)
{
    viewer->Grids().CreateGrids();
    ColVarArcos[5] = 7; // grid column 5: "Longitud"
    UserView().RangeVarArcos = 5;
    UserView().ShownVarList = {"5"};
    UserView().RangeMax = 0.0f;
    viewer->SetDown(Cmd::tbAtributos, true);
    viewer->RedrawMap();
    ASSERT_NE(viewer->Scl, nullptr);
    EXPECT_TRUE(viewer->Scl->isHidden()); // nothing scaled by a zero maximum
    UserView().RangeMax = std::nanf("");
    viewer->RedrawMap();
    EXPECT_TRUE(viewer->Scl->isHidden());
    UserView().RangeMax = 650.0f;
    viewer->RedrawMap();
    EXPECT_FALSE(viewer->Scl->isHidden());
    UserView().ShownVarList.clear();
    viewer->RedrawMap();
    EXPECT_TRUE(viewer->Scl->isHidden());
    viewer->SetDown(Cmd::tbAtributos, false);
    UserView().RangeVarArcos = 0;
    UserView().RangeMax = 0.0f;
}

TEST_F(ViewerDrawing, EmptyWindowsAndAnEmptyNetworkDrawBlank)
{
    // Lane geometry rebuilt before the drawing with no length scale at all.
    Network.LengthScale = 0.0f;
    LanesReady = true;
    UserView().ShowLanes = true;
    viewer->RedrawMap();
    EXPECT_FALSE(LanesReady);
    UserView().ShowLanes = false;

    // A window without extent.
    UserView().WorldMaxX = UserView().WorldMinX;
    UserView().WorldMaxY = UserView().WorldMinY;
    viewer->RedrawMap();
    EXPECT_TRUE(std::isfinite(viewer->Drawing().PickLength()));

    // A network with nothing in it: the extent keeps its seeds.
    Network.NodeCount = Network.LinkCount = Network.ZoneCount = 0;
    Network.MinX = Network.MinY = UnsetHigh;
    Network.MaxX = Network.MaxY = UnsetLow;
    UserView().WorldMinX = Network.MinX;
    UserView().WorldMaxX = Network.MaxX;
    UserView().WorldMinY = Network.MinY;
    UserView().WorldMaxY = Network.MaxY;
    for (const char* name : {"tbArrows", "tbNodes", "tbCents", "tbNameNodes", "tbCalles"})
        viewer->SetDown(QString::fromLatin1(name), true);
    viewer->RedrawMap();
    EXPECT_TRUE(InkBox(viewer->img->Picture(), viewer->img->Picture().rect()).isEmpty());
}
