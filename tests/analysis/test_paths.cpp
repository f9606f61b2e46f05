#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "support/HandNetwork.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <queue>
#include <tuple>

using namespace KDVlib;

namespace {

// A small network built straight into the model: nodes numbered 1..count (index =
// number), links sorted by (A, B) with their node indexes and the forward star.
struct TestNet {
    struct Link {
        int a, b;
        float cost;
        float var3;
    };
    std::vector<Link> links;

    explicit TestNet(int nodes)
    {
        PalvonRead::ClearNetwork();
        for (int i = 1; i <= nodes; ++i) {
            int k = PalvonRead::NodeIndex(i);
            Nodos[k].X = float(i);
            Nodos[k].Y = 0.0f;
        }
    }
    TestNet& link(int a, int b, float cost, float var3 = 0.0f)
    {
        links.push_back({a, b, cost, var3});
        return *this;
    }
    void finish()
    {
        for (const Link& l : links) {
            int i = PalvonRead::NewLink();
            Arcos[i].A = l.a;
            Arcos[i].B = l.b;
            Arcos[i].Var[7] = l.cost;
            Arcos[i].Var[3] = l.var3;
        }
        testutil::SortAndIndexLinks();
        CostVar = 7;
    }
};

std::vector<int32_t> Path(int32_t slot = 1)
{
    const std::vector<int32_t>& t = PathTable(slot);
    return std::vector<int32_t>(t.begin() + 1, t.begin() + 1 + t[0]);
}

std::vector<int32_t> Route(int from, int to)
{
    RutaMinima(from, to, 0);
    return Path(1);
}

using V = std::vector<int32_t>;

} // namespace

TEST(RutaMinima, EmptyPathsAndSingleLink)
{
    TestNet net(4);
    net.link(1, 2, 5).link(3, 4, 1).finish();
    EXPECT_EQ(Route(1, 2), (V{1, 2}));
    EXPECT_EQ(PathTables[1][0], 2);
    EXPECT_EQ(Route(2, 1), V{}); // only B -> A exists
    EXPECT_EQ(Route(1, 1), V{}); // origin = destination
    EXPECT_EQ(Route(1, 4), V{}); // other component
    EXPECT_EQ(Route(0, 2), V{});
    EXPECT_EQ(Route(1, 99), V{});
}

TEST(RutaMinima, TieRules)
{
    // Equal costs: the first route found stays. 1-2-4 and 1-3-4 both cost 2.
    {
        TestNet net(4);
        net.link(1, 2, 1).link(1, 3, 1).link(2, 4, 1).link(3, 4, 1).finish();
        EXPECT_EQ(Route(1, 4), (V{1, 2, 4}));
    }
    // Equal labels leave the queue lowest index first, whatever order they came in:
    // 3 is labelled before 2, both reach 1.0, and 2 goes first, so 4 comes via 2.
    {
        TestNet net(5);
        net.link(1, 3, 1).link(1, 5, 0.5f).link(5, 2, 0.5f).link(2, 4, 1).link(3, 4, 1).finish();
        EXPECT_EQ(Route(1, 4), (V{1, 5, 2, 4}));
    }
    // Labels equal to five decimals count as equal: 2 (1.000004) is settled before
    // 3 (1.000001), so the cheaper way 1-3-2 is not taken.
    {
        TestNet net(3);
        net.link(1, 2, 1.000004f).link(1, 3, 1.000001f).link(3, 2, 0.0f).finish();
        EXPECT_EQ(Route(1, 2), (V{1, 2}));
    }
    // A strictly smaller cost replaces a queued label.
    {
        TestNet net(4);
        net.link(1, 2, 10).link(1, 3, 1).link(3, 2, 1).link(2, 4, 1).finish();
        EXPECT_EQ(Route(1, 4), (V{1, 3, 2, 4}));
    }
}

TEST(RutaMinima, CostVariableAndInvalidOne)
{
    TestNet net(3);
    // By length (7) the direct link wins; by time (3) the detour does.
    net.link(1, 3, 5, 100).link(1, 2, 4, 1).link(2, 3, 4, 1).finish();
    EXPECT_EQ(Route(1, 3), (V{1, 3}));
    CostVar = 3;
    EXPECT_EQ(Route(1, 3), (V{1, 2, 3}));
    CostVar = 0;
    EXPECT_EQ(Route(1, 3), V{});
    CostVar = 131;
    EXPECT_EQ(Route(1, 3), V{});
    CostVar = 7;
}

TEST(RutaMinima, NodeIndexesBeyondFourDigits)
{
    // The tie network of TieRules placed at indexes around and above 10,000, where a
    // four-character index field in the queue key would break the order.
    for (int offset : {9997, 10000, 12395}) {
        TestNet net(offset + 5);
        auto n = [offset](int k) { return offset + k; };
        net.link(n(1), n(3), 1).link(n(1), n(5), 0.5f).link(n(5), n(2), 0.5f).link(n(2), n(4), 1).link(n(3), n(4), 1);
        // A long chain from a low index into the block, so small and large indexes mix in the queue.
        net.link(1, 2, 0.25f).link(2, n(1), 0.25f).link(1, n(3), 5.0f);
        net.finish();
        EXPECT_EQ(Route(n(1), n(4)), (V{n(1), n(5), n(2), n(4)})) << offset;
        EXPECT_EQ(Route(1, n(4)), (V{1, 2, n(1), n(5), n(2), n(4)})) << offset;
    }
}

TEST(RutaMinima, ForwardStarMissingOrStale)
{
    TestNet net(5);
    net.link(1, 3, 1).link(1, 5, 0.5f).link(5, 2, 0.5f).link(2, 4, 1).link(3, 4, 1).finish();
    const V expected{1, 5, 2, 4};
    FirstArc.clear();
    EXPECT_EQ(Route(1, 4), expected);
    FirstArc.assign(3, 1); // left over from a smaller network
    EXPECT_EQ(Route(1, 4), expected);
}

TEST(RutaMinima, PairsList)
{
    TestNet net(4);
    net.link(1, 2, 1).link(2, 3, 1).link(3, 4, 1).finish();
    for (int s = 1; s <= NumPathTables; ++s) {
        PathTables[static_cast<size_t>(s)][0] = 1;
        PathTables[static_cast<size_t>(s)][1] = 777;
    }
    ExtraPathTables.clear();
    PairsList = {"na,nb", " 1 , 4 ", "1,99", "2.4,3", "4,1", "7"};
    RutaMinima(0, 0, 1);
    EXPECT_EQ(Path(1), (V{777}));     // header line: untouched
    EXPECT_EQ(Path(2), (V{1, 2, 3, 4}));
    EXPECT_EQ(Path(3), (V{777}));     // unknown node 99: untouched
    EXPECT_EQ(Path(4), (V{2, 3}));    // 2.4 rounds to node 2
    EXPECT_EQ(Path(5), V{});          // no path from 4 to 1
    EXPECT_EQ(Path(6), (V{777}));     // one field only
    EXPECT_EQ(PathFrom, 4);
    EXPECT_EQ(PathTo, 1);

    // Lines beyond the ten slots land in the extra slots, never past PathTables.
    PairsList.assign(14, "1,2");
    PairsList[12] = "1,4";
    PairsList[13] = "zz";
    RutaMinima(0, 0, 1);
    for (int s = 1; s <= 12; ++s)
        EXPECT_EQ(Path(s), (V{1, 2})) << s;
    EXPECT_EQ(Path(13), (V{1, 2, 3, 4}));
    EXPECT_EQ(Path(14), V{});
    EXPECT_EQ(Path(99), V{});
    EXPECT_EQ(PathTables.size(), size_t(NumPathTables + 1));
    EXPECT_EQ(PathTables[1].size(), size_t(PathTableEntries + 1));
    PairsList.clear();
}

TEST(NearestNode, TiesFarNodesAndEmptyNetwork)
{
    TestNet net(3);
    Nodos[1].X = 0; Nodos[1].Y = 0;
    Nodos[2].X = 10; Nodos[2].Y = 0;
    Nodos[3].X = -1.0e8f; Nodos[3].Y = -1.0e8f; // no coordinates
    EXPECT_EQ(NearestNode(5, 0), 1);  // exactly between: lower index
    EXPECT_EQ(NearestNode(6, 1), 2);
    EXPECT_EQ(NearestNode(-1.0e8, -1.0e8), 3);
    Nodos[1].X = Nodos[2].X = 2.0e8f;
    EXPECT_EQ(NearestNode(0, 0), 0); // nothing nearer than 1.0e8
    PalvonRead::ClearNetwork();
    EXPECT_EQ(NearestNode(0, 0), 0);
}

// ---- Independent check on public test networks -----------------------------------

namespace {

// Plain Dijkstra in double precision over the links' node indexes (no forward star).
std::vector<double> ReferenceCosts(int origin)
{
    const int n = Network.NodeCount;
    std::vector<std::vector<std::pair<int, double>>> out(static_cast<size_t>(n) + 1);
    for (int a = 1; a <= Network.LinkCount; ++a)
        out[static_cast<size_t>(Arcos[a].AIndex)].emplace_back(Arcos[a].BIndex, Arcos[a].Var[7]);
    std::vector<double> dist(static_cast<size_t>(n) + 1, INFINITY);
    using Item = std::pair<double, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> q;
    dist[static_cast<size_t>(origin)] = 0;
    q.emplace(0.0, origin);
    while (!q.empty()) {
        auto [d, u] = q.top();
        q.pop();
        if (d > dist[static_cast<size_t>(u)])
            continue;
        for (auto [v, c] : out[static_cast<size_t>(u)])
            if (d + c < dist[static_cast<size_t>(v)]) {
                dist[static_cast<size_t>(v)] = d + c;
                q.emplace(d + c, v);
            }
    }
    return dist;
}

void CheckNetwork(const std::string& file, int destinationStep)
{
    std::string path = testutil::realDataPath(file);
    if (!std::filesystem::exists(path))
        FAIL() << path << " not present";
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = tmp.file("Errores.txt");
    std::vector<std::string> lines;
    ASSERT_TRUE(FileUtils::ReadLines(path, lines));
    ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
    ASSERT_GT(Network.LinkCount, 0);
    CostVar = 7;
    const int n = Network.NodeCount;
    // The session (one graph, searches stopped at their destination) must give
    // the very same paths as the full search.
    PathSession session;
    std::vector<int32_t> sessionPath;
    for (int origin : {1, n / 2, n}) {
        std::vector<double> ref = ReferenceCosts(origin);
        for (int dest = 1; dest <= n; dest += destinationStep) {
            RutaMinima(origin, dest, 0);
            const std::vector<int32_t>& t = PathTables[1];
            session.Path(origin, dest, sessionPath);
            ASSERT_EQ(sessionPath[0], t[0]) << file << " " << origin << "->" << dest;
            EXPECT_TRUE(std::equal(sessionPath.begin(), sessionPath.begin() + t[0] + 1, t.begin()))
                << file << " " << origin << "->" << dest;
            if (dest == origin || std::isinf(ref[static_cast<size_t>(dest)])) {
                EXPECT_EQ(t[0], 0) << file << " " << origin << "->" << dest;
                continue;
            }
            ASSERT_GE(t[0], 2) << file << " " << origin << "->" << dest;
            EXPECT_EQ(t[1], Nodos[origin].Number);
            EXPECT_EQ(t[static_cast<size_t>(t[0])], Nodos[dest].Number);
            double cost = 0;
            for (int k = 1; k < t[0]; ++k) {
                int link = FindArco(t[static_cast<size_t>(k)], t[static_cast<size_t>(k) + 1]);
                ASSERT_GT(link, 0);
                cost += Arcos[link].Var[7];
            }
            double expected = ref[static_cast<size_t>(dest)];
            EXPECT_NEAR(cost, expected, 1e-5 * std::max(1.0, expected)) << file << " " << origin << "->" << dest;
        }
    }
}

} // namespace

TEST(RutaMinimaRealNetworks, SiouxFalls) { CheckNetwork("siouxfalls.dat", 1); }
TEST(RutaMinimaRealNetworks, Anaheim) { CheckNetwork("anaheim.dat", 1); }
TEST(RutaMinimaRealNetworks, ChicagoSketch) { CheckNetwork("chicago-sketch.dat", 3); }
// More than 10,000 nodes: indexes that do not fit four characters.
TEST(RutaMinimaRealNetworks, BerlinCenterTruncated) { CheckNetwork("berlin-center-truncated.dat", 97); }
