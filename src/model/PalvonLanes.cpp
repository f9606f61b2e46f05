// The lanes pass: reverse links, straight geometry and bearings, turn angles and
// directions of the movements, lane use, arm bearings and flares, and the report
// of lanes that no movement uses.
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ParallelChunks.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/ZelUtilsGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <functional>
#include <tuple>
#include <vector>

using ZelUtils::Format;

namespace PalvonRead {

namespace {

constexpr double TenthsPerRadian = 1800.0 / std::numbers::pi;

// Sine and cosine of a bearing in tenths of a degree, as std::sin and std::cos
// give them, from a table for the whole bearings of a turn.
struct TBearingTrig {
    float sin[3601];
    float cos[3601];
    TBearingTrig()
    {
        for (int b = 0; b <= 3600; ++b) {
            sin[b] = static_cast<float>(std::sin(b / TenthsPerRadian));
            cos[b] = static_cast<float>(std::cos(b / TenthsPerRadian));
        }
    }
};

// Reverse link, straight geometry and bearings of links first..last: each link's
// own fields from its nodes alone.
// Puts in `scale` the ratio of straight length to data length of the links whose
// both nodes have a position and whose two lengths are known (and marks them in
// `scaled`): summed afterwards in link order, without reading the records again.
void StraightLinkRange(const std::vector<int32_t>& reverse, std::vector<uint8_t>& scaled, std::vector<double>& scale,
                       int32_t first, int32_t last)
{
    static const TBearingTrig trig;
    for (int32_t k = first; k <= last; ++k) {
        // The records are far beyond the caches: those a few links ahead are
        // fetched meanwhile (the fields used here lie in their first lines).
        PrefetchRecord(Arcos, k + 6, 384);
        TArcos& a = Arcos[k];
        a.ReverseIndex = reverse[static_cast<size_t>(k)];
        if (a.StreetTag == "1" && a.ReverseIndex == 0)
            a.NoReverse = 1;
        if (a.AIndex <= 0 || a.BIndex <= 0 || a.AIndex > Network.NodeCount || a.BIndex > Network.NodeCount)
            continue;
        a.PointCount = 2;
        const TNodo& na = Nodos[a.AIndex];
        const TNodo& nb = Nodos[a.BIndex];
        if (!na.HasXY || !nb.HasXY)
            continue;
        a.StraightLength = ZelUtils::HypotAsFloat(double(nb.X) - na.X, double(nb.Y) - na.Y);
        if (a.StraightLength > 0 && a.Var[7] != 0) {
            scaled[static_cast<size_t>(k)] = 1;
            scale[static_cast<size_t>(k)] = double(a.StraightLength) / double(a.Var[7]);
        }
        a.Points[1] = {na.X, na.Y};
        a.Points[2] = {nb.X, nb.Y};
        // Two points: the bearing at B is the bearing at A.
        a.BearingA = ZelUtils::RoundedPointAngle(a.Points[1], a.Points[2], TenthsPerRadian);
        a.BearingB = a.BearingA;
        if (a.BearingA >= 0 && a.BearingA <= 3600) {
            a.SinA = trig.sin[a.BearingA];
            a.CosA = trig.cos[a.BearingA];
        } else {
            a.SinA = static_cast<float>(std::sin(a.BearingA / TenthsPerRadian));
            a.CosA = static_cast<float>(std::cos(a.BearingA / TenthsPerRadian));
        }
    }
}

void StraightLinks(const KDVlib::TArcoKeys& keys)
{
    // The links are independent of each other: a large network's are taken in
    // chunks by a few threads. The scale is summed afterwards, in link order.
    const int32_t count = Network.LinkCount;
    std::vector<uint8_t> scaled(static_cast<size_t>(count) + 1, 0);
    std::vector<double> scale(static_cast<size_t>(count) + 1, 0.0);
    const std::vector<int32_t> reverse = keys.Reverses();
    constexpr int32_t PerChunk = 2048;
    Parallel::ForChunks((count + PerChunk - 1) / PerChunk, 3, [&](int c) {
        StraightLinkRange(reverse, scaled, scale, c * PerChunk + 1, std::min(count, (c + 1) * PerChunk));
    });
    double scaleSum = 0.0;
    int scaleCount = 0;
    for (int32_t k = 1; k <= count; ++k)
        if (scaled[static_cast<size_t>(k)]) {
            ++scaleCount;
            scaleSum += scale[static_cast<size_t>(k)];
        }
    // Without any positioned link of known length the map and the data share units.
    Network.LengthScale = scaleCount > 0 ? static_cast<float>(scaleSum / scaleCount) : 1.0f;
    Services().SetLengthScaleEdit(Network.LengthScale);
}

void TurningMovements(const KDVlib::TArcoKeys& keys)
{
    std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>> order;
    order.reserve(static_cast<size_t>(Network.MovementCount));
    for (int32_t m = 1; m <= Network.MovementCount; ++m) {
        TMovimiento& mv = Movims[m];
        mv.EntryLink = keys.Find(mv.A, mv.Node);
        mv.ExitLink = keys.Find(mv.Node, mv.C);
        if (mv.EntryLink > 0 && mv.ExitLink > 0) {
            int32_t angle = Arcos[mv.ExitLink].BearingA - Arcos[mv.EntryLink].BearingA;
            if (angle < -1800)
                angle += 3600;
            if (angle > 1800)
                angle -= 3600;
            mv.TurnAngle = angle;
            int32_t q = ZelUtils::Round(angle / 900.0);
            mv.TurnDir = q < 0 ? 1 : (q == 0 ? 0 : -1);
            TArcos& entry = Arcos[mv.EntryLink];
            entry.TurnDirs[mv.TurnDir + 1] = 1;
            entry.HasMovements = 1;
            bool g = mv.TurnCode.find('G') != std::string::npos;
            bool x = mv.TurnCode.find('X') != std::string::npos;
            for (int32_t l = std::max(mv.FirstLane, 1); l <= std::min(mv.LastLane, MaxLanes); ++l) {
                entry.LaneUsed[l] = 1;
                entry.LaneDirs[l][mv.TurnDir + 1] = 1;
                if (g)
                    entry.LaneMark[l] = 1;
                if (x)
                    entry.LaneMark[l] = 2;
            }
        }
        order.emplace_back(mv.A, mv.Node, 1800 - mv.TurnAngle, m);
    }
    // Within one approach the movement with the largest turn angle comes first.
    std::sort(order.begin(), order.end());
    int32_t counter = 0;
    int32_t lastA = 0, lastNode = 0;
    bool first = true;
    for (const auto& [a, node, key, m] : order) {
        if (first || a != lastA || node != lastNode) {
            counter = 0;
            lastA = a;
            lastNode = node;
            first = false;
        }
        Movims[m].Order = ++counter;
    }
}

void ArmsAndFlares(const KDVlib::TArcoKeys& keys)
{
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        TNodo& node = Nodos[n];
        for (int32_t i = 0; i < std::min(node.ArmCount, MaxArms); ++i) {
            TConector& arm = node.Arms[i];
            int32_t far = KDVlib::FindNodo(arm.OtherNode);
            if (far > 0) {
                arm.OtherX = Nodos[far].X;
                arm.OtherY = Nodos[far].Y;
            }
            int32_t out = keys.Find(node.Number, arm.OtherNode);
            int32_t in = keys.Find(arm.OtherNode, node.Number);
            if (out > 0)
                arm.Bearing = Arcos[out].BearingA;
            else if (in > 0)
                arm.Bearing = Arcos[in].BearingA > 1800 ? Arcos[in].BearingA - 1800 : Arcos[in].BearingA + 1800;
            if (in > 0) {
                Arcos[in].SetFlareEnd(arm.FlareLast);
                Arcos[in].SetFlareStart(arm.FlareFirst);
            }
        }
    }
}

void ReverseConnectors()
{
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        TZona& zone = Zonas[z];
        for (int32_t c = 1; c <= zone.ConnectorCount && c < static_cast<int32_t>(zone.Connectors.size()); ++c) {
            TZoneConnector& con = zone.Connectors[static_cast<size_t>(c)];
            if (con.Kind == 0 && con.LinkIndex < 0) {
                int32_t l = -con.LinkIndex;
                con.LinkIndex = (l <= Network.LinkCount) ? Arcos[l].ReverseIndex : 0;
            }
        }
    }
}

void UnusedLanes()
{
    std::string report;
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& a = Arcos[k];
        int32_t n = std::min(std::abs(a.Lanes()), MaxLanes);
        if (n == 0 || !a.HasMovements)
            continue;
        for (int32_t l = 1; l <= n; ++l) {
            if (a.LaneUsed[l])
                continue;
            report += "\r" + Format("arco%9d%9d, pista %d", a.A, a.B, l);
            AddError(Format("arco%9d%9d, pista %d sin uso", a.A, a.B, l));
        }
    }
    if (!report.empty())
        Services().ShowMessageWindow("Pistas sin uso:\r" + report);
}

} // namespace

void ReportUnusedLanes()
{
    // No pass here changes a link's numbers: one copy of the keys serves them all.
    const KDVlib::TArcoKeys keys;
    StraightLinks(keys);
    TurningMovements(keys);
    ArmsAndFlares(keys);
    ReverseConnectors();
    // Only the movements mark links as having movements, and records are cleared
    // when made: in a network without movements no lane is unused, and the links
    // need not be read again to find that out.
    if (Network.MovementCount > 0)
        UnusedLanes();
}

} // namespace PalvonRead
