// Background line layers and the point layer read from their files: recognition of
// the polyline format, pieces of long polylines, names and label places, adding and
// replacing layers and their bounds; and the bus volumes of the visible lines.
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/PointLayers.h"
#include "map/Polygons.h"
#include "map/ViewState.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using LineLayers::LoadLineLayer;
using LineLayers::TLoadStatus;
using ZelUtils::Format;

namespace {

class LineLayerFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        DisplayStyles::SetDefaultStyles();
        GeoLayers().NumGeoLayers = 0;
        GeoLayers().GeoLayerEnd[0] = 0;
        GeoLayers().GeoNameKeys.clear();
        BatchMode = false;
    }
    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = tmp.file(name);
        testutil::writeFile(path, text);
        return path;
    }
    static std::vector<int32_t> Ids(int layer)
    {
        std::vector<int32_t> ids;
        int32_t first, last;
        LineLayers::LayerRange(layer, first, last);
        for (int32_t r = first; r <= last; ++r)
            ids.push_back(GeoLayers().GeoLinks[r].Id);
        return ids;
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
};

} // namespace

TEST_F(LineLayerFiles, FirstLineDecidesWhetherTheFileIsRead)
{
    EXPECT_TRUE(LineLayers::IsPolylineHeader("7,2,0,0,10,10", ','));
    EXPECT_FALSE(LineLayers::IsPolylineHeader("7,2.5,0,0,10,10", ','));
    EXPECT_FALSE(LineLayers::IsPolylineHeader("7,2,0,0,10", ','));     // odd field count
    EXPECT_FALSE(LineLayers::IsPolylineHeader("7,x,0,0,10,10", ','));
    EXPECT_EQ(LineLayers::ChooseSeparator("1;2,5;3"), ';');
    EXPECT_EQ(LineLayers::ChooseSeparator("7 2 0 0 10 10"), 0);

    ASSERT_EQ(LoadLineLayer(Write("uno.geo", "1,2,0,0,10,10\r\n"), false).Status, TLoadStatus::Loaded);
    // Not recognised: the message names the file without its folder; nothing changes.
    for (const char* first : {"7 2 0 0 10 10", "7,2.5,0,0,10,10"}) {
        ui.messages.clear();
        EXPECT_EQ(LoadLineLayer(Write("malo.geo", std::string(first) + "\n"), true).Status,
                  TLoadStatus::NotRecognised);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], "Archivo malo.geo con formato no reconocido\rProceso abortado");
        EXPECT_EQ(GeoLayers().NumGeoLayers, 1);
        EXPECT_EQ(GeoLayers().GeoLayerEnd[1], 1);
    }
}

TEST_F(LineLayerFiles, LongPolylinesArePiecesThatJoin)
{
    std::string line = "5,5401";
    for (int j = 1; j <= 5401; ++j)
        line += Format(",%d,%d.5", j, -j);
    // ';' separates this file; a point count of 0 adds nothing; a line short of
    // points is left out with one message.
    const std::string file = Write("largo.geo", "3;2;1;1;2;2\r\n4;0\r\n6;3;1;1;2;2\r\n\r\n" + line + "\r\n");
    const auto load = LoadLineLayer(file, false);
    ASSERT_EQ(load.Status, TLoadStatus::Loaded);
    EXPECT_TRUE(ui.anyMessageContains("largo.geo:\r2 líneas no se cargaron"));
    // The long line used ',' while the file's separator is ';': it is one of the two.
    EXPECT_EQ(Ids(1), (std::vector<int32_t>{3}));

    const std::string good = Write("largo2.geo", line + "\r\n");
    ASSERT_EQ(LoadLineLayer(good, false).Status, TLoadStatus::Loaded);
    ASSERT_EQ(Ids(1), (std::vector<int32_t>{5, 5, 5}));
    const GeoLink& a = GeoLayers().GeoLinks[1];
    const GeoLink& b = GeoLayers().GeoLinks[2];
    const GeoLink& c = GeoLayers().GeoLinks[3];
    ASSERT_EQ(a.Count, 2701);
    ASSERT_EQ(b.Count, 2701);
    ASSERT_EQ(c.Count, 1);
    EXPECT_EQ(a.Points[0].x, 1.0);
    EXPECT_EQ(a.Points[2700].x, 2701.0);
    EXPECT_EQ(b.Points[0].x, 2701.0);
    EXPECT_EQ(b.Points[2700].x, 5401.0);
    EXPECT_EQ(c.Points[0].x, 5401.0);
    EXPECT_EQ(c.Points[0].y, -5401.5);
    EXPECT_TRUE(GeoLayers().GeoNameKeys.empty()); // no name file
}

TEST_F(LineLayerFiles, NameFileNamesAndPlacesLabels)
{
    // Coordinates keep every decimal written (no single-precision rounding).
    const std::string geo = Write("bordes.geo", "7,4,6300000.55,100,6300010.55,100,6300010.55,110,6300020.55,120\r\n"
                                                "8,2,0,0,10,10\r\n9,2,0,0,-10,0\r\n");
    Write("bordes.name", "7,Main,0,0\r\n8,Otra,5,6\r\n99,Nadie\r\n");
    const auto load = LoadLineLayer(geo, false);
    ASSERT_EQ(load.Status, TLoadStatus::Loaded);
    EXPECT_TRUE(load.HasNames);
    EXPECT_TRUE(UserView().Items[11].ShowNames);
    const GeoLink& g7 = GeoLayers().GeoLinks[1];
    EXPECT_EQ(g7.Points[0].x, 6300000.55);
    // Middle of points 1 and 2 (0-based) of four; the name file's 0,0 keeps it.
    EXPECT_EQ(g7.Name, "Main");
    EXPECT_DOUBLE_EQ(g7.LabelPos.x, 6300010.55);
    EXPECT_DOUBLE_EQ(g7.LabelPos.y, 105.0);
    EXPECT_EQ(g7.LabelAngle, 900);
    // A position in the name file replaces the computed one.
    EXPECT_EQ(GeoLayers().GeoLinks[2].Name, "Otra");
    EXPECT_EQ(GeoLayers().GeoLinks[2].LabelPos.x, 5.0);
    EXPECT_EQ(GeoLayers().GeoLinks[2].LabelPos.y, 6.0);
    EXPECT_EQ(GeoLayers().GeoLinks[3].Name, "");
    EXPECT_EQ(GeoLayers().GeoLinks[3].LabelAngle, 1800);
    ASSERT_EQ(GeoLayers().GeoNameKeys.size(), 3u);
    EXPECT_EQ(GeoLayers().GeoNameKeys[0].Key, " 1 7");

    // The fixture uses ';' in both files; a name without its polyline is passed over.
    ASSERT_EQ(LoadLineLayer(testutil::dataPath("layer_kerbs.geo"), true).Status, TLoadStatus::Loaded);
    int32_t first, last;
    LineLayers::LayerRange(2, first, last);
    ASSERT_EQ(last - first, 2);
    EXPECT_EQ(GeoLayers().GeoLinks[first].Name, "Calle Uno");
    EXPECT_EQ(GeoLayers().GeoLinks[last].Name, "Borde");
    EXPECT_EQ(GeoLayers().GeoLinks[last].LabelPos.x, 400.0);
    EXPECT_EQ(GeoLayers().GeoLayerNames[2], "layer_kerbs");
}

TEST_F(LineLayerFiles, LayersAddUpOrReplaceWithinTheirBounds)
{
    const std::string a = Write("a.geo", "1,2,0,0,1,1\r\n2,2,0,0,1,1\r\n");
    const std::string b = Write("b.geo", "3,2,0,0,1,1\r\n");
    ASSERT_EQ(LoadLineLayer(a, false).Layer, 1);
    ASSERT_EQ(LoadLineLayer(b, true).Layer, 2);
    EXPECT_EQ(GeoLayers().NumGeoLayers, 2);
    EXPECT_EQ(Ids(1), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(Ids(2), (std::vector<int32_t>{3}));
    EXPECT_EQ(GeoLayers().GeoLayerNames[2], "b");
    EXPECT_EQ(GeoLayers().GeoLayerDirs[2], tmp.path().string());
    EXPECT_EQ(UserView().Items[12].Name, "Cob.Líneas (b)");
    EXPECT_EQ(UserView().Items[12].Color, UserView().Items[11].Color);
    EXPECT_EQ(LineLayers::SelectionCaption(), "Selección: 1/2");
    GeoLayers().GeoLayerSelected[1] = 0;
    EXPECT_EQ(LineLayers::SelectionCaption(), "Selección: 2");

    // A second file without adding leaves one layer.
    ASSERT_EQ(LoadLineLayer(b, false).Layer, 1);
    EXPECT_EQ(GeoLayers().NumGeoLayers, 1);
    EXPECT_EQ(Ids(1), (std::vector<int32_t>{3}));

    // Four layers at most: a fifth is refused whole.
    for (int k = 2; k <= MaxGeoLayers; ++k)
        ASSERT_EQ(LoadLineLayer(a, true).Layer, k);
    ui.messages.clear();
    EXPECT_EQ(LoadLineLayer(a, true).Status, TLoadStatus::NoLayerRoom);
    EXPECT_EQ(GeoLayers().NumGeoLayers, MaxGeoLayers);
    EXPECT_TRUE(ui.anyMessageContains("como máximo 4 capas"));

    // A full polyline array: what was read stays, the layer ends at the last stored.
    GeoLayers().NumGeoLayers = 1;
    GeoLayers().GeoLayerEnd[1] = MaxGeoLinks - 1;
    ui.messages.clear();
    const auto load = LoadLineLayer(a, true);
    EXPECT_EQ(load.Status, TLoadStatus::NoLineRoom);
    EXPECT_EQ(load.Layer, 2);
    EXPECT_EQ(GeoLayers().GeoLayerEnd[2], MaxGeoLinks);
    EXPECT_EQ(GeoLayers().GeoLinks[MaxGeoLinks].Id, 1);
    EXPECT_TRUE(ui.anyMessageContains("Número de líneas de soleras excedida... proceso abortado"));
}

TEST(PointLayerFile, PointsTheirColoursAndBounds)
{
    RecordingServices ui;
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    ASSERT_TRUE(PointLayers::LoadPointFile(testutil::dataPath("layer_points.geo")));
    ASSERT_EQ(NumDots, 2);
    EXPECT_EQ(Dots[0].Value, 3);
    EXPECT_EQ(Dots[0].Pos.x, 100.5);
    EXPECT_EQ(Dots[0].Pos.y, 200.5);
    EXPECT_EQ(Dots[0].Color, ZoneColors[4]);
    EXPECT_EQ(Dots[1].Color, ZoneColors[17]); // -4 takes the colour 16 would
    EXPECT_EQ(Dots[2].Color, ZoneColors[13]);

    // Four fields on the first line: nothing is loaded, the points held stay.
    const std::string four = tmp.file("cuatro.geo");
    testutil::writeFile(four, "3,100.5,200.5,7\r\n");
    EXPECT_FALSE(PointLayers::LoadPointFile(four));
    EXPECT_EQ(NumDots, 2);
    // Three fields but no line of three numbers: refused in one message, and the
    // points held stay whole.
    for (const char* text : {"numero,x,y\r\n", "a;b;c\r\nx;1;2\r\n"}) {
        SCOPED_TRACE(text);
        testutil::writeFile(four, text);
        ui.messages.clear();
        EXPECT_FALSE(PointLayers::LoadPointFile(four));
        ASSERT_EQ(NumDots, 2);
        EXPECT_EQ(Dots[2].Value, 12);
        EXPECT_EQ(Dots[2].Pos.y, 1500.0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.anyMessageContains("no se ha le\u00eddo")) << ui.messages.front();
    }

    // The layer holds 601 points; the rest are reported.
    std::string text;
    for (int i = 0; i < 605; ++i)
        text += Format("%d;%d;%d\r\n", i, i, i);
    const std::string many = tmp.file("muchos.geo");
    testutil::writeFile(many, text);
    ui.messages.clear();
    EXPECT_TRUE(PointLayers::LoadPointFile(many));
    EXPECT_EQ(NumDots, MaxDots);
    EXPECT_EQ(Dots[MaxDots].Value, 600);
    EXPECT_TRUE(ui.anyMessageContains("601 puntos; 4 no se cargaron"));
}

TEST(TransitBusVolumes, VisibleLinesSumTheirFrequenciesAlongTheirRoutes)
{
    RecordingServices ui;
    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = tmp.file("Errores.txt");
    settings.NetworkDatFile = tmp.file("red.dat");
    std::vector<std::string> lines;
    ASSERT_TRUE(FileUtils::ReadLines(testutil::dataPath("transit_blocks.dat"), lines));
    ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
    auto bus = [](int a, int b) { return LinkBusCount[static_cast<size_t>(KDVlib::FindArco(a, b))]; };

    EXPECT_TRUE(LineLayers::LinkBusCountStale());
    LineLayers::RebuildLinkBusCount();
    EXPECT_FALSE(VisibleLinesChanged);
    EXPECT_FALSE(LineLayers::LinkBusCountStale());
    // L1 10, L2 5 (its marked stop names node 102 all the same), line 12345 three
    // times 7; L3 12 the other way.
    EXPECT_EQ(bus(101, 102), 10.0f + 5.0f + 21.0f);
    EXPECT_EQ(bus(102, 101), 12.0f + 21.0f);
    EXPECT_EQ(bus(103, 104), 7.0f);
    EXPECT_EQ(LinkBusMax, 36.0f);

    // Hiding a line makes the sums stale even when nobody raised the flag.
    Lineas[KDVlib::FindLinea("L1")].Visible = 0;
    EXPECT_TRUE(LineLayers::LinkBusCountStale());
    LineLayers::RebuildLinkBusCount();
    EXPECT_EQ(bus(101, 102), 26.0f);
    EXPECT_EQ(bus(102, 104), 0.0f);
    EXPECT_EQ(bus(104, 102), 12.0f);

    VisibleLinesChanged = true;
    EXPECT_TRUE(LineLayers::LinkBusCountStale());
}
