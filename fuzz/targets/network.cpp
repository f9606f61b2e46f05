// The network file alone, read as the program reads it.
#include "FuzzSupport.h"

#include "model/PalvonRead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    TTextLines lines = TTextLines::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
    PalvonRead::NetworkDatFile = fuzz::Dir() + "/red.dat";
    Network.ErrorList.clear();
    PalvonRead::ReadNetwork(lines);
    return 0;
}
