#include "printing/ColourChart.h"

#include "platform/EmfDevice.h"
#include "printing/ZelPrinter.h"

#include <QFont>
#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace ColourChart {

namespace {

constexpr double kCell = 1000.0;

void SetWindow(int32_t width, int32_t height)
{
    ZelPrinter::SetPageSize(width, height);
    ZelPrinter::SetMinX(0);
    ZelPrinter::SetMaxX(Columns * kCell);
    ZelPrinter::SetMinY(0);
    ZelPrinter::SetMaxY(Rows * kCell);
}

QColor ToColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// Relative luminance of an sRGB colour (0 black .. 1 white), as contrast ratios
// are reckoned for legibility.
double Luminance(const QColor& c)
{
    const auto lin = [](int v) {
        const double x = v / 255.0;
        return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.red()) + 0.7152 * lin(c.green()) + 0.0722 * lin(c.blue());
}

} // namespace

void ChartSize(int32_t pageWidth, int32_t pageHeight, int32_t& width, int32_t& height)
{
    SetWindow(pageWidth, pageHeight);
    width = ZelPrinter::WorldToPixelX(Columns * kCell) - ZelPrinter::WorldToPixelX(0);
    height = std::abs(ZelPrinter::WorldToPixelY(Rows * kCell) - ZelPrinter::WorldToPixelY(0));
}

void DrawChart(QPainter& canvas, int32_t width, int32_t height)
{
    SetWindow(width, height);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(20);
    canvas.setFont(font);
    for (int r = 1; r <= Rows; ++r)
        for (int c = 1; c <= Columns; ++c) {
            const QColor colour = ToColor(WebColours[size_t((r - 1) * Columns + c - 1)]);
            canvas.setPen(QPen(colour, 1));
            canvas.setBrush(colour);
            ZelPrinter::RectangleW(&canvas, (c - 1) * kCell, (r - 1) * kCell, c * kCell, r * kCell);
        }
    ZelPrinter::ResetLabels();
    canvas.setBrush(Qt::NoBrush);
    for (int r = 1; r <= Rows; ++r)
        for (int c = 1; c <= Columns; ++c) {
            // Each number in black or white, whichever stands out more from its cell.
            const double l = Luminance(ToColor(WebColours[size_t((r - 1) * Columns + c - 1)]));
            const bool dark = (1.05) / (l + 0.05) > (l + 0.05) / 0.05;
            canvas.setPen(QPen(dark ? Qt::white : Qt::black, 1));
            ZelPrinter::Painter().FontColor = dark ? Qt::white : Qt::black;
            ZelPrinter::LabelAt(&canvas, 0, std::to_string((r - 1) * Columns + c), (c - 0.5) * kCell,
                                (r - 0.5) * kCell, 4, 0);
        }
    ZelPrinter::Painter().FontColor = Qt::black;
}

std::string WriteChart(const std::string& fileName, int32_t pageWidth, int32_t pageHeight, int32_t dpi)
{
    int32_t width = 0, height = 0;
    ChartSize(pageWidth, pageHeight, width, height);
    if (width < 1 || height < 1)
        return "No hay página de impresora para el cuadro de colores.";
    // The numbers are measured and written at the device's own resolution, so
    // each stands centred in its cell.
    TEmfDevice emf(width, height, dpi);
    {
        QPainter p(&emf);
        DrawChart(p, width, height);
    }
    return emf.Save(fileName);
}

} // namespace ColourChart
