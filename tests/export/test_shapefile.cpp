// Link shapefile: field table, record order, skipped links and independent reading.
#include "export/ZelShper0.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <shapefil.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

using testutil::readFile;

namespace {

void ShpNetwork()
{
    PalvonRead::ClearNetwork();
    auto node = [](int32_t number, float x, float y, uint8_t has) {
        const int32_t i = PalvonRead::NodeIndex(number);
        Nodos[i].X = x;
        Nodos[i].Y = y;
        Nodos[i].HasXY = has;
        return i;
    };
    const int32_t n[] = {0, node(10, 100, 200, 1), node(20, 300, 400, 1), node(30, 0, 0, 0)};
    auto link = [&](int a, int b, const char* street) {
        const int32_t k = PalvonRead::NewLink();
        Arcos[k].A = Nodos[n[a]].Number;
        Arcos[k].B = Nodos[n[b]].Number;
        Arcos[k].AIndex = n[a];
        Arcos[k].BIndex = n[b];
        Arcos[k].StreetName = street;
        Arcos[k].Var[1] = 40.0f + k;
        Arcos[k].Var[28] = 2.5f;
        return k;
    };
    link(2, 1, "Sur");     // 1: 20-10
    link(1, 3, "Norte");   // 2: 10-30, no coordinates at 30
    link(1, 2, "");        // 3: 10-20
}

} // namespace

TEST(ZelShper0, LinkFieldTable)
{
    const auto f = ZelShper0::LinkFields(2, 1, false, 0);
    ASSERT_EQ(f.size(), 30u);
    EXPECT_EQ(f[5].Name, "V0   ");
    EXPECT_EQ(f[14].Name, "XDat1");
    EXPECT_EQ(f[14].Var, 28);
    EXPECT_EQ(f[16].Name, "Vehs1");
    EXPECT_EQ(f[17].Name, "TpoOp");
    EXPECT_EQ(f[29].Name, "GSatM");
    const auto g = ZelShper0::LinkFields(0, 0, true, 2);
    EXPECT_EQ(g.size(), 27u + 1 + 4);
    EXPECT_EQ(g[19].Name, "FPlod");
    EXPECT_EQ(g[20].Name, "CGen1");
    EXPECT_EQ(g[22].Name, "FUsu1");
    EXPECT_EQ(g[23].Var, 67);
}

TEST(ZelShper0, LinksInKeyOrderSkippingLinksWithoutCoordinates)
{
    ShpNetwork();
    testutil::TempDir dir;
    std::string error;
    // Link 3 twice (listed in two tiles) is written once.
    ASSERT_TRUE(ZelShper0::WriteLinkShapefile(dir.file("red.dat"), {1, 3, 2, 3}, 2, 0, false, 0, error)) << error;
    for (const char* ext : {".shp", ".shx", ".dbf"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("red") + ext))) << ext;
    // No temporary folder is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);

    const std::string base = dir.file("red");
    DBFHandle dbf = DBFOpen(base.c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    EXPECT_EQ(DBFGetFieldCount(dbf), 29);
    ASSERT_EQ(DBFGetRecordCount(dbf), 2);
    // Keys in order: 10-20 (Id 1), 10-30 (Id 2, skipped), 20-10 (Id 3).
    EXPECT_EQ(DBFReadIntegerAttribute(dbf, 0, 0), 1);
    EXPECT_EQ(DBFReadIntegerAttribute(dbf, 0, 1), 10);
    EXPECT_STREQ(DBFReadStringAttribute(dbf, 0, 3), "");
    EXPECT_EQ(DBFReadIntegerAttribute(dbf, 0, 4), 1);
    EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(dbf, 0, 5), 43.0);
    EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(dbf, 0, 14), 2.5);
    EXPECT_EQ(DBFReadIntegerAttribute(dbf, 1, 0), 3);
    EXPECT_STREQ(DBFReadStringAttribute(dbf, 1, 3), "Sur");
    DBFClose(dbf);
    SHPHandle shp = SHPOpen(base.c_str(), "rb");
    ASSERT_NE(shp, nullptr);
    SHPObject* o = SHPReadObject(shp, 1);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->nSHPType, SHPT_ARC);
    ASSERT_EQ(o->nVertices, 2);
    EXPECT_DOUBLE_EQ(o->padfX[0], 300.0);
    EXPECT_DOUBLE_EQ(o->padfY[1], 200.0);
    SHPDestroyObject(o);
    SHPClose(shp);

    // Independent reader.
    const std::string cmd = "ogrinfo -ro -al -so '" + dir.file("red.shp") + "' 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    EXPECT_NE(out.find("Feature Count: 2"), std::string::npos) << out;
}

// The columns come from the open network: its transit-line blocks (vehicle
// columns), the preloaded flows of its listing and its user classes.
TEST(ZelShper0, NetworkColumnsCarryVehiclesPreloadAndUserClasses)
{
    ShpNetwork();
    Network.Options.KNOBS = 1;
    Network.TransitBlockCount = 2;
    Network.Options.NOMADS = 2;
    PreloadShift = 1;
    LpaFirstCol = 14; // the link grid shows the listing's columns, the preload's among them
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        Arcos[k].Var[42] = 12.0f * k; // vehicles of transit block 2
        Arcos[k].Var[65] = 100.0f + k; // preload flow
        Arcos[k].Var[67] = 7.0f;       // flow of user class 2
    }
    testutil::TempDir dir;
    std::string error;
    const bool ok = ZelShper0::WriteNetworkLinkShapefile(dir.file("red.shp"), {1, 2, 3}, error);
    Network.Options.KNOBS = 0;
    Network.TransitBlockCount = 0;
    Network.Options.NOMADS = 0;
    PreloadShift = 0;
    LpaFirstCol = 0;
    ASSERT_TRUE(ok) << error;
    if (std::system("command -v ogrinfo >/dev/null 2>&1") != 0)
        FAIL() << "ogrinfo not available";
    std::string out;
    if (FILE* p = popen(("ogrinfo -ro -al '" + dir.file("red.shp") + "' 2>&1").c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    EXPECT_NE(out.find("Feature Count: 2"), std::string::npos) << out;
    for (const char* field : {"XDat1: Real", "Vehs1: Real", "Vehs2: Real", "FPlod: Real", "CGen2: Real",
                              "FUsu2: Real", "GSatM: Real"})
        EXPECT_NE(out.find(field), std::string::npos) << field << "\n" << out;
    // Link 20-10 (record 1) comes second in key order.
    EXPECT_NE(out.find("Vehs2 (Real) = 12.00"), std::string::npos) << out;
    EXPECT_NE(out.find("FPlod (Real) = 101.00"), std::string::npos) << out;
    EXPECT_NE(out.find("FUsu2 (Real) = 7.00"), std::string::npos) << out;
}

// The text of one field of one record, read from the table's own bytes.
std::string DbfCell(const std::string& dbf, int record, const std::string& field)
{
    const auto u16 = [&](size_t at) { return size_t(uint8_t(dbf[at])) | size_t(uint8_t(dbf[at + 1])) << 8; };
    size_t offset = 1;
    for (size_t at = 32; at + 32 <= dbf.size() && dbf[at] != '\r'; at += 32) {
        const size_t width = uint8_t(dbf[at + 16]);
        if (std::string(dbf.c_str() + at) == field)
            return dbf.substr(u16(8) + size_t(record) * u16(10) + offset, width);
        offset += width;
    }
    return "?";
}

// A real too wide for its 8-character column keeps its value with fewer
// decimals, or is left empty and said; never cut on the right into another number.
TEST(ZelShper0, RealsTooWideForTheirColumnAreNeverCut)
{
    const struct {
        float value;
        const char* cell;
        bool said;
    } cases[] = {{123.456f, "  123.46", false},  {99999.99f, "99999.99", false},   {123456.8f, "123456.8", false},
                 {-1234567.0f, "-1234567", false}, {123456789.0f, "********", true}, {-1.0e8f, "********", true},
                 {std::numeric_limits<float>::infinity(), "********", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        ShpNetwork();
        Arcos[3].Var[5] = c.value; // "Cap" of link 10-20, the first record
        testutil::TempDir dir;
        std::string error;
        ASSERT_TRUE(ZelShper0::WriteLinkShapefile(dir.file("red.shp"), {1, 2, 3}, 0, 0, false, 0, error)) << error;
        const std::string dbf = testutil::readFile(dir.file("red.dbf"));
        EXPECT_EQ(DbfCell(dbf, 0, "Cap  "), c.cell);
        EXPECT_EQ(DbfCell(dbf, 0, "V0   "), "   43.00");
        EXPECT_EQ(ZelShper0::UnfitNotice().find("un valor no cabe") != std::string::npos, c.said)
            << ZelShper0::UnfitNotice();
        if (c.said) {
            EXPECT_NE(ZelShper0::UnfitNotice().find("Cap del arco 10-20"), std::string::npos) << ZelShper0::UnfitNotice();
        }
    }
    // A street name with letters the table's code page lacks is said too, in the same notice.
    ShpNetwork();
    Arcos[1].StreetName = "\xC5\x81\xC3\xB3" "d\xC5\xBA"; // "Łódź"
    testutil::TempDir dir;
    std::string error;
    ASSERT_TRUE(ZelShper0::WriteLinkShapefile(dir.file("red.shp"), {1, 3}, 0, 0, false, 0, error)) << error;
    EXPECT_EQ(DbfCell(testutil::readFile(dir.file("red.dbf")), 1, "Calle").substr(0, 4), "?\xF3" "d?");
    EXPECT_NE(ZelShper0::UnfitNotice().find("la calle \"\xC5\x81\xC3\xB3" "d\xC5\xBA\""), std::string::npos)
        << ZelShper0::UnfitNotice();
}

TEST(ZelShper0, UnwritableFolderIsReportedAndEmptyNetworkGivesEmptyTable)
{
    PalvonRead::ClearNetwork();
    testutil::TempDir dir;
    std::string error;
    EXPECT_FALSE(ZelShper0::WriteLinkShapefile(dir.file("no/red.shp"), {}, 0, 0, false, 0, error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(ZelShper0::WriteLinkShapefile(dir.file("vacia.shp"), {}, 0, 0, false, 0, error)) << error;
    DBFHandle dbf = DBFOpen(dir.file("vacia").c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    EXPECT_EQ(DBFGetFieldCount(dbf), 27);
    EXPECT_EQ(DBFGetRecordCount(dbf), 0);
    DBFClose(dbf);
}
