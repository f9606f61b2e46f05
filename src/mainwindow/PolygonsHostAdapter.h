#pragma once
// The main window's side of the user polygons: TPolygonsHost answered from the
// window's map, legends, polygon submenus, options dialog and the selection's
// drawn points. The window holds one, beside its TPolygonsController.
#include "mainwindow/PolygonsController.h"

class TPalvonViewer;

class TPolygonsHostAdapter final : public TPolygonsHost {
public:
    explicit TPolygonsHostAdapter(TPalvonViewer& w) : w_(w) {}

    TOxrImage& MapCanvas() override;
    void HideLegends() override;
    QMenu* PolygonMenu(const char* name, bool make) override;
    TDlgCfg& OptionsDialog() override;
    QPolygonF& DrawnPoints() override;
    uint32_t RubberLineColor() override;
    bool AskPolygonName(std::string& name) override;

private:
    TPalvonViewer& w_;
};
