#pragma once
// What printing asks of the main window beyond TWindowHost (its dialogs' parent,
// the commands' actions and ticks, the registry, the redraw). TPrintHost serves
// the printed view: what the map shows, the canvas and the legends over it, the
// title box and the preview's exports. TBatchPrintHost serves the batch printing,
// which opens networks and sets the view up as the user would. The main window
// implements both.
#include <QString>

#include <string>
#include <vector>

class TIniFile;
struct TGeoLayers;
struct TPolygonSet;
class TPreviewHost;
class TLegendImage;
class TOxrImage;
class TStringAlignGrid;
struct TViewSnapshot;
struct TViewState;
namespace KDVlib {
struct THeldPositions;
}

class TPrintHost {
public:
    // What the main map shows.
    virtual TViewSnapshot MainMapSnapshot() = 0;
    // The map canvas (null before it is made) and the legends shown over it
    // (null when the window has none).
    virtual TOxrImage* MapImage() = 0;
    virtual TLegendImage* BarLegend() = 0;
    virtual TLegendImage* RangeLegend() = 0;
    // The lines of the map's title box, apart by '\n'.
    virtual QString Titles() = 0;
    virtual void SetTitles(const QString& lines) = 0;
    // The caption of the main window (the page's footer names it).
    virtual QString WindowCaption() = 0;
    // Marks the tiles of everything the map canvas shows (it may show more than
    // the view window on one axis).
    virtual void MarkShownTiles() = 0;
    // What the print preview asks of the main window (its exports).
    virtual TPreviewHost& PreviewHost() = 0;

protected:
    ~TPrintHost() = default;
};

class TBatchPrintHost {
public:
    // Asked once before a batch opens other networks: the user saves or gives up
    // the unsaved edits of the open network that an opening would lose (node
    // moves excepted: the batch keeps them). False: the batch does not start.
    virtual bool ConfirmBatchStart() = 0;
    // Opens a network as the window's own opening does, asking nothing while a
    // batch runs; false when it could not.
    virtual bool OpenNetwork(const std::string& fileName) = 0;
    // Reads a listing (.lpa), a second listing (.lpl) or counts into the network
    // open, as the window's "Abrir" of that kind does.
    enum class TDataFile { Lpa, Lpl, Counts, Traces };
    virtual void OpenDataFile(TDataFile kind, const std::string& fileName) = 0;
    // The traces files read onto the open network, in the order read.
    virtual std::vector<std::string> TracesRead() = 0;
    // Reads a background line layer in place of the ones loaded.
    virtual void LoadBackgroundLines(const std::string& fileName) = 0;
    // The background line layers loaded change places with `aside` (the menus
    // then show the ones loaded): the user's layers wait there while other
    // networks are open.
    virtual void SwapLineLayers(TGeoLayers& aside) = 0;
    // Applies a view configuration (a theme's section) without a redraw.
    virtual void LoadViewConfig(TIniFile& ini, const std::string& section) = 0;
    // A link selection file read into the link classes; the links then marked
    // are hidden, or every link is deselected.
    virtual void ImportLinkSelection(const std::string& fileName) = 0;
    virtual void HideMarkedLinks() = 0;
    virtual void ClearLinkSelection() = 0;
    // Replaces the user's polygons by those of a polygon file (.plg).
    virtual void ImportPolygons(const std::string& fileName) = 0;
    // The polygons in use (with their file name and menu entries) change places
    // with `aside`: the user's wait there while a batch draws its own.
    virtual void SwapPolygons(TPolygonSet& aside) = 0;
    // The links and nodes marked on the user's network, put back on it once read
    // again (SelectionFiles::PutBackMarks), shown as the selection commands show
    // them; the selected-links grid shown when `listShown`.
    virtual void ShowPutBackMarks(bool listShown) = 0;
    // The phase window's junction list and junction, held before other networks
    // are opened and put back on the user's network afterwards.
    virtual void HoldPhaseWindow() = 0;
    virtual void PutBackPhaseWindow() = 0;
    // The sort and title order of the link and movement grids, held the same way.
    virtual void HoldGridOrder() = 0;
    virtual void PutBackGridOrder() = 0;
    // The link and movement grids, whose titles name the variables.
    virtual TStringAlignGrid* LinkGrid() = 0;
    virtual TStringAlignGrid* MovementGrid() = 0;
    // The value range of the link variable shown, and of the movement variable
    // (false when it has no positive value).
    virtual void LinkRangeValues(TViewState& view) = 0;
    virtual bool MovementRangeValues(TViewState& view) = 0;
    // Node and centroid places the user moved and has not saved: held (false
    // when there are none), no longer counted as unsaved, so that the openings
    // that follow do not ask about them; then put back on the user's network
    // (`reread`: it was read again meanwhile, the grids show them), unsaved again.
    virtual bool HoldUnsavedPositions(KDVlib::THeldPositions& held) = 0;
    virtual void PutBackPositions(const KDVlib::THeldPositions& held, bool reread) = 0;

protected:
    ~TBatchPrintHost() = default;
};
