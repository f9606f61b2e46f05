// Coordinate, shape-point, line-layer and UTM file writers.
#include "export/GeoWriters.h"

#include "export/ExportServices.h"
#include "map/GeoLayers.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/ServiceSlot.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

using ZelUtils::Format;

namespace {
ServiceSlot<ExportServices> slot;
} // namespace

ExportServices& ExportHooks() { return slot.Get(); }

ExportServices* SetExportServices(ExportServices* services) { return slot.Set(services); }

namespace KDVlib {

namespace {

const std::string CrLf = "\r\n";

bool Save(const std::string& path, const std::string& text)
{
    if (FileUtils::WriteTextFile(path, text))
        return true;
    Services().ShowMessage(FileUtils::WriteFailure(path));
    return false;
}

// The records of background layer L (1-based): first..last.
void LayerRange(int layer, int32_t& first, int32_t& last)
{
    first = std::max(GeoLayers().GeoLayerEnd[layer - 1] + 1, 1);
    last = std::min(GeoLayers().GeoLayerEnd[layer], static_cast<int32_t>(MaxGeoLinks));
}

// How a layer file writes one point.
enum class TPointText {
    Exact,     // ",x,y": every digit the coordinate holds, so rewriting never rounds
    UtmShifted // ",%.5f,%.5f" of the shifted coordinate
};

// The shortest fixed-point text that reads back as exactly the same value.
std::string ExactNumber(double v)
{
    char buffer[400];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
    if (r.ec != std::errc())
        return Format("%.5f", v);
    return std::string(buffer, r.ptr);
}

// One polyline line: "%d,%d" then one piece per point, every point shifted.
std::string PolylineLine(const GeoLink& g, TPointText how, double dx, double dy)
{
    int32_t n = std::min(g.Count, static_cast<int32_t>(g.Points.size()));
    std::string line = Format("%d,%d", g.Id, n);
    for (int32_t k = 0; k < n; ++k) {
        const TPoint& p = g.Points[static_cast<size_t>(k)];
        if (how == TPointText::Exact)
            line += "," + ExactNumber(p.x + dx) + "," + ExactNumber(p.y + dy);
        else
            line += Format(",%.5f,%.5f", p.x + dx, p.y + dy);
    }
    return line + CrLf;
}

// The layer's polylines with at least one point; the ".geo" files leave out the
// deleted ones, the UTM files keep them.
std::string LayerText(int layer, TPointText how, bool keepDeleted, double dx, double dy)
{
    std::string text;
    int32_t first, last;
    LayerRange(layer, first, last);
    for (int32_t i = first; i <= last; ++i) {
        const GeoLink& g = GeoLayers().GeoLinks[i];
        if (g.Count > 0 && !g.Points.empty() && (keepDeleted || g.Name != GeoDeletedName))
            text += PolylineLine(g, how, dx, dy);
    }
    return text;
}

int LayerCount()
{
    return std::clamp(GeoLayers().NumGeoLayers, 0, MaxGeoLayers);
}

} // namespace

bool WriteCoordsFile(const std::string& path)
{
    std::string text;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zone = Zonas[z];
        if (zone.HasCentroid)
            text += Format("%d,%.5f,%.5f", zone.Number, double(zone.CentroidX), double(zone.CentroidY)) + CrLf;
    }
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        const TNodo& node = Nodos[i];
        if (node.HasXY)
            text += Format("%d,%.5f,%.5f", node.Number, double(node.X), double(node.Y)) + CrLf;
    }
    return Save(path, text);
}

bool WriteCoords()
{
    if (!ExportHooks().SaveGeos()) {
        Network.PositionsUnsaved = true;
        return true;
    }
    Network.PositionsUnsaved = !WriteCoordsFile(CoordinatesFileName);
    return !Network.PositionsUnsaved;
}

bool WriteGeo()
{
    for (int layer = 1; layer <= LayerCount(); ++layer) {
        if (!Save(GeoLayers().GeoLayerFiles[layer], LayerText(layer, TPointText::Exact, false, 0.0, 0.0)))
            return false;
    }
    return true;
}

bool WriteUtmFiles(const std::string& folder, double offsetX, double offsetY)
{
    const bool wide = Network.Options.DUTCH != 0;
    const char* zoneFormat = wide ? "C%9d%15.5f%15.5f" : "C%4d%15.5f%15.5f";
    const char* nodeFormat = wide ? "%10d%15.5f%15.5f" : "%5d%15.5f%15.5f";
    std::string text;
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        const TZona& zone = Zonas[z];
        if (zone.CentroidX != UnsetLow)
            text += Format(zoneFormat, zone.Number, zone.CentroidX + offsetX, zone.CentroidY + offsetY) + CrLf;
    }
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        const TNodo& node = Nodos[i];
        if (node.X != UnsetLow)
            text += Format(nodeFormat, node.Number, node.X + offsetX, node.Y + offsetY) + CrLf;
    }
    const std::filesystem::path dir(folder);
    if (!Save((dir / "T55555_UTM_.DAT").string(), text))
        return false;
    for (int layer = 1; layer <= LayerCount(); ++layer) {
        std::string name = Format("SOLERA%d_UTM_.DAT", layer);
        if (!Save((dir / name).string(), LayerText(layer, TPointText::UtmShifted, true, offsetX, offsetY)))
            return false;
    }
    return true;
}

bool WriteSigFile(const std::string& path)
{
    std::string text;
    text.reserve(static_cast<size_t>(Network.LinkCount) * 64);
    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& a = Arcos[k];
        int32_t n = std::clamp(a.PointCount, 0, MaxShapePoints);
        text += Format("%d,%d,%d", a.A, a.B, n);
        for (int32_t p = 1; p <= n; ++p)
            text += Format(",%.5f,%.5f", a.Points[p].x, a.Points[p].y);
        text += CrLf;
    }
    return Save(path, text);
}

} // namespace KDVlib
