// The store of label boxes against the plain union of regions it stands for.
#include "map/LabelStore.h"

#include <QPolygon>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

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
