// The data grids and data layers on a capacity-size network: configuring and
// filling the grids (every variable column, listing blocks included), sorting the
// link grid by a numeric column, and drawing the colour-class and value layers.
#include "NetworkGenerator.h"

#include "mainwindow/PalvonViewer.h"
#include "mainwindow/GridsLayout.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

std::string TempListing(const char* ext)
{
    auto path = std::filesystem::temp_directory_path() / (std::string("velmora_bench_grids") + ext);
    std::ofstream(path) << "\n";
    return path.string();
}

// The generated network with assignment and inspection results on every link and
// movement, three user classes and preloaded flows: the widest layout there is.
TPalvonViewer& Viewer()
{
    static std::unique_ptr<TPalvonViewer> viewer = [] {
        if (!benchgen::LoadGeneratedNetwork())
            std::abort();
        uint32_t x = 2463534242u;
        auto next = [&x] {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            return float(x % 1000000) / 100.0f;
        };
        for (int32_t i = 1; i <= Network.LinkCount; ++i)
            for (int v : {10, 11, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 25, 26, 51, 52, 53, 65, 66, 67, 68})
                Arcos[i].Var[v] = next();
        for (int32_t m = 1; m <= Network.MovementCount; ++m)
            for (int v : {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 20, 21, 22, 23})
                Movims[m].Var[v] = next();
        Network.Options.NOMADS = 3;
        PreloadShift = 1;
        LpaFileName = TempListing(".lpa");
        LplFileName = TempListing(".lpl");
        PalvonRead::ComputeLinkDataExtremes();
        KDVlib::SetMessages("ES");
        auto w = std::make_unique<TPalvonViewer>();
        w->AskOnClose = false;
        w->resize(1920, 1080);
        w->show();
        QCoreApplication::processEvents();
        return w;
    }();
    return *viewer;
}

void FillAll(TPalvonViewer& w)
{
    w.Grids().ConfigureGrids();
    w.Grids().DrawDataDat();
    w.Grids().DrawDataLpa();
    w.Grids().DrawDataLpl();
}

// The link grid alone: layout of every column, then its fills.
void BM_LinkGridConfigureFill(benchmark::State& state)
{
    TPalvonViewer& w = Viewer();
    FillAll(w);
    for (auto _ : state) {
        w.Grids().ConfigureGrids();
        GridLayout::FillLinks(w.sagArcos);
        w.Grids().DrawDataLpa();
        w.Grids().DrawDataLpl();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = w.sagArcos->RowCount();
    state.counters["cols"] = w.sagArcos->ColCount();
}
BENCHMARK(BM_LinkGridConfigureFill)->Unit(benchmark::kMillisecond);

// Every grid of the opening sequence (zones, nodes, links, movements, lines).
void BM_AllGridsConfigureFill(benchmark::State& state)
{
    TPalvonViewer& w = Viewer();
    for (auto _ : state) {
        FillAll(w);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_AllGridsConfigureFill)->Unit(benchmark::kMillisecond);

void BM_LinkGridSortNumeric(benchmark::State& state)
{
    TPalvonViewer& w = Viewer();
    FillAll(w);
    bool descending = false;
    const int column = LpaFirstCol + 2; // "F.Asig"
    for (auto _ : state) {
        w.sagArcos->SortColumn(column, descending);
        descending = !descending;
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_LinkGridSortNumeric)->Unit(benchmark::kMillisecond);

void PrepareColourClasses(TPalvonViewer& w)
{
    FillAll(w);
    const int column = LpaFirstCol + 2;
    UserView().RangeMode = 1;
    UserView().RangeVarByMode[1] = column;
    w.Grids().ArcosRangeValues(UserView());
    UserView().ShownVarList = {std::to_string(column)};
    Ranges::FillDefaultRanges(UserView(), UserView().RangeMin, UserView().RangeMax * 1.001f);
    KDVlib::BuildHitGrid();
    KDVlib::SetGrid(Network.MinX, Network.MaxX, Network.MinY, Network.MaxY);
}

// Colour classes and value labels (overlapping labels left out) over the whole network.
void BM_DataLayersColourClassesAndValues(benchmark::State& state)
{
    TPalvonViewer& w = Viewer();
    PrepareColourClasses(w);
    QImage image(1920, 1080, QImage::Format_RGB32);
    DataLayers::TLayerOptions options;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        TMapPainter map;
        map.SetPainter(&painter);
        map.SetDeviceSize(image.width(), image.height());
        map.SetWorld(Network.MinX, Network.MinY, Network.MaxX, Network.MaxY);
        DataLayers::DrawMapaColores(map, options);
        map.ResetLabelsOff();
        DataLayers::DrawValue(map, options);
        benchmark::DoNotOptimize(map.Labels().Count());
        state.counters["labels"] = map.Labels().Count();
    }
}
BENCHMARK(BM_DataLayersColourClassesAndValues)->Unit(benchmark::kMillisecond);

// A redraw of the main map (its network layers) followed by the colour-class and
// value layers on the same canvas, as the layered drawing orders them.
void BM_RedrawWithColourClassesAndValues(benchmark::State& state)
{
    TPalvonViewer& w = Viewer();
    PrepareColourClasses(w);
    DrawEnabled = true;
    UserView().WorldMinX = Network.MinX;
    UserView().WorldMaxX = Network.MaxX;
    UserView().WorldMinY = Network.MinY;
    UserView().WorldMaxY = Network.MaxY;
    w.SetDown(Cmd::tbColores, false);
    w.SetDown(Cmd::tbValues, false);
    for (auto _ : state) {
        w.RedrawMap();
        w.Drawing().DrawMapaColores(w.img, w.Drawing().SnapshotView());
        w.img->ResetLabelsOff();
        w.Drawing().DrawValue(w.img, w.Drawing().SnapshotView());
    }
    state.counters["labels"] = w.img->Labels().Count();
    state.counters["width"] = w.img->width();
    state.counters["height"] = w.img->height();
}
BENCHMARK(BM_RedrawWithColourClassesAndValues)->Unit(benchmark::kMillisecond);

} // namespace
