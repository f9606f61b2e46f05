#pragma once
// The hit-grid tiles that the view window meets (as SetGrid marked them) and the
// links and zones they list: the map layers walk only these, so that a drawing
// costs what the view shows, not what the network holds.
#include "model/HitGrid.h"
#include "model/PalvonVars.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace ViewTiles {

// The bytes at the start of a link record that the map's layers read of every
// link: up to the end of the points it holds inline (two cache lines, see TArcos).
constexpr size_t HotLinkBytes = offsetof(TArcos, Points) + sizeof(TArcos::Points);
static_assert(HotLinkBytes <= 128);
// What a pass of `Head` (below) reads of every link lies in the first line.
static_assert(offsetof(TArcos, BearingB) + sizeof(int32_t) <= 64 && offsetof(TArcos, ReverseIndex) < 64);

// The visible tiles, lowest X first, then lowest Y.
template <class F>
void ForEachTile(F&& f)
{
    const int32_t x0 = std::max(HitGridRangeX[0], 0), x1 = std::min(HitGridRangeX[1], MaxHitGridIndex);
    const int32_t y0 = std::max(HitGridRangeY[0], 0), y1 = std::min(HitGridRangeY[1], MaxHitGridIndex);
    for (int32_t i = x0; i <= x1; ++i)
        for (int32_t j = y0; j <= y1; ++j)
            if (HitGrid[i][j].InView)
                f(HitGrid[i][j]);
}

// The links of the visible tiles in each tile's drawing order: f(index, link).
// With `Ends`, the start of each link's end node records and of its street
// name's text are fetched ahead too, for a pass that reads them of every link.
// With `Head`, only the record's first cache line (flags, nodes, pair, length,
// bearings), for a pass that reads the rest of only a few links.
template <bool Ends = false, bool Head = false, class F>
void ForEachLink(F&& f)
{
    ForEachTile([&](const TSpatialTile& t) {
        const int32_t n = std::clamp(t.LinkCount, 0, MaxArcos + 1);
        // The links come in drawing order, scattered over the records: the start
        // of the record some links ahead (what the layers read, up to the first
        // two shape points) is fetched while this one is drawn, and the start of
        // its opposite link's record (its flags) once that record has come in.
        constexpr int32_t Ahead = 8, PairAhead = 4;
        // The records made so far, reached without the array's test of each
        // index (a drawing makes none: links 1..LinkCount are made).
        const int32_t count = Network.LinkCount;
        const TArcos* const made = Arcos.data();
        const int32_t madeCount = Arcos.allocated();
        auto record = [&](int32_t i) -> const TArcos& { return i < madeCount ? made[i] : Arcos[i]; };
        for (int32_t k = 0; k < n; ++k) {
            if (k + Ahead < n) {
                const int32_t next = t.Links[k + Ahead];
                if (next >= 1 && next <= count) {
                    const char* r = reinterpret_cast<const char*>(&record(next));
                    for (size_t b = 0; b < (Head ? 1 : HotLinkBytes); b += 64)
                        __builtin_prefetch(r + b);
                }
            }
            if (!Head && k + PairAhead < n) {
                const int32_t next = t.Links[k + PairAhead];
                if (next >= 1 && next <= count) {
                    const TArcos& ahead = record(next);
                    const int32_t pair = ahead.ReverseIndex;
                    if (pair >= 1 && pair <= count)
                        __builtin_prefetch(&record(pair).Flags);
                    if constexpr (Ends) {
                        for (const int32_t node : {ahead.AIndex, ahead.BIndex})
                            if (node >= 1 && node <= Network.NodeCount && node < Nodos.allocated())
                                __builtin_prefetch(&Nodos[node].X);
                        __builtin_prefetch(ahead.StreetName.data());
                    }
                }
            }
            const int32_t l = t.Links[k];
            if (l >= 1 && l <= count)
                f(l, record(l));
        }
    });
}

// The zones listed in the visible tiles: f(index, zone).
template <class F>
void ForEachZone(F&& f)
{
    ForEachTile([&](const TSpatialTile& t) {
        const int32_t n = std::clamp(t.ZoneCount, 0, MaxZonas + 1);
        for (int32_t k = 0; k < n; ++k) {
            const int32_t z = t.Zones[k];
            if (z >= 1 && z <= Network.ZoneCount)
                f(z, Zonas[z]);
        }
    });
}

} // namespace ViewTiles
