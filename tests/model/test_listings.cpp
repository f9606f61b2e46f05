// Readers of the suite's run outputs: the assignment listing (flows, user classes,
// zone connectors, PIJA tables), the inspection listing and counts files.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonListings.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace PalvonRead;
using KDVlib::FindArco;
using KDVlib::FindMovim;
using ZelUtils::Format;

namespace {

class Listings : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        ASSERT_TRUE(Read(testutil::dataPath("lst_net.dat")));
    }
    bool Read(const std::string& path)
    {
        std::vector<std::string> lines;
        settings.NetworkDatFile = path;
        return FileUtils::ReadLines(path, lines) && ReadNetwork(lines, settings);
    }
    TLinkVars& Link(int a, int b)
    {
        const int32_t k = FindArco(a, b);
        EXPECT_GT(k, 0) << a << "-" << b;
        return Arcos[k].Var;
    }
    float* Mov(int a, int node, int c)
    {
        const int32_t m = FindMovim(a, node, c);
        EXPECT_GT(m, 0) << a << "-" << node << "-" << c;
        return Movims[m].Var;
    }
    TZona& Zone(int number) { return Zonas[KDVlib::FindZona(number)]; }
    std::string Write(const std::string& name, const std::vector<std::string>& lines)
    {
        std::string text;
        for (const auto& l : lines)
            text += l + "\r\n";
        testutil::writeFile(tmp.file(name), text);
        return tmp.file(name);
    }
    // Flow-table lines: element columns 1-18, then f1..f5 in 10 columns each.
    static std::string Flows(const std::string& element, float f1, float f2, float f3, float f4, float f5)
    {
        return element + Format("%10.2f%10.2f%10.2f%10.2f%10.2f", f1, f2, f3, f4, f5);
    }
    static std::string LinkEl(int a, int b) { return Format("%6d%6d      ", a, b); }
    static std::string WideEl(int a, int b) { return Format("%9d%9d", a, b); }
    static std::string MovEl(int a, int b, int c) { return Format("%6d%6d%6d", a, b, c); }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    TLpaOptions withPijas{true, true};
};

} // namespace

TEST_F(Listings, AssignmentFlowsClassesConnectorsAndCosts)
{
    Network.Options.ClassTimeCost[1] = 2.0f;
    Network.Options.ClassDistanceCost[1] = 0.5f;
    Link(1, 100)[16] = 0.33f; // no capacity: its saturation stays as it was
    const TLpaResult r = ReadLpa(testutil::dataPath("lst_red.lpa"), TLpaOptions{});
    EXPECT_TRUE(r.Completed);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(Network.LpaLoaded, 1);
    EXPECT_EQ(PreloadShift, 0);

    // Narrow link lines and the turn delays: 25 s plus (12 x 300 + 20 x 100) / 400.
    const TLinkVars& l12 = Link(1, 2);
    EXPECT_FLOAT_EQ(l12[11], 45.0f);
    EXPECT_FLOAT_EQ(l12[12], 32.0f); // 3.6 x 400 / 45
    EXPECT_FLOAT_EQ(l12[13], 1400.0f);
    EXPECT_FLOAT_EQ(l12[14], 100.0f);
    EXPECT_FLOAT_EQ(l12[15], 1500.0f);
    EXPECT_FLOAT_EQ(l12[16], 0.75f);
    EXPECT_FLOAT_EQ(l12[51], 1.7f); // 2 x 45 / 60 + 0.5 x 400 / 1000
    EXPECT_EQ(std::vector<float>(l12.begin() + 65, l12.begin() + 69), (std::vector<float>{0, 1000, 300, 100}));
    const TLinkVars& in1 = Link(1, 100);
    EXPECT_FLOAT_EQ(in1[17], 400.0f);
    EXPECT_FLOAT_EQ(in1[11], 39.0f);
    EXPECT_FLOAT_EQ(in1[12], float(3.6 * 250 / 39.0));
    EXPECT_FLOAT_EQ(in1[16], 0.33f);
    // A wide link line: the speed is taken again as a fraction by the turn-delay step.
    EXPECT_FLOAT_EQ(Link(100, 1)[12], float(3.6 * 250 / 35.0));
    EXPECT_FLOAT_EQ(Link(100, 1)[16], 0.75f);

    const float* m = Mov(1, 100, 2);
    EXPECT_EQ(std::vector<float>(m + 5, m + 9), (std::vector<float>{12, 250, 50, 300}));
    EXPECT_EQ(std::vector<float>(m + 20, m + 24), (std::vector<float>{0, 200, 60, 40}));

    // Zone 11 leaves by its connector along link 1-2 and enters from it; zone 12
    // enters at node 3 through its connector line.
    const TZoneConnector& c11 = Zone(11).Connectors[1];
    ASSERT_FALSE(c11.LeavingValues.empty());
    EXPECT_EQ(std::vector<float>(c11.LeavingValues.begin() + 13, c11.LeavingValues.begin() + 16),
              (std::vector<float>{180, 20, 200}));
    EXPECT_EQ(std::vector<float>(c11.LeavingValues.begin() + 65, c11.LeavingValues.begin() + 69),
              (std::vector<float>{0, 100, 50, 30}));
    EXPECT_FLOAT_EQ(c11.EnteringValues[13], 80.0f);
    EXPECT_EQ(std::vector<float>(Zone(11).LeavingTotals, Zone(11).LeavingTotals + 4),
              (std::vector<float>{180, 100, 50, 30}));
    EXPECT_FLOAT_EQ(Zone(11).EnteringTotals[0], 80.0f);
    EXPECT_FLOAT_EQ(Zone(12).EnteringTotals[0], 150.0f);
    EXPECT_FLOAT_EQ(Zonas[0].EnteringTotals[0], 180.0f);
    EXPECT_FLOAT_EQ(Zonas[0].LeavingTotals[1], 100.0f);

    // Read again with pure link times: the times lose the turn delays, and the zone
    // sums start afresh instead of doubling.
    ReadLpa(testutil::dataPath("lst_red.lpa"), TLpaOptions{false, false});
    EXPECT_FLOAT_EQ(Link(1, 100)[11], 25.0f);
    EXPECT_FLOAT_EQ(Zone(11).LeavingTotals[0], 180.0f);
    EXPECT_FLOAT_EQ(Zonas[0].LeavingTotals[0], 180.0f);
}

TEST_F(Listings, AssignmentPijaRecordsAreGroupedByElement)
{
    ReadLpa(testutil::dataPath("lst_red.lpa"), withPijas);
    ASSERT_EQ(PijaLinkCount, 4);
    const int32_t l12 = FindArco(1, 2);
    // The pair first met in the trips table joins its link's records; a zone the
    // network lacks keeps index 0; trips after the totals line are not taken.
    struct Want {
        int32_t elem, zo, zd, zdIdx;
        float pij, tij;
    };
    const Want want[4] = {{l12, 11, 12, KDVlib::FindZona(12), 0.5f, 40.0f},
                          {l12, 11, 99, 0, 0.25f, 0.0f},
                          {l12, 11, 11, KDVlib::FindZona(11), 0.0f, 7.0f},
                          {FindArco(100, 1), 12, 11, KDVlib::FindZona(11), 0.4f, 0.0f}};
    for (int r = 1; r <= 4; ++r) {
        const TPija& p = PijaLinks[r];
        const Want& w = want[r - 1];
        EXPECT_EQ(std::make_tuple(p.Elem, p.Zo, p.Zd, p.ZdIdx, p.C), std::make_tuple(w.elem, w.zo, w.zd, w.zdIdx, 0))
            << r;
        EXPECT_FLOAT_EQ(p.Pij, w.pij) << r;
        EXPECT_FLOAT_EQ(p.Tij, w.tij) << r;
    }
    EXPECT_EQ(PijaLinks[1].ZoIdx, KDVlib::FindZona(11));
    ASSERT_EQ(PijaMovCount, 1);
    EXPECT_EQ(PijaMovs[1].Elem, FindMovim(1, 100, 2));
    EXPECT_EQ(std::make_tuple(PijaMovs[1].A, PijaMovs[1].B, PijaMovs[1].C), std::make_tuple(1, 100, 2));
    EXPECT_FLOAT_EQ(PijaMovs[1].Pij, 0.3f);
    EXPECT_FLOAT_EQ(PijaMovs[1].Tij, 10.0f);
    EXPECT_EQ(Arcos[l12].HasPija, 1);
    EXPECT_EQ(Arcos[FindArco(1, 100)].HasPija, 0);
    EXPECT_EQ(Movims[FindMovim(1, 100, 2)].HasPija, 1);
    EXPECT_TRUE(ui.enabledItems["AnalisisdePIJAs"] && ui.enabledItems["NivelArco"] &&
                ui.enabledItems["NIvelMovimiento"]);

    // Selected-link tables without a factor section are read all the same.
    Network.Options.NOMADS = 0;
    ReadLpa(Write("trips.lpa", {" LISTING OF THE FLOWS ON CHANNEL", " SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK",
                                "  ANALYSIS OF TRIPS THROUGH SELECTED LINKS",
                                Format("%-33s%9d%9d%9d", "   O-D TRIPS FOR LINK NUMBER", 1, 2, 0),
                                Format("%6d        %5d%7.1f", 11, 12, 3.5)}),
            withPijas);
    ASSERT_EQ(PijaLinkCount, 1);
    EXPECT_FLOAT_EQ(PijaLinks[1].Tij, 3.5f);
}

TEST_F(Listings, AssignmentWithPreloadAndFourClasses)
{
    Network.Options.NOMADS = 4;
    Network.Options.PLOD = 1;
    Link(1, 100)[12] = 77.0f;
    Link(100, 1)[12] = 77.0f;
    const TLpaResult r = ReadLpa(
        Write("plod.lpa", {"   LISTING OF THE FLOWS ON CHANNEL", Flows(LinkEl(1, 2), 0, 0, 45, 1500, 100),
                           Flows(LinkEl(1, 100), 0, 0, 0, 10, 0), Flows(WideEl(100, 1), 0, 0, 0, 10, 0),
                           "   LISTING OF DISAGGREGATED FLOWS", Flows(LinkEl(1, 2), 90, 10, 1000, 300, 100),
                           Flows(MovEl(1, 100, 2), 5, 6, 7, 8, 9),
                           "   SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK", Flows(LinkEl(1, 2), 55, 0, 0, 0, 0),
                           Flows(MovEl(1, 100, 2), 11, 0, 0, 0, 0), "      LISTING OF DISAGGREGATED FLOWS"}),
        TLpaOptions{});
    EXPECT_TRUE(r.Completed);
    EXPECT_EQ(PreloadShift, 1);
    const TLinkVars& l = Link(1, 2);
    EXPECT_FLOAT_EQ(l[14], 90.0f);
    EXPECT_EQ(std::vector<float>(l.begin() + 65, l.begin() + 70), (std::vector<float>{10, 1000, 300, 100, 55}));
    const float* m = Mov(1, 100, 2);
    EXPECT_FLOAT_EQ(m[7], 5.0f);
    EXPECT_EQ(std::vector<float>(m + 20, m + 25), (std::vector<float>{6, 7, 8, 9, 11}));
    // Without a time, a wide line sets the speed to 0; a narrow one leaves it.
    EXPECT_FLOAT_EQ(Link(100, 1)[12], 0.0f);
    EXPECT_FLOAT_EQ(Link(1, 100)[12], 77.0f);
}

TEST_F(Listings, AssignmentMissingBannerTruncatedOrMissingFile)
{
    Link(1, 2)[13] = 5.0f;
    TLpaResult r = ReadLpa(Write("none.lpa", {" OTRA COSA", Flows(LinkEl(1, 2), 0, 0, 45, 1500, 100)}), TLpaOptions{});
    EXPECT_FALSE(r.FlowsFound);
    EXPECT_FLOAT_EQ(Link(1, 2)[13], 5.0f);
    EXPECT_TRUE(ui.anyMessageContains("LISTING OF THE FLOWS ON CHANNEL"));

    // Its flow lines out of their columns (tabs for the blanks): refused, not read
    // as a listing without values.
    ui.messages.clear();
    r = ReadLpa(Write("tabs.lpa", {" LISTING OF THE FLOWS ON CHANNEL", "\t1\t2\t0.00\t0.00\t45.00\t1500.00\t100.00",
                                   " LISTING OF DISAGGREGATED FLOWS"}),
                TLpaOptions{});
    EXPECT_FALSE(r.FlowsFound);
    EXPECT_FLOAT_EQ(Link(1, 2)[13], 5.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("la primera l\u00ednea de flujos fuera de ellas es la 2"), std::string::npos);

    // The file ends inside the total table: what was read stays, nothing after it
    // runs; its last line, cut inside its values, is not read.
    ui.messages.clear();
    Link(1, 2)[15] = 5.0f;
    r = ReadLpa(Write("cut.lpa", {" LISTING OF THE FLOWS ON CHANNEL", Flows(LinkEl(1, 100), 0, 0, 25, 400, 50),
                                  Flows(MovEl(1, 100, 2), 0, 0, 12, 300, 50),
                                  Flows(LinkEl(1, 2), 0, 0, 45, 1500, 100).substr(0, 46)}),
                withPijas);
    EXPECT_FLOAT_EQ(Link(1, 2)[15], 5.0f);
    EXPECT_TRUE(r.FlowsFound);
    EXPECT_FALSE(r.ClassesReached);
    EXPECT_EQ(Network.LpaLoaded, 0);
    EXPECT_FLOAT_EQ(Link(1, 100)[11], 25.0f); // no turn delays
    EXPECT_FLOAT_EQ(Mov(1, 100, 2)[8], 300.0f);
    EXPECT_TRUE(ui.anyMessageContains("termina antes"));

    // A value that is no number (asterisks where it overflowed its columns) reads
    // as 0, and the user is told which line.
    ui.messages.clear();
    Network.Options.NOMADS = 1;
    std::string overflow = Flows(LinkEl(1, 2), 0, 0, 45, 0, 100);
    overflow.replace(48, 10, std::string(10, '*'));
    r = ReadLpa(Write("stars.lpa", {" LISTING OF THE FLOWS ON CHANNEL", Flows(LinkEl(1, 100), 0, 0, 25, 400, 50),
                                    overflow, " LISTING OF DISAGGREGATED FLOWS"}),
                TLpaOptions{});
    EXPECT_TRUE(r.Completed);
    EXPECT_FLOAT_EQ(Link(1, 2)[15], 0.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "El archivo stars.lpa tiene en su línea 3 valores que no son números:\rse leyeron como 0.");

    ui.messages.clear();
    r = ReadLpa(tmp.file("falta.lpa"), TLpaOptions{});
    EXPECT_FALSE(r.Opened);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(Listings, AssignmentPijaTablesStopAtTheirCapacity)
{
    Network.Options.NOMADS = 0;
    std::vector<std::string> lines = {" LISTING OF THE FLOWS ON CHANNEL", " LISTING OF DISAGGREGATED FLOWS",
                                      " OUTPUT OF PIJA FACTORS",
                                      Format("%-45s%9d%9d%9d", "  O-D PAIRS USING LINK NUMBER", 1, 2, 0)};
    for (int origin = 1; origin <= 151; ++origin) {
        std::string s = Format("%5d  ", origin);
        for (int d = 1; d <= 6; ++d)
            s += Format("%5d%7.3f", d, 0.1);
        lines.push_back(s);
    }
    lines.push_back(" END OF THE PIJA ANALYSIS");
    const TLpaResult r = ReadLpa(Write("many.lpa", lines), withPijas);
    EXPECT_TRUE(r.Completed);
    EXPECT_EQ(PijaLinkCount, MaxPija);
    EXPECT_EQ(PijaLinks[MaxPija].Zo, 150);
    EXPECT_TRUE(ui.anyMessageContains("6 pares de arcos"));
}

TEST_F(Listings, InspectionArmsMovementsAndLinkTable)
{
    Link(100, 2)[16] = 0.85f;
    ASSERT_TRUE(ReadLpl(testutil::dataPath("lst_red.lpl")));
    EXPECT_EQ(LplVersion, 10);
    EXPECT_EQ(Network.LplLoaded, 1);
    auto vars = [](const auto& v, int first) {
        std::vector<float> seven;
        for (int k = first; k < first + 7; ++k)
            seven.push_back(v[k]);
        return seven;
    };
    EXPECT_EQ(vars(Link(3, 100), 18), (std::vector<float>{9, 1, 2, 3, 4, 5, 0.5f}));
    EXPECT_EQ(vars(Mov(1, 100, 2), 9), (std::vector<float>{11, 12, 13, 14, 15, 16, 0.11f}));
    EXPECT_EQ(vars(Mov(2, 100, 3), 9), (std::vector<float>{31, 32, 33, 34, 35, 36, 0.31f}));
    // Each entry arm takes its last movement line, the one with an unknown exit too.
    EXPECT_EQ(vars(Link(1, 100), 18), (std::vector<float>{21, 22, 23, 24, 25, 26, 0.21f}));
    EXPECT_EQ(vars(Link(2, 100), 18), (std::vector<float>{41, 42, 43, 44, 45, 46, 0.41f}));
    // The link table; its zero saturation comes from the assignment's; lines after it are not read.
    const TLinkVars& l = Link(100, 1);
    EXPECT_EQ(std::vector<float>(l.begin() + 21, l.begin() + 27), (std::vector<float>{7, 500, 600, 0.83f, 8, 9}));
    EXPECT_FLOAT_EQ(Link(100, 2)[24], 85.0f);
    EXPECT_FLOAT_EQ(Link(100, 3)[22], 0.0f);
    EXPECT_TRUE(ui.messages.empty());

    // Version 11 reads the entry node of " FROM" lines six wide; version 10 five wide.
    const std::string from = " FROM     3" + std::string(2, ' ') + "   7.0";
    Link(3, 100)[18] = 0.0f;
    ReadLpl(Write("v10.lpl", {"     NODE   100", from}));
    EXPECT_FLOAT_EQ(Link(3, 100)[18], 0.0f);
    ReadLpl(Write("v11.lpl", {std::string(44, ' ') + "PALVON Suite 11", "     NODE   100", from}));
    EXPECT_EQ(LplVersion, 11);
    EXPECT_FLOAT_EQ(Link(3, 100)[18], 7.0f);

    // A junction cut by the end of the file leaves its last arm without values, and says so.
    Link(1, 100)[18] = 0.0f;
    ReadLpl(Write("cut.lpl", {"     NODE   100", Format("%6d%6d %6.1f", 1, 2, 5.0)}));
    EXPECT_FLOAT_EQ(Mov(1, 100, 2)[9], 5.0f);
    EXPECT_FLOAT_EQ(Link(1, 100)[18], 0.0f);
    EXPECT_TRUE(ui.anyMessageContains("nodo 100"));

    // A link table cut before its " N.B." line, its last line cut inside a value:
    // both are said.
    ui.messages.clear();
    ASSERT_TRUE(ReadLpl(Write("cutlinks.lpl", {"     LINK       FLOW", Format(" %5d%5d S%14s%7.1f", 100, 2, "", 70.0),
                                               Format(" %5d%5d S%14s%7s", 100, 1, "", "1.5E+")})));
    EXPECT_FLOAT_EQ(Link(100, 2)[22], 70.0f);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0], "El archivo cutlinks.lpl tiene en su línea 3 valores que no son números:\rse leyeron como 0.");
    EXPECT_EQ(ui.messages[1], "El archivo cutlinks.lpl termina dentro de la tabla de arcos:\r"
                              "se guardaron sólo los valores de los arcos leídos hasta allí.");
}

TEST_F(Listings, CountsReplaceObservedFlowsAndListUnknownElements)
{
    Link(100, 2)[10] = 7.0f;
    ASSERT_TRUE(ReadCounts(testutil::dataPath("lst_counts.dat")));
    EXPECT_EQ(Network.CountsLoaded, 1);
    EXPECT_FLOAT_EQ(Link(1, 2)[10], 1234.0f);
    EXPECT_FLOAT_EQ(Link(100, 1)[10], 95.0f);
    EXPECT_FLOAT_EQ(Link(100, 2)[10], 0.0f);
    EXPECT_FLOAT_EQ(Mov(1, 100, 2)[4], 250.0f);
    // The extremes include the overwritten count.
    EXPECT_FLOAT_EQ(Arcos[0].Var[10], 80.0f);
    EXPECT_FLOAT_EQ(Arcos[ArcosMaxRec].Var[10], 1234.0f);
    EXPECT_FLOAT_EQ(Movims[MovimsMaxRec].Var[4], 250.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Conteos no reconocidos\r\r       5       6\r       1     100\r       1     100");

    // Only header: everything cleared, extremes at their seeds, nothing to report.
    ui.messages.clear();
    ASSERT_TRUE(ReadCounts(Write("header.dat", {" &COUNTS", Format("%5d%5d%5s%5d", 1, 2, "", 9)})));
    EXPECT_FLOAT_EQ(Link(1, 2)[10], 0.0f);
    EXPECT_FLOAT_EQ(Arcos[0].Var[10], UnsetHigh);
    EXPECT_FLOAT_EQ(Movims[MovimsMaxRec].Var[4], UnsetLow);
    EXPECT_TRUE(ui.messages.empty());

    // Saved with a byte-order mark (as editors save UTF-8 text): read the same.
    ASSERT_TRUE(ReadCounts(Write("marked.dat", {"\xEF\xBB\xBF &COUNTS", " &END", Format("%5d%5d%5s%5d", 1, 2, "", 9)})));
    EXPECT_FLOAT_EQ(Link(1, 2)[10], 9.0f);

    // Counts of another network (no link or movement of this one): refused in one
    // message, the counts read before staying.
    ui.messages.clear();
    EXPECT_FALSE(ReadCounts(Write("otra.dat", {" &COUNTS", " &END", Format("%5d%5d%5s%5d", 5, 6, "", 9),
                                               Format("%5d%5d%5d%5d", 1, 100, 7, 9)})));
    EXPECT_FLOAT_EQ(Link(1, 2)[10], 9.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Archivo otra.dat:\rninguno de sus 2 conteos es de esta red; no se ha leído.");

    // A count that is no number reads as 0, and the user is told which line.
    ui.messages.clear();
    ASSERT_TRUE(ReadCounts(Write("letra.dat", {" &COUNTS", " &END", Format("%5d%5d%5s%5s", 1, 2, "", "12x4"),
                                               Format("%5d%5d%5s%5s", 100, 1, "", "****")})));
    EXPECT_FLOAT_EQ(Link(1, 2)[10], 0.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "El archivo letra.dat tiene 2 líneas con valores que no son números (la primera es la "
                              "línea 3):\resos valores se leyeron como 0.");

    // An unreadable file changes nothing.
    Link(1, 2)[10] = 3.0f;
    EXPECT_FALSE(ReadCounts(tmp.file("falta.dat")));
    EXPECT_FLOAT_EQ(Link(1, 2)[10], 3.0f);
    EXPECT_EQ(ReadLpd(), 0);
}

TEST_F(Listings, CountsOfRealNetworksInBothLayouts)
{
    const std::string net = testutil::realDataPath("siouxfalls.dat");
    const std::string wide = testutil::realDataPath("siouxfalls-wide.dat");
    if (!std::filesystem::exists(net) || !std::filesystem::exists(wide))
        FAIL() << "real networks not available";
    ASSERT_TRUE(Read(net));
    ASSERT_TRUE(ReadCounts(testutil::realDataPath("siouxfalls-counts.dat")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FLOAT_EQ(Link(1, 2)[10], 4495.0f);
    int counted = 0;
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        counted += Arcos[k].Var[10] > 0;
    EXPECT_EQ(counted, 76);

    ASSERT_TRUE(Read(wide));
    ASSERT_TRUE(ReadCounts(testutil::realDataPath("siouxfalls-wide-counts.dat")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FLOAT_EQ(Link(100001, 100002)[10], 4495.0f);
    // The narrow file read with wide fields names none of its links: refused in
    // one message, the counts read before staying.
    EXPECT_FALSE(ReadCounts(testutil::realDataPath("siouxfalls-counts.dat")));
    EXPECT_FLOAT_EQ(Link(100001, 100002)[10], 4495.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Archivo siouxfalls-counts.dat:\rninguno de sus 76 conteos es de esta red; no se ha leído.");
}
