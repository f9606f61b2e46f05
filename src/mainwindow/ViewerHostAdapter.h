#pragma once
// The main window as the themes, the settings, the windows beside the map, the
// find dialog and the print preview see it: its canvas, legends, title box and
// grids, and the controllers that answer for it. It holds no state of its own.
#include "map/gui/MapHost.h"
#include "mainwindow/FindHost.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/ThemesController.h"
#include "printing/gui/PreviewHost.h"

class TPalvonViewer;

class TViewerHostAdapter final : public TThemesHost,
                                 public TSettingsHost,
                                 public TMapHost,
                                 public TFindHost,
                                 public TPreviewHost {
public:
    explicit TViewerHostAdapter(TPalvonViewer& viewer) : v_(viewer) {}

    // TThemesHost
    void SaveViewConfig(TIniFile& ini, const std::string& section) override;
    void LoadViewConfig(TIniFile& ini, const std::string& section) override;
    bool AskText(const std::string& caption, const std::string& prompt, std::string& text) override;
    // TThemesHost, TMapHost, TFindHost
    void RedrawMap() override;

    // TSettingsHost
    QAction* ActionNamed(const QString& name) override;
    QMenu* EditMenu() override;
    QTextEdit* MapTitle() override;
    TLegendImage* RangeLegend() override;
    TLegendImage* BarLegend() override;
    TStringAlignGrid* LinkGrid() override;
    void LinkRangeValues() override;
    void LoadLineLayer(const std::string& fileName, bool add) override;
    // TSettingsHost, TMapHost, TFindHost
    TOxrImage* MapImage() override;
    void ShowScaleKept(bool kept) override;

    // TMapHost
    void RedrawAerial() override;
    bool CommandOn(TCommandId id) override;
    void SetCommandOn(TCommandId id, bool on) override;

    // TFindHost
    TStringAlignGrid* FindGrid(int kind) override;
    void ListFoundLinks() override;

    // TPreviewHost
    void RemakePreview() override;
    bool ExportDxf(const std::string& fileName) override;
    bool ExportKmz(const std::string& fileName) override;
    bool ExportShp(const std::string& fileName) override;

private:
    TPalvonViewer& v_;
};
