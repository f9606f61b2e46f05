// The map canvas: mapping on a real control, drawing into its picture (probed a
// few pixels at a time), labels kept apart, hit regions and mouse events.
#include "map/gui/OxrImage.h"
#include "support/GuiTestUtil.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

using testutil::PaintCounter;
using testutil::settle;

namespace {

// A 200 x 100 canvas at one world unit per pixel: world (x, y) is pixel (x, 100 - y).
struct Canvas {
    TOxrImage img;
    Canvas()
    {
        img.resize(200, 100);
        reset();
    }
    void reset()
    {
        img.Clear();
        img.SetWorld(0, 0, 200, 100);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        font.setStyleStrategy(QFont::NoAntialias); // exact colours to count
        img.Canvas()->setFont(font);
    }
    QPainter& p() { return *img.Canvas(); }
    QColor at(int x, int y) const { return QColor(img.Picture().pixel(x, y)); }
    bool white(int x, int y) const { return at(x, y) == QColor(Qt::white); }
    int countColour(const QColor& c, QRect area = QRect()) const
    {
        if (area.isNull())
            area = img.Picture().rect();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += at(x, y) == c;
        return n;
    }
    int countNonWhite(QRect area = QRect()) const
    {
        if (area.isNull())
            area = img.Picture().rect();
        return area.width() * area.height() - countColour(Qt::white, area);
    }
    void style(const QColor& pen, const QBrush& brush)
    {
        p().setPen(QPen(pen, 1));
        p().setBrush(brush);
    }
};

TPoint Pt(double x, double y) { return TPoint{x, y}; }

void send(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w.mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(&w, &e);
}

} // namespace

// ---------------------------------------------------------------------------
// Window and mapping on the control

TEST(OxrImage, MappingFollowsTheControlSize)
{
    TOxrImage img;
    img.resize(200, 100); // hidden: no resize event has arrived yet
    img.SetWorld(0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(img.UnitsPerPixel(), 1.0); // y decides
    EXPECT_EQ(img.WorldToPixelX(150), 150);
    EXPECT_DOUBLE_EQ(img.PixelToWorldX(199), 199.0);
    EXPECT_EQ(img.WorldToPixelY(0), 100);
    EXPECT_EQ(img.WorldToPoint(2.5, 96.5), QPoint(2, 4));

    img.resize(0, 100);
    img.SetWorld(0, 0, 50, 50); // no division by a zero width
    EXPECT_DOUBLE_EQ(img.UnitsPerPixel(), 1.0);
    EXPECT_DOUBLE_EQ(img.PixelsPerUnit(), 1.0);
}

TEST(OxrImage, RepaintIsNotARedrawAndUnchangedSettersDoNotRepaint)
{
    Canvas c;
    c.img.show();
    settle();
    c.style(Qt::red, Qt::NoBrush);
    c.img.LineW(10, 50, 60, 50);
    settle();
    // The widget shows the picture as drawn.
    EXPECT_EQ(QColor(c.img.grab().toImage().pixel(30, 50)), QColor(Qt::red));

    PaintCounter counter;
    c.img.installEventFilter(&counter);
    c.img.SetMinX(0); // the value it has
    c.img.SetMaxY(100);
    settle();
    EXPECT_EQ(counter.paints, 0);

    // A new window repaints, but the picture keeps what was drawn until redrawn.
    c.img.SetMinX(-50);
    settle();
    EXPECT_GE(counter.paints, 1);
    EXPECT_EQ(c.at(30, 50), QColor(Qt::red));
    EXPECT_EQ(QColor(c.img.grab().toImage().pixel(30, 50)), QColor(Qt::red));
}

TEST(OxrImage, ClearEmptiesPictureLabelsAndStyles)
{
    Canvas c;
    c.style(Qt::red, Qt::red);
    c.img.PenMode = TPenMode::Xor;
    c.img.ResetLabelsOff();
    c.img.LabelAt(0, "Rio", 50, 50, 0, 0);
    c.img.resize(300, 120);
    c.img.Clear();
    EXPECT_EQ(c.img.Picture().size(), QSize(300, 120));
    EXPECT_EQ(c.countNonWhite(), 0);
    EXPECT_EQ(c.img.Labels().Count(), 0);
    EXPECT_FALSE(c.img.AllowLabelOverlap); // the overlap setting is the passes' own
    EXPECT_EQ(c.img.PenMode, TPenMode::Copy);
    EXPECT_EQ(c.p().pen().color(), QColor(Qt::black));
    EXPECT_EQ(c.img.WorldToPixelY(0), 120); // rows follow the new height
}

// ---------------------------------------------------------------------------
// Plain shapes

TEST(OxrImagePrimitives, LinesRectanglesAndCircles)
{
    Canvas c;
    c.style(Qt::red, Qt::NoBrush);
    c.img.LineW(10, 50, 60, 50);
    EXPECT_EQ(c.at(10, 50), QColor(Qt::red));
    EXPECT_EQ(c.at(35, 50), QColor(Qt::red));
    EXPECT_TRUE(c.white(35, 49));
    EXPECT_TRUE(c.white(35, 51));
    c.img.MoveToW(70, 90);
    c.img.LineToW(70, 60); // vertical, rows 10..40
    EXPECT_EQ(c.at(70, 25), QColor(Qt::red));

    c.style(Qt::blue, Qt::green);
    c.img.RectangleW(100, 90, 150, 60); // pixels (100, 10) - (150, 40), right and bottom excluded
    EXPECT_EQ(c.at(100, 20), QColor(Qt::blue));
    EXPECT_EQ(c.at(149, 20), QColor(Qt::blue));
    EXPECT_TRUE(c.white(150, 20));
    EXPECT_EQ(c.at(125, 25), QColor(Qt::green));
    EXPECT_TRUE(c.white(125, 40));

    // r < 0 is in pixels at any zoom; r >= 0 is in world units.
    c.reset();
    c.style(Qt::black, Qt::black);
    c.img.Circle(40, 50, -5);
    EXPECT_EQ(c.at(44, 50), QColor(Qt::black));
    EXPECT_TRUE(c.white(47, 50));
    c.img.Circle(140, 50, 5);
    EXPECT_EQ(c.at(144, 50), QColor(Qt::black));
    EXPECT_TRUE(c.white(147, 50));

    c.img.Clear();
    c.img.SetWorld(0, 0, 100, 50); // two pixels per unit
    c.style(Qt::black, Qt::black);
    c.img.Circle(20, 25, -5); // still 5 pixels, at pixel (40, 50)
    EXPECT_EQ(c.at(44, 50), QColor(Qt::black));
    EXPECT_TRUE(c.white(47, 50));
    c.img.Circle(70, 25, 5); // 10 pixels, at pixel (140, 50)
    EXPECT_EQ(c.at(148, 50), QColor(Qt::black));
    EXPECT_TRUE(c.white(152, 50));

    // Circles millions of pixels wide, centred far beyond each side of the view, their
    // edge 40 pixels from its centre: the part in sight is filled on both sides of
    // the line from the centre (the angles about the view meet at a half turn on
    // the right).
    const double far = 3e6;
    const struct {
        QPointF centre;
        QPoint in1, in2, out;
    } sides[] = {
        {{100 + far, 50}, {180, 5}, {180, 95}, {120, 50}},
        {{100 - far, 50}, {20, 5}, {20, 95}, {80, 50}},
        {{100, 50 - far}, {10, 5}, {190, 5}, {100, 30}},
        {{100, 50 + far}, {10, 95}, {190, 95}, {100, 70}},
    };
    for (const auto& s : sides) {
        c.reset();
        c.style(Qt::black, Qt::black);
        c.img.Circle(s.centre.x(), 100 - s.centre.y(), -(far - 40));
        EXPECT_EQ(c.at(s.in1.x(), s.in1.y()), QColor(Qt::black)) << s.centre.x() << "," << s.centre.y();
        EXPECT_EQ(c.at(s.in2.x(), s.in2.y()), QColor(Qt::black)) << s.centre.x() << "," << s.centre.y();
        EXPECT_TRUE(c.white(s.out.x(), s.out.y())) << s.centre.x() << "," << s.centre.y();
    }
}

TEST(OxrImagePrimitives, PolygonsShiftedPolylinesAndBands)
{
    Canvas c;
    c.style(Qt::black, Qt::green);
    const std::array<TPoint, 4> tri = {Pt(10, 10), Pt(60, 10), Pt(35, 60), Pt(10, 10)};
    c.img.PolygonPtArray(tri, 3);
    EXPECT_EQ(c.at(35, 75), QColor(Qt::green)); // inside, world (35, 25)
    EXPECT_TRUE(c.white(12, 45));               // outside, world (12, 55)
    // N beyond the list reads nothing past its end.
    c.img.PolygonPtArray(std::span(tri.data(), 2), 40);

    // A horizontal line travelling right: a positive offset moves it down the screen.
    c.reset();
    c.style(Qt::red, Qt::NoBrush);
    const std::array<TPoint, 3> line = {Pt(20, 20), Pt(50, 21), Pt(80, 20)};
    c.img.PolylinePtArray(line, 2, 10);
    EXPECT_EQ(c.countColour(Qt::red, QRect(30, 88, 1, 4)), 1); // rows 89..90
    EXPECT_EQ(c.countNonWhite(QRect(0, 0, 200, 87)), 0);
    c.img.PolylinePtArray(line, 2, 0);
    EXPECT_EQ(c.countColour(Qt::red, QRect(30, 78, 1, 4)), 1);

    // Band 6 pixels wide lying 2 pixels to the right of the travel direction.
    c.reset();
    c.style(Qt::blue, Qt::blue);
    c.img.PolygonPtArrayB(line, 2, 6, 2);
    EXPECT_EQ(c.at(30, 84), QColor(Qt::blue));
    EXPECT_EQ(c.at(70, 86), QColor(Qt::blue));
    EXPECT_TRUE(c.white(30, 79));
    EXPECT_TRUE(c.white(30, 90));
    // The same band beside a segment, travelling left: it lies above.
    c.img.PolygonRectW(6, 2, 180, 50, 120, 50);
    EXPECT_EQ(c.at(150, 46), QColor(Qt::blue));
    EXPECT_TRUE(c.white(150, 53));
    EXPECT_TRUE(c.white(150, 41));

    // Zero-length chords draw nothing.
    c.reset();
    c.style(Qt::blue, Qt::blue);
    const std::array<TPoint, 3> loop = {Pt(20, 20), Pt(50, 40), Pt(20, 20)};
    c.img.PolygonPtArrayB(loop, 2, 6, 2);
    c.img.PolygonRectW(6, 2, 30, 30, 30.2, 30.1);
    EXPECT_EQ(c.countNonWhite(), 0);
}

TEST(OxrImagePrimitives, RegularPolygons)
{
    Canvas c;
    c.style(Qt::black, Qt::black);
    c.img.PolylineArrays(4, 90, 50, 50, 20); // a diamond on a vertex, at pixel (50, 50)
    EXPECT_EQ(c.at(50, 32), QColor(Qt::black)); // up
    EXPECT_TRUE(c.white(50, 27));
    EXPECT_EQ(c.at(68, 50), QColor(Qt::black)); // right
    EXPECT_EQ(c.at(50, 68), QColor(Qt::black)); // down
    EXPECT_EQ(c.at(32, 50), QColor(Qt::black)); // left
    EXPECT_TRUE(c.white(64, 36));               // no square corner

    c.img.PolylineArraysB(15, 120, 50); // triangle pointing up at pixel (120, 50)
    EXPECT_EQ(c.at(120, 38), QColor(Qt::black));
    EXPECT_TRUE(c.white(120, 62));

    // Without a solid brush only the outline.
    c.style(Qt::black, Qt::NoBrush);
    c.img.PolylineArraysA(6, 0, Pt(170, 50), 20);
    EXPECT_TRUE(c.white(170, 50));
    EXPECT_EQ(c.at(190, 50), QColor(Qt::black)); // vertex 0 to the right

    c.reset();
    c.style(Qt::black, Qt::black);
    c.img.PolylineArrays(2, 0, 50, 50, 20);
    c.img.PolylineArrays(-3, 0, 50, 50, 20);
    EXPECT_EQ(c.countNonWhite(), 0);
    c.img.PolylineArrays(0, 0, 50, 50, 8); // a circle of 8 pixels
    EXPECT_EQ(c.at(56, 50), QColor(Qt::black));
    EXPECT_TRUE(c.white(60, 50));
}

// ---------------------------------------------------------------------------
// Traffic glyphs

TEST(OxrImageGlyphs, ArrowheadsAndArrows)
{
    Canvas c;
    c.style(Qt::black, Qt::black);
    c.img.PolygonPts(10, 0, 50, 50); // tip at pixel (50, 50), pointing right
    EXPECT_EQ(c.at(46, 50), QColor(Qt::black));
    EXPECT_TRUE(c.white(53, 50));
    EXPECT_TRUE(c.white(40, 50));               // the notch behind
    EXPECT_EQ(c.at(40, 54), QColor(Qt::black)); // a barb
    c.img.PolygonPts(10, 900, 100, 50);         // pointing up the world: up the screen
    EXPECT_EQ(c.at(100, 54), QColor(Qt::black));
    EXPECT_TRUE(c.white(100, 47));
    c.img.PolylinePts(10, 0, 160, 50); // the open chevron: no fill at the tip
    EXPECT_TRUE(c.white(158, 50));
    EXPECT_EQ(c.countNonWhite(QRect(140, 35, 22, 30)) > 0, true);

    c.reset();
    c.style(Qt::black, Qt::red);
    c.img.ArrowA(Pt(20, 50), Pt(35, 50)); // tip at 20, base 25 units on at 45
    EXPECT_EQ(c.at(40, 50), QColor(Qt::red));
    EXPECT_TRUE(c.white(17, 50));
    EXPECT_TRUE(c.white(50, 50));
    c.img.ArrowB(Pt(120, 50), Pt(135, 50));
    EXPECT_EQ(c.at(125, 50), QColor(Qt::red));
    c.style(Qt::black, Qt::NoBrush); // outline only
    c.img.ArrowA(Pt(20, 20), Pt(35, 20));
    EXPECT_TRUE(c.white(40, 80));
    EXPECT_EQ(c.countNonWhite(QRect(15, 65, 35, 30)) > 0, true);
}

TEST(OxrImageGlyphs, TrafficLightRestoresPenAndBrush)
{
    Canvas c;
    c.style(Qt::magenta, Qt::cyan);
    c.img.PenMode = TPenMode::Xor;
    c.img.DrawCursorMark(-28, 100, 50); // r 4, lamp spacing 9, half width 5
    EXPECT_EQ(c.at(100, 50), QColor(255, 255, 0));
    EXPECT_EQ(c.at(100, 41), QColor(255, 0, 0));  // red on top
    EXPECT_EQ(c.at(100, 59), QColor(0, 128, 0));  // green below
    EXPECT_EQ(c.at(96, 37), QColor(128, 128, 128));
    EXPECT_TRUE(c.white(106, 50));
    EXPECT_EQ(c.p().pen().color(), QColor(Qt::magenta));
    EXPECT_EQ(c.p().brush().color(), QColor(Qt::cyan));
    EXPECT_EQ(c.img.PenMode, TPenMode::Xor);
}

TEST(OxrImageGlyphs, LaneTurnArrowsDrawOnlyTheFlaggedBranches)
{
    Canvas c;
    c.style(Qt::black, Qt::NoBrush);
    // Stem from world (50, 20) up towards (50, 80): u = (0, 6), stem to y = 60.
    c.img.TextAngleW(Pt(50, 20), Pt(50, 80), {0, 0, 0}, 0, "");
    EXPECT_EQ(c.at(50, 60), QColor(Qt::black));
    EXPECT_EQ(c.countNonWhite(QRect(0, 0, 200, 39)), 0); // nothing beyond the stem top
    EXPECT_EQ(c.countNonWhite(QRect(52, 0, 148, 100)), 0);

    c.img.TextAngleW(Pt(150, 20), Pt(150, 80), {1, 0, 0}, 0, "");
    EXPECT_GT(c.countNonWhite(QRect(130, 0, 19, 39)), 0);   // left branch
    EXPECT_EQ(c.countNonWhite(QRect(151, 0, 49, 39)), 0);   // no right branch

    // Lane 1 stands one lane spacing to the right of lane 0.
    c.reset();
    c.style(Qt::black, Qt::NoBrush);
    c.img.TextAlongW(Pt(50, 20), Pt(50, 80), {0, 1, 0}, 1, "");
    EXPECT_EQ(c.at(65, 70), QColor(Qt::black)); // 2.5 * |n| = 15 to the right
    EXPECT_TRUE(c.white(50, 70));

    // With a text the stem carries a label on an opaque background.
    c.reset();
    c.style(Qt::black, QBrush(Qt::yellow));
    c.img.FontColor = Qt::blue;
    c.img.TextAngleW(Pt(100, 10), Pt(100, 90), {1, 1, 1}, 0, "  2 ");
    EXPECT_GT(c.countColour(Qt::yellow), 0);
    EXPECT_EQ(c.img.PenMode, TPenMode::Copy);
    EXPECT_EQ(c.p().brush().color(), QColor(Qt::yellow));
}

TEST(OxrImageGlyphs, FilledLaneSymbol)
{
    Canvas c;
    c.style(Qt::black, Qt::black);
    c.img.DrawSymbolW(Pt(100, 20), Pt(100, 80), {0, 1, 0}, 1.0);
    EXPECT_EQ(c.at(100, 70), QColor(Qt::black)); // the stem, world y = 30
    EXPECT_EQ(c.at(100, 28), QColor(Qt::black)); // the straight head
    EXPECT_TRUE(c.white(87, 43));                // no left branch
    EXPECT_TRUE(c.white(113, 43));               // no right branch
    c.img.DrawSymbolW(Pt(100, 20), Pt(100, 80), {1, 1, 1}, 1.0);
    EXPECT_EQ(c.at(87, 43), QColor(Qt::black));
    EXPECT_EQ(c.at(113, 43), QColor(Qt::black));
}

TEST(OxrImageGlyphs, CurveTakesTheShortWayRound)
{
    Canvas c;
    c.style(Qt::black, Qt::NoBrush);
    // A quarter turn about (100, 50) from the right to the top, radius 40.
    c.img.CurveWithLabels(Pt(100, 50), Pt(140, 50), Pt(100, 90), "");
    EXPECT_GT(c.countNonWhite(QRect(125, 19, 6, 6)), 0); // near 45 degrees
    EXPECT_EQ(c.countNonWhite(QRect(0, 0, 99, 100)), 0);  // not the long way through the left
    // From the top to the right it is the same quarter, drawn clockwise.
    c.reset();
    c.style(Qt::black, Qt::yellow);
    c.img.CurveWithLabels(Pt(100, 50), Pt(100, 90), Pt(140, 50), "ab");
    EXPECT_GT(c.countNonWhite(QRect(125, 19, 6, 6)), 0);
    EXPECT_GT(c.countColour(Qt::black), 40);   // curve and end labels
    EXPECT_EQ(c.countColour(Qt::yellow), 0);   // labels written with a clear brush
    EXPECT_EQ(c.p().brush().color(), QColor(Qt::yellow));
}

TEST(OxrImageGlyphs, PenModes)
{
    Canvas c;
    c.style(Qt::black, Qt::NoBrush);
    c.img.PenMode = TPenMode::NotXor;
    c.img.LineW(10, 50, 60, 50);
    EXPECT_EQ(c.at(30, 50), QColor(Qt::black));
    c.img.LineW(10, 50, 60, 50); // the same line again rubs it out
    EXPECT_TRUE(c.white(30, 50));
    c.img.PenMode = TPenMode::Nop;
    c.img.LineW(10, 50, 60, 50);
    c.img.Circle(100, 50, -10);
    EXPECT_EQ(c.countNonWhite(), 0);
    // Text is written plainly whatever the pen mode.
    c.img.FontColor = Qt::red;
    c.img.PenMode = TPenMode::Nop;
    c.img.LabelAt(0, "XXX", 100, 50, 4, 0);
    EXPECT_GT(c.countColour(Qt::red), 0);
}

// ---------------------------------------------------------------------------
// Labels

TEST(OxrImageLabels, OverlappingLabelIsSkippedUntilTheLabelsAreReset)
{
    Canvas c;
    c.p().setBrush(Qt::NoBrush);
    c.img.ResetLabelsOff();
    c.img.FontColor = Qt::black;
    c.img.LabelAt(0, "Alfa", 100, 50, 4, 0);
    EXPECT_GT(c.countColour(Qt::black), 10);
    EXPECT_EQ(c.img.Labels().Count(), 1);

    c.img.FontColor = Qt::red;
    c.img.LabelAt(0, "Beta", 103, 52, 4, 0);
    EXPECT_EQ(c.countColour(Qt::red), 0);
    EXPECT_EQ(c.img.Labels().Count(), 1);
    c.img.LabelAt(0, "Beta", 30, 50, 4, 0); // clear of the first: drawn
    EXPECT_GT(c.countColour(Qt::red), 10);

    c.img.ResetLabelsOff();
    c.img.FontColor = Qt::blue;
    c.img.LabelAt(0, "Beta", 103, 52, 4, 0);
    EXPECT_GT(c.countColour(Qt::blue), 10);

    // With the overlap test off everything is written and nothing is stored.
    c.img.ResetLabels();
    c.img.FontColor = Qt::green;
    c.img.LabelAt(0, "Beta", 103, 52, 4, 0);
    c.img.LabelAt(0, "Beta", 103, 52, 4, 0);
    EXPECT_GT(c.countColour(Qt::green), 10);
    EXPECT_EQ(c.img.Labels().Count(), 0);
}

TEST(OxrImageLabels, FirstLabelCoveringTheOriginIsDrawn)
{
    Canvas c;
    c.p().setBrush(Qt::NoBrush);
    c.img.ResetLabelsOff();
    c.img.LabelAt(0, "Origen", 0, 100, 0, 0); // box from pixel (0, 0)
    EXPECT_EQ(c.img.Labels().Count(), 1);
    EXPECT_GT(c.countNonWhite(QRect(0, 0, 60, 15)), 10);
}

TEST(OxrImageLabels, BoxOutlineOnlyWithASolidBrush)
{
    Canvas c;
    c.p().setPen(QPen(Qt::blue, 1));
    c.p().setBrush(Qt::NoBrush);
    c.img.LabelAt(0, "Calle", 20, 50, 0, 0);
    EXPECT_EQ(c.countColour(Qt::blue), 0);
    c.p().setBrush(QBrush(Qt::yellow));
    const QRegion box = c.img.LabelAtPts(Pt(120, 50), 0, "Calle", 0, 0);
    EXPECT_EQ(c.at(120, 50), QColor(Qt::blue)); // the box corner at the anchor
    EXPECT_GT(c.countColour(Qt::yellow), 0);    // opaque text background
    EXPECT_TRUE(box.contains(QPoint(125, 53)));
    EXPECT_EQ(c.p().pen().color(), QColor(Qt::blue)); // pen restored
}

TEST(OxrImageLabels, AlignmentOffsetAndRotation)
{
    Canvas c;
    c.p().setBrush(Qt::NoBrush);
    const QFontMetrics fm(c.p().font(), c.p().device());
    const int w = fm.horizontalAdvance(QStringLiteral("Centro"));
    // Alignment 4 centres the box on the anchor.
    QRect r = c.img.LabelAtPts(Pt(100, 50), 0, "Centro", 4, 0).boundingRect();
    EXPECT_NEAR(r.center().x(), 100, 1);
    EXPECT_NEAR(r.center().y(), 50, 1);
    EXPECT_NEAR(r.width(), w, 1);
    // Alignment 8: the end of the text, bottom, on the anchor.
    r = c.img.LabelAtPts(Pt(100, 50), 0, "Centro", 8, 0).boundingRect();
    EXPECT_NEAR(r.right(), 99, 1);
    EXPECT_NEAR(r.bottom(), 49, 1);
    // A positive offset moves the box below the text line.
    r = c.img.LabelAtPts(Pt(100, 50), 0, "Centro", 0, 7).boundingRect();
    EXPECT_EQ(r.top(), 57);
    // Rotated a quarter turn counter-clockwise the box runs up the screen.
    r = c.img.LabelAtPts(Pt(100, 20), 900, "Centro", 0, 0).boundingRect();
    EXPECT_GT(r.height(), r.width());
    EXPECT_NEAR(r.bottom(), 79, 1);
    EXPECT_NEAR(r.top(), 80 - w, 1);
}

// The box of a level label is exactly as wide as its text, asked the first time
// or remembered, for numbers and names alike, in whichever font is current.
TEST(OxrImageLabels, BoxWidthFollowsTheTextAndTheFont)
{
    Canvas c;
    c.p().setBrush(Qt::NoBrush);
    const std::vector<std::string> texts = {"",         "1",        "11",      "111",      "7",        "W",
                                            "WW",       "1234567",  "12345678", "7654321", "1111111",  "iiiiiii",
                                            "\xe9",     "Caf\xc3\xa9", "-12",     "12 ",      " 12",      "Calle Mayor"};
    for (int size : {11, 17, 11}) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(size);
        c.p().setFont(font);
        const QFontMetrics fm(font, c.p().device());
        for (int pass = 0; pass < 2; ++pass)
            for (const std::string& t : texts) {
                const QRect r = c.img.LabelAtPts(Pt(10, 100), 0, t, 0, 0).boundingRect();
                EXPECT_EQ(r.width(), fm.horizontalAdvance(TMapPainter::DisplayText(t)))
                    << "'" << t << "' at " << size << " px, pass " << pass;
            }
    }
}

// ---------------------------------------------------------------------------
// Hit regions

TEST(OxrImageRegions, SegmentCircleAndPolygonHits)
{
    Canvas c;
    EXPECT_TRUE(c.img.PolygonRegion(Pt(10.2, 10), Pt(10.4, 10.3), 3, 0).isEmpty());

    const QRegion seg = c.img.PolygonRegion(Pt(20, 50), Pt(80, 50), 3, 5);
    EXPECT_TRUE(seg.contains(QPoint(50, 50)));
    EXPECT_TRUE(seg.contains(QPoint(50, 52)));
    EXPECT_FALSE(seg.contains(QPoint(50, 55)));
    EXPECT_TRUE(seg.contains(QPoint(16, 50)));  // within the extension
    EXPECT_FALSE(seg.contains(QPoint(12, 50))); // beyond it
    EXPECT_TRUE(c.img.PtInRegionW(seg, 83, 49));
    EXPECT_FALSE(c.img.PtInRegionW(seg, 90, 50));
    // A diagonal segment.
    const QRegion diag = c.img.PolygonRegion(Pt(100, 10), Pt(160, 70), 3, 0);
    EXPECT_TRUE(c.img.PtInRegionW(diag, 130, 40));
    EXPECT_FALSE(c.img.PtInRegionW(diag, 130, 50));

    const QRegion circle = c.img.CircleRegion(Pt(50, 50), 5);
    EXPECT_TRUE(circle.contains(QPoint(53, 50)));
    EXPECT_FALSE(circle.contains(QPoint(54, 54)));

    // A five-pointed star drawn in one stroke winds its centre twice: alternate
    // fill leaves the centre out, winding fill takes it in.
    std::array<TPoint, 6> star;
    for (int k = 0; k <= 5; ++k) {
        const double a = std::numbers::pi / 2 + (k * 2 % 5) * 2 * std::numbers::pi / 5;
        star[k] = Pt(100 + 40 * std::cos(a), 50 + 40 * std::sin(a));
    }
    const QRegion alternate = c.img.AddPolygonRegion(star, 5, 1);
    const QRegion winding = c.img.AddPolygonRegion(star, 5, 2);
    EXPECT_FALSE(c.img.PtInRegionW(alternate, 100, 50));
    EXPECT_TRUE(c.img.PtInRegionW(winding, 100, 50));
    EXPECT_TRUE(c.img.PtInRegionW(alternate, 100, 85)); // a tip
    EXPECT_FALSE(c.img.PtInRegionW(winding, 60, 50));   // between two tips
    EXPECT_TRUE(c.img.AddPolygonRegion(star, 1, 1).isEmpty());
}

// ---------------------------------------------------------------------------
// Mouse events

TEST(OxrImageMouse, EventsCarryPixelAndWorldPositions)
{
    TOxrImage img;
    img.resize(200, 100);
    img.show();
    img.SetWorld(1000, 2000, 1400, 2200); // 2 units per pixel
    QSignalSpy down(&img, &TOxrImage::OnOxrMouseDown);
    QSignalSpy move(&img, &TOxrImage::OnOxrMouseMove);
    QSignalSpy up(&img, &TOxrImage::OnOxrMouseUp);
    QSignalSpy plainDown(&img, &TOxrImage::onMouseDown);
    QSignalSpy click(&img, &TOxrImage::OnClick);

    send(img, QEvent::MouseButtonPress, QPoint(30, 40), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    const TShiftState s = down[0][1].value<TShiftState>();
    EXPECT_TRUE(s.Shift());
    EXPECT_TRUE(s.Left());
    EXPECT_FALSE(s.Double);
    EXPECT_EQ(down[0][2].toInt(), 30);
    EXPECT_EQ(down[0][3].toInt(), 40);
    EXPECT_DOUBLE_EQ(down[0][4].toDouble(), 1060.0);
    EXPECT_DOUBLE_EQ(down[0][5].toDouble(), 2120.0);
    EXPECT_EQ(plainDown.count(), 1);

    send(img, QEvent::MouseMove, QPoint(31, 41), Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(move.count(), 1);
    EXPECT_TRUE(move[0][0].value<TShiftState>().Left());
    EXPECT_DOUBLE_EQ(move[0][3].toDouble(), 1062.0);
    EXPECT_DOUBLE_EQ(move[0][4].toDouble(), 2118.0);

    send(img, QEvent::MouseButtonRelease, QPoint(32, 42), Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(up.count(), 1);
    EXPECT_FALSE(up[0][1].value<TShiftState>().Left());
    EXPECT_DOUBLE_EQ(up[0][4].toDouble(), 1064.0);
    EXPECT_EQ(click.count(), 1);
}

TEST(OxrImageMouse, RightButtonPopsTheMenuInsteadOfTheWorldEvent)
{
    TOxrImage img;
    img.resize(200, 100);
    img.show();
    QSignalSpy down(&img, &TOxrImage::OnOxrMouseDown);
    QSignalSpy plainDown(&img, &TOxrImage::onMouseDown);
    auto* menu = new QMenu;
    menu->addAction(QStringLiteral("Zoom"));
    img.SetPopupMenu(menu);

    send(img, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(down.count(), 0);
    EXPECT_EQ(plainDown.count(), 1);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    img.SetPopupMenu(menu, false); // auto-popup off: an ordinary button
    send(img, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(down.count(), 1);
    EXPECT_FALSE(menu->isVisible());

    img.SetPopupMenu(menu);
    delete menu; // the canvas forgets a destroyed menu
    EXPECT_EQ(img.PopupMenu(), nullptr);
    send(img, QEvent::MouseButtonPress, QPoint(10, 10), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(down.count(), 2);
}
