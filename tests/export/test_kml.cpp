// KML writer: well-formed documents, style references, coordinates that convert
// back to the UTM positions given, and the symbol geometry.
#include "export/KmzExport.h"
#include "export/ZelKmzer.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"
#include "support/TestUtil.h"

#include <QString>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <sstream>

using namespace ZelKmzer;

namespace {

struct Parsed {
    bool ok = false;
    QString error;
    std::vector<std::string> styleUrls;
    std::vector<std::string> visibility;  // name of the element that holds each visibility 0
    std::vector<std::string> coordinates; // text of every coordinates element
    std::vector<std::string> styleIds;
};

Parsed Parse(const std::string& text)
{
    Parsed p;
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    std::vector<std::string> stack;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const std::string name = xml.name().toString().toStdString();
            if (name == "Style" && xml.attributes().hasAttribute("id"))
                p.styleIds.push_back(xml.attributes().value("id").toString().toStdString());
            if (name == "styleUrl") {
                const std::string url = xml.readElementText().toStdString();
                if (!stack.empty() && stack.back() == "Placemark")
                    p.styleUrls.push_back(url);
            }
            else if (name == "coordinates")
                p.coordinates.push_back(xml.readElementText().toStdString());
            else if (name == "visibility")
                p.visibility.push_back(stack.empty() ? "" : stack.back());
            else
                stack.push_back(name);
            if (name == "visibility")
                xml.skipCurrentElement();
        } else if (xml.isEndElement() && !stack.empty() && xml.name().toString().toStdString() == stack.back()) {
            stack.pop_back();
        }
    }
    p.ok = !xml.hasError();
    p.error = xml.errorString();
    return p;
}

double Real(const std::string& s)
{
    const std::string t = ZelUtils::Trim(s);
    double v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}

// Longitude/latitude pairs of a coordinates text.
std::vector<std::pair<double, double>> LonLat(const std::string& text)
{
    std::vector<std::pair<double, double>> out;
    // Fields are blank-padded to 12 characters: join them before splitting points.
    std::string joined = text;
    for (size_t p; (p = joined.find(", ")) != std::string::npos;)
        joined.erase(p + 1, 1);
    std::istringstream in(joined);
    std::string tok;
    while (in >> tok) {
        if (tok == "</coordinates>")
            continue;
        const auto f = ZelUtils::SplitString(tok, ',');
        out.emplace_back(Real(f[0]), Real(f[1]));
    }
    return out;
}

class KmlTest : public ::testing::Test {
protected:
    TPoint BackToUtm(std::pair<double, double> ll) const
    {
        ZelUtm::TUtmPoint u;
        ZelUtm::GeoToUtm(options.KmlUtmZone, u, ll.second, ll.first);
        return TPoint{u.Easting - options.KmlOffsetX, u.Northing - options.KmlOffsetY};
    }
    TKmlOptions options; // zone 19 south, no offsets
    testutil::TempDir dir;
};

TEST_F(KmlTest, DocumentsAreWellFormedAndStylesResolve)
{
    options.KmlClassStyles[12].Id = 12;
    options.KmlClassStyles[12].LineColor = KmlColor(0x0000FF, 100);
    options.KmlClassStyles[12].IconIndex = 1;
    options.KmlClassStyles[3].LineColor = "ff00ff00"; // Id 0: never written
    const std::string path = dir.file("red.kml");
    TKmlWriter kml(options); // no document colour set yet
    kml.KmlBegin(path, "null");
    EXPECT_EQ(kml.KmlDocName, "red");
    EXPECT_EQ(kml.KmlStyleMapId, "m_red");
    kml.KmlBeginDocument("Lanes", true);
    kml.KmlClass = 12;
    kml.KmlPoint("uno", "<![CDATA[a<br><hr>]]>", 350000, 6300000);
    kml.KmlClass = 0;
    kml.KmlSegment("dos", "", 350000, 6300000, 350100, 6300000);
    kml.KmlEndDocument();
    kml.KmlBeginDocument("oculto", false);
    kml.KmlBeginFolder("carpeta", true);
    kml.KmlPolygon("tres", {{350000, 6300000}, {350100, 6300000}, {350100, 6300100}, {350000, 6300000}}, "");
    kml.KmlPoint("\xD1u\xF1oa & <\"B\">", "", 350000, 6300000); // Windows-1252 bytes, reserved characters
    kml.KmlEndFolder();
    kml.KmlEndDocument();
    ASSERT_TRUE(kml.KmlEnd());

    const std::string text = testutil::readFile(path);
    EXPECT_EQ(text, kml.KmlText());
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
    const Parsed p = Parse(text);
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    ASSERT_EQ(p.styleUrls.size(), 4u);
    EXPECT_EQ(p.styleUrls[0], "#m_Lanes012");
    EXPECT_EQ(p.styleUrls[1], "#m_Lanes");
    EXPECT_EQ(p.styleUrls[2], "#m_oculto");
    // Every placemark style map points at a style that exists.
    for (const char* id : {"s_red", "s_Lanes", "s_Lanes_hl", "s_Lanes012", "s_Lanes012_hl", "s_oculto012"})
        EXPECT_NE(std::find(p.styleIds.begin(), p.styleIds.end(), id), p.styleIds.end()) << id;
    EXPECT_EQ(std::find(p.styleIds.begin(), p.styleIds.end(), "s_Lanes003"), p.styleIds.end());
    // The hidden document, its folder and its placemark each carry visibility 0.
    EXPECT_EQ(p.visibility, (std::vector<std::string>{"Document", "Folder", "Placemark", "Placemark"}));
    EXPECT_NE(text.find("<name>Ñuñoa &amp; &lt;&quot;B&quot;&gt;</name>"), std::string::npos);
    EXPECT_NE(text.find("<scale>0.0000</scale>"), std::string::npos);
    EXPECT_NE(text.find("shaded_dot.png"), std::string::npos);
    EXPECT_EQ(text.find("<color></color>"), std::string::npos) << "a colour left empty";
}

TEST_F(KmlTest, CoordinatesRoundTripWithOffsets)
{
    // The options' offsets in km, each to its own axis in metres.
    KmzExport::TKmzConversion conv;
    conv.OffsetXKm = 1.0;
    conv.OffsetYKm = -2.0;
    options = KmzExport::KmlOptions(conv);
    ASSERT_EQ(options.KmlOffsetX, 1000.0f);
    ASSERT_EQ(options.KmlOffsetY, -2000.0f);
    for (const char* hemi : {"S", "N"}) {
        options.KmlHemisphere = hemi;
        TKmlWriter kml(options);
        const double northing = options.KmlHemisphere == "S" ? 6300123.4 : 4500321.7;
        kml.KmlBegin(dir.file("c.kml"), "null");
        kml.KmlPoint("p", "", 345678.9, northing);
        kml.KmlPolygon("q", {{345678.9, northing}, {345700.0, northing + 50}, {345650.0, northing + 50}}, "");
        const Parsed p = Parse(kml.KmlText() + "</Document></kml>");
        ASSERT_TRUE(p.ok);
        ASSERT_EQ(p.coordinates.size(), 2u);
        for (const std::string& c : p.coordinates) {
            const auto ll = LonLat(c);
            ASSERT_FALSE(ll.empty());
            const TPoint back = BackToUtm(ll[0]);
            EXPECT_NEAR(back.x, 345678.9, 0.01) << hemi;
            EXPECT_NEAR(back.y, northing, 0.01) << hemi;
            EXPECT_EQ(ll[0].second < 0, options.KmlHemisphere == "S");
        }
        EXPECT_NE(kml.KmlText().find(",100\r\n"), std::string::npos); // polygons float 100 m up
    }
}

TEST_F(KmlTest, ColorsAndLineOffset)
{
    EXPECT_EQ(KmlColor(0x0000FF, 100), "ff0000ff");
    EXPECT_EQ(KmlColor(0xFF0000, 50), "80ff0000");
    EXPECT_EQ(KmlColor(0x123456, 0), "00123456");

    // 2.4 m to the left of an east-pointing segment: 2 whole metres north.
    TKmlWriter kml(options);
    kml.KmlBegin(dir.file("o.kml"), "null");
    kml.KmlLineString("l", {{350000, 6300000}, {350100, 6300000}}, 2.4, "");
    kml.KmlLineString("m", {{350000, 6300000}, {350100, 6300000}}, 0, "");
    kml.KmlLineString("n", {{350000, 6300000}}, 5, ""); // one point: no direction, no shift
    const Parsed p = Parse(kml.KmlText() + "</Document></kml>");
    ASSERT_EQ(p.coordinates.size(), 3u);
    EXPECT_NEAR(BackToUtm(LonLat(p.coordinates[0])[1]).y, 6300002.0, 0.01);
    EXPECT_NEAR(BackToUtm(LonLat(p.coordinates[0])[1]).x, 350100.0, 0.01);
    EXPECT_NEAR(BackToUtm(LonLat(p.coordinates[1])[0]).y, 6300000.0, 0.01);
    EXPECT_NEAR(BackToUtm(LonLat(p.coordinates[2])[0]).y, 6300000.0, 0.01);
}

TEST_F(KmlTest, SymbolGeometry)
{
    const TPoint a{0, 0}, b{10, 0};
    for (double s : {1.0, 0.5}) {
        const TPoints p = LaneArrowPoints(a, b, s, {1, 1, 1});
        ASSERT_EQ(p.size(), 23u);
        EXPECT_NEAR(p[11].x, 10.0, 1e-9) << s; // the straight tip stays at B
        EXPECT_NEAR(p[11].y, 0.0, 1e-9) << s;
        EXPECT_NEAR(p[22].x, 0.0, 1e-9) << s; // closed at A
        EXPECT_NEAR(p[22].y, 0.0, 1e-9) << s;
    }
    const TPoints straight = LaneArrowPoints(a, b, 1.0, {0, 1, 0});
    for (int i = 3; i <= 7; ++i)
        EXPECT_NEAR(straight[i].x, straight[8].x, 1e-9);
    for (int i = 15; i <= 19; ++i)
        EXPECT_NEAR(straight[i].y, straight[20].y, 1e-9);
    const TPoints bare = LaneArrowPoints(a, b, 1.0, {0, 0, 0});
    EXPECT_NEAR(bare[9].x, 7.0, 1e-9); // flat end at 7/10

    TKmlWriter kml(options);
    kml.KmlBegin(dir.file("s.kml"), "null");
    kml.KmlBand("z", 0, 5, "", 350000, 6300000, 350000, 6300000); // zero length: nothing
    kml.KmlRegularPolygon("z", 2, 0, 350000, 6300000, 5);         // fewer than 3 sides: nothing
    EXPECT_EQ(kml.KmlText().find("<Placemark>"), std::string::npos);
    kml.KmlTriangle("t", 350000, 6300000, 10);
    kml.KmlBand("b", 0, 4, "1.00", 350000, 6300000, 350100, 6300000);
    const Parsed p = Parse(kml.KmlText() + "</Document></kml>");
    ASSERT_EQ(p.coordinates.size(), 2u);
    const auto tri = LonLat(p.coordinates[0]);
    ASSERT_EQ(tri.size(), 4u);
    EXPECT_NEAR(BackToUtm(tri[0]).y, 6300010.0, 0.01); // first vertex due north
    const auto band = LonLat(p.coordinates[1]);
    ASSERT_EQ(band.size(), 5u);
    EXPECT_NEAR(BackToUtm(band[2]).y, 6300004.0, 0.01); // 4 m to the left (north)
}

} // namespace
