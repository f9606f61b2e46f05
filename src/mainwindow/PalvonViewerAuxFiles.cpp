// Auxiliary data files of an open network: coordinates, complementary data and
// zoning; and what their loaders ask of the main window (the complementary grid
// columns, the generation/attraction menu, redraws).
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/PalvonViewerGridsLayout.h"
#include "model/AuxFileHooks.h"
#include "model/ComplementaryData.h"
#include "model/CoordinatesFiles.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/ZoningLoaders.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>

#include <filesystem>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// Removes and deletes a menu's items (they may also sit in a toolbar drop-down,
// where QMenu::clear would leave them alive).
void ClearMenu(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* a : menu->actions()) {
        menu->removeAction(a);
        if (a->objectName().isEmpty()) // named items are commands of the window: kept
            a->deleteLater();
    }
}

// The generation/attraction menu: one radio item per variable, then "Mover".
void BuildGenatrMenu(TPalvonViewer& w)
{
    QAction* root = w.Action(Cmd::GenAtrZona);
    QMenu* menu = root->menu();
    if (!menu) {
        menu = new QMenu(&w);
        menu->setObjectName(QStringLiteral("GenAtrZonaMenu"));
        root->setMenu(menu);
    }
    ClearMenu(menu);
    for (QActionGroup* old : menu->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly))
        delete old;
    auto* radio = new QActionGroup(menu);
    radio->setExclusive(true);
    for (size_t k = 1; k < GenatrNames.size(); ++k) {
        QAction* item = menu->addAction(Qs(GenatrNames[k]));
        item->setData(static_cast<int>(k));
        item->setCheckable(true);
        radio->addAction(item);
        QObject::connect(item, &QAction::triggered, &w, [&w, item] { w.CheckGenatr(item); });
    }
    menu->addSeparator();
    QAction* move = w.Action(Cmd::MoveGenatr);
    move->setCheckable(true);
    menu->addAction(move);
    root->setEnabled(GenatrNames.size() > 1);
}

class AuxFilesImpl : public AuxFileServices {
public:
    explicit AuxFilesImpl(TPalvonViewer& viewer) : viewer_(viewer) {}
    void ShowComplementaryColumns(bool movements, const TCompPlacement& placement) override
    {
        viewer_.ShowComplementaryColumns(movements, placement);
    }
    void BuildGenatrMenu() override { ::BuildGenatrMenu(viewer_); }
    void Redraw() override { viewer_.RedrawMap(); }

private:
    TPalvonViewer& viewer_;
};

} // namespace

// The loaders reach the newest main window through these hooks; with none they do nothing.
void TPalvonViewer::InstallAuxFileServices()
{
    auxFiles_ = std::make_unique<AuxFilesImpl>(*this);
    SetAuxFileServices(auxFiles_.get());
}

void TPalvonViewer::RemoveAuxFileServices()
{
    if (auxFiles_ && &AuxFileHooks() == auxFiles_.get())
        SetAuxFileServices(nullptr);
    auxFiles_.reset();
}

bool TPalvonViewer::OpenCoordinatesFile()
{
    // A batch run, or a run without a screen, has nobody to choose a file: as if
    // the dialog were cancelled.
    if (BatchMode ||
        (QGuiApplication::platformName() == QLatin1String("offscreen") && !AskCoordinatesWithoutScreen)) {
        KDVlib::FinishCoordinates();
        return false;
    }
    QFileDialog dialog(this, QStringLiteral("Open coordinates file"));
    const QStringList filters = {QStringLiteral("TransCAD exported text [*.geo] (*.geo)"),
                                 QStringLiteral("Drawing interchange file [*.dxf] (*.dxf)")};
    dialog.setNameFilters(filters);
    const QStringList shown = dialog.nameFilters();
    dialog.selectNameFilter(shown.front());
    dialog.setDefaultSuffix(QStringLiteral("geo"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    if (!chosen) {
        KDVlib::FinishCoordinates();
        return false;
    }
    CoordinatesFileName = dialog.selectedFiles().front().toStdString();
    // The reader is the one of the filter chosen, whatever the file's extension.
    const int kind = static_cast<int>(shown.indexOf(dialog.selectedNameFilter())) + 1;
    {
        TWaitCursor wait;
        KDVlib::LoadCoordinatesFile(CoordinatesFileName, kind);
    }
    // A file was chosen: the network stays open whatever the file held. One that
    // placed no node leaves nothing to draw yet, which the user is told; nodes can
    // still be placed with the mouse or another coordinates file.
    if (!Network.HasCoordinates)
        Services().ShowMessage(Format("El archivo %s no da coordenadas a ningún nodo de la red.",
                                      std::filesystem::path(CoordinatesFileName).filename().string()));
    return true;
}

void TPalvonViewer::OpenComplementaryFile(const std::string& fileName)
{
    ComplementaryFileName = fileName;
    TWaitCursor wait;
    KDVlib::LoadDatosComplementarios();
}

void TPalvonViewer::OpenZoningFile(const std::string& fileName)
{
    ZoningFileName = fileName;
    KDVlib::LoadZonificacion();
}

void TPalvonViewer::LoadZoning(const std::string& fileName)
{
    // Named by the network's "Velmora.ini" while the network opens: the opening
    // draws the map once it is complete.
    ZoningFileName = fileName;
    KDVlib::LoadZonificacion(false);
}

void TPalvonViewer::ShowComplementaryColumns(bool movements, const TCompPlacement& placement)
{
    CreateGrids();
    TStringAlignGrid* grid = movements ? sagMovim : sagArcos;
    const int32_t firstVar = movements ? FirstComplementaryMovVar : FirstComplementaryLinkVar;
    grid->SetColCount(movements ? NumColMovim : NumColArcos);
    for (int32_t c : placement.Cleared)
        if (c < grid->ColCount())
            for (int r = 0; r < grid->RowCount(); ++r)
                grid->setCell(c, r, std::string_view());
    std::vector<TColumnDef> defs;
    for (int32_t k = 1; k <= placement.Count; ++k) {
        const std::string& name = ComplementaryNames[static_cast<size_t>(k)];
        defs.push_back({name, name, firstVar + k - 1, 2});
        grid->setCell(placement.First + k - 1, 0, name);
    }
    if (placement.Count > 0)
        GridLayout::FillBlock(grid, placement.First, defs, movements);

    if (movements) {
        ClearMenu(VarMovim);
        for (int c = 4; c < NumColMovim; ++c)
            AgregarItemMovim(c);
    } else {
        // The street names a file may have brought.
        for (int c = 0; c < grid->ColCount(); ++c)
            if (grid->cell(c, 0) == "Calle") {
                for (int32_t i = 1; i <= Network.LinkCount && i < grid->RowCount(); ++i)
                    grid->setCell(c, i, ZelUtils::Trim(Arcos[i].StreetName));
                break;
            }
        // Both link menus are rebuilt together (each column adds to both); the
        // cost variable chosen for least-cost paths stays chosen.
        const int32_t cost = KDVlib::CostVar;
        ClearMenu(VarArcos);
        ClearMenu(ConfigurarRmin);
        for (int c = 2; c < NumColArcos; ++c)
            AgregarItemArcos(c);
        for (QAction* a : ConfigurarRmin->actions())
            if (cost != 7 && a->data().toInt() == cost && a->isEnabled()) {
                a->trigger();
                break;
            }
    }
    grid->FitColWidths();
    GridLayout::RebuildCampos(grid, movements ? CamposMovims : CamposArcos);
}
