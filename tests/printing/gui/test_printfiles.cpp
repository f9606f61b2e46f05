// What printing writes, read back by independent readers: the metafile record
// walker for EMF and WMF files, pdftoppm for pages printed to PDF.
#include "mainwindow/DlgCfg.h"
#include "widgets/DlgCfgWidgets.h"
#include "mainwindow/PalvonViewer.h"
#include "map/LineLayers.h"
#include "map/gui/DataLayers.h"
#include "map/gui/OxrImage.h"
#include "model/Genatr.h"
#include "model/ProgramOptions.h"
#include "model/KDVvars.h"
#include "printing/ZelPrinter.h"
#include "printing/gui/DlgPrint.h"
#include "printing/gui/FrmPreview.h"
#include "printing/gui/PrintLayers.h"
#include "printing/gui/PrinterSetup.h"
#include "model/KDVlib.h"
#include "model/LinkShapes.h"
#include "printing/Net2Print.h"
#include "model/ZelUtils.h"
#include "support/FileDialogAnswer.h"
#include "support/GuiTestUtil.h"
#include "support/LiveMenus.h"
#include "support/PrintedLeg.h"
#include "support/MetafileCheck.h"
#include "support/RecordingServices.h"
#include "support/SampleOnScreenFixture.h"
#include "support/ViewerFixture.h"
#include "widgets/StringAlignGrid.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QFontMetricsF>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMouseEvent>
#include <QMenuBar>
#include <QProcess>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>

namespace {

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

class PrintFiles : public SampleOnScreenFixture {
protected:

    // Pages printed to PDF, rasterised at 30 dpi by pdftoppm (an independent reader).
    std::vector<QImage> Rasterise(const std::string& pdf, const std::string& stem = "page")
    {
        QProcess p;
        p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-png"),
                                            QString::fromStdString(pdf), QString::fromStdString(tmp.file(stem))});
        EXPECT_TRUE(p.waitForFinished(120000));
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(tmp.path()))
            if (e.path().filename().string().rfind(stem + "-", 0) == 0 && e.path().extension() == ".png")
                names.push_back(e.path().string());
        std::sort(names.begin(), names.end());
        std::vector<QImage> pages;
        for (const std::string& n : names)
            pages.push_back(QImage(QString::fromStdString(n)));
        return pages;
    }
};

// The texts of a PDF's pages, read by pdftotext.
QString PdfText(const std::string& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QString::fromStdString(pdf), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(60000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

using livemenus::ClickToolButton;
using livemenus::WhenModalShown;

// Share of the pixels of an image region that are dark (every channel below 0x60).
double DarkShare(const QImage& image, const QRect& region)
{
    const QRect r = region.intersected(image.rect());
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            dark += c.red() < 0x60 && c.green() < 0x60 && c.blue() < 0x60;
        }
    return r.isEmpty() ? 0.0 : double(dark) / (r.width() * r.height());
}

} // namespace

// From a fresh start (no print definition read) the preview holds the view at the
// printer page's size; its EMF and WMF saves keep every point inside the header's
// bounds, draw every link with the colour map's legend and carry the title, the
// stamp and the node numbers as text whose characters advance by their own widths.
TEST_F(PrintFiles, PreviewSavesMetafilesWithTheViewInsideTheirBounds)
{
    EXPECT_TRUE(viewer->Printing().Settings().PrintOnPrinterPage);
    viewer->tit->setPlainText(QStringLiteral("Plano de prueba"));
    if (!viewer->Down(Cmd::tbNameNodes))
        livemenus::Find(viewer, "tbNameNodes")->trigger();
    // A colour map of the link lengths, chosen from the menus.
    for (QAction* a : viewer->Grids().VarArcos->actions())
        if (a->text() == QStringLiteral("Longitud"))
            a->trigger();
    livemenus::Find(viewer, "colores1")->trigger();
    livemenus::Find(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    const QSize page = PrinterPageSize();
    EXPECT_EQ(viewer->Printing().Page().PrintPicture.Width(), page.width());
    EXPECT_EQ(viewer->Printing().Page().PrintPicture.Height(), page.height());
    ASSERT_NE(viewer->Printing().Preview(), nullptr);
    const std::string emf = tmp.file("vista.emf"), wmf = tmp.file("vista.wmf");
    ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(emf));
    ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(wmf));
    // The letter-size button: three presses draw the labels 1.3 times as large.
    for (int i = 0; i < 3; ++i)
        ClickToolButton(viewer->Printing().Preview(), QStringLiteral("tbIncFont"));
    const std::string larger = tmp.file("letras.emf");
    ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(larger));
    viewer->Printing().Preview()->close();
    const std::vector<int> before = testutil::CheckMetafile(emf).fontHeights;
    const std::vector<int> after = testutil::CheckMetafile(larger).fontHeights;
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    const int smallest = *std::min_element(before.begin(), before.end());
    EXPECT_NEAR(*std::min_element(after.begin(), after.end()), 1.3 * smallest, 0.1 * smallest + 1);
    for (const std::string& file : {emf, wmf}) {
        const testutil::TMetafileReport r = testutil::CheckMetafile(file);
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QStringLiteral("Plano de prueba"))) << file;
        EXPECT_TRUE(r.HasText(QString::fromStdString(GeneratedBy))) << file;
        EXPECT_GE(r.texts.size(), 10) << file; // node numbers
        EXPECT_GE(r.points, ArcosMaxRec - 1) << file; // every link drawn
        testutil::ExpectLengthColourMap(r);
        // Each character advances by its own width: the l narrower than the o.
        const std::vector<int> dx = r.AdvancesOf(QStringLiteral("Plano de prueba"));
        ASSERT_EQ(dx.size(), 15u) << file;
        EXPECT_LT(dx[1], dx[4]) << file;
        EXPECT_GT(dx[1], 0) << file;
    }
    const testutil::TMetafileReport r = testutil::CheckMetafile(emf);
    ASSERT_EQ(r.bounds.size(), 4u);
    EXPECT_EQ(r.bounds[2], page.width() - 1);
    EXPECT_EQ(r.bounds[3], page.height() - 1);
}

// A definition chosen from the menu in a folder of its own: the paper it names
// sizes the preview's page (no report document gives one), and the networks it
// names without a folder are the ones beside it, printed there whole.
TEST_F(PrintFiles, DefinitionFromTheMenuSizesThePageAndFindsItsNetworks)
{
    const std::string anaheim = testutil::realDataPath("anaheim.dat");
    if (!std::filesystem::exists(anaheim))
        FAIL() << "no " << anaheim;
    const int links = ArcosMaxRec - 1;
    std::filesystem::create_directories(tmp.file("def"));
    std::filesystem::copy_file(anaheim, tmp.file("def/anaheim.dat"));
    testutil::writeFile(tmp.file("def/lote.ini"), "[General]\r\nTama\xC3\xB1oPapel=1\r\n[Tema]\r\n[Anaheim]\r\n"
                                                  "RedPalvon=anaheim.dat\r\nVarColores=Long\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("def/lote.ini"));
    livemenus::Find(viewer, "DefinirRedes1")->trigger();
    testutil::settle();

    livemenus::Find(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    ASSERT_NE(viewer->Printing().Preview(), nullptr);
    ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(tmp.file("vista.emf")));
    viewer->Printing().Preview()->close();
    const testutil::TMetafileReport page = testutil::CheckMetafile(tmp.file("vista.emf"));
    EXPECT_METAFILE_SOUND(page);
    EXPECT_GE(page.points, links) << page.Summary();
    ASSERT_EQ(page.bounds.size(), 4u);
    // A4 upright: 210 x 297 mm.
    EXPECT_GT(page.bounds[2], 1000);
    EXPECT_NEAR(double(page.bounds[3]) / std::max(1, page.bounds[2]), 297.0 / 210.0, 0.02);

    livemenus::Find(viewer, "ImprimirRedes1")->trigger();
    testutil::settle();
    const testutil::TMetafileReport printed = testutil::CheckMetafile(tmp.file("def/anaheim_Long.emf"));
    EXPECT_METAFILE_SOUND(printed);
    EXPECT_GE(printed.points, 914) << printed.Summary(); // the links of anaheim, as its README counts them
    EXPECT_FALSE(std::filesystem::exists(tmp.file("anaheim_Long.emf")));
}

// Printed to PDF from the preview, the map covers the printable area as it covers
// the map canvas on screen: the drawing spans the page along its fitting axis.
// The network sits in a folder the user cannot write: the preview's scratch file
// goes to the temporary folder, and nothing is left beside the network.
TEST_F(PrintFiles, PrintedPageCarriesTheMapAcrossThePaper)
{
    namespace fs = std::filesystem;
    const fs::path readOnly = tmp.path() / "solo_lectura";
    fs::create_directories(readOnly);
    fs::copy_file(std::string(VELMORA_SOURCE_DIR) + "/samples/ejemplo.dat", readOnly / "red.dat");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon((readOnly / "red.dat").string()));
    fs::permissions(readOnly, fs::perms(0555));
    const std::string pdf = tmp.file("vista.pdf");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(pdf));
    livemenus::Find(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    ASSERT_NE(viewer->Printing().Preview(), nullptr);
    viewer->Printing().Preview()->tbPrint->trigger();
    viewer->Printing().Preview()->close();
    std::vector<std::string> beside;
    for (const auto& e : fs::directory_iterator(readOnly))
        beside.push_back(e.path().filename().string());
    fs::permissions(readOnly, fs::perms(0755));
    EXPECT_EQ(beside, std::vector<std::string>{"red.dat"});
    EXPECT_FALSE(fs::exists(ScratchMetafileName()));
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
    bool ran = false;
    QTimer::singleShot(0, [&] {
        TDlgPrint* window = &viewer->Printing().MultiPageWindow();
        TPageGrid& g = window->Grid();
        EXPECT_EQ(g.Count(), 2);
        window->PageLayerClick(g.Page(1, 1).Left + 2, g.Page(1, 1).Bottom - 2);
        window->PageLayerClick(g.Page(2, 2).Left + 2, g.Page(2, 2).Top + 2);
        window->PrtMapa->setChecked(true);
        livemenus::Find(window, QStringLiteral("tbPrint"))->trigger();
        EXPECT_TRUE(window->SavePages(tmp.file("plan.emf")));
        // A page's name is made up from the one chosen: a link put under it is not
        // followed into the file it leads to, and the user is told once.
        testutil::writeFile(tmp.file("victima.emf"), "del usuario");
        std::filesystem::create_symlink(tmp.file("victima.emf"), tmp.file("otro_1_1.EMF"));
        RecordingServices ui;
        EXPECT_FALSE(window->SavePages(tmp.file("otro.emf")));
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.anyMessageContains("enlace simbólico"));
        ran = true;
        window->reject();
    });
    livemenus::Find(viewer, "aMultiPrint")->trigger();
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
    EXPECT_EQ(testutil::readFile(tmp.file("victima.emf")), "del usuario");
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("otro_1_1.EMF")));
    for (const char* name : {"plan_1_1.EMF", "plan_2_2.EMF"}) {
        const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(name));
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QString::fromStdString(GeneratedBy)));
        EXPECT_TRUE(r.HasText(QStringLiteral("(1,1)")) || r.HasText(QStringLiteral("(2,2)")));
    }
}

// The colour chart from the menu: every cell's number stands inside its cell,
// about its centre, as the record walker reads the text positions.
TEST_F(PrintFiles, ColourChartNumbersStandInTheirCells)
{
    const std::string file = tmp.file("colores.emf");
    testutil::AnswerFileDialog(viewer, file);
    livemenus::Find(viewer, "ImprimirColores1")->trigger();
    const testutil::TMetafileReport r = testutil::CheckMetafile(file);
    EXPECT_METAFILE_SOUND(r);
    ASSERT_EQ(r.texts.size(), 140);
    ASSERT_EQ(r.bounds.size(), 4u);
    const double cw = (r.bounds[2] + 1) / 10.0, ch = (r.bounds[3] + 1) / 14.0;
    // Each number readable on its cell: black or white, whichever contrasts more
    // with the cell's fill (the fill of the cell under the number's point), by
    // relative luminance; no colour leaves less than 4.5:1 to the better of them.
    auto luminance = [](long long c) {
        double l = 0;
        const double w[3] = {0.2126, 0.7152, 0.0722};
        for (int k = 0; k < 3; ++k) {
            const double x = double((c >> (8 * k)) & 0xFF) / 255.0;
            l += w[k] * (x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4));
        }
        return l;
    };
    ASSERT_EQ(r.textColours.size(), 140u);
    for (int i = 0; i < 140; ++i) {
        const QPoint at(r.textPoints[size_t(i)].first, r.textPoints[size_t(i)].second);
        long long cell = -1;
        for (const testutil::TMetafileReport::TShape& sh : r.shapes)
            if (sh.fill >= 0 && sh.box.contains(at))
                cell = sh.fill;
        ASSERT_GE(cell, 0) << r.texts[i].toStdString();
        const double lc = luminance(cell), lt = luminance(r.textColours[size_t(i)]);
        const double ratio = (std::max(lc, lt) + 0.05) / (std::min(lc, lt) + 0.05);
        EXPECT_GE(ratio, 4.5) << r.texts[i].toStdString() << " on " << std::hex << cell;
    }
    // The width of one digit, from number 1: its text starts half of it left of the centre.
    const double digit = 2 * (cw / 2 - r.textPoints[0].first);
    EXPECT_GT(digit, cw / 20);
    for (int i = 0; i < 140; ++i) {
        const int k = r.texts[i].toInt();
        ASSERT_GE(k, 1);
        const int row = (k - 1) / 10 + 1, col = (k - 1) % 10 + 1; // row 1 at the bottom
        const double left = (col - 1) * cw, centreX = left + cw / 2;
        const double top = r.bounds[3] + 1 - row * ch, centreY = top + ch / 2;
        const auto [x, y] = r.textPoints[size_t(i)];
        // The text starts left of the centre and its base line lies below it,
        // both within the cell.
        EXPECT_GT(x, left) << k;
        EXPECT_LT(x, centreX) << k;
        EXPECT_GT(y, centreY) << k;
        EXPECT_LT(y, top + ch) << k;
        // Centred: the text starts half its width (its digits) left of the centre.
        const int digits = int(r.texts[i].size());
        EXPECT_NEAR(2 * (centreX - x), digits * digit, 0.2 * digits * digit) << k;
    }
}

// The generation/attraction pictures and the transit-line sheets from the menu.
TEST_F(PrintFiles, GenerationAttractionPicturesAndLineSheets)
{
    std::filesystem::current_path(tmp.path());
    ASSERT_TRUE(KDVlib::LoadGenatr(testutil::dataPath("aux_genatr.csv")));
    livemenus::Find(viewer, "ImprimirGenAtr1")->trigger();
    // Both columns' captions are shorter than four characters: each its own picture,
    // "ga.emf" and the next one under a number.
    const testutil::TMetafileReport ga = testutil::CheckMetafile(tmp.file("ga.emf"));
    EXPECT_METAFILE_SOUND(ga);
    EXPECT_TRUE(ga.HasText(QString::fromStdString(GeneratedBy)));
    EXPECT_METAFILE_SOUND(testutil::CheckMetafile(tmp.file("ga_2.emf")));
    // A picture there (the user's, since) is replaced only on a yes to one
    // question naming it; "No" draws nothing.
    testutil::writeFile(tmp.file("ga.emf"), "del usuario");
    for (const bool yes : {false, true}) {
        RecordingServices ui;
        ui.answerYes = yes;
        livemenus::Find(viewer, "ImprimirGenAtr1")->trigger();
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find("/ga.emf"), std::string::npos) << ui.questions[0];
        EXPECT_NE(ui.questions[0].find("/ga_2.emf"), std::string::npos) << ui.questions[0];
        EXPECT_EQ(testutil::readFile(tmp.file("ga.emf")) == "del usuario", !yes);
    }
    EXPECT_FALSE(std::filesystem::exists(tmp.file("ga_3.emf"))) << "a run again adds a number";
    // The picture's name is made up by the command: a link put under it is not
    // followed into the file it leads to, and the user is told once.
    testutil::writeFile(tmp.file("victima.emf"), "del usuario");
    std::filesystem::remove(tmp.file("ga.emf"));
    std::filesystem::create_symlink(tmp.file("victima.emf"), tmp.file("ga.emf"));
    {
        RecordingServices ui;
        livemenus::Find(viewer, "ImprimirGenAtr1")->trigger();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("enlace simbólico"), std::string::npos) << ui.messages[0];
        EXPECT_NE(ui.messages[0].find(tmp.file("ga.emf")), std::string::npos) << "named with its folder";
    }
    EXPECT_EQ(testutil::readFile(tmp.file("victima.emf")), "del usuario");
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("ga.emf")));
    // A slash in a column's title names no folder: the picture stays beside the
    // others; a title the same but for it has a picture of its own, under the
    // next number, asked about when a file is there.
    testutil::writeFile(tmp.file("viajes.csv"),
                        "zona,x,y,Viajes/dia,A1,Viajes_dia,A2\n2,350000,6300000,100,50,20,10\n");
    ASSERT_TRUE(KDVlib::LoadGenatr(tmp.file("viajes.csv")));
    std::filesystem::create_directory(tmp.file("gajes"));
    testutil::writeFile(tmp.file("gajes_dia_2.emf"), "del usuario");
    {
        RecordingServices ui;
        ui.answerYes = true;
        livemenus::Find(viewer, "ImprimirGenAtr1")->trigger();
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find("/gajes_dia_2.emf"), std::string::npos) << ui.questions[0];
    }
    EXPECT_METAFILE_SOUND(testutil::CheckMetafile(tmp.file("gajes_dia.emf")));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.file("gajes")));
    EXPECT_METAFILE_SOUND(testutil::CheckMetafile(tmp.file("gajes_dia_2.emf")));
    EXPECT_FALSE(std::filesystem::exists(tmp.file("gajes_dia_3.emf")));
    // A title with accents is cut by letters: its picture's name holds whole ones.
    testutil::writeFile(tmp.file("acentos.csv"), "zona,x,y,\xC3\xB1\xC3\xB1" "abc,A1\n2,350000,6300000,100,50\n");
    ASSERT_TRUE(KDVlib::LoadGenatr(tmp.file("acentos.csv")));
    livemenus::Find(viewer, "ImprimirGenAtr1")->trigger();
    EXPECT_METAFILE_SOUND(testutil::CheckMetafile(tmp.file("gabc.emf")));

    // The network again, with its transit lines read (an option of the options window).
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0);
    testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    ASSERT_GT(Network.LineCount, 0);
    testutil::writeFile(tmp.file("lineas.ini"), "[Hoja2]\r\nTitulo=Segunda\r\nLamina=hoja2\r\n"
                                                "[Hoja1]\r\nTitulo=Red de buses;Propuesta A\r\nLamina=hoja1.wmf\r\n"
                                                "Lineas=L01, L02\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("lineas.ini"));
    livemenus::Find(viewer, "Parmetros1")->trigger();
    for (const char* sheet : {"hoja1.emf", "hoja2.emf"}) {
        const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file(sheet));
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QString::fromStdString(GeneratedBy))) << sheet;
    }
    EXPECT_TRUE(testutil::CheckMetafile(tmp.file("hoja1.emf")).HasText(QStringLiteral("Propuesta A")));
    EXPECT_TRUE(testutil::CheckMetafile(tmp.file("hoja2.emf")).HasText(QStringLiteral("Segunda")));

    // The last sheet is the page just rendered. Across the leg of L01 from stop
    // 101 to stop 102, at its middle: the route, in the colour of the first line
    // of its sheet ($4080FF) and four screen pixels times the size factor wide,
    // shows on both sides of its link, drawn over it.
    const testutil::TLegScan leg = testutil::ScanAcrossLeg(viewer->Printing().Page(), 101, 102);
    const int width = ZelUtils::Round(4 * PrintLayers::Factor(UserView()));
    int first = 1000, last = -1000, red = 0;
    auto isRed = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 90 && qGreen(c) < 170 && qBlue(c) < 110; };
    for (int t = -3 * width; t <= 3 * width; ++t) {
        const QRgb c = leg.At(t);
        if ((c & 0xFFFFFF) == 0xFFFFFF)
            continue;
        first = std::min(first, t);
        last = std::max(last, t);
        red += isRed(c);
    }
    EXPECT_NEAR(last - first + 1, width, 2);
    EXPECT_TRUE(isRed(leg.At(first)));
    EXPECT_TRUE(isRed(leg.At(last)));
    EXPECT_FALSE(isRed(leg.At(0))); // the link lies above the route
    EXPECT_GE(red, width / 3);

    // Sheets naming one file, by the same name or through a link to it, write it
    // once, with the later sheet: the count said is of the files written.
    std::filesystem::create_symlink("hoja1.emf", tmp.file("enlace.emf"));
    struct SheetsRow {
        const char* sheets;
        int files;
    };
    const SheetsRow sheetsRows[] = {
        {"[A]\r\nTitulo=Primera\r\nLamina=hoja1\r\nLineas=L01, Ninguna\r\n[B]\r\nTitulo=Segunda\r\nLamina=hoja2\r\n"
         "[C]\r\nTitulo=Tercera\r\nLamina=hoja1.wmf\r\nLineas=L02\r\n",
         2},
        {"[A]\r\nTitulo=Primera\r\nLamina=hoja1\r\nLineas=L01, Ninguna\r\n"
         "[B]\r\nTitulo=Tercera\r\nLamina=enlace\r\nLineas=L02\r\n",
         1},
    };
    for (const SheetsRow& row : sheetsRows) {
        SCOPED_TRACE(row.sheets);
        testutil::writeFile(tmp.file("lineas.ini"), row.sheets);
        RecordingServices ui;
        testutil::AnswerFileDialog(viewer, tmp.file("lineas.ini"));
        livemenus::Find(viewer, "Parmetros1")->trigger();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].rfind(std::to_string(row.files) + " hojas impresas.", 0), 0u) << ui.messages[0];
        const testutil::TMetafileReport r = testutil::CheckMetafile(tmp.file("hoja1.emf"));
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QStringLiteral("Tercera")));
        EXPECT_FALSE(r.HasText(QStringLiteral("Primera")));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("enlace.emf")));
}

// From a fresh start, with no printer installed, the user chooses a PDF file in
// the printer setup. The multi-page window prints the chosen pages there, each
// with its page key and no black page; its marks leave the pages readable. The
// preview then prints an ordinary page there: the map where the view is, no
// page key left over. Both windows show every control at their default size and
// close with Escape.
TEST_F(PrintFiles, PrinterSetupSendsPrintsToAPdfFile)
{
    const QString pdf = QString::fromStdString(tmp.file("hojas.pdf"));
    WhenModalShown(viewer, [&](QWidget* w) {
        auto* setup = qobject_cast<TDlgPrinterSetup*>(w);
        ASSERT_NE(setup, nullptr);
        EXPECT_TRUE(testutil::ControlsOutOfReach(setup).isEmpty());
        setup->cbImpresora->setFocus();
        QTest::keyClick(setup->cbImpresora, Qt::Key_End);
        EXPECT_EQ(setup->cbImpresora->currentText(), TDlgPrinterSetup::PdfEntry());
        QTest::keyClick(setup->edArchivo, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(setup->edArchivo, pdf);
        QTest::mouseClick(setup->rbVertical, Qt::LeftButton);
        for (QAbstractButton* b : setup->findChild<QDialogButtonBox*>()->buttons())
            if (b->text() == QStringLiteral("Aceptar"))
                QTest::mouseClick(b, Qt::LeftButton);
    });
    livemenus::Find(viewer, "aSetup1")->trigger();
    EXPECT_EQ(Printer().outputFileName(), pdf);

    double darkBefore = 0, darkAfter = 0;
    QStringList outOfReach;
    WhenModalShown(viewer, [&](QWidget* w) {
        auto* window = qobject_cast<TDlgPrint*>(w);
        ASSERT_NE(window, nullptr);
        outOfReach = testutil::ControlsOutOfReach(window);
        auto* grd = window->findChild<QWidget*>(QStringLiteral("grd"));
        const TPageGrid& g = window->Grid();
        const TPrintPage& p11 = g.Page(1, 1);
        const QRect r11(QPoint(p11.Left, p11.Top), QPoint(p11.Right - 1, p11.Bottom - 1));
        darkBefore = DarkShare(grd->grab().toImage(), r11.adjusted(2, 2, -2, -2));
        QTest::mouseClick(grd, Qt::LeftButton, {}, QPoint(p11.Left + 3, p11.Bottom - 3));
        QTest::mouseClick(grd, Qt::LeftButton, {}, QPoint(g.Page(2, 2).Left + 3, g.Page(2, 2).Top + 3));
        darkAfter = DarkShare(grd->grab().toImage(), r11.adjusted(2, 2, -2, -2));
        ClickToolButton(window, QStringLiteral("tbPrint"));
        QTest::keyClick(window, Qt::Key_Escape);
    });
    livemenus::Find(viewer, "aMultiPrint")->trigger();
    EXPECT_TRUE(outOfReach.isEmpty()) << outOfReach.join(' ').toStdString();
    EXPECT_FALSE(viewer->Printing().MultiPageWindow().isVisible());
    EXPECT_GT(darkBefore, 0.0); // the links under the page
    EXPECT_NEAR(darkAfter, darkBefore, 0.1 * darkBefore + 0.002);
    std::vector<QImage> pages = Rasterise(pdf.toStdString(), "multi");
    ASSERT_EQ(pages.size(), 2u);
    for (const QImage& sheet : pages) {
        EXPECT_LT(DarkShare(sheet, sheet.rect()), 0.2);
        EXPECT_FALSE(InkBox(sheet).isNull());
    }
    QString text = PdfText(pdf.toStdString());
    EXPECT_TRUE(text.contains(QStringLiteral("(1,1)")) && text.contains(QStringLiteral("(2,2)"))) << text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(tmp.file("Velmora___.EMF")));

    livemenus::Find(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    outOfReach = testutil::ControlsOutOfReach(viewer->Printing().Preview());
    EXPECT_TRUE(outOfReach.isEmpty()) << outOfReach.join(' ').toStdString();
    ClickToolButton(viewer->Printing().Preview(), QStringLiteral("tbPrint"));
    QTest::keyClick(viewer->Printing().Preview(), Qt::Key_Escape);
    EXPECT_FALSE(viewer->Printing().Preview()->isVisible());
    pages = Rasterise(pdf.toStdString(), "single");
    ASSERT_EQ(pages.size(), 1u);
    text = PdfText(pdf.toStdString());
    EXPECT_TRUE(text.contains(QString::fromStdString(GeneratedBy))) << text.toStdString();
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\(\\d,\\d\\)")))) << text.toStdString();
    // The nodes of the view, placed on the sheet as the page was rendered: the
    // ink of the map lies about them, and covers their box.
    const QImage& sheet = pages[0];
    EXPECT_LT(DarkShare(sheet, sheet.rect()), 0.2);
    const QRectF paper = Printer().paperRect(QPrinter::DevicePixel);
    const QRectF printable = Printer().pageRect(QPrinter::DevicePixel);
    const double k = sheet.width() / paper.width();
    QRectF nodes;
    for (int32_t n = 1; n <= Network.NodeCount; ++n) {
        const QPointF at(printable.left() + ZelPrinter::WorldToPixelX(Nodos[n].X),
                         printable.top() + ZelPrinter::WorldToPixelY(Nodos[n].Y));
        nodes = nodes.isNull() ? QRectF(at * k, QSizeF(1, 1)) : nodes.united(QRectF(at * k, QSizeF(1, 1)));
    }
    const QRect expected = nodes.toAlignedRect().adjusted(-3, -3, 3, 3);
    int ink = 0, inside = 0;
    for (int y = 0; y < sheet.height(); ++y)
        for (int x = 0; x < sheet.width(); ++x)
            if ((sheet.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) {
                ++ink;
                inside += expected.contains(x, y);
            }
    EXPECT_GT(ink, 100);
    EXPECT_GT(inside, 0.8 * ink);
    const QRect box = InkBox(sheet.copy(expected));
    EXPECT_GT(box.width(), 0.8 * expected.width());
    EXPECT_GT(box.height(), 0.8 * expected.height());

    // A print that cannot be written (the PDF made read-only) leaves the earlier
    // PDF whole and says so.
    const std::string earlier = testutil::readFile(pdf.toStdString());
    std::filesystem::permissions(pdf.toStdString(), std::filesystem::perms(0444));
    RecordingServices ui;
    livemenus::Find(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    ClickToolButton(viewer->Printing().Preview(), QStringLiteral("tbPrint"));
    viewer->Printing().Preview()->close();
    EXPECT_TRUE(ui.anyMessageContains("No se pudo grabar el archivo " + pdf.toStdString() + ": es de solo lectura"));
    EXPECT_EQ(testutil::readFile(pdf.toStdString()), earlier);
}

// Printing chicago-sketch against drawing the same view on screen, in one run:
// the page is rendered at the printer's resolution, written as a metafile and
// played on a PDF printer. The figures are written to the test's output.
TEST(PrintTiming, ChicagoSketchPrintAgainstScreen)
{
    const std::string net = testutil::realDataPath("chicago-sketch.dat");
    if (!std::filesystem::exists(net))
        FAIL() << "no " << net;
    testutil::TempDir tmp;
    qputenv("VELMORA_CONFIG_DIR", QByteArray::fromStdString(tmp.path().string()));
    TAptta* splash = nullptr;
    TPalvonViewer* viewer = CreateProgramWindows(false, &splash);
    viewer->AskOnClose = false;
    viewer->Files().ReadSettings().ErrorListFile = tmp.file("Errores.txt");
    const std::string copy = tmp.file("chicago-sketch.dat");
    std::filesystem::copy_file(net, copy);
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(copy));
    viewer->resize(1200, 900);
    viewer->show();
    testutil::settle();
    if (!viewer->Down(Cmd::tbNodes))
        livemenus::Find(viewer, "tbNodes")->trigger();
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(tmp.file("chicago.pdf")));
    const auto best = [](const std::function<void()>& f) {
        qint64 b = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            f();
            b = std::min(b, t.nsecsElapsed());
        }
        return b / 1e6;
    };
    const double screen = best([&] { viewer->RedrawMap(); });
    const std::string emf = tmp.file("Velmora___.EMF");
    TPrintController& printing = viewer->Printing();
    const double render = best([&] { printing.PrintFilePreview(printing.Settings(), emf); });
    const double paper = best([&] { PrintPictureOnPrinter(printing.Page()); });
    const testutil::TMetafileReport r = testutil::CheckMetafile(emf);
    EXPECT_METAFILE_SOUND(r);
    std::printf("chicago-sketch: screen %.1f ms, print page (render + EMF) %.1f ms, PDF page %.1f ms, "
                "EMF %d records\n", screen, render, paper, r.records);
    RecordProperty("screen_ms", int(screen));
    RecordProperty("print_ms", int(render + paper));
    // Printing is a page at the printer's resolution; it stays within a small
    // multiple of the screen drawing.
    EXPECT_LT(render + paper, 40 * std::max(screen, 5.0));
    Printer().setOutputFormat(QPrinter::NativeFormat);
    Printer().setOutputFileName(QString());
    delete viewer;
    delete splash;
    std::filesystem::current_path(VELMORA_SOURCE_DIR);
}

// The transit-line loads print with their bar legend, captioned "Rutas Fijas"
// on paper, among the texts of the preview's metafile. A line hidden in the line
// grid's box leaves the map as it was until it is drawn again: a print then sums
// the loads anew for its own copy and leaves the user's scale as it was, and a
// second print is the same picture; the screen drawn again takes the new scale.
TEST_F(PrintFiles, TransitLoadsPrintTheirLegend)
{
    Secondary::DlgCfg().RutasFijas->SetItemIndex(0);
    testutil::AnswerFileDialog(viewer, tmp.file("red.dat"));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo>Abrir", "aFileOpenItem"));
    ASSERT_GE(Network.LineCount, 2);
    ASSERT_TRUE(livemenus::Click(viewer, "popup:BDerecho>Líneas", "linveh"));
    if (!viewer->Down(Cmd::tbLineas))
        livemenus::Find(viewer, "tbLineas")->trigger();
    viewer->RedrawMap();
    const float allLines = UserView().RangeMax;
    EXPECT_GT(allLines, 0.0f);
    EXPECT_EQ(UserView().RangeMin, 0.0f);

    TStringAlignGrid* lines = viewer->sagLineas;
    viewer->tnDatos->setCurrentWidget(viewer->tsLineas);
    testutil::settle();
    const QRect first = lines->visualRect(lines->model()->index(1 - lines->FixedRows(), 0));
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    UserView().RangeMin = -1.0f; // a scale of the user's own, kept by every print
    std::vector<std::string> texts;
    for (int print = 0; print < 2; ++print) {
        ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "aVistaPrevia1"));
        testutil::settle();
        const std::string emf = tmp.file("lineas" + std::to_string(print) + ".emf");
        ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(emf));
        viewer->Printing().Preview()->close();
        const testutil::TMetafileReport r = testutil::CheckMetafile(emf);
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QStringLiteral("Rutas Fijas"))) << r.texts.join('|').toStdString();
        EXPECT_FALSE(r.HasText(QStringLiteral("BUSES")));
        EXPECT_EQ(UserView().RangeMax, allLines);
        EXPECT_EQ(UserView().RangeMin, -1.0f);
        texts.push_back(r.texts.join('|').toStdString());
    }
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_NE(LinkBusMax, allLines);
    viewer->RedrawMap();
    EXPECT_EQ(UserView().RangeMax, LinkBusMax);
    EXPECT_EQ(UserView().RangeMin, 0.0f);

    // A link variable picked for bars gives the view its own maximum; the loads
    // (every line shown again) keep theirs, and so does their legend's top box.
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    viewer->RedrawMap();
    ASSERT_GT(LinkBusMax, 0.0f);
    QAction* bars = livemenus::Find(viewer, "tbAtributos");
    ASSERT_TRUE(bars && bars->menu());
    emit bars->menu()->aboutToShow();
    for (QAction* item : bars->menu()->actions())
        if (item->isEnabled() && item->text() == "Capacidad") {
            item->trigger();
            break;
        }
    ASSERT_NE(UserView().RangeMax, LinkBusMax);
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "aVistaPrevia1"));
    testutil::settle();
    const std::string emf = tmp.file("lineas_capacidad.emf");
    ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(emf));
    viewer->Printing().Preview()->close();
    const testutil::TMetafileReport page = testutil::CheckMetafile(emf);
    const QStringList tops = page.texts.filter(QRegularExpression("^> "));
    ASSERT_EQ(tops.size(), 1) << tops.join('|').toStdString();
    EXPECT_NEAR(tops[0].mid(2).toDouble(), LinkBusMax, 1.0) << tops[0].toStdString();
    // The page explains both layers of bars, and so does the screen's bar legend:
    // one framed box each (a frame's left edge starts twice down the picture).
    EXPECT_TRUE(page.HasText(QStringLiteral("Capacidad")) && page.HasText(QStringLiteral("Rutas Fijas")))
        << page.texts.join('|').toStdString();
    const QImage& shown = viewer->Scl->Picture();
    int frames = 0;
    for (int y = 0; y < shown.height(); ++y)
        frames += qGray(shown.pixel(0, y)) < 64 && (y == 0 || qGray(shown.pixel(0, y - 1)) >= 64);
    EXPECT_EQ(frames, 2);
    // A line hidden in its grid with the bars shown: the loads are summed anew
    // to their own scale, the bars keep their variable's.
    const float capacity = UserView().RangeMax;
    const float loads = LinkBusMax;
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
    viewer->RedrawMap();
    ASSERT_NE(LinkBusMax, loads);
    EXPECT_EQ(UserView().RangeMax, capacity);

    // Another network, without lines: the loads stay chosen, but with none drawn
    // neither the page nor the screen shows a legend of them (a scale of 0).
    std::filesystem::create_directories(tmp.path() / "otra");
    std::filesystem::copy_file(testutil::realDataPath("siouxfalls.dat"), tmp.path() / "otra" / "sioux.dat");
    ASSERT_TRUE(viewer->Files().AbrirRedPalvon(tmp.file("otra/sioux.dat")));
    ASSERT_EQ(Network.LineCount, 0);
    ASSERT_TRUE(viewer->Action(Cmd::linveh)->isChecked() && viewer->Down(Cmd::tbLineas));
    ASSERT_TRUE(livemenus::Click(viewer, "menu:Archivo", "aVistaPrevia1"));
    testutil::settle();
    const std::string none = tmp.file("sin_lineas.emf");
    ASSERT_TRUE(viewer->Printing().Preview()->ImageExports(none));
    viewer->Printing().Preview()->close();
    const testutil::TMetafileReport other = testutil::CheckMetafile(none);
    EXPECT_FALSE(other.HasText(QStringLiteral("Rutas Fijas"))) << other.texts.join('|').toStdString();
    EXPECT_FALSE(viewer->Scl->isVisible());
}

// The phase report of the networks of a print definition, from the menu of the
// phase window's print button: the definition chosen from the main menu, the
// document written with the phase table of the listed signalised junction.
TEST_F(PrintFiles, PhaseReportOfTheDefinedNetworksFromThePhaseWindow)
{
    const std::string doc = tmp.file("fases.doc");
    testutil::writeFile(tmp.file("fases.ini"), "[General]\r\nDocumentoWord=" + doc + "\r\n[Uno]\r\nRedPalvon="
                                                   + tmp.file("red.dat") + "\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("fases.ini"));
    livemenus::Find(viewer, "DefinirRedes1")->trigger();
    ASSERT_GT(viewer->BatchPrinting().Definition().Net2PrintCount, 0);
    for (int32_t i = 0; i <= MaxNodos; ++i)
        NodoEnLista[i] = 0;
    NodoEnLista[KDVlib::FindNodo(103)] = 1; // the signalised junction, listed in the phase window
    TFrmFases& fases = Secondary::FrmFases();
    auto* menu = fases.findChild<QMenu*>(QStringLiteral("pupImprimirFases"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(fases.tbPrint->menu(), menu);
    QAction* report = livemenus::Find(&fases, QStringLiteral("ImprimirFases"));
    ASSERT_TRUE(menu->actions().contains(report));
    // The pictures pass through a file of the program's own: the user's file of
    // that name in the working folder, the network's, is neither replaced nor removed.
    testutil::writeFile(tmp.file("emf.emf"), "del usuario");
    report->trigger();
    const std::string rtf = testutil::readFile(doc);
    EXPECT_EQ(rtf.rfind("{\\rtf", 0), 0u);
    EXPECT_NE(rtf.find("Nodo: 103"), std::string::npos);
    EXPECT_EQ(testutil::readFile(tmp.file("emf.emf")), "del usuario");

    // The table's headers each fit their column whole (no "Nod/o"): the first
    // row's cell boundaries against the word's width in a face of Arial's metrics
    // at the cells' 10 points, less the cell's gaps.
    const QRegularExpressionMatch row =
        QRegularExpression(QStringLiteral("\\\\trowd\\\\trgaph(\\d+)[^\\r\\n]*")).match(QString::fromStdString(rtf));
    ASSERT_TRUE(row.hasMatch());
    std::vector<double> edges = {0};
    for (const QRegularExpressionMatch& m : QRegularExpression(QStringLiteral("\\\\cellx(\\d+)")).globalMatch(row.captured(0)))
        edges.push_back(m.captured(1).toDouble() / 20.0);
    ASSERT_EQ(edges.size(), 17u) << row.captured(0).toStdString();
    const double gap = 2 * row.captured(1).toDouble() / 20.0;
    QFont arial(QStringLiteral("Liberation Sans"));
    arial.setPixelSize(100);
    const QFontMetricsF fm(arial);
    const char* headers[] = {"Nodo", "Ciclo", "Fases", "Desfase"};
    for (int c = 0; c < 4; ++c)
        EXPECT_LE(fm.horizontalAdvance(QString::fromUtf8(headers[c])) / 10.0 + gap, edges[size_t(c + 1)] - edges[size_t(c)])
            << headers[c];
    // The junction's picture: its heading stands above the frame, clear of it.
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VELMORA_SOURCE_DIR "/tests/support/rtf_pictures.py"),
                                                 QString::fromStdString(doc), QString::fromStdString(tmp.file(""))});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QJsonArray pictures = QJsonDocument::fromJson(p.readAllStandardOutput()).object().value("pictures").toArray();
    ASSERT_FALSE(pictures.isEmpty());
    const testutil::TMetafileReport pic = testutil::CheckMetafile(pictures.at(0).toObject().value("file").toString().toStdString());
    EXPECT_METAFILE_SOUND(pic);
    QRect frame;
    for (const testutil::TMetafileReport::TShape& sh : pic.shapes)
        if (sh.pen == 0x0000FF && sh.fill >= 0 && frame.isNull())
            frame = sh.box;
    ASSERT_FALSE(frame.isNull());
    qsizetype heading = -1;
    for (qsizetype i = 0; i < pic.texts.size(); ++i)
        if (pic.texts[i].startsWith(QStringLiteral("Diseño de Intersecciones")))
            heading = i;
    ASSERT_GE(heading, 0) << pic.texts.join('|').toStdString();
    const QRect box = pic.textBoxes[size_t(heading)];
    EXPECT_LT(box.bottom(), frame.top()) << "heading " << box.top() << ".." << box.bottom() << ", frame from " << frame.top();
    EXPECT_GE(box.top(), 0);

    // Again, with no room for the pictures' own folder (the temporary folder is
    // no folder): the document lacking them does not replace the earlier one,
    // and the user is told once.
    const QByteArray tmpdir = qgetenv("TMPDIR");
    testutil::writeFile(tmp.file("nocarpeta"), "");
    qputenv("TMPDIR", tmp.file("nocarpeta").c_str());
    {
        RecordingServices ui;
        report->trigger();
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.anyMessageContains("figura"));
    }
    tmpdir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpdir);
    EXPECT_EQ(testutil::readFile(doc), rtf);

    // And with a network of the definition that is not there: the report would
    // lack its junctions, so the earlier document stays, and the line naming it
    // is told once.
    testutil::writeFile(tmp.file("fases.ini"), "[General]\r\nDocumentoWord=" + doc + "\r\n[Uno]\r\nRedPalvon="
                                                   + tmp.file("red.dat") + "\r\n[Dos]\r\nRedPalvon=nada.dat\r\n");
    testutil::AnswerFileDialog(viewer, tmp.file("fases.ini"));
    livemenus::Find(viewer, "DefinirRedes1")->trigger();
    testutil::writeFile(doc, "informe anterior");
    {
        RecordingServices ui;
        report->trigger();
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.anyMessageContains("[Dos] RedPalvon: no se encuentra")) << ui.messages.size();
    }
    EXPECT_EQ(testutil::readFile(doc), "informe anterior");

    // And with a network of the definition without positions (no coordinates
    // file is asked for; the network is told once), or one that cannot be read
    // (too large: besides the reader's reason, the report is said not written):
    // the earlier document stays.
    const std::string sioux = testutil::readFile(testutil::realDataPath("siouxfalls.dat"));
    const size_t from = sioux.find("\n55555"), to = sioux.find("99999", from);
    testutil::writeFile(tmp.file("sincoord.dat"), sioux.substr(0, from + 1) + sioux.substr(sioux.find('\n', to) + 1));
    std::filesystem::copy_file(testutil::realDataPath("berlin-center.dat"), tmp.file("grande.dat"));
    const struct {
        const char* network;
        size_t messages; // 0: the reader's own messages come too
        const char* said;
    } cases[] = {{"sincoord.dat", 1, "sincoord.dat: la red no tiene coordenadas"},
                 {"grande.dat", 0, "No se escribi\xC3\xB3 el informe de fases"}};
    for (const auto& c : cases) {
        testutil::writeFile(tmp.file("fases.ini"), "[General]\r\nDocumentoWord=" + doc + "\r\n[Uno]\r\nRedPalvon=" +
                                                       tmp.file("red.dat") + "\r\n[Dos]\r\nRedPalvon=" +
                                                       tmp.file(c.network) + "\r\n");
        testutil::AnswerFileDialog(viewer, tmp.file("fases.ini"));
        livemenus::Find(viewer, "DefinirRedes1")->trigger();
        {
            RecordingServices ui;
            report->trigger();
            if (c.messages) {
                EXPECT_EQ(ui.messages.size(), c.messages) << c.network;
            }
            EXPECT_TRUE(ui.anyMessageContains(c.said)) << c.network << " " << ui.messages.size();
        }
        EXPECT_EQ(testutil::readFile(doc), "informe anterior") << c.network;
    }
}

namespace {

// A print definition chosen from the menu ("Definir Redes"), written in a
// folder of its own beside a copy of each network it names.
void DefineFromTheMenu(TPalvonViewer* viewer, const testutil::TempDir& tmp, const std::vector<std::string>& networks,
                       const std::string& definition)
{
    std::filesystem::create_directories(tmp.file("def"));
    for (const std::string& n : networks) {
        const std::string copy = tmp.file("def/" + std::filesystem::path(n).filename().string());
        if (!std::filesystem::exists(copy))
            std::filesystem::copy_file(n, copy);
    }
    testutil::writeFile(tmp.file("def/lote.ini"), definition);
    testutil::AnswerFileDialog(viewer, tmp.file("def/lote.ini"));
    livemenus::Find(viewer, "DefinirRedes1")->trigger();
    testutil::settle();
}

// The view in the preview from the menu, saved from it as a metafile and read back.
testutil::TMetafileReport PreviewMetafile(TPalvonViewer* viewer, const std::string& file)
{
    livemenus::Find(viewer, "aVistaPrevia1")->trigger();
    testutil::settle();
    EXPECT_NE(viewer->Printing().Preview(), nullptr);
    if (!viewer->Printing().Preview())
        return {};
    EXPECT_TRUE(viewer->Printing().Preview()->ImageExports(file));
    return testutil::CheckMetafile(file);
}

} // namespace

// A batch of chicago-sketch with a bar legend of three variables moved over the
// stamp's corner, a colour map whose title is longer than its legend and the
// movement flows; then the user's colour map with its legend dragged into the
// stamp's corner, in the preview: every legend title and caption lies whole on
// its page, clear of the stamp.
TEST_F(PrintFiles, LegendTitlesStayOnThePageClearOfTheStamp)
{
    const std::string chicago = testutil::realDataPath("chicago-sketch.dat");
    if (!std::filesystem::exists(chicago))
        FAIL() << "no " << chicago;
    const std::string longTitle = "Longitud de los arcos de la red vial (metros)";
    DefineFromTheMenu(viewer, tmp, {chicago},
                      "[General]\r\n[Tema]\r\n[Barras]\r\nRedPalvon=chicago-sketch.dat\r\nVineta=0;0\r\n"
                      "VarVolumen=Cap,T0,Long\r\nVarMultiple=2\r\n[Colores]\r\nRedPalvon=chicago-sketch.dat\r\n"
                      "VarColores=Cap\r\nTitColores=" + longTitle + "\r\nVarMovim=Fl.Sat\r\n");
    livemenus::Find(viewer, "ImprimirRedes1")->trigger();
    testutil::settle();
    const testutil::TMetafileReport bars = testutil::CheckMetafile(tmp.file("def/chicago-sketch_Long.emf"));
    EXPECT_METAFILE_SOUND(bars);
    testutil::ExpectTextsOnPageClearOfStamp(bars, {QStringLiteral("Capacidad/Tpo. Flujo Libre/Longitud"),
                                                   QStringLiteral("Capacidad"), QStringLiteral("Tpo. Flujo Libre"),
                                                   QStringLiteral("Longitud")});
    const testutil::TMetafileReport colours = testutil::CheckMetafile(tmp.file("def/chicago-sketch_Cap.emf"));
    EXPECT_METAFILE_SOUND(colours);
    testutil::ExpectTextsOnPageClearOfStamp(colours, {QString::fromStdString(longTitle)});
    EXPECT_GE(colours.RangeClasses().size(), 5u);
    const testutil::TMetafileReport moves = testutil::CheckMetafile(tmp.file("def/chicago-sketch_Cap_Fl.Sat.emf"));
    EXPECT_METAFILE_SOUND(moves);
    testutil::ExpectTextsOnPageClearOfStamp(moves, {QStringLiteral("Flujo Saturación")});
    const std::vector<std::pair<double, double>> flows = moves.RangeClasses();
    ASSERT_GE(flows.size(), 5u);
    EXPECT_LT(flows.front().first, flows.back().second);

    // Then the user draws a colour map of the lengths and drags its legend
    // into the top left corner, where the stamp prints.
    for (QAction* a : viewer->Grids().VarArcos->actions())
        if (a->text() == QStringLiteral("Longitud"))
            a->trigger();
    viewer->SetDown(Cmd::tbColores, true);
    viewer->RedrawMap();
    testutil::settle();
    ASSERT_TRUE(viewer->sym->isVisible());
    const testutil::TMetafileReport before = PreviewMetafile(viewer, tmp.file("antes.emf"));
    viewer->Printing().Preview()->close();
    const QPoint grip(6, 6), from = viewer->sym->pos();
    auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, viewer->sym->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewer->sym, &e);
    };
    mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    mouse(QEvent::MouseMove, grip - from, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, grip - from, Qt::NoButton);
    ASSERT_LT(viewer->sym->pos().manhattanLength(), 10) << viewer->sym->x() << "," << viewer->sym->y();
    const testutil::TMetafileReport page = PreviewMetafile(viewer, tmp.file("vista.emf"));
    viewer->Printing().Preview()->close();
    EXPECT_METAFILE_SOUND(page);
    EXPECT_TRUE(page.WordTexts().contains(QStringLiteral("Longitud"))) << page.texts.join('|').toStdString();
    testutil::ExpectTextsOnPageClearOfStamp(page, page.WordTexts());
    // Dragged from the bottom of the map to its top, the colour legend (its title the
    // last "Longitud": the bar scale's comes first) goes up the page.
    const qsizetype was = before.texts.lastIndexOf(QStringLiteral("Longitud")),
                    is = page.texts.lastIndexOf(QStringLiteral("Longitud"));
    ASSERT_TRUE(was >= 0 && is >= 0);
    EXPECT_LT(page.textPoints[size_t(is)].second, before.textPoints[size_t(was)].second / 2);
}

namespace {

// The ink's box on a sheet printed to PDF, as a share of the printable area:
// its width and its height over the printable width (pdftoppm renders the sheet).
QRectF InkOnPrintable(const QImage& sheet)
{
    const QRect box = InkBox(sheet);
    const QRectF paper = Printer().paperRect(QPrinter::DevicePixel);
    const QRectF printable = Printer().pageRect(QPrinter::DevicePixel);
    const double k = sheet.width() / paper.width(); // raster pixels per device pixel
    const double left = printable.left() * k, top = printable.top() * k, w = printable.width() * k;
    return QRectF((box.left() - left) / w, (box.top() - top) / w, box.width() / w, box.height() / w);
}

} // namespace

// A definition for A4 landscape pages, then the preview, a metafile saved from
// it and a print to PDF; then a batch run and the same again. The preview frames
// the page in the page's own shape, the metafile declares the page's real size
// and the printed sheet carries the whole page at the width of its printable
// area, in the page's shape (the stamp in its top left corner, the date in its
// bottom right corner).
TEST_F(PrintFiles, PagesKeepTheirShapeInThePreviewAndOnPaper)
{
    Secondary::DlgCfg().cbPrintDate->setChecked(true);
    ASSERT_TRUE(ProgramOptions().PrintDate);
    DefineFromTheMenu(viewer, tmp, {tmp.file("red.dat")},
                      "[General]\r\nTama\xC3\xB1oPapel=1\r\nOrientacion=1\r\n[Tema]\r\n[Uno]\r\nRedPalvon=red.dat\r\n"
                      "Variables=none\r\n");
    const std::string pdf = tmp.file("hoja.pdf");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(pdf));
    // One pass: the page's shape in the preview box, in the metafile's frame
    // (hundredths of a millimetre) and on the printed sheet.
    auto expectShape = [&](double aspect, double frameW, const char* stem) {
        SCOPED_TRACE(stem);
        const testutil::TMetafileReport r = PreviewMetafile(viewer, tmp.file(std::string(stem) + ".emf"));
        TFrmPreview* preview = viewer->Printing().Preview();
        ASSERT_NE(preview, nullptr);
        EXPECT_NEAR(double(preview->sbppv->width()) / preview->sbppv->height(), aspect, 0.03 * aspect);
        ClickToolButton(preview, QStringLiteral("tbPrint"));
        preview->close();
        EXPECT_METAFILE_SOUND(r);
        ASSERT_EQ(r.frame.size(), 4u);
        EXPECT_NEAR(r.frame[2] - r.frame[0], frameW, 0.01 * frameW);
        EXPECT_NEAR(double(r.frame[2] - r.frame[0]) / (r.frame[3] - r.frame[1]), aspect, 0.01 * aspect);
        const std::vector<QImage> sheets = Rasterise(pdf, stem);
        ASSERT_EQ(sheets.size(), 1u);
        // The sheet turns with the page: landscape paper for a landscape page.
        EXPECT_EQ(sheets[0].width() > sheets[0].height(), aspect > 1) << sheets[0].width() << "x" << sheets[0].height();
        const QRectF ink = InkOnPrintable(sheets[0]);
        const double inkAspect = ink.width() / ink.height();
        if (aspect >= double(Printer().pageRect(QPrinter::DevicePixel).width())
                          / Printer().pageRect(QPrinter::DevicePixel).height()) {
            EXPECT_GT(ink.width(), 0.95) << "the page fills the sheet's width";
        }
        EXPECT_NEAR(inkAspect, aspect, 0.05 * aspect);
    };
    expectShape(297.0 / 210.0, 29700, "a4");

    // The batch cuts its own pictures to the map's extent on a printer turned
    // with its document; the user's page and printer stay as they were.
    const QPageLayout::Orientation turned = Printer().pageLayout().orientation();
    livemenus::Find(viewer, "ImprimirRedes1")->trigger();
    testutil::settle();
    EXPECT_FALSE(viewer->Printing().Settings().PrintToExtent);
    EXPECT_EQ(Printer().pageLayout().orientation(), turned);
    expectShape(297.0 / 210.0, 29700, "despues");
}

// A preview, a batch from the menus whose document is landscape, then the
// preview again: the same page as before (the printer's, upright). The batch cut
// its own picture to the map's extent on a printer turned with its document.
TEST_F(PrintFiles, ABatchLeavesTheUsersPage)
{
    const testutil::TMetafileReport before = PreviewMetafile(viewer, tmp.file("antes.emf"));
    viewer->Printing().Preview()->close();
    DefineFromTheMenu(viewer, tmp, {tmp.file("red.dat")},
                      "[General]\r\nOrientacion=1\r\nDocumentoWord=informe.doc\r\n[Tema]\r\n[Uno]\r\n"
                      "RedPalvon=red.dat\r\nVariables=none\r\n");
    livemenus::Find(viewer, "ImprimirRedes1")->trigger();
    testutil::settle();
    EXPECT_TRUE(std::filesystem::exists(tmp.file("def/informe.doc")));
    const testutil::TMetafileReport picture = testutil::CheckMetafile(tmp.file("def/red.emf"));
    EXPECT_METAFILE_SOUND(picture);
    const testutil::TMetafileReport after = PreviewMetafile(viewer, tmp.file("despues.emf"));
    viewer->Printing().Preview()->close();
    EXPECT_METAFILE_SOUND(after);
    ASSERT_EQ(before.bounds.size(), 4u);
    EXPECT_LT(before.bounds[2], before.bounds[3]); // upright
    EXPECT_EQ(after.bounds, before.bounds);
    EXPECT_EQ(after.frame, before.frame);
    EXPECT_NE(picture.bounds, before.bounds);
}

// A title at the bottom of a page cut to the map's extent, as the batch cuts its
// own: in the preview's metafile the title's lines stand whole on the page,
// near its bottom, at each bottom position, and the colour map's legend keeps
// clear of them.
TEST_F(PrintFiles, BottomTitlesStayOnThePageAfterABatch)
{
    viewer->tit->setPlainText(QStringLiteral("Plano de prueba\nSegunda línea"));
    DefineFromTheMenu(viewer, tmp, {tmp.file("red.dat")},
                      "[General]\r\n[Tema]\r\n[Uno]\r\nRedPalvon=red.dat\r\nVariables=none\r\n");
    livemenus::Find(viewer, "ImprimirRedes1")->trigger();
    testutil::settle();
    ASSERT_FALSE(viewer->Printing().Settings().PrintToExtent);
    viewer->Printing().Settings().PrintToExtent = true;
    // A title of five lines in large letters: a tall block.
    viewer->tit->setPlainText(QStringLiteral("Plano de prueba\nRed vial\nAño base\nEscenario A\nSegunda línea"));
    QFont large = viewer->tit->font();
    large.setPointSize(48);
    viewer->tit->setFont(large);
    // A colour map of the lengths, its legend in the bottom right corner.
    for (QAction* a : viewer->Grids().VarArcos->actions())
        if (a->text() == QStringLiteral("Longitud"))
            a->trigger();
    viewer->SetDown(Cmd::tbColores, true);
    viewer->RedrawMap();
    for (int position : {4, 5, 6}) {
        SCOPED_TRACE(position);
        livemenus::Find(viewer, QStringLiteral("TitPos%1").arg(position))->trigger();
        const testutil::TMetafileReport r = PreviewMetafile(viewer, tmp.file("abajo.emf"));
        viewer->Printing().Preview()->close();
        EXPECT_METAFILE_SOUND(r);
        const QRect page = r.Page();
        const QRect second = r.TextBox(QStringLiteral("Segunda línea"));
        ASSERT_FALSE(second.isNull()) << r.texts.join('|').toStdString();
        testutil::ExpectTextsOnPageClearOfStamp(r, {QStringLiteral("Plano de prueba"), QStringLiteral("Segunda línea")});
        EXPECT_GT(second.bottom(), page.bottom() - page.height() / 10) << "not at the bottom";
        if (position == 4) {
            EXPECT_LT(second.left(), page.width() / 10);
        }
        if (position == 6) {
            EXPECT_GT(second.right(), page.right() - page.width() / 10);
        }
        // The legend's title and classes keep clear of the title's lines.
        const QRect first = r.TextBox(QStringLiteral("Plano de prueba")).united(second);
        int legend = 0;
        for (qsizetype i = 0; i < r.texts.size(); ++i)
            if (r.texts[i] == QStringLiteral("Longitud") || r.texts[i].contains(QStringLiteral(" - "))) {
                ++legend;
                EXPECT_FALSE(r.textBoxes[size_t(i)].intersects(first) || r.textBoxes[size_t(i)].intersects(second))
                    << r.texts[i].toStdString();
            }
        EXPECT_GE(legend, 7);
    }
}

// The multi-page window from the menu, at its default size, lies whole on the
// screen with every page of its grid in sight. Its overview sheet printed after
// the chosen pages were saved is the overview printed first: the whole view,
// not the last page saved. A save under a name of another kind or into a folder
// that cannot be written, with the overview ticked, is refused once before
// anything is printed or written; pages of the user's under the names the save
// would write are replaced only on a yes to one question (the name given, which
// is never written, asks none).
TEST_F(PrintFiles, MultiPageOverviewAfterASaveShowsTheWholeView)
{
    const std::string first = tmp.file("primera.pdf"), again = tmp.file("despues.pdf");
    // A folder the user cannot write, and a plain file where a folder should be.
    const std::string readOnly = tmp.file("solo_lectura");
    std::filesystem::create_directory(readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms(0555));
    testutil::writeFile(tmp.file("nota.txt"), "del usuario");
    testutil::writeFile(tmp.file("viejo_2_2.EMF"), "del usuario");
    // The name given is not a page: the save writes nothing under it, nor asks.
    testutil::writeFile(tmp.file("viejo.emf"), "del usuario");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(QString::fromStdString(first));
    QRect frame, screen, layer, inside;
    std::vector<std::string> refusal;
    WhenModalShown(viewer, [&](QWidget* w) {
        auto* window = qobject_cast<TDlgPrint*>(w);
        ASSERT_NE(window, nullptr);
        testutil::settle();
        frame = window->frameGeometry();
        screen = window->screen()->availableGeometry();
        auto* grd = window->findChild<QWidget*>(QStringLiteral("grd"));
        layer = QRect(grd->mapTo(window, QPoint(0, 0)), grd->size());
        inside = window->rect();
        const TPageGrid& g = window->Grid();
        QTest::mouseClick(grd, Qt::LeftButton, {}, QPoint(g.Page(2, 2).Left + 3, g.Page(2, 2).Top + 3));
        QTest::mouseClick(window->PrtMapa, Qt::LeftButton);
        // {name given, what the one refusal or question (answered No) says}
        for (const auto& [name, says, asks] :
             {std::tuple{tmp.file("plan.png"), std::string("no es emf ni jpg"), false},
              std::tuple{readOnly + "/plan.emf", std::string("la carpeta es de solo lectura"), false},
              std::tuple{tmp.file("nota.txt") + "/plan.emf", std::string("un archivo ocupa el nombre de una de sus carpetas"), false},
              std::tuple{tmp.file("viejo.emf"), tmp.file("viejo_2_2.EMF"), true}}) {
            RecordingServices ui;
            Printer().setOutputFileName(QString::fromStdString(tmp.file("rechazada.pdf")));
            testutil::AnswerFileDialog(window, name);
            // A question of the file dialog's own is one too many: it is answered
            // yes and counted.
            std::vector<std::string> boxes;
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&boxes] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
                    boxes.push_back(box->text().toStdString());
                    box->done(QMessageBox::Yes);
                }
            });
            watch.start(10);
            ClickToolButton(window, QStringLiteral("tbSave"));
            const std::vector<std::string>& said = asks ? ui.questions : ui.messages;
            std::string all = name + ":";
            for (const std::string& b : boxes)
                all += " | " + b;
            for (const std::string& m : ui.messages)
                all += " | " + m;
            for (const std::string& q : ui.questions)
                all += " | " + q;
            refusal.push_back(ui.messages.size() + ui.questions.size() + boxes.size() == 1 && said.size() == 1 &&
                                      said[0].find(says) != std::string::npos ? "" : all);
            Printer().setOutputFileName(QString::fromStdString(first));
        }
        ClickToolButton(window, QStringLiteral("tbPrint"));
        // The chosen page saved as a metafile, without the overview.
        QTest::mouseClick(window->PrtMapa, Qt::LeftButton);
        testutil::AnswerFileDialog(window, tmp.file("plan.emf"));
        ClickToolButton(window, QStringLiteral("tbSave"));
        // The overview again, with the page.
        Printer().setOutputFileName(QString::fromStdString(again));
        QTest::mouseClick(window->PrtMapa, Qt::LeftButton);
        ClickToolButton(window, QStringLiteral("tbPrint"));
        QTest::keyClick(window, Qt::Key_Escape);
    });
    livemenus::Find(viewer, "aMultiPrint")->trigger();
    EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                        << frame.height() << " on " << screen.width() << "x" << screen.height();
    EXPECT_TRUE(inside.contains(layer));
    EXPECT_FALSE(std::filesystem::exists(tmp.file("rechazada.pdf"))) << "printed before the name was refused";
    EXPECT_FALSE(std::filesystem::exists(tmp.file("plan_2_2.png")));
    EXPECT_TRUE(std::filesystem::is_empty(readOnly));
    EXPECT_EQ(refusal, std::vector<std::string>(4));
    EXPECT_EQ(testutil::readFile(tmp.file("viejo_2_2.EMF")), "del usuario");
    EXPECT_EQ(testutil::readFile(tmp.file("viejo.emf")), "del usuario");
    const testutil::TMetafileReport saved = testutil::CheckMetafile(tmp.file("plan_2_2.EMF"));
    EXPECT_METAFILE_SOUND(saved);
    EXPECT_TRUE(saved.HasText(QStringLiteral("(2,2)")));
    const std::vector<QImage> before = Rasterise(first, "antes"), after = Rasterise(again, "despues");
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(after.size(), 2u);
    // The whole view spans the overview sheet, and the later sheet is the same.
    const QRect overview = InkBox(before[0]);
    EXPECT_GT(overview.width(), before[0].width() * 3 / 4);
    EXPECT_GT(overview.height(), before[0].height() * 3 / 4);
    ASSERT_EQ(after[0].size(), before[0].size());
    int differ = 0;
    for (int y = 0; y < before[0].height(); ++y)
        for (int x = 0; x < before[0].width(); ++x)
            differ += before[0].pixel(x, y) != after[0].pixel(x, y);
    EXPECT_EQ(differ, 0);
}
