// Opening the largest real network in the program's own main window, headless:
// from the file name to the drawn map with filled grids, step by step, and the
// peak resident memory of the process with the network open.
//
//   bench_open --benchmark_filter=BM_OpenRealNetwork
//
// Run it alone for the memory figure: the peak is the whole process's.
#include "BenchProgram.h"

#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/FileUtils.h"
#include "model/PalvonRead.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The program's windows with the network copied into their folder.
struct Program : TBenchProgram {
    std::string network;

    bool Start(const std::string& name)
    {
        network = dir.isValid() ? CopyRealNetwork(name) : std::string();
        return !network.empty() && TBenchProgram::Start();
    }
};

} // namespace

// Each step of the opening as the main window runs it (AbrirRedPalvon, then
// RunOpening's steps in its order), timed separately.
void BM_OpenRealNetwork(benchmark::State& state)
{
    Program program;
    if (!program.Start("berlin-center-truncated.dat")) {
        state.SkipWithError("cannot set the program up");
        return;
    }
    TPalvonViewer& w = *program.viewer;
    std::vector<double> file, read, listings, extremes, grids, draw, total;
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (!w.Files().SetFileNames(program.network)) {
            state.SkipWithError("cannot load the network text");
            return;
        }
        auto t1 = Clock::now();
        if (!w.Files().OpenPalvonDat()) {
            state.SkipWithError("the network was refused");
            return;
        }
        auto t2 = Clock::now();
        w.Files().ReadCompanionListings();
        auto t3 = Clock::now();
        PalvonRead::ComputeLinkDataExtremes();
        auto t4 = Clock::now();
        w.Grids().ConfigureGrids();
        w.Files().ConstruyeMixs();
        w.Grids().DrawDataDat();
        w.Files().ShowCompanionListings();
        auto t5 = Clock::now();
        w.RedrawMap();
        auto t6 = Clock::now();
        benchmark::DoNotOptimize(w.img->Picture().constBits());
        file.push_back(Ms(t0, t1));
        read.push_back(Ms(t1, t2));
        listings.push_back(Ms(t2, t3));
        extremes.push_back(Ms(t3, t4));
        grids.push_back(Ms(t4, t5));
        draw.push_back(Ms(t5, t6));
        total.push_back(Ms(t0, t6));
    }
    state.counters["1_file_ms"] = Median(file);
    state.counters["2_read_open_ms"] = Median(read);
    state.counters["3_listings_ms"] = Median(listings);
    state.counters["4_extremes_ms"] = Median(extremes);
    state.counters["5_grids_ms"] = Median(grids);
    state.counters["6_draw_ms"] = Median(draw);
    state.counters["total_ms"] = Median(total);
    state.counters["links"] = Network.LinkCount;
    state.counters["picture_w"] = w.img->Picture().width();
    state.counters["peak_MB"] = double(benchgen::PeakMemoryKb()) / 1024.0;
}
BENCHMARK(BM_OpenRealNetwork)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same through the program's own entry, in one piece.
void BM_AbrirRedPalvon(benchmark::State& state)
{
    Program program;
    if (!program.Start("berlin-center-truncated.dat")) {
        state.SkipWithError("cannot set the program up");
        return;
    }
    for (auto _ : state) {
        bool ok = program.viewer->Files().AbrirRedPalvon(program.network);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["peak_MB"] = double(benchgen::PeakMemoryKb()) / 1024.0;
}
BENCHMARK(BM_AbrirRedPalvon)->Unit(benchmark::kMillisecond)->Iterations(5);

// One opening in a fresh process: the peak resident memory of the program with
// the network open. Run alone: bench_open --benchmark_filter=BM_PeakMemoryOneOpening
void BM_PeakMemoryOneOpening(benchmark::State& state)
{
    state.counters["rss_0_application_MB"] = double(benchgen::CurrentMemoryKb()) / 1024.0;
    Program program;
    if (!program.Start("berlin-center-truncated.dat")) {
        state.SkipWithError("cannot set the program up");
        return;
    }
    TPalvonViewer& w = *program.viewer;
    const double before = double(benchgen::PeakMemoryKb()) / 1024.0;
    auto rss = [] { return double(benchgen::CurrentMemoryKb()) / 1024.0; };
    for (auto _ : state) {
        // The steps of AbrirRedPalvon, with the resident memory after each.
        bool ok = w.Files().SetFileNames(program.network);
        state.counters["rss_1_file_MB"] = rss();
        ok = ok && w.Files().OpenPalvonDat();
        state.counters["rss_2_read_open_MB"] = rss();
        w.Files().ReadCompanionListings();
        PalvonRead::ComputeLinkDataExtremes();
        w.Grids().ConfigureGrids();
        w.Files().ConstruyeMixs();
        w.Grids().DrawDataDat();
        w.Files().ShowCompanionListings();
        state.counters["rss_3_grids_MB"] = rss();
        w.RedrawMap();
        state.counters["rss_4_drawn_MB"] = rss();
        benchmark::DoNotOptimize(ok);
    }
    state.counters["peak_before_open_MB"] = before;
    state.counters["peak_MB"] = double(benchgen::PeakMemoryKb()) / 1024.0;
}
BENCHMARK(BM_PeakMemoryOneOpening)->Unit(benchmark::kMillisecond)->Iterations(1);

// Lane geometry and link data extremes per link on a small and a large real
// network, in one run: each network is read (from a copy in a temporary folder)
// in turn, twice, and the two steps timed `reps` times after each reading. A
// pass whose cost grows with the links alone costs the same per link on both:
// the ratios are the large network's time per link over the small one's, for
// the first pass after reading (the one opening a network runs) and for the
// passes after it.
//
//   bench_open --benchmark_filter=BM_GeometryExtremesPerLink
void BM_GeometryExtremesPerLink(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::vector<std::string> names{"chicago-sketch.dat", "berlin-center-truncated.dat"};
    std::vector<std::vector<std::string>> texts;
    for (const std::string& name : names) {
        const std::string copy = dir.filePath(QString::fromStdString(name)).toStdString();
        std::error_code ec;
        std::filesystem::copy_file(benchgen::RealDataPath(name), copy, ec);
        texts.emplace_back();
        if (ec || !FileUtils::ReadLines(copy, texts.back())) {
            state.SkipWithError(("cannot read " + name).c_str());
            return;
        }
    }
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = dir.filePath(QStringLiteral("Errores.txt")).toStdString();
    constexpr int reps = 40;
    std::vector<double> geometry[2], extremes[2], firstGeometry[2], firstExtremes[2];
    int32_t links[2] = {};
    for (auto _ : state) {
        for (int round = 0; round < 2; ++round)
            for (size_t n = 0; n < names.size(); ++n) {
                std::vector<std::string> lines = texts[n];
                if (!PalvonRead::ReadNetwork(lines, settings)) {
                    state.SkipWithError(("the reader refused " + names[n]).c_str());
                    return;
                }
                Network.ErrorList.clear();
                links[n] = Network.LinkCount;
                for (int k = 0; k < reps; ++k) {
                    const auto t0 = Clock::now();
                    PalvonRead::ComputeLinkGeometry(TLaneWidth{});
                    const auto t1 = Clock::now();
                    PalvonRead::ComputeLinkVarExtremes(1, NumLinkVars);
                    const auto t2 = Clock::now();
                    benchmark::DoNotOptimize(Arcos[0].Var[7]);
                    // The first pass after reading is the one opening a network runs.
                    (k == 0 ? firstGeometry : geometry)[n].push_back(Ms(t0, t1) * 1e6 / links[n]); // ns per link
                    (k == 0 ? firstExtremes : extremes)[n].push_back(Ms(t1, t2) * 1e6 / links[n]);
                }
            }
    }
    state.counters["links_small"] = links[0];
    state.counters["links_large"] = links[1];
    // Per-link figures of one kind of pass ("" every pass after the first, "first_"
    // the first after reading) and the large network's against the small one's.
    auto report = [&](const std::string& kind, const auto& g, const auto& e) {
        const double g0 = Median(g[0]), g1 = Median(g[1]), e0 = Median(e[0]), e1 = Median(e[1]);
        state.counters[kind + "geometry_ns_per_link_small"] = g0;
        state.counters[kind + "geometry_ns_per_link_large"] = g1;
        state.counters[kind + "extremes_ns_per_link_small"] = e0;
        state.counters[kind + "extremes_ns_per_link_large"] = e1;
        state.counters[kind + "geometry_ratio"] = g0 > 0 ? g1 / g0 : 0.0;
        state.counters[kind + "extremes_ratio"] = e0 > 0 ? e1 / e0 : 0.0;
        state.counters[kind + "both_ratio"] = g0 + e0 > 0 ? (g1 + e1) / (g0 + e0) : 0.0;
    };
    report("", geometry, extremes);
    report("first_", firstGeometry, firstExtremes);
}
BENCHMARK(BM_GeometryExtremesPerLink)->Unit(benchmark::kMillisecond)->Iterations(1);
