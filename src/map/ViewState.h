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
#include "map/DisplayStyles.h"
#include "map/Ranges.h"
#include "model/LinkGeometry.h"
#include "model/KDVvars.h"

#include <QColor>
#include <QFont>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Symbol kinds that have a fill colour (SymbolColors).
constexpr int MaxSymbolColors = 19;

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

    // The chosen variables and their ranges. The value classes (map/Ranges.h) of
    // the link variable shown, and apart, those of the movement variable shown:
    // picking one kind never reclassifies the other; classes 1..NumRanges are the
    // ones the default rule fills.
    std::array<TRangeClass, MaxRangeClasses + 1> RangeTable{};
    std::array<TRangeClass, MaxRangeClasses + 1> MovimRangeTable{};
    int32_t NumRanges = 5;
    // Extremes of the link variable shown and of the movement variable shown.
    float RangeMin = 0.0f, RangeMax = 0.0f;
    float RangeMovimMin = 0.0f, RangeMovimMax = 0.0f;
    // Grid title of the link variable shown ("null" when none), and of the movement
    // variable shown.
    std::string RangeName = "null";
    std::string RangeMovimName = "null";
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
    // The colour of each link variable shown together, and of each movement
    // variable chosen together: each list keeps its own, so that a column gone
    // from one list leaves the other's colours as they are.
    std::array<uint32_t, MaxShownVars> VarColors{};
    std::array<uint32_t, MaxShownVars> MovimVarColors{};
    // Legend text height target in pixels (10..100); the legends write their
    // values in the view's number format (NumFormat).
    int32_t RangeSymbolSize = 15;
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

    // Sizes and styles. Scale of the movement flows, outline width of the
    // intersection views.
    double FMov = 1.0;
    float IntersectionBorderWidth = 1.0f;
    // Number format of value labels and legends.
    Tfmt NumFormat;
    // Bar width of a value at the scale maximum, colour-map band width and the
    // zones' generation/attraction bar width, in pixels.
    int32_t PixsVol = 25, PixsCol = 5, GenatrBarWidth = 20;
    int32_t PixsMov = 1; // pen width of coloured movement symbols (1..5)
    // Lane width and the pull-back of lane ends (AnchoPista, LaneOffset) of the lane view.
    TLaneWidth Lanes;
    // Symbol sizes in pixels, and the corner of a node's number (position code).
    int32_t CentroidSize = 10, NodeSize = 3, ArrowSize = 8, SignalSize = 10, NodeLabelPos = 6;
    // Printer pixels per screen pixel: printed and exported sizes are screen sizes
    // times this (the options window's print/screen ratio once it closes).
    float SizeFactor = 5.0f;
    // Offset of the values from their link in pixels (below 0: beside the bars).
    int32_t LinkShift = 1;
    // Position code of the street names and where along a straight link they sit.
    int32_t StreetLabelPos = 1;
    float StreetLabelOffset = 0.5f;
    // Share of the window's width and height one zoom step moves each side by.
    float ZoomFactor = 0.1f;
    // Links are drawn lane by lane (the node circles are then left out).
    bool ShowLanes = false;
    // Fill colour per symbol kind: 0 centroids, 1 nodes, 2 arrowheads, 3 signals. Yellow at start.
    std::array<uint32_t, MaxSymbolColors + 1> SymbolColors = [] {
        std::array<uint32_t, MaxSymbolColors + 1> c{};
        c.fill(0x00FFFF);
        return c;
    }();
    // Corner of the title block: 1 top left, 2 top centre, 3 top right, 4 bottom left,
    // 5 bottom centre, 6 bottom right.
    int32_t TitlePos = 2;
    // Drawing style of each map layer (0 the road network, 11.. the background
    // line layers), the colour and pen width of each selection/colour class and
    // the label fonts (classes and fonts count from 1); set to the program's
    // defaults by DisplayStyles when the main window starts.
    std::array<TItems, MaxItems + 1> Items{};
    std::array<uint32_t, MaxClasses + 1> ClassColors{};
    std::array<int32_t, MaxClasses + 1> ClassWidths{};
    std::array<TLabelFont, MaxLabelFonts + 1> LabelFonts{}; // entry 0 unused

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
