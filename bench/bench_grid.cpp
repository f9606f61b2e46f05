// The link grid at capacity: 24,000 rows x 131 columns configured and filled with
// numbers, then sorted by a numeric column; also fitting and export of the same grid.
#include "model/ZelUtils.h"
#include "widgets/StringAlignGrid.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 24000;
constexpr int kCols = 131;

// Number texts as the fill writes them ("%.2f"), made once so that the timing is
// the grid's; BM_GridFillFormatted adds the formatting.
const std::vector<std::string>& Texts()
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        uint32_t x = 12345;
        for (int i = 0; i < 4096; ++i) {
            x = x * 1103515245u + 12345u;
            t.push_back(ZelUtils::Format("%.2f", (x >> 8) % 2000000 / 100.0));
        }
        return t;
    }();
    return texts;
}

void Configure(TStringAlignGrid& g)
{
    g.SetRowCount(kRows + 1);
    g.SetColCount(kCols);
    g.SetAlignment(Qt::AlignRight);
    g.SetAlignCol(2, Qt::AlignLeft);
    for (int c = 0; c < kCols; ++c)
        g.setCell(c, 0, ZelUtils::Format("V%d", c));
}

void Fill(TStringAlignGrid& g)
{
    const auto& t = Texts();
    size_t k = 0;
    for (int r = 1; r <= kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            g.setCell(c, r, t[k++ & 4095]);
}

void BM_GridConfigureFill(benchmark::State& state)
{
    Texts();
    for (auto _ : state) {
        auto g = std::make_unique<TStringAlignGrid>();
        Configure(*g);
        Fill(*g);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(g->cellView(5, kRows));
        state.PauseTiming();
        g.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kRows) * kCols);
}
BENCHMARK(BM_GridConfigureFill)->Unit(benchmark::kMillisecond);

// The same with every value formatted as the program's fill does it.
void BM_GridFillFormatted(benchmark::State& state)
{
    for (auto _ : state) {
        auto g = std::make_unique<TStringAlignGrid>();
        Configure(*g);
        for (int r = 1; r <= kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                g->setCell(c, r, ZelUtils::Format("%.2f", r * 0.25 + c));
        QCoreApplication::processEvents();
        state.PauseTiming();
        g.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GridFillFormatted)->Unit(benchmark::kMillisecond);

// Shared by the benchmarks below; released before the application goes.
std::unique_ptr<TStringAlignGrid> gFilled;

TStringAlignGrid& FilledGrid()
{
    if (!gFilled) {
        gFilled = std::make_unique<TStringAlignGrid>();
        Configure(*gFilled);
        Fill(*gFilled);
    }
    return *gFilled;
}

// Sorting a numeric column with the grid's own order (the direction alternates, so
// every pass really reorders the rows).
void BM_GridSortNumeric(benchmark::State& state)
{
    TStringAlignGrid& g = FilledGrid();
    g.SetCompareHandler(nullptr);
    bool descending = false;
    for (auto _ : state) {
        g.SortColumn(7, descending);
        descending = !descending;
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_GridSortNumeric)->Unit(benchmark::kMillisecond);

// The same through a compare handler that converts both cells at every comparison,
// as a handler written in the program's style does.
void BM_GridSortHandler(benchmark::State& state)
{
    TStringAlignGrid& g = FilledGrid();
    g.SetCompareHandler([](TStringAlignGrid* s, int col, int r1, int r2) {
        float a = static_cast<float>(ZelUtils::ParseNumber(s->cellView(col, r1)).asReal());
        float b = static_cast<float>(ZelUtils::ParseNumber(s->cellView(col, r2)).asReal());
        return a == b ? TStringAlignGrid::CompareEqual
                      : (a < b ? TStringAlignGrid::CompareBefore : TStringAlignGrid::CompareAfter);
    });
    bool descending = false;
    for (auto _ : state) {
        g.SortColumn(9, descending);
        descending = !descending;
    }
    g.SetCompareHandler(nullptr);
}
BENCHMARK(BM_GridSortHandler)->Unit(benchmark::kMillisecond);

void BM_GridFitWidths(benchmark::State& state)
{
    TStringAlignGrid& g = FilledGrid();
    for (auto _ : state)
        g.FitColWidths();
}
BENCHMARK(BM_GridFitWidths)->Unit(benchmark::kMillisecond);

void BM_GridTextExport(benchmark::State& state)
{
    TStringAlignGrid& g = FilledGrid();
    for (auto _ : state) {
        std::string text = g.TextExport(',');
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_GridTextExport)->Unit(benchmark::kMillisecond);

} // namespace

