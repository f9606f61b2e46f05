#pragma once
// What the map view and display controllers (TMapViewController,
// TDisplayController) need of the main window beyond TWindowHost and TMapHost:
// the drawing of the views beside the map, the widgets of the window they place
// their commands and boxes in, and the windows beside the map. The main window
// implements it when it makes the controllers.
#include "widgets/CommandTable.h"

class QMenu;
class QString;
class QTextEdit;
class QToolBar;
class QWidget;
class TDlgSize;
class TDualListDialog;
class TFrmAerial;
class TKDVscale;
class TOxrImage;
class TStreetView;

class TMapViewHost {
public:
    // The layers of the map as a still quick view (false) or the magnifier (true)
    // draws them, on `canvas`.
    virtual void DrawViewLayers(TOxrImage& canvas, bool magnifier) = 0;
    // The legends over the map: ranges and bars (null until the grids are made).
    virtual QWidget* RangeLegend() = 0;
    virtual QWidget* BarLegend() = 0;
    // The menu "&Ver" of the menu bar and the map's right-button menu.
    virtual QMenu* ViewMenu() = 0;
    virtual QMenu* MapMenu() = 0;
    // The window's toolbar shown or hidden by an item of "Barras de herramientas"
    // (Estandar1, Arcos2, Movimientos1, Adicionales1, Abrir1).
    virtual QToolBar* ToolBarOf(TCommandId barItem) = 0;
    // A new toolbar of the window, after the ones made so far.
    virtual QToolBar* AddToolBar(const QString& title) = 0;
    // The toolbar of the recent networks, made hidden (it follows the title toolbar).
    virtual QToolBar* AddOpenToolBar() = 0;
    // A widget at the right end of the status bar.
    virtual void AddStatusWidget(QWidget* widget) = 0;
    // The title box over the map.
    virtual QTextEdit* TitleBox() = 0;
    // The options dialog with its magnifier page alone.
    virtual void ShowMagnifierOptions() = 0;
    // The windows beside the map, made on first use.
    virtual TFrmAerial& AerialView() = 0;
    virtual TStreetView& StreetView() = 0;
    virtual TKDVscale& ScaleDialog() = 0;
    virtual TDlgSize& SizeDialog() = 0;
    // The window's two-list chooser, null until a selection command has made it.
    virtual TDualListDialog* ListChooser() = 0;
    // A region is being drawn on the map (the zoom steps wait for it); the pan
    // and magnifier tools end it.
    virtual bool RegionPickUnderWay() = 0;
    virtual void EndRegionPick() = 0;

protected:
    ~TMapViewHost() = default;
};
