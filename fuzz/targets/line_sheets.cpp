// A settings file of transit-line map sheets: each section a sheet with its file,
// titles and lines, each sheet's lines shown in turn.
#include "FuzzSupport.h"

#include "printing/PrintLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    const std::vector<TLineSheet> sheets = PrintLines::ReadLineSheets(
        fuzz::WriteFile("laminas.ini", std::string(reinterpret_cast<const char*>(data), size)));
    for (const TLineSheet& sheet : sheets)
        PrintLines::ShowSheetLines(sheet);
    return 0;
}
