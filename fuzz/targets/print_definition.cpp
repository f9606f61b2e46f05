// A print definition read for the batch printing.
#include "FuzzSupport.h"

#include "printing/Net2Print.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    const auto definition = std::make_unique<TPrintDefinition>();
    TPrintSettings pages;
    ReadWriteNet2Print(fuzz::WriteFile("impresion.ini", std::string(reinterpret_cast<const char*>(data), size)),
                       *definition, pages);
    return 0;
}
