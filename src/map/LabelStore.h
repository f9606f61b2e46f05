#pragma once
// The boxes of the labels drawn since the last reset, so that a new label can be
// left out when it would cover an earlier one. The answer is the same as testing
// against the union of all boxes as one region, but each test only looks at the
// boxes that share a grid cell with the new one, so a pass of many thousands of
// labels does not slow down as the map fills.
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <unordered_map>
#include <vector>

class TLabelStore {
public:
    // Forgets every box: the store starts empty.
    void Clear();
    // Whether the region shares at least one pixel with a stored box.
    bool Intersects(const QRegion& region) const;
    void Add(const QRegion& region);
    // Adds the region when it meets no stored box; returns whether it was added.
    bool TryAdd(const QRegion& region);
    int Count() const { return int(regions_.size()); }

private:
    static constexpr int CellShift = 6;       // 64-pixel cells
    static constexpr int64_t MaxCells = 256;  // larger boxes go to the overflow list

    static uint64_t CellKey(int32_t cx, int32_t cy)
    {
        return (uint64_t(uint32_t(cx)) << 32) | uint32_t(cy);
    }
    static void CellRange(const QRect& r, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1);
    bool Meets(int index, const QRect& bounds, const QRegion& region) const;

    std::vector<QRegion> regions_;
    std::vector<QRect> bounds_;
    std::unordered_map<uint64_t, std::vector<int>> cells_;
    std::vector<int> oversize_;
    // Per box, the number of the last query that looked at it (a box lying in
    // several cells is tested once per query).
    mutable std::vector<uint32_t> seen_;
    mutable uint32_t query_ = 0;
};
