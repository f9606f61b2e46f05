// Zoom and navigation of the main map: the zoom steps and the history of views,
// the wheel, the zoom box, the hand pan and the magnifier on the map, the
// floating magnifier and scale-bar panels, and the map tools' reset.
#include "map/gui/MapViewController.h"

#include "map/DrawState.h"
#include "map/ZoomHistory.h"
#include "map/ZoomMouse.h"
#include "map/gui/DataLayers.h"
#include "map/gui/FrmAerial.h"
#include "map/gui/MapCommands.h"
#include "map/gui/MapHost.h"
#include "map/gui/MapLayers.h"
#include "map/gui/MapViewHost.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/TypedNumber.h"
#include "widgets/CommandPlaces.h"
#include "widgets/CommandRegistry.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

using ZelUtils::Format;
using MapCommands::Named;

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
// twice as long as the last redraw's shapes took (never under 40 ms, the spacing
// of the notches of one turn): a redraw between notches would stall the gesture,
// a fixed long wait would leave a quick map blurred. The labels are left out of
// that measure: they would make every wait with names on as long again.
int WheelRestMs(const TOxrImage& map)
{
    const TLastDrawing& d = map.LastDrawing;
    return std::max(40, 2 * int(std::max(0, d.LastMapRedrawMs - d.LastMapLabelMs)));
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
    TZoomEvents(QObject* parent, TOxrImage* map, TMapViewController& view, TMapViewHost& host)
        : QObject(parent), map_(map), view_(view), host_(host)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        QWidget* const scl = host_.BarLegend();
        QWidget* const sym = host_.RangeLegend();
        if (watched == map_) {
            switch (event->type()) {
            case QEvent::Wheel:
                Wheel(static_cast<QWheelEvent*>(event));
                break;
            case QEvent::ChildPolished:
                if (static_cast<QChildEvent*>(event)->child() == scl && scl)
                    scl->installEventFilter(this);
                if (static_cast<QChildEvent*>(event)->child() == sym && sym)
                    sym->installEventFilter(this);
                break;
            case QEvent::Paint:
                FollowAerial();
                break;
            default:
                break;
            }
            return false;
        }
        if (watched == scl && scl)
            return LegendMouse(event, scl, SclDrag);
        if (watched == sym && sym)
            return LegendMouse(event, sym, SymDrag);
        return false;
    }

private:
    void Wheel(QWheelEvent* event)
    {
        // One zoom step per notch of the wheel, however finely the device reports.
        wheel_ += event->angleDelta().y();
        while (wheel_ >= QWheelEvent::DefaultDeltasPerStep) {
            wheel_ -= QWheelEvent::DefaultDeltasPerStep;
            view_.FormMouseWheelUp();
        }
        while (wheel_ <= -QWheelEvent::DefaultDeltasPerStep) {
            wheel_ += QWheelEvent::DefaultDeltasPerStep;
            view_.FormMouseWheelDown();
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
        const TZoomSlot shown = Zoom::ShownView(map_->World(), UserView().WorldMinX, UserView().WorldMinY);
        if (shown.MinX == FrmAerial->XFrom && shown.MaxX == FrmAerial->XTo && shown.MinY == FrmAerial->YFrom &&
            shown.MaxY == FrmAerial->YTo)
            return;
        aerialPending_ = true;
        QTimer::singleShot(0, this, [this] {
            aerialPending_ = false;
            view_.DrawNetWorkAerial();
        });
    }

    TOxrImage* map_;
    TMapViewController& view_;
    TMapViewHost& host_;
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

} // namespace

TMapViewController::TMapViewController(TWindowHost& window, TMapHost& map, TMapViewHost& host)
    : window_(window), map_(map), host_(host)
{
}

TMapViewController::~TMapViewController() { delete events_.data(); }

TOxrImage& TMapViewController::Img() { return *map_.MapImage(); }

QMenu* TMapViewController::MagnifierMenu()
{
    if (!varLupa) {
        varLupa = new QMenu(QStringLiteral("Lupa"), window_.DialogParent());
        varLupa->setObjectName(QStringLiteral("varLupa"));
        CommandPlaces::Fill(window_, varLupa, QStringLiteral("popup:varLupa"));
    }
    return varLupa;
}

void TMapViewController::RegisterCommands(TCommandRegistry& registry)
{
    using TOwner = CommandTable::TOwner;
    registry.Register(TOwner::MapView, {{Cmd::aAcercar1, this, &TMapViewController::ZoomIn},
                                        {Cmd::aAlejar1, this, &TMapViewController::ZoomOut},
                                        {Cmd::aVistaGeneral1, this, &TMapViewController::ZoomFirst},
                                        {Cmd::aVistaAnterior, this, &TMapViewController::aVistaAnteriorExecute},
                                        {Cmd::VistaSeleccin1, this, &TMapViewController::ZoomSel},
                                        {Cmd::aReset1, this, &TMapViewController::Reset1Click},
                                        {Cmd::tbZoomSel, this, &TMapViewController::ZoomSel},
                                        {Cmd::tbZoomFirst, this, &TMapViewController::ZoomFirst},
                                        {Cmd::tbZoomIn, this, &TMapViewController::ZoomIn},
                                        {Cmd::tbZoomOut, this, &TMapViewController::ZoomOut},
                                        {Cmd::tbAerial, this, &TMapViewController::tbAerialClick},
                                        {Cmd::CopiarAerial1, this, &TMapViewController::CopiarAerial1Click},
                                        {Cmd::Escala1, this, &TMapViewController::Escala1Click},
                                        {Cmd::amao1, this, &TMapViewController::amao1Click},
                                        {Cmd::tbQuickView, this, &TMapViewController::QuickViewPalvon}});
    // The view tools' buttons belong to the map tools; the image factor to the analyses.
    registry.Register(TOwner::MapTools, {{Cmd::tbMove, this, &TMapViewController::tbMoveClick},
                                         {Cmd::tbZoom, this, &TMapViewController::tbZoomClick}});
    registry.Register(TOwner::Analysis, Cmd::FactorTamano, this, &TMapViewController::FactorTamanoClick);
    // Symbol sizes of the right-button menus and the magnifier's scales, by tag.
    for (int tag = 1; tag <= 4; ++tag) {
        const TCommandId id = Named(QStringLiteral("Tamano%1").arg(tag));
        QAction* item = window_.Action(id);
        registry.Register(TOwner::MapView, id, [this, item, tag] { Tamano(item, tag); });
    }
    for (int tag = 0; tag < 8; ++tag) {
        const TCommandId id = Named(QStringLiteral("FactorEscala%1").arg(tag));
        QAction* item = window_.Action(id);
        registry.Register(TOwner::MapView, id, [this, item, tag] { FactorEscala(item, tag); });
    }
}

void TMapViewController::Connect()
{
    window_.Action(Cmd::aVistaAnterior)->setEnabled(false);
    window_.Action(Cmd::aRedibujar)->setEnabled(false);

    // Toolbar buttons.
    QToolBar* standard = host_.ToolBarOf(Cmd::Estandar1);
    window_.Action(Cmd::tbMove)->setToolTip(QStringLiteral("MOver la vista"));
    window_.Action(Cmd::tbZoom)->setToolTip(QStringLiteral("Herramienta de ampliación"));

    // The magnifier's menu (its layer items may have been made already): the
    // drop-down of its toolbar button.
    MagnifierMenu();
    auto* scales = new QMenu(window_.DialogParent());
    scales->setObjectName(QStringLiteral("FactoresEscala"));
    QAction* scaleItem = window_.Action(Cmd::Factorescala1);
    scaleItem->setMenu(scales);
    CommandPlaces::Fill(window_, scales, QStringLiteral("popup:varLupa>#Factorescala1"));
    QObject::connect(varLupa, &QMenu::aboutToShow, varLupa, [scaleItem] {
        if (ProgramOptions().EscalaZoom >= 0)
            scaleItem->setText(QStringLiteral("Factor Escala (%1)")
                                   .arg(QString::fromLatin1(ProgramOptions().MagnifierScaleCaption())));
    });
    window_.Action(Cmd::tbZoom)->setMenu(varLupa);
    if (auto* button = qobject_cast<QToolButton*>(standard->widgetForAction(window_.Action(Cmd::tbZoom))))
        button->setPopupMode(QToolButton::MenuButtonPopup);

    // The magnifier over the map.
    TOxrImage* img = &Img();
    zimg = new TOxrImage(img);
    zimg->setObjectName(QStringLiteral("zimg"));
    zimg->resize(74, 66);
    zimg->SetWorld(0, 0, 160, 160);
    zimg->hide();
    QObject::connect(zimg, &TOxrImage::OnOxrMouseDown, zimg,
                     [this](Qt::MouseButton b, const TShiftState& s, int i, int j, double x, double y) {
                         zimgOxrMouseDown(b, s, i, j, x, y);
                     });
    QObject::connect(zimg, &TOxrImage::OnOxrMouseMove, zimg,
                     [this](const TShiftState& s, int i, int j, double x, double y) {
                         zimgOxrMouseMove(s, i, j, x, y);
                     });
    QObject::connect(zimg, &TOxrImage::OnOxrMouseUp, zimg,
                     [this](Qt::MouseButton b, const TShiftState& s, int i, int j, double x, double y) {
                         zimgOxrMouseUp(b, s, i, j, x, y);
                     });

    // The padlock of a scale kept at its maximum.
    Fixed = new QLabel(window_.DialogParent());
    Fixed->setObjectName(QStringLiteral("Fixed"));
    Fixed->setPixmap(PadlockPicture());
    Fixed->setToolTip(QStringLiteral("Escala fija"));
    host_.AddStatusWidget(Fixed);
    Fixed->hide();

    QObject::connect(img, &TOxrImage::OnClick, img, [this] { imgClick(); });
    // A wiped picture has lost the rubber box: the drag of the zoom box ends.
    QObject::connect(img, &TOxrImage::Cleared, img, [this] { RubberBand = false; });
    events_ = new TZoomEvents(window_.DialogParent(), img, *this, host_);
    img->installEventFilter(events_);
}

// ---- Zoom steps ----

void TMapViewController::ZoomFirst()
{
    if (host_.RegionPickUnderWay())
        return;
    CancelWheelZoom();
    Zoom::FirstView();
    window_.RedrawMap();
}

void TMapViewController::ZoomIn()
{
    if (host_.RegionPickUnderWay())
        return;
    CancelWheelZoom();
    Zoom::ZoomInView(UserView().ZoomFactor);
    window_.RedrawMap();
}

void TMapViewController::ZoomOut()
{
    if (host_.RegionPickUnderWay())
        return;
    CancelWheelZoom();
    Zoom::ZoomOutView(UserView().ZoomFactor);
    window_.RedrawMap();
}

void TMapViewController::ZoomSel()
{
    if (Zoom::SelectionView())
        window_.RedrawMap();
}

void TMapViewController::aVistaAnteriorExecute()
{
    if (Zoom::PreviousView())
        window_.RedrawMap();
}

// ---- The wheel ----

void TMapViewController::FormMouseWheelUp()
{
    if (WheelActive())
        WheelZoomStep(true);
}

void TMapViewController::FormMouseWheelDown()
{
    if (WheelActive())
        WheelZoomStep(false);
}

void TMapViewController::FinishWheelZoom()
{
    if (!wheelRedraw_ || !wheelRedraw_->isActive())
        return;
    wheelRedraw_->stop();
    PanViewOf(&Img())->hide();
    window_.RedrawMap();
}

void TMapViewController::CancelWheelZoom()
{
    if (!wheelRedraw_ || !wheelRedraw_->isActive())
        return;
    wheelRedraw_->stop();
    PanViewOf(&Img())->hide();
}

void TMapViewController::WheelZoomStep(bool in)
{
    if (host_.RegionPickUnderWay() || !map_.MapImage())
        return;
    if (!wheelRedraw_) {
        wheelRedraw_ = std::make_unique<QTimer>();
        wheelRedraw_->setObjectName(QStringLiteral("WheelZoomRedraw"));
        wheelRedraw_->setSingleShot(true);
        // The rest is a few tens of milliseconds: a coarse timer could end it early.
        wheelRedraw_->setTimerType(Qt::PreciseTimer);
        QObject::connect(wheelRedraw_.get(), &QTimer::timeout, wheelRedraw_.get(), [this] {
            PanViewOf(&Img())->hide();
            window_.RedrawMap();
        });
    }
    TPanView* preview = PanViewOf(&Img());
    if (!wheelRedraw_->isActive())
        preview->Start();
    if (in)
        Zoom::ZoomInView(UserView().ZoomFactor);
    else
        Zoom::ZoomOutView(UserView().ZoomFactor);
    preview->ScaleTo(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
    wheelRedraw_->start(WheelRestMs(Img()));
}

void TMapViewController::imgClick()
{
    // The wheel goes to the widget with the focus's window: the map takes it.
    Img().setFocus();
}

void TMapViewController::Reset1Click()
{
    TOxrImage& img = Img();
    img.Clear();
    RubberBand = false;
    window_.Action(Cmd::NodeMove)->setChecked(false);
    window_.Action(Cmd::ZoneMove)->setChecked(false);
    for (TCommandId name : {Cmd::aPrint1, Cmd::aMultiPrint, Cmd::aRedibujar, Cmd::aDataGrid1})
        window_.Action(name)->setEnabled(true);
    window_.Action(Cmd::aVistaAnterior)->setEnabled(UserView().ZoomIndex >= 2);
    for (TCommandId name : {Cmd::tbArrows, Cmd::tbNodes, Cmd::tbNameNodes, Cmd::tbCalles, Cmd::tbAtributos,
                            Cmd::tbColores, Cmd::tbValues, Cmd::tbTit, Cmd::tbMove, Cmd::tbZoom, Cmd::tbQuickView})
        window_.Action(name)->setEnabled(true);
    img.SetPopupMenu(host_.MapMenu(), true);
    KDVlib::BuildHitGrid();
}

void TMapViewController::tbMoveClick()
{
    host_.EndRegionPick();
    if (window_.CommandOn(Cmd::tbMove)) {
        window_.SetCommandOn(Cmd::tbZoom, false);
        Img().setCursor(MapToolCursor(3));
    } else {
        Img().unsetCursor();
    }
}

void TMapViewController::tbZoomClick()
{
    host_.EndRegionPick();
    const bool down = window_.CommandOn(Cmd::tbZoom);
    if (ZoomPermanent()) {
        if (down)
            ZoomViewPalvon();
        else
            zimg->hide();
    }
    if (!down) {
        Img().unsetCursor();
    } else {
        window_.SetCommandOn(Cmd::tbMove, false);
        Img().setCursor(MapToolCursor(2));
    }
}

// ---- The view tools: zoom box, pan, magnifier ----

void TMapViewController::FollowMagnifier(int i, int j)
{
    ClickPixX = i;
    ClickPixY = j;
    ZoomViewPalvon();
}

namespace {
// The zoom box's rubber rectangle, in not-xor so that drawing it again removes it.
void DrawRubberBox(TOxrImage& img, const TPoint& from, const TPoint& to)
{
    QPainter* c = img.Canvas();
    if (!c)
        return;
    c->setPen(QPen(Qt::black, 1, Qt::DashLine));
    c->setBrush(Qt::NoBrush);
    const TPenMode saved = img.PenMode;
    img.PenMode = TPenMode::NotXor;
    img.RectangleW(from.x, from.y, to.x, to.y);
    img.PenMode = saved;
}

void HideLegends(TMapViewHost& host)
{
    if (QWidget* sym = host.RangeLegend())
        sym->hide();
    if (QWidget* scl = host.BarLegend())
        scl->hide();
}
} // namespace

void TMapViewController::StartZoomBox(int i, int j, double x, double y)
{
    RubberBand = true;
    HideLegends(host_);
    AuxPoint = {double(i), double(j)};
    PressPoint = LastPoint = {x, y};
    DrawRubberBox(Img(), PressPoint, LastPoint);
}

void TMapViewController::FollowZoomBox(double x, double y)
{
    DrawRubberBox(Img(), PressPoint, LastPoint);
    LastPoint = {x, y};
    DrawRubberBox(Img(), PressPoint, LastPoint);
}

void TMapViewController::EndZoomBox(int j)
{
    DrawRubberBox(Img(), PressPoint, LastPoint);
    RubberBand = false;
    if (!ZoomBoxAccepted(AuxPoint.y, j))
        return;
    Zoom::PushView(PressPoint.x, PressPoint.y, LastPoint.x, LastPoint.y);
    window_.RedrawMap();
}

void TMapViewController::StartPan(int i, int j)
{
    // A pan starts from the drawing of the view as it is now.
    FinishWheelZoom();
    Panning = true;
    TOxrImage* img = &Img();
    img->setCursor(MapToolCursor(3));
    HideLegends(host_);
    const QPoint origin = img->mapToGlobal(QPoint(i, j));
    PanOriginX = origin.x();
    PanOriginY = origin.y();
    PanImageOriginX = PanImageOriginY = 0;
    PanViewOf(img)->Start();
}

void TMapViewController::FollowPan(int i, int j)
{
    TOxrImage* img = &Img();
    const QPoint now = img->mapToGlobal(QPoint(i, j));
    PanViewOf(img)->MoveTo(QPoint(now.x() - PanOriginX + PanImageOriginX, now.y() - PanOriginY + PanImageOriginY));
}

void TMapViewController::EndPan()
{
    Panning = false;
    TOxrImage* img = &Img();
    TPanView* view = PanViewOf(img);
    const QPoint offset = view->Offset();
    view->hide();
    Zoom::SetView(Zoom::PannedView(img->World(), offset.x(), offset.y()));
    window_.RedrawMap();
}

void TMapViewController::StartMagnifier(int i, int j)
{
    if (!ZoomPermanent())
        ZoomFollow = true;
    ClickPixX = i;
    ClickPixY = j;
    HideLegends(host_);
    ZoomViewPalvon();
}

void TMapViewController::EndMagnifier()
{
    ZoomFollow = false;
    zimg->hide();
    if (QWidget* sym = host_.RangeLegend(); sym && window_.CommandOn(Cmd::tbColores))
        sym->show();
    if (QWidget* scl = host_.BarLegend(); scl && window_.CommandOn(Cmd::tbAtributos))
        scl->show();
}

// ---- The magnifier panel ----

void TMapViewController::zimgOxrMouseDown(Qt::MouseButton Button, const TShiftState&, int i, int j, double, double)
{
    if (Button == Qt::LeftButton) {
        ZimgDrag.Begin(zimg, i, j);
        return;
    }
    if (Button == Qt::RightButton)
        host_.ShowMagnifierOptions();
}

void TMapViewController::zimgOxrMouseMove(const TShiftState&, int i, int j, double, double)
{
    ZimgDrag.Follow(zimg, i, j);
}

void TMapViewController::zimgOxrMouseUp(Qt::MouseButton, const TShiftState&, int, int, double, double)
{
    ZimgDrag.Dragging = false;
    ClickPixX = zimg->x() + ZelUtils::Round(zimg->width() / 2.0);
    ClickPixY = zimg->y() + ZelUtils::Round(zimg->height() / 2.0);
    ZoomViewPalvon();
}

void TMapViewController::amao1Click()
{
    int& size = ProgramOptions().VisorZoomSize;
    QVariant value = Qs(Format("%d", size));
    if (!ZelUtils::InputInteger("Tamaño Ventana", "Tamaño", value, ZelUtils::FieldText))
        return;
    double typed = 0.0;
    if (!ReadTypedNumber(value.toString(), typed))
        return;
    size = TProgramOptions::ClampInt(ZelUtils::Round(typed), 100, 500);
    NotifyProgramOptionsChanged();
}

void TMapViewController::FactorEscala(QAction* item, int tag)
{
    if (tag < 0 || tag >= 8)
        return;
    ProgramOptions().EscalaZoom = tag;
    NotifyProgramOptionsChanged();
    const QString caption = item ? item->text() : QString::fromLatin1(ProgramOptions().MagnifierScaleCaption());
    window_.Action(Cmd::Factorescala1)->setText(QStringLiteral("Factor Escala (%1)").arg(caption));
}

void TMapViewController::ShowScaleKept(bool kept)
{
    if (Fixed)
        Fixed->setVisible(kept);
}
