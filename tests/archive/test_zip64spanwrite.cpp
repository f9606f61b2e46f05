// Cutting archives into volumes when they need Zip64 records: tens of thousands of
// entries written by the component as split parts and as spanned disks, joined by
// Info-ZIP, tested by unzip, listed by python's zipfile and read back by the
// component; and small sets that must come out byte for byte as they always did.
#include "archive/ZipForge.h"
#include "archive/ZipRecords.h"
#include "archive/ZipSpan.h"
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

// From test_zipcrypt.cpp: a stored-entry zip image.
struct TestZipEntry {
    std::string Name;
    std::vector<uint8_t> Data;
    uint32_t Crc = 0, PlainSize = 0;
    uint16_t Flags = 0, Method = 0;
    std::vector<uint8_t> Extra;
};
std::vector<uint8_t> BuildTestZip(const std::vector<TestZipEntry>& entries);

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

// Sets that need no Zip64 records are cut exactly as before the volume writer
// learnt them: the digests were taken from its output then.
TEST(Zip64SpanWrite, SmallSetsAreCutByteForByteAsBefore)
{
    TempDir dir;
    const auto large = LargeEntriesImage(), many = ManyEntriesImage();
    const auto split = Cut(dir, large, "grande", smSplitting, false);
    const auto spanned = Cut(dir, large, "disco", smSpanning, true);
    const auto manySplit = Cut(dir, many, "muchos", smSplitting, false);
    const auto manySpanned = Cut(dir, many, "muchos_d", smSpanning, true);
    EXPECT_EQ(split.size(), 3u);
    EXPECT_GE(manySplit.size(), 4u);
    EXPECT_EQ(VolumesDigest(split), "335a77e0bdea644efa0b643411fe5377249c31c9");
    EXPECT_EQ(VolumesDigest(spanned), "0a7708dc959ff62fe7a5a68554c98dd7819d73e5");
    EXPECT_EQ(VolumesDigest(manySplit), "e0c84afc7b4ff2909e39b65e8da27a728f7fa76a");
    EXPECT_EQ(VolumesDigest(manySpanned), "c399af9f0f0dd118997c5fdad70cea7f71c97942");
}
