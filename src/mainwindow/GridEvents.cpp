// The data grids as a way to steer the map: the cell under the mouse, double clicks
// that centre the map on a zone, node or link (or start moving it), make a link
// column the displayed attribute or toggle transit lines, and the title-click
// sorting of the link and movement grids.
#include "mainwindow/GridsController.h"
#include "mainwindow/PalvonViewer.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WindowHost.h"
#include "map/DisplayStyles.h"
#include "map/LineLayers.h"
#include "map/Ranges.h"
#include "map/gui/DisplayController.h"
#include "map/gui/OxrImage.h"
#include "model/KDVlibPaths.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtilsGeometry.h"
#include "analysis/gui/KDVMix.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/ComplementaryData.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>
#include <utility>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

size_t CurrentMode() { return static_cast<size_t>(std::clamp(UserView().RangeMode, 0, MaxRangeModes)); }

// The whole text as a number; false for blanks, words and numbers followed by text.
bool CellNumber(std::string_view text, float& value)
{
    const std::string t = ZelUtils::Trim(text);
    if (t.empty())
        return false;
    const char* first = t.data();
    if (*first == '+')
        ++first;
    double v = 0.0;
    auto r = std::from_chars(first, t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size())
        return false;
    value = static_cast<float>(v);
    return true;
}

// Node numbers and record numbers in key columns: whole numbers, ordered by value.
bool NodeKeyColumn(const TStringAlignGrid* grid, int col)
{
    const std::string_view t = grid->cellView(col, 0);
    return t == "NodoA" || t == "NodoB" || t == "NodoC" || t == "Orden";
}

// Variable columns compare by value (a cell that is no number counts as equal);
// node key columns by value too, a cell that is no number after every number; every
// other column compares its texts by character code, numbers or not.
int CompareCells(const TStringAlignGrid* grid, bool variable, int col, int row1, int row2)
{
    const std::string_view a = grid->cellView(col, row1);
    const std::string_view b = grid->cellView(col, row2);
    auto order = [](auto x, auto y) {
        return x == y ? TStringAlignGrid::CompareEqual
                      : (x < y ? TStringAlignGrid::CompareBefore : TStringAlignGrid::CompareAfter);
    };
    if (variable) {
        float x = 0.0f, y = 0.0f;
        if (!CellNumber(a, x) || !CellNumber(b, y))
            return TStringAlignGrid::CompareEqual;
        return order(x, y);
    }
    if (NodeKeyColumn(grid, col)) {
        float x = 0.0f, y = 0.0f;
        const bool nx = CellNumber(a, x), ny = CellNumber(b, y);
        if (nx && ny)
            return order(x, y);
        if (nx != ny)
            return nx ? TStringAlignGrid::CompareBefore : TStringAlignGrid::CompareAfter;
    }
    const int c = a.compare(b);
    return order(c, 0);
}

// Room a title needs beside its text for the sort mark: the triangle and a gap.
constexpr int SortMarkRoom = 6 + 4;

// Small triangle beside the title of the sorted column (up ascending, down
// descending), on the side of the title that its alignment leaves free, so that it
// never covers the title's letters.
void DrawSortMark(TStringAlignGrid* grid, int col, QPainter& p, const QRect& rect, bool ascending)
{
    const int w = p.fontMetrics().horizontalAdvance(TextCodec::Decode(grid->cellView(col, 0)));
    const int margin = grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid);
    const Qt::Alignment align = grid->AlignCell(col, 0);
    int x = 0;
    if (align & Qt::AlignRight)
        x = rect.right() - margin - w - SortMarkRoom; // before the title
    else if (align & Qt::AlignHCenter)
        x = rect.center().x() + (w + 1) / 2 + 4;       // after the centred title
    else
        x = rect.left() + margin + w + 4;              // after the title
    const int y = rect.center().y();
    QPolygon tri;
    if (ascending)
        tri << QPoint(x, y + 3) << QPoint(x + 6, y + 3) << QPoint(x + 3, y - 3);
    else
        tri << QPoint(x, y - 3) << QPoint(x + 6, y - 3) << QPoint(x + 3, y + 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(Qt::darkGray));
    p.drawPolygon(tri);
}

} // namespace

void TGridsController::ConnectGridEvents()
{
    CreateGrids();
    QObject::connect(sagZonas, &TStringAlignGrid::mouseMoved, sagZonas,
                     [this](Qt::KeyboardModifiers, int x, int y) { sagZonasMouseMove(x, y); });
    QObject::connect(sagNodos, &TStringAlignGrid::mouseMoved, sagNodos,
                     [this](Qt::KeyboardModifiers, int x, int y) { sagNodosMouseMove(x, y); });
    QObject::connect(sagLineas, &TStringAlignGrid::mouseMoved, sagLineas,
                     [this](Qt::KeyboardModifiers, int x, int y) { sagLineasMouseMove(x, y); });
    QObject::connect(sagArcos, &TStringAlignGrid::mouseMoved, sagArcos,
                     [this](Qt::KeyboardModifiers, int x, int y) { sagArcosMouseMove(x, y); });
    // A press is where a double click happens: the cell is taken again there, and
    // the keys held are kept for the double click.
    QObject::connect(sagZonas, &TStringAlignGrid::mousePressed, sagZonas,
                     [this](Qt::MouseButton, Qt::KeyboardModifiers keys, int x, int y) {
                         GridKeys = keys;
                         sagZonasMouseMove(x, y);
                     });
    QObject::connect(sagNodos, &TStringAlignGrid::mousePressed, sagNodos,
                     [this](Qt::MouseButton, Qt::KeyboardModifiers keys, int x, int y) {
                         GridKeys = keys;
                         sagNodosMouseMove(x, y);
                     });
    QObject::connect(sagLineas, &TStringAlignGrid::mousePressed, sagLineas,
                     [this](Qt::MouseButton, Qt::KeyboardModifiers keys, int x, int y) {
                         GridKeys = keys;
                         sagLineasMouseMove(x, y);
                         sagLineasMouseDown(keys, x, y);
                     });
    QObject::connect(sagArcos, &TStringAlignGrid::mousePressed, sagArcos,
                     [this](Qt::MouseButton, Qt::KeyboardModifiers keys, int x, int y) {
                         GridKeys = keys;
                         sagArcosMouseMove(x, y);
                     });
    QObject::connect(sagMovim, &TStringAlignGrid::mouseMoved, sagMovim,
                     [this](Qt::KeyboardModifiers, int x, int y) { sagMovimMouseMove(x, y); });
    QObject::connect(sagMovim, &TStringAlignGrid::mousePressed, sagMovim,
                     [this](Qt::MouseButton, Qt::KeyboardModifiers keys, int x, int y) {
                         GridKeys = keys;
                         sagMovimMouseMove(x, y);
                     });
    QObject::connect(sagMovim, &TStringAlignGrid::dblClicked, sagMovim, [this] { sagMovimDblClick(); });
    QObject::connect(sagZonas, &TStringAlignGrid::dblClicked, sagZonas, [this] { sagZonasDblClick(); });
    QObject::connect(sagNodos, &TStringAlignGrid::dblClicked, sagNodos, [this] { sagNodosDblClick(); });
    QObject::connect(sagArcos, &TStringAlignGrid::dblClicked, sagArcos, [this] { sagArcosDblClick(); });
    QObject::connect(sagLineas, &TStringAlignGrid::dblClicked, sagLineas, [this] { sagLineasDblClick(); });

    QObject::connect(sagArcos, &TStringAlignGrid::fixedColClick, sagArcos,
                     [this](int col) { sagArcosFixedColClick(col); });
    QObject::connect(sagMovim, &TStringAlignGrid::fixedColClick, sagMovim,
                     [this](int col) { sagMovimFixedColClick(col); });
    sagArcos->SetCompareHandler(
        [this](TStringAlignGrid*, int col, int r1, int r2) { return sagArcosCompareCol(col, r1, r2); });
    sagMovim->SetCompareHandler(
        [this](TStringAlignGrid*, int col, int r1, int r2) { return sagMovimCompareCol(col, r1, r2); });
    sagArcos->SetDrawCellHandler([this](TStringAlignGrid* g, int col, int row, QPainter& p, const QRect& rect) {
        if (row == 0 && col == SortColArcos && static_cast<size_t>(col) < SortDescArcos.size())
            DrawSortMark(g, col, p, rect, SortDescArcos[static_cast<size_t>(col)] == 1);
    });
    // Column 0 of the transit lines: whether each line is drawn, as a check box.
    sagLineas->SetDrawCellHandler([this](TStringAlignGrid* g, int col, int row, QPainter& p, const QRect& rect) {
        if (col != 0 || row < 1 || row > Network.LineCount)
            return;
        p.fillRect(rect, g->palette().base());
        QStyleOptionButton box;
        box.rect = QRect(rect.center().x() - 6, rect.center().y() - 6, 13, 13);
        box.state = QStyle::State_Enabled | (Lineas[row].Visible ? QStyle::State_On : QStyle::State_Off);
        g->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &p, g);
    });
    sagMovim->SetDrawCellHandler([this](TStringAlignGrid* g, int col, int row, QPainter& p, const QRect& rect) {
        if (row == 0 && col == SortColMovim && static_cast<size_t>(col) < SortDescMovim.size())
            DrawSortMark(g, col, p, rect, SortDescMovim[static_cast<size_t>(col)] == 1);
    });

    // The grids' context menus (made with the selection menus).
    struct Pup {
        TStringAlignGrid* grid;
        QMenu* menu;
    };
    for (const Pup& p : {Pup{sagArcos, viewer_.pupArcos}, Pup{sagZonas, viewer_.pupZonas},
                         Pup{sagNodos, viewer_.pupNodos}}) {
        if (!p.menu)
            continue;
        p.grid->setContextMenuPolicy(Qt::CustomContextMenu);
        QMenu* menu = p.menu;
        TStringAlignGrid* grid = p.grid;
        const bool links = grid == sagArcos;
        QObject::connect(grid, &QWidget::customContextMenuRequested, grid, [this, menu, grid, links](const QPoint& pos) {
            // The link grids share one menu, which acts on the grid it is opened
            // over: by the menu key too, wherever the mouse was last.
            if (links)
                LinkGridMouseOver = true;
            menu->popup(grid->mapToGlobal(pos));
        });
    }
}

// ---------------------------------------------------------------- cells under the mouse

void TGridsController::sagZonasMouseMove(int x, int y) { sagZonas->MouseToCell(x, y, ZonaCol, ZonaRow); }

void TGridsController::sagNodosMouseMove(int x, int y) { sagNodos->MouseToCell(x, y, NodoCol, NodoRow); }

void TGridsController::sagLineasMouseMove(int x, int y) { sagLineas->MouseToCell(x, y, LineaCol, LineaRow); }

void TGridsController::sagArcosMouseMove(int x, int y)
{
    int col = -1, row = -1;
    sagArcos->MouseToCell(x, y, col, row);
    const size_t mode = CurrentMode();
    LinkRowByMode[mode] = row;
    // Outside the cells the mode keeps its column: -1 is no column to draw.
    if (col >= 0)
        UserView().RangeVarByMode[mode] = col;
    LinkGridMouseOver = true;
    // The selection by data works on whatever column was last under the mouse: the
    // item names it, key columns included.
    if (col >= 0 && col < NumColArcos)
        viewer_.Action(Cmd::SeleccionPorDatos)->setText(Qs(Format("Selección por \"%s\"", sagArcos->cell(col, 0))));
}

void TGridsController::sagLineasMouseDown(Qt::KeyboardModifiers keys, int x, int y)
{
    LineasShiftFlag = keys.testFlag(Qt::ShiftModifier);
    LineasCtrlFlag = keys.testFlag(Qt::ControlModifier);
    int col = -1, row = -1;
    sagLineas->MouseToCell(x, y, col, row);
    if (col != 0)
        return;
    if (!ZelUtils::ShiftDown() && row >= 0 && row <= Network.LineCount) {
        Lineas[row].Visible = Lineas[row].Visible ? 0 : 1;
        // The title's box sets every line at once.
        if (row == 0)
            for (int32_t l = 1; l <= Network.LineCount; ++l)
                Lineas[l].Visible = Lineas[0].Visible;
        VisibleLinesChanged = true;
    }
    sagLineas->Invalidate();
}

void TGridsController::sagMovimMouseMove(int x, int y)
{
    int col = -1, row = -1;
    sagMovim->MouseToCell(x, y, col, row);
    MovimGridRow = row;
    if (col >= 0)
        UserView().RangeItemMovim = col;
}

namespace {

// The number each column held (its variable and title in `keys`) has now: the
// columns loaded after the network (a listing, data of the user's) come back
// before the formula columns made again. A column of the user's complementary
// data is found by its title in the block read again (the file changed on disk
// may give it another place there). -1 for one not found.
std::vector<int> ColumnsNow(const TStringAlignGrid* grid, const std::vector<std::pair<int32_t, std::string>>& keys,
                            const int32_t* vars, int capacity, int32_t firstComplementary)
{
    const int n = grid->ColCount();
    const auto key = [&](int c) { return std::pair{c < capacity ? vars[c] : 0, grid->cell(c, 0)}; };
    std::vector<int> to(keys.size(), -1);
    std::vector<bool> taken(size_t(std::max(n, 0)), false);
    for (size_t c = 0; c < keys.size(); ++c)
        if (int(c) < n && key(int(c)) == keys[c]) {
            to[c] = int(c);
            taken[c] = true;
        }
    for (size_t c = 0; c < keys.size(); ++c)
        for (int j = 0; to[c] < 0 && j < n; ++j)
            if (!taken[size_t(j)] && key(j) == keys[c]) {
                to[c] = j;
                taken[size_t(j)] = true;
            }
    const auto complementary = [&](int32_t var) {
        return var >= firstComplementary && var < firstComplementary + MaxComplementaryColumns;
    };
    for (size_t c = 0; c < keys.size(); ++c)
        for (int j = 0; to[c] < 0 && complementary(keys[c].first) && !keys[c].second.empty() && j < n; ++j)
            if (!taken[size_t(j)] && complementary(key(j).first) && key(j).second == keys[c].second) {
                to[c] = j;
                taken[size_t(j)] = true;
            }
    return to;
}

} // namespace

void TGridsController::ResetGridSort()
{
    std::fill(SortDescArcos.begin(), SortDescArcos.end(), uint8_t{0});
    std::fill(SortDescMovim.begin(), SortDescMovim.end(), uint8_t{0});
    SortColArcos = SortColMovim = -1;
    formulaColumns_.clear(); // made on the network that goes
    // A new network shows its records in their order, under the columns in theirs.
    for (TStringAlignGrid* grid : {sagArcos, sagMovim, sagNodos})
        if (grid)
            grid->ResetOrder();
}

void TGridsController::ForgetGridBlocks()
{
    for (TStringAlignGrid* grid : {sagZonas, sagNodos, sagArcos, sagMovim, sagLineas, sagArcosSel})
        if (grid) {
            grid->clearSelection();
            grid->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
            grid->scrollToTop();
        }
}

void TGridsController::HoldGridOrder()
{
    gridOrderHeld_.clear();
    for (auto [grid, desc, col, vars] : {std::tuple{sagArcos, &SortDescArcos, SortColArcos, ColVarArcos.data()},
                                         std::tuple{sagMovim, &SortDescMovim, SortColMovim, ColVarMovim.data()}}) {
        TGridOrderHeld h{*desc, col, {}, {}};
        const int capacity = grid == sagArcos ? NumArcosColumns : NumMovimColumns;
        for (int pos = 0; grid && pos < grid->ColCount(); ++pos) {
            h.columns.push_back(grid->ColAtPosition(pos));
            h.keys.emplace_back(pos < capacity ? vars[pos] : 0, grid->cell(pos, 0));
        }
        gridOrderHeld_.push_back(std::move(h));
    }
    formulaHeld_ = formulaColumns_;
    lineNamesHeld_.clear();
    for (int32_t l = 1; sagLineas && l <= Network.LineCount; ++l)
        if (const int row = sagLineas->RowOfRecord(l); row >= 1)
            lineNamesHeld_.push_back({Lineas[l].Name, Lineas[l].LineCode, Lineas[l].Group,
                                      sagLineas->FontColorCell(1, row)});
    linesTitleHeld_ = Lineas[0].Visible;
    HoldChoices();
    costHeld_.clear();
    if (KDVlib::CostVar != 7 && ConfigurarRmin)
        for (QAction* a : ConfigurarRmin->actions())
            if (a->isChecked() && a->data().toInt() == KDVlib::CostVar)
                costHeld_ = a->text();
}

void TGridsController::PutBackGridOrder()
{
    const QString cost = std::exchange(costHeld_, {});
    const TChoicesHeld choices = std::exchange(choicesHeld_, {});
    if (gridOrderHeld_.size() != 2)
        return;
    // The user's formula columns, computed again on the data read again, in the
    // order made (one may read an earlier one), before their places are put back.
    for (TFormulaColumnDef& def : std::exchange(formulaHeld_, {}))
        if (MakeFormulaColumn(def))
            formulaColumns_.push_back(def);
    // Choices given up meanwhile (another network opened over them) come back,
    // by the columns held, to follow them to their places now below.
    if (choices.any && !AnyChoice())
        PutBackChoices(choices);
    viewer_.Display().PutBackEntSal(choices.entSalVar);
    const std::vector<TGridOrderHeld> held = std::exchange(gridOrderHeld_, {});
    for (size_t k = 0; k < 2; ++k) {
        TStringAlignGrid* grid = k == 0 ? sagArcos : sagMovim;
        std::vector<uint8_t>& desc = k == 0 ? SortDescArcos : SortDescMovim;
        int32_t& sortCol = k == 0 ? SortColArcos : SortColMovim;
        const TGridOrderHeld& h = held[k];
        if (!grid)
            continue;
        const std::vector<int> to =
            k == 0 ? ColumnsNow(grid, h.keys, ColVarArcos.data(), NumArcosColumns, FirstComplementaryLinkVar)
                   : ColumnsNow(grid, h.keys, ColVarMovim.data(), NumMovimColumns, FirstComplementaryMovVar);
        // Columns in the places the user dragged them to, while every one is there
        // to be placed (data read again that changed on disk bring other columns);
        // the sort, while its column is there.
        if (static_cast<int>(h.columns.size()) == grid->ColCount() && std::find(to.begin(), to.end(), -1) == to.end())
            for (int pos = 0; pos < grid->ColCount(); ++pos) {
                const int col = to[size_t(h.columns[size_t(pos)])];
                if (grid->ColAtPosition(pos) != col)
                    grid->MoveColumn(grid->PositionOfCol(col), pos);
            }
        desc.assign(std::max(h.desc.size(), size_t(std::max(grid->ColCount(), 0))), 0);
        for (size_t c = 0; c < to.size() && c < h.desc.size(); ++c)
            if (to[c] >= 0)
                desc[size_t(to[c])] = h.desc[c];
        sortCol = h.col >= 0 && size_t(h.col) < to.size() ? to[size_t(h.col)] : h.col;
        if (sortCol >= 0 && sortCol < grid->ColCount() && size_t(sortCol) < desc.size()) {
            grid->SortColumn(sortCol, desc[size_t(sortCol)] == 0);
            grid->Invalidate();
        }
        // The variables the user chose to see keep naming the same columns; one
        // whose column is gone is given up.
        MoveChosenColumns(k == 1, [&to](int32_t c) { return c > 0 && size_t(c) < to.size() ? to[size_t(c)] : c; });
    }
    PutBackLinesGrid();
    // The selected links are listed in the order of the rows above, sorted again.
    viewer_.Selection().RefreshSelectedLinks();
    // The variable menus, laid out before the columns took their places, tick them there.
    TickChosenVariables();
    // The cost the user chose for least-cost paths, while its column is there:
    // the menus laid out again chose the length.
    if (!cost.isEmpty() && ConfigurarRmin)
        for (QAction* a : ConfigurarRmin->actions())
            if (a->text() == cost && a->isEnabled()) {
                a->trigger();
                NameCostInCaption();
                break;
            }
}

void TGridsController::PutBackLinesGrid()
{
    const std::vector<TLineNameHeld> held = std::exchange(lineNamesHeld_, {});
    // The title's box agrees with the rows: on when every line is drawn, off when
    // none is, and as the user left it between.
    int32_t shown = 0;
    for (int32_t l = 1; l <= Network.LineCount; ++l)
        shown += Lineas[l].Visible ? 1 : 0;
    Lineas[0].Visible = shown == Network.LineCount ? 1 : shown == 0 ? 0 : linesTitleHeld_;
    linesTitleHeld_ = 1;
    if (!sagLineas || held.empty())
        return;
    FillDeferredGrids();
    // Each line read takes the name colour of the first line held under its name,
    // code and block not yet taken; a line new to the text keeps the colour it was
    // filled with.
    // Lines read again mostly come in the order held: the search starts at the
    // first line not yet taken, so a long list costs one pass.
    std::vector<bool> taken(held.size(), false);
    size_t firstFree = 0;
    for (int32_t l = 1; l <= Network.LineCount; ++l) {
        const int row = sagLineas->RowOfRecord(l);
        for (size_t k = firstFree; row >= 1 && k < held.size(); ++k) {
            const TLineNameHeld& h = held[k];
            if (taken[k] || h.name != Lineas[l].Name || h.code != Lineas[l].LineCode || h.group != Lineas[l].Group)
                continue;
            taken[k] = true;
            if (sagLineas->FontColorCell(1, row) != h.color)
                sagLineas->SetFontColorCell(1, row, h.color);
            break;
        }
        while (firstFree < held.size() && taken[firstFree])
            ++firstFree;
    }
}

bool TGridsController::AnyChoice() const
{
    const TViewState& v = UserView();
    return v.RangeVarArcos > 0 || v.AttrColumn > 0 || v.RangeVarMovim > 0 || !v.ShownVarList.empty() ||
           !v.SelectedMovimVars.empty();
}

void TGridsController::HoldChoices()
{
    const TViewState& v = UserView();
    TChoicesHeld& h = choicesHeld_;
    h = {};
    // The entries/exits class gives way while no listing offers it: the user's
    // network read again, with its listing after it, offers it again.
    h.entSalVar = v.EntSalVar;
    h.any = AnyChoice();
    if (!h.any)
        return;
    h.rangeVarByMode = v.RangeVarByMode;
    h.rangeVarArcos = v.RangeVarArcos;
    h.attrColumn = v.AttrColumn;
    h.rangeItemMovim = v.RangeItemMovim;
    h.rangeVarMovim = v.RangeVarMovim;
    h.movimAttrVar = MovimAttrVar;
    h.rangeName = v.RangeName;
    h.rangeMovimName = v.RangeMovimName;
    h.rangeMin = v.RangeMin;
    h.rangeMax = v.RangeMax;
    h.rangeMovimMin = v.RangeMovimMin;
    h.rangeMovimMax = v.RangeMovimMax;
    h.shownVarList = v.ShownVarList;
    h.selectedMovimVars = v.SelectedMovimVars;
    for (TCommandId layer : {Cmd::tbAtributos, Cmd::tbColores, Cmd::tbValues, Cmd::tbMovimValues})
        h.on.emplace_back(layer, viewer_.CommandOn(layer));
    for (int i = 0; i < MaxShownVars; ++i)
        h.colourItems[size_t(i)] = viewer_.Action(QStringLiteral("cv%1").arg(i))->isVisible();
    h.colourItemsAll = viewer_.Action(Cmd::cvs)->isVisible();
    h.colourItemsMovim = colourItemsMovim_;
    h.movimAttributes = viewer_.Action(Cmd::aAtributos2)->isChecked();
}

void TGridsController::PutBackChoices(const TChoicesHeld& h)
{
    TViewState& v = UserView();
    v.RangeVarByMode = h.rangeVarByMode;
    v.RangeVarArcos = h.rangeVarArcos;
    v.AttrColumn = h.attrColumn;
    v.RangeItemMovim = h.rangeItemMovim;
    v.RangeVarMovim = h.rangeVarMovim;
    MovimAttrVar = h.movimAttrVar;
    v.RangeName = h.rangeName;
    v.RangeMovimName = h.rangeMovimName;
    v.RangeMin = h.rangeMin;
    v.RangeMax = h.rangeMax;
    v.RangeMovimMin = h.rangeMovimMin;
    v.RangeMovimMax = h.rangeMovimMax;
    v.ShownVarList = h.shownVarList;
    v.SelectedMovimVars = h.selectedMovimVars;
    for (const auto& [layer, on] : h.on)
        viewer_.SetCommandOn(layer, on);
    for (int i = 0; i < MaxShownVars; ++i)
        viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(h.colourItems[size_t(i)]);
    viewer_.Action(Cmd::cvs)->setVisible(h.colourItemsAll);
    colourItemsMovim_ = h.colourItemsMovim;
    viewer_.Action(Cmd::aAtributos2)->setChecked(h.movimAttributes);
}

void TGridsController::HoldChosenTitles()
{
    for (size_t k = 0; k < 2; ++k) {
        const TStringAlignGrid* grid = k == 0 ? sagArcos : sagMovim;
        const int32_t* vars = k == 0 ? ColVarArcos.data() : ColVarMovim.data();
        const int capacity = k == 0 ? NumArcosColumns : NumMovimColumns;
        chosenTitles_[k].clear();
        for (int c = 0; grid && c < grid->ColCount(); ++c)
            chosenTitles_[k].emplace_back(c < capacity ? vars[c] : 0, grid->cell(c, 0));
    }
    chosenTitlesHeld_ = true;
}

void TGridsController::FollowChosenTitles()
{
    if (!std::exchange(chosenTitlesHeld_, false))
        return;
    for (size_t k = 0; k < 2; ++k) {
        const TStringAlignGrid* grid = k == 0 ? sagArcos : sagMovim;
        const auto before = std::exchange(chosenTitles_[k], {});
        // Each column found as a batch finds it: the same place under the same
        // title, else another of that title; a title not there is gone.
        const std::vector<int> to =
            !grid ? std::vector<int>{}
            : k == 0 ? ColumnsNow(grid, before, ColVarArcos.data(), NumArcosColumns, FirstComplementaryLinkVar)
                     : ColumnsNow(grid, before, ColVarMovim.data(), NumMovimColumns, FirstComplementaryMovVar);
        const auto now = [&](int32_t c) -> int32_t {
            if (c <= 0)
                return c;
            return static_cast<size_t>(c) < to.size() && !before[size_t(c)].second.empty() ? to[size_t(c)] : -1;
        };
        MoveChosenColumns(k == 1, now);
    }
    TickChosenVariables();
}

// ---------------------------------------------------------------- helpers

namespace {

// The view window centred on (x, y) with these half sizes; a point-sized window is
// widened to a hundredth of the network so that the map keeps a scale.
void CentreView(double x, double y, double hx, double hy)
{
    const double floor = std::max({0.01 * (double(Network.MaxX) - double(Network.MinX)),
                                   0.01 * (double(Network.MaxY) - double(Network.MinY)), 1.0});
    if (!(hx > 0.0))
        hx = floor;
    if (!(hy > 0.0))
        hy = floor;
    UserView().WorldMinX = x - hx;
    UserView().WorldMaxX = x + hx;
    UserView().WorldMinY = y - hy;
    UserView().WorldMaxY = y + hy;
}

double ExtentWidth() { return double(Network.MaxX) - double(Network.MinX); }
double ExtentHeight() { return double(Network.MaxY) - double(Network.MinY); }

// The "no" cursor of a move started from a grid, over whatever cursor is in force.
void SetNoCursor()
{
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::ForbiddenCursor);
    else
        QApplication::setOverrideCursor(Qt::ForbiddenCursor);
}

} // namespace

int32_t TGridsController::LinkOfRow(int row) const
{
    if (!sagArcos || row < 1 || row >= sagArcos->RowCount())
        return 0;
    const int32_t i = ZelUtils::ParseInt(sagArcos->cellView(3, row));
    return i >= 1 && i <= Network.LinkCount ? i : 0;
}

void TGridsController::ColorLinkRow(int row, int32_t mark)
{
    // Unmarked rows drop their colour: the grid's own text colour is black.
    const QColor color = mark > 0 && mark <= MaxClasses ? DisplayStyles::ToQColor(UserView().ClassColors[static_cast<size_t>(mark)])
                                                        : QColor();
    sagArcos->SetFontColorCell(0, row, color);
    sagArcos->SetFontColorCell(1, row, color);
}

// Marker of a grid-started move: its hit region and a red ring over lime.
static void DrawMoveMarker(TOxrImage* img, double x, double y, int32_t radius, QRegion& region)
{
    TPoint p;
    p.x = x;
    p.y = y;
    region = img->CircleRegion(p, radius);
    if (QPainter* c = img->Canvas()) {
        c->save();
        c->setPen(QPen(QColor(Qt::red), 2));
        c->setBrush(QColor(Qt::green));
        img->Circle(x, y, -10);
        c->restore();
    }
}

// ---------------------------------------------------------------- double clicks

void TGridsController::sagZonasDblClick()
{
    const int32_t z = ZonaRow;
    if (z <= 0 || z > Network.ZoneCount)
        return;
    const TZona& zone = Zonas[z];
    if (ZonaCol < 1) {
        if (!viewer_.CommandOn(Cmd::tbCents))
            viewer_.SetCommandOn(Cmd::tbCents, true);
        viewer_.SetCommandOn(Cmd::tbMove, false);
        GridMoveRegion = QRegion();
        if (zone.HasCentroid) {
            CentreView(zone.CentroidX, zone.CentroidY, 0.15 * ExtentWidth(), 0.15 * ExtentHeight());
            viewer_.RedrawMap();
            DrawMoveMarker(viewer_.img, zone.CentroidX, zone.CentroidY, std::max(UserView().CentroidSize, 10),
                           GridMoveRegion);
        }
        SetNoCursor();
        NodeMoving = false;
        CentroidMoving = true;
        PickedItem = -z;
        viewer_.Action(Cmd::NodeMove)->setChecked(false);
        viewer_.SetStatusPanel(3, Qs(Format("Moviendo centroide %d", zone.Number)));
    } else if (ZonaCol < sagZonas->ColCount() && zone.HasCentroid) {
        CentreView(zone.CentroidX, zone.CentroidY, 0.1 * ExtentWidth(), 0.1 * ExtentHeight());
        viewer_.RedrawMap();
    }
}

void TGridsController::sagNodosDblClick()
{
    const int32_t n = NodoRow;
    if (n <= 0 || n > Network.NodeCount)
        return;
    const TNodo& node = Nodos[n];
    if (NodoCol < 1) {
        viewer_.SetCommandOn(Cmd::tbMove, false);
        if (!viewer_.CommandOn(Cmd::tbNodes)) {
            viewer_.SetCommandOn(Cmd::tbNodes, true);
            viewer_.RedrawMap();
        }
        GridMoveRegion = QRegion();
        if (node.HasXY)
            DrawMoveMarker(viewer_.img, node.X, node.Y, std::max(UserView().NodeSize, 5), GridMoveRegion);
        SetNoCursor();
        CentroidMoving = false;
        NodeMoving = true;
        PickedItem = -n;
        viewer_.Action(Cmd::NodeMove)->setChecked(false);
        viewer_.SetStatusPanel(3, Qs(Format("Moviendo nodo %d", node.Number)));
    } else if (NodoCol < sagNodos->ColCount() && node.HasXY) {
        CentreView(node.X, node.Y, 0.1 * ExtentWidth(), 0.1 * ExtentHeight());
        viewer_.RedrawMap();
    }
}

void TGridsController::sagArcosDblClick()
{
    const size_t mode = CurrentMode();
    const int r = LinkRowByMode[mode];
    const int32_t c = UserView().RangeVarByMode[mode];
    if (r <= 0)
        return;
    viewer_.Selection().PolySelectKind = 0;
    const bool shift = GridKeys.testFlag(Qt::ShiftModifier);
    const bool ctrl = GridKeys.testFlag(Qt::ControlModifier);

    if (c < 2) {
        // A key column locates the link; it is no attribute to show.
        const int32_t i = LinkOfRow(r);
        if (i == 0)
            return;
        const TArcos& a = Arcos[i];
        if (a.AIndex > 0 && a.BIndex > 0 && Nodos[a.AIndex].HasXY && Nodos[a.BIndex].HasXY) {
            const TNodo& na = Nodos[a.AIndex];
            const TNodo& nb = Nodos[a.BIndex];
            const double d = std::hypot(double(nb.X) - double(na.X), double(nb.Y) - double(na.Y));
            CentreView(0.5 * (double(na.X) + double(nb.X)), 0.5 * (double(na.Y) + double(nb.Y)), d, d);
        }
        viewer_.SetCommandOn(Cmd::tbMove, false);
        if (shift) {
            viewer_.MapEdit().CurveLink = i; // the link to bend
        } else {
            for (int row = 1; row < sagArcos->RowCount(); ++row)
                if (const int32_t k = LinkOfRow(row); k > 0 && Arcos[k].Mark != 0) {
                    Arcos[k].Mark = 0;
                    ColorLinkRow(row, 0);
                }
            Arcos[i].Mark = CurrentClass;
            ColorLinkRow(r, CurrentClass);
            if (sagArcosSel && sagArcosSel->isVisible())
                viewer_.Selection().ListSelectedLinks();
        }
        viewer_.RedrawMap();
        return;
    }

    // The column double-clicked is the one that mode 1 shows.
    UserView().RangeMode = 1;
    UserView().RangeVarByMode[1] = c;
    LinkRowByMode[1] = r;
    ArcosRangeValues(UserView());
    if (!(UserView().RangeMax > 0.0f) && !ProgramOptions().DrawNull)
        return;
    const int32_t variable = c < NumArcosColumns ? ColVarArcos[static_cast<size_t>(c)] : 0;
    for (QAction* item : VarArcos->actions()) {
        item->setCheckable(true);
        item->setChecked(item->data().toInt() == variable);
    }
    UserView().RangeMax = static_cast<float>(double(UserView().RangeMax) * 1.000000000000001);
    Ranges::PrepareRanges(UserView(), UserView().RangeName, UserView().RangeMin, UserView().RangeMax);
    if (!viewer_.CommandOn(Cmd::tbAtributos) && !viewer_.CommandOn(Cmd::tbColores)) {
        viewer_.SetCommandOn(Cmd::tbAtributos, true);
        viewer_.SetCommandOn(Cmd::tbColores, false);
    }
    viewer_.Action(Cmd::aAtributos2)->setChecked(false);
    UserView().AttrColumn = c;

    if (!ctrl)
        UserView().ShownVarList.clear();
    const std::string text = Format("%d", c);
    if (!Ranges::AddShownVar(c) && std::find(UserView().ShownVarList.begin(), UserView().ShownVarList.end(), text) == UserView().ShownVarList.end())
        Services().ShowMessage(Format("No se pueden mostrar más de %d variables a la vez.", MaxShownVars));
    const auto at = std::find(UserView().ShownVarList.begin(), UserView().ShownVarList.end(), text);
    if (at != UserView().ShownVarList.end()) {
        const size_t n = static_cast<size_t>(at - UserView().ShownVarList.begin());
        UserView().VarColors[n] = Ranges::AjustaColor(UserView().ModePenColors[1], static_cast<int32_t>(n));
        colourItemsMovim_ = false;
        viewer_.Action(QStringLiteral("cv%1").arg(n))->setText(Qs(sagArcos->cell(c, 0)));
    }
    viewer_.Action(Cmd::cvs)->setVisible(false);
    for (int i = 0; i < MaxShownVars; ++i)
        viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(false);
    if (UserView().ShownVarList.size() > 1) {
        viewer_.Action(Cmd::cvs)->setVisible(true);
        for (size_t i = 0; i < UserView().ShownVarList.size(); ++i)
            viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(true);
    }
    viewer_.RedrawMap();
}

void TGridsController::sagMovimDblClick()
{
    const int row = MovimGridRow;
    if (row <= 0 || row >= sagMovim->RowCount())
        return;
    viewer_.Selection().PolySelectKind = 0;
    const int32_t m = ZelUtils::ParseInt(sagMovim->cellView(3, row));
    const bool movement = m >= 1 && m <= Network.MovementCount;
    if (UserView().RangeItemMovim < 3 && row > 1 && movement) {
        const TMovimiento& mv = Movims[m];
        if (mv.AIndex >= 1 && mv.CIndex >= 1) {
            const TNodo& a = Nodos[mv.AIndex];
            const TNodo& c = Nodos[mv.CIndex];
            CentreView((double(a.X) + double(c.X)) / 2.0, (double(a.Y) + double(c.Y)) / 2.0, 0.1 * ExtentWidth(),
                       0.1 * ExtentHeight());
        }
        viewer_.SetCommandOn(Cmd::tbMove, false);
        viewer_.RedrawMap();
    }
    if (viewer_.CommandOn(Cmd::tbMixs)) {
        if (!movement)
            return;
        // The diagram shows the variable of the chosen column; a key column keeps the
        // variable of the diagrams menu.
        const int32_t c = UserView().RangeItemMovim;
        const int32_t k = c >= 0 && c < NumColMovim ? ColVarMovim[static_cast<size_t>(c)] : 0;
        const int32_t junction = Movims[m].JunctionIndex;
        if (junction < 1 || junction > Network.NodeCount)
            return;
        // The junction list and its position stay as they were.
        TFrmMix& mix = Secondary::FrmMix();
        mix.DrawMix(junction, k >= 1 && k <= NumMovVars ? k : viewer_.Analysis().FlowVariable());
        mix.exec();
        return;
    }
    if (!MovimRangeValues(UserView()))
        return;
    // Alt shows the chosen flows summed at the link ends instead of per turn.
    MovimAttrAdd = GridKeys.testFlag(Qt::AltModifier);
    UserView().MovimDrawMode = MovimAttrAdd;
    if (!GridKeys.testFlag(Qt::ControlModifier))
        UserView().SelectedMovimVars.clear();
    const std::string text = Format("%d", UserView().RangeItemMovim);
    if (std::find(UserView().SelectedMovimVars.begin(), UserView().SelectedMovimVars.end(), text) == UserView().SelectedMovimVars.end()) {
        if (UserView().SelectedMovimVars.size() >= static_cast<size_t>(MaxShownVars)) {
            Services().ShowMessage(Format("No se pueden mostrar más de %d variables a la vez.", MaxShownVars));
            return;
        }
        UserView().SelectedMovimVars.push_back(text);
    }
    const size_t n = UserView().SelectedMovimVars.size();
    const size_t at = static_cast<size_t>(
        std::find(UserView().SelectedMovimVars.begin(), UserView().SelectedMovimVars.end(), text) - UserView().SelectedMovimVars.begin());
    UserView().MovimVarColors[at] = Ranges::AjustaColor(UserView().ModePenColors[CurrentMode()], static_cast<int32_t>(at));
    colourItemsMovim_ = true;
    viewer_.Action(QStringLiteral("cv%1").arg(at))->setText(Qs(TitMovim[static_cast<size_t>(UserView().RangeItemMovim)]));
    viewer_.Action(Cmd::cvs)->setVisible(false);
    for (int i = 0; i < MaxShownVars; ++i)
        viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(false);
    if (n > 1) {
        viewer_.Action(Cmd::cvs)->setVisible(true);
        for (size_t i = 0; i < n; ++i)
            viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(true);
    }
    viewer_.Action(Cmd::aAtributos2)->setCheckable(true);
    viewer_.Action(Cmd::aAtributos2)->setChecked(true);
    viewer_.SetCommandOn(Cmd::tbValues, false);
    viewer_.SetCommandOn(Cmd::tbAtributos, false);
    viewer_.SetCommandOn(Cmd::tbColores, false);
    MovimAttrVar = UserView().RangeItemMovim;
    viewer_.RedrawMap();
}

void TGridsController::sagLineasDblClick()
{
    const int r = LineaRow;
    if (r <= 0 || r > Network.LineCount || r >= sagLineas->RowCount())
        return;
    auto setLine = [this](int row, bool visible) {
        Lineas[row].Visible = visible ? 1 : 0;
        sagLineas->SetFontColorCell(1, row, visible ? QColor(Qt::red) : QColor(Qt::black));
    };
    if (!LineasShiftFlag && !LineasCtrlFlag)
        for (int l = 1; l <= Network.LineCount && l < sagLineas->RowCount(); ++l)
            setLine(l, false);
    int lastMade = 0;
    // The lines strictly between the anchor and this one: none when it is the anchor.
    if (LineasShiftFlag && LastLine >= 1 && LastLine <= Network.LineCount && LastLine != r) {
        const int step = r > LastLine ? 1 : -1;
        for (int l = LastLine + step; l != r; l += step) {
            setLine(l, true);
            lastMade = l;
        }
    }
    const bool visible = Lineas[r].Visible == 0;
    setLine(r, visible);
    LastLine = visible ? r : lastMade;
    VisibleLinesChanged = true;
    viewer_.SetCommandOn(Cmd::tbLineas, true);
    viewer_.RedrawMap();
}

// ---------------------------------------------------------------- sorting by a title click

int TGridsController::sagArcosCompareCol(int col, int row1, int row2) const
{
    const bool numeric = col >= 0 && col < NumArcosColumns && ColVarArcos[static_cast<size_t>(col)] > 0;
    return CompareCells(sagArcos, numeric, col, row1, row2);
}

int TGridsController::sagMovimCompareCol(int col, int row1, int row2) const
{
    const bool numeric = col >= 0 && col < NumMovimColumns && ColVarMovim[static_cast<size_t>(col)] > 0;
    return CompareCells(sagMovim, numeric, col, row1, row2);
}

namespace {

// Shift + title click: each click on a column turns its order round (ascending first).
void SortByTitle(TStringAlignGrid* grid, int col, std::vector<uint8_t>& desc, int32_t& sortCol, bool shift)
{
    if (!shift || col < 0 || col >= grid->ColCount())
        return;
    if (desc.size() < static_cast<size_t>(grid->ColCount()))
        desc.resize(static_cast<size_t>(grid->ColCount()), 0);
    TWaitCursor wait;
    uint8_t& flag = desc[static_cast<size_t>(col)];
    flag = static_cast<uint8_t>(1 - flag);
    sortCol = col;
    // A narrow column widens to hold its title and the mark side by side.
    const int title = grid->fontMetrics().horizontalAdvance(TextCodec::Decode(grid->cellView(col, 0)));
    const int margin = grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid);
    const int needed = title + 2 * (margin + SortMarkRoom) + 2;
    if (grid->ColWidths(col) < needed)
        grid->SetColWidths(col, needed);
    grid->SortColumn(col, flag == 0);
    grid->Invalidate();
}

} // namespace

void TGridsController::sagArcosFixedColClick(int col)
{
    if (!GridKeys.testFlag(Qt::ShiftModifier))
        return;
    SortByTitle(sagArcos, col, SortDescArcos, SortColArcos, true);
    // The selected links are listed in the order of the rows above.
    viewer_.Selection().RefreshSelectedLinks();
}

void TGridsController::sagMovimFixedColClick(int col)
{
    SortByTitle(sagMovim, col, SortDescMovim, SortColMovim, GridKeys.testFlag(Qt::ShiftModifier));
}

void TGridsController::SortAgainIfOn(bool movements, int first, int last)
{
    TStringAlignGrid* grid = movements ? sagMovim : sagArcos;
    const int32_t col = movements ? SortColMovim : SortColArcos;
    const std::vector<uint8_t>& desc = movements ? SortDescMovim : SortDescArcos;
    if (!grid || col < first || col > last || col >= grid->ColCount() || static_cast<size_t>(col) >= desc.size())
        return;
    grid->SortColumn(col, desc[static_cast<size_t>(col)] == 0);
    grid->Invalidate();
}

// The link grids share one menu: the commands that act on the network's links are
// offered over the link grid only, and the export writes the grid under the mouse.
void TGridsController::pupArcosPopup()
{
    for (TCommandId name : {Cmd::SelArco, Cmd::SelNombre, Cmd::SeleccinporRegin1, Cmd::SeleccionPorDatos,
                            Cmd::SeleccionGrilla, Cmd::ExportaSeleccin1, Cmd::ImportaSeleccin1})
        viewer_.Action(name)->setEnabled(LinkGridMouseOver);
    TStringAlignGrid* grid = LinkGridMouseOver ? sagArcos : sagArcosSel;
    const TGridRect sel = grid ? grid->Selection() : TGridRect();
    viewer_.Action(Cmd::SeleccionGrilla)->setVisible(sel.Top >= 0 && sel.Bottom > sel.Top);
    viewer_.Action(Cmd::ExportarArcos)->setData(LinkGridMouseOver ? 3 : 31);
}

void TGridsController::ShowNodePlace(int32_t node)
{
    if (sagNodos && node < sagNodos->RowCount()) {
        const int row = sagNodos->RowOfRecord(node);
        sagNodos->setCell(1, row, ZelUtils::Trim(Format(XYFormat, double(Nodos[node].X))));
        sagNodos->setCell(2, row, ZelUtils::Trim(Format(XYFormat, double(Nodos[node].Y))));
    }
}

void TGridsController::ShowCentroidPlace(int32_t zone)
{
    if (sagZonas && zone < sagZonas->RowCount()) {
        sagZonas->setCell(1, zone, Format(XYFormat, double(Zonas[zone].CentroidX)));
        sagZonas->setCell(2, zone, Format(XYFormat, double(Zonas[zone].CentroidY)));
    }
}
