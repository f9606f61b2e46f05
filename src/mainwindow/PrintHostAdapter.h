#pragma once
// The main window as printing sees it (TPrintHost, TBatchPrintHost): its map
// canvas, legends and title box, its grids, its opening of networks, selections
// and polygons, and the preview and scale windows. It holds no state of its own.
#include "printing/gui/PrintHost.h"

class TPalvonViewer;

class TPrintHostAdapter final : public TPrintHost, public TBatchPrintHost {
public:
    explicit TPrintHostAdapter(TPalvonViewer& viewer) : v_(viewer) {}

    // TPrintHost
    TViewSnapshot MainMapSnapshot() override;
    TOxrImage* MapImage() override;
    TLegendImage* BarLegend() override;
    TLegendImage* RangeLegend() override;
    QString Titles() override;
    void SetTitles(const QString& lines) override;
    QString WindowCaption() override;
    void MarkShownTiles() override;
    TPreviewHost& PreviewHost() override;

    // TBatchPrintHost
    bool ConfirmBatchStart() override;
    bool OpenNetwork(const std::string& fileName) override;
    void OpenDataFile(TDataFile kind, const std::string& fileName) override;
    std::vector<std::string> TracesRead() override;
    void LoadBackgroundLines(const std::string& fileName) override;
    void SwapLineLayers(TGeoLayers& aside) override;
    void LoadViewConfig(TIniFile& ini, const std::string& section) override;
    void ImportLinkSelection(const std::string& fileName) override;
    void HideMarkedLinks() override;
    void ClearLinkSelection() override;
    void ImportPolygons(const std::string& fileName) override;
    TStringAlignGrid* LinkGrid() override;
    TStringAlignGrid* MovementGrid() override;
    void LinkRangeValues(TViewState& view) override;
    bool MovementRangeValues(TViewState& view) override;
    void ShowPutBackMarks(bool listShown) override;
    void HoldPhaseWindow() override;
    void PutBackPhaseWindow() override;
    void HoldGridOrder() override;
    void PutBackGridOrder() override;
    void SwapPolygons(TPolygonSet& aside) override;
    bool HoldUnsavedPositions(KDVlib::THeldPositions& held) override;
    void PutBackPositions(const KDVlib::THeldPositions& held, bool reread) override;

private:
    TPalvonViewer& v_;
};
