#pragma once
// The main window's side of the mouse editing of the map: TMapToolHost for the map
// tools and TMapEditHost for TMapEditController, answered from the window's canvas,
// grids, legends and polygons, its map view, selection, analysis and drawing, and
// the mouse editing's own state (hover, curve handles). Also the window's parts of
// a double click: the element found in its grid, the region or the new user
// polygon closed. The window holds one, beside its TMapEditController.
#include "mainwindow/MapEditController.h"
#include "mainwindow/tools/MapTool.h"

class TPalvonViewer;

class TMapToolHostAdapter final : public TMapToolHost, public TMapEditHost {
public:
    explicit TMapToolHostAdapter(TPalvonViewer& w) : w_(w) {}

    // Both hosts.
    TOxrImage& MapCanvas() override;

    // ---- TMapToolHost ----
    void RedrawMap() override;
    void SetStatusPanel(int panel, const QString& text) override;
    bool CommandOn(TCommandId id) override;
    void SetCommandOn(TCommandId id, bool on) override;
    void ShowNodePlace(int32_t node) override;
    void ShowCentroidPlace(int32_t zone) override;
    void FollowMovedNodes() override;
    void ShowPhasesOf(int32_t node) override;
    void ShowFlowDiagramOf(int32_t node) override;
    void ShowStreetViewOfClick() override;
    void ShowPickedPath() override;
    QColor PickMarkColor() override;
    int32_t HoveredNode() override;
    int32_t HoveredZone() override;
    int32_t HoveredPolygonLabel() override;
    bool KeepNodeMoveOn() override;
    bool KeepZoneMoveOn() override;
    void StartZoomBox(int i, int j, double x, double y) override;
    void FollowZoomBox(double x, double y) override;
    void EndZoomBox(int j) override;
    void StartPan(int i, int j) override;
    void FollowPan(int i, int j) override;
    void EndPan() override;
    void StartMagnifier(int i, int j) override;
    void FollowMagnifier(int i, int j) override;
    void EndMagnifier() override;
    void AddRegionPoint(double x, double y) override;
    void AddPolygonClickPoint(double x, double y) override;
    void FollowPolygonRubberLine(double x, double y) override;
    void PressPolygonHandle(const TMapMouse& m) override;
    void FollowPolygonHandle(double x, double y) override;
    bool PolygonHandleDragged() override;
    void ReleasePolygonHandle(double x, double y) override;
    void CloseDrawnRegion() override;
    void StoreDrawnPolygon() override;
    void CurvePress(bool interiorHandle, double x, double y) override;
    void CurveFollow(double x, double y) override;
    void CurveRelease(bool interiorHandle, double x, double y) override;
    bool CurveHandleDragged() override;
    bool ShapeVertexDragged() override;
    bool OnGridMoveMarker(int i, int j) override;
    bool PolygonBeingModified() override;
    bool CurveHandleUnder() override;
    bool ShapeVertexUnder() override;

    // ---- TMapEditHost ----
    void HideLegends() override;
    bool SnapTargetUnder(int X, int Y) override;
    void ClearRegionPoints() override;
    void FindUnderClick() override;
    bool CloseFindDialog() override;

private:
    TPalvonViewer& w_;
};
