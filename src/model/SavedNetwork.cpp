// What one network read writes, moved aside as a whole and back.
#include "model/SavedNetwork.h"

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

    std::vector<std::string> optionLines, paramFields, errors;
    std::string title;
    uint8_t plod = 0, dutch = 0, fozzy = 0, upbus = 0, freexy = 0, kermit = 0, ezbus = 0, speeds = 0;
    int32_t nomads = 0;
    float alex = 0, flarex = 0, flaref = 0;
    float buspcu[10] = {};
    int32_t knobs = 0;
    uint8_t filknb = 0;
    std::string filknbFile;
    uint8_t xyform = 0;
    std::string xyformValue;
    int32_t xWidth = 0, yWidth = 0, nodeWidth = 0;
    int32_t transitBlocks = 0;
    uint8_t readTransit = 1;
    float lengthScale = 1.0f;
    float timeCost[MaxUserClasses + 1] = {};
    float distanceCost[MaxUserClasses + 1] = {};
    float knobCost[MaxUserClasses + 1][MaxKnobValues + 1] = {};
    int32_t utmZone = 0;
    std::string utmHemisphere;
    TDeferredGeographic deferredGeographic;
};

namespace {

// One exchange serves both directions: Keep swaps the live state with a fresh
// one, Restore swaps it back.
void Exchange(SavedNetwork::State& s);

} // namespace

SavedNetwork::SavedNetwork() = default;
SavedNetwork::~SavedNetwork() = default;

void SavedNetwork::Keep()
{
    state_ = std::make_unique<State>();
    // The fresh side holds what a first read at start-up finds.
    State& s = *state_;
    s.readTransit = ReadTransitLines;
    s.utmZone = UtmZone;
    s.utmHemisphere = UtmHemisphere;
    s.alex = 5.75f;
    s.flarex = s.flaref = 2.0f;
    std::fill(std::begin(s.buspcu) + 1, std::end(s.buspcu), 1.0f);
    s.xWidth = s.yWidth = 15;
    s.nodeWidth = 5;
    Exchange(s);
    kept_ = true;
}

void SavedNetwork::Restore()
{
    if (!kept_)
        return;
    Exchange(*state_);
    state_.reset(); // the refused read's records go now
    kept_ = false;
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
    std::swap(DeferredGeographic, s.deferredGeographic);

    std::swap(OptionLines, s.optionLines);
    std::swap(ParamFields, s.paramFields);
    std::swap(ErrorList, s.errors);
    std::swap(NetworkTitle, s.title);
    std::swap(PLOD, s.plod);
    std::swap(DUTCH, s.dutch);
    std::swap(FOZZY, s.fozzy);
    std::swap(UPBUS, s.upbus);
    std::swap(FREEXY, s.freexy);
    std::swap(KERMIT, s.kermit);
    std::swap(EZBUS, s.ezbus);
    std::swap(SPEEDS, s.speeds);
    std::swap(NOMADS, s.nomads);
    std::swap(ALEX, s.alex);
    std::swap(FLAREX, s.flarex);
    std::swap(FLAREF, s.flaref);
    std::swap(BUSPCU, s.buspcu);
    std::swap(KNOBS, s.knobs);
    std::swap(FILKNB, s.filknb);
    std::swap(FilknbFileName, s.filknbFile);
    std::swap(XYFORM, s.xyform);
    std::swap(XyFormValue, s.xyformValue);
    std::swap(XWidth, s.xWidth);
    std::swap(YWidth, s.yWidth);
    std::swap(NodeWidth, s.nodeWidth);
    std::swap(TransitBlockCount, s.transitBlocks);
    std::swap(ReadTransitLines, s.readTransit);
    std::swap(LengthScale, s.lengthScale);
    std::swap(ClassTimeCost, s.timeCost);
    std::swap(ClassDistanceCost, s.distanceCost);
    std::swap(ClassKnobCost, s.knobCost);
    std::swap(UtmZone, s.utmZone);
    std::swap(UtmHemisphere, s.utmHemisphere);
}

} // namespace

} // namespace PalvonRead
