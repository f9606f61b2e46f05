// The main window's side of the exports: the menu "Exportar" and the grids'
// "Exportar datos..." items placed (the export controller wires them), and the
// answers to what the exports ask of the window (TExportHostAdapter).
#include "mainwindow/ExportHostAdapter.h"

#include "map/ViewSnapshot.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/CommandPlaces.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void TPalvonViewer::CreateExportMenus()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("E&xportar"));
    menu->setObjectName(QStringLiteral("Exportar"));
    // Hidden items: shown where the program offers them.
    const bool emmeShown = Action(Cmd::ExportaraEMME2)->isVisible();
    const bool planillasShown = Action(Cmd::GenerarPlanillas1)->isVisible();
    CommandPlaces::Fill(*this, menu, QStringLiteral("menu:Exportar"));
    Action(Cmd::ExportaraEMME2)->setVisible(emmeShown);
    Action(Cmd::ExportarDXF1)->setVisible(false);
    Action(Cmd::GenerarPlanillas1)->setVisible(planillasShown);
    menu->addSeparator(); // closes the menu's own items
    export_.RegisterCommands(Registry());
}

TViewSnapshot TExportHostAdapter::MainMapSnapshot() { return window_.Drawing().SnapshotView(); }

TStringAlignGrid* TExportHostAdapter::DataGrid(int tag)
{
    switch (tag) {
    case 1: return window_.sagZonas;
    case 2: return window_.sagNodos;
    case 3: return window_.sagArcos;
    case 4: return window_.sagLineas;
    case 5: return window_.sagMovim;
    case 31: return window_.sagArcosSel;
    default: return nullptr;
    }
}

void TExportHostAdapter::ArcosRangeValues() { window_.Grids().ArcosRangeValues(UserView()); }

bool TExportHostAdapter::MovimRangeValues() { return window_.Grids().MovimRangeValues(UserView()); }

bool TExportHostAdapter::KeepingUserNetwork(const std::function<bool()>& run)
{
    return window_.BatchPrinting().KeepingUserNetwork(run);
}

bool TExportHostAdapter::SetFileNames(const std::string& fullName) { return window_.Files().SetFileNames(fullName); }

bool TExportHostAdapter::RunOpening(std::string& unplaced) { return window_.Files().RunOpening(&unplaced); }
