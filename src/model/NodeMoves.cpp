#include "model/NodeMoves.h"

#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/ZelUtils.h"
#include "model/ZelUtilsGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>
#include <utility>

std::vector<std::string> MovedNodes;

namespace {
constexpr double TenthsPerRadian = 1800.0 / std::numbers::pi;

int32_t Bearing(const TPoint& from, const TPoint& to)
{
    return ZelUtils::Round(ZelUtils::PointAngle(from, to) * TenthsPerRadian);
}
} // namespace

namespace KDVlib {

void PlaceNode(int32_t node, double x, double y, double& dx, double& dy)
{
    dx = dy = 0.0;
    if (node < 1 || node > Network.NodeCount)
        return;
    TNodo& n = Nodos[node];
    if (n.HasXY) {
        dx = x - double(n.X);
        dy = y - double(n.Y);
    }
    n.X = static_cast<float>(x);
    n.Y = static_cast<float>(y);
    n.HasXY = 1;
}

int32_t ShiftSelectedNodes(int32_t except, double dx, double dy)
{
    int32_t moved = 0;
    for (int32_t k = 1; k <= Network.NodeCount; ++k) {
        TNodo& n = Nodos[k];
        // A node without coordinates has no position to shift.
        if (k == except || n.Mark < 1 || !n.HasXY)
            continue;
        n.X = static_cast<float>(double(n.X) + dx);
        n.Y = static_cast<float>(double(n.Y) + dy);
        MovedNodes.push_back(ZelUtils::Format("%10d", n.Number));
        ++moved;
    }
    return moved;
}

bool NewAngles(const TLaneWidth& widths, TZoomSlot& extent)
{
    const std::unordered_set<std::string> moved(MovedNodes.begin(), MovedNodes.end());
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        TArcos& a = Arcos[k];
        if (!moved.contains(ZelUtils::Format("%10d", a.A)) && !moved.contains(ZelUtils::Format("%10d", a.B)))
            continue;
        if (a.AIndex < 1 || a.BIndex < 1 || a.AIndex > Network.NodeCount || a.BIndex > Network.NodeCount)
            continue;
        const TNodo& na = Nodos[a.AIndex];
        const TNodo& nb = Nodos[a.BIndex];
        // A link whose other end has no place yet gets no shape.
        if (!na.HasXY || !nb.HasXY)
            continue;
        if (a.PointCount < 2)
            a.PointCount = 2;
        const int32_t n = a.PointCount;
        a.Points[1] = {double(na.X), double(na.Y)};
        a.Points[n] = {double(nb.X), double(nb.Y)};
        const auto& points = std::as_const(a.Points);
        a.BearingA = Bearing(points[1], points[n]);
        a.BearingB = Bearing(points[n - 1], points[n]);
        a.CosA = static_cast<float>(std::cos(a.BearingA / TenthsPerRadian));
        a.SinA = static_cast<float>(std::sin(a.BearingA / TenthsPerRadian));
    }

    bool changed = false;
    if (double(MovedNodes.size()) > 0.1 * double(Network.NodeCount)) {
        double minX = 1.0e8, minY = 1.0e8, maxX = -1.0e8, maxY = -1.0e8;
        for (int32_t k = 1; k <= Network.NodeCount; ++k) {
            const TNodo& n = Nodos[k];
            if (!n.HasXY)
                continue;
            minX = std::min(minX, double(n.X));
            maxX = std::max(maxX, double(n.X));
            minY = std::min(minY, double(n.Y));
            maxY = std::max(maxY, double(n.Y));
        }
        if (minX <= maxX && minY <= maxY) {
            const double mx = 0.025 * (maxX - minX);
            const double my = 0.025 * (maxY - minY);
            minX -= mx;
            maxX += mx;
            minY -= my;
            maxY += my;
            Network.MinX = static_cast<float>(minX);
            Network.MaxX = static_cast<float>(maxX);
            Network.MinY = static_cast<float>(minY);
            Network.MaxY = static_cast<float>(maxY);
            extent = {minX, minY, maxX, maxY};
            changed = true;
        }
    }
    // The lanes of the moved links follow their new ends; tiles list the new places.
    PalvonRead::ComputeLinkGeometry(widths);
    BuildHitGrid();
    return changed;
}

int32_t ShapeHandleCount(const TArcos& a)
{
    return a.PointCount >= 1 ? 2 * a.PointCount - 1 : 0;
}

TPoint ShapeHandlePoint(const TArcos& a, int32_t handle)
{
    if (handle < 0 || handle >= ShapeHandleCount(a))
        return {};
    const int32_t k = handle / 2 + 1; // 1-based point
    if (handle % 2 == 0)
        return a.Points[k];
    return {0.5 * (a.Points[k].x + a.Points[k + 1].x), 0.5 * (a.Points[k].y + a.Points[k + 1].y)};
}

void SetBearingB(TArcos& a)
{
    if (a.PointCount >= 2)
        a.BearingB = Bearing(std::as_const(a.Points)[a.PointCount - 1], std::as_const(a.Points)[a.PointCount]);
}

bool DropShapeHandle(TArcos& a, int32_t handle, const TPoint& p)
{
    if (handle < 0 || handle >= ShapeHandleCount(a))
        return false;
    const int32_t k = handle / 2 + 1;
    if (handle % 2 == 0) {
        a.Points[k] = p;
        return true;
    }
    if (a.PointCount >= MaxShapePoints)
        return false;
    for (int32_t m = a.PointCount; m > k; --m)
        a.Points[m + 1] = std::as_const(a.Points)[m];
    a.Points[k + 1] = p;
    ++a.PointCount;
    return true;
}

bool DeleteShapePoint(TArcos& a, int32_t handle)
{
    // The end points stay on their nodes: only interior points go.
    if (handle <= 0 || handle >= ShapeHandleCount(a) - 1 || handle % 2 != 0 || a.PointCount <= 2)
        return false;
    const int32_t k = handle / 2 + 1;
    for (int32_t m = k; m < a.PointCount; ++m)
        a.Points[m] = std::as_const(a.Points)[m + 1];
    --a.PointCount;
    return true;
}

void ShiftShape(TArcos& a, double dx, double dy)
{
    for (int32_t m = 1; m <= a.PointCount; ++m) {
        a.Points[m].x += dx;
        a.Points[m].y += dy;
    }
}

THeldPositions HoldPositions()
{
    THeldPositions held;
    for (int32_t i = 1; i <= Network.NodeCount; ++i)
        if (Nodos[i].HasXY)
            held.Nodes.push_back({Nodos[i].Number, Nodos[i].X, Nodos[i].Y});
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (Zonas[z].HasCentroid)
            held.Centroids.push_back({Zonas[z].Number, Zonas[z].CentroidX, Zonas[z].CentroidY});
    return held;
}

bool PutBackPositions(const THeldPositions& held, const TLaneWidth& widths, TZoomSlot& extent)
{
    MovedNodes.clear();
    for (const THeldPositions::TPlace& p : held.Nodes) {
        const int32_t n = FindNodo(p.Number);
        if (n < 1 || (Nodos[n].HasXY && Nodos[n].X == p.X && Nodos[n].Y == p.Y))
            continue;
        double dx = 0, dy = 0;
        PlaceNode(n, p.X, p.Y, dx, dy);
        MovedNodes.push_back(ZelUtils::Format("%10d", p.Number));
    }
    for (const THeldPositions::TPlace& p : held.Centroids)
        if (const int32_t z = FindZona(p.Number); z >= 1) {
            Zonas[z].CentroidX = p.X;
            Zonas[z].CentroidY = p.Y;
            Zonas[z].HasCentroid = 1;
        }
    const bool changed = !MovedNodes.empty() && NewAngles(widths, extent);
    MovedNodes.clear();
    return changed;
}

} // namespace KDVlib
