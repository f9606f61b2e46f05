#pragma once
// What the exports ask of the main window beyond TWindowHost: the view they draw,
// the data grids they write, the window's choice of variables for the full DXF,
// and the opening of networks for the worksheets of many networks.
#include <functional>
#include <string>

class TStringAlignGrid;
struct TViewSnapshot;

class TExportHost {
public:
    // What the main map shows: the layers and colours the DXF and KMZ drawings follow.
    virtual TViewSnapshot MainMapSnapshot() = 0;
    // The data grid of a tag: 1 zones, 2 nodes, 3 links, 4 transit lines,
    // 5 movements, 31 the selected links (the polygon batch's grid); null when not made.
    virtual TStringAlignGrid* DataGrid(int tag) = 0;
    // The window's choice of variables, which the full DXF walks column by column:
    // the link column of the current range mode made the current link variable, and
    // movement column RangeItemMovim the current movement variable (false when it
    // cannot be shown). See TDxfMapOptions.
    virtual void ArcosRangeValues() = 0;
    virtual bool MovimRangeValues() = 0;
    // Runs `run`, which opens other networks, with the user's network set aside as
    // the batch printing sets it aside: the unsaved-edits question is asked once
    // first (false when the user cancels, nothing run), and when `run` says it
    // opened another network the user's is read again with what was loaded onto
    // it, its layers, unsaved moves and view.
    virtual bool KeepingUserNetwork(const std::function<bool()>& run) = 0;
    // A network opened as every way in opens it: first its text loaded and the
    // file names set (false when it cannot be read), then the opening run (false
    // when the network was refused).
    virtual bool SetFileNames(const std::string& fullName) = 0;
    // A network without positions is refused without a word: `unplaced` says why.
    virtual bool RunOpening(std::string& unplaced) = 0;

protected:
    ~TExportHost() = default;
};
