// Background line layers and the bus volumes of transit lines.
#include "map/LineLayers.h"

#include "map/DisplayStyles.h"
#include "map/ViewState.h"
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <unordered_map>

using ZelUtils::Format;
using ZelUtils::Round;

std::vector<float> LinkBusCount;
float LinkBusMax = 0.0f;
bool VisibleLinesChanged = true;

namespace LineLayers {

namespace {

// The last sum's scale is still to be taken by the user's view.
bool rangePending = false;

namespace fs = std::filesystem;

// A companion of the file with another extension, found whatever the case of its name.
std::string Companion(const std::string& fileName, const char* ext)
{
    return FileUtils::FindFileCaseInsensitive(FileUtils::ChangeFileExt(fileName, ext));
}

bool IsFile(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool Blank(const std::string& line) { return ZelUtils::Trim(line).empty(); }

double Number(const std::string& field) { return KDVlib::ParseCoordinate(field); }

// Fields 2..2n+1 hold n pairs of numbers.
bool HasPoints(const std::vector<std::string>& f, int32_t n)
{
    if (f.size() < static_cast<size_t>(2) + 2 * static_cast<size_t>(n))
        return false;
    for (size_t k = 2; k < 2 + 2 * static_cast<size_t>(n); ++k)
        if (!IsNumeric(f[k]))
            return false;
    return true;
}

// Label of the last piece of a polyline: the middle of its two middle points, along them.
void PlaceLabel(GeoLink& g)
{
    const int32_t count = static_cast<int32_t>(g.Points.size());
    if (count < 1)
        return;
    const TPoint& p = g.Points[static_cast<size_t>((count - 1) / 2)];
    const TPoint& q = g.Points[static_cast<size_t>(count / 2)];
    g.LabelPos = {(p.x + q.x) / 2.0, (p.y + q.y) / 2.0};
    const double angle = ZelUtils::Angle(p.x, p.y, q.x, q.y);
    g.LabelAngle = static_cast<int32_t>(std::trunc(angle * 1800.0 / std::numbers::pi));
}

std::string NameKey(int32_t layer, int32_t id) { return Format("%2d %d", layer, id); }

// Names (and label positions) of the layer's polylines from its name file; false
// when it could not be read.
bool ReadNames(const std::string& nameFile, int32_t layer)
{
    std::vector<std::string> lines;
    if (!FileUtils::ReadLines(nameFile, lines)) {
        Services().ShowMessage(Format("No se puede abrir el archivo %s", fs::path(nameFile).filename().string()));
        return false;
    }
    if (lines.empty())
        return true;
    std::unordered_multimap<std::string, int32_t> records;
    for (const TGeoNameKey& k : GeoLayers().GeoNameKeys)
        records.emplace(k.Key, k.Record);
    const char sep = ChooseSeparator(lines.front());
    for (const std::string& line : lines) {
        if (Blank(line))
            continue;
        const std::vector<std::string> f = ZelUtils::SplitString(line, sep ? sep : ',');
        if (f.size() < 2 || !IsNumeric(f[0]))
            continue;
        const auto [from, to] = records.equal_range(NameKey(layer, Round(Number(f[0]))));
        for (auto it = from; it != to; ++it) {
            GeoLink& g = GeoLayers().GeoLinks[it->second];
            g.Name = f[1];
            if (f.size() > 3 && IsNumeric(f[2]) && IsNumeric(f[3])) {
                const double x = Number(f[2]), y = Number(f[3]);
                if (x != 0.0 && y != 0.0)
                    g.LabelPos = {x, y};
            }
        }
    }
    return true;
}

} // namespace

char ChooseSeparator(const std::string& firstLine)
{
    if (firstLine.find(';') != std::string::npos)
        return ';';
    if (firstLine.find(',') != std::string::npos)
        return ',';
    return 0;
}

bool IsNumeric(const std::string& field)
{
    const std::string t = ZelUtils::Trim(field);
    if (t.empty())
        return false;
    bool digit = false;
    for (char c : t) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E')
            return false;
    }
    return digit;
}

bool IsPolylineHeader(const std::string& firstLine, char separator)
{
    if (separator == 0)
        return false;
    const std::vector<std::string> f = ZelUtils::SplitString(firstLine, separator);
    if (f.size() <= 3 || f.size() % 2 != 0 || !IsNumeric(f[1]))
        return false;
    const double n = Number(f[1]);
    return n == std::nearbyint(n);
}

void LayerRange(int32_t layer, int32_t& first, int32_t& last)
{
    first = 1;
    last = 0;
    if (layer < 1 || layer > MaxGeoLayers)
        return;
    first = std::max(GeoLayers().GeoLayerEnd[layer - 1] + 1, 1);
    last = std::min(GeoLayers().GeoLayerEnd[layer], static_cast<int32_t>(MaxGeoLinks));
}

std::string SelectionCaption()
{
    std::string numbers;
    for (int32_t k = 1; k <= std::clamp(GeoLayers().NumGeoLayers, 0, MaxGeoLayers); ++k)
        if (GeoLayers().GeoLayerSelected[k])
            numbers += (numbers.empty() ? "" : "/") + std::to_string(k);
    return "Selección: " + numbers;
}

TLineLayerLoad LoadLineLayer(const std::string& fileName, bool addLayer)
{
    TLineLayerLoad result;
    const std::string geoFile = Companion(fileName, ".geo");
    const std::string nameFile = Companion(fileName, ".name");
    const std::string shortName = fs::path(geoFile).filename().string();
    result.HasNames = IsFile(nameFile);

    // Only a NUL byte makes a file of another kind: control characters in a line
    // make it one the reader skips (and a write-back keeps), so every file the
    // program writes back reads again.
    std::string bytes;
    if (!FileUtils::ReadFile(geoFile, bytes) || bytes.find('\0') != std::string::npos) {
        Services().ShowMessage(Format("No se puede abrir el archivo %s", shortName));
        return result;
    }
    std::vector<std::string> lines = FileUtils::SplitLines(bytes);
    const char sep = lines.empty() ? 0 : ChooseSeparator(lines.front());
    if (lines.empty() || !IsPolylineHeader(lines.front(), sep)) {
        Services().ShowMessage(Format("Archivo %s con formato no reconocido\rProceso abortado", shortName));
        result.Status = TLoadStatus::NotRecognised;
        return result;
    }
    // The layer tables hold MaxGeoLayers layers: a further one is refused whole.
    if (addLayer && GeoLayers().NumGeoLayers >= MaxGeoLayers) {
        Services().ShowMessage(Format("Archivo %s no cargado:\rse admiten como máximo %d capas de soleras",
                                      shortName, MaxGeoLayers));
        result.Status = TLoadStatus::NoLayerRoom;
        return result;
    }

    if (addLayer) {
        GeoLayers().NumGeoLayers = std::max(GeoLayers().NumGeoLayers, 0) + 1;
    } else {
        // The replaced layers go with their names and keys.
        GeoLayers().GeoNameKeys.clear();
        GeoLayers().GeoLinks.reset();
        for (TGeoLayerFile& source : GeoLayers().GeoLayerSource)
            source = TGeoLayerFile();
        GeoLayers().NumGeoLayers = 1;
        GeoLayers().GeoLayerEnd[0] = 0;
    }
    const int32_t layer = GeoLayers().NumGeoLayers;
    result.Layer = layer;
    const fs::path full = fs::absolute(fs::path(geoFile));
    GeoLayers().GeoLayerNames[layer] = full.stem().string();
    GeoLayers().GeoLayerDirs[layer] = full.parent_path().string();
    GeoLayers().GeoLayerFiles[layer] = full.string();
    if (!BatchMode) {
        TItems& style = UserView().Items[static_cast<size_t>(10 + layer)];
        style = UserView().Items[11];
        style.Name = "Cob.Líneas (" + GeoLayers().GeoLayerNames[layer] + ")";
        style.ShowNames = false;
        UserView().LabelFonts[static_cast<size_t>(10 + layer)].Color = style.Color;
    }
    GeoLayers().GeoLayerVisible[layer] = 1;
    GeoLayers().GeoLayerSelected[layer] = 1;

    ViewerServices& ui = Services();
    ui.SetStatusText(0, shortName);
    ui.SetProgressRange(0, static_cast<int>(lines.size()));
    ui.SetProgressVisible(true);

    int32_t stored = GeoLayers().GeoLayerEnd[layer - 1];
    GeoLayers().GeoLayerEnd[layer] = stored;
    // Every line is remembered: the records made from it, or its text.
    TGeoLayerFile& source = GeoLayers().GeoLayerSource[layer];
    source = TGeoLayerFile();
    source.Read = true;
    source.Digest = GeoFileDigest(bytes);
    source.Separator = sep;
    source.Lines.reserve(lines.size());
    const auto keep = [&source, &lines](size_t i, bool pastCapacity = false) {
        source.Lines.push_back({0, -1, std::move(lines[i]), pastCapacity, std::string()});
    };
    int skipped = 0;
    bool full_ = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (full_) {
            keep(i, true); // past the capacity: not read, kept as it is
            continue;
        }
        if (i % 256 == 0)
            ui.SetProgressPosition(static_cast<int>(i));
        const std::string& line = lines[i];
        if (Blank(line)) {
            keep(i);
            continue;
        }
        const std::vector<std::string> f = ZelUtils::SplitString(line, sep);
        if (f.size() < 2 || !IsNumeric(f[0]) || !IsNumeric(f[1])) {
            ++skipped;
            keep(i);
            continue;
        }
        const int32_t n = Round(Number(f[1]));
        if (n <= 0) {
            keep(i); // a polyline without points adds nothing
            continue;
        }
        if (!HasPoints(f, n)) {
            ++skipped;
            keep(i);
            continue;
        }
        const int32_t firstRecord = stored + 1;
        const int32_t id = Round(Number(f[0]));
        GeoLink* piece = nullptr;
        for (int32_t j = 1; j <= n; ++j) {
            const TPoint p{Number(f[static_cast<size_t>(2 * j)]), Number(f[static_cast<size_t>(2 * j + 1)])};
            if ((j - 1) % MaxGeoLinkPoints == 0) {
                if (piece) {
                    // The closing piece ends where the next one starts.
                    piece->Points.push_back(p);
                    piece->Count = static_cast<int32_t>(piece->Points.size());
                }
                if (stored >= MaxGeoLinks) {
                    full_ = true;
                    break;
                }
                piece = &GeoLayers().GeoLinks[++stored];
                *piece = GeoLink{};
                piece->Id = id;
                piece->Points.reserve(static_cast<size_t>(std::min(MaxGeoLinkPoints, n - j + 1) + 1));
            }
            piece->Points.push_back(p);
            piece->Count = static_cast<int32_t>(piece->Points.size());
        }
        if (full_) {
            // The pieces stored of it stay on the map; the file keeps the line whole.
            keep(i, true);
        } else {
            // What follows the points is no coordinate: it goes back after them.
            std::string tail;
            for (size_t k = 2 + 2 * static_cast<size_t>(n); k < f.size(); ++k)
                tail += sep + f[k];
            source.Lines.push_back({firstRecord, stored, std::move(tail), false, std::move(lines[i])});
        }
        GeoLayers().GeoLayerEnd[layer] = stored;
        if (result.HasNames && piece) {
            PlaceLabel(*piece);
            GeoLayers().GeoNameKeys.push_back({NameKey(layer, id), stored});
        }
    }
    GeoLayers().GeoLayerEnd[layer] = stored;
    ui.SetProgressVisible(false);

    if (full_) {
        ui.ShowMessage("Número de líneas de soleras excedida... proceso abortado");
        result.Status = TLoadStatus::NoLineRoom;
    } else {
        result.Status = TLoadStatus::Loaded;
        if (result.HasNames) {
            UserView().Items[static_cast<size_t>(10 + layer)].ShowNames = true;
            TGeoLayerFile& names = GeoLayers().GeoLayerSource[layer];
            names.NamesRead = ReadNames(nameFile, layer);
            std::string nameBytes;
            if (names.NamesRead && FileUtils::ReadFile(nameFile, nameBytes))
                names.NamesDigest = GeoFileDigest(nameBytes);
        }
    }
    if (skipped > 0)
        ui.ShowMessage(Format("Archivo %s:\r%d líneas no se cargaron\r(cada línea da el número de puntos y "
                              "todas sus coordenadas)",
                              shortName, skipped));
    return result;
}

} // namespace LineLayers

// ---- Transit lines on the map ----

namespace LineLayers {

namespace {

// What the last sum was made from: the network's links and lines, their routes,
// frequencies and visibility.
uint64_t SumSource()
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) {
        h ^= v;
        h *= 1099511628211ull;
    };
    mix(static_cast<uint64_t>(Network.LinkCount));
    mix(static_cast<uint64_t>(Network.LineCount));
    for (int32_t l = 1; l <= std::min(Network.LineCount, MaxLineas); ++l) {
        const TLinea& line = Lineas[l];
        mix(line.Visible);
        uint32_t bits = 0;
        static_assert(sizeof(float) == sizeof(uint32_t));
        std::memcpy(&bits, &line.Frequency, sizeof bits);
        mix(bits);
        for (int32_t s : line.Stops)
            mix(static_cast<uint32_t>(s));
    }
    return h;
}

uint64_t lastSource = 0;

} // namespace

bool LinkBusCountStale()
{
    return VisibleLinesChanged || LinkBusCount.size() != static_cast<size_t>(Network.LinkCount) + 1
           || SumSource() != lastSource;
}

void RebuildLinkBusCount()
{
    LinkBusCount.assign(static_cast<size_t>(std::max(Network.LinkCount, 0)) + 1, 0.0f);
    for (int32_t l = 1; l <= std::min(Network.LineCount, MaxLineas); ++l) {
        const TLinea& line = Lineas[l];
        if (!line.Visible || line.Stops.empty())
            continue;
        const int32_t stops = std::min(line.Stops[0], static_cast<int32_t>(line.Stops.size()) - 1);
        if (stops < 2)
            continue;
        for (int32_t j = 1; j < stops; ++j) {
            const int32_t link = KDVlib::FindArco(std::abs(line.Stops[static_cast<size_t>(j)]),
                                                  std::abs(line.Stops[static_cast<size_t>(j + 1)]));
            if (link >= 1 && link <= Network.LinkCount)
                LinkBusCount[static_cast<size_t>(link)] += line.Frequency;
        }
    }
    LinkBusMax = 0.0f;
    for (float v : LinkBusCount)
        LinkBusMax = std::max(LinkBusMax, v);
    VisibleLinesChanged = false;
    lastSource = SumSource();
    rangePending = true;
}

bool RefreshLinkBusCount()
{
    if (LinkBusCountStale())
        RebuildLinkBusCount();
    return rangePending;
}

void LinkBusRangeTaken() { rangePending = false; }

} // namespace LineLayers
