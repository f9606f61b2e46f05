#pragma once
// The main window's side of the data grids: TGridsHost answered from the window's
// menus, toolbars, map, legends, selection and analysis. The window holds one,
// beside its TGridsController.
#include "mainwindow/GridsController.h"

class TPalvonViewer;

class TGridsHostAdapter final : public TGridsHost {
public:
    explicit TGridsHostAdapter(TPalvonViewer& w) : w_(w) {}

    QMenu* GridPopup(TPopup which) override;
    QAction* NamedAction(const QString& name) override;
    QToolBar* DataLayerBar(bool movements) override;
    TOxrImage& MapCanvas() override;
    void CreateLegends() override;
    void PlaceLegendsAfresh() override;
    void ListSelectedLinks() override;
    int32_t FlowDiagramVar() override;
    tgaugeCaption* CaptionGauge() override;

private:
    TPalvonViewer& w_;
};
