#pragma once
// Batch printing, the colour chart and the line sheets: owns the handlers of the
// menu "Impresion de Redes" of "Archivo" ("Definir Redes", "Crear Word",
// "Imprimir Redes", "Imprimir colores...", "Imprimir generación/atracción",
// "Imprimir líneas...") and registers those rows; serves the print definition
// and the batch run (PrintHooks) for its window, and keeps the print definition
// read last. Every picture it writes is the view rendered by TPrintController. It reaches the main window only through
// TWindowHost, TPrintHost and TBatchPrintHost.
#include "printing/Net2Print.h"

#include <functional>
#include <memory>
#include <string>

class TBatchPrintHost;
class TCommandRegistry;
class TPrintController;
class TPrintHost;
class TWindowHost;

class TBatchPrintController {
public:
    TBatchPrintController(TWindowHost& window, TPrintHost& host, TBatchPrintHost& batchHost, TPrintController& printing)
        : window_(window), host_(host), batchHost_(batchHost), printing_(printing),
          definition_(std::make_unique<TPrintDefinition>())
    {
    }
    // The batch services stop serving a controller that is gone.
    ~TBatchPrintController();
    TBatchPrintController(const TBatchPrintController&) = delete;
    TBatchPrintController& operator=(const TBatchPrintController&) = delete;

    // The handlers of the rows of "Impresion de Redes" (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    void DefinirRedes1Click();
    void CrearArchivoWordClick();
    void ImprimirRedes1Click();
    void ImprimirColores1Click();
    void ImprimirGenAtr1Click();
    void Parmetros1Click();

    // What the batch services do for this window: read a print definition into
    // the batch tables (its general settings and themes applied to the view), and
    // print every network of it; false when they could not.
    bool ReadPrintDefinition(const std::string& fileName);
    bool PrintDefinedNetworks();
    // Runs `run`, which opens other networks (true when it opened one), as the
    // batch runs its networks: the user answers once about unsaved edits before
    // (false, and nothing runs, when that stops it); afterwards the network open
    // before comes back with what was loaded onto it and the user's view.
    bool KeepingUserNetwork(const std::function<bool()>& run);
    // The print definition read last (and the document "Crear Word" chose).
    TPrintDefinition& Definition() { return *definition_; }

    // The switches the definition's theme sets on the batch's own view (node
    // numbers shown or not, the scale's maximum kept or not); none before a
    // definition was read through a window.
    struct TThemeSwitches {
        bool Read = false;
        bool NameNodes = false;
        bool ScaleFixed = false;
        double ScaleMax = 0.0;
    };

private:
    TWindowHost& window_;
    TPrintHost& host_;
    TBatchPrintHost& batchHost_;
    TPrintController& printing_;
    std::unique_ptr<TPrintDefinition> definition_;
    TThemeSwitches theme_;
};

// Installs the printing services of the batch for that controller's window
// (keeps the ones installed before for the rest). Later calls only change the
// controller served.
void InstallBatchPrintServices(TBatchPrintController& batch);
// True when the last batch printing did not print what it was asked to.
bool BatchPrintFailed();
