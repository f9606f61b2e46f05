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
#include "mainwindow/MapToolHostAdapter.h"
#include "map/gui/MapHost.h"
#include "mainwindow/ExportHostAdapter.h"
#include "map/gui/MapRenderer.h"
#include "mainwindow/MapDrawAdapter.h"
#include "map/gui/DisplayController.h"
#include "map/gui/MapViewController.h"
#include "mainwindow/FindHost.h"
#include "mainwindow/AnalysisHostAdapter.h"
#include "mainwindow/GridsHostAdapter.h"
#include "printing/gui/PreviewHost.h"
#include "printing/gui/BatchPrintController.h"
#include "printing/gui/PrintController.h"
#include "mainwindow/PrintHostAdapter.h"
#include "mainwindow/FilesHostAdapter.h"
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

class TMapViewHostAdapter;

class TPalvonViewer : public QMainWindow,
                      public TWindowHost,
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
    // The data grids (made, filled and driven by TGridsController).
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

    // ---- Opening networks, listings and counts, data and auxiliary files, recent
    //      networks (TFilesController; the window's side in FilesHostAdapter.cpp) ----
    TFilesController& Files() { return files_; }
    // The window's own items of the file and view menus.
    void FileExitItemClick();
    void Options1Click();

private:
    TFilesHostAdapter filesHost_{*this};
    TFilesController files_{*this, filesHost_};

public:
    // ---- Settings ----
    void LeerVelmora();
    void GrabarVelmora();
    void GrabarVelmora(TIniFile& ini);
    // The saving part of closing (program keys and the network's section); throws
    // when the settings file cannot be written.
    void SaveAtClose();

    // ---- Data layers (src/map/gui/DataLayers.cpp; their variable menus and ranges
    //      in TGridsController) ----
    TLegendImage* sym = nullptr;     // range legend over the map
    TLegendImage* Scl = nullptr;     // bar legend over the map

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

    // ---- Data grids, data-layer variables and formula columns (TGridsController;
    //      its host in GridsHostAdapter.cpp) ----
    TGridsController& Grids() { return grids_; }

private:
    friend class TGridsHostAdapter;
    TGridsHostAdapter gridsHost_{*this};
    TGridsController grids_{*this, gridsHost_,
                            {tnDatos, tsZonas, tsNodos, tsArcos, tsMovim, tsLineas, sagZonas, sagNodos, sagArcos,
                             sagMovim, sagLineas, sagArcosSel}};

public:
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
    // ---- Data files (their items placed in FilesHostAdapter.cpp) ----
    QMenu* pupMovim = nullptr; // context menu of the movement grid
    void CreateDataFileMenus(QMenu* archivo);  // the "Abrir" submenu and the grids' import items
    void ConnectDataFileControls();            // open buttons, movement and line grid menus
    // ---- Display toggles, styles, fonts, titles and background layers
    //      (TDisplayController, src/map/gui/DisplayController.h) ----
    TDisplayController& Display() { return *display_; }
    QToolBar* tbarOpen = nullptr; // the recent networks and the open buttons
    // The intersection views' items, "Herramientas" and "Ayuda" (PalvonViewerToolMenus.cpp).
    void CreateToolMenus();
    void Puntos(int tag);
    void VisualizacionClick();
    void Calculator1Click();

    // ---- Mouse editing of the map: the tools, the hover, the curve handles, the
    //      double click and Escape (TMapEditController; its hosts in MapToolHostAdapter.cpp) ----
    TMapEditController& MapEdit() { return mapEdit_; }

private:
    TMapToolHostAdapter mapToolHost_{*this};
    TMapEditController mapEdit_{*this, mapToolHost_, mapToolHost_};

public:
    // ---- The status bar, the ticks and the redraw (TWindowHost) ----
    void RedrawMap() override;
    void SetStatusPanel(int panel, const QString& text) override;
    bool CommandOn(TCommandId id) override;
    void SetCommandOn(TCommandId id, bool on) override;

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

    // ---- User polygons and polygon files (TPolygonsController; the menus and the
    //      host in PolygonsHostAdapter.cpp) ----
    // The "Polígonos" menu, the map's polygon popup `varPolig` and "Guardar" of the
    // zones popup, placed; then the controller registers their handlers.
    void CreatePolygonMenus();
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
    void CreateControls();
    void ConnectOptions();
    // The toggles, the map view and the display toolbars, in their order (MapViewHostAdapter.cpp).
    void ConnectToggles();
    void CreateMenus();
    void CreateToolbars();
    void InstallServices();
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
    QMenu* rutaMinimaMenu_ = nullptr;
    QStringList commandLine_;
    QPointer<TAptta> splash_;
    class ServicesImpl;
    ServicesImpl* services_ = nullptr;
};

extern TPalvonViewer* PalvonViewer;
// 1 in an interactive run, 0 while a command-line batch runs (closing then asks nothing).
extern uint8_t InteractiveRun;
