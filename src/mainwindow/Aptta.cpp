#include "mainwindow/Aptta.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

TAptta::TAptta(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setFixedSize(PictureSize);
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

bool TAptta::IsLightPixel(QRgb c) { return qRed(c) >= 201 && qGreen(c) >= 201 && qBlue(c) >= 201; }

QRegion TAptta::BuildRegion(const QImage& picture)
{
    QImage img = picture.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    QRegion region;
    for (int y = 1; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 1;
        while (x < w) {
            while (x < w && IsLightPixel(row[x]))
                ++x;
            if (x < w) {
                int x2 = x;
                while (x2 < w && !IsLightPixel(row[x2]))
                    ++x2;
                region += QRect(x, y, x2 - x, 1);
                x = x2;
            }
        }
    }
    return region;
}

void TAptta::showEvent(QShowEvent* event)
{
    // Before the window reaches the screen: it is never seen unshaped.
    if (picture_.isNull()) {
        picture_ = Picture();
        const QRegion region = BuildRegion(picture_);
        if (!region.isEmpty())
            setMask(region);
    }
    QWidget::showEvent(event);
}

QImage TAptta::Picture()
{
    QImage img(PictureSize, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(20, 20, 710, 238), 40, 40);
    QLinearGradient g(0, 20, 0, 258);
    g.setColorAt(0, QColor(20, 60, 110));
    g.setColorAt(1, QColor(10, 30, 60));
    p.fillPath(shape, g);
    // A small road network motif.
    p.setPen(QPen(QColor(240, 180, 40), 4));
    const QPoint pts[] = {{60, 200}, {150, 120}, {240, 170}, {330, 90}, {420, 150}};
    for (size_t i = 0; i + 1 < std::size(pts); ++i)
        p.drawLine(pts[i], pts[i + 1]);
    p.setBrush(QColor(240, 180, 40));
    for (const QPoint& q : pts)
        p.drawEllipse(q, 7, 7);
    p.setPen(QColor(250, 235, 180)); // not near-white, so the text stays part of the shape
    QFont title("DejaVu Sans", 40, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(300, 50, 420, 80), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Velmora"));
    QFont sub("DejaVu Sans", 13);
    p.setFont(sub);
    p.drawText(QRect(200, 140, 520, 80), Qt::AlignRight | Qt::AlignVCenter | Qt::TextWordWrap,
               QStringLiteral("Asistente Gráfico para la Edición de Redes Palvon"));
    return img;
}

void TAptta::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}
