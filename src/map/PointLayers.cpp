// The free points layer.
#include "map/PointLayers.h"

#include "map/LineLayers.h"
#include "map/Polygons.h"
#include "model/FileUtils.h"
#include "model/LinkShapes.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <filesystem>
#include <vector>

using ZelUtils::Format;

std::array<TDot, MaxDots + 1> Dots;
int32_t NumDots = -1;

namespace PointLayers {

bool LoadPointFile(const std::string& fileName)
{
    const std::string geoFile = FileUtils::FindFileCaseInsensitive(FileUtils::ChangeFileExt(fileName, ".geo"));
    const std::string shortName = std::filesystem::path(geoFile).filename().string();
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(geoFile, lines)) {
        Services().ShowMessage(Format("No se puede abrir el archivo %s", shortName));
        return false;
    }
    const char sep = lines.empty() ? 0 : LineLayers::ChooseSeparator(lines.front());
    if (sep == 0 || ZelUtils::SplitString(lines.front(), sep).size() != 3) {
        Services().ShowMessage(Format("Archivo %s con formato no reconocido\rProceso abortado", shortName));
        return false;
    }

    ViewerServices& ui = Services();
    ui.SetStatusText(0, shortName);
    ui.SetProgressRange(0, static_cast<int>(lines.size()));
    ui.SetProgressVisible(true);
    // The points are read aside first: a file that gives none leaves the points
    // shown before as they were.
    std::vector<TDot> read;
    int skipped = 0;
    int beyond = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        ui.SetProgressPosition(static_cast<int>(i));
        if (ZelUtils::Trim(lines[i]).empty())
            continue;
        const std::vector<std::string> f = ZelUtils::SplitString(lines[i], sep);
        if (f.size() < 3 || !LineLayers::IsNumeric(f[0]) || !LineLayers::IsNumeric(f[1])
            || !LineLayers::IsNumeric(f[2])) {
            ++skipped;
            continue;
        }
        if (read.size() > static_cast<size_t>(MaxDots)) {
            ++beyond;
            continue;
        }
        TDot& dot = read.emplace_back();
        dot.Value = ZelUtils::Round(KDVlib::ParseCoordinate(f[0]));
        // Negative numbers take their colour as the positive ones do.
        dot.Color = ZoneColors[static_cast<size_t>((dot.Value % 20 + 20) % 20 + 1)];
        dot.Pos = {KDVlib::ParseCoordinate(f[1]), KDVlib::ParseCoordinate(f[2])};
    }
    ui.SetProgressVisible(false);
    if (read.empty()) {
        ui.ShowMessage(Format("Archivo %s:\rninguna línea da número, x e y; no se ha leído.", shortName));
        return false;
    }
    std::copy(read.begin(), read.end(), Dots.begin());
    NumDots = static_cast<int32_t>(read.size()) - 1;
    if (skipped > 0)
        ui.ShowMessage(Format("Archivo %s:\r%d líneas no se cargaron (cada línea da número, x e y)", shortName,
                              skipped));
    if (beyond > 0)
        ui.ShowMessage(Format("Archivo %s:\rla capa de puntos admite %d puntos; %d no se cargaron", shortName,
                              MaxDots + 1, beyond));
    return true;
}

} // namespace PointLayers
