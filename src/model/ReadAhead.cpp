#include "model/ReadAhead.h"

#include "model/FileUtils.h"
#include "model/ParallelChunks.h"
#include "model/PalvonVars.h"
#include "model/TextCodec.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace PalvonRead {

namespace {
bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}
} // namespace

TReadAhead::TReadAhead(std::string path) : path_(std::move(path))
{
    worker_ = std::thread([this] {
        Run();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_all();
    });
}

TReadAhead::TReadAhead(std::string path, TReadSettings settings, int utmZone, std::string hemisphere)
    : TReadAhead(std::move(path))
{
    Start(std::move(settings), utmZone, std::move(hemisphere));
}

TReadAhead::~TReadAhead()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = !started_;
    }
    startGiven_.notify_all();
    Wait();
}

void TReadAhead::Start(TReadSettings settings, int utmZone, std::string hemisphere)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        settings_ = std::move(settings);
        settings_.NetworkDatFile = path_;
        // The opening reads with the network's folder as the current one; this
        // read must not change the program's folder, so it names the folder.
        settings_.ErrorListFile = BesideNetwork(settings_.ErrorListFile);
        utmZone_ = utmZone;
        hemisphere_ = std::move(hemisphere);
        started_ = true;
    }
    startGiven_.notify_all();
}

std::string TReadAhead::BesideNetwork(const std::string& name) const
{
    const fs::path p(name);
    return p.is_relative() ? (fs::path(path_).parent_path() / p).string() : name;
}

void TReadAhead::Run()
{
    // Nothing reaches the window from this thread. The window is being made
    // meanwhile, and helper threads would take its processors until it waits.
    ServicesOfThisThread quiet(told_);
    const Parallel::HoldHelpers alone(windowBusy_);
    // The bytes are read at once: they depend on nothing of the program's.
    // Stamped before they are read: a change while they are read shows.
    if (::stat(path_.c_str(), &stamp_) == 0 && FileUtils::TextFileProblem(path_).empty())
        textRead_ = ReadTextLines(path_, lines_);
    utf8_ = textRead_ && TextCodec::IsValidUtf8(lines_);
    // The network waits for the program's own start (its number format, its
    // records put as at start) and for the settings it is read with.
    {
        std::unique_lock<std::mutex> lock(mutex_);
        startGiven_.wait(lock, [this] { return started_ || cancelled_; });
        if (cancelled_)
            return;
    }
    if (!textRead_)
        return;
    Network.Options.UtmZone = utmZone_;
    Network.Options.UtmHemisphere = hemisphere_;
    readOk_ = ReadNetwork(lines_, settings_);
    // Aside until the opening takes it: the model stays as at start meanwhile.
    network_.Keep();
}

bool TReadAhead::WaitFor(std::chrono::milliseconds limit)
{
    windowBusy_ = false;
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_.wait_for(lock, limit, [this] { return done_; });
}

void TReadAhead::Wait()
{
    windowBusy_ = false;
    if (worker_.joinable())
        worker_.join();
}

bool TReadAhead::Fits(const std::string& path, const TReadSettings& settings, int utmZone,
                      const std::string& hemisphere)
{
    Wait();
    struct stat now {};
    return started_ && textRead_ && path == path_ && ::stat(path_.c_str(), &now) == 0 && SameFile(now, stamp_) &&
           settings.NetworkDatFile == settings_.NetworkDatFile &&
           BesideNetwork(settings.ErrorListFile) == settings_.ErrorListFile &&
           settings.ReadTransitLines == settings_.ReadTransitLines && utmZone == utmZone_ &&
           hemisphere == hemisphere_;
}

bool TReadAhead::Install(ViewerServices& ui, const TReadSettings& settings)
{
    network_.Restore();
    Network.ErrorListFile = settings.ErrorListFile; // as the opening's own read names it
    told_.Replay(ui);
    return readOk_;
}

} // namespace PalvonRead
