#pragma once
// Point record and the angle and centre computations of link, arm and label
// geometry; colour conversions of the style tables and the DXF export; modifier
// keys.
#include "model/PalvonVars.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace ZelUtils {

// The point record is the model's pair of doubles.
using TPointRec = TPoint;

void MakePoint(TPoint& point, double x, double y);
TPoint MakePoint(double x, double y);

// static_cast<float>(std::hypot(dx, dy)), mostly without hypot's cost: see the definition.
float HypotAsFloat(double dx, double dy);

// Round(PointAngle(p1, p2) * scale), for scales up to some thousands (tenths of a
// degree), mostly without atan2's cost: see the definition.
int32_t RoundedPointAngle(const TPoint& p1, const TPoint& p2, double scale);

// Direction of p1 -> p2 in radians, in [0, 2*pi), returned in single precision.
float PointAngle(const TPoint& p1, const TPoint& p2);
float Angle(double x1, double y1, double x2, double y2);

// Centre of points[0..last] as a running mean kept in single precision between
// steps; (0, 0) when last < 0. Points beyond the list are never read.
void MeanPoint(std::span<const TPoint> points, int32_t last, TPoint& result);

// One entry of the 256-colour drawing palette, channels 0..255.
struct TDxfColor {
    double R = 0.0;
    double G = 0.0;
    double B = 0.0;
};
extern const std::array<TDxfColor, 256> DxfPalette;

// Colours are 32-bit values 0x00BBGGRR (red in the low byte).
// Index 1..255 of the nearest palette entry; ties keep the lower index.
int32_t NearestColour(uint32_t colour);
int32_t ColorToInt(uint32_t colour);
uint32_t IntToColor(int32_t value);

float InchToPt(double inches);

// Modifier keys as the GUI thread last saw them; false when no GUI application runs.
bool CtrlDown();
bool ShiftDown();
bool AltDown();

} // namespace ZelUtils
