// The positions file the program keeps beside a network ("<red>_coordenadas.geo"),
// read onto a network with positions; what was read is then written back as the
// program saves positions and read again: the same positions come back (to the
// five decimals the file holds).
#include "FuzzSupport.h"

#include "export/GeoWriters.h"
#include "model/CoordinatesFiles.h"
#include "model/PalvonVars.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

struct Place {
    uint8_t has;
    float x, y;
};

std::vector<Place> Places()
{
    std::vector<Place> places;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        places.push_back({Zonas[z].HasCentroid, Zonas[z].CentroidX, Zonas[z].CentroidY});
    for (int32_t i = 1; i <= Network.NodeCount; ++i)
        places.push_back({Nodos[i].HasXY, Nodos[i].X, Nodos[i].Y});
    return places;
}

bool Near(float a, float b)
{
    return std::fabs(double(a) - double(b)) <= 0.6e-5 + std::fabs(double(a)) * 1.2e-7;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Init();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    std::vector<int32_t> moved;
    KDVlib::ReadPositionsFile(fuzz::WriteFile("red_coordenadas.geo", std::string(reinterpret_cast<const char*>(data), size)),
                              moved);
    const std::vector<Place> read = Places();
    const std::string saved = fuzz::Dir() + "/guardadas_coordenadas.geo";
    if (!KDVlib::WriteCoordsFile(saved))
        std::abort();
    fuzz::LoadBaseNetwork("siouxfalls.dat");
    moved.clear();
    if (!KDVlib::ReadPositionsFile(saved, moved))
        std::abort();
    const std::vector<Place> again = Places();
    if (again.size() != read.size())
        std::abort();
    for (size_t k = 0; k < read.size(); ++k)
        if (again[k].has != read[k].has || (read[k].has && (!Near(read[k].x, again[k].x) || !Near(read[k].y, again[k].y))))
            std::abort();
    return 0;
}
