#include "model/TextLines.h"

#include "model/FileUtils.h"

#include <limits>
#include <stdexcept>

namespace {

// Offsets are 32-bit: a text (with its include files) of 4 GB or more is refused.
void CheckRoom(size_t bytes)
{
    if (bytes >= std::numeric_limits<uint32_t>::max())
        throw std::length_error("el texto de la red supera los 4 GB");
}

} // namespace

uint64_t TTextLines::NextRevision()
{
    static uint64_t last = 0;
    return ++last;
}

TTextLines TTextLines::FromBytes(std::string&& bytes)
{
    TTextLines t;
    CheckRoom(bytes.size());
    t.bytes_ = std::move(bytes);
    // The lines move down over the line ends they lose, within the same block.
    char* const data = t.bytes_.data();
    const size_t n = t.bytes_.size();
    size_t count = 0;
    FileUtils::ForEachLine(t.bytes_, [&](size_t, size_t) { ++count; });
    t.starts_.reserve(count + 1);
    size_t out = 0;
    FileUtils::ForEachLine(std::string_view(data, n), [&](size_t start, size_t end) {
        t.starts_.push_back(static_cast<uint32_t>(out));
        if (out != start)
            std::char_traits<char>::move(data + out, data + start, end - start);
        out += end - start;
    });
    if (!t.starts_.empty())
        t.starts_.push_back(static_cast<uint32_t>(out));
    t.bytes_.resize(out);
    // Mostly line ends (blank lines): the block is made to fit what it keeps.
    if (out < t.bytes_.capacity() / 2)
        t.bytes_.shrink_to_fit();
    t.revision_ = NextRevision();
    return t;
}

void TTextLines::Replace(size_t at, size_t remove, const TTextLines& add)
{
    if (starts_.empty())
        starts_.push_back(0);
    const size_t from = starts_[at], to = starts_[at + remove];
    const size_t added = add.bytes_.size();
    CheckRoom(bytes_.size() - (to - from) + added);
    bytes_.replace(from, to - from, add.bytes_);
    const auto shift = static_cast<int64_t>(added) - static_cast<int64_t>(to - from);
    auto first = starts_.begin() + static_cast<long>(at);
    first = starts_.erase(first, first + static_cast<long>(remove));
    const size_t n = add.size();
    first = starts_.insert(first, n, 0);
    for (size_t k = 0; k < n; ++k)
        first[static_cast<long>(k)] = static_cast<uint32_t>(from + add.starts_[k]);
    for (auto it = first + static_cast<long>(n); it != starts_.end(); ++it)
        *it = static_cast<uint32_t>(*it + shift);
    if (starts_.size() == 1)
        starts_.clear();
    revision_ = NextRevision();
}

void TTextLines::push_back(std::string_view line)
{
    CheckRoom(bytes_.size() + line.size());
    if (starts_.empty())
        starts_.push_back(0);
    bytes_ += line;
    starts_.push_back(static_cast<uint32_t>(bytes_.size()));
    revision_ = NextRevision();
}

void TTextLines::reserve(size_t lines, size_t bytes)
{
    starts_.reserve(lines + 1);
    bytes_.reserve(bytes);
}

bool ReadTextLines(const std::string& path, TTextLines& lines, unsigned long long maxBytes, bool* tooLarge)
{
    lines.clear();
    std::string bytes;
    if (!FileUtils::ReadFile(path, bytes, maxBytes, tooLarge) || FileUtils::LooksBinary(bytes))
        return false;
    lines = TTextLines::FromBytes(std::move(bytes));
    return true;
}

void TTextLines::Assign(const std::vector<std::string>& lines)
{
    clear();
    size_t bytes = 0;
    for (const auto& l : lines)
        bytes += l.size();
    reserve(lines.size(), bytes);
    for (const auto& l : lines)
        push_back(l);
}

void TTextLines::clear()
{
    bytes_.clear();
    bytes_.shrink_to_fit();
    starts_.clear();
    starts_.shrink_to_fit();
    revision_ = NextRevision();
}

std::vector<std::string> TTextLines::ToVector() const
{
    std::vector<std::string> v;
    v.reserve(size());
    for (size_t i = 0; i < size(); ++i)
        v.emplace_back((*this)[i]);
    return v;
}

std::string TTextLines::JoinCrLf() const
{
    std::string out;
    out.reserve(bytes_.size() + 2 * size());
    for (size_t i = 0; i < size(); ++i) {
        out += (*this)[i];
        out += "\r\n";
    }
    return out;
}

namespace {
// Line by line, whatever holds the other lines.
template <class Lines>
bool SameLines(const TTextLines& a, const Lines& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}
} // namespace

bool TTextLines::operator==(const TTextLines& other) const { return SameLines(*this, other); }

bool TTextLines::operator==(const std::vector<std::string>& other) const { return SameLines(*this, other); }
