// Background line layers of the map.
#include "mainwindow/PalvonViewer.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"

void TPalvonViewer::OpenLineLayerFile(const std::string& fileName, bool addLayer)
{
    (void)addLayer;
    Services().ShowMessage("Este tipo de archivo aún no se puede abrir en esta versión:\r" + fileName);
}

void TPalvonViewer::LineaSoleras(const std::string& fileName, bool addLayer)
{
    (void)addLayer;
    PalvonRead::AddError("Capa " + fileName + " no cargada: formato aún no soportado");
}
