#pragma once
// Map sheets of transit lines: a settings file whose every section names a sheet
// file ("Lamina"), its title lines ("Titulo", ';'-separated) and the lines shown
// on it ("Lineas", ','-separated names, matched exactly).
#include <cstdint>
#include <string>
#include <vector>

struct TLineSheet {
    std::vector<std::string> Titles;
    std::string MetafileName;        // "Lamina" with the extension ".emf"
    std::vector<std::string> Lines;  // trimmed names; empty: no line is shown
};

namespace PrintLines {

// The sheets of the file in file order (none when the file does not exist). Sheet
// names are relative to the file's folder; when one lies outside it, none, with
// the reason in *refused.
std::vector<TLineSheet> ReadLineSheets(const std::string& fileName, std::string* refused = nullptr);
// Shows the sheet's lines on the transit-line layer and hides every other line;
// returns how many of the names matched a line. The names that match none go
// to `unmatched`. Each line shown takes the colour of its name's place in the
// list ($4080FF, $008000, then black) until EndSheets.
int ShowSheetLines(const TLineSheet& sheet, std::vector<std::string>* unmatched = nullptr);
// The colour a line takes on the sheet being printed; false outside a series
// of sheets or for a line the sheet does not name.
bool SheetColour(int32_t line, uint32_t& colour);
// The series is over: lines print in their ordinary colours again.
void EndSheets();

} // namespace PrintLines
