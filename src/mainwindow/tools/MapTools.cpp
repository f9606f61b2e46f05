// TMapTools: one tool of each mode, the tool armed now, the tool a press goes
// to, and the orders in which a move and a release reach them.
#include "mainwindow/tools/MapTools.h"

namespace {

template <class T>
void Make(std::array<std::unique_ptr<TMapTool>, static_cast<size_t>(TMapToolMode::Count)>& tools, TPalvonViewer& viewer)
{
    auto tool = std::make_unique<T>(viewer);
    const auto k = static_cast<size_t>(tool->Mode());
    tools[k] = std::move(tool);
}

} // namespace

TMapTools::TMapTools(TPalvonViewer& viewer) : viewer_(viewer)
{
    Make<TZoomBoxTool>(tools_, viewer);
    Make<TPanTool>(tools_, viewer);
    Make<TMagnifierTool>(tools_, viewer);
    Make<TStreetViewTool>(tools_, viewer);
    Make<TPhasesTool>(tools_, viewer);
    Make<TFlowDiagramTool>(tools_, viewer);
    Make<TPathTool>(tools_, viewer);
    Make<TRulerTool>(tools_, viewer);
    Make<TMoveZoningTool>(tools_, viewer);
    Make<TMoveLayersTool>(tools_, viewer);
    Make<TCollapseTool>(tools_, viewer);
    Make<TMoveNodeTool>(tools_, viewer);
    Make<TGridNodeDragTool>(tools_, viewer);
    Make<TGridNodePlaceTool>(tools_, viewer);
    Make<TMoveCentroidTool>(tools_, viewer);
    Make<TGridCentroidDragTool>(tools_, viewer);
    Make<TGridCentroidPlaceTool>(tools_, viewer);
    Make<TPolygonLabelTool>(tools_, viewer);
    Make<TSelectRegionTool>(tools_, viewer);
    Make<TDrawPolygonTool>(tools_, viewer);
    Make<TEditPolygonTool>(tools_, viewer);
    Make<TCurveHandleTool>(tools_, viewer);
    Make<TShapeVertexTool>(tools_, viewer);
    armed_ = tools_[static_cast<size_t>(TMapToolMode::ZoomBox)].get();
}

TMapTool& TMapTools::Tool(TMapToolMode mode) { return *tools_.at(static_cast<size_t>(mode)); }

void TMapTools::Arm(TMapToolMode mode)
{
    TMapTool* previous = armed_;
    armed_ = &Tool(mode);
    if (previous != armed_) {
        if (const auto command = previous->Command())
            viewer_.SetCommandOn(*command, false);
        else
            previous->Cancel();
    }
    armed_->Arm();
}

void TMapTools::Disarm(TMapToolMode mode)
{
    if (armed_ == &Tool(mode))
        armed_ = &Tool(TMapToolMode::ZoomBox);
}

TMapTool& TMapTools::Armed()
{
    if (armed_->Done())
        armed_ = &Tool(TMapToolMode::ZoomBox);
    return *armed_;
}

TMapTool& TMapTools::ToolForPress(const TMapMouse& m)
{
    TMapTool* armed = &Armed();
    TMapTool* chosen = &Tool(TMapToolMode::ZoomBox);
    for (const auto& tool : tools_)
        if ((tool.get() == armed && tool->Takes(m)) || tool->Claims(m))
            chosen = tool.get();
    return *chosen;
}

void TMapTools::Move(const TMapMouse& m)
{
    using M = TMapToolMode;
    for (M mode : {M::Collapse, M::Magnifier, M::Pan, M::GridCentroidDrag, M::MoveCentroid, M::GridNodeDrag,
                   M::MoveNode, M::PolygonLabel, M::ShapeVertex, M::SelectRegion, M::DrawPolygon, M::Ruler,
                   M::EditPolygon, M::MoveZoning, M::MoveLayers, M::ZoomBox})
        Tool(mode).Move(m);
}

TMapTool* TMapTools::ReleaseTool(Qt::MouseButton button)
{
    using M = TMapToolMode;
    TMapTool* chosen = button == Qt::MiddleButton ? &Tool(M::Magnifier) : nullptr;
    for (M mode : {M::Magnifier, M::Pan, M::GridCentroidDrag, M::MoveCentroid, M::GridNodeDrag, M::MoveNode,
                   M::ZoomBox, M::EditPolygon, M::MoveZoning, M::MoveLayers, M::CurveHandle, M::PolygonLabel,
                   M::ShapeVertex, M::Collapse})
        if (Tool(mode).Dragging())
            chosen = &Tool(mode);
    return chosen;
}

void TMapTools::Cancel()
{
    for (TMapToolMode mode : {TMapToolMode::PathPick, TMapToolMode::Ruler, TMapToolMode::MoveZoning,
                              TMapToolMode::MoveLayers, TMapToolMode::Collapse})
        Tool(mode).Cancel();
}
