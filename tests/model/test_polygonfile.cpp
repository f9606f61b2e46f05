#include "model/PolygonFile.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

TEST(PolygonFile, FieldsCommentsAndMissingPoints)
{
    testutil::TempDir tmp;
    std::string path = tmp.file("zonas.plg");
    testutil::writeFile(path, "* id;nombre;n\r\n"
                              "7;Centro;4;0;0;0;0;0;0;10;0;10;10;0;10\r\n"
                              "12;Corto;3;0;0;0;0;5;5\r\n");
    std::vector<TPolygonRecord> polys;
    ASSERT_TRUE(PolygonFile::Read(path, polys));
    ASSERT_EQ(polys.size(), 2u);
    EXPECT_EQ(polys[0].Id, 7);
    EXPECT_EQ(polys[0].Name, "Centro");
    ASSERT_EQ(polys[0].Points.size(), 4u);
    EXPECT_DOUBLE_EQ(polys[0].Points[2].x, 10.0);
    EXPECT_DOUBLE_EQ(polys[0].Points[2].y, 10.0);
    // Three points announced, one written: no phantom (0, 0) vertices.
    EXPECT_EQ(polys[1].Points.size(), 1u);
    EXPECT_FALSE(PolygonFile::Read(tmp.file("falta.plg"), polys));
}

TEST(PolygonFile, BlankLinesAreNoPolygon)
{
    testutil::TempDir tmp;
    std::string path = tmp.file("cero.plg");
    // A blank line after polygon 0 must not come back as a second, empty polygon 0.
    testutil::writeFile(path, "0;Cero;3;0;0;0;0;0;0;10;0;0;10\r\n\r\n   \r\n");
    std::vector<TPolygonRecord> polys;
    ASSERT_TRUE(PolygonFile::Read(path, polys));
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_EQ(polys[0].Id, 0);
    EXPECT_EQ(polys[0].Points.size(), 3u);
}

TEST(PolygonFile, ContainsWorksWithNegativeCoordinates)
{
    TPolygonRecord p;
    p.Points = {{-300, -200}, {-100, -200}, {-100, -50}, {-300, -50}};
    EXPECT_TRUE(PolygonFile::Contains(p, -200, -100));
    EXPECT_FALSE(PolygonFile::Contains(p, -99, -100));
    EXPECT_FALSE(PolygonFile::Contains(p, -200, -201));
    TPolygonRecord line;
    line.Points = {{0, 0}, {1, 1}};
    EXPECT_FALSE(PolygonFile::Contains(line, 0.5, 0.5));
}

TEST(PolygonFile, FullRecordLabelPointsStyleAndBlankLines)
{
    testutil::TempDir tmp;
    const std::string path = tmp.file("plg_full.plg");
    testutil::writeFile(path, "*comentario\r\n"
                              "1;A;3;32768;1;13887443;0;0;0;10;0;10;10\r\n"
                              "1;A;3;32768;1;13887443;1;0;0;10;0;10;10;5;5\r\n"
                              "1;A;3;32768;2.5;13887443; 1;0;0;10;0;10;10;0;0\r\n"
                              "\r\n"
                              "9;B;x;255;3;0;;4;4\r\n");
    std::vector<TPolygonRecord> p;
    ASSERT_TRUE(PolygonFile::ReadAll(path, p));
    ASSERT_EQ(p.size(), 5u); // the comment does not count, the blank line does
    EXPECT_EQ(p[0].PenColor, 32768u);
    EXPECT_EQ(p[0].BrushColor, 13887443u);
    EXPECT_NEAR(p[0].Label.x, 20.0 / 3, 1e-9);
    EXPECT_NEAR(p[0].Label.y, 10.0 / 3, 1e-9);
    EXPECT_FALSE(p[0].BrushClear);
    EXPECT_DOUBLE_EQ(p[1].Label.x, 5);
    EXPECT_TRUE(p[1].BrushClear);
    EXPECT_NEAR(p[2].Label.x, 20.0 / 3, 1e-9); // (0, 0) means none
    EXPECT_FALSE(p[2].BrushClear);             // " 1" is not "1"
    EXPECT_EQ(p[2].PenWidth, 2);               // halves to even
    EXPECT_EQ(p[3].Id, 0);
    EXPECT_TRUE(p[3].Name.empty());
    EXPECT_TRUE(p[3].Points.empty());
    EXPECT_TRUE(p[4].Points.empty()); // a vertex count that is no number is 0
    EXPECT_EQ(p[4].PenWidth, 3);
    // The batch reading still skips the blank line.
    ASSERT_TRUE(PolygonFile::Read(path, p));
    EXPECT_EQ(p.size(), 4u);
}

TEST(PolygonFile, WritersFormatPlgGeoAndZoning)
{
    testutil::TempDir tmp;
    TPolygonRecord a;
    a.Id = 3;
    a.Name = "Norte";
    a.Points = {{1.005, 2}, {-3.25, 4.5}};
    a.BrushClear = true;
    a.Label = {0.5, 0.25};
    TPolygonRecord empty;
    empty.Name = "Vacio";
    const std::string plg = tmp.file("out.plg");
    ASSERT_TRUE(PolygonFile::Write(plg, {a, empty}));
    EXPECT_EQ(testutil::readFile(plg), "3;Norte;2;32768;1;13887443;1;1.00;2.00;-3.25;4.50;0.50;0.25\r\n"
                                       "0;Vacio;0;32768;1;13887443;0;0.00;0.00\r\n");
    const std::string geo = tmp.file("out.geo");
    ASSERT_TRUE(PolygonFile::WriteArea(geo, {a, empty}));
    EXPECT_EQ(testutil::readFile(geo), "Norte,0,3,1.00,2.00,-3.25,4.50,1.00,2.00\r\nVacio,0,0\r\n");
    // The area reader takes back what the export writes: the vertices without the
    // ring's closing one; a line of the reader's own layout (even field count) is
    // read by it.
    testutil::writeFile(tmp.file("out.geo"), testutil::readFile(geo) + "7,2,5,6,7,8\r\n");
    std::vector<TPolygonRecord> back;
    ASSERT_TRUE(PolygonFile::ReadArea(geo, TPolygonRecord{}, back));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].Name, "Norte");
    EXPECT_EQ(back[0].Id, 0);
    ASSERT_EQ(back[0].Points.size(), 2u);
    EXPECT_EQ(back[0].Points[1].x, -3.25);
    EXPECT_EQ(back[0].Points[1].y, 4.5);
    EXPECT_TRUE(back[1].Points.empty());
    ASSERT_EQ(back[2].Points.size(), 2u);
    EXPECT_EQ(back[2].Id, 7);
    EXPECT_EQ(back[2].Points[1].x, 7);
    EXPECT_FALSE(PolygonFile::Write(tmp.file("no/existe/x.plg"), {a}));

    const int32_t zones = Network.ZoneCount;
    Network.ZoneCount = 2;
    Zonas[1].Number = 11;
    Zonas[1].PolygonCount = 0;
    Zonas[1].Polygon.clear();
    Zonas[2].Number = 12;
    Zonas[2].PolygonCount = 2;
    Zonas[2].Polygon = {{0, 0}, {1.123456, 2}, {3, 4.5}};
    const std::string zon = tmp.file("zonas.geo");
    const bool written = PolygonFile::WriteZoning(zon);
    Network.ZoneCount = zones;
    Zonas[1] = TZona{};
    Zonas[2] = TZona{};
    ASSERT_TRUE(written);
    // A zone without an outline gives no line: the first is an arc the zoning
    // reader takes.
    EXPECT_EQ(testutil::readFile(zon), "12,0,2,1.12346,2.00000,3.00000,4.50000\r\n");
}
