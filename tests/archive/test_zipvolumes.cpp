// Multi-volume and self-extracting archives read back by the component: split
// parts beside each other, spanned disks asked for through the volume events,
// and a self-extracting first part.
#include "archive/ZipDirectory.h"
#include "archive/ZipForge.h"
#include "archive/ZipRecords.h"
#include "ZipTestImages.h"
#include "support/TestUtil.h"
#include "ArchiveReaders.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

using namespace testutil;
using namespace archivecheck;

namespace {

constexpr int kFiles = 1500;

std::string FileName(int i) { return "arco_" + std::to_string(100000 + i) + ".txt"; }

// Many small files: the central directory alone runs over several 64 KiB volumes.
void WriteManyFiles(const TempDir& dir)
{
    std::filesystem::create_directories(dir.path() / "src");
    for (int i = 0; i < kFiles; ++i) writeFile((dir.path() / "src" / FileName(i)).string(), std::to_string(i * 7919));
}

void MakeVolumes(const TempDir& dir, const std::string& archive, TZFSpanningMode mode, const std::string& stub = std::string())
{
    TZipForge zip;
    zip.FileName = archive;
    zip.BaseDir = (dir.path() / "src").string();
    zip.SFXStub = stub;
    zip.SetSpanningMode(mode);
    zip.SpanningOptions.VolumeSize = vsCustom;
    zip.SpanningOptions.SetCustomVolumeSize(65536);
    zip.OpenArchiveMode(65535);
    zip.AddFiles((dir.path() / "src" / "*.txt").string(), 10431, "");
    zip.CloseArchive();
}

// Every entry read back: all names, and each entry's disk and offset lead to its
// local header (signature and name) in the volume file `volumeOf` gives.
template <class VolumeOf>
void ExpectDirectoryOfAllFiles(const TZipForge& zip, VolumeOf volumeOf)
{
    ASSERT_EQ(zip.FileCount(), kFiles);
    std::set<std::string> names;
    std::map<int, std::string> volumes;
    for (int i = 0; i < zip.FileCount(); ++i) {
        const TDirItem& it = zip.Item(i);
        names.insert(it.FileName);
        const int disk = it.Header.DiskNumberStart;
        if (!volumes.count(disk)) volumes[disk] = readFile(volumeOf(disk));
        std::string v = volumes[disk];
        const size_t at = it.LocalHeaderOffset();
        // A header cut at the end of a volume goes on at the start of the next.
        if (at + 30 + it.FileName.size() > v.size()) v += readFile(volumeOf(disk + 1));
        ASSERT_LE(at + 30 + it.FileName.size(), v.size()) << it.FileName;
        EXPECT_EQ(ZipRecords::Get32(reinterpret_cast<const uint8_t*>(v.data() + at)), ZipRecords::SigLocal) << it.FileName;
        EXPECT_EQ(v.substr(at + 30, it.FileName.size()), it.FileName);
    }
    EXPECT_EQ(names.size(), size_t(kFiles));
    EXPECT_TRUE(names.count(FileName(0)) && names.count(FileName(kFiles - 1)));
    EXPECT_GT(volumes.size(), 2u) << "the entries were expected on several volumes";
}

} // namespace

TEST(ZipVolumes, SplitPartsAreRecognisedAndReadAcross)
{
    TempDir dir;
    WriteManyFiles(dir);
    const std::string archive = dir.file("red.zip");
    MakeVolumes(dir, archive, smSplitting);
    ASSERT_TRUE(std::filesystem::exists(dir.file("red.Z01")));
    ASSERT_TRUE(std::filesystem::exists(dir.file("red.Z03")));

    // Without handlers split parts are found by their names; no box is shown.
    ScopedZipDialogs boxes;
    TZipForge zip;
    zip.FileName = archive;
    int opened = 0;
    zip.AfterOpen = [&] { ++opened; };
    std::vector<std::string> asked;
    zip.OnRequestMiddleVolume = [&](int n, std::string& name, bool&) { asked.push_back(std::to_string(n) + " " + name); };
    zip.OpenArchive();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(zip.SpanningMode(), smSplitting);
    const int last = zip.LastVolumeIndex();
    ASSERT_GE(last, 3);
    auto part = [&](int disk) {
        char ext[16];
        std::snprintf(ext, sizeof ext, ".Z%02d", disk + 1);
        return disk == last ? archive : dir.file(std::string("red") + ext);
    };
    ExpectDirectoryOfAllFiles(zip, part);
    EXPECT_TRUE(boxes.Dialogs.Boxes.empty());
    // The directory ran over the middle volumes, each asked for under its part name.
    ASSERT_FALSE(asked.empty());
    for (const std::string& a : asked) {
        const int n = std::stoi(a);
        EXPECT_EQ(a, std::to_string(n) + " " + part(n - 1));
    }

    // The parts of a set are read, never rewritten.
    const std::string before = readFile(archive);
    EXPECT_THROW(zip.BeginUpdate(), EZFException);
    zip.CloseArchive();
    EXPECT_EQ(readFile(archive), before);

    // A missing part that holds directory records ends the opening with error 45
    // and leaves the archive closed.
    std::filesystem::rename(part(std::stoi(asked.front()) - 1), dir.file("aside"));
    TZipForge broken;
    broken.FileName = archive;
    try {
        broken.OpenArchive();
        FAIL() << "a missing part must not pass";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 45);
    }
    EXPECT_FALSE(broken.Active());
}

TEST(ZipVolumes, SpannedDisksAreAskedForThroughTheEvents)
{
    TempDir dir;
    WriteManyFiles(dir);
    MakeVolumes(dir, dir.file("red.zip"), smSpanning);
    // Put each volume on its own "disk", all under the one name a spanned set uses.
    std::vector<std::string> disks;
    for (int i = 1;; ++i) {
        char numbered[32];
        std::snprintf(numbered, sizeof numbered, "red_%03d.zip", i);
        std::string from = dir.file(numbered);
        if (!std::filesystem::exists(from)) {
            from = dir.file("red.zip");   // the last disk carries the archive's name
            if (!std::filesystem::exists(from)) break;
        }
        const auto disk = dir.path() / ("disk" + std::to_string(i));
        std::filesystem::create_directories(disk);
        std::filesystem::rename(from, disk / "red.zip");
        disks.push_back((disk / "red.zip").string());
        if (from == dir.file("red.zip")) break;
    }
    ASSERT_GE(disks.size(), 4u);

    std::vector<std::string> requests;
    TZipForge zip;
    zip.FileName = disks.back();
    zip.OnRequestFirstVolume = [&](std::string& name, bool&) {
        requests.push_back("first " + name);
        name = disks.front();
    };
    zip.OnRequestMiddleVolume = [&](int n, std::string& name, bool&) {
        requests.push_back("disk " + std::to_string(n) + " " + name);
        name = disks[size_t(n - 1)];
    };
    zip.OnRequestLastVolume = [&](std::string& name, bool&) {
        requests.push_back("last " + name);
        name = disks.back();
    };
    zip.OpenArchive();
    EXPECT_EQ(zip.SpanningMode(), smSpanning);
    ASSERT_EQ(zip.LastVolumeIndex(), int(disks.size()) - 1);
    ExpectDirectoryOfAllFiles(zip, [&](int disk) { return disks[size_t(disk)]; });
    ASSERT_FALSE(requests.empty());
    // Each handler first sees the name the naming rule gives: the one name of the set.
    for (const std::string& r : requests) EXPECT_NE(r.find(" " + disks.back()), std::string::npos) << r;
    zip.CloseArchive();

    // Without handlers the user is asked to insert the disk; cancelling ends with error 45.
    ScopedZipDialogs boxes;
    boxes.Dialogs.Answers = {ZipDialogs::mbCancel};
    TZipForge asking;
    ExpectOpeningCancelled(asking, disks.back());
    ASSERT_EQ(boxes.Dialogs.Boxes.size(), 1u);
    const std::string& text = boxes.Dialogs.Boxes[0].Text;
    EXPECT_TRUE(text == "Please insert the first disk" || text.rfind("Please insert disk #", 0) == 0) << text;
    EXPECT_EQ(boxes.Dialogs.Boxes[0].Buttons, ZipDialogs::mbOK | ZipDialogs::mbCancel);
}

TEST(ZipVolumes, SelfExtractingSplitArchiveOpensFromItsProgram)
{
    TempDir dir;
    WriteManyFiles(dir);
    std::string stub = "#!/bin/sh\nexit 1\n";
    stub += std::string(3000 - stub.size(), '#');
    writeFile(dir.file("stub.sh"), stub);
    const std::string exe = dir.file("red.exe");
    MakeVolumes(dir, exe, smSplitting, dir.file("stub.sh"));
    ASSERT_TRUE(std::filesystem::exists(dir.file("red.ZIP")));
    EXPECT_EQ(readFile(exe).substr(0, stub.size()), stub);

    TZipForge zip;
    zip.FileName = exe;
    zip.OpenArchive();
    EXPECT_EQ(zip.SpanningMode(), smSplitting);
    const int last = zip.LastVolumeIndex();
    ExpectDirectoryOfAllFiles(zip, [&](int disk) {
        char ext[16];
        std::snprintf(ext, sizeof ext, ".Z%02d", disk + 1);
        return disk == 0 ? exe : disk == last ? dir.file("red.ZIP") : dir.file(std::string("red") + ext);
    });
}
