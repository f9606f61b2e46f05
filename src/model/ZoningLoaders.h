#pragma once
// Zoning files: the boundary arcs of a text zoning file (.geo), chained into one
// outline per zone, and zoning shapefiles (.shp), of which the attribute fields
// are listed.
#include "model/PalvonVars.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KDVlib {

// Reads ZoningFileName by its extension (".shp" a shapefile, else text), then
// enables and presses the zones button and, unless BatchMode is set and when
// redraw is asked for, redraws the map. False when nothing could be read: then
// the button stays as it was.
bool LoadZonificacion(bool redraw = true, bool sayOtherNetwork = true);
// Rebuilds the outline (Polygon, PolygonCount, PolygonCentre) of every zone that
// has an arc in the text file ZoningFileName. False (nothing changes) when the
// file cannot be read, its first line is not an arc line, the outline of some
// zone would pass its 1701 points (said), or none of its zones is in the network
// (said when sayOtherNetwork: a batch applying the user's zoning to each of its
// networks does not ask for it).
bool LoadZonificacionTxt(bool sayOtherNetwork = true);
// Lists the attribute fields of the shapefile ZoningFileName and reads its
// shapes; zone data stay as they were. False when the shapefile does not open.
bool LoadZonificacionShp();

// ---- Boundary-arc files (zoning text and the generation/attraction outlines) ----
// One arc per line: zone on one side, zone on the other (<= 0: none), point count
// n, then n pairs X, Y; separator ';' when the first line holds one, else ','.
struct TZoningArc {
    int32_t Left = 0;
    int32_t Right = 0;
    std::vector<TPoint> Points; // 0..n-1
};
struct TArcFile {
    std::vector<TZoningArc> Arcs;
    int32_t Skipped = 0;        // lines without a point or short of their coordinates
    double FirstX = 0.0;        // fields 4 and 5 of the first line
    double FirstY = 0.0;
};
// False, after the message "Archivo ... con formato no reconocido", when the
// first line is no arc line (fewer than 7 fields, an even field count, or a point
// count that is not whole); false with its own message when the file cannot be read.
bool ReadArcFile(const std::string& fileName, TArcFile& file);
// Chains the arcs of one zone (indexes into arcs, in file order) into an outline:
// the first arc as it runs, then repeatedly the first unused arc whose first point
// meets the outline's end (appended forwards) or else whose last point does
// (appended backwards). Arcs that would take the outline past maxPoints are left
// out and `overflow` is set.
std::vector<TPoint> ChainArcs(const std::vector<TZoningArc>& arcs, const std::vector<int32_t>& list,
                              int32_t maxPoints, bool& overflow);
// Reports the lines an arc file could not use, and the outlines cut at their limit.
void ReportArcFile(const std::string& fileName, const TArcFile& file, const std::vector<int32_t>& overflowZones,
                   int32_t maxPoints);

} // namespace KDVlib
