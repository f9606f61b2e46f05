// The map's mouse as the window sees it: the canvas's events reach the map tools
// (src/mainwindow/tools), MapToolForPress chooses the tool of a press from the
// tool buttons, the menu ticks, the modifier keys and what lies under the
// pointer; the hover finds what lies under the pointer; and the window answers
// what the tools ask of it (TMapToolHost).
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/tools/MapTools.h"
#include "widgets/StringAlignGrid.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/Polygons.h"
#include "map/ZoomMouse.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/NodeMoves.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>

#include <algorithm>

using ZelUtils::Format;

namespace {

void SetOverride(Qt::CursorShape shape)
{
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(shape);
    else
        QApplication::setOverrideCursor(shape);
}

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

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
        MapTools().Ruler().Arm();
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

TMapTools& TPalvonViewer::MapTools()
{
    if (!mapTools_)
        mapTools_ = std::make_shared<TMapTools>(*this);
    return *mapTools_;
}

// ---------------------------------------------------------------- press

TMapToolMode TPalvonViewer::MapToolForPress(Qt::MouseButton Button, const TShiftState& Shift, int i, int j)
{
    using M = TMapToolMode;
    M mode = M::ZoomBox;
    if (Down(Cmd::tbMove) || (ProgramOptions().WheelActive && Button == Qt::MiddleButton))
        mode = M::Pan;
    if (Down(Cmd::tbZoom))
        mode = M::Magnifier;
    if (PolySelectKind > 0)
        mode = M::SelectRegion;
    if (UserPolygonActive)
        mode = M::DrawPolygon;
    if (CentroidMoving && PickedItem < 0 && Shift.Shift())
        mode = M::GridCentroidPlace;
    if (CentroidMoving && Grids().GridMoveRegion.contains(QPoint(i, j)))
        mode = M::GridCentroidDrag;
    if (NodeMoving && PickedItem < 0 && Shift.Shift())
        mode = M::GridNodePlace;
    if (NodeMoving && Grids().GridMoveRegion.contains(QPoint(i, j)))
        mode = M::GridNodeDrag;
    if (MapTools().Path().Armed())
        mode = M::PathPick;
    if (EditPolygon >= 0)
        mode = M::EditPolygon;
    if (Action(Cmd::NodeMove)->isChecked())
        mode = M::MoveNode;
    if (Action(Cmd::MoveZon)->isChecked())
        mode = M::MoveZoning;
    if (Down(Cmd::tbShow) && HoverNode > 0)
        mode = M::Phases;
    if (Action(Cmd::smove)->isChecked())
        mode = M::MoveLayers;
    if (Action(Cmd::ZoneMove)->isChecked())
        mode = M::MoveCentroid;
    if (HoverCurveLink > 0 && HoverCurveHandle > 0 && Down(Cmd::tbCurve))
        mode = M::CurveHandle;
    if (MeasureIndex >= 0)
        mode = M::Ruler;
    if (HoverPolygonLabel > 0)
        mode = M::PolygonLabel;
    if (CurveLink > 0 && CurveVertex >= 0)
        mode = M::ShapeVertex;
    if (Down(Cmd::tbStreet))
        mode = M::StreetView;
    if (Down(Cmd::tbMixs) && HoverNode > 0)
        mode = M::FlowDiagram;
    if (Down(Cmd::tbColapsar) && (ZelUtils::CtrlDown() || ZelUtils::ShiftDown()))
        mode = M::Collapse;
    return mode;
}

void TPalvonViewer::imgOxrMouseDown(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y)
{
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
    MapTools().Tool(MapToolForPress(Button, Shift, i, j)).Press(TMapMouse{Button, Shift, i, j, x, y});
}

// ---------------------------------------------------------------- moves

void TPalvonViewer::imgOxrMouseMove(const TShiftState& Shift, int i, int j, double x, double y)
{
    // A move started from a grid: the hand over the marker, "no" elsewhere.
    if ((CentroidMoving || NodeMoving) && PickedItem < 0)
        SetOverride(Grids().GridMoveRegion.contains(QPoint(i, j)) ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    MapTools().Move(TMapMouse{Qt::NoButton, Shift, i, j, x, y});
    if (Network.NodeCount > 0) {
        StatusPanels[1]->setText(Qs(Format("%5d,%5d", i, j)));
        StatusPanels[2]->setText(Qs(Format("%10.2f,%10.2f", x, y)));
    }
}

// ---------------------------------------------------------------- release

void TPalvonViewer::imgOxrMouseUp(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y)
{
    if (DblClickHandled) {
        DblClickHandled = false;
        return;
    }
    if (TMapTool* tool = MapTools().ReleaseTool(Button))
        tool->Release(TMapMouse{Button, Shift, i, j, x, y});
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

// ---------------------------------------------------------------- what the tools ask

TOxrImage& TPalvonViewer::MapCanvas() { return *img; }

void TPalvonViewer::RedrawMap() { drawing_.DrawPalvon(); }

QWidget* TPalvonViewer::DialogParent() { return this; }

void TPalvonViewer::SetStatusPanel(int panel, const QString& text)
{
    if (text.isEmpty())
        StatusPanels[panel]->clear();
    else
        StatusPanels[panel]->setText(text);
}

bool TPalvonViewer::CommandOn(TCommandId id) { return Action(id)->isChecked(); }

void TPalvonViewer::SetCommandOn(TCommandId id, bool on) { SetDown(id, on); }

void TPalvonViewer::ShowNodePlace(int32_t node)
{
    if (sagNodos && node < sagNodos->RowCount()) {
        sagNodos->setCell(1, node, ZelUtils::Trim(Format(XYFormat.c_str(), double(Nodos[node].X))));
        sagNodos->setCell(2, node, ZelUtils::Trim(Format(XYFormat.c_str(), double(Nodos[node].Y))));
    }
}

void TPalvonViewer::ShowCentroidPlace(int32_t zone)
{
    if (sagZonas && zone < sagZonas->RowCount()) {
        sagZonas->setCell(1, zone, Format(XYFormat.c_str(), double(Zonas[zone].CentroidX)));
        sagZonas->setCell(2, zone, Format(XYFormat.c_str(), double(Zonas[zone].CentroidY)));
    }
}

void TPalvonViewer::FollowMovedNodes() { NewAngles(); }

void TPalvonViewer::ShowPhasesOf(int32_t node) { ShowPhaseWindow(node); }

void TPalvonViewer::ShowFlowDiagramOf(int32_t node) { analysis_.ShowFlowDiagram(node); }

void TPalvonViewer::ShowStreetViewOfClick() { MapView().StreetViewPalvon(); }

void TPalvonViewer::ShowPickedPath() { analysis_.FillPathGrid(false); }

QColor TPalvonViewer::PickMarkColor()
{
    return DisplayStyles::ToQColor(ProgramOptions().SeleccionColor);
}

int32_t TPalvonViewer::HoveredNode() { return HoverNode; }

int32_t TPalvonViewer::HoveredZone() { return HoverZone; }

int32_t TPalvonViewer::HoveredPolygonLabel() { return HoverPolygonLabel; }

bool TPalvonViewer::KeepNodeMoveOn() { return NodeMoveSticky; }

bool TPalvonViewer::KeepZoneMoveOn() { return ZoneMoveSticky; }
