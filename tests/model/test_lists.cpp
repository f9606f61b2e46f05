// The zone pass, the data-list file of FILKNB, sections 44444 and 88888, and the
// per-read reset of what those sections leave behind.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "support/NetworkReadFixture.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <tuple>

using namespace PalvonRead;
using KDVlib::FindArco;

namespace {

class ListsSection : public NetworkReadFixture {
protected:
    // The zone's kind 0 connectors as (from, to, link) triples.
    static std::vector<std::array<int, 3>> LinkConnectors(const TZona& z)
    {
        std::vector<std::array<int, 3>> out;
        for (int c = 1; c <= z.ConnectorCount; ++c)
            if (z.Connectors[c].Kind == 0)
                out.push_back({z.Connectors[c].ConnNode, z.Connectors[c].NodeIndex, z.Connectors[c].LinkIndex});
        return out;
    }
    bool HasError(const std::string& part)
    {
        return std::any_of(Network.ErrorList.begin(), Network.ErrorList.end(),
                           [&](const std::string& e) { return e.find(part) != std::string::npos; });
    }
};

using Triples = std::vector<std::array<int, 3>>;

} // namespace

TEST_F(ListsSection, ZonePassBuildsEveryConnectorKind)
{
    ASSERT_TRUE(ReadData(testutil::dataPath("lists_zones.dat")));
    ASSERT_EQ(Network.ZoneCount, 6); // 12..16 and 20; the entry of zone 0 is reported
    EXPECT_TRUE(HasError("sin número de zona"));

    // Zone 12: the pair (0, 105) sorts first and gives the links into junction 105
    // from its arms; then the pair 101-102; then the connector line to node 200.
    const TZona& z12 = Zone(12);
    ASSERT_EQ(z12.ConnectorCount, 4);
    EXPECT_EQ(LinkConnectors(z12), (Triples{{104, 105, FindArco(104, 105)},
                                            {106, 105, FindArco(106, 105)},
                                            {101, 102, FindArco(101, 102)}}));
    EXPECT_EQ(z12.Connectors[4].NodeIndex, KDVlib::FindNodo(200));
    // Zone 13: node 101 is no junction: every link leaving it, and its reverse.
    int i = FindArco(101, 102), k = FindArco(101, 103);
    EXPECT_EQ(LinkConnectors(Zone(13)), (Triples{{101, 102, i}, {102, 101, -i}, {101, 103, k}, {103, 101, -k}}));
    // Zone 14: junction 105 alone: the links leaving it along its arms.
    EXPECT_EQ(LinkConnectors(Zone(14)), (Triples{{105, 104, FindArco(105, 104)}, {105, 106, FindArco(105, 106)}}));
    // Connector lines: 30 km/h over 500 m take 60 s; 90 s over 500 m is 20 km/h.
    const TZoneConnector& s = Zone(15).Connectors.at(1);
    EXPECT_EQ(std::make_tuple(s.ConnSpeedTag, s.LinkIndex, s.ConnTime, s.ConnLength), std::make_tuple("S", 30, 60, 500));
    const TZoneConnector& t = Zone(16).Connectors.at(1);
    EXPECT_EQ(std::make_tuple(t.ConnNode, t.LinkIndex, t.ConnTime), std::make_tuple(201, 20, 90));
    // Zone 20 lists 60 pairs: 57 are kept, the rest reported.
    EXPECT_EQ(Zone(20).Connectors.size(), size_t(MaxZoneConnectors) + 1);
    EXPECT_TRUE(HasError("Zona 20: más de 57 conectores"));
}

TEST_F(ListsSection, DataListsMarksAndClassCosts)
{
    ASSERT_TRUE(ReadData(testutil::dataPath("lists_zones.dat")));
    // FILKNB file, comma-separated: links get 27+j, movements 30+j.
    const TArcos& l = Arcos[FindArco(101, 102)];
    EXPECT_EQ(std::make_pair(l.Var[28], l.Var[29]), std::make_pair(1.5f, 2.0f));
    const TMovimiento& m = Movims[KDVlib::FindMovim(104, 105, 106)];
    EXPECT_EQ(std::make_pair(m.Var[31], m.Var[32]), std::make_pair(7.5f, 3.0f));
    // Eleven values for one link: the eight extra-data slots, the rest reported.
    const TArcos& many = Arcos[FindArco(101, 103)];
    EXPECT_EQ(many.Var[35], 8.0f);
    EXPECT_EQ(many.Var[36], 0.0f);
    EXPECT_TRUE(ui.anyMessageContains("más valores de los que caben"));
    EXPECT_TRUE(ui.anyMessageContains("datos no reconocidos\r\r     555     556\r     104     105     999"));
    // A value that is no number reads as 0 and is said, once, with where it stood
    // (a later line gives that link its values again).
    EXPECT_TRUE(ui.anyMessageContains("Archivo de datos: un valor que no es un número se leyó como 0"));
    EXPECT_TRUE(HasError("Archivo de datos, arco 101 - 102, valor 1: \"x\" no es un número"));

    // 44444: code -2 ignores the link for isolation, others mark it; a missing link counts nothing.
    EXPECT_TRUE(l.HasFlag(9) && !l.HasFlag(8));
    EXPECT_TRUE(many.HasFlag(8) && !many.HasFlag(9));
    EXPECT_EQ(Network.LinksByClass[2], 2);

    // 88888 with KNOBS = 3; class 11 has no entry; NOMADS = 12 is capped at 10.
    EXPECT_EQ(std::make_pair(Network.Options.ClassTimeCost[2], Network.Options.ClassDistanceCost[2]), std::make_pair(1.5f, 0.25f));
    EXPECT_EQ(std::make_pair(Network.Options.ClassKnobCost[2][3], Network.Options.ClassKnobCost[2][4]), std::make_pair(5.5f, 0.0f));
    EXPECT_TRUE(HasError("clase de usuario 11"));
    EXPECT_EQ(std::make_pair(Network.Options.ClassTimeCost[3], Network.Options.ClassDistanceCost[3]), std::make_pair(0.0f, 0.25f));
    EXPECT_TRUE(HasError("Sección 88888, clase 3, columnas 16-20: \"1,5\" no es un número"));
    EXPECT_TRUE(ui.anyMessageContains("Sección 88888: costos que no son números"));
    EXPECT_EQ(Network.Options.NOMADS, MaxUserClasses);
    EXPECT_EQ(Network.Options.BUSPCU[3], 2.5f);

    // None of it leaks into the next network.
    ASSERT_TRUE(ReadData(testutil::dataPath("lists_plain.dat")));
    EXPECT_EQ(Network.Options.ClassTimeCost[2], 0.0f);
    EXPECT_EQ(Network.Options.ClassKnobCost[2][3], 0.0f);
    EXPECT_EQ(Network.Options.BUSPCU[3], 1.0f);
    EXPECT_EQ(Network.Options.NOMADS, 2);
}

TEST_F(ListsSection, BlankSeparatedDataListAndMissingFile)
{
    std::string net = tmp.file("red.dat");
    testutil::writeFile(net, " &OPTION &END\r\nT\r\n &PARAM FILKNB=\"datos.txt\" &END\r\n33333\r\n"
                             "  101  102   60   90 1000  2    500    4    1\r\n99999\r\n99999\r\n");
    testutil::writeFile(tmp.file("datos.txt"), "  101  102     4.5\t 6   7\n  102  101     8\n");
    ASSERT_TRUE(ReadData(net));
    EXPECT_EQ(Arcos[FindArco(101, 102)].Var[30], 7.0f);
    EXPECT_EQ(Arcos[FindArco(102, 101)].Var[28], 8.0f);
    EXPECT_TRUE(ui.messages.empty());

    std::filesystem::remove(tmp.file("datos.txt"));
    ASSERT_TRUE(ReadData(net));
    EXPECT_EQ(Network.LinkCount, 2); // reported, and the network still loads
    EXPECT_TRUE(ui.anyMessageContains("no se puede leer el archivo de datos"));
}
