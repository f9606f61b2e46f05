#include "analysis/Fases.h"

#include "map/ViewState.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "platform/DocWriter.h"

#include <algorithm>
#include <cmath>
#include <utility>

int32_t NodoActual = 0;
uint8_t FasesListOk = 0;
float DiagramX[MaxNodos + 1] = {};
float DiagramY[MaxNodos + 1] = {};

namespace KDVFases {

TJunctionDiagram Diagram;

namespace {

bool ValidNode(int32_t k) { return k >= 1 && k <= Network.NodeCount && k <= MaxNodos; }

double Dist(double x1, double y1, double x2, double y2) { return std::hypot(x2 - x1, y2 - y1); }

void SetDiagramPos(int32_t node, double x, double y)
{
    if (node >= 1 && node <= MaxNodos) {
        DiagramX[node] = static_cast<float>(x);
        DiagramY[node] = static_cast<float>(y);
    }
}

// Neighbour placement and lane-band cut of one link copy.
void PlaceLink(TJunctionDiagram& d, TArcos& l)
{
    const double cx = d.CentreX, cy = d.CentreY;
    TPoint& e10 = l.LaneEdgeNear[0];
    TPoint& e11 = l.LaneEdgeNear[1];
    TPoint& e20 = l.LaneEdgeFar[0];
    TPoint& e21 = l.LaneEdgeFar[1];
    const double e = Dist(e10.x, e10.y, e11.x, e11.y);
    if (l.A == d.Number) {
        const TPoint& s1 = std::as_const(l.Points)[2];
        const double dist = Dist(cx, cy, s1.x, s1.y);
        if (dist > 0) {
            d.MaxArmDistance = std::max(d.MaxArmDistance, dist);
            SetDiagramPos(l.AIndex, cx, cy);
            SetDiagramPos(l.BIndex, cx + (s1.x - cx) * d.Radius / dist, cy + (s1.y - cy) * d.Radius / dist);
            if (e > 0) {
                e11 = {e10.x + (e11.x - e10.x) * d.LaneCut / e, e10.y + (e11.y - e10.y) * d.LaneCut / e};
                e21 = {e20.x + (e21.x - e20.x) * d.LaneCut / e, e20.y + (e21.y - e20.y) * d.LaneCut / e};
            }
        }
    }
    if (l.B == d.Number) {
        const TPoint& s0 = std::as_const(l.Points)[1];
        const double dist = Dist(cx, cy, s0.x, s0.y);
        if (dist > 0) {
            d.MaxArmDistance = std::max(d.MaxArmDistance, dist);
            SetDiagramPos(l.AIndex, cx + (s0.x - cx) * d.Radius / dist, cy + (s0.y - cy) * d.Radius / dist);
            SetDiagramPos(l.BIndex, cx, cy);
            const double e2 = Dist(e10.x, e10.y, e11.x, e11.y);
            if (e2 > 0) {
                e10 = {e11.x + (e10.x - e11.x) * d.LaneCut / e2, e11.y + (e10.y - e11.y) * d.LaneCut / e2};
                e20 = {e21.x + (e20.x - e21.x) * d.LaneCut / e2, e21.y + (e20.y - e21.y) * d.LaneCut / e2};
            }
        }
    }
}

} // namespace

std::vector<int32_t> BuildJunctionList(bool bySelection)
{
    std::vector<int32_t> list;
    const int32_t n = std::min<int32_t>(Network.NodeCount, MaxNodos);
    for (int32_t i = 1; i <= MaxNodos; ++i)
        NodoEnLista[i] = 0;
    for (int32_t i = 1; i <= n; ++i) {
        const TNodo& nd = Nodos[i];
        const int32_t t = nd.JunctionType;
        const bool in = bySelection ? nd.Mark > 0 : (t >= 0 && t <= 5 && JtypeSelected[t]);
        if (in) {
            NodoEnLista[i] = 1;
            list.push_back(i);
        }
    }
    FasesListOk = 1;
    return list;
}

int32_t FirstListed() { return NextListed(0); }

int32_t LastListed() { return PrevListed(std::min<int32_t>(Network.NodeCount, MaxNodos) + 1); }

int32_t PrevListed(int32_t current)
{
    const int32_t n = std::min<int32_t>(Network.NodeCount, MaxNodos);
    for (int32_t i = std::min(current - 1, n); i >= 1; --i)
        if (NodoEnLista[i] == 1) return i;
    return 0;
}

int32_t NextListed(int32_t current)
{
    const int32_t n = std::min<int32_t>(Network.NodeCount, MaxNodos);
    for (int32_t i = std::max(current + 1, 1); i <= n; ++i)
        if (NodoEnLista[i] == 1) return i;
    return 0;
}

int32_t ListedCount()
{
    const int32_t n = std::min<int32_t>(Network.NodeCount, MaxNodos);
    int32_t c = 0;
    for (int32_t i = 1; i <= n; ++i)
        c += NodoEnLista[i] == 1;
    return c;
}

const TFase* Signal(const TJunctionDiagram& d)
{
    if (d.Type != 3 || d.Signal < 0 || d.Signal > MaxFases || d.Signal >= Network.SignalCount)
        return nullptr;
    return &Fases[d.Signal];
}

int32_t StageCount(const TJunctionDiagram& d)
{
    const TFase* f = Signal(d);
    return f ? std::clamp(f->StageCount, 0, MaxStages) : 0;
}

std::string Title(const TJunctionDiagram& d)
{
    const std::string& type = (d.Type >= 0 && d.Type <= 5) ? JunctionTypeNames[static_cast<size_t>(d.Type)] : "";
    return ZelUtils::Format("Diseño de Intersecciones. Nodo %s : %d", type.c_str(), d.Number);
}

void BuildStageLines(int32_t nodeNumber, std::vector<TStageLine>& lines, std::vector<TApproach>& approaches)
{
    lines.clear();
    approaches.clear();
    int32_t m = KDVlib::FindMovimFirst(0, nodeNumber);
    if (m < 1) return;
    for (; m <= Network.MovementCount && Movims[m].Node == nodeNumber; ++m) {
        const TMovimiento& mv = Movims[m];
        const int32_t link = mv.EntryLink;
        const int32_t bearing = (link >= 1 && link <= Network.LinkCount) ? Arcos[link].BearingA : 0;
        for (int32_t s = 1; s <= 10; ++s) {
            if (mv.InStage[s] != 1) continue;
            TStageLine l;
            l.Stage = s;
            l.Bearing = bearing;
            l.Left = mv.TurnDir == -1;
            l.Straight = mv.TurnDir == 0;
            l.Right = mv.TurnDir == 1;
            lines.push_back(l);
        }
        approaches.push_back({bearing, mv.AIndex});
    }
}

int32_t EntryNodeOf(const TStageLine& line, const std::vector<TApproach>& approaches)
{
    for (const TApproach& a : approaches)
        if (a.Bearing == line.Bearing) return a.EntryNode;
    return 0;
}

void PrepareJunction(int32_t k)
{
    TJunctionDiagram& d = Diagram;
    d = TJunctionDiagram();
    NodoActual = k;
    if (!ValidNode(k)) return;
    const TNodo& nd = Nodos[k];
    d.Node = k;
    d.Number = nd.Number;
    d.Type = nd.JunctionType;
    d.Signal = nd.SignalIndex;
    d.CentreX = nd.X;
    d.CentreY = nd.Y;
    d.Radius = 50.0 * Network.LengthScale;
    d.LaneCut = (50.0 - UserView().Lanes.LaneOffset) * Network.LengthScale;
    for (int32_t i = 1; i <= Network.LinkCount && static_cast<int>(d.Links.size()) < MaxJunctionLinks; ++i) {
        const TArcos& a = Arcos[i];
        if (a.A == d.Number || a.B == d.Number) d.Links.push_back(a);
    }
    d.MinX = d.CentreX - 1.15 * d.Radius;
    d.MaxX = d.CentreX + 1.15 * d.Radius;
    d.MinY = d.CentreY - 1.15 * d.Radius;
    d.MaxY = d.CentreY + 1.15 * d.Radius;
    d.MaxArmDistance = 0;
    for (TArcos& l : d.Links)
        PlaceLink(d, l);
    if (d.Type == 3) BuildStageLines(d.Number, d.StageLines, d.Approaches);
}

int32_t PictureRows(int32_t n, int32_t c)
{
    if (c <= 0) return 0;
    return std::max<int32_t>(1, (n + c - 1) / c);
}

void NextCell(int32_t& row, int32_t& column, int32_t columns)
{
    ++column;
    if (column > columns) {
        column = 1;
        ++row;
    }
}

int32_t WriteStageTable(DocWriter::TDocWriter& doc, const std::string& networkName)
{
    struct Row {
        int32_t number, cycle, stages, offset;
        int32_t green[5], inter[5];
        bool signal; // a signalised junction, with a signal record of its own
    };
    std::vector<Row> rows;
    for (int k = 1; k <= MaxNodeList && NodeList[k] > 0; ++k) {
        const int32_t i = KDVlib::FindNodo(NodeList[k]);
        if (!ValidNode(i)) continue;
        NodoEnLista[i] = 1;
        Row r{};
        r.number = Nodos[i].Number;
        TJunctionDiagram d;
        d.Number = r.number;
        // A node of another type has no signal record: its index 0 is the first
        // signalised junction's, whose times are not this node's.
        d.Type = Nodos[i].JunctionType;
        d.Signal = Nodos[i].SignalIndex;
        if (const TFase* f = Signal(d)) {
            r.signal = true;
            r.cycle = f->Cycle;
            r.stages = f->StageCount;
            r.offset = f->Offset;
            for (int s = 1; s <= 4; ++s) {
                r.green[s] = f->Stages[s].Green;
                r.inter[s] = f->Stages[s].Intergreen;
            }
        }
        rows.push_back(r);
    }
    const int32_t count = static_cast<int32_t>(rows.size());
    const int t = doc.AddTable(count + 2, 16, ZelUtils::Format("Red: %s", networkName.c_str()));
    doc.CellText(t, 1, 1, "Nodo");
    doc.CellText(t, 1, 2, "Ciclo");
    doc.CellText(t, 1, 3, "Fases");
    doc.CellText(t, 1, 4, "Desfase");
    doc.CellText(t, 1, 5, "Inicio Verde");
    doc.CellText(t, 1, 9, "Duración Verde");
    doc.CellText(t, 1, 13, "Entreverde");
    doc.MergeCells(t, 1, 13, 1, 16);
    doc.MergeCells(t, 1, 9, 1, 12);
    doc.MergeCells(t, 1, 5, 1, 8);
    for (int i = 1; i <= 4; ++i) {
        const std::string f = ZelUtils::Format("F%d", i);
        doc.CellText(t, 2, i + 4, f);
        doc.CellText(t, 2, i + 8, f);
        doc.CellText(t, 2, i + 12, f);
    }
    for (int32_t k = 0; k < count; ++k) {
        const Row& r = rows[static_cast<size_t>(k)];
        const int row = k + 3;
        doc.CellText(t, row, 1, std::to_string(r.number));
        if (!r.signal)
            continue;
        doc.CellText(t, row, 2, std::to_string(r.cycle));
        doc.CellText(t, row, 3, std::to_string(r.stages));
        doc.CellText(t, row, 4, std::to_string(r.offset));
        for (int s = 1; s <= std::min(r.stages, 4); ++s) {
            doc.CellText(t, row, s + 4, std::to_string(r.green[s] + r.inter[s]));
            doc.CellText(t, row, s + 8, std::to_string(r.green[s]));
            doc.CellText(t, row, s + 12, std::to_string(r.inter[s]));
        }
    }
    for (int c = 1; c <= 4; ++c) {
        doc.MergeCells(t, 1, c, 2, c);
        doc.CellCentredVertically(t, 1, c);
    }
    return count;
}

} // namespace KDVFases
