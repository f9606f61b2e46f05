#pragma once
// Every command of the main window in one table: its object name, caption, where
// it sits, shortcut, whether it is checkable, its state at start and once a
// network is open, and the feature that owns it (and registers its handler, see
// CommandRegistry.h). The rows are in CommandRows.inc; the same rows give each
// command a constant, Cmd::<name>, so code names a command the compiler checks.
// The window builds its menus, toolbars and pop-ups from these rows, takes
// captions and shortcuts from here, and hides and shows the rows' items.
#include <QString>
#include <QStringList>

#include <vector>

// One constant per row, in row order.
enum class TCommandId : int {
#define VELMORA_COMMAND(name, ...) name,
#include "widgets/CommandRows.inc"
#undef VELMORA_COMMAND
};
namespace Cmd {
using enum TCommandId;
} // namespace Cmd

namespace CommandTable {

// The features that own commands: each wires only its own rows.
#define VELMORA_OWNERS(X) \
    X(Files) \
    X(Grids) \
    X(Selection) \
    X(Polygons) \
    X(Themes) \
    X(MapView) \
    X(MapTools) \
    X(Analysis) \
    X(Export) \
    X(Printing) \
    X(Window)
enum class TOwner {
#define VELMORA_OWNER(o) o,
    VELMORA_OWNERS(VELMORA_OWNER)
#undef VELMORA_OWNER
};
const char* OwnerName(TOwner owner);

// What a row is. A Handler row runs the handler its owner registers when it is
// chosen; the other kinds have none: a Toggle's tick or button is read where it
// matters (a map tool is armed from its own), a Submenu row holds a submenu or a
// drop-down, a State row shows what the program sets (a value in its caption, an
// item the program ticks or shows).
enum class TKind { Handler, Toggle, Submenu, State };
const char* KindName(TKind kind);

struct TCommand {
    const char* Name;
    // As first shown; a trailing '*' marks a caption the program rewrites (sizes,
    // fonts, chosen variables): only the text before it is fixed.
    const char* Caption;
    // ';'-separated places: "menu:Archivo>Abrir" (menu bar path), "popup:BDerecho>Zonas"
    // (a pop-up menu by object name, then submenu captions or "#" + submenu item
    // name), "toolbar:tbarEstandar", or "action:tbCents,Centroides1" (a shared
    // action whose state its listed controls show). Within a place the items
    // follow row order; a place written with "|-" at its end ("menu:Archivo|-")
    // has a separator before the item there.
    const char* Places;
    const char* Shortcut;
    bool Checkable;
    // Two letters each: 'S' shown / 'H' hidden, then 'E' enabled / 'D' disabled /
    // '*' decided by the data.
    const char* AtStart;
    const char* AfterOpen;
    TOwner Owner;
    TCommandId Id;
    TKind Kind;
};

const std::vector<TCommand>& Commands();
// The row of a command, and its object name.
const TCommand& Row(TCommandId id);
QString Name(TCommandId id);
// The caption a command is first shown with (a rewritten one without its '*').
QString Caption(TCommandId id);
// The row of that name; nullptr when the table has none.
const TCommand* Find(const QString& name);
// The row's places, without their separator marks.
QStringList Places(const TCommand& row);
// Whether the row has a separator before it at `place`.
bool SeparatorBefore(const TCommand& row, const QString& place);

// A name that is not a command is a programming error: fatal while tests run
// (SetStrict), logged otherwise.
void SetStrict(bool strict);
void UnknownCommand(const QString& name, const char* where);
// A command wired wrongly (a second handler, a handler of another feature's row):
// fatal while tests run, logged otherwise.
void CommandError(const QString& name, const char* what);

} // namespace CommandTable
