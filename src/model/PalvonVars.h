#pragma once
// The process-wide network model: one header record and the record arrays of
// nodes, links, turning movements, zones, transit lines and signal records.
//
// Records are numbered from 1 up to the count held in `Network`. Record 0 of
// `Arcos` and `Movims` holds per-variable minima and record count+1 the maxima.
// `Fases` alone is used from 0. Capacities are the historic limits of the model;
// every creation checks them (see PalvonRead) so input can never overflow them.
#include "model/ColumnValues.h"
#include "model/LazyArray.h"
#include "model/RecordArray.h"
#include "model/ShortText.h"

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// Capacities (highest valid index of each array).
constexpr int MaxNodos = 12400;
constexpr int MaxArcos = 24000;   // LinkCount may reach 23,999: count+1 holds the maxima
constexpr int MaxMovims = 10000;  // MovementCount may reach 9,999
constexpr int MaxZonas = 850;
constexpr int MaxLineas = 1590;
constexpr int MaxFases = 1000;    // 1,001 signal records, used from 0
constexpr int MaxArms = 7;
constexpr int MaxStages = 6;
constexpr int MaxStageValues = 20;
constexpr int MaxLanes = 6;
constexpr int MaxZoneConnectors = 57;
constexpr int MaxZonePolygonPoints = 1701;
constexpr int MaxShapePoints = 12;
constexpr int MaxLaneEdgePoints = 21;
constexpr int MaxOutlinePoints = 31;
constexpr int MaxOptionLines = 15;
constexpr int MaxParamFields = 360;
constexpr int MaxLineStops = 550;
constexpr int NumLinkVars = 130;
constexpr int NumMovVars = 110;

// "No value" seeds.
constexpr float UnsetHigh = 1.0e8f;
constexpr float UnsetLow = -1.0e8f;

struct TPoint {
    double x = 0.0;
    double y = 0.0;
};

// Bounds that keep the numbered variables apart: user classes j give link variables
// 50+j and 65+j and movement variables 20+j; transit block j gives link variable
// 40+j and movement variable 100+j; extra data value j gives link variable 27+j
// (and movement variable 30+j from the data-list file).
constexpr int MaxUserClasses = 10;
constexpr int MaxTransitBlocks = 10;
constexpr int MaxKnobValues = 8;
constexpr int MaxMovementExtraValues = 10;

// What the network data file says of the network as a whole: its namelists and
// title, and the cost coefficients of its user classes. They belong to the
// network read, so a network put back after a refused read has its own again.
struct TPalvonOptions {
    std::vector<std::string> OptionLines; // at most MaxOptionLines
    std::string NetworkTitle;
    std::vector<std::string> ParamFields; // at most MaxParamFields

    uint8_t PLOD = 0, DUTCH = 0, FOZZY = 0, UPBUS = 0, FREEXY = 0, KERMIT = 0, EZBUS = 0, SPEEDS = 0;
    int32_t NOMADS = 0;
    float ALEX = 5.75f, FLAREX = 2.0f, FLAREF = 2.0f;
    float BUSPCU[10] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1}; // 1..9
    int32_t KNOBS = 0;
    uint8_t FILKNB = 0;
    std::string FilknbFileName;
    uint8_t XYFORM = 0;
    std::string XyFormValue;
    int32_t XWidth = 15, YWidth = 15;
    int32_t NodeWidth = 5; // 5, or 10 with DUTCH

    // Cost coefficients per user class (section 88888), indexed 1..MaxUserClasses.
    float ClassTimeCost[MaxUserClasses + 1] = {};     // per minute
    float ClassDistanceCost[MaxUserClasses + 1] = {}; // per kilometre
    float ClassKnobCost[MaxUserClasses + 1][MaxKnobValues + 1] = {};

    // UTM zone (1..60) and hemisphere ("S" or "N") chosen in the options dialog
    // when the network was opened; the coordinates section gives nodes their
    // latitude and longitude with them.
    int32_t UtmZone = 19;
    std::string UtmHemisphere = "S";

    friend bool operator==(const TPalvonOptions&, const TPalvonOptions&) = default;
};

// The nodes waiting for their latitude and longitude, with the zone and hemisphere
// of their positions (see PalvonRead::CompleteGeographicPositions).
struct TDeferredGeographic {
    std::vector<int32_t> Nodes;
    int32_t Zone = 0;
    std::string Hemisphere;
};

struct TNetwork {
    std::string Name;
    uint8_t Loaded = 0;
    uint8_t LpaLoaded = 0;
    uint8_t LplLoaded = 0;
    uint8_t CountsLoaded = 0;
    uint8_t HasCoordinates = 0;
    uint8_t HasCentroids = 0;
    uint8_t NoJunctionData = 1;
    int32_t ZoneCount = 0;
    int32_t NodeCount = 0;
    int32_t LinkCount = 0;
    int32_t Reserved = 0;
    int32_t MovementCount = 0;
    int32_t SignalCount = 0;
    int32_t LineCount = 0;
    int32_t JunctionsByType[6] = {};
    int32_t LinksByClass[6] = {};
    uint8_t SectionPresent[8] = {};
    // The file has transit lines (section 66666) that were read over, as the
    // option "Omitir rutas fijas" asks: LineCount 0 then does not mean none.
    uint8_t TransitLinesReadOver = 0;
    float MinX = UnsetHigh;
    float MaxX = UnsetLow;
    float MinY = UnsetHigh;
    float MaxY = UnsetLow;
    // UTM zone (1..60) and hemisphere ('N' or 'S') the reader projected a network
    // given in degrees into; 0 when the file gave projected positions. Turning the
    // positions back into degrees is only right with these.
    int32_t ProjectedZone = 0;
    char ProjectedHemisphere = 0;
    // Positions moved on the map and not yet in the network's coordinates file (the
    // option to save them was off or the write failed): an edit the user can lose,
    // asked about before another network is opened. A network read starts without.
    bool PositionsUnsaved = false;
    // The last save of moved positions into the coordinates file failed and was
    // said: the saves after each move say it no more until one is written.
    bool PositionsWriteFailing = false;
    // The zone outlines were moved on the map and not written since: the zoning
    // file read again would give the earlier outlines back.
    bool ZoningUnsaved = false;

    TPalvonOptions Options;
    int32_t TransitBlockCount = 0; // sections 66666 read, at most MaxTransitBlocks
    // Mean of straight length over given length of the positioned links (1 without
    // any): lane widths and offsets in metres are drawn times this.
    float LengthScale = 1.0f;
    // What the read of this network (and its post-passes) found, saved as "Errores.txt"
    // (the file the read was told).
    std::vector<std::string> ErrorList;
    std::string ErrorListFile = "Errores.txt";
    TDeferredGeographic DeferredGeographic;
};

// One turn group of a junction arm (towards one of the other arms).
struct TTurnGroup {
    int32_t SatFlow = 0;
    std::string TurnCode;
    int32_t FirstLane = 0;
    int32_t LastLane = 0;
};

// One arm of a junction.
struct TConector {
    int32_t OtherNode = 0;
    int32_t OtherIndex = 0;
    float OtherX = 0.0f;
    float OtherY = 0.0f;
    std::string ArmCode;
    std::string LaneCode;
    int32_t Lanes = 0;
    uint8_t LaneIsB[MaxLanes + 1] = {}; // 1..6
    uint8_t HasB = 0;
    uint8_t FlareLast = 0;
    uint8_t FlareFirst = 0;
    int32_t Time = 0;
    int32_t Speed = 0;
    int32_t Distance = 0;
    int32_t Bearing = 0;
    int32_t ArmLink = 0;
    TTurnGroup Turns[MaxArms - 1];
    // Marks and totals of the arm used by the main window's junction views.
    int32_t EntryMark = 0;
    int32_t ExitMark = 0;
    // Totals of the movement variables 0..110 over the movements entering and
    // leaving by this arm; sized only when computed (most arms never are).
    std::vector<float> InTotals;
    std::vector<float> OutTotals;
};

struct TNodo {
    uint8_t Flags = 0;
    int32_t Number = 0;
    uint8_t HasXY = 0;
    int32_t Mark = 0;
    float X = UnsetLow;
    float Y = UnsetLow;
    double Latitude = 0.0;
    double Longitude = 0.0;
    int32_t ArmCount = 0;
    int32_t JunctionType = 0;
    int32_t SignalIndex = 0;
    int32_t OutlineStart = 0; // cleared on creation; junction outline bookkeeping
    int32_t OutlineCount = 0;  // junction outline points in use (OrderArms)
    int32_t OutlineFlags = 0;
    TPoint OutlineCentre;                   // copy of X, Y when the outline was built
    // Made only for the nodes that use them (junctions): see LazyArray.
    LazyArray<TPoint, MaxOutlinePoints> Outline; // 0..OutlineCount-1, ascending angle
    LazyArray<TConector, MaxArms> Arms;
    int32_t Extra[4] = {};
};

// The values of the link variables 0..130 of one link, and the words of its lane
// data (lanes, flares), kept in the columns of Arcos (see ColumnValues).
constexpr int LinkLaneWords = 3;
using TLinkVars = ColumnValues<NumLinkVars + 1, LinkLaneWords>;

// What the map's layers read of every link (flags, nodes, pair, bearings, the
// street name and the two points of a straight link) fills the record's first two
// cache lines, and records start on a cache line: a redraw, which meets the
// links in the order of the view's tiles, scattered over the records, fetches
// two lines per link however large the network. The shape points beyond a
// straight link's two lie apart, made only for the links that have them; the
// rest and some spare bytes fill three more lines: a large network's records
// are five lines each (seven with every point inline), which its read clears
// and writes. The link variables lie in columns beside the records: the minima
// and maxima of a variable sweep one dense array, and a pass over the records
// reads no values it does not use.
struct alignas(64) TArcos {
    uint16_t Flags = 0; // bit set, elements 0..15
    uint8_t Active = 1;
    uint8_t NoReverse = 0;
    int32_t A = 0;
    int32_t B = 0;
    int32_t Mark = 0;
    int32_t PointCount = 0;
    int32_t AIndex = 0;
    int32_t BIndex = 0;
    int32_t ReverseIndex = 0;
    float StraightLength = 0.0f;
    int32_t BearingA = 0;
    int32_t BearingB = 0;
    int32_t LaneEdgeCount = 0; // lane-edge entries valid (0..n-1); 0 = none computed
    std::string StreetName;
    // Points 1..PointCount (at most 12): the first two in the record, all of them
    // apart once a third is written (see InlineHeadArray).
    InlineHeadArray<TPoint, MaxShapePoints + 1, 1, 2> Points;
    // Lane data (1..6) of links of junction arms: made when written, see LazyArray.
    LazyArray<uint8_t, MaxLanes + 1> LaneFlags;
    // What the lane bands read and write of each link, in one line after the points.
    // Made only for links whose lane edges are computed, with room for the two
    // points of a straight link until more are written: see ShortFirstArray.
    ShortFirstArray<TPoint, MaxLaneEdgePoints, 2> LaneEdgeNear;
    ShortFirstArray<TPoint, MaxLaneEdgePoints, 2> LaneEdgeFar;
    LazyArray<uint8_t, MaxLanes + 1> LaneUsed;
    LazyArray<int32_t[3], MaxLanes + 1> LaneDirs;
    LazyArray<int32_t, MaxLanes + 1> LaneMark;
    TLinkVars Var; // 1..130
    int32_t TurnDirs[3] = {}; // index dir+1 for dir -1..1
    float CosA = 0.0f;
    float SinA = 0.0f;
    int32_t LineRefFirst = -1; // first entry in LinkLineRefs, -1 = empty
    int32_t LineRefLast = -1;
    TShortText<23> Key; // LinkKey: two "%9d" fields
    TShortText<7> StreetTag; // one column of the record
    TShortText<7> SpeedTag;
    uint8_t HasMovements = 0;
    uint8_t HasPija = 0;
    // Unused: it makes the record five cache lines long, an odd number. A pass
    // that reads the same line of every record (a lookup, a grid, the map) then
    // meets every set of the caches; records four lines long would crowd such a
    // pass into a quarter of the sets, and it would wait on evictions (measured
    // slower than the seven lines of old, for all the memory it spares).
    uint8_t OddLines[66] = {};

    static constexpr int ColumnCount = NumLinkVars + 1 + LinkLaneWords;
    void BindColumns(float* at, std::ptrdiff_t stride) { Var.Bind(at, stride); }

    // The link's lanes (as its arm gives them, sign included) and its flares at
    // the end and at the start, in columns beside the link variables: the lane
    // bands read them of every link, and from the columns that pass reads a few
    // dense arrays instead of a line of every record. Their column numbers in
    // Arcos.Column follow those of the variables.
    static constexpr int LanesColumn = NumLinkVars + 1;
    static constexpr int FlareEndColumn = NumLinkVars + 2;
    static constexpr int FlareStartColumn = NumLinkVars + 3;
    int32_t Lanes() const { return Var.Word(0); }
    uint8_t FlareEnd() const { return static_cast<uint8_t>(Var.Word(1)); }
    uint8_t FlareStart() const { return static_cast<uint8_t>(Var.Word(2)); }
    void SetLanes(int32_t lanes) { Var.SetWord(0, lanes); }
    void SetFlareEnd(uint8_t flare) { Var.SetWord(1, flare); }
    void SetFlareStart(uint8_t flare) { Var.SetWord(2, flare); }

    bool HasFlag(int e) const { return (Flags >> e) & 1u; }
    void SetFlag(int e) { Flags = static_cast<uint16_t>(Flags | (1u << e)); }
    void ClearFlag(int e) { Flags = static_cast<uint16_t>(Flags & ~(1u << e)); }
};
static_assert(sizeof(TArcos) == 320, "a link record is five cache lines");

struct TMovimiento {
    std::string Key;
    int32_t A = 0;
    int32_t Node = 0;
    int32_t C = 0;
    int32_t AIndex = 0;
    int32_t JunctionIndex = 0;
    int32_t CIndex = 0;
    int32_t EntryLink = 0;
    int32_t ExitLink = 0;
    int32_t TurnAngle = 0;
    int32_t TurnDir = 0;
    int32_t StageMask = 0;
    int32_t InStage[11] = {};
    int32_t Order = 0;
    std::string TurnCode;
    int32_t FirstLane = 0;
    int32_t LastLane = 0;
    uint8_t HasPija = 0;
    int32_t Mark = 0;
    float Var[NumMovVars + 1] = {}; // 0..110
};

struct TZoneConnector {
    uint8_t Kind = 0;
    int32_t ConnNode = 0;
    int32_t NodeIndex = 0;
    int32_t LinkIndex = 0;
    int32_t ConnTime = 0;
    int32_t ConnLength = 0;
    std::string ConnTwoWay;
    std::string ConnSpeedTag;
    // Assigned values in the two directions by link-variable number; allocated
    // only when a listing fills them (most networks never do).
    std::vector<float> LeavingValues;
    std::vector<float> EnteringValues;
};

struct TZona {
    int32_t Number = 0;
    uint8_t Flags = 0;
    float CentroidX = UnsetLow;
    float CentroidY = UnsetLow;
    uint8_t HasCentroid = 0;
    int32_t Class = 0;
    int32_t ConnectorCount = 0;
    std::vector<TZoneConnector> Connectors; // 1..ConnectorCount (index 0 unused)
    int32_t PolygonCount = 0;
    std::vector<TPoint> Polygon;            // 1..PolygonCount (index 0 unused)
    TPoint PolygonCentre;
    float EnteringTotals[11] = {};
    float LeavingTotals[11] = {};
};

struct TLinea {
    std::string Name;
    std::string LineCode;
    uint8_t Visible = 1;
    int32_t Group = 0;
    float Frequency = 0.0f;
    std::vector<int32_t> Stops; // [0] = count, then node numbers (at most MaxLineStops)
    std::string Extra;
};

struct TStage {
    int32_t Number = 0;
    int32_t Green = 0;     // stage line columns 11-15
    int32_t Intergreen = 0; // columns 16-20
    int32_t ValueCount = 0; // columns 21-25, made even
    int32_t Values[MaxStageValues + 1] = {}; // 1..20
};

struct TFase {
    int32_t Node = 0;
    int32_t StageCount = 0;
    int32_t Offset = 0; // junction header columns 21-25
    int32_t Cycle = 0;  // columns 26-30 (cycle time)
    TStage Stages[MaxStages + 1]; // 1..6
};

// Node number -> record index (the node-key list). Node numbers of ordinary
// networks are small, so those are found by direct indexing; others (the
// 10-digit numbers of wide files, negative ones) through a hash table. The
// interface is the subset of a map the program uses: find(n)->second, end(),
// emplace (keeps an existing entry), operator[], size, clear, reserve.
class NodeKeyMap {
public:
    using value_type = std::pair<int32_t, int32_t>;
    using const_iterator = const value_type*;

    const_iterator find(int32_t number) const
    {
        const int32_t slot = Slot(number);
        return slot < 0 ? end() : &entries_[static_cast<size_t>(slot)];
    }
    const_iterator end() const { return nullptr; }
    void emplace(int32_t number, int32_t index)
    {
        if (Slot(number) < 0)
            Insert(number, index);
    }
    int32_t& operator[](int32_t number)
    {
        int32_t slot = Slot(number);
        if (slot < 0)
            slot = Insert(number, 0);
        return entries_[static_cast<size_t>(slot)].second;
    }
    size_t size() const { return entries_.size(); }
    void clear();
    void reserve(size_t n) { entries_.reserve(n); }

private:
    static constexpr int32_t DenseLimit = 1 << 17; // numbers 0..DenseLimit-1 index directly

    int32_t Slot(int32_t number) const
    {
        if (number >= 0 && number < DenseLimit) {
            const size_t n = static_cast<size_t>(number);
            return n < dense_.size() ? dense_[n] - 1 : -1;
        }
        auto it = sparse_.find(number);
        return it == sparse_.end() ? -1 : it->second;
    }
    int32_t Insert(int32_t number, int32_t index);

    std::vector<value_type> entries_;
    std::vector<int32_t> dense_; // number -> entry position + 1, 0 = none
    std::unordered_map<int32_t, int32_t> sparse_;
};

extern TNetwork Network;
extern RecordArray<TNodo, MaxNodos> Nodos;
extern RecordArray<TArcos, MaxArcos> Arcos;
extern RecordArray<TMovimiento, MaxMovims> Movims;
extern RecordArray<TZona, MaxZonas> Zonas;
extern RecordArray<TLinea, MaxLineas> Lineas;
extern RecordArray<TFase, MaxFases> Fases;

extern int32_t ArcosMaxRec;  // always LinkCount+1
extern int32_t MovimsMaxRec; // always MovementCount+1

// Node number -> record index during one read (created by ClearNetwork).
extern NodeKeyMap NodeKeyList;
// Zone-connector text entries of sections 22222 and 33333, sorted, no duplicates.
extern std::set<std::string> ZoneConnectorList;

// Forward star: links leaving node i are FirstArc[i] .. FirstArc[i+1]-1.
extern std::vector<int32_t> FirstArc;

// Transit-line references of links: entries chained from TArcos::LineRefFirst.
struct TLineRef {
    int32_t Line = 0;
    int32_t Next = -1;
};
extern std::vector<TLineRef> LinkLineRefs;

// ---- Generation and attraction per zone (loaded from a csv file, Genatr.cpp) ----
constexpr int MaxGenatr = 850;        // rows 1..850
constexpr int MaxGenatrVars = 40;     // value pairs per row
constexpr int MaxGenatrPolygonPoints = 2700;
struct TGenatr {
    int32_t Zone = 0;
    double X = 0.0;
    double Y = 0.0;
    int32_t PolygonCount = 0;
    std::vector<TPoint> Polygon;          // 1..PolygonCount (index 0 unused)
    float Gen[MaxGenatrVars + 1] = {};    // 1..40; record 0: the column maxima
    float Attr[MaxGenatrVars + 1] = {};
};
// Record 0 holds the per-column maxima, records 1..NumGenatr-1 the file's rows.
extern RecordArray<TGenatr, MaxGenatr> Genatr;
extern int32_t NumGenatr;   // rows + 1 (0 when nothing is loaded)
extern float GenatrMax;     // largest value of the file, 0 when none is above 0
extern std::vector<std::string> GenatrNames; // variable names, 1..count (index 0 unused)
