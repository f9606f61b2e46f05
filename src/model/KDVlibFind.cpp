// Finders from numbers to record indices; 0 means "none" (record 0 never matches).
#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ParallelChunks.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <tuple>

namespace KDVlib {

int32_t FindArco(int32_t a, int32_t b)
{
    int32_t lo = 1, hi = Network.LinkCount;
    const std::pair<int32_t, int32_t> key(a, b);
    while (lo <= hi) {
        int32_t mid = (lo + hi) / 2;
        const TArcos& r = Arcos[mid];
        std::pair<int32_t, int32_t> k(r.A, r.B);
        if (k == key)
            return mid;
        if (k < key)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}

namespace {
uint64_t PairHash(int32_t a, int32_t b)
{
    const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
    return (key * 0x9E3779B97F4A7C15ull) >> 32;
}
} // namespace

TArcoKeys::TArcoKeys()
{
    const int32_t count = std::max(Network.LinkCount, 0);
    keys_.resize(static_cast<size_t>(count) + 1);
    // The numbers of a large network's links are read by a few threads, a chunk
    // of records each (the records lie far beyond the caches).
    constexpr int32_t PerChunk = 4096;
    Parallel::ForChunks((count + PerChunk - 1) / PerChunk, 3, [this, count](int c) {
        for (int32_t k = c * PerChunk + 1; k <= std::min(count, (c + 1) * PerChunk); ++k) {
            PrefetchRecord(Arcos, k + 8, 64); // the numbers lie in the record's first line
            keys_[static_cast<size_t>(k)] = {Arcos[k].A, Arcos[k].B};
        }
    });
    bool distinct = true;
    for (int32_t k = 2; k <= count && distinct; ++k)
        distinct = keys_[static_cast<size_t>(k) - 1] < keys_[static_cast<size_t>(k)];
    distinct_ = distinct && count > 0;
}

void TArcoKeys::BuildTable() const
{
    // Distinct keys in order: the bisection finds the one match, and so does the
    // table. A power of two over twice the links keeps the probes short.
    const size_t count = keys_.size() - 1;
    size_t capacity = 1;
    while (capacity < 2 * count)
        capacity *= 2;
    mask_ = capacity - 1;
    slots_.assign(capacity, 0);
    for (size_t k = 1; k <= count; ++k) {
        const auto& [a, b] = keys_[k];
        size_t slot = PairHash(a, b) & mask_;
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask_;
        slots_[slot] = static_cast<int32_t>(k);
    }
}

int32_t TArcoKeys::Find(int32_t a, int32_t b) const
{
    if (!distinct_)
        return Bisect(a, b);
    std::call_once(built_, [this] { BuildTable(); });
    const std::pair<int32_t, int32_t> key(a, b);
    for (size_t slot = PairHash(a, b) & mask_;; slot = (slot + 1) & mask_) {
        const int32_t k = slots_[slot];
        if (k == 0 || keys_[static_cast<size_t>(k)] == key)
            return k;
    }
}

// With distinct keys in order, the links counted out by B (a stable pass, which
// keeps each B's links in the order of A) stand in the order of their reversed
// keys: walked alongside the links in order, each meets its reverse where that
// stands, in two passes over memory near at hand instead of a look-up far away
// for each link. Only where the B numbers lie close enough together to count by
// them; false otherwise.
bool TArcoKeys::Transposed(std::vector<int32_t>& reverse) const
{
    const size_t count = keys_.size() - 1;
    if (!distinct_)
        return false;
    int64_t low = keys_[1].second, high = low;
    for (size_t k = 2; k <= count; ++k) {
        low = std::min<int64_t>(low, keys_[k].second);
        high = std::max<int64_t>(high, keys_[k].second);
    }
    if (high - low >= 4 * static_cast<int64_t>(count) + 1024)
        return false;
    std::vector<int32_t> start(static_cast<size_t>(high - low) + 2, 0);
    for (size_t k = 1; k <= count; ++k)
        ++start[static_cast<size_t>(keys_[k].second - low) + 1];
    for (size_t v = 1; v < start.size(); ++v)
        start[v] += start[v - 1];
    std::vector<int32_t> byB(count);
    for (size_t k = 1; k <= count; ++k)
        byB[static_cast<size_t>(start[static_cast<size_t>(keys_[k].second - low)]++)] = static_cast<int32_t>(k);
    // Each pair as one number in the same order, compared at once.
    auto ordered = [](int32_t a, int32_t b) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(a) ^ 0x80000000u) << 32) |
               (static_cast<uint32_t>(b) ^ 0x80000000u);
    };
    size_t s = 1;
    uint64_t at = ordered(keys_[1].first, keys_[1].second);
    for (const int32_t t : byB) {
        const uint64_t wanted = ordered(keys_[static_cast<size_t>(t)].second, keys_[static_cast<size_t>(t)].first);
        while (at < wanted && s < count) {
            ++s;
            at = ordered(keys_[s].first, keys_[s].second);
        }
        if (at == wanted)
            reverse[static_cast<size_t>(t)] = static_cast<int32_t>(s);
        else if (at < wanted)
            break; // past the last link
    }
    return true;
}

std::vector<int32_t> TArcoKeys::Reverses() const
{
    std::vector<int32_t> reverse(keys_.size(), 0);
    if (!Transposed(reverse))
        for (size_t k = 1; k < keys_.size(); ++k)
            reverse[k] = Find(keys_[k].second, keys_[k].first);
    return reverse;
}

int32_t TArcoKeys::Bisect(int32_t a, int32_t b) const
{
    // The same bisection as FindArco, so that among equal keys the same one is found.
    int32_t lo = 1, hi = static_cast<int32_t>(keys_.size()) - 1;
    const std::pair<int32_t, int32_t> key(a, b);
    while (lo <= hi) {
        int32_t mid = (lo + hi) / 2;
        const std::pair<int32_t, int32_t>& k = keys_[static_cast<size_t>(mid)];
        if (k == key)
            return mid;
        if (k < key)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}

int32_t FindArcoAB(int32_t a, int32_t b)
{
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        if (Arcos[k].A == a && Arcos[k].B == b)
            return k;
    return 0;
}

int32_t FindArcoA(int32_t a)
{
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        if (Arcos[k].A == a)
            return k;
    return 0;
}

int32_t FindNodo(double number)
{
    int32_t n = ZelUtils::Round(number);
    // The node-key list indexes every node once the reader has sorted them; a
    // node made outside it (or renumbered) falls back to the scan, which returns
    // the last record with that number.
    auto it = NodeKeyList.find(n);
    bool complete = static_cast<int32_t>(NodeKeyList.size()) == Network.NodeCount;
    if (it != NodeKeyList.end() && it->second >= 1 && it->second <= Network.NodeCount &&
        Nodos[it->second].Number == n) {
        if (complete)
            return it->second;
    } else if (complete && it == NodeKeyList.end()) {
        return 0;
    }
    for (int32_t i = Network.NodeCount; i >= 1; --i)
        if (Nodos[i].Number == n)
            return i;
    return 0;
}

int32_t FindListedNodo(int32_t number)
{
    const auto it = NodeKeyList.find(number);
    return it == NodeKeyList.end() ? 0 : it->second;
}

int32_t FindZona(double number)
{
    int32_t z = ZelUtils::Round(number);
    for (int32_t i = Network.ZoneCount; i >= 1; --i)
        if (Zonas[i].Number == z)
            return i;
    return 0;
}

int32_t FindLinea(const std::string& name)
{
    for (int32_t i = Network.LineCount; i >= 1; --i)
        if (Lineas[i].Name == name)
            return i;
    return 0;
}

namespace {
// Compares a movement with the searched prefix: 1, 2 or 3 key fields.
int Compare(const TMovimiento& m, int fields, int32_t node, int32_t a, int32_t c)
{
    auto cmp = [](int32_t x, int32_t y) { return x < y ? -1 : (x > y ? 1 : 0); };
    int r = cmp(m.Node, node);
    if (r != 0 || fields == 1)
        return r;
    r = cmp(m.A, a);
    if (r != 0 || fields == 2)
        return r;
    return cmp(m.C, c);
}
} // namespace

int32_t FindMovim(int32_t p1, int32_t p2, int32_t p3)
{
    int fields = p3 >= 1 ? 3 : (p1 < 1 ? 1 : 2);
    int32_t lo = 1, hi = Network.MovementCount;
    while (lo <= hi) {
        int32_t mid = (lo + hi) / 2;
        int r = Compare(Movims[mid], fields, p2, p1, p3);
        if (r == 0)
            return mid;
        if (r < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}

int32_t FindMovimFirst(int32_t p1, int32_t p2)
{
    int fields = p1 < 1 ? 1 : 2;
    // Movements are sorted: bisect to the first of the prefix (same result as a scan).
    int32_t lo = 1, hi = Network.MovementCount, found = 0;
    while (lo <= hi) {
        int32_t mid = (lo + hi) / 2;
        int r = Compare(Movims[mid], fields, p2, p1, 0);
        if (r == 0) {
            found = mid;
            hi = mid - 1;
        } else if (r < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    if (found)
        return found;
    // Not sorted (movements edited since the read): fall back to the scan.
    for (int32_t m = 1; m <= Network.MovementCount; ++m)
        if (Compare(Movims[m], fields, p2, p1, 0) == 0)
            return m;
    return 0;
}

} // namespace KDVlib
