#pragma once
// The main window's side of the selection: TSelectionHost answered from the
// window's grids, map and polygons (the grid of selected links under the link grid
// is made here, in a splitter). The window holds one, beside its TSelectionController.
#include "mainwindow/SelectionController.h"

class TPalvonViewer;

class TSelectionHostAdapter final : public TSelectionHost {
public:
    explicit TSelectionHostAdapter(TPalvonViewer& w) : w_(w) {}

    TStringAlignGrid* Grid(TGrid which) override;
    void CreateGrids() override;
    TStringAlignGrid* SelectedLinksGrid(bool make) override;
    int32_t LinkOfRow(int row) override;
    void ColorLinkRow(int row, int32_t mark) override;
    TOxrImage& MapCanvas() override;
    void HideLegends() override;
    void ZoomToSelection() override;
    int ShownGrid() override;
    void SetCaption(const QString& caption) override;
    std::string PolygonFileName() override;
    void ImportPolygons(const std::string& plgFileName) override;

private:
    TPalvonViewer& w_;
};
