#pragma once
// The network layers of the map: links, lanes, direction arrows, nodes, centroids
// and connectors, node numbers, street names and the title block. Each layer
// draws on any TMapPainter (the main map, a print page, a quick view), reads the
// model, the display styles and the options handed to it, and walks only the
// hit-grid tiles that the view meets; elements wholly outside the painter's
// window are passed over without drawing.
#include "map/DisplayStyles.h"
#include "map/MapPainter.h"

#include <QColor>
#include <QFont>
#include <QStringList>

#include <cstdint>

// What the layers read of the options dialog and of the main window's toolbar
// buttons and menu items, taken once per drawing.
struct TViewState;

struct TNetworkOptions {
    // Colour panels of the options dialog.
    uint32_t ArcosColor = clBlack;   // links
    uint32_t BlockedColor = clRed;   // blocked links; white hides blocked elements
    uint32_t AccesoColor = clGreen;  // connectors and centroid outlines
    uint32_t ArrowsColor = clBlack;  // arrowheads
    uint32_t NodosColor = clGray;    // node outlines
    // Toolbar buttons and menu items.
    bool OnlySelection = false; // tbSel: arrows and centroids only for elements of a class
    bool SimpleArrow = false;   // SimpleArrow: open arrowheads
    bool ColorNode = false;     // ColorNode: node outlines in the colour of the junction type
    bool Semaforos = false;     // Semaforos: signal marks on signalised junctions
    bool ShowLanes = false;     // lane view: node numbers centred on the node
    // The target is the main map: drawn nodes and centroids get new hit regions.
    bool KeepHitRegions = false;
    // The view state drawn (the snapshot's copy, alive while it draws): sizes,
    // styles and class colours; none: the user's view.
    const TViewState* View = nullptr;

    bool HideBlocked() const { return BlockedColor == clWhite; }
};

namespace DrawLayers {

// Direction arrows are drawn only on links longer than this, in pixels.
constexpr int32_t MinArrowLinkPixels = 50;
// Link flags: 2 junction at B of type 0 (no turn markings), 8 and 10/11 marked
// links (drawn dotted), 9 blocked.
constexpr int FlagNoMarkings = 2;
constexpr int FlagMarked = 8;
constexpr int FlagBlocked = 9;
// Hidden marks of nodes and zones (left out while blocked elements are white).
constexpr uint8_t NodeHiddenBit = 0x10;
constexpr uint8_t ZoneHiddenBit = 0x08;

// Links as polylines in the colour and width of their class and the dash style
// of their marks; recounts the painter's SelectedNodeCount and enables jtSel and aVistaAnterior.
void DrawNetWork(TMapPainter& img, const TNetworkOptions& options);
// Carriageways lane by lane, with flare lanes, lane fills, dividers, turn markings
// and lane arrows, then the junction areas.
void DrawNetWorkLanes(TMapPainter& img, const TNetworkOptions& options);
// Arrowheads at the end node of one-way and marked links.
void DrawArrows(TMapPainter& img, const TNetworkOptions& options);
// Node circles, class rings, signal marks and node hit regions.
void DrawNodes(TMapPainter& img, const TNetworkOptions& options);
// Connectors, centroid triangles, zone hit regions and zone numbers.
void DrawCents(TMapPainter& img, const TNetworkOptions& options);
// Node numbers.
void DrawNameNodes(TMapPainter& img, const TNetworkOptions& options);
// Street names along the links.
void DrawCalles(TMapPainter& img, const TNetworkOptions& options);
// The title block: the lines in the font and colour, at the corner `position`
// (1..6, as TitlePos), measured in pixels of the painter's device.
void DrawTitulos(TMapPainter& img, const QStringList& lines, const QFont& font, const QColor& color, int32_t position);

// Clears the hit regions of every node and zone on the painter (a new view invalidates them).
void ClearHitRegions(TMapPainter& img);

} // namespace DrawLayers
