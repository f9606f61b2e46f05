// A node or zone selection file: numbers, and the selection class after a TAB,
// marked on the network's nodes and zones as the import does.
#include "FuzzSupport.h"

#include "map/DisplayStyles.h"
#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/SelectionFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    std::vector<SelectionFiles::TNumberMark> entries;
    if (!SelectionFiles::ReadNumberMarks(
            fuzz::WriteFile("nodos.sel", std::string(reinterpret_cast<const char*>(data), size)), entries))
        return 0;
    for (const auto& e : entries) {
        // A class outside the classes becomes the first, as the import makes it.
        const int32_t mark = e.Mark < 0 || e.Mark > MaxClasses ? 1 : e.Mark;
        if (const int32_t n = KDVlib::FindNodo(e.Number))
            Nodos[n].Mark = e.HasMark ? mark : 1;
        if (const int32_t z = KDVlib::FindZona(e.Number))
            Zonas[z].Class = e.HasMark ? mark : 0;
    }
    return 0;
}
