// Redraw of the map for a capacity-size network on a 1920 x 1080 off-screen canvas:
// the network layers at full extent (links, arrows, nodes, centroids), the same
// with node numbers and street names, a zoomed view, and the whole pipeline of
// the main window.
#include "NetworkGenerator.h"

#include "mainwindow/PalvonViewer.h"
#include "map/DrawLayers.h"
#include "map/NetworkShapes.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"

#include <QApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int ImageWidth = 1920;
constexpr int ImageHeight = 1080;

// The network drawn: the generated one, or berlin-center-truncated with a
// street name on every link.
enum class TSource { Generated, Berlin };

// The runs of opening a network that come before the first drawing.
void AfterRead()
{
    KDVlib::BuildHitGrid();
    PalvonRead::ComputeLinkGeometry(TLaneWidth{});
    PalvonRead::OrderArms();
    PalvonRead::ComputeLinkDataExtremes();
}

// The names given to berlin's links: its file has none. Each pair of nodes gets
// one, both directions alike, as a street has.
const char* const BerlinNames[] = {
    "Karl-Marx-Allee", "Friedrichstrasse", "Unter den Linden", "Leipziger Strasse", "Torstrasse",
    "Oranienburger Str.", "Invalidenstrasse", "Chausseestrasse", "Alexanderstrasse", "Greifswalder Str.",
    "Prenzlauer Allee", "Schoenhauser Allee", "Kastanienallee", "Bernauer Strasse", "Brunnenstrasse",
    "Rosenthaler Str.", "Muellerstrasse", "Seestrasse", "Luxemburger Str.", "Turmstrasse",
    "Alt-Moabit", "Strasse des 17. Juni", "Kurfuerstendamm", "Tauentzienstrasse", "Budapester Str.",
    "Potsdamer Strasse", "Hauptstrasse", "Martin-Luther-Str.", "Kantstrasse", "Bismarckstrasse",
    "Kaiserdamm", "Heerstrasse", "Hardenbergstrasse", "Joachimsthaler Str.", "Uhlandstrasse",
    "Bundesallee", "Schlossstrasse", "Yorckstrasse", "Gneisenaustrasse", "Mehringdamm",
    "Kottbusser Damm", "Sonnenallee", "Karl-Marx-Strasse", "Hermannstrasse", "Columbiadamm",
    "Tempelhofer Damm", "Oranienstrasse", "Skalitzer Strasse", "Warschauer Strasse", "Frankfurter Allee",
    "Landsberger Allee", "Petersburger Str.", "Storkower Strasse", "Holzmarktstrasse", "Jannowitzbruecke",
    "Muehlenstrasse", "Stralauer Allee", "Elsenstrasse", "Am Treptower Park", "Puschkinallee",
    "Grunerstrasse", "Spandauer Strasse", "Gertraudenstrasse", "Wallstrasse", "Inselstrasse",
    "Reinhardtstrasse", "Luisenstrasse", "Wilhelmstrasse", "Ebertstrasse", "Lennestrasse",
    "Reichpietschufer", "Schoeneberger Ufer", "Tempelhofer Ufer", "Hallesches Ufer", "Am Kupfergraben",
    "Muenzstrasse", "Weinmeisterstrasse", "Linienstrasse", "Auguststrasse", "Gormannstrasse",
};

// berlin-center-truncated as its file says, with a street name after every link
// record (the file gives none): the names a real town has, of varied lengths.
std::vector<std::string> NamedBerlinLines()
{
    std::ifstream in(benchgen::RealDataPath("berlin-center-truncated.dat"), std::ios::binary);
    if (!in)
        std::abort();
    std::vector<std::string> lines;
    bool links = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("33333", 0) == 0)
            links = true;
        else if (line.rfind("99999", 0) == 0)
            links = false;
        else if (links && line.size() >= 10 && line[0] != 'C' && line[0] != 'c') {
            const int a = std::atoi(line.substr(0, 5).c_str()), b = std::atoi(line.substr(5, 5).c_str());
            const uint32_t key = uint32_t(std::min(a, b)) * 2654435761u ^ uint32_t(std::max(a, b)) * 40503u;
            line.resize(45, ' ');
            line += BerlinNames[(key >> 7) % std::size(BerlinNames)];
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// Reads the network asked for into the model (when another is there), with the
// runs that opening a network runs before the first drawing.
void LoadNetwork(TSource source = TSource::Generated)
{
    static int loaded = -1;
    if (loaded == int(source))
        return;
    // The reader's error list goes to the temporary folder, not the working one.
    const std::string errors =
        QDir::temp().filePath(QStringLiteral("velmora_bench_draw_Errores.txt")).toStdString();
    bool ok = false;
    if (source == TSource::Generated) {
        benchgen::Options options;
        options.variedStreets = true;
        ok = benchgen::LoadGeneratedNetwork(options, errors);
    } else {
        std::vector<std::string> lines = NamedBerlinLines();
        PalvonRead::TReadSettings settings;
        settings.ErrorListFile = errors;
        ok = PalvonRead::ReadNetwork(lines, settings);
    }
    if (!ok)
        std::abort();
    AfterRead();
    loaded = int(source);
}

// The view window: the whole extent, or a window of `percent` of its width and
// height about its centre.
void SetView(double percent)
{
    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    const double cx = Network.MinX + w / 2, cy = Network.MinY + h / 2;
    const double f = percent / 100.0 / 2;
    UserView().WorldMinX = cx - w * f;
    UserView().WorldMaxX = cx + w * f;
    UserView().WorldMinY = cy - h * f;
    UserView().WorldMaxY = cy + h * f;
}

struct TCanvas {
    TOxrImage img;
    TNetworkOptions options;
    TCanvas()
    {
        img.resize(ImageWidth, ImageHeight);
        options.KeepHitRegions = true;
    }
    void Prepare()
    {
        img.SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
        img.Clear();
        KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
    }
    void Network()
    {
        DrawLayers::DrawNetWork(img, options);
        DrawLayers::DrawArrows(img, options);
        DrawLayers::DrawNodes(img, options);
        DrawLayers::DrawCents(img, options);
    }
    // Returns the street names written.
    int Labels()
    {
        img.ResetLabelsOff();
        DrawLayers::DrawNameNodes(img, options);
        img.ResetLabels();
        img.ResetLabelsOff();
        DrawLayers::DrawCalles(img, options);
        const int written = img.Labels().Count();
        img.ResetLabels();
        return written;
    }
};

// Links, arrows, nodes and centroids; the argument is the view's share of the
// extent's width and height in percent.
void BM_NetworkLayers(benchmark::State& state)
{
    LoadNetwork();
    SetView(double(state.range(0)));
    TCanvas canvas;
    for (auto _ : state) {
        canvas.Prepare();
        canvas.Network();
        benchmark::DoNotOptimize(canvas.img.Picture().constBits());
    }
    state.counters["links"] = Network.LinkCount;
    state.counters["nodes"] = Network.NodeCount;
}
BENCHMARK(BM_NetworkLayers)->Arg(100)->Arg(10)->Arg(1)->Unit(benchmark::kMillisecond);

// The same with node numbers and street names.
void BM_NetworkLayersLabels(benchmark::State& state)
{
    LoadNetwork();
    SetView(double(state.range(0)));
    TCanvas canvas;
    int labels = 0;
    for (auto _ : state) {
        canvas.Prepare();
        canvas.Network();
        labels = canvas.Labels();
        benchmark::DoNotOptimize(canvas.img.Picture().constBits());
    }
    state.counters["street_labels"] = labels;
}
BENCHMARK(BM_NetworkLayersLabels)->Arg(100)->Arg(10)->Unit(benchmark::kMillisecond);

// One layer at a time at full extent: 0 links, 1 arrows, 2 nodes, 3 centroids,
// 4 node numbers, 5 street names, 6 none: the canvas preparation alone, which the
// others include; 7 street names as first drawn, their glyphs not kept. The
// second argument: 0 the generated network, 1 berlin with a name on every link.
void BM_SingleLayer(benchmark::State& state)
{
    LoadNetwork(state.range(1) == 0 ? TSource::Generated : TSource::Berlin);
    SetView(100);
    TCanvas canvas;
    TOxrImage& img = canvas.img;
    int64_t regionTests = 0;
    for (auto _ : state) {
        canvas.Prepare();
        img.ResetLabelsOff();
        switch (state.range(0)) {
        case 0: DrawLayers::DrawNetWork(img, canvas.options); break;
        case 1: DrawLayers::DrawArrows(img, canvas.options); break;
        case 2: DrawLayers::DrawNodes(img, canvas.options); break;
        case 3: DrawLayers::DrawCents(img, canvas.options); break;
        case 4: DrawLayers::DrawNameNodes(img, canvas.options); break;
        case 5: DrawLayers::DrawCalles(img, canvas.options); break;
        case 7: // street names drawn for the first time: no glyph kept from before
            img.ForgetLabelStamps();
            DrawLayers::DrawCalles(img, canvas.options);
            break;
        default: break;
        }
        regionTests = std::max(regionTests, img.Labels().RegionTests()); // the later redraws repeat the first's answers
        img.ResetLabels();
        benchmark::DoNotOptimize(img.Picture().constBits());
    }
    if (state.range(0) == 4 || state.range(0) == 5 || state.range(0) == 7) // label box pairs compared as regions, in a redraw that tests
        state.counters["region_tests"] = double(regionTests);
}
BENCHMARK(BM_SingleLayer)->ArgsProduct({benchmark::CreateDenseRange(0, 7, 1), {0, 1}})->Unit(benchmark::kMillisecond);

// The lane view of the whole network.
void BM_LaneLayer(benchmark::State& state)
{
    LoadNetwork();
    SetView(double(state.range(0)));
    TCanvas canvas;
    for (auto _ : state) {
        canvas.Prepare();
        DrawLayers::DrawNetWorkLanes(canvas.img, canvas.options);
        benchmark::DoNotOptimize(canvas.img.Picture().constBits());
    }
}
BENCHMARK(BM_LaneLayer)->Arg(100)->Arg(10)->Unit(benchmark::kMillisecond);

// The main window's redraw with arrows, nodes and centroids on.
void BM_DrawPalvon(benchmark::State& state)
{
    LoadNetwork();
    SetView(double(state.range(0)));
    TPalvonViewer viewer;
    viewer.AskOnClose = false;
    viewer.img->resize(ImageWidth, ImageHeight);
    DrawEnabled = true;
    for (TCommandId name : {Cmd::tbArrows, Cmd::tbNodes, Cmd::tbCents})
        viewer.SetDown(name, true);
    viewer.SetDown(Cmd::tbNameNodes, state.range(1) != 0);
    viewer.SetDown(Cmd::tbCalles, state.range(1) != 0);
    for (auto _ : state) {
        viewer.RedrawMap();
        benchmark::DoNotOptimize(viewer.img->Picture().constBits());
    }
}
BENCHMARK(BM_DrawPalvon)->Args({100, 0})->Args({100, 1})->Args({10, 0})->Unit(benchmark::kMillisecond);

// Wall time and processor time of the whole process (every thread: the label
// passes write with worker threads, whose work a wall clock hides).
struct TStamp {
    std::chrono::steady_clock::time_point wall;
    double cpuMs = 0;
    static TStamp Now()
    {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return {std::chrono::steady_clock::now(), double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6};
    }
};
double WallMs(const TStamp& a, const TStamp& b) { return std::chrono::duration<double, std::milli>(b.wall - a.wall).count(); }
double CpuMs(const TStamp& a, const TStamp& b) { return b.cpuMs - a.cpuMs; }

// The floor and the redraws in one run, alternated: the links' segments in
// pixels drawn as the link layer draws them (one run of integer lines through the
// canvas, in the link layer's default pen), then the network layers (links,
// arrows, nodes, centroids), then the same with node numbers and street names,
// each on a cleared canvas at full extent. The counters give each median, in wall
// time and in processor time over all threads, and its ratio to the floor
// measured the same way. Argument 0: the generated network (varied street names
// at varied angles); 1: berlin-center-truncated with a name on every link; 2: the
// same on a view that moves, two views a few pixels apart in turn, so that no
// pass repeats the one before it (the floor draws the segments of the view drawn).
void BM_RedrawVsDrawLines(benchmark::State& state)
{
    LoadNetwork(state.range(0) == 0 ? TSource::Generated : TSource::Berlin);
    const int views = state.range(0) == 2 ? 2 : 1;
    const double step = 3 * (::Network.MaxX - ::Network.MinX) / ImageWidth;
    const auto show = [step](int view) {
        SetView(100);
        UserView().WorldMinX += view * step;
        UserView().WorldMaxX += view * step;
    };
    TCanvas canvas;
    std::vector<QLine> viewLines[2];
    for (int view = 0; view < views; ++view) {
        show(view);
        canvas.Prepare();
        for (int i = 1; i <= ::Network.LinkCount; ++i) {
            const TArcos& a = Arcos[i];
            const int n = std::clamp(a.PointCount, 0, MaxShapePoints);
            QLine line;
            for (int k = 1; k < n; ++k)
                if (canvas.img.SegmentPixels(a.Points[k], a.Points[k + 1], line))
                    viewLines[view].push_back(line);
        }
    }
    int view = 0;
    const QPen linkPen = NetworkShapes::LayerPen(canvas.options.ArcosColor, UserView().Items[0].Width);
    std::vector<double> floorMs, layersMs, labelsMs, floorCpu, layersCpu, labelsCpu;
    int labels = 0;
    for (auto _ : state) {
        view = (view + 1) % views;
        show(view);
        canvas.Prepare();
        canvas.img.Canvas()->setPen(linkPen);
        const TStamp t0 = TStamp::Now();
        canvas.img.LinesPixels(viewLines[view]);
        benchmark::DoNotOptimize(canvas.img.Picture().constBits());
        const TStamp t1 = TStamp::Now();
        canvas.Prepare();
        const TStamp t2 = TStamp::Now();
        canvas.Network();
        benchmark::DoNotOptimize(canvas.img.Picture().constBits());
        const TStamp t3 = TStamp::Now();
        canvas.Prepare();
        const TStamp t4 = TStamp::Now();
        canvas.Network();
        labels = canvas.Labels();
        benchmark::DoNotOptimize(canvas.img.Picture().constBits());
        const TStamp t5 = TStamp::Now();
        floorMs.push_back(WallMs(t0, t1));
        layersMs.push_back(WallMs(t2, t3));
        labelsMs.push_back(WallMs(t4, t5));
        floorCpu.push_back(CpuMs(t0, t1));
        layersCpu.push_back(CpuMs(t2, t3));
        labelsCpu.push_back(CpuMs(t4, t5));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    const double f = median(floorMs), l = median(layersMs), t = median(labelsMs);
    const double fc = median(floorCpu), lc = median(layersCpu), tc = median(labelsCpu);
    state.counters["drawLines_ms"] = f;
    state.counters["layers_ms"] = l;
    state.counters["layers_labels_ms"] = t;
    state.counters["layers_ratio"] = ratio(l, f);
    state.counters["labels_ratio"] = ratio(t, f);
    state.counters["drawLines_cpu_ms"] = fc;
    state.counters["layers_cpu_ms"] = lc;
    state.counters["layers_labels_cpu_ms"] = tc;
    state.counters["layers_cpu_ratio"] = ratio(lc, fc);
    state.counters["labels_cpu_ratio"] = ratio(tc, fc);
    state.counters["segments"] = double(viewLines[0].size());
    state.counters["street_labels"] = labels;
}
BENCHMARK(BM_RedrawVsDrawLines)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace
