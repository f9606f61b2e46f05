// The main window's side of the data grids: TGridsHost answered from the window.
#include "mainwindow/GridsHostAdapter.h"

#include "mainwindow/PalvonViewer.h"
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"

#include <QMenu>

QMenu* TGridsHostAdapter::GridPopup(TPopup which)
{
    switch (which) {
    case TPopup::Zones: return w_.pupZonas;
    case TPopup::Nodes: return w_.pupNodos;
    case TPopup::Links: return w_.pupArcos;
    case TPopup::Movements: break;
    }
    if (!w_.pupMovim) {
        w_.pupMovim = new QMenu(&w_);
        w_.pupMovim->setObjectName("pupMovim");
    }
    return w_.pupMovim;
}

QAction* TGridsHostAdapter::NamedAction(const QString& name) { return w_.Action(name); }

QToolBar* TGridsHostAdapter::DataLayerBar(bool movements) { return movements ? w_.tbarMovimientos : w_.tbarArcos; }

TOxrImage& TGridsHostAdapter::MapCanvas() { return *w_.img; }

void TGridsHostAdapter::CreateLegends()
{
    w_.sym = new TLegendImage(w_.img);
    w_.sym->setObjectName("sym");
    w_.Scl = new TLegendImage(w_.img);
    w_.Scl->setObjectName("Scl");
}

void TGridsHostAdapter::PlaceLegendsAfresh() { w_.sym->PlaceAfresh = w_.Scl->PlaceAfresh = true; }

void TGridsHostAdapter::ListSelectedLinks() { w_.Selection().ListSelectedLinks(); }

int32_t TGridsHostAdapter::FlowDiagramVar() { return w_.Analysis().FlMixVar; }

tgaugeCaption* TGridsHostAdapter::CaptionGauge() { return w_.pbc; }
