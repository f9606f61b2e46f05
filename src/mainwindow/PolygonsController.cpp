// The polygons' handlers (see PolygonsController.h): a new polygon drawn and
// stored, deleting, restyling and reshaping through handles, their menu entries,
// the polygon files (.plg and .geo) and the zoning save.
#include "mainwindow/PolygonsController.h"
#include "mainwindow/PalvonViewer.h"

#include "mainwindow/DlgCfg.h"
#include "mainwindow/FilesController.h"
#include "mainwindow/SecondaryWindows.h"
#include "map/gui/DataLayers.h"
#include "model/gui/ZelUtilsGui.h"
#include "mainwindow/tools/MapTool.h"
#include "mainwindow/tools/ToolFeedback.h"
#include "map/DisplayStyles.h"
#include "map/Polygons.h"
#include "map/gui/OxrImage.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/PalvonVars.h"
#include "model/PolygonFile.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/CommandRegistry.h"
#include "widgets/DlgCfgWidgets.h"
#include "widgets/WaitCursor.h"
#include "widgets/SaveDialogSuffix.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

using ZelUtils::Format;

namespace {

constexpr const char* PolygonMenus[6] = {"EliminarPoligonos",     "pupEliminarPoligonos",
                                         "RedefinirPoligonos",    "pupRedefinirPoligonos",
                                         "ReconfigurarPoligonos", "pupReconfigurarPoligonos"};
constexpr int MaxClickPoints = 1000;
constexpr int MaxSnapPoints = 39000;
constexpr int MaxEditVertices = 750; // two handles per vertex, 1500 handles
constexpr uint32_t Red = 255;

const char* const PlgFilter = "Velmora polygon file [*.plg] (*.plg)";
const char* const GeoFilter = "TransCAD text/geography area [*.geo] (*.geo)";

QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QColor Col(uint32_t c) { return DisplayStyles::ToQColor(c); }

bool ValidPolygon(int32_t i) { return i >= 0 && i < NumPoligonos && i <= MaxPoligonos; }

int32_t TagOf(QAction* item) { return item ? item->data().toInt() : -1; }

// A polygon file is taken whole or not at all: polygons past the table's room
// would be left out, and an outline past a polygon's room cut short, unseen on a
// map where the shape still looks closed. False (after one message) when the
// file does not fit; the polygons shown then stay.
bool PolygonsFit(const std::vector<TPolygonRecord>& records, const std::string& fileName)
{
    if (records.size() > static_cast<size_t>(MaxPoligonos + 1)) {
        Services().ShowMessage(Format("El archivo %s tiene %d polígonos y caben %d; no se ha leído.", fileName,
                                      static_cast<int>(records.size()), MaxPoligonos + 1));
        return false;
    }
    for (const TPolygonRecord& r : records)
        if (r.Points.size() > static_cast<size_t>(MaxPolygonVertices)) {
            Services().ShowMessage(Format("El polígono %s del archivo %s tiene %d vértices y caben %d; no se ha "
                                          "leído.",
                                          r.Name, fileName, static_cast<int>(r.Points.size()), MaxPolygonVertices));
            return false;
        }
    return true;
}

// The vertices 1..n of a polygon as a span for the painter.
std::span<const TPoint> Vertices(const TPoligono& p)
{
    const int32_t n = p.VertexCount();
    return n > 0 ? std::span<const TPoint>(&p.Points[1], static_cast<size_t>(n)) : std::span<const TPoint>();
}

void SetPolygonStyle(TPoligono& p)
{
    const TProgramOptions& o = ProgramOptions();
    p.PenColor = o.PoliBordeColor;
    p.PenWidth = o.PoliBordeAncho;
    p.BrushColor = o.PoliRellenoColor;
    p.BrushClear = o.PoliRellenoClear ? 1 : 0;
}

// The style of a new polygon as a file record (for the area import).
TPolygonRecord NewPolygonStyle()
{
    TPoligono p;
    SetPolygonStyle(p);
    TPolygonRecord r;
    r.PenColor = p.PenColor;
    r.PenWidth = p.PenWidth;
    r.BrushColor = p.BrushColor;
    r.BrushClear = p.BrushClear != 0;
    return r;
}

// Ends the modification of a polygon on Escape, wherever the focus is.
class EscapeFilter : public QObject {
public:
    explicit EscapeFilter(TPolygonsController& polygons) : polygons_(polygons) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
            polygons_.EditPolygon >= 0)
            polygons_.EndPolygonEdit();
        return QObject::eventFilter(watched, event);
    }

private:
    TPolygonsController& polygons_;
};

} // namespace

// ---------------------------------------------------------------- commands

TPolygonsController::TPolygonsController(TPalvonViewer& viewer) : viewer_(viewer) {}

QMenu* TPolygonsController::PolygonMenu(const char* name, bool make)
{
    const QString objectName = QString::fromLatin1(name);
    if (auto* m = viewer_.findChild<QMenu*>(objectName))
        return m;
    if (!make)
        return nullptr;
    auto* m = new QMenu(&viewer_);
    m->setObjectName(objectName);
    return m;
}

bool TPolygonsController::AskPolygonName(std::string& name)
{
    if (viewer_.Display().Dialogs.InputText)
        return viewer_.Display().Dialogs.InputText("Construcción de Polígonos", "Ingrese el nombre del polígono", name);
    QVariant value(QString::fromStdString(name));
    const bool accepted = ZelUtils::InputInteger("Construcción de Polígonos", "Ingrese el nombre del polígono",
                                                 value, ZelUtils::FieldText);
    name = value.toString().toStdString();
    return accepted;
}

TPolygonsController::~TPolygonsController() = default;

void TPolygonsController::RegisterCommands(TCommandRegistry& registry)
{
    using C = TPolygonsController;
    registry.Register(CommandTable::TOwner::Polygons, {{Cmd::aConstruir1, this, &C::NuevoPoligonoClick},
                                                       {Cmd::aExportar1, this, &C::Exportar1Click},
                                                       {Cmd::aImportar1, this, &C::Importar1Click},
                                                       {Cmd::pupNuevoPoligono, this, &C::pupNuevoPoligonoClick},
                                                       {Cmd::SaveZon, this, &C::SaveZonClick}});
    // The polygons' names shown, or shown above them: the map is drawn again.
    for (TCommandId id : {Cmd::MostrarNombresPlg, Cmd::MostrarNombresArribaPlg})
        registry.Register(CommandTable::TOwner::Polygons, id, [this] { viewer_.RedrawMap(); });
    if (qApp && !escapeFilter_) {
        escapeFilter_ = std::make_unique<EscapeFilter>(*this);
        qApp->installEventFilter(escapeFilter_.get());
    }
}

void TPolygonsController::ConnectPolygonItem(QAction* item, const char* menu)
{
    const std::string name = menu;
    void (TPolygonsController::*handler)(QAction*) = &TPolygonsController::DeletePolygon;
    if (name.find("Redefinir") != std::string::npos)
        handler = &TPolygonsController::ModifyPolygon;
    else if (name.find("Reconfigurar") != std::string::npos)
        handler = &TPolygonsController::ReconfigPolygon;
    QObject::connect(item, &QAction::triggered, item, [this, item, handler] { (this->*handler)(item); });
}

// ---------------------------------------------------------------- drawing a new polygon

// Red outline 4 pixels wide in not-xor mode: drawn twice it is gone again.
void TPolygonsController::Highlight(int32_t i)
{
    TOxrImage& img = *viewer_.img;
    QPainter* c = img.Canvas();
    if (!c)
        return;
    const TPoligono& p = Poligonos[static_cast<size_t>(i)];
    c->save();
    img.PenMode = TPenMode::NotXor;
    c->setPen(QPen(Col(Red), 4));
    c->setBrush(Qt::NoBrush);
    img.PolygonPtArray(Vertices(p), p.VertexCount() - 1);
    img.PenMode = TPenMode::Copy;
    c->restore();
}

// Snap targets: the vertices of the other active polygons that lie in the view,
// each marked with a red square.
void TPolygonsController::BuildSnapList(int32_t skip)
{
    TOxrImage& img = *viewer_.img;
    SnapPoints = QPolygonF(1);
    SnapRegions.assign(1, QRegion());
    NumSnapPoints = 0;
    SnapHit = 0;
    QPainter* c = img.Canvas();
    if (c) {
        c->save();
        c->setPen(QPen(Col(Red), 1));
        c->setBrush(Col(Red));
    }
    img.PenMode = TPenMode::Copy;
    const double u = img.UnitsPerPixel();
    for (int32_t i = 0; i < NumPoligonos && i <= MaxPoligonos; ++i) {
        const TPoligono& p = Poligonos[static_cast<size_t>(i)];
        if (i == skip || !p.Visible)
            continue;
        for (int32_t k = 1; k <= p.VertexCount() && NumSnapPoints < MaxSnapPoints; ++k) {
            const TPoint& v = p.Points[static_cast<size_t>(k)];
            if (v.x < UserView().WorldMinX || v.x > UserView().WorldMaxX || v.y < UserView().WorldMinY || v.y > UserView().WorldMaxY)
                continue;
            SnapPoints << QPointF(v.x, v.y);
            SnapRegions.push_back(img.CircleRegion(v, 4));
            ++NumSnapPoints;
            if (c)
                img.RectangleW(v.x - 4 * u, v.y - 4 * u, v.x + 4 * u, v.y + 4 * u);
        }
    }
    if (c)
        c->restore();
}

void TPolygonsController::pupNuevoPoligonoClick() { NuevoPoligonoClick(); }

void TPolygonsController::NuevoPoligonoClick()
{
    viewer_.img->setCursor(Qt::CrossCursor);
    UserPolygonActive = true;
    viewer_.HideLegends();
    viewer_.Selection().PolyPoints.clear();
    BuildSnapList(-1);
}

void TPolygonsController::AddPolygonClickPoint(double x, double y)
{
    if (!UserPolygonActive)
        return;
    // Further presses beyond the capacity of the click list are ignored.
    QPolygonF& clicked = viewer_.Selection().PolyPoints;
    if (clicked.size() >= MaxClickPoints)
        return;
    TOxrImage* img = viewer_.img;
    const QPointF p = SnapHit > 0 && SnapHit <= NumSnapPoints ? SnapPoints[SnapHit] : QPointF(x, y);
    if (QPainter* c = img->Canvas(); c && !clicked.isEmpty()) {
        c->save();
        img->PenMode = TPenMode::NotXor;
        c->setPen(QPen(Col(ProgramOptions().PoliBordeColor), 1));
        img->LineW(clicked.last().x(), clicked.last().y(), p.x(), p.y());
        img->PenMode = TPenMode::Copy;
        c->restore();
    }
    clicked << p;
}

void TPolygonsController::FollowPolygonRubberLine(double x, double y)
{
    const QPolygonF& clicked = viewer_.Selection().PolyPoints;
    if (clicked.isEmpty())
        return;
    TOxrImage* img = viewer_.img;
    const QPen pen(DisplayStyles::ToQColor(viewer_.Selection().RegionOutlineColor()), 1, Qt::DashLine);
    const QPointF from = clicked.last();
    MapToolFeedback::XorDraw(*img, pen, [&] { img->LineW(from.x(), from.y(), LastPoint.x, LastPoint.y); });
    LastPoint = {x, y};
    MapToolFeedback::XorDraw(*img, pen, [&] { img->LineW(from.x(), from.y(), LastPoint.x, LastPoint.y); });
}

void TPolygonsController::StoreDrawnPolygon()
{
    UserPolygonActive = false;
    TOxrImage& img = *viewer_.img;
    img.unsetCursor();
    QPolygonF& drawn = viewer_.Selection().PolyPoints;
    std::vector<TPoint> points;
    points.reserve(static_cast<size_t>(drawn.size()));
    for (const QPointF& p : drawn)
        points.push_back(TPoint{p.x(), p.y()});
    drawn.clear();
    if (!points.empty())
        img.LineToW(points.front().x, points.front().y);
    const int32_t n = NumPoligonos;
    // The table's last record is taken: nothing more can be stored.
    if (n > MaxPoligonos) {
        Services().ShowMessage(Format("No se pueden crear más polígonos (máximo %d).", MaxPoligonos + 1));
        return;
    }
    std::string name = Format("Plgn%d", n + 1);
    const std::string proposed = name;
    // Cancelling keeps the proposed name.
    if (!AskPolygonName(name))
        name = proposed;

    TPoligono& p = Poligonos[static_cast<size_t>(n)];
    p = TPoligono{};
    p.Id = n + 1;
    p.Name = name;
    p.Visible = 1;
    p.PointCount = static_cast<int32_t>(std::min<size_t>(points.size(), MaxPolygonVertices));
    p.PenColor = ProgramOptions().PoliBordeColor;
    p.BrushColor = ProgramOptions().PoliRellenoColor;
    p.PenWidth = ProgramOptions().PoliBordeAncho;
    p.BrushClear = ProgramOptions().PoliRellenoClear ? 1 : 0;
    p.Points.assign(static_cast<size_t>(p.PointCount) + 1, TPoint{});
    // The name is written at the middle of the vertices until it is moved.
    for (int32_t k = 1; k <= p.PointCount; ++k) {
        p.Points[static_cast<size_t>(k)] = points[static_cast<size_t>(k - 1)];
        p.Points[0].x += points[static_cast<size_t>(k - 1)].x / p.PointCount;
        p.Points[0].y += points[static_cast<size_t>(k - 1)].y / p.PointCount;
    }

    for (const char* menu : PolygonMenus) {
        QAction* item = PolygonMenu(menu, true)->addAction(Qs(name));
        item->setData(n);
        ConnectPolygonItem(item, menu);
    }
    NumPoligonos = n + 1;
    viewer_.SetCommandOn(Cmd::tbPoligonos, true);
    viewer_.RedrawMap();
}

namespace {
// The lines from the dragged handle at `at` to its neighbouring vertex handles.
void DrawHandleLines(TOxrImage& img, const QPolygonF& handles, int32_t prev, int32_t next, const TPoint& at)
{
    MapToolFeedback::XorDraw(img, MapToolFeedback::RedPen(), [&] {
        if (prev > 0 && prev < handles.size())
            img.LineW(handles[prev].x(), handles[prev].y(), at.x, at.y);
        if (next > 0 && next < handles.size())
            img.LineW(at.x, at.y, handles[next].x(), handles[next].y());
    });
}
} // namespace

void TPolygonsController::PressPolygonHandle(const TMapMouse& m)
{
    EditHandle = PickPolygonHandle(m.i, m.j);
    if (EditHandle <= 0)
        return;
    const bool vertex =
        EditHandle < static_cast<int32_t>(EditHandleIsVertex.size()) && EditHandleIsVertex[EditHandle];
    if (m.Shift.Shift() && vertex) {
        DeletePolygonVertex(EditHandle);
        EditHandle = 0;
        return;
    }
    LastPoint = {m.x, m.y};
    HandlePress = LastPoint;
    // Shift on a midpoint starts its drag as a plain press does, without the
    // rubber lines at the press.
    if (m.Shift.Shift())
        return;
    int32_t prev = 0, next = 0;
    HandleNeighbours(EditHandle, prev, next);
    DrawHandleLines(*viewer_.img, EditHandles, prev, next, LastPoint);
}

void TPolygonsController::FollowPolygonHandle(double x, double y)
{
    if (EditHandle <= 0)
        return;
    int32_t prev = 0, next = 0;
    HandleNeighbours(EditHandle, prev, next);
    DrawHandleLines(*viewer_.img, EditHandles, prev, next, LastPoint);
    LastPoint = {x, y};
    DrawHandleLines(*viewer_.img, EditHandles, prev, next, LastPoint);
}

void TPolygonsController::ReleasePolygonHandle(double x, double y)
{
    int32_t prev = 0, next = 0;
    HandleNeighbours(EditHandle, prev, next);
    DrawHandleLines(*viewer_.img, EditHandles, prev, next, LastPoint);
    // A click that never left the pixel it pressed is no drag: the vertex stays
    // where it is (not at the pixel clicked, nor on a snap target there), and a
    // midpoint makes no vertex.
    if (x == HandlePress.x && y == HandlePress.y) {
        EditHandle = 0;
        viewer_.RedrawMap();
        return;
    }
    DropPolygonHandle(x, y, ZelUtils::CtrlDown() && ZelUtils::AltDown());
}

int32_t TPolygonsController::SnapTargetAt(int pixX, int pixY)
{
    SnapHit = 0;
    for (int32_t k = 1; k <= NumSnapPoints && k < static_cast<int32_t>(SnapRegions.size()); ++k)
        if (SnapRegions[static_cast<size_t>(k)].contains(QPoint(pixX, pixY))) {
            SnapHit = k;
            break;
        }
    return SnapHit;
}

// ---------------------------------------------------------------- delete and restyle

void TPolygonsController::DeletePolygon(QAction* sender)
{
    const int32_t i = TagOf(sender);
    if (!ValidPolygon(i))
        return;
    Highlight(i);
    if (!Services().AskYesNo("Desea borrar el polígono?")) {
        Highlight(i);
        return;
    }
    Poligonos[static_cast<size_t>(i)].Visible = 0;
    for (const char* name : PolygonMenus)
        if (QMenu* m = PolygonMenu(name, false))
            if (QAction* item = m->actions().value(i))
                item->setEnabled(false);
    if (EditPolygon == i)
        EndPolygonEdit();
    viewer_.RedrawMap();
}

void TPolygonsController::ReconfigPolygon(QAction* sender)
{
    const int32_t i = TagOf(sender);
    if (!ValidPolygon(i))
        return;
    Highlight(i);
    TDlgCfg& d = Secondary::DlgCfg();
    QTabWidget* pages = d.CfgPaginas;
    pages->setTabVisible(pages->indexOf(d.CfgAmpliacion), false);
    pages->setTabVisible(pages->indexOf(d.CfgPreferencias), false);
    const QString grey = QStringLiteral("QGroupBox::title { color: #808080; }");
    d.ArcosSeleccionados->setStyleSheet(grey);
    d.Zonificacion->setStyleSheet(grey);
    pages->setCurrentWidget(d.CfgColores);

    TPoligono saved;
    SetPolygonStyle(saved);
    TPoligono& p = Poligonos[static_cast<size_t>(i)];
    d.PoliBordeColor->SetColor(p.PenColor);
    d.PoliBordeAncho->setValue(p.PenWidth);
    d.PoliRellenoColor->SetColor(p.BrushColor);
    d.PoliRellenoClear->setChecked(p.BrushClear != 0);

    d.exec();
    // Whichever button closed the dialog, its values are the polygon's style.
    SetPolygonStyle(p);

    d.PoliBordeColor->SetColor(saved.PenColor);
    d.PoliBordeAncho->setValue(saved.PenWidth);
    d.PoliRellenoColor->SetColor(saved.BrushColor);
    d.PoliRellenoClear->setChecked(saved.BrushClear != 0);
    pages->setTabVisible(pages->indexOf(d.CfgAmpliacion), true);
    pages->setTabVisible(pages->indexOf(d.CfgPreferencias), true);
    d.ArcosSeleccionados->setStyleSheet(QString());
    d.Zonificacion->setStyleSheet(QString());
    pages->setCurrentWidget(d.CfgPreferencias);
    viewer_.RedrawMap();
}

// ---------------------------------------------------------------- modification through handles

void TPolygonsController::ModifyPolygon(QAction* sender)
{
    viewer_.img->unsetCursor();
    canModifyPolygon(TagOf(sender));
}

void TPolygonsController::canModifyPolygon(int32_t index)
{
    if (!ValidPolygon(index))
        return;
    const TPoligono& p = Poligonos[static_cast<size_t>(index)];
    const int32_t n = p.VertexCount();
    if (n > MaxEditVertices) {
        Services().ShowMessage(Format("El polígono %s tiene %d vértices: solo se pueden redefinir polígonos de "
                                      "hasta %d vértices.",
                                      p.Name, n, MaxEditVertices));
        return;
    }
    TOxrImage& c = *viewer_.img;
    c.PenMode = TPenMode::Copy;
    BuildSnapList(index);

    NumEditHandles = 2 * n;
    EditHandles = QPolygonF(NumEditHandles + 1);
    EditHandleIsVertex.assign(static_cast<size_t>(NumEditHandles) + 1, false);
    EditHandleRegions.assign(static_cast<size_t>(NumEditHandles) + 1, QRegion());
    for (int32_t k = 1; k <= n; ++k) {
        const TPoint& v = p.Points[static_cast<size_t>(k)];
        const TPoint& next = p.Points[static_cast<size_t>(k < n ? k + 1 : 1)];
        EditHandles[2 * k - 1] = QPointF(v.x, v.y);
        EditHandleIsVertex[static_cast<size_t>(2 * k - 1)] = true;
        EditHandleRegions[static_cast<size_t>(2 * k - 1)] = c.CircleRegion(v, 4);
        const TPoint mid{0.5 * v.x + 0.5 * next.x, 0.5 * v.y + 0.5 * next.y};
        EditHandles[2 * k] = QPointF(mid.x, mid.y);
        EditHandleRegions[static_cast<size_t>(2 * k)] = c.CircleRegion(mid, k < n ? 4 : 5);
    }

    if (QPainter* painter = c.Canvas(); painter && n > 0) {
        std::vector<TPoint> handles;
        for (int32_t j = 1; j <= NumEditHandles; ++j)
            handles.push_back({EditHandles[j].x(), EditHandles[j].y()});
        painter->save();
        c.PenMode = TPenMode::NotXor;
        painter->setPen(QPen(Col(Red), 3));
        painter->setBrush(Col(15793151));
        c.PolygonPtArray(handles, NumEditHandles - 1);
        c.PenMode = TPenMode::Copy;
        painter->setPen(Qt::NoPen);
        for (int32_t j = 1; j <= NumEditHandles; ++j) {
            painter->setBrush(Col(EditHandleIsVertex[static_cast<size_t>(j)] ? 0u : 8421504u));
            c.Circle(EditHandles[j].x(), EditHandles[j].y(), -4);
        }
        painter->restore();
    }
    EditPolygon = index;
}

int32_t TPolygonsController::PickPolygonHandle(int pixX, int pixY) const
{
    for (int32_t j = 1; j <= NumEditHandles && j < static_cast<int32_t>(EditHandleRegions.size()); ++j)
        if (EditHandleRegions[static_cast<size_t>(j)].contains(QPoint(pixX, pixY)))
            return j;
    return 0;
}

void TPolygonsController::HandleNeighbours(int32_t handle, int32_t& previous, int32_t& next) const
{
    previous = next = 0;
    const int32_t count = NumEditHandles;
    if (handle < 1 || handle > count)
        return;
    auto isVertex = [this](int32_t j) { return EditHandleIsVertex[static_cast<size_t>(j)]; };
    for (int32_t s = 1; s < count && !previous; ++s) {
        const int32_t j = (handle - 1 - s + count) % count + 1;
        if (isVertex(j))
            previous = j;
    }
    for (int32_t s = 1; s < count && !next; ++s) {
        const int32_t j = (handle - 1 + s) % count + 1;
        if (isVertex(j))
            next = j;
    }
}

void TPolygonsController::RebuildEditPolygon()
{
    if (!ValidPolygon(EditPolygon))
        return;
    TPoligono& p = Poligonos[static_cast<size_t>(EditPolygon)];
    const TPoint label = p.LabelPoint();
    std::vector<TPoint> points{label};
    for (int32_t j = 1; j <= NumEditHandles; ++j)
        if (EditHandleIsVertex[static_cast<size_t>(j)] && static_cast<int32_t>(points.size()) <= MaxPolygonVertices)
            points.push_back({EditHandles[j].x(), EditHandles[j].y()});
    p.PointCount = static_cast<int32_t>(points.size()) - 1;
    p.Points = std::move(points);
}

void TPolygonsController::DeletePolygonVertex(int32_t handle)
{
    if (EditPolygon < 0 || handle < 1 || handle > NumEditHandles)
        return;
    EditHandleIsVertex[static_cast<size_t>(handle)] = false;
    RebuildEditPolygon();
    EditHandle = 0;
    viewer_.RedrawMap();
    canModifyPolygon(EditPolygon);
}

void TPolygonsController::DropPolygonHandle(double x, double y, bool moveAll)
{
    const int32_t j = EditHandle;
    if (EditPolygon < 0 || j < 1 || j > NumEditHandles)
        return;
    if (moveAll) {
        // The offset is held in single precision, as the move has always been.
        const float dx = static_cast<float>(x - EditHandles[j].x());
        const float dy = static_cast<float>(y - EditHandles[j].y());
        for (int32_t k = 1; k <= NumEditHandles; ++k)
            EditHandles[k] += QPointF(dx, dy);
    } else {
        EditHandles[j] = SnapHit > 0 && SnapHit <= NumSnapPoints ? SnapPoints[SnapHit] : QPointF(x, y);
    }
    EditHandleIsVertex[static_cast<size_t>(j)] = true;
    RebuildEditPolygon();
    EditHandle = 0;
    viewer_.RedrawMap();
    canModifyPolygon(EditPolygon);
}

void TPolygonsController::EndPolygonEdit()
{
    const bool editing = EditPolygon >= 0;
    EditHandle = 0;
    EditPolygon = -1;
    SnapRegions.assign(1, QRegion());
    NumSnapPoints = 0;
    SnapHit = 0;
    if (editing)
        viewer_.RedrawMap();
}

// ---------------------------------------------------------------- polygon files

void TPolygonsController::ClearPolygonMenus()
{
    for (const char* name : PolygonMenus)
        if (QMenu* m = PolygonMenu(name, false))
            for (QAction* a : m->actions()) {
                m->removeAction(a);
                a->deleteLater();
            }
}

void TPolygonsController::AddPolygonEntries(int32_t index)
{
    const QString caption = Qs(Poligonos[static_cast<size_t>(index)].Name);
    for (const char* name : PolygonMenus)
        if (QMenu* m = PolygonMenu(name, false)) {
            QAction* item = m->addAction(caption);
            item->setData(index);
            ConnectPolygonItem(item, name);
        }
}

void TPolygonsController::ReplacePolygons(const std::vector<TPolygonRecord>& records)
{
    EndPolygonEdit();
    ClearPolygonMenus();
    const int32_t count = std::min(static_cast<int32_t>(records.size()), MaxPoligonos + 1);
    for (int32_t i = 0; i < count; ++i) {
        const TPolygonRecord& r = records[static_cast<size_t>(i)];
        TPoligono& p = Poligonos[static_cast<size_t>(i)];
        p = TPoligono{};
        p.Id = r.Id;
        p.Name = r.Name;
        p.Visible = 1;
        p.PointCount = std::min(static_cast<int32_t>(r.Points.size()), MaxPolygonVertices);
        p.PenColor = r.PenColor;
        p.PenWidth = r.PenWidth;
        p.BrushColor = r.BrushColor;
        p.BrushClear = r.BrushClear ? 1 : 0;
        p.Points.assign(static_cast<size_t>(p.PointCount) + 1, TPoint{});
        p.Points[0] = r.Label;
        std::copy_n(r.Points.begin(), p.PointCount, p.Points.begin() + 1);
        AddPolygonEntries(i);
    }
    NumPoligonos = count;
    viewer_.Action(Cmd::tbPoligonos)->setEnabled(true);
    savedContent_ = PolygonsContent(); // as the file holds them
}

void TPolygonsController::SwapPolygons(TPolygonSet& aside)
{
    TPolygonSet shown;
    shown.Polygons.assign(Poligonos.begin(), Poligonos.begin() + std::clamp(NumPoligonos, 0, MaxPoligonos + 1));
    shown.FileName = PolygonFileName;
    // What each set's file holds goes with it: the set put back is as unsaved as it was.
    shown.SavedContent = savedContent_;
    EndPolygonEdit();
    ClearPolygonMenus();
    const int32_t count = std::min(static_cast<int32_t>(aside.Polygons.size()), MaxPoligonos + 1);
    for (int32_t i = 0; i < count; ++i) {
        Poligonos[static_cast<size_t>(i)] = aside.Polygons[static_cast<size_t>(i)];
        AddPolygonEntries(i);
        if (!Poligonos[static_cast<size_t>(i)].Visible)
            for (const char* name : PolygonMenus)
                if (QMenu* m = PolygonMenu(name, false))
                    if (QAction* item = m->actions().value(i))
                        item->setEnabled(false);
    }
    NumPoligonos = count;
    PolygonFileName = aside.FileName;
    savedContent_ = aside.SavedContent;
    aside = std::move(shown);
}

bool TPolygonsController::PolygonDialog(bool save, std::string& fileName, int& filter)
{
    QFileDialog dialog(viewer_.DialogParent(),
                       save ? QStringLiteral("Export polygons ...") : QStringLiteral("Import polygons ..."));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!save)
        dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("plg"));
    dialog.setNameFilters({QString::fromUtf8(PlgFilter), QString::fromUtf8(GeoFilter)});
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (save)
        SuffixFollowsFilter(dialog);
    if (save)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    if (!PolygonFileName.empty())
        dialog.selectFile(Qs(PolygonFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().front().toStdString();
    filter = ChosenFilter(dialog) == 1 ? 1 : 0;
    return true;
}

void TPolygonsController::Exportar1Click()
{
    if (NumPoligonos == 0)
        return;
    std::string name;
    int filter = 0;
    if (!PolygonDialog(true, name, filter))
        return;
    // The polygons take the name only once they are in the file: a write that
    // failed leaves them under the name they had.
    if (ExportarPoligonos(name, filter == 1)) {
        PolygonFileName = name;
        savedContent_ = PolygonsContent();
    }
}

std::string TPolygonsController::PolygonsContent()
{
    std::string content;
    for (int32_t i = 0; i < NumPoligonos && i <= MaxPoligonos; ++i) {
        const TPoligono& p = Poligonos[static_cast<size_t>(i)];
        content += ZelUtils::Format("%d;%s;%d;%u;%d;%u;%d", p.Id, p.Name, p.Visible, p.PenColor, p.PenWidth,
                                    p.BrushColor, p.BrushClear);
        content += ZelUtils::Format(";%.17g;%.17g", p.LabelPoint().x, p.LabelPoint().y);
        for (int32_t k = 1; k <= p.VertexCount(); ++k)
            content += ZelUtils::Format(";%.17g;%.17g", p.Points[static_cast<size_t>(k)].x,
                                        p.Points[static_cast<size_t>(k)].y);
        content += '\n';
    }
    return content;
}

bool TPolygonsController::PolygonsUnsaved() const
{
    return NumPoligonos > 0 && PolygonsContent() != savedContent_; // none in use: nothing to lose
}

bool TPolygonsController::ExportarPoligonos(const std::string& fileName, bool areaFormat)
{
    // Every record in use is written, deleted ones included: the format has no
    // field for that, so they come back active.
    std::vector<TPolygonRecord> records;
    for (int32_t i = 0; i < NumPoligonos && i <= MaxPoligonos; ++i) {
        const TPoligono& p = Poligonos[static_cast<size_t>(i)];
        TPolygonRecord r;
        r.Id = p.Id;
        r.Name = p.Name;
        for (int32_t k = 1; k <= p.VertexCount(); ++k)
            r.Points.push_back(p.Points[static_cast<size_t>(k)]);
        r.PenColor = p.PenColor;
        r.PenWidth = p.PenWidth;
        r.BrushColor = p.BrushColor;
        r.BrushClear = p.BrushClear != 0;
        r.Label = p.LabelPoint();
        records.push_back(std::move(r));
    }
    const bool ok = areaFormat ? PolygonFile::WriteArea(fileName, records) : PolygonFile::Write(fileName, records);
    if (!ok)
        Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return ok;
}

void TPolygonsController::Importar1Click()
{
    // The polygons read take the place of those shown.
    if (!viewer_.Files().ConfirmUnsavedEdits(false, false, false, true))
        return;
    std::string name;
    int filter = 0;
    if (!PolygonDialog(false, name, filter))
        return;
    // A file without one outline of three vertices (another kind of file, or one
    // holding only comments) is no polygon file: the polygons shown stay, with
    // their file's name, and the polygons' button is not pressed for nothing.
    std::vector<TPolygonRecord> records;
    const bool read = filter == 1 ? PolygonFile::ReadArea(name, NewPolygonStyle(), records)
                                  : PolygonFile::ReadAll(name, records);
    const auto outline = [](const TPolygonRecord& r) { return r.Points.size() >= 3; };
    if (read && std::none_of(records.begin(), records.end(), outline)) {
        Services().ShowMessage(Format("El archivo %s no tiene ningún polígono.", name));
        return;
    }
    if (read && !PolygonsFit(records, name))
        return;
    PolygonFileName = name;
    if (filter == 1)
        ImportarPoligonosGeo(name);
    else
        ImportarPoligonosPlg();
}

bool TPolygonsController::ImportarPoligonosPlg()
{
    std::vector<TPolygonRecord> records;
    if (!PolygonFile::ReadAll(PolygonFileName, records)) {
        Services().ShowMessage(Format("No se pudo leer el archivo %s", PolygonFileName));
        return false;
    }
    if (!PolygonsFit(records, PolygonFileName))
        return false;
    ReplacePolygons(records);
    viewer_.SetCommandOn(Cmd::tbPoligonos, true);
    return true;
}

bool TPolygonsController::ImportarPoligonosGeo(const std::string& fileName)
{
    std::vector<TPolygonRecord> records;
    if (!PolygonFile::ReadArea(fileName, NewPolygonStyle(), records)) {
        Services().ShowMessage(Format("No se pudo leer el archivo %s", fileName));
        return false;
    }
    if (!PolygonsFit(records, fileName))
        return false;
    ReplacePolygons(records);
    return true;
}

// ---------------------------------------------------------------- zoning save

void TPolygonsController::SaveZonClick()
{
    // Without an outline there is no zoning to save: the file chosen would be
    // replaced by an empty one.
    if (!PolygonFile::AnyZoneOutline()) {
        Services().ShowMessage("No hay zonificación que guardar: ninguna zona de la red abierta tiene contorno.");
        return;
    }
    TWaitCursor wait;
    QFileDialog dialog(viewer_.DialogParent(), QStringLiteral("Exportar Zonificación ..."));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("geo"));
    dialog.setNameFilter(QStringLiteral("TransCAD text/geography [*.geo] (*.geo)"));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !ProgramOptions().Overwrite);
    // The dialog must be usable while the hourglass is up.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    QApplication::restoreOverrideCursor();
    if (chosen) {
        // The zoning is known by the new name only once it is written there.
        const std::string name = dialog.selectedFiles().front().toStdString();
        if (PolygonFile::WriteZoning(name)) {
            ZoningFileName = name;
            Network.ZoningUnsaved = false;
        } else
            Services().ShowMessage(FileUtils::WriteFailure(name));
    }
}
