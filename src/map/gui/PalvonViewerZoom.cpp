// Zoom and navigation of the main map: the zoom steps and the history of views,
// the wheel, the zoom box, the hand pan and the magnifier on the map, the
// floating magnifier and scale-bar panels, and the map tools' reset.
#include "mainwindow/SecondaryWindows.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DrawState.h"
#include "map/ZoomHistory.h"
#include "map/ZoomMouse.h"
#include "map/gui/DataLayers.h"
#include "map/gui/FrmAerial.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

using ZelUtils::Format;

namespace {

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

bool WheelActive() { return ProgramOptions().WheelActive; }
bool ZoomPermanent() { return ProgramOptions().ZoomPermanente; }

// The map's last drawing as it is dragged by hand or zoomed by the wheel. The map
// itself stays in place (it shares the window with the grids): this layer over it
// shows the drawing shifted or scaled, white where the drawing does not reach,
// until the gesture ends and the map is drawn anew.
class TPanView : public QWidget {
public:
    explicit TPanView(TOxrImage* map) : QWidget(map), map_(map)
    {
        setObjectName(QStringLiteral("PanView"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }
    void Start()
    {
        picture_ = map_->Picture();
        pictureWorld_ = map_->World();
        offset_ = QPoint();
        scaled_ = false;
        setGeometry(map_->rect());
        show();
        raise();
    }
    void MoveTo(const QPoint& offset)
    {
        offset_ = offset;
        update();
    }
    QPoint Offset() const { return offset_; }
    // Shows the drawing where it lies in the view window given (the canvas's
    // mapping of that window: one scale for both axes).
    void ScaleTo(double minX, double minY, double maxX, double maxY)
    {
        TWorldWindow to = pictureWorld_;
        to.SetWorld(minX, minY, maxX, maxY);
        const TWorldWindow& from = pictureWorld_;
        auto px = [&](int32_t i) { return (from.PixelToWorldX(i) - to.MinX) * to.PixelsPerUnit; };
        auto py = [&](int32_t j) { return double(to.Height) - (from.PixelToWorldY(j) - to.MinY) * to.PixelsPerUnit; };
        target_ = QRectF(QPointF(px(0), py(0)), QPointF(px(picture_.width()), py(picture_.height())));
        scaled_ = true;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (scaled_)
            p.drawImage(target_, picture_);
        else
            p.drawImage(offset_, picture_);
    }

private:
    TOxrImage* map_;
    QImage picture_;
    TWorldWindow pictureWorld_;
    QPoint offset_;
    bool scaled_ = false;
    QRectF target_;
};

TPanView* PanViewOf(TOxrImage* map)
{
    if (auto* v = map->findChild<QWidget*>(QStringLiteral("PanView"), Qt::FindDirectChildrenOnly))
        return static_cast<TPanView*>(v);
    return new TPanView(map);
}

// The wheel zooms in notches: each one steps the view at once and shows the last
// drawing scaled to it, and the map is drawn anew once the wheel has rested about
// twice as long as the last redraw took (never under 40 ms, the spacing of the
// notches of one turn): a redraw between notches would stall the gesture, a
// fixed long wait would leave a quick map blurred.
int WheelRestMs() { return std::max(40, 2 * int(LastMapRedrawMs)); }

// Draws the map for a wheel zoom still shown as a scaled drawing; nothing when
// none is pending.
void FinishWheelZoom(TPalvonViewer& viewer)
{
    auto* timer = viewer.findChild<QTimer*>(QStringLiteral("WheelZoomRedraw"), Qt::FindDirectChildrenOnly);
    if (!timer || !timer->isActive())
        return;
    timer->stop();
    PanViewOf(viewer.img)->hide();
    viewer.RedrawMap();
}

// Forgets a wheel zoom's scaled drawing: the caller draws the view anew.
void CancelWheelZoom(TPalvonViewer& viewer)
{
    auto* timer = viewer.findChild<QTimer*>(QStringLiteral("WheelZoomRedraw"), Qt::FindDirectChildrenOnly);
    if (!timer || !timer->isActive())
        return;
    timer->stop();
    PanViewOf(viewer.img)->hide();
}

void WheelZoomStep(TPalvonViewer& viewer, bool in)
{
    if (PolySelectKind != 0 || !viewer.img)
        return;
    auto* timer = viewer.findChild<QTimer*>(QStringLiteral("WheelZoomRedraw"), Qt::FindDirectChildrenOnly);
    if (!timer) {
        timer = new QTimer(&viewer);
        timer->setObjectName(QStringLiteral("WheelZoomRedraw"));
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, &viewer, [&viewer] {
            PanViewOf(viewer.img)->hide();
            viewer.RedrawMap();
        });
    }
    TPanView* preview = PanViewOf(viewer.img);
    if (!timer->isActive())
        preview->Start();
    if (in)
        Zoom::ZoomInView(ZoomFactor);
    else
        Zoom::ZoomOutView(ZoomFactor);
    preview->ScaleTo(WorldMinX, WorldMinY, WorldMaxX, WorldMaxY);
    timer->start(WheelRestMs());
}

// A panel over the map dragged by the mouse: the grab point (in the map's
// pixels) and the panel's place at the grab.
struct TPanelDrag {
    bool Dragging = false;
    int StartX = 0, StartY = 0, StartLeft = 0, StartTop = 0;

    void Begin(const QWidget* panel, int i, int j)
    {
        Dragging = true;
        StartX = panel->x() + i;
        StartY = panel->y() + j;
        StartLeft = panel->x();
        StartTop = panel->y();
    }
    void Follow(QWidget* panel, int i, int j) const
    {
        if (Dragging)
            panel->move(panel->x() + i - StartX + StartLeft, panel->y() + j - StartY + StartTop);
    }
};
TPanelDrag ZimgDrag;
TPanelDrag SclDrag;
TPanelDrag SymDrag;

// Events of the map that no signal carries: the wheel, the scale bar's mouse
// (the bar is made with the grids, after the map) and the repaints that tell the
// aerial overview to follow a new view.
class TZoomEvents : public QObject {
public:
    explicit TZoomEvents(TPalvonViewer* viewer) : QObject(viewer), viewer_(viewer) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == viewer_->img) {
            switch (event->type()) {
            case QEvent::Wheel:
                Wheel(static_cast<QWheelEvent*>(event));
                break;
            case QEvent::ChildPolished:
                if (static_cast<QChildEvent*>(event)->child() == viewer_->Scl && viewer_->Scl)
                    viewer_->Scl->installEventFilter(this);
                if (static_cast<QChildEvent*>(event)->child() == viewer_->sym && viewer_->sym)
                    viewer_->sym->installEventFilter(this);
                break;
            case QEvent::Paint:
                FollowAerial();
                break;
            default:
                break;
            }
            return false;
        }
        if (watched == viewer_->Scl && viewer_->Scl)
            return LegendMouse(event, viewer_->Scl, SclDrag);
        if (watched == viewer_->sym && viewer_->sym)
            return LegendMouse(event, viewer_->sym, SymDrag);
        return false;
    }

private:
    void Wheel(QWheelEvent* event)
    {
        // One zoom step per notch of the wheel, however finely the device reports.
        wheel_ += event->angleDelta().y();
        while (wheel_ >= QWheelEvent::DefaultDeltasPerStep) {
            wheel_ -= QWheelEvent::DefaultDeltasPerStep;
            viewer_->FormMouseWheelUp();
        }
        while (wheel_ <= -QWheelEvent::DefaultDeltasPerStep) {
            wheel_ += QWheelEvent::DefaultDeltasPerStep;
            viewer_->FormMouseWheelDown();
        }
    }

    // The legends over the map follow a drag with any button, the grab point kept.
    static bool LegendMouse(QEvent* event, QWidget* legend, TPanelDrag& drag)
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
            drag.Begin(legend, p.x(), p.y());
            return true;
        }
        case QEvent::MouseMove: {
            const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
            drag.Follow(legend, p.x(), p.y());
            return true;
        }
        case QEvent::MouseButtonRelease:
            drag.Dragging = false;
            return true;
        default:
            return false;
        }
    }

    void FollowAerial()
    {
        if (!FrmAerial || !FrmAerial->isVisible() || aerialPending_)
            return;
        const TZoomSlot shown = Zoom::ShownView(viewer_->img->World(), WorldMinX, WorldMinY);
        if (shown.MinX == FrmAerial->XFrom && shown.MaxX == FrmAerial->XTo && shown.MinY == FrmAerial->YFrom &&
            shown.MaxY == FrmAerial->YTo)
            return;
        aerialPending_ = true;
        QTimer::singleShot(0, viewer_, [this] {
            aerialPending_ = false;
            viewer_->DrawNetWorkAerial();
        });
    }

    TPalvonViewer* viewer_;
    int wheel_ = 0;
    bool aerialPending_ = false;
};

QPixmap PadlockPicture()
{
    QPixmap pic(16, 16);
    pic.fill(Qt::transparent);
    QPainter p(&pic);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.drawArc(QRectF(4, 1, 8, 10), 0, 180 * 16);
    p.drawLine(QPointF(4, 6), QPointF(4, 8));
    p.drawLine(QPointF(12, 6), QPointF(12, 8));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0xC0, 0xA0, 0x00));
    p.drawRect(QRectF(2.5, 7.5, 11, 7));
    return pic;
}

QMenu* MenuTitled(QMenuBar* bar, const QString& title)
{
    for (QAction* a : bar->actions())
        if (a->menu() && a->text() == title)
            return a->menu();
    return nullptr;
}

} // namespace

void TPalvonViewer::ConnectZoom()
{
    struct Command {
        TCommandId id;
        QKeySequence key;
        void (TPalvonViewer::*handler)();
    };
    const Command commands[] = {
        {Cmd::aAcercar1, QKeySequence(Qt::CTRL | Qt::Key_I), &TPalvonViewer::ZoomIn},
        {Cmd::aAlejar1, QKeySequence(Qt::CTRL | Qt::Key_O), &TPalvonViewer::ZoomOut},
        {Cmd::aVistaGeneral1, QKeySequence(Qt::CTRL | Qt::Key_Z), &TPalvonViewer::ZoomFirst},
        {Cmd::aVistaAnterior, QKeySequence(), &TPalvonViewer::aVistaAnteriorExecute},
        {Cmd::VistaSeleccin1, QKeySequence(Qt::CTRL | Qt::Key_S), &TPalvonViewer::ZoomSel},
        {Cmd::aReset1, QKeySequence(), &TPalvonViewer::Reset1Click},
    };
    QMenu* ver = MenuTitled(menuBar(), QStringLiteral("&Ver"));
    QAction* before = ver ? Action(Cmd::Options1) : nullptr;
    if (ver) {
        // "Vista General" takes the place of the toolbar button's twin in the menu.
        ver->removeAction(Action(Cmd::tbZoomFirst));
    }
    for (const Command& c : commands) {
        QAction* a = AddAction(nullptr, c.id);
        a->setShortcut(c.key);
        if (ver)
            ver->insertAction(before, a);
        Registry().Register(CommandTable::TOwner::MapView, c.id, this, c.handler);
    }
    Action(Cmd::aVistaAnterior)->setEnabled(false);
    Action(Cmd::aRedibujar)->setEnabled(false);

    // Toolbar buttons.
    QAction* zoomSel = AddAction(nullptr, Cmd::tbZoomSel);
    tbarEstandar->insertAction(Action(Cmd::tbZoom), zoomSel);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbZoomSel, this, &TPalvonViewer::ZoomSel);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbZoomFirst, this, &TPalvonViewer::ZoomFirst);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbZoomIn, this, &TPalvonViewer::ZoomIn);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbZoomOut, this, &TPalvonViewer::ZoomOut);
    Action(Cmd::tbMove)->setToolTip(QStringLiteral("MOver la vista"));
    Action(Cmd::tbZoom)->setToolTip(QStringLiteral("Herramienta de ampliación"));
    Registry().Register(CommandTable::TOwner::MapTools, Cmd::tbMove, this, &TPalvonViewer::tbMoveClick);
    Registry().Register(CommandTable::TOwner::MapTools, Cmd::tbZoom, this, &TPalvonViewer::tbZoomClick);
    QAction* aerial = AddAction(tbarEstandar, Cmd::tbAerial);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::tbAerial, this, &TPalvonViewer::tbAerialClick);
    AddAction(tbarEstandar, Cmd::tbStreet);

    // The aerial overview and the scale dialog from the view menu.
    QAction* copyAerial = AddAction(nullptr, Cmd::CopiarAerial1);
    QAction* escala = AddAction(nullptr, Cmd::Escala1);
    if (ver) {
        ver->insertSeparator(before);
        ver->insertAction(before, aerial);
        ver->insertAction(before, copyAerial);
        ver->insertAction(before, escala);
        ver->insertSeparator(before);
    }
    Registry().Register(CommandTable::TOwner::MapView, Cmd::CopiarAerial1, this, &TPalvonViewer::CopiarAerial1Click);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::Escala1, this, &TPalvonViewer::Escala1Click);

    // Items of the right-button menus built elsewhere, found by name.
    for (int tag = 1; tag <= 4; ++tag) {
        QAction* item = Action(QStringLiteral("Tamano%1").arg(tag));
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(item), [this, item, tag] { Tamano(item, tag); });
    }
    Registry().Register(CommandTable::TOwner::Analysis, Cmd::FactorTamano, this, &TPalvonViewer::FactorTamanoClick);

    // The magnifier's menu (its layer items may have been made already): the
    // drop-down of its toolbar button.
    varLupa = findChild<QMenu*>(QStringLiteral("varLupa"));
    if (!varLupa) {
        varLupa = new QMenu(QStringLiteral("Lupa"), this);
        varLupa->setObjectName(QStringLiteral("varLupa"));
    }
    AddAction(varLupa, Cmd::amao1);
    Registry().Register(CommandTable::TOwner::MapView, Cmd::amao1, this, &TPalvonViewer::amao1Click);
    auto* scales = new QMenu(this);
    scales->setObjectName(QStringLiteral("FactoresEscala"));
    QAction* scaleItem = AddAction(varLupa, Cmd::Factorescala1);
    scaleItem->setMenu(scales);
    for (int tag = 0; tag < 8; ++tag) {
        QAction* item = AddAction(scales, QStringLiteral("FactorEscala%1").arg(tag));
        Registry().Register(CommandTable::TOwner::MapView, CommandOf(item),
                            [this, item, tag] { FactorEscala(item, tag); });
    }
    connect(varLupa, &QMenu::aboutToShow, this, [this, scaleItem] {
        if (ProgramOptions().EscalaZoom >= 0)
            scaleItem->setText(QStringLiteral("Factor Escala (%1)")
                                   .arg(QString::fromLatin1(ProgramOptions().MagnifierScaleCaption())));
    });
    Action(Cmd::tbZoom)->setMenu(varLupa);
    if (auto* button = qobject_cast<QToolButton*>(tbarEstandar->widgetForAction(Action(Cmd::tbZoom))))
        button->setPopupMode(QToolButton::MenuButtonPopup);

    // The magnifier over the map.
    zimg = new TOxrImage(img);
    zimg->setObjectName(QStringLiteral("zimg"));
    zimg->resize(74, 66);
    zimg->SetWorld(0, 0, 160, 160);
    zimg->hide();
    connect(zimg, &TOxrImage::OnOxrMouseDown, this, &TPalvonViewer::zimgOxrMouseDown);
    connect(zimg, &TOxrImage::OnOxrMouseMove, this, &TPalvonViewer::zimgOxrMouseMove);
    connect(zimg, &TOxrImage::OnOxrMouseUp, this, &TPalvonViewer::zimgOxrMouseUp);

    // The padlock of a scale kept at its maximum.
    Fixed = new QLabel(this);
    Fixed->setObjectName(QStringLiteral("Fixed"));
    Fixed->setPixmap(PadlockPicture());
    Fixed->setToolTip(QStringLiteral("Escala fija"));
    Status->addPermanentWidget(Fixed);
    Fixed->hide();

    // The full map mouse handlers call the view steps below for their modes.
    ConnectMapMouse();
    connect(img, &TOxrImage::OnClick, this, &TPalvonViewer::imgClick);
    img->installEventFilter(new TZoomEvents(this));
}

// ---- Zoom steps ----

void TPalvonViewer::ZoomFirst()
{
    if (PolySelectKind != 0)
        return;
    CancelWheelZoom(*this);
    Zoom::FirstView();
    RedrawMap();
}

void TPalvonViewer::ZoomIn()
{
    if (PolySelectKind != 0)
        return;
    CancelWheelZoom(*this);
    Zoom::ZoomInView(ZoomFactor);
    RedrawMap();
}

void TPalvonViewer::ZoomOut()
{
    if (PolySelectKind != 0)
        return;
    CancelWheelZoom(*this);
    Zoom::ZoomOutView(ZoomFactor);
    RedrawMap();
}

void TPalvonViewer::ZoomSel()
{
    if (Zoom::SelectionView())
        RedrawMap();
}

void TPalvonViewer::aVistaAnteriorExecute()
{
    if (Zoom::PreviousView())
        RedrawMap();
}

void TPalvonViewer::FormMouseWheelUp()
{
    if (WheelActive())
        WheelZoomStep(*this, true);
}

void TPalvonViewer::FormMouseWheelDown()
{
    if (WheelActive())
        WheelZoomStep(*this, false);
}

void TPalvonViewer::imgClick()
{
    // The wheel goes to the widget with the focus's window: the map takes it.
    img->setFocus();
}

void TPalvonViewer::Reset1Click()
{
    img->Clear();
    RubberBand = false;
    if (!NodeMoving && !CentroidMoving)
        PickedItem = -1;
    Action(Cmd::NodeMove)->setChecked(false);
    Action(Cmd::ZoneMove)->setChecked(false);
    for (TCommandId name : {Cmd::aPrint1, Cmd::aMultiPrint, Cmd::aRedibujar, Cmd::aDataGrid1})
        Action(name)->setEnabled(true);
    Action(Cmd::aVistaAnterior)->setEnabled(ZoomIndex >= 2);
    for (TCommandId name : {Cmd::tbArrows, Cmd::tbNodes, Cmd::tbNameNodes, Cmd::tbCalles, Cmd::tbAtributos,
                            Cmd::tbColores, Cmd::tbValues, Cmd::tbTit, Cmd::tbMove, Cmd::tbZoom, Cmd::tbQuickView})
        Action(name)->setEnabled(true);
    img->SetPopupMenu(BDerecho, true);
    KDVlib::BuildHitGrid();
}

void TPalvonViewer::tbMoveClick()
{
    PolySelectKind = 0;
    if (Down(Cmd::tbMove)) {
        SetDown(Cmd::tbZoom, false);
        img->setCursor(MapToolCursor(3));
    } else {
        img->unsetCursor();
    }
}

void TPalvonViewer::tbZoomClick()
{
    PolySelectKind = 0;
    const bool down = Down(Cmd::tbZoom);
    if (ZoomPermanent()) {
        if (down)
            ZoomViewPalvon();
        else
            zimg->hide();
    }
    if (!down) {
        img->unsetCursor();
    } else {
        SetDown(Cmd::tbMove, false);
        img->setCursor(MapToolCursor(2));
    }
}

// ---- The view tools: zoom box, pan, magnifier ----

void TPalvonViewer::FollowMagnifier(int i, int j)
{
    ClickPixX = i;
    ClickPixY = j;
    ZoomViewPalvon();
}

namespace {
// The zoom box's rubber rectangle, in not-xor so that drawing it again removes it.
void DrawRubberBox(TOxrImage& img)
{
    QPainter* c = img.Canvas();
    if (!c)
        return;
    c->setPen(QPen(Qt::black, 1, Qt::DashLine));
    c->setBrush(Qt::NoBrush);
    const TPenMode saved = img.PenMode;
    img.PenMode = TPenMode::NotXor;
    img.RectangleW(PressPoint.x, PressPoint.y, LastPoint.x, LastPoint.y);
    img.PenMode = saved;
}
} // namespace

void TPalvonViewer::StartZoomBox(int i, int j, double x, double y)
{
    RubberBand = true;
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
    AuxPoint = {double(i), double(j)};
    PressPoint = LastPoint = {x, y};
    DrawRubberBox(*img);
}

void TPalvonViewer::FollowZoomBox(double x, double y)
{
    DrawRubberBox(*img);
    LastPoint = {x, y};
    DrawRubberBox(*img);
}

void TPalvonViewer::EndZoomBox(int j)
{
    DrawRubberBox(*img);
    RubberBand = false;
    if (!ZoomBoxAccepted(AuxPoint.y, j))
        return;
    Zoom::PushView(PressPoint.x, PressPoint.y, LastPoint.x, LastPoint.y);
    RedrawMap();
}

void TPalvonViewer::StartPan(int i, int j)
{
    // A pan starts from the drawing of the view as it is now.
    FinishWheelZoom(*this);
    Panning = true;
    img->setCursor(MapToolCursor(3));
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
    const QPoint origin = img->mapToGlobal(QPoint(i, j));
    PanOriginX = origin.x();
    PanOriginY = origin.y();
    PanImageOriginX = PanImageOriginY = 0;
    PanViewOf(img)->Start();
}

void TPalvonViewer::FollowPan(int i, int j)
{
    const QPoint now = img->mapToGlobal(QPoint(i, j));
    PanViewOf(img)->MoveTo(QPoint(now.x() - PanOriginX + PanImageOriginX, now.y() - PanOriginY + PanImageOriginY));
}

void TPalvonViewer::EndPan()
{
    Panning = false;
    TPanView* view = PanViewOf(img);
    const QPoint offset = view->Offset();
    view->hide();
    Zoom::SetView(Zoom::PannedView(img->World(), offset.x(), offset.y()));
    RedrawMap();
}

void TPalvonViewer::StartMagnifier(int i, int j)
{
    if (!ZoomPermanent())
        ZoomFollow = true;
    ClickPixX = i;
    ClickPixY = j;
    if (sym)
        sym->hide();
    if (Scl)
        Scl->hide();
    ZoomViewPalvon();
}

void TPalvonViewer::EndMagnifier()
{
    ZoomFollow = false;
    zimg->hide();
    if (sym && Down(Cmd::tbColores))
        sym->show();
    if (Scl && Down(Cmd::tbAtributos))
        Scl->show();
}

// ---- The magnifier panel ----

void TPalvonViewer::zimgOxrMouseDown(Qt::MouseButton Button, const TShiftState&, int i, int j, double, double)
{
    if (Button == Qt::LeftButton) {
        ZimgDrag.Begin(zimg, i, j);
        return;
    }
    if (Button != Qt::RightButton)
        return;
    // The options dialog with its magnifier page alone.
    TDlgCfg& options = Secondary::DlgCfg();
    QTabWidget* pages = options.CfgPaginas;
    for (int k = 0; k < pages->count(); ++k)
        pages->setTabVisible(k, pages->widget(k) == options.CfgAmpliacion);
    pages->setCurrentWidget(options.CfgAmpliacion);
    options.exec();
    for (int k = 0; k < pages->count(); ++k)
        pages->setTabVisible(k, true);
    pages->setCurrentWidget(options.CfgPreferencias);
}

void TPalvonViewer::zimgOxrMouseMove(const TShiftState&, int i, int j, double, double) { ZimgDrag.Follow(zimg, i, j); }

void TPalvonViewer::zimgOxrMouseUp(Qt::MouseButton, const TShiftState&, int, int, double, double)
{
    ZimgDrag.Dragging = false;
    ClickPixX = zimg->x() + ZelUtils::Round(zimg->width() / 2.0);
    ClickPixY = zimg->y() + ZelUtils::Round(zimg->height() / 2.0);
    ZoomViewPalvon();
}

void TPalvonViewer::amao1Click()
{
    int& size = ProgramOptions().VisorZoomSize;
    QVariant value = Qs(Format("%d", size));
    if (!ZelUtils::InputInteger("Tamaño Ventana", "Tamaño", value, ZelUtils::FieldText))
        return;
    bool ok = false;
    const double typed = value.toString().trimmed().toDouble(&ok);
    if (!ok) {
        Services().ShowMessage("\"" + value.toString().toStdString() + "\" no es un tamaño válido: se mantiene " +
                               Format("%d", size) + ".");
        return;
    }
    size = TProgramOptions::ClampInt(ZelUtils::Round(typed), 100, 500);
    NotifyProgramOptionsChanged();
}

void TPalvonViewer::FactorEscala(QAction* item, int tag)
{
    if (tag < 0 || tag >= 8)
        return;
    ProgramOptions().EscalaZoom = tag;
    NotifyProgramOptionsChanged();
    const QString caption = item ? item->text() : QString::fromLatin1(ProgramOptions().MagnifierScaleCaption());
    Action(Cmd::Factorescala1)->setText(QStringLiteral("Factor Escala (%1)").arg(caption));
}
