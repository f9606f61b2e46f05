#include "analysis/gui/KDVMix.h"
#include "analysis/gui/JunctionToolbar.h"
#include "map/ViewState.h"
#include "platform/ImageFile.h"
#include "printing/gui/FrmPreview.h"

#include "analysis/Fases.h"
#include "analysis/KDVMixStacks.h"
#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "map/ViewState.h"
#include "map/gui/OxrImage.h"
#include "model/KDVlib.h"
#include "model/KDVvars.h"
#include "model/LinkShapes.h"
#include "model/ZelUtils.h"
#include "model/ZelUtilsGeometry.h"
#include "widgets/TypedNumber.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

namespace {

QColor WinColor(uint32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

int32_t AngleTenths(const TPoint& a, const TPoint& b)
{
    return ZelUtils::Round(ZelUtils::PointAngle(a, b) * 1800.0 / std::numbers::pi);
}

TPoint Mean(const TPoint& a, const TPoint& b) { return {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0}; }

QSpinBox* Spin(QToolBar* bar, const char* name, int value, const char* hint)
{
    auto* s = new TWholeSpinBox(bar);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(0, 999);
    s->setValue(value);
    s->setToolTip(QString::fromUtf8(hint));
    s->setFixedSize(44, 21);
    bar->addWidget(s);
    return s;
}

} // namespace

TFrmMix::TFrmMix(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmMix"));
    setWindowTitle(QStringLiteral("Diagrama de Flujos"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const TJunctionToolbar t = BuildJunctionToolbar(this);
    QToolBar* bar = t.bar;
    bar->setFixedHeight(26);
    connect(t.tbPrint, &QAction::triggered, this, &TFrmMix::tbPrintClick);
    connect(t.tbCopy, &QAction::triggered, this, &TFrmMix::tbCopyClick);
    connect(t.tbFirst, &QAction::triggered, this, &TFrmMix::tbFirstClick);
    connect(t.tbPrev, &QAction::triggered, this, &TFrmMix::tbPrevClick);
    connect(t.tbNext, &QAction::triggered, this, &TFrmMix::tbNextClick);
    connect(t.tbLast, &QAction::triggered, this, &TFrmMix::tbLastClick);
    pupNodos = t.pupNodos;
    sed1 = Spin(bar, "sed1", 5, "Separación de las bandas al eje del brazo");
    sec1 = Spin(bar, "sec1", 75, "Valor sin uso en el diagrama");
    sewv = Spin(bar, "sewv", 60, "Ancho de la banda del mayor total de un brazo");
    layout->addWidget(bar);
    fimg = new TOxrImage(this);
    fimg->setObjectName(QStringLiteral("fimg"));
    fimg->setFixedSize(500, 500);
    layout->addWidget(fimg);
    connect(pupNodos, &QMenu::triggered, this, &TFrmMix::NodoClick);
    MixListOk = false;
}

void TFrmMix::closeEvent(QCloseEvent* event)
{
    MixListOk = false;
    QDialog::closeEvent(event);
}

void TFrmMix::hideEvent(QHideEvent* event)
{
    MixListOk = false;
    QDialog::hideEvent(event);
}

void TFrmMix::ForgetJunctions()
{
    pupNodos->clear();
    MixNodos.assign(1, 0);
    MixPos = -1;
    MixListOk = false;
    NodoActual = 0;
    fimg->Clear();
}

void TFrmMix::MakeMixNodos()
{
    pupNodos->clear();
    MixNodos.assign(1, 0);
    for (int32_t i = 1; i <= Network.NodeCount; ++i) {
        NodoEnLista[i] = 0;
        const int32_t t = Nodos[i].JunctionType;
        if (t >= 1 && t <= 5) {
            NodoEnLista[i] = 1;
            QAction* a = pupNodos->addAction(QString::number(Nodos[i].Number));
            a->setData(i);
            MixNodos.push_back(i);
        }
    }
    MixNodos[0] = static_cast<int32_t>(MixNodos.size()) - 1;
    MixListOk = true;
}

void TFrmMix::ShowPosition(int32_t pos)
{
    // An empty or unbuilt list has no junction at any position: nothing to draw.
    if (pos < 0 || pos >= MixNodos[0] || static_cast<size_t>(pos) + 1 >= MixNodos.size())
        return;
    MixPos = pos;
    NodoActual = MixNodos[static_cast<size_t>(pos) + 1];
    DrawMix(NodoActual, MixVar);
}

void TFrmMix::tbFirstClick() { ShowPosition(0); }
void TFrmMix::tbLastClick() { ShowPosition(MixNodos[0] - 1); }
void TFrmMix::tbPrevClick()
{
    if (MixPos > 0)
        ShowPosition(MixPos - 1);
}
void TFrmMix::tbNextClick()
{
    if (MixPos < MixNodos[0] - 1)
        ShowPosition(MixPos + 1);
}

void TFrmMix::NodoClick(QAction* item)
{
    if (!item)
        return;
    MixPos = -1;
    DrawMix(item->data().toInt(), MixVar);
}

void TFrmMix::DrawMix(int32_t Node, int32_t Var)
{
    if (Node < 1 || Node > Network.NodeCount)
        return;
    NodoActual = Node;
    if (MixPos < 0)
        for (int32_t p = 0; p < MixNodos[0] && static_cast<size_t>(p) + 1 < MixNodos.size(); ++p)
            if (MixNodos[static_cast<size_t>(p) + 1] == Node) {
                MixPos = p;
                break;
            }
    MixVar = Var;
    // No variable (the network offers none to the diagram menu): the junction and
    // its arms are drawn, no flow, and the caption names no variable.
    const bool flows = Var >= 1 && Var <= NumMovVars;
    const TNodo& junction = Nodos[Node];
    setWindowTitle(QString::fromStdString(ZelUtils::Format("Diagrama de Flujos (%s). Nodo : %d",
                                                           flows ? KDVlib::CodeText(Var) : std::string(),
                                                           junction.Number)));
    const TPoint C{junction.X, junction.Y};
    UserView().WorldMinX = C.x - 400;
    UserView().WorldMaxX = C.x + 400;
    UserView().WorldMinY = C.y - 400;
    UserView().WorldMaxY = C.y + 400;
    const int32_t n = std::clamp<int32_t>(junction.ArmCount, 0, MaxArms);
    MixPoints.assign(static_cast<size_t>(n) + 1, C);
    for (int32_t k = 1; k <= n; ++k) {
        const TConector& arm = junction.Arms[k - 1];
        const double dx = arm.OtherX - C.x, dy = arm.OtherY - C.y, d = std::hypot(dx, dy);
        // An arm node on the junction itself has no direction: its point stays on the junction.
        if (d > 0)
            MixPoints[static_cast<size_t>(k)] = {C.x + 225.0 * dx / d, C.y + 225.0 * dy / d};
    }
    const KDVMixStacks::TStacks st = KDVMixStacks::Build(Node, Var, sed1->value(), sewv->value());

    fimg->Clear();
    fimg->SetWorld(C.x - 250, C.y - 250, C.x + 250, C.y + 250);
    QPainter* c = fimg->Canvas();
    if (!c)
        return;
    const double X0 = fimg->PixelToWorldX(0), Y0 = fimg->PixelToWorldY(0);
    c->setPen(QPen(Qt::black, 1));
    c->setBrush(WinColor(0xE1FFFF));
    fimg->RectangleW(C.x - 250, C.y - 250, C.x + 250, C.y + 250);
    c->setBrush(Qt::NoBrush);
    c->setPen(QPen(WinColor(0xC0C0C0), 1));
    fimg->PenMode = TPenMode::Copy;
    DrawSolera();

    const QColor grey = WinColor(0x808080);
    c->setPen(QPen(grey, 1));
    c->setBrush(Qt::white);
    for (int32_t k = 1; k <= n; ++k)
        fimg->LinePts(MixPoints[0], MixPoints[static_cast<size_t>(k)]);
    for (int32_t k = 1; k <= n; ++k) {
        c->setPen(QPen(grey, 1, junction.JunctionType == 3 ? Qt::SolidLine : Qt::DotLine));
        fimg->CirclePt(MixPoints[0], -30);
        const int32_t other = junction.Arms[k - 1].OtherIndex;
        const bool signal = other >= 1 && other <= Network.NodeCount && Nodos[other].JunctionType == 3;
        c->setPen(QPen(grey, 1, signal ? Qt::SolidLine : Qt::DotLine));
        fimg->CirclePt(MixPoints[static_cast<size_t>(k)], -25);
    }
    c->setBrush(Qt::NoBrush);
    const TLabelFont& lf = UserView().LabelFonts[1];
    QFont font = DisplayStyles::ToQFont(lf);
    fimg->FontColor = DisplayStyles::ToQColor(lf.Color);
    for (int32_t k = 1; k <= n; ++k) {
        QFont bold = font;
        bold.setBold(true);
        bold.setPointSize(lf.Size + 1);
        c->setFont(bold);
        fimg->LabelAt(0, ZelUtils::Format("%d", junction.Number), MixPoints[0].x, MixPoints[0].y, 4, 0);
        QFont regular = font;
        regular.setBold(false);
        regular.setPointSize(lf.Size);
        c->setFont(regular);
        fimg->LabelAt(0, ZelUtils::Format("%d", junction.Arms[k - 1].OtherNode), MixPoints[static_cast<size_t>(k)].x,
                      MixPoints[static_cast<size_t>(k)].y, 4, 0);
    }
    if (!flows) {
        fimg->update();
        return;
    }

    // Ring points of every arm: outer (180 px), inner (120 px) and the arrow tip.
    const int32_t p0x = fimg->WorldToPixelX(C.x), p0y = fimg->WorldToPixelY(C.y);
    std::vector<std::vector<TPoint>> OE(n + 1), OF(n + 1), IE(n + 1), IF(n + 1);
    std::vector<TPoint> T(n + 1);
    const QPen outline(WinColor(0x800000), 2);
    for (int32_t k = 1; k <= n; ++k) {
        const TConector& arm = junction.Arms[k - 1];
        const double lk = std::hypot(double(fimg->WorldToPixelX(arm.OtherX) - p0x),
                                     double(fimg->WorldToPixelY(arm.OtherY) - p0y));
        const KDVMixStacks::TArmStack& a = st.Arms[static_cast<size_t>(k)];
        auto side = [&](double r, double e, bool left) {
            // An arm node on the junction's own pixel has no direction: the points collapse.
            const double t = lk > 0 ? r / lk : 0.0;
            const TPoint B{(1 - t) * C.x + t * arm.OtherX, (1 - t) * C.y + t * arm.OtherY};
            const QPoint bp = fimg->PointRecToPoint(B);
            const double sx = double(p0y - bp.y()) / r, sy = double(p0x - bp.x()) / r;
            const int32_t dx = ZelUtils::Round(left ? -e * sx : e * sx);
            const int32_t dy = ZelUtils::Round(left ? e * sy : -e * sy);
            return TPoint{B.x + fimg->PixelToWorldX(dx) - X0, B.y + fimg->PixelToWorldY(dy) - Y0};
        };
        for (int32_t j = 0; j <= n; ++j) {
            OE[k].push_back(side(180, a.E[j], true));
            OF[k].push_back(side(180, a.F[j], false));
            IE[k].push_back(side(120, a.E[j], true));
            IF[k].push_back(side(120, a.F[j], false));
        }
        T[k] = side(202.5, (a.F[0] + a.F[n]) / 2.0, false);
        if (st.Max > 0) {
            c->setPen(outline);
            auto differ = [](const TPoint& p, const TPoint& q) { return p.x != q.x || p.y != q.y; };
            if (differ(OE[k][0], OE[k][n])) {
                const TPoint pts[] = {IE[k][0], OE[k][0], OE[k][n], IE[k][n]};
                fimg->PolylinePtArray(pts, 4);
            }
            if (differ(OF[k][0], OF[k][n])) {
                const TPoint pts[] = {IF[k][n], OF[k][n], T[k], OF[k][0], IF[k][0]};
                fimg->PolylinePtArray(pts, 5);
            }
        }
    }
    c->setPen(outline);
    for (int32_t k = 1; k <= n; ++k) {
        const KDVMixStacks::TArmStack& s = st.Arms[static_cast<size_t>(k)];
        for (int32_t j = 1; j <= n; ++j) {
            const int32_t to = s.InArms[static_cast<size_t>(j)];
            const int32_t m = s.InMov[static_cast<size_t>(j)];
            if (m <= 0 || junction.Arms[to - 1].OtherNode == junction.Arms[k - 1].OtherNode)
                continue;
            const std::string text = ZelUtils::Format("%.0f", KDVMixStacks::MovValue(m, Var));
            const TPoint &e0 = IE[k][j - 1], &e1 = IE[k][j], &f0 = IF[to][j - 1], &f1 = IF[to][j];
            if (Movims[m].TurnDir == 0) {
                fimg->LinePts(e0, f0);
                fimg->LinePts(e1, f1);
                const int32_t angle = AngleTenths(e1, f1);
                fimg->LabelW(Mean(e0, e1), angle, text, 4, 0);
                fimg->LabelW(Mean(f0, f1), angle, text, 4, 0);
                continue;
            }
            // Centre of the turn: where the perpendiculars to both arms at the band's edge meet.
            const TPoint &ok = OE[k][j], &oa = OF[to][j];
            const bool vk = e1.y == ok.y, va = f1.y == oa.y;
            const double ck = vk ? 0 : (ok.x - e1.x) / (e1.y - ok.y), dk = e1.y - ck * e1.x;
            const double ca = va ? 0 : (oa.x - f1.x) / (f1.y - oa.y), da = f1.y - ca * f1.x;
            TPoint q;
            if (vk && va)
                q = Mean(e1, f1); // both perpendiculars vertical: no crossing, bend about the middle
            else if (vk)
                q = {e1.x, ca * e1.x + da};
            else if (va)
                q = {f1.x, ck * f1.x + dk};
            else if (ck == ca)
                q = Mean(e1, f1); // parallel perpendiculars
            else {
                q.x = (da - dk) / (ck - ca);
                q.y = ck * q.x + dk;
            }
            const bool second = Movims[m].TurnDir == 1;
            fimg->CurveWithLabels(q, e0, f0, second ? std::string() : text);
            fimg->CurveWithLabels(q, e1, f1, second ? text : std::string());
        }
        c->setBrush(Qt::NoBrush);
        const double in = KDVMixStacks::ArmTotal(Node, k - 1, Var, true);
        const double out = KDVMixStacks::ArmTotal(Node, k - 1, Var, false);
        if (in > 0)
            fimg->LabelW(Mean(OE[k][0], OE[k][n]), AngleTenths(OE[k][0], OE[k][n]), ZelUtils::Format("%.0f", in), 7, 0);
        if (out > 0)
            fimg->LabelW(Mean(OF[k][n], OF[k][0]), AngleTenths(OF[k][n], OF[k][0]), ZelUtils::Format("%.0f", out), 7,
                         0);
    }
    fimg->update();
}

void TFrmMix::DrawSolera()
{
    QPainter* c = fimg->Canvas();
    if (!c)
        return;
    c->setBrush(Qt::NoBrush);
    const float m = 500.0f * 0.1f;
    for (int32_t L = 1; L <= GeoLayers().NumGeoLayers && L <= MaxGeoLayers; ++L) {
        if (!GeoLayers().GeoLayerVisible[L] || L + 10 > MaxItems || UserView().Items[L + 10].Width <= 0)
            continue;
        const TItems& item = UserView().Items[L + 10];
        c->setPen(QPen(DisplayStyles::ToQColor(item.Color), item.Width, DisplayStyles::ToQPenStyle(item.PenStyle)));
        for (int32_t g = GeoLayers().GeoLayerEnd[L - 1] + 1; g <= GeoLayers().GeoLayerEnd[L]; ++g) {
            const GeoLink& geo = GeoLayers().GeoLinks[g];
            if (geo.Count < 1 || geo.Points.empty())
                continue;
            const TPoint& a = geo.Points.front();
            const TPoint& b = geo.Points[static_cast<size_t>(std::min<int32_t>(geo.Count, int32_t(geo.Points.size())) - 1)];
            auto inX = [&](double x) { return x >= UserView().WorldMinX - m && x <= UserView().WorldMaxX + m; };
            auto inY = [&](double y) { return y >= UserView().WorldMinY - m && y <= UserView().WorldMaxY + m; };
            if ((inX(a.x) || inX(b.x)) && (inY(a.y) || inY(b.y)))
                fimg->PolylinePtArray(geo.Points, std::min<int32_t>(geo.Count, int32_t(geo.Points.size())));
        }
    }
}

QImage TFrmMix::JunctionPicture() const
{
    const QImage& pic = fimg->Picture();
    QImage out(pic.width(), pic.height() + 30, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, out.width() - 1, out.height() - 1);
    p.drawImage(QRect(0, 30, pic.width(), pic.height()), pic);
    p.drawRect(0, 30, pic.width() - 1, pic.height() - 1);
    QFont f(QStringLiteral("Arial"), 12, QFont::Bold);
    p.setFont(f);
    const int h = QFontMetrics(f).height();
    p.drawText(0, 30 - h - 3 + QFontMetrics(f).ascent(), windowTitle());
    f.setPointSize(4);
    p.setFont(f);
    p.drawText(0, 30 + QFontMetrics(f).ascent(), QString::fromStdString(GeneratedBy));
    return out;
}

bool TFrmMix::CopyJunction(const std::string& Target)
{
    const QImage img = JunctionPicture();
    if (Target == "null") {
        QGuiApplication::clipboard()->setImage(img);
        return true;
    }
    return ImageFile::Save(img, Target);
}

void TFrmMix::tbPrintClick()
{
    QImage pic = fimg->Picture().copy();
    {
        QPainter p(&pic);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, pic.width() - 1, pic.height() - 1);
    }
    PrintImageFittedToPage(pic);
}
