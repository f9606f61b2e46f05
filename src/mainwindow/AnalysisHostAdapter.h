#pragma once
// The main window as the analyses' host: what TAnalysisController asks of it
// beyond TWindowHost, answered from the window's grids, gauge, menus and its
// network opening. The window makes one beside its analysis controller.
#include "analysis/gui/AnalysisController.h"

class TPalvonViewer;

class TAnalysisHostAdapter final : public TAnalysisHost {
public:
    explicit TAnalysisHostAdapter(TPalvonViewer& window) : w_(window) {}

    TStringAlignGrid* LinkGrid() override;
    TStringAlignGrid* ZoneGrid() override;
    tgaugeCaption* CaptionGauge() override;
    void LinksMarked() override;
    QMenu* FlowVariableMenu() override;
    TFrmMix& FlowDiagramWindow() override;
    TFrmFases& PhaseWindow() override;
    bool KeepingUserNetwork(const std::function<bool()>& report) override;
    bool OpenNetworkUnattended(const std::string& fileName, std::string& unplaced) override;

private:
    TPalvonViewer& w_;
};
