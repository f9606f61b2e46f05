#include "archive/ZipForge.h"
#include "archive/ZipDirectory.h"
#include "archive/ZipRecords.h"
#include "support/TestUtil.h"
#include "ArchiveReaders.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>

using namespace ZipRecords;
using testutil::TempDir;
using testutil::readFile;
using testutil::writeFile;

namespace {

uint16_t U16(const std::string& b, size_t at) { return Get16(reinterpret_cast<const uint8_t*>(b.data() + at)); }
uint32_t U32(const std::string& b, size_t at) { return Get32(reinterpret_cast<const uint8_t*>(b.data() + at)); }

std::string RawInflate(const std::string& data, size_t outSize)
{
    std::string out(outSize, '\0');
    z_stream zs {};
    inflateInit2(&zs, -MAX_WBITS);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    int rc = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    EXPECT_EQ(rc, Z_STREAM_END);
    return out;
}

uint32_t Crc(const std::string& s) { return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size()))); }

// The component as the main form holds it.
void SetupLikeForm(TZipForge& zip)
{
    zip.Name = "zip";
    zip.SetCompressionLevel(clNormal);
}

void MakeArchive(const std::string& archive, const std::string& baseDir, const std::vector<std::string>& files)
{
    TZipForge zip;
    SetupLikeForm(zip);
    zip.FileName = archive;
    zip.BaseDir = baseDir;
    zip.OpenArchiveMode(65535);
    for (const auto& f : files) zip.AddFiles(f, 10431, "");
    zip.CloseArchive();
}

// python3 zipfile: test CRCs and print "name size" lines.
std::string PythonList(const std::string& archive)
{
    std::string cmd = "python3 -c \"import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1])\nassert z.testzip() is None\n"
                      "for i in z.infolist(): print(i.filename, i.file_size)\" '" + archive + "' 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

std::string HexByte(unsigned char c)
{
    static const char* digits = "0123456789abcdef";
    return {digits[c >> 4], digits[c & 15]};
}

} // namespace

TEST(ZipForge, KmzArchiveHasExactRecordLayout)
{
    TempDir dir;
    std::string kml;
    for (int i = 0; i < 400; ++i) kml += "<Placemark><name>" + std::to_string(i) + "</name></Placemark>\r\n";
    const std::string kmlPath = dir.file("red.kml"), kmz = dir.file("red.kmz");
    writeFile(kmlPath, kml);
    MakeArchive(kmz, dir.path().string(), {kmlPath});

    const std::string b = readFile(kmz);
    const size_t n = 7, extra = 2 * n + 12;
    ASSERT_GT(b.size(), 30 + n + extra + 46 + 22);
    EXPECT_EQ(U32(b, 0), 0x04034B50u);
    EXPECT_EQ(U16(b, 4), 20);
    EXPECT_EQ(U16(b, 6), 0);
    EXPECT_EQ(U16(b, 8), 8);
    EXPECT_EQ(U32(b, 14), Crc(kml));
    const uint32_t C = U32(b, 18);
    EXPECT_EQ(U32(b, 22), kml.size());
    EXPECT_EQ(U16(b, 26), n);
    EXPECT_EQ(U16(b, 28), extra);
    EXPECT_EQ(b.substr(30, n), "red.kml");
    EXPECT_EQ(U16(b, 30 + n), 0x554E);
    EXPECT_EQ(U16(b, 32 + n), 2 * n + 8);
    EXPECT_EQ(b.substr(34 + n, 4), "NUCX");
    EXPECT_EQ(U32(b, 38 + n), n);
    EXPECT_EQ(b.substr(42 + n, 2), std::string("r\0", 2));
    const size_t data = 30 + n + extra;
    EXPECT_EQ(RawInflate(b.substr(data, C), kml.size()), kml);

    const size_t cd = data + C;
    EXPECT_EQ(U32(b, cd), 0x02014B50u);
    EXPECT_EQ(U16(b, cd + 4), 20);
    EXPECT_EQ(U16(b, cd + 6), 20);
    EXPECT_EQ(U16(b, cd + 10), 8);
    EXPECT_EQ(U16(b, cd + 12), U16(b, 10));     // time and date as in the local header
    EXPECT_EQ(U16(b, cd + 14), U16(b, 12));
    EXPECT_EQ(U32(b, cd + 16), Crc(kml));
    EXPECT_EQ(U32(b, cd + 20), C);
    EXPECT_EQ(U32(b, cd + 24), kml.size());
    EXPECT_EQ(U16(b, cd + 28), n);
    EXPECT_EQ(U16(b, cd + 30), extra);
    EXPECT_EQ(U32(b, cd + 38) & 0x10u, 0u);
    EXPECT_EQ(U32(b, cd + 42), 0u);
    EXPECT_EQ(b.substr(cd + 46 + n, extra), b.substr(30 + n, extra));

    const size_t end = cd + 46 + n + extra;
    ASSERT_EQ(b.size(), end + 22);
    EXPECT_EQ(U32(b, end), 0x06054B50u);
    EXPECT_EQ(U16(b, end + 8), 1);
    EXPECT_EQ(U16(b, end + 10), 1);
    EXPECT_EQ(U32(b, end + 12), 46 + n + extra);
    EXPECT_EQ(U32(b, end + 16), cd);
    EXPECT_EQ(U16(b, end + 20), 0);
}

TEST(ZipForge, EmptyArchiveAndEmptyFile)
{
    TempDir dir;
    {
        TZipForge zip;
        zip.FileName = dir.file("none.zip");
        writeFile(zip.FileName, "old contents to be truncated");
        zip.OpenArchiveMode(65535);
        zip.CloseArchive();
        const std::string b = readFile(zip.FileName);
        ASSERT_EQ(b.size(), 22u);
        EXPECT_EQ(U32(b, 0), 0x06054B50u);
    }
    writeFile(dir.file("empty.kml"), "");
    MakeArchive(dir.file("e.kmz"), dir.path().string(), {dir.file("empty.kml")});
    const std::string b = readFile(dir.file("e.kmz"));
    EXPECT_EQ(U16(b, 8), 0);      // stored
    EXPECT_EQ(U32(b, 14), 0u);    // CRC
    EXPECT_EQ(U32(b, 18), 0u);
    EXPECT_EQ(U32(b, 22), 0u);
}

TEST(ZipForge, OptionsAndErrors)
{
    TZipForge zip;
    zip.Name = "zip";
    EXPECT_EQ(zip.CompressionMode(), 1);
    EXPECT_EQ(zip.MethodNumber(), 8);
    zip.SetCompressionLevel(clNormal);
    EXPECT_EQ(zip.CompressionMode(), 6);
    try {
        zip.SetCompressionMode(10);
        FAIL();
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 5);
        EXPECT_EQ(std::string(e.what()), "zip: Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
    }
    EXPECT_EQ(zip.CompressionMode(), 6);
    EXPECT_EQ(zip.CompressionLevel(), clNormal);
    zip.SetCompressionMode(4);
    EXPECT_EQ(zip.CompressionLevel(), clNormal);
    zip.SetCompressionLevel(clNone);
    EXPECT_EQ(zip.MethodNumber(), 0);
    EXPECT_EQ(EZFException(41, "", {"a.kml"}).what(),
              std::string("Cannot compress file 'a.kml'. Zip64 mode is not enabled - Native error: 00041"));
    EXPECT_NE(std::string(EZFException(61, "", {"x"}).what()).find(": \r\n\"x\""), std::string::npos);
    TZFSpanningOptions so;
    so.SetCustomVolumeSize(1000);
    EXPECT_EQ(so.CustomVolumeSize(), 65536);
    EXPECT_THROW(zip.AddFiles("x"), EZFException);    // not open: error 13
    EXPECT_TRUE(MatchesMask("A", "A*", true));
    EXPECT_TRUE(MatchesMask("ax", "*x", true));
    EXPECT_FALSE(MatchesMask("a", "a*b", true));
}

TEST(ZipForge, ArchivesPassIndependentReaders)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "sub");
    std::string big;
    uint32_t seed = 1;
    for (int i = 0; i < 1300000; ++i) { seed = seed * 1103515245u + 12345u; big += char('a' + (seed >> 16) % 7); }
    writeFile(dir.file("big.txt"), big);                 // more than one 1 MiB block at mode 6
    writeFile(dir.file("a.txt"), "alpha\r\n");
    writeFile((dir.path() / "sub" / "b.txt").string(), "beta\r\n");
    writeFile(dir.file("skip.dat"), "not matched");
    const std::string archive = dir.file("all.zip");
    {
        TZipForge zip;
        SetupLikeForm(zip);
        zip.FileName = archive;
        zip.BaseDir = dir.path().string();
        zip.OpenArchiveMode(65535);
        zip.AddFiles("*.txt", 10431, "");
        zip.AddFiles("*", 10431, "*.dat");   // the archive itself must never be added
        ASSERT_EQ(zip.FileCount(), 3);
        for (int i = 0; i < zip.FileCount(); ++i) EXPECT_NE(zip.Item(i).FileName, "all.zip");
        zip.CloseArchive();
    }
    // Reopen, replace one entry (moves the following ones) and append another.
    writeFile(dir.file("a.txt"), "alpha, second version\r\n");
    writeFile(dir.file("c.txt"), "gamma\r\n");
    {
        TZipForge zip;
        SetupLikeForm(zip);
        zip.FileName = archive;
        zip.BaseDir = dir.path().string();
        zip.OpenArchive();
        ASSERT_EQ(zip.FileCount(), 3);
        zip.BeginUpdate();
        zip.AddFiles(dir.file("a.txt"));
        zip.AddFiles(dir.file("c.txt"));
        zip.EndUpdate();
        zip.CloseArchive();
    }
    TZipForge check;
    check.FileName = archive;
    check.OpenArchive();
    ASSERT_EQ(check.FileCount(), 4);
    int a = -1;
    for (int i = 0; i < 4; ++i) if (check.Item(i).FileName == "a.txt") a = i;
    ASSERT_GE(a, 0);
    EXPECT_EQ(check.Item(a).UncompressedSize(), 23u);
    check.CloseArchive();

    EXPECT_EQ(std::system(("unzip -tq '" + archive + "' >/dev/null 2>&1").c_str()), 0);
    const std::string list = PythonList(archive);
    EXPECT_NE(list.find("big.txt 1300000"), std::string::npos) << list;
    EXPECT_NE(list.find("sub/b.txt 6"), std::string::npos) << list;
    EXPECT_NE(list.find("a.txt 23"), std::string::npos) << list;
    EXPECT_NE(list.find("c.txt 7"), std::string::npos) << list;
    EXPECT_EQ(list.find("skip.dat"), std::string::npos) << list;
}

// Every file a mask meets goes in under the bytes of its name: a name that is not
// UTF-8, and names differing only in case, as the file system keeps them apart.
TEST(ZipForge, MasksTakeEveryFileTheFolderHolds)
{
    struct Case {
        const char* mask;
        std::vector<std::string> files; // under the base folder
        std::vector<std::string> stored;
    };
    const std::string latin = "s/\xF1" "and\xFA" ".txt"; // "ñandú.txt" in Windows-1252
    const std::vector<Case> cases = {
        {"s/*", {latin, "s/b.txt"}, {latin, "s/b.txt"}},
        {"s/*", {"s/Datos.txt", "s/datos.txt"}, {"s/Datos.txt", "s/datos.txt"}},
        {"s/*", {"s/.oculto", "s/b.txt"}, {"s/.oculto", "s/b.txt"}}, // a hidden file is one of the folder's
        {"s/*.txt", {"s/Datos.txt", "s/datos.txt", latin, "s/x.dat"}, {"s/Datos.txt", "s/datos.txt", latin}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask + (" " + c.files[0]));
        TempDir dir;
        std::filesystem::create_directories(dir.path() / "s");
        for (const std::string& f : c.files) writeFile(dir.file(f), f);
        const std::string archive = dir.file("m.zip");
        TZipForge zip;
        SetupLikeForm(zip);
        zip.FileName = archive;
        zip.BaseDir = dir.path().string();
        zip.OpenArchiveMode(65535);
        zip.AddFiles(c.mask, 10431, "");
        zip.CloseArchive();
        EXPECT_TRUE(zip.LeftOut().empty());
        // python's zipfile: each entry's name bytes (as flag 11 says they are coded) and its contents.
        const std::string py = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                               "for i in sorted(z.infolist(), key=lambda i: i.filename):\n"
                               "    n = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')\n"
                               "    print(n.hex(), z.read(i) == n)\n";
        writeFile(dir.file("list.py"), py);
        std::string out, expected;
        if (FILE* p = popen(("python3 '" + dir.file("list.py") + "' '" + archive + "' 2>&1").c_str(), "r")) {
            char buf[512];
            while (fgets(buf, sizeof buf, p)) out += buf;
            pclose(p);
        }
        std::vector<std::string> want = c.stored;
        std::sort(want.begin(), want.end());
        for (const std::string& n : want) {
            for (unsigned char ch : n) expected += HexByte(ch);
            expected += " True\n";
        }
        EXPECT_EQ(out, expected);
        EXPECT_EQ(std::system(("unzip -tq '" + archive + "' >/dev/null 2>&1").c_str()), 0);
    }
}

TEST(ZipForge, Zip64AlwaysAndDisabled)
{
    TempDir dir;
    writeFile(dir.file("s.kml"), "small");
    const std::string archive = dir.file("z.zip");
    {
        TZipForge zip;
        SetupLikeForm(zip);
        zip.Zip64Mode = zmAlways;
        zip.FileName = archive;
        zip.BaseDir = dir.path().string();
        zip.OpenArchiveMode(65535);
        zip.AddFiles(dir.file("s.kml"));
        zip.CloseArchive();
    }
    const std::string b = readFile(archive);
    EXPECT_EQ(U16(b, 4), 45);
    EXPECT_EQ(U32(b, 18), 0xFFFFFFFFu);
    EXPECT_EQ(U32(b, 22), 0xFFFFFFFFu);
    EXPECT_EQ(U16(b, 30 + 5), 0x0001);      // the local Zip64 extra comes first
    EXPECT_EQ(U16(b, 32 + 5), 16);
    EXPECT_NE(PythonList(archive).find("s.kml 5"), std::string::npos);
}

TEST(ZipForge, FailedCommitRollsBackAndReports)
{
    TempDir dir;
    writeFile(dir.file("keep.txt"), "keep me");
    writeFile(dir.file("gone.txt"), "vanishes");
    const std::string archive = dir.file("r.zip");
    MakeArchive(archive, dir.path().string(), {dir.file("keep.txt")});
    const std::string before = readFile(archive);

    // Without a handler the failure is put to the user, who aborts here.
    ScopedZipDialogs boxes;
    boxes.Dialogs.Answers = {ZipDialogs::mbAbort};
    TZipForge zip;
    SetupLikeForm(zip);
    zip.FileName = archive;
    zip.BaseDir = dir.path().string();
    zip.OpenArchive();
    zip.BeginUpdate();
    zip.AddFiles(dir.file("gone.txt"));
    std::filesystem::remove(dir.file("gone.txt"));
    try {
        zip.EndUpdate();
        FAIL() << "a vanished source must not pass silently";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 33);
    }
    ASSERT_EQ(boxes.Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Dialogs.Boxes[0].Text, "zip: Cannot open file \"" + dir.file("gone.txt") +
                                               "\" - Native error: 00033. File processing error, possibly disk is full");
    EXPECT_EQ(boxes.Dialogs.Boxes[0].Buttons, ZipDialogs::mbAbort | ZipDialogs::mbRetry | ZipDialogs::mbIgnore);
    EXPECT_EQ(zip.FileCount(), 1);
    zip.CloseArchive();
    EXPECT_EQ(readFile(archive), before);
}

TEST(ZipForge, DamagedEndRecordIsRebuiltFromLocalHeaders)
{
    TempDir dir;
    writeFile(dir.file("one.txt"), "first file");
    writeFile(dir.file("two.txt"), "second file");
    const std::string archive = dir.file("d.zip");
    MakeArchive(archive, dir.path().string(), {dir.file("one.txt"), dir.file("two.txt")});
    writeFile(archive, readFile(archive) + "junk");   // the end record no longer ends the file
    TZipForge zip;
    zip.FileName = archive;
    zip.OpenArchive();
    ASSERT_EQ(zip.FileCount(), 2);
    EXPECT_EQ(zip.Item(1).FileName, "two.txt");
    EXPECT_EQ(zip.Item(1).Header.Crc32, Crc("second file"));
}

// A new archive whose writing the user cancels is never put under its name:
// nothing is there afterwards, not even a scratch file.
TEST(ZipForge, ANewArchiveCancelledLeavesNothing)
{
    TempDir dir;
    writeFile(dir.file("a.txt"), "a");
    const std::string archive = dir.file("c.zip");
    try {
        TZipForge zip;
        SetupLikeForm(zip);
        zip.FileName = archive;
        zip.BaseDir = dir.path().string();
        zip.OnOverallProgress = [](double, int, int, bool& cancel) { cancel = true; };
        zip.OpenArchiveMode(65535);
        zip.AddFiles(dir.file("a.txt"));
        zip.CloseArchive();
    } catch (const std::exception&) {
    }
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"a.txt"});
}

TEST(ZipForge, TransactionsNestCancelAndSkip)
{
    TempDir dir;
    writeFile(dir.file("a.txt"), "a");
    writeFile(dir.file("b.txt"), "b");
    const std::string archive = dir.file("t.zip");
    TZipForge zip;
    SetupLikeForm(zip);
    zip.FileName = archive;
    zip.BaseDir = dir.path().string();
    zip.OpenArchiveMode(65535);
    zip.BeginUpdate();
    zip.BeginUpdate();
    zip.AddFiles(dir.file("a.txt"));
    zip.EndUpdate();                       // inner: nothing written yet
    EXPECT_FALSE(std::filesystem::exists(archive)); // nothing under the name until complete
    zip.CancelUpdate();
    EXPECT_EQ(zip.FileCount(), 0);         // the cancelled entry does not linger in memory

    std::vector<int> codes;
    zip.OnProcessFileFailure = [&](const std::string&, int, int native, int, const std::string&, int& action) {
        codes.push_back(native);
        action = 1;                        // skip the entry, keep the others
    };
    zip.BeginUpdate();
    zip.AddFiles(dir.file("a.txt"));
    zip.AddFiles(dir.file("b.txt"));
    std::filesystem::remove(dir.file("a.txt"));
    zip.EndUpdate();
    EXPECT_EQ(codes, std::vector<int>{33});
    ASSERT_EQ(zip.FileCount(), 1);
    EXPECT_EQ(zip.Item(0).FileName, "b.txt");
    zip.CloseArchive();
    const std::string b = readFile(archive);
    EXPECT_EQ(U32(b, 0), 0x04034B50u);
    EXPECT_EQ(U32(b, b.size() - 22), 0x06054B50u);
    EXPECT_EQ(U16(b, b.size() - 12), 1);
}

TEST(ZipForge, NamesVersionsAndDirectoryEntries)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "carpeta");
    const std::string name = "se\xC3\xB1" "al.kml";   // "señal.kml"
    writeFile(dir.file(name), "x");
    // A name that is no UTF-8: "Caño.txt" as Windows-1252 bytes, as files copied
    // from an older system are named.
    const std::string ansi = "Ca\xF1o.txt";
    writeFile(dir.file(ansi), "yy");
    const std::string archive = dir.file("n.zip");
    {
        TZipForge zip;
        SetupLikeForm(zip);
        zip.Options.OEMFileNames = false;
        zip.FileName = archive;
        zip.BaseDir = dir.path().string();
        zip.OpenArchiveMode(65535);
        zip.AddFiles(dir.file(name));
        zip.AddFiles(dir.file(ansi));
        zip.AddFiles(dir.file("carpeta"));
        zip.CloseArchive();
    }
    const std::string b = readFile(archive);
    EXPECT_EQ(U16(b, 4), 0x0B14);
    // Its bytes go into both headers as given, without the UTF-8 flag (bit 11)
    // that a UTF-8 name carries.
    const size_t local = b.find(ansi), central = b.find(ansi, local + 1);
    ASSERT_NE(local, std::string::npos);
    ASSERT_NE(central, std::string::npos);
    EXPECT_EQ(U32(b, local - 30), 0x04034B50u);
    EXPECT_EQ(U16(b, local - 30 + 6) & 0x0800, 0);
    EXPECT_EQ(U16(b, local - 30 + 26), ansi.size());
    EXPECT_EQ(U32(b, central - 46), 0x02014B50u);
    EXPECT_EQ(U16(b, central - 46 + 4), 0x0B14);
    EXPECT_EQ(U16(b, central - 46 + 8) & 0x0800, 0);
    EXPECT_EQ(U16(b, b.find(name) - 30 + 6) & 0x0800, 0x0800);
    // Readers of the header alone: python decodes the bytes in the DOS code page
    // (0xF1 is '±' there), unzip and 7z hand the bytes on as they are; each reads
    // the data whole. A reader of the Unicode name field finds "Caño.txt".
    const auto py = archivecheck::PythonZipList(archive);
    EXPECT_EQ(py.ExitCode, 0) << py.Output;
    EXPECT_NE(py.Output.find("Ca\xC2\xB1o.txt\t2\t"), std::string::npos) << py.Output;
    const auto unzip = archivecheck::UnzipTest(archive);
    EXPECT_EQ(unzip.ExitCode, 0) << unzip.Output;
    const auto unzipNames = archivecheck::UnzipNames(archive);
    EXPECT_NE(unzipNames.Output.find("\n" + ansi + "\n"), std::string::npos) << unzipNames.Output;
    const auto seven = archivecheck::SevenZipList(archive);
    EXPECT_EQ(seven.ExitCode, 0) << seven.Output;
    EXPECT_NE(seven.Output.find("Path = " + ansi + "\nFolder = -\nSize = 2\n"), std::string::npos) << seven.Output;
    TZipForge zip;
    zip.FileName = archive;
    zip.OpenArchive();
    ASSERT_EQ(zip.FileCount(), 3);
    EXPECT_EQ(zip.Item(0).FileName, name);                 // through the "NUCX" field
    EXPECT_EQ(zip.Item(1).FileName, "Ca\xC3\xB1o.txt");
    const TDirItem& d = zip.Item(2);
    EXPECT_EQ(d.FileName, "carpeta/");
    EXPECT_EQ(d.Header.Flags, 2);
    EXPECT_EQ(d.Header.Method, 0);
    EXPECT_EQ(d.Header.Crc32, 0u);
    EXPECT_EQ(d.Header.ExternalAttr & 0x10u, 0x10u);
}
