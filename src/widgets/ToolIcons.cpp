#include "widgets/ToolIcons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <cmath>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor Ink(40, 40, 40);
const QColor Road(90, 90, 90);
const QColor Accent(30, 110, 200);
const QColor Warm(220, 120, 20);

void Arrow(QPainter& p, QPointF from, QPointF to, double head = 5)
{
    p.drawLine(from, to);
    double a = std::atan2(to.y() - from.y(), to.x() - from.x());
    QPolygonF tip;
    tip << to << to - QPointF(head * std::cos(a - 0.5), head * std::sin(a - 0.5))
        << to - QPointF(head * std::cos(a + 0.5), head * std::sin(a + 0.5));
    p.setBrush(p.pen().color());
    p.drawPolygon(tip);
}

void Grid(QPainter& p)
{
    p.setPen(QPen(Road, 1.5));
    p.drawLine(QPointF(3, 8), QPointF(21, 8));
    p.drawLine(QPointF(3, 16), QPointF(21, 16));
    p.drawLine(QPointF(8, 3), QPointF(8, 21));
    p.drawLine(QPointF(16, 3), QPointF(16, 21));
}

void Lens(QPainter& p, const QString& sign)
{
    p.setPen(QPen(Ink, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
    p.setPen(QPen(Accent, 2));
    if (sign.contains('+') || sign.contains('-'))
        p.drawLine(QPointF(7, 10), QPointF(13, 10));
    if (sign.contains('+'))
        p.drawLine(QPointF(10, 7), QPointF(10, 13));
}

void Letters(QPainter& p, const QString& text, QColor colour = Ink)
{
    QFont f("DejaVu Sans", text.size() > 2 ? 7 : 9, QFont::Bold);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, text);
}

const QHash<QString, Draw>& Drawings()
{
    static const QHash<QString, Draw> d = {
        {"aFileOpen",
         [](QPainter& p) {
             p.setPen(QPen(Ink, 1.2));
             p.setBrush(QColor(250, 210, 110));
             p.drawRect(QRectF(3, 8, 18, 12));
             p.drawRect(QRectF(3, 5, 8, 3));
             Letters(p, "R");
         }},
        {"tbOpenDat",
         [](QPainter& p) {
             p.setPen(QPen(Ink, 1.2));
             p.setBrush(QColor(235, 235, 235));
             p.drawRect(QRectF(5, 3, 14, 18));
             for (int y = 7; y <= 17; y += 3)
                 p.drawLine(QPointF(8, y), QPointF(16, y));
         }},
        {"tbZoomFirst",
         [](QPainter& p) {
             Grid(p);
             p.setPen(QPen(Accent, 1.5));
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(2, 2, 20, 20));
         }},
        {"tbZoomIn", [](QPainter& p) { Lens(p, "+"); }},
        {"tbZoomOut", [](QPainter& p) { Lens(p, "-"); }},
        {"tbZoom", [](QPainter& p) { Lens(p, ""); }},
        {"tbZoomSel",
         [](QPainter& p) {
             Lens(p, "");
             p.setPen(QPen(QColor(220, 30, 30), 2));
             p.drawLine(QPointF(7, 12), QPointF(13, 8));
         }},
        {"tbMove",
         [](QPainter& p) {
             p.setPen(QPen(Ink, 1.6));
             Arrow(p, {12, 12}, {12, 2});
             Arrow(p, {12, 12}, {12, 22});
             Arrow(p, {12, 12}, {2, 12});
             Arrow(p, {12, 12}, {22, 12});
         }},
        {"tbCurve",
         [](QPainter& p) {
             QPainterPath path(QPointF(3, 19));
             path.cubicTo(QPointF(8, 2), QPointF(16, 22), QPointF(21, 5));
             p.setPen(QPen(Road, 2));
             p.drawPath(path);
         }},
        {"tbArrows",
         [](QPainter& p) {
             p.setPen(QPen(Ink, 2));
             Arrow(p, {3, 16}, {21, 8}, 7);
         }},
        {"tbNodes",
         [](QPainter& p) {
             p.setPen(QPen(Road, 1.5));
             p.drawLine(QPointF(4, 18), QPointF(20, 6));
             p.setPen(QPen(Ink, 1));
             p.setBrush(QColor(250, 230, 60));
             p.drawEllipse(QPointF(4.5, 17.5), 3, 3);
             p.drawEllipse(QPointF(12, 12), 3, 3);
             p.drawEllipse(QPointF(19.5, 6.5), 3, 3);
         }},
        {"tbNameNodes", [](QPainter& p) { Letters(p, "12"); }},
        {"tbCalles", [](QPainter& p) { Letters(p, "Abc"); }},
        {"tbCents",
         [](QPainter& p) {
             p.setPen(QPen(QColor(30, 140, 60), 1.2));
             p.drawLine(QPointF(12, 8), QPointF(4, 20));
             p.drawLine(QPointF(12, 8), QPointF(20, 20));
             p.setPen(QPen(Ink, 1));
             p.setBrush(QColor(250, 240, 60));
             QPolygonF t;
             t << QPointF(12, 2) << QPointF(6, 12) << QPointF(18, 12);
             p.drawPolygon(t);
         }},
        {"tbLanes",
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(190, 190, 190));
             p.drawRect(QRectF(2, 6, 20, 12));
             p.setPen(QPen(Qt::white, 1, Qt::DashLine));
             p.drawLine(QPointF(2, 12), QPointF(22, 12));
         }},
        {"tbAtributos",
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(Accent);
             p.drawRect(QRectF(3, 14, 5, 7));
             p.drawRect(QRectF(10, 8, 5, 13));
             p.drawRect(QRectF(17, 4, 5, 17));
         }},
        {"tbColores",
         [](QPainter& p) {
             const QColor c[] = {QColor(0, 200, 255), QColor(120, 230, 120), QColor(255, 170, 0), QColor(230, 30, 30)};
             for (int i = 0; i < 4; ++i) {
                 p.setPen(QPen(c[i], 3));
                 p.drawLine(QPointF(3 + i * 5, 20 - i * 4), QPointF(8 + i * 5, 16 - i * 4));
             }
         }},
        {"tbValues", [](QPainter& p) { Letters(p, "1.5", Accent); }},
        {"tbMovimValues", [](QPainter& p) { Letters(p, "m", Accent); }},
        {"tbMovimLinks",
         [](QPainter& p) {
             p.setPen(QPen(Warm, 2));
             Arrow(p, {6, 21}, {6, 10});
             QPainterPath path(QPointF(6, 10));
             path.quadTo(QPointF(6, 4), QPointF(18, 5));
             p.setBrush(Qt::NoBrush);
             p.drawPath(path);
         }},
        {"tbZonas",
         [](QPainter& p) {
             p.setPen(QPen(QColor(30, 140, 60), 1.2));
             p.setBrush(QColor(200, 235, 200));
             QPolygonF z;
             z << QPointF(3, 5) << QPointF(14, 3) << QPointF(21, 10) << QPointF(17, 21) << QPointF(5, 18);
             p.drawPolygon(z);
         }},
        {"tbSolera",
         [](QPainter& p) {
             p.setPen(QPen(QColor(150, 150, 150), 1.5));
             for (int y = 6; y <= 18; y += 6)
                 p.drawLine(QPointF(2, y), QPointF(22, y + 2));
         }},
        {"tbPoligonos",
         [](QPainter& p) {
             p.setPen(QPen(QColor(30, 140, 60), 1.6));
             p.setBrush(Qt::NoBrush);
             QPolygonF z;
             z << QPointF(4, 6) << QPointF(19, 3) << QPointF(21, 19) << QPointF(7, 20);
             p.drawPolygon(z);
         }},
        {"tbLineas",
         [](QPainter& p) {
             p.setPen(QPen(QColor(200, 30, 140), 2.5));
             p.drawPolyline(QPolygonF() << QPointF(2, 18) << QPointF(9, 8) << QPointF(15, 14) << QPointF(22, 4));
         }},
        {"tbSel",
         [](QPainter& p) {
             p.setPen(QPen(QColor(220, 30, 30), 3));
             p.drawLine(QPointF(3, 19), QPointF(21, 5));
         }},
        {"tbTit", [](QPainter& p) { Letters(p, "T"); }},
    };
    return d;
}

} // namespace

bool HasToolIcon(const QString& name) { return Drawings().contains(name); }

QIcon ToolIcon(const QString& name, const QString& text)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    auto it = Drawings().find(name);
    if (it != Drawings().end()) {
        it.value()(p);
    } else {
        // No drawing of its own: the first letters of its caption.
        QString t = QString(text).remove(QLatin1Char('&')).trimmed();
        Letters(p, t.left(2));
    }
    p.end();
    return QIcon(pm);
}
