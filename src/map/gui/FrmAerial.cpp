// The aerial overview window: its picture follows its size, and dragging the
// view rectangle moves the main map's window by the same world distance.
#include "map/gui/FrmAerial.h"
#include "map/ViewState.h"

#include "map/gui/MapHost.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"

#include <QCloseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

TAerialDrag AerialDrag;

TFrmAerial::TFrmAerial(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TFrmAerial"));
    setWindowTitle(QStringLiteral("Vista Aérea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    sbimg = new QScrollArea(this);
    sbimg->setObjectName(QStringLiteral("sbimg"));
    sbimg->setFrameShape(QFrame::NoFrame);
    sbimg->setWidgetResizable(true);
    aimg = new TOxrImage;
    aimg->setObjectName(QStringLiteral("aimg"));
    aimg->resize(229, 209);
    sbimg->setWidget(aimg);
    layout->addWidget(sbimg);
    resize(229, 209);

    connect(aimg, &TOxrImage::OnOxrMouseDown, this, &TFrmAerial::aimgOxrMouseDown);
    connect(aimg, &TOxrImage::OnOxrMouseMove, this, &TFrmAerial::aimgOxrMouseMove);
    connect(aimg, &TOxrImage::OnOxrMouseUp, this, &TFrmAerial::aimgOxrMouseUp);
    connect(aimg, &TOxrImage::onMouseMove, this, [this](const TShiftState&, int X, int Y) { aimgMouseMove(X, Y); });
}

void TFrmAerial::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TFrmAerial::closeEvent(QCloseEvent* event)
{
    // The toolbar button shows the window while it is down: closing raises it.
    if (host_)
        host_->SetCommandOn(Cmd::tbAerial, false);
    QWidget::closeEvent(event);
}

void TFrmAerial::FormResize()
{
    if (host_ && isVisible())
        host_->RedrawAerial();
}

void TFrmAerial::aimgMouseMove(int X, int Y)
{
    if (ViewRegion.contains(QPoint(X, Y)))
        aimg->setCursor(Qt::DragMoveCursor);
    else
        aimg->unsetCursor();
}

// The dashed frame of the drag, drawn in not-xor so that drawing it again removes it.
void TFrmAerial::DrawDragFrame()
{
    QPainter* c = aimg->Canvas();
    if (!c)
        return;
    c->setPen(QPen(Qt::red, 1, Qt::DashLine));
    c->setBrush(Qt::NoBrush);
    aimg->PenMode = TPenMode::NotXor;
    aimg->PolylinePtArray(AerialDrag.Points, 4);
    aimg->PenMode = TPenMode::Copy;
}

void TFrmAerial::aimgOxrMouseDown(Qt::MouseButton, const TShiftState&, int i, int j, double x, double y)
{
    if (AerialDrag.Dragging || !ViewRegion.contains(QPoint(i, j)))
        return;
    AerialDrag.Dragging = true;
    TPoint* p = AerialDrag.Points;
    p[0] = {XFrom, YFrom};
    p[1] = {XTo, YFrom};
    p[2] = {XTo, YTo};
    p[3] = {XFrom, YTo};
    p[4] = {XFrom, YFrom};
    std::copy(p, p + 5, AerialDrag.StartPoints);
    DrawDragFrame();
    AerialDrag.Click = {x, y};
}

void TFrmAerial::aimgOxrMouseMove(const TShiftState&, int, int, double x, double y)
{
    if (!AerialDrag.Dragging)
        return;
    DrawDragFrame();
    const double dx = x - AerialDrag.Click.x;
    const double dy = y - AerialDrag.Click.y;
    for (int k = 0; k < 5; ++k)
        AerialDrag.Points[k] = {AerialDrag.StartPoints[k].x + dx, AerialDrag.StartPoints[k].y + dy};
    DrawDragFrame();
}

void TFrmAerial::aimgOxrMouseUp(Qt::MouseButton, const TShiftState&, int, int, double, double)
{
    if (!AerialDrag.Dragging)
        return;
    DrawDragFrame();
    // The main map moves; its history stays as it was.
    UserView().WorldMinX = AerialDrag.Points[0].x;
    UserView().WorldMinY = AerialDrag.Points[0].y;
    UserView().WorldMaxX = AerialDrag.Points[2].x;
    UserView().WorldMaxY = AerialDrag.Points[2].y;
    AerialDrag.Dragging = false;
    if (host_) {
        host_->RedrawMap();
        host_->RedrawAerial();
    }
}
