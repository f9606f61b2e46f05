#pragma once
// The view configuration of a network as the keys of one INI section (a theme of
// the themes file, the theme clipboard, a network's own view): read into plain
// values here, applied to the window by the main window. Sizes that would make
// the map unusable (a font of a million points, a bar two billion pixels wide)
// are refused with a message each and keep the value in use.
#include "map/DisplayStyles.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TIniFile;

constexpr int ViewOptionCount = 17; // fields of "Opciones"
constexpr int ViewRangeClasses = 6; // classes of "RangosLimites", "RangosColores", "RangosActivos"

// Ranges accepted for the sizes of a configuration.
constexpr int32_t MaxViewFontSize = 200;   // points
constexpr int32_t MaxViewSymbolSize = 100; // pixels (centroids, nodes, arrows)
constexpr int32_t MaxViewBarWidth = 500;   // pixels of the widest bar
constexpr int32_t MaxViewColorWidth = 25;  // pixels of a coloured link
constexpr int32_t MaxViewDecimals = 15;
constexpr int32_t MaxViewPenWidth = 100;   // pixels of a drawing style's line

struct TViewItem {
    bool Present = false; // the key held the five fields
    std::string Name;
    uint32_t Color = 0;
    int32_t Width = 1;
    uint8_t PenStyle = 0;
};

struct TViewConfig {
    std::string VariableName = "null"; // "Variable": grid title and column
    int32_t VariableColumn = 0;
    bool HasTitle = false;
    std::vector<std::string> TitleLines;
    double Zoom[4] = {0, 0, 0, 0}; // MinX, MinY, MaxX, MaxY
    std::array<bool, ViewOptionCount> Options{};
    int32_t LegendLeft = 53, LegendTop = 355;
    float ScaleMax = 0;
    bool ScaleFixed = false;
    // Checked values: the caller fills them with those in use, a refused value keeps it.
    int32_t PixsVol = 25, PixsCol = 5;
    std::array<TLabelFont, 6> Fonts; // 1 zones, 2 nodes, 4 attributes, 5 streets
    int32_t CentroidSize = 10, NodeSize = 3, ArrowSize = 8;
    uint32_t CentroidColor = 0, ArrowColor = 0;
    int32_t NumDec = 0, Decimals = 0;
    uint32_t Pen = 0, Brush = 0; // "Color" of the current drawing mode
    bool HasLineLayers = false;  // "Soleras" held a count and a name
    std::vector<std::string> LineLayerFiles;
    std::array<TViewItem, MaxItems + 1> Items; // Width checked as above
    bool HasRangeKeys = false;                 // any of the three range keys is present
    std::array<float, ViewRangeClasses> RangeHighs{};
    std::array<uint32_t, ViewRangeClasses> RangeColors{};
    std::array<bool, ViewRangeClasses> RangeActive{};
    // "Preferencias" (the options dialog).
    std::array<bool, 9> ShowChecks{};
    int32_t SeleccionGrafica = 0, RutasFijas = 0;
    uint32_t SeleccionColor = 0, ZonaBordeColor = 0, ZonaRellenoColor = 0;
    int32_t ZonaBordeAncho = 0;
    bool ZonaRellenoClear = false;
    uint32_t PoliBordeColor = 0, PoliRellenoColor = 0;
    int32_t PoliBordeAncho = 0;
    bool PoliRellenoClear = false;
    uint32_t VisorZoomColor = 0;
    int32_t VisorZoomSize = 0;
    bool ZoomPermanente = false;
    int32_t EscalaZoom = 0;
    std::array<bool, 6> ZoomChecks{};
    // "GoogleEarth": UTM zone index, hemisphere index, vertical and horizontal shift.
    int32_t Huso = 18, Hemisferio = 0;
    double ShiftVert = 0, ShiftHorz = 0;
    // One text per refused value.
    std::vector<std::string> Refused;
};

namespace ViewConfig {

// Splits a stored value at ';': an empty field between separators counts, an
// empty last field is dropped and an empty value has no field at all.
std::vector<std::string> SplitValue(const std::string& value);
// The line-layer files of a "Soleras" value (count;file;file...), at most count.
// The program writes full names, so when there are more pieces than files a piece
// that does not begin a full name is the rest of one whose folder holds ";".
std::vector<std::string> LineLayerFileList(const std::string& value);
// The fields of a key; when their number is not `count`, the whole default list.
std::vector<std::string> ReadFields(const TIniFile& ini, const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t count);

// The section's configuration into `config`; keys missing from the section give
// their defaults. The checked values hold the values in use on entry.
void Read(const TIniFile& ini, const std::string& section, TViewConfig& config);

// Name; size; colour; style as four "0"/"1" (bold, italic, underline, strike-out).
void ReadFont(TLabelFont& font, const std::vector<std::string>& fields);
// Seven characters: the last "1" among positions 2..7 gives the style; none gives 0.
uint8_t ReadPenStyle(const std::string& field);

} // namespace ViewConfig
