#include "map/Polygons.h"

#include <algorithm>

std::array<TPoligono, MaxPoligonos + 1> Poligonos;
int32_t NumPoligonos = 0;

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
