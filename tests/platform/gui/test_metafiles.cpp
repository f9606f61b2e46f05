// The metafile devices and the recorded page, read back by the record walker.
#include "platform/EmfDevice.h"
#include "support/TestUtil.h"

#include <QFontMetricsF>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

using namespace testutil;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

} // namespace

// ---- Pages larger than their drawing, read by the record walker ----
#include "platform/PagePicture.h"
#include "support/MetafileCheck.h"

namespace {

// A drawing that runs far beyond a 400 x 300 page on every side.
void Overflowing(QPainter& p)
{
    p.setPen(QPen(Qt::red, 3));
    p.setBrush(QBrush(Qt::gray, Qt::DiagCrossPattern));
    p.drawLine(-5000, 150, 5000, 150);
    p.drawPolygon(QPolygon({QPoint(-100, -100), QPoint(200, 150), QPoint(1000, 2000)}));
    p.drawEllipse(QPoint(390, 290), 50, 50);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSize(12);
    p.setFont(f);
    p.drawText(20, 40, QStringLiteral("Dentro"));
    p.drawText(-300, 40, QStringLiteral("Fuera"));
}

} // namespace

TEST(MetafileDevices, DrawingIsClippedToThePageTheHeaderGives)
{
    TempDir dir;
    TEmfDevice emf(400, 300, 600);
    {
        QPainter p(&emf);
        Overflowing(p);
    }
    ASSERT_EQ(emf.Save(dir.file("a.emf")), "");
    TWmfDevice wmf(400, 300, 600);
    {
        QPainter p(&wmf);
        Overflowing(p);
    }
    ASSERT_EQ(wmf.Save(dir.file("a.wmf")), "");
    for (const char* name : {"a.emf", "a.wmf"}) {
        const TMetafileReport r = CheckMetafile(dir.file(name));
        EXPECT_METAFILE_SOUND(r);
        EXPECT_TRUE(r.HasText(QStringLiteral("Dentro"))) << name;
        EXPECT_FALSE(r.HasText(QStringLiteral("Fuera"))) << name;
        ASSERT_EQ(r.bounds.size(), 4u);
    }
    EXPECT_EQ(CheckMetafile(dir.file("a.emf")).bounds, (std::vector<int>{0, 0, 399, 299}));
    EXPECT_EQ(CheckMetafile(dir.file("a.wmf")).bounds, (std::vector<int>{0, 0, 400, 300}));

    // A 12-point font on a 600-dpi page is 100 pixels high, and the hatched
    // brush keeps its hatch.
    const std::vector<uint8_t> bytes = emf.Bytes();
    bool font = false, hatch = false;
    for (size_t at = 0; at + 8 <= bytes.size(); at += U32(bytes, at + 4)) {
        const uint32_t type = U32(bytes, at);
        if (type == 82 && int32_t(U32(bytes, at + 12)) == -100)
            font = true;
        if (type == 39 && U32(bytes, at + 12) == 2 && U32(bytes, at + 20) == 5)
            hatch = true;
    }
    EXPECT_TRUE(font);
    EXPECT_TRUE(hatch);

    // An 11-point font at 96 dpi is 14.67 pixels: it is written 15 high, and its
    // advances add up to the text's width in that 15-pixel font.
    TEmfDevice screen(400, 300, 96);
    QFont eleven(QStringLiteral("DejaVu Sans"));
    eleven.setPointSize(11);
    {
        QPainter p(&screen);
        p.setFont(eleven);
        p.drawText(20, 40, QStringLiteral("Plano de prueba"));
    }
    ASSERT_EQ(screen.Save(dir.file("b.emf")), "");
    const TMetafileReport small = CheckMetafile(dir.file("b.emf"));
    EXPECT_EQ(small.fontHeights, std::vector<int>{15});
    const std::vector<int> dx = small.AdvancesOf(QStringLiteral("Plano de prueba"));
    QFont fifteen(eleven);
    fifteen.setPixelSize(15);
    EXPECT_NEAR(std::accumulate(dx.begin(), dx.end(), 0),
                QFontMetricsF(fifteen).horizontalAdvance(QStringLiteral("Plano de prueba")), 1.0);
}

// A recorded page plays back at its own size on any device, whatever its dpi.
TEST(MetafileDevices, RecordedPagePlaysWithoutRescaling)
{
    TPagePicture page(400, 300, 96);
    {
        QPainter p(&page);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(0, 0, 399, 299);
    }
    TempDir dir;
    TEmfDevice emf(400, 300, 1200);
    {
        QPainter p(&emf);
        page.Play(p);
    }
    ASSERT_EQ(emf.Save(dir.file("p.emf")), "");
    const TMetafileReport r = CheckMetafile(dir.file("p.emf"));
    EXPECT_METAFILE_SOUND(r);
    EXPECT_EQ(r.points, 2);
}

// A page recorded after another starts from a fresh painter's state: the brush
// the first painter ended with does not fill the second page's outlines.
TEST(MetafileDevices, SecondRecordingStartsWithoutTheFirstOnesBrush)
{
    TPagePicture page(400, 300, 96);
    for (int round = 0; round < 2; ++round) {
        page.Reset(400, 300, 96);
        QPainter p(&page);
        p.drawRect(10, 10, 50, 50);
        if (round == 0)
            p.setBrush(QColor(0xC0, 0xC0, 0xC0));
        p.drawRect(100, 10, 50, 50);
        p.end();
        ASSERT_EQ(page.Ops().size(), 2u);
        EXPECT_EQ(page.Ops()[0].brush.style(), Qt::NoBrush) << "round " << round;
    }
}
