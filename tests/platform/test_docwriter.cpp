#include "platform/DocWriter.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <filesystem>
#include <string>

using namespace DocWriter;
using namespace testutil;

namespace {

std::string Between(const std::string& s, const std::string& key)
{
    const size_t at = s.find(key);
    if (at == std::string::npos) return "";
    size_t end = at + key.size();
    while (end < s.size() && (isdigit(static_cast<unsigned char>(s[end])) || s[end] == '-'))
        ++end;
    return s.substr(at + key.size(), end - at - key.size());
}

void Put32(std::string& b, size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}

} // namespace

TEST(DocWriter, PictureBoxRuleAndFormats)
{
    TempDir dir;
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::red);
    img.setDotsPerMeterX(3780); // 96 dpi: natural size 150 x 75 points
    img.setDotsPerMeterY(3780);
    const std::string png = dir.file("a.png");
    ASSERT_TRUE(img.save(QString::fromStdString(png), "PNG"));

    {   // Only a width: proportions kept (5.0 inches = 360 points).
        TDocWriter doc;
        doc.Open(PageSetup());
        PictureBox box;
        box.widthIn = 5.0;
        ASSERT_TRUE(doc.AddPicture(png, box));
        const std::string rtf = doc.Rtf();
        EXPECT_NE(rtf.find("\\pngblip"), std::string::npos);
        EXPECT_EQ(Between(rtf, "\\picwgoal"), "7200");
        EXPECT_EQ(Between(rtf, "\\pichgoal"), "3600");
    }
    {   // Only a height; then both; then neither with a scale.
        TDocWriter doc;
        doc.Open(PageSetup());
        PictureBox h;
        h.heightIn = 2.0;
        ASSERT_TRUE(doc.AddPicture(png, h));
        EXPECT_EQ(Between(doc.Rtf(), "\\picwgoal"), "5760");
        TDocWriter both;
        both.Open(PageSetup());
        PictureBox b;
        b.widthIn = 1.0;
        b.heightIn = 3.0;
        ASSERT_TRUE(both.AddPicture(png, b));
        EXPECT_EQ(Between(both.Rtf(), "\\pichgoal"), "4320");
        TDocWriter scaled;
        scaled.Open(PageSetup());
        PictureBox s;
        s.scale = 2.0;
        ASSERT_TRUE(scaled.AddPicture(png, s));
        EXPECT_EQ(Between(scaled.Rtf(), "\\picwgoal"), "5999"); // 96.01 dpi
    }
    {   // An enhanced metafile goes in as one, sized from its frame (0.01 mm).
        std::string emf(88, '\0');
        Put32(emf, 0, 1);
        Put32(emf, 4, 88);
        Put32(emf, 24, 0);
        Put32(emf, 28, 0);
        Put32(emf, 32, 2540);
        Put32(emf, 36, 5080);
        emf.replace(40, 4, " EMF");
        const std::string file = dir.file("b.emf");
        writeFile(file, emf);
        TDocWriter doc;
        doc.Open(PageSetup());
        ASSERT_TRUE(doc.AddPicture(file, PictureBox()));
        const std::string rtf = doc.Rtf();
        EXPECT_NE(rtf.find("\\emfblip\\picw2540\\pich5080"), std::string::npos);
        EXPECT_EQ(Between(rtf, "\\picwgoal"), "1440");
    }
    {   // Unreadable pictures are refused with a reason.
        TDocWriter doc;
        doc.Open(PageSetup());
        writeFile(dir.file("bad.emf"), "not a picture");
        EXPECT_FALSE(doc.AddPicture(dir.file("bad.emf"), PictureBox()));
        EXPECT_FALSE(doc.AddPicture(dir.file("missing.png"), PictureBox()));
        EXPECT_FALSE(doc.LastError().empty());
    }
}

TEST(DocWriter, TextPageAndTables)
{
    TDocWriter doc;
    PageSetup setup;
    setup.paperCode = 23;
    setup.orientation = 1;
    setup.marginLeft = 0.5;
    doc.Open(setup);
    doc.AddParagraph("Duraci\xc3\xb3n {x} \\ y");
    doc.AddParagraph("Se\xf1or"); // Windows-1252
    const int t = doc.AddTable(2, 3, "null");
    EXPECT_EQ(t, 1);
    doc.CellText(t, 1, 1, "A");
    doc.MergeCells(t, 1, 1, 1, 3);
    doc.CellText(t, 9, 9, "out of range is ignored");
    doc.PageBreak();
    const std::string rtf = doc.Rtf();
    EXPECT_NE(rtf.find("\\paperw24480\\paperh15840"), std::string::npos);
    EXPECT_NE(rtf.find("\\margl720"), std::string::npos);
    EXPECT_NE(rtf.find("\\landscape"), std::string::npos);
    EXPECT_NE(rtf.find("Duraci\\u243?n \\{x\\} \\\\ y"), std::string::npos);
    EXPECT_NE(rtf.find("Se\\u241?or"), std::string::npos);
    EXPECT_NE(rtf.find("\\clmgf"), std::string::npos);
    EXPECT_EQ(rtf.find("out of range"), std::string::npos);
    EXPECT_NE(rtf.find("\\page"), std::string::npos);
    // Two rows of three cells.
    size_t rows = 0, pos = 0;
    while ((pos = rtf.find("\\row\r\n", pos)) != std::string::npos) {
        ++rows;
        ++pos;
    }
    EXPECT_EQ(rows, 2u);
    EXPECT_EQ(rtf.substr(0, 6), "{\\rtf1");
}

TEST(DocWriter, SaveFallsBackToANumberedCopy)
{
    EXPECT_EQ(NumberedCopyName("d.x/report.doc", 1), "d.x/report(1).doc");
    EXPECT_EQ(NumberedCopyName("d.x/report", 2), "d.x/report(2).doc");

    TempDir dir;
    TDocWriter doc;
    doc.Open(PageSetup());
    doc.AddParagraph("hola");
    std::string saved;
    ASSERT_TRUE(doc.SaveAs(dir.file("ok.doc"), &saved));
    EXPECT_EQ(saved, dir.file("ok.doc"));
    EXPECT_EQ(readFile(saved), doc.Rtf());

    // A folder in the way of the name: the copy goes to the first free number,
    // past a folder, a file of the user's and a link to one, which stay as they were.
    std::filesystem::create_directory(dir.file("report.doc"));
    std::filesystem::create_directory(dir.file("report(1).doc"));
    writeFile(dir.file("report(2).doc"), "del usuario");
    writeFile(dir.file("otro.txt"), "otro del usuario");
    std::filesystem::create_symlink(dir.file("otro.txt"), dir.file("report(3).doc"));
    ASSERT_TRUE(doc.SaveAs(dir.file("report.doc"), &saved));
    EXPECT_EQ(saved, dir.file("report(4).doc"));
    EXPECT_EQ(readFile(saved), doc.Rtf());
    EXPECT_EQ(readFile(dir.file("report(2).doc")), "del usuario");
    EXPECT_EQ(readFile(dir.file("otro.txt")), "otro del usuario");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("report(3).doc")));
}
