// The layered drawing of the network on the main map: the one render pipeline
// that every change of view, data or display option ends in.
#include "mainwindow/PalvonViewer.h"

#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonVars.h"

#include <QAction>
#include <QApplication>

#include <algorithm>

namespace {

// The hourglass for the length of a redraw, whichever way it ends.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
};

// A redraw that a redraw sets off (a handler run from pending events) is dropped:
// the one under way already draws the current state.
bool Redrawing = false;

class TRedrawGuard {
public:
    TRedrawGuard() { Redrawing = true; }
    ~TRedrawGuard() { Redrawing = false; }
};

} // namespace

void TPalvonViewer::DrawPalvon()
{
    if (Redrawing || !img)
        return;
    TRedrawGuard guard;
    {
        TBusyCursor busy;
        img->SetWorld(WorldMinX, WorldMinY, WorldMaxX, WorldMaxY);
        PickLength = float(img->PixelToWorldX(5) - img->PixelToWorldX(0));
        if (Network.SectionPresent[0] && LanesReady) {
            PalvonRead::ComputeLinkGeometry();
            PalvonRead::OrderArms();
        }
        if (!DrawEnabled)
            return;

        ClearScreen();
        SetGrid();
        // A new view moves every element: regions of elements not drawn now would
        // point at where they used to be.
        DrawLayers::ClearHitRegions();

        TOxrImage& c = *img;
        if (Down("tbZonas"))
            DrawZonas(c);
        if (Down("tbPoligonos"))
            DrawPoligonos(c);
        if (Down("tbSolera")) {
            DrawSolera(c);
            DrawPuntos(c);
        }
        // The bars are scaled by the maximum: none is drawn against a zero maximum.
        if (Down("tbAtributos") && !ShownVarList.empty() && RangeMax > 0.0f)
            DrawAtributos(img);
        if (Down("tbColores"))
            DrawMapaColores(img);
        if (EntSalVar >= 0)
            DrawEntSal(c);
        if (Action("aAtributos2")->isChecked())
            DrawMovimLinks(img);
        if (Down("tbLineas"))
            DrawLineas(c);
        DrawNetWork(c);
        if (ShowLanes)
            DrawNetWorkLanes(c);
        if (Down("tbArrows"))
            DrawArrows(c);
        if (Down("tbNodes") && !ShowLanes)
            DrawNodes(c);
        if (Down("tbCents"))
            DrawCents(c);
        if (Down("tbNameNodes")) {
            c.ResetLabelsOff();
            DrawNameNodes(c);
            c.ResetLabels();
        }
        if (Down("tbValues")) {
            // With "Sobreescrito" ticked the values may cover each other.
            if (!Action("Sobreescrito1")->isChecked())
                c.ResetLabelsOff();
            DrawValue(img);
        }
        if (Down("tbCalles")) {
            c.ResetLabels();
            c.ResetLabelsOff();
            DrawCalles(c);
            c.ResetLabels();
        }
        if (Down("tbPoligonos"))
            DrawNamePoligonos(c);
    }

    // The cursor of the tool in use; the later tests win.
    int tool = 0;
    if (PolySelectKind > 0)
        tool = 1;
    if (Down("tbZoom"))
        tool = 2;
    if (Down("tbMove"))
        tool = 3;
    if (tool > 0)
        img->setCursor(MapToolCursor(tool));
    else
        img->unsetCursor();
}

void TPalvonViewer::ClearScreen()
{
    img->Clear();
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
    RubberBand = false;
    // A node or centroid being moved keeps its pick through the redraws of the move.
    if (!NodeMoving && !CentroidMoving)
        PickedItem = -1;
    // The move modes stay ticked while their operation holds.
    if (!NodeMoving)
        Action("NodeMove")->setChecked(false);
    if (!CentroidMoving)
        Action("ZoneMove")->setChecked(false);
}

void TPalvonViewer::SetGrid()
{
    // The canvas may show more than the view window on one axis (one scale for
    // both): the tiles of everything shown are marked.
    double minX = WorldMinX, maxX = WorldMaxX, minY = WorldMinY, maxY = WorldMaxY;
    if (img) {
        minX = std::min(minX, img->MinX());
        minY = std::min(minY, img->MinY());
        maxX = std::max(maxX, img->PixelToWorldX(img->World().Width));
        maxY = std::max(maxY, img->PixelToWorldY(0));
    }
    KDVlib::SetGrid(minX, maxX, minY, maxY);
}
