// The main window's side of the mouse editing of the map (TMapToolHost and
// TMapEditHost): what the tools and the controller ask is answered from the
// window's widgets and controllers; a double click's own parts (the element found
// in the grid on show, the region of the background lines or the new user polygon
// closed) are done here, on the window's grids, selection and polygon menus.
#include "mainwindow/MapToolHostAdapter.h"
#include "mainwindow/DlgFind.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/Polygons.h"
#include "map/gui/OxrImage.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "map/gui/DataLayers.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

#include <algorithm>
#include <vector>

using ZelUtils::Format;

namespace {

bool Placed(int32_t node) { return node >= 1 && node <= Network.NodeCount && Nodos[node].HasXY; }

// Whether the click pixel lies within 3 pixels of the segment between two nodes.
bool ClickOnSegment(const TOxrImage& img, int32_t a, int32_t b)
{
    if (!Placed(a) || !Placed(b))
        return false;
    const TPoint p1{Nodos[a].X, Nodos[a].Y};
    const TPoint p2{Nodos[b].X, Nodos[b].Y};
    // Segments nowhere near the click need no region (unrounded pixels: the
    // nodes may lie far beyond the window).
    const TWorldWindow& world = img.World();
    const double x1 = world.PixelX(p1.x), x2 = world.PixelX(p2.x);
    const double y1 = world.Height - world.PixelUp(p1.y), y2 = world.Height - world.PixelUp(p2.y);
    constexpr double reach = 6;
    if (!(ClickPixX >= std::min(x1, x2) - reach && ClickPixX <= std::max(x1, x2) + reach &&
          ClickPixY >= std::min(y1, y2) - reach && ClickPixY <= std::max(y1, y2) + reach))
        return false;
    return img.PolygonRegion(p1, p2, 3, 0).contains(QPoint(ClickPixX, ClickPixY));
}

// The first link (in index order) whose segment the click hits; 0 when none.
int32_t LinkUnderClick(const TOxrImage& img)
{
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        if (ClickOnSegment(img, Arcos[i].AIndex, Arcos[i].BIndex))
            return i;
    return 0;
}

// The grid row that lists record `index` in column `col`; the grids may be sorted,
// so the row is looked up when it is not the record's own.
int RowOfRecord(const TStringAlignGrid* grid, int col, int32_t index)
{
    if (!grid || index < 1)
        return -1;
    if (index < grid->RowCount() && ZelUtils::ParseInt(grid->cellView(col, index)) == index)
        return index;
    for (int r = grid->FixedRows(); r < grid->RowCount(); ++r)
        if (ZelUtils::ParseInt(grid->cellView(col, r)) == index)
            return r;
    return -1;
}

void ShowRow(TStringAlignGrid* grid, int row)
{
    if (!grid || row < grid->FixedRows() || row >= grid->RowCount())
        return;
    const int col = std::max(grid->Col(), 0);
    grid->SetSelection({col, row, col, row});
    grid->scrollTo(grid->currentIndex());
}

// The lines over a link are shown on the map and their names turn red in the grid.
void ShowLinesOfLink(TPalvonViewer& w, int32_t link)
{
    if (link < 1 || link > Network.LinkCount)
        return;
    for (int32_t ref = Arcos[link].LineRefFirst; ref >= 0 && ref < static_cast<int32_t>(LinkLineRefs.size());
         ref = LinkLineRefs[static_cast<size_t>(ref)].Next) {
        const int32_t line = LinkLineRefs[static_cast<size_t>(ref)].Line;
        if (line < 1 || line > Network.LineCount)
            continue;
        Lineas[line].Visible = 1;
        const int row = RowOfRecord(w.sagLineas, 4, line);
        if (row > 0)
            w.sagLineas->SetFontColorCell(1, row, QColor(255, 0, 0));
    }
}

// The plain double click: the element under the pointer in the grid of the page on show.
void FindUnderCursor(TPalvonViewer& w)
{
    RubberBand = false;
    const TOxrImage& img = *w.img;
    QWidget* page = w.tnDatos->currentWidget();
    const bool shift = ZelUtils::ShiftDown();
    if (page == w.tsArcos) {
        if (const int32_t i = LinkUnderClick(img)) {
            const TArcos& a = Arcos[i];
            // The direction that leaves the lower-numbered node, or with Shift the other one.
            const bool ascending = Nodos[a.AIndex].Number < Nodos[a.BIndex].Number;
            int32_t chosen = ascending != shift ? i : a.ReverseIndex;
            if (chosen == 0)
                chosen = i;
            ShowRow(w.sagArcos, RowOfRecord(w.sagArcos, 3, chosen));
        }
    }
    if (page == w.tsMovim) {
        for (int32_t m = 1; m <= Network.MovementCount; ++m) {
            const TMovimiento& mv = Movims[m];
            if (KDVlib::FindArco(mv.Node, mv.C) <= 0 || !ClickOnSegment(img, mv.JunctionIndex, mv.CIndex))
                continue;
            const bool descending = Nodos[mv.JunctionIndex].Number > Nodos[mv.CIndex].Number;
            const int32_t other = KDVlib::FindMovim(mv.C, mv.Node, 0);
            int32_t chosen = descending != shift ? m : other;
            if (chosen <= 0)
                chosen = m;
            ShowRow(w.sagMovim, RowOfRecord(w.sagMovim, 3, chosen));
            break;
        }
    }
    if (page == w.tsLineas) {
        if (const int32_t i = LinkUnderClick(img)) {
            const TArcos& a = Arcos[i];
            const bool ascending = Nodos[a.AIndex].Number < Nodos[a.BIndex].Number;
            const int32_t first = ascending ? i : a.ReverseIndex;
            const int32_t second = ascending ? a.ReverseIndex : i;
            if (!shift)
                ShowLinesOfLink(w, first);
            if (!ZelUtils::CtrlDown())
                ShowLinesOfLink(w, second);
        }
    }
    w.RedrawMap();
}

std::vector<TPoint> WorldPoints(const QPolygonF& points)
{
    std::vector<TPoint> out;
    out.reserve(static_cast<size_t>(points.size()));
    for (const QPointF& p : points)
        out.push_back(TPoint{p.x(), p.y()});
    return out;
}

// The region of the background lines closed: it marks the polylines that lie
// wholly inside it as deleted.
void CloseLayerRegion(TPalvonViewer& w)
{
    TOxrImage& img = *w.img;
    img.unsetCursor();
    const std::vector<TPoint> points = WorldPoints(w.Selection().PolyPoints);
    if (!points.empty())
        img.LineToW(points.front().x, points.front().y);
    w.Selection().SelectionRegion = img.AddPolygonRegion(points, static_cast<int32_t>(points.size()) - 1, 1);
    const int32_t last = std::clamp(NumGeoLayers, 0, MaxGeoLayers);
    const int32_t count = std::min(GeoLayerEnd[last], static_cast<int32_t>(MaxGeoLinks));
    for (int32_t r = 1; r <= count; ++r) {
        GeoLink& g = GeoLinks[r];
        const int32_t n = std::min(g.Count, static_cast<int32_t>(g.Points.size()));
        if (n < 1)
            continue;
        bool inside = true;
        for (int32_t k = 0; k < n && inside; ++k)
            inside = img.PtInRegionW(w.Selection().SelectionRegion, g.Points[static_cast<size_t>(k)].x,
                                     g.Points[static_cast<size_t>(k)].y);
        if (inside)
            g.Name = GeoDeletedName;
    }
    w.Selection().PolyPoints.clear();
    PolySelectKind = 0;
    w.RedrawMap();
}

} // namespace

// ---------------------------------------------------------------- both hosts

TOxrImage& TMapToolHostAdapter::MapCanvas() { return *w_.img; }

// ---------------------------------------------------------------- what the tools ask

void TMapToolHostAdapter::RedrawMap() { w_.RedrawMap(); }

void TMapToolHostAdapter::SetStatusPanel(int panel, const QString& text) { w_.SetStatusPanel(panel, text); }

bool TMapToolHostAdapter::CommandOn(TCommandId id) { return w_.CommandOn(id); }

void TMapToolHostAdapter::SetCommandOn(TCommandId id, bool on) { w_.SetCommandOn(id, on); }

void TMapToolHostAdapter::ShowNodePlace(int32_t node)
{
    TStringAlignGrid* sagNodos = w_.sagNodos;
    if (sagNodos && node < sagNodos->RowCount()) {
        sagNodos->setCell(1, node, ZelUtils::Trim(Format(XYFormat.c_str(), double(Nodos[node].X))));
        sagNodos->setCell(2, node, ZelUtils::Trim(Format(XYFormat.c_str(), double(Nodos[node].Y))));
    }
}

void TMapToolHostAdapter::ShowCentroidPlace(int32_t zone)
{
    TStringAlignGrid* sagZonas = w_.sagZonas;
    if (sagZonas && zone < sagZonas->RowCount()) {
        sagZonas->setCell(1, zone, Format(XYFormat.c_str(), double(Zonas[zone].CentroidX)));
        sagZonas->setCell(2, zone, Format(XYFormat.c_str(), double(Zonas[zone].CentroidY)));
    }
}

void TMapToolHostAdapter::FollowMovedNodes() { w_.MapEdit().NewAngles(); }

void TMapToolHostAdapter::ShowPhasesOf(int32_t node) { w_.MapEdit().ShowPhaseWindow(node); }

void TMapToolHostAdapter::ShowFlowDiagramOf(int32_t node) { w_.Analysis().ShowFlowDiagram(node); }

void TMapToolHostAdapter::ShowStreetViewOfClick() { w_.MapView().StreetViewPalvon(); }

void TMapToolHostAdapter::ShowPickedPath() { w_.Analysis().FillPathGrid(false); }

QColor TMapToolHostAdapter::PickMarkColor() { return DisplayStyles::ToQColor(ProgramOptions().SeleccionColor); }

int32_t TMapToolHostAdapter::HoveredNode() { return w_.MapEdit().HoverNode; }

int32_t TMapToolHostAdapter::HoveredZone() { return w_.MapEdit().HoverZone; }

int32_t TMapToolHostAdapter::HoveredPolygonLabel() { return w_.MapEdit().HoverPolygonLabel; }

bool TMapToolHostAdapter::KeepNodeMoveOn() { return w_.MapEdit().NodeMoveSticky; }

bool TMapToolHostAdapter::KeepZoneMoveOn() { return w_.MapEdit().ZoneMoveSticky; }

// The view gestures go to the map view.
void TMapToolHostAdapter::StartZoomBox(int i, int j, double x, double y) { w_.MapView().StartZoomBox(i, j, x, y); }
void TMapToolHostAdapter::FollowZoomBox(double x, double y) { w_.MapView().FollowZoomBox(x, y); }
void TMapToolHostAdapter::EndZoomBox(int j) { w_.MapView().EndZoomBox(j); }
void TMapToolHostAdapter::StartPan(int i, int j) { w_.MapView().StartPan(i, j); }
void TMapToolHostAdapter::FollowPan(int i, int j) { w_.MapView().FollowPan(i, j); }
void TMapToolHostAdapter::EndPan() { w_.MapView().EndPan(); }
void TMapToolHostAdapter::StartMagnifier(int i, int j) { w_.MapView().StartMagnifier(i, j); }
void TMapToolHostAdapter::FollowMagnifier(int i, int j) { w_.MapView().FollowMagnifier(i, j); }
void TMapToolHostAdapter::EndMagnifier() { w_.MapView().EndMagnifier(); }

// The region goes to the selection; the user polygons are the window's.
void TMapToolHostAdapter::AddRegionPoint(double x, double y) { w_.Selection().AddRegionPoint(x, y); }
void TMapToolHostAdapter::AddPolygonClickPoint(double x, double y) { w_.Polygons().AddPolygonClickPoint(x, y); }
void TMapToolHostAdapter::FollowPolygonRubberLine(double x, double y) { w_.Polygons().FollowPolygonRubberLine(x, y); }
void TMapToolHostAdapter::PressPolygonHandle(const TMapMouse& m) { w_.Polygons().PressPolygonHandle(m); }
void TMapToolHostAdapter::FollowPolygonHandle(double x, double y) { w_.Polygons().FollowPolygonHandle(x, y); }
bool TMapToolHostAdapter::PolygonHandleDragged() { return w_.Polygons().PolygonHandleDragged(); }
void TMapToolHostAdapter::ReleasePolygonHandle(double x, double y) { w_.Polygons().ReleasePolygonHandle(x, y); }

void TMapToolHostAdapter::CloseDrawnRegion()
{
    if (PolySelectKind == 4)
        CloseLayerRegion(w_);
    else
        w_.Selection().CloseSelectionRegion();
}

void TMapToolHostAdapter::StoreDrawnPolygon() { w_.Polygons().StoreDrawnPolygon(); }

// The link shape being bent is the mouse editing's.
void TMapToolHostAdapter::CurvePress(bool interiorHandle, double x, double y)
{
    w_.MapEdit().CurvePress(interiorHandle, x, y);
}
void TMapToolHostAdapter::CurveFollow(double x, double y) { w_.MapEdit().CurveFollow(x, y); }
void TMapToolHostAdapter::CurveRelease(bool interiorHandle, double x, double y)
{
    w_.MapEdit().CurveRelease(interiorHandle, x, y);
}
bool TMapToolHostAdapter::CurveHandleDragged() { return w_.MapEdit().CurveHandleDragged(); }
bool TMapToolHostAdapter::ShapeVertexDragged() { return w_.MapEdit().ShapeVertexDragged(); }
bool TMapToolHostAdapter::CurveHandleUnder() { return w_.MapEdit().CurveHandleUnder(); }
bool TMapToolHostAdapter::ShapeVertexUnder() { return w_.MapEdit().ShapeVertexUnder(); }

// ---------------------------------------------------------------- what the controller asks

void TMapToolHostAdapter::HideLegends()
{
    if (w_.sym)
        w_.sym->hide();
    if (w_.Scl)
        w_.Scl->hide();
}

bool TMapToolHostAdapter::OnGridMoveMarker(int i, int j) { return w_.Grids().GridMoveRegion.contains(QPoint(i, j)); }

bool TMapToolHostAdapter::PolygonBeingModified() { return w_.Polygons().EditPolygon >= 0; }

bool TMapToolHostAdapter::SnapTargetUnder(int X, int Y) { return w_.Polygons().SnapTargetAt(X, Y) > 0; }

void TMapToolHostAdapter::ClearRegionPoints() { w_.Selection().PolyPoints.clear(); }

void TMapToolHostAdapter::FindUnderClick() { FindUnderCursor(w_); }

bool TMapToolHostAdapter::CloseFindDialog()
{
    if (!DlgFind || !DlgFind->isVisible())
        return false;
    DlgFind->close();
    return true;
}
