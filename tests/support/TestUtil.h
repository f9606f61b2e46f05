#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sched.h>
#include <unistd.h>

namespace testutil {

// fork() for a child that goes on running the program's code (a child killed half
// way, one under other limits or another user). A child has only the thread that
// forked: Qt's shared pool, which the raster painter hands large fills to, would
// pass work to its idle threads, gone in the child, and wait for it forever. The
// pool is emptied first, so that the child's pool starts threads of its own.
pid_t Fork();

// A folder under the system temp dir, removed when the object goes.
class TempDir {
public:
    TempDir()
    {
        auto base = std::filesystem::temp_directory_path();
        for (int i = 0;; ++i) {
            path_ = base / ("velmora_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter()++) + "_" + std::to_string(i));
            if (std::filesystem::create_directories(path_))
                break;
        }
    }
    ~TempDir() { std::error_code ec; std::filesystem::remove_all(path_, ec); }
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    static int& counter() { static int c = 0; return c; }
    std::filesystem::path path_;
};

// Makes a folder the working directory for a scope: files the program writes
// "in the working directory" then never meet those of tests running in parallel.
class WorkingDir {
public:
    explicit WorkingDir(const std::filesystem::path& dir) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~WorkingDir()
    {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
    }

private:
    std::filesystem::path previous_;
};

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Resident memory of this process in kB: now (VmRSS) or at its peak (VmHWM).
// ResetPeakMemory makes the peak the present size (false where the kernel cannot).
inline long MemoryKb(const char* field = "VmRSS:")
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::char_traits<char>::length(field));
    return 0;
}
inline long PeakMemoryKb() { return MemoryKb("VmHWM:"); }
inline bool ResetPeakMemory()
{
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    f.close();
    return bool(f);
}

inline std::string dataPath(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/" + name; }
// The public test networks: the folder named by $VELMORA_REAL_DATA, else
// ../shared/data/real beside the checkout. A test that needs them fails, saying
// where it looked, when that folder is missing: they are never skipped.
inline std::string realDataDir()
{
    const char* env = std::getenv("VELMORA_REAL_DATA");
    const std::filesystem::path dir = (env && *env)
        ? std::filesystem::path(env)
        : std::filesystem::path(VELMORA_SOURCE_DIR) / ".." / "shared" / "data" / "real";
    if (!std::filesystem::is_directory(dir))
        throw std::runtime_error("the real test networks are missing: no folder " + dir.lexically_normal().string() +
                                 " (place them at ../shared/data/real beside the checkout or name their folder in VELMORA_REAL_DATA)");
    return dir.lexically_normal().string();
}
inline std::string realDataPath(const std::string& name) { return realDataDir() + "/" + name; }

// The calling thread, and the threads it starts, run on the first `count`
// processors the process may use (0: on all of them) until the end of the scope:
// helper threads then run after, beside or interleaved with it.
class OnCores {
public:
    explicit OnCores(int count)
    {
        sched_getaffinity(0, sizeof saved_, &saved_);
        if (count <= 0)
            return;
        cpu_set_t set;
        CPU_ZERO(&set);
        for (int c = 0, taken = 0; c < CPU_SETSIZE && taken < count; ++c)
            if (CPU_ISSET(c, &saved_)) {
                CPU_SET(c, &set);
                ++taken;
            }
        sched_setaffinity(0, sizeof set, &set);
    }
    ~OnCores() { sched_setaffinity(0, sizeof saved_, &saved_); }
    OnCores(const OnCores&) = delete;
    OnCores& operator=(const OnCores&) = delete;

private:
    cpu_set_t saved_;
};

} // namespace testutil
