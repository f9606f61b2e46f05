#include "printing/gui/PrinterSetup.h"

#include "model/KDVvars.h"
#include "printing/gui/FrmPreview.h"
#include "widgets/DialogButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QToolButton>

namespace {

struct TPaper {
    const char* caption;
    QPageSize::PageSizeId id;
};
constexpr TPaper Papers[] = {{"A4", QPageSize::A4},         {"Carta", QPageSize::Letter},
                             {"Oficio", QPageSize::Legal},  {"A3", QPageSize::A3},
                             {"Tabloide", QPageSize::Tabloid}};

} // namespace

QString DefaultPdfName()
{
    if (!DatFileName.empty() && DatFileName != "null") {
        const QFileInfo net(QString::fromStdString(DatDir + DatFileName));
        return net.absolutePath() + QLatin1Char('/') + net.completeBaseName() + QStringLiteral(".pdf");
    }
    return QDir::home().absoluteFilePath(QStringLiteral("Velmora.pdf"));
}

QString TDlgPrinterSetup::PdfEntry() { return QStringLiteral("Imprimir a archivo (PDF)"); }

TDlgPrinterSetup::TDlgPrinterSetup(QPrinter& printer, QWidget* parent) : QDialog(parent), printer_(printer)
{
    setObjectName(QStringLiteral("DlgPrinterSetup"));
    setWindowTitle(QStringLiteral("Configurar impresora"));
    auto* form = new QFormLayout(this);

    cbImpresora = new QComboBox(this);
    cbImpresora->setObjectName(QStringLiteral("cbImpresora"));
    cbImpresora->addItems(QPrinterInfo::availablePrinterNames());
    cbImpresora->addItem(PdfEntry());
    form->addRow(QStringLiteral("Impresora:"), cbImpresora);

    auto* fileRow = new QHBoxLayout;
    edArchivo = new QLineEdit(this);
    edArchivo->setObjectName(QStringLiteral("edArchivo"));
    edArchivo->setMinimumWidth(260);
    btArchivo = new QToolButton(this);
    btArchivo->setObjectName(QStringLiteral("btArchivo"));
    btArchivo->setText(QStringLiteral("..."));
    btArchivo->setToolTip(QStringLiteral("Elegir archivo"));
    fileRow->addWidget(edArchivo, 1);
    fileRow->addWidget(btArchivo);
    form->addRow(QStringLiteral("Archivo:"), fileRow);

    cbPapel = new QComboBox(this);
    cbPapel->setObjectName(QStringLiteral("cbPapel"));
    for (const TPaper& paper : Papers)
        cbPapel->addItem(QString::fromUtf8(paper.caption), int(paper.id));
    form->addRow(QStringLiteral("Papel:"), cbPapel);

    auto* orientation = new QHBoxLayout;
    rbVertical = new QRadioButton(QStringLiteral("Vertical"), this);
    rbVertical->setObjectName(QStringLiteral("rbVertical"));
    rbHorizontal = new QRadioButton(QStringLiteral("Horizontal"), this);
    rbHorizontal->setObjectName(QStringLiteral("rbHorizontal"));
    orientation->addWidget(rbVertical);
    orientation->addWidget(rbHorizontal);
    orientation->addStretch(1);
    form->addRow(QStringLiteral("Orientación:"), orientation);
    form->addRow(NewAcceptCancelButtons(this));

    // The printer's present settings; a printer that no longer exists (or none
    // at all) leaves the PDF file chosen.
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    int row = toFile ? -1 : cbImpresora->findText(printer.printerName());
    if (row < 0 && !toFile && cbImpresora->count() > 1)
        row = cbImpresora->findText(QPrinterInfo::defaultPrinterName());
    cbImpresora->setCurrentIndex(row >= 0 ? row : cbImpresora->count() - 1);
    // The PDF chosen for another network is not proposed for this one.
    const bool ownPdf = PdfNetwork().empty() || PdfNetwork() == DatDir + DatFileName;
    edArchivo->setText(toFile && ownPdf && !printer.outputFileName().isEmpty() ? printer.outputFileName()
                                                                                 : DefaultPdfName());
    const QPageSize::PageSizeId id = printer.pageLayout().pageSize().id();
    int paper = cbPapel->findData(int(id));
    if (paper < 0) {
        cbPapel->addItem(printer.pageLayout().pageSize().name(), int(id));
        paper = cbPapel->count() - 1;
    }
    cbPapel->setCurrentIndex(paper);
    (printer.pageLayout().orientation() == QPageLayout::Landscape ? rbHorizontal : rbVertical)->setChecked(true);

    connect(cbImpresora, &QComboBox::currentIndexChanged, this, [this] { UpdateFileRow(); });
    connect(btArchivo, &QToolButton::clicked, this, [this] { ChooseFile(); });
    UpdateFileRow();
}

bool TDlgPrinterSetup::ToFile() const { return cbImpresora->currentText() == PdfEntry(); }

void TDlgPrinterSetup::UpdateFileRow()
{
    edArchivo->setEnabled(ToFile());
    btArchivo->setEnabled(ToFile());
}

void TDlgPrinterSetup::ChooseFile()
{
    const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Imprimir a archivo"), edArchivo->text(),
                                                      QStringLiteral("Documento PDF (*.pdf)"), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (!name.isEmpty())
        edArchivo->setText(name);
}

void TDlgPrinterSetup::accept()
{
    QString file = edArchivo->text().trimmed();
    if (ToFile()) {
        if (file.isEmpty()) {
            QMessageBox::warning(this, windowTitle(), QStringLiteral("Indique el nombre del archivo PDF."));
            return;
        }
        if (QFileInfo(file).suffix().isEmpty())
            file += QStringLiteral(".pdf");
        const QFileInfo folder(QFileInfo(file).absolutePath());
        if (!folder.isDir() || !folder.isWritable()) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("No se puede escribir en la carpeta %1.").arg(folder.filePath()));
            return;
        }
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(QFileInfo(file).absoluteFilePath());
        SetPdfNetwork(DatDir + DatFileName);
    } else {
        printer_.setOutputFileName(QString());
        printer_.setOutputFormat(QPrinter::NativeFormat);
        printer_.setPrinterName(cbImpresora->currentText());
    }
    printer_.setPageSize(QPageSize(QPageSize::PageSizeId(cbPapel->currentData().toInt())));
    printer_.setPageOrientation(rbHorizontal->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    QDialog::accept();
}
