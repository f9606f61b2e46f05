// Printing of the view: the visible layers drawn once more on a page-sized
// picture, the title block and the stamp, and the main window's print commands.
#include "mainwindow/DlgCfg.h"
#include "mainwindow/DlgCfgWidgets.h"
#include "mainwindow/PalvonViewer.h"
#include "map/DrawState.h"
#include "map/Ranges.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "platform/EmfDevice.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/MultiPageWindow.h"
#include "printing/ZelPrinterPage.h"
#include "printing/gui/DlgPrint.h"
#include "printing/gui/FrmPreview.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QLocale>
#include <QPageSetupDialog>
#include <QScreen>

#include <cmath>
#include <cstdio>

namespace {

// The canvas the layers draw the page on: never shown, it only lends the map
// layers its world window (at screen scale) and the painter of the page.
TOxrImage& PrintCanvas()
{
    static TOxrImage* canvas = nullptr;
    if (!canvas) {
        canvas = new TOxrImage;
        canvas->setObjectName(QStringLiteral("printCanvas"));
        canvas->setAttribute(Qt::WA_DontShowOnScreen);
    }
    return *canvas;
}

bool Ticked(QCheckBox* box) { return box && box->isChecked(); }

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
    if (DlgCfg && Ticked(DlgCfg->cbPrintCaption))
        p.drawText(4, PrintPageHeight - 3 - cy + fm.ascent(), caption);
    if (DlgCfg && Ticked(DlgCfg->cbPrintDate)) {
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

void TPalvonViewer::CreatePrintMenus(QMenu* archivo)
{
    archivo->addSeparator();
    connect(AddAction(archivo, QStringLiteral("aPrint1"), QStringLiteral("&Imprimir...")), &QAction::triggered, this,
            &TPalvonViewer::PrinttoFile1Click);
    connect(AddAction(archivo, QStringLiteral("aVistaPrevia1"), QStringLiteral("&Vista previa...")),
            &QAction::triggered, this, &TPalvonViewer::VistaPrevia1Click);
    connect(AddAction(archivo, QStringLiteral("aMultiPrint"), QStringLiteral("Imprimir en varias páginas...")),
            &QAction::triggered, this, &TPalvonViewer::aMultiPrintExecute);
    connect(AddAction(archivo, QStringLiteral("aSetup1"), QStringLiteral("&Configurar impresora...")),
            &QAction::triggered, this, &TPalvonViewer::Setup1Click);
    connect(AddAction(archivo, QStringLiteral("Copy1"), QStringLiteral("&Copiar imagen")), &QAction::triggered, this,
            &TPalvonViewer::Copy1Click);
}

void TPalvonViewer::PrintFilePreview()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
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
    const bool keepView = DlgCfg && Ticked(DlgCfg->cbView);
    const bool fixWidth = !DlgCfg || !DlgCfg->rgFix || DlgCfg->rgFix->ItemIndex() == 0;
    const QSize size = ZelPrinter::PictureSize(PrintPageWidth, PrintPageHeight, keepView, fixWidth,
                                               img ? img->width() : 0, img ? img->height() : 0)
                           .expandedTo(QSize(1, 1));
    ZelPrinter::SetPageSize(size.width(), size.height());
    SetBounds();
    PrintPictureWidth = size.width();
    PrintPictureHeight = size.height();

    PrintPicture = QPicture();
    QPainter p(&PrintPicture);
    p.setClipRect(QRect(QPoint(0, 0), size));

    // The layers draw at screen sizes on a canvas SizeFactor times smaller than
    // the page, scaled up: every pen, symbol and font grows by SizeFactor while
    // the map keeps its window.
    const double f = SizeFactor > 0 ? SizeFactor : 1.0;
    TOxrImage& c = PrintCanvas();
    c.resize(std::max(1, int(std::ceil(size.width() / f))), std::max(1, int(std::ceil(size.height() / f))));
    p.save();
    p.scale(f, f);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    c.SetPainter(&p);
    c.PenMode = TPenMode::Copy;
    c.SetWorld(WorldMinX, WorldMinY, WorldMaxX, WorldMaxY);

    c.ResetLabels();
    if (Down("tbZonas"))
        DrawZonas(c);
    c.ResetLabelsOff();
    if (Down("tbPoligonos"))
        DrawPoligonos(c);
    if (Down("tbSolera"))
        DrawSolera(c);
    if (Down("tbAtributos") && !ShownVarList.empty() && RangeMax > 0.0f)
        DrawAtributos(&c);
    if (Down("tbColores"))
        DrawMapaColores(&c);
    DrawNetworkLayers(c);
    if (Down("tbArrows"))
        DrawArrows(c);
    if (Down("tbNodes") && !ShowLanes)
        DrawNodes(c);
    if (Down("tbCents"))
        DrawCents(c);
    c.ResetLabelsOff();
    if (Down("tbNameNodes"))
        DrawNameNodes(c);
    c.ResetLabels();
    if (!Action("Sobreescrito1")->isChecked())
        c.ResetLabelsOff();
    if (Down("tbValues"))
        DrawValue(&c);
    c.ResetLabels();
    c.ResetLabelsOff();
    if (Down("tbCalles"))
        DrawCalles(c);
    c.ResetLabels();
    if (Down("tbPoligonos"))
        DrawNamePoligonos(c);
    DrawTitulos(c);
    c.SetPainter(nullptr);
    p.restore();

    PrintFooter(p, windowTitle());
    p.end();
    PrintPicture.setBoundingRect(QRect(QPoint(0, 0), size));

    // The same page as a metafile file, for the callers that pick the file up.
    TEmfDevice emf(size.width(), size.height(), Printer().resolution());
    QPainter ep(&emf);
    ep.drawPicture(0, 0, PrintPicture);
    ep.end();
    const std::string error = emf.Save(PrintMetafileName);
    QApplication::restoreOverrideCursor();
    if (!error.empty())
        Services().ShowMessage(error);
}

void TPalvonViewer::PrintPalvon()
{
    PrintFilePreview();
    std::remove(PrintMetafileName.c_str());
    PrintPictureOnPrinter();
}

void TPalvonViewer::PrintFilePalvon()
{
    PrintFilePreview();
    std::remove(PrintMetafileName.c_str());
    if (!FrmPreview)
        return;
    FrmPreview->PictureChanged();
    if (!FrmPreview->isVisible()) {
        FrmPreview->setWindowModality(Qt::ApplicationModal);
        FrmPreview->show();
    }
}

void TPalvonViewer::Setup1Click()
{
    QPageSetupDialog dialog(&Printer(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (FrmPreview)
        FrmPreview->FitToPrinterPage();
    if (DlgCfg && DlgCfg->Screen2Print) {
        const QScreen* screen = QApplication::primaryScreen();
        const int screenWidth = screen ? screen->geometry().width() : 0;
        if (screenWidth > 0)
            DlgCfg->Screen2Print->setValue(double(PrinterPageSize().width()) / screenWidth);
        SizeFactor = float(DlgCfg->Screen2Print->value());
    }
}

void TPalvonViewer::PrinttoFile1Click() { PrintFilePalvon(); }

void TPalvonViewer::VistaPrevia1Click() { PrintFilePalvon(); }

void TPalvonViewer::aMultiPrintExecute()
{
    {
        TMultiPageWindow window(*this, this);
        window.exec();
    }
    // The multi-page print moves the view window page by page.
    if (ZoomIndex >= 1 && ZoomIndex <= MaxZoomHistory) {
        const TZoomSlot& z = ZoomHistory[size_t(ZoomIndex)];
        WorldMinX = z.MinX;
        WorldMinY = z.MinY;
        WorldMaxX = z.MaxX;
        WorldMaxY = z.MaxY;
    }
}

void TPalvonViewer::Copy1Click()
{
    if (img)
        QApplication::clipboard()->setImage(img->Picture());
}

void TPalvonViewer::Copy1Clickx()
{
    if (!img)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DrawTitulos(*img);
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
    DrawPalvon();
    QApplication::restoreOverrideCursor();
}
