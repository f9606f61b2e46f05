// Least-cost paths: Dijkstra's search from one origin over the forward star, the
// path table it fills, and the node nearest to a map point.
//
// The queue orders nodes by their label as printed with five decimals, then by
// node index; a label changes only on a strictly smaller cost. Those two rules
// decide which of several equal-cost routes is kept, so paths stay the same as
// the ones users and stored line routes already rely on. The queue itself is a
// binary heap with decrease-key, which keeps that order for any node index.
#include "model/KDVlibPaths.h"

#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

namespace KDVlib {

int32_t CostVar = 7;
std::array<std::vector<int32_t>, NumPathTables + 1> PathTables = [] {
    std::array<std::vector<int32_t>, NumPathTables + 1> t;
    for (auto& slot : t)
        slot.assign(PathTableEntries + 1, 0);
    return t;
}();
std::vector<std::vector<int32_t>> ExtraPathTables;
std::vector<std::string> PairsList;
int32_t PathFrom = 0;
int32_t PathTo = 0;

const std::vector<int32_t>& PathTable(int32_t slot)
{
    static const std::vector<int32_t> none(1, 0);
    if (slot >= 1 && slot <= NumPathTables)
        return PathTables[static_cast<size_t>(slot)];
    if (slot > NumPathTables && static_cast<size_t>(slot - NumPathTables) <= ExtraPathTables.size()) {
        const auto& t = ExtraPathTables[static_cast<size_t>(slot - NumPathTables - 1)];
        return t.empty() ? none : t;
    }
    return none;
}

namespace {

constexpr float NoLabel = 1.0e10f;

// A label as the integer count of 1e-5 units it prints to with five decimals
// (halves away from zero), computed exactly from the float's bits.
int64_t LabelKey(float label)
{
    if (!std::isfinite(label))
        return label < 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    bool negative = label < 0.0f;
    int e = 0;
    float m = std::frexp(std::fabs(label), &e); // |label| = m * 2^e, m in [0.5, 1)
    auto mant = static_cast<int64_t>(std::ldexp(m, 24)); // exact: floats carry 24 bits
    int shift = e - 24;                                    // |label| = mant * 2^shift
    int64_t scaled = mant * 100000;                        // below 2^41
    int64_t key;
    if (shift >= 0) {
        key = shift >= 22 ? std::numeric_limits<int64_t>::max() : scaled << shift;
    } else if (-shift >= 62) {
        key = 0;
    } else {
        int s = -shift;
        int64_t q = scaled >> s;
        int64_t rest = scaled - (q << s);
        if (rest >= (int64_t(1) << (s - 1)))
            ++q;
        key = q;
    }
    return negative ? -key : key;
}

// The network's links as the search reads them, with a forward star that is
// FirstArc when the reader built one for the current nodes and links.
struct Graph {
    int32_t nodes = 0;
    std::vector<int32_t> first; // 1..nodes+1
    std::vector<int32_t> head;  // B node index per link slot, 0 = unusable link
    std::vector<float> cost;
};

bool ForwardStarUsable(int32_t nodes, int32_t links)
{
    if (FirstArc.size() < static_cast<size_t>(nodes) + 2)
        return false;
    if (FirstArc[1] < 1)
        return false;
    for (int32_t i = 1; i <= nodes; ++i)
        if (FirstArc[static_cast<size_t>(i) + 1] < FirstArc[static_cast<size_t>(i)])
            return false;
    return FirstArc[static_cast<size_t>(nodes) + 1] <= links + 1;
}

bool BuildGraph(Graph& g)
{
    if (CostVar < 1 || CostVar > NumLinkVars)
        return false;
    g.nodes = Network.NodeCount;
    const int32_t links = Network.LinkCount;
    g.first.assign(static_cast<size_t>(g.nodes) + 2, 1);
    g.head.assign(static_cast<size_t>(links) + 1, 0);
    g.cost.assign(static_cast<size_t>(links) + 1, 0.0f);
    if (ForwardStarUsable(g.nodes, links)) {
        for (int32_t i = 1; i <= g.nodes + 1; ++i)
            g.first[static_cast<size_t>(i)] = FirstArc[static_cast<size_t>(i)];
        for (int32_t a = 1; a <= links; ++a) {
            const TArcos& arc = Arcos[a];
            if (arc.BIndex >= 1 && arc.BIndex <= g.nodes)
                g.head[static_cast<size_t>(a)] = arc.BIndex;
            g.cost[static_cast<size_t>(a)] = arc.Var[CostVar];
        }
        return true;
    }
    // No forward star for this model (not built yet): group the links by their A
    // node, keeping link order within each node.
    std::vector<int32_t> count(static_cast<size_t>(g.nodes) + 2, 0);
    for (int32_t a = 1; a <= links; ++a) {
        int32_t from = Arcos[a].AIndex;
        if (from >= 1 && from <= g.nodes)
            ++count[static_cast<size_t>(from)];
    }
    g.first[1] = 1;
    for (int32_t i = 1; i <= g.nodes; ++i)
        g.first[static_cast<size_t>(i) + 1] = g.first[static_cast<size_t>(i)] + count[static_cast<size_t>(i)];
    std::vector<int32_t> next(g.first.begin(), g.first.end());
    for (int32_t a = 1; a <= links; ++a) {
        const TArcos& arc = Arcos[a];
        if (arc.AIndex < 1 || arc.AIndex > g.nodes)
            continue;
        auto slot = static_cast<size_t>(next[static_cast<size_t>(arc.AIndex)]++);
        if (arc.BIndex >= 1 && arc.BIndex <= g.nodes)
            g.head[slot] = arc.BIndex;
        g.cost[slot] = arc.Var[CostVar];
    }
    return true;
}

// State of one search from one origin.
class PathSearch {
public:
    explicit PathSearch(const Graph& g)
        : g_(g),
          label_(static_cast<size_t>(g.nodes) + 1),
          pred_(static_cast<size_t>(g.nodes) + 1),
          settled_(static_cast<size_t>(g.nodes) + 1),
          key_(static_cast<size_t>(g.nodes) + 1),
          pos_(static_cast<size_t>(g.nodes) + 1)
    {
        heap_.reserve(static_cast<size_t>(g.nodes));
    }

    // stopAt > 0 ends the search once that node is settled: its path is final
    // then (labels only change on a strictly smaller cost), so it is the same path
    // the full search gives.
    void Dijkstra(int32_t origin, int32_t stopAt = 0)
    {
        Start(origin);
        Run(stopAt);
    }

    void Start(int32_t origin)
    {
        std::fill(label_.begin(), label_.end(), NoLabel);
        std::fill(pred_.begin(), pred_.end(), -1);
        std::fill(settled_.begin(), settled_.end(), 0);
        std::fill(pos_.begin(), pos_.end(), -1);
        heap_.clear();
        label_[static_cast<size_t>(origin)] = 0.0f;
        pred_[static_cast<size_t>(origin)] = 0;
        QueuePush(origin, 0.0f);
    }

    // Settles nodes until stopAt is settled (0: all). A search stopped at one node
    // goes on from where it stopped: the same labels as one search without a stop.
    void Run(int32_t stopAt)
    {
        int32_t u = 0;
        while (QueuePop(u)) {
            settled_[static_cast<size_t>(u)] = 1;
            const float lu = label_[static_cast<size_t>(u)];
            const int32_t end = g_.first[static_cast<size_t>(u) + 1];
            for (int32_t a = g_.first[static_cast<size_t>(u)]; a < end; ++a) {
                const int32_t v = g_.head[static_cast<size_t>(a)];
                if (v == 0 || settled_[static_cast<size_t>(v)])
                    continue;
                const float c = lu + g_.cost[static_cast<size_t>(a)];
                if (!(c < label_[static_cast<size_t>(v)]))
                    continue; // an equal cost keeps the earlier predecessor
                if (pos_[static_cast<size_t>(v)] >= 0)
                    QueueUpdate(v, c);
                else
                    QueuePush(v, c);
                label_[static_cast<size_t>(v)] = c;
                pred_[static_cast<size_t>(v)] = u;
            }
            // The stop comes after the node's links are followed, so that a later
            // Run goes on with a queue as the search without a stop has it.
            if (u == stopAt)
                break;
        }
    }

    // Writes the path origin -> destination as node numbers (count 0 when none).
    void BuildPath(int32_t origin, int32_t destination, std::vector<int32_t>& slot) const
    {
        int32_t n = 0;
        if (origin != destination && pred_[static_cast<size_t>(destination)] != -1) {
            // Count first so the slot is only sized (and written) once.
            int32_t v = destination;
            n = 1;
            while (pred_[static_cast<size_t>(v)] > 0 && n <= g_.nodes) {
                v = pred_[static_cast<size_t>(v)];
                ++n;
            }
            if (static_cast<int32_t>(slot.size()) < n + 1)
                slot.resize(static_cast<size_t>(n) + 1, 0);
            v = destination;
            for (int32_t k = n; k >= 1; --k) {
                slot[static_cast<size_t>(k)] = Nodos[v].Number;
                v = pred_[static_cast<size_t>(v)];
            }
        }
        if (slot.empty())
            slot.resize(1);
        slot[0] = n;
    }

    bool Settled(int32_t node) const { return settled_[static_cast<size_t>(node)] != 0; }

private:
    bool Before(int32_t a, int32_t b) const
    {
        int64_t ka = key_[static_cast<size_t>(a)], kb = key_[static_cast<size_t>(b)];
        return ka < kb || (ka == kb && a < b);
    }

    void Place(size_t i, int32_t node)
    {
        heap_[i] = node;
        pos_[static_cast<size_t>(node)] = static_cast<int32_t>(i);
    }

    void SiftUp(size_t i)
    {
        int32_t node = heap_[i];
        while (i > 0) {
            size_t parent = (i - 1) / 2;
            if (!Before(node, heap_[parent]))
                break;
            Place(i, heap_[parent]);
            i = parent;
        }
        Place(i, node);
    }

    void SiftDown(size_t i)
    {
        int32_t node = heap_[i];
        const size_t n = heap_.size();
        for (;;) {
            size_t child = 2 * i + 1;
            if (child >= n)
                break;
            if (child + 1 < n && Before(heap_[child + 1], heap_[child]))
                ++child;
            if (!Before(heap_[child], node))
                break;
            Place(i, heap_[child]);
            i = child;
        }
        Place(i, node);
    }

    void QueuePush(int32_t node, float label)
    {
        key_[static_cast<size_t>(node)] = LabelKey(label);
        heap_.push_back(node);
        SiftUp(heap_.size() - 1);
    }

    bool QueuePop(int32_t& node)
    {
        if (heap_.empty())
            return false;
        node = heap_[0];
        pos_[static_cast<size_t>(node)] = -1;
        int32_t last = heap_.back();
        heap_.pop_back();
        if (!heap_.empty()) {
            Place(0, last);
            SiftDown(0);
        }
        return true;
    }

    // A strictly smaller label never prints to a larger key, so the entry only moves up.
    void QueueUpdate(int32_t node, float label)
    {
        key_[static_cast<size_t>(node)] = LabelKey(label);
        SiftUp(static_cast<size_t>(pos_[static_cast<size_t>(node)]));
    }

    const Graph& g_;
    std::vector<float> label_;
    std::vector<int32_t> pred_;
    std::vector<uint8_t> settled_;
    std::vector<int64_t> key_;
    std::vector<int32_t> pos_; // heap position, -1 = not queued
    std::vector<int32_t> heap_;
};

bool ValidNode(int32_t i) { return i >= 1 && i <= Network.NodeCount; }

std::vector<int32_t>& WritableSlot(int32_t slot)
{
    if (slot <= NumPathTables)
        return PathTables[static_cast<size_t>(slot)];
    auto extra = static_cast<size_t>(slot - NumPathTables);
    if (ExtraPathTables.size() < extra)
        ExtraPathTables.resize(extra);
    auto& t = ExtraPathTables[extra - 1];
    t.clear(); // sized to the new path by BuildPath
    return t;
}

void OnePath(const Graph* g, PathSearch* search, int32_t origin, int32_t destination, int32_t slot)
{
    std::vector<int32_t>& table = WritableSlot(slot);
    if (!g || !search || !ValidNode(origin) || !ValidNode(destination) || origin == destination) {
        if (table.empty())
            table.resize(1);
        table[0] = 0;
        return;
    }
    search->Dijkstra(origin);
    search->BuildPath(origin, destination, table);
}

} // namespace

void RutaMinima(int32_t origin, int32_t destination, int32_t mode)
{
    Graph graph;
    bool usable = Network.NodeCount > 0 && BuildGraph(graph);
    std::optional<PathSearch> search;
    if (usable)
        search.emplace(graph);
    const Graph* g = usable ? &graph : nullptr;
    PathSearch* s = usable ? &*search : nullptr;

    if (mode == 0) {
        OnePath(g, s, origin, destination, 1);
        return;
    }
    for (size_t i = 0; i < PairsList.size(); ++i) {
        std::vector<std::string> fields = ZelUtils::SplitString(ZelUtils::Trim(PairsList[i]), ',');
        if (fields.size() < 2)
            continue; // a line without two fields names no pair
        PathFrom = ZelUtils::ParseNumber(fields[0]).asInt();
        PathTo = ZelUtils::ParseNumber(fields[1]).asInt();
        int32_t from = FindNodo(PathFrom);
        int32_t to = FindNodo(PathTo);
        if (from > 0 && to > 0)
            OnePath(g, s, from, to, static_cast<int32_t>(i) + 1);
    }
}

struct PathSession::Impl {
    Graph graph;
    std::optional<PathSearch> search;
    int32_t lastOrigin = 0;
};

PathSession::PathSession() : impl_(std::make_unique<Impl>())
{
    if (Network.NodeCount > 0 && BuildGraph(impl_->graph))
        impl_->search.emplace(impl_->graph);
}

PathSession::~PathSession() = default;

void PathSession::Path(int32_t origin, int32_t destination, std::vector<int32_t>& table)
{
    table.clear();
    PathSearch* s = impl_->search ? &*impl_->search : nullptr;
    if (!s || !ValidNode(origin) || !ValidNode(destination) || origin == destination) {
        table.assign(1, 0);
        return;
    }
    // A later destination of the same origin needs no new search: the last one
    // settled it already or goes on until it does.
    if (origin != impl_->lastOrigin) {
        s->Start(origin);
        impl_->lastOrigin = origin;
    }
    if (!s->Settled(destination))
        s->Run(destination);
    s->BuildPath(origin, destination, table);
}

int32_t NearestNode(double x, double y)
{
    const auto px = static_cast<float>(x), py = static_cast<float>(y);
    float best = UnsetHigh;
    int32_t result = 0;
    for (int32_t k = 1; k <= Network.NodeCount; ++k) {
        const TNodo& n = Nodos[k];
        double dx = double(n.X) - double(px), dy = double(n.Y) - double(py);
        auto d = static_cast<float>(std::sqrt(dx * dx + dy * dy));
        if (d < best) {
            best = d;
            result = k;
        }
    }
    return result;
}

} // namespace KDVlib
