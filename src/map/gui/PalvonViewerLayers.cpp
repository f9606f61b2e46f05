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

#include <QAction>
#include <QActionGroup>
#include <QApplication>
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
        QAction* item = AddAction(varSolera, QStringLiteral("s1%1").arg(k), QStringLiteral("Capa %1").arg(k), true);
        item->setData(k);
        item->setVisible(false);
        connect(item, &QAction::triggered, this, [this, k](bool checked) { soleraClick(k, checked); });
    }
    varSolera->addSeparator();
    QueMover = varSolera->addMenu(QStringLiteral("¿Qué mover?"));
    QueMover->setObjectName("QueMover");
    auto* moveGroup = new QActionGroup(QueMover);
    const struct {
        const char* name;
        const char* text;
    } moveItems[] = {{"mSoleraTodo", "Todo"}, {"mSoleraVisi", "Visible"}, {"mSoleraSele", "Selección"}};
    for (int t = 1; t <= 3; ++t) {
        QAction* item = AddAction(QueMover, QString::fromLatin1(moveItems[t - 1].name),
                                  QString::fromUtf8(moveItems[t - 1].text), true);
        item->setData(t);
        moveGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { QueSolerasMover(item); });
    }
    Action("mSoleraVisi")->setChecked(true);
    // Moving layers with the mouse reads this item; it has no action of its own.
    AddAction(varSolera, "smove", QStringLiteral("Mover"), true);
    connect(AddAction(varSolera, "GuardarSoleras", QStringLiteral("Guardar como ...")), &QAction::triggered, this,
            &TPalvonViewer::GuardarSolerasClick);
    Action("tbSolera")->setMenu(varSolera);

    CoberturaLineas = BDerecho->addMenu(QStringLiteral("Cobertura Lineas"));
    CoberturaLineas->setObjectName("CoberturaLineas");
    for (int k = 1; k <= LayerMenuEntries; ++k) {
        const int tag = 10 + k;
        QMenu* entry = CoberturaLineas->addMenu(QStringLiteral("Solera %1").arg(k));
        entry->setObjectName(QStringLiteral("S11%1").arg(k));
        entry->menuAction()->setVisible(false);
        QAction* letra = AddAction(entry, QStringLiteral("Letra%1").arg(tag), QStringLiteral("Letra"));
        letra->setData(tag);
        connect(letra, &QAction::triggered, this, [this, letra] { Letra(letra); });
        QAction* names = AddAction(entry, QStringLiteral("Nombres%1").arg(tag), QStringLiteral("Nombres"), true);
        names->setData(tag);
        connect(names, &QAction::triggered, this, [this, tag](bool checked) { Nombres(tag, checked); });
    }

    // "Puntos" opens point files once a network is open.
    QAction* puntos = AddAction(nullptr, "Puntos5", QStringLiteral("Puntos"));
    puntos->setEnabled(false);
    connect(puntos, &QAction::triggered, this, &TPalvonViewer::Puntos5Click);
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const LineLayers::TLineLayerLoad load = LineLayers::LoadLineLayer(fileName, addLayer);
    QApplication::restoreOverrideCursor();
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
    SetDown("tbSolera", true);
    const QString layerName = Qs(GeoLayerNames[n]);
    QAction* item = Action(QStringLiteral("s1%1").arg(n));
    item->setText(layerName);
    item->setCheckable(true);
    item->setChecked(GeoLayerVisible[n] != 0);
    item->setVisible(true);
    Action("mSoleraSele")->setText(Qs(LineLayers::SelectionCaption()));
    if (QMenu* entry = findChild<QMenu*>(QStringLiteral("S11%1").arg(n))) {
        entry->setTitle(QStringLiteral("Solera: ") + layerName);
        entry->menuAction()->setVisible(true);
    }
    Action(QStringLiteral("Letra%1").arg(10 + n))->setText(LetraCaption(10 + n));
    QAction* names = Action(QStringLiteral("Nombres%1").arg(10 + n));
    names->setCheckable(true);
    names->setChecked(load.HasNames && load.Status == LineLayers::TLoadStatus::Loaded);

    if (load.Status == LineLayers::TLoadStatus::Loaded && !BatchMode)
        DrawPalvon();
}

void TPalvonViewer::PuntosGeo(const std::string& fileName)
{
    if (PointLayers::LoadPointFile(fileName) && !BatchMode)
        DrawPalvon();
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
        TDualListDialog& dialog = dld ? *dld : local;
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
            Action("mSoleraSele")->setText(Qs(LineLayers::SelectionCaption()));
        }
    }
    if (QueMover)
        QueMover->setTitle(QStringLiteral("¿Qué mover? (%1)").arg(item->text()));
}

void TPalvonViewer::GuardarSolerasClick() { KDVlib::WriteGeo(); }
