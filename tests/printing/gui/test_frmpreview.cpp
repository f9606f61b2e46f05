#include "printing/gui/FrmPreview.h"
#include "printing/ZelPrinter.h"
#include "printing/ZelPrinterPage.h"

#include "support/MetafileCheck.h"
#include "support/TestUtil.h"

using namespace testutil;

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

void SamplePicture(TPrintedPage& page)
{
    page.PrintPicture.Reset(400, 300, 96);
    QPainter p(&page.PrintPicture);
    p.setPen(QPen(Qt::blue, 4));
    p.drawLine(0, 0, 400, 300);
    p.end();
    page.PrintPictureWidth = 400;
    page.PrintPictureHeight = 300;
}

} // namespace

TEST(FrmPreview, ZoomStaysWithinThreeTimesTheBox)
{
    const TPrintedPage page;
    TFrmPreview w(page);
    w.resize(468, 423);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize box = w.sbppv->size();
    EXPECT_FALSE(w.tbZoomOut->isEnabled());
    w.tbZoominClick();
    w.tbZoominClick();
    EXPECT_EQ(w.PreviewZoom, 2);
    EXPECT_FALSE(w.tbZoomin->isEnabled());
    EXPECT_EQ(w.ppv->size(), box * 3);
    w.resize(500, 450); // a resize keeps the rules
    QTest::qWait(20);
    EXPECT_FALSE(w.tbZoomin->isEnabled());
    EXPECT_TRUE(w.tbZoomOut->isEnabled());
    w.tbZoomOutClick();
    w.tbZoomOutClick();
    w.tbZoomOutClick();
    EXPECT_EQ(w.PreviewZoom, 0);
    EXPECT_FALSE(w.tbZoomOut->isEnabled());

    // Arrow keys scroll by 25 pixels.
    w.tbZoominClick();
    QTest::keyClick(&w, Qt::Key_Right);
    EXPECT_EQ(w.sbppv->horizontalScrollBar()->value(), 25);
    w.close();
    EXPECT_EQ(w.PreviewZoom, 0);
}

TEST(FrmPreview, MarginsGiveThePageProportions)
{
    const TPrintedPage page;
    TFrmPreview w(page);
    w.resize(468, 423);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // A tall page: equal left and right margins, 10-pixel top and bottom.
    w.FitToPage(QSize(1000, 4000));
    EXPECT_EQ(w.pTop->height(), 10);
    EXPECT_EQ(w.pLeft->width(), w.pRight->width());
    EXPECT_GT(w.pLeft->width(), 10);
    EXPECT_NEAR(double(w.sbppv->width()) / w.sbppv->height(), 0.25, 0.01);
    // A wide page: the opposite.
    w.FitToPage(QSize(4000, 1000));
    EXPECT_EQ(w.pLeft->width(), 10);
    EXPECT_EQ(w.pTop->height(), w.pBottom->height());
    EXPECT_NEAR(double(w.sbppv->width()) / w.sbppv->height(), 4.0, 0.05);
}

TEST(FrmPreview, SavesByUpperCasedExtension)
{
    TPrintedPage page;
    SamplePicture(page);
    TFrmPreview w(page);
    w.resize(468, 423);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    TempDir dir;
    // Each picture read back by its format's own reader, whatever the name's case: the
    // format the bytes hold, the size, and the picture's blue line.
    auto expectPicture = [&](const char* name, const QByteArray& format, const QSize& size) {
        SCOPED_TRACE(name);
        QImageReader reader(QString::fromStdString(dir.file(name)));
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), format);
        const QImage image = reader.read();
        EXPECT_EQ(image.size(), size);
        int blue = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                blue += qBlue(image.pixel(x, y)) > qRed(image.pixel(x, y)) + 100;
        EXPECT_GT(blue, image.width());
    };
    for (const auto& [name, format] : {std::pair{"a.Jpg", "jpeg"}, std::pair{"a.png", "png"}, std::pair{"a.jpeg", "jpeg"}}) {
        EXPECT_TRUE(w.ImageExports(dir.file(name))) << name;
        expectPicture(name, format, w.ppv->size());
    }
    // A name no encoder knows, and a map export with no map to export, write nothing and say so.
    for (const char* name : {"a.tif", "a.dxf"}) {
        EXPECT_FALSE(w.ImageExports(dir.file(name))) << name;
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    }

    w.tbZoominClick();
    EXPECT_TRUE(w.ImageExports(dir.file("b.bmp")));
    expectPicture("b.bmp", "bmp", w.sbppv->size() * 2);

    w.seSize->setValue(2);
    EXPECT_TRUE(w.ImageExports(dir.file("c.gif")));
    expectPicture("c.gif", "gif", ZelPrinter::GifSize(w.ppv->width(), w.ppv->height(), 2));
    // Its white is transparent, in the version of the format that has transparency.
    EXPECT_EQ(testutil::readFile(dir.file("c.gif")).substr(0, 6), "GIF89a");
    const QImage gif(QString::fromStdString(dir.file("c.gif")));
    int clear = 0;
    for (int y = 0; y < gif.height(); ++y)
        for (int x = 0; x < gif.width(); ++x)
            clear += qAlpha(gif.pixel(x, y)) == 0;
    EXPECT_GT(clear, 0);

    // The metafiles hold the line inside the picture's bounds (an EMF counts its last
    // pixel in, a placeable WMF's rectangle ends past it).
    for (const auto& [name, right] : {std::pair{"d.emf", 399}, std::pair{"d.wmf", 400}}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(w.ImageExports(dir.file(name)));
        const TMetafileReport r = CheckMetafile(dir.file(name));
        EXPECT_METAFILE_SOUND(r);
        EXPECT_EQ(r.bounds, (std::vector<int>{0, 0, right, right * 3 / 4})) << r.Summary();
    }
}

TEST(ZelPrinterLabels, OverlapTestFollowsTheResets)
{
    QImage image(200, 200, QImage::Format_RGB32);
    ZelPrinter::SetPageSize(200, 200);
    ZelPrinter::SetMinX(0);
    ZelPrinter::SetMaxX(200);
    ZelPrinter::SetMinY(0);
    ZelPrinter::SetMaxY(200);
    auto drawn = [&](double x, double y) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.setPen(Qt::black);
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        ZelPrinter::LabelAt(&p, 0, "MMMM", x, y, 4, 0);
        p.end();
        for (int j = 0; j < 200; ++j)
            for (int i = 0; i < 200; ++i)
                if ((image.pixel(i, j) & 0xFFFFFF) != 0xFFFFFF)
                    return true;
        return false;
    };
    ZelPrinter::ResetLabelsOff();
    EXPECT_FALSE(ZelPrinter::LabelsOverlap());
    EXPECT_TRUE(drawn(100, 100));
    EXPECT_FALSE(drawn(102, 101)); // meets the first box
    EXPECT_TRUE(drawn(100, 40));
    ZelPrinter::ResetLabelsOff();
    EXPECT_TRUE(drawn(102, 101));
    ZelPrinter::ResetLabels();
    EXPECT_TRUE(drawn(102, 101));
    EXPECT_TRUE(drawn(102, 101));
}
