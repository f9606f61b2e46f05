#pragma once
// KMZ exports: the handlers of "Exportar Selección" of the line grid (delimited
// text or KMZ) and "Generar KMZ" (the visible background layers), with their
// command rows; and the KMZ of every transit line and of the network that the line
// grid's export and the print preview ask for. It reaches the window only through
// TWindowHost (the parent of its dialogs) and TExportHost (the view's snapshot).
// The writers are headless (export/KmzExport); this only asks for file names and
// hands over the conversion options and the view's snapshot.
#include <string>

class TCommandRegistry;
class TExportHost;
class TWindowHost;

class TKmzController {
public:
    TKmzController(TWindowHost& window, TExportHost& host) : window_(window), host_(host) {}

    // The handlers of the KMZ rows (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    // The selected transit lines as delimited text or KMZ.
    void ExportaSeleccin3Click();
    // The visible background line layers as KMZ.
    void GenerarKMZ1Click();
    // The network as KMZ (the print preview's save action for names ending in ".kmz");
    // false after telling the user when the file could not be written.
    bool PrintKmzFile(const std::string& fileName);
    // Every transit line as KMZ (the KMZ choice of the line grid's export); false
    // after telling the user when the file could not be written.
    bool ExportarLineasKmz(const std::string& fileName);

private:
    TWindowHost& window_;
    TExportHost& host_;
};
