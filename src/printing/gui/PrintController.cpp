// Printing of the view (TPrintController): the visible layers drawn once more on
// a page-sized picture, the title block and the stamp, and the print commands.
#include "printing/gui/PrintController.h"

#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/ViewSnapshot.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/HitGrid.h"
#include "model/KDVvars.h"
#include "model/ProgramOptions.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/EmfDevice.h"
#include "printing/ZelPrinter.h"
#include "printing/ZelPrinterPage.h"
#include "printing/gui/DlgPrint.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintHost.h"
#include "printing/gui/PrintLayers.h"
#include "printing/gui/PrinterSetup.h"
#include "widgets/CommandRegistry.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QLocale>
#include <QScreen>
#include <QTextEdit>

#include <cmath>
#include <cstdio>

namespace {


void SetBounds(const TViewState& view)
{
    ZelPrinter::SetMinX(view.WorldMinX);
    ZelPrinter::SetMaxX(view.WorldMaxX);
    ZelPrinter::SetMinY(view.WorldMinY);
    ZelPrinter::SetMaxY(view.WorldMaxY);
}

// The stamp, the caption, the date and the page index, each with its top left
// corner, and the page key, in pixels of a page of pageW x pageH: laid out
// before the layers, so the legends keep clear of them, and drawn after them.
struct TFooter {
    struct TText {
        QString text;
        QPoint at;
        QColor color;
    };
    QFont font;
    std::vector<TText> texts;
    QRect key; // the page key's squares (empty when not a multi-page print)
    int pageH = 0;
    int pageX = 0, pageY = 0, pagesPerSide = 0; // the page key's

    // Sized and placed by the view printed (a batch's copy), not by the user's.
    TFooter(const QPaintDevice* device, const QString& caption, int pageW, int pageHeight,
            const TPrintSettings& settings, const TViewState& view)
        : pageH(pageHeight), pageX(settings.PrintPageX), pageY(settings.PrintPageY),
          pagesPerSide(settings.PrintPagesPerSide)
    {
        const float f = view.SizeFactor > 0 ? view.SizeFactor : 1.0f;
        font = QFont(QStringLiteral("Times New Roman"));
        font.setPointSize(std::max(1, ZelUtils::Round(10 * f)));
        font.setBold(true);
        const QFontMetrics fm(font, device);
        const QColor grey(0x80, 0x80, 0x80);
        const QString stamp = QString::fromStdString(GeneratedBy);
        const int cx = fm.horizontalAdvance(stamp), cy = fm.height();
        texts.push_back({stamp, QPoint(view.TitlePos == 1 ? pageW - cx - 4 : 4, 3), grey});
        if (ProgramOptions().PrintCaption)
            texts.push_back({caption, QPoint(4, pageH - 3 - cy), grey});
        if (ProgramOptions().PrintDate) {
            const QDateTime now = QDateTime::currentDateTime();
            const QLocale locale;
            const QString text = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                                 + locale.toString(now.time(), QLocale::ShortFormat);
            texts.push_back({text, QPoint(pageW - fm.horizontalAdvance(text) - 4, pageH - 3 - cy), grey});
        }
        if (pageX > 0 && pageY > 0) {
            const QString index = QString::fromStdString(ZelUtils::Format("(%d,%d)", pageX, pageY));
            texts.push_back({index, QPoint(pageW - fm.horizontalAdvance(index) - 4, pageH - cy - 4), grey});
            key = QRect(QPoint(1, pageH - (30 * pagesPerSide + 1)),
                        QPoint(30 * pagesPerSide + 1, pageH - 1));
        }
    }

    // The places the footer takes on the page.
    std::vector<QRect> Places(const QPaintDevice* device) const
    {
        const QFontMetrics fm(font, device);
        std::vector<QRect> places;
        for (const TText& t : texts)
            places.emplace_back(t.at, QSize(fm.horizontalAdvance(t.text), fm.height()));
        if (!key.isEmpty())
            places.push_back(key);
        return places;
    }

    void Draw(QPainter& p) const
    {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 1));
        p.setFont(font);
        const QFontMetrics fm(font, p.device());
        for (const TText& t : texts) {
            p.setPen(t.color);
            p.drawText(t.at.x(), t.at.y() + fm.ascent(), t.text);
        }
        if (key.isEmpty())
            return;
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 0));
        for (int i = 1; i <= pagesPerSide; ++i)
            for (int j = 1; j <= pagesPerSide; ++j) {
                p.setBrush(i == pageX && j == pageY ? QColor(0xC0, 0xC0, 0xC0) : QColor(Qt::white));
                const QRect r(QPoint(30 * (i - 1) + 1, pageH - (30 * j + 1)),
                              QPoint(30 * i + 1, pageH - (30 * (j - 1) + 1)));
                p.drawRect(r);
            }
    }
};

} // namespace

void TPrintController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Printing, {{Cmd::aPrint1, this, &TPrintController::PrinttoFile1Click},
                                                       {Cmd::aVistaPrevia1, this, &TPrintController::VistaPrevia1Click},
                                                       {Cmd::aMultiPrint, this, &TPrintController::aMultiPrintExecute},
                                                       {Cmd::aSetup1, this, &TPrintController::Setup1Click},
                                                       {Cmd::Copy1, this, &TPrintController::Copy1Click}});
}

void TPrintController::PrintPageLayers(QPainter& p, QSize pageSize, const std::vector<QRect>& kept)
{
    PrintLayers::TPageCanvas canvas;
    canvas.Map = host_.MapImage();
    canvas.BarLegend = host_.BarLegend();
    canvas.RangeLegend = host_.RangeLegend();
    canvas.Kept = kept;
    PrintLayers::PrintPage(p, view_ ? *view_ : host_.MainMapSnapshot(), pageSize, canvas);
}

bool TPrintController::PrintFilePreview() { return PrintFilePreview(settings_); }

bool TPrintController::PrintFilePreview(const TPrintSettings& settings, const std::string& metafile)
{
    TWaitCursor wait;
    DrawPage(settings);
    TPrintedPage& pg = page_;
    pg.PrintMetafileName = metafile.empty() ? ScratchMetafileName() : metafile;
    // The same page as a metafile file, for the callers that pick the file up.
    TEmfDevice emf(pg.PrintPicture.Width(), pg.PrintPicture.Height(), pg.PrintPictureDpi);
    QPainter ep(&emf);
    pg.PrintPicture.Play(ep);
    ep.end();
    const std::string error = emf.Save(pg.PrintMetafileName);
    wait.Restore();
    if (!error.empty())
        Services().ShowMessage(error);
    return error.empty();
}

void TPrintController::DrawPage(const TPrintSettings& settings)
{
    TPrintedPage& pg = page_;
    // The page shows the window of the view it prints: a caller's own view (a
    // batch picture, one page of several) or the user's.
    const TViewState& shown = view_ ? view_->State : UserView();
    pg.PrintMetafileName.clear();
    const QSize printerPage = PrinterPageSize();
    pg.PrintPageWidth = printerPage.width();
    pg.PrintPageHeight = printerPage.height();
    ZelPrinter::SetPageSize(pg.PrintPageWidth, pg.PrintPageHeight);
    SetBounds(shown);
    if (settings.PrintToExtent) {
        pg.PrintPageWidth = ZelPrinter::WorldToPixelX(shown.WorldMaxX) - ZelPrinter::WorldToPixelX(shown.WorldMinX);
        pg.PrintPageHeight = std::abs(ZelPrinter::WorldToPixelY(shown.WorldMaxY) - ZelPrinter::WorldToPixelY(shown.WorldMinY));
    } else if (!settings.PrintOnPrinterPage) {
        pg.PrintPageWidth = settings.PrintCustomWidth;
        pg.PrintPageHeight = settings.PrintCustomHeight;
    }
    const TOxrImage* img = host_.MapImage();
    const bool keepView = ProgramOptions().KeepView;
    const bool fixWidth = ProgramOptions().Fix == 0;
    const QSize size = ZelPrinter::PictureSize(pg.PrintPageWidth, pg.PrintPageHeight, keepView, fixWidth,
                                               img ? img->width() : 0, img ? img->height() : 0)
                           .expandedTo(QSize(1, 1));
    ZelPrinter::SetPageSize(size.width(), size.height(), settings.PrintLabelScale);
    SetBounds(shown);
    pg.PrintPictureWidth = size.width();
    pg.PrintPictureHeight = size.height();

    // The page is drawn at the device's own resolution: one unit of the page is
    // one printer pixel, and the layers scale screen sizes by SizeFactor.
    pg.PrintPicture.Reset(size.width(), size.height(), 96);
    QPainter p(&pg.PrintPicture);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    TMapPainter& page = ZelPrinter::Painter();
    page.SetPainter(&p);
    page.PenMode = TPenMode::Copy;
    // Every tile the page shows is walked (the page may show more than the view).
    KDVlib::SetGrid(ZelPrinter::MinX(), ZelPrinter::PixelToWorldX(size.width()), ZelPrinter::MinY(),
                    ZelPrinter::PixelToWorldY(0));
    // The titles and the footer stand on the page drawn (a page cut to the map's
    // extent, a custom page), not on the printer's page.
    const TFooter footer(&pg.PrintPicture, host_.WindowCaption(), size.width(), size.height(), settings, shown);
    PrintPageLayers(p, size, footer.Places(&pg.PrintPicture));
    page.SetPainter(nullptr);
    host_.MarkShownTiles();
    footer.Draw(p);
    p.end();

    // A page sized by the report (8 pixels a point) is 576 pixels an inch.
    pg.PrintPictureDpi = settings.PrintToExtent || settings.PrintOnPrinterPage ? Printer().resolution() : 576;
}

void TPrintController::PrintPalvon()
{
    PrintFilePreview();
    std::remove(page_.PrintMetafileName.c_str());
    PrintPictureOnPrinter(page_);
}

void TPrintController::PrintFilePalvon()
{
    // The preview's letter size applies to its own picture only.
    TPrintSettings settings = settings_;
    settings.PrintLabelScale = preview_ ? preview_->LabelScale() : 1.0;
    PrintFilePreview(settings);
    std::remove(page_.PrintMetafileName.c_str());
    TFrmPreview& preview = PreviewWindow();
    preview.PictureChanged();
    if (!preview.isVisible()) {
        preview.setWindowModality(Qt::ApplicationModal);
        preview.show();
    }
}

void TPrintController::Setup1Click()
{
    TDlgPrinterSetup dialog(Printer(), window_.DialogParent());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (preview_)
        preview_->FitToPrinterPage();
    const QScreen* screen = QApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 0;
    if (screenWidth > 0) {
        ProgramOptions().SetScreen2Print(double(PrinterPageSize().width()) / screenWidth);
        NotifyProgramOptionsChanged();
    }
    UserView().SizeFactor = float(ProgramOptions().Screen2Print);
}

void TPrintController::PrinttoFile1Click() { PrintFilePalvon(); }

void TPrintController::VistaPrevia1Click() { PrintFilePalvon(); }

void TPrintController::aMultiPrintExecute()
{
    // The pages are printed from copies of the view: the user's window, panned or
    // zoomed, is the one the map shows afterwards.
    MultiPageWindow().exec();
}

void TPrintController::Copy1Click()
{
    if (const TOxrImage* img = host_.MapImage())
        QApplication::clipboard()->setImage(img->Picture());
}

void TPrintController::Copy1Clickx()
{
    TOxrImage* img = host_.MapImage();
    if (!img)
        return;
    TWaitCursor wait;
    DrawTitulos(*img, host_.MainMapSnapshot());
    if (QPainter* p = img->Canvas()) {
        p->save();
        QFont font(QStringLiteral("Times New Roman"));
        font.setPointSize(10);
        font.setBold(true);
        p->setFont(font);
        p->setPen(QColor(0x80, 0x80, 0x80));
        p->drawText(4, 3 + QFontMetrics(font, p->device()).ascent(), QString::fromStdString(GeneratedBy));
        p->restore();
    }
    QApplication::clipboard()->setImage(img->Picture());
    window_.RedrawMap();
}

bool TPrintController::PrintViewToMetafile(const std::string& fileName)
{
    return PrintFilePreview(settings_, fileName);
}

bool TPrintController::PrintViewToMetafile(const std::string& fileName, const TViewSnapshot& view)
{
    return PrintViewToMetafile(fileName, view, settings_);
}

bool TPrintController::PrintViewToMetafile(const std::string& fileName, const TViewSnapshot& view,
                                           const TPrintSettings& settings)
{
    const TViewSnapshot* earlier = view_;
    view_ = &view;
    const bool ok = PrintFilePreview(settings, fileName);
    view_ = earlier;
    return ok;
}

void TPrintController::DrawView(const TViewSnapshot& view, const TPrintSettings& settings)
{
    const TViewSnapshot* earlier = view_;
    view_ = &view;
    TWaitCursor wait;
    DrawPage(settings);
    view_ = earlier;
}

TDlgPrint& TPrintController::MultiPageWindow()
{
    if (!multiPage_)
        multiPage_ = new TDlgPrint(*this, window_.DialogParent());
    return *multiPage_;
}

TFrmPreview& TPrintController::PreviewWindow()
{
    if (!preview_) {
        preview_ = new TFrmPreview(page_, window_.DialogParent());
        if (!DatFileName.empty())
            preview_->setWindowTitle(QString::fromStdString(DatFileName));
        preview_->FitToPrinterPage();
        preview_->SetHost(&host_.PreviewHost());
        preview_->setWindowFlag(Qt::Window);
    }
    return *preview_;
}

QSize TPrintController::MapCanvasSize()
{
    const TOxrImage* img = host_.MapImage();
    return img ? img->size() : QSize();
}

void TPrintController::MarkShownTiles() { host_.MarkShownTiles(); }

TViewSnapshot TPrintController::ViewSnapshot() { return host_.MainMapSnapshot(); }
