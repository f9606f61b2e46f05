#pragma once
// The main window's side of TMapViewHost: the map view and display controllers
// reach the window's widgets, its drawing of the views beside the map and the
// windows made on first use through it.
#include "map/gui/MapViewHost.h"

class TPalvonViewer;

class TMapViewHostAdapter final : public TMapViewHost {
public:
    explicit TMapViewHostAdapter(TPalvonViewer& window) : w_(window) {}
    ~TMapViewHostAdapter() = default;

    void DrawViewLayers(TOxrImage& canvas, bool magnifier) override;
    QWidget* RangeLegend() override;
    QWidget* BarLegend() override;
    QMenu* ViewMenu() override;
    QMenu* MapMenu() override;
    QToolBar* ToolBarOf(TCommandId barItem) override;
    QToolBar* AddToolBar(const QString& title) override;
    QToolBar* AddOpenToolBar() override;
    void AddStatusWidget(QWidget* widget) override;
    QTextEdit* TitleBox() override;
    void ShowMagnifierOptions() override;
    TFrmAerial& AerialView() override;
    TStreetView& StreetView() override;
    TKDVscale& ScaleDialog() override;
    TDlgSize& SizeDialog() override;
    TDualListDialog* ListChooser() override;
    bool RegionPickUnderWay() override;
    void EndRegionPick() override;

private:
    TPalvonViewer& w_;
};
