#include "model/SafeFile.h"

#include "model/ZelUtils.h"

#include <cctype>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace SafeFile {

namespace {

// Marker of scratch names: ".<name>.velmora-<pid>-<6 letters or digits>-<check>".
constexpr char Marker[] = ".velmora-";

std::string Folder(const std::string& path)
{
    const fs::path dir = fs::path(path).parent_path();
    return dir.empty() ? std::string(".") : dir.string();
}

std::string ScratchPrefix(const std::string& besidePath)
{
    // Long names would make the scratch name longer than a folder entry may be.
    std::string name = fs::path(besidePath).filename().string().substr(0, 100);
    return (fs::path(Folder(besidePath)) / ("." + name + Marker + std::to_string(::getpid()) + "-")).string();
}

std::string RandomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static thread_local std::mt19937 rng(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
    std::string s(6, 'a');
    for (char& c : s)
        c = letters[rng() % (sizeof(letters) - 1)];
    return s;
}

// The check that closes a scratch name: eight hex digits of a hash of the name
// before it. A name the user made up (".notas.txt.velmora-4000000-zzzzzz") lacks it.
std::string Check(std::string_view name)
{
    uint32_t h = 2166136261u;
    for (const char c : std::string_view("velmora-scratch"))
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    for (const char c : name)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return ZelUtils::Format("%08x", h);
}

// A new scratch name beside besidePath: prefix, 6 random letters or digits, '-', check.
std::string ScratchName(const std::string& besidePath)
{
    const std::string name = ScratchPrefix(besidePath) + RandomSuffix();
    return name + "-" + Check(fs::path(name).filename().string());
}

// The process id of a scratch name of ours, or 0 when the name is not one:
// ".<name>.velmora-<pid>-<6 letters or digits>-<check>", the check matching.
pid_t ScratchOwner(const std::string& name)
{
    constexpr size_t CheckSize = 8, RandomSize = 6;
    if (name.size() < 2 + CheckSize || name[0] != '.' || name[name.size() - CheckSize - 1] != '-')
        return 0;
    const std::string_view head(name.data(), name.size() - CheckSize - 1);
    if (name.compare(head.size() + 1, CheckSize, Check(head)) != 0)
        return 0;
    const size_t at = head.rfind(Marker);
    if (at == std::string::npos || at == 0)
        return 0;
    size_t p = at + sizeof(Marker) - 1;
    long long pid = 0;
    size_t digits = 0;
    for (; p < head.size() && head[p] >= '0' && head[p] <= '9' && digits < 10; ++p, ++digits)
        pid = pid * 10 + (head[p] - '0');
    if (digits == 0 || pid > INT32_MAX || p >= head.size() || head[p] != '-' || head.size() - p - 1 != RandomSize)
        return 0;
    for (size_t i = p + 1; i < head.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(head[i])))
            return 0;
    return static_cast<pid_t>(pid);
}

// The last failed Write of this thread: its path and reason.
thread_local std::string lastPath, lastWhy;

bool ProcessAlive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// The new file gets the owner and group of the file it replaces: all of them when
// the program runs as root, the group when the user belongs to it (the system
// refuses the rest, and the file then stays the writer's). Done before the mode,
// which a change of owner may clear of its set-id bits.
void KeepOwner(int fd, const TTarget& target)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || (st.st_uid == target.uid && st.st_gid == target.gid))
        return;
    if (::geteuid() == 0 && ::fchown(fd, target.uid, target.gid) == 0)
        return;
    if (st.st_gid != target.gid && ::fchown(fd, static_cast<uid_t>(-1), target.gid) != 0) {
        // Not a member of the file's group: the writer's group stands.
    }
}

bool NoWriteBits(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

} // namespace

std::string Reason(int err)
{
    switch (err) {
    case ENOSPC:
        return "no queda espacio en el disco";
    case EDQUOT:
        return "se agotó la cuota de disco";
    case EFBIG:
        return "el archivo supera el tamaño máximo permitido";
    case EACCES:
    case EPERM:
        return "no hay permiso de escritura";
    case EROFS:
        return "el disco es de solo lectura";
    case ENOENT:
        return "la carpeta no existe";
    case ENOTDIR:
        return "un archivo ocupa el nombre de una de sus carpetas";
    case ENAMETOOLONG:
        return "el nombre es demasiado largo";
    case EIO:
        return "error de lectura o escritura en el disco";
    default:
        return ZelUtils::Format("error del sistema %d", err);
    }
}

std::string FailureMessage(const std::string& path, const std::string& why)
{
    return ZelUtils::Format("No se pudo grabar el archivo %s: %s.\rSi existía, no ha sido modificado.", path, why);
}

std::string FailureMessage(const std::string& path)
{
    if (path == lastPath && !lastWhy.empty())
        return FailureMessage(path, lastWhy);
    return ZelUtils::Format("No se pudo grabar el archivo %s.\rSi existía, no ha sido modificado.", path);
}

std::string Prepare(const std::string& path, TTarget& target)
{
    target = TTarget();
    target.path = path;
    target.real = path;
    target.mode = 0666;
    if (path.empty())
        return "no se indicó el nombre del archivo";
    // Through symbolic links (a chain of them too) to the file they name.
    struct stat st {};
    for (int hops = 0; ::lstat(target.real.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
        if (hops >= 40)
            return "el enlace simbólico no lleva a ningún archivo";
        std::error_code ec;
        fs::path to = fs::read_symlink(target.real, ec);
        if (ec)
            return Reason(ec.value());
        if (to.is_relative())
            to = fs::path(Folder(target.real)) / to;
        target.real = to.lexically_normal().string();
    }
    if (::lstat(target.real.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return "no es un archivo (es una carpeta, un dispositivo o una tubería)";
        // The permission bits decide, also for a user whom the system lets write anyway.
        if (NoWriteBits(st.st_mode))
            return "es de solo lectura";
        if (::access(target.real.c_str(), W_OK) != 0)
            return errno == EACCES ? "es de solo lectura" : Reason(errno);
        target.exists = true;
        target.mode = st.st_mode & 07777;
        target.uid = st.st_uid;
        target.gid = st.st_gid;
    } else if (errno != ENOENT) {
        return Reason(errno);
    }
    const std::string dir = Folder(target.real);
    if (::stat(dir.c_str(), &st) != 0)
        return Reason(errno);
    if (!S_ISDIR(st.st_mode))
        return "un archivo ocupa el nombre de una de sus carpetas";
    if (NoWriteBits(st.st_mode) || ::access(dir.c_str(), W_OK) != 0)
        return "la carpeta es de solo lectura";
    return std::string();
}

TScratch::TScratch(const TTarget& target, bool sweep) : target_(target)
{
    if (sweep)
        RemoveLeftovers(Folder(target.real));
    for (int attempt = 0; attempt < 100; ++attempt) {
        name_ = ScratchName(target.real);
        // 0666 through the umask: a new file gets the permissions any new file gets.
        fd_ = ::open(name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        why_ = errno == EACCES || errno == EPERM ? "la carpeta es de solo lectura" : Reason(errno);
        name_.clear();
    }
}

TScratch::~TScratch()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!published_ && !name_.empty())
        ::unlink(name_.c_str());
}

bool TScratch::Write(const void* data, size_t size)
{
    if (!Ok())
        return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why_ = Reason(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool TScratch::Finish(bool sync)
{
    if (!Ok())
        return false;
    int err = 0;
    if (sync && ::fsync(fd_) != 0)
        err = errno;
    if (!err && target_.exists)
        KeepOwner(fd_, target_);
    if (!err && target_.exists && ::fchmod(fd_, target_.mode) != 0)
        err = errno;
    if (::close(fd_) != 0 && !err)
        err = errno;
    fd_ = -1;
    if (err)
        why_ = Reason(err);
    return !err;
}

bool TScratch::PublishWrittenByName(bool sync, const std::string& head, const std::string& tail)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = name_.empty() ? -1 : ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0 && why_.empty())
        why_ = Reason(errno);
    if (fd_ >= 0 && why_.empty() && !(head.empty() && tail.empty()) && !Complete(head, tail))
        why_ = Shortened();
    return Publish(sync);
}

bool TScratch::Complete(const std::string& head, const std::string& tail) const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_size < off_t(head.size() + tail.size()) || st.st_size == 0)
        return false;
    std::string start(head.size(), '\0');
    if (!head.empty() && (::pread(fd_, start.data(), start.size(), 0) != ssize_t(start.size()) || start != head))
        return false;
    if (tail.empty())
        return true;
    // The tail within the last bytes, blanks and line ends after it allowed.
    const off_t span = std::min<off_t>(st.st_size, off_t(tail.size()) + 64);
    std::string end(size_t(span), '\0');
    if (::pread(fd_, end.data(), end.size(), st.st_size - span) != ssize_t(end.size()))
        return false;
    while (!end.empty() && std::isspace(static_cast<unsigned char>(end.back())))
        end.pop_back();
    return end.size() >= tail.size() && end.compare(end.size() - tail.size(), tail.size(), tail) == 0;
}

std::string TScratch::Shortened() const
{
    // The library does not say why its file came out short: the file-size limit
    // or the free space of the disk tell.
    struct stat st {};
    rlimit limit {};
    if (::fstat(fd_, &st) == 0 && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && rlim_t(st.st_size) + 65536 >= limit.rlim_cur)
        return Reason(EFBIG);
    struct statvfs fs {};
    if (::fstatvfs(fd_, &fs) == 0 && uint64_t(fs.f_bavail) * fs.f_frsize < 1024 * 1024)
        return Reason(ENOSPC);
    return "el archivo qued\xC3\xB3 incompleto";
}

bool TScratch::Publish(bool sync)
{
    if (!Finish(sync))
        return false;
    if (::rename(name_.c_str(), target_.real.c_str()) != 0) {
        why_ = Reason(errno);
        return false;
    }
    published_ = true;
    if (sync) {
        // The rename itself reaches the disk with the folder.
        const int dir = ::open(Folder(target_.real).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return true;
}

TScratchDir::TScratchDir(const std::string& besidePath)
{
    RemoveLeftovers(Folder(besidePath));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = ScratchName(besidePath);
        if (::mkdir(name.c_str(), 0700) == 0) {
            path_ = name;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    why_ = errno == EACCES || errno == EPERM ? "la carpeta es de solo lectura" : Reason(errno);
}

TScratchDir::~TScratchDir()
{
    std::error_code ec;
    if (!path_.empty())
        fs::remove_all(path_, ec);
}

void RemoveLeftovers(const std::string& folder)
{
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return;
    std::vector<std::string> gone;
    while (const dirent* e = ::readdir(d)) {
        const pid_t owner = ScratchOwner(e->d_name);
        if (owner > 0 && owner != ::getpid() && !ProcessAlive(owner))
            gone.emplace_back(e->d_name);
    }
    ::closedir(d);
    // Only what a writer of ours makes goes: a scratch file, or a scratch folder
    // with the files written into it. A link, or a folder holding more than files,
    // may be the user's and stays (links are never followed).
    const fs::path dir(folder.empty() ? "." : folder);
    for (const std::string& name : gone) {
        const std::string path = (dir / name).string();
        struct stat st {};
        // A writer of ours made it under this program's user.
        if (::lstat(path.c_str(), &st) != 0 || st.st_uid != ::geteuid())
            continue;
        if (S_ISREG(st.st_mode)) {
            ::unlink(path.c_str());
        } else if (S_ISDIR(st.st_mode)) {
            DIR* sub = ::opendir(path.c_str());
            if (!sub)
                continue;
            std::vector<std::string> files;
            while (const dirent* e = ::readdir(sub)) {
                const std::string inner = path + "/" + e->d_name;
                struct stat ist {};
                if (::lstat(inner.c_str(), &ist) == 0 && S_ISREG(ist.st_mode))
                    files.push_back(inner);
            }
            ::closedir(sub);
            for (const std::string& f : files)
                ::unlink(f.c_str());
            ::rmdir(path.c_str());
        }
    }
}

namespace {

// Files written while a TProgramNamed lives on this thread are the program's own.
thread_local int programNamed = 0;

// Prepare, for a file the program names itself when ownFile: a symbolic link, or
// anything but a regular file, under its name is refused, and the rename replaces
// the name, never what a link put there meanwhile leads to.
std::string PrepareFor(const std::string& path, TTarget& target, bool ownFile)
{
    ownFile = ownFile || programNamed > 0;
    struct stat st {};
    if (ownFile && ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return S_ISLNK(st.st_mode) ? "es un enlace simbólico" : "no es un archivo (es una carpeta, un dispositivo o una tubería)";
    std::string problem = Prepare(path, target);
    if (ownFile && problem.empty())
        target.real = target.path;
    return problem;
}

} // namespace

std::string Refusal(const std::string& path)
{
    TTarget target;
    return PrepareFor(path, target, false);
}

TProgramNamed::TProgramNamed() { ++programNamed; }
TProgramNamed::~TProgramNamed() { --programNamed; }

bool Write(const std::string& path, const std::string& bytes, std::string* why, bool sync, bool ownFile)
{
    TTarget target;
    std::string problem = PrepareFor(path, target, ownFile);
    if (problem.empty()) {
        TScratch scratch(target);
        if (scratch.Write(bytes.data(), bytes.size()) && scratch.Publish(sync))
            return true;
        problem = scratch.Why();
    }
    lastPath = path;
    lastWhy = problem;
    if (why)
        *why = problem;
    return false;
}

bool WritePieces(const std::string& path, const std::function<bool(const std::function<bool(std::string_view)>&)>& produce,
                 std::string* why)
{
    TTarget target;
    std::string problem = PrepareFor(path, target, false);
    if (problem.empty()) {
        TScratch scratch(target);
        if (scratch.Ok() &&
            produce([&scratch](std::string_view piece) { return scratch.Write(piece.data(), piece.size()); }) &&
            scratch.Publish())
            return true;
        problem = scratch.Why();
    }
    lastPath = path;
    lastWhy = problem;
    if (why)
        *why = problem;
    return false;
}

namespace {

// Keeps the earlier file of a set's member under a scratch name beside it until the
// set is in: a hard link where the file system makes one, else a copy of its bytes
// with its owner, permissions and times (a file system without links, a file at
// its limit of links, links to another's file refused): a file put back from the
// copy looks to the user, and to tools that go by dates, as it was. "" when kept (the name in
// kept; empty when the file is gone meanwhile and nothing needs keeping), else why not.
std::string KeepAside(const TTarget& target, std::string& kept)
{
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        kept = ScratchName(target.real);
        if (::link(target.real.c_str(), kept.c_str()) == 0)
            return {};
        err = errno;
        if (err != EEXIST)
            break;
    }
    kept.clear();
    if (err == ENOENT && ::access(target.real.c_str(), F_OK) != 0 && errno == ENOENT)
        return {};
    const int from = ::open(target.real.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    int to = -1;
    err = from < 0 ? errno : 0;
    // Its times as they were before it is read.
    struct stat st {};
    if (!err && ::fstat(from, &st) != 0)
        err = errno;
    const timespec times[2] = {st.st_atim, st.st_mtim};
    for (int attempt = 0; !err && attempt < 100; ++attempt) {
        kept = ScratchName(target.real);
        to = ::open(kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (to >= 0)
            break;
        err = errno == EEXIST ? 0 : errno;
        kept.clear();
    }
    if (!err && to < 0)
        err = EEXIST;
    std::vector<char> buffer(err ? 0 : 1 << 16);
    while (!err) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; !err && done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                err = w < 0 ? errno : ENOSPC;
            else
                done += w;
        }
    }
    if (!err)
        KeepOwner(to, target);
    if (!err && ::fchmod(to, target.mode) != 0)
        err = errno;
    if (!err && ::futimens(to, times) != 0)
        err = errno;
    if (!err && ::fsync(to) != 0)
        err = errno;
    if (to >= 0 && ::close(to) != 0 && !err)
        err = errno;
    if (from >= 0)
        ::close(from);
    if (!err)
        return {};
    if (!kept.empty())
        ::unlink(kept.c_str());
    kept.clear();
    // The earlier file itself refused to be read (writable, not readable, by this
    // user): a reason about writing would send the user to the wrong permission.
    if (from < 0 && (err == EACCES || err == EPERM))
        return "no se pudo guardar una copia del archivo anterior (no hay permiso de lectura)";
    return ZelUtils::Format("no se pudo guardar una copia del archivo anterior (%s)", Reason(err));
}

} // namespace

bool ReplaceSet(const std::vector<std::string>& scratches, const std::vector<TTarget>& targets, std::string& why,
                size_t* failedAt, size_t* movedOut)
{
    if (movedOut)
        *movedOut = 0;
    std::vector<std::string> kept(targets.size());
    const auto dropKept = [&kept] {
        for (const std::string& k : kept)
            if (!k.empty())
                ::unlink(k.c_str());
    };
    // Every earlier file is kept before any is replaced: one that cannot be kept
    // could not be put back, and the set does not go on.
    for (size_t i = 0; i < targets.size(); ++i) {
        if (!targets[i].exists)
            continue;
        if (std::string problem = KeepAside(targets[i], kept[i]); !problem.empty()) {
            why = std::move(problem);
            if (failedAt)
                *failedAt = i;
            dropKept();
            return false;
        }
    }
    size_t moved = 0;
    for (; moved < targets.size(); ++moved) {
        const TTarget& t = targets[moved];
        if (t.exists) {
            const int fd = ::open(scratches[moved].c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                KeepOwner(fd, t);
                ::close(fd);
            }
        }
        if (t.exists && ::chmod(scratches[moved].c_str(), t.mode) != 0)
            break;
        if (::rename(scratches[moved].c_str(), t.real.c_str()) != 0)
            break;
    }
    const bool ok = moved == targets.size();
    if (movedOut)
        *movedOut = moved;
    if (!ok) {
        why = Reason(errno);
        if (failedAt)
            *failedAt = moved;
        for (size_t j = 0; j < moved; ++j) {
            if (!kept[j].empty() && ::rename(kept[j].c_str(), targets[j].real.c_str()) == 0)
                kept[j].clear();
            else if (kept[j].empty()) // nothing was there before (or it went meanwhile)
                ::unlink(targets[j].real.c_str());
        }
    }
    dropKept();
    return ok;
}

TSetWriter::TSetWriter(bool programNamed) : programNamed_(programNamed) {}

// The members' scratch files that were not moved in go with them.
TSetWriter::~TSetWriter() = default;

bool TSetWriter::Fail(const std::string& path, const std::string& why)
{
    failed_ = true;
    failedPath_ = path;
    why_ = why;
    members_.clear(); // their scratch files go at once
    return false;
}

bool TSetWriter::Add(const std::string& path, std::string_view bytes)
{
    if (failed_ || committed_)
        return false;
    TTarget target;
    if (const std::string problem = PrepareFor(path, target, programNamed_); !problem.empty())
        return Fail(path, problem);
    // The folder is swept of dead writers' leftovers once for the set, not once
    // per member: a set of hundreds of pages would read its folder hundreds of times.
    const std::string folder = Folder(target.real);
    const bool sweep = std::find(swept_.begin(), swept_.end(), folder) == swept_.end();
    if (sweep)
        swept_.push_back(folder);
    auto scratch = std::make_unique<TScratch>(target, sweep);
    if (!scratch->Write(bytes.data(), bytes.size()) || !scratch->Finish())
        return Fail(path, scratch->Why());
    // One file under two names would be replaced twice and could not be put back.
    std::error_code ec;
    std::string file = fs::absolute(target.real, ec).lexically_normal().string();
    const auto same =
        std::find_if(members_.begin(), members_.end(), [&file](const TMember& m) { return m.file == file; });
    if (same != members_.end()) {
        same->target = target;
        same->scratch = std::move(scratch);
    } else {
        members_.push_back({path, std::move(file), target, std::move(scratch)});
    }
    return true;
}

bool TSetWriter::Commit()
{
    if (failed_ || committed_)
        return committed_;
    std::vector<std::string> names;
    std::vector<TTarget> targets;
    for (const TMember& m : members_) {
        names.push_back(m.scratch->Name());
        targets.push_back(m.target);
    }
    std::string why;
    size_t failedAt = 0, moved = 0;
    const bool ok = ReplaceSet(names, targets, why, &failedAt, &moved);
    for (size_t i = 0; i < moved; ++i)
        members_[i].scratch->Moved();
    if (!ok)
        return Fail(members_[failedAt].path, why); // the member that could not go in
    committed_ = true;
    return true;
}

} // namespace SafeFile
