#pragma once
// The numbered chart of the 140 web colours (14 rows of 10, number 1 at the bottom
// left), written as an enhanced metafile so that colour numbers can be read off a
// printed sheet.
#include <array>
#include <cstdint>
#include <string>

class QPainter;

namespace ColourChart {

constexpr int Rows = 14;
constexpr int Columns = 10;
// Colour k (1..140) is entry k - 1; values $BBGGRR.
extern const std::array<uint32_t, Rows * Columns> WebColours;

// Metafile size of the chart on a printer page of that many device pixels.
void ChartSize(int32_t pageWidth, int32_t pageHeight, int32_t& width, int32_t& height);
// Draws the chart on a canvas of the size ChartSize gives.
void DrawChart(QPainter& canvas, int32_t width, int32_t height);
// Writes the chart for a printer page; an empty string on success, else the message.
std::string WriteChart(const std::string& fileName, int32_t pageWidth, int32_t pageHeight, int32_t dpi = 600);

} // namespace ColourChart
