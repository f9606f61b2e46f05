// The assignment listing over the network it was written for, PIJA tables included.
#include "FuzzSupport.h"

#include "model/PalvonListings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("lst_net.dat");
    std::string file = fuzz::WriteFile("red.lpa", std::string(reinterpret_cast<const char*>(data), size));
    PalvonRead::TLpaOptions options;
    options.ReadPijas = size % 2 == 0;
    options.ComposeMovements = size % 3 != 0;
    PalvonRead::ReadLpa(file, options);
    return 0;
}
