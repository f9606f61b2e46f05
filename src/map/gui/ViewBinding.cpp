#include "map/gui/ViewBinding.h"

#include "widgets/WindowHost.h"

#include <QAction>
#include <QEvent>
#include <QTextEdit>

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

// Copies the title box's font and colour into the state whenever they change.
class TTitleStyleFollower : public QObject {
public:
    TTitleStyleFollower(QTextEdit& box, TViewState& state) : QObject(&box), box_(box), state_(state) {}
    void Read()
    {
        state_.TitleFont = box_.font();
        state_.TitleColor = box_.palette().color(QPalette::Text);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &box_ && (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange))
            Read();
        return false;
    }

private:
    QTextEdit& box_;
    TViewState& state_;
};

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

void ConnectTitle(QTextEdit& box, TViewState& state)
{
    state.TitleText = box.toPlainText().toStdString();
    QObject::connect(&box, &QTextEdit::textChanged, &box,
                     [&box, &state] { state.TitleText = box.toPlainText().toStdString(); });
    auto* style = new TTitleStyleFollower(box, state);
    style->Read();
    box.installEventFilter(style);
}

} // namespace ViewBinding
