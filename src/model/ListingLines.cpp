#include "model/ListingLines.h"

#include "model/FileUtils.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <filesystem>

namespace PalvonRead::Listing {

int32_t IntField(const std::string& line, int first, int width)
{
    return ZelUtils::Round(ZelUtils::ParseReal(ZelUtils::Copy(line, first, width)));
}

float RealField(const std::string& line, int first, int width)
{
    return static_cast<float>(ZelUtils::ParseReal(ZelUtils::Copy(line, first, width)));
}

bool Unreadable(const std::string& line, int first, int width)
{
    const std::string text = ZelUtils::Trim(ZelUtils::Copy(line, first, width));
    // The number reader gives 0 for what it cannot read: a 0 read from text that
    // holds more than the digits and marks of a zero was no number.
    return !text.empty() && ZelUtils::ParseReal(text) == 0.0 &&
           text.find_first_not_of("0.-+Ee") != std::string::npos;
}

void TUnreadableLines::Check(const std::string& line, size_t index,
                             std::initializer_list<std::pair<int, int>> fields)
{
    for (const auto& [first, width] : fields)
        if (Unreadable(line, first, width)) {
            if (count_++ == 0)
                first_ = index;
            return;
        }
}

void TUnreadableLines::Tell(const std::string& fileName) const
{
    if (count_ == 0)
        return;
    const std::string name = std::filesystem::path(fileName).filename().string();
    const int at = static_cast<int>(first_ + 1);
    Services().ShowMessage(
        count_ == 1 ? ZelUtils::Format("El archivo %s tiene en su línea %d valores que no son números:\r"
                                       "se leyeron como 0.",
                                       name, at)
                    : ZelUtils::Format("El archivo %s tiene %d líneas con valores que no son números "
                                       "(la primera es la línea %d):\resos valores se leyeron como 0.",
                                       name, count_, at));
}

bool OpenLines(const std::string& fileName, std::vector<std::string>& lines)
{
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(FileUtils::ReadFailure(fileName));
        return false;
    }
    ViewerServices& ui = Services();
    ui.SetProgressVisible(true);
    ui.SetProgressRange(0, static_cast<int>(lines.size()) - 1);
    return true;
}

} // namespace PalvonRead::Listing
