// The map's mouse: the canvas's events reach the map tools (src/mainwindow/tools),
// each tool's command arms it (TMapTools keeps one armed and gives it the press
// unless a tool claims it); the hover finds what
// lies under the pointer; the double click and Escape; and the commands that arm
// a tool from a menu or a toolbar button, with the phase window the phase tool opens.
#include "mainwindow/MapEditController.h"
#include "mainwindow/PalvonViewer.h"
#include "analysis/gui/FrmFases.h"
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/tools/MapTools.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/Polygons.h"
#include "map/ZoomHistory.h"
#include "map/ZoomMouse.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/NodeMoves.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/CommandRegistry.h"

#include <QAction>
#include <QApplication>
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
    const double reach = std::max(UserView().NodeSize + 2, 4) * unit;
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

TMapEditController::TMapEditController(TPalvonViewer& viewer) : viewer_(viewer) {}

TMapEditController::~TMapEditController() = default;

void TMapEditController::ConnectMapMouse()
{
    TOxrImage* img = viewer_.img;
    QObject::connect(img, &TOxrImage::OnOxrMouseDown, img,
                     [this](Qt::MouseButton b, const TShiftState& s, int i, int j, double x, double y) {
                         imgOxrMouseDown(b, s, i, j, x, y);
                     });
    QObject::connect(img, &TOxrImage::OnOxrMouseMove, img,
                     [this](const TShiftState& s, int i, int j, double x, double y) { imgOxrMouseMove(s, i, j, x, y); });
    QObject::connect(img, &TOxrImage::OnOxrMouseUp, img,
                     [this](Qt::MouseButton b, const TShiftState& s, int i, int j, double x, double y) {
                         imgOxrMouseUp(b, s, i, j, x, y);
                     });
    QObject::connect(img, &TOxrImage::onMouseMove, img,
                     [this](const TShiftState&, int X, int Y) { imgMouseMove(X, Y); });

    // "Mover" of the node and zone menus: checked by the user, it drags one node
    // or centroid; chosen with Shift held it stays on for further drags.
    QAction* nodeMove = viewer_.Action(Cmd::NodeMove);
    nodeMove->setCheckable(true);
    QAction* zoneMove = viewer_.Action(Cmd::ZoneMove);
    zoneMove->setCheckable(true);
    QAction* moveSel = viewer_.Action(Cmd::MoverSeleccion);
    moveSel->setCheckable(true);
    TCommandRegistry& registry = viewer_.Registry();
    registry.Register(CommandTable::TOwner::MapTools, Cmd::NodeMove, this, &TMapEditController::NodeMoveClick);
    registry.Register(CommandTable::TOwner::MapTools, Cmd::ZoneMove, this, &TMapEditController::ZoneMoveClick);
    registry.Register(CommandTable::TOwner::MapTools, Cmd::tbCurve, this, &TMapEditController::tbCurveClick);
    registry.Register(CommandTable::TOwner::MapView, Cmd::Regla1, [this] {
        MapTools().Arm(TMapToolMode::Ruler);
        viewer_.HideLegends();
    });
    CreateMapModeCommands();
    // A tool's button or tick arms it, whoever sets it (the user, a grid, a release).
    for (int k = 0; k < static_cast<int>(TMapToolMode::Count); ++k) {
        const auto mode = static_cast<TMapToolMode>(k);
        const auto command = MapTools().Tool(mode).Command();
        if (!command)
            continue;
        QAction* action = viewer_.Action(*command);
        QObject::connect(action, &QAction::toggled, img, [this, mode](bool on) {
            if (on)
                MapTools().Arm(mode);
            else
                MapTools().Disarm(mode);
        });
        if (action->isChecked())
            MapTools().Arm(mode);
    }
}

bool TMapEditController::NodeToolOn()
{
    return viewer_.CommandOn(Cmd::tbShow) || viewer_.CommandOn(Cmd::tbMixs) ||
           viewer_.Action(Cmd::NodeMove)->isChecked();
}

void TMapEditController::NodeMoveClick() { NodeMoveSticky = ZelUtils::ShiftDown(); }

void TMapEditController::ZoneMoveClick() { ZoneMoveSticky = ZelUtils::ShiftDown(); }

TMapTools& TMapEditController::MapTools()
{
    if (!mapTools_)
        mapTools_ = std::make_unique<TMapTools>(viewer_);
    return *mapTools_;
}

bool TMapEditController::ShapeVertexUnder() const { return CurveLink > 0 && CurveVertex >= 0; }

// ---------------------------------------------------------------- press

void TMapEditController::imgOxrMouseDown(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y)
{
    // The double click finds what lies under this pixel.
    viewer_.MapView().ClickPixX = i;
    viewer_.MapView().ClickPixY = j;
    // The second press of a double click belongs to the double click (imgDblClick).
    if (Shift.Double)
        return;
    // The node under the press itself, should no move have reached the map since
    // the tool was chosen.
    if (NodeToolOn())
        HoverNode = NodeNearPixel(*viewer_.img, i, j);
    // A fresh press: should the double click's own release have gone to a box the
    // double click opened (the polygon's name), it must not swallow this one's.
    DblClickHandled = false;
    const TMapMouse press{Button, Shift, i, j, x, y};
    MapTools().ToolForPress(press).Press(press);
}

// ---------------------------------------------------------------- moves

void TMapEditController::imgOxrMouseMove(const TShiftState& Shift, int i, int j, double x, double y)
{
    // A move started from a grid: the hand over the marker, "no" elsewhere.
    if ((viewer_.Grids().CentroidMoving || viewer_.Grids().NodeMoving) && viewer_.Grids().PickedItem < 0)
        SetOverride(viewer_.Grids().GridMoveRegion.contains(QPoint(i, j)) ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    MapTools().Move(TMapMouse{Qt::NoButton, Shift, i, j, x, y});
    if (Network.NodeCount > 0) {
        viewer_.SetStatusPanel(1, Qs(Format("%5d,%5d", i, j)));
        viewer_.SetStatusPanel(2, Qs(Format("%10.2f,%10.2f", x, y)));
    }
}

// ---------------------------------------------------------------- release

void TMapEditController::imgOxrMouseUp(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y)
{
    if (DblClickHandled) {
        DblClickHandled = false;
        return;
    }
    if (TMapTool* tool = MapTools().ReleaseTool(Button))
        tool->Release(TMapMouse{Button, Shift, i, j, x, y});
}

// ---------------------------------------------------------------- hover

void TMapEditController::imgMouseMove(int X, int Y)
{
    if (viewer_.Action(Cmd::ZoneMove)->isChecked()) {
        HoverZone = 0;
        viewer_.img->unsetCursor();
        for (int32_t z = 1; z <= Network.ZoneCount; ++z)
            if (viewer_.img->LastDrawing.ZoneHit(z).Contains(X, Y)) {
                HoverZone = z;
                viewer_.img->setCursor(Qt::SizeAllCursor);
                return;
            }
    }
    if (NodeToolOn()) {
        HoverNode = NodeNearPixel(*viewer_.img, X, Y);
        if (HoverNode > 0) {
            viewer_.img->setCursor(Qt::WhatsThisCursor);
            return;
        }
        viewer_.img->unsetCursor();
    }
    bool hit = false;
    CurveHover(X, Y, hit);
    if (hit)
        return;
    if (viewer_.Action(Cmd::MostrarNombresPlg)->isChecked() && viewer_.CommandOn(Cmd::tbPoligonos)) {
        HoverPolygonLabel = 0;
        viewer_.img->unsetCursor();
        for (int32_t k = 0; k < NumPoligonos; ++k)
            if (Poligonos[static_cast<size_t>(k)].LabelRegion.contains(QPoint(X, Y))) {
                HoverPolygonLabel = k + 1;
                viewer_.img->setCursor(Qt::SizeAllCursor);
                return;
            }
    }
    if (viewer_.Polygons().EditPolygon >= 0 || viewer_.Polygons().UserPolygonActive) {
        viewer_.img->unsetCursor();
        if (viewer_.Polygons().SnapTargetAt(X, Y) > 0) {
            viewer_.img->setCursor(Qt::SizeAllCursor);
            return;
        }
    }
    if (viewer_.Action(Cmd::SeleccionarPoligono)->isChecked()) {
        PolygonUnderCursor = 0;
        viewer_.img->unsetCursor();
        for (int32_t k = 0; k < NumPoligonos; ++k)
            if (Poligonos[static_cast<size_t>(k)].PolygonRegion.contains(QPoint(X, Y))) {
                PolygonUnderCursor = k + 1;
                viewer_.img->setCursor(Qt::SizeAllCursor);
                return;
            }
    }
}

void TMapEditController::NewAngles()
{
    TZoomSlot extent;
    if (!KDVlib::NewAngles(UserView().Lanes, extent))
        return;
    // Many nodes moved: the extent changed, and the view shows all of it.
    Zoom::NetworkExtentChanged(extent);
    viewer_.img->SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
}

// ---------------------------------------------------------------- double click

void TMapEditController::imgDblClick()
{
    // Later tests win: the region, the new polygon, the ruler (whose double click
    // only ends the click), then the name of the polygon under the pointer.
    TMapTool* tool = nullptr;
    if (viewer_.Selection().PolySelectKind > 0)
        tool = &MapTools().Tool(TMapToolMode::SelectRegion);
    if (viewer_.Polygons().UserPolygonActive)
        tool = &MapTools().Tool(TMapToolMode::DrawPolygon);
    if (MapTools().Ruler().Measuring() && MapTools().Ruler().Clicks() > 0)
        tool = &MapTools().Tool(TMapToolMode::Ruler);
    if (viewer_.Action(Cmd::SeleccionarPoligono)->isChecked() && PolygonUnderCursor > 0) {
        if (PolygonUnderCursor <= NumPoligonos) {
            const TPoligono& p = Poligonos[static_cast<size_t>(PolygonUnderCursor - 1)];
            Services().ShowMessage(Format("Poligono: %d - %s", p.Id, p.Name));
        }
    } else if (tool) {
        tool->DoubleClick();
    } else {
        FindUnderClick();
    }
    DblClickHandled = true;
}

// ---------------------------------------------------------------- Escape

void TMapEditController::CancelMouseMode()
{
    // A polygon being drawn is not abandoned: only its double click ends it.
    const bool drawingPolygon = viewer_.Polygons().UserPolygonActive;
    viewer_.MapView().RubberBand = false;
    viewer_.Grids().EndGridPick();
    viewer_.Selection().PolySelectKind = 0;
    CurveLink = 0;
    // A double click that was never followed by its release must not swallow
    // the next release.
    DblClickHandled = false;
    if (!drawingPolygon)
        viewer_.Selection().PolyPoints.clear();
    // A path waiting for its ends and the drags of the zoning, the layers and the
    // collapse circle end here too; their release then does nothing.
    MapTools().Cancel();
    viewer_.img->unsetCursor();
    viewer_.Action(Cmd::NodeMove)->setChecked(false);
    viewer_.Action(Cmd::ZoneMove)->setChecked(false);
    if (!CloseFindDialog())
        viewer_.RedrawMap();
    viewer_.SetCommandOn(Cmd::tbZoom, false);
    viewer_.SetCommandOn(Cmd::tbMove, false);
    viewer_.SetCommandOn(Cmd::tbCurve, false);
    QApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- commands that arm a tool

void TMapEditController::CreateMapModeCommands()
{
    // The items themselves are rows of the command table; "Mover" of the zones
    // pop-up (MoveZon), the phase button (tbShow) and the other tool toggles carry
    // no handler: their tick arms their tool (ConnectMapMouse).
    TCommandRegistry& registry = viewer_.Registry();
    registry.Register(CommandTable::TOwner::MapTools, Cmd::tbColapsar, this, &TMapEditController::tbColapsarClick);
    registry.Register(CommandTable::TOwner::Analysis, Cmd::RminMapa, this, &TMapEditController::RminMapaClick);
    registry.Register(CommandTable::TOwner::MapView, Cmd::pupsedit, this, &TMapEditController::pupseditClick);
}

void TMapEditController::RminMapaClick() { MapTools().Arm(TMapToolMode::PathPick); }

void TMapEditController::pupseditClick()
{
    viewer_.img->setCursor(MapTools().Tool(TMapToolMode::SelectRegion).Cursor());
    viewer_.Selection().PolySelectKind = 4;
    viewer_.Selection().PolyPoints.clear();
    viewer_.HideLegends();
    viewer_.SetCommandOn(Cmd::tbMove, false);
    viewer_.SetCommandOn(Cmd::tbZoom, false);
}

void TMapEditController::tbColapsarClick()
{
    // The button only arms the collapse drag: the status bar says how to use it
    // (a box with a bare registry number told the user nothing).
    Services().SetStatusText(1, viewer_.CommandOn(Cmd::tbColapsar)
                                    ? "Colapsar: mantenga Ctrl o Mayús y arrastre sobre los vértices de los polígonos"
                                    : "");
}

void TMapEditController::ShowPhaseWindow(int32_t node)
{
    if (node < 1 || node > Network.NodeCount)
        return;
    Secondary::FrmFases().ShowJunctionModal(node);
}
