#pragma once
// The aligned string grid behind every data table of the main window: a grid of
// text cells addressed as (column, row) with row 0 the title row (FixedRows = 1), each
// cell with its own alignment, font, font colour and brush (or its column's, or the
// grid's), sorting of the data rows through a compare handler, column moving by
// dragging the titles, export of all cells as delimited text and fitting of widths
// and heights.
//
// Rows are rows on screen; each shows one record (the record-th row filled), which
// a sort moves and RowOfRecord finds. A column keeps its number wherever the user
// drags its title: sorting and dragging change only what is seen, never where a
// value of a record and a variable is written.
//
// Cells hold bytes (std::string), shown as UTF-8 when valid, else as Windows-1252,
// and exported as stored. Reading outside the grid gives ""; writing outside it
// stores nothing (and warns on the debug output).
#include "widgets/StringAlignGridModel.h"

#include <functional>
#include <string>
#include <string_view>

#include <QTableView>

class QPainter;
class TStringAlignGridHeader;

// A block of cells in grid coordinates, both corners included.
struct TGridRect {
    int Left = -1;
    int Top = -1;
    int Right = -1;
    int Bottom = -1;
    bool operator==(const TGridRect&) const = default;
};

class TStringAlignGrid : public QTableView {
    Q_OBJECT
public:
    // Results of a compare handler, as the program's handlers give them.
    static constexpr int CompareAfter = 0;  // row1 goes after row2
    static constexpr int CompareEqual = 1;
    static constexpr int CompareBefore = 2; // row1 goes before row2
    // (sender, column, row1, row2) -> CompareAfter / CompareEqual / CompareBefore.
    using CompareHandler = std::function<int(TStringAlignGrid* sender, int col, int row1, int row2)>;
    // Called after the grid has drawn a cell (title cells included), in grid coordinates.
    using DrawCellHandler =
        std::function<void(TStringAlignGrid* sender, int col, int row, QPainter& painter, const QRect& rect)>;

    explicit TStringAlignGrid(QWidget* parent = nullptr);
    ~TStringAlignGrid() override;

    // --- cells ---
    // Reading a title does not run a fill put off (see DeferFill).
    std::string cell(int col, int row) const { return std::string(cellView(col, row)); }
    // Valid until the cell is written again.
    std::string_view cellView(int col, int row) const
    {
        if (row >= FixedRows())
            Ready();
        return model_->cellView(col, row);
    }
    void setCell(int col, int row, std::string_view text);
    // Empties every cell and drops every per-cell setting (column settings and widths stay).
    void ClearCells();
    // Writes records first..last, on whatever rows a sort put them: fill(record,
    // cells) stores its record's texts by cells.set(col, text). A large block is
    // written by a few threads at once (see TStringAlignGridModel::fillRows): fill
    // writes nothing else.
    void FillRows(int first, int last, const std::function<void(int, const TStringAlignGridModel::RowWriter&)>& fill)
    {
        Ready();
        model_->fillRows(first, last, fill);
    }

    // The row showing record `record` (records are the rows as first filled; a sort
    // moves them, a refill by record keeps them); -1 when there is none.
    int RowOfRecord(int record) const
    {
        Ready();
        return model_->recordRow(record);
    }

    // --- size ---
    int ColCount() const { return model_->colCount(); }
    void SetColCount(int n);
    int RowCount() const { return model_->gridRowCount(); } // fixed rows included
    void SetRowCount(int n);
    int FixedRows() const { return model_->fixedRows(); }
    void SetFixedRows(int n); // 0 or 1 (row 0 is then the title row)
    int FixedCols() const { return model_->fixedCols(); }
    void SetFixedCols(int n); // columns drawn as titles, not selectable

    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    int DefaultColWidth() const;
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);

    // --- alignment (horizontal; cells are centred vertically) ---
    Qt::Alignment Alignment() const { return model_->defaultAlignment(); }
    void SetAlignment(Qt::Alignment a)
    {
        Ready();
        model_->setDefaultAlignment(a);
    }
    Qt::Alignment AlignCol(int col) const { return model_->colAlignment(col); }
    void SetAlignCol(int col, Qt::Alignment a)
    {
        Ready();
        model_->setColAlignment(col, a);
    }
    Qt::Alignment AlignCell(int col, int row) const
    {
        Ready();
        return model_->alignAt(col, row) & Qt::AlignHorizontal_Mask;
    }
    void SetAlignCell(int col, int row, Qt::Alignment a)
    {
        Ready();
        model_->setCellAlignment(col, row, a);
    }

    // --- fonts and colours (an invalid QColor removes the setting) ---
    QFont FontCol(int col) const;
    void SetFontCol(int col, const QFont& f)
    {
        Ready();
        model_->setColFont(col, f);
    }
    QFont FontCell(int col, int row) const; // the font the cell is drawn with
    void SetFontCell(int col, int row, const QFont& f)
    {
        Ready();
        model_->setCellFont(col, row, f);
    }
    QColor FontColorCol(int col) const;
    void SetFontColorCol(int col, const QColor& c)
    {
        Ready();
        model_->setColFontColor(col, c);
    }
    QColor FontColorCell(int col, int row) const; // the colour the cell's text is drawn in
    void SetFontColorCell(int col, int row, const QColor& c)
    {
        Ready();
        model_->setCellFontColor(col, row, c);
    }
    QColor ColorCol(int col) const { return model_->colBrush(col); }
    void SetColorCol(int col, const QColor& c)
    {
        Ready();
        model_->setColBrush(col, c);
    }
    QColor ColorCell(int col, int row) const; // the brush the cell is filled with
    void SetColorCell(int col, int row, const QColor& c)
    {
        Ready();
        model_->setCellBrush(col, row, c);
    }

    // --- selection and mouse ---
    int Col() const;
    int Row() const;
    // The selected block; the current cell alone when nothing is selected; all -1
    // when there is no current cell either.
    TGridRect Selection() const;
    void SetSelection(const TGridRect& r);
    // The cell under a point of the grid widget; -1, -1 outside the cells.
    void MouseToCell(int x, int y, int& col, int& row) const;
    // Repaints cells and titles (after state that a draw-cell handler reads changed).
    void Invalidate();

    // --- sorting, moving, export, fitting ---
    void SetCompareHandler(CompareHandler handler) { compare_ = std::move(handler); }
    // Sorts the data rows by a column: through the compare handler when one is set,
    // else blank cells first, then numbers by value, then texts by their bytes.
    // Stable; `descending` reverses the order. Cells keep their settings while moving.
    void SortColumn(int col, bool descending);
    bool ColMoving() const;
    void SetColMoving(bool on); // dragging a title moves its column on screen
    // Shows the column at screen position `from` at position `to` (its number, cells
    // and settings stay), then emits columnMoved(from, to).
    void MoveColumn(int from, int to);
    // Rows in record order and columns in number order again, as first filled
    // (the records keep their cells).
    void ResetOrder();
    // The column shown at screen position `pos`; the screen position of column `col`.
    int ColAtPosition(int pos) const;
    int PositionOfCol(int col) const;
    // Every cell of every row as shown (rows and columns in screen order), title
    // row included, each followed by the separator
    // (a cell holding the comma or tab separator, a quote or a line end quoted as
    // DelimitedText writes it),
    // lines ended with CR LF, bytes as stored.
    std::string TextExport(char separator) const
    {
        Ready();
        return model_->exportText(separator, ColumnOrder());
    }
    // Rows made on demand after the title row (see TStringAlignGridModel::setRowSource):
    // a listing too large to hold as cells.
    void SetRowSource(int rows, TStringAlignGridModel::RowSource source)
    {
        Ready();
        model_->setRowSource(rows, std::move(source));
    }
    // TextExport written through a temporary file renamed over fileName; false on failure.
    bool GridTextExport(const std::string& fileName, char separator) const;
    // Widths that show every text whole (titles included).
    void FitColWidths();
    void FitColWidth(int col);
    // Heights that fit the largest font of each row.
    void FitRowHeights();

    // --- filling put off ---
    // Keeps `fill` (which fills the cells below the titles and fits the grid) to
    // run when the grid is first shown or its cells, settings or sizes are first
    // read or written: a grid out of sight need not be filled before the rest of
    // the window is drawn. A grid in sight is filled at once, unless `inSightToo`:
    // then it shows its titles over empty rows until the fill runs (its caller
    // runs it soon, once something more urgent is on screen). A fill kept earlier
    // runs first.
    void DeferFill(std::function<void()> fill, bool inSightToo = false);
    // Runs the fill kept, if any, now.
    void Ready() const
    {
        if (deferredFill_)
            RunDeferredFill();
    }

    void SetDrawCellHandler(DrawCellHandler handler) { drawCell_ = std::move(handler); }
    const DrawCellHandler& drawCellHandler() const { return drawCell_; }

    TStringAlignGridModel* gridModel() const { return model_; }

signals:
    // A title cell was clicked (not dragged).
    void fixedColClick(int col);
    // A column was moved from one screen position to another (by the user or MoveColumn).
    void columnMoved(int from, int to);
    // Mouse events anywhere on the cells or titles, in grid-widget coordinates.
    void mouseMoved(Qt::KeyboardModifiers modifiers, int x, int y);
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void dblClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class TStringAlignGridHeader;
    class WidthCache;
    void onSectionMoved(int logical, int oldVisual, int newVisual);
    std::vector<int> ColumnOrder() const; // columns in screen order
    void fitColWidth(int col, WidthCache& cache);
    // The width of a column whose widest data text is textWidth (-1: no text).
    void setFittedWidth(int col, int textWidth);
    int cellPadding() const;
    std::vector<int> widths() const;
    void applyWidths(const std::vector<int>& w);
    void RunDeferredFill() const;

    TStringAlignGridModel* model_;
    TStringAlignGridHeader* header_;
    CompareHandler compare_;
    DrawCellHandler drawCell_;
    mutable std::function<void()> deferredFill_;
    bool resettingOrder_ = false;
};
