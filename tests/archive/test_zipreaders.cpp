// What the component writes, read back by independent readers: python's zipfile,
// unzip -t and 7z t, for every compression and encryption, Unicode names,
// updates of archives that carry data descriptors, and archives with a stub.
#include "archive/ZipDirectory.h"
#include "archive/ZipForge.h"
#include "archive/ZipRecords.h"
#include "ZipTestImages.h"
#include "support/TestUtil.h"
#include "ArchiveReaders.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/resource.h>
#include <map>
#include <random>
#include <set>
#include <sstream>

using namespace testutil;
using namespace archivecheck;

namespace {

const std::string kUnicodeName = "Pe\xC3\xB1" "alol\xC3\xA9" "n.kml";   // "Peñalolén.kml"

std::string Sha1(const std::string& s)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(s), QCryptographicHash::Sha1).toHex().toStdString();
}

uint16_t U16(const std::string& b, size_t at) { return ZipRecords::Get16(reinterpret_cast<const uint8_t*>(b.data() + at)); }
uint32_t U32(const std::string& b, size_t at) { return ZipRecords::Get32(reinterpret_cast<const uint8_t*>(b.data() + at)); }

// The files of one archive, by stored name.
using Contents = std::map<std::string, std::string>;

Contents SampleFiles()
{
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "arco " + std::to_string(i) + ";" + std::to_string(i * 37 % 1000) + "\r\n";
    return {{"red.txt", text}, {"vacio.txt", ""}, {kUnicodeName, "<kml>Pe\xC3\xB1" "alol\xC3\xA9" "n</kml>\r\n"}};
}

void WriteFiles(const TempDir& dir, const Contents& files)
{
    for (const auto& [name, data] : files) writeFile(dir.file(name), data);
}

// Python's listing, checked against the expected contents (names decoded exactly).
void ExpectPythonReads(const std::string& archive, const Contents& files, const std::string& password = std::string())
{
    const ToolResult r = PythonZipList(archive, password);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    std::string expected;
    for (const auto& [name, data] : files) expected += name + "\t" + std::to_string(data.size()) + "\t" + Sha1(data) + "\n";
    // zipfile lists in directory order; compare as sets of lines.
    auto lines = [](const std::string& s) {
        std::multiset<std::string> out;
        size_t a = 0;
        for (size_t b; (b = s.find('\n', a)) != std::string::npos; a = b + 1) out.insert(s.substr(a, b - a));
        return out;
    };
    EXPECT_EQ(lines(r.Output), lines(expected)) << archive;
}

void ExpectUnzipTests(const std::string& archive, const std::string& password = std::string())
{
    const ToolResult r = UnzipTest(archive, password);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(r.Output.find("warning"), std::string::npos) << r.Output;
}

void ExpectSevenZipTests(const std::string& archive, const std::string& password = std::string())
{
    const ToolResult r = SevenZipTest(archive, password);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("Everything is Ok"), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find("WARNING"), std::string::npos) << r.Output;
}

struct ArchiveSetup {
    int Mode = 6;                                   // 0 stored, else deflated
    std::string Password;
    TZFCryptoAlgorithm Method = caPkzipClassic;
    std::string Stub;
};

void MakeArchive(const std::string& archive, const TempDir& dir, const Contents& files, const ArchiveSetup& s = ArchiveSetup())
{
    TZipForge zip;
    zip.Name = "zip";
    zip.SetCompressionMode(s.Mode);
    if (!s.Password.empty()) {
        zip.SetPassword(s.Password);
        zip.EncryptionMethod = s.Method;             // chosen after the password, which resets it
    }
    zip.SFXStub = s.Stub;
    zip.FileName = archive;
    zip.BaseDir = dir.path().string();
    zip.OpenArchiveMode(65535);
    zip.BeginUpdate();
    for (const auto& f : files) zip.AddFiles(dir.file(f.first), 10431, "");
    zip.EndUpdate();
    zip.CloseArchive();
}

} // namespace

TEST(ZipReaders, EveryCompressionAndEncryptionOpensInTheTools)
{
    TempDir dir;
    const Contents files = SampleFiles();
    WriteFiles(dir, files);
    struct Case {
        const char* Name;
        ArchiveSetup S;
        bool Classic;       // python and unzip read classic encryption, not AES
    };
    const Case cases[] = {
        {"stored.zip", {0, "", caPkzipClassic, ""}, true},
        {"deflated.zip", {6, "", caPkzipClassic, ""}, true},
        {"classic_stored.zip", {0, "cl@ve", caPkzipClassic, ""}, true},
        {"classic_deflated.zip", {9, "cl@ve", caPkzipClassic, ""}, true},
        {"aes128_stored.zip", {0, "cl@ve", caAES_128, ""}, false},
        {"aes192_deflated.zip", {6, "cl@ve", caAES_192, ""}, false},
        {"aes256_deflated.zip", {1, "cl@ve", caAES_256, ""}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string archive = dir.file(c.Name);
        MakeArchive(archive, dir, files, c.S);
        ExpectSevenZipTests(archive, c.S.Password);
        if (c.Classic) {
            ExpectPythonReads(archive, files, c.S.Password);
            ExpectUnzipTests(archive, c.S.Password);
        }
    }
    // The empty entry of an AES archive declares the method its data really has.
    const std::string b = readFile(dir.file("aes192_deflated.zip"));
    for (size_t p = 0; (p = b.find("vacio.txt", p)) != std::string::npos; ++p) {
        const size_t aes = b.find(std::string("\x01\x99\x07\x00", 4), p);
        ASSERT_NE(aes, std::string::npos);
        EXPECT_EQ(U16(b, aes + 9), 0) << "an empty entry holds no deflate data";
    }
    // A wrong password is refused by 7z.
    EXPECT_NE(SevenZipTest(dir.file("aes256_deflated.zip"), "otra").ExitCode, 0);
}

TEST(ZipReaders, UnicodeNamesReadBackExactlyAndAsciiNamesKeepTheirBytes)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Comunas");
    const Contents files = {{kUnicodeName, "x"}, {"Comunas/\xC3\x91u\xC3\xB1oa.kml", "y"}, {"plain.kml", "z"}};
    WriteFiles(dir, files);
    const std::string archive = dir.file("u.kmz");
    MakeArchive(archive, dir, files);

    ExpectPythonReads(archive, files);
    ExpectUnzipTests(archive);
    ExpectSevenZipTests(archive);
    const ToolResult names = UnzipNames(archive);
    ASSERT_EQ(names.ExitCode, 0) << names.Output;
    for (const auto& f : files) EXPECT_NE(names.Output.find(f.first + "\n"), std::string::npos) << names.Output;
    const ToolResult list = SevenZipList(archive);
    for (const auto& f : files) EXPECT_NE(list.Output.find("Path = " + f.first + "\n"), std::string::npos) << list.Output;

    // Local headers: UTF-8 names carry the language-encoding flag; the plain name keeps flag word 0.
    const std::string b = readFile(archive);
    std::map<std::string, uint16_t> flags;
    for (size_t p = 0; p + 30 <= b.size() && U32(b, p) == 0x04034B50u;) {
        flags[b.substr(p + 30, U16(b, p + 26))] = U16(b, p + 6);
        p += 30 + U16(b, p + 26) + U16(b, p + 28) + U32(b, p + 18);
    }
    EXPECT_EQ(flags[kUnicodeName], 0x0800);
    EXPECT_EQ(flags["plain.kml"], 0);

    // The component itself reads them back.
    TZipForge zip;
    zip.FileName = archive;
    zip.OpenArchive();
    ASSERT_EQ(zip.FileCount(), 3);
    std::set<std::string> got;
    for (int i = 0; i < 3; ++i) got.insert(zip.Item(i).FileName);
    EXPECT_TRUE(got.count(kUnicodeName));
    EXPECT_TRUE(got.count("Comunas/\xC3\x91u\xC3\xB1oa.kml"));
}

// An archive written by a streaming writer (python to a pipe) carries a data
// descriptor after each entry; replacing one entry and adding another keeps them.
TEST(ZipReaders, UpdatingAnArchiveWithDataDescriptorsKeepsThem)
{
    TempDir dir;
    Contents files = {{"a.txt", std::string(5000, 'a')}, {"b.txt", "bravo\r\n"}, {"c.txt", std::string(3000, 'c') + "fin"}};
    WriteFiles(dir, files);
    const std::string archive = dir.file("stream.zip");
    const char* script =
        "import sys, zipfile\n"
        "class Pipe:\n"                        // a stream that cannot seek back
        "    def __init__(s, f): s.f, s.n = f, 0\n"
        "    def write(s, b): s.n += len(b); return s.f.write(b)\n"
        "    def tell(s): return s.n\n"
        "    def flush(s): s.f.flush()\n"
        "with zipfile.ZipFile(Pipe(open(sys.argv[1] + '/stream.zip', 'wb')), 'w', zipfile.ZIP_DEFLATED) as z:\n"
        "    for n in sys.argv[2:]:\n"
        "        with z.open(n, 'w') as f: f.write(open(sys.argv[1] + '/' + n, 'rb').read())\n";
    const ToolResult made = RunTool("/usr/bin/python3", {"-c", script, Q(dir.path().string()), "a.txt", "b.txt", "c.txt"});
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    const std::string original = readFile(archive);
    ASSERT_EQ(U16(original, 6) & 8, 8) << "the writer was expected to use data descriptors";
    ExpectUnzipTests(archive);

    files["a.txt"] = "alfa, segunda version\r\n";
    files["d.txt"] = "delta\r\n";
    writeFile(dir.file("a.txt"), files["a.txt"]);
    writeFile(dir.file("d.txt"), files["d.txt"]);
    // The same archive behind a self-extractor stub: its streamed first header has
    // no CRC to recognise it by, yet every offset must move by the stub's length.
    const std::string prefixed = dir.file("stream.exe");
    writeFile(prefixed, "#!/bin/sh\nexit 0\n" + std::string(700, '#') + "\n" + original);
    for (const std::string& target : {archive, prefixed}) {
        SCOPED_TRACE(target);
        {
            TZipForge zip;
            zip.FileName = target;
            zip.BaseDir = dir.path().string();
            zip.OpenArchive();
            ASSERT_EQ(zip.FileCount(), 3);
            zip.BeginUpdate();
            zip.AddFiles(dir.file("a.txt"));     // replaces the first entry: b and c must move
            zip.AddFiles(dir.file("d.txt"));
            zip.EndUpdate();
            zip.CloseArchive();
        }
        ExpectUnzipTests(target);
        ExpectSevenZipTests(target);
        ExpectPythonReads(target, files);
    }
}

TEST(ZipReaders, StubAtCreationAndUpdatesOfPrefixedArchives)
{
    TempDir dir;
    std::string stub = "#!/bin/sh\n# ";
    for (int i = 0; i < 1500; ++i) stub += char('0' + i % 10);
    writeFile(dir.file("stub.bin"), stub);
    Contents files = {{"uno.txt", std::string(2000, '1')}, {"dos.txt", "dos\r\n"}};
    WriteFiles(dir, files);

    // Created with a stub: the stub leads the file and every offset counts it.
    const std::string sfx = dir.file("red.exe");
    ArchiveSetup s;
    s.Stub = dir.file("stub.bin");
    MakeArchive(sfx, dir, files, s);
    const std::string b = readFile(sfx);
    ASSERT_GT(b.size(), stub.size());
    EXPECT_EQ(b.substr(0, stub.size()), stub);
    EXPECT_EQ(U32(b, stub.size()), 0x04034B50u);
    ExpectUnzipTests(sfx);
    ExpectSevenZipTests(sfx);
    ExpectPythonReads(sfx, files);

    // An empty archive made with a stub still ends in an end record.
    {
        TZipForge zip;
        zip.SFXStub = dir.file("stub.bin");
        zip.FileName = dir.file("empty.exe");
        zip.OpenArchiveMode(65535);
        zip.CloseArchive();
        const std::string e = readFile(dir.file("empty.exe"));
        ASSERT_EQ(e.size(), stub.size() + 22);
        EXPECT_EQ(U32(e, stub.size()), 0x06054B50u);
    }

    // A stub that does not exist is reported, not silently left out.
    {
        TZipForge zip;
        zip.SFXStub = dir.file("missing.bin");
        zip.FileName = dir.file("x.exe");
        EXPECT_THROW(zip.OpenArchiveMode(65535), EZFException);
    }

    // Updating: the stub made at creation, and a stub put in front of a finished archive.
    // The finished archive begins with a directory entry, which moves with the rest.
    const std::string plain = dir.file("plain.zip");
    std::filesystem::create_directories(dir.path() / "carpeta");
    {
        TZipForge zip;
        zip.FileName = plain;
        zip.BaseDir = dir.path().string();
        zip.OpenArchiveMode(65535);
        zip.BeginUpdate();
        zip.AddFiles(dir.file("carpeta"));
        for (const auto& f : files) zip.AddFiles(dir.file(f.first));
        zip.EndUpdate();
        zip.CloseArchive();
    }
    const std::string prefixed = dir.file("prefixed.exe");
    writeFile(prefixed, stub + readFile(plain));
    files["uno.txt"] = "uno, otra vez\r\n";
    files["tres.txt"] = "tres\r\n";
    writeFile(dir.file("uno.txt"), files["uno.txt"]);
    writeFile(dir.file("tres.txt"), files["tres.txt"]);
    for (const std::string& archive : {sfx, prefixed}) {
        SCOPED_TRACE(archive);
        for (const char* add : {"tres.txt", "uno.txt"}) {  // append only, then replace (the rest moves)
            TZipForge zip;
            zip.FileName = archive;
            zip.BaseDir = dir.path().string();
            zip.OpenArchive();
            zip.AddFiles(dir.file(add));
            zip.CloseArchive();
        }
        EXPECT_EQ(readFile(archive).substr(0, stub.size()), stub);
        ExpectUnzipTests(archive);
        ExpectSevenZipTests(archive);
        Contents expected = files;
        if (archive == prefixed) expected["carpeta/"] = "";
        ExpectPythonReads(archive, expected);
    }
}

// Rebuilding the directory of an archive whose end record is lost: each streamed
// entry takes CRC and sizes from the first descriptor after its header, exactly
// as a fresh search from every header would find it.
TEST(ZipReaders, RebuiltDirectoryTakesEachEntrysNextDescriptor)
{
    using namespace ZipRecords;
    std::vector<uint8_t> img;
    std::mt19937 rng(5);
    for (int i = 0; i < 400; ++i) {
        TZFLocalHeader h;
        h.VersionNeeded = 20;
        h.Flags = (rng() % 3) ? 8 : 0;        // most streamed, some not
        h.Crc32 = h.Flags ? 0 : uint32_t(rng());
        const std::string name = "e" + std::to_string(i);
        h.NameLength = uint16_t(name.size());
        const std::string data(rng() % 40, char('a' + i % 26));
        h.CompressedSize = h.UncompressedSize = h.Flags ? 0 : uint32_t(data.size());
        h.Write(img);
        img.insert(img.end(), name.begin(), name.end());
        img.insert(img.end(), data.begin(), data.end());
        if (rng() % 4) {                        // some streamed entries lack their descriptor
            Put32(img, SigDescriptor);
            Put32(img, uint32_t(rng()));
            Put32(img, uint32_t(data.size()));
            Put32(img, uint32_t(data.size()) + 1);
        }
    }
    TZFMemoryStream stream;
    stream.Data = img;
    TZFDirManager dir(&stream, nullptr, false);
    dir.RebuildFromLocalHeaders();
    ASSERT_EQ(dir.Items.Count(), 400);
    size_t pos = 0;
    for (int i = 0; i < 400; ++i) {
        while (Get32(&img[pos]) != SigLocal) ++pos;
        const TDirItem& it = *dir.Items.ItemPtr(i);
        EXPECT_EQ(it.FileName, "e" + std::to_string(i));
        EXPECT_EQ(it.LocalHeaderOffset(), pos);
        uint32_t crc = Get32(&img[pos + 14]), csize = Get32(&img[pos + 18]), usize = Get32(&img[pos + 22]);
        if (Get16(&img[pos + 6]) & 8) {
            for (size_t q = pos + 30; q + 16 <= img.size(); ++q)
                if (Get32(&img[q]) == SigDescriptor) {
                    crc = Get32(&img[q + 4]);
                    csize = Get32(&img[q + 8]);
                    usize = Get32(&img[q + 12]);
                    break;
                }
        }
        EXPECT_EQ(it.Header.Crc32, crc) << i;
        EXPECT_EQ(it.Header.CompressedSize, csize) << i;
        EXPECT_EQ(it.Header.UncompressedSize, usize) << i;
        pos += 4;
    }

    // Where each entry of known size ends, its descriptor included, and where new
    // entries go: right after the last one, over what was left of the directory.
    std::vector<uint8_t> two;
    TZFLocalHeader stored;
    stored.VersionNeeded = 20;
    stored.NameLength = 1;
    stored.CompressedSize = stored.UncompressedSize = 3;
    stored.Write(two);
    two.insert(two.end(), {'a', 'x', 'y', 'z'});
    TZFLocalHeader streamed = stored;
    streamed.Flags = 8;
    streamed.CompressedSize = streamed.UncompressedSize = 0;
    streamed.Write(two);
    two.insert(two.end(), {'b', 'h', 'e', 'l', 'l', 'o'});
    for (uint32_t v : {SigDescriptor, 7u, 5u, 5u})
        Put32(two, v);
    const size_t end = two.size();
    for (uint32_t v : {SigCentral, 0x14u, 0u})
        Put32(two, v);
    stream.Data = two;
    TZFDirManager rebuilt(&stream, nullptr, false);
    rebuilt.RebuildFromLocalHeaders();
    ASSERT_EQ(rebuilt.Items.Count(), 2);
    EXPECT_EQ(rebuilt.Items.ItemPtr(0)->RebuiltDataEnd, 34u);
    EXPECT_EQ(rebuilt.Items.ItemPtr(1)->RebuiltDataEnd, end);
    EXPECT_EQ(rebuilt.CentralDirStart, end);
}


// A name another tool wrote in the DOS code page (no UTF-8 flag) is read as the
// name it is, so adding the same file replaces that entry instead of doubling it.
TEST(ZipReaders, DosCodePageNamesAreReadAsTheirCharacters)
{
    TempDir dir;
    const std::string hola = "hola";
    const uint32_t crc = ~ZipRecords::Crc32Update(0xFFFFFFFFu, hola.data(), hola.size());
    const auto img = BuildTestZip({{"Pe\xA4" "alol\x82" "n.kml", {hola.begin(), hola.end()}, crc, 4, 0, 0, {}}});
    const std::string archive = dir.file("dos.zip");
    writeFile(archive, std::string(img.begin(), img.end()));
    TZipForge zip;
    zip.FileName = archive;
    zip.BaseDir = dir.path().string();
    zip.OpenArchive();
    ASSERT_EQ(zip.FileCount(), 1);
    EXPECT_EQ(zip.Item(0).FileName, kUnicodeName);
    writeFile(dir.file(kUnicodeName), "<kml/>");
    zip.AddFiles(dir.file(kUnicodeName));
    ASSERT_EQ(zip.FileCount(), 1);
    zip.CloseArchive();
    ExpectPythonReads(archive, {{kUnicodeName, "<kml/>"}});
    ExpectUnzipTests(archive);
}

// Archives other tools made (python's zipfile and Info-ZIP with UTF-8 names, a DOS
// name whose bytes read differently in code pages 437 and 850), whole, with bytes
// after their end or with their end cut off: a file appended, or one replaced,
// leaves every other entry and its name as the tools read them.
TEST(ZipReaders, ForeignArchivesKeepEntriesAndNamesWhenUpdated)
{
    TempDir dir;
    const std::string src = (dir.path() / "src").string();
    std::filesystem::create_directories(src);
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "nodo " + std::to_string(i * 7919 % 100003) + "\r\n";
    const Contents utf8 = {{kUnicodeName, "<kml/>\r\n"}, {"red.txt", big}, {"\xC3\x91u\xC3\xB1oa.txt", "x"}};
    for (const auto& [name, data] : utf8) writeFile(src + "/" + name, data);
    std::vector<std::string> names;
    for (const auto& f : utf8) names.push_back(f.first);

    const std::string py = dir.file("py.zip"), info = dir.file("info.zip"), dos = dir.file("dos.zip");
    const ToolResult made = RunTool("/usr/bin/python3", {"-c",
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
        "    for n in sys.argv[3:]: z.write(sys.argv[2] + '/' + n, n)\n",
        Q(py), Q(src), Q(names[0]), Q(names[1]), Q(names[2])});
    ASSERT_EQ(made.ExitCode, 0) << made.Output;
    const ToolResult zipped = RunTool("zip", {"-q", "-X", Q(info), Q(names[0]), Q(names[1]), Q(names[2])}, Q(src));
    ASSERT_EQ(zipped.ExitCode, 0) << zipped.Output;
    // 0x9B and 0xE0 are U+00A2 and U+03B1 in code page 437, U+00F8 and U+00D3 in 850.
    const std::string dosBytes = "Pe\x9B" "al\xE0.txt", dosName = "Pe\xC2\xA2" "al\xCE\xB1.txt";
    const std::string hola = "hola";
    const uint32_t crc = ~ZipRecords::Crc32Update(0xFFFFFFFFu, hola.data(), hola.size());
    const auto img = BuildTestZip({{dosBytes, {hola.begin(), hola.end()}, crc, 4, 0, 0, {}}, {"red.txt", {big.begin(), big.end()},
        ~ZipRecords::Crc32Update(0xFFFFFFFFu, big.data(), big.size()), uint32_t(big.size()), 0, 0, {}}});
    writeFile(dos, std::string(img.begin(), img.end()));
    const Contents dosFiles = {{dosName, hola}, {"red.txt", big}};

    writeFile(dir.file("nuevo.txt"), "agregado\r\n");
    writeFile(dir.file("red.txt"), "reemplazado\r\n");
    for (const auto& [original, files] : {std::pair{py, utf8}, std::pair{info, utf8}, std::pair{dos, dosFiles}}) {
        const std::string whole = readFile(original);
        // Python reads Info-ZIP's UTF-8 names without the flag as code page 437:
        // what it reads of the original is what it must read after the update.
        const ToolResult before = PythonZipList(original);
        ASSERT_EQ(before.ExitCode, 0) << before.Output;
        for (const std::string damage : {"", "tail", "cut"}) {
            for (const bool replace : {false, true}) {
                SCOPED_TRACE(original + " " + damage + (replace ? " replace" : " append"));
                const std::string target = dir.file("t.zip");
                writeFile(target, damage == "tail" ? whole + std::string(17, '\x1A')
                                  : damage == "cut" ? whole.substr(0, whole.size() - 22) : whole);
                {
                    TZipForge zip;
                    zip.FileName = target;
                    zip.BaseDir = dir.path().string();
                    zip.OpenArchive();
                    std::set<std::string> read;
                    for (int i = 0; i < zip.FileCount(); ++i) read.insert(zip.Item(i).FileName);
                    for (const auto& f : files) EXPECT_TRUE(read.count(f.first)) << f.first;
                    zip.AddFiles(dir.file(replace ? "red.txt" : "nuevo.txt"));
                    zip.CloseArchive();
                }
                const std::string added = replace ? "reemplazado\r\n" : "agregado\r\n";
                std::string expected = before.Output;
                if (replace) {
                    const size_t at = expected.find("red.txt\t");
                    expected.erase(at, expected.find('\n', at) + 1 - at);
                }
                expected += (replace ? "red.txt\t" : "nuevo.txt\t") + std::to_string(added.size()) + "\t" + Sha1(added) + "\n";
                const ToolResult after = PythonZipList(target);
                ASSERT_EQ(after.ExitCode, 0) << after.Output;
                auto lines = [](const std::string& t) {
                    std::multiset<std::string> out;
                    std::istringstream in(t);
                    for (std::string l; std::getline(in, l);) out.insert(l);
                    return out;
                };
                EXPECT_EQ(lines(after.Output), lines(expected));
                ExpectUnzipTests(target);
                ExpectSevenZipTests(target);
                // Entries copied as they were keep the name bytes and the flag of their
                // local header in their central record.
                const std::string b = readFile(target);
                std::map<std::string, uint16_t> local;
                for (size_t p = 0; (p = b.find("PK\x03\x04", p)) != std::string::npos; p += 4)
                    local[b.substr(p + 30, U16(b, p + 26))] = U16(b, p + 6) & 0x800;
                for (size_t p = 0; (p = b.find("PK\x01\x02", p)) != std::string::npos; p += 4) {
                    const std::string name = b.substr(p + 46, U16(b, p + 28));
                    ASSERT_TRUE(local.count(name)) << name;
                    EXPECT_EQ(local[name], U16(b, p + 8) & 0x800) << name;
                }
                if (original == dos) {
                    EXPECT_NE(b.find(dosBytes), std::string::npos);
                }
            }
        }
    }
}

// A damaged archive beyond 4 GB (sparse: a gap of nothing between two entries) is
// rebuilt a block at a time, and the entry past 4 GB keeps its full offset.
TEST(ZipReaders, RebuildingBeyondFourGigabytesStreamsAndKeepsFullOffsets)
{
    using namespace ZipRecords;
    TempDir dir;
    const std::string file = dir.file("grande.zip");
    auto entry = [](const std::string& name, const std::string& data) {
        TZFLocalHeader h;
        h.VersionNeeded = 20;
        h.Crc32 = ~Crc32Update(0xFFFFFFFFu, data.data(), data.size());
        h.CompressedSize = h.UncompressedSize = uint32_t(data.size());
        h.NameLength = uint16_t(name.size());
        std::vector<uint8_t> b;
        h.Write(b);
        b.insert(b.end(), name.begin(), name.end());
        b.insert(b.end(), data.begin(), data.end());
        return std::string(b.begin(), b.end());
    };
    const uint64_t far = (uint64_t(1) << 32) + 12345;
    {
        std::ofstream out(file, std::ios::binary);
        out << entry("a.txt", "primero");
        out.seekp(std::streamoff(far));
        out << entry("b.txt", "segundo");
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    std::unique_ptr<TZFFileStream> stream(TZFFileStream::Open(file, 64));
    ASSERT_TRUE(stream);
    TZFDirManager manager(stream.get(), nullptr, false);
    manager.RebuildFromLocalHeaders();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    ASSERT_EQ(manager.Items.Count(), 2);
    const TDirItem& b = *manager.Items.ItemPtr(1);
    EXPECT_EQ(b.FileName, "b.txt");
    EXPECT_EQ(b.LocalHeaderOffset(), far);
    EXPECT_EQ(b.Header.LocalHeaderOffset, 0xFFFFFFFFu);
    EXPECT_EQ(manager.CentralDirStart, far + 30 + 5 + 7);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 200 * 1024) << "kB";
}

// Updates at the edges end with a whole archive (every reader opens it) and say
// what they left out: an archive cut inside its last entry's data, a mask over the
// folder that holds the new archive, a source of more than 4 GB with Zip64 off in
// a run nobody watches, and a read-only archive.
TEST(ZipReaders, UpdatesAtTheEdgesEndWholeAndSayWhatWasLeftOut)
{
    TempDir dir;
    std::mt19937 random(7);
    std::string noise(40000, '\0');
    for (char& c : noise) c = char(random());
    const Contents files = {{"a.txt", "primero\r\n"}, {"b.bin", noise}};
    WriteFiles(dir, files);

    // Cut in the middle of b.bin's data: the add drops b.bin and names it.
    const std::string cut = dir.file("cortado.zip");
    MakeArchive(cut, dir, files, ArchiveSetup{0, {}, caPkzipClassic, {}});
    const std::string whole = readFile(cut);
    const size_t bData = whole.find("b.bin") + 5;
    writeFile(cut, whole.substr(0, bData + noise.size() / 2));
    writeFile(dir.file("nuevo.txt"), "nuevo\r\n");
    {
        TZipForge zip;
        zip.FileName = cut;
        zip.BaseDir = dir.path().string();
        zip.OpenArchive();
        zip.AddFiles(dir.file("nuevo.txt"));
        EXPECT_EQ(zip.LeftOut(), std::vector<std::string>{"b.bin"});
        zip.CloseArchive();
    }
    ExpectPythonReads(cut, {{"a.txt", "primero\r\n"}, {"nuevo.txt", "nuevo\r\n"}});
    ExpectUnzipTests(cut);
    ExpectSevenZipTests(cut);

    // A new archive in the folder its mask covers: neither the archive nor its
    // scratch file becomes an entry.
    TempDir folder;
    WriteFiles(folder, {{"uno.txt", "1"}, {"dos.txt", "22"}});
    const std::string self = folder.file("propio.zip");
    {
        TZipForge zip;
        zip.FileName = self;
        zip.BaseDir = folder.path().string();
        zip.OpenArchiveMode(65535);
        zip.AddFiles(folder.file("*.*"));
        zip.CloseArchive();
    }
    ExpectPythonReads(self, {{"uno.txt", "1"}, {"dos.txt", "22"}});
    ExpectUnzipTests(self);
    ExpectSevenZipTests(self);

    // 4.3 GB (sparse) with Zip64 off, the default answer skipping it: the small file
    // is stored and the big one is named as left out.
    const std::string big = dir.file("grande.dat");
    {
        std::ofstream out(big, std::ios::binary);
        out.seekp(std::streamoff(4300000000ull));
        out << 'x';
    }
    const std::string skip = dir.file("sin64.zip");
    {
        TZipForge zip;
        ASSERT_EQ(zip.Zip64Mode, zmDisabled);
        zip.FileName = skip;
        zip.BaseDir = dir.path().string();
        zip.OpenArchiveMode(65535);
        zip.BeginUpdate();
        zip.AddFiles(dir.file("a.txt"));
        zip.AddFiles(big);
        zip.EndUpdate();
        EXPECT_EQ(zip.FileCount(), 1);
        EXPECT_EQ(zip.LeftOut(), std::vector<std::string>{big});
        zip.CloseArchive();
    }
    std::filesystem::remove(big);
    ExpectPythonReads(skip, {{"a.txt", "primero\r\n"}});
    ExpectUnzipTests(skip);
    ExpectSevenZipTests(skip);

    // A read-only archive is refused as such (whoever runs the program), untouched.
    std::filesystem::permissions(skip, std::filesystem::perms::owner_read);
    const std::string before = readFile(skip);
    TZipForge zip;
    zip.FileName = skip;
    zip.BaseDir = dir.path().string();
    try {
        zip.OpenArchive();
        zip.AddFiles(dir.file("nuevo.txt"));
        ADD_FAILURE() << "a read-only archive was written";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 32);
        EXPECT_EQ(zip.WriteProblem(), "es de solo lectura");
    }
    zip.CloseArchive();
    EXPECT_EQ(readFile(skip), before);
}
