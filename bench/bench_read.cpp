// ReadNetwork of the capacity-size network.
#include "NetworkGenerator.h"

#include "model/PalvonRead.h"

#include <benchmark/benchmark.h>

static void BM_ReadNetwork(benchmark::State& state)
{
    const std::vector<std::string> lines = benchgen::GenerateNetworkLines();
    PalvonRead::ErrorListFile = "/dev/null";
    for (auto _ : state) {
        std::vector<std::string> copy = lines;
        bool ok = PalvonRead::ReadNetwork(copy);
        benchmark::DoNotOptimize(ok);
        PalvonRead::ErrorList.clear();
    }
    state.counters["nodes"] = Network.NodeCount;
    state.counters["links"] = Network.LinkCount;
    state.counters["movements"] = Network.MovementCount;
    state.counters["zones"] = Network.ZoneCount;
    state.counters["lines"] = Network.LineCount;
    state.counters["peak_MB"] = double(benchgen::PeakMemoryKb()) / 1024.0;
}
BENCHMARK(BM_ReadNetwork)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
