#pragma once
// Small networks built directly in the model arrays for the geometry, hit-grid
// and shape-point tests.
#include "model/HitGrid.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace geomfix {

inline void Clear()
{
    PalvonRead::ClearNetwork();
    Network.LengthScale = 1.0f;
    LinkOrderSet = false; // as a network opened: no drawing order read for its links
}

// A placed node; the extent grows to hold it.
inline int32_t Node(int32_t number, double x, double y)
{
    int32_t i = PalvonRead::NodeIndex(number);
    TNodo& n = Nodos[i];
    n.X = static_cast<float>(x);
    n.Y = static_cast<float>(y);
    n.HasXY = 1;
    Network.MinX = std::min(Network.MinX, n.X);
    Network.MaxX = std::max(Network.MaxX, n.X);
    Network.MinY = std::min(Network.MinY, n.Y);
    Network.MaxY = std::max(Network.MaxY, n.Y);
    return i;
}

// A node without coordinates.
inline int32_t UnplacedNode(int32_t number) { return PalvonRead::NodeIndex(number); }

// A straight link between two existing nodes (call Finish once all links exist).
inline int32_t Link(int32_t a, int32_t b, int32_t lanes = 1)
{
    int32_t k = PalvonRead::NewLink();
    TArcos& r = Arcos[k];
    r.A = a;
    r.B = b;
    r.Key = PalvonRead::LinkKey(a, b);
    r.SetLanes(lanes);
    r.StreetTag = "1";
    r.SetFlareEnd(0);
    r.SetFlareStart(0);
    r.LaneEdgeCount = 0;
    return k;
}

// Sorts the links and sets node indexes, straight point lists and opposites.
inline void Finish()
{
    PalvonRead::SortLinks();
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        TArcos& r = Arcos[k];
        auto ia = NodeKeyList.find(r.A);
        auto ib = NodeKeyList.find(r.B);
        r.AIndex = ia == NodeKeyList.end() ? 0 : ia->second;
        r.BIndex = ib == NodeKeyList.end() ? 0 : ib->second;
        r.PointCount = 2;
        if (r.AIndex > 0)
            r.Points[1] = {Nodos[r.AIndex].X, Nodos[r.AIndex].Y};
        if (r.BIndex > 0)
            r.Points[2] = {Nodos[r.BIndex].X, Nodos[r.BIndex].Y};
    }
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        TArcos& r = Arcos[k];
        r.ReverseIndex = 0;
        for (int32_t j = 1; j <= Network.LinkCount; ++j)
            if (Arcos[j].A == r.B && Arcos[j].B == r.A)
                r.ReverseIndex = j;
        r.NoReverse = (r.StreetTag == "1" && r.ReverseIndex == 0) ? 1 : 0;
    }
}

inline int32_t LinkIndex(int32_t a, int32_t b)
{
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        if (Arcos[k].A == a && Arcos[k].B == b)
            return k;
    return 0;
}

// Replaces a link's point list (first point at node A).
inline void Shape(int32_t link, std::initializer_list<TPoint> points)
{
    TArcos& r = Arcos[link];
    r.PointCount = static_cast<int32_t>(points.size());
    int32_t k = 1;
    for (const TPoint& p : points)
        r.Points[k++] = p;
}

} // namespace geomfix
