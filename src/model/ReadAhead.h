#pragma once
// A network read on a worker thread before anyone asks for it: the one named on
// the command line, read while the window is being made (nothing else uses the
// model then), so that a large network's reading costs the user no time of its
// own. The opening takes the read up only when it would have read the same thing:
// the same file, unchanged since, with the same settings and UTM zone; otherwise
// it reads as always. What the read tells the window is told, in the same order,
// when the read is taken up. The read fills the model's own records and then sets
// them aside: it is for a program with no network open yet, and nothing may use
// the model until Fits has waited for it.
#include "model/PalvonRead.h"
#include "model/SavedNetwork.h"
#include "model/TextLines.h"
#include "model/ViewerServices.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace PalvonRead {

class TReadAhead {
public:
    // Starts reading the text of the network at path (absolute); the network is
    // read from it once Start gives the settings.
    explicit TReadAhead(std::string path);
    // Both at once.
    TReadAhead(std::string path, TReadSettings settings, int utmZone, std::string hemisphere);
    // Waits for the read (one never started stops after the text); the network
    // read is dropped unless installed.
    ~TReadAhead();
    // Reads the network with these settings, UTM zone and hemisphere. A relative
    // error list is written beside the network, where an opening writes it.
    void Start(TReadSettings settings, int utmZone, std::string hemisphere);
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // Waits for the read to end: until then the model is the read's.
    void Wait();
    // Waits at most `limit` for the read to end; true when it has.
    bool WaitFor(std::chrono::milliseconds limit);
    // Waits for the read. True when it is what reading path now would give, with
    // these settings and this UTM zone and hemisphere.
    bool Fits(const std::string& path, const TReadSettings& settings, int utmZone, const std::string& hemisphere);

    // The text as the read left it (includes and notes in), and whether every line
    // of the file was UTF-8. Only after Fits.
    TTextLines TakeText() { return std::move(lines_); }
    bool Utf8() const { return utf8_; }

    // Puts the network read into the model in place of what is there, tells `ui`
    // what the read told, and returns whether the read took the network (as
    // ReadNetwork does). Only once, after Fits.
    bool Install(ViewerServices& ui, const TReadSettings& settings);

private:
    void Run();
    std::string BesideNetwork(const std::string& name) const;

    std::string path_;
    TReadSettings settings_;
    int utmZone_ = 0;
    std::string hemisphere_;
    struct stat stamp_ {};
    bool textRead_ = false;
    TTextLines lines_;
    bool utf8_ = true;
    bool readOk_ = false;
    SavedNetwork network_;
    RecordedServices told_;
    std::mutex mutex_;
    std::condition_variable ended_;
    std::condition_variable startGiven_;
    bool started_ = false;
    bool cancelled_ = false;
    bool done_ = false;
    std::atomic<bool> windowBusy_{true}; // the read takes no helper threads meanwhile
    std::thread worker_;
};

} // namespace PalvonRead
