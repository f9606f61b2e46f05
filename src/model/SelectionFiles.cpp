#include "model/SelectionFiles.h"

#include "model/AuxFileText.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <cmath>

using ZelUtils::Format;

namespace SelectionFiles {

namespace {

// Right-aligned in `width` characters; a wider number gets a leading blank so that
// it never runs into the field before it.
void AppendField(std::string& out, int32_t v, int width, bool first)
{
    std::string s = Format("%*d", width, v);
    if (!first && s.size() > static_cast<size_t>(width))
        out += ' ';
    out += s;
}

// Not-found links listed one per line; a long list is cut short.
constexpr size_t MaxListedMissing = 20;

} // namespace

std::string SelectionLine(int32_t a, int32_t b, int32_t third)
{
    std::string line;
    AppendField(line, a, 10, true);
    AppendField(line, b, 10, false);
    AppendField(line, third, 5, false);
    line += "\r\n";
    return line;
}

std::string SelectionText(std::optional<int32_t> tag)
{
    std::string text;
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& a = Arcos[k];
        if (a.Mark > 0)
            text += SelectionLine(a.A, a.B, tag ? *tag : a.Mark);
    }
    return text;
}

bool WriteSelection(const std::string& fileName, std::optional<int32_t> tag)
{
    return FileUtils::WriteTextFile(fileName, SelectionText(tag));
}

void ParseSelection(const std::vector<std::string>& lines, std::vector<TSelEntry>& entries)
{
    entries.clear();
    std::vector<std::string> fields;
    for (const std::string& line : lines) {
        ZelUtils::SplitTabs(line, fields);
        if (fields.size() < 2)
            continue;
        TSelEntry e;
        e.A = ZelUtils::ParseInt(fields[0]);
        e.B = ZelUtils::ParseInt(fields[1]);
        e.Mark = fields.size() > 2 ? ZelUtils::ParseInt(fields[2]) : 1;
        if (e.Mark < 1 || e.Mark > MaxSelClass)
            e.Mark = 1;
        entries.push_back(e);
    }
}

bool ReadSelection(const std::string& fileName, std::vector<TSelEntry>& entries)
{
    std::vector<std::string> lines;
    entries.clear();
    if (!FileUtils::ReadLines(fileName, lines))
        return false;
    ParseSelection(lines, entries);
    return true;
}

bool ReadNumberMarks(const std::string& fileName, std::vector<TNumberMark>& entries)
{
    entries.clear();
    std::vector<std::string> lines, fields;
    if (!FileUtils::ReadLines(fileName, lines))
        return false;
    for (const std::string& line : lines) {
        ZelUtils::SplitTabs(line, fields);
        if (fields.empty())
            continue; // a blank line names nothing
        TNumberMark e;
        const double number = ZelUtils::ParseReal(fields[0]);
        e.Number = ZelUtils::Round(number);
        // Beyond the range of numbers it would be told as the range's end, a number
        // the file does not hold.
        e.Readable = AuxFileText::NumberOrEmpty(fields[0]) && std::abs(number) < 2147483647.0;
        e.Text = ZelUtils::Trim(line);
        while (e.Numbers < fields.size() && AuxFileText::NumberOrEmpty(fields[e.Numbers]))
            ++e.Numbers;
        e.HasMark = fields.size() > 1;
        if (e.HasMark)
            e.Mark = ZelUtils::Round(ZelUtils::ParseReal(fields[1]));
        entries.push_back(e);
    }
    return true;
}

namespace {
// Per entry of `lines`, its line when A or B is no number (or beyond whole
// numbers' range): such a line names no link, and is told as written.
std::vector<std::string> UnreadLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> unread;
    std::vector<std::string> fields;
    auto whole = [](const std::string& f) {
        return AuxFileText::NumberOrEmpty(f) && std::abs(ZelUtils::ParseReal(f)) < 2147483647.0;
    };
    for (const std::string& line : lines) {
        ZelUtils::SplitTabs(line, fields);
        if (fields.size() >= 2)
            unread.push_back(whole(fields[0]) && whole(fields[1]) ? std::string() : ZelUtils::Trim(line));
    }
    return unread;
}

// The link entry k names in this network, 0 for none.
int32_t LinkOf(const std::vector<TSelEntry>& entries, const std::vector<std::string>& unread, size_t k)
{
    const bool named = k >= unread.size() || unread[k].empty();
    return named ? KDVlib::FindArco(entries[k].A, entries[k].B) : 0;
}
} // namespace

bool SelectsOnNetwork(const std::string& fileName)
{
    std::vector<std::string> lines;
    std::vector<TSelEntry> entries;
    if (!FileUtils::ReadLines(fileName, lines))
        return false;
    if (std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return ZelUtils::Trim(l).empty(); }))
        return true;
    ParseSelection(lines, entries);
    const std::vector<std::string> unread = UnreadLines(lines);
    for (size_t k = 0; k < entries.size(); ++k)
        if (LinkOf(entries, unread, k) > 0)
            return true;
    return false;
}

bool ImportSelection(const std::string& fileName, int32_t* applied)
{
    if (applied)
        *applied = 0;
    std::vector<TSelEntry> entries;
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage("No se pudo leer el archivo de selección " + fileName);
        return false;
    }
    ParseSelection(lines, entries);
    // Lines there, none naming a link (a node or zone list, a list separated by
    // commas): said, rather than an import that silently selects nothing.
    if (entries.empty() && std::any_of(lines.begin(), lines.end(),
                                       [](const std::string& l) { return !ZelUtils::Trim(l).empty(); })) {
        Services().ShowMessage(Format("El archivo %s no nombra ningún arco: cada línea da el nodo A, el nodo B "
                                      "y, si se quiere, la clase, separados por blancos.",
                                      fileName));
        return true;
    }
    const std::vector<std::string> unread = UnreadLines(lines);
    std::string missing;
    size_t missingCount = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
        const TSelEntry& e = entries[k];
        const bool named = k >= unread.size() || unread[k].empty();
        const int32_t i = LinkOf(entries, unread, k);
        if (i > 0) {
            Arcos[i].Mark = e.Mark;
            if (applied)
                ++*applied;
            continue;
        }
        // One message for the whole file: a file of another network would otherwise
        // ask for a click per line.
        if (++missingCount <= MaxListedMissing)
            missing += (missing.empty() ? "" : "\r") +
                       (named ? Format("Arco %d - %d no encontrado", e.A, e.B)
                              : Format("\"%s\" no nombra un arco", unread[k]));
    }
    if (missingCount > MaxListedMissing)
        missing += Format("\r(y %d arcos más no encontrados)", static_cast<int>(missingCount - MaxListedMissing));
    if (!missing.empty())
        Services().ShowMessage(missing);
    return true;
}

THeldMarks HoldMarks()
{
    THeldMarks held;
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& a = Arcos[k];
        if (a.Mark > 0)
            held.Links.push_back({a.A, a.B, a.Mark});
        if (!a.Active)
            held.Hidden.push_back({a.A, a.B, 0});
    }
    for (int32_t n = 1; n <= Network.NodeCount; ++n)
        if (Nodos[n].Mark > 0)
            held.Nodes.push_back({Nodos[n].Number, true, Nodos[n].Mark, true, {}, 2});
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (Zonas[z].Class > 0)
            held.Zones.push_back({Zonas[z].Number, true, Zonas[z].Class, true, {}, 2});
    bool chosen = false;
    for (int32_t l = 1; l <= Network.LineCount && !chosen; ++l)
        chosen = Lineas[l].Visible == 0;
    for (int32_t l = 1; chosen && l <= Network.LineCount; ++l)
        held.Lines.push_back({Lineas[l].Name, Lineas[l].LineCode, Lineas[l].Group, Lineas[l].Visible != 0});
    return held;
}

void PutBackMarks(const THeldMarks& held)
{
    for (const TSelEntry& e : held.Links)
        if (const int32_t i = KDVlib::FindArco(e.A, e.B); i > 0)
            Arcos[i].Mark = e.Mark;
    for (const TSelEntry& e : held.Hidden)
        if (const int32_t i = KDVlib::FindArco(e.A, e.B); i > 0)
            Arcos[i].Active = 0;
    for (const TNumberMark& e : held.Nodes)
        if (const int32_t n = KDVlib::FindNodo(e.Number); n > 0)
            Nodos[n].Mark = e.Mark;
    for (const TNumberMark& e : held.Zones)
        if (const int32_t z = KDVlib::FindZona(e.Number); z > 0)
            Zonas[z].Class = e.Mark;
    // Each line read takes the choice of the first line held under its name, code
    // and block not yet taken; a line the text did not have before is drawn.
    std::vector<bool> taken(held.Lines.size(), false);
    for (int32_t l = 1; !held.Lines.empty() && l <= Network.LineCount; ++l) {
        TLinea& line = Lineas[l];
        for (size_t k = 0; k < held.Lines.size(); ++k) {
            const TLineShown& e = held.Lines[k];
            if (taken[k] || e.Name != line.Name || e.Code != line.LineCode || e.Group != line.Group)
                continue;
            taken[k] = true;
            line.Visible = e.Visible ? 1 : 0;
            break;
        }
    }
}

} // namespace SelectionFiles
