// The frame of the network data file: namelists, sections, terminators, includes,
// early ends and capacity refusals; line ends and UTF-8 in any place of a line.
#include "model/FileUtils.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/SavedNetwork.h"
#include "model/TextCodec.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <random>

#include <algorithm>
#include <functional>

#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace PalvonRead;

namespace {

std::vector<std::string> Text(std::initializer_list<const char*> lines)
{
    return std::vector<std::string>(lines.begin(), lines.end());
}

class ReaderFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        settings.NetworkDatFile = tmp.file("red.dat");
    }
    bool Read(std::vector<std::string>& lines) { return ReadNetwork(lines, settings); }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
};

} // namespace

TEST_F(ReaderFrame, NamelistKeysWithBlanksAndDefaults)
{
    auto lines = Text({" &OPTION", " PLOD = T &END", "TITULO de prueba", " &PARAM DUTCH = T, NOMADS=1, ALEX=3.5,",
                       " BUSPCU(3)=2.5, KNOBS=2, FLAREX=1.25, XYFORM='2F12.3' &END", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_EQ(Network.Options.PLOD, 1);
    EXPECT_EQ(Network.Options.NetworkTitle, "TITULO DE PRUEBA");
    EXPECT_EQ(Network.Options.OptionLines.size(), 2u);
    EXPECT_EQ(Network.Options.DUTCH, 1);
    EXPECT_EQ(Network.Options.NodeWidth, 10);
    EXPECT_EQ(Network.Options.NOMADS, 0); // one user class is read as none
    EXPECT_FLOAT_EQ(Network.Options.ALEX, 3.5f);
    EXPECT_FLOAT_EQ(Network.Options.FLAREX, 1.25f);
    EXPECT_FLOAT_EQ(Network.Options.FLAREF, 2.0f);
    EXPECT_FLOAT_EQ(Network.Options.BUSPCU[3], 2.5f);
    EXPECT_FLOAT_EQ(Network.Options.BUSPCU[1], 1.0f);
    EXPECT_EQ(Network.Options.KNOBS, 2);
    EXPECT_EQ(Network.Options.XWidth, 12);
    EXPECT_EQ(Network.Options.ParamFields.size(), 8u); // the trailing comma leaves an empty field
    EXPECT_EQ(Network.Loaded, 1);

    // The next read starts from the defaults again.
    auto second = Text({" &OPTION &END", "T", " &PARAM NOMADS=2&END", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(second));
    EXPECT_EQ(Network.Options.PLOD, 0);
    EXPECT_EQ(Network.Options.DUTCH, 0);
    EXPECT_EQ(Network.Options.NodeWidth, 5);
    EXPECT_EQ(Network.Options.NOMADS, 2);
    EXPECT_FLOAT_EQ(Network.Options.ALEX, 5.75f);
    EXPECT_EQ(Network.Options.KNOBS, 0);

    // A format without a width keeps the default widths (empty fields would read 0).
    auto noWidth = Text({" &OPTION &END", "T", " &PARAM XYFORM='2F' &END", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(noWidth));
    EXPECT_EQ(Network.Options.XWidth, 15);
    EXPECT_NE(testutil::readFile(Network.ErrorListFile).find("XYFORM"), std::string::npos);
}

TEST_F(ReaderFrame, FilknbNameKeepsItsCaseAndResolvesBesideTheNetwork)
{
    testutil::writeFile(tmp.file("Datos.Knb"), "x\n");
    auto lines = Text({" &OPTION &END", "T", " &PARAM FILKNB='datos.knb' &END", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_EQ(Network.Options.FILKNB, 1);
    EXPECT_EQ(Network.Options.FilknbFileName, tmp.file("Datos.Knb"));

    // Unquoted, on a line that kept its CR: the CR is no part of the name.
    auto crLines = Text({" &OPTION &END", "T", " &PARAM FILKNB=datos.knb\r", " &END", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(crLines));
    EXPECT_EQ(Network.Options.FilknbFileName, tmp.file("Datos.Knb"));
}

TEST(Terminators, OnlyTheTerminatorForms)
{
    for (const char* s : {"99999", "9999 ", "999 ", "99 ", "9 ", "9 FIN", "999999"})
        EXPECT_TRUE(IsTerminator(s)) << s;
    for (const char* s : {"9", "99", "9999", "91", " 9", ""})
        EXPECT_FALSE(IsTerminator(s)) << '"' << s << '"';
}

// Line ends and UTF-8 are found wherever they stand in a line, long runs of plain
// bytes before them or not.
TEST(Terminators, LineEndsAndUtf8AtEveryOffset)
{
    for (const std::string end : {"\n", "\r", "\r\n"})
        for (size_t a = 0; a < 20; ++a)
            for (size_t b = 0; b < 20; b += 3) {
                const std::string first(a, 'x'), second(b, 'y');
                const std::vector<std::string> expected = {first, second};
                EXPECT_EQ(FileUtils::SplitLines(first + end + second + end), expected) << a << " " << b;
            }
    // The count of lines is the lines' own, for any mix of ends at any offset.
    std::mt19937 random(53);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const size_t length = random() % (round % 10 == 0 ? 5000 : 300);
        for (size_t k = 0; k < length; ++k) {
            const unsigned pick = static_cast<unsigned>(random() % 16);
            text += pick == 0 ? '\r' : pick == 1 ? '\n' : static_cast<char>('a' + pick);
        }
        size_t visited = 0;
        FileUtils::ForEachLine(text, [&](size_t, size_t) { ++visited; });
        ASSERT_EQ(FileUtils::CountLines(text), visited) << round;
    }
    // A line as read is the line upper-cased in 'a'..'z' alone, whatever its length.
    std::string asRead;
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        for (size_t k = random() % 70; k > 0; --k)
            line += static_cast<char>(random() % 2 ? 'a' + random() % 26 : random() % 256);
        std::string expected = line;
        for (char& c : expected)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        PalvonRead::LineAsRead(line + "\r", asRead);
        ASSERT_EQ(asRead, expected) << round;
    }
    for (const std::string end : {"\n", "\r", "\r\n", "\n\r"}) {
        std::string text;
        for (int k = 0; k < 3000; ++k)
            text += end;
        EXPECT_EQ(FileUtils::CountLines(text), FileUtils::SplitLines(text).size());
    }
    for (size_t at = 0; at < 20; ++at) {
        std::string text(24, 'a');
        EXPECT_TRUE(TextCodec::IsValidUtf8(text.substr(0, at) + "\xC3\x93" + text.substr(at))) << at;
        EXPECT_FALSE(TextCodec::IsValidUtf8(text.substr(0, at) + "\xD3" + text.substr(at))) << at;
        text[at] = '\x80';
        EXPECT_FALSE(TextCodec::IsValidUtf8(text)) << at;
    }
    // A text's lines: a character cut by a line end is no character, however the
    // bytes of the lines lie one after the other; one stray byte anywhere is found.
    const std::string line(45, 'a');
    EXPECT_TRUE(TextCodec::IsValidUtf8(TTextLines({line, line, "", line})));
    EXPECT_FALSE(TextCodec::IsValidUtf8(TTextLines({line + "\xC3", "\x93" + line})));
    for (size_t at = 0; at < 3 * line.size(); at += 7) {
        std::vector<std::string> lines(3, line);
        lines[at / line.size()][at % line.size()] = '\x80';
        EXPECT_FALSE(TextCodec::IsValidUtf8(TTextLines(lines))) << at;
    }
    // A message of the program's (UTF-8) holding a name in Windows-1252: the words
    // and the name each show as what they are.
    const std::pair<std::string, QString> said[] = {
        {"L\xC3\xADnea \xD1U: faltan nodos", QString::fromUtf8("Línea ÑU: faltan nodos")},
        {"L\xC3\xADnea \xC3\x91U", QString::fromUtf8("Línea ÑU")},
        {"\x80 \xC3", QString::fromUtf8("€ Ã")}};
    for (const auto& [bytes, shown] : said)
        EXPECT_EQ(TextCodec::DecodeMixed(bytes), shown) << bytes;
}

TEST_F(ReaderFrame, SectionsFoundInTheirOrder)
{
    auto lines = Text({" &OPTION &END", "T", " &PARAM &END", "11111", "9 ", "33333", "9 ", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_EQ(Network.SectionPresent[0], 1);
    EXPECT_EQ(Network.SectionPresent[1], 0);
    EXPECT_EQ(Network.SectionPresent[2], 1);
    for (int s = 3; s < 8; ++s)
        EXPECT_EQ(Network.SectionPresent[s], 0) << s;
    EXPECT_EQ(Network.NoJunctionData, 0);
    EXPECT_EQ(Network.TransitBlockCount, 0);
    EXPECT_TRUE(ui.enabledItems["AnalisisIntersecciones"]);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReaderFrame, TransitBlocksAreCountedAndCommentsSkipped)
{
    auto lines = Text({" &OPTION &END", "T", "* comentario", " &PARAM &END", "33333", "99999", "66666", "* nota", "99999", "66666",
                       "99999", "77777", "cualquier cosa", "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_EQ(Network.TransitBlockCount, 2);
    EXPECT_EQ(Network.SectionPresent[5], 1);
    EXPECT_EQ(Network.SectionPresent[6], 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReaderFrame, LineOpeningNoLaterSectionIsReported)
{
    auto lines = Text({" &OPTION &END", "T", " &PARAM &END", "11111", "99999", "55555", "99999", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_TRUE(ui.anyMessageContains("no corresponde a ninguna"));
    ASSERT_FALSE(Network.ErrorList.empty());
    EXPECT_NE(Network.ErrorList.back().find("33333"), std::string::npos);
    // A spare terminator or blank lines after the last section are not reported.
    ui.messages.clear();
    auto spare = Text({" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "55555", "99999", "99999", "", "* fin", "   "});
    ASSERT_TRUE(Read(spare));
    EXPECT_TRUE(ui.messages.empty());
    // A blank line between two sections leaves the later one unread: that is reported.
    auto gap = Text({" &OPTION &END", "T", " &PARAM &END", "11111", "99999", "", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(gap));
    EXPECT_EQ(Network.SectionPresent[2], 0);
    EXPECT_TRUE(ui.anyMessageContains("La línea 6 no corresponde a ninguna"));
}

// A text that ends inside its namelists holds no network: refused with one message,
// nothing loaded. One that ends inside a section keeps what was read, with a warning.
TEST_F(ReaderFrame, EarlyEndOfFileRefusesOrEndsCleanlyWithAWarning)
{
    struct Case {
        std::vector<std::string> lines;
        const char* where;
        bool refused;
    };
    std::vector<Case> cases = {
        {Text({}), "&OPTION", true},
        {Text({" &OPTION PLOD=T"}), "&OPTION", true},
        {Text({" &OPTION &END"}), "falta el título", true},
        {Text({" &OPTION &END", "T", " &PARAM NOMADS=2,"}), "&PARAM", true},
        {Text({" &OPTION &END", "T", " &PARAM &END"}), "no hay secciones", true},
        {Text({" &OPTION &END", "T", " &PARAM &END", "33333", "    1    2"}), "33333", false},
        {Text({" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "55555", "99999"}), "55555", false},
    };
    for (auto& c : cases) {
        ui.messages.clear();
        Network.ErrorList.clear();
        EXPECT_EQ(Read(c.lines), !c.refused) << c.where;
        EXPECT_EQ(Network.Loaded, c.refused ? 0 : 1) << c.where;
        ASSERT_EQ(ui.messages.size(), 1u) << c.where;
        EXPECT_TRUE(ui.anyMessageContains("termina antes de lo esperado")) << c.where;
        EXPECT_EQ(ui.anyMessageContains("La red no se ha cargado"), c.refused) << c.where;
        EXPECT_NE(testutil::readFile(Network.ErrorListFile).find(c.where), std::string::npos) << c.where;
    }
    // The window's openings refuse a section cut short rather than show half a network.
    settings.RefuseIncomplete = true;
    auto cut = Text({" &OPTION &END", "T", " &PARAM &END", "33333", "    1    2"});
    ui.messages.clear();
    EXPECT_FALSE(Read(cut));
    EXPECT_TRUE(ui.anyMessageContains("La red no se ha cargado"));
    settings.RefuseIncomplete = false;
    // Later sections without any junction or link section before them: no network.
    auto noNetwork = Text({" &OPTION &END", "T", " &PARAM &END", "55555", "  101 1000 1000", "99999", "66666",
                           "99999", "99999"});
    ui.messages.clear();
    EXPECT_FALSE(Read(noNetwork));
    EXPECT_EQ(Network.Loaded, 0);
    EXPECT_EQ(Network.NodeCount, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "El archivo red.dat no tiene ninguna sección de nodos ni de arcos (11111, 22222 o "
                              "33333).\rLa red no se ha cargado.");
}

TEST_F(ReaderFrame, TabLinesAreWarnedButRead)
{
    auto lines = Text({" &OPTION &END", "T\tX", " &PARAM KNOBS=1 &END", "33333", "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_TRUE(ui.anyMessageContains("TAB"));
    EXPECT_EQ(Network.Options.KNOBS, 1);
    // Six such lines: five shown one by one, the sixth counted in one summary; the
    // count starts afresh with the next network.
    for (int round = 0; round < 2; ++round) {
        ui.messages.clear();
        auto six = Text({" &OPTION &END", "T\tX", " &PARAM KNOBS=1 &END", "33333", "99999", "55555",
                         "    1          500.0         1000.0\t", "    2         1500.0         1000.0\t",
                         "    3         1500.0         1800.0\t", "    4          500.0         1800.0\t",
                         "    5          900.0         1400.0\t", "99999", "99999"});
        ASSERT_TRUE(Read(six)) << round;
        EXPECT_EQ(std::count_if(ui.messages.begin(), ui.messages.end(),
                                [](const std::string& m) { return m.find("Lectura incierta") != std::string::npos; }),
                  5)
            << round;
        EXPECT_TRUE(ui.anyMessageContains("1 líneas más con caracter \"TAB\"")) << round;
        EXPECT_EQ(Network.Loaded, 1) << round;
    }
}

TEST_F(ReaderFrame, IncludesAreExpandedIntoTheText)
{
    testutil::writeFile(tmp.file("Parte1.DAT"), "linea a\r\n$        parte2.dat\r\nlinea b\r\n");
    testutil::writeFile(tmp.file("parte2.dat"), "linea c\n");
    auto lines = Text({" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "77777", "$        parte1.dat", "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_TRUE(ui.messages.empty());
    std::vector<std::string> expected = {
        " &OPTION &END", "T", " &PARAM &END", "33333", "99999", "77777", "$        parte1.dat",
        "*** Velmora: Insertando archivo parte1.dat", "linea a", "$        parte2.dat",
        "*** Velmora: Insertando archivo parte2.dat", "linea c", "*** Velmora: Fin archivo parte2.dat", "linea b",
        "*** Velmora: Fin archivo parte1.dat", "99999", "99999"};
    EXPECT_EQ(lines, expected);

    // Sixteen files nested in one another are all read; the seventeenth is refused.
    for (int k = 1; k <= 17; ++k)
        testutil::writeFile(tmp.file(ZelUtils::Format("n%d.dat", k)), ZelUtils::Format("$        n%d.dat\n", k + 1));
    auto nested = Text({" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "77777", "$        n1.dat", "99999", "99999"});
    ASSERT_TRUE(Read(nested));
    EXPECT_EQ(std::count(nested.begin(), nested.end(), "*** Velmora: Insertando archivo n16.dat"), 1);
    EXPECT_EQ(std::count(nested.begin(), nested.end(), "*** Velmora: Insertando archivo n17.dat"), 0);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"INCLUDE n17.dat: demasiados archivos anidados"}));
}

// The caps of what includes may add, at their limit and one past it: the number of
// files (the same small one again and again) and the bytes of included text (line
// ends counted as two).
TEST_F(ReaderFrame, IncludeCapsHoldAtTheirLimitAndRefuseOnePast)
{
    testutil::writeFile(tmp.file("x.dat"), "* nota\r\n");
    const std::string line = "*" + std::string(8189, 'x') + "\r\n";
    std::string big;
    big.reserve(64u << 20);
    for (int k = 0; k < 8192; ++k)
        big += line;
    ASSERT_EQ(big.size(), 64u << 20);
    testutil::writeFile(tmp.file("big.dat"), big);
    big.insert(0, "x");
    testutil::writeFile(tmp.file("big1.dat"), big);
    big.clear();
    big.shrink_to_fit();
    const struct {
        const char* file;
        int times;
        const char* refusal; // nullptr: read
    } rows[] = {
        {"x.dat", 1000, nullptr},
        {"x.dat", 1001, "más de 1000 archivos incluidos"},
        {"big.dat", 1, nullptr},
        {"big1.dat", 1, "INCLUDE big1.dat"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.file) + " x" + std::to_string(r.times));
        std::vector<std::string> lines = {" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "77777"};
        lines.insert(lines.end(), size_t(r.times), std::string("$        ") + r.file);
        lines.insert(lines.end(), {"99999", "99999"});
        ui.messages.clear();
        EXPECT_EQ(Read(lines), r.refusal == nullptr);
        if (r.refusal) {
            EXPECT_TRUE(ui.anyMessageContains(r.refusal));
        } else {
            EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
        }
    }
}

TEST_F(ReaderFrame, MissingAndSelfIncludesAreReportedNotFollowed)
{
    testutil::writeFile(tmp.file("bucle.dat"), "x\n$        bucle.dat\n");
    auto lines = Text({" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "77777", "$        falta.dat", "$        bucle.dat",
                       "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_TRUE(ui.anyMessageContains("INCLUDE falta.dat no existe"));
    EXPECT_TRUE(ui.anyMessageContains("bucle.dat se incluye a sí mismo"));
    // The looping file was inserted once, its own include line left unexpanded.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "*** Velmora: Insertando archivo bucle.dat"), 1);
    EXPECT_EQ(Network.Loaded, 1);
}

TEST_F(ReaderFrame, UnreadableIncludeIsReported)
{
    // Files that exist but cannot be read as text, whoever runs the program: a picture
    // included by mistake, and a file past the size the reader takes (sparse: no disk used).
    testutil::writeFile(tmp.file("foto.dat"), std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    testutil::writeFile(tmp.file("enorme.dat"), "linea\n");
    std::filesystem::resize_file(tmp.file("enorme.dat"), FileUtils::MaxDataFileBytes + 1);
    auto lines = Text({" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "77777", "$        foto.dat", "$        enorme.dat",
                       "99999", "99999"});
    ASSERT_TRUE(Read(lines));
    EXPECT_TRUE(ui.anyMessageContains("INCLUDE foto.dat no se puede leer"));
    EXPECT_TRUE(ui.anyMessageContains("INCLUDE enorme.dat no se puede leer"));
    EXPECT_EQ(lines.size(), 10u); // nothing inserted
}

// Seven small files that each name the next a thousand times would expand to tens
// of gigabytes, and a file of /proc says it is empty but has no end: in a process
// held to 2 GB of address space, either one is refused with one message while
// the network read before stays as it was (kept aside, as an opening does).
TEST_F(ReaderFrame, IncludeBombsAndEndlessFilesRefuseTheNetwork)
{
    for (char c = 'a'; c < 'g'; ++c) {
        std::string text;
        for (int i = 0; i < 1000; ++i)
            text += ZelUtils::Format("$        %c.dat\r\n", c + 1);
        testutil::writeFile(tmp.file(std::string(1, c) + ".dat"), text);
    }
    testutil::writeFile(tmp.file("g.dat"), std::string(11000, 'x') + "\r\n");
    const auto network = [](const char* include) {
        return Text({" &OPTION &END", "T", " &PARAM &END", "33333", include,
                     "  101  102   30   40 1200  2    500    4    1CALLE MAYOR", "99999", "99999"});
    };
    for (const char* include : {"$        a.dat", "$        /proc/self/pagemap"}) {
        SCOPED_TRACE(include);
        const pid_t pid = testutil::Fork();
        if (pid == 0) {
            rlimit as{2ull << 30, 2ull << 30};
            ::setrlimit(RLIMIT_AS, &as);
            auto good = network("* sin include");
            if (!Read(good) || Network.LinkCount == 0)
                ::_exit(2);
            const int32_t links = Network.LinkCount;
            ui.messages.clear();
            PalvonRead::SavedNetwork earlier;
            earlier.Keep();
            auto bomb = network(include);
            const bool read = Read(bomb);
            earlier.Restore();
            if (read || Network.Loaded != 1 || Network.LinkCount != links || Arcos[1].A != 101)
                ::_exit(3);
            if (ui.messages.size() != 1 || ui.messages[0].find("La red no se ha cargado") == std::string::npos ||
                ui.messages[0].find("INCLUDE") == std::string::npos)
                ::_exit(4);
            ::_exit(0);
        }
        int status = -1;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

TEST_F(ReaderFrame, OverflowingNamelistsRefuseTheNetwork)
{
    std::vector<std::string> lines = {" &OPTION"};
    for (int i = 0; i < 20; ++i)
        lines.push_back(" PLOD=F");
    lines.push_back(" &END");
    EXPECT_FALSE(Read(lines));
    EXPECT_EQ(Network.Loaded, 0);
    EXPECT_TRUE(ui.anyMessageContains("capacidad"));
    EXPECT_NE(testutil::readFile(Network.ErrorListFile).find("&OPTION"), std::string::npos);

    // A refused read shows nothing of the network read before it.
    auto before = Text({" &OPTION &END", "TITULO", " &PARAM &END", "33333", "99999", "66666", "99999", "66666", "99999", "99999"});
    ASSERT_TRUE(Read(before));
    ASSERT_EQ(Network.TransitBlockCount, 2);
    std::string fields;
    for (int i = 0; i < 400; ++i)
        fields += "A=1,";
    std::vector<std::string> params = {" &OPTION &END", "T", " &PARAM " + fields, " &END"};
    ui.messages.clear();
    EXPECT_FALSE(Read(params));
    EXPECT_EQ(Network.Loaded, 0);
    EXPECT_EQ(Network.TransitBlockCount, 0);
    EXPECT_EQ(Network.SectionPresent[5], 0);
    EXPECT_EQ(ui.messages.size(), 1u);
    // An early end before the title leaves no stale title either.
    ASSERT_TRUE(Read(before));
    auto noTitle = Text({" &OPTION &END"});
    ASSERT_FALSE(Read(noTitle));
    EXPECT_EQ(Network.Options.NetworkTitle, "");
    EXPECT_EQ(Network.TransitBlockCount, 0);
}

TEST(RecordCreation, CapacitiesAreHardLimits)
{
    RecordingServices ui;
    ClearNetwork();
    EXPECT_EQ(Network.NodeCount, 0);
    EXPECT_EQ(Network.MinX, UnsetHigh);
    EXPECT_EQ(Network.MaxY, UnsetLow);
    for (int i = 1; i <= MaxNodos; ++i)
        ASSERT_EQ(NodeIndex(1000 + i), i);
    EXPECT_EQ(NodeIndex(1001), 1); // found, not created again
    EXPECT_THROW(NodeIndex(5), CapacityError);
    EXPECT_EQ(Network.NodeCount, MaxNodos);

    EXPECT_EQ(NewLink(), 1);
    EXPECT_EQ(ArcosMaxRec, 2);
    while (Network.LinkCount < MaxArcos - 1)
        NewLink();
    EXPECT_THROW(NewLink(), CapacityError);
    EXPECT_EQ(ArcosMaxRec, MaxArcos); // the maxima record still fits
    while (Network.MovementCount < MaxMovims - 1)
        NewMovement();
    EXPECT_THROW(NewMovement(), CapacityError);
    while (Network.ZoneCount < MaxZonas)
        NewZone();
    EXPECT_THROW(NewZone(), CapacityError);
    EXPECT_EQ(NewSignal(), 0);
    while (Network.SignalCount <= MaxFases)
        NewSignal();
    EXPECT_THROW(NewSignal(), CapacityError);
    while (Network.LineCount < MaxLineas)
        NewLine();
    EXPECT_THROW(NewLine(), CapacityError);
    EXPECT_THROW(Arcos[MaxArcos + 1], std::out_of_range);
    ClearNetwork();
}

TEST(RecordCreation, NodeIndexInitialisesOnlyNewRecords)
{
    RecordingServices ui;
    ClearNetwork();
    int i = NodeIndex(77);
    EXPECT_EQ(Nodos[i].Flags, 1);
    EXPECT_EQ(Nodos[i].X, UnsetLow);
    Nodos[i].Flags = 4;
    Nodos[i].X = 10.0f;
    EXPECT_EQ(NodeIndex(77), i);
    EXPECT_EQ(Nodos[i].Flags, 4);
    EXPECT_EQ(Nodos[i].X, 10.0f);
    EXPECT_FALSE(ui.enabledItems["Jtype3"]);
}

// Every record a read writes goes aside with the network kept, a refused read sees
// none of them, and each comes back as it was.
TEST(SavedNetworkRecords, EveryRecordGoesAsideAndComesBackAsItWas)
{
    struct Row {
        const char* name;
        std::function<void(int32_t)> set;
        std::function<int32_t()> get;
    };
    const std::vector<Row> rows = {
        {"Network", [](int32_t v) { Network.LinkCount = v; }, [] { return Network.LinkCount; }},
        {"Nodos", [](int32_t v) { Nodos[1].Number = v; }, [] { return Nodos[1].Number; }},
        {"Arcos", [](int32_t v) { Arcos[1].A = v; }, [] { return Arcos[1].A; }},
        {"Movims", [](int32_t v) { Movims[1].Node = v; }, [] { return Movims[1].Node; }},
        {"Zonas", [](int32_t v) { Zonas[1].Number = v; }, [] { return Zonas[1].Number; }},
        {"Lineas", [](int32_t v) { Lineas[1].Frequency = float(v); }, [] { return int32_t(Lineas[1].Frequency); }},
        {"Fases", [](int32_t v) { Fases[1].Node = v; }, [] { return Fases[1].Node; }},
        {"ArcosMaxRec", [](int32_t v) { ArcosMaxRec = v; }, [] { return ArcosMaxRec; }},
        {"MovimsMaxRec", [](int32_t v) { MovimsMaxRec = v; }, [] { return MovimsMaxRec; }},
        {"NodeKeyList", [](int32_t v) { NodeKeyList.clear(); NodeKeyList[v] = v; }, [] { return int32_t(NodeKeyList.size()) * 1000 + (NodeKeyList.find(5) != NodeKeyList.end()); }},
        {"ZoneConnectorList", [](int32_t v) { ZoneConnectorList = {std::to_string(v)}; }, [] { return ZoneConnectorList.empty() ? 0 : std::stoi(*ZoneConnectorList.begin()); }},
        {"FirstArc", [](int32_t v) { FirstArc.assign(3, v); }, [] { return FirstArc.empty() ? 0 : FirstArc.back(); }},
        {"LinkLineRefs", [](int32_t v) { LinkLineRefs.assign(2, TLineRef{v, -1}); }, [] { return LinkLineRefs.empty() ? 0 : LinkLineRefs.back().Line; }},
    };
    PalvonRead::ClearNetwork();
    for (const Row& r : rows)
        r.set(5);
    std::vector<int32_t> kept;
    for (const Row& r : rows)
        kept.push_back(r.get());
    {
        PalvonRead::SavedNetwork earlier;
        earlier.Keep();
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_NE(rows[i].get(), kept[i]) << rows[i].name << " aside";
            rows[i].set(9); // the refused read's
        }
        earlier.Restore();
    }
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].get(), kept[i]) << rows[i].name << " back";
    PalvonRead::ClearNetwork();
}
