#include "printing/gui/FrmPreview.h"
#include "platform/ImageFile.h"

#include <cerrno>

#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "printing/gui/PrinterSetup.h"
#include "model/PrintServices.h"
#include "model/ViewerServices.h"
#include "platform/EmfDevice.h"
#include "printing/ZelPrinter.h"
#include "printing/ZelPrinterPage.h"
#include "widgets/WaitCursor.h"
#include "widgets/ReplaceQuestion.h"
#include "widgets/SaveDialogSuffix.h"
#include "widgets/TypedNumber.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <gif_lib.h>

#include <cmath>
#include <filesystem>

namespace {

std::unique_ptr<QPrinter>& PrinterSlot()
{
    static std::unique_ptr<QPrinter> printer;
    if (!printer)
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return printer;
}

// A printer whose start failed stays "active" for Qt and refuses every later
// change (a PDF file chosen afterwards never takes effect): a fresh printer
// takes its place with the same choices.
void RenewPrinterAfterFailure()
{
    QPrinter& old = *PrinterSlot();
    if (old.printerState() != QPrinter::Active)
        return;
    auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (old.outputFormat() == QPrinter::PdfFormat) {
        fresh->setOutputFormat(QPrinter::PdfFormat);
        fresh->setOutputFileName(old.outputFileName());
    } else {
        fresh->setPrinterName(old.printerName());
    }
    fresh->setPageLayout(old.pageLayout());
    fresh->setCopyCount(old.copyCount());
    PrinterSlot() = std::move(fresh);
}

const char* const NoPrinterMessage = "No hay impresora disponible: elija una impresora o \u00abImprimir a archivo "
                                     "(PDF)\u00bb en Archivo > Configurar impresora.";

} // namespace

QPrinter& Printer() { return *PrinterSlot(); }

namespace {
std::string pdfNetwork; // beside the printer, whose PDF file name it qualifies
} // namespace

const std::string& PdfNetwork() { return pdfNetwork; }
void SetPdfNetwork(const std::string& network) { pdfNetwork = network; }

QSize PrinterPageSize()
{
    QPrinter& p = Printer();
    return QSize(p.width(), p.height());
}

bool TPrintJob::NextSheet()
{
    if (started_)
        return Printer().newPage();
    QPrinter& printer = Printer();
    // Without a printer installed Qt falls back to a PDF of no name: there is
    // nothing to print on until the user chooses one.
    if ((printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty())
        || (printer.outputFormat() == QPrinter::NativeFormat && !printer.isValid())) {
        Services().ShowMessage(NoPrinterMessage);
        return false;
    }
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        // A PDF printed from another network is not replaced unasked: the user may
        // print this one under its own name instead.
        const std::string network = DatDir + DatFileName;
        const QString own = DefaultPdfName();
        if (!BatchMode && !pdfNetwork.empty() && pdfNetwork != network && printer.outputFileName() != own &&
            QFileInfo::exists(printer.outputFileName()) &&
            !Services().AskYesNo("El archivo " + printer.outputFileName().toStdString() +
                                 " tiene la impresión de otra red (" + pdfNetwork + ").\n¿Reemplazarlo con la de " +
                                 network + "?\n\nNo: imprimir en " + own.toStdString() + ".")) {
            const QPageLayout layout = printer.pageLayout();
            printer.setOutputFileName(own);
            printer.setPageLayout(layout);
        }
        target_ = printer.outputFileName();
        SafeFile::TTarget target;
        const std::string why = SafeFile::Prepare(target_.toStdString(), target);
        if (!why.empty()) {
            Services().ShowMessage(FileUtils::WriteFailure(target_.toStdString(), why));
            target_.clear();
            return false;
        }
        scratch_ = std::make_unique<SafeFile::TScratch>(target);
        const QPageLayout layout = printer.pageLayout();
        printer.setOutputFileName(QString::fromStdString(scratch_->Name()));
        printer.setPageLayout(layout);
    }
    started_ = (!scratch_ || scratch_->Ok()) && painter_.begin(&printer);
    if (!started_) {
        RenewPrinterAfterFailure();
        QPrinter& now = Printer();
        if (!target_.isEmpty()) {
            const QPageLayout layout = now.pageLayout();
            now.setOutputFileName(target_);
            now.setPageLayout(layout);
            Services().ShowMessage(FileUtils::WriteFailure(
                target_.toStdString(), scratch_->Why().empty() ? SafeFile::Reason(EIO) : scratch_->Why()));
            scratch_.reset();
            target_.clear();
        } else {
            const QString name = now.printerName();
            Services().ShowMessage(name.isEmpty() ? std::string("No se pudo iniciar la impresi\u00f3n.")
                                                  : "No se pudo iniciar la impresi\u00f3n en " + name.toStdString() + ".");
        }
    }
    return started_;
}

bool TPrintJob::End()
{
    if (!started_)
        return false;
    started_ = false;
    const bool written = painter_.end();
    RenewPrinterAfterFailure();
    if (target_.isEmpty())
        return written;
    QPrinter& printer = Printer();
    const QPageLayout layout = printer.pageLayout();
    printer.setOutputFileName(target_);
    printer.setPageLayout(layout);
    // Qt's PDF writer reports success over a file the disk cut short: only a
    // file from its header to its end marker replaces the earlier one.
    const bool ok = written && scratch_->PublishWrittenByName(true, "%PDF", "%%EOF");
    if (ok)
        pdfNetwork = DatDir + DatFileName;
    if (!ok)
        Services().ShowMessage(FileUtils::WriteFailure(
            target_.toStdString(), scratch_->Why().empty() ? SafeFile::Reason(EIO) : scratch_->Why()));
    scratch_.reset();
    target_.clear();
    return ok;
}

bool PrintImageFittedToPage(const QImage& image)
{
    TPrintJob job;
    if (!job.NextSheet())
        return false;
    QPainter& q = job.Painter();
    const QRect page = q.viewport();
    if (image.width() > 0 && image.height() > 0) {
        const double k = std::min(double(page.width()) / image.width(), double(page.height()) / image.height());
        q.setRenderHint(QPainter::SmoothPixmapTransform);
        q.drawImage(QRectF(0, 0, image.width() * k, image.height() * k), image);
    }
    return job.End();
}

void PlayPrintPictureOnSheet(QPainter& sheet, const TPrintedPage& page)
{
    // A page drawn in the printer's own pixels plays at its size; a page of
    // another size (the report's paper, the map's extent) is scaled to fill
    // the sheet, its proportions kept.
    const QSize sheetPage = PrinterPageSize();
    const int w = std::max(1, page.PrintPicture.Width()), h = std::max(1, page.PrintPicture.Height());
    const double k = sheetPage.isEmpty() ? 1.0 : std::min(double(sheetPage.width()) / w, double(sheetPage.height()) / h);
    sheet.save();
    sheet.scale(k, k);
    page.PrintPicture.Play(sheet);
    sheet.restore();
}

void PrintPictureOnPrinter(const TPrintedPage& page)
{
    // The sheet turns with the page: a landscape page on a portrait sheet would
    // print shrunk into the sheet's top. The printer keeps the user's choice.
    const QPageLayout chosen = Printer().pageLayout();
    const int w = page.PrintPicture.Width(), h = page.PrintPicture.Height();
    if (w > 0 && h > 0 && w != h)
        Printer().setPageOrientation(w > h ? QPageLayout::Landscape : QPageLayout::Portrait);
    {
        TPrintJob job;
        if (job.NextSheet()) {
            PlayPrintPictureOnSheet(job.Painter(), page);
            job.End();
        }
    }
    Printer().setPageLayout(chosen);
}

namespace {

int PictureDpi(const TPrintedPage& page)
{
    return page.PrintPictureDpi > 0 ? page.PrintPictureDpi : Printer().resolution();
}

} // namespace

std::string PrintPictureEmfBytes(const TPrintedPage& page)
{
    TEmfDevice emf(page.PrintPicture.Width(), page.PrintPicture.Height(), PictureDpi(page));
    QPainter p(&emf);
    page.PrintPicture.Play(p);
    p.end();
    const std::vector<uint8_t> bytes = emf.Bytes();
    return std::string(bytes.begin(), bytes.end());
}

bool SavePrintPictureEmf(const TPrintedPage& page, const std::string& fileName)
{
    TEmfDevice emf(page.PrintPicture.Width(), page.PrintPicture.Height(), PictureDpi(page));
    QPainter p(&emf);
    page.PrintPicture.Play(p);
    p.end();
    const std::string error = emf.Save(fileName);
    if (!error.empty()) {
        Services().ShowMessage(error);
        return false;
    }
    return true;
}

bool SavePrintPictureWmf(const TPrintedPage& page, const std::string& fileName)
{
    // A Windows metafile counts in 16 bits: a page beyond that is scaled down.
    const int w = page.PrintPicture.Width(), h = page.PrintPicture.Height();
    const double k = std::min(1.0, 32000.0 / std::max(w, h));
    const int dpi = std::max(1, int(std::lround(PictureDpi(page) * k)));
    TWmfDevice wmf(std::max(1, int(std::lround(w * k))), std::max(1, int(std::lround(h * k))), dpi);
    QPainter p(&wmf);
    p.scale(k, k);
    page.PrintPicture.Play(p);
    p.end();
    const std::string error = wmf.Save(fileName);
    if (!error.empty()) {
        Services().ShowMessage(error);
        return false;
    }
    return true;
}

namespace {

// The printer turns with the report's document.
class PreviewPrintServices : public PrintServices {
public:
    void SetPrinterOrientation(bool landscape) override
    {
        Printer().setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
};

void DrawPictureStretched(QPainter& p, const TPrintedPage& page, QSize target)
{
    if (page.PrintPicture.IsEmpty())
        return;
    page.PrintPicture.PlayInto(p, QRectF(QPointF(0, 0), QSizeF(target)));
}

int GifWrite(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::string*>(gif->UserData);
    out->append(reinterpret_cast<const char*>(data), size_t(length));
    return length;
}

// A GIF of the picture with white as its transparent colour.
bool WriteGif(const QImage& source, const std::string& fileName)
{
    const QImage image = source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QList<QRgb> table = image.colorTable();
    int bits = 1;
    while ((1 << bits) < table.size())
        ++bits;
    std::vector<GifColorType> colours(size_t(1) << bits);
    int white = -1;
    for (int i = 0; i < table.size(); ++i) {
        colours[size_t(i)] = GifColorType{uint8_t(qRed(table[i])), uint8_t(qGreen(table[i])), uint8_t(qBlue(table[i]))};
        if (white < 0 && (table[i] & 0xFFFFFF) == 0xFFFFFF)
            white = i;
    }
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    if (!gif)
        return false;
    ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
    // The transparent colour rides in a graphic control extension, which only the
    // 89a version of the format knows: the header, written first, must say so.
    EGifSetGifVersion(gif, white >= 0);
    bool ok = map && EGifPutScreenDesc(gif, image.width(), image.height(), bits, 0, map) == GIF_OK;
    if (ok && white >= 0) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = white;
        GifByteType ext[4];
        const size_t n = EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y)
        ok = EGifPutLine(gif, const_cast<GifByteType*>(image.constScanLine(y)), image.width()) == GIF_OK;
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return ok && FileUtils::WriteFileAtomic(fileName, out);
}

} // namespace

QImage PrintPictureImage(const TPrintedPage& page, QSize size)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    DrawPictureStretched(p, page, image.size());
    return image;
}

bool WriteImageFile(const QImage& image, const char* format, const std::string& fileName, int quality)
{
    return ImageFile::Save(image, fileName, format, quality);
}

TPreviewCanvas::TPreviewCanvas(const TPrintedPage& page, QWidget* parent) : QWidget(parent), page_(page)
{
    setObjectName(QStringLiteral("ppv"));
}

void TPreviewCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    DrawPictureStretched(p, page_, size());
}

TFrmPreview::TFrmPreview(const TPrintedPage& page, QWidget* parent) : QWidget(parent), page_(page)
{
    setObjectName(QStringLiteral("TFrmPreview"));
    setWindowTitle(QStringLiteral("Vista Previa"));
    resize(468, 423);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setFixedHeight(29);
    // Short captions with the hints as tool tips: the whole bar, the GIF size
    // box included, fits the window at its default size.
    auto add = [&](const char* name, const char* caption, const char* hint, auto slot) {
        QAction* a = bar->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(QString::fromUtf8(hint));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    tbPrint = add("tbPrint", "Imprimir", "Imprimir", &TFrmPreview::tbPrintClick);
    tbSave = add("tbSave", "Guardar", "Guardar imagen", &TFrmPreview::tbSaveClick);
    tbZoomin = add("tbZoomin", "+", "Agrandar imagen", &TFrmPreview::tbZoominClick);
    tbZoomOut = add("tbZoomOut", "\u2212", "Reducir imagen", &TFrmPreview::tbZoomOutClick);
    tbDecFont = add("tbDecFont", "A\u2212", "Reducir tamaño de letra", &TFrmPreview::tbDecFontClick);
    tbIncFont = add("tbIncFont", "A+", "Aumentar tamaño de letra", &TFrmPreview::tbIncFontClick);
    tbPageVert = add("tbPageVert", "Orientación", "Orientación página", &TFrmPreview::tbPageVertClick);
    tbPageVert->setCheckable(true);
    tbPageVert->setVisible(false);
    seSize = new TRealSpinBox(bar);
    seSize->setObjectName(QStringLiteral("seSize"));
    seSize->setToolTip(QStringLiteral("Tamaño de las imágenes GIF (millones de pixels)"));
    seSize->setSuffix(QStringLiteral(" Mpx"));
    seSize->setDecimals(1);
    seSize->setSingleStep(0.1);
    seSize->setRange(2, 20);
    seSize->setValue(5);
    bar->addWidget(seSize);
    tbClose = add("tbClose", "Cerrar", "Cerrar la vista previa", &TFrmPreview::Salir1Click);
    layout->addWidget(bar);

    area_ = new QWidget(this);
    layout->addWidget(area_, 1);
    auto panel = [&](const char* name) {
        auto* w = new QWidget(area_);
        w->setObjectName(QString::fromLatin1(name));
        w->setAutoFillBackground(true);
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Disabled, QPalette::Text));
        w->setPalette(pal);
        return w;
    };
    pTop = panel("pTop");
    pBottom = panel("pBottom");
    pLeft = panel("pLeft");
    pRight = panel("pRight");
    sbppv = new QScrollArea(area_);
    sbppv->setObjectName(QStringLiteral("sbppv"));
    sbppv->setFrameShape(QFrame::NoFrame);
    sbppv->setBackgroundRole(QPalette::Base);
    sbppv->horizontalScrollBar()->setSingleStep(25);
    sbppv->verticalScrollBar()->setSingleStep(25);
    ppv = new TPreviewCanvas(page_);
    sbppv->setWidget(ppv);
    sbppv->setWidgetResizable(false);
    UpdateZoomButtons();
}

void InstallPreviewPrintServices()
{
    static PreviewPrintServices services;
    SetPrintServices(&services);
}

void TFrmPreview::FitToPage(QSize page)
{
    // The panels frame the box on the area left under the tool bar.
    const int W = std::max(0, area_->width()), H = std::max(0, area_->height());
    const int boxW = std::max(0, W - 20), boxH = std::max(0, H - 20);
    const QSize m = ZelPrinter::PageMargins(page.width(), page.height(), boxW, boxH);
    const int mx = m.width() + 10, my = m.height() + 10;
    pLeft->setGeometry(0, 0, mx, H);
    pRight->setGeometry(W - mx, 0, mx, H);
    pTop->setGeometry(mx, 0, std::max(0, W - 2 * mx), my);
    pBottom->setGeometry(mx, H - my, std::max(0, W - 2 * mx), my);
    sbppv->setGeometry(mx, my, std::max(0, W - 2 * mx), std::max(0, H - 2 * my));
    ppv->resize(sbppv->size());
}

// The box takes the shape of the page rendered (the printer's, the report's
// paper or the map's extent), or of the printer's page before any.
void TFrmPreview::FitToPrinterPage()
{
    FitToPage(page_.PrintPicture.IsEmpty() ? PrinterPageSize()
                                            : QSize(page_.PrintPicture.Width(), page_.PrintPicture.Height()));
}

void TFrmPreview::ResizePicture()
{
    ppv->resize(sbppv->width() * (PreviewZoom + 1), sbppv->height() * (PreviewZoom + 1));
}

void TFrmPreview::UpdateZoomButtons()
{
    tbZoomin->setEnabled(PreviewZoom < 2);
    tbZoomOut->setEnabled(PreviewZoom > 0);
}

void TFrmPreview::tbZoominClick()
{
    if (PreviewZoom >= 2)
        return;
    ++PreviewZoom;
    ResizePicture();
    UpdateZoomButtons();
}

void TFrmPreview::tbZoomOutClick()
{
    if (PreviewZoom <= 0)
        return;
    --PreviewZoom;
    ResizePicture();
    UpdateZoomButtons();
}

void TFrmPreview::tbPrintClick() { PrintPictureOnPrinter(page_); }

void TFrmPreview::tbDecFontClick()
{
    FontFactor = FontFactor <= 1.0f ? FontFactor - 0.1f : FontFactor - 1.0f;
    UpdateFontButtons();
    if (host_)
        host_->RemakePreview();
}

void TFrmPreview::tbIncFontClick()
{
    FontFactor = FontFactor < 1.0f ? FontFactor + 0.1f : FontFactor + 1.0f;
    UpdateFontButtons();
    if (host_)
        host_->RemakePreview();
}

double TFrmPreview::LabelScale() const { return std::max(0.1, 1.0 + double(FontFactor)); }

// The letters never shrink to nothing: at a tenth of their size the reduce
// button rests.
void TFrmPreview::UpdateFontButtons() { tbDecFont->setEnabled(1.0 + double(FontFactor) > 0.15); }

void TFrmPreview::Salir1Click() { close(); }

void TFrmPreview::tbPageVertClick()
{
    TWaitCursor wait;
    Printer().setPageOrientation(tbPageVert->isChecked() ? QPageLayout::Portrait : QPageLayout::Landscape);
    if (host_)
        host_->RemakePreview();
}

void TFrmPreview::tbSaveClick()
{
    // The dialog asks nothing: a shapefile is written with its companions, and the
    // user is asked once about every file of the set there (the export's
    // question); any other picture is one file, asked about here as the options say.
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Guardar imagen ..."));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOptions(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(QStringLiteral("emf"));
    dialog.setNameFilters({QStringLiteral("Enhanced metafile [*.emf] (*.emf)"),
                           QStringLiteral("Windows metafile [*.wmf] (*.wmf)"),
                           QStringLiteral("Drawing interchange format [*.dxf] (*.dxf)"),
                           QStringLiteral("Compressed Keyhole Markup Language [*.kmz] (*.kmz)"),
                           QStringLiteral("ESRI Shape File [*.shp] (*.shp)"),
                           QStringLiteral("Archivo GIF transparente [*.gif] (*.gif)"),
                           QStringLiteral("Mapas de Bits [*.bmp] (*.bmp)"),
                           QStringLiteral("Archivo JPEG [*.jpg] (*.jpg)")});
    SuffixFollowsFilter(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::string fileName = dialog.selectedFiles().front().toStdString();
    // A name of a kind no encoder knows is refused (below) before any question.
    const QString ext = QFileInfo(QString::fromStdString(fileName)).suffix().toUpper();
    const bool known = QStringList{"EMF", "WMF", "DXF", "KMZ", "BMP", "JPG", "JPEG", "JPE", "PNG", "GIF"}.contains(ext);
    if (known && !MayReplaceBeside(fileName, {fileName}))
        return;
    ImageExports(fileName);
}

bool TFrmPreview::ImageExports(const std::string& fileName)
{
    const QString ext = QStringLiteral(".") + QFileInfo(QString::fromStdString(fileName)).suffix().toUpper();
    bool ok = true;
    if (ext == QLatin1String(".EMF"))
        return SavePrintPictureEmf(page_, fileName);
    if (ext == QLatin1String(".WMF"))
        return SavePrintPictureWmf(page_, fileName);
    if (ext == QLatin1String(".DXF") || ext == QLatin1String(".KMZ") || ext == QLatin1String(".SHP")) {
        // The map exports write the main window's network; without one there is nothing to write.
        if (!host_)
            return false;
        if (ext == QLatin1String(".DXF"))
            return host_->ExportDxf(fileName);
        if (ext == QLatin1String(".KMZ"))
            return host_->ExportKmz(fileName);
        return host_->ExportShp(fileName);
    }
    if (ext == QLatin1String(".BMP"))
        ok = WriteImageFile(PrintPictureImage(page_, ppv->size()), "BMP", fileName);
    else if (ext == QLatin1String(".JPG") || ext == QLatin1String(".JPEG") || ext == QLatin1String(".JPE"))
        ok = WriteImageFile(PrintPictureImage(page_, ppv->size()), "JPG", fileName, 90);
    else if (ext == QLatin1String(".PNG"))
        ok = WriteImageFile(PrintPictureImage(page_, ppv->size()), "PNG", fileName);
    else if (ext == QLatin1String(".GIF"))
        ok = WriteGif(PrintPictureImage(page_, ZelPrinter::GifSize(ppv->width(), ppv->height(), seSize->value())), fileName);
    else {
        // Nothing is written for a name the encoders do not know: the user is told
        // rather than left looking for a file that is not there.
        Services().ShowMessage("No se guardó la imagen: la extensión de " + fileName
                               + " no es ninguna de emf, wmf, dxf, kmz, shp, gif, bmp, jpg o png.");
        return false;
    }
    if (!ok)
        Services().ShowMessage(FileUtils::WriteFailure(fileName));
    return ok;
}

void TFrmPreview::PictureChanged()
{
    FitToPrinterPage();
    ResizePicture();
    ppv->update();
}

void TFrmPreview::showEvent(QShowEvent* event)
{
    PreviewZoom = 0;
    QWidget::showEvent(event);
}

void TFrmPreview::closeEvent(QCloseEvent* event)
{
    PreviewZoom = 0;
    FontFactor = 0.0f;
    UpdateFontButtons();
    ppv->resize(sbppv->size());
    tbZoomOut->setEnabled(false);
    tbZoomin->setEnabled(true);
    QWidget::closeEvent(event);
}

void TFrmPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layout()->activate();
    QScrollBar* v = sbppv->verticalScrollBar();
    QScrollBar* h = sbppv->horizontalScrollBar();
    const double rv = v->maximum() > 0 ? double(v->value()) / v->maximum() : 0.0;
    const double rh = h->maximum() > 0 ? double(h->value()) / h->maximum() : 0.0;
    FitToPrinterPage();
    ResizePicture();
    v->setValue(int(std::lround(v->maximum() * rv)));
    h->setValue(int(std::lround(h->maximum() * rh)));
    UpdateZoomButtons();
}

void TFrmPreview::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* v = sbppv->verticalScrollBar();
    QScrollBar* h = sbppv->horizontalScrollBar();
    switch (event->key()) {
    case Qt::Key_Left: h->setValue(h->value() - h->singleStep()); break;
    case Qt::Key_Right: h->setValue(h->value() + h->singleStep()); break;
    case Qt::Key_Up: v->setValue(v->value() - v->singleStep()); break;
    case Qt::Key_Down: v->setValue(v->value() + v->singleStep()); break;
    case Qt::Key_Escape: close(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

// Tab does not move the focus in this window.
bool TFrmPreview::focusNextPrevChild(bool) { return true; }
