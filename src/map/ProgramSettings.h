#pragma once
// The program settings file "Velmora0.INI": the value lists of the [Velmora]
// keys and the recent-network sections [File%d].
#include "map/ViewConfig.h"

#include <string>
#include <vector>

class TIniFile;
struct TProgramOptions;

namespace ProgramSettings {

constexpr const char* FileName = "Velmora0.INI";
constexpr const char* Section = "Velmora";
constexpr const char* GeneralDefault = "1;0;1;1;1;20;0;0";
constexpr const char* PreferenciasDefault = "0;0;0;0;0;0;1;0;0;1;1;1;1;1;1;1";
constexpr const char* ColoresDefault = "0;8388608;32768;16711680;0;8421504;12632256;255;1;32768;1;13887443;0;32768;1;13887443;0";
constexpr const char* AmpliacionDefault = "12320767;100;0;1;0;1;1;0;0;0";

// The same value lists as a view's: one splitting and one field count rule.
using ViewConfig::ReadFields;
using ViewConfig::SplitValue;
// A boolean field is true only when it is exactly "1".
inline bool FieldBool(const std::string& f) { return f == "1"; }
int FieldInt(const std::string& f);

// One entry per section of the file: "Fecha;FileName;Section" (missing keys
// read "null"), in case-insensitive text order (dated entries oldest first).
std::vector<std::string> BuildRecentFiles(const TIniFile& ini);

// The three fields of such an entry. The date and the section name hold no ";",
// a folder's name may: the file name is all that lies between the first and the
// last separator.
struct RecentEntry {
    std::string date, fileName, section;
};
RecentEntry SplitRecentEntry(const std::string& entry);

struct RecentItem {
    int index;            // index in the recent list (the menu item's Tag)
    std::string fileName; // caption
};
// The menu items: newest first, at most `limit` entries counted (those whose
// file name is "null" count but get no item).
std::vector<RecentItem> RecentMenuItems(const std::vector<std::string>& recentFiles, int limit);

// The section that stores a network at close: the one already naming it (any
// letter case), else the first free "File%d".
std::string SectionForNetwork(const TIniFile& ini, const std::vector<std::string>& recentFiles,
                              const std::string& fullName);

// The options of the [Velmora] keys into o (fields out of range brought into the
// dialog's ranges); a new selection width becomes every class's width.
void ReadOptions(const TIniFile& ini, TProgramOptions& o);

// Local date and time as the file stores it ("YYYY/mm/dd hh:nn:ss").
std::string NowStamp();

} // namespace ProgramSettings
