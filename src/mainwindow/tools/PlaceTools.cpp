// The tools that put one thing somewhere else: a node or a centroid dragged
// (chosen with "Mover" or picked in its grid), placed by a Shift+click from the
// grid, and the name of a user polygon dragged.
#include "export/GeoWriters.h"
#include "mainwindow/tools/MapTools.h"
#include "mainwindow/tools/ToolFeedback.h"
#include "map/Polygons.h"
#include "map/ZoomHistory.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/NodeMoves.h"
#include "model/ViewerServices.h"

#include <QApplication>

using namespace MapToolFeedback;
using ZelUtils::Format;

namespace {

// The move started from a grid is over.
void EndGridMove(TPalvonViewer& viewer)
{
    viewer.Grids().EndGridPick();
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void SaveCoordinates()
{
    // A failed write is told by the writer, once; the positions stay unsaved.
    KDVlib::WriteCoords();
}

void PlaceCentroid(TPalvonViewer& viewer, int32_t zone, double x, double y)
{
    TZona& z = Zonas[zone];
    z.CentroidX = static_cast<float>(x);
    z.CentroidY = static_cast<float>(y);
    z.HasCentroid = 1;
    viewer.Grids().ShowCentroidPlace(zone);
}

void DrawNodeMarker(TOxrImage& img, const TPoint& p)
{
    XorDraw(img, RedPen(), [&] { img.Circle(p.x, p.y, -UserView().NodeSize); });
}

void DrawCentroidMarker(TOxrImage& img, const TPoint& p)
{
    XorDraw(img, RedPen(), [&] { img.PolylineArraysB(10, p.x, p.y); });
}

} // namespace

// ---- nodes

void TNodeDragTool::Start(int32_t node, double x, double y)
{
    node_ = node;
    press_ = last_ = {x, y};
    DrawNodeMarker(*viewer_.img, last_);
}

void TNodeDragTool::Move(const TMapMouse& m)
{
    if (node_ <= 0)
        return;
    TOxrImage& img = *viewer_.img;
    DrawNodeMarker(img, last_);
    last_ = {m.x, m.y};
    DrawNodeMarker(img, last_);
    viewer_.SetStatusPanel(3, SegmentText(press_, last_));
}

void TNodeDragTool::Release(const TMapMouse& m)
{
    viewer_.SetStatusPanel(3, QString());
    const int32_t n = node_;
    node_ = 0;
    // A click that never left the pixel it pressed is no drag: the node stays where
    // it is, not at the pixel clicked (up to its ring's reach away from it).
    const bool moved = m.x != press_.x || m.y != press_.y;
    if (moved && n <= Network.NodeCount) {
        double dx = 0, dy = 0;
        KDVlib::PlaceNode(n, m.x, m.y, dx, dy);
        MovedNodes.assign(1, Format("%10d", Nodos[n].Number));
        viewer_.Grids().ShowNodePlace(n);
        if (viewer_.CommandOn(Cmd::MoverSeleccion) && Services().AskYesNo("¿Desea mover selección?")) {
            KDVlib::ShiftSelectedNodes(n, dx, dy);
            // The carried nodes' rows show their new places too.
            for (int32_t k = 1; k <= Network.NodeCount; ++k)
                if (k != n && Nodos[k].Mark >= 1 && Nodos[k].HasXY)
                    viewer_.Grids().ShowNodePlace(k);
        }
        viewer_.MapEdit().NewAngles();
    }
    EndGridMove(viewer_);
    if (moved)
        SaveCoordinates();
    viewer_.RedrawMap();
    viewer_.SetCommandOn(Cmd::NodeMove, viewer_.MapEdit().NodeMoveSticky);
}

void TMoveNodeTool::Press(const TMapMouse& m)
{
    // No node under the pointer leaves the drag at 0: the marker shows, nothing moves.
    if (!Dragging())
        Start(viewer_.MapEdit().HoverNode, m.x, m.y);
}

bool TGridNodeDragTool::Claims(const TMapMouse& m)
{
    return viewer_.Grids().NodeMoving && viewer_.Grids().GridMoveRegion.contains(QPoint(m.i, m.j));
}

void TGridNodeDragTool::Press(const TMapMouse& m) { Start(viewer_.Grids().PickedItem < 0 ? -viewer_.Grids().PickedItem : viewer_.Grids().PickedItem, m.x, m.y); }

bool TGridNodePlaceTool::Claims(const TMapMouse& m) { return viewer_.Grids().NodeMoving && viewer_.Grids().PickedItem < 0 && m.Shift.Shift(); }

void TGridNodePlaceTool::Press(const TMapMouse& m)
{
    const int32_t record = -viewer_.Grids().PickedItem;
    if (record <= Network.NodeCount) {
        double dx = 0, dy = 0;
        KDVlib::PlaceNode(record, m.x, m.y, dx, dy);
        viewer_.Grids().ShowNodePlace(record);
        // The links at the node follow it, or they would end where it used to be.
        MovedNodes.assign(1, Format("%10d", Nodos[record].Number));
        TZoomSlot extent;
        if (KDVlib::NewAngles(UserView().Lanes, extent))
            Zoom::NetworkExtentChanged(extent);
    }
    EndGridMove(viewer_);
    KDVlib::BuildHitGrid();
    SaveCoordinates();
    viewer_.RedrawMap();
}

// ---- centroids

void TCentroidDragTool::Start(int32_t zone, double x, double y)
{
    zone_ = zone;
    press_ = last_ = {x, y};
    DrawCentroidMarker(*viewer_.img, last_);
}

void TCentroidDragTool::Move(const TMapMouse& m)
{
    if (zone_ <= 0)
        return;
    TOxrImage& img = *viewer_.img;
    DrawCentroidMarker(img, last_);
    last_ = {m.x, m.y};
    DrawCentroidMarker(img, last_);
    viewer_.SetStatusPanel(3, SegmentText(press_, last_));
}

void TCentroidDragTool::Release(const TMapMouse& m)
{
    viewer_.SetStatusPanel(3, QString());
    const int32_t z = zone_;
    zone_ = 0;
    // A click that never left its pixel moves nothing (see the node's).
    const bool moved = m.x != press_.x || m.y != press_.y;
    if (moved && z <= Network.ZoneCount)
        PlaceCentroid(viewer_, z, m.x, m.y);
    EndGridMove(viewer_);
    KDVlib::BuildHitGrid();
    if (moved)
        SaveCoordinates();
    viewer_.RedrawMap();
    viewer_.SetCommandOn(Cmd::ZoneMove, viewer_.MapEdit().ZoneMoveSticky);
}

void TMoveCentroidTool::Press(const TMapMouse& m)
{
    if (!Dragging())
        Start(viewer_.MapEdit().HoverZone, m.x, m.y);
}

bool TGridCentroidDragTool::Claims(const TMapMouse& m)
{
    return viewer_.Grids().CentroidMoving && viewer_.Grids().GridMoveRegion.contains(QPoint(m.i, m.j));
}

void TGridCentroidDragTool::Press(const TMapMouse& m)
{
    Start(viewer_.Grids().PickedItem < 0 ? -viewer_.Grids().PickedItem : viewer_.Grids().PickedItem, m.x, m.y);
}

bool TGridCentroidPlaceTool::Claims(const TMapMouse& m)
{
    return viewer_.Grids().CentroidMoving && viewer_.Grids().PickedItem < 0 && m.Shift.Shift();
}

void TGridCentroidPlaceTool::Press(const TMapMouse& m)
{
    const int32_t record = -viewer_.Grids().PickedItem;
    if (record <= Network.ZoneCount)
        PlaceCentroid(viewer_, record, m.x, m.y);
    EndGridMove(viewer_);
    KDVlib::BuildHitGrid();
    SaveCoordinates();
    viewer_.RedrawMap();
}

// ---- polygon names

void TPolygonLabelTool::Press(const TMapMouse& m)
{
    if (polygon_ != 0)
        return;
    polygon_ = viewer_.MapEdit().HoverPolygonLabel;
    press_ = last_ = {m.x, m.y};
    DrawNodeMarker(*viewer_.img, last_);
}

void TPolygonLabelTool::Move(const TMapMouse& m)
{
    if (polygon_ <= 0)
        return;
    TOxrImage& img = *viewer_.img;
    DrawNodeMarker(img, last_);
    last_ = {m.x, m.y};
    DrawNodeMarker(img, last_);
}

void TPolygonLabelTool::Release(const TMapMouse& m)
{
    // A click that never left its pixel moves no name (see the node's).
    const bool moved = m.x != press_.x || m.y != press_.y;
    if (moved && polygon_ <= NumPoligonos) {
        TPoligono& p = Poligonos[static_cast<size_t>(polygon_ - 1)];
        if (p.Points.empty())
            p.Points.resize(1);
        p.Points[0] = {m.x, m.y};
    }
    viewer_.RedrawMap();
    polygon_ = 0;
}
