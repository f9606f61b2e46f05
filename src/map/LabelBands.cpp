#include "map/LabelBands.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr int MinBandRows = 32;
// Below this many labels the threads cost more than they save.
constexpr int MinLabels = 24;
constexpr int MaxBands = 16;

std::atomic<int> bandedWrites{0};

// The threads of the label passes. They live as long as the application, so
// that the fonts they loaded (each thread has its own) serve every redraw; they
// end with it, while the fonts they hold can still be let go.
class TBandThreads {
public:
    explicit TBandThreads(int count)
    {
        for (int k = 0; k < count; ++k)
            threads_.emplace_back([this] { Serve(); });
    }
    ~TBandThreads()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }
    TBandThreads(const TBandThreads&) = delete;
    TBandThreads& operator=(const TBandThreads&) = delete;

    // Runs job(0) here and job(1) ... job(bands - 1) on the threads, and returns
    // when all are done.
    void Run(int bands, const std::function<void(int)>& job)
    {
        const std::lock_guard one(run_); // one pass at a time
        {
            const std::lock_guard lock(mutex_);
            job_ = &job;
            next_ = 1;
            bands_ = bands;
            left_ = bands - 1;
        }
        wake_.notify_all();
        std::exception_ptr failure;
        try {
            job(0);
        } catch (...) {
            failure = std::current_exception(); // the other bands still use the job: wait for them first
        }
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return left_ == 0; });
        job_ = nullptr;
        if (!failure)
            failure = failure_;
        failure_ = nullptr;
        if (failure)
            std::rethrow_exception(failure);
    }

private:
    void Serve()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || (job_ && next_ < bands_); });
            if (stop_)
                return;
            const int band = next_++;
            const std::function<void(int)>& job = *job_;
            lock.unlock();
            std::exception_ptr failure;
            try {
                job(band);
            } catch (...) {
                failure = std::current_exception(); // handed to the caller, not left to end the program
            }
            lock.lock();
            if (failure && !failure_)
                failure_ = failure;
            if (--left_ == 0)
                done_.notify_all();
        }
    }

    std::mutex run_, mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int)>* job_ = nullptr;
    int next_ = 0, bands_ = 0, left_ = 0;
    std::exception_ptr failure_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

std::unique_ptr<TBandThreads> threads;
pid_t threadsProcess = 0;

TBandThreads* Threads()
{
    // A process forked from this one has only the thread that forked: the threads
    // of its copy of the pool are not there to take a band, and a pass would wait
    // for them for ever. It is left alone (its threads cannot be joined) and the
    // process makes threads of its own.
    if (threads && threadsProcess != ::getpid())
        (void)threads.release();
    if (!threads) {
        threadsProcess = ::getpid();
        if (!QCoreApplication::instance())
            return nullptr;
        threads = std::make_unique<TBandThreads>(std::max(1, std::min(MaxBands, QThread::idealThreadCount()) - 1));
        qAddPostRoutine([] { threads.reset(); });
    }
    return threads.get();
}

// A font of this thread's own. Copies share their data, which holds the font
// engines of the thread that used it last: every other thread using it would
// look its engines up again. Changing a property and back gives a copy data of
// its own, the same font in every respect.
QFont OwnFont(const QFont& font)
{
    QFont own = font;
    const int stretch = own.stretch();
    own.setStretch(stretch == 100 ? 101 : 100);
    own.setStretch(stretch);
    own.setResolveMask(font.resolveMask());
    return own;
}

// A second image on the very pixels of the picture, for a painter of its own.
QImage SamePixels(const QImage& image)
{
    QImage view(const_cast<uchar*>(image.constBits()), image.width(), image.height(), image.bytesPerLine(),
                image.format());
    view.setDotsPerMeterX(image.dotsPerMeterX());
    view.setDotsPerMeterY(image.dotsPerMeterY());
    view.setDevicePixelRatio(image.devicePixelRatio());
    if (image.colorSpace().isValid())
        view.setColorSpace(image.colorSpace());
    return view;
}

void StartPainter(QPainter& p, const TBandStyle& style, const QFont& font)
{
    p.setRenderHints(p.renderHints(), false);
    p.setRenderHints(style.hints, true);
    p.setLayoutDirection(style.direction);
    p.setFont(font);
    p.setPen(style.pen);
}

void WriteBand(const QImage& image, const TBandStyle& style, const std::vector<TBandLabel>& labels, const QRect& band)
{
    // The painter of the picture keeps its state, and each thread has a painter
    // of its own.
    QImage view = SamePixels(image);
    QPainter p(&view);
    StartPainter(p, style, OwnFont(style.font));
    p.setClipRect(band);
    for (const TBandLabel& label : labels) {
        if (label.reach.bottom() < band.top() || label.reach.top() > band.bottom() || label.text.isEmpty())
            continue;
        p.setWorldTransform(label.transform);
        p.drawText(label.baseline, label.text);
    }
}

} // namespace

namespace LabelBands {

int BandCount(int height, int labels)
{
    if (labels < MinLabels || !QCoreApplication::instance())
        return 1;
    return std::clamp(std::min(height / MinBandRows, QThread::idealThreadCount()), 1, MaxBands);
}

void Write(const QImage& image, const TBandStyle& style, const std::vector<TBandLabel>& labels, int bands)
{
    if (labels.empty() || image.isNull())
        return;
    TBandThreads* pool = bands > 1 ? Threads() : nullptr;
    if (!pool)
        bands = 1;
    const int rows = (image.height() + bands - 1) / bands;
    bands = (image.height() + rows - 1) / rows; // no empty band at the bottom
    const std::function<void(int)> job = [&](int band) {
        const QRect rect(0, band * rows, image.width(), std::min(rows, image.height() - band * rows));
        WriteBand(image, style, labels, rect);
    };
    if (bands <= 1) {
        job(0);
        return;
    }
    pool->Run(bands, job);
    ++bandedWrites;
}

int BandedWrites() { return bandedWrites.load(); }

} // namespace LabelBands

// ---------------------------------------------------------------------------
// Stamps

namespace {

using TStamp = TLabelStamps::TStamp;
using TEntry = TLabelStamps::TEntry;

// Each byte of x times a / 255, rounded as the raster painter rounds it (in two
// halves of two bytes, which never carry into each other).
inline uint32_t ByteMul(uint32_t x, uint32_t a)
{
    uint32_t rb = (x & 0x00ff00ffu) * a;
    rb = ((rb + ((rb >> 8) & 0x00ff00ffu) + 0x00800080u) >> 8) & 0x00ff00ffu;
    uint32_t ag = ((x >> 8) & 0x00ff00ffu) * a;
    ag = (ag + ((ag >> 8) & 0x00ff00ffu) + 0x00800080u) & 0xff00ff00u;
    return rb | ag;
}

// A glyph's coverage in an opaque colour c leaves c * coverage on a transparent
// picture; over any other pixel the painter leaves that plus the pixel times
// what the coverage leaves through. Blending the kept pixel gives the same; a
// clear pixel (x * 255 / 255 is x) and a full one come out as the painter's
// own cases, so one expression serves every pixel, and the compiler can widen it.
// The picture's pixels as Blend writes them (read once for a whole pass).
struct TPixels {
    uchar* bits;
    qsizetype stride;
    int width, height;
    explicit TPixels(const QImage& image)
        : bits(const_cast<uchar*>(image.constBits())), stride(image.bytesPerLine()), width(image.width()),
          height(image.height())
    {
    }
};

void Blend(const TPixels& image, const TStamp& stamp, const QPoint& origin, int firstRow, int lastRow)
{
    const int x0 = origin.x() + stamp.at.x(), y0 = origin.y() + stamp.at.y();
    const int left = std::max(0, x0), right = std::min(image.width, x0 + stamp.width);
    const int top = std::max({0, y0, firstRow}), bottom = std::min({image.height, y0 + stamp.height, lastRow + 1});
    if (left >= right || top >= bottom)
        return;
    const int n = right - left;
    for (int y = top; y < bottom; ++y) {
        uint32_t* __restrict d = reinterpret_cast<uint32_t*>(image.bits + y * image.stride) + left;
        const uint32_t* __restrict s = stamp.pixels.data() + size_t(y - y0) * size_t(stamp.width) + size_t(left - x0);
        int x = 0;
#ifdef __SSE2__
        // Four pixels at a time, each byte in a 16-bit lane: the same products
        // and roundings as ByteMul (a glyph's rows are a few pixels long, too
        // short for the compiler's own widening to pay).
        const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi32(255), half = _mm_set1_epi16(0x80);
        for (; x + 4 <= n; x += 4) {
            const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
            const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x));
            __m128i a = _mm_sub_epi32(full, _mm_srli_epi32(src, 24));
            a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
            const __m128i aLow = _mm_unpacklo_epi32(a, a), aHigh = _mm_unpackhi_epi32(a, a);
            __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(dst, zero), aLow);
            __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(dst, zero), aHigh);
            low = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(low, _mm_srli_epi16(low, 8)), half), 8);
            high = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(high, _mm_srli_epi16(high, 8)), half), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_add_epi32(src, _mm_packus_epi16(low, high)));
        }
#endif
        for (; x < n; ++x)
            d[x] = s[x] + ByteMul(d[x], 255 - (s[x] >> 24));
    }
}

// The label's origin: its transform's translation, whose fraction is part of
// the key.
QPoint Origin(const TBandLabel& label)
{
    return QPoint(int(std::floor(label.transform.dx())), int(std::floor(label.transform.dy())));
}

template <typename T>
void AppendRaw(QByteArray& key, const T& value)
{
    key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

QByteArray KeyOf(const QByteArray& look, const TBandLabel& label)
{
    QByteArray key = look;
    const QTransform& t = label.transform;
    for (const double v : {t.m11(), t.m12(), t.m21(), t.m22(), t.dx() - std::floor(t.dx()), t.dy() - std::floor(t.dy())})
        AppendRaw(key, v);
    AppendRaw(key, label.baseline.x());
    AppendRaw(key, label.baseline.y());
    AppendRaw(key, label.reach.x() - Origin(label).x());
    AppendRaw(key, label.reach.y() - Origin(label).y());
    AppendRaw(key, label.reach.width());
    AppendRaw(key, label.reach.height());
    // The painter places a glyph at a translation of the label's own numbers by
    // whole pixels, rounded to the doubles about that place, whose spacing
    // doubles at each power of two: a label whose reach keeps between the same
    // powers of two lands on the same pixels wherever it stands there. Others
    // are taken again only where they stood.
    const QRect& r = label.reach;
    const auto binade = [](int v) { return int(std::bit_width(unsigned(v))); };
    if (r.left() >= 1 && r.top() >= 1 && binade(r.left()) == binade(r.right() + 1) &&
        binade(r.top()) == binade(r.bottom() + 1)) {
        AppendRaw(key, binade(r.left()));
        AppendRaw(key, binade(r.top()));
    } else {
        AppendRaw(key, -1);
        AppendRaw(key, r.left());
        AppendRaw(key, r.top());
    }
    key.append(reinterpret_cast<const char*>(label.text.constData()), label.text.size() * qsizetype(sizeof(QChar)));
    return key;
}

// Whether any pixel of the run is not clear (one pass the compiler widens).
bool Any(const uint32_t* from, const uint32_t* to)
{
    uint32_t any = 0;
    for (; from < to; ++from)
        any |= *from;
    return any != 0;
}

// Writes labels' glyphs one at a time on a transparent picture covering the
// label's reach, keeping what each leaves. One per thread: its picture and
// painter serve every label, the picture clear between labels. A label is not
// exact (written as text every time) where its text is not one run of plain
// glyphs, or a glyph reaches beyond where it was looked for.
//
// The picture is as large as the one written on, so that the painter works on
// the very numbers it works on there, but only a window of its rows has memory
// behind it: the rows of the label at hand, and those below it up to about a
// megabyte. That memory is the caller's, kept clear between labels and between
// writes: a picture's worth of fresh memory at each write would cost more in
// the mapping of its pages than the glyphs.
class TStamper {
public:
    // Rows of memory a window has at least, and what is kept between writes.
    static constexpr size_t WindowBytes = size_t(1) << 20;

    TStamper(const QImage& like, const TBandStyle& style, const QFont& font, std::vector<uint32_t>& memory)
        : like_(like), style_(style), font_(font), memory_(memory)
    {
        if (const int size = qEnvironmentVariableIntValue("QT_MAX_CACHED_GLYPH_SIZE"); size > 0)
            maxCached_ = size; // the painter's own bound, set from outside
    }

    // `cut`: the label is kept for its place on this picture alone, so that
    // glyphs may also touch or pass its right and bottom edges.
    TEntry Stamp(const TBandLabel& label, bool cut)
    {
        TEntry entry;
        const QRect reach = label.reach;
        // Drawn where the label stands on the picture: the painter then works on
        // the very numbers it works on there (its arithmetic is not blind to
        // where a text stands; see KeyOf).
        const QRect box = reach & like_.rect();
        if (label.text.isEmpty() || box.isEmpty() || reach.width() > 2048 || reach.height() > 2048 ||
            label.transform.type() > QTransform::TxRotate || !Fit(box))
            return entry;
        QTextLayout layout(label.text, font_, &scratch_);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        if (!line.isValid() || layout.lineCount() != 1)
            return entry;
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.isEmpty())
            return entry;
        // Glyphs too large for the painter's glyph cache are filled as one outline
        // of the whole text, where touching glyphs (the bar of "ff") share their
        // edge pixels: such a text is not the sum of its glyphs.
        const double scale = std::abs(label.transform.determinant());
        for (const QGlyphRun& run : runs) {
            const double pixels = run.rawFont().pixelSize();
            if (run.overline() || run.underline() || run.strikeOut() || run.isRightToLeft() ||
                pixels * pixels * scale >= maxCached_ * maxCached_)
                return entry;
        }
        painter_.resetTransform(); // the clip is taken in the coordinates of the moment
        painter_.setClipRect(box);
        painter_.setWorldTransform(label.transform);
        const QTransform place = painter_.worldTransform();
        const QPointF baseline(label.baseline.x(), label.baseline.y() - line.ascent());
        const QPoint toOrigin = -Origin(label);
        // Row y of the picture, in the window's memory.
        uint32_t* const window = memory_.data();
        const qsizetype stride = like_.width();
        const auto row = [&](int y) { return window + (y - top_) * stride; };
        bool exact = true;
        QGlyphRun one;
        for (const QGlyphRun& run : runs) {
            const QRawFont raw = run.rawFont();
            one.setRawFont(raw);
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype k = 0; exact && k < std::min(glyphs.size(), positions.size()); ++k) {
                one.setGlyphIndexes({glyphs[k]});
                one.setPositions({positions[k]});
                painter_.drawGlyphRun(baseline, one);
                // Where the glyph may have left anything, with room for hinting;
                // the rim must stay clear, or the glyph may reach past it. Past
                // the picture's left and top edges nothing is written at all: a
                // glyph may touch them, or lie wholly beyond (what it left on the
                // picture after all, the last scan below finds); so too at the
                // right and bottom edges for a label kept for its place.
                const QRect bounds = place.mapRect(raw.boundingRect(glyphs[k]).translated(baseline + positions[k]))
                                         .toAlignedRect()
                                         .adjusted(-3, -3, 3, 3);
                const QRect area = bounds & box;
                const int right = scratch_.width() - 1, bottom = scratch_.height() - 1;
                if (area.isEmpty()) {
                    if (bounds.right() < 0 || bounds.bottom() < 0 ||
                        (cut && (bounds.left() > right || bounds.top() > bottom)))
                        continue;
                    exact = false; // a glyph wholly outside the reach would be lost
                    break;
                }
                int l = area.right() + 1, r = area.left() - 1, t = area.bottom() + 1, b = area.top() - 1;
                for (int y = area.top(); y <= area.bottom(); ++y) {
                    const uint32_t* line = row(y);
                    if (!Any(line + area.left(), line + area.right() + 1))
                        continue;
                    t = std::min(t, y);
                    b = y;
                    int x = area.left();
                    while (line[x] == 0)
                        ++x;
                    l = std::min(l, x);
                    x = area.right();
                    while (line[x] == 0)
                        --x;
                    r = std::max(r, x);
                }
                if (l > r)
                    continue; // a blank
                if ((l == area.left() && l > 0) || (r == area.right() && !(cut && r == right)) ||
                    (t == area.top() && t > 0) || (b == area.bottom() && !(cut && b == bottom))) {
                    exact = false;
                    break;
                }
                TStamp stamp;
                stamp.at = QPoint(l, t) + toOrigin;
                stamp.width = r - l + 1;
                stamp.height = b - t + 1;
                stamp.pixels.resize(size_t(stamp.width) * size_t(stamp.height));
                for (int y = t; y <= b; ++y) {
                    std::memcpy(stamp.pixels.data() + size_t(y - t) * size_t(stamp.width), row(y) + l,
                                size_t(stamp.width) * 4);
                    std::memset(row(y) + l, 0, size_t(stamp.width) * 4);
                }
                entry.stamps.push_back(std::move(stamp));
            }
        }
        // Nothing left anywhere else: every pixel the text touched is in a stamp.
        // What a refused label left is cleared for the next one.
        for (int y = box.top(); y <= box.bottom(); ++y) {
            uint32_t* line = row(y) + box.left();
            if (Any(line, line + box.width())) {
                exact = false;
                std::memset(line, 0, size_t(box.width()) * 4);
            }
        }
        if (!exact)
            return {};
        entry.exact = true;
        return entry;
    }

private:
    // A clear picture as large as the one written on, with the painter on it,
    // whose window of rows with memory takes in the box. The painter, clipped
    // to the box, writes nowhere else.
    bool Fit(const QRect& box)
    {
        if (!scratch_.isNull() && box.top() >= top_ && box.bottom() < top_ + rows_)
            return true;
        if (painter_.isActive())
            painter_.end();
        scratch_ = QImage();
        const size_t stride = size_t(like_.width()) * 4;
        rows_ = std::min(like_.height(), std::max(box.height(), int(std::max<size_t>(1, WindowBytes / stride))));
        top_ = std::min(box.top(), like_.height() - rows_);
        const size_t words = size_t(rows_) * size_t(like_.width());
        try {
            if (memory_.size() < words)
                memory_.resize(words); // clear, as what was there is
        } catch (const std::bad_alloc&) {
            return false;
        }
        // Row 0 of the picture lies where row top_ would have it: only the
        // window's rows are ever reached through it.
        uchar* const data =
            reinterpret_cast<uchar*>(reinterpret_cast<uintptr_t>(memory_.data()) - uintptr_t(top_) * stride);
        scratch_ = QImage(data, like_.width(), like_.height(), qsizetype(stride), QImage::Format_ARGB32_Premultiplied);
        if (scratch_.isNull())
            return false;
        scratch_.setDotsPerMeterX(like_.dotsPerMeterX());
        scratch_.setDotsPerMeterY(like_.dotsPerMeterY());
        if (!painter_.begin(&scratch_))
            return false;
        StartPainter(painter_, style_, font_);
        return true;
    }

    const QImage& like_;
    const TBandStyle& style_;
    const QFont font_;
    std::vector<uint32_t>& memory_;
    int top_ = 0, rows_ = 0; // the window's rows of the picture
    double maxCached_ = 64; // the largest glyphs, in pixels, the raster painter caches
    QImage scratch_;
    QPainter painter_;
};

constexpr size_t MaxStampBytes = size_t(32) << 20;

} // namespace

bool TLabelStamps::Takes(const QImage& image, const TBandStyle& style)
{
    const QImage::Format format = image.format();
    return (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
           qint64(image.width()) * image.height() <= qint64(3840) * 2400 && image.devicePixelRatio() == 1.0 && style.pen.style() == Qt::SolidLine &&
           style.pen.brush().style() == Qt::SolidPattern && style.pen.color().alpha() == 255 &&
           !style.font.underline() && !style.font.overline() && !style.font.strikeOut();
}

void TLabelStamps::Clear()
{
    entries_.clear();
    bytes_ = 0;
    scratch_.clear();
}

void TLabelStamps::Write(const QImage& image, const TBandStyle& style, const std::vector<TBandLabel>& labels,
                         int threads, const std::function<void(size_t)>& inPlace)
{
    if (labels.empty() || image.isNull())
        return;
    QByteArray look = style.font.key().toUtf8();
    AppendRaw(look, style.pen.color().rgba());
    AppendRaw(look, int(style.hints));
    AppendRaw(look, int(style.direction));
    AppendRaw(look, image.dotsPerMeterX());
    AppendRaw(look, image.dotsPerMeterY());
    // A label is written as text in the pass it is first seen in, and stamped
    // in a later one: a picture made once pays nothing for stamps, though a
    // street's name comes many times in it.
    ++passes_;
    if (bytes_ > MaxStampBytes) // labels seen once count too
        Clear();
    std::vector<QByteArray> keys(labels.size());
    std::vector<const TEntry*> found(labels.size(), nullptr);
    std::vector<size_t> again; // seen once before: stamped now
    std::vector<uint8_t> cut(labels.size(), 0); // kept for their place on this picture alone
    for (size_t k = 0; k < labels.size(); ++k) {
        // The painter keeps glyph positions in fixed point cut toward zero, so a
        // glyph left of or above the picture's corner lands otherwise than the
        // same glyph inside it: such labels are kept for their very place (see
        // KeyOf), as a redraw of the same view puts them again.
        const QRect& reach = labels[k].reach;
        keys[k] = KeyOf(look, labels[k]);
        auto it = entries_.find(keys[k]);
        // Glyphs past the right or bottom edge leave nothing to keep for other
        // places: a label reaching past them is written from stamps made where
        // it stood whole, or else from those kept for its very place on a
        // picture of this size.
        if (const bool whole = reach.right() < image.width() && reach.bottom() < image.height();
            !whole && (it == entries_.end() || !it->second.stamped)) {
            for (const int v : {-2, image.width(), image.height(), reach.left(), reach.top()})
                AppendRaw(keys[k], v);
            it = entries_.find(keys[k]);
            cut[k] = 1;
        }
        if (it == entries_.end()) {
            entries_.emplace(keys[k], TEntry{}).first->second.pass = passes_;
            bytes_ += size_t(keys[k].size()) + sizeof(TEntry) + 32;
        } else if (!it->second.stamped) {
            if (it->second.pass == passes_)
                continue;
            it->second.stamped = true; // once, however often it comes in this pass
            again.push_back(k);
        } else {
            found[k] = &it->second;
            reused_ += it->second.exact ? 1 : 0;
        }
    }
    TBandThreads* pool = threads > 1 ? Threads() : nullptr;
    std::vector<TEntry> made(again.size());
    if (!again.empty()) {
        const int shares = pool && again.size() >= size_t(MinLabels) ? std::min(threads, int(again.size())) : 1;
        scratch_.resize(std::max(scratch_.size(), size_t(shares)));
        const std::function<void(int)> job = [&](int share) {
            // Taken from the top down, so that each window of rows serves the
            // labels below the first it was made for.
            std::vector<size_t> mine;
            for (size_t i = size_t(share); i < again.size(); i += size_t(shares))
                mine.push_back(i);
            std::stable_sort(mine.begin(), mine.end(), [&](size_t a, size_t b) {
                return labels[again[a]].reach.top() < labels[again[b]].reach.top();
            });
            TStamper stamper(image, style, OwnFont(style.font), scratch_[size_t(share)]);
            for (const size_t i : mine) {
                made[i] = stamper.Stamp(labels[again[i]], cut[again[i]] != 0);
                made[i].stamped = true;
            }
        };
        if (shares > 1)
            pool->Run(shares, job);
        else
            job(0);
        for (std::vector<uint32_t>& memory : scratch_) // a tall label's window is not kept
            if (memory.size() * 4 > TStamper::WindowBytes)
                std::vector<uint32_t>().swap(memory);
        size_t added = 0;
        for (const TEntry& e : made)
            for (const TStamp& st : e.stamps)
                added += st.pixels.size() * 4 + sizeof st;
        if (bytes_ + added > MaxStampBytes) { // bounded: the oldest go with the rest
            Clear();
            std::fill(found.begin(), found.end(), nullptr);
        }
        for (size_t i = 0; i < again.size(); ++i) {
            for (const TStamp& st : made[i].stamps)
                bytes_ += st.pixels.size() * 4 + sizeof st;
            found[again[i]] = &(entries_[keys[again[i]]] = std::move(made[i]));
        }
        stamped_ += int64_t(again.size());
    }
    // Written in their order, in bands of rows as LabelBands::Write does: the
    // stamped ones blended, the others as text.
    int bands = pool ? std::max(1, threads) : 1;
    const int rows = (image.height() + bands - 1) / bands;
    bands = (image.height() + rows - 1) / rows;
    const std::function<void(int)> write = [&](int band) {
        const int top = band * rows, bottom = std::min(image.height(), top + rows) - 1;
        const TPixels pixels(image);
        std::optional<QImage> view;
        std::optional<QPainter> painter;
        for (size_t k = 0; k < labels.size(); ++k) {
            const TBandLabel& label = labels[k];
            if (label.reach.bottom() < top || label.reach.top() > bottom || label.text.isEmpty())
                continue;
            if (const TEntry* entry = found[k]; entry && entry->exact) {
                const QPoint origin = Origin(label);
                for (const TStamp& st : entry->stamps)
                    Blend(pixels, st, origin, top, bottom);
                continue;
            }
            if (bands == 1 && inPlace) {
                inPlace(k);
                continue;
            }
            if (!painter) {
                view = SamePixels(image);
                painter.emplace(&*view);
                StartPainter(*painter, style, OwnFont(style.font));
                painter->setClipRect(QRect(0, top, image.width(), bottom - top + 1));
            }
            painter->setWorldTransform(label.transform);
            painter->drawText(label.baseline, label.text);
        }
    };
    if (bands > 1) {
        pool->Run(bands, write);
        ++bandedWrites;
    } else {
        write(0);
    }
}

// ---------------------------------------------------------------------------
// Level glyphs

void TGlyphStamps::Clear()
{
    glyphs_.clear();
    bytes_ = 0;
    scratch_ = QImage();
    font_ = QRawFont();
}

const TGlyphStamps::TGlyph* TGlyphStamps::Stamp(quint32 glyph, int fx, int fy)
{
    const uint64_t key = (uint64_t(glyph) << 12) | uint64_t(fx << 6) | uint64_t(fy);
    if (auto it = glyphs_.find(key); it != glyphs_.end())
        return &it->second;
    if (scratch_.isNull()) {
        // Room on every side for the largest glyph the painter caches.
        const int size = 4 * int(std::ceil(font_.pixelSize())) + 64;
        scratch_ = QImage(size, size, QImage::Format_ARGB32_Premultiplied);
        if (scratch_.isNull())
            return nullptr;
        scratch_.fill(Qt::transparent);
        origin_ = size / 2;
    }
    TGlyph made;
    {
        QPainter p(&scratch_);
        p.setRenderHints(p.renderHints(), false);
        p.setRenderHints(hints_, true);
        p.setPen(pen_);
        QGlyphRun run;
        run.setRawFont(font_);
        run.setGlyphIndexes({glyph});
        run.setPositions({QPointF(origin_ + fx / 64.0, origin_ + fy / 64.0)});
        p.drawGlyphRun(QPointF(0, 0), run);
    }
    const int w = scratch_.width(), h = scratch_.height();
    int l = w, r = -1, t = h, b = -1;
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(scratch_.constScanLine(y));
        if (!Any(row, row + w))
            continue;
        t = std::min(t, y);
        b = y;
        int x = 0;
        while (row[x] == 0)
            ++x;
        l = std::min(l, x);
        x = w - 1;
        while (row[x] == 0)
            --x;
        r = std::max(r, x);
    }
    // A glyph touching the scratch picture's rim may reach past it: not exact.
    made.exact = l > r || (l > 0 && t > 0 && r < w - 1 && b < h - 1);
    if (made.exact && l <= r) {
        TStamp& st = made.stamp;
        st.at = QPoint(l - origin_, t - origin_);
        st.width = r - l + 1;
        st.height = b - t + 1;
        st.pixels.resize(size_t(st.width) * size_t(st.height));
        for (int y = t; y <= b; ++y)
            std::memcpy(st.pixels.data() + size_t(y - t) * size_t(st.width),
                        reinterpret_cast<const uint32_t*>(scratch_.constScanLine(y)) + l, size_t(st.width) * 4);
    }
    if (r >= l)
        for (int y = t; y <= b; ++y)
            std::memset(scratch_.scanLine(y), 0, size_t(w) * 4);
    bytes_ += made.stamp.pixels.size() * 4 + sizeof(TGlyph) + 32;
    return &(glyphs_[key] = std::move(made));
}

bool TGlyphStamps::Write(const QImage& image, const QRawFont& font, const QPen& pen, QPainter::RenderHints hints,
                         const QTransform& transform, const QList<quint32>& glyphs, const QList<QPointF>& positions)
{
    const QImage::Format format = image.format();
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied) || image.isNull() ||
        image.devicePixelRatio() != 1.0 || !font.isValid() || pen.style() != Qt::SolidLine ||
        pen.brush().style() != Qt::SolidPattern || pen.color().alpha() != 255 ||
        transform.type() > QTransform::TxTranslate || transform.dx() != std::floor(transform.dx()) ||
        transform.dy() != std::floor(transform.dy()))
        return false;
    // Glyphs too large for the painter's glyph cache are filled as outlines.
    double maxCached = 64;
    if (const int size = qEnvironmentVariableIntValue("QT_MAX_CACHED_GLYPH_SIZE"); size > 0)
        maxCached = size;
    if (font.pixelSize() >= maxCached)
        return false;
    // Bounded (a large font of many glyphs in many places), and forgotten only
    // between runs: the run's glyphs point at their stamps until it is written.
    if (font_ != font || pen_ != pen || hints_ != hints || glyphs_.size() >= 20000 || bytes_ > MaxStampBytes) {
        Clear();
        font_ = font;
        pen_ = pen;
        hints_ = hints;
    }
    // Each glyph's whole pixel and its stamp for the fraction of a pixel past it
    // (in the painter's 1/64 steps); positions off those steps go the painter's way.
    const qsizetype n = std::min(glyphs.size(), positions.size());
    std::vector<std::pair<QPoint, const TStamp*>> placed;
    placed.reserve(size_t(n));
    for (qsizetype k = 0; k < n; ++k) {
        const double x = (positions[k].x() + transform.dx()) * 64, y = (positions[k].y() + transform.dy()) * 64;
        if (x != std::floor(x) || y != std::floor(y) || std::abs(x) > 1e11 || std::abs(y) > 1e11)
            return false;
        const int64_t vx = int64_t(x), vy = int64_t(y);
        const int fx = int(vx & 63), fy = int(vy & 63);
        const TGlyph* g = Stamp(glyphs[k], fx, fy);
        if (!g || !g->exact)
            return false;
        if (!g->stamp.pixels.empty())
            placed.emplace_back(QPoint(int((vx - fx) / 64), int((vy - fy) / 64)), &g->stamp);
    }
    const TPixels pixels(image);
    // The picture's rows under a glyph some glyphs on are fetched while this
    // one is blended: the labels lie scattered over a picture larger than the
    // caches.
    constexpr size_t Ahead = 6;
    for (size_t k = 0; k < placed.size(); ++k) {
        if (k + Ahead < placed.size()) {
            const auto& [at, stamp] = placed[k + Ahead];
            const int x0 = std::clamp(at.x() + stamp->at.x(), 0, pixels.width - 1);
            const int x1 = std::clamp(at.x() + stamp->at.x() + stamp->width - 1, 0, pixels.width - 1);
            const int y0 = std::max(0, at.y() + stamp->at.y());
            const int y1 = std::min(pixels.height, at.y() + stamp->at.y() + stamp->height);
            for (int y = y0; y < y1; ++y) {
                const uchar* row = pixels.bits + y * pixels.stride;
                __builtin_prefetch(row + x0 * 4, 1);
                __builtin_prefetch(row + x1 * 4, 1);
            }
        }
        Blend(pixels, *placed[k].second, placed[k].first, 0, pixels.height - 1);
    }
    return true;
}
