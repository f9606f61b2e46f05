#pragma once
// Drawing of printed pages: the world-coordinate operations of the map canvas
// as free routines on any QPainter (a printer page, a metafile, an image), with
// the world window, the scale and the label-overlap state held once for the
// whole program. The drawing itself is TMapPainter's; this module keeps the
// page window around one shared painter.
//
// Sizes (radii, arrow sides, offsets, band widths, label distances) are device
// pixels of the canvas; only SignalW also takes world units (size >= 0).
// Callers set the page size first, then the four bounds.
// Arrays of points: the first record and the index of the last one drawn.
// GUI thread only: one print job at a time.
#include "map/MapPainter.h"
#include "model/PalvonVars.h"

#include <QPainter>
#include <QPoint>

#include <cstdint>
#include <span>
#include <string>

namespace ZelPrinter {

// The painter that holds the page window and the label boxes.
TMapPainter& Painter();

// ---- Window and scale ----
// A page of that size; its labels and titles drawn labelScale times their paper
// size (every page starts at 1 unless its caller says otherwise).
void SetPageSize(int32_t width, int32_t height, double labelScale = 1.0);
int32_t PageWidth();
int32_t PageHeight();
double LabelScale();
void SetMinX(double value);
void SetMaxX(double value);
void SetMinY(double value);
void SetMaxY(double value);
double MinX();
double MaxX();
double MinY();
double MaxY();
// The larger of the two axis ratios: the whole window fits the page, MinX on
// the left edge, MinY on the bottom edge, the slack at the right or the top.
void UpdateScale();
void ClearScale();
double UnitsPerPixel();
double PixelsPerUnit();
int32_t WorldToPixelX(double x);
int32_t WorldToPixelY(double y);
double PixelToWorldX(int32_t px);
double PixelToWorldY(int32_t py);
QPoint WorldToPoint(double x, double y);
QPoint PointRecToPoint(const TPoint& p);

// ---- Labels ----
// Both forget the label boxes drawn so far; ResetLabels lets labels overlap,
// ResetLabelsOff skips a label whose box meets an earlier one.
void ResetLabels();
void ResetLabelsOff();
bool LabelsOverlap();
// angle: tenths of a degree counter-clockwise; placement 0..8 (which point of
// the box lies on (x, y)); distance in pixels, below the text line.
void LabelAt(QPainter* canvas, int32_t angle, const std::string& text, double x, double y, int32_t placement,
             int32_t distance);
void LabelW(QPainter* canvas, const TPoint& p, int32_t angle, int32_t distance, int32_t placement,
            const std::string& text);

// ---- Drawing (the canvas's pen, brush and font; text in Painter().FontColor) ----
void LineW(QPainter* canvas, double x1, double y1, double x2, double y2);
void LinePts(QPainter* canvas, const TPoint& a, const TPoint& b);
void RectangleW(QPainter* canvas, double x1, double y1, double x2, double y2);
void CircleW(QPainter* canvas, int32_t r, double x, double y);
// Filled triangle of half-size r pixels, apex up.
void TriangleW(QPainter* canvas, int32_t r, double x, double y);
void PolygonPtArray(QPainter* canvas, std::span<const TPoint> points, int32_t last);
// Polyline shifted `offset` pixels to the right of the chord's direction.
void PolylinePts(QPainter* canvas, std::span<const TPoint> points, int32_t last, int32_t offset);
// Filled band `width` pixels wide, `offset` pixels to the right of the segment.
void BandW(QPainter* canvas, int32_t width, int32_t offset, double x1, double y1, double x2, double y2);
void BandPts(QPainter* canvas, std::span<const TPoint> points, int32_t last, int32_t offset, int32_t width);
// Arrowheads with the tip at (x, y) pointing along angle (tenths of a degree).
void ArrowHeadFilled(QPainter* canvas, double s, int32_t angle, double x, double y);
void ArrowChevron(QPainter* canvas, double s, int32_t angle, double x, double y);
void ArrowHeadOpen(QPainter* canvas, double s, int32_t angle, double x, double y);
// Filled arrowheads with the tip at a, opening towards b.
void ArrowA(QPainter* canvas, const TPoint& a, const TPoint& b);
void ArrowB(QPainter* canvas, const TPoint& a, const TPoint& b);
// Traffic signal: size >= 0 world units, size < 0 pixels.
void SignalW(QPainter* canvas, double size, double x, double y);
// Filled lane arrow from p towards q; flags left, straight, right (0 removes a head).
void LaneArrow(QPainter* canvas, const TPoint& p, const TPoint& q, const TTurnFlags& flags, double s);
// Movement symbol of slot n on the approach p -> q, with an optional label.
void TurnSymbol(QPainter* canvas, const TPoint& p, const TPoint& q, const TTurnFlags& flags, int32_t n,
                const std::string& text);
void TurnSymbolShort(QPainter* canvas, const TPoint& p, const TPoint& q, const TTurnFlags& flags, int32_t n,
                     const std::string& text);
// Spiral arc around a from b to c, the short way round, labelled at both ends.
void CurveWithLabels(QPainter* canvas, const TPoint& a, const TPoint& b, const TPoint& c, const std::string& text);

} // namespace ZelPrinter

// ---- The page of a printed view ----
#include "platform/PagePicture.h"

// How the page of a printed view is chosen. The user's are the print
// controller's (TPrintController::Settings()); an output with pages of its own
// (the batch, a multi-page print, the preview's letter size) renders from a
// copy of them and leaves the user's as they were.
struct TPrintSettings {
    // Page = the map window's extent at the printer's scale.
    bool PrintToExtent = false;
    // Page = the printer's page; false: PrintCustomWidth x PrintCustomHeight.
    bool PrintOnPrinterPage = true;
    int32_t PrintCustomWidth = 0, PrintCustomHeight = 0;
    // Page of a multi-page print being rendered (1-based, x from the left, y from
    // the bottom); 0 = not a multi-page print.
    int32_t PrintPageX = 0, PrintPageY = 0;
    int32_t PrintPagesPerSide = 0;
    // Labels and titles on the page: this many times their paper size (the print
    // preview's letter-size buttons; 1 everywhere else).
    double PrintLabelScale = 1.0;
};

// "Velmora___.EMF" in a private folder of the temporary folder, made on first use
// and removed with the program: the preview and the printouts work for a network
// in a folder the user cannot write, and leave nothing beside it.
const std::string& ScratchMetafileName();

// A view rendered for print (the print controller's last, TPrintController::Page()):
// printing, the preview and the saves draw its picture.
struct TPrintedPage {
    // The enhanced metafile the page was written to: a name the caller chose,
    // or ScratchMetafileName().
    std::string PrintMetafileName;
    // Device size of the page rendered.
    int32_t PrintPageWidth = 0, PrintPageHeight = 0;
    // Its recorded drawing and its size in device pixels.
    TPagePicture PrintPicture;
    int32_t PrintPictureWidth = 0, PrintPictureHeight = 0;
    // Pixels an inch of that page on paper: the printer's for its page or the
    // map's extent, the report's 576 for a page of the report's paper; 0 before
    // any page (the printer's). A metafile of the page declares its real size by it.
    int32_t PrintPictureDpi = 0;
};
