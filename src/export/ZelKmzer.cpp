#include "export/ZelKmzer.h"

#include "model/FileUtils.h"
#include "model/TextCodec.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"

#include <cmath>
#include <filesystem>

namespace ZelKmzer {

std::string EscapeMarkup(const std::string& s, bool quotes)
{
    std::string out;
    for (char c : s) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (quotes && c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

using ZelUtils::Format;

namespace {

// The file declares UTF-8: names read as Windows-1252 are converted, and the
// characters XML reserves are escaped in names (a street called "A & B" would
// otherwise make the whole document unreadable).
std::string Utf8(const std::string& s)
{
    return TextCodec::IsValidUtf8(s) ? s : TextCodec::Decode(s).toStdString();
}

std::string Name(const std::string& s) { return EscapeMarkup(Utf8(s)); }

int32_t IconIndexOk(int32_t i) { return (i > 0 && i < int32_t(KmlIcons.size())) ? i : 0; }

TPoint Pt(double x, double y) { return TPoint{x, y}; }

} // namespace

void TKmlWriter::Line(const std::string& s)
{
    text_ += s;
    text_ += "\r\n";
}

std::string TKmlWriter::Geo(double x, double y) const
{
    ZelUtm::TGeografica g;
    ZelUtm::UtmToGeo(options_.KmlUtmZone, options_.KmlHemisphere, g, x + options_.KmlOffsetX,
                     y + options_.KmlOffsetY);
    return Format("%12.8f,%12.8f", g.Longitude, g.Latitude);
}

// A style element's colour; none set yet (no export gave one): the element is left
// out and the viewer's default applies, never an empty <color/>.
void TKmlWriter::ColorLine(const std::string& color)
{
    if (!color.empty())
        Line(Format("        <color>%s</color>", color));
}

void TKmlWriter::StyleBody(const std::string& lineColor, float lineWidth, const std::string& polyColor,
                           const std::string& iconColor, double iconScale, const char* iconScaleFmt,
                           int32_t iconIndex)
{
    Line("      <LineStyle>");
    ColorLine(lineColor);
    Line(Format("        <width>%.2f</width>", double(lineWidth)));
    Line("      </LineStyle>");
    Line("      <PolyStyle>");
    ColorLine(polyColor);
    Line("      </PolyStyle>");
    Line("      <IconStyle>");
    ColorLine(iconColor);
    Line(Format(iconScaleFmt, iconScale));
    if (IconIndexOk(iconIndex) > 0)
        Line(Format("        <Icon><href>%s</href></Icon>", KmlIcons[IconIndexOk(iconIndex)]));
    Line("      </IconStyle>");
}

void TKmlWriter::DocumentStyle(const std::string& id, bool highlight)
{
    Line(Format("    <Style id=\"%s\">", id));
    Line("      <ListStyle>");
    Line(Format("        <listItemType>%s</listItemType>", KmlListItemTypes[KmlListItemType]));
    Line("      </ListStyle>");
    StyleBody(KmlLineColor, KmlLineWidth, KmlPolyColor, KmlIconColor,
              highlight ? 1.18 * KmlIconScale : double(KmlIconScale),
              highlight ? "        <scale>%.4f</scale>" : "        <scale>%.1f</scale>", KmlIconIndex);
    Line("      <LabelStyle>");
    Line(Format("        <scale>%.1f</scale>", double(KmlLabelScale)));
    Line("      </LabelStyle>");
    Line("    </Style>");
}

void TKmlWriter::ClassStyle(const std::string& id, const TKmlClassStyle& e, bool highlight)
{
    Line(Format("    <Style id=\"%s\">", id));
    StyleBody(e.LineColor, e.LineWidth, e.PolyColor, e.IconColor,
              highlight ? 1.18 * e.IconScale : double(e.IconScale),
              highlight ? "        <scale>%.4f</scale>" : "        <scale>%.1f</scale>", e.IconIndex);
    Line("      <LabelStyle>");
    ColorLine(e.LabelColor);
    Line(Format("        <scale>%.1f</scale>", double(e.LabelScale)));
    Line("      </LabelStyle>");
    Line("    </Style>");
}

void TKmlWriter::PlacemarkHead(const std::string& name, const std::string& description)
{
    Line("    <Placemark>");
    Line(Format("      <name>%s</name>", Name(name)));
    if (!description.empty())
        Line(Format("      <description>%s</description>", Utf8(description)));
    if (!KmlVisible)
        Line("      <visibility>0</visibility>");
    if (KmlClass == 0)
        Line(Format("      <styleUrl>#%s</styleUrl>", KmlStyleMapId));
    else
        Line(Format("      <styleUrl>#%s%3.3d</styleUrl>", KmlStyleMapId, KmlClass));
}


void TKmlWriter::KmlBegin(const std::string& fileName, const std::string& docName)
{
    namespace fs = std::filesystem;
    std::string name = docName;
    if (name == "null")
        name = fs::path(fileName).filename().string();
    KmlDocName = Name(fs::path(name).replace_extension().string());
    path_ = fileName;
    text_.clear();
    Line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    Line("<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\" "
         "xmlns:kml=\"http://www.opengis.net/kml/2.2\" xmlns:atom=\"http://www.w3.org/2005/Atom\">");
    Line("<Document>");
    Line(Format("  <name>%s</name>", KmlDocName));
    KmlStyleMapId = Format("m_%s", KmlDocName);
    Line(Format("    <StyleMap id=\"%s\">", KmlStyleMapId));
    Line(Format("      <Pair><key>normal</key><styleUrl>#s_%s</styleUrl></Pair>", KmlDocName));
    Line("    </StyleMap>");
    Line(Format("    <Style id=\"s_%s\">", KmlDocName));
    StyleBody(KmlLineColor, KmlLineWidth, KmlPolyColor, KmlIconColor, KmlIconScale, "        <scale>%.1f</scale>",
              KmlIconIndex);
    Line("      <LabelStyle>");
    ColorLine(KmlLabelColor);
    Line(Format("        <scale>%.1f</scale>", double(KmlLabelScale)));
    Line("      </LabelStyle>");
    Line("    </Style>");
    KmlClass = 0;
}

void TKmlWriter::KmlBeginDocument(const std::string& rawName, bool visible)
{
    const std::string name = Name(rawName);
    KmlVisible = visible;
    KmlStyleMapId = Format("m_%s", name);
    Line("  <Document>");
    Line(Format("    <name>%s</name>", name));
    if (!visible)
        Line("    <visibility>0</visibility>");
    Line(Format("    <StyleMap id=\"%s\">", KmlStyleMapId));
    Line(Format("      <Pair><key>normal</key><styleUrl>#s_%s</styleUrl></Pair>", name));
    Line(Format("      <Pair><key>highlight</key><styleUrl>#s_%s_hl</styleUrl></Pair>", name));
    Line("    </StyleMap>");
    DocumentStyle(Format("s_%s", name), false);
    DocumentStyle(Format("s_%s_hl", name), true);
    for (int i = 0; i <= MaxKmlClass; ++i) {
        const TKmlClassStyle& e = options_.KmlClassStyles[i];
        if (e.Id <= 0)
            continue;
        Line(Format("    <StyleMap id=\"%s%3.3d\">", KmlStyleMapId, i));
        Line(Format("      <Pair><key>normal   </key><styleUrl>#s_%s%3.3d   </styleUrl></Pair>", name, i));
        Line(Format("      <Pair><key>highlight</key><styleUrl>#s_%s%3.3d_hl</styleUrl></Pair>", name, i));
        Line("    </StyleMap>");
        ClassStyle(Format("s_%s%3.3d", name, i), e, false);
        ClassStyle(Format("s_%s%3.3d_hl", name, i), e, true);
    }
}

void TKmlWriter::KmlEndDocument() { Line("  </Document>"); }

void TKmlWriter::KmlBeginFolder(const std::string& name, bool radio)
{
    Line("  <Folder>");
    Line(Format("    <name>%s</name>", Name(name)));
    if (!KmlVisible)
        Line("    <visibility>0</visibility>");
    if (radio) {
        Line("    <Style>");
        Line("      <ListStyle>");
        Line(Format("        <listItemType>%s</listItemType>", KmlListItemTypes[1]));
        Line(Format("        <bgColor>%s</bgColor>", "00ffffff"));
        Line(Format("        <maxSnippetLines>%d</maxSnippetLines>", 2));
        Line("      </ListStyle>");
        Line("    </Style>");
    }
}

void TKmlWriter::KmlEndFolder() { Line("  </Folder>"); }

bool TKmlWriter::KmlEnd(std::string* why)
{
    Line("</Document>");
    Line("</kml>");
    return FileUtils::WriteFileAtomic(path_, text_, why);
}

void TKmlWriter::KmlPoint(const std::string& name, const std::string& description, double x, double y)
{
    PlacemarkHead(name, description);
    Line("      <Point>");
    Line("        <coordinates>");
    Line("          " + Geo(x, y) + ",0");
    Line("        </coordinates>");
    Line("      </Point>");
    Line("    </Placemark>");
}

void TKmlWriter::KmlSegment(const std::string& name, const std::string& description, double x1, double y1,
                            double x2, double y2)
{
    PlacemarkHead(name, description);
    Line("      <LineString>");
    Line("        <coordinates>");
    Line(Geo(x1, y1) + ",0 " + Geo(x2, y2) + ",0 </coordinates>");
    Line("      </LineString>");
    Line("    </Placemark>");
}

void TKmlWriter::KmlLineString(const std::string& name, TPoints points, double offset, const std::string& description)
{
    // A positive offset shifts the whole line to the left of its first segment; a
    // line of fewer than two points has no direction and is not shifted.
    if (offset > 0 && points.size() >= 2) {
        const double dx0 = points[1].x - points[0].x, dy0 = points[1].y - points[0].y;
        const double d = std::hypot(dx0, dy0);
        if (d > 0) {
            const int32_t dx = ZelUtils::Round(-offset * dy0 / d);
            const int32_t dy = ZelUtils::Round(offset * dx0 / d);
            for (TPoint& p : points) {
                p.x += dx;
                p.y += dy;
            }
        }
    }
    PlacemarkHead(name, description);
    Line("      <LineString>");
    Line("        <coordinates>");
    for (const TPoint& p : points)
        Line("          " + Geo(p.x, p.y) + ",0");
    Line("        </coordinates>");
    Line("      </LineString>");
    Line("    </Placemark>");
}

void TKmlWriter::KmlPolygon(const std::string& name, const TPoints& points, const std::string& description)
{
    // Fewer than three corners enclose nothing (a node without an outline): an
    // empty ring is not valid KML and readers refuse or warn on it.
    if (points.size() < 3)
        return;
    PlacemarkHead(name, description);
    Line("      <Polygon>");
    Line("        <altitudeMode>relativeToGround</altitudeMode>");
    Line("        <outerBoundaryIs>");
    Line("          <LinearRing>");
    Line("            <coordinates>");
    for (const TPoint& p : points)
        Line("              " + Geo(p.x, p.y) + Format(",%d", KmlHeight));
    // A ring ends where it starts: outlines kept open (junction outlines) are
    // closed here, so that every reader takes them as areas.
    if (points.size() > 1 && (points.front().x != points.back().x || points.front().y != points.back().y))
        Line("              " + Geo(points.front().x, points.front().y) + Format(",%d", KmlHeight));
    Line("            </coordinates>");
    Line("          </LinearRing>");
    Line("        </outerBoundaryIs>");
    Line("      </Polygon>");
    Line("    </Placemark>");
}

void TKmlWriter::KmlRegularPolygon(const std::string& name, int32_t n, int32_t a, double x, double y, double r)
{
    if (n <= 2)
        return;
    TPoints pts;
    for (int i = 0; i < n; ++i) {
        const double ang = (double(i) * 360.0 / n + (360.0 - a)) * M_PI / 180.0;
        pts.push_back(Pt(x + r * std::cos(ang), y + r * std::sin(ang)));
    }
    pts.push_back(pts[0]);
    KmlPolygon(name, pts, "");
}

void TKmlWriter::KmlTriangle(const std::string& name, double x, double y, double r)
{
    KmlRegularPolygon(name, 3, -90, x, y, r);
}

void TKmlWriter::KmlBand(const std::string& name, int32_t w0, int32_t w1, const std::string& description,
                         double x1, double y1, double x2, double y2)
{
    const double d = std::hypot(x2 - x1, y2 - y1);
    if (d == 0)
        return;
    using ZelUtils::Round;
    const double lx = -(y2 - y1) / d, ly = (x2 - x1) / d;
    const TPoint q0 = Pt(Round(x1 + w0 * lx), Round(y1 + w0 * ly));
    const TPoint q1 = Pt(Round(x2 + w0 * lx), Round(y2 + w0 * ly));
    const double mx = -(q1.y - q0.y) / d, my = (q1.x - q0.x) / d;
    const TPoint q2 = Pt(Round(q1.x + w1 * mx), Round(q1.y + w1 * my));
    const TPoint q3 = Pt(Round(q0.x + w1 * mx), Round(q0.y + w1 * my));
    KmlPolygon(name, {q0, q1, q2, q3, q0}, description);
}

void TKmlWriter::KmlBandLabel(const std::string& name, int32_t w, double x1, double y1, double x2, double y2)
{
    const double d = std::hypot(x2 - x1, y2 - y1);
    TPoint q = Pt(x1, y1);
    if (d > 0)
        q = Pt(x2 + w * (y2 - y1) / d, y2 + w * (-(x2 - x1)) / d);
    KmlPoint(name, "", (x1 + q.x) / 2, (y1 + q.y) / 2);
}

TPoints LaneArrowPoints(TPoint a, TPoint b, double s, const std::array<int32_t, 3>& turns)
{
    static const int ta[22] = {1, 0, 1, 0, 2, -2, 0, -1, 0, 1, -2, -2, 1, 0, -1, 0, -2, 2, 0, 1, 0, 1};
    static const int tb[22] = {0, 5, 0, -1, 2, 2, -1, 0, 1, 0, 2, -2, 0, -1, 0, 1, -2, -2, 1, 0, -5, 0};
    const double ux = (b.x - a.x) / 10, uy = (b.y - a.y) / 10;
    const double nx = -(b.y - a.y) / 10, ny = (b.x - a.x) / 10;
    TPoints p(23);
    p[0] = a;
    for (int k = 0; k <= 21; ++k) {
        double sk = s, ok = 0;
        if (k == 1) {
            sk = 1.0;
            ok = (1 - s) * (10 - tb[1]);
        } else if (k == 20) {
            sk = 1.0;
            ok = -(1 - s) * (tb[20] + 10);
        }
        const double f = tb[k] * sk + ok;
        p[k + 1] = Pt(p[k].x + ta[k] * s * nx + f * ux, p[k].y + ta[k] * s * ny + f * uy);
    }
    if (turns[0] == 0)
        for (int i = 3; i <= 7; ++i)
            p[i] = p[8];
    if (turns[1] == 0)
        for (int i = 9; i <= 13; ++i)
            p[i] = p[14];
    if (turns[2] == 0)
        for (int i = 15; i <= 19; ++i)
            p[i] = p[20];
    return p;
}

void TKmlWriter::KmlLaneArrow(const std::string& name, TPoint a, TPoint b, double s,
                              const std::array<int32_t, 3>& turns)
{
    KmlPolygon(name, LaneArrowPoints(a, b, s, turns), "");
}

void TKmlWriter::Steps(const std::string& name, TPoint a, TPoint b, const double* c, const double* d, int n)
{
    const double ux = (b.x - a.x) / 10, uy = (b.y - a.y) / 10;
    const double nx = -(b.y - a.y) / 10, ny = (b.x - a.x) / 10;
    TPoints p{a};
    for (int k = 0; k < n; ++k)
        p.push_back(Pt(p.back().x + c[k] * nx + d[k] * ux, p.back().y + c[k] * ny + d[k] * uy));
    KmlPolygon(name, p, "");
}

void TKmlWriter::KmlWedge(const std::string& name, TPoint a, TPoint b)
{
    static const double c[3] = {12.5, -25, 12.5}, d[3] = {25, 0, -25};
    Steps(name, a, b, c, d, 3);
}

void TKmlWriter::KmlNotchedWedge(const std::string& name, TPoint a, TPoint b)
{
    static const double c[6] = {12.5, -15, 2.5, 2.5, -15, 12.5}, d[6] = {25, 0, -5, 5, 0, -25};
    Steps(name, a, b, c, d, 6);
}

std::string KmlColor(uint32_t color, int32_t alpha)
{
    // System colours cannot be resolved without a display: their low bytes are used.
    const uint32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    const int32_t a = ZelUtils::Round(alpha * 255.0 / 100.0);
    return Format("%2.2x%2.2x%2.2x%2.2x", unsigned(a), unsigned(b), unsigned(g), unsigned(r));
}

} // namespace ZelKmzer
