// The window's side of the windows beside the map and of the print preview.
#include "mainwindow/ViewerHostAdapter.h"
#include "mainwindow/PalvonViewer.h"

void TViewerHostAdapter::RedrawMap() { v_.RedrawMap(); }

TOxrImage* TViewerHostAdapter::MapImage() { return v_.img; }

void TViewerHostAdapter::ShowScaleKept(bool kept) { v_.MapView().ShowScaleKept(kept); }

void TViewerHostAdapter::RedrawAerial() { v_.MapView().DrawNetWorkAerial(); }

bool TViewerHostAdapter::CommandOn(TCommandId id) { return v_.CommandOn(id); }

void TViewerHostAdapter::SetCommandOn(TCommandId id, bool on) { v_.SetCommandOn(id, on); }

void TViewerHostAdapter::RemakePreview() { v_.Printing().PrintFilePalvon(); }

bool TViewerHostAdapter::ExportDxf(const std::string& fileName) { return v_.Export().PrintDxfFile(fileName); }

bool TViewerHostAdapter::ExportKmz(const std::string& fileName) { return v_.Export().Kmz().PrintKmzFile(fileName); }

bool TViewerHostAdapter::ExportShp(const std::string& fileName) { return v_.Export().PrintShpFile(fileName); }
