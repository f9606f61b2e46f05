#include "mainwindow/ProgramSettings.h"

#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <QDateTime>

#include <algorithm>

namespace ProgramSettings {

int FieldInt(const std::string& f) { return ZelUtils::ParseInt(f); }

std::vector<std::string> BuildRecentFiles(const TIniFile& ini)
{
    std::vector<std::string> entries;
    for (const std::string& section : ini.ReadSections()) {
        std::string file = ini.ReadString(section, "FileName", "null");
        std::string date = ini.ReadString(section, "Fecha", "null");
        entries.push_back(ZelUtils::Format("%s;%s;%s", date, file, section));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
        return ZelUtils::UpperCase(a) < ZelUtils::UpperCase(b);
    });
    return entries;
}

std::vector<RecentItem> RecentMenuItems(const std::vector<std::string>& recentFiles, int limit)
{
    std::vector<RecentItem> items;
    int n = 0;
    for (int i = static_cast<int>(recentFiles.size()) - 1; i >= 0; --i) {
        if (++n > limit)
            break;
        std::vector<std::string> f = ZelUtils::SplitString(recentFiles[static_cast<size_t>(i)] + ";;", ';');
        if (f[1] != "null" && !f[1].empty())
            items.push_back({i, f[1]});
    }
    return items;
}

std::string SectionForNetwork(const TIniFile& ini, const std::vector<std::string>& recentFiles,
                              const std::string& fullName)
{
    std::string key = ZelUtils::UpperCase(fullName);
    for (const std::string& entry : recentFiles) {
        std::vector<std::string> f = ZelUtils::SplitString(ZelUtils::UpperCase(entry) + ";;", ';');
        if (f[1] == key) {
            // The section name as it is spelled in the file.
            std::vector<std::string> original = ZelUtils::SplitString(entry + ";;", ';');
            return original[2];
        }
    }
    for (size_t d = 1; d <= recentFiles.size() + 1; ++d) {
        std::string name = ZelUtils::Format("File%d", static_cast<int>(d));
        if (!ini.SectionExists(name))
            return name;
    }
    return ZelUtils::Format("File%d", static_cast<int>(recentFiles.size() + 2));
}

std::string NowStamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")).toStdString();
}

} // namespace ProgramSettings
