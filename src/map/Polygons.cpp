#include "map/Polygons.h"

#include <algorithm>

std::array<TPoligono, MaxPoligonos + 1> Poligonos;
int32_t NumPoligonos = 0;

const std::array<uint32_t, 21> ZoneColors = {
    0x000000, // index 0 is not used
    0xFFFF00, 0xFF0000, 0xF0FBFF, 0xC0DCC0, 0x800080, 0x0000FF, 0xC0C0C0, 0xF0CAA6, 0x808000, 0x00FFFF,
    0xFF00FF, 0x808080, 0x008000, 0x00FF00, 0xC0C0C0, 0x808080, 0x000080, 0xA4A0A0, 0x800000, 0x008080,
};

int32_t TPoligono::VertexCount() const
{
    const int32_t held = static_cast<int32_t>(Points.size()) - 1;
    return std::clamp(PointCount, 0, std::max(0, std::min(held, MaxPolygonVertices)));
}

const TPoint& TPoligono::NoPoint()
{
    static const TPoint none;
    return none;
}
