#pragma once
// The printed twins of the map layers: the same features as the screen draws,
// through ZelPrinter on a page at the device's own resolution, with every pen
// width, symbol size and font size the screen value times SizeFactor, and the
// legends drawn over every layer in the corner of the page that the screen
// legends sit in.
//
// Every routine takes the page's painter; ZelPrinter's window must be set.
#include "map/Ranges.h"

#include <QPainter>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TLayerSizes;
struct TViewSnapshot;
struct TViewState;
class TLegendImage;
class TOxrImage;

namespace PrintLayers {

// The map canvas the page is printed from, beside the snapshot: its scale and
// size place the legends on paper and size the zone bars, and the legends shown
// over it give their corners. Without a canvas the legends take the page's
// corners and every size follows the factor.
struct TPageCanvas {
    const TOxrImage* Map = nullptr;
    const TLegendImage* BarLegend = nullptr;   // the bar legend (Scl)
    const TLegendImage* RangeLegend = nullptr; // the range legend (sym)
    // What the page's footer will take (the stamp, the caption, the date, the
    // page key), in pixels of the page: a legend keeps clear of it.
    std::vector<QRect> Kept = {};
    // While PrintPage draws: the legends wait here and are drawn after every layer,
    // over the network, each given the canvas with the legends drawn before it kept.
    std::vector<std::function<QRect(const TPageCanvas&)>>* Legends = nullptr;
};

// The layers of a view on the page being rendered, in MapLayerOrder, and the
// view's title block at TitlePos on a page of pageSize (the page drawn: a page
// cut to the map's extent keeps its bottom titles). Reads no window: the
// snapshot says what is drawn, `mapCanvas` where the legends go.
void PrintPage(QPainter& canvas, const TViewSnapshot& view, QSize pageSize, const TPageCanvas& mapCanvas = {});

// The factor between screen sizes and paper sizes of a printed view (its
// SizeFactor, 1 when below 1e-3).
double Factor(const TViewState& view);

// The screen sizes the shared layers draw with (bar widths, symbol sizes, label
// fonts, link shift, layer styles) times the factor, for a view copy that
// carries them: the screen's own layers then draw paper sizes on a page.
// barScale > 0 scales the bar height unit PixsVol by it instead of the factor
// (the zone bars keep their map size: the ratio of the page's scale to the map
// canvas's).
std::shared_ptr<const TLayerSizes> PaperSizes(const TViewState& view, double barScale = 0);
// A copy of the view that draws at paper sizes.
TViewSnapshot OnPaper(const TViewSnapshot& view, double barScale = 0);

// The layers of the view given, on the page being rendered.
void PrintNetWork(QPainter& canvas, const TViewSnapshot& view);
void PrintNetWorkLanes(QPainter& canvas, const TViewSnapshot& view);
void PrintArrows(QPainter& canvas, const TViewSnapshot& view);
void PrintNodes(QPainter& canvas, const TViewSnapshot& view);
void PrintCents(QPainter& canvas, const TViewSnapshot& view);
void PrintNameNodes(QPainter& canvas, const TViewSnapshot& view);
void PrintCalles(QPainter& canvas, const TViewSnapshot& view);
// The data layers with their legends, placed by the page's map canvas (the
// page's corners without one).
void PrintAtributos(QPainter& canvas, const TViewSnapshot& view, const TPageCanvas& mapCanvas = {});
void PrintMapaColores(QPainter& canvas, const TViewSnapshot& view, const TPageCanvas& mapCanvas = {});
void PrintMovimLinks(QPainter& canvas, const TViewSnapshot& view, const TPageCanvas& mapCanvas = {});
void PrintValue(QPainter& canvas, const TViewSnapshot& view);
void PrintLineas(QPainter& canvas, const TViewSnapshot& view, const TPageCanvas& mapCanvas = {});

// The ratio of the page's pixels per map unit to the map canvas's (0 without a
// canvas scale).
double MapBarScale(const TPageCanvas& mapCanvas);

// Legend box of the bar layers: caption (captions joined by "/"), n caption lines;
// barForm draws the first bar of values over the scale maximum; the bars are
// labelled in thirds of scaleMax, the scale the layer drew at.
// Each legend gives the block it covers on the page. The caption lines' boxes
// take `colours` (the link variables' VarColors when none).
QRect PrintSymbolo(QPainter& canvas, const TViewState& view, const std::string& caption, int n, bool barForm, double scaleMax,
                   const TPageCanvas& mapCanvas = {}, const std::array<uint32_t, MaxShownVars>* colours = nullptr);
// Range legend of the classes of `table` (RangeTable when null) that can hold a
// value, under the title.
QRect PrintRangeLegend(QPainter& canvas, const TViewState& view, const std::string& title, const TPageCanvas& mapCanvas = {},
                       const TRangeArray* table = nullptr);
// Where a legend block (its box with its title or caption) of `block` pixels
// stands whose top left corner is wanted at `wanted`: inside the page
// (ZelPrinter's page size) and clear of the map canvas's kept places, by a gap
// at the printed view's paper size.
QPoint PlaceLegendBlock(const TViewState& view, QPoint wanted, QSize block, const TPageCanvas& mapCanvas = {});

// The title lines at the corner `position` (1..6) of a page of pageW x pageH, the
// font at the printed view's paper size.
void PrintTitulos(QPainter& canvas, const TViewState& view, const QStringList& lines, const QFont& font,
                  const QColor& color, int position, int pageW, int pageH);

} // namespace PrintLayers
