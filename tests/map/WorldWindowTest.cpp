// World window and pixel mapping of the map canvas, without a device.
#include "map/WorldWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

TWorldWindow Window(int w, int h, double minX, double minY, double maxX, double maxY)
{
    TWorldWindow win;
    win.Width = w;
    win.Height = h;
    win.SetWorld(minX, minY, maxX, maxY);
    return win;
}

} // namespace

TEST(WorldWindow, LargerRatioDecidesTheScaleOnANonSquareDevice)
{
    // 200 x 100 pixels for a 100 x 100 window: the y ratio (1) beats the x ratio (0.5).
    TWorldWindow win = Window(200, 100, 0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel, 1.0);
    EXPECT_EQ(win.WorldToPixelX(150), 150); // the spare room shows beyond MaxX
    EXPECT_DOUBLE_EQ(win.PixelToWorldX(199), 199.0);
    EXPECT_DOUBLE_EQ(win.MaxX, 100.0);      // the requested bound is kept

    // Here the x ratio wins: 400 units over 200 pixels against 100 over 100.
    win = Window(200, 100, 10, 20, 410, 120);
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel, 2.0);
    EXPECT_DOUBLE_EQ(win.PixelsPerUnit, 0.5);
    EXPECT_EQ(win.WorldToPixelX(10), 0);
    EXPECT_EQ(win.WorldToPixelX(410), 200);
    EXPECT_EQ(win.WorldToPixelY(20), 100);
    EXPECT_EQ(win.WorldToPixelY(120), 50); // y keeps the x scale: only half the height used
}

TEST(WorldWindow, RowsGrowDownwardsFromTheBottomEdge)
{
    TWorldWindow win = Window(200, 100, 0, 0, 100, 100);
    EXPECT_EQ(win.WorldToPixelY(0), 100);           // MinY is one row below the last visible one
    EXPECT_EQ(win.WorldToPixelY(100), 0);
    EXPECT_DOUBLE_EQ(win.PixelToWorldY(0), 100.0);  // MinY + H * UnitsPerPixel
    EXPECT_DOUBLE_EQ(win.PixelToWorldY(100), 0.0);
    EXPECT_LT(win.WorldToPixelY(60), win.WorldToPixelY(40));
}

TEST(WorldWindow, HalfPixelsRoundToEven)
{
    TWorldWindow win = Window(100, 100, 0, 0, 100, 100);
    EXPECT_EQ(win.WorldToPixelX(2.5), 2);
    EXPECT_EQ(win.WorldToPixelX(3.5), 4);
    EXPECT_EQ(win.WorldToPixelX(-2.5), -2);
    EXPECT_EQ(win.WorldToPixelY(2.5), 98);  // 100 - 2
    EXPECT_EQ(win.WorldToPixelY(3.5), 96);  // 100 - 4
    // Halves also come from the scale: 2 units per pixel, x = 5 is pixel 2.5.
    win = Window(50, 50, 0, 0, 100, 100);
    EXPECT_EQ(win.WorldToPixelX(5), 2);
    EXPECT_EQ(win.WorldToPixelX(7), 4);
}

TEST(WorldWindow, PixelWorldPixelRoundTrip)
{
    // An awkward scale and offset, as a real network gives.
    TWorldWindow win = Window(1013, 677, 431234.75, 4581234.125, 433987.5, 4583011.0);
    for (int i = -50; i < 1100; i += 7)
        EXPECT_EQ(win.WorldToPixelX(win.PixelToWorldX(i)), i) << i;
    for (int j = -50; j < 750; j += 5)
        EXPECT_EQ(win.WorldToPixelY(win.PixelToWorldY(j)), j) << j;
    // Far outside the window pixels saturate instead of wrapping round.
    EXPECT_EQ(win.WorldToPixelY(-1e300), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(win.WorldToPixelX(-1e300), std::numeric_limits<int32_t>::min());
}

TEST(WorldWindow, DegenerateDeviceOrWindowKeepsTheLastValidScale)
{
    TWorldWindow win = Window(200, 100, 0, 0, 400, 100); // 2 units per pixel
    ASSERT_DOUBLE_EQ(win.UnitsPerPixel, 2.0);

    win.Width = 0; // a control not laid out yet
    win.SetWorld(0, 0, 50, 50);
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel, 2.0);
    EXPECT_DOUBLE_EQ(win.PixelsPerUnit, 0.5);
    EXPECT_DOUBLE_EQ(win.MaxX, 50.0); // the window itself is stored

    win.Width = 200;
    win.Height = 0;
    win.SetWorld(0, 0, 50, 50);
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel, 2.0);

    // A window of no extent: the mapping still works with the last scale.
    win.Height = 100;
    win.SetWorld(7, 9, 7, 9);
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel, 2.0);
    EXPECT_DOUBLE_EQ(win.PixelToWorldX(10), 27.0);
    EXPECT_EQ(win.WorldToPixelX(win.PixelToWorldX(33)), 33);
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel * win.PixelsPerUnit, 1.0);

    // Back to a proper window: a proper scale.
    win.SetWorld(0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel, 1.0);
}

TEST(WorldWindow, SettersChangeOnlyOnANewValue)
{
    TWorldWindow win = Window(100, 100, 0, 0, 100, 100);
    EXPECT_FALSE(win.SetMinX(0));
    EXPECT_TRUE(win.SetMaxX(300)); // the x ratio (3) now decides
    EXPECT_DOUBLE_EQ(win.UnitsPerPixel, 3.0);
}

TEST(WorldWindow, LineAngleQuadrantsAndAxes)
{
    constexpr double pi = std::numbers::pi;
    EXPECT_DOUBLE_EQ(TWorldWindow::LineAngle(0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(TWorldWindow::LineAngle(0, 0, 0, 5), pi / 2);
    EXPECT_DOUBLE_EQ(TWorldWindow::LineAngle(3, 4, 3, -1), 3 * pi / 2); // straight down
    EXPECT_DOUBLE_EQ(TWorldWindow::LineAngle(3, 4, -1, 4), pi);         // left
    EXPECT_DOUBLE_EQ(TWorldWindow::LineAngle(0, 0, 1, -1), 7 * pi / 4); // never negative
    EXPECT_DOUBLE_EQ(TWorldWindow::LineAngle(0, 0, 2, 2), pi / 4);
}
