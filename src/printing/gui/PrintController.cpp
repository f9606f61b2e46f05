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


void SetBounds()
{
    ZelPrinter::SetMinX(WorldMinX);
    ZelPrinter::SetMaxX(WorldMaxX);
    ZelPrinter::SetMinY(WorldMinY);
    ZelPrinter::SetMaxY(WorldMaxY);
}

// The stamp, the caption, the date and the page key, in pixels of the page.
void PrintFooter(QPainter& p, const QString& caption)
{
    const float f = SizeFactor > 0 ? SizeFactor : 1.0f;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(std::max(1, ZelUtils::Round(10 * f)));
    font.setBold(true);
    p.setFont(font);
    const QFontMetrics fm(font, p.device());
    const QString stamp = QString::fromStdString(GeneratedBy);
    const int cx = fm.horizontalAdvance(stamp), cy = fm.height();
    p.setPen(QColor(0x80, 0x80, 0x80));
    const int stampX = TitlePos == 1 ? PrintPageWidth - cx - 4 : 4;
    p.drawText(stampX, 3 + fm.ascent(), stamp);
    if (ProgramOptions().PrintCaption)
        p.drawText(4, PrintPageHeight - 3 - cy + fm.ascent(), caption);
    if (ProgramOptions().PrintDate) {
        const QDateTime now = QDateTime::currentDateTime();
        const QLocale locale;
        const QString text = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                             + locale.toString(now.time(), QLocale::ShortFormat);
        p.drawText(PrintPageWidth - fm.horizontalAdvance(text) - 4, PrintPageHeight - 3 - cy + fm.ascent(), text);
    }
    if (PrintPageX > 0 && PrintPageY > 0) {
        const QString index = QString::fromStdString(ZelUtils::Format("(%d,%d)", PrintPageX, PrintPageY));
        p.drawText(PrintPageWidth - fm.horizontalAdvance(index) - 4, PrintPageHeight - cy - 4 + fm.ascent(), index);
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 0));
        for (int i = 1; i <= PrintPagesPerSide; ++i)
            for (int j = 1; j <= PrintPagesPerSide; ++j) {
                p.setBrush(i == PrintPageX && j == PrintPageY ? QColor(0xC0, 0xC0, 0xC0) : QColor(Qt::white));
                const QRect r(QPoint(30 * (i - 1) + 1, PrintPageHeight - (30 * j + 1)),
                              QPoint(30 * i + 1, PrintPageHeight - (30 * (j - 1) + 1)));
                p.drawRect(r);
            }
    }
}

} // namespace

void TPrintController::RegisterCommands(TCommandRegistry& registry)
{
    registry.Register(CommandTable::TOwner::Printing, {{Cmd::aPrint1, this, &TPrintController::PrinttoFile1Click},
                                                       {Cmd::aVistaPrevia1, this, &TPrintController::VistaPrevia1Click},
                                                       {Cmd::aMultiPrint, this, &TPrintController::aMultiPrintExecute},
                                                       {Cmd::aSetup1, this, &TPrintController::Setup1Click},
                                                       {Cmd::Copy1, this, &TPrintController::Copy1Click}});
}

void TPrintController::PrintPageLayers(QPainter& p, QSize printerPage)
{
    PrintLayers::TPageCanvas canvas;
    canvas.Map = host_.MapImage();
    canvas.BarLegend = host_.BarLegend();
    canvas.RangeLegend = host_.RangeLegend();
    PrintLayers::PrintPage(p, view_ ? *view_ : host_.MainMapSnapshot(), printerPage, canvas);
}

void TPrintController::PrintFilePreview()
{
    if (PrintMetafileName.empty())
        PrintMetafileName = ScratchMetafileName();
    TWaitCursor wait;
    const QSize printerPage = PrinterPageSize();
    PrintPageWidth = printerPage.width();
    PrintPageHeight = printerPage.height();
    ZelPrinter::SetPageSize(PrintPageWidth, PrintPageHeight);
    SetBounds();
    if (PrintToExtent) {
        PrintPageWidth = ZelPrinter::WorldToPixelX(WorldMaxX) - ZelPrinter::WorldToPixelX(WorldMinX);
        PrintPageHeight = std::abs(ZelPrinter::WorldToPixelY(WorldMaxY) - ZelPrinter::WorldToPixelY(WorldMinY));
    } else if (!PrintOnPrinterPage) {
        PrintPageWidth = PrintCustomWidth;
        PrintPageHeight = PrintCustomHeight;
    }
    const TOxrImage* img = host_.MapImage();
    const bool keepView = ProgramOptions().KeepView;
    const bool fixWidth = ProgramOptions().Fix == 0;
    const QSize size = ZelPrinter::PictureSize(PrintPageWidth, PrintPageHeight, keepView, fixWidth,
                                               img ? img->width() : 0, img ? img->height() : 0)
                           .expandedTo(QSize(1, 1));
    ZelPrinter::SetPageSize(size.width(), size.height());
    SetBounds();
    PrintPictureWidth = size.width();
    PrintPictureHeight = size.height();

    // The page is drawn at the device's own resolution: one unit of the page is
    // one printer pixel, and the layers scale screen sizes by SizeFactor.
    PrintPicture.Reset(size.width(), size.height(), 96);
    QPainter p(&PrintPicture);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    TMapPainter& page = ZelPrinter::Painter();
    page.SetPainter(&p);
    page.PenMode = TPenMode::Copy;
    // Every tile the page shows is walked (the page may show more than the view).
    KDVlib::SetGrid(ZelPrinter::MinX(), ZelPrinter::PixelToWorldX(size.width()), ZelPrinter::MinY(),
                    ZelPrinter::PixelToWorldY(0));
    PrintPageLayers(p, printerPage);
    page.SetPainter(nullptr);
    host_.MarkShownTiles();
    PrintFooter(p, host_.WindowCaption());
    p.end();

    // The same page as a metafile file, for the callers that pick the file up.
    // A page sized by the report (8 pixels a point) is 576 pixels an inch.
    const int dpi = PrintToExtent || PrintOnPrinterPage ? Printer().resolution() : 576;
    TEmfDevice emf(size.width(), size.height(), dpi);
    QPainter ep(&emf);
    PrintPicture.Play(ep);
    ep.end();
    const std::string error = emf.Save(PrintMetafileName);
    wait.Restore();
    if (!error.empty())
        Services().ShowMessage(error);
}

void TPrintController::PrintPalvon()
{
    PrintFilePreview();
    std::remove(PrintMetafileName.c_str());
    PrintPictureOnPrinter();
}

void TPrintController::PrintFilePalvon()
{
    // The preview's letter size applies to its own picture only.
    PrintLabelScale = FrmPreview ? FrmPreview->LabelScale() : 1.0;
    PrintFilePreview();
    PrintLabelScale = 1.0;
    std::remove(PrintMetafileName.c_str());
    TFrmPreview& preview = host_.PreviewWindow();
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
    if (FrmPreview)
        FrmPreview->FitToPrinterPage();
    const QScreen* screen = QApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 0;
    if (screenWidth > 0) {
        ProgramOptions().SetScreen2Print(double(PrinterPageSize().width()) / screenWidth);
        NotifyProgramOptionsChanged();
    }
    SizeFactor = float(ProgramOptions().Screen2Print);
}

void TPrintController::PrinttoFile1Click() { PrintFilePalvon(); }

void TPrintController::VistaPrevia1Click() { PrintFilePalvon(); }

void TPrintController::aMultiPrintExecute()
{
    MultiPageWindow().exec();
    // The multi-page print moves the view window page by page.
    if (ZoomIndex >= 1 && ZoomIndex <= MaxZoomHistory) {
        const TZoomSlot& z = ZoomHistory[size_t(ZoomIndex)];
        WorldMinX = z.MinX;
        WorldMinY = z.MinY;
        WorldMaxX = z.MaxX;
        WorldMaxY = z.MaxY;
    }
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
    PrintFilePreview();
    return SavePrintPictureEmf(fileName);
}

bool TPrintController::PrintViewToMetafile(const std::string& fileName, const TViewSnapshot& view)
{
    const TViewSnapshot* earlier = view_;
    view_ = &view;
    const bool ok = PrintViewToMetafile(fileName);
    view_ = earlier;
    return ok;
}

TDlgPrint& TPrintController::MultiPageWindow()
{
    if (!DlgPrint)
        DlgPrint = new TDlgPrint(*this, window_.DialogParent());
    return *DlgPrint;
}

QSize TPrintController::MapCanvasSize()
{
    const TOxrImage* img = host_.MapImage();
    return img ? img->size() : QSize();
}

void TPrintController::MarkShownTiles() { host_.MarkShownTiles(); }

TViewSnapshot TPrintController::ViewSnapshot() { return host_.MainMapSnapshot(); }
