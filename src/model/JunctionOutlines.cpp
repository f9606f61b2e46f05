// Junction outlines from the lane-band ends of the links.
#include "model/JunctionOutlines.h"

#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace PalvonRead {

namespace {

bool Placed(int32_t index)
{
    return index >= 1 && index <= Network.NodeCount && Nodos[index].HasXY;
}

// Appends the two band-end points of a link to a node's outline; false when the
// outline has no room left for both.
bool AddPair(TNodo& node, const TPoint& near, const TPoint& far)
{
    if (node.OutlineCount + 2 > MaxOutlinePoints)
        return false;
    node.Outline[node.OutlineCount++] = near;
    node.Outline[node.OutlineCount++] = far;
    return true;
}

} // namespace

void SortArmsByAngle(int32_t lo, int32_t hi, TArmAngle* work)
{
    for (int32_t i = lo; i < hi; ++i)
        for (int32_t j = i + 1; j <= hi; ++j)
            if (work[j].Angle < work[i].Angle)
                std::swap(work[i], work[j]);
}

void OrderArms()
{
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        TNodo& node = Nodos[i];
        node.OutlineCentre = {node.X, node.Y};
        node.OutlineCount = 0;
    }

    // Nodes whose outline ran out of room, in order of first overflow.
    std::vector<int32_t> crowded;
    std::vector<uint8_t> isCrowded;
    auto add = [&](int32_t index, const TPoint& near, const TPoint& far) {
        if (AddPair(Nodos[index], near, far))
            return;
        if (isCrowded.empty())
            isCrowded.assign(static_cast<size_t>(Network.NodeCount) + 1, 0);
        if (!isCrowded[static_cast<size_t>(index)]) {
            isCrowded[static_cast<size_t>(index)] = 1;
            crowded.push_back(index);
        }
    };
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& a = Arcos[k];
        if (!Placed(a.AIndex) || !Placed(a.BIndex))
            continue;
        int32_t n = a.LaneEdgeCount;
        if (n < 2)
            continue; // no lane band (zero length or no point list)
        add(a.AIndex, a.LaneEdgeNear[0], a.LaneEdgeFar[0]);
        add(a.BIndex, a.LaneEdgeNear[n - 1], a.LaneEdgeFar[n - 1]);
    }

    TArmAngle work[MaxOutlinePoints];
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        TNodo& node = Nodos[i];
        int32_t count = node.OutlineCount;
        if (count == 0)
            continue;
        const double cx = node.OutlineCentre.x;
        const double cy = node.OutlineCentre.y;
        for (int32_t k = 0; k < count; ++k) {
            double dx = node.Outline[k].x - cx;
            double dy = node.Outline[k].y - cy;
            work[k].Radius = std::sqrt(dx * dx + dy * dy);
            double angle = std::atan2(dy, dx);
            if (angle < 0.0)
                angle += 2.0 * std::numbers::pi;
            work[k].Angle = angle;
        }
        SortArmsByAngle(0, count - 1, work);
        for (int32_t k = 0; k < count; ++k)
            node.Outline[k] = {cx + work[k].Radius * std::cos(work[k].Angle),
                               cy + work[k].Radius * std::sin(work[k].Angle)};
    }

    // Nothing for the user to act on: the outline of such a node is drawn with
    // the links it has room for. The nodes go to the error list and the status
    // bar says so, without a box on every opening.
    if (!crowded.empty()) {
        for (int32_t index : crowded)
            AddError(ZelUtils::Format("Nodo %d con más arcos de los que admite su contorno (%d puntos): se dibuja "
                                      "con los primeros",
                                      Nodos[index].Number, MaxOutlinePoints));
        SaveErrorList();
        const int count = static_cast<int>(crowded.size());
        Services().SetStatusText(1, ZelUtils::Format("%d %s con más arcos de los que admite su contorno "
                                                     "(ver Errores.txt)",
                                                     count, count == 1 ? "nodo" : "nodos"));
    }
}

} // namespace PalvonRead
