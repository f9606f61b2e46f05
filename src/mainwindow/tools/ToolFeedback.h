#pragma once
// The tools' feedback on the map: figures drawn in not-xor (drawing one twice
// removes it) and the status text of a drag.
#include "map/gui/OxrImage.h"
#include "model/PalvonVars.h" // TPoint
#include "model/ZelUtils.h"

#include <QPainter>
#include <QPen>
#include <QString>

#include <cmath>
#include <numbers>
#include <string>

namespace MapToolFeedback {

// Draws with `pen` in not-xor pen mode and a hollow brush.
template <class F>
void XorDraw(TOxrImage& img, const QPen& pen, F draw)
{
    QPainter* c = img.Canvas();
    if (!c)
        return;
    c->save();
    c->setPen(pen);
    c->setBrush(Qt::NoBrush);
    const TPenMode saved = img.PenMode;
    img.PenMode = TPenMode::NotXor;
    draw();
    img.PenMode = saved;
    c->restore();
}

inline QPen RedPen(Qt::PenStyle style = Qt::SolidLine) { return QPen(QColor(255, 0, 0), 1, style); }

inline QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// Length and compass bearing of the segment from -> to.
inline QString SegmentText(const TPoint& from, const TPoint& to)
{
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    double bearing = 90.0 - std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    if (bearing < 0)
        bearing += 360.0;
    return Qs(ZelUtils::Format("  longitud: %.1fm  dirección: %.1f°", std::hypot(dx, dy), bearing));
}

} // namespace MapToolFeedback
