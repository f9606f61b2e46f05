#pragma once
// Areas drawn on the map: the user polygons and the colour palette that zone
// fills and free points share.
#include "model/PalvonVars.h"

#include <QRegion>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int MaxPoligonos = 290;       // Poligonos[0..290]
constexpr int MaxPolygonVertices = 2700; // vertices 1..2700 of one polygon

// One user polygon. Point 0 is the label point (where the name is written);
// points 1..PointCount are the vertices, the outline closing from the last back
// to the first. A deleted polygon keeps its record and index with Visible 0.
struct TPoligono {
    int32_t Id = 0;
    std::string Name;
    uint8_t Visible = 1;
    int32_t PointCount = 0;
    uint32_t PenColor = 0x008000;   // TColor
    int32_t PenWidth = 1;
    uint32_t BrushColor = 0xD3E6D3; // TColor
    uint8_t BrushClear = 0;         // 1: the interior is not filled
    std::vector<TPoint> Points;     // [0] label point, [1..PointCount] vertices
    // Hit regions in pixels of the main map, made again by every drawing of the
    // polygon layer (empty until the polygon was drawn there).
    QRegion LabelRegion;
    QRegion PolygonRegion;

    const TPoint& LabelPoint() const { return Points.empty() ? NoPoint() : Points[0]; }
    // Vertices in use: PointCount clamped to the points actually held.
    int32_t VertexCount() const;

private:
    static const TPoint& NoPoint();
};

extern std::array<TPoligono, MaxPoligonos + 1> Poligonos;
extern int32_t NumPoligonos; // records 0..NumPoligonos-1 are in use

// A set of user polygons set aside (records 0.. in use, and the file they came
// from), while the map shows others in their place.
struct TPolygonSet {
    std::vector<TPoligono> Polygons;
    std::string FileName;
    std::string SavedContent; // what that file holds of them, as last read or written
};

// Fill palette of zones and free points, indexes 1..20 (TColor values).
inline constexpr std::array<uint32_t, 21> ZoneColors = {
    0x000000, // index 0 is not used
    0xFFFF00, 0xFF0000, 0xF0FBFF, 0xC0DCC0, 0x800080, 0x0000FF, 0xC0C0C0, 0xF0CAA6, 0x808000, 0x00FFFF,
    0xFF00FF, 0x808080, 0x008000, 0x00FF00, 0xC0C0C0, 0x808080, 0x000080, 0xA4A0A0, 0x800000, 0x008080,
};
