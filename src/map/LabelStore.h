#pragma once
// The boxes of the labels drawn since the last reset, so that a new label can be
// left out when it would cover an earlier one. The answer is the same as testing
// against the union of all boxes as one region, pixel for pixel, but each test
// only looks at the boxes that share a grid cell with the new one, so a pass of
// many thousands of labels does not slow down as the map fills.
//
// A label's box is kept as its four pixel corners. Most pairs are decided by
// geometry alone: two upright boxes are rectangles; two convex boxes clearly
// apart share no pixel, and two whose insides (the boxes shrunk by a few pixels)
// meet surely share one. Boxes of a usual size are compared by their pixel
// rows, worked out once per box with exact integer steps: two boxes share a
// pixel exactly when some row of both holds it. Only odd boxes (folded, far
// off, huge, or any region) need their regions, which are then made once and
// kept.
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <vector>

class TLabelStore {
public:
    // Forgets every box: the store starts empty.
    void Clear();

    // The region of a label box given by its four corners in order (a rotated
    // rectangle after rounding): the polygon's pixels, or for a box whose sides
    // run along the pixel axes, the rectangle between its extremes.
    static QRegion BoxRegion(const QPoint* corners);
    // Whether the box's region shares at least one pixel with a stored box.
    bool Intersects(const QPoint* corners) const;
    // Adds the box when it meets no stored box; returns whether it met none (a
    // box without pixels meets nothing and is not kept).
    bool TryAdd(const QPoint* corners);

    // The same for any region.
    bool Intersects(const QRegion& region) const;
    void Add(const QRegion& region);
    bool TryAdd(const QRegion& region);

    // The pixels most boxes lie in (the picture and a little around it). The
    // pixels of the stored boxes there are kept as one bitmap, against which a
    // box lying wholly inside is tested row by row, whatever the boxes nearby;
    // an empty area (the start) keeps none.
    void SetArea(const QRect& area)
    {
        if (area != area_)
            ChangeArea(area);
    }

    int Count() const { return int(shapes_.size()); }
    // How many box pairs geometry left undecided since the last reset, so that
    // their regions were compared.
    int64_t RegionTests() const { return regionTests_; }

private:
    static constexpr int CellShift = 6;       // 64-pixel cells
    static constexpr int64_t MaxCells = 256;  // larger boxes go to the overflow list

    enum class TKind : uint8_t {
        Rect,   // the region is exactly bounds
        Quad,   // a convex quadrilateral whose region is made from its corners
        Region, // any other region, kept as given
    };
    struct TShape {
        QRect bounds;        // every pixel of the region lies inside
        QPoint corner[4];    // Rect and Quad
        TKind kind = TKind::Region;
        bool geometry = false;          // corners small enough for exact integer geometry
        bool spans = false;             // and a box small enough for its rows to be compared
        mutable uint8_t innerState = 0; // 0 not yet made, 1 inner is valid, 2 too thin for one
        mutable bool hasRegion = false;
        mutable double inner[8];        // the quadrilateral shrunk by InnerDepth
        mutable QRegion region;
        mutable int32_t spanAt = -1;    // a stored box's rows in spans_, once made
        const QRegion& Region() const;
        // Whether the quadrilateral has an inside InnerDepth deep (made on first use).
        bool Deep() const;
    };

    // Fills shape from a box; false when its region has no pixel.
    static bool MakeShape(const QPoint* corners, TShape& shape);
    static bool MakeShape(const QRegion& region, TShape& shape);
    bool Meets(int index, const TShape& query) const;
    // The pixel rows of a Quad with spans, from its top corner's row: [x0, x1)
    // pairs, made on first use (the query's in a scratch list of its own).
    const int32_t* StoredRows(const TShape& shape) const;
    const int32_t* QueryRows(const TShape& shape) const;
    bool Intersects(const TShape& query) const;
    void Add(TShape&& shape);
    // What TryAdd does with a box, tests and all.
    enum class TOutcome : uint8_t { Met, Empty, Kept };
    TOutcome Offer(const QPoint* corners);
    void StopOffers();

    // The bitmap of the area: a bit per pixel, rows of coverWords_ words.
    static constexpr int64_t MaxAreaPixels = int64_t(1) << 26;
    // The boxes go in when a test first needs them: a pass that takes its
    // answers from the pass before never does.
    void ChangeArea(const QRect& area);
    void Cover(const TShape& shape) const;
    void CoverRow(int y, int x0, int x1) const; // pixels [x0, x1) of row y, clipped to the area
    bool Covered(const TShape& query) const;
    QRect area_;
    int coverWords_ = 0;
    mutable std::vector<uint64_t> cover_;
    mutable std::vector<int32_t> coverRows_;  // the rows of the area with a bit set (to clear them)
    mutable std::vector<uint8_t> rowCovered_; // per row of the area, whether it is in coverRows_
    mutable size_t covered_ = 0;              // shapes_ up to here are in the bitmap

    static uint64_t CellKey(int32_t cx, int32_t cy)
    {
        return (uint64_t(uint32_t(cx)) << 32) | uint32_t(cy);
    }
    static void CellRange(const QRect& r, int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1);
    // The grid: an open-addressing table from cell to the head of its list of boxes.
    struct TCell {
        uint64_t key = 0;
        int32_t head = -1; // -1: a free slot
    };
    struct TLink {
        int32_t box;
        int32_t next;
    };
    size_t Slot(uint64_t key) const;
    void AddToCell(uint64_t key, int32_t box);
    void Grow();

    std::vector<TShape> shapes_;
    std::vector<QRect> bounds_; // shapes_[k].bounds
    std::vector<TCell> cells_ = std::vector<TCell>(1024);
    int usedCells_ = 0;
    std::vector<TLink> links_;
    std::vector<int> oversize_;
    // Per box, the number of the last query that looked at it (a box lying in
    // several cells is tested once per query).
    mutable std::vector<uint32_t> seen_;
    mutable uint32_t query_ = 0;
    mutable std::vector<int32_t> spans_;      // rows of stored boxes
    mutable std::vector<int32_t> queryRows_;  // rows of the current query
    mutable uint32_t queryRowsOf_ = 0;        // the query they belong to
    mutable int64_t regionTests_ = 0;
    // The boxes offered since the reset and what became of each. The answers
    // follow from the boxes alone: a pass that offers the boxes of one of the
    // last few passes in the same order (a redraw of the same view: each label
    // layer is a pass of its own) takes its answers from that pass, up to the
    // first box that differs, and keeps the boxes kept without testing them.
    struct TOffer {
        QPoint corner[4];
        TOutcome outcome;
    };
    static constexpr size_t MaxPasses = 4;
    std::vector<TOffer> offers_;
    std::vector<std::vector<TOffer>> passes_; // the last few passes
    size_t nextPass_ = 0;    // the one to give way to the next new pass
    int source_ = -1;        // the pass this one began like, if any
    bool following_ = false; // and every box so far was the same
    bool offersOnly_ = true; // nothing but offers changed the store since the reset
};
