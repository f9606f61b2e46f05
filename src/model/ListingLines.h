#pragma once
// What the readers of the suite's listings and counts files share: fixed-column
// fields read as numbers, and the opening of the file under the progress bar.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace PalvonRead::Listing {

// The number in the columns first..first+width-1 (from 1) of a line, rounded
// (halves to even): listings may write whole numbers with a decimal point.
int32_t IntField(const std::string& line, int first, int width);
// The real number in the columns first..first+width-1 (from 1) of a line.
float RealField(const std::string& line, int first, int width);

// Whether the field in the columns first..first+width-1 holds text that is no
// number (asterisks where a value overflowed its columns, a stray letter): it
// reads as 0, and the value shown would not be the file's. Blanks are no value.
bool Unreadable(const std::string& line, int first, int width);

// The lines of one reading whose stored values had such a field: told once,
// after the reading, with the first of them.
class TUnreadableLines {
public:
    // Notes line `index` (from 0) when any of its fields {first, width} is unreadable.
    void Check(const std::string& line, size_t index, std::initializer_list<std::pair<int, int>> fields);
    // Says so once, when there were any.
    void Tell(const std::string& fileName) const;

private:
    int count_ = 0;
    size_t first_ = 0;
};

// Reads the file's lines and shows the progress bar over them (0 .. last line).
// When the file cannot be read, says so and returns false; nothing else changes.
bool OpenLines(const std::string& fileName, std::vector<std::string>& lines);

} // namespace PalvonRead::Listing
