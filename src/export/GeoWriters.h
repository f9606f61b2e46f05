#pragma once
// Writers of the geometry the user edits on the map: the coordinates file, the
// background line layers, the UTM coordinate files and the link shape points.
// Every file is written whole to a temporary file and renamed over the target;
// lines end with CR LF and numbers use '.' whatever the locale.
#include <string>
#include <vector>

namespace KDVlib {

// When "Guardar coordenadas" is ticked, rewrites the network's coordinates file
// (CoordinatesFileName):
// "%d,%.5f,%.5f" for every zone with a centroid, then for every placed node.
// True when nothing had to be written or the file was written; the network's
// PositionsUnsaved says whether its positions are still to be saved. A failed
// write is said once a streak: not again until a write goes in or another
// network is read.
bool WriteCoords();
// The coordinates file itself, whatever the option says.
bool WriteCoordsFile(const std::string& path);

// Rewrites each background layer's ".geo" file in its folder: "%d,%d" (id, point
// count) then ",x,y" per point with every digit the coordinate holds (rewriting a
// layer never rounds its untouched vertices); deleted and empty polylines are left out.
// A layer read from its file is written line for line in the file's order: the
// pieces of a long polyline join again into its one line, and every line the
// reader did not take (blank, malformed, a note, past the capacity) stays as it was,
// but for the points of a polyline past the capacity, moved as its layer was.
// A file changed on disk since it was read (or last written) is replaced only
// when the user says yes; a layer the user keeps is left out, not a failure.
// `layers` (1-based) chooses the layers, all when empty. False when a write failed
// (said once, in Spanish).
// `unasked`: the write that follows a move on the map, whose refusal is said only
// when the layer's last write went in.
bool WriteGeo(const std::vector<int>& layers = {}, bool unasked = false);
// One layer into `path` (its own file or another the user chose); the same
// question for its own file changed on disk. A layer written to its own file, or
// to another that becomes its file, is then taken as read from it.
bool WriteGeoLayer(int layer, const std::string& path, bool unasked = false);
// The bytes of layer's name file with every label point it gives put where that
// polyline's label stands now (a layer moved on the map carries its labels along);
// every other line, and every line end, as it is.
std::string LayerNamesText(int layer, const std::string& bytes);

// "T55555_UTM_.DAT" (zone centroids "C%4d", nodes "%5d", or "C%9d" / "%10d" with
// DUTCH, then "%15.5f%15.5f") and one "SOLERA%d_UTM_.DAT" per background layer,
// in folder, every coordinate shifted by the offsets (metres). Every polyline with
// at least one point is written, the deleted ones included. All or none replace
// the earlier files; a failure is said once (in Spanish).
bool WriteUtmFiles(const std::string& folder, double offsetX, double offsetY);
// The files WriteUtmFiles writes in folder, the coordinates' first.
std::vector<std::string> UtmFileNames(const std::string& folder);

// The shape-point file: one line per link in record order, "%d,%d,%d" (A, B, n)
// then ",%.5f,%.5f" per point.
bool WriteSigFile(const std::string& path);

} // namespace KDVlib
