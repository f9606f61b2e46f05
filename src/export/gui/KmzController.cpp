// The KMZ exports (TKmzController): the selected transit lines, every transit
// line, the visible background layers and the network.
#include "export/gui/KmzController.h"

#include "export/KmzExport.h"
#include "model/FileUtils.h"
#include "export/KmzExportNetwork.h"
#include "export/gui/ExportDialogs.h"
#include "export/gui/ExportHost.h"
#include "widgets/CommandRegistry.h"
#include "widgets/StringAlignGrid.h"
#include "map/GeoLayers.h"
#include "map/ViewSnapshot.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QCheckBox>
#include <QSpinBox>
#include <QMessageBox>

namespace {

KmzExport::TKmzConversion Conversion()
{
    KmzExport::TKmzConversion c;
    {
        const TProgramOptions& o = ProgramOptions();
        c.UtmZone = o.UtmZone();
        c.Hemisphere = o.Hemisphere();
        c.OffsetXKm = o.ShiftHorzKm();
        c.OffsetYKm = o.ShiftVertKm();
    }
    PalvonRead::ZoneOfPositions(c.UtmZone, c.Hemisphere);
    return c;
}

void Fail(QWidget* parent, const std::string& error)
{
    QMessageBox::warning(parent, QStringLiteral("Exportar"), QString::fromStdString(error));
}


} // namespace

void TKmzController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Export, {{Cmd::ExportaSeleccin3, this, &TKmzController::ExportaSeleccin3Click},
                                                     {Cmd::GenerarKMZ1, this, &TKmzController::GenerarKMZ1Click}});
}

void TKmzController::ExportaSeleccin3Click()
{
    const QStringList filters = {QStringLiteral("Texto delimitado por comas [*.csv] (*.csv)"),
                                 QStringLiteral("Texto delimitado por tabuladores [*.tab] (*.tab)"),
                                 QStringLiteral("Texto delimitado por espacios [*.prn] (*.prn)"),
                                 QStringLiteral("Compressed Keyhole Markup Language [*.kmz] (*.kmz)")};
    std::string name;
    int filter = 0;
    if (!ExportDialogs::SaveDialog(window_.DialogParent(), QStringLiteral("Exportar datos ..."), QStringLiteral("csv"),
                                   filters, {}, name, filter))
        return;
    if (filter == 3) {
        std::string error;
        TWaitCursor wait;
        const bool ok = KmzExport::ExportLinesKmz(name, Conversion(), false, error);
        wait.Restore();
        if (!ok)
            Fail(window_.DialogParent(), error);
        return;
    }
    const char sep = filter == 1 ? '\t' : filter == 2 ? ' ' : ',';
    if (!KmzExport::WriteSelectedLinesText(name, sep))
        Fail(window_.DialogParent(), FileUtils::WriteFailure(name));
}

void TKmzController::GenerarKMZ1Click()
{
    bool anyLayer = false;
    for (int32_t l = 1; l <= GeoLayers().NumGeoLayers && l <= MaxGeoLayers; ++l)
        anyLayer = anyLayer || (GeoLayers().GeoLayerVisible[l] != 0 &&
                                GeoLayers().GeoLayerEnd[l] > GeoLayers().GeoLayerEnd[l - 1]);
    if (!anyLayer) {
        Services().ShowMessage("No hay capas de fondo visibles: no hay nada que exportar a KMZ.");
        return;
    }
    TWaitCursor wait;
    std::string name;
    int filter = 0;
    std::string error;
    bool ok = true;
    if (ExportDialogs::SaveDialog(window_.DialogParent(), QStringLiteral("Generar KMZ ..."), QStringLiteral("kmz"),
                                  {QStringLiteral("Compressed Keyhole Markup Language [*.kmz] (*.kmz)")}, {}, name,
                                  filter))
        ok = KmzExport::ExportGeoLayersKmz(name, Conversion(), error);
    wait.Restore();
    if (!ok)
        Fail(window_.DialogParent(), error);
}

bool TKmzController::ExportarLineasKmz(const std::string& fileName)
{
    std::string error;
    TWaitCursor wait;
    const bool ok = KmzExport::ExportLinesKmz(fileName, Conversion(), true, error);
    wait.Restore();
    if (!ok)
        Fail(window_.DialogParent(), error);
    return ok;
}

bool TKmzController::PrintKmzFile(const std::string& fileName)
{
    KmzExport::TKmzNetworkView view = KmzExport::NetworkView(host_.MainMapSnapshot());
    const int32_t column = view.State.RangeVarArcos;
    if (const TStringAlignGrid* arcos = host_.DataGrid(3); arcos && column >= 1 && column < arcos->ColCount())
        view.BandName = arcos->cell(column, 0);
    std::string error;
    TWaitCursor wait;
    const bool ok = KmzExport::ExportNetworkKmz(fileName, Conversion(), view, error);
    wait.Restore();
    if (!ok)
        Fail(window_.DialogParent(), error);
    return ok;
}
