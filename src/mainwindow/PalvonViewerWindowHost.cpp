// What the window answers every controller (TWindowHost): the redraw of the map,
// the parent of their dialogs, the status bar and the commands' ticks.
#include "mainwindow/PalvonViewer.h"
#include "map/gui/MapRenderer.h"
#include "map/gui/OxrImage.h"
#include "model/ZelUtils.h"
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

QString TPalvonViewer::StatusPanel(int panel) { return StatusPanels[panel]->text(); }

void TPalvonViewer::ShowMapProportions()
{
    if (img && img->height() > 0)
        StatusPanels[0]->setText(
            QString::fromStdString(ZelUtils::Format("%.4f", double(img->width()) / double(img->height()))));
}

bool TPalvonViewer::CommandOn(TCommandId id) { return Action(id)->isChecked(); }

void TPalvonViewer::SetCommandOn(TCommandId id, bool on) { SetDown(id, on); }
