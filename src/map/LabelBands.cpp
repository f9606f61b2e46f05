#include "map/LabelBands.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QPointer>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>

namespace {

constexpr int MinBandRows = 32;
// Below this many labels the threads cost more than they save.
constexpr int MinLabels = 24;
constexpr int MaxBands = 16;

std::atomic<int> bandedWrites{0};

// The threads of the label passes. They live as long as the application, so
// that the fonts they loaded (each thread has its own) serve every redraw.
QThreadPool* Pool()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return nullptr;
        pool = new QThreadPool(app);
        pool->setMaxThreadCount(std::min(MaxBands, QThread::idealThreadCount()) - 1);
        pool->setExpiryTimeout(-1);
    }
    return pool;
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

void WriteBand(const QImage& image, const TBandStyle& style, const std::vector<TBandLabel>& labels, const QRect& band)
{
    // A second image on the very pixels: the painter of the picture keeps its
    // state, and each thread has a painter of its own.
    QImage view(const_cast<uchar*>(image.constBits()), image.width(), image.height(), image.bytesPerLine(),
                image.format());
    view.setDotsPerMeterX(image.dotsPerMeterX());
    view.setDotsPerMeterY(image.dotsPerMeterY());
    view.setDevicePixelRatio(image.devicePixelRatio());
    if (image.colorSpace().isValid())
        view.setColorSpace(image.colorSpace());
    QPainter p(&view);
    p.setRenderHints(p.renderHints(), false);
    p.setRenderHints(style.hints, true);
    p.setLayoutDirection(style.direction);
    p.setFont(OwnFont(style.font));
    p.setPen(style.pen);
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
    QThreadPool* pool = bands > 1 ? Pool() : nullptr;
    if (!pool)
        bands = 1;
    const int rows = (image.height() + bands - 1) / bands;
    auto bandRect = [&](int band) {
        return QRect(0, band * rows, image.width(), std::min(rows, image.height() - band * rows));
    };
    QSemaphore done;
    int started = 0;
    for (int band = 1; band < bands; ++band) {
        if (bandRect(band).height() <= 0)
            break;
        pool->start([&, band] {
            WriteBand(image, style, labels, bandRect(band));
            done.release();
        });
        ++started;
    }
    WriteBand(image, style, labels, bandRect(0)); // this thread takes a band too
    done.acquire(started);
    if (started > 0)
        ++bandedWrites;
}

int BandedWrites() { return bandedWrites.load(); }

} // namespace LabelBands
