#pragma once
// What the readers of the suite's listings and counts files share: fixed-column
// fields read as numbers, and the opening of the file under the progress bar.
#include <cstdint>
#include <string>
#include <vector>

namespace PalvonRead::Listing {

// The number in the columns first..first+width-1 (from 1) of a line, rounded
// (halves to even): listings may write whole numbers with a decimal point.
int32_t IntField(const std::string& line, int first, int width);
// The real number in the columns first..first+width-1 (from 1) of a line.
float RealField(const std::string& line, int first, int width);

// Reads the file's lines and shows the progress bar over them (0 .. last line).
// When the file cannot be read, says so and returns false; nothing else changes.
bool OpenLines(const std::string& fileName, std::vector<std::string>& lines);

} // namespace PalvonRead::Listing
