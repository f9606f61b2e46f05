// The hit grid: which nodes, zones, links and movements are listed, and in what order.
#include "geom_fixture.h"
#include "model/HitGrid.h"
#include "support/RecordingServices.h"

#include <gtest/gtest.h>

#include <vector>

using geomfix::LinkIndex;

namespace {

std::vector<int32_t> List(const int32_t* items, int32_t count) { return {items, items + count}; }

class HitGridTest : public ::testing::Test {
protected:
    void SetUp() override { geomfix::Clear(); }
    void TearDown() override { geomfix::Clear(); }
    RecordingServices ui;
};

} // namespace

TEST_F(HitGridTest, ListsWhatLiesInsideTheExtent)
{
    int n1 = geomfix::Node(1, 0, 0);
    int n2 = geomfix::Node(2, 100, 50); // defines MaxX and MaxY
    int n3 = geomfix::Node(3, 50, 25);
    geomfix::UnplacedNode(4);
    int n5 = geomfix::Node(5, 500, 25);
    // Node 5 lies outside: the extent ends at x = 100.
    Network.MaxX = 100;
    geomfix::Link(1, 2);
    geomfix::Link(2, 3);
    geomfix::Link(3, 4); // end node without coordinates
    geomfix::Link(3, 5); // end node outside the extent
    geomfix::Finish();

    int z1 = PalvonRead::NewZone();
    Zonas[z1].CentroidX = 10;
    Zonas[z1].CentroidY = 10;
    Zonas[z1].Flags = 8; // hidden zones are listed all the same
    int z2 = PalvonRead::NewZone();
    Zonas[z2].CentroidX = UnsetLow;
    Zonas[z2].CentroidY = UnsetLow;

    int m1 = PalvonRead::NewMovement();
    Movims[m1].JunctionIndex = n3;
    int m2 = PalvonRead::NewMovement();
    Movims[m2].JunctionIndex = n5;

    KDVlib::BuildHitGrid();

    EXPECT_EQ(HitGridN, 0);
    const TSpatialTile& t = HitGrid[0][0];
    EXPECT_DOUBLE_EQ(t.x0, 0);
    EXPECT_DOUBLE_EQ(t.x1, 100);
    EXPECT_DOUBLE_EQ(t.y1, 50);
    EXPECT_EQ(List(t.Nodes, t.NodeCount), (std::vector<int32_t>{n1, n2, n3}));
    EXPECT_EQ(List(t.Links, t.LinkCount), (std::vector<int32_t>{LinkIndex(1, 2), LinkIndex(2, 3)}));
    EXPECT_EQ(List(t.Zones, t.ZoneCount), (std::vector<int32_t>{z1}));
    EXPECT_EQ(List(t.Movements, t.MovementCount), (std::vector<int32_t>{m1}));
    EXPECT_TRUE(ui.enabledItems["aArcos1"]);
    EXPECT_TRUE(ui.enabledItems["aCentroides1"]);
}

TEST_F(HitGridTest, EmptyNetworkLeavesActionsDisabled)
{
    ui.enabledItems["aArcos1"] = true;
    ui.enabledItems["aCentroides1"] = true;
    geomfix::Node(1, 10, 10); // a single node: an extent without size
    KDVlib::BuildHitGrid();
    EXPECT_FALSE(ui.enabledItems["aArcos1"]);
    EXPECT_FALSE(ui.enabledItems["aCentroides1"]);
    EXPECT_EQ(HitGrid[0][0].NodeCount, 1);
    EXPECT_EQ(HitGrid[0][0].LinkCount, 0);
    EXPECT_EQ(HitGrid[0][0].ZoneCount, 0);

    // Links without a point list are listed but do not enable the link action.
    geomfix::Node(2, 20, 10);
    geomfix::Link(1, 2);
    geomfix::Finish();
    Arcos[1].PointCount = 0;
    KDVlib::BuildHitGrid();
    EXPECT_EQ(HitGrid[0][0].LinkCount, 1);
    EXPECT_FALSE(ui.enabledItems["aArcos1"]);
}

TEST_F(HitGridTest, LinkOrderRelistsLinksUntilTheNextBuild)
{
    for (int n = 1; n <= 4; ++n)
        geomfix::Node(n, n * 10, 0);
    geomfix::Link(1, 2);
    geomfix::Link(2, 3);
    geomfix::Link(3, 4);
    geomfix::Finish();
    KDVlib::BuildHitGrid();

    LinkOrder[1] = 3;
    LinkOrder[2] = 1;
    LinkOrder[3] = 2;
    KDVlib::GridArcos();
    const TSpatialTile& t = HitGrid[0][0];
    EXPECT_EQ(List(t.Links, t.LinkCount), (std::vector<int32_t>{3, 1, 2}));

    // Entries that name no link of this network are passed over.
    LinkOrder[2] = 77;
    KDVlib::GridArcos();
    EXPECT_EQ(List(t.Links, t.LinkCount), (std::vector<int32_t>{3, 2}));

    KDVlib::BuildHitGrid();
    EXPECT_EQ(List(t.Links, t.LinkCount), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(HitGridTest, SetGridAlwaysMarksTheSingleTile)
{
    geomfix::Node(1, 0, 0);
    geomfix::Node(2, 100, 100);
    KDVlib::BuildHitGrid();
    HitGridRangeX[1] = HitGridRangeY[1] = -1;
    KDVlib::SetGrid(1000, 2000, 1000, 2000); // a view beside the network
    EXPECT_EQ(HitGridRangeX[0], 0);
    EXPECT_EQ(HitGridRangeX[1], 0);
    EXPECT_EQ(HitGridRangeY[0], 0);
    EXPECT_EQ(HitGridRangeY[1], 0);
    EXPECT_EQ(HitGrid[0][0].InView, 1);
}
