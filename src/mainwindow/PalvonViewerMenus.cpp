// The menus the window holds for its features: the "Abrir" submenu, the open
// toolbar and the grids' "Importar ..." items, the menu "&Selección", the grids'
// pop-ups with their selection items, the menu "Polígonos" with its six polygon
// submenus and the map's polygon popup (the controllers register the handlers of
// their rows); and the commands a network makes available.
#include "mainwindow/PalvonViewer.h"
#include "map/gui/OxrImage.h"
#include "widgets/CommandPlaces.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <utility>

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

// The menu "Polígonos" in "Herramientas" with its six polygon submenus, the map's
// polygon popup `varPolig` (the polygons register their handlers).
void TPalvonViewer::CreatePolygonMenus()
{
    // The polygon commands sit in the tools menu, beside the themes.
    QMenu* tools = nullptr;
    for (QAction* a : menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QStringLiteral("Herramientas"))
            tools = a->menu();
    if (!tools)
        tools = menuBar()->addMenu(QStringLiteral("&Herramientas"));
    QMenu* menu = tools->addMenu(QStringLiteral("Polígonos"));
    menu->setObjectName("mnuPoligonos");
    // The polygons of the network, one submenu each (filled as polygons come),
    // between "Nuevo" and "Configurar" (which opens the options on the polygon and
    // zoning colours, connected with the table's items).
    CommandPlaces::Fill(*this, menu, QStringLiteral("menu:Herramientas>Polígonos"));
    for (const auto& [name, title] : {std::pair{"EliminarPoligonos", "Eliminar"},
                                      std::pair{"RedefinirPoligonos", "Redefinir"},
                                      std::pair{"ReconfigurarPoligonos", "Reconfigurar"}}) {
        auto* m = new QMenu(QString::fromUtf8(title), menu);
        m->setObjectName(QString::fromLatin1(name));
        menu->insertMenu(Action(Cmd::aConfigurar1), m);
    }

    // The map's polygon popup.
    auto* varPolig = new QMenu(QStringLiteral("Polígonos"), this);
    varPolig->setObjectName("varPolig");
    CommandPlaces::Fill(*this, varPolig, QStringLiteral("popup:varPolig"));
    for (const auto& [name, title] : {std::pair{"pupEliminarPoligonos", "Eliminar"},
                                      std::pair{"pupRedefinirPoligonos", "Redefinir"},
                                      std::pair{"pupReconfigurarPoligonos", "Reconfigurar"}}) {
        auto* m = new QMenu(QString::fromUtf8(title), varPolig);
        m->setObjectName(QString::fromLatin1(name));
        varPolig->insertMenu(Action(Cmd::MostrarNombresPlg), m);
    }
    if (BDerecho)
        BDerecho->addMenu(varPolig);

    polygons_.RegisterCommands(Registry());
}
