#pragma once
// Small text helpers shared by the loaders of auxiliary data files (coordinates,
// complementary data, zoning, generation and attraction).
#include "model/ZelUtils.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace AuxFileText {

// Fields of a line at one separator: empty fields are kept, only an empty
// remainder after a trailing separator is dropped.
inline std::vector<std::string> Fields(std::string_view line, char sep)
{
    std::vector<std::string> f = ZelUtils::SplitString(line, sep);
    if (f.size() > 1 && f.back().empty())
        f.pop_back();
    return f;
}

// Fields as Fields gives them, a field that opens with a double quote read as
// delimited-text writers quote it: up to its closing quote, separators and line
// text inside it kept, a doubled quote read as one.
inline std::vector<std::string> QuotedFields(std::string_view line, char sep)
{
    std::vector<std::string> f;
    size_t i = 0;
    for (;;) {
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] != '"') {
                    field += line[i];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        }
        // Unquoted text (or text after a closing quote) up to the separator.
        while (i < line.size() && line[i] != sep)
            field += line[i++];
        f.push_back(std::move(field));
        if (i >= line.size())
            break;
        ++i;
    }
    if (f.size() > 1 && f.back().empty())
        f.pop_back();
    return f;
}

// True when the text reads as a number, or is empty (an empty field reads as 0).
// ParseNumber gives 0 for text it cannot read; this tells that 0 from a real one,
// so that "3,5" or "n/a" is never taken silently as a value.
inline bool NumberOrEmpty(std::string_view text)
{
    std::string t = ZelUtils::Trim(text);
    if (t.empty())
        return true;
    ZelUtils::NumberValue v = ZelUtils::ParseNumber(t);
    if (!v.isInteger() || v.intValue != 0)
        return true;
    return t.find('0') != std::string::npos &&
           std::all_of(t.begin(), t.end(), [](char c) { return c == '0' || c == '-'; });
}

inline std::string BaseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace AuxFileText
