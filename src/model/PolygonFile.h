#pragma once
// Polygon files (.plg): one polygon per line, fields separated by ';': id (field 0),
// name (1), point count n (2), then for k = 1..n X at field 2k+5 and Y at 2k+6.
// Lines starting with '*' are comments.
#include "model/PalvonVars.h"

#include <string>
#include <vector>

struct TPolygonRecord {
    int32_t Id = 0;
    std::string Name;
    std::vector<TPoint> Points;
};

namespace PolygonFile {

// False when the file cannot be read.
bool Read(const std::string& fileName, std::vector<TPolygonRecord>& polygons);
// Point inside the polygon (even-odd rule, in world units; a polygon of fewer
// than three points contains nothing).
bool Contains(const TPolygonRecord& polygon, double x, double y);

} // namespace PolygonFile
