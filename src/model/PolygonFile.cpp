#include "model/PolygonFile.h"

#include "model/FileUtils.h"
#include "model/ZelUtils.h"

#include <algorithm>

namespace PolygonFile {

bool Read(const std::string& fileName, std::vector<TPolygonRecord>& polygons)
{
    polygons.clear();
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines))
        return false;
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '*')
            continue;
        // A blank line is no polygon. Read as one (id 0, no points) it would write an
        // empty "_sel0" pair over the output of a real polygon 0 of the same file.
        if (ZelUtils::Trim(line).empty())
            continue;
        std::vector<std::string> f = ZelUtils::SplitString(line + ";;;;", ';');
        auto field = [&](size_t i) { return i < f.size() ? f[i] : std::string(); };
        TPolygonRecord p;
        p.Id = ZelUtils::ParseInt(field(0));
        p.Name = field(1);
        // Points whose fields are missing from the line are not taken as (0, 0):
        // they would bend the polygon towards the origin.
        const size_t written = f.size() - 4; // the fields of the line itself
        int32_t available = written >= 9 ? static_cast<int32_t>((written - 7) / 2) : 0;
        int32_t n = std::min(ZelUtils::ParseInt(field(2)), available);
        for (int32_t k = 1; k <= n; ++k)
            p.Points.push_back({ZelUtils::ParseReal(field(static_cast<size_t>(2 * k + 5))),
                                ZelUtils::ParseReal(field(static_cast<size_t>(2 * k + 6)))});
        polygons.push_back(std::move(p));
    }
    return true;
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
