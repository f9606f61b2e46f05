#include "mainwindow/DlgRngs.h"

#include "map/Ranges.h"
#include "model/ZelUtils.h"
#include "widgets/DlgCfgWidgets.h"
#include "widgets/TypedNumber.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TRangeValueBox::TRangeValueBox(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight);
    setMaximumWidth(110);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!ZelUtils::ParseTyped(text.toStdString(), value_))
            value_ = kept_;
        emit valueEdited();
    });
    // Connected before the dialog's own handlers, which copy the value on.
    connect(this, &QLineEdit::editingFinished, this, &TRangeValueBox::EditFinished);
    Show(false);
}

void TRangeValueBox::EditFinished()
{
    double typed = kept_;
    if (!ReadTypedNumber(text(), typed)) {
        value_ = kept_;
        Show(hasFocus());
    }
    kept_ = value_;
}

void TRangeValueBox::SetValue(double v)
{
    value_ = v;
    kept_ = v;
    Show(hasFocus());
}

void TRangeValueBox::SetDisplayDecimals(int decimals)
{
    decimals_ = decimals;
    Show(hasFocus());
}

void TRangeValueBox::Show(bool full)
{
    const std::string text = full ? ZelUtils::Format("%.9g", value_) : ZelUtils::Format("%.*f", decimals_, value_);
    setText(QString::fromStdString(text));
}

void TRangeValueBox::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    Show(true);
}

void TRangeValueBox::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    Show(false);
}

TDlgRngs::TDlgRngs(QWidget* parent) : QDialog(parent)
{
    setObjectName("TDlgRngs");
    setWindowTitle(QStringLiteral("Definición de Rangos"));
    auto* top = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral(" Rangos "), this);
    auto* grid = new QGridLayout(group);
    top->addWidget(group);

    auto box = [this](const char* name, int tag) {
        auto* b = new TRangeValueBox(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setProperty("tag", tag);
        connect(b, &TRangeValueBox::valueEdited, this, [this] { Changed = true; });
        return b;
    };
    vmn = box("vmn", 1);
    vv[0] = box("vv0", 0);
    for (int i = 1; i <= 4; ++i) {
        vv[i] = box(QStringLiteral("vv%1").arg(i).toLatin1().constData(), 0);
        v[i] = box(QStringLiteral("v%1").arg(i).toLatin1().constData(), i);
    }
    v[0] = nullptr;
    vmx = box("vmx", 0);
    // vv0 shows class 1's lower bound, which is class 0's value: it is not edited.
    vv[0]->setReadOnly(true);

    static const uint32_t startColors[6] = {0x00FFFF, 0xFFFF00, 8454016, 16744703, 33023, 0x0000FF};
    grid->addWidget(new QLabel(QStringLiteral("Valor Mínimo"), group), 0, 1);
    for (int k = 0; k <= 5; ++k) {
        c[k] = new TColorPanel(startColors[k], group);
        c[k]->setObjectName(QStringLiteral("c%1").arg(k));
        c[k]->setMinimumSize(28, 18);
        connect(c[k], &TColorPanel::clicked, this, [this, k] { SelColor(k); });
        Chk[k] = new QCheckBox(group);
        Chk[k]->setObjectName(QStringLiteral("Chk%1").arg(k));
        connect(Chk[k], &QCheckBox::clicked, this, [this] { Changed = true; });
        grid->addWidget(new QLabel(QStringLiteral("%1)").arg(k), group), k + 1, 0);
        if (k == 0) {
            grid->addWidget(vmn, 1, 1);
        } else {
            grid->addWidget(vv[k - 1], k + 1, 1);
            grid->addWidget(new QLabel(QStringLiteral("-"), group), k + 1, 2);
            grid->addWidget(UpperBox(k), k + 1, 3);
        }
        grid->addWidget(c[k], k + 1, 4);
        grid->addWidget(Chk[k], k + 1, 5);
    }
    for (TRangeValueBox* b : {vmn, v[1], v[2], v[3], v[4]}) {
        const int tag = b->property("tag").toInt();
        connect(b, &QLineEdit::editingFinished, this, [this, b, tag] {
            // The minimum's box carries tag 1 like v1; its value belongs below vv0.
            vExit(b == vmn ? 0 : tag);
        });
    }

    auto* vineta = new QGroupBox(QStringLiteral(" Viñeta "), this);
    auto* vl = new QHBoxLayout(vineta);
    vl->addWidget(new QLabel(QStringLiteral("Tamaño viñeta     :  "), vineta));
    szs = new TWholeSpinBox(vineta);
    szs->setObjectName("szs");
    szs->setRange(10, 100);
    szs->setValue(15);
    connect(szs, &QSpinBox::valueChanged, this, [](int value) { UserView().RangeSymbolSize = value; });
    vl->addWidget(szs);
    top->addWidget(vineta);

    BitBtn1 = new QPushButton(QStringLiteral("Cerrar"), this);
    BitBtn1->setObjectName("BitBtn1");
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    top->addWidget(BitBtn1, 0, Qt::AlignRight);
}

TRangeArray& TDlgRngs::Table() const { return table_ ? *table_ : UserView().RangeTable; }

void TDlgRngs::LoadFromTable()
{
    vmn->SetValue(Table()[0].High);
    c[0]->SetColor(Table()[0].Color);
    Chk[0]->setChecked(Table()[0].Active);
    for (int k = 1; k <= 5; ++k) {
        const TRangeClass& r = Table()[static_cast<size_t>(k)];
        vv[k - 1]->SetValue(r.Low);
        UpperBox(k)->SetValue(r.High);
        c[k]->SetColor(r.Color);
        Chk[k]->setChecked(r.Active);
    }
}

void TDlgRngs::StoreToTable()
{
    Table()[0].Color = c[0]->Color();
    Table()[0].Active = Chk[0]->isChecked();
    for (int k = 1; k <= 5; ++k) {
        TRangeClass& r = Table()[static_cast<size_t>(k)];
        r.High = static_cast<float>(UpperBox(k)->Value());
        r.Color = c[k]->Color();
        r.Active = Chk[k]->isChecked();
        if (k >= 2)
            r.Low = static_cast<float>(vv[k - 1]->Value());
    }
}

void TDlgRngs::FormShow()
{
    const double top = vmx->Value();
    const int decimals = top >= 1000 ? 0 : top >= 100 ? 1 : top >= 10 ? 2 : top >= 1 ? 3 : 4;
    for (TRangeValueBox* b : {vmn, vv[0], v[1], v[2], v[3], v[4], vv[1], vv[2], vv[3], vv[4], vmx})
        b->SetDisplayDecimals(decimals);
    szs->setValue(UserView().RangeSymbolSize);
    Changed = false;
}

void TDlgRngs::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TDlgRngs::SelColor(int tag)
{
    if (tag < 0 || tag > 5)
        return;
    uint32_t color = Table()[static_cast<size_t>(tag)].Color;
    bool accepted = false;
    if (ChooseColor) {
        accepted = ChooseColor(color);
    } else {
        const QColor start(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
        const QColor chosen = QColorDialog::getColor(start, this);
        if (chosen.isValid()) {
            color = uint32_t(chosen.red()) | (uint32_t(chosen.green()) << 8) | (uint32_t(chosen.blue()) << 16);
            accepted = true;
        }
    }
    if (!accepted)
        return;
    Table()[static_cast<size_t>(tag)].Color = color;
    c[tag]->SetColor(color);
    Changed = true;
}

void TDlgRngs::vExit(int tag)
{
    if (tag < 0 || tag > 4)
        return;
    const TRangeValueBox* from = tag == 0 ? vmn : v[tag];
    vv[tag]->SetValue(from->Value());
}
