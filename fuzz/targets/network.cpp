// The network file alone, read as the program reads it.
#include "FuzzSupport.h"

#include "model/PalvonRead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    TTextLines lines = TTextLines::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
    Network.ErrorList.clear();
    PalvonRead::ReadNetwork(lines, fuzz::ReadSettings(fuzz::Dir() + "/red.dat"));
    return 0;
}
