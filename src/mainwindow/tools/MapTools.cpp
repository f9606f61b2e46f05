// TMapTools: one tool of each mode, and the orders in which a move and a release
// reach them.
#include "mainwindow/tools/MapTools.h"

TMapTools::TMapTools(TMapToolHost& host)
    : zoomBox_(host), pan_(host), magnifier_(host), streetView_(host), phases_(host), flowDiagram_(host), path_(host),
      ruler_(host), moveZoning_(host), moveLayers_(host), collapse_(host), moveNode_(host), gridNodeDrag_(host),
      gridNodePlace_(host), moveCentroid_(host), gridCentroidDrag_(host), gridCentroidPlace_(host),
      polygonLabel_(host), selectRegion_(host), drawPolygon_(host), editPolygon_(host), curveHandle_(host),
      shapeVertex_(host)
{
}

TMapTool& TMapTools::Tool(TMapToolMode mode)
{
    switch (mode) {
    case TMapToolMode::ZoomBox: return zoomBox_;
    case TMapToolMode::Pan: return pan_;
    case TMapToolMode::Magnifier: return magnifier_;
    case TMapToolMode::SelectRegion: return selectRegion_;
    case TMapToolMode::DrawPolygon: return drawPolygon_;
    case TMapToolMode::GridCentroidPlace: return gridCentroidPlace_;
    case TMapToolMode::GridCentroidDrag: return gridCentroidDrag_;
    case TMapToolMode::GridNodePlace: return gridNodePlace_;
    case TMapToolMode::GridNodeDrag: return gridNodeDrag_;
    case TMapToolMode::PathPick: return path_;
    case TMapToolMode::EditPolygon: return editPolygon_;
    case TMapToolMode::MoveNode: return moveNode_;
    case TMapToolMode::MoveZoning: return moveZoning_;
    case TMapToolMode::Phases: return phases_;
    case TMapToolMode::MoveLayers: return moveLayers_;
    case TMapToolMode::MoveCentroid: return moveCentroid_;
    case TMapToolMode::CurveHandle: return curveHandle_;
    case TMapToolMode::Ruler: return ruler_;
    case TMapToolMode::PolygonLabel: return polygonLabel_;
    case TMapToolMode::ShapeVertex: return shapeVertex_;
    case TMapToolMode::StreetView: return streetView_;
    case TMapToolMode::FlowDiagram: return flowDiagram_;
    case TMapToolMode::Collapse: return collapse_;
    }
    return zoomBox_;
}

void TMapTools::Move(const TMapMouse& m)
{
    TMapTool* const order[] = {&collapse_,     &magnifier_,    &pan_,         &gridCentroidDrag_, &moveCentroid_,
                               &gridNodeDrag_, &moveNode_,     &polygonLabel_, &shapeVertex_,     &selectRegion_,
                               &drawPolygon_,  &ruler_,        &editPolygon_, &moveZoning_,      &moveLayers_,
                               &zoomBox_};
    for (TMapTool* tool : order)
        tool->Move(m);
}

TMapTool* TMapTools::ReleaseTool(Qt::MouseButton button)
{
    TMapTool* const order[] = {&magnifier_,   &pan_,        &gridCentroidDrag_, &moveCentroid_, &gridNodeDrag_,
                               &moveNode_,    &zoomBox_,    &editPolygon_,      &moveZoning_,   &moveLayers_,
                               &curveHandle_, &polygonLabel_, &shapeVertex_,    &collapse_};
    TMapTool* chosen = button == Qt::MiddleButton ? &magnifier_ : nullptr;
    for (TMapTool* tool : order)
        if (tool->Dragging())
            chosen = tool;
    return chosen;
}

void TMapTools::Cancel()
{
    for (TMapToolMode mode :
         {TMapToolMode::PathPick, TMapToolMode::MoveZoning, TMapToolMode::MoveLayers, TMapToolMode::Collapse})
        Tool(mode).Cancel();
}
