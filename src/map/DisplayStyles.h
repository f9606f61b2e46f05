#pragma once
// The display styles of the map: the types of the per-layer drawing styles `Items`
// and of the label fonts, and the program's default styles. The styles themselves
// are fields of the view (map/ViewState.h): drawing, printing and export read
// them; the options dialog and the display menus edit them.
//
// Colours are TColor values 0x00BBGGRR (red in the low byte), as they are
// written in settings files. Indexes keep their meaning: `Items` 0 is the road
// network, 11.. the background line layers; classes and fonts count from 1.
#include "model/KDVvars.h" // CurrentClass

#include <array>
#include <cstdint>
#include <string>

#include <QColor>
#include <QFont>

constexpr int MaxItems = 20;      // Items[0..20]
constexpr int MaxClasses = 30;    // ClassColors/ClassWidths[0..30]
constexpr int NumSelClasses = 20; // classes a user can pick (1..20)
constexpr int MaxLabelFonts = 20; // LabelFonts[1..20]

// Named colours of the classic palette, as TColor values.
constexpr uint32_t clBlack = 0x000000;
constexpr uint32_t clMaroon = 0x000080;
constexpr uint32_t clGreen = 0x008000;
constexpr uint32_t clOlive = 0x008080;
constexpr uint32_t clNavy = 0x800000;
constexpr uint32_t clPurple = 0x800080;
constexpr uint32_t clTeal = 0x808000;
constexpr uint32_t clGray = 0x808080;
constexpr uint32_t clSilver = 0xC0C0C0;
constexpr uint32_t clRed = 0x0000FF;
constexpr uint32_t clLime = 0x00FF00;
constexpr uint32_t clYellow = 0x00FFFF;
constexpr uint32_t clBlue = 0xFF0000;
constexpr uint32_t clFuchsia = 0xFF00FF;
constexpr uint32_t clAqua = 0xFFFF00;
constexpr uint32_t clWhite = 0xFFFFFF;

// Pen styles of a layer style (the classic pen style numbers).
enum TPenStyle : uint8_t { psSolid = 0, psDash = 1, psDot = 2, psDashDot = 3, psDashDotDot = 4, psClear = 5, psInsideFrame = 6 };

// Drawing style of one map layer.
struct TItems {
    std::string Name;
    uint32_t Color = clGray;
    int32_t Width = 1;       // pixels; below 1 the layer draws no line
    bool ShowNames = false;  // background line layers: names are written
    uint8_t PenStyle = psSolid;
};

// Font style bits of a label font.
constexpr uint8_t fsBold = 1;
constexpr uint8_t fsItalic = 2;
constexpr uint8_t fsUnderline = 4;
constexpr uint8_t fsStrikeOut = 8;

// Number format of value labels and legends: field width, decimals, printf format.
struct Tfmt {
    int32_t NumDec = 6;
    int32_t Decimals = 0;
    std::string Format = "%.0f";
};

struct TLabelFont {
    std::string Name = "Arial";
    int32_t Size = 8;        // points
    uint32_t Color = clBlack;
    uint8_t Style = 0;       // fsBold | fsItalic | ...
};

namespace DisplayStyles {

// Layer styles and label fonts of the user's view as the main window sets them at creation.
void SetDefaultStyles();
// Current class, and the class colours and widths of the user's view, as the main window sets them when shown.
void SetDefaultClassStyles();

QColor ToQColor(uint32_t color);
uint32_t FromQColor(const QColor& color);
QFont ToQFont(const TLabelFont& font);
// A pen style of a layer style (psSolid..psInsideFrame); unknown numbers draw solid.
Qt::PenStyle ToQPenStyle(uint8_t style);

} // namespace DisplayStyles
