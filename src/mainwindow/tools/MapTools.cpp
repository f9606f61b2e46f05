// TMapTools: one tool of each mode, the tool armed now, the tool a press goes
// to, and the orders in which a move and a release reach them.
#include "mainwindow/tools/MapTools.h"

namespace {

template <class T>
void Make(std::array<std::unique_ptr<TMapTool>, static_cast<size_t>(TMapToolMode::Count)>& tools, TMapToolHost& host)
{
    auto tool = std::make_unique<T>(host);
    const auto k = static_cast<size_t>(tool->Mode());
    tools[k] = std::move(tool);
}

} // namespace

TMapTools::TMapTools(TMapToolHost& host) : host_(host)
{
    Make<TZoomBoxTool>(tools_, host);
    Make<TPanTool>(tools_, host);
    Make<TMagnifierTool>(tools_, host);
    Make<TStreetViewTool>(tools_, host);
    Make<TPhasesTool>(tools_, host);
    Make<TFlowDiagramTool>(tools_, host);
    Make<TPathTool>(tools_, host);
    Make<TRulerTool>(tools_, host);
    Make<TMoveZoningTool>(tools_, host);
    Make<TMoveLayersTool>(tools_, host);
    Make<TCollapseTool>(tools_, host);
    Make<TMoveNodeTool>(tools_, host);
    Make<TGridNodeDragTool>(tools_, host);
    Make<TGridNodePlaceTool>(tools_, host);
    Make<TMoveCentroidTool>(tools_, host);
    Make<TGridCentroidDragTool>(tools_, host);
    Make<TGridCentroidPlaceTool>(tools_, host);
    Make<TPolygonLabelTool>(tools_, host);
    Make<TSelectRegionTool>(tools_, host);
    Make<TDrawPolygonTool>(tools_, host);
    Make<TEditPolygonTool>(tools_, host);
    Make<TCurveHandleTool>(tools_, host);
    Make<TShapeVertexTool>(tools_, host);
    armed_ = tools_[static_cast<size_t>(TMapToolMode::ZoomBox)].get();
}

TMapTool& TMapTools::Tool(TMapToolMode mode) { return *tools_.at(static_cast<size_t>(mode)); }

void TMapTools::Arm(TMapToolMode mode)
{
    TMapTool* previous = armed_;
    armed_ = &Tool(mode);
    if (previous != armed_) {
        if (const auto command = previous->Command())
            host_.SetCommandOn(*command, false);
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
