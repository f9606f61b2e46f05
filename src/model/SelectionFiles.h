#pragma once
// Selection files (.sel): the selected links of a network, one per line, in link
// order: node A in columns 1-10, node B in 11-20 and the mark (selection class) in
// 21-25, all right-aligned, lines ended with CR LF. The polygon batch writes the
// polygon's id in place of the mark. Reading is free-format: fields split at blanks
// and TABs, numbers rounded to integers.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace SelectionFiles {

// Classes a selection mark may take; a mark read outside 1..MaxSelClass becomes 1.
constexpr int32_t MaxSelClass = 20;

struct TSelEntry {
    int32_t A = 0;
    int32_t B = 0;
    int32_t Mark = 1; // already brought into 1..MaxSelClass
};

// One line of the layout, CR LF included. A number wider than its columns is still
// kept apart from the one before it by a blank, so the line stays readable.
std::string SelectionLine(int32_t a, int32_t b, int32_t third);
// The links with Mark > 0 in link order; each line's third field is the link's mark,
// or `tag` for every line when given.
std::string SelectionText(std::optional<int32_t> tag = std::nullopt);
// SelectionText written through a temporary file renamed over fileName; false on failure.
bool WriteSelection(const std::string& fileName, std::optional<int32_t> tag = std::nullopt);

// Lines with fewer than two fields are skipped.
void ParseSelection(const std::vector<std::string>& lines, std::vector<TSelEntry>& entries);
// False when the file cannot be read.
bool ReadSelection(const std::string& fileName, std::vector<TSelEntry>& entries);

// Gives every link named in the file its mark (importing adds to the selection: other
// marks stay). Links the network lacks are reported in one message, the rest is read.
// False (with a message, nothing changed) when the file cannot be read. `applied`
// receives the number of lines that marked a link.
bool ImportSelection(const std::string& fileName, int32_t* applied = nullptr);
// True when the file can be read and one of its lines names a link of the network
// open (as ImportSelection would mark it), or it holds no line at all: that is the
// selection of no link saved, which clears the selection read over.
bool SelectsOnNetwork(const std::string& fileName);

// Node and zone selection files: one node (zone) number per line, and after a TAB
// the selection class; the other fields are not read, blank lines are passed over.
struct TNumberMark {
    int32_t Number = 0;
    bool HasMark = false;
    int32_t Mark = 0; // rounded as read, not brought into a range
    // False when the first field is no number (it reads as 0, which names no
    // element) or lies beyond whole numbers' range: the line is named as written,
    // not as a number it does not hold.
    bool Readable = true;
    std::string Text; // the line, blanks around it taken off
    size_t Numbers = 0; // how many of the line's first fields are numbers (a name may follow)
};
// False when the file cannot be read.
bool ReadNumberMarks(const std::string& fileName, std::vector<TNumberMark>& entries);

// A transit line by what names it in the file (name, code and section block; a
// name given twice is told apart by its order) and whether it is drawn.
struct TLineShown {
    std::string Name;
    std::string Code;
    int32_t Group = 0;
    bool Visible = false;
};

// What the user marked on the network in memory, by link ends and node and zone
// numbers: the selected links, nodes and zones with their classes and the links
// hidden from the drawing; and, once the user has chosen which transit lines are
// drawn (a read draws them all), every line with its choice. Held while the
// network is read again (a batch that opens others, the text read again) and put
// back on the records still there.
struct THeldMarks {
    std::vector<TSelEntry> Links;
    std::vector<TSelEntry> Hidden; // Mark unused
    std::vector<TNumberMark> Nodes;
    std::vector<TNumberMark> Zones;
    std::vector<TLineShown> Lines;
};
THeldMarks HoldMarks();
void PutBackMarks(const THeldMarks& held);

} // namespace SelectionFiles
