#include "map/LabelStore.h"

#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

// The region of a convex polygon with integer corners holds exactly the pixels
// whose top-left corner lies inside it, taking the polygon's left and top edges
// in and its right and bottom edges out: row y holds the pixels from the ceiling
// of the left edge's crossing of the line y to before the ceiling of the right
// edge's (scan conversion with exact integer steps). MakeRows works that out; the
// tests hold the store's answers against those of the regions themselves.
//
// Two quick tests rest on that, with room to spare, before rows are compared.
// Two boxes separated along some edge normal share no pixel, as a shared pixel's
// corner would lie in both; the margin keeps even pixel centres (within 0.71 px
// of every pixel of a region) apart.
constexpr double ApartMargin = 2.0;
// Within 0.71 px of any point lies a pixel corner, so a point this deep inside
// both boxes has a pixel that both regions hold.
constexpr double InnerDepth = 2.0;
// Corners beyond this many pixels from the origin are left to the regions, so
// that integer products stay exact; so are boxes larger than a label can be.
constexpr int GeometryLimit = 1 << 24;
constexpr int SpanLimit = 1 << 13;

bool InRange(const QPoint* c)
{
    for (int k = 0; k < 4; ++k)
        if (c[k].x() > GeometryLimit || c[k].x() < -GeometryLimit || c[k].y() > GeometryLimit ||
            c[k].y() < -GeometryLimit)
            return false;
    return true;
}

int64_t Cross(const QPoint& a, const QPoint& b, const QPoint& c)
{
    return int64_t(b.x() - a.x()) * (c.y() - b.y()) - int64_t(b.y() - a.y()) * (c.x() - b.x());
}

// Whether the corners turn the same way at every corner, none straight: a convex
// quadrilateral of positive area.
bool Convex(const QPoint* c)
{
    int positive = 0, negative = 0;
    for (int k = 0; k < 4; ++k) {
        const int64_t t = Cross(c[k], c[(k + 1) & 3], c[(k + 2) & 3]);
        positive += t > 0;
        negative += t < 0;
    }
    return positive == 4 || negative == 4;
}

// Whether an edge of a or b separates the two convex quadrilaterals by more than
// ApartMargin pixels.
bool Apart(const QPoint* a, const QPoint* b)
{
    for (int side = 0; side < 2; ++side) {
        const QPoint* p = side == 0 ? a : b;
        for (int i = 0; i < 4; ++i) {
            const int64_t ex = p[(i + 1) & 3].x() - p[i].x(), ey = p[(i + 1) & 3].y() - p[i].y();
            if (ex == 0 && ey == 0)
                continue;
            int64_t minA = INT64_MAX, maxA = INT64_MIN, minB = INT64_MAX, maxB = INT64_MIN;
            for (int k = 0; k < 4; ++k) {
                const int64_t va = ex * a[k].y() - ey * a[k].x(), vb = ex * b[k].y() - ey * b[k].x();
                minA = std::min(minA, va);
                maxA = std::max(maxA, va);
                minB = std::min(minB, vb);
                maxB = std::max(maxB, vb);
            }
            const int64_t gap = std::max(minB - maxA, minA - maxB);
            if (gap > 0 && double(gap) * double(gap) > ApartMargin * ApartMargin * double(ex * ex + ey * ey))
                return true;
        }
    }
    return false;
}

// Whether two convex quadrilaterals (x, y pairs) meet: no edge normal separates them.
bool Meet(const double* a, const double* b)
{
    for (int side = 0; side < 2; ++side) {
        const double* p = side == 0 ? a : b;
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) & 3;
            const double ex = p[2 * j] - p[2 * i], ey = p[2 * j + 1] - p[2 * i + 1];
            double minA = INFINITY, maxA = -INFINITY, minB = INFINITY, maxB = -INFINITY;
            for (int k = 0; k < 4; ++k) {
                const double va = ex * a[2 * k + 1] - ey * a[2 * k], vb = ex * b[2 * k + 1] - ey * b[2 * k];
                minA = std::min(minA, va);
                maxA = std::max(maxA, va);
                minB = std::min(minB, vb);
                maxB = std::max(maxB, vb);
            }
            if (maxA < minB || maxB < minA)
                return false;
        }
    }
    return true;
}

void RowRange(const QPoint* c, int& y0, int& y1)
{
    y0 = std::min({c[0].y(), c[1].y(), c[2].y(), c[3].y()});
    y1 = std::max({c[0].y(), c[1].y(), c[2].y(), c[3].y()});
}

// The crossings of one edge with the rows it spans, x(y) = a.x + ceil(dx (y -
// a.y) / dy), walked with exact integer steps (a quotient and a remainder)
// instead of a division per row; into every second slot from out.
void EdgeRows(QPoint a, QPoint b, int y0, int32_t* out)
{
    const int64_t dx = int64_t(b.x()) - a.x(), dy = int64_t(b.y()) - a.y(); // dy > 0
    int64_t dq = dx / dy, dr = dx % dy;
    if (dr < 0) {
        dr += dy;
        --dq;
    }
    int64_t x = a.x(), r = 0;
    out += 2 * (a.y() - y0);
    for (int y = a.y(); y < b.y(); ++y, out += 2) {
        *out = int32_t(x + (r != 0));
        x += dq;
        r += dr;
        const bool carry = r >= dy;
        x += carry;
        r -= carry ? dy : 0;
    }
}

// The corners of a quadrilateral that lie highest and lowest (the first of equals).
std::pair<int, int> TopAndBottom(const QPoint* c)
{
    int top = 0, bottom = 0;
    for (int k = 1; k < 4; ++k) {
        if (c[k].y() < c[top].y())
            top = k;
        if (c[k].y() > c[bottom].y())
            bottom = k;
    }
    return {top, bottom};
}

// The pixels of every row of a convex quadrilateral: [x0, x1) of row y0 + r go
// to out[2r], out[2r + 1] (x0 >= x1 for a row without pixels). From the top
// corner to the bottom one, each way round the quadrilateral meets every row
// once, on one edge (an edge holds the row of its upper end, not of its lower).
void MakeRows(const QPoint* c, int y0, int rows, int32_t* out)
{
    const auto [top, bottom] = TopAndBottom(c);
    for (int side = 0; side < 2; ++side) {
        const int step = side == 0 ? 1 : 3; // forwards, backwards
        for (int k = top; k != bottom; k = (k + step) & 3) {
            const QPoint& a = c[k];
            const QPoint& b = c[(k + step) & 3];
            if (b.y() > a.y())
                EdgeRows(a, b, y0, out + side);
        }
    }
    for (int k = 0; k < rows; ++k, out += 2)
        if (out[0] > out[1])
            std::swap(out[0], out[1]);
}

// Row y of a convex quadrilateral alone, [x0, x1), as MakeRows makes it: the
// crossing of each way round at that row, x = a.x + ceil(dx (y - a.y) / dy).
void RowAt(const QPoint* c, int y, int32_t& x0, int32_t& x1)
{
    const auto [top, bottom] = TopAndBottom(c);
    int32_t x[2] = {0, 0};
    for (int side = 0; side < 2; ++side) {
        const int step = side == 0 ? 1 : 3;
        for (int k = top; k != bottom; k = (k + step) & 3) {
            const QPoint& a = c[k];
            const QPoint& b = c[(k + step) & 3];
            if (b.y() > a.y() && a.y() <= y && y < b.y()) {
                const int64_t dy = int64_t(b.y()) - a.y(), t = (int64_t(b.x()) - a.x()) * (int64_t(y) - a.y());
                int64_t q = t / dy, r = t % dy;
                if (r < 0) {
                    r += dy;
                    --q;
                }
                x[side] = int32_t(a.x() + q + (r != 0));
                break;
            }
        }
    }
    x0 = std::min(x[0], x[1]);
    x1 = std::max(x[0], x[1]);
}

int RowCount(const QPoint* c, int& y0)
{
    int y1;
    RowRange(c, y0, y1);
    return y1 - y0;
}

// Whether two boxes' rows, from rows ay0 and by0, share a pixel.
bool RowsMeet(const int32_t* a, int ay0, int an, const int32_t* b, int by0, int bn)
{
    const int y0 = std::max(ay0, by0), y1 = std::min(ay0 + an, by0 + bn);
    a += 2 * (y0 - ay0);
    b += 2 * (y0 - by0);
    for (int y = y0; y < y1; ++y, a += 2, b += 2)
        if (std::max(a[0], b[0]) < std::min(a[1], b[1]))
            return true; // an empty row's x0 >= x1 never passes
    return false;
}

// The same between a box's rows and a rectangle's pixels.
bool RowsMeetRect(const int32_t* a, int ay0, int an, const QRect& r)
{
    const int y0 = std::max(ay0, r.top()), y1 = std::min(ay0 + an, r.bottom() + 1);
    const int x0 = r.left(), x1 = r.right() + 1;
    a += 2 * (y0 - ay0);
    for (int y = y0; y < y1; ++y, a += 2)
        if (std::max(a[0], x0) < std::min(a[1], x1))
            return true;
    return false;
}

// Whether the region of a convex quadrilateral holds any pixel.
bool HasPixels(const QPoint* c)
{
    int y0;
    const int rows = RowCount(c, y0);
    std::vector<int32_t> spans(2 * size_t(std::max(rows, 0)));
    MakeRows(c, y0, rows, spans.data());
    for (int k = 0; k < rows; ++k)
        if (spans[2 * k] < spans[2 * k + 1])
            return true;
    return false;
}

// The rectangle from (x0, y0) up to (x1, y1) excluded, no wider or taller than
// 2^30 (from its top-left corner), so that its width and height fit an int.
QRect SpanRect(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    constexpr int64_t Limit = int64_t(1) << 30;
    return QRect(int(x0), int(y0), int(std::min(x1 - x0, Limit)), int(std::min(y1 - y0, Limit)));
}

// The rectangle between the extremes of an upright box's corners.
QRect UprightRect(const QPoint* c)
{
    return SpanRect(std::min(c[0].x(), c[2].x()), std::min(c[0].y(), c[2].y()), std::max(c[0].x(), c[2].x()),
                    std::max(c[0].y(), c[2].y()));
}

} // namespace

QRegion TLabelStore::BoxRegion(const QPoint* c)
{
    const bool upright = (c[0].y() == c[1].y() && c[1].x() == c[2].x() && c[2].y() == c[3].y() && c[3].x() == c[0].x()) ||
                         (c[0].x() == c[1].x() && c[1].y() == c[2].y() && c[2].x() == c[3].x() && c[3].y() == c[0].y());
    if (upright)
        return QRegion(UprightRect(c));
    QPolygon polygon(5);
    for (int k = 0; k < 4; ++k)
        polygon[k] = c[k];
    polygon[4] = c[0];
    return QRegion(polygon, Qt::OddEvenFill);
}

const QRegion& TLabelStore::TShape::Region() const
{
    if (!hasRegion) {
        region = kind == TKind::Rect ? QRegion(bounds) : BoxRegion(corner);
        hasRegion = true;
    }
    return region;
}

bool TLabelStore::TShape::Deep() const
{
    if (innerState != 0)
        return innerState == 1;
    innerState = 2;
    if (!geometry || kind == TKind::Region)
        return false;
    const QPoint* c = corner;
    const double sign = Cross(c[0], c[1], c[2]) > 0 ? 1.0 : -1.0;
    // Each edge's line moved InnerDepth inwards: n . p = h, n the inward unit normal.
    double nx[4], ny[4], h[4];
    for (int i = 0; i < 4; ++i) {
        const double ex = c[(i + 1) & 3].x() - c[i].x(), ey = c[(i + 1) & 3].y() - c[i].y();
        const double len = std::sqrt(ex * ex + ey * ey);
        if (len == 0)
            return false;
        nx[i] = -sign * ey / len;
        ny[i] = sign * ex / len;
        h[i] = nx[i] * c[i].x() + ny[i] * c[i].y() + InnerDepth;
    }
    for (int k = 0; k < 4; ++k) { // the corner where the moved lines of edges k-1 and k cross
        const int p = (k + 3) & 3;
        const double det = nx[p] * ny[k] - ny[p] * nx[k];
        if (std::abs(det) < 1e-9)
            return false;
        inner[2 * k] = (h[p] * ny[k] - ny[p] * h[k]) / det;
        inner[2 * k + 1] = (nx[p] * h[k] - h[p] * nx[k]) / det;
    }
    // Valid when every corner is InnerDepth inside every edge and the corners still
    // turn the same way: the whole quadrilateral then lies that deep inside.
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 4; ++i)
            if (nx[i] * inner[2 * k] + ny[i] * inner[2 * k + 1] < h[i] - 1e-6)
                return false;
        const int j = (k + 1) & 3, l = (k + 2) & 3;
        const double turn = (inner[2 * j] - inner[2 * k]) * (inner[2 * l + 1] - inner[2 * j + 1]) -
                            (inner[2 * j + 1] - inner[2 * k + 1]) * (inner[2 * l] - inner[2 * j]);
        if (!(turn * sign > 1e-9))
            return false;
    }
    innerState = 1;
    return true;
}

bool TLabelStore::MakeShape(const QPoint* c, TShape& shape)
{
    const bool upright = (c[0].y() == c[1].y() && c[1].x() == c[2].x() && c[2].y() == c[3].y() && c[3].x() == c[0].x()) ||
                         (c[0].x() == c[1].x() && c[1].y() == c[2].y() && c[2].x() == c[3].x() && c[3].y() == c[0].y());
    if (upright) { // the region is this rectangle, as BoxRegion makes it
        const QRect r = UprightRect(c);
        if (r.isEmpty())
            return false;
        shape.kind = TKind::Rect;
        shape.bounds = r;
        std::copy(c, c + 4, shape.corner);
        shape.geometry = InRange(c);
        shape.spans = shape.geometry && r.width() <= SpanLimit && r.height() <= SpanLimit;
        return true;
    }
    if (InRange(c) && Convex(c)) {
        int x0 = c[0].x(), x1 = x0, y0 = c[0].y(), y1 = y0;
        for (int k = 1; k < 4; ++k) {
            x0 = std::min(x0, c[k].x());
            x1 = std::max(x1, c[k].x());
            y0 = std::min(y0, c[k].y());
            y1 = std::max(y1, c[k].y());
        }
        shape.kind = TKind::Quad;
        // The region's pixels have their centres within 0.71 px of the corners' span.
        shape.bounds = QRect(QPoint(x0 - 2, y0 - 2), QPoint(x1 + 1, y1 + 1));
        std::copy(c, c + 4, shape.corner);
        shape.geometry = true;
        shape.spans = x1 - x0 <= SpanLimit && y1 - y0 <= SpanLimit;
        return true;
    }
    // Folded or far away: the region alone can tell.
    return MakeShape(BoxRegion(c), shape);
}

bool TLabelStore::MakeShape(const QRegion& region, TShape& shape)
{
    if (region.isEmpty())
        return false;
    shape.bounds = region.boundingRect();
    shape.region = region;
    shape.hasRegion = true;
    if (region.rectCount() == 1) {
        const QRect& r = shape.bounds;
        // Corners past the int range stand at its end (geometry leaves them alone).
        const int x1 = int(std::min<int64_t>(int64_t(r.x()) + r.width(), INT32_MAX));
        const int y1 = int(std::min<int64_t>(int64_t(r.y()) + r.height(), INT32_MAX));
        shape.kind = TKind::Rect;
        shape.corner[0] = QPoint(r.x(), r.y());
        shape.corner[1] = QPoint(x1, r.y());
        shape.corner[2] = QPoint(x1, y1);
        shape.corner[3] = QPoint(r.x(), y1);
        shape.geometry = InRange(shape.corner);
        shape.spans = shape.geometry && r.width() <= SpanLimit && r.height() <= SpanLimit;
    } else {
        shape.kind = TKind::Region;
    }
    return true;
}

void TLabelStore::Clear()
{
    if (offersOnly_ && !offers_.empty()) {
        if (source_ >= 0) {
            passes_[size_t(source_)].swap(offers_); // the same layer drawn again
        } else if (passes_.size() < MaxPasses) {
            passes_.push_back(std::move(offers_));
        } else {
            passes_[nextPass_].swap(offers_);
            nextPass_ = (nextPass_ + 1) % MaxPasses;
        }
    }
    offers_.clear();
    source_ = -1;
    following_ = false;
    offersOnly_ = true;
    shapes_.clear();
    bounds_.clear();
    if (cells_.size() > 4096)
        cells_.assign(1024, TCell());
    else
        std::fill(cells_.begin(), cells_.end(), TCell());
    usedCells_ = 0;
    links_.clear();
    oversize_.clear();
    seen_.clear();
    query_ = 0;
    spans_.clear();
    queryRowsOf_ = 0;
    regionTests_ = 0;
    for (const int32_t row : coverRows_) {
        std::fill_n(cover_.begin() + ptrdiff_t(row) * coverWords_, coverWords_, uint64_t(0));
        rowCovered_[size_t(row)] = 0;
    }
    coverRows_.clear();
    covered_ = 0;
}

void TLabelStore::ChangeArea(const QRect& area)
{
    area_ = QRect();
    coverWords_ = 0;
    cover_.clear();
    coverRows_.clear();
    rowCovered_.clear();
    covered_ = 0;
    if (area.isEmpty() || int64_t(area.width()) * area.height() > MaxAreaPixels)
        return;
    area_ = area;
    coverWords_ = (area.width() + 63) / 64;
    cover_.assign(size_t(coverWords_) * size_t(area.height()), 0);
    rowCovered_.assign(size_t(area.height()), 0);
    covered_ = 0;
}

void TLabelStore::CoverRow(int y, int x0, int x1) const
{
    if (y < area_.top() || y > area_.bottom())
        return;
    const int a = std::max(x0, area_.left()) - area_.left(), b = std::min(x1, area_.right() + 1) - area_.left();
    if (a >= b)
        return;
    const int row = y - area_.top();
    if (!rowCovered_[size_t(row)]) {
        rowCovered_[size_t(row)] = 1;
        coverRows_.push_back(row);
    }
    uint64_t* words = cover_.data() + ptrdiff_t(row) * coverWords_;
    const int wa = a >> 6, wb = (b - 1) >> 6;
    const uint64_t first = ~uint64_t(0) << (a & 63), last = ~uint64_t(0) >> (63 - ((b - 1) & 63));
    if (wa == wb) {
        words[wa] |= first & last;
        return;
    }
    words[wa] |= first;
    for (int w = wa + 1; w < wb; ++w)
        words[w] = ~uint64_t(0);
    words[wb] |= last;
}

void TLabelStore::Cover(const TShape& shape) const
{
    if (area_.isEmpty() || !shape.bounds.intersects(area_))
        return;
    if (shape.kind == TKind::Rect) {
        const QRect r = shape.bounds & area_;
        for (int y = r.top(); y <= r.bottom(); ++y)
            CoverRow(y, r.left(), r.right() + 1);
    } else if (shape.kind == TKind::Quad && shape.spans) {
        int y0;
        const int n = RowCount(shape.corner, y0);
        const int32_t* rows = StoredRows(shape);
        for (int k = 0; k < n; ++k)
            if (rows[2 * k] < rows[2 * k + 1])
                CoverRow(y0 + k, rows[2 * k], rows[2 * k + 1]);
    } else {
        for (const QRect& r : shape.Region()) {
            const QRect c = r & area_;
            for (int y = c.top(); y <= c.bottom(); ++y)
                CoverRow(y, c.left(), c.right() + 1);
        }
    }
}

bool TLabelStore::Covered(const TShape& query) const
{
    // Pixels [x0, x1) of row y, all within the area.
    auto any = [this](int y, int x0, int x1) {
        const uint64_t* words = cover_.data() + ptrdiff_t(y - area_.top()) * coverWords_;
        const int a = x0 - area_.left(), b = x1 - area_.left();
        const int wa = a >> 6, wb = (b - 1) >> 6;
        const uint64_t first = ~uint64_t(0) << (a & 63), last = ~uint64_t(0) >> (63 - ((b - 1) & 63));
        if (wa == wb)
            return (words[wa] & first & last) != 0;
        if (words[wa] & first)
            return true;
        for (int w = wa + 1; w < wb; ++w)
            if (words[w])
                return true;
        return (words[wb] & last) != 0;
    };
    if (query.kind == TKind::Rect) {
        const QRect& r = query.bounds;
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (rowCovered_[size_t(y - area_.top())] && any(y, r.left(), r.right() + 1))
                return true;
        return false;
    }
    int y0;
    const int n = RowCount(query.corner, y0);
    // A box left out mostly lies over a kept one: a few rows across its middle
    // tell that before all of its rows are made.
    for (const int k : {n / 2, n / 4, (3 * n) / 4}) {
        int32_t x0, x1;
        if (k < n && rowCovered_[size_t(y0 + k - area_.top())]) {
            RowAt(query.corner, y0 + k, x0, x1);
            if (x0 < x1 && any(y0 + k, x0, x1))
                return true;
        }
    }
    const int32_t* rows = QueryRows(query);
    for (int k = 0; k < n; ++k)
        if (rows[2 * k] < rows[2 * k + 1] && rowCovered_[size_t(y0 + k - area_.top())] &&
            any(y0 + k, rows[2 * k], rows[2 * k + 1]))
            return true;
    return false;
}

void TLabelStore::StopOffers()
{
    // The answers now depend on more than the boxes offered: no pass takes them
    // from this one, and this one takes none from the pass before.
    offersOnly_ = false;
    offers_.clear();
    following_ = false;
}

void TLabelStore::CellRange(const QRect& r, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1)
{
    // Arithmetic shifts floor towards minus infinity, so negative pixels work too.
    x0 = r.left() >> CellShift;
    y0 = r.top() >> CellShift;
    x1 = r.right() >> CellShift;
    y1 = r.bottom() >> CellShift;
}

size_t TLabelStore::Slot(uint64_t key) const
{
    const size_t mask = cells_.size() - 1;
    size_t slot = size_t((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (cells_[slot].head >= 0 && cells_[slot].key != key)
        slot = (slot + 1) & mask;
    return slot;
}

void TLabelStore::Grow()
{
    std::vector<TCell> old(cells_.size() * 2);
    old.swap(cells_);
    for (const TCell& cell : old)
        if (cell.head >= 0)
            cells_[Slot(cell.key)] = cell;
}

void TLabelStore::AddToCell(uint64_t key, int32_t box)
{
    size_t slot = Slot(key);
    if (cells_[slot].head < 0) {
        if (2 * (usedCells_ + 1) > int64_t(cells_.size())) {
            Grow();
            slot = Slot(key);
        }
        cells_[slot].key = key;
        ++usedCells_;
    }
    links_.push_back({box, cells_[slot].head});
    cells_[slot].head = int32_t(links_.size() - 1);
}

bool TLabelStore::Meets(int index, const TShape& query) const
{
    if (seen_[index] == query_)
        return false;
    seen_[index] = query_;
    // The bounds sit in a list of their own: most boxes are ruled out by them
    // without touching the rest of their record.
    const QRect &a = bounds_[size_t(index)], &b = query.bounds; // never empty
    if (a.left() > b.right() || b.left() > a.right() || a.top() > b.bottom() || b.top() > a.bottom())
        return false;
    const TShape& stored = shapes_[index];
    if (stored.kind == TKind::Rect && query.kind == TKind::Rect)
        return true; // the bounds are the regions
    if (stored.kind != TKind::Region && query.kind != TKind::Region && stored.geometry && query.geometry) {
        if (Apart(stored.corner, query.corner))
            return false;
        if (stored.Deep() && query.Deep() && Meet(stored.inner, query.inner))
            return true;
        if (stored.spans && query.spans) {
            int sy0, qy0;
            const int sn = RowCount(stored.corner, sy0), qn = RowCount(query.corner, qy0);
            if (stored.kind == TKind::Rect)
                return RowsMeetRect(QueryRows(query), qy0, qn, stored.bounds);
            if (query.kind == TKind::Rect)
                return RowsMeetRect(StoredRows(stored), sy0, sn, query.bounds);
            return RowsMeet(StoredRows(stored), sy0, sn, QueryRows(query), qy0, qn);
        }
    }
    ++regionTests_;
    return stored.Region().intersects(query.Region());
}

const int32_t* TLabelStore::StoredRows(const TShape& shape) const
{
    if (shape.spanAt < 0) {
        int y0;
        const int n = RowCount(shape.corner, y0);
        shape.spanAt = int32_t(spans_.size());
        spans_.resize(spans_.size() + 2 * size_t(n));
        MakeRows(shape.corner, y0, n, spans_.data() + shape.spanAt);
    }
    return spans_.data() + shape.spanAt;
}

const int32_t* TLabelStore::QueryRows(const TShape& shape) const
{
    if (queryRowsOf_ != query_) {
        int y0;
        const int n = RowCount(shape.corner, y0);
        queryRows_.resize(2 * size_t(n));
        MakeRows(shape.corner, y0, n, queryRows_.data());
        queryRowsOf_ = query_;
    }
    return queryRows_.data();
}

bool TLabelStore::Intersects(const TShape& query) const
{
    if (++query_ == 0) { // wrapped: forget the old marks
        std::fill(seen_.begin(), seen_.end(), 0u);
        query_ = 1;
        queryRowsOf_ = 0;
    }
    if (shapes_.empty())
        return false;
    // A box wholly inside the area: its rows against the bitmap, which holds
    // every stored box's pixels there.
    if (!area_.isEmpty() && area_.contains(query.bounds) &&
        (query.kind == TKind::Rect || (query.kind == TKind::Quad && query.spans))) {
        for (; covered_ < shapes_.size(); ++covered_)
            Cover(shapes_[covered_]);
        return Covered(query);
    }
    for (int index : oversize_)
        if (Meets(index, query))
            return true;
    int32_t x0, y0, x1, y1;
    CellRange(query.bounds, x0, y0, x1, y1);
    const int64_t cells = (int64_t(x1) - x0 + 1) * (int64_t(y1) - y0 + 1);
    if (cells > usedCells_) {
        // A huge query box: walking the occupied cells is cheaper than its own.
        for (const TCell& cell : cells_)
            for (int32_t link = cell.head; link >= 0; link = links_[link].next)
                if (Meets(links_[link].box, query))
                    return true;
        return false;
    }
    for (int32_t cy = y0; cy <= y1; ++cy)
        for (int32_t cx = x0; cx <= x1; ++cx) {
            const TCell& cell = cells_[Slot(CellKey(cx, cy))];
            for (int32_t link = cell.head; link >= 0; link = links_[link].next)
                if (Meets(links_[link].box, query))
                    return true;
        }
    return false;
}

void TLabelStore::Add(TShape&& shape)
{
    const int index = int(shapes_.size());
    int32_t x0, y0, x1, y1;
    CellRange(shape.bounds, x0, y0, x1, y1);
    bounds_.push_back(shape.bounds);
    shapes_.push_back(std::move(shape));
    seen_.push_back(0);
    if ((int64_t(x1) - x0 + 1) * (int64_t(y1) - y0 + 1) > MaxCells) {
        oversize_.push_back(index);
        return;
    }
    for (int32_t cy = y0; cy <= y1; ++cy)
        for (int32_t cx = x0; cx <= x1; ++cx)
            AddToCell(CellKey(cx, cy), index);
}

bool TLabelStore::Intersects(const QPoint* corners) const
{
    TShape shape;
    return MakeShape(corners, shape) && Intersects(shape);
}

bool TLabelStore::TryAdd(const QPoint* corners)
{
    const size_t at = offers_.size();
    if (at == 0 && offersOnly_)
        for (size_t k = 0; k < passes_.size(); ++k)
            if (std::equal(corners, corners + 4, passes_[k].front().corner)) {
                source_ = int(k);
                following_ = true;
                break;
            }
    TOutcome outcome;
    const std::vector<TOffer>* before = following_ ? &passes_[size_t(source_)] : nullptr;
    if (before && at < before->size() && std::equal(corners, corners + 4, (*before)[at].corner)) {
        // Every box before it was the same too: so is the store, and the answer.
        outcome = (*before)[at].outcome;
        if (outcome == TOutcome::Kept) {
            TShape shape;
            MakeShape(corners, shape);
            Add(std::move(shape));
        }
    } else {
        following_ = false; // the passes part here
        outcome = Offer(corners);
    }
    if (offersOnly_) {
        TOffer& offer = offers_.emplace_back();
        std::copy(corners, corners + 4, offer.corner);
        offer.outcome = outcome;
    }
    return outcome != TOutcome::Met;
}

TLabelStore::TOutcome TLabelStore::Offer(const QPoint* corners)
{
    TShape shape;
    if (!MakeShape(corners, shape))
        return TOutcome::Empty; // no pixel: meets nothing
    if (Intersects(shape))
        return TOutcome::Met;
    if (queryRowsOf_ == query_) { // its rows were made for the test: keep them
        shape.spanAt = int32_t(spans_.size());
        spans_.insert(spans_.end(), queryRows_.begin(), queryRows_.end());
    }
    // A thin quadrilateral may hold no pixel at all; such a box is not kept.
    if (shape.kind == TKind::Quad && !shape.Deep() && !(shape.spans ? HasPixels(shape.corner) : !shape.Region().isEmpty()))
        return TOutcome::Empty;
    Add(std::move(shape));
    return TOutcome::Kept;
}

bool TLabelStore::Intersects(const QRegion& region) const
{
    TShape shape;
    return MakeShape(region, shape) && Intersects(shape);
}

void TLabelStore::Add(const QRegion& region)
{
    StopOffers();
    TShape shape;
    if (MakeShape(region, shape)) // an empty box can never be met
        Add(std::move(shape));
}

bool TLabelStore::TryAdd(const QRegion& region)
{
    StopOffers();
    TShape shape;
    if (!MakeShape(region, shape))
        return true;
    if (Intersects(shape))
        return false;
    Add(std::move(shape));
    return true;
}
