#pragma once
// The drawing of the map: owns the redraw of the main map (DrawPalvon, the one
// render pipeline that every change of view, data or display option ends in),
// the reading of the window's buttons, menu ticks, options and title into a view
// snapshot, the layer sequence any canvas is drawn with, the data layers with
// their legends, and the map picture saved as a bitmap. No command rows of its
// own. It reaches the window through TWindowHost (the commands' ticks, a dialog
// parent) and TMapDrawHost (the canvas, the legends, the title box).
#include "map/ViewSnapshot.h"

#include <QImage>

#include <string>

class TMapDrawHost;
class TOxrImage;
class TWindowHost;
namespace DataLayers {
struct TLegendRequest;
}

// Where the layers go: the main map, a still quick view, the magnifier.
enum class TLayerTarget { MainMap, QuickView, Magnifier };

class TMapRenderer {
public:
    TMapRenderer(TWindowHost& window, TMapDrawHost& host);
    TMapRenderer(const TMapRenderer&) = delete;
    TMapRenderer& operator=(const TMapRenderer&) = delete;

    // Redraws the main map from the model and the view as it stands.
    void DrawPalvon();
    // World length of 5 pixels at the scale of the last redraw of the main map
    // (0 before the first): the reach of a pick by the mouse.
    float PickLength() const { return pickLength_; }
    // What a view shows, read from the toolbar buttons, menu checks, options
    // dialog and title box: the one place the drawing targets learn it from.
    // The magnifier also shows what the options dialog ticks for it.
    TViewSnapshot SnapshotView(TLayerTarget target = TLayerTarget::MainMap);
    // The layers of the view's snapshot in MapLayerOrder. Only the main map draws
    // the background layers and the polygon names on top, and lets "Sobreescrito"
    // write values over each other.
    void DrawLayerSequence(TOxrImage& c, TLayerTarget target);
    // Prepares the map for a redraw: empty picture (which ends a zoom box's drag), legends hidden.
    void ClearScreen();
    // Marks the hit-grid tiles that the view window meets.
    void SetGrid();

    // ---- Data layers and their legends (DataLayers.cpp) ----
    // Each draws the view it is given and puts its legend over the map.
    void DrawAtributos(TOxrImage* Img, const TViewSnapshot& view);
    void DrawMapaColores(TOxrImage* Img, const TViewSnapshot& view);
    void DrawValue(TOxrImage* Img, const TViewSnapshot& view);
    void DrawMovimLinks(TOxrImage* Img, const TViewSnapshot& view);
    void DrawSymbolo(const TViewState& view, const DataLayers::TLegendRequest& bars);
    void DrawRanges(const TViewState& view, const std::string& caption);
    void DrawMovRange(const TViewState& view, const std::string& caption);

    // ---- Map picture as a file ----
    // Asks for a bitmap file and saves the map into it with the title block and the
    // program's stamp, then redraws the map without them.
    void DrawFilePalvonx();
    // The saving step of DrawFilePalvonx; false (and a message) when the file could not be written.
    bool SaveMapBitmap(const std::string& fileName);

private:
    TWindowHost& window_;
    TMapDrawHost& host_;
    // A redraw that a redraw sets off (a handler run from pending events) is
    // dropped: the one under way already draws the current state.
    bool redrawing_ = false;
    float pickLength_ = 0.0f;
    // The link classes' legend of the drawing under way: the movement symbols'
    // legend, drawn after it on the same legend image, shows it above their own.
    QImage linkRanges_;
    // The bar legend drawn so far in this redraw: a later layer of bars (the
    // transit loads over the link bars) shows its legend under it.
    QImage shownBars_;
};
