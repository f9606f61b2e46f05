// What the window answers to the hosts of its controllers and of the windows
// beside the map: the redraw, the status bar, the ticks, the canvas, the find
// dialog's grids, the print preview's remakes and exports.
#include "mainwindow/PalvonViewer.h"
#include "map/gui/MapRenderer.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QLabel>

void TPalvonViewer::RedrawMap() { drawing_.DrawPalvon(); }

TOxrImage* TPalvonViewer::MapImage() { return img; }

void TPalvonViewer::RedrawAerial() { MapView().DrawNetWorkAerial(); }

TStringAlignGrid* TPalvonViewer::FindGrid(int kind)
{
    switch (kind) {
    case 0: return sagZonas;
    case 1: return sagNodos;
    case 3: return sagLineas;
    case 4: return sagMovim;
    default: return sagArcos;
    }
}

void TPalvonViewer::ListFoundLinks() { Selection().ListFoundLinks(); }

void TPalvonViewer::RemakePreview() { printing_.PrintFilePalvon(); }

bool TPalvonViewer::ExportDxf(const std::string& fileName) { return export_.PrintDxfFile(fileName); }

bool TPalvonViewer::ExportKmz(const std::string& fileName) { return export_.Kmz().PrintKmzFile(fileName); }

bool TPalvonViewer::ExportShp(const std::string& fileName) { return export_.PrintShpFile(fileName); }

QWidget* TPalvonViewer::DialogParent() { return this; }

void TPalvonViewer::ShowScaleKept(bool kept) { MapView().ShowScaleKept(kept); }

void TPalvonViewer::SetStatusPanel(int panel, const QString& text)
{
    if (text.isEmpty())
        StatusPanels[panel]->clear();
    else
        StatusPanels[panel]->setText(text);
}

bool TPalvonViewer::CommandOn(TCommandId id) { return Action(id)->isChecked(); }

void TPalvonViewer::SetCommandOn(TCommandId id, bool on) { SetDown(id, on); }
