// What printing writes, read back by independent readers: the metafile record
// walker for EMF and WMF files, pdftoppm for pages printed to PDF.
#include "mainwindow/PalvonViewer.h"
#include "map/gui/OxrImage.h"
#include "model/KDVvars.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/DlgPrint.h"
#include "printing/gui/FrmPreview.h"
#include "support/GuiTestUtil.h"
#include "support/MetafileCheck.h"
#include "support/ViewerFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTextEdit>
#include <QTimer>
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
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
            if (e.path().filename().string().rfind("page", 0) == 0 && e.path().extension() == ".png")
                names.push_back(e.path().string());
        std::sort(names.begin(), names.end());
        std::vector<QImage> pages;
        for (const std::string& n : names)
            pages.push_back(QImage(QString::fromStdString(n)));
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

// The multi-page window, reached from the menu: the chosen pages printed to PDF
// each carry their part of the map over the sheet, the overview sheet first; the
// pages saved as metafiles pass the record walker with their page key as text.
TEST_F(PrintFiles, MultiPagePagesCoverTheirSheets)
{
    const std::string pdf = tmp.file("paginas.pdf");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(pdf));
    ASSERT_NE(DlgPrint, nullptr);
    bool ran = false;
    QTimer::singleShot(0, [&] {
        TPageGrid& g = DlgPrint->Grid();
        EXPECT_EQ(g.Count(), 2);
        DlgPrint->PageLayerClick(g.Page(1, 1).Left + 2, g.Page(1, 1).Bottom - 2);
        DlgPrint->PageLayerClick(g.Page(2, 2).Left + 2, g.Page(2, 2).Top + 2);
        DlgPrint->PrtMapa->setChecked(true);
        DlgPrint->findChild<QAction*>(QStringLiteral("tbPrint"))->trigger();
        EXPECT_TRUE(DlgPrint->SavePages(tmp.file("plan.emf")));
        ran = true;
        DlgPrint->reject();
    });
    LiveAction(viewer, "aMultiPrint")->trigger();
    ASSERT_TRUE(ran);
    const std::vector<QImage> pages = Rasterise(pdf);
    ASSERT_EQ(pages.size(), 3u); // the overview and two pages
    // The overview spans the sheet, the chosen pages silver under the links.
    const QRect overview = InkBox(pages[0]);
    EXPECT_GT(overview.width(), pages[0].width() * 3 / 4);
    EXPECT_GT(overview.height(), pages[0].height() * 3 / 4);
    int silver = 0, dark = 0;
    for (int y = 0; y < pages[0].height(); ++y)
        for (int x = 0; x < pages[0].width(); ++x) {
            const QColor c = pages[0].pixelColor(x, y);
            silver += std::abs(c.red() - 0xC0) < 16 && std::abs(c.green() - 0xC0) < 16;
            dark += c.red() < 0x80 && c.green() < 0x80 && c.blue() < 0x80;
        }
    EXPECT_GT(silver, pages[0].width() * pages[0].height() / 5);
    EXPECT_GT(dark, 100);
    // Each page sheet holds map drawn at the sheet's scale inside the page, away
    // from the stamp and the page key in its corners.
    for (size_t k = 1; k < pages.size(); ++k) {
        const QImage inner = pages[k].copy(pages[k].width() / 10, pages[k].height() / 10, pages[k].width() * 8 / 10,
                                           pages[k].height() * 8 / 10);
        int ink = 0;
        const QRect box = InkBox(inner, &ink);
        ASSERT_FALSE(box.isNull()) << "page sheet " << k << " holds no map";
        EXPECT_GT(std::max(box.width(), box.height()), inner.width() / 4) << k;
    }
    for (const char* name : {"plan_1_1.EMF", "plan_2_2.EMF"}) {
        const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(name));
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QString::fromStdString(GeneratedBy)));
        EXPECT_TRUE(r.HasText(QStringLiteral("(1,1)")) || r.HasText(QStringLiteral("(2,2)")));
    }
}
