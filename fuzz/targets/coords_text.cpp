// A coordinates text for a network read without positions.
#include "FuzzSupport.h"

#include "model/CoordinatesFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls_nocoords.dat");
    std::string file = fuzz::WriteFile("coordenadas.txt", std::string(reinterpret_cast<const char*>(data), size));
    KDVlib::LoadCoordinatesFile(file, KDVlib::CoordinatesText);
    return 0;
}
