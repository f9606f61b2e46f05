// Section 33333: link records, two-way records, speed codes, extra data, zone
// connector lines, and the passes that index nodes and build the forward star.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace PalvonRead;
using KDVlib::FindArco;
using KDVlib::FindNodo;

namespace {

class Links : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        settings.NetworkDatFile = tmp.file("red.dat");
    }
    bool Read(const std::string& params, std::initializer_list<std::string> body)
    {
        std::vector<std::string> lines = {" &OPTION &END", "PRUEBA", " &PARAM " + params + " &END", "33333"};
        lines.insert(lines.end(), body.begin(), body.end());
        lines.insert(lines.end(), {"99999", "99999"});
        return ReadNetwork(lines, settings);
    }
    const TArcos& Link(int32_t a, int32_t b)
    {
        int32_t k = FindArco(a, b);
        EXPECT_GT(k, 0) << a << "-" << b;
        return Arcos[k];
    }
    bool ErrorsMention(const std::string& part) const
    {
        return std::any_of(Network.ErrorList.begin(), Network.ErrorList.end(),
                           [&](const std::string& e) { return e.find(part) != std::string::npos; });
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
};

} // namespace

TEST_F(Links, TwoWayRecordAndItsLaterReverse)
{
    ASSERT_TRUE(Read("KNOBS=1,", {"  101  102   30   40 1200  2    500    4    1CALLE MAYOR", "       1.5",
                                  "  102  101   31   41 1300  1    501    4    1", "       2.5"}));
    ASSERT_EQ(Network.LinkCount, 2);
    EXPECT_EQ(Network.LinksByClass[0], 2);
    const TArcos& f = Link(101, 102);
    const TArcos& r = Link(102, 101);
    for (int v : {3, 4, 5, 7, 8, 9})
        EXPECT_FLOAT_EQ(f.Var[v], r.Var[v]) << v;
    EXPECT_FLOAT_EQ(f.Var[3], 30.0f);
    EXPECT_FLOAT_EQ(f.Var[4], 40.0f);
    EXPECT_FLOAT_EQ(f.Var[5], 1200.0f);
    EXPECT_FLOAT_EQ(f.Var[7], 500.0f);
    EXPECT_FLOAT_EQ(f.Var[1], 60.0f); // 3.6 * 500 / 30
    EXPECT_FLOAT_EQ(f.Var[8], 4.0f);
    EXPECT_TRUE(f.HasFlag(0));
    EXPECT_EQ(f.StreetTag, "2");
    EXPECT_EQ(f.StreetName, "CALLE MAYOR");
    EXPECT_EQ(r.StreetName, "CALLE MAYOR");
    EXPECT_EQ(f.Key, "      101      102");
    // The later record only changed the extra data of the reverse link.
    EXPECT_FLOAT_EQ(f.Var[28], 1.5f);
    EXPECT_FLOAT_EQ(r.Var[28], 2.5f);
    EXPECT_TRUE(ErrorsMention("Arco 102 - 101 repetido"));
    EXPECT_EQ(Nodos[FindNodo(101)].Flags, 2);
    EXPECT_EQ(Network.NodeCount, 2);
}

// Records in any order: the links end numbered by A, then B, each with the data of
// its own record and the extra data of the last record given for it.
TEST_F(Links, RecordsInAnyOrderEndOrderedWithTheirLastExtraData)
{
    ASSERT_TRUE(Read("KNOBS=2,", {"  300  100   10   11  900  2    100", "         1         2",
                                  "  100  200   20   21  800  1    200", "         3         4",
                                  "  200  100   30   31  700  2    300", "         5         6",
                                  "  100  300   40   41  600  1    400", "         7",
                                  "  100  200   50   51  500  1    500", "         9        10"}));
    ASSERT_EQ(Network.LinkCount, 4);
    const std::pair<int32_t, int32_t> order[] = {{100, 200}, {100, 300}, {200, 100}, {300, 100}};
    for (int32_t k = 1; k <= 4; ++k) {
        EXPECT_EQ(Arcos[k].A, order[k - 1].first) << k;
        EXPECT_EQ(Arcos[k].B, order[k - 1].second) << k;
    }
    // 100-200: its own record's data, the extra data of the third and fifth records.
    EXPECT_FLOAT_EQ(Link(100, 200).Var[3], 20.0f);
    EXPECT_FLOAT_EQ(Link(100, 200).Var[28], 9.0f);
    EXPECT_FLOAT_EQ(Link(100, 200).Var[29], 10.0f);
    // 100-300: made by the first record's other direction; the fourth record's line
    // gives one value, and the second of its KNOBS values is 0.
    EXPECT_FLOAT_EQ(Link(100, 300).Var[3], 10.0f);
    EXPECT_EQ(Link(100, 300).Key, "      100      300");
    EXPECT_FLOAT_EQ(Link(100, 300).Var[28], 7.0f);
    EXPECT_FLOAT_EQ(Link(100, 300).Var[29], 0.0f);
    EXPECT_FLOAT_EQ(Link(200, 100).Var[7], 300.0f);
    EXPECT_FLOAT_EQ(Link(300, 100).Var[28], 1.0f);
    EXPECT_EQ(Network.LinksByClass[0], 4);
    EXPECT_TRUE(ErrorsMention("Arco 100 - 200 repetido"));
    EXPECT_TRUE(ErrorsMention("Arco 100 - 300 repetido"));
    // The forward star follows the order: node 100's links are the first two.
    const int32_t n100 = FindNodo(100);
    EXPECT_EQ(FirstArc[static_cast<size_t>(n100)], 1);
    EXPECT_EQ(FirstArc[static_cast<size_t>(n100) + 1], 3);
}

// Records in order whose links come again later, by a two-way record's other
// direction or by a record of their own: each is the link first made.
TEST_F(Links, LinksOfRecordsInOrderGivenAgainAreTheFirstMade)
{
    ASSERT_TRUE(Read("", {"    1    2   10   11  900  1    100", "    1    3   20   21  800  1    200",
                          "    2    1   30   31  700  2    300", "    1    3   40   41  600  1    400",
                          "    3    1   50   51  500  1    500", "    1    3   60   61  600  1    600"}));
    ASSERT_EQ(Network.LinkCount, 4);
    EXPECT_FLOAT_EQ(Link(1, 2).Var[3], 10.0f);
    EXPECT_FLOAT_EQ(Link(1, 3).Var[3], 20.0f);
    EXPECT_FLOAT_EQ(Link(2, 1).Var[3], 30.0f);
    EXPECT_FLOAT_EQ(Link(3, 1).Var[3], 50.0f);
    EXPECT_TRUE(ErrorsMention("Arco 1 - 2 repetido"));
    EXPECT_TRUE(ErrorsMention("Arco 1 - 3 repetido"));
}

// Letters count as upper-cased and a final CR (a CR LF file split on LF) as
// nothing, whichever column the line ends at.
TEST_F(Links, LowerCaseCodesNamesAndCarriageReturns)
{
    ASSERT_TRUE(Read("", {"    1    2   50   40  900  2s  1000    4    1calle mayor\r", "    1    3   10   20  900  1\r",
                          "    3    4   10   20  900  2\r",
                          // The last number and the name fill their columns to the record's end.
                          "    5    6   50   40  900  2   1000    412345ABCDEFGHIJKLMNOPQRSTUVWXY\r"}));
    EXPECT_FLOAT_EQ(Link(5, 6).Var[9], 12345.0f);
    EXPECT_EQ(Link(5, 6).StreetName, "ABCDEFGHIJKLMNOPQRSTUVWXY");
    const TArcos& l = Link(1, 2);
    EXPECT_EQ(l.SpeedTag, "S");
    EXPECT_FLOAT_EQ(l.Var[1], 50.0f); // speeds, as for "S"
    EXPECT_FLOAT_EQ(l.Var[3], 72.0f);
    EXPECT_EQ(l.StreetName, "CALLE MAYOR");
    EXPECT_EQ(Link(2, 1).StreetName, "CALLE MAYOR");
    EXPECT_EQ(Link(1, 3).StreetTag, "1");
    EXPECT_EQ(Link(1, 3).SpeedTag, "");
    EXPECT_EQ(Link(4, 3).StreetTag, "2");
    EXPECT_FLOAT_EQ(Link(4, 3).Var[3], 10.0f);
    EXPECT_EQ(Network.LinkCount, 7);
}

// Records of an included file, read before and after others: each link keeps the
// data of its own line, also when the text is read again with the file in it.
TEST_F(Links, RecordsOfAnIncludedFileKeepTheirLines)
{
    testutil::writeFile(tmp.file("arcos.dat"), "  200  201   10   20  900  2    700    4    1avenida\n"
                                               "  100  300   10   20  900  1    800\n");
    std::vector<std::string> lines = {" &OPTION &END", "PRUEBA", " &PARAM &END", "33333",
                                      "  300  100   10   20  900  1    600", "$        arcos.dat",
                                      "  100  200   10   20  900  1    900", "99999", "99999"};
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(ReadNetwork(lines, settings)) << round;
        ASSERT_EQ(Network.LinkCount, 5) << round;
        const std::pair<int32_t, int32_t> order[] = {{100, 200}, {100, 300}, {200, 201}, {201, 200}, {300, 100}};
        const float length[] = {900.0f, 800.0f, 700.0f, 700.0f, 600.0f};
        for (int32_t k = 1; k <= 5; ++k) {
            EXPECT_EQ(std::make_pair(Arcos[k].A, Arcos[k].B), order[k - 1]) << round << " " << k;
            EXPECT_FLOAT_EQ(Arcos[k].Var[7], length[k - 1]) << round << " " << k;
        }
        EXPECT_EQ(Link(201, 200).StreetName, "AVENIDA");
    }
}

TEST_F(Links, SpeedCodesAndKermitUnits)
{
    ASSERT_TRUE(Read("", {"    1    2   50   40  900  1S  1000", "    1    4    0    0  900  1    100"}));
    EXPECT_FLOAT_EQ(Link(1, 2).Var[1], 50.0f);
    EXPECT_FLOAT_EQ(Link(1, 2).Var[2], 40.0f);
    EXPECT_FLOAT_EQ(Link(1, 2).Var[3], 72.0f);
    EXPECT_FLOAT_EQ(Link(1, 2).Var[4], 90.0f);
    EXPECT_EQ(Link(1, 2).SpeedTag, "S");
    EXPECT_FLOAT_EQ(Link(1, 4).Var[1], 0.0f); // no division by a zero time
    EXPECT_FLOAT_EQ(Link(1, 4).Var[2], 0.0f);

    ASSERT_TRUE(Read("KERMIT=T,", {"    1    3    2    3  900  1    1.5", "    1    2   50   40  900  1S    1"}));
    EXPECT_FLOAT_EQ(Link(1, 3).Var[7], 1500.0f);
    EXPECT_FLOAT_EQ(Link(1, 3).Var[3], 120.0f);
    EXPECT_FLOAT_EQ(Link(1, 3).Var[4], 180.0f);
    EXPECT_FLOAT_EQ(Link(1, 3).Var[1], 45.0f);
    EXPECT_FLOAT_EQ(Link(1, 2).Var[1], 50.0f); // speeds are never scaled
    EXPECT_FLOAT_EQ(Link(1, 2).Var[3], 72.0f);
}

// Every field filled to its width, each with other digits: a field read a column off
// takes a digit of its neighbour.
TEST_F(Links, EveryFieldFilledToItsWidthIsReadFromItsOwnColumns)
{
    const std::string name = "AVENIDA DE LAS AMERICAS Z";
    ASSERT_EQ(name.size(), 25u);
    ASSERT_TRUE(Read("", {"10001" "10002" "12345" "23456" "34567" "  7X " "45678" "56789" "67891" + name}));
    const TArcos& l = Link(10001, 10002);
    const std::vector<float> expected = {12345, 23456, 34567, 45678, 56789, 67891};
    const std::vector<float> read = {l.Var[3], l.Var[4], l.Var[5], l.Var[7], l.Var[8], l.Var[9]};
    EXPECT_EQ(read, expected);
    EXPECT_EQ(l.StreetTag, "7");
    EXPECT_EQ(l.SpeedTag, "X");
    EXPECT_EQ(l.StreetName, name);
}

// A UTF-8 character across the name's last column is left out whole; one that
// ends on it, and a Windows-1252 letter there, stay.
TEST_F(Links, StreetNameCutAtItsLastColumnKeepsWholeCharacters)
{
    const std::string head = "    1    2   50   40  900  2   1000    4    1";
    const struct {
        std::string text, kept;
    } rows[] = {{"AVENIDA LIBERTADOR BERNA\xC3\x91O", "AVENIDA LIBERTADOR BERNA"},
                {"AVENIDA LIBERTADOR BERN\xC3\x91", "AVENIDA LIBERTADOR BERN\xC3\x91"},
                {"AVENIDA LIBERTADOR BER\xE2\x82\xAC", "AVENIDA LIBERTADOR BER\xE2\x82\xAC"},
                {"AVENIDA LIBERTADOR BERN\xE2\x82\xAC", "AVENIDA LIBERTADOR BERN"},
                {"AVENIDA LIBERTADOR BERNA\xF0\x9F\x9A\x97", "AVENIDA LIBERTADOR BERNA"},
                {"AVENIDA LIBERTADOR BERNA\xC3", "AVENIDA LIBERTADOR BERNA\xC3"},
                {"AVENIDA LIBERTADOR BERNA\xC3O", "AVENIDA LIBERTADOR BERNA\xC3"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        ASSERT_TRUE(Read("", {head + r.text + "\r"}));
        EXPECT_EQ(Link(1, 2).StreetName, r.kept);
        EXPECT_EQ(Link(2, 1).StreetName, r.kept);
    }
}

// Accented letters in capitals as the others, in either encoding of the file.
TEST_F(Links, StreetNamesReadInCapitalsAccentsIncluded)
{
    const std::string head = "    1    2   50   40  900  2   1000    4    1";
    const std::pair<std::string, std::string> rows[] = {
        {"Pe\xC3\xB1" "alol\xC3\xA9n \xE2\x82\xAC \xC3\x9F\xC3\xB7", "PE\xC3\x91" "ALOL\xC3\x89N \xE2\x82\xAC \xC3\x9F\xC3\xB7"},
        {"Pasaje \xD1u\xF1oa \xFC\x9A\xF7", "PASAJE \xD1U\xD1OA \xDC\x8A\xF7"},
        // The letters of Windows-1252 past Latin-1 (š, œ, ž, ÿ), in either encoding.
        {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},
        {"\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF", "\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8"}};
    for (const auto& [text, kept] : rows) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(Read("", {head + text + "\r"}));
        EXPECT_EQ(Link(1, 2).StreetName, kept);
    }
}

TEST_F(Links, ExtraDataLinesAndConnectorLines)
{
    ASSERT_TRUE(Read("KNOBS=4,", {"  101  102   30   40 1200  1    500", "       1.5         2       3.5",
                                  "C  12  200   10    0    0  2    300", "         9         9         9         9",
                                  "", // a blank line is no record
                                  "  200C  13   15    0    0  1S   250", "",
                                  "  300  301   10   10  100  1    100", "        -1     1.0E2",
                                  "       303   10   10  100  1    100", "         1"}));
    const TArcos& l = Link(101, 102);
    EXPECT_FLOAT_EQ(l.Var[28], 1.5f);
    EXPECT_FLOAT_EQ(l.Var[29], 2.0f);
    EXPECT_FLOAT_EQ(l.Var[30], 3.5f);
    EXPECT_FLOAT_EQ(l.Var[31], 0.0f); // the line holds three values
    EXPECT_FLOAT_EQ(Link(300, 301).Var[28], -1.0f);
    EXPECT_FLOAT_EQ(Link(300, 301).Var[29], 100.0f);
    // Connector lines make no link and no node, and still use their extra-data line.
    EXPECT_EQ(Network.LinkCount, 2);
    EXPECT_EQ(FindNodo(200), 0);
    EXPECT_EQ(ZoneConnectorList.count("   122  200   102    300"), 1u);
    EXPECT_EQ(ZoneConnectorList.count("   132  200   151S   250"), 1u);
    EXPECT_EQ(ZoneConnectorList.size(), 2u);
    // A record without its A node is passed over and reported.
    EXPECT_EQ(FindArco(0, 303), 0);
    EXPECT_TRUE(ErrorsMention("sin nodo A"));
    EXPECT_TRUE(ui.messages.empty());

    // More extra values than a link holds: eight are read, and it is said once.
    ASSERT_TRUE(Read("KNOBS=10,", {"    1    2   10   10  100  1    100",
                                   "         1         2         3         4         5         6         7         8",
                                   "    2    1   10   10  100  1    100", "         1"}));
    EXPECT_FLOAT_EQ(Link(1, 2).Var[35], 8.0f);
    EXPECT_FLOAT_EQ(Link(1, 2).Var[36], 0.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("KNOBS"), std::string::npos);
}

TEST_F(Links, ForwardStarWhenTheLowestNodeHasNoOutgoingLink)
{
    ASSERT_TRUE(Read("", {"    5    1   10   10  100  1    100", "    5    9   10   10  100  2    100",
                          "    7    5   10   10  100  1    100"}));
    // Nodes 1, 5, 7, 9; links (5,1) (5,9) (7,5) (9,5).
    ASSERT_EQ(Network.NodeCount, 4);
    ASSERT_EQ(FirstArc.size(), 6u);
    EXPECT_EQ(FirstArc[1], 1);
    EXPECT_EQ(FirstArc[2], 1); // node 1: empty range
    EXPECT_EQ(FirstArc[3], 3);
    EXPECT_EQ(FirstArc[4], 4);
    EXPECT_EQ(FirstArc[5], 5);
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        for (int32_t k = FirstArc[n]; k < FirstArc[n + 1]; ++k)
            EXPECT_EQ(Arcos[k].AIndex, n);

    // A network without links: every range is empty.
    ASSERT_TRUE(Read("", {}));
    ASSERT_EQ(FirstArc.size(), 2u);
    EXPECT_EQ(FirstArc[1], 1);
}

TEST_F(Links, TenDigitNodeNumbers)
{
    std::vector<std::string> lines;
    ASSERT_TRUE(FileUtils::ReadLines(testutil::dataPath("link_dutch.dat"), lines));
    ASSERT_TRUE(ReadNetwork(lines, settings));
    EXPECT_EQ(Network.Options.NodeWidth, 10);
    ASSERT_EQ(Network.NodeCount, 3);
    ASSERT_EQ(Network.LinkCount, 4);
    EXPECT_EQ(Nodos[1].Number, 999999999);
    EXPECT_EQ(Nodos[3].Number, 2147483647);
    const TArcos& l = Link(1234567890, 2147483647);
    EXPECT_EQ(l.Key, "12345678902147483647");
    EXPECT_EQ(l.StreetName, "AUTOPISTA");
    EXPECT_FLOAT_EQ(l.Var[7], 800.0f);
    EXPECT_EQ(FindArco(2147483647, 1234567890), 4);
    EXPECT_EQ(FindArco(999999999, 1234567890), 1);
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        EXPECT_EQ(Arcos[k].AIndex, FindNodo(Arcos[k].A));
        EXPECT_GT(Arcos[k].BIndex, 0);
    }
    std::vector<int32_t> expected = {1, 1, 2, 3, 5};
    for (size_t k = 1; k < expected.size(); ++k)
        EXPECT_EQ(FirstArc[k], expected[k]) << k;
    EXPECT_EQ(ZoneConnectorList.count("  34521234567890   302    100"), 1u);
    EXPECT_EQ(ZoneConnectorList.count("123452 999999999   302    100"), 1u);

    // One past the largest number: the record is passed over, saying why.
    for (const char* row : {"2147483648 999999999   30   40 1200  1    500    4    1",
                            " 9999999992147483648   30   40 1200  1    500    4    1"}) {
        SCOPED_TRACE(row);
        Network.ErrorList.clear();
        ASSERT_TRUE(Read("DUTCH=T,", {" 999999999 123456789   30   40 1200  1    500    4    1", row}));
        EXPECT_EQ(Network.LinkCount, 1);
        EXPECT_TRUE(ErrorsMention("2147483648 pasa del mayor número de nodo (2147483647)"));
    }
}

TEST_F(Links, RecordsOfArmLinksAndTwoWayRecordsLedByThem)
{
    // Node 9 is named only by the arm; the record 9-100 repeats the arm's link, and
    // its two-way code must still make 100-9 between existing nodes.
    std::vector<std::string> lines = {" &OPTION &END", "PRUEBA", " &PARAM KNOBS=1, &END", "11111", "  100    1    1",
                                      "         9    2   10  100", "99999", "33333",
                                      "    9  100   99   99  999  2    999", "       4.5", "99999", "99999"};
    ASSERT_TRUE(ReadNetwork(lines, settings));
    ASSERT_EQ(Network.LinkCount, 2);
    EXPECT_EQ(Network.LinksByClass[0], 1);
    EXPECT_EQ(Network.LinksByClass[1], 1);
    const TArcos& arm = Link(9, 100);
    EXPECT_FLOAT_EQ(arm.Var[3], 10.0f); // the arm's data
    EXPECT_FLOAT_EQ(arm.Var[28], 4.5f); // the record's extra data
    EXPECT_FLOAT_EQ(arm.Var[6], 2.0f);
    const TArcos& back = Link(100, 9);
    EXPECT_FLOAT_EQ(back.Var[3], 99.0f);
    EXPECT_GT(back.AIndex, 0);
    EXPECT_GT(back.BIndex, 0);
    EXPECT_TRUE(ErrorsMention("Arco 9 - 100: ya definido por un brazo de la intersección 100"));
    const TNodo& j = Nodos[FindNodo(100)];
    EXPECT_EQ(j.Arms[0].ArmLink, FindArco(9, 100));
    EXPECT_EQ(j.Arms[0].OtherIndex, FindNodo(9));
}
