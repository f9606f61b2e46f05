// The progress gauge: percentage, clamping, range errors, colours, text and paint.
#include "widgets/gaugeCaption.h"
#include "support/GuiTestUtil.h"

#include <QApplication>

#include <gtest/gtest.h>

using testutil::PaintCounter;
using testutil::settle;

TEST(gaugeCaption, PercentageRoundsHalvesToEvenAndRepaintsOnlyOnChange)
{
    tgaugeCaption g;
    g.SetMaxValue(200);
    g.show();
    settle();
    PaintCounter counter;
    g.installEventFilter(&counter);

    g.SetProgress(1); // 0.5 % shows as 0 %
    EXPECT_EQ(g.PercentDone(), 0);
    settle();
    EXPECT_EQ(counter.paints, 0);

    g.SetProgress(3); // 1.5 % shows as 2 %
    EXPECT_EQ(g.PercentDone(), 2);
    settle();
    EXPECT_GE(counter.paints, 1);

    g.SetProgress(5); // 2.5 % shows as 2 %
    EXPECT_EQ(g.PercentDone(), 2);

    g.SetMinValue(-100);
    g.SetMaxValue(100);
    g.SetProgress(0);
    EXPECT_EQ(g.PercentDone(), 50);
    // The widest range does not overflow.
    g.SetMinValue(-2147483647);
    g.SetMaxValue(2147483647);
    g.SetProgress(0);
    EXPECT_EQ(g.PercentDone(), 50);
    g.SetMinValue(-100);
    g.SetMaxValue(100);
    // An empty range shows 0 %.
    g.SetMinValue(100);
    EXPECT_EQ(g.Progress(), 100);
    EXPECT_EQ(g.PercentDone(), 0);
}

TEST(gaugeCaption, ProgressIsClampedAndFollowsTheBounds)
{
    tgaugeCaption g;
    g.SetProgress(150);
    EXPECT_EQ(g.Progress(), 100);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
    g.SetMinValue(20); // raises the progress with it
    EXPECT_EQ(g.Progress(), 20);
    g.SetProgress(90);
    g.SetMaxValue(60); // lowers it
    EXPECT_EQ(g.Progress(), 60);
}

TEST(gaugeCaption, InvertedRangeIsRefused)
{
    tgaugeCaption g;
    try {
        g.SetMinValue(120);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "El valor debe estar entre -2147483647 y 99");
    }
    EXPECT_EQ(g.MinValue(), 0);
    g.SetMinValue(10);
    try {
        g.SetMaxValue(5);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "El valor debe estar entre 11 y 2147483647");
    }
    EXPECT_EQ(g.MaxValue(), 100);
    g.SetMaxValue(10); // meeting the other bound is allowed
    EXPECT_EQ(g.MaxValue(), 10);
}

TEST(gaugeCaption, TemperatureColours)
{
    tgaugeCaption g;
    g.SetForeColor(Qt::blue);
    EXPECT_EQ(g.BarColor(), QColor(Qt::blue));

    g.SetTemperature(2); // bands read the progress itself
    g.SetProgress(25);
    EXPECT_EQ(g.BarColor(), g.ColdColor());
    g.SetProgress(26);
    EXPECT_EQ(g.BarColor(), g.MedColor());
    g.SetProgress(75);
    EXPECT_EQ(g.BarColor(), g.MedColor());
    g.SetProgress(76);
    EXPECT_EQ(g.BarColor(), g.HotColor());
    g.SetMaxValue(1000);
    g.SetProgress(500); // beyond the bands: the hot end, not a leftover colour
    EXPECT_EQ(g.BarColor(), g.HotColor());

    g.SetTemperature(1); // gradient from cold at 0 to hot at MaxValue
    g.SetMaxValue(100);
    g.SetProgress(0);
    EXPECT_EQ(g.BarColor(), QColor(0, 255, 255));
    g.SetProgress(100);
    EXPECT_EQ(g.BarColor(), QColor(0, 0, 187));
    g.SetProgress(50); // green 127.5 -> 128, blue 221
    EXPECT_EQ(g.BarColor(), QColor(0, 128, 221));
    g.SetMinValue(-100); // below 0 the blend leaves 0..255: channels are clamped
    g.SetProgress(-100);
    EXPECT_EQ(g.BarColor(), QColor(0, 255, 255));
}

TEST(gaugeCaption, TextOrderAndPaint)
{
    tgaugeCaption g;
    g.SetCaption(QStringLiteral("Preparando documento ..."));
    g.SetProgress(50);
    EXPECT_EQ(g.Text(), QStringLiteral("Preparando documento ... 50%"));
    g.SetPosicion(true);
    EXPECT_EQ(g.Text(), QStringLiteral("50% Preparando documento ..."));
    g.SetCaption(QString());
    EXPECT_EQ(g.Text(), QStringLiteral("50% "));

    // Horizontal bar at 50 % inside a one-pixel border.
    g.SetShowText(false);
    g.SetForeColor(Qt::blue);
    QImage img = g.Render();
    EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(Qt::black)); // border
    EXPECT_EQ(QColor(img.pixel(25, 12)), QColor(Qt::blue));
    EXPECT_EQ(QColor(img.pixel(75, 12)), QColor(Qt::white));
    EXPECT_EQ(QColor(img.pixel(49, 12)), QColor(Qt::blue)); // 49 of the 98 inner pixels
    EXPECT_EQ(QColor(img.pixel(51, 12)), QColor(Qt::white));
    g.SetKind(2); // vertical bar from the bottom
    img = g.Render();
    EXPECT_EQ(QColor(img.pixel(50, 20)), QColor(Qt::blue));
    EXPECT_EQ(QColor(img.pixel(50, 4)), QColor(Qt::white));
    g.SetKind(3);
    img = g.Render();
    EXPECT_EQ(QColor(img.pixel(60, 8)), QColor(Qt::blue)); // right half of the pie filled
    EXPECT_EQ(QColor(img.pixel(40, 8)), QColor(Qt::white));

    // The text is combined by exclusive-or: dark over the white background.
    g.SetKind(1);
    g.SetProgress(0);
    g.SetShowText(true);
    img = g.Render();
    int dark = 0;
    for (int y = 1; y < 24; ++y)
        for (int x = 1; x < 99; ++x)
            dark += QColor(img.pixel(x, y)) == QColor(Qt::black);
    EXPECT_GT(dark, 5);
}
