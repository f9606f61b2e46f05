#include "analysis/KDVanalysis.h"

#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/PalvonListings.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <system_error>

using ZelUtils::Format;

namespace KDVanalysis {

namespace {

int32_t Knobs() { return std::clamp<int32_t>(Network.Options.KNOBS, 0, NumLinkVars - 27); }

float LinkVar(const TArcos& a, int32_t v) { return (v >= 1 && v <= NumLinkVars) ? a.Var[v] : 0.0f; }

const TPija& PijaRecord(bool movements, int32_t r) { return movements ? PijaMovs[r] : PijaLinks[r]; }
int32_t PijaCount(bool movements) { return std::clamp<int32_t>(movements ? PijaMovCount : PijaLinkCount, 0, MaxPija); }

} // namespace

std::vector<std::string> PathTitles(bool batch)
{
    std::vector<std::string> t;
    if (batch)
        t = {"Desde", "Hasta"};
    for (const char* s : {"Sec", "NodoA", "NodoB", "Costo", "Tiempo", "Long"})
        t.emplace_back(s);
    for (int32_t j = 1; j <= Knobs(); ++j)
        t.push_back(Format("XDATA%.d", j));
    return t;
}

namespace {

// The columns of link `link` at position `sec` of a path, from "Sec" on.
void AppendLinkRow(int32_t sec, int32_t link, std::vector<std::string>& row)
{
    const TArcos& a = Arcos[link];
    row.push_back(Format("%d", sec));
    row.push_back(Format("%d", a.A));
    row.push_back(Format("%d", a.B));
    row.push_back(Format("%.2f", double(LinkVar(a, KDVlib::CostVar))));
    row.push_back(Format("%.2f", double(a.Var[3])));
    row.push_back(Format("%.0f", double(a.Var[7])));
    for (int32_t j = 1; j <= Knobs(); ++j)
        row.push_back(Format("%.2f", double(a.Var[27 + j])));
}

// The links of a path table (count, node numbers) with their positions.
void PathSteps(const std::vector<int32_t>& t, std::vector<std::pair<int32_t, int32_t>>& steps)
{
    steps.clear();
    const int32_t n = t.empty() ? 0 : std::clamp<int32_t>(t[0], 0, static_cast<int32_t>(t.size()) - 1);
    for (int32_t i = 1; i < n; ++i) {
        const int32_t link = KDVlib::FindArco(t[static_cast<size_t>(i)], t[static_cast<size_t>(i) + 1]);
        if (link > 0)
            steps.emplace_back(i, link);
    }
}

} // namespace

std::vector<std::vector<std::string>> PathRows(int32_t slot, std::vector<int32_t>* linksOut)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::pair<int32_t, int32_t>> steps;
    PathSteps(KDVlib::PathTable(slot), steps);
    for (const auto& [sec, link] : steps) {
        std::vector<std::string> row;
        AppendLinkRow(sec, link, row);
        rows.push_back(std::move(row));
        if (linksOut)
            linksOut->push_back(link);
    }
    return rows;
}

int32_t NegativeCostLink()
{
    for (int32_t l = 1; l <= Network.LinkCount; ++l)
        if (LinkVar(Arcos[l], KDVlib::CostVar) < 0.0f)
            return l;
    return 0;
}

bool ParsePair(const std::string& line, int32_t& from, int32_t& to)
{
    const std::string s = ZelUtils::Trim(line);
    const size_t c1 = s.find(',');
    if (c1 == std::string::npos)
        return false;
    const size_t c2 = s.find(',', c1 + 1);
    const std::string f1 = ZelUtils::Trim(s.substr(0, c1));
    const std::string f2 = ZelUtils::Trim(s.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1));
    // A field that is not a number reads as 0, which names no node.
    from = ZelUtils::Round(ZelUtils::ParseReal(f1));
    to = ZelUtils::Round(ZelUtils::ParseReal(f2));
    return true;
}

std::vector<std::vector<std::string>> PathListing(bool batch, std::vector<int32_t>* linksOut)
{
    if (!batch)
        return PathRows(1, linksOut);
    std::vector<std::vector<std::string>> rows;
    TBatchRows listing;
    rows.resize(static_cast<size_t>(listing.Count()));
    for (int k = 0; k < listing.Count(); ++k)
        listing.Row(k, rows[static_cast<size_t>(k)]);
    return rows;
}

std::vector<TPairPath> PairPaths;

bool RunPairPaths(const std::function<bool(size_t, size_t)>& progress, const std::function<void(int32_t)>& onLink)
{
    PairPaths.clear();
    std::vector<std::pair<int32_t, int32_t>> nodes; // record indexes of each pair's two nodes
    for (size_t i = 0; i < KDVlib::PairsList.size(); ++i) {
        int32_t from = 0, to = 0;
        if (!ParsePair(KDVlib::PairsList[i], from, to))
            continue;
        const int32_t a = KDVlib::FindNodo(from), b = KDVlib::FindNodo(to);
        if (a <= 0 || b <= 0)
            continue;
        TPairPath p;
        p.Line = static_cast<int32_t>(i);
        p.From = from;
        p.To = to;
        PairPaths.push_back(p);
        nodes.emplace_back(a, b);
    }
    // The pairs of one origin one after the other: one search serves them all.
    std::vector<size_t> order(PairPaths.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) { return nodes[x].first < nodes[y].first; });
    KDVlib::PathSession session;
    std::vector<int32_t> path;
    std::vector<std::pair<int32_t, int32_t>> steps;
    for (size_t done = 0; done < order.size(); ++done) {
        TPairPath& p = PairPaths[order[done]];
        session.Path(nodes[order[done]].first, nodes[order[done]].second, path);
        p.Nodes = path.empty() ? 0 : path[0];
        PathSteps(path, steps);
        p.Links = static_cast<int32_t>(steps.size());
        if (onLink)
            for (const auto& step : steps)
                onLink(step.second);
        p.Done = true;
        if (progress && !progress(done + 1, order.size()))
            return false;
    }
    return true;
}

void PairPath(size_t pair)
{
    if (pair >= PairPaths.size())
        return;
    const TPairPath& p = PairPaths[pair];
    KDVlib::PathFrom = KDVlib::FindNodo(p.From);
    KDVlib::PathTo = KDVlib::FindNodo(p.To);
    KDVlib::RutaMinima(KDVlib::PathFrom, KDVlib::PathTo, 0);
}

struct TBatchRows::Impl {
    // Each listed pair's node numbers, copied: a later run replaces PairPaths.
    std::vector<std::pair<int32_t, int32_t>> pairs;
    std::vector<int64_t> first;   // first row of each listed pair; one entry more: the total
    std::unique_ptr<KDVlib::PathSession> session; // made on first use
    // The last pairs whose paths were searched again (an export reads the rows
    // in order, a screen a few pairs at a time).
    struct Kept {
        size_t pair = SIZE_MAX;
        std::vector<std::pair<int32_t, int32_t>> steps;
    };
    std::array<Kept, 4> kept;
    size_t nextKept = 0;
    std::vector<int32_t> table;

    const Kept& Steps(size_t listed)
    {
        for (const Kept& k : kept)
            if (k.pair == listed)
                return k;
        Kept& k = kept[nextKept];
        nextKept = (nextKept + 1) % kept.size();
        k.pair = listed;
        if (!session)
            session = std::make_unique<KDVlib::PathSession>();
        session->Path(KDVlib::FindNodo(pairs[listed].first), KDVlib::FindNodo(pairs[listed].second), table);
        PathSteps(table, k.steps);
        return k;
    }
};

TBatchRows::TBatchRows() : impl_(std::make_unique<Impl>())
{
    int64_t rows = 0;
    for (size_t k = 0; k < PairPaths.size(); ++k) {
        const TPairPath& p = PairPaths[k];
        if (!p.Done || p.Links <= 0)
            continue;
        impl_->pairs.emplace_back(p.From, p.To);
        impl_->first.push_back(rows);
        rows += p.Links;
    }
    impl_->first.push_back(rows);
    // A grid counts its rows in an int.
    count_ = static_cast<int>(std::min<int64_t>(rows, INT32_MAX - 16));
}

TBatchRows::~TBatchRows() = default;

void TBatchRows::Row(int k, std::vector<std::string>& cells)
{
    cells.clear();
    if (k < 0 || k >= count_)
        return;
    const auto& first = impl_->first;
    const size_t listed = static_cast<size_t>(std::upper_bound(first.begin(), first.end(), int64_t(k)) - first.begin()) - 1;
    const size_t within = static_cast<size_t>(int64_t(k) - first[listed]);
    const Impl::Kept& path = impl_->Steps(listed);
    if (within == 0) {
        cells.push_back(Format("%d", impl_->pairs[listed].first));
        cells.push_back(Format("%d", impl_->pairs[listed].second));
    } else {
        cells.emplace_back();
        cells.emplace_back();
    }
    if (within < path.steps.size() && path.steps[within].second <= Network.LinkCount)
        AppendLinkRow(path.steps[within].first, path.steps[within].second, cells);
}

std::vector<int32_t> PijaGroups(bool movements)
{
    std::vector<int32_t> starts;
    const int32_t count = PijaCount(movements);
    for (int32_t r = 1; r <= count; ++r) {
        const TPija& p = PijaRecord(movements, r);
        if (r > 1) {
            const TPija& q = PijaRecord(movements, r - 1);
            if (p.A == q.A && p.B == q.B && (!movements || p.C == q.C))
                continue;
        }
        starts.push_back(r);
    }
    if (!starts.empty())
        starts.push_back(count + 1);
    return starts;
}

std::vector<std::string> PijaCsvLines(bool movements)
{
    std::vector<std::string> lines;
    lines.emplace_back(movements ? "na,nb,nc,Zo,Zd,Pij,Tij" : "na,nb,Zo,Zd,Pij,Tij");
    const int32_t count = PijaCount(movements);
    for (int32_t r = 1; r <= count; ++r) {
        const TPija& p = PijaRecord(movements, r);
        if (movements)
            lines.push_back(Format("%d,%d,%d,%d,%d,%.1f,%.1f", p.A, p.B, p.C, p.Zo, p.Zd, double(p.Pij), double(p.Tij)));
        else
            lines.push_back(Format("%d,%d,%d,%d,%.1f,%.1f", p.A, p.B, p.Zo, p.Zd, double(p.Pij), double(p.Tij)));
    }
    return lines;
}

bool WritePijaCsv(const std::string& fileName, bool movements)
{
    return FileUtils::WriteFileAtomic(fileName, FileUtils::JoinCrLf(PijaCsvLines(movements)));
}

void PijaZoneSums(bool movements, int32_t first, int32_t last, std::vector<double>& origin,
                  std::vector<double>& destination)
{
    const size_t zones = static_cast<size_t>(std::max<int32_t>(Network.ZoneCount, 0)) + 1;
    origin.assign(zones, 0.0);
    destination.assign(zones, 0.0);
    first = std::max<int32_t>(first, 1);
    last = std::min(last, PijaCount(movements));
    for (int32_t r = first; r <= last; ++r) {
        const TPija& p = PijaRecord(movements, r);
        if (p.ZoIdx >= 1 && static_cast<size_t>(p.ZoIdx) < zones)
            origin[static_cast<size_t>(p.ZoIdx)] += p.Tij;
        if (p.ZdIdx >= 1 && static_cast<size_t>(p.ZdIdx) < zones)
            destination[static_cast<size_t>(p.ZdIdx)] += p.Tij;
    }
}

int32_t PijaRadius(double sum, double top)
{
    if (!(top > 0.0))
        return 0;
    return ZelUtils::Round(sum * 15.0 / top);
}

std::vector<std::pair<std::string, std::string>> StatisticsRows()
{
    auto full = [](const std::string& name) {
        std::error_code ec;
        std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(name), ec);
        return ec ? name : p.lexically_normal().string();
    };
    std::vector<std::pair<std::string, std::string>> rows = {
        {"Nombre de la Red", DatDir + DatFileName},
        {"Resultados Asignación", full(LpaFileName)},
        {"Resultados PvLook", full(LplFileName)},
        {"Número de Zonas", Format("%d", Network.ZoneCount)},
        {"Número de Nodos", Format("%d", Network.NodeCount)},
    };
    const char* types[] = {" - Nodos Buffer",    " - Nodos Prioridad",  " - Nodos Rotondas",
                           " - Nodos Semáforos", " - Nodos Auxiliares", " - Nodos Vuelta en \"U\""};
    for (int t = 0; t < 6; ++t)
        rows.emplace_back(types[t], Format("%d", Network.JunctionsByType[t]));
    rows.emplace_back("Número de Arcos", Format("%d", Network.LinkCount));
    const char* classes[] = {" - Arcos Buffer", " - Arcos Inner", " - Arcos Restringidos", " - Arcos Sólo-Bus"};
    for (int c = 0; c < 4; ++c)
        rows.emplace_back(classes[c], Format("%d", Network.LinksByClass[c]));
    rows.emplace_back("Número de Movimientos", Format("%d", Network.MovementCount));
    // Lines the file holds but the opening read over are not "none": the count says so.
    rows.emplace_back("Líneas de Flujo Fijo", Network.TransitLinesReadOver != 0
                                                  ? Format("%d (no leídas: se abrió con \"Omitir rutas fijas\")",
                                                           Network.LineCount)
                                                  : Format("%d", Network.LineCount));
    rows.emplace_back("Número de Usuarios", Format("%d", Network.Options.NOMADS));
    rows.emplace_back("Número de Extra-Data", Format("%d", Network.Options.KNOBS));
    rows.emplace_back("", "");
    return rows;
}

std::vector<int32_t> CrearCentroides()
{
    std::vector<int32_t> changed;
    // A node the network gives no position stands at the far corner of the
    // world: it would drag the centroid there, so only placed nodes count.
    auto placed = [](int32_t n) { return n >= 1 && n <= Network.NodeCount && Nodos[n].HasXY != 0; };
    auto nodePoint = [&placed](int32_t n, std::vector<TPoint>& pts) {
        if (placed(n))
            pts.push_back({Nodos[n].X, Nodos[n].Y});
    };
    for (int32_t z = 1; z <= Network.ZoneCount; ++z) {
        TZona& zone = Zonas[z];
        if (zone.HasCentroid != 0)
            continue;
        // Every usable connector counts, however many the zone has.
        std::vector<TPoint> pts;
        const int32_t count = std::min<int32_t>(zone.ConnectorCount, static_cast<int32_t>(zone.Connectors.size()) - 1);
        for (int32_t k = 1; k <= count; ++k) {
            const TZoneConnector& c = zone.Connectors[static_cast<size_t>(k)];
            if (c.Kind == 0) {
                if (c.NodeIndex < 1 || c.ConnNode == c.NodeIndex) {
                    nodePoint(c.LinkIndex, pts);
                } else if (c.LinkIndex >= 1 && c.LinkIndex <= Network.LinkCount) {
                    const TArcos& l = Arcos[c.LinkIndex];
                    if (placed(l.AIndex) && placed(l.BIndex)) {
                        const TNodo& a = Nodos[l.AIndex];
                        const TNodo& b = Nodos[l.BIndex];
                        pts.push_back({0.25 * a.X + 0.75 * b.X, 0.25 * a.Y + 0.75 * b.Y});
                    }
                }
            } else if (c.Kind == 1) {
                nodePoint(c.NodeIndex, pts);
            }
        }
        if (pts.empty())
            continue;
        float x = 0.0f, y = 0.0f;
        if (pts.size() == 1) {
            x = static_cast<float>(pts[0].x);
            y = static_cast<float>(pts[0].y);
        } else {
            const double n = static_cast<double>(pts.size());
            for (const TPoint& p : pts) {
                x += static_cast<float>(p.x / n);
                y += static_cast<float>(p.y / n);
            }
        }
        zone.CentroidX = x;
        zone.CentroidY = y;
        zone.HasCentroid = 1;
        changed.push_back(z);
    }
    return changed;
}

} // namespace KDVanalysis
