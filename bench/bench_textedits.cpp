// What the reader writes into the network text: one note per unknown node of a
// transit line, and the lines of include files, both in front of a long text.
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace {

using ZelUtils::Format;

std::vector<std::string> Frame()
{
    return {" &OPTION &END", "TEXTO LARGO", " &PARAM &END", "33333", "  101  102   10   20 9000  2    100    4    1",
            "99999"};
}

// A filler section of about `bytes` bytes of short lines after everything else
// (section 77777 is read over), so every line inserted earlier has that many
// lines behind it.
void AppendFiller(std::vector<std::string>& text, size_t bytes)
{
    text.push_back("77777");
    for (size_t k = 0; k * 12 < bytes; ++k)
        text.push_back(Format("%10zu", k));
    text.push_back("99999");
    text.push_back("99999");
}

// A transit line naming `nodes` nodes that the network does not have, 13 to a
// text line, in front of 520 KB of text: about 650 KB in all for 20,000 nodes.
std::vector<std::string> UnknownNodesText(int nodes)
{
    std::vector<std::string> text = Frame();
    text.push_back("66666");
    std::string cur = Format("L1  A   10%5d", nodes);
    for (int i = 0; i < nodes; ++i) {
        if (i > 0 && i % 13 == 0) {
            text.push_back(cur);
            cur = std::string(15, ' ');
        }
        cur += Format("%5d", 20000 + i % 70000);
    }
    text.push_back(cur);
    text.push_back("99999");
    AppendFiller(text, 520 * 1024);
    return text;
}

void BM_UnknownNodeNotes(benchmark::State& state)
{
    const int nodes = static_cast<int>(state.range(0));
    const std::vector<std::string> text = UnknownNodesText(nodes);
    PalvonRead::TReadSettings settings;
    settings.ErrorListFile = "/dev/null";
    size_t grown = 0;
    for (auto _ : state) {
        std::vector<std::string> lines = text;
        benchmark::DoNotOptimize(PalvonRead::ReadNetwork(lines, settings));
        grown = lines.size() - text.size();
        Network.ErrorList.clear();
    }
    state.counters["notes"] = double(grown);
    size_t bytes = 0;
    for (const auto& l : text)
        bytes += l.size() + 2;
    state.counters["text_KB"] = double(bytes) / 1024.0;
}
BENCHMARK(BM_UnknownNodeNotes)->Arg(20000)->Unit(benchmark::kMillisecond);

// `files` include lines in section 77777, each naming a file of `each` lines, in
// front of 520 KB of text.
void BM_IncludeExpansion(benchmark::State& state)
{
    const int files = static_cast<int>(state.range(0));
    const int each = static_cast<int>(state.range(1));
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("velmora_bench_inc_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<std::string> text = Frame();
    text.push_back("77777");
    for (int f = 0; f < files; ++f) {
        std::string name = Format("parte%d.dat", f);
        std::ofstream out(dir / name, std::ios::binary);
        for (int k = 0; k < each; ++k)
            out << Format("%-78s", Format("incluida %d %d", f, k).c_str()) << "\r\n";
        text.push_back("$        " + name);
    }
    text.push_back("99999");
    AppendFiller(text, 520 * 1024);
    PalvonRead::TReadSettings settings;
    settings.NetworkDatFile = (dir / "red.dat").string();
    settings.ErrorListFile = "/dev/null";
    size_t grown = 0;
    for (auto _ : state) {
        std::vector<std::string> lines = text;
        benchmark::DoNotOptimize(PalvonRead::ReadNetwork(lines, settings));
        grown = lines.size() - text.size();
        Network.ErrorList.clear();
    }
    state.counters["inserted"] = double(grown);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_IncludeExpansion)->Args({1, 20000})->Args({200, 100})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
