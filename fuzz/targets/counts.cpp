// A counts file over a network with junctions (link and movement counts).
#include "FuzzSupport.h"

#include "model/PalvonListings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("lst_net.dat");
    PalvonRead::ReadCounts(fuzz::WriteFile("conteos.dat", std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
