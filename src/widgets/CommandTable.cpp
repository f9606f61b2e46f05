// The command table of the main window (see CommandTable.h; its rows are in
// CommandRows.inc). Families built from data (recent files, variable menus,
// polygon entries, flow-diagram variables, generation/attraction columns) have no
// rows: their items carry no names.
#include "widgets/CommandTable.h"

#include <QHash>
#include <QtGlobal>

#include <cstdio>

namespace CommandTable {
namespace {

// The kind of every row that runs no handler (all others are Handler rows).
struct TKindOf {
    TCommandId Id;
    TKind Kind;
};
constexpr TKindOf NoHandler[] = {
#include "widgets/CommandKinds.inc"
};

constexpr TKind KindOf(TCommandId id)
{
    for (const TKindOf& k : NoHandler)
        if (k.Id == id)
            return k.Kind;
    return TKind::Handler;
}

const TCommand Rows[] = {
#define VELMORA_COMMAND(name, caption, places, shortcut, checkable, atStart, afterOpen, owner) \
    {#name, caption, places, shortcut, checkable, atStart, afterOpen, TOwner::owner, TCommandId::name, KindOf(TCommandId::name)},
#include "widgets/CommandRows.inc"
#undef VELMORA_COMMAND
};

bool strict = false;

} // namespace

const std::vector<TCommand>& Commands()
{
    static const std::vector<TCommand> table(std::begin(Rows), std::end(Rows));
    return table;
}

const TCommand& Row(TCommandId id)
{
    const auto i = static_cast<std::size_t>(id);
    Q_ASSERT(i < std::size(Rows) && Rows[i].Id == id);
    return Rows[i];
}

QString Name(TCommandId id) { return QString::fromUtf8(Row(id).Name); }

QString Caption(TCommandId id)
{
    QString text = QString::fromUtf8(Row(id).Caption);
    if (text.endsWith(QLatin1Char('*')))
        text.chop(1);
    return text;
}

const char* OwnerName(TOwner owner)
{
    switch (owner) {
#define VELMORA_OWNER(o) \
    case TOwner::o: \
        return #o;
        VELMORA_OWNERS(VELMORA_OWNER)
#undef VELMORA_OWNER
    }
    return "?";
}

const char* KindName(TKind kind)
{
    switch (kind) {
    case TKind::Handler: return "handler";
    case TKind::Toggle: return "toggle";
    case TKind::Submenu: return "submenu";
    case TKind::State: return "state";
    }
    return "?";
}

const TCommand* Find(const QString& name)
{
    static const QHash<QString, const TCommand*> index = [] {
        QHash<QString, const TCommand*> h;
        for (const TCommand& row : Commands())
            h.insert(QString::fromUtf8(row.Name), &row);
        return h;
    }();
    return index.value(name, nullptr);
}

namespace {

const QLatin1String SeparatorMark("|-");

} // namespace

QStringList Places(const TCommand& row)
{
    QStringList places = QString::fromUtf8(row.Places).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& place : places)
        if (place.endsWith(SeparatorMark))
            place.chop(SeparatorMark.size());
    return places;
}

bool SeparatorBefore(const TCommand& row, const QString& place)
{
    return QString::fromUtf8(row.Places).split(QLatin1Char(';')).contains(place + SeparatorMark);
}

void SetStrict(bool on) { strict = on; }

void UnknownCommand(const QString& name, const char* where)
{
    if (strict)
        qFatal("Velmora: unknown command \"%s\" (%s)", qPrintable(name), where);
    std::fprintf(stderr, "Velmora: error interno: la orden \"%s\" no existe (%s)\n", qPrintable(name), where);
}

void CommandError(const QString& name, const char* what)
{
    if (strict)
        qFatal("Velmora: command \"%s\": %s", qPrintable(name), what);
    std::fprintf(stderr, "Velmora: error interno: la orden \"%s\": %s\n", qPrintable(name), what);
}

} // namespace CommandTable
