#pragma once
// The main window: the map canvas, the data grids, toolbars, menus and the
// status bar, and the handlers that open networks and run the batch modes.
//
// Its methods are spread over several files by topic (PalvonViewer*.cpp here,
// the drawing layers in src/map/gui/). Toolbar buttons and menu items are
// QActions whose objectName is the control's name, so any code can reach one
// with Action(Cmd::tbArrows); a toolbar button's `Down` is the action's checked state.
#include "export/gui/ExportController.h"
#include "widgets/CommandRegistry.h"
#include "widgets/CommandTable.h"
#include "mainwindow/ThemesController.h"
#include "mainwindow/SelectionHostAdapter.h"
#include "widgets/WindowHost.h"
#include "mainwindow/tools/MapTool.h"
#include "map/gui/MapHost.h"
#include "mainwindow/ExportHostAdapter.h"
#include "map/gui/MapRenderer.h"
#include "mainwindow/MapDrawAdapter.h"
#include "map/gui/DisplayController.h"
#include "map/gui/MapViewController.h"
#include "mainwindow/FindHost.h"
#include "mainwindow/AnalysisHostAdapter.h"
#include "printing/gui/PreviewHost.h"
#include "printing/gui/BatchPrintController.h"
#include "printing/gui/PrintController.h"
#include "mainwindow/PrintHostAdapter.h"
#include "mainwindow/PolygonsHostAdapter.h"

#include <QMainWindow>
#include <QPolygonF>
#include <QRegion>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class AuxFileServices;
class QAction;
class QLabel;
class QMenu;
class QPainter;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolBar;
class TOxrImage;
class tgaugeCaption;
struct TViewSnapshot;
struct TCompPlacement;
class TAptta;
class TStringAlignGrid;
class TLegendImage;
struct TShiftState;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QSpinBox;
class TIniFile;
struct TLabelFont;

class TMapTools;
class TMapViewHostAdapter;

class TPalvonViewer : public QMainWindow,
                      public TWindowHost,
                      public TMapToolHost,
                      public TThemesHost,
                      public TMapHost,
                      public TFindHost,
                      public TPreviewHost {
    Q_OBJECT
public:
    explicit TPalvonViewer(QWidget* parent = nullptr);
    ~TPalvonViewer() override;

    // ---- Controls ----
    TOxrImage* img = nullptr;       // the map canvas
    QTabWidget* tnDatos = nullptr;  // the data grids
    QWidget* tsZonas = nullptr;
    QWidget* tsNodos = nullptr;
    QWidget* tsArcos = nullptr;
    QWidget* tsMovim = nullptr;
    QWidget* tsLineas = nullptr;
    QWidget* tsEdit = nullptr;
    // The data grids (filled by ConfigureGrids / DrawDataDat).
    TStringAlignGrid* sagZonas = nullptr;
    TStringAlignGrid* sagNodos = nullptr;
    TStringAlignGrid* sagArcos = nullptr;
    TStringAlignGrid* sagMovim = nullptr;
    TStringAlignGrid* sagLineas = nullptr;
    TStringAlignGrid* sagArcosSel = nullptr; // scratch grid of the polygon batch
    QSplitter* Splitter1 = nullptr;
    QStatusBar* Status = nullptr;
    QLabel* StatusPanels[4] = {};
    QProgressBar* ProgressBar = nullptr;
    // The caption gauge of long commands: a strip along the bottom of the map,
    // hidden when idle.
    tgaugeCaption* pbc = nullptr;
    QToolBar* tbarEstandar = nullptr;
    QToolBar* tbarArcos = nullptr;
    QToolBar* tbarMovimientos = nullptr;
    QToolBar* tbarAdicionales = nullptr;
    QMenu* ArchivosRecientes = nullptr;
    QMenu* Recientes = nullptr;
    QMenu* varMix = nullptr;
    QTimer* Timer1 = nullptr; // closes the splash 3 s after start
    QTextEdit* tit = nullptr; // the map title
    QMenu* BDerecho = nullptr; // the map's right-button menu

    // The action (toolbar button or menu item) of a command.
    QAction* Action(TCommandId id) override;
    // The action of a command whose name is computed (a family of rows: "EntSal%1").
    // A name that is not a built command is a programming error
    // (CommandTable::UnknownCommand).
    QAction* Action(const QString& name);
    // A command written out is named by its constant (Cmd::name), never by a literal.
    QAction* Action(const char* name) = delete;
    // The command of a computed name, or of an action made for a row; an unknown
    // one is a programming error.
    static TCommandId CommandOf(const QString& name);
    static TCommandId CommandOf(const QAction* action);
    // Where each feature registers the handlers of its own rows.
    TCommandRegistry& Registry() override { return registry_; }
    // The commands' visibility before any network is open, and once one is.
    void ApplyStartVisibility();
    void ApplyOpenVisibility();
    // ---- Commands placed from the table (PalvonViewerCommands.cpp) ----
    // The entries/exits item chosen: its data is the variable (-1 none, 0 totals, 1.. classes).
    void EntSalClick(QAction* item);
    // Fits the columns, then the rows, of grid `tag` (1 zones .. 5 movements).
    void Autojustar(int tag);
    // Before the link grids' menu opens: what it offers over which grid.
    void pupArcosPopup();
    // The link shapes into a shape-point file (.sig).
    void GrabarSIGClick();
    bool Down(TCommandId id);
    void SetDown(TCommandId id, bool down);
    bool Down(const QString& name);
    void SetDown(const QString& name, bool down);
    bool Down(const char* name) = delete;
    void SetDown(const char* name, bool down) = delete;

    // ---- Start-up ----
    void FormCreate();
    void FormShow();
    void SetCommandLine(const QStringList& arguments); // program arguments without argv[0]
    void SetSplash(TAptta* splash);
    static void SetCurrentDirectory(const std::string& path);
    // Messages of a batch run go to the error output instead of message boxes.
    void SetBatchQuiet(bool quiet);
    // Batch selection of links by the polygons of a polygon file.
    void BatchSelectByPolygons(const std::string& plgFileName);
    // Exit status of a command-line batch run: 0 when its job was done.
    int BatchExitCode = 0;

    // Files dropped on the window: one opens as a network, more are ignored.
    void WMDropFiles(const QStringList& files);

    // ---- Opening networks ----
    void aFileOpenExecute();
    void tbOpenDatExecute();
    // False when the network could not be opened (missing, refused, no coordinates).
    bool AbrirRedPalvon(const std::string& fileName);
    // The first step of AbrirRedPalvon: the network text loaded and the file names set.
    bool SetFileNames(const std::string& fullName);
    // Every way in (open dialog, drop, command line, recent file, reload) runs this.
    bool RunOpening();
    void ReloadFromText();
    // Returns false when the sequence stopped (network refused or no coordinates).
    // A refused network leaves the earlier one in memory and on show as it was.
    bool OpenPalvonDat();
    // Before an edit of the network in memory would be lost (quit, another network):
    // asks whether to save the unsaved edits. True to go on (saved or given up),
    // false when the user cancels or a save did not happen.
    bool ConfirmUnsavedEdits();
    void OpenOtherFiles();
    void ConstruyeMixs();
    void FileExitItemClick();
    void RedPalvon1Click();
    void Options1Click();

    // ---- Listings and counts (PalvonViewerListings.cpp) ----
    // After a network is read: its companion .lpa/.lpl when the option says so.
    void ReadCompanionListings();
    // After the grids are filled: the columns of the listings read with the network.
    void ShowCompanionListings();
    void OpenLpaFile(const std::string& fileName);
    void OpenLplFile(const std::string& fileName);
    void OpenCountsFile(const std::string& fileName);

    // ---- Auxiliary data files (PalvonViewerAuxFiles.cpp) ----
    // Offers a coordinates file for a network without positions; true when one placed it.
    bool OpenCoordinatesFile();
    void OpenComplementaryFile(const std::string& fileName);
    void OpenZoningFile(const std::string& fileName);
    void LoadZoning(const std::string& fileName);
    // Writes a complementary-data block just placed by its loader into the link
    // (or movement) grid, with the street names, and rebuilds the variable menus.
    void ShowComplementaryColumns(bool movements, const TCompPlacement& placement);

    // ---- Settings ----
    void LeerVelmora();
    void GrabarVelmora();
    void GrabarVelmora(TIniFile& ini);
    void FilesClick(int tag);
    // The saving part of closing (program keys and the network's section); throws
    // when the settings file cannot be written.
    void SaveAtClose();

    // ---- Escape handling ----
    void CancelMouseMode();

    // ---- Grids (PalvonViewerGrids.cpp) ----
    void ConfigureGrids();
    void DrawDataDat();
    // Fills now the grids whose filling DrawDataDat put off.
    void FillDeferredGrids();

    // ---- Grids and data layers ----
    // (PalvonViewerGrids*.cpp, DlgRngs.cpp, src/map/gui/DataLayers.cpp)
    QMenu* VarArcos = nullptr;       // link variables of the data layers
    QMenu* VarMovim = nullptr;       // movement variables
    QMenu* ConfigurarRmin = nullptr; // cost variable of the least-cost paths
    TLegendImage* sym = nullptr;     // range legend over the map
    TLegendImage* Scl = nullptr;     // bar legend over the map
    // Creates the five grids in their tab pages, the variable menus and the legends
    // (once; ConfigureGrids calls it when needed).
    void CreateGrids();
    void DrawDataLpa();
    void DrawDataLpl();
    void DrawDataCnt();
    void AgregarItemArcos(int column);
    void AgregarItemMovim(int column);
    // The variable items follow their variables' maxima once new data are read.
    void RefreshVarItems();
    void ArcosRangeValues();
    bool MovimRangeValues();
    void VarArcosClick(QAction* item);       // reads Ctrl from the keyboard
    void VarArcosPick(int variable, bool ctrl);
    void VarMovimClick(QAction* item);
    void Rangos1Click();
    void ColoresClick(int tag);
    void ColorNodeClick();
    void CheckGenatr(QAction* item);
    void tbDropdown(int tag);

    // ---- Drawing (TMapRenderer, src/map/gui/MapRenderer.h) ----
    // The layered drawing of the map, its view snapshot and its legends;
    // RedrawMap() is the common way to redraw the main map.
    TMapRenderer& Drawing() { return drawing_; }

private:
    TMapDrawAdapter drawHost_{*this};
    TMapRenderer drawing_{*this, drawHost_};

public:

    // ---- The map view: zoom, magnifier, views beside the map, scale and size
    //      dialogs (TMapViewController, src/map/gui/MapViewController.h) ----
    TMapViewController& MapView() { return *mapView_; }
    // The steps of the view tools (the zoom box, the hand pan, the magnifier),
    // called by the map tools of those modes, go to the map view (MapViewHostAdapter.cpp).
    void StartZoomBox(int i, int j, double x, double y) override;
    void StartPan(int i, int j) override;
    void StartMagnifier(int i, int j) override;
    void FollowZoomBox(double x, double y) override;
    void FollowPan(int i, int j) override;
    void FollowMagnifier(int i, int j) override;
    void EndMagnifier() override;
    void EndPan() override;
    void EndZoomBox(int j) override;

    // ---- Grid interaction (PalvonViewerGridEvents.cpp) ----
    // Cells last under the mouse (row, column) of the zones, nodes and lines grids;
    // the link grid's row and column go to LinkRowByMode / RangeVarByMode of the
    // current range mode.
    int32_t ZonaRow = 0, ZonaCol = 0, NodoRow = 0, NodoCol = 0, LineaRow = 0, LineaCol = 0;
    int32_t LinkRowByMode[6] = {};
    bool LinkGridMouseOver = false; // the mouse was last over sagArcos (not sagArcosSel)
    int32_t LastLine = 0;           // last line toggled on: anchor of Shift ranges
    // Shift and Ctrl at the last press on the lines grid (read by its double click).
    bool LineasShiftFlag = false, LineasCtrlFlag = false;
    // Keys held at the last press on any data grid (read by the double clicks).
    Qt::KeyboardModifiers GridKeys;
    // Title-click sorting (with Shift) of the link and movement grids: direction per
    // column and the column sorted last (-1 none).
    std::vector<uint8_t> SortDescArcos, SortDescMovim;
    int32_t SortColArcos = -1, SortColMovim = -1;
    // Marker region (map pixels) of a node or centroid move started from a grid.
    QRegion GridMoveRegion;
    void ConnectGridEvents();
    void sagZonasMouseMove(int x, int y);
    void sagNodosMouseMove(int x, int y);
    void sagLineasMouseMove(int x, int y);
    void sagArcosMouseMove(int x, int y);
    void sagLineasMouseDown(Qt::KeyboardModifiers keys, int x, int y);
    // Column and row of the movement grid under the mouse.
    int32_t MovimGridRow = 0;
    void sagMovimMouseMove(int x, int y);
    void sagMovimDblClick();
    // The movement grid's double click: Alt held (the columns are added) and the column
    // last made a map attribute (the list itself is SelectedMovimVars).
    bool MovimAttrAdd = false;
    int32_t MovimAttrVar = 0;
    // The sort state of both grids as a freshly opened network has it.
    void ResetGridSort();
    void sagZonasDblClick();
    void sagNodosDblClick();
    void sagArcosDblClick();
    void sagLineasDblClick();
    void sagArcosFixedColClick(int col);
    void sagMovimFixedColClick(int col);
    // Compare handlers: TStringAlignGrid::CompareAfter / CompareEqual / CompareBefore.
    int sagArcosCompareCol(int col, int row1, int row2) const;
    int sagMovimCompareCol(int col, int row1, int row2) const;
    // Link record of a link-grid row (its "Orden" cell); 0 when the row holds none.
    int32_t LinkOfRow(int row) const;
    // Font colour of a link's key cells in the link grid: its class colour, black for 0.
    void ColorLinkRow(int row, int32_t mark);

    // ---- Formula columns (PalvonViewerFormulaColumns.cpp) ----
    // The "Crear columna ..." items of the grids' menus and the link grid's column drag.
    void CreateFormulaMenus();
    void Crearcolumna1Click();
    void Crearcolumna2Click();
    // A new link (false) or movement (true) column computed by a formula.
    void CrearColumnaFormula(bool movements);
    void sagArcosColumnMoved(int from, int to);
    // The formula engine of the computed columns.
    class TArtFormula& FN();

    // ---- Selection (TSelectionController; the menus, the pop-ups and the host in
    //      SelectionHostAdapter.cpp) ----
    // The context menus of the link, zone, node and transit-line grids, made with the
    // selection menus; other features add their items to them.
    QMenu* pupArcos = nullptr;
    QMenu* pupZonas = nullptr;
    QMenu* pupNodos = nullptr;
    QMenu* pupLineas = nullptr;
    // The menu "&Selección" and the grids' pop-ups; then the selection items of the
    // pop-ups and of "Polígonos", whose handlers the selection registers.
    void CreateSelectionMenus();
    void CreateSelCommandMenus();
    TSelectionController& Selection() { return selection_; }

private:
    TSelectionHostAdapter selectionHost_{*this};
    TSelectionController selection_{*this, selectionHost_};

public:
    // ---- Data files (PalvonViewerDataFiles.cpp) ----
    QMenu* pupMovim = nullptr; // context menu of the movement grid
    // The open dialogs; tests replace them. Filters use the suite's "Texto|*.ext|"
    // syntax; an empty list is a cancelled dialog.
    std::function<QStringList(const QString& title, const QString& filter, bool several)> ChooseOpenFiles;
    QStringList ChooseDataFiles(const QString& title, const QString& filter, bool several,
                                const QString& defaultSuffix = QString());
    std::string ChooseDataFile(const QString& title, const QString& filter, const QString& defaultSuffix = QString());
    void CreateDataFileMenus(QMenu* archivo);  // the "Abrir" submenu and the grids' import items
    void ConnectDataFileControls();            // open buttons, movement and line grid menus
    void aFileOpenItemExecute();
    void aOpenLPAExecute();
    void aOpenLPLExecute();
    void aOpenCntExecute();
    void aOpenCompExecute();
    void aOpenZonifExecute();
    void aOpenTrazaExecute();
    void aOpenSoleraExecute();
    void GeneracinAtraccin1Click();
    void AbrirOrdenArcos();
    void ImportarColsArcosClick();
    void ImportarColsMovimClick();
    // The toolbar's open buttons, kind by tag 1..9.
    void AbrirClick(int tag);
    // Opens files of one kind 1..9 (the order of the open dialog's filters); only
    // soleras take more than the first file.
    void OpenDataOfKind(int kind, const QStringList& files);
    void OpenTrazasFile(const std::string& fileName);
    // The first file replaces the line layers unless AppendSoleraLayer is 1; the others add.
    void OpenSoleraFiles(const QStringList& files);
    void OpenGenatrFile(const std::string& fileName);
    // ---- Display toggles, styles, fonts, titles and background layers
    //      (TDisplayController, src/map/gui/DisplayController.h) ----
    TDisplayController& Display() { return *display_; }
    QToolBar* tbarOpen = nullptr; // the recent networks and the open buttons
    // The intersection views' items, "Herramientas" and "Ayuda" (PalvonViewerToolMenus.cpp).
    void CreateToolMenus();
    void Puntos(int tag);
    void VisualizacionClick();
    void Calculator1Click();

    // ---- Mouse editing of the map (PalvonViewerMouse.cpp, PalvonViewerCurve.cpp) ----
    // Connects the map canvas's mouse to the handlers below and builds the "Mover" items.
    void ConnectMapMouse();
    // The map tools (src/mainwindow/tools): one of each mode.
    TMapTools& MapTools();
    // The canvas's mouse: the press goes to the tool MapToolForPress chooses, a move
    // to every tool, the release to the tool whose drag is under way.
    void imgOxrMouseDown(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    void imgOxrMouseMove(const TShiftState& Shift, int i, int j, double x, double y);
    void imgOxrMouseUp(Qt::MouseButton Button, const TShiftState& Shift, int i, int j, double x, double y);
    // Hover tests (nodes, centroids, curve handles, polygon names, snap points, polygons).
    void imgMouseMove(int X, int Y);
    // "Mover" of the nodes, "Fases" or "Diagramas": a tool that takes the node under the pointer.
    bool NodeToolOn();
    // The tool a press would go to now, from the tool buttons, the menu ticks, the
    // modifier keys and what lies under the pointer (later tests win).
    TMapToolMode MapToolForPress(Qt::MouseButton Button, const TShiftState& Shift, int i, int j);
    void NodeMoveClick();
    void ZoneMoveClick();
    // Brings the links at the nodes of MovedNodes onto their nodes (after a node move).
    void NewAngles();
    // Link shape editing: handles of CurveLink and their hit regions.
    void StartCurving();
    void tbCurveClick();
    void CurveHover(int X, int Y, bool& hit);
    void CurvePress(bool interiorHandle, double x, double y) override;
    void CurveFollow(double x, double y) override;
    void CurveRelease(bool interiorHandle, double x, double y) override;
    bool CurveHandleDragged() override;
    bool ShapeVertexDragged() override;
    int32_t HoverNode = 0, HoverZone = 0;
    int32_t HoverCurveLink = 0, HoverCurveHandle = 0;
    int32_t HoverPolygonLabel = 0;
    int32_t CurveVertex = -1;
    bool CurveVertexDrag = false;
    int32_t CurveDrag = 0;
    std::vector<QRegion> CurveRegions; // 0..600
    bool NodeMoveSticky = false, ZoneMoveSticky = false;
    // "Sobre el mapa" of the shortest paths: the two ends are picked with the mouse.
    void RminMapaClick();
    // Background-layer "Editar": a region whose polylines are deleted.
    void pupseditClick();
    // The collapse button: also tells the browser-emulation value kept for the program.
    void tbColapsarClick();
    // The phase window for one junction (the map's phase tool).
    void ShowPhaseWindow(int32_t node);
    // Connects the actions of the map modes above to their menus and toolbars.
    void CreateMapModeCommands();

    // ---- What the map tools ask of the window (TMapToolHost) ----
    TOxrImage& MapCanvas() override;
    void RedrawMap() override;
    void SetStatusPanel(int panel, const QString& text) override;
    bool CommandOn(TCommandId id) override;
    void SetCommandOn(TCommandId id, bool on) override;
    void ShowNodePlace(int32_t node) override;
    void ShowCentroidPlace(int32_t zone) override;
    void FollowMovedNodes() override;
    void ShowPhasesOf(int32_t node) override;
    void ShowFlowDiagramOf(int32_t node) override;
    void ShowStreetViewOfClick() override;
    void ShowPickedPath() override;
    QColor PickMarkColor() override;
    int32_t HoveredNode() override;
    int32_t HoveredZone() override;
    int32_t HoveredPolygonLabel() override;
    bool KeepNodeMoveOn() override;
    bool KeepZoneMoveOn() override;

    // ---- What the themes ask of the window (TThemesHost; RedrawMap above) ----
    void SaveViewConfig(TIniFile& ini, const std::string& section) override;
    void LoadViewConfig(TIniFile& ini, const std::string& section) override;
    bool AskText(const std::string& caption, const std::string& prompt, std::string& text) override;

    // ---- The parent of the controllers' dialogs (TWindowHost) ----
    QWidget* DialogParent() override;

    // ---- What the windows beside the map ask of it (TMapHost) ----
    // RedrawMap, CommandOn and SetCommandOn serve these hosts too.
    TOxrImage* MapImage() override;
    void RedrawAerial() override;
    void ShowScaleKept(bool kept) override;
    // ---- What the find dialog asks of it (TFindHost) ----
    TStringAlignGrid* FindGrid(int kind) override;
    void ListFoundLinks() override;
    // ---- What the print preview asks of it (TPreviewHost) ----
    void RemakePreview() override;
    bool ExportDxf(const std::string& fileName) override;
    bool ExportKmz(const std::string& fileName) override;
    bool ExportShp(const std::string& fileName) override;

    // ---- Map double click (PalvonViewerDblClick.cpp) ----
    void imgDblClick();

    // ---- User polygons and polygon files (TPolygonsController; the menus, the
    //      polygon tools' operations and the host in PolygonsHostAdapter.cpp) ----
    // The "Polígonos" menu, the map's polygon popup `varPolig` and "Guardar" of the
    // zones popup, placed; then the controller registers their handlers.
    void CreatePolygonMenus();
    // What the region and polygon tools ask: the polygon's go to the controller, the
    // region's to the selection (CloseDrawnRegion in PalvonViewerDblClick.cpp).
    void AddPolygonClickPoint(double x, double y) override;
    void AddRegionPoint(double x, double y) override;
    void FollowPolygonRubberLine(double x, double y) override;
    void PressPolygonHandle(const TMapMouse& m) override;
    void FollowPolygonHandle(double x, double y) override;
    bool PolygonHandleDragged() override;
    void ReleasePolygonHandle(double x, double y) override;
    void CloseDrawnRegion() override;
    void StoreDrawnPolygon() override;
    TPolygonsController& Polygons() { return polygons_; }

private:
    TPolygonsHostAdapter polygonsHost_{*this};
    TPolygonsController polygons_{*this, polygonsHost_};

public:
    // ---- Paths, PIJA lists, statistics, centroids, flow diagrams, the phase report
    //      (TAnalysisController; menus and its host in src/mainwindow/AnalysisHostAdapter.cpp) ----
    // The analysis items of the menus "Procesos" and "Ayuda" and of the zones' menu.
    void CreateAnalysisMenus();
    TAnalysisController& Analysis() { return analysis_; }

private:
    TAnalysisHostAdapter analysisHost_{*this};
    TAnalysisController analysis_{*this, analysisHost_, *this};

public:
    // ---- About box, view configuration and themes (PalvonViewerThemes.cpp) ----
    void AcercaDe1Click();
    // The view configuration of a section: read (applied, without a redraw) and written.
    void LeerConfiguracion(TIniFile& ini, const std::string& section);
    void GrabarConfiguracion(TIniFile& ini, const std::string& section);
    // "Configurar" (the colour settings of polygons).
    void Configurar1Click();
    // "Definir" in the menu "Temas", the two theme entries of "&Editar"; the themes
    // register their handlers.
    void CreateThemeMenus();
    TThemesController& Themes() { return themes_; }
    // 0: the next background line layer loaded from a configuration replaces the
    // loaded ones; 1: it is added.
    uint8_t GeoLayersLoaded = 0;

    // Closing asks and saves only in interactive runs; tests may switch that off.
    bool AskOnClose = true;
    // A run without a screen has nobody to choose the coordinates file of a
    // network without coordinates: the choice counts as cancelled unless this is
    // set (by a test that answers the dialog).
    bool AskCoordinatesWithoutScreen = false;

    // ---- Printing (TPrintController, TBatchPrintController in src/printing/gui;
    //      their menus and host in PalvonViewerPrinting.cpp) ----
    // The print commands in the menu "Archivo" and its menu "Impresion de Redes".
    void CreatePrintMenus(QMenu* archivo);
    TPrintController& Printing() { return printing_; }
    TBatchPrintController& BatchPrinting() { return batchPrinting_; }

private:
    TPrintHostAdapter printHost_{*this};
    TPrintController printing_{*this, printHost_};
    TBatchPrintController batchPrinting_{*this, printHost_, printHost_, printing_};

public:
    // ---- Exports (TExportController and its KMZ exports, src/export/gui; the
    //      window's side in ExportHostAdapter.cpp) ----
    // The menu "Exportar" and the grids' "Exportar datos..." items, placed and wired.
    void CreateExportMenus();
    TExportController& Export() { return export_; }


    // The commands a network makes available, shown and enabled: the last step of an opening.
    void EnableAfterOpen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    // The grids out of sight are filled once the map of a new network is drawn.
    bool fillGridsAfterMap_ = false;
    void CreateControls();
    void ConnectOptions();
    // The toggles, the map view and the display toolbars, in their order (MapViewHostAdapter.cpp).
    void ConnectToggles();
    void CreateMenus();
    void CreateToolbars();
    void InstallServices();
    // After an opening that stopped: nothing of an earlier network stays on show.
    void ShowNoNetwork();
    void RebuildRecentMenus();
    // Puts a command's action (caption, shortcut and checkable from its row) in
    // `where` (a menu or a toolbar; none: made only), shown.
    QAction* AddAction(QWidget* where, TCommandId id);
    // A command of a family whose names are computed ("Ancho%1%2").
    QAction* AddAction(QWidget* where, const QString& name);
    // A command whose caption the program rewrites (a '*' row: sizes, fonts).
    QAction* AddAction(QWidget* where, TCommandId id, const QString& text);
    void CreateCommandActions();
    void PlaceCommands();
    void LinkSharedActions();
    void ConnectCommandItems();
    QWidget* CommandPlace(const QString& place, bool make);

    // What an opening changes before its network is read, kept to put back should
    // the read be refused.
    struct EarlierOpening;
    std::shared_ptr<EarlierOpening> earlierOpening_;
    std::shared_ptr<TMapTools> mapTools_; // made by MapTools() on first use
    void RestoreEarlierOpening();

    bool shown_ = false;
    QAction* inertAction_ = nullptr;
    std::vector<QAction*> actions_; // by command id
    TCommandRegistry registry_{[this](TCommandId id) { return Action(id); }};
    TThemesController themes_{*this};
    TExportHostAdapter exportHost_{*this};
    TExportController export_{*this, exportHost_};
    // What the map view and display controllers ask of the window, and the controllers.
    std::unique_ptr<TMapViewHostAdapter> mapViewHost_;
    std::unique_ptr<TMapViewController> mapView_;
    std::unique_ptr<TDisplayController> display_;
    QAction* clickedRecent_ = nullptr;
    QMenu* rutaMinimaMenu_ = nullptr;
    QStringList commandLine_;
    QPointer<TAptta> splash_;
    class ServicesImpl;
    ServicesImpl* services_ = nullptr;
    // The hooks through which the auxiliary-file loaders reach this window.
    std::unique_ptr<AuxFileServices> auxFiles_;
    void InstallAuxFileServices();
    void RemoveAuxFileServices();
};

extern TPalvonViewer* PalvonViewer;
// "Fecha;FileName;Section" of every section of the settings file, oldest first.
extern std::vector<std::string> RecentFiles;
// 1 in an interactive run, 0 while a command-line batch runs (closing then asks nothing).
extern uint8_t InteractiveRun;
// 1: the next background line layer read is added to the loaded ones; 0: it replaces them.
extern uint8_t AppendSoleraLayer;
