// The tools that draw or reshape: a selection region and a new user polygon
// drawn click by click (their double click closes them), the handles of the
// polygon being modified, and the handles of a link's shape. The points of the
// polygons and of the shape belong to their owners (TPolygonsController,
// TMapEditController), which the selection and the menus read too.
#include "mainwindow/tools/MapTools.h"
#include "map/ZoomMouse.h"
#include "map/gui/MapLayers.h"
#include "model/KDVvars.h"

QCursor TSelectRegionTool::Cursor() const { return MapToolCursor(1); }

bool TSelectRegionTool::Claims(const TMapMouse&) { return PolySelectKind > 0; }

void TSelectRegionTool::Press(const TMapMouse& m)
{
    if (m.Button != Qt::LeftButton)
        return;
    host_.AddRegionPoint(m.x, m.y);
    LastPoint = {m.x, m.y};
}

// One rubber line from the last point drawn serves both the region and the new
// polygon: should both be on, drawing it twice would remove it.
void TSelectRegionTool::Move(const TMapMouse& m)
{
    if (PolySelectKind >= 1)
        host_.FollowPolygonRubberLine(m.x, m.y);
}

bool TDrawPolygonTool::Claims(const TMapMouse&) { return UserPolygonActive; }

void TDrawPolygonTool::Press(const TMapMouse& m)
{
    host_.AddPolygonClickPoint(m.x, m.y);
    LastPoint = {m.x, m.y};
}

void TDrawPolygonTool::Move(const TMapMouse& m)
{
    if (UserPolygonActive && PolySelectKind < 1)
        host_.FollowPolygonRubberLine(m.x, m.y);
}

void TEditPolygonTool::Press(const TMapMouse& m) { host_.PressPolygonHandle(m); }

void TEditPolygonTool::Move(const TMapMouse& m) { host_.FollowPolygonHandle(m.x, m.y); }

void TEditPolygonTool::Release(const TMapMouse& m) { host_.ReleasePolygonHandle(m.x, m.y); }

bool TEditPolygonTool::Dragging() const { return host_.PolygonHandleDragged(); }

void TCurveHandleTool::Press(const TMapMouse& m) { host_.CurvePress(true, m.x, m.y); }

void TCurveHandleTool::Release(const TMapMouse& m) { host_.CurveRelease(true, m.x, m.y); }

bool TCurveHandleTool::Dragging() const { return host_.CurveHandleDragged(); }

void TShapeVertexTool::Press(const TMapMouse& m) { host_.CurvePress(false, m.x, m.y); }

// The dragged handle's circle follows the pointer for both shape tools.
void TShapeVertexTool::Move(const TMapMouse& m) { host_.CurveFollow(m.x, m.y); }

void TShapeVertexTool::Release(const TMapMouse& m) { host_.CurveRelease(false, m.x, m.y); }

bool TShapeVertexTool::Dragging() const { return host_.ShapeVertexDragged(); }
