#include "printing/ZelPrinter.h"

#include "model/ZelUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <array>
#include <cmath>
#include <numbers>

namespace ZelPrinter {
namespace {

// The shared painter, with access to its window for the page's own scale rules.
class TPagePainter : public TMapPainter {
public:
    TWorldWindow& Window() { return world_; }
};

TPagePainter& Page()
{
    static TPagePainter painter;
    return painter;
}

// Labels and titles of the page being drawn, times their paper size.
double& PageLabelScale()
{
    static double scale = 1.0;
    return scale;
}

TMapPainter& On(QPainter* canvas)
{
    TPagePainter& p = Page();
    if (p.Canvas() != canvas || (canvas && canvas->isActive()))
        p.SetPainter(canvas);
    return p;
}

int32_t Rnd(double v) { return ZelUtils::Round(v); }

constexpr double Pi = std::numbers::pi;

void ArrowPoints(double s, int32_t angle, double x, double y, QPoint& tip, QPoint& q1, QPoint& q2, QPoint& q3)
{
    const double a = angle * Pi / 1800, h = Pi / 12;
    tip = WorldToPoint(x, y);
    const int32_t X = tip.x(), Y = tip.y();
    q1 = QPoint(X - Rnd(std::cos(a + h) * s), Y + Rnd(std::sin(a + h) * s));
    const double k = (std::cos(h) - std::sin(h)) * s;
    q2 = QPoint(X - Rnd(std::cos(a) * k), Y + Rnd(std::sin(a) * k));
    q3 = QPoint(X - Rnd(std::cos(a - h) * s), Y + Rnd(std::sin(a - h) * s));
}

template <size_t N>
void PixelPolygon(QPainter* canvas, const std::array<QPoint, N>& pixels, bool filled)
{
    if (!canvas)
        return;
    if (filled)
        canvas->drawPolygon(pixels.data(), int(N));
    else
        canvas->drawPolyline(pixels.data(), int(N));
}

TPoint Walk(const TPoint& p, double ux, double uy, double a, double b)
{
    // a across (left normal of u), b along u.
    TPoint r;
    r.x = p.x + b * ux - a * uy;
    r.y = p.y + b * uy + a * ux;
    return r;
}

void Turn(QPainter* canvas, const TPoint& p, const TPoint& q, const TTurnFlags& flags, int32_t n,
          const std::string& text, int32_t shaft)
{
    static constexpr int32_t A[19] = {0, 9, 3, 3, -9, 3, -9, 0, 4, -4, -4, 4, 0, -9, 3, -9, 3, 3, 9};
    static constexpr int32_t B[19] = {60, 9, -3, 9, -3, -3, -9, 15, 0, 9, -9, 0, -15, 9, 3, 3, -9, 3, -9};
    const double ux = (q.x - p.x) / 10, uy = (q.y - p.y) / 10;
    std::array<TPoint, 20> pts;
    pts[0] = Walk(p, ux, uy, -2.5 * n, 0);
    for (int k = 1; k < 20; ++k)
        pts[k] = Walk(pts[k - 1], ux, uy, A[k - 1] / 9.0, (k == 1 ? shaft : B[k - 1]) / 9.0);
    for (int f = 0; f < 3; ++f)
        if (flags[f] == 0)
            for (int k = 2 + 6 * f; k < 8 + 6 * f; ++k)
                pts[k] = pts[1];
    TMapPainter& mp = On(canvas);
    mp.PolylinePtArray(pts, 19, 0);
    if (ZelUtils::Trim(text).empty() || !canvas)
        return;
    TPoint m;
    m.x = (pts[0].x + pts[1].x) / 2;
    m.y = (pts[0].y + pts[1].y) / 2;
    const int32_t angle = int32_t(std::trunc(TMapPainter::LineAngle(p.x, p.y, q.x, q.y) * 1800 / Pi));
    const QFont savedFont = canvas->font();
    const QBrush savedBrush = canvas->brush();
    const TPenMode savedMode = mp.PenMode;
    // The value in the canvas's font, the layer's letter size on this page: a
    // size taken from the symbol's width falls to a pixel on a network of many
    // short links.
    canvas->setBrush(Qt::SolidPattern);
    mp.PenMode = TPenMode::Nop;
    mp.LabelW(m, angle, text, 4, 0);
    mp.PenMode = savedMode;
    canvas->setBrush(savedBrush);
    canvas->setFont(savedFont);
}

} // namespace

TMapPainter& Painter() { return Page(); }

void SetPageSize(int32_t width, int32_t height, double labelScale)
{
    Page().SetDeviceSize(width, height);
    PageLabelScale() = labelScale;
}
double LabelScale() { return PageLabelScale(); }
int32_t PageWidth() { return Page().Window().Width; }
int32_t PageHeight() { return Page().Window().Height; }

void SetMinX(double value) { Page().Window().MinX = value; UpdateScale(); }
void SetMaxX(double value) { Page().Window().MaxX = value; UpdateScale(); }
void SetMinY(double value) { Page().Window().MinY = value; UpdateScale(); }
void SetMaxY(double value) { Page().Window().MaxY = value; UpdateScale(); }
double MinX() { return Page().MinX(); }
double MaxX() { return Page().MaxX(); }
double MinY() { return Page().MinY(); }
double MaxY() { return Page().MaxY(); }

void UpdateScale()
{
    // A page without area gives no scale: the last one is kept rather than
    // dividing by zero.
    TWorldWindow& w = Page().Window();
    if (w.Width <= 0 || w.Height <= 0)
        return;
    const double upp = std::max((w.MaxX - w.MinX) / w.Width, (w.MaxY - w.MinY) / w.Height);
    w.UnitsPerPixel = upp;
    if (upp != 0)
        w.PixelsPerUnit = 1 / upp;
}

void ClearScale()
{
    Page().Window().UnitsPerPixel = 0;
    Page().Window().PixelsPerUnit = 0;
}

double UnitsPerPixel() { return Page().UnitsPerPixel(); }
double PixelsPerUnit() { return Page().PixelsPerUnit(); }
int32_t WorldToPixelX(double x) { return Page().WorldToPixelX(x); }
int32_t WorldToPixelY(double y) { return Page().WorldToPixelY(y); }
double PixelToWorldX(int32_t px) { return Page().PixelToWorldX(px); }
double PixelToWorldY(int32_t py) { return Page().PixelToWorldY(py); }
QPoint WorldToPoint(double x, double y) { return Page().WorldToPoint(x, y); }
QPoint PointRecToPoint(const TPoint& p) { return Page().PointRecToPoint(p); }

void ResetLabels() { Page().ResetLabels(); }
void ResetLabelsOff() { Page().ResetLabelsOff(); }
bool LabelsOverlap() { return Page().AllowLabelOverlap; }

void LabelAt(QPainter* canvas, int32_t angle, const std::string& text, double x, double y, int32_t placement,
             int32_t distance)
{
    On(canvas).LabelAt(angle, text, x, y, placement, distance);
}

void LabelW(QPainter* canvas, const TPoint& p, int32_t angle, int32_t distance, int32_t placement,
            const std::string& text)
{
    LabelAt(canvas, angle, text, p.x, p.y, placement, distance);
}

void LineW(QPainter* canvas, double x1, double y1, double x2, double y2) { On(canvas).LineW(x1, y1, x2, y2); }
void LinePts(QPainter* canvas, const TPoint& a, const TPoint& b) { On(canvas).LinePts(a, b); }
void RectangleW(QPainter* canvas, double x1, double y1, double x2, double y2)
{
    On(canvas).RectangleW(x1, y1, x2, y2);
}
void CircleW(QPainter* canvas, int32_t r, double x, double y)
{
    if (!canvas)
        return;
    const QPoint c = WorldToPoint(x, y);
    canvas->drawEllipse(QRect(QPoint(c.x() - r, c.y() - r), QPoint(c.x() + r, c.y() + r)));
}

void TriangleW(QPainter* canvas, int32_t r, double x, double y)
{
    if (!canvas)
        return;
    const QPoint c = WorldToPoint(x, y);
    const QPoint pts[3] = {QPoint(c.x() - r, c.y() + r), QPoint(c.x(), c.y() - r), QPoint(c.x() + r, c.y() + r)};
    canvas->drawPolygon(pts, 3);
}

void PolygonPtArray(QPainter* canvas, std::span<const TPoint> points, int32_t last)
{
    On(canvas).PolygonPtArray(points, last);
}
void PolylinePts(QPainter* canvas, std::span<const TPoint> points, int32_t last, int32_t offset)
{
    On(canvas).PolylinePtArray(points, last, offset);
}
void BandW(QPainter* canvas, int32_t width, int32_t offset, double x1, double y1, double x2, double y2)
{
    On(canvas).PolygonRectW(width, offset, x1, y1, x2, y2);
}
void BandPts(QPainter* canvas, std::span<const TPoint> points, int32_t last, int32_t offset, int32_t width)
{
    On(canvas).PolygonPtArrayB(points, last, width, offset);
}

void ArrowHeadFilled(QPainter* canvas, double s, int32_t angle, double x, double y)
{
    QPoint tip, q1, q2, q3;
    ArrowPoints(s, angle, x, y, tip, q1, q2, q3);
    PixelPolygon<5>(canvas, {tip, q1, q2, q3, tip}, true);
}
void ArrowChevron(QPainter* canvas, double s, int32_t angle, double x, double y)
{
    QPoint tip, q1, q2, q3;
    ArrowPoints(s, angle, x, y, tip, q1, q2, q3);
    PixelPolygon<3>(canvas, {q1, q2, q3}, false);
}
void ArrowHeadOpen(QPainter* canvas, double s, int32_t angle, double x, double y)
{
    QPoint tip, q1, q2, q3;
    ArrowPoints(s, angle, x, y, tip, q1, q2, q3);
    PixelPolygon<3>(canvas, {q1, tip, q3}, false);
}

// Walks from a in steps across (left normal of u) and along u; the points
// visited, a first, are filled as one polygon.
template <size_t N>
void WalkPolygon(QPainter* canvas, const TPoint& a, const TPoint& b, const std::array<double, N>& across,
                 const std::array<double, N>& along)
{
    const double ux = (b.x - a.x) / 10, uy = (b.y - a.y) / 10;
    std::array<TPoint, N + 1> pts;
    pts[0] = a;
    for (size_t k = 0; k < N; ++k)
        pts[k + 1] = Walk(pts[k], ux, uy, across[k], along[k]);
    PolygonPtArray(canvas, pts, int32_t(N));
}

void ArrowA(QPainter* canvas, const TPoint& a, const TPoint& b)
{
    WalkPolygon<3>(canvas, a, b, {12.5, -25, 12.5}, {25, 0, -25});
}

void ArrowB(QPainter* canvas, const TPoint& a, const TPoint& b)
{
    WalkPolygon<6>(canvas, a, b, {12.5, -15, 2.5, 2.5, -15, 12.5}, {25, 0, -5, 5, 0, -25});
}

void SignalW(QPainter* canvas, double size, double x, double y)
{
    if (!canvas)
        return;
    const double p = size >= 0 ? size * PixelsPerUnit() : -size;
    const int32_t r = Rnd(p * 2 / 14), g = Rnd(p * 4.5 / 14), b = Rnd(p * 2.5 / 14);
    const QPoint c = WorldToPoint(x, y);
    const QPen savedPen = canvas->pen();
    const QBrush savedBrush = canvas->brush();
    const QColor grey(0x80, 0x80, 0x80);
    canvas->setPen(QPen(grey, 1));
    canvas->setBrush(grey);
    canvas->drawRect(QRect(QPoint(c.x() - b, c.y() - g - b), QPoint(c.x() + b, c.y() + g + b)));
    const auto lamp = [&](const QColor& colour, int32_t dy) {
        canvas->setPen(QPen(colour, 1));
        canvas->setBrush(colour);
        canvas->drawEllipse(QPoint(c.x(), c.y() + dy), r, r);
    };
    lamp(QColor(0xFF, 0xFF, 0x00), 0);
    lamp(QColor(0xFF, 0x00, 0x00), -g);
    lamp(QColor(0x00, 0x80, 0x00), g);
    canvas->setPen(savedPen);
    canvas->setBrush(savedBrush);
}

void LaneArrow(QPainter* canvas, const TPoint& p, const TPoint& q, const TTurnFlags& flags, double s)
{
    static constexpr int32_t A[22] = {1, 0, 1, 0, 2, -2, 0, -1, 0, 1, -2, -2, 1, 0, -1, 0, -2, 2, 0, 1, 0, 1};
    static constexpr int32_t B[22] = {0, 5, 0, -1, 2, 2, -1, 0, 1, 0, 2, -2, 0, -1, 0, 1, -2, -2, 1, 0, -5, 0};
    const double ux = (q.x - p.x) / 10, uy = (q.y - p.y) / 10;
    std::array<TPoint, 23> pts;
    pts[0] = p;
    for (int k = 0; k < 22; ++k) {
        // The two long steps of the shaft always span the whole way from p to q.
        double c = 0, e = s;
        if (k == 1) {
            c = 5 * (1 - s);
            e = 1;
        } else if (k == 20) {
            c = -5 * (1 - s);
            e = 1;
        }
        pts[size_t(k + 1)] = Walk(pts[size_t(k)], ux, uy, s * A[k], c + e * B[k]);
    }
    // A missing turn folds its head onto the point after it.
    static constexpr int First[3] = {3, 9, 15};
    for (int f = 0; f < 3; ++f)
        if (flags[size_t(f)] == 0)
            for (int k = First[f]; k < First[f] + 5; ++k)
                pts[size_t(k)] = pts[size_t(First[f] + 5)];
    PolygonPtArray(canvas, pts, 22);
}

void TurnSymbol(QPainter* canvas, const TPoint& p, const TPoint& q, const TTurnFlags& flags, int32_t n,
                const std::string& text)
{
    Turn(canvas, p, q, flags, n, text, 60);
}
void TurnSymbolShort(QPainter* canvas, const TPoint& p, const TPoint& q, const TTurnFlags& flags, int32_t n,
                     const std::string& text)
{
    Turn(canvas, p, q, flags, n, text, 30);
}

void CurveWithLabels(QPainter* canvas, const TPoint& a, const TPoint& b, const TPoint& c, const std::string& text)
{
    On(canvas).CurveWithLabels(a, b, c, text);
}

} // namespace ZelPrinter

const std::string& ScratchMetafileName()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/velmora-XXXXXX"));
    static const std::string name =
        (folder.isValid() ? folder.filePath(QStringLiteral("Velmora___.EMF"))
                          : QDir::temp().filePath(QStringLiteral("Velmora___%1.EMF").arg(QCoreApplication::applicationPid())))
            .toStdString();
    return name;
}
