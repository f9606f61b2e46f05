#pragma once
// The data grids: the five grids of zones, nodes, links, movements and transit
// lines (made here into the window's tab pages, filled from the network records,
// the listings and the counts), the variable menus of the data layers and their
// range choices, the cell under the mouse, the double clicks that steer the map,
// the title-click sorting, the columns computed by a formula, what the link grids'
// pop-up offers, and the command line's polygon batch. Owns that state and those
// handlers, and registers the rows of the grids ("Crear columna ...", "Autoajustar")
// and of the ranges and colours of the map's right-button menu ("Rangos...", "Color",
// "Color por tipo", the variables' colours) and "Borde color" of the intersections.
// It reaches the window's menus, toolbars, canvas and legends directly.
#include "map/Ranges.h"
#include "widgets/CommandTable.h"

#include <QColor>
#include <QRegion>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QString;
class QTabWidget;
struct TViewState;
class QToolBar;
class QWidget;
class TArtFormula;
class TCommandRegistry;
class TOxrImage;
class TStringAlignGrid;
struct TCompPlacement;
class TPalvonViewer;
class tgaugeCaption;

// The window's grid widgets: the tab control and its pages are the window's, the
// grids are made by CreateGrids (the selection makes sagArcosSel). Other features
// read the same pointers.
struct TGridWidgets {
    QTabWidget*& tnDatos;
    QWidget*& tsZonas;
    QWidget*& tsNodos;
    QWidget*& tsArcos;
    QWidget*& tsMovim;
    QWidget*& tsLineas;
    TStringAlignGrid*& sagZonas;
    TStringAlignGrid*& sagNodos;
    TStringAlignGrid*& sagArcos;
    TStringAlignGrid*& sagMovim;
    TStringAlignGrid*& sagLineas;
    TStringAlignGrid*& sagArcosSel;
};

class TGridsController : public TGridWidgets {
public:
    TGridsController(TPalvonViewer& viewer, const TGridWidgets& widgets);
    ~TGridsController();

    // The handlers of the rows owned by the grids (their actions already made).
    void RegisterCommands(TCommandRegistry& registry);

    // ---- Creation, layout and fills (GridsController.cpp) ----
    QMenu* VarArcos = nullptr;       // link variables of the data layers
    QMenu* VarMovim = nullptr;       // movement variables
    QMenu* ConfigurarRmin = nullptr; // cost variable of the least-cost paths
    // Creates the five grids in their tab pages, the variable menus and the legends
    // (once; ConfigureGrids calls it when needed).
    void CreateGrids();
    void ConfigureGrids();
    void DrawDataDat();
    // Fills now the grids whose filling DrawDataDat put off.
    void FillDeferredGrids();
    // The grids out of sight are filled once the map of a new network is drawn.
    bool FillAfterMap = false;
    void DrawDataLpa();
    void DrawDataLpl();
    void DrawDataCnt();
    void AgregarItemArcos(int column);
    // "Configurar (...)" names the cost of least-cost paths by the links-grid title
    // of the last column that shows it (column 0 when none does).
    void NameCostInCaption();
    void AgregarItemMovim(int column);
    // The variable items follow their variables' maxima once new data are read.
    void RefreshVarItems();
    // The variable menus tick the columns the view shows (none where nothing is
    // chosen), and the grids mark their titles.
    void TickChosenVariables();
    // The titles of the columns the view shows marked in the mode's colour, as a
    // pick marks them, every other title in its own colour.
    void MarkShownTitles();
    // A complementary-data block just placed by its loader, into the link (or
    // movement) grid, with the street names, and the variable menus rebuilt.
    void ShowComplementaryColumns(bool movements, const TCompPlacement& placement);
    // After a block of complementary columns took the place of the one before:
    // the columns the user chose to see follow their titles (`before`, the
    // grid's titles until then) into the block; a choice whose title is gone
    // is given up, with the layers and the legend that showed it.
    void FollowChosenColumns(bool movements, const std::vector<std::string>& before, const TCompPlacement& placement);
    // The columns the user chose to see (variables coloured, shown as bars or
    // values, movement variables) moved to `now` of their numbers; one that is -1
    // there is gone, and every choice of its grid is given up with it.
    void MoveChosenColumns(bool movements, const std::function<int32_t(int32_t)>& now);
    // Fits the columns, then the rows, of grid `tag` (1 zones .. 5 movements).
    void Autojustar(int tag);

    // ---- Variables and ranges of the data layers (GridsRanges.cpp) ----
    // The link (movement) column chosen for the view's drawing mode, its extremes and
    // classes, written into the view given (the user's, or an output's own copy).
    void ArcosRangeValues(TViewState& view);
    bool MovimRangeValues(TViewState& view);
    void VarArcosClick(QAction* item); // reads Ctrl from the keyboard
    void VarArcosPick(int variable, bool ctrl);
    // The items of colour of the variables shown together, one under each
    // (none where one variable is shown), titled by its column.
    void ShowColourItems(bool movements, const std::vector<std::string>& list);
    bool colourItemsMovim_ = false; // the items of colour serve the movement variables
    // The classes of the link variable chosen in `view`, its top class just past
    // its maximum.
    void PrepareLinkClasses(TViewState& view);
    void VarMovimClick(QAction* item);
    void Rangos1Click();
    void ColoresClick(int tag);
    void ColorNodeClick();
    void CheckGenatr(QAction* item);
    void tbDropdown(int tag);

    // ---- The polygon batch of the command line (GridsPolygonBatch.cpp) ----
    // For each polygon of a polygon file, the links inside it as a grid extract and
    // a selection file beside the network; false when a file was missing or unwritten.
    bool BatchSelectByPolygons(const std::string& plgFileName);

    // ---- Grid interaction (GridEvents.cpp) ----
    // Cells last under the mouse (row, column) of the zones, nodes and lines grids;
    // the link grid's row and column go to LinkRowByMode / RangeVarByMode of the
    // current range mode.
    int32_t ZonaRow = 0, ZonaCol = 0, NodoRow = 0, NodoCol = 0, LineaRow = 0, LineaCol = 0;
    int32_t LinkRowByMode[6] = {};
    bool LinkGridMouseOver = false; // the mouse was last over sagArcos (not sagArcosSel)
    // Before the link grids' menu opens: what it offers over which grid.
    void pupArcosPopup();
    int32_t LastLine = 0;           // last line toggled on: anchor of Shift ranges
    // Shift and Ctrl at the last press on the lines grid (read by its double click).
    bool LineasShiftFlag = false, LineasCtrlFlag = false;
    // Keys held at the last press on any data grid (read by the double clicks).
    Qt::KeyboardModifiers GridKeys;
    // Title-click sorting (with Shift) of the link and movement grids: direction per
    // column and the column sorted last (-1 none).
    std::vector<uint8_t> SortDescArcos, SortDescMovim;
    int32_t SortColArcos = -1, SortColMovim = -1;
    struct TGridOrderHeld {
        std::vector<uint8_t> desc;
        int32_t col = -1;
        std::vector<int> columns; // column numbers in screen order
        std::vector<std::pair<int32_t, std::string>> keys; // per column number: its variable and title
    };
    std::vector<TGridOrderHeld> gridOrderHeld_;
    // The lines grid as the user left it: each line's name colour, by the line's
    // name, code and block, and the title's box.
    struct TLineNameHeld {
        std::string name, code;
        int32_t group = 0;
        QColor color;
    };
    std::vector<TLineNameHeld> lineNamesHeld_;
    uint8_t linesTitleHeld_ = 1;
    void PutBackLinesGrid();
    QString costHeld_; // the least-cost paths' cost chosen, by its item's title (empty: the length)
    // The variables the user chose to see (by their columns as held above) and the
    // layers and items that showed them: an opening of another network meanwhile
    // may give up choices on formula columns, which come back with their columns.
    struct TChoicesHeld {
        bool any = false;
        std::array<int32_t, MaxRangeModes + 1> rangeVarByMode{};
        int32_t rangeVarArcos = 0, attrColumn = 0, rangeItemMovim = 0, rangeVarMovim = 0, movimAttrVar = 0;
        std::string rangeName, rangeMovimName;
        float rangeMin = 0.0f, rangeMax = 0.0f, rangeMovimMin = 0.0f, rangeMovimMax = 0.0f;
        std::vector<std::string> shownVarList, selectedMovimVars;
        std::vector<std::pair<TCommandId, bool>> on; // layer buttons pressed
        std::array<bool, MaxShownVars> colourItems{}; // the variables' colour items shown
        bool colourItemsAll = false;                  // and the item for all of them
        bool colourItemsMovim = false;                // which list they colour
        bool movimAttributes = false;                 // "aAtributos2" ticked
        int32_t entSalVar = -1;                       // the zones' entries/exits shown
    } choicesHeld_;
    void HoldChoices();
    void PutBackChoices(const TChoicesHeld& held);
    // A formula column as the user made it: what the network read again computes
    // anew, on its own data, to give the column back.
    struct TFormulaColumnDef {
        bool movements = false;
        std::string formula;
        std::vector<std::string> names; // the formula's field names
        std::vector<int32_t> inputVars; // the variable each field reads
        std::string title, longTitle;
        // What the user answered to the formula's INPUT and MSG boxes, in the order
        // asked: the column made again gives the same answers without asking.
        struct TAnswer {
            bool input = false;
            std::string caption, prompt, text; // text: INPUT's offered text, MSG's message
            int flags = 0;                     // MSG's buttons and icon
            std::string typed;                 // INPUT's answer
            int button = 0;                    // MSG's answer
            std::array<int32_t, 3> record{};   // the nodes of the record asked about
            int ordinal = 0;                   // its questions asked before this one
        };
        std::vector<TAnswer> answers;
    };
    std::vector<TFormulaColumnDef> formulaColumns_, formulaHeld_; // in the order made
    // Marker region (map pixels) of a node or centroid move started from a grid.
    QRegion GridMoveRegion;
    // The node or centroid picked in its grid to be placed on the map (a Shift+click
    // places it, a drag from its marker moves it): its record as minus its index
    // (-1 none) and which kind it is.
    int32_t PickedItem = -1;
    bool NodeMoving = false, CentroidMoving = false;
    // The pick is over (placed, or ended by Escape).
    void EndGridPick()
    {
        NodeMoving = CentroidMoving = false;
        PickedItem = -1;
    }
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
    // No block of rows chosen and no cell stood on in the data grids, which show
    // their first rows: as a freshly opened network has them.
    void ForgetGridBlocks();
    // The arrangement of the link and movement grids (the column sorted last, its
    // direction, the titles' screen order), held while other networks are opened
    // unattended and put back on the user's network read again.
    void HoldGridOrder();
    void PutBackGridOrder();
    // Whether the user's view shows any variable of the grids.
    bool AnyChoice() const;
    // The same network opened again by the user: the titles of the link and
    // movement columns, held before its grids are laid out again; the variables
    // chosen then follow their titles there, and one whose column is not made
    // again (a formula column, data loaded onto the network) is given up alone.
    void HoldChosenTitles();
    void FollowChosenTitles();
    void sagZonasDblClick();
    void sagNodosDblClick();
    void sagArcosDblClick();
    void sagLineasDblClick();
    void sagArcosFixedColClick(int col);
    void sagMovimFixedColClick(int col);
    // A grid sorted on one of columns first..last, whose cells a loader has just
    // written, is sorted again on it in its direction: its mark would otherwise
    // stand over rows in no order.
    void SortAgainIfOn(bool movements, int first, int last);
    // Compare handlers: TStringAlignGrid::CompareAfter / CompareEqual / CompareBefore.
    int sagArcosCompareCol(int col, int row1, int row2) const;
    int sagMovimCompareCol(int col, int row1, int row2) const;
    // Link record of a link-grid row (its "Orden" cell); 0 when the row holds none.
    int32_t LinkOfRow(int row) const;
    // Font colour of a link's key cells in the link grid: its class colour, black for 0.
    void ColorLinkRow(int row, int32_t mark);

    // ---- Formula columns (FormulaColumns.cpp) ----
    // The "Crear columna ..." items of the grids' menus and the link grid's column drag.
    void CreateFormulaMenus();
    void Crearcolumna1Click();
    void Crearcolumna2Click();
    // The rows of a node or a centroid moved on the map show its new place.
    void ShowNodePlace(int32_t node);
    void ShowCentroidPlace(int32_t zone);
    // A new link (false) or movement (true) column computed by a formula.
    void CrearColumnaFormula(bool movements);
    // Computes and appends the column `def` describes; false (and nothing changed)
    // when there is no room for it, or its computing failed (said) or was stopped.
    bool MakeFormulaColumn(TFormulaColumnDef& def);
    void sagArcosColumnMoved(int from, int to);
    // The formula engine of the computed columns.
    TArtFormula& FN();

private:
    // MarkShownTitles of one grid each.
    void MarkLinkTitles();
    void MarkMovimTitles();
    TPalvonViewer& viewer_;
    // Made at its first use, its INPUT and MSG boxes over this window.
    std::unique_ptr<TArtFormula> formula_;
    // The link and movement grids' columns (variable, title) held by HoldChosenTitles.
    std::array<std::vector<std::pair<int32_t, std::string>>, 2> chosenTitles_;
    bool chosenTitlesHeld_ = false;
};
