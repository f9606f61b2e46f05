// The main window's side of the map view and display controllers: the host they
// reach the window through, the view tools' steps forwarded to the map view, and
// the order in which the toggles, the view and the display toolbars are wired.
#include "mainwindow/MapViewHostAdapter.h"

#include "mainwindow/PalvonViewer.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapCommands.h"
#include "map/gui/OxrImage.h"
#include "model/ZelUtils.h"
#include "widgets/CommandPlaces.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <functional>

namespace {

// A top-level menu of the menu bar by its title, made when there is none yet.
QMenu* TopMenu(QMenuBar* bar, const QString& title)
{
    for (QAction* a : bar->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return bar->addMenu(title);
}

// Runs a function after every resize of the watched widget.
class TResizeWatcher : public QObject {
public:
    TResizeWatcher(QObject* parent, std::function<void()> onResize) : QObject(parent), onResize_(std::move(onResize)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            onResize_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onResize_;
};

} // namespace

// ---- TMapViewHost ----

void TMapViewHostAdapter::DrawViewLayers(TOxrImage& canvas, bool magnifier)
{
    w_.Drawing().DrawLayerSequence(canvas, magnifier ? TLayerTarget::Magnifier : TLayerTarget::QuickView);
}

QWidget* TMapViewHostAdapter::RangeLegend() { return w_.sym; }

QWidget* TMapViewHostAdapter::BarLegend() { return w_.Scl; }

QMenu* TMapViewHostAdapter::ViewMenu() { return TopMenu(w_.menuBar(), QStringLiteral("&Ver")); }

QMenu* TMapViewHostAdapter::MapMenu() { return w_.BDerecho; }

QToolBar* TMapViewHostAdapter::ToolBarOf(TCommandId barItem)
{
    if (barItem == Cmd::Estandar1)
        return w_.tbarEstandar;
    if (barItem == Cmd::Arcos2)
        return w_.tbarArcos;
    if (barItem == Cmd::Movimientos1)
        return w_.tbarMovimientos;
    if (barItem == Cmd::Adicionales1)
        return w_.tbarAdicionales;
    if (barItem == Cmd::Abrir1)
        return w_.tbarOpen;
    if (barItem == Cmd::Ttulos1)
        return w_.Display().tbarTitulos;
    return nullptr;
}

QToolBar* TMapViewHostAdapter::AddToolBar(const QString& title) { return w_.addToolBar(title); }

QToolBar* TMapViewHostAdapter::AddOpenToolBar()
{
    w_.tbarOpen = w_.addToolBar(QStringLiteral("Abrir"));
    w_.tbarOpen->setObjectName("tbarOpen");
    CommandPlaces::Fill(w_, w_.tbarOpen, QStringLiteral("toolbar:tbarOpen"));
    QAction* recent = w_.Action(Cmd::tbRecientes);
    recent->setMenu(w_.Recientes);
    if (auto* b = qobject_cast<QToolButton*>(w_.tbarOpen->widgetForAction(recent)))
        b->setPopupMode(QToolButton::InstantPopup);
    w_.tbarOpen->hide();
    return w_.tbarOpen;
}

void TMapViewHostAdapter::AddStatusWidget(QWidget* widget) { w_.Status->addPermanentWidget(widget); }

QTextEdit* TMapViewHostAdapter::TitleBox() { return w_.tit; }

void TMapViewHostAdapter::ShowMagnifierOptions()
{
    TDlgCfg& options = Secondary::DlgCfg();
    QTabWidget* pages = options.CfgPaginas;
    for (int k = 0; k < pages->count(); ++k)
        pages->setTabVisible(k, pages->widget(k) == options.CfgAmpliacion);
    pages->setCurrentWidget(options.CfgAmpliacion);
    options.exec();
    for (int k = 0; k < pages->count(); ++k)
        pages->setTabVisible(k, true);
    pages->setCurrentWidget(options.CfgPreferencias);
}

TFrmAerial& TMapViewHostAdapter::AerialView() { return Secondary::FrmAerial(); }

TStreetView& TMapViewHostAdapter::StreetView() { return Secondary::StreetView(); }

TKDVscale& TMapViewHostAdapter::ScaleDialog() { return Secondary::KDVscale(); }

TDlgSize& TMapViewHostAdapter::SizeDialog() { return Secondary::DlgSize(); }

TDualListDialog* TMapViewHostAdapter::ListChooser() { return w_.Selection().dld; }

// ---- Wiring ----

void TPalvonViewer::ConnectToggles()
{
    Display().ConnectToggles();

    // ---- The data grids beside the map ----
    QAction* dataGrid = Action(Cmd::aDataGrid1);
    dataGrid->setCheckable(true);
    dataGrid->setChecked(true);
    QAction* tbDatos = Action(Cmd::tbDatos);
    tbDatos->setCheckable(true);
    tbDatos->setChecked(dataGrid->isChecked());
    connect(dataGrid, &QAction::toggled, tbDatos, &QAction::setChecked);
    connect(tbDatos, &QAction::toggled, dataGrid, &QAction::setChecked);
    auto dataGrid1 = [this] {
        tnDatos->setVisible(Action(Cmd::aDataGrid1)->isChecked());
        RedrawMap();
    };
    Registry().Register(CommandTable::TOwner::Window, Cmd::aDataGrid1, dataGrid1);
    Registry().Register(CommandTable::TOwner::Window, Cmd::tbDatos, dataGrid1);

    // The map view; the full map mouse handlers call its view steps for their modes.
    MapView().Connect();
    MapEdit().ConnectMapMouse();
    // The lane and movement boxes, the title toolbar, the open toolbar and "Barras".
    Display().CreateToolbars();

    // The map's size ratio in the status bar.
    img->installEventFilter(new TResizeWatcher(this, [this] { ShowMapProportions(); }));
}

bool TMapViewHostAdapter::RegionPickUnderWay() { return w_.Selection().PolySelectKind != 0; }

void TMapViewHostAdapter::EndRegionPick() { w_.Selection().PolySelectKind = 0; }
