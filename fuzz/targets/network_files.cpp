// A network with the files it names: input parts are the network, "inc1.dat",
// "inc2.dat" (lines "$ inc1.dat" include them) and "datos.knb" (FILKNB='datos.knb').
#include "FuzzSupport.h"

#include "model/PalvonRead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    std::vector<std::string> parts = fuzz::Parts(data, size, 4);
    fuzz::WriteFile("inc1.dat", parts[1]);
    fuzz::WriteFile("inc2.dat", parts[2]);
    fuzz::WriteFile("datos.knb", parts[3]);
    TTextLines lines = TTextLines::FromBytes(std::string(parts[0]));
    const std::string path = fuzz::WriteFile("red.dat", parts[0]);
    Network.ErrorList.clear();
    PalvonRead::ReadNetwork(lines, fuzz::ReadSettings(path));
    return 0;
}
