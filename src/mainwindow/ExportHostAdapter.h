#pragma once
// The main window's side of the exports: what TExportController asks of it
// (TExportHost), answered from the window's grids, view and openings. The window
// makes one beside its export controller.
#include "export/gui/ExportHost.h"

class TPalvonViewer;

class TExportHostAdapter final : public TExportHost {
public:
    explicit TExportHostAdapter(TPalvonViewer& window) : window_(window) {}

    TViewSnapshot MainMapSnapshot() override;
    TStringAlignGrid* DataGrid(int tag) override;
    void ArcosRangeValues() override;
    bool MovimRangeValues() override;
    bool KeepingUserNetwork(const std::function<bool()>& run) override;
    bool SetFileNames(const std::string& fullName) override;
    bool RunOpening(std::string& unplaced) override;

private:
    TPalvonViewer& window_;
};
