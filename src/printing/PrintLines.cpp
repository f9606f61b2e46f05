#include "printing/PrintLines.h"

#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"
#include "printing/Net2Print.h"

#include <algorithm>
#include <filesystem>

namespace PrintLines {

std::vector<TLineSheet> ReadLineSheets(const std::string& fileName, std::string* refused)
{
    std::vector<TLineSheet> sheets;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fileName, ec))
        return sheets;
    const std::filesystem::path file = std::filesystem::absolute(fileName, ec);
    const std::filesystem::path folder = file.parent_path();
    TIniFile ini(file.string());
    for (const std::string& section : ini.ReadSections()) {
        TLineSheet sheet;
        const std::string titulo = ini.ReadString(section, "Titulo", "null");
        if (titulo != "null") {
            sheet.Titles = ZelUtils::SplitString(titulo, ';');
            if (!sheet.Titles.empty() && sheet.Titles.back().empty())
                sheet.Titles.pop_back();
        }
        // A sheet's name is relative to the definition's folder, and never leaves it.
        const std::filesystem::path lamina(FileUtils::ChangeFileExt(ini.ReadString(section, "Lamina", "null"), ".emf"));
        sheet.MetafileName = (lamina.is_relative() ? folder / lamina : lamina).lexically_normal().string();
        if (!Net2PrintFile::InsideFolder(sheet.MetafileName, folder.string())) {
            if (refused)
                *refused = ZelUtils::Format("La hoja %s queda fuera de la carpeta de %s: no se imprimi\xC3\xB3 "
                                            "ninguna hoja.",
                                            sheet.MetafileName, file.string());
            return {};
        }
        // A section without lines shows none (never the lines of the sheet before).
        const std::string lineas = ini.ReadString(section, "Lineas", "null");
        if (lineas != "null")
            for (const std::string& name : ZelUtils::SplitString(lineas, ','))
                sheet.Lines.push_back(ZelUtils::Trim(name));
        sheets.push_back(std::move(sheet));
    }
    return sheets;
}

namespace {

// Colour of each line (index) on the sheet being printed; empty outside a series.
std::vector<int64_t> sheetColours;

} // namespace

int ShowSheetLines(const TLineSheet& sheet, std::vector<std::string>* unmatched)
{
    const int32_t count = std::min(Network.LineCount, MaxLineas);
    for (int32_t i = 1; i <= count; ++i)
        Lineas[i].Visible = 0;
    sheetColours.assign(size_t(std::max(count, 0)) + 1, -1);
    int matched = 0;
    for (size_t m = 0; m < sheet.Lines.size(); ++m) {
        const std::string& name = sheet.Lines[m];
        const int32_t k = KDVlib::FindLinea(name);
        if (k >= 1 && k <= count) {
            Lineas[k].Visible = 1;
            sheetColours[size_t(k)] = m == 0 ? 0x4080FF : m == 1 ? 0x008000 : 0x000000;
            ++matched;
        } else if (unmatched && !name.empty()) {
            unmatched->push_back(name);
        }
    }
    return matched;
}

bool SheetColour(int32_t line, uint32_t& colour)
{
    if (line < 1 || size_t(line) >= sheetColours.size() || sheetColours[size_t(line)] < 0)
        return false;
    colour = uint32_t(sheetColours[size_t(line)]);
    return true;
}

void EndSheets() { sheetColours.clear(); }

} // namespace PrintLines
