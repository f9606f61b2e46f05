// A shape-point file (.sig) over a network.
#include "FuzzSupport.h"

#include "model/LinkShapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    KDVlib::ReadSigFile(fuzz::WriteFile("red.sig", std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
