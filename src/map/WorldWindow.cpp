#include "map/WorldWindow.h"

#include "model/ZelUtils.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

void TWorldWindow::SetWorld(double minX, double minY, double maxX, double maxY)
{
    MinX = minX;
    MinY = minY;
    MaxX = maxX;
    MaxY = maxY;
    UpdateScale();
}

bool TWorldWindow::SetMinX(double value)
{
    if (value == MinX)
        return false;
    MinX = value;
    UpdateScale();
    return true;
}

bool TWorldWindow::SetMaxX(double value)
{
    if (value == MaxX)
        return false;
    MaxX = value;
    UpdateScale();
    return true;
}

bool TWorldWindow::SetMinY(double value)
{
    if (value == MinY)
        return false;
    MinY = value;
    UpdateScale();
    return true;
}

bool TWorldWindow::SetMaxY(double value)
{
    if (value == MaxY)
        return false;
    MaxY = value;
    UpdateScale();
    return true;
}

bool TWorldWindow::UpdateScale()
{
    // A control not laid out yet (or hidden to nothing) would divide by zero, and a
    // window without extent has no scale at all; either way the previous scale
    // stays, so the mapping keeps working and PixelsPerUnit * UnitsPerPixel = 1.
    if (Width <= 0 || Height <= 0)
        return false;
    const double upp = std::max((MaxX - MinX) / Width, (MaxY - MinY) / Height);
    if (!(upp > 0.0) || !std::isfinite(upp) || !std::isfinite(1.0 / upp))
        return false;
    UnitsPerPixel = upp;
    PixelsPerUnit = 1.0 / upp;
    return true;
}

double TWorldWindow::LineAngle(double x1, double y1, double x2, double y2)
{
    if (x2 == x1) {
        if (y2 == y1)
            return 0.0;
        return y2 > y1 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2;
    }
    double a = std::atan2(y2 - y1, x2 - x1);
    if (a < 0)
        a += 2 * std::numbers::pi;
    return a;
}
