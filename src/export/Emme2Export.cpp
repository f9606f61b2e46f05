#include "export/Emme2Export.h"

#include "model/FileUtils.h"
#include "model/SafeFile.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

namespace Emme2Export {

using ZelUtils::Format;

namespace {
constexpr const char* kLinkFormat = "a %8d%8d%10.2f %-6s%5d%5.1f%5d%8.2f%8.2f%8.2f\r\n";
// EMME/2 node numbers, centroids included, have at most six digits.
constexpr int64_t kLargestEmmeNode = 999999;

int32_t LargestNode()
{
    int32_t largest = 0;
    for (int32_t i = 1; i <= Network.NodeCount; ++i)
        largest = std::max(largest, Nodos[i].Number);
    return largest;
}

bool ZoneClashes(int32_t& zone)
{
    std::unordered_set<int32_t> nodes;
    for (int32_t i = 1; i <= Network.NodeCount; ++i)
        nodes.insert(Nodos[i].Number);
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (nodes.count(Zonas[z].Number)) {
            zone = Zonas[z].Number;
            return true;
        }
    return false;
}
// One value of the link data table, right-aligned in its 10 characters with two
// decimals and at least one blank before it: a value that fills the column
// (capacity 1000000 as "1000000.00") would run into the one before it, and the
// table is read by its blanks. Such a value keeps fewer decimals, or, when not
// even its integer digits leave room, stands whole behind a blank.
std::string DataColumn(float value)
{
    for (int decimals = 2; decimals >= 0; --decimals)
        if (std::string text = Format("%10.*f", decimals, static_cast<double>(value)); text[0] == ' ')
            return text;
    return Format(" %.0f", static_cast<double>(value));
}
} // namespace

// Centroids and nodes share one set of numbers in EMME/2. Zone numbers are kept
// when no node has one of them; otherwise every centroid is numbered zone number
// + the first power of ten above the largest node number (nodes up to 416: zone
// 1 becomes 1001), so that the zone stays readable in the number, no centroid
// takes a node's number and no access link joins a number to itself.
int32_t CentroidOffset()
{
    int32_t zone = 0;
    if (!ZoneClashes(zone))
        return 0;
    int64_t offset = 10;
    while (offset <= LargestNode())
        offset *= 10;
    return static_cast<int32_t>(std::min<int64_t>(offset, INT32_MAX));
}

bool CentroidsFit(std::string& error)
{
    // Nodes and centroids kept under their own numbers must fit EMME/2 as well:
    // a longer number would run into the next field of its line.
    if (const int32_t largest = LargestNode(); largest > kLargestEmmeNode) {
        error = Format("No se exportó a EMME/2: el nodo %d pasa de %d, el mayor número de nodo de EMME/2.", largest,
                       static_cast<int32_t>(kLargestEmmeNode));
        return false;
    }
    const int64_t offset = CentroidOffset();
    if (offset == 0) {
        for (int32_t z = 1; z <= Network.ZoneCount; ++z)
            if (Zonas[z].Number > kLargestEmmeNode) {
                error = Format("No se exportó a EMME/2: la zona %d pasa de %d, el mayor número de nodo de EMME/2.",
                               Zonas[z].Number, static_cast<int32_t>(kLargestEmmeNode));
                return false;
            }
        return true;
    }
    int32_t zone = 0;
    ZoneClashes(zone);
    for (int32_t z = 1; z <= Network.ZoneCount; ++z)
        if (offset + Zonas[z].Number > kLargestEmmeNode) {
            error = Format("No se exportó a EMME/2: la zona %d tiene el número de un nodo y no quedan números de "
                           "centroide libres (zona %d + %d pasa de %d).",
                           zone, Zonas[z].Number, static_cast<int32_t>(offset), static_cast<int32_t>(kLargestEmmeNode));
            return false;
        }
    return true;
}

std::string CentsText()
{
    std::string s = "t nodes\r\n";
    const int32_t offset = CentroidOffset();
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zo = Zonas[z];
        s += Format("a*%6d%15.3f%15.3f%8.2f%8.2f%8.2f\r\n", zo.Number + offset, static_cast<double>(zo.CentroidX),
                    static_cast<double>(zo.CentroidY), 0.0, 0.0, 0.0);
    }
    return s;
}

std::string NetworkText()
{
    std::string s = "t nodes\r\n";
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        const TNodo& n = Nodos[i];
        s += Format("a %6d%15.3f%15.3f%8.2f%8.2f%8.2f\r\n", n.Number, static_cast<double>(n.X),
                    static_cast<double>(n.Y), 0.0, 0.0, 0.0);
    }
    s += "\r\nt links\r\n";
    const int32_t offset = CentroidOffset();
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zo = Zonas[z];
        for (int32_t c = 1; c <= zo.ConnectorCount && c < static_cast<int32_t>(zo.Connectors.size()); ++c) {
            const TZoneConnector& con = zo.Connectors[c];
            if (con.Kind != 1)
                continue;
            const int32_t node = con.NodeIndex > 0 ? Nodos[con.NodeIndex].Number : con.ConnNode;
            s += Format(kLinkFormat, zo.Number + offset, node, 0.123, "csp", 1, 2.0, 90, 0.0, 0.0, 0.0);
        }
    }
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        const TArcos& a = Arcos[i];
        if (a.A == a.B)
            continue; // no network link joins a node to itself (see WriteEmme2)
        s += Format(kLinkFormat, a.A, a.B, a.StraightLength / 1000.0, "csp", 1, static_cast<double>(a.Lanes()),
                    ZelUtils::Round(a.Var[9]), 0.0, 0.0, 0.0);
    }
    return s;
}

std::string LinksText()
{
    std::string s = "      na      nb        v0        t0       cap       pen       xd1       xd2       xd3       xd4"
                    "       xd5       xd6       xd7\r\n";
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        const TArcos& a = Arcos[i];
        s += Format("%8d%8d", a.A, a.B);
        for (int v : {1, 3, 5, 34, 27, 28, 29, 30, 31, 32, 33})
            s += DataColumn(a.Var[v]);
        s += "\r\n";
    }
    return s;
}

std::string FixedText()
{
    std::string s = "t lines\r\n";
    for (int32_t l = 1; l <= Network.LineCount; ++l) {
        const TLinea& li = Lineas[l];
        // A line without frequency has no headway: write the customary 999
        // minutes rather than dividing by zero (the line record is left as is).
        const double headway = li.Frequency != 0.0f ? 60.0 / li.Frequency : 999.0;
        s += Format("a %6s %s%4d%8.2f%8.2f %20s%8.2f%8.2f%8.2f\r\n", li.Name, "b", 1, headway, 0.0, li.Extra, 0.0,
                    0.0, 0.0);
        const int32_t count = li.Stops.empty() ? 0 : std::min<int32_t>(li.Stops[0], li.Stops.size() - 1);
        for (int32_t k = 1; k <= count; ++k) {
            s += Format("%10d", li.Stops[k]);
            if (k % 8 == 0 || k == count)
                s += "\r\n";
        }
    }
    return s;
}

std::vector<std::string> SetFiles(const std::string& base)
{
    return {base + ".cents", base + ".network", base + ".links", base + ".fixed"};
}

bool Exportable(std::string& error)
{
    if (!CentroidsFit(error))
        return false;
    for (int32_t i = 1; i <= Network.LinkCount; ++i)
        if (Arcos[i].A == Arcos[i].B) {
            error = Format("No se exportó a EMME/2: el arco %d-%d une el nodo consigo mismo.", Arcos[i].A, Arcos[i].B);
            return false;
        }
    return true;
}

bool WriteEmme2(const std::string& base, std::string& error)
{
    if (!Exportable(error))
        return false;
    std::string (*const texts[])() = {CentsText, NetworkText, LinksText, FixedText};
    // The four files belong together: all or none replace the earlier ones. Each
    // goes beside its file as soon as it is made, one text at a time in memory.
    const std::vector<std::string> names = SetFiles(base);
    SafeFile::TSetWriter set;
    for (size_t i = 0; i < names.size(); ++i)
        if (!set.Add(names[i], texts[i]()))
            break;
    if (set.Commit())
        return true;
    error = FileUtils::WriteFailure(set.FailedPath(), set.Why());
    return false;
}

std::string DemandNotice()
{
    // Centroids moved above the node numbers carry numbers the user's zones and
    // matrices do not have: the files say so only here.
    std::string renumbered;
    if (const int32_t offset = CentroidOffset(); offset > 0 && Network.ZoneCount > 0)
        renumbered = Format("Los centroides llevan el número de su zona más %d (la zona %d es el centroide %d), "
                            "porque hay nodos con números de zona.",
                            offset, Zonas[1].Number, Zonas[1].Number + offset);
    int32_t without = 0, first = 0;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zo = Zonas[z];
        bool access = false;
        for (int32_t c = 1; c <= zo.ConnectorCount && c < static_cast<int32_t>(zo.Connectors.size()); ++c)
            access = access || zo.Connectors[c].Kind == 1;
        if (!access) {
            first = first ? first : zo.Number;
            ++without;
        }
    }
    if (without == 0)
        return renumbered.empty() ? std::string() : "Los archivos EMME/2 se escribieron. " + renumbered;
    return Format("Los archivos EMME/2 se escribieron, pero %d de las %d zonas (la primera, %d) no tienen "
                  "conector a un nodo (los de la sección 22222 van a lo largo de los arcos, y EMME/2 solo admite "
                  "conectores a nodos). Esas zonas quedan como centroides sueltos y no podrán cargar demanda.",
                  without, Network.ZoneCount, first) +
           (renumbered.empty() ? "" : " " + renumbered);
}

} // namespace Emme2Export
