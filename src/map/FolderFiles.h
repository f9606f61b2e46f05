#pragma once
// The files a network's folder names in its "Velmora.ini" ([File Names]): the
// zoning ("Zonificacion") and the background line layers ("Solera1" .. "Solera20",
// numbered without gaps), with the style of each of the first ten ([SoleraK]
// "Linea"). Read here, without the window, so that any such file can be tried.
#include "map/DisplayStyles.h"

#include <string>
#include <vector>

namespace FolderFiles {

struct TFolderFiles {
    std::string Zoning;              // empty when none is named
    std::vector<std::string> Layers; // in order, the first replaces the loaded layers
    std::vector<TItems> Styles;      // one per layer of the first ten
};

TFolderFiles Read(const std::string& iniPath);

// "255;0;0" style of a background line layer: colour;width;style (style 1..5, else 0).
void ApplyLayerStyle(TItems& item, const std::string& value);

} // namespace FolderFiles
