#include "map/DisplayStyles.h"

#include "map/ViewState.h"

namespace DisplayStyles {

void SetDefaultStyles()
{
    static const struct {
        const char* name;
        uint32_t color;
    } named[] = {
        {"Red Vial", 0xFF8080},        {"Arcos Acceso", 0x0000FF},  {"Arcos Prohibidos", 0x008000},
        {"Traza de Arcos", 0xFFFF00},  {"Flechas", 0xFF0000},       {"Nodos Viales", 0x808080},
        {"N. Transbordo", 0x808000},   {"Relleno Flechas", 0x00FFFF}, {"Nodos Metro", 0x0000FF},
        {"Subidas", 0xFF0000},         {"Bajadas", 0x0000FF},       {"Soleras", 0x808080},
    };
    for (int i = 0; i <= MaxItems; ++i) {
        TItems item;
        if (i < int(std::size(named))) {
            item.Name = named[i].name;
            item.Color = named[i].color;
        }
        UserView().Items[i] = item;
    }

    for (auto& font : UserView().LabelFonts)
        font = TLabelFont{};
    UserView().LabelFonts[4].Color = clRed;
    UserView().LabelFonts[6] = TLabelFont{"Arial Black", 18, clBlack, fsBold};
}

void SetDefaultClassStyles()
{
    static const uint32_t colors[NumSelClasses] = {
        0x0000FF, 0xFF0000, 0x008000, 0x000080, 0xFF00FF, 0x00FF00, 0x800000, 0x800080, 0xFFFF00, 0x008080,
        0xF0CAA6, 0x808000, 0x00FFFF, 0x808080, 0xF0FBFF, 0, 0, 0, 0, 0,
    };
    CurrentClass = 1;
    // Entries beyond the table's classes go back to what a start gives them too:
    // a mark read from a file may name one.
    UserView().ClassWidths.fill(0);
    UserView().ClassColors.fill(0);
    for (int c = 1; c <= NumSelClasses; ++c) {
        UserView().ClassWidths[c] = 3;
        UserView().ClassColors[c] = colors[c - 1];
    }
}

QColor ToQColor(uint32_t color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

uint32_t FromQColor(const QColor& color)
{
    return uint32_t(color.red()) | (uint32_t(color.green()) << 8) | (uint32_t(color.blue()) << 16);
}

QFont ToQFont(const TLabelFont& font)
{
    QFont f(QString::fromStdString(font.Name));
    if (font.Size > 0)
        f.setPointSize(font.Size);
    f.setBold(font.Style & fsBold);
    f.setItalic(font.Style & fsItalic);
    f.setUnderline(font.Style & fsUnderline);
    f.setStrikeOut(font.Style & fsStrikeOut);
    return f;
}

Qt::PenStyle ToQPenStyle(uint8_t style)
{
    switch (style) {
    case psDash: return Qt::DashLine;
    case psDot: return Qt::DotLine;
    case psDashDot: return Qt::DashDotLine;
    case psDashDotDot: return Qt::DashDotDotLine;
    case psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

} // namespace DisplayStyles

namespace {
// The styles hold their start values before any window exists, so headless
// drawing, printing and export see the same defaults as the program.
struct StyleDefaults {
    StyleDefaults()
    {
        DisplayStyles::SetDefaultStyles();
        DisplayStyles::SetDefaultClassStyles();
    }
} styleDefaults;
} // namespace
