// Transit-line traces and line sections from the line grid's rows.
#include "export/DelimitedText.h"
#include "export/TextExports.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "support/HandNetwork.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>

using TextExports::TLineRow;

static std::string Pad5(int v) { std::string s = std::to_string(v); return std::string(5 - s.size(), ' ') + s; }

using testutil::PlacedNode;

TEST(TextExports, TraceEvery30UnitsByAbsoluteNodeNumber)
{
    PalvonRead::ClearNetwork();
    PlacedNode(1, 0, 0);
    PlacedNode(2, 95, 0);
    PlacedNode(3, 95, 20);
    const int32_t away = PalvonRead::NodeIndex(4); // no position
    Nodos[away].X = Nodos[away].Y = -1.0e8f;
    PalvonRead::SortNodes();
    const std::vector<TLineRow> rows = {
        {2, "17", "", 1, 4, {1, -2, 3}}, // 95 units: 0, 30, 60, 90; then 20 units: start only; then the end
        {1, "5", "", 2, 1, {3, 3, 999}}, // repeated node, unknown node
        // Lines named with letters are known by their record numbers, not both as 0.
        {1, "L01", "A", 3, 12, {1, 2}},
        {1, "L02", "B", 4, 6, {2, 1}},
        {1, "6", "", 5, 1, {1, 4, 2}}, // the node without a position is left out
    };
    EXPECT_EQ(TextExports::LineTraceText(rows),
              "200017,    6,0.00,0.00,30.00,0.00,60.00,0.00,90.00,0.00,95.00,0.00,95.00,20.00\r\n"
              "100005,    2,95.00,20.00,95.00,20.00\r\n"
              "100003,    5,0.00,0.00,30.00,0.00,60.00,0.00,90.00,0.00,95.00,0.00\r\n"
              "100004,    5,95.00,0.00,65.00,0.00,35.00,0.00,5.00,0.00,0.00,0.00\r\n"
              "100006,    5,0.00,0.00,30.00,0.00,60.00,0.00,90.00,0.00,95.00,0.00\r\n");
}

TEST(TextExports, SectionLayoutWrapsAndSeparatesGroups)
{
    std::vector<int32_t> nodes14;
    for (int32_t i = 1; i <= 14; ++i)
        nodes14.push_back(i == 2 ? -2 : i);
    const std::vector<TLineRow> rows = {{1, "12345", "", 1, 6, nodes14}, {1, "L01", "A", 2, 12, {7}},
                                        {2, "101", "", 3, 3, {8, 9}}, {2, "54321", "X", 4, 5, {8}}};
    std::string expected = "12345    6   14    1   -2";
    for (int32_t i = 3; i <= 13; ++i)
        expected += Pad5(i);
    expected += "\r\n               " + Pad5(14) + "\r\n";
    // Names and codes in the columns the network reader takes them from.
    expected += " L01A   12    1    7\r\n99999\r\n66666\r\n 101     3    2    8    9\r\n54321X   5    1    8\r\n";
    EXPECT_EQ(TextExports::LineSectionText(rows, false), expected);
    std::string error;
    EXPECT_TRUE(TextExports::SectionRowsFit(rows, error));
    EXPECT_FALSE(TextExports::SectionRowsFit({{1, "LARGA", "", 1, 1, {}}}, error));
    EXPECT_NE(error.find("\"LARGA\""), std::string::npos);
    // The frequency's four columns, at each edge and one past it.
    for (const auto& [frequency, fits] : {std::pair{9999, true}, {10000, false}, {-999, true}, {-1000, false}}) {
        EXPECT_EQ(TextExports::SectionRowsFit({{1, "54321", "X", 1, frequency, {8}}}, error), fits) << frequency;
        if (!fits) {
            EXPECT_NE(error.find("frecuencia"), std::string::npos);
        }
    }
    EXPECT_EQ(TextExports::LineSectionText({{1, "1", "", 1, 1, {1, 2, 3, 4, 5, 6, 7}}}, true),
              "   1     1    7         1         2         3         4         5         6\r\n"
              "                        7\r\n");
}

// Each character that makes a delimited cell quoted, alone, with each separator;
// the rest written byte for byte. Python's csv reader takes every cell back whole.
TEST(DelimitedCells, EachSpecialCharacterAloneQuotesTheCell)
{
    struct Row {
        const char* cell;
        char separator;
        const char* written;
    } rows[] = {
        {"a,b", ',', "\"a,b\""},      {"a,b", '\t', "a,b"},        {"a\tb", '\t', "\"a\tb\""},
        {"a\tb", ',', "a\tb"},        {"a\"b", ',', "\"a\"\"b\""}, {"a\"b", '\t', "\"a\"\"b\""},
        {"a\rb", ',', "\"a\rb\""},    {"a\rb", '\t', "\"a\rb\""},  {"a\nb", ',', "\"a\nb\""},
        {"a\nb", '\t', "\"a\nb\""},   {" a ", ',', " a "},         {"", ',', ""},
        {"a, \"b\"", ' ', "a, \"b\""},
    };
    testutil::TempDir dir;
    for (char separator : {',', '\t'}) {
        std::string line, hex;
        for (const Row& r : rows) {
            if (r.separator == separator) {
                EXPECT_EQ(DelimitedText::Cell(r.cell, r.separator), r.written) << r.cell;
                if (!line.empty() || !hex.empty())
                    line += separator;
                DelimitedText::AppendCell(line, r.cell, separator);
                for (unsigned char c : std::string(r.cell))
                    hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
                hex += '|';
            }
        }
        testutil::writeFile(dir.file("celdas.csv"), line + "\r\n");
        const std::string cmd = "python3 -c \"import csv,sys; r=next(csv.reader(open(sys.argv[1],newline=''),"
                                "delimiter=sys.argv[2])); open(sys.argv[3],'w').write(''.join(c.encode().hex()+'|' for c in r))\" '" +
                                dir.file("celdas.csv") + "' '" + std::string(1, separator) + "' '" + dir.file("leido.txt") + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        EXPECT_EQ(testutil::readFile(dir.file("leido.txt")), hex) << int(separator);
    }
}
