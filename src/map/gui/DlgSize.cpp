// The symbol size dialog, and the map view's commands that set symbol sizes
// and the intersection views' image factor.
#include "map/gui/DlgSize.h"

#include "map/gui/MapViewController.h"
#include "map/gui/MapViewHost.h"
#include "widgets/DialogButtons.h"
#include "widgets/WindowHost.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"
#include "widgets/TypedNumber.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

float ImageSizeFactor = 1.0f;

using ZelUtils::Format;

namespace {
QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// Outline colour of each kind's symbol, as the options dialog sets it.
uint32_t SymbolPenColor(int kind)
{
    switch (kind) {
    case 1:
        return ProgramOptions().AccesoColor;
    case 3:
        return ProgramOptions().ArrowsColor;
    default:
        return ProgramOptions().NodosColor;
    }
}
} // namespace

TDlgSize::TDlgSize(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDlgSize"));
    setWindowTitle(QStringLiteral("Tamaño"));
    auto* layout = new QVBoxLayout(this);
    sz = new TOxrImage(this);
    sz->setObjectName(QStringLiteral("sz"));
    sz->setFixedSize(240, 70);
    sz->SetWorld(-120, -35, 120, 35);
    layout->addWidget(sz, 0, Qt::AlignHCenter);
    tbSize = new QSlider(Qt::Horizontal, this);
    tbSize->setObjectName(QStringLiteral("tbSize"));
    tbSize->setRange(1, 20);
    tbSize->setSingleStep(1);
    tbSize->setPageStep(1);
    tbSize->setTickPosition(QSlider::TicksBelow);
    tbSize->setTickInterval(1);
    tbSize->setValue(3);
    layout->addWidget(tbSize);
    Buttons = NewAcceptCancelButtons(this);
    layout->addWidget(Buttons);
    connect(tbSize, &QSlider::valueChanged, this, &TDlgSize::tbSizeChange);
}

void TDlgSize::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TDlgSize::FormShow() { tbSizeChange(); }

void TDlgSize::tbSizeChange()
{
    const int kind = std::clamp(Kind, 1, 4);
    const int size = tbSize->value();
    sz->Clear();
    sz->SetWorld(-120, -35, 120, 35);
    QPainter* c = sz->Canvas();
    c->setPen(QPen(DisplayStyles::ToQColor(SymbolPenColor(kind)), 1, Qt::SolidLine));
    c->setBrush(QBrush(DisplayStyles::ToQColor(UserView().SymbolColors[static_cast<size_t>(kind - 1)]), Qt::SolidPattern));
    sz->PenMode = TPenMode::Copy;
    switch (kind) {
    case 1:
        sz->PolylineArrays(3, 90, 0, 0, size);
        break;
    case 2:
        sz->Circle(0, 0, -size);
        break;
    case 3:
        sz->PolygonPts(4.0 * size, 0, 0, 2.0 * size);
        break;
    default:
        sz->DrawCursorMark(-3.0 * size, 0, 0);
        break;
    }
    const TLabelFont& font = UserView().LabelFonts[static_cast<size_t>(kind)];
    c->setFont(DisplayStyles::ToQFont(font));
    sz->FontColor = DisplayStyles::ToQColor(font.Color);
    sz->LabelAt(0, Format("%d", size), 0, 0, 4, 0);
    sz->update();
}

void TMapViewController::Tamano(QAction* item, int tag)
{
    if (tag < 1 || tag > 4)
        return;
    int32_t* const sizes[] = {&UserView().CentroidSize, &UserView().NodeSize, &UserView().ArrowSize, &UserView().SignalSize};
    int32_t& size = *sizes[tag - 1];
    TDlgSize& d = host_.SizeDialog();
    d.Kind = tag;
    d.tbSize->setValue(size);
    d.tbSizeChange();
    if (d.exec() != QDialog::Accepted)
        return;
    size = d.tbSize->value();
    if (item)
        item->setText(Qs(Format("Tamaño (%d)", size)));
    window_.RedrawMap();
}

void TMapViewController::FactorTamanoClick()
{
    for (;;) {
        bool ok = false;
        const QString offered = Qs(Format("(%.2f)", double(ImageSizeFactor)));
        const QString text = QInputDialog::getText(window_.DialogParent(), QStringLiteral("Tamaño imagen"),
                                                   QStringLiteral("Ingrese factor"), QLineEdit::Normal, offered, &ok);
        // Cancel leaves the factor as it was (the question is not put again), and so
        // does the factor offered left as it stands: shown in two decimals, 1.255
        // read back as 1.25, and 0.001 as 0, which asked again without end.
        if (!ok || text.trimmed() == offered)
            return;
        // The factor offered is shown in brackets: taken as it stands, it is that
        // factor. Text that is no number is said before the question is put again.
        QString typed = text.trimmed();
        if (typed.size() > 2 && typed.startsWith(QLatin1Char('(')) && typed.endsWith(QLatin1Char(')')))
            typed = typed.mid(1, typed.size() - 2);
        double factor = 0.0;
        if (ReadTypedNumber(typed, factor) && factor != 0.0) {
            ImageSizeFactor = float(factor);
            window_.Action(Cmd::FactorTamano)->setText(Qs(Format("Factor tamaño (%.2f)", factor)));
            return;
        }
    }
}
