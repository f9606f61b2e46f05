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

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QVariant>

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
    AddAction(menu, Cmd::aConstruir1);
    auto sub = [](QMenu* parent, const char* name, const char* title) {
        QMenu* m = parent->addMenu(QString::fromUtf8(title));
        m->setObjectName(QString::fromLatin1(name));
    };
    sub(menu, "EliminarPoligonos", "Eliminar");
    sub(menu, "RedefinirPoligonos", "Redefinir");
    sub(menu, "ReconfigurarPoligonos", "Reconfigurar");
    // "Configurar" opens the options on the polygon and zoning colours (connected with the table's items).
    AddAction(menu, Cmd::aConfigurar1);
    menu->addSeparator();
    AddAction(menu, Cmd::aExportar1);
    AddAction(menu, Cmd::aImportar1);

    // The map's polygon popup.
    auto* varPolig = new QMenu(QStringLiteral("Polígonos"), this);
    varPolig->setObjectName("varPolig");
    AddAction(varPolig, Cmd::pupNuevoPoligono);
    sub(varPolig, "pupEliminarPoligonos", "Eliminar");
    sub(varPolig, "pupRedefinirPoligonos", "Redefinir");
    sub(varPolig, "pupReconfigurarPoligonos", "Reconfigurar");
    if (BDerecho)
        BDerecho->addMenu(varPolig);

    // "Guardar" of the zones popup: the zone outlines as a zoning file.
    if (QMenu* zonas = findChild<QMenu*>(QStringLiteral("BDZonas")))
        AddAction(zonas, Cmd::SaveZon);

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
