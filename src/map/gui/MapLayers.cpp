// The network layers as the main window draws them, the title block and the
// stamp of a map picture saved as a file.
#include "map/gui/MapLayers.h"

#include "map/DrawState.h"
#include "model/KDVvars.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Applies a pen mode for a stretch of drawing and puts the previous one back.
class TPenModeScope {
public:
    TPenModeScope(TMapPainter& img, TPenMode mode) : img_(img), saved_(img.PenMode) { img.PenMode = mode; }
    ~TPenModeScope() { img_.PenMode = saved_; }

private:
    TMapPainter& img_;
    TPenMode saved_;
};

} // namespace

TNetworkOptions LayerOptions(const TViewSnapshot& view, const TMapPainter& target)
{
    TNetworkOptions o;
    if (view.Options) {
        o.ArcosColor = view.ArcosColor;
        o.BlockedColor = view.BlockedColor;
        o.AccesoColor = view.AccesoColor;
        o.ArrowsColor = view.ArrowsColor;
        o.NodosColor = view.NodosColor;
    }
    o.OnlySelection = view.State.Sel;
    o.SimpleArrow = view.SimpleArrow;
    o.ColorNode = view.ColorNode;
    o.Semaforos = view.Semaforos;
    o.ShowLanes = view.State.ShowLanes;
    o.KeepHitRegions = target.MainMap;
    o.View = &view.State;
    return o;
}

void DrawNetWork(TMapPainter& Img, const TViewSnapshot& view) { DrawLayers::DrawNetWork(Img, LayerOptions(view, Img)); }
void DrawNetWorkLanes(TMapPainter& Img, const TViewSnapshot& view)
{
    DrawLayers::DrawNetWorkLanes(Img, LayerOptions(view, Img));
}
void DrawArrows(TMapPainter& Img, const TViewSnapshot& view) { DrawLayers::DrawArrows(Img, LayerOptions(view, Img)); }
void DrawNodes(TMapPainter& Img, const TViewSnapshot& view) { DrawLayers::DrawNodes(Img, LayerOptions(view, Img)); }
void DrawCents(TMapPainter& Img, const TViewSnapshot& view) { DrawLayers::DrawCents(Img, LayerOptions(view, Img)); }
void DrawNameNodes(TMapPainter& Img, const TViewSnapshot& view)
{
    DrawLayers::DrawNameNodes(Img, LayerOptions(view, Img));
}
void DrawCalles(TMapPainter& Img, const TViewSnapshot& view) { DrawLayers::DrawCalles(Img, LayerOptions(view, Img)); }

void DrawTitulos(TMapPainter& Img, const TViewSnapshot& view)
{
    if (!view.HasTitle)
        return;
    QStringList lines;
    for (const std::string& line : view.TitleLines)
        lines.push_back(QString::fromStdString(line));
    DrawLayers::DrawTitulos(Img, lines, view.TitleFont, view.TitleColor, view.State.TitlePos);
}

void DrawStamp(TMapPainter& img)
{
    QPainter* p = img.Canvas();
    if (!p)
        return;
    const QFont savedFont = p->font();
    const QBrush savedBrush = p->brush();
    const QColor savedColor = img.FontColor;
    const bool savedOverlap = img.AllowLabelOverlap;
    QFont stamp(QStringLiteral("Times New Roman"));
    stamp.setPointSize(10);
    stamp.setBold(true);
    p->setFont(stamp);
    p->setBrush(Qt::NoBrush);
    img.FontColor = QColor(0x80, 0x80, 0x80);
    img.AllowLabelOverlap = true;
    {
        TPenModeScope mode(img, TPenMode::Not);
        img.LabelAt(0, GeneratedBy, img.PixelToWorldX(4), img.PixelToWorldY(3), 0, 0);
    }
    img.AllowLabelOverlap = savedOverlap;
    img.FontColor = savedColor;
    p->setBrush(savedBrush);
    p->setFont(savedFont);
}

QCursor MapToolCursor(int tool)
{
    switch (tool) {
    case 1:
        return QCursor(Qt::CrossCursor);
    case 2: {
        // A magnifying glass: a ring with a handle, hot spot in the middle of the lens.
        QPixmap glass(32, 32);
        glass.fill(Qt::transparent);
        QPainter p(&glass);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 4));
        p.drawEllipse(QRectF(3, 3, 16, 16));
        p.drawLine(QPointF(17, 17), QPointF(28, 28));
        p.setPen(QPen(Qt::black, 2));
        p.drawEllipse(QRectF(3, 3, 16, 16));
        p.setPen(QPen(Qt::black, 3));
        p.drawLine(QPointF(17, 17), QPointF(28, 28));
        p.end();
        return QCursor(glass, 11, 11);
    }
    case 3:
        return QCursor(Qt::OpenHandCursor);
    default:
        return QCursor(Qt::ArrowCursor);
    }
}
