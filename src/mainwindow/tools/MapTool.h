#pragma once
// The map tools: what every mouse mode of the map offers (press, move, release,
// double click, cancel, its cursor and name) and the names of the modes. A tool
// reaches the main window and its controllers directly.
#include "widgets/CommandTable.h"
#include "map/gui/OxrImage.h" // TShiftState

#include <QColor>
#include <QCursor>
#include <QString>

#include <cstdint>
#include <optional>

class TPalvonViewer;

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

// One mouse mode of the map.
class TMapTool {
public:
    explicit TMapTool(TPalvonViewer& viewer) : viewer_(viewer) {}
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
    // The main window: its canvas, its status bar and commands, and the controllers
    // that own what a tool changes (the map view, the selection, the polygons...).
    TPalvonViewer& viewer_;
};
