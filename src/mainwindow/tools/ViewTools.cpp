// The view tools: the zoom box of a plain left drag, the hand pan, the magnifier
// and the street view of the clicked point. Their steps live with the map view
// (TMapViewController, src/map/gui/MapViewController.cpp); these tools decide
// when each step is taken.
#include "mainwindow/tools/MapTools.h"
#include "map/gui/MapLayers.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"

void TZoomBoxTool::Press(const TMapMouse& m)
{
    if (m.Button == Qt::LeftButton && !m.Shift.Shift() && !viewer_.MapView().RubberBand)
        viewer_.MapView().StartZoomBox(m.i, m.j, m.x, m.y);
}

void TZoomBoxTool::Move(const TMapMouse& m)
{
    if (Network.NodeCount > 0 && viewer_.MapView().RubberBand)
        viewer_.MapView().FollowZoomBox(m.x, m.y);
}

void TZoomBoxTool::Release(const TMapMouse& m) { viewer_.MapView().EndZoomBox(m.j); }

bool TZoomBoxTool::Dragging() const { return viewer_.MapView().RubberBand; }

QCursor TPanTool::Cursor() const { return MapToolCursor(3); }

bool TPanTool::Claims(const TMapMouse& m) { return ProgramOptions().WheelActive && m.Button == Qt::MiddleButton; }

void TPanTool::Press(const TMapMouse& m)
{
    if (!viewer_.MapView().Panning)
        viewer_.MapView().StartPan(m.i, m.j);
}

void TPanTool::Move(const TMapMouse& m)
{
    if (viewer_.MapView().Panning)
        viewer_.MapView().FollowPan(m.i, m.j);
}

void TPanTool::Release(const TMapMouse&) { viewer_.MapView().EndPan(); }

bool TPanTool::Dragging() const { return viewer_.MapView().Panning; }

QCursor TMagnifierTool::Cursor() const { return MapToolCursor(2); }

void TMagnifierTool::Press(const TMapMouse& m) { viewer_.MapView().StartMagnifier(m.i, m.j); }

void TMagnifierTool::Move(const TMapMouse& m)
{
    if (viewer_.MapView().ZoomFollow)
        viewer_.MapView().FollowMagnifier(m.i, m.j);
}

void TMagnifierTool::Release(const TMapMouse&) { viewer_.MapView().EndMagnifier(); }

bool TMagnifierTool::Dragging() const { return viewer_.MapView().ZoomFollow; }

void TStreetViewTool::Press(const TMapMouse& m)
{
    viewer_.MapView().ClickPixX = m.i;
    viewer_.MapView().ClickPixY = m.j;
    viewer_.MapView().StreetViewPalvon();
    viewer_.SetCommandOn(Cmd::tbStreet, false);
}
