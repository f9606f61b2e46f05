// The options record of the run and the ranges of its values.
#include "model/ProgramOptions.h"

#include <algorithm>
#include <cmath>

#include <QString>

std::function<void()> ProgramOptionsChanged;

TProgramOptions& ProgramOptions()
{
    static TProgramOptions options;
    return options;
}

void NotifyProgramOptionsChanged()
{
    if (ProgramOptionsChanged)
        ProgramOptionsChanged();
}

float TProgramOptions::ZoomFactorValue() const
{
    const int index = std::max(0, Zoom);
    return 0.1f * float(2 - index) + 0.05f;
}

namespace {
constexpr int MagnifierScales[] = {2, 4, 6, 8, 10, 15, 20, 30};
constexpr const char* MagnifierCaptions[] = {"2x", "4x", "6x", "8x", "10x", "15x", "20x", "30x"};
} // namespace

int TProgramOptions::MagnifierScale() const
{
    return EscalaZoom >= 0 && EscalaZoom < 8 ? MagnifierScales[EscalaZoom] : 2;
}

const char* TProgramOptions::MagnifierScaleCaption() const
{
    return EscalaZoom >= 0 && EscalaZoom < 8 ? MagnifierCaptions[EscalaZoom] : "";
}

int TProgramOptions::ClampInt(int value, int minimum, int maximum) { return std::clamp(value, minimum, maximum); }

double TProgramOptions::ClampReal(double value, int decimals, double minimum, double maximum)
{
    // As a real-valued spin box stores it: rounded to the decimals it shows, then bounded.
    const double rounded = QString::number(value, 'f', decimals).toDouble();
    return std::clamp(rounded, minimum, maximum);
}

void TProgramOptions::SetScreen2PrintRatio(double pageWidthPixels, double screenWidthPixels)
{
    // Print scaling divides by this ratio: an unknown screen or page keeps the current value.
    if (!(screenWidthPixels > 0.0) || !(pageWidthPixels > 0.0))
        return;
    const double ratio = pageWidthPixels / screenWidthPixels;
    if (std::isfinite(ratio))
        SetScreen2Print(ratio);
}
