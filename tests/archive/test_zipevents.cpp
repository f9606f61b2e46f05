// The component's events without handlers: the questions put to the user (the
// boxes and their texts), what an answer does, and the handlers' own say.
#include "archive/ZipDirectory.h"
#include "archive/ZipForge.h"
#include "support/TestUtil.h"
#include "ArchiveReaders.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <filesystem>
#include <unistd.h>

using namespace testutil;
using namespace archivecheck;

namespace {

TZipForge* OpenNew(TZipForge& zip, const TempDir& dir, const std::string& name)
{
    zip.Name = "zip";
    zip.FileName = dir.file(name);
    zip.BaseDir = dir.path().string();
    zip.OpenArchiveMode(65535);
    return &zip;
}

uint32_t StoredSize(const TZipForge& zip, const std::string& name)
{
    for (int i = 0; i < zip.FileCount(); ++i)
        if (zip.Item(i).FileName == name) return uint32_t(zip.Item(i).UncompressedSize());
    return 0xFFFFFFFFu;
}

} // namespace

TEST(ZipEvents, OverwriteQuestionWithoutHandler)
{
    TempDir dir;
    ScopedZipDialogs boxes;
    writeFile(dir.file("a.txt"), "uno");
    TZipForge zip;
    OpenNew(zip, dir, "o.zip");
    zip.AddFiles(dir.file("a.txt"));
    zip.Options.OverwriteMode = omPrompt;

    // Unanswered (an unattended run), the question replaces: the file asked for is stored.
    writeFile(dir.file("a.txt"), "dos!");
    zip.AddFiles(dir.file("a.txt"));
    ASSERT_EQ(boxes.Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Dialogs.Boxes[0].Text, "Overwrite file \"a.txt\" with \"" + dir.file("a.txt") + "\"");
    EXPECT_EQ(boxes.Dialogs.Boxes[0].Buttons,
              ZipDialogs::mbYes | ZipDialogs::mbNo | ZipDialogs::mbNoToAll | ZipDialogs::mbYesToAll);
    EXPECT_EQ(StoredSize(zip, "a.txt"), 4u);

    // No keeps the stored entry and asks again next time; No to All stops asking.
    boxes.Dialogs.Answers = {ZipDialogs::mbNo, ZipDialogs::mbNoToAll};
    writeFile(dir.file("a.txt"), "tres!");
    zip.AddFiles(dir.file("a.txt"));
    zip.AddFiles(dir.file("a.txt"));
    EXPECT_EQ(StoredSize(zip, "a.txt"), 4u);
    EXPECT_EQ(zip.Options.OverwriteMode, omNever);
    zip.AddFiles(dir.file("a.txt"));
    EXPECT_EQ(boxes.Dialogs.Boxes.size(), 3u);

    // Yes to All replaces and stops asking too.
    zip.Options.OverwriteMode = omPrompt;
    boxes.Dialogs.Answers = {ZipDialogs::mbYesToAll};
    zip.AddFiles(dir.file("a.txt"));
    EXPECT_EQ(StoredSize(zip, "a.txt"), 5u);
    EXPECT_EQ(zip.Options.OverwriteMode, omAlways);

    // A handler decides alone.
    zip.Options.OverwriteMode = omPrompt;
    std::string seen;
    zip.OnConfirmOverwrite = [&](const std::string& src, const std::string& dst, bool& confirm) {
        seen = src + " -> " + dst;
        confirm = false;
    };
    writeFile(dir.file("a.txt"), "cuatro");
    zip.AddFiles(dir.file("a.txt"));
    EXPECT_EQ(seen, dir.file("a.txt") + " -> a.txt");
    EXPECT_EQ(StoredSize(zip, "a.txt"), 5u);
    EXPECT_EQ(boxes.Dialogs.Boxes.size(), 4u);
    zip.CloseArchive();
    EXPECT_EQ(UnzipTest(dir.file("o.zip")).ExitCode, 0);
}

// A file that cannot be stored is put to the user: Retry tries it again, Ignore
// skips it and keeps the others; unattended the file is skipped, not the commit.
TEST(ZipEvents, FileFailureQuestionWithoutHandler)
{
    TempDir dir;
    ScopedZipDialogs boxes;
    writeFile(dir.file("a.txt"), "alfa");
    writeFile(dir.file("b.txt"), "bravo");
    writeFile(dir.file("c.txt"), "charlie");
    TZipForge zip;
    OpenNew(zip, dir, "f.zip");
    zip.BeginUpdate();
    zip.AddFiles(dir.file("a.txt"));
    zip.AddFiles(dir.file("b.txt"));
    zip.AddFiles(dir.file("c.txt"));
    std::filesystem::rename(dir.file("a.txt"), dir.file("a.bak"));
    std::filesystem::remove(dir.file("b.txt"));
    // a.txt: Retry once it is back; b.txt: nobody answers.
    boxes.Dialogs.Answers = {ZipDialogs::mbRetry};
    zip.OnFileProgress = [&](const std::string&, double, int, int phase, bool&) {
        if (phase == 0 && !boxes.Dialogs.Boxes.empty() && std::filesystem::exists(dir.file("a.bak")))
            std::filesystem::rename(dir.file("a.bak"), dir.file("a.txt"));
    };
    zip.EndUpdate();
    ASSERT_EQ(boxes.Dialogs.Boxes.size(), 2u);
    EXPECT_NE(boxes.Dialogs.Boxes[0].Text.find("a.txt"), std::string::npos);
    EXPECT_NE(boxes.Dialogs.Boxes[1].Text.find("b.txt"), std::string::npos);
    EXPECT_NE(boxes.Dialogs.Boxes[1].Text.find(". File processing error, possibly disk is full"), std::string::npos);
    EXPECT_EQ(boxes.Dialogs.Boxes[1].Default, ZipDialogs::mbIgnore);
    ASSERT_EQ(zip.FileCount(), 2);
    EXPECT_EQ(zip.Item(0).FileName, "a.txt");
    EXPECT_EQ(zip.Item(1).FileName, "c.txt");
    zip.CloseArchive();
    const ToolResult t = UnzipTest(dir.file("f.zip"));
    EXPECT_EQ(t.ExitCode, 0) << t.Output;
}

// A source path longer than the file system takes: error 61, put to the user with
// Abort and Ignore only; a handler gets the code and the message.
TEST(ZipEvents, TooLongNameRaisesError61)
{
    TempDir dir;
    // Folders just under the path limit, then a file whose full path passes it;
    // the file is made relative to its folder, as only that way it can be.
    std::string deep = dir.path().string();
    while (deep.size() < 3900) deep += "/" + std::string(200, 'd');
    std::filesystem::create_directories(deep);
    const std::string leaf(250, 'f');
    const int dfd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dfd, 0);
    const int fd = ::openat(dfd, (leaf + ".txt").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
    ::close(dfd);
    // The file can only be removed the way it was made.
    struct Remove {
        std::string Deep, Leaf;
        ~Remove()
        {
            const int d = ::open(Deep.c_str(), O_RDONLY | O_DIRECTORY);
            if (d >= 0) {
                ::unlinkat(d, Leaf.c_str(), 0);
                ::close(d);
            }
        }
    } remove{deep, leaf + ".txt"};
    writeFile(dir.file("ok.txt"), "ok");
    const std::string longPath = deep + "/" + leaf + ".txt";
    ASSERT_GE(longPath.size(), 4096u);

    ScopedZipDialogs boxes;
    {
        TZipForge zip;
        OpenNew(zip, dir, "l.zip");
        zip.BeginUpdate();
        zip.AddFiles(deep + "/*.txt");
        zip.AddFiles(dir.file("ok.txt"));
        zip.EndUpdate();
        ASSERT_EQ(boxes.Dialogs.Boxes.size(), 1u);
        EXPECT_EQ(boxes.Dialogs.Boxes[0].Text,
                  "zip: File name is too long: \r\n\"" + longPath + "\" - Native error: 00061");
        EXPECT_EQ(boxes.Dialogs.Boxes[0].Buttons, ZipDialogs::mbAbort | ZipDialogs::mbIgnore);
        ASSERT_EQ(zip.FileCount(), 1);
        EXPECT_EQ(zip.Item(0).FileName, "ok.txt");
    }
    TZipForge zip;
    OpenNew(zip, dir, "m.zip");
    int code = 0;
    zip.OnProcessFileFailure = [&](const std::string& file, int, int native, int, const std::string&, int& action) {
        code = native;
        EXPECT_EQ(file, longPath);
        action = 2;
    };
    EXPECT_THROW(zip.AddFiles(deep + "/*.txt"), EZFException);
    EXPECT_EQ(code, 61);
    EXPECT_EQ(boxes.Dialogs.Boxes.size(), 1u);
}

TEST(ZipEvents, VolumePasswordAndDiskFullBoxes)
{
    TempDir dir;
    ScopedZipDialogs boxes;
    TZipForge zip;
    zip.FileName = dir.file("s.zip");

    // Outside spanning no box is shown: a blank volume is taken, a full disk cancels.
    std::string name;
    bool cancel = true;
    zip.SetSpanningMode(smSplitting);
    zip.DoOnRequestBlankVolume(2, name, cancel);
    EXPECT_FALSE(cancel);
    EXPECT_EQ(name, dir.file("s.Z02"));
    zip.DoOnDiskFull(2, name, cancel, 65536, 100);
    EXPECT_TRUE(cancel);
    EXPECT_TRUE(boxes.Dialogs.Boxes.empty());

    zip.SetSpanningMode(smSpanning);
    boxes.Dialogs.Answers = {ZipDialogs::mbCancel, ZipDialogs::mbOK};
    zip.DoOnRequestBlankVolume(3, name, cancel);
    EXPECT_TRUE(cancel);
    zip.DoOnDiskFull(3, name, cancel, 1457664, 1000);
    EXPECT_FALSE(cancel);
    ASSERT_EQ(boxes.Dialogs.Boxes.size(), 2u);
    EXPECT_EQ(boxes.Dialogs.Boxes[0].Text, "Please insert a blank disk #3");
    EXPECT_EQ(boxes.Dialogs.Boxes[1].Text, "Disk is full. Required free space: 1457664 bytes, but available only: "
                                           "1000 bytes. Clean the disk or find another blank disk");

    // The password form: caption with the name (backslashed), the fixed prompt.
    std::string password;
    bool skip = false;
    zip.DoOnPassword("carpeta/red.kml", password, skip);
    EXPECT_TRUE(skip);
    boxes.Dialogs.Passwords = {"clave"};
    zip.DoOnPassword("carpeta/red.kml", password, skip);
    EXPECT_FALSE(skip);
    EXPECT_EQ(password, "clave");
    ASSERT_EQ(boxes.Dialogs.PasswordBoxes.size(), 2u);
    EXPECT_EQ(boxes.Dialogs.PasswordBoxes[0], "Password for \"carpeta\\red.kml\"|Enter password: ");

    // Handlers replace the boxes.
    zip.OnRequestBlankVolume = [](int n, std::string& volume, bool& c) {
        volume = "/media/disco" + std::to_string(n) + ".zip";
        c = false;
    };
    zip.DoOnRequestBlankVolume(4, name, cancel);
    EXPECT_EQ(name, "/media/disco4.zip");
    EXPECT_FALSE(cancel);
    EXPECT_EQ(boxes.Dialogs.Boxes.size(), 2u);

    // Opening a spanned set whose last disk is not there: asked for, then told it
    // is missing; giving up ends with error 45.
    TZipForge spanned;
    spanned.FileName = dir.file("ausente.zip");
    spanned.SetSpanningMode(smSpanning);
    boxes.Dialogs.Answers = {ZipDialogs::mbOK, ZipDialogs::mbCancel};
    try {
        spanned.OpenArchiveMode(64);
        FAIL() << "a missing last disk must not pass";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 45);
    }
    ASSERT_EQ(boxes.Dialogs.Boxes.size(), 4u);
    EXPECT_EQ(boxes.Dialogs.Boxes[2].Text, "Please insert the last disk");
    EXPECT_EQ(boxes.Dialogs.Boxes[3].Text, "File '" + dir.file("ausente.zip") +
                                               "' not found on inserted disk. Please insert last disk with required file");
    EXPECT_FALSE(spanned.Active());
}

// Entry data that does not fit on the disk: a disk-full handler that makes room
// gets the block written again; one that gives up fails the entry (error 46).
TEST(ZipEvents, DiskFullHandlerRetriesTheWrite)
{
    TempDir dir;
    std::string big;
    for (int i = 0; i < 200000; ++i) big += char('A' + (i * 7919) % 61);
    writeFile(dir.file("big.txt"), big);
    // The file-size limit stands in for a full disk: writes past it come up short.
    struct Limit {
        rlimit Saved {};
        Limit()
        {
            ::getrlimit(RLIMIT_FSIZE, &Saved);
            std::signal(SIGXFSZ, SIG_IGN);
        }
        void Set(rlim_t bytes)
        {
            rlimit r = Saved;
            r.rlim_cur = bytes;
            ::setrlimit(RLIMIT_FSIZE, &r);
        }
        void Lift() { ::setrlimit(RLIMIT_FSIZE, &Saved); }
        ~Limit()
        {
            Lift();
            std::signal(SIGXFSZ, SIG_DFL);
        }
    } limit;

    std::vector<std::string> asked;
    {
        TZipForge zip;
        zip.SetCompressionMode(0);     // stored: the data is as large as the file
        OpenNew(zip, dir, "full.zip");
        zip.OnDiskFull = [&](int volume, const std::string& name, bool& cancel) {
            asked.push_back(std::to_string(volume) + " " + name);
            limit.Lift();              // room made: write again
            cancel = false;
        };
        limit.Set(100000);
        zip.AddFiles(dir.file("big.txt"));
        zip.CloseArchive();
    }
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "-1 " + dir.file("full.zip"));
    const ToolResult full = UnzipTest(dir.file("full.zip"));
    EXPECT_EQ(full.ExitCode, 0) << full.Output;

    TZipForge zip;
    zip.SetCompressionMode(0);
    OpenNew(zip, dir, "given_up.zip");
    zip.OnDiskFull = [&](int, const std::string&, bool& cancel) { cancel = true; };
    int failure = 0;
    zip.OnProcessFileFailure = [&](const std::string&, int, int native, int, const std::string&, int& action) {
        failure = native;
        action = 1;
    };
    limit.Set(100000);
    zip.AddFiles(dir.file("big.txt"));
    limit.Lift();
    EXPECT_EQ(failure, 46);
    EXPECT_EQ(zip.FileCount(), 0);
    zip.CloseArchive();
    const ToolResult empty = UnzipTest(dir.file("given_up.zip"));
    EXPECT_NE(empty.Output.find("zipfile is empty"), std::string::npos) << empty.Output;
}
