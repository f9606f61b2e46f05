#include "printing/ZelPrinter.h"
#include "printing/ZelPrinterPage.h"

#include <QImage>
#include <QPolygonF>

#include <functional>
#include <vector>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

TPoint Pt(double x, double y)
{
    TPoint p;
    p.x = x;
    p.y = y;
    return p;
}

// A page of w x h pixels showing the world 0..w, 0..h one unit a pixel.
QImage Page(QPainter& p, int w = 100, int h = 100)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    ZelPrinter::SetPageSize(w, h);
    ZelPrinter::SetMinX(0);
    ZelPrinter::SetMaxX(w);
    ZelPrinter::SetMinY(0);
    ZelPrinter::SetMaxY(h);
    return image;
}

bool White(const QImage& image, int x, int y) { return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF; }

} // namespace

TEST(ZelPrinter, WindowFitsPageWithSlackAtTopAndHalvesToEven)
{
    ZelPrinter::SetPageSize(1000, 1000);
    ZelPrinter::SetMinX(0);
    ZelPrinter::SetMaxX(200);
    ZelPrinter::SetMinY(0);
    ZelPrinter::SetMaxY(100);
    EXPECT_DOUBLE_EQ(ZelPrinter::UnitsPerPixel(), 0.2);
    EXPECT_EQ(ZelPrinter::WorldToPixelX(200), 1000);
    EXPECT_EQ(ZelPrinter::WorldToPixelY(100), 500); // the upper half stays empty
    EXPECT_EQ(ZelPrinter::WorldToPixelY(0), 1000);
    // 2.5 and 3.5 pixels: to the even neighbours.
    EXPECT_EQ(ZelPrinter::WorldToPixelX(0.5), 2);
    EXPECT_EQ(ZelPrinter::WorldToPixelX(0.7), 4);
    EXPECT_DOUBLE_EQ(ZelPrinter::PixelToWorldY(1000), 0.0);

    // A window without extent keeps the last scale instead of dividing by zero.
    ZelPrinter::SetPageSize(10, 10);
    ZelPrinter::SetMinX(5);
    ZelPrinter::SetMaxX(5);
    ZelPrinter::SetMinY(5);
    const double before = ZelPrinter::PixelsPerUnit();
    ZelPrinter::SetMaxY(5);
    EXPECT_DOUBLE_EQ(ZelPrinter::UnitsPerPixel(), 0.0);
    EXPECT_DOUBLE_EQ(ZelPrinter::PixelsPerUnit(), before);
    ZelPrinter::ClearScale();
    EXPECT_DOUBLE_EQ(ZelPrinter::PixelsPerUnit(), 0.0);
}

TEST(ZelPrinter, ArrowheadsPointAlongTheirAngle)
{
    QPainter p;
    QImage image = Page(p);
    p.begin(&image);
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    // Pointing east with the tip at (50, 50): the body lies to the west.
    ZelPrinter::ArrowHeadFilled(&p, 20, 0, 50, 50);
    // Apex-up triangle around (20, 80).
    ZelPrinter::TriangleW(&p, 8, 20, 80);
    p.end();
    EXPECT_FALSE(White(image, 42, 50));
    EXPECT_TRUE(White(image, 58, 50));
    EXPECT_TRUE(White(image, 50, 40));
    // Device y of world 80 is 20: the base is below (y 28), the apex above (y 12).
    EXPECT_FALSE(White(image, 20, 26));
    EXPECT_TRUE(White(image, 14, 14));
}

TEST(ZelPrinter, SignalOfFourteenPixelsHasEvenRoundedLamps)
{
    QPainter p;
    QImage image = Page(p);
    p.begin(&image);
    p.setPen(Qt::black);
    ZelPrinter::SignalW(&p, -14, 50, 50);
    p.end();
    // Lamps 4 pixels apart: red on top, amber in the middle, green below.
    EXPECT_EQ(QColor(image.pixel(50, 46)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(50, 50)), QColor(255, 255, 0));
    EXPECT_EQ(QColor(image.pixel(50, 54)), QColor(0, 128, 0));
    // The box is 2 pixels to each side: nothing beyond.
    EXPECT_TRUE(White(image, 54, 50));
}

TEST(ZelPrinter, TurnSymbolWithoutFlagsIsOnlyTheShaft)
{
    QPainter p;
    QImage image = Page(p);
    p.begin(&image);
    p.setPen(QPen(Qt::black, 1));
    // Approach from (10, 50) towards (90, 50): u = 8 units, the shaft 60/9 u long.
    ZelPrinter::TurnSymbol(&p, Pt(10, 50), Pt(90, 50), {0, 0, 0}, 0, "");
    p.end();
    int dark = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (!White(image, x, y)) {
                ++dark;
                EXPECT_EQ(y, 50) << x;
            }
    EXPECT_GE(dark, 50);
    EXPECT_FALSE(White(image, 60, 50));
    EXPECT_TRUE(White(image, 70, 50));
}

TEST(ZelPrinterPage, PictureSizesAndMargins)
{
    // Keeping the 800 x 600 view by width on a 4800-pixel page.
    EXPECT_EQ(ZelPrinter::PictureSize(4800, 6600, true, true, 800, 600), QSize(4800, 3600));
    EXPECT_EQ(ZelPrinter::PictureSize(4800, 6600, true, false, 800, 600), QSize(8800, 6600));
    EXPECT_EQ(ZelPrinter::PictureSize(4800, 6600, false, true, 800, 600), QSize(4800, 6600));
    EXPECT_EQ(ZelPrinter::PictureSize(4800, 6600, true, true, 0, 600), QSize(4800, 6600));
    // A page narrower than the box: margins left and right only.
    EXPECT_EQ(ZelPrinter::PageMargins(100, 200, 300, 200), QSize(100, 0));
    EXPECT_EQ(ZelPrinter::PageMargins(200, 100, 200, 300), QSize(0, 100));
    EXPECT_EQ(ZelPrinter::PageMargins(0, 100, 200, 300), QSize(0, 0));
    // About two million pixels in the proportions of 400 x 300.
    EXPECT_EQ(ZelPrinter::GifSize(400, 300, 2), QSize(1633, 1225));
}

// ---- The printer layer's own figures, read from a recorded page ----
#include "platform/PagePicture.h"

namespace {

// The polygons drawn by `draw` on a 100 x 100 page, in device pixels.
std::vector<QPolygonF> Recorded(const std::function<void(QPainter&)>& draw)
{
    TPagePicture page(100, 100, 96);
    QPainter p;
    Page(p);
    p.begin(&page);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::black);
    draw(p);
    p.end();
    std::vector<QPolygonF> out;
    for (const TPagePicture::Op& op : page.Ops())
        if (op.kind == TPagePicture::Op::Polygon)
            out.push_back(op.transform.map(op.points));
    return out;
}

} // namespace

TEST(ZelPrinterFigures, ArrowsFromTwoPointsOpenAwayFromTheirTip)
{
    // Tip at (50, 50), B 4 units east: u = 0.4 east, the base 10 units east, 10 wide.
    auto a = Recorded([](QPainter& p) { ZelPrinter::ArrowA(&p, Pt(50, 50), Pt(54, 50)); });
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(a[0].size(), 4);
    EXPECT_EQ(a[0][0], QPointF(50, 50));
    EXPECT_EQ(a[0][1], QPointF(60, 45)); // A + 25u + 12.5v (v to the left: up on the page)
    EXPECT_EQ(a[0][2], QPointF(60, 55));
    EXPECT_EQ(a[0][3], QPointF(50, 50));
    auto b = Recorded([](QPainter& p) { ZelPrinter::ArrowB(&p, Pt(50, 50), Pt(54, 50)); });
    ASSERT_EQ(b.size(), 1u);
    ASSERT_EQ(b[0].size(), 7);
    EXPECT_EQ(b[0][3], QPointF(58, 50)); // the notch, 5 units in from the base's middle
    EXPECT_EQ(b[0][6], QPointF(50, 50));
}

TEST(ZelPrinterFigures, LaneArrowKeepsOnlyItsFlaggedHeads)
{
    // P (20, 50) to Q (80, 50): u = 6 east.
    auto straight = Recorded(
        [](QPainter& p) { ZelPrinter::LaneArrow(&p, Pt(20, 50), Pt(80, 50), {0, 1, 0}, 0.5); });
    ASSERT_EQ(straight.size(), 1u);
    ASSERT_EQ(straight[0].size(), 23);
    // The straight head's tip is Q whatever the half-width factor.
    EXPECT_TRUE(straight[0].contains(QPointF(80, 50)));
    // No point beside the shaft wider than the straight head (no side heads).
    double widest = 0;
    for (const QPointF& q : straight[0])
        widest = std::max(widest, std::abs(q.y() - 50));
    auto all = Recorded([](QPainter& p) { ZelPrinter::LaneArrow(&p, Pt(20, 50), Pt(80, 50), {1, 1, 1}, 0.5); });
    double widestAll = 0;
    for (const QPointF& q : all[0])
        widestAll = std::max(widestAll, std::abs(q.y() - 50));
    EXPECT_GT(widestAll, widest);
    // The polygon starts and ends at P.
    EXPECT_EQ(all[0].front(), QPointF(20, 50));
    EXPECT_EQ(all[0].back(), QPointF(20, 50));
}
