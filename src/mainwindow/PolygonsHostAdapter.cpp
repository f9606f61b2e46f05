// The main window's side of the user polygons: the menu "Polígonos" with its six
// polygon submenus, the map's polygon popup `varPolig` and "Guardar" of the zones
// popup (the controller registers their handlers), the polygon tools' mouse
// operations handed to the controller, and TPolygonsHost answered from the window.
#include "mainwindow/PolygonsHostAdapter.h"

#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/CommandPlaces.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QVariant>

#include <utility>

// ---------------------------------------------------------------- menus

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

// ---------------------------------------------------------------- TPolygonsHost

TOxrImage& TPolygonsHostAdapter::MapCanvas() { return *w_.img; }

void TPolygonsHostAdapter::HideLegends()
{
    if (w_.sym)
        w_.sym->hide();
    if (w_.Scl)
        w_.Scl->hide();
}

QMenu* TPolygonsHostAdapter::PolygonMenu(const char* name, bool make)
{
    const QString objectName = QString::fromLatin1(name);
    if (auto* m = w_.findChild<QMenu*>(objectName))
        return m;
    if (!make)
        return nullptr;
    auto* m = new QMenu(&w_);
    m->setObjectName(objectName);
    return m;
}

TDlgCfg& TPolygonsHostAdapter::OptionsDialog() { return Secondary::DlgCfg(); }

QPolygonF& TPolygonsHostAdapter::DrawnPoints() { return w_.Selection().PolyPoints; }

uint32_t TPolygonsHostAdapter::RubberLineColor() { return w_.Selection().RegionOutlineColor(); }

bool TPolygonsHostAdapter::AskPolygonName(std::string& name)
{
    if (w_.Display().Dialogs.InputText)
        return w_.Display().Dialogs.InputText("Construcción de Polígonos", "Ingrese el nombre del polígono", name);
    QVariant value(QString::fromStdString(name));
    const bool accepted = ZelUtils::InputInteger("Construcción de Polígonos", "Ingrese el nombre del polígono",
                                                 value, ZelUtils::FieldText);
    name = value.toString().toStdString();
    return accepted;
}
