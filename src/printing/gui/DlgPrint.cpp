#include "printing/gui/DlgPrint.h"
#include "model/FileUtils.h"
#include "platform/ImageFile.h"

#include "mainwindow/PalvonViewer.h"
#include "map/MapPainter.h"
#include "map/gui/MapLayers.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/BatchPrintGui.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintLayers.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <cstdio>
#include <QPainter>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

// The map picture with the page rectangles over it; selected pages hatched.
class TDlgPrint::TPageLayer : public QWidget {
public:
    explicit TPageLayer(TDlgPrint& owner) : QWidget(&owner), owner_(owner) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.drawImage(0, 0, owner_.map_);
        const TPageGrid& g = owner_.grid_;
        for (int i = 1; i <= g.Count(); ++i)
            for (int j = 1; j <= g.Count(); ++j) {
                const TPrintPage& pg = g.Page(i, j);
                const QRect r(QPoint(pg.Left, pg.Top), QPoint(pg.Right - 1, pg.Bottom - 1));
                p.setPen(QPen(Qt::black, 1));
                p.setBrush(Qt::NoBrush);
                p.drawRect(r);
                if (pg.Selected) {
                    // The mark inverts what lies under it (not-xor), so the links
                    // stay readable through it.
                    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
                    p.setPen(QPen(Qt::white, 1));
                    p.setBrush(QBrush(QColor(0xC0, 0xC0, 0xC0), Qt::DiagCrossPattern));
                    p.drawRect(r);
                    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
                }
            }
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        owner_.PageLayerClick(event->position().toPoint().x(), event->position().toPoint().y());
    }

private:
    TDlgPrint& owner_;
};

TDlgPrint::TDlgPrint(TPalvonViewer& viewer, QWidget* parent) : QDialog(parent), viewer_(viewer)
{
    setObjectName(QStringLiteral("TDlgPrint"));
    setWindowTitle(QStringLiteral("Multi-Impresión"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QToolBar(this);
    auto add = [&](const char* name, const QString& text, auto slot) {
        QAction* a = bar->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("tbPrint", QStringLiteral("Imprimir"), [this] { tbPrintClick(); });
    add("tbSave", QStringLiteral("Guardar"), [this] { tbSaveClick(); });
    bar->addSeparator();
    add("tbSelAll", QStringLiteral("Todas"), [this] { grid_.SelectAll(); Redraw(); });
    add("tbInvSel", QStringLiteral("Invertir"), [this] { grid_.InvertSelection(); Redraw(); });
    bar->addSeparator();
    add("tbLeft", QStringLiteral("←"), [this] { grid_.Move(-1, 0); Redraw(); });
    add("tbRight", QStringLiteral("→"), [this] { grid_.Move(1, 0); Redraw(); });
    add("tbUp", QStringLiteral("↑"), [this] { grid_.Move(0, 1); Redraw(); });
    add("tbDown", QStringLiteral("↓"), [this] { grid_.Move(0, -1); Redraw(); });
    add("tbExpand", QStringLiteral("+"), [this] { grid_.Resize(1); Redraw(); });
    add("tbContract", QStringLiteral("-"), [this] { grid_.Resize(-1); Redraw(); });
    bar->addSeparator();
    add("tbPgVert", QStringLiteral("Vertical"), [this] { SetLandscape(false); });
    add("tbPgHorz", QStringLiteral("Horizontal"), [this] { SetLandscape(true); });
    spCount = new QSpinBox(bar);
    spCount->setObjectName(QStringLiteral("spCount"));
    spCount->setRange(1, TPageGrid::MaxPerSide);
    spCount->setValue(2);
    bar->addWidget(spCount);
    connect(spCount, qOverload<int>(&QSpinBox::valueChanged), this, [this] { spCountChange(); });
    PrtMapa = new QCheckBox(QStringLiteral("Mapa"), bar);
    PrtMapa->setObjectName(QStringLiteral("PrtMapa"));
    bar->addWidget(PrtMapa);
    layout->addWidget(bar);
    layer_ = new TPageLayer(*this);
    layout->addWidget(layer_);
    PrintPageX = PrintPageY = 0;
}

void TDlgPrint::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    DrawNet();
}

void TDlgPrint::DrawNet()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QSize page = PrinterPageSize();
    aspectWH_ = page.height() > 0 ? double(page.width()) / page.height() : 1.0;
    const bool landscape = Printer().pageLayout().orientation() == QPageLayout::Landscape;
    // About 600 pixels along the page's long side, in the page's proportions.
    const int w = landscape ? 602 : ZelUtils::Round(aspectWH_ * 600 + 2);
    const int h = landscape ? ZelUtils::Round(600 / aspectWH_ + 2) : 602;
    layer_->setFixedSize(w, h);
    map_ = QImage(w, h, QImage::Format_RGB32);
    map_.fill(Qt::white);
    {
        QPainter p(&map_);
        TMapPainter mp;
        mp.SetPainter(&p);
        mp.SetDeviceSize(w, h);
        mp.SetWorld(WorldMinX, WorldMinY, WorldMaxX, WorldMaxY);
        p.setPen(QPen(Qt::black, 1));
        DrawNetWork(mp);
    }
    grid_.SetLayout(WorldMinX, WorldMinY, WorldMaxX, WorldMaxY, w, h, aspectWH_);
    PrintPagesPerSide = spCount->value();
    grid_.CreatePages(PrintPagesPerSide, widthBased_);
    Redraw();
    adjustSize();
    QApplication::restoreOverrideCursor();
}

void TDlgPrint::SetLandscape(bool landscape)
{
    Printer().setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    DrawNet();
}

void TDlgPrint::Redraw() { layer_->update(); }

void TDlgPrint::spCountChange()
{
    PrintPagesPerSide = spCount->value();
    widthBased_ = true;
    grid_.CreatePages(PrintPagesPerSide, widthBased_);
    Redraw();
}

void TDlgPrint::PageLayerClick(int x, int y)
{
    grid_.Toggle(x, y);
    Redraw();
}

void TDlgPrint::tbPrintClick()
{
    // One printer document: the overview first, then one sheet per chosen page,
    // each rendered at the printer's full page.
    QPainter p;
    bool started = false;
    auto sheet = [&]() {
        if (started)
            return Printer().newPage();
        started = p.begin(&Printer());
        if (!started)
            Services().ShowMessage("No se pudo iniciar la impresión.");
        return started;
    };
    if (PrtMapa->isChecked()) {
        if (!sheet())
            return;
        DrawOverview(p);
    }
    ForEachSelectedPage([&](int, int) {
        viewer_.PrintFilePreview();
        std::remove(PrintMetafileName.c_str());
        if (!sheet())
            return false;
        PrintPicture.Play(p);
        return true;
    });
    if (started)
        p.end();
}

bool TDlgPrint::ForEachSelectedPage(const std::function<bool(int i, int j)>& visit)
{
    for (int i = 1; i <= grid_.Count(); ++i)
        for (int j = 1; j <= grid_.Count(); ++j) {
            const TPrintPage& pg = grid_.Page(i, j);
            if (!pg.Selected)
                continue;
            PrintPageX = i;
            PrintPageY = j;
            WorldMinX = pg.X[0];
            WorldMaxX = pg.X[1];
            WorldMinY = pg.Y[0];
            WorldMaxY = pg.Y[1];
            if (!visit(i, j))
                return false;
        }
    return true;
}

void TDlgPrint::tbSaveClick()
{
    QFileDialog dialog(nullptr, QStringLiteral("Guardar imagenes ..."));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("emf"));
    dialog.setNameFilters({QStringLiteral("Enhanced metafile [*.emf] (*.emf)"), QStringLiteral("Archivo JPEG [*.jpg] (*.jpg)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    if (PrtMapa->isChecked())
        PrintMap();
    SavePages(dialog.selectedFiles().front().toStdString());
}

bool TDlgPrint::SavePages(const std::string& fileName)
{
    const QFileInfo info(QString::fromStdString(fileName));
    const std::string ext = info.suffix().toUpper().toStdString();
    if (ext != "EMF" && ext != "JPG")
        return true;
    const std::string base = (info.path() + QLatin1Char('/') + info.completeBaseName()).toStdString();
    const QSize size = viewer_.img ? viewer_.img->size() : QSize(800, 600);
    return ForEachSelectedPage([&](int i, int j) {
        const std::string name = MultiPage::PageFileName(base, i, j, ext);
        if (ext == "EMF")
            return PrintViewToMetafile(viewer_, name);
        viewer_.PrintFilePreview();
        QImage bmp(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        bmp.fill(Qt::white);
        {
            QPainter p(&bmp);
            PrintPicture.PlayInto(p, QRectF(bmp.rect()));
        }
        if (!ImageFile::Save(bmp, name, "JPG")) {
            Services().ShowMessage(FileUtils::WriteFailure(name));
            return false;
        }
        return true;
    });
}

void TDlgPrint::PrintMap()
{
    QPainter p;
    if (!p.begin(&Printer())) {
        Services().ShowMessage("No se pudo iniciar la impresión.");
        return;
    }
    DrawOverview(p);
    p.end();
}

void TDlgPrint::DrawOverview(QPainter& p)
{
    const QSize page = PrinterPageSize();
    const int PW = page.width(), PH = page.height(), n = grid_.Count();
    const auto cell = [&](int i, int j) {
        return QRect(QPoint(ZelUtils::Round((i - 1) * double(PW) / n + 1), ZelUtils::Round(PH - j * double(PH) / n + 1)),
                     QPoint(ZelUtils::Round(i * double(PW) / n - 1), ZelUtils::Round(PH - (j - 1) * double(PH) / n - 1)));
    };
    // Selected pages are marked in the not-xor mix: silver over white paper, the
    // links still showing through. A device without raster operations (a
    // printer, a PDF) gets the same look from the silver laid under the links.
    const bool rasterOps = p.device() && (p.device()->devType() == QInternal::Image
                                          || p.device()->devType() == QInternal::Pixmap);
    if (!rasterOps)
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j)
                if (grid_.Page(i, j).Selected)
                    p.fillRect(cell(i, j), QColor(0xC0, 0xC0, 0xC0));
    QFont stampFont = p.font();
    stampFont.setPixelSize(std::max(8, ZelUtils::Round(PH / 100.0)));
    p.setFont(stampFont);
    p.setPen(QPen(Qt::black, 1));
    p.drawText(4, 3 + p.fontMetrics().ascent(), QString::fromStdString(GeneratedBy));
    {
        // The whole view at the printer page's scale, its origin at the page's
        // bottom left, as the page grid assumes.
        ZelPrinter::SetPageSize(PW, PH);
        ZelPrinter::SetMinX(WorldMinX);
        ZelPrinter::SetMaxX(WorldMaxX);
        ZelPrinter::SetMinY(WorldMinY);
        ZelPrinter::SetMaxY(WorldMaxY);
        TMapPainter& mp = ZelPrinter::Painter();
        mp.SetPainter(&p);
        viewer_.SetGrid();
        PrintLayers::PrintNetWork(p);
        mp.SetPainter(nullptr);
    }
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const QRect r = cell(i, j);
            if (grid_.Page(i, j).Selected) {
                p.setBrush(rasterOps ? QBrush(QColor(0xC0, 0xC0, 0xC0)) : QBrush(Qt::NoBrush));
                p.setPen(QPen(Qt::red, 2));
                if (rasterOps)
                    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
            } else {
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(Qt::black, 1));
            }
            p.drawRect(r);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 1));
            const QString label = QString::fromStdString(ZelUtils::Format("(%2d,%2d)", i, j));
            const QFontMetrics fm = p.fontMetrics();
            p.drawText(r.right() - fm.horizontalAdvance(label) - 4, r.bottom() - fm.height() - 4 + fm.ascent(), label);
        }
}
