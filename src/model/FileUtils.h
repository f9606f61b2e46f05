#pragma once
// File helpers shared by every reader and writer.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace FileUtils {

// Largest file the readers take in: far above any network or listing, far below
// what would exhaust memory.
constexpr unsigned long long MaxDataFileBytes = 512ull << 20;
// Largest file read whose size the system gives as 0 (a file of /proc or /sys,
// made up as it is read, some of them without end).
constexpr unsigned long long MaxUnsizedFileBytes = 16ull << 20;

// Why a file cannot be read as a data file ("" when it can): it is missing, is no
// regular file (a folder, a device such as /dev/zero, a pipe) or is larger than
// MaxDataFileBytes. The text completes a sentence naming the file.
std::string DataFileProblem(const std::string& path);

// DataFileProblem, and for a file that passes it, "no es un archivo de texto..."
// when its first bytes are not text (LooksBinary): what every text reader refuses.
std::string TextFileProblem(const std::string& path);
// The message for a text file that could not be read: "No se puede leer el archivo
// X:\r" and why (TextFileProblem), so that a binary file is not said to be missing.
std::string ReadFailure(const std::string& path);
// True when the bytes (their first 64 KB) hold a NUL or are one tenth control characters.
bool LooksBinary(std::string_view bytes);

// Calls visit(start, end) for each line of the bytes, its end excluded. A line ends
// at CR LF, LF or a lone CR (files from old systems end lines in CR alone); the
// bytes after the last line end make a last line when there are any.
template <class Visit>
void ForEachLine(std::string_view bytes, Visit&& visit)
{
    const char* const data = bytes.data();
    const size_t n = bytes.size();
    size_t start = 0;
    while (start < n) {
        size_t end = start;
#ifdef __SSE2__
        // Sixteen bytes a step while none of them is a CR or an LF (a network's
        // lines are tens of bytes long), up to the first that is one.
        for (; end + 16 <= n; end += 16) {
            const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + end));
            const int ends = _mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(w, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(w, _mm_set1_epi8('\r'))));
            if (ends != 0) {
                end += static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(ends)));
                break;
            }
        }
#endif
        // Eight bytes a step while none of them is a CR or an LF, then byte by byte.
        constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
        for (uint64_t w; end + 8 <= n; end += 8) {
            std::memcpy(&w, data + end, 8);
            const uint64_t lf = w ^ (ones * '\n'), cr = w ^ (ones * '\r');
            if (((lf - ones) & ~lf & highs) | ((cr - ones) & ~cr & highs))
                break;
        }
        while (end < n && data[end] != '\n' && data[end] != '\r')
            ++end;
        visit(start, end);
        if (end < n && data[end] == '\r' && end + 1 < n && data[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

// The number of lines ForEachLine visits in the bytes.
size_t CountLines(std::string_view bytes);

// Byte lines of a file's contents (CR LF, LF or lone CR line ends; the ends are removed).
std::vector<std::string> SplitLines(const std::string& bytes);
// Reads a text file as byte lines (CR LF, LF or lone CR line ends; the ends are
// removed; a leading UTF-8 byte-order mark is dropped). Returns false when the
// file cannot be opened or TextFileProblem refuses it.
bool ReadLines(const std::string& path, std::vector<std::string>& lines);
// The bytes of a file DataFileProblem accepts. A file longer than maxBytes (than
// MaxUnsizedFileBytes when the system gives its size as 0) is not read: false,
// with *tooLarge set.
bool ReadFile(const std::string& path, std::string& bytes, unsigned long long maxBytes = MaxDataFileBytes,
              bool* tooLarge = nullptr);

// Writes bytes through the safe path (model/SafeFile.h): beside the target, checked,
// on disk, renamed over it; a failed write never touches the previous file. False
// on failure, with the reason (Spanish, completing "No se pudo grabar el archivo X:")
// in *why.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* why = nullptr);
// The same for a text written with CR LF line ends, which keeps the line ends of the
// file it replaces: a file that had LF line ends keeps them.
bool WriteTextFile(const std::string& path, const std::string& text, std::string* why = nullptr);
// The message for a failed write of path ("No se pudo grabar el archivo X: why.",
// and that the earlier file was kept); without `why`, the reason of this thread's
// last failed write of that path.
std::string WriteFailure(const std::string& path, const std::string& why);
std::string WriteFailure(const std::string& path);
// Steps that open other networks read the user's network again at their end:
// the refusal to give when its file (full name; empty when none is open) can no
// longer be read, empty when it can.
std::string NetworkToReopenGone(const std::string& network);
// Joins lines with CR LF (each line, the last included, ends with CR LF).
std::string JoinCrLf(const std::vector<std::string>& lines);

// The path itself when it exists; otherwise a path whose elements match it
// case-insensitively; otherwise the path unchanged.
std::string FindFileCaseInsensitive(const std::string& path);

// Replaces the extension ("red.dat", ".lpa" -> "red.lpa").
std::string ChangeFileExt(const std::string& path, const std::string& ext);

} // namespace FileUtils
