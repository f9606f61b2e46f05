#pragma once
// The printer setup: which printer the print commands use (a system printer, or
// a PDF file where none is installed), the paper and the orientation.
#include <QDialog>
#include <QPageSize>

class QComboBox;
class QLineEdit;
class QPrinter;
class QRadioButton;
class QToolButton;

// Where a new PDF goes: beside the open network, named after it.
QString DefaultPdfName();

class TDlgPrinterSetup : public QDialog {
    Q_OBJECT
public:
    // Shows the settings of `printer`; accepting writes the choice back into it.
    explicit TDlgPrinterSetup(QPrinter& printer, QWidget* parent = nullptr);

    QComboBox* cbImpresora;
    QLineEdit* edArchivo;
    QToolButton* btArchivo;
    QComboBox* cbPapel;
    QRadioButton* rbVertical;
    QRadioButton* rbHorizontal;

    // The entry of the printer list that prints to a PDF file.
    static QString PdfEntry();

    void accept() override;

private:
    bool ToFile() const;
    void UpdateFileRow();
    void ChooseFile();
    QPrinter& printer_;
};
