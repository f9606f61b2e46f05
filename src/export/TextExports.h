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
    std::string Name;      // "Linea", blanks trimmed: a number or up to four characters
    std::string Code;      // "Snt": the one-character line code, blank when empty
    int32_t Order = 0;     // "Ord": the line's record number
    int32_t Frequency = 0; // "Frec"
    std::vector<int32_t> Nodes; // the cells after "num", negative numbers included
};

// The number a trace line is known by: the line's name when it is a number,
// else its record number, so that lines named with letters ("L01", "L02") keep
// apart in a file whose ids are numbers.
int32_t TraceId(const TLineRow& row);

// One text line per row: "%1d%5.5d,%5d" (group, TraceId, point count), then
// ",%.2f,%.2f" per point: one point every 30 units along each segment from its
// start, then the last node. Nodes are located by absolute number; a node that is
// not in the network is left out, and a repeated node adds no extra point.
std::string LineTraceText(const std::vector<TLineRow>& rows);

// Whether every row fits the header of the network data file: a name of five
// digits or of at most four characters, and a frequency of at most four columns
// (-999 to 9999); false with a Spanish message naming the first that does not.
bool SectionRowsFit(const std::vector<TLineRow>& rows, std::string& error);

// The header as the network data file's reader takes it back: a name of five
// digits in columns 1-5 with the code in column 6 ("%5d%5d%5d" of name, frequency
// and node count when the code is blank), any other name right-aligned in columns
// 1-4 with the code in column 5; frequency in columns 7-10 and the node count in
// 11-15. Then the nodes ("%5d", 13 to a text line, or "%10d", 6 to a
// text line with wide node numbers), continuation lines indented 15 blanks;
// "99999" and "66666" between rows of different groups.
std::string LineSectionText(const std::vector<TLineRow>& rows, bool wideNodes);

} // namespace TextExports
