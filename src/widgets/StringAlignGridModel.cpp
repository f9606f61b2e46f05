#include "widgets/StringAlignGridModel.h"
#include "export/DelimitedText.h"
#include "model/ParallelChunks.h"
#include "model/TextCodec.h"

#include "model/ZelUtils.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cstdlib>

// ---------------------------------------------------------------- cell text

void TGridCellText::release() noexcept
{
    if (static_cast<uint8_t>(buf_[kTag]) == kHeap) {
        char* p;
        std::memcpy(&p, buf_, sizeof p);
        std::free(p);
    }
    buf_[kTag] = 0;
}

void TGridCellText::assign(std::string_view s)
{
    char* old = nullptr;
    if (static_cast<uint8_t>(buf_[kTag]) == kHeap)
        std::memcpy(&old, buf_, sizeof old);
    if (s.size() <= kTag) {
        if (!s.empty()) // an empty view may hold no pointer at all
            std::memmove(buf_, s.data(), s.size());
        buf_[kTag] = static_cast<char>(s.size());
    } else {
        auto n = static_cast<uint32_t>(std::min<size_t>(s.size(), UINT32_MAX));
        char* p = static_cast<char*>(std::malloc(n));
        if (!p)
            throw std::bad_alloc();
        std::memcpy(p, s.data(), n);
        std::memcpy(buf_, &p, sizeof p);
        std::memcpy(buf_ + sizeof p, &n, sizeof n);
        buf_[kTag] = static_cast<char>(kHeap);
    }
    std::free(old); // after the copy: s may point into the old text
}

// ---------------------------------------------------------------- helpers

namespace {


// A cell is a number when ZelUtils::ParseNumber accepts it; reals are then read with
// full precision so that close values keep their order.
bool CellNumber(std::string_view text, double& value)
{
    std::string t = ZelUtils::Trim(text);
    if (t.empty())
        return false;
    ZelUtils::NumberValue nv = ZelUtils::ParseNumber(t);
    if (nv.isInteger()) {
        if (nv.intValue != 0) {
            value = nv.intValue;
            return true;
        }
        // ParseNumber gives 0 on failure too: only a written zero is the number 0.
        size_t i = t[0] == '-' ? 1 : 0;
        if (i == t.size())
            return false;
        for (; i < t.size(); ++i)
            if (t[i] != '0')
                return false;
        value = 0.0;
        return true;
    }
    double d = 0.0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    value = (ec == std::errc() && ptr == t.data() + t.size()) ? d : nv.asReal();
    return true;
}

} // namespace

QString TStringAlignGridModel::toDisplay(std::string_view bytes) { return TextCodec::Decode(bytes); }

// ---------------------------------------------------------------- model

TStringAlignGridModel::TStringAlignGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int TStringAlignGridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return std::max(0, gridRowCount() - fixedRows_);
}

int TStringAlignGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : colCount();
}

QVariant TStringAlignGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    int col = index.column();
    int row = index.row() + fixedRows_;
    if (col >= colCount() || row >= gridRowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return toDisplay(cellView(col, row));
    case Qt::TextAlignmentRole:
        return static_cast<int>(alignAt(col, row));
    case Qt::FontRole: {
        QFont f;
        if (fontAt(col, row, f))
            return f;
        return {};
    }
    case Qt::ForegroundRole: {
        QColor c = fontColorAt(col, row);
        if (c.isValid())
            return QBrush(c);
        return {};
    }
    case Qt::BackgroundRole: {
        QColor c = brushAt(col, row);
        if (c.isValid())
            return QBrush(c);
        if (col < fixedCols_)
            return QGuiApplication::palette().button();
        return {};
    }
    default:
        return {};
    }
}

QVariant TStringAlignGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || fixedRows_ < 1 || gridRowCount() < 1 || section < 0 || section >= colCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return toDisplay(cellView(section, 0));
    case Qt::TextAlignmentRole:
        return static_cast<int>(alignAt(section, 0));
    case Qt::FontRole: {
        QFont f;
        if (fontAt(section, 0, f))
            return f;
        return {};
    }
    case Qt::ForegroundRole: {
        QColor c = fontColorAt(section, 0);
        if (c.isValid())
            return QBrush(c);
        return {};
    }
    case Qt::BackgroundRole: {
        QColor c = brushAt(section, 0);
        if (c.isValid())
            return QBrush(c);
        return {};
    }
    default:
        return {};
    }
}

Qt::ItemFlags TStringAlignGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() < fixedCols_)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TStringAlignGridModel::resizeColumns(int first, int last, size_t rows)
{
    // The cells of a large grid's columns are many megabytes of fresh memory,
    // whose first writing maps it page by page: a few threads take the columns,
    // each its own (the list of columns itself does not change meanwhile).
    constexpr size_t LargeGrid = 65536; // cells
    if (static_cast<size_t>(std::max(last - first, 0)) * rows < LargeGrid) {
        for (int c = first; c < last; ++c)
            cols_[static_cast<size_t>(c)].cells.resize(rows);
        return;
    }
    Parallel::ForChunks(last - first, 3, [this, first, rows](int k) {
        cols_[static_cast<size_t>(first + k)].cells.resize(rows);
    });
}

void TStringAlignGridModel::cutColumns(size_t rows)
{
    for (auto& col : cols_)
        if (col.cells.size() > rows)
            col.cells.resize(rows);
}

void TStringAlignGridModel::setColCount(int n)
{
    n = std::max(0, n);
    int old = colCount();
    if (n > old) {
        beginInsertColumns(QModelIndex(), old, n - 1);
        cols_.resize(static_cast<size_t>(n)); // their cells are made when written
        endInsertColumns();
    } else if (n < old) {
        beginRemoveColumns(QModelIndex(), n, old - 1);
        cols_.resize(static_cast<size_t>(n));
        endRemoveColumns();
    }
}

void TStringAlignGridModel::setGridRowCount(int n)
{
    dropRowSource();
    n = std::max(0, n);
    int old = gridRowCount();
    int oldModel = std::max(0, old - fixedRows_);
    int newModel = std::max(0, n - fixedRows_);
    if (n > old) {
        if (newModel > oldModel)
            beginInsertRows(QModelIndex(), oldModel, newModel - 1);
        // The new rows' cells are made when written.
        rowMap_.reserve(static_cast<size_t>(n));
        for (int r = old; r < n; ++r)
            rowMap_.push_back(storageRows_++);
        recordRows_.clear();
        if (newModel > oldModel)
            endInsertRows();
    } else if (n < old) {
        // The records from n on go, wherever a sort showed them; the others keep
        // their records and their order on screen. The view is told of rows going
        // at the end (it counts rows only); every row left is then redrawn.
        if (newModel < oldModel)
            beginRemoveRows(QModelIndex(), newModel, oldModel - 1);
        cutColumns(static_cast<size_t>(n));
        for (auto& col : cols_)
            for (auto it = col.attrs.begin(); it != col.attrs.end();)
                it = it->first >= n ? col.attrs.erase(it) : std::next(it);
        std::erase_if(rowMap_, [n](int record) { return record >= n; });
        storageRows_ = n;
        recordRows_.clear();
        permuted_ = false;
        for (size_t r = 0; r < rowMap_.size() && !permuted_; ++r)
            permuted_ = rowMap_[r] != static_cast<int>(r);
        if (newModel < oldModel)
            endRemoveRows();
        if (permuted_)
            refreshAll();
    }
    if (std::min(old, n) < fixedRows_ && colCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, colCount() - 1);
}

void TStringAlignGridModel::setFixedRows(int n)
{
    n = std::clamp(n, 0, 1);
    if (n == fixedRows_)
        return;
    beginResetModel();
    fixedRows_ = n;
    endResetModel();
}

void TStringAlignGridModel::setFixedCols(int n)
{
    fixedCols_ = std::max(0, n);
    scheduleRefresh();
}

std::string_view TStringAlignGridModel::cellView(int col, int row) const
{
    if (col < 0 || row < 0 || col >= colCount() || row >= gridRowCount())
        return {};
    if (row >= storedRowCount()) {
        const std::vector<std::string>& cells = sourceRow(row);
        return static_cast<size_t>(col) < cells.size() ? std::string_view(cells[static_cast<size_t>(col)])
                                                       : std::string_view();
    }
    const std::vector<TGridCellText>& cells = cols_[static_cast<size_t>(col)].cells;
    const size_t storageRow = static_cast<size_t>(rowMap_[static_cast<size_t>(row)]);
    return storageRow < cells.size() ? cells[storageRow].view() : std::string_view();
}

bool TStringAlignGridModel::setCell(int col, int row, std::string_view text)
{
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return false;
    std::vector<TGridCellText>& cells = cols_[static_cast<size_t>(col)].cells;
    const size_t storageRow = static_cast<size_t>(rowMap_[static_cast<size_t>(row)]);
    if (storageRow >= cells.size()) {
        if (text.empty())
            return true; // an empty cell not made yet stays so
        cells.resize(storageRow + 1);
    }
    cells[storageRow].assign(text);
    scheduleRefresh();
    return true;
}

void TStringAlignGridModel::fillRows(int first, int last, const std::function<void(int, const RowWriter&)>& fill)
{
    first = std::max(first, 0);
    last = std::min(last, storedRowCount() - 1);
    if (first > last)
        return;
    // Every cell of the columns made first, then written by whole rows: the rows'
    // cells are distinct objects, and the columns do not change while the threads
    // write, so a chunk of whole rows needs no lock.
    resizeColumns(0, colCount(), static_cast<size_t>(storageRows_));
    auto run = [this, &fill](int from, int to) {
        for (int record = from; record <= to; ++record)
            fill(record, RowWriter(*this, record));
    };
    constexpr int PerChunk = 1024;
    const int rows = last - first + 1;
    Parallel::ForChunks((rows + PerChunk - 1) / PerChunk, 3, [&](int c) {
        run(first + c * PerChunk, std::min(last, first + (c + 1) * PerChunk - 1));
    });
    scheduleRefresh();
}

void TStringAlignGridModel::clearCells()
{
    dropRowSource();
    for (auto& col : cols_) {
        for (auto& cell : col.cells)
            cell.assign({});
        col.attrs.clear();
    }
    scheduleRefresh();
}

// ---------------------------------------------------------------- attributes

const TStringAlignGridModel::Attr* TStringAlignGridModel::cellAttr(int col, int storageRow) const
{
    const auto& attrs = cols_[static_cast<size_t>(col)].attrs;
    if (attrs.empty())
        return nullptr;
    auto it = attrs.find(storageRow);
    return it == attrs.end() ? nullptr : &it->second;
}

TStringAlignGridModel::Attr& TStringAlignGridModel::cellAttrForWrite(int col, int row)
{
    return cols_[static_cast<size_t>(col)].attrs[rowMap_[static_cast<size_t>(row)]];
}

int TStringAlignGridModel::fontIndex(const QFont& font)
{
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i] == font)
            return static_cast<int>(i);
    fonts_.push_back(font);
    return static_cast<int>(fonts_.size() - 1);
}

void TStringAlignGridModel::setDefaultAlignment(Qt::Alignment a)
{
    defaultAlign_ = a & Qt::AlignHorizontal_Mask;
    scheduleRefresh();
}

Qt::Alignment TStringAlignGridModel::alignAt(int col, int row) const
{
    if (col >= 0 && col < colCount() && row >= storedRowCount() && row < gridRowCount())
        return colAlignment(col) | Qt::AlignVCenter;
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return defaultAlign_ | Qt::AlignVCenter;
    const Attr* a = cellAttr(col, rowMap_[static_cast<size_t>(row)]);
    if (a && a->has(Attr::HasAlign))
        return Qt::Alignment(a->align) | Qt::AlignVCenter;
    return colAlignment(col) | Qt::AlignVCenter;
}

Qt::Alignment TStringAlignGridModel::colAlignment(int col) const
{
    if (col < 0 || col >= colCount())
        return defaultAlign_;
    const Attr& d = cols_[static_cast<size_t>(col)].defaults;
    return d.has(Attr::HasAlign) ? Qt::Alignment(d.align) : defaultAlign_;
}

void TStringAlignGridModel::setColAlignment(int col, Qt::Alignment a)
{
    if (col < 0 || col >= colCount())
        return;
    Attr& d = cols_[static_cast<size_t>(col)].defaults;
    d.flags |= Attr::HasAlign;
    d.align = static_cast<uint16_t>(a & Qt::AlignHorizontal_Mask);
    scheduleRefresh();
}

void TStringAlignGridModel::setCellAlignment(int col, int row, Qt::Alignment a)
{
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return;
    Attr& at = cellAttrForWrite(col, row);
    at.flags |= Attr::HasAlign;
    at.align = static_cast<uint16_t>(a & Qt::AlignHorizontal_Mask);
    scheduleRefresh();
}

bool TStringAlignGridModel::fontAt(int col, int row, QFont& font) const
{
    if (row >= storedRowCount() && row < gridRowCount())
        return colFont(col, font);
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return false;
    const Attr* a = cellAttr(col, rowMap_[static_cast<size_t>(row)]);
    if (a && a->has(Attr::HasFont)) {
        font = fonts_[static_cast<size_t>(a->font)];
        return true;
    }
    return colFont(col, font);
}

bool TStringAlignGridModel::colFont(int col, QFont& font) const
{
    if (col < 0 || col >= colCount())
        return false;
    const Attr& d = cols_[static_cast<size_t>(col)].defaults;
    if (!d.has(Attr::HasFont))
        return false;
    font = fonts_[static_cast<size_t>(d.font)];
    return true;
}

void TStringAlignGridModel::setColFont(int col, const QFont& font)
{
    if (col < 0 || col >= colCount())
        return;
    Attr& d = cols_[static_cast<size_t>(col)].defaults;
    d.flags |= Attr::HasFont;
    d.font = static_cast<int16_t>(fontIndex(font));
    scheduleRefresh();
}

void TStringAlignGridModel::setCellFont(int col, int row, const QFont& font)
{
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return;
    Attr& a = cellAttrForWrite(col, row);
    a.flags |= Attr::HasFont;
    a.font = static_cast<int16_t>(fontIndex(font));
    scheduleRefresh();
}

namespace {
void SetColour(TStringAlignGridModel::Attr& a, uint8_t flag, QRgb& slot, const QColor& c)
{
    if (c.isValid()) {
        a.flags |= flag;
        slot = c.rgb();
    } else {
        a.flags &= static_cast<uint8_t>(~flag);
    }
}
} // namespace

QColor TStringAlignGridModel::fontColorAt(int col, int row) const
{
    if (row >= storedRowCount() && row < gridRowCount())
        return colFontColor(col);
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return {};
    const Attr* a = cellAttr(col, rowMap_[static_cast<size_t>(row)]);
    if (a && a->has(Attr::HasFontColor))
        return QColor(a->fontColor);
    return colFontColor(col);
}

QColor TStringAlignGridModel::colFontColor(int col) const
{
    if (col < 0 || col >= colCount())
        return {};
    const Attr& d = cols_[static_cast<size_t>(col)].defaults;
    return d.has(Attr::HasFontColor) ? QColor(d.fontColor) : QColor();
}

void TStringAlignGridModel::setColFontColor(int col, const QColor& c)
{
    if (col < 0 || col >= colCount())
        return;
    Attr& d = cols_[static_cast<size_t>(col)].defaults;
    SetColour(d, Attr::HasFontColor, d.fontColor, c);
    scheduleRefresh();
}

void TStringAlignGridModel::setCellFontColor(int col, int row, const QColor& c)
{
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return;
    Attr& a = cellAttrForWrite(col, row);
    SetColour(a, Attr::HasFontColor, a.fontColor, c);
    if (a.flags == 0)
        cols_[static_cast<size_t>(col)].attrs.erase(rowMap_[static_cast<size_t>(row)]);
    scheduleRefresh();
}

QColor TStringAlignGridModel::brushAt(int col, int row) const
{
    if (row >= storedRowCount() && row < gridRowCount())
        return colBrush(col);
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return {};
    const Attr* a = cellAttr(col, rowMap_[static_cast<size_t>(row)]);
    if (a && a->has(Attr::HasBrush))
        return QColor(a->brush);
    return colBrush(col);
}

QColor TStringAlignGridModel::colBrush(int col) const
{
    if (col < 0 || col >= colCount())
        return {};
    const Attr& d = cols_[static_cast<size_t>(col)].defaults;
    return d.has(Attr::HasBrush) ? QColor(d.brush) : QColor();
}

void TStringAlignGridModel::setColBrush(int col, const QColor& c)
{
    if (col < 0 || col >= colCount())
        return;
    Attr& d = cols_[static_cast<size_t>(col)].defaults;
    SetColour(d, Attr::HasBrush, d.brush, c);
    scheduleRefresh();
}

void TStringAlignGridModel::setCellBrush(int col, int row, const QColor& c)
{
    if (col < 0 || row < 0 || col >= colCount() || row >= storedRowCount())
        return;
    Attr& a = cellAttrForWrite(col, row);
    SetColour(a, Attr::HasBrush, a.brush, c);
    if (a.flags == 0)
        cols_[static_cast<size_t>(col)].attrs.erase(rowMap_[static_cast<size_t>(row)]);
    scheduleRefresh();
}

void TStringAlignGridModel::resetRowOrder()
{
    if (!permuted_)
        return;
    for (size_t r = 0; r < rowMap_.size(); ++r)
        rowMap_[r] = static_cast<int>(r);
    recordRows_.clear();
    permuted_ = false;
    refreshAll();
}

int TStringAlignGridModel::recordRow(int record) const
{
    if (record < 0 || record >= storedRowCount())
        return -1;
    if (!permuted_)
        return record;
    if (recordRows_.size() != rowMap_.size())
        recordRows_ = storageToGrid();
    return recordRows_[static_cast<size_t>(record)];
}

std::vector<int> TStringAlignGridModel::storageToGrid() const
{
    std::vector<int> inv(rowMap_.size());
    for (size_t r = 0; r < rowMap_.size(); ++r)
        inv[static_cast<size_t>(rowMap_[r])] = static_cast<int>(r);
    return inv;
}

void TStringAlignGridModel::scanDataCells(int col, const std::function<void(std::string_view, int)>& fn) const
{
    forEachDataCell(col, fn);
}

std::vector<std::pair<int, int>> TStringAlignGridModel::rowsWithCellFonts() const
{
    std::vector<std::pair<int, int>> out;
    std::vector<int> inv;
    for (const auto& col : cols_)
        for (const auto& [storageRow, a] : col.attrs)
            if (a.has(Attr::HasFont)) {
                if (inv.empty())
                    inv = storageToGrid();
                out.emplace_back(inv[static_cast<size_t>(storageRow)], a.font);
            }
    return out;
}

// ---------------------------------------------------------------- row order

void TStringAlignGridModel::normalizeRows()
{
    if (!permuted_)
        return;
    std::vector<int> inv = storageToGrid();
    for (auto& col : cols_) {
        std::vector<TGridCellText> cells(rowMap_.size());
        for (size_t r = 0; r < rowMap_.size(); ++r)
            if (static_cast<size_t>(rowMap_[r]) < col.cells.size())
                cells[r] = std::move(col.cells[static_cast<size_t>(rowMap_[r])]);
        col.cells.swap(cells);
        std::unordered_map<int, Attr> attrs;
        attrs.reserve(col.attrs.size());
        for (const auto& [storageRow, a] : col.attrs)
            attrs.emplace(inv[static_cast<size_t>(storageRow)], a);
        col.attrs.swap(attrs);
    }
    for (size_t r = 0; r < rowMap_.size(); ++r)
        rowMap_[r] = static_cast<int>(r);
    recordRows_.clear();
    permuted_ = false;
}

void TStringAlignGridModel::sortRows(const std::function<bool(int, int)>& before)
{
    if (source_)
        return; // rows made on demand keep their order
    int first = std::min(fixedRows_, gridRowCount());
    size_t n = static_cast<size_t>(gridRowCount() - first);
    if (n < 2)
        return;
    // Bottom-up merge sort of the grid rows: stable, and it never reads outside the
    // runs whatever the comparison answers (a handler need not be a strict order).
    std::vector<int> a(n), b(n);
    for (size_t i = 0; i < n; ++i)
        a[i] = first + static_cast<int>(i);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                b[k++] = before(a[j], a[i]) ? a[j++] : a[i++];
            while (i < mid)
                b[k++] = a[i++];
            while (j < hi)
                b[k++] = a[j++];
        }
        a.swap(b);
    }
    std::vector<int> map = rowMap_;
    for (size_t i = 0; i < n; ++i)
        map[static_cast<size_t>(first) + i] = rowMap_[static_cast<size_t>(a[i])];
    rowMap_.swap(map);
    recordRows_.clear();
    permuted_ = true;
    refreshAll();
}

void TStringAlignGridModel::sortRowsByColumn(int col, bool descending)
{
    if (col < 0 || col >= colCount() || source_)
        return;
    struct Key {
        int cls; // 0 blank, 1 number, 2 other text
        double value;
        std::string_view text;
    };
    int first = std::min(fixedRows_, gridRowCount());
    std::vector<Key> keys(static_cast<size_t>(gridRowCount() - first));
    for (size_t i = 0; i < keys.size(); ++i) {
        Key& k = keys[i];
        k.text = cellView(col, first + static_cast<int>(i));
        k.value = 0.0;
        if (ZelUtils::Trim(k.text).empty())
            k.cls = 0;
        else
            k.cls = CellNumber(k.text, k.value) ? 1 : 2;
    }
    auto less = [&](int r1, int r2) {
        const Key& a = keys[static_cast<size_t>(r1 - first)];
        const Key& b = keys[static_cast<size_t>(r2 - first)];
        if (a.cls != b.cls)
            return a.cls < b.cls;
        if (a.cls == 1)
            return a.value < b.value;
        return a.text < b.text; // bytes, as unsigned characters
    };
    if (descending)
        sortRows([&](int r1, int r2) { return less(r2, r1); });
    else
        sortRows(less);
}

std::string TStringAlignGridModel::exportText(char separator, const std::vector<int>& order) const
{
    std::string out;
    if (!source_) {
        size_t estimate = 0;
        for (const auto& col : cols_)
            for (const auto& cell : col.cells)
                estimate += cell.view().size() + 1;
        out.reserve(estimate + 2 * rowMap_.size());
    }
    exportPieces(
        separator,
        [&out](std::string_view piece) {
            out += piece;
            return true;
        },
        order);
    return out;
}

bool TStringAlignGridModel::exportPieces(char separator, const std::function<bool(std::string_view)>& write,
                                         const std::vector<int>& order) const
{
    std::vector<int> cols = order;
    if (cols.empty())
        for (int c = 0; c < colCount(); ++c)
            cols.push_back(c);
    // One file, one encoding. Cells keep the bytes read, UTF-8 or Windows-1252
    // (names from files of either kind): a grid holding both is written in
    // Windows-1252 when that code page has every letter, else in UTF-8, each cell
    // as the grid shows it. A grid of one kind is written as it is.
    bool legacy = false, utf8 = false, wide = false;
    for (int r = 0; r < gridRowCount() && !(legacy && wide); ++r) {
        const std::vector<std::string>* made = r >= storedRowCount() ? &sourceRow(r) : nullptr;
        for (int c : cols) {
            const std::string_view cell = !made ? cellView(c, r)
                                          : static_cast<size_t>(c) < made->size() ? (*made)[static_cast<size_t>(c)]
                                                                                   : std::string_view();
            if (TextCodec::IsAscii(cell))
                continue;
            if (!TextCodec::IsValidUtf8(cell)) {
                legacy = true;
            } else {
                utf8 = true;
                wide = wide || !TextCodec::OutsideCp1252(TextCodec::Decode(cell)).isEmpty();
            }
        }
    }
    std::string recoded;
    const auto coded = [&](std::string_view cell) -> std::string_view {
        if (!(legacy && utf8) || TextCodec::IsAscii(cell) || TextCodec::IsValidUtf8(cell) == wide)
            return cell;
        recoded = wide ? TextCodec::Decode(cell).toStdString() : TextCodec::EncodeCp1252(TextCodec::Decode(cell));
        return recoded;
    };
    constexpr size_t Piece = 1 << 20;
    std::string buf;
    buf.reserve(Piece + 4096);
    for (int r = 0; r < gridRowCount(); ++r) {
        if (r >= storedRowCount()) {
            const std::vector<std::string>& cells = sourceRow(r); // made once for all its cells
            for (int c : cols) {
                if (static_cast<size_t>(c) < cells.size())
                    DelimitedText::AppendCell(buf, coded(cells[static_cast<size_t>(c)]), separator);
                buf += separator;
            }
        } else {
            for (int c : cols) {
                DelimitedText::AppendCell(buf, coded(cellView(c, r)), separator);
                buf += separator;
            }
        }
        buf += "\r\n";
        if (buf.size() >= Piece) {
            if (!write(buf))
                return false;
            buf.clear();
        }
    }
    return buf.empty() || write(buf);
}

// ---------------------------------------------------------------- rows made on demand

void TStringAlignGridModel::setRowSource(int rows, RowSource source)
{
    beginResetModel();
    // The stored rows keep the titles only.
    const int keep = std::min(fixedRows_, storedRowCount());
    source_ = nullptr;
    sourceRows_ = 0;
    normalizeRows();
    for (auto& col : cols_) {
        col.cells.resize(static_cast<size_t>(keep));
        for (auto it = col.attrs.begin(); it != col.attrs.end();)
            it = it->first >= keep ? col.attrs.erase(it) : std::next(it);
    }
    rowMap_.resize(static_cast<size_t>(keep));
    recordRows_.clear();
    storageRows_ = keep;
    sourceCache_.clear();
    sourceNext_ = 0;
    if (source && rows > 0) {
        source_ = std::move(source);
        sourceRows_ = rows;
    }
    endResetModel();
}

void TStringAlignGridModel::dropRowSource()
{
    if (!source_)
        return;
    beginResetModel();
    source_ = nullptr;
    sourceRows_ = 0;
    sourceCache_.clear();
    sourceNext_ = 0;
    endResetModel();
}

const std::vector<std::string>& TStringAlignGridModel::sourceRow(int gridRow) const
{
    // The row made last first: a row's cells are read one after the other.
    if (!sourceCache_.empty()) {
        const SourceRow& last = sourceCache_[(sourceNext_ + sourceCache_.size() - 1) % sourceCache_.size()];
        if (last.row == gridRow)
            return last.cells;
    }
    for (const SourceRow& r : sourceCache_)
        if (r.row == gridRow)
            return r.cells;
    // A screenful and the rows a comparison or an export reads next to each other.
    constexpr size_t Kept = 256;
    if (sourceCache_.size() < Kept)
        sourceCache_.emplace_back();
    SourceRow& slot = sourceCache_[sourceNext_ % sourceCache_.size()];
    sourceNext_ = (sourceNext_ + 1) % Kept;
    slot.row = gridRow;
    slot.cells.clear();
    source_(gridRow - storedRowCount(), slot.cells);
    return slot.cells;
}

// ---------------------------------------------------------------- refresh

void TStringAlignGridModel::scheduleRefresh()
{
    // Filling sets millions of cells: the views hear of it once, when control
    // returns to the event loop.
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshPending_ = false;
            refreshAll();
        },
        Qt::QueuedConnection);
}

void TStringAlignGridModel::refreshAll()
{
    int rows = rowCount(), cols = colCount();
    if (rows > 0 && cols > 0)
        emit dataChanged(index(0, 0), index(rows - 1, cols - 1));
    if (cols > 0)
        emit headerDataChanged(Qt::Horizontal, 0, cols - 1);
}
