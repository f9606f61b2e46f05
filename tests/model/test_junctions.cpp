// Section 11111 (junction headers, arms, lane codes, turn groups, stages) and
// section 22222, read through the whole reader.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace PalvonRead;
using KDVlib::FindArco;
using KDVlib::FindMovim;
using KDVlib::FindNodo;

namespace {

class Junctions : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        settings.NetworkDatFile = tmp.file("red.dat");
        std::copy(std::begin(JtypeSelected), std::end(JtypeSelected), savedJtype);
        std::fill(std::begin(JtypeSelected), std::end(JtypeSelected), false);
    }
    void TearDown() override { std::copy(std::begin(savedJtype), std::end(savedJtype), JtypeSelected); }

    bool ReadFile(const std::string& name)
    {
        std::vector<std::string> lines;
        EXPECT_TRUE(FileUtils::ReadLines(testutil::dataPath(name), lines));
        return ReadNetwork(lines, settings);
    }
    // A network of the given &PARAM fields and section lines.
    bool Read(const std::string& params, std::initializer_list<std::string> body)
    {
        std::vector<std::string> lines = {" &OPTION &END", "PRUEBA", " &PARAM " + params + " &END"};
        lines.insert(lines.end(), body.begin(), body.end());
        lines.push_back("99999");
        return ReadNetwork(lines, settings);
    }
    const TConector& Arm(int32_t node, int i) { return Nodos[FindNodo(node)].Arms[i]; }
    bool ErrorsMention(const std::string& part) const
    {
        return std::any_of(Network.ErrorList.begin(), Network.ErrorList.end(),
                           [&](const std::string& e) { return e.find(part) != std::string::npos; });
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    bool savedJtype[6] = {};
};

} // namespace

TEST_F(Junctions, TwoJunctionsGiveTheirLinksMovementsAndStages)
{
    JtypeSelected[3] = true;
    ASSERT_TRUE(ReadFile("junc_two_junctions.dat"));

    // Junction nodes, far nodes of every arm and the nodes of the link section.
    EXPECT_EQ(Network.NodeCount, 9);
    const TNodo& j100 = Nodos[FindNodo(100)];
    EXPECT_EQ(j100.ArmCount, 3);
    EXPECT_EQ(j100.JunctionType, 3);
    EXPECT_EQ(Nodos[FindNodo(200)].JunctionType, 1);
    EXPECT_EQ(Nodos[FindNodo(5)].Flags, 1); // only named by an arm

    // Travel data; the "*" arm's extra line is passed over: the next arm is node 5.
    EXPECT_EQ(Arm(100, 0).Time, 30);
    EXPECT_EQ(Arm(100, 0).Distance, 250);
    EXPECT_EQ(Arm(100, 0).Speed, 30); // 250 m in 30 s
    EXPECT_EQ(Arm(200, 1).ArmCode, "*");
    EXPECT_EQ(Arm(200, 2).OtherNode, 5);
    // An exit-only arm reads no travel data.
    EXPECT_EQ(Arm(200, 2).Lanes, 0);
    EXPECT_EQ(Arm(200, 2).Time, 0);
    EXPECT_EQ(Arm(200, 2).Distance, 0);

    // Links: six from arms with lanes (one with negative lanes), three from the link section.
    EXPECT_EQ(Network.LinkCount, 9);
    EXPECT_EQ(Network.LinksByClass[0], 3);
    EXPECT_EQ(Network.LinksByClass[1], 6);
    EXPECT_EQ(Network.LinksByClass[3], 1);
    EXPECT_EQ(FindArco(5, 200), 0);
    int32_t l = FindArco(3, 100);
    ASSERT_GT(l, 0);
    EXPECT_EQ(Arcos[l].Lanes(), -1);
    // The arm's data win over the repeated link-section record, which is reported.
    l = FindArco(1, 100);
    ASSERT_GT(l, 0);
    EXPECT_FLOAT_EQ(Arcos[l].Var[3], 30.0f);
    EXPECT_FLOAT_EQ(Arcos[l].Var[5], 0.0f);
    EXPECT_FLOAT_EQ(Arcos[l].Var[6], 2.0f);
    EXPECT_TRUE(ErrorsMention("Arco 1 - 100: ya definido por un brazo"));
    EXPECT_TRUE(ErrorsMention("Arco 100 - 200: ya definido por un brazo"));
    EXPECT_TRUE(ErrorsMention("Arco 7 - 100 repetido"));
    l = FindArco(100, 200);
    ASSERT_GT(l, 0);
    EXPECT_EQ(Arcos[l].LaneFlags[1], 1);
    EXPECT_TRUE(Arcos[l].HasFlag(11));
    EXPECT_TRUE(Arcos[l].HasFlag(3)); // priority junction at B
    // Every link has both node records.
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        EXPECT_GT(Arcos[k].AIndex, 0) << k;
        EXPECT_GT(Arcos[k].BIndex, 0) << k;
    }

    // Movements from the turn groups.
    ASSERT_EQ(Network.MovementCount, 7);
    int32_t m = FindMovim(1, 100, 2);
    ASSERT_GT(m, 0);
    EXPECT_EQ(Movims[m].Key, "      100        1        2");
    EXPECT_FLOAT_EQ(Movims[m].Var[1], 1800.0f);
    EXPECT_FLOAT_EQ(Movims[m].Var[2], 2.0f);
    EXPECT_FLOAT_EQ(Movims[m].Var[3], 900.0f);
    EXPECT_EQ(Movims[m].TurnCode, "G");
    EXPECT_EQ(Movims[m].LastLane, 2);
    m = FindMovim(3, 100, 1); // group 0 of the last arm wraps to arm 0
    ASSERT_GT(m, 0);
    EXPECT_EQ(Movims[m].TurnCode, "X");
    EXPECT_FLOAT_EQ(Movims[m].Var[3], 1700.0f);
    EXPECT_GT(FindMovim(6, 200, 100), 0);
    EXPECT_EQ(FindMovim(2, 100, 1), 0); // saturation flow 0
    EXPECT_EQ(FindMovim(4, 200, 5), 0); // the arm has no turn groups
    EXPECT_EQ(Movims[m].JunctionIndex, FindNodo(100));

    // The signal record and the stages marked on the movements.
    EXPECT_EQ(Network.SignalCount, 1);
    EXPECT_EQ(j100.SignalIndex, 0);
    const TFase& f = Fases[0];
    EXPECT_EQ(f.Node, 100);
    EXPECT_EQ(f.StageCount, 2);
    EXPECT_EQ(f.Offset, 30);
    EXPECT_EQ(f.Cycle, 90);
    EXPECT_EQ(f.Stages[1].Green, 40);
    EXPECT_EQ(f.Stages[1].ValueCount, 4); // 3 values read as 4
    EXPECT_EQ(f.Stages[1].Values[4], 3);
    EXPECT_EQ(Movims[FindMovim(1, 100, 2)].StageMask, 1);
    EXPECT_EQ(Movims[FindMovim(1, 100, 3)].StageMask, 1);
    EXPECT_EQ(Movims[FindMovim(2, 100, 3)].StageMask, 1);
    EXPECT_EQ(Movims[FindMovim(3, 100, 1)].StageMask, 2);

    // Menu items of the junction types found.
    EXPECT_TRUE(ui.enabledItems["Jtype3"]);
    EXPECT_TRUE(ui.checkedItems["Jtype3"]);
    EXPECT_FALSE(ui.checkedItems["Jtype1"]);
    EXPECT_FALSE(ui.enabledItems["Jtype2"]);

    // Section 22222: pairs with a node; the zone's pair of zeros adds nothing.
    EXPECT_EQ(ZoneConnectorList.count("   121  101  102"), 1u);
    EXPECT_EQ(ZoneConnectorList.count("   121    0  105"), 1u);
    EXPECT_EQ(ZoneConnectorList.count("   122  200    01      0"), 1u);
    EXPECT_EQ(ZoneConnectorList.size(), 3u);

    // Forward star over the sorted links: node 5 has no outgoing link.
    ASSERT_EQ(FirstArc.size(), 11u);
    std::vector<int32_t> expected = {1, 1, 2, 3, 4, 5, 5, 6, 7, 9, 10};
    for (size_t k = 1; k < expected.size(); ++k)
        EXPECT_EQ(FirstArc[k], expected[k]) << k;
    // The one message: link 7-100, given twice in the section.
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Registros repetidos en la red (detalle en Errores.txt):\r"
                                                    "Arcos repetidos en la sección 33333: 1"});
}

TEST_F(Junctions, LaneCodesTravelDataAndUnitSwitches)
{
    ASSERT_TRUE(Read("", {"11111", "  100    6    1",
                          "         1   2F   30  250",   //
                          "         2   F2   30  250",   //
                          "         3   -1   30  250",   //
                          "         4   B2   30  250",   //
                          "         5   2B   30  250",   //
                          "         6    b   30  250",   // lower case is upper-cased
                          "99999"}));
    EXPECT_EQ(Arm(100, 0).Lanes, 2);
    EXPECT_EQ(Arm(100, 1).Lanes, 2);
    EXPECT_EQ(Arm(100, 2).Lanes, -1);
    for (int k = 1; k <= MaxLanes; ++k)
        EXPECT_EQ(Arm(100, 2).LaneIsB[k], 0) << k;
    EXPECT_EQ(Arm(100, 3).LaneIsB[1], 1);
    EXPECT_EQ(Arm(100, 4).LaneIsB[3], 1); // "2" moves on two lanes, then "B"
    EXPECT_EQ(Arm(100, 4).LaneIsB[1], 0);
    EXPECT_EQ(Arm(100, 5).LaneCode, "B");
    EXPECT_EQ(Arm(100, 5).Lanes, 0);
    EXPECT_EQ(Arm(100, 5).HasB, 1);

    // KERMIT: times in minutes and lengths in kilometres.
    ASSERT_TRUE(Read("KERMIT=T,", {"11111", "  100    1    1", "         1    1    2  0.5", "99999"}));
    EXPECT_EQ(Arm(100, 0).Time, 120);
    EXPECT_EQ(Arm(100, 0).Distance, 500);
    EXPECT_EQ(Arm(100, 0).Speed, 15);
    // SPEEDS: the first column is a speed, the time follows from it.
    ASSERT_TRUE(Read("KERMIT=T, SPEEDS=T,", {"11111", "  100    1    1", "         1    1   30  0.5", "99999"}));
    EXPECT_EQ(Arm(100, 0).Speed, 30);
    EXPECT_EQ(Arm(100, 0).Distance, 500);
    EXPECT_EQ(Arm(100, 0).Time, 60);
    ASSERT_TRUE(Read("SPEEDS=T,", {"11111", "  100    1    1", "         1    1    0  100", "99999"}));
    EXPECT_EQ(Arm(100, 0).Time, 0); // no division by a zero speed
}

TEST_F(Junctions, StagesContinuationLinesAndTheNextJunction)
{
    ASSERT_TRUE(Read("", {"11111", "  100    2    3    2   60    5",             //
                          "         1    1   10  100 1800  1 1",                 //
                          "         2    1   10  100 1800  1 1",                 //
                          "             10    3   12    1    2    3    4    5    6    7    8    9   10",
                          "              0    0    0   11   12",               //
                          "             20    3    3    2    0    1",          //
                          "  200    1    0",                                     //
                          "       100    1   10  100",                           //
                          "99999"}));
    ASSERT_EQ(Network.SignalCount, 1);
    const TStage& s1 = Fases[0].Stages[1];
    EXPECT_EQ(s1.ValueCount, 12);
    EXPECT_EQ(s1.Values[10], 10); // kept from the stage line
    EXPECT_EQ(s1.Values[11], 11);
    EXPECT_EQ(s1.Values[12], 12);
    const TStage& s2 = Fases[0].Stages[2];
    EXPECT_EQ(s2.Number, 2);
    EXPECT_EQ(s2.ValueCount, 4);
    EXPECT_EQ(s2.Values[1], 2);
    EXPECT_EQ(s2.Values[3], 1);
    EXPECT_EQ(s2.Values[4], 0);
    // Stage 1's pairs after 1 2 name nodes the junction does not have: said once.
    EXPECT_EQ(Movims[FindMovim(1, 100, 2)].InStage[1], 1);
    EXPECT_TRUE(ErrorsMention("Intersección 100, etapa 1: el par 11 12 no es un movimiento"));
    EXPECT_TRUE(ui.anyMessageContains("pares de nodos que no son movimientos de su intersección: 5"));
    EXPECT_EQ(Nodos[FindNodo(200)].JunctionType, 0);
    EXPECT_EQ(Arm(200, 0).OtherNode, 100);
    EXPECT_TRUE(ui.enabledItems["Jtype0"]);
}

TEST_F(Junctions, InputBeyondTheRecordsIsClampedAndReportedOnce)
{
    std::vector<std::string> body = {"11111", "  500    8    1"};
    for (int i = 0; i < 8; ++i) {
        std::string arm = ZelUtils::Format("     %5d%5s   10  100", 501 + i, i == 0 ? "8" : "1");
        for (int j = 0; j < 7; ++j)
            arm += ZelUtils::Format("%5d  1 1", 1000 + 10 * i + j);
        body.push_back(arm);
    }
    body.insert(body.end(), {"  600    1    3    7    0    0", "       601    1   10  100"});
    body.push_back("             10    3   22    1    2    3    4    5    6    7    8    9   10");
    body.push_back("              0    0    0   11   12   13   14   15   16   17   18   19   20");
    body.push_back("              0    0    0   21   22");
    for (int s = 2; s <= 7; ++s)
        body.push_back("             10    3    2  601    0");
    body.insert(body.end(), {"  700    1    1", "         1   B9   10  100", "99999"});
    std::vector<std::string> lines = {" &OPTION &END", "PRUEBA", " &PARAM &END"};
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back("99999");
    ASSERT_TRUE(ReadNetwork(lines, settings));

    const TNodo& j500 = Nodos[FindNodo(500)];
    EXPECT_EQ(j500.ArmCount, 7);
    EXPECT_EQ(j500.Arms[0].Lanes, 6);
    // Arm 1's turn into arm 0 is its file group 6, stored as the group pointing at arm 0.
    EXPECT_EQ(j500.Arms[1].Turns[5].SatFlow, 1016);
    // Arm 0's group 6 pointed at the dropped arm 7.
    EXPECT_EQ(j500.Arms[0].Turns[5].SatFlow, 1005);
    EXPECT_EQ(FindNodo(508), 0);
    ASSERT_GT(FindMovim(502, 500, 501), 0);
    EXPECT_FLOAT_EQ(Movims[FindMovim(502, 500, 501)].Var[1], 1016.0f);

    const TFase& f = Fases[Nodos[FindNodo(600)].SignalIndex];
    EXPECT_EQ(f.StageCount, 6);
    EXPECT_EQ(f.Stages[1].ValueCount, 20);
    EXPECT_EQ(f.Stages[1].Values[20], 20);
    EXPECT_EQ(f.Stages[6].Values[1], 601);
    // The file stays in step: the junction after them is read whole.
    EXPECT_EQ(Nodos[FindNodo(700)].Arms[0].Lanes, 6);
    EXPECT_EQ(Nodos[FindNodo(700)].Arms[0].LaneIsB[1], 1);

    // The limits in one message; the stage values, which name no movement, in one more.
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].find("exceden los límites"), std::string::npos);
    EXPECT_NE(ui.messages[1].find("no son movimientos de su intersección"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("Brazos con más de 6 pistas (se toman 6): 2"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("Intersecciones con más de 7 brazos (se leen los 7 primeros): 1"), std::string::npos);
    EXPECT_TRUE(ErrorsMention("Intersección 600: 7 etapas"));
    EXPECT_TRUE(ErrorsMention("Intersección 600, etapa 1: 22 valores"));
}

TEST_F(Junctions, ShortJunctionsBlankLinesAndStaleArmData)
{
    // A junction that announces more arms than it has leaves the terminator alone.
    // Its turns keep pointing at the same arms, and none points at the lost one.
    ASSERT_TRUE(Read("", {"11111", "", "  100    3    1",                   //
                          "         1    1   10  100 1800  1 1 1700  1 1",  // into 2, into the lost arm
                          "         2    1   10  100 1600  1 1 1500  1 1",  // into the lost arm, into 1
                          "99999", "33333", "  100    3   10   10  100  1    100    1    1", "99999"}));
    EXPECT_EQ(Network.SectionPresent[2], 1);
    EXPECT_GT(FindArco(100, 3), 0);
    EXPECT_EQ(FindNodo(0), 0);
    EXPECT_TRUE(ErrorsMention("Intersección 100 incompleta"));
    EXPECT_EQ(Nodos[FindNodo(100)].ArmCount, 2);
    ASSERT_EQ(Network.MovementCount, 2);
    EXPECT_FLOAT_EQ(Movims[FindMovim(1, 100, 2)].Var[1], 1800.0f);
    EXPECT_FLOAT_EQ(Movims[FindMovim(2, 100, 1)].Var[1], 1500.0f);

    // A signal whose stage lines are cut short keeps the stages read whole.
    ASSERT_TRUE(Read("", {"11111", "  100    1    3    3   60    0", "         1    1   10  100",
                          "             30    4    2    1    0",                                    //
                          "             30    4   12    1    0    1    0    1    0    1    0    1    0",  //
                          "99999"}));
    EXPECT_EQ(Fases[0].StageCount, 1);

    // A signal that announces more stages, or more stage values, than its lines
    // hold ends at the next junction's header: that junction is read whole, and
    // the short one is said once after the read.
    for (const char* stage : {"             30    4    2    1    0", "             30    499999    1    0"}) {
        SCOPED_TRACE(stage);
        ui.messages.clear();
        ASSERT_TRUE(Read("", {"11111", "  100    1    3    3   60    0", "         1    1   10  100", stage,
                              "  200    1    3    1   60    0", "         1    1   10  100",
                              "             30    4    2    1    0", "99999"}));
        const TNodo& next = Nodos[FindNodo(200)];
        ASSERT_EQ(next.JunctionType, 3);
        EXPECT_EQ(Fases[next.SignalIndex].StageCount, 1);
        EXPECT_EQ(Fases[next.SignalIndex].Stages[1].Values[1], 1);
        EXPECT_TRUE(ui.anyMessageContains("Intersecciones con menos líneas de las anunciadas en la sección 11111: 1"));
        EXPECT_TRUE(ErrorsMention("Intersección 100 incompleta: la línea 8 empieza otra intersección"));
        EXPECT_FALSE(ui.anyMessageContains("más de 20 valores")); // the count the lines do not hold is the short junction
    }
    // A stage whose lines hold more than 20 values is read to the 20th, and said.
    ui.messages.clear();
    ASSERT_TRUE(Read("", {"11111", "  100    1    3    1   60    0", "         1    1   10  100",
                          "             30    4   22    1    0    1    0    1    0    1    0    1    0", "                             1    0    1    0    1    0    1    0    1    0",
                          "                             1    0", "99999"}));
    EXPECT_EQ(Fases[Nodos[FindNodo(100)].SignalIndex].Stages[1].ValueCount, 20);
    EXPECT_TRUE(ui.anyMessageContains("más de 20 valores"));
    EXPECT_FALSE(ErrorsMention("incompleta"));

    // Lines tagged in columns 1-5 with their own junction's number are its lines;
    // a number that rounds to 0 is no fault of the text.
    ASSERT_TRUE(Read("", {"11111", "  100    1    3    1   60    0", "  100    1    1   10  100",
                          "  100        30  0.4    2    1    0", "99999"}));
    EXPECT_EQ(Fases[Nodos[FindNodo(100)].SignalIndex].StageCount, 1);
    EXPECT_FALSE(ErrorsMention("incompleta") || ErrorsMention("no es un número"));

    // A later network does not inherit the travel data of an exit-only arm.
    ASSERT_TRUE(Read("", {"11111", "  100    1    1", "         1    2   10  100", "99999"}));
    ASSERT_TRUE(Read("", {"11111", "  100    1    1", "         1    0   10  100", "99999"}));
    EXPECT_EQ(Arm(100, 0).Time, 0);
    EXPECT_EQ(Arm(100, 0).Distance, 0);
    EXPECT_EQ(Network.LinkCount, 0);
}

TEST_F(Junctions, Section22222Pairs)
{
    ASSERT_TRUE(Read("", {"22222", "    7    0    5    0    0  101  102", "    8    0    0", "    9  300", "99999"}));
    EXPECT_EQ(Network.NoJunctionData, 0);
    EXPECT_EQ(ZoneConnectorList.count("    71    0    5"), 1u);
    EXPECT_EQ(ZoneConnectorList.count("    71  101  102"), 1u);
    EXPECT_EQ(ZoneConnectorList.count("    91  300     "), 1u); // a line cut short is padded
    EXPECT_EQ(ZoneConnectorList.size(), 3u);

    // A node number typed wrong reads as 0 (every link at the other node), and is said.
    ASSERT_TRUE(Read("", {"22222", "    7  1O1  102", "99999"}));
    EXPECT_EQ(ZoneConnectorList.count("    71  1O1  102"), 1u);
    EXPECT_TRUE(ErrorsMention("Zona 7: \"1O1\" en las columnas 6-10 no es un número"));
    EXPECT_TRUE(ui.anyMessageContains("Valores que no son números en la sección 22222: 1"));
}
