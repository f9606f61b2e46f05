#pragma once
// The cell store behind TStringAlignGrid: texts as bytes, sparse per-cell
// overrides of alignment, font, font colour and brush, per-column defaults, and a
// row order (sorting permutes the order only; cells and their overrides move with
// their row). Coordinates here are grid coordinates: row 0 is the first row, fixed
// (title) rows included; the view's rows are the rows after the fixed ones.
//
// A row keeps its record: the k-th row made is record k wherever a sort shows it
// (recordRow finds it), and fillRows writes by record. A column keeps its number
// wherever a title drag shows it (the view's header orders them on screen).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

// A cell text in 16 bytes: up to 15 bytes inline, longer texts on the heap.
// A 24,000 x 131 grid holds 3 million of them.
class TGridCellText {
public:
    TGridCellText() noexcept { buf_[kTag] = 0; }
    ~TGridCellText() { release(); }
    TGridCellText(const TGridCellText& o) : TGridCellText() { assign(o.view()); }
    TGridCellText(TGridCellText&& o) noexcept
    {
        std::memcpy(buf_, o.buf_, sizeof buf_);
        o.buf_[kTag] = 0;
    }
    TGridCellText& operator=(const TGridCellText& o)
    {
        if (this != &o)
            assign(o.view());
        return *this;
    }
    TGridCellText& operator=(TGridCellText&& o) noexcept
    {
        if (this != &o) {
            release();
            std::memcpy(buf_, o.buf_, sizeof buf_);
            o.buf_[kTag] = 0;
        }
        return *this;
    }

    std::string_view view() const noexcept
    {
        auto tag = static_cast<uint8_t>(buf_[kTag]);
        if (tag != kHeap)
            return {buf_, tag};
        const char* p;
        uint32_t n;
        std::memcpy(&p, buf_, sizeof p);
        std::memcpy(&n, buf_ + sizeof p, sizeof n);
        return {p, n};
    }
    bool empty() const noexcept { return buf_[kTag] == 0; }
    void assign(std::string_view s);

private:
    static constexpr int kTag = 15;
    static constexpr uint8_t kHeap = 0xFF;
    void release() noexcept;
    alignas(8) char buf_[16];
};

class TStringAlignGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Optional settings of a cell or a column.
    struct Attr {
        enum : uint8_t { HasAlign = 1, HasFont = 2, HasFontColor = 4, HasBrush = 8 };
        uint8_t flags = 0;
        uint16_t align = 0;
        int16_t font = -1; // index into the font pool
        QRgb fontColor = 0;
        QRgb brush = 0;
        bool has(uint8_t f) const { return (flags & f) != 0; }
    };

    explicit TStringAlignGridModel(QObject* parent = nullptr);

    // --- Qt model interface (view rows = grid rows after the fixed rows) ---
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // --- grid interface ---
    int colCount() const { return static_cast<int>(cols_.size()); }
    int gridRowCount() const { return storedRowCount() + sourceRows_; }
    // Rows whose cells are stored (the rest, if any, come from the row source).
    int storedRowCount() const { return static_cast<int>(rowMap_.size()); }
    void setColCount(int n);
    void setGridRowCount(int n);
    int fixedRows() const { return fixedRows_; }
    void setFixedRows(int n);
    int fixedCols() const { return fixedCols_; }
    void setFixedCols(int n);

    // A row of a row source stays valid until many other rows have been made.
    std::string_view cellView(int col, int row) const;

    // Rows made on demand, after the stored rows (the titles): source(k, cells)
    // gives the texts of the k-th of `rows` such rows, column by column. Only
    // the rows shown, read or exported are made, and only a few are kept, so a
    // listing of millions of rows costs no more memory than its source. They
    // take their column's settings; they cannot be written, sorted or given
    // settings of their own. Setting the row count or clearing the cells ends it.
    using RowSource = std::function<void(int, std::vector<std::string>&)>;
    void setRowSource(int rows, RowSource source);
    bool hasRowSource() const { return static_cast<bool>(source_); }
    // Every row as exportText gives it, handed over piece by piece (a large
    // listing is never held whole); stops and returns false when write does.
    bool exportPieces(char separator, const std::function<bool(std::string_view)>& write,
                      const std::vector<int>& order = {}) const;
    // False when the cell is outside the grid (nothing is stored then).
    bool setCell(int col, int row, std::string_view text);
    void clearCells();

    // The cells of one row, for fillRows: set() stores a cell's text.
    class RowWriter {
    public:
        // False when the column is outside the grid (nothing is stored then).
        bool set(int col, std::string_view text) const;

    private:
        friend class TStringAlignGridModel;
        RowWriter(TStringAlignGridModel& model, int storageRow) : model_(model), storageRow_(storageRow) {}
        TStringAlignGridModel& model_;
        int storageRow_;
    };
    // Writes records first..last (those outside the grid are left) by calling
    // fill(record, cells) for each, on whatever row a sort put it. A large block
    // is shared among a few threads, each given its own rows: fill must write nothing but its row's cells, and only
    // read what the others may read too.
    void fillRows(int first, int last, const std::function<void(int, const RowWriter&)>& fill);

    Qt::Alignment defaultAlignment() const { return defaultAlign_; }
    void setDefaultAlignment(Qt::Alignment a);
    Qt::Alignment alignAt(int col, int row) const;   // effective
    Qt::Alignment colAlignment(int col) const;        // column setting or the grid's
    void setColAlignment(int col, Qt::Alignment a);
    void setCellAlignment(int col, int row, Qt::Alignment a);

    // Fonts: false when none is set (the grid's own font applies).
    bool fontAt(int col, int row, QFont& font) const;
    bool colFont(int col, QFont& font) const;
    void setColFont(int col, const QFont& font);
    void setCellFont(int col, int row, const QFont& font);
    // Colours: an invalid colour means none set (and resets when given).
    QColor fontColorAt(int col, int row) const;
    QColor colFontColor(int col) const;
    void setColFontColor(int col, const QColor& c);
    void setCellFontColor(int col, int row, const QColor& c);
    QColor brushAt(int col, int row) const;
    QColor colBrush(int col) const;
    void setColBrush(int col, const QColor& c);
    void setCellBrush(int col, int row, const QColor& c);

    // Calls fn(text, cell font index or -1) for every data cell of a column, in storage
    // order (fast after a sort; the order of the calls means nothing).
    void scanDataCells(int col, const std::function<void(std::string_view, int)>& fn) const;
    // The same without the call through std::function; only reads the model, so
    // several threads may scan columns at once while nothing writes.
    template <class Fn>
    void forEachDataCell(int col, Fn&& fn) const;
    // Fonts used anywhere in the grid besides the grid's own (for fitting).
    const std::vector<QFont>& fontPool() const { return fonts_; }
    // Grid rows whose cells carry a font of their own, with the font indexes.
    std::vector<std::pair<int, int>> rowsWithCellFonts() const;

    // Reorders the data rows (after the fixed ones) by `before(row1, row2)`: true when
    // row1 goes before row2. Stable; safe with any comparison, consistent or not.
    void sortRows(const std::function<bool(int, int)>& before);
    // Default order of a column: blank cells, then numbers by value, then other texts
    // by their bytes; `descending` reverses it.
    void sortRowsByColumn(int col, bool descending);
    // Every record back on its own row (as filled), cells kept with their records.
    void resetRowOrder();
    // The grid row showing record `record` (the record-th row made, as filled);
    // -1 outside the stored rows. Fixed rows are their own records.
    int recordRow(int record) const;

    // Every row, every cell followed by the separator, lines ended with CR LF;
    // the columns in `order` (all of them in number order when empty).
    std::string exportText(char separator, const std::vector<int>& order = {}) const;

    // Bytes of a cell as text for the screen: UTF-8 when valid, else Windows-1252.
    static QString toDisplay(std::string_view bytes);

private:
    struct Column {
        // By storage row; rows past its end (up to storageRows_) are empty cells
        // not made yet: a large grid sized before it is filled costs nothing.
        std::vector<TGridCellText> cells;
        std::unordered_map<int, Attr> attrs;  // by storage row
        Attr defaults;
    };

    // Columns first..last-1 made `rows` cells long (every cell made).
    void resizeColumns(int first, int last, size_t rows);
    // Columns cut to at most `rows` cells (the rows that remain).
    void cutColumns(size_t rows);
    const Attr* cellAttr(int col, int storageRow) const;
    Attr& cellAttrForWrite(int col, int row);
    int fontIndex(const QFont& font);
    void normalizeRows();     // storage order := grid order
    std::vector<int> storageToGrid() const;
    void scheduleRefresh();
    void refreshAll();

    std::vector<Column> cols_;
    std::vector<int> rowMap_; // grid row -> storage row (the record)
    mutable std::vector<int> recordRows_; // storage row -> grid row, made when first asked
    int storageRows_ = 0;
    int fixedRows_ = 1;
    int fixedCols_ = 0;
    Qt::Alignment defaultAlign_ = Qt::AlignLeft;
    std::vector<QFont> fonts_;
    bool refreshPending_ = false;
    RowSource source_;
    int sourceRows_ = 0;
    struct SourceRow {
        int row = -1;
        std::vector<std::string> cells;
    };
    mutable std::vector<SourceRow> sourceCache_; // a ring of the rows made last
    mutable size_t sourceNext_ = 0;
    const std::vector<std::string>& sourceRow(int gridRow) const;
    void dropRowSource();
    bool permuted_ = false; // rowMap_ is not the identity
};

inline bool TStringAlignGridModel::RowWriter::set(int col, std::string_view text) const
{
    if (col < 0 || col >= model_.colCount())
        return false;
    model_.cols_[static_cast<size_t>(col)].cells[static_cast<size_t>(storageRow_)].assign(text);
    return true;
}

template <class Fn>
void TStringAlignGridModel::forEachDataCell(int col, Fn&& fn) const
{
    if (col < 0 || col >= colCount())
        return;
    const Column& c = cols_[static_cast<size_t>(col)];
    // Fixed rows are never reordered: their storage rows are their grid rows.
    const int first = std::min(fixedRows_, gridRowCount());
    for (int sr = first; sr < storageRows_; ++sr) {
        if (static_cast<size_t>(sr) >= c.cells.size())
            break;
        std::string_view text = c.cells[static_cast<size_t>(sr)].view();
        if (text.empty())
            continue;
        const Attr* a = c.attrs.empty() ? nullptr : cellAttr(col, sr);
        fn(text, a && a->has(Attr::HasFont) ? a->font : -1);
    }
}
