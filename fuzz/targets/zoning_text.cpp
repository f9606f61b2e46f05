// A zoning text file: boundary arcs chained into zone outlines.
#include "FuzzSupport.h"

#include "model/KDVvars.h"
#include "model/ZoningLoaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    ZoningFileName = fuzz::WriteFile("zonas.geo", std::string(reinterpret_cast<const char*>(data), size));
    KDVlib::LoadZonificacion(false);
    return 0;
}
