#pragma once
// Writing a pass of labels on a raster picture with several threads. A label's
// glyphs at an angle of its own must all be rasterised afresh, which is most of
// the time a map with street names takes to draw; one thread per core does it
// in a fraction of that time.
//
// The picture is cut into bands of rows. Each thread writes, in their order, the
// labels that reach its band, clipped to it, through a painter of its own on the
// same pixels. A pixel thus receives exactly the blends it would receive if the
// labels were written one after another, so the picture is the same, pixel for
// pixel; and no two threads ever touch the same pixel.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QPointF>
#include <QRawFont>
#include <QRect>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

struct TBandLabel {
    QTransform transform; // the painter's world transform for this label
    QPoint baseline;      // where the text starts, in those coordinates
    QString text;
    QRect reach;          // every device pixel the text may touch lies inside
};

// What the painter of the picture writes text with.
struct TBandStyle {
    QFont font;
    QPen pen;
    QPainter::RenderHints hints;
    Qt::LayoutDirection direction = Qt::LeftToRight;
};

namespace LabelBands {

// How many bands a pass of labels on a picture of this height is worth; 1 means
// writing them in place. At most one per core, and bands of at least 32 rows.
int BandCount(int height, int labels);

// Writes the labels on the image in bands. A painter may be active on the
// image: its own pending work is written already (the raster painter draws at
// once), and it must not draw until this returns. The image's pixels are those
// the painter draws on: it is not detached.
void Write(const QImage& image, const TBandStyle& style, const std::vector<TBandLabel>& labels, int bands);

// How many writes so far were shared among threads.
int BandedWrites();

} // namespace LabelBands

// Labels written before, kept as the very pixels each of their glyphs leaves.
// A street's name comes back at the same angle whatever the zoom or the pan, and
// rasterising a glyph at an angle is most of a label's cost, while the font
// engines keep only a few angles. Each glyph is kept apart and blended in its
// turn, as the raster painter blends a glyph's coverage in the pen's colour, so
// the picture is the same, pixel for pixel, as writing the text.
class TLabelStamps {
public:
    // Whether labels in this style on this picture can be written from stamps:
    // an opaque solid pen on a picture of 32-bit pixels, opaque or premultiplied,
    // of at most a large screen's size (the stamps are made on a picture as large).
    static bool Takes(const QImage& image, const TBandStyle& style);

    // Writes the labels in their order with up to `threads` threads: as text in
    // the call a label is first seen in, from stamps made in the next call that
    // has it and after. A label that cannot be stamped exactly is written as text.
    // On one thread, `inPlace` (when given) writes label k as text instead.
    void Write(const QImage& image, const TBandStyle& style, const std::vector<TBandLabel>& labels, int threads,
               const std::function<void(size_t)>& inPlace = nullptr);

    void Clear();
    size_t Bytes() const { return bytes_; }
    int64_t Stamped() const { return stamped_; } // labels stamped so far
    int64_t Reused() const { return reused_; }   // labels written from earlier stamps

    // One glyph's pixels, premultiplied, at its offset from the label's origin.
    struct TStamp {
        QPoint at;
        int width = 0, height = 0;
        std::vector<uint32_t> pixels;
    };
    struct TEntry {
        bool stamped = false; // else seen once, written as text
        bool exact = false;   // stamped but not exact: written as text every time
        int64_t pass = 0;     // the pass it was first seen in
        std::vector<TStamp> stamps;
    };

private:
    struct THash {
        size_t operator()(const QByteArray& key) const { return qHash(key); }
    };
    std::unordered_map<QByteArray, TEntry, THash> entries_;
    std::vector<std::vector<uint32_t>> scratch_; // each thread's rows for stamping, clear
    size_t bytes_ = 0;
    int64_t stamped_ = 0, reused_ = 0, passes_ = 0;
};

// Level glyphs written from the very pixels each glyph leaves, kept per glyph
// and per fraction of a pixel where it stands: under a transform that moves by
// whole pixels the painter lays a glyph's coverage at its position's whole
// pixels, so a glyph looks the same wherever it stands. A redraw writes the
// same node and zone numbers again, and blending kept pixels (as TLabelStamps
// does) costs less than the painter's glyph cache.
class TGlyphStamps {
public:
    // Writes the glyphs of one run at their positions (of the given transform)
    // on the image as a painter on it with this pen and render hints would
    // write them in one call. False, with nothing written, where that cannot be
    // done exactly: the caller writes them then.
    bool Write(const QImage& image, const QRawFont& font, const QPen& pen, QPainter::RenderHints hints,
               const QTransform& transform, const QList<quint32>& glyphs, const QList<QPointF>& positions);
    void Clear();

private:
    struct TGlyph {
        bool exact = false;
        TLabelStamps::TStamp stamp; // at: from the whole pixel the glyph stands on
    };
    const TGlyph* Stamp(quint32 glyph, int fx, int fy);

    QRawFont font_;
    QPen pen_;
    QPainter::RenderHints hints_;
    std::unordered_map<uint64_t, TGlyph> glyphs_;
    QImage scratch_;
    int origin_ = 0; // where a glyph is drawn on the scratch picture
    size_t bytes_ = 0;
};
