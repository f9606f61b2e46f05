#pragma once
// The main window as the windows beside the map and the print preview see it:
// its canvas, its commands, and the controllers that answer for it. It holds no
// state of its own.
#include "map/gui/MapHost.h"
#include "printing/gui/PreviewHost.h"

class TPalvonViewer;

class TViewerHostAdapter final : public TMapHost, public TPreviewHost {
public:
    explicit TViewerHostAdapter(TPalvonViewer& viewer) : v_(viewer) {}

    // TMapHost
    TOxrImage* MapImage() override;
    void RedrawMap() override;
    void RedrawAerial() override;
    bool CommandOn(TCommandId id) override;
    void SetCommandOn(TCommandId id, bool on) override;
    void ShowScaleKept(bool kept) override;

    // TPreviewHost
    void RemakePreview() override;
    bool ExportDxf(const std::string& fileName) override;
    bool ExportKmz(const std::string& fileName) override;
    bool ExportShp(const std::string& fileName) override;

private:
    TPalvonViewer& v_;
};
