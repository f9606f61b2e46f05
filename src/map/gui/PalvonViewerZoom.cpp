// Zoom and navigation of the main map.
#include "mainwindow/PalvonViewer.h"
#include "model/KDVvars.h"

#include <QAction>

void TPalvonViewer::ConnectZoom()
{
    connect(Action("tbZoomFirst"), &QAction::triggered, this, [this] {
        // The whole network: zoom slot 1.
        ZoomIndex = 1;
        WorldMinX = ZoomHistory[1].MinX;
        WorldMinY = ZoomHistory[1].MinY;
        WorldMaxX = ZoomHistory[1].MaxX;
        WorldMaxY = ZoomHistory[1].MaxY;
        DrawPalvon();
    });
}
