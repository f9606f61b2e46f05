// The model's arrays and the operations that create and order their records.
#include "model/PalvonRead.h"
#include "model/ParallelChunks.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <numeric>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

TNetwork Network;
RecordArray<TNodo, MaxNodos> Nodos;
RecordArray<TArcos, MaxArcos> Arcos;
RecordArray<TMovimiento, MaxMovims> Movims;
RecordArray<TZona, MaxZonas> Zonas;
RecordArray<TLinea, MaxLineas> Lineas;
RecordArray<TFase, MaxFases> Fases;
int32_t ArcosMaxRec = 1;
int32_t MovimsMaxRec = 1;
NodeKeyMap NodeKeyList;
std::set<std::string> ZoneConnectorList;
std::vector<int32_t> FirstArc;
std::vector<TLineRef> LinkLineRefs;

using ZelUtils::Format;

void NodeKeyMap::clear()
{
    for (const value_type& e : entries_)
        if (e.first >= 0 && e.first < DenseLimit)
            dense_[static_cast<size_t>(e.first)] = 0;
    entries_.clear();
    sparse_.clear();
}

int32_t NodeKeyMap::Insert(int32_t number, int32_t index)
{
    const int32_t slot = static_cast<int32_t>(entries_.size());
    entries_.emplace_back(number, index);
    if (number >= 0 && number < DenseLimit) {
        const size_t n = static_cast<size_t>(number);
        if (n >= dense_.size())
            dense_.resize(std::max(n + 1, std::min(dense_.size() * 2, static_cast<size_t>(DenseLimit))), 0);
        dense_[n] = slot + 1;
    } else {
        sparse_.emplace(number, slot);
    }
    return slot;
}

namespace PalvonRead {

namespace {
// Link records 1..this had their values cleared in bulk by the read going on,
// and nothing wrote them since: the read makes its links in order from 1 and
// writes no record beyond its last link.
int32_t clearLinkRowsThrough = 0;
} // namespace

void ClearNetwork()
{
    DropGeographicPositions();
    ZoneConnectorList.clear();
    NodeKeyList.clear();
    NodeKeyList.reserve(1024);
    Network.Loaded = Network.LpaLoaded = Network.LplLoaded = 0;
    Network.PositionsWriteFailing = false;
    Network.HasCoordinates = Network.HasCentroids = 0;
    Network.NoJunctionData = 1;
    Network.ZoneCount = Network.NodeCount = Network.LinkCount = 0;
    Network.MovementCount = Network.SignalCount = Network.LineCount = 0;
    for (int k = 0; k < 6; ++k) {
        Network.JunctionsByType[k] = 0;
        Network.LinksByClass[k] = 0;
    }
    ViewerServices& ui = Services();
    ui.SetMenuItemEnabled("AnalisisIntersecciones", false);
    for (int t = 1; t <= 5; ++t)
        ui.SetMenuItemEnabled(Format("Jtype%d", t), false);
    for (auto& s : Network.SectionPresent)
        s = 0;
    Network.TransitLinesReadOver = 0;
    Network.MinX = UnsetHigh;
    Network.MaxX = UnsetLow;
    Network.MinY = UnsetHigh;
    Network.MaxY = UnsetLow;
    Network.ProjectedZone = 0;
    Network.ProjectedHemisphere = 0;
    ArcosMaxRec = 1;
    MovimsMaxRec = 1;
    FirstArc.clear();
    LinkLineRefs.clear();
    ui.SetTabVisible("tsEdit", false);
}

int32_t NodeIndex(int32_t number)
{
    auto it = NodeKeyList.find(number);
    if (it != NodeKeyList.end())
        return it->second;
    if (Network.NodeCount >= MaxNodos)
        throw CapacityError(Format("más de %d nodos (nodo %d)", MaxNodos, number));
    int32_t i = ++Network.NodeCount;
    TNodo& n = Nodos[i];
    n.Number = number;
    n.Flags = 1;
    n.HasXY = 0;
    n.X = n.Y = UnsetLow;
    n.ArmCount = n.JunctionType = n.SignalIndex = 0;
    n.OutlineStart = n.OutlineCount = n.OutlineFlags = 0;
    n.Mark = 0;
    // Records outlive a network: a node without coordinates must not keep the
    // geographic position of the node that held this record before.
    n.Latitude = n.Longitude = 0.0;
    n.Arms.reset();
    n.Outline.reset();
    NodeKeyList.emplace(number, i);
    return i;
}

void ClearLinkValuesForRead(bool start)
{
    clearLinkRowsThrough = 0;
    if (!start)
        return;
    const int32_t made = Arcos.allocated() - 1;
    Arcos.ClearColumnRows(1, made);
    clearLinkRowsThrough = made;
}

int32_t NewLink()
{
    if (Network.LinkCount >= MaxArcos - 1)
        throw CapacityError(Format("más de %d arcos", MaxArcos - 1));
    int32_t i = ++Network.LinkCount;
    // A record made by this access holds its defaults already; only a record that
    // served an earlier network needs clearing, and its values not even then while
    // the read's rows cleared in bulk last (see ClearLinkValuesForRead).
    const bool fresh = i >= Arcos.allocated();
    const bool valuesClear = i <= clearLinkRowsThrough;
    TArcos& a = Arcos[i];
    ArcosMaxRec = Network.LinkCount + 1;
    if (fresh)
        return i;
    a.A = a.B = a.AIndex = a.BIndex = a.Mark = 0;
    a.BearingA = a.BearingB = 0;
    if (!valuesClear) {
        a.SetLanes(0);
        a.SetFlareEnd(0);
        a.SetFlareStart(0);
        std::fill(std::begin(a.Var), std::end(a.Var), 0.0f);
    }
    a.CosA = a.SinA = 0.0f;
    a.ReverseIndex = 0;
    a.Active = 1;
    a.NoReverse = 0;
    a.Key.clear();
    a.StreetName.clear();
    a.LineRefFirst = a.LineRefLast = -1;
    a.HasMovements = 0;
    a.LaneEdgeCount = 0;
    a.LaneEdgeNear.reset();
    a.LaneEdgeFar.reset();
    a.Points.reset();
    a.PointCount = 0; // no shape points of the earlier network's link
    // The lanes pass only ever sets these, and only for positioned links with
    // movements, so a reused record would otherwise keep the previous network's.
    a.StraightLength = 0.0f;
    a.TurnDirs[0] = a.TurnDirs[1] = a.TurnDirs[2] = 0;
    a.HasPija = 0;
    a.LaneDirs.reset();
    a.LaneMark.reset();
    a.LaneFlags.reset();
    a.LaneUsed.reset();
    return i;
}

int32_t NewMovement()
{
    if (Network.MovementCount >= MaxMovims - 1)
        throw CapacityError(Format("más de %d movimientos", MaxMovims - 1));
    int32_t i = ++Network.MovementCount;
    TMovimiento& m = Movims[i];
    m.Key.clear();
    m.A = m.Node = m.C = m.AIndex = m.JunctionIndex = m.CIndex = 0;
    m.EntryLink = m.ExitLink = m.TurnAngle = m.TurnDir = m.StageMask = 0;
    std::fill(std::begin(m.InStage), std::end(m.InStage), 0);
    m.Order = 0;
    m.TurnCode.clear();
    m.FirstLane = m.LastLane = 0;
    m.Mark = 0;
    m.HasPija = 0;
    std::fill(std::begin(m.Var), std::end(m.Var), 0.0f);
    MovimsMaxRec = Network.MovementCount + 1;
    return i;
}

int32_t NewZone()
{
    if (Network.ZoneCount >= MaxZonas)
        throw CapacityError(Format("más de %d zonas", MaxZonas));
    int32_t i = ++Network.ZoneCount;
    Zonas[i] = TZona();
    return i;
}

int32_t NewSignal()
{
    if (Network.SignalCount > MaxFases)
        throw CapacityError(Format("más de %d intersecciones semaforizadas", MaxFases + 1));
    int32_t i = Network.SignalCount++;
    Fases[i] = TFase();
    return i;
}

int32_t NewLine()
{
    if (Network.LineCount >= MaxLineas)
        throw CapacityError(Format("más de %d líneas de transporte público", MaxLineas));
    int32_t i = ++Network.LineCount;
    Lineas[i] = TLinea();
    return i;
}

namespace {

// Characters of the number as "%d" writes it: compared with the powers of ten,
// without a division.
size_t DecimalLength(int32_t value)
{
    static constexpr uint32_t Powers[] = {10u, 100u, 1000u, 10000u, 100000u, 1000000u, 10000000u, 100000000u,
                                          1000000000u};
    const uint32_t u = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    size_t n = value < 0 ? 2 : 1;
    for (const uint32_t power : Powers)
        n += u >= power;
    return n;
}

// Writes the number as "%9d" writes it: right-aligned in 9 columns, longer
// numbers whole, straight into the record (which may still be on its way from
// memory), two digits a step. Keys are made for every link and movement of a
// network.
char* WriteKeyField(char* out, int32_t value)
{
    static constexpr char Pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                    "8081828384858687888990919293949596979899";
    const size_t n = DecimalLength(value);
    for (size_t k = n; k < 9; ++k)
        *out++ = ' ';
    uint32_t u = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char* end = out + n;
    char* p = end;
    while (u >= 100) {
        const uint32_t pair = u % 100;
        u /= 100;
        *--p = Pairs[2 * pair + 1];
        *--p = Pairs[2 * pair];
    }
    if (u >= 10) {
        *--p = Pairs[2 * u + 1];
        *--p = Pairs[2 * u];
    } else {
        *--p = static_cast<char>('0' + u);
    }
    if (value < 0)
        *--p = '-';
    return end;
}

void AppendKeyField(std::string& out, int32_t value)
{
    char field[16];
    out.append(field, static_cast<size_t>(WriteKeyField(field, value) - field));
}

size_t KeyFieldLength(int32_t value) { return std::max<size_t>(9, DecimalLength(value)); }

} // namespace

void SetLinkKey(TShortText<23>& key, int32_t a, int32_t b)
{
    WriteKeyField(WriteKeyField(key.assignInPlace(KeyFieldLength(a) + KeyFieldLength(b)), a), b);
}

std::string LinkKey(int32_t a, int32_t b)
{
    std::string key;
    key.reserve(KeyFieldLength(a) + KeyFieldLength(b));
    AppendKeyField(key, a);
    AppendKeyField(key, b);
    return key;
}

std::string MovementKey(int32_t node, int32_t a, int32_t c)
{
    std::string key;
    key.reserve(27);
    AppendKeyField(key, node);
    AppendKeyField(key, a);
    AppendKeyField(key, c);
    return key;
}

namespace {

// Moves the records of one cycle of a permutation one step along it: record c[i]
// takes the record at c[i + 1], and the last takes the first. A long cycle is
// cut into pieces that threads move at the same time: each piece first puts its
// own first record aside, and its last position takes the record that the next
// piece put aside.
template <class Record>
void RotateCycle(Record* base, const std::vector<int32_t>& c)
{
    const size_t length = c.size();
    // The records lie far apart in memory: the one a few steps ahead is fetched
    // while the current one moves.
    auto prefetch = [base](int32_t i) {
        const char* p = reinterpret_cast<const char*>(base + i);
        for (size_t b = 0; b < sizeof(Record); b += 64)
            __builtin_prefetch(p + b);
    };
    constexpr size_t PerThread = 4096;
    const size_t pieces = std::min<size_t>(size_t(Parallel::Helpers(3)) + 1, length / PerThread);
    if (pieces < 2) {
        Record held = std::move(base[c[0]]);
        for (size_t i = 0; i + 1 < length; ++i) {
            if (i + 3 < length)
                prefetch(c[i + 3]);
            base[c[i]] = std::move(base[c[i + 1]]);
        }
        base[c[length - 1]] = std::move(held);
        return;
    }
    std::vector<size_t> begin(pieces + 1);
    for (size_t j = 0; j <= pieces; ++j)
        begin[j] = length * j / pieces;
    std::vector<Record> held(pieces);
    for (size_t j = 0; j < pieces; ++j)
        held[j] = std::move(base[c[begin[j]]]);
    auto move = [&](size_t j) {
        const size_t first = begin[j], last = begin[j + 1] - 1;
        for (size_t i = first; i < last; ++i) {
            if (i + 3 <= last)
                prefetch(c[i + 3]);
            base[c[i]] = std::move(base[c[i + 1]]);
        }
        base[c[last]] = std::move(held[(j + 1) % pieces]);
    };
    std::vector<std::thread> workers;
    for (size_t j = 1; j < pieces; ++j)
        workers.emplace_back(move, j);
    move(0);
    for (std::thread& w : workers)
        w.join();
}

// Puts (key, record) pairs in the order of their keys as std::stable_sort does,
// by counting them out by key: where the keys lie close together, two passes
// over memory near at hand instead of a sort. False, the pairs as they were,
// where they lie far apart.
template <class Key>
bool CountOutByKey(std::vector<std::pair<Key, int32_t>>& order)
{
    int64_t low = order.front().first, high = low;
    for (const auto& e : order) {
        low = std::min<int64_t>(low, e.first);
        high = std::max<int64_t>(high, e.first);
    }
    if (high - low >= 4 * static_cast<int64_t>(order.size()) + 1024)
        return false;
    std::vector<int32_t> start(static_cast<size_t>(high - low) + 2, 0);
    for (const auto& e : order)
        ++start[static_cast<size_t>(e.first - low) + 1];
    for (size_t v = 1; v < start.size(); ++v)
        start[v] += start[v - 1];
    std::vector<std::pair<Key, int32_t>> counted(order.size());
    for (const auto& e : order)
        counted[static_cast<size_t>(start[static_cast<size_t>(e.first - low)]++)] = e;
    order.swap(counted);
    return true;
}

// Orders records 1..count by a key and moves each record once (records are large,
// so exchanging them pairwise as a quicksort does would dominate the read).
// False when they were in order already: no record moved.
template <class Array, class KeyFn>
bool SortRecords(Array& arr, int32_t count, KeyFn key)
{
    if (count <= 1)
        return false;
    using Record = std::remove_reference_t<decltype(arr[1])>;
    using Key = decltype(key(arr[1]));
    // The keys of a large array are read by a few threads, a chunk of records each
    // (the records lie far beyond the caches; reading them is most of the work
    // when they are in order already).
    std::vector<std::pair<Key, int32_t>> order(static_cast<size_t>(count));
    constexpr int32_t PerChunk = 4096;
    Parallel::ForChunks((count + PerChunk - 1) / PerChunk, 3, [&arr, &order, &key, count](int c) {
        for (int32_t i = c * PerChunk + 1; i <= std::min(count, (c + 1) * PerChunk); ++i)
            order[static_cast<size_t>(i - 1)] = {key(arr[i]), i};
    });
    if (std::is_sorted(order.begin(), order.end(),
                       [](const auto& x, const auto& y) { return x.first < y.first; }))
        return false;
    bool counted = false;
    if constexpr (std::is_integral_v<Key>)
        counted = CountOutByKey(order);
    if (!counted)
        std::stable_sort(order.begin(), order.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    // Apply the permutation in place, cycle by cycle: each record moves once and
    // no second copy of the array is needed.
    std::vector<int32_t> source(static_cast<size_t>(count) + 1);
    for (int32_t i = 1; i <= count; ++i)
        source[static_cast<size_t>(i)] = order[static_cast<size_t>(i - 1)].second;
    Record* base = arr.data(); // records 0..count, contiguous
    std::vector<uint8_t> seen(static_cast<size_t>(count) + 1, 0);
    std::vector<int32_t> cycle;
    for (int32_t start = 1; start <= count; ++start) {
        if (seen[static_cast<size_t>(start)] || source[static_cast<size_t>(start)] == start)
            continue;
        cycle.clear();
        for (int32_t at = start; !seen[static_cast<size_t>(at)]; at = source[static_cast<size_t>(at)]) {
            seen[static_cast<size_t>(at)] = 1;
            cycle.push_back(at);
        }
        RotateCycle(base, cycle);
    }
    return true;
}

} // namespace

// Keys are compared as numbers: for the node numbers of ordinary networks this is
// the order of the fixed-width text keys, and it stays right for 10-digit numbers.
void SortNodes()
{
    // The node-key list must follow the records. Made as the nodes were, one entry
    // per record, it already does when none moved.
    if (!SortRecords(Nodos, Network.NodeCount, [](const TNodo& n) { return n.Number; }))
        return;
    NodeKeyList.clear();
    for (int32_t i = 1; i <= Network.NodeCount; ++i)
        NodeKeyList[Nodos[i].Number] = i;
}

void SortLinks()
{
    SortRecords(Arcos, Network.LinkCount, [](const TArcos& a) { return std::pair<int32_t, int32_t>(a.A, a.B); });
}

void SortMovements()
{
    SortRecords(Movims, Network.MovementCount,
                [](const TMovimiento& m) { return std::tuple<int32_t, int32_t, int32_t>(m.Node, m.A, m.C); });
}

} // namespace PalvonRead
