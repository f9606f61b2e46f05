// Hit grid, lane geometry, junction outlines and data extremes of the
// capacity-size network.
#include "NetworkGenerator.h"

#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"

#include <benchmark/benchmark.h>

namespace {

bool LoadOnce()
{
    static bool loaded = [] {
        return benchgen::LoadGeneratedNetwork();
    }();
    return loaded;
}

void Counters(benchmark::State& state)
{
    state.counters["nodes"] = Network.NodeCount;
    state.counters["links"] = Network.LinkCount;
    state.counters["movements"] = Network.MovementCount;
    state.counters["zones"] = Network.ZoneCount;
}

} // namespace

static void BM_BuildHitGrid(benchmark::State& state)
{
    if (!LoadOnce()) {
        state.SkipWithError("the generated network was refused");
        return;
    }
    for (auto _ : state) {
        KDVlib::BuildHitGrid();
        benchmark::DoNotOptimize(HitGrid[0][0].LinkCount);
    }
    Counters(state);
    state.counters["listed_links"] = HitGrid[0][0].LinkCount;
}
BENCHMARK(BM_BuildHitGrid)->Unit(benchmark::kMillisecond);

static void BM_LinkGeometryAndOutlines(benchmark::State& state)
{
    if (!LoadOnce()) {
        state.SkipWithError("the generated network was refused");
        return;
    }
    for (auto _ : state) {
        PalvonRead::ComputeLinkGeometry(TLaneWidth{});
        PalvonRead::OrderArms();
        benchmark::DoNotOptimize(Arcos[1].LaneEdgeNear[0].x);
    }
    Counters(state);
}
BENCHMARK(BM_LinkGeometryAndOutlines)->Unit(benchmark::kMillisecond);

static void BM_LinkDataExtremes(benchmark::State& state)
{
    if (!LoadOnce()) {
        state.SkipWithError("the generated network was refused");
        return;
    }
    for (auto _ : state) {
        PalvonRead::ComputeLinkDataExtremes();
        benchmark::DoNotOptimize(Arcos[0].Var[7]);
    }
    Counters(state);
}
BENCHMARK(BM_LinkDataExtremes)->Unit(benchmark::kMillisecond);

static void BM_OpenSequence(benchmark::State& state)
{
    // What opening a network costs after reading: grid, lanes, outlines, extremes.
    if (!LoadOnce()) {
        state.SkipWithError("the generated network was refused");
        return;
    }
    for (auto _ : state) {
        KDVlib::BuildHitGrid();
        PalvonRead::ComputeLinkGeometry(TLaneWidth{});
        PalvonRead::OrderArms();
        PalvonRead::ComputeLinkDataExtremes();
    }
    Counters(state);
}
BENCHMARK(BM_OpenSequence)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
