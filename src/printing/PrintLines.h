#pragma once
// Map sheets of transit lines: a settings file whose every section names a sheet
// file ("Lamina"), its title lines ("Titulo", ';'-separated) and the lines shown
// on it ("Lineas", ','-separated names, matched exactly).
#include <string>
#include <vector>

struct TLineSheet {
    std::vector<std::string> Titles;
    std::string MetafileName;        // "Lamina" with the extension ".emf"
    std::vector<std::string> Lines;  // trimmed names; empty: no line is shown
};

namespace PrintLines {

// The sheets of the file in file order (none when the file does not exist).
std::vector<TLineSheet> ReadLineSheets(const std::string& fileName);
// Shows the sheet's lines on the transit-line layer and hides every other line;
// returns how many of the names matched a line.
int ShowSheetLines(const TLineSheet& sheet);

} // namespace PrintLines
