#pragma once
// The main window's side of opening and files: what TFilesController asks of it
// (TFilesHost), answered from the window's title, grids, layers, menus and
// commands. The window holds one, beside its TFilesController.
#include "mainwindow/FilesController.h"

class TPalvonViewer;

class TFilesHostAdapter final : public TFilesHost {
public:
    explicit TFilesHostAdapter(TPalvonViewer& w) : w_(w) {}

    QString Title() override;
    void SetTitle(const QString& title) override;
    void FillDeferredGrids() override;
    void ResetGridSort() override;
    void ConfigureGrids() override;
    void DrawDataDat() override;
    void DrawDataLpa() override;
    void DrawDataLpl() override;
    void DrawDataCnt() override;
    void RefreshVarItems() override;
    void ShowComplementaryColumns(bool movements, const TCompPlacement& placement) override;
    void CheckGenatr(QAction* item) override;
    QMenu* FlowVariableMenu() override;
    void OpenLineLayerFile(const std::string& fileName, bool addLayer) override;
    void LineaSoleras(const std::string& fileName, bool addLayer) override;
    void EnableAfterOpen() override;
    void CloseWindow() override;
    void LoadViewConfig(TIniFile& ini, const std::string& section) override;
    std::vector<QMenu*> RecentMenus() override;

private:
    TPalvonViewer& w_;
};
