// Coordinates files: "number,X,Y" texts and the TEXT entities of DXF drawings.
#include "model/CoordinatesFiles.h"

#include "model/AuxFileText.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <set>

using ZelUtils::Format;

namespace KDVlib {

namespace {

bool ReadAll(const std::string& fileName, std::vector<std::string>& lines)
{
    if (FileUtils::ReadLines(fileName, lines))
        return true;
    Services().ShowMessage(Format("No se puede abrir el archivo %s", AuxFileText::BaseName(fileName)));
    return false;
}

void Widen(float x, float y)
{
    Network.MinX = std::min(Network.MinX, x);
    Network.MaxX = std::max(Network.MaxX, x);
    Network.MinY = std::min(Network.MinY, y);
    Network.MaxY = std::max(Network.MaxY, y);
}

void PlaceNode(int32_t n, float x, float y)
{
    TNodo& node = Nodos[n];
    node.X = x;
    node.Y = y;
    // As the coordinates section does: projected positions also carry their
    // latitude and longitude (geographic ones get theirs in the conversion).
    ZelUtm::TGeografica g;
    ZelUtm::UtmToGeo(Network.Options.UtmZone, Network.Options.UtmHemisphere, g, x, y);
    node.Latitude = g.Latitude;
    node.Longitude = g.Longitude;
    node.HasXY = 1;
    Network.HasCoordinates = 1;
    Widen(x, y);
}

void PlaceCentroid(int32_t z, float x, float y)
{
    TZona& zone = Zonas[z];
    zone.CentroidX = x;
    zone.CentroidY = y;
    zone.HasCentroid = 1;
    Network.HasCentroids = 1;
    Widen(x, y);
}

float Coordinate(const std::string& text) { return static_cast<float>(ZelUtils::ParseReal(text)); }

char TextSeparator(const std::string& firstLine)
{
    auto count = [&](char c) { return std::count(firstLine.begin(), firstLine.end(), c); };
    if (count(';') >= 2)
        return ';';
    if (count(',') >= 2)
        return ',';
    return '\0';
}

// The lines "number, X, Y" of a coordinates text (separated by ';', ',' or
// blanks): identify(number) gives the node and zone the line places (0, 0 to pass
// it over); place(node, zone, x, y) puts it there. Lines without readable X and Y
// are counted and told once.
bool ReadPlaceLines(const std::string& fileName,
                    const std::function<std::pair<int32_t, int32_t>(int32_t)>& identify,
                    const std::function<void(int32_t, int32_t, float, float)>& place)
{
    std::vector<std::string> lines;
    if (!ReadAll(fileName, lines))
        return false;
    const char sep = lines.empty() ? '\0' : TextSeparator(lines.front());
    int unusable = 0, repeated = 0;
    std::set<std::pair<int32_t, int32_t>> placed; // (node, zone) given a position by this file
    for (const std::string& line : lines) {
        std::vector<std::string> f = sep ? ZelUtils::SplitString(line, sep) : std::vector<std::string>{line};
        const int32_t number = ZelUtils::ParseInt(f[0]);
        const auto [n, z] = identify(number);
        if (n == 0 && z == 0)
            continue;
        if (f.size() < 3 || !AuxFileText::NumberOrEmpty(f[1]) || !AuxFileText::NumberOrEmpty(f[2])) {
            ++unusable;
            continue;
        }
        // A node or zone given twice takes its last line; the user is told that the
        // file contradicts itself. A number of both a node and a zone comes twice in
        // the program's own positions file, once for each: that is no contradiction.
        if (!placed.insert({n, z}).second && !(FindNodo(number) > 0 && FindZona(number) > 0))
            ++repeated;
        place(n, z, Coordinate(f[1]), Coordinate(f[2]));
    }
    if (unusable > 0 || repeated > 0) {
        std::string said = Format("Archivo %s:", AuxFileText::BaseName(fileName));
        if (unusable > 0)
            said += Format("\r%d líneas de nodos o zonas sin X e Y legibles se omitieron", unusable);
        if (repeated > 0)
            said += Format("\r%d líneas repiten un nodo o zona ya ubicado; vale la última", repeated);
        Services().ShowMessage(said);
    }
    return true;
}

} // namespace

bool ReadGeoText(const std::string& fileName)
{
    return ReadPlaceLines(
        fileName,
        [](int32_t number) {
            const int32_t n = FindNodo(number);
            return std::pair<int32_t, int32_t>{n, n > 0 ? 0 : FindZona(number)};
        },
        [](int32_t n, int32_t z, float x, float y) {
            if (n > 0)
                PlaceNode(n, x, y);
            else
                PlaceCentroid(z, x, y);
        });
}

bool ReadDxfText(const std::string& fileName)
{
    std::vector<std::string> lines;
    if (!ReadAll(fileName, lines))
        return false;
    // The drawing is a list of (group code, value) line pairs; an entity begins
    // where group 0 names it, so a layer or style called "TEXT" starts nothing.
    bool inText = false;
    std::string text, x, y;
    bool hasText = false, hasX = false, hasY = false;
    int unusable = 0;
    auto placeEntity = [&] {
        // Each entity places by its own text and insertion point only; a point that
        // is no number (a decimal comma, say) places nothing, and is told.
        if (inText && hasText && hasX && hasY) {
            const int32_t number = ZelUtils::ParseInt(text);
            const bool readable = !ZelUtils::Trim(x).empty() && !ZelUtils::Trim(y).empty() &&
                                  AuxFileText::NumberOrEmpty(x) && AuxFileText::NumberOrEmpty(y);
            if (number != 0 && !readable && (FindNodo(number) > 0 || FindZona(number) > 0))
                ++unusable;
            else if (number != 0) {
                const float px = Coordinate(x), py = Coordinate(y);
                if (int32_t n = FindNodo(number); n > 0)
                    PlaceNode(n, px, py);
                if (int32_t z = FindZona(number); z > 0)
                    PlaceCentroid(z, px, py);
            }
        }
        hasText = hasX = hasY = false;
    };
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        const std::string code = ZelUtils::Trim(lines[i]);
        int group = 0;
        auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), group);
        if (ec != std::errc() || end != code.data() + code.size()) {
            Services().ShowMessage(Format("Archivo %s:\rcódigo de grupo no numérico en la línea %d;\r"
                                          "la lectura se detuvo allí",
                                          AuxFileText::BaseName(fileName), static_cast<int>(i + 1)));
            break;
        }
        const std::string& value = lines[i + 1];
        if (group == 0) {
            placeEntity();
            inText = value == "TEXT";
        } else if (inText && group == 1) {
            text = value;
            hasText = true;
        } else if (inText && group == 10) {
            x = value;
            hasX = true;
        } else if (inText && group == 20) {
            y = value;
            hasY = true;
        }
    }
    placeEntity();
    if (unusable > 0)
        Services().ShowMessage(Format("Archivo %s:\r%d textos de nodos o zonas sin X e Y legibles se omitieron",
                                      AuxFileText::BaseName(fileName), unusable));
    return true;
}

std::string PositionsFileName(const std::string& datDir, const std::string& datFileName)
{
    const std::string stem = std::filesystem::path(datFileName).stem().string();
    return (std::filesystem::path(datDir) / (stem + "_coordenadas.geo")).string();
}

bool ReadPositionsFile(const std::string& fileName, std::vector<int32_t>& movedNodes)
{
    // Zones come first, in rising order; the first number that does not rise
    // starts the nodes (a zone and a node may share a number). Numbers that rise
    // to the end mark no start: no zone had a centroid (every line is a node's,
    // whose numbers may be zones' too), or the zones' numbers all lie below the
    // nodes'. A number of a node is then the node's, as in any coordinates file.
    bool rising = true;
    {
        int32_t previous = 0;
        const bool read = ReadPlaceLines(
            fileName,
            [&](int32_t number) {
                const int32_t z = FindZona(number);
                rising = rising && (z == 0 || z > previous);
                previous = std::max(previous, z);
                return std::pair<int32_t, int32_t>{0, 0};
            },
            [](int32_t, int32_t, float, float) {});
        if (!read)
            return false;
    }
    bool zones = !rising;
    int32_t previousZone = 0;
    return ReadPlaceLines(
        fileName,
        [&](int32_t number) {
            if (rising) {
                const int32_t n = FindNodo(number);
                return std::pair<int32_t, int32_t>{n, n > 0 ? 0 : FindZona(number)};
            }
            int32_t z = zones ? FindZona(number) : 0;
            if (zones && z <= previousZone) {
                zones = false;
                z = 0;
            }
            if (z > 0)
                previousZone = z;
            return std::pair<int32_t, int32_t>{z > 0 ? 0 : FindNodo(number), z};
        },
        [&](int32_t n, int32_t z, float x, float y) {
            if (z > 0) {
                PlaceCentroid(z, x, y);
                return;
            }
            const TNodo& node = Nodos[n];
            if (!node.HasXY || node.X != x || node.Y != y)
                movedNodes.push_back(n);
            PlaceNode(n, x, y);
        });
}

void FinishCoordinates()
{
    // An extent without any position keeps its seeds.
    if (Network.MinX <= Network.MaxX && Network.MinY <= Network.MaxY) {
        const float dx = (Network.MaxX - Network.MinX) * 0.025f;
        const float dy = (Network.MaxY - Network.MinY) * 0.025f;
        Network.MinX -= dx;
        Network.MaxX += dx;
        Network.MinY -= dy;
        Network.MaxY += dy;
    }
    PalvonRead::ReportUnusedLanes();
}

bool LoadCoordinatesFile(const std::string& fileName, int kind)
{
    bool ok = true;
    if (kind == CoordinatesText) {
        ok = ReadGeoText(fileName);
        // The test of the coordinates section: degrees become UTM (one zone for the
        // whole network), and the extent gets its margin.
        PalvonRead::GeographicTestAndExtent();
        PalvonRead::ReportUnusedLanes();
        return ok;
    }
    if (kind == CoordinatesDxf)
        ok = ReadDxfText(fileName);
    FinishCoordinates();
    return ok;
}

} // namespace KDVlib
