// Choosing the link and movement variables that the data layers show, their
// value ranges (colour classes) and the colours of the data layers; the columns
// of complementary data added to the grids and their variable items.
#include "mainwindow/DlgRngs.h"
#include "mainwindow/PalvonViewer.h"
#include "mainwindow/GridsController.h"
#include "mainwindow/GridsLayout.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/DrawState.h"
#include "map/Ranges.h"
#include "model/ComplementaryData.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/MenuUtils.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>
#include <charconv>
#include <functional>
#include <string>
#include <vector>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

bool DrawNull() { return ProgramOptions().DrawNull; }

// Colour dialog seeded with the colour; true and the colour replaced on acceptance.
bool ChooseColor(uint32_t& color)
{
    const QColor start(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    const QColor c = QColorDialog::getColor(start, QApplication::activeWindow());
    if (!c.isValid())
        return false;
    color = uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
    return true;
}

} // namespace

void TGridsController::ArcosRangeValues(TViewState& view)
{
    const size_t mode = static_cast<size_t>(std::clamp(view.RangeMode, 0, MaxRangeModes));
    view.RangeVarArcos = view.RangeVarByMode[mode];
    if (view.RangeVarArcos == 0)
        return;
    if (!view.ScaleFixed)
        view.RangeMax = 0.0f;
    const int32_t c = view.RangeVarByMode[mode];
    if (!(c > 1 && c < NumColArcos))
        return;
    // The grid marks the user's choice; an output's own copy leaves it alone.
    if (view.RangeMode > 0 && &view == &UserView())
        MarkLinkTitles();
    view.RangeName = sagArcos ? sagArcos->cell(view.RangeVarArcos, 0) : TitArcos[static_cast<size_t>(view.RangeVarArcos)];
    if (!view.ScaleFixed) {
        const int32_t k = ColVarArcos[static_cast<size_t>(c)];
        if (k >= 1 && k <= NumLinkVars) {
            view.RangeMin = Arcos[0].Var[k];
            view.RangeMax = Arcos[ArcosMaxRec].Var[k];
        } else {
            view.RangeMin = view.RangeMax = 0.0f;
        }
    }
}

bool TGridsController::MovimRangeValues(TViewState& view)
{
    view.RangeVarMovim = view.RangeItemMovim;
    const int32_t c = view.RangeItemMovim;
    if (c <= 0 || c >= NumMovimColumns)
        return false;
    // The movement variable has its title, extremes and classes of its own: the
    // link variable shown keeps its classes, its legend and its colours.
    view.RangeMovimMin = view.RangeMovimMax = 0.0f;
    const int32_t k = c < NumColMovim ? ColVarMovim[static_cast<size_t>(c)] : 0;
    if (k >= 1 && k <= NumMovVars) {
        if (&view == &UserView())
            MarkMovimTitles();
        view.RangeMovimName = TitMovim[static_cast<size_t>(c)];
        view.RangeMovimMin = Movims[0].Var[k];
        view.RangeMovimMax = Movims[MovimsMaxRec].Var[k];
    }
    // A scale the scale window keeps fixed classifies the movements too.
    const float low = view.ScaleFixed ? view.RangeMin : view.RangeMovimMin;
    float high = view.ScaleFixed ? view.RangeMax : view.RangeMovimMax;
    if (!(high > 0.0f))
        return false;
    if (!BatchMode && high > low)
        high += 1.0e-6f;
    // The classes follow the column: fifths of its span, whatever NumRanges is.
    Ranges::FillDefaultClasses(view.MovimRangeTable, view.NumRanges, low, high);
    return true;
}

void TGridsController::VarArcosClick(QAction* item)
{
    if (!item)
        return;
    const bool ctrl = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
    for (QAction* a : VarArcos->actions())
        a->setChecked(false);
    item->setChecked(true);
    VarArcosPick(item->data().toInt(), ctrl);
}

void TGridsController::VarArcosPick(int variable, bool ctrl)
{
    CreateGrids();
    const size_t mode = static_cast<size_t>(std::clamp(UserView().RangeMode, 0, MaxRangeModes));
    UserView().RangeVarByMode[mode] = 0;
    for (int c = 2; c < NumColArcos; ++c)
        if (ColVarArcos[static_cast<size_t>(c)] == variable)
            UserView().RangeVarByMode[mode] = c;
    if (UserView().RangeVarByMode[mode] == 0) {
        UserView().RangeVarArcos = 0; // no column carries it: nothing to show
        return;
    }
    ArcosRangeValues(UserView());
    if (UserView().RangeMax <= 0.0f && !DrawNull())
        return;

    const int32_t column = UserView().RangeVarByMode[mode];
    if (!ctrl)
        UserView().ShownVarList.clear();
    const bool listed = std::find(UserView().ShownVarList.begin(), UserView().ShownVarList.end(), std::to_string(column)) != UserView().ShownVarList.end();
    if (!Ranges::AddShownVar(column) && !listed)
        Services().ShowMessage(Format("No se pueden mostrar más de %d variables a la vez.", MaxShownVars));
    if (UserView().ShownVarList.size() == 1)
        UserView().VarColors[0] = UserView().ModePenColors[mode];

    ShowColourItems(false, UserView().ShownVarList);
    PrepareLinkClasses(UserView());

    switch (UserView().DataLayerKind) {
    case 1:
        viewer_.SetCommandOn(Cmd::tbAtributos, true);
        viewer_.SetCommandOn(Cmd::tbColores, false);
        break;
    case 2:
        viewer_.SetCommandOn(Cmd::tbAtributos, false);
        viewer_.SetCommandOn(Cmd::tbColores, true);
        break;
    case 3:
        viewer_.SetCommandOn(Cmd::tbValues, true);
        break;
    default:
        break;
    }
    viewer_.Action(Cmd::aAtributos2)->setChecked(false);
    viewer_.RedrawMap();
}

void TGridsController::VarMovimClick(QAction* item)
{
    if (!item)
        return;
    UserView().RangeItemMovim = item->data().toInt();
    for (QAction* a : VarMovim->actions())
        a->setChecked(false);
    item->setChecked(true);
    if (!MovimRangeValues(UserView()))
        return;
    // The flows at the link ends draw the columns chosen in the movement grid,
    // not this one: a variable picked here is shown on its turns.
    UserView().MovimDrawMode = false;
    if (UserView().DataLayerKind == 4) {
        viewer_.Action(Cmd::aAtributos2)->setCheckable(true);
        viewer_.Action(Cmd::aAtributos2)->setChecked(true);
    }
    if (UserView().DataLayerKind == 5) {
        viewer_.SetCommandOn(Cmd::tbMovimValues, true);
        // The values are written on the movement pictures, which come with them as
        // the button's own click brings them: on a network just opened they were off.
        viewer_.Action(Cmd::aAtributos2)->setChecked(true);
    }
    viewer_.SetCommandOn(Cmd::tbAtributos, false);
    viewer_.SetCommandOn(Cmd::tbColores, false);
    viewer_.SetCommandOn(Cmd::tbValues, false);
    viewer_.RedrawMap();
}

void TGridsController::Rangos1Click()
{
    // The dialog edits the classes the map colours by: the movements' own while
    // their symbols are drawn in classes and no link colour map is shown (the
    // link variable's classes would change nothing the user sees).
    const bool movements = viewer_.Action(Cmd::aAtributos2)->isChecked() && !UserView().MovimDrawMode &&
                           !viewer_.Down(Cmd::tbColores);
    TDlgRngs& d = Secondary::DlgRngs();
    d.EditTable(movements ? &UserView().MovimRangeTable : nullptr);
    d.LoadFromTable();
    d.exec();
    const bool changed = d.Changed;
    if (changed)
        d.StoreToTable();
    d.EditTable(nullptr);
    if (!changed)
        return;
    // The movement classes follow their column when it is picked again: only
    // the link variable's are kept as its range set.
    if (!movements)
        Ranges::StoreRangeSet(UserView().RangeName);
    viewer_.RedrawMap();
}

void TGridsController::ColoresClick(int tag)
{
    const size_t mode = static_cast<size_t>(std::clamp(UserView().RangeMode, 0, MaxRangeModes));
    uint32_t* target = nullptr;
    if (tag == 1)
        target = &UserView().SymbolColors[0];
    else if (tag == 3)
        target = &UserView().SymbolColors[2];
    else if (tag == 6)
        target = &UserView().ModePenColors[mode];
    else if (tag == 7)
        target = &UserView().ModeBrushColors[mode];
    else if (tag == 21)
        target = &UserView().IntersectionBorderColor;
    else if (tag >= 100 && tag < 100 + MaxShownVars)
        target = &(colourItemsMovim_ ? UserView().MovimVarColors : UserView().VarColors)[static_cast<size_t>(tag - 100)];
    if (!target)
        return;
    uint32_t color = *target;
    if (!ChooseColor(color))
        return;
    *target = color;
    // The bars of either list, the movements' too, take their colours from the mode's.
    if (tag == 6) {
        for (size_t i = 0; i < UserView().ShownVarList.size() && i < UserView().VarColors.size(); ++i)
            UserView().VarColors[i] = Ranges::AjustaColor(color, static_cast<int32_t>(i));
        for (size_t i = 0; i < UserView().SelectedMovimVars.size() && i < UserView().MovimVarColors.size(); ++i)
            UserView().MovimVarColors[i] = Ranges::AjustaColor(color, static_cast<int32_t>(i));
    }
    if (tag >= 20)
        viewer_.RedrawMap();
}

void TGridsController::ColorNodeClick() { viewer_.RedrawMap(); }

void TGridsController::CheckGenatr(QAction* item)
{
    if (!item)
        return;
    UserView().GenatrCol = item->data().toInt();
    QAction* menu = viewer_.Action(Cmd::GenAtrZona);
    menu->setCheckable(true);
    menu->setChecked(true);
    item->setCheckable(true);
    item->setChecked(true);
    viewer_.RedrawMap();
}

void TGridsController::tbDropdown(int tag) { UserView().DataLayerKind = tag; }

void TGridsController::ShowComplementaryColumns(bool movements, const TCompPlacement& placement)
{
    CreateGrids();
    TStringAlignGrid* grid = movements ? sagMovim : sagArcos;
    const int32_t firstVar = movements ? FirstComplementaryMovVar : FirstComplementaryLinkVar;
    std::vector<std::string> before;
    for (int c = 0; c < grid->ColCount(); ++c)
        before.push_back(grid->cell(c, 0));
    grid->SetColCount(movements ? NumColMovim : NumColArcos);
    for (int32_t c : placement.Cleared)
        if (c < grid->ColCount())
            for (int r = 0; r < grid->RowCount(); ++r)
                grid->setCell(c, r, std::string_view());
    std::vector<TColumnDef> defs;
    for (int32_t k = 1; k <= placement.Count; ++k) {
        const std::string& name = ComplementaryNames[static_cast<size_t>(k)];
        defs.push_back({name, name, firstVar + k - 1, 2});
        grid->setCell(placement.First + k - 1, 0, name);
    }
    if (placement.Count > 0)
        GridLayout::FillBlock(grid, placement.First, defs, movements);
    FollowChosenColumns(movements, before, placement);

    if (movements) {
        ClearMenu(VarMovim);
        for (int c = 4; c < NumColMovim; ++c)
            AgregarItemMovim(c);
        viewer_.Files().ConstruyeMixs(true); // the flow diagrams draw the values just read
    } else {
        // The street names a file may have brought.
        for (int c = 0; c < grid->ColCount(); ++c)
            if (grid->cell(c, 0) == "Calle") {
                for (int32_t i = 1; i <= Network.LinkCount && i < grid->RowCount(); ++i)
                    grid->setCell(c, grid->RowOfRecord(i), ZelUtils::Trim(Arcos[i].StreetName));
                SortAgainIfOn(false, c, c);
                break;
            }
        // Both link menus are rebuilt together (each column adds to both); the
        // cost variable chosen for least-cost paths stays chosen.
        const int32_t cost = KDVlib::CostVar;
        ClearMenu(VarArcos);
        ClearMenu(ConfigurarRmin);
        for (int c = 2; c < NumColArcos; ++c)
            AgregarItemArcos(c);
        for (QAction* a : ConfigurarRmin->actions())
            if (cost != 7 && a->data().toInt() == cost && a->isEnabled()) {
                a->trigger();
                // The menus rebuilt named the length in the item's caption.
                NameCostInCaption();
                break;
            }
    }
    grid->FitColWidths();
    GridLayout::RebuildCampos(grid, movements ? CamposMovims : CamposArcos);
    if (!movements)
        viewer_.Selection().RefreshSelectedLinks();
}

void TGridsController::FollowChosenColumns(bool movements, const std::vector<std::string>& before,
                                           const TCompPlacement& placement)
{
    TStringAlignGrid* grid = movements ? sagMovim : sagArcos;
    // A column keeps its choice while it shows what it showed; a column whose data
    // went is followed, by its title, into the block just placed (the same file read
    // again, or a block moved after the columns made since); else it is gone.
    const auto now = [&](int32_t c) -> int32_t {
        if (c <= 0 || static_cast<size_t>(c) >= before.size())
            return c;
        const std::string& title = before[static_cast<size_t>(c)];
        if (c < grid->ColCount() && grid->cell(c, 0) == title)
            return c;
        for (int32_t k = placement.First; k < placement.First + placement.Count && k < grid->ColCount(); ++k)
            if (!title.empty() && grid->cell(k, 0) == title)
                return k;
        return -1;
    };
    MoveChosenColumns(movements, now);
    MarkShownTitles();
    // A grid sorted on a column of the data read before is sorted again on it,
    // by its title, with the data read now; its title gone, the sort is given up
    // (its mark would name a column holding other data, in no order).
    int32_t& sortCol = movements ? SortColMovim : SortColArcos;
    std::vector<uint8_t>& desc = movements ? SortDescMovim : SortDescArcos;
    if (sortCol > 0) {
        const int32_t to = now(sortCol);
        const bool inBlock = to >= placement.First && to < placement.First + placement.Count;
        if (to != sortCol || inBlock) {
            const uint8_t flag = static_cast<size_t>(sortCol) < desc.size() ? desc[static_cast<size_t>(sortCol)] : 0;
            if (static_cast<size_t>(sortCol) < desc.size())
                desc[static_cast<size_t>(sortCol)] = 0;
            sortCol = to;
            if (to > 0 && to < grid->ColCount()) {
                if (desc.size() <= static_cast<size_t>(to))
                    desc.resize(static_cast<size_t>(to) + 1, 0);
                desc[static_cast<size_t>(to)] = flag;
                grid->SortColumn(to, flag == 0);
            }
            grid->Invalidate();
        }
    }
    // The cost of least-cost paths chosen on a column of the data read before
    // follows it too (by the column its menu gave it), or is the length again.
    const int32_t cost = KDVlib::CostVar;
    if (movements || cost < FirstComplementaryLinkVar || cost >= FirstComplementaryLinkVar + MaxComplementaryColumns)
        return;
    int32_t was = 0;
    for (int32_t c = 2; c < NumArcosColumns && was == 0; ++c)
        if (ColVarArcosMenu[static_cast<size_t>(c)] == cost)
            was = c;
    const int32_t to = was > 0 ? now(was) : -1;
    KDVlib::CostVar = to > 0 && to < NumColArcos ? ColVarArcos[static_cast<size_t>(to)] : 7;
}

void TGridsController::ShowColourItems(bool movements, const std::vector<std::string>& list)
{
    colourItemsMovim_ = movements;
    for (int i = 0; i < MaxShownVars; ++i)
        viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(false);
    viewer_.Action(Cmd::cvs)->setVisible(list.size() > 1);
    for (size_t i = 0; i < list.size(); ++i) {
        const int32_t c = Ranges::ListColumn(list, i);
        QAction* item = viewer_.Action(QStringLiteral("cv%1").arg(i));
        item->setText(Qs(movements ? TitMovim[static_cast<size_t>(std::clamp(c, 0, NumMovimColumns - 1))]
                                   : sagArcos->cell(c, 0)));
        item->setVisible(list.size() > 1);
    }
}

void TGridsController::PrepareLinkClasses(TViewState& view)
{
    // A constant column keeps its one value as its one class. The top class
    // reaches just past the maximum; a maximum the scale window keeps stays the
    // one the user typed, not raised a little with every variable chosen.
    float top = view.RangeMax;
    if (top > view.RangeMin)
        top *= 1.001f;
    if (!view.ScaleFixed)
        view.RangeMax = top;
    Ranges::PrepareRanges(view, view.RangeName, view.RangeMin, top);
}

void TGridsController::MoveChosenColumns(bool movements, const std::function<int32_t(int32_t)>& now)
{
    TViewState& view = UserView();
    // A list of columns shown together keeps those still there, each with its
    // colour (the list's own); whether one went.
    std::array<uint32_t, MaxShownVars>& listColours = movements ? view.MovimVarColors : view.VarColors;
    const auto followList = [&](std::vector<std::string>& list) {
        std::vector<std::string> kept;
        std::array<uint32_t, MaxShownVars> colours = listColours;
        for (size_t i = 0; i < list.size(); ++i) {
            const std::string& text = list[i];
            int32_t c = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), c);
            const int32_t n = ec != std::errc() || end != text.data() + text.size() ? c : now(c);
            if (ec == std::errc() && end == text.data() + text.size() && n < 0)
                continue;
            if (i < colours.size())
                colours[kept.size()] = listColours[i];
            kept.push_back(n == c ? text : std::to_string(n));
        }
        const bool shrank = kept.size() != list.size();
        // One left alone is drawn as a lone variable picked is, in the mode's
        // colour: the legend of one variable has no row to name another colour.
        if (shrank && kept.size() == 1)
            colours[0] = view.ModePenColors[static_cast<size_t>(std::clamp(view.RangeMode, 0, MaxRangeModes))];
        list = std::move(kept);
        listColours = colours;
        return shrank;
    };
    // The columns last under the mouse, or given to a drawing mode, only point at a column.
    const auto point = [&](int32_t& c) { c = std::max(now(c), 0); };
    std::vector<std::string>& list = movements ? view.SelectedMovimVars : view.ShownVarList;
    int32_t& shown = movements ? view.RangeVarMovim : view.RangeVarArcos;
    const size_t listed = list.size();
    bool shownGone = shown > 0 && now(shown) < 0;
    point(shown);
    const bool shrank = followList(list);
    if (movements) {
        point(view.RangeItemMovim);
        point(MovimAttrVar);
    } else {
        point(view.AttrColumn);
        for (int32_t& c : view.RangeVarByMode)
            point(c);
    }
    // The variable chosen last gone while others chosen with it stay, the last of
    // those still there takes its place, classes and all, as if chosen last.
    if (shownGone && !list.empty()) {
        const int32_t last = Ranges::ListColumn(list, list.size() - 1);
        if (movements) {
            view.RangeItemMovim = MovimAttrVar = last;
            shownGone = !MovimRangeValues(view);
        } else {
            view.RangeVarByMode[static_cast<size_t>(std::clamp(view.RangeMode, 0, MaxRangeModes))] = last;
            if (view.AttrColumn <= 0)
                view.AttrColumn = last;
            ArcosRangeValues(view);
            PrepareLinkClasses(view);
            shownGone = view.RangeVarArcos <= 0;
        }
    }
    // The variables shown together that are still there are shown, each under
    // its item of colour (while the items serve this list); the variable whose
    // classes colour the map gone, or every one of the list, the grid's choice
    // is given up.
    if (!shownGone && !(listed > 0 && list.empty())) {
        if (shrank) {
            if (colourItemsMovim_ == movements)
                ShowColourItems(movements, list);
            viewer_.RedrawMap();
        }
        return;
    }
    // What showed a column that is gone shows nothing until chosen again, as on a
    // network just opened.
    if (movements) {
        view.RangeVarMovim = view.RangeItemMovim = MovimAttrVar = 0;
        view.RangeMovimMin = view.RangeMovimMax = 0.0f;
        view.SelectedMovimVars.clear();
        view.MovimDrawMode = false;
        viewer_.SetCommandOn(Cmd::tbMovimValues, false);
        viewer_.Action(Cmd::aAtributos2)->setChecked(false);
        for (QAction* a : VarMovim->actions())
            a->setChecked(false);
    } else {
        view.RangeVarByMode.fill(0);
        view.RangeVarArcos = view.AttrColumn = 0;
        view.RangeName = "null";
        view.RangeMin = view.RangeMax = 0.0f;
        view.ShownVarList.clear();
        for (TCommandId layer : {Cmd::tbAtributos, Cmd::tbColores, Cmd::tbValues})
            viewer_.SetCommandOn(layer, false);
        for (QAction* a : VarArcos->actions())
            a->setChecked(false);
    }
    if (colourItemsMovim_ == movements) {
        for (int i = 0; i < MaxShownVars; ++i)
            viewer_.Action(QStringLiteral("cv%1").arg(i))->setVisible(false);
        viewer_.Action(Cmd::cvs)->setVisible(false);
    }
    viewer_.RedrawMap();
}
