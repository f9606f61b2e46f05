// Coordinate, shape-point, line-layer and UTM file writers.
#include "export/GeoWriters.h"

#include "export/ExportServices.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/ServiceSlot.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/SafeFile.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <unordered_map>

using ZelUtils::Format;

namespace {
ServiceSlot<ExportServices> slot;
} // namespace

ExportServices& ExportHooks() { return slot.Get(); }

ExportServices* SetExportServices(ExportServices* services) { return slot.Set(services); }

namespace KDVlib {

namespace {

const std::string CrLf = "\r\n";

bool Save(const std::string& path, const std::string& text, bool tell = true)
{
    if (FileUtils::WriteTextFile(path, text))
        return true;
    if (tell)
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

// One polyline line: "%d,%d" then one piece per point, every point shifted (a
// layer file's own separator in place of the commas), then `tail`.
std::string PolylineLine(const GeoLink& g, TPointText how, double dx, double dy, char sep = ',',
                         const std::string& tail = std::string())
{
    int32_t n = std::min(g.Count, static_cast<int32_t>(g.Points.size()));
    std::string line = Format("%d%c%d", g.Id, sep, n);
    for (int32_t k = 0; k < n; ++k) {
        const TPoint& p = g.Points[static_cast<size_t>(k)];
        if (how == TPointText::Exact)
            line += sep + ExactNumber(p.x + dx) + sep + ExactNumber(p.y + dy);
        else
            line += Format(",%.5f,%.5f", p.x + dx, p.y + dy);
    }
    return line + tail + CrLf;
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

bool Written(const GeoLink& g) { return g.Count > 0 && !g.Points.empty() && g.Name != GeoDeletedName; }

// A polyline line the reader had no room for, its points moved as its layer was
// (any other line as it stands).
std::string MovedLine(const std::string& text, char sep, double dx, double dy)
{
    std::vector<std::string> f = ZelUtils::SplitString(text, sep);
    if ((dx == 0.0 && dy == 0.0) || f.size() < 2 || !LineLayers::IsNumeric(f[0]) || !LineLayers::IsNumeric(f[1]))
        return text;
    const double count = KDVlib::ParseCoordinate(f[1]);
    if (!(count > 0.0) || count > static_cast<double>(f.size()))
        return text;
    const size_t n = static_cast<size_t>(ZelUtils::Round(count));
    if (n == 0 || f.size() < 2 + 2 * n)
        return text;
    for (size_t k = 2; k < 2 + 2 * n; ++k)
        if (!LineLayers::IsNumeric(f[k]))
            return text;
    std::string line = f[0] + sep + f[1];
    for (size_t k = 2; k < f.size(); ++k) {
        line += sep;
        line += k < 2 + 2 * n ? ExactNumber(KDVlib::ParseCoordinate(f[k]) + (k % 2 == 0 ? dx : dy)) : f[k];
    }
    return line;
}

// Whether a line of a layer's file gives exactly the polyline `g` (its id and every
// point as read): then it is written back as it stands, its numbers in its own
// digits, rather than rewritten.
bool LineGives(const std::string& text, char sep, const GeoLink& g)
{
    if (text.empty())
        return false;
    const std::vector<std::string> f = ZelUtils::SplitString(text, sep);
    const size_t n = g.Points.size();
    if (f.size() < 2 + 2 * n || ZelUtils::Round(KDVlib::ParseCoordinate(f[0])) != g.Id ||
        ZelUtils::Round(KDVlib::ParseCoordinate(f[1])) != static_cast<int32_t>(n))
        return false;
    for (size_t k = 0; k < n; ++k)
        if (KDVlib::ParseCoordinate(f[2 + 2 * k]) != g.Points[k].x ||
            KDVlib::ParseCoordinate(f[3 + 2 * k]) != g.Points[k].y)
            return false;
    return true;
}

// The layer's file as read, each line written again: the records read from it
// (the pieces of a long polyline joined into its one line, the closing point each
// piece shares with the next given once), or its own text.
std::string LayerFileText(int layer)
{
    const TGeoLayerFile& source = GeoLayers().GeoLayerSource[layer];
    if (!source.Read)
        return LayerText(layer, TPointText::Exact, false, 0.0, 0.0);
    int32_t first, last;
    LayerRange(layer, first, last);
    std::string text;
    for (const TGeoFileLine& line : source.Lines) {
        if (line.First == 0) {
            text += (line.PastCapacity ? MovedLine(line.Text, source.Separator, source.ShiftX, source.ShiftY) : line.Text) +
                    CrLf;
            continue;
        }
        if (line.First < first || line.Last > last)
            continue;
        bool whole = true;
        for (int32_t k = line.First; k <= line.Last; ++k)
            whole = whole && Written(GeoLayers().GeoLinks[k]);
        if (!whole) {
            // A piece deleted by editing: the others stand as lines of their own.
            for (int32_t k = line.First; k <= line.Last; ++k)
                if (Written(GeoLayers().GeoLinks[k]))
                    text += PolylineLine(GeoLayers().GeoLinks[k], TPointText::Exact, 0.0, 0.0, source.Separator);
            continue;
        }
        GeoLink joined;
        joined.Id = GeoLayers().GeoLinks[line.First].Id;
        for (int32_t k = line.First; k <= line.Last; ++k) {
            const GeoLink& g = GeoLayers().GeoLinks[k];
            const size_t n = std::min(static_cast<size_t>(g.Count), g.Points.size());
            joined.Points.insert(joined.Points.end(), g.Points.begin(),
                                 g.Points.begin() + static_cast<std::ptrdiff_t>(k < line.Last ? n - 1 : n));
        }
        joined.Count = static_cast<int32_t>(joined.Points.size());
        text += LineGives(line.Original, source.Separator, joined)
                    ? line.Original + CrLf
                    : PolylineLine(joined, TPointText::Exact, 0.0, 0.0, source.Separator, line.Text);
    }
    return text;
}

// A name file line with its label point where the polyline's label stands now, or
// the line as it is: no point of its own (its label sits on the polyline), no
// polyline of that id, or the label where the line puts it.
std::string PlacedLabelLine(const std::string& line, char sep, const std::unordered_map<int32_t, TPoint>& labels)
{
    std::vector<std::string> f = ZelUtils::SplitString(line, sep);
    if (f.size() <= 3 || !LineLayers::IsNumeric(f[0]) || !LineLayers::IsNumeric(f[2]) ||
        !LineLayers::IsNumeric(f[3]))
        return line;
    const double x = KDVlib::ParseCoordinate(f[2]), y = KDVlib::ParseCoordinate(f[3]);
    const auto label = labels.find(ZelUtils::Round(KDVlib::ParseCoordinate(f[0])));
    if (x == 0.0 || y == 0.0 || label == labels.end() || (label->second.x == x && label->second.y == y))
        return line;
    f[2] = ExactNumber(label->second.x);
    f[3] = ExactNumber(label->second.y);
    std::string out = f[0];
    for (size_t k = 1; k < f.size(); ++k)
        out += sep + f[k];
    return out;
}

// The digest of the file on disk; 0 when it cannot be read (or is gone).
uint64_t DiskDigest(const std::string& path)
{
    std::string bytes;
    return FileUtils::ReadFile(path, bytes) ? GeoFileDigest(bytes) : 0;
}

bool SamePath(const std::string& a, const std::string& b)
{
    std::error_code ec1, ec2;
    const std::filesystem::path x = std::filesystem::weakly_canonical(a, ec1), y = std::filesystem::weakly_canonical(b, ec2);
    return !ec1 && !ec2 ? x == y : a == b;
}

} // namespace

namespace {
std::string CoordsText()
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
    return text;
}
} // namespace

bool WriteCoordsFile(const std::string& path)
{
    // The positions file is named after the network by the program, never by the
    // user: a link put under its name is not followed.
    const SafeFile::TProgramNamed ownName;
    if (!Save(path, CoordsText()))
        return false;
    Network.PositionsWriteFailing = false;
    return true;
}

bool WriteCoords()
{
    if (!ExportHooks().SaveGeos()) {
        Network.PositionsUnsaved = true;
        return true;
    }
    // Saved on every move: a folder that refuses the file would say so on every
    // move after the first. It is said once, until a save goes in or another
    // network comes; the positions stay an edit still to be saved meanwhile.
    const SafeFile::TProgramNamed ownName;
    if (FileUtils::WriteTextFile(CoordinatesFileName, CoordsText())) {
        Network.PositionsUnsaved = Network.PositionsWriteFailing = false;
        return true;
    }
    if (!Network.PositionsWriteFailing)
        Services().ShowMessage(FileUtils::WriteFailure(CoordinatesFileName));
    Network.PositionsUnsaved = Network.PositionsWriteFailing = true;
    return false;
}

std::string LayerNamesText(int layer, const std::string& bytes)
{
    if (layer < 1 || layer > LayerCount() || !GeoLayers().GeoLayerSource[layer].NamesRead)
        return bytes;
    // The label each id was given (the last piece of a long polyline holds it).
    std::unordered_map<int32_t, TPoint> labels;
    int32_t first, last;
    LayerRange(layer, first, last);
    for (int32_t k = first; k <= last; ++k)
        labels[GeoLayers().GeoLinks[k].Id] = GeoLayers().GeoLinks[k].LabelPos;
    std::string out;
    out.reserve(bytes.size());
    char sep = 0;
    for (size_t at = 0; at < bytes.size();) {
        const size_t lf = bytes.find('\n', at);
        const size_t next = lf == std::string::npos ? bytes.size() : lf + 1;
        size_t end = lf == std::string::npos ? bytes.size() : lf;
        if (end > at && bytes[end - 1] == '\r')
            --end;
        const std::string line = bytes.substr(at, end - at);
        if (at == 0)
            sep = LineLayers::ChooseSeparator(line);
        out += PlacedLabelLine(line, sep ? sep : ',', labels);
        out.append(bytes, end, next - end); // the line's own end
        at = next;
    }
    return out;
}

bool WriteGeoLayer(int layer, const std::string& path, bool unasked)
{
    if (layer < 1 || layer > LayerCount())
        return true;
    TGeoLayerFile& source = GeoLayers().GeoLayerSource[layer];
    const bool own = SamePath(path, GeoLayers().GeoLayerFiles[layer]);
    if (own && source.Read && DiskDigest(path) != source.Digest &&
        !Services().AskYesNo(Format("El archivo %s ha cambiado desde que se ley\xC3\xB3 (otro programa lo "
                                    "modific\xC3\xB3 o lo quit\xC3\xB3).\r\xC2\xBF Desea reemplazarlo con la "
                                    "capa de soleras %s ?",
                                    path, GeoLayers().GeoLayerNames[layer])))
        return true; // the user keeps the file: nothing is written
    // Written unasked after every move, a file that refuses the layer is said once,
    // until a write of it goes in; the move stays to be saved meanwhile.
    const bool tell = !(unasked && source.WriteFailing);
    if (!Save(path, LayerFileText(layer), tell)) {
        source.WriteFailing = true;
        return false;
    }
    source.WriteFailing = false;
    GeoLayers().GeoLayerFiles[layer] = path;
    source.Unsaved = false;
    if (source.Read)
        source.Digest = DiskDigest(path);
    // The names read from the layer's name file travel with their polylines: a
    // label point it gives goes where the label was moved, or the layer opened
    // again shows its names away from its lines. A name file changed on disk since
    // (another program, the user's editor) is theirs: it is left as it is.
    if (own && source.NamesRead) {
        const std::string names = FileUtils::FindFileCaseInsensitive(FileUtils::ChangeFileExt(path, ".name"));
        std::string bytes;
        if (FileUtils::ReadFile(names, bytes) && GeoFileDigest(bytes) == source.NamesDigest) {
            const std::string placed = LayerNamesText(layer, bytes);
            if (placed != bytes && !Save(names, placed, tell)) {
                source.Unsaved = true; // asked about again before the layer goes
                source.WriteFailing = true;
                return false;
            }
            source.NamesDigest = DiskDigest(names);
        }
    }
    return true;
}

bool WriteGeo(const std::vector<int>& layers, bool unasked)
{
    for (int layer = 1; layer <= LayerCount(); ++layer) {
        if (!layers.empty() && std::find(layers.begin(), layers.end(), layer) == layers.end())
            continue;
        if (!WriteGeoLayer(layer, GeoLayers().GeoLayerFiles[layer], unasked))
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
    // The files belong together: all or none replace the earlier ones, and a
    // failure is said once. Each goes beside its file as soon as it is made. The
    // names are made up here: a link put under one is not followed.
    const std::vector<std::string> names = UtmFileNames(folder);
    SafeFile::TSetWriter set(true);
    bool added = set.Add(names.front(), text);
    for (int layer = 1; added && layer <= LayerCount(); ++layer)
        added = set.Add(names[static_cast<size_t>(layer)],
                        LayerText(layer, TPointText::UtmShifted, true, offsetX, offsetY));
    if (!set.Commit()) {
        Services().ShowMessage(FileUtils::WriteFailure(set.FailedPath(), set.Why()));
        return false;
    }
    return true;
}

std::vector<std::string> UtmFileNames(const std::string& folder)
{
    const std::filesystem::path dir(folder);
    std::vector<std::string> names = {(dir / "T55555_UTM_.DAT").string()};
    for (int layer = 1; layer <= LayerCount(); ++layer)
        names.push_back((dir / Format("SOLERA%d_UTM_.DAT", layer)).string());
    return names;
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
