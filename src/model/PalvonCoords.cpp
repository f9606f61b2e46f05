// Section 55555 (coordinates), the geographic test and the extent.
#include "model/PalvonRead.h"

namespace PalvonRead {

void ReadCoordinateLine(std::string& line) { (void)line; }
void ReadFreeCoordinateLine(std::string& line) { (void)line; }

void GeographicTestAndExtent()
{
    float w = Network.MaxX - Network.MinX;
    float h = Network.MaxY - Network.MinY;
    Network.MinX -= 0.025f * w;
    Network.MaxX += 0.025f * w;
    Network.MinY -= 0.025f * h;
    Network.MaxY += 0.025f * h;
}

} // namespace PalvonRead
