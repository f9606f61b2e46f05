// Polygon files (.plg) read for the batch and for the map, and area files.
#include "FuzzSupport.h"

#include "model/PolygonFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    std::string file = fuzz::WriteFile("poligonos.plg", std::string(reinterpret_cast<const char*>(data), size));
    std::vector<TPolygonRecord> polygons;
    PolygonFile::Read(file, polygons);
    PolygonFile::ReadAll(file, polygons);
    for (const TPolygonRecord& p : polygons)
        PolygonFile::Contains(p, 1.0, 1.0);
    PolygonFile::ReadArea(file, TPolygonRecord(), polygons);
    return 0;
}
