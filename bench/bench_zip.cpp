// Rebuilding an archive's directory from its local headers when the end record
// is lost: 512 KB of streamed headers (flag bit 3), with and without the data
// descriptors they announce.
#include "archive/ZipDirectory.h"
#include "archive/ZipRecords.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace ZipRecords;

// Local headers of one-byte stored entries, each announcing a descriptor; with
// `descriptors` each is followed by one, otherwise none is anywhere in the file
// (the worst case for the search).
std::vector<uint8_t> StreamedHeaders(size_t bytes, bool descriptors)
{
    std::vector<uint8_t> img;
    for (int i = 0; img.size() < bytes; ++i) {
        TZFLocalHeader h;
        h.VersionNeeded = 20;
        h.Flags = 8;
        const std::string name = "f" + std::to_string(i) + ".txt";
        h.NameLength = uint16_t(name.size());
        h.Write(img);
        img.insert(img.end(), name.begin(), name.end());
        img.push_back(uint8_t('x'));
        if (descriptors) {
            Put32(img, SigDescriptor);
            Put32(img, 0x8CDC1683u);   // CRC-32 of "x"
            Put32(img, 1);
            Put32(img, 1);
        }
    }
    return img;
}

void Rebuild(benchmark::State& state, bool descriptors)
{
    TZFMemoryStream stream;
    stream.Data = StreamedHeaders(512 * 1024, descriptors);
    size_t entries = 0;
    for (auto _ : state) {
        TZFDirManager dir(&stream, nullptr, false);
        dir.RebuildFromLocalHeaders();
        entries = size_t(dir.Items.Count());
        benchmark::DoNotOptimize(entries);
    }
    state.counters["entries"] = double(entries);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.Data.size()));
}

} // namespace

static void BM_RebuildStreamedHeadersWithoutDescriptors(benchmark::State& state) { Rebuild(state, false); }
BENCHMARK(BM_RebuildStreamedHeadersWithoutDescriptors)->Unit(benchmark::kMillisecond);

static void BM_RebuildStreamedHeadersWithDescriptors(benchmark::State& state) { Rebuild(state, true); }
BENCHMARK(BM_RebuildStreamedHeadersWithDescriptors)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
