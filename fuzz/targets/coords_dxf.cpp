// The TEXT entities of a DXF drawing as node and zone positions.
#include "FuzzSupport.h"

#include "model/CoordinatesFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls_nocoords.dat");
    std::string file = fuzz::WriteFile("coordenadas.dxf", std::string(reinterpret_cast<const char*>(data), size));
    KDVlib::LoadCoordinatesFile(file, KDVlib::CoordinatesDxf);
    return 0;
}
