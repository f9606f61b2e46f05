#pragma once
// Opening and files: from a file name to a network in memory (the names of its
// files, the read, the companion listings, the files named by its "Velmora.ini"),
// the data and auxiliary files opened into that network, and the recent networks.
// Owns what an opening changes before its network is read (put back when the read
// is refused), the open dialogs' stand-in of the tests, the hooks through which the
// auxiliary-file loaders reach the window, and the handlers of the rows owned by
// the files (the "Abrir" items, the open buttons, "Red Palvon (texto)", the grids'
// "Importar ..." items, "Grabar SIG"), which it registers. It sets the window's
// title and menus and asks the grids, display and settings controllers directly.
#include "model/PalvonRead.h"
#include "widgets/CommandTable.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class AuxFileServices;
namespace PalvonRead {
class TReadAhead;
}
class QAction;
class QMenu;
class TCommandRegistry;
class TIniFile;
class TPalvonViewer;
struct TCompPlacement;

class TFilesController {
public:
    explicit TFilesController(TPalvonViewer& viewer);
    ~TFilesController();

    // The handlers of the rows owned by the files (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    // ---- Opening networks (FilesOpen.cpp) ----
    void aFileOpenExecute();
    void tbOpenDatExecute();
    // False when the network could not be opened (missing, refused, no coordinates).
    // `layersGo`: the background layers loaded are replaced afterwards (a saved
    // layout applied), so their unsaved edits are asked about even when the
    // network is the one open.
    bool AbrirRedPalvon(const std::string& fileName, bool layersGo = false);
    // The first step of AbrirRedPalvon: the network text loaded and the file names set.
    bool SetFileNames(const std::string& fullName);
    // Every way in (open dialog, drop, command line, recent file, reload) runs this.
    // With `unplaced` (a run over many networks), a network without positions is
    // offered no coordinates file: it is refused without a word, and `unplaced`
    // says why for the caller's one message.
    bool RunOpening(std::string* unplaced = nullptr);
    // AbrirRedPalvon of the network named on the command line: its map is drawn
    // before the rest of the opening (see FinishOpening).
    bool OpenFromCommandLine(const std::string& fileName);
    // What an opening from the command line left for after its map: the extremes,
    // the grids' columns and fill, the variable menus. Done once the map is on
    // screen, or earlier when something needs them (user input, another opening);
    // nothing when nothing waits.
    void FinishOpening();
    bool OpeningUnfinished() const { return setUpAfterMap_; }
    void ReloadFromText();
    // Returns false when the sequence stopped (network refused or no coordinates).
    // A refused network leaves the earlier one in memory and on show as it was.
    // `unplaced` as for RunOpening.
    bool OpenPalvonDat(std::string* unplaced = nullptr);
    // Before an edit of the network in memory would be lost (quit, another network):
    // asks whether to save the unsaved edits. True to go on (saved or given up),
    // false when the user cancels or a save did not happen. Without withText the
    // text is not asked about (a reload reads it: its edits are not lost); without
    // withLayers neither are the background layers (they stay loaded); without
    // withNetwork only the layers are (a layer file opened in their place). The user
    // polygons outlive every network: only withPolygons (the program's end) asks.
    bool ConfirmUnsavedEdits(bool withText = true, bool withLayers = true, bool withNetwork = true,
                             bool withPolygons = false);
    // The same for the link shapes or the zone outlines edited on the map alone (a
    // traces or zoning file read in their place).
    bool ConfirmMapEdits(bool withShapes, bool withZoning);
    // Where the positions moved on the network in memory are kept: beside its
    // text, under the name the text was last saved with.
    std::string PositionsFileOfText() const;
    // The zoning and (withLayers) the background layers that the network's folder
    // names in its "Velmora.ini".
    void OpenOtherFiles(bool withLayers = true);
    // The flow-diagram variable menu and the arm totals, from the movements'
    // values as they stand: at an opening (the menu's first variable ticked) and
    // after data loaded onto the movements (`keepTicked`: the variable ticked
    // stays while the menu still offers it).
    void ConstruyeMixs(bool keepTicked = false);
    // The flow variable ticked in the diagrams' menu (0: none), and ticking one
    // again when the menu offers it (false when it does not).
    int32_t TickedMix() const;
    bool TickMix(int32_t variable);
    void RedPalvon1Click();

    // ---- Listings and counts (FilesListings.cpp) ----
    // After a network is read: its companion .lpa/.lpl when the option says so.
    void ReadCompanionListings();
    // After the grids are filled: the columns of the listings read with the network.
    void ShowCompanionListings();
    void OpenLpaFile(const std::string& fileName);
    void OpenLplFile(const std::string& fileName);
    void OpenCountsFile(const std::string& fileName);

    // ---- Auxiliary data files (FilesAuxFiles.cpp) ----
    // Offers a coordinates file for a network without positions; true when one placed it.
    bool OpenCoordinatesFile();
    // The coordinates file the user chose for the network being read, read onto it
    // again when the program itself reads that network again (its text read again,
    // a batch or report coming back to it), without asking; false when there is
    // none to read.
    bool ReadChosenCoordinatesAgain();
    void OpenComplementaryFile(const std::string& fileName);
    void OpenZoningFile(const std::string& fileName);
    void LoadZoning(const std::string& fileName);
    // The hooks through which the auxiliary-file loaders reach this window.
    void InstallAuxFileServices();
    void RemoveAuxFileServices();
    // A run without a screen has nobody to choose the coordinates file of a
    // network without coordinates: the choice counts as cancelled unless this is
    // set (by a test that answers the dialog).
    bool AskCoordinatesWithoutScreen = false;

    // ---- Data files (FilesDataFiles.cpp) ----
    // The open dialogs; tests replace them. Filters use the suite's "Texto|*.ext|"
    // syntax; an empty list is a cancelled dialog.
    std::function<QStringList(const QString& title, const QString& filter, bool several)> ChooseOpenFiles;
    QStringList ChooseDataFiles(const QString& title, const QString& filter, bool several,
                                const QString& defaultSuffix = QString());
    std::string ChooseDataFile(const QString& title, const QString& filter, const QString& defaultSuffix = QString());
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
    void GrabarSIGClick(); // the link shapes into a shape-point file (.sig)
    // The toolbar's open buttons, kind by tag 1..9.
    void AbrirClick(int tag);
    static TCommandId OpenButton(int tag);
    // Opens files of one kind 1..9 (the order of the open dialog's filters); only
    // soleras take more than the first file.
    void OpenDataOfKind(int kind, const QStringList& files);
    void OpenTrazasFile(const std::string& fileName);
    // The traces files read onto the network open, in the order read.
    const std::vector<std::string>& TracesRead() const { return tracesRead_; }
    // The first file replaces the line layers unless AppendSoleraLayer is 1; the others add.
    void OpenSoleraFiles(const QStringList& files);
    void OpenGenatrFile(const std::string& fileName);

    // ---- Recent networks (FilesController.cpp) ----
    // Reads the settings and builds the recent-network menus (newest first).
    void RebuildRecentMenus();
    // Opens the recent network `tag` (an index of RecentFiles) with the view it had.
    void FilesClick(int tag);

    // What the reads of networks are told: the file opened, where the error list
    // goes, whether the transit lines are read (from the options, at each opening).
    PalvonRead::TReadSettings& ReadSettings() { return readSettings_; }
    // The network named on the command line, being read while the window is made:
    // the first opening takes it up when it reads the same file the same way.
    void SetReadAhead(std::unique_ptr<PalvonRead::TReadAhead> readAhead);

private:
    TPalvonViewer& viewer_;

    // What an opening changes before its network is read, kept to put back should
    // the read be refused.
    struct EarlierOpening;
    std::shared_ptr<EarlierOpening> earlierOpening_;
    void RestoreEarlierOpening();
    // Once a network read is accepted: the state that belonged to the network it
    // replaces goes (pending edits, the curve being edited, formula-column
    // counts); for another network, also the variables and classes chosen and
    // the line layers loaded on the earlier one; for the same one opened again
    // by the user (`followTitles`), the choices follow their columns' titles.
    void ForgetEarlierNetwork(bool anotherNetwork, bool followTitles = false);
    // The network file the user last opened: the one the view choices are for.
    std::string viewChoicesOf_;

    std::unique_ptr<AuxFileServices> auxFiles_;
    QAction* clickedRecent_ = nullptr;
    // The network's text is being read again (its formula columns are made again after).
    bool rereadingText_ = false;
    std::string* unplaced_ = nullptr; // see RunOpening
    // The coordinates file the user chose for a network without positions of its
    // own, with the reader chosen for it: that network's, until the user opens another.
    struct TChosenCoordinates {
        std::string network, file;
        int kind = 0;
        std::string bytes; // as last read
    } chosenCoordinates_;
    // The traces files read onto the network open, in order: each gives the links
    // it names their courses, so a reading of the text again reads every one back.
    std::vector<std::string> tracesRead_;
    // "Grabar SIG" wrote the shapes shown after the last of those traces was read.
    bool shapesSavedAfterTraces_ = false;
    PalvonRead::TReadSettings readSettings_;
    std::unique_ptr<PalvonRead::TReadAhead> readAhead_; // until the first opening
    std::unique_ptr<PalvonRead::TReadAhead> takenUp_;   // its text taken, its network not yet
    // The part of an opening after the read that the map does not use.
    void SetUpAfterRead();
    bool mapFirst_ = false;      // the opening under way draws its map first
    bool setUpAfterMap_ = false; // the opening drawn waits for SetUpAfterRead
};

// 1: the next background line layer read is added to the loaded ones; 0: it replaces them.
extern uint8_t AppendSoleraLayer;
// "Fecha;FileName;Section" of every section of the settings file, oldest first.
extern std::vector<std::string> RecentFiles;
