#pragma once
// The main window as a shell. It owns its widgets (the map canvas, the data grids'
// tabs, toolbars, menus, title box and legends), the status bar and its gauges, the
// command actions (one QAction per row of CommandRows.inc, named after the row, so
// Action(Cmd::tbArrows) reaches it and a button's `Down` is its checked state), the
// start-up and the Qt events, and the list of feature controllers at the end of the
// class. The controllers of src/mainwindow/ reach the window and each other
// directly; those of the subsystems' gui/ folders, which may not include the
// window, through TWindowHost and a host of their own (*HostAdapter.cpp).
#include "export/gui/ExportController.h"
#include "widgets/CommandRegistry.h"
#include "widgets/CommandTable.h"
#include "mainwindow/ThemesController.h"
#include "mainwindow/SelectionController.h"
#include "widgets/WindowHost.h"
#include "mainwindow/MapEditController.h"
#include "mainwindow/ExportHostAdapter.h"
#include "map/gui/MapRenderer.h"
#include "mainwindow/MapDrawAdapter.h"
#include "map/gui/DisplayController.h"
#include "map/gui/MapViewController.h"
#include "map/ViewState.h"
#include "mainwindow/AnalysisHostAdapter.h"
#include "mainwindow/GridsController.h"
#include "printing/gui/BatchPrintController.h"
#include "printing/gui/PrintController.h"
#include "mainwindow/PrintHostAdapter.h"
#include "mainwindow/FilesController.h"
#include "mainwindow/SettingsController.h"
#include "mainwindow/ViewerHostAdapter.h"
#include "mainwindow/PolygonsController.h"

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
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTextEdit;
class QTimer;
class QToolBar;
class TOxrImage;
class tgaugeCaption;
class TAptta;
class TStringAlignGrid;
class TLegendImage;
struct TShiftState;

class TMapViewHostAdapter;

class TPalvonViewer : public QMainWindow, public TWindowHost {
    Q_OBJECT
public:
    explicit TPalvonViewer(QWidget* parent = nullptr);
    ~TPalvonViewer() override;

    // ---- Controls ----
    TOxrImage* img = nullptr;       // the map canvas
    QTabWidget* tnDatos = nullptr;  // the data grids' tabs and pages
    QWidget *tsZonas = nullptr, *tsNodos = nullptr, *tsArcos = nullptr, *tsMovim = nullptr, *tsLineas = nullptr;
    QWidget* tsEdit = nullptr;
    // The data grids (made, filled and driven by TGridsController); sagArcosSel is the polygon batch's scratch grid.
    TStringAlignGrid *sagZonas = nullptr, *sagNodos = nullptr, *sagArcos = nullptr, *sagMovim = nullptr;
    TStringAlignGrid *sagLineas = nullptr, *sagArcosSel = nullptr;
    // The context menus of the grids (made with the selection menus; features add their items).
    QMenu *pupArcos = nullptr, *pupZonas = nullptr, *pupNodos = nullptr, *pupLineas = nullptr, *pupMovim = nullptr;
    QSplitter* Splitter1 = nullptr;
    QStatusBar* Status = nullptr;
    QLabel* StatusPanels[4] = {};
    QProgressBar* ProgressBar = nullptr;
    tgaugeCaption* pbc = nullptr; // the caption gauge of long commands, along the map's bottom, hidden when idle
    QToolBar *tbarEstandar = nullptr, *tbarArcos = nullptr, *tbarMovimientos = nullptr, *tbarAdicionales = nullptr;
    QToolBar* tbarOpen = nullptr; // the recent networks and the open buttons
    QMenu *ArchivosRecientes = nullptr, *Recientes = nullptr, *varMix = nullptr;
    QTimer* Timer1 = nullptr;  // closes the splash 3 s after start
    QTextEdit* tit = nullptr;  // the map title
    QMenu* BDerecho = nullptr; // the map's right-button menu
    TLegendImage* sym = nullptr; // range legend over the map
    TLegendImage* Scl = nullptr; // bar legend over the map

    // ---- Commands ----
    // The action of a command; of a computed name ("EntSal%1": an unknown one is a
    // programming error, CommandTable::UnknownCommand); never of a literal name.
    QAction* Action(TCommandId id) override;
    QAction* Action(const QString& name);
    QAction* Action(const char* name) = delete;
    // The command of a computed name, or of an action made for a row (unknown: a programming error).
    static TCommandId CommandOf(const QString& name);
    static TCommandId CommandOf(const QAction* action);
    TCommandRegistry& Registry() override { return registry_; } // where features register their rows' handlers
    QWidget* DialogParent() override; // the parent of the controllers' dialogs
    // The commands' visibility before any network is open, and once one is.
    void ApplyStartVisibility();
    void ApplyOpenVisibility();
    // The commands a network makes available, shown and enabled: the last step of an opening.
    void EnableAfterOpen();
    bool Down(TCommandId id);
    void SetDown(TCommandId id, bool down);
    bool Down(const QString& name);
    void SetDown(const QString& name, bool down);
    bool Down(const char* name) = delete;
    void SetDown(const char* name, bool down) = delete;
    // The intersection views' items, "Herramientas" and "Ayuda" (PalvonViewerToolMenus.cpp).
    void CreateToolMenus();
    void Calculator1Click();
    // The window's own items of the file and view menus.
    void FileExitItemClick();
    void Options1Click();
    // The menus and items each feature places (their handlers registered by the feature).
    void CreateSelectionMenus();
    void CreateSelCommandMenus();
    void CreateDataFileMenus(QMenu* archivo); // the "Abrir" submenu and the grids' import items
    void ConnectDataFileControls();           // open buttons, movement and line grid menus
    void CreateAnalysisMenus();
    void CreatePrintMenus(QMenu* archivo);
    void CreateExportMenus();
    void CreatePolygonMenus();

    // ---- Start-up and batch runs ----
    void FormCreate();
    void FormShow();
    void SetCommandLine(const QStringList& arguments); // program arguments without argv[0]
    void SetSplash(TAptta* splash);
    static void SetCurrentDirectory(const std::string& path);
    void SetBatchQuiet(bool quiet); // batch messages go to the error output instead of message boxes
    int BatchExitCode = 0; // of a command-line batch run: 0 when its job was done
    bool AskOnClose = true; // closing asks and saves only in interactive runs; tests may switch that off
    // Files dropped on the window: one opens as a network, more are ignored.
    void WMDropFiles(const QStringList& files);

    // ---- The status bar, the ticks and the redraw (TWindowHost) ----
    void RedrawMap() override;
    void SetStatusPanel(int panel, const QString& text) override;
    QString StatusPanel(int panel) override;
    // Status panel 0: the map's width to height, as its resize sets it.
    void ShowMapProportions();
    bool CommandOn(TCommandId id) override;
    void SetCommandOn(TCommandId id, bool on) override;
    TViewState& View() override { return UserView(); }

    // The range legends over the map put away (while a region or a polygon is drawn).
    void HideLegends();
    // The grids filled after whatever else waits, the map of their network being
    // on screen already.
    void FillGridsAfterMap();
    // The files controller finishes its opening once the map drawn is on screen.
    void FinishOpeningAfterMap();

    // ---- Controllers ----
    TFilesController& Files() { return files_; }       // opening, listings, data and auxiliary files
    TMapRenderer& Drawing() { return drawing_; }        // the layered drawing; RedrawMap() redraws the map
    TMapViewController& MapView() { return *mapView_; } // zoom, magnifier, views beside the map
    TDisplayController& Display() { return *display_; } // display toggles, styles, fonts, background layers
    TGridsController& Grids() { return grids_; }         // data grids, variables and formula columns
    TSelectionController& Selection() { return selection_; }
    TMapEditController& MapEdit() { return mapEdit_; } // the map tools, hover, curve handles, double click, Escape
    TPolygonsController& Polygons() { return polygons_; }
    TAnalysisController& Analysis() { return analysis_; }
    TPrintController& Printing() { return printing_; }
    TBatchPrintController& BatchPrinting() { return batchPrinting_; }
    TExportController& Export() { return export_; }
    TThemesController& Themes() { return themes_; }
    TSettingsController& Settings() { return settings_; } // settings file and view configuration
    // What the windows beside the map and the print preview ask of the window.
    TViewerHostAdapter& Hosts() { return hosts_; }
    // Whether a key sent to `watched` answers a question box or a file dialog
    // waiting for the user: Escape there answers it and leaves the map's tools alone.
    bool KeyAnswersABox(const QObject* watched) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool DropsHeld() const; // files dropped are refused, not opened
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
    void CreateCommandActions();
    void PlaceCommands();
    void LinkSharedActions();
    void ConnectCommandItems();
    QWidget* CommandPlace(const QString& place, bool make);

    bool shown_ = false;
    // The Escape press acted on, so that its steps up the widget tree act once.
    const QEvent* escapePress_ = nullptr;
    quint64 escapeTime_ = 0;
    QAction* inertAction_ = nullptr;
    std::vector<QAction*> actions_; // by command id
    QMenu* rutaMinimaMenu_ = nullptr;
    QStringList commandLine_;
    QPointer<TAptta> splash_;
    class ServicesImpl;
    ServicesImpl* services_ = nullptr;

    // The controllers and the window's side of the hosts of those outside src/mainwindow/
    // (*HostAdapter.cpp), in construction order.
    TViewerHostAdapter hosts_{*this};
    TFilesController files_{*this};
    TMapDrawAdapter drawHost_{*this};
    TMapRenderer drawing_{*this, drawHost_};
    TGridsController grids_{*this,
                            {tnDatos, tsZonas, tsNodos, tsArcos, tsMovim, tsLineas, sagZonas, sagNodos, sagArcos,
                             sagMovim, sagLineas, sagArcosSel}};
    TSelectionController selection_{*this};
    TMapEditController mapEdit_{*this};
    TPolygonsController polygons_{*this};
    TAnalysisHostAdapter analysisHost_{*this};
    TAnalysisController analysis_{*this, analysisHost_, hosts_};
    TPrintHostAdapter printHost_{*this};
    TPrintController printing_{*this, printHost_};
    TBatchPrintController batchPrinting_{*this, printHost_, printHost_, printing_};
    TCommandRegistry registry_{[this](TCommandId id) { return Action(id); }};
    TThemesController themes_{*this};
    TSettingsController settings_{*this};
    TExportHostAdapter exportHost_{*this};
    TExportController export_{*this, exportHost_};
    std::unique_ptr<TMapViewHostAdapter> mapViewHost_;
    std::unique_ptr<TMapViewController> mapView_;
    std::unique_ptr<TDisplayController> display_;
};

// 1 in an interactive run, 0 while a command-line batch runs (closing then asks nothing).
extern uint8_t InteractiveRun;
