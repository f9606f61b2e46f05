// The tools of single clicks: the phase window and the flow diagram of the
// junction under the pointer, the two ends of a shortest path, and the ruler.
#include "mainwindow/tools/MapTools.h"
#include "mainwindow/tools/ToolFeedback.h"
#include "map/DisplayStyles.h"
#include "map/gui/MapLayers.h"
#include "model/KDVlibPaths.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"
#include "widgets/WaitCursor.h"

#include <cmath>

using namespace MapToolFeedback;

void TPhasesTool::Press(const TMapMouse&) { viewer_.MapEdit().ShowPhaseWindow(viewer_.MapEdit().HoverNode); }

void TFlowDiagramTool::Press(const TMapMouse&) { viewer_.Analysis().ShowFlowDiagram(viewer_.MapEdit().HoverNode); }

void TPathTool::Arm()
{
    armed_ = true;
    firstDone_ = false;
    viewer_.img->setCursor(Cursor());
}

void TPathTool::Press(const TMapMouse& m)
{
    TOxrImage& img = *viewer_.img;
    const int32_t n = KDVlib::NearestNode(m.x, m.y);
    if (n >= 1 && n <= Network.NodeCount)
        XorDraw(img, QPen(DisplayStyles::ToQColor(ProgramOptions().SeleccionColor), 1),
                [&] { img.Circle(Nodos[n].X, Nodos[n].Y, -(UserView().NodeSize + 2)); });
    if (!firstDone_) {
        KDVlib::PathFrom = n;
        firstDone_ = true;
        img.setCursor(Qt::DragMoveCursor);
        return;
    }
    KDVlib::PathTo = n;
    armed_ = firstDone_ = false;
    img.unsetCursor();
    {
        TWaitCursor wait;
        KDVlib::RutaMinima(KDVlib::PathFrom, KDVlib::PathTo, 0);
    }
    viewer_.Analysis().FillPathGrid(false);
}

void TPathTool::Cancel() { armed_ = firstDone_ = false; }

QCursor TRulerTool::Cursor() const { return MapToolCursor(1); }

void TRulerTool::Arm()
{
    viewer_.img->setCursor(Cursor());
    measuring_ = true;
    clicks_ = 0;
    total_ = 0.0;
}

void TRulerTool::Press(const TMapMouse& m)
{
    ++clicks_;
    TOxrImage& img = *viewer_.img;
    if (QPainter* c = img.Canvas()) {
        c->save();
        c->setPen(RedPen(Qt::DashLine));
        if (clicks_ == 1) {
            img.MoveToW(m.x, m.y);
        } else {
            img.LineToW(m.x, m.y);
            const double d = std::hypot(m.x - last_.x, m.y - last_.y);
            total_ += d;
            viewer_.SetStatusPanel(3, Qs(ZelUtils::Format("distancia: %.2f, acumulada: %.2f", d, total_)));
        }
        c->restore();
    }
    last_ = rubber_ = {m.x, m.y};
}

void TRulerTool::Move(const TMapMouse& m)
{
    if (!measuring_ || clicks_ < 1)
        return;
    TOxrImage& img = *viewer_.img;
    const QPen pen(QColor(255, 0, 0), 1, Qt::DashLine);
    XorDraw(img, pen, [&] { img.LineW(last_.x, last_.y, rubber_.x, rubber_.y); });
    rubber_ = {m.x, m.y};
    XorDraw(img, pen, [&] { img.LineW(last_.x, last_.y, rubber_.x, rubber_.y); });
}
