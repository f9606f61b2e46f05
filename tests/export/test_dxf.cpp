// The DXF writer: group pairs byte for byte, handles, styles and figures.
#include "export/DxfDataLayers.h"
#include "export/DxfMapExport.h"
#include "export/ZelDxfer.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/Ranges.h"
#include "model/ZelUtils.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "support/HandNetwork.h"
#include "support/TestUtil.h"
#include "support/ViewFields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace ZelDxfer;
using testutil::readFile;
using testutil::PlacedNode;

namespace {

// The drawing as (code, value) pairs; fails on a line not ended by CR LF.
std::vector<std::pair<std::string, std::string>> Pairs(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos);
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    EXPECT_EQ(lines.size() % 2, 0u);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i + 1 < lines.size(); i += 2)
        pairs.emplace_back(lines[i], lines[i + 1]);
    return pairs;
}

std::vector<std::pair<double, double>> Vertices(const std::string& text)
{
    std::vector<std::pair<double, double>> v;
    const auto p = Pairs(text);
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i] == std::pair<std::string, std::string>{"  0", "VERTEX"})
            v.emplace_back(std::atof(p[i + 3].second.c_str()), std::atof(p[i + 4].second.c_str()));
    return v;
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string s;
    for (const auto& l : lines)
        s += l + "\r\n";
    return s;
}

} // namespace

TEST(ZelDxfer, EntitiesByteForByteWithHandlesAndStyles)
{
    testutil::TempDir dir;
    TDxfWriter w;
    w.DxfOpen(dir.file("a.dxf"));
    w.DxfLineType = "TRAZOS";
    w.DxfLineColor = 3;
    w.DxfLine("RED", 0, 0, 1.5, 2);
    w.DxfLineType = "ByLayer";
    w.DxfLineColor = 0;
    w.DxfLine("RED", 0, 0, 1, 1);
    const TPoint pts[] = {{0, 0}, {1, 0}, {1, 1}};
    w.DxfPolyline("ARCOS", pts);
    w.DxfText("CALLES", 900, "Av. Sur ", 5, 6, 4);
    w.DxfText("CALLES", 0, "x", 5, 6, 9);
    EXPECT_TRUE(w.DxfClose());
    const std::string expected = Join({
        "  0", "LINE", "  5", "1001", "  6", "TRAZOS", "  8", "RED", " 10", "0.00000", " 20", "0.00000", " 11",
        "1.50000", " 21", "2.00000", " 62", "3",
        "  0", "LINE", "  5", "1002", "  8", "RED", " 10", "0.00000", " 20", "0.00000", " 11", "1.00000", " 21",
        "1.00000",
        "  0", "POLYLINE", "  5", "1003", "  8", "ARCOS", " 66", "     1", " 10", "0.0", " 20", "0.0", " 30", "0.0",
        " 70", "     0",
        "  0", "VERTEX", "  5", "1004", "  8", "ARCOS", " 10", "0.00000", " 20", "0.00000", " 30", "0.00000",
        "  0", "VERTEX", "  5", "1005", "  8", "ARCOS", " 10", "1.00000", " 20", "0.00000", " 30", "0.00000",
        "  0", "VERTEX", "  5", "1006", "  8", "ARCOS", " 10", "1.00000", " 20", "1.00000", " 30", "0.00000",
        "  0", "SEQEND", "  5", "1007", "  8", "ARCOS",
        "  0", "TEXT", "  1", "Av. Sur ", "  5", "1008", "  7", "STANDARD", "  8", "CALLES", " 10", "5.00000", " 20",
        "6.00000", " 40", "10.00", " 50", "90.00000", " 11", "5.00000", " 21", "6.00000", " 72", "1", " 73", "2",
        "  0", "TEXT", "  1", "x", "  5", "1009", "  7", "STANDARD", "  8", "CALLES", " 10", "5.00000", " 20",
        "6.00000", " 40", "10.00", " 50", "0.00000", " 11", "5.00000", " 21", "6.00000",
        "  0", "EOF"});
    EXPECT_EQ(readFile(dir.file("a.dxf")), expected);

    // Handles past FFFF widen; opening the next drawing resets handle and styles.
    w.DxfOpen(dir.file("b.dxf"));
    EXPECT_EQ(w.DxfLineType, "ByLayer");
    w.DxfHandle = 0xFFFF;
    w.DxfPoint("P", 1, 2);
    EXPECT_NE(w.DxfText().find("  5\r\n10000\r\n"), std::string::npos);
    EXPECT_TRUE(w.DxfClose());
}

TEST(ZelDxfer, TablesAndLayerVisibility)
{
    testutil::TempDir dir;
    TDxfWriter w;
    w.DxfOpen(dir.file("t.dxf"));
    const std::string names[] = {"CONTINUA", "TRAZOS"};
    const double totals[] = {0.0, 12.7}, dashes[] = {0.0, 6.35}, gaps[] = {0.0, -6.35};
    w.DxfLtypes(names, totals, dashes, gaps);
    const std::string layers[] = {"RED", "NODOS"};
    const bool visible[] = {true, false};
    const int32_t colours[] = {7, 5};
    w.DxfLayers(layers, visible, colours);
    const auto p = Pairs(w.DxfText());
    using P = std::pair<std::string, std::string>;
    // CONTINUA: no dash pairs; TRAZOS: lower-case description and two 49 pairs.
    const std::vector<P> ltype1 = {{"  0", "LTYPE"}, {"  2", "CONTINUA"}, {" 70", "    0"}, {"  3", "continua"},
                                   {" 72", "   65"}, {" 73", "    0"},    {" 40", "  0.0"}};
    EXPECT_TRUE(std::equal(ltype1.begin(), ltype1.end(), p.begin() + 3));
    EXPECT_EQ(p[10], (P{"  0", "LTYPE"}));
    EXPECT_EQ(p[15], (P{" 73", "    2"}));
    EXPECT_EQ(p[16], (P{" 40", " 12.7"}));
    EXPECT_EQ(p[17].first, " 49");
    EXPECT_EQ(p[19], (P{"  0", "ENDTAB"}));
    EXPECT_NE(w.DxfText().find(" 62\r\n    7\r\n"), std::string::npos);
    EXPECT_NE(w.DxfText().find(" 62\r\n   -5\r\n"), std::string::npos);

    // A zero-height window still gives a finite aspect ratio.
    w.DxfVport(0, 5, 10, 5);
    EXPECT_EQ(w.DxfText().find("nan"), std::string::npos);
    EXPECT_EQ(w.DxfText().find("inf"), std::string::npos);
    EXPECT_TRUE(w.DxfClose());
}

TEST(ZelDxfer, Figures)
{
    testutil::TempDir dir;
    TDxfWriter w;
    w.DxfOpen(dir.file("f.dxf"));
    w.DxfSolidRec("S", 2, 0, 0, 10, 0);
    auto p = Pairs(w.DxfText());
    ASSERT_EQ(p.size(), 11u);
    EXPECT_EQ(p[5].second + p[6].second, "10.000000.00000");   // 11/21 second corner
    EXPECT_EQ(p[7].second + p[8].second, "0.00000-2.00000");   // 12/22 fourth corner
    EXPECT_EQ(p[9].second + p[10].second, "10.00000-2.00000"); // 13/23 third corner
    EXPECT_TRUE(w.DxfClose());

    w.DxfOpen(dir.file("g.dxf"));
    w.DxfRegularPolygon("X", 2, 0, 0, 0, 1);
    EXPECT_TRUE(w.DxfText().empty());
    w.DxfLinkFigure("MVT_", {0, 0}, {90, 0}, {1, 1, 1}, 0, "12");
    const std::vector<std::pair<double, double>> expected = {
        {0, 0},  {60, 0}, {69, 9},  {66, 12}, {75, 15},  {72, 6},   {69, 9},   {60, 0},   {75, 0},  {75, 4},
        {84, 0}, {75, -4}, {75, 0}, {60, 0},  {69, -9},  {72, -6},  {75, -15}, {66, -12}, {69, -9}, {60, 0}};
    const auto v = Vertices(w.DxfText());
    ASSERT_EQ(v.size(), expected.size());
    for (size_t i = 0; i < v.size(); ++i) {
        EXPECT_NEAR(v[i].first, expected[i].first, 1e-6) << i;
        EXPECT_NEAR(v[i].second, expected[i].second, 1e-6) << i;
    }
    const std::string& t = w.DxfText();
    EXPECT_NE(t.find(" 40\r\n13.50\r\n 50\r\n0.00000\r\n 11\r\n30.00000\r\n 21\r\n0.00000\r\n"), std::string::npos);
    EXPECT_DOUBLE_EQ(w.DxfTextHeight, 10.0); // restored after the label
    EXPECT_TRUE(w.DxfClose());
}

TEST(ZelDxfer, FailedWriteKeepsPreviousFile)
{
    testutil::TempDir dir;
    TDxfWriter w;
    w.DxfOpen(dir.file("missing/x.dxf"));
    w.DxfPoint("P", 0, 0);
    EXPECT_FALSE(w.DxfClose());
}

namespace {
void StreetNetwork()
{
    PalvonRead::ClearNetwork();
    const int32_t a = PlacedNode(1, 0, 0), b = PlacedNode(2, 100, 0), c = PlacedNode(3, 100, 100);
    auto link = [](int32_t from, int32_t to, int32_t bearing, const char* street, bool oneWay) {
        const int32_t k = PalvonRead::NewLink();
        Arcos[k].A = Nodos[from].Number;
        Arcos[k].B = Nodos[to].Number;
        Arcos[k].AIndex = from;
        Arcos[k].BIndex = to;
        Arcos[k].BearingA = Arcos[k].BearingB = bearing;
        Arcos[k].StreetName = street;
        Arcos[k].NoReverse = oneWay;
        return k;
    };
    const int32_t ab = link(a, b, 0, "  ", false);      // blank: takes its opposite's name
    const int32_t ba = link(b, a, 1800, "Mayor", false); // two-way, backwards: not labelled
    Arcos[ab].ReverseIndex = ba;
    Arcos[ba].ReverseIndex = ab;
    Arcos[ab].SetFlag(4);                                // marked one way only: both dashed
    link(c, b, 1800, "Sur", true); // one-way backwards: labelled, turned upright
    Network.MinX = 0; Network.MaxX = 100; Network.MinY = 0; Network.MaxY = 100;
    KDVlib::BuildHitGrid();
    UserView().WorldMinX = -10; UserView().WorldMaxX = 110; UserView().WorldMinY = -10; UserView().WorldMaxY = 110;
    KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
}

std::vector<std::string> Texts(const std::string& text)
{
    std::vector<std::string> out;
    const auto p = Pairs(text);
    for (size_t i = 0; i + 1 < p.size(); ++i)
        if (p[i].first == "  0" && p[i].second == "TEXT")
            out.push_back(p[i + 1].second);
    return out;
}
} // namespace

TEST(DxfMapExport, LayersLabelsAndIndependentParse)
{
    StreetNetwork();
    testutil::TempDir dir;
    TDxfMapOptions o;
    ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("red.dxf"), o));
    const std::string text = readFile(dir.file("red.dxf"));
    const auto p = Pairs(text);
    // Ten layers: "0" and "RED" on, the rest switched off (negative colour).
    size_t on = 0, off = 0;
    for (size_t i = 0; i + 3 < p.size(); ++i)
        if (p[i].second == "LAYER" && p[i + 3].first == " 62")
            (p[i + 3].second.find('-') == std::string::npos ? on : off)++;
    EXPECT_EQ(on, 2u);
    EXPECT_EQ(off, 8u);
    // Both LINE records of the two-way link are dashed.
    size_t dashed = 0;
    for (size_t i = 0; i + 2 < p.size(); ++i)
        if (p[i].second == "LINE" && p[i + 2].second == "TRAZOS")
            ++dashed;
    EXPECT_EQ(dashed, 2u);
    // Node numbers, the zone-less network's street names: the blank link takes
    // "Mayor", its backwards twin is skipped.
    const auto t = Texts(text);
    EXPECT_EQ(std::count(t.begin(), t.end(), "Mayor"), 1);
    EXPECT_EQ(std::count(t.begin(), t.end(), "Sur"), 1);
    EXPECT_EQ(text.substr(text.size() - 10), "  0\r\nEOF\r\n");

    // An independent reader of the group pairs.
    const std::string script = dir.file("check.py");
    testutil::writeFile(script,
                        "import sys\n"
                        "lines = open(sys.argv[1], 'rb').read().split(b'\\r\\n')\n"
                        "assert lines[-1] == b'' and len(lines) % 2 == 1\n"
                        "pairs = [(int(lines[i]), lines[i+1]) for i in range(0, len(lines) - 1, 2)]\n"
                        "secs = [v for c, v in pairs if c == 2 and v in (b'HEADER', b'TABLES', b'ENTITIES')]\n"
                        "assert secs == [b'HEADER', b'TABLES', b'ENTITIES'], secs\n"
                        "assert pairs[-1] == (0, b'EOF')\n"
                        "for c, v in pairs:\n"
                        "    if c in (10, 20, 11, 21, 40): float(v)\n");
    EXPECT_EQ(std::system(("python3 '" + script + "' '" + dir.file("red.dxf") + "'").c_str()), 0);

    ASSERT_TRUE(DxfMapExport::PrintCallesDxf(dir.file("calles.dxf"), o));
    const auto c = Texts(readFile(dir.file("calles.dxf")));
    EXPECT_EQ(c, (std::vector<std::string>{"MAYOR", "SUR"}));
    // The links' traces and the zone connectors along links: a link whose far end
    // has no position has neither, not a line to the drawing's origin or beyond.
    Arcos[1].PointCount = 2;
    Arcos[1].Points[1] = {0, 0};
    Arcos[1].Points[2] = {100, 0};
    const int32_t away = PalvonRead::NodeIndex(4);
    const int32_t k = PalvonRead::NewLink();
    Arcos[k].A = 3;
    Arcos[k].B = 4;
    Arcos[k].AIndex = Arcos[k].A;
    Arcos[k].BIndex = away;
    Arcos[k].PointCount = 2;
    Nodos[away].X = Nodos[away].Y = -1.0e8f;
    const int32_t z = PalvonRead::NewZone();
    Zonas[z].Number = 9;
    Zonas[z].CentroidX = Zonas[z].CentroidY = 50;
    Zonas[z].HasCentroid = 1;
    Zonas[z].ConnectorCount = 2;
    Zonas[z].Connectors.resize(3);
    Zonas[z].Connectors[1].LinkIndex = 1;
    Zonas[z].Connectors[2].LinkIndex = k;
    KDVlib::BuildHitGrid();
    KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
    ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("trazas.dxf"), o));
    const auto traces = Pairs(readFile(dir.file("trazas.dxf")));
    size_t arcos = 0, connectors = 0;
    for (size_t i = 0; i + 3 < traces.size(); ++i) {
        arcos += traces[i].second == "POLYLINE" && traces[i + 2].first == "  8" && traces[i + 2].second == "ARCOS";
        connectors += traces[i].second == "LINE" && traces[i + 2].first == "  8" && traces[i + 2].second == "CENTROIDES";
    }
    EXPECT_EQ(arcos, 1u);
    EXPECT_EQ(connectors, 1u);
    Network.LinkCount = 3;

    // Accented names in capitals too, read in UTF-8 or in Windows-1252, written in
    // the drawing's Windows-1252; the micro sign stays: its capital is not in it.
    const std::pair<const char*, const char*> accented[] = {
        {"Pe\xC3\xB1" "alol\xC3\xA9n", "PE\xD1" "ALOL\xC9N"}, {"\xF1" "and\xFA", "\xD1" "AND\xDA"},
        {"\xC2\xB5m \xC3\xBF", "\xB5M \x9F"}};
    for (const auto& [stored, written] : accented) {
        Arcos[3].StreetName = stored;
        ASSERT_TRUE(DxfMapExport::PrintCallesDxf(dir.file("calles.dxf"), o));
        EXPECT_EQ(Texts(readFile(dir.file("calles.dxf"))), (std::vector<std::string>{"MAYOR", written})) << stored;
    }
}

// ---- Data layers ----
namespace {

// The street network with a value column "F. Asig" (variable 13) and three
// movements through node 2 coming from node 1.
void DataNetwork()
{
    StreetNetwork();
    NumColArcos = 6;
    ColVarArcos.fill(0);
    ColVarArcos[5] = 13;
    TitArcos[5] = "F. Asig";
    Arcos[1].Var[13] = 300.0f; // 1-2: three times the scale maximum
    Arcos[2].Var[13] = 0.0f;   // 2-1
    Arcos[3].Var[13] = 50.0f;  // 3-2, five shape points
    Arcos[3].PointCount = 5;
    const TPoint shape[] = {{100, 100}, {100, 80}, {100, 60}, {100, 40}, {100, 0}};
    for (int p = 0; p < 5; ++p)
        Arcos[3].Points[p + 1] = shape[p];
    for (int32_t t : {450, 451, -451}) {
        const int32_t m = PalvonRead::NewMovement();
        Movims[m].A = 1;
        Movims[m].Node = 2;
        Movims[m].C = 3;
        Movims[m].AIndex = 1;
        Movims[m].JunctionIndex = 2;
        Movims[m].CIndex = 3;
        Movims[m].TurnAngle = t;
        Movims[m].Var[6] = 10.0f * m;
    }
    NumColMovim = 5;
    ColVarMovim.fill(0);
    ColVarMovim[4] = 6;
    TitMovim[4] = "F.Asig";
    PalvonRead::ComputeLinkDataExtremes();
    KDVlib::BuildHitGrid();
    KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
    UserView().RangeMode = 0;
    UserView().RangeVarByMode.fill(0);
    UserView().RangeVarByMode[0] = 5;
    UserView().RangeVarArcos = 5;
    UserView().RangeName = "F. Asig";
    UserView().RangeMin = 0.0f;
    UserView().RangeMax = 100.0f;
    UserView().RangeVarMovim = 4;
    UserView().RangeItemMovim = 4;
    UserView().ScaleFixed = false;
    UserView().PixsVol = 20;
    UserView().PixsCol = 3;
    UserView().SizeFactor = 1.0f;
    UserView().FMov = 1.0;
    UserView().NumFormat = Tfmt{6, 1, "%6.1f"};
    UserView().ShownVarList = {"5"};
    Ranges::FillDefaultRanges(UserView(), 0.0f, 100.0f);
    UserView().RangeSetKeys.clear();
    UserView().RangeNames.clear();
}

// The entities of one layer as lists of pairs, each starting at its "  0" pair.
std::vector<std::vector<std::pair<std::string, std::string>>> Entities(const std::string& text, const std::string& layer)
{
    std::vector<std::vector<std::pair<std::string, std::string>>> out;
    const auto p = Pairs(text);
    size_t start = 0;
    while (start < p.size() && p[start].second != "ENTITIES")
        ++start;
    for (size_t i = start + 1; i < p.size(); ++i) {
        if (p[i].first != "  0")
            continue;
        size_t j = i + 1;
        while (j < p.size() && p[j].first != "  0")
            ++j;
        std::vector<std::pair<std::string, std::string>> e(p.begin() + long(i), p.begin() + long(j));
        for (const auto& [code, value] : e)
            if (code == "  8" && value == layer && e[0].second != "VERTEX" && e[0].second != "SEQEND") {
                out.push_back(e);
                break;
            }
    }
    return out;
}

std::string Value(const std::vector<std::pair<std::string, std::string>>& e, const std::string& code)
{
    for (const auto& [c, v] : e)
        if (c == code)
            return v;
    return "-";
}

struct DataLayerState {
    ~DataLayerState()
    {
        NumColArcos = NumColMovim = 0;
        UserView().ShownVarList.clear();
        UserView().RangeVarArcos = UserView().RangeVarMovim = UserView().RangeItemMovim = 0;
        Ranges::SetDefaults();
    }
};

} // namespace

TEST(DxfDataLayers, BandsThemesValuesAndMovementsOfTheCurrentVariables)
{
    DataLayerState restore;
    DataNetwork();
    testutil::TempDir dir;
    TDxfMapOptions o;
    o.tbAtributos = o.tbColores = o.aAtributos2 = true;
    // The export writes its copy of the view: sizes and the number format changed
    // in the user's view since it was taken are not what it writes.
    const TViewState user = UserView();
    UserView().NumFormat = Tfmt{6, 2, "%6.2f"};
    UserView().PixsVol = 40;
    UserView().FMov = 3.0;
    ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("datos.dxf"), o));
    UserView() = user;
    const std::string text = readFile(dir.file("datos.dxf"));
    // Every field of the user's view changed after the copy was taken, one at a
    // time: the same drawing.
    for (const auto& field : testutil::ViewFieldChanges()) {
        field.Change(UserView());
        ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("otra.dxf"), o));
        UserView() = user;
        EXPECT_EQ(readFile(dir.file("otra.dxf")), text) << field.Name;
    }

    // Bands: one per link; 300 against a maximum of 100 is held at 1.1 x PixsVol
    // and takes the over-range colour; the zero band is still written.
    const auto att = Entities(text, "ATT_FAsig");
    ASSERT_EQ(att.size(), 3u);
    EXPECT_EQ(Value(att[0], " 22"), "-22.00000"); // 1-2 from (0,0) to (100,0), band on the right
    EXPECT_EQ(Value(att[0], " 62"), std::to_string(ZelUtils::NearestColour(UserView().ModeBrushColors[0])));
    EXPECT_EQ(Value(att[1], " 62"), "-");
    EXPECT_EQ(Value(att[1], " 22"), "0.00000"); // 2-1: value 0, width 0

    // Themes with the classes over the values: 50 in range 3; 0, the minimum, left
    // out as the map leaves it, and with "Dibujar ceros" in the bottom class
    // (every value within the classes is coloured).
    const auto tem = Entities(text, "TEM_FAsig");
    ASSERT_EQ(tem.size(), 2u);
    EXPECT_EQ(Value(tem[1], " 62"), std::to_string(ZelUtils::NearestColour(UserView().RangeTable[3].Color)));
    o.DrawNull = true;
    ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("ceros.dxf"), o));
    o.DrawNull = false;
    const auto zeros = Entities(readFile(dir.file("ceros.dxf")), "TEM_FAsig");
    ASSERT_EQ(zeros.size(), 3u);
    EXPECT_EQ(Value(zeros[1], " 62"), std::to_string(ZelUtils::NearestColour(UserView().RangeTable[1].Color)));
    // A blocked link while blocked links are drawn in white: no band, no value.
    {
        TDxfMapOptions hidden = o;
        hidden.HideBlocked = true;
        const uint16_t flags = Arcos[3].Flags;
        Arcos[3].Flags = uint16_t(flags | (1u << 9));
        ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("cerrado.dxf"), hidden));
        Arcos[3].Flags = flags;
        const std::string closed = readFile(dir.file("cerrado.dxf"));
        EXPECT_EQ(Entities(closed, "TEM_FAsig").size(), 1u);
        EXPECT_EQ(Entities(closed, "VAL_FAsig").size(), 1u);
    }

    // Values: none for the zero link; the five-point link's on its middle segment
    // (shape points 1 and 2 counting from 0), at 270 degrees.
    const auto val = Entities(text, "VAL_FAsig");
    ASSERT_EQ(val.size(), 2u);
    EXPECT_EQ(Value(val[0], "  1"), "300.0");
    EXPECT_EQ(Value(val[1], "  1"), "50.0");
    EXPECT_EQ(Value(val[1], " 10"), "100.00000");
    EXPECT_EQ(Value(val[1], " 20"), "70.00000");
    EXPECT_EQ(Value(val[1], " 50"), "270.00000");

    // Movements: 450 is ahead, 451 left, -451 right; each a 20-vertex figure.
    const auto mvt = Entities(text, "MVT_FAsig");
    size_t polylines = 0;
    for (const auto& e : mvt)
        polylines += e[0].second == "POLYLINE";
    EXPECT_EQ(polylines, 3u);
    // Every layer written is in the layer table, the values one switched off.
    const auto p = Pairs(text);
    auto layerColour = [&](const std::string& name) {
        for (size_t i = 0; i + 3 < p.size(); ++i)
            if (p[i].second == "LAYER" && p[i + 1].second == name)
                return p[i + 3].second;
        return std::string("missing");
    };
    EXPECT_NE(layerColour("ATT_FAsig"), "missing");
    EXPECT_NE(layerColour("MVT_FAsig"), "missing");
    EXPECT_NE(layerColour("VAL_FAsig").find('-'), std::string::npos);

    // Names keep what a drawing's layer table accepts.
    EXPECT_EQ(DxfDataLayers::LayerName("ATT_", " V/C. med"), "ATT_V_Cmed");

    // As on the map: only the turn kinds the options draw (no right turn), and
    // while only the selection is shown, no movement entering by a link not selected.
    for (const auto& [giros, sel, figures] : {std::tuple{std::array<bool, 3>{true, true, false}, false, size_t(2)},
                                              std::tuple{std::array<bool, 3>{true, true, true}, true, size_t(0)}}) {
        TDxfMapOptions shown = o;
        shown.Giros = giros;
        shown.tbSel = sel;
        ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("giros.dxf"), shown));
        size_t drawn = 0;
        for (const auto& e : Entities(readFile(dir.file("giros.dxf")), "MVT_FAsig"))
            drawn += e[0].second == "POLYLINE";
        EXPECT_EQ(drawn, figures) << sel;
    }

    // A movement of a value in no class (20 and 30 above the one class left) is in
    // the pen colour, as on the map, whatever colour the movement before it had.
    {
        TDxfMapOptions gap = o;
        gap.State.MovimRangeTable[0].Active = false;
        gap.State.MovimRangeTable[1] = {0.0f, 15.0f, 0x0000FF, true};
        for (int k = 2; k <= MaxRangeClasses; ++k)
            gap.State.MovimRangeTable[size_t(k)] = {1000.0f, 1000.0f, 0x00FF00, true};
        ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("gap.dxf"), gap));
        std::vector<std::string> colours;
        for (const auto& e : Entities(readFile(dir.file("gap.dxf")), "MVT_FAsig"))
            if (e[0].second == "POLYLINE")
                colours.push_back(Value(e, " 62"));
        const std::string pen = std::to_string(ZelUtils::NearestColour(gap.State.ModePenColors[0]));
        EXPECT_EQ(colours, (std::vector<std::string>{std::to_string(ZelUtils::NearestColour(0x0000FF)), pen, pen}));
    }

    // Turn flags: the vertices of the ahead figure collapse the left and right arrows.
    TDxfWriter w;
    w.DxfOpen(dir.file("m.dxf"));
    Movims[1].TurnAngle = 451;
    Movims[2].TurnAngle = 450;
    Movims[3].TurnAngle = -451;
    DxfDataLayers::DxfMovimientos(w, "MVT", {UserView().RangeVarMovim, "", UserView().RangeMovimMin, UserView().RangeMovimMax, UserView().RangeTable},
                                   TDxfMapOptions{});
    w.DxfClose();
    const auto v = Vertices(readFile(dir.file("m.dxf")));
    ASSERT_EQ(v.size(), 60u);
    // Figure 1 (left turn): the left arrow opens (V2 differs from V1); the others do not.
    auto distinct = [&](size_t a, size_t b) { return v[a] != v[b]; };
    EXPECT_TRUE(distinct(1, 2));
    EXPECT_FALSE(distinct(7, 8));
    EXPECT_FALSE(distinct(13, 14));
    EXPECT_FALSE(distinct(21, 22));
    EXPECT_TRUE(distinct(27, 28));
    EXPECT_TRUE(distinct(53, 54));
}

TEST(DxfDataLayers, FullExportWalksEveryColumnAndPutsTheViewBack)
{
    DataLayerState restore;
    DataNetwork();
    // A second variable and a saved range set for it.
    NumColArcos = 8;
    ColVarArcos[6] = 1;
    TitArcos[6] = "V0";
    // A column titled as the one before but for case: a drawing takes both
    // names for one layer.
    ColVarArcos[7] = 1;
    TitArcos[7] = "v 0";
    for (int k = 1; k <= 3; ++k)
        Arcos[k].Var[1] = 40.0f + k;
    PalvonRead::ComputeLinkDataExtremes();
    // Background layers: layer 1 owns records 1-2, layer 2 record 3.
    GeoLayers().NumGeoLayers = 2;
    GeoLayers().GeoLayerEnd[0] = 0;
    GeoLayers().GeoLayerEnd[1] = 2;
    GeoLayers().GeoLayerEnd[2] = 3;
    for (int g = 1; g <= 3; ++g) {
        GeoLayers().GeoLinks[g].Id = g;
        GeoLayers().GeoLinks[g].Points.assign({{double(g), 0}, {double(g), 50}});
        GeoLayers().GeoLinks[g].Count = 2;
        GeoLayers().GeoLinks[g].Name.clear();
    }
    GeoLayers().GeoLayerVisible[1] = GeoLayers().GeoLayerVisible[2] = 1;
    UserView().Items[11].Width = UserView().Items[12].Width = 1;
    const auto table = UserView().RangeTable;
    // A second movement variable, of values far above the classes of the one shown.
    ColVarMovim[3] = 7;
    TitMovim[3] = "Otra";
    for (int32_t m = 1; m <= Network.MovementCount; ++m)
        Movims[m].Var[7] = 1000.0f * m;
    PalvonRead::ComputeLinkDataExtremes();

    testutil::TempDir dir;
    TDxfMapOptions o;
    o.tbAtributos = true;
    o.FullDxf = true;
    ASSERT_TRUE(DxfMapExport::PrintDxfFile(dir.file("completo.dxf"), o));
    GeoLayers().NumGeoLayers = 0;
    const std::string text = readFile(dir.file("completo.dxf"));

    // Each background layer holds its own polylines, all of them.
    ASSERT_EQ(Entities(text, "SOLERA1").size(), 2u);
    ASSERT_EQ(Entities(text, "SOLERA2").size(), 1u);
    const auto v = Vertices(text);
    EXPECT_NE(std::find(v.begin(), v.end(), std::pair<double, double>{2.0, 50.0}), v.end());
    // Both columns get their three layers; the current one's bands once.
    EXPECT_EQ(Entities(text, "ATT_FAsig").size(), 3u);
    EXPECT_EQ(Entities(text, "ATT_V0").size(), 3u);
    EXPECT_EQ(Entities(text, "TEM_V0").size(), 3u);
    EXPECT_EQ(Entities(text, "VAL_V0").size(), 3u);
    const auto p = Pairs(text);
    int att = 0;
    for (size_t i = 0; i + 1 < p.size(); ++i)
        att += p[i].second == "LAYER" && (p[i + 1].second == "ATT_V0" || p[i + 1].second == "ATT_v0");
    EXPECT_EQ(att, 1);
    EXPECT_EQ(Entities(text, "MVT_F.Asig").size(), 0u);
    EXPECT_GE(Entities(text, "MVT_FAsig").size(), 3u);
    // The other movement variable in its own classes (1000 in the bottom one,
    // 2000 in the third, 3000 in the top), not in the shown one's.
    std::vector<std::string> colours;
    for (const auto& e : Entities(text, "MVT_Otra"))
        if (e[0].second == "POLYLINE")
            colours.push_back(Value(e, " 62"));
    auto colour = [](int c) { return std::to_string(ZelUtils::NearestColour(UserView().MovimRangeTable[size_t(c)].Color)); };
    EXPECT_EQ(colours, (std::vector<std::string>{colour(1), colour(3), colour(5)}));
    // The view is as it was.
    EXPECT_EQ(UserView().RangeVarArcos, 5);
    EXPECT_EQ(UserView().RangeName, "F. Asig");
    EXPECT_EQ(UserView().RangeMax, 100.0f);
    EXPECT_EQ(UserView().RangeVarByMode[0], 5);
    EXPECT_EQ(UserView().RangeItemMovim, 4);
    for (size_t r = 0; r < table.size(); ++r)
        EXPECT_EQ(UserView().RangeTable[r].High, table[r].High) << r;

    // The drawing passes an independent auditor.
    if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0)
        FAIL() << "ezdxf not available";
    const std::string cmd = "/usr/bin/python3 -c \"import sys, ezdxf; d = ezdxf.readfile(sys.argv[1]); "
                            "a = d.audit(); sys.exit(1 if a.has_errors else 0)\" '" +
                            dir.file("completo.dxf") + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}
