// A settings file: every section, key and value, and the range sets stored in it.
#include "FuzzSupport.h"

#include "map/Ranges.h"
#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    TIniFile ini(fuzz::WriteFile("ajustes.ini", std::string(reinterpret_cast<const char*>(data), size)));
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            ini.ReadInteger(section, key, 0);
            ini.ReadFloat(section, key, 0);
            ini.ReadBool(section, key, false);
        }
        ini.ReadSectionValues(section);
        Ranges::ReadRangeSets(ini, section);
        for (const std::string& text : UserView().RangeNames)
            KDVlib::ParseRanges(UserView(), text);
        for (const std::string& key : UserView().RangeSetKeys)
            Ranges::ApplySavedRangeSet(UserView(), key.size() > 7 ? key.substr(7) : key);
    }
    return 0;
}
