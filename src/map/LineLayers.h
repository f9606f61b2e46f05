#pragma once
// Background line layers ("soleras") read from polyline files, each file one
// layer, with the names of its polylines from an optional ".name" companion; and
// the bus volumes of the visible transit lines on the links.
//
// Polyline file (".geo"): one polyline a line, fields separated by ',' or ';' (the
// separator of the first line, ';' when it holds both): id, point count n, then n
// pairs x, y. Name file (".name"): id, name and, optionally, x and y of the label.
#include "map/GeoLayers.h"

#include <cstdint>
#include <string>
#include <vector>

namespace LineLayers {

// Separator of an auxiliary text file from its first line: ';' when the line
// holds one, else ',' when it holds one, else 0.
char ChooseSeparator(const std::string& firstLine);

// A field that reads as a number (digits, sign, point, exponent; blanks around).
bool IsNumeric(const std::string& field);

// Whether the first line announces a polyline file: more than 3 fields, an even
// number of them, and a whole point count in field 1.
bool IsPolylineHeader(const std::string& firstLine, char separator);

enum class TLoadStatus {
    Loaded,
    Unreadable,    // the file could not be opened (message shown)
    NotRecognised, // first line malformed (message shown, nothing changed)
    NoLayerRoom,   // every layer slot is taken (message shown, nothing changed)
    NoLineRoom,    // the polyline array filled up: the layer holds what was read
};

struct TLineLayerLoad {
    TLoadStatus Status = TLoadStatus::Unreadable;
    int32_t Layer = 0;     // the layer read (Loaded, NoLineRoom)
    bool HasNames = false; // a name file lay beside the polyline file
};

// Reads a polyline file (fileName with the extension ".geo") as a layer: it
// replaces every loaded layer, or is added after them with addLayer. Sets the
// layer's name, folder, visible and selected flags and (outside batch mode) its
// drawing style, a copy of the "Soleras" style. Long polylines are stored in
// pieces of at most MaxGeoLinkPoints of their own points, each piece ending on the
// first point of the next. Lines whose points are fewer than announced or not
// numbers are left out and reported in one message.
TLineLayerLoad LoadLineLayer(const std::string& fileName, bool addLayer);

// Records of layer n: first..last (empty when last < first).
void LayerRange(int32_t layer, int32_t& first, int32_t& last);

// Caption of the "Selección" item: "Selección: " and the selected layers' numbers
// joined by '/'.
std::string SelectionCaption();

} // namespace LineLayers

// ---- Transit lines on the map ----

// Vehicles of the visible transit lines summed per link (index = link record).
extern std::vector<float> LinkBusCount;
// The largest entry of LinkBusCount.
extern float LinkBusMax;
// Raised by whatever changes the set of visible lines (the line grid, the line
// selections, the map); the transit-line layer then sums again.
extern bool VisibleLinesChanged;

namespace LineLayers {

// True when LinkBusCount does not describe the current lines: VisibleLinesChanged
// is raised, or the network, its lines or their visibility changed since the
// last sum.
bool LinkBusCountStale();
// Sums again: every visible line with at least 2 route nodes adds its frequency to
// each link joining two consecutive route nodes (a negative route number stands
// for the node of that number). Clears VisibleLinesChanged.
void RebuildLinkBusCount();
// Sums again when stale. The loads are drawn against the largest total, and the
// totals summed anew give that scale (RangeMax := LinkBusMax, RangeMin := 0) to the
// user's view once, where the screen shows the loads: true while the totals of the
// last sum have not given it yet (a print or export before that screen drawing
// takes the same scale into its own copy).
bool RefreshLinkBusCount();
// The user's view has taken the scale of the last sum.
void LinkBusRangeTaken();

} // namespace LineLayers
