#include "mainwindow/MapDrawAdapter.h"

#include "mainwindow/PalvonViewer.h"

TOxrImage* TMapDrawAdapter::MapCanvas() { return viewer_.img; }

TLegendImage* TMapDrawAdapter::RangeLegend() { return viewer_.sym; }

TLegendImage* TMapDrawAdapter::BarLegend() { return viewer_.Scl; }

const QTextEdit* TMapDrawAdapter::TitleBox() { return viewer_.tit; }

void TMapDrawAdapter::DrawCurveHandles()
{
    if (viewer_.CommandOn(Cmd::tbCurve) || viewer_.MapEdit().CurveLink > 0)
        viewer_.MapEdit().StartCurving();
}

void TMapDrawAdapter::RedrawMagnifier() { viewer_.MapView().RedrawMagnifier(); }

bool TMapDrawAdapter::RegionPickUnderWay() { return viewer_.Selection().PolySelectKind > 0; }
