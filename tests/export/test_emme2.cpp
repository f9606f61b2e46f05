// EMME/2 batch-input files of a small network against an expected set.
#include "export/Emme2Export.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "support/HandNetwork.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

using testutil::dataPath;
using testutil::readFile;
using testutil::PlacedNode;

namespace {

void Emme2Network()
{
    PalvonRead::ClearNetwork();
    const int32_t n1 = PlacedNode(101, 1000.0f, 2000.0f);
    const int32_t n2 = PlacedNode(102, 2234.5f, 2000.0f);
    const int32_t z = PalvonRead::NewZone();
    Zonas[z].Number = 7;
    Zonas[z].CentroidX = 900.0f;
    Zonas[z].CentroidY = 1900.5f;
    Zonas[z].ConnectorCount = 2;
    Zonas[z].Connectors.resize(3);
    Zonas[z].Connectors[1].Kind = 1;
    Zonas[z].Connectors[1].NodeIndex = n1;
    Zonas[z].Connectors[2].Kind = 2; // to a junction arm: no access link
    // A zone numbered as a node: every centroid moves above the nodes (1000 +).
    const int32_t z2 = PalvonRead::NewZone();
    Zonas[z2].Number = 102;
    Zonas[z2].CentroidX = 2300.25f;
    Zonas[z2].CentroidY = 2100.75f;
    Zonas[z2].ConnectorCount = 1;
    Zonas[z2].Connectors.resize(2);
    Zonas[z2].Connectors[1].Kind = 1;
    Zonas[z2].Connectors[1].NodeIndex = n2;
    const int32_t k = PalvonRead::NewLink();
    Arcos[k].A = 101;
    Arcos[k].B = 102;
    Arcos[k].StraightLength = 1234.5f;
    Arcos[k].SetLanes(2);
    Arcos[k].Var[1] = 50;
    Arcos[k].Var[3] = 1.5f;
    Arcos[k].Var[5] = 1800;
    Arcos[k].Var[9] = 2.5f;   // category 2 (halves to even)
    Arcos[k].Var[27] = 0.25f; // xd1
    Arcos[k].Var[28] = 1;     // extra data 1 -> xd2
    Arcos[k].Var[34] = 7;     // extra data 7 -> pen
    int32_t l = PalvonRead::NewLine();
    Lineas[l].Name = "L1";
    Lineas[l].Frequency = 4;
    Lineas[l].Extra = "Centro";
    Lineas[l].Stops = {17};
    for (int32_t s = 1; s <= 17; ++s)
        Lineas[l].Stops.push_back(s % 2 ? 101 : -102);
    l = PalvonRead::NewLine();
    Lineas[l].Name = "L2"; // no frequency, no nodes
}

} // namespace

// The expected files were written by hand from the record layouts (zone 7 ->
// centroid 1007 and zone 102 -> 1102, nodes reaching 102; lengths in km; the
// link data columns), not by the writer.
TEST(Emme2Export, FourFilesMatchExpected)
{
    Emme2Network();
    testutil::TempDir dir;
    std::string error;
    ASSERT_TRUE(Emme2Export::WriteEmme2(dir.file("red"), error)) << error;
    for (const char* ext : {".cents", ".network", ".links", ".fixed"})
        EXPECT_EQ(readFile(dir.file(std::string("red") + ext)), readFile(dataPath(std::string("exp_emme2") + ext)))
            << ext;
    // Without a clash the zone numbers stay as they are; with one and no room
    // below EMME/2's largest node number nothing is written.
    EXPECT_NE(Emme2Export::DemandNotice().find("más 1000 (la zona 7 es el centroide 1007)"), std::string::npos)
        << Emme2Export::DemandNotice();
    Zonas[2].Number = 8;
    EXPECT_EQ(Emme2Export::CentroidOffset(), 0);
    EXPECT_EQ(Emme2Export::DemandNotice(), "");
    EXPECT_NE(Emme2Export::CentsText().find("\r\na*     7 "), std::string::npos);
    Zonas[2].Number = 102;
    PlacedNode(999990, 0.0f, 0.0f);
    EXPECT_FALSE(Emme2Export::WriteEmme2(dir.file("lleno"), error));
    EXPECT_NE(error.find("zona 102"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.file("lleno.cents")));
}

// Centroid numbers at their limits and one past: the power of ten just above the
// largest node (999 -> 1000, 1000 -> 10000), and EMME/2's largest number, 999999,
// taken by a centroid; one more is refused. Without a clash a node or a zone
// keeps its own number: 999999 is written, one more is refused.
TEST(Emme2Export, CentroidNumbersAtTheirLimitsAndOnePast)
{
    const struct {
        int32_t node, zone, offset;
        bool fits;
        bool clash = true;
    } rows[] = {{999, 5, 1000, true},           {1000, 5, 10000, true},
                {99999, 899999, 100000, true},  {99999, 900000, 100000, false},
                {999999, 5, 0, true, false},    {1000000, 5, 0, false, false},
                {99999, 999999, 0, true, false}, {99999, 1000000, 0, false, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.node) + " " + std::to_string(r.zone));
        Emme2Network();
        PlacedNode(r.node, 0.0f, 0.0f);
        if (r.clash)
            Zonas[1].Number = 102; // the clash that renumbers every centroid
        Zonas[2].Number = r.zone;
        EXPECT_EQ(Emme2Export::CentroidOffset(), r.offset);
        testutil::TempDir dir;
        std::string error;
        EXPECT_EQ(Emme2Export::WriteEmme2(dir.file("red"), error), r.fits) << error;
        EXPECT_EQ(std::filesystem::exists(dir.file("red.network")), r.fits);
        if (r.fits) {
            EXPECT_NE(readFile(dir.file("red.cents")).find(ZelUtils::Format("a*%6d ", r.offset + r.zone)), std::string::npos);
            EXPECT_NE(readFile(dir.file("red.network")).find(ZelUtils::Format("a %6d ", r.node)), std::string::npos);
        } else {
            EXPECT_NE(error.find("999999"), std::string::npos) << error;
        }
    }
}

// A link datum that fills its column keeps a blank before it, so that the table
// read by its blanks gives every value back: fewer decimals, or the whole number.
TEST(Emme2Export, LinkDataWiderThanTheirColumnKeepABlankBefore)
{
    const struct {
        float cap;
        const char* column;
    } rows[] = {{654321.5f, " 654321.50"}, {1000000.0f, " 1000000.0"}, {-1234567.0f, "  -1234567"},
                {123456792.0f, " 123456792"}, {-1.0e9f, " -1000000000"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.column);
        Emme2Network();
        Arcos[1].Var[5] = r.cap;
        const std::string text = Emme2Export::LinksText();
        const std::string row = text.substr(text.find("\r\n") + 2);
        EXPECT_EQ(row.substr(0, 36 + std::string(r.column).size()),
                  std::string("     101     102     50.00      1.50") + r.column);
        EXPECT_EQ(row.substr(36 + std::string(r.column).size(), 10), "      7.00");
    }
}

TEST(Emme2Export, EmptyNetworkKeepsHeadersAndReportsUnwritableFolder)
{
    PalvonRead::ClearNetwork();
    EXPECT_EQ(Emme2Export::CentsText(), "t nodes\r\n");
    EXPECT_EQ(Emme2Export::NetworkText(), "t nodes\r\n\r\nt links\r\n");
    EXPECT_EQ(Emme2Export::LinksText().substr(0, 8), "      na");
    EXPECT_EQ(Emme2Export::FixedText(), "t lines\r\n");
    testutil::TempDir dir;
    std::string error;
    EXPECT_FALSE(Emme2Export::WriteEmme2(dir.file("no/such/red"), error));
    EXPECT_NE(error.find("No se pudo grabar"), std::string::npos);
}
