#pragma once
// What the find dialog needs of the main window: the grid searched, the listing
// of the links it selected, and the map it shows them on.
class TOxrImage;
class TStringAlignGrid;

class TFindHost {
public:
    // The grid of a kind: 0 zones, 1 nodes, 2 links, 3 lines, 4 movements.
    virtual TStringAlignGrid* FindGrid(int kind) = 0;
    // Links were selected: the selection's listing and its command follow.
    virtual void ListFoundLinks() = 0;
    virtual void RedrawMap() = 0;
    // The map canvas, null until the window has made it.
    virtual TOxrImage* MapImage() = 0;

protected:
    ~TFindHost() = default;
};
