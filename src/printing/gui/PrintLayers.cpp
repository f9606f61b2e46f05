// The printed twins of the map layers.
#include "printing/gui/PrintLayers.h"

#include "map/DisplayStyles.h"
#include "map/DrawLayers.h"
#include "map/DrawState.h"
#include "map/NetworkShapes.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "map/ViewTiles.h"
#include "map/gui/DataLayers.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "printing/PrintLines.h"
#include "printing/ZelPrinter.h"

#include <QAction>
#include <QFontMetrics>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

using DisplayStyles::ToQColor;
using ZelUtils::Round;

namespace PrintLayers {

double Factor(const TViewState& view) { return view.SizeFactor > 1e-3f ? double(view.SizeFactor) : 1.0; }

namespace {

int32_t Scaled(const TViewState& view, double v) { return Round(v * Factor(view)); }
// A letter size on the page.
int32_t FontScaled(const TViewState& view, double v)
{
    return std::max(1, Round(v * Factor(view) * ZelPrinter::LabelScale()));
}

void UsePen(QPainter& p, uint32_t color, int32_t width, uint8_t style = psSolid)
{
    p.setPen(NetworkShapes::LayerPen(color, width, style));
}

void UseBrush(QPainter& p, uint32_t color, Qt::BrushStyle style = Qt::SolidPattern)
{
    p.setBrush(QBrush(ToQColor(color), style));
}

// A label font at paper size: the screen's points times the factor.
void UseFont(QPainter& p, const TViewState& view, int index)
{
    const TLabelFont& f = view.LabelFonts[static_cast<size_t>(index)];
    QFont font = DisplayStyles::ToQFont(f);
    font.setPointSize(FontScaled(view, f.Size));
    p.setFont(font);
    ZelPrinter::Painter().FontColor = ToQColor(f.Color);
}

using NetworkShapes::ClassOf;
using NetworkShapes::ForEachNode;
using NetworkShapes::LinkHidden;
using NetworkShapes::NodeHidden;
using NetworkShapes::NodePoint;
using NetworkShapes::PairOf;
using NetworkShapes::Placed;
using NetworkShapes::PointCountOf;
using NetworkShapes::ValidNode;

// The page window widened by a margin in device pixels, in world units.
struct TView : NetworkShapes::TViewBox {
    explicit TView(double marginPixels)
        : TViewBox(ZelPrinter::MinX(), ZelPrinter::MinY(), ZelPrinter::PageWidth(), ZelPrinter::PageHeight(),
                   ZelPrinter::UnitsPerPixel(), marginPixels)
    {
    }
};

TNetworkOptions Options(const TViewSnapshot& snapshot) { return LayerOptions(snapshot, ZelPrinter::Painter()); }

// Text drawn with its top left corner at (x, y) (the classic TextOut).
void TextOut(QPainter& p, int x, int y, const QString& text)
{
    const QFontMetrics fm(p.font(), p.device());
    p.drawText(x, y + fm.ascent(), text);
}

QSize Extent(QPainter& p, const QFont& font, const QString& text)
{
    const QFontMetrics fm(font, p.device());
    return QSize(fm.horizontalAdvance(text), fm.height());
}

QSize Extent(QPainter& p, const QString& text) { return Extent(p, p.font(), text); }

// Where a legend block's top left corner is wanted on paper: in the corner of
// the page that the screen legend sits in over the map (the bar legend bottom
// left, the range legend bottom right while only the drawing has placed it), 4
// screen pixels in. The page, not the map: a map window of another shape would
// put the legend anywhere over the network. PlaceLegendBlock then keeps the
// block clear of the titles, the stamp and the legends drawn before it.
QPoint LegendAnchor(const TViewState& view, const TPageCanvas& canvas, const TLegendImage* legend, bool right, int w,
                    int h)
{
    bool atRight = right, atBottom = true;
    const TOxrImage* map = canvas.Map;
    if (map && legend && !legend->PlaceAfresh && legend->pos() != legend->PlacedAt && map->width() > 0 &&
        map->height() > 0) {
        atRight = 2 * legend->x() + legend->width() > map->width();
        atBottom = 2 * legend->y() + legend->height() > map->height();
    }
    const int margin = std::max(4, Round(4 * Factor(view)));
    const int pageW = ZelPrinter::PageWidth(), pageH = ZelPrinter::PageHeight();
    return QPoint(atRight ? pageW - w - margin : margin, atBottom ? pageH - h - margin : margin);
}

// A legend drawn now, or after every layer while a page is drawn.
void Legend(const TPageCanvas& canvas, std::function<QRect(const TPageCanvas&)> draw)
{
    if (canvas.Legends)
        canvas.Legends->push_back(std::move(draw));
    else
        draw(canvas);
}

// The font made smaller until the text is at most `width` pixels wide: a title
// longer than the page is shown whole rather than cut at the page's edge.
void FitFontToWidth(QPainter& p, QFont& font, const QString& text, int width)
{
    while (font.pointSize() > 1 && QFontMetrics(font, p.device()).horizontalAdvance(text) > width)
        font.setPointSize(font.pointSize() - 1);
}

// Font "Times New Roman" grown from the factor until the text is `height` pixels high.
QFont GrowFont(const TViewState& view, QPainter& p, const QString& text, double height)
{
    QFont font(QStringLiteral("Times New Roman"));
    int size = std::max(1, Round(Factor(view)));
    for (; size < 2000; ++size) {
        font.setPointSize(size);
        if (QFontMetrics(font, p.device()).height() >= height)
            break;
    }
    (void)text;
    return font;
}

std::string FormatValue(const TViewState& u, double v) { return ZelUtils::Trim(ZelUtils::Format(u.NumFormat.Format.c_str(), v)); }

} // namespace

QPoint PlaceLegendBlock(const TViewState& view, QPoint wanted, QSize block, const TPageCanvas& canvas)
{
    const int pageW = ZelPrinter::PageWidth(), pageH = ZelPrinter::PageHeight();
    const auto clampX = [&](int x) { return std::clamp(x, 0, std::max(0, pageW - block.width() - 1)); };
    const auto clampY = [&](int y) { return std::clamp(y, 0, std::max(0, pageH - block.height() - 1)); };
    QPoint at(clampX(wanted.x()), clampY(wanted.y()));
    const int gap = std::max(2, Round(2 * Factor(view)));
    // Off each kept place the short way: below one in the page's upper half,
    // above one in its lower half, or the other way when that leaves the page.
    for (int pass = 0; pass < 3; ++pass) {
        bool moved = false;
        for (const QRect& kept : canvas.Kept) {
            if (!QRect(at, block).intersects(kept.adjusted(-gap, -gap, gap, gap)))
                continue;
            const int below = kept.bottom() + gap + 1, above = kept.top() - gap - block.height();
            const bool fitsBelow = below + block.height() < pageH, fitsAbove = above >= 0;
            const bool down = kept.center().y() < pageH / 2 ? fitsBelow || !fitsAbove : !fitsAbove && fitsBelow;
            at.setY(clampY(down ? below : above));
            moved = true;
        }
        if (!moved)
            break;
    }
    return at;
}

// ---------------------------------------------------------------------------
// Paper sizes of the shared layers

double MapBarScale(const TPageCanvas& canvas)
{
    const TOxrImage* map = canvas.Map;
    if (!map || !(map->PixelsPerUnit() > 0) || !(ZelPrinter::PixelsPerUnit() > 0))
        return 0; // no canvas scale: the sizes follow the factor
    return ZelPrinter::PixelsPerUnit() / map->PixelsPerUnit();
}

std::shared_ptr<const TLayerSizes> PaperSizes(const TViewState& view, double barScale)
{
    TLayerSizes z = ViewSnapshot::ScreenSizes(view);
    z.PixsVol = barScale > 0 ? Round(z.PixsVol * barScale) : Scaled(view, z.PixsVol);
    z.PixsCol = Scaled(view, z.PixsCol);
    z.PixsMov = Scaled(view, z.PixsMov);
    z.GenatrBarWidth = Scaled(view, z.GenatrBarWidth);
    z.ZoneBorderScale = Factor(view);
    z.LinkShift = Scaled(view, z.LinkShift);
    z.NodeSize = Scaled(view, z.NodeSize);
    z.CentroidSize = Scaled(view, z.CentroidSize);
    z.ArrowSize = Scaled(view, z.ArrowSize);
    z.SignalSize = Scaled(view, z.SignalSize);
    for (TLabelFont& f : z.LabelFonts)
        f.Size = FontScaled(view, f.Size);
    // Widths of 1 stay hairlines, as the background layers print them.
    for (TItems& item : z.Items)
        if (item.Width > 1)
            item.Width = Scaled(view, item.Width);
    return std::make_shared<const TLayerSizes>(std::move(z));
}

TViewSnapshot OnPaper(const TViewSnapshot& view, double barScale)
{
    TViewSnapshot paper = view;
    paper.Sizes = PaperSizes(view.State, barScale);
    return paper;
}

// ---------------------------------------------------------------------------
// Links

void PrintNetWork(QPainter& p, const TViewSnapshot& snapshot)
{
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    const TNetworkOptions o = Options(snapshot);
    if (snapshot.State.Items[0].Width >= 1 && o.ArcosColor != clWhite) {
        const int32_t widest = std::max(snapshot.State.Items[0].Width, *std::max_element(snapshot.State.ClassWidths.begin(), snapshot.State.ClassWidths.end()));
        const TView view(Scaled(snapshot.State, widest) + 2);
        NetworkShapes::ForEachLinkInView(view, [&](const TArcos& a, std::span<const TPoint> pts) {
            const TArcos& t = PairOf(a);
            int32_t width = snapshot.State.Items[0].Width;
            uint32_t color = o.ArcosColor;
            if (const int32_t c = ClassOf(a.Mark)) {
                width = snapshot.State.ClassWidths[size_t(ClassOf(t.Mark) ? ClassOf(t.Mark) : c)];
                color = snapshot.State.ClassColors[size_t(c)];
            }
            if (const int32_t c = ClassOf(t.Mark)) {
                width = snapshot.State.ClassWidths[size_t(c)];
                color = snapshot.State.ClassColors[size_t(c)];
            }
            uint8_t style = psSolid;
            NetworkShapes::ApplyLinkMarks(a, t, o, color, style);
            if (color == clWhite)
                return;
            UsePen(p, color, Scaled(snapshot.State, width), style);
            ZelPrinter::PolylinePts(&p, pts, int32_t(pts.size()) - 1, 0);
        });
    }
    Services().SetMenuItemEnabled("aVistaAnterior", snapshot.State.ZoomIndex > 1);
}

namespace {

// The carriageways as the page prints them: printed lane arrows and heads.
class TPageLaneFigures : public NetworkShapes::TLaneFigures {
public:
    explicit TPageLaneFigures(QPainter& p) : p_(p) {}
    void Pen(uint32_t color, int32_t width, uint8_t style) override { UsePen(p_, color, width, style); }
    void Brush(uint32_t color, Qt::BrushStyle style) override { UseBrush(p_, color, style); }
    void Polygon(std::span<const TPoint> points, int32_t last) override
    {
        ZelPrinter::PolygonPtArray(&p_, points, last);
    }
    void Line(const TPoint& a, const TPoint& b) override { ZelPrinter::LinePts(&p_, a, b); }
    void TurnMarking(const TPoint& from, const TPoint& to, const TTurnFlags& turns, double scale) override
    {
        ZelPrinter::LaneArrow(&p_, from, to, turns, scale);
    }
    // The printed heads have their tip nearer the stop line.
    void LaneHead(int32_t kind, const TPoint& at5, const TPoint& at35) override
    {
        if (kind == 1)
            ZelPrinter::ArrowA(&p_, at35, at5);
        else
            ZelPrinter::ArrowB(&p_, at35, at5);
    }

private:
    QPainter& p_;
};

} // namespace

void PrintNetWorkLanes(QPainter& p, const TViewSnapshot& snapshot)
{
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    TPageLaneFigures figures(p);
    NetworkShapes::TraceNetWorkLanes(TView(4), Options(snapshot), figures);
}

void PrintArrows(QPainter& p, const TViewSnapshot& snapshot)
{
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    const TNetworkOptions o = Options(snapshot);
    UseBrush(p, snapshot.State.SymbolColors[2]);
    const int32_t side = Scaled(snapshot.State, 2.0 * snapshot.State.ArrowSize);
    const TView view(std::abs(side) + 4);
    ViewTiles::ForEachLink([&](int32_t, const TArcos& a) {
        if (!NetworkShapes::ArrowShown(a, o))
            return;
        const TPoint b = NodePoint(a.BIndex);
        if (!view.Contains(b.x, b.y))
            return;
        UsePen(p, NetworkShapes::ArrowColor(a, o), 1);
        if (o.SimpleArrow)
            ZelPrinter::ArrowChevron(&p, side, a.BearingB, b.x, b.y);
        else
            ZelPrinter::ArrowHeadFilled(&p, side, a.BearingB, b.x, b.y);
    });
}

void PrintNodes(QPainter& p, const TViewSnapshot& snapshot)
{
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    const TNetworkOptions o = Options(snapshot);
    const int32_t radius = Scaled(snapshot.State, snapshot.State.NodeSize);
    const int32_t ring = Scaled(snapshot.State, snapshot.State.NodeSize + 2);
    const TView view(std::max({radius, ring, Scaled(snapshot.State, 3 * std::abs(snapshot.State.SignalSize))}) + 4);
    NetworkShapes::ForEachShownNode(view, o, [&](int32_t, const TNodo& n) {
        UsePen(p, NetworkShapes::NodeOutline(n, o), Scaled(snapshot.State, 2));
        UseBrush(p, snapshot.State.SymbolColors[1]);
        ZelPrinter::CircleW(&p, radius, n.X, n.Y);
        if (const int32_t c = ClassOf(n.Mark)) {
            UsePen(p, snapshot.State.ClassColors[size_t(c)], Scaled(snapshot.State, 4));
            p.setBrush(Qt::NoBrush);
            ZelPrinter::CircleW(&p, ring, n.X, n.Y);
        }
        if (NetworkShapes::SignalShown(n, o))
            ZelPrinter::SignalW(&p, -Scaled(snapshot.State, 3.0 * snapshot.State.SignalSize), n.X, n.Y);
    });
    UsePen(p, clBlack, 1);
}

void PrintCents(QPainter& p, const TViewSnapshot& snapshot)
{
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    const TNetworkOptions o = Options(snapshot);
    UsePen(p, o.AccesoColor, 1);
    UseBrush(p, snapshot.State.SymbolColors[0]);
    const std::vector<int32_t> zones = NetworkShapes::ShownZones(o);
    std::vector<TPoint> ends;
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        NetworkShapes::ConnectorEnds(z, ends);
        for (const TPoint& to : ends)
            ZelPrinter::LineW(&p, z.CentroidX, z.CentroidY, to.x, to.y);
    }
    const int32_t half = Scaled(snapshot.State, snapshot.State.CentroidSize);
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        if (const int32_t c = ClassOf(z.Class))
            UsePen(p, snapshot.State.ClassColors[size_t(c)], Scaled(snapshot.State, 2));
        else
            UsePen(p, o.AccesoColor, 1);
        ZelPrinter::TriangleW(&p, half, z.CentroidX, z.CentroidY);
    }
    p.setBrush(Qt::NoBrush);
    UseFont(p, snapshot.State, 1);
    for (int32_t index : zones) {
        const TZona& z = Zonas[index];
        ZelPrinter::LabelAt(&p, 0, std::to_string(z.Number), z.CentroidX, z.CentroidY, 4, 0);
    }
    UsePen(p, o.AccesoColor, 1);
}

void PrintNameNodes(QPainter& p, const TViewSnapshot& snapshot)
{
    const TNetworkOptions o = Options(snapshot);
    p.setBrush(Qt::NoBrush);
    TMapPainter& mp = ZelPrinter::Painter();
    mp.PenMode = TPenMode::Nop;
    UseFont(p, snapshot.State, 2);
    const int32_t position = snapshot.State.ShowLanes ? 4 : std::clamp(snapshot.State.NodeLabelPos, 0, 8);
    const TView view(0);
    NetworkShapes::ForEachShownNode(view, o, [&](int32_t, const TNodo& n) {
        ZelPrinter::LabelAt(&p, 0, std::to_string(n.Number), n.X, n.Y, position, 0);
    });
    mp.PenMode = TPenMode::Copy;
}

void PrintCalles(QPainter& p, const TViewSnapshot& snapshot)
{
    const TNetworkOptions o = Options(snapshot);
    p.setBrush(Qt::NoBrush);
    UseFont(p, snapshot.State, 5);
    TMapPainter& mp = ZelPrinter::Painter();
    mp.PenMode = TPenMode::Nop;
    const int32_t position = std::clamp(snapshot.State.StreetLabelPos, 0, 8);
    const double t = snapshot.State.StreetLabelOffset;
    const TView view(0);
    NetworkShapes::ForEachStreetLabel(view, o, t, [&](const TPoint& place, int32_t angle, const std::string& name) {
        ZelPrinter::LabelAt(&p, angle, name, place.x, place.y, position, 0);
    });
    mp.PenMode = TPenMode::Copy;
}

// ---------------------------------------------------------------------------
// Data layers: the screen's data layers at paper sizes, with the paper legends.

void PrintAtributos(QPainter& p, const TViewSnapshot& snapshot, const TPageCanvas& canvas)
{
    const DataLayers::TLegendRequest legend =
        DataLayers::DrawAtributos(ZelPrinter::Painter(), DataLayers::ViewLayerOptions(OnPaper(snapshot)));
    if (legend.kind == DataLayers::TLegendRequest::Bars)
        Legend(canvas, [&p, &snapshot, legend](const TPageCanvas& c) {
            return PrintSymbolo(p, snapshot.State, legend.caption, legend.count, legend.BarsOverMax, legend.BarScaleMax, c,
                                &legend.colours);
        });
}

void PrintMapaColores(QPainter& p, const TViewSnapshot& snapshot, const TPageCanvas& canvas)
{
    const DataLayers::TLegendRequest legend =
        DataLayers::DrawMapaColores(ZelPrinter::Painter(), DataLayers::ViewLayerOptions(OnPaper(snapshot)));
    if (legend.kind == DataLayers::TLegendRequest::Ranges)
        Legend(canvas, [&p, &snapshot, legend](const TPageCanvas& c) {
            return PrintRangeLegend(p, snapshot.State, legend.caption, c);
        });
}

namespace {

// The movement symbols: one turn figure per movement on its approach, in the
// colour and width of the value's range, with the value written on it.
void PrintMovimSymbols(QPainter& p, const TViewSnapshot& snapshot)
{
    const DataLayers::TLayerOptions o = DataLayers::ViewLayerOptions(snapshot);
    TMapPainter& mp = ZelPrinter::Painter();
    mp.PenMode = TPenMode::Copy;
    UseFont(p, snapshot.State, 4);
    const TView view(0);
    NetworkShapes::ForEachPlacedMovement(o.Sel, [&](const TMovimiento& mv) {
        const int turn = NetworkShapes::TurnOf(mv);
        if (!o.Giros[turn])
            return;
        const TPoint j = NodePoint(mv.JunctionIndex);
        TPoint farPt, nearPt;
        if (!view.Contains(j.x, j.y) || !NetworkShapes::MovementSpan(mv, snapshot.State, farPt, nearPt))
            return;
        const float v = DataLayers::MovimValue(mv, snapshot.State.RangeVarMovim);
        // A value in no class keeps the layer's pen, as on the map and in the
        // drawing export; silver marks a class switched off.
        if (const TRangeClass* r = Ranges::LastClassOf(snapshot.State.MovimRangeTable, snapshot.State.NumRanges, v)) {
            UsePen(p, clSilver, 1);
            if (r->Active)
                UsePen(p, r->Color, Scaled(snapshot.State, snapshot.State.PixsMov));
            else
                UsePen(p, clSilver, 1);
        } else {
            UsePen(p, snapshot.State.ModePenColors[size_t(std::clamp(snapshot.State.RangeMode, 0, MaxRangeModes))], 1);
        }
        ZelPrinter::TurnSymbol(&p, farPt, nearPt, NetworkShapes::TurnFlagsOf(turn), mv.TurnDir, FormatValue(snapshot.State, v));
    });
    UsePen(p, clBlack, 1);
}

} // namespace

void PrintMovimLinks(QPainter& p, const TViewSnapshot& snapshot, const TPageCanvas& canvas)
{
    if (!snapshot.State.MovimDrawMode) {
        // A column that holds no movement variable has nothing to show nor to
        // explain: no symbols of zeros under a legend without a title.
        if (snapshot.State.RangeVarMovim < 1 || snapshot.State.RangeVarMovim >= NumMovimColumns || ColVarMovim[size_t(snapshot.State.RangeVarMovim)] <= 0)
            return;
        PrintMovimSymbols(p, snapshot);
        const std::string title = TitMovim[size_t(std::clamp(snapshot.State.RangeVarMovim, 0, NumMovimColumns - 1))];
        Legend(canvas, [&p, &snapshot, title](const TPageCanvas& c) {
            return PrintRangeLegend(p, snapshot.State, title, c, &snapshot.State.MovimRangeTable);
        });
        return;
    }
    const DataLayers::TLegendRequest legend =
        DataLayers::DrawMovimLinks(ZelPrinter::Painter(), DataLayers::ViewLayerOptions(OnPaper(snapshot)));
    if (legend.kind == DataLayers::TLegendRequest::Ranges)
        Legend(canvas, [&p, &snapshot, legend](const TPageCanvas& c) {
            return PrintRangeLegend(p, snapshot.State, legend.caption, c, &snapshot.State.MovimRangeTable);
        });
    else if (legend.kind == DataLayers::TLegendRequest::Bars)
        Legend(canvas, [&p, &snapshot, legend](const TPageCanvas& c) {
            return PrintSymbolo(p, snapshot.State, legend.caption, legend.count, legend.BarsOverMax, legend.BarScaleMax, c,
                                &legend.colours);
        });
}

void PrintValue(QPainter&, const TViewSnapshot& snapshot)
{
    DataLayers::DrawValue(ZelPrinter::Painter(), DataLayers::ViewLayerOptions(OnPaper(snapshot)));
}

namespace {

// The routes of the visible lines: each leg along its link (or straight where
// the network has no link between the two nodes), red between two stops, blue
// otherwise; every third leg but the last carries an open arrowhead three
// quarters of the way, pointing the way the line runs.
void PrintRoutes(QPainter& p, const TViewState& view)
{
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    p.setBrush(Qt::NoBrush);
    const int32_t width = Scaled(view, 4);
    const double head = Scaled(view, view.ArrowSize);
    for (int32_t l = 1; l <= std::min(Network.LineCount, MaxLineas); ++l) {
        const TLinea& line = Lineas[l];
        if (!line.Visible || line.Stops.empty())
            continue;
        const int32_t count = std::min(line.Stops[0], int32_t(line.Stops.size()) - 1);
        for (int32_t k = 1; k < count; ++k) {
            const int32_t a = line.Stops[size_t(k)], b = line.Stops[size_t(k + 1)];
            uint32_t colour = a > 0 && b > 0 ? clRed : clBlue;
            // On a sheet of lines each line keeps the colour of its place in the
            // sheet's list, so that the lines of one sheet can be told apart.
            PrintLines::SheetColour(l, colour);
            const int32_t na = KDVlib::FindNodo(std::abs(a)), nb = KDVlib::FindNodo(std::abs(b));
            const bool bothPlaced = Placed(na) && Placed(nb);
            UsePen(p, colour, width);
            const int32_t link = KDVlib::FindArco(std::abs(a), std::abs(b));
            const int32_t n = link >= 1 && link <= Network.LinkCount ? PointCountOf(Arcos[link]) : 0;
            if (n >= 2) {
                const std::span<const TPoint> points = Arcos[link].Points.Run(size_t(n));
                ZelPrinter::PolylinePts(&p, points, int32_t(points.size()) - 1, 0);
            } else if (bothPlaced)
                ZelPrinter::LinePts(&p, NodePoint(na), NodePoint(nb));
            const int32_t leg = k - 1;
            if (bothPlaced && view.ArrowSize > 0 && leg % 3 == 0 && k + 1 < count) {
                const TPoint from = NodePoint(na), to = NodePoint(nb);
                const int32_t angle = Round(ZelUtils::PointAngle(from, to) * 1800.0 / std::numbers::pi);
                // One screen pixel, scaled to paper like every pen.
                UsePen(p, colour, Scaled(view, 1));
                ZelPrinter::ArrowHeadOpen(&p, head, angle, 0.25 * from.x + 0.75 * to.x, 0.25 * from.y + 0.75 * to.y);
            }
        }
    }
}

} // namespace

void PrintLineas(QPainter& p, const TViewSnapshot& view, const TPageCanvas& canvas)
{
    if (view.linnone)
        PrintRoutes(p, view.State);
    // The loads only: the routes are drawn above in their paper form.
    const DataLayers::TLegendRequest loads = DrawLineLoads(ZelPrinter::Painter(), OnPaper(view));
    // The loads of the transit lines are explained by the bar legend, when any is drawn.
    if ((view.linveh || view.linvehval) && loads.BarScaleMax > 0.0)
        Legend(canvas, [&p, &view, scaleMax = loads.BarScaleMax](const TPageCanvas& c) {
            return PrintSymbolo(p, view.State, "Rutas Fijas", 1, true, scaleMax, c);
        });
}

// ---------------------------------------------------------------------------
// Legends

QRect PrintSymbolo(QPainter& p, const TViewState& u, const std::string& caption, int n, bool barForm, double scaleMax,
                   const TPageCanvas& canvas, const std::array<uint32_t, MaxShownVars>* colours)
{
    const double F = Factor(u);
    const double P = u.PixsVol;
    p.save();
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    const QString qcaption = TMapPainter::DisplayText(caption);
    QFont font = GrowFont(u, p, qcaption, u.RangeSymbolSize * F);
    p.setFont(font);
    const int s = font.pointSize();
    const int cy = Extent(p, qcaption).height();
    const int E = n > 1 ? Round((cy + 2) * n + 2.0) : 0;
    const int H = Round((P + 10 + 2 * u.RangeSymbolSize) * F) + E;
    const int W = barForm ? Round(240 * F) : Round(175 * F);
    // The caption centred over the box and, with several variables, their
    // titles beside the swatches: the block they make with the box is placed
    // as one, so none of them leaves the page or meets the stamp.
    QFont big = font;
    big.setPointSize(s + 1);
    FitFontToWidth(p, big, qcaption, ZelPrinter::PageWidth() - 2);
    const QSize capExtent = Extent(p, big, qcaption);
    const std::vector<std::string> titles = n > 1 ? ZelUtils::SplitString(caption, '/') : std::vector<std::string>();
    int right = std::max(W, Round((W + capExtent.width()) / 2.0));
    for (const std::string& t : titles)
        right = std::max(right, Round(65 * F) + Extent(p, QString::fromStdString(ZelUtils::Trim(t))).width());
    const int left = std::min(0, Round((W - capExtent.width()) / 2.0));
    const QSize block(right - left, std::max(cy + H, capExtent.height()));
    const QPoint corner =
        PlaceLegendBlock(u, LegendAnchor(u, canvas, canvas.BarLegend, false, block.width(), block.height()), block,
                         canvas);
    const int X0 = corner.x() - left, Y0 = corner.y() + cy;

    // White ground, so the legend reads over the map.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRect(QPoint(X0, Y0 + cy + Round(2 * F)), QPoint(X0 + W, Y0 + H)));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(X0, Y0 + cy + Round(2 * F)), QPoint(X0 + W, Y0 + H)));
    const int B = Y0 - E + H;
    p.drawLine(X0, B, X0 + W, B);
    p.setFont(big);
    TextOut(p, Round(X0 + (W - capExtent.width()) / 2.0), Y0 - cy, qcaption);
    p.setFont(font);

    const QColor penColor = ToQColor(u.ModePenColors[size_t(std::clamp(u.RangeMode, 0, MaxRangeModes))]);
    const QColor brushColor = ToQColor(u.ModeBrushColors[size_t(std::clamp(u.RangeMode, 0, MaxRangeModes))]);
    const double base = B - 5 * F;
    auto bar = [&](int x1, int x2, double top, const QColor& c) {
        p.setPen(QPen(ToQColor(clSilver), 1));
        p.setBrush(c);
        p.drawRect(QRect(QPoint(x1, Round(top)), QPoint(x2, Round(base))));
    };
    auto text = [&](int x, double y, const std::string& t) {
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        TextOut(p, x, Round(y), QString::fromStdString(t));
    };
    if (barForm) {
        bar(Round(5 * F) + X0, Round(70 * F) + X0, B - 5 * F - 1.1 * P * F, brushColor);
        for (int k = 0; k < 3; ++k)
            bar(Round(70 * F + 55 * k * F) + X0, Round(125 * F + 55 * k * F) + X0, base - P * F * (3 - k) / 3.0,
                penColor);
        // The top box stands for what the bars are scaled by, as on the screen's
        // legend: the loads of the lines keep their own maximum whatever link
        // variable gave the view its own.
        text(Round(7 * F) + X0, B - F - 1.1 * P * F - cy, "> " + FormatValue(u, scaleMax));
        for (int k = 0; k < 3; ++k)
            text(Round(72 * F + 55 * k * F) + X0, B - F - P * F * (3 - k) / 3.0 - cy,
                 FormatValue(u, (3 - k) / 3.0 * scaleMax));
    } else {
        for (int k = 0; k < 3; ++k)
            bar(Round(5 * F + 55 * k * F) + X0, Round(60 * F + 55 * k * F) + X0, base - P * F * (3 - k) / 3.0,
                penColor);
        for (int k = 0; k < 3; ++k)
            text(Round(7 * F + 55 * k * F) + X0, B - F - P * F * (3 - k) / 3.0 - cy,
                 FormatValue(u, (3 - k) / 3.0 * scaleMax));
    }
    if (n > 1) {
        for (int j = 0; j < n; ++j) {
            // Line j from the bottom: the last caption lowest.
            const int index = n - 1 - j;
            p.setPen(Qt::black);
            p.setBrush(ToQColor((colours ? *colours : u.VarColors)[size_t(std::clamp(index, 0, MaxShownVars - 1))]));
            p.drawRect(QRect(QPoint(Round(5 * F) + X0, Y0 + H - Round(cy * (j + 1.0))),
                             QPoint(Round(60 * F) + X0, Y0 + H - Round(cy * j + 2.0))));
            if (size_t(index) < titles.size())
                text(Round(65 * F) + X0, Y0 + H + 2 - Round((j + 1.0) * cy),
                     ZelUtils::Trim(titles[size_t(index)]));
        }
    }
    p.restore();
    return QRect(corner, block);
}

QRect PrintRangeLegend(QPainter& p, const TViewState& view, const std::string& title, const TPageCanvas& canvas,
                       const TRangeArray* classTable)
{
    const double F = Factor(view);
    p.save();
    ZelPrinter::Painter().PenMode = TPenMode::Copy;
    // The classes a value can fall in, as the map's legend lists them.
    const TRangeArray& table = classTable ? *classTable : view.RangeTable;
    std::vector<int32_t> classes = Ranges::LegendClasses(table, view.NumRanges);
    if (classes.empty())
        classes.push_back(0);
    const std::string fmt = Ranges::LegendEntryFormat(table, classes, view.NumFormat.Decimals);
    const int last = static_cast<int>(classes.size()) - 1;
    std::vector<QString> texts;
    for (int i = 0; i <= last; ++i) {
        const TRangeClass& rc = table[size_t(classes[size_t(i)])];
        texts.push_back(QString::fromStdString(ZelUtils::Format(fmt.c_str(), double(rc.Low), double(rc.High))));
    }
    const double u = view.RangeSymbolSize * 0.33 * F;
    QFont font = GrowFont(view, p, texts.back(), view.RangeSymbolSize * F);
    p.setFont(font);
    const int s = font.pointSize();
    int cx = 0;
    for (const QString& t : texts)
        cx = std::max(cx, Extent(p, t).width());
    const int Wl = std::max(Round(9 * u + cx), 28);
    // The frame reaches below the last entry, however many there are.
    const int Hl = std::max(Round(30 * u), Round(4 * u * (last + 2) + 2 * u));
    // The title, centred over the frame, may be wider than it: the block of
    // both is what stays on the page and clear of the stamp.
    QFont big = font;
    big.setPointSize(Round(s * 1.5));
    const QString qtitle = TMapPainter::DisplayText(title);
    FitFontToWidth(p, big, qtitle, ZelPrinter::PageWidth() - 2);
    const QSize titleExtent = Extent(p, big, qtitle);
    const int left = std::min(0, Round((Wl - titleExtent.width()) / 2.0));
    const int right = std::max(Wl, Round((Wl + titleExtent.width()) / 2.0));
    const QSize block(right - left, std::max(Hl, titleExtent.height()));
    const QPoint corner =
        PlaceLegendBlock(view, LegendAnchor(view, canvas, canvas.RangeLegend, true, block.width(), block.height()),
                         block, canvas);
    const int X0 = corner.x() - left, Y0 = corner.y();
    const QRect frame(QPoint(X0, Y0 + Round(5 * u)), QPoint(X0 + Wl, Y0 + Hl));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(frame);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    p.setFont(big);
    TextOut(p, Round(X0 + (Wl - titleExtent.width()) / 2.0), Y0, qtitle);
    p.setFont(font);
    for (int k = 0; k <= last; ++k) {
        const TRangeClass& rc = table[size_t(classes[size_t(k)])];
        const int i = k + 1;
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(ToQColor(rc.Color));
        p.drawRect(QRect(QPoint(Round(u) + X0, Round(4 * u * i + 3 * u) + Y0),
                         QPoint(Round(7 * u) + X0, Round(4 * u * i + 4 * u) + Y0)));
        p.setBrush(Qt::NoBrush);
        TextOut(p, Round(8 * u) + X0, Round(4 * u * i + 2 * u) + Y0, texts[size_t(k)]);
        if (!rc.Active) {
            p.drawLine(Round(u) + X0, Round(4 * u * i + 2 * u) + Y0, Round(7 * u) + X0, Round(4 * u * i + 5 * u) + Y0);
            p.drawLine(Round(u) + X0, Round(4 * u * i + 5 * u) + Y0, Round(7 * u) + X0, Round(4 * u * i + 2 * u) + Y0);
        }
    }
    p.restore();
    return QRect(corner, block);
}

namespace {

// The title block's lines at paper size: its font, the top left corner of its
// first line, the line step and the box it covers on a page of pageW x pageH.
struct TTitleBlock {
    QFont font;
    int x = 0, y = 0, cy = 0;
    QRect box;
};

TTitleBlock TitleBlock(const TViewState& view, QPainter& p, const QStringList& lines, const QFont& titleFont, int position,
                       int pageW, int pageH)
{
    TTitleBlock b;
    b.font = titleFont;
    const double size = titleFont.pointSizeF() > 0 ? titleFont.pointSizeF() : titleFont.pixelSize() * 72.0 / 96.0;
    b.font.setPointSize(FontScaled(view, size));
    int w = 0;
    for (const QString& line : lines)
        w = std::max(w, Extent(p, b.font, line).width());
    b.cy = Extent(p, b.font, QStringLiteral("Ag")).height();
    const int pos = std::clamp(position, 1, 6);
    b.x = 10;
    if (pos == 2 || pos == 5)
        b.x = Round((pageW - w) / 2.0);
    else if (pos == 3 || pos == 6)
        b.x = pageW - w - 10;
    // A bottom block keeps the same 10-pixel margin as a top one: its last line
    // whole on the page, descenders included.
    b.y = pos <= 3 ? 10 : pageH - Round(lines.size() * b.cy * 1.1 + 10);
    b.box = QRect(b.x, b.y, w, Round((lines.size() - 1) * b.cy * 1.1) + b.cy);
    return b;
}

QStringList TitleLines(const TViewSnapshot& view)
{
    QStringList lines;
    if (view.HasTitle)
        for (const std::string& line : view.TitleLines)
            lines.push_back(QString::fromStdString(line));
    return lines;
}

} // namespace

void PrintTitulos(QPainter& p, const TViewState& view, const QStringList& lines, const QFont& titleFont,
                  const QColor& color, int position, int pageW, int pageH)
{
    if (lines.isEmpty())
        return;
    p.save();
    p.setBrush(Qt::NoBrush);
    const TTitleBlock b = TitleBlock(view, p, lines, titleFont, position, pageW, pageH);
    p.setFont(b.font);
    p.setPen(color);
    for (qsizetype i = 0; i < lines.size(); ++i)
        TextOut(p, b.x, b.y + Round(double(i) * b.cy * 1.1), lines[i]);
    p.restore();
}

void PrintPage(QPainter& p, const TViewSnapshot& view, QSize pageSize, const TPageCanvas& mapCanvas)
{
    // The legends keep clear of the title block too.
    const QStringList titles = TitleLines(view);
    TPageCanvas kept = mapCanvas;
    if (!titles.isEmpty())
        kept.Kept.push_back(
            TitleBlock(view.State, p, titles, view.TitleFont, view.State.TitlePos, pageSize.width(), pageSize.height())
                .box);
    // The layers drawn at paper sizes draw from copies of the view that carry
    // them: the zone bars keep their map size (the ratio of the page's scale to
    // the map canvas's), the rest follow the factor.
    const TViewSnapshot paper = OnPaper(view), paperBars = OnPaper(view, MapBarScale(kept));
    TMapPainter& page = ZelPrinter::Painter();
    ZelPrinter::ResetLabels();
    std::vector<std::function<QRect(const TPageCanvas&)>> legends;
    kept.Legends = &legends;
    for (const TMapLayer layer : MapLayerOrder) {
        // The page's label store, emptied at fixed points of the order whatever
        // is drawn: the zone numbers and the polygon names on top may cover other
        // labels, the values too with "Sobreescrito"; the rest keep apart.
        switch (layer) {
        case TMapLayer::Poligonos:
        case TMapLayer::NameNodes:
            ZelPrinter::ResetLabelsOff();
            break;
        case TMapLayer::Values:
            ZelPrinter::ResetLabels();
            if (!view.Sobreescrito)
                ZelPrinter::ResetLabelsOff();
            break;
        case TMapLayer::Calles:
            ZelPrinter::ResetLabels();
            ZelPrinter::ResetLabelsOff();
            break;
        case TMapLayer::NamePoligonos:
            ZelPrinter::ResetLabels();
            break;
        default:
            break;
        }
        if (!view.Shows(layer))
            continue;
        switch (layer) {
        case TMapLayer::Zonas:
            DrawZonas(page, paperBars);
            break;
        case TMapLayer::Poligonos:
            DrawPoligonos(page, paper);
            break;
        case TMapLayer::Solera:
            DrawSolera(page, paper);
            break;
        case TMapLayer::Atributos:
            PrintAtributos(p, view, kept);
            break;
        case TMapLayer::Colores:
            PrintMapaColores(p, view, kept);
            break;
        case TMapLayer::EntSal:
            DrawEntSal(page, paperBars);
            break;
        case TMapLayer::MovimLinks:
            PrintMovimLinks(p, view, kept);
            break;
        case TMapLayer::Lineas:
            PrintLineas(p, view, kept);
            break;
        case TMapLayer::Red:
            PrintNetWork(p, view);
            break;
        case TMapLayer::Carriles:
            PrintNetWorkLanes(p, view);
            break;
        case TMapLayer::Arrows:
            PrintArrows(p, view);
            break;
        case TMapLayer::Nodes:
            PrintNodes(p, view);
            break;
        case TMapLayer::Cents:
            PrintCents(p, view);
            break;
        case TMapLayer::NameNodes:
            PrintNameNodes(p, view);
            break;
        case TMapLayer::Values:
            PrintValue(p, view);
            break;
        case TMapLayer::Calles:
            PrintCalles(p, view);
            break;
        case TMapLayer::NamePoligonos:
            DrawNamePoligonos(page, paper);
            break;
        }
    }
    // The legends over every layer: no link crosses their text and swatches.
    kept.Legends = nullptr;
    for (const auto& draw : legends)
        kept.Kept.push_back(draw(kept));
    PrintTitulos(p, view.State, titles, view.TitleFont, view.TitleColor, view.State.TitlePos, pageSize.width(),
                 pageSize.height());
}

} // namespace PrintLayers
