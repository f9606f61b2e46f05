// Shape editing of one link (CurveLink) on the map: its shape points and the
// midpoints between them are handles; dragging a point handle moves the point,
// dragging a midpoint inserts one, Ctrl+click deletes a point, and Shift held at
// the release shifts the whole shape. The curve tool (tbCurve) offers only the
// interior handles, so that the link keeps its ends on its nodes.
#include "mainwindow/MapEditController.h"
#include "mainwindow/PalvonViewer.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/NodeMoves.h"
#include "model/ViewerServices.h"
#include "model/ZelUtilsGeometry.h"

#include <QAction>
#include <QPainter>

namespace {

constexpr int NumCurveRegions = 601;

bool ValidLink(int32_t k) { return k > 0 && k <= Network.LinkCount; }

// A shape changed on the map is unsaved until "Grabar SIG" writes it: its item
// shows, and the question before the network is left finds it there.
void ShapeChanged(TWindowHost& window) { window.Action(Cmd::GrabarSIG)->setVisible(true); }

// The dragged handle's circle, drawn twice to remove it.
void DrawHandleCircle(TOxrImage& img, const TPoint& p)
{
    QPainter* c = img.Canvas();
    if (!c)
        return;
    c->save();
    c->setPen(QPen(QColor(255, 0, 0), 1));
    c->setBrush(Qt::NoBrush);
    const TPenMode saved = img.PenMode;
    img.PenMode = TPenMode::NotXor;
    img.Circle(p.x, p.y, -UserView().NodeSize);
    img.PenMode = saved;
    c->restore();
}

} // namespace

void TMapEditController::StartCurving()
{
    CurveRegions.assign(NumCurveRegions, QRegion());
    if (!ValidLink(CurveLink))
        return;
    TOxrImage* img = viewer_.img;
    const TArcos& a = Arcos[CurveLink];
    QPainter* c = img->Canvas();
    const int32_t handles = std::min(KDVlib::ShapeHandleCount(a), NumCurveRegions);
    for (int32_t h = 0; h < handles; ++h) {
        const TPoint p = KDVlib::ShapeHandlePoint(a, h);
        if (c) {
            c->save();
            const QColor color = h % 2 == 0 ? QColor(128, 128, 128) : QColor(192, 192, 192);
            c->setPen(color);
            c->setBrush(color);
            img->PenMode = TPenMode::Copy;
            img->Circle(p.x, p.y, -UserView().NodeSize);
            c->restore();
        }
        CurveRegions[static_cast<size_t>(h)] = img->CircleRegion(p, UserView().NodeSize + 2);
    }
}

void TMapEditController::tbCurveClick()
{
    if (!viewer_.CommandOn(Cmd::tbCurve)) {
        viewer_.img->unsetCursor();
        viewer_.RedrawMap();
    } else {
        StartCurving();
    }
}

void TMapEditController::CurveHover(int X, int Y, bool& hit)
{
    hit = false;
    if (!ValidLink(CurveLink)) {
        // Escape ended the editing: no drag of it survives.
        HoverCurveLink = HoverCurveHandle = CurveDrag = 0;
        CurveVertex = -1;
        CurveVertexDrag = false;
        return;
    }
    const int32_t handles = std::min<int32_t>(KDVlib::ShapeHandleCount(Arcos[CurveLink]),
                                              static_cast<int32_t>(CurveRegions.size()));
    const QPoint at(X, Y);
    if (viewer_.CommandOn(Cmd::tbCurve) && CurveDrag == 0) {
        HoverCurveLink = 0;
        // The end handles stay on the nodes: the tool offers the interior ones.
        for (int32_t h = 1; h <= handles - 2; ++h)
            if (CurveRegions[static_cast<size_t>(h)].contains(at)) {
                HoverCurveLink = CurveLink;
                HoverCurveHandle = h;
                viewer_.img->setCursor(Qt::SizeAllCursor);
                hit = true;
                return;
            }
    }
    if (!CurveVertexDrag) {
        CurveVertex = -1;
        viewer_.img->unsetCursor();
        for (int32_t h = 0; h < handles; ++h)
            if (CurveRegions[static_cast<size_t>(h)].contains(at)) {
                CurveVertex = h;
                viewer_.img->setCursor(Qt::SizeAllCursor);
                hit = true;
                return;
            }
    }
}

void TMapEditController::CurvePress(bool interiorHandle, double x, double y)
{
    if (interiorHandle) {
        if (CurveDrag == 0) {
            CurveDrag = HoverCurveLink;
            PressPoint = AuxPoint = {x, y};
            DrawHandleCircle(*viewer_.img, AuxPoint);
        }
        return;
    }
    if (CurveVertexDrag || !ValidLink(CurveLink))
        return;
    if (ZelUtils::CtrlDown()) {
        // Ctrl on a point handle deletes the point; the ends and a midpoint are refused.
        if (CurveVertex % 2 == 0 && KDVlib::DeleteShapePoint(Arcos[CurveLink], CurveVertex)) {
            CurveVertex = -1;
            ShapeChanged(viewer_);
            viewer_.RedrawMap();
        }
        return;
    }
    CurveVertexDrag = true;
    PressPoint = AuxPoint = {x, y};
    DrawHandleCircle(*viewer_.img, AuxPoint);
}

void TMapEditController::CurveFollow(double x, double y)
{
    if (CurveDrag > 0 || CurveVertexDrag) {
        DrawHandleCircle(*viewer_.img, AuxPoint);
        AuxPoint = {x, y};
        DrawHandleCircle(*viewer_.img, AuxPoint);
    }
}

bool TMapEditController::CurveHandleDragged() { return HoverCurveLink > 0 && HoverCurveHandle > 0 && CurveDrag > 0; }

bool TMapEditController::ShapeVertexDragged() { return CurveLink > 0 && CurveVertex >= 0 && CurveVertexDrag; }

void TMapEditController::CurveRelease(bool interiorHandle, double x, double y)
{
    DrawHandleCircle(*viewer_.img, AuxPoint);
    const TPoint at{x, y};
    // A click that never left the pixel it pressed is no drag: it inserts no point
    // and moves none to the pixel clicked.
    const bool moved = x != PressPoint.x || y != PressPoint.y;
    if (interiorHandle) {
        if (moved && ValidLink(HoverCurveLink)) {
            TArcos& a = Arcos[HoverCurveLink];
            if (KDVlib::DropShapeHandle(a, HoverCurveHandle, at)) {
                KDVlib::SetBearingB(a);
                ShapeChanged(viewer_);
            } else
                Services().ShowMessage("El arco ya tiene el máximo de 12 puntos");
        }
        HoverCurveHandle = HoverCurveLink = CurveDrag = 0;
        viewer_.RedrawMap();
        return;
    }
    if (moved && ValidLink(CurveLink)) {
        TArcos& a = Arcos[CurveLink];
        if (ZelUtils::ShiftDown()) {
            KDVlib::ShiftShape(a, x - PressPoint.x, y - PressPoint.y);
            ShapeChanged(viewer_);
        } else if (KDVlib::DropShapeHandle(a, CurveVertex, at))
            ShapeChanged(viewer_);
        else
            Services().ShowMessage("El arco ya tiene el máximo de 12 puntos");
    }
    CurveVertex = -1;
    CurveVertexDrag = false;
    viewer_.RedrawMap();
}
