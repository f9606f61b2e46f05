// The scale dialog of the data layers, and the map view's command that opens it.
#include "map/gui/KDVscale.h"

#include "map/gui/MapHost.h"
#include "map/gui/MapViewController.h"
#include "map/gui/MapViewHost.h"
#include "map/Ranges.h"
#include "model/KDVvars.h"
#include "model/ZelUtils.h"
#include "widgets/DialogButtons.h"
#include "widgets/TypedNumber.h"
#include "widgets/WindowHost.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

double ScaleMaxValue = 0.0;

using ZelUtils::Format;

namespace {
QString Qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QSpinBox* NewSpin(int low, int high, int value, QWidget* parent, const char* name)
{
    auto* s = new TWholeSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(low, high);
    s->setValue(value);
    return s;
}

QString ScaleText(double maximum, int pixels) { return Qs(Format("%8.2f", maximum / std::max(1, pixels))); }
} // namespace

TKDVscale::TKDVscale(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TKDVscale"));
    setWindowTitle(QStringLiteral("Escala"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    Attr = new QLabel(this);
    Attr->setObjectName(QStringLiteral("Attr"));
    Attr->setFrameShape(QFrame::StyledPanel);
    form->addRow(QStringLiteral("Nombre Atributo :"), Attr);
    vMax = new QLineEdit(this);
    vMax->setObjectName(QStringLiteral("vMax"));
    Fixed = new QCheckBox(this);
    Fixed->setObjectName(QStringLiteral("Fixed"));
    Fixed->setToolTip(QStringLiteral("Mantener el valor máximo al cambiar de variable"));
    auto* maxRow = new QHBoxLayout;
    maxRow->addWidget(vMax, 1);
    maxRow->addWidget(Fixed);
    form->addRow(QStringLiteral("Valor Máximo"), maxRow);
    Panel1 = new QLabel(QStringLiteral("1 : "), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel2 = new QLabel(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::StyledPanel);
    auto* scaleRow = new QHBoxLayout;
    scaleRow->addWidget(Panel1);
    scaleRow->addWidget(Panel2, 1);
    form->addRow(QStringLiteral("Escala"), scaleRow);
    spPixsVol = NewSpin(1, 500, 25, this, "spPixsVol");
    form->addRow(QStringLiteral("Pixeles Volúmen"), spPixsVol);
    spPixsCol = NewSpin(1, 25, 5, this, "spPixsCol");
    form->addRow(QStringLiteral("Pixeles Colores"), spPixsCol);
    spPixsMov = NewSpin(1, 5, 1, this, "spPixsMov");
    form->addRow(QStringLiteral("Grosor Movimientos"), spPixsMov);
    layout->addLayout(form);
    Buttons = NewAcceptCancelButtons(this);
    layout->addWidget(Buttons);

    connect(vMax, &QLineEdit::textChanged, this, &TKDVscale::vMaxChange);
    for (QSpinBox* s : {spPixsVol, spPixsCol, spPixsMov})
        connect(s, &QSpinBox::valueChanged, this, &TKDVscale::spPixsVolChange);
    connect(Fixed, &QCheckBox::toggled, this, &TKDVscale::FixedClick);
}

void TKDVscale::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

// The box shows the maximum in the labels' decimals: while it reads as the value
// shown, the scale is worked out from the whole value, not from its rounding.
void TKDVscale::FormShow()
{
    if (vMax->text() != Qs(Format(UserView().NumFormat.Format.c_str(), ScaleMaxValue)))
        ZelUtils::ParseTyped(vMax->text().toStdString(), ScaleMaxValue);
}

// While the text is no number (a sign or a comma only begun) the scale shown stays.
void TKDVscale::vMaxChange()
{
    if (ZelUtils::ParseTyped(vMax->text().toStdString(), ScaleMaxValue))
        Panel2->setText(ScaleText(ScaleMaxValue, spPixsVol->value()));
}

void TKDVscale::spPixsVolChange() { Panel2->setText(ScaleText(ScaleMaxValue, spPixsVol->value())); }

void TKDVscale::FixedClick()
{
    // The box is what keeps the maximum when the variable changes, not only the
    // padlock that shows it.
    UserView().ScaleFixed = Fixed->isChecked();
    if (host_)
        host_->ShowScaleKept(Fixed->isChecked());
}

void TMapViewController::Escala1Click()
{
    TKDVscale& d = host_.ScaleDialog();
    const bool wasFixed = d.Fixed->isChecked();
    const QString shown = Qs(Format(UserView().NumFormat.Format.c_str(), double(UserView().RangeMax)));
    {
        // The dialog shows the current values; its change handlers wait for the user.
        const QSignalBlocker b1(d.vMax), b2(d.spPixsVol), b3(d.spPixsCol), b4(d.spPixsMov);
        // Before any variable is chosen for the ranges there is no name to show.
        d.Attr->setText(UserView().RangeName.empty() || UserView().RangeName == "null" ? QStringLiteral("(ninguna variable elegida)")
                                                                 : Qs(UserView().RangeName));
        d.vMax->setText(shown);
        ScaleMaxValue = UserView().RangeMax;
        d.Panel2->setText(ScaleText(UserView().RangeMax, UserView().PixsVol));
        d.spPixsVol->setValue(UserView().PixsVol);
        d.spPixsCol->setValue(UserView().PixsCol);
        d.spPixsMov->setValue(UserView().PixsMov);
    }
    if (d.exec() != QDialog::Accepted) {
        // Cancel changes nothing, the keep-the-maximum box included.
        d.Fixed->setChecked(wasFixed);
        return;
    }
    UserView().PixsVol = d.spPixsVol->value();
    UserView().PixsCol = d.spPixsCol->value();
    UserView().PixsMov = d.spPixsMov->value();
    // The box shows the maximum in the labels' decimals: left as shown, the
    // maximum stays whole (0.4 shown as "0" made the bands vanish). One typed that
    // is no number is said, and the one in use stays.
    double maximum = UserView().RangeMax;
    if (d.vMax->text() != shown && ReadTypedNumber(d.vMax->text(), maximum))
        UserView().RangeMax = float(maximum);
    window_.RedrawMap();
}
