// Peak memory against file size, in the program's own window: opening a network
// of 100 MB that is almost all comment lines, and a batch of 60,000 least-cost
// paths on the largest real network. Each benchmark measures the whole process's
// peak, so run each alone:
//
//   bench_memory --benchmark_filter=BM_OpenCommentNetwork
//   bench_memory --benchmark_filter=BM_BatchPairs
#include "BenchProgram.h"

#include "analysis/gui/KDVpath.h"
#include "mainwindow/Aptta.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/FileUtils.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "widgets/StringAlignGrid.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

double Mb(double kb) { return kb / 1024.0; }

using Program = TBenchProgram;

// The sample network with `bytes` of short comment lines after its title block:
// the line list's own cost per line shows in full.
std::string WriteCommentNetwork(const std::string& path, size_t bytes)
{
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", std::ios::binary);
    std::string sample((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t at = sample.find("11111");
    std::ofstream out(path, std::ios::binary);
    out << sample.substr(0, at);
    const std::string block = [] {
        std::string b;
        for (int i = 0; i < 4096; ++i)
            b += "*\r\n";
        return b;
    }();
    for (size_t written = 0; written < bytes; written += block.size())
        out << block;
    out << sample.substr(at);
    return path;
}

} // namespace

// Opening (read, grids, map) of a 100 MB network of comment lines.
void BM_OpenCommentNetwork(benchmark::State& state)
{
    Program program;
    if (!program.Start()) {
        state.SkipWithError("cannot set the program up");
        return;
    }
    const std::string net = WriteCommentNetwork(program.File("comentarios.dat"), size_t(state.range(0)) << 20);
    const double fileMb = double(std::filesystem::file_size(net)) / (1 << 20);
    const double before = Mb(benchgen::PeakMemoryKb());
    for (auto _ : state) {
        if (!program.viewer->Files().AbrirRedPalvon(net)) {
            state.SkipWithError("the network was refused");
            return;
        }
    }
    const double peak = Mb(benchgen::PeakMemoryKb());
    state.counters["file_MB"] = fileMb;
    state.counters["peak_MB"] = peak;
    state.counters["peak_delta_MB"] = peak - before;
    state.counters["MB_per_file_MB"] = (peak - before) / fileMb;
    state.counters["links"] = Network.LinkCount;
}
BENCHMARK(BM_OpenCommentNetwork)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

// 60,000 origin-destination pairs between the first zones of the largest real
// network, from a pairs file through the batch command, to the filled path window,
// then the listing (a row per link of every path) exported.
void BM_BatchPairs(benchmark::State& state)
{
    Program program;
    const std::string net = program.File("berlin-center-truncated.dat");
    std::error_code ec;
    if (!program.Start() ||
        !std::filesystem::copy_file(benchgen::RealDataPath("berlin-center-truncated.dat"), net, ec) ||
        !program.viewer->Files().AbrirRedPalvon(net)) {
        state.SkipWithError("cannot open the network");
        return;
    }
    const int side = int(std::ceil(std::sqrt(double(state.range(0)))));
    std::string text;
    int pairs = 0;
    for (int o = 1; o <= Network.ZoneCount && pairs < state.range(0); ++o)
        for (int d = 1; d <= side && d <= Network.ZoneCount && pairs < state.range(0); ++d, ++pairs)
            text += std::to_string(Zonas[o].Number) + "," + std::to_string(Zonas[d].Number) + "\r\n";
    const std::string pairsFile = program.File("pares.csv");
    FileUtils::WriteFileAtomic(pairsFile, text);
    const double before = Mb(benchgen::PeakMemoryKb());
    double ms = 0;
    for (auto _ : state) {
        // The file is chosen in the command's dialog; the window that lists the
        // pairs is closed as soon as it shows.
        auto* answer = new QTimer(program.viewer);
        QObject::connect(answer, &QTimer::timeout, answer, [answer, pairsFile] {
            QWidget* w = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
                dialog->selectFile(QString::fromStdString(pairsFile));
                QMetaObject::invokeMethod(dialog, "accept");
            } else if (auto* path = dynamic_cast<TFrmPath*>(w)) {
                answer->stop();
                answer->deleteLater();
                path->accept();
            }
        });
        answer->start(10);
        const auto t0 = std::chrono::steady_clock::now();
        program.viewer->Analysis().batchRminClick();
        ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }
    const double peak = Mb(benchgen::PeakMemoryKb());
    // The listing exported whole, as the window's export button writes it.
    const std::string exported = program.File("rutas.csv");
    const auto e0 = std::chrono::steady_clock::now();
    const bool written = TFrmPath::ExportGrid(*program.viewer->Analysis().PathWindow().sagPath, exported, 1);
    const double exportS = std::chrono::duration<double>(std::chrono::steady_clock::now() - e0).count();
    if (!written)
        state.SkipWithError("the export failed");
    state.counters["export_s"] = exportS;
    state.counters["export_MB"] = written ? double(std::filesystem::file_size(exported)) / (1 << 20) : 0.0;
    state.counters["export_peak_delta_MB"] = Mb(benchgen::PeakMemoryKb()) - before;
    state.counters["pairs"] = pairs;
    state.counters["file_KB"] = double(text.size()) / 1024.0;
    state.counters["run_s"] = ms / 1000.0;
    state.counters["peak_MB"] = peak;
    state.counters["peak_delta_MB"] = peak - before;
    state.counters["grid_rows"] = program.viewer->Analysis().PathWindow().sagPath->RowCount();
}
BENCHMARK(BM_BatchPairs)->Arg(60000)->Unit(benchmark::kMillisecond)->Iterations(1);
