// Zip64 multi-volume sets whose Zip64 end record and central directory lie on
// volumes before the last one: made by another archiver (Info-ZIP zip) or laid out
// here byte by byte, checked by Info-ZIP joining them and python's zipfile reading
// the joined archive, and read by the component through its volume events.
#include "archive/ZipDirectory.h"
#include "archive/ZipForge.h"
#include "archive/ZipRecords.h"
#include "ZipTestImages.h"
#include "support/TestUtil.h"
#include "ArchiveReaders.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

using namespace testutil;
using namespace archivecheck;
using namespace ZipRecords;

namespace {

bool HaveInfoZip() { return RunTool("zip", {"-v"}).ExitCode == 0 && RunTool("unzip", {"-v"}).ExitCode == 0; }

uint32_t U32(const std::string& b, size_t at) { return Get32(reinterpret_cast<const uint8_t*>(b.data() + at)); }
uint64_t U64(const std::string& b, size_t at) { return Get64(reinterpret_cast<const uint8_t*>(b.data() + at)); }
void Set32(std::string& b, size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char(v >> (8 * i)); }
void Set64(std::string& b, size_t at, uint64_t v) { for (int i = 0; i < 8; ++i) b[at + size_t(i)] = char(v >> (8 * i)); }
std::string Sig(uint32_t s) { std::string b(4, '\0'); Set32(b, 0, s); return b; }

// The volumes of split set `base` in disk order: base.z01, base.z02, ..., base.zip.
std::vector<std::string> SplitParts(const std::string& base)
{
    std::vector<std::string> parts;
    for (int i = 1;; ++i) {
        char ext[16];
        std::snprintf(ext, sizeof ext, ".z%02d", i);
        if (!std::filesystem::exists(base + ext)) break;
        parts.push_back(base + ext);
    }
    parts.push_back(base + ".zip");
    return parts;
}




// Where the end records of a set lie.
struct EndLayout {
    uint32_t LastDisk = 0, Zip64Disk = 0, DirDisk = 0;
    uint64_t Zip64Offset = 0, DirOffset = 0, DirSize = 0;
};

EndLayout ReadEndLayout(const std::vector<std::string>& volumes)
{
    EndLayout l;
    const std::string last = readFile(volumes.back());
    const size_t loc = last.rfind(Sig(SigZip64Locator));
    EXPECT_NE(loc, std::string::npos);
    if (loc == std::string::npos) return l;
    l.LastDisk = uint32_t(volumes.size() - 1);
    l.Zip64Disk = U32(last, loc + 4);
    l.Zip64Offset = U64(last, loc + 8);
    const std::string rec = readFile(volumes[l.Zip64Disk]) + (l.Zip64Disk + 1 < volumes.size() ? readFile(volumes[l.Zip64Disk + 1]) : "");
    EXPECT_EQ(U32(rec, l.Zip64Offset), SigZip64End);
    l.DirDisk = U32(rec, l.Zip64Offset + 20);
    l.DirSize = U64(rec, l.Zip64Offset + 40);
    l.DirOffset = U64(rec, l.Zip64Offset + 48);
    return l;
}

// A set made by Info-ZIP zip with Zip64 records forced: many files with long names,
// so that the central directory starts volumes before the last and runs over
// several. Info-ZIP keeps its end records together on the last volume; a writer
// that keeps each record whole on a volume (as the volume writers of other
// archivers do) ends the volume before the last with the Zip64 end record when it
// still fits there. That layout is made from Info-ZIP's by moving the head of the
// last volume, up to and with the Zip64 end record, onto the end of the volume
// before, and pointing the locator at it.
struct InfoZipSet {
    TempDir Dir;
    std::string Last;                 // set.zip
    std::vector<std::string> Parts;   // disk order, the last one included
    bool Made = false;

    explicit InfoZipSet(int files = 1300)
    {
        const auto src = Dir.path() / "red";
        std::filesystem::create_directories(src);
        for (int i = 0; i < files; ++i) {
            char name[96];
            std::snprintf(name, sizeof name, "arco_%06d_tramo_con_nombre_largo_de_la_red.txt", i);
            writeFile((src / name).string(), "arco " + std::to_string(i) + ";" + std::to_string(i * 7919 % 100003) + "\r\n");
        }
        const ToolResult made = RunTool("zip", {"-q", "-r", "-fz", "-s", "64k", "set.zip", "red"}, Q(Dir.path().string()));
        EXPECT_EQ(made.ExitCode, 0) << made.Output;
        Last = Dir.file("set.zip");
        Parts = SplitParts(Dir.file("set"));
        Made = made.ExitCode == 0 && Parts.size() >= 4;
    }

    void MoveZip64EndRecordToVolumeBefore()
    {
        std::string last = readFile(Parts.back());
        std::string before = readFile(Parts[Parts.size() - 2]);
        const size_t rec = last.find(Sig(SigZip64End));
        ASSERT_NE(rec, std::string::npos) << "Info-ZIP put its Zip64 end record elsewhere";
        ASSERT_EQ(U32(last, rec + 56), SigZip64Locator);
        const uint32_t disk = uint32_t(Parts.size() - 2);
        const uint64_t offset = before.size() + rec;
        std::string moved = last.substr(0, rec + 56);
        last.erase(0, rec + 56);
        Set32(moved, rec + 16, disk);          // the record's own disk
        Set32(last, 4, disk);                  // the locator: disk and offset of the record
        Set64(last, 8, offset);
        writeFile(Parts[Parts.size() - 2], before + moved);
        writeFile(Parts.back(), last);
    }
};

} // namespace

TEST(Zip64Volumes, InfoZipSetWithItsZip64EndRecordOnAnEarlierVolume)
{
    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    InfoZipSet set;
    ASSERT_TRUE(set.Made);

    // As Info-ZIP wrote it (end records together on the last volume), with its
    // lower-case part names: read across the volumes the directory spans.
    {
        const std::vector<std::string> expected = IndependentListing(set.Dir.path().string(), set.Last);
        ASSERT_EQ(expected.size(), 1301u);   // the folder and its files
        TZipForge zip;
        zip.FileName = set.Last;
        zip.OpenArchive();
        EXPECT_EQ(zip.SpanningMode(), smSplitting);
        EXPECT_EQ(zip.LastVolumeIndex(), int(set.Parts.size()) - 1);
        EXPECT_EQ(ComponentListing(zip), expected);
    }

    set.MoveZip64EndRecordToVolumeBefore();
    const EndLayout l = ReadEndLayout(set.Parts);
    ASSERT_EQ(l.Zip64Disk + 1, l.LastDisk);
    ASSERT_LT(l.DirDisk, l.Zip64Disk) << "the directory should start volumes before the Zip64 end record";
    ASSERT_GT(l.DirOffset + l.DirSize, std::filesystem::file_size(set.Parts[l.DirDisk])) << "the directory should span volumes";
    // The independent archiver follows the locator to the earlier volume.
    const std::vector<std::string> expected = IndependentListing(set.Dir.path().string(), set.Last);
    ASSERT_EQ(expected.size(), 1301u);

    // Read through the volume events: each handler sees the part's own name.
    ScopedZipDialogs boxes;
    TZipForge zip;
    zip.FileName = set.Last;
    std::vector<int> asked;
    zip.OnRequestFirstVolume = [&](std::string& name, bool&) {
        asked.push_back(1);
        EXPECT_EQ(name, set.Parts.front());
    };
    zip.OnRequestMiddleVolume = [&](int n, std::string& name, bool&) {
        asked.push_back(n);
        EXPECT_EQ(name, set.Parts[size_t(n - 1)]);
    };
    zip.OpenArchive();
    EXPECT_EQ(zip.SpanningMode(), smSplitting);
    EXPECT_EQ(ComponentListing(zip), expected);
    ExpectLocalHeadersWhereTheDirectorySays(zip, set.Parts);
    EXPECT_TRUE(boxes.Dialogs.Boxes.empty());
    // The Zip64 record's volume first, then the directory from its first volume on.
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), int(l.Zip64Disk) + 1);
    EXPECT_NE(std::find(asked.begin(), asked.end(), int(l.DirDisk) + 1), asked.end());
    zip.CloseArchive();
}

TEST(Zip64Volumes, MissingVolumeOfTheZip64EndRecordEndsTheOpeningCleanly)
{
    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    InfoZipSet set;
    ASSERT_TRUE(set.Made);
    set.MoveZip64EndRecordToVolumeBefore();
    const EndLayout l = ReadEndLayout(set.Parts);
    const std::string holder = set.Parts[l.Zip64Disk];
    const std::string aside = set.Dir.file("aside");
    std::filesystem::rename(holder, aside);

    // Without a handler the missing part is asked for once and the opening ends
    // with error 45; the archive stays closed with nothing of the directory.
    {
        TZipForge zip;
        zip.FileName = set.Last;
        int opened = 0;
        zip.AfterOpen = [&] { ++opened; };
        try {
            zip.OpenArchive();
            FAIL() << "a missing volume must not pass";
        } catch (const EZFException& e) {
            EXPECT_EQ(e.NativeError, 45);
            EXPECT_EQ(EZFException::Text(e.NativeError), "Cannot open archive file. Opening aborted or invalid file");
        }
        EXPECT_FALSE(zip.Active());
        EXPECT_EQ(zip.FileCount(), 0);
        EXPECT_EQ(opened, 0);
    }
    // A handler that cancels: the same end, after being asked for exactly that part.
    {
        TZipForge zip;
        zip.FileName = set.Last;
        std::vector<std::string> asked;
        zip.OnRequestMiddleVolume = [&](int n, std::string& name, bool& cancel) {
            asked.push_back(std::to_string(n) + " " + name);
            cancel = true;
        };
        EXPECT_THROW(zip.OpenArchive(), EZFException);
        EXPECT_FALSE(zip.Active());
        // The part is named by the naming rule (".Z05"): the set's own ".z05" is gone.
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(QString::fromStdString(asked[0]).toLower().toStdString(), std::to_string(l.Zip64Disk + 1) + " " + holder);
    }
    // A handler that finds the part elsewhere: the set reads whole.
    {
        TZipForge zip;
        zip.FileName = set.Last;
        zip.OnRequestMiddleVolume = [&](int n, std::string& name, bool&) {
            if (uint32_t(n - 1) == l.Zip64Disk) name = aside;
        };
        zip.OpenArchive();
        EXPECT_EQ(zip.FileCount(), 1301);
    }
}

TEST(Zip64Volumes, SpannedDisksOfAZip64SetAreAskedForThroughTheEvents)
{
    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    InfoZipSet set;
    ASSERT_TRUE(set.Made);
    set.MoveZip64EndRecordToVolumeBefore();
    const std::vector<std::string> expected = IndependentListing(set.Dir.path().string(), set.Last);
    ASSERT_EQ(expected.size(), 1301u);
    const EndLayout l = ReadEndLayout(set.Parts);

    // Each volume on its own "disk" under the one name of the set.
    std::vector<std::string> disks;
    for (size_t i = 0; i < set.Parts.size(); ++i) {
        const auto disk = set.Dir.path() / ("disco" + std::to_string(i + 1));
        std::filesystem::create_directories(disk);
        std::filesystem::rename(set.Parts[i], disk / "set.zip");
        disks.push_back((disk / "set.zip").string());
    }
    std::vector<std::string> requests;
    TZipForge zip;
    zip.FileName = disks.back();
    zip.OnRequestFirstVolume = [&](std::string& name, bool&) {
        requests.push_back("first");
        name = disks.front();
    };
    zip.OnRequestMiddleVolume = [&](int n, std::string& name, bool&) {
        requests.push_back("disk " + std::to_string(n));
        name = disks[size_t(n - 1)];
    };
    zip.OnRequestLastVolume = [&](std::string& name, bool&) {
        requests.push_back("last");
        name = disks.back();
    };
    zip.OpenArchive();
    EXPECT_EQ(zip.SpanningMode(), smSpanning);
    EXPECT_EQ(ComponentListing(zip), expected);
    ExpectLocalHeadersWhereTheDirectorySays(zip, disks);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), "disk " + std::to_string(l.Zip64Disk + 1));
    zip.CloseArchive();

    // Without handlers the user is asked for the disk of the Zip64 end record;
    // cancelling ends the opening with error 45 and a closed archive.
    ScopedZipDialogs boxes;
    boxes.Dialogs.Answers = {ZipDialogs::mbCancel};
    TZipForge asking;
    ExpectOpeningCancelled(asking, disks.back());
    EXPECT_FALSE(asking.Active());
    EXPECT_EQ(asking.FileCount(), 0);
    ASSERT_EQ(boxes.Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Dialogs.Boxes[0].Text, "Please insert disk #" + std::to_string(l.Zip64Disk + 1));
}

namespace {

struct Entry {
    std::string Name, Data;
};

// Lays out a stored Zip64 split set byte by byte: every size, local-header offset
// and disk number of the central directory is 0xFFFFFFFF / 0xFFFF with its value in
// the Zip64 extra field, the end record holds only 0xFFFF / 0xFFFFFFFF, and the
// locator and end record make up the last volume. Volumes hold at most `volume`
// bytes and end before a record that would not fit, as other archivers cut them;
// `cutAnywhere` cuts every `volume` bytes instead, wherever that falls (inside local
// headers and directory records), and once more inside the Zip64 end record.
// Returns the volume files, base.z01 ... base.zip.
std::vector<std::string> WriteZip64Set(const std::string& base, const std::vector<Entry>& entries, size_t volume,
                                       bool cutAnywhere)
{
    std::string s = Sig(0x08074B50);   // split-archive marker
    auto put16 = [&](uint16_t v) { s += char(v); s += char(v >> 8); };
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) s += char(v >> (8 * i)); };
    auto put64 = [&](uint64_t v) { for (int i = 0; i < 8; ++i) s += char(v >> (8 * i)); };
    const uint16_t time = 0x6000, date = 0x5A87;
    std::vector<uint64_t> recordStarts, localAt;
    std::vector<uint32_t> crcs;
    for (const Entry& e : entries) {
        localAt.push_back(s.size());
        crcs.push_back(~Crc32Update(0xFFFFFFFFu, e.Data.data(), e.Data.size()));
        put32(SigLocal); put16(45); put16(0); put16(0); put16(time); put16(date);
        put32(crcs.back()); put32(0xFFFFFFFFu); put32(0xFFFFFFFFu);
        put16(uint16_t(e.Name.size())); put16(20);
        s += e.Name;
        put16(ExtraZip64); put16(16); put64(e.Data.size()); put64(e.Data.size());
        s += e.Data;
    }
    const uint64_t dirStart = s.size();
    recordStarts = localAt;
    uint64_t recPos = dirStart;
    for (const Entry& e : entries) {
        recordStarts.push_back(recPos);
        recPos += 46 + e.Name.size() + 32;
    }
    recordStarts.push_back(recPos);
    std::vector<uint64_t> starts{0};
    if (cutAnywhere) {
        for (uint64_t p = volume; p < recPos; p += volume) starts.push_back(p);
        starts.push_back(recPos + 30);
    } else {
        for (size_t i = 1; i < recordStarts.size(); ++i)
            if (recordStarts[i] - starts.back() > volume) starts.push_back(recordStarts[i - 1]);
    }
    auto diskOf = [&](uint64_t p) { return uint32_t(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin() - 1); };
    auto offsetOf = [&](uint64_t p) { return p - starts[diskOf(p)]; };
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        put32(SigCentral); put16(0x032D); put16(45); put16(0); put16(0); put16(time); put16(date);
        put32(crcs[i]); put32(0xFFFFFFFFu); put32(0xFFFFFFFFu);
        put16(uint16_t(e.Name.size())); put16(32); put16(0); put16(0xFFFF); put16(0); put32(0x81A40000u); put32(0xFFFFFFFFu);
        s += e.Name;
        put16(ExtraZip64); put16(28); put64(e.Data.size()); put64(e.Data.size());
        put64(offsetOf(localAt[i])); put32(diskOf(localAt[i]));
    }
    const uint32_t lastDisk = uint32_t(starts.size());
    put32(SigZip64End); put64(44); put16(45); put16(45); put32(diskOf(recPos)); put32(diskOf(dirStart));
    put64(entries.size()); put64(entries.size()); put64(s.size() - dirStart); put64(offsetOf(dirStart));
    starts.push_back(s.size());
    put32(SigZip64Locator); put32(diskOf(recPos)); put64(offsetOf(recPos)); put32(lastDisk + 1);
    put32(SigEnd); put16(0xFFFF); put16(0xFFFF); put16(0xFFFF); put16(0xFFFF); put32(0xFFFFFFFFu); put32(0xFFFFFFFFu); put16(0);
    std::vector<std::string> files;
    for (size_t d = 0; d < starts.size(); ++d) {
        char ext[16];
        std::snprintf(ext, sizeof ext, ".z%02u", unsigned(d + 1));
        const std::string name = d + 1 == starts.size() ? base + ".zip" : base + ext;
        const uint64_t end = d + 1 == starts.size() ? s.size() : starts[d + 1];
        writeFile(name, s.substr(size_t(starts[d]), size_t(end - starts[d])));
        files.push_back(name);
    }
    return files;
}

} // namespace

TEST(Zip64Volumes, EveryZip64FieldOfTheDirectoryIsTakenFromItsExtraField)
{
    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    TempDir dir;
    std::vector<Entry> entries;
    for (int i = 0; i < 400; ++i) {
        std::string data;
        for (int k = 0; k < (i * 37) % 700; ++k) data += char('a' + (i + k) % 26);
        char name[48];
        std::snprintf(name, sizeof name, "zonas/tramo_%04d.dat", i);
        entries.push_back({name, data});
    }
    const std::vector<std::string> volumes = WriteZip64Set(dir.file("red"), entries, 20000, false);
    ASSERT_GE(volumes.size(), 8u);
    const EndLayout l = ReadEndLayout(volumes);
    ASSERT_EQ(l.Zip64Disk + 1, l.LastDisk);
    ASSERT_LT(l.DirDisk, l.Zip64Disk);
    const std::vector<std::string> expected = IndependentListing(dir.path().string(), volumes.back());
    ASSERT_EQ(expected.size(), entries.size());

    std::vector<std::string> listing;
    {
        TZipForge zip;
        zip.FileName = volumes.back();
        zip.OpenArchive();
        EXPECT_EQ(zip.SpanningMode(), smSplitting);
        listing = ComponentListing(zip);
        EXPECT_EQ(listing, expected);
        ExpectLocalHeadersWhereTheDirectorySays(zip, volumes);
        std::set<uint32_t> disks;
        for (int i = 0; i < zip.FileCount(); ++i) {
            const TDirItem& it = zip.Item(i);
            EXPECT_TRUE(it.IsZip64);
            EXPECT_EQ(it.Header.DiskNumberStart, 0xFFFF);
            EXPECT_EQ(it.CompressedSize(), it.UncompressedSize());
            disks.insert(it.DiskNumberStart());
        }
        EXPECT_GT(disks.size(), 3u) << "entries were expected on several volumes";
    }

    // The same set cut wherever the volume size falls, the Zip64 end record too
    // (Info-ZIP refuses records cut in two; the component reads on into the next
    // volume): the same entries.
    TempDir cut;
    const std::vector<std::string> pieces = WriteZip64Set(cut.file("red"), entries, 20000, true);
    TZipForge zip;
    zip.FileName = pieces.back();
    zip.OpenArchive();
    EXPECT_EQ(ComponentListing(zip), listing);
    ExpectLocalHeadersWhereTheDirectorySays(zip, pieces);
}

TEST(Zip64Volumes, SizeLeftToAMissingZip64FieldIsNotTakenAsZero)
{
    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    TempDir dir;
    writeFile(dir.file("nodos.txt"), "1 100.0 200.0\r\n2 150.5 210.25\r\n3 99.0 12.5\r\n");
    writeFile(dir.file("arcos.txt"), "1 2 0.35\r\n2 3 0.50\r\n");
    const ToolResult made = RunTool("zip", {"-q", "-fz", "red.zip", "nodos.txt", "arcos.txt"}, Q(dir.path().string()));
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    const std::string archive = dir.file("red.zip");
    const ToolResult original = PythonZipEntries(archive);
    ASSERT_EQ(original.ExitCode, 0) << original.Output;
    std::vector<std::string> expected;
    {
        std::istringstream in(original.Output);
        for (std::string line; std::getline(in, line);) expected.push_back(line);
    }
    ASSERT_EQ(expected.size(), 2u);

    // Info-ZIP puts the sizes of a forced Zip64 entry into its Zip64 field and
    // 0xFFFFFFFF into the central header: give that field an unknown id, so every
    // central header defers to a field that is not there.
    std::string bytes = readFile(archive);
    int damaged = 0;
    for (size_t at = bytes.find(Sig(SigCentral)); at != std::string::npos; at = bytes.find(Sig(SigCentral), at + 4)) {
        ASSERT_EQ(U32(bytes, at + 24), 0xFFFFFFFFu);
        const size_t name = Get16(reinterpret_cast<const uint8_t*>(bytes.data() + at + 28));
        const size_t extraLen = Get16(reinterpret_cast<const uint8_t*>(bytes.data() + at + 30));
        for (size_t p = at + 46 + name; p + 4 <= at + 46 + name + extraLen;) {
            const uint16_t id = Get16(reinterpret_cast<const uint8_t*>(bytes.data() + p));
            if (id == ExtraZip64) { bytes[p] = 'z'; bytes[p + 1] = 'z'; ++damaged; }
            p += 4 + Get16(reinterpret_cast<const uint8_t*>(bytes.data() + p + 2));
        }
    }
    ASSERT_EQ(damaged, 2);
    writeFile(archive, bytes);

    // The directory is taken from the local headers, which carry the sizes, and an
    // update writes an archive the independent readers find whole.
    writeFile(dir.file("giros.txt"), "1 2 3 0\r\n");
    TZipForge zip;
    zip.FileName = archive;
    zip.BaseDir = dir.path().string();
    zip.OpenArchive();
    EXPECT_EQ(ComponentListing(zip), expected);
    zip.BeginUpdate();
    zip.AddFiles(dir.file("giros.txt"));
    zip.EndUpdate();
    zip.CloseArchive();
    const ToolResult after = PythonZipEntries(archive);
    ASSERT_EQ(after.ExitCode, 0) << after.Output;
    EXPECT_NE(after.Output.find(expected[0] + "\n"), std::string::npos) << after.Output;
    EXPECT_NE(after.Output.find(expected[1] + "\n"), std::string::npos) << after.Output;
    EXPECT_NE(after.Output.find("giros.txt\t9\t"), std::string::npos) << after.Output;
    const ToolResult test = UnzipTest(archive);
    EXPECT_EQ(test.ExitCode, 0) << test.Output;
}
