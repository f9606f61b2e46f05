// Coordinate, shape-point, line-layer and UTM file writers against expected files.
#include "export/ExportServices.h"
#include "export/GeoWriters.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

using testutil::dataPath;
using testutil::readFile;

namespace {

class SaveGeosOption : public ExportServices {
public:
    SaveGeosOption() { previous_ = SetExportServices(this); }
    ~SaveGeosOption() override { SetExportServices(previous_); }
    bool SaveGeos() override { return saveGeos; }
    bool saveGeos = false;

private:
    ExportServices* previous_ = nullptr;
};

void AddNode(int32_t number, float x, float y, uint8_t hasXY)
{
    int32_t i = PalvonRead::NodeIndex(number);
    Nodos[i].X = x;
    Nodos[i].Y = y;
    Nodos[i].HasXY = hasXY;
}

void AddZone(int32_t number, float x, float y, uint8_t hasCentroid)
{
    int32_t z = PalvonRead::NewZone();
    Zonas[z].Number = number;
    Zonas[z].CentroidX = x;
    Zonas[z].CentroidY = y;
    Zonas[z].HasCentroid = hasCentroid;
}

void AddLink(int32_t a, int32_t b, std::initializer_list<TPoint> points)
{
    int32_t k = PalvonRead::NewLink();
    Arcos[k].A = a;
    Arcos[k].B = b;
    Arcos[k].PointCount = static_cast<int32_t>(points.size());
    int p = 1;
    for (const TPoint& pt : points)
        Arcos[k].Points[p++] = pt;
}

void SetPolyline(int32_t index, int32_t id, std::initializer_list<TPoint> points, const std::string& name = "")
{
    GeoLink& g = GeoLayers().GeoLinks[index];
    g.Id = id;
    g.Points.assign(points);
    g.Count = static_cast<int32_t>(g.Points.size());
    g.Name = name;
}

class Writers : public ::testing::Test {
protected:
    void SetUp() override
    {
        PalvonRead::ClearNetwork();
        // The layers as the program leaves them when it replaces them: no file
        // remembered from a layer an earlier test read.
        GeoLayers().Clear();
        Network.Options.DUTCH = 0;
        AddZone(1, 1000.5f, 2000.25f, 1);
        AddZone(2, UnsetLow, UnsetLow, 0);
        AddZone(3, 10.0f, 20.0f, 0);   // position without the centroid flag
        AddNode(101, 350123.5f, 6301234.5f, 1);
        AddNode(102, UnsetLow, UnsetLow, 0);
        AddNode(103, UnsetLow, UnsetLow, 1); // flag without a position
        AddNode(1234567, 0.5f, 0.25f, 1);
        AddLink(101, 102, {{350123.5, 6301234.5}, {350200.125, 6301300.0625}});
        AddLink(101, 103, {});
        AddLink(102, 103, {{1.5, 2.5}, {3.123456, 4.000004}, {5, 6}});

        // Layer 1: a polyline, a deleted one and an empty one; layer 2: one polyline.
        GeoLayers().NumGeoLayers = 2;
        GeoLayers().GeoLayerEnd[0] = 0;
        GeoLayers().GeoLayerEnd[1] = 3;
        GeoLayers().GeoLayerEnd[2] = 4;
        SetPolyline(1, 7, {{1234.567, 7654.321}, {10, 20}});
        SetPolyline(2, 8, {{5, 5}}, GeoDeletedName);
        SetPolyline(3, 9, {});
        SetPolyline(4, 1, {{0, 0}, {1.005, 2.5}, {3, 4}});
        GeoLayers().GeoLayerNames[1] = "capa1";
        GeoLayers().GeoLayerNames[2] = "capa2";
        GeoLayers().GeoLayerDirs[1] = GeoLayers().GeoLayerDirs[2] = tmp.path().string();
        GeoLayers().GeoLayerFiles[1] = tmp.file("capa1.geo");
        GeoLayers().GeoLayerFiles[2] = tmp.file("capa2.geo");
    }
    void TearDown() override
    {
        PalvonRead::ClearNetwork();
        Network.Options.DUTCH = 0;
        GeoLayers().NumGeoLayers = 0;
        CoordinatesFileName = "coordenadas.geo";
    }
    std::string Expected(const std::string& name) { return readFile(dataPath("expected/" + name)); }

    RecordingServices ui;
    testutil::TempDir tmp;
};

} // namespace

TEST_F(Writers, CoordinatesFileFollowsTheSaveOption)
{
    SaveGeosOption option;
    CoordinatesFileName = tmp.file("coordenadas.geo");
    testutil::writeFile(CoordinatesFileName, "previous");

    EXPECT_TRUE(KDVlib::WriteCoords());
    EXPECT_EQ(readFile(CoordinatesFileName), "previous");

    option.saveGeos = true;
    EXPECT_TRUE(KDVlib::WriteCoords());
    EXPECT_EQ(readFile(CoordinatesFileName), Expected("coordenadas.geo"));
}

TEST_F(Writers, ShapePointFile)
{
    std::string path = tmp.file("red.sig");
    ASSERT_TRUE(KDVlib::WriteSigFile(path));
    EXPECT_EQ(readFile(path), Expected("red.sig"));
}

TEST_F(Writers, LayerFilesLeaveOutDeletedAndEmptyPolylines)
{
    ASSERT_TRUE(KDVlib::WriteGeo());
    EXPECT_EQ(readFile(tmp.file("capa1.geo")), Expected("capa1.geo"));
    EXPECT_EQ(readFile(tmp.file("capa2.geo")), Expected("capa2.geo"));
}

TEST_F(Writers, RewrittenLayerReadsBackWithoutRounding)
{
    // Vertices with more digits than centimetres: saving the layer again after an
    // edit must not round the ones the user never touched.
    SetPolyline(1, 7, {{350123.456789, 6301234.987654}, {-0.001, 1e-7}, {7000000, 0.5}});
    ASSERT_TRUE(KDVlib::WriteGeo());
    const LineLayers::TLineLayerLoad load = LineLayers::LoadLineLayer(tmp.file("capa1.geo"), false);
    ASSERT_EQ(load.Status, LineLayers::TLoadStatus::Loaded);
    int32_t first = 0, last = -1;
    LineLayers::LayerRange(load.Layer, first, last);
    ASSERT_EQ(last, first);
    const GeoLink& g = GeoLayers().GeoLinks[first];
    ASSERT_EQ(g.Count, 3);
    EXPECT_EQ(g.Points[0].x, 350123.456789);
    EXPECT_EQ(g.Points[0].y, 6301234.987654);
    EXPECT_EQ(g.Points[1].x, -0.001);
    EXPECT_EQ(g.Points[1].y, 1e-7);
    EXPECT_EQ(g.Points[2].x, 7000000.0);

    // Written back after another polyline moved, a line left as it was keeps its
    // own digits (trailing zeros too): only the moved one is written anew.
    testutil::writeFile(tmp.file("capa1.geo"), "1,2,100.50,200.250,101,201\r\n2,2,5.0,6.0,7,8\r\n");
    const LineLayers::TLineLayerLoad again = LineLayers::LoadLineLayer(tmp.file("capa1.geo"), false);
    ASSERT_EQ(again.Status, LineLayers::TLoadStatus::Loaded);
    LineLayers::LayerRange(again.Layer, first, last);
    for (TPoint& p : GeoLayers().GeoLinks[last].Points)
        p.x += 1.0;
    ASSERT_TRUE(KDVlib::WriteGeoLayer(again.Layer, tmp.file("capa1.geo")));
    EXPECT_EQ(readFile(tmp.file("capa1.geo")), "1,2,100.50,200.250,101,201\r\n2,2,6,6,8,8\r\n");
}

TEST_F(Writers, UtmFilesShiftEveryCoordinate)
{
    ASSERT_TRUE(KDVlib::WriteUtmFiles(tmp.path().string(), 500.0, -1000.0));
    EXPECT_EQ(readFile(tmp.file("T55555_UTM_.DAT")), Expected("T55555_UTM_.DAT"));
    // The UTM layer files keep the deleted polylines that the ".geo" files drop.
    EXPECT_EQ(readFile(tmp.file("SOLERA1_UTM_.DAT")), Expected("SOLERA1_UTM_.DAT"));
    EXPECT_EQ(readFile(tmp.file("SOLERA2_UTM_.DAT")), Expected("SOLERA2_UTM_.DAT"));
    EXPECT_FALSE(std::filesystem::exists(tmp.file("SOLERA3_UTM_.DAT")));

    Network.Options.DUTCH = 1;
    ASSERT_TRUE(KDVlib::WriteUtmFiles(tmp.path().string(), 500.0, -1000.0));
    EXPECT_EQ(readFile(tmp.file("T55555_UTM_.DAT")), Expected("T55555_UTM_dutch.DAT"));
}

TEST_F(Writers, FailedWriteIsReported)
{
    std::string dir = tmp.file("missing/folder");
    EXPECT_FALSE(KDVlib::WriteSigFile(dir + "/red.sig"));
    EXPECT_TRUE(ui.anyMessageContains("No se pudo grabar el archivo"));
}
