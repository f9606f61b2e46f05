// Background line layers and the free points layer of the map: opening their
// files and the layer menus.
#include "map/gui/DisplayController.h"

#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/PointLayers.h"
#include "map/ViewState.h"
#include "map/gui/MapCommands.h"
#include "map/gui/MapViewHost.h"
#include "export/GeoWriters.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/DualListDialog.h"
#include "widgets/CommandPlaces.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QMenu>

#include <algorithm>
#include <filesystem>

using MapCommands::Named;
using ZelUtils::Format;

namespace {

constexpr int LayerMenuEntries = 9; // the layer menus have nine entries

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

} // namespace

void TDisplayController::CreateLayerMenus()
{
    varSolera = new QMenu(window_.DialogParent());
    varSolera->setObjectName("varSolera");
    CommandPlaces::Fill(window_, varSolera, QStringLiteral("popup:varSolera"));
    for (int k = 1; k <= LayerMenuEntries; ++k) {
        QAction* item = window_.Action(Named(QStringLiteral("s1%1").arg(k)));
        item->setData(k);
        item->setVisible(false);
    }
    // What a drag moves, after the layers. ("Mover": moving layers with the mouse
    // reads that item; it has no action of its own.)
    QAction* move = window_.Action(Cmd::smove);
    varSolera->insertSeparator(move);
    QueMover = new QMenu(QStringLiteral("¿Qué mover?"), varSolera);
    QueMover->setObjectName("QueMover");
    varSolera->insertMenu(move, QueMover);
    CommandPlaces::Fill(window_, QueMover, QStringLiteral("popup:varSolera>¿Qué mover?"));
    auto* moveGroup = new QActionGroup(QueMover);
    const TCommandId moveItems[] = {Cmd::mSoleraTodo, Cmd::mSoleraVisi, Cmd::mSoleraSele};
    for (int t = 1; t <= 3; ++t) {
        QAction* item = window_.Action(moveItems[t - 1]);
        item->setData(t);
        moveGroup->addAction(item);
    }
    window_.Action(Cmd::mSoleraVisi)->setChecked(true);
    window_.Action(Cmd::tbSolera)->setMenu(varSolera);

    CoberturaLineas = host_.MapMenu()->addMenu(QStringLiteral("Cobertura Lineas"));
    CoberturaLineas->setObjectName("CoberturaLineas");
    for (int k = 1; k <= LayerMenuEntries; ++k) {
        const int tag = 10 + k;
        QMenu* entry = CoberturaLineas->addMenu(QStringLiteral("Solera %1").arg(k));
        entry->setObjectName(QStringLiteral("S11%1").arg(k));
        entry->menuAction()->setVisible(false);
        layerEntries_[k] = entry;
        CommandPlaces::Fill(window_, entry, QStringLiteral("popup:BDerecho>Cobertura Lineas>Solera %1").arg(k));
        window_.Action(Named(QStringLiteral("Letra%1").arg(tag)))->setData(tag);
        window_.Action(Named(QStringLiteral("Nombres%1").arg(tag)))->setData(tag);
    }

    // "Puntos" opens point files once a network is open.
    window_.Action(Cmd::Puntos5)->setEnabled(false);
}

void TDisplayController::OpenLineLayerFile(const std::string& fileName, bool addLayer)
{
    SoleraFileName = fileName;
    LineaSoleras(fileName, addLayer);
}

void TDisplayController::LineaSoleras(const std::string& fileName, bool addLayer)
{
    TWaitCursor wait;
    const LineLayers::TLineLayerLoad load = LineLayers::LoadLineLayer(fileName, addLayer);
    wait.Restore();
    // A file that was not read leaves the layers and their menus as they were.
    const int n = load.Layer;
    if (n < 1)
        return;

    if (!addLayer) {
        for (int k = 1; k <= LayerMenuEntries; ++k) {
            window_.Action(Named(QStringLiteral("s1%1").arg(k)))->setVisible(false);
            if (QMenu* entry = layerEntries_[k])
                entry->menuAction()->setVisible(false);
        }
    }
    window_.SetCommandOn(Cmd::tbSolera, true);
    ShowLayerMenu(n);
    QAction* names = window_.Action(Named(QStringLiteral("Nombres%1").arg(10 + n)));
    names->setCheckable(true);
    names->setChecked(load.HasNames && load.Status == LineLayers::TLoadStatus::Loaded);

    if (load.Status == LineLayers::TLoadStatus::Loaded && !BatchMode)
        window_.RedrawMap();
}

void TDisplayController::ShowLayerMenu(int n)
{
    const QString layerName = Qs(GeoLayers().GeoLayerNames[n]);
    QAction* item = window_.Action(Named(QStringLiteral("s1%1").arg(n)));
    item->setText(layerName);
    item->setCheckable(true);
    item->setChecked(GeoLayers().GeoLayerVisible[n] != 0);
    item->setVisible(true);
    window_.Action(Cmd::mSoleraSele)->setText(Qs(LineLayers::SelectionCaption()));
    if (QMenu* entry = n <= LayerMenuEntries ? layerEntries_[n] : nullptr) {
        entry->setTitle(QStringLiteral("Solera: ") + layerName);
        entry->menuAction()->setVisible(true);
    }
    window_.Action(Named(QStringLiteral("Letra%1").arg(10 + n)))->setText(Qs(LetraCaption(10 + n)));
}

void TDisplayController::ShowLineLayerMenus()
{
    for (int k = 1; k <= LayerMenuEntries; ++k) {
        window_.Action(Named(QStringLiteral("s1%1").arg(k)))->setVisible(false);
        if (QMenu* entry = layerEntries_[k])
            entry->menuAction()->setVisible(false);
    }
    for (int n = 1; n <= std::clamp(GeoLayers().NumGeoLayers, 0, MaxGeoLayers); ++n)
        ShowLayerMenu(n);
    window_.Action(Cmd::mSoleraSele)->setText(Qs(LineLayers::SelectionCaption()));
}

void TDisplayController::ForgetLineLayers()
{
    GeoLayers().Clear();
    for (int k = 1; k <= LayerMenuEntries; ++k) {
        window_.Action(Named(QStringLiteral("s1%1").arg(k)))->setVisible(false);
        if (QMenu* entry = layerEntries_[k])
            entry->menuAction()->setVisible(false);
    }
    window_.Action(Cmd::mSoleraSele)->setText(Qs(LineLayers::SelectionCaption()));
    window_.SetCommandOn(Cmd::tbSolera, false);
}

bool TDisplayController::PuntosGeo(const std::string& fileName)
{
    if (!PointLayers::LoadPointFile(fileName))
        return false;
    if (!BatchMode)
        window_.RedrawMap();
    return true;
}

void TDisplayController::Puntos5Click()
{
    QFileDialog dialog(window_.DialogParent(), QStringLiteral("Open geo file"));
    dialog.setNameFilter(QStringLiteral("Archivo de putos      (*.geo)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Each file replaces the points of the one before; a file refused leaves the
    // points, and the name, of the one before.
    for (const QString& file : dialog.selectedFiles())
        if (PuntosGeo(file.toStdString()))
            PuntosFileName = file.toStdString();
}

void TDisplayController::soleraClick(int layer, bool checked)
{
    if (layer >= 1 && layer <= MaxGeoLayers)
        GeoLayers().GeoLayerVisible[layer] = checked ? 1 : 0;
}

void TDisplayController::Nombres(int tag, bool checked)
{
    if (tag >= 11 && tag <= MaxItems)
        UserView().Items[static_cast<size_t>(tag)].ShowNames = checked;
}

void TDisplayController::QueSolerasMover(QAction* item)
{
    if (!item)
        return;
    if (item->data().toInt() == 3) {
        TDualListDialog local(window_.DialogParent());
        TDualListDialog* shared = host_.ListChooser();
        TDualListDialog& dialog = shared ? *shared : local;
        dialog.Clear();
        dialog.SetTitle(QStringLiteral("Selección de Líneas de Soleras a mover"));
        TGeoLayers& geo = GeoLayers();
        const int layers = std::clamp(geo.NumGeoLayers, 0, MaxGeoLayers);
        for (int k = 1; k <= layers; ++k)
            dialog.AddItem(geo.GeoLayerSelected[k] ? 2 : 1, Qs(Format("%2d:  %s", k, geo.GeoLayerNames[k])), k);
        // A cancelled dialog keeps the selection it showed.
        if (dialog.Execute()) {
            std::fill(std::begin(geo.GeoLayerSelected), std::end(geo.GeoLayerSelected), uint8_t(0));
            for (int i = 0; i < dialog.Count(2); ++i) {
                const int k = dialog.Text(2, i).left(2).trimmed().toInt();
                if (k >= 1 && k <= MaxGeoLayers)
                    geo.GeoLayerSelected[k] = 1;
            }
            window_.Action(Cmd::mSoleraSele)->setText(Qs(LineLayers::SelectionCaption()));
        }
    }
    if (QueMover)
        QueMover->setTitle(QStringLiteral("¿Qué mover? (%1)").arg(item->text()));
}

void TDisplayController::GuardarSolerasClick()
{
    // Each layer under the name the user gives it (its own file proposed); a
    // cancelled dialog ends the saving.
    const TGeoLayers& geo = GeoLayers();
    for (int layer = 1; layer <= std::clamp(geo.NumGeoLayers, 0, MaxGeoLayers); ++layer) {
        QFileDialog dialog(window_.DialogParent(),
                           Qs(Format("Guardar capa de soleras %s como", geo.GeoLayerNames[layer])));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("geo"));
        dialog.setNameFilters({QStringLiteral("Archivo de soleras (*.geo)")});
        dialog.selectFile(Qs(geo.GeoLayerFiles[layer]));
        // The layer's own file is its to replace (the writer asks when it changed
        // on disk); another file of the user's is replaced only on a yes.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        const std::string name = dialog.selectedFiles().front().toStdString();
        std::error_code ec;
        const bool elsewhere = !std::filesystem::equivalent(name, geo.GeoLayerFiles[layer], ec);
        // Taken before the write, which gives the layer its new name.
        // The names file as the reader found it, whatever the case of its name.
        const std::string ownNames =
            FileUtils::FindFileCaseInsensitive(FileUtils::ChangeFileExt(geo.GeoLayerFiles[layer], ".name"));
        std::string names;
        const bool hasNames = elsewhere && FileUtils::ReadFile(ownNames, names);
        // A name file already beside the chosen name, for a layer without names,
        // would give its polylines that other layer's names there: it goes with
        // the file it belongs to, on the same yes.
        const std::string strayNames =
            elsewhere && !hasNames ? FileUtils::FindFileCaseInsensitive(FileUtils::ChangeFileExt(name, ".name")) : "";
        const bool stray = !strayNames.empty() && std::filesystem::is_regular_file(strayNames, ec);
        if (stray && !Services().AskYesNo(
                         std::filesystem::exists(name, ec)
                             ? Format("El archivo %s ya existe, y %s con nombres de otras l\xC3\xADneas.\r"
                                      "\xC2\xBF Desea reemplazar el primero y borrar el segundo ?",
                                      name, strayNames)
                             : Format("El archivo %s tiene nombres de otras l\xC3\xADneas para %s.\r"
                                      "\xC2\xBF Desea borrarlo ?",
                                      strayNames, name)))
            return;
        if (!stray && elsewhere && std::filesystem::exists(name, ec) &&
            !Services().AskYesNo(Format("El archivo %s ya existe.\r\xC2\xBF Desea reemplazarlo ?", name)))
            return;
        // The names go beside the new file: one standing there alone is another's,
        // replaced only on a yes.
        const std::string namesTarget = std::filesystem::path(name).replace_extension(".name").string();
        if (hasNames && !std::filesystem::exists(name, ec) && std::filesystem::exists(namesTarget, ec) &&
            !Services().AskYesNo(Format("El archivo %s ya existe.\r\xC2\xBF Desea reemplazarlo ?", namesTarget)))
            return;
        if (!KDVlib::WriteGeoLayer(layer, name))
            return;
        if (stray && !std::filesystem::remove(strayNames, ec) && ec) {
            Services().ShowMessage(Format("No se pudo borrar el archivo %s: la capa %s lo toma por sus nombres.",
                                          strayNames, name));
            return;
        }
        // The polylines' names live in the layer's name file: they go with the
        // layer to its new place, or it opens there without them.
        if (hasNames) {
            const std::string placed = KDVlib::LayerNamesText(layer, names);
            if (!FileUtils::WriteFileAtomic(namesTarget, placed)) {
                Services().ShowMessage(FileUtils::WriteFailure(namesTarget));
                return;
            }
            GeoLayers().GeoLayerSource[layer].NamesDigest = GeoFileDigest(placed); // the layer's names file now
        }
    }
}
