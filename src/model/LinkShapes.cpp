// Link shape points, traces, link order and node lists.
#include "model/LinkShapes.h"

#include "model/FileUtils.h"
#include "model/HitGrid.h"
#include "model/AuxFileText.h"
#include "model/KDVlib.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <vector>

std::string LinkOrderFileName = "null";
int32_t NodeList[MaxNodeList + 1] = {};
uint8_t NodoEnLista[MaxNodos + 1] = {};

using ZelUtils::Format;

namespace KDVlib {

namespace {

// Fields of a line at one separator: empty fields are kept, only an empty
// remainder after the last separator is dropped.
std::vector<std::string> Fields(const std::string& line, char sep)
{
    std::vector<std::string> f = ZelUtils::SplitString(line, sep);
    if (f.size() > 1 && f.back().empty())
        f.pop_back();
    return f;
}

std::string BaseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

bool ReadAll(const std::string& fileName, std::vector<std::string>& lines)
{
    if (FileUtils::ReadLines(fileName, lines))
        return true;
    Services().ShowMessage(FileUtils::ReadFailure(fileName));
    return false;
}

// `others`: lines of links this network lacks, told in the same message.
void ReportSkipped(const std::string& fileName, int skipped, int maxPoints, int others = 0)
{
    std::string said;
    if (skipped > 0)
        said += Format("\r%d líneas no se consideraron\r"
                       "(cada arco admite de 2 a %d puntos, con todas sus coordenadas\r"
                       "en números con punto decimal)",
                       skipped, maxPoints);
    if (others > 0)
        said += Format("\r%d trazas no son de un arco de esta red y no se consideraron", others);
    if (!said.empty())
        Services().ShowMessage(Format("Archivo %s:", BaseName(fileName)) + said);
}

void TieEndsToNodes(TArcos& arc)
{
    const int32_t n = arc.PointCount;
    if (n < 2 || n > MaxShapePoints)
        return;
    const auto placed = [](int32_t index) {
        return index >= 1 && index <= Network.NodeCount && Nodos[index].HasXY;
    };
    if (placed(arc.AIndex))
        arc.Points[1] = {Nodos[arc.AIndex].X, Nodos[arc.AIndex].Y};
    if (placed(arc.BIndex))
        arc.Points[n] = {Nodos[arc.BIndex].X, Nodos[arc.BIndex].Y};
}

// Whether fields first.. of a line hold `count` coordinates and nothing after them
// but blanks: each a number. A decimal comma splits a number in two, which gives
// the line more fields than its point count calls for: such a line is not read.
bool CoordinatesFit(const std::vector<std::string>& f, size_t first, size_t count)
{
    if (f.size() < first + count)
        return false;
    for (size_t i = first; i < f.size(); ++i) {
        const std::string t = ZelUtils::Trim(f[i]);
        if (i < first + count ? t.empty() || !AuxFileText::NumberOrEmpty(t) : !t.empty())
            return false;
    }
    return true;
}

} // namespace

double ParseCoordinate(const std::string& text)
{
    ZelUtils::NumberValue v = ZelUtils::ParseNumber(text);
    if (v.isInteger() && v.intValue != 0)
        return v.intValue;
    // ParseNumber accepted the text as a real, or gave its failure value 0 for a
    // whole number past the 32-bit range: read it again at full precision.
    std::string t = ZelUtils::UpperCase(ZelUtils::Trim(text));
    if (v.isInteger() && (t.empty() || t.find_first_not_of("-0123456789") != std::string::npos))
        return 0.0;
    double d = 0.0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    if (ec == std::errc() && end == t.data() + t.size())
        return d;
    return v.asReal();
}

bool ReadSigFile(const std::string& fileName)
{
    std::vector<std::string> lines;
    if (!ReadAll(fileName, lines))
        return false;
    int skipped = 0;
    for (const std::string& line : lines) {
        std::vector<std::string> f = Fields(line, ',');
        if (f.size() <= 6)
            continue;
        int32_t a = ZelUtils::ParseInt(f[0]);
        int32_t b = ZelUtils::ParseInt(f[1]);
        if (a <= 0 || b <= 0)
            continue;
        int32_t link = FindArco(a, b);
        if (link <= 0)
            continue;
        int32_t n = ZelUtils::ParseInt(f[2]);
        if (n < 2 || n > MaxShapePoints || !CoordinatesFit(f, 3, static_cast<size_t>(2 * n))) {
            ++skipped;
            continue;
        }
        TArcos& arc = Arcos[link];
        arc.PointCount = n;
        for (int32_t k = 0; k < n; ++k)
            arc.Points[k + 1] = {ParseCoordinate(f[static_cast<size_t>(3 + 2 * k)]),
                                 ParseCoordinate(f[static_cast<size_t>(4 + 2 * k)])};
        // A shape keeps its link on its nodes: ends saved while a node stood
        // elsewhere (moved and not saved, or moved back) follow the node as read.
        TieEndsToNodes(arc);
    }
    ReportSkipped(fileName, skipped, MaxShapePoints);
    return true;
}

bool LoadTrazas(bool sayOtherNetwork)
{
    std::vector<std::string> lines;
    if (!ReadAll(TraceFileName, lines))
        return false;
    int skipped = 0, read = 0, found = 0;
    for (const std::string& line : lines) {
        std::vector<std::string> f = Fields(line, ',');
        if (f.size() < 3)
            continue;
        ++read; // a line of a trace file, whether its link is in this network or not
        int32_t link = FindArco(ZelUtils::ParseInt(f[0]), ZelUtils::ParseInt(f[1]));
        if (link <= 0)
            continue;
        ++found;
        // n trace points and the last one repeated must fit the link's 12 points.
        int32_t n = ZelUtils::ParseInt(f[2]);
        if (n < 2 || n > MaxShapePoints - 1 || !CoordinatesFit(f, 3, static_cast<size_t>(2 * n))) {
            ++skipped;
            continue;
        }
        TArcos& arc = Arcos[link];
        for (int32_t k = 0; k < n; ++k)
            arc.Points[k + 1] = {ParseCoordinate(f[static_cast<size_t>(2 * k + 3)]),
                                 ParseCoordinate(f[static_cast<size_t>(2 * k + 4)])};
        arc.Points[n + 1] = {ParseCoordinate(f[static_cast<size_t>(2 * n + 1)]),
                             ParseCoordinate(f[static_cast<size_t>(2 * n + 2)])};
        arc.PointCount = n + 1;
    }
    if (read == 0) { // not a trace file at all (an empty one neither): say so rather than nothing
        const bool blank = std::all_of(lines.begin(), lines.end(),
                                       [](const std::string& l) { return ZelUtils::Trim(l).empty(); });
        Services().ShowMessage(blank ? Format("Archivo %s sin datos", BaseName(TraceFileName))
                                     : Format("Archivo %s con formato no reconocido:\rcada línea debe dar nodo "
                                              "inicial, nodo final, número de puntos y sus coordenadas "
                                              "separados por ','",
                                              BaseName(TraceFileName)));
        return false;
    }
    // A trace file of another network: nothing of it is read, and the user is
    // told why rather than that it is no trace file.
    if (found == 0) {
        if (sayOtherNetwork)
            Services().ShowMessage(
                AuxFileText::NoneOfThisNetwork(TraceFileName, read, "su traza no es de un arco de esta red",
                                               "ninguna de sus %d trazas es de un arco de esta red"));
        return false;
    }
    Services().SetMenuItemEnabled("aArcos1", true);
    // Traces of the other networks are no fault of a file applied to several.
    ReportSkipped(TraceFileName, skipped, MaxShapePoints - 1, sayOtherNetwork ? read - found : 0);
    return true;
}

bool LoadOrdenArcos()
{
    std::vector<std::string> lines;
    if (!ReadAll(LinkOrderFileName, lines))
        return false;
    // The first line that holds anything chooses the separator; a file without one
    // is empty, which is said as such.
    const auto first = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return !ZelUtils::Trim(l).empty(); });
    if (first == lines.end()) {
        Services().ShowMessage(Format("Archivo %s sin datos", BaseName(LinkOrderFileName)));
        return false;
    }
    char sep = ',';
    if (first->find(';') != std::string::npos)
        sep = ';';
    else if (first->find(',') == std::string::npos) {
        Services().ShowMessage(
            Format("Archivo %s con formato no reconocido\rProceso abortado", BaseName(LinkOrderFileName)));
        return false;
    }

    const int32_t count = Network.LinkCount;
    std::vector<uint8_t> listed(static_cast<size_t>(count) + 1, 0);
    // Links named by the file, each once at its first line (the top of the drawing).
    std::vector<int32_t> named;
    int read = 0, notFound = 0, repeated = 0;
    for (const std::string& line : lines) {
        std::vector<std::string> f = Fields(line, sep);
        if (f.size() < 2)
            continue;
        // A first line of titles (a link grid written out, sorted, with its heading)
        // names no link and is no fault of the file.
        if (&line == &*first && !AuxFileText::NumberOrEmpty(f[0]) && !AuxFileText::NumberOrEmpty(f[1]))
            continue;
        ++read;
        int32_t link = FindArco(ZelUtils::ParseInt(f[0]), ZelUtils::ParseInt(f[1]));
        if (link < 1 || link > count) {
            ++notFound;
            continue;
        }
        if (listed[static_cast<size_t>(link)]) {
            ++repeated;
            continue;
        }
        listed[static_cast<size_t>(link)] = 1;
        named.push_back(link);
    }
    // The order of another network would only put this one's back in array order,
    // losing the order read before: it is refused, and the user told why.
    if (named.empty()) {
        Services().ShowMessage(
            read > 0 ? AuxFileText::NoneOfThisNetwork(LinkOrderFileName, read, "su arco no es de esta red",
                                                      "ninguno de sus %d arcos es de esta red")
                     : Format("Archivo %s con formato no reconocido\rProceso abortado", BaseName(LinkOrderFileName)));
        return false;
    }
    int32_t pos = 0;
    for (int32_t k = 1; k <= count; ++k)
        if (!listed[static_cast<size_t>(k)])
            LinkOrder[++pos] = k;
    for (auto it = named.rbegin(); it != named.rend(); ++it)
        LinkOrder[++pos] = *it;
    LinkOrderSet = true;
    GridArcos();
    // Lines passed over leave their links in array order at the bottom: said once.
    if (notFound > 0 || repeated > 0) {
        std::string said = Format("Archivo %s:", BaseName(LinkOrderFileName));
        if (notFound > 0)
            said += Format("\r%d líneas no nombran un arco de esta red", notFound);
        if (repeated > 0)
            said += Format("\r%d líneas repiten un arco ya ordenado (vale su primera línea)", repeated);
        Services().ShowMessage(said);
    }
    return true;
}

bool LoadNodeList(const std::string& fileName)
{
    std::fill(std::begin(NodeList), std::end(NodeList), 0);
    std::fill(std::begin(NodoEnLista), std::end(NodoEnLista), 0);
    std::vector<std::string> lines;
    if (!ReadAll(fileName, lines))
        return false;
    // The list ends at its first 0: a blank line or one that names no node would
    // cut off the nodes after it. Blank lines are passed over; the others are told.
    int32_t n = 0, numbers = 0, unreadable = 0;
    for (const std::string& line : lines) {
        const std::string t = ZelUtils::Trim(line);
        if (t.empty())
            continue;
        const int32_t number = AuxFileText::NumberOrEmpty(t) ? ZelUtils::ParseInt(t) : 0;
        if (number < 1) {
            ++unreadable;
            continue;
        }
        ++numbers;
        if (n < MaxNodeList)
            NodeList[++n] = number;
    }
    if (numbers > n)
        Services().ShowMessage(Format("Archivo %s:\rsólo se consideran los primeros %d nodos",
                                      BaseName(fileName), MaxNodeList));
    if (unreadable > 0)
        Services().ShowMessage(Format("Archivo %s:\r%d líneas sin un número de nodo no se consideraron",
                                      BaseName(fileName), unreadable));
    return true;
}

} // namespace KDVlib
