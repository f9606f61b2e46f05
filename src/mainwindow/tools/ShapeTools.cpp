// The tools that draw or reshape: a selection region and a new user polygon
// drawn click by click (their double click closes them), the handles of the
// polygon being modified, and the handles of a link's shape. The points of the
// polygons and of the shape belong to their owners (TPolygonsController,
// TMapEditController), which the selection and the menus read too.
#include "mainwindow/tools/MapTools.h"
#include "map/gui/MapLayers.h"
#include "model/KDVvars.h"

QCursor TSelectRegionTool::Cursor() const { return MapToolCursor(1); }

bool TSelectRegionTool::Claims(const TMapMouse&) { return viewer_.Selection().PolySelectKind > 0; }

void TSelectRegionTool::Press(const TMapMouse& m)
{
    if (m.Button != Qt::LeftButton)
        return;
    viewer_.Selection().AddRegionPoint(m.x, m.y);
    viewer_.Polygons().LastPoint = {m.x, m.y};
}

// One rubber line from the last point drawn serves both the region and the new
// polygon: should both be on, drawing it twice would remove it.
void TSelectRegionTool::Move(const TMapMouse& m)
{
    if (viewer_.Selection().PolySelectKind >= 1)
        viewer_.Polygons().FollowPolygonRubberLine(m.x, m.y);
}

bool TDrawPolygonTool::Claims(const TMapMouse&) { return viewer_.Polygons().UserPolygonActive; }

void TDrawPolygonTool::Press(const TMapMouse& m)
{
    viewer_.Polygons().AddPolygonClickPoint(m.x, m.y);
    viewer_.Polygons().LastPoint = {m.x, m.y};
}

void TDrawPolygonTool::Move(const TMapMouse& m)
{
    if (viewer_.Polygons().UserPolygonActive && viewer_.Selection().PolySelectKind < 1)
        viewer_.Polygons().FollowPolygonRubberLine(m.x, m.y);
}

void TEditPolygonTool::Press(const TMapMouse& m) { viewer_.Polygons().PressPolygonHandle(m); }

void TEditPolygonTool::Move(const TMapMouse& m) { viewer_.Polygons().FollowPolygonHandle(m.x, m.y); }

void TEditPolygonTool::Release(const TMapMouse& m) { viewer_.Polygons().ReleasePolygonHandle(m.x, m.y); }

bool TEditPolygonTool::Dragging() const { return viewer_.Polygons().PolygonHandleDragged(); }

void TCurveHandleTool::Press(const TMapMouse& m) { viewer_.MapEdit().CurvePress(true, m.x, m.y); }

void TCurveHandleTool::Release(const TMapMouse& m) { viewer_.MapEdit().CurveRelease(true, m.x, m.y); }

bool TCurveHandleTool::Dragging() const { return viewer_.MapEdit().CurveHandleDragged(); }

void TShapeVertexTool::Press(const TMapMouse& m) { viewer_.MapEdit().CurvePress(false, m.x, m.y); }

// The dragged handle's circle follows the pointer for both shape tools.
void TShapeVertexTool::Move(const TMapMouse& m) { viewer_.MapEdit().CurveFollow(m.x, m.y); }

void TShapeVertexTool::Release(const TMapMouse& m) { viewer_.MapEdit().CurveRelease(false, m.x, m.y); }

bool TShapeVertexTool::Dragging() const { return viewer_.MapEdit().ShapeVertexDragged(); }
