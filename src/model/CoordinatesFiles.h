#pragma once
// Coordinates files for a network read without positions: a text of lines
// "number,X,Y" (or ';'-separated) and the TEXT entities of an ASCII DXF drawing,
// whose text is a node or zone number and whose insertion point is its position.
#include <cstdint>
#include <string>
#include <vector>

namespace KDVlib {

// Kinds of coordinates file, as the filter index of the open dialog gives them.
constexpr int CoordinatesText = 1;
constexpr int CoordinatesDxf = 2;

// Places the nodes (or else the zone centroids) that a coordinates text names and
// widens the extent; the geographic test follows in LoadCoordinatesFile. Lines of
// a known number without a readable X and Y are left out and reported together.
// False when the file cannot be read.
bool ReadGeoText(const std::string& fileName);

// Places every node and every zone centroid whose number is the text of a TEXT
// entity at its insertion point (group codes 1, 10 and 20). False when the file
// cannot be read; a group code that is not a number stops the reading (reported).
bool ReadDxfText(const std::string& fileName);

// Reads a coordinates file of that kind (another kind reads nothing), converts
// geographic text coordinates to UTM, then finishes the extent and runs the lanes
// pass as the network reader does after its coordinates section. False when the
// file cannot be read (the extent and the lanes pass are finished all the same).
bool LoadCoordinatesFile(const std::string& fileName, int kind);

// The end of every coordinates-file opening, a cancelled one too: the 2.5 % margin
// around the extent and the lanes pass.
void FinishCoordinates();

// The file in which the positions moved on the map are kept for one network: the
// network file's name with "_coordenadas.geo" for its extension, beside it. It is
// a coordinates text as the program writes it (zone centroids first, then nodes).
std::string PositionsFileName(const std::string& datDir, const std::string& datFileName);

// Reads back a positions file written by the program: its zone lines come first,
// in zone record order, and the node lines follow, so a number that names both a
// zone and a node is the zone's until a line names no zone or an earlier one.
// Positions are taken as read (projected). The nodes whose position changed are
// added to `movedNodes` (records). False when the file cannot be read.
bool ReadPositionsFile(const std::string& fileName, std::vector<int32_t>& movedNodes);

} // namespace KDVlib
