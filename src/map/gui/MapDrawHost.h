#pragma once
// What the drawing of the map needs of the main window beyond any controller's
// window host: the canvas it draws on, the two legends it puts over the map, the
// title box the view's title is read from, and the shape handles of the link
// being bent and the magnifier, which stay on top of every redraw. The main window implements it.
class QTextEdit;
class TLegendImage;
class TOxrImage;

class TMapDrawHost {
public:
    // The map canvas, null until the window has made it.
    virtual TOxrImage* MapCanvas() = 0;
    // The range legend (`sym`) and the bar legend (`Scl`) over the map; null
    // until the window has made them.
    virtual TLegendImage* RangeLegend() = 0;
    virtual TLegendImage* BarLegend() = 0;
    // The map title box (`tit`), null when the window has none.
    virtual const QTextEdit* TitleBox() = 0;
    // Draws again the handles of the link whose shape is being edited, if any.
    virtual void DrawCurveHandles() = 0;
    // Draws again the magnifier over the map, while it shows, from the map just drawn.
    virtual void RedrawMagnifier() = 0;
    // A region is being drawn on the map (its cursor stays after a redraw).
    virtual bool RegionPickUnderWay() = 0;

protected:
    ~TMapDrawHost() = default;
};
