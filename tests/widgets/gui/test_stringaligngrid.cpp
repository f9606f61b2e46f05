// The aligned string grid: cells and sizes, per-cell settings, sorting (default
// order, handlers, settings moving with their rows), column moving, text export,
// fitting (a large grid's by several threads), mouse mapping and the draw-cell hook.
#include "widgets/StringAlignGrid.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <random>

namespace {

using Strings = std::vector<std::string>;

// A grid with a title row: titles in row 0, `rows` data rows.
void Titled(TStringAlignGrid& g, const Strings& titles, int rows)
{
    g.SetColCount(static_cast<int>(titles.size()));
    g.SetRowCount(rows + 1);
    for (size_t c = 0; c < titles.size(); ++c)
        g.setCell(static_cast<int>(c), 0, titles[c]);
}

Strings Column(const TStringAlignGrid& g, int col)
{
    Strings out;
    for (int r = 1; r < g.RowCount(); ++r)
        out.push_back(g.cell(col, r));
    return out;
}

TEST(StringAlignGrid, CellsRowsAndColumns)
{
    TStringAlignGrid g;
    Titled(g, {"NodoA", "NodoB", "Calle"}, 3);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.model()->rowCount(), 3); // the title row is the header, not a data row
    g.setCell(2, 3, "Av. Pe\xF1" "alol\xE9n"); // Windows-1252 bytes are kept
    g.setCell(0, 1, "101");
    EXPECT_EQ(g.cell(2, 3), "Av. Pe\xF1" "alol\xE9n");
    EXPECT_EQ(g.model()->data(g.model()->index(2, 2)).toString(), QString::fromUtf8("Av. Peñalolén"));
    EXPECT_EQ(g.model()->headerData(1, Qt::Horizontal).toString(), "NodoB");
    // Long texts (heap) and UTF-8 texts survive too.
    std::string longText(300, 'x');
    g.setCell(1, 2, longText);
    g.setCell(1, 3, "Rotonda \xC3\x91u\xC3\xB1oa");
    EXPECT_EQ(g.cell(1, 2), longText);
    EXPECT_EQ(g.model()->data(g.model()->index(2, 1)).toString(), QString::fromUtf8("Rotonda Ñuñoa"));

    // Outside the grid: reads give "", writes store nothing.
    EXPECT_EQ(g.cell(3, 1), "");
    EXPECT_EQ(g.cell(0, 4), "");
    EXPECT_EQ(g.cell(-1, 0), "");
    g.setCell(5, 5, "x");
    EXPECT_EQ(g.RowCount(), 4);

    // Growing keeps the cells; a new column is empty; shrinking drops the rest.
    g.SetColCount(4);
    g.SetRowCount(6);
    EXPECT_EQ(g.cell(0, 1), "101");
    EXPECT_EQ(g.cell(3, 1), "");
    EXPECT_EQ(g.cell(2, 5), "");
    g.setCell(2, 5, "ultimo");
    g.SetRowCount(3);
    EXPECT_EQ(g.cell(1, 2), longText);
    EXPECT_EQ(g.cell(2, 5), "");
    g.SetRowCount(6);
    EXPECT_EQ(g.cell(2, 5), "");

    g.ClearCells();
    EXPECT_EQ(g.cell(0, 0), "");
    EXPECT_EQ(g.cell(1, 2), "");
    EXPECT_EQ(g.RowCount(), 6);

    // Without a title row every row is data (and sorts); widths survive the change.
    g.SetColWidths(1, 77);
    g.SetFixedRows(0);
    EXPECT_EQ(g.model()->rowCount(), 6);
    EXPECT_TRUE(g.horizontalHeader()->isHidden());
    EXPECT_EQ(g.ColWidths(1), 77);
    for (int r = 0; r < 6; ++r)
        g.setCell(0, r, std::to_string(6 - r));
    // A column written in its first row only moves that cell with its row; the
    // rows it never had read empty wherever they go, and a width fits its text.
    g.SetColCount(5);
    g.setCell(4, 0, "solo");
    g.SortColumn(0, false);
    EXPECT_EQ(g.cell(0, 0), "1");
    EXPECT_EQ(g.cell(0, 5), "6");
    EXPECT_EQ(g.cell(4, 5), "solo");
    EXPECT_EQ(g.cell(4, 0), "");
    g.FitColWidth(4);
    EXPECT_GE(g.ColWidths(4), g.fontMetrics().horizontalAdvance(QStringLiteral("solo")));
}

TEST(StringAlignGrid, AlignmentFontAndBrushPerCell)
{
    TStringAlignGrid g;
    Titled(g, {"NodoA", "Calle", "V0"}, 2);
    g.SetAlignment(Qt::AlignRight);
    g.SetAlignCol(1, Qt::AlignLeft);
    g.SetAlignCell(2, 2, Qt::AlignHCenter);
    EXPECT_EQ(g.AlignCell(0, 1), Qt::AlignRight);
    EXPECT_EQ(g.AlignCell(1, 2), Qt::AlignLeft);
    EXPECT_EQ(g.AlignCol(1), Qt::AlignLeft);
    EXPECT_EQ(g.AlignCol(2), Qt::AlignRight);
    EXPECT_EQ(g.AlignCell(2, 2), Qt::AlignHCenter);
    EXPECT_EQ(g.AlignCell(2, 1), Qt::AlignRight);
    auto* m = g.model();
    EXPECT_EQ(m->data(m->index(0, 1), Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));

    QFont bold = g.font();
    bold.setBold(true);
    g.SetFontCell(1, 1, bold);
    g.SetFontColorCell(1, 1, QColor(255, 0, 0));
    g.SetFontColorCol(0, QColor(0, 0, 255));
    g.SetFontColorCell(0, 2, QColor(0, 128, 0));
    EXPECT_TRUE(g.FontCell(1, 1).bold());
    EXPECT_FALSE(g.FontCell(1, 2).bold());
    EXPECT_EQ(g.FontColorCell(1, 1), QColor(255, 0, 0));
    EXPECT_EQ(g.FontColorCell(0, 1), QColor(0, 0, 255));
    EXPECT_EQ(g.FontColorCell(0, 2), QColor(0, 128, 0));
    g.SetFontColorCell(0, 2, QColor()); // back to the column's colour
    EXPECT_EQ(g.FontColorCell(0, 2), QColor(0, 0, 255));
    EXPECT_EQ(m->data(m->index(0, 1), Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    EXPECT_TRUE(m->data(m->index(0, 1), Qt::FontRole).value<QFont>().bold());

    // Title cells take brushes too (the header colours of the value columns).
    g.SetColorCell(2, 0, QColor(255, 255, 128));
    EXPECT_EQ(m->headerData(2, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 255, 128));
    EXPECT_FALSE(m->headerData(1, Qt::Horizontal, Qt::BackgroundRole).isValid());

    // A cell's brush is what the screen shows.
    g.SetColorCell(2, 2, QColor(255, 0, 0));
    g.resize(400, 200);
    g.show();
    QApplication::processEvents();
    QRect r = g.visualRect(m->index(1, 2));
    QImage shot = g.viewport()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(r.left() + 3, r.center().y())), QColor(255, 0, 0));
    QColor plain(shot.pixel(g.visualRect(m->index(0, 2)).left() + 3, r.center().y() - r.height()));
    EXPECT_NE(plain, QColor(255, 0, 0));
}

TEST(StringAlignGrid, SortsNumbersByValueAndTextsByBytes)
{
    TStringAlignGrid g;
    Titled(g, {"Num", "Texto", "Orden"}, 8);
    const Strings nums = {"10", "9", "100", "-1", "", "2.5", "abc", "9"};
    const Strings texts = {"b", "B", "a", "\xE1", "Calle", "calle", " x", "a"};
    for (int i = 0; i < 8; ++i) {
        g.setCell(0, i + 1, nums[static_cast<size_t>(i)]);
        g.setCell(1, i + 1, texts[static_cast<size_t>(i)]);
        g.setCell(2, i + 1, std::to_string(i + 1));
    }
    g.SetFontColorCell(0, 3, QColor(255, 0, 0)); // "100" is red
    g.SetColorCell(1, 2, QColor(0, 255, 0));     // the row of "9" (first) has a green cell

    g.SortColumn(0, false);
    EXPECT_EQ(Column(g, 0), (Strings{"", "-1", "2.5", "9", "9", "10", "100", "abc"}));
    // Equal values keep their order; whole rows move, with their settings.
    EXPECT_EQ(Column(g, 2), (Strings{"5", "4", "6", "2", "8", "1", "3", "7"}));
    EXPECT_EQ(g.FontColorCell(0, 7), QColor(255, 0, 0));
    EXPECT_EQ(g.ColorCell(1, 4), QColor(0, 255, 0));
    EXPECT_EQ(g.cell(0, 0), "Num"); // the title row stays

    // Each record is found on the row the latest sort put it on (column 2 numbers them).
    auto recordsOnTheirRows = [&g] {
        for (int record = 1; record <= 8; ++record)
            EXPECT_EQ(g.cell(2, g.RowOfRecord(record)), std::to_string(record));
    };
    recordsOnTheirRows();
    g.SortColumn(0, true);
    EXPECT_EQ(Column(g, 0), (Strings{"abc", "100", "10", "9", "9", "2.5", "-1", ""}));
    EXPECT_EQ(Column(g, 2), (Strings{"7", "3", "1", "2", "8", "6", "4", "5"}));
    recordsOnTheirRows();

    g.SortColumn(1, false);
    EXPECT_EQ(Column(g, 1), (Strings{" x", "B", "Calle", "a", "a", "b", "calle", "\xE1"}));

    // Settings stay with their rows through shrinking after a sort; the records
    // past the new count go, the others stay in the order shown.
    g.SortColumn(2, false);
    EXPECT_EQ(Column(g, 2), (Strings{"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(g.FontColorCell(0, 3), QColor(255, 0, 0));
    g.SortColumn(0, false);
    g.SetRowCount(5);
    EXPECT_EQ(Column(g, 0), (Strings{"-1", "9", "10", "100"}));
    EXPECT_EQ(g.ColorCell(1, 2), QColor(0, 255, 0));
    EXPECT_EQ(g.FontColorCell(0, 4), QColor(255, 0, 0));
    EXPECT_NE(g.FontColorCell(0, 3), QColor(255, 0, 0));
    // Each record is found on its row, and a fill by record writes there.
    for (int record = 1; record <= 4; ++record)
        EXPECT_EQ(g.cell(0, g.RowOfRecord(record)), nums[static_cast<size_t>(record - 1)]);
    g.FillRows(1, 4, [](int record, const TStringAlignGridModel::RowWriter& cells) {
        cells.set(2, std::to_string(10 * record));
    });
    EXPECT_EQ(Column(g, 2), (Strings{"40", "20", "10", "30"}));
    // Put back in order (another network), the records show in theirs.
    g.ResetOrder();
    EXPECT_EQ(Column(g, 0), (Strings{"10", "9", "100", "-1"}));
    EXPECT_EQ(g.RowOfRecord(3), 3);
}

TEST(StringAlignGrid, SortsThroughTheCompareHandler)
{
    TStringAlignGrid g;
    Titled(g, {"Calle", "Long"}, 5);
    const Strings names = {"Los Leones", "Ejercito", "Av. Matta", "Ejercito", "Bustamante"};
    const Strings lengths = {"120", "45", "300", "45", "7"};
    for (int i = 0; i < 5; ++i) {
        g.setCell(0, i + 1, names[static_cast<size_t>(i)]);
        g.setCell(1, i + 1, lengths[static_cast<size_t>(i)]);
    }
    // The program's rule: shorter street names first (compared via the handler's own
    // reading of the cells), equal lengths equal.
    int calls = 0;
    g.SetCompareHandler([&](TStringAlignGrid* sender, int col, int r1, int r2) {
        ++calls;
        EXPECT_EQ(sender, &g);
        size_t a = sender->cell(col, r1).size(), b = sender->cell(col, r2).size();
        return a == b ? TStringAlignGrid::CompareEqual
                      : (a < b ? TStringAlignGrid::CompareBefore : TStringAlignGrid::CompareAfter);
    });
    g.SortColumn(0, false);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(Column(g, 0), (Strings{"Ejercito", "Ejercito", "Av. Matta", "Los Leones", "Bustamante"}));
    EXPECT_EQ(Column(g, 1), (Strings{"45", "45", "300", "120", "7"}));
    g.SortColumn(0, true);
    EXPECT_EQ(Column(g, 0), (Strings{"Los Leones", "Bustamante", "Av. Matta", "Ejercito", "Ejercito"}));

    // A handler that answers at random (no consistent order) still leaves every row
    // present exactly once.
    std::mt19937 rng(7);
    g.SetRowCount(1001);
    for (int r = 1; r <= 1000; ++r)
        g.setCell(1, r, std::to_string(r));
    g.SetCompareHandler([&](TStringAlignGrid*, int, int, int) { return static_cast<int>(rng() % 3); });
    g.SortColumn(1, false);
    std::vector<int> seen;
    for (int r = 1; r <= 1000; ++r)
        seen.push_back(std::stoi(g.cell(1, r)));
    std::sort(seen.begin(), seen.end());
    for (int r = 1; r <= 1000; ++r)
        ASSERT_EQ(seen[static_cast<size_t>(r - 1)], r);
}

TEST(StringAlignGrid, MovesColumnsWithTheirSettings)
{
    TStringAlignGrid g;
    Titled(g, {"c0", "c1", "c2", "c3", "c4"}, 2);
    for (int c = 0; c < 5; ++c) {
        g.setCell(c, 1, "a" + std::to_string(c));
        g.SetColWidths(c, 40 + 10 * c);
    }
    g.SetAlignCol(1, Qt::AlignLeft);
    g.SetFontColorCell(1, 2, QColor(255, 0, 0));
    QSignalSpy moved(&g, &TStringAlignGrid::columnMoved);
    auto shown = [&g] {
        std::string titles;
        for (int p = 0; p < g.ColCount(); ++p)
            titles += g.cell(g.ColAtPosition(p), 0);
        return titles;
    };

    // Only the screen order changes: a column keeps its number, cells and settings.
    g.MoveColumn(1, 3);
    EXPECT_EQ(shown(), "c0c2c3c1c4");
    EXPECT_EQ(g.PositionOfCol(1), 3);
    EXPECT_EQ(g.cell(1, 1), "a1");
    EXPECT_EQ(g.ColWidths(1), 50);
    EXPECT_EQ(g.AlignCol(1), Qt::AlignLeft);
    EXPECT_EQ(g.FontColorCell(1, 2), QColor(255, 0, 0));
    EXPECT_EQ(g.TextExport(','), "c0,c2,c3,c1,c4,\r\na0,a2,a3,a1,a4,\r\n,,,,,\r\n") << "exported as shown";
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toInt(), 1);
    EXPECT_EQ(moved.at(0).at(1).toInt(), 3);

    // A drag of a title (the header reorders its sections) is the same move.
    g.SetColMoving(true);
    g.horizontalHeader()->moveSection(4, 0);
    EXPECT_EQ(shown(), "c4c0c2c3c1");
    ASSERT_EQ(moved.count(), 2);
    EXPECT_EQ(moved.at(1).at(0).toInt(), 4);
    EXPECT_EQ(moved.at(1).at(1).toInt(), 0);
    g.ResetOrder();
    EXPECT_EQ(shown(), "c0c1c2c3c4");
    EXPECT_EQ(moved.count(), 2) << "putting the order back is no move of the user's";

    // The same with the mouse: title 0 dragged onto the middle of title 2.
    g.resize(500, 150);
    g.show();
    QApplication::processEvents();
    QHeaderView* h = g.horizontalHeader();
    QSignalSpy clicks(&g, &TStringAlignGrid::fixedColClick);
    QPoint from(h->sectionViewportPosition(0) + 20, h->height() / 2);
    QPoint to(h->sectionViewportPosition(2) + h->sectionSize(2) / 2 + 5, h->height() / 2);
    QTest::mousePress(h->viewport(), Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= 10; ++i)
        QTest::mouseMove(h->viewport(), from + (to - from) * i / 10);
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, Qt::NoModifier, to);
    ASSERT_EQ(moved.count(), 3);
    EXPECT_EQ(moved.at(2).at(0).toInt(), 0);
    EXPECT_EQ(g.ColAtPosition(moved.at(2).at(1).toInt()), 0);
    EXPECT_EQ(clicks.count(), 0); // a drag is no click
}

TEST(StringAlignGrid, ExportsEveryCellAsDelimitedText)
{
    TStringAlignGrid g;
    Titled(g, {"NodoA", "Calle", "V0"}, 2);
    g.setCell(0, 1, "101");
    g.setCell(1, 1, "Gran Av. \xD1u\xF1oa"); // bytes as stored
    g.setCell(2, 1, "50");
    g.setCell(0, 2, "102");
    g.setCell(2, 2, "3.5");
    g.SortColumn(0, true); // what is written is what is shown
    EXPECT_EQ(g.TextExport(','), "NodoA,Calle,V0,\r\n102,,3.5,\r\n101,Gran Av. \xD1u\xF1oa,50,\r\n");
    EXPECT_EQ(g.TextExport('\t'), "NodoA\tCalle\tV0\t\r\n102\t\t3.5\t\r\n101\tGran Av. \xD1u\xF1oa\t50\t\r\n");
    EXPECT_EQ(g.TextExport(' '), "NodoA Calle V0 \r\n102  3.5 \r\n101 Gran Av. \xD1u\xF1oa 50 \r\n");
    // A cell holding the separator, a quote or a line end is quoted (inner quotes
    // doubled); the blank-separated print layout stays as shown.
    g.setCell(1, 1, "Av. \"Sur\", 2"); // rows as shown: 102, then 101
    g.setCell(2, 2, "a\tb\r\nc");
    EXPECT_EQ(g.TextExport(','), "NodoA,Calle,V0,\r\n102,\"Av. \"\"Sur\"\", 2\",3.5,\r\n"
                                 "101,Gran Av. \xD1u\xF1oa,\"a\tb\r\nc\",\r\n");
    EXPECT_EQ(g.TextExport('\t'), "NodoA\tCalle\tV0\t\r\n102\t\"Av. \"\"Sur\"\", 2\"\t3.5\t\r\n"
                                  "101\tGran Av. \xD1u\xF1oa\t\"a\tb\r\nc\"\t\r\n");
    EXPECT_EQ(g.TextExport(' '), "NodoA Calle V0 \r\n102 Av. \"Sur\", 2 3.5 \r\n101 Gran Av. \xD1u\xF1oa a\tb\r\nc \r\n");

    // Names from files of both encodings: the file takes one, Windows-1252 while
    // it has every letter, else UTF-8; each cell as shown.
    const auto starts = [&g](const std::string& head) { return g.TextExport(',').substr(0, head.size()) == head; };
    g.setCell(1, 1, "Calle \xC3\x91u\xC3\xB1oa"); // UTF-8
    EXPECT_TRUE(starts("NodoA,Calle,V0,\r\n102,Calle \xD1u\xF1oa,3.5,\r\n101,Gran Av. \xD1u\xF1oa,")) << g.TextExport(',');
    g.setCell(1, 1, "\xC5\x81\xC3\xB3" "d\xC5\xBA"); // "Łódź"
    EXPECT_TRUE(starts("NodoA,Calle,V0,\r\n102,\xC5\x81\xC3\xB3" "d\xC5\xBA,3.5,\r\n101,Gran Av. \xC3\x91u\xC3\xB1oa,"))
        << g.TextExport(',');

    testutil::TempDir dir;
    std::string path = dir.file("nodos.prn");
    testutil::writeFile(path, "old");
    ASSERT_TRUE(g.GridTextExport(path, ' '));
    EXPECT_EQ(testutil::readFile(path), g.TextExport(' '));
    EXPECT_FALSE(g.GridTextExport(dir.file("falta/nodos.csv"), ','));
}

TEST(StringAlignGrid, FitsWidthsAndHeights)
{
    TStringAlignGrid g;
    Titled(g, {"N", "Un titulo bastante largo", "Calle"}, 3);
    g.setCell(0, 1, "1");
    g.setCell(0, 2, "123456789012");
    g.setCell(1, 1, "5");
    g.setCell(2, 3, "Avenida Libertador Bernardo O'Higgins");
    QFont big = g.font();
    big.setPointSize(g.font().pointSize() * 2);
    big.setBold(true);
    g.SetFontCell(2, 2, big);
    g.setCell(2, 2, "Negrita");
    g.FitColWidths();

    QFontMetrics fm(g.font());
    EXPECT_GE(g.ColWidths(0), fm.horizontalAdvance("123456789012"));
    EXPECT_LT(g.ColWidths(0), fm.horizontalAdvance("123456789012") + 40);
    // The title is wider than the data: the title decides.
    EXPECT_GE(g.ColWidths(1), fm.horizontalAdvance("Un titulo bastante largo"));
    EXPECT_GE(g.ColWidths(2), fm.horizontalAdvance("Avenida Libertador Bernardo O'Higgins"));
    EXPECT_GE(g.ColWidths(2), QFontMetrics(big).horizontalAdvance("Negrita"));

    g.FitRowHeights();
    EXPECT_GE(g.RowHeights(2), QFontMetrics(big).height());
    EXPECT_GT(g.RowHeights(2), g.RowHeights(1));
    EXPECT_GE(g.RowHeights(1), fm.height());
    EXPECT_EQ(g.RowHeights(1), g.RowHeights(3));

    // An empty column keeps a small width that still shows its title.
    g.SetColCount(4);
    g.FitColWidth(3);
    EXPECT_GE(g.ColWidths(3), 8);
}

// A large grid is written and measured by a few threads: the cells and widths are
// those of writing every cell in turn and fitting each column alone.
TEST(StringAlignGrid, LargeGridFilledAndFittedAsCellByCell)
{
    constexpr int Rows = 20000;
    const Strings titles = {"A", "Calle", "Valor", "Ord", "Nota", "Vacia"};
    auto text = [](int col, int row) -> std::string {
        switch (col) {
        case 0: return std::to_string(row * 7919 % 100003);
        case 1: return row % 997 == 0 ? "Stra\xc3\x9f" "e " + std::to_string(row) : "Calle " + std::to_string(row % 1234);
        case 2: return std::to_string(row % 5000) + "." + std::to_string(row % 10);
        case 3: return std::to_string(row);
        case 4: return row % 3 == 0 ? std::string() : std::string(static_cast<size_t>(row % 40), 'W');
        default: return std::string();
        }
    };
    QFont bold;
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 6);
    TStringAlignGrid byCell, byRows;
    for (TStringAlignGrid* g : {&byCell, &byRows}) {
        Titled(*g, titles, Rows);
        g->SetFontCell(2, 17, bold); // a cell of its own font, wider than the rest
    }
    for (int r = 1; r <= Rows; ++r)
        for (int c = 0; c < static_cast<int>(titles.size()); ++c)
            byCell.setCell(c, r, text(c, r));
    byRows.FillRows(1, Rows + 5, [&](int r, const TStringAlignGridModel::RowWriter& cells) {
        for (int c = 0; c < static_cast<int>(titles.size()); ++c)
            EXPECT_TRUE(cells.set(c, text(c, r)));
        EXPECT_FALSE(cells.set(static_cast<int>(titles.size()), "fuera"));
    });
    EXPECT_EQ(byRows.RowCount(), Rows + 1);
    EXPECT_EQ(byRows.TextExport(';'), byCell.TextExport(';'));

    for (int c = 0; c < byCell.ColCount(); ++c)
        byCell.FitColWidth(c);
    byRows.FitColWidths();
    for (int c = 0; c < byCell.ColCount(); ++c)
        EXPECT_EQ(byRows.ColWidths(c), byCell.ColWidths(c)) << c;
    EXPECT_GE(byRows.ColWidths(2), QFontMetrics(bold).horizontalAdvance(QString::fromStdString(text(2, 17))));
}

TEST(StringAlignGrid, SelectionMouseAndDrawing)
{
    TStringAlignGrid g;
    Titled(g, {"Ok", "Linea", "Grp"}, 20);
    for (int r = 1; r <= 20; ++r)
        g.setCell(1, r, "L" + std::to_string(r));
    g.resize(300, 250);
    g.show();
    QApplication::processEvents();

    g.SetSelection({1, 3, 2, 6});
    EXPECT_EQ(g.Selection(), (TGridRect{1, 3, 2, 6}));
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 6);
    g.SetSelection({2, 6, 2, 6});
    EXPECT_EQ(g.Selection(), (TGridRect{2, 6, 2, 6}));

    // Cell under a point of the grid: titles are row 0.
    auto* m = g.model();
    QRect cellRect = g.visualRect(m->index(2, 1)); // grid row 3, column 1
    QPoint inCell = g.viewport()->mapTo(&g, cellRect.center());
    int col = -9, row = -9;
    g.MouseToCell(inCell.x(), inCell.y(), col, row);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 3);
    QHeaderView* h = g.horizontalHeader();
    QPoint inTitle = h->viewport()->mapTo(&g, QPoint(h->sectionViewportPosition(2) + 5, h->height() / 2));
    g.MouseToCell(inTitle.x(), inTitle.y(), col, row);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 0);
    g.MouseToCell(-5, -5, col, row);
    EXPECT_EQ(col, -1);
    EXPECT_EQ(row, -1);

    // Mouse signals carry grid coordinates; a title click is reported, the data stays.
    QSignalSpy moves(&g, &TStringAlignGrid::mouseMoved);
    QSignalSpy presses(&g, &TStringAlignGrid::mousePressed);
    QSignalSpy dbl(&g, &TStringAlignGrid::dblClicked);
    QSignalSpy titleClicks(&g, &TStringAlignGrid::fixedColClick);
    QTest::mouseMove(g.viewport(), cellRect.center());
    QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ShiftModifier, cellRect.center());
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, Qt::NoModifier, cellRect.center());
    ASSERT_GE(moves.count(), 1);
    EXPECT_EQ(moves.last().at(1).toInt(), inCell.x());
    EXPECT_EQ(moves.last().at(2).toInt(), inCell.y());
    ASSERT_GE(presses.count(), 1);
    EXPECT_EQ(presses.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    EXPECT_EQ(dbl.count(), 1);
    EXPECT_EQ(titleClicks.count(), 0);
    TGridRect before = g.Selection();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(h->sectionViewportPosition(2) + h->sectionSize(2) / 2, h->height() / 2));
    ASSERT_EQ(titleClicks.count(), 1);
    EXPECT_EQ(titleClicks.at(0).at(0).toInt(), 2);
    EXPECT_EQ(g.Selection(), before); // a title click selects nothing

    // The draw-cell hook runs for titles and cells, in grid coordinates.
    std::vector<std::pair<int, int>> drawn;
    g.SetDrawCellHandler([&](TStringAlignGrid*, int c, int r, QPainter& p, const QRect& rect) {
        drawn.emplace_back(c, r);
        if (c == 0 && r == 1)
            p.fillRect(rect, Qt::blue);
    });
    QImage shot = g.grab().toImage();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::make_pair(0, 0)), drawn.end());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::make_pair(1, 2)), drawn.end());
    QPoint first = g.viewport()->mapTo(&g, g.visualRect(m->index(0, 0)).center());
    EXPECT_EQ(QColor(shot.pixel(first)), QColor(Qt::blue));
}

} // namespace
