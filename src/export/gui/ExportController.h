#pragma once
// Exports: the handlers of the menu "Exportar" (the map and the street names as
// DXF, the links of the view as a shapefile, the EMME/2 files, the worksheets of
// many networks) and of the data grids' "Exportar datos..." items, with their
// command rows; the network as DXF and as a shapefile that the print preview asks
// for; and the KMZ exports (TKmzController), which it owns. It reaches the window
// only through TWindowHost and TExportHost. The writers are headless (src/export);
// this asks for file names and hands over the view's snapshot and options.
#include "export/gui/KmzController.h"

#include <string>

class TCommandRegistry;
class TExportHost;
class TWindowHost;
struct TDxfMapOptions;

class TExportController {
public:
    TExportController(TWindowHost& window, TExportHost& host) : window_(window), host_(host), kmz_(window, host) {}

    // The handlers of the export and KMZ rows (their actions already made and placed).
    void RegisterCommands(TCommandRegistry& registry);

    // The network as the map shows it as DXF (the print preview's save for ".dxf"), and
    // the links of the view as a shapefile (its save for ".shp"); false after telling
    // the user when the file could not be written, and false without a word when the
    // user would not have the set's other files already there replaced.
    bool PrintDxfFile(const std::string& fileName);
    bool PrintShpFile(const std::string& fileName);
    // The street names alone as DXF; ExportarDXF1Click asks for the name.
    void PrintCallesDxf(const std::string& fileName);
    void ExportarDXF1Click();
    void ExportaraEMME2Click();
    // A data grid (tag 1 zones, 2 nodes, 3 links, 4 transit lines, 5 movements,
    // 31 selected links) as delimited text, or the transit lines as files.
    void ExportarDatos(int tag);
    void GenerarPlanillas1Click();
    // The DXF exports' options: the view's snapshot and the window's choice of variables.
    TDxfMapOptions DxfOptions();

    TKmzController& Kmz() { return kmz_; }

private:
    TWindowHost& window_;
    TExportHost& host_;
    TKmzController kmz_;
};
