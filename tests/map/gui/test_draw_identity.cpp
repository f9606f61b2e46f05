// The map's pictures pixel for pixel: the public test networks and the sample
// drawn layer by layer at full extent and zoomed in, their links straight and
// bowed through shape points, with node numbers, street names and zone numbers
// under the overlap test, the lane view, and a few thousand labels at all angles.
// Each picture's digest was taken from the drawing code as it stood before it was
// made faster; a changed pixel changes it, and so does any difference between one
// processor, two or all of them.
#include "map/DisplayStyles.h"
#include "map/DrawLayers.h"
#include "map/DrawState.h"
#include "map/LabelBands.h"
#include "map/MapPainter.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonRead.h"
#include "support/IdentityCases.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <QCryptographicHash>
#include <QImage>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace {

using testutil::ResetDisplayState;

struct Case {
    const char* name;
    const char* file; // a real network, or the sample when it begins with '/'
    double percent;   // the view's share of the extent
    const char* layers;
    const char* expected;
};

// Layers: n links, a arrows, o nodes, c centroids, l lanes, 1 node numbers,
// s street names, r rotated labels (p: in a pass); w: every link bowed through
// 2 to 12 shape points first (see Bow).
const Case Cases[] = {
    {"berlin_full", "berlin-center-truncated.dat", 100, "naoc1", "255c85813c8d2676"},
    {"berlin_zoom", "berlin-center-truncated.dat", 8, "naoc1s", "6e1c4d4afe6ba6a8"},
    {"chicago_full", "chicago-sketch.dat", 100, "naoc1s", "ff3e24f9f0d7f8bc"},
    {"chicago_lanes", "chicago-sketch.dat", 3, "lao1", "2a6ef902b4c852c9"},
    {"chicago_rotated", "chicago-sketch.dat", 100, "nr", "97c6a71ab6608e27/195"},
    {"chicago_rotated_pass", "chicago-sketch.dat", 100, "nrp", "97c6a71ab6608e27/195"},
    {"anaheim_full", "anaheim.dat", 100, "naoc1s", "f99d348babfcfaf1"},
    {"sample_full", "/samples/ejemplo.dat", 100, "naoc1s", "2ef8b71bf18a318b"},
    {"sample_lanes", "/samples/ejemplo.dat", 40, "lao1s", "6d5878914d3503b2"},
    {"chicago_bowed", "chicago-sketch.dat", 100, "naoc1sw", "9aaf3dd1fb6138f2"},
    {"chicago_bowed_lanes", "chicago-sketch.dat", 3, "lnao1w", "942ed991964f8fb8"},
    {"sample_bowed_lanes", "/samples/ejemplo.dat", 40, "lnao1sw", "b07e0bbbae3696a1"},
};

// Gives every link between placed nodes a bow of 2 + k % 11 points (12 at most,
// some links straight), alternately to either side, ends on its nodes: links whose
// points lie inline and links whose points lie apart, drawn side by side.
void Bow()
{
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        TArcos& a = Arcos[k];
        if (a.AIndex < 1 || a.BIndex < 1 || !Nodos[a.AIndex].HasXY || !Nodos[a.BIndex].HasXY)
            continue;
        const double x1 = Nodos[a.AIndex].X, y1 = Nodos[a.AIndex].Y;
        const double dx = Nodos[a.BIndex].X - x1, dy = Nodos[a.BIndex].Y - y1;
        const int32_t n = 2 + k % (MaxShapePoints - 1);
        const double side = k % 2 ? 0.15 : -0.15;
        a.PointCount = n;
        for (int32_t j = 0; j < n; ++j) {
            const double t = double(j) / (n - 1), w = j == 0 || j == n - 1 ? 0.0 : side * std::sin(3.14159265 * t);
            a.Points[j + 1] = {x1 + t * dx - w * dy, y1 + t * dy + w * dx};
        }
    }
}

class DrawIdentity : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        Network.ErrorList.clear();
        ResetDisplayState();
    }
    testutil::TempDir tmp;
    RecordingServices ui;
};

} // namespace

TEST_P(DrawIdentity, PixelsAsBefore)
{
    const Case& c = GetParam();
    const std::string path = testutil::CaseNetworkPath(c.file);
    if (path.empty())
        FAIL() << "no real networks at " << testutil::realDataPath("");
    // Read and drawn on one processor, on two and on all of them: the threads of
    // the reading and of the label pass give the same picture.
    for (const int cores : {1, 2, 0}) {
        SCOPED_TRACE(testing::Message() << cores << " processors (0: all)");
        const testutil::OnCores on(cores);
        const bool bowed = std::string(c.layers).find('w') != std::string::npos;
        ASSERT_TRUE(testutil::ReadCaseNetwork(path, tmp.file("Errores.txt"), bowed ? Bow : std::function<void()>()));

        const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
        const double cx = Network.MinX + w / 2, cy = Network.MinY + h / 2, f = c.percent / 200.0;
        UserView().WorldMinX = cx - w * f;
        UserView().WorldMaxX = cx + w * f;
        UserView().WorldMinY = cy - h * f;
        UserView().WorldMaxY = cy + h * f;

        TOxrImage img;
        img.resize(1200, 800);
        img.SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
        // Drawn twice on the same canvas: a redraw of the same view takes the
        // overlap answers of the one before, and gives the same picture.
        auto draw = [&] {
            img.Clear();
            KDVlib::SetGrid(UserView().WorldMinX, UserView().WorldMaxX, UserView().WorldMinY, UserView().WorldMaxY);
            TNetworkOptions options;
            options.KeepHitRegions = true;
            options.ColorNode = true;
            options.Semaforos = true;
            const std::string layers = c.layers;
            auto has = [&](char k) { return layers.find(k) != std::string::npos; };
            if (has('l'))
                DrawLayers::DrawNetWorkLanes(img, options);
            if (has('n'))
                DrawLayers::DrawNetWork(img, options);
            if (has('a'))
                DrawLayers::DrawArrows(img, options);
            if (has('o'))
                DrawLayers::DrawNodes(img, options);
            if (has('c')) {
                img.ResetLabelsOff();
                DrawLayers::DrawCents(img, options);
                img.ResetLabels();
            }
            if (has('1')) {
                img.ResetLabelsOff();
                DrawLayers::DrawNameNodes(img, options);
                img.ResetLabels();
            }
            if (has('s')) {
                img.ResetLabelsOff();
                DrawLayers::DrawCalles(img, options);
                img.ResetLabels();
            }
            int drawn = -1;
            if (has('r')) {
                // Labels at pseudo-random angles on the nodes, under the overlap test.
                QFont font(QStringLiteral("DejaVu Sans"));
                font.setPixelSize(11);
                img.Canvas()->setFont(font);
                img.Canvas()->setBrush(Qt::NoBrush);
                img.ResetLabelsOff();
                std::optional<TMapPainter::TLabelPass> pass;
                if (has('p')) // written by the threads of a pass: the same picture
                    pass.emplace(img);
                uint32_t seed = 12345;
                for (int k = 0; k < 4000; ++k) {
                    seed = seed * 1103515245u + 12345u;
                    const int angle = int((seed >> 8) % 3600);
                    const TNodo& n = Nodos[1 + k % Network.NodeCount];
                    img.LabelAt(angle, "Calle " + std::to_string(n.Number), n.X, n.Y, int((seed >> 4) % 9), k % 3);
                }
                pass.reset();
                drawn = img.Labels().Count();
                img.ResetLabels();
            }
            return testutil::PixelDigest(img.Picture()) + (drawn >= 0 ? "/" + std::to_string(drawn) : "");
        };
        const std::string digest = draw();
        EXPECT_EQ(draw(), digest) << c.name << " drawn again";
        if (std::string(c.layers).find('o') != std::string::npos && std::string(c.layers).find('n') != std::string::npos) {
            // What the digest stands for: ink at every node in the picture.
            const QImage& pic = img.Picture();
            int nodes = 0, inked = 0;
            for (int32_t n = 1; n <= Network.NodeCount; ++n) {
                const QPoint at = img.WorldToPoint(Nodos[n].X, Nodos[n].Y);
                if (!Nodos[n].HasXY || !pic.rect().adjusted(1, 1, -1, -1).contains(at))
                    continue;
                ++nodes;
                bool ink = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        ink = ink || QColor(pic.pixel(at + QPoint(dx, dy))) != QColor(Qt::white);
                inked += ink;
            }
            EXPECT_GT(nodes, 0) << c.name;
            EXPECT_EQ(inked, nodes) << c.name;
        }
        if (std::getenv("VELMORA_PRINT_DIGESTS"))
            std::printf("    {\"%s\", \"%s\", %g, \"%s\", \"%s\"},\n", c.name, c.file, c.percent, c.layers, digest.c_str());
        EXPECT_EQ(digest, c.expected) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Maps, DrawIdentity, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// Labels whose text is laid out once and then written as glyph runs must land on
// the pixels plain text drawing gives: level and rotated, several fonts and
// sizes (glyphs too large for the glyph cache too), accented names, opaque backgrounds, the same texts again at other
// angles (reusing the layouts), and fonts with decorations, which are drawn as
// text.
TEST(LabelText, LaidOutRunsWriteThePixelsOfText)
{
    ResetDisplayState();
    struct Look { const char* family; int pixels; bool bold, italic, underline; };
    const Look looks[] = {{"DejaVu Sans", 11, false, false, false}, {"Liberation Serif", 15, true, true, false},
                          {"Noto Mono", 9, false, false, false},    {"DejaVu Sans", 13, false, false, true},
                          {"Liberation Sans", 20, true, false, false}, {"Liberation Sans", 70, false, false, false}};
    const std::string texts[] = {"101",          "Calle Ñuñoa",   "Av. José Martí 2450", "WAVY To",
                                 "fi ffl",       "  espacios  ",  "Ruta 5 Sur",          "\xc3\xa1rbol \xc3\xa9xito",
                                 "Ω alfa",       "x"};
    // lookRun 0: a look drawn at random for each label; otherwise that many
    // labels in a row share one, as in a layer's pass.
    // levelLayer: level labels only, with the painter's pen in the text colour, as
    // the node-number layer writes them (gathered and written together in a pass).
    // rounds: the same drawing again on the same picture, whose painter keeps
    // what it wrote before (the rotated labels' glyphs).
    int64_t reused = 0;
    auto draw = [&](bool reuse, bool inPass, int lookRun, bool levelLayer = false, int rounds = 1) {
        TMapPainter::ReuseLayouts = reuse;
        auto img = std::make_unique<TOxrImage>();
        img->resize(900, 700);
        img->SetWorld(0, 0, 900, 700);
        for (int round = 0; round < rounds; ++round) {
        img->Clear();
        QPainter& p = *img->Canvas();
        // Something under the labels, so blending shows.
        for (int k = 0; k < 60; ++k) {
            p.setPen(QPen(QColor::fromRgb(0x203040 * (k + 1) & 0xffffff), 1 + k % 4));
            p.drawLine(k * 15, 0, 900 - k * 7, 700);
        }
        std::optional<TMapPainter::TLabelPass> labelPass;
        if (inPass)
            labelPass.emplace(*img);
        uint32_t seed = 777;
        for (int pass = 0; pass < 2; ++pass)
            for (int k = 0; k < 600; ++k) {
                seed = seed * 1103515245u + 12345u;
                const Look& look = looks[lookRun == 0 ? (seed >> 3) % std::size(looks) : (k / lookRun) % std::size(looks)];
                QFont font(QString::fromLatin1(look.family));
                font.setPixelSize(look.pixels);
                font.setBold(look.bold);
                font.setItalic(look.italic);
                font.setUnderline(look.underline);
                p.setFont(font);
                if ((seed >> 7) % (lookRun == 0 ? 6 : 60) == 0)
                    p.setBrush(QColor(250, 250, 200));
                else
                    p.setBrush(Qt::NoBrush);
                img->FontColor = QColor::fromRgb(lookRun == 0 ? (seed >> 5) & 0xffffff : 0x304050u * (k / lookRun + 1));
                if (levelLayer)
                    p.setPen(QPen(img->FontColor));
                const int angle = levelLayer || (seed >> 9) % 4 == 0 ? 0 : int((seed >> 11) % 3600);
                const double x = double((seed >> 13) % 1000) - 50, y = double((seed >> 2) % 800) - 50;
                img->LabelAt(angle, texts[(seed >> 17) % 10], x, y, int((seed >> 21) % 9), int(seed % 3));
                if (k == 300) // in a pass, drawing in its middle comes after the labels before it
                    img->LineW(0, 350, 900, 340);
            }
        labelPass.reset();
        }
        reused = img->LabelStampsReused();
        TMapPainter::ReuseLayouts = true;
        return img->Picture().copy();
    };
    auto differing = [](const QImage& a, const QImage& b) {
        int count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                count += a.pixel(x, y) != b.pixel(x, y);
        return count;
    };
    const QImage asText = draw(false, false, 0);
    const QImage asRuns = draw(true, false, 0);
    ASSERT_EQ(asText.size(), asRuns.size());
    EXPECT_EQ(differing(asText, asRuns), 0);

    // In a pass the labels are written at its end by several threads, each on a
    // band of rows: the same pixels again, whether the look changes at every
    // label or holds for long runs (which the threads share out).
    // Later drawings write rotated labels from the glyphs kept from the second.
    EXPECT_EQ(differing(asText, draw(true, true, 0)), 0);
    EXPECT_EQ(differing(asText, draw(true, true, 0, false, 3)), 0);
    EXPECT_GT(reused, 300);
    const QImage runsAsText = draw(false, false, 150);
    const int banded = LabelBands::BandedWrites();
    const QImage runsInPass = draw(true, true, 150);
    EXPECT_EQ(differing(runsAsText, runsInPass), 0);
    EXPECT_EQ(differing(runsAsText, draw(true, true, 150, false, 3)), 0);
    if (LabelBands::BandCount(700, 1000) > 1) {
        EXPECT_GT(LabelBands::BandedWrites(), banded); // the threads did write them
    }
    EXPECT_GT(differing(runsAsText, asText), 0); // the two drawings do differ
    EXPECT_EQ(differing(draw(false, false, 150, true), draw(true, true, 150, true)), 0);
    // Level glyphs are written from the pixels they left before, wherever they stand.
    EXPECT_EQ(differing(draw(false, false, 0, true), draw(true, true, 0, true, 2)), 0);
}

// Thin lines batched on the map's picture are written directly where both ends
// lie on it: they must set the pixels the painter sets, at every slope and
// length (single pixels, short steps, the picture's edges and corners), for a
// one-pixel and a zero-width pen, square and round caps; lines that reach past
// the picture, a flat cap and a translucent colour go to the painter.
TEST(ThinLines, WrittenLinesSetThePixelsOfThePainter)
{
    constexpr int W = 331, H = 217;
    std::vector<QLine> lines;
    uint32_t seed = 4242;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int k = 0; k < 6000; ++k) {
        const int reach = k % 4 == 0 ? 3 : (k % 4 == 1 ? 40 : 400);
        const QPoint a(int(next() % W), int(next() % H));
        const QPoint b(a.x() + int(next() % (2 * reach + 1)) - reach, a.y() + int(next() % (2 * reach + 1)) - reach);
        lines.emplace_back(a, k % 5 == 0 ? QPoint(std::clamp(b.x(), 0, W - 1), std::clamp(b.y(), 0, H - 1)) : b);
    }
    for (int k = 0; k < 40; ++k) // along the edges, corner to corner, and single pixels
        lines.emplace_back(QPoint(k % 2 ? W - 1 : 0, k * 5), QPoint(k % 3 ? 0 : W - 1, H - 1 - k * 5));
    lines.emplace_back(QPoint(0, 0), QPoint(W - 1, H - 1));
    lines.emplace_back(QPoint(W - 1, 0), QPoint(0, H - 1));
    lines.emplace_back(QPoint(5, 5), QPoint(5, 5));
    lines.emplace_back(QPoint(W - 1, H - 1), QPoint(W - 1, H - 1));

    struct Pen { double width; Qt::PenCapStyle cap; QColor color; };
    const Pen pens[] = {{1, Qt::SquareCap, QColor(200, 30, 60)},
                        {0, Qt::SquareCap, QColor(0, 0, 0)},
                        {1, Qt::RoundCap, QColor(10, 120, 250)},
                        {1, Qt::FlatCap, QColor(10, 120, 250)},
                        {1, Qt::SquareCap, QColor(10, 120, 250, 128)}};
    for (const Pen& look : pens) {
        QPen pen(look.color, look.width);
        pen.setCapStyle(look.cap);
        for (size_t first = 0; first < lines.size(); first += 500) {
            const std::span<const QLine> batch(lines.data() + first, std::min<size_t>(500, lines.size() - first));
            QImage byPainter(W, H, QImage::Format_RGB32);
            byPainter.fill(Qt::white);
            {
                QPainter p(&byPainter);
                p.setPen(pen);
                p.drawLines(batch.data(), int(batch.size()));
            }
            QImage byMap(W, H, QImage::Format_RGB32);
            byMap.fill(Qt::white);
            {
                QPainter p(&byMap);
                p.setPen(pen);
                TMapPainter map;
                map.SetPainter(&p);
                map.SetDeviceSize(W, H);
                map.LinesPixels(batch);
                map.SetPainter(nullptr);
            }
            EXPECT_TRUE(byMap == byPainter) << "pen width " << look.width << " cap " << int(look.cap) << " alpha "
                                            << look.color.alpha() << ", lines from " << first;
        }
    }
}

// Kept glyphs are taken again wherever the same label stands anew (a pan, a
// zoom): across the powers of two where the painter's arithmetic changes, at
// the picture's edges and at fractional positions, in one thread and in several.
TEST(LabelText, KeptGlyphsLandWhereTextLandsWhereverTheLabelMoves)
{
    QImage back(700, 600, QImage::Format_RGB32);
    back.fill(Qt::white);
    {
        QPainter p(&back);
        for (int k = 0; k < 40; ++k) {
            p.setPen(QPen(QColor::fromRgb(0x203040 * (k + 1) & 0xffffff), 1 + k % 3));
            p.drawLine(k * 17, 0, 700 - k * 9, 600);
        }
    }
    TBandStyle style;
    style.font = QFont(QStringLiteral("DejaVu Sans"));
    style.font.setPixelSize(12);
    style.pen = QPen(QColor(200, 30, 60));
    style.hints = QPainter::TextAntialiasing;
    const QFontMetrics fm(style.font, &back);
    const QString texts[] = {QStringLiteral("Calle 113 nº 149"), QString::fromUtf8("Ñuñoa Árbol"), QStringLiteral("fi Wave")};
    const int angles[] = {2400, 900, 450, 1800, 3150, 123};
    TLabelStamps stamps;
    int differing = 0;
    // Then a wide picture, on which the rows kept for making glyphs are fewer
    // than an upright label's.
    const QImage wide = back.scaled(3200, 400);
    for (int round = 0; round < 48; ++round) {
        const QImage& on = round < 24 ? back : wide;
        std::vector<TBandLabel> labels;
        for (int a = 0; a < 6; ++a)
            for (int t = 0; t < 3; ++t) {
                // Positions sweep the picture in steps that cross 64, 128, 256 and 512.
                const double x =
                    -20 + ((round * 37 + a * 113 + t * 61) % (on.width() + 20)) + (round % 4 == 3 ? 0.25 : 0.0);
                const double y = -20 + ((round * 29 + a * 71 + t * 97) % (on.height() + 20));
                TBandLabel l;
                l.transform = QTransform::fromTranslate(x, y);
                l.transform.rotate(-angles[a] / 10.0);
                l.baseline = QPoint(0, fm.ascent());
                l.text = texts[t];
                const int w = fm.horizontalAdvance(l.text), h = fm.height(), m = h / 2 + 2;
                l.reach = l.transform.mapRect(QRect(0, 0, w, h).adjusted(-m, -m, m, m)).adjusted(-2, -2, 2, 2);
                labels.push_back(l);
            }
        QImage asText = on.copy(), fromKept = on.copy();
        LabelBands::Write(asText, style, labels, 1);
        stamps.Write(fromKept, style, labels, round % 2 ? 8 : 1);
        differing += asText != fromKept;
    }
    // A label seen twice across the right edge, then further in (a pan, a wider
    // window): the glyphs that were past the edge are written too. Across every
    // edge, level and rotated, a label drawn again where it stood (a redraw) is
    // written from the glyphs kept there.
    struct Edge {
        QPointF first, step;
        int count, angle, shift; // shift: the third drawing's, in pixels to the left
    };
    const Edge edges[] = {{{540, 300}, {1, 0}, 60, 0, 30},      {{-150, 300}, {2.5, 0}, 70, 0, 0},
                          {{300, -14}, {0, 0.5}, 40, 0, 0},     {{-60, 200}, {3, 0}, 30, 300, 0},
                          {{200, -40}, {0, 2.25}, 30, 2700, 0}, {{-30, -20}, {2, 1.5}, 20, 450, 0},
                          {{560, 100}, {4.5, 0}, 30, 200, 0},   {{250, 570}, {0, 1.25}, 30, 0, 0},
                          {{600, 540}, {3, 2}, 20, 3300, 0}};
    int64_t reusedAtEdges = 0;
    for (const Edge& e : edges)
        for (int k = 0; k < e.count; ++k) {
            TLabelStamps edge;
            for (const int dx : {0, 0, -e.shift}) {
                const QPointF at = e.first + k * e.step + QPointF(dx, 0);
                TBandLabel l;
                l.transform = QTransform::fromTranslate(at.x(), at.y());
                l.transform.rotate(-e.angle / 10.0);
                l.baseline = QPoint(0, fm.ascent());
                l.text = QStringLiteral("Ruta   5 -   Paso   Alto");
                const int w = fm.horizontalAdvance(l.text), h = fm.height();
                l.reach = l.transform.mapRect(QRect(-10, -10, w + 20, h + 20));
                QImage asText = back.copy(), fromKept = back.copy();
                LabelBands::Write(asText, style, {l}, 1);
                edge.Write(fromKept, style, {l}, 1);
                differing += asText != fromKept;
            }
            if (e.shift == 0)
                reusedAtEdges += edge.Reused();
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(reusedAtEdges, 220); // not written as text every time
    EXPECT_GT(stamps.Reused(), 15); // taken again at other places, not only made afresh
    // A picture drawn once keeps nothing, though a street's name comes many times in it.
    TBandLabel name;
    name.transform = QTransform::fromTranslate(100, 100);
    name.baseline = QPoint(0, fm.ascent());
    name.text = QStringLiteral("Calle Mayor");
    name.reach = QRect(90, 90, fm.horizontalAdvance(name.text) + 20, fm.height() + 20);
    QImage once = back.copy();
    TLabelStamps kept;
    kept.Write(once, style, std::vector<TBandLabel>(5, name), 1);
    EXPECT_EQ(kept.Stamped(), 0);
}

// One pass of level labels whose glyphs, at their fractions of a pixel, are more
// than the kept glyphs' bound (names in several scripts): the glyphs kept before
// the bound was reached must still be there when the pass is written.
TEST(LabelText, LevelGlyphsPastTheBoundLandAsTheirText)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    const QRawFont raw = QRawFont::fromFont(font);
    const QPen pen(QColor(20, 40, 200));
    QList<quint32> glyphs;
    QList<QPointF> positions;
    for (int k = 0; k < 26000; ++k) { // 400 glyphs, each at 64 fractions of a pixel
        glyphs.push_back(quint32(3 + k / 64 % 400));
        positions.push_back(QPointF(5 + k % 100 * 9 + k % 64 / 64.0, 12 + k / 100 % 78 * 10));
    }
    QImage asText(920, 800, QImage::Format_RGB32);
    asText.fill(Qt::white);
    QImage kept = asText.copy();
    {
        QPainter p(&asText);
        p.setPen(pen);
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        p.drawGlyphRun(QPointF(0, 0), run);
    }
    TGlyphStamps stamps;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(stamps.Write(kept, raw, pen, QPainter::TextAntialiasing, QTransform(), glyphs, positions));
        EXPECT_EQ(kept, asText) << "round " << round; // the second from kept glyphs alone
        kept.fill(Qt::white);
    }
}

// Node circles, class rings and centroid triangles written into the map's
// picture take the pixels the painter gives when it draws them itself (a picture
// it cannot write into directly), at sizes whose rows run from one pixel to
// many, near the edges too.
TEST(NodeLayers, WrittenSymbolsSetThePixelsOfThePainter)
{
    testutil::TempDir tmp;
    RecordingServices ui;
    Network.ErrorList.clear();
    ResetDisplayState();
    const std::string path = testutil::CaseNetworkPath("berlin-center-truncated.dat");
    ASSERT_FALSE(path.empty()) << "no real networks at " << testutil::realDataPath("");
    ASSERT_TRUE(testutil::ReadCaseNetwork(path, tmp.file("Errores.txt")));
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        Nodos[n].Mark = n % 7 == 0 ? 1 + n % 5 : 0;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        Zonas[z].Class = z % 3 == 0 ? 1 + z % 4 : 0;

    constexpr int W = 640, H = 420;
    const double w = Network.MaxX - Network.MinX, h = Network.MaxY - Network.MinY;
    const double cx = Network.MinX + w / 2, cy = Network.MinY + h / 2;
    auto draw = [&](QImage::Format format, double share) {
        QImage picture(W, H, format);
        picture.fill(Qt::white);
        QPainter p(&picture);
        TMapPainter map;
        map.SetPainter(&p);
        map.SetDeviceSize(W, H);
        map.SetWorld(cx - w * share, cy - h * share, cx + w * share, cy + h * share);
        KDVlib::SetGrid(cx - w * share, cx + w * share, cy - h * share, cy + h * share);
        TNetworkOptions options;
        options.ColorNode = true;
        DrawLayers::DrawNodes(map, options);
        DrawLayers::DrawCents(map, options);
        map.SetPainter(nullptr);
        p.end();
        return picture.convertToFormat(QImage::Format_RGB32);
    };
    for (const int32_t size : {2, 3, 5, 9, 14}) {
        UserView().NodeSize = size;
        UserView().CentroidSize = size + 1;
        for (const double share : {0.5, 0.06}) {
            const QImage written = draw(QImage::Format_RGB32, share);
            const QImage painted = draw(QImage::Format_ARGB32_Premultiplied, share);
            EXPECT_TRUE(written == painted) << "size " << size << ", view " << share;
            int inked = 0; // the pictures are not both blank
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x)
                    inked += written.pixel(x, y) != QColor(Qt::white).rgb();
            EXPECT_GT(inked, 1000) << "size " << size << ", view " << share;
        }
    }
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        Nodos[n].Mark = 0;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        Zonas[z].Class = 0;
    ResetDisplayState();
}
