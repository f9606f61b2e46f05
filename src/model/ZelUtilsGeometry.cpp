#include "model/ZelUtilsGeometry.h"

#include "model/ZelUtils.h"

#include <QGuiApplication>

#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

namespace ZelUtils {

void MakePoint(TPoint& point, double x, double y)
{
    point.x = x;
    point.y = y;
}

TPoint MakePoint(double x, double y)
{
    TPoint p;
    MakePoint(p, x, y);
    return p;
}

float HypotAsFloat(double dx, double dy)
{
    // The plain square root lies within about two units in the last place of the
    // double that hypot gives (each is within about one of the exact length). Where
    // no boundary between the rounding ranges of two floats lies within eight such
    // units of it, both round to the same float; only otherwise (about one length in
    // tens of millions, zero, overflow) is hypot itself asked.
    const double s = std::sqrt(dx * dx + dy * dy);
    const float f = static_cast<float>(s);
    if (f > 0.0f && f < std::numeric_limits<float>::infinity()) {
        // The floats on either side of f: the next representations up and down.
        const auto bits = std::bit_cast<uint32_t>(f);
        const double up = (double(f) + double(std::bit_cast<float>(bits + 1))) / 2.0;
        const double down = (double(f) + double(std::bit_cast<float>(bits - 1))) / 2.0;
        const double margin = s * 0x1p-49;
        if (s + margin < up && s - margin > down)
            return f;
    }
    return static_cast<float>(std::hypot(dx, dy));
}

namespace {

// Arc tangent of y / x for 0 <= y, 0 < x, in [0, pi / 2]: a rational function
// after the usual reduction of the argument (below 0.66, up to tan(3 pi / 8),
// beyond), one division to reduce it: within a few units in the last place, far
// inside the margin RoundedPointAngle allows.
double AtanOfRatio(double y, double x)
{
    static constexpr double P[] = {-8.750608600031904122785e-1, -1.615753718733365076637e1,
                                   -7.500855792314704667340e1, -1.228866684490136173410e2,
                                   -6.485021904942025371773e1};
    static constexpr double Q[] = {2.485846490142306297962e1, 1.650270098316988542046e2, 4.328810604912902668951e2,
                                   4.853903996359136964868e2, 1.945506571482613964425e2};
    constexpr double TanThreeEighthsPi = 2.41421356237309504880;
    double base = 0.0, t = 0.0;
    if (y > TanThreeEighthsPi * x) {
        base = std::numbers::pi / 2;
        t = -x / y;
    } else if (y > 0.66 * x) {
        base = std::numbers::pi / 4;
        t = (y - x) / (y + x);
    } else {
        t = y / x;
    }
    const double z = t * t;
    const double ratio = z * ((((P[0] * z + P[1]) * z + P[2]) * z + P[3]) * z + P[4]) /
                         (((((z + Q[0]) * z + Q[1]) * z + Q[2]) * z + Q[3]) * z + Q[4]);
    return base + (t * ratio + t);
}

} // namespace

int32_t RoundedPointAngle(const TPoint& p1, const TPoint& p2, double scale)
{
    // The direction from the rational arc tangent differs from atan2's by far less
    // than 1e-12 radians, and either, made a float, by at most one float's spacing
    // below 2 pi (under 5e-7) more. Where the scaled angle lies farther than 1e-6
    // radians' worth from a half, both round alike; near a half, and near the turn
    // from 2 pi back to 0, PointAngle itself is asked (a few directions in ten
    // thousand).
    if (p2.x != p1.x) {
        constexpr double pi = std::numbers::pi;
        const double dy = p2.y - p1.y, dx = p2.x - p1.x;
        const double first = AtanOfRatio(std::fabs(dy), std::fabs(dx)); // in the first quadrant
        double a = 0.0;
        if (dx > 0.0)
            a = dy >= 0.0 ? first : 2.0 * pi - first;
        else
            a = dy >= 0.0 ? pi - first : pi + first;
        const double v = double(static_cast<float>(a)) * scale;
        if (v > 1.0 && v < 2.0 * pi * scale - 1.0) {
            // Positive: truncation gives the integer below it.
            const double fraction = v - static_cast<double>(static_cast<int64_t>(v));
            if (std::fabs(fraction - 0.5) > 1e-6 * scale)
                return Round(v);
        }
    }
    return Round(PointAngle(p1, p2) * scale);
}

float PointAngle(const TPoint& p1, const TPoint& p2)
{
    constexpr double pi = std::numbers::pi;
    if (p2.x == p1.x) {
        if (p2.y == p1.y)
            return 0.0f;
        return static_cast<float>(p2.y > p1.y ? pi / 2.0 : 3.0 * pi / 2.0);
    }
    double a = std::atan2(p2.y - p1.y, p2.x - p1.x);
    if (a < 0.0)
        a += 2.0 * pi;
    return static_cast<float>(a);
}

float Angle(double x1, double y1, double x2, double y2)
{
    return PointAngle(MakePoint(x1, y1), MakePoint(x2, y2));
}

void MeanPoint(std::span<const TPoint> points, int32_t last, TPoint& result)
{
    if (last >= static_cast<int32_t>(points.size()))
        last = static_cast<int32_t>(points.size()) - 1;
    float mx = 0.0f, my = 0.0f;
    for (int32_t k = 0; k <= last; ++k) {
        const TPoint& p = points[static_cast<size_t>(k)];
        mx = static_cast<float>((double(k) * mx + p.x) / double(k + 1));
        my = static_cast<float>((double(k) * my + p.y) / double(k + 1));
    }
    MakePoint(result, mx, my);
}

namespace {

// Channels of the standard colour-index palette are fractions of full intensity
// rounded to four decimals; they are computed here in ten-thousandths.
std::array<TDxfColor, 256> BuildPalette()
{
    std::array<TDxfColor, 256> p{};
    auto set = [&p](int i, int r, int g, int b) { // ten-thousandths
        p[static_cast<size_t>(i)] = {r * 255.0 / 10000.0, g * 255.0 / 10000.0, b * 255.0 / 10000.0};
    };
    set(1, 10000, 0, 0);
    set(2, 10000, 10000, 0);
    set(3, 0, 10000, 0);
    set(4, 0, 10000, 10000);
    set(5, 0, 0, 10000);
    set(6, 10000, 0, 10000);
    // 0 and 7..9 stay black.

    // 10..249: 24 hues 15 degrees apart, each in five intensities, full and pale.
    static const int intensity[5] = {1000, 650, 500, 300, 150}; // thousandths
    for (int i = 10; i <= 249; ++i) {
        int hue = (i - 10) / 10;
        int shade = (i - 10) % 10;
        int v = intensity[shade / 2];
        bool pale = shade % 2 == 1;
        // Pure hue channels in quarters (0..4).
        int sector = hue / 4, q = hue % 4;
        int ch[3];
        switch (sector) {
        case 0: ch[0] = 4; ch[1] = q; ch[2] = 0; break;
        case 1: ch[0] = 4 - q; ch[1] = 4; ch[2] = 0; break;
        case 2: ch[0] = 0; ch[1] = 4; ch[2] = q; break;
        case 3: ch[0] = 0; ch[1] = 4 - q; ch[2] = 4; break;
        case 4: ch[0] = q; ch[1] = 0; ch[2] = 4; break;
        default: ch[0] = 4; ch[1] = 0; ch[2] = 4 - q; break;
        }
        int out[3];
        for (int c = 0; c < 3; ++c) {
            // Millionths, then rounded half up to ten-thousandths.
            long micro = pale ? long(v) * (4 + ch[c]) * 125 : long(v) * ch[c] * 250;
            out[c] = static_cast<int>((micro + 50) / 100);
        }
        set(i, out[0], out[1], out[2]);
    }
    static const int greys[6] = {3300, 4640, 5980, 7320, 8660, 10000};
    for (int k = 0; k < 6; ++k)
        set(250 + k, greys[k], greys[k], greys[k]);
    return p;
}

} // namespace

const std::array<TDxfColor, 256> DxfPalette = BuildPalette();

int32_t NearestColour(uint32_t colour)
{
    double r = colour & 0xFFu;
    double g = (colour >> 8) & 0xFFu;
    double b = (colour >> 16) & 0xFFu;
    auto distance = [&](int i) {
        const TDxfColor& e = DxfPalette[static_cast<size_t>(i)];
        return (e.R - r) * (e.R - r) + (e.G - g) * (e.G - g) + (e.B - b) * (e.B - b);
    };
    int32_t best = 1;
    double bestDistance = distance(1);
    for (int i = 2; i <= 255; ++i) {
        double d = distance(i);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int32_t ColorToInt(uint32_t colour) { return static_cast<int32_t>(colour); }

uint32_t IntToColor(int32_t value) { return static_cast<uint32_t>(value); }

float InchToPt(double inches) { return static_cast<float>(inches * 72.0); }

namespace {

bool ModifierDown(Qt::KeyboardModifier modifier)
{
    // Without a GUI application there is no keyboard to ask.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    return QGuiApplication::queryKeyboardModifiers().testFlag(modifier);
}

} // namespace

bool CtrlDown() { return ModifierDown(Qt::ControlModifier); }

bool ShiftDown() { return ModifierDown(Qt::ShiftModifier); }

bool AltDown() { return ModifierDown(Qt::AltModifier); }

} // namespace ZelUtils
