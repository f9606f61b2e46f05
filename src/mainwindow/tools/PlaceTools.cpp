// The tools that put one thing somewhere else: a node or a centroid dragged
// (chosen with "Mover" or picked in its grid), placed by a Shift+click from the
// grid, and the name of a user polygon dragged.
#include "export/GeoWriters.h"
#include "mainwindow/tools/MapTools.h"
#include "mainwindow/tools/ToolFeedback.h"
#include "map/Polygons.h"
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
void EndGridMove()
{
    NodeMoving = CentroidMoving = false;
    PickedItem = -1;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void SaveCoordinates()
{
    // A failed write is told by the writer, once; the positions stay unsaved.
    KDVlib::WriteCoords();
}

void PlaceCentroid(TMapToolHost& host, int32_t zone, double x, double y)
{
    TZona& z = Zonas[zone];
    z.CentroidX = static_cast<float>(x);
    z.CentroidY = static_cast<float>(y);
    z.HasCentroid = 1;
    host.ShowCentroidPlace(zone);
}

void DrawNodeMarker(TOxrImage& img, const TPoint& p)
{
    XorDraw(img, RedPen(), [&] { img.Circle(p.x, p.y, -NodeSize); });
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
    DrawNodeMarker(host_.MapCanvas(), last_);
}

void TNodeDragTool::Move(const TMapMouse& m)
{
    if (node_ <= 0)
        return;
    TOxrImage& img = host_.MapCanvas();
    DrawNodeMarker(img, last_);
    last_ = {m.x, m.y};
    DrawNodeMarker(img, last_);
    host_.SetStatusPanel(3, SegmentText(press_, last_));
}

void TNodeDragTool::Release(const TMapMouse& m)
{
    host_.SetStatusPanel(3, QString());
    const int32_t n = node_;
    node_ = 0;
    if (n <= Network.NodeCount) {
        double dx = 0, dy = 0;
        KDVlib::PlaceNode(n, m.x, m.y, dx, dy);
        MovedNodes.assign(1, Format("%10d", Nodos[n].Number));
        host_.ShowNodePlace(n);
        if (host_.CommandOn(Cmd::MoverSeleccion) && Services().AskYesNo("¿Desea mover selección?")) {
            KDVlib::ShiftSelectedNodes(n, dx, dy);
            // The carried nodes' rows show their new places too.
            for (int32_t k = 1; k <= Network.NodeCount; ++k)
                if (k != n && Nodos[k].Mark >= 1 && Nodos[k].HasXY)
                    host_.ShowNodePlace(k);
        }
        host_.FollowMovedNodes();
    }
    EndGridMove();
    SaveCoordinates();
    host_.RedrawMap();
    host_.SetCommandOn(Cmd::NodeMove, host_.KeepNodeMoveOn());
}

void TMoveNodeTool::Press(const TMapMouse& m)
{
    // No node under the pointer leaves the drag at 0: the marker shows, nothing moves.
    if (!Dragging())
        Start(host_.HoveredNode(), m.x, m.y);
}

bool TGridNodeDragTool::Claims(const TMapMouse& m) { return NodeMoving && host_.OnGridMoveMarker(m.i, m.j); }

void TGridNodeDragTool::Press(const TMapMouse& m) { Start(PickedItem < 0 ? -PickedItem : PickedItem, m.x, m.y); }

bool TGridNodePlaceTool::Claims(const TMapMouse& m) { return NodeMoving && PickedItem < 0 && m.Shift.Shift(); }

void TGridNodePlaceTool::Press(const TMapMouse& m)
{
    const int32_t record = -PickedItem;
    if (record <= Network.NodeCount) {
        double dx = 0, dy = 0;
        KDVlib::PlaceNode(record, m.x, m.y, dx, dy);
        host_.ShowNodePlace(record);
        // The links at the node follow it, or they would end where it used to be.
        MovedNodes.assign(1, Format("%10d", Nodos[record].Number));
        KDVlib::NewAngles();
    }
    EndGridMove();
    KDVlib::BuildHitGrid();
    SaveCoordinates();
    host_.RedrawMap();
}

// ---- centroids

void TCentroidDragTool::Start(int32_t zone, double x, double y)
{
    zone_ = zone;
    press_ = last_ = {x, y};
    DrawCentroidMarker(host_.MapCanvas(), last_);
}

void TCentroidDragTool::Move(const TMapMouse& m)
{
    if (zone_ <= 0)
        return;
    TOxrImage& img = host_.MapCanvas();
    DrawCentroidMarker(img, last_);
    last_ = {m.x, m.y};
    DrawCentroidMarker(img, last_);
    host_.SetStatusPanel(3, SegmentText(press_, last_));
}

void TCentroidDragTool::Release(const TMapMouse& m)
{
    host_.SetStatusPanel(3, QString());
    const int32_t z = zone_;
    zone_ = 0;
    if (z <= Network.ZoneCount)
        PlaceCentroid(host_, z, m.x, m.y);
    EndGridMove();
    KDVlib::BuildHitGrid();
    SaveCoordinates();
    host_.RedrawMap();
    host_.SetCommandOn(Cmd::ZoneMove, host_.KeepZoneMoveOn());
}

void TMoveCentroidTool::Press(const TMapMouse& m)
{
    if (!Dragging())
        Start(host_.HoveredZone(), m.x, m.y);
}

bool TGridCentroidDragTool::Claims(const TMapMouse& m)
{
    return CentroidMoving && host_.OnGridMoveMarker(m.i, m.j);
}

void TGridCentroidDragTool::Press(const TMapMouse& m)
{
    Start(PickedItem < 0 ? -PickedItem : PickedItem, m.x, m.y);
}

bool TGridCentroidPlaceTool::Claims(const TMapMouse& m)
{
    return CentroidMoving && PickedItem < 0 && m.Shift.Shift();
}

void TGridCentroidPlaceTool::Press(const TMapMouse& m)
{
    const int32_t record = -PickedItem;
    if (record <= Network.ZoneCount)
        PlaceCentroid(host_, record, m.x, m.y);
    EndGridMove();
    KDVlib::BuildHitGrid();
    SaveCoordinates();
    host_.RedrawMap();
}

// ---- polygon names

void TPolygonLabelTool::Press(const TMapMouse& m)
{
    if (polygon_ != 0)
        return;
    polygon_ = host_.HoveredPolygonLabel();
    last_ = {m.x, m.y};
    DrawNodeMarker(host_.MapCanvas(), last_);
}

void TPolygonLabelTool::Move(const TMapMouse& m)
{
    if (polygon_ <= 0)
        return;
    TOxrImage& img = host_.MapCanvas();
    DrawNodeMarker(img, last_);
    last_ = {m.x, m.y};
    DrawNodeMarker(img, last_);
}

void TPolygonLabelTool::Release(const TMapMouse& m)
{
    if (polygon_ <= NumPoligonos) {
        TPoligono& p = Poligonos[static_cast<size_t>(polygon_ - 1)];
        if (p.Points.empty())
            p.Points.resize(1);
        p.Points[0] = {m.x, m.y};
    }
    host_.RedrawMap();
    polygon_ = 0;
}
