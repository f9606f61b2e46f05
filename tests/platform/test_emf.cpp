#include "platform/EmfDevice.h"

#include "support/TestUtil.h"

using namespace testutil;

#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

} // namespace

TEST(EmfDevice, WritesAWellFormedRecordList)
{
    TEmfDevice emf(400, 300);
    {
        QPainter p(&emf);
        p.setPen(QPen(Qt::red, 3));
        p.setBrush(Qt::yellow);
        p.drawLine(10, 10, 200, 100);
        p.drawPolygon(QPolygon({QPoint(10, 10), QPoint(50, 10), QPoint(30, 40)}));
        p.drawEllipse(QPoint(100, 100), 20, 20);
        p.scale(2, 2);
        p.drawRect(5, 5, 10, 10);
    }
    const std::vector<uint8_t> bytes = emf.Bytes();
    ASSERT_GT(bytes.size(), 88u);
    EXPECT_EQ(U32(bytes, 0), 1u);                      // header record
    EXPECT_EQ(std::memcmp(bytes.data() + 40, " EMF", 4), 0);
    EXPECT_EQ(U32(bytes, 48), bytes.size());           // nBytes
    std::map<uint32_t, int> types;
    size_t at = 0, records = 0;
    uint32_t last = 0;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = U32(bytes, at + 4);
        ASSERT_GE(size, 8u);
        ASSERT_EQ(size % 4, 0u);
        last = U32(bytes, at);
        ++types[last];
        ++records;
        at += size;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(U32(bytes, 52), records);                // nRecords
    EXPECT_EQ(last, 14u);                              // EOF last
    EXPECT_GE(types[4], 1);                            // polyline
    EXPECT_GE(types[3], 2);                            // polygon and rectangle
    EXPECT_EQ(types[42], 1);                           // ellipse
    EXPECT_GE(types[38], 1);                           // pen
    // The scaled rectangle is written in device pixels: 10..30.
    bool found = false;
    for (at = 0; at + 8 <= bytes.size(); at += U32(bytes, at + 4))
        if (U32(bytes, at) == 3 && U32(bytes, at + 24) == 4 && U32(bytes, at + 28) == 10 && U32(bytes, at + 44) == 30)
            found = true;
    EXPECT_TRUE(found);

    TempDir dir;
    EXPECT_EQ(emf.Save(dir.file("a.emf")), "");
    EXPECT_EQ(readFile(dir.file("a.emf")).size(), bytes.size());
    EXPECT_NE(emf.Save(dir.file("missing/a.emf")), "");
}

