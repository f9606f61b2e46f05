// The assignment listing (.lpa) of the suite's assignment module: a long printed
// listing scanned for its banner lines; the tables under them give the assigned
// times and flows of links, movements and zone connectors, per user class too,
// and (on request) the origin-destination pairs of selected links and movements.
#include "model/PalvonListings.h"

#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/ListingLines.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

RecordArray<TPija, MaxPija> PijaLinks;
int32_t PijaLinkCount = 0;
RecordArray<TPija, MaxPija> PijaMovs;
int32_t PijaMovCount = 0;

namespace PalvonRead {

using ZelUtils::Copy;
using ZelUtils::Format;

namespace {

constexpr int MaxZoneTotals = 10; // the zone totals have room for classes 1..10

// Whether any record may carry a PIJA mark: none is marked but by a table read,
// and records are made unmarked. Clearing then need not visit every record of a
// large network just opened.
bool pijaMarks = false;

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

using Listing::IntField;
using Listing::RealField;

// The listing read line by line; every line read moves the progress bar on.
class LpaLines {
public:
    explicit LpaLines(const std::vector<std::string>& lines) : lines_(lines) {}

    bool Read()
    {
        if (next_ >= lines_.size())
            return false;
        current_ = &lines_[next_++];
        // Repainting the bar for each of a million lines would cost more than the reading.
        if ((next_ & 511u) == 0 || next_ == lines_.size())
            Services().SetProgressPosition(static_cast<int>(next_));
        return true;
    }
    // Reads until a line holds one of the keys; false at the end of the file.
    bool Find(std::initializer_list<const char*> keys)
    {
        while (Read())
            if (HasAny(keys))
                return true;
        return false;
    }
    bool HasAny(std::initializer_list<const char*> keys) const
    {
        for (const char* k : keys)
            if (Contains(k, Line()))
                return true;
        return false;
    }
    // Index (from 0) of the line after the current one.
    size_t Next() const { return next_; }
    const std::string& Line() const
    {
        static const std::string none;
        return current_ ? *current_ : none;
    }

private:
    const std::vector<std::string>& lines_;
    size_t next_ = 0;
    const std::string* current_ = nullptr;
};

// The five numeric columns of a flow line, f[1]..f[5].
struct Flows {
    float f[6] = {};
};

// Values of one class block: n classes after `off` classes read in earlier blocks.
struct Block {
    int pass = 0;
    int n = 0;
    int off = 0;
};

// Flow of class j (1..n) of a class block: with preloaded flows the first class
// block gives the fixed flow in f1, the preload in f2 and the classes from f3.
float ClassFlow(const Flows& v, const Block& b, int j)
{
    const int col = (b.pass == 1 && Network.Options.PLOD) ? j + 2 : j;
    return col >= 1 && col <= 5 ? v.f[col] : 0.0f;
}

// Values shared by links and zone connectors (link-variable numbers): flows of the
// total table, preload and fixed flow of the first class block, class flows.
template <class Values>
void StoreFlowValues(Values&& var, const Flows& v, const Block& b)
{
    if (b.pass == 0) {
        var[13] = v.f[4] - v.f[5];
        var[14] = v.f[5];
        var[15] = v.f[4];
        return;
    }
    if (b.pass == 1) {
        if (Network.Options.PLOD)
            var[14] = v.f[1];
        var[65] = Network.Options.PLOD ? v.f[2] : 0.0f;
    }
    for (int j = 1; j <= b.n && b.off + j <= MaxUserClasses; ++j)
        var[65 + b.off + j] = ClassFlow(v, b, j);
}

void StoreLink(int32_t k, const Flows& v, const Block& b, bool wide)
{
    TLinkVars& var = Arcos[k].Var;
    if (b.pass == 0) {
        var[11] = v.f[3];
        if (wide)
            var[12] = var[11] == 0.0f ? 0.0f : float(ZelUtils::Round(3.6 * double(var[7]) / double(var[11])));
    }
    StoreFlowValues(var, v, b);
    if (b.pass == 0 && var[5] > 0.0f)
        var[16] = var[15] / var[5];
}

void StoreMovement(int32_t m, const Flows& v, const Block& b)
{
    float* var = Movims[m].Var;
    if (b.pass == 0) {
        var[5] = v.f[3];
        var[6] = v.f[4] - v.f[5];
        var[7] = v.f[5];
        var[8] = v.f[4];
        return;
    }
    if (b.pass == 1) {
        if (Network.Options.PLOD)
            var[7] = v.f[1];
        var[20] = Network.Options.PLOD ? v.f[2] : 0.0f;
    }
    for (int j = 1; j <= b.n && b.off + j <= MaxUserClasses; ++j)
        var[20 + b.off + j] = ClassFlow(v, b, j);
}

// Every connector of zone `zone` whose node is `node` and, when `second` is given,
// whose link goes on to `second` (only connectors along a link have a second node).
// Leaving (entering) values and totals of the zone get the line's values.
// What a line of a flow table named: no element, one this network lacks, one on
// this network's nodes and links that it describes otherwise (a turn at a junction
// given without movements, a connector its zone has another way), or one of its
// own (whose values are stored, unless the line is only looked up).
enum class TRecord { None, Unknown, Undescribed, Stored };

TRecord StoreConnectors(int32_t zone, int32_t node, int32_t second, bool entering, const Flows& v, const Block& b,
                        bool store)
{
    if (zone <= 0)
        return TRecord::None;
    const int32_t z = KDVlib::FindZona(zone);
    if (z == 0)
        return TRecord::Unknown;
    TZona& zn = Zonas[z];
    const int32_t count = std::min<int32_t>(zn.ConnectorCount, static_cast<int32_t>(zn.Connectors.size()) - 1);
    // A line that is none of this zone's connectors stores nothing; to a node this
    // network has, it may be the zone attached otherwise since the assignment.
    TRecord record = KDVlib::FindNodo(node) > 0 ? TRecord::Undescribed : TRecord::Unknown;
    for (int32_t k = 1; k <= count; ++k) {
        TZoneConnector& c = zn.Connectors[static_cast<size_t>(k)];
        if (c.ConnNode != node)
            continue;
        if (second >= 0 && (c.Kind != 0 || c.NodeIndex != second))
            continue;
        record = TRecord::Stored;
        if (!store)
            continue;
        std::vector<float>& values = entering ? c.EnteringValues : c.LeavingValues;
        if (values.empty())
            values.assign(NumLinkVars + 1, 0.0f);
        float* totals = entering ? zn.EnteringTotals : zn.LeavingTotals;
        StoreFlowValues(values.data(), v, b);
        if (b.pass == 0)
            totals[0] += values[13];
        else
            for (int j = 1; j <= b.n && b.off + j <= MaxZoneTotals; ++j)
                totals[b.off + j] += values[static_cast<size_t>(65 + b.off + j)];
    }
    return record;
}

// One line of a flow table: the element in columns 1-18 in one of seven shapes,
// then five numbers of 10 columns. Without `store` the line is only looked up.
TRecord ParseLpaRecord(const std::string& raw, const Block& b, bool store = true)
{
    if (raw.size() < 28)
        return TRecord::None;
    std::string line = raw;
    const std::string head = Copy(line, 1, 18);
    const bool hasC = head.find('C') != std::string::npos;
    const bool cAt2 = line[1] == 'C';
    const bool paren = head.find('(') != std::string::npos;
    auto blankMarks = [&line] {
        for (char& ch : line)
            if (ch == 'C' || ch == '(' || ch == ')')
                ch = ' ';
    };
    auto flows = [&line] {
        Flows v;
        for (int k = 1; k <= 5; ++k)
            v.f[k] = RealField(line, 19 + 10 * (k - 1), 10);
        return v;
    };
    const bool dutch = Network.Options.DUTCH != 0;

    if (hasC && cAt2 && !paren) { // from a zone to a node
        const int32_t zone = dutch ? IntField(line, 3, 7) : IntField(line, 3, 4);
        const int32_t node = dutch ? IntField(line, 11, 8) : IntField(line, 8, 5);
        return StoreConnectors(zone, node, -1, false, flows(), b, store);
    } else if (cAt2 && paren) { // from a zone to a link
        blankMarks();
        return StoreConnectors(IntField(line, 2, 5), IntField(line, 8, 5), IntField(line, 14, 5), false, flows(), b,
                               store);
    } else if (hasC && !paren) { // from a node into a zone
        const int32_t node = dutch ? IntField(line, 2, 8) : IntField(line, 2, 5);
        const int32_t zone = dutch ? IntField(line, 12, 7) : IntField(line, 9, 4);
        return StoreConnectors(zone, node, -1, true, flows(), b, store);
    } else if (hasC) { // from a link into a zone
        blankMarks();
        return StoreConnectors(IntField(line, 14, 5), IntField(line, 2, 5), IntField(line, 8, 5), true, flows(), b,
                               store);
    } else {
        int32_t a = 0, bb = 0, c = 0;
        if (IsNumber(Copy(line, 1, 6), a, 6) && IsNumber(Copy(line, 7, 6), bb, 6) && IsNumber(Copy(line, 13, 6), c, 6)) {
            // A turning movement: at node B from A to C (a movement never has node 0:
            // the finder would take 0 as "any exit").
            if (a > 0 && bb > 0 && c > 0) {
                if (int32_t m = KDVlib::FindMovim(a, bb, c); m > 0) {
                    if (store)
                        StoreMovement(m, flows(), b);
                    return TRecord::Stored;
                }
                return KDVlib::FindArco(a, bb) > 0 && KDVlib::FindArco(bb, c) > 0 ? TRecord::Undescribed
                                                                                : TRecord::Unknown;
            }
        } else if (IsNumber(Copy(line, 1, 6), a, 6) && IsNumber(Copy(line, 7, 6), bb, 6) && IsBlank(Copy(line, 13, 6))) {
            if (int32_t k = KDVlib::FindArco(a, bb); k > 0) {
                if (store)
                    StoreLink(k, flows(), b, false);
                return TRecord::Stored;
            }
            return a > 0 && bb > 0 ? TRecord::Unknown : TRecord::None;
        } else if (IsNumber(Copy(line, 1, 9), a, 9) && IsNumber(Copy(line, 10, 9), bb, 9)) {
            if (int32_t k = KDVlib::FindArco(a, bb); k > 0) {
                if (store)
                    StoreLink(k, flows(), b, true);
                return TRecord::Stored;
            }
            return a > 0 && bb > 0 ? TRecord::Unknown : TRecord::None;
        }
    }
    return TRecord::None;
}

// A line of numbers only, five or more of them, blanks and tabs apart: what a flow
// line holds, wherever its columns went.
bool LooksLikeFlows(const std::string& line)
{
    int numbers = 0;
    bool inNumber = false, digit = false;
    for (const char ch : line + ' ') {
        if (ch == ' ' || ch == '\t') {
            if (inNumber) {
                if (!digit)
                    return false;
                ++numbers;
            }
            inNumber = digit = false;
        } else if ((ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == 'E') {
            inNumber = true;
            digit = digit || (ch >= '0' && ch <= '9');
        } else {
            return false;
        }
    }
    return numbers >= 5;
}

// ---- PIJA tables -----------------------------------------------------------------

class PijaStore {
public:
    struct Kind {
        RecordArray<TPija, MaxPija>& records;
        int32_t& count;
        std::map<std::tuple<int32_t, int32_t, int32_t>, int32_t> keys; // (element, origin, destination)
        int32_t dropped = 0;
    };

    Kind links{PijaLinks, PijaLinkCount, {}};
    Kind movs{PijaMovs, PijaMovCount, {}};

    // The element a table header names: a link when C = 0, else the movement at B
    // from A to C; its HasPija flag is set.
    void Header(int32_t a, int32_t b, int32_t c)
    {
        a_ = a;
        b_ = b;
        c_ = c;
        origin_ = 0;
        elem_ = 0;
        if (c == 0) {
            elem_ = KDVlib::FindArco(a, b);
            if (elem_ > 0) {
                Arcos[elem_].HasPija = 1;
                pijaMarks = true;
            }
        } else if (c > 0 && a > 0 && b > 0) {
            elem_ = KDVlib::FindMovim(a, b, c);
            if (elem_ > 0) {
                Movims[elem_].HasPija = 1;
                pijaMarks = true;
            }
        }
    }
    void Origin(int32_t zone)
    {
        if (zone > 0)
            origin_ = zone;
    }
    // Stores one pair: the factor (trips = false) or the trips of (origin, destination).
    void Store(int32_t destination, float value, bool trips)
    {
        if (elem_ <= 0 || origin_ <= 0 || destination <= 0 || !(value > 0.0f))
            return;
        Kind& k = c_ == 0 ? links : movs;
        auto key = std::make_tuple(elem_, origin_, destination);
        auto it = k.keys.find(key);
        int32_t r;
        if (it != k.keys.end()) {
            r = it->second;
        } else {
            if (k.count >= MaxPija) {
                ++k.dropped;
                return;
            }
            r = ++k.count;
            k.keys.emplace(key, r);
            TPija& p = k.records[r];
            p = TPija{};
            p.Elem = elem_;
            p.A = a_;
            p.B = b_;
            p.C = c_;
            p.Zo = origin_;
            p.Zd = destination;
            p.ZoIdx = KDVlib::FindZona(origin_);
            p.ZdIdx = KDVlib::FindZona(destination);
        }
        (trips ? k.records[r].Tij : k.records[r].Pij) = value;
    }

private:
    int32_t a_ = 0, b_ = 0, c_ = 0, elem_ = 0, origin_ = 0;
};

// The analyses take each run of records of one element as that element's pairs: a
// pair first met in the trips table would otherwise sit apart from its element's
// factor records. Records keep their order within an element; elements keep the
// order in which they were first met.
void GroupByElement(RecordArray<TPija, MaxPija>& records, int32_t count)
{
    std::vector<TPija> v;
    v.reserve(static_cast<size_t>(count));
    for (int32_t r = 1; r <= count; ++r)
        v.push_back(records[r]);
    std::unordered_map<int32_t, size_t> first;
    for (size_t i = 0; i < v.size(); ++i)
        first.emplace(v[i].Elem, i);
    std::stable_sort(v.begin(), v.end(),
                     [&first](const TPija& x, const TPija& y) { return first[x.Elem] < first[y.Elem]; });
    for (int32_t r = 1; r <= count; ++r)
        records[r] = v[static_cast<size_t>(r - 1)];
}

// The PIJA analyses are offered for the records the listing read has left.
void ShowPijaItems()
{
    Services().SetMenuItemEnabled("AnalisisdePIJAs", PijaLinkCount > 0 || PijaMovCount > 0);
    Services().SetMenuItemEnabled("NivelArco", PijaLinkCount > 0);
    Services().SetMenuItemEnabled("NIvelMovimiento", PijaMovCount > 0);
}

void ReadPijaTables(LpaLines& in)
{
    ClearPijas();
    PijaStore store;
    const char* kFactors = "OUTPUT OF PIJA FACTORS";
    const char* kTrips = "ANALYSIS OF TRIPS THROUGH SELECTED LINKS";
    bool atTrips = false;
    if (in.Find({kFactors, kTrips})) {
        if (Contains(kFactors, in.Line())) {
            while (in.Read() && !Contains("END OF THE PIJA ANALYSIS", in.Line())) {
                const std::string& s = in.Line();
                if (Contains("O-D PAIRS USING LINK NUMBER", s)) {
                    store.Header(IntField(s, 46, 9), IntField(s, 55, 9), IntField(s, 64, 9));
                    continue;
                }
                store.Origin(IntField(s, 1, 5));
                for (int k = 1; k <= 6; ++k)
                    store.Store(IntField(s, 12 * k - 4, 5), RealField(s, 12 * k + 1, 7), false);
            }
            atTrips = in.Find({kTrips});
        } else {
            // No factor tables: the selected-link tables start right here.
            atTrips = true;
        }
    }
    if (atTrips) {
        bool storing = false;
        while (in.Read()) {
            const std::string& s = in.Line();
            if (Contains("O-D TRIPS FOR LINK NUMBER", s)) {
                store.Header(IntField(s, 34, 9), IntField(s, 43, 9), IntField(s, 52, 9));
                storing = true;
                continue;
            }
            if (Contains("TOTAL TRIPS TO EACH DESTINATION", s))
                storing = false;
            store.Origin(IntField(s, 1, 6));
            if (storing)
                for (int k = 1; k <= 5; ++k)
                    store.Store(IntField(s, 12 * k + 3, 5), RealField(s, 12 * k + 8, 7), true);
        }
    }
    GroupByElement(PijaLinks, PijaLinkCount);
    GroupByElement(PijaMovs, PijaMovCount);
    if (store.links.dropped + store.movs.dropped > 0)
        Services().ShowMessage(Format("Análisis de PIJAs: caben %d pares origen-destino por arco y %d por movimiento;\r"
                                      "%d pares de arcos y %d de movimientos no se guardaron.",
                                      MaxPija, MaxPija, store.links.dropped, store.movs.dropped));
    ShowPijaItems();
}

// Generalised cost of every user class on every link, from the class coefficients
// of the network file.
void GeneralisedCosts()
{
    if (Network.Options.KNOBS < 0)
        return;
    const int knobs = std::min<int>(Network.Options.KNOBS, MaxKnobValues);
    const int classes = std::min<int>(Network.Options.NOMADS, MaxUserClasses);
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        TLinkVars& var = Arcos[i].Var;
        for (int j = 1; j <= classes; ++j) {
            double cost = double(Network.Options.ClassTimeCost[j]) * var[11] / 60.0 +
                          double(Network.Options.ClassDistanceCost[j]) * var[7] / 1000.0;
            for (int k = 1; k <= knobs; ++k)
                cost += double(Network.Options.ClassKnobCost[j][k]) * var[27 + k];
            var[50 + j] = static_cast<float>(cost);
        }
    }
}

// Zone record 0 holds, per element, the largest entering or leaving total of any zone.
void ZoneMaxima()
{
    TZona& top = Zonas[0];
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zn = Zonas[z];
        for (int i = 0; i <= MaxZoneTotals; ++i) {
            top.EnteringTotals[i] = std::max({top.EnteringTotals[i], zn.EnteringTotals[i], zn.LeavingTotals[i]});
            top.LeavingTotals[i] = std::max({top.LeavingTotals[i], zn.LeavingTotals[i], zn.EnteringTotals[i]});
        }
    }
}

// The zone totals are sums over the listing's lines: a second reading starts them
// afresh (with record 0, the maxima) instead of adding to the first.
void ClearZoneTotals()
{
    for (int32_t z = 0; z <= Network.ZoneCount; ++z) {
        std::fill(std::begin(Zonas[z].EnteringTotals), std::end(Zonas[z].EnteringTotals), 0.0f);
        std::fill(std::begin(Zonas[z].LeavingTotals), std::end(Zonas[z].LeavingTotals), 0.0f);
    }
}

void Truncated(const std::string& fileName, const char* where)
{
    Services().ShowMessage(Format("El archivo %s termina antes del fin de %s:\r"
                                  "se guardaron sólo los valores leídos hasta allí.",
                                  BaseName(fileName), where));
}

} // namespace

void ClearPijas()
{
    PijaLinkCount = 0;
    PijaMovCount = 0;
    if (!pijaMarks)
        return;
    pijaMarks = false;
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].HasPija = 0;
    for (int32_t m = 1; m <= Network.MovementCount; ++m)
        Movims[m].HasPija = 0;
}

void ReadLpaHelper(bool composeMovements)
{
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        Arcos[i].Var[17] = 0.0f;
    std::vector<int32_t> entry(static_cast<size_t>(Network.MovementCount) + 1, 0);
    for (int32_t m = 1; m <= Network.MovementCount; ++m) {
        const TMovimiento& mv = Movims[m];
        entry[static_cast<size_t>(m)] = KDVlib::FindArco(mv.A, mv.Node);
        if (int32_t k = entry[static_cast<size_t>(m)]; k > 0)
            Arcos[k].Var[17] += mv.Var[8];
    }
    if (composeMovements)
        for (int32_t m = 1; m <= Network.MovementCount; ++m) {
            const int32_t k = entry[static_cast<size_t>(m)];
            if (k > 0 && Arcos[k].Var[17] > 0.0f)
                Arcos[k].Var[11] += Movims[m].Var[5] * Movims[m].Var[8] / Arcos[k].Var[17];
        }
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        TLinkVars& var = Arcos[i].Var;
        if (var[11] > 0.0f)
            var[12] = static_cast<float>(3.6 * double(var[7]) / double(var[11]));
    }
}

TLpaResult ReadLpa(const std::string& fileName, const TLpaOptions& options)
{
    TLpaResult result;
    // The link grid's assignment block has the preload column when the network says so.
    PreloadShift = Network.Options.PLOD ? 1 : 0;
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(FileUtils::ReadFailure(fileName));
        return result;
    }
    result.Opened = true;
    ViewerServices& ui = Services();
    ui.SetProgressVisible(true);
    ui.SetProgressRange(0, static_cast<int>(lines.size()));
    ui.SetProgressPosition(0);
    auto finish = [&ui] {
        ui.SetProgressPosition(0);
        ui.SetProgressVisible(false);
    };

    LpaLines in(lines);
    if (!in.Find({"LISTING OF THE FLOWS ON CHANNEL"})) {
        finish();
        Services().ShowMessage(Format("El archivo %s no tiene el listado de flujos "
                                      "(\"LISTING OF THE FLOWS ON CHANNEL\"):\rno se leyó ningún valor.",
                                      BaseName(fileName)));
        return result;
    }
    const char* kDisaggregated = "LISTING OF DISAGGREGATED FLOWS";
    const char* kSummary = "SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK";
    // The listing of another network is refused before anything is stored: none
    // of its elements, or fewer than those this network lacks, are this network's
    // (a network shares a few link numbers with many another), and read over the
    // listing before it, it would leave the grids a mixture of the two.
    Block total;
    // Elements described otherwise are this network's too: they count on neither side.
    int known = 0, unknown = 0, undescribed = 0, unplaced = 0;
    size_t firstUnplaced = 0;
    for (size_t i = in.Next(); i < lines.size(); ++i) {
        if (Contains(kDisaggregated, lines[i]) || Contains(kSummary, lines[i]))
            break;
        const TRecord record = ParseLpaRecord(lines[i], total, false);
        known += record == TRecord::Stored;
        unknown += record == TRecord::Unknown;
        undescribed += record == TRecord::Undescribed;
        if (record == TRecord::None && LooksLikeFlows(lines[i]) && unplaced++ == 0)
            firstUnplaced = i;
    }
    // Flow lines none of which is in its columns (an editor put tabs for the
    // blanks, or took blanks away) would read as a listing without a value, and
    // the grids would go on showing the listing before it under this one's name.
    if (known == 0 && unknown == 0 && undescribed == 0 && unplaced > 0) {
        finish();
        Services().ShowMessage(Format("El archivo %s no tiene sus flujos en las columnas de un listado de "
                                      "asignación (la primera línea de flujos fuera de ellas es la %d):\r"
                                      "no se leyó ningún valor.",
                                      BaseName(fileName), static_cast<int>(firstUnplaced + 1)));
        return result;
    }
    if (unknown > known || (known == 0 && undescribed > 0)) {
        finish();
        Services().ShowMessage(
            known == 0 ? Format("El archivo %s no tiene ningún arco, movimiento ni zona de esta red:\r"
                                "no se leyó ningún valor.",
                                BaseName(fileName))
                       : Format("El archivo %s es de otra red: %d de sus %d arcos, movimientos y zonas no son "
                                "de esta red.\rNo se leyó ningún valor.",
                                BaseName(fileName), unknown, known + unknown));
        return result;
    }
    // The zone totals are summed afresh.
    ClearZoneTotals();

    // Total flows.
    Listing::TUnreadableLines unreadable;
    auto parse = [&in, &unreadable, &lines](const Block& block) {
        // A flow line that ends the file ends a file cut short (its table's end is
        // missing); one that ends before its last value was cut inside its values:
        // it is not read, and the element keeps the values it had.
        if (in.Next() == lines.size() && in.Line().size() < 68)
            return;
        const TRecord record = ParseLpaRecord(in.Line(), block);
        if (record == TRecord::Stored)
            unreadable.Check(in.Line(), in.Next() - 1, {{19, 10}, {29, 10}, {39, 10}, {49, 10}, {59, 10}});
    };
    bool ended = false;
    while (in.Read()) {
        if (in.HasAny({kDisaggregated, kSummary})) {
            ended = true;
            break;
        }
        parse(total);
    }
    result.FlowsFound = true;
    if (!ended) {
        finish();
        unreadable.Tell(fileName);
        Truncated(fileName, "la tabla de flujos totales");
        return result;
    }
    ReadLpaHelper(options.ComposeMovements);

    // Flows per user class, in blocks of up to five classes (three in the first
    // block when the preloaded and fixed flows take two of its columns).
    result.ClassesReached = true;
    if (Network.Options.NOMADS > 1) {
        const int classes = std::min<int>(Network.Options.NOMADS, MaxUserClasses);
        Block block{1, std::min(classes, Network.Options.PLOD ? 3 : 5), 0};
        ended = false;
        while (in.Read()) {
            if (in.HasAny({kDisaggregated, "NORMAL COMPLETION OF PROGRAM", kSummary})) {
                ended = true;
                break;
            }
            parse(block);
        }
        if (ended && Contains(kSummary, in.Line())) {
            block.off = block.n;
            while (ended && classes > block.off) {
                block.pass = 2;
                block.n = std::min(classes - block.off, 5);
                ended = false;
                while (in.Read()) {
                    const std::string head = Copy(in.Line(), 1, 18);
                    if (head == "      LISTING OF D" || head == "           SUMMARY") {
                        ended = true;
                        break;
                    }
                    parse(block);
                }
                block.off += block.n;
            }
        }
        if (!ended) {
            finish();
            unreadable.Tell(fileName);
            Truncated(fileName, "los flujos por clase de usuario");
            return result;
        }
    }

    // The PIJA records are the listing's: one read without them (or without
    // reading them) leaves none of the listing read before.
    if (options.ReadPijas) {
        ReadPijaTables(in);
    } else {
        ClearPijas();
        ShowPijaItems();
    }
    GeneralisedCosts();
    ZoneMaxima();
    Network.LpaLoaded = 1;
    result.Completed = true;
    finish();
    unreadable.Tell(fileName);
    return result;
}

} // namespace PalvonRead
