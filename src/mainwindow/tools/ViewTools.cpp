// The view tools: the zoom box of a plain left drag, the hand pan, the magnifier
// and the street view of the clicked point. Their steps live with the map view
// (TMapViewController, src/map/gui/MapViewController.cpp); these tools decide
// when each step is taken.
#include "mainwindow/tools/MapTools.h"
#include "map/ZoomMouse.h"
#include "map/gui/MapLayers.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"

void TZoomBoxTool::Press(const TMapMouse& m)
{
    if (m.Button == Qt::LeftButton && !m.Shift.Shift() && !RubberBand)
        host_.StartZoomBox(m.i, m.j, m.x, m.y);
}

void TZoomBoxTool::Move(const TMapMouse& m)
{
    if (Network.NodeCount > 0 && RubberBand)
        host_.FollowZoomBox(m.x, m.y);
}

void TZoomBoxTool::Release(const TMapMouse& m) { host_.EndZoomBox(m.j); }

bool TZoomBoxTool::Dragging() const { return RubberBand; }

QCursor TPanTool::Cursor() const { return MapToolCursor(3); }

bool TPanTool::Claims(const TMapMouse& m) { return ProgramOptions().WheelActive && m.Button == Qt::MiddleButton; }

void TPanTool::Press(const TMapMouse& m)
{
    if (!Panning)
        host_.StartPan(m.i, m.j);
}

void TPanTool::Move(const TMapMouse& m)
{
    if (Panning)
        host_.FollowPan(m.i, m.j);
}

void TPanTool::Release(const TMapMouse&) { host_.EndPan(); }

bool TPanTool::Dragging() const { return Panning; }

QCursor TMagnifierTool::Cursor() const { return MapToolCursor(2); }

void TMagnifierTool::Press(const TMapMouse& m) { host_.StartMagnifier(m.i, m.j); }

void TMagnifierTool::Move(const TMapMouse& m)
{
    if (ZoomFollow)
        host_.FollowMagnifier(m.i, m.j);
}

void TMagnifierTool::Release(const TMapMouse&) { host_.EndMagnifier(); }

bool TMagnifierTool::Dragging() const { return ZoomFollow; }

void TStreetViewTool::Press(const TMapMouse& m)
{
    ClickPixX = m.i;
    ClickPixY = m.j;
    host_.ShowStreetViewOfClick();
    host_.SetCommandOn(Cmd::tbStreet, false);
}
