#pragma once
// The network as a KMZ archive: links, nodes, centroids, connectors and zones as
// separate documents, the value bands of the link variable in view, and the roads
// at lane level ("Vialidad"). Only the tiles of the hit grid that lie in the view
// are exported.
#include "export/KmzExport.h"
#include "map/ViewState.h"

#include <cstdint>
#include <string>

struct TViewSnapshot;

namespace KmzExport {

// What the view contributes (NetworkView builds it from the view's snapshot).
struct TKmzNetworkView {
    bool Atributos = false;           // tbAtributos down: value bands
    bool Colores = false;             // tbColores down: range bands
    bool Values = false;              // tbValues down: band labels in their own folders
    uint32_t ArcosColor = 0x000000;   // colours 0x00BBGGRR
    uint32_t ZonaBordeColor = 0x808080;
    int32_t ZonaBordeAncho = 1;
    uint32_t ZonaRellenoColor = 0xC0C0C0;
    bool DrawNull = false;            // "Dibujar ceros": links of value 0 are banded in their class
    bool HideBlocked = false;         // blocked links drawn in white: no band, as on the map
    // The view's copy of the ranges, variable and sizes the bands are drawn with;
    // a view made without a snapshot starts from the user's view.
    TViewState State = UserView();
    // The band documents are named after the link variable drawn (its grid
    // title), not after whatever variable was picked last (a movement's); empty:
    // the view's RangeName.
    std::string BandName;
};

// The bands and colours of a view (the defaults above where the snapshot holds
// no options-dialog values).
TKmzNetworkView NetworkView(const TViewSnapshot& view);

// Fills style classes 1..16 of the KML writer's options.
void SetNetworkClassStyles(ZelKmzer::TKmlOptions& options, const TViewState& view);

// Writes the KML beside kmzPath, packs it and deletes it. False with a Spanish
// message in error when a file could not be written.
bool ExportNetworkKmz(const std::string& kmzPath, const TKmzConversion& conv, const TKmzNetworkView& view,
                      std::string& error);

// The document "Vialidad" (lane-level roads) into the open KML file, with the
// lane widths and movement scale of the exported view.
void WriteVialidad(ZelKmzer::TKmlWriter& kml, const TViewState& view);

} // namespace KmzExport
