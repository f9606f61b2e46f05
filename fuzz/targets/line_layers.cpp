// A background line layer (.geo, first part) with its names (.name, second part).
#include "FuzzSupport.h"

#include "map/LineLayers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    std::vector<std::string> parts = fuzz::Parts(data, size, 2);
    std::string file = fuzz::WriteFile("soleras.geo", parts[0]);
    fuzz::WriteFile("soleras.name", parts[1]);
    LineLayers::LoadLineLayer(file, false);
    LineLayers::LoadLineLayer(file, true);
    LineLayers::SelectionCaption();
    return 0;
}
