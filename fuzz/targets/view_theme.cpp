// A themes file: the view configuration of every section (and of a section the
// file lacks, all defaults).
#include "FuzzSupport.h"

#include "map/ViewConfig.h"
#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    TIniFile ini(fuzz::WriteFile("Velmorat.INI", std::string(reinterpret_cast<const char*>(data), size)));
    std::vector<std::string> sections = ini.ReadSections();
    sections.push_back("_Tema_Velmora");
    for (const std::string& section : sections) {
        TViewConfig config;
        ViewConfig::Read(ini, section, config);
    }
    return 0;
}
