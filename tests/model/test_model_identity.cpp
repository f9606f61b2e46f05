// What the reader makes of the public test networks, down to the last bit of every
// figure: a digest of the node, link, movement and zone records (numbers, indices,
// keys, positions, bearings, every variable), the forward star and the extent,
// before and after the lane geometry and junction outlines. The expected digests
// were taken from the reader as it stood before its records and lookups were
// reorganised; any change in a figure changes them. The large networks are read
// partly by helper threads (link lines worked out ahead, lookups, extremes and the
// hit grid by chunks): their digests are still those of the single-thread reader,
// whether the process runs on one processor, two or all of them, and when the
// whole read runs on a worker thread ahead of the opening that takes it up.
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVlib.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/ReadAhead.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

struct Digest {
    uint64_t h = 1469598103934665603ull;
    void Bytes(const void* p, size_t n)
    {
        const auto* b = static_cast<const unsigned char*>(p);
        for (size_t i = 0; i < n; ++i) {
            h ^= b[i];
            h *= 1099511628211ull;
        }
    }
    template <class T>
    void Value(const T& v)
    {
        Bytes(&v, sizeof v);
    }
    // The elements in order, as the bytes of a plain array would be.
    template <class A>
    void Elements(const A& a)
    {
        for (const auto& e : a)
            Bytes(&e, sizeof e);
    }
    void Text(const std::string& s)
    {
        Value(s.size());
        Bytes(s.data(), s.size());
    }
    void Point(const TPoint& p)
    {
        Value(p.x);
        Value(p.y);
    }
};

uint64_t ModelDigest(bool geometry)
{
    Digest d;
    d.Value(Network.NodeCount);
    d.Value(Network.LinkCount);
    d.Value(Network.MovementCount);
    d.Value(Network.ZoneCount);
    d.Value(Network.MinX);
    d.Value(Network.MaxX);
    d.Value(Network.MinY);
    d.Value(Network.MaxY);
    d.Value(Network.LengthScale);
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        const TNodo& n = Nodos[i];
        d.Value(n.Number);
        d.Value(n.Flags);
        d.Value(n.HasXY);
        d.Value(n.X);
        d.Value(n.Y);
        d.Value(n.Latitude);
        d.Value(n.Longitude);
        d.Value(n.ArmCount);
        d.Value(n.JunctionType);
        d.Value(n.SignalIndex);
        for (int32_t k = 0; k < std::min(n.ArmCount, MaxArms); ++k) {
            const TConector& a = n.Arms[k];
            d.Value(a.OtherNode);
            d.Value(a.OtherIndex);
            d.Value(a.OtherX);
            d.Value(a.OtherY);
            d.Value(a.Lanes);
            d.Value(a.Bearing);
            d.Value(a.ArmLink);
            d.Text(a.ArmCode);
            d.Text(a.LaneCode);
        }
        if (geometry) {
            d.Value(n.OutlineCount);
            for (int32_t k = 0; k < std::min(n.OutlineCount, MaxOutlinePoints); ++k)
                d.Point(n.Outline[k]);
        }
    }
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        const TArcos& a = Arcos[i];
        d.Text(a.Key);
        d.Value(a.Flags);
        d.Value(a.A);
        d.Value(a.B);
        d.Value(a.AIndex);
        d.Value(a.BIndex);
        d.Value(a.ReverseIndex);
        d.Value(a.NoReverse);
        d.Value(a.PointCount);
        for (int32_t k = 1; k <= std::min(a.PointCount, MaxShapePoints); ++k)
            d.Point(a.Points[k]);
        d.Value(a.StraightLength);
        d.Value(a.BearingA);
        d.Value(a.BearingB);
        d.Value(a.SinA);
        d.Value(a.CosA);
        d.Value(a.Lanes());
        d.Value(a.TurnDirs);
        d.Elements(a.LaneFlags);
        d.Elements(a.LaneUsed);
        d.Elements(a.LaneDirs);
        d.Elements(a.LaneMark);
        d.Value(a.HasMovements);
        d.Value(a.FlareEnd());
        d.Value(a.FlareStart());
        d.Text(a.StreetTag);
        d.Text(a.SpeedTag);
        d.Text(a.StreetName);
        d.Elements(a.Var);
        if (geometry) {
            d.Value(a.LaneEdgeCount);
            for (int32_t k = 0; k < std::min(a.LaneEdgeCount, MaxLaneEdgePoints); ++k) {
                d.Point(a.LaneEdgeNear[k]);
                d.Point(a.LaneEdgeFar[k]);
            }
        }
    }
    // The extremes records, 0 the minima and count+1 the maxima, once computed.
    if (geometry) {
        d.Elements(Arcos[0].Var);
        d.Elements(Arcos[Network.LinkCount + 1].Var);
    }
    for (int32_t m = 1; m <= Network.MovementCount; ++m) {
        const TMovimiento& mv = Movims[m];
        d.Text(mv.Key);
        d.Value(mv.A);
        d.Value(mv.Node);
        d.Value(mv.C);
        d.Value(mv.AIndex);
        d.Value(mv.JunctionIndex);
        d.Value(mv.CIndex);
        d.Value(mv.EntryLink);
        d.Value(mv.ExitLink);
        d.Value(mv.TurnAngle);
        d.Value(mv.TurnDir);
        d.Value(mv.Order);
        d.Value(mv.Var);
    }
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zn = Zonas[z];
        d.Value(zn.Number);
        d.Value(zn.CentroidX);
        d.Value(zn.CentroidY);
        d.Value(zn.ConnectorCount);
        for (int32_t c = 1; c <= zn.ConnectorCount && c < int32_t(zn.Connectors.size()); ++c) {
            const TZoneConnector& k = zn.Connectors[size_t(c)];
            d.Value(k.Kind);
            d.Value(k.ConnNode);
            d.Value(k.NodeIndex);
            d.Value(k.LinkIndex);
        }
    }
    for (int32_t v : FirstArc)
        d.Value(v);
    return d.h;
}

struct Expected {
    const char* file;
    uint64_t read;     // after reading
    uint64_t geometry; // after the lane geometry, outlines and extremes
    // What the networks' own description counts: nodes, links, zones, movements.
    int32_t nodes, links, zones, movements;
};

const Expected Nets[] = {
    {"siouxfalls.dat", 0xa91131311e271349ull, 0xda4e904a42c90263ull, 24, 76, 24, 0},
    {"siouxfalls-junctions.dat", 0xcc358edfbd09628bull, 0x3290fa9fa8a38d9eull, 24, 76, 24, 150},
    {"siouxfalls-wide.dat", 0xb5f0c4efa04c8455ull, 0x7cc7a2bc4c03bec7ull, 24, 76, 24, 0},
    {"siouxfalls-kermit.dat", 0x79108945c4b3c7c1ull, 0xb2266ef92fce8913ull, 24, 76, 24, 0},
    {"anaheim.dat", 0x163269ca84c13bcbull, 0x38095de9297eba7full, 416, 914, 38, 0},
    {"chicago-sketch.dat", 0x9ce8246f653f4ea4ull, 0xa1d0f301e12e7f98ull, 933, 2950, 387, 2166},
    {"berlin-center-truncated.dat", 0xe371793ed6da9fdaull, 0x3fe20d75696b6886ull, 10693, 23996, 777, 0},
};

class ModelIdentity : public ::testing::TestWithParam<Expected> {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(testutil::realDataPath("README.md")))
            FAIL() << "no real networks at " << testutil::realDataPath("");
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        // The zone is the opening's to set before each read (geographic positions
        // of planar networks depend on it): the default, whatever ran before.
        Network.Options.UtmZone = TPalvonOptions{}.UtmZone;
        Network.Options.UtmHemisphere = TPalvonOptions{}.UtmHemisphere;
    }
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
};

} // namespace

TEST_P(ModelIdentity, EveryFigureAsBefore)
{
    const Expected& e = GetParam();
    // A copy: the read ahead writes its error list beside the network.
    const std::string path = tmp.file(e.file);
    std::filesystem::copy_file(testutil::realDataPath(e.file), path);
    settings.NetworkDatFile = path;
    std::vector<std::string> original;
    ASSERT_TRUE(FileUtils::ReadLines(path, original));
    // On one processor, on two and on all of them: the helper threads then run
    // after, beside or interleaved with the reading thread, and the figures stay.
    for (const int cores : {1, 2, 0}) {
        const testutil::OnCores on(cores);
        std::vector<std::string> lines = original;
        ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
        // Latitudes and longitudes are worked out when asked for: the same figures.
        PalvonRead::CompleteGeographicPositions();
        const uint64_t read = ModelDigest(false);
        KDVlib::BuildHitGrid();
        PalvonRead::ComputeLinkGeometry(TLaneWidth{});
        PalvonRead::OrderArms();
        PalvonRead::ComputeLinkDataExtremes();
        const uint64_t geometry = ModelDigest(true);
        if (std::getenv("VELMORA_PRINT_DIGESTS"))
            std::printf("    {\"%s\", 0x%016llxull, 0x%016llxull, %d, %d, %d, %d},\n", e.file, (unsigned long long)read,
                        (unsigned long long)geometry, e.nodes, e.links, e.zones, e.movements);
        EXPECT_EQ(std::vector<int32_t>({Network.NodeCount, Network.LinkCount, Network.ZoneCount, Network.MovementCount}),
                  std::vector<int32_t>({e.nodes, e.links, e.zones, e.movements}))
            << e.file;
        EXPECT_EQ(read, e.read) << e.file << " on " << cores << " processors (0: all)";
        EXPECT_EQ(geometry, e.geometry) << e.file << " on " << cores << " processors (0: all)";
        if (cores != 0)
            continue;
        // Read ahead on a worker, as at start with no network open: the model stays
        // empty until the read is taken up, then holds the same figures.
        const std::vector<std::string> asRead = lines;
        const int zone = Network.Options.UtmZone;
        const std::string hemisphere = Network.Options.UtmHemisphere;
        PalvonRead::ClearNetwork();
        PalvonRead::TReadAhead ahead(path, settings, zone, hemisphere);
        ASSERT_TRUE(ahead.Fits(path, settings, zone, hemisphere));
        EXPECT_EQ(Network.NodeCount + Network.LinkCount, 0) << e.file << ": the model changed before the read was taken up";
        EXPECT_EQ(ahead.TakeText().ToVector(), asRead);
        ASSERT_TRUE(ahead.Install(ui, settings));
        PalvonRead::CompleteGeographicPositions();
        EXPECT_EQ(ModelDigest(false), e.read) << e.file << " read ahead";
    }
}

// A read ahead is taken up only by an opening that would read the same: the same
// file, unchanged, the same way. A refused one leaves no model and says why once.
TEST(ReadAhead, TakenUpOnlyForTheSameFileReadTheSameWayAndARefusalSaidOnce)
{
    testutil::TempDir tmp;
    const std::string net = tmp.file("red.dat");
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls.dat"), net);
    PalvonRead::TReadSettings settings;
    settings.NetworkDatFile = net;
    auto fits = [&](const PalvonRead::TReadSettings& s, int zone, const std::string& path) {
        PalvonRead::TReadAhead ahead(net, settings, 14, "N");
        return ahead.Fits(path, s, zone, "N");
    };
    EXPECT_TRUE(fits(settings, 14, net));
    EXPECT_FALSE(fits(settings, 15, net));
    EXPECT_FALSE(fits(settings, 14, tmp.file("otra.dat")));
    PalvonRead::TReadSettings other = settings;
    other.ReadTransitLines = !settings.ReadTransitLines;
    EXPECT_FALSE(fits(other, 14, net));
    // The error list is named beside the network, as the opening's current folder.
    EXPECT_TRUE(std::filesystem::exists(tmp.file("Errores.txt")));
    {
        PalvonRead::TReadAhead ahead(net, settings, 14, "N");
        ahead.Fits(net, settings, 14, "N"); // the read is over
        // Its time set again to what it was: the same file still.
        const auto written = std::filesystem::last_write_time(net);
        std::filesystem::last_write_time(net, written);
        EXPECT_TRUE(ahead.Fits(net, settings, 14, "N"));
        // Written again after the read (same size, a nanosecond later): read again.
        std::filesystem::last_write_time(net, written + std::chrono::nanoseconds(1));
        EXPECT_FALSE(ahead.Fits(net, settings, 14, "N"));
    }

    // Its text read, never told to read the network (the command line was not one
    // network after all): it ends there and the model stays as it was.
    PalvonRead::ClearNetwork();
    { PalvonRead::TReadAhead unused(net); }
    EXPECT_EQ(Network.LinkCount, 0);

    const std::string over = tmp.file("berlin-center.dat");
    std::filesystem::copy_file(testutil::realDataPath("berlin-center.dat"), over);
    settings.NetworkDatFile = over;
    PalvonRead::ClearNetwork();
    RecordingServices ui;
    PalvonRead::TReadAhead ahead(over, settings, 33, "N");
    ASSERT_TRUE(ahead.Fits(over, settings, 33, "N"));
    EXPECT_TRUE(ui.messages.empty()); // nothing said before the read is taken up
    EXPECT_FALSE(ahead.Install(ui, settings));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("excede la capacidad"), std::string::npos);
    EXPECT_EQ(Network.NodeCount, 0);
    EXPECT_EQ(Network.LinkCount, 0);
    EXPECT_EQ(Network.Loaded, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, ModelIdentity, ::testing::ValuesIn(Nets), [](const auto& info) {
    std::string out;
    for (const char* c = info.param.file; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)))
            out.push_back(*c);
    return out;
});
