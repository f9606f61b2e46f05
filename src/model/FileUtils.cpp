#include "model/FileUtils.h"

#include "model/ZelUtils.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
    size_t control = 0;
    for (unsigned char c : bytes) {
        if (c == 0)
            return true;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1a)
            ++control;
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

bool ReadFile(const std::string& path, std::string& bytes)
{
    // A device or a huge file would be read until memory runs out.
    if (!DataFileProblem(path).empty())
        return false;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    // Read straight into a string of the file's size: no stream buffer copy.
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    bytes.clear();
    bytes.resize(ec ? 0 : static_cast<size_t>(size));
    f.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(f.gcount()));
    // A file that grew while being read: take the rest too.
    char buf[65536];
    while (f.read(buf, sizeof buf) || f.gcount() > 0)
        bytes.append(buf, static_cast<size_t>(f.gcount()));
    return true;
}

std::vector<std::string> SplitLines(const std::string& bytes)
{
    size_t count = 0;
    ForEachLine(bytes, [&](size_t, size_t) { ++count; });
    std::vector<std::string> lines;
    lines.reserve(count);
    ForEachLine(bytes, [&](size_t start, size_t end) { lines.emplace_back(bytes, start, end - start); });
    return lines;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    std::string bytes;
    if (!ReadFile(path, bytes) || LooksBinary(bytes))
        return false;
    lines = SplitLines(bytes);
    return true;
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes)
{
    fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmpl = (dir / ("." + target.filename().string() + ".tmpXXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0)
        return false;
    const char* p = bytes.data();
    size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    std::error_code ec;
    if (ok) {
        // Keep the permissions of the file we replace (mkstemp makes 0600).
        auto perms = fs::exists(target, ec) ? fs::status(target, ec).permissions()
                                             : (fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                                fs::perms::others_read);
        fs::permissions(name.data(), perms, ec);
        fs::rename(name.data(), target, ec);
        ok = !ec;
    }
    if (!ok)
        fs::remove(name.data(), ec);
    return ok;
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
