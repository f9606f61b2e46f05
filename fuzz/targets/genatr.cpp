// Generation/attraction rows (first part) with the zones' outlines beside them
// (second part, the .geo file of the same name).
#include "FuzzSupport.h"

#include "model/Genatr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    std::vector<std::string> parts = fuzz::Parts(data, size, 2);
    std::string file = fuzz::WriteFile("genatr.csv", parts[0]);
    fuzz::WriteFile("genatr.geo", parts[1]);
    KDVlib::LoadGenatr(file);
    return 0;
}
