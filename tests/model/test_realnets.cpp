// The public test networks beside the project, read whole: node, link, zone,
// movement and signal counts as their README lists them, and the refusal of the
// network that exceeds the model. Skipped when the folder is absent.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

using namespace PalvonRead;

namespace {

struct RealNet {
    const char* file;
    int32_t nodes, links, zones, movements, signals;
};

const RealNet Nets[] = {
    {"siouxfalls.dat", 24, 76, 24, 0, 0},
    {"siouxfalls-junctions.dat", 24, 76, 24, 150, 8},
    {"siouxfalls-wide.dat", 24, 76, 24, 0, 0},
    {"siouxfalls-kermit.dat", 24, 76, 24, 0, 0},
    {"anaheim.dat", 416, 914, 38, 0, 0},
    {"chicago-sketch.dat", 933, 2950, 387, 2166, 78},
    {"berlin-center-truncated.dat", 10693, 23996, 777, 0, 0},
};

class RealNetworks : public ::testing::TestWithParam<RealNet> {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(testutil::realDataPath("README.md")))
            FAIL() << "no real networks at " << testutil::realDataPath("");
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
    }
    bool Read(const std::string& name)
    {
        std::string path = testutil::realDataPath(name);
        settings.NetworkDatFile = path;
        std::vector<std::string> lines;
        EXPECT_TRUE(FileUtils::ReadLines(path, lines)) << path;
        return ReadNetwork(lines, settings);
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
};

} // namespace

TEST_P(RealNetworks, CountsAsListed)
{
    const RealNet& net = GetParam();
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Read(net.file));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(Network.NodeCount, net.nodes);
    EXPECT_EQ(Network.LinkCount, net.links);
    EXPECT_EQ(Network.MovementCount, net.movements);
    EXPECT_EQ(Network.SignalCount, net.signals);
    EXPECT_EQ(Network.ZoneCount, net.zones);
    std::set<std::string> zones;
    for (const auto& e : ZoneConnectorList)
        zones.insert(e.substr(0, 5));
    EXPECT_EQ(static_cast<int32_t>(zones.size()), net.zones);
    // Every link, arm-made or read, joins two node records; a straight one keeps
    // its points in its record.
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        ASSERT_GT(Arcos[k].AIndex, 0) << net.file << " link " << Arcos[k].A << "-" << Arcos[k].B;
        ASSERT_GT(Arcos[k].BIndex, 0) << net.file << " link " << Arcos[k].A << "-" << Arcos[k].B;
        ASSERT_FALSE(Arcos[k].PointCount <= 2 && Arcos[k].Points.allocated()) << net.file << " link " << k;
    }
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        for (int32_t k = FirstArc[n]; k < FirstArc[n + 1]; ++k)
            ASSERT_EQ(Arcos[k].AIndex, n);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    RecordProperty("read_ms", static_cast<int>(ms.count()));
}

INSTANTIATE_TEST_SUITE_P(Files, RealNetworks, ::testing::ValuesIn(Nets), [](const auto& info) {
    std::string name = info.param.file;
    std::string out;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out.push_back(c);
    return out;
});

TEST_F(RealNetworks, NetworkOverTheCapacityIsRefused)
{
    EXPECT_FALSE(Read("berlin-center.dat"));
    EXPECT_EQ(Network.NodeCount, 0);
    EXPECT_EQ(Network.LinkCount, 0);
    EXPECT_EQ(Network.ZoneCount, 0);
    EXPECT_EQ(Network.Loaded, 0);
    EXPECT_TRUE(ui.anyMessageContains("La red no se ha cargado"));
}

// The sample network that the program opens by default reads without a complaint.
TEST(SampleNetwork, EverySectionReadsCleanly)
{
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    settings.ErrorListFile = tmp.file("Errores.txt");
    Network.ErrorList.clear();
    std::string path = std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat";
    settings.NetworkDatFile = path;
    std::vector<std::string> lines;
    ASSERT_TRUE(FileUtils::ReadLines(path, lines));
    ASSERT_TRUE(ReadNetwork(lines, settings));
    for (int s = 0; s < 8; ++s)
        EXPECT_EQ(Network.SectionPresent[s], s == 6 ? 0 : 1) << s;
    EXPECT_EQ(Network.NodeCount, 21);
    EXPECT_EQ(Network.LinkCount, 50);
    EXPECT_EQ(Network.LinksByClass[0], 24);
    EXPECT_EQ(Network.LinksByClass[1], 26);
    EXPECT_EQ(Network.LinksByClass[2], 2);
    EXPECT_EQ(Network.MovementCount, 68);
    EXPECT_EQ(Network.SignalCount, 1);
    // The signal at 103 runs its two stages in a 90 s cycle, as its comment says.
    const TFase& signal = Fases[Nodos[KDVlib::FindNodo(103)].SignalIndex];
    EXPECT_EQ(signal.Offset, 0);
    EXPECT_EQ(signal.Cycle, 90);
    int32_t stageTimes = 0;
    for (int s = 1; s <= signal.StageCount; ++s)
        stageTimes += signal.Stages[s].Green + signal.Stages[s].Intergreen;
    EXPECT_EQ(stageTimes, signal.Cycle);
    EXPECT_EQ(Network.ZoneCount, 8);
    EXPECT_EQ(Network.LineCount, 2);
    EXPECT_EQ(Network.HasCoordinates, 1);
    EXPECT_EQ(Network.HasCentroids, 1);
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        EXPECT_EQ(Nodos[n].HasXY, 1) << Nodos[n].Number;
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        EXPECT_FALSE(Arcos[k].PointCount <= 2 && Arcos[k].Points.allocated()) << k;
    for (int t = 0; t <= 5; ++t)
        EXPECT_TRUE(ui.enabledItems[ZelUtils::Format("Jtype%d", t)]) << t;
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_TRUE(ui.messageWindow.empty()) << ui.messageWindow.front();
    EXPECT_TRUE(Network.ErrorList.empty()) << Network.ErrorList.front();
}
