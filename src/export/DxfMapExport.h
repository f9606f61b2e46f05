#pragma once
// The network as the map shows it, as a DXF drawing (and the street names alone).
// Headless: the layers and colours of the view come from its snapshot
// (MapOptions), handed over in TDxfMapOptions.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "map/DisplayStyles.h"
#include "map/ViewState.h"

struct TViewSnapshot;

struct TDxfMapOptions {
    // The view's copy of its window, variables, ranges, sizes and styles; options
    // made without a snapshot start from the user's view.
    TViewState State = UserView();
    // Toolbar buttons that make a layer visible.
    bool tbNodes = false;
    bool tbNameNodes = false;
    bool tbArrows = false;
    bool tbCalles = false;
    bool tbCents = false;
    bool tbZonas = false;
    bool tbPoligonos = false;
    // Data-layer buttons: value bands, colour themes, values, selection only.
    bool tbAtributos = false;
    bool tbColores = false;
    bool tbValues = false;
    bool tbSel = false;
    // Menu checks.
    bool SimpleArrow = false;
    bool ColorNode = false;
    bool aAtributos2 = false; // turning-movement values shown
    // "Dibujar ceros" of the options dialog.
    bool DrawNull = false;
    // The options dialog's turn kinds whose movement symbols are drawn (left, ahead, right).
    std::array<bool, 3> Giros = {true, true, true};
    // Blocked links drawn in white: left out of the data layers, as on the map.
    bool HideBlocked = false;
    // Colour panels of the options dialog.
    uint32_t NodosColor = clGray;
    uint32_t ArrowsColor = clBlack;
    uint32_t TrazaColor = clFuchsia;
    uint32_t AccesoColor = clGreen;
    uint32_t ZonaBordeColor = clBlack;
    uint32_t PoliBordeColor = clGreen;
    // The options window's "DXF Completo": the map export also writes every
    // variable's layers and the background layers.
    bool FullDxf = false;

    // The titles of the link and movement grid columns, after which the data
    // layers are named. Unset, the column tables' titles are used.
    std::function<std::string(int32_t)> MovimTitle;
    std::function<std::string(int32_t)> LinkTitle;
};

namespace DxfMapExport {

// The layer switches, menu checks and colours of a view (the defaults above
// where the snapshot holds no options-dialog values); the choice of variables
// is left unset.
TDxfMapOptions MapOptions(const TViewSnapshot& view);

// The data layers of the current variables ("ATT_", "TEM_", "VAL_", "MVT_"), the
// layers "0", "RED", "NODOS", "NNODOS", "SENTIDOS", "CALLES", "ARCOS",
// "CENTROIDES", "ZONAS", "POLIGONOS" and, with options.FullDxf, the background
// layers "SOLERA%d" and the data layers of every link and movement variable.
// False when the file could not be written.
bool PrintDxfFile(const std::string& fileName, const TDxfMapOptions& options);
// Street names alone (upper case) on layer "CALLES".
bool PrintCallesDxf(const std::string& fileName, const TDxfMapOptions& options);

} // namespace DxfMapExport
