// Sorting, finders, and the passes that derive links, movements and stages.
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/HandNetwork.h"
#include "support/RecordingServices.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace PalvonRead;
using KDVlib::FindArco;
using KDVlib::FindMovim;
using KDVlib::FindMovimFirst;

namespace {

void AddLink(int a, int b)
{
    int k = NewLink();
    Arcos[k].A = a;
    Arcos[k].B = b;
    Arcos[k].Key = LinkKey(a, b);
}

void AddMovement(int a, int node, int c)
{
    int k = NewMovement();
    Movims[k].A = a;
    Movims[k].Node = node;
    Movims[k].C = c;
    Movims[k].Key = MovementKey(node, a, c);
}

class Lookup : public ::testing::Test {
protected:
    void SetUp() override { ClearNetwork(); }
    void TearDown() override { ClearNetwork(); }
    RecordingServices ui;
};

} // namespace

TEST_F(Lookup, EmptyNetworkFindsNothing)
{
    EXPECT_EQ(FindArco(1, 2), 0);
    EXPECT_EQ(FindMovim(1, 2, 3), 0);
    EXPECT_EQ(FindMovimFirst(0, 2), 0);
    EXPECT_EQ(KDVlib::FindNodo(1), 0);
}

TEST_F(Lookup, LinksSortAndBisect)
{
    int pairs[][2] = {{30, 1}, {2, 9}, {2, 3}, {100000, 5}, {7, 7}, {2, 10}, {1, 400000}};
    for (auto& p : pairs) {
        AddLink(p[0], p[1]);
        // The variables live beside the records: they must travel with them.
        Arcos[Network.LinkCount].Var[1] = float(p[0]);
        Arcos[Network.LinkCount].Var[NumLinkVars] = float(p[1]);
    }
    SortLinks();
    for (int k = 1; k < Network.LinkCount; ++k) {
        const TArcos& x = Arcos[k];
        const TArcos& y = Arcos[k + 1];
        EXPECT_TRUE(x.A < y.A || (x.A == y.A && x.B < y.B)) << k;
    }
    for (auto& p : pairs) {
        int k = FindArco(p[0], p[1]);
        ASSERT_GT(k, 0);
        EXPECT_EQ(Arcos[k].A, p[0]);
        EXPECT_EQ(Arcos[k].B, p[1]);
        EXPECT_EQ(Arcos[k].Key, LinkKey(p[0], p[1]));
        EXPECT_EQ(Arcos[k].Var[1], float(p[0])) << k;
        EXPECT_EQ(Arcos[k].Var[NumLinkVars], float(p[1])) << k;
    }
    EXPECT_EQ(FindArco(1, 1), 1 - 1);        // before the first
    EXPECT_EQ(FindArco(100000, 6), 0);      // after the last
    EXPECT_EQ(FindArco(2, 4), 0);           // in between
    EXPECT_EQ(KDVlib::FindArcoA(2), FindArco(2, 3));
    // A copy holds values of its own, and a record assigned into the array takes
    // them into its own row: neither shares the other's. The lanes and flares,
    // kept beside the values, go with them whatever their bits.
    Arcos[1].SetLanes(-0x00400001); // the bits of a NaN were it a float
    Arcos[1].SetFlareEnd(1);
    TArcos copy = Arcos[1];
    copy.Var[1] = -1.0f;
    copy.SetFlareStart(255);
    EXPECT_EQ(Arcos[1].Var[1], float(Arcos[1].A));
    EXPECT_EQ(Arcos[1].FlareStart(), 0);
    Arcos[2] = copy;
    copy.Var[1] = -2.0f;
    copy.SetLanes(4);
    EXPECT_EQ(Arcos[2].Var[1], -1.0f);
    EXPECT_EQ(Arcos[2].Lanes(), -0x00400001);
    EXPECT_EQ(Arcos[2].FlareEnd() + Arcos[2].FlareStart(), 256);
    EXPECT_EQ(Arcos[1].Var[1], float(Arcos[1].A));
    Arcos[3] = std::move(Arcos[2]);
    EXPECT_EQ(Arcos[3].Var[1], -1.0f);
    EXPECT_EQ(Arcos[3].Lanes(), -0x00400001);
    Arcos[3] = TArcos();
    EXPECT_EQ(Arcos[3].Lanes(), 0);
    EXPECT_EQ(Arcos[3].FlareStart(), 0);
    EXPECT_EQ(TArcos().Lanes(), 0);
}

TEST_F(Lookup, TenDigitNodeNumbersKeepNumericOrder)
{
    AddLink(1000000000, 5);
    AddLink(999999999, 5);
    AddLink(2000000000, 1);
    SortLinks();
    EXPECT_EQ(Arcos[1].A, 999999999);
    EXPECT_EQ(Arcos[3].A, 2000000000);
    EXPECT_EQ(FindArco(1000000000, 5), 2);
}

// Each link's reverse is the link FindArco finds for its numbers swapped, however
// the numbers lie: close together, far apart, or a pair given twice.
TEST_F(Lookup, ReversesAreTheLinksOfTheSwappedNumbers)
{
    const std::vector<std::vector<std::pair<int32_t, int32_t>>> networks = {
        {{1, 2}, {2, 1}, {2, 3}, {3, 2}, {3, 1}, {4, 4}, {5, 1}, {1, 5}, {-1, 2}, {2, -1}},
        {{7, 2000000000}, {2000000000, 7}, {7, 8}, {8, 9}, {9, 8}, {-3, 7}, {7, -3}},
        {{1, 2}, {2, 1}, {2, 1}, {1, 3}, {3, 1}, {3, 1}, {3, 1}},
    };
    for (size_t n = 0; n < networks.size(); ++n) {
        ClearNetwork();
        for (const auto& [a, b] : networks[n])
            AddLink(a, b);
        SortLinks();
        const std::vector<int32_t> reverse = KDVlib::TArcoKeys().Reverses();
        ASSERT_EQ(reverse.size(), networks[n].size() + 1) << n;
        for (int32_t k = 1; k <= Network.LinkCount; ++k)
            EXPECT_EQ(reverse[static_cast<size_t>(k)], FindArco(Arcos[k].B, Arcos[k].A)) << n << " link " << k;
    }
}

TEST_F(Lookup, MovementsByWholeKeyAndByPrefix)
{
    // (A, Node, C)
    AddMovement(5, 20, 6);
    AddMovement(1, 10, 2);
    AddMovement(3, 10, 1);
    AddMovement(1, 10, 3);
    AddMovement(7, 30, 8);
    AddMovement(7, 30, 9);
    SortMovements();
    int m = FindMovim(1, 10, 3);
    ASSERT_GT(m, 0);
    EXPECT_EQ(Movims[m].C, 3);
    EXPECT_EQ(FindMovim(1, 10, 4), 0);
    int j = FindMovim(0, 10, 0);
    ASSERT_GT(j, 0);
    EXPECT_EQ(Movims[j].Node, 10);
    int ja = FindMovim(3, 10, 0);
    ASSERT_GT(ja, 0);
    EXPECT_EQ(Movims[ja].A, 3);
    EXPECT_EQ(FindMovimFirst(0, 10), 1);
    EXPECT_EQ(FindMovimFirst(1, 10), 1);
    EXPECT_EQ(FindMovimFirst(3, 10), 3);
    // The last movement of the array is found by the prefix searches too.
    EXPECT_EQ(FindMovimFirst(7, 30), 5);
    EXPECT_GT(FindMovim(7, 30, 0), 4);
    EXPECT_EQ(FindMovimFirst(0, 31), 0);
}

TEST_F(Lookup, NodesSortAndTheLastOfTwoEqualNumbersWins)
{
    for (int n : {50, 7, 12})
        NodeIndex(n);
    SortNodes();
    EXPECT_EQ(Nodos[1].Number, 7);
    EXPECT_EQ(KDVlib::FindNodo(12.4), 2);
    EXPECT_EQ(KDVlib::FindNodo(13), 0);
    // A node appended outside the reader with a repeated number.
    int i = ++Network.NodeCount;
    Nodos[i].Number = 12;
    EXPECT_EQ(KDVlib::FindNodo(12), i);
}

// Nodes of equal numbers keep the order they were made in, whether the numbers
// lie close together or far apart.
TEST_F(Lookup, NodesOfEqualNumbersSortInTheOrderMade)
{
    const std::vector<std::vector<int32_t>> numbers = {{5, 3, 5, 1, 3, 5}, {2000000000, 3, 2000000000, -7, 3}};
    for (const std::vector<int32_t>& made : numbers) {
        ClearNetwork();
        for (size_t k = 0; k < made.size(); ++k) {
            const int32_t i = ++Network.NodeCount;
            Nodos[i].Number = made[k];
            Nodos[i].X = static_cast<float>(k);
        }
        SortNodes();
        for (int32_t i = 1; i < Network.NodeCount; ++i) {
            const TNodo &x = Nodos[i], &y = Nodos[i + 1];
            EXPECT_TRUE(x.Number < y.Number || (x.Number == y.Number && x.X < y.X)) << made[0] << " record " << i;
        }
    }
}

TEST_F(Lookup, JunctionArmsMakeApproachLinksAndTurnMovements)
{
    int j = NodeIndex(100);
    TNodo& n = Nodos[j];
    n.ArmCount = 3;
    n.JunctionType = 3;
    int far[3] = {1, 2, 3};
    for (int i = 0; i < 3; ++i) {
        n.Arms[i].OtherNode = far[i];
        n.Arms[i].Lanes = 2;
        n.Arms[i].Speed = 40;
        n.Arms[i].Time = 9;
        n.Arms[i].Distance = 100;
    }
    n.Arms[2].Lanes = -1;
    n.Arms[0].Turns[0] = {1800, "G", 1, 2}; // arm 0 -> arm 1
    n.Arms[0].Turns[1] = {0, "", 0, 0};     // no turn into arm 2
    n.Arms[1].Turns[1] = {900, "X", 2, 2};  // arm 1 -> arm 0 (wraps)
    MakeLinksFromArms();
    MakeMovementsFromTurns();
    ASSERT_EQ(Network.LinkCount, 3);
    EXPECT_EQ(Network.LinksByClass[1], 3);
    EXPECT_EQ(Network.LinksByClass[3], 1);
    EXPECT_EQ(Arcos[1].A, 1);
    EXPECT_EQ(Arcos[1].B, 100);
    EXPECT_TRUE(Arcos[1].HasFlag(1));
    EXPECT_TRUE(Arcos[1].HasFlag(5)); // junction type 3 at B
    EXPECT_TRUE(Arcos[3].HasFlag(10));
    EXPECT_EQ(Arcos[1].StreetTag, "1");
    EXPECT_EQ(Arcos[1].Var[1], 40.0f);
    EXPECT_EQ(Arcos[1].Var[3], 9.0f);
    EXPECT_EQ(Arcos[1].Var[7], 100.0f);

    ASSERT_EQ(Network.MovementCount, 2);
    const TMovimiento& m = Movims[1];
    EXPECT_EQ(m.A, 1);
    EXPECT_EQ(m.Node, 100);
    EXPECT_EQ(m.C, 2);
    EXPECT_EQ(m.Key, MovementKey(100, 1, 2));
    EXPECT_EQ(m.Var[1], 1800.0f);
    EXPECT_EQ(m.Var[2], 2.0f);
    EXPECT_EQ(m.Var[3], 900.0f);
    EXPECT_EQ(m.TurnCode, "G");
    EXPECT_EQ(Movims[2].A, 2);
    EXPECT_EQ(Movims[2].C, 1);
    EXPECT_EQ(Movims[2].Var[3], 900.0f);
}

TEST_F(Lookup, StagesMarkTheirMovements)
{
    int j = NodeIndex(100);
    Nodos[j].JunctionType = 3;
    Nodos[j].SignalIndex = NewSignal();
    TFase& f = Fases[Nodos[j].SignalIndex];
    f.StageCount = 2;
    // Stage 1: every movement entering from node 1; stage 2: 2 -> 3 only, and a pair
    // naming no movement.
    f.Stages[1].ValueCount = 2;
    f.Stages[1].Values[1] = 1;
    f.Stages[1].Values[2] = 0;
    f.Stages[2].ValueCount = 6;
    f.Stages[2].Values[1] = 2;
    f.Stages[2].Values[2] = 3;
    f.Stages[2].Values[3] = 9;
    f.Stages[2].Values[4] = 9;
    // A negative exit names no movement (it must not act as a prefix search).
    f.Stages[2].Values[5] = 1;
    f.Stages[2].Values[6] = -4;
    AddMovement(1, 100, 2);
    AddMovement(1, 100, 3);
    AddMovement(2, 100, 3);
    AddMovement(2, 100, 1);
    SortMovements();
    StagePass();
    EXPECT_EQ(Movims[FindMovim(1, 100, 2)].StageMask, 1);
    EXPECT_EQ(Movims[FindMovim(1, 100, 3)].StageMask, 1);
    EXPECT_EQ(Movims[FindMovim(2, 100, 3)].StageMask, 2);
    EXPECT_EQ(Movims[FindMovim(2, 100, 3)].InStage[2], 1);
    EXPECT_EQ(Movims[FindMovim(2, 100, 1)].StageMask, 0);
}

TEST_F(Lookup, ReusedRecordsStartClean)
{
    // Records outlive a network: what one network left in a record must not show
    // in the next network's record of the same index.
    int n = NodeIndex(5);
    Nodos[n].Latitude = 43.0;
    Nodos[n].Longitude = -3.0;
    int k = NewLink();
    TArcos& a = Arcos[k];
    a.StraightLength = 12.0f;
    a.TurnDirs[0] = a.TurnDirs[2] = 1;
    a.SetFlareEnd(1);
    a.SetFlareStart(1);
    a.HasPija = 1;
    a.PointCount = 2;
    int m = NewMovement();
    Movims[m].HasPija = 1;

    ClearNetwork();
    ASSERT_EQ(NodeIndex(6), n);
    EXPECT_EQ(Nodos[n].Latitude, 0.0);
    EXPECT_EQ(Nodos[n].Longitude, 0.0);
    ASSERT_EQ(NewLink(), k);
    EXPECT_EQ(a.StraightLength, 0.0f);
    EXPECT_EQ(a.TurnDirs[0] + a.TurnDirs[1] + a.TurnDirs[2], 0);
    EXPECT_EQ(a.FlareEnd() + a.FlareStart(), 0);
    EXPECT_EQ(a.HasPija, 0);
    EXPECT_EQ(a.PointCount, 0);
    ASSERT_EQ(NewMovement(), m);
    EXPECT_EQ(Movims[m].HasPija, 0);
}

TEST_F(Lookup, IsolationMarksSkipIgnoredLinks)
{
    for (int n : {1, 2, 3})
        NodeIndex(n);
    AddLink(1, 2);
    Arcos[1].AIndex = 1;
    Arcos[1].BIndex = 2;
    AddLink(2, 3);
    Arcos[2].AIndex = 2;
    Arcos[2].BIndex = 3;
    Arcos[2].SetFlag(9);
    MarkIsolatedNodes();
    EXPECT_FALSE(Nodos[1].Flags & 16);
    EXPECT_FALSE(Nodos[2].Flags & 16);
    EXPECT_TRUE(Nodos[3].Flags & 16);

    int z1 = NewZone();
    Zonas[z1].Connectors.resize(2);
    Zonas[z1].ConnectorCount = 1;
    Zonas[z1].Connectors[1].Kind = 0;
    Zonas[z1].Connectors[1].LinkIndex = -2; // only the ignored link
    int z2 = NewZone();
    Zonas[z2].Connectors.resize(2);
    Zonas[z2].ConnectorCount = 1;
    Zonas[z2].Connectors[1].Kind = 1;
    Zonas[z2].Connectors[1].NodeIndex = 1;
    MarkIsolatedZones();
    EXPECT_TRUE(Zonas[z1].Flags & 8);
    EXPECT_FALSE(Zonas[z2].Flags & 8);
}

namespace {
using testutil::PlacedNode;

void Link(int a, int b, float length)
{
    int k = NewLink();
    Arcos[k].A = a;
    Arcos[k].B = b;
    Arcos[k].Var[7] = length;
}
} // namespace

TEST_F(Lookup, LanesPassGivesBearingsTurnsAndUnusedLanes)
{
    // Junction 10 at the origin; approach from the west (1), exits north (2),
    // east (3) and south-east at 45 degrees (4).
    PlacedNode(10, 0, 0);
    PlacedNode(1, -100, 0);
    PlacedNode(2, 0, 100);
    PlacedNode(3, 100, 0);
    PlacedNode(4, 100, -100);
    Link(1, 10, 50);
    Link(10, 2, 50);
    Link(10, 3, 50);
    Link(10, 4, 0);
    Link(10, 1, 50);
    SortNodes();
    SortLinks();
    for (int k = 1; k <= Network.LinkCount; ++k) {
        Arcos[k].AIndex = KDVlib::FindNodo(Arcos[k].A);
        Arcos[k].BIndex = KDVlib::FindNodo(Arcos[k].B);
    }
    int in = FindArco(1, 10);
    Arcos[in].SetLanes(3);
    AddMovement(1, 10, 2);
    AddMovement(1, 10, 3);
    AddMovement(1, 10, 4);
    SortMovements();
    Movims[FindMovim(1, 10, 2)].FirstLane = Movims[FindMovim(1, 10, 2)].LastLane = 1;
    Movims[FindMovim(1, 10, 3)].FirstLane = Movims[FindMovim(1, 10, 3)].LastLane = 1;
    Movims[FindMovim(1, 10, 3)].TurnCode = "G";
    Movims[FindMovim(1, 10, 4)].FirstLane = Movims[FindMovim(1, 10, 4)].LastLane = 2;
    Movims[FindMovim(1, 10, 4)].TurnCode = "GX";

    ReportUnusedLanes();

    EXPECT_EQ(Arcos[in].BearingA, 0);
    EXPECT_EQ(Arcos[FindArco(10, 2)].BearingA, 900);
    EXPECT_EQ(Arcos[FindArco(10, 4)].BearingA, 3150);
    EXPECT_EQ(Arcos[in].ReverseIndex, FindArco(10, 1));
    EXPECT_FLOAT_EQ(Arcos[in].StraightLength, 100.0f);
    // Four links of length 50 over 100 map units; the zero-length one is left out.
    EXPECT_FLOAT_EQ(Network.LengthScale, 2.0f);
    EXPECT_DOUBLE_EQ(ui.lengthScale, 2.0);

    const TMovimiento& left = Movims[FindMovim(1, 10, 2)];
    EXPECT_EQ(left.TurnAngle, 900);
    EXPECT_EQ(left.TurnDir, -1); // counter-clockwise turns carry -1
    const TMovimiento& ahead = Movims[FindMovim(1, 10, 3)];
    EXPECT_EQ(ahead.TurnAngle, 0);
    EXPECT_EQ(ahead.TurnDir, 0);
    // -450 rounds to q = 0 (halves to even): straight on, not a right turn.
    const TMovimiento& bear = Movims[FindMovim(1, 10, 4)];
    EXPECT_EQ(bear.TurnAngle, -450);
    EXPECT_EQ(bear.TurnDir, 0);
    EXPECT_EQ(left.Order, 1);
    EXPECT_EQ(ahead.Order, 2);
    EXPECT_EQ(bear.Order, 3);

    const TArcos& a = Arcos[in];
    EXPECT_EQ(a.HasMovements, 1);
    EXPECT_EQ(a.TurnDirs[0], 1);
    EXPECT_EQ(a.TurnDirs[1], 1);
    EXPECT_EQ(a.TurnDirs[2], 0);
    EXPECT_EQ(a.LaneUsed[1], 1);
    EXPECT_EQ(a.LaneUsed[3], 0);
    EXPECT_EQ(a.LaneMark[1], 1);
    EXPECT_EQ(a.LaneMark[2], 2);
    ASSERT_EQ(ui.messageWindow.size(), 1u);
    EXPECT_NE(ui.messageWindow[0].find("pista 3"), std::string::npos);
    EXPECT_EQ(Network.ErrorList.back(), ZelUtils::Format("arco%9d%9d, pista 3 sin uso", 1, 10));
}
