#include "archive/ZipForge.h"
#include "archive/ZipSpan.h"
#include "ZipTestImages.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <random>

using namespace testutil;


namespace {

uint16_t Get16(const std::string& s, size_t p) { return uint16_t(uint8_t(s[p]) | uint8_t(s[p + 1]) << 8); }
uint32_t Get32(const std::string& s, size_t p) { return uint32_t(Get16(s, p)) | uint32_t(Get16(s, p + 2)) << 16; }

std::vector<uint8_t> Noise(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(g());
    return v;
}

std::string WriteImage(const TempDir& dir, const std::string& name)
{
    std::vector<TestZipEntry> entries;
    for (int i = 0; i < 3; ++i) {
        auto d = Noise(50000, unsigned(i));
        entries.push_back({"f" + std::to_string(i) + ".bin", d, uint32_t(crc32(0, d.data(), uInt(d.size()))), uint32_t(d.size()), 0, 0, {}});
    }
    const auto img = BuildTestZip(entries);
    const std::string path = dir.file(name);
    writeFile(path, std::string(img.begin(), img.end()));
    return path;
}

} // namespace

TEST(ZipSpanNames, SplitSpannedAndSelfExtractingNames)
{
    using namespace ZipSpan;
    const std::string f = "/d/a.zip";
    EXPECT_EQ(VolumeFileName(f, 0, smSplitting, false, false, 8), "/d/a.Z01");
    EXPECT_EQ(VolumeFileName(f, 1, smSplitting, false, false, 8), "/d/a.Z02");
    EXPECT_EQ(VolumeFileName(f, LastVolumeIndex, smSplitting, false, false, 8), "/d/a.zip");
    EXPECT_EQ(VolumeFileName(f, 0, smSplitting, true, false, 8), "/d/a_001.zip");
    EXPECT_EQ(VolumeFileName(f, 1, smSplitting, true, false, 8), "/d/a_002.zip");
    EXPECT_EQ(VolumeFileName(f, 1, smSplitting, false, false, 252), "/d/a.F02");
    EXPECT_EQ(VolumeFileName("/d/a.exe", 0, smSplitting, false, true, 8), "/d/a.exe");
    EXPECT_EQ(VolumeFileName("/d/a.exe", LastVolumeIndex, smSplitting, false, true, 8), "/d/a.ZIP");
    EXPECT_EQ(VolumeFileName("/d/a.exe", LastVolumeIndex, smSplitting, false, true, 252), "/d/a.ZF");
    EXPECT_EQ(VolumeFileName(f, 4, smSpanning, false, false, 8), "/d/a.zip");
    EXPECT_EQ(VolumeFileName(f, 4, smSpanning, true, false, 8), "/d/a_005.zip");
    EXPECT_EQ(VolumeFileName(f, 0, smSpanning, false, true, 8), "/d/a.exe");
    EXPECT_TRUE(IsSelfExtracting("x.EXE", ""));
    EXPECT_TRUE(IsSelfExtracting("x.zip", "stub.bin"));

    TempDir dir;
    writeFile(dir.file("b_002.zip"), "x");
    EXPECT_EQ(ExistingVolumeFileName(dir.file("b.zip"), 1, smSplitting, false, false, 8), dir.file("b_002.zip"));
    EXPECT_EQ(ExistingVolumeFileName(dir.file("b.zip"), 0, smSplitting, false, false, 8), dir.file("b.Z01"));
}

TEST(ZipSpanWrite, SplitPartsCarryDiskNumbersAndJoinBack)
{
    TempDir dir;
    const std::string image = WriteImage(dir, "image.tmp");
    TZipForge zip;
    zip.FileName = dir.file("a.zip");
    zip.SetSpanningMode(smSplitting);
    zip.SpanningOptions.VolumeSize = vsCustom;
    zip.SpanningOptions.SetCustomVolumeSize(65536);
    ZipSpan::TZipVolumeWriter w;
    std::vector<int> asked;
    w.OnRequestBlankVolume = [&](int n, std::string&, bool&) { asked.push_back(n); };
    w.FreeSpace = [](const std::string&) { return int64_t(1) << 40; };
    w.Distribute(zip, image);

    ASSERT_EQ(w.WrittenVolumes, (std::vector<std::string>{dir.file("a.Z01"), dir.file("a.Z02"), dir.file("a.zip")}));
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(image));
    std::vector<std::string> parts;
    for (const auto& n : w.WrittenVolumes) {
        parts.push_back(readFile(n));
        EXPECT_LE(parts.back().size(), 65536u);
    }
    EXPECT_EQ(Get32(parts[0], 0), 0x08074b50u);
    // Every central record names the disk and the offset of its local header.
    const std::string& last = parts[2];
    const size_t e = last.size() - 22;
    ASSERT_EQ(Get32(last, e), 0x06054b50u);
    EXPECT_EQ(Get16(last, e + 4), 2);
    const uint16_t cdDisk = Get16(last, e + 6);
    size_t p = Get32(last, e + 16);
    ASSERT_EQ(cdDisk, 2); // the directory is small enough to sit on the last part
    for (int i = 0; i < Get16(last, e + 10); ++i) {
        ASSERT_EQ(Get32(last, p), 0x02014b50u);
        const uint16_t disk = Get16(last, p + 34);
        const uint32_t off = Get32(last, p + 42);
        ASSERT_LT(disk, parts.size());
        EXPECT_EQ(Get32(parts[disk], off), 0x04034b50u) << "entry " << i;
        p += 46 + Get16(last, p + 28) + Get16(last, p + 30) + Get16(last, p + 32);
    }

    // The joining tool looks for lower-case part names.
    std::filesystem::copy_file(dir.file("a.Z01"), dir.file("a.z01"));
    std::filesystem::copy_file(dir.file("a.Z02"), dir.file("a.z02"));
    const std::string cmd = "cd " + dir.path().string() + " && zip -q -s 0 a.zip --out joined.zip >/dev/null 2>&1 && unzip -tq joined.zip >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(ZipSpanWrite, RefusedDiskCancelsCleanlyAndNoneModePassesThrough)
{
    TempDir dir;
    const std::string image = WriteImage(dir, "image.tmp");
    TZipForge zip;
    zip.FileName = dir.file("s.zip");
    zip.SetSpanningMode(smSpanning);
    zip.SpanningOptions.AdvancedNaming = true;
    zip.SpanningOptions.VolumeSize = vsCustom;
    zip.SpanningOptions.SetCustomVolumeSize(65536);
    ZipSpan::TZipVolumeWriter w;
    int calls = 0;
    // The second disk has exactly 65,536 free bytes: one short of the minimum.
    w.FreeSpace = [&](const std::string& name) { return int64_t(name.find("_002") != std::string::npos ? 65536 : 1 << 30); };
    std::vector<int> full;
    zip.OnDiskFull = [&](int n, const std::string&, bool& cancel) { full.push_back(n); cancel = ++calls >= 2; };
    try {
        w.Distribute(zip, image);
        FAIL() << "a refused disk must stop the write";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 45);
    }
    EXPECT_EQ(full, (std::vector<int>{2, 2}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("s_001.zip"))) << "a cancelled write leaves no parts behind";
    EXPECT_TRUE(std::filesystem::exists(image)) << "the archive image is kept when the write fails";

    // Spanned disks share one name; in one folder a disk must not overwrite the one before.
    TZipForge span;
    span.FileName = dir.file("t.zip");
    span.SetSpanningMode(smSpanning);
    span.SpanningOptions.VolumeSize = vsCustom;
    span.SpanningOptions.SetCustomVolumeSize(65536);
    ZipSpan::TZipVolumeWriter sw;
    sw.FreeSpace = [](const std::string&) { return int64_t(1) << 30; };
    sw.Distribute(span, image);
    // The last volume carries the archive's own name, as the last disk of a set does.
    EXPECT_EQ(sw.WrittenVolumes, (std::vector<std::string>{dir.file("t_001.zip"), dir.file("t_002.zip"), dir.file("t.zip")}));
    size_t total = 0;
    for (const auto& n : sw.WrittenVolumes) total += std::filesystem::file_size(n);
    EXPECT_EQ(total, 150000u + 3 * (30 + 46 + 2 * 6) + 22 + 4);

    writeFile(image, readFile(dir.file("t.zip")));
    TZipForge plain;
    plain.FileName = image;
    ZipSpan::TZipVolumeWriter none;
    none.OnRequestBlankVolume = [&](int, std::string&, bool&) { ADD_FAILURE() << "no volume event in smNone"; };
    const std::string before = readFile(image);
    none.Distribute(plain, image);
    EXPECT_EQ(readFile(image), before);
}

TEST(ZipSpanWrite, ArchiverWritesSplitParts)
{
    TempDir dir;
    // Incompressible data; no entry spans more than two parts (the joining
    // tool used below cannot copy an entry over three).
    const auto a = Noise(60000, 7), b = Noise(60000, 8);
    writeFile(dir.file("a.bin"), std::string(a.begin(), a.end()));
    writeFile(dir.file("b.bin"), std::string(b.begin(), b.end()));
    TZipForge zip;
    zip.StandardZip = true;
    ZipSpan::InstallVolumeWriter(zip);
    zip.FileName = dir.file("v.zip");
    zip.BaseDir = dir.path().string();
    zip.SetSpanningMode(smSplitting);
    zip.SpanningOptions.VolumeSize = vsCustom;
    zip.SpanningOptions.SetCustomVolumeSize(65536);
    std::vector<int> phases;
    zip.OnCopyTempFileProgress = [&](double, int phase, bool&) { phases.push_back(phase); };
    zip.OpenArchiveMode(65535);
    zip.AddFiles(dir.file("*.bin"), 10431, "");
    zip.CloseArchive();
    EXPECT_EQ(phases, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(std::filesystem::file_size(dir.file("v.Z01")), 65536u);
    ASSERT_TRUE(std::filesystem::exists(dir.file("v.zip")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("v.Z02")));
    std::filesystem::copy_file(dir.file("v.Z01"), dir.file("v.z01"));
    const std::string cmd = "cd " + dir.path().string() +
                            " && zip -q -s 0 v.zip --out j.zip >/dev/null 2>&1 && unzip -tq j.zip >/dev/null 2>&1"
                            " && unzip -p j.zip b.bin > out.bin 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_TRUE(readFile(dir.file("out.bin")) == std::string(b.begin(), b.end()));

    // Cancelling the copy into volumes leaves no parts behind.
    TZipForge cancelled;
    cancelled.FileName = dir.file("w.zip");
    cancelled.BaseDir = dir.path().string();
    cancelled.SetSpanningMode(smSplitting);
    cancelled.SpanningOptions.VolumeSize = vsCustom;
    cancelled.SpanningOptions.SetCustomVolumeSize(65536);
    cancelled.OnCopyTempFileProgress = [&](double, int phase, bool& cancel) { cancel = phase == 1; };
    cancelled.OpenArchiveMode(65535);
    cancelled.AddFiles(dir.file("*.bin"), 10431, "");
    EXPECT_THROW(cancelled.CloseArchive(), EZFException);
    EXPECT_FALSE(std::filesystem::exists(dir.file("w.Z01")));
}
