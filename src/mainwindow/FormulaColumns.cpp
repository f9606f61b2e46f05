// Columns computed by a formula over the link or movement variables: the formula
// dialog names the fields, the engine computes one value per grid row, and the new
// variable (links 121..130, movements 81..90) is written back into the records,
// the grid and the variable menus, so that drawing and export treat it like a
// loaded variable. Also the link grid's column drag, which carries the column's
// variable and title along.
#include "analysis/ArtFormula.h"
#include "analysis/gui/DlgFormula.h"
#include "mainwindow/FormulaDialogs.h"
#include "mainwindow/GridsController.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

using ZelUtils::Format;

namespace {

constexpr int32_t MaxUserVars = 10;
constexpr int32_t FirstKeyColumns = 4; // columns 0..3: keys and the row's record index

std::string Str(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

// What differs between the link and the movement grid.
struct TFormulaSide {
    TStringAlignGrid* grid;
    TCommandId item;          // the menu item of the command
    int32_t& numUser;         // formula columns made so far
    int32_t firstVar;         // variable of the first formula column, less one
    int32_t& numCol;          // columns of the grid
    int32_t* colVar;          // variable per grid column
    std::string* tit;         // long title per grid column
    int32_t capacity;         // entries of colVar / tit
    int32_t maxVar;           // highest variable number of a record
    int32_t count;            // records (rows) of the grid
    float* (*var)(int32_t rec, int32_t k);
    int32_t maxRec;           // the record that holds the maxima
};

float* LinkVar(int32_t rec, int32_t k) { return &Arcos[rec].Var[k]; }
float* MovimVar(int32_t rec, int32_t k) { return &Movims[rec].Var[k]; }

// The record index of a grid row (its column 3); throws when the cell holds none.
int32_t RowRecord(const TFormulaSide& s, int row)
{
    const std::string text = ZelUtils::Trim(s.grid->cellView(3, row));
    double v = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    const int32_t rec = r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(v)
                            ? ZelUtils::Round(v)
                            : 0;
    if (rec < 1 || rec > s.count)
        throw std::runtime_error(Format("La fila %d no tiene un número de registro válido (\"%s\").", row, text));
    return rec;
}

} // namespace

TArtFormula& TGridsController::FN()
{
    static TArtFormula engine;
    // INPUT and MSG of a formula talk to the user through the main window.
    // The engine outlives a window: its dialogs follow the window that asks for it.
    static const QWidget* hookedTo = nullptr;
    QWidget* window = window_.DialogParent();
    if (hookedTo != window) {
        InstallFormulaDialogs(engine, window);
        hookedTo = window;
    }
    return engine;
}

void TGridsController::CreateFormulaMenus()
{
    CreateGrids();
    RegisterCommands(window_.Registry());

    sagArcos->SetColMoving(true);
    QObject::connect(sagArcos, &TStringAlignGrid::columnMoved, sagArcos,
                     [this](int from, int to) { sagArcosColumnMoved(from, to); });
}

void TGridsController::Crearcolumna1Click() { CrearColumnaFormula(false); }

void TGridsController::Crearcolumna2Click() { CrearColumnaFormula(true); }

void TGridsController::CrearColumnaFormula(bool movements)
{
    CreateGrids();
    TDlgFormula& dlg = Secondary::DlgFormula();
    TFormulaSide s = movements
                         ? TFormulaSide{sagMovim,          Cmd::Crearcolumna2,
                                        NumUserVarMovim,   80,                  NumColMovim,
                                        ColVarMovim.data(), TitMovim.data(),    NumMovimColumns,
                                        NumMovVars,        Network.MovementCount, MovimVar,
                                        MovimsMaxRec}
                         : TFormulaSide{sagArcos,          Cmd::Crearcolumna1,
                                        NumUserVarArcos,   120,                 NumColArcos,
                                        ColVarArcos.data(), TitArcos.data(),    NumArcosColumns,
                                        NumLinkVars,       Network.LinkCount,   LinkVar,
                                        ArcosMaxRec};

    dlg.Grid = s.grid;
    dlg.Execute();
    if (FormulaText.empty())
        return;
    FN().CaseSensitive = false;
    FN().TestUsedVars = true;
    const int m = dlg.FieldCount();
    if (m == 0)
        return;

    // Refusals before anything is counted: no room for another column or variable,
    // or a field that holds no variable (a text column).
    if (s.numUser >= MaxUserVars) {
        window_.Action(s.item)->setEnabled(false);
        Services().ShowMessage("Ya se crearon las 10 columnas de fórmula permitidas para esta red.");
        return;
    }
    if (s.numCol >= s.capacity) {
        Services().ShowMessage("La grilla no admite más columnas.");
        return;
    }
    std::vector<std::string> names(static_cast<size_t>(m));
    std::vector<int32_t> inputVars(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i) {
        const int32_t col = dlg.FieldColumns[static_cast<size_t>(i)];
        const int32_t k = col >= 0 && col < s.capacity ? s.colVar[col] : 0;
        if (k <= 0 || k > s.maxVar) {
            Services().ShowMessage(Format("El campo \"%s\" no es numérico: no puede usarse en una fórmula.",
                                          col >= 0 && col < s.grid->ColCount() ? s.grid->cell(col, 0) : ""));
            return;
        }
        names[static_cast<size_t>(i)] = dlg.FieldKey(i);
        inputVars[static_cast<size_t>(i)] = k;
    }

    s.numUser += 1;
    const int32_t k = s.firstVar + s.numUser;
    if (s.numUser >= MaxUserVars)
        window_.Action(s.item)->setEnabled(false);

    const int32_t c = s.numCol;
    s.numCol += 1;
    s.grid->SetColCount(s.numCol);
    s.grid->setCell(c, 0, Str(dlg.teVar->text()));
    s.colVar[c] = k;
    s.tit[c] = Str(dlg.teText->text());

    // Records the loop does not reach (after an error) must not keep a value of an
    // earlier network's formula column.
    for (int32_t rec = 1; rec <= s.count; ++rec)
        *s.var(rec, k) = 0.0f;
    float& lo = *s.var(0, k);
    float& hi = *s.var(s.maxRec, k);
    lo = 1.0e8f;
    hi = -1.0e8f;

    const std::string formula = FormulaText;
    const int rows = std::min<int>(s.count, s.grid->RowCount() - 1);
    std::vector<double> values(static_cast<size_t>(m));
    int computed = 0;
    TWaitCursor wait;
    try {
        for (int r = 1; r <= rows; ++r) {
            const int32_t rec = RowRecord(s, r);
            for (int i = 0; i < m; ++i)
                values[static_cast<size_t>(i)] = *s.var(rec, inputVars[static_cast<size_t>(i)]);
            const double result = FN().ComputeN(formula, m, values, names);
            const float stored = static_cast<float>(result);
            // A value the variable cannot hold would spoil the extremes and the map.
            if (!std::isfinite(stored))
                throw std::runtime_error(Format("La fórmula no da un valor numérico válido en la fila %d.", r));
            *s.var(rec, k) = stored;
            lo = std::min(lo, stored);
            hi = std::max(hi, stored);
            s.grid->setCell(c, r, Format("%.2f", static_cast<double>(stored)));
            ++computed;
        }
    } catch (const std::exception& e) {
        wait.Restore();
        Services().ShowError(e.what());
    }
    wait.Restore();
    // With no value computed the seeds would say the minimum is above the maximum.
    if (computed == 0)
        lo = hi = 0.0f;

    if (movements)
        AgregarItemMovim(c);
    else
        AgregarItemArcos(c);
}

void TGridsController::sagArcosColumnMoved(int from, int to)
{
    static bool movingBack = false;
    if (from < 0 || to < 0 || from >= NumArcosColumns || to >= NumArcosColumns || from == to)
        return;
    // The key columns and the record index (read as column 3 by every row lookup)
    // stay where they are.
    if (from < FirstKeyColumns || to < FirstKeyColumns) {
        if (!movingBack) {
            movingBack = true;
            sagArcos->MoveColumn(to, from);
            movingBack = false;
        }
        return;
    }
    auto rotate = [from, to](auto& table) {
        if (from < to)
            std::rotate(table.begin() + from, table.begin() + from + 1, table.begin() + to + 1);
        else
            std::rotate(table.begin() + to, table.begin() + from, table.begin() + from + 1);
    };
    rotate(ColVarArcos);
    rotate(TitArcos);
}
