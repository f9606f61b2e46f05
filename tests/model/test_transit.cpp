// Section 66666: line records and their stops in both layouts, gaps (marked, or
// filled with least-cost paths), the vehicles each block puts on links and turning
// movements, and the bounds of stops and blocks.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace PalvonRead;
using KDVlib::FindArco;
using KDVlib::FindLinea;
using ZelUtils::Format;

namespace {

using Ints = std::vector<int32_t>;

// A two-way link record for node width w, and a line header (name, code,
// frequency, node count).
std::string LinkLine(int a, int b, int length, int w = 5)
{
    return Format("%*d%*d   10   20 1000  2  %5d    4    1", w, a, w, b, length);
}
std::string Header(const std::string& name, int frequency, int nodes)
{
    return Format("%-4sA %4d%5d", name, frequency, nodes);
}
// A line description: nodes thirteen to a line, the layout of both node formats.
std::vector<std::string> LineText(const std::string& name, int frequency, int count, const Ints& nodes)
{
    std::vector<std::string> out = {Header(name, frequency, count)};
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (i > 0 && i % 13 == 0)
            out.push_back(std::string(15, ' '));
        out.back() += Format("%5d", nodes[i]);
    }
    return out;
}
std::vector<std::string> Net(const char* param, std::vector<std::string> body)
{
    std::vector<std::string> text = {" &OPTION &END", "T", std::string(" &PARAM ") + param + " &END", "33333",
                                     LinkLine(101, 102, 100), "99999"};
    text.insert(text.end(), body.begin(), body.end());
    text.push_back("99999");
    return text;
}

class TransitSection : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        settings.NetworkDatFile = tmp.file("red.dat");
    }
    bool ReadData(const std::string& path)
    {
        lines.clear();
        return FileUtils::ReadLines(path, lines) && ReadText(lines);
    }
    bool ReadText(std::vector<std::string> text)
    {
        lines = std::move(text);
        return ReadNetwork(lines, settings);
    }
    static Ints Stops(const std::string& name)
    {
        const TLinea& l = Lineas[FindLinea(name)];
        return Ints(l.Stops.begin() + 1, l.Stops.begin() + 1 + l.Stops[0]);
    }
    static float LinkVar(int a, int b, int v) { return Arcos[FindArco(a, b)].Var[v]; }
    static float MovVar(int a, int node, int c, int v) { return Movims[KDVlib::FindMovim(a, node, c)].Var[v]; }
    static Ints LineRefs(int a, int b)
    {
        Ints out;
        for (int r = Arcos[FindArco(a, b)].LineRefFirst; r >= 0; r = LinkLineRefs[size_t(r)].Next)
            out.push_back(LinkLineRefs[size_t(r)].Line);
        return out;
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    std::vector<std::string> lines;
};

} // namespace

TEST_F(TransitSection, TwoBlocksLoadLinksAndMovements)
{
    // 29 more lines without nodes after L5: one message for all 30, each named in the error list.
    std::vector<std::string> text;
    ASSERT_TRUE(FileUtils::ReadLines(testutil::dataPath("transit_blocks.dat"), text));
    const auto l5 = std::find_if(text.begin(), text.end(), [](const std::string& s) { return s.rfind("L5", 0) == 0; });
    ASSERT_NE(l5, text.end());
    std::vector<std::string> empty;
    for (int i = 6; i <= 34; ++i)
        empty.push_back(Format("V%-3dE    9    0", i));
    text.insert(l5 + 1, empty.begin(), empty.end());
    ASSERT_TRUE(ReadText(text));
    EXPECT_EQ(Network.TransitBlockCount, 2);
    ASSERT_EQ(Network.LineCount, 35);
    const TLinea& l1 = Lineas[FindLinea("L1")];
    EXPECT_EQ(std::make_tuple(l1.LineCode, l1.Group, l1.Frequency), std::make_tuple("A", 1, 10.0f));
    EXPECT_EQ(Stops("L1"), (Ints{101, 102, 104, 103}));
    EXPECT_EQ(Stops("L2"), (Ints{101, -102, 103})); // no link 102-103
    // Five-digit name, code in column 6, nodes 14 and 15 on a continuation line.
    EXPECT_EQ(Lineas[FindLinea("12345")].LineCode, "X");
    EXPECT_EQ(Stops("12345").size(), 15u);
    // An unknown node is left out, with a note after the line in the text.
    EXPECT_EQ(Stops("L4"), (Ints{103, 104}));
    auto l4 = std::find_if(lines.begin(), lines.end(), [](const std::string& s) { return s.rfind("L4", 0) == 0; });
    ASSERT_LT(l4 + 1, lines.end());
    EXPECT_EQ(l4[1], "*** Velmora: Nodo 999 no encontrado");
    EXPECT_EQ(std::count_if(ui.messages.begin(), ui.messages.end(),
                            [](const std::string& m) { return m.find("sin nodos") != std::string::npos; }),
              1);
    EXPECT_TRUE(ui.anyMessageContains("30 líneas de transporte público sin nodos (ver Errores.txt)"));
    const std::string errors = testutil::readFile(Network.ErrorListFile);
    EXPECT_NE(errors.find("Línea L5 sin nodos. Ultima línea leída: L4"), std::string::npos);
    EXPECT_NE(errors.find("Línea V34 sin nodos. Ultima línea leída: V33"), std::string::npos);

    // Block 1 on variables 41 and 101, block 2 on 42 and 102. L2 loads nothing (every
    // pair touches its marked stop); line 12345 runs 101-102 seven times each way.
    EXPECT_EQ(LinkVar(101, 102, 41), 10.0f + 7 * 3.0f);
    EXPECT_EQ(LinkVar(102, 101, 41), 7 * 3.0f);
    EXPECT_EQ(LinkVar(102, 101, 42), 12.0f);
    EXPECT_EQ(LinkVar(103, 104, 42), 7.0f);
    EXPECT_EQ(LinkVar(102, 150, 41), 0.0f);
    EXPECT_EQ(MovVar(101, 102, 104, 101), 10.0f);
    EXPECT_EQ(MovVar(104, 102, 101, 102), 12.0f);
    int iL1 = FindLinea("L1"), i5 = FindLinea("12345");
    EXPECT_EQ(LineRefs(101, 102), (Ints{iL1, i5, i5, i5, i5, i5, i5, i5}));
}

// Accented letters of line names and of the title in capitals, as street names
// have them, in either encoding of the file.
TEST_F(TransitSection, LineNamesAndTitleInCapitalsAccentsIncluded)
{
    const struct {
        std::string title, name, titleKept, nameKept;
    } rows[] = {{"Red de Pe\xF1" "alol\xE9n", "\xF1u", "RED DE PE\xD1" "ALOL\xC9N", "\xD1U"},
                {"Red de Pe\xC3\xB1" "alol\xC3\xA9n", "\xC3\xB1u", "RED DE PE\xC3\x91" "ALOL\xC3\x89N", "\xC3\x91U"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.title);
        std::vector<std::string> text = Net("", {"66666", Header(r.name, 10, 2) + "  101  102"});
        text[1] = r.title;
        ASSERT_TRUE(ReadText(text));
        EXPECT_EQ(Network.Options.NetworkTitle, r.titleKept);
        ASSERT_EQ(Network.LineCount, 1);
        EXPECT_EQ(Lineas[1].Name, r.nameKept);
        EXPECT_EQ(Stops(r.nameKept), (Ints{101, 102}));
    }
    EXPECT_FALSE(ui.anyMessageContains("dos bytes"));
    // A UTF-8 letter typed over an ASCII one moves the fields after it a byte: said.
    ASSERT_TRUE(ReadText(Net("", {"66666", "\xC3\x91" + Header("L1", 10, 2).substr(1) + "  101  102"})));
    EXPECT_TRUE(ui.anyMessageContains("Línea \xC3\x91" "1: el nombre lleva letras de dos bytes (UTF-8)"));
}

TEST_F(TransitSection, GapsFilledWithShortestPathsByLength)
{
    KDVlib::CostVar = 5; // the user's choice for the path tool is kept
    ASSERT_TRUE(ReadData(testutil::dataPath("transit_fozzy.dat")));
    EXPECT_EQ(KDVlib::CostVar, 5);
    // 102-150-151-103 (300 m) rather than 102-104-103 (1000 m, more capacity).
    EXPECT_EQ(Stops("L1"), (Ints{101, 102, -150, -151, 103, 104}));
    EXPECT_EQ(Stops("L2"), (Ints{104, 102, -150, -151, 103}));
    EXPECT_EQ(LinkVar(103, 104, 41), 10.0f);
    EXPECT_EQ(LinkVar(102, 150, 41), 0.0f);
    // Same node records, longer 102-150: the gap is searched again, not remembered.
    for (auto& s : lines)
        if (s.rfind("  102  150", 0) == 0)
            s = LinkLine(102, 150, 5000);
    ASSERT_TRUE(ReadText(lines));
    EXPECT_EQ(Stops("L1"), (Ints{101, 102, -104, 103, 104}));
    KDVlib::CostVar = 7;
}

TEST_F(TransitSection, FreeLayoutWithParentheses)
{
    // Words in parentheses are comments (UPBUS), also on continuation lines; the
    // word after the fourth node is not used.
    ASSERT_TRUE(ReadData(testutil::dataPath("transit_free.dat")));
    EXPECT_EQ(Stops("L1"), (Ints{101, 102, 104, 103}));
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& s) { return s.find("no encontrado") != std::string::npos; }));
}

// Lines read over ("Omitir rutas fijas") are known to be there; a section holding
// none (blank lines, notes) leaves nothing read over.
TEST_F(TransitSection, LinesReadOverAreKnownOnlyWhenThere)
{
    settings.ReadTransitLines = false;
    const std::vector<std::pair<std::vector<std::string>, int>> rows = {
        {{"66666", Header("L1", 10, 2) + "  101  102", "99999"}, 1},
        {{"66666", "", "* nota", "   ", "99999"}, 0},
        {{"66666", "99999", "66666", "99999"}, 0},
    };
    for (const auto& [body, readOver] : rows) {
        ASSERT_TRUE(ReadText(Net("", body)));
        EXPECT_EQ(Network.LineCount, 0);
        EXPECT_EQ(Network.TransitLinesReadOver, readOver) << body[1];
    }
}

TEST_F(TransitSection, BlocksStopsAndNodeListsStayWithinBounds)
{
    // Blocks beyond the tenth would number link variables 51.. (user-class costs).
    std::vector<std::string> body;
    for (int b = 1; b <= MaxTransitBlocks + 2; ++b)
        body.insert(body.end(), {"66666", Header(Format("B%d", b), 1, 2) + "  101  102", "99999"});
    ASSERT_TRUE(ReadText(Net("", body)));
    EXPECT_EQ(Network.TransitBlockCount, MaxTransitBlocks);
    EXPECT_EQ(Network.LineCount, MaxTransitBlocks);
    EXPECT_EQ(LinkVar(101, 102, 50), 1.0f);
    EXPECT_EQ(LinkVar(101, 102, 51), 0.0f);
    EXPECT_EQ(std::count_if(Network.ErrorList.begin(), Network.ErrorList.end(),
                            [](const std::string& e) { return e.find("más de 10 bloques") != std::string::npos; }),
              1);

    // 600 stops announced and given: 550 kept. Then a count larger than the nodes
    // given: the terminator is not taken as a continuation line, so 88888 is read.
    Ints alternate(600);
    for (size_t k = 0; k < alternate.size(); ++k)
        alternate[k] = k % 2 ? 102 : 101;
    body = LineText("L1", 2, 600, alternate);
    body.insert(body.begin(), "66666");
    for (const auto& l : LineText("L2", 1, 15, Ints(alternate.begin(), alternate.begin() + 13)))
        body.push_back(l);
    body.insert(body.end(), {"99999", "88888", "    1            2.5", "99999"});
    ASSERT_TRUE(ReadText(Net("", body)));
    EXPECT_EQ(Stops("L1").size(), size_t(MaxLineStops));
    EXPECT_TRUE(ui.anyMessageContains("más de 550 paradas"));
    EXPECT_EQ(Stops("L2").size(), 13u);
    EXPECT_TRUE(ui.anyMessageContains("Línea L2: faltan nodos (se esperaban 15, se leyeron 13)"));
    EXPECT_EQ(Network.Options.ClassTimeCost[1], 2.5f);
}
