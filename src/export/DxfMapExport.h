#pragma once
// The network as the map shows it, as a DXF drawing (and the street names alone).
// Headless: what the exports read of the main window's toolbar buttons, menu
// checks and options-dialog colours is handed over in TDxfMapOptions.
#include <cstdint>
#include <string>

#include "map/DisplayStyles.h"

struct TDxfMapOptions {
    // Toolbar buttons that make a layer visible.
    bool tbNodes = false;
    bool tbNameNodes = false;
    bool tbArrows = false;
    bool tbCalles = false;
    bool tbCents = false;
    bool tbZonas = false;
    bool tbPoligonos = false;
    // Menu checks.
    bool SimpleArrow = false;
    bool ColorNode = false;
    // Colour panels of the options dialog.
    uint32_t NodosColor = clGray;
    uint32_t ArrowsColor = clBlack;
    uint32_t TrazaColor = clFuchsia;
    uint32_t AccesoColor = clGreen;
    uint32_t ZonaBordeColor = clBlack;
    uint32_t PoliBordeColor = clGreen;
};

namespace DxfMapExport {

// The layers "0", "RED", "NODOS", "NNODOS", "SENTIDOS", "CALLES", "ARCOS",
// "CENTROIDES", "ZONAS", "POLIGONOS" and, with ZelDxfer::FullDxf, the
// background layers "SOLERA%d". False when the file could not be written.
bool PrintDxfFile(const std::string& fileName, const TDxfMapOptions& options);
// Street names alone (upper case) on layer "CALLES".
bool PrintCallesDxf(const std::string& fileName, const TDxfMapOptions& options);

} // namespace DxfMapExport
