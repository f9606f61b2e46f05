#include "mainwindow/PalvonViewer.h"

TPalvonViewer* PalvonViewer = nullptr;

TPalvonViewer::TPalvonViewer(QWidget* parent) : QMainWindow(parent)
{
    PalvonViewer = this;
    setWindowTitle(QStringLiteral("Velmora"));
    resize(1200, 800);
}
