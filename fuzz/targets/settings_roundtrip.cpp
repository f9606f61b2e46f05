// A settings file read, every value it gives written into a new settings file
// key by key as the program writes settings, and that file read again: the same
// sections, keys and values come back.
#include "FuzzSupport.h"

#include "platform/IniFile.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Entries = std::vector<std::tuple<std::string, std::string, std::string>>;

// At most this many values: each write rereads the whole file's lines.
constexpr size_t MaxValues = 400;

Entries Values(const TIniFile& ini)
{
    Entries out;
    for (const std::string& section : ini.ReadSections())
        for (const std::string& key : ini.ReadSection(section))
            if (out.size() < MaxValues)
                out.emplace_back(section, key, ini.ReadString(section, key, ""));
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    const TIniFile ini(fuzz::WriteFile("Velmora0.INI", std::string(reinterpret_cast<const char*>(data), size)));
    const Entries read = Values(ini);
    const std::string copy = fuzz::Dir() + "/copia.ini";
    std::error_code ec;
    std::filesystem::remove(copy, ec);
    Entries written;
    {
        TIniFile out(copy);
        out.HoldWrites();
        for (const auto& [section, key, value] : read) {
            try {
                out.WriteString(section, key, value);
                written.emplace_back(section, key, value);
            } catch (const EIniFileException&) {
                // A name the file cannot hold (a blank section name): refused, not written.
            }
        }
        out.UpdateFile();
    }
    const TIniFile again(copy);
    if (Values(again) != written)
        std::abort();
    return 0;
}
