#include "model/ListingLines.h"

#include "model/FileUtils.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

namespace PalvonRead::Listing {

int32_t IntField(const std::string& line, int first, int width)
{
    return ZelUtils::Round(ZelUtils::ParseReal(ZelUtils::Copy(line, first, width)));
}

float RealField(const std::string& line, int first, int width)
{
    return static_cast<float>(ZelUtils::ParseReal(ZelUtils::Copy(line, first, width)));
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
