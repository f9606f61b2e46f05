// Least-cost paths on the capacity-size network: one search from one origin to
// every node (the path to the farthest node is extracted), and the node lookup.
#include "NetworkGenerator.h"

#include "model/KDVlibPaths.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Load()
{
    static bool loaded = false;
    if (loaded)
        return;
    if (!benchgen::LoadGeneratedNetwork() || Network.LinkCount == 0) {
        std::fprintf(stderr, "the generated network could not be read\n");
        std::exit(1);
    }
    loaded = true;
}

} // namespace

static void BM_RutaMinimaOneToAll(benchmark::State& state)
{
    Load();
    KDVlib::CostVar = 7;
    const int32_t origin = 1, destination = Network.NodeCount;
    for (auto _ : state) {
        KDVlib::RutaMinima(origin, destination, 0);
        benchmark::DoNotOptimize(KDVlib::PathTables[1][0]);
    }
    state.counters["nodes"] = Network.NodeCount;
    state.counters["links"] = Network.LinkCount;
    state.counters["path_nodes"] = KDVlib::PathTables[1][0];
}
BENCHMARK(BM_RutaMinimaOneToAll)->Unit(benchmark::kMillisecond);

static void BM_RutaMinimaPairsList(benchmark::State& state)
{
    Load();
    KDVlib::CostVar = 7;
    KDVlib::PairsList.clear();
    for (int i = 0; i < 10; ++i)
        KDVlib::PairsList.push_back(std::to_string(Nodos[1 + i * 1000].Number) + "," +
                                    std::to_string(Nodos[Network.NodeCount - i * 900].Number));
    for (auto _ : state) {
        KDVlib::RutaMinima(0, 0, 1);
        benchmark::DoNotOptimize(KDVlib::PathTables[10][0]);
    }
}
BENCHMARK(BM_RutaMinimaPairsList)->Unit(benchmark::kMillisecond);

static void BM_NearestNode(benchmark::State& state)
{
    Load();
    const TNodo& n = Nodos[Network.NodeCount / 2];
    for (auto _ : state)
        benchmark::DoNotOptimize(KDVlib::NearestNode(n.X + 1.0, n.Y - 1.0));
}
BENCHMARK(BM_NearestNode)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
