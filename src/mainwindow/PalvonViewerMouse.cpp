// The map's mouse: one press handler picks the editing mode from the tool buttons,
// the menu ticks, the modifier keys and what lies under the pointer; the moves draw
// rubber figures in not-xor (drawing a figure twice removes it); the release
// applies the edit of the mode that is active then. The view tools (zoom box, pan,
// magnifier) are the steps of PalvonViewerZoom.cpp, the polygon tools those of
// the polygons file, the shape handles those of PalvonViewerCurve.cpp.
#include "export/GeoWriters.h"
#include "model/FileUtils.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/GeoLayers.h"
#include "map/Polygons.h"
#include "map/ZoomMouse.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/NodeMoves.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/ZelUtilsGeometry.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#include <cmath>
#include <numbers>

using ZelUtils::Format;

namespace {

// The ruler's last click: the fixed end of its rubber line and of the next segment.
TPoint RulerLast;

// Draws with `pen` in not-xor pen mode and a hollow brush.
template <class F>
void XorDraw(TOxrImage& img, const QPen& pen, F draw)
{
    QPainter* c = img.Canvas();
    if (!c)
        return;
    c->save();
    c->setPen(pen);
    c->setBrush(Qt::NoBrush);
    const TPenMode saved = img.PenMode;
    img.PenMode = TPenMode::NotXor;
    draw();
    img.PenMode = saved;
    c->restore();
}

QPen RedPen(Qt::PenStyle style = Qt::SolidLine) { return QPen(QColor(255, 0, 0), 1, style); }

// Length and compass bearing of the segment PressPoint -> LastPoint.
std::string SegmentText()
{
    const double dx = LastPoint.x - PressPoint.x;
    const double dy = LastPoint.y - PressPoint.y;
    double bearing = 90.0 - std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    if (bearing < 0)
        bearing += 360.0;
    return Format("  longitud: %.1fm  dirección: %.1f°", std::hypot(dx, dy), bearing);
}

void SetOverride(Qt::CursorShape shape)
{
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(shape);
    else
        QApplication::setOverrideCursor(shape);
}

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

void EndGridMove()
{
    NodeMoving = CentroidMoving = false;
    PickedItem = -1;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

// The node nearest to the pixel (X, Y) within the reach of its drawn ring, 0 when
// none. Every placed node counts, drawn or not: the node tools find a node where
// the user knows it is whatever layers are shown, and in a dense area the one
// the pointer is on rather than the first of several overlapping rings.
int32_t NodeNearPixel(const TOxrImage& img, int X, int Y)
{
    const double unit = img.UnitsPerPixel();
    if (!(unit > 0.0))
        return 0;
    // Pixel centres, in world units and in floating point at any zoom.
    const double wx = img.PixelToWorldX(X) + 0.5 * unit;
    const double wy = img.PixelToWorldY(Y) - 0.5 * unit;
    const double reach = std::max(NodeSize + 2, 4) * unit;
    double best = reach * reach;
    int32_t found = 0;
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const TNodo& node = Nodos[n];
        if (!node.HasXY)
            continue;
        const double dx = node.X - wx, dy = node.Y - wy;
        const double d = dx * dx + dy * dy;
        if (d <= best) {
            best = d;
            found = n;
        }
    }
    return found;
}

} // namespace

void TPalvonViewer::ConnectMapMouse()
{
    connect(img, &TOxrImage::OnOxrMouseDown, this, &TPalvonViewer::imgOxrMouseDown);
    connect(img, &TOxrImage::OnOxrMouseMove, this, &TPalvonViewer::imgOxrMouseMove);
    connect(img, &TOxrImage::OnOxrMouseUp, this, &TPalvonViewer::imgOxrMouseUp);
    connect(img, &TOxrImage::onMouseMove, this, [this](const TShiftState&, int X, int Y) { imgMouseMove(X, Y); });

    // "Mover" of the node and zone menus: checked by the user, it drags one node
    // or centroid; chosen with Shift held it stays on for further drags.
    QAction* nodeMove = Action(Cmd::NodeMove);
    nodeMove->setCheckable(true);
    QAction* zoneMove = Action(Cmd::ZoneMove);
    zoneMove->setCheckable(true);
    QAction* moveSel = Action(Cmd::MoverSeleccion);
    moveSel->setCheckable(true);
    if (pupNodos) {
        pupNodos->addSeparator();
        pupNodos->addAction(nodeMove);
        pupNodos->addAction(moveSel);
        nodeMove->setVisible(true);
    }
    if (pupZonas) {
        pupZonas->addSeparator();
        pupZonas->addAction(zoneMove);
        zoneMove->setVisible(true);
    }
    Registry().Register(CommandTable::TOwner::MapTools, Cmd::NodeMove, this, &TPalvonViewer::NodeMoveClick);
    Registry().Register(CommandTable::TOwner::MapTools, Cmd::ZoneMove, this, &TPalvonViewer::ZoneMoveClick);
    Registry().Register(CommandTable::TOwner::MapTools, Cmd::tbCurve, this, &TPalvonViewer::tbCurveClick);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::Regla1, [this] {
        img->setCursor(MapToolCursor(1));
        MeasureIndex = 0;
        MeasureCount = 0;
        RulerTotal = 0.0;
        if (sym)
            sym->hide();
        if (Scl)
            Scl->hide();
    });
    CreateMapModeCommands();
}

bool TPalvonViewer::NodeToolOn()
{
    return Down(Cmd::tbShow) || Down(Cmd::tbMixs) ||
           Action(Cmd::NodeMove)->isChecked();
}

void TPalvonViewer::NodeMoveClick() { NodeMoveSticky = ZelUtils::ShiftDown(); }

void TPalvonViewer::ZoneMoveClick() { ZoneMoveSticky = ZelUtils::ShiftDown(); }

// ---------------------------------------------------------------- press

int TPalvonViewer::MousePressMode(Qt::MouseButton Button, const TShiftState& Shift, int i, int j)
{
    int mode = 0;
    if (Down(Cmd::tbMove) || (ProgramOptions().WheelActive && Button == Qt::MiddleButton))
        mode = 1;
    if (Down(Cmd::tbZoom))
        mode = 2;
    if (PolySelectKind > 0)
        mode = 3;
    if (UserPolygonActive)
        mode = 4;
    if (CentroidMoving && PickedItem < 0 && Shift.Shift())
        mode = 5;
    if (CentroidMoving && GridMoveRegion.contains(QPoint(i, j)))
        mode = 6;
    if (NodeMoving && PickedItem < 0 && Shift.Shift())
        mode = 7;
    if (NodeMoving && GridMoveRegion.contains(QPoint(i, j)))
        mode = 8;
    if (PathPick)
        mode = 9;
    if (EditPolygon >= 0)
        mode = 10;
    if (Action(Cmd::NodeMove)->isChecked())
        mode = 11;
    if (Action(Cmd::MoveZon)->isChecked())
        mode = 12;
    if (Down(Cmd::tbShow) && HoverNode > 0)
        mode = 13;
    if (Action(Cmd::smove)->isChecked())
        mode = 14;
    if (Action(Cmd::ZoneMove)->isChecked())
        mode = 15;
    if (HoverCurveLink > 0 && HoverCurveHandle > 0 && Down(Cmd::tbCurve))
        mode = 17;
    if (MeasureIndex >= 0)
        mode = 19;
    if (HoverPolygonLabel > 0)
        mode = 21;
    if (CurveLink > 0 && CurveVertex >= 0)
        mode = 22;
    if (Down(Cmd::tbStreet))
        mode = 23;
    if (Down(Cmd::tbMixs) && HoverNode > 0)
        mode = 24;
    if (Down(Cmd::tbColapsar) && (ZelUtils::CtrlDown() || ZelUtils::ShiftDown()))
        mode = 25;
    return mode;
}

void TPalvonViewer::imgOxrMouseDown(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y)
{
    LastDownI = i;
    LastDownJ = j;
    LastDownX = x;
    LastDownY = y;
    // The double click finds what lies under this pixel.
    ClickPixX = i;
    ClickPixY = j;
    // The second press of a double click belongs to the double click (imgDblClick).
    if (Shift.Double)
        return;
    // The node under the press itself, should no move have reached the map since
    // the tool was chosen.
    if (NodeToolOn())
        HoverNode = NodeNearPixel(*img, i, j);
    // A fresh press: should the double click's own release have gone to a box the
    // double click opened (the polygon's name), it must not swallow this one's.
    DblClickHandled = false;
    const int mode = MousePressMode(Button, Shift, i, j);
    if (StartViewGesture(mode, Button, Shift, i, j, x, y))
        return;
    const TPoint press{x, y};
    switch (mode) {
    case 3:
        if (Button != Qt::LeftButton)
            break;
        PolyPoints << QPointF(x, y);
        if (QPainter* c = img->Canvas()) {
            c->save();
            c->setPen(QPen(DisplayStyles::ToQColor(RegionOutlineColor), 1, Qt::DashLine));
            if (PolyPoints.size() == 1)
                img->MoveToW(x, y);
            else
                img->LineToW(x, y);
            c->restore();
        }
        LastPoint = press;
        break;
    case 4:
        AddPolygonClickPoint(x, y);
        LastPoint = press;
        break;
    case 5:
    case 7: {
        // A Shift+click places the centroid or node at once.
        const int32_t record = -PickedItem;
        if (mode == 5 && record <= Network.ZoneCount) {
            TZona& zone = Zonas[record];
            zone.CentroidX = static_cast<float>(x);
            zone.CentroidY = static_cast<float>(y);
            zone.HasCentroid = 1;
            if (sagZonas && record < sagZonas->RowCount()) {
                sagZonas->setCell(1, record, Format(XYFormat.c_str(), double(zone.CentroidX)));
                sagZonas->setCell(2, record, Format(XYFormat.c_str(), double(zone.CentroidY)));
            }
        } else if (mode == 7 && record <= Network.NodeCount) {
            double dx = 0, dy = 0;
            KDVlib::PlaceNode(record, x, y, dx, dy);
            const TNodo& node = Nodos[record];
            if (sagNodos && record < sagNodos->RowCount()) {
                sagNodos->setCell(1, record, ZelUtils::Trim(Format(XYFormat.c_str(), double(node.X))));
                sagNodos->setCell(2, record, ZelUtils::Trim(Format(XYFormat.c_str(), double(node.Y))));
            }
            // The links at the node follow it, or they would end where it used to be.
            MovedNodes.assign(1, Format("%10d", node.Number));
            KDVlib::NewAngles();
        }
        EndGridMove();
        KDVlib::BuildHitGrid();
        if (!KDVlib::WriteCoords())
            Services().ShowMessage(FileUtils::WriteFailure(CoordinatesFileName));
        DrawPalvon();
        break;
    }
    case 6:
    case 8: {
        const int32_t record = PickedItem < 0 ? -PickedItem : PickedItem;
        LastPoint = press;
        PressPoint = press;
        if (mode == 6) {
            DragCentroid = record;
            XorDraw(*img, RedPen(), [&] { img->PolylineArraysB(10, x, y); });
        } else {
            DragNode = record;
            XorDraw(*img, RedPen(), [&] { img->Circle(x, y, -NodeSize); });
        }
        break;
    }
    case 9: {
        const int32_t n = KDVlib::NearestNode(x, y);
        if (n >= 1 && n <= Network.NodeCount) {
            const QColor mark = DisplayStyles::ToQColor(ProgramOptions().SeleccionColor);
            XorDraw(*img, QPen(mark, 1), [&] { img->Circle(Nodos[n].X, Nodos[n].Y, -(NodeSize + 2)); });
        }
        if (!PathFirstDone) {
            KDVlib::PathFrom = n;
            PathFirstDone = true;
            img->setCursor(Qt::DragMoveCursor);
            break;
        }
        KDVlib::PathTo = n;
        PathPick = PathFirstDone = false;
        img->unsetCursor();
        {
            TWaitCursor wait;
            KDVlib::RutaMinima(KDVlib::PathFrom, KDVlib::PathTo, 0);
        }
        FillPathGrid(false);
        break;
    }
    case 10: {
        EditHandle = PickPolygonHandle(i, j);
        if (EditHandle <= 0)
            break;
        const bool vertex =
            EditHandle < static_cast<int32_t>(EditHandleIsVertex.size()) && EditHandleIsVertex[EditHandle];
        if (Shift.Shift() && vertex) {
            DeletePolygonVertex(EditHandle);
            EditHandle = 0;
            break;
        }
        LastPoint = press;
        // Shift on a midpoint starts its drag as a plain press does, without the
        // rubber lines at the press.
        if (Shift.Shift())
            break;
        int32_t prev = 0, next = 0;
        HandleNeighbours(EditHandle, prev, next);
        XorDraw(*img, RedPen(), [&] {
            if (prev > 0 && prev < EditHandles.size())
                img->LineW(EditHandles[prev].x(), EditHandles[prev].y(), x, y);
            if (next > 0 && next < EditHandles.size())
                img->LineW(x, y, EditHandles[next].x(), EditHandles[next].y());
        });
        break;
    }
    case 11:
        if (DragNode == 0) {
            // No node under the pointer leaves the drag at 0: the marker shows, nothing moves.
            DragNode = HoverNode;
            PressPoint = LastPoint = press;
            XorDraw(*img, RedPen(), [&] { img->Circle(x, y, -NodeSize); });
        }
        break;
    case 12:
        if (!ZoningMove) {
            ZoningMove = true;
            PressPoint = LastPoint = press;
            XorDraw(*img, RedPen(Qt::DashLine), [&] { img->LineW(x, y, x, y); });
        }
        break;
    case 13:
        ShowPhaseWindow(HoverNode);
        break;
    case 14:
        if (!LayerMove) {
            LayerMove = true;
            PressPoint = LastPoint = press;
            XorDraw(*img, RedPen(Qt::DashLine), [&] { img->LineW(x, y, x, y); });
        }
        break;
    case 15:
        if (DragCentroid == 0) {
            DragCentroid = HoverZone;
            PressPoint = LastPoint = press;
            XorDraw(*img, RedPen(), [&] { img->PolylineArraysB(10, x, y); });
        }
        break;
    case 17:
    case 22:
        CurvePress(mode, x, y);
        break;
    case 19:
        ++MeasureCount;
        MeasureIndex = MeasureCount;
        if (QPainter* c = img->Canvas()) {
            c->save();
            c->setPen(RedPen(Qt::DashLine));
            if (MeasureCount == 1) {
                img->MoveToW(x, y);
            } else {
                img->LineToW(x, y);
                const double d = std::hypot(x - RulerLast.x, y - RulerLast.y);
                RulerTotal += d;
                StatusPanels[3]->setText(Qs(Format("distancia: %.2f, acumulada: %.2f", d, RulerTotal)));
            }
            c->restore();
        }
        RulerLast = LastPoint = press;
        break;
    case 21:
        if (DragPolygonLabel == 0) {
            DragPolygonLabel = HoverPolygonLabel;
            PressPoint = LastPoint = press;
            XorDraw(*img, RedPen(), [&] { img->Circle(x, y, -NodeSize); });
        }
        break;
    case 23:
        ClickPixX = i;
        ClickPixY = j;
        StreetViewPalvon();
        SetDown(Cmd::tbStreet, false);
        break;
    case 24:
        ShowFlowDiagram(HoverNode);
        break;
    case 25:
        CollapseOn = true;
        PressPoint = LastPoint = press;
        CollapseRadius = 0.0;
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- moves

void TPalvonViewer::imgOxrMouseMove(const TShiftState&, int i, int j, double x, double y)
{
    const TPoint now{x, y};
    if (CollapseOn) {
        XorDraw(*img, RedPen(Qt::DotLine), [&] { img->Circle(PressPoint.x, PressPoint.y, CollapseRadius); });
        CollapseRadius = std::hypot(x - PressPoint.x, y - PressPoint.y);
        XorDraw(*img, RedPen(Qt::DotLine), [&] { img->Circle(PressPoint.x, PressPoint.y, CollapseRadius); });
    }
    FollowMagnifierAndPan(i, j);
    // A move started from a grid: the hand over the marker, "no" elsewhere.
    if ((CentroidMoving || NodeMoving) && PickedItem < 0)
        SetOverride(GridMoveRegion.contains(QPoint(i, j)) ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    if (DragCentroid > 0) {
        XorDraw(*img, RedPen(), [&] { img->PolylineArraysB(10, LastPoint.x, LastPoint.y); });
        LastPoint = now;
        XorDraw(*img, RedPen(), [&] { img->PolylineArraysB(10, LastPoint.x, LastPoint.y); });
        StatusPanels[3]->setText(Qs(SegmentText()));
    }
    if (DragNode > 0) {
        XorDraw(*img, RedPen(), [&] { img->Circle(LastPoint.x, LastPoint.y, -NodeSize); });
        LastPoint = now;
        XorDraw(*img, RedPen(), [&] { img->Circle(LastPoint.x, LastPoint.y, -NodeSize); });
        StatusPanels[3]->setText(Qs(SegmentText()));
    }
    if (DragPolygonLabel > 0) {
        XorDraw(*img, RedPen(), [&] { img->Circle(LastPoint.x, LastPoint.y, -NodeSize); });
        LastPoint = now;
        XorDraw(*img, RedPen(), [&] { img->Circle(LastPoint.x, LastPoint.y, -NodeSize); });
    }
    CurveFollow(x, y);
    auto rubberLine = [&](double x0, double y0, const QColor& color) {
        const QPen pen(color, 1, Qt::DashLine);
        XorDraw(*img, pen, [&] { img->LineW(x0, y0, LastPoint.x, LastPoint.y); });
        LastPoint = now;
        XorDraw(*img, pen, [&] { img->LineW(x0, y0, LastPoint.x, LastPoint.y); });
    };
    if ((PolySelectKind >= 1 || UserPolygonActive) && !PolyPoints.isEmpty())
        rubberLine(PolyPoints.last().x(), PolyPoints.last().y(), DisplayStyles::ToQColor(RegionOutlineColor));
    if (MeasureIndex >= 0 && MeasureCount >= 1)
        rubberLine(RulerLast.x, RulerLast.y, QColor(255, 0, 0));
    if (EditHandle > 0) {
        int32_t prev = 0, next = 0;
        HandleNeighbours(EditHandle, prev, next);
        auto lines = [&] {
            if (prev > 0 && prev < EditHandles.size())
                img->LineW(EditHandles[prev].x(), EditHandles[prev].y(), LastPoint.x, LastPoint.y);
            if (next > 0 && next < EditHandles.size())
                img->LineW(LastPoint.x, LastPoint.y, EditHandles[next].x(), EditHandles[next].y());
        };
        XorDraw(*img, RedPen(), lines);
        LastPoint = now;
        XorDraw(*img, RedPen(), lines);
    }
    if (ZoningMove || LayerMove) {
        XorDraw(*img, RedPen(Qt::DashLine), [&] { img->LineW(PressPoint.x, PressPoint.y, LastPoint.x, LastPoint.y); });
        LastPoint = now;
        XorDraw(*img, RedPen(Qt::DashLine), [&] { img->LineW(PressPoint.x, PressPoint.y, LastPoint.x, LastPoint.y); });
        StatusPanels[3]->setText(Qs(SegmentText()));
    }
    if (Network.NodeCount > 0) {
        StatusPanels[1]->setText(Qs(Format("%5d,%5d", i, j)));
        StatusPanels[2]->setText(Qs(Format("%10.2f,%10.2f", x, y)));
        if (RubberBand)
            FollowZoomBox(x, y);
    }
}

// ---------------------------------------------------------------- release

int TPalvonViewer::MouseReleaseMode(Qt::MouseButton Button)
{
    int mode = 0;
    if (ZoomFollow || Button == Qt::MiddleButton)
        mode = 1;
    if (Panning)
        mode = 2;
    if (DragCentroid > 0)
        mode = 3;
    if (DragNode > 0)
        mode = 4;
    if (RubberBand)
        mode = 5;
    if (EditHandle > 0)
        mode = 6;
    if (ZoningMove)
        mode = 12;
    if (LayerMove)
        mode = 14;
    if (HoverCurveLink > 0 && HoverCurveHandle > 0 && CurveDrag > 0)
        mode = 17;
    if (DragPolygonLabel > 0)
        mode = 21;
    if (CurveLink > 0 && CurveVertex >= 0 && CurveVertexDrag)
        mode = 22;
    if (CollapseOn)
        mode = 25;
    return mode;
}

void TPalvonViewer::imgOxrMouseUp(Qt::MouseButton Button, const TShiftState&, int, int j, double x, double y)
{
    if (DblClickHandled) {
        DblClickHandled = false;
        return;
    }
    const int mode = MouseReleaseMode(Button);
    switch (mode) {
    case 1:
        EndMagnifier();
        break;
    case 2:
        EndPan();
        break;
    case 3: {
        StatusPanels[3]->clear();
        const int32_t z = DragCentroid;
        DragCentroid = 0;
        if (z <= Network.ZoneCount) {
            TZona& zone = Zonas[z];
            zone.CentroidX = static_cast<float>(x);
            zone.CentroidY = static_cast<float>(y);
            zone.HasCentroid = 1;
            if (sagZonas && z < sagZonas->RowCount()) {
                sagZonas->setCell(1, z, Format(XYFormat.c_str(), double(zone.CentroidX)));
                sagZonas->setCell(2, z, Format(XYFormat.c_str(), double(zone.CentroidY)));
            }
        }
        EndGridMove();
        KDVlib::BuildHitGrid();
        if (!KDVlib::WriteCoords())
            Services().ShowMessage(FileUtils::WriteFailure(CoordinatesFileName));
        DrawPalvon();
        Action(Cmd::ZoneMove)->setChecked(ZoneMoveSticky);
        break;
    }
    case 4: {
        StatusPanels[3]->clear();
        const int32_t n = DragNode;
        DragNode = 0;
        if (n <= Network.NodeCount) {
            double dx = 0, dy = 0;
            KDVlib::PlaceNode(n, x, y, dx, dy);
            MovedNodes.assign(1, Format("%10d", Nodos[n].Number));
            auto showPlace = [this](int32_t k) {
                if (sagNodos && k < sagNodos->RowCount()) {
                    sagNodos->setCell(1, k, ZelUtils::Trim(Format(XYFormat.c_str(), double(Nodos[k].X))));
                    sagNodos->setCell(2, k, ZelUtils::Trim(Format(XYFormat.c_str(), double(Nodos[k].Y))));
                }
            };
            showPlace(n);
            if (Action(Cmd::MoverSeleccion)->isChecked() &&
                Services().AskYesNo("¿Desea mover selección?")) {
                KDVlib::ShiftSelectedNodes(n, dx, dy);
                // The carried nodes' rows show their new places too.
                for (int32_t k = 1; k <= Network.NodeCount; ++k)
                    if (k != n && Nodos[k].Mark >= 1 && Nodos[k].HasXY)
                        showPlace(k);
            }
            NewAngles();
        }
        EndGridMove();
        if (!KDVlib::WriteCoords())
            Services().ShowMessage(FileUtils::WriteFailure(CoordinatesFileName));
        DrawPalvon();
        Action(Cmd::NodeMove)->setChecked(NodeMoveSticky);
        break;
    }
    case 5:
        EndZoomBox(j);
        break;
    case 6: {
        int32_t prev = 0, next = 0;
        HandleNeighbours(EditHandle, prev, next);
        XorDraw(*img, RedPen(), [&] {
            if (prev > 0 && prev < EditHandles.size())
                img->LineW(EditHandles[prev].x(), EditHandles[prev].y(), LastPoint.x, LastPoint.y);
            if (next > 0 && next < EditHandles.size())
                img->LineW(LastPoint.x, LastPoint.y, EditHandles[next].x(), EditHandles[next].y());
        });
        DropPolygonHandle(x, y, ZelUtils::CtrlDown() && ZelUtils::AltDown());
        break;
    }
    case 12: {
        ZoningMove = false;
        Action(Cmd::MoveZon)->setChecked(false);
        XorDraw(*img, RedPen(Qt::DashLine), [&] { img->LineW(PressPoint.x, PressPoint.y, LastPoint.x, LastPoint.y); });
        StatusPanels[3]->clear();
        const double dx = x - PressPoint.x, dy = y - PressPoint.y;
        // The outline and the point each zone keeps after it move together.
        for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
            TZona& zone = Zonas[z];
            const size_t last = std::min(static_cast<size_t>(std::max(zone.PolygonCount, 0)) + 1,
                                         zone.Polygon.empty() ? 0 : zone.Polygon.size() - 1);
            for (size_t k = 1; k <= last; ++k) {
                zone.Polygon[k].x += dx;
                zone.Polygon[k].y += dy;
            }
        }
        DrawPalvon();
        break;
    }
    case 14: {
        LayerMove = false;
        Action(Cmd::smove)->setChecked(false);
        XorDraw(*img, RedPen(Qt::DashLine), [&] { img->LineW(PressPoint.x, PressPoint.y, LastPoint.x, LastPoint.y); });
        StatusPanels[3]->clear();
        // Which layers move: "Qué mover" (later items override); none by default.
        int which = 0;
        if (Action(Cmd::mSoleraTodo)->isChecked())
            which = 1;
        if (Action(Cmd::mSoleraVisi)->isChecked())
            which = 2;
        if (Action(Cmd::mSoleraSele)->isChecked())
            which = 3;
        const double dx = x - PressPoint.x, dy = y - PressPoint.y;
        bool moved = false;
        for (int32_t layer = 1; which > 0 && layer <= NumGeoLayers; ++layer) {
            if ((which == 2 && !GeoLayerVisible[layer]) || (which == 3 && !GeoLayerSelected[layer]))
                continue;
            for (int32_t k = GeoLayerEnd[layer - 1] + 1; k <= GeoLayerEnd[layer]; ++k) {
                GeoLink& g = GeoLinks[k];
                for (TPoint& p : g.Points) {
                    p.x += dx;
                    p.y += dy;
                }
                // The name goes with its polyline.
                g.LabelPos.x += dx;
                g.LabelPos.y += dy;
                moved = true;
            }
        }
        if (moved && !KDVlib::WriteGeo())
            Services().ShowMessage("No se pudieron grabar las capas de fondo");
        DrawPalvon();
        break;
    }
    case 17:
    case 22:
        CurveRelease(mode, x, y);
        break;
    case 25:
        XorDraw(*img, RedPen(Qt::DotLine), [&] { img->Circle(PressPoint.x, PressPoint.y, CollapseRadius); });
        CollapseOn = false;
        ColapsarVertices(PressPoint.x, PressPoint.y, CollapseRadius);
        DrawPalvon();
        break;
    case 21:
        if (DragPolygonLabel <= NumPoligonos) {
            TPoligono& p = Poligonos[static_cast<size_t>(DragPolygonLabel - 1)];
            if (p.Points.empty())
                p.Points.resize(1);
            p.Points[0] = {x, y};
        }
        DrawPalvon();
        DragPolygonLabel = 0;
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- hover

void TPalvonViewer::imgMouseMove(int X, int Y)
{
    if (Action(Cmd::ZoneMove)->isChecked()) {
        HoverZone = 0;
        img->unsetCursor();
        for (int32_t z = 1; z <= Network.ZoneCount; ++z)
            if (ZoneHitRegions[z].Contains(X, Y)) {
                HoverZone = z;
                img->setCursor(Qt::SizeAllCursor);
                return;
            }
    }
    if (NodeToolOn()) {
        HoverNode = NodeNearPixel(*img, X, Y);
        if (HoverNode > 0) {
            img->setCursor(Qt::WhatsThisCursor);
            return;
        }
        img->unsetCursor();
    }
    bool hit = false;
    CurveHover(X, Y, hit);
    if (hit)
        return;
    if (Action(Cmd::MostrarNombresPlg)->isChecked() && Down(Cmd::tbPoligonos)) {
        HoverPolygonLabel = 0;
        img->unsetCursor();
        for (int32_t k = 0; k < NumPoligonos; ++k)
            if (Poligonos[static_cast<size_t>(k)].LabelRegion.contains(QPoint(X, Y))) {
                HoverPolygonLabel = k + 1;
                img->setCursor(Qt::SizeAllCursor);
                return;
            }
    }
    if (EditPolygon >= 0 || UserPolygonActive) {
        img->unsetCursor();
        if (SnapTargetAt(X, Y) > 0) {
            img->setCursor(Qt::SizeAllCursor);
            return;
        }
    }
    if (Action(Cmd::SeleccionarPoligono)->isChecked()) {
        PolygonUnderCursor = 0;
        img->unsetCursor();
        for (int32_t k = 0; k < NumPoligonos; ++k)
            if (Poligonos[static_cast<size_t>(k)].PolygonRegion.contains(QPoint(X, Y))) {
                PolygonUnderCursor = k + 1;
                img->setCursor(Qt::SizeAllCursor);
                return;
            }
    }
}

void TPalvonViewer::NewAngles()
{
    if (!KDVlib::NewAngles())
        return;
    // Many nodes moved: the extent changed, and the view shows all of it.
    if (img)
        img->SetWorld(WorldMinX, WorldMinY, WorldMaxX, WorldMaxY);
}
