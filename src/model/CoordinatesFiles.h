#pragma once
// Coordinates files for a network read without positions: a text of lines
// "number,X,Y" (or ';'-separated) and the TEXT entities of an ASCII DXF drawing,
// whose text is a node or zone number and whose insertion point is its position.
#include <string>

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

} // namespace KDVlib
