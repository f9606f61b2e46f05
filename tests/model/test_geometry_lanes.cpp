// Lane bands, junction outlines and data extremes.
#include "export/GeoWriters.h"
#include "geom_fixture.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/LinkGeometry.h"
#include "model/LinkShapes.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <numbers>

using namespace PalvonRead;
using geomfix::LinkIndex;

namespace {

constexpr double Eps = 1e-4;

void ExpectPoint(const TPoint& p, double x, double y, const char* what)
{
    EXPECT_NEAR(p.x, x, Eps) << what;
    EXPECT_NEAR(p.y, y, Eps) << what;
}

bool AllFinite(const TArcos& a)
{
    for (int k = 0; k < a.LaneEdgeCount; ++k)
        for (const TPoint* p : {&a.LaneEdgeNear[k], &a.LaneEdgeFar[k]})
            if (!std::isfinite(p->x) || !std::isfinite(p->y))
                return false;
    return true;
}

class LaneGeometry : public ::testing::Test {
protected:
    void SetUp() override
    {
        geomfix::Clear();
        // A network made here, not read: its error list is written beside the test.
        Network.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
    }
    void TearDown() override { geomfix::Clear(); }
    RecordingServices ui;
    testutil::TempDir tmp;
    const TLaneWidth widths{3.5f, 1.5f * 3.5f}; // a pull-back of 5.25
};

} // namespace

TEST_F(LaneGeometry, BandOffsetsOfTwoWayAndOneWayLinks)
{
    // A two-way road 1-2 along +X with 3 lanes towards 2 and 1 lane back; a one-way
    // link 3->4 with two lanes and a flare at its stop end (3 lanes in all).
    geomfix::Node(1, 0, 0);
    geomfix::Node(2, 100, 0);
    geomfix::Node(3, 0, 50);
    geomfix::Node(4, 0, 150);
    geomfix::Link(1, 2, 3);
    geomfix::Link(2, 1, 1);
    int oneWay = geomfix::Link(3, 4, -2);
    (void)oneWay;
    geomfix::Finish();
    Arcos[LinkIndex(3, 4)].SetFlareEnd(1);
    LanesReady = true;

    ComputeLinkGeometry(widths);

    // w = 3.5; ends pulled in by 5.25 of 100. A->B: -1 .. +2 lane widths to the right
    // (right of +X is -Y).
    const TArcos& ab = Arcos[LinkIndex(1, 2)];
    ASSERT_EQ(ab.LaneEdgeCount, 2);
    ExpectPoint(ab.LaneEdgeNear[0], 5.25, 3.5, "ab near 0");
    ExpectPoint(ab.LaneEdgeNear[1], 94.75, 3.5, "ab near 1");
    ExpectPoint(ab.LaneEdgeFar[0], 5.25, -7.0, "ab far 0");
    ExpectPoint(ab.LaneEdgeFar[1], 94.75, -7.0, "ab far 1");
    // B->A: +1 .. +2 lane widths to its right (right of -X is +Y).
    const TArcos& ba = Arcos[LinkIndex(2, 1)];
    ExpectPoint(ba.LaneEdgeNear[0], 94.75, 3.5, "ba near 0");
    ExpectPoint(ba.LaneEdgeFar[0], 94.75, 7.0, "ba far 0");
    ExpectPoint(ba.LaneEdgeFar[1], 5.25, 7.0, "ba far 1");
    // One-way, 2 lanes + flare, centred: +-1.5 lane widths; right of +Y is +X.
    const TArcos& ow = Arcos[LinkIndex(3, 4)];
    ExpectPoint(ow.LaneEdgeNear[0], -5.25, 55.25, "one-way near 0");
    ExpectPoint(ow.LaneEdgeFar[1], 5.25, 144.75, "one-way far 1");
    EXPECT_FALSE(LanesReady);
    EXPECT_TRUE(ui.messageWindow.empty());

    // The lane width is read in link-length units: a length scale of 2 doubles the
    // bands and the pull-in.
    Network.LengthScale = 2.0f;
    ComputeLinkGeometry(widths);
    ExpectPoint(Arcos[LinkIndex(1, 2)].LaneEdgeFar[0], 10.5, -14.0, "scaled far 0");
}

TEST_F(LaneGeometry, PullInIsCappedAndZeroLengthLinksAreListed)
{
    geomfix::Node(1, 0, 0);
    geomfix::Node(2, 10, 0);  // shorter than 5.25 / 0.45
    geomfix::Node(3, 20, 20);
    geomfix::Node(4, 20, 20); // same place as 3
    geomfix::Link(1, 2, 1);
    geomfix::Link(3, 4, 1);
    geomfix::Link(4, 3, 1);
    geomfix::Finish();

    ComputeLinkGeometry(widths);

    const TArcos& shortLink = Arcos[LinkIndex(1, 2)];
    ExpectPoint(shortLink.LaneEdgeNear[0], 4.5, 1.75, "45 % from A");
    ExpectPoint(shortLink.LaneEdgeNear[1], 5.5, 1.75, "45 % from B");
    EXPECT_EQ(Arcos[LinkIndex(3, 4)].LaneEdgeCount, 0);
    EXPECT_EQ(Arcos[LinkIndex(4, 3)].LaneEdgeCount, 0);
    ASSERT_EQ(ui.messageWindow.size(), 1u);
    EXPECT_EQ(ui.messageWindow[0], "Arcos de longitud nula:\r         3         4\r         4         3"
                                   "\r\rEsto podría producir\rdistorciones en el dibujo");
}

TEST_F(LaneGeometry, ShapedLinksMeetAtCornersWithoutInfinities)
{
    // Link 1->2 bends through (100, 0) to (100, 100): its second segment is vertical.
    geomfix::Node(1, 0, 0);
    geomfix::Node(2, 100, 100);
    geomfix::Node(3, 0, 10);
    geomfix::Node(4, 100, 10);
    geomfix::Node(5, 50, 20);
    geomfix::Node(6, 0, 30);
    geomfix::Node(7, 0, 40);
    int bend = geomfix::Link(1, 2, 2);
    geomfix::Link(3, 4, 2); // collinear shape points
    geomfix::Link(3, 5, 2); // doubles back on itself
    geomfix::Link(6, 7, 2); // zero-length first and inner segments
    geomfix::Link(5, 7, 1); // every point in one place
    (void)bend;
    geomfix::Finish();
    geomfix::Shape(LinkIndex(1, 2), {{0, 0}, {100, 0}, {100, 100}});
    geomfix::Shape(LinkIndex(3, 4), {{0, 10}, {50, 10}, {100, 10}});
    geomfix::Shape(LinkIndex(3, 5), {{0, 10}, {100, 10}, {50, 20}, {150, 20}, {50, 20}});
    geomfix::Shape(LinkIndex(6, 7), {{0, 30}, {0, 30}, {100, 30}, {100, 40}, {100, 40}, {0, 40}});
    geomfix::Shape(LinkIndex(5, 7), {{5, 5}, {5, 5}, {5, 5}});

    ComputeLinkGeometry(widths);

    const TArcos& b = Arcos[LinkIndex(1, 2)];
    ASSERT_EQ(b.LaneEdgeCount, 3);
    ExpectPoint(b.LaneEdgeNear[0], 5.25, 3.5, "start near");
    ExpectPoint(b.LaneEdgeFar[0], 5.25, -3.5, "start far");
    ExpectPoint(b.LaneEdgeNear[1], 96.5, 3.5, "corner near");
    ExpectPoint(b.LaneEdgeFar[1], 103.5, -3.5, "corner far");
    ExpectPoint(b.LaneEdgeNear[2], 96.5, 94.75, "end near");
    ExpectPoint(b.LaneEdgeFar[2], 103.5, 94.75, "end far");

    const TArcos& straight = Arcos[LinkIndex(3, 4)];
    ExpectPoint(straight.LaneEdgeNear[1], 50, 13.5, "collinear corner near");
    ExpectPoint(straight.LaneEdgeFar[1], 50, 6.5, "collinear corner far");

    EXPECT_TRUE(AllFinite(Arcos[LinkIndex(3, 5)]));
    EXPECT_EQ(Arcos[LinkIndex(3, 5)].LaneEdgeCount, 5);

    // The first segment of nonzero length gives the start; the skipped corner repeats it.
    const TArcos& z = Arcos[LinkIndex(6, 7)];
    ASSERT_EQ(z.LaneEdgeCount, 6);
    ExpectPoint(z.LaneEdgeNear[0], 5.25, 33.5, "start after zero segment");
    ExpectPoint(z.LaneEdgeNear[1], 5.25, 33.5, "skipped corner");
    ExpectPoint(z.LaneEdgeNear[2], 96.5, 33.5, "corner");
    ExpectPoint(z.LaneEdgeNear[3], 96.5, 33.5, "corner of a zero segment repeats");
    ExpectPoint(z.LaneEdgeNear[4], 96.5, 36.5, "corner after it");
    ExpectPoint(z.LaneEdgeNear[5], 5.25, 36.5, "end along the last nonzero segment");
    EXPECT_TRUE(AllFinite(z));

    EXPECT_EQ(Arcos[LinkIndex(5, 7)].LaneEdgeCount, 0);
    ASSERT_EQ(ui.messageWindow.size(), 1u);
    EXPECT_NE(ui.messageWindow[0].find("\r         5         7"), std::string::npos);
}

TEST_F(LaneGeometry, UnplacedOrShapelessLinksAreLeftAlone)
{
    geomfix::Node(1, 0, 0);
    geomfix::UnplacedNode(2);
    geomfix::Node(3, 50, 0);
    geomfix::Node(4, 60, 0);
    geomfix::Link(1, 2, 1);
    geomfix::Link(3, 4, 1);
    geomfix::Finish();
    TArcos& unplaced = Arcos[LinkIndex(1, 2)];
    unplaced.LaneEdgeNear[0] = {123, 456};
    unplaced.LaneEdgeCount = 2;
    TArcos& many = Arcos[LinkIndex(3, 4)];
    many.PointCount = 40; // more than a link holds: only its 12 points are read
    for (int k = 1; k <= MaxShapePoints; ++k)
        many.Points[k] = {50.0 + k, 0.0};

    ComputeLinkGeometry(widths);

    ExpectPoint(unplaced.LaneEdgeNear[0], 123, 456, "kept");
    EXPECT_EQ(unplaced.LaneEdgeCount, 2);
    EXPECT_EQ(many.LaneEdgeCount, MaxShapePoints);
    EXPECT_TRUE(AllFinite(many));
}

TEST_F(LaneGeometry, OutlineOfFourArmJunctionRunsCounterClockwise)
{
    geomfix::Node(1, 0, 0);
    geomfix::Node(2, 100, 0);
    geomfix::Node(3, 0, 100);
    geomfix::Node(4, -100, 0);
    geomfix::Node(5, 0, -100);
    geomfix::Node(6, 300, 300); // one straight link only
    for (int arm : {2, 3, 4, 5}) {
        geomfix::Link(1, arm, 1);
        geomfix::Link(arm, 1, 1);
    }
    geomfix::Link(6, 2, 1);
    geomfix::Finish();

    ComputeLinkGeometry(widths);
    OrderArms();

    const TNodo& centre = Nodos[1];
    ASSERT_EQ(centre.OutlineCount, 16);
    ExpectPoint(centre.OutlineCentre, 0, 0, "centre");
    double previous = -1.0;
    for (int k = 0; k < centre.OutlineCount; ++k) {
        double a = std::atan2(centre.Outline[k].y, centre.Outline[k].x);
        if (a < 0)
            a += 2 * std::numbers::pi;
        EXPECT_GE(a + 1e-12, previous) << k;
        previous = a;
    }
    // East arm: both centre-line points (angle 0) first, then the band edge of the
    // westbound link on the north side; the eastbound link's far edge comes last.
    ExpectPoint(centre.Outline[0], 5.25, 0, "first");
    ExpectPoint(centre.Outline[1], 5.25, 0, "second");
    ExpectPoint(centre.Outline[2], 5.25, 3.5, "third");
    ExpectPoint(centre.Outline[15], 5.25, -3.5, "last");

    // A node met by one straight link: its two band ends at the pulled-in end.
    const TNodo& lone = Nodos[6];
    ASSERT_EQ(lone.OutlineCount, 2);
    const TArcos& l = Arcos[LinkIndex(6, 2)];
    for (int k = 0; k < 2; ++k) {
        bool isNear = std::fabs(lone.Outline[k].x - l.LaneEdgeNear[0].x) < Eps &&
                      std::fabs(lone.Outline[k].y - l.LaneEdgeNear[0].y) < Eps;
        bool isFar = std::fabs(lone.Outline[k].x - l.LaneEdgeFar[0].x) < Eps &&
                     std::fabs(lone.Outline[k].y - l.LaneEdgeFar[0].y) < Eps;
        EXPECT_TRUE(isNear || isFar) << k;
    }
}

TEST_F(LaneGeometry, OutlineUsesBandEndsNextToEachNodeAndKeepsItsRoom)
{
    geomfix::Node(1, 0, 0);
    geomfix::Node(2, 100, 100);
    geomfix::Node(50, 1000, 1000);
    geomfix::Link(1, 2, 2);
    // Twenty links end at node 50: only fifteen pairs fit its outline.
    for (int i = 0; i < 20; ++i) {
        double a = 2 * std::numbers::pi * i / 20.0;
        geomfix::Node(100 + i, 1000 + 200 * std::cos(a), 1000 + 200 * std::sin(a));
        geomfix::Link(100 + i, 50, 1);
    }
    geomfix::Finish();
    geomfix::Shape(LinkIndex(1, 2), {{0, 0}, {100, 0}, {100, 100}});

    ComputeLinkGeometry(widths);
    OrderArms();

    const TNodo& b = Nodos[2];
    ASSERT_EQ(b.OutlineCount, 2);
    ExpectPoint(b.Outline[0], 96.5, 94.75, "B end near");
    ExpectPoint(b.Outline[1], 103.5, 94.75, "B end far");

    const TNodo& crowded = Nodos[3];
    ASSERT_EQ(crowded.Number, 50);
    EXPECT_EQ(crowded.OutlineCount, 30);
    // Nothing the user must act on: no box, the node in "Errores.txt" and the
    // status bar.
    EXPECT_TRUE(ui.messageWindow.empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.status[1], "1 nodo con más arcos de los que admite su contorno (ver Errores.txt)");
    EXPECT_EQ(testutil::readFile(Network.ErrorListFile),
              "Nodo 50 con más arcos de los que admite su contorno (31 puntos): se dibuja con los primeros\r\n");

    // A later pass starts from scratch.
    OrderArms();
    EXPECT_EQ(Nodos[2].OutlineCount, 2);
}

TEST_F(LaneGeometry, DataExtremesGoToRecordZeroAndCountPlusOne)
{
    // No links: seeds only, whatever the records held before.
    Arcos[0].Var[5] = 7;
    Arcos[1].Var[5] = 7;
    ComputeLinkDataExtremes();
    for (int v = 1; v <= NumLinkVars; ++v) {
        EXPECT_EQ(Arcos[0].Var[v], UnsetHigh) << v;
        EXPECT_EQ(Arcos[ArcosMaxRec].Var[v], UnsetLow) << v;
    }

    geomfix::Node(1, 0, 0);
    geomfix::Node(2, 1, 0);
    geomfix::Node(3, 2, 0);
    int a = geomfix::Link(1, 2);
    int b = geomfix::Link(2, 3);
    int c = geomfix::Link(3, 1);
    Arcos[a].Var[5] = 10;
    Arcos[b].Var[5] = -2;
    Arcos[c].Var[5] = 7;
    Arcos[a].Var[130] = 1;
    Arcos[b].Var[130] = std::numeric_limits<float>::quiet_NaN(); // no value: ignored
    Arcos[c].Var[130] = 3;
    ASSERT_EQ(ArcosMaxRec, 4);
    Movims[0].Var[1] = 55; // no movements: their records stay as they are
    Movims[1].Var[1] = 66;

    ComputeLinkDataExtremes();

    EXPECT_EQ(Arcos[0].Var[5], -2);
    EXPECT_EQ(Arcos[4].Var[5], 10);
    EXPECT_EQ(Arcos[0].Var[130], 1);
    EXPECT_EQ(Arcos[4].Var[130], 3);
    EXPECT_EQ(Arcos[0].Var[1], 0);
    EXPECT_EQ(Movims[0].Var[1], 55);
    EXPECT_EQ(Movims[1].Var[1], 66);

    int m1 = NewMovement();
    int m2 = NewMovement();
    Movims[m1].Var[110] = 4.5f;
    Movims[m2].Var[110] = -1.5f;
    ComputeLinkDataExtremes();
    EXPECT_EQ(Movims[0].Var[110], -1.5f);
    EXPECT_EQ(Movims[MovimsMaxRec].Var[110], 4.5f);
    EXPECT_EQ(MovimsMaxRec, 3);

    // Movements are taken 2,048 at a time: extremes at the very last record (a part
    // chunk), at a chunk's first and at a chunk's last record.
    while (Network.MovementCount < 2 * 2048 + 5)
        NewMovement();
    const int32_t n = Network.MovementCount;
    for (int32_t k = 1; k <= n; ++k)
        for (int v : {20, 21, 22})
            Movims[k].Var[v] = float(k % 100);
    Movims[n].Var[20] = 1000.0f;
    Movims[2049].Var[21] = -1000.0f;
    Movims[2048].Var[22] = 1000.0f;
    Movims[4097].Var[22] = -1000.0f;
    ComputeLinkDataExtremes();
    EXPECT_EQ(MovimsMaxRec, n + 1);
    EXPECT_EQ(Movims[MovimsMaxRec].Var[20], 1000.0f);
    EXPECT_EQ(Movims[0].Var[20], 0.0f);
    EXPECT_EQ(Movims[0].Var[21], -1000.0f);
    EXPECT_EQ(Movims[MovimsMaxRec].Var[22], 1000.0f);
    EXPECT_EQ(Movims[0].Var[22], -1000.0f);

    // Enough links for the sweep to take many at a time: the result is still the
    // one of comparing in order, down to the sign of a zero (the first one met).
    while (Network.LinkCount < 40)
        NewLink();
    for (int k = 1; k <= 40; ++k) {
        Arcos[k].Var[8] = k == 5 ? -0.0f : k == 18 ? 0.0f : float(k);
        Arcos[k].Var[9] = k == 3 ? -0.0f : k == 17 ? 0.0f : -float(k);
        Arcos[k].Var[10] = k == 17 ? std::numeric_limits<float>::quiet_NaN() : float(k % 7);
    }
    ComputeLinkDataExtremes();
    EXPECT_TRUE(Arcos[0].Var[8] == 0.0f && std::signbit(Arcos[0].Var[8]));
    EXPECT_EQ(Arcos[41].Var[8], 40.0f);
    EXPECT_EQ(Arcos[0].Var[9], -40.0f);
    EXPECT_TRUE(Arcos[41].Var[9] == 0.0f && std::signbit(Arcos[41].Var[9]));
    EXPECT_EQ(Arcos[0].Var[10], 0.0f);
    EXPECT_EQ(Arcos[41].Var[10], 6.0f);
}

// The public networks with junction sections: every placed link gets a finite
// band, is listed once in the grid, and the shape points survive a .sig round trip.
TEST(LaneGeometryRealNetworks, JunctionNetworksGetFiniteBandsAndOutlines)
{
    if (!std::filesystem::exists(testutil::realDataPath("README.md")))
        FAIL() << "no real networks";
    RecordingServices ui;
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = tmp.file("Errores.txt");
    for (const char* name : {"siouxfalls-junctions.dat", "chicago-sketch.dat"}) {
        std::string path = testutil::realDataPath(name);
        settings.NetworkDatFile = path;
        std::vector<std::string> lines;
        ASSERT_TRUE(FileUtils::ReadLines(path, lines)) << path;
        ASSERT_TRUE(ReadNetwork(lines, settings)) << name;
        Network.ErrorList.clear();

        KDVlib::BuildHitGrid();
        ComputeLinkGeometry(TLaneWidth{});
        OrderArms();
        ComputeLinkDataExtremes();

        std::vector<int> listed(static_cast<size_t>(Network.LinkCount) + 1, 0);
        const TSpatialTile& tile = HitGrid[0][0];
        for (int k = 0; k < tile.LinkCount; ++k)
            ++listed[static_cast<size_t>(tile.Links[k])];
        int banded = 0;
        for (int k = 1; k <= Network.LinkCount; ++k) {
            const TArcos& a = Arcos[k];
            bool placed = Nodos[a.AIndex].HasXY && Nodos[a.BIndex].HasXY;
            EXPECT_EQ(listed[static_cast<size_t>(k)], placed ? 1 : 0) << name << " " << a.A << "-" << a.B;
            EXPECT_TRUE(AllFinite(a)) << name << " " << a.A << "-" << a.B;
            banded += a.LaneEdgeCount > 0;
        }
        EXPECT_GT(banded, Network.LinkCount / 2) << name;
        for (int n = 1; n <= Network.NodeCount; ++n)
            EXPECT_LE(Nodos[n].OutlineCount, MaxOutlinePoints);
        EXPECT_LE(Arcos[0].Var[7], Arcos[ArcosMaxRec].Var[7]) << name;

        std::string first = tmp.file("a.sig"), second = tmp.file("b.sig");
        ASSERT_TRUE(KDVlib::WriteSigFile(first));
        ASSERT_TRUE(KDVlib::ReadSigFile(first));
        ASSERT_TRUE(KDVlib::WriteSigFile(second));
        EXPECT_EQ(testutil::readFile(first), testutil::readFile(second)) << name;
    }
    ClearNetwork();
}
