// The main road of the program: from a file name to a network in memory, filled
// grids and a drawn map; and the other data files opened into that network.
#include "analysis/Fases.h"
#include "mainwindow/PalvonViewer.h"
#include "analysis/gui/KDVMix.h"
#include "mainwindow/FilesController.h"
#include "mainwindow/GridsController.h"
#include "map/FolderFiles.h"
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/MapEditController.h"
#include "mainwindow/PolygonsController.h"
#include "mainwindow/SelectionController.h"
#include "mainwindow/tools/MapTools.h"
#include "map/gui/DisplayController.h"
#include "map/PointLayers.h"
#include "map/ViewState.h"
#include "map/GeoLayers.h"
#include "map/DisplayStyles.h"
#include "map/gui/OxrImage.h"
#include "map/gui/FrmAerial.h"
#include "map/gui/MapViewController.h"
#include "model/FileUtils.h"
#include "model/ProgramOptions.h"
#include "model/SafeFile.h"
#include "model/AuxFileHooks.h"
#include "model/ComplementaryData.h"
#include "model/CoordinatesFiles.h"
#include "model/HitGrid.h"
#include "model/JunctionOutlines.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkGeometry.h"
#include "model/LinkShapes.h"
#include "model/NodeMoves.h"
#include "model/PalvonRead.h"
#include "model/ReadAhead.h"
#include "model/SavedNetwork.h"
#include "model/SelectionFiles.h"
#include "export/GeoWriters.h"
#include "map/GeoLayers.h"
#include "map/ZoomHistory.h"
#include "model/ZelUtils.h"
#include "model/ViewerServices.h"
#include "model/gui/FrmDat.h"
#include "platform/IniFile.h"
#include "widgets/CommandTable.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QTabWidget>
#include <QActionGroup>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;
using ZelUtils::Format;

namespace {

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}


// The positions the user moved on the map and saved for this network (its own
// positions file, beside it) replace those its text gives; a network read without
// coordinates takes them as from a coordinates file, and needs none asked for.
// A text changed after the positions were saved may have moved nodes itself: when
// saved positions differ from it, the user chooses which to keep.
void ApplySavedPositions(const std::string& fileName, bool textNewer)
{
    if (!FileExists(fileName))
        return;
    const bool placed = Network.HasCoordinates != 0;
    // The positions of the text, to go back to when the user keeps them.
    struct Place {
        float x, y;
        bool has;
    };
    std::vector<Place> nodes, centroids;
    if (placed && textNewer) {
        for (int32_t n = 1; n <= Network.NodeCount; ++n)
            nodes.push_back({Nodos[n].X, Nodos[n].Y, Nodos[n].HasXY != 0});
        for (int32_t z = 1; z <= Network.ZoneCount; ++z)
            centroids.push_back({Zonas[z].CentroidX, Zonas[z].CentroidY, Zonas[z].HasCentroid != 0});
    }
    const float extent[4] = {Network.MinX, Network.MinY, Network.MaxX, Network.MaxY};
    std::vector<int32_t> moved;
    if (!KDVlib::ReadPositionsFile(fileName, moved))
        return;
    if (!placed) {
        if (Network.HasCoordinates)
            KDVlib::FinishCoordinates();
        return;
    }
    if (moved.empty())
        return;
    if (textNewer &&
        !Services().AskYesNo(Format("Las coordenadas de %d nodos en el texto de la red difieren de las posiciones "
                                    "grabadas antes en %s.\r¿Desea usar las posiciones grabadas?\r(No: se usan "
                                    "las coordenadas del texto)",
                                    static_cast<int>(moved.size()), fs::path(fileName).filename().string()))) {
        for (int32_t n = 1; n <= Network.NodeCount && size_t(n) <= nodes.size(); ++n) {
            const Place& p = nodes[size_t(n - 1)];
            Nodos[n].X = p.x;
            Nodos[n].Y = p.y;
            Nodos[n].HasXY = p.has;
        }
        for (int32_t z = 1; z <= Network.ZoneCount && size_t(z) <= centroids.size(); ++z) {
            const Place& p = centroids[size_t(z - 1)];
            Zonas[z].CentroidX = p.x;
            Zonas[z].CentroidY = p.y;
            Zonas[z].HasCentroid = p.has;
        }
        Network.MinX = extent[0];
        Network.MinY = extent[1];
        Network.MaxX = extent[2];
        Network.MaxY = extent[3];
        return;
    }
    // The links at the moved nodes follow them, as after a move on the map.
    MovedNodes.clear();
    for (int32_t n : moved)
        MovedNodes.push_back(Format("%10d", Nodos[n].Number));
    TZoomSlot zoomExtent;
    if (KDVlib::NewAngles(UserView().Lanes, zoomExtent))
        Zoom::NetworkExtentChanged(zoomExtent);
    MovedNodes.clear();
}

// Whether the file `a` was written after the file `b` (false when either is missing).
bool WrittenAfter(const std::string& a, const std::string& b)
{
    std::error_code ea, eb;
    const auto ta = fs::last_write_time(a, ea);
    const auto tb = fs::last_write_time(b, eb);
    return !ea && !eb && ta > tb;
}

} // namespace

// What an opening changes before the network is read: put back as it was when the
// read is refused, so that the earlier network stays open under its own names.
struct TFilesController::EarlierOpening {
    std::string datFileName, datDir, lpa, lpl, counts, comp, compMov, print, trace, zoning, solera, puntos, networkDat;
    uint8_t openInteractive = 0, countsLoaded = 0;
    std::filesystem::path folder;
    TFrmDat::Held text;
};

namespace {
// The network file as the opening names it (its folder and its name).
std::string NetworkPath(const std::string& fileName)
{
    const fs::path p = fs::absolute(fileName);
    std::string dir = p.parent_path().string();
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir + p.filename().string();
}

// Says why the file cannot be opened as a network (missing, a folder, a pipe, a
// binary file), once; false when it can be tried.
bool RefusedAsNetwork(const std::string& path)
{
    const std::string why = FileUtils::TextFileProblem(path);
    if (why.empty())
        return false;
    std::error_code ec;
    Services().ShowMessage(!fs::exists(path, ec) ? Format("Archivo %s no existe.", path)
                                                 : Format("No se puede abrir %s como red:\r%s.", path, why));
    return true;
}
} // namespace

bool TFilesController::SetFileNames(const std::string& fullName)
{
    fs::path p = fs::absolute(fullName);
    // Refused before anything changes: a folder, a pipe or a binary file must not
    // replace the open network's text or names.
    if (RefusedAsNetwork(p.string()))
        return false;
    auto earlier = std::make_shared<EarlierOpening>();
    EarlierOpening& e = *earlier;
    e.datFileName = DatFileName;
    e.datDir = DatDir;
    e.lpa = LpaFileName;
    e.lpl = LplFileName;
    e.counts = CountsFileName;
    e.countsLoaded = Network.CountsLoaded;
    e.comp = ComplementaryFileName;
    e.compMov = ComplementaryMovFileName;
    e.print = PrintFileName;
    e.trace = TraceFileName;
    e.zoning = ZoningFileName;
    e.solera = SoleraFileName;
    e.puntos = PuntosFileName;
    e.networkDat = readSettings_.NetworkDatFile;
    e.openInteractive = OpenInteractive;
    std::error_code ec;
    e.folder = fs::current_path(ec);
    try {
        fs::current_path(p.parent_path());
    } catch (const std::exception& ex) {
        Services().ShowMessage("No se puede usar la carpeta de la red:\r" + std::string(ex.what()));
        return false;
    }
    // The names change only once the text is in: a file that cannot be read leaves
    // them, the text window and the folder as the network still loaded has them.
    e.text = FrmDat->Take();
    // The network named on the command line may have been read already: taken up
    // only when this opening would read the same file the same way.
    takenUp_.reset();
    std::unique_ptr<PalvonRead::TReadAhead> readAhead = std::move(readAhead_);
    PalvonRead::TReadSettings wanted = readSettings_;
    wanted.NetworkDatFile = p.string();
    wanted.ReadTransitLines = ProgramOptions().ReadsTransitLines();
    if (readAhead && !readAhead->Fits(p.string(), wanted, ProgramOptions().UtmZone(), ProgramOptions().Hemisphere()))
        readAhead.reset();
    if (readAhead)
        FrmDat->LoadText(p.string(), readAhead->TakeText(), readAhead->Utf8(), true);
    else if (!FrmDat->LoadFromFile(p.string())) {
        FrmDat->PutBack(std::move(e.text));
        fs::current_path(e.folder, ec);
        Services().ShowMessage(Format("No se puede leer el archivo %s.", p.string()));
        return false;
    }
    DatFileName = p.filename().string();
    DatDir = p.parent_path().string();
    if (!DatDir.empty() && DatDir.back() != '/')
        DatDir += '/';
    LpaFileName = FileUtils::ChangeFileExt(p.string(), ".lpa");
    LplFileName = FileUtils::ChangeFileExt(p.string(), ".lpl");
    ComplementaryFileName = ComplementaryMovFileName = PrintFileName = TraceFileName = "null";
    // The counts read onto the network before are of that network: "Recarga" and a
    // batch must not read them onto this one.
    CountsFileName = "null";
    Network.CountsLoaded = 0;
    ZoningFileName = SoleraFileName = PuntosFileName = "null";
    readSettings_.NetworkDatFile = p.string();
    OpenInteractive = 1;
    // Scratch files of an earlier run that was cut short while saving here.
    SafeFile::RemoveLeftovers(p.parent_path().string());
    earlierOpening_ = std::move(earlier);
    takenUp_ = std::move(readAhead);
    return true;
}

void TFilesController::RestoreEarlierOpening()
{
    if (!earlierOpening_)
        return; // the text in the window was read again: it stays as the user left it
    EarlierOpening& e = *earlierOpening_;
    DatFileName = e.datFileName;
    DatDir = e.datDir;
    LpaFileName = e.lpa;
    LplFileName = e.lpl;
    CountsFileName = e.counts;
    Network.CountsLoaded = e.countsLoaded;
    ComplementaryFileName = e.comp;
    ComplementaryMovFileName = e.compMov;
    PrintFileName = e.print;
    TraceFileName = e.trace;
    ZoningFileName = e.zoning;
    SoleraFileName = e.solera;
    PuntosFileName = e.puntos;
    readSettings_.NetworkDatFile = e.networkDat;
    OpenInteractive = e.openInteractive;
    std::error_code ec;
    if (!e.folder.empty())
        fs::current_path(e.folder, ec);
    FrmDat->PutBack(std::move(e.text));
    earlierOpening_.reset();
}

std::string TFilesController::PositionsFileOfText() const
{
    // The text saved under another name is that network now: the positions moved
    // on it are kept beside it, and come back when it is opened.
    const std::string& saved = FrmDat ? FrmDat->FileName() : std::string();
    if (!saved.empty())
        return KDVlib::PositionsFileName(fs::path(saved).parent_path().string(), fs::path(saved).filename().string());
    return KDVlib::PositionsFileName(DatDir, DatFileName);
}

namespace {
// Whether edits not yet in their files go there now: Yes, No, or anything else
// (Cancelar, Escape) to keep everything as it is.
QMessageBox::StandardButton AskToSaveNow(QWidget* parent, const std::string& what)
{
    return QMessageBox::question(parent, QString::fromStdString(ApplicationTitle),
                                 QString::fromStdString(what) + QStringLiteral("\n¿ Desea grabarlos ahora ?"),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
}
} // namespace

bool TFilesController::ConfirmUnsavedEdits(bool withText, bool withLayers, bool withNetwork, bool withPolygons)
{
    // A batch or a phase report asked once, before it started opening networks.
    if (BatchMode)
        return true;
    std::vector<std::string> what;
    const bool text = withNetwork && withText && FrmDat && FrmDat->IsModified();
    const bool positions = withNetwork && Network.PositionsUnsaved && Network.Loaded;
    const bool shapes = withNetwork && viewer_.Action(Cmd::GrabarSIG)->isVisible() && Network.Loaded;
    const bool zoning = withNetwork && Network.ZoningUnsaved && Network.Loaded;
    // Line layers with edits their files do not hold, when they go with the network
    // (a reload and a batch keep them).
    std::vector<int> layers;
    for (int layer = 1; withLayers && layer <= std::clamp(GeoLayers().NumGeoLayers, 0, MaxGeoLayers); ++layer)
        if (GeoLayers().GeoLayerSource[layer].Unsaved)
            layers.push_back(layer);
    if (text)
        what.push_back("el texto de la red");
    if (positions)
        what.push_back("las posiciones de nodos o centroides");
    if (shapes)
        what.push_back("el trazado de arcos");
    if (zoning)
        what.push_back("la zonificación");
    if (!layers.empty())
        what.push_back("las capas de soleras");
    const bool polygons = withPolygons && viewer_.Polygons().PolygonsUnsaved();
    if (what.empty() && !polygons)
        return true;
    std::string list;
    for (size_t k = 0; k < what.size(); ++k)
        list += (k == 0 ? "" : k + 1 == what.size() ? " y " : ", ") + what[k];
    if (!what.empty() && !DatFileName.empty())
        list += " de " + DatFileName;
    // Named after the network's own: they are no part of it.
    if (polygons)
        list += what.empty() ? "los polígonos" : " y en los polígonos";
    // The user is told where the positions go: a file of this network's own.
    if (!DatFileName.empty())
        CoordinatesFileName = PositionsFileOfText();
    const std::string where =
        positions ? Format("\nLas posiciones se grabarán en %s, junto a la red.",
                           fs::path(CoordinatesFileName).filename().string())
                  : std::string();
    const QMessageBox::StandardButton answer =
        AskToSaveNow(viewer_.DialogParent(), Format("Hay cambios sin grabar en %s.", list) + where);
    if (answer != QMessageBox::Yes)
        return answer == QMessageBox::No;
    // Each kind is saved as its own command saves it; one that is not saved (its
    // dialog cancelled, its write failed) keeps everything as it was.
    if (text && !FrmDat->SaveDat(FrmDat->FileName().empty()))
        return false;
    if (positions) {
        // A text just saved under another name takes the positions with it.
        if (text)
            CoordinatesFileName = PositionsFileOfText();
        if (!KDVlib::WriteCoordsFile(CoordinatesFileName))
            return false; // the writer said why, once
        Network.PositionsUnsaved = false;
    }
    if (shapes) {
        GrabarSIGClick();
        if (viewer_.Action(Cmd::GrabarSIG)->isVisible())
            return false;
    }
    if (zoning) {
        viewer_.Polygons().SaveZonClick();
        if (Network.ZoningUnsaved)
            return false;
    }
    // Each into its own file (one changed on disk is replaced only on a yes).
    if (!layers.empty() && !KDVlib::WriteGeo(layers))
        return false; // the writer said why, once
    // A file changed on disk and kept on a "No" did not take the layer's edits:
    // they stay, unsaved, and the step does not go on.
    for (const int layer : layers)
        if (GeoLayers().GeoLayerSource[layer].Unsaved)
            return false;
    if (polygons) {
        viewer_.Polygons().Exportar1Click();
        if (viewer_.Polygons().PolygonsUnsaved())
            return false;
    }
    return true;
}

bool TFilesController::ConfirmMapEdits(bool withShapes, bool withZoning)
{
    if (BatchMode || !Network.Loaded)
        return true;
    const bool shapes = withShapes && viewer_.Action(Cmd::GrabarSIG)->isVisible();
    const bool zoning = withZoning && Network.ZoningUnsaved;
    if (!shapes && !zoning)
        return true;
    const char* what = shapes && zoning ? "el trazado de arcos y la zonificación"
                       : shapes         ? "el trazado de arcos"
                                        : "la zonificación";
    const QMessageBox::StandardButton answer =
        AskToSaveNow(viewer_.DialogParent(), Format("Hay cambios sin grabar en %s de %s.", what, DatFileName));
    if (answer != QMessageBox::Yes)
        return answer == QMessageBox::No;
    if (shapes) {
        GrabarSIGClick();
        if (viewer_.Action(Cmd::GrabarSIG)->isVisible())
            return false;
    }
    if (zoning)
        viewer_.Polygons().SaveZonClick();
    return !Network.ZoningUnsaved || !zoning;
}

bool TFilesController::AbrirRedPalvon(const std::string& fileName, bool layersGo)
{
    FinishOpening();
    // The model is the read ahead's until it ends (the unsaved-edit question looks
    // at it). A read that takes long is shown going, over a painted window: nothing
    // on show uses the model before the first opening.
    if (readAhead_ && !readAhead_->WaitFor(std::chrono::milliseconds(200))) {
        viewer_.SetStatusPanel(0, QString::fromStdString(KDVlib::MsgLeyendo));
        Services().ProcessEvents(); // a file dropped meanwhile is refused, not opened inside this one
    }
    if (readAhead_)
        readAhead_->Wait();
    // A file that cannot be a network is refused before the user is asked about
    // unsaved edits: answering would be for nothing.
    if (RefusedAsNetwork(fileName))
        return false;
    // The background layers go with the network they lie on: the same network
    // opened again keeps them, unless `layersGo` (others take their place).
    if (!ConfirmUnsavedEdits(true, layersGo || NetworkPath(fileName) != viewChoicesOf_))
        return false;
    if (!SetFileNames(fileName))
        return false;
    return RunOpening();
}

// What follows the file names: read, set the view up, fill the grids and draw.
// Every way in runs all of it, the flow-diagram variable menu and arm totals
// included: kept from the previous network they would describe another network.
bool TFilesController::RunOpening(std::string* unplaced)
{
    // The read leaves its gauge up: it goes, back at its start, once the whole
    // opening is done (or refused).
    struct GaugeDown {
        ~GaugeDown()
        {
            Services().SetProgressVisible(false);
            Services().SetProgressPosition(0);
        }
    } gaugeDown;
    FinishOpening(); // an earlier opening's set-up, before this one replaces its network
    if (!OpenPalvonDat(unplaced))
        return false;
    ReadCompanionListings();
    // The network named on the command line is drawn first: what its map does not
    // use (the extremes, the grids' columns, the variable menus) is set up once the
    // map is on screen, or before the user's first input, whichever comes first.
    // Not when listings read with it go into the grids before the map shows them.
    const bool listingsShown =
        ProgramOptions().OpenLP && (FileExists(LpaFileName) || FileExists(LplFileName));
    const bool mapFirst = mapFirst_ && !BatchMode && DrawEnabled && viewer_.img->isVisible() &&
                          !viewer_.img->size().isEmpty() && !listingsShown;
    if (!mapFirst)
        SetUpAfterRead();
    if (!BatchMode) {
        // The phase window shows a junction of the network it was opened on: it
        // closes, and builds its list afresh from the new network when shown again.
        if (FrmFases && FrmFases->isVisible())
            FrmFases->close();
        FasesListOk = 0;
    }
    setUpAfterMap_ = mapFirst;
    if (!BatchMode)
        viewer_.RedrawMap();
    // The aerial overview follows the view shown; a network of the same extent
    // (or the same one with links of its own) would otherwise leave the earlier
    // network's links in it.
    if (FrmAerial && FrmAerial->isVisible())
        viewer_.MapView().DrawNetWorkAerial();
    if (mapFirst)
        viewer_.FinishOpeningAfterMap(); // at the painting of the map just drawn
    return true;
}

void TFilesController::SetUpAfterRead()
{
    PalvonRead::ComputeLinkDataExtremes();
    viewer_.Grids().ConfigureGrids();
    ConstruyeMixs();
    viewer_.Grids().DrawDataDat();
    ShowCompanionListings();
    viewer_.Grids().FollowChosenTitles();
}

bool TFilesController::OpenFromCommandLine(const std::string& fileName)
{
    mapFirst_ = true;
    const bool opened = AbrirRedPalvon(fileName);
    mapFirst_ = false;
    return opened;
}

void TFilesController::FinishOpening()
{
    if (!setUpAfterMap_)
        return;
    setUpAfterMap_ = false;
    SetUpAfterRead();
    // The map is on screen already: the grids are filled after whatever waits.
    viewer_.FillGridsAfterMap();
}

// The network text window asks to read its (edited) text again. The network is
// the same: moves and shapes, which the read would put back as their files have
// them, are asked about first (the text is what is read, it is not lost), and
// the listings, counts, complementary data, traces and zoning the user loaded
// onto it are read onto it again; the links, nodes and zones the user selected or
// hid are marked again.
void TFilesController::ReloadFromText()
{
    FinishOpening();
    if (DatFileName.empty())
        return;
    if (!ConfirmUnsavedEdits(false, false))
        return;
    auto given = [](const std::string& f) { return !f.empty() && f != "null" && FileExists(f); };
    const std::string lpa = Network.LpaLoaded ? LpaFileName : std::string();
    const std::string lpl = Network.LplLoaded ? LplFileName : std::string();
    const std::string counts = Network.CountsLoaded ? CountsFileName : std::string();
    const std::string comp = ComplementaryFileName, compMov = ComplementaryMovFileName;
    // Every traces file read onto it (a batch gives back the last one only).
    std::vector<std::string> traces = tracesRead_;
    const std::string savedShapes = shapesSavedAfterTraces_ ? SigFileName : std::string();
    if (traces.empty())
        traces.push_back(TraceFileName);
    const std::string zoning = ZoningFileName;
    const std::string order = LinkOrderSet ? LinkOrderFileName : std::string();
    // The links, nodes and zones the user selected or hid, and the lines shown: put
    // back on those still there.
    const SelectionFiles::THeldMarks marks = SelectionFiles::HoldMarks();
    const bool listed = viewer_.Action(Cmd::VerSeleccion)->isChecked();
    // The window and zoom steps ("Vista anterior") the user had on it, and its
    // grids as sorted and arranged: the same network read again keeps them.
    const TViewState& view = UserView();
    const double window[4] = {view.WorldMinX, view.WorldMaxX, view.WorldMinY, view.WorldMaxY};
    const auto zoomHistory = view.ZoomHistory;
    const auto zoomIndex = view.ZoomIndex;
    viewer_.Grids().HoldGridOrder();
    // The zones the user hid stay hidden: the zoning read again would show them.
    const bool zonesOn = viewer_.CommandOn(Cmd::tbZonas);
    // The variable the flow diagrams show: the same network read again keeps it
    // while its values are there to show.
    const int32_t diagramVar = TickedMix();
    rereadingText_ = true;
    const bool read = RunOpening();
    rereadingText_ = false;
    if (!read)
        return; // refused: the network in memory, with all it had, stays
    UserView().WorldMinX = window[0];
    UserView().WorldMaxX = window[1];
    UserView().WorldMinY = window[2];
    UserView().WorldMaxY = window[3];
    UserView().ZoomHistory = zoomHistory;
    UserView().ZoomIndex = zoomIndex;
    bool again = true; // drawn again in the window put back
    if (!marks.Links.empty() || !marks.Hidden.empty() || !marks.Nodes.empty() || !marks.Zones.empty() ||
        !marks.Lines.empty()) {
        SelectionFiles::PutBackMarks(marks);
        viewer_.Selection().ShowPutBackMarks(listed);
        again = true;
    }
    // With "open related files" the opening has just read the listings under their
    // names, whatever became of them: read again, a file changed meanwhile (cut,
    // of another network) would say so twice.
    const bool listingsRead = ProgramOptions().OpenLP;
    if (given(lpa) && !Network.LpaLoaded && !listingsRead) {
        OpenLpaFile(lpa);
        again = true;
    }
    if (given(lpl) && !Network.LplLoaded && !listingsRead) {
        OpenLplFile(lpl);
        again = true;
    }
    if (given(counts)) {
        OpenCountsFile(counts);
        again = true;
    }
    if (given(comp)) {
        OpenComplementaryFile(comp);
        again = true;
    }
    if (given(compMov)) {
        ComplementaryMovFileName = compMov;
        KDVlib::LoadDatosComplementariosMovs();
        again = true;
    }
    for (const std::string& file : traces)
        if (given(file)) {
            TraceFileName = file;
            if (KDVlib::LoadTrazas())
                tracesRead_.push_back(file);
            again = true;
        }
    // Shapes saved after those traces were read hold them and the edits made on
    // them since: read last, the links keep the shapes they were shown with.
    if (given(savedShapes) && !tracesRead_.empty()) {
        KDVlib::ReadSigFile(savedShapes);
        SigFileName = savedShapes;
        shapesSavedAfterTraces_ = true;
        again = true;
    }
    if (given(order)) {
        KDVlib::LoadOrdenArcos(); // the order file read for the network (its name kept)
        again = true;
    }
    if (given(zoning) && zoning != ZoningFileName) {
        LoadZoning(zoning); // one the user opened, not named by the folder's "Velmora.ini"
        again = true;
    }
    // Data read onto the network from files gone since cannot come back with it:
    // said once, naming the files, rather than dropped without a word.
    std::vector<std::string> gone;
    const auto goneSince = [&](const std::string& f) {
        if (!f.empty() && f != "null" && !FileExists(f) && std::find(gone.begin(), gone.end(), f) == gone.end())
            gone.push_back(f);
    };
    for (const std::string& f : {lpa, lpl, counts, comp, compMov, order})
        goneSince(f);
    for (const std::string& f : traces)
        goneSince(f);
    if (zoning != ZoningFileName)
        goneSince(zoning);
    if (!gone.empty()) {
        std::string list;
        for (const std::string& f : gone)
            list += "\r" + f;
        Services().ShowMessage(Format("La red se leyó de nuevo sin los datos de %s, que ya no %s:%s",
                                      gone.size() == 1 ? "este archivo" : "estos archivos",
                                      gone.size() == 1 ? "existe" : "existen", list));
    }
    viewer_.SetCommandOn(Cmd::tbZonas, zonesOn);
    TickMix(diagramVar);
    viewer_.Grids().PutBackGridOrder(); // after the columns the loads above put back
    if (again && !BatchMode)
        viewer_.RedrawMap();
}

void TFilesController::aFileOpenExecute() { aFileOpenItemExecute(); }

void TFilesController::tbOpenDatExecute()
{
    const bool addLayer = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    const QStringList filters = {
        QStringLiteral("Red Palvon DAT          (*.dat)"), QStringLiteral("Salida pvass           (*.lpa)"),
        QStringLiteral("Salida pvlook          (*.lpl)"),  QStringLiteral("Conteos palvon          (*.dat)"),
        QStringLiteral("Datos complementarios   (*.dat *.prn *.csv)"),
        QStringLiteral("Trazas de arcos         (*.geo)"), QStringLiteral("Zonificación            (*.geo *.shp)"),
        QStringLiteral("Lineas de soleras       (*.geo)"), QStringLiteral("Generación/Atracción    (*.csv)")};
    QFileDialog dialog(viewer_.DialogParent(), QStringLiteral("Open data file"));
    dialog.setNameFilters(filters);
    // The dialog keeps its filters with runs of blanks made single: look them up
    // in its own list, not in ours.
    const QStringList shown = dialog.nameFilters();
    dialog.selectNameFilter(shown.front());
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // The kind is the filter chosen, not the file's extension.
    const int kind = static_cast<int>(shown.indexOf(dialog.selectedNameFilter())) + 1;
    if (kind == 8)
        AppendSoleraLayer = addLayer ? 1 : 0;
    OpenDataOfKind(kind, {dialog.selectedFiles().front()});
}

namespace {
// What the window shows of the network open, or of none, that a read changes on
// its way: the titles, the status panels (the map's proportions, the note of the
// read...) and the commands the read enables by what it finds (the junction
// analysis and its types).
struct TShownOfEarlier {
    QString title, previewTitle;
    std::string appTitle;
    QString panels[4];
    struct TCommandShown {
        TCommandId id;
        bool enabled, checked;
    };
    std::vector<TCommandShown> commands;

    void Keep(TPalvonViewer& viewer)
    {
        title = viewer.windowTitle();
        if (TFrmPreview* preview = viewer.Printing().Preview())
            previewTitle = preview->windowTitle();
        appTitle = ApplicationTitle;
        for (int p = 0; p < 4; ++p)
            panels[p] = viewer.StatusPanel(p);
        for (const TCommandId id :
             {Cmd::AnalisisIntersecciones, Cmd::Jtype1, Cmd::Jtype2, Cmd::Jtype3, Cmd::Jtype4, Cmd::Jtype5}) {
            const QAction* a = viewer.Action(id);
            commands.push_back({id, a->isEnabled(), a->isChecked()});
        }
    }
    void PutBack(TPalvonViewer& viewer) const
    {
        viewer.setWindowTitle(title);
        if (TFrmPreview* preview = viewer.Printing().Preview())
            preview->setWindowTitle(previewTitle);
        ApplicationTitle = appTitle;
        // The map resized while a question waited has put its proportions in
        // place of the read's note: those stand.
        for (int p = 0; p < 4; ++p)
            if (p != 0 || viewer.StatusPanel(0) == QString::fromStdString(KDVlib::MsgLeyendo))
                viewer.SetStatusPanel(p, panels[p]);
        for (const TCommandShown& c : commands) {
            QAction* a = viewer.Action(c.id);
            a->setEnabled(c.enabled);
            a->setChecked(c.checked);
        }
    }
};
} // namespace

bool TFilesController::OpenPalvonDat(std::string* unplaced)
{
    struct Unplaced {
        std::string*& slot;
        std::string* before;
        ~Unplaced() { slot = before; }
    } unplacedScope{unplaced_, std::exchange(unplaced_, unplaced)};
    // A grid whose filling was put off is filled from the network it shows, before
    // that network's records give way to the new one's.
    viewer_.Grids().FillDeferredGrids();
    TWaitCursor wait;
    // What the window shows of the network open (or of none), given back whole
    // if this one is refused.
    TShownOfEarlier earlierShown;
    earlierShown.Keep(viewer_);
    TFrmPreview* preview = viewer_.Printing().Preview();
    viewer_.setWindowTitle(QString::fromStdString(DatDir + DatFileName));
    if (preview)
        preview->setWindowTitle(QString::fromStdString(DatFileName));
    ApplicationTitle = "Velmora: " + DatFileName;
    viewer_.SetStatusPanel(0, QString::fromStdString(KDVlib::MsgLeyendo));
    readSettings_.ReadTransitLines = ProgramOptions().ReadsTransitLines();

    // The network in memory waits aside while the new one is read into fresh
    // arrays: a network refused (over capacity, cut short, without coordinates)
    // leaves it as it was.
    const bool hadNetwork = Network.Loaded != 0;
    // A text edited in the window, or a file written, after the positions were saved.
    const std::string positionsFile = PositionsFileOfText();
    const bool textNewer = (FrmDat->IsModified() && !earlierOpening_) ||
                           WrittenAfter(FrmDat->FileName().empty() ? DatDir + DatFileName : FrmDat->FileName(),
                                        positionsFile);
    PalvonRead::SavedNetwork earlier;
    earlier.Keep();
    // Geographic positions kept beside the UTM ones use the zone of the options;
    // the network set aside keeps the zone it was read in.
    Network.Options.UtmZone = ProgramOptions().UtmZone();
    Network.Options.UtmHemisphere = ProgramOptions().Hemisphere();
    const std::unique_ptr<PalvonRead::TReadAhead> readAhead = std::move(takenUp_);
    // The text of the window read again: the reader inserts the include files into
    // it, which a refusal takes out again (a copy shares the lines, it costs none).
    const TTextLines textAsIs = earlierOpening_ || readAhead ? TTextLines() : FrmDat->Lines();
    bool ok = readAhead ? readAhead->Install(Services(), readSettings_)
                        : PalvonRead::ReadNetwork(FrmDat->Lines(), readSettings_);
    const std::string earlierCoordinates = CoordinatesFileName;
    if (ok) {
        // Positions moved on the map are kept for this network only, beside it;
        // they come back with it.
        CoordinatesFileName = positionsFile;
        ApplySavedPositions(CoordinatesFileName, textNewer);
    }
    const bool noPositions = ok && !Network.HasCoordinates && !ReadChosenCoordinatesAgain();
    if (noPositions && unplaced_) {
        *unplaced_ = "la red no tiene coordenadas (sección \"5\") y no se abrió";
        ok = false;
    } else if (noPositions) {
        // No positions: a coordinates file is offered; without one the network
        // cannot be shown and is not opened. The hourglass goes first: the message
        // and the file dialog wait for the user.
        wait.Restore();
        Services().ShowMessage(KDVlib::MsgNoCoords);
        if (!OpenCoordinatesFile()) {
            Services().ShowMessage(Format("Red inhabilitada para visualización gráfica: %s no se abrió.%s",
                                          DatFileName,
                                          hadNetwork ? "\rSigue abierta la red anterior." : ""));
            ok = false;
        }
    }
    if (!ok) {
        CoordinatesFileName = earlierCoordinates;
        earlier.Restore();
        // The editor still shows the text as it was, its undo history whole.
        if (!earlierOpening_ && !readAhead)
            FrmDat->Lines() = textAsIs;
        RestoreEarlierOpening();
        Services().SetLengthScaleEdit(Network.LengthScale);
        wait.Restore();
        earlierShown.PutBack(viewer_);
        return false;
    }
    // From here on the network read is the one in memory: nothing of the earlier
    // one's edits, columns or views applies to it.
    // The view choices belong to the network the user last opened: a batch that
    // opens others unattended and comes back to it keeps them, as does reading
    // the same file again.
    const std::string opened = DatDir + DatFileName;
    const bool byUser = OpenInteractive && !BatchMode;
    // The same network read again keeps the background layers loaded on it,
    // edits and all; its folder's layers are read only for a network opened afresh.
    const bool sameAgain = byUser && opened == viewChoicesOf_;
    ForgetEarlierNetwork(byUser && !sameAgain, sameAgain);
    if (byUser)
        viewChoicesOf_ = opened;
    earlierOpening_.reset();
    FrmDat->LinesChanged();
    tracesRead_.clear(); // the courses read onto the network before are gone with it
    shapesSavedAfterTraces_ = false;
    LinkOrderSet = false; // so is the drawing order read for its links
    FrmDat->MarkAsRead();

    SigFileName = FileUtils::ChangeFileExt(DatFileName, ".sig");
    if (FileExists(SigFileName))
        KDVlib::ReadSigFile(SigFileName);

    UserView().WorldMinX = Network.MinX;
    UserView().WorldMaxX = Network.MaxX;
    UserView().WorldMinY = Network.MinY;
    UserView().WorldMaxY = Network.MaxY;
    if (!(UserView().WorldMinX <= UserView().WorldMaxX && UserView().WorldMinY <= UserView().WorldMaxY)) {
        // No node placed yet (a coordinates file that placed none): a window of
        // its own keeps the map and the zoom defined until nodes get positions.
        UserView().WorldMinX = UserView().WorldMinY = 0.0;
        UserView().WorldMaxX = UserView().WorldMaxY = 1000.0;
    }
    UserView().ZoomIndex = 1;
    UserView().ZoomHistory[1] = {UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY};

    KDVlib::BuildHitGrid();
    if (Network.SectionPresent[0]) {
        PalvonRead::ComputeLinkGeometry(UserView().Lanes);
        PalvonRead::OrderArms();
    }
    OpenOtherFiles(!sameAgain);

    wait.Restore();
    // A node or centroid picked in its grid to be placed on the map was picked
    // by its index in the earlier network: the pick ends, with its marker and
    // its "no" cursor, so that no click places a record of this one.
    TGridsController& grids = viewer_.Grids();
    if (grids.NodeMoving || grids.CentroidMoving) {
        grids.EndGridPick();
        grids.GridMoveRegion = QRegion();
        QApplication::restoreOverrideCursor();
    }
    // The read's note gives way to the map's proportions, which no resize may
    // come to set.
    viewer_.SetStatusPanel(0, QStringLiteral("Inactivo"));
    viewer_.ShowMapProportions();
    // The pointer's position and the last measure were taken on the earlier
    // network's map: the new one shows none until the mouse moves over it.
    viewer_.SetStatusPanel(2, QString());
    viewer_.SetStatusPanel(3, QString());
    viewer_.EnableAfterOpen();
    return true;
}

namespace {
// Whether a column of the grid as it stands is a formula column (the user's
// variables after the links' 120 and the movements' 80).
bool FormulaColumn(int32_t col, bool movement)
{
    const int32_t first = movement ? 80 : 120;
    const int32_t var = movement ? (col > 0 && col < NumMovimColumns ? ColVarMovim[size_t(col)] : 0)
                                 : (col > 0 && col < NumArcosColumns ? ColVarArcos[size_t(col)] : 0);
    return var > first && var <= first + 10;
}

bool FormulaColumn(const std::string& col, bool movement)
{
    int32_t c = 0;
    std::from_chars(col.data(), col.data() + col.size(), c);
    return FormulaColumn(c, movement);
}

// Whether the user's view shows a variable of a formula column.
bool ChoicesOnFormulaColumns(const TViewState& v)
{
    bool on = FormulaColumn(v.RangeVarArcos, false) || FormulaColumn(v.AttrColumn, false) ||
              FormulaColumn(v.RangeVarMovim, true) || FormulaColumn(v.RangeItemMovim, true);
    for (const int32_t c : v.RangeVarByMode)
        on = on || FormulaColumn(c, false);
    for (const std::string& c : v.ShownVarList)
        on = on || FormulaColumn(c, false);
    for (const std::string& c : v.SelectedMovimVars)
        on = on || FormulaColumn(c, true);
    return on;
}
} // namespace

void TFilesController::ForgetEarlierNetwork(bool anotherNetwork, bool followTitles)
{
    // A variable chosen on a formula column stays only where the column is made
    // again on the same network read again from its text: elsewhere it would
    // show a column that is gone (the same network opened again by the user gives
    // up that choice alone, below).
    const bool choicesGo =
        anotherNetwork || (ChoicesOnFormulaColumns(UserView()) && !rereadingText_ && !followTitles);
    // The same network opened again by the user is laid out afresh, without the
    // columns made or loaded on it since: its choices follow their columns' titles.
    if (followTitles && !rereadingText_)
        viewer_.Grids().HoldChosenTitles();
    // Its edits: given up or saved at the question before the opening.
    Network.PositionsUnsaved = false;
    Network.PositionsWriteFailing = false;
    Network.ZoningUnsaved = false;
    viewer_.Action(Cmd::NodeMove)->setChecked(false);
    viewer_.Action(Cmd::ZoneMove)->setChecked(false);
    TMapEditController& edit = viewer_.MapEdit();
    edit.CurveLink = edit.CurveDrag = edit.HoverCurveLink = edit.HoverCurveHandle = 0;
    edit.CurveVertex = -1;
    edit.CurveVertexDrag = false;
    edit.CurveRegions.clear();
    viewer_.Action(Cmd::GrabarSIG)->setVisible(false);
    viewer_.SetCommandOn(Cmd::tbCurve, false);
    // A region, a path or a measure begun on the earlier map starts afresh, its
    // tool still in hand: the points and the end taken there are no places of
    // this network's, whose map shows none of them.
    if (viewer_.Selection().PolySelectKind != 0)
        viewer_.Selection().PolyPoints.clear();
    TMapTools& tools = edit.MapTools();
    if (tools.Path().FirstEndPicked())
        tools.Path().Arm();
    if (tools.Ruler().Measuring())
        tools.Ruler().Arm();
    // Its grid columns, formula columns and sort.
    LpaFirstCol = LplFirstCol = LpaMovFirstCol = LplMovFirstCol = CompFirstCol = 0;
    NumUserVarArcos = NumUserVarMovim = 0;
    viewer_.Grids().ResetGridSort(); // formula columns included
    // A block of rows chosen in a grid was rows of the network (or the order) that
    // goes: "Selección en Grilla" would mark the records now on those rows. The
    // text read again puts its order back, and keeps the block; so does a run over
    // other networks (a batch, the worksheets), which gives the user's network back
    // with its order.
    if (!rereadingText_ && (anotherNetwork || followTitles))
        viewer_.Grids().ForgetGridBlocks();
    viewer_.Action(Cmd::Crearcolumna1)->setEnabled(true);
    viewer_.Action(Cmd::Crearcolumna2)->setEnabled(true);
    if (FrmMix)
        FrmMix->ForgetJunctions();
    NodoActual = 0; // the junction shown, by whichever window, was the earlier network's
    if (anotherNetwork) {
        viewer_.img->ForgetLabelStamps(); // its street names' glyphs: memory the new one would not use
        // The selection file last written or read was the earlier network's: offered
        // again, a save of this one's selection would replace it unasked.
        viewer_.Selection().SelFileName.clear();
    }
    if (!choicesGo)
        return; // the same network read again keeps what the user chose to see on it
    // The variables chosen to colour, bar and label, their classes and legends
    // were the earlier network's: the new one shows none until chosen on it.
    TViewState& view = UserView();
    view.RangeVarByMode.fill(0);
    // The selection by data names the column it works on: none of this network's yet.
    viewer_.Action(Cmd::SeleccionPorDatos)->setText(CommandTable::Caption(Cmd::SeleccionPorDatos));
    view.RangeVarArcos = view.RangeItemMovim = view.RangeVarMovim = view.AttrColumn = view.GenatrCol = 0;
    view.RangeName = "null";
    view.RangeMovimMin = view.RangeMovimMax = 0.0f;
    // A scale the user keeps fixed (the scale window's box, its padlock on the
    // map) keeps its minimum and maximum for the variables chosen next, as it does
    // from one variable to another: the box alone, its maximum gone, left the
    // window showing 0 and the next variable's classes and bars without a scale.
    if (!view.ScaleFixed)
        view.RangeMin = view.RangeMax = 0.0f;
    view.ShownVarList.clear();
    view.SelectedMovimVars.clear();
    view.MovimDrawMode = false; // their flows at the link ends went with them
    for (int i = 0; i < MaxShownVars; ++i)
        viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(false);
    viewer_.Action(Cmd::cvs)->setVisible(false);
    for (TCommandId layer : {Cmd::tbAtributos, Cmd::tbColores, Cmd::tbValues, Cmd::tbMovimValues})
        viewer_.SetCommandOn(layer, false);
    viewer_.Action(Cmd::aAtributos2)->setChecked(false);
    if (!anotherNetwork)
        return;
    // The coordinates file chosen for the earlier network is no file of this one's.
    if (chosenCoordinates_.network != DatDir + DatFileName)
        chosenCoordinates_ = {};
    // Line layers and points lie in the zone of the network they were loaded on;
    // the new network's own layers come from its "Velmora.ini".
    viewer_.Display().ForgetLineLayers();
    NumDots = -1;
    // So do the generation and attraction rows, at its zones' places: its
    // variables leave the menu and its bars and outlines the map.
    NumGenatr = 0;
    GenatrMax = 0.0f;
    GenatrNames.assign(1, std::string());
    AuxFileHooks().BuildGenatrMenu();
    viewer_.Action(Cmd::GenAtrZona)->setChecked(false);
}

void TFilesController::OpenOtherFiles(bool withLayers)
{
    const FolderFiles::TFolderFiles files = FolderFiles::Read(DatDir + "Velmora.ini");
    ZoningFileName = files.Zoning.empty() ? std::string("null") : files.Zoning;
    if (!files.Zoning.empty())
        LoadZoning(ZoningFileName);
    for (size_t k = 0; withLayers && k < files.Layers.size(); ++k) {
        // The first layer replaces whatever layers were loaded; the others add to it.
        viewer_.Display().LineaSoleras(files.Layers[k], k > 0);
        if (k < files.Styles.size()) {
            TItems& item = UserView().Items[11 + k];
            item.Color = files.Styles[k].Color;
            item.Width = files.Styles[k].Width;
            item.PenStyle = files.Styles[k].PenStyle;
        }
        if (k == 0)
            viewer_.SetCommandOn(Cmd::tbSolera, true);
    }
}

int32_t TFilesController::TickedMix() const
{
    for (QAction* a : viewer_.varMix->actions())
        if (a->isChecked())
            return a->data().toInt();
    return 0;
}

bool TFilesController::TickMix(int32_t variable)
{
    for (QAction* a : viewer_.varMix->actions())
        if (variable != 0 && a->data().toInt() == variable) {
            a->setChecked(true);
            return true;
        }
    return false;
}

void TFilesController::ConstruyeMixs(bool keepTicked)
{
    QMenu* varMix = viewer_.varMix;
    const int32_t ticked = keepTicked ? TickedMix() : 0;
    varMix->clear();
    // The radio groups of earlier networks go with their items.
    for (QActionGroup* old : varMix->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly))
        delete old;
    struct Group {
        int first, count;
    };
    const Group groups[] = {{6, 0}, {7, 0}, {8, 0}, {4, 0}, {100, 9}, {20, 9}};
    QActionGroup* radio = new QActionGroup(varMix);
    for (const Group& g : groups)
        for (int v = g.first; v <= g.first + g.count; ++v) {
            if (!(Movims[MovimsMaxRec].Var[v] > 0))
                continue;
            QAction* a = varMix->addAction(QString::fromStdString(KDVlib::CodeText(v)));
            a->setCheckable(true);
            a->setData(v);
            radio->addAction(a);
        }
    if ((ticked == 0 || !TickMix(ticked)) && !varMix->actions().isEmpty())
        varMix->actions().front()->setChecked(true);

    // Totals are sized only for arms that movements use; an empty list means all 0.
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        TNodo& node = Nodos[n];
        if (!node.Arms.allocated())
            continue; // no arm was ever written: all are as new
        for (TConector& arm : node.Arms) {
            arm.EntryMark = arm.ExitMark = 0;
            arm.InTotals.clear();
            arm.OutTotals.clear();
        }
    }
    auto add = [](std::vector<float>& totals, const TMovimiento& mv) {
        if (totals.empty())
            totals.assign(NumMovVars + 1, 0.0f);
        for (int v = 0; v <= NumMovVars; ++v)
            totals[static_cast<size_t>(v)] += mv.Var[v];
    };
    for (int32_t m = 1; m <= Network.MovementCount; ++m) {
        const TMovimiento& mv = Movims[m];
        int32_t j = KDVlib::FindNodo(mv.Node);
        if (j == 0)
            continue;
        TNodo& node = Nodos[j];
        // The last arm towards the movement's entry (exit) node. A movement whose
        // node is no arm of the junction adds to no arm: counted into the first arm
        // it would give that arm flows that do not use it.
        int entry = -1, exit = -1;
        for (int32_t i = 0; i < std::min(node.ArmCount, MaxArms); ++i) {
            if (node.Arms[i].OtherNode == mv.A)
                entry = i;
            if (node.Arms[i].OtherNode == mv.C)
                exit = i;
        }
        if (entry >= 0) {
            node.Arms[entry].EntryMark = -1;
            add(node.Arms[entry].InTotals, mv);
        }
        if (exit >= 0) {
            node.Arms[exit].ExitMark = 1;
            add(node.Arms[exit].OutTotals, mv);
        }
    }
}

void TFilesController::RedPalvon1Click()
{
    QAction* a = viewer_.Action(Cmd::RedPalvon1);
    if (a->isChecked())
        FrmDat->show();
    else if (!FrmDat->close()) // unsaved edits: the user kept the window open
        a->setChecked(true);
}
