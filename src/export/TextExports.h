#pragma once
// Transit-line exports taken from the rows of the line grid: densified traces in
// the background-line-layer layout (".geo") and the transit-line section of the
// network data file. Rows carry the grid's values as shown.
#include <cstdint>
#include <string>
#include <vector>

namespace TextExports {

struct TLineRow {
    int32_t Group = 0;     // "Grp"
    int32_t Line = 0;      // "Linea"
    int32_t Frequency = 0; // "Frec"
    std::vector<int32_t> Nodes; // the cells after "num", negative numbers included
};

// One text line per row: "%1d%5.5d,%5d" (group, line, point count), then
// ",%.2f,%.2f" per point: one point every 30 units along each segment from its
// start, then the last node. Nodes are located by absolute number; a node that is
// not in the network is left out, and a repeated node adds no extra point.
std::string LineTraceText(const std::vector<TLineRow>& rows);

// "%5d%5d%5d" header and the nodes ("%5d", 13 to a text line, or "%10d", 6 to a
// text line with wide node numbers), continuation lines indented 15 blanks;
// "99999" and "66666" between rows of different groups.
std::string LineSectionText(const std::vector<TLineRow>& rows, bool wideNodes);

} // namespace TextExports
