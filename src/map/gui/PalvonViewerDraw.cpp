// The layered drawing of the network on the main map: the one render pipeline
// that every change of view, data or display option ends in, and the layer order
// that the views beside the map draw too.
#include "mainwindow/PalvonViewer.h"

#include "mainwindow/DlgCfg.h"
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
#include <QCheckBox>
#include <QElapsedTimer>

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

// A magnifier option ticked in the options dialog.
bool Ticked(QCheckBox* TDlgCfg::*box) { return DlgCfg && (DlgCfg->*box)->isChecked(); }

} // namespace

void TPalvonViewer::DrawPalvon()
{
    if (Redrawing || !img)
        return;
    TRedrawGuard guard;
    QElapsedTimer clock;
    clock.start();
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

        DrawLayerSequence(*img, TLayerTarget::MainMap);
        LastMapRedrawMs = int32_t(clock.elapsed());
    }

    // The cursor of the tool in use; the later tests win.
    int tool = 0;
    if (PolySelectKind > 0)
        tool = 1;
    if (Down(Cmd::tbZoom))
        tool = 2;
    if (Down(Cmd::tbMove))
        tool = 3;
    if (tool > 0)
        img->setCursor(MapToolCursor(tool));
    else
        img->unsetCursor();
    // The shape handles of the link being bent stay on top of every redraw.
    if (Down(Cmd::tbCurve) || CurveLink > 0)
        StartCurving();
}

void TPalvonViewer::DrawLayerSequence(TOxrImage& c, TLayerTarget target)
{
    const bool mainMap = target == TLayerTarget::MainMap;
    // A layer shows with its toolbar button, or on the magnifier with its tick
    // in the options dialog.
    auto shown = [&](const char* button, QCheckBox* TDlgCfg::*magnifierBox) {
        return Down(QString::fromLatin1(button)) || (target == TLayerTarget::Magnifier && Ticked(magnifierBox));
    };

    if (Down(Cmd::tbZonas))
        DrawZonas(c);
    if (Down(Cmd::tbPoligonos))
        DrawPoligonos(c);
    if (mainMap && Down(Cmd::tbSolera)) {
        DrawSolera(c);
        DrawPuntos(c);
    }
    // The bars are scaled by the maximum: none is drawn against a zero maximum.
    if (shown("tbAtributos", &TDlgCfg::zAtributos) && !ShownVarList.empty() && RangeMax > 0.0f)
        DrawAtributos(&c);
    if (shown("tbColores", &TDlgCfg::zAtributos))
        DrawMapaColores(&c);
    DrawNetworkLayers(c);
    if (shown("tbArrows", &TDlgCfg::zArrows))
        DrawArrows(c);
    if (shown("tbNodes", &TDlgCfg::zNodes) && !ShowLanes)
        DrawNodes(c);
    if (Down(Cmd::tbCents))
        DrawCents(c);
    if (shown("tbNameNodes", &TDlgCfg::zNameNodes)) {
        c.ResetLabelsOff();
        DrawNameNodes(c);
        c.ResetLabels();
    }
    if (shown("tbValues", &TDlgCfg::zValues)) {
        // On the main map, with "Sobreescrito" ticked the values may cover each
        // other; a view beside the map always keeps them apart.
        if (!mainMap || !Action(Cmd::Sobreescrito1)->isChecked())
            c.ResetLabelsOff();
        DrawValue(&c);
        if (!mainMap)
            c.ResetLabels();
    }
    if (shown("tbCalles", &TDlgCfg::zCalles)) {
        c.ResetLabelsOff();
        DrawCalles(c);
        c.ResetLabels();
    }
    if (mainMap && Down(Cmd::tbPoligonos))
        DrawNamePoligonos(c);
}

void TPalvonViewer::DrawNetworkLayers(TOxrImage& c)
{
    if (EntSalVar >= 0)
        DrawEntSal(c);
    if (Action(Cmd::aAtributos2)->isChecked())
        DrawMovimLinks(&c);
    if (Down(Cmd::tbLineas))
        DrawLineas(c);
    DrawNetWork(c);
    if (ShowLanes)
        DrawNetWorkLanes(c);
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
    // "Mover" of the nodes and of the zones stays ticked across redraws (a redraw
    // with F5, a zoom): its drop ends it unless it was chosen with Shift.
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
