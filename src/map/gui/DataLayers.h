#pragma once
// The data layers of the map: bars of link variables beside the links, the
// colour-class band of one link variable, value labels, turning-movement pictures,
// and their two legends (the bar legend `Scl` and the range legend `sym`).
//
// The layers draw through the canvas primitives of TMapPainter, so the main map,
// the quick and zoom views and printing draw them alike. They read the network
// model, the hit grid tiles of the view, the range state of map/Ranges.h and the
// switches and sizes collected in TLayerOptions. The map renderer's methods
// DrawAtributos, DrawMapaColores, DrawValue and DrawMovimLinks (TMapRenderer) fill
// the options from the view snapshot they are given, draw, and put the legend
// pictures on the map.
#include "map/MapPainter.h"
#include "map/ViewSnapshot.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <string>
#include <vector>

struct TViewSnapshot;

// A legend picture shown over the map.
class TLegendImage : public QWidget {
    Q_OBJECT
public:
    explicit TLegendImage(QWidget* parent = nullptr);
    const QImage& Picture() const { return picture_; }
    // Shows the picture at its own size.
    void SetPicture(const QImage& picture);
    // Placed afresh at the next drawing (after a network is opened).
    bool PlaceAfresh = true;
    // Where the drawing last put it in its corner: a legend still there sits in
    // that corner whatever size the map had then (the window may still have been
    // growing); one found elsewhere was placed by the user or a theme.
    QPoint PlacedAt{-1, -1};
    // The bar legend: the scale of the drawing it explains (the value of its top bar).
    float ScaleMax = 0.0f;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

namespace DataLayers {

// The toolbar and option switches the layers read.
struct TLayerOptions {
    bool Cents = false;       // tbCents down: connectors of the zones get bars and values
    bool Sel = false;         // tbSel down: only selected links (class above 0)
    bool DrawNull = false;    // "Dibujar ceros": zero values are drawn too
    bool HideBlocked = false; // BlockedColor is white: blocked links and hidden zones are left out
    bool Giros[3] = {true, true, true}; // left turn, straight, right turn symbols
    bool MovimValues = false; // tbMovimValues down: flows written at the link ends
    // The view's own sizes (a printed page's); none: the program's, read when drawn.
    std::shared_ptr<const TLayerSizes> Sizes;
    // The view state drawn (the snapshot's copy, alive while it draws); none: the user's view.
    const TViewState* View = nullptr;
};

// What one drawing of a layer hands to its legend: the legend's kind and caption,
// and for bars the scale they were drawn at (the value drawn PixsVol pixels wide)
// and whether some bar of this drawing went over it.
struct TLegendRequest {
    enum Kind { None, Bars, Ranges } kind = None;
    std::string caption;
    int count = 1;
    float BarScaleMax = 0.0f;
    bool BarsOverMax = false;
    // The colour of each variable's bars, in the order of the caption's titles.
    std::array<uint32_t, MaxShownVars> colours{};
};

// Link-grid columns of the chosen link variables (ShownVarList; the current
// variable alone when the list is empty), at most MaxShownVars.
std::vector<int32_t> ChosenLinkColumns(const TViewState& view);
// Movement-grid columns of the chosen movement variables (at most 5).
std::vector<int32_t> ChosenMovimColumns(const TViewState& view);

// Value of a link-grid column's variable on a link (0 for a column without variable).
float LinkValue(const TArcos& link, int32_t column);
// Value of a movement-grid column's variable on a movement (0 for a column without variable).
float MovimValue(const TMovimiento& movement, int32_t column);

// The switches of a view snapshot (the defaults above when the snapshot holds
// no options-dialog values).
TLayerOptions ViewLayerOptions(const TViewSnapshot& view);

TLegendRequest DrawAtributos(TMapPainter& img, const TLayerOptions& options);
TLegendRequest DrawMapaColores(TMapPainter& img, const TLayerOptions& options);
void DrawValue(TMapPainter& img, const TLayerOptions& options);
TLegendRequest DrawMovimLinks(TMapPainter& img, const TLayerOptions& options);

// Legend pictures: the bar legend of a drawing's bars (`count` variables, captions
// joined by "/"), and the range legend of RangeTable entries 0..NumRanges.
QImage SymboloPicture(const TViewState& view, const TLegendRequest& bars);
QImage RangesPicture(const TViewState& view, const std::string& caption);
QImage RangesPicture(const TViewState& view, const TRangeArray& table, const std::string& caption);

} // namespace DataLayers
