// The main window's side of the selection: the menu "&Selección", the grids'
// pop-ups with their selection items and the selection items of "Polígonos" (the
// controller registers their handlers), the grid of selected links under the link
// grid, and TSelectionHost answered from the window.
#include "mainwindow/SelectionHostAdapter.h"

#include "mainwindow/PalvonViewer.h"
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"
#include "widgets/CommandPlaces.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

// ---------------------------------------------------------------- menus

void TPalvonViewer::CreateSelectionMenus()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Selección"));
    menu->setObjectName("Seleccion");
    pupArcos = new QMenu(this);
    pupArcos->setObjectName("pupArcos");
    pupZonas = new QMenu(this);
    pupZonas->setObjectName("pupZonas");
    pupNodos = new QMenu(this);
    pupNodos->setObjectName("pupNodos");

    CommandPlaces::Fill(*this, menu, QStringLiteral("menu:Selección"));
    // The grids' menus (their items from every feature that owns one).
    CommandPlaces::Fill(*this, pupArcos, QStringLiteral("popup:pupArcos"));
    CommandPlaces::Fill(*this, pupZonas, QStringLiteral("popup:pupZonas"));
    CommandPlaces::Fill(*this, pupNodos, QStringLiteral("popup:pupNodos"));
    Action(Cmd::SeleccinporRegin1)->setData(3);
    Action(Cmd::VerSeleccion)->setEnabled(false);
    Action(Cmd::SeleccinporRegin3)->setData(1);
    Action(Cmd::SeleccinporRegin2)->setData(2);
}

void TPalvonViewer::CreateSelCommandMenus()
{
    // The marks of the links grid, a submenu of its menu before "Exportar datos...".
    auto* sub = new QMenu(QStringLiteral("Selección"), pupArcos);
    sub->setObjectName("Seleccin1Menu");
    pupArcos->insertMenu(Action(Cmd::ExportarArcos), sub);
    CommandPlaces::Fill(*this, sub, QStringLiteral("popup:pupArcos>Selección"));

    pupLineas = new QMenu(this);
    pupLineas->setObjectName("pupLineas");
    CommandPlaces::Fill(*this, pupLineas, QStringLiteral("popup:pupLineas"));

    // "Polígonos": the polygon menu when there is one, else a submenu of the tools.
    QMenu* poly = findChild<QMenu*>(QStringLiteral("mnuPoligonos"));
    if (!poly) {
        QMenu* tools = nullptr;
        for (QAction* a : menuBar()->actions())
            if (a->menu() && a->text() == QStringLiteral("&Herramientas"))
                tools = a->menu();
        if (!tools)
            tools = menuBar()->addMenu(QStringLiteral("&Herramientas"));
        poly = tools->addMenu(QStringLiteral("Polígonos"));
        poly->setObjectName("mnuPoligonos");
    }
    CommandPlaces::Fill(*this, poly, QStringLiteral("menu:Herramientas>Polígonos"));

    // Every selection row has its action now.
    selection_.RegisterCommands(Registry());
}

// ---------------------------------------------------------------- TSelectionHost

TStringAlignGrid* TSelectionHostAdapter::Grid(TGrid which)
{
    switch (which) {
    case TGrid::Zones: return w_.sagZonas;
    case TGrid::Nodes: return w_.sagNodos;
    case TGrid::Lines: return w_.sagLineas;
    case TGrid::Links: break;
    }
    return w_.sagArcos;
}

void TSelectionHostAdapter::CreateGrids() { w_.Grids().CreateGrids(); }

TStringAlignGrid* TSelectionHostAdapter::SelectedLinksGrid(bool make)
{
    if (w_.sagArcosSel || !make)
        return w_.sagArcosSel;
    // The link grid above, the selected links below, in the links page.
    auto* layout = qobject_cast<QVBoxLayout*>(w_.tsArcos->layout());
    auto* split = new QSplitter(Qt::Vertical, w_.tsArcos);
    split->setObjectName("SplitArcos");
    if (layout) {
        layout->removeWidget(w_.sagArcos);
        layout->addWidget(split);
    }
    split->addWidget(w_.sagArcos);
    TStringAlignGrid* grid = new TStringAlignGrid(split);
    w_.sagArcosSel = grid;
    grid->setObjectName("sagArcosSel");
    grid->SetFixedRows(1);
    grid->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    split->addWidget(grid);
    grid->hide();
    split->show(); // made after its page may have been shown
    if (QMenu* menu = w_.pupArcos) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(grid, &QWidget::customContextMenuRequested, &w_,
                         [menu, grid](const QPoint& pos) { menu->popup(grid->mapToGlobal(pos)); });
    }
    TPalvonViewer& w = w_;
    QObject::connect(grid, &TStringAlignGrid::mouseMoved, &w_, [&w] { w.Grids().LinkGridMouseOver = false; });
    return grid;
}

int32_t TSelectionHostAdapter::LinkOfRow(int row) { return w_.Grids().LinkOfRow(row); }

void TSelectionHostAdapter::ColorLinkRow(int row, int32_t mark) { w_.Grids().ColorLinkRow(row, mark); }

TOxrImage& TSelectionHostAdapter::MapCanvas() { return *w_.img; }

void TSelectionHostAdapter::HideLegends()
{
    if (w_.sym)
        w_.sym->hide();
    if (w_.Scl)
        w_.Scl->hide();
}

void TSelectionHostAdapter::ZoomToSelection() { w_.MapView().ZoomSel(); }

int TSelectionHostAdapter::ShownGrid()
{
    QWidget* page = w_.tnDatos->currentWidget();
    if (page == w_.tsZonas)
        return 0;
    if (page == w_.tsNodos)
        return 1;
    if (page == w_.tsLineas)
        return 3;
    if (page == w_.tsMovim)
        return 4;
    return 2;
}

void TSelectionHostAdapter::SetCaption(const QString& caption) { w_.setWindowTitle(caption); }

std::string TSelectionHostAdapter::PolygonFileName() { return w_.Polygons().PolygonFileName; }

void TSelectionHostAdapter::ImportPolygons(const std::string& plgFileName)
{
    w_.Polygons().PolygonFileName = plgFileName;
    w_.Polygons().ImportarPoligonosPlg();
}
