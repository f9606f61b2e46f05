#include "printing/ColourChart.h"

#include "platform/EmfDevice.h"
#include "printing/ZelPrinter.h"

#include <QFont>
#include <QPainter>

#include <cstdlib>

namespace ColourChart {

const std::array<uint32_t, Rows * Columns> WebColours = {
    0xFAFAFF, 0xF0FAFF, 0xF5F0FF, 0xE6F5FD, 0xF0FFFF, 0xDCF8FF, 0xDCF5F5, 0xD7EBFA, 0xB3DEF5, 0xFFF8F0,
    0xFFF8F8, 0xFAE6E6, 0xEEF5FF, 0xE0FFFF, 0xD5EFFF, 0xADDEFF, 0xB5E4FF, 0x87B8DE, 0xFFFFF0, 0xFAFFF5,
    0xF0FFF0, 0xE6F0FA, 0xCDFAFF, 0xCDEBFF, 0xC4E4FF, 0xB9DAFF, 0x8CB4D2, 0x00FFFF, 0x008CFF, 0x0000FF,
    0x00008B, 0x000080, 0x5C5CCD, 0x7280FA, 0x507FFF, 0x00D7FF, 0x4763FF, 0x3C14DC, 0x2A2AA5, 0x1E69D2,
    0x60A4F4, 0x7AA0FF, 0x8080F0, 0x00A5FF, 0x0045FF, 0x2222B2, 0x13458B, 0x2D52A0, 0x3F85CD, 0x7A96E9,
    0x8F8FBC, 0xAAE8EE, 0xD2FAFA, 0x008080, 0x228B22, 0x2FFFAD, 0x00FF7F, 0x90EE90, 0xD4FF7F, 0x578B2E,
    0x20A5DA, 0x8CE6F0, 0x238E6B, 0x008000, 0x32CD9A, 0x00FC7C, 0x98FB98, 0xAACD66, 0x71B33C, 0x0B86B8,
    0x6BB7BD, 0x2F6B55, 0x006400, 0x32CD32, 0x00FF00, 0x7FFF00, 0x9AFA00, 0x8FBC8F, 0xAAB220, 0xEEEEAF,
    0xFFFFE0, 0xE6D8AD, 0xFACE87, 0xED9564, 0x8B0000, 0x82004B, 0xCCD148, 0xD0E040, 0xFFFF00, 0xFFFF00,
    0xE6E0B0, 0xEBCE87, 0xE16941, 0xCD0000, 0x701919, 0xD1CE00, 0xA09E5F, 0x8B8B00, 0x808000, 0xFFBF00,
    0xFF901E, 0xFF0000, 0x800000, 0xD30094, 0xCC3299, 0xFF00FF, 0xFF00FF, 0x8B008B, 0x8515C7, 0x9370DB,
    0xE22B8A, 0xD355BA, 0xDB7093, 0x800080, 0x9314FF, 0xC1B6FF, 0xEE82EE, 0xD670DA, 0xDDA0DD, 0xD8BFD8,
    0xB469FF, 0xCBC0FF, 0xDEC4B0, 0xEE687B, 0x998877, 0xFFFFFF, 0xD3D3D3, 0x808080, 0xB48246, 0xCD5A6A,
    0x908070, 0xF5F5F5, 0xC0C0C0, 0x696969, 0xE1E4FF, 0x8B3D48, 0x4F4F2F, 0xDCDCDC, 0xA9A9A9, 0x000000,
};

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
            // Numbers are black; on a cell too dark to read black on, white.
            const QColor cell = ToColor(WebColours[size_t((r - 1) * Columns + c - 1)]);
            const bool dark = 0.299 * cell.red() + 0.587 * cell.green() + 0.114 * cell.blue() < 40;
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
