#include "map/gui/DataLayers.h"

#include "map/DisplayStyles.h"
#include "map/NetworkShapes.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "map/ViewTiles.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/ZelUtils.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

using DisplayStyles::ToQColor;
using ZelUtils::Round;

TLegendImage::TLegendImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

void TLegendImage::SetPicture(const QImage& picture)
{
    picture_ = picture;
    resize(picture_.size());
    update();
}

void TLegendImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}

namespace DataLayers {

namespace {

constexpr double TenthsPerRadian = 1800.0 / std::numbers::pi;
constexpr int MaxMovimVars = 5;
constexpr uint32_t Silver = 0xC0C0C0;

bool NodePlaced(int32_t index)
{
    return index >= 1 && index <= Network.NodeCount && Nodos[index].HasXY;
}

TPoint NodePoint(int32_t index)
{
    return {Nodos[index].X, Nodos[index].Y};
}

// The links that the bar, colour-map and value layers draw.
bool LinkShown(const TArcos& a, const TLayerOptions& o)
{
    if (a.AIndex < 1 || a.BIndex < 1 || !a.Active)
        return false;
    if (o.HideBlocked && a.HasFlag(9))
        return false;
    if (o.Sel && a.Mark < 1)
        return false;
    return NodePlaced(a.AIndex) && NodePlaced(a.BIndex);
}

using ViewTiles::ForEachLink;
using ViewTiles::ForEachTile;

// Zones of the view's tiles with a centroid, less the hidden ones.
template <class F>
void ForEachViewZone(const TLayerOptions& o, F&& f)
{
    ViewTiles::ForEachZone([&](int32_t, const TZona& zone) {
        if (!zone.HasCentroid || (o.HideBlocked && (zone.Flags & 0x08)))
            return;
        f(zone);
    });
}

// Where a zone connector ends, as the centroid layer draws it.
bool ConnectorTarget(const TZoneConnector& c, TPoint& target)
{
    if (c.Kind == 0) {
        if (c.NodeIndex > 0 && c.NodeIndex != c.ConnNode) {
            int32_t l = c.LinkIndex;
            if (l < 1 || l > Network.LinkCount)
                return false;
            const TArcos& a = Arcos[l];
            if (!NodePlaced(a.AIndex) || !NodePlaced(a.BIndex))
                return false;
            target = {0.25 * Nodos[a.AIndex].X + 0.75 * Nodos[a.BIndex].X,
                      0.25 * Nodos[a.AIndex].Y + 0.75 * Nodos[a.BIndex].Y};
            return true;
        }
        if (c.ConnNode <= 0)
            return false;
        int32_t n = KDVlib::FindNodo(c.ConnNode);
        if (!NodePlaced(n))
            return false;
        target = NodePoint(n);
        return true;
    }
    if (c.ConnNode <= 0 || !NodePlaced(c.NodeIndex))
        return false;
    target = NodePoint(c.NodeIndex);
    return true;
}

// The connectors of the view's zones that end at a placed point: f(centroid,
// connector, where it ends).
template <class F>
void ForEachViewConnector(const TLayerOptions& o, F&& f)
{
    ForEachViewZone(o, [&](const TZona& zone) {
        const TPoint centroid{zone.CentroidX, zone.CentroidY};
        for (int32_t k = 1; k <= zone.ConnectorCount && k < static_cast<int32_t>(zone.Connectors.size()); ++k) {
            const TZoneConnector& c = zone.Connectors[static_cast<size_t>(k)];
            TPoint target;
            if (ConnectorTarget(c, target))
                f(centroid, c, target);
        }
    });
}

float ConnectorValue(const std::vector<float>& values, int32_t column)
{
    if (column < 0 || column >= NumArcosColumns)
        return 0.0f;
    int32_t k = ColVarArcos[static_cast<size_t>(column)];
    if (k < 1 || static_cast<size_t>(k) >= values.size())
        return 0.0f;
    return values[static_cast<size_t>(k)];
}

void SetPen(TMapPainter& img, uint32_t color, int width)
{
    QPen pen(ToQColor(color));
    pen.setWidth(width);
    pen.setStyle(Qt::SolidLine);
    img.Canvas()->setPen(pen);
}

void SetBrush(TMapPainter& img, uint32_t color) { img.Canvas()->setBrush(QBrush(ToQColor(color))); }

// A variable's colour as text on the white map: a pale colour (the first
// variable's light yellow) keeps its hue and darkens until it reads (a contrast of
// at least 4.5 against white).
QColor ReadableOnWhite(uint32_t color)
{
    auto luminance = [](const QColor& c) {
        auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    QColor c = ToQColor(color);
    for (int k = 0; k < 40 && (1.05 / (luminance(c) + 0.05)) < 4.5; ++k)
        c = c.darker(115);
    return c;
}

void ClearBrush(TMapPainter& img) { img.Canvas()->setBrush(Qt::NoBrush); }

// The sizes the layers draw with.
// The view state a drawing reads its variables, classes and sizes from.
const TViewState& ViewOf(const TLayerOptions& o) { return o.View ? *o.View : UserView(); }

TLayerSizes SizesOf(const TLayerOptions& o) { return o.Sizes ? *o.Sizes : ViewSnapshot::ScreenSizes(ViewOf(o)); }

void SetLabelFont(TMapPainter& img, const TLayerSizes& sizes, int index, int sizeDelta = 0)
{
    const TLabelFont& lf = sizes.LabelFonts[static_cast<size_t>(index)];
    QFont f = DisplayStyles::ToQFont(lf);
    if (sizeDelta != 0)
        f.setPointSize(std::max(1, f.pointSize() + sizeDelta));
    img.Canvas()->setFont(f);
    img.FontColor = ToQColor(lf.Color);
}

std::string FormatValue(const TViewState& u, double v) { return ZelUtils::Format(u.NumFormat.Format.c_str(), v); }

std::string JoinTitles(const std::vector<int32_t>& columns, bool movement)
{
    std::string s;
    for (size_t i = 0; i < columns.size(); ++i) {
        size_t c = static_cast<size_t>(columns[i]);
        if (i > 0)
            s += '/';
        if (movement)
            s += c < TitMovim.size() ? TitMovim[c] : std::string();
        else
            s += c < TitArcos.size() ? TitArcos[c] : std::string();
    }
    return s;
}

// The bar scale of the chosen link variables: the maximum of the variable shown,
// or with several the largest sum over a link (shared by bars and values).
float BarScale(const TViewState& u, const std::vector<int32_t>& columns)
{
    if (columns.size() < 2)
        return u.RangeMax;
    bool any = false;
    float best = 0.0f;
    for (int32_t i = 1; i <= Network.LinkCount; ++i) {
        float s = 0.0f;
        for (int32_t c : columns)
            s += LinkValue(Arcos[i], c);
        if (!any || s > best)
            best = s;
        any = true;
    }
    return best;
}

int32_t DirectionTenths(const TPoint& from, const TPoint& to)
{
    return Round(TenthsPerRadian * TMapPainter::LineAngle(from.x, from.y, to.x, to.y));
}

// The font size (pixels) at which the text is at least `height` pixels high.
QFont GrowFont(const QString& text, int height)
{
    QFont f(QStringLiteral("Times New Roman"));
    for (int size = 1; size <= 400; ++size) {
        f.setPixelSize(size);
        if (QFontMetrics(f).boundingRect(text.isEmpty() ? QStringLiteral("0") : text).height() >= height)
            break;
    }
    return f;
}

} // namespace

std::vector<int32_t> ChosenLinkColumns(const TViewState& view)
{
    std::vector<int32_t> cols;
    for (size_t i = 0; i < view.ShownVarList.size() && cols.size() < static_cast<size_t>(MaxShownVars); ++i) {
        int32_t c = Ranges::ListColumn(view.ShownVarList, i);
        if (c > 0 && c < NumArcosColumns)
            cols.push_back(c);
    }
    if (cols.empty() && view.RangeVarArcos > 0 && view.RangeVarArcos < NumArcosColumns)
        cols.push_back(view.RangeVarArcos);
    return cols;
}

std::vector<int32_t> ChosenMovimColumns(const TViewState& view)
{
    std::vector<int32_t> cols;
    for (size_t i = 0; i < view.SelectedMovimVars.size() && cols.size() < static_cast<size_t>(MaxMovimVars); ++i) {
        int32_t c = Ranges::ListColumn(view.SelectedMovimVars, i);
        if (c > 0 && c < NumMovimColumns)
            cols.push_back(c);
    }
    return cols;
}

float LinkValue(const TArcos& link, int32_t column)
{
    if (column < 0 || column >= NumArcosColumns)
        return 0.0f;
    int32_t k = ColVarArcos[static_cast<size_t>(column)];
    return k >= 1 && k <= NumLinkVars ? link.Var[k] : 0.0f;
}

float MovimValue(const TMovimiento& m, int32_t column)
{
    if (column < 0 || column >= NumMovimColumns)
        return 0.0f;
    int32_t k = ColVarMovim[static_cast<size_t>(column)];
    return k >= 1 && k <= NumMovVars ? m.Var[k] : 0.0f;
}

TLegendRequest DrawAtributos(TMapPainter& img, const TLayerOptions& o)
{
    const TViewState& u = ViewOf(o);
    const TLayerSizes z = SizesOf(o);
    TLegendRequest legend;
    if (u.RangeVarArcos == 0 || !img.Canvas())
        return legend;
    const std::vector<int32_t> cols = ChosenLinkColumns(u);
    img.PenMode = TPenMode::Copy;
    SetPen(img, Silver, 1);
    legend.kind = TLegendRequest::Bars;
    legend.caption = cols.empty() ? std::string() : TitArcos[static_cast<size_t>(cols[0])];
    legend.count = static_cast<int>(cols.size());
    legend.colours = u.VarColors;
    legend.BarScaleMax = BarScale(u, cols);
    const float scaleMax = legend.BarScaleMax;
    if (cols.size() >= 2) {
        img.ResetLabels();
        legend.caption = JoinTitles(cols, false);
    }

    auto barBrush = [&](size_t j, double v, bool negative) {
        if (negative || v > scaleMax)
            SetBrush(img, u.ModeBrushColors[static_cast<size_t>(u.RangeMode)]);
        else
            SetBrush(img, u.VarColors[j]);
    };

    if (o.Cents) {
        ForEachViewConnector(o, [&](const TPoint& centroid, const TZoneConnector& c, const TPoint& target) {
            int32_t outOffset = 0, inOffset = 0;
            for (size_t j = 0; j < cols.size(); ++j) {
                const double vs[2] = {ConnectorValue(c.LeavingValues, cols[j]),
                                      ConnectorValue(c.EnteringValues, cols[j])};
                for (int dir = 0; dir < 2; ++dir) {
                    const double v = vs[dir];
                    if (v == 0.0 && !o.DrawNull)
                        continue;
                    bool negative = false;
                    const int32_t w = Round(Ranges::BarWidth(v, scaleMax, z.PixsVol, negative));
                    barBrush(j, v, negative);
                    int32_t& offset = dir == 0 ? outOffset : inOffset;
                    if (dir == 0)
                        img.PolygonRectW(w, offset, centroid.x, centroid.y, target.x, target.y);
                    else
                        img.PolygonRectW(w, offset, target.x, target.y, centroid.x, centroid.y);
                    offset += w;
                }
            }
        });
    }

    ForEachLink([&](int32_t, const TArcos& a) {
        if (!LinkShown(a, o) || a.PointCount < 2)
            return;
        const int32_t n = std::min(a.PointCount, MaxShapePoints);
        const std::span<const TPoint> points = a.Points.Run(static_cast<size_t>(n));
        int32_t offset = 0;
        for (size_t j = 0; j < cols.size(); ++j) {
            const double v = LinkValue(a, cols[j]);
            if (v == 0.0 && !o.DrawNull)
                continue;
            bool negative = false;
            const int32_t w = Round(Ranges::BarWidth(v, scaleMax, z.PixsVol, negative));
            if (v > scaleMax && !negative)
                legend.BarsOverMax = true;
            barBrush(j, v, negative);
            img.PolygonPtArrayB(points, n - 1, w, offset);
            offset += w;
        }
    });
    return legend;
}

TLegendRequest DrawMapaColores(TMapPainter& img, const TLayerOptions& o)
{
    const TViewState& u = ViewOf(o);
    const TLayerSizes z = SizesOf(o);
    TLegendRequest legend;
    if (u.RangeVarArcos == 0 || !img.Canvas())
        return legend;
    img.PenMode = TPenMode::Copy;
    SetPen(img, Silver, 1);
    ForEachLink([&](int32_t, const TArcos& a) {
        if (!LinkShown(a, o))
            return;
        const float v = LinkValue(a, u.RangeVarArcos);
        if (v == 0.0f && !o.DrawNull)
            return;
        uint32_t color = 0xFFFFFF;
        if (Ranges::ClassifyValue(u, v, color) == Ranges::TRangeHit::Suppressed)
            return;
        SetBrush(img, color);
        const TNodo& na = Nodos[a.AIndex];
        const TNodo& nb = Nodos[a.BIndex];
        img.PolygonRectW(z.PixsCol, 0, na.X, na.Y, nb.X, nb.Y);
    });
    legend.kind = TLegendRequest::Ranges;
    legend.caption = TitArcos[static_cast<size_t>(std::clamp(u.RangeVarArcos, 0, NumArcosColumns - 1))];
    return legend;
}

namespace {

// A value written along a link reads left to right: the label of a link that
// runs leftwards is turned half a turn and kept on its side of the link, apart
// from the label of the opposite direction. On a link running straight down it
// is turned too, so both labels of a vertical pair read upwards.
void ValueLabel(TMapPainter& img, const TPoint& p, int32_t angle, const std::string& text, int32_t offset)
{
    const int32_t a = ((angle % 3600) + 3600) % 3600;
    if (a > 900 && a <= 2700)
        img.LabelW(p, a - 1800, text, 7, -offset);
    else
        img.LabelW(p, angle, text, 1, offset);
}

} // namespace

void DrawValue(TMapPainter& img, const TLayerOptions& o)
{
    const TViewState& u = ViewOf(o);
    const TLayerSizes z = SizesOf(o);
    if (u.RangeVarArcos == 0 || !img.Canvas())
        return;
    const std::vector<int32_t> cols = ChosenLinkColumns(u);
    ClearBrush(img);
    SetLabelFont(img, z, 4);
    const TPenMode savedMode = img.PenMode;
    img.PenMode = TPenMode::Nop;
    const float scaleMax = BarScale(u, cols);
    const TMapPainter::TLabelPass pass(img); // values along the links, at their angles

    if (o.Cents) {
        ForEachViewConnector(o, [&](const TPoint& centroid, const TZoneConnector& c, const TPoint& target) {
            const TPoint mid{(centroid.x + target.x) / 2, (centroid.y + target.y) / 2};
            const double vs[2] = {ConnectorValue(c.LeavingValues, u.RangeVarArcos),
                                  ConnectorValue(c.EnteringValues, u.RangeVarArcos)};
            const int32_t angles[2] = {DirectionTenths(centroid, target), DirectionTenths(target, centroid)};
            for (int dir = 0; dir < 2; ++dir) {
                if (vs[dir] == 0.0 && !o.DrawNull)
                    continue;
                int32_t offset = z.LinkShift;
                if (z.LinkShift < 0) {
                    bool negative = false;
                    offset = Round(Ranges::BarWidth(vs[dir], u.RangeMax, z.PixsVol, negative));
                }
                ValueLabel(img, mid, angles[dir], FormatValue(u, vs[dir]), offset);
            }
        });
    }

    ForEachLink([&](int32_t, const TArcos& a) {
        if (!LinkShown(a, o))
            return;
        double s = 0.0;
        std::string text;
        for (size_t j = 0; j < cols.size(); ++j) {
            const float v = LinkValue(a, cols[j]);
            s += v;
            if (j > 0)
                text += '/';
            text += FormatValue(u, v);
        }
        if (s == 0.0 && !o.DrawNull)
            return;
        TPoint place;
        int32_t angle;
        const int32_t n = std::min(a.PointCount, MaxShapePoints);
        if (n < 3) {
            const TNodo& na = Nodos[a.AIndex];
            const TNodo& nb = Nodos[a.BIndex];
            place = {(double(na.X) + nb.X) / 2, (double(na.Y) + nb.Y) / 2};
            angle = a.BearingA;
        } else {
            const int32_t k = std::clamp(Round(n / 2.0), 1, n - 1);
            const TPoint& p = a.Points[k];
            const TPoint& q = a.Points[k + 1];
            place = {(p.x + q.x) / 2, (p.y + q.y) / 2};
            angle = DirectionTenths(p, q);
        }
        int32_t offset = z.LinkShift;
        if (z.LinkShift < 0)
            offset = scaleMax > 0 && std::isfinite(s) ? Round(z.PixsVol * s / scaleMax) : 0;
        ValueLabel(img, place, angle, text, offset);
    });
    img.PenMode = savedMode;
}

TLegendRequest DrawMovimLinks(TMapPainter& img, const TLayerOptions& o)
{
    const TViewState& u = ViewOf(o);
    const TLayerSizes z = SizesOf(o);
    TLegendRequest legend;
    if (!img.Canvas())
        return legend;
    SetLabelFont(img, z, 4);
    img.PenMode = TPenMode::Copy;

    if (!u.MovimDrawMode) {
        const uint32_t modeColor = u.ModePenColors[static_cast<size_t>(u.RangeMode)];
        NetworkShapes::ForEachPlacedMovement(o.Sel, [&](const TMovimiento& mv) {
            const float v = MovimValue(mv, u.RangeVarMovim);
            uint32_t color = modeColor;
            int width = 1;
            if (const TRangeClass* r = Ranges::LastClassOf(u.MovimRangeTable, u.NumRanges, v)) {
                color = r->Active ? r->Color : Silver;
                width = r->Active ? z.PixsMov : 1;
            }
            SetPen(img, color, width);
            const int turn = NetworkShapes::TurnOf(mv);
            if (!o.Giros[turn])
                return;
            TPoint farPt, nearPt;
            if (!NetworkShapes::MovementSpan(mv, u, farPt, nearPt))
                return;
            // The movement's turn direction (-1 left, 0 straight, 1 right) is the
            // symbol's lane index: the turns of one approach stand side by side,
            // left turns on the left, instead of on top of each other.
            img.TextAlongW(farPt, nearPt, NetworkShapes::TurnFlagsOf(turn), mv.TurnDir, FormatValue(u, v));
        });
        legend.kind = TLegendRequest::Ranges;
        legend.caption = TitMovim[static_cast<size_t>(std::clamp(u.RangeVarMovim, 0, NumMovimColumns - 1))];
        return legend;
    }

    // Flows of the chosen movement variables summed at both ends of every link.
    const std::vector<int32_t> cols = ChosenMovimColumns(u);
    const size_t nv = cols.size();
    const size_t links = static_cast<size_t>(Network.LinkCount) + 1;
    std::vector<float> leaving(links * nv, 0.0f), arriving(links * nv, 0.0f);
    std::vector<float> leavingTotal(links, 0.0f), arrivingTotal(links, 0.0f);
    for (int32_t m = 1; m <= Network.MovementCount; ++m) {
        const TMovimiento& mv = Movims[m];
        for (size_t j = 0; j < nv; ++j) {
            const float v = MovimValue(mv, cols[j]);
            if (mv.ExitLink >= 1 && mv.ExitLink <= Network.LinkCount) {
                leaving[static_cast<size_t>(mv.ExitLink) * nv + j] += v;
                leavingTotal[static_cast<size_t>(mv.ExitLink)] += v;
            }
            if (mv.EntryLink >= 1 && mv.EntryLink <= Network.LinkCount) {
                arriving[static_cast<size_t>(mv.EntryLink) * nv + j] += v;
                arrivingTotal[static_cast<size_t>(mv.EntryLink)] += v;
            }
        }
    }
    float scaleMax = 0.0f;
    for (size_t i = 1; i < links; ++i)
        scaleMax = std::max({scaleMax, leavingTotal[i], arrivingTotal[i]});

    const QFont layerFont = img.Canvas()->font();
    SetPen(img, Silver, 1);
    ForEachLink([&](int32_t i, const TArcos& a) {
        if (!NodePlaced(a.AIndex) || !NodePlaced(a.BIndex))
            return;
        if (o.Sel && a.Mark <= 0 && Nodos[a.AIndex].Mark <= 0 && Nodos[a.BIndex].Mark <= 0)
            return;
        const TPoint pa = NodePoint(a.AIndex), pb = NodePoint(a.BIndex);
        const TPoint p30{pa.x + 0.3 * (pb.x - pa.x), pa.y + 0.3 * (pb.y - pa.y)};
        const TPoint p70{pa.x + 0.7 * (pb.x - pa.x), pa.y + 0.7 * (pb.y - pa.y)};
        struct End {
            TPoint from, to, inner;
            const float* values;
            float total;
            int code;
        };
        const End ends[2] = {{pa, p30, p30, &leaving[static_cast<size_t>(i) * nv], leavingTotal[static_cast<size_t>(i)], 0},
                             {p70, pb, p70, &arriving[static_cast<size_t>(i) * nv], arrivingTotal[static_cast<size_t>(i)], 2}};
        for (const End& e : ends) {
            if (!(e.total > 0))
                continue;
            int32_t offset = 0;
            for (size_t j = 0; j < nv; ++j) {
                const double v = e.values[j];
                if (v == 0.0)
                    continue;
                bool negative = false;
                const int32_t w = Round(Ranges::BarWidth(v, scaleMax, z.PixsVol, negative));
                SetBrush(img, negative || v > scaleMax ? u.ModeBrushColors[static_cast<size_t>(u.RangeMode)] : u.MovimVarColors[j]);
                img.PolygonRectW(w, offset, e.from.x, e.from.y, e.to.x, e.to.y);
                offset += w;
            }
            if (!o.MovimValues)
                continue;
            ClearBrush(img);
            const TPenMode saved = img.PenMode;
            img.PenMode = TPenMode::Nop;
            const std::string total = ZelUtils::Format("%.0f", double(e.total));
            if (nv == 1) {
                const TPoint mid{(e.from.x + e.to.x) / 2, (e.from.y + e.to.y) / 2};
                img.Canvas()->setFont(layerFont);
                img.FontColor = ToQColor(z.LabelFonts[4].Color);
                img.LabelW(mid, a.BearingA, total, 1, 0);
            } else {
                QFont small = layerFont;
                small.setPointSize(std::max(1, layerFont.pointSize() - 2));
                small.setBold(true);
                img.Canvas()->setFont(small);
                const int32_t step = QFontMetrics(small).height();
                int32_t offset2 = 0;
                for (size_t j = 0; j < nv; ++j) {
                    img.FontColor = ReadableOnWhite(u.MovimVarColors[j]);
                    const std::string pct = ZelUtils::Format("%.0f", 100.0 * e.values[j] / e.total) + "%";
                    img.LabelW(e.inner, a.BearingA, pct, e.code, offset2);
                    offset2 -= step;
                }
                img.Canvas()->setFont(layerFont);
                img.FontColor = ToQColor(z.LabelFonts[4].Color);
                img.LabelW(e.inner, a.BearingA, total, e.code, offset2);
            }
            img.PenMode = saved;
        }
    });
    img.Canvas()->setFont(layerFont);
    legend.kind = TLegendRequest::Bars;
    legend.caption = JoinTitles(cols, true);
    legend.count = static_cast<int>(std::max<size_t>(nv, 1));
    legend.colours = u.MovimVarColors;
    legend.BarScaleMax = scaleMax;
    return legend;
}

QImage SymboloPicture(const TViewState& u, const TLegendRequest& bars)
{
    const std::string& caption = bars.caption;
    const int count = std::max(bars.count, 1);
    const bool overMax = bars.BarsOverMax;
    const QString qcaption = TMapPainter::DisplayText(caption);
    QFont font = GrowFont(qcaption, u.RangeSymbolSize);
    const int h = QFontMetrics(font).boundingRect(qcaption.isEmpty() ? QStringLiteral("0") : qcaption).height();
    const int r = count == 1 ? 0 : (h + 2) * count + 2;
    const int height = u.PixsVol + 10 + 2 * u.RangeSymbolSize + r;
    QFont big = font;
    big.setPixelSize(std::max(1, Round(1.2 * font.pixelSize())));
    // Wide enough for the caption and each variable's title: a legend that cuts
    // its own words tells the user nothing.
    int width = std::max(overMax ? 240 : 175, QFontMetrics(big).horizontalAdvance(qcaption) + 6);
    if (count > 1)
        for (const std::string& t : ZelUtils::SplitString(caption, '/'))
            width = std::max(width, 66 + QFontMetrics(font).horizontalAdvance(TMapPainter::DisplayText(t)) + 4);
    QImage pic(width, std::max(height, 1), QImage::Format_RGB32);
    pic.fill(Qt::white);
    QPainter p(&pic);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, h + 2, width - 1, height - 1 - (h + 2));
    p.drawLine(0, height - r, width - 1, height - r);

    p.setFont(big);
    p.drawText(QRect(0, 0, width, h + 2), Qt::AlignHCenter | Qt::AlignTop, qcaption);
    p.setFont(font);

    const int base = height - r - 5;
    const QColor barColor = ToQColor(u.ModePenColors[static_cast<size_t>(u.RangeMode)]);
    int x = 5;
    auto label = [&](int left, int right, int top, const std::string& text) {
        p.setPen(Qt::black);
        p.drawText(QRect(left, top - h - 1, right - left, h), Qt::AlignHCenter | Qt::AlignBottom,
                   QString::fromStdString(ZelUtils::Trim(text)));
    };
    if (overMax) {
        const int over = Round(1.1 * u.PixsVol);
        p.setPen(ToQColor(Silver));
        p.setBrush(ToQColor(u.ModeBrushColors[static_cast<size_t>(u.RangeMode)]));
        p.drawRect(5, base - over, 70 - 5, over);
        label(5, 70, base - over, "> " + ZelUtils::Trim(ZelUtils::Format(u.NumFormat.Format.c_str(), double(bars.BarScaleMax))));
        x = 70;
    }
    for (int k = 3; k >= 1; --k) {
        const int bh = Round(k * u.PixsVol / 3.0);
        p.setPen(ToQColor(Silver));
        p.setBrush(barColor);
        p.drawRect(x, base - bh, 55, bh);
        label(x, x + 55, base - bh, ZelUtils::Format(u.NumFormat.Format.c_str(), k / 3.0 * bars.BarScaleMax));
        x += 55;
    }
    if (count > 1) {
        const std::vector<std::string> titles = ZelUtils::SplitString(caption, '/');
        for (int i = 0; i < count; ++i) {
            const int top = height - r + 2 + i * (h + 2);
            p.setPen(Qt::black);
            p.setBrush(ToQColor(bars.colours[static_cast<size_t>(std::min(i, MaxShownVars - 1))]));
            p.drawRect(5, top, 55, h);
            if (static_cast<size_t>(i) < titles.size())
                p.drawText(QRect(65, top, width - 66, h + 1), Qt::AlignLeft | Qt::AlignVCenter,
                           TMapPainter::DisplayText(titles[static_cast<size_t>(i)]));
        }
    }
    return pic;
}

QImage RangesPicture(const TViewState& view, const std::string& caption)
{
    return RangesPicture(view, view.RangeTable, caption);
}

QImage RangesPicture(const TViewState& view, const TRangeArray& table, const std::string& caption)
{
    const double u = 0.33 * view.RangeSymbolSize;
    // Only the classes that can hold a value: a legend of six "v - v" entries
    // for a constant variable would show five classes nothing falls in.
    std::vector<int32_t> classes = Ranges::LegendClasses(table, view.NumRanges);
    if (classes.empty())
        classes.push_back(0);
    const int last = static_cast<int>(classes.size()) - 1;
    const std::string fmt = Ranges::LegendEntryFormat(table, classes, view.NumFormat.Decimals);
    std::vector<QString> texts;
    for (int i = 0; i <= last; ++i) {
        const TRangeClass& rc = table[static_cast<size_t>(classes[static_cast<size_t>(i)])];
        texts.push_back(QString::fromStdString(ZelUtils::Format(fmt.c_str(), double(rc.Low), double(rc.High))));
    }
    QFont font = GrowFont(texts.back(), view.RangeSymbolSize);
    QFontMetrics fm(font);
    int textWidth = 0;
    for (const QString& t : texts)
        textWidth = std::max(textWidth, fm.horizontalAdvance(t));
    QFont big = font;
    big.setPixelSize(std::max(1, Round(1.2 * font.pixelSize())));
    const QString title = TMapPainter::DisplayText(caption);
    const int width = std::max({Round(9 * u + textWidth), 28, QFontMetrics(big).horizontalAdvance(title) + 6});
    const int height = Round((4 * (last + 2) + 2) * u);
    QImage pic(width, std::max(height, 1), QImage::Format_RGB32);
    pic.fill(Qt::white);
    QPainter p(&pic);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    const int frameTop = Round(5 * u);
    p.drawRect(0, frameTop, width - 1, height - 1 - frameTop);
    p.setFont(big);
    p.drawText(QRect(0, 0, width, frameTop), Qt::AlignHCenter | Qt::AlignVCenter, title);
    p.setFont(font);
    for (int i = 0; i <= last; ++i) {
        const TRangeClass& rc = table[static_cast<size_t>(classes[static_cast<size_t>(i)])];
        const int y0 = Round(4 * u * (i + 1) + 2 * u);
        const QRect box(QPoint(Round(u), y0), QPoint(Round(7 * u), Round(y0 + 3 * u)));
        p.setPen(Qt::black);
        p.setBrush(ToQColor(rc.Color));
        p.drawRect(box);
        if (!rc.Active) {
            p.drawLine(box.topLeft(), box.bottomRight());
            p.drawLine(box.bottomLeft(), box.topRight());
        }
        p.drawText(QRect(Round(8 * u), y0, width - Round(8 * u), Round(3 * u) + 1), Qt::AlignLeft | Qt::AlignVCenter,
                   texts[static_cast<size_t>(i)]);
    }
    return pic;
}

} // namespace DataLayers

// ---------------------------------------------------------------------------
// The data layers as the map renderer draws them.

#include "map/ViewSnapshot.h"
#include "map/gui/MapDrawHost.h"
#include "map/gui/MapLayers.h"
#include "map/gui/MapRenderer.h"
#include "map/gui/OxrImage.h"
#include "widgets/WindowHost.h"

#include <QAction>

DataLayers::TLayerOptions DataLayers::ViewLayerOptions(const TViewSnapshot& view)
{
    DataLayers::TLayerOptions o;
    o.Cents = view.State.Cents;
    o.Sel = view.State.Sel;
    o.MovimValues = view.State.MovimValues;
    if (view.Options) {
        o.DrawNull = view.DrawNull;
        o.HideBlocked = view.BlockedColor == clWhite;
        for (size_t i = 0; i < 3; ++i)
            o.Giros[i] = view.Giros[i];
    }
    o.Sizes = view.Sizes;
    o.View = &view.State;
    return o;
}

namespace {

void ShowLegend(TLegendImage* legend, const QImage& picture, const QWidget* map, bool bottomRight)
{
    if (!legend)
        return;
    legend->SetPicture(picture);
    if (legend->PlaceAfresh && map) {
        const int x = bottomRight ? map->width() - picture.width() - 4 : 4;
        legend->move(std::max(0, x), std::max(0, map->height() - picture.height() - 4));
        legend->PlacedAt = legend->pos();
        legend->PlaceAfresh = false;
    } else if (map && map->isVisible()) {
        // A legend grows: the bar legend with the variables shown (a row each) and
        // the "> " entry, the range legend with its classes (the minimum class
        // switched on, a variable of more classes than the one before). It moves
        // back inside the map rather than hiding its last rows past the edge; one
        // that fits stays where it is. Moved by the drawing alone, it still counts
        // as placed by the drawing.
        const QPoint at = legend->pos();
        const int x = std::max(0, std::min(at.x(), map->width() - picture.width() - 4));
        const int y = std::max(0, std::min(at.y(), map->height() - picture.height() - 4));
        if (QPoint(x, y) != at) {
            legend->move(x, y);
            if (at == legend->PlacedAt)
                legend->PlacedAt = legend->pos();
        }
    }
    legend->show();
    legend->raise();
}

} // namespace

void TMapRenderer::DrawAtributos(TOxrImage* Img, const TViewSnapshot& view)
{
    if (!Img)
        return;
    window_.Action(Cmd::tbAtributos)->setToolTip(QString::fromStdString(view.State.RangeName));
    const DataLayers::TLegendRequest legend = DataLayers::DrawAtributos(*Img, DataLayers::ViewLayerOptions(view));
    if (legend.kind == DataLayers::TLegendRequest::Bars)
        DrawSymbolo(view.State, legend);
}

void TMapRenderer::DrawMapaColores(TOxrImage* Img, const TViewSnapshot& view)
{
    if (!Img)
        return;
    window_.Action(Cmd::tbAtributos)->setToolTip(QString::fromStdString(view.State.RangeName));
    const DataLayers::TLegendRequest legend = DataLayers::DrawMapaColores(*Img, DataLayers::ViewLayerOptions(view));
    if (legend.kind == DataLayers::TLegendRequest::Ranges)
        DrawRanges(view.State, legend.caption);
}

void TMapRenderer::DrawValue(TOxrImage* Img, const TViewSnapshot& view)
{
    if (Img)
        DataLayers::DrawValue(*Img, DataLayers::ViewLayerOptions(view));
}

void TMapRenderer::DrawMovimLinks(TOxrImage* Img, const TViewSnapshot& view)
{
    if (!Img)
        return;
    const DataLayers::TLegendRequest legend = DataLayers::DrawMovimLinks(*Img, DataLayers::ViewLayerOptions(view));
    if (legend.kind == DataLayers::TLegendRequest::Ranges)
        DrawMovRange(view.State, legend.caption);
    else if (legend.kind == DataLayers::TLegendRequest::Bars)
        DrawSymbolo(view.State, legend);
}

void TMapRenderer::DrawSymbolo(const TViewState& view, const DataLayers::TLegendRequest& bars)
{
    if (TLegendImage* legend = host_.BarLegend())
        legend->ScaleMax = bars.BarScaleMax;
    QImage picture = DataLayers::SymboloPicture(view, bars);
    // Two layers of bars on the map (link bars and the transit loads, each to its
    // own scale): the legend explains both, as the printed page does, the one
    // drawn first on top.
    if (!shownBars_.isNull()) {
        QImage both(std::max(shownBars_.width(), picture.width()), shownBars_.height() + picture.height(),
                    QImage::Format_RGB32);
        both.fill(Qt::white);
        QPainter p(&both);
        p.drawImage(0, 0, shownBars_);
        p.drawImage(0, shownBars_.height(), picture);
        p.end();
        picture = std::move(both);
    }
    shownBars_ = picture;
    ShowLegend(host_.BarLegend(), picture, host_.MapCanvas(), false);
}

void TMapRenderer::DrawRanges(const TViewState& view, const std::string& caption)
{
    const QImage picture = DataLayers::RangesPicture(view, caption);
    // Kept for the movement symbols' legend only while the map itself colours the
    // links: the magnifier colours them on its own when its options say so.
    linkRanges_ = window_.View().Colores ? picture : QImage();
    ShowLegend(host_.RangeLegend(), picture, host_.MapCanvas(), true);
}

void TMapRenderer::DrawMovRange(const TViewState& view, const std::string& caption)
{
    QImage picture = DataLayers::RangesPicture(view, view.MovimRangeTable, caption);
    // Links coloured by their classes and movement symbols by theirs: the legend
    // explains both, as the printed page does, where the links' legend keeps the
    // corner and the movements' stands beside it toward the middle of the map:
    // above it in the map's lower half (a legend placed by the drawing is there),
    // below it in the upper half.
    if (!linkRanges_.isNull()) {
        const TLegendImage* legend = host_.RangeLegend();
        const QWidget* map = host_.MapCanvas();
        const int height = linkRanges_.height() + picture.height();
        const bool lower = !legend || !map || legend->PlaceAfresh || legend->pos() == legend->PlacedAt ||
                           2 * legend->y() + height > map->height();
        QImage both(std::max(linkRanges_.width(), picture.width()), height, QImage::Format_RGB32);
        both.fill(Qt::white);
        QPainter p(&both);
        p.drawImage(0, lower ? picture.height() : 0, linkRanges_);
        p.drawImage(0, lower ? 0 : linkRanges_.height(), picture);
        p.end();
        picture = std::move(both);
    }
    ShowLegend(host_.RangeLegend(), picture, host_.MapCanvas(), true);
}
