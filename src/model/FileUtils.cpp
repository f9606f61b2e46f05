#include "model/FileUtils.h"

#include "model/SafeFile.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace fs = std::filesystem;

namespace FileUtils {

std::string DataFileProblem(const std::string& path)
{
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st))
        return "no existe o no se puede abrir";
    // Each kind named: reading a folder or a pipe as a file would fail (or wait
    // for a writer) with nothing the user could act on.
    if (fs::is_directory(st))
        return "no es un archivo de datos: es una carpeta";
    if (fs::is_fifo(st))
        return "no es un archivo de datos: es una tubería (FIFO)";
    if (!fs::is_regular_file(st))
        return "no es un archivo de datos: es un dispositivo o un archivo especial";
    uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return "no se puede abrir";
    if (size > MaxDataFileBytes)
        return ZelUtils::Format("ocupa %d MB, más que los %d MB que se leen como máximo",
                                static_cast<int>(std::min<uintmax_t>(size >> 20, INT32_MAX)),
                                static_cast<int>(MaxDataFileBytes >> 20));
    return std::string();
}

namespace {

constexpr size_t SniffBytes = 64 * 1024;
const char* const BinaryProblem = "no es un archivo de texto: contiene datos binarios";

} // namespace

bool LooksBinary(std::string_view bytes)
{
    // Text never holds a NUL byte (nor does UTF-16 read as bytes pass); other control
    // characters may stray into a text, but not as one byte in ten.
    bytes = bytes.substr(0, SniffBytes);
    // Counted a block at a time without a branch on each byte, so that the bytes
    // are taken many at once (every file opened is sniffed).
    constexpr size_t Block = 4096;
    size_t control = 0;
    for (size_t at = 0; at < bytes.size(); at += Block) {
        const std::string_view block = bytes.substr(at, Block);
        unsigned nul = 0;
        size_t stray = 0;
        for (const char ch : block) {
            const auto c = static_cast<unsigned char>(ch);
            nul |= static_cast<unsigned>(c == 0);
            stray += static_cast<size_t>(c < 0x20 && c != 0 && c != '\t' && c != '\n' && c != '\r' && c != '\f' &&
                                         c != 0x1a);
        }
        if (nul)
            return true;
        control += stray;
    }
    return control * 10 > bytes.size();
}

std::string TextFileProblem(const std::string& path)
{
    std::string why = DataFileProblem(path);
    if (!why.empty())
        return why;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return "no se puede abrir";
    std::string head(SniffBytes, '\0');
    f.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(f.gcount()));
    return LooksBinary(head) ? BinaryProblem : std::string();
}

std::string ReadFailure(const std::string& path)
{
    const std::string why = TextFileProblem(path);
    return ZelUtils::Format("No se puede leer el archivo %s:\r%s.", fs::path(path).filename().string(),
                            why.empty() ? std::string("no se puede abrir") : why);
}

bool ReadFile(const std::string& path, std::string& bytes, unsigned long long maxBytes, bool* tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    // A device or a huge file would be read until memory runs out.
    if (!DataFileProblem(path).empty())
        return false;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    // Read straight into a string of the file's size: no stream buffer copy.
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    // A file that says it is empty may be one the system makes up as it is read
    // (/proc/self/pagemap has no end): such a file is read only so far.
    if (!ec && size == 0)
        maxBytes = std::min(maxBytes, MaxUnsizedFileBytes);
    bytes.clear();
    bytes.resize(ec ? 0 : static_cast<size_t>(std::min<uintmax_t>(size, maxBytes)));
    f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(f.gcount()));
    // A file that grew while being read: take the rest too, up to the limit.
    char buf[65536];
    while (bytes.size() <= maxBytes && (f.read(buf, sizeof buf) || f.gcount() > 0))
        bytes.append(buf, static_cast<size_t>(f.gcount()));
    if (bytes.size() > maxBytes) {
        bytes.clear();
        bytes.shrink_to_fit();
        if (tooLarge)
            *tooLarge = true;
        return false;
    }
    return true;
}

size_t CountLines(std::string_view bytes)
{
    // Every CR ends a line, and every LF that does not follow a CR; the bytes after
    // the last end make one more. Counted sixteen bytes at a time, without a step
    // per line (a network's text has tens of thousands): each byte of a counter
    // vector counts the ends in its place, added up before any can overflow.
    const char* const data = bytes.data();
    const size_t n = bytes.size();
    if (n == 0)
        return 0;
    size_t ends = 0;
    size_t i = 0;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    __m128i crBefore = zero; // the CR marks of the sixteen bytes before
    while (i + 16 <= n) {
        __m128i counts = zero;
        for (int blocks = 0; blocks < 255 && i + 16 <= n; ++blocks, i += 16) {
            const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            const __m128i isCr = _mm_cmpeq_epi8(w, cr);
            // The CR marks one byte on: whether the byte before each is a CR.
            const __m128i before = _mm_or_si128(_mm_slli_si128(isCr, 1), _mm_srli_si128(crBefore, 15));
            const __m128i loneLf = _mm_andnot_si128(before, _mm_cmpeq_epi8(w, lf));
            counts = _mm_sub_epi8(counts, _mm_or_si128(isCr, loneLf)); // a mark is -1
            crBefore = isCr;
        }
        const __m128i sums = _mm_sad_epu8(counts, zero);
        ends += static_cast<size_t>(_mm_cvtsi128_si32(sums)) + static_cast<size_t>(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; i < n; ++i) {
        const char c = data[i];
        ends += c == '\r' || (c == '\n' && (i == 0 || data[i - 1] != '\r'));
    }
    const char last = data[n - 1];
    return ends + (last != '\r' && last != '\n');
}

std::vector<std::string> SplitLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    lines.reserve(CountLines(bytes));
    ForEachLine(bytes, [&](size_t start, size_t end) { lines.emplace_back(bytes, start, end - start); });
    return lines;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    std::string bytes;
    if (!ReadFile(path, bytes) || LooksBinary(bytes))
        return false;
    // A byte-order mark (editors and spreadsheets put one before UTF-8 text) is
    // no part of the first line: its first field would not read.
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.erase(0, 3);
    lines = SplitLines(bytes);
    return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* why)
{
    return SafeFile::Write(path, bytes, why);
}

namespace {
// True when the file's first line ends with LF alone.
bool HasLfLineEnds(const std::string& path)
{
    SafeFile::TTarget target;
    SafeFile::Prepare(path, target);
    std::ifstream f(target.real, std::ios::binary);
    char buf[65536];
    f.read(buf, sizeof buf);
    const std::string_view head(buf, static_cast<size_t>(f.gcount()));
    const size_t lf = head.find('\n');
    return lf != std::string_view::npos && (lf == 0 || head[lf - 1] != '\r');
}
} // namespace

bool WriteTextFile(const std::string& path, const std::string& text, std::string* why)
{
    if (!HasLfLineEnds(path))
        return SafeFile::Write(path, text, why);
    std::string lf;
    lf.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lf += text[i];
    return SafeFile::Write(path, lf, why);
}

std::string WriteFailure(const std::string& path, const std::string& why) { return SafeFile::FailureMessage(path, why); }
std::string WriteFailure(const std::string& path) { return SafeFile::FailureMessage(path); }

std::string NetworkToReopenGone(const std::string& network)
{
    std::error_code ec;
    if (network.empty() || (std::filesystem::is_regular_file(network, ec) && std::ifstream(network, std::ios::binary)))
        return {};
    return ZelUtils::Format("Archivo %s no existe o no se puede leer: la red abierta no podría abrirse de nuevo al "
                            "terminar.\rNo se hizo nada.",
                            network);
}

std::string JoinCrLf(const std::vector<std::string>& lines)
{
    std::string out;
    size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::string FindFileCaseInsensitive(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec))
        return path;
    fs::path p(path);
    fs::path current = p.is_absolute() ? p.root_path() : fs::path(".");
    for (const auto& element : p.relative_path()) {
        fs::path exact = current / element;
        if (fs::exists(exact, ec)) {
            current = exact;
            continue;
        }
        bool found = false;
        for (const auto& entry : fs::directory_iterator(current, ec)) {
            if (ZelUtils::SameText(entry.path().filename().string(), element.string())) {
                current = entry.path();
                found = true;
                break;
            }
        }
        if (!found)
            return path;
    }
    if (!p.is_absolute()) {
        std::string s = current.string();
        if (s.rfind("./", 0) == 0)
            s = s.substr(2);
        return s;
    }
    return current.string();
}

std::string ChangeFileExt(const std::string& path, const std::string& ext)
{
    fs::path p(path);
    p.replace_extension(ext);
    return p.string();
}

} // namespace FileUtils
