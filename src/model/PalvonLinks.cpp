// Section 33333 (links, their extra data and zone connector lines), the pass that
// ties arms, links and movements to node records, and the forward star.
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ParallelChunks.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

using ZelUtils::Format;

namespace PalvonRead {

namespace {

// State kept while the sections before the sorts are read. It belongs to one read:
// ClearNetwork empties FirstArc and PostLinkPass builds it, so in between FirstArc
// holds no index, and the single entry ReadingMark tells that this state is the one
// of the read in progress (anything else means a new read has started).
constexpr int32_t ReadingMark = -1;

// (A, B) key -> link index, open addressing in one flat table: every record of the
// link section looks its link up, and a node-based map would allocate per link.
// The table grows with what it holds, so that it stays within the caches.
class TLinkIndex {
public:
    // Index stored for the key, 0 when none.
    int32_t Find(uint64_t key) const
    {
        if (slots_.empty() || !Marked(key))
            return 0;
        for (size_t slot = Slot(key);; slot = (slot + 1) & mask_) {
            if (slots_[slot].link == 0)
                return 0;
            if (slots_[slot].Key() == key)
                return slots_[slot].link;
        }
    }
    // Room for `keys` more keys, made at once.
    void Reserve(size_t keys)
    {
        size_t capacity = 4096;
        while (capacity < 2 * (count_ + keys))
            capacity *= 2;
        if (capacity > slots_.size())
            Rehash(capacity);
    }
    // Stores the index unless the key has one already (the first link wins).
    void Add(uint64_t key, int32_t link)
    {
        // Never more than half full: probes stay short.
        if (2 * (count_ + 1) > slots_.size())
            Reserve(std::max<size_t>(count_, 1));
        for (size_t slot = Slot(key);; slot = (slot + 1) & mask_) {
            if (slots_[slot].link == 0) {
                slots_[slot] = {static_cast<uint32_t>(key >> 32), static_cast<uint32_t>(key), link};
                ++count_;
                const uint64_t bit = Bit(key);
                marks_[bit / 64] |= uint64_t(1) << (bit % 64);
                return;
            }
            if (slots_[slot].Key() == key)
                return;
        }
    }

private:
    struct TSlot {
        uint32_t high = 0, low = 0; // the key, in halves: twelve bytes a slot
        int32_t link = 0;           // 0 = empty slot
        uint64_t Key() const { return (static_cast<uint64_t>(high) << 32) | low; }
    };
    size_t Slot(uint64_t key) const { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & mask_; }
    // One bit per key held, in a few kilobytes that stay in the nearest cache: most
    // keys looked up are new, and their bit alone says so, without a probe into
    // the table (far larger, and cold between the lines of the text).
    static uint64_t Bit(uint64_t key) { return (key * 0xC2B2AE3D27D4EB4Full) >> (64 - MarkBits); }
    bool Marked(uint64_t key) const
    {
        const uint64_t bit = Bit(key);
        return (marks_[bit / 64] >> (bit % 64)) & 1u;
    }
    static constexpr int MarkBits = 16;
    // Every key is held once, so the entries move to a larger table as they are.
    void Rehash(size_t capacity)
    {
        std::vector<TSlot> old = std::exchange(slots_, std::vector<TSlot>(capacity));
        mask_ = capacity - 1;
        for (const TSlot& e : old)
            if (e.link != 0) {
                size_t slot = Slot(e.Key());
                while (slots_[slot].link != 0)
                    slot = (slot + 1) & mask_;
                slots_[slot] = e;
            }
    }

    size_t mask_ = 0;
    size_t count_ = 0;
    std::vector<TSlot> slots_;
    std::vector<uint64_t> marks_ = std::vector<uint64_t>((size_t(1) << MarkBits) / 64);
};

// A link of the section whose record is made when the section ends: made then in
// the order of their numbers, the records need no sorting, and each is written
// once instead of being moved afterwards (they are large and the section has
// thousands). It stands in the index as the record it will be, LinkCount + its
// position among the pending links.
// Its record is read again from the text then: the lines read before the current
// one never move during a read (includes and notes go in after it).
struct PendingLink {
    int32_t a = 0;
    int32_t b = 0;
    int32_t line = 0;   // its record's line in the text
    uint32_t extra = 0; // its extra data (see StoreExtra), 0 = none
};

// Extra data given again for a pending link by a repeated record, applied after
// the link is filled, in the order given.
struct PendingExtra {
    int32_t link = 0; // position among the pending links
    uint32_t extra = 0;
};

struct SectionState {
    // (A, B) -> index of the first link with those numbers, covering links
    // 1..indexedLinks and the pending links. Links are only appended until the
    // sorts, so the index is brought up to date by adding the links created since
    // (by the arms as well).
    TLinkIndex linkByNodes;
    int32_t indexedLinks = 0;
    // The pending links of a record's own direction that came after every other
    // such one in the order of (A, B), as most do in a network a program wrote
    // out: their keys, in order, and indices, found by bisection without a look
    // at memory far away (a link past the last key, as each new one of such a
    // text, not even that). Any other pending link is in the table. No key is in
    // both: a link is added only when none has its numbers.
    std::vector<uint64_t> orderedKeys;
    std::vector<int32_t> orderedLinks;
    std::vector<PendingLink> pending;
    std::vector<PendingExtra> pendingExtras;
    std::vector<float> extraValues; // their extra data: the count, then the values
    // Limits met, by summary text in the order first met, with their counts.
    std::vector<std::pair<std::string, int>> limits;
    // Records given twice (a file included twice, or records both in the file
    // and in an include), counted the same way.
    std::vector<std::pair<std::string, int>> repeats;
    // Data fields whose text is no number (a letter, a comma for the point) and
    // read as 0, and records out of their columns, counted the same way.
    std::vector<std::pair<std::string, int>> unreadable;
    bool knobsReported = false;
};
SectionState state;
// The two-way records PrepareLinkStorage counted in the section ahead: the links
// of their other direction are the table's, sized for them at the first link.
int32_t twoWayRecordsAhead = 0;

void EnsureCurrentState()
{
    if (FirstArc.size() == 1 && FirstArc[0] == ReadingMark)
        return;
    state = SectionState();
    FirstArc.assign(1, ReadingMark);
}

uint64_t NodesKey(int32_t a, int32_t b)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

// Index of the link A-B among the links read so far (0 if none); the same answer as
// a scan of the unsorted links for the first match, without the scan.
int32_t FindLink(int32_t a, int32_t b)
{
    if (state.indexedLinks > Network.LinkCount) {
        state.linkByNodes = TLinkIndex();
        state.indexedLinks = 0;
        state.orderedKeys.clear();
        state.orderedLinks.clear();
    }
    for (int32_t k = state.indexedLinks + 1; k <= Network.LinkCount; ++k)
        state.linkByNodes.Add(NodesKey(Arcos[k].A, Arcos[k].B), k);
    state.indexedLinks = Network.LinkCount;
    const uint64_t key = NodesKey(a, b);
    const std::vector<uint64_t>& ordered = state.orderedKeys;
    if (!ordered.empty() && key <= ordered.back()) {
        const auto it = std::lower_bound(ordered.begin(), ordered.end(), key);
        if (*it == key)
            return state.orderedLinks[static_cast<size_t>(it - ordered.begin())];
    }
    return state.linkByNodes.Find(key);
}

bool BlankOrDigit(const std::string& line, int column)
{
    if (column > static_cast<int>(line.size()))
        return true; // a column beyond the end of the line is blank
    char c = line[static_cast<size_t>(column - 1)];
    return c == ' ' || (c >= '0' && c <= '9');
}

std::string Padded(std::string s, size_t width)
{
    if (s.size() < width)
        s.resize(width, ' ');
    return s;
}

// The number of a column field (as Field cuts it), read without copying the field.
double RealField(std::string_view s, int first, int width) { return ZelUtils::ParseReal(FieldView(s, first, width)); }

// True when the one-column field at `column` holds c (Field(line, column, 1) == c).
bool ColumnIs(std::string_view s, int column, char c)
{
    return column >= 1 && column <= static_cast<int>(s.size()) && s[static_cast<size_t>(column - 1)] == c;
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32)
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32)
        s.remove_suffix(1);
    return s;
}

// The street name's 25 columns. In a UTF-8 text a character may straddle the
// last column: it is left out whole rather than kept as a lone first byte, which
// would show as another letter. A byte the line does not complete as UTF-8 (a
// Windows-1252 letter) stays.
std::string_view StreetNameField(std::string_view line, int first)
{
    constexpr size_t width = 25;
    const std::string_view name = FieldView(line, first, static_cast<int>(width));
    if (name.size() < width)
        return name;
    size_t lead = name.size();
    while (lead > 0 && name.size() - lead < 3 && (static_cast<unsigned char>(name[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return name;
    --lead;
    const unsigned char c = static_cast<unsigned char>(name[lead]);
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (name.size() - lead >= length)
        return name;
    const size_t at = static_cast<size_t>(first - 1) + lead;
    if (TextCodec::IsValidUtf8(line.substr(at, length)))
        return name.substr(0, lead);
    return name;
}

// The zone connector entry of a link-section line whose node field at A (or at B)
// begins with a letter: zone, kind "2", the node, the first data field, and the
// two-way code, speed code, one column and length.
std::string ConnectorEntry(const std::string& line, bool zoneAtA)
{
    const int w = Network.Options.NodeWidth;
    std::string zone, node;
    if (zoneAtA) {
        zone = w == 5 ? " " + Format("%4s", ZelUtils::Trim(Field(line, 2, 4)))
                      : Format("%5s", ZelUtils::Trim(Field(line, 6, 5)));
        node = Field(line, w + 1, w);
    } else {
        zone = w == 5 ? " " + Format("%4s", ZelUtils::Trim(Field(line, 7, 4)))
                      : Format("%5s", ZelUtils::Trim(Field(line, 16, 5)));
        node = " " + Field(line, 2, w - 1);
    }
    return Padded(zone, 5) + "2" + Padded(node, static_cast<size_t>(w)) + Padded(Field(line, 2 * w + 1, 5), 5) +
           Padded(Field(line, 2 * w + 18, 8), 8);
}

void SetExtraData(TArcos& link, const float* extra, int32_t count)
{
    for (int32_t j = 1; j <= count; ++j)
        link.Var[27 + j] = extra[j];
}

char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A one-column code as the upper-cased line holds it.
std::string_view UpperCode(std::string_view code, char& room)
{
    if (code.empty())
        return code;
    room = UpperChar(code[0]);
    return std::string_view(&room, 1);
}

// The data columns of a link record as FillLink writes them into the link: the
// variables of `written` (bit v for Var[v]), the two one-column codes and the
// street name. The same for both directions of the record.
struct LinkFields {
    float var[10] = {};
    uint16_t written = 0;
    uint8_t unreadable = 0; // bit k: the field at LinkDataFields[k] is no number (read as 0)
    bool shifted = false;   // the columns no field reads are not blank: the record is out of its columns
    char streetTag = 0;
    char speedTag = 0;
    uint8_t streetTagLength = 0;
    uint8_t speedTagLength = 0;
    std::string streetName;
};

// The numeric data fields of a link record, five columns each, by their first
// column past the two node fields (2W + offset): the two times (or speeds), the
// capacity, the length, the exponent and the category.
constexpr int LinkDataFields[] = {1, 6, 11, 21, 26, 31};

// The line is taken as the text holds it, without its final CR: letters count as
// upper-cased (the numbers read the same either way), as the section read them.
// Reads nothing but the line and its arguments (node width, KERMIT).
void ParseLinkFields(std::string_view line, int w, bool kermit, LinkFields& f)
{
    auto set = [&f](int v, double value) {
        f.var[v] = static_cast<float>(value);
        f.written = static_cast<uint16_t>(f.written | (1u << v));
    };
    auto field = [&](int k) {
        const std::string_view text = FieldView(line, 2 * w + LinkDataFields[k], 5);
        const double value = ZelUtils::ParseReal(text);
        if (value == 0.0 && !SaysZero(text))
            f.unreadable = static_cast<uint8_t>(f.unreadable | (1u << k));
        return value;
    };
    set(5, field(2));
    set(7, field(3) * (kermit ? 1000.0 : 1.0));
    if (ColumnIs(line, 2 * w + 19, 'S') || ColumnIs(line, 2 * w + 19, 's')) {
        set(1, field(0));
        set(2, field(1));
        if (f.var[1] > 0)
            set(3, ZelUtils::Round(3.6 * f.var[7] / f.var[1]));
        if (f.var[2] > 0)
            set(4, ZelUtils::Round(3.6 * f.var[7] / f.var[2]));
    } else {
        const double scale = kermit ? 60.0 : 1.0;
        set(3, field(0) * scale);
        set(4, field(1) * scale);
        if (f.var[3] > 0)
            set(1, ZelUtils::Round(3.6 * f.var[7] / f.var[3]));
        if (f.var[4] > 0)
            set(2, ZelUtils::Round(3.6 * f.var[7] / f.var[4]));
    }
    const std::string_view streetTag = UpperCode(FieldView(line, 2 * w + 18, 1), f.streetTag);
    f.streetTagLength = static_cast<uint8_t>(streetTag.size());
    const std::string_view speedTag = UpperCode(FieldView(line, 2 * w + 19, 1), f.speedTag);
    f.speedTagLength = static_cast<uint8_t>(speedTag.size());
    f.streetName.assign(Trimmed(StreetNameField(line, 2 * w + 36)));
    for (char& c : f.streetName)
        c = UpperChar(c);
    TextCodec::UpperAccented(f.streetName);
    set(8, field(4));
    set(9, field(5));
    // A digit typed in or taken out moves every field after it by a column: the
    // columns between the capacity and the codes, or between the codes and the
    // length, then hold what belongs to their neighbours.
    for (const char c : FieldView(line, 2 * w + 16, 2))
        f.shifted = f.shifted || c != ' ';
    for (const char c : FieldView(line, 2 * w + 20, 1))
        f.shifted = f.shifted || c != ' ';
}

// The fields of a new link that were no number, each noted with its text: the
// user sees why the link holds 0 there.
void NoteUnreadableFields(const LinkFields& f, std::string_view line, int32_t a, int32_t b)
{
    const int w = Network.Options.NodeWidth;
    if (f.shifted)
        NoteUnreadable("Registros fuera de sus columnas en la sección 33333",
                       Format("Arco %d - %d: las columnas %d-%d y %d, que no se leen, no están en blanco: el registro "
                              "parece corrido (un número más ancho que su campo, o un espacio de menos)",
                              a, b, 2 * w + 16, 2 * w + 17, 2 * w + 20));
    for (int k = 0; k < static_cast<int>(std::size(LinkDataFields)); ++k)
        if ((f.unreadable >> k) & 1u) {
            const int first = 2 * w + LinkDataFields[k];
            NoteUnreadable("Valores que no son números en la sección 33333",
                           Format("Arco %d - %d: \"%s\" en las columnas %d-%d no es un número; se leyó como 0", a,
                                  b, ZelUtils::Trim(FieldView(line, first, 5)), first, first + 4));
        }
}

// Fills a new link from its record's data columns.
void ApplyLinkFields(TArcos& link, int32_t a, int32_t b, const LinkFields& f, const float* extra, int32_t extraCount)
{
    link.Flags = 0;
    link.SetFlag(0);
    Network.LinksByClass[0] += 1;
    link.A = a;
    link.B = b;
    // The key is not cut to 18 characters: 10-digit numbers must keep every digit.
    SetLinkKey(link.Key, a, b);
    link.PointCount = 0;
    for (int v = 1; v <= 9; ++v)
        if ((f.written >> v) & 1u)
            link.Var[v] = f.var[v];
    link.StreetTag = std::string_view(&f.streetTag, f.streetTagLength);
    link.SpeedTag = std::string_view(&f.speedTag, f.speedTagLength);
    link.StreetName.assign(f.streetName);
    SetExtraData(link, extra, extraCount);
}

void FillLink(TArcos& link, int32_t a, int32_t b, std::string_view line, const float* extra, int32_t extraCount)
{
    LinkFields f;
    ParseLinkFields(line, Network.Options.NodeWidth, Network.Options.KERMIT != 0, f);
    ApplyLinkFields(link, a, b, f, extra, extraCount);
    if (f.unreadable != 0 || f.shifted)
        NoteUnreadableFields(f, line, a, b);
}

// Keeps extra[1..extraCount] for a pending link; 0 when there is nothing to keep.
uint32_t StoreExtra(const float* extra, int32_t extraCount)
{
    if (extraCount <= 0)
        return 0;
    state.extraValues.push_back(static_cast<float>(extraCount));
    const auto at = static_cast<uint32_t>(state.extraValues.size());
    state.extraValues.insert(state.extraValues.end(), extra + 1, extra + 1 + extraCount);
    return at;
}

// Puts the values kept at `at` into extra[1..]; returns their count.
int32_t LoadExtra(uint32_t at, float* extra)
{
    if (at == 0)
        return 0;
    const auto count = static_cast<int32_t>(state.extraValues[at - 1]);
    std::copy_n(state.extraValues.begin() + at, count, extra + 1);
    return count;
}

// A record for a link that exists already gives only its extra data.
void RepeatedRecord(int32_t k, const float* extra, int32_t extraCount)
{
    int32_t a = 0, b = 0;
    bool ofArm = false;
    if (k > Network.LinkCount) {
        // A pending link (never one of an arm): its extra data once it is made.
        const int32_t p = k - Network.LinkCount - 1;
        a = state.pending[static_cast<size_t>(p)].a;
        b = state.pending[static_cast<size_t>(p)].b;
        if (extraCount > 0)
            state.pendingExtras.push_back({p, StoreExtra(extra, extraCount)});
    } else {
        TArcos& link = Arcos[k];
        SetExtraData(link, extra, extraCount);
        a = link.A;
        b = link.B;
        ofArm = link.HasFlag(1);
    }
    // A record for a link of a junction arm is the usual way to give it its
    // data: only a link given twice in the section is reported.
    if (ofArm)
        AddError(Format("Arco %d - %d: ya definido por un brazo de la intersección %d; de su registro en la "
                        "sección 33333 sólo se usan los datos extra",
                        a, b, b));
    else
        NoteRepeat("Arcos repetidos en la sección 33333",
                   Format("Arco %d - %d repetido en la sección 33333: sólo se usan los datos extra del nuevo registro",
                          a, b));
}

// A new link of the section, pending until the section ends; the same capacity
// check as NewLink, at the same point of the reading.
// The link of a record's own direction may join the links kept in order; that of
// its other direction goes to the table: coming after its record's own, it would
// raise the last key past the links of the records that follow.
void AddPendingLink(const TNetworkReader& r, int32_t a, int32_t b, int32_t line, const float* extra,
                    int32_t extraCount, bool recordDirection)
{
    const int32_t index = Network.LinkCount + static_cast<int32_t>(state.pending.size()) + 1;
    if (index >= MaxArcos)
        throw CapacityError(Format("más de %d arcos", MaxArcos - 1));
    if (state.pending.empty()) {
        // Room for every link the rest of the text can give, within the capacity,
        // in one block (grown by doubling it would take half as much again).
        const size_t lines = r.Lines ? r.Lines->size() - static_cast<size_t>(std::max(r.LineIndex, 0)) : 0;
        state.pending.reserve(std::min(2 * lines, static_cast<size_t>(MaxArcos - Network.LinkCount)));
        state.orderedKeys.reserve(state.pending.capacity());
        state.orderedLinks.reserve(state.pending.capacity());
        state.linkByNodes.Reserve(static_cast<size_t>(twoWayRecordsAhead));
        twoWayRecordsAhead = 0; // counted for this section alone
    }
    PendingLink link;
    link.a = a;
    link.b = b;
    link.line = line;
    link.extra = StoreExtra(extra, extraCount);
    state.pending.push_back(link);
    if (const uint64_t key = NodesKey(a, b);
        recordDirection && (state.orderedKeys.empty() || key > state.orderedKeys.back())) {
        state.orderedKeys.push_back(key);
        state.orderedLinks.push_back(index);
    } else {
        state.linkByNodes.Add(key, index);
    }
}

void NameNodes(int32_t a, int32_t b)
{
    Nodos[NodeIndex(a)].Flags = 2;
    Nodos[NodeIndex(b)].Flags = 2;
}

} // namespace

namespace {
void CountNote(std::vector<std::pair<std::string, int>>& list, const std::string& summary, const std::string& detail)
{
    EnsureCurrentState();
    AddError(detail);
    for (auto& [text, count] : list)
        if (text == summary) {
            ++count;
            return;
        }
    list.emplace_back(summary, 1);
}
} // namespace

void NoteLimit(const std::string& summary, const std::string& detail) { CountNote(state.limits, summary, detail); }

void NoteRepeat(const std::string& summary, const std::string& detail) { CountNote(state.repeats, summary, detail); }

void NoteUnreadable(const std::string& summary, const std::string& detail)
{
    CountNote(state.unreadable, summary, detail);
}

void ParseLinkRecord(TNetworkReader& r, const std::string& line)
{
    EnsureCurrentState();
    // A blank line is not a record (it would read as a connector of zone 0, or as a
    // link between nodes numbered 0).
    if (IsBlank(line))
        return;
    const int w = Network.Options.NodeWidth;
    const int32_t recordLine = r.LineIndex; // before the extra-data line is read

    // The extra-data line follows every record, connector lines included.
    float extra[MaxKnobValues + 1] = {};
    int32_t extraCount = 0;
    if (Network.Options.KNOBS > 0 && !Network.Options.FILKNB) {
        extraCount = std::min(Network.Options.KNOBS, MaxKnobValues);
        if (Network.Options.KNOBS > MaxKnobValues && !state.knobsReported) {
            state.knobsReported = true;
            NoteLimit("Valor de KNOBS mayor que 8 (se leen 8 datos extra por arco)",
                      Format("KNOBS=%d: sólo se leen %d datos extra por arco", Network.Options.KNOBS, MaxKnobValues));
        }
        std::string data = ReadLine(r);
        if (r.AtEnd) {
            extraCount = 0;
        } else if (IsTerminator(data)) {
            --r.LineIndex; // the section loop reads it again and ends the section
            extraCount = 0;
            AddError(Format("Línea %d: falta la línea de datos extra del último registro de la sección 33333",
                            r.LineIndex + 2));
        } else {
            int32_t given = std::min(static_cast<int32_t>(data.size()) / 10, MaxKnobValues);
            for (int32_t j = 1; j <= given && j <= extraCount; ++j)
                extra[j] = static_cast<float>(RealField(data, 10 * j - 9, 10));
        }
    }

    const bool zoneAtA = !BlankOrDigit(line, 1);
    if (zoneAtA || !BlankOrDigit(line, w + 1)) {
        ZoneConnectorList.insert(ConnectorEntry(line, zoneAtA));
        return;
    }

    const int32_t a = ZelUtils::ParseInt(FieldView(line, 1, w));
    const int32_t b = ZelUtils::ParseInt(FieldView(line, w + 1, w));
    if (a == 0 || b == 0) {
        // A number of ten digits past the largest the model holds reads as none:
        // say which it is rather than that the node is missing.
        const std::string_view field = Trimmed(FieldView(line, a == 0 ? 1 : w + 1, w));
        if (!field.empty() && field.find_first_not_of("0123456789") == std::string_view::npos &&
            field.find_first_not_of('0') != std::string_view::npos)
            AddError(Format("Línea %d de la sección 33333: el nodo %s %s pasa del mayor número de nodo (%d); se "
                            "ignora: %s",
                            r.LineIndex + 1, a == 0 ? "A" : "B", std::string(field), INT32_MAX, line));
        else
            AddError(Format("Línea %d de la sección 33333 sin nodo %s; se ignora: %s", r.LineIndex + 1,
                            a == 0 ? "A" : "B", line));
        return;
    }

    if (int32_t k = FindLink(a, b); k > 0) {
        RepeatedRecord(k, extra, extraCount);
    } else {
        AddPendingLink(r, a, b, recordLine, extra, extraCount, true);
        NameNodes(a, b);
    }

    if (ColumnIs(line, 2 * w + 18, '2')) {
        if (int32_t reverse = FindLink(b, a); reverse > 0) {
            RepeatedRecord(reverse, extra, extraCount);
        } else {
            AddPendingLink(r, b, a, recordLine, extra, extraCount, false);
            // Also when the forward link came from a junction arm: the nodes must
            // exist, or the reverse link would have no ends to be drawn between.
            NameNodes(a, b);
        }
    }
}

namespace {

// The pending links in the order of their numbers, A then B. The nodes are sorted
// already, so the record of node A stands where A stands among the numbers: the
// links are counted into one group per node, and each group (a node's few links)
// is put in the order of B. Empty when a node is missing from the index.
std::vector<int32_t> OrderByNodes(const std::vector<PendingLink>& pending)
{
    const size_t nodes = static_cast<size_t>(Network.NodeCount);
    // first[n]: where node n's group starts, once counted; it moves along the
    // group while the group is filled, and ends where the next one starts.
    std::vector<int32_t> first(nodes + 2, 0);
    // Each link's node A record, looked up once for both passes.
    std::vector<int32_t> nodeOfA(pending.size());
    for (size_t p = 0; p < pending.size(); ++p) {
        const auto it = NodeKeyList.find(pending[p].a);
        if (it == NodeKeyList.end() || it->second < 1 || static_cast<size_t>(it->second) > nodes)
            return {};
        nodeOfA[p] = it->second;
        ++first[static_cast<size_t>(it->second) + 1];
    }
    for (size_t n = 1; n < first.size(); ++n)
        first[n] += first[n - 1];
    std::vector<int32_t> order(pending.size());
    for (size_t p = 0; p < pending.size(); ++p)
        order[static_cast<size_t>(first[static_cast<size_t>(nodeOfA[p])]++)] = static_cast<int32_t>(p);
    // Each group's start moved to the next group's: move them back.
    for (size_t n = nodes + 1; n >= 1; --n)
        first[n] = first[n - 1];
    first[0] = 0;
    auto b = [&pending](int32_t p) { return pending[static_cast<size_t>(p)].b; };
    for (size_t n = 1; n <= nodes; ++n) {
        const auto begin = order.begin() + first[n], end = order.begin() + first[n + 1];
        for (auto i = begin + 1; i < end; ++i)
            for (auto j = i; j > begin && b(*j) < b(*(j - 1)); --j)
                std::iter_swap(j, j - 1);
    }
    return order;
}

} // namespace

namespace {
std::thread linkStorageWorker;

// The data columns of the link section's lines, worked out by a thread while the
// text is read up to there (see PrepareLinkStorage): for the lines first..first +
// count - 1 of the text as it stood then (revision), fields[i] of line first + i.
// The thread stops when asked, and always before the text changes.
struct LinkFieldsAhead {
    const TTextLines* lines = nullptr;
    uint64_t revision = 0;
    int32_t first = 0;
    int32_t count = 0;
    int nodeWidth = 5;
    bool kermit = false;
    std::vector<LinkFields> fields;  // made by the thread before `ready` first grows
    std::atomic<int32_t> ready{0};   // fields[0..ready-1] are done
    std::atomic<bool> stop{false};
    std::atomic<bool> running{true};
};
std::shared_ptr<LinkFieldsAhead> linkFieldsAhead;

void WorkOutLinkFields(const std::shared_ptr<LinkFieldsAhead>& ahead)
{
    LinkFieldsAhead& a = *ahead;
    a.fields.resize(static_cast<size_t>(a.count));
    int32_t i = 0;
    for (; i < a.count; ++i) {
        if (i % 64 == 0) {
            if (a.stop.load(std::memory_order_relaxed))
                break;
            a.ready.store(i, std::memory_order_release);
        }
        std::string_view line = (*a.lines)[static_cast<size_t>(a.first + i)];
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line[0] != '*')
            ParseLinkFields(line, a.nodeWidth, a.kermit, a.fields[static_cast<size_t>(i)]);
    }
    a.ready.store(i, std::memory_order_release);
    a.running.store(false, std::memory_order_release);
    a.running.notify_all();
}

// The fields worked out for the current text, if any.
const LinkFieldsAhead* LinkFieldsOfText(const TNetworkReader& r)
{
    const LinkFieldsAhead* a = linkFieldsAhead.get();
    return a && a->lines == r.Lines && r.Lines && r.Lines->Revision() == a->revision ? a : nullptr;
}
} // namespace

void FinishReadingAhead()
{
    if (!linkFieldsAhead)
        return;
    linkFieldsAhead->stop.store(true);
    while (linkFieldsAhead->running.load(std::memory_order_acquire))
        linkFieldsAhead->running.wait(true, std::memory_order_acquire);
    linkFieldsAhead.reset();
}

bool MakePendingLinks(const TNetworkReader& r)
{
    EnsureCurrentState();
    std::vector<PendingLink>& pending = state.pending;
    if (pending.empty())
        return false;
    // Without earlier links (those of junction arms) the records are made in the
    // order SortLinks gives: by A, then B (the pending links never share both).
    // Otherwise in the order read, and SortLinks orders them with the others.
    std::vector<int32_t> order;
    if (Network.LinkCount == 0)
        order = OrderByNodes(pending);
    const bool inOrder = !order.empty();
    if (order.empty()) {
        order.resize(pending.size());
        for (size_t p = 0; p < pending.size(); ++p)
            order[p] = static_cast<int32_t>(p);
    }
    // Record of each pending link, for the extra data given again for some.
    std::vector<int32_t> recordOf(state.pendingExtras.empty() ? 0 : pending.size());
    float extra[MaxKnobValues + 1] = {};
    // The data columns of the lines a thread has worked out already (see
    // PrepareLinkStorage), as FillLink would find them; the others from their lines.
    const LinkFieldsAhead* ahead = LinkFieldsOfText(r);
    const int32_t ready = ahead ? ahead->ready.load(std::memory_order_acquire) : 0;
    bool listed = false;
    int32_t listedA = 0, listedAIndex = 0; // node A of the last link made in order, and its record
    for (int32_t p : order) {
        const PendingLink& link = pending[static_cast<size_t>(p)];
        const int32_t extraCount = LoadExtra(link.extra, extra);
        const int32_t k = NewLink();
        if (!recordOf.empty())
            recordOf[static_cast<size_t>(p)] = k;
        // The records lie far beyond the caches: the one a few links ahead is
        // fetched while this one is written, instead of each waiting in turn.
        PrefetchRecord(Arcos, k + 8);
        TArcos& made = Arcos[k];
        // Made in order, the records stay where they are: their nodes' records are
        // found now, while the record is at hand, as LinkNodesPass would find them.
        // In order, the links of one node A come one after another: its record is
        // looked up once for them all.
        if (inOrder) {
            if (!listed || link.a != listedA) {
                listed = true;
                listedA = link.a;
                listedAIndex = KDVlib::FindListedNodo(link.a);
            }
            made.AIndex = listedAIndex;
            made.BIndex = KDVlib::FindListedNodo(link.b);
        }
        if (const int32_t i = ahead ? link.line - ahead->first : -1; i >= 0 && i < ready) {
            const LinkFields& f = ahead->fields[static_cast<size_t>(i)];
            ApplyLinkFields(made, link.a, link.b, f, extra, extraCount);
            if (f.unreadable != 0 || f.shifted) {
                std::string_view line = (*r.Lines)[static_cast<size_t>(link.line)];
                if (!line.empty() && line.back() == '\r')
                    line.remove_suffix(1);
                NoteUnreadableFields(f, line, link.a, link.b);
            }
            continue;
        }
        std::string_view line = (*r.Lines)[static_cast<size_t>(link.line)];
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        FillLink(made, link.a, link.b, line, extra, extraCount);
    }
    // The rest of the lines are of no more use.
    if (linkFieldsAhead)
        linkFieldsAhead->stop.store(true);
    for (const PendingExtra& e : state.pendingExtras) {
        const int32_t extraCount = LoadExtra(e.extra, extra);
        SetExtraData(Arcos[recordOf[static_cast<size_t>(e.link)]], extra, extraCount);
    }
    // The links are records now, numbered otherwise than while pending: any later
    // look-up indexes the records again.
    state.linkByNodes = TLinkIndex();
    state.indexedLinks = 0;
    state.orderedKeys = {};
    state.orderedLinks = {};
    // Given back at once: the opening goes on to fill grids and draw.
    state.pending = {};
    state.pendingExtras = {};
    state.extraValues = {};
    return inOrder;
}

void ReadLinkLine(TNetworkReader& r, std::string& line) { ParseLinkRecord(r, line); }

void PrepareLinkStorage(const TNetworkReader& r)
{
    FinishLinkStorage();
    // The records the section can make at most: one per line, two for a line of a
    // two-way link (lines of zone connectors and repeated links make none: the
    // estimate only runs over). Links of included files are not foreseen.
    const TTextLines& lines = *r.Lines;
    size_t k = static_cast<size_t>(std::max(r.LineIndex, 0));
    for (; k < lines.size(); ++k) {
        std::string_view l = lines[k];
        if (l.substr(0, 5) == "33333")
            break;
    }
    const size_t twoWayColumn = static_cast<size_t>(2 * Network.Options.NodeWidth + 17);
    int32_t records = 0;
    twoWayRecordsAhead = 0;
    const size_t firstLine = k + 1;
    for (++k; k < lines.size() && records < MaxArcos; ++k) {
        std::string_view l = lines[k];
        if (l.empty() || l[0] == '*')
            continue;
        if (l[0] == '9' && IsTerminator(std::string(l.substr(0, 5))))
            break;
        const bool twoWay = l.size() > twoWayColumn && l[twoWayColumn] == '2';
        records += twoWay ? 2 : 1;
        twoWayRecordsAhead += twoWay ? 1 : 0;
    }
    // Below a few hundred records the mapping costs next to nothing.
    if (records < 1024 || Parallel::Helpers(1) == 0)
        return;
    // The lines' data columns are worked out meanwhile as well, each line on its
    // own: MakePendingLinks takes those ready when it makes the records.
    auto ahead = std::make_shared<LinkFieldsAhead>();
    ahead->lines = &lines;
    ahead->revision = lines.Revision();
    ahead->first = static_cast<int32_t>(firstLine);
    ahead->count = static_cast<int32_t>(std::min(k, lines.size()) - firstLine);
    ahead->nodeWidth = Network.Options.NodeWidth;
    ahead->kermit = Network.Options.KERMIT != 0;
    try {
        std::thread(WorkOutLinkFields, ahead).detach();
        linkFieldsAhead = std::move(ahead);
    } catch (const std::system_error&) {
        // No thread: the records are made from their lines alone.
    }
    // Reserved here, in this thread: the storage never moves afterwards, so the
    // records may be made while their pages are being mapped.
    const auto [bytes, size] = Arcos.StorageOf(1, Network.LinkCount + records);
    const uintptr_t page = 4096;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(bytes) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(bytes) + size) & ~(page - 1);
    if (end <= first)
        return;
    linkStorageWorker = std::thread([first, end] {
        // Maps the pages as a write would, without writing: records made meanwhile
        // keep what is written in them. Nothing happens where the system does
        // not know the request.
        madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    });
}

void FinishLinkStorage()
{
    FinishReadingAhead();
    if (linkStorageWorker.joinable())
        linkStorageWorker.join();
}

void LinkNodesPass(bool linksIndexed)
{
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        TNodo& node = Nodos[n];
        for (int32_t i = 0; i < std::min(node.ArmCount, MaxArms); ++i) {
            TConector& arm = node.Arms[i];
            arm.OtherIndex = KDVlib::FindNodo(arm.OtherNode);
            if (arm.Lanes != 0) {
                int32_t l = KDVlib::FindArco(arm.OtherNode, node.Number);
                arm.ArmLink = l;
                if (l > 0) {
                    TArcos& link = Arcos[l];
                    link.Var[6] = static_cast<float>(arm.Lanes);
                    link.SetLanes(arm.Lanes);
                    bool any = false;
                    for (int k = 1; k <= MaxLanes; ++k) {
                        link.LaneFlags[k] = arm.LaneIsB[k];
                        any = any || arm.LaneIsB[k] != 0;
                    }
                    if (any)
                        link.SetFlag(11);
                }
            } else {
                arm.ArmLink = -KDVlib::FindArco(node.Number, arm.OtherNode);
            }
        }
    }
    // Each link's node indices from its own numbers, by look-ups that only read:
    // a large network's links are taken in chunks by a few threads.
    const int32_t links = linksIndexed ? 0 : Network.LinkCount;
    constexpr int32_t PerChunk = 4096;
    Parallel::ForChunks((links + PerChunk - 1) / PerChunk, 3, [links](int c) {
        for (int32_t k = c * PerChunk + 1; k <= std::min(links, (c + 1) * PerChunk); ++k) {
            PrefetchRecord(Arcos, k + 8, 64); // numbers and node indices lie in the first line
            TArcos& link = Arcos[k];
            link.AIndex = KDVlib::FindNodo(link.A);
            link.BIndex = KDVlib::FindNodo(link.B);
        }
    });
    for (int32_t m = 1; m <= Network.MovementCount; ++m) {
        TMovimiento& mv = Movims[m];
        mv.AIndex = KDVlib::FindNodo(mv.A);
        mv.JunctionIndex = KDVlib::FindNodo(mv.Node);
        mv.CIndex = KDVlib::FindNodo(mv.C);
    }
}

void PostLinkPass()
{
    // One message for every limit met while reading the sections before the sorts.
    if (FirstArc.size() == 1 && FirstArc[0] == ReadingMark && !state.limits.empty()) {
        std::string msg = "Algunos datos exceden los límites del programa y se han recortado (detalle en Errores.txt):";
        for (const auto& [text, count] : state.limits)
            msg += Format("\r%s: %d", text, count);
        Services().ShowMessage(msg);
    }
    if (FirstArc.size() == 1 && FirstArc[0] == ReadingMark && !state.repeats.empty()) {
        std::string msg = "Registros repetidos en la red (detalle en Errores.txt):";
        for (const auto& [text, count] : state.repeats)
            msg += Format("\r%s: %d", text, count);
        Services().ShowMessage(msg);
    }
    if (FirstArc.size() == 1 && FirstArc[0] == ReadingMark && !state.unreadable.empty()) {
        std::string msg = "Datos de la red que no se leyeron como están escritos (detalle en Errores.txt):";
        for (const auto& [text, count] : state.unreadable)
            msg += Format("\r%s: %d", text, count);
        Services().ShowMessage(msg);
    }
    state = SectionState();

    // Links are sorted by A, and nodes by number, so AIndex never decreases along
    // the links: the links leaving node record k start at the first link whose
    // AIndex is at least k.
    const int32_t nodes = Network.NodeCount;
    const int32_t links = Network.LinkCount;
    FirstArc.assign(static_cast<size_t>(nodes) + 2, links + 1);
    FirstArc[0] = 1;
    int32_t i = 1;
    for (int32_t k = 1; k <= nodes + 1; ++k) {
        // Every record's first line is read in turn, far beyond the caches: the
        // ones a few links ahead are fetched meanwhile.
        while (i <= links && Arcos[i].AIndex < k) {
            PrefetchRecord(Arcos, i + 8, 64);
            ++i;
        }
        FirstArc[static_cast<size_t>(k)] = i;
    }
    FirstArc[static_cast<size_t>(nodes) + 1] = links + 1;
}

} // namespace PalvonRead
