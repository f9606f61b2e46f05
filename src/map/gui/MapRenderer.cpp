// The layered drawing of the network on the main map: the one render pipeline
// that every change of view, data or display option ends in. The views beside
// the map draw the same layers from their own snapshot.
#include "map/gui/MapRenderer.h"

#include "map/DrawState.h"
#include "map/LineLayers.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapDrawHost.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "platform/ImageFile.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QElapsedTimer>
#include <QFileDialog>

#include <algorithm>

namespace {

class TRedrawGuard {
public:
    explicit TRedrawGuard(bool& redrawing) : redrawing_(redrawing) { redrawing_ = true; }
    ~TRedrawGuard() { redrawing_ = false; }

private:
    bool& redrawing_;
};

} // namespace

TMapRenderer::TMapRenderer(TWindowHost& window, TMapDrawHost& host) : window_(window), host_(host) {}

void TMapRenderer::DrawPalvon()
{
    TOxrImage* img = host_.MapCanvas();
    if (redrawing_ || !img)
        return;
    TRedrawGuard guard(redrawing_);
    QElapsedTimer clock;
    clock.start();
    {
        TWaitCursor busy;
        img->SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
        pickLength_ = float(img->PixelToWorldX(5) - img->PixelToWorldX(0));
        if (Network.SectionPresent[0] && LanesReady) {
            PalvonRead::ComputeLinkGeometry(UserView().Lanes);
            PalvonRead::OrderArms();
        }
        if (!DrawEnabled)
            return;

        ClearScreen();
        SetGrid();
        // A new view moves every element: regions of elements not drawn now would
        // point at where they used to be.
        DrawLayers::ClearHitRegions(*img);

        // The transit-line loads shown on the screen: totals summed anew give the
        // user's view their scale (the scale dialog, the legends and every copy
        // taken from now on read it), once per sum. Link bars shown with them keep
        // their own variable's scale, which their box of the legend explains: the
        // loads are drawn to their own maximum whatever the view's.
        if (UserView().Lineas && (window_.CommandOn(Cmd::linveh) || window_.CommandOn(Cmd::linvehval))
            && LineLayers::RefreshLinkBusCount()) {
            if (!(UserView().Atributos && UserView().RangeVarArcos > 0)) {
                UserView().RangeMax = LinkBusMax;
                UserView().RangeMin = 0.0f;
            }
            LineLayers::LinkBusRangeTaken();
        }

        DrawLayerSequence(*img, TLayerTarget::MainMap);
        img->LastDrawing.LastMapRedrawMs = int32_t(clock.elapsed());
    }

    // The cursor of the tool in use; the later tests win.
    int tool = 0;
    if (host_.RegionPickUnderWay())
        tool = 1;
    if (window_.CommandOn(Cmd::tbZoom))
        tool = 2;
    if (window_.CommandOn(Cmd::tbMove))
        tool = 3;
    if (tool > 0)
        img->setCursor(MapToolCursor(tool));
    else
        img->unsetCursor();
    // The shape handles of the link being bent stay on top of every redraw.
    host_.DrawCurveHandles();
    // A magnifier left on the map shows it as it is now, not as it was.
    host_.RedrawMagnifier();
}

void TMapRenderer::DrawLayerSequence(TOxrImage& c, TLayerTarget target)
{
    const bool mainMap = target == TLayerTarget::MainMap;
    const TViewSnapshot view = SnapshotView(target);
    linkRanges_ = QImage();
    shownBars_ = QImage();
    // The label layers are timed apart: the wheel waits on the rest of the redraw.
    QElapsedTimer labelClock;
    qint64 labelNs = 0;
    for (const TMapLayer layer : MapLayerOrder) {
        if (!view.Shows(layer))
            continue;
        const bool labels = layer == TMapLayer::NameNodes || layer == TMapLayer::Values || layer == TMapLayer::Calles;
        if (labels)
            labelClock.start();
        switch (layer) {
        case TMapLayer::Zonas:
            DrawZonas(c, view);
            break;
        case TMapLayer::Poligonos:
            DrawPoligonos(c, view);
            break;
        case TMapLayer::Solera:
            if (mainMap) {
                DrawSolera(c, view);
                DrawPuntos(c, view);
            }
            break;
        case TMapLayer::Atributos:
            DrawAtributos(&c, view);
            break;
        case TMapLayer::Colores:
            DrawMapaColores(&c, view);
            break;
        case TMapLayer::EntSal:
            DrawEntSal(c, view);
            break;
        case TMapLayer::MovimLinks:
            DrawMovimLinks(&c, view);
            break;
        case TMapLayer::Lineas: {
            const DataLayers::TLegendRequest legend = DrawLineas(c, view);
            if (legend.kind == DataLayers::TLegendRequest::Bars)
                DrawSymbolo(view.State, legend);
            break;
        }
        case TMapLayer::Red:
            DrawNetWork(c, view);
            break;
        case TMapLayer::Carriles:
            DrawNetWorkLanes(c, view);
            break;
        case TMapLayer::Arrows:
            DrawArrows(c, view);
            break;
        case TMapLayer::Nodes:
            DrawNodes(c, view);
            break;
        case TMapLayer::Cents:
            DrawCents(c, view);
            break;
        case TMapLayer::NameNodes:
            c.ResetLabelsOff();
            DrawNameNodes(c, view);
            c.ResetLabels();
            break;
        case TMapLayer::Values:
            // On the main map, with "Sobreescrito" ticked the values may cover each
            // other; a view beside the map always keeps them apart.
            if (!mainMap || !view.Sobreescrito)
                c.ResetLabelsOff();
            DrawValue(&c, view);
            if (!mainMap)
                c.ResetLabels();
            break;
        case TMapLayer::Calles:
            c.ResetLabelsOff();
            DrawCalles(c, view);
            c.ResetLabels();
            break;
        case TMapLayer::NamePoligonos:
            if (mainMap)
                DrawNamePoligonos(c, view);
            break;
        }
        if (labels)
            labelNs += labelClock.nsecsElapsed();
    }
    if (mainMap)
        c.LastDrawing.LastMapLabelMs = int32_t(labelNs / 1000000);
}

void TMapRenderer::ClearScreen()
{
    if (TOxrImage* img = host_.MapCanvas())
        img->Clear();
    if (TLegendImage* sym = host_.RangeLegend())
        sym->hide();
    if (TLegendImage* Scl = host_.BarLegend())
        Scl->hide();
    // "Mover" of the nodes and of the zones stays ticked across redraws (a redraw
    // with F5, a zoom): its drop ends it unless it was chosen with Shift.
}

void TMapRenderer::SetGrid()
{
    const TOxrImage* img = host_.MapCanvas();
    // The canvas may show more than the view window on one axis (one scale for
    // both): the tiles of everything shown are marked.
    double minX = UserView().WorldMinX, maxX = UserView().WorldMaxX, minY = UserView().WorldMinY, maxY = UserView().WorldMaxY;
    if (img) {
        minX = std::min(minX, img->MinX());
        minY = std::min(minY, img->MinY());
        maxX = std::max(maxX, img->PixelToWorldX(img->World().Width));
        maxY = std::max(maxY, img->PixelToWorldY(0));
    }
    KDVlib::SetGrid(minX, maxX, minY, maxY);
}

bool TMapRenderer::SaveMapBitmap(const std::string& fileName)
{
    TOxrImage* canvas = host_.MapCanvas();
    if (!canvas)
        return false;
    TOxrImage& img = *canvas;
    DrawTitulos(img, SnapshotView());
    DrawStamp(img);
    const bool written = ImageFile::Save(img.Picture(), fileName, "BMP");
    // The stamp and the title belong to the file only: the map is drawn again without them.
    DrawPalvon();
    if (!written)
        Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return written;
}

void TMapRenderer::DrawFilePalvonx()
{
    QFileDialog dialog(window_.DialogParent(), QString::fromStdString(KDVlib::MsgExportBitmap));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    dialog.setNameFilter(QStringLiteral("Bitmap file [*.bmp] (*.bmp)"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    TWaitCursor wait;
    SaveMapBitmap(dialog.selectedFiles().front().toStdString());
}
