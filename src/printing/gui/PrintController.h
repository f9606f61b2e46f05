#pragma once
// Printing of the view: owns the handlers of "Imprimir...", "Vista previa...",
// "Imprimir en varias páginas...", "Configurar impresora..." and "Copiar imagen"
// (menu "Archivo") and registers those rows; keeps the user's print settings and
// renders the current view into its printed page (Page()) for the printer, the
// preview window, the multi-page window and the metafiles of the batch; makes
// the multi-page window. It reaches the main window only through TWindowHost
// and TPrintHost.
#include "map/ViewSnapshot.h"
#include "printing/ZelPrinter.h"

#include <QRect>
#include <QSize>

#include <string>
#include <vector>

class QPainter;
class TCommandRegistry;
class TDlgPrint;
class TFrmPreview;
class TPrintHost;
class TWindowHost;

class TPrintController {
public:
    TPrintController(TWindowHost& window, TPrintHost& host) : window_(window), host_(host) {}

    // The handlers of the view's print rows (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    // The page the next print, preview or save takes, as the user (and the print
    // definition read last) chose it.
    TPrintSettings& Settings() { return settings_; }
    // The view rendered last.
    TPrintedPage& Page() { return page_; }

    // Renders the current view into Page() on the page the settings choose (the
    // user's, or a copy of the caller's own) and writes it to the enhanced
    // metafile `metafile` (ScratchMetafileName() when empty); false, after
    // telling the user, when the file cannot be written.
    bool PrintFilePreview();
    bool PrintFilePreview(const TPrintSettings& settings, const std::string& metafile = std::string());
    // The current view rendered and saved as an enhanced metafile; false, after
    // telling the user, when the file cannot be written.
    bool PrintViewToMetafile(const std::string& fileName);
    // The same drawn from a view of the caller's own (and the page of its own):
    // a batch or a series of sheets sets its layers in its copy, never on the
    // user's buttons.
    bool PrintViewToMetafile(const std::string& fileName, const TViewSnapshot& view);
    bool PrintViewToMetafile(const std::string& fileName, const TViewSnapshot& view, const TPrintSettings& settings);
    // The same page drawn into Page() only, no file written: a caller that writes
    // several pages as one set takes each page's bytes from there.
    void DrawView(const TViewSnapshot& view, const TPrintSettings& settings);
    // The current view on the printer, one page.
    void PrintPalvon();
    // The current view in the preview window.
    void PrintFilePalvon();
    void Setup1Click();
    void PrinttoFile1Click();
    void VistaPrevia1Click();
    void aMultiPrintExecute();
    // The map picture to the clipboard; Copy1Clickx adds the titles and the stamp.
    void Copy1Click();
    void Copy1Clickx();

    // The multi-page window, made on first call as a child of the main window.
    TDlgPrint& MultiPageWindow();
    // The print preview window, made on first call (a window of its own, a child
    // of the main window, named after the network open); Preview() is null until then.
    TFrmPreview& PreviewWindow();
    TFrmPreview* Preview() const { return preview_; }
    // The map canvas's size in pixels (empty without a canvas).
    QSize MapCanvasSize();
    // Marks the tiles of everything the map canvas shows.
    void MarkShownTiles();
    // What the main map shows now.
    TViewSnapshot ViewSnapshot();

private:
    // The printed layers of the view (PrintLayers::PrintPage over the view's
    // snapshot) on the page being rendered, of pageSize; the legends keep clear
    // of the kept places (the footer's).
    void PrintPageLayers(QPainter& p, QSize pageSize, const std::vector<QRect>& kept);
    // Renders the view shown (the caller's or the user's) into Page() on the
    // settings' page.
    void DrawPage(const TPrintSettings& settings);

    TWindowHost& window_;
    TPrintHost& host_;
    const TViewSnapshot* view_ = nullptr; // the caller's view while it prints
    TPrintSettings settings_;             // the user's
    TPrintedPage page_;                   // the view rendered last
    TDlgPrint* multiPage_ = nullptr;      // the multi-page window, once made
    TFrmPreview* preview_ = nullptr;      // the preview window, once made
};
