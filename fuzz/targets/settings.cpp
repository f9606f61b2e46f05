// The program settings file: the options of its [Velmora] keys, the recent
// networks and the view kept for each of them.
#include "FuzzSupport.h"

#include "map/ProgramSettings.h"
#include "map/ViewConfig.h"
#include "model/ProgramOptions.h"
#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    TIniFile ini(fuzz::WriteFile("Velmora0.INI", std::string(reinterpret_cast<const char*>(data), size)));
    TProgramOptions options;
    ProgramSettings::ReadOptions(ini, options);
    const std::vector<std::string> recent = ProgramSettings::BuildRecentFiles(ini);
    ProgramSettings::RecentMenuItems(recent, 20);
    ProgramSettings::SectionForNetwork(ini, recent, fuzz::Dir() + "/red.dat");
    for (const std::string& section : ini.ReadSections()) {
        TViewConfig config;
        ViewConfig::Read(ini, section, config);
    }
    return 0;
}
