// Drawing of the junction phase diagram, its stage thumbnails and its printed twin.
#include "analysis/Fases.h"

#include "map/DisplayStyles.h"
#include "map/ViewState.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ZelUtils.h"
#include "platform/EmfDevice.h"
#include "printing/ZelPrinter.h"

#include <QFontMetrics>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace KDVFases {

namespace {

constexpr uint32_t kBackground = 0xE1FFFF;
constexpr uint32_t kSilver = 0xC0C0C0;
constexpr uint32_t kGrey = 0x808080;
constexpr uint32_t kLightBlue = 0xFF8080;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kPanel = 0xE1F8FF;

QColor C(uint32_t c) { return DisplayStyles::ToQColor(c); }

void Pen(TMapPainter& p, uint32_t color, int width = 1, Qt::PenStyle style = Qt::SolidLine)
{
    if (QPainter* q = p.Canvas()) q->setPen(QPen(C(color), width, style));
}

void Brush(TMapPainter& p, uint32_t color, Qt::BrushStyle style = Qt::SolidPattern)
{
    if (QPainter* q = p.Canvas()) q->setBrush(QBrush(C(color), style));
}

void NoBrush(TMapPainter& p)
{
    if (QPainter* q = p.Canvas()) q->setBrush(Qt::NoBrush);
}

void Font(TMapPainter& p, const TLabelFont& f, int size, bool bold)
{
    QPainter* q = p.Canvas();
    if (!q) return;
    QFont font = DisplayStyles::ToQFont(f);
    font.setPointSize(std::max(1, size));
    font.setBold(bold);
    q->setFont(font);
    p.FontColor = C(f.Color);
}

TPoint DiagramPos(int32_t node)
{
    if (node < 1 || node > MaxNodos) return {0, 0};
    return {DiagramX[node], DiagramY[node]};
}

// Lanes drawn: none while the link has no lane band computed.
int32_t LaneCount(const TArcos& l) { return l.LaneEdgeCount >= 2 ? std::min(std::abs(l.Lanes()), MaxLanes) : 0; }

// Cross-sections A_i (near end) and B_i (far end) of the lane band.
void Sections(const TArcos& l, int32_t n, TPoint* A, TPoint* B)
{
    const TPoint& e10 = l.LaneEdgeNear[0];
    const TPoint& e11 = l.LaneEdgeNear[1];
    const TPoint& e20 = l.LaneEdgeFar[0];
    const TPoint& e21 = l.LaneEdgeFar[1];
    for (int i = 0; i <= n; ++i) {
        A[i] = {e20.x - i * (e20.x - e10.x) / n, e20.y - i * (e20.y - e10.y) / n};
        B[i] = {e21.x - i * (e21.x - e11.x) / n, e21.y - i * (e21.y - e11.y) / n};
    }
}

void LaneBand(TMapPainter& p, const TArcos& l)
{
    const int32_t n = LaneCount(l);
    if (n < 1) return;
    TPoint A[MaxLanes + 1], B[MaxLanes + 1];
    Sections(l, n, A, B);
    const TPoint outline[4] = {A[0], B[0], B[n], A[n]};
    Brush(p, (l.Lanes() >= 0 && !l.HasFlag(0)) ? kSilver : kLightBlue);
    Pen(p, kGrey, 3);
    p.PolygonPtArray(outline, 3);
    Pen(p, kGrey, 1);
    Brush(p, kGrey, Qt::DiagCrossPattern);
    for (int j = 1; j <= n; ++j) {
        if (!l.LaneFlags[j]) continue;
        const TPoint lane[4] = {A[j - 1], B[j - 1], B[j], A[j]};
        p.PolygonPtArray(lane, 3);
    }
    NoBrush(p);
    Pen(p, kBackground, 1);
    p.PolygonPtArray(outline, 3);
    Pen(p, kWhite, 1, Qt::DotLine);
    for (int j = 1; j < n; ++j)
        p.LinePts(A[j], B[j]);
}

// Lane j's mid points M (near end) and N (far end).
bool LaneAxis(const TArcos& l, int32_t n, int j, TPoint& M, TPoint& N, double& L)
{
    TPoint A[MaxLanes + 1], B[MaxLanes + 1];
    Sections(l, n, A, B);
    M = {(A[j - 1].x + A[j].x) / 2, (A[j - 1].y + A[j].y) / 2};
    N = {(B[j - 1].x + B[j].x) / 2, (B[j - 1].y + B[j].y) / 2};
    L = std::hypot(M.x - N.x, M.y - N.y);
    return L > 0;
}

TPoint Along(const TPoint& N, const TPoint& M, double dist, double L)
{
    return {N.x + (M.x - N.x) * dist / L, N.y + (M.y - N.y) * dist / L};
}

void LaneArrows(TMapPainter& p, const TArcos& l, int32_t junction)
{
    const int32_t n = LaneCount(l);
    if (l.B != junction || n < 1) return;
    Brush(p, kWhite);
    Pen(p, 0x000000);
    const double s = Network.LengthScale;
    for (int j = 1; j <= n; ++j) {
        TPoint M, N;
        double L;
        const auto& t = l.LaneDirs[j];
        if (!LaneAxis(l, n, j, M, N, L) || t[0] + t[1] + t[2] <= 0) continue;
        p.DrawSymbolW(Along(N, M, 20 * s, L), Along(N, M, 10 * s, L), {t[0], t[1], t[2]}, 1.0);
    }
}

void LaneStopMarks(TMapPainter& p, const TArcos& l, int32_t junction)
{
    const int32_t n = LaneCount(l);
    if (l.B != junction || n < 1) return;
    Brush(p, kRed);
    Pen(p, kWhite);
    const double s = Network.LengthScale;
    for (int j = 1; j <= n; ++j) {
        TPoint M, N;
        double L;
        if (!LaneAxis(l, n, j, M, N, L)) continue;
        if (l.LaneMark[j] == 1) p.ArrowA(Along(N, M, 10 * s, L), Along(N, M, 8 * s, L));
        else if (l.LaneMark[j] == 2) p.ArrowB(Along(N, M, 10 * s, L), Along(N, M, 8 * s, L));
    }
}

void LanesOf(TMapPainter& p, const TJunctionDiagram& d)
{
    for (const TArcos& l : d.Links)
        if (l.A == d.Number) {
            LaneBand(p, l);
            LaneArrows(p, l, d.Number);
            LaneStopMarks(p, l, d.Number);
        }
    for (const TArcos& l : d.Links)
        if (l.B == d.Number) {
            LaneBand(p, l);
            LaneArrows(p, l, d.Number);
            LaneStopMarks(p, l, d.Number);
        }
}

void StreetLabels(TMapPainter& p, const TJunctionDiagram& d, int size)
{
    p.PenMode = TPenMode::Nop;
    NoBrush(p);
    const TLabelFont& f = UserView().LabelFonts[4];
    Font(p, f, size, f.Style & fsBold);
    const double s = UserView().StreetLabelOffset;
    for (const TArcos& l : d.Links) {
        const int32_t b = l.BearingA;
        if (!(l.NoReverse || b <= 900 || b > 2700)) continue;
        TPoint pa = DiagramPos(l.AIndex), pb = DiagramPos(l.BIndex);
        const TPoint P = pa.x < pb.x ? pa : pb;
        const TPoint Q = pa.x < pb.x ? pb : pa;
        const int32_t angle = (b > 900 && b < 2700) ? b - 1800 : b;
        p.LabelAt(angle, ZelUtils::Trim(l.StreetName), s * P.x + (1 - s) * Q.x, s * P.y + (1 - s) * Q.y,
                  UserView().StreetLabelPos, 0);
    }
    p.PenMode = TPenMode::Copy;
}

void DrawArrow(TMapPainter& p, const TStageLine& line, const TPoint& from, const TPoint& to)
{
    Pen(p, 0x000000);
    p.TextAlongW(from, to, {line.Left, line.Straight, line.Right}, 1, "");
}

} // namespace

void DrawJunction(TMapPainter& p, int pictureHeight)
{
    const TJunctionDiagram& d = Diagram;
    p.ResetLabelsOff();
    if (d.Node < 1 || d.Radius <= 0) return;
    p.SetWorld(d.MinX, d.MinY, d.MaxX, d.MaxY);
    Pen(p, 0x000000);
    Brush(p, kBackground);
    p.RectangleW(d.MinX, d.MinY, d.MaxX, d.MaxY);
    NoBrush(p);
    Pen(p, kSilver);
    p.PenMode = TPenMode::Copy;
    LanesOf(p, d);
    StreetLabels(p, d, UserView().LabelFonts[4].Size);
    Brush(p, kWhite);
    for (const TArcos& l : d.Links)
        for (int32_t node : {l.AIndex, l.BIndex}) {
            const bool signal = node >= 1 && node <= Network.NodeCount && Nodos[node].JunctionType == 3;
            Pen(p, kGrey, 1, signal ? Qt::SolidLine : Qt::DotLine);
            const TPoint q = DiagramPos(node);
            p.Circle(q.x, q.y, node == d.Node ? -30 : -25);
        }
    NoBrush(p);
    const TLabelFont& f1 = UserView().LabelFonts[1];
    for (const TArcos& l : d.Links)
        for (int32_t node : {l.AIndex, l.BIndex}) {
            const bool own = node == d.Node;
            Font(p, f1, own ? f1.Size + 1 : f1.Size, own);
            const TPoint q = DiagramPos(node);
            const int32_t number = (node >= 1 && node <= Network.NodeCount) ? Nodos[node].Number : 0;
            p.LabelAt(0, std::to_string(number), q.x, q.y, 4, 0);
        }
    (void)pictureHeight;
}

void DrawCycleTexts(TMapPainter& p, int pictureHeight)
{
    const TFase* f = Signal(Diagram);
    QPainter* q = p.Canvas();
    if (!f || !q) return;
    // A fixed regular style, whatever the last node label used.
    Font(p, UserView().LabelFonts[4], UserView().LabelFonts[4].Size + 2, false);
    const QString t1 = QString::fromStdString(ZelUtils::Format("T.Ciclo : %d", f->Cycle));
    const QString t2 = QString::fromStdString(ZelUtils::Format("Desfase : %d", f->Offset));
    const int h = QFontMetrics(q->font(), q->device()).height();
    q->setPen(p.FontColor);
    q->drawText(QRect(4, pictureHeight - 2 * h - 3, 2000, h), Qt::AlignLeft | Qt::AlignTop, t1);
    q->drawText(QRect(4, pictureHeight - h - 3, 2000, h), Qt::AlignLeft | Qt::AlignTop, t2);
}

void DrawStageBackground(TMapPainter& p)
{
    const TJunctionDiagram& d = Diagram;
    if (d.Radius <= 0) return;
    p.SetWorld(d.MinX, d.MinY, d.MaxX, d.MaxY);
    Pen(p, 0x000000);
    Brush(p, kBackground);
    p.RectangleW(d.MinX, d.MinY, d.MaxX, d.MaxY);
    NoBrush(p);
    p.PenMode = TPenMode::Copy;
}

void DrawStageNetwork(TMapPainter& p, int32_t s, bool showTimes, int pictureHeight)
{
    const TJunctionDiagram& d = Diagram;
    Pen(p, kSilver);
    for (const TArcos& l : d.Links) {
        const TPoint a = DiagramPos(l.AIndex), b = DiagramPos(l.BIndex);
        p.LinePts(a, b);
        p.Circle(a.x, a.y, -2);
        p.Circle(b.x, b.y, -2);
    }
    Pen(p, 0x000000);
    const TFase* f = Signal(d);
    QPainter* q = p.Canvas();
    if (showTimes && f && q && s >= 1 && s <= MaxStages) {
        NoBrush(p);
        const TLabelFont& f4 = UserView().LabelFonts[4];
        Font(p, f4, f4.Size, f4.Style & fsBold);
        const QString t = QString::fromStdString(ZelUtils::Format("(%d)", f->Stages[s].Green));
        const int h = QFontMetrics(q->font(), q->device()).height();
        q->setPen(p.FontColor);
        q->drawText(QRect(2, pictureHeight - h, 2000, h), Qt::AlignLeft | Qt::AlignTop, t);
        Pen(p, 0x000000);
    }
}

void DrawStageArrow(TMapPainter& p, const TStageLine& line)
{
    const int32_t entry = EntryNodeOf(line, Diagram.Approaches);
    if (entry < 1) return;
    DrawArrow(p, line, DiagramPos(entry), {Diagram.CentreX, Diagram.CentreY});
}

bool PrintJunction(const std::string& fileName, int width, int height, bool showTimes)
{
    const TJunctionDiagram& d = Diagram;
    if (width < 1 || height < 1) return false;
    // A metafile at screen resolution: the document scales it to its box and it
    // stays sharp at any size.
    TEmfDevice image(width, height, 96);
    QPainter q(&image);
    q.fillRect(QRect(0, 0, width, height), Qt::white);
    q.setRenderHint(QPainter::Antialiasing, false);
    TMapPainter& p = ZelPrinter::Painter();
    p.SetPainter(&q);
    // The printed twin's own enlargement; the program-wide print factor of the
    // options window is left as the user set it.
    const double SizeFactor = 1.2;
    const double dd = 0.25 * (d.MaxX - d.MinX);
    ZelPrinter::SetPageSize(width, height);
    ZelPrinter::SetMinX(d.MinX);
    ZelPrinter::SetMaxX(d.MaxX + dd);
    ZelPrinter::SetMinY(d.MinY);
    ZelPrinter::SetMaxY(d.MaxY + 0.3 * dd);
    // Room over the frame for the heading, its descenders and a gap: a window
    // of another shape would leave less than the heading's height.
    TLabelFont arial{"Arial", 12, 0x000000, fsBold};
    Font(p, arial, 12, true);
    const int headingPx = QFontMetrics(q.font(), &image).height();
    for (int pass = 0; pass < 2; ++pass)
        if (const double room = (headingPx + 6) * ZelPrinter::UnitsPerPixel(); room > 0.3 * dd)
            ZelPrinter::SetMaxY(d.MaxY + room);
    p.PenMode = TPenMode::Copy;
    Pen(p, kRed);
    Brush(p, kBackground);
    p.RectangleW(d.MinX, d.MinY, d.MaxX, d.MaxY);
    p.ResetLabelsOff();

    NoBrush(p);
    Font(p, arial, 12, true);
    // The heading stands on the frame with its descenders and a gap clear of it.
    p.LabelAt(0, Title(d), d.MinX, d.MaxY, 6, -(headingPx / 6 + 3));
    Font(p, arial, 4, true);
    p.LabelAt(0, GeneratedBy, d.MinX, d.MaxY, 0, 0);

    Pen(p, kSilver);
    LanesOf(p, d);
    StreetLabels(p, d, static_cast<int>(UserView().LabelFonts[4].Size * SizeFactor));
    p.ResetLabelsOff();

    // Every circle first, then the labels: a node shared by several links would
    // otherwise paint its circle again over its own label, and the overlap test
    // would hold back the label's second try.
    const TLabelFont& f1 = UserView().LabelFonts[1];
    for (const TArcos& l : d.Links)
        for (int32_t node : {l.AIndex, l.BIndex}) {
            const bool own = node == d.Node;
            const bool signal = node >= 1 && node <= Network.NodeCount && Nodos[node].JunctionType == 3;
            Pen(p, kGrey, 1, signal ? Qt::SolidLine : Qt::DotLine);
            Brush(p, kWhite);
            const TPoint c = DiagramPos(node);
            p.Circle(c.x, c.y, -static_cast<int>((own ? 30 : 25) * SizeFactor));
        }
    NoBrush(p);
    for (const TArcos& l : d.Links)
        for (int32_t node : {l.AIndex, l.BIndex}) {
            const bool own = node == d.Node;
            const TPoint c = DiagramPos(node);
            Font(p, f1, static_cast<int>((own ? 10 : 8) * SizeFactor), own);
            p.FontColor = C(kGrey);
            const int32_t number = (node >= 1 && node <= Network.NodeCount) ? Nodos[node].Number : 0;
            p.LabelAt(0, std::to_string(number), c.x, c.y, 4, 0);
        }

    const TFase* f = Signal(d);
    if (f && showTimes) {
        Font(p, arial, static_cast<int>(8 * SizeFactor), false);
        const double h = QFontMetrics(q.font(), &image).height() * p.UnitsPerPixel();
        p.LabelAt(0, ZelUtils::Format("Desfase : %d", f->Offset), d.MinX, d.MinY, 6, 0);
        p.LabelAt(0, ZelUtils::Format("T.Ciclo : %d", f->Cycle), d.MinX, d.MinY + h, 6, 0);
    }
    if (f) {
        Pen(p, kSilver);
        Font(p, arial, static_cast<int>(5 * SizeFactor), false);
        auto map = [&](const TPoint& pt, int s) {
            return TPoint{d.MaxX + (pt.x - d.MinX) * 0.25, d.MaxY - s * dd + (pt.y - d.MinY) * 0.25};
        };
        const int32_t stages = StageCount(d);
        for (int s = 1; s <= stages; ++s) {
            Brush(p, kPanel);
            p.RectangleW(d.MaxX, d.MaxY - s * dd, d.MaxX + dd, d.MaxY - (s - 1) * dd);
            p.LabelAt(0, ZelUtils::Format(" Fase %d ", s), d.MaxX, d.MaxY - (s - 1) * dd, 0, 0);
            NoBrush(p);
            if (showTimes)
                p.LabelAt(0, ZelUtils::Format(" Verde: %d", f->Stages[s].Green), d.MaxX,
                          d.MaxY - s * dd + 2 * p.UnitsPerPixel(), 6, 0);
            const TPoint centre = map({d.CentreX, d.CentreY}, s);
            for (const TArcos& l : d.Links) {
                const TPoint a = map(DiagramPos(l.AIndex), s), b = map(DiagramPos(l.BIndex), s);
                p.LinePts(centre, a);
                p.LinePts(centre, b);
                p.Circle(a.x, a.y, -2);
                p.Circle(b.x, b.y, -2);
            }
        }
        for (const TStageLine& line : d.StageLines) {
            const int32_t entry = EntryNodeOf(line, d.Approaches);
            if (line.Stage < 1 || line.Stage > stages || entry < 1) continue;
            DrawArrow(p, line, map(DiagramPos(entry), line.Stage), map({d.CentreX, d.CentreY}, line.Stage));
        }
    }
    p.SetPainter(nullptr);
    q.end();
    return image.Save(fileName).empty();
}

} // namespace KDVFases
