// ReadNetwork of the capacity-size network, and of the largest real network
// against a plain fixed-column parse of the same lines (the floor).
#include "NetworkGenerator.h"

#include "model/FileUtils.h"
#include "model/PalvonRead.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <charconv>
#include <string_view>

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

namespace {

// A number of a fixed-column field ("  1E6", " 12.5", "   "): 0 when blank.
double FieldNumber(std::string_view line, size_t first, size_t width)
{
    if (first >= line.size())
        return 0.0;
    std::string_view f = line.substr(first, width);
    while (!f.empty() && f.front() == ' ')
        f.remove_prefix(1);
    double v = 0.0;
    std::from_chars(f.data(), f.data() + f.size(), v);
    return v;
}

struct PlainLink {
    int a, b;
    double time, timeCap, capacity, length, power, category;
    char twoWay, speedCode;
};
struct PlainPoint {
    int node;
    double x, y;
};

// What any reader of the file must do at least: find the sections and turn
// every field of the link and coordinate records into numbers.
size_t PlainParse(const std::vector<std::string>& lines, std::vector<PlainLink>& links, std::vector<PlainPoint>& points)
{
    links.clear();
    points.clear();
    int section = 0;
    for (const std::string& raw : lines) {
        std::string_view l(raw);
        if (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        if (l.empty() || l[0] == '*')
            continue;
        if (l.size() >= 5 && l.substr(0, 5) == "99999") {
            section = 0;
            continue;
        }
        if (section == 0) {
            if (l.size() >= 5 && l[0] >= '1' && l[0] <= '8' && l.substr(1, 4) == std::string(4, l[0]))
                section = l[0] - '0';
            continue;
        }
        if (section == 3) {
            PlainLink k;
            k.a = l[0] == 'C' ? -int(FieldNumber(l, 1, 4)) : int(FieldNumber(l, 0, 5));
            k.b = int(FieldNumber(l, 5, 5));
            k.time = FieldNumber(l, 10, 5);
            k.timeCap = FieldNumber(l, 15, 5);
            k.capacity = FieldNumber(l, 20, 5);
            k.twoWay = l.size() > 27 ? l[27] : ' ';
            k.speedCode = l.size() > 28 ? l[28] : ' ';
            k.length = FieldNumber(l, 30, 5);
            k.power = FieldNumber(l, 35, 5);
            k.category = FieldNumber(l, 40, 5);
            links.push_back(k);
        } else if (section == 5) {
            points.push_back({l[0] == 'C' ? -int(FieldNumber(l, 1, 4)) : int(FieldNumber(l, 0, 5)),
                              FieldNumber(l, 5, 15), FieldNumber(l, 20, 15)});
        }
    }
    return links.size() + points.size();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

// ReadNetwork of berlin-center-truncated and the plain parse of the same lines,
// alternated in one run; "ratio" is the reader's median over the floor's.
static void BM_ReadRealVsPlainParse(benchmark::State& state)
{
    const std::string path = benchgen::RealDataPath("berlin-center-truncated.dat");
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(path, lines)) {
        state.SkipWithError(("cannot read " + path).c_str());
        return;
    }
    PalvonRead::ErrorListFile = "/dev/null";
    PalvonRead::NetworkDatFile = path;
    std::vector<PlainLink> links;
    std::vector<PlainPoint> points;
    links.reserve(lines.size());
    points.reserve(lines.size());
    std::vector<double> readMs, plainMs;
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    for (auto _ : state) {
        std::vector<std::string> copy = lines;
        auto t0 = Clock::now();
        bool ok = PalvonRead::ReadNetwork(copy);
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(ok);
        PalvonRead::ErrorList.clear();
        auto t2 = Clock::now();
        size_t n = PlainParse(lines, links, points);
        auto t3 = Clock::now();
        benchmark::DoNotOptimize(n);
        readMs.push_back(ms(t0, t1));
        plainMs.push_back(ms(t2, t3));
    }
    const double r = Median(readMs), p = Median(plainMs);
    state.counters["read_ms"] = r;
    state.counters["plain_parse_ms"] = p;
    state.counters["ratio"] = p > 0 ? r / p : 0.0;
    state.counters["nodes"] = Network.NodeCount;
    state.counters["links"] = Network.LinkCount;
}
BENCHMARK(BM_ReadRealVsPlainParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
