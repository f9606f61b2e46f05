#include "widgets/StringAlignGrid.h"
#include "model/SafeFile.h"

#include "model/FileUtils.h"
#include "model/ParallelChunks.h"

#include <QDebug>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <climits>
#include <memory>

// ---------------------------------------------------------------- header and delegate

// The title row: cells of row 0, drawn by the header so that they stay in view.
// Clicks are told apart from drags here; the draw-cell handler runs after each title.
class TStringAlignGridHeader : public QHeaderView {
public:
    explicit TStringAlignGridHeader(TStringAlignGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid)
    {
        // Not clickable for QHeaderView: a title click must not select the column.
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(0);
        connect(this, &QHeaderView::sectionResized, this, [this] {
            if (pressed_ >= 0)
                dragged_ = true;
        });
        connect(this, &QHeaderView::sectionMoved, this, [this] {
            if (pressed_ >= 0)
                dragged_ = true;
        });
    }

    QSize contentsSize(int logical) const { return sectionSizeFromContents(logical); }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logical) const override
    {
        painter->save();
        QHeaderView::paintSection(painter, rect, logical);
        painter->restore();
        if (grid_->drawCellHandler() && rect.isValid()) {
            painter->save();
            painter->setClipRect(rect);
            grid_->drawCellHandler()(grid_, logical, 0, *painter, rect);
            painter->restore();
        }
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        pressed_ = e->button() == Qt::LeftButton ? logicalIndexAt(e->position().toPoint()) : -1;
        dragged_ = false;
        QHeaderView::mousePressEvent(e);
    }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        int pressed = pressed_;
        QHeaderView::mouseReleaseEvent(e); // a drag moves its section here
        bool dragged = dragged_;
        pressed_ = -1;
        dragged_ = false;
        if (e->button() == Qt::LeftButton && pressed >= 0 && !dragged &&
            logicalIndexAt(e->position().toPoint()) == pressed)
            emit grid_->fixedColClick(pressed);
    }

private:
    TStringAlignGrid* grid_;
    int pressed_ = -1;
    bool dragged_ = false;
};

namespace {

class TStringAlignGridDelegate : public QStyledItemDelegate {
public:
    explicit TStringAlignGridDelegate(TStringAlignGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (grid_->drawCellHandler()) {
            painter->save();
            painter->setClipRect(option.rect);
            grid_->drawCellHandler()(grid_, index.column(), index.row() + grid_->FixedRows(), *painter, option.rect);
            painter->restore();
        }
    }

private:
    TStringAlignGrid* grid_;
};

} // namespace

// Text widths for fitting: per font, the advances of the ASCII characters are looked
// up once, so that measuring three million cells stays fast; other texts are
// measured whole.
class TStringAlignGrid::WidthCache {
public:
    struct Table {
        QFont font;
        QFontMetrics fm;
        int ascii[128];
        explicit Table(const QFont& f) : font(f), fm(f)
        {
            for (int c = 0; c < 128; ++c)
                ascii[c] = c < 32 ? 0 : fm.horizontalAdvance(QChar(c));
        }
        int width(std::string_view text) const
        {
            int w = 0;
            return asciiWidth(text, w) ? w : exact(text);
        }
        // The sum of the characters' widths, without the font; false (w meaning
        // nothing) for a text with a character beyond ASCII.
        bool asciiWidth(std::string_view text, int& w) const
        {
            w = 0;
            for (char ch : text) {
                auto c = static_cast<unsigned char>(ch);
                if (c >= 128)
                    return false;
                w += ascii[c];
            }
            return true;
        }
        int exact(std::string_view text) const
        {
            return fm.horizontalAdvance(TStringAlignGridModel::toDisplay(text));
        }
    };

    const Table& get(const QFont& f)
    {
        for (const auto& t : tables_)
            if (t->font == f)
                return *t;
        tables_.push_back(std::make_unique<Table>(f));
        return *tables_.back();
    }

private:
    std::vector<std::unique_ptr<Table>> tables_;
};

// ---------------------------------------------------------------- grid

TStringAlignGrid::TStringAlignGrid(QWidget* parent) : QTableView(parent)
{
    model_ = new TStringAlignGridModel(this);
    header_ = new TStringAlignGridHeader(this);
    setHorizontalHeader(header_);
    setModel(model_);
    setItemDelegate(new TStringAlignGridDelegate(this));

    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);

    viewport()->setMouseTracking(true);
    header_->viewport()->setMouseTracking(true);
    viewport()->installEventFilter(this);
    header_->viewport()->installEventFilter(this);
    connect(header_, &QHeaderView::sectionMoved, this, &TStringAlignGrid::onSectionMoved);

    SetDefaultColWidth(64);
    SetDefaultRowHeight(fontMetrics().height() + cellPadding());
}

TStringAlignGrid::~TStringAlignGrid() = default;

int TStringAlignGrid::cellPadding() const
{
    return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this) + 1) + 2;
}

void TStringAlignGrid::setCell(int col, int row, std::string_view text)
{
    Ready();
    if (!model_->setCell(col, row, text))
        qWarning("TStringAlignGrid: cell (%d, %d) is outside the grid (%d x %d)", col, row, ColCount(), RowCount());
}

void TStringAlignGrid::ClearCells()
{
    Ready();
    model_->clearCells();
}

void TStringAlignGrid::SetColCount(int n)
{
    Ready();
    model_->setColCount(n);
}

void TStringAlignGrid::SetRowCount(int n)
{
    Ready();
    model_->setGridRowCount(std::max(n, 0));
}

void TStringAlignGrid::DeferFill(std::function<void()> fill, bool inSightToo)
{
    Ready();
    deferredFill_ = std::move(fill);
    if (isVisible() && !inSightToo)
        Ready();
}

void TStringAlignGrid::RunDeferredFill() const
{
    // Taken out first: the fill writes through the same calls that run it.
    std::function<void()> fill = std::move(deferredFill_);
    deferredFill_ = nullptr;
    fill();
}

void TStringAlignGrid::showEvent(QShowEvent* event)
{
    Ready();
    QTableView::showEvent(event);
}

void TStringAlignGrid::SetFixedRows(int n)
{
    Ready();
    std::vector<int> w = widths();
    model_->setFixedRows(n);
    applyWidths(w); // a reset of the model forgets the widths
    header_->setVisible(model_->fixedRows() > 0);
}

void TStringAlignGrid::SetFixedCols(int n)
{
    Ready();
    model_->setFixedCols(n);
}

int TStringAlignGrid::ColWidths(int col) const
{
    Ready();
    if (col < 0 || col >= ColCount())
        return 0;
    return header_->sectionSize(col);
}

void TStringAlignGrid::SetColWidths(int col, int width)
{
    Ready();
    if (col >= 0 && col < ColCount())
        header_->resizeSection(col, std::max(width, 0));
}

int TStringAlignGrid::RowHeights(int row) const
{
    Ready();
    if (row < 0 || row >= RowCount())
        return 0;
    if (row < FixedRows())
        return header_->isVisible() ? header_->height() : header_->sizeHint().height();
    return verticalHeader()->sectionSize(row - FixedRows());
}

void TStringAlignGrid::SetRowHeights(int row, int height)
{
    Ready();
    if (row < 0 || row >= RowCount())
        return;
    if (row < FixedRows())
        header_->setFixedHeight(std::max(height, 1));
    else
        verticalHeader()->resizeSection(row - FixedRows(), std::max(height, 1));
}

int TStringAlignGrid::DefaultColWidth() const
{
    Ready();
    return header_->defaultSectionSize();
}

void TStringAlignGrid::SetDefaultColWidth(int width)
{
    Ready();
    header_->setDefaultSectionSize(std::max(width, 0));
}

int TStringAlignGrid::DefaultRowHeight() const
{
    Ready();
    return verticalHeader()->defaultSectionSize();
}

void TStringAlignGrid::SetDefaultRowHeight(int height)
{
    Ready();
    verticalHeader()->setDefaultSectionSize(std::max(height, 1));
}

QFont TStringAlignGrid::FontCol(int col) const
{
    QFont f = font();
    model_->colFont(col, f);
    return f;
}

QFont TStringAlignGrid::FontCell(int col, int row) const
{
    Ready();
    QFont f = font();
    model_->fontAt(col, row, f);
    return f;
}

QColor TStringAlignGrid::FontColorCol(int col) const
{
    QColor c = model_->colFontColor(col);
    return c.isValid() ? c : palette().color(QPalette::Text);
}

QColor TStringAlignGrid::FontColorCell(int col, int row) const
{
    Ready();
    QColor c = model_->fontColorAt(col, row);
    if (c.isValid())
        return c;
    return palette().color(row < FixedRows() || col < FixedCols() ? QPalette::ButtonText : QPalette::Text);
}

QColor TStringAlignGrid::ColorCell(int col, int row) const
{
    Ready();
    QColor c = model_->brushAt(col, row);
    if (c.isValid())
        return c;
    return palette().color(row < FixedRows() || col < FixedCols() ? QPalette::Button : QPalette::Base);
}

// ---------------------------------------------------------------- selection and mouse

int TStringAlignGrid::Col() const
{
    QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : -1;
}

int TStringAlignGrid::Row() const
{
    QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + FixedRows() : -1;
}

TGridRect TStringAlignGrid::Selection() const
{
    const QItemSelection sel = selectionModel()->selection();
    if (sel.isEmpty()) {
        int c = Col(), r = Row();
        if (c < 0 || r < 0)
            return {};
        return {c, r, c, r};
    }
    TGridRect g{INT_MAX, INT_MAX, -1, -1};
    for (const QItemSelectionRange& range : sel) {
        g.Left = std::min(g.Left, range.left());
        g.Top = std::min(g.Top, range.top());
        g.Right = std::max(g.Right, range.right());
        g.Bottom = std::max(g.Bottom, range.bottom());
    }
    g.Top += FixedRows();
    g.Bottom += FixedRows();
    return g;
}

void TStringAlignGrid::SetSelection(const TGridRect& r)
{
    int fixed = FixedRows();
    int left = std::clamp(std::min(r.Left, r.Right), 0, ColCount() - 1);
    int right = std::clamp(std::max(r.Left, r.Right), 0, ColCount() - 1);
    int top = std::clamp(std::min(r.Top, r.Bottom), fixed, RowCount() - 1);
    int bottom = std::clamp(std::max(r.Top, r.Bottom), fixed, RowCount() - 1);
    QModelIndex tl = model_->index(top - fixed, left);
    QModelIndex br = model_->index(bottom - fixed, right);
    if (!tl.isValid() || !br.isValid()) {
        clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(br, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(tl, br), QItemSelectionModel::ClearAndSelect);
}

void TStringAlignGrid::MouseToCell(int x, int y, int& col, int& row) const
{
    Ready();
    col = row = -1;
    QPoint p(x, y);
    if (FixedRows() > 0 && header_->isVisible() && header_->geometry().contains(p)) {
        int c = header_->logicalIndexAt(header_->viewport()->mapFrom(this, p));
        if (c >= 0) {
            col = c;
            row = 0;
        }
        return;
    }
    if (!viewport()->geometry().contains(p))
        return;
    QModelIndex i = indexAt(viewport()->mapFrom(this, p));
    if (!i.isValid())
        return;
    col = i.column();
    row = i.row() + FixedRows();
}

void TStringAlignGrid::Invalidate()
{
    viewport()->update();
    header_->viewport()->update();
}

bool TStringAlignGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport() || watched == header_->viewport()) {
        auto* w = static_cast<QWidget*>(watched);
        switch (event->type()) {
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            QPoint p = w->mapTo(this, e->position().toPoint());
            emit mouseMoved(e->modifiers(), p.x(), p.y());
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // The second press of a double click is a press too, then the double click.
            auto* e = static_cast<QMouseEvent*>(event);
            QPoint p = w->mapTo(this, e->position().toPoint());
            emit mousePressed(e->button(), e->modifiers(), p.x(), p.y());
            if (event->type() == QEvent::MouseButtonDblClick)
                emit dblClicked();
            break;
        }
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

// ---------------------------------------------------------------- sorting and moving

void TStringAlignGrid::SortColumn(int col, bool descending)
{
    Ready();
    if (col < 0 || col >= ColCount())
        return;
    if (compare_) {
        CompareHandler handler = compare_;
        model_->sortRows([&](int r1, int r2) {
            int result = handler(this, col, r1, r2);
            return descending ? result == CompareAfter : result == CompareBefore;
        });
    } else {
        model_->sortRowsByColumn(col, descending);
    }
}

bool TStringAlignGrid::ColMoving() const { return header_->sectionsMovable(); }

void TStringAlignGrid::SetColMoving(bool on)
{
    header_->setSectionsMovable(on);
    header_->setFirstSectionMovable(on);
}

std::vector<int> TStringAlignGrid::widths() const
{
    std::vector<int> w(static_cast<size_t>(ColCount()));
    for (int c = 0; c < ColCount(); ++c)
        w[static_cast<size_t>(c)] = header_->sectionSize(c);
    return w;
}

void TStringAlignGrid::applyWidths(const std::vector<int>& w)
{
    for (int c = 0; c < ColCount() && c < static_cast<int>(w.size()); ++c)
        header_->resizeSection(c, w[static_cast<size_t>(c)]);
}

void TStringAlignGrid::onSectionMoved(int logical, int oldVisual, int newVisual)
{
    (void)logical;
    if (resettingOrder_)
        return;
    // Only the header's order changes: a column keeps its number, its cells and its
    // settings, so whatever writes by column number writes under its own title.
    emit columnMoved(oldVisual, newVisual);
}

void TStringAlignGrid::MoveColumn(int from, int to)
{
    Ready();
    if (from < 0 || to < 0 || from >= ColCount() || to >= ColCount() || from == to)
        return;
    header_->moveSection(from, to); // reported by onSectionMoved
}

void TStringAlignGrid::ResetOrder()
{
    // A fill put off stays put off: it writes by record, whatever the order.
    model_->resetRowOrder();
    // Not a move of the user's: nobody is told.
    resettingOrder_ = true;
    for (int c = 0; c < ColCount(); ++c)
        if (header_->visualIndex(c) != c)
            header_->moveSection(header_->visualIndex(c), c);
    resettingOrder_ = false;
}

int TStringAlignGrid::ColAtPosition(int pos) const
{
    return pos >= 0 && pos < ColCount() ? header_->logicalIndex(pos) : -1;
}

int TStringAlignGrid::PositionOfCol(int col) const
{
    return col >= 0 && col < ColCount() ? header_->visualIndex(col) : -1;
}

std::vector<int> TStringAlignGrid::ColumnOrder() const
{
    std::vector<int> order(static_cast<size_t>(ColCount()));
    for (int v = 0; v < ColCount(); ++v)
        order[static_cast<size_t>(v)] = header_->logicalIndex(v);
    return order;
}

// ---------------------------------------------------------------- export and fitting

bool TStringAlignGrid::GridTextExport(const std::string& fileName, char separator) const
{
    Ready();
    // Written as it is made: a listing of millions of rows is never held whole.
    const std::vector<int> order = ColumnOrder();
    return SafeFile::WritePieces(fileName,
                                 [this, separator, &order](const std::function<bool(std::string_view)>& write) {
                                     return model_->exportPieces(separator, write, order);
                                 });
}

void TStringAlignGrid::fitColWidth(int col, WidthCache& cache)
{
    QFont colFont = font();
    model_->colFont(col, colFont);
    const WidthCache::Table& colTable = cache.get(colFont);
    const auto& pool = model_->fontPool();
    int widest = 0;
    std::string_view widestText;
    const WidthCache::Table* widestTable = nullptr;
    model_->scanDataCells(col, [&](std::string_view text, int fontIndex) {
        const WidthCache::Table& t = fontIndex < 0 ? colTable : cache.get(pool[static_cast<size_t>(fontIndex)]);
        int w = t.width(text);
        if (w > widest) {
            widest = w;
            widestText = text;
            widestTable = &t;
        }
    });
    // Character sums ignore kerning: measure the widest text whole as well.
    if (widestTable)
        widest = std::max(widest, widestTable->exact(widestText));
    setFittedWidth(col, widestTable ? widest : -1);
}

void TStringAlignGrid::setFittedWidth(int col, int textWidth)
{
    int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
    int width = textWidth >= 0 ? textWidth + margin : 0;
    if (FixedRows() > 0 && RowCount() > 0)
        width = std::max(width, header_->contentsSize(col).width());
    SetColWidths(col, std::max(width, 8));
}

void TStringAlignGrid::FitColWidth(int col)
{
    Ready();
    if (col < 0 || col >= ColCount())
        return;
    WidthCache cache;
    fitColWidth(col, cache);
}

void TStringAlignGrid::FitColWidths()
{
    Ready();
    WidthCache cache;
    const int cols = ColCount();
    constexpr int64_t LargeGrid = 32768; // cells
    if (int64_t(cols) * std::max(RowCount() - FixedRows(), 0) < LargeGrid || cols < 2) {
        for (int c = 0; c < cols; ++c)
            fitColWidth(c, cache);
        return;
    }
    // A large grid's columns are measured by a few threads, as fitColWidth does
    // it, from tables of character widths made here beforehand: the threads only
    // read the tables and the cells. A text with a character beyond ASCII needs
    // the font itself, which only this thread may use: its column is measured
    // here afterwards, as a whole.
    std::vector<const WidthCache::Table*> colTables(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) {
        QFont colFont = font();
        model_->colFont(c, colFont);
        colTables[static_cast<size_t>(c)] = &cache.get(colFont);
    }
    std::vector<const WidthCache::Table*> poolTables;
    for (const QFont& f : model_->fontPool())
        poolTables.push_back(&cache.get(f));
    struct Widest {
        int width = 0;
        std::string_view text;
        const WidthCache::Table* table = nullptr;
        bool ascii = true;
    };
    std::vector<Widest> widest(static_cast<size_t>(cols));
    Parallel::ForChunks(cols, 3, [&](int c) {
        Widest& w = widest[static_cast<size_t>(c)];
        const WidthCache::Table& colTable = *colTables[static_cast<size_t>(c)];
        model_->forEachDataCell(c, [&](std::string_view text, int fontIndex) {
            if (!w.ascii)
                return;
            const WidthCache::Table& t = fontIndex < 0 ? colTable : *poolTables[static_cast<size_t>(fontIndex)];
            int width = 0;
            if (!t.asciiWidth(text, width)) {
                w.ascii = false;
                return;
            }
            if (width > w.width) {
                w.width = width;
                w.text = text;
                w.table = &t;
            }
        });
    });
    for (int c = 0; c < cols; ++c) {
        const Widest& w = widest[static_cast<size_t>(c)];
        if (!w.ascii) {
            fitColWidth(c, cache);
            continue;
        }
        // Character sums ignore kerning: measure the widest text whole as well.
        setFittedWidth(c, w.table ? std::max(w.width, w.table->exact(w.text)) : -1);
    }
}

void TStringAlignGrid::FitRowHeights()
{
    Ready();
    int pad = cellPadding();
    int base = fontMetrics().height() + pad;
    for (int c = 0; c < ColCount(); ++c) {
        QFont f;
        if (model_->colFont(c, f))
            base = std::max(base, QFontMetrics(f).height() + pad);
    }
    SetDefaultRowHeight(base); // every data row back to the common height
    const auto& pool = model_->fontPool();
    for (const auto& [row, fontIndex] : model_->rowsWithCellFonts()) {
        if (row < FixedRows())
            continue;
        int h = QFontMetrics(pool[static_cast<size_t>(fontIndex)]).height() + pad;
        if (h > RowHeights(row))
            SetRowHeights(row, h);
    }
    // The title row takes the height its contents ask for.
    header_->setMinimumHeight(0);
    header_->setMaximumHeight(QWIDGETSIZE_MAX);
    header_->updateGeometry();
}
