#include "map/LabelStore.h"

#include <algorithm>

void TLabelStore::Clear()
{
    regions_.clear();
    bounds_.clear();
    cells_.clear();
    oversize_.clear();
    seen_.clear();
    query_ = 0;
}

void TLabelStore::CellRange(const QRect& r, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1)
{
    // Arithmetic shifts floor towards minus infinity, so negative pixels work too.
    x0 = r.left() >> CellShift;
    y0 = r.top() >> CellShift;
    x1 = r.right() >> CellShift;
    y1 = r.bottom() >> CellShift;
}

bool TLabelStore::Meets(int index, const QRect& bounds, const QRegion& region) const
{
    if (seen_[index] == query_)
        return false;
    seen_[index] = query_;
    return bounds_[index].intersects(bounds) && regions_[index].intersects(region);
}

bool TLabelStore::Intersects(const QRegion& region) const
{
    if (region.isEmpty() || regions_.empty())
        return false;
    if (++query_ == 0) { // wrapped: forget the old marks
        std::fill(seen_.begin(), seen_.end(), 0u);
        query_ = 1;
    }
    const QRect bounds = region.boundingRect();
    for (int index : oversize_)
        if (Meets(index, bounds, region))
            return true;
    int32_t x0, y0, x1, y1;
    CellRange(bounds, x0, y0, x1, y1);
    const int64_t cells = (int64_t(x1) - x0 + 1) * (int64_t(y1) - y0 + 1);
    if (cells > int64_t(cells_.size())) {
        // A huge query box: walking the occupied cells is cheaper than its own.
        for (const auto& [key, list] : cells_)
            for (int index : list)
                if (Meets(index, bounds, region))
                    return true;
        return false;
    }
    for (int32_t cy = y0; cy <= y1; ++cy)
        for (int32_t cx = x0; cx <= x1; ++cx) {
            auto it = cells_.find(CellKey(cx, cy));
            if (it == cells_.end())
                continue;
            for (int index : it->second)
                if (Meets(index, bounds, region))
                    return true;
        }
    return false;
}

void TLabelStore::Add(const QRegion& region)
{
    if (region.isEmpty())
        return; // an empty box can never be met
    const int index = int(regions_.size());
    const QRect bounds = region.boundingRect();
    regions_.push_back(region);
    bounds_.push_back(bounds);
    seen_.push_back(0);
    int32_t x0, y0, x1, y1;
    CellRange(bounds, x0, y0, x1, y1);
    if ((int64_t(x1) - x0 + 1) * (int64_t(y1) - y0 + 1) > MaxCells) {
        oversize_.push_back(index);
        return;
    }
    for (int32_t cy = y0; cy <= y1; ++cy)
        for (int32_t cx = x0; cx <= x1; ++cx)
            cells_[CellKey(cx, cy)].push_back(index);
}

bool TLabelStore::TryAdd(const QRegion& region)
{
    if (Intersects(region))
        return false;
    Add(region);
    return true;
}
