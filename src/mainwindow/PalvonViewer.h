#pragma once
// The main window: the map canvas, the data grids, toolbars, menus and the
// status bar, and the handlers that open networks and run the batch modes.
//
// Its methods are spread over several files by topic (PalvonViewer*.cpp here,
// the drawing layers in src/map/gui/). Toolbar buttons and menu items are
// QActions whose objectName is the control's name, so any code can reach one
// with Action("tbArrows"); a toolbar button's `Down` is the action's checked state.
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
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
class TAptta;
class TStringAlignGrid;
class TLegendImage;

class TPalvonViewer : public QMainWindow {
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

    // The action (toolbar button or menu item) of that name; never null (an
    // unknown name gets a hidden stand-in so a typo cannot crash a handler).
    QAction* Action(const QString& name);
    bool Down(const QString& name);
    void SetDown(const QString& name, bool down);

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
    // Every way in (open dialog, drop, command line, recent file, reload) runs this.
    bool RunOpening();
    void ReloadFromText();
    // Returns false when the sequence stopped (network refused or no coordinates).
    bool OpenPalvonDat();
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

    // ---- Background line layers (src/map/gui/PalvonViewerLayers.cpp) ----
    void OpenLineLayerFile(const std::string& fileName, bool addLayer);
    // Loads a background line layer: replaces the loaded layers, or adds to them.
    void LineaSoleras(const std::string& fileName, bool addLayer);

    // ---- Settings ----
    void LeerVelmora();
    void GrabarVelmora();
    void FilesClick(int tag);
    // The saving part of closing (program keys and the network's section); throws
    // when the settings file cannot be written.
    void SaveAtClose();

    // ---- Escape handling ----
    void CancelMouseMode();

    // ---- Grids (PalvonViewerGrids.cpp) ----
    void ConfigureGrids();
    void DrawDataDat();

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
    void DrawAtributos(TOxrImage* Img);
    void DrawMapaColores(TOxrImage* Img);
    void DrawValue(TOxrImage* Img);
    void DrawMovimLinks(TOxrImage* Img);
    void DrawSymbolo(const std::string& caption, int count);
    void DrawRanges(const std::string& caption);
    void DrawMovRange(const std::string& caption);

    // ---- Drawing (layers live in src/map/gui) ----
    void DrawPalvon();
    // Prepares the map for a redraw: empty picture, legends hidden, transient pick state cleared.
    void ClearScreen();
    // Marks the hit-grid tiles that the view window meets.
    void SetGrid();

    // Closing asks and saves only in interactive runs; tests may switch that off.
    bool AskOnClose = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ConnectOptions();
    void ConnectToggles();
    void ConnectZoom(); // src/map/gui/PalvonViewerZoom.cpp
    void CreateMenus();
    void CreateToolbars();
    void InstallServices();
    bool SetFileNames(const std::string& fullName);
    void EnableAfterOpen();
    // After an opening that stopped: nothing of an earlier network stays on show.
    void ShowNoNetwork();
    void RebuildRecentMenus();
    QAction* AddAction(QWidget* where, const QString& name, const QString& text, bool checkable = false);

    bool shown_ = false;
    QAction* clickedRecent_ = nullptr;
    QMenu* rutaMinimaMenu_ = nullptr;
    QStringList commandLine_;
    QPointer<TAptta> splash_;
    class ServicesImpl;
    ServicesImpl* services_ = nullptr;
};

extern TPalvonViewer* PalvonViewer;
// "Fecha;FileName;Section" of every section of the settings file, oldest first.
extern std::vector<std::string> RecentFiles;
// 1 in an interactive run, 0 while a command-line batch runs (closing then asks nothing).
extern uint8_t InteractiveRun;
