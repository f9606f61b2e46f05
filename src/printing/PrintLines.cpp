#include "printing/PrintLines.h"

#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"

#include <filesystem>

namespace PrintLines {

std::vector<TLineSheet> ReadLineSheets(const std::string& fileName)
{
    std::vector<TLineSheet> sheets;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fileName, ec))
        return sheets;
    TIniFile ini(std::filesystem::absolute(fileName, ec).string());
    for (const std::string& section : ini.ReadSections()) {
        TLineSheet sheet;
        const std::string titulo = ini.ReadString(section, "Titulo", "null");
        if (titulo != "null") {
            sheet.Titles = ZelUtils::SplitString(titulo, ';');
            if (!sheet.Titles.empty() && sheet.Titles.back().empty())
                sheet.Titles.pop_back();
        }
        sheet.MetafileName = FileUtils::ChangeFileExt(ini.ReadString(section, "Lamina", "null"), ".emf");
        // A section without lines shows none (never the lines of the sheet before).
        const std::string lineas = ini.ReadString(section, "Lineas", "null");
        if (lineas != "null")
            for (const std::string& name : ZelUtils::SplitString(lineas, ','))
                sheet.Lines.push_back(ZelUtils::Trim(name));
        sheets.push_back(std::move(sheet));
    }
    return sheets;
}

int ShowSheetLines(const TLineSheet& sheet)
{
    for (int32_t i = 1; i <= Network.LineCount; ++i)
        Lineas[i].Visible = 0;
    int matched = 0;
    for (const std::string& name : sheet.Lines) {
        const int32_t k = KDVlib::FindLinea(name);
        if (k >= 1 && k <= Network.LineCount) {
            Lineas[k].Visible = 1;
            ++matched;
        }
    }
    return matched;
}

} // namespace PrintLines
