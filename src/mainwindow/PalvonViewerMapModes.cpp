// The map tools that start from a menu or a toolbar button and end on the map:
// the shortest path between two picked nodes, the phase window of the junction
// under the pointer, the editing region of the background lines, the move of the
// zoning and the collapse circle of the polygon vertices.
#include "analysis/gui/FrmFases.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DrawState.h"
#include "map/Polygons.h"
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

#include <cmath>

void TPalvonViewer::CreateMapModeCommands()
{
    // The items themselves are rows of the command table; "Mover" of the zones
    // pop-up (MoveZon) and the phase button (tbShow) carry no handler: the map's
    // mouse reads them.
    Registry().Register(CommandTable::TOwner::MapTools, Cmd::tbColapsar, this, &TPalvonViewer::tbColapsarClick);
    Registry().Register(CommandTable::TOwner::Analysis, Cmd::RminMapa, this, &TPalvonViewer::RminMapaClick);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::pupsedit, this, &TPalvonViewer::pupseditClick);
}

void TPalvonViewer::RminMapaClick()
{
    PathPick = true;
    PathFirstDone = false;
    img->setCursor(Qt::CrossCursor);
}

void TPalvonViewer::pupseditClick()
{
    img->setCursor(MapToolCursor(1));
    PolySelectKind = 4;
    PolyPoints.clear();
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

void TPalvonViewer::ColapsarVertices(double x, double y, double r)
{
    for (int32_t k = 0; k < NumPoligonos; ++k) {
        TPoligono& p = Poligonos[static_cast<size_t>(k)];
        const int32_t n = p.VertexCount();
        for (int32_t v = 1; v <= n; ++v) {
            TPoint& q = p.Points[static_cast<size_t>(v)];
            if (std::hypot(q.x - x, q.y - y) <= r)
                q = {x, y};
        }
    }
}

void TPalvonViewer::ShowPhaseWindow(int32_t node)
{
    if (node < 1 || node > Network.NodeCount)
        return;
    Secondary::FrmFases().ShowJunctionModal(node);
}
