// Auxiliary data files of an open network: coordinates, complementary data and zoning.
#include "mainwindow/PalvonViewer.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"

bool TPalvonViewer::OpenCoordinatesFile() { return false; }

void TPalvonViewer::OpenComplementaryFile(const std::string& fileName)
{
    Services().ShowMessage("Este tipo de archivo aún no se puede abrir en esta versión:\r" + fileName);
}

void TPalvonViewer::OpenZoningFile(const std::string& fileName)
{
    Services().ShowMessage("Este tipo de archivo aún no se puede abrir en esta versión:\r" + fileName);
}

void TPalvonViewer::LoadZoning(const std::string& fileName)
{
    PalvonRead::AddError("Zonificación " + fileName + " no cargada: formato aún no soportado");
}
