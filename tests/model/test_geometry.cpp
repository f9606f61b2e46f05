#include "model/ZelUtils.h"
#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include <numbers>

using namespace ZelUtils;

TEST(Geometry, AngleQuadrantsAndVerticals)
{
    const float pi = std::numbers::pi_v<float>;
    EXPECT_EQ(Angle(0, 0, 0, 0), 0.0f);
    EXPECT_EQ(Angle(0, 0, 0, -1), 3 * pi / 2);
    EXPECT_EQ(Angle(0, 0, 0, 5), pi / 2);
    EXPECT_EQ(Angle(0, 0, -1, 0), pi);
    EXPECT_EQ(Angle(0, 0, 1, 0), 0.0f);
    EXPECT_FLOAT_EQ(Angle(0, 0, 1, 1), pi / 4);
    EXPECT_FLOAT_EQ(Angle(0, 0, 1, -1), 7 * pi / 4); // negative angles wrap into [0, 2pi)
    EXPECT_FLOAT_EQ(Angle(2, 3, 1, 2), 5 * pi / 4);
    EXPECT_EQ(PointAngle(MakePoint(1, 1), MakePoint(1, 0)), Angle(1, 1, 1, 0));
}

// A link's straight length is the float of hypot's double, to the bit: for the
// differences of float coordinates of every scale, and for the odd ones.
TEST(Geometry, HypotAsFloatIsTheFloatOfHypot)
{
    auto check = [](double dx, double dy) {
        const float got = HypotAsFloat(dx, dy), expected = static_cast<float>(std::hypot(dx, dy));
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << dx << ", " << dy;
    };
    const double fmax = std::numeric_limits<float>::max(), fmin = std::numeric_limits<float>::denorm_min();
    // Halfway between two floats, and a unit of a double either side: hypot decides.
    for (double dx : {0.0, -0.0, 1.0, -3.0, fmin, fmax, -fmax, 1e-30, 16777217.0, 1.0 + 0x1p-24, 1.0 + 0x1p-24 + 0x1p-52,
                      1.0 + 0x1p-24 - 0x1p-52})
        for (double dy : {0.0, 4.0, -fmin, fmax, 1e30, 0.1})
            check(dx, dy);
    check(std::numeric_limits<double>::infinity(), 1.0);
    std::mt19937_64 random(41);
    for (int round = 0; round < 200000; ++round) {
        // Coordinates as the nodes hold them (floats), of one scale per round.
        const double scale = std::ldexp(1.0, static_cast<int>(random() % 60) - 20);
        std::uniform_real_distribution<double> coordinate(-scale, scale);
        const float ax = static_cast<float>(coordinate(random)), ay = static_cast<float>(coordinate(random));
        const float bx = static_cast<float>(coordinate(random)), by = static_cast<float>(coordinate(random));
        check(double(bx) - ax, double(by) - ay);
    }
}

// Bearings in tenths of a degree are PointAngle's rounded, to the unit: for
// directions of every scale, those a hair from a half tenth, and the axes.
TEST(Geometry, RoundedPointAngleIsPointAngleRounded)
{
    const double tenths = 1800.0 / std::numbers::pi;
    auto check = [tenths](const TPoint& a, const TPoint& b) {
        ASSERT_EQ(RoundedPointAngle(a, b, tenths), Round(PointAngle(a, b) * tenths))
            << a.x << " " << a.y << " -> " << b.x << " " << b.y;
    };
    const double fmax = std::numeric_limits<float>::max();
    for (double x : {0.0, 1.0, -1.0, 1e-30, -fmax, fmax})
        for (double y : {0.0, -0.0, 2.0, -2.0, 1e30, -fmax})
            check(MakePoint(0.0, 0.0), MakePoint(x, y));
    std::mt19937_64 random(43);
    for (int round = 0; round < 200000; ++round) {
        const double scale = std::ldexp(1.0, static_cast<int>(random() % 40) - 10);
        std::uniform_real_distribution<double> coordinate(-scale, scale);
        const auto at = [&] {
            return MakePoint(static_cast<float>(coordinate(random)), static_cast<float>(coordinate(random)));
        };
        check(at(), at());
        // A direction a hair from a half tenth (or from the turn at 0), by float points.
        const double tenth = static_cast<double>(random() % 3600) + (round % 3 ? 0.5 : 0.0);
        const double angle = (tenth + (static_cast<double>(random() % 2001) - 1000.0) * 1e-9) / tenths;
        check(MakePoint(0.0, 0.0), MakePoint(static_cast<float>(scale * std::cos(angle)),
                                             static_cast<float>(scale * std::sin(angle))));
    }
}

TEST(Geometry, MeanPoint)
{
    std::vector<TPoint> pts{MakePoint(0, 0), MakePoint(2, 0), MakePoint(4, 6)};
    TPoint m;
    MeanPoint(pts, 2, m);
    EXPECT_EQ(m.x, 2.0);
    EXPECT_EQ(m.y, 2.0);
    MeanPoint(pts, 1, m);
    EXPECT_EQ(m.x, 1.0);
    MeanPoint(pts, -1, m);
    EXPECT_EQ(m.x, 0.0);
    EXPECT_EQ(m.y, 0.0);
    MeanPoint(pts, 10, m); // past the list: only the points that exist
    EXPECT_EQ(m.x, 2.0);
    // The running mean is held in single precision between steps.
    std::vector<TPoint> utm{MakePoint(345713.154, 6297592.042), MakePoint(345713.156, 6297592.044)};
    MeanPoint(utm, 1, m);
    EXPECT_EQ(m.y, double(static_cast<float>((double(6297592.042f) + 6297592.044) / 2)));
}

TEST(Colours, PaletteAndNearestEntry)
{
    EXPECT_EQ(DxfPalette[11].R, 255.0);
    EXPECT_EQ(DxfPalette[11].G, 127.5);
    EXPECT_EQ(DxfPalette[11].B, 127.5);
    EXPECT_DOUBLE_EQ(DxfPalette[23].G, 0.4063 * 255); // four-decimal fractions
    EXPECT_DOUBLE_EQ(DxfPalette[250].R, 84.15);
    EXPECT_DOUBLE_EQ(DxfPalette[253].G, 186.66);
    EXPECT_EQ(DxfPalette[255].B, 255.0);
    EXPECT_EQ(DxfPalette[8].R + DxfPalette[9].G + DxfPalette[7].B, 0.0);
    EXPECT_DOUBLE_EQ(DxfPalette[141].R, 127.5); // pale blue-cyan (0.5, 0.875, 1)
    EXPECT_DOUBLE_EQ(DxfPalette[141].G, 0.875 * 255);

    EXPECT_EQ(NearestColour(0x0000FF), 1); // red
    EXPECT_EQ(NearestColour(0x000000), 7); // first black entry
    EXPECT_EQ(NearestColour(0xFFFFFF), 255);
    EXPECT_EQ(NearestColour(0xFF0000), 5); // blue is the high byte
    EXPECT_EQ(NearestColour(0x00FFFF), 2);
    EXPECT_EQ(NearestColour(0x7F7FFF), 11);
    EXPECT_EQ(ColorToInt(0x00C0FFEE), 0x00C0FFEE);
    EXPECT_EQ(IntToColor(-1), 0xFFFFFFFFu);
    EXPECT_EQ(InchToPt(0.5), 36.0f);
}

TEST(SystemUtilities, KeysVersionAndNames)
{
    // Without a GUI application no key is down.
    EXPECT_FALSE(CtrlDown());
    EXPECT_FALSE(ShiftDown());
    EXPECT_FALSE(AltDown());
    std::string v = GetVersionString();
    EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 3) << v;
    EXPECT_EQ(v.rfind(SystemInfo::BuildVersion(), 0), 0u) << v;
    EXPECT_LE(QString::fromStdString(GetUserNameStr()).size(), 20);
    EXPECT_LE(QString::fromStdString(GetComputerNameStr()).size(), 15);
}
