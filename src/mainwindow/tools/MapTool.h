#pragma once
// The map tools: what every mouse mode of the map offers (press, move, release,
// double click, cancel, its cursor and name), the names of the modes, and the
// host through which a tool reaches the main window.
#include "widgets/CommandTable.h"
#include "map/gui/OxrImage.h" // TShiftState

#include <QColor>
#include <QCursor>
#include <QString>

#include <cstdint>
#include <optional>

// The map's mouse modes, in rank order. One tool is armed at a time, by its
// command (TMapTools::Arm); a press goes to it, unless a tool of a higher rank
// claims the press because what it works on lies under the pointer or another
// part of the program started it (a region, a polygon, a move from a grid).
enum class TMapToolMode {
    ZoomBox,        // a plain left drag draws the box the view zooms to
    Pan,            // "tbMove", or the middle button with the wheel option
    Magnifier,      // "tbZoom": the lens follows the pointer
    SelectRegion,   // a region drawn click by click (selection or background edit)
    DrawPolygon,    // a new user polygon drawn click by click
    GridCentroidPlace, // the centroid picked in the zones grid, placed by a Shift+click
    GridCentroidDrag,  // the centroid picked in the zones grid, dragged from its marker
    GridNodePlace,     // the node picked in the nodes grid, placed by a Shift+click
    GridNodeDrag,      // the node picked in the nodes grid, dragged from its marker
    PathPick,       // the two ends of a shortest path
    EditPolygon,    // the handles of the polygon being modified
    MoveNode,       // "Mover" of the nodes menu
    MoveZoning,     // "Mover" of the zones pop-up: the whole zoning
    Phases,         // "tbShow": the phase window of the junction under the pointer
    MoveLayers,     // "smove": the background layers
    MoveCentroid,   // "Mover" of the zones menu: one centroid
    CurveHandle,    // "tbCurve": the interior handles of the link being bent
    Ruler,          // "Regla": distances clicked point by point
    PolygonLabel,   // the name of a user polygon dragged
    ShapeVertex,    // the shape handles of the link being edited
    StreetView,     // "tbStreet": the street view of the clicked point
    FlowDiagram,    // "tbMixs": the flow diagram of the junction under the pointer
    Collapse,       // "tbColapsar": polygon vertices inside a circle onto its centre
    Count           // the number of modes (not a mode)
};

// One mouse event on the map: the button, the keys, the pixel and the world point.
struct TMapMouse {
    Qt::MouseButton Button = Qt::NoButton;
    TShiftState Shift;
    int i = 0, j = 0;
    double x = 0.0, y = 0.0;
};

// What a tool needs of the main window (answered by TMapToolHostAdapter).
class TMapToolHost {
public:
    virtual TOxrImage& MapCanvas() = 0;
    virtual void RedrawMap() = 0;
    // Panel 1..3 of the status bar.
    virtual void SetStatusPanel(int panel, const QString& text) = 0;
    // A toolbar button's Down or a menu item's tick.
    virtual bool CommandOn(TCommandId id) = 0;
    virtual void SetCommandOn(TCommandId id, bool on) = 0;
    // The grid rows of a node or a centroid show its new place.
    virtual void ShowNodePlace(int32_t node) = 0;
    virtual void ShowCentroidPlace(int32_t zone) = 0;
    // The links at the moved nodes follow them.
    virtual void FollowMovedNodes() = 0;
    virtual void ShowPhasesOf(int32_t node) = 0;
    virtual void ShowFlowDiagramOf(int32_t node) = 0;
    virtual void ShowStreetViewOfClick() = 0;
    virtual void ShowPickedPath() = 0;
    virtual QColor PickMarkColor() = 0;
    // What lies under the pointer, as the hover found it (0 none).
    virtual int32_t HoveredNode() = 0;
    virtual int32_t HoveredZone() = 0;
    virtual int32_t HoveredPolygonLabel() = 0;
    // Shift held when "Mover" was chosen keeps it on after a drag.
    virtual bool KeepNodeMoveOn() = 0;
    virtual bool KeepZoneMoveOn() = 0;
    // The view gestures (TMapViewController, src/map/gui/MapViewController.cpp).
    virtual void StartZoomBox(int i, int j, double x, double y) = 0;
    virtual void FollowZoomBox(double x, double y) = 0;
    virtual void EndZoomBox(int j) = 0;
    virtual void StartPan(int i, int j) = 0;
    virtual void FollowPan(int i, int j) = 0;
    virtual void EndPan() = 0;
    virtual void StartMagnifier(int i, int j) = 0;
    virtual void FollowMagnifier(int i, int j) = 0;
    virtual void EndMagnifier() = 0;
    // The region or the user polygon drawn click by click, and the handles of the
    // polygon being modified (the selection and the polygons' controller own their points).
    virtual void AddRegionPoint(double x, double y) = 0;
    virtual void AddPolygonClickPoint(double x, double y) = 0;
    virtual void FollowPolygonRubberLine(double x, double y) = 0;
    virtual void PressPolygonHandle(const TMapMouse& m) = 0;
    virtual void FollowPolygonHandle(double x, double y) = 0;
    virtual bool PolygonHandleDragged() = 0;
    virtual void ReleasePolygonHandle(double x, double y) = 0;
    // The double click that closes the region or stores the new polygon.
    virtual void CloseDrawnRegion() = 0;
    virtual void StoreDrawnPolygon() = 0;
    // The link shape being edited (TMapEditController owns its handles).
    virtual void CurvePress(bool interiorHandle, double x, double y) = 0;
    virtual void CurveFollow(double x, double y) = 0;
    virtual void CurveRelease(bool interiorHandle, double x, double y) = 0;
    virtual bool CurveHandleDragged() = 0;
    virtual bool ShapeVertexDragged() = 0;
    // What a press may land on: the marker of the node or centroid picked in a
    // grid, a handle of the polygon being modified, an interior handle of the
    // link being bent, a shape handle of the link being edited.
    virtual bool OnGridMoveMarker(int i, int j) = 0;
    virtual bool PolygonBeingModified() = 0;
    virtual bool CurveHandleUnder() = 0;
    virtual bool ShapeVertexUnder() = 0;

protected:
    ~TMapToolHost() = default;
};

// One mouse mode of the map.
class TMapTool {
public:
    explicit TMapTool(TMapToolHost& host) : host_(host) {}
    virtual ~TMapTool() = default;
    TMapTool(const TMapTool&) = delete;
    TMapTool& operator=(const TMapTool&) = delete;

    virtual TMapToolMode Mode() const = 0;
    virtual QString Name() const = 0;
    // The command whose button or tick arms the tool; none for a tool that only
    // claims presses (and for those armed by a plain menu item through Arm()).
    virtual std::optional<TCommandId> Command() const { return std::nullopt; }
    // The armed tool takes a press only when this holds (a junction under the
    // pointer, a modifier key held); otherwise the press falls to the zoom box.
    virtual bool Takes(const TMapMouse&) { return true; }
    // A tool claims a press whatever tool is armed when what it works on lies
    // under the pointer or is under way; the highest claim by rank wins.
    virtual bool Claims(const TMapMouse&) { return false; }
    // Armed by a plain menu item (the path, the ruler): the tool starts its work,
    // and says when it is done, which disarms it.
    virtual void Arm() {}
    virtual bool Done() const { return false; }
    // The map's cursor while the tool is chosen.
    virtual QCursor Cursor() const { return QCursor(Qt::ArrowCursor); }
    virtual void Press(const TMapMouse&) {}
    // Every move over the map reaches every tool: a tool with nothing under way ignores it.
    virtual void Move(const TMapMouse&) {}
    virtual void Release(const TMapMouse&) {}
    virtual void DoubleClick() {}
    // Escape: whatever the tool had under way ends, its release then does nothing.
    virtual void Cancel() {}
    // A drag of this tool is under way: the release is its.
    virtual bool Dragging() const { return false; }

protected:
    TMapToolHost& host_;
};
