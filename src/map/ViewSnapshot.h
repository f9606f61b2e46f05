#pragma once
// What one view of the map shows: which layers are on, the menu choices and
// option-dialog styles the layers draw with, the title block and the view
// window. The window layer reads its toolbar buttons, menu checks and options
// dialog into a snapshot in one place; the screen, the printed page, the DXF
// drawing and the KMZ archive then draw from the snapshot alone, the map layers
// in the one order of MapLayerOrder. Headless: no widget is read here.
#include "map/DisplayStyles.h"
#include "map/ViewState.h"

#include <QColor>
#include <QFont>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The layers of the map, named after what they draw.
enum class TMapLayer : uint8_t {
    Zonas,         // zone outlines and numbers
    Poligonos,     // the user's polygons
    Solera,        // background line layers and the free points on them
    Atributos,     // value bars of the variables shown, with their legend
    Colores,       // links coloured by ranges, with their legend
    EntSal,        // entries and exits of the zones
    MovimLinks,    // turning-movement values on the links
    Lineas,        // transit lines and their loads
    Red,           // the links
    Carriles,      // the links lane by lane
    Arrows,        // one-way arrowheads
    Nodes,         // node circles
    Cents,         // zone centroids and connectors
    NameNodes,     // node numbers
    Values,        // values written on the links
    Calles,        // street names
    NamePoligonos, // polygon names above everything
};

// The drawing order, bottom first: every target walks this list and skips the
// layers it cannot represent.
inline constexpr std::array<TMapLayer, 17> MapLayerOrder = {
    TMapLayer::Zonas,     TMapLayer::Poligonos, TMapLayer::Solera,     TMapLayer::Atributos, TMapLayer::Colores,
    TMapLayer::EntSal,    TMapLayer::MovimLinks, TMapLayer::Lineas,    TMapLayer::Red,       TMapLayer::Carriles,
    TMapLayer::Arrows,    TMapLayer::Nodes,     TMapLayer::Cents,      TMapLayer::NameNodes, TMapLayer::Values,
    TMapLayer::Calles,    TMapLayer::NamePoligonos,
};

// The sizes the layers draw with, in pixels of the target: bar widths, symbol
// sizes, the parallel-link offset, the label fonts and the background layers'
// styles. The screen draws with the program's (ScreenSizes); a printed page's
// view carries its own, at paper size.
struct TLayerSizes {
    int32_t PixsVol = 0, PixsCol = 0, PixsMov = 0, GenatrBarWidth = 0, LinkShift = 0;
    int32_t NodeSize = 0, CentroidSize = 0, ArrowSize = 0, SignalSize = 0;
    double ZoneBorderScale = 1.0;
    std::array<TLabelFont, MaxLabelFonts + 1> LabelFonts{};
    std::array<TItems, MaxItems + 1> Items{};
};

struct TViewSnapshot {
    // The view's own copy of the view state: its ranges, variables, sizes, styles
    // and extent. Whatever draws this view reads them here, and whatever prepares
    // it (a batch choosing its variables and classes) changes them here, never in
    // the user's view. A snapshot made without a window starts from the user's view.
    // Its layer switches are the user's, and on the magnifier also the layers
    // the options dialog ticks for it.
    TViewState State = UserView();

    // Menu checks.
    bool aAtributos2 = false;   // turning-movement values on the links
    bool Sobreescrito = false;  // values may cover each other on the main map
    bool SimpleArrow = false;   // open arrowheads
    bool ColorNode = false;     // node outlines in the colour of the junction type
    bool Semaforos = false;     // signal marks
    bool ColorMultiple = false; // zones filled in turning colours
    bool ColorSeleccion = false; // zones filled by selection class
    bool CodZona = false;       // zone numbers inside the outlines
    bool GenAtrZona = false;    // generation/attraction bars of the zones
    bool linnone = false;       // transit lines traced over their links
    bool linveh = false;        // bus loads as bands
    bool linvehval = false;     // bus loads as bands with their values
    bool MostrarNombresPlg = false;       // polygon names
    bool MostrarNombresArribaPlg = false; // ... drawn above every layer

    // The options dialog's values; false when there was no options dialog to
    // read, and every target keeps its own defaults.
    bool Options = false;
    bool DrawNull = false; // "Dibujar ceros"
    std::array<bool, 3> Giros = {true, true, true}; // left turn, straight, right turn symbols
    uint32_t ArcosColor = clBlack;
    uint32_t BlockedColor = clRed;
    uint32_t AccesoColor = clGreen;
    uint32_t ArrowsColor = clBlack;
    uint32_t NodosColor = clGray;
    uint32_t TrazaColor = clFuchsia;
    uint32_t ZonaBordeColor = clBlack;
    int32_t ZonaBordeAncho = 1;
    uint32_t ZonaRellenoColor = clWhite;
    bool ZonaRellenoClear = true;
    uint32_t PoliBordeColor = clGreen;
    uint32_t SoleraColor = clSilver;

    // The title block: its lines (trailing empty lines dropped), font and colour.
    bool HasTitle = false;
    std::vector<std::string> TitleLines;
    QFont TitleFont;
    QColor TitleColor = Qt::black;

    // The view window in world units.
    double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;

    // Sizes of its own (a printed page's); none: the program's.
    std::shared_ptr<const TLayerSizes> Sizes;

    // The sizes the layers draw this view with: its own, or else the program's
    // (read afresh on each call).
    TLayerSizes LayerSizes() const;

    // The layer is drawn: its button is down and there is something for it to
    // show (bars need variables and a maximum, entries and exits a variable,
    // lanes the lane view, which also hides the node circles).
    bool Shows(TMapLayer layer) const;
};

namespace ViewSnapshot {

// The sizes of a view, as the screen draws them.
TLayerSizes ScreenSizes(const TViewState& view);

} // namespace ViewSnapshot
