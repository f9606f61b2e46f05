// The items that other features keep in the menus the display builds: the
// intersection views' border width, phases window and junction types, the map's
// double click, and the menus "Herramientas" (calculator, themes) and "Ayuda".
#include "analysis/Fases.h"
#include "widgets/MenuUtils.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DrawState.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/Calculator.h"
#include "widgets/CommandPlaces.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// A top-level menu of the menu bar by its title, made when there is none yet.
QMenu* TopMenu(QMenuBar* bar, const QString& title)
{
    for (QAction* a : bar->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return bar->addMenu(title);
}

} // namespace

void TPalvonViewer::CreateToolMenus()
{
    // ---- Intersection views: border width and the phases window ----
    auto* intersecciones = new QMenu(CommandTable::Caption(Cmd::AnalisisIntersecciones), this);
    intersecciones->setObjectName("AnalisisInterseccionesMenu");
    Action(Cmd::AnalisisIntersecciones)->setMenu(intersecciones);
    QMenu* configurar = SubMenu(intersecciones, "ConfigurarIntersecciones", QStringLiteral("Configurar"));
    auto* borde = new QMenu(this);
    borde->setObjectName("BordeAnchoMenu");
    Action(Cmd::BordeAncho)->setText(Qs(Format("Borde ancho (%.1f)", UserView().IntersectionBorderWidth)));
    CommandPlaces::Fill(*this, configurar, QStringLiteral("menu:Procesos>Análisis de Intersecciones>Configurar"));
    Action(Cmd::BordeAncho)->setMenu(borde);
    CommandPlaces::Fill(*this, borde,
                        QStringLiteral("menu:Procesos>Análisis de Intersecciones>Configurar>#BordeAncho"));
    auto* bordeGroup = new QActionGroup(borde);
    for (int tag = 0; tag <= 4; ++tag) {
        QAction* item = Action(QStringLiteral("BordePuntos%1").arg(tag));
        item->setData(tag);
        bordeGroup->addAction(item);
    }
    CommandPlaces::Fill(*this, intersecciones, QStringLiteral("menu:Procesos>Análisis de Intersecciones"));

    // The map's double click (the press before it records the pixel).
    connect(img, &TOxrImage::OnDblClick, this, [this] { MapEdit().imgDblClick(); });

    // ---- Tools and help ----
    QMenu* herramientas = TopMenu(menuBar(), QStringLiteral("&Herramientas"));
    CommandPlaces::Fill(*this, herramientas, QStringLiteral("menu:Herramientas"));
    Registry().Register(CommandTable::TOwner::Window, Cmd::aCalculator1, this, &TPalvonViewer::Calculator1Click);
    QMenu* temas = SubMenu(herramientas, "Temas", QStringLiteral("Temas"));
    CommandPlaces::FillWhenShown(*this, temas, QStringLiteral("menu:Herramientas>Temas"), this);
    QMenu* ayuda = TopMenu(menuBar(), QStringLiteral("A&yuda"));
    // Help contents and mail have nothing behind them: shown disabled, and the
    // hint says why.
    ayuda->setToolTipsVisible(true);
    CommandPlaces::FillWhenShown(*this, ayuda, QStringLiteral("menu:Ayuda"), this);
    const QString why = QStringLiteral("No disponible: esta versión no incluye %1");
    const std::pair<TCommandId, const char*> items[] = {{Cmd::aContenido1, "archivo de ayuda"},
                                                        {Cmd::aemail1, "envío de correo"}};
    for (const auto& [id, what] : items) {
        QAction* item = Action(id);
        item->setEnabled(false);
        item->setToolTip(why.arg(QString::fromUtf8(what)));
        item->setStatusTip(item->toolTip());
    }
    Registry().Register(CommandTable::TOwner::Window, Cmd::AcercaDe1, &settings_, &TSettingsController::AcercaDe1Click);
}

void TPalvonViewer::Calculator1Click()
{
    auto* calc = findChild<TCalculator*>(QStringLiteral("Calc"), Qt::FindDirectChildrenOnly);
    if (!calc)
        calc = new TCalculator(this);
    calc->exec();
}
