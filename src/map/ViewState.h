#pragma once
// The view the user has set up, headless: which layers are on (named by layer),
// and, as they move here, the chosen variables and ranges, sizes and styles, the
// extent and the titles. The window's buttons and menu checks show it through
// one binding table (map/gui/ViewBinding.h): a command pressed writes its field,
// a field changed (a theme or a view applied) sets its command. Every output
// takes a copy of it (TViewSnapshot) and draws from the copy, so nothing that
// prints or exports touches the user's view.
//
// There is one user's view in the program (UserView); the main window shows it.
#include "map/Ranges.h"
#include "model/KDVvars.h"

#include <QColor>
#include <QFont>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TViewState {
    // The layer switches.
    bool Zonas = false;       // zone outlines and numbers
    bool Poligonos = false;   // the user's polygons
    bool Solera = false;      // background line layers
    bool Atributos = false;   // value bars of the variables shown
    bool Colores = false;     // links coloured by ranges
    bool Lineas = false;      // transit lines
    bool Arrows = false;      // one-way arrowheads
    bool Nodes = false;       // node circles
    bool Cents = false;       // zone centroids and connectors
    bool NameNodes = false;   // node numbers
    bool Values = false;      // values written on the links
    bool Calles = false;      // street names
    bool Sel = false;         // selected elements only
    bool MovimValues = false; // movement values beside the link values

    // The chosen variables and their ranges. The value classes: a link or movement
    // value v belongs to class c when Low < v <= High (map/Ranges.h); classes
    // 1..NumRanges are the ones the default rule fills.
    std::array<TRangeClass, MaxRangeClasses + 1> RangeTable{};
    int32_t NumRanges = 5;
    // Extremes of the link variable shown and of the movement variable shown.
    float RangeMin = 0.0f, RangeMax = 0.0f;
    float RangeMovimMin = 0.0f, RangeMovimMax = 0.0f;
    // Grid title of the link variable shown ("null" when none).
    std::string RangeName = "null";
    // Saved range sets: keys "Rangos_" + title, and their range list texts (same index).
    std::vector<std::string> RangeSetKeys;
    std::vector<std::string> RangeNames;
    // Per drawing mode, the link-grid column shown.
    std::array<int32_t, MaxRangeModes + 1> RangeVarByMode{};
    // Drawing mode of the data layers and, per mode, the normal (pen) and over-range
    // (brush) colours.
    int32_t RangeMode = 1;
    std::array<uint32_t, MaxRangeModes + 1> ModePenColors{};
    std::array<uint32_t, MaxRangeModes + 1> ModeBrushColors{};
    // Link-grid column of the link variable shown (0 = none: the link data layers draw nothing).
    int32_t RangeVarArcos = 0;
    // Movement-grid column chosen in the movement menu, and the one the layers draw.
    int32_t RangeItemMovim = 0;
    int32_t RangeVarMovim = 0;
    // How the movement layer draws: false turn symbols; true the chosen flows summed
    // at the link ends (a movement column picked with Alt).
    bool MovimDrawMode = false;
    // Link-grid column of the displayed attribute (set by the grid's double click).
    int32_t AttrColumn = 0;
    // Link-grid columns shown together (as "%d" texts; the first is the current one);
    // movement-grid columns chosen together, same form.
    std::vector<std::string> ShownVarList;
    std::vector<std::string> SelectedMovimVars;
    // The colour of each link variable shown together.
    std::array<uint32_t, MaxShownVars> VarColors{};
    // Legend text height target in pixels (10..100) and the legend's number format.
    int32_t RangeSymbolSize = 15;
    std::string RangeFormat = "%6.3f";
    // Which data layer a variable pick turns on: 1 bars, 2 colour map, 3 values,
    // 4 movement links, 5 movement values.
    int32_t DataLayerKind = 1;
    // The scale dialog's "Fixed" box: the scale maximum is kept when the variable changes.
    bool ScaleFixed = false;
    // Generation/attraction column shown on the zones.
    int32_t GenatrCol = 0;
    // Outline colour of the intersection views (chosen from the map's colour menu).
    uint32_t IntersectionBorderColor = 0x000000;
    // User class whose entries and exits the zones show (-1 none, 0 the totals).
    int32_t EntSalVar = -1;

    // Sizes and styles (the ones the printed page shares with the screen are still
    // in model/KDVvars.h). Scale of the movement flows, outline width of the
    // intersection views.
    double FMov = 1.0;
    float IntersectionBorderWidth = 1.0f;

    // The view window of the main map in world units, and its history of views:
    // slot 1 the whole network, ZoomIndex the current slot ("Vista anterior"
    // steps back). The network's own extent is the model's (Network.MinX...).
    double WorldMinX = 0, WorldMaxX = 1, WorldMinY = 0, WorldMaxY = 1;
    std::array<TZoomSlot, MaxZoomHistory + 1> ZoomHistory{}; // slots 1..500
    int32_t ZoomIndex = 1;

    // The title block over the map (the window's title box shows it): its text,
    // one line per title line, its font and its colour.
    std::string TitleText;
    QFont TitleFont;
    QColor TitleColor = Qt::black;
};

// The user's view: the one the main window shows.
TViewState& UserView();
