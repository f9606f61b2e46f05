// Printing in the main window: the print commands placed in the menu "Archivo"
// and wired to their controllers, and the window as the printing hosts see it.
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/PrintHostAdapter.h"
#include "mainwindow/SecondaryWindows.h"
#include "widgets/CommandPlaces.h"
#include "map/ViewSnapshot.h"
#include "map/GeoLayers.h"
#include "map/gui/DisplayController.h"
#include "export/GeoWriters.h"
#include "map/ZoomHistory.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/NodeMoves.h"
#include "model/ZelUtils.h"
#include "widgets/StringAlignGrid.h"

#include <QMenu>
#include <QTextEdit>

void TPalvonViewer::CreatePrintMenus(QMenu* archivo)
{
    printing_.RegisterCommands(Registry());

    InstallBatchPrintServices(batchPrinting_);
    QMenu* menu = archivo->addMenu(QStringLiteral("Impresion de Redes"));
    CommandPlaces::FillWhenShown(*this, menu, QStringLiteral("menu:Archivo>Impresion de Redes"), this);
    batchPrinting_.RegisterCommands(Registry());
}

TViewSnapshot TPrintHostAdapter::MainMapSnapshot() { return v_.Drawing().SnapshotView(); }

TOxrImage* TPrintHostAdapter::MapImage() { return v_.img; }

TLegendImage* TPrintHostAdapter::BarLegend() { return v_.Scl; }

TLegendImage* TPrintHostAdapter::RangeLegend() { return v_.sym; }

QString TPrintHostAdapter::Titles() { return v_.tit ? QString::fromStdString(UserView().TitleText) : QString(); }

void TPrintHostAdapter::SetTitles(const QString& lines)
{
    if (v_.tit)
        v_.tit->setPlainText(lines);
}

QString TPrintHostAdapter::WindowCaption() { return v_.windowTitle(); }

void TPrintHostAdapter::MarkShownTiles() { v_.Drawing().SetGrid(); }

TPreviewHost& TPrintHostAdapter::PreviewHost() { return v_.Hosts(); }

bool TPrintHostAdapter::ConfirmBatchStart()
{
    // Moved nodes and centroids are held by the batch and come back unsaved: the
    // question is about the rest.
    const bool positions = Network.PositionsUnsaved;
    Network.PositionsUnsaved = false;
    const bool go = v_.Files().ConfirmUnsavedEdits(true, false); // the batch gives the layers back
    Network.PositionsUnsaved = positions;
    return go;
}

bool TPrintHostAdapter::OpenNetwork(const std::string& fileName) { return v_.Files().AbrirRedPalvon(fileName); }

void TPrintHostAdapter::OpenDataFile(TDataFile kind, const std::string& fileName)
{
    // The kinds of the window's "Abrir" buttons: 2 listing, 3 second listing, 4 counts, 6 traces.
    const int tag = kind == TDataFile::Lpa ? 2 : kind == TDataFile::Lpl ? 3 : kind == TDataFile::Counts ? 4 : 6;
    v_.Files().OpenDataOfKind(tag, {QString::fromStdString(fileName)});
}

std::vector<std::string> TPrintHostAdapter::TracesRead() { return v_.Files().TracesRead(); }

void TPrintHostAdapter::LoadBackgroundLines(const std::string& fileName) { v_.Display().LineaSoleras(fileName, false); }

void TPrintHostAdapter::SwapLineLayers(TGeoLayers& aside)
{
    std::swap(GeoLayers(), aside);
    v_.Display().ShowLineLayerMenus();
}

void TPrintHostAdapter::LoadViewConfig(TIniFile& ini, const std::string& section)
{
    v_.Settings().LeerConfiguracion(ini, section);
}

void TPrintHostAdapter::ImportLinkSelection(const std::string& fileName) { v_.Selection().ImportaSeleccionArcos(fileName); }

void TPrintHostAdapter::HideMarkedLinks() { v_.Selection().MarcarNoDibujar(); }

void TPrintHostAdapter::ClearLinkSelection() { v_.Selection().AnulaSelArcos(); }

void TPrintHostAdapter::ImportPolygons(const std::string& fileName)
{
    v_.Polygons().PolygonFileName = fileName;
    v_.Polygons().ImportarPoligonosPlg();
}

void TPrintHostAdapter::ShowPutBackMarks(bool listShown) { v_.Selection().ShowPutBackMarks(listShown); }

void TPrintHostAdapter::HoldPhaseWindow() { v_.Analysis().HoldPhaseWindow(); }

void TPrintHostAdapter::PutBackPhaseWindow() { v_.Analysis().PutBackPhaseWindow(); }

void TPrintHostAdapter::HoldGridOrder() { v_.Grids().HoldGridOrder(); }

void TPrintHostAdapter::PutBackGridOrder() { v_.Grids().PutBackGridOrder(); }

void TPrintHostAdapter::SwapPolygons(TPolygonSet& aside) { v_.Polygons().SwapPolygons(aside); }

TStringAlignGrid* TPrintHostAdapter::LinkGrid() { return v_.sagArcos; }

TStringAlignGrid* TPrintHostAdapter::MovementGrid() { return v_.sagMovim; }

void TPrintHostAdapter::LinkRangeValues(TViewState& view) { v_.Grids().ArcosRangeValues(view); }

bool TPrintHostAdapter::MovementRangeValues(TViewState& view) { return v_.Grids().MovimRangeValues(view); }

bool TPrintHostAdapter::HoldUnsavedPositions(KDVlib::THeldPositions& held)
{
    if (!Network.PositionsUnsaved || !Network.Loaded)
        return false;
    held = KDVlib::HoldPositions();
    Network.PositionsUnsaved = false;
    return true;
}

void TPrintHostAdapter::PutBackPositions(const KDVlib::THeldPositions& held, bool reread)
{
    Network.PositionsUnsaved = true;
    if (!reread)
        return;
    TZoomSlot extent;
    if (KDVlib::PutBackPositions(held, UserView().Lanes, extent))
        Zoom::NetworkExtentChanged(extent);
    const auto show = [](TStringAlignGrid* grid, int32_t row, float x, float y) {
        if (grid && row >= 1 && row < grid->RowCount()) {
            grid->setCell(1, grid->RowOfRecord(row), ZelUtils::Trim(ZelUtils::Format(XYFormat, double(x))));
            grid->setCell(2, grid->RowOfRecord(row), ZelUtils::Trim(ZelUtils::Format(XYFormat, double(y))));
        }
    };
    for (const auto& p : held.Nodes)
        if (const int32_t n = KDVlib::FindNodo(p.Number); n >= 1)
            show(v_.sagNodos, n, Nodos[n].X, Nodos[n].Y);
    for (const auto& p : held.Centroids)
        if (const int32_t z = KDVlib::FindZona(p.Number); z >= 1)
            show(v_.sagZonas, z, Zonas[z].CentroidX, Zonas[z].CentroidY);
}
