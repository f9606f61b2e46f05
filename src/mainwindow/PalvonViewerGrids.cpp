// The data grids of the main window.
#include "mainwindow/PalvonViewer.h"

void TPalvonViewer::ConfigureGrids() {}
void TPalvonViewer::DrawDataDat() {}
