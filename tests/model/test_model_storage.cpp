// How the model stores what it reads: the node-key list (direct index for small
// numbers, hash for the rest), the text keys of links and movements, and the
// junction arms, outlines, lane edges and shape points that only the records using
// them hold.
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <span>
#include <utility>

using ZelUtils::Format;

TEST(NodeKeyList, FindsSmallWideAndNegativeNumbersLikeAMap)
{
    NodeKeyMap keys;
    EXPECT_EQ(keys.find(5), keys.end());
    keys.emplace(5, 1);
    keys.emplace(1234567890, 2); // a 10-digit number of a wide file
    keys.emplace(-7, 3);
    keys.emplace(131071, 4);     // the last directly indexed number
    keys.emplace(131072, 5);     // the first hashed one
    keys.emplace(5, 9);          // an existing entry is kept
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys.find(5)->second, 1);
    EXPECT_EQ(keys.find(1234567890)->second, 2);
    EXPECT_EQ(keys.find(-7)->second, 3);
    EXPECT_EQ(keys.find(131071)->second, 4);
    EXPECT_EQ(keys.find(131072)->second, 5);
    EXPECT_EQ(keys.find(6), keys.end());
    EXPECT_EQ(keys.find(INT_MIN), keys.end());
    keys[5] = 7; // assignment replaces
    keys[8] = 6; // and creates
    EXPECT_EQ(keys.find(5)->second, 7);
    EXPECT_EQ(keys.find(8)->second, 6);

    keys.clear();
    EXPECT_EQ(keys.size(), 0u);
    for (int32_t n : {5, 8, 1234567890, -7, 131071, 131072})
        EXPECT_EQ(keys.find(n), keys.end()) << n;
    keys.emplace(8, 1);
    EXPECT_EQ(keys.find(8)->second, 1);
    EXPECT_EQ(keys.find(5), keys.end());
}

TEST(RecordKeys, WrittenAsNineColumnFields)
{
    for (int32_t a : {0, 1, 9, 10, 99, 100, 12345, 100000, -42, -100000000, 99999999, 999999999, 1000000000,
                      1234567890, INT_MIN, INT_MAX})
        for (int32_t b : {7, -1, 2147483647}) {
            EXPECT_EQ(PalvonRead::LinkKey(a, b), Format("%9d%9d", a, b));
            EXPECT_EQ(PalvonRead::MovementKey(b, a, 3), Format("%9d%9d%9d", b, a, 3));
        }
}

TEST(LazyRecordParts, ReadAsDefaultsCopiedWhole)
{
    TNodo n;
    const TNodo& reader = n;
    EXPECT_FALSE(n.Arms.allocated());
    EXPECT_EQ(reader.Arms[3].OtherNode, 0); // reading makes nothing
    EXPECT_EQ(reader.Outline[30].x, 0.0);
    EXPECT_FALSE(n.Arms.allocated());
    EXPECT_FALSE(n.Outline.allocated());
    n.Arms[2].OtherNode = 17;
    n.Arms[2].ArmCode = "CALLE";
    ASSERT_TRUE(n.Arms.allocated());
    TNodo copy = n;
    copy.Arms[2].OtherNode = 18;        // a copy owns its own arms
    EXPECT_EQ(n.Arms[2].OtherNode, 17);
    EXPECT_EQ(copy.Arms[2].ArmCode, "CALLE");
    TNodo moved = std::move(copy);
    EXPECT_EQ(moved.Arms[2].OtherNode, 18);
    int written = 0;
    for (const TConector& arm : reader.Arms)
        written += arm.OtherNode != 0;
    EXPECT_EQ(written, 1);
    n.Arms.reset();
    EXPECT_FALSE(n.Arms.allocated());
    EXPECT_EQ(n.Arms[2].OtherNode, 0);
}

// A link's points beyond its two ends, read before any is written, read as the
// zeros of an inline array; written, they hold all the points in one run, which a
// copy owns apart and a reuse of the record gives back.
TEST(LazyRecordParts, ShapePointsBeyondTheEndsMadeWhenWritten)
{
    TArcos a;
    const TArcos& reader = a;
    a.Points[1] = {1.0, 2.0};
    a.Points[2] = {3.0, 4.0};
    EXPECT_EQ(reader.Points[MaxShapePoints].x, 0.0);
    EXPECT_EQ(reader.Points[0].y, 0.0);
    EXPECT_EQ(reader.Points.Run(2)[1].x, 3.0);
    EXPECT_FALSE(a.Points.allocated());
    a.Points[3] = {5.0, 6.0};
    ASSERT_TRUE(a.Points.allocated());
    const std::span<const TPoint> run = reader.Points.Run(3);
    ASSERT_EQ(run.size(), 3u);
    EXPECT_EQ(run[0].y, 2.0);
    EXPECT_EQ(run[1].x, 3.0);
    EXPECT_EQ(run[2].y, 6.0);
    TArcos copy = a;
    copy.Points[2].x = 9.0;
    EXPECT_EQ(reader.Points[2].x, 3.0);
    TArcos moved = std::move(copy);
    EXPECT_EQ(moved.Points[2].x, 9.0);
    EXPECT_EQ(moved.Points[3].y, 6.0);
    copy = moved;
    EXPECT_EQ(copy.Points.Run(3)[1].x, 9.0);
    a.Points.reset();
    EXPECT_FALSE(a.Points.allocated());
    EXPECT_EQ(reader.Points[1].x, 0.0);
    EXPECT_EQ(reader.Points[3].x, 0.0);
}

// A network without junctions nor lanes: its records hold none of those parts,
// also when a record was used by a junction of the network read before.
TEST(LazyRecordParts, NetworkWithoutJunctionsHoldsNone)
{
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
    settings.ErrorListFile = tmp.file("Errores.txt");
    settings.NetworkDatFile = tmp.file("red.dat");
    Nodos[1].Arms[0].OtherNode = 99;
    Nodos[1].Outline[0] = {1.0, 2.0};
    Arcos[1].LaneEdgeNear[0] = {1.0, 2.0};
    Arcos[1].Points[5] = {1.0, 2.0};
    std::vector<std::string> lines = {" &OPTION &END", "RED", " &PARAM XYFORM='2F15.1', &END", "33333",
                                      "  101  102   60   80 1000  2    500    4    1",
                                      "  102  103   60   80 1000  1    500    4    1", "99999", "55555",
                                      "  101          100.0          100.0", "  102          600.0          100.0",
                                      "  103          600.0          600.0", "99999", "99999"};
    ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
    ASSERT_EQ(Network.NodeCount, 3);
    ASSERT_EQ(Network.LinkCount, 3);
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        EXPECT_FALSE(Nodos[i].Arms.allocated()) << i;
        EXPECT_FALSE(Nodos[i].Outline.allocated()) << i;
    }
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        EXPECT_FALSE(Arcos[k].LaneEdgeNear.allocated()) << k;
        EXPECT_FALSE(Arcos[k].LaneEdgeFar.allocated()) << k;
        EXPECT_FALSE(Arcos[k].Points.allocated()) << k;
    }
    // The lookups the reader used still answer.
    EXPECT_EQ(Nodos[KDVlib::FindNodo(103)].Number, 103);
    EXPECT_EQ(Arcos[KDVlib::FindArco(102, 101)].ReverseIndex, KDVlib::FindArco(101, 102));
    EXPECT_EQ(Arcos[KDVlib::FindArco(102, 103)].ReverseIndex, 0);
}

TEST(RecordKeys, ShortTextsHoldTheWidestKeyAndRefuseMore)
{
    TArcos a;
    EXPECT_TRUE(a.Key.empty());
    a.Key = PalvonRead::LinkKey(INT_MIN, INT_MIN); // 22 characters, the widest key
    EXPECT_EQ(std::string(a.Key), Format("%9d%9d", INT_MIN, INT_MIN));
    EXPECT_EQ(a.Key.size(), 22u);
    a.StreetTag = "1";
    EXPECT_TRUE(a.StreetTag == "1");
    EXPECT_FALSE(a.StreetTag == "2");
    a.StreetTag = std::string();
    EXPECT_TRUE(a.StreetTag.empty());
    EXPECT_THROW(a.SpeedTag = "TOO LONG", std::length_error);
    TArcos copy = a;
    EXPECT_EQ(copy.Key, a.Key.view());
}
