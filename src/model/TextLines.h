#pragma once
// The lines of a text held in one block of bytes: every line's bytes one after the
// other (line ends removed) and where each line starts. A line costs its bytes and
// four more, so a network of short comment lines takes about what its file takes;
// as a list of strings each line took 32 bytes before its first character. Copies
// share the block until one of them changes.
#include "model/FileUtils.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TTextLines;
// Reads a text file into lines (see FileUtils::ReadLines: the same files refused).
// Longer than maxBytes: false, with *tooLarge set (see FileUtils::ReadFile).
bool ReadTextLines(const std::string& path, TTextLines& lines, unsigned long long maxBytes = FileUtils::MaxDataFileBytes,
                   bool* tooLarge = nullptr);

class TTextLines {
public:
    TTextLines() = default;
    TTextLines(const std::vector<std::string>& lines) { Assign(lines); }

    // The lines of a file's bytes (CR LF, LF or lone CR line ends), split in place.
    static TTextLines FromBytes(std::string&& bytes);

    size_t size() const { return !data_ || data_->starts.empty() ? 0 : data_->starts.size() - 1; }
    bool empty() const { return size() == 0; }
    std::string_view operator[](size_t i) const
    {
        const uint32_t* starts = data_->starts.data();
        return std::string_view(data_->bytes.data() + starts[i], starts[i + 1] - starts[i]);
    }

    // Replaces `remove` lines at `at` by `add` (one move of the later lines).
    void Replace(size_t at, size_t remove, const TTextLines& add);
    void Replace(size_t at, size_t remove, const std::vector<std::string>& add) { Replace(at, remove, TTextLines(add)); }
    void Insert(size_t at, std::string_view line) { Replace(at, 0, std::vector<std::string>{std::string(line)}); }
    void push_back(std::string_view line);
    void reserve(size_t lines, size_t bytes);
    void Assign(const std::vector<std::string>& lines);
    void clear();
    std::vector<std::string> ToVector() const;
    // Every line followed by CR LF.
    std::string JoinCrLf() const;

    // A number no other state of any text had: a view of the text knows whether it is still current.
    uint64_t Revision() const { return revision_; }
    // Bytes held (the lines' bytes and their starts), shared with copies or not.
    size_t MemoryBytes() const
    {
        return data_ ? data_->bytes.capacity() + data_->starts.capacity() * sizeof(uint32_t) : 0;
    }

    bool operator==(const TTextLines& other) const;
    bool operator==(const std::vector<std::string>& other) const;

private:
    static uint64_t NextRevision();
    // The bytes and the line starts. A copy of a text shares them with the text it
    // was taken from until either changes (the text window keeps the text a
    // network was read from beside the one being edited): a text of millions of
    // short lines is then held once, not twice.
    struct TData {
        std::string bytes;
        std::vector<uint32_t> starts; // size() + 1 entries when not empty
    };
    // The data of this text alone, made or copied when absent or shared.
    TData& Own();
    std::shared_ptr<TData> data_;
    uint64_t revision_ = 0;
};
