#pragma once
// The map's tools, one class per mouse mode, and TMapTools that owns one of each.
// Each tool keeps the state of its own gesture (drag start, rubber line, ends
// picked); state that other parts of the program read stays with them and the
// tool reaches it on the main window's controllers.
#include "mainwindow/PalvonViewer.h"
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
    std::optional<TCommandId> Command() const override { return Cmd::tbMove; }
    // The middle button pans whatever tool is armed, when the options say so.
    bool Claims(const TMapMouse& m) override;
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
    std::optional<TCommandId> Command() const override { return Cmd::tbZoom; }
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
    std::optional<TCommandId> Command() const override { return Cmd::tbStreet; }
    void Press(const TMapMouse& m) override;
};

// ---- Tools of one click (ClickTools.cpp) ----

class TPhasesTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::Phases; }
    QString Name() const override { return QStringLiteral("Fases"); }
    std::optional<TCommandId> Command() const override { return Cmd::tbShow; }
    bool Takes(const TMapMouse&) override { return viewer_.MapEdit().HoverNode > 0; }
    void Press(const TMapMouse& m) override;
};

class TFlowDiagramTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::FlowDiagram; }
    QString Name() const override { return QStringLiteral("Diagramas"); }
    std::optional<TCommandId> Command() const override { return Cmd::tbMixs; }
    bool Takes(const TMapMouse&) override { return viewer_.MapEdit().HoverNode > 0; }
    void Press(const TMapMouse& m) override;
};

// The shortest path between two nodes clicked on the map.
class TPathTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::PathPick; }
    QString Name() const override { return QStringLiteral("Ruta mínima sobre el mapa"); }
    QCursor Cursor() const override { return QCursor(Qt::CrossCursor); }
    // "Sobre el mapa" waits for the two ends; the second one ends the tool.
    void Arm() override;
    bool Done() const override { return !armed_; }
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
    // "Regla" starts a measurement from nothing; only Escape ends it.
    void Arm() override;
    bool Done() const override { return !measuring_; }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Cancel() override { measuring_ = false; }
    bool Measuring() const { return measuring_; }
    int32_t Clicks() const { return clicks_; }
    double Total() const { return total_; }

private:
    bool measuring_ = false;
    int32_t clicks_ = 0; // points clicked in this measurement
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

    // The command that armed the tool, unchecked by the release.
    std::optional<TCommandId> Command() const override = 0;

protected:
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

    std::optional<TCommandId> Command() const override { return Cmd::MoveZon; }

protected:
    void Apply(double dx, double dy) override;
};

// "smove": the background layers chosen in "Qué mover" move.
class TMoveLayersTool final : public TVectorDragTool {
public:
    using TVectorDragTool::TVectorDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::MoveLayers; }
    QString Name() const override { return QStringLiteral("Mover capas"); }

    std::optional<TCommandId> Command() const override { return Cmd::smove; }

protected:
    void Apply(double dx, double dy) override;
};

// A dotted circle from the press; the polygon vertices inside it move onto its centre.
class TCollapseTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::Collapse; }
    QString Name() const override { return QStringLiteral("Colapsar"); }
    std::optional<TCommandId> Command() const override { return Cmd::tbColapsar; }
    // Armed, the circle starts only with Ctrl or Shift held.
    bool Takes(const TMapMouse&) override;
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
    std::optional<TCommandId> Command() const override { return Cmd::NodeMove; }
    void Press(const TMapMouse& m) override;
};

// The node picked in the nodes grid, dragged from its marker.
class TGridNodeDragTool final : public TNodeDragTool {
public:
    using TNodeDragTool::TNodeDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridNodeDrag; }
    QString Name() const override { return QStringLiteral("Mover nodo de la tabla"); }
    bool Claims(const TMapMouse& m) override;
    void Press(const TMapMouse& m) override;
};

// The node picked in the nodes grid, placed at once by a Shift+click.
class TGridNodePlaceTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridNodePlace; }
    QString Name() const override { return QStringLiteral("Ubicar nodo de la tabla"); }
    bool Claims(const TMapMouse& m) override;
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
    std::optional<TCommandId> Command() const override { return Cmd::ZoneMove; }
    void Press(const TMapMouse& m) override;
};

class TGridCentroidDragTool final : public TCentroidDragTool {
public:
    using TCentroidDragTool::TCentroidDragTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridCentroidDrag; }
    QString Name() const override { return QStringLiteral("Mover centroide de la tabla"); }
    bool Claims(const TMapMouse& m) override;
    void Press(const TMapMouse& m) override;
};

class TGridCentroidPlaceTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::GridCentroidPlace; }
    QString Name() const override { return QStringLiteral("Ubicar centroide de la tabla"); }
    bool Claims(const TMapMouse& m) override;
    void Press(const TMapMouse& m) override;
};

// The name of a user polygon dragged to a new place.
class TPolygonLabelTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::PolygonLabel; }
    QString Name() const override { return QStringLiteral("Mover nombre de polígono"); }
    bool Claims(const TMapMouse&) override { return viewer_.MapEdit().HoverPolygonLabel > 0; }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override { return polygon_ > 0; }

private:
    int32_t polygon_ = 0; // record index + 1
    TPoint press_{}, last_{};
};

// ---- Polygons and link shapes (ShapeTools.cpp) ----

class TSelectRegionTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::SelectRegion; }
    QString Name() const override { return QStringLiteral("Región"); }
    bool Claims(const TMapMouse&) override;
    QCursor Cursor() const override;
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void DoubleClick() override { viewer_.MapEdit().CloseDrawnRegion(); }
};

class TDrawPolygonTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::DrawPolygon; }
    QString Name() const override { return QStringLiteral("Nuevo polígono"); }
    bool Claims(const TMapMouse&) override;
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void DoubleClick() override { viewer_.Polygons().StoreDrawnPolygon(); }
};

class TEditPolygonTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::EditPolygon; }
    QString Name() const override { return QStringLiteral("Modificar polígono"); }
    bool Claims(const TMapMouse&) override { return (viewer_.Polygons().EditPolygon >= 0); }
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
    std::optional<TCommandId> Command() const override { return Cmd::tbCurve; }
    bool Takes(const TMapMouse&) override { return viewer_.MapEdit().CurveHandleUnder(); }
    void Press(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

class TShapeVertexTool final : public TMapTool {
public:
    using TMapTool::TMapTool;
    TMapToolMode Mode() const override { return TMapToolMode::ShapeVertex; }
    QString Name() const override { return QStringLiteral("Editar forma del arco"); }
    bool Claims(const TMapMouse&) override { return viewer_.MapEdit().ShapeVertexUnder(); }
    void Press(const TMapMouse& m) override;
    void Move(const TMapMouse& m) override;
    void Release(const TMapMouse& m) override;
    bool Dragging() const override;
};

// One tool of each mode, the tool armed now, and the orders in which the moves
// and the release reach them.
class TMapTools {
public:
    explicit TMapTools(TPalvonViewer& viewer);
    TMapTool& Tool(TMapToolMode mode);
    // One tool armed at a time: arming one raises the command of the one before
    // (or ends its work when it has no command); a tool whose command is raised,
    // or whose work is done, leaves the zoom box armed.
    void Arm(TMapToolMode mode);
    void Disarm(TMapToolMode mode);
    TMapTool& Armed();
    // The tool a press goes to: the armed one when it takes the press, unless a
    // tool of a higher rank claims it.
    TMapTool& ToolForPress(const TMapMouse& m);
    // A move reaches every tool; the release goes to the last tool, in the release
    // order, with a drag under way (a middle-button release ends the magnifier when
    // no drag is).
    void Move(const TMapMouse& m);
    TMapTool* ReleaseTool(Qt::MouseButton button);
    // Escape: the drags end, the tool armed by a plain menu item (path, ruler) too.
    void Cancel();

    TPathTool& Path() { return static_cast<TPathTool&>(Tool(TMapToolMode::PathPick)); }
    TRulerTool& Ruler() { return static_cast<TRulerTool&>(Tool(TMapToolMode::Ruler)); }
    TCollapseTool& Collapse() { return static_cast<TCollapseTool&>(Tool(TMapToolMode::Collapse)); }
    TMoveNodeTool& MoveNode() { return static_cast<TMoveNodeTool&>(Tool(TMapToolMode::MoveNode)); }

private:
    TPalvonViewer& viewer_;
    std::array<std::unique_ptr<TMapTool>, static_cast<size_t>(TMapToolMode::Count)> tools_;
    TMapTool* armed_ = nullptr;
};
