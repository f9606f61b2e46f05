#pragma once
// The print preview window: the picture of the current view (the print
// controller's printed page) framed in the proportions of the printer page, enlarged up to three times,
// printed or saved as a metafile, an image or one of the map exports.
#include "model/SafeFile.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/PreviewHost.h"

#include <memory>
#include <QDoubleSpinBox>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QToolBar>
#include <QWidget>

#include <string>

// The printer every print command uses (the one chosen in the printer setup).
QPrinter& Printer();
// The network (folder and file) the printer's PDF file was chosen for or last
// printed from: a print of another network asks before replacing that file.
const std::string& PdfNetwork();
void SetPdfNetwork(const std::string& network);
// Size of the printer's page in device pixels.
QSize PrinterPageSize();
// One document on that printer, sheet after sheet. A PDF is written beside the
// chosen name and takes its place only when complete, so a failed print leaves
// the earlier file whole.
class TPrintJob {
public:
    TPrintJob() = default;
    ~TPrintJob() { End(); }
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;
    // The first call begins the document, each later one starts a new sheet;
    // false (and said in Spanish) when the printer or the file cannot be started.
    bool NextSheet();
    QPainter& Painter() { return painter_; }
    // Completes the document; false (and said) when the file could not be written.
    bool End();

private:
    QPainter painter_;
    bool started_ = false;
    QString target_;
    std::unique_ptr<SafeFile::TScratch> scratch_; // a PDF file is written beside its target
};
// Sends a rendered page to that printer as one sheet; says so when the printer
// cannot be started.
void PrintPictureOnPrinter(const TPrintedPage& page);
// Plays a rendered page on a sheet of that printer begun: filling the sheet
// with its proportions kept (at its own size when it is the printer's page).
void PlayPrintPictureOnSheet(QPainter& sheet, const TPrintedPage& page);
// A rendered page drawn over an image of the given size (white ground).
QImage PrintPictureImage(const TPrintedPage& page, QSize size);
// Encodes an image ("BMP", "JPG", "PNG") and writes it through the safe writer.
bool WriteImageFile(const QImage& image, const char* format, const std::string& fileName, int quality = -1);
// Prints a window's screen picture as one page, scaled to the page with its
// proportions kept: drawn pixel for pixel it would be a stamp on a
// high-resolution page. False (and said) when the printer cannot be started.
bool PrintImageFittedToPage(const QImage& image);
// Writes a rendered page as a metafile at its own size; false (and said)
// when the file could not be written.
bool SavePrintPictureEmf(const TPrintedPage& page, const std::string& fileName);
// The enhanced metafile SavePrintPictureEmf writes, as bytes.
std::string PrintPictureEmfBytes(const TPrintedPage& page);
// The same as a placeable Windows metafile.
bool SavePrintPictureWmf(const TPrintedPage& page, const std::string& fileName);

// Shows a rendered page stretched over its own size.
class TPreviewCanvas : public QWidget {
public:
    explicit TPreviewCanvas(const TPrintedPage& page, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TPrintedPage& page_;
};

class TFrmPreview : public QWidget {
    Q_OBJECT
public:
    // Previews `page` (the print controller's), whatever is rendered into it.
    explicit TFrmPreview(const TPrintedPage& page, QWidget* parent = nullptr);

    QAction* tbPrint;
    QAction* tbSave;
    QAction* tbZoomin;
    QAction* tbZoomOut;
    QAction* tbDecFont;
    QAction* tbIncFont;
    QAction* tbPageVert;
    QAction* tbClose;
    QDoubleSpinBox* seSize;
    QWidget* pTop;
    QWidget* pBottom;
    QWidget* pLeft;
    QWidget* pRight;
    QScrollArea* sbppv;
    TPreviewCanvas* ppv;

    // 0..2: the picture is PreviewZoom + 1 times the size of the box.
    int32_t PreviewZoom = 0;
    // Kept by the font buttons (0 at start and after closing): the preview's
    // labels and titles are drawn at LabelScale() = 1 + FontFactor times their
    // paper size, and so is what is printed or saved from it.
    float FontFactor = 0.0f;
    double LabelScale() const;

    // Margins that give the picture box the proportions of the page rendered
    // (the printer's page before any).
    void FitToPrinterPage();
    // The same for a page of the given size (the printer's, normally).
    void FitToPage(QSize page);
    void tbPrintClick();
    void tbZoominClick();
    void tbZoomOutClick();
    void tbDecFontClick();
    void tbIncFontClick();
    void tbPageVertClick();
    void tbSaveClick();
    void Salir1Click();
    // Writes the picture (or hands the view to an export) by the extension of
    // the name; an unknown extension writes nothing. Returns false when a file
    // could not be written (a message has been shown).
    bool ImageExports(const std::string& fileName);
    // The picture has been rendered again.
    void PictureChanged();
    // The main window whose picture is previewed.
    void SetHost(TPreviewHost* host) { host_ = host; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void ResizePicture();
    void UpdateZoomButtons();
    void UpdateFontButtons();
    const TPrintedPage& page_;
    QWidget* area_;
    TPreviewHost* host_ = nullptr;
};

// Installs the print services the printer answers (its orientation).
void InstallPreviewPrintServices();
