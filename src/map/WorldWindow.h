#pragma once
// The world window of a map canvas: which rectangle of the network's plane the
// device shows, and the mapping between world coordinates (y up) and device
// pixels (row 0 at the top). One scale serves both axes, so the world is never
// distorted and the axis with room to spare shows more than was asked for.
#include "model/ZelUtils.h"

#include <cstdint>
#include <limits>

class TWorldWindow {
public:
    // World x at pixel column 0 and world y at the bottom edge (row = Height).
    double MinX = 0.0;
    double MinY = 0.0;
    // The requested right and top bounds, kept as given.
    double MaxX = 160.0;
    double MaxY = 160.0;
    // World units per pixel and its inverse; their product is always 1.
    double UnitsPerPixel = 1.0;
    double PixelsPerUnit = 1.0;
    // Device size in pixels; Height anchors the bottom-up rows.
    int32_t Width = 160;
    int32_t Height = 160;

    // Stores the window unchanged (no ordering check) and recomputes the scale.
    void SetWorld(double minX, double minY, double maxX, double maxY);
    // Each returns false (and changes nothing) when the value equals the stored one.
    bool SetMinX(double value);
    bool SetMaxX(double value);
    bool SetMinY(double value);
    bool SetMaxY(double value);
    // The larger of the two axis ratios. A device without area or a window without
    // extent gives no usable scale: the last valid one is kept. Returns whether
    // the scale was recomputed.
    bool UpdateScale();

    double PixelToWorldX(int32_t i) const { return i * UnitsPerPixel + MinX; }
    double PixelToWorldY(int32_t j) const { return (double(Height) - j) * UnitsPerPixel + MinY; }
    // Nearest pixel, halves to even; far-away points saturate at the Int32 range.
    // Inline: every point a layer draws goes through them.
    int32_t WorldToPixelX(double x) const { return ZelUtils::Round((x - MinX) * PixelsPerUnit); }
    int32_t WorldToPixelY(double y) const
    {
        const int64_t j = int64_t(Height) - int64_t(ZelUtils::Round((y - MinY) * PixelsPerUnit));
        if (j > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
        if (j < std::numeric_limits<int32_t>::min())
            return std::numeric_limits<int32_t>::min();
        return int32_t(j);
    }
    // The same before rounding: column, and rows up from the bottom edge (row =
    // Height - up), so that geometry far outside the device can be tested and
    // clipped before it becomes integer pixels.
    double PixelX(double x) const { return (x - MinX) * PixelsPerUnit; }
    double PixelUp(double y) const { return (y - MinY) * PixelsPerUnit; }

    // Direction from (x1, y1) to (x2, y2) in radians, counter-clockwise from the x
    // axis with y up, in [0, 2*pi); 0 for a point onto itself.
    static double LineAngle(double x1, double y1, double x2, double y2);
};
