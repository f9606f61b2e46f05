// KMZ exports: archive contents checked with an independent unzip (python3
// zipfile), transit lines, background layers, the selected-lines text and the
// network with its lane-level documents.
#include "export/KmzExport.h"
#include "export/KmzExportNetwork.h"
#include "export/ZelKmzer.h"
#include "map/GeoLayers.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtm.h"
#include "support/HandNetwork.h"
#include "support/TestUtil.h"
#include "support/ViewFields.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace KmzExport;
namespace fs = std::filesystem;

namespace {

// Tests the archive and returns "entry names\n" then the text of entry `name`.
std::string Unzip(const std::string& kmz, const std::string& name, const std::string& out)
{
    const std::string cmd = "python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                            "assert z.testzip() is None; "
                            "open(sys.argv[3],'wb').write(('|'.join(z.namelist())+'\\n').encode()+z.read(sys.argv[2]))\" '" +
                            kmz + "' '" + name + "' '" + out + "'";
    if (std::system(cmd.c_str()) != 0)
        return "";
    return testutil::readFile(out);
}

int Count(const std::string& s, const std::string& what)
{
    int n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1))
        ++n;
    return n;
}

using testutil::PlacedNode;

class KmzTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PalvonRead::ClearNetwork();
        conv.UtmZone = 19;
        conv.Hemisphere = "S";
    }
    void AddLine(const std::string& name, const std::string& snt, float freq, std::vector<int32_t> stops, bool sel)
    {
        const int32_t li = PalvonRead::NewLine();
        Lineas[li].Name = name;
        Lineas[li].LineCode = snt;
        Lineas[li].Frequency = freq;
        Lineas[li].Visible = sel ? 1 : 0;
        Lineas[li].Stops.assign(1, int32_t(stops.size()));
        Lineas[li].Stops.insert(Lineas[li].Stops.end(), stops.begin(), stops.end());
    }
    testutil::TempDir dir;
    TKmzConversion conv;
};

TEST_F(KmzTest, TransitLinesAndText)
{
    PlacedNode(10, 350000, 6300000);
    PlacedNode(11, 350100, 6300000);
    PlacedNode(12, 350200, 6300000);
    AddLine("12", "1", 6, {10, -11, 12}, true);
    AddLine("L2", "0", 4, {11, 99}, false); // one node found; not selected
    const int32_t away = PalvonRead::NodeIndex(13);
    Nodos[away].X = Nodos[away].Y = -1.0e8f;
    AddLine("L3", "0", 4, {10, 13}, false); // a node without a position is not placed

    ASSERT_TRUE(WriteSelectedLinesText(dir.file("sel.csv"), ','));
    EXPECT_EQ(testutil::readFile(dir.file("sel.csv")), "12,1,6,3,10,11,12\r\n");

    std::string error;
    const std::string sel = dir.file("sel.kmz");
    ASSERT_TRUE(ExportLinesKmz(sel, conv, false, error)) << error;
    const std::string selection = Unzip(sel, "sel.kml", dir.file("out.txt"));
    EXPECT_EQ(Count(selection, "<Point>"), 2);
    const std::string kmz = dir.file("red.kmz");
    ASSERT_TRUE(ExportLinesKmz(kmz, conv, true, error)) << error;
    EXPECT_FALSE(fs::exists(dir.file("red.kml")));
    const std::string text = Unzip(kmz, "red.kml", dir.file("out.txt"));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(0, text.find('\n')), "red.kml");
    EXPECT_NE(text.find("  <name>red</name>"), std::string::npos);
    EXPECT_NE(text.find("<name>10</name>"), std::string::npos);
    EXPECT_EQ(text.find("<name>11</name>\r\n      <styleUrl>#m_12002"), std::string::npos);
    EXPECT_NE(text.find("<name>12.Trazado</name>"), std::string::npos);
    EXPECT_NE(text.find("<name>L2.Nodos</name>"), std::string::npos);
    EXPECT_EQ(text.find("L2.Trazado"), std::string::npos);
    EXPECT_EQ(Count(text, "<Point>"), 4); // 10 and 12, then 11 of L2, then 10 of L3
    EXPECT_EQ(text.find("<name>13</name>"), std::string::npos);
    EXPECT_EQ(text.find("L3.Trazado"), std::string::npos);

    // Only the selected line goes into the selection export, the same after the
    // export of every line (whose document styles are its own); none selected still
    // gives a valid archive with the outer document alone.
    ASSERT_TRUE(ExportLinesKmz(sel, conv, false, error));
    EXPECT_EQ(Unzip(sel, "sel.kml", dir.file("out.txt")), selection);
    Lineas[1].Visible = 0;
    ASSERT_TRUE(ExportLinesKmz(kmz, conv, false, error));
    EXPECT_EQ(Count(Unzip(kmz, "red.kml", dir.file("out.txt")), "<Placemark>"), 0);
}

TEST_F(KmzTest, RelativeNameGivesAFullArchiveAndRemovesTheKml)
{
    PlacedNode(10, 350000, 6300000);
    PlacedNode(12, 350200, 6300000);
    AddLine("7", "1", 6, {10, 12}, true);
    fs::create_directories(dir.path() / "sub");
    std::string error;
    {
        testutil::WorkingDir here(dir.path().string());
        ASSERT_TRUE(ExportLinesKmz("sub/lineas.kmz", conv, true, error)) << error;
    }
    EXPECT_FALSE(fs::exists(dir.file("sub/lineas.kml")));
    ASSERT_TRUE(fs::exists(dir.file("sub/lineas.kmz")));
    EXPECT_GT(fs::file_size(dir.file("sub/lineas.kmz")), 200u);
    const std::string text = Unzip(dir.file("sub/lineas.kmz"), "lineas.kml", dir.file("out.txt"));
    EXPECT_EQ(text.substr(0, text.find('\n')), "lineas.kml");
    EXPECT_NE(text.find("<name>7.Trazado</name>"), std::string::npos);
}

TEST_F(KmzTest, VisibleBackgroundLayers)
{
    GeoLayers().NumGeoLayers = 2;
    GeoLayers().GeoLayerEnd[0] = 0;
    GeoLayers().GeoLayerEnd[1] = 3;
    GeoLayers().GeoLayerEnd[2] = 4;
    GeoLayers().GeoLayerNames[1] = "calles";
    GeoLayers().GeoLayerNames[2] = "rios";
    GeoLayers().GeoLayerVisible[1] = 1;
    GeoLayers().GeoLayerVisible[2] = 0;
    auto set = [](int32_t g, int32_t id, int32_t n, const std::string& name) {
        GeoLayers().GeoLinks[g].Id = id;
        GeoLayers().GeoLinks[g].Count = n;
        GeoLayers().GeoLinks[g].Points.assign(n, TPoint{350000.0 + g, 6300000.0});
        GeoLayers().GeoLinks[g].Name = name;
    };
    set(1, 101, 2, "");
    set(2, 102, 0, "");
    set(3, 103, 2, GeoDeletedName);
    set(4, 104, 2, "");
    std::string error;
    const std::string kmz = dir.file("capas.KMZ");
    ASSERT_TRUE(ExportGeoLayersKmz(kmz, conv, error)) << error;
    EXPECT_FALSE(fs::exists(dir.file("capas.kml")));
    const std::string text = Unzip(kmz, "capas.kml", dir.file("out.txt"));
    EXPECT_NE(text.find("<name>calles</name>"), std::string::npos);
    EXPECT_EQ(text.find("<name>rios</name>"), std::string::npos);
    EXPECT_NE(text.find("<name>101</name>"), std::string::npos);
    EXPECT_EQ(text.find("<name>102</name>"), std::string::npos);
    EXPECT_NE(text.find("<name>103</name>"), std::string::npos);
    GeoLayers().NumGeoLayers = 0;
}

TEST_F(KmzTest, NetworkWithLanesAndBands)
{
    PlacedNode(2, 350000, 6300000);
    PlacedNode(1, 350200, 6300000);
    const int32_t nd3 = PalvonRead::NodeIndex(3); // no coordinates
    Network.HasCoordinates = 1;
    auto link = [](int32_t a, int32_t b, float value) {
        const int32_t k = PalvonRead::NewLink();
        Arcos[k].A = a;
        Arcos[k].B = b;
        Arcos[k].AIndex = KDVlib::FindNodo(a);
        Arcos[k].BIndex = KDVlib::FindNodo(b);
        Arcos[k].SetLanes(2);
        Arcos[k].StraightLength = 200;
        Arcos[k].Var[5] = value;
        Arcos[k].LaneDirs[1][1] = Arcos[k].LaneDirs[2][1] = 1;
        Arcos[k].LaneEdgeCount = 2;
        Arcos[k].LaneEdgeFar[0] = {350010, 6299993};
        Arcos[k].LaneEdgeFar[1] = {350190, 6299993};
        Arcos[k].LaneEdgeNear[0] = {350010, 6299999};
        Arcos[k].LaneEdgeNear[1] = {350190, 6299999};
        return k;
    };
    Arcos[link(2, 1, 50)].StreetName = "\xd1u\xf1oa & <P\xedo> ]]>";
    link(1, 2, 500);
    link(2, 3, 50);
    (void)nd3;
    // Both links in the one tile of the view, the first twice.
    TSpatialTile& t = HitGrid[0][0];
    t.InView = 1;
    t.LinkCount = 4;
    t.Links[0] = 2;
    t.Links[1] = 1;
    t.Links[2] = 1;
    t.Links[3] = 3;
    // Node balloons carry the exports' junction texts.
    Nodos[KDVlib::FindNodo(2)].JunctionType = 3;
    Nodos[KDVlib::FindNodo(1)].JunctionType = 1;
    t.NodeCount = 2;
    t.Nodes[0] = KDVlib::FindNodo(2);
    t.Nodes[1] = KDVlib::FindNodo(1);
    // A zone whose connector ends on link 2-1: the access line ends three quarters of
    // the way from the link's A to its B.
    const int32_t z = PalvonRead::NewZone();
    Zonas[z].Number = 7;
    Zonas[z].CentroidX = 350100;
    Zonas[z].CentroidY = 6300100;
    Zonas[z].HasCentroid = 1;
    Zonas[z].ConnectorCount = 1;
    Zonas[z].Connectors.resize(2);
    Zonas[z].Connectors[1].ConnNode = 2;
    Zonas[z].Connectors[1].NodeIndex = 1;
    Zonas[z].Connectors[1].LinkIndex = 1;
    t.ZoneCount = 1;
    t.Zones[0] = z;
    HitGridRangeX[0] = HitGridRangeX[1] = HitGridRangeY[0] = HitGridRangeY[1] = 0;
    UserView().RangeVarArcos = 1;
    ColVarArcos[1] = 5;
    UserView().RangeMax = 100;
    UserView().PixsVol = 10;
    UserView().SizeFactor = 1;
    UserView().RangeName = "Flujo";

    TKmzNetworkView view;
    view.Atributos = true;
    view.Values = true;
    std::string error;
    const std::string kmz = dir.file("red.KMZ");
    ASSERT_TRUE(ExportNetworkKmz(kmz, conv, view, error)) << error;
    EXPECT_FALSE(fs::exists(dir.file("red.kml")));
    const std::string text = Unzip(kmz, "red.kml", dir.file("out.txt"));
    // Sorted by A then B, each link once; 2-3 lacks a placed end node.
    const size_t p12 = text.find("<name>1-2</name>"), p21 = text.find("<name>2-1</name>");
    ASSERT_NE(p12, std::string::npos);
    ASSERT_NE(p21, std::string::npos);
    EXPECT_LT(p12, p21);
    EXPECT_EQ(Count(text.substr(0, text.find("<name>nodos</name>")), "<name>2-1</name>"), 1);
    EXPECT_EQ(Count(text.substr(0, text.find("<name>Vialidad</name>")), "<name>2-3</name>"), 0);
    // Value bands: 500 is clamped to 1.1 x PixsVol = 11 m; labels in "Valores".
    EXPECT_NE(text.find("<name>Volumen</name>"), std::string::npos);
    EXPECT_NE(text.find("<name>500.00</name>"), std::string::npos);
    EXPECT_NE(text.find("<styleUrl>#m_Flujo016</styleUrl>"), std::string::npos);
    // Lane level: 3 road bodies (2-3 included), one divider each, two straight arrows each.
    const std::string vial = text.substr(text.find("<name>Vialidad</name>"));
    EXPECT_EQ(Count(vial, "#m_Links006"), 3);
    EXPECT_EQ(Count(vial, "#m_Lanes007"), 3);
    EXPECT_EQ(Count(vial, "#m_Turns008"), 6);
    EXPECT_NE(vial.find("<name>2-1 (1)</name>"), std::string::npos);
    EXPECT_NE(text.find("<![CDATA[Semaforizado<br><hr>"), std::string::npos);
    EXPECT_NE(text.find("<![CDATA[de Prioridad<br><hr>"), std::string::npos);
    // A street name holding markup is the balloon's text, and the document parses.
    EXPECT_NE(text.find("<![CDATA[\xc3\x91u\xc3\xb1oa &amp; &lt;P\xc3\xado&gt; ]]&gt;<br>"), std::string::npos);
    const std::string parse = "/usr/bin/python3 -c \"import sys, xml.etree.ElementTree as ET; "
                              "ET.fromstring(open(sys.argv[1], 'rb').read().split(b'\\n', 1)[1])\" '" +
                              dir.file("out.txt") + "'";
    EXPECT_EQ(std::system(parse.c_str()), 0);
    const size_t access = text.find("<name>7-2/1</name>");
    ASSERT_NE(access, std::string::npos);
    const size_t coords = text.find("<coordinates>", access);
    double lon0 = 0, lat0 = 0, lon1 = 0, lat1 = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + coords, "<coordinates>%lf,%lf,0 %lf,%lf", &lon0, &lat0, &lon1, &lat1), 4);
    const TNodo &a = Nodos[Arcos[1].AIndex], &b = Nodos[Arcos[1].BIndex];
    ZelUtm::TGeografica end;
    ZelUtm::UtmToGeo(19, "S", end, 0.25 * a.X + 0.75 * b.X, 0.25 * a.Y + 0.75 * b.Y);
    EXPECT_NEAR(lon1, end.Longitude, 1e-5);
    EXPECT_NEAR(lat1, end.Latitude, 1e-5);
    // The export draws its copy of the view: every field of the user's view changed
    // since, one at a time, the same copy writes the same document.
    const TViewState user = UserView();
    fs::create_directories(dir.file("otra"));
    for (const auto& field : testutil::ViewFieldChanges()) {
        field.Change(UserView());
        ASSERT_TRUE(ExportNetworkKmz(dir.file("otra/red.KMZ"), conv, view, error)) << error;
        UserView() = user;
        EXPECT_EQ(Unzip(dir.file("otra/red.KMZ"), "red.kml", dir.file("out2.txt")), text) << field.Name;
    }
    // Made from the view as the export command makes it, the bands' document takes the
    // title of the link variable drawn, not the name the colour classes carry.
    const std::string title = TitArcos[1];
    TitArcos[1] = "Flujo total";
    TViewSnapshot shown;
    shown.State = UserView();
    TKmzNetworkView fromView = NetworkView(shown);
    fromView.Atributos = fromView.Values = true;
    ASSERT_TRUE(ExportNetworkKmz(dir.file("vista.KMZ"), conv, fromView, error)) << error;
    TitArcos[1] = title;
    EXPECT_NE(Unzip(dir.file("vista.KMZ"), "vista.kml", dir.file("out3.txt")).find("<name>Flujo total</name>"),
              std::string::npos);

    // The range bands: each value in the class whose top it reaches, a value on a
    // class's top in that class, not the next.
    TKmzNetworkView ranges;
    ranges.Colores = true;
    ranges.State.NumRanges = 3;
    for (int k = 1; k <= 3; ++k)
        ranges.State.RangeTable[k] = {10.0f * float(k - 1), 10.0f * float(k), 0x0000FF, true};
    // A blocked link while blocked links are drawn in white has no band, as on the map.
    const struct {
        float v21, v12;
        const char *class21, *class12;
        bool blocked12;
    } rows[] = {{10, 15, "(0.00-10.00)", "(10.00-20.00)", false},
                {20, 5, "(10.00-20.00)", "(0.00-10.00)", false},
                {30, 25, "(20.00-30.00)", "(20.00-30.00)", false},
                {30, 25, "(20.00-30.00)", "", true}};
    const uint16_t flags = Arcos[2].Flags;
    for (const auto& r : rows) {
        Arcos[1].Var[5] = r.v21;
        Arcos[2].Var[5] = r.v12;
        Arcos[2].Flags = r.blocked12 ? uint16_t(flags | (1u << 9)) : flags;
        ranges.HideBlocked = r.blocked12;
        ASSERT_TRUE(ExportNetworkKmz(dir.file("rangos.KMZ"), conv, ranges, error)) << error;
        const std::string kml = Unzip(dir.file("rangos.KMZ"), "rangos.kml", dir.file("out3.txt"));
        auto folderOf = [&](const char* link) {
            const size_t at = kml.find(std::string("<name>") + link + "</name>", kml.find("<name>(0.00-10.00)</name>"));
            const size_t open = kml.rfind("<name>(", at);
            return at == std::string::npos || open == std::string::npos || at > kml.find("<name>Vialidad</name>")
                ? std::string()
                : kml.substr(open + 6, kml.find("</name>", open) - open - 6);
        };
        EXPECT_EQ(folderOf("2-1"), r.class21) << r.v21;
        EXPECT_EQ(folderOf("1-2"), r.class12) << r.v12;
    }
    Arcos[2].Flags = flags;
    t.InView = 0;
    t.LinkCount = 0;
    t.NodeCount = 0;
}

} // namespace
