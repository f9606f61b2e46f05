// Batch printing (TBatchPrintController): the print definition, the batch run of
// its networks and the document they go into.
#include "printing/gui/BatchPrintController.h"

#include "map/ViewSnapshot.h"
#include "map/GeoLayers.h"
#include "map/Polygons.h"
#include "map/gui/DataLayers.h"
#include "model/PalvonVars.h"
#include "model/KDVvars.h"
#include "model/PrintServices.h"
#include "model/ProgramOptions.h"
#include "model/SelectionFiles.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/IniFile.h"
#include "printing/BatchPrint.h"
#include "printing/Net2Print.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintController.h"
#include "printing/gui/PrintHost.h"
#include "widgets/CommandRegistry.h"
#include "widgets/ReplaceQuestion.h"
#include "widgets/StringAlignGrid.h"
#include "map/Ranges.h"
#include "model/ComplementaryData.h"
#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/LinkShapes.h"
#include "model/NodeMoves.h"
#include "model/ZoningLoaders.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextEdit>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

bool lastBatchFailed = false;

// The parts of the view a print definition sets that live in the main window;
// without a window none.
class WindowNet2PrintView : public Net2PrintView {
public:
    WindowNet2PrintView(TWindowHost* window, TPrintHost* host, TBatchPrintHost* batchHost,
                        TBatchPrintController::TThemeSwitches* switches)
        : window_(window), host_(host), batchHost_(batchHost), switches_(switches)
    {
    }
    void LegendPosition(int32_t& left, int32_t& top) override
    {
        left = top = 0;
        if (const TLegendImage* sym = host_ ? host_->RangeLegend() : nullptr) {
            left = sym->x();
            top = sym->y();
        }
    }
    void ApplyGeneral(const TPrintGeneral& general) override
    {
        if (!batchHost_)
            return;
        if (general.LineaSoleras != "null")
            batchHost_->LoadBackgroundLines(general.LineaSoleras);
        if (general.TemaVelmora != "null") {
            TIniFile themes("Velmorat.INI");
            if (themes.SectionExists(general.TemaVelmora))
                batchHost_->LoadViewConfig(themes, general.TemaVelmora);
        }
    }
    void ApplyTheme(const TPrintTheme& theme) override
    {
        if (!window_ || !host_ || !batchHost_)
            return;
        // The node numbers, the scale's maximum and its keep-the-maximum box are
        // the batch's, in its own view: the user's button and scale dialog stay
        // as they are.
        if (switches_)
            *switches_ = {true, theme.VerNombreNodos, theme.Fixed, theme.ValorMaximo};
        if (TLegendImage* sym = host_->RangeLegend())
            sym->move(theme.VinetaLeft, theme.VinetaTop);
        if (TLegendImage* scl = host_->BarLegend())
            scl->move(theme.VinetaLeft, theme.VinetaTop);
        window_->RedrawMap();
    }

private:
    TWindowHost* window_;
    TPrintHost* host_;
    TBatchPrintHost* batchHost_;
    TBatchPrintController::TThemeSwitches* switches_;
};

// The batch as the main window runs it: networks opened through the window's own
// opening, variables chosen by their grid titles.
class WindowBatchHooks : public BatchPrint::Hooks {
public:
    WindowBatchHooks(TWindowHost& window, TPrintHost& host, TBatchPrintHost& batchHost, TPrintController& printing,
                     const TBatchPrintController::TThemeSwitches& theme)
        : window_(window), host_(host), batchHost_(batchHost), printing_(printing), theme_(theme)
    {
    }

    // Every network the batch opens, and the user's read again at its end, would
    // drop edits of the text or the shapes: the user answers once, here.
    // The user's network is read again at the end: a file deleted or renamed
    // since it was opened would leave the user on the last network of the run.
    bool MayStart() override
    {
        if (const std::string gone = FileUtils::NetworkToReopenGone(DatFileName.empty() ? "" : DatDir + DatFileName);
            !gone.empty()) {
            Services().ShowMessage(gone);
            return false;
        }
        return batchHost_.ConfirmBatchStart();
    }

    void SaveState() override
    {
        // The hourglass from here on: the question before waited for the user.
        wait_.emplace();
        s_.status = window_.StatusPanel(0);
        s_.batchMode = BatchMode;
        BatchMode = true;
        // The report's document turns the printer with its paper: the user's
        // printer comes back as it was.
        s_.landscape = Printer().pageLayout().orientation() == QPageLayout::Landscape;
        // The batch draws from its own copy of the view: the user's buttons,
        // menu ticks and title box are never pressed or typed into.
        // Its variables, classes, colours and windows are chosen in that copy too:
        // the user's view is only read, here at the start.
        view_ = printing_.ViewSnapshot();
        if (theme_.Read) {
            view_.State.NameNodes = theme_.NameNodes;
            // A kept maximum scales every band of the batch's pictures alike.
            view_.State.ScaleFixed = theme_.ScaleFixed;
            if (theme_.ScaleFixed)
                view_.State.RangeMax = static_cast<float>(theme_.ScaleMax);
        }
        start_ = view_.State;
        s_.legend = host_.RangeLegend() ? host_.RangeLegend()->pos() : QPoint();
        s_.barLegend = host_.BarLegend() ? host_.BarLegend()->pos() : QPoint();
        s_.legendAfresh = !host_.RangeLegend() || host_.RangeLegend()->PlaceAfresh;
        s_.barLegendAfresh = !host_.BarLegend() || host_.BarLegend()->PlaceAfresh;
        s_.network = DatFileName.empty() ? std::string() : DatDir + DatFileName;
        // The listings read onto the network (the one beside it included, which
        // its opening reads back only while the options say so).
        s_.lpa = Network.LpaLoaded ? LpaFileName : std::string("null");
        s_.lpl = Network.LplLoaded ? LplFileName : std::string("null");
        s_.counts = CountsLoaded() ? CountsFileName : std::string("null");
        s_.complementary = ComplementaryFileName;
        s_.complementaryMovs = ComplementaryMovFileName;
        s_.traces = TraceFileName;
        s_.tracesRead = batchHost_.TracesRead();
        s_.linkOrder = LinkOrderSet ? LinkOrderFileName : std::string("null");
        s_.zoning = ZoningFileName;
        // The user's traces and zoning named by the folder ("zonas.geo" in the
        // network's "Velmora.ini") are the files of the user's folder, wherever
        // the networks of the batch lie: the batch reads them by their full name.
        batchTraces_ = InUserFolder(s_.traces);
        batchZoning_ = InUserFolder(s_.zoning);
        // Nodes and centroids the user moved and has not saved are the batch's
        // to keep: its openings do not ask about them, and they come back with
        // the user's network, still unsaved.
        s_.positionsUnsaved = batchHost_.HoldUnsavedPositions(s_.positions);
        // So are the links, nodes and zones the user selected or hid, and the
        // junctions listed and shown in the phase window.
        s_.marks = SelectionFiles::HoldMarks();
        s_.selectionListed = window_.Action(Cmd::VerSeleccion)->isChecked();
        batchHost_.HoldPhaseWindow();
        // The grids as the user sorted and arranged them.
        batchHost_.HoldGridOrder();
        // The user's background layers (edits and all) wait aside: another
        // network's folder may load layers of its own in their place.
        s_.layersOn = window_.CommandOn(Cmd::tbSolera);
        s_.polygonsOn = window_.CommandOn(Cmd::tbPoligonos);
        // The zones the user hid stay hidden: the zoning read again presses the button.
        s_.zonesOn = window_.CommandOn(Cmd::tbZonas);
        LayersAside();
        host_.MarkShownTiles();
    }

    void RestoreState() override
    {
        // The user's network is read again only when the batch opened another.
        if (s_.positionsUnsaved && !opened_)
            batchHost_.PutBackPositions(s_.positions, false);
        LayersAside();
        if (opened_ && !s_.network.empty() && batchHost_.OpenNetwork(s_.network)) {
            if (s_.positionsUnsaved)
                batchHost_.PutBackPositions(s_.positions, true);
            // The user's files come back as they were read before the batch: what
            // they had to tell was told then, once.
            const MessagesUnsaid toldBefore;
            // The listings and counts the user had loaded come back with it.
            if (FileUsable(s_.lpa) && (s_.lpa != LpaFileName || !Network.LpaLoaded))
                batchHost_.OpenDataFile(TBatchPrintHost::TDataFile::Lpa, s_.lpa);
            if (FileUsable(s_.lpl) && (s_.lpl != LplFileName || !Network.LplLoaded))
                batchHost_.OpenDataFile(TBatchPrintHost::TDataFile::Lpl, s_.lpl);
            if (FileUsable(s_.counts))
                batchHost_.OpenDataFile(TBatchPrintHost::TDataFile::Counts, s_.counts);
            // Every traces file the user read onto it, each giving its own links their courses.
            LoadAux(s_.complementary, s_.complementaryMovs, s_.tracesRead.empty() ? s_.traces : "null", s_.zoning);
            for (const std::string& traces : s_.tracesRead)
                if (FileUsable(traces))
                    batchHost_.OpenDataFile(TBatchPrintHost::TDataFile::Traces, traces);
            // And the drawing order the user imported for its links.
            if (FileUsable(s_.linkOrder)) {
                LinkOrderFileName = s_.linkOrder;
                KDVlib::LoadOrdenArcos();
            }
            SelectionFiles::PutBackMarks(s_.marks);
            batchHost_.ShowPutBackMarks(s_.selectionListed);
            batchHost_.PutBackGridOrder();
            // Reading the network again opened it on its whole extent: the user's
            // window and zoom steps ("Vista anterior") are the ones the user had.
            UserView().WorldMinX = start_.WorldMinX; UserView().WorldMaxX = start_.WorldMaxX;
            UserView().WorldMinY = start_.WorldMinY; UserView().WorldMaxY = start_.WorldMaxY;
            UserView().ZoomHistory = start_.ZoomHistory;
            UserView().ZoomIndex = start_.ZoomIndex;
        }
        batchHost_.PutBackPhaseWindow();
        // The user's layers come back, with their switch and styles, in place of
        // whatever the folders of the networks opened loaded.
        UserLayersIn();
        if (polygonsAside_) {
            batchHost_.SwapPolygons(userPolygons_);
            polygonsAside_ = false;
            window_.SetCommandOn(Cmd::tbPoligonos, s_.polygonsOn);
        }
        for (int k = 1; k <= MaxGeoLayers; ++k)
            UserView().Items[size_t(10 + k)] = start_.Items[size_t(10 + k)];
        window_.SetCommandOn(Cmd::tbSolera, s_.layersOn);
        window_.SetCommandOn(Cmd::tbZonas, s_.zonesOn);
        // The legends the user placed stay where they were, even over a network
        // read again (which would put them back in their corners).
        if (TLegendImage* sym = host_.RangeLegend()) {
            sym->move(s_.legend);
            sym->PlaceAfresh = s_.legendAfresh;
        }
        if (TLegendImage* scl = host_.BarLegend()) {
            scl->move(s_.barLegend);
            scl->PlaceAfresh = s_.barLegendAfresh;
        }
        if ((Printer().pageLayout().orientation() == QPageLayout::Landscape) != s_.landscape)
            PrintHooks().SetPrinterOrientation(s_.landscape);
        // Whether the batch ended or stopped half-way, the status bar no longer
        // names one of its networks.
        window_.SetStatusPanel(0, s_.status);
        BatchMode = s_.batchMode;
        if (!BatchMode)
            window_.RedrawMap();
    }

    // Another network was opened: the user's is read again at the end.
    void NetworkOpened() { opened_ = true; }

    void Gauge(const std::string& caption, int position, int maximum) override
    {
        Services().SetProgressRange(0, maximum);
        Services().SetProgressPosition(position);
        // Each network opened meanwhile uses the gauge too: the caption comes back.
        if (!caption.empty())
            caption_ = caption;
        Services().SetProgressCaption(caption_);
        Services().SetProgressVisible(true);
        Services().ProcessEvents();
    }
    void HideGauge() override { Services().SetProgressVisible(false); }

    bool OpenEntry(int, const TNet2Print& e) override
    {
        view_.HasTitle = true;
        view_.TitleLines.clear();
        if (!ZelUtils::Trim(e.Titulos).empty())
            view_.TitleLines = ZelUtils::SplitString(e.Titulos, ',');
        // A network refused leaves the user's in memory (the opening keeps it).
        LayersAside();
        if (!batchHost_.OpenNetwork(e.NetworkFile))
            return false;
        opened_ = true;
        // The user's layers are drawn on the user's network, and on one whose
        // folder gives none of its own (another plan of the same area).
        if (SameFile(e.NetworkFile, s_.network) || GeoLayers().NumGeoLayers == 0)
            UserLayersIn();
        LoadAux(e.DatosComplementarios, e.DatosComplementariosMovs, batchTraces_, batchZoning_);
        if (e.SeleccionArcos != "null") {
            batchHost_.ImportLinkSelection(e.SeleccionArcos);
            if (e.OcultaSeleccion == 1)
                batchHost_.HideMarkedLinks();
            if (e.AnulaSeleccion == 1)
                batchHost_.ClearLinkSelection();
        }
        if (e.Poligonos != "null") {
            // The user's polygons (drawn by hand, maybe never saved) wait aside.
            if (!polygonsAside_)
                batchHost_.SwapPolygons(userPolygons_);
            polygonsAside_ = true;
            batchHost_.ImportPolygons(e.Poligonos);
        }
        double f[4];
        TLegendImage* scl = host_.BarLegend();
        if (scl && Net2PrintFile::ParseFields(e.Vineta, 2, f))
            scl->move(ZelUtils::Round(f[0]), ZelUtils::Round(f[1]));
        if (TLegendImage* sym = host_.RangeLegend())
            sym->move(s_.legend);
        TViewState& v = view_.State;
        if (e.Color != "null" && Net2PrintFile::ParseFields(e.Color, 2, f)) {
            v.ModePenColors[Mode()] = static_cast<uint32_t>(ZelUtils::Round(f[0]));
            v.ModeBrushColors[Mode()] = static_cast<uint32_t>(ZelUtils::Round(f[1]));
        }
        if (!e.Zoom.empty() && Net2PrintFile::ParseFields(e.Zoom, 4, f)) {
            v.WorldMinX = f[0]; v.WorldMinY = f[1]; v.WorldMaxX = f[2]; v.WorldMaxY = f[3];
        } else if (SameFile(e.NetworkFile, s_.network)) {
            v.WorldMinX = start_.WorldMinX; v.WorldMaxX = start_.WorldMaxX; v.WorldMinY = start_.WorldMinY; v.WorldMaxY = start_.WorldMaxY;
        } else {
            // Any other network keeps the full extent its opening gave it: the
            // window of the network open before would show none of it.
            v.WorldMinX = UserView().WorldMinX; v.WorldMaxX = UserView().WorldMaxX;
            v.WorldMinY = UserView().WorldMinY; v.WorldMaxY = UserView().WorldMaxY;
        }
        view_.MinX = v.WorldMinX; view_.MinY = v.WorldMinY; view_.MaxX = v.WorldMaxX; view_.MaxY = v.WorldMaxY;
        return true;
    }

    void SetGroupMode(int group, bool multiple) override
    {
        if (group == 1 || group == 2 || group == 3) {
            view_.State.Atributos = group == 1;
            view_.State.Colores = group == 2;
            view_.aAtributos2 = group == 3;
        }
        if (multiple)
            view_.State.ShownVarList.clear();
        groupMovim_ = false;
    }

    void ClearMode() override
    {
        cleared_ = true;
        view_.State.Atributos = false;
        view_.State.Colores = false;
        view_.aAtributos2 = false;
    }

    Choice SelectVariable(const std::string& name, const std::string& title, bool multiple) override
    {
        Choice c;
        const size_t mode = Mode();
        // A picture without variable ("none", or a name that no mode looks for,
        // as after "none") is captioned by its own title (the name as written when
        // none is given), never by the variable of the picture before it, maybe of
        // another network.
        noVariable_.reset();
        if (std::exchange(cleared_, false))
            noVariable_ = title;
        // A name without a title of its own comes as written in the list ("Long,
        // Cap"): that is no title, and the grid's own one names the column.
        const bool titled = ZelUtils::Trim(title) != name;
        if (!multiple)
            view_.State.ShownVarList.clear();
        if (view_.State.Atributos || view_.State.Colores || view_.State.Values) {
            TStringAlignGrid* grid = batchHost_.LinkGrid();
            int column = FindColumn(grid, name);
            if (column > 1 && column < NumArcosColumns && ColVarArcos[static_cast<size_t>(column)] > 0)
                c.LinkHeader = grid->cell(column, 0);
            c.Searched = true;
            // A name of no link variable in a group drawn together leaves the
            // variables found before it drawn, with their classes.
            if (!multiple || !c.LinkHeader.empty() || view_.State.ShownVarList.empty()) {
                view_.State.RangeVarByMode[mode] = column;
                if (titled && column < NumArcosColumns)
                    TitArcos[static_cast<size_t>(column)] = title;
                // A name that is no link variable adds no bars of another column to a
                // picture drawn together.
                if (!c.LinkHeader.empty())
                    view_.State.ShownVarList.push_back(ZelUtils::Format("%d", view_.State.RangeVarByMode[mode]));
                view_.State.VarColors[0] = view_.State.ModePenColors[mode];
                batchHost_.LinkRangeValues(view_.State);
                FillClasses(view_.State);
            }
        }
        if (view_.aAtributos2 || view_.State.MovimValues) {
            TStringAlignGrid* grid = batchHost_.MovementGrid();
            int column = FindColumn(grid, name);
            c.Searched = true;
            if (column > 1 && column < NumMovimColumns && ColVarMovim[static_cast<size_t>(column)] > 0)
                c.MovementHeader = grid->cell(column, 0);
            if (multiple && c.MovementHeader.empty() && groupMovim_)
                return c; // the movement variable found before stays drawn
            groupMovim_ = groupMovim_ || !c.MovementHeader.empty();
            view_.State.RangeItemMovim = column;
            // Flows summed at the link ends (the user's Alt choice) draw the chosen
            // columns: the picture's is the batch's own, not one the user picked
            // on the network shown before.
            if (!c.MovementHeader.empty())
                view_.State.SelectedMovimVars.assign(1, ZelUtils::Format("%d", column));
            // A title given names the variable in the picture's legend as in its
            // caption, as a link variable's does.
            if (!c.MovementHeader.empty() && titled)
                TitMovim[static_cast<size_t>(column)] = title;
            movimTitle_ = c.MovementHeader.empty() ? std::string() : TitMovim[static_cast<size_t>(column)];
            // A column without positive flows still gets classes of its own
            // network's values, never those of the network printed before.
            if (!batchHost_.MovementRangeValues(view_.State))
                Ranges::FillDefaultClasses(view_.State.MovimRangeTable, view_.State.NumRanges,
                                           view_.State.RangeMovimMin, view_.State.RangeMovimMax);
        }
        if (!c.Searched)
            noVariable_ = title;
        return c;
    }

    void SetMultipleColors() override
    {
        const uint32_t colors[5] = {11823615u, 65535u, 3145645u, 15624315u, 10061943u};
        for (int i = 0; i < 5 && i < MaxShownVars; ++i)
            view_.State.VarColors[static_cast<size_t>(i)] = view_.State.MovimVarColors[static_cast<size_t>(i)] = colors[i];
    }

    std::string AttributeTitle(bool movement) override
    {
        // A picture without variable in the group of the movements shows none of them.
        if (noVariable_)
            return *noVariable_;
        if (movement)
            return movimTitle_;
        // Bars of variables drawn together: the caption names them all, as the
        // picture's legend does, not only the last one found.
        if (const std::vector<int32_t> columns = DataLayers::ChosenLinkColumns(view_.State);
            view_.State.Atributos && columns.size() > 1) {
            std::string titles;
            for (int32_t c : columns)
                titles += (titles.empty() ? "" : "/") + TitArcos[static_cast<size_t>(c)];
            return titles;
        }
        int column = view_.State.RangeVarByMode[Mode()];
        return column >= 0 && column < NumArcosColumns ? TitArcos[static_cast<size_t>(column)] : std::string();
    }

    bool PrintView(const std::string& metafile, const TPrintSettings& pages) override
    {
        return printing_.PrintViewToMetafile(metafile, view_, pages);
    }

    // The batch of the window asks; the one of the command line stays quiet.
    bool AsksBeforeReplacing() override { return !s_.batchMode; }
    bool MayReplace(const std::vector<std::string>& files) override
    {
        if (wait_)
            wait_->Restore(); // the question waits for the user
        return MayReplaceBeside({}, files);
    }

private:
    static bool SameFile(const std::string& a, const std::string& b)
    {
        std::error_code ec;
        return !a.empty() && !b.empty() && (a == b || std::filesystem::equivalent(a, b, ec));
    }

    size_t Mode() const { return static_cast<size_t>(std::clamp(view_.State.RangeMode, 0, MaxRangeModes)); }

    static bool FileUsable(const std::string& name)
    {
        std::error_code ec;
        return !name.empty() && name != "null" && std::filesystem::is_regular_file(name, ec);
    }

    static bool CountsLoaded() { return Network.CountsLoaded != 0; }

    // A name without a folder, or with one relative to the user's network, as
    // the full name of the file in the user's network folder.
    static std::string InUserFolder(const std::string& name)
    {
        if (name.empty() || name == "null" || std::filesystem::path(name).is_absolute())
            return name;
        std::error_code ec;
        const std::filesystem::path folder = DatFileName.empty() ? std::filesystem::current_path(ec)
                                                                 : std::filesystem::path(DatDir);
        return (folder / name).lexically_normal().string();
    }

    // The grid column titled as the name (upper-cased, the name trimmed; the last
    // match wins); 1 when none is.
    static int FindColumn(TStringAlignGrid* grid, const std::string& name)
    {
        int found = 1;
        if (!grid)
            return found;
        const std::string key = ZelUtils::UpperCase(ZelUtils::Trim(name));
        for (int col = 4; col < grid->ColCount(); ++col)
            if (ZelUtils::UpperCase(grid->cell(col, 0)) == key)
                found = col;
        return found;
    }

    // Value classes of the variable chosen: its saved range set, or five equal
    // classes over this network's own values (never the classes left by the
    // network printed before).
    static void FillClasses(TViewState& view)
    {
        const bool drawNull = ProgramOptions().DrawNull;
        if (view.RangeMax > 0 || drawNull) {
            view.RangeMax = static_cast<float>(view.RangeMax * 1.00000000001);
            Ranges::PrepareRanges(view, view.RangeName, view.RangeMin, view.RangeMax);
        } else {
            Ranges::FillDefaultRanges(view, view.RangeMin, view.RangeMax);
        }
    }

    // The user's layers set aside, the map left with none loaded; and put back
    // in place of the layers loaded meanwhile.
    void LayersAside()
    {
        if (userLayersIn_)
            batchHost_.SwapLineLayers(userLayers_);
        userLayersIn_ = false;
        TGeoLayers none;
        batchHost_.SwapLineLayers(none);
    }
    void UserLayersIn()
    {
        if (!userLayersIn_)
            batchHost_.SwapLineLayers(userLayers_);
        userLayersIn_ = true;
    }

    void LoadAux(const std::string& comp, const std::string& compMovs, const std::string& traces,
                 const std::string& zoning)
    {
        if (comp != "null" && !comp.empty()) {
            ComplementaryFileName = comp;
            KDVlib::LoadDatosComplementarios();
        }
        if (compMovs != "null" && !compMovs.empty()) {
            ComplementaryMovFileName = compMovs;
            KDVlib::LoadDatosComplementariosMovs();
        }
        if (traces != "null" && !traces.empty()) {
            TraceFileName = traces;
            KDVlib::LoadTrazas(false); // the user's traces: on another network they have nothing to say
        }
        if (zoning != "null" && !zoning.empty()) {
            ZoningFileName = zoning;
            KDVlib::LoadZonificacion(false, false);
        }
    }

    struct Saved {
        QString status;
        QPoint legend, barLegend;
        bool legendAfresh = true, barLegendAfresh = true;
        std::string network, lpa = "null", lpl = "null", counts = "null";
        std::string complementary = "null", complementaryMovs = "null", traces = "null", zoning = "null";
        std::vector<std::string> tracesRead; // every traces file read onto the network
        std::string linkOrder;               // the links' drawing order file read for it
        bool batchMode = false;
        bool landscape = false;
        bool positionsUnsaved = false;
        KDVlib::THeldPositions positions;
        SelectionFiles::THeldMarks marks; // the links and nodes the user marked
        bool selectionListed = false;
        bool layersOn = false;
        bool polygonsOn = false;
        bool zonesOn = false;
    };
    TWindowHost& window_;
    TPrintHost& host_;
    TBatchPrintHost& batchHost_;
    TPrintController& printing_;
    const TBatchPrintController::TThemeSwitches& theme_;
    Saved s_;
    std::string batchTraces_ = "null", batchZoning_ = "null"; // the user's, by full name
    TViewSnapshot view_;  // the view the batch draws, its own copy
    bool groupMovim_ = false; // the group drawn together has its movement variable
    std::string movimTitle_;  // caption of the movement variable drawn
    bool cleared_ = false;    // the modes were cleared for a picture without variable
    std::optional<std::string> noVariable_; // that picture's caption
    TViewState start_;    // the user's view as the batch found it
    bool opened_ = false; // a network of the definition was opened
    std::string caption_; // the gauge's caption of the batch
    std::optional<TWaitCursor> wait_;
    // The user's background layers while they are not loaded; once put back,
    // what they replaced (dropped with the hooks).
    TGeoLayers userLayers_;
    bool userLayersIn_ = true;
    // The user's polygons while a definition's are shown.
    TPolygonSet userPolygons_;
    bool polygonsAside_ = false;
};

// The batch services of the program: the print definition and the batch run of
// the controller served, the preview's services of the rest.
class BatchPrintServices : public PrintServices {
public:
    explicit BatchPrintServices(PrintServices* previous) : previous_(previous) {}
    void SetPrevious(PrintServices* previous) { previous_ = previous; }
    void SetController(TBatchPrintController* batch) { batch_ = batch; }
    TBatchPrintController* Controller() const { return batch_; }
    bool ReadWriteNet2Print(const std::string& fileName) override
    {
        if (batch_)
            return batch_->ReadPrintDefinition(fileName);
        WindowNet2PrintView view(nullptr, nullptr, nullptr, nullptr);
        const auto definition = std::make_unique<TPrintDefinition>();
        TPrintSettings pages;
        return ::ReadWriteNet2Print(fileName, *definition, pages, &view);
    }
    void ImprimirRedes1Click() override
    {
        lastBatchFailed = true;
        if (!batch_)
            return;
        lastBatchFailed = !batch_->PrintDefinedNetworks();
    }
    void SetPrinterOrientation(bool landscape) override
    {
        if (previous_)
            previous_->SetPrinterOrientation(landscape);
    }

private:
    PrintServices* previous_;
    // The controller whose window's view and opening the batch uses; none once
    // that controller is gone.
    TBatchPrintController* batch_ = nullptr;
};

BatchPrintServices* installed = nullptr;

} // namespace

void InstallBatchPrintServices(TBatchPrintController& batch)
{
    // Windows created later may install services of their own: this one goes back
    // on top of them, handing on what it does not do itself.
    if (installed)
        installed->SetController(&batch);
    if (installed && &PrintHooks() == installed)
        return;
    PrintServices* previous = SetPrintServices(nullptr);
    if (!installed)
        installed = new BatchPrintServices(previous);
    else
        installed->SetPrevious(previous);
    installed->SetController(&batch);
    SetPrintServices(installed);
}

bool BatchPrintFailed() { return lastBatchFailed; }

TBatchPrintController::~TBatchPrintController()
{
    if (installed && installed->Controller() == this)
        installed->SetController(nullptr);
}

bool TBatchPrintController::ReadPrintDefinition(const std::string& fileName)
{
    WindowNet2PrintView view(&window_, &host_, &batchHost_, &theme_);
    return ::ReadWriteNet2Print(fileName, *definition_, printing_.Settings(), &view);
}

bool TBatchPrintController::PrintDefinedNetworks()
{
    WindowBatchHooks hooks(window_, host_, batchHost_, printing_, theme_);
    return BatchPrint::Run(hooks, *definition_, printing_.Settings());
}

bool TBatchPrintController::KeepingUserNetwork(const std::function<bool()>& run)
{
    WindowBatchHooks hooks(window_, host_, batchHost_, printing_, theme_);
    if (!hooks.MayStart())
        return false;
    hooks.SaveState();
    if (run())
        hooks.NetworkOpened();
    hooks.RestoreState();
    return true;
}

void TBatchPrintController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Printing,
                      {{Cmd::DefinirRedes1, this, &TBatchPrintController::DefinirRedes1Click},
                       {Cmd::CrearArchivoWord, this, &TBatchPrintController::CrearArchivoWordClick},
                       {Cmd::ImprimirRedes1, this, &TBatchPrintController::ImprimirRedes1Click},
                       {Cmd::ImprimirColores1, this, &TBatchPrintController::ImprimirColores1Click},
                       {Cmd::ImprimirGenAtr1, this, &TBatchPrintController::ImprimirGenAtr1Click},
                       {Cmd::Parmetros1, this, &TBatchPrintController::Parmetros1Click}});
}
void TBatchPrintController::DefinirRedes1Click()
{
    const QString name = QFileDialog::getOpenFileName(window_.DialogParent(), QStringLiteral("Definir redes a imprimir ..."), QString(),
                                                      QStringLiteral("Archivos de parámetros [*.ini] (*.ini)"));
    if (name.isEmpty())
        return;
    const std::string full = QFileInfo(name).absoluteFilePath().toStdString();
    InstallBatchPrintServices(*this);
    if (!PrintHooks().ReadWriteNet2Print(full))
        return;
    window_.Action(Cmd::DefinirRedes1)->setText(QString::fromStdString(ZelUtils::Format("Definir Redes (%s)", full)));
    window_.Action(Cmd::CrearArchivoWord)
        ->setText(definition_->WordDocumentName == "null"
                      ? CommandTable::Caption(Cmd::CrearArchivoWord)
                      : QString::fromStdString(ZelUtils::Format("Crear Word (%s)", definition_->WordDocumentName)));
}

void TBatchPrintController::CrearArchivoWordClick()
{
    QFileDialog dialog(window_.DialogParent(), QStringLiteral("Definir documento word"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("doc"));
    dialog.setNameFilter(QStringLiteral("Microsoft word file [*.doc] (*.doc)"));
    if (!ProgramOptions().Overwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (definition_->WordDocumentName != "null")
        dialog.selectFile(QString::fromStdString(definition_->WordDocumentName));
    window_.Action(Cmd::CrearArchivoWord)->setText(CommandTable::Caption(Cmd::CrearArchivoWord));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    definition_->WordDocumentName = dialog.selectedFiles().front().toStdString();
    definition_->WordDocumentDefinitionFolder.clear(); // the user's own choice
    window_.Action(Cmd::CrearArchivoWord)
        ->setText(QString::fromStdString(ZelUtils::Format("Crear Word (%s)", definition_->WordDocumentName)));
}

void TBatchPrintController::ImprimirRedes1Click()
{
    InstallBatchPrintServices(*this);
    PrintHooks().ImprimirRedes1Click();
}
