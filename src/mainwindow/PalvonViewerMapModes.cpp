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
    Registry().Register(CommandTable::TOwner::MapTools, Cmd::tbColapsar, this, &TPalvonViewer::tbColapsarClick);
    Registry().Register(CommandTable::TOwner::Analysis, Cmd::RminMapa, this, &TPalvonViewer::RminMapaClick);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::pupsedit, this, &TPalvonViewer::pupseditClick);
}

void TPalvonViewer::RminMapaClick() { MapTools().Path().Arm(); }

void TPalvonViewer::pupseditClick()
{
    img->setCursor(MapTools().Tool(TMapToolMode::SelectRegion).Cursor());
    PolySelectKind = 4;
    Selection().PolyPoints.clear();
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
    SetDown(Cmd::tbMove, false);
    SetDown(Cmd::tbZoom, false);
}

void TPalvonViewer::tbColapsarClick()
{
    // The button only arms the collapse drag: the status bar says how to use it
    // (a box with a bare registry number told the user nothing).
    Services().SetStatusText(1, Down(Cmd::tbColapsar)
                                    ? "Colapsar: mantenga Ctrl o Mayús y arrastre sobre los vértices de los polígonos"
                                    : "");
}

void TPalvonViewer::ShowPhaseWindow(int32_t node)
{
    if (node < 1 || node > Network.NodeCount)
        return;
    Secondary::FrmFases().ShowJunctionModal(node);
}
