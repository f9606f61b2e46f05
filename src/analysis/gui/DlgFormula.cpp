// The formula column dialog: field choice through the two-list chooser, then the
// column's name, title and formula.
#include "analysis/gui/DlgFormula.h"

#include "model/KDVvars.h"
#include "model/TextCodec.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

std::string Str(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

} // namespace

TDlgFormula::TDlgFormula(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDlgFormula"));
    setWindowTitle(QStringLiteral("Creando columna ..."));
    resize(428, 430);

    auto* columna = new QGroupBox(QStringLiteral("  Columna  "), this);
    auto* grid = new QGridLayout(columna);
    teVar = new QLineEdit(columna);
    teVar->setObjectName("teVar");
    teText = new QLineEdit(columna);
    teText->setObjectName("teText");
    teForm = new QLineEdit(columna);
    teForm->setObjectName("teForm");
    grid->addWidget(new QLabel(QStringLiteral("Nombre:"), columna), 0, 0);
    grid->addWidget(teVar, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Texto:"), columna), 1, 0);
    grid->addWidget(teText, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Fórmula:"), columna), 2, 0);
    grid->addWidget(teForm, 2, 1);

    auto* campos = new QGroupBox(QStringLiteral("  Campos  "), this);
    auto* camposLayout = new QVBoxLayout(campos);
    flds = new QTableWidget(0, 2, campos);
    flds->setObjectName("flds");
    flds->setHorizontalHeaderLabels({QStringLiteral("Código"), QStringLiteral("Campo")});
    flds->verticalHeader()->hide();
    flds->setColumnWidth(0, 36);
    flds->setColumnWidth(1, 359);
    flds->setEditTriggers(QAbstractItemView::NoEditTriggers);
    camposLayout->addWidget(flds);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    connect(btnOk, &QPushButton::clicked, this, [this] {
        btnOkClick();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(columna);
    layout->addWidget(campos, 1);
    layout->addLayout(buttons);

    teVar->installEventFilter(this);
    teText->installEventFilter(this);

    dld = new TDualListDialog(this);
    dld->setObjectName("dldFormula");
    dld->SetSorted(false);
    dld->SetLabels(QStringLiteral("Disponible"), QStringLiteral("Seleccionado"));
}

bool TDlgFormula::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == teVar)
            teVarExit();
        else if (watched == teText)
            teTextExit();
    }
    return QDialog::eventFilter(watched, event);
}

bool TDlgFormula::FormShow()
{
    FormulaText.clear();
    teVar->clear();
    teText->clear();
    teForm->clear();
    FieldColumns.fill(0);

    dld->SetTitle(QStringLiteral("Selección de Campos"));
    dld->Clear();
    flds->setRowCount(0);
    // Columns 0 to 3 hold the keys and the record index: never offered.
    if (Grid)
        for (int c = 4; c < Grid->ColCount(); ++c)
            dld->AddItem(1, TextCodec::Decode(Grid->cellView(c, 0)), c);

    const bool chosen = RunFieldChoice ? RunFieldChoice(*dld) : dld->Execute();
    if (!chosen)
        return false;

    const int n = dld->Count(2);
    if (n > MaxFields)
        Services().ShowMessage("Atención:\rDimensión de variables excedida.\rSe considerarán sólo las 25 primeras "
                               "variables");
    const int used = std::min(n, MaxFields);
    flds->setRowCount(used);
    for (int i = 0; i < used; ++i) {
        flds->setItem(i, 0, new QTableWidgetItem(QString(QChar('A' + i))));
        flds->setItem(i, 1, new QTableWidgetItem(dld->Text(2, i)));
        FieldColumns[static_cast<size_t>(i)] = dld->Data(2, i).toInt();
    }
    teVar->setFocus();
    return true;
}

bool TDlgFormula::Execute()
{
    if (!FormShow())
        return false;
    return exec() == QDialog::Accepted;
}

void TDlgFormula::btnOkClick()
{
    // Enter on the default button leaves an edit without its exit step.
    teVarExit();
    teTextExit();
    FormulaText = Str(teForm->text());
}

void TDlgFormula::teVarExit()
{
    if (!teVar->text().isEmpty())
        return;
    int32_t n = 0;
    const QString grid = Grid ? Grid->objectName() : QString();
    if (grid == QLatin1String("sagArcos"))
        n = NumUserVarArcos + 1;
    else if (grid == QLatin1String("sagMovim"))
        n = NumUserVarMovim + 1;
    teVar->setText(QString::fromStdString(ZelUtils::Format("VarUser%d", n)));
}

void TDlgFormula::teTextExit()
{
    if (teText->text().trimmed().isEmpty())
        teText->setText(teVar->text());
}

int TDlgFormula::FieldCount() const { return flds->rowCount(); }

std::string TDlgFormula::FieldKey(int i) const
{
    const QTableWidgetItem* item = flds->item(i, 0);
    return item ? Str(item->text()) : std::string();
}
