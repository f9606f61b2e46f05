#pragma once
// Zip images built by hand for the archive tests, and the component's own
// listing of an opened archive in the form the independent tools are compared in.
#include "archive/ZipDirectory.h"
#include "archive/ZipForge.h"
#include "archive/ZipRecords.h"
#include "support/TestUtil.h"
#include "ArchiveReaders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// A minimal zip image of stored entries (defined in test_zipcrypt.cpp). Each
// entry's Data is written as given; Flags/Method/Extra describe it.
struct TestZipEntry {
    std::string Name;
    std::vector<uint8_t> Data; // bytes as stored (possibly encrypted)
    uint32_t Crc = 0, PlainSize = 0;
    uint16_t Flags = 0, Method = 0;
    std::vector<uint8_t> Extra;
};
std::vector<uint8_t> BuildTestZip(const std::vector<TestZipEntry>& entries);

namespace archivecheck {

// "name\tsize\tcrc" per entry, in directory order, as the component reads the archive.
inline std::vector<std::string> ComponentListing(const TZipForge& zip)
{
    std::vector<std::string> lines;
    for (int i = 0; i < zip.FileCount(); ++i) {
        const TDirItem& it = zip.Item(i);
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", it.Header.Crc32);
        lines.push_back(it.FileName + "\t" + std::to_string(it.UncompressedSize()) + "\t" + crc);
    }
    return lines;
}

// Joins a split set into one archive with Info-ZIP (which reads the set through its
// own end records), tests it with unzip and lists it with python's zipfile (every
// entry's data read, CRC checked): one "name\tsize\tcrc" line per entry, in
// directory order. Empty with a failure noted when a tool refuses the set.
inline std::vector<std::string> IndependentListing(const std::string& dir, const std::string& lastPart)
{
    const std::string joined = dir + "/joined_by_infozip.zip";
    std::filesystem::remove(joined);
    const ToolResult join = RunTool("zip", {"-q", "-s", "0", Q(lastPart), "--out", Q(joined)}, Q(dir));
    EXPECT_EQ(join.ExitCode, 0) << join.Output;
    const ToolResult test = RunTool("unzip", {"-tq", Q(joined)});
    EXPECT_EQ(test.ExitCode, 0) << test.Output;
    const ToolResult list = PythonZipEntries(joined);
    EXPECT_EQ(list.ExitCode, 0) << list.Output.substr(0, 2000);
    std::vector<std::string> lines;
    if (join.ExitCode != 0 || list.ExitCode != 0)
        return lines;
    std::istringstream in(list.Output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Every entry's disk and offset lead to its local header (signature and name) on
// the volume file of that disk; a header cut at a volume's end goes on in the next.
inline void ExpectLocalHeadersWhereTheDirectorySays(const TZipForge& zip, const std::vector<std::string>& volumes)
{
    std::map<uint32_t, std::string> bytes;
    auto volume = [&](uint32_t disk) -> const std::string& {
        if (!bytes.count(disk))
            bytes[disk] = disk < volumes.size() ? testutil::readFile(volumes[disk]) : std::string();
        return bytes[disk];
    };
    for (int i = 0; i < zip.FileCount(); ++i) {
        const TDirItem& it = zip.Item(i);
        const uint32_t disk = it.DiskNumberStart();
        ASSERT_LT(disk, volumes.size()) << it.FileName;
        std::string v = volume(disk);
        const uint64_t at = it.LocalHeaderOffset();
        if (at + 30 + it.FileName.size() > v.size())
            v += volume(disk + 1);
        ASSERT_LE(at + 30 + it.FileName.size(), v.size()) << it.FileName;
        EXPECT_EQ(ZipRecords::Get32(reinterpret_cast<const uint8_t*>(v.data() + at)), ZipRecords::SigLocal)
            << it.FileName;
        EXPECT_EQ(v.substr(at + 30, it.FileName.size()), it.FileName);
    }
}

// Opens the archive file with zip and expects the opening to end with error 45,
// as a cancelled volume request ends it.
inline void ExpectOpeningCancelled(TZipForge& zip, const std::string& file)
{
    zip.FileName = file;
    try {
        zip.OpenArchive();
        ADD_FAILURE() << "a cancelled disk request must not pass";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 45);
    }
}

} // namespace archivecheck
