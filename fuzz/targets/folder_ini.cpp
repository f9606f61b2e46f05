// The "Velmora.ini" of a network's folder (first part) and the zoning (second
// part, "zonas.geo") and line layer (third part, "capa.geo") it may name: the
// files it names are loaded as an opening loads them, whatever they are.
#include "FuzzSupport.h"

#include "map/FolderFiles.h"
#include "map/LineLayers.h"
#include "model/KDVvars.h"
#include "model/ZoningLoaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    std::vector<std::string> parts = fuzz::Parts(data, size, 3);
    const std::string ini = fuzz::WriteFile("Velmora.ini", parts[0]);
    fuzz::WriteFile("zonas.geo", parts[1]);
    fuzz::WriteFile("capa.geo", parts[2]);
    const FolderFiles::TFolderFiles files = FolderFiles::Read(ini);
    // Names are taken in the network's folder, as the opening takes them.
    auto inFolder = [](const std::string& name) {
        return !name.empty() && name[0] == '/' ? name : fuzz::Dir() + "/" + name;
    };
    if (!files.Zoning.empty()) {
        ZoningFileName = inFolder(files.Zoning);
        KDVlib::LoadZonificacion(false);
    }
    for (size_t k = 0; k < files.Layers.size() && k < 3; ++k)
        LineLayers::LoadLineLayer(inFolder(files.Layers[k]), k > 0);
    return 0;
}
