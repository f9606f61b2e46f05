// The assignment listing, the inspection listing and counts, opened with the
// network or on their own.
#include "mainwindow/PalvonViewer.h"
#include "model/ViewerServices.h"

void TPalvonViewer::ReadCompanionListings() {}
void TPalvonViewer::ShowCompanionListings() {}

void TPalvonViewer::OpenLpaFile(const std::string& fileName)
{
    Services().ShowMessage("Este tipo de archivo aún no se puede abrir en esta versión:\r" + fileName);
}

void TPalvonViewer::OpenLplFile(const std::string& fileName)
{
    Services().ShowMessage("Este tipo de archivo aún no se puede abrir en esta versión:\r" + fileName);
}

void TPalvonViewer::OpenCountsFile(const std::string& fileName)
{
    Services().ShowMessage("Este tipo de archivo aún no se puede abrir en esta versión:\r" + fileName);
}
