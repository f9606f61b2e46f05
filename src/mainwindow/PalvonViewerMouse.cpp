// What the window answers to the hosts of its controllers and of the windows
// beside the map: the redraw, the status bar, the ticks, the canvas, the find
// dialog's grids, the print preview's remakes and exports.
#include "mainwindow/PalvonViewer.h"
#include "map/gui/MapRenderer.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QLabel>

void TPalvonViewer::RedrawMap() { drawing_.DrawPalvon(); }

QWidget* TPalvonViewer::DialogParent() { return this; }

void TPalvonViewer::SetStatusPanel(int panel, const QString& text)
{
    if (text.isEmpty())
        StatusPanels[panel]->clear();
    else
        StatusPanels[panel]->setText(text);
}

bool TPalvonViewer::CommandOn(TCommandId id) { return Action(id)->isChecked(); }

void TPalvonViewer::SetCommandOn(TCommandId id, bool on) { SetDown(id, on); }
