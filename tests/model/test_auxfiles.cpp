// Auxiliary data files of a network: coordinates files (text and DXF), complementary
// link and movement columns, zoning (text and shapefile), generation/attraction.
#include "model/ComplementaryData.h"
#include "model/CoordinatesFiles.h"
#include "model/FileUtils.h"
#include "model/Genatr.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"
#include "model/ZoningLoaders.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <filesystem>

using testutil::dataPath;
using ZelUtils::Format;

namespace {

bool HaveRealData() { return std::filesystem::exists(testutil::realDataPath("README.md")); }

// A network text without its coordinates section (header to terminator).
std::vector<std::string> WithoutCoordinates(std::vector<std::string> lines)
{
    auto start = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("55555", 0) == 0; });
    auto end = std::find_if(start + 1, lines.end(), [](const std::string& l) { return l.rfind("99999", 0) == 0; });
    lines.erase(start, end + 1);
    return lines;
}

class AuxFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        Network.ErrorList.clear();
        NumColArcos = NumColMovim = 0;
        CompFirstCol = CompFirstColMovim = CompWidthArcos = CompWidthMovim = 0;
        ColVarArcos.fill(0);
        ColVarMovim.fill(0);
    }
    bool ReadText(std::vector<std::string> lines, const std::string& path)
    {
        settings.NetworkDatFile = path;
        return PalvonRead::ReadNetwork(lines, settings);
    }
    std::vector<std::string> RealLines(const std::string& name)
    {
        std::vector<std::string> lines;
        EXPECT_TRUE(FileUtils::ReadLines(testutil::realDataPath(name), lines));
        return lines;
    }
    // Nodes 10, 20, 30 and zones 5 and 10, none placed.
    void SmallNetwork()
    {
        PalvonRead::ClearNetwork();
        for (int n : {10, 20, 30})
            PalvonRead::NodeIndex(n);
        for (int z : {5, 10})
            Zonas[PalvonRead::NewZone()].Number = z;
    }
    // The link grid laid out with its 14 base columns.
    static void LinkGridOf14()
    {
        NumColArcos = 14;
        for (int c = 4; c < 14; ++c)
            ColVarArcos[static_cast<size_t>(c)] = c - 3;
    }
    const TNodo& Node(int number) { return Nodos[KDVlib::FindNodo(number)]; }
    const TZona& Zone(int number) { return Zonas[KDVlib::FindZona(number)]; }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
};

struct Snapshot {
    std::vector<float> x, y, cx, cy;
    std::vector<int32_t> bearing, turnDir;
    float minX, maxX, minY, maxY, lengthScale;
};

Snapshot Take()
{
    Snapshot s;
    for (int n = 1; n <= Network.NodeCount; ++n)
        s.x.push_back(Nodos[n].X), s.y.push_back(Nodos[n].Y);
    for (int z = 1; z <= Network.ZoneCount; ++z)
        s.cx.push_back(Zonas[z].CentroidX), s.cy.push_back(Zonas[z].CentroidY);
    for (int k = 1; k <= Network.LinkCount; ++k)
        s.bearing.push_back(Arcos[k].BearingA);
    for (int m = 1; m <= Network.MovementCount; ++m)
        s.turnDir.push_back(Movims[m].TurnDir);
    s.minX = Network.MinX, s.maxX = Network.MaxX, s.minY = Network.MinY, s.maxY = Network.MaxY;
    s.lengthScale = Network.LengthScale;
    return s;
}

} // namespace

// ---- Coordinates files --------------------------------------------------------

TEST_F(AuxFiles, GeographicTextPlacesARealNetworkAsItsCoordinatesSectionDoes)
{
    if (!HaveRealData())
        FAIL() << "no real networks";
    const std::vector<std::string> lines = RealLines("siouxfalls.dat");
    ASSERT_TRUE(ReadText(lines, testutil::realDataPath("siouxfalls.dat")));
    const Snapshot ref = Take();
    std::string text;
    for (int n = 1; n <= Network.NodeCount; ++n)
        text += Format("%d;%.9g;%.9g\r\n", Nodos[n].Number, Nodos[n].Longitude, Nodos[n].Latitude);

    ASSERT_TRUE(ReadText(WithoutCoordinates(lines), testutil::realDataPath("siouxfalls.dat")));
    ASSERT_EQ(Network.HasCoordinates, 0);
    testutil::writeFile(tmp.file("sioux.geo"), text);
    ASSERT_TRUE(KDVlib::LoadCoordinatesFile(tmp.file("sioux.geo"), KDVlib::CoordinatesText));

    const Snapshot got = Take();
    EXPECT_EQ(got.x, ref.x);
    EXPECT_EQ(got.y, ref.y);
    EXPECT_EQ(got.bearing, ref.bearing);
    EXPECT_EQ(got.lengthScale, ref.lengthScale);
    // Centroids sit on their nodes here: the same extent, margin included.
    EXPECT_EQ(got.minX, ref.minX);
    EXPECT_EQ(got.maxX, ref.maxX);
    EXPECT_EQ(got.minY, ref.minY);
    EXPECT_EQ(got.maxY, ref.maxY);
    // Zones 1..24 are also nodes: a text file places only the node.
    EXPECT_EQ(Network.HasCentroids, 0);
    EXPECT_FALSE(ui.progressCaptions.empty());
}

// A positions file as the program writes it (centroids first, then nodes) reads
// back each line to its own record, though zones 1..24 are also nodes 1..24.
TEST_F(AuxFiles, PositionsFileGivesZonesAndNodesOfTheSameNumberTheirOwnPlaces)
{
    if (!HaveRealData())
        FAIL() << "no real networks";
    const std::string net = testutil::realDataPath("siouxfalls-junctions.dat");
    ASSERT_TRUE(ReadText(RealLines("siouxfalls-junctions.dat"), net));
    ASSERT_GT(Network.ZoneCount, 3);
    ASSERT_GT(KDVlib::FindNodo(Zonas[3].Number), 0);
    const Snapshot ref = Take();
    std::string text;
    for (int z = 1; z <= Network.ZoneCount; ++z)
        if (Zonas[z].HasCentroid)
            text += Format("%d,%.5f,%.5f\r\n", Zonas[z].Number, Zonas[z].CentroidX + (z == 3 ? 40.0 : 0.0),
                           double(Zonas[z].CentroidY));
    for (int n = 1; n <= Network.NodeCount; ++n)
        text += Format("%d,%.5f,%.5f\r\n", Nodos[n].Number, double(Nodos[n].X),
                       Nodos[n].Y + (Nodos[n].Number == Zonas[3].Number ? 25.0 : 0.0));
    testutil::writeFile(tmp.file("red_coordenadas.geo"), text);
    EXPECT_EQ(KDVlib::PositionsFileName(tmp.path().string(), "red.dat"), tmp.file("red_coordenadas.geo"));

    ASSERT_TRUE(ReadText(RealLines("siouxfalls-junctions.dat"), net));
    std::vector<int32_t> moved;
    ASSERT_TRUE(KDVlib::ReadPositionsFile(tmp.file("red_coordenadas.geo"), moved));
    const int32_t n3 = KDVlib::FindNodo(Zonas[3].Number);
    EXPECT_EQ(moved, std::vector<int32_t>{n3});
    EXPECT_FLOAT_EQ(Zonas[3].CentroidX, ref.cx[2] + 40.0f);
    EXPECT_FLOAT_EQ(Zonas[3].CentroidY, ref.cy[2]);
    EXPECT_FLOAT_EQ(Nodos[n3].X, ref.x[static_cast<size_t>(n3 - 1)]);
    EXPECT_FLOAT_EQ(Nodos[n3].Y, ref.y[static_cast<size_t>(n3 - 1)] + 25.0f);
    EXPECT_FLOAT_EQ(Zonas[4].CentroidX, ref.cx[3]);
    EXPECT_TRUE(ui.messages.empty());

    // The network without its centroid lines: the file holds nodes alone, and
    // their numbers, zones' too, stay the nodes'.
    std::vector<std::string> withoutCentroids;
    for (const std::string& line : RealLines("siouxfalls-junctions.dat"))
        if (line.rfind("C ", 0) != 0)
            withoutCentroids.push_back(line);
    ASSERT_TRUE(ReadText(withoutCentroids, net));
    ASSERT_EQ(Network.HasCentroids, 0);
    text.clear();
    for (int n = 1; n <= Network.NodeCount; ++n)
        text += Format("%d,%.5f,%.5f\r\n", Nodos[n].Number, double(Nodos[n].X),
                       Nodos[n].Y + (n == n3 ? 25.0 : 0.0));
    testutil::writeFile(tmp.file("red_coordenadas.geo"), text);
    moved.clear();
    ASSERT_TRUE(KDVlib::ReadPositionsFile(tmp.file("red_coordenadas.geo"), moved));
    EXPECT_EQ(moved, std::vector<int32_t>{n3});
    EXPECT_FLOAT_EQ(Nodos[n3].Y, ref.y[static_cast<size_t>(n3 - 1)] + 25.0f);
    EXPECT_EQ(Network.HasCentroids, 0);
    EXPECT_EQ(Zonas[3].HasCentroid, 0);
}

TEST_F(AuxFiles, DxfTextEntitiesPlaceNodesAndCentroidsOfARealNetwork)
{
    if (!HaveRealData())
        FAIL() << "no real networks";
    const std::vector<std::string> lines = RealLines("chicago-sketch.dat");
    ASSERT_TRUE(ReadText(lines, testutil::realDataPath("chicago-sketch.dat")));
    const Snapshot ref = Take();
    std::string dxf = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    for (int n = 1; n <= Network.NodeCount; ++n) {
        // Alignment points (11/21) and other groups around the insertion point.
        dxf += Format("  0\r\nTEXT\r\n  8\r\nTEXT\r\n 10\r\n%.9g\r\n 20\r\n%.9g\r\n 30\r\n0.0\r\n 40\r\n2.5\r\n"
                      "  1\r\n%d\r\n 11\r\n1.0\r\n 21\r\n2.0\r\n",
                      Nodos[n].X, Nodos[n].Y, Nodos[n].Number);
        // A line on a layer named TEXT, a TEXT without insertion point (naming the
        // first node) and one whose text is no number: none moves a node.
        dxf += Format("  0\r\nLINE\r\n  8\r\nTEXT\r\n 10\r\n7.0\r\n 20\r\n8.0\r\n 11\r\n9.0\r\n 21\r\n9.0\r\n"
                      "  0\r\nTEXT\r\n  1\r\n%d\r\n  0\r\nTEXT\r\n 10\r\n1\r\n 20\r\n1\r\n  1\r\nPUENTE\r\n",
                      Nodos[1].Number);
    }
    dxf += "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

    ASSERT_TRUE(ReadText(WithoutCoordinates(lines), testutil::realDataPath("chicago-sketch.dat")));
    testutil::writeFile(tmp.file("chicago.dxf"), dxf);
    ASSERT_TRUE(KDVlib::LoadCoordinatesFile(tmp.file("chicago.dxf"), KDVlib::CoordinatesDxf));

    const Snapshot got = Take();
    EXPECT_EQ(got.x, ref.x);
    EXPECT_EQ(got.y, ref.y);
    EXPECT_EQ(got.cx, ref.cx); // a number both node and zone places both
    EXPECT_EQ(got.cy, ref.cy);
    EXPECT_EQ(got.bearing, ref.bearing);
    EXPECT_EQ(got.turnDir, ref.turnDir);
    EXPECT_EQ(got.minX, ref.minX);
    EXPECT_EQ(got.maxY, ref.maxY);
    EXPECT_FALSE(ui.anyMessageContains("código de grupo"));

    // A group code that is no number stops the reading, with a message.
    ASSERT_TRUE(ReadText(WithoutCoordinates(lines), testutil::realDataPath("chicago-sketch.dat")));
    testutil::writeFile(tmp.file("bad.dxf"), "  0\r\nTEXT\r\n  1\r\n1\r\nxx\r\n5\r\n");
    EXPECT_TRUE(KDVlib::ReadDxfText(tmp.file("bad.dxf")));
    EXPECT_TRUE(ui.anyMessageContains("código de grupo no numérico en la línea 5"));

    // An insertion point with a decimal comma places nothing (not X = 0), and is told.
    SmallNetwork();
    ui.messages.clear();
    testutil::writeFile(tmp.file("comma.dxf"), "  0\r\nTEXT\r\n 10\r\n1500,5\r\n 20\r\n2500\r\n  1\r\n10\r\n"
                                               "  0\r\nTEXT\r\n 10\r\n700\r\n 20\r\n800\r\n  1\r\n20\r\n  0\r\nEOF\r\n");
    ASSERT_TRUE(KDVlib::ReadDxfText(tmp.file("comma.dxf")));
    EXPECT_EQ(Node(10).HasXY, 0);
    EXPECT_EQ(Node(20).X, 700.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("1 textos de nodos o zonas sin X e Y legibles"), std::string::npos);
}

TEST_F(AuxFiles, CoordinatesTextSeparatorsUnreadableLinesAndConversion)
{
    SmallNetwork();
    // First line: two ';' and one decimal comma, so ';' separates, and its "-33,40"
    // is no number: that line is reported, not placed at latitude 0.
    ASSERT_TRUE(KDVlib::LoadCoordinatesFile(dataPath("aux_coords_geo.txt"), KDVlib::CoordinatesText));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("2 líneas"), std::string::npos); // the comma line and "30;-70.65"
    EXPECT_EQ(Node(30).HasXY, 0);
    ASSERT_EQ(Node(20).HasXY, 1);
    ZelUtm::TUtmPoint p;
    ZelUtm::GeoToUtm(0, p, -33.45, static_cast<double>(-70.62f));
    EXPECT_EQ(p.Zone, 19);
    ZelUtm::GeoToUtm(19, p, static_cast<double>(-33.45f), static_cast<double>(-70.62f));
    EXPECT_EQ(Node(20).X, static_cast<float>(p.Easting));
    EXPECT_EQ(Node(20).Y, static_cast<float>(p.Northing));
    EXPECT_GT(Node(20).Y, 6.0e6f); // southern hemisphere offset
    EXPECT_FLOAT_EQ(Node(20).Longitude, -70.62f);
    EXPECT_EQ(Zone(5).HasCentroid, 1);
    EXPECT_GT(Zone(5).CentroidX, 1000.0f);
    EXPECT_EQ(Zone(10).HasCentroid, 0); // 10 is a node first

    // X = 180 exactly: projected, kept as read; the extent grows 2.5 % per side.
    SmallNetwork();
    testutil::writeFile(tmp.file("edge.geo"), "10,180,10\r\n20,170,30\r\n");
    ASSERT_TRUE(KDVlib::LoadCoordinatesFile(tmp.file("edge.geo"), KDVlib::CoordinatesText));
    EXPECT_EQ(Node(10).X, 180.0f);
    EXPECT_FLOAT_EQ(Network.MinX, 170.0f - 0.25f);
    EXPECT_FLOAT_EQ(Network.MaxX, 180.0f + 0.25f);
    EXPECT_FLOAT_EQ(Network.MinY, 10.0f - 0.5f);
    EXPECT_FLOAT_EQ(Network.MaxY, 30.0f + 0.5f);

    // A node given twice takes its last line, and the file is told once.
    SmallNetwork();
    ui.messages.clear();
    testutil::writeFile(tmp.file("twice.geo"), "20,1000,1000\r\n30,2000,2000\r\n20,3000,3000\r\n5,400,400\r\n");
    ASSERT_TRUE(KDVlib::LoadCoordinatesFile(tmp.file("twice.geo"), KDVlib::CoordinatesText));
    EXPECT_EQ(Node(20).X, 3000.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("1 líneas repiten un nodo o zona"), std::string::npos);

    // The program's positions file gives 10, a node's and a zone's number, once for
    // the zone and once for the node: read as coordinates, nothing is told.
    SmallNetwork();
    ui.messages.clear();
    testutil::writeFile(tmp.file("red_coordenadas.geo"), "5,400,400\r\n10,500,500\r\n10,1000,1000\r\n20,2000,2000\r\n");
    ASSERT_TRUE(KDVlib::LoadCoordinatesFile(tmp.file("red_coordenadas.geo"), KDVlib::CoordinatesText));
    EXPECT_EQ(Node(10).X, 1000.0f);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

// ---- Complementary data ---------------------------------------------------------

TEST_F(AuxFiles, ComplementaryLinkColumnsFillVariablesStreetsAndTheGridTables)
{
    if (!HaveRealData())
        FAIL() << "no real networks";
    ASSERT_TRUE(ReadText(RealLines("siouxfalls.dat"), testutil::realDataPath("siouxfalls.dat")));
    LinkGridOf14();
    const int32_t l12 = KDVlib::FindArco(1, 2), l21 = KDVlib::FindArco(2, 1), l13 = KDVlib::FindArco(1, 3);
    Arcos[KDVlib::FindArco(2, 6)].Var[83] = 77.0f; // left from an earlier load

    ComplementaryFileName = dataPath("aux_comp_street.csv");
    ASSERT_TRUE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(Arcos[l12].StreetName, "Av. Central");
    EXPECT_EQ(Arcos[l12].Var[81], 350.0f);
    EXPECT_EQ(Arcos[l12].Var[82], 42.5f);
    EXPECT_EQ(Arcos[l21].Var[81], 10.0f);
    EXPECT_EQ(Arcos[l21].Var[82], 0.0f); // missing at the end of its line
    EXPECT_EQ(Arcos[l13].Var[81], 0.0f); // "3.5.1" is no number...
    EXPECT_TRUE(ui.anyMessageContains("1 valores no numéricos")); // ...and is reported
    EXPECT_EQ(Arcos[KDVlib::FindArco(2, 6)].Var[83], 0.0f);
    EXPECT_EQ(Arcos[ArcosMaxRec].Var[81], 350.0f);
    EXPECT_EQ(Arcos[ArcosMaxRec].Var[83], 0.0f);
    EXPECT_EQ(CompFirstCol, 14);
    EXPECT_EQ(NumColArcos, 16);
    EXPECT_EQ(TitArcos[14], "Flujo");
    EXPECT_EQ(ColVarArcos[15], 82);

    // One value column (its header has two commas only), a signed first value: no
    // street column. The same block is used again and shrinks with the file.
    ComplementaryFileName = dataPath("aux_comp_plain.csv");
    ASSERT_TRUE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(Arcos[l12].Var[81], -12.5f);
    EXPECT_EQ(Arcos[l12].Var[82], 0.0f);
    EXPECT_EQ(Arcos[l12].StreetName, "Av. Central");
    EXPECT_EQ(CompFirstCol, 14);
    EXPECT_EQ(NumColArcos, 15);

    // A listing block placed after it: a wider file moves the block to the end
    // rather than overwrite the listing's columns.
    for (int c = 15; c < 21; ++c)
        ColVarArcos[static_cast<size_t>(c)] = c - 4;
    NumColArcos = 21;
    testutil::writeFile(tmp.file("three.csv"), "A;B;X1;X2;X3\r\n1;2;1;2;3\r\n");
    ComplementaryFileName = tmp.file("three.csv");
    ASSERT_TRUE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(CompFirstCol, 21);
    EXPECT_EQ(NumColArcos, 24);
    EXPECT_EQ(ColVarArcos[14], 0);
    EXPECT_EQ(ColVarArcos[15], 11); // the listing's columns are untouched
    EXPECT_EQ(ColVarArcos[23], 83);
    EXPECT_EQ(Arcos[l12].Var[83], 3.0f);

    // 45 value names: one message, 40 columns; a grid near its 131 columns shows
    // what fits and says so.
    std::string header = "A,B", row = "1,2";
    for (int k = 1; k <= 45; ++k)
        header += Format(",V%d", k), row += Format(",%d", k);
    testutil::writeFile(tmp.file("wide.csv"), header + "\r\n" + row + "\r\n");
    ComplementaryFileName = tmp.file("wide.csv");
    ui.messages.clear();
    CompFirstCol = CompWidthArcos = 0;
    NumColArcos = 100;
    ASSERT_TRUE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(Arcos[l12].Var[120], 40.0f);
    EXPECT_EQ(ComplementaryNames[40], "V40");
    EXPECT_EQ(NumColArcos, 131);
    EXPECT_EQ(ColVarArcos[130], 111);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].find("hasta 40 variables"), std::string::npos);
    EXPECT_NE(ui.messages[1].find("se muestran 31 de las 40"), std::string::npos);

    // A header without separators changes nothing.
    testutil::writeFile(tmp.file("bad.csv"), "A B Flujo\r\n1 2 5\r\n");
    ComplementaryFileName = tmp.file("bad.csv");
    EXPECT_FALSE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(Arcos[l12].Var[81], 1.0f);

    // Fields quoted as our exports quote them: the comma and the doubled quotes are
    // the street's, the line keeps its fields, a trailing separator adds none.
    testutil::writeFile(tmp.file("quoted.csv"), "A,B,Calle,\"X, 1\",\r\n1,2,\"CALLE, CON \"\"COMA\"\"\",\"7\",\r\n");
    ComplementaryFileName = tmp.file("quoted.csv");
    ui.messages.clear();
    ASSERT_TRUE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(Arcos[l12].StreetName, "CALLE, CON \"COMA\"");
    EXPECT_EQ(Arcos[l12].Var[81], 7.0f);
    EXPECT_EQ(ComplementaryNames[1], "X, 1"); // a title is quoted as a value is
    EXPECT_EQ(ComplementaryNames[2], "");
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();

    // A quoted street holding line breaks is one record (each break read as a
    // blank); the next line is a record of its own; a quote never closed joins none.
    testutil::writeFile(tmp.file("breaks.csv"), "A,B,Calle,X1\r\n1,2,\"CALLE\r\nDOS, \"\"B\"\"\r\n\",8\r\n"
                                                "2,1,\"SUR\",9\r\n1,3,\"ABIERTA,5\r\n2,1,X,4\r\n");
    ComplementaryFileName = tmp.file("breaks.csv");
    ui.messages.clear();
    ASSERT_TRUE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(Arcos[l12].StreetName, "CALLE DOS, \"B\"");
    EXPECT_EQ(Arcos[l12].Var[81], 8.0f);
    EXPECT_EQ(Arcos[l21].Var[81], 4.0f);
    EXPECT_EQ(Arcos[l21].StreetName, "X");
    EXPECT_EQ(Arcos[l13].Var[81], 0.0f);

    // Decimal commas split a value past the header's columns: the line is not read
    // shifted. A link given twice takes its last line. Both told in one message.
    // A line short of more than five values is told; short of five, it is not.
    testutil::writeFile(tmp.file("commas.csv"), "A,B,Flujo,V2,V3,V4,V5,V6,V7\r\n1,2,350,5,1,1,1,1,1,1\r\n"
                                                "2,1,7\r\n2,1,8,1\r\n");
    ComplementaryFileName = tmp.file("commas.csv");
    ui.messages.clear();
    ASSERT_TRUE(KDVlib::LoadDatosComplementarios());
    EXPECT_EQ(Arcos[l12].Var[81], 0.0f);
    EXPECT_EQ(Arcos[l21].Var[81], 8.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("1 líneas con más valores que columnas"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("1 líneas repiten un arco ya leído"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("1 líneas con más de 5 valores de menos"), std::string::npos);
}

TEST_F(AuxFiles, ComplementaryMovementColumnsNeedTheWholeTurnAndFollowTheLayout)
{
    if (!HaveRealData())
        FAIL() << "no real networks";
    ASSERT_TRUE(ReadText(RealLines("siouxfalls-junctions.dat"), testutil::realDataPath("siouxfalls-junctions.dat")));
    // The first movement of an approach with two: an exit 0 would find it by prefix.
    int32_t m = 1;
    auto sameApproach = [](int32_t i, int32_t j) { return Movims[i].Node == Movims[j].Node && Movims[i].A == Movims[j].A; };
    while (m < Network.MovementCount && !(sameApproach(m, m + 1) && (m == 1 || !sameApproach(m - 1, m))))
        ++m;
    ASSERT_LT(m, Network.MovementCount);
    const TMovimiento& first = Movims[m];
    const TMovimiento& second = Movims[m + 1];
    testutil::writeFile(tmp.file("mov.csv"), Format("A,B,C,Demora,Cola\r\n%d,%d,%d,12.5,3\r\n%d,%d,0,99,99\r\n",
                                                     second.A, second.Node, second.C, first.A, first.Node));
    ComplementaryMovFileName = tmp.file("mov.csv");
    NumColMovim = 10;
    ASSERT_TRUE(KDVlib::LoadDatosComplementariosMovs());
    EXPECT_EQ(Movims[m + 1].Var[41], 12.5f);
    EXPECT_EQ(Movims[m + 1].Var[42], 3.0f);
    EXPECT_EQ(Movims[m].Var[41], 0.0f);
    EXPECT_EQ(Movims[MovimsMaxRec].Var[41], 12.5f);
    EXPECT_EQ(CompFirstColMovim, 10);
    EXPECT_EQ(TitMovim[11], "Cola");

    // The grids laid out afresh (other columns where the block was): it is placed
    // again after them, not written over them.
    ColVarMovim.fill(0);
    for (int c = 4; c < 12; ++c)
        ColVarMovim[static_cast<size_t>(c)] = c;
    NumColMovim = 12;
    ASSERT_TRUE(KDVlib::LoadDatosComplementariosMovs());
    EXPECT_EQ(CompFirstColMovim, 12);
    EXPECT_EQ(ColVarMovim[10], 10);
    EXPECT_EQ(ColVarMovim[12], 41);
    EXPECT_EQ(NumColMovim, 14);
}

// ---- Zoning ---------------------------------------------------------------------

TEST_F(AuxFiles, ZoningTextChainsEachZonesArcsIntoOneOutline)
{
    SmallNetwork();
    for (int z : {1, 2, 3})
        Zonas[PalvonRead::NewZone()].Number = z;
    TZona& z3 = Zonas[KDVlib::FindZona(3)];
    z3.Polygon = {{}, {0, 0}, {4, 0}, {4, 2}};
    z3.PolygonCount = 3;

    ZoningFileName = dataPath("aux_zoning.geo");
    ASSERT_TRUE(KDVlib::LoadZonificacion());
    // Zone 1: its first arc as written, the next backwards (its last point meets),
    // the third forwards.
    const std::vector<TPoint> expected = {{}, {0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    const TZona& z1 = Zone(1);
    ASSERT_EQ(z1.PolygonCount, 5);
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(z1.Polygon[static_cast<size_t>(k)].x, expected[static_cast<size_t>(k)].x) << k;
        EXPECT_EQ(z1.Polygon[static_cast<size_t>(k)].y, expected[static_cast<size_t>(k)].y) << k;
    }
    EXPECT_FLOAT_EQ(z1.PolygonCentre.x, 4.0);
    EXPECT_FLOAT_EQ(z1.PolygonCentre.y, 4.0);
    // Zone 2: the arc shared with zone 9 (not in the network) is its start; the
    // shared arc with zone 1 meets it nowhere and is left out.
    EXPECT_EQ(Zone(2).PolygonCount, 2);
    EXPECT_EQ(Zone(2).Polygon[2].y, 10.0);
    // No arc: the outline stays, with its own centre.
    EXPECT_EQ(Zone(3).PolygonCount, 3);
    EXPECT_FLOAT_EQ(Zone(3).PolygonCentre.x, 8.0 / 3.0);
    EXPECT_TRUE(ui.anyMessageContains("1 líneas no se consideraron"));
    EXPECT_TRUE(ui.enabledItems["tbZonas"]);
    EXPECT_TRUE(ui.checkedItems["tbZonas"]);

    // First lines with 8 fields, or a point count that is not whole: nothing loads.
    for (const char* first : {"5,0,3,1,1,2,2,3", "1,0,2.5,1,1,2,2,3,3"}) {
        ui.messages.clear();
        testutil::writeFile(tmp.file("bad.geo"), std::string(first) + "\r\n1,0,2,0,0,1,1\r\n");
        ZoningFileName = tmp.file("bad.geo");
        EXPECT_FALSE(KDVlib::LoadZonificacionTxt());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], "Archivo " + ZoningFileName + " con formato no reconocido\rProceso abortado");
        EXPECT_EQ(Zone(1).PolygonCount, 5);
    }
}

TEST_F(AuxFiles, ZoningShapefileListsItsFieldsAndLeavesZonesAsTheyWere)
{
    SmallNetwork();
    Zonas[KDVlib::FindZona(5)].Polygon = {{}, {1, 1}};
    Zonas[KDVlib::FindZona(5)].PolygonCount = 1;
    const std::string path = tmp.file("zonas.shp");
    SHPHandle shp = SHPCreate(path.c_str(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate(tmp.file("zonas.dbf").c_str());
    ASSERT_TRUE(shp && dbf);
    DBFAddField(dbf, "ZONA", FTInteger, 5, 0);
    DBFAddField(dbf, "NOMBRE", FTString, 20, 0);
    double x[] = {0, 10, 10, 0}, y[] = {0, 0, 10, 0};
    SHPObject* obj = SHPCreateSimpleObject(SHPT_POLYGON, 4, x, y, nullptr);
    SHPWriteObject(shp, -1, obj);
    SHPDestroyObject(obj);
    DBFWriteIntegerAttribute(dbf, 0, 0, 5);
    DBFWriteStringAttribute(dbf, 0, 1, "Centro");
    SHPClose(shp);
    DBFClose(dbf);

    ZoningFileName = tmp.file("zonas.SHP");
    ASSERT_TRUE(KDVlib::LoadZonificacion());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Fields = ZONA NOMBRE");
    EXPECT_EQ(Zone(5).PolygonCount, 1);

    // Missing, or text under the name: said once, and the zones keep their outlines.
    testutil::writeFile(tmp.file("texto.shp"), "5,0,3,0,0,10,0,10,10\r\n");
    testutil::writeFile(tmp.file("texto.dbf"), "no es una tabla\r\n");
    for (const char* name : {"missing.shp", "texto.shp"}) {
        ui.messages.clear();
        ZoningFileName = tmp.file(name);
        EXPECT_FALSE(KDVlib::LoadZonificacion()) << name;
        EXPECT_EQ(ui.messages, (std::vector<std::string>{std::string("No se puede abrir el shapefile ") + name}));
        EXPECT_EQ(Zone(5).PolygonCount, 1) << name;
    }
}

// ---- Generation and attraction -----------------------------------------------------

TEST_F(AuxFiles, GenatrRowsMaximaAndTheOutlinesOfTheirZones)
{
    Network.ProjectedZone = 0; // no network of degrees open
    ASSERT_TRUE(KDVlib::LoadGenatr(dataPath("aux_genatr.csv")));
    EXPECT_EQ(NumGenatr, 4);
    EXPECT_EQ(GenatrNames, (std::vector<std::string>{"", "G1", "G2"}));
    EXPECT_EQ(Genatr[1].Zone, 2);
    EXPECT_EQ(Genatr[0].Gen[1], 100.0f);
    EXPECT_EQ(Genatr[0].Attr[1], 120.0f);
    EXPECT_EQ(Genatr[0].Gen[2], 30.0f); // a generation without its attraction...
    EXPECT_EQ(Genatr[3].Attr[2], 0.0f); // ...keeps it; the attraction reads 0
    EXPECT_EQ(Genatr[0].Attr[2], 3.0f);
    EXPECT_EQ(GenatrMax, 120.0f);

    // The .geo beside it is geographic: UTM in the zone of its first point. Each row
    // takes the outline of the zone it names (row 1 is zone 2).
    auto utm = [](double lon, double lat) {
        ZelUtm::TUtmPoint p;
        ZelUtm::GeoToUtm(19, p, lat, lon);
        return TPoint{p.Easting, p.Northing};
    };
    const std::vector<TPoint> zone2 = {utm(-70.61, -33.41), utm(-70.61, -33.40), utm(-70.60, -33.40),
                                       utm(-70.61, -33.39), utm(-70.61, -33.41)};
    ASSERT_EQ(Genatr[1].PolygonCount, 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(Genatr[1].Polygon[static_cast<size_t>(k + 1)].x, zone2[static_cast<size_t>(k)].x) << k;
        EXPECT_EQ(Genatr[1].Polygon[static_cast<size_t>(k + 1)].y, zone2[static_cast<size_t>(k)].y) << k;
    }
    ASSERT_EQ(Genatr[2].PolygonCount, 5);
    EXPECT_EQ(Genatr[2].Polygon[1].x, utm(-70.60, -33.40).x);
    EXPECT_EQ(Genatr[3].PolygonCount, 0);

    // A new file without outlines replaces the rows whole; all values below 0 leave
    // the maximum at 0.
    testutil::writeFile(tmp.file("neg.csv"), "zona,x,y,G1,A1\r\n2,0,0,-5,-3\r\n");
    ASSERT_TRUE(KDVlib::LoadGenatr(tmp.file("neg.csv")));
    EXPECT_EQ(NumGenatr, 2);
    EXPECT_EQ(GenatrMax, 0.0f);
    EXPECT_EQ(Genatr[1].PolygonCount, 0);
    EXPECT_TRUE(ui.messages.empty());

    // A row whose zone or position is no number (or missing) stands nowhere and
    // adds nothing; a value that is no number reads 0: both told in one message.
    // So does a row split by decimal commas into more fields than the header's.
    testutil::writeFile(tmp.file("bad.csv"),
                        "zona,x,y,G1,A1\r\n2,0,0,n/a,4\r\nxx,1,1,90,90\r\n3,1\r\n4,5,6,1,2\r\n5,7,8,9,5,6,5\r\n");
    ASSERT_TRUE(KDVlib::LoadGenatr(tmp.file("bad.csv")));
    EXPECT_EQ(NumGenatr, 6);
    EXPECT_EQ(Genatr[5].X, UnsetLow);
    EXPECT_EQ(Genatr[1].Gen[1], 0.0f);
    EXPECT_EQ(Genatr[2].X, UnsetLow);
    EXPECT_EQ(Genatr[3].Y, UnsetLow);
    EXPECT_EQ(Genatr[4].Zone, 4);
    EXPECT_EQ(GenatrMax, 4.0f);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("3 líneas sin zona, X e Y"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("1 valores no numéricos"), std::string::npos);
    ui.messages.clear();
    ASSERT_TRUE(KDVlib::LoadGenatr(tmp.file("neg.csv")));

    // Outlines in degrees for a network whose own degrees went to zone 18 go to
    // zone 18 too, not to the zone of their first point, so that they meet it.
    Network.ProjectedZone = 18;
    testutil::writeFile(tmp.file("neg.geo"), "2,0,3,-70.6,-33.4,-70.5,-33.4,-70.6,-33.4\r\n");
    ASSERT_TRUE(KDVlib::LoadPoligonosGenatr(tmp.file("neg.geo")));
    ZelUtm::TUtmPoint p18;
    ZelUtm::GeoToUtm(18, p18, -33.4, -70.5);
    EXPECT_EQ(Genatr[1].Polygon[2].x, p18.Easting);
    // So do rows placed in degrees: in the zone of the network's nodes, not at
    // their degrees far off its map.
    testutil::writeFile(tmp.file("deg.csv"), "zona,x,y,G1,A1\r\n2,-70.5,-33.4,1,2\r\n");
    ASSERT_TRUE(KDVlib::LoadGenatr(tmp.file("deg.csv")));
    EXPECT_EQ(Genatr[1].X, p18.Easting);
    EXPECT_EQ(Genatr[1].Y, p18.Northing);
    Network.ProjectedZone = 0;

    // Projected outlines (first easting above 180) are taken as they are.
    testutil::writeFile(tmp.file("neg.geo"), "2,0,3,350000,6300000,350010,6300000,350000,6300000\r\n");
    ASSERT_TRUE(KDVlib::LoadPoligonosGenatr(tmp.file("neg.geo")));
    ASSERT_EQ(Genatr[1].PolygonCount, 3);
    EXPECT_EQ(Genatr[1].Polygon[2].x, 350010.0);
}

// The room of a file: 850 zones and 40 variables at the edge and one past. At the
// edge every row and pair is read and nothing is said (a trailing separator is
// no variable); one past, the first 850 zones or 40 variables are read, once said.
TEST_F(AuxFiles, GenatrZonesAndVariablesAtTheirRoomAndOnePast)
{
    const struct {
        int zones, fields;
        bool trailing;    // every line ends with a separator, one field more
        const char* said; // "" for nothing
    } rows[] = {{MaxGenatr, 3 + 2 * MaxGenatrVars, false, ""},
                {MaxGenatr, 4 + 2 * MaxGenatrVars, true, ""},
                {MaxGenatr + 1, 3 + 2 * MaxGenatrVars, false, "sólo se leen las primeras 850 zonas de sus 851"},
                {2, 4 + 2 * MaxGenatrVars, false, "hasta 40 variables"},
                {2, 5 + 2 * MaxGenatrVars, false, "hasta 40 variables"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.zones) + " zones, " + std::to_string(r.fields) + " fields");
        const bool trailing = r.trailing;
        const char* end = trailing ? ",\r\n" : "\r\n";
        std::string text = "zona,x,y";
        for (int f = 3; f < r.fields - trailing; ++f)
            text += Format(",%s%d", f % 2 ? "G" : "A", (f - 1) / 2);
        for (int z = 1; z <= r.zones; ++z) {
            text += Format("%s%d,%d,0", end, z, 1000 * z);
            for (int f = 3; f < r.fields - trailing; ++f)
                text += Format(",%d", z + f);
        }
        testutil::writeFile(tmp.file("room.csv"), text + end);
        ui.messages.clear();
        ASSERT_TRUE(KDVlib::LoadGenatr(tmp.file("room.csv")));
        if (*r.said) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_NE(ui.messages[0].find(r.said), std::string::npos) << ui.messages[0];
        } else {
            EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];
        }
        const int32_t last = std::min(r.zones, MaxGenatr);
        ASSERT_EQ(NumGenatr, last + 1);
        ASSERT_EQ(GenatrNames.size(), size_t(MaxGenatrVars) + 1);
        EXPECT_EQ(GenatrNames[MaxGenatrVars], Format("G%d", MaxGenatrVars));
        EXPECT_EQ(Genatr[last].Zone, last);
        EXPECT_EQ(Genatr[last].X, 1000.0 * last);
        EXPECT_EQ(Genatr[last].Gen[MaxGenatrVars], float(last + 2 * MaxGenatrVars + 1));
        EXPECT_EQ(Genatr[last].Attr[MaxGenatrVars], float(last + 2 * MaxGenatrVars + 2));
    }
}
