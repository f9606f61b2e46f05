// Section 66666 (transit lines): line records with their stops, the gaps between
// stops that no link joins, and the vehicles of each block on links and movements.
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/PalvonRead.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

using ZelUtils::Format;

namespace PalvonRead {

namespace {

// Intermediate nodes of the least-cost path between two node records, kept for
// one read: lines that share a gap (both directions of a route, several routes
// along one corridor) need one search for it, not one each.
std::map<std::pair<int32_t, int32_t>, std::vector<int32_t>> gapPaths;
// The graph of the network, built once per read for all the gaps.
std::unique_ptr<KDVlib::PathSession> gapSession;
bool blocksReported = false;
int messagesShown = 0;
int linesWithoutNodes = 0;
constexpr int MaxMessages = 5;

void Report(const std::string& msg)
{
    AddError(msg);
    if (messagesShown < MaxMessages) {
        ++messagesShown;
        Services().ShowMessage(msg);
    }
}

// The next line of a line description (continuation lines are consumed here, not
// by the section loop); false when the text has ended or the section does. A
// terminator is never a continuation line: it is left for the section loop, so a
// node count larger than the nodes given cannot swallow the following sections.
bool NextContinuation(TNetworkReader& r, std::string& line)
{
    // Back on the last line of the description, not merely one line up: comment
    // lines (notes of an earlier read) may stand before the terminator.
    const int32_t last = r.LineIndex;
    line = ReadLine(r);
    if (r.AtEnd)
        return false;
    if (Network.Options.UPBUS)
        line = BlankParentheses(line);
    if (IsTerminator(line)) {
        r.LineIndex = last; // the next ReadLine returns the terminator again
        return false;
    }
    return true;
}

// The n node numbers of a line whose header is the given line, in the layout in
// force, reading continuation lines as needed.
std::vector<int32_t> ReadNodeNumbers(TNetworkReader& r, const std::string& header, int32_t n)
{
    std::vector<int32_t> nodes;
    if (n <= 0)
        return nodes;
    nodes.reserve(static_cast<size_t>(std::min(n, 4 * MaxLineStops)));
    std::string cur = header;
    if (Network.Options.EZBUS) {
        std::vector<std::string> words;
        for (;;) {
            ZelUtils::SplitTabs(Field(cur, 16, 85), words);
            for (const auto& w : words)
                if (static_cast<int32_t>(nodes.size()) < n)
                    nodes.push_back(ZelUtils::ParseInt(w));
            if (static_cast<int32_t>(nodes.size()) >= n || !NextContinuation(r, cur))
                break;
        }
        return nodes;
    }
    int w = Network.Options.NodeWidth;
    int perLine = w >= 10 ? 6 : 13;
    int32_t lineNo = 0;
    for (int32_t i = 1; i <= n; ++i) {
        int32_t onLine = (i - 1) / perLine;
        if (onLine > lineNo) {
            if (!NextContinuation(r, cur))
                break;
            lineNo = onLine;
        }
        int pos = (i - 1) % perLine;
        nodes.push_back(ZelUtils::ParseInt(Field(cur, 16 + w * pos, w)));
    }
    return nodes;
}

// Intermediate node numbers (origin and destination excluded) of the least-cost
// path by length between two node records; empty when there is none.
const std::vector<int32_t>& GapPath(int32_t from, int32_t to)
{
    auto key = std::make_pair(from, to);
    auto it = gapPaths.find(key);
    if (it != gapPaths.end())
        return it->second;
    std::vector<int32_t> inner;
    if (!gapSession) {
        // Length is the cost here; the user's choice for the path tool is kept.
        int32_t savedCostVar = KDVlib::CostVar;
        KDVlib::CostVar = 7;
        gapSession = std::make_unique<KDVlib::PathSession>();
        KDVlib::CostVar = savedCostVar;
    }
    std::vector<int32_t> table;
    gapSession->Path(from, to, table);
    if (!table.empty()) {
        int32_t count = table[0];
        for (int32_t k = 2; k <= count - 1 && k < static_cast<int32_t>(table.size()); ++k)
            inner.push_back(table[static_cast<size_t>(k)]);
    }
    return gapPaths.emplace(key, std::move(inner)).first->second;
}

void AddLineRef(TArcos& link, int32_t line)
{
    int32_t idx = static_cast<int32_t>(LinkLineRefs.size());
    LinkLineRefs.push_back(TLineRef{line, -1});
    if (link.LineRefLast >= 0)
        LinkLineRefs[static_cast<size_t>(link.LineRefLast)].Next = idx;
    else
        link.LineRefFirst = idx;
    link.LineRefLast = idx;
}

void ParseTransitLine(TNetworkReader& r, const std::string& header, int block)
{
    bool fiveDigits = true;
    std::string first5 = Field(header, 1, 5);
    if (first5.size() < 5)
        fiveDigits = false;
    for (char c : first5)
        if (c < '0' || c > '9')
            fiveDigits = false;
    std::string name = ZelUtils::Trim(fiveDigits ? first5 : Field(header, 1, 4));
    TextCodec::UpperAccented(name);
    std::string code = Field(header, fiveDigits ? 6 : 5, 1);
    int32_t frequency = ZelUtils::ParseInt(Field(header, 7, 4));
    int32_t n = ZelUtils::ParseInt(Field(header, 11, 5));
    // A frequency that is no number loads nothing onto the links: said, not left at 0 unseen.
    if (frequency == 0 && block <= MaxTransitBlocks && !SaysZero(FieldView(header, 7, 4)))
        Report(Format("Línea %s: la frecuencia \"%s\" no es un número; se leyó como 0", name,
                      ZelUtils::Trim(FieldView(header, 7, 4))));

    // Lines of blocks beyond the last one that has vehicle variables: their
    // description is consumed, nothing is recorded.
    if (block > MaxTransitBlocks) {
        ReadNodeNumbers(r, header, n);
        if (!blocksReported) {
            blocksReported = true;
            Report(Format("Sección 66666: más de %d bloques de líneas; se omiten las líneas de los bloques "
                          "siguientes",
                          MaxTransitBlocks));
        }
        return;
    }

    int32_t li = NewLine();
    TLinea& line = Lineas[li];
    line.Name = name;
    line.LineCode = code;
    line.Group = block;
    line.Frequency = static_cast<float>(frequency);
    line.Stops.assign(1, 0);
    if (n <= 0) {
        // Counted and listed; one message says how many once the section is read.
        AddError(Format("Línea %s sin nodos. Ultima línea leída: %s", line.Name, Lineas[li - 1].Name));
        ++linesWithoutNodes;
    }

    std::vector<int32_t> listed = ReadNodeNumbers(r, header, n);
    if (n > 0 && static_cast<int32_t>(listed.size()) < n)
        Report(Format("Línea %s: faltan nodos (se esperaban %d, se leyeron %d)", line.Name, n,
                      static_cast<int>(listed.size())));

    // Nodes that the network does not know are left out, with a note in the text.
    std::vector<int32_t> nodes; // numbers
    std::vector<int32_t> records;
    std::vector<std::string> notes;
    for (int32_t number : listed) {
        int32_t rec = KDVlib::FindNodo(number);
        if (rec > 0) {
            nodes.push_back(number);
            records.push_back(rec);
            continue;
        }
        if (!r.AtEnd)
            notes.push_back(Format("*** Velmora: Nodo %d no encontrado", number));
        else
            AddError(Format("Línea %s: nodo %d no encontrado", line.Name, number));
    }
    // In UTF-8 an accented letter takes two bytes and the columns count bytes: a
    // name typed with one moves every field after it a column, and the line then
    // reads wrong. Said when its reading went wrong, naming the line and why.
    if ((n <= 0 || nodes.size() < listed.size() || static_cast<int32_t>(listed.size()) < n) &&
        std::any_of(header.begin(), header.begin() + std::min<size_t>(header.size(), 6),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) &&
        TextCodec::IsValidUtf8(header))
        Report(Format("Línea %s: el nombre lleva letras de dos bytes (UTF-8) y las columnas se cuentan en bytes: "
                      "los campos que le siguen quedan corridos",
                      line.Name));
    if (!r.AtEnd)
        InsertNotes(r, std::move(notes));

    std::vector<int32_t>& stops = line.Stops;
    bool truncated = false;
    auto append = [&](int32_t s) {
        if (static_cast<int32_t>(stops.size()) - 1 >= MaxLineStops) {
            truncated = true;
            return;
        }
        stops.push_back(s);
    };
    size_t m = nodes.size();
    if (Network.Options.FOZZY) {
        for (size_t j = 0; j + 1 < m; ++j) {
            append(nodes[j]);
            if (KDVlib::FindArco(nodes[j], nodes[j + 1]) == 0)
                for (int32_t inner : GapPath(records[j], records[j + 1]))
                    append(-inner);
        }
        if (m > 0)
            append(nodes[m - 1]);
    } else {
        for (size_t j = 0; j + 1 < m; ++j)
            append(KDVlib::FindArco(nodes[j], nodes[j + 1]) > 0 ? nodes[j] : -nodes[j]);
        if (m > 0)
            append(nodes[m - 1]);
    }
    stops[0] = static_cast<int32_t>(stops.size()) - 1;
    if (truncated)
        Report(Format("Línea %s: más de %d paradas; se conservan las %d primeras", line.Name, MaxLineStops,
                      MaxLineStops));

    // Vehicles of the block on the links and movements used directly; a negative
    // stop names no node, so every pair or triple through one is skipped.
    int32_t count = stops[0];
    int linkVar = 40 + block;
    int movVar = 100 + block;
    for (int32_t j = 1; j + 1 <= count; ++j) {
        int32_t a = stops[static_cast<size_t>(j)];
        int32_t b = stops[static_cast<size_t>(j + 1)];
        if (a <= 0 || b <= 0)
            continue;
        int32_t l = KDVlib::FindArco(a, b);
        if (l == 0)
            continue;
        Arcos[l].Var[linkVar] += line.Frequency;
        AddLineRef(Arcos[l], li);
    }
    for (int32_t j = 1; j + 2 <= count; ++j) {
        int32_t a = stops[static_cast<size_t>(j)];
        int32_t b = stops[static_cast<size_t>(j + 1)];
        int32_t c = stops[static_cast<size_t>(j + 2)];
        if (a <= 0 || b <= 0 || c <= 0)
            continue;
        int32_t mv = KDVlib::FindMovim(a, b, c);
        if (mv > 0)
            Movims[mv].Var[movVar] += line.Frequency;
    }
}

} // namespace

void ResetTransitState()
{
    gapPaths.clear();
    gapSession.reset();
    blocksReported = false;
    messagesShown = 0;
    linesWithoutNodes = 0;
}

void ReportTransitSummary()
{
    if (linesWithoutNodes == 1)
        Services().ShowMessage("1 línea de transporte público sin nodos (ver Errores.txt)");
    else if (linesWithoutNodes > 1)
        Services().ShowMessage(Format("%d líneas de transporte público sin nodos (ver Errores.txt)", linesWithoutNodes));
    linesWithoutNodes = 0;
}

void ReadTransitLine(TNetworkReader& r, std::string& line, int block)
{
    if (block > MaxTransitBlocks && Network.TransitBlockCount > MaxTransitBlocks)
        Network.TransitBlockCount = MaxTransitBlocks;
    ParseTransitLine(r, line, block);
}

} // namespace PalvonRead
