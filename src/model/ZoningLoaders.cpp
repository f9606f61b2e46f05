// Zoning loaders: text zoning files and zoning shapefiles.
#include "model/ZoningLoaders.h"

#include "model/AuxFileHooks.h"
#include "model/AuxFileText.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <span>

using ZelUtils::Format;

namespace KDVlib {

namespace {

char ArcSeparator(const std::string& firstLine)
{
    if (firstLine.find(';') != std::string::npos)
        return ';';
    return ',';
}

bool SamePoint(const TPoint& a, const TPoint& b) { return a.x == b.x && a.y == b.y; }

} // namespace

bool ReadArcFile(const std::string& fileName, TArcFile& file)
{
    file = TArcFile();
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(fileName, lines)) {
        Services().ShowMessage(Format("No se puede abrir el archivo %s", AuxFileText::BaseName(fileName)));
        return false;
    }
    const char sep = lines.empty() ? ',' : ArcSeparator(lines.front());
    bool wellFormed = false;
    if (!lines.empty()) {
        const std::vector<std::string> f = AuxFileText::Fields(lines.front(), sep);
        if (f.size() > 6 && f.size() % 2 == 1) {
            const float n = static_cast<float>(ZelUtils::ParseReal(f[2]));
            wellFormed = n == static_cast<float>(ZelUtils::Round(n));
            file.FirstX = ParseCoordinate(f[3]);
            file.FirstY = ParseCoordinate(f[4]);
        }
    }
    if (!wellFormed) {
        Services().ShowMessage(Format("Archivo %s con formato no reconocido\rProceso abortado", fileName));
        return false;
    }
    for (const std::string& line : lines) {
        if (ZelUtils::Trim(line).empty())
            continue;
        const std::vector<std::string> f = AuxFileText::Fields(line, sep);
        const int32_t n = f.size() >= 3 ? ZelUtils::ParseInt(f[2]) : 0;
        // A line short of the coordinates it announces is not half read.
        if (n < 1 || f.size() < 3 + 2 * static_cast<size_t>(n)) {
            ++file.Skipped;
            continue;
        }
        TZoningArc arc;
        arc.Left = ZelUtils::ParseInt(f[0]);
        arc.Right = ZelUtils::ParseInt(f[1]);
        arc.Points.reserve(static_cast<size_t>(n));
        for (int32_t k = 0; k < n; ++k)
            arc.Points.push_back({ParseCoordinate(f[3 + 2 * static_cast<size_t>(k)]),
                                  ParseCoordinate(f[4 + 2 * static_cast<size_t>(k)])});
        file.Arcs.push_back(std::move(arc));
    }
    return true;
}

std::vector<TPoint> ChainArcs(const std::vector<TZoningArc>& arcs, const std::vector<int32_t>& list,
                              int32_t maxPoints, bool& overflow)
{
    std::vector<TPoint> outline;
    if (list.empty())
        return outline;
    const auto& start = arcs[static_cast<size_t>(list.front())].Points;
    if (static_cast<int32_t>(start.size()) > maxPoints) {
        overflow = true;
        return outline;
    }
    outline = start;
    std::vector<bool> used(list.size(), false);
    used[0] = true;
    for (size_t pass = 1; pass < list.size(); ++pass) {
        const TPoint end = outline.back();
        bool forward = true;
        size_t pick = 0;
        for (size_t i = 1; i < list.size() && pick == 0; ++i)
            if (!used[i] && SamePoint(arcs[static_cast<size_t>(list[i])].Points.front(), end))
                pick = i;
        if (pick == 0) {
            forward = false;
            for (size_t i = 1; i < list.size() && pick == 0; ++i)
                if (!used[i] && SamePoint(arcs[static_cast<size_t>(list[i])].Points.back(), end))
                    pick = i;
        }
        if (pick == 0)
            continue;
        used[pick] = true;
        const auto& pts = arcs[static_cast<size_t>(list[pick])].Points;
        if (static_cast<int32_t>(outline.size() + pts.size()) - 1 > maxPoints) {
            overflow = true;
            continue;
        }
        if (forward)
            outline.insert(outline.end(), pts.begin() + 1, pts.end());
        else
            outline.insert(outline.end(), pts.rbegin() + 1, pts.rend());
    }
    return outline;
}

namespace {
// The first 20 zone numbers, each after a blank, and " ..." for any further ones.
std::string ZoneNumbers(const std::vector<int32_t>& zones)
{
    std::string text;
    for (size_t i = 0; i < zones.size() && i < 20; ++i)
        text += Format(" %d", zones[i]);
    if (zones.size() > 20)
        text += " ...";
    return text;
}
} // namespace

void ReportArcFile(const std::string& fileName, const TArcFile& file, const std::vector<int32_t>& overflowZones,
                   int32_t maxPoints)
{
    std::string text;
    if (file.Skipped > 0)
        text = Format("%d líneas no se consideraron\r(cada arco necesita al menos un punto y todas sus "
                      "coordenadas)",
                      file.Skipped);
    if (!overflowZones.empty()) {
        if (!text.empty())
            text += "\r";
        text += Format("El contorno de %d zonas supera %d puntos; se omitieron arcos:%s",
                       static_cast<int>(overflowZones.size()), maxPoints, ZoneNumbers(overflowZones));
    }
    if (!text.empty())
        Services().ShowMessage(Format("Archivo %s:\r", AuxFileText::BaseName(fileName)) + text);
}

bool LoadZonificacionTxt(bool sayOtherNetwork)
{
    TArcFile file;
    if (!ReadArcFile(ZoningFileName, file))
        return false;
    // Arcs of each zone record, in file order; zones not in the network are ignored.
    std::vector<std::vector<int32_t>> lists(static_cast<size_t>(Network.ZoneCount) + 1);
    for (size_t i = 0; i < file.Arcs.size(); ++i)
        for (int32_t number : {file.Arcs[i].Left, file.Arcs[i].Right})
            if (number > 0)
                if (int32_t z = FindZona(number); z > 0)
                    lists[static_cast<size_t>(z)].push_back(static_cast<int32_t>(i));
    // The zoning of another network: the outlines read before stay, and the user
    // is told why none changed.
    if (std::all_of(lists.begin(), lists.end(), [](const std::vector<int32_t>& l) { return l.empty(); })) {
        if (sayOtherNetwork)
            Services().ShowMessage(Format("Archivo %s:\rninguna de sus zonas es de esta red; no se ha leído.",
                                      AuxFileText::BaseName(ZoningFileName)));
        return false;
    }
    // Every outline is chained before any zone takes its own: a zone whose
    // outline has no room would be drawn cut short (or not at all, its earlier
    // outline lost), so such a file is refused whole and the zones keep theirs.
    std::vector<std::vector<TPoint>> outlines(lists.size());
    std::vector<int32_t> overflowZones;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        bool overflow = false;
        outlines[static_cast<size_t>(z)] = ChainArcs(file.Arcs, lists[static_cast<size_t>(z)], MaxZonePolygonPoints,
                                                     overflow);
        if (overflow)
            overflowZones.push_back(Zonas[z].Number);
    }
    if (!overflowZones.empty()) {
        const int count = static_cast<int>(overflowZones.size());
        const std::string zones = count == 1 ? std::string("una zona") : Format("%d zonas", count);
        Services().ShowMessage(Format("Archivo %s:\rel contorno de %s supera %d puntos:%s; no se ha leído.",
                                      AuxFileText::BaseName(ZoningFileName), zones, MaxZonePolygonPoints,
                                      ZoneNumbers(overflowZones)));
        return false;
    }
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        TZona& zone = Zonas[z];
        if (!lists[static_cast<size_t>(z)].empty()) {
            const std::vector<TPoint>& outline = outlines[static_cast<size_t>(z)];
            zone.PolygonCount = static_cast<int32_t>(outline.size());
            zone.Polygon.assign(1, TPoint());
            zone.Polygon.insert(zone.Polygon.end(), outline.begin(), outline.end());
        }
        // A zone without arcs keeps its outline; its centre stays that outline's.
        zone.PolygonCentre = TPoint();
        if (zone.PolygonCount > 0 && static_cast<int32_t>(zone.Polygon.size()) > zone.PolygonCount)
            ZelUtils::MeanPoint(std::span<const TPoint>(zone.Polygon).subspan(1), zone.PolygonCount - 1,
                                zone.PolygonCentre);
    }
    ReportArcFile(ZoningFileName, file, {}, MaxZonePolygonPoints);
    return true;
}

bool LoadZonificacionShp()
{
    const std::string base = AuxFileText::BaseName(ZoningFileName);
    SHPHandle shp = SHPOpen(ZoningFileName.c_str(), "rb");
    DBFHandle dbf = DBFOpen(ZoningFileName.c_str(), "rb");
    std::string fields = "Fields =";
    if (dbf) {
        const int count = DBFGetFieldCount(dbf);
        for (int i = 0; i < count; ++i) {
            char name[XBASE_FLDNAME_LEN_READ + 1] = {};
            int width = 0, decimals = 0;
            DBFGetFieldInfo(dbf, i, name, &width, &decimals);
            fields += " ";
            fields += name;
        }
        DBFClose(dbf);
    }
    // A file that is no shapefile is said once: its fields are no news then.
    if (!shp) {
        Services().ShowMessage(Format("No se puede abrir el shapefile %s", base));
        return false;
    }
    Services().ShowMessage(fields);
    int entities = 0, shapeType = 0;
    double minBound[4] = {}, maxBound[4] = {};
    SHPGetInfo(shp, &entities, &shapeType, minBound, maxBound);
    int unreadable = 0;
    for (int i = 0; i < entities; ++i) {
        SHPObject* obj = SHPReadObject(shp, i);
        if (!obj) {
            ++unreadable;
            continue;
        }
        // Every part is walked to its last vertex, so that a damaged shape shows.
        for (int part = 0; part < std::max(obj->nParts, 1); ++part) {
            const int from = obj->nParts > 0 ? obj->panPartStart[part] : 0;
            const int to = obj->nParts > part + 1 ? obj->panPartStart[part + 1] : obj->nVertices;
            if (from < 0 || to > obj->nVertices || from > to)
                ++unreadable;
        }
        SHPDestroyObject(obj);
    }
    SHPClose(shp);
    if (unreadable > 0)
        Services().ShowMessage(Format("Shapefile %s:\r%d formas no se pudieron leer", base, unreadable));
    return true;
}

bool LoadZonificacion(bool redraw, bool sayOtherNetwork)
{
    const std::string ext = ZelUtils::UpperCase(std::filesystem::path(ZoningFileName).extension().string());
    const bool ok = ext == ".SHP" ? LoadZonificacionShp() : LoadZonificacionTxt(sayOtherNetwork);
    if (!ok)
        return false; // the zones keep the outlines read before, shown or hidden as they were
    Network.ZoningUnsaved = false; // the outlines are the file's
    Services().SetMenuItemEnabled("tbZonas", true);
    Services().SetMenuItemChecked("tbZonas", true);
    if (redraw && !BatchMode)
        AuxFileHooks().Redraw();
    return true;
}

} // namespace KDVlib
