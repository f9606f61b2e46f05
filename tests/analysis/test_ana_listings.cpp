#include "analysis/KDVMixStacks.h"
#include "analysis/KDVanalysis.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonListings.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "support/HandNetwork.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

using namespace testutil;

#include <filesystem>

using namespace KDVanalysis;

namespace {

// Nodes 1..n at (10*i, 0), index = number, and the given links sorted with their
// node indexes and forward star, as the path search needs them.
void MakeNet(int nodes, const std::vector<std::pair<int, int>>& links)
{
    PalvonRead::ClearNetwork();
    Network.Options.KNOBS = 0;
    for (int i = 1; i <= nodes; ++i) {
        int k = PalvonRead::NodeIndex(i);
        Nodos[k].X = float(10 * i);
        Nodos[k].Y = 0.0f;
    }
    for (auto [a, b] : links) {
        int i = PalvonRead::NewLink();
        Arcos[i].A = a;
        Arcos[i].B = b;
        Arcos[i].Var[7] = 10.0f * float(a);
        Arcos[i].Var[3] = 1.5f;
    }
    testutil::SortAndIndexLinks();
    KDVlib::CostVar = 7;
}

} // namespace

TEST(AnaPaths, InteractiveRowsAndExtraColumns)
{
    MakeNet(4, {{1, 2}, {2, 3}, {3, 4}});
    Network.Options.KNOBS = 2;
    Arcos[KDVlib::FindArco(2, 3)].Var[29] = 7.125f;
    KDVlib::RutaMinima(1, 4, 0);
    const auto titles = PathTitles(false);
    ASSERT_EQ(titles.size(), 8u);
    EXPECT_EQ(titles[6], "XDATA1");
    EXPECT_EQ(titles[7], "XDATA2");
    const auto rows = PathListing(false);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "2", "3", "20.00", "1.50", "20", "0.00", "7.12"}));
    // A path from a node to itself lists nothing.
    KDVlib::RutaMinima(2, 2, 0);
    EXPECT_TRUE(PathListing(false).empty());
}

TEST(AnaPaths, BatchListsEveryLinkOfEachPairsPath)
{
    MakeNet(5, {{1, 2}, {2, 3}, {4, 5}});
    Network.Options.KNOBS = 1;
    Arcos[KDVlib::FindArco(2, 3)].Var[28] = 4.5f;
    KDVlib::PairsList = {"Desde,Hasta", "1,3", "1,99", " 2.0 , 3 ,x", "1,5", "1,2"};
    std::vector<int32_t> links;
    ASSERT_TRUE(RunPairPaths(nullptr, [&](int32_t link) { links.push_back(link); }));
    EXPECT_EQ(links.size(), 4u);
    EXPECT_EQ(PathTitles(true), (std::vector<std::string>{"Desde", "Hasta", "Sec", "NodoA", "NodoB", "Costo", "Tiempo",
                                                          "Long", "XDATA1"}));
    // One row per link; the pair on its first row; the unknown node 99 and the
    // unreachable 1-5 leave no row.
    using Row = std::vector<std::string>;
    const std::vector<Row> expected = {{"1", "3", "1", "1", "2", "10.00", "1.50", "10", "0.00"},
                                       {"", "", "2", "2", "3", "20.00", "1.50", "20", "4.50"},
                                       {"2", "3", "1", "2", "3", "20.00", "1.50", "20", "4.50"},
                                       {"1", "2", "1", "1", "2", "10.00", "1.50", "10", "0.00"}};
    EXPECT_EQ(PathListing(true), expected);
    // Made on demand, in any order, the same rows; none past the last.
    TBatchRows rows;
    ASSERT_EQ(rows.Count(), 4);
    Row cells;
    for (int k : {3, 0, 2, 1, 3}) {
        rows.Row(k, cells);
        EXPECT_EQ(cells, expected[static_cast<size_t>(k)]) << k;
    }
    rows.Row(4, cells);
    EXPECT_TRUE(cells.empty());
    // A later run does not change the rows of a listing made before it.
    KDVlib::PairsList = {"1,2"};
    ASSERT_TRUE(RunPairPaths(nullptr));
    rows.Row(2, cells);
    EXPECT_EQ(cells, expected[2]);
    // Stopped after the first pair: the listing holds that pair alone.
    KDVlib::PairsList = {"1,3", "2,3"};
    EXPECT_FALSE(RunPairPaths([](size_t done, size_t) { return done < 1; }));
    EXPECT_EQ(PathListing(true), (std::vector<Row>{expected[0], expected[1]}));
}

TEST(AnaPija, GroupsCsvAndZoneSums)
{
    PalvonRead::ClearNetwork();
    PalvonRead::ClearPijas();
    for (int z = 1; z <= 3; ++z)
        Zonas[PalvonRead::NewZone()].Number = z;
    auto add = [](int a, int b, int zo, int zd, float tij) {
        TPija& p = PijaLinks[++PijaLinkCount];
        p.A = a;
        p.B = b;
        p.Zo = p.ZoIdx = zo;
        p.Zd = p.ZdIdx = zd;
        p.Pij = 0.25f;
        p.Tij = tij;
    };
    add(1, 2, 1, 2, 10.0f);
    add(1, 2, 1, 3, 30.0f);
    add(2, 3, 2, 3, 5.0f);
    add(1, 2, 3, 2, 12.34f); // the same link again in a later run: its own group
    EXPECT_EQ(PijaGroups(false), (std::vector<int32_t>{1, 3, 4, 5}));
    EXPECT_TRUE(PijaGroups(true).empty());

    TempDir dir;
    const std::string file = dir.file("pija.csv");
    ASSERT_TRUE(WritePijaCsv(file, false));
    EXPECT_EQ(readFile(file), "na,nb,Zo,Zd,Pij,Tij\r\n1,2,1,2,0.2,10.0\r\n1,2,1,3,0.2,30.0\r\n2,3,2,3,0.2,5.0\r\n"
                              "1,2,3,2,0.2,12.3\r\n");

    std::vector<double> o, d;
    PijaZoneSums(false, 1, 2, o, d);
    EXPECT_DOUBLE_EQ(o[1], 40.0);
    EXPECT_DOUBLE_EQ(d[3], 30.0);
    EXPECT_EQ(PijaRadius(o[1], 40.0), 15);
    EXPECT_EQ(PijaRadius(d[2], 40.0), 4); // 10 * 15 / 40 = 3.75
    EXPECT_EQ(PijaRadius(0.0, 0.0), 0);   // all trips 0: no division by zero
    PalvonRead::ClearPijas();
}

TEST(AnaCentroids, FromConnectors)
{
    PalvonRead::ClearNetwork();
    auto node = [](int num, float x, float y) {
        int k = PalvonRead::NodeIndex(num);
        Nodos[k].X = x;
        Nodos[k].Y = y;
        Nodos[k].HasXY = 1;
        return k;
    };
    const int a = node(1, 0, 0), b = node(2, 100, 0), c = node(3, 10, 20);
    const int far = PalvonRead::NodeIndex(4); // never placed
    Nodos[far].X = Nodos[far].Y = -1.0e8f;
    Nodos[far].HasXY = 0;
    const int l2 = PalvonRead::NewLink();
    Arcos[l2].A = 1;
    Arcos[l2].B = 4;
    Arcos[l2].AIndex = a;
    Arcos[l2].BIndex = far;
    const int l = PalvonRead::NewLink();
    Arcos[l].A = 1;
    Arcos[l].B = 2;
    Arcos[l].AIndex = a;
    Arcos[l].BIndex = b;
    auto zone = [](std::vector<TZoneConnector> cons) {
        int z = PalvonRead::NewZone();
        Zonas[z].Connectors.resize(1);
        for (auto& k : cons)
            Zonas[z].Connectors.push_back(k);
        Zonas[z].ConnectorCount = int32_t(cons.size());
        return z;
    };
    auto con = [](uint8_t kind, int first, int second, int index) {
        TZoneConnector k;
        k.Kind = kind;
        k.ConnNode = first;
        k.NodeIndex = second;
        k.LinkIndex = index;
        return k;
    };
    const int z1 = zone({con(0, 4, 4, c)});                   // node connector: on node 3
    const int z2 = zone({con(0, 1, 2, l)});                   // along link 1-2: three quarters
    const int z3 = zone({con(1, 0, a, 0), con(1, 0, c, 0)}); // mean of two nodes
    const int z4 = zone({con(1, 0, a, 0)});
    Zonas[z4].HasCentroid = 1;
    Zonas[z4].CentroidX = 5;
    const int z5 = zone({con(2, 0, a, 0)}); // other kinds give nothing
    std::vector<TZoneConnector> many;
    for (int i = 0; i < 12; ++i)
        many.push_back(con(1, 0, i % 2 ? b : a, 0));
    const int z6 = zone(many); // more than ten usable connectors all count
    // Nodes without a position give nothing: the placed one alone, or no centroid.
    const int z7 = zone({con(1, 0, far, 0), con(1, 0, c, 0)});
    const int z8 = zone({con(1, 0, far, 0), con(0, 1, 4, l2)});
    EXPECT_EQ(CrearCentroides(), (std::vector<int32_t>{z1, z2, z3, z6, z7}));
    EXPECT_FLOAT_EQ(Zonas[z7].CentroidX, 10.0f);
    EXPECT_FLOAT_EQ(Zonas[z7].CentroidY, 20.0f);
    EXPECT_EQ(Zonas[z8].HasCentroid, 0);
    EXPECT_FLOAT_EQ(Zonas[z1].CentroidX, 10.0f);
    EXPECT_FLOAT_EQ(Zonas[z1].CentroidY, 20.0f);
    EXPECT_FLOAT_EQ(Zonas[z2].CentroidX, 75.0f);
    EXPECT_FLOAT_EQ(Zonas[z3].CentroidX, 5.0f);
    EXPECT_FLOAT_EQ(Zonas[z3].CentroidY, 10.0f);
    EXPECT_FLOAT_EQ(Zonas[z4].CentroidX, 5.0f);
    EXPECT_EQ(Zonas[z5].HasCentroid, 0);
    EXPECT_FLOAT_EQ(Zonas[z6].CentroidX, 50.0f);
    EXPECT_TRUE(CrearCentroides().empty()); // a second run changes nothing
}

TEST(AnaStatistics, RowsAndAbsentListing)
{
    PalvonRead::ClearNetwork();
    Network.JunctionsByType[3] = 4;
    Network.LinksByClass[3] = 2;
    LpaFileName = "null";
    const auto rows = StatisticsRows();
    ASSERT_EQ(rows.size(), 21u);
    EXPECT_EQ(rows[1].second, (std::filesystem::current_path() / "null").string());
    EXPECT_EQ(rows[8], (std::pair<std::string, std::string>{" - Nodos Semáforos", "4"}));
    EXPECT_EQ(rows[15].second, "2");
    EXPECT_EQ(rows[10].first, " - Nodos Vuelta en \"U\"");
    EXPECT_EQ(rows[20], (std::pair<std::string, std::string>{"", ""}));
}

TEST(AnaMix, StackEdges)
{
    // Junction 10 with arms to nodes 1, 2, 3; flows entering from arm 1 towards
    // arms 1 (U-turn), 3 and 2 of 100, 300 and 200.
    PalvonRead::ClearNetwork();
    for (int n : {1, 2, 3, 10})
        PalvonRead::NodeIndex(n);
    const int j = PalvonRead::NodeIndex(10);
    Nodos[j].Number = 10;
    Nodos[j].ArmCount = 3;
    for (int k = 0; k < 3; ++k)
        Nodos[j].Arms[k].OtherNode = k + 1;
    const std::pair<int, float> moves[] = {{1, 100.0f}, {2, 300.0f}, {3, 200.0f}}; // exit node, flow: sorted by C
    for (auto [c, v] : moves) {
        int m = PalvonRead::NewMovement();
        Movims[m].A = 1;
        Movims[m].Node = 10;
        Movims[m].C = c;
        Movims[m].Var[4] = v;
    }
    Nodos[j].Arms[0].EntryMark = -1;
    Nodos[j].Arms[0].InTotals.assign(NumMovVars + 1, 0.0f);
    Nodos[j].Arms[0].InTotals[4] = 600.0f;
    const KDVMixStacks::TStacks s = KDVMixStacks::Build(j, 4, 5, 60);
    EXPECT_DOUBLE_EQ(s.Max, 600.0);
    EXPECT_EQ(s.Arms[1].InArms, (std::vector<int32_t>{0, 1, 3, 2}));
    EXPECT_EQ(s.Arms[1].E, (std::vector<int32_t>{5, 15, 35, 65}));
    // Leaving arm 2 takes the band from arm 1 last (order 2, 3, 1).
    EXPECT_EQ(s.Arms[2].F, (std::vector<int32_t>{5, 5, 5, 35}));
    // No positive total: edges 1..n on the axis, edge 0 keeps the base offset.
    const KDVMixStacks::TStacks z = KDVMixStacks::Build(j, 5, 5, 60);
    EXPECT_EQ(z.Arms[1].E, (std::vector<int32_t>{5, 0, 0, 0}));
}
