// ReadNetwork of the capacity-size network, and the first opening of the largest
// real network against a plain fixed-column parse of the same lines (the floor).
#include "NetworkGenerator.h"

#include "model/FileUtils.h"
#include "model/PalvonRead.h"
#include "model/TextLines.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <charconv>
#include <string_view>

#include <cstdio>
#include <time.h>
#include <unistd.h>

static void BM_ReadNetwork(benchmark::State& state)
{
    const std::vector<std::string> lines = benchgen::GenerateNetworkLines();
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = "/dev/null";
    for (auto _ : state) {
        std::vector<std::string> copy = lines;
        bool ok = PalvonRead::ReadNetwork(copy, settings);
        benchmark::DoNotOptimize(ok);
        Network.ErrorList.clear();
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
size_t PlainParse(const TTextLines& lines, std::vector<PlainLink>& links, std::vector<PlainPoint>& points)
{
    links.clear();
    points.clear();
    int section = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view l = lines[i];
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

// Wall and processor time (every thread of the process) of one step.
struct TTimes {
    double wallMs = -1;
    double cpuMs = -1;
};

double CpuNowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The step named (read or plain) on the file, timed in this process; the file's
// lines are read beforehand. Prints "<wall ms> <cpu ms>".
int RunStep(const std::string& step, const std::string& path)
{
    TTextLines lines;
    if (!ReadTextLines(path, lines))
        return 1;
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = "/dev/null";
    settings.NetworkDatFile = path;
    std::vector<PlainLink> links;
    std::vector<PlainPoint> points;
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = CpuNowMs();
    if (step == "read")
        benchmark::DoNotOptimize(PalvonRead::ReadNetwork(lines, settings));
    else
        benchmark::DoNotOptimize(PlainParse(lines, links, points));
    const double c1 = CpuNowMs();
    const auto t1 = std::chrono::steady_clock::now();
    std::printf("%.6f %.6f\n", std::chrono::duration<double, std::milli>(t1 - t0).count(), c1 - c0);
    return 0;
}

// The step in a process of its own, started afresh from this program: nothing
// of an earlier read is reused (records, lookups, mapped pages, the heap).
TTimes InFreshProcess(const std::string& step, const std::string& path)
{
    const std::string command = "/proc/" + std::to_string(getpid()) + "/exe --fresh-step=" + step + " '" + path + "'";
    TTimes t;
    if (FILE* f = popen(command.c_str(), "r")) {
        if (std::fscanf(f, "%lf %lf", &t.wallMs, &t.cpuMs) != 2)
            t = {};
        if (pclose(f) != 0)
            t = {};
    }
    return t;
}

} // namespace

// The first opening of berlin-center-truncated (ReadNetwork of its lines, in a
// fresh process) and the plain parse of the same lines (also in a fresh process),
// alternated in one run; the file's lines are in memory before either is timed,
// as the text window holds them when the program reads. The run takes a few
// iterations, each starting two processes. "ratio" is the reader's
// median over the floor's, in wall time and in processor time of all threads.
static void BM_ReadRealVsPlainParse(benchmark::State& state)
{
    const std::string path = benchgen::RealDataPath("berlin-center-truncated.dat");
    TTextLines lines;
    if (!ReadTextLines(path, lines)) {
        state.SkipWithError(("cannot read " + path).c_str());
        return;
    }
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = "/dev/null";
    settings.NetworkDatFile = path;
    std::vector<double> readMs, plainMs, readCpu, plainCpu;
    for (auto _ : state) {
        const TTimes r = InFreshProcess("read", path);
        const TTimes p = InFreshProcess("plain", path);
        if (r.wallMs < 0 || p.wallMs < 0) {
            state.SkipWithError("child process failed");
            return;
        }
        readMs.push_back(r.wallMs);
        plainMs.push_back(p.wallMs);
        readCpu.push_back(r.cpuMs);
        plainCpu.push_back(p.cpuMs);
    }
    const double r = Median(readMs), p = Median(plainMs);
    const double rc = Median(readCpu), pc = Median(plainCpu);
    state.counters["read_ms"] = r;
    state.counters["plain_parse_ms"] = p;
    state.counters["ratio"] = p > 0 ? r / p : 0.0;
    state.counters["read_cpu_ms"] = rc;
    state.counters["plain_parse_cpu_ms"] = pc;
    state.counters["cpu_ratio"] = pc > 0 ? rc / pc : 0.0;
    // What the read made, from one read in this process after the timed ones.
    TTextLines text = lines;
    PalvonRead::ReadNetwork(text, settings);
    state.counters["nodes"] = Network.NodeCount;
    state.counters["links"] = Network.LinkCount;
}
BENCHMARK(BM_ReadRealVsPlainParse)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(11);

int main(int argc, char** argv)
{
    const std::string step = "--fresh-step=";
    if (argc == 3 && std::string(argv[1]).rfind(step, 0) == 0)
        return RunStep(argv[1] + step.size(), argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
