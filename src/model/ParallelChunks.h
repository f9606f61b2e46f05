#pragma once
// Work over a large range shared with a few helper threads. The range is cut into
// chunks that the calling thread and the helpers take in turn; the caller works
// too, and waits only for the chunks a helper has taken. On a busy machine, where
// a helper may get no processor for a while, the caller simply does the chunks
// itself instead of waiting for the helper to start (or to end).
#include <atomic>
#include <functional>

#include <sched.h>
#include <memory>
#include <system_error>
#include <thread>

namespace Parallel {

// Work on this thread takes no helpers while the flag it names is set: a read that
// runs beside the window being made would only take processors from it, until the
// window waits for the read.
inline thread_local const std::atomic<bool>* HelpersHeldBy = nullptr;

class HoldHelpers {
public:
    explicit HoldHelpers(const std::atomic<bool>& held) : previous_(HelpersHeldBy) { HelpersHeldBy = &held; }
    ~HoldHelpers() { HelpersHeldBy = previous_; }
    HoldHelpers(const HoldHelpers&) = delete;
    HoldHelpers& operator=(const HoldHelpers&) = delete;

private:
    const std::atomic<bool>* previous_;
};

// The processors this process may run on, as it started. With one, a helper
// could only take turns with the caller: starting it costs, and gains nothing.
inline int ProcessorsAllowed()
{
    static const int allowed = [] {
        cpu_set_t set;
        CPU_ZERO(&set);
        return sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 2;
    }();
    return allowed;
}

// How many helpers to start for work that would take `wanted`.
inline int Helpers(int wanted)
{
    return (HelpersHeldBy && HelpersHeldBy->load()) || ProcessorsAllowed() < 2 ? 0 : wanted;
}

// Calls work(chunk) once for every chunk 0..chunks-1, on this thread and on up to
// `helpers` others, and returns when all are done. work runs on different chunks
// at once: it must write only what belongs to its chunk, and must not throw.
inline void ForChunks(int chunks, int helpers, const std::function<void(int)>& work)
{
    if (chunks <= 0)
        return;
    // Shared with the helpers, which may outlive the call: one that starts after
    // every chunk is taken finds none and ends, never touching `work`. A chunk is
    // only taken before the last one is done, so `work` is alive while it runs.
    struct State {
        std::atomic<int> next{0};
        std::atomic<int> done{0};
        int chunks = 0;
        const std::function<void(int)>* work = nullptr;
    };
    auto state = std::make_shared<State>();
    state->chunks = chunks;
    state->work = &work;
    auto run = [](State& s) {
        for (int c; (c = s.next.fetch_add(1)) < s.chunks;) {
            (*s.work)(c);
            if (s.done.fetch_add(1) + 1 == s.chunks)
                s.done.notify_all();
        }
    };
    helpers = Helpers(helpers);
    for (int h = 0; h < helpers && h + 1 < chunks; ++h) {
        try {
            std::thread([state, run] { run(*state); }).detach();
        } catch (const std::system_error&) {
            break; // no more threads: the others (or this one) do the chunks
        }
    }
    run(*state);
    for (int d; (d = state->done.load()) < chunks;)
        state->done.wait(d);
}

} // namespace Parallel
