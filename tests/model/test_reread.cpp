// Reading a network text again (reload, or a saved text opened once more): the
// include files already in the text are not inserted twice, the notes about
// unknown nodes do not pile up, and the model comes out the same every time.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace PalvonRead;
using testutil::writeFile;
using ZelUtils::Format;

namespace {

const char* const MainText = " &OPTION &END\r\n"
                             "RED CON ARCHIVOS INCLUIDOS\r\n"
                             " &PARAM NOMADS=0, &END\r\n"
                             "11111\r\n"
                             "$        cruces.dat\r\n"
                             "99999\r\n"
                             "33333\r\n"
                             "  101  102   10   20 9000  2    100    4    1\r\n"
                             "$        arcos.dat\r\n"
                             "99999\r\n"
                             "55555\r\n"
                             "  101 1000 1000\r\n"
                             "  102 1100 1000\r\n"
                             "  103 1300 1000\r\n"
                             "  104 1200 1100\r\n"
                             "  150 1100 1100\r\n"
                             "  151 1200 1200\r\n"
                             "99999\r\n"
                             "66666\r\n"
                             "$        lineas.dat\r\n"
                             "99999\r\n"
                             "99999\r\n";
const char* const Junctions = "  102    3    1\n"
                              "       101    1   10  100 1800  1 1 1800  1 1\n"
                              "       104    1   10  500 1800  1 1 1800  1 1\n"
                              "       150    1   10  100 1800  1 1 1800  1 1\n";
const char* const Links = "  102  104   10   20  100  2    500    4    1\n"
                          "  102  150   10   20 9000  2    100    4    1\n"
                          "  150  151   10   20 9000  2    100    4    1\n"
                          "  151  103   10   20 9000  1    100    4    1\n"
                          "  103  104   10   20  100  2    500    4    1\n";
const char* const TransitLines = "L1  A   10    4  101  102  104  103\n"
                                 "L4  D    7    3  103  999  104\n"
                                 "L6  E    4    2  998  104\n";

// What a read leaves in the model, to compare reads with.
struct Snapshot {
    std::vector<int32_t> counts;
    std::vector<std::vector<float>> links;
    std::vector<std::vector<float>> movements;
    std::vector<std::vector<int32_t>> stops;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take()
{
    Snapshot s;
    s.counts = {Network.NodeCount, Network.LinkCount, Network.MovementCount, Network.LineCount, Network.TransitBlockCount,
                Network.SignalCount, Network.ZoneCount};
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        std::vector<float> v(std::begin(Arcos[k].Var), std::end(Arcos[k].Var));
        v.push_back(static_cast<float>(Arcos[k].A));
        v.push_back(static_cast<float>(Arcos[k].B));
        s.links.push_back(std::move(v));
    }
    for (int32_t k = 1; k <= Network.MovementCount; ++k)
        s.movements.emplace_back(std::begin(Movims[k].Var), std::end(Movims[k].Var));
    for (int32_t k = 1; k <= Network.LineCount; ++k)
        s.stops.push_back(Lineas[k].Stops);
    return s;
}

size_t CountOf(const std::vector<std::string>& lines, const std::string& text)
{
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), text));
}

class Reread : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        writeFile(tmp.file("red.dat"), MainText);
        writeFile(tmp.file("cruces.dat"), Junctions);
        writeFile(tmp.file("arcos.dat"), Links);
        writeFile(tmp.file("lineas.dat"), TransitLines);
        settings.NetworkDatFile = tmp.file("red.dat");
        ASSERT_TRUE(FileUtils::ReadLines(settings.NetworkDatFile, lines));
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    std::vector<std::string> lines;
};

} // namespace

TEST_F(Reread, SameTextReadThreeTimesGivesTheSameModel)
{
    ASSERT_TRUE(ReadNetwork(lines, settings));
    const Snapshot first = Take();
    const std::vector<std::string> firstText = lines;
    const std::vector<std::string> firstMessages = ui.messages;
    // The includes are in, each once, and the two unknown nodes are noted.
    EXPECT_EQ(first.counts[1], 11); // three from the junction's arms, eight from records
    EXPECT_EQ(first.counts[3], 3);
    EXPECT_GT(first.counts[2], 0);
    EXPECT_EQ(lines.size(), 22u + 3 * 2 + 4 + 5 + 3 + 2);
    EXPECT_EQ(CountOf(lines, "*** Velmora: Nodo 999 no encontrado"), 1u);
    EXPECT_EQ(CountOf(lines, "*** Velmora: Nodo 998 no encontrado"), 1u);
    EXPECT_EQ(Arcos[KDVlib::FindArco(102, 104)].Var[41], 10.0f);

    for (int round = 2; round <= 3; ++round) {
        ui.messages.clear();
        ASSERT_TRUE(ReadNetwork(lines, settings));
        EXPECT_EQ(Take(), first) << "read " << round;
        EXPECT_EQ(lines, firstText) << "read " << round;
        EXPECT_EQ(ui.messages, firstMessages) << "read " << round;
    }
    // Nothing was given twice, so nothing is reported as repeated.
    EXPECT_FALSE(ui.anyMessageContains("repetid"));
}

TEST_F(Reread, SavedTextOpenedElsewhereReadsTheLinesItHolds)
{
    ASSERT_TRUE(ReadNetwork(lines, settings));
    const Snapshot first = Take();
    // The saved text moves to a folder without the include files.
    testutil::TempDir other;
    writeFile(other.file("copia.dat"), FileUtils::JoinCrLf(lines));
    settings.NetworkDatFile = other.file("copia.dat");
    std::vector<std::string> reopened;
    ASSERT_TRUE(FileUtils::ReadLines(settings.NetworkDatFile, reopened));
    const std::vector<std::string> saved = reopened;
    ui.messages.clear();
    ASSERT_TRUE(ReadNetwork(reopened, settings));
    EXPECT_FALSE(ui.anyMessageContains("INCLUDE"));
    EXPECT_EQ(Take(), first);
    EXPECT_EQ(reopened, saved);
}

TEST_F(Reread, EditedTextTakesEffectAndOldNotesGo)
{
    ASSERT_TRUE(ReadNetwork(lines, settings));
    // The user edits an included record and the line that named node 999.
    for (auto& l : lines) {
        if (l.rfind("  102  104   10   20  100", 0) == 0)
            l = "  102  104   10   20  250  2    500    4    1";
        if (l.rfind("L4  D", 0) == 0)
            l = "L4  D    7    3  103  997  104";
    }
    ASSERT_TRUE(ReadNetwork(lines, settings));
    EXPECT_EQ(Arcos[KDVlib::FindArco(102, 104)].Var[5], 250.0f);
    EXPECT_EQ(CountOf(lines, "*** Velmora: Nodo 999 no encontrado"), 0u);
    auto l4 = std::find(lines.begin(), lines.end(), "L4  D    7    3  103  997  104");
    ASSERT_NE(l4, lines.end());
    EXPECT_EQ(l4[1], "*** Velmora: Nodo 997 no encontrado");
    EXPECT_EQ(l4[2], "L6  E    4    2  998  104");

    // Node 998 joins the network (a coordinates-only node is not enough: a link).
    auto links = std::find(lines.begin(), lines.end(), "$        arcos.dat");
    ASSERT_NE(links, lines.end());
    lines.insert(links, "  998  104   10   20  100  2    500    4    1");
    ASSERT_TRUE(ReadNetwork(lines, settings));
    EXPECT_EQ(CountOf(lines, "*** Velmora: Nodo 998 no encontrado"), 0u);
    EXPECT_EQ(Lineas[KDVlib::FindLinea("L6")].Stops, (std::vector<int32_t>{2, 998, 104}));
}

TEST_F(Reread, IncludeLineNamingAnotherFileReplacesTheOldLines)
{
    ASSERT_TRUE(ReadNetwork(lines, settings));
    writeFile(tmp.file("otras.dat"), "L9  Z    6    2  101  102\n");
    for (auto& l : lines)
        if (l == "$        lineas.dat")
            l = "$        otras.dat";
    ASSERT_TRUE(ReadNetwork(lines, settings));
    EXPECT_EQ(Network.LineCount, 1);
    EXPECT_EQ(CountOf(lines, "*** Velmora: Insertando archivo lineas.dat"), 0u);
    EXPECT_EQ(CountOf(lines, "L1  A   10    4  101  102  104  103"), 0u);
    EXPECT_EQ(CountOf(lines, "*** Velmora: Nodo 999 no encontrado"), 0u);
    auto dollar = std::find(lines.begin(), lines.end(), "$        otras.dat");
    ASSERT_NE(dollar, lines.end());
    EXPECT_EQ(dollar[1], "*** Velmora: Insertando archivo otras.dat");
    EXPECT_EQ(dollar[2], "L9  Z    6    2  101  102");
    EXPECT_EQ(dollar[3], "*** Velmora: Fin archivo otras.dat");
    EXPECT_EQ(dollar[4], "99999");
}

// An inserted block whose end marker the user removed: where it stops is not
// known, so the next read takes nothing away and inserts nothing, whether the
// "$" line still names its file or names another one; the user is told once.
TEST_F(Reread, IncludeWithoutItsEndMarkerKeepsTheRestOfTheText)
{
    for (const char* dollar : {"$        arcos.dat", "$        otras.dat"}) {
        SCOPED_TRACE(dollar);
        ASSERT_TRUE(ReadNetwork(lines, settings));
        writeFile(tmp.file("otras.dat"), "  101  104   10   20  100  2    500    4    1\n");
        auto end = std::find(lines.begin(), lines.end(), "*** Velmora: Fin archivo arcos.dat");
        ASSERT_NE(end, lines.end());
        lines.erase(end);
        for (auto& l : lines)
            if (l == "$        arcos.dat")
                l = dollar;
        const std::vector<std::string> before = lines;
        ui.messages.clear();
        ASSERT_TRUE(ReadNetwork(lines, settings));
        EXPECT_EQ(lines, before);
        EXPECT_EQ(std::count_if(ui.messages.begin(), ui.messages.end(),
                                [](const std::string& m) {
                                    return m.find("falta la línea \"*** Velmora: Fin archivo arcos.dat\"") !=
                                           std::string::npos;
                                }),
                  1);
        // Put back as it was for the next row.
        SetUp();
    }
}

TEST_F(Reread, RecordsGivenTwiceAreReported)
{
    // The same junctions and links included a second time.
    for (size_t k = 0; k < lines.size(); ++k)
        if (lines[k] == "$        cruces.dat" || lines[k] == "$        arcos.dat") {
            lines.insert(lines.begin() + static_cast<long>(k) + 1, lines[k]);
            ++k;
        }
    ASSERT_TRUE(ReadNetwork(lines, settings));
    EXPECT_EQ(Network.LinkCount, 11);
    EXPECT_TRUE(ui.anyMessageContains("Registros repetidos en la red (detalle en Errores.txt):\r"));
    EXPECT_TRUE(ui.anyMessageContains("\rIntersecciones repetidas: 1"));
    // Eight links from the included records; 104-102 and 150-102 are arms of the
    // junction, whose records are the usual way to give them data.
    EXPECT_TRUE(ui.anyMessageContains("\rArcos repetidos en la sección 33333: 7"));
    EXPECT_FALSE(ui.anyMessageContains("brazo"));
    const std::string errors = testutil::readFile(Network.ErrorListFile);
    EXPECT_NE(errors.find("Intersección 102 repetida"), std::string::npos);
    EXPECT_NE(errors.find("Arco 150 - 151 repetido"), std::string::npos);
}

TEST_F(Reread, ManyNotesAndLongIncludesLandInOrder)
{
    // A line naming 3,000 unknown nodes (13 to a text line) in front of a long
    // ignored section: all notes follow the line's last text line, in order, and
    // every other line keeps its place.
    std::vector<std::string> text = {" &OPTION &END", "T", " &PARAM &END", "33333",
                                     "  101  102   10   20 9000  2    100    4    1", "99999", "66666"};
    const int n = 3000;
    std::string cur = Format("L1  A   10%5d", n);
    for (int i = 0; i < n; ++i) {
        if (i > 0 && i % 13 == 0) {
            text.push_back(cur);
            cur = std::string(15, ' ');
        }
        cur += Format("%5d", 20000 + i);
    }
    text.push_back(cur);
    const size_t lastOfLine = text.size() - 1;
    text.push_back("99999");
    text.push_back("77777");
    std::string big;
    for (int i = 0; i < 5000; ++i)
        big += Format("include %d\n", i);
    writeFile(tmp.file("largo.dat"), big);
    text.push_back("$        largo.dat");
    for (int i = 0; i < 2000; ++i)
        text.push_back(Format("relleno %d", i));
    text.push_back("99999");
    text.push_back("99999");
    std::vector<std::string> read = text;
    ASSERT_TRUE(ReadNetwork(read, settings));
    ASSERT_EQ(read.size(), text.size() + n + 5000 + 2);
    EXPECT_TRUE(std::equal(text.begin(), text.begin() + static_cast<long>(lastOfLine) + 1, read.begin()));
    for (int i = 0; i < n; ++i)
        ASSERT_EQ(read[lastOfLine + 1 + static_cast<size_t>(i)], Format("*** Velmora: Nodo %d no encontrado", 20000 + i));
    size_t dollar = lastOfLine + 1 + n + 2;
    ASSERT_EQ(read[dollar], "$        largo.dat");
    EXPECT_EQ(read[dollar + 1], "*** Velmora: Insertando archivo largo.dat");
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(read[dollar + 2 + static_cast<size_t>(i)], Format("include %d", i));
    EXPECT_EQ(read[dollar + 5002], "*** Velmora: Fin archivo largo.dat");
    EXPECT_EQ(read.back(), "99999");
    EXPECT_EQ(read[read.size() - 3], "relleno 1999");
    // Read again: nothing changes.
    std::vector<std::string> again = read;
    ASSERT_TRUE(ReadNetwork(again, settings));
    EXPECT_EQ(again, read);
}
