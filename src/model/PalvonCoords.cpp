// Section 55555 (positions of nodes and zone centroids), the geographic test and
// the extent of the network.
#include "model/ParallelChunks.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"

#include <algorithm>
#include <thread>
#include <unordered_map>
#include <vector>

using ZelUtils::Format;

namespace PalvonRead {

// Nothing on the way to the first map reads the latitudes and longitudes, and the
// conversion is the costliest part of a node: CompleteGeographicPositions works
// them out when they are asked for (Network.DeferredGeographic).

namespace {

// Nodes given a position in this section whose geographic position is still to be
// worked out (deferred at the section's end).
std::vector<int32_t> pendingGeographic;


// Latitude and longitude of nodes[first..last) of the records at base, from their
// positions. Each node's conversion is independent of the others'.
void ConvertPositions(TNodo* base, const int32_t* nodes, size_t first, size_t last, int32_t zone,
                      const std::string& hemisphere)
{
    for (size_t k = first; k < last; ++k) {
        TNodo& node = base[nodes[k]];
        ZelUtm::TGeografica g;
        ZelUtm::UtmToGeo(zone, hemisphere, g, node.X, node.Y);
        node.Latitude = g.Latitude;
        node.Longitude = g.Longitude;
    }
}

// The nodes positioned in the section get their latitude and longitude when first
// asked for, from the zone and hemisphere of now.
void DeferGeographicPositions()
{
    TDeferredGeographic& d = Network.DeferredGeographic;
    if (!d.Nodes.empty() && (d.Zone != Network.Options.UtmZone || d.Hemisphere != Network.Options.UtmHemisphere))
        CompleteGeographicPositions();
    d.Zone = Network.Options.UtmZone;
    d.Hemisphere = Network.Options.UtmHemisphere;
    d.Nodes.insert(d.Nodes.end(), pendingGeographic.begin(), pendingGeographic.end());
    pendingGeographic.clear();
}

// Free-format lines that could not be used, reported together at the section's end.
std::vector<std::string> incompleteLines;
// Lines whose X or Y is no number (read as 0), reported the same way.
std::vector<std::string> unreadableLines;

void CheckReadable(const std::string& line, std::string_view x, float xValue, std::string_view y, float yValue)
{
    if ((xValue == 0.0f && !SaysZero(x)) || (yValue == 0.0f && !SaysZero(y))) {
        unreadableLines.push_back(line);
        AddError(Format("Coordenadas: X o Y no es un número y se leyó como 0: %s", line));
    }
}
constexpr size_t MaxListedLines = 10;

void Widen(float x, float y)
{
    Network.MinX = std::min(Network.MinX, x);
    Network.MaxX = std::max(Network.MaxX, x);
    Network.MinY = std::min(Network.MinY, y);
    Network.MaxY = std::max(Network.MaxY, y);
}

// Zone number -> the last zone record with it (FindZona's answer), made on the
// first centroid line of a read: FindZona scans every zone for each centroid.
std::unordered_map<int32_t, int32_t> zoneByNumber;
int32_t zoneIndexCount = -1; // ZoneCount when made, -1 = not made in this read

int32_t FindZone(int32_t number)
{
    if (zoneIndexCount != Network.ZoneCount) {
        zoneByNumber.clear();
        for (int32_t i = 1; i <= Network.ZoneCount; ++i)
            zoneByNumber[Zonas[i].Number] = i;
        zoneIndexCount = Network.ZoneCount;
    }
    const auto it = zoneByNumber.find(number);
    return it == zoneByNumber.end() ? 0 : it->second;
}

// Stores one position; lines naming no existing node or zone change nothing.
void StorePosition(bool centroid, int32_t number, float x, float y)
{
    if (centroid) {
        int32_t z = FindZone(number);
        if (z == 0)
            return;
        TZona& zone = Zonas[z];
        zone.CentroidX = x;
        zone.CentroidY = y;
        zone.HasCentroid = 1;
        Network.HasCentroids = 1;
    } else {
        int32_t n = KDVlib::FindNodo(number);
        if (n == 0)
            return;
        TNodo& node = Nodos[n];
        node.X = x;
        node.Y = y;
        pendingGeographic.push_back(n); // its latitude and longitude at the section's end
        node.HasXY = 1;
        Network.HasCoordinates = 1;
    }
    Widen(x, y);
}

bool AllDigits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Fixed columns: number in 1..W (a centroid has "C" in column 1 and its zone in
// 2..W), then X and Y in fields of 5 columns, or of the XYFORM widths.
void ParseCoordinates(const std::string& line)
{
    if (line.empty())
        return;
    char c = line[0];
    bool centroid = c == 'C' || c == 'c';
    if (!centroid && c != ' ' && !(c >= '0' && c <= '9'))
        return;
    int w = Network.Options.NodeWidth;
    int xw = Network.Options.XYFORM ? Network.Options.XWidth : 5;
    int yw = Network.Options.XYFORM ? Network.Options.YWidth : 5;
    int32_t number = ZelUtils::ParseInt(centroid ? FieldView(line, 2, w - 1) : FieldView(line, 1, w));
    float x = static_cast<float>(ZelUtils::ParseReal(FieldView(line, w + 1, xw)));
    float y = static_cast<float>(ZelUtils::ParseReal(FieldView(line, w + xw + 1, yw)));
    CheckReadable(line, FieldView(line, w + 1, xw), x, FieldView(line, w + xw + 1, yw), y);
    StorePosition(centroid, number, x, y);
}

// Free fields: number, X, Y. A centroid is marked by a word "C" or by a "C" written
// against the number ("C12", "12C"); a "C" inside any other word is text, so a
// comment such as "CRUCE" after the coordinates leaves a node line a node line.
void ParseFreeCoordinates(const std::string& line)
{
    std::vector<std::string> words;
    ZelUtils::SplitTabs(line, words);
    bool centroid = false;
    auto marker = std::remove(words.begin(), words.end(), std::string("C"));
    if (marker != words.end()) {
        centroid = true;
        words.erase(marker, words.end());
    }
    if (!words.empty()) {
        std::string& w = words[0];
        if (w.size() > 1 && w.front() == 'C' && AllDigits(w.substr(1))) {
            centroid = true;
            w.erase(0, 1);
        } else if (w.size() > 1 && w.back() == 'C' && AllDigits(w.substr(0, w.size() - 1))) {
            centroid = true;
            w.pop_back();
        }
    }
    if (words.size() < 3) {
        incompleteLines.push_back(line);
        AddError(Format("Coordenadas: línea incompleta omitida (se esperan número, X e Y): %s", line));
        return;
    }
    const float x = static_cast<float>(ZelUtils::ParseReal(words[1]));
    const float y = static_cast<float>(ZelUtils::ParseReal(words[2]));
    CheckReadable(line, words[1], x, words[2], y);
    StorePosition(centroid, ZelUtils::ParseInt(words[0]), x, y);
}

// Lines of the section set aside as it was read: said in one message after a
// heading, the first of them listed, and the list emptied.
void ReportLines(std::vector<std::string>& lines, const char* heading)
{
    if (lines.empty())
        return;
    std::string msg = Format(heading, static_cast<int>(lines.size()));
    for (size_t i = 0; i < lines.size() && i < MaxListedLines; ++i)
        msg += "\r" + lines[i];
    if (lines.size() > MaxListedLines)
        msg += "\r... (ver Errores.txt)";
    lines.clear();
    Services().ShowMessage(msg);
}

void ReportIncompleteLines()
{
    ReportLines(incompleteLines, "Sección 55555: %d líneas de coordenadas incompletas se omitieron "
                                 "(se esperan número, X e Y):");
}

void ReportUnreadableLines()
{
    ReportLines(unreadableLines, "Sección 55555: %d líneas con coordenadas que no son números (se leyeron como 0):");
}

// Degrees only when every value can be one: longitudes in -180..180, latitudes
// in -90..90. A planar network with negative coordinates is not converted.
bool LooksGeographic()
{
    return Network.MinX < 180.0f && Network.MaxX < 180.0f && Network.MinY < 180.0f && Network.MaxY < 180.0f &&
           Network.MinX >= -180.0f && Network.MinY >= -90.0f && Network.MaxY <= 90.0f;
}

} // namespace

void ResetCoordinateState()
{
    incompleteLines.clear();
    unreadableLines.clear();
    pendingGeographic.clear();
    zoneByNumber.clear();
    zoneIndexCount = -1;
}

void ReadCoordinateLine(std::string& line) { ParseCoordinates(line); }

void ReadFreeCoordinateLine(std::string& line) { ParseFreeCoordinates(line); }

void CompleteGeographicPositions()
{
    const std::vector<int32_t> nodes = std::move(Network.DeferredGeographic.Nodes);
    Network.DeferredGeographic.Nodes.clear();
    if (nodes.empty())
        return;
    const int32_t zone = Network.DeferredGeographic.Zone;
    const std::string& hemisphere = Network.DeferredGeographic.Hemisphere;
    TNodo* base = &Nodos[0];
    constexpr size_t PerThread = 2048;
    const size_t threads = std::min<size_t>(size_t(Parallel::Helpers(3)) + 1, nodes.size() / PerThread);
    if (threads < 2) {
        ConvertPositions(base, nodes.data(), 0, nodes.size(), zone, hemisphere);
        return;
    }
    // Large networks are shared among a few threads.
    const size_t share = (nodes.size() + threads - 1) / threads;
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threads; ++t)
        workers.emplace_back(ConvertPositions, base, nodes.data(), t * share, std::min(nodes.size(), (t + 1) * share),
                             zone, std::cref(hemisphere));
    ConvertPositions(base, nodes.data(), 0, share, zone, hemisphere);
    for (std::thread& w : workers)
        w.join();
}

void DropGeographicPositions()
{
    Network.DeferredGeographic.Nodes.clear();
    pendingGeographic.clear();
}

void GeographicTestAndExtent()
{
    const bool geographic = LooksGeographic();
    // Degrees are their own latitude and longitude (given below to every node).
    if (geographic)
        DropGeographicPositions();
    else
        DeferGeographicPositions();
    ReportIncompleteLines();
    ReportUnreadableLines();
    if (geographic) {
        // Said on the progress gauge while it runs: nothing to close afterwards.
        Services().SetProgressCaption("Convirtiendo Coordenadas ...   Geográficas  -->  UTM");
        Services().SetProgressVisible(true);
        Services().ProcessEvents();
        // One zone for the whole network, chosen from the longitude of its centre:
        // points on both sides of a zone boundary would otherwise be projected on
        // two different meridians and the map torn apart.
        ZelUtm::TUtmPoint p;
        ZelUtm::GeoToUtm(0, p, (double(Network.MinY) + Network.MaxY) / 2.0, (double(Network.MinX) + Network.MaxX) / 2.0);
        int32_t zone = p.Zone;
        Network.ProjectedZone = zone;
        Network.ProjectedHemisphere = (double(Network.MinY) + Network.MaxY) / 2.0 < 0.0 ? 'S' : 'N';
        Network.MinX = UnsetHigh;
        Network.MaxX = UnsetLow;
        Network.MinY = UnsetHigh;
        Network.MaxY = UnsetLow;
        for (int32_t n = 1; n <= Network.NodeCount; ++n) {
            TNodo& node = Nodos[n];
            if (node.X == UnsetLow)
                continue;
            node.Longitude = node.X;
            node.Latitude = node.Y;
            ZelUtm::GeoToUtm(zone, p, node.Y, node.X);
            node.X = static_cast<float>(p.Easting);
            node.Y = static_cast<float>(p.Northing);
            Widen(node.X, node.Y);
        }
        for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
            TZona& zn = Zonas[z];
            if (zn.CentroidX == UnsetLow)
                continue;
            ZelUtm::GeoToUtm(zone, p, zn.CentroidY, zn.CentroidX);
            zn.CentroidX = static_cast<float>(p.Easting);
            zn.CentroidY = static_cast<float>(p.Northing);
            Widen(zn.CentroidX, zn.CentroidY);
        }
    }
    // A 2.5 % margin on every side; an extent without any position keeps its seeds.
    if (Network.MinX <= Network.MaxX && Network.MinY <= Network.MaxY) {
        float w = Network.MaxX - Network.MinX;
        float h = Network.MaxY - Network.MinY;
        Network.MinX -= 0.025f * w;
        Network.MaxX += 0.025f * w;
        Network.MinY -= 0.025f * h;
        Network.MaxY += 0.025f * h;
    }
}

void ZoneOfPositions(int32_t& zone, std::string& hemisphere)
{
    if (Network.ProjectedZone >= 1 && Network.ProjectedZone <= 60) {
        zone = Network.ProjectedZone;
        hemisphere = std::string(1, Network.ProjectedHemisphere);
    }
}

} // namespace PalvonRead
