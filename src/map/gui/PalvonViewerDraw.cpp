// The layered drawing of the network on the main map: the one render pipeline
// that every change of view, data or display option ends in. The views beside
// the map draw the same layers from their own snapshot.
#include "mainwindow/PalvonViewer.h"

#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonVars.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QElapsedTimer>

#include <algorithm>

namespace {

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
    QElapsedTimer clock;
    clock.start();
    {
        TWaitCursor busy;
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
    const TViewSnapshot view = SnapshotView(target);
    const TViewScope scope(view);
    for (const TMapLayer layer : MapLayerOrder) {
        if (!view.Shows(layer))
            continue;
        switch (layer) {
        case TMapLayer::Zonas:
            DrawZonas(c);
            break;
        case TMapLayer::Poligonos:
            DrawPoligonos(c);
            break;
        case TMapLayer::Solera:
            if (mainMap) {
                DrawSolera(c);
                DrawPuntos(c);
            }
            break;
        case TMapLayer::Atributos:
            DrawAtributos(&c);
            break;
        case TMapLayer::Colores:
            DrawMapaColores(&c);
            break;
        case TMapLayer::EntSal:
            DrawEntSal(c);
            break;
        case TMapLayer::MovimLinks:
            DrawMovimLinks(&c);
            break;
        case TMapLayer::Lineas:
            DrawLineas(c);
            break;
        case TMapLayer::Red:
            DrawNetWork(c);
            break;
        case TMapLayer::Carriles:
            DrawNetWorkLanes(c);
            break;
        case TMapLayer::Arrows:
            DrawArrows(c);
            break;
        case TMapLayer::Nodes:
            DrawNodes(c);
            break;
        case TMapLayer::Cents:
            DrawCents(c);
            break;
        case TMapLayer::NameNodes:
            c.ResetLabelsOff();
            DrawNameNodes(c);
            c.ResetLabels();
            break;
        case TMapLayer::Values:
            // On the main map, with "Sobreescrito" ticked the values may cover each
            // other; a view beside the map always keeps them apart.
            if (!mainMap || !view.Sobreescrito)
                c.ResetLabelsOff();
            DrawValue(&c);
            if (!mainMap)
                c.ResetLabels();
            break;
        case TMapLayer::Calles:
            c.ResetLabelsOff();
            DrawCalles(c);
            c.ResetLabels();
            break;
        case TMapLayer::NamePoligonos:
            if (mainMap)
                DrawNamePoligonos(c);
            break;
        }
    }
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
