// Section 55555: fixed and free layouts, centroids, XYFORM widths, the geographic
// test with its conversion to UTM, and the extent with its margin.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/SavedNetwork.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"
#include "support/NetworkReadFixture.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace PalvonRead;

namespace {

class CoordsSection : public NetworkReadFixture {
protected:
    const TNodo& Node(int number) { return Nodos[KDVlib::FindNodo(number)]; }
    // The extent must be that of every position held, widened by 2.5 % per side.
    void ExpectExtentWithMargin()
    {
        float x0 = UnsetHigh, x1 = UnsetLow, y0 = UnsetHigh, y1 = UnsetLow;
        auto widen = [&](float x, float y) {
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        };
        for (int n = 1; n <= Network.NodeCount; ++n)
            if (Nodos[n].HasXY)
                widen(Nodos[n].X, Nodos[n].Y);
        for (int z = 1; z <= Network.ZoneCount; ++z)
            if (Zonas[z].HasCentroid)
                widen(Zonas[z].CentroidX, Zonas[z].CentroidY);
        float w = x1 - x0, h = y1 - y0, tol = 1e-6f * std::max(std::fabs(x1), std::fabs(y1)) + 1e-3f;
        EXPECT_NEAR(Network.MinX, x0 - 0.025f * w, tol);
        EXPECT_NEAR(Network.MaxX, x1 + 0.025f * w, tol);
        EXPECT_NEAR(Network.MinY, y0 - 0.025f * h, tol);
        EXPECT_NEAR(Network.MaxY, y1 + 0.025f * h, tol);
    }
};

} // namespace

TEST_F(CoordsSection, FixedLayoutWithCentroidsAndXyform)
{
    Network.Options.UtmZone = 19;
    Network.Options.UtmHemisphere = "S";
    ASSERT_TRUE(ReadData(testutil::dataPath("coords_fixed.dat")));
    EXPECT_EQ(Network.HasCoordinates + Network.HasCentroids, 2);
    EXPECT_EQ(std::make_pair(Node(101).X, Node(101).Y), std::make_pair(1234.0f, 5678.0f));
    ZelUtm::TGeografica g; // latitude from the options dialog's zone and hemisphere
    ZelUtm::UtmToGeo(19, "S", g, 1234.0, 5678.0);
    CompleteGeographicPositions();
    EXPECT_DOUBLE_EQ(Node(101).Latitude, g.Latitude);
    EXPECT_FLOAT_EQ(Node(102).X, 1900.0f); // the later line wins
    EXPECT_EQ(std::make_pair(Zone(12).CentroidY, Zone(12).HasCentroid), std::make_pair(5800.0f, uint8_t(1)));
    // The extent keeps node 102's first position (2000, 6000); node 999 and the "X"
    // line change nothing: 1234..3000 by 5678..7000.
    EXPECT_FLOAT_EQ(Network.MinX, 1234.0f - 0.025f * 1766.0f);
    EXPECT_FLOAT_EQ(Network.MaxY, 7000.0f + 0.025f * 1322.0f);
    EXPECT_TRUE(ui.messageWindow.empty());

    // 10-column nodes, X and Y 15 columns each.
    ASSERT_TRUE(ReadData(testutil::dataPath("coords_xyform.dat")));
    EXPECT_FLOAT_EQ(Node(1000101).X, 354000.125f);
    EXPECT_FLOAT_EQ(Zone(12).CentroidX, 354050.0f);
}

// A section large enough for its latitudes and longitudes to be worked out by
// threads when asked for: every node gets those of its own conversion, also after
// being set aside while another network was read and refused; a read refused by a
// later section leaves none waiting to be written into the records.
TEST_F(CoordsSection, LargeSectionConvertedWhileTheRestIsRead)
{
    Network.Options.UtmZone = 19;
    Network.Options.UtmHemisphere = "S";
    const int nodes = 9000;
    auto network = [&](int transitLines) {
        std::vector<std::string> text = {" &OPTION &END", "T", " &PARAM &END", "33333"};
        for (int n = 1; n < nodes; ++n)
            text.push_back(ZelUtils::Format("%5d%5d   10   20 1000  1    100", n, n + 1));
        text.insert(text.end(), {"99999", "55555"});
        for (int n = 1; n <= nodes; ++n)
            text.push_back(ZelUtils::Format("%5d%5d%5d", n, 1000 + n * 37 % 8000, 5000 + n));
        text.push_back("99999");
        if (transitLines > 0) {
            text.push_back("66666");
            for (int k = 1; k <= transitLines; ++k)
                text.push_back(ZelUtils::Format("%04dA %4d%5d%5d%5d", k, 1, 2, 1, 2));
            text.push_back("99999");
        }
        text.push_back("99999");
        return text;
    };
    auto everyNodeAsItsConversion = [&] {
        int same = 0;
        for (int n = 1; n <= nodes; ++n) {
            const TNodo& node = Node(n);
            ZelUtm::TGeografica g;
            ZelUtm::UtmToGeo(19, "S", g, node.X, node.Y);
            same += node.Latitude == g.Latitude && node.Longitude == g.Longitude;
        }
        return same;
    };
    for (int round = 0; round < 2; ++round) {
        lines = network(0);
        ASSERT_TRUE(ReadNetwork(lines, settings));
        ASSERT_EQ(Network.NodeCount, nodes);
        if (round == 0) {
            CompleteGeographicPositions();
            EXPECT_EQ(everyNodeAsItsConversion(), nodes);
        } else {
            // Set aside while a refused network is read (as an opening does), and
            // back: the network's nodes still get theirs when asked for.
            SavedNetwork earlier;
            earlier.Keep();
            std::vector<std::string> refused = network(MaxLineas + 1);
            EXPECT_FALSE(ReadNetwork(refused, settings));
            earlier.Restore();
            ASSERT_EQ(Network.NodeCount, nodes);
            CompleteGeographicPositions();
            EXPECT_EQ(everyNodeAsItsConversion(), nodes);
        }

        lines = network(MaxLineas + 1);
        EXPECT_FALSE(ReadNetwork(lines, settings));
        EXPECT_EQ(Network.NodeCount, 0);
        Nodos[1].Latitude = 0.0;
        CompleteGeographicPositions();
        EXPECT_EQ(Nodos[1].Latitude, 0.0);
        EXPECT_TRUE(ui.anyMessageContains("La red no se ha cargado"));
        EXPECT_TRUE(ui.anyMessageContains(ZelUtils::Format("más de %d líneas", MaxLineas)));
    }
}

TEST_F(CoordsSection, FreeLayoutMarkersCommentsAndIncompleteLines)
{
    ASSERT_TRUE(ReadData(testutil::dataPath("coords_free.dat")));
    EXPECT_FLOAT_EQ(Node(102).X, 350.0f);        // tab-separated
    EXPECT_FLOAT_EQ(Zone(12).CentroidX, 400.0f); // "C 12"
    EXPECT_FLOAT_EQ(Zone(13).CentroidY, 710.0f); // "13C"
    EXPECT_FLOAT_EQ(Node(103).X, 360.5f);        // "CRUCE" is a comment, not a centroid mark
    // " 104 370" and an empty line: each in the error list, one message for both.
    EXPECT_EQ(Node(104).HasXY, 0);
    EXPECT_EQ(std::count_if(Network.ErrorList.begin(), Network.ErrorList.end(),
                            [](const std::string& e) { return e.find("línea incompleta") != std::string::npos; }),
              2);
    EXPECT_TRUE(ui.anyMessageContains("2 líneas de coordenadas incompletas se omitieron"));
}

TEST_F(CoordsSection, GeographicCoordinatesBecomeUtmInOneZone)
{
    ASSERT_TRUE(ReadData(testutil::dataPath("coords_geo.dat")));
    // Said on the progress gauge, not in a window that pops up.
    EXPECT_TRUE(ui.messageWindow.empty());
    ASSERT_EQ(ui.progressCaptions, std::vector<std::string>{"Convirtiendo Coordenadas ...   Geográficas  -->  UTM"});
    EXPECT_DOUBLE_EQ(Node(101).Longitude, double(-96.1f));
    EXPECT_DOUBLE_EQ(Node(101).Latitude, double(43.5f));
    // The nodes lie on both sides of the boundary of zones 14 and 15: both are
    // projected in zone 15, about 16.2 km apart (not hundreds of km between zones).
    ZelUtm::TUtmPoint p;
    ZelUtm::GeoToUtm(15, p, Node(101).Latitude, Node(101).Longitude);
    EXPECT_NEAR(Node(101).X, p.Easting, 1.0);
    EXPECT_NEAR(std::hypot(double(Node(102).X) - Node(101).X, double(Node(102).Y) - Node(101).Y), 16150.0, 150.0);
    EXPECT_GT(Zone(12).CentroidY, Node(101).Y + 10000.0f); // converted in place
    ExpectExtentWithMargin();

    // Planar values below 180 that cannot be degrees stay as they are.
    ui.messageWindow.clear();
    ASSERT_TRUE(ReadData(testutil::dataPath("coords_planar_negative.dat")));
    EXPECT_TRUE(ui.messageWindow.empty());
    EXPECT_FLOAT_EQ(Node(101).X, -5000.0f);
    // A section without positions leaves the extent's seeds alone.
    std::vector<std::string> empty = {" &OPTION &END", "T", " &PARAM &END", "33333", "99999", "55555", "99999", "99999"};
    ASSERT_TRUE(ReadNetwork(empty, settings));
    EXPECT_EQ(Network.MinX, UnsetHigh);
    EXPECT_EQ(Network.MaxY, UnsetLow);
}

TEST_F(CoordsSection, RealGeographicNetwork)
{
    std::string path = testutil::realDataPath("siouxfalls.dat");
    if (!std::filesystem::exists(path))
        FAIL() << "no está " << path;
    ASSERT_TRUE(ReadData(path));
    ASSERT_EQ(Network.NodeCount, 24);
    EXPECT_NEAR(Node(1).Longitude, -96.77041974, 1e-5);
    ZelUtm::TUtmPoint p;
    ZelUtm::GeoToUtm(14, p, Node(1).Latitude, Node(1).Longitude);
    EXPECT_NEAR(Node(1).Y, p.Northing, 0.5);
    EXPECT_NEAR(Zone(7).CentroidX, Node(7).X, 0.5); // centroids sit on their nodes here
    ExpectExtentWithMargin();
}
