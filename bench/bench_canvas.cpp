// Map canvas drawing: the links of a capacity-size network drawn as world-coordinate
// lines through the canvas, against the same segments handed to QPainter::drawLines
// in one call; and label placement with overlap culling.
#include "NetworkGenerator.h"

#include "map/LabelBands.h"
#include "map/gui/OxrImage.h"
#include "model/PalvonVars.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int ImageWidth = 1920;
constexpr int ImageHeight = 1080;

struct Segment {
    double x1, y1, x2, y2;
};

struct Scene {
    std::vector<Segment> segments;
    std::vector<TPoint> nodes;
    std::vector<std::string> names;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
};

// The links of the generated network (about 24,000) as world segments.
const Scene& GetScene()
{
    static Scene scene = [] {
        Scene s;
        if (!benchgen::LoadGeneratedNetwork())
            std::abort();
        for (int i = 1; i <= Network.LinkCount; ++i) {
            const TArcos& a = Arcos[i];
            if (a.AIndex <= 0 || a.BIndex <= 0)
                continue;
            const TNodo& na = Nodos[a.AIndex];
            const TNodo& nb = Nodos[a.BIndex];
            s.segments.push_back({na.X, na.Y, nb.X, nb.Y});
        }
        for (int i = 1; i <= Network.NodeCount; ++i) {
            const TNodo& n = Nodos[i];
            s.nodes.push_back(TPoint{n.X, n.Y});
            s.names.push_back(std::to_string(n.Number));
            s.minX = std::min(s.minX, double(n.X));
            s.maxX = std::max(s.maxX, double(n.X));
            s.minY = std::min(s.minY, double(n.Y));
            s.maxY = std::max(s.maxY, double(n.Y));
        }
        return s;
    }();
    return scene;
}

// Processor time of the whole process (every thread) so far.
double ProcessCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void SetUpCanvas(TOxrImage& img, const Scene& s)
{
    img.resize(ImageWidth, ImageHeight);
    img.Clear();
    img.SetWorld(s.minX, s.minY, s.maxX, s.maxY);
    img.Canvas()->setPen(QPen(Qt::black, 1));
}

void BM_CanvasLineW(benchmark::State& state)
{
    const Scene& s = GetScene();
    TOxrImage img;
    SetUpCanvas(img, s);
    for (auto _ : state) {
        for (const Segment& g : s.segments)
            img.LineW(g.x1, g.y1, g.x2, g.y2);
        benchmark::DoNotOptimize(img.Picture().constBits());
    }
    state.counters["segments"] = double(s.segments.size());
}
BENCHMARK(BM_CanvasLineW)->Unit(benchmark::kMillisecond);

// The reference: the segments already in pixels, drawn in one call.
void BM_RawDrawLines(benchmark::State& state)
{
    const Scene& s = GetScene();
    TOxrImage img;
    SetUpCanvas(img, s);
    std::vector<QLineF> lines;
    lines.reserve(s.segments.size());
    for (const Segment& g : s.segments)
        lines.emplace_back(img.WorldToPoint(g.x1, g.y1), img.WorldToPoint(g.x2, g.y2));
    QPainter& p = *img.Canvas();
    for (auto _ : state) {
        p.drawLines(lines.data(), int(lines.size()));
        benchmark::DoNotOptimize(img.Picture().constBits());
    }
    state.counters["segments"] = double(lines.size());
}
BENCHMARK(BM_RawDrawLines)->Unit(benchmark::kMillisecond);

// 10,000 candidate labels with the overlap test on: node numbers at their nodes
// (angle 0, centred) or street-like names at random angles.
void BM_LabelCulling(benchmark::State& state)
{
    const Scene& s = GetScene();
    const bool rotated = state.range(0) != 0;
    TOxrImage img;
    SetUpCanvas(img, s);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    img.Canvas()->setFont(font);
    img.Canvas()->setBrush(Qt::NoBrush);
    constexpr int Candidates = 10000;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> angle(0, 3599);
    std::vector<int> angles(Candidates);
    for (int& a : angles)
        a = rotated ? angle(rng) : 0;
    // The texts as the map holds them (street names come whole from the records).
    std::vector<std::string> texts(Candidates);
    for (int k = 0; k < Candidates; ++k)
        texts[k] = rotated ? "Calle " + s.names[k % s.names.size()] : s.names[k % s.names.size()];
    int drawn = 0;
    const int banded = LabelBands::BandedWrites();
    const double cpuBefore = ProcessCpuMs();
    for (auto _ : state) {
        img.ResetLabelsOff();
        // One pass of labels, as the map's label layers write them.
        const TMapPainter::TLabelPass pass(img);
        for (int k = 0; k < Candidates; ++k) {
            const TPoint& p = s.nodes[k % s.nodes.size()];
            img.LabelAt(angles[k], texts[k], p.x, p.y, 4, 0);
        }
        drawn = img.Labels().Count();
    }
    // Whether the threads wrote them (1), or this one alone (0), and the processor
    // time of all threads together per pass.
    state.counters["threads_wrote"] = LabelBands::BandedWrites() > banded ? 1 : 0;
    state.counters["cpu_all_threads_ms"] = (ProcessCpuMs() - cpuBefore) / double(state.iterations());
    // The floor, timed apart from the iterations: the candidates that were kept,
    // written with plain QPainter::drawText at their angles and anchors (no
    // placement), each a new angle for the glyph caches as above.
    std::vector<int> kept;
    img.ResetLabelsOff();
    for (int k = 0; k < Candidates; ++k) {
        const int before = img.Labels().Count();
        const TPoint& p = s.nodes[k % s.nodes.size()];
        img.LabelAt(angles[k], texts[k], p.x, p.y, 4, 0);
        if (img.Labels().Count() > before)
            kept.push_back(k);
    }
    using Clock = std::chrono::steady_clock;
    std::vector<double> floorMs;
    QPainter& p = *img.Canvas();
    for (int rep = 0; rep < 5; ++rep) {
        const auto t0 = Clock::now();
        for (const int k : kept) {
            const TPoint& n = s.nodes[k % s.nodes.size()];
            const QString text = QString::fromStdString(texts[k]);
            const QTransform saved = p.worldTransform();
            p.translate(img.WorldToPoint(n.x, n.y));
            p.rotate(-angles[k] / 10.0);
            p.drawText(QPoint(0, 9), text);
            p.setWorldTransform(saved);
        }
        benchmark::DoNotOptimize(img.Picture().constBits());
        floorMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(floorMs.begin(), floorMs.end());
    state.counters["candidates"] = Candidates;
    state.counters["drawn"] = drawn;
    state.counters["region_tests"] = img.Labels().RegionTests();
    state.counters["drawText_kept_ms"] = floorMs[floorMs.size() / 2];
}
BENCHMARK(BM_LabelCulling)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
