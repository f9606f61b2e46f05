// What one network read writes, moved aside as a whole and back.
#include "model/SavedNetwork.h"

#include <malloc.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace PalvonRead {

struct SavedNetwork::State {
    TNetwork network;
    RecordArray<TNodo, MaxNodos> nodos;
    RecordArray<TArcos, MaxArcos> arcos;
    RecordArray<TMovimiento, MaxMovims> movims;
    RecordArray<TZona, MaxZonas> zonas;
    RecordArray<TLinea, MaxLineas> lineas;
    RecordArray<TFase, MaxFases> fases;
    int32_t arcosMaxRec = 1, movimsMaxRec = 1;
    NodeKeyMap nodeKeys;
    std::set<std::string> zoneConnectors;
    std::vector<int32_t> firstArc;
    std::vector<TLineRef> lineRefs;
};

namespace {

// One exchange serves both directions: Keep swaps the live state with a fresh
// one, Restore swaps it back.
void Exchange(SavedNetwork::State& s);

} // namespace

SavedNetwork::SavedNetwork() = default;
namespace {
// Large blocks (record arrays, texts, tables) are mapped from the system one by
// one, so that each goes back to it when freed. glibc raises its threshold for
// that each time such a block is freed, and the next network's blocks would then
// come from the heap, where what one opening frees stays with the process: over
// ten openings a third more memory, never used again. Blocks below a megabyte
// stay in the heap: a redraw's lists of that size are made anew each time, and
// mapping them would cost more than drawing.
constexpr int MappedBlockBytes = 1 << 20;
void MapLargeBlocks() { mallopt(M_MMAP_THRESHOLD, MappedBlockBytes); }
// The free pages the heap keeps go back to the system.
void GiveBackFreedMemory() { malloc_trim(0); }
} // namespace

SavedNetwork::~SavedNetwork()
{
    if (!state_)
        return;
    state_.reset(); // the network replaced goes now
    GiveBackFreedMemory();
}

void SavedNetwork::Keep()
{
    MapLargeBlocks();
    // The fresh side holds what a first read at start-up finds.
    state_ = std::make_unique<State>();
    Exchange(*state_);
    kept_ = true;
}

void SavedNetwork::Restore()
{
    if (!kept_)
        return;
    Exchange(*state_);
    state_.reset(); // the refused read's records go now
    kept_ = false;
    GiveBackFreedMemory();
}

namespace {

void Exchange(SavedNetwork::State& s)
{
    std::swap(Network, s.network);
    std::swap(Nodos, s.nodos);
    std::swap(Arcos, s.arcos);
    std::swap(Movims, s.movims);
    std::swap(Zonas, s.zonas);
    std::swap(Lineas, s.lineas);
    std::swap(Fases, s.fases);
    std::swap(ArcosMaxRec, s.arcosMaxRec);
    std::swap(MovimsMaxRec, s.movimsMaxRec);
    std::swap(NodeKeyList, s.nodeKeys);
    std::swap(ZoneConnectorList, s.zoneConnectors);
    std::swap(FirstArc, s.firstArc);
    std::swap(LinkLineRefs, s.lineRefs);
}

} // namespace

} // namespace PalvonRead
