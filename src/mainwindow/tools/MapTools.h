#pragma once
// The map's tools, one class per mouse mode, and TMapTools that owns one of each.
// Each tool keeps the state of its own gesture (drag start, rubber line, ends
// picked); state that other parts of the program read stays with them and the
// tool reaches it through TMapToolHost.
#include "mainwindow/tools/MapTool.h"
#include "model/PalvonVars.h" // TPoint

#include <array>
#include <memory>

// ---- View tools (ViewTools.cpp) ----

class TZoomBoxTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::ZoomBox; }
    QString Name() const override { return QStringLiteral("Zoom"); }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

class TPanTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::Pan; }
    QString Name() const override { return QStringLiteral("Mover vista"); }
    QCursor Cursor() const override;
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

class TMagnifierTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::Magnifier; }
    QString Name() const override { return QStringLiteral("Lupa"); }
    QCursor Cursor() const override;
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

class TStreetViewTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::StreetView; }
    QString Name() const override { return QStringLiteral("Street View"); }
    void Press(const TMapMouse& m) override;
};

// ---- Tools of one click (ClickTools.cpp) ----

class TPhasesTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::Phases; }
    QString Name() const override { return QStringLiteral("Fases"); }
    void Press(const TMapMouse& m) override;
};

class TFlowDiagramTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::FlowDiagram; }
    QString Name() const override { return QStringLiteral("Diagramas"); }
    void Press(const TMapMouse& m) override;
};

// The shortest path between two nodes clicked on the map.
class TPathTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::PathPick; }
    QString Name() const override { return QStringLiteral("Ruta mínima sobre el mapa"); }
    QCursor Cursor() const override { return QCursor(Qt::CrossCursor); }
    // "Sobre el mapa" waits for the two ends.
    void Arm();
    bool Armed() const { return armed_; }
    bool FirstEndPicked() const { return firstDone_; }
    void Press(const TMapMouse& m) override;
    void Cancel() override;

private:
    bool armed_ = false, firstDone_ = false;
};

// Distances measured click by click; the running total shows in the status bar.
class TRulerTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::Ruler; }
    QString Name() const override { return QStringLiteral("Regla"); }
    QCursor Cursor() const override;
    void Arm();
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;

private:
    TPoint last_{};  // the last click: the fixed end of the rubber line
    TPoint rubber_{}; // the rubber line's free end
    double total_ = 0.0;
};

// ---- Drags that move things by a vector or gather them (MoveTools.cpp) ----

// A dashed line from the press to the pointer; the release moves by that vector.
class TVectorDragTool : public TMapTool {
public:
    using TMapTool::TMapTool;
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    void Cancel() override { dragging_ = false; }
    bool Dragging() const override { return dragging_; }

protected:
    // The command that chose the tool, unchecked by the release.
    virtual TCommandId Command() const = 0;
    virtual void Apply(double dx, double dy) = 0;

private:
    void DrawLine();
    bool dragging_ = false;
    TPoint press_{}, last_{};
};

// "Mover" of the zones pop-up: every zone outline moves.
class TMoveZoningTool final : public TVectorDragTool {
public:
    using TVectorDragTool::TVectorDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::MoveZoning; }
    QString Name() const override { return QStringLiteral("Mover zonificación"); }

protected:
    TCommandId Command() const override { return Cmd::MoveZon; }
    void Apply(double dx, double dy) override;
};

// "smove": the background layers chosen in "Qué mover" move.
class TMoveLayersTool final : public TVectorDragTool {
public:
    using TVectorDragTool::TVectorDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::MoveLayers; }
    QString Name() const override { return QStringLiteral("Mover capas"); }

protected:
    TCommandId Command() const override { return Cmd::smove; }
    void Apply(double dx, double dy) override;
};

// A dotted circle from the press; the polygon vertices inside it move onto its centre.
class TCollapseTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::Collapse; }
    QString Name() const override { return QStringLiteral("Colapsar"); }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    void Cancel() override { on_ = false; }
    bool Dragging() const override { return on_; }
    double Radius() const { return radius_; }

private:
    void DrawCircle();
    bool on_ = false;
    TPoint centre_{};
    double radius_ = 0.0;
};

// ---- Nodes, centroids and polygon names dragged (PlaceTools.cpp) ----

// A node dragged: a circle follows the pointer, the release places the node.
class TNodeDragTool : public TMapTool {
public:
    using TMapTool::TMapTool;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override { return node_ > 0; }
    int32_t DraggedNode() const { return node_; }

protected:
    void Start(int32_t node, double x, double y);

private:
    int32_t node_ = 0;
    TPoint press_{}, last_{};
};

class TMoveNodeTool final : public TNodeDragTool {
public:
    using TNodeDragTool::TNodeDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::MoveNode; }
    QString Name() const override { return QStringLiteral("Mover nodo"); }
    void Press(const TMapMouse& m) override;
};

// The node picked in the nodes grid, dragged from its marker.
class TGridNodeDragTool final : public TNodeDragTool {
public:
    using TNodeDragTool::TNodeDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridNodeDrag; }
    QString Name() const override { return QStringLiteral("Mover nodo de la tabla"); }
    void Press(const TMapMouse& m) override;
};

// The node picked in the nodes grid, placed at once by a Shift+click.
class TGridNodePlaceTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridNodePlace; }
    QString Name() const override { return QStringLiteral("Ubicar nodo de la tabla"); }
    void Press(const TMapMouse& m) override;
};

// A centroid dragged: its cross follows the pointer, the release places it.
class TCentroidDragTool : public TMapTool {
public:
    using TMapTool::TMapTool;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override { return zone_ > 0; }

protected:
    void Start(int32_t zone, double x, double y);

private:
    int32_t zone_ = 0;
    TPoint press_{}, last_{};
};

class TMoveCentroidTool final : public TCentroidDragTool {
public:
    using TCentroidDragTool::TCentroidDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::MoveCentroid; }
    QString Name() const override { return QStringLiteral("Mover centroide"); }
    void Press(const TMapMouse& m) override;
};

class TGridCentroidDragTool final : public TCentroidDragTool {
public:
    using TCentroidDragTool::TCentroidDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridCentroidDrag; }
    QString Name() const override { return QStringLiteral("Mover centroide de la tabla"); }
    void Press(const TMapMouse& m) override;
};

class TGridCentroidPlaceTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridCentroidPlace; }
    QString Name() const override { return QStringLiteral("Ubicar centroide de la tabla"); }
    void Press(const TMapMouse& m) override;
};

// The name of a user polygon dragged to a new place.
class TPolygonLabelTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::PolygonLabel; }
    QString Name() const override { return QStringLiteral("Mover nombre de polígono"); }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override { return polygon_ > 0; }

private:
    int32_t polygon_ = 0; // record index + 1
    TPoint last_{};
};

// ---- Polygons and link shapes (ShapeTools.cpp) ----

class TSelectRegionTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::SelectRegion; }
    QString Name() const override { return QStringLiteral("Región"); }
    QCursor Cursor() const override;
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void DoubleClick() override { host_.CloseDrawnRegion(); }
};

class TDrawPolygonTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::DrawPolygon; }
    QString Name() const override { return QStringLiteral("Nuevo polígono"); }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void DoubleClick() override { host_.StoreDrawnPolygon(); }
};

class TEditPolygonTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::EditPolygon; }
    QString Name() const override { return QStringLiteral("Modificar polígono"); }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

class TCurveHandleTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::CurveHandle; }
    QString Name() const override { return QStringLiteral("Curvar arco"); }
    void Press(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

class TShapeVertexTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::ShapeVertex; }
    QString Name() const override { return QStringLiteral("Editar forma del arco"); }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

// One tool of each mode, and the orders in which the moves and the release reach them.
class TMapTools {
public:
    explicit TMapTools(TMapToolHost& host);
    TMapTool& Tool(TMapToolMode mode);
    // A move reaches every tool; the release goes to the last tool, in the release
    // order, with a drag under way (a middle-button release ends the magnifier when
    // no drag is).
    void Move(const TMapMouse& m);
    TMapTool* ReleaseTool(Qt::MouseButton button);
    // Escape.
    void Cancel();

    TPathTool& Path() { return path_; }
    TRulerTool& Ruler() { return ruler_; }
    TCollapseTool& Collapse() { return collapse_; }
    TMoveNodeTool& MoveNode() { return moveNode_; }

private:
    TZoomBoxTool zoomBox_;
    TPanTool pan_;
    TMagnifierTool magnifier_;
    TStreetViewTool streetView_;
    TPhasesTool phases_;
    TFlowDiagramTool flowDiagram_;
    TPathTool path_;
    TRulerTool ruler_;
    TMoveZoningTool moveZoning_;
    TMoveLayersTool moveLayers_;
    TCollapseTool collapse_;
    TMoveNodeTool moveNode_;
    TGridNodeDragTool gridNodeDrag_;
    TGridNodePlaceTool gridNodePlace_;
    TMoveCentroidTool moveCentroid_;
    TGridCentroidDragTool gridCentroidDrag_;
    TGridCentroidPlaceTool gridCentroidPlace_;
    TPolygonLabelTool polygonLabel_;
    TSelectRegionTool selectRegion_;
    TDrawPolygonTool drawPolygon_;
    TEditPolygonTool editPolygon_;
    TCurveHandleTool curveHandle_;
    TShapeVertexTool shapeVertex_;
};
