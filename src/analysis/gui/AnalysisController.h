#pragma once
// Analyses: the least-cost paths (one pair asked for, or the pairs of a file), the
// PIJA lists of links and movements, the network statistics, the centroids made
// from the zone polygons, the flow diagram of a junction, the phase window over
// the junctions picked (and the border width of the intersection views) and the
// signal-phase report of every network of the print definition. Owns the movement variable of
// the flow diagrams and the junction-list file of the report, the handlers of
// "Rutas Mínimas" (Interactiva, Batch), "Analisis de PIJAs" (Nivel Arco, NIvel
// Movimiento), "Estadísticas" and "Crear Centroides", and registers those rows;
// makes the windows only the analyses show (paths, PIJA lists, statistics). It
// reaches the window through TWindowHost and TAnalysisHost, and hands the PIJA
// windows the map's host.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QMenu;
class TCommandRegistry;
class TDlgStat;
class TFrmFases;
class TFrmMix;
class TFrmPath;
class TFrmPija;
class TFrmPijm;
class TMapHost;
struct TPrintDefinition;
class TStringAlignGrid;
class TWindowHost;
class tgaugeCaption;

// What the analyses ask of the window beyond TWindowHost.
class TAnalysisHost {
public:
    // The link grid, whose key cells turn red for the links of a listed path, and
    // the zone grid, whose coordinate cells the centroids fill; null until made.
    virtual TStringAlignGrid* LinkGrid() = 0;
    virtual TStringAlignGrid* ZoneGrid() = 0;
    // The caption gauge along the bottom of the map, for the batch of paths.
    virtual tgaugeCaption* CaptionGauge() = 0;
    // Links were marked by a path: the selected-links list, when it is shown,
    // lists them too (it holds copies of the link grid's rows).
    virtual void LinksMarked() = 0;
    // The drop-down of the flow-diagram button: the variable ticked there is drawn.
    virtual QMenu* FlowVariableMenu() = 0;
    // The flow-diagram and phase windows, which the window's grids and map tools
    // show too; made on first use.
    virtual TFrmMix& FlowDiagramWindow() = 0;
    virtual TFrmFases& PhaseWindow() = 0;
    // The phase report opens other networks: it runs as the batch printing runs
    // (`report` returns true when it opened one): the user answers once about
    // unsaved edits before (false: it did not run), and the network open before
    // comes back afterwards with its listings, counts and view.
    virtual bool KeepingUserNetwork(const std::function<bool()>& report) = 0;
    // A network read as the batch modes read one, asking nothing; false when it
    // could not be opened (`unplaced` says why when it has no positions: it is
    // refused without a word).
    virtual bool OpenNetworkUnattended(const std::string& fileName, std::string& unplaced) = 0;

protected:
    ~TAnalysisHost() = default;
};

class TAnalysisController {
public:
    TAnalysisController(TWindowHost& window, TAnalysisHost& host, TMapHost& map)
        : window_(window), host_(host), map_(map)
    {
    }

    // The handlers of the analysis rows (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    // "Interactiva": asks for the two end nodes and lists their least-cost path.
    void InteractivaRminClick();
    // "Batch": asks for a pairs file and runs BatchPathsFromFile.
    void batchRminClick();
    // The batch paths of a pairs file, listed in the path window (shown modally).
    void BatchPathsFromFile(const std::string& fileName);
    // Lists the paths in the path window (batch: the pairs of the last run), marks
    // their links and shows it modally.
    void FillPathGrid(bool Batch);
    // A link of a listed path: in the current selection class.
    void MarkPathLink(int32_t link);
    // False, said once, when the chosen cost is negative on some link.
    bool CostUsable();
    // The rows of the links grid that list a link marked here (marked[link] != 0),
    // wherever the grid's sorting put them, turn red in their key cells.
    void ColorPathRows(const std::vector<uint8_t>& marked);
    void NivelArcoClick();
    void NIvelMovimientoClick();
    void Estadsticas1Click();
    void CrearCentroides1Click();
    // The flow-diagram tool of the map: the diagram of node record `node`.
    void ShowFlowDiagram(int32_t node);
    // The signal-phase report of every network of the print definition into one
    // document; the junctions are read from JunctionListFileName.
    void ImprimirFases(const TPrintDefinition& definition);
    // The phase window's junction list, the junction it shows and its sync switch,
    // held by node numbers while other networks are opened unattended (a batch, a
    // phase report, worksheets), and put back on the user's network read again.
    void HoldPhaseWindow();
    void PutBackPhaseWindow();
    // The border width of the intersection views (tag * 0.5), and "Visualización":
    // the phase window over the junctions of the types picked.
    void Puntos(int tag);
    void VisualizacionClick();

    // The movement variable of the flow diagrams: the one ticked in the diagram
    // button's menu, which every opening lays out afresh (the last one used while
    // the menu ticks none).
    int32_t FlowVariable();
    int32_t FlMixVar = 0; // movement variable ticked in the flow-diagram menu (SelectFlMix); 0 none
    std::string JunctionListFileName = "null";

    // The windows only the analyses show, made on first use as windows of the
    // dialog parent (which deletes them) and kept for the run.
    TFrmPath& PathWindow();
    TFrmPija& LinkPijaWindow();
    TFrmPijm& MovementPijaWindow();
    TDlgStat& StatisticsWindow();

private:
    // The phase reports of the definition's networks, opened in turn; true when one
    // was opened.
    bool PhasesOfDefinedNetworks(const TPrintDefinition& definition);
    TWindowHost& window_;
    TAnalysisHost& host_;
    TMapHost& map_;
    TFrmPath* pathWindow_ = nullptr;
    TFrmPija* linkPijaWindow_ = nullptr;
    TFrmPijm* movementPijaWindow_ = nullptr;
    TDlgStat* statisticsWindow_ = nullptr;
    struct TPhaseWindowHeld {
        bool held = false;
        std::vector<int32_t> listed;
        int32_t shown = 0;
        uint8_t listOk = 0;
        bool sync = false;
    } phaseHeld_;
};
