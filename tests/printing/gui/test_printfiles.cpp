// What printing writes, read back by independent readers: the metafile record
// walker for EMF and WMF files, pdftoppm for pages printed to PDF.
#include "mainwindow/PalvonViewer.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/FrmPreview.h"
#include "support/GuiTestUtil.h"
#include "support/MetafileCheck.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTextEdit>
#include <QToolBar>

#include <filesystem>

namespace {

// The action of that name in the live menu tree or on a toolbar; fails loudly.
QAction* LiveAction(TPalvonViewer* w, const QString& name)
{
    std::function<QAction*(QMenu*)> walk = [&](QMenu* menu) -> QAction* {
        for (QAction* a : menu->actions()) {
            if (a->objectName() == name)
                return a;
            if (a->menu())
                if (QAction* found = walk(a->menu()))
                    return found;
        }
        return nullptr;
    };
    for (QAction* top : w->menuBar()->actions())
        if (top->menu())
            if (QAction* a = walk(top->menu()))
                return a;
    for (QToolBar* bar : w->findChildren<QToolBar*>())
        for (QAction* a : bar->actions())
            if (a->objectName() == name)
                return a;
    ADD_FAILURE() << "no live menu item or toolbar button " << name.toStdString();
    static QAction dummy;
    return &dummy;
}

// The box of the non-white pixels of an image: left, top, right, bottom (-1 when blank).
QRect InkBox(const QImage& image, int* count = nullptr)
{
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1, n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
                ++n;
            }
    if (count)
        *count = n;
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

class PrintFiles : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        const std::string net = tmp.file("red.dat");
        std::filesystem::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", net);
        ASSERT_TRUE(viewer->AbrirRedPalvon(net));
        viewer->resize(1000, 760);
        viewer->show();
        testutil::settle();
        viewer->DrawPalvon();
    }
    void TearDown() override
    {
        Printer().setOutputFormat(QPrinter::NativeFormat);
        Printer().setOutputFileName(QString());
        PrintMetafileName = "Velmora___.EMF";
        ViewerFixture::TearDown();
    }

    // Pages printed to PDF, rasterised at 30 dpi by pdftoppm (an independent reader).
    std::vector<QImage> Rasterise(const std::string& pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                                            QString::fromStdString(pdf), QString::fromStdString(tmp.file("page"))});
        EXPECT_TRUE(p.waitForFinished(120000));
        std::vector<QImage> pages;
        for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
            if (e.path().filename().string().rfind("page", 0) == 0 && e.path().extension() == ".png")
                pages.push_back(QImage(QString::fromStdString(e.path().string())));
        return pages;
    }
};

} // namespace

// From a fresh start (no print definition read) the preview holds the view at the
// printer page's size; its EMF and WMF saves keep every point inside the header's
// bounds and carry the title, the stamp and the node numbers as text.
TEST_F(PrintFiles, PreviewSavesMetafilesWithTheViewInsideTheirBounds)
{
    EXPECT_TRUE(PrintOnPrinterPage);
    viewer->tit->setPlainText(QStringLiteral("Plano de prueba"));
    if (!viewer->Down("tbNameNodes"))
        LiveAction(viewer, "tbNameNodes")->trigger();
    LiveAction(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    const QSize page = PrinterPageSize();
    EXPECT_EQ(PrintPicture.Width(), page.width());
    EXPECT_EQ(PrintPicture.Height(), page.height());
    ASSERT_NE(FrmPreview, nullptr);
    const std::string emf = tmp.file("vista.emf"), wmf = tmp.file("vista.wmf");
    ASSERT_TRUE(FrmPreview->ImageExports(emf));
    ASSERT_TRUE(FrmPreview->ImageExports(wmf));
    FrmPreview->close();
    for (const std::string& file : {emf, wmf}) {
        const testutil::TMetafileReport r = testutil::CheckMetafile(file);
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QStringLiteral("Plano de prueba"))) << file;
        EXPECT_TRUE(r.HasText(QString::fromStdString(GeneratedBy))) << file;
        EXPECT_GE(r.texts.size(), 10) << file; // node numbers
    }
    const testutil::TMetafileReport r = testutil::CheckMetafile(emf);
    ASSERT_EQ(r.bounds.size(), 4u);
    EXPECT_EQ(r.bounds[2], page.width() - 1);
    EXPECT_EQ(r.bounds[3], page.height() - 1);
}

// Printed to PDF from the preview, the map covers the printable area as it covers
// the map canvas on screen: the drawing spans the page along its fitting axis.
TEST_F(PrintFiles, PrintedPageCarriesTheMapAcrossThePaper)
{
    const std::string pdf = tmp.file("vista.pdf");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(pdf));
    LiveAction(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    ASSERT_NE(FrmPreview, nullptr);
    FrmPreview->tbPrint->trigger();
    FrmPreview->close();
    const std::vector<QImage> pages = Rasterise(pdf);
    ASSERT_EQ(pages.size(), 1u);
    int ink = 0;
    const QRect box = InkBox(pages[0], &ink);
    ASSERT_FALSE(box.isNull()) << "blank page";
    // The screen: the same view on the map canvas.
    int screenInk = 0;
    const QImage screen = viewer->img->Picture();
    const QRect sbox = InkBox(screen, &screenInk);
    ASSERT_FALSE(sbox.isNull());
    const double screenFill = std::max(double(sbox.width()) / screen.width(), double(sbox.height()) / screen.height());
    // pdftoppm renders the whole sheet; the printable area lies inside the margins.
    const QRectF paper = Printer().paperRect(QPrinter::DevicePixel);
    const QRectF printable = Printer().pageRect(QPrinter::DevicePixel);
    const double fx = printable.width() / paper.width(), fy = printable.height() / paper.height();
    const double paperFill = std::max(box.width() / (fx * pages[0].width()), box.height() / (fy * pages[0].height()));
    EXPECT_GT(paperFill, 0.75 * screenFill) << "paper " << paperFill << " screen " << screenFill;
    EXPECT_LT(paperFill, 1.05);
    EXPECT_GT(ink, 200);
}
