// Link shape points, traces, link order and node lists.
#include "export/GeoWriters.h"
#include "geom_fixture.h"
#include "model/HitGrid.h"
#include "model/LinkShapes.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <vector>

using geomfix::LinkIndex;
using testutil::dataPath;

namespace {

// Links 12->15, 12->16, 15->16, 16->12, 16->15 (records 1..5 in key order).
class ShapeFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        geomfix::Clear();
        geomfix::Node(12, 0, 0);
        geomfix::Node(15, 10, 0);
        geomfix::Node(16, 10, 10);
        geomfix::Link(12, 15);
        geomfix::Link(12, 16);
        geomfix::Link(15, 16);
        geomfix::Link(16, 12);
        geomfix::Link(16, 15);
        geomfix::Finish();
    }
    void TearDown() override { geomfix::Clear(); }

    std::vector<int32_t> Order() const
    {
        return std::vector<int32_t>(LinkOrder + 1, LinkOrder + 1 + Network.LinkCount);
    }

    RecordingServices ui;
    testutil::TempDir tmp;
};

} // namespace

TEST_F(ShapeFiles, SigFileReplacesOnlyTheLinksItNamesAndFits)
{
    ASSERT_TRUE(KDVlib::ReadSigFile(dataPath("shapes_sample.sig")));

    // Ends saved away from their nodes (12 at 0,0 and 15 at 10,0) stay on the
    // nodes: a link never shows detached from them.
    const TArcos& a = Arcos[LinkIndex(12, 15)];
    ASSERT_EQ(a.PointCount, 2);
    EXPECT_EQ(a.Points[1].x, 0.0);
    EXPECT_EQ(a.Points[1].y, 0.0);
    EXPECT_EQ(a.Points[2].x, 10.0);
    EXPECT_EQ(a.Points[2].y, 0.0);
    const TArcos& b = Arcos[LinkIndex(15, 16)];
    ASSERT_EQ(b.PointCount, 3);
    EXPECT_EQ(b.Points[2].x, 3.25);
    EXPECT_EQ(b.Points[2].y, 4.75);
    EXPECT_EQ(b.Points[3].x, 10.0);
    EXPECT_EQ(b.Points[3].y, 10.0);
    // The 5-field line, A = 0, an unknown link: ignored without a word.
    EXPECT_EQ(Arcos[LinkIndex(12, 16)].PointCount, 2);
    EXPECT_EQ(Arcos[LinkIndex(12, 16)].Points[2].x, 10.0);
    // 13 points do not fit a link, and a line short of its coordinates is not half read.
    EXPECT_EQ(Arcos[LinkIndex(16, 12)].PointCount, 2);
    EXPECT_EQ(Arcos[LinkIndex(16, 15)].PointCount, 2);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("2 líneas no se consideraron"), std::string::npos);
    // Only a link given points beyond its ends holds them apart from its record.
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        EXPECT_EQ(Arcos[k].Points.allocated(), Arcos[k].PointCount > 2) << k;

    EXPECT_FALSE(KDVlib::ReadSigFile(tmp.file("no_such.sig")));
}

TEST_F(ShapeFiles, SigWriteReadRoundTripIsExact)
{
    // Inner points at UTM size with more digits than a single float holds.
    geomfix::Shape(LinkIndex(12, 15), {{0, 0}, {350123.123456789, 6301234.98765}, {350200.5, 6301300.00001}, {10, 0}});
    geomfix::Shape(LinkIndex(15, 16), {{10, 0}, {3.33333, 4.44444}, {10, 10}});
    Arcos[LinkIndex(16, 15)].PointCount = 0;
    std::string first = tmp.file("first.sig");
    ASSERT_TRUE(KDVlib::WriteSigFile(first));
    std::string written = testutil::readFile(first);
    EXPECT_NE(written.find("12,15,4,0.00000,0.00000,350123.12346,6301234.98765,350200.50000,6301300.00001,10.00000,"
                           "0.00000\r\n"),
              std::string::npos);
    EXPECT_NE(written.find("16,15,0\r\n"), std::string::npos);

    for (int k = 1; k <= Network.LinkCount; ++k)
        Arcos[k].Points[2] = {0, 0};
    ASSERT_TRUE(KDVlib::ReadSigFile(first));
    EXPECT_EQ(Arcos[LinkIndex(12, 15)].Points[2].x, 350123.12346);
    std::string second = tmp.file("second.sig");
    ASSERT_TRUE(KDVlib::WriteSigFile(second));
    EXPECT_EQ(testutil::readFile(second), written);
}

// A line whose points are not all plain numbers, or that holds more fields than
// its point count calls for (a decimal comma splits each number in two), is not
// half read as 0s or shifted pairs: the link keeps its shape, and the line is told.
TEST_F(ShapeFiles, ShapeAndTraceLinesWithUnreadablePointsAreToldNotRead)
{
    const char* bad[] = {"12,15,3,0,0,5,abc,10,0", "12,15,3,0,0,2,5,3,5,10,0", "12,15,3,0,0,,5,10,0"};
    for (const char* line : bad)
        for (const bool trace : {false, true}) {
            ui.messages.clear();
            const std::string path = tmp.file(trace ? "bad.geo" : "bad.sig");
            // The good line around it is read; a trailing blank field is no point.
            testutil::writeFile(path, std::string("15,16,3,10,0,12,5,10,10, \r\n") + line + "\r\n");
            TraceFileName = path;
            ASSERT_TRUE(trace ? KDVlib::LoadTrazas() : KDVlib::ReadSigFile(path)) << line;
            EXPECT_EQ(Arcos[LinkIndex(12, 15)].PointCount, 2) << line << trace;
            EXPECT_EQ(Arcos[LinkIndex(15, 16)].Points[2].x, 12.0) << line << trace;
            ASSERT_EQ(ui.messages.size(), 1u) << line << trace;
            EXPECT_NE(ui.messages[0].find("1 líneas no se consideraron"), std::string::npos) << ui.messages[0];
        }
    TraceFileName = "null";
}

TEST_F(ShapeFiles, TracesRepeatTheirLastPoint)
{
    TraceFileName = dataPath("shapes_traces.geo");
    ui.enabledItems["aArcos1"] = false;
    ASSERT_TRUE(KDVlib::LoadTrazas());

    const TArcos& a = Arcos[LinkIndex(12, 15)];
    ASSERT_EQ(a.PointCount, 3);
    EXPECT_EQ(a.Points[1].x, 1.0);
    EXPECT_EQ(a.Points[2].x, 5.0);
    EXPECT_EQ(a.Points[3].x, 5.0);
    EXPECT_EQ(a.Points[3].y, 5.0);
    const TArcos& b = Arcos[LinkIndex(15, 16)];
    ASSERT_EQ(b.PointCount, 12); // 11 trace points fill the link
    EXPECT_EQ(b.Points[12].x, 10.0);
    EXPECT_EQ(Arcos[LinkIndex(16, 12)].PointCount, 2); // 12 trace points do not fit
    EXPECT_TRUE(ui.enabledItems["aArcos1"]);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("1 líneas"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("1 trazas no son de un arco de esta red"), std::string::npos); // 77->78

    // A trace of a link this network lacks is told, the others read.
    ui.messages.clear();
    testutil::writeFile(tmp.file("other.geo"), "12,15,2,1,1,6,6\r\n99,98,2,1,1,2,2\r\n");
    TraceFileName = tmp.file("other.geo");
    ASSERT_TRUE(KDVlib::LoadTrazas());
    EXPECT_EQ(a.Points[2].x, 6.0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("1 trazas no son de un arco de esta red"), std::string::npos);
    TraceFileName = "null";
}

TEST_F(ShapeFiles, LinkOrderNumbersEachLinkFoundOnce)
{
    KDVlib::BuildHitGrid();
    LinkOrderFileName = dataPath("shapes_order.csv");
    ASSERT_TRUE(KDVlib::LoadOrdenArcos());
    // Lines name 15->16 (link 3) then 12->15 (link 1): link 3 is drawn last.
    EXPECT_EQ(Order(), (std::vector<int32_t>{2, 4, 5, 1, 3}));
    const TSpatialTile& t = HitGrid[0][0];
    EXPECT_EQ(std::vector<int32_t>(t.Links, t.Links + t.LinkCount), Order());

    EXPECT_TRUE(ui.messages.empty());

    // Repeated and unknown links neither draw a link twice nor drop another; the
    // lines passed over are told once.
    LinkOrderFileName = dataPath("shapes_order_repeats.csv");
    std::fill(std::begin(LinkOrder), std::end(LinkOrder), 0);
    ASSERT_TRUE(KDVlib::LoadOrdenArcos());
    EXPECT_EQ(Order(), (std::vector<int32_t>{2, 4, 5, 1, 3}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("no nombran un arco de esta red"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("repiten un arco ya ordenado"), std::string::npos) << ui.messages[0];

    // A first line without either separator is refused and changes nothing.
    std::string bad = tmp.file("bad.csv");
    testutil::writeFile(bad, "15 16\r\n");
    LinkOrderFileName = bad;
    EXPECT_FALSE(KDVlib::LoadOrdenArcos());
    EXPECT_EQ(Order(), (std::vector<int32_t>{2, 4, 5, 1, 3}));
    EXPECT_TRUE(ui.anyMessageContains("formato no reconocido"));
    // Blank lines are no first line: before the order they are passed over, and
    // alone they make an empty file, refused as such.
    for (const auto& [text, said] : {std::pair<std::string, std::string>{"\r\n  \r\n", "bad.csv sin datos"},
                                     {"", "bad.csv sin datos"},
                                     {"\r\n15 16\r\n", "formato no reconocido"}}) {
        testutil::writeFile(bad, text);
        ui.messages.clear();
        EXPECT_FALSE(KDVlib::LoadOrdenArcos()) << text;
        ASSERT_EQ(ui.messages.size(), 1u) << text;
        EXPECT_NE(ui.messages[0].find(said), std::string::npos) << ui.messages[0];
        EXPECT_EQ(Order(), (std::vector<int32_t>{2, 4, 5, 1, 3}));
    }
    testutil::writeFile(bad, "\r\n15,16\r\n");
    ASSERT_TRUE(KDVlib::LoadOrdenArcos());
    EXPECT_EQ(Order(), (std::vector<int32_t>{1, 2, 4, 5, 3}));
    // The link grid written out after a sort, its titles first: they are passed
    // over without a word.
    ui.messages.clear();
    testutil::writeFile(bad, "NodoA,NodoB,Calle,Orden,\r\n12,15,,    1,\r\n15,16,,    3,\r\n");
    ASSERT_TRUE(KDVlib::LoadOrdenArcos());
    EXPECT_EQ(Order(), (std::vector<int32_t>{2, 4, 5, 3, 1}));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    LinkOrderFileName = "null";
}

TEST_F(ShapeFiles, NodeListHoldsOneNumberPerLine)
{
    NodeList[9] = 99;
    NodoEnLista[3] = 1;
    ASSERT_TRUE(KDVlib::LoadNodeList(dataPath("shapes_nodes.txt")));
    EXPECT_EQ(NodeList[1], 101);
    EXPECT_EQ(NodeList[2], 205);
    EXPECT_EQ(NodeList[3], 7);
    EXPECT_EQ(NodeList[4], 0);
    EXPECT_EQ(NodeList[9], 0);
    EXPECT_EQ(NodoEnLista[3], 0);
    EXPECT_TRUE(ui.messages.empty());

    // A blank line or a heading does not end the list before the nodes after it;
    // a line naming no node is told once.
    testutil::writeFile(tmp.file("gaps.txt"), "Nodo\r\n101\r\n\r\n0\r\n7\r\n");
    ASSERT_TRUE(KDVlib::LoadNodeList(tmp.file("gaps.txt")));
    EXPECT_EQ(NodeList[1], 101);
    EXPECT_EQ(NodeList[2], 7);
    EXPECT_EQ(NodeList[3], 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("2 líneas sin un número de nodo"), std::string::npos);
    ui.messages.clear();

    std::string many;
    for (int i = 1; i <= 1005; ++i)
        many += std::to_string(i) + "\r\n";
    std::string path = tmp.file("many.txt");
    testutil::writeFile(path, many);
    ASSERT_TRUE(KDVlib::LoadNodeList(path));
    EXPECT_EQ(NodeList[1000], 1000);
    EXPECT_TRUE(ui.anyMessageContains("1000"));
}
