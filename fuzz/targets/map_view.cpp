// The map drawn at any scale the input names: every network layer and label
// layer, and each drawing primitive, at zooms from the whole network down past
// the precision of the coordinates, on an off-screen picture. The input is
// numbers: the zoom (powers of ten below the network's extent), the centre as a
// share of the extent, and sizes handed to the primitives.
#include "FuzzSupport.h"

#include "map/DrawLayers.h"
#include "map/LabelStore.h"
#include "map/MapPainter.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>

namespace {

std::array<double, 6> Numbers(const uint8_t* data, size_t size)
{
    std::array<double, 6> v{0, 0.5, 0.5, 10, 40, 900};
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::string word;
    for (double& x : v) {
        if (!(in >> word))
            break;
        x = std::strtod(word.c_str(), nullptr);
    }
    return v;
}

} // namespace

// The font library keeps a few blocks for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_map_view";
    static char* argv[] = {name, nullptr};
    static bool offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 0) == 0; // no display needed
    static QGuiApplication* app = new QGuiApplication(argc, argv); // text needs one
    (void)offscreen;
    (void)app;
    fuzz::Init();
    static bool loaded = false;
    if (!loaded) {
        fuzz::LoadBaseNetwork("siouxfalls.dat");
        KDVlib::BuildHitGrid();
        PalvonRead::ComputeLinkGeometry(TLaneWidth{});
        loaded = true;
    }
    const auto [zoom, fx, fy, extent, offset, angle] = Numbers(data, size);

    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    const double cx = Network.MinX + fx * w, cy = Network.MinY + fy * h;
    const double half = 0.5 * w * std::pow(10.0, -std::clamp(zoom, -3.0, 320.0));
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    TMapPainter map;
    map.SetPainter(&p);
    map.SetDeviceSize(image.width(), image.height());
    map.SetWorld(cx - half, cy - half, cx + half, cy + half);
    KDVlib::SetGrid(cx - half, cx + half, cy - half, cy + half);

    TNetworkOptions options;
    options.KeepHitRegions = true;
    options.Semaforos = true;
    DrawLayers::DrawNetWork(map, options);
    DrawLayers::DrawNetWorkLanes(map, options);
    DrawLayers::DrawArrows(map, options);
    DrawLayers::DrawNodes(map, options);
    map.ResetLabelsOff();
    DrawLayers::DrawCents(map, options);
    map.ResetLabelsOff();
    DrawLayers::DrawNameNodes(map, options);
    map.ResetLabelsOff();
    DrawLayers::DrawCalles(map, options);

    // Each primitive between the nodes, sized by the input (world units where
    // the primitive takes them, pixels otherwise).
    // Only the primitives' own double arguments take NaN; their pixel counts are ints.
    const auto whole = [](double v) { return std::isnan(v) ? 0 : int32_t(std::clamp(v, -1e9, 1e9)); };
    const int32_t pixels = whole(offset);
    const int32_t tenths = whole(angle);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    p.setFont(font);
    map.ResetLabelsOff();
    std::vector<TPoint> ring;
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const TNodo& a = Nodos[n];
        const TNodo& b = Nodos[n % Network.NodeCount + 1];
        const TPoint pa{a.X, a.Y}, pb{b.X, b.Y};
        ring.push_back(pa);
        p.setBrush(n % 2 ? Qt::NoBrush : Qt::SolidPattern);
        map.LabelAt(int32_t(int64_t(tenths) * n % 36000), "12345.67", a.X, a.Y, n % 9, pixels);
        map.LabelAtPts(pa, tenths, "Calle " + std::to_string(n), n % 9, pixels);
        map.LineW(a.X, a.Y, b.X, b.Y);
        map.Circle(a.X, a.Y, extent);
        map.Circle(a.X, a.Y, -std::abs(extent));
        map.RectangleW(a.X, a.Y, b.X, b.Y);
        map.PolygonRectW(pixels, pixels / 2, a.X, a.Y, b.X, b.Y);
        map.PolylineArrays(n % 6, tenths, a.X, a.Y, pixels);
        map.PolygonPts(extent, tenths, a.X, a.Y);
        map.PolylinePts(extent, tenths, a.X, a.Y);
        map.ArrowA(pa, pb);
        map.ArrowB(pb, pa);
        map.DrawCursorMark(extent, a.X, a.Y);
        map.DrawCursorMark(-std::abs(extent), a.X, a.Y);
        map.CurveWithLabels(TPoint{(a.X + b.X) / 2, a.Y}, pa, pb, "10");
        map.DrawSymbolW(pa, pb, {1, 1, 1}, 1.0);
        map.TextAlongW(pa, pb, {1, 0, 1}, n % 3, "250");
        map.TextAngleW(pa, pb, {0, 1, 0}, n % 3, "25");
        (void)map.CircleRegion(pa, pixels);
        (void)map.PolygonRegion(pa, pb, pixels, pixels);
        QLine line;
        map.SegmentPixels(pa, pb, line);
    }
    const int32_t last = int32_t(ring.size()) - 1;
    p.setBrush(Qt::SolidPattern);
    map.PolygonPtArray(ring, last);
    map.PolylinePtArray(ring, last, pixels);
    map.PolygonPtArrayB(ring, last, pixels, pixels / 2);
    (void)map.AddPolygonRegion(ring, last, 1);
    (void)map.AddPolygonRegion(ring, last, 2);
    p.end();

    // Boxes along the pixel axes as wide as the int range.
    TLabelStore store;
    const int32_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    const int32_t y = pixels;
    const QPoint wide[4] = {{lo, y}, {hi, y}, {hi, y + 12}, {lo, y + 12}};
    const QPoint tall[4] = {{y, lo}, {y + 40, lo}, {y + 40, hi}, {y, hi}};
    store.TryAdd(wide);
    store.TryAdd(tall);
    (void)TLabelStore::BoxRegion(wide);
    return 0;
}
