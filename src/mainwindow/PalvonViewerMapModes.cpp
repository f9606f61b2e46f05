// The commands that choose a map tool from a menu or a toolbar button: the
// shortest path between two picked nodes, the editing region of the background
// lines and the collapse circle; and the phase window the phase tool opens.
#include "analysis/gui/FrmFases.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/tools/MapTools.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DrawState.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

void TPalvonViewer::CreateMapModeCommands()
{
    // The items themselves are rows of the command table; "Mover" of the zones
    // pop-up (MoveZon) and the phase button (tbShow) carry no handler: the map's
    // mouse reads them.
    connect(Action("tbColapsar"), &QAction::triggered, this, &TPalvonViewer::tbColapsarClick);
    connect(Action("RminMapa"), &QAction::triggered, this, &TPalvonViewer::RminMapaClick);
    connect(Action("pupsedit"), &QAction::triggered, this, &TPalvonViewer::pupseditClick);
}

void TPalvonViewer::RminMapaClick() { MapTools().Path().Arm(); }

void TPalvonViewer::pupseditClick()
{
    img->setCursor(MapTools().Tool(TMapToolMode::SelectRegion).Cursor());
    PolySelectKind = 4;
    PolyPoints.clear();
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
    SetDown(QStringLiteral("tbMove"), false);
    SetDown(QStringLiteral("tbZoom"), false);
}

void TPalvonViewer::tbColapsarClick()
{
    // The button only arms the collapse drag: the status bar says how to use it
    // (a box with a bare registry number told the user nothing).
    Services().SetStatusText(1, Down(QStringLiteral("tbColapsar"))
                                    ? "Colapsar: mantenga Ctrl o Mayús y arrastre sobre los vértices de los polígonos"
                                    : "");
}

void TPalvonViewer::ShowPhaseWindow(int32_t node)
{
    if (node < 1 || node > Network.NodeCount)
        return;
    Secondary::FrmFases().ShowJunctionModal(node);
}
