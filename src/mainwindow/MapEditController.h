#pragma once
// Mouse editing of the map: the canvas's press, move, release and double click
// handed to the map tools (src/mainwindow/tools), the arming of a tool by its
// command (one armed at a time; TMapTools decides which tool a press goes to),
// the hover tests (nodes, centroids, curve handles, polygon names, snap
// points, polygons), the shape handles of the link being bent, the Escape that
// ends any mouse mode, and the commands that arm a tool: "Mover" of the nodes and
// zones menus, "Curvar", "Colapsar", "Regla", "Sobre el mapa" of the shortest
// paths and "Editar" of the background layers. Owns the map tools, the hover
// state, the curve handles' state and whether "Mover" stays on, and registers
// those rows. It and its tools reach the window and its controllers directly; the
// double click's own parts (the element found in its grid, the region of the
// background lines closed) are in MapEditDoubleClick.cpp.
#include "mainwindow/tools/MapTool.h"
#include "model/PalvonVars.h" // TPoint

#include <QRegion>

#include <cstdint>
#include <memory>
#include <vector>

class QMenu;
class TMapTools;
class TPalvonViewer;

class TMapEditController {
public:
    explicit TMapEditController(TPalvonViewer& viewer);
    ~TMapEditController();
    TMapEditController(const TMapEditController&) = delete;
    TMapEditController& operator=(const TMapEditController&) = delete;

    // Connects the map canvas's mouse to the handlers below, each tool's command
    // to its arming, places the "Mover" items and registers the rows of the tools.
    void ConnectMapMouse();
    // The map tools: one of each mode.
    TMapTools& MapTools();
    // The canvas's mouse: the press goes to the armed tool (or one that claims it),
    // a move to every tool, the release to the tool whose drag is under way.
    void imgOxrMouseDown(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    void imgOxrMouseMove(const TShiftState& Shift, int i, int j, double x, double y);
    void imgOxrMouseUp(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    // Hover tests (nodes, centroids, curve handles, polygon names, snap points, polygons).
    void imgMouseMove(int X, int Y);
    // The double click: the region or the new polygon closed, the ruler's click
    // ended, the polygon under the pointer named, or the element found in its grid.
    void imgDblClick();
    // Escape: whatever mouse mode is on ends (a polygon being drawn stays).
    void CancelMouseMode();
    // "Mover" of the nodes, "Fases" or "Diagramas": a tool that takes the node under the pointer.
    bool NodeToolOn();
    void NodeMoveClick();
    void ZoneMoveClick();
    // Brings the links at the nodes of MovedNodes onto their nodes (after a node move).
    void NewAngles();
    // Link shape editing: handles of CurveLink and their hit regions.
    void StartCurving();
    void tbCurveClick();
    void CurveHover(int X, int Y, bool& hit);
    void CurvePress(bool interiorHandle, double x, double y);
    void CurveFollow(double x, double y);
    void CurveRelease(bool interiorHandle, double x, double y);
    bool CurveHandleDragged();
    bool ShapeVertexDragged();
    // An interior handle of the link being bent, or a shape handle of the link
    // being edited, lies under the pointer.
    bool CurveHandleUnder() const { return HoverCurveLink > 0 && HoverCurveHandle > 0; }
    bool ShapeVertexUnder() const;
    // "Sobre el mapa" of the shortest paths: the two ends are picked with the mouse.
    void RminMapaClick();
    // Background-layer "Editar": a region whose polylines are deleted.
    void pupseditClick();
    // The collapse button: also tells the browser-emulation value kept for the program.
    void tbColapsarClick();
    // The phase window for one junction (the map's phase tool).
    void ShowPhaseWindow(int32_t node);
    // The double click that closes a region: of the background lines (their
    // polylines wholly inside are deleted) or of the selection.
    void CloseDrawnRegion();

    // Link whose shape is to be bent (0 none); set by a Shift double click on the links grid.
    int32_t CurveLink = 0;
    int32_t HoverNode = 0, HoverZone = 0;
    int32_t HoverCurveLink = 0, HoverCurveHandle = 0;
    int32_t HoverPolygonLabel = 0;
    int32_t CurveVertex = -1;
    bool CurveVertexDrag = false;
    int32_t CurveDrag = 0;
    std::vector<QRegion> CurveRegions; // 0..600
    // The handle being dragged: world point of the press, and where its circle is drawn.
    TPoint PressPoint{}, AuxPoint{};
    bool NodeMoveSticky = false, ZoneMoveSticky = false;
    // User polygon under the pointer while polygon selection is ticked: its record
    // index + 1 (0 = none).
    int32_t PolygonUnderCursor = 0;
    // Set by every double click on the map; the release that follows reads and clears it.
    bool DblClickHandled = false;

private:
    // Registers the rows that arm a map mode from a menu or a toolbar button.
    void CreateMapModeCommands();

    // The plain double click: the row of the element under the click comes into
    // view in the data grid on show.
    void FindUnderClick();
    // The region of the background lines closed.
    void CloseLayerRegion();
    // Closes the find dialog when it is on show; false when it was not.
    bool CloseFindDialog();

    TPalvonViewer& viewer_;
    std::unique_ptr<TMapTools> mapTools_; // made by MapTools() on first use
};
