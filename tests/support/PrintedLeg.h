#pragma once
// The page last rendered for printing, sampled across the middle of the link
// between two nodes: what a route or a link leaves there on paper.
#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "printing/ZelPrinter.h"

#include <QImage>
#include <QPainter>
#include <QPointF>

#include <cmath>

namespace testutil {

struct TLegScan {
    QImage page;
    QPointF mid, across; // the leg's middle and the unit step across it, in page pixels
    // The pixel t steps across the leg from its middle.
    QRgb At(int t) const { return page.pixel((mid + t * across).toPoint()); }
};

inline TLegScan ScanAcrossLeg(const TPrintedPage& printed, int32_t fromNode, int32_t toNode)
{
    TLegScan s;
    s.page = QImage(printed.PrintPictureWidth, printed.PrintPictureHeight, QImage::Format_RGB32);
    s.page.fill(Qt::white);
    {
        QPainter p(&s.page);
        printed.PrintPicture.Play(p);
    }
    const TNodo& a = Nodos[KDVlib::FindNodo(fromNode)];
    const TNodo& b = Nodos[KDVlib::FindNodo(toNode)];
    const QPointF pa(ZelPrinter::WorldToPixelX(a.X), ZelPrinter::WorldToPixelY(a.Y));
    const QPointF pb(ZelPrinter::WorldToPixelX(b.X), ZelPrinter::WorldToPixelY(b.Y));
    s.mid = (pa + pb) / 2;
    s.across = QPointF(pa.y() - pb.y(), pb.x() - pa.x());
    s.across /= std::hypot(s.across.x(), s.across.y());
    return s;
}

} // namespace testutil
