#include "map/LabelBands.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

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

TBandThreads* Threads()
{
    if (!threads) {
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
