#include "printing/gui/DlgPrint.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TDlgPrint::TDlgPrint(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TDlgPrint"));
    setWindowTitle(QStringLiteral("Imprimir"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("La impresión en varias páginas aún no está disponible en esta versión."), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
