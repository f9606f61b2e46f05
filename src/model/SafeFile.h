#pragma once
// The one way user files are written: the new contents go to a uniquely named
// file beside the target, every write and the close are checked, the data reach
// the disk (fsync), and only then is the file renamed over the target, keeping
// the target's permissions. A symbolic link is written through (the link stays a
// link, the file it names gets the new contents). A target without write
// permission bits is refused, whoever runs the program. A failure leaves the
// earlier file exactly as it was and nothing under the real name.
//
// Scratch names carry the writing process's id and end in a check of the name, so
// that no name a user makes up is taken for one; names left by a process that is
// gone (a killed program, a power cut) are removed the next time a file is
// written in that folder, or when a network is opened there.
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace SafeFile {

// A target resolved for writing.
struct TTarget {
    std::string path;    // as named
    std::string real;    // the file that is written (symbolic links followed)
    bool exists = false;
    mode_t mode = 0;     // permissions the new file gets
    uid_t uid = 0;       // owner and group of the existing file, which the new one keeps
    gid_t gid = 0;
};

// Resolves `path` and says why it cannot be written ("" when it can), as text that
// completes "No se pudo grabar el archivo X: ...".
std::string Prepare(const std::string& path, TTarget& target);

// The reason for an errno value, as Prepare words its reasons.
std::string Reason(int err);

// The message the user reads when a write failed: the file, why, and that the
// earlier file (if any) was kept.
std::string FailureMessage(const std::string& path, const std::string& why);
// The same for the last failed Write of this thread when it was for `path` (callers
// that only learn "false" from a writer); without one, the message without a reason.
std::string FailureMessage(const std::string& path);

// A scratch file beside a prepared target.
class TScratch {
public:
    // Sweeps the folder of leftovers first unless `sweep` is false (a set's
    // later members, whose folder was swept for the first).
    explicit TScratch(const TTarget& target, bool sweep = true);
    ~TScratch(); // removes the scratch file unless it was published or moved
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;

    bool Ok() const { return fd_ >= 0 && why_.empty(); }
    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    const std::string& Why() const { return why_; }

    // Appends bytes; false (with Why()) on any short or failed write.
    bool Write(const void* data, size_t size);
    // Flushes (fsync unless `sync` is false), sets the permissions, closes and renames
    // over the target. False with Why() on any failure; the target is then untouched.
    bool Publish(bool sync = true);
    // Publish for a scratch file that a library wrote by its name (a PDF printer).
    // A library may report success over a file the disk cut short: `head` and
    // `tail` (when not empty) are the bytes a complete file starts and ends with
    // (blanks after the tail allowed); a file without them is not published.
    bool PublishWrittenByName(bool sync = true, const std::string& head = std::string(),
                              const std::string& tail = std::string());
    // Publish without the rename, for a member of a set (ReplaceSet moves it; the
    // destructor removes it only while it is still there).
    bool Finish(bool sync = true);
    // The set moved the file away (in, or in and back out): its name is no longer
    // ours, and another may take it, so the destructor leaves it alone.
    void Moved() { published_ = true; }

private:
    bool Complete(const std::string& head, const std::string& tail) const;
    std::string Shortened() const;

    TTarget target_;
    std::string name_;
    std::string why_;
    int fd_ = -1;
    bool published_ = false;
};

// A scratch folder beside a target, for writers that make several files at once
// (a shapefile set). Removed with its contents by the destructor.
class TScratchDir {
public:
    explicit TScratchDir(const std::string& besidePath);
    ~TScratchDir();
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;
    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    const std::string& Why() const { return why_; }

private:
    std::string path_;
    std::string why_;
};

// The folder's scratch names whose writer is gone are removed (nothing else is
// touched).
void RemoveLeftovers(const std::string& folder);

// Writes bytes safely; false with the reason in *why. `sync` false skips the fsync
// (a log rewritten on every read need not wait for the disk). `ownFile`: a file the
// program writes on its own, unasked (a log): a symbolic link, or anything but a
// regular file, under its name is left as it is and nothing is written, since a
// link there may lead to any file of the user's.
bool Write(const std::string& path, const std::string& bytes, std::string* why = nullptr, bool sync = true,
           bool ownFile = false);

// Why Write would refuse `path` before writing anything ("" when it would go
// ahead), judged as Write judges it at that moment: for a command that checks
// where its files go before a step it would otherwise take for nothing.
std::string Refusal(const std::string& path);

// While one lives, every write of this thread is of a file the program names
// itself (as `ownFile` above): a name the user never chose is not followed
// through a link.
class TProgramNamed {
public:
    TProgramNamed();
    ~TProgramNamed();
    TProgramNamed(const TProgramNamed&) = delete;
    TProgramNamed& operator=(const TProgramNamed&) = delete;
};

// The same for contents too large to hold at once: produce(write) hands them to
// write piece by piece and returns false when it or a write failed.
bool WritePieces(const std::string& path, const std::function<bool(const std::function<bool(std::string_view)>&)>& produce,
                 std::string* why = nullptr);

// Moves finished scratch files over their prepared targets as one set (permissions
// kept): the earlier files are kept aside until every member is in, and put back
// when one cannot be moved. An earlier file is kept as a hard link, or as a copy
// where the file system refuses links; one that cannot be kept either way refuses
// the set before anything is moved. False with the reason in why, and in failedAt
// (when given) the member that could not be moved or kept. In moved (when given)
// the number of scratch files, from the first, that no longer stand under their
// names: all on success, those moved in and put back on a failure.
bool ReplaceSet(const std::vector<std::string>& scratches, const std::vector<TTarget>& targets, std::string& why,
                size_t* failedAt = nullptr, size_t* moved = nullptr);

// Writes a set of files that belong together member by member: each member goes to
// a scratch file beside its target as soon as it is added, so that only the member
// at hand is held in memory, and Commit swaps them all in by ReplaceSet. Without a
// Commit that went through, the destructor removes every scratch file and the
// earlier files stay whole. The first failure is kept (FailedPath, Why) and every
// later call fails with it. Under a TProgramNamed, or with `programNamed`, a link
// under a name refuses the set as Write refuses it.
class TSetWriter {
public:
    explicit TSetWriter(bool programNamed = false);
    ~TSetWriter();
    TSetWriter(const TSetWriter&) = delete;
    TSetWriter& operator=(const TSetWriter&) = delete;

    // Checks the target and writes the member beside it. A file added again (by
    // any of its names) takes the later bytes, in its first place in the set.
    bool Add(const std::string& path, std::string_view bytes);
    bool Commit();
    // The files in the set (each once).
    size_t Count() const { return members_.size(); }
    const std::string& FailedPath() const { return failedPath_; }
    const std::string& Why() const { return why_; }

private:
    struct TMember {
        std::string path;
        std::string file; // the file written, as one absolute name
        TTarget target;
        std::unique_ptr<TScratch> scratch;
    };
    bool Fail(const std::string& path, const std::string& why);

    bool programNamed_;
    std::vector<std::string> swept_; // folders swept of leftovers for this set
    bool failed_ = false;
    bool committed_ = false;
    std::vector<TMember> members_;
    std::string failedPath_, why_;
};

} // namespace SafeFile
