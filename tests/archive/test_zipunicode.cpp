#include "archive/ZipForge.h"
#include "archive/ZipRecords.h"
#include "archive/ZipUnicode.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include <utime.h>

using namespace testutil;
using namespace ZipUnicode;

TEST(ZipUnicodePaths, SplittingAndRelativePaths)
{
    EXPECT_EQ(WideExtractFileExt(u"C:\\a.b\\file"), u"");
    EXPECT_EQ(WideExtractFileExt(u"C:\\a.b\\file.Txt"), u".Txt");
    EXPECT_EQ(WideExtractFileDrive(u"\\\\srv\\share\\dir\\f"), u"\\\\srv\\share");
    EXPECT_EQ(WideExtractFileDrive(u"C:\\x"), u"C:");
    EXPECT_EQ(WideExtractFileDrive(u"/home/x"), u"");
    EXPECT_EQ(WideExtractFilePath(u"C:\\a\\b.txt"), u"C:\\a\\");
    EXPECT_EQ(WideExtractFileName(u"/tmp/ñandú.zip"), u"ñandú.zip");
    EXPECT_EQ(WideLastDelimiter(u"\\:", u"C:\\a\\b"), 5u);
    EXPECT_EQ(WideExtractRelativePath(u"C:\\a\\b\\", u"C:\\a\\c\\f.txt"), u"..\\c\\f.txt");
    EXPECT_EQ(WideExtractRelativePath(u"c:\\A\\b\\", u"C:\\a\\b\\f.txt"), u"f.txt");
    EXPECT_EQ(WideExtractRelativePath(u"D:\\a\\b\\", u"C:\\a\\c\\f.txt"), u"C:\\a\\c\\f.txt");
    EXPECT_EQ(WideExtractRelativePath(u"/w/a/b/", u"/w/a/c/f.txt"), u"../c/f.txt");
    EXPECT_EQ(WideReplaceAll(u"Árbol ÁRBOL árbol", u"árbol", u"x", rfIgnoreCase), u"x x x");
    EXPECT_EQ(WideReplaceAll(u"aaa", u"a", u"aa", 0), u"aaaaaa");
}

TEST(ZipUnicodeFiles, WideNamesReachTheFileSystemExactly)
{
    TempDir dir;
    const WideString name = ToWide(dir.file("")) + u"red_ñandú_東京.txt";
    {
        TTntFileStream s(name, fmCreate);
        EXPECT_EQ(s.Write("hola", 4), 4);
    }
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(ToUtf8(name))));
    EXPECT_TRUE(WideFileExists(name));
    EXPECT_FALSE(WideDirectoryExists(name));
    // The age in the DOS layout read back field by field (a month unlike its day,
    // odd seconds halved), and an entry's stamp of the same moment alike.
    std::tm when{};
    when.tm_year = 2023 - 1900;
    when.tm_mon = 10; // November
    when.tm_mday = 17;
    when.tm_hour = 14;
    when.tm_min = 22;
    when.tm_sec = 37;
    when.tm_isdst = -1;
    const std::time_t t = std::mktime(&when);
    const utimbuf times{t, t};
    ASSERT_EQ(::utime(ToUtf8(name).c_str(), &times), 0);
    const auto age = uint32_t(WideFileAge(name));
    EXPECT_EQ((age >> 25) + 1980, 2023u);
    EXPECT_EQ(age >> 21 & 15, 11u);
    EXPECT_EQ(age >> 16 & 31, 17u);
    EXPECT_EQ(age >> 11 & 31, 14u);
    EXPECT_EQ(age >> 5 & 63, 22u);
    EXPECT_EQ((age & 31) * 2, 36u);
    EXPECT_EQ(ZipRecords::UnixToDosDateTime(int64_t(t)), age);
    {
        TTntFileStream s(name, 0);
        char buf[8] = {};
        EXPECT_EQ(s.Read(buf, 8), 4);
        EXPECT_EQ(s.Size(), 4);
    }
    const WideString sub = ToWide(dir.file("carpeta"));
    std::filesystem::create_directory(ToUtf8(sub));
    writeFile(dir.file(".oculto"), "x");
    EXPECT_FALSE(WideFileExists(sub));
    EXPECT_TRUE(WideDirectoryExists(sub));
    EXPECT_EQ(WideFileAge(sub), -1);

    auto find = [&](uint32_t attr) {
        std::vector<WideString> found;
        TSearchRecW r;
        for (int rc = WideFindFirst(ToWide(dir.file("*")), attr, r); rc == 0; rc = WideFindNext(r))
            found.push_back(r.Name);
        WideFindClose(r);
        std::sort(found.begin(), found.end());
        return found;
    };
    EXPECT_EQ(find(0), (std::vector<WideString>{u"red_ñandú_東京.txt"}));
    EXPECT_EQ(find(faDirectory), (std::vector<WideString>{u"carpeta", u"red_ñandú_東京.txt"}));
    EXPECT_EQ(find(faHidden), (std::vector<WideString>{u".oculto", u"red_ñandú_東京.txt"}));

    const WideString renamed = ToWide(dir.file("otro.txt"));
    writeFile(ToUtf8(renamed), "y");
    EXPECT_FALSE(WideRenameFile(name, renamed)) << "rename must not overwrite";
    EXPECT_EQ(readFile(ToUtf8(renamed)), "y");
    EXPECT_TRUE(WideDeleteFile(name));
    EXPECT_FALSE(WideFileExists(name));

    const WideString missing = ToWide(dir.file("no_existe/x.zip"));
    try {
        TTntFileStream s(missing, fmCreate);
        FAIL() << "creating in a missing folder must raise";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + dir.file("no_existe/x.zip"));
    }
    EXPECT_THROW(TTntFileStream(missing, 0), EFOpenError);
}

TEST(ZipUnicodeList, SortedDuplicatesAndBounds)
{
    TTntStringList l;
    l.SetSorted(true);
    EXPECT_EQ(l.Add(u"beta"), 0);
    EXPECT_EQ(l.Add(u"Alfa"), 0);
    EXPECT_EQ(l.Add(u"ALFA"), 0) << "ignore returns the existing index";
    EXPECT_EQ(l.Count(), 2);
    l.Duplicates = TDuplicates::dupError;
    EXPECT_THROW(l.Add(u"BETA"), EStringListError);
    EXPECT_THROW(l.Insert(0, u"x"), EStringListError);
    EXPECT_EQ(l.IndexOf(u"BETA"), 1);
    try {
        l.Delete(2);
        FAIL();
    } catch (const EStringListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    TTntStringList u;
    u.Add(u"k=v");
    u.Insert(0, u"z");
    EXPECT_EQ(u.IndexOfName(u"K"), 1);
}

// A header's name bytes: UTF-8 is kept; other bytes are the DOS code page only when
// OEM names are on, and kept as they are when off.
TEST(ZipUnicodeNames, HeaderBytesAreUtf8TheDosCodePageOrKept)
{
    struct Row {
        const char* bytes;
        bool oem;
        const char* name;
    } rows[] = {
        {"Ca\xF1o.txt", false, "Ca\xF1o.txt"},
        {"Ca\xF1o.txt", true, "Ca\xC2\xB1o.txt"},
        {"se\xC3\xB1" "al.kml", true, "se\xC3\xB1" "al.kml"},
        {"se\xC3\xB1" "al.kml", false, "se\xC3\xB1" "al.kml"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ZipNameFromHeader(r.bytes, r.oem), r.name) << r.bytes << " oem " << r.oem;
}
