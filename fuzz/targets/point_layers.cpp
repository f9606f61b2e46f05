// The layer of numbered points.
#include "FuzzSupport.h"

#include "map/PointLayers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    PointLayers::LoadPointFile(fuzz::WriteFile("puntos.geo", std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
