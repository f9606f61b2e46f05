#pragma once
// Who runs each command of the table: every feature registers the handlers of its
// own rows, by command id ({Cmd::X, handler} pairs), and the registry connects each
// handler to the command's action (its triggered signal, with the checked state).
// A row registered twice, or by a feature that does not own it, is a programming
// error: fatal while tests run, logged otherwise. A feature moved out of the main
// window keeps registering its rows the same way.
#include "widgets/CommandTable.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <type_traits>
#include <vector>

class QAction;

class TCommandRegistry {
public:
    using THandler = std::function<void(bool checked)>;

    struct TEntry {
        // A callable taking the checked state, or nothing.
        template <class F>
        TEntry(TCommandId id, F f) : Id(id)
        {
            if constexpr (std::is_invocable_v<F&, bool>)
                Run = std::move(f);
            else
                Run = [f = std::move(f)](bool) mutable { f(); };
        }
        // A member function of `object` taking the checked state, or nothing.
        template <class T, class R, class... A>
        TEntry(TCommandId id, T* object, R (T::*method)(A...)) : Id(id)
        {
            static_assert(sizeof...(A) <= 1, "a command handler takes the checked state or nothing");
            if constexpr (sizeof...(A) == 0)
                Run = [object, method](bool) { (object->*method)(); };
            else
                Run = [object, method](bool checked) { (object->*method)(checked); };
        }
        TCommandId Id;
        THandler Run;
    };

    // `actionOf` gives the action made for a row.
    explicit TCommandRegistry(std::function<QAction*(TCommandId)> actionOf);

    void Register(CommandTable::TOwner owner, std::initializer_list<TEntry> entries);
    template <class... H>
    void Register(CommandTable::TOwner owner, TCommandId id, H&&... handler)
    {
        Add(owner, TEntry(id, std::forward<H>(handler)...));
    }
    bool Registered(TCommandId id) const;
    // The feature whose handler a row runs; none when it has no handler.
    std::optional<CommandTable::TOwner> RegisteredBy(TCommandId id) const;

private:
    void Add(CommandTable::TOwner owner, const TEntry& entry);
    std::function<QAction*(TCommandId)> actionOf_;
    std::vector<std::optional<CommandTable::TOwner>> registeredBy_;
};
