// A zoning shapefile: its three parts (.shp, .shx, .dbf) are the three input parts.
#include "FuzzSupport.h"

#include "model/KDVvars.h"
#include "model/ZoningLoaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    std::vector<std::string> parts = fuzz::Parts(data, size, 3);
    ZoningFileName = fuzz::WriteFile("zonas.shp", parts[0]);
    fuzz::WriteFile("zonas.shx", parts[1]);
    fuzz::WriteFile("zonas.dbf", parts[2]);
    KDVlib::LoadZonificacion(false);
    return 0;
}
