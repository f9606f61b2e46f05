// The main window's side of opening and files: the "Abrir" submenu, the open
// toolbar and the grids' "Importar ..." items placed (the files controller wires
// them), the commands a network makes available, and the answers to what the
// files ask of the window (TFilesHostAdapter).
#include "mainwindow/FilesHostAdapter.h"
#include "widgets/MenuUtils.h"

#include "mainwindow/PalvonViewer.h"
#include "mainwindow/GridsLayout.h"
#include "map/gui/OxrImage.h"
#include "model/ComplementaryData.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"
#include "widgets/CommandPlaces.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QKeySequence>
#include <QMenu>
#include <QToolBar>

#include <utility>

// ---------------------------------------------------------------- menus

void TPalvonViewer::CreateDataFileMenus(QMenu* archivo)
{
    // "Abrir" goes first in the file menu.
    QMenu* abrir = new QMenu(QStringLiteral("Abrir"), archivo);
    abrir->setObjectName("Abrir");
    archivo->insertMenu(archivo->actions().isEmpty() ? nullptr : archivo->actions().front(), abrir);

    CommandPlaces::Fill(*this, abrir, QStringLiteral("menu:Archivo>Abrir"));
    Action(Cmd::aFileOpenItem)->setToolTip(QStringLiteral("Abre una red Palvon"));
    for (TCommandId id : {Cmd::aOpenLPA, Cmd::aOpenLPL, Cmd::aOpenCnt, Cmd::aOpenComp, Cmd::aOpenZonif,
                          Cmd::aOpenTraza, Cmd::aOpenSolera, Cmd::GeneracinAtraccin1, Cmd::AbrirOrden})
        Action(id)->setEnabled(false); // a network must be open first

    if (!pupMovim) {
        pupMovim = new QMenu(this);
        pupMovim->setObjectName("pupMovim");
    }
    CommandPlaces::Fill(*this, pupMovim, QStringLiteral("popup:pupMovim"));

    CreateSelCommandMenus();
}

void TPalvonViewer::ConnectDataFileControls()
{
    // One open button per kind in the "Abrir" toolbar.
    for (int tag = 1; tag <= 9; ++tag)
        Action(TFilesController::OpenButton(tag))->setData(tag);
    // The context menus of the movement and transit-line grids.
    Grids().CreateGrids();
    for (auto [grid, menu] : {std::pair{sagMovim, pupMovim}, std::pair{sagLineas, pupLineas}}) {
        if (!grid || !menu)
            continue;
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [menu, grid](const QPoint& pos) { menu->popup(grid->mapToGlobal(pos)); });
    }
    files_.RegisterCommands(Registry());
}

void TPalvonViewer::EnableAfterOpen()
{
    for (TCommandId name : {Cmd::aVistaAnterior, Cmd::Copy1, Cmd::aAcercar1, Cmd::aAlejar1, Cmd::aVistaGeneral1,
                            Cmd::aReset1, Cmd::aDefinir1, Cmd::aAplicar1, Cmd::aPrint1, Cmd::aMultiPrint,
                            Cmd::aRedibujar, Cmd::aDataGrid1, Cmd::aOpenLPA, Cmd::aOpenLPL, Cmd::aOpenCnt,
                            Cmd::aOpenComp, Cmd::aOpenZonif, Cmd::aOpenTraza, Cmd::aOpenSolera, Cmd::RedPalvon1,
                            Cmd::AbrirOrden, Cmd::Puntos5, Cmd::GeneracinAtraccin1, Cmd::tbPoligonos,
                            Cmd::tbZoomFirst, Cmd::tbZoomIn, Cmd::tbZoomOut, Cmd::tbZoomSel, Cmd::tbShow,
                            Cmd::tbStreet, Cmd::tbMixs, Cmd::tbAerial, Cmd::tbArrows, Cmd::tbNodes, Cmd::tbNameNodes,
                            Cmd::tbCalles, Cmd::tbAtributos, Cmd::tbColores, Cmd::tbValues, Cmd::tbTit, Cmd::tbMove,
                            Cmd::tbZoom, Cmd::tbQuickView})
        Action(name)->setEnabled(true);
    for (QToolBar* bar : {tbarArcos, tbarMovimientos, tbarAdicionales})
        bar->show();
    // The lane width box is hidden with the start-up list; nothing else would
    // ever show it, and the lane drawing needs it.
    for (QAction* a : tbarArcos->actions())
        if (tbarArcos->widgetForAction(a) == Display().seAnchoPista)
            a->setVisible(true);
    img->SetPopupMenu(BDerecho, true);
    ApplyOpenVisibility();
}

// ---------------------------------------------------------------- TFilesHost

QString TFilesHostAdapter::Title() { return w_.windowTitle(); }

void TFilesHostAdapter::SetTitle(const QString& title) { w_.setWindowTitle(title); }

void TFilesHostAdapter::FillDeferredGrids() { w_.Grids().FillDeferredGrids(); }

void TFilesHostAdapter::ResetGridSort() { w_.Grids().ResetGridSort(); }

void TFilesHostAdapter::ConfigureGrids() { w_.Grids().ConfigureGrids(); }

void TFilesHostAdapter::DrawDataDat() { w_.Grids().DrawDataDat(); }

void TFilesHostAdapter::DrawDataLpa() { w_.Grids().DrawDataLpa(); }

void TFilesHostAdapter::DrawDataLpl() { w_.Grids().DrawDataLpl(); }

void TFilesHostAdapter::DrawDataCnt() { w_.Grids().DrawDataCnt(); }

void TFilesHostAdapter::RefreshVarItems() { w_.Grids().RefreshVarItems(); }

void TFilesHostAdapter::CheckGenatr(QAction* item) { w_.Grids().CheckGenatr(item); }

QMenu* TFilesHostAdapter::FlowVariableMenu() { return w_.varMix; }

void TFilesHostAdapter::OpenLineLayerFile(const std::string& fileName, bool addLayer)
{
    w_.Display().OpenLineLayerFile(fileName, addLayer);
}

void TFilesHostAdapter::LineaSoleras(const std::string& fileName, bool addLayer)
{
    w_.Display().LineaSoleras(fileName, addLayer);
}

void TFilesHostAdapter::EnableAfterOpen() { w_.EnableAfterOpen(); }

void TFilesHostAdapter::CloseWindow() { w_.close(); }

void TFilesHostAdapter::LoadViewConfig(TIniFile& ini, const std::string& section)
{
    w_.Settings().LeerConfiguracion(ini, section);
}

std::vector<QMenu*> TFilesHostAdapter::RecentMenus() { return {w_.ArchivosRecientes, w_.Recientes}; }

void TFilesHostAdapter::ShowComplementaryColumns(bool movements, const TCompPlacement& placement)
{
    w_.Grids().CreateGrids();
    TStringAlignGrid* grid = movements ? w_.sagMovim : w_.sagArcos;
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
        ClearMenu(w_.Grids().VarMovim);
        for (int c = 4; c < NumColMovim; ++c)
            w_.Grids().AgregarItemMovim(c);
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
        ClearMenu(w_.Grids().VarArcos);
        ClearMenu(w_.Grids().ConfigurarRmin);
        for (int c = 2; c < NumColArcos; ++c)
            w_.Grids().AgregarItemArcos(c);
        for (QAction* a : w_.Grids().ConfigurarRmin->actions())
            if (cost != 7 && a->data().toInt() == cost && a->isEnabled()) {
                a->trigger();
                break;
            }
    }
    grid->FitColWidths();
    GridLayout::RebuildCampos(grid, movements ? CamposMovims : CamposArcos);
}
