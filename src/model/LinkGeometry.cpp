// Lane bands of the links and data extremes.
#include "model/LinkGeometry.h"

#include "model/PalvonRead.h"
#include "model/ParallelChunks.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <sys/mman.h>

bool LanesReady = false;

using ZelUtils::Format;

namespace PalvonRead {

namespace {

// Two segments whose unit directions have a cross product below this are taken
// as parallel: their offset lines do not meet at a usable point.
constexpr double ParallelLimit = 1.0e-9;
// Each end of a straight link is pulled in by at most this share of its length.
constexpr float MaxPullIn = 0.45f;

// The lanes the band of link k spans (its lanes and its flares), from the
// columns of the links' lane data.
int32_t LaneCountAt(const float* lanes, const float* flareEnd, const float* flareStart, int32_t k)
{
    int32_t n, end, start;
    std::memcpy(&n, lanes + k, sizeof n);
    std::memcpy(&end, flareEnd + k, sizeof end);
    std::memcpy(&start, flareStart + k, sizeof start);
    return (uint8_t(end) ? 1 : 0) + std::abs(n) + (uint8_t(start) ? 1 : 0);
}

// One offset line of a segment: a point on it and the segment's unit direction.
struct OffsetLine {
    TPoint p;
    double ux = 0.0;
    double uy = 0.0;
};

// The point at offset d to the right of direction (ux, uy) from p.
TPoint Offset(const TPoint& p, double ux, double uy, float d)
{
    return {p.x + double(d) * uy, p.y - double(d) * ux};
}

OffsetLine LineAt(const TPoint& p, double ux, double uy, float d)
{
    return {Offset(p, ux, uy, d), ux, uy};
}

// Corner of two consecutive offset lines. Parallel lines (collinear segments, or a
// segment that doubles back) have no finite intersection: the corner is then the
// middle of the two offset points of the shared vertex.
TPoint Corner(const OffsetLine& prev, const OffsetLine& next, const TPoint& vertex, float d)
{
    double cross = prev.ux * next.uy - prev.uy * next.ux;
    if (std::fabs(cross) >= ParallelLimit) {
        double wx = next.p.x - prev.p.x;
        double wy = next.p.y - prev.p.y;
        double s = (wx * next.uy - wy * next.ux) / cross;
        TPoint c{prev.p.x + s * prev.ux, prev.p.y + s * prev.uy};
        if (std::isfinite(c.x) && std::isfinite(c.y))
            return c;
    }
    TPoint a = Offset(vertex, prev.ux, prev.uy, d);
    TPoint b = Offset(vertex, next.ux, next.uy, d);
    return {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
}

float Distance(const TPoint& a, const TPoint& b)
{
    return static_cast<float>(std::hypot(a.x - b.x, a.y - b.y));
}

// Lane edges of a straight link (points p0, p1); false when it has no length.
bool StraightBand(TArcos& a, float d1, float d2, float laneOffset)
{
    const TPoint& p0 = std::as_const(a.Points)[1];
    const TPoint& p1 = std::as_const(a.Points)[2];
    float L = Distance(p0, p1);
    if (!(L > 0.0f))
        return false;
    float t = laneOffset * Network.LengthScale / L;
    if (t > MaxPullIn)
        t = MaxPullIn;
    TPoint S{p0.x * (1.0 - t) + p1.x * t, p0.y * (1.0 - t) + p1.y * t};
    TPoint E{p1.x * (1.0 - t) + p0.x * t, p1.y * (1.0 - t) + p0.y * t};
    double ux = (p1.x - p0.x) / L;
    double uy = (p1.y - p0.y) / L;
    a.LaneEdgeNear[0] = Offset(S, ux, uy, d1);
    a.LaneEdgeNear[1] = Offset(E, ux, uy, d1);
    a.LaneEdgeFar[0] = Offset(S, ux, uy, d2);
    a.LaneEdgeFar[1] = Offset(E, ux, uy, d2);
    a.LaneEdgeCount = 2;
    return true;
}

// Lane edges of a link with shape points (n points, n >= 3); false when every
// segment has zero length. Zero-length segments are passed over: the first and
// last segments of nonzero length give the pulled-in ends, and a corner that a
// skipped segment leaves unset repeats the corner before it.
bool ShapedBand(TArcos& a, int32_t n, float d1, float d2, float laneOffset)
{
    const std::span<const TPoint> p = a.Points.Run(size_t(n)); // p[0] at node A .. p[n-1] at node B
    float len[MaxShapePoints] = {};
    int first = -1, last = -1;
    for (int k = 0; k <= n - 2; ++k) {
        len[k] = Distance(p[k], p[k + 1]);
        if (len[k] > 0.0f) {
            if (first < 0)
                first = k;
            last = k;
        }
    }
    if (first < 0)
        return false;

    bool written[MaxShapePoints] = {};
    auto dirOf = [&](int k, double& ux, double& uy) {
        ux = (p[k + 1].x - p[k].x) / len[k];
        uy = (p[k + 1].y - p[k].y) / len[k];
    };

    double ux, uy;
    dirOf(first, ux, uy);
    TPoint S{p[0].x + ux * laneOffset, p[0].y + uy * laneOffset};
    a.LaneEdgeNear[0] = Offset(S, ux, uy, d1);
    a.LaneEdgeFar[0] = Offset(S, ux, uy, d2);
    written[0] = true;
    OffsetLine prevNear = LineAt(p[first], ux, uy, d1);
    OffsetLine prevFar = LineAt(p[first], ux, uy, d2);

    for (int k = first + 1; k <= n - 2; ++k) {
        if (!(len[k] > 0.0f))
            continue;
        double vx, vy;
        dirOf(k, vx, vy);
        OffsetLine nextNear = LineAt(p[k], vx, vy, d1);
        OffsetLine nextFar = LineAt(p[k], vx, vy, d2);
        a.LaneEdgeNear[k] = Corner(prevNear, nextNear, p[k], d1);
        a.LaneEdgeFar[k] = Corner(prevFar, nextFar, p[k], d2);
        written[k] = true;
        prevNear = nextNear;
        prevFar = nextFar;
    }

    dirOf(last, ux, uy);
    TPoint E{p[n - 1].x - ux * laneOffset, p[n - 1].y - uy * laneOffset};
    a.LaneEdgeNear[n - 1] = Offset(E, ux, uy, d1);
    a.LaneEdgeFar[n - 1] = Offset(E, ux, uy, d2);
    written[n - 1] = true;

    for (int k = 1; k < n - 1; ++k) {
        if (!written[k]) {
            a.LaneEdgeNear[k] = a.LaneEdgeNear[k - 1];
            a.LaneEdgeFar[k] = a.LaneEdgeFar[k - 1];
        }
    }
    a.LaneEdgeCount = n;
    return true;
}

// Single-precision Min/Max as the extremes use them: a NaN value never replaces
// the running extreme.
inline float MinOf(float value, float current) { return value < current ? value : current; }
inline float MaxOf(float value, float current) { return value > current ? value : current; }

// The lane edges of links first..last, from the lane counts of every link and the
// marks of the nodes with a position; the numbers of those of no length are
// appended to `zeroLength`, in link order. Reads other records not at all and
// writes only links first..last: ranges may run on different threads at once.
void LinkBands(const std::vector<uint8_t>& placed, const std::vector<int32_t>& laneCounts, int32_t first,
               int32_t last, const TLaneWidth& widths, std::string& zeroLength)
{
    const float w = widths.AnchoPista * Network.LengthScale;
    const int32_t links = Network.LinkCount, nodes = Network.NodeCount;
    for (int32_t k = first; k <= last; ++k) {
        // The records and the lane edges they point to lie beyond the caches on a
        // large network: those a few links ahead are fetched meanwhile (the fields
        // read here lie in a record's first two lines, the points of a straight
        // link included, and in the line of its lane edges).
        if (k + 12 <= last) {
            const TArcos& ahead = Arcos[k + 12];
            __builtin_prefetch(&ahead, 1);
            __builtin_prefetch(&ahead.Points, 1);
            __builtin_prefetch(&ahead.LaneEdgeNear, 1);
        }
        if (k + 6 <= last) {
            const TArcos& ahead = Arcos[k + 6];
            ahead.LaneEdgeNear.Prefetch();
            ahead.LaneEdgeFar.Prefetch();
        }
        TArcos& a = Arcos[k];
        if (a.AIndex < 1 || a.BIndex < 1 || a.AIndex > nodes || a.BIndex > nodes)
            continue;
        if (!placed[size_t(a.AIndex)] || !placed[size_t(a.BIndex)])
            continue;
        int32_t n = std::min(a.PointCount, MaxShapePoints);
        if (n < 2) {
            a.LaneEdgeCount = 0; // no point list to offset
            continue;
        }

        int32_t lanes = laneCounts[size_t(k)];
        float d1, d2;
        int32_t rev = a.ReverseIndex;
        if (a.NoReverse == 0 && rev >= 1 && rev <= links) {
            int32_t opp = laneCounts[size_t(rev)];
            d1 = 0.5f * float(opp - lanes) * w;
            d2 = 0.5f * float(opp + lanes) * w;
        } else {
            // Without an opposite link the band is centred on the centre line.
            d1 = -0.5f * float(lanes) * w;
            d2 = 0.5f * float(lanes) * w;
        }

        bool ok = (n == 2) ? StraightBand(a, d1, d2, widths.LaneOffset) : ShapedBand(a, n, d1, d2, widths.LaneOffset);
        if (!ok) {
            a.LaneEdgeCount = 0;
            zeroLength += "\r" + Format("%10d%10d", a.A, a.B);
        }
    }
}

} // namespace

void ComputeLinkGeometry(const TLaneWidth& widths)
{
    const int32_t links = Network.LinkCount, nodes = Network.NodeCount;
    // What a link reads of other records (its nodes, its opposite link) gathered
    // first in two short lists: the nodes' marks in one pass over the nodes in
    // memory order, the links' lane counts from the dense columns of their lane
    // data. The pass over the links then reads those instead of records scattered
    // over the arrays.
    std::vector<uint8_t> placed(size_t(std::max(nodes, 0)) + 1, 0);
    for (int32_t i = 1; i <= nodes; ++i) {
        PrefetchRecord(Nodos, i + 16, 1); // the mark lies in a node's first line
        placed[size_t(i)] = Nodos[i].HasXY != 0;
    }
    // The pass over the links waits on memory once the records outgrow the
    // caches: a large network's links are taken in chunks by a few threads, so
    // that its cost per link stays near that of a small one (a network of one or
    // two chunks stays on this thread: starting a thread would cost it more than
    // it saves). The threads only read and write records made here first; the
    // links of no length are listed in link order afterwards.
    (void)Arcos[std::max(links, 0)];
    constexpr int32_t PerChunk = 2048;
    const int chunks = int((std::max(links, 0) + PerChunk - 1) / PerChunk);
    auto firstOf = [](int c) { return c * PerChunk + 1; };
    auto lastOf = [links](int c) { return std::min(links, (c + 1) * PerChunk); };
    std::vector<int32_t> laneCounts(size_t(std::max(links, 0)) + 1, 0);
    {
        const float* lanes = Arcos.Column(TArcos::LanesColumn);
        const float* flareEnd = Arcos.Column(TArcos::FlareEndColumn);
        const float* flareStart = Arcos.Column(TArcos::FlareStartColumn);
        for (int32_t k = 1; k <= links; ++k)
            laneCounts[size_t(k)] = LaneCountAt(lanes, flareEnd, flareStart, k);
    }
    std::vector<std::string> zeroLengths(size_t(std::max(chunks, 0)));
    Parallel::ForChunks(chunks, chunks > 2 ? 3 : 0,
                        [&](int c) { LinkBands(placed, laneCounts, firstOf(c), lastOf(c), widths, zeroLengths[size_t(c)]); });
    std::string zeroLength;
    for (const std::string& part : zeroLengths)
        zeroLength += part;
    if (!zeroLength.empty())
        Services().ShowMessageWindow("Arcos de longitud nula:" + zeroLength + "\r\rEsto podría producir\r" +
                                     "distorciones en el dibujo");
    LanesReady = false;
}

namespace {

// Minima and maxima of variables first..last (of 1..vars) over records from..to,
// into lo and hi (seeded by the caller), in one pass over the records: the running
// extremes stay in local arrays (in registers and the first cache lines) instead
// of in the records, so that the pass reads each record's values once, in memory
// order, and the compiler may take several variables a step. The comparisons are
// those of MinOf and MaxOf, value against running extreme.
template <int Vars, class Records>
void RangeExtremes(Records& records, int32_t from, int32_t to, int first, int last, float* lo, float* hi)
{
    for (int32_t k = from; k <= to; ++k) {
        const float* var = records[k].Var;
        for (int v = first; v <= last; ++v) {
            lo[v] = MinOf(var[v], lo[v]);
            hi[v] = MaxOf(var[v], hi[v]);
        }
    }
}

// Minima and maxima of variables first..last (of 1..vars) over records 1..count,
// stored in the records 0 (minima) and maxRec (maxima). A large network's records
// are taken in chunks by a few threads, each chunk from the seeds; the chunks'
// extremes are then taken in record order with the same comparisons. MinOf keeps
// the first of equal values (and passes NaN over), so the extremes of the chunks,
// in order, give the value of the single pass bit for bit (a chunk without values
// gives the seed, which changes nothing).
template <int Vars, class Records>
void StoreExtremes(Records& records, int32_t count, int32_t maxRec, int first, int last)
{
    first = std::max(first, 1);
    last = std::min(last, Vars);
    if (first > last)
        return;
    constexpr int32_t PerChunk = 2048;
    const int32_t chunks = std::max<int32_t>((count + PerChunk - 1) / PerChunk, 1);
    std::vector<std::array<float, Vars + 1>> lo(static_cast<size_t>(chunks)), hi(static_cast<size_t>(chunks));
    for (int32_t c = 0; c < chunks; ++c)
        for (int v = first; v <= last; ++v) {
            lo[static_cast<size_t>(c)][static_cast<size_t>(v)] = UnsetHigh;
            hi[static_cast<size_t>(c)][static_cast<size_t>(v)] = UnsetLow;
        }
    // The threads only read records: any not yet made is made here first.
    (void)records[std::max(count, 0)];
    Parallel::ForChunks(chunks, 3, [&](int c) {
        const int32_t from = c * PerChunk + 1, to = std::min(count, (c + 1) * PerChunk);
        RangeExtremes<Vars>(records, from, to, first, last, lo[static_cast<size_t>(c)].data(),
                            hi[static_cast<size_t>(c)].data());
    });
    auto& low = records[0];
    auto& high = records[maxRec];
    for (int v = first; v <= last; ++v) {
        float l = lo[0][static_cast<size_t>(v)], h = hi[0][static_cast<size_t>(v)];
        for (int32_t c = 1; c < chunks; ++c) {
            l = MinOf(lo[static_cast<size_t>(c)][static_cast<size_t>(v)], l);
            h = MaxOf(hi[static_cast<size_t>(c)][static_cast<size_t>(v)], h);
        }
        low.Var[v] = l;
        high.Var[v] = h;
    }
}

// The column sweep compares four values a step (one processor vector) in four
// independent running extremes, so that it never waits on the last comparison.
using Quad = float __attribute__((vector_size(4 * sizeof(float))));
constexpr int Quads = 4;

// The extremes of values[1..count] as MinOf and MaxOf give them taking the values
// in order from the seeds. Each lane keeps the running extremes of every 16th
// value with the same comparisons, and the lanes are then taken in turn: the
// smallest (largest) of all is the same number. Only a zero can be told apart
// from an equal value (its sign): in order, the first zero met is kept, so that
// zero is looked up again.
void ColumnExtremes(const float* values, int32_t count, float& low, float& high)
{
    Quad lo[Quads], hi[Quads];
    for (int q = 0; q < Quads; ++q) {
        lo[q] = Quad{} + UnsetHigh;
        hi[q] = Quad{} + UnsetLow;
    }
    int32_t k = 1;
    for (; k + 4 * Quads - 1 <= count; k += 4 * Quads)
        for (int q = 0; q < Quads; ++q) {
            Quad x;
            std::memcpy(&x, values + k + 4 * q, sizeof x);
            lo[q] = x < lo[q] ? x : lo[q];
            hi[q] = x > hi[q] ? x : hi[q];
        }
    float l = UnsetHigh, h = UnsetLow;
    for (int q = 0; q < Quads; ++q)
        for (int j = 0; j < 4; ++j) {
            l = MinOf(lo[q][j], l);
            h = MaxOf(hi[q][j], h);
        }
    for (; k <= count; ++k) {
        l = MinOf(values[k], l);
        h = MaxOf(values[k], h);
    }
    auto firstZero = [&] {
        for (int32_t i = 1; i <= count; ++i)
            if (values[i] == 0.0f)
                return values[i];
        return 0.0f;
    };
    if (l == 0.0f || h == 0.0f) {
        const float zero = firstZero();
        l = l == 0.0f ? zero : l;
        h = h == 0.0f ? zero : h;
    }
    low = l;
    high = h;
}

} // namespace

void ComputeLinkVarExtremes(int first, int last)
{
    // Each variable is a dense column of the records: one sweep over it each.
    const int32_t count = Network.LinkCount;
    Arcos[std::max({count, ArcosMaxRec, 0})]; // makes (and binds) every record swept and written
    first = std::max(first, 1);
    last = std::min(last, NumLinkVars);
    // The rows of the extremes are written first: a page of a column never written
    // that is read and then written is copied, and every processor running the
    // program is told to forget the old one; written first, it is made once.
    for (int v = first; v <= last; ++v) {
        float* column = Arcos.Column(v);
        column[0] = 0.0f;
        if (ArcosMaxRec > count)
            column[ArcosMaxRec] = 0.0f;
    }
    // A large network's columns are mostly pages never written, which read as
    // zeros: mapped in one request per column, not page by page as the sweep
    // reaches them (a fault each). Nothing happens where the system does not
    // know the request.
    constexpr int32_t LargeNetwork = 4096; // links
    auto sweep = [count](int v) {
        float* column = Arcos.Column(v);
        if (count >= LargeNetwork) {
            const uintptr_t page = 4096;
            const uintptr_t from = (reinterpret_cast<uintptr_t>(column + 1) + page - 1) & ~(page - 1);
            const uintptr_t to = reinterpret_cast<uintptr_t>(column + count + 1) & ~(page - 1);
            if (to > from)
                madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_READ);
        }
        float low, high;
        ColumnExtremes(column, count, low, high);
        column[0] = low;
        column[ArcosMaxRec] = high;
    };
    // A large network's columns are swept by a few threads, each column by one:
    // most of a first sweep is the mapping of columns never written.
    if (count < LargeNetwork || last - first < 8) {
        for (int v = first; v <= last; ++v)
            sweep(v);
        return;
    }
    constexpr int PerChunk = 8; // columns
    Parallel::ForChunks((last - first + PerChunk) / PerChunk, 3, [&](int c) {
        for (int v = first + c * PerChunk; v <= std::min(last, first + (c + 1) * PerChunk - 1); ++v)
            sweep(v);
    });
}

void ComputeMovementVarExtremes(int first, int last)
{
    if (Network.MovementCount > 0)
        StoreExtremes<NumMovVars>(Movims, Network.MovementCount, MovimsMaxRec, first, last);
}

void ComputeLinkDataExtremes()
{
    ComputeLinkVarExtremes(1, NumLinkVars);
    ComputeMovementVarExtremes(1, NumMovVars);
}

} // namespace PalvonRead
