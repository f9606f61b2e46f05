// A selection file imported into a network.
#include "FuzzSupport.h"

#include "model/SelectionFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    int32_t applied = 0;
    SelectionFiles::ImportSelection(
        fuzz::WriteFile("arcos.sel", std::string(reinterpret_cast<const char*>(data), size)), &applied);
    return 0;
}
