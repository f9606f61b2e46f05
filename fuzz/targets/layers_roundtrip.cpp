// A background line layer read, written back as the program writes it and read
// again: the same polylines (ids, pieces, every coordinate exactly) come back.
#include "FuzzSupport.h"

#include "export/GeoWriters.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"

#include <cstdlib>
#include <vector>

namespace {

struct Piece {
    int32_t id;
    std::vector<TPoint> points;
};

std::vector<Piece> Pieces()
{
    std::vector<Piece> pieces;
    for (int32_t k = 1; k <= GeoLayers().GeoLayerEnd[1]; ++k)
        pieces.push_back({GeoLayers().GeoLinks[k].Id, GeoLayers().GeoLinks[k].Points});
    return pieces;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    GeoLayers().Clear();
    const std::string file = fuzz::WriteFile("capa.geo", std::string(reinterpret_cast<const char*>(data), size));
    LineLayers::LoadLineLayer(file, false);
    if (GeoLayers().NumGeoLayers != 1)
        return 0;
    const std::vector<Piece> read = Pieces();
    const std::string copy = fuzz::Dir() + "/copia.geo";
    if (!KDVlib::WriteGeoLayer(1, copy))
        std::abort();
    GeoLayers().Clear();
    LineLayers::LoadLineLayer(copy, false);
    if (GeoLayers().NumGeoLayers != 1)
        std::abort();
    const std::vector<Piece> again = Pieces();
    if (again.size() != read.size())
        std::abort();
    for (size_t k = 0; k < read.size(); ++k) {
        if (again[k].id != read[k].id || again[k].points.size() != read[k].points.size())
            std::abort();
        for (size_t p = 0; p < read[k].points.size(); ++p)
            if (again[k].points[p].x != read[k].points[p].x || again[k].points[p].y != read[k].points[p].y)
                std::abort();
    }
    GeoLayers().Clear();
    return 0;
}
