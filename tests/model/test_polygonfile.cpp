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
