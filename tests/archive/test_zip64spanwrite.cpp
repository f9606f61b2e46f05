// Cutting archives into volumes when they need Zip64 records: tens of thousands of
// entries written by the component as split parts and as spanned disks, joined by
// Info-ZIP, tested by unzip, listed by python's zipfile and read back by the
// component; and small sets that must come out byte for byte as they always did.
#include "archive/ZipDirectory.h"
#include "archive/ZipForge.h"
#include "archive/ZipRecords.h"
#include "archive/ZipSpan.h"
#include "ZipTestImages.h"
#include "support/TestUtil.h"
#include "ArchiveReaders.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

using namespace testutil;
using namespace archivecheck;
using namespace ZipRecords;


namespace {

// One digest over the names and bytes of the volumes, in disk order.
std::string VolumesDigest(const std::vector<std::string>& volumes)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (const auto& v : volumes) {
        const std::string name = std::filesystem::path(v).filename().string();
        const std::string bytes = readFile(v);
        h.addData(QByteArrayView(name.data(), qsizetype(name.size() + 1)));
        h.addData(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    }
    return h.result().toHex().toStdString();
}

std::vector<uint8_t> Noise(size_t n, unsigned seed)
{
    std::mt19937 g(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(g());
    return v;
}

uint32_t Crc(const std::vector<uint8_t>& d) { return ~Crc32Update(0xFFFFFFFFu, d.data(), d.size()); }

// A few large entries (one with an extra field) and an archive comment.
std::vector<uint8_t> LargeEntriesImage()
{
    std::vector<TestZipEntry> entries;
    for (int i = 0; i < 3; ++i) {
        auto d = Noise(50000, unsigned(i + 11));
        std::vector<uint8_t> extra;
        if (i == 1) extra = {0x34, 0x12, 4, 0, 'r', 'e', 'd', '!'};
        entries.push_back({"tramo" + std::to_string(i) + ".bin", d, Crc(d), uint32_t(d.size()), 0, 0, extra});
    }
    auto img = BuildTestZip(entries);
    const std::string comment = "Red de prueba";
    img[img.size() - 2] = uint8_t(comment.size());
    img.insert(img.end(), comment.begin(), comment.end());
    return img;
}

// Many small entries with long names: the directory runs over several volumes.
std::vector<uint8_t> ManyEntriesImage()
{
    std::vector<TestZipEntry> entries;
    for (int i = 0; i < 2500; ++i) {
        char name[96];
        std::snprintf(name, sizeof name, "red/arco_%05d_con_un_nombre_bastante_largo.txt", i);
        const std::string text = "arco " + std::to_string(i) + "\r\n";
        std::vector<uint8_t> d(text.begin(), text.end());
        entries.push_back({name, d, Crc(d), uint32_t(d.size()), 0, 0, {}});
    }
    return BuildTestZip(entries);
}

std::vector<std::string> Cut(const TempDir& dir, const std::vector<uint8_t>& img, const std::string& name,
                             TZFSpanningMode mode, bool advanced)
{
    const std::string image = dir.file(name + ".tmp");
    writeFile(image, std::string(img.begin(), img.end()));
    TZipForge zip;
    zip.FileName = dir.file(name + ".zip");
    zip.SetSpanningMode(mode);
    zip.SpanningOptions.AdvancedNaming = advanced;
    zip.SpanningOptions.VolumeSize = vsCustom;
    zip.SpanningOptions.SetCustomVolumeSize(65536);
    ZipSpan::TZipVolumeWriter w;
    w.FreeSpace = [](const std::string&) { return int64_t(1) << 40; };
    w.Distribute(zip, image);
    return w.WrittenVolumes;
}

} // namespace

namespace {

bool HaveInfoZip() { return RunTool("zip", {"-v"}).ExitCode == 0 && RunTool("unzip", {"-v"}).ExitCode == 0; }

uint32_t U32(const std::string& b, size_t at) { return Get32(reinterpret_cast<const uint8_t*>(b.data() + at)); }
uint16_t U16(const std::string& b, size_t at) { return Get16(reinterpret_cast<const uint8_t*>(b.data() + at)); }




// The end records on the last volume: the end record names the last disk and
// leaves the count to the Zip64 end record, which the locator finds on that disk.
void ExpectZip64EndRecordsOnTheLastVolume(const std::vector<std::string>& volumes, uint64_t count)
{
    const std::string last = readFile(volumes.back());
    ASSERT_GE(last.size(), 98u);
    const size_t e = last.size() - 22, loc = e - 20, z = loc - 56;
    const uint32_t lastDisk = uint32_t(volumes.size() - 1);
    ASSERT_EQ(U32(last, e), SigEnd);
    EXPECT_EQ(U16(last, e + 4), lastDisk);
    EXPECT_EQ(U16(last, e + 8), 0xFFFF);
    EXPECT_EQ(U16(last, e + 10), 0xFFFF);
    ASSERT_EQ(U32(last, loc), SigZip64Locator);
    const TZFZip64Locator l = TZFZip64Locator::Read(reinterpret_cast<const uint8_t*>(last.data() + loc));
    EXPECT_EQ(l.Zip64EndDisk, lastDisk);
    EXPECT_EQ(l.Zip64EndOffset, z);
    EXPECT_EQ(l.TotalDisks, lastDisk + 1);
    ASSERT_EQ(U32(last, z), SigZip64End);
    const TZFZip64EndRecord r = TZFZip64EndRecord::Read(reinterpret_cast<const uint8_t*>(last.data() + z));
    EXPECT_EQ(r.ThisDisk, lastDisk);
    EXPECT_EQ(r.TotalEntries, count);
    EXPECT_LT(r.EntriesThisDisk, count);
    EXPECT_LT(r.DirDisk, lastDisk) << "the directory of so many entries runs over several volumes";
    EXPECT_EQ(U16(last, e + 6), r.DirDisk);
    EXPECT_EQ(U32(last, e + 16), r.DirOffset);
}

std::vector<std::string> Lowered(const std::vector<std::string>& volumes)
{
    std::vector<std::string> out;
    for (const auto& v : volumes) {
        std::filesystem::path p(v);
        std::string ext = p.extension().string();
        for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
        const std::string to = (p.parent_path() / (p.stem().string() + ext)).string();
        if (to != v) std::filesystem::rename(v, to);
        out.push_back(to);
    }
    return out;
}

// Writes the files matching mask (below baseDir) as a new archive cut into
// volumes of the given size, stored, through the program's volume writer; the
// volume files written, in disk order.
std::vector<std::string> WriteVolumes(const std::string& fileName, const std::string& baseDir,
                                      const std::string& mask, TZFSpanningMode mode, TZip64Mode zip64,
                                      int64_t volumeSize)
{
    TZipForge zip;
    zip.StandardZip = true;
    auto writer = std::make_shared<ZipSpan::TZipVolumeWriter>();
    writer->FreeSpace = [](const std::string&) { return int64_t(1) << 40; };
    zip.VolumeWriter = writer;
    zip.Zip64Mode = zip64;
    zip.SetCompressionMode(0);
    zip.FileName = fileName;
    zip.BaseDir = baseDir;
    zip.SetSpanningMode(mode);
    zip.SpanningOptions.AdvancedNaming = mode == smSpanning;
    zip.SpanningOptions.VolumeSize = vsCustom;
    zip.SpanningOptions.SetCustomVolumeSize(volumeSize);
    zip.OpenArchiveMode(65535);
    zip.AddFiles(mask, 10431, "");
    zip.CloseArchive();
    return writer->WrittenVolumes;
}

} // namespace

// Sets that need no Zip64 records are cut exactly as before the volume writer
// learnt them (the digests were taken from its output then), as long as no local
// header fell across a volume's end. Where one did, the header now starts the
// next volume: Info-ZIP could not join those sets ("Unexpected end of zip file").
TEST(Zip64SpanWrite, SmallSetsAreCutAsBeforeWithLocalHeadersKeptWhole)
{
    TempDir dir;
    const auto large = LargeEntriesImage();
    const auto split = Cut(dir, large, "grande", smSplitting, false);
    const auto spanned = Cut(dir, large, "disco", smSpanning, true);
    EXPECT_EQ(split.size(), 3u);
    EXPECT_EQ(VolumesDigest(split), "335a77e0bdea644efa0b643411fe5377249c31c9");
    EXPECT_EQ(VolumesDigest(spanned), "0a7708dc959ff62fe7a5a68554c98dd7819d73e5");

    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    const auto many = ManyEntriesImage();
    const std::string plain = dir.file("plain.zip");
    writeFile(plain, std::string(many.begin(), many.end()));
    const ToolResult reference = PythonZipEntries(plain);
    ASSERT_EQ(reference.ExitCode, 0) << reference.Output;
    std::vector<std::string> expected;
    std::istringstream in(reference.Output);
    for (std::string line; std::getline(in, line);) expected.push_back(line);
    ASSERT_EQ(expected.size(), 2500u);

    const auto parts = Lowered(Cut(dir, many, "muchos", smSplitting, false));
    ASSERT_GE(parts.size(), 4u);
    EXPECT_EQ(IndependentListing(dir.path().string(), dir.file("muchos.zip")), expected);
    TZipForge reader;
    reader.FileName = dir.file("muchos.zip");
    reader.OpenArchive();
    EXPECT_EQ(ComponentListing(reader), expected);
    // Every header whole on the volume the directory names.
    for (int i = 0; i < reader.FileCount(); ++i) {
        const TDirItem& it = reader.Item(i);
        const std::string v = readFile(parts.at(it.DiskNumberStart()));
        ASSERT_LE(it.LocalHeaderOffset() + 30 + it.FileName.size(), v.size()) << it.FileName;
        EXPECT_EQ(v.substr(size_t(it.LocalHeaderOffset()) + 30, it.FileName.size()), it.FileName);
    }
}

// 70,000 entries need the Zip64 end record for their count alone. Written by the
// component as split parts and as spanned disks of 1 MB, the set carries per-volume
// offsets and disk numbers, the Zip64 end record and locator on the last volume,
// and reads back the same through Info-ZIP, unzip, python and the component.
TEST(Zip64SpanWrite, SeventyThousandEntriesAreCutIntoVolumes)
{
    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    constexpr int count = 70000;
    constexpr int64_t volume = 1 << 20;
    TempDir src;
    std::filesystem::create_directories(src.path() / "red");
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "red/n%05d.txt", i);
        const std::string text = "arco " + std::to_string(i * 7919 % 100003) + "\r\n";
        writeFile(src.file(name), text);
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", ~Crc32Update(0xFFFFFFFFu, text.data(), text.size()));
        expected.push_back(std::string(name) + "\t" + std::to_string(text.size()) + "\t" + crc);
    }
    std::sort(expected.begin(), expected.end());

    for (const TZFSpanningMode mode : {smSplitting, smSpanning}) {
        SCOPED_TRACE(mode == smSplitting ? "split parts" : "spanned disks");
        TempDir dir;
        const std::vector<std::string> written =
            WriteVolumes(dir.file("set.zip"), src.path().string(), src.file("red/*.txt"), mode, zmAuto, volume);
        ASSERT_GE(written.size(), 5u);
        EXPECT_EQ(written.back(), dir.file("set.zip"));
        for (const auto& v : written) EXPECT_LE(int64_t(std::filesystem::file_size(v)), volume) << v;
        EXPECT_EQ(U32(readFile(written.front()), 0), 0x08074B50u) << "split-archive marker";
        ExpectZip64EndRecordsOnTheLastVolume(written, count);

        // Info-ZIP looks for split parts under their lower-case names (set.z01...);
        // the spanned disks of one folder take those names to be joined.
        std::vector<std::string> parts;
        if (mode == smSplitting) {
            parts = Lowered(written);
        } else {
            for (size_t i = 0; i + 1 < written.size(); ++i) {
                char ext[16];
                std::snprintf(ext, sizeof ext, ".z%02u", unsigned(i + 1));
                parts.push_back(dir.file(std::string("set") + ext));
                std::filesystem::rename(written[i], parts.back());
            }
            parts.push_back(written.back());
        }
        std::vector<std::string> independent = IndependentListing(dir.path().string(), dir.file("set.zip"));
        ASSERT_EQ(independent.size(), size_t(count));

        TZipForge reader;
        reader.FileName = dir.file("set.zip");
        reader.OpenArchive();
        EXPECT_EQ(reader.SpanningMode(), smSplitting);
        EXPECT_EQ(reader.LastVolumeIndex(), int(parts.size()) - 1);
        std::vector<std::string> ours = ComponentListing(reader);
        EXPECT_EQ(ours, independent) << "the same entries in the same directory order";
        ExpectLocalHeadersWhereTheDirectorySays(reader, parts);
        reader.CloseArchive();
        std::sort(ours.begin(), ours.end());
        EXPECT_EQ(ours, expected);
    }
}

namespace {

// Walks the central directory of a set (from the end records of its last volume)
// and returns, per record, its disk field, offset field and Zip64 extra data.
struct CentralFields {
    uint16_t Disk = 0;
    uint32_t Offset = 0;
    std::string Zip64;   // data of the Zip64 extra field, empty when absent
};

std::vector<CentralFields> ReadCentralFields(const std::vector<std::string>& volumes)
{
    std::string all;
    std::vector<size_t> at;
    for (const auto& v : volumes) { at.push_back(all.size()); all += readFile(v); }
    const size_t e = all.size() - 22;
    const uint16_t dirDisk = U16(all, e + 6), total = U16(all, e + 10);
    size_t p = at[dirDisk] + U32(all, e + 16);
    std::vector<CentralFields> out;
    for (int i = 0; i < total && U32(all, p) == SigCentral; ++i) {
        CentralFields f;
        f.Disk = U16(all, p + 34);
        f.Offset = U32(all, p + 42);
        const size_t n = U16(all, p + 28), x = U16(all, p + 30), c = U16(all, p + 32);
        for (size_t q = p + 46 + n; q + 4 <= p + 46 + n + x; q += 4 + U16(all, q + 2))
            if (U16(all, q) == ExtraZip64) f.Zip64 = all.substr(q + 4, U16(all, q + 2));
        out.push_back(f);
        p += 46 + n + x + c;
    }
    return out;
}

} // namespace

// Zip64 extra fields are rebuilt for the values the volumes give: with every
// offset forced into Zip64 the extra holds the offset on the entry's own volume
// (the header field had been overwritten with it, leaving the extra pointing into
// the single file); an offset that needed Zip64 only in the single file, and fits
// on its volume, leaves the extra with the sizes alone.
TEST(Zip64SpanWrite, Zip64ExtraFieldsHoldTheOffsetsOnTheVolumes)
{
    if (!HaveInfoZip()) FAIL() << "Info-ZIP zip/unzip not installed (scripts/install-deps.sh)";
    TempDir src;
    std::vector<std::string> expected;
    for (int i = 0; i < 3; ++i) {
        const auto d = Noise(40000, unsigned(i + 30));
        const std::string name = "tramo" + std::to_string(i) + ".bin";
        writeFile(src.file(name), std::string(d.begin(), d.end()));
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", Crc(d));
        expected.push_back(name + "\t40000\t" + crc);
    }

    // Every entry in Zip64 form, written through the archiver.
    {
        TempDir dir;
        const auto parts = Lowered(
            WriteVolumes(dir.file("z.zip"), src.path().string(), src.file("*.bin"), smSplitting, zmAlways, 65536));
        ASSERT_EQ(parts.size(), 2u);
        const auto fields = ReadCentralFields(parts);
        ASSERT_EQ(fields.size(), 3u);
        for (const auto& f : fields) {
            EXPECT_EQ(f.Offset, 0xFFFFFFFFu);
            ASSERT_EQ(f.Zip64.size(), 24u) << "sizes and offset";
            const uint64_t off = Get64(reinterpret_cast<const uint8_t*>(f.Zip64.data() + 16));
            const std::string v = readFile(parts.at(f.Disk));
            ASSERT_LT(off + 4, v.size());
            EXPECT_EQ(U32(v, size_t(off)), SigLocal);
        }
        std::vector<std::string> independent = IndependentListing(dir.path().string(), dir.file("z.zip"));
        std::sort(independent.begin(), independent.end());
        EXPECT_EQ(independent, expected);
        TZipForge reader;
        reader.FileName = dir.file("z.zip");
        reader.OpenArchive();
        std::vector<std::string> ours = ComponentListing(reader);
        std::sort(ours.begin(), ours.end());
        EXPECT_EQ(ours, expected);
    }

    // A single file whose directory keeps every offset in Zip64 extras (as one past
    // 4 GB does) while the archiver runs in its automatic mode.
    {
        TempDir dir;
        std::vector<TestZipEntry> entries;
        for (int i = 0; i < 3; ++i) {
            const std::string d = readFile(src.file("tramo" + std::to_string(i) + ".bin"));
            std::vector<uint8_t> data(d.begin(), d.end());
            entries.push_back({"tramo" + std::to_string(i) + ".bin", data, Crc(data), uint32_t(data.size()), 0, 0, {}});
        }
        const auto plain = BuildTestZip(entries);
        // Rewrite its directory: offset field 0xFFFFFFFF, the offset in a Zip64 extra.
        const TZFEndRecord end = TZFEndRecord::Read(&plain[plain.size() - 22]);
        std::vector<uint8_t> img(plain.begin(), plain.begin() + end.DirOffset), dirBytes;
        for (size_t p = end.DirOffset; p < size_t(end.DirOffset) + end.DirSize;) {
            TZFCentralHeader h = TZFCentralHeader::Read(&plain[p]);
            const std::string name(plain.begin() + long(p + 46), plain.begin() + long(p + 46 + h.NameLength));
            const uint64_t off = h.LocalHeaderOffset;
            p += 46 + h.NameLength + h.ExtraLength + h.CommentLength;
            h.LocalHeaderOffset = 0xFFFFFFFFu;
            h.ExtraLength = 12;
            h.Write(dirBytes);
            dirBytes.insert(dirBytes.end(), name.begin(), name.end());
            Put16(dirBytes, ExtraZip64); Put16(dirBytes, 8); Put64(dirBytes, off);
        }
        img.insert(img.end(), dirBytes.begin(), dirBytes.end());
        TZFEndRecord e = end;
        e.DirSize = uint32_t(dirBytes.size());
        e.Write(img);
        const std::string image = dir.file("big.tmp");
        writeFile(image, std::string(img.begin(), img.end()));
        TZipForge zip;
        zip.Zip64Mode = zmAuto;
        zip.FileName = dir.file("g.zip");
        zip.SetSpanningMode(smSplitting);
        zip.SpanningOptions.VolumeSize = vsCustom;
        zip.SpanningOptions.SetCustomVolumeSize(65536);
        ZipSpan::TZipVolumeWriter w;
        w.FreeSpace = [](const std::string&) { return int64_t(1) << 40; };
        w.Distribute(zip, image);
        const auto parts = Lowered(w.WrittenVolumes);
        const auto fields = ReadCentralFields(parts);
        ASSERT_EQ(fields.size(), 3u);
        for (const auto& f : fields) {
            EXPECT_TRUE(f.Zip64.empty()) << "no value is left that does not fit";
            const std::string v = readFile(parts.at(f.Disk));
            ASSERT_LT(uint64_t(f.Offset) + 4, v.size());
            EXPECT_EQ(U32(v, f.Offset), SigLocal);
        }
        std::vector<std::string> independent = IndependentListing(dir.path().string(), dir.file("g.zip"));
        std::sort(independent.begin(), independent.end());
        EXPECT_EQ(independent, expected);
    }
}
