#pragma once
// Polygon files (.plg): one polygon per line, fields separated by ';': id (field 0),
// name (1), vertex count n (2), border colour (3), border width (4), fill colour (5),
// fill clear (6, "1" = no fill), then for k = 1..n X at field 2k+5 and Y at 2k+6,
// and last the label point (fields 2n+7, 2n+8; absent or (0, 0) = none).
// Lines starting with '*' are comments.
//
// Also the comma-separated area files (.geo) of a GIS package's text/geography
// format, and the zoning save (zone outlines as a zoning text file).
#include "model/PalvonVars.h"

#include <cstdint>
#include <string>
#include <vector>

struct TPolygonRecord {
    int32_t Id = 0;
    std::string Name;
    std::vector<TPoint> Points; // the vertices, in order
    uint32_t PenColor = 32768;     // TColor
    int32_t PenWidth = 1;
    uint32_t BrushColor = 13887443; // TColor
    bool BrushClear = false;        // true: the interior is not filled
    TPoint Label;                   // label point (the mean of the vertices when the file gives none)
};

namespace PolygonFile {

// Batch reading: false when the file cannot be read. Blank lines are no polygon.
bool Read(const std::string& fileName, std::vector<TPolygonRecord>& polygons);
// Reading for the map: every line that is not a comment is a polygon, a blank one
// included (id 0, no name, no vertices), so that polygon p is non-comment line p.
bool ReadAll(const std::string& fileName, std::vector<TPolygonRecord>& polygons);
// One polygon line as the reader takes it (without the line end).
TPolygonRecord ParseLine(const std::string& line);
// The line written for a polygon (without the line end); coordinates with two decimals.
std::string FormatLine(const TPolygonRecord& polygon);
// Writes the polygons (CR LF lines); false when the file cannot be written.
bool Write(const std::string& fileName, const std::vector<TPolygonRecord>& polygons);

// Area file as written: name, 0, n + 1, then the vertices and the first one again.
std::string FormatAreaLine(const TPolygonRecord& polygon);
bool WriteArea(const std::string& fileName, const std::vector<TPolygonRecord>& polygons);
// Area file as read: field 0 is id and name, field 1 the vertex count, then x, y
// pairs; a line as the export writes it (name, 0, count, a closed ring) is read
// as written. Each polygon takes the style of `style`; its label point is the mean.
bool ReadArea(const std::string& fileName, const TPolygonRecord& style, std::vector<TPolygonRecord>& polygons);

// Mean of the points; (0, 0) for none.
TPoint MeanPoint(const std::vector<TPoint>& points);

// Zoning save: per zone 1..Network.ZoneCount, "number,0,count" and ",x,y" per
// boundary point with five decimals. False when the file cannot be written.
bool WriteZoning(const std::string& fileName);
// True when some zone of the network has an outline for WriteZoning to write.
bool AnyZoneOutline();

// Point inside the polygon (even-odd rule, in world units; a polygon of fewer
// than three points contains nothing).
bool Contains(const TPolygonRecord& polygon, double x, double y);

} // namespace PolygonFile
