// Columns computed by a formula over the link or movement variables: the formula
// dialog names the fields, the engine computes one value per grid row, and the new
// variable (links 121..130, movements 81..90) is written back into the records,
// the grid and the variable menus, so that drawing and export treat it like a
// loaded variable. Also the link grid's column drag, which carries the column's
// variable and title along.
#include "analysis/ArtFormula.h"
#include "mainwindow/PalvonViewer.h"
#include "analysis/gui/DlgFormula.h"
#include "mainwindow/FormulaDialogs.h"
#include "mainwindow/GridsController.h"
#include "mainwindow/GridsLayout.h"
#include "mainwindow/SecondaryWindows.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/GaugeRun.h"
#include "widgets/StringAlignGrid.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <map>
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

TFormulaSide SideOf(bool movements, TStringAlignGrid* links, TStringAlignGrid* movims)
{
    return movements ? TFormulaSide{movims,             Cmd::Crearcolumna2,
                                    NumUserVarMovim,    80,                    NumColMovim,
                                    ColVarMovim.data(), TitMovim.data(),       NumMovimColumns,
                                    NumMovVars,         Network.MovementCount, MovimVar,
                                    MovimsMaxRec}
                     : TFormulaSide{links,              Cmd::Crearcolumna1,
                                    NumUserVarArcos,    120,                   NumColArcos,
                                    ColVarArcos.data(), TitArcos.data(),       NumArcosColumns,
                                    NumLinkVars,        Network.LinkCount,     LinkVar,
                                    ArcosMaxRec};
}

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

TGridsController::TGridsController(TPalvonViewer& viewer, const TGridWidgets& widgets)
    : TGridWidgets(widgets), viewer_(viewer)
{
}

TGridsController::~TGridsController() = default;

TArtFormula& TGridsController::FN()
{
    // INPUT and MSG of a formula talk to the user through this window: the engine
    // is the window's own, so it never reaches a window that is gone.
    if (!formula_) {
        formula_ = std::make_unique<TArtFormula>();
        InstallFormulaDialogs(*formula_, viewer_.DialogParent());
    }
    return *formula_;
}

void TGridsController::CreateFormulaMenus()
{
    CreateGrids();
    RegisterCommands(viewer_.Registry());

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
    TFormulaSide s = SideOf(movements, sagArcos, sagMovim);

    dlg.Grid = s.grid;
    dlg.Execute();
    if (dlg.FormulaText.empty())
        return;
    const int m = dlg.FieldCount();
    if (m == 0)
        return;

    // Refusals before anything is counted: no room for another column or variable,
    // or a field that holds no variable (a text column).
    if (s.numUser >= MaxUserVars) {
        viewer_.Action(s.item)->setEnabled(false);
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

    TFormulaColumnDef def{movements, dlg.FormulaText, std::move(names), std::move(inputVars),
                          Str(dlg.teVar->text()), Str(dlg.teText->text()), {}};
    if (MakeFormulaColumn(def))
        formulaColumns_.push_back(std::move(def));
}

namespace {

// The engine's INPUT and MSG boxes, answered from the answers a column was made
// with: a question asked then of the same record (link or movement, by its
// nodes: the rows may come in another order, sorted then and not yet now) takes
// the answer given then; failing that, the one asked then in its place, or
// anywhere for a network read again with more rows; any other asks the user.
// The answers of the run are kept for the next time the column is made. The
// engine's own boxes come back when the run ends.
class TAnswersReplay {
public:
    using TAnswer = TGridsController::TFormulaColumnDef::TAnswer;
    TAnswersReplay(TArtFormula& engine, const std::vector<TAnswer>& given)
        : engine_(engine), given_(given), input_(engine.InputHook), msg_(engine.MsgHook)
    {
        for (size_t k = 0; k < given_.size(); ++k)
            byRecord_.emplace(std::pair{given_[k].record, given_[k].ordinal}, k);
        engine.InputHook = [this](const std::string& caption, const std::string& prompt, std::string& text) {
            if (const TAnswer* a = Find(true, caption, prompt, text, 0)) {
                text = a->typed;
                return true;
            }
            TAnswer a{true, caption, prompt, text, 0, {}, 0, record_, ordinal_};
            if (!input_ || !input_(caption, prompt, text))
                return false; // cancelled: the run ends, nothing to keep
            a.typed = text;
            made_.push_back(std::move(a));
            ++ordinal_;
            return true;
        };
        engine.MsgHook = [this](const std::string& text, const std::string& caption, int flags) {
            if (const TAnswer* a = Find(false, caption, std::string(), text, flags))
                return a->button;
            const int button = msg_ ? msg_(text, caption, flags) : 0;
            made_.push_back(TAnswer{false, caption, {}, text, flags, {}, button, record_, ordinal_++});
            return button;
        };
    }
    // The record whose row is computed next.
    void Record(const std::array<int32_t, 3>& key)
    {
        record_ = key;
        ordinal_ = 0;
    }
    ~TAnswersReplay()
    {
        engine_.InputHook = std::move(input_);
        engine_.MsgHook = std::move(msg_);
    }
    TAnswersReplay(const TAnswersReplay&) = delete;
    TAnswersReplay& operator=(const TAnswersReplay&) = delete;
    // The answers of this run, in the order asked.
    std::vector<TAnswer> Made() { return std::move(made_); }

private:
    const TAnswer* Find(bool input, const std::string& caption, const std::string& prompt, const std::string& text,
                        int flags)
    {
        auto same = [&](const TAnswer& a) {
            return a.input == input && a.caption == caption && a.prompt == prompt && a.text == text &&
                   a.flags == flags;
        };
        const TAnswer* found = nullptr;
        if (const auto it = byRecord_.find({record_, ordinal_}); it != byRecord_.end() && same(given_[it->second]))
            found = &given_[it->second];
        const size_t at = made_.size();
        if (!found && at < given_.size() && same(given_[at]))
            found = &given_[at];
        for (size_t k = std::min(at, given_.size()); !found && k-- > 0;)
            if (same(given_[k]))
                found = &given_[k];
        if (!found)
            return nullptr;
        made_.push_back(*found);
        made_.back().record = record_;
        made_.back().ordinal = ordinal_++;
        return &made_.back();
    }

    TArtFormula& engine_;
    const std::vector<TAnswer>& given_;
    std::vector<TAnswer> made_;
    std::map<std::pair<std::array<int32_t, 3>, int>, size_t> byRecord_; // given_ by record and ordinal
    std::array<int32_t, 3> record_{};
    int ordinal_ = 0; // the record's questions so far
    decltype(TArtFormula::InputHook) input_;
    decltype(TArtFormula::MsgHook) msg_;
};

} // namespace

bool TGridsController::MakeFormulaColumn(TFormulaColumnDef& def)
{
    const bool movements = def.movements;
    TFormulaSide s = SideOf(movements, sagArcos, sagMovim);
    if (s.numUser >= MaxUserVars || s.numCol >= s.capacity)
        return false;
    const std::vector<std::string>& names = def.names;
    const std::vector<int32_t>& inputVars = def.inputVars;
    const int m = static_cast<int>(names.size());
    // The whole column is computed aside first, under the caption gauge, where
    // Escape or "Detener" stops it: a column is made whole or not at all, and an
    // error or a stop leaves the grid, the records and the count as they were.
    const std::string& formula = def.formula;
    const QString name = QString::fromStdString(def.title);
    FN().CaseSensitive = false;
    FN().TestUsedVars = true;
    const int rows = std::min<int>(s.count, s.grid->RowCount() - 1);
    std::vector<int32_t> records(static_cast<size_t>(std::max(rows, 0)));
    std::vector<float> results(records.size());
    std::vector<double> values(static_cast<size_t>(m));
    TArtFormula& engine = FN();
    TAnswersReplay answers(engine, def.answers);
    int done = 0;
    bool stopped = false;
    std::string error;
    {
        TGaugeRun run(viewer_.pbc, QStringLiteral("Calculando la columna %1 ...").arg(name));
        // A long formula is polled inside its own loops, so that a single slow row
        // still shows and can be stopped.
        engine.PollHook = [&] {
            if (!run.Step(static_cast<size_t>(done), static_cast<size_t>(rows)))
                engine.RequestStop();
        };
        try {
            for (int r = 1; r <= rows; ++r) {
                if (!run.Step(static_cast<size_t>(done), static_cast<size_t>(rows))) {
                    stopped = true;
                    break;
                }
                const int32_t rec = RowRecord(s, r);
                answers.Record(movements ? std::array{Movims[rec].A, Movims[rec].Node, Movims[rec].C}
                                         : std::array{Arcos[rec].A, Arcos[rec].B, int32_t{0}});
                for (int i = 0; i < m; ++i)
                    values[static_cast<size_t>(i)] = *s.var(rec, inputVars[static_cast<size_t>(i)]);
                const double result = engine.ComputeN(formula, m, values, names);
                if (engine.Stopped()) {
                    stopped = true;
                    break;
                }
                const float stored = static_cast<float>(result);
                // A value the variable cannot hold would spoil the extremes and the map.
                if (!std::isfinite(stored))
                    throw std::runtime_error(Format("La fórmula no da un valor numérico válido en la fila %d.", r));
                records[static_cast<size_t>(r - 1)] = rec;
                results[static_cast<size_t>(r - 1)] = stored;
                ++done;
            }
        } catch (const std::exception& e) {
            error = e.what();
        }
        engine.PollHook = nullptr;
    }
    // The gauge is gone: the box takes the user's keys and clicks.
    if (!error.empty()) {
        Services().ShowError(Format("%s\rLa columna %s no se creó.", error, Str(name)));
        return false;
    }
    if (stopped) {
        Services().SetStatusText(1, Format("Cálculo detenido en la fila %d de %d: la columna %s no se creó",
                                           done + 1, rows, Str(name)));
        return false;
    }

    def.answers = answers.Made();
    s.numUser += 1;
    const int32_t k = s.firstVar + s.numUser;
    if (s.numUser >= MaxUserVars)
        viewer_.Action(s.item)->setEnabled(false);

    const int32_t c = s.numCol;
    s.numCol += 1;
    s.grid->SetColCount(s.numCol);
    s.grid->setCell(c, 0, Str(name));
    s.colVar[c] = k;
    s.tit[c] = def.longTitle;

    // Records without a row must not keep a value of an earlier network's formula column.
    for (int32_t rec = 1; rec <= s.count; ++rec)
        *s.var(rec, k) = 0.0f;
    float lo = 1.0e8f, hi = -1.0e8f;
    for (int r = 1; r <= rows; ++r) {
        const float v = results[static_cast<size_t>(r - 1)];
        *s.var(records[static_cast<size_t>(r - 1)], k) = v;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        s.grid->setCell(c, r, Format("%.2f", static_cast<double>(v)));
    }
    // With no row the seeds would say the minimum is above the maximum.
    if (rows <= 0)
        lo = hi = 0.0f;
    *s.var(0, k) = lo;
    *s.var(s.maxRec, k) = hi;
    // The find window offers the new column with the others.
    GridLayout::RebuildCampos(s.grid, movements ? CamposMovims : CamposArcos);

    if (movements) {
        AgregarItemMovim(c);
        viewer_.Files().ConstruyeMixs(true); // the flow diagrams draw the column's values
    } else {
        AgregarItemArcos(c);
        viewer_.Selection().RefreshSelectedLinks();
    }
    return true;
}

void TGridsController::sagArcosColumnMoved(int from, int to)
{
    // A drag changes only where a column is shown: its number, its variable and its
    // title stay, so every writer finds it. The key columns and the record index
    // stay in their places (a move that shifted them is undone; the move back
    // finds them in place and stops there).
    for (int c = 0; c < FirstKeyColumns; ++c)
        if (sagArcos->ColAtPosition(c) != c) {
            sagArcos->MoveColumn(to, from);
            return;
        }
    // The selected links below show their columns in the order shown above.
    viewer_.Selection().RefreshSelectedLinks();
}
