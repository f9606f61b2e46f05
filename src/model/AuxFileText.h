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

// Whether a line ends inside a field opened by a double quote (read as QuotedFields
// reads it); `open`: the line starts inside one, left open by the line before.
inline bool LeavesQuoteOpen(std::string_view line, char sep, bool open)
{
    size_t i = 0;
    for (;;) {
        if (open || (i < line.size() && line[i] == '"')) {
            i += open ? 0 : 1;
            open = false;
            for (;; ++i) {
                if (i >= line.size())
                    return true;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
            }
        }
        while (i < line.size() && line[i] != sep)
            ++i;
        if (i >= line.size())
            return false;
        ++i;
    }
}

// The lines of a file as its records: a quoted field holding a line break (as
// delimited-text writers write one) takes its lines together again, each break read
// as a blank, so that a name stays on one line. A quote never closed joins nothing.
inline void JoinQuotedLines(std::vector<std::string>& lines, char sep)
{
    const size_t n = lines.size();
    if (std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return l.find('"') != l.npos; }))
        return;
    // closes[k]: the line that ends a field open at the start of line k (n: none does).
    std::vector<size_t> closes(n + 1, n);
    for (size_t k = n; k-- > 0;)
        closes[k] = LeavesQuoteOpen(lines[k], sep, true) ? closes[k + 1] : k;
    std::vector<std::string> records;
    records.reserve(n);
    for (size_t l = 0; l < n; ++l) {
        records.push_back(std::move(lines[l]));
        if (l + 1 < n && closes[l + 1] < n && LeavesQuoteOpen(records.back(), sep, false))
            for (const size_t last = closes[l + 1]; l < last;) {
                records.back() += ' ';
                records.back() += lines[++l];
            }
    }
    lines.swap(records);
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

// The refusal of a file none of whose `count` records is of the network open:
// `one` says it of a single record, `many` (with %d) of several.
inline std::string NoneOfThisNetwork(const std::string& path, int count, const char* one, const char* many)
{
    return ZelUtils::Format("Archivo %s:\r", BaseName(path)) +
           (count == 1 ? std::string(one) : ZelUtils::Format(many, count)) + "; no se ha leído.";
}

} // namespace AuxFileText
