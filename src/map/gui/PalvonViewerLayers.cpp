// Background line layers and the free points layer of the map: opening their
// files and the layer menus.
#include "widgets/DualListDialog.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "map/PointLayers.h"
#include "export/GeoWriters.h"
#include "model/KDVvars.h"
#include "model/ZelUtils.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QMenu>

#include <algorithm>

using ZelUtils::Format;

namespace {

constexpr int LayerMenuEntries = 9; // the layer menus have nine entries

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QString LetraCaption(int tag)
{
    const TLabelFont& f = LabelFonts[static_cast<size_t>(tag)];
    return Qs(Format("Letra (%s %2d)", f.Name, f.Size));
}

} // namespace

void TPalvonViewer::CreateLayerMenus(QMenu* archivo)
{
    varSolera = new QMenu(this);
    varSolera->setObjectName("varSolera");
    for (int k = 1; k <= LayerMenuEntries; ++k) {
        QAction* item = AddAction(varSolera, QStringLiteral("s1%1").arg(k));
        item->setData(k);
        item->setVisible(false);
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(item),
                            [this, k](bool checked) { soleraClick(k, checked); });
    }
    varSolera->addSeparator();
    QueMover = varSolera->addMenu(QStringLiteral("¿Qué mover?"));
    QueMover->setObjectName("QueMover");
    auto* moveGroup = new QActionGroup(QueMover);
    const TCommandId moveItems[] = {Cmd::mSoleraTodo, Cmd::mSoleraVisi, Cmd::mSoleraSele};
    for (int t = 1; t <= 3; ++t) {
        QAction* item = AddAction(QueMover, moveItems[t - 1]);
        item->setData(t);
        moveGroup->addAction(item);
        Registry().Register(CommandTable::TOwner::MapTools, moveItems[t - 1], [this, item] { QueSolerasMover(item); });
    }
    Action(Cmd::mSoleraVisi)->setChecked(true);
    // Moving layers with the mouse reads this item; it has no action of its own.
    AddAction(varSolera, Cmd::smove);
    AddAction(varSolera, Cmd::GuardarSoleras);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::GuardarSoleras, this, &TPalvonViewer::GuardarSolerasClick);
    Action(Cmd::tbSolera)->setMenu(varSolera);

    CoberturaLineas = BDerecho->addMenu(QStringLiteral("Cobertura Lineas"));
    CoberturaLineas->setObjectName("CoberturaLineas");
    for (int k = 1; k <= LayerMenuEntries; ++k) {
        const int tag = 10 + k;
        QMenu* entry = CoberturaLineas->addMenu(QStringLiteral("Solera %1").arg(k));
        entry->setObjectName(QStringLiteral("S11%1").arg(k));
        entry->menuAction()->setVisible(false);
        QAction* letra = AddAction(entry, QStringLiteral("Letra%1").arg(tag));
        letra->setData(tag);
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(letra), [this, letra] { Letra(letra); });
        QAction* names = AddAction(entry, QStringLiteral("Nombres%1").arg(tag));
        names->setData(tag);
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(names),
                            [this, tag](bool checked) { Nombres(tag, checked); });
    }

    // "Puntos" opens point files once a network is open.
    QAction* puntos = AddAction(nullptr, Cmd::Puntos5);
    puntos->setEnabled(false);
    Registry().Register(CommandTable::TOwner::Files, Cmd::Puntos5, this, &TPalvonViewer::Puntos5Click);
    if (archivo)
        archivo->insertAction(ArchivosRecientes ? ArchivosRecientes->menuAction() : nullptr, puntos);
}

void TPalvonViewer::OpenLineLayerFile(const std::string& fileName, bool addLayer)
{
    SoleraFileName = fileName;
    LineaSoleras(fileName, addLayer);
}

void TPalvonViewer::LineaSoleras(const std::string& fileName, bool addLayer)
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
            Action(QStringLiteral("s1%1").arg(k))->setVisible(false);
            if (QMenu* entry = findChild<QMenu*>(QStringLiteral("S11%1").arg(k)))
                entry->menuAction()->setVisible(false);
        }
    }
    SetDown(Cmd::tbSolera, true);
    const QString layerName = Qs(GeoLayerNames[n]);
    QAction* item = Action(QStringLiteral("s1%1").arg(n));
    item->setText(layerName);
    item->setCheckable(true);
    item->setChecked(GeoLayerVisible[n] != 0);
    item->setVisible(true);
    Action(Cmd::mSoleraSele)->setText(Qs(LineLayers::SelectionCaption()));
    if (QMenu* entry = findChild<QMenu*>(QStringLiteral("S11%1").arg(n))) {
        entry->setTitle(QStringLiteral("Solera: ") + layerName);
        entry->menuAction()->setVisible(true);
    }
    Action(QStringLiteral("Letra%1").arg(10 + n))->setText(LetraCaption(10 + n));
    QAction* names = Action(QStringLiteral("Nombres%1").arg(10 + n));
    names->setCheckable(true);
    names->setChecked(load.HasNames && load.Status == LineLayers::TLoadStatus::Loaded);

    if (load.Status == LineLayers::TLoadStatus::Loaded && !BatchMode)
        RedrawMap();
}

void TPalvonViewer::PuntosGeo(const std::string& fileName)
{
    if (PointLayers::LoadPointFile(fileName) && !BatchMode)
        RedrawMap();
}

void TPalvonViewer::Puntos5Click()
{
    QFileDialog dialog(this, QStringLiteral("Open geo file"));
    dialog.setNameFilter(QStringLiteral("Archivo de putos      (*.geo)"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Each file replaces the points of the one before.
    for (const QString& file : dialog.selectedFiles()) {
        PuntosFileName = file.toStdString();
        PuntosGeo(PuntosFileName);
    }
}

void TPalvonViewer::soleraClick(int layer, bool checked)
{
    if (layer >= 1 && layer <= MaxGeoLayers)
        GeoLayerVisible[layer] = checked ? 1 : 0;
}

void TPalvonViewer::Nombres(int tag, bool checked)
{
    if (tag >= 11 && tag <= MaxItems)
        Items[static_cast<size_t>(tag)].ShowNames = checked;
}

void TPalvonViewer::QueSolerasMover(QAction* item)
{
    if (!item)
        return;
    if (item->data().toInt() == 3) {
        TDualListDialog local(this);
        TDualListDialog& dialog = Selection().dld ? *Selection().dld : local;
        dialog.Clear();
        dialog.SetTitle(QStringLiteral("Selección de Líneas de Soleras a mover"));
        const int layers = std::clamp(NumGeoLayers, 0, MaxGeoLayers);
        for (int k = 1; k <= layers; ++k)
            dialog.AddItem(GeoLayerSelected[k] ? 2 : 1, Qs(Format("%2d:  %s", k, GeoLayerNames[k])), k);
        // A cancelled dialog keeps the selection it showed.
        if (dialog.Execute()) {
            std::fill(std::begin(GeoLayerSelected), std::end(GeoLayerSelected), uint8_t(0));
            for (int i = 0; i < dialog.Count(2); ++i) {
                const int k = dialog.Text(2, i).left(2).trimmed().toInt();
                if (k >= 1 && k <= MaxGeoLayers)
                    GeoLayerSelected[k] = 1;
            }
            Action(Cmd::mSoleraSele)->setText(Qs(LineLayers::SelectionCaption()));
        }
    }
    if (QueMover)
        QueMover->setTitle(QStringLiteral("¿Qué mover? (%1)").arg(item->text()));
}

void TPalvonViewer::GuardarSolerasClick() { KDVlib::WriteGeo(); }
