// The hit grid and the tiles of the view.
#include "model/HitGrid.h"

#include "model/ParallelChunks.h"
#include "model/ViewerServices.h"

#include <algorithm>
#include <cmath>
#include <vector>

TSpatialTile HitGrid[MaxHitGridIndex + 1][MaxHitGridIndex + 1];
int32_t HitGridN = 0;
int32_t HitGridRangeX[2] = {0, 0};
int32_t HitGridRangeY[2] = {0, 0};
int32_t LinkOrder[MaxArcos + 1] = {};
bool LinkOrderSet = false;

namespace KDVlib {

namespace {

struct Extent {
    float minX, maxX, minY, maxY;
    float dx, dy;
    int32_t n;
};

Extent CurrentExtent()
{
    Extent e{Network.MinX, Network.MaxX, Network.MinY, Network.MaxY, 0.0f, 0.0f, HitGridN};
    e.dx = (e.maxX - e.minX) / float(e.n + 1);
    e.dy = (e.maxY - e.minY) / float(e.n + 1);
    return e;
}

bool Inside(const Extent& e, double x, double y)
{
    return e.minX <= x && x <= e.maxX && e.minY <= y && y <= e.maxY;
}

// Tile index of an inside coordinate. A flat extent (all points on one line)
// has tiles of no size: everything then falls in tile 0.
int32_t TileIndex(double v, float lo, float size, int32_t n)
{
    if (!(size > 0.0f))
        return 0;
    double q = (v - double(lo)) / double(size);
    if (!(q >= 0.0))
        return 0;
    if (q >= double(n))
        return n;
    return static_cast<int32_t>(q); // truncation
}

TSpatialTile& TileOf(const Extent& e, double x, double y)
{
    return HitGrid[TileIndex(x, e.minX, e.dx, e.n)][TileIndex(y, e.minY, e.dy, e.n)];
}

// Appends to a tile list; lists have room for their whole array, so a full list
// means a repeated entry and the item is not written past the end.
template <int Size>
bool Append(int32_t (&list)[Size], int32_t& count, int32_t item)
{
    if (count < 0 || count >= Size)
        return false;
    list[count++] = item;
    return true;
}

bool NodeInside(const Extent& e, int32_t index, double& x, double& y)
{
    if (index < 1 || index > Network.NodeCount)
        return false;
    const TNodo& node = Nodos[index];
    x = node.X;
    y = node.Y;
    return Inside(e, x, y);
}

// Lists a link in the tile of node A and, when it differs, that of node B.
// Returns false when the link is not listed (an end node outside the extent).
bool ListLink(const Extent& e, int32_t link)
{
    const TArcos& a = Arcos[link];
    double xa, ya, xb, yb;
    if (!NodeInside(e, a.AIndex, xa, ya) || !NodeInside(e, a.BIndex, xb, yb))
        return false;
    TSpatialTile& ta = TileOf(e, xa, ya);
    TSpatialTile& tb = TileOf(e, xb, yb);
    Append(ta.Links, ta.LinkCount, link);
    if (&tb != &ta)
        Append(tb.Links, tb.LinkCount, link);
    return true;
}

// Where ListLink lists a link: the index (i * (n + 1) + j) of the tiles of node A
// and node B, -1 for a link it does not list; `points` tells whether the link has
// points (PointCount > 0).
struct LinkPlace {
    int32_t a = -1;
    int32_t b = -1;
    bool points = false;
};

// Where ListLink puts an end at each node: the index (i * (n + 1) + j) of the
// node's tile, -1 for a node outside the extent (entry 0 and nodes beyond the
// count too). Worked out once per node: the links then read a small dense table
// instead of their end nodes' records, scattered over memory.
std::vector<int32_t> NodePlaces(const Extent& e)
{
    const int32_t count = std::max(Network.NodeCount, 0);
    std::vector<int32_t> places(static_cast<size_t>(count) + 1, -1);
    for (int32_t k = 1; k <= count; ++k) {
        double x, y;
        if (NodeInside(e, k, x, y))
            places[static_cast<size_t>(k)] =
                TileIndex(x, e.minX, e.dx, e.n) * (e.n + 1) + TileIndex(y, e.minY, e.dy, e.n);
    }
    return places;
}

void PlaceLinks(const std::vector<int32_t>& nodes, std::vector<LinkPlace>& places, int32_t first, int32_t last)
{
    const auto place = [&nodes](int32_t index) {
        return index >= 1 && static_cast<size_t>(index) < nodes.size() ? nodes[static_cast<size_t>(index)] : -1;
    };
    for (int32_t k = first; k <= last; ++k) {
        // The records lie far beyond the caches: the fields read here are in their
        // first line, fetched a few links ahead.
        if (k + 8 <= last)
            PrefetchRecord(Arcos, k + 8, 64);
        const TArcos& a = Arcos[k];
        const int32_t pa = place(a.AIndex);
        const int32_t pb = pa < 0 ? -1 : place(a.BIndex);
        if (pb < 0)
            continue;
        LinkPlace& p = places[static_cast<size_t>(k)];
        p.a = pa;
        p.b = pb;
        p.points = a.PointCount > 0;
    }
}

template <class F>
void ForEachTile(F f)
{
    for (int32_t i = 0; i <= HitGridN; ++i)
        for (int32_t j = 0; j <= HitGridN; ++j)
            f(HitGrid[i][j]);
}

} // namespace

void BuildHitGrid()
{
    HitGridN = 0;
    const Extent e = CurrentExtent();
    for (int32_t i = 0; i <= e.n; ++i) {
        for (int32_t j = 0; j <= e.n; ++j) {
            TSpatialTile& t = HitGrid[i][j];
            t.x0 = e.minX + i * double(e.dx);
            t.x1 = e.minX + (i + 1) * double(e.dx);
            t.y0 = e.minY + j * double(e.dy);
            t.y1 = e.minY + (j + 1) * double(e.dy);
        }
    }

    ForEachTile([](TSpatialTile& t) { t.NodeCount = 0; });
    for (int32_t k = 1; k <= Network.NodeCount; ++k) {
        const TNodo& node = Nodos[k];
        if (!node.HasXY || !Inside(e, node.X, node.Y))
            continue;
        TSpatialTile& t = TileOf(e, node.X, node.Y);
        Append(t.Nodes, t.NodeCount, k);
    }

    ViewerServices& ui = Services();
    ui.SetMenuItemEnabled("aArcos1", false);
    ForEachTile([](TSpatialTile& t) { t.LinkCount = 0; });
    // The links are listed as ListLink lists them, in their order. Finding their
    // tiles is most of the work: a large network's links are placed by a few
    // threads first, from the tiles of their nodes.
    const std::vector<int32_t> nodePlaces = NodePlaces(e);
    const int32_t count = std::max(Network.LinkCount, 0);
    std::vector<LinkPlace> places(static_cast<size_t>(count) + 1);
    constexpr int32_t PerChunk = 2048;
    Parallel::ForChunks((count + PerChunk - 1) / PerChunk, 3, [&](int c) {
        PlaceLinks(nodePlaces, places, c * PerChunk + 1, std::min(count, (c + 1) * PerChunk));
    });
    bool linksShown = false;
    for (int32_t i = 1; i <= count; ++i) {
        const int32_t k = LinkOrderSet && LinkOrder[i] >= 1 && LinkOrder[i] <= count ? LinkOrder[i] : i;
        const LinkPlace& p = places[static_cast<size_t>(k)];
        if (p.a < 0)
            continue;
        TSpatialTile& ta = HitGrid[p.a / (e.n + 1)][p.a % (e.n + 1)];
        TSpatialTile& tb = HitGrid[p.b / (e.n + 1)][p.b % (e.n + 1)];
        Append(ta.Links, ta.LinkCount, k);
        if (&tb != &ta)
            Append(tb.Links, tb.LinkCount, k);
        if (!linksShown && p.points) {
            linksShown = true;
            ui.SetMenuItemEnabled("aArcos1", true);
        }
    }

    ui.SetMenuItemEnabled("aCentroides1", false);
    ForEachTile([](TSpatialTile& t) { t.ZoneCount = 0; });
    bool zonesShown = false;
    for (int32_t k = 1; k <= Network.ZoneCount; ++k) {
        const TZona& z = Zonas[k];
        if (!Inside(e, z.CentroidX, z.CentroidY))
            continue;
        TSpatialTile& t = TileOf(e, z.CentroidX, z.CentroidY);
        Append(t.Zones, t.ZoneCount, k);
        if (!zonesShown) {
            zonesShown = true;
            ui.SetMenuItemEnabled("aCentroides1", true);
        }
    }

    ForEachTile([](TSpatialTile& t) { t.MovementCount = 0; });
    for (int32_t k = 1; k <= Network.MovementCount; ++k) {
        double x, y;
        if (!NodeInside(e, Movims[k].JunctionIndex, x, y))
            continue;
        TSpatialTile& t = TileOf(e, x, y);
        Append(t.Movements, t.MovementCount, k);
    }
}

void GridArcos()
{
    const Extent e = CurrentExtent();
    ForEachTile([](TSpatialTile& t) { t.LinkCount = 0; });
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        int32_t link = LinkOrder[k];
        if (link >= 1 && link <= Network.LinkCount)
            ListLink(e, link);
    }
}

void SetGrid(double worldMinX, double worldMaxX, double worldMinY, double worldMaxY)
{
    for (auto& row : HitGrid)
        for (auto& t : row)
            t.InView = 0;
    const Extent e = CurrentExtent();
    if (e.n == 0) {
        HitGridRangeX[0] = HitGridRangeX[1] = 0;
        HitGridRangeY[0] = HitGridRangeY[1] = 0;
        HitGrid[0][0].InView = 1;
        return;
    }
    auto range = [&](double lo, double hi, float emin, float emax, float size, int32_t* out) {
        if (hi < emin || lo > emax) {
            out[0] = 0;
            out[1] = -1; // the view misses the extent: no tile
            return;
        }
        out[0] = TileIndex(std::fmax(lo, double(emin)), emin, size, e.n);
        out[1] = TileIndex(std::fmin(hi, double(emax)), emin, size, e.n);
    };
    range(worldMinX, worldMaxX, e.minX, e.maxX, e.dx, HitGridRangeX);
    range(worldMinY, worldMaxY, e.minY, e.maxY, e.dy, HitGridRangeY);
    for (int32_t i = HitGridRangeX[0]; i <= HitGridRangeX[1]; ++i)
        for (int32_t j = HitGridRangeY[0]; j <= HitGridRangeY[1]; ++j)
            HitGrid[i][j].InView = 1;
}

} // namespace KDVlib
