#pragma once
// The main window's side of TMapDrawHost: hands the map renderer the window's
// canvas, legends and title box, and draws the shape handles of a link being bent.
#include "map/gui/MapDrawHost.h"

class TPalvonViewer;

class TMapDrawAdapter final : public TMapDrawHost {
public:
    explicit TMapDrawAdapter(TPalvonViewer& viewer) : viewer_(viewer) {}
    TOxrImage* MapCanvas() override;
    TLegendImage* RangeLegend() override;
    TLegendImage* BarLegend() override;
    const QTextEdit* TitleBox() override;
    void DrawCurveHandles() override;
    void RedrawMagnifier() override;
    bool RegionPickUnderWay() override;

private:
    TPalvonViewer& viewer_;
};
