#include "model/PolygonFile.h"

#include "model/FileUtils.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace PolygonFile {

namespace {

int32_t RoundField(const std::string& text) { return ZelUtils::Round(ZelUtils::ParseReal(text)); }

// A coordinate to a double's precision: read as a single, a UTM vertex such as
// 6125985.25 would come back a quarter of a metre away. Text that is no plain
// decimal number is read as the other fields are.
double Coordinate(const std::string& text)
{
    const std::string t = ZelUtils::Trim(text);
    double v = 0.0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec == std::errc() && end == t.data() + t.size())
        return v;
    return ZelUtils::ParseReal(text);
}

bool WriteLines(const std::string& fileName, const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return FileUtils::WriteTextFile(fileName, bytes);
}

bool ReadPolygonLines(const std::string& fileName, bool skipBlank, std::vector<TPolygonRecord>& polygons)
{
    polygons.clear();
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines))
        return false;
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '*')
            continue;
        if (skipBlank && ZelUtils::Trim(line).empty())
            continue;
        polygons.push_back(ParseLine(line));
    }
    return true;
}

} // namespace

TPoint MeanPoint(const std::vector<TPoint>& points)
{
    TPoint m{0.0, 0.0};
    if (points.empty())
        return m;
    for (const TPoint& p : points) {
        m.x += p.x;
        m.y += p.y;
    }
    m.x /= static_cast<double>(points.size());
    m.y /= static_cast<double>(points.size());
    return m;
}

TPolygonRecord ParseLine(const std::string& line)
{
    const std::vector<std::string> f = ZelUtils::SplitString(line + ";;;;", ';');
    auto field = [&](size_t i) { return i < f.size() ? f[i] : std::string(); };
    TPolygonRecord p;
    p.Id = RoundField(field(0));
    p.Name = field(1);
    p.PenColor = static_cast<uint32_t>(RoundField(field(3)));
    p.PenWidth = RoundField(field(4));
    p.BrushColor = static_cast<uint32_t>(RoundField(field(5)));
    p.BrushClear = field(6) == "1";
    // Points whose fields are missing from the line are not taken as (0, 0):
    // they would bend the polygon towards the origin.
    const size_t written = f.size() - 4; // the fields of the line itself
    const int32_t available = written >= 9 ? static_cast<int32_t>((written - 7) / 2) : 0;
    const int32_t n = std::clamp(RoundField(field(2)), 0, available);
    for (int32_t k = 1; k <= n; ++k)
        p.Points.push_back({Coordinate(field(static_cast<size_t>(2 * k + 5))),
                            Coordinate(field(static_cast<size_t>(2 * k + 6)))});
    p.Label = {Coordinate(field(static_cast<size_t>(2 * n + 7))), Coordinate(field(static_cast<size_t>(2 * n + 8)))};
    if (p.Label.x == 0.0 && p.Label.y == 0.0)
        p.Label = MeanPoint(p.Points);
    return p;
}

bool Read(const std::string& fileName, std::vector<TPolygonRecord>& polygons)
{
    // A blank line is no polygon here. Read as one (id 0, no points) it would write an
    // empty "_sel0" pair over the output of a real polygon 0 of the same file.
    return ReadPolygonLines(fileName, true, polygons);
}

bool ReadAll(const std::string& fileName, std::vector<TPolygonRecord>& polygons)
{
    return ReadPolygonLines(fileName, false, polygons);
}

std::string FormatLine(const TPolygonRecord& p)
{
    std::string line = ZelUtils::Format("%d;%s;%d;%d;%d;%d;%d", p.Id, p.Name, static_cast<int32_t>(p.Points.size()),
                                        static_cast<int32_t>(p.PenColor), p.PenWidth,
                                        static_cast<int32_t>(p.BrushColor), p.BrushClear ? 1 : 0);
    for (const TPoint& v : p.Points)
        line += ZelUtils::Format(";%.2f;%.2f", v.x, v.y);
    line += ZelUtils::Format(";%.2f;%.2f", p.Label.x, p.Label.y);
    return line;
}

bool Write(const std::string& fileName, const std::vector<TPolygonRecord>& polygons)
{
    std::vector<std::string> lines;
    lines.reserve(polygons.size());
    for (const TPolygonRecord& p : polygons)
        lines.push_back(FormatLine(p));
    return WriteLines(fileName, lines);
}

std::string FormatAreaLine(const TPolygonRecord& p)
{
    const int32_t n = static_cast<int32_t>(p.Points.size());
    // The ring is closed by the first vertex again; a polygon without vertices has
    // nothing to close it with and announces no points.
    std::string line = ZelUtils::Format("%s,%d,%d", p.Name, 0, n > 0 ? n + 1 : 0);
    for (const TPoint& v : p.Points)
        line += ZelUtils::Format(",%.2f,%.2f", v.x, v.y);
    if (n > 0)
        line += ZelUtils::Format(",%.2f,%.2f", p.Points.front().x, p.Points.front().y);
    return line;
}

bool WriteArea(const std::string& fileName, const std::vector<TPolygonRecord>& polygons)
{
    std::vector<std::string> lines;
    lines.reserve(polygons.size());
    for (const TPolygonRecord& p : polygons)
        lines.push_back(FormatAreaLine(p));
    return WriteLines(fileName, lines);
}

bool ReadArea(const std::string& fileName, const TPolygonRecord& style, std::vector<TPolygonRecord>& polygons)
{
    polygons.clear();
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines))
        return false;
    for (const std::string& line : lines) {
        const std::vector<std::string> f = ZelUtils::SplitString(line, ',');
        auto field = [&](size_t i) { return i < f.size() ? f[i] : std::string(); };
        TPolygonRecord p = style;
        p.Id = RoundField(field(0));
        p.Name = field(0);
        p.Points.clear();
        // The layout the area export writes (name, 0, count, then the ring closed
        // on its first vertex) has an odd number of fields and a count that fills
        // them exactly; the layout read here has an even number. A file this
        // program wrote therefore comes back as it was, not as polygons of no
        // vertices.
        const bool asWritten = f.size() >= 5 && f.size() % 2 == 1 && RoundField(field(1)) == 0 &&
                               RoundField(field(2)) == static_cast<int32_t>((f.size() - 3) / 2);
        if (asWritten) {
            for (size_t k = 3; k + 1 < f.size(); k += 2)
                p.Points.push_back({Coordinate(f[k]), Coordinate(f[k + 1])});
            if (p.Points.size() > 1 && p.Points.front().x == p.Points.back().x &&
                p.Points.front().y == p.Points.back().y)
                p.Points.pop_back(); // the ring's closing vertex, which the writer adds
        } else {
            // As in the polygon file, vertices the line does not hold are not made up.
            const int32_t available = f.size() >= 4 ? static_cast<int32_t>((f.size() - 2) / 2) : 0;
            const int32_t n = std::clamp(RoundField(field(1)), 0, available);
            for (int32_t k = 1; k <= n; ++k)
                p.Points.push_back({Coordinate(field(static_cast<size_t>(2 * k))),
                                    Coordinate(field(static_cast<size_t>(2 * k + 1)))});
        }
        p.Label = MeanPoint(p.Points);
        polygons.push_back(std::move(p));
    }
    return true;
}

namespace {
// The outline points of zone i that a zoning file holds.
int32_t OutlinePoints(const TZona& z)
{
    return std::clamp(z.PolygonCount, 0, std::max(static_cast<int32_t>(z.Polygon.size()) - 1, 0));
}
} // namespace

bool AnyZoneOutline()
{
    const int32_t zones = std::min(Network.ZoneCount, static_cast<int32_t>(MaxZonas));
    for (int32_t i = 1; i <= zones; ++i)
        if (OutlinePoints(Zonas[i]) >= 1)
            return true;
    return false;
}

bool WriteZoning(const std::string& fileName)
{
    std::vector<std::string> lines;
    const int32_t zones = std::min(Network.ZoneCount, static_cast<int32_t>(MaxZonas));
    for (int32_t i = 1; i <= zones; ++i) {
        const TZona& z = Zonas[i];
        const int32_t count = OutlinePoints(z);
        // A zone without an outline has no arc to give: its line would be one the
        // zoning reader sets aside, and as the first line one that makes it refuse
        // the whole file.
        if (count < 1)
            continue;
        std::string line = ZelUtils::Format("%d,%d,%d", z.Number, 0, count);
        for (int32_t k = 1; k <= count; ++k)
            line += ZelUtils::Format(",%.5f,%.5f", z.Polygon[static_cast<size_t>(k)].x,
                                     z.Polygon[static_cast<size_t>(k)].y);
        lines.push_back(std::move(line));
    }
    return WriteLines(fileName, lines);
}

bool Contains(const TPolygonRecord& polygon, double x, double y)
{
    const auto& p = polygon.Points;
    const size_t n = p.size();
    if (n < 3)
        return false;
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        if ((p[i].y > y) != (p[j].y > y)) {
            double xCross = p[j].x + (y - p[j].y) * (p[i].x - p[j].x) / (p[i].y - p[j].y);
            if (x < xCross)
                inside = !inside;
        }
    }
    return inside;
}

} // namespace PolygonFile
