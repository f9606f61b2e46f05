// The inspection listing over the network it was written for.
#include "FuzzSupport.h"

#include "model/PalvonListings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("lst_net.dat");
    PalvonRead::ReadLpl(fuzz::WriteFile("red.lpl", std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
