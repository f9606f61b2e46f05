// The store of label boxes against the plain union of regions it stands for.
#include "map/LabelStore.h"

#include <QPolygon>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

QRegion Box(int x, int y, int w, int h) { return QRegion(QRect(x, y, w, h)); }

// A label box as the canvas makes it: a rotated rectangle as a polygon region.
QRegion RotatedBox(double x, double y, double w, double h, double degrees)
{
    const double a = degrees * 3.14159265358979 / 180.0, c = std::cos(a), s = std::sin(a);
    QPolygon p;
    p << QPoint(std::lround(x), std::lround(y)) << QPoint(std::lround(x + w * c), std::lround(y - w * s))
      << QPoint(std::lround(x + w * c + h * s), std::lround(y - w * s + h * c))
      << QPoint(std::lround(x + h * s), std::lround(y + h * c)) << QPoint(std::lround(x), std::lround(y));
    return QRegion(p, Qt::OddEvenFill);
}

// The corners of a label box exactly as the canvas computes them: a text of width
// w and font height h at angle (tenths of a degree) anchored at a pixel, shifted
// by the alignment 0..8, each corner rounded half to even.
struct TBox {
    QPoint c[4];
};

TBox LabelBox(int ax, int ay, int w, int h, int angle, int alignment, int offset)
{
    const double a = angle * 3.14159265358979323846 / 1800.0;
    const double sa = angle == 0 ? 0.0 : std::sin(a), ca = angle == 0 ? 1.0 : std::cos(a);
    const double depth = 5.0 * h / 6.0;
    const double x0 = ax + offset * sa, y0 = ay + offset * ca;
    const double x1 = x0 + w * ca, y1 = y0 - w * sa;
    auto round = [](double v) { return int(std::nearbyint(v)); };
    TBox b{{QPoint(round(x0), round(y0)), QPoint(round(x1), round(y1)),
            QPoint(round(x1 + depth * sa), round(y1 + depth * ca)), QPoint(round(x0 + depth * sa), round(y0 + depth * ca))}};
    const QPoint wv = b.c[1] - b.c[0], vv = b.c[2] - b.c[1];
    const QPoint halfW(round(wv.x() / 2.0), round(wv.y() / 2.0)), halfV(round(vv.x() / 2.0), round(vv.y() / 2.0));
    const QPoint shifts[9] = {QPoint(), -halfW, -wv, -halfV, -halfW - halfV, -wv - halfV, -vv, -halfW - vv, -wv - vv};
    for (QPoint& p : b.c)
        p += shifts[alignment];
    return b;
}

// The region such a box stands for, made the plain way: the polygon's pixels, or
// the rectangle between the extremes of a box whose sides run along the axes.
QRegion ReferenceRegion(const TBox& b)
{
    const QPoint* c = b.c;
    if ((c[0].y() == c[1].y() && c[1].x() == c[2].x() && c[2].y() == c[3].y() && c[3].x() == c[0].x()) ||
        (c[0].x() == c[1].x() && c[1].y() == c[2].y() && c[2].x() == c[3].x() && c[3].y() == c[0].y()))
        return QRegion(QRect(QPoint(std::min(c[0].x(), c[2].x()), std::min(c[0].y(), c[2].y())),
                             QPoint(std::max(c[0].x(), c[2].x()) - 1, std::max(c[0].y(), c[2].y()) - 1)));
    return QRegion(QPolygon({c[0], c[1], c[2], c[3], c[0]}), Qt::OddEvenFill);
}

} // namespace

TEST(LabelStore, StartsEmptySoALabelAtTheOriginIsKept)
{
    TLabelStore store;
    EXPECT_TRUE(store.TryAdd(Box(0, 0, 30, 10)));
    EXPECT_FALSE(store.TryAdd(Box(29, 9, 5, 5)));  // shares pixel (29, 9)
    EXPECT_TRUE(store.TryAdd(Box(30, 0, 10, 10))); // edge to edge is no overlap
    EXPECT_TRUE(store.TryAdd(Box(0, 10, 30, 10)));
    EXPECT_EQ(store.Count(), 3);
    store.Clear();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_TRUE(store.TryAdd(Box(5, 5, 5, 5)));
}

TEST(LabelStore, NegativeHugeAndEmptyBoxes)
{
    TLabelStore store;
    EXPECT_TRUE(store.TryAdd(Box(-200, -150, 40, 20))); // off the top-left of the picture
    EXPECT_FALSE(store.Intersects(Box(-160, -130, 5, 5)));
    EXPECT_TRUE(store.Intersects(Box(-161, -131, 5, 5)));
    EXPECT_TRUE(store.Intersects(Box(-162, -132, 5, 5)));
    // A box of thousands of cells goes to the overflow list and is still met.
    EXPECT_TRUE(store.TryAdd(Box(1000, 1000, 20000, 15)));
    EXPECT_TRUE(store.Intersects(Box(15000, 1010, 3, 3)));
    // A huge query meets the small boxes it covers.
    EXPECT_TRUE(store.Intersects(Box(-100000, -100000, 200000, 200000)));
    // An empty region never meets anything and is never kept.
    EXPECT_FALSE(store.Intersects(QRegion()));
    EXPECT_TRUE(store.TryAdd(QRegion()));
    EXPECT_EQ(store.Count(), 2);
}

TEST(LabelStore, SameAnswerAsOneRegionUnion)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> px(-100, 1100), py(-100, 700), len(5, 160), deg(0, 360);
    std::uniform_int_distribution<int> kind(0, 9);
    TLabelStore store;
    QRegion unionRegion;
    int kept = 0, skipped = 0;
    for (int n = 0; n < 3000; ++n) {
        QRegion r;
        if (kind(rng) < 4)
            r = Box(int(px(rng)), int(py(rng)), int(len(rng)), 12);
        else
            r = RotatedBox(px(rng), py(rng), len(rng), 11, deg(rng));
        const bool expected = !unionRegion.intersects(r);
        ASSERT_EQ(store.TryAdd(r), expected) << "label " << n;
        if (expected) {
            unionRegion += r;
            ++kept;
        } else {
            ++skipped;
        }
    }
    // Both outcomes occur, so the comparison means something.
    EXPECT_GT(kept, 100);
    EXPECT_GT(skipped, 100);
}

// Many thousands of label boxes as the canvas makes them, crowded so that most
// meet an earlier one and many only just miss or just touch it, some among
// round markers: the store must give, label by label, the answer of the plain
// region union.
TEST(LabelStore, LabelBoxesGiveTheAnswerOfTheRegionUnion)
{
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> width(5, 200), height(8, 30), angle(0, 3599), alignment(0, 8), offset(0, 6),
        coin(0, 9), nudge(-6, 6), spot(-400, 400), origin(-3000, 3000);
    constexpr int Rounds = 800, PerRound = 250;
    TLabelStore store;
    int64_t candidates = 0, kept = 0, left = 0, regionTests = 0, disagreements = 0;
    for (int round = 0; round < Rounds; ++round) {
        store.Clear();
        QRegion unionRegion;
        int keptHere = 0;
        const int ox = origin(rng), oy = origin(rng);
        // Without the picture's area, with one from the start, and with one that
        // comes midway (the boxes kept so far go in its bitmap then); boxes
        // reach past it.
        const QRect field(ox - 300, oy - 300, 600, 600);
        store.SetArea(round % 3 == 1 ? field : QRect());
        // Some rounds start with regions of other shapes (markers kept clear).
        for (int k = coin(rng) % 3; k > 0; --k) {
            const QRect r(ox + spot(rng), oy + spot(rng), width(rng), width(rng));
            const QRegion marker(r, k == 1 ? QRegion::Ellipse : QRegion::Rectangle);
            if (store.TryAdd(marker)) {
                unionRegion += marker;
                ++keptHere;
            }
        }
        std::vector<std::array<int, 7>> placed; // anchor, size, angle, alignment, offset of each candidate
        for (int n = 0; n < PerRound; ++n) {
            if (round % 3 == 2 && n == PerRound / 2)
                store.SetArea(field);
            std::array<int, 7> p;
            const int pick = coin(rng);
            if (!placed.empty() && pick < 5) {
                // Next to an earlier box: same or another angle, a few pixels off.
                p = placed[std::uniform_int_distribution<size_t>(0, placed.size() - 1)(rng)];
                p[0] += nudge(rng) + (pick < 2 ? p[2] * (coin(rng) < 5 ? 1 : -1) : 0);
                p[1] += nudge(rng) + (pick >= 2 && pick < 4 ? p[3] * (coin(rng) < 5 ? 1 : -1) : 0);
                if (pick == 4)
                    p[4] = angle(rng);
                else if (coin(rng) < 3)
                    p[4] = (p[4] + nudge(rng) + 3600) % 3600;
            } else {
                p = {ox + spot(rng), oy + spot(rng), width(rng), height(rng), angle(rng), alignment(rng), offset(rng)};
                if (pick == 9) // upright boxes of the four axis angles
                    p[4] = 900 * (coin(rng) % 4);
            }
            placed.push_back(p);
            const TBox box = LabelBox(p[0], p[1], p[2], p[3], p[4], p[5], p[6]);
            const QRegion region = ReferenceRegion(box);
            if (n % 8 == 0) { // the canvas hands the same region to its callers
                EXPECT_EQ(TLabelStore::BoxRegion(box.c), region);
            }
            const bool free = unionRegion.intersected(region).isEmpty();
            if (store.TryAdd(box.c) != free && ++disagreements <= 5)
                ADD_FAILURE() << "round " << round << " label " << n << " at " << p[0] << "," << p[1] << " width "
                              << p[2] << " height " << p[3] << " angle " << p[4] << " alignment " << p[5];
            ++candidates;
            if (free) {
                unionRegion += region;
                keptHere += !region.isEmpty();
                ++kept;
            } else {
                ++left;
            }
        }
        EXPECT_EQ(store.Count(), keptHere) << "round " << round;
        regionTests += store.RegionTests();
    }
    EXPECT_EQ(disagreements, 0);
    EXPECT_EQ(candidates, int64_t(Rounds) * PerRound);
    // Both answers are common, so the comparison means something.
    EXPECT_GT(kept, candidates / 10);
    EXPECT_GT(left, candidates / 4);
    // Geometry decides the pairs of boxes; only the markers need regions.
    EXPECT_GT(regionTests, 0);
    EXPECT_LT(regionTests, candidates / 20);
    RecordProperty("region_tests", std::to_string(regionTests));
    std::printf("%lld candidates, %lld kept, %lld region tests\n", (long long)candidates, (long long)kept,
                (long long)regionTests);
}

// Boxes without pixels are never kept and never met; far-off boxes and folded
// ones (too thin to be a proper quadrilateral) fall back on their regions.
TEST(LabelStore, EmptyFarAndFoldedLabelBoxes)
{
    TLabelStore store;
    const TBox empty = LabelBox(10, 10, 0, 12, 0, 0, 0); // a text of no width
    EXPECT_TRUE(store.TryAdd(empty.c));
    EXPECT_EQ(store.Count(), 0);
    const TBox line = LabelBox(50, 50, 0, 12, 450, 4, 0); // rotated, still no width
    EXPECT_EQ(store.TryAdd(line.c), true);
    EXPECT_EQ(store.Count(), ReferenceRegion(line).isEmpty() ? 0 : 1);
    store.Clear();
    const TBox far = LabelBox(2000000000, -2000000000, 120, 14, 300, 4, 0);
    const TBox level = LabelBox(2000000000, -2000000000, 120, 14, 0, 4, 0);
    EXPECT_EQ(store.TryAdd(far.c), !ReferenceRegion(far).isEmpty());
    EXPECT_EQ(store.Intersects(level.c), ReferenceRegion(far).intersects(ReferenceRegion(level)));
    const TBox thin = LabelBox(100, 100, 3, 8, 1234, 4, 0);
    const TBox across = LabelBox(100, 100, 30, 8, 2345, 4, 0);
    QRegion reference = ReferenceRegion(thin);
    EXPECT_TRUE(store.TryAdd(thin.c));
    EXPECT_EQ(store.Intersects(across.c), reference.intersects(ReferenceRegion(across)));
}

// Pixel by pixel: a one-pixel probe meets a stored label box exactly where the
// box's region holds that pixel, on the box's rims above all.
TEST(LabelStore, OnePixelProbesMeetABoxWhereItsRegionHoldsThem)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> width(0, 120), height(8, 30), angle(0, 3599), alignment(0, 8), spot(-300, 300);
    int64_t probes = 0, inside = 0;
    for (int n = 0; n < 1500; ++n) {
        const TBox box = LabelBox(spot(rng), spot(rng), width(rng), height(rng), angle(rng), alignment(rng), 0);
        const QRegion region = ReferenceRegion(box);
        TLabelStore store;
        // No area, one holding every probe, and one the box reaches past.
        const QRect fields[] = {QRect(), QRect(-500, -500, 1000, 1000), QRect(-40, -40, 80, 80)};
        store.SetArea(fields[n % 3]);
        store.TryAdd(box.c);
        const QRect area = QPolygon({box.c[0], box.c[1], box.c[2], box.c[3]}).boundingRect().adjusted(-2, -2, 2, 2);
        int wrong = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const bool expected = region.contains(QPoint(x, y));
                wrong += store.Intersects(QRegion(x, y, 1, 1)) != expected;
                inside += expected;
                ++probes;
            }
        ASSERT_EQ(wrong, 0) << "box " << n << ": " << box.c[0].x() << "," << box.c[0].y() << " " << box.c[1].x() << ","
                            << box.c[1].y() << " " << box.c[2].x() << "," << box.c[2].y() << " " << box.c[3].x() << ","
                            << box.c[3].y();
    }
    EXPECT_GT(inside, probes / 4);
}

// A redraw of the same view offers the boxes of a pass before it again (label
// layers take turns on one store); one that differs from some box on (a moved
// view, a renamed street), stops short or runs longer must still get, box by box,
// the answer of the region union.
TEST(LabelStore, PassesLikeEarlierOnesGiveTheAnswerOfTheRegionUnion)
{
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> width(5, 200), height(8, 30), angle(0, 3599), alignment(0, 8), offset(0, 6),
        spot(-300, 300);
    auto layer = [&](int n) {
        std::vector<TBox> boxes;
        for (int k = 0; k < n; ++k)
            boxes.push_back(LabelBox(spot(rng), spot(rng), width(rng), height(rng), angle(rng), alignment(rng), offset(rng)));
        return boxes;
    };
    const std::vector<TBox> layers[2] = {layer(400), layer(300)};
    int second = 1; // the second box the first layer keeps: moving it frees others
    {
        TLabelStore fresh;
        fresh.TryAdd(layers[0][0].c);
        while (!fresh.TryAdd(layers[0][static_cast<size_t>(second)].c))
            ++second;
    }
    struct Pass {
        int layer;
        int from;   // boxes from here on are moved a little (-1: none)
        int length; // boxes offered
        bool away;  // only the box `from` is moved, far off: the rest are as before
    };
    const Pass passes[] = {{0, -1, 400, false}, {1, -1, 300, false}, {0, -1, 400, false}, {1, -1, 300, false},
                           {0, 150, 400, false}, {0, -1, 400, false}, {1, 0, 300, false},   {0, -1, 250, false},
                           {0, -1, 400, false},  {1, 299, 300, false}, {1, -1, 300, false}, {0, -1, 400, false},
                           {0, second, 400, true}, {0, -1, 400, true},   {1, 0, 300, true},    {1, -1, 300, false}};
    TLabelStore store;
    int pass = 0;
    for (const Pass& p : passes) {
        store.Clear();
        store.SetArea(pass % 2 ? QRect(-250, -250, 500, 500) : QRect()); // bitmap or none, boxes past its rims
        QRegion unionRegion;
        int kept = 0;
        for (int k = 0; k < p.length; ++k) {
            TBox box = layers[p.layer][static_cast<size_t>(k)];
            if (p.from >= 0 && (p.away ? k == p.from : k >= p.from))
                for (QPoint& c : box.c)
                    c += p.away ? QPoint(5000, 5000) : QPoint(3, 1);
            const QRegion region = ReferenceRegion(box);
            const bool free = !unionRegion.intersects(region);
            ASSERT_EQ(store.TryAdd(box.c), free) << "pass " << pass << " box " << k;
            if (free && !region.isEmpty()) {
                unionRegion += region;
                ++kept;
            }
        }
        EXPECT_EQ(store.Count(), kept) << "pass " << pass;
        ++pass;
    }
}
