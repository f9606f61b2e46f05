#include "model/TextLines.h"

#include "model/FileUtils.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// Offsets are 32-bit: a text (with its include files) of 4 GB or more is refused.
void CheckRoom(size_t bytes)
{
    if (bytes >= std::numeric_limits<uint32_t>::max())
        throw std::length_error("el texto de la red supera los 4 GB");
}

// Gives the whole pages between from and to back to the system; they come back as
// zeros when next written. Pages that hold anything outside stay as they are.
void ReleasePages(const char* from, const char* to)
{
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (reinterpret_cast<uintptr_t>(from) + page - 1) & ~(page - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(to) & ~(page - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
}

} // namespace

uint64_t TTextLines::NextRevision()
{
    static uint64_t last = 0;
    return ++last;
}

TTextLines::TData& TTextLines::Own()
{
    if (!data_)
        data_ = std::make_shared<TData>();
    else if (data_.use_count() > 1)
        data_ = std::make_shared<TData>(*data_);
    return *data_;
}

TTextLines TTextLines::FromBytes(std::string&& bytes)
{
    TTextLines t;
    CheckRoom(bytes.size());
    TData& d = t.Own();
    d.bytes = std::move(bytes);
    // The lines move down over the line ends they lose, within the same block.
    char* const data = d.bytes.data();
    const size_t n = d.bytes.size();
    d.starts.reserve(FileUtils::CountLines(d.bytes) + 1);
    size_t out = 0;
    // The bytes between the lines kept so far and the next line are read no more:
    // every few hundred kilobytes of them go back to the system at once, so that a
    // text mostly of line ends never holds the whole file and all its line starts.
    constexpr size_t ReleaseStep = size_t(1) << 18;
    size_t released = 0;
    FileUtils::ForEachLine(std::string_view(data, n), [&](size_t start, size_t end) {
        d.starts.push_back(static_cast<uint32_t>(out));
        if (out != start)
            std::char_traits<char>::move(data + out, data + start, end - start);
        out += end - start;
        if (end - out >= released + ReleaseStep) {
            ReleasePages(data + out, data + end);
            released = end - out;
        }
    });
    if (!d.starts.empty())
        d.starts.push_back(static_cast<uint32_t>(out));
    d.bytes.resize(out);
    // Mostly line ends (blank or one-character lines): the memory past what the
    // block keeps goes back to the system. A block made to fit would be a copy,
    // made while the whole file and the line starts are held: the peak of the read.
    if (out < d.bytes.capacity() / 2)
        ReleasePages(data + out + 1, data + d.bytes.capacity()); // the block holds capacity + 1 bytes
    t.revision_ = NextRevision();
    return t;
}

void TTextLines::Replace(size_t at, size_t remove, const TTextLines& add)
{
    // Held before this text's data may be copied: add may share it.
    const std::shared_ptr<TData> added = add.data_ ? add.data_ : std::make_shared<TData>();
    TData& d = Own();
    std::vector<uint32_t>& starts = d.starts;
    if (starts.empty())
        starts.push_back(0);
    const size_t from = starts[at], to = starts[at + remove];
    const size_t addedBytes = added->bytes.size();
    CheckRoom(d.bytes.size() - (to - from) + addedBytes);
    d.bytes.replace(from, to - from, added->bytes);
    const auto shift = static_cast<int64_t>(addedBytes) - static_cast<int64_t>(to - from);
    auto first = starts.begin() + static_cast<long>(at);
    first = starts.erase(first, first + static_cast<long>(remove));
    const size_t n = added->starts.empty() ? 0 : added->starts.size() - 1;
    first = starts.insert(first, n, 0);
    for (size_t k = 0; k < n; ++k)
        first[static_cast<long>(k)] = static_cast<uint32_t>(from + added->starts[k]);
    for (auto it = first + static_cast<long>(n); it != starts.end(); ++it)
        *it = static_cast<uint32_t>(*it + shift);
    if (starts.size() == 1)
        starts.clear();
    revision_ = NextRevision();
}

void TTextLines::push_back(std::string_view line)
{
    TData& d = Own();
    CheckRoom(d.bytes.size() + line.size());
    if (d.starts.empty())
        d.starts.push_back(0);
    d.bytes += line;
    d.starts.push_back(static_cast<uint32_t>(d.bytes.size()));
    revision_ = NextRevision();
}

void TTextLines::reserve(size_t lines, size_t bytes)
{
    TData& d = Own();
    d.starts.reserve(lines + 1);
    d.bytes.reserve(bytes);
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
    data_.reset(); // a copy sharing the data keeps it
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
    out.reserve((data_ ? data_->bytes.size() : 0) + 2 * size());
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
