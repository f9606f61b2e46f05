#include "map/gui/ViewBinding.h"

#include "widgets/WindowHost.h"

#include <QAction>

#include <array>

namespace {

constexpr std::array<ViewBinding::TRow, 14> Table = {{
    {Cmd::tbZonas, &TViewState::Zonas},
    {Cmd::tbPoligonos, &TViewState::Poligonos},
    {Cmd::tbSolera, &TViewState::Solera},
    {Cmd::tbAtributos, &TViewState::Atributos},
    {Cmd::tbColores, &TViewState::Colores},
    {Cmd::tbLineas, &TViewState::Lineas},
    {Cmd::tbArrows, &TViewState::Arrows},
    {Cmd::tbNodes, &TViewState::Nodes},
    {Cmd::tbCents, &TViewState::Cents},
    {Cmd::tbNameNodes, &TViewState::NameNodes},
    {Cmd::tbValues, &TViewState::Values},
    {Cmd::tbCalles, &TViewState::Calles},
    {Cmd::tbSel, &TViewState::Sel},
    {Cmd::tbMovimValues, &TViewState::MovimValues},
}};

} // namespace

namespace ViewBinding {

std::span<const TRow> Rows() { return Table; }

bool TViewState::*FieldOf(TCommandId command)
{
    for (const TRow& row : Table)
        if (row.command == command)
            return row.field;
    return nullptr;
}

void Connect(TWindowHost& window, TViewState& state)
{
    for (const TRow& row : Table) {
        QAction* a = window.Action(row.command);
        state.*row.field = a->isChecked();
        QObject::connect(a, &QAction::toggled, a, [&state, field = row.field](bool on) { state.*field = on; });
    }
}

void Reflect(TWindowHost& window, const TViewState& state)
{
    for (const TRow& row : Table) {
        QAction* a = window.Action(row.command);
        a->setCheckable(true);
        a->setChecked(state.*row.field);
    }
}

} // namespace ViewBinding
