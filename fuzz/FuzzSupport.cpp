#include "FuzzSupport.h"

#include "model/FileUtils.h"
#include "model/PalvonRead.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string_view>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fuzz {

namespace {

std::string& DirPath()
{
    static std::string dir;
    return dir;
}

void RemoveDir()
{
    std::error_code ec;
    if (!DirPath().empty())
        fs::remove_all(DirPath(), ec);
}

} // namespace

void Init()
{
    if (!DirPath().empty())
        return;
    fs::path base = fs::temp_directory_path() / ("velmora_fuzz_" + std::to_string(::getpid()));
    fs::create_directories(base);
    DirPath() = base.string();
    std::atexit(RemoveDir);
    // Settings files the readers might touch stay out of the user's folder.
    ::setenv("VELMORA_CONFIG_DIR", DirPath().c_str(), 1);
}

PalvonRead::TReadSettings ReadSettings(const std::string& networkDatFile)
{
    PalvonRead::TReadSettings settings;
    settings.NetworkDatFile = networkDatFile;
    settings.ErrorListFile = Dir() + "/Errores.txt";
    return settings;
}

const std::string& Dir()
{
    Init();
    return DirPath();
}

std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::string path = (fs::path(Dir()) / name).string();
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<std::string> Parts(const uint8_t* data, size_t size, size_t count)
{
    const std::string all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    std::string current;
    size_t p = 0;
    while (p < all.size()) {
        size_t end = all.find('\n', p);
        size_t lineEnd = end == std::string::npos ? all.size() : end;
        size_t next = end == std::string::npos ? all.size() : end + 1;
        std::string_view line(all.data() + p, lineEnd - p);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line == "%%%%" && parts.size() + 1 < count) {
            parts.push_back(current);
            current.clear();
        } else {
            current.append(all, p, next - p);
        }
        p = next;
    }
    parts.push_back(current);
    parts.resize(count);
    return parts;
}

void LoadBaseNetwork(const char* name)
{
    static std::map<std::string, std::vector<std::string>> cache;
    std::string path = std::string(VELMORA_FUZZ_BASE) + "/" + name;
    auto it = cache.find(path);
    if (it == cache.end()) {
        std::vector<std::string> lines;
        if (!FileUtils::ReadLines(path, lines))
            std::abort(); // the base networks are part of the tree
        it = cache.emplace(path, std::move(lines)).first;
    }
    std::vector<std::string> lines = it->second;
    PalvonRead::ReadNetwork(lines, ReadSettings(path));
}

} // namespace fuzz
