#include "map/FolderFiles.h"

#include "model/ZelUtils.h"
#include "platform/IniFile.h"

namespace FolderFiles {

void ApplyLayerStyle(TItems& item, const std::string& value)
{
    std::vector<std::string> f = ZelUtils::SplitString(value + ";;", ';');
    item.Color = static_cast<uint32_t>(ZelUtils::ParseInt(f[0]));
    item.Width = ZelUtils::ParseInt(f[1]);
    int style = ZelUtils::ParseInt(f[2]);
    item.PenStyle = static_cast<uint8_t>(style >= 1 && style <= 5 ? style : 0);
}

TFolderFiles Read(const std::string& iniPath)
{
    TFolderFiles files;
    TIniFile ini(iniPath);
    files.Zoning = ini.ReadString("File Names", "Zonificacion", "null");
    if (files.Zoning == "null")
        files.Zoning.clear();
    for (int k = 1; k <= 20; ++k) {
        std::string name = ini.ReadString("File Names", ZelUtils::Format("Solera%d", k), "null");
        if (name == "null")
            break;
        files.Layers.push_back(name);
        if (k <= 10) {
            TItems style;
            ApplyLayerStyle(style, ini.ReadString(ZelUtils::Format("Solera%d", k), "Linea", "255;0;0"));
            files.Styles.push_back(style);
        }
    }
    return files;
}

} // namespace FolderFiles
