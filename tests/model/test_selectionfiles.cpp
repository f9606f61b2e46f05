// Selection files: the exact layout written, the free-format reading, and the
// import into the link marks of a read network.
#include "model/FileUtils.h"
#include "model/KDVlib.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/SelectionFiles.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class SelectionFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ErrorListFile = tmp.file("Errores.txt");
        std::vector<std::string> lines;
        ASSERT_TRUE(FileUtils::ReadLines(testutil::dataPath("grids_net.dat"), lines));
        ASSERT_TRUE(PalvonRead::ReadNetwork(lines, settings));
        ASSERT_EQ(Network.LinkCount, 7);
    }
    static std::vector<int32_t> Marks()
    {
        std::vector<int32_t> m;
        for (int32_t k = 1; k <= Network.LinkCount; ++k)
            m.push_back(Arcos[k].Mark);
        return m;
    }
    static void SetMarks(const std::vector<int32_t>& m)
    {
        for (int32_t k = 1; k <= Network.LinkCount; ++k)
            Arcos[k].Mark = m[static_cast<size_t>(k - 1)];
    }

    testutil::TempDir tmp;
    PalvonRead::TReadSettings settings;
    RecordingServices ui;
};

} // namespace

TEST_F(SelectionFile, ExportThenImportReproducesTheMarks)
{
    // Links in order: 1-100, 2-100, 3-100, 7-100, 7-200, 100-7, 100-200.
    const std::vector<int32_t> marks = {5, 0, 20, 1, 0, 13, 7};
    SetMarks(marks);
    const std::string path = tmp.file("red.sel");
    ASSERT_TRUE(SelectionFiles::WriteSelection(path));
    EXPECT_EQ(testutil::readFile(path), testutil::readFile(testutil::dataPath("sel_expected.sel")));

    // Importing adds to the selection: a mark the file does not name stays.
    SetMarks({0, 9, 0, 0, 0, 0, 0});
    int32_t applied = 0;
    ASSERT_TRUE(SelectionFiles::ImportSelection(path, &applied));
    EXPECT_EQ(applied, 5);
    EXPECT_EQ(Marks(), (std::vector<int32_t>{5, 9, 20, 1, 0, 13, 7}));
    EXPECT_TRUE(ui.messages.empty());

    // The batch writes its polygon's id in place of the marks.
    const std::string batch = SelectionFiles::SelectionText(7);
    EXPECT_EQ(batch.substr(0, 27), "         1       100    7\r\n");
    EXPECT_EQ(std::count(batch.begin(), batch.end(), '\n'), 6);
}

TEST_F(SelectionFile, FreeFormatLinesClassesAndMissingLinks)
{
    SetMarks({0, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(SelectionFiles::ImportSelection(testutil::dataPath("sel_mixed.sel")));
    // Fixed columns with class 3; TAB-separated class 25 read as 1; two fields give 1;
    // a lone number is skipped; 20.4 rounds to class 20.
    EXPECT_EQ(Marks(), (std::vector<int32_t>{3, 1, 0, 0, 1, 0, 20}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Arco 555 - 556 no encontrado");

    // A file of another network: one message, however many lines miss.
    ui.messages.clear();
    std::string other;
    for (int i = 0; i < 30; ++i)
        other += SelectionFiles::SelectionLine(1000 + i, 2000 + i, 2);
    testutil::writeFile(tmp.file("otra.sel"), other);
    ASSERT_TRUE(SelectionFiles::ImportSelection(tmp.file("otra.sel")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("Arco 1000 - 2000 no encontrado\r"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("(y 10 arcos más no encontrados)"), std::string::npos);
    EXPECT_EQ(ui.messages[0].find("Arco 1029"), std::string::npos);

    // A file whose lines name no link (a node list, a list separated by commas):
    // said once, nothing marked.
    for (const char* text : {"       100\r\n         7\r\n", "1,100,Norte\r\n7,200,Sur\r\n"}) {
        ui.messages.clear();
        testutil::writeFile(tmp.file("nodos.sel"), text);
        ASSERT_TRUE(SelectionFiles::ImportSelection(tmp.file("nodos.sel")));
        ASSERT_EQ(ui.messages.size(), 1u) << text;
        EXPECT_NE(ui.messages[0].find("no nombra ningún arco"), std::string::npos) << ui.messages[0];
        EXPECT_EQ(Marks(), (std::vector<int32_t>{3, 1, 0, 0, 1, 0, 20}));
    }

    // A line whose A or B is no number (a decimal comma, a huge number) names no
    // link: told as written, whatever number its start would round to.
    ui.messages.clear();
    testutil::writeFile(tmp.file("malos.sel"), "1,5 100\r\n99999999999999999999 100 2\r\n");
    ASSERT_TRUE(SelectionFiles::ImportSelection(tmp.file("malos.sel")));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "\"1,5 100\" no nombra un arco\r\"99999999999999999999 100 2\" no nombra un arco");
    EXPECT_EQ(Marks(), (std::vector<int32_t>{3, 1, 0, 0, 1, 0, 20}));

    // An unreadable file changes nothing and says so.
    ui.messages.clear();
    EXPECT_FALSE(SelectionFiles::ImportSelection(tmp.file("falta.sel")));
    EXPECT_EQ(Marks(), (std::vector<int32_t>{3, 1, 0, 0, 1, 0, 20}));
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(SelectionLine, WideNumbersStayApart)
{
    EXPECT_EQ(SelectionFiles::SelectionLine(101, 102, 1), "       101       102    1\r\n");
    // Numbers wider than their columns must not run into each other.
    const std::string line = SelectionFiles::SelectionLine(-2147483647, -2147483647, 123456);
    std::vector<SelectionFiles::TSelEntry> entries;
    SelectionFiles::ParseSelection({line.substr(0, line.size() - 2)}, entries);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].A, -2147483647);
    EXPECT_EQ(entries[0].B, -2147483647);
    EXPECT_EQ(entries[0].Mark, 1); // outside 1..20
}
