// Every writer of user files against the ways a write fails: a read-only file and
// a read-only folder (as root and as another user), a full disk (a small disk of
// its own), a disk that fills up half way (a file-size limit) and a program killed
// half way. The earlier files stay byte for byte, one Spanish message says why,
// and nothing is left under the real name; a killed write's scratch files go at
// the next save in the folder. The PDF print, which needs the window, meets the
// same failures in the printing window tests.
#include "archive/ZipForge.h"
#include "export/Emme2Export.h"
#include "export/GeoWriters.h"
#include "export/KmzExport.h"
#include "export/ZelDxfer.h"
#include "export/ZelShper0.h"
#include "analysis/KDVanalysis.h"
#include "map/GeoLayers.h"
#include "map/LineLayers.h"
#include "model/FileUtils.h"
#include "model/KDVvars.h"
#include "model/PalvonListings.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/PolygonFile.h"
#include "model/SafeFile.h"
#include "model/SelectionFiles.h"
#include "platform/IniFile.h"
#include "support/RecordingServices.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <grp.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <iostream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testutil::readFile;

// A disk that takes the data but cannot promise to keep them: fsync fails with this
// error while it is not 0 (the program's calls come here, the kernel's call after).
static int fsyncRefusal = 0;
extern "C" int fsync(int fd)
{
    if (fsyncRefusal) {
        errno = fsyncRefusal;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

// A file system that makes no hard links: link fails with this error while it is not 0.
static int linkRefusal = 0;
extern "C" int link(const char* from, const char* to)
{
    if (linkRefusal) {
        errno = linkRefusal;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_linkat, AT_FDCWD, from, AT_FDCWD, to, 0));
}

// A set's moves and removals, watched while `watching`: the names moved away by
// rename, the names removed, the folders read; the renameFailAt-th rename (1 =
// the first) fails with EXDEV as a mount point between scratch and target would.
static bool watching = false;
static int renameFailAt = 0, renames = 0;
static std::vector<std::string> movedAway, removed, foldersRead;
extern "C" int rename(const char* from, const char* to)
{
    if (watching && ++renames == renameFailAt) {
        errno = EXDEV;
        return -1;
    }
    const int r = static_cast<int>(::syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to));
    if (watching && r == 0)
        movedAway.emplace_back(from);
    return r;
}
extern "C" int unlink(const char* path)
{
    if (watching)
        removed.emplace_back(path);
    return static_cast<int>(::syscall(SYS_unlinkat, AT_FDCWD, path, 0));
}
extern "C" DIR* opendir(const char* name)
{
    static const auto next = reinterpret_cast<DIR* (*)(const char*)>(::dlsym(RTLD_NEXT, "opendir"));
    if (watching)
        foldersRead.emplace_back(name);
    return next(name);
}

namespace {

// Files of a folder, name -> bytes.
std::map<std::string, std::string> Snapshot(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir))
        files[e.path().filename().string()] = fs::is_regular_file(e.path()) ? readFile(e.path().string()) : "<dir>";
    return files;
}

// A network big enough that every writer writes more than the size limit below.
void SampleNetwork()
{
    PalvonRead::ClearNetwork();
    for (int32_t i = 0; i < 60; ++i) {
        const int32_t n = PalvonRead::NodeIndex(100 + i);
        Nodos[n].X = 350000.0f + 25.0f * float(i);
        Nodos[n].Y = 6300000.0f + 10.0f * float(i % 7);
        Nodos[n].HasXY = 1;
        Nodos[n].Mark = 1;
    }
    for (int32_t i = 1; i < 60; ++i) {
        const int32_t k = PalvonRead::NewLink();
        Arcos[k].A = 99 + i;
        Arcos[k].B = 100 + i;
        Arcos[k].AIndex = PalvonRead::NodeIndex(99 + i);
        Arcos[k].BIndex = PalvonRead::NodeIndex(100 + i);
        Arcos[k].StreetName = "Avenida del Puerto";
        Arcos[k].PointCount = 1;
        Arcos[k].Points[1] = {350000.125 + 25.0 * i, 6300000.5};
        Arcos[k].Mark = 1;
    }
    for (int32_t z = 1; z <= 12; ++z) {
        const int32_t i = PalvonRead::NewZone();
        Zonas[i].Number = z;
        Zonas[i].Polygon = {{0, 0}, {1000.5, 2000.25}, {1500, 2500}, {800, 3000}, {1000.5, 2000.25}};
        Zonas[i].PolygonCount = 4;
    }
    PijaLinkCount = 50;
    for (int32_t r = 1; r <= PijaLinkCount; ++r) {
        PijaLinks[r].A = 100 + r;
        PijaLinks[r].B = 101 + r;
        PijaLinks[r].Zo = r;
        PijaLinks[r].Zd = r + 1;
        PijaLinks[r].Pij = 12.5f;
    }
    // A layer built here, not read: no file remembered from an earlier one.
    GeoLayers().Clear();
    GeoLayers().NumGeoLayers = 1;
    GeoLayers().GeoLayerEnd[1] = 1;
    GeoLayers().GeoLayerVisible[1] = 1;
    GeoLayers().GeoLayerNames[1] = "capa";
    GeoLayers().GeoLinks[1].Id = 7;
    GeoLayers().GeoLinks[1].Points.clear();
    for (int i = 0; i < 40; ++i)
        GeoLayers().GeoLinks[1].Points.push_back({350000.0 + i * 3.25, 6300000.0 + i * 1.5});
    GeoLayers().GeoLinks[1].Count = int32_t(GeoLayers().GeoLinks[1].Points.size());
}

std::vector<int32_t> AllLinks()
{
    std::vector<int32_t> links;
    for (int32_t k = 1; k <= Network.LinkCount; ++k)
        links.push_back(k);
    return links;
}

// Adds `source` to the archive `zip`, making it when new: "" or the message.
std::string ArchiveAdd(const std::string& zipPath, const std::string& source, bool create)
{
    TZipForge zip;
    try {
        zip.FileName = zipPath;
        zip.BaseDir = fs::path(source).parent_path().string();
        zip.OnProcessFileFailure = [](const std::string&, int, int, int, const std::string&, int& action) {
            action = 2;
        };
        if (create)
            zip.OpenArchiveMode(65535);
        else
            zip.OpenArchive();
        zip.AddFiles(source, 10431, std::string());
        zip.CloseArchive();
    } catch (const std::exception& e) {
        return FileUtils::WriteFailure(zipPath, zip.WriteProblem().empty() ? e.what() : zip.WriteProblem());
    }
    return std::string();
}

struct Writer {
    const char* name;
    const char* file;                                      // the target in the folder
    std::function<std::string(const std::string&)> write; // "" or the message the user reads
};

std::string Told(bool ok, const std::string& path) { return ok ? std::string() : FileUtils::WriteFailure(path); }

// Data the archive rows add (incompressible, so the archive outgrows the limit).
std::string Payload()
{
    std::string s(8192, '\0');
    uint32_t x = 12345;
    for (char& c : s) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 24);
    }
    return s;
}

const std::vector<Writer>& Writers()
{
    static const std::vector<Writer> rows = {
        {"selection", "red.sel", [](const std::string& p) { return Told(SelectionFiles::WriteSelection(p), p); }},
        {"zoning", "zonas.txt", [](const std::string& p) { return Told(PolygonFile::WriteZoning(p), p); }},
        {"geo layer", "capa.geo",
         [](const std::string& p) {
             GeoLayers().GeoLayerFiles[1] = p;
             GeoLayers().GeoLayerDirs[1] = fs::path(p).parent_path().string();
             RecordingServices ui;
             const bool ok = KDVlib::WriteGeo();
             return ok ? std::string() : ui.messages.size() == 1 ? ui.messages[0] : "mensajes: " + std::to_string(ui.messages.size());
         }},
        {"shape points", "red.sig", [](const std::string& p) { return Told(KDVlib::WriteSigFile(p), p); }},
        {"settings", "Velmora0.INI",
         [](const std::string& p) {
             try {
                 TIniFile ini(p);
                 ini.HoldWrites();
                 for (int i = 0; i < 40; ++i)
                     ini.WriteString("Velmora", "Clave" + std::to_string(i), "1;0;255;3.5");
                 ini.UpdateFile();
             } catch (const std::exception& e) {
                 return std::string(e.what());
             }
             return std::string();
         }},
        {"dxf", "red.dxf",
         [](const std::string& p) {
             ZelDxfer::TDxfWriter w;
             w.DxfOpen(p);
             for (int i = 0; i < 30; ++i)
                 w.DxfPoint("P", i, 2 * i);
             return Told(w.DxfClose(), p);
         }},
        {"emme2", "red.network",
         [](const std::string& p) {
             std::string error;
             Emme2Export::WriteEmme2(FileUtils::ChangeFileExt(p, ""), error);
             return error;
         }},
        {"utm", "T55555_UTM_.DAT",
         [](const std::string& p) {
             RecordingServices ui;
             const bool ok = KDVlib::WriteUtmFiles(fs::path(p).parent_path().string(), 500.0, -1000.0);
             return ok ? std::string() : ui.messages.size() == 1 ? ui.messages[0] : "mensajes: " + std::to_string(ui.messages.size());
         }},
        {"set of pages", "plan_1_1.EMF",
         [](const std::string& p) {
             // Each page is on disk beside its file once added, before the set goes in.
             const fs::path dir = fs::path(p).parent_path();
             const auto aside = [&dir] {
                 size_t n = 0;
                 for (const auto& e : fs::directory_iterator(dir))
                     n += e.path().filename().string()[0] == '.';
                 return n;
             };
             SafeFile::TSetWriter set(true);
             for (size_t k = 1; k <= 3; ++k) {
                 if (!set.Add((dir / ("plan_" + std::to_string(k) + "_1.EMF")).string(), Payload()))
                     return FileUtils::WriteFailure(set.FailedPath(), set.Why());
                 if (aside() != k)
                     return std::string("las páginas no están en el disco");
             }
             return set.Commit() ? std::string() : FileUtils::WriteFailure(set.FailedPath(), set.Why());
         }},
        {"csv", "pijas.csv", [](const std::string& p) { return Told(KDVanalysis::WritePijaCsv(p, false), p); }},
        {"kmz", "capas.kmz",
         [](const std::string& p) {
             std::string error;
             KmzExport::ExportGeoLayersKmz(p, KmzExport::TKmzConversion(), error);
             return error;
         }},
        {"shapefile", "arcos.shp",
         [](const std::string& p) {
             std::string error;
             ZelShper0::WriteLinkShapefile(p, AllLinks(), 0, 0, false, 0, error);
             return error;
         }},
        {"archive", "datos.zip",
         [](const std::string& p) {
             // Made new the first time, brought up to date after that.
             static testutil::TempDir source;
             static const bool shared = (fs::permissions(source.path(), fs::perms::all), true); // another user adds to it too
             (void)shared;
             static int round = 0;
             const std::string name = source.file("parte" + std::to_string(round++) + ".bin");
             testutil::writeFile(name, Payload());
             return ArchiveAdd(p, name, !fs::exists(p));
         }},
    };
    return rows;
}

constexpr rlim_t Limit = 700; // bytes: below every writer's output

// Runs the writer in a child process limited to Limit bytes per file. With `killed`
// the limit ends the child (as a kill would, mid-write); otherwise the write fails
// and the child exits 0 when the writer said so with one Spanish message.
int WriteInChild(const Writer& w, const std::string& path, bool killed)
{
    const pid_t pid = testutil::Fork();
    if (pid == 0) {
        rlimit core{0, 0};
        ::setrlimit(RLIMIT_CORE, &core);
        std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
        rlimit size{Limit, Limit};
        ::setrlimit(RLIMIT_FSIZE, &size);
        const std::string message = w.write(path);
        // Under the limit, the reason given is the limit.
        ::_exit(message.rfind("No se pudo grabar el archivo ", 0) == 0 &&
                        (killed || message.find(SafeFile::Reason(EFBIG)) != std::string::npos)
                    ? 0
                    : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// Runs the writer in a child process of the user "nobody": 0 when it said `why`.
int WriteAsAnotherUser(const Writer& w, const std::string& path, const char* why)
{
    const pid_t pid = testutil::Fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(2);
        try {
            ::_exit(w.write(path).find(why) != std::string::npos ? 0 : 1);
        } catch (...) {
            ::_exit(3);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

class SafeWrites : public ::testing::Test {
protected:
    void SetUp() override { SampleNetwork(); }
    void TearDown() override
    {
        PalvonRead::ClearNetwork();
        GeoLayers().NumGeoLayers = 0;
        PijaLinkCount = 0;
    }
};

} // namespace

TEST_F(SafeWrites, FailuresKeepTheEarlierFiles)
{
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        testutil::TempDir tmp;
        const fs::path dir = tmp.path() / "carpeta";
        fs::create_directories(dir);
        // A small disk of its own where the system lets one be mounted (as root).
        const bool disk = ::mount("tmpfs", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=2m,mode=0700") == 0;
        struct Unmount {
            const fs::path& dir;
            bool disk;
            ~Unmount()
            {
                if (disk)
                    ::umount2(dir.c_str(), MNT_DETACH);
            }
        } unmount{dir, disk};
        const std::string path = (dir / w.file).string();
        ASSERT_EQ(w.write(path), "");
        const auto before = Snapshot(dir);
        size_t largest = 0;
        for (const auto& [name, bytes] : before)
            largest = std::max(largest, bytes.size());
        ASSERT_GT(largest, Limit); // the limit below is met half way

        // A read-only file, whoever runs the program.
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        std::string message = w.write(path);
        EXPECT_NE(message.find("es de solo lectura"), std::string::npos) << message;
        EXPECT_EQ(Snapshot(dir), before);
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

        // A read-only folder.
        fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        message = w.write(path);
        EXPECT_NE(message.find("la carpeta es de solo lectura"), std::string::npos) << message;
        EXPECT_EQ(Snapshot(dir), before);
        fs::permissions(dir, fs::perms::owner_all);

        if (::geteuid() == 0) {
            // Root's file and folder for another user, whom the system refuses them.
            fs::permissions(dir, fs::perms::all);
            EXPECT_EQ(WriteAsAnotherUser(w, path, "es de solo lectura"), 0) << "file";
            EXPECT_EQ(Snapshot(dir), before);
            fs::permissions(dir, fs::perms(0755));
            for (const auto& e : fs::directory_iterator(dir))
                fs::permissions(e.path(), fs::perms(0666));
            EXPECT_EQ(WriteAsAnotherUser(w, path, "la carpeta es de solo lectura"), 0) << "folder";
            EXPECT_EQ(Snapshot(dir), before);
            if (std::string(w.name) == "set of pages") {
                // Earlier pages the other user may write but not read, on a disk
                // without hard links: none can be kept aside, and the reason is reading.
                fs::permissions(dir, fs::perms::all);
                for (const auto& e : fs::directory_iterator(dir))
                    fs::permissions(e.path(), fs::perms(0622));
                linkRefusal = EPERM;
                EXPECT_EQ(WriteAsAnotherUser(w, path, "(no hay permiso de lectura)"), 0) << "unreadable";
                linkRefusal = 0;
                EXPECT_EQ(Snapshot(dir), before);
            }
            for (const auto& e : fs::directory_iterator(dir))
                fs::permissions(e.path(), fs::perms(0644));
            fs::permissions(dir, fs::perms::owner_all);
        }

        if (disk) {
            // The disk full but for half of the largest file.
            struct statvfs st {};
            ASSERT_EQ(::statvfs(dir.c_str(), &st), 0);
            const std::string filler = (dir / "relleno.bin").string();
            testutil::writeFile(filler, std::string(uint64_t(st.f_bavail) * st.f_frsize - largest / 2, 'x'));
            message = w.write(path);
            EXPECT_NE(message.find("no queda espacio en el disco"), std::string::npos) << message;
            fs::remove(filler);
            EXPECT_EQ(Snapshot(dir), before);
        } else {
            std::cerr << "[ NOTE ] no disk of its own could be mounted: the full disk row is not run\n";
        }

        // The disk fills up half way.
        const int failed = WriteInChild(w, path, false);
        EXPECT_TRUE(WIFEXITED(failed) && WEXITSTATUS(failed) == 0) << "status " << failed;
        EXPECT_EQ(Snapshot(dir), before);

        // The disk cannot keep the data (fsync fails).
        fsyncRefusal = EIO;
        message = w.write(path);
        fsyncRefusal = 0;
        EXPECT_NE(message.find(SafeFile::Reason(EIO)), std::string::npos) << message;
        EXPECT_EQ(Snapshot(dir), before);

        // A new file that cannot be completed leaves nothing under its name.
        const int fresh = WriteInChild(w, (dir / ("nuevo-" + std::string(w.file))).string(), false);
        EXPECT_TRUE(WIFEXITED(fresh) && WEXITSTATUS(fresh) == 0) << "status " << fresh;
        EXPECT_EQ(Snapshot(dir), before);

        // Killed half way: the earlier files are whole; the next save clears the scratch.
        const int killed = WriteInChild(w, path, true);
        EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGXFSZ) << "status " << killed;
        for (const auto& [name, bytes] : before)
            EXPECT_EQ(readFile((dir / name).string()), bytes) << name;
        ASSERT_EQ(w.write(path), "");
        auto after = Snapshot(dir);
        EXPECT_EQ(after.size(), before.size());
        for (const auto& [name, bytes] : before)
            EXPECT_TRUE(after.count(name)) << name;
    }
}

// Scratch names left by a writer that is gone (killed half way) are cleared by
// the next write in the folder; only what a writer made goes (a file, a folder of
// files). Names that only look like scratch names, links among them, stay with
// what they lead to.
TEST_F(SafeWrites, OnlyLeftoversOfGoneWritersAreRemoved)
{
    testutil::TempDir tmp;
    const fs::path dir = tmp.path() / "carpeta", outside = tmp.path() / "fuera";
    fs::create_directories(dir);
    fs::create_directories(outside / "sub");
    testutil::writeFile((outside / "notas.txt").string(), "mis notas");
    testutil::writeFile((outside / "sub" / "mas.txt").string(), "más");
    // Writers killed half way: a scratch file, a scratch folder of files, and one
    // that also holds a folder (not what a writer makes).
    const pid_t gone = testutil::Fork();
    if (gone == 0) {
        SafeFile::TTarget target;
        SafeFile::Prepare((dir / "red.dat").string(), target);
        new SafeFile::TScratch(target);
        const auto* set = new SafeFile::TScratchDir((dir / "capa.shp").string());
        testutil::writeFile(set->Path() + "/capa.shp", "x");
        const auto* other = new SafeFile::TScratchDir((dir / "otra.shp").string());
        fs::create_directories(other->Path() + "/dentro");
        testutil::writeFile(other->Path() + "/dentro/nota.txt", "x");
        ::_exit(0);
    }
    ::waitpid(gone, nullptr, 0);
    std::map<std::string, std::string> killed = Snapshot(dir);
    ASSERT_EQ(killed.size(), 3u);
    const std::string dead = ".velmora-" + std::to_string(gone) + "-";
    // The user's own names that look like ours.
    const std::vector<std::string> users = {".red.dat.velmora-9999999999-abcdef", ".notas.txt.velmora-4000000-zzzzzz",
                                            ".red.dat" + dead + "abcdef", ".red.dat" + dead + "abcdef-00000000"};
    for (const std::string& name : users)
        testutil::writeFile((dir / name).string(), "del usuario");
    fs::create_directories(dir / ".fotos.velmora-999999-abcdef");
    testutil::writeFile((dir / ".fotos.velmora-999999-abcdef" / "foto.jpg").string(), "foto");
    fs::create_directory_symlink(outside, dir / (".enlace" + dead + "stuvwx"));
    fs::create_symlink(outside / "notas.txt", dir / (".nota.txt" + dead + "yzabcd"));
    // A leftover of ours that another user's run left (given away here, as root can):
    // not this user's to remove.
    std::string foreign;
    if (::geteuid() == 0)
        for (const auto& [name, bytes] : killed)
            if (name.rfind(".red.dat", 0) == 0 && ::chown((dir / name).c_str(), 4242, 4242) == 0)
                foreign = name;
    ASSERT_TRUE(SafeFile::Write((dir / "red.dat").string(), "red\r\n"));

    std::string otherSet;
    for (const auto& [name, bytes] : killed) {
        if (name.rfind(".otra.shp", 0) == 0)
            otherSet = name;
        else if (name == foreign)
            EXPECT_TRUE(fs::exists(dir / name)) << name;
        else
            EXPECT_FALSE(fs::exists(dir / name)) << name;
    }
    ASSERT_FALSE(otherSet.empty());
    EXPECT_TRUE(fs::exists(dir / otherSet / "dentro" / "nota.txt"));
    for (const std::string& name : users)
        EXPECT_EQ(readFile((dir / name).string()), "del usuario") << name;
    EXPECT_EQ(readFile((dir / ".fotos.velmora-999999-abcdef" / "foto.jpg").string()), "foto");
    EXPECT_TRUE(fs::is_symlink(dir / (".enlace" + dead + "stuvwx")));
    EXPECT_TRUE(fs::is_symlink(dir / (".nota.txt" + dead + "yzabcd")));
    EXPECT_EQ(readFile((outside / "notas.txt").string()), "mis notas");
    EXPECT_EQ(readFile((outside / "sub" / "mas.txt").string()), "más");
    EXPECT_EQ(readFile((dir / "red.dat").string()), "red\r\n");
}

// A background layer written back keeps every line the reader did not take
// (notes, malformed lines, blank lines, the polylines past the capacity, these
// moved with their layer) where it stood, joins a long polyline's pieces into its one line again, keeps whole
// numbers past 32 bits, and replaces a file changed on disk since it was read
// only on the user's yes.
TEST_F(SafeWrites, LayerWriteBackKeepsWhatWasNotRead)
{
    std::string many;
    for (int i = 1; i <= MaxGeoLinks + 3000; ++i)
        many += std::to_string(i) + ",1," + std::to_string(i) + ",5\r\n";
    std::string manyMoved;
    for (int i = 1; i <= MaxGeoLinks + 3000; ++i)
        manyMoved += std::to_string(i) + ",1," + std::to_string(i + 1) + ",7\r\n";
    std::string longLine = "4,5401", longMoved = "4,5401";
    for (int k = 0; k < 5401; ++k) {
        longLine += "," + std::to_string(k) + ",0";
        longMoved += "," + std::to_string(k + 1) + ",2";
    }
    struct Row {
        const char* name;
        std::string file;      // as on disk
        std::string moved;     // after a move by (1, 2) and the write-back
    };
    const std::vector<Row> rows = {
        {"notes and malformed lines", "7,2,0,0,10,10\r\n* nota del usuario\r\n8,3,1,1\r\n\r\n9,0\r\nx\r\n9,1,5,5\r\n",
         "7,2,1,2,11,12\r\n* nota del usuario\r\n8,3,1,1\r\n\r\n9,0\r\nx\r\n9,1,6,7\r\n"},
        {"over the capacity", many, manyMoved},
        {"long polyline", longLine + "\r\n", longMoved + "\r\n"},
        {"past 32 bits", "1,2,2147483648,4294967296,-3000000000,0\n", "1,2,2147483649,4294967298,-2999999999,2\n"},
        {"fields after the points, control characters",
         "7;1;0;0;nota;\x01\r\n\x12\x12\x12\x12\x12\x12\r\n", "7;1;1;2;nota;\x01\r\n\x12\x12\x12\x12\x12\x12\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testutil::TempDir tmp;
        const std::string path = tmp.file("capa.geo");
        testutil::writeFile(path, row.file);
        RecordingServices ui;
        GeoLayers().Clear();
        LineLayers::LoadLineLayer(path, false);
        ASSERT_EQ(GeoLayers().NumGeoLayers, 1);
        // Written as read: the same bytes.
        ASSERT_TRUE(KDVlib::WriteGeo());
        EXPECT_EQ(readFile(path), row.file);
        // Moved as the "Mover" tool moves it: the lines past the capacity go with it.
        for (int32_t k = 1; k <= GeoLayers().GeoLayerEnd[1]; ++k)
            for (TPoint& p : GeoLayers().GeoLinks[k].Points)
                p = {p.x + 1, p.y + 2};
        GeoLayers().GeoLayerSource[1].ShiftX += 1;
        GeoLayers().GeoLayerSource[1].ShiftY += 2;
        ASSERT_TRUE(KDVlib::WriteGeo());
        EXPECT_EQ(readFile(path), row.moved);
        EXPECT_TRUE(ui.questions.empty());
        EXPECT_EQ(Snapshot(tmp.path()).size(), 1u);

        // Another program adds a line: replaced only on a yes.
        const std::string changed = row.moved + "99,1,0,0\r\n";
        testutil::writeFile(path, changed);
        ASSERT_TRUE(KDVlib::WriteGeo());
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.questions[0].find("ha cambiado"), std::string::npos);
        EXPECT_EQ(readFile(path), changed);
        ui.answerYes = true;
        ASSERT_TRUE(KDVlib::WriteGeo());
        EXPECT_EQ(ui.questions.size(), 2u);
        EXPECT_EQ(readFile(path), row.moved);
        ASSERT_TRUE(KDVlib::WriteGeo());
        EXPECT_EQ(ui.questions.size(), 2u) << "what was written is what was read";
    }
    GeoLayers().Clear();
}

// A save keeps the file's owner and group: root saving a user's file, and a
// member of the file's group (a child that drops to another user) saving it.
TEST_F(SafeWrites, OwnerAndGroupAreKept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "files are given to another user, and a child becomes one, only as root";
    testutil::TempDir tmp;
    const std::string users = tmp.file("del_usuario.dat");
    testutil::writeFile(users, "antes");
    ASSERT_EQ(::chown(users.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(SafeFile::Write(users, "de root"));
    struct stat st {};
    ASSERT_EQ(::stat(users.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(readFile(users), "de root");

    constexpr gid_t Group = 4242;
    const fs::path shared = tmp.path() / "grupo";
    fs::create_directories(shared);
    ASSERT_EQ(::chown(shared.c_str(), 0, Group), 0);
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    const std::string file = (shared / "red.dat").string();
    testutil::writeFile(file, "antes");
    ASSERT_EQ(::chown(file.c_str(), 0, Group), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    // The child's own group differs from the folder's and the file's.
    ASSERT_EQ(::chmod(shared.c_str(), 0775), 0);
    const pid_t pid = testutil::Fork();
    if (pid == 0) {
        const gid_t groups[] = {Group};
        if (::setgroups(1, groups) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(2);
        ::_exit(SafeFile::Write(file, "del grupo") ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, Group);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(readFile(file), "del grupo");
}

// Files the program names itself are not written through a link: the link and
// the file it leads to stay byte for byte, and the user is told why.
TEST_F(SafeWrites, ProgramNamedFilesDoNotFollowLinks)
{
    testutil::TempDir tmp;
    const std::string victim = tmp.file("victima.txt");
    testutil::writeFile(victim, "del usuario");
    struct Row {
        const char* name;
        std::function<bool(const std::string&, std::string&)> write;
    };
    const std::vector<Row> rows = {
        {"addr.txt", [](const std::string& p, std::string& why) { return SafeFile::Write(p, "x", &why, true, true); }},
        {"red_sel1.csv",
         [](const std::string& p, std::string& why) {
             const SafeFile::TProgramNamed own;
             return SafeFile::WritePieces(p, [](const auto& write) { return write("a,b\r\n"); }, &why);
         }},
        {"red_sel1.sel",
         [](const std::string& p, std::string& why) {
             const SafeFile::TProgramNamed own;
             return FileUtils::WriteTextFile(p, "1\t2\t1\r\n", &why);
         }},
        {"red_coordenadas.geo",
         [](const std::string& p, std::string& why) {
             RecordingServices ui;
             const bool ok = KDVlib::WriteCoordsFile(p);
             if (!ok && ui.messages.size() == 1 && ui.anyMessageContains("es un enlace simbólico"))
                 why = "es un enlace simbólico"; // said once, with its reason
             return ok;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string link = tmp.file(row.name);
        fs::create_symlink(victim, link);
        std::string why;
        EXPECT_FALSE(row.write(link, why));
        EXPECT_EQ(why, "es un enlace simbólico");
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(readFile(victim), "del usuario");
        fs::remove(link);
        EXPECT_TRUE(row.write(link, why)) << why; // a plain name is written
    }
    EXPECT_EQ(Snapshot(tmp.path()).size(), rows.size() + 1);
}

// A settings file holding control characters in its values reads back whole
// after a shorter write (it is no binary file), and takes further writes.
TEST_F(SafeWrites, SettingsWithControlCharactersReadBack)
{
    testutil::TempDir tmp;
    const std::string path = tmp.file("Velmora0.INI");
    {
        TIniFile ini(path);
        ini.WriteString("Velmora", "Titulo", std::string(40, '\x07') + "largo");
        ini.WriteString("Velmora", "Titulo", std::string(20, '\x07'));
    }
    const std::string bytes = readFile(path);
    TIniFile again(path);
    EXPECT_FALSE(again.Unreadable());
    EXPECT_EQ(again.ReadString("Velmora", "Titulo", ""), std::string(20, '\x07'));
    again.WriteString("Velmora", "Otra", "1");
    EXPECT_EQ(readFile(path), bytes + "Otra=1\r\n");
}

TEST_F(SafeWrites, LinksModesAndLineEndsAreKept)
{
    testutil::TempDir tmp;
    const std::string real = tmp.file("real.ini"), link = tmp.file("enlace.ini");
    testutil::writeFile(real, "; notas\n[Velmora]\nGeneral=1;0\n");
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink("real.ini", link);
    {
        TIniFile ini(link);
        ini.WriteString("Velmora", "Colores", "255");
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "; notas\n[Velmora]\nGeneral=1;0\nColores=255\n");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));

    // A new file gets what any new file gets under the user's umask (0644 under
    // 022, not 0600); an existing one keeps its special bits too.
    const mode_t umask = ::umask(022);
    const bool written = SafeFile::Write(tmp.file("nuevo.sel"), "x");
    ::umask(umask);
    ASSERT_TRUE(written);
    EXPECT_EQ(fs::status(tmp.file("nuevo.sel")).permissions(), fs::perms(0644));
    const std::string shared = tmp.file("compartido.sel");
    testutil::writeFile(shared, "x");
    struct stat st {};
    ASSERT_EQ(::chmod(shared.c_str(), 02664), 0);
    ASSERT_EQ(::stat(shared.c_str(), &st), 0);
    ASSERT_EQ(st.st_mode & 07777, 02664u);
    ASSERT_TRUE(SafeFile::Write(shared, "y"));
    ASSERT_EQ(::stat(shared.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 02664u);
    EXPECT_EQ(readFile(shared), "y");

    // A set whose second member cannot be moved in: the first is put back as it
    // was (its bytes, permissions and date), or taken away when it is new, also where
    // the file system makes no hard links; where not even a copy of the earlier
    // file can be kept, nothing is moved. Nothing is left beside the files.
    struct SetRow {
        bool firstExists;
        int linkError;  // the file system's answer to a hard link
        int fsyncError; // the disk's answer to keeping the copy
    };
    for (const SetRow& row : {SetRow{true, 0, 0}, SetRow{false, 0, 0}, SetRow{true, EXDEV, 0}, SetRow{true, EPERM, 0},
                              SetRow{true, EMLINK, 0}, SetRow{false, ENOTSUP, 0}, SetRow{true, EPERM, EIO}}) {
        SCOPED_TRACE(testing::Message() << row.firstExists << " " << row.linkError << " " << row.fsyncError);
        testutil::TempDir set;
        const std::string first = set.file("red.in"), second = set.file("red.out");
        if (row.firstExists) {
            testutil::writeFile(first, "antes");
            fs::permissions(first, fs::perms(0640));
            fs::last_write_time(first, fs::last_write_time(first) - std::chrono::hours(24 * 400));
        }
        const auto written = row.firstExists ? fs::last_write_time(first) : fs::file_time_type();
        fs::create_directory(second); // a folder stands where the second file goes
        const auto before = Snapshot(set.path());
        {
            SafeFile::TTarget targets[2];
            ASSERT_EQ(SafeFile::Prepare(first, targets[0]), "");
            targets[1].path = targets[1].real = second;
            SafeFile::TScratch a(targets[0]), b(targets[1]);
            ASSERT_TRUE(a.Write("nuevo", 5) && a.Finish());
            ASSERT_TRUE(b.Write("nuevo", 5) && b.Finish());
            std::string why;
            size_t failedAt = 9;
            linkRefusal = row.linkError;
            fsyncRefusal = row.fsyncError;
            const bool replaced = SafeFile::ReplaceSet({a.Name(), b.Name()}, {targets[0], targets[1]}, why, &failedAt);
            linkRefusal = fsyncRefusal = 0;
            EXPECT_FALSE(replaced);
            EXPECT_FALSE(why.empty());
            // The member that could not go in, or whose earlier file could not be kept.
            EXPECT_EQ(failedAt, row.fsyncError ? 0u : 1u);
            if (row.fsyncError) {
                EXPECT_NE(why.find(SafeFile::Reason(EIO)), std::string::npos) << why;
            }
        }
        EXPECT_EQ(Snapshot(set.path()), before);
        if (row.firstExists) {
            EXPECT_EQ(fs::status(first).permissions(), fs::perms(0640));
            EXPECT_TRUE(fs::last_write_time(first) == written);
        }
    }
    // A settings file that cannot be read is never replaced by what was understood of it.
    const std::string big = tmp.file("grande.ini");
    testutil::writeFile(big, "[Velmora]\r\nGeneral=1\r\n");
    fs::resize_file(big, FileUtils::MaxDataFileBytes + 1); // sparse: no disk used
    TIniFile unreadable(big);
    EXPECT_TRUE(unreadable.Unreadable());
    EXPECT_THROW(unreadable.WriteString("Velmora", "General", "0"), EIniFileException);
    EXPECT_EQ(fs::file_size(big), FileUtils::MaxDataFileBytes + 1);
    std::ifstream head(big, std::ios::binary);
    char first[10] = {};
    head.read(first, sizeof first);
    EXPECT_EQ(std::string(first, sizeof first), "[Velmora]\r");
}

// A set of many members reads its folder for dead writers' leftovers once, not once
// per member; and once its scratch files are moved away (in, or in and back out on
// a failure), their names are not its own any more: another file may take one, and
// the set must not remove it. Rows: the set goes in; the third member's move fails
// (two moved in and put back); the first member's move fails.
TEST_F(SafeWrites, ASetReadsItsFolderOnceAndRemovesOnlyItsOwnNames)
{
    for (const int failAt : {0, 3, 1}) {
        SCOPED_TRACE(failAt);
        testutil::TempDir tmp;
        const fs::path dir = tmp.path();
        testutil::writeFile((dir / "hoja_2.EMF").string(), "antes");
        const auto before = Snapshot(dir);
        movedAway.clear();
        removed.clear();
        foldersRead.clear();
        renames = 0;
        renameFailAt = failAt;
        watching = true;
        {
            SafeFile::TSetWriter set;
            for (int k = 1; k <= 5; ++k)
                ASSERT_TRUE(set.Add((dir / ("hoja_" + std::to_string(k) + ".EMF")).string(), "nuevo")) << k;
            EXPECT_EQ(set.Commit(), failAt == 0);
        }
        watching = false;
        renameFailAt = 0;
        EXPECT_EQ(std::count(foldersRead.begin(), foldersRead.end(), dir.string()), 1);
        for (const std::string& name : removed)
            EXPECT_EQ(std::count(movedAway.begin(), movedAway.end(), name), 0) << name;
        if (failAt) {
            EXPECT_EQ(Snapshot(dir), before);
        } else {
            EXPECT_EQ(Snapshot(dir).size(), 5u);
            EXPECT_EQ(readFile((dir / "hoja_2.EMF").string()), "nuevo");
        }
    }
}

TEST_F(SafeWrites, ResultsReadBackWithIndependentTools)
{
    testutil::TempDir tmp;
    const std::string shp = tmp.file("arcos.shp"), kmz = tmp.file("capas.kmz");
    // A full disk on the first try, then a good one: the set and the archive are whole.
    for (const Writer& w : Writers()) {
        const std::string name = w.name;
        if (name != "shapefile" && name != "kmz")
            continue;
        const std::string path = name == "kmz" ? kmz : shp;
        EXPECT_EQ(WriteInChild(w, path, false), 0);
        EXPECT_FALSE(fs::exists(path));
        ASSERT_EQ(w.write(path), "");
    }
    EXPECT_EQ(std::system(("ogrinfo -ro -al -so " + shp + " | grep -q 'Feature Count: 59'").c_str()), 0);
    EXPECT_EQ(std::system(("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                           "assert z.testzip() is None and z.namelist()==['capas.kml']\" " + kmz).c_str()),
              0);
    EXPECT_EQ(Snapshot(tmp.path()).size(), 4u); // .shp .shx .dbf and the archive: no scratch KML
}
