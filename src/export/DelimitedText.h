#pragma once
// Cells of the comma- and tab-delimited texts the program writes (grid exports,
// worksheets, polygon extracts, selected lines). A cell that holds the
// separator, a double quote or a line end is written between double quotes with
// each inner quote doubled, as spreadsheet and csv readers expect; every other
// cell is written byte for byte. Blank-delimited text (".prn") is a print layout
// whose cells are padded with blanks: it is written as it is, never quoted.
#include <string>
#include <string_view>

namespace DelimitedText {

inline bool NeedsQuotes(std::string_view cell, char separator)
{
    if (separator == ' ')
        return false;
    for (char c : cell)
        if (c == separator || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

// Appends one cell, quoted when it has to be.
inline void AppendCell(std::string& out, std::string_view cell, char separator)
{
    if (!NeedsQuotes(cell, separator)) {
        out += cell;
        return;
    }
    out += '"';
    for (char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

inline std::string Cell(std::string_view cell, char separator)
{
    std::string out;
    AppendCell(out, cell, separator);
    return out;
}

} // namespace DelimitedText
