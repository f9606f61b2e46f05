#include "platform/EmfDevice.h"
#include "printing/BatchPrint.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace BatchPrint;

TEST(BatchPrint, TableCellsFillRowByRow)
{
    EXPECT_EQ(TableRows(5, 2), 2);  // 2.5 rounds to even
    EXPECT_EQ(TableRows(7, 2), 4);
    EXPECT_EQ(TableRows(0, 2), 1);
    int row = 1, column = 0;
    int cells[4][2];
    for (auto& c : cells) {
        ASSERT_TRUE(NextCell(row, column, 2, 2));
        c[0] = row;
        c[1] = column;
    }
    EXPECT_EQ(cells[0][0], 1);
    EXPECT_EQ(cells[0][1], 1);
    EXPECT_EQ(cells[2][0], 2);
    EXPECT_EQ(cells[2][1], 1);
    EXPECT_EQ(cells[3][0], 2);  // the fourth picture of two columns
    EXPECT_EQ(cells[3][1], 2);
    EXPECT_FALSE(NextCell(row, column, 2, 2));  // beyond the table
}

TEST(BatchPrint, NamesAndCaptions)
{
    EXPECT_EQ(PictureCaption("red.dat", "Volumen"), "Red: red.dat      Atributo: Volumen");
    std::string m = NetworkMetafile("/tmp/docs/rep.doc", "/data/nets/red1.dat");
    EXPECT_EQ(m, std::filesystem::path("/tmp/docs/red1.emf").string());
    EXPECT_EQ(VariableMetafile("red1.dat", "VOL "), "red1_VOL.emf");

    auto v = PairTitles("VOL, CAP,SAT", "Volumen,,");
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].Name, "VOL");
    EXPECT_EQ(v[0].Title, "Volumen");
    EXPECT_EQ(v[1].Name, "CAP");
    EXPECT_EQ(v[1].Title, " CAP");  // a missing title is the name as written
    EXPECT_EQ(v[2].Title, "SAT");
    EXPECT_TRUE(PairTitles("", "x").empty());
}

// ---- The batch over a print definition, with a window that only records ----
#include "printing/Net2Print.h"

#include <memory>
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <QImage>
#include <QPainter>

namespace {

class FakeHooks : public Hooks {
public:
    bool OpenEntry(int index, const TNet2Print&) override
    {
        opened.push_back(index);
        return index != failAt;
    }
    Choice SelectVariable(const std::string& name, const std::string& title, bool) override
    {
        title_ = title;
        Choice c;
        if (name != "none")
            c.LinkHeader = name;
        return c;
    }
    void SetMultipleColors() override { title_ = "multi"; }
    std::string AttributeTitle(bool) override { return title_; }
    bool PrintView(const std::string& metafile, const TPrintSettings& pages) override
    {
        // A real metafile (a frame and a line), as the document takes pictures.
        printed.push_back(metafile);
        page = pages;
        TEmfDevice emf(80, 60);
        QPainter p(&emf);
        p.drawRect(0, 0, 79, 59);
        p.drawLine(5, 5, 70, 50);
        p.end();
        return emf.Save(metafile).empty();
    }
    void SaveState() override { ++saved; }
    void RestoreState() override { ++restored; }
    std::vector<int> opened;
    std::vector<std::string> printed;
    int failAt = -1, saved = 0, restored = 0;
    std::string title_;
    TPrintSettings page; // the page of the last picture
};

class BatchRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        d_.Net2Print[1].RedPalvon = "a.dat";
        d_.Net2Print[1].NetworkFile = dir_.file("a.dat");
        d_.Net2Print[1].Vars[1] = d_.Net2Print[1].VarTitles[1] = "VOL,CAP,SAT";
        d_.Net2Print[1].VarMultiple = 2;
        d_.Net2Print[2].RedPalvon = "b.dat";
        d_.Net2Print[2].NetworkFile = dir_.file("b.dat");
        d_.Net2Print[2].Vars[2] = "X,none";
        d_.Net2Print[2].VarTitles[2] = "Equis";
        d_.Net2Print[3].RedPalvon = "c.dat";
        d_.Net2Print[3].NetworkFile = dir_.file("c.dat");
        for (const char* network : {"a.dat", "b.dat", "c.dat"})
            testutil::writeFile(dir_.file(network), "");
        d_.Net2PrintCount = 4;
        d_.WordDocumentName = dir_.file("rep.doc");
        d_.PrintColumns = 2;
        d_.PrintInColumns = true;
    }
    testutil::TempDir dir_;
    RecordingServices services;
    std::unique_ptr<TPrintDefinition> definition_ = std::make_unique<TPrintDefinition>();
    TPrintDefinition& d_ = *definition_;
};

TEST_F(BatchRun, PicturesNamesAndDocument)
{
    FakeHooks h;
    ASSERT_TRUE(BatchPrint::Run(h, d_, TPrintSettings()));
    EXPECT_EQ(h.saved, 1);
    EXPECT_EQ(h.restored, 1);
    EXPECT_EQ(h.opened, (std::vector<int>{1, 2, 3}));  // the settings entry is skipped
    // Three variables drawn together: one picture; then one picture per name.
    ASSERT_EQ(h.printed.size(), 3u);
    EXPECT_EQ(h.printed[0], dir_.file("a_SAT.emf"));
    EXPECT_EQ(h.printed[1], dir_.file("b_X.emf"));
    EXPECT_EQ(h.printed[2], dir_.file("b_X.emf"));  // "none" keeps the name of the picture before
    // The pictures' pages: the map's window, sized by the document's paper.
    EXPECT_TRUE(h.page.PrintToExtent);
    EXPECT_GT(h.page.PrintCustomWidth, 0);
    std::string doc = testutil::readFile(d_.WordDocumentName);
    EXPECT_NE(doc.find("Red: a.dat      Atributo: multi"), std::string::npos);
    EXPECT_NE(doc.find("Red: b.dat      Atributo: Equis"), std::string::npos);
    EXPECT_NE(doc.find("Atributo: none"), std::string::npos);  // a missing title is the name
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(BatchRun, FullTableAndFailures)
{
    d_.Net2PrintCount = 2;  // one row of two cells for three pictures
    d_.Net2Print[2].NetworkFile = "null";
    d_.Net2Print[1].VarMultiple = 1;
    FakeHooks h;
    ASSERT_TRUE(BatchPrint::Run(h, d_, TPrintSettings()));
    EXPECT_EQ(h.printed.size(), 3u);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].find("1 im"), std::string::npos);

    // A network that cannot be opened ends the batch without a document.
    std::filesystem::remove(d_.WordDocumentName);
    d_.Net2PrintCount = 4;
    d_.Net2Print[2].NetworkFile = dir_.file("b.dat");
    FakeHooks f;
    f.failAt = 2;
    EXPECT_FALSE(BatchPrint::Run(f, d_, TPrintSettings()));
    EXPECT_EQ(f.opened, (std::vector<int>{1, 2}));
    EXPECT_FALSE(std::filesystem::exists(d_.WordDocumentName));
    EXPECT_EQ(f.restored, 1);
    ASSERT_EQ(services.messages.size(), 2u); // the network and the document not written, said
    EXPECT_NE(services.messages[1].find(dir_.file("b.dat")), std::string::npos) << services.messages[1];
    EXPECT_NE(services.messages[1].find(d_.WordDocumentName), std::string::npos) << services.messages[1];
}

} // namespace

// ---- The colour chart ----
#include "printing/ColourChart.h"

TEST(ColourChart, SizeAndFile)
{
    int32_t w = 0, h = 0;
    ColourChart::ChartSize(4800, 6600, w, h);
    EXPECT_EQ(w, 4714);
    EXPECT_EQ(h, 6600);
    EXPECT_EQ(ColourChart::WebColours.front(), 0xFAFAFFu);  // cell 1: snow
    EXPECT_EQ(ColourChart::WebColours.back(), 0x000000u);   // cell 140: black
    EXPECT_EQ(ColourChart::WebColours[29], 0x0000FFu);      // cell 30: red

}

// ---- The page grid of the multi-page print ----
#include "printing/MultiPage.h"

TEST(PageGrid, LayoutMovesAndSelection)
{
    TPageGrid g;
    g.SetLayout(0, 0, 1000, 500, 600, 400, 0.75);  // scale 0.6 px per unit
    g.CreatePages(1, false);
    const TPrintPage& p = g.Page(1, 1);
    EXPECT_EQ(p.Left, 1);
    EXPECT_EQ(p.Right, 299);  // 400 high in page proportions: 300 wide
    EXPECT_EQ(p.Top, 1);
    EXPECT_EQ(p.Bottom, 399);
    EXPECT_DOUBLE_EQ(p.X[1], 500.0);
    EXPECT_NEAR(p.Y[1], 400 / 0.6, 1e-9);
    g.Resize(1);  // one page: 5 pixels wider and higher, world by one step
    EXPECT_EQ(g.Page(1, 1).Right, 304);
    EXPECT_EQ(g.Page(1, 1).Top, -4);
    EXPECT_NEAR(g.Page(1, 1).X[1], 500 + 5 / 0.6, 1e-9);

    g.CreatePages(2, true);
    TPrintPage before = g.Page(2, 1);
    g.Move(0, 1);
    g.Move(0, 1);
    g.Move(0, -1);
    g.Move(0, -1);
    EXPECT_EQ(g.Page(2, 1).Top, before.Top);
    EXPECT_NEAR(g.Page(2, 1).Y[0], before.Y[0], 1e-9);
    // Page (1, 1) lies at the bottom left of the picture.
    EXPECT_EQ(g.Page(1, 1).Bottom, 399);
    EXPECT_EQ(g.Toggle(g.Page(1, 1).Left + 3, g.Page(1, 1).Bottom - 3), 1);
    EXPECT_TRUE(g.Page(1, 1).Selected);
    EXPECT_EQ(g.Toggle(0, 0), 0);  // on no page
    g.InvertSelection();
    EXPECT_EQ(g.SelectedCount(), 3);
    g.CreatePages(2, true);  // rebuilt pages lose the selection
    EXPECT_EQ(g.SelectedCount(), 0);
    g.CreatePages(99, true);
    EXPECT_EQ(g.Count(), TPageGrid::MaxPerSide);
    EXPECT_EQ(MultiPage::PageFileName("plan", 2, 2, "EMF"), "plan_2_2.EMF");
}
