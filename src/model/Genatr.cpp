// Generation and attraction per zone, with the zones' outlines.
#include "model/Genatr.h"

#include "model/AuxFileHooks.h"
#include "model/AuxFileText.h"
#include "model/FileUtils.h"
#include "model/LinkShapes.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"
#include "model/ZoningLoaders.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

RecordArray<TGenatr, MaxGenatr> Genatr;
int32_t NumGenatr = 0;
float GenatrMax = 0.0f;
std::vector<std::string> GenatrNames;

using ZelUtils::Format;

namespace KDVlib {

namespace {

// Value pairs of a line of `fields` fields: (fields - 3) / 2, halves to even, at most 40.
int32_t PairCount(size_t fields)
{
    const int32_t n = ZelUtils::Round((static_cast<double>(fields) - 3.0) / 2.0);
    return std::clamp(n, 0, MaxGenatrVars);
}

// Whether the header names a variable past the 40 read: an empty field after the
// last pair (a line ended by a separator) names none.
bool NamesMoreVariables(const std::vector<std::string>& header)
{
    for (size_t k = 3 + 2 * static_cast<size_t>(MaxGenatrVars); k < header.size(); ++k)
        if (!ZelUtils::Trim(header[k]).empty())
            return true;
    return false;
}

// A field that gives a number (an empty one does not).
bool Readable(const std::vector<std::string>& f, size_t i)
{
    return i < f.size() && !ZelUtils::Trim(f[i]).empty() && AuxFileText::NumberOrEmpty(f[i]);
}

// Value i of a row: a missing or empty one reads as 0; text that is no number too,
// counted to be told.
float Value(const std::vector<std::string>& f, size_t i, int& unreadable)
{
    if (i >= f.size() || ZelUtils::Trim(f[i]).empty())
        return 0.0f;
    if (!AuxFileText::NumberOrEmpty(f[i])) {
        ++unreadable;
        return 0.0f;
    }
    return static_cast<float>(ZelUtils::ParseReal(f[i]));
}

} // namespace

bool LoadGenatr(const std::string& fileName)
{
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(FileUtils::ReadFailure(fileName));
        return false;
    }
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const std::string& l) { return ZelUtils::Trim(l).empty(); }),
                lines.end());
    if (lines.empty()) {
        Services().ShowMessage(Format("Archivo %s sin datos", AuxFileText::BaseName(fileName)));
        return false;
    }
    // Without a pair of values the file is not one of these (a network picked by
    // mistake): the data read before stays.
    // A first line of numbers only names nothing: a trace or zoning file, not these data.
    const std::vector<std::string> names = ZelUtils::SplitString(lines[0], ',');
    if (PairCount(names.size()) < 1 || std::all_of(names.begin(), names.end(), [](const std::string& f) {
            return ZelUtils::IsNumber(ZelUtils::Trim(f));
        })) {
        Services().ShowMessage(Format("Archivo %s con formato no reconocido:\rla primera línea debe nombrar zona, X, Y "
                                      "y las variables separadas por ','",
                                      AuxFileText::BaseName(fileName)));
        return false;
    }
    if (lines.size() > static_cast<size_t>(MaxGenatr) + 1) {
        Services().ShowMessage(Format("Archivo %s:\rsólo se leen las primeras %d zonas de sus %d",
                                      AuxFileText::BaseName(fileName), MaxGenatr,
                                      static_cast<int>(lines.size() - 1)));
        lines.resize(static_cast<size_t>(MaxGenatr) + 1);
    }
    NumGenatr = static_cast<int32_t>(lines.size());

    const std::vector<std::string> header = ZelUtils::SplitString(lines[0], ',');
    if (NamesMoreVariables(header))
        Services().ShowMessage("Esta versión sólo admite hasta 40 variables,\rse considerarán sólo las 40 primeras");
    const int32_t n = PairCount(header.size());
    GenatrNames.assign(1, std::string());
    for (int32_t k = 1; k <= n; ++k)
        GenatrNames.push_back(2 * static_cast<size_t>(k) + 1 < header.size()
                                  ? header[2 * static_cast<size_t>(k) + 1]
                                  : std::string());

    TGenatr& maxima = Genatr[0];
    maxima = TGenatr();
    GenatrMax = 0.0f;
    int unplaced = 0, unreadable = 0;
    for (int32_t i = 1; i < NumGenatr; ++i) {
        const std::vector<std::string> f = ZelUtils::SplitString(lines[static_cast<size_t>(i)], ',');
        // A row is replaced whole: an outline of an earlier file never stays with it.
        TGenatr& row = Genatr[i];
        row = TGenatr();
        // A row without a readable zone and position would stand at 0, 0 with its
        // values: it keeps its place in the file's order, unplaced and without values.
        // More fields than the header names: decimal commas split its numbers, and
        // every value after the first split one would be read shifted.
        bool longer = false;
        for (size_t k = header.size(); k < f.size() && !longer; ++k)
            longer = !ZelUtils::Trim(f[k]).empty();
        if (longer || !Readable(f, 0) || !Readable(f, 1) || !Readable(f, 2)) {
            ++unplaced;
            row.X = row.Y = UnsetLow;
            continue;
        }
        row.Zone = ZelUtils::ParseInt(f[0]);
        row.X = ParseCoordinate(f[1]);
        row.Y = ParseCoordinate(f[2]);
        // A generation without its attraction (an even field count) keeps the
        // generation; the missing attraction reads as 0.
        const int32_t pairs = PairCount(f.size());
        for (int32_t k = 1; k <= pairs; ++k) {
            row.Gen[k] = Value(f, 2 * static_cast<size_t>(k) + 1, unreadable);
            row.Attr[k] = Value(f, 2 * static_cast<size_t>(k) + 2, unreadable);
            maxima.Gen[k] = std::max(row.Gen[k], maxima.Gen[k]);
            maxima.Attr[k] = std::max(row.Attr[k], maxima.Attr[k]);
            GenatrMax = std::max({row.Gen[k], row.Attr[k], GenatrMax});
        }
    }
    if (unplaced > 0 || unreadable > 0) {
        std::string said = Format("Archivo %s:", AuxFileText::BaseName(fileName));
        if (unplaced > 0)
            said += Format("\r%d líneas sin zona, X e Y numéricas, o con más campos que la cabecera, "
                           "no se consideraron",
                           unplaced);
        if (unreadable > 0)
            said += Format("\r%d valores no numéricos se leyeron como 0", unreadable);
        Services().ShowMessage(said);
    }
    // Rows placed in degrees on a network whose own degrees were projected to UTM
    // would stand far off its map: they go to the network's zone, as its nodes did.
    // A network of map coordinates keeps the rows' positions as they are.
    const bool zoneKnown = Network.ProjectedZone >= 1 && Network.ProjectedZone <= 60;
    bool degrees = zoneKnown;
    for (int32_t i = 1; i < NumGenatr && degrees; ++i)
        degrees = Genatr[i].X == UnsetLow || (std::fabs(Genatr[i].X) < 180.0 && std::fabs(Genatr[i].Y) < 180.0);
    for (int32_t i = 1; i < NumGenatr && degrees; ++i) {
        TGenatr& row = Genatr[i];
        if (row.X == UnsetLow)
            continue;
        ZelUtm::TUtmPoint p;
        ZelUtm::GeoToUtm(Network.ProjectedZone, p, row.Y, row.X);
        row.X = p.Easting;
        row.Y = p.Northing;
    }
    AuxFileHooks().BuildGenatrMenu();

    std::error_code ec;
    const std::string polygons = FileUtils::ChangeFileExt(fileName, ".geo");
    if (std::filesystem::is_regular_file(polygons, ec))
        LoadPoligonosGenatr(polygons);
    return true;
}

bool LoadPoligonosGenatr(const std::string& fileName)
{
    TArcFile file;
    if (!ReadArcFile(fileName, file))
        return false;
    if (std::fabs(file.FirstX) <= 180.0 && std::fabs(file.FirstY) <= 180.0) {
        // Degrees: every point goes to UTM in one zone, so that an outline across a
        // zone boundary is not torn apart: the zone the network's own degrees were
        // projected in, for the outlines to lie where its zones do; else the zone of
        // the first point.
        ZelUtm::TUtmPoint p;
        ZelUtm::GeoToUtm(0, p, file.FirstY, file.FirstX);
        const int32_t zone =
            Network.ProjectedZone >= 1 && Network.ProjectedZone <= 60 ? Network.ProjectedZone : p.Zone;
        for (TZoningArc& arc : file.Arcs)
            for (TPoint& pt : arc.Points) {
                ZelUtm::GeoToUtm(zone, p, pt.y, pt.x);
                pt = {p.Easting, p.Northing};
            }
    }
    std::map<int32_t, std::vector<int32_t>> lists; // zone number -> its arcs in file order
    for (size_t i = 0; i < file.Arcs.size(); ++i)
        for (int32_t number : {file.Arcs[i].Left, file.Arcs[i].Right})
            if (number > 0)
                lists[number].push_back(static_cast<int32_t>(i));
    std::vector<int32_t> overflowZones;
    for (int32_t i = 1; i < NumGenatr; ++i) {
        // Each row takes the outline of the zone it names.
        TGenatr& row = Genatr[i];
        auto it = lists.find(row.Zone);
        if (it == lists.end())
            continue;
        bool overflow = false;
        std::vector<TPoint> outline = ChainArcs(file.Arcs, it->second, MaxGenatrPolygonPoints, overflow);
        if (overflow)
            overflowZones.push_back(row.Zone);
        row.PolygonCount = static_cast<int32_t>(outline.size());
        row.Polygon.assign(1, TPoint());
        row.Polygon.insert(row.Polygon.end(), outline.begin(), outline.end());
    }
    ReportArcFile(fileName, file, overflowZones, MaxGenatrPolygonPoints);
    return true;
}

} // namespace KDVlib
