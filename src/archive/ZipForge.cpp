#include "archive/ZipForge.h"

#include "archive/ZipCryptEntry.h"
#include "archive/ZipDialogs.h"
#include "archive/ZipDirectory.h"
#include "archive/ZipRecords.h"
#include "archive/ZipSpan.h"
#include "model/SafeFile.h"

#include <zlib.h>

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <exception>
#include <mutex>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ZipRecords;

// ---------------------------------------------------------------- errors

namespace {

const char* const kTexts[38] = {
    "Unknown error",
    "Index out of bounds",
    "Invalid compression mode. Mode must be in [0-9] range",
    "Unexpected nil pointer",
    "Invalid size or check sum of file or unsupported compression format",
    "File name is blank. Specify appropriate file name",
    "File \"%s\" not found",
    "Archive is not open",
    "SFXStub property is not specified",
    "Cannot create file \"%s\"",
    "Cannot create directory \"%s\"",
    "Internal error. Update is not started",
    "Cannot open file \"%s\"",
    "Cannot proceed when update is not ended. Preceding EndUpdate call is required.",
    "Cannot delete file \"%s\"",
    "In-memory archive can be created only",
    "File is open in read-only mode",
    "Invalid compressed size, rfs.size = %d, count = %d",
    "Invalid archive file.",
    "Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
    "Archive is open. You should close it beore performing this operation.",
    "Unable to create directory",
    "Cannot find Zip64 directory end record",
    "Cannot compress file '%s'. Zip64 mode is not enabled",
    "Cannot open archive file. Opening aborted or invalid file",
    "Write to stream error",
    "Cannot place SFX stub on volume. Volume size limit is too small",
    "Archive is damaged. Open failed",
    "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX",
    "Archive already has SFX stub",
    "Multi-volume archive is not allowed for custom stream",
    "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times",
    "Deflate64 compression method is not supported",
    "MakeSFX error",
    "Hashed list of file names is invalid",
    "Cannot delete folder \"%s\"",
    "File name is too long: \r\n\"%s\"",
    "Multiple transactions are not supported for multi-volume archives",
};

// code -> text number
const int kCodeText[63] = {
    0, 1, 1, 1, 1, 2, 3, 1, 4, 5,      // 0..9
    5, 6, 6, 7, 7, 6, 1, 8, 6, 9,      // 10..19
    10, 1, 11, 9, 1, 11, 13, 14, 15, 5, // 20..29
    6, 6, 16, 12, 17, 18, 19, 20, 6, 21, // 30..39
    22, 23, 6, 23, 24, 24, 25, 26, 27, 28, // 40..49
    29, 30, 31, 6, 6, 32, 33, 27, 34, 34, // 50..59
    35, 36, 37,
};

std::string FormatArgs(const std::string& text, const std::vector<std::string>& args)
{
    std::string out;
    size_t a = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'd')) {
            if (a < args.size()) out += args[a++];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string BuildMessage(int code, const std::string& sender, const std::vector<std::string>& args)
{
    std::string text = FormatArgs(EZFException::Text(code), args);
    if (!sender.empty()) text = sender + ": " + text;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", code < 0 ? 0 : code);
    return text + " - Native error: " + digits;
}

std::mutex& SearchLock()
{
    static std::mutex m;
    return m;
}

TZFNameEncoder& NameEncoder()
{
    static TZFNameEncoder e;
    return e;
}

TZFNameDecoder& NameDecoder()
{
    static TZFNameDecoder d;
    return d;
}

std::string Backslashed(std::string s)
{
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

struct FileInfo {
    bool exists = false, isDir = false;
    uint64_t size = 0;
    uint32_t attr = 0x20;
    uint32_t dosTime = 0;
};

// The file attributes a Windows directory search would report, from what POSIX offers.
FileInfo StatFile(const std::string& path)
{
    FileInfo fi;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        fi.dosTime = UnixToDosDateTime(std::time(nullptr));
        return fi;
    }
    fi.exists = true;
    fi.isDir = S_ISDIR(st.st_mode);
    fi.size = fi.isDir ? 0 : uint64_t(st.st_size);
    fi.attr = fi.isDir ? 0x10 : 0x20;
    if (::access(path.c_str(), W_OK) != 0) fi.attr |= 0x01;
    const std::string base = path.substr(path.find_last_of('/') + 1);
    if (!base.empty() && base[0] == '.') fi.attr |= 0x02;
    fi.dosTime = UnixToDosDateTime(int64_t(st.st_mtime));
    return fi;
}

// The file system's limits on a path: PATH_MAX bytes in all, NAME_MAX in one part.
bool PathTooLong(const std::string& path)
{
    if (path.size() >= PATH_MAX) return true;
    size_t start = 0;
    for (size_t k; (k = path.find('/', start)) != std::string::npos; start = k + 1)
        if (k - start > NAME_MAX) return true;
    return path.size() - start > NAME_MAX;
}

bool HasExtra(const std::vector<uint8_t>& area, uint16_t id)
{
    for (size_t p = 0; p + 4 <= area.size(); p += 4 + Get16(&area[p + 2]))
        if (Get16(&area[p]) == id) return true;
    return false;
}

// The data descriptor that follows an entry's data at `at`: with or without its
// signature, with 32-bit sizes or (for a Zip64 entry) 64-bit ones. It is taken
// only when its CRC is the entry's; empty when none is there.
std::vector<uint8_t> ReadDataDescriptor(TZFStream& s, uint64_t at, const TDirItem& item, bool zip64)
{
    const size_t sizes = zip64 ? 16 : 8;
    uint8_t buf[24] = {};
    s.Seek(at);
    const size_t n = s.Read(buf, 4 + 4 + sizes);
    const uint32_t crc = item.Header.Crc32;
    size_t len = 0;
    if (n >= 8 + sizes && Get32(buf) == SigDescriptor && Get32(buf + 4) == crc) len = 8 + sizes;
    else if (n >= 4 + sizes && Get32(buf) == crc) len = 4 + sizes;
    return std::vector<uint8_t>(buf, buf + len);
}

std::string MakeTempFileName(const std::string& tempDir)
{
    std::string dir = tempDir.empty() ? QDir::tempPath().toStdString() : tempDir;
    std::string tmpl = dir + "/FCXXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) throw EZFException(19, std::string(), {tmpl});
    ::close(fd);
    return tmpl;
}

} // namespace

std::string ZipPrompts::Format(const std::string& text, const std::vector<std::string>& args)
{
    return FormatArgs(text, args);
}

int EZFException::TextNumber(int code) { return code >= 0 && code < 63 ? kCodeText[code] : 0; }
std::string EZFException::Text(int code) { return kTexts[TextNumber(code)]; }

EZFException::EZFException(int code, const std::string& senderName, const std::vector<std::string>& args)
    : std::runtime_error(BuildMessage(code, senderName, args)), NativeError(code), ErrorCode(TextNumber(code))
{
}

// ---------------------------------------------------------------- small types

int64_t TZFSpanningOptions::GetVolumeSize(int volumeNumber) const
{
    if (volumeNumber == 0 && FirstVolumeSize > 0) return FirstVolumeSize;
    switch (VolumeSize) {
    case vsAutoDetect: return -1;
    case vsCustom: return FCustomVolumeSize;
    case vs1_44MB: return 1457664;
    case vs100MB: return 104857600;
    case vs200MB: return 209715200;
    case vs250MB: return 262144000;
    case vs600MB: return 629145600;
    case vs650MB: return 681574400;
    case vs700MB: return 734003200;
    case vs4700MB: return 4928307200LL;
    }
    return -1;
}

int CompressionLevelToMode(TZFCompressionLevel l)
{
    switch (l) {
    case clNone: return 0;
    case clFastest: return 1;
    case clNormal: return 6;
    case clMax: return 9;
    }
    return 1;
}

TZFCompressionLevel CompressionModeToLevel(int mode)
{
    if (mode <= 0) return clNone;
    if (mode <= 3) return clFastest;
    if (mode <= 6) return clNormal;
    return clMax;
}

uint32_t CompressionBufferSize(int mode)
{
    if (mode >= 1 && mode <= 3) return 0x80000;
    if (mode >= 7 && mode <= 9) return 0x180000;
    return 0x100000;
}

void SetZipNameCodec(TZFNameEncoder enc, TZFNameDecoder dec)
{
    NameEncoder() = std::move(enc);
    NameDecoder() = std::move(dec);
}

std::string ZipNameToHeader(const std::string& name, bool oem)
{
    return NameEncoder() ? NameEncoder()(name, oem) : name;
}

namespace {
// The DOS code page the zip format names for names without the UTF-8 flag
// (437), upper half.
const uint16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

std::string Cp437ToUtf8(const std::string& bytes)
{
    QString s;
    for (char c : bytes) s += QChar(uint8_t(c) < 0x80 ? char16_t(uint8_t(c)) : char16_t(kCp437[uint8_t(c) - 0x80]));
    return s.toStdString();
}
} // namespace

std::string ZipNameFromHeader(const std::string& bytes, bool oem)
{
    if (NameDecoder()) return NameDecoder()(bytes, oem);
    // UTF-8 names (flagged or not, as many tools write them) are kept; other bytes
    // are names in the DOS code page the format names.
    if (!oem || IsValidUtf8(bytes)) return bytes;
    return Cp437ToUtf8(bytes);
}

// ---------------------------------------------------------------- archiver

struct TZFBaseArchiver::Impl {
    std::unique_ptr<TZFStream> Stream;
    std::unique_ptr<TZFDirManager> Dir;
    uint16_t OpenMode = 0;
    bool CommittedByEndUpdate = false;
    // A new archive whose scratch file missed a commit: it never replaces the old file.
    bool AsideSpoiled = false;
    std::string WriteProblem;
    std::vector<std::string> LeftOut;
    std::string WorkingBaseDir;
    TZFVolumeNumberInfo VolumeNumber;
    // commit state
    int32_t EntriesToProcess = 0, EntriesProcessed = 0;
    uint64_t BytesTotal = 0, BytesDone = 0;
    bool Cancel = false;
    std::unique_ptr<TZFFileStream> Tail;
    std::string TailPath;
    uint64_t TailStart = 0;
    uint64_t StartPos = 0;
    // volumes
    std::string CurrentVolumeName;
    uint32_t CurrentVolume = 0;         // index of the volume the stream is open on
    uint32_t LastVolume = 0;            // of an archive read from disk
    std::string LastVolumeName;
    bool MultiVolumeRead = false;       // an existing multi-volume archive is open
    bool DistributeOnClose = false;     // created here in a multi-volume mode
};

TZFBaseArchiver::TZFBaseArchiver() : d(std::make_unique<Impl>())
{
    SetCompressionLevel(clFastest);
}

TZFBaseArchiver::~TZFBaseArchiver()
{
    try { CloseArchive(); } catch (...) {}
}

void TZFBaseArchiver::Raise(int code, const std::vector<std::string>& args) const
{
    throw EZFException(code, Name, args);
}

void TZFBaseArchiver::SetCompressionLevel(TZFCompressionLevel l)
{
    FCompressionLevel = l;
    FCompressionMode = CompressionLevelToMode(l);
    ApplyCompressionMode();
}

void TZFBaseArchiver::SetCompressionMode(int m)
{
    if (m < 0 || m >= 10) Raise(5);
    FCompressionMode = m;
    FCompressionLevel = CompressionModeToLevel(m);
    ApplyCompressionMode();
}

void TZFBaseArchiver::SetSpanningMode(TZFSpanningMode s)
{
    if (FActive) throw std::runtime_error("Cannot set spanning mode on open archive");
    FSpanningMode = s;
}

const std::vector<uint8_t>& TZFBaseArchiver::MemoryImage() const
{
    static const std::vector<uint8_t> empty;
    auto* m = dynamic_cast<TZFMemoryStream*>(d->Stream.get());
    return m ? m->Data : empty;
}

void TZFBaseArchiver::SetInMemory(bool b)
{
    if (b == FInMemory) return;
    if (FActive && FInMemory) {
        if (FileName.empty()) Raise(29);
        std::vector<uint8_t> image = MemoryImage();
        std::unique_ptr<TZFFileStream> f(TZFFileStream::Create(FileName, d->WriteProblem));
        if (!f) Raise(19, {FileName});
        if (f->Write(image.data(), image.size()) != image.size() || !f->Publish(d->WriteProblem)) Raise(46);
        f.reset();
        CloseArchive();
        FInMemory = false;
        OpenArchive();
    } else if (FActive) {
        CloseArchive();
        FInMemory = true;
        OpenArchive();
    }
    FInMemory = b;
}

void TZFBaseArchiver::SetActive(bool b)
{
    if (b && !FActive) OpenArchive();
    else if (!b && FActive) CloseArchive();
}

const std::string& TZFBaseArchiver::WriteProblem() const { return d->WriteProblem; }
const std::vector<std::string>& TZFBaseArchiver::LeftOut() const { return d->LeftOut; }

// A new archive still being built aside is moved over FileName, unless one of its
// commits failed (then the earlier file stays and the scratch file goes).
void TZFBaseArchiver::PublishAside()
{
    auto* file = FInMemory ? nullptr : dynamic_cast<TZFFileStream*>(d->Stream.get());
    if (!file || !file->Aside()) return;
    if (d->AsideSpoiled) {
        d->Stream.reset();
        return;
    }
    if (!file->Publish(d->WriteProblem)) Raise(46);
}

int TZFBaseArchiver::FileCount() const { return d->Dir ? d->Dir->Items.Count() : 0; }

const TDirItem& TZFBaseArchiver::Item(int i) const
{
    if (!d->Dir) Raise(13);
    return *d->Dir->Items.ItemPtr(i);
}

namespace {
// An archive is updated only when it may be written: the user's permission and a
// write bit on the file (through links), the rule every file the program writes
// follows, so that a read-only archive is refused as such even when the program
// runs with rights that ignore the bits.
bool Writable(const std::string& name)
{
    struct stat st {};
    return ::access(name.c_str(), W_OK) == 0 && ::stat(name.c_str(), &st) == 0 &&
           (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}
} // namespace

void TZFBaseArchiver::OpenArchive()
{
    d->CommittedByEndUpdate = false;
    if (!FInMemory && FileName.empty()) Raise(9);
    uint16_t mode = 65535;
    if (!FInMemory && ::access(FileName.c_str(), F_OK) == 0)
        mode = Writable(FileName) ? 34 : 64;
    OpenArchiveMode(mode);
}

void TZFBaseArchiver::OpenArchiveMode(uint16_t mode)
{
    d->CommittedByEndUpdate = false;
    if (!FInMemory && FileName.empty()) Raise(10);
    if (mode < 65535 && !FInMemory && FSpanningMode != smSpanning && ::access(FileName.c_str(), F_OK) != 0)
        Raise(12, {FileName});
    if (mode < 65535 && FInMemory) Raise(28);
    const bool callerSpanning = FSpanningMode == smSpanning;
    CloseArchive();
    d->OpenMode = mode;
    d->MultiVolumeRead = d->DistributeOnClose = false;
    d->CurrentVolume = d->LastVolume = 0;
    d->CurrentVolumeName = d->LastVolumeName = std::string();
    if (mode < 65535 && !FInMemory) {
        FSpanningMode = smNone;
        d->VolumeNumber = TZFVolumeNumberInfo();
        try {
            OpenExisting(callerSpanning);
        } catch (...) {
            d->Dir.reset();
            d->Stream.reset();
            FSpanningMode = smNone;
            throw;
        }
    } else {
        d->VolumeNumber = TZFVolumeNumberInfo();
        d->VolumeNumber.SetFirst();
        if (FInMemory) {
            d->Stream = std::make_unique<TZFMemoryStream>();
        } else {
            // Built aside: the file under FileName stays as it was until the archive is complete.
            d->Stream.reset(TZFFileStream::Create(FileName, d->WriteProblem));
            if (!d->Stream) Raise(36, {FileName});
            d->AsideSpoiled = false;
            d->CurrentVolumeName = FileName;
            d->DistributeOnClose = FSpanningMode != smNone;
        }
        try {
            d->Dir = std::make_unique<TZFDirManager>(d->Stream.get(), this, true);
        } catch (...) {
            d->Stream.reset();
            throw;
        }
    }
    FActive = true;
    if (AfterOpen) AfterOpen();
}

std::string TZFBaseArchiver::CurrentVolumeName() const { return d->CurrentVolumeName; }
int TZFBaseArchiver::LastVolumeIndex() const { return int(d->LastVolume); }

namespace {
bool FileExists(const std::string& name)
{
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool EndsWithExe(const std::string& name)
{
    return name.size() >= 4 && QString::fromStdString(name.substr(name.size() - 4)).compare(".exe", Qt::CaseInsensitive) == 0;
}
} // namespace

// Reads an existing archive: one file, a self-extracting program, or the last
// part of a split or spanned set whose earlier parts are asked for through the
// volume events.
void TZFBaseArchiver::OpenExisting(bool spanning)
{
    if (spanning && !FileExists(FileName)) {
        // The last disk of a spanned set is asked for; its name need not be FileName.
        FSpanningMode = smSpanning;
        std::string name;
        bool cancel = false;
        DoOnRequestLastVolume(name, cancel);
        if (cancel || !FileExists(name)) Raise(45);
        if (ReadDirectoryOf(name)) return;
        Raise(44);
    }
    if (EndsWithExe(FileName)) {
        if (ReadDirectoryOf(FileName)) return;
        // The first part of a split self-extracting archive: its end lies in the ".ZIP" part.
        const std::string last = ZipSpan::ExistingVolumeFileName(FileName, ZipSpan::LastVolumeIndex, smSplitting,
                                                                 SpanningOptions.AdvancedNaming, true, FMethod);
        if (FileExists(last) && ReadDirectoryOf(last)) return;
        d->Dir.reset();
        d->Stream.reset();
        FSpanningMode = smNone;
    }
    // One file (its directory rebuilt from the local headers when the end is damaged).
    d->Stream.reset(TZFFileStream::Open(FileName, d->OpenMode));
    if (!d->Stream) Raise(33, {FileName});
    d->CurrentVolumeName = FileName;
    d->Dir = std::make_unique<TZFDirManager>(d->Stream.get(), this, false);
    if (ReadDirectoryOf(std::string())) return;
    if (d->Stream->Size() > 0) d->Dir->LoadDir();
}

// Opens `lastVolumeName` (or uses the open stream when empty), looks for its end
// record and loads the directory. False when there is no end record, leaving the
// caller to decide.
bool TZFBaseArchiver::ReadDirectoryOf(const std::string& lastVolumeName)
{
    if (!lastVolumeName.empty()) {
        d->Dir.reset();
        d->Stream.reset(TZFFileStream::Open(lastVolumeName, d->OpenMode));
        if (!d->Stream) Raise(33, {lastVolumeName});
        d->CurrentVolumeName = lastVolumeName;
        d->Dir = std::make_unique<TZFDirManager>(d->Stream.get(), this, false);
    }
    TZFDirManager& dir = *d->Dir;
    if (d->Stream->Size() == 0) return false;
    int64_t endPos = -1;
    if (!StandardZip) endPos = dir.FindEndRecord(SigEndAlt);
    if (endPos < 0) endPos = dir.FindEndRecord(SigEnd);
    if (endPos < 0) return false;
    uint32_t lastDisk = dir.EndRecord.ThisDisk;
    if (lastDisk == 0xFFFF && endPos >= 20) {
        uint8_t loc[20];
        d->Stream->Seek(uint64_t(endPos) - 20);
        if (d->Stream->ReadExact(loc, 20) && Get32(loc) == SigZip64Locator)
            lastDisk = TZFZip64Locator::Read(loc).TotalDisks - 1;
    }
    if (lastDisk > 0 && lastDisk != 0xFFFF) {
        // Which kind of set: split parts lie beside the last one under the
        // split names (in either naming form); otherwise the volumes are disks.
        const bool sfx = ZipSpan::IsSelfExtracting(FileName, SFXStub);
        // The part before the last decides; when that one is missing the first part
        // still shows the set is split, so the missing part is asked for by its own
        // name instead of the set being taken for disks under one name.
        auto splitName = [&](bool advanced) {
            std::string found = ZipSpan::FindVolumeFile(FileName, lastDisk - 1, smSplitting, advanced, sfx, FMethod);
            if (found.empty() && lastDisk > 1)
                found = ZipSpan::FindVolumeFile(FileName, 0, smSplitting, advanced, sfx, FMethod);
            return found;
        };
        if (FileExists(splitName(SpanningOptions.AdvancedNaming))) {
            FSpanningMode = smSplitting;
        } else if (FileExists(splitName(!SpanningOptions.AdvancedNaming))) {
            FSpanningMode = smSplitting;
            SpanningOptions.AdvancedNaming = !SpanningOptions.AdvancedNaming;
        } else {
            FSpanningMode = smSpanning;
        }
        d->MultiVolumeRead = true;
        d->LastVolume = d->CurrentVolume = lastDisk;
        d->LastVolumeName = d->CurrentVolumeName;
        d->VolumeNumber.LastVolumeNumber = int32_t(lastDisk);
        d->VolumeNumber.SetLast();
        dir.MultiVolume = true;
        dir.LastDisk = dir.CurrentDisk = lastDisk;
        dir.RequestVolume = [this](uint32_t index) { return OpenVolumeForReading(index); };
    }
    dir.LoadDir();
    return true;
}

std::string TZFBaseArchiver::ExpectedVolumeName(uint32_t index) const
{
    if (d->MultiVolumeRead && index == d->LastVolume) return d->LastVolumeName;
    return ZipSpan::ExistingVolumeFileName(FileName, index, FSpanningMode, SpanningOptions.AdvancedNaming,
                                           ZipSpan::IsSelfExtracting(FileName, SFXStub), FMethod);
}

// The stream of volume `index` of the archive being read, asked for through the
// first/middle/last volume events until a volume file is there or the request
// is cancelled (error 45).
TZFStream* TZFBaseArchiver::OpenVolumeForReading(uint32_t index)
{
    if (d->Stream && index == d->CurrentVolume) return d->Stream.get();
    std::string name;
    for (int attempt = 0;; ++attempt) {
        bool cancel = false;
        if (index == 0) DoOnRequestFirstVolume(name, cancel);
        else if (index == d->LastVolume) DoOnRequestLastVolume(name, cancel);
        else DoOnRequestMiddleVolume(int(index) + 1, name, cancel);
        if (cancel || (name.empty() && FSpanningMode != smSpanning)) Raise(45);
        if (FileExists(name)) break;
        // A handler that keeps naming a missing file would ask for ever.
        if (attempt >= 100) Raise(45);
    }
    d->Stream.reset();
    d->Stream.reset(TZFFileStream::Open(name, d->OpenMode));
    if (!d->Stream) Raise(45);
    d->CurrentVolume = index;
    d->CurrentVolumeName = name;
    d->VolumeNumber.SetNumber(int32_t(index));
    return d->Stream.get();
}

void TZFBaseArchiver::CloseArchive()
{
    // Closing always ends with a closed archive and freed streams; a failing commit is
    // still reported to the caller once everything is released.
    std::exception_ptr failure;
    if (FActive) {
        try {
            Commit();
            // An archive that never received an entry still ends in an end record
            // (after the self-extractor stub when there is one).
            if (d->Stream && d->Dir && d->Dir->Items.Count() == 0 &&
                d->Stream->Size() == (d->Dir->CreateNew ? d->Dir->FirstLocalHeaderPos : 0)) {
                d->Stream->Seek(d->Stream->Size());
                d->Dir->SaveDir(true);
                if (Options.FlushBuffers) d->Stream->Flush();
            }
            PublishAside();
        } catch (...) {
            failure = std::current_exception();
        }
        FActive = false;
    }
    const bool wasFile = d->Stream && !FInMemory;
    FUpdateCount = 0;
    d->Dir.reset();
    d->Stream.reset();
    if (failure) std::rethrow_exception(failure);
    // The finished single-file image is cut into volumes once it is complete on disk.
    const bool distribute = wasFile && d->DistributeOnClose && FSpanningMode != smNone && VolumeWriter;
    d->DistributeOnClose = false;
    d->MultiVolumeRead = false;
    if (distribute) VolumeWriter->Distribute(*this, FileName);
}

void TZFBaseArchiver::BeginUpdate()
{
    if (FSpanningMode != smNone && d->CommittedByEndUpdate) Raise(62);
    if (FUpdateCount == 0) {
        if (!FActive) OpenArchive();
        // The parts of an existing multi-volume set are only read, never rewritten.
        if (d->MultiVolumeRead) Raise(52);
        if ((d->OpenMode & 3) == 0 && d->OpenMode != 65535) {
            // The user reads why (the file's write bits, its folder...) as every write says it.
            SafeFile::TTarget target;
            if (!FInMemory && !FileName.empty()) d->WriteProblem = SafeFile::Prepare(FileName, target);
            Raise(32);
        }
        d->LeftOut = d->Dir->DropCutEntries();
        for (int i = 0; i < d->Dir->Items.Count(); ++i) d->Dir->Items.ItemPtr(i)->Modified = false;
        d->Dir->Backup.Assign(d->Dir->Items);
    }
    ++FUpdateCount;
}

void TZFBaseArchiver::EndUpdate()
{
    if (FUpdateCount == 1) {
        d->CommittedByEndUpdate = true;
        Commit();
        if (FSpanningMode != smNone && d->OpenMode == 65535) d->OpenMode = 34;
    } else if (FUpdateCount > 1) {
        --FUpdateCount;
    }
}

void TZFBaseArchiver::CancelUpdate()
{
    // Entries added in memory during the transaction are dropped with it, so a later
    // commit never writes a directory that points at data never written.
    if (FUpdateCount > 0) {
        FUpdateCount = 0;
        if (d->Dir) d->Dir->Items.Assign(d->Dir->Backup);
    }
}

// ---------------------------------------------------------------- events

void TZFBaseArchiver::DoOnOverallProgress(double progress, int operation, int phase, bool& cancel)
{
    cancel = false;
    if (OnOverallProgress) OnOverallProgress(progress, operation, phase, cancel);
}

void TZFBaseArchiver::DoOnFileProgress(const std::string& fileName, double progress, int operation, int phase, bool& cancel)
{
    cancel = false;
    if (OnFileProgress) OnFileProgress(Backslashed(fileName), progress, operation, phase, cancel);
}

void TZFBaseArchiver::DoOnConfirmOverwrite(const std::string& src, const std::string& dst, bool& confirm)
{
    confirm = false;
    if (OnConfirmOverwrite) {
        OnConfirmOverwrite(src, dst, confirm);
        return;
    }
    using B = ZipDialogs::Button;
    const int answer = ArchiveDialogs().Confirm(ZipPrompts::Format(ZipPrompts::ConfirmOverwrite, {dst, src}),
                                                B::mbYes | B::mbNo | B::mbNoToAll | B::mbYesToAll, B::mbYes);
    confirm = answer == B::mbYes || answer == B::mbYesToAll;
    if (answer == B::mbNoToAll) Options.OverwriteMode = omNever;
    if (answer == B::mbYesToAll) Options.OverwriteMode = omAlways;
}

void TZFBaseArchiver::DoOnConfirmProcessFile(const std::string& fileName, int operation, bool& confirm)
{
    confirm = true;
    if (OnConfirmProcessFile) OnConfirmProcessFile(fileName, operation, confirm);
}

void TZFBaseArchiver::DoOnProcessFileFailure(const std::string& fileName, int operation, int nativeError,
                                             int errorCode, const std::string& message, int& action)
{
    action = 1;
    if (OnProcessFileFailure) {
        OnProcessFileFailure(fileName, operation, nativeError, errorCode, message, action);
        return;
    }
    // A cancelled volume request ends the commit without asking.
    if (nativeError == 45) {
        action = 2;
        return;
    }
    using B = ZipDialogs::Button;
    int answer;
    if (nativeError == 61)
        answer = ArchiveDialogs().Confirm(message, B::mbAbort | B::mbIgnore, B::mbIgnore);
    else
        answer = ArchiveDialogs().Confirm(ZipPrompts::Format(ZipPrompts::ProcessFileFailure, {message}),
                                          B::mbAbort | B::mbRetry | B::mbIgnore, B::mbIgnore);
    action = answer == B::mbRetry ? 0 : answer == B::mbIgnore ? 1 : 2;
}

void TZFBaseArchiver::DoOnStoreFile(std::string& fileName, uint32_t& attr, std::string& comment, const std::string& original)
{
    if (!OnStoreFile) return;
    fileName = Backslashed(fileName);
    OnStoreFile(fileName, attr, comment, original);
    std::replace(fileName.begin(), fileName.end(), '\\', '/');
}

void TZFBaseArchiver::DoOnDiskFull(int volumeNumber, const std::string& volumeFileName, bool& cancel,
                                   int64_t requiredBytes, int64_t availableBytes)
{
    if (OnDiskFull) {
        OnDiskFull(volumeNumber, volumeFileName, cancel);
        return;
    }
    cancel = true;
    if (FSpanningMode != smSpanning) return;
    using B = ZipDialogs::Button;
    const std::string text = ZipPrompts::Format(ZipPrompts::DiskFull, {std::to_string(requiredBytes), std::to_string(availableBytes)});
    cancel = ArchiveDialogs().Confirm(text, B::mbOK | B::mbCancel, B::mbCancel) != B::mbOK;
}

void TZFBaseArchiver::DoOnCopyTempFileProgress(double progress, int phase, bool& cancel)
{
    cancel = false;
    if (OnCopyTempFileProgress) OnCopyTempFileProgress(progress, phase, cancel);
}

void TZFBaseArchiver::DoOnPassword(const std::string& fileName, std::string& newPassword, bool& skipFile)
{
    skipFile = false;
    if (OnPassword) {
        OnPassword(Backslashed(fileName), newPassword, skipFile);
        return;
    }
    std::string typed;
    if (ArchiveDialogs().AskPassword(ZipPrompts::Format(ZipPrompts::PasswordCaption, {Backslashed(fileName)}),
                                     ZipPrompts::PasswordPrompt, typed)) {
        newPassword = typed.substr(0, 255);
        skipFile = false;
    } else {
        skipFile = true;
    }
}

void TZFBaseArchiver::DoOnRequestBlankVolume(int volumeNumber, std::string& volumeFileName, bool& cancel)
{
    volumeFileName = ZipSpan::VolumeFileName(FileName, uint32_t(volumeNumber - 1), FSpanningMode,
                                             SpanningOptions.AdvancedNaming, ZipSpan::IsSelfExtracting(FileName, SFXStub), FMethod);
    cancel = false;
    if (OnRequestBlankVolume) {
        OnRequestBlankVolume(volumeNumber, volumeFileName, cancel);
        return;
    }
    if (FSpanningMode != smSpanning) return;
    using B = ZipDialogs::Button;
    cancel = ArchiveDialogs().Confirm(ZipPrompts::Format(ZipPrompts::InsertBlankVolume, {std::to_string(volumeNumber)}),
                                      B::mbOK | B::mbCancel, B::mbOK) != B::mbOK;
}

void TZFBaseArchiver::DoOnRequestFirstVolume(std::string& volumeFileName, bool& cancel)
{
    volumeFileName = ExpectedVolumeName(0);
    cancel = false;
    if (OnRequestFirstVolume) {
        OnRequestFirstVolume(volumeFileName, cancel);
        return;
    }
    if (FSpanningMode == smSpanning) {
        using B = ZipDialogs::Button;
        // Unattended, a volume that is not there cannot be waited for.
        const int dflt = FileExists(volumeFileName) ? B::mbOK : B::mbCancel;
        cancel = ArchiveDialogs().Confirm(ZipPrompts::InsertFirstVolume, B::mbOK | B::mbCancel, dflt) != B::mbOK;
        if (!cancel) volumeFileName = ExpectedVolumeName(0);
        return;
    }
    cancel = !FileExists(volumeFileName) && d->OpenMode < 65535;
}

void TZFBaseArchiver::DoOnRequestLastVolume(std::string& volumeFileName, bool& cancel)
{
    volumeFileName = d->MultiVolumeRead ? d->LastVolumeName : FileName;
    cancel = false;
    if (OnRequestLastVolume) {
        OnRequestLastVolume(volumeFileName, cancel);
        return;
    }
    if (FSpanningMode == smSpanning) {
        using B = ZipDialogs::Button;
        int dflt = FileExists(volumeFileName) ? B::mbOK : B::mbCancel;
        cancel = ArchiveDialogs().Confirm(ZipPrompts::InsertLastVolume, B::mbOK | B::mbCancel, dflt) != B::mbOK;
        while (!cancel && !FileExists(volumeFileName)) {
            cancel = ArchiveDialogs().Confirm(ZipPrompts::Format(ZipPrompts::FileNotFoundOnVolume, {volumeFileName}),
                                              B::mbOK | B::mbCancel, B::mbCancel) != B::mbOK;
        }
        return;
    }
    cancel = !FileExists(volumeFileName);
}

void TZFBaseArchiver::DoOnRequestMiddleVolume(int volumeNumber, std::string& volumeFileName, bool& cancel)
{
    volumeFileName = ExpectedVolumeName(uint32_t(volumeNumber - 1));
    cancel = false;
    if (OnRequestMiddleVolume) {
        OnRequestMiddleVolume(volumeNumber, volumeFileName, cancel);
        return;
    }
    if (FSpanningMode == smSpanning) {
        using B = ZipDialogs::Button;
        const int dflt = FileExists(volumeFileName) ? B::mbOK : B::mbCancel;
        cancel = ArchiveDialogs().Confirm(ZipPrompts::Format(ZipPrompts::InsertMiddleVolume, {std::to_string(volumeNumber)}),
                                          B::mbOK | B::mbCancel, dflt) != B::mbOK;
        return;
    }
    cancel = !FileExists(volumeFileName);
}

// ---------------------------------------------------------------- adding files

void TZFBaseArchiver::AddFiles(const std::string& fileMask, int32_t searchAttr, const std::string& exclusionMask)
{
    if (!FActive) Raise(13);
    if (FSpanningMode != smNone && FileCount() > 0 && FUpdateCount == 0) Raise(52);
    if (FSpanningMode != smNone && !VolumeWriter)
        throw std::runtime_error("Los archivos en varios volúmenes aún no están disponibles en esta versión");
    if (!FPassword.empty() && !EncryptorFactory)
        throw std::runtime_error("El cifrado de archivos comprimidos aún no está disponible en esta versión");
    std::vector<std::string> exclusions;
    if (!exclusionMask.empty()) exclusions.push_back(exclusionMask);
    if (!FInMemory && !FileName.empty()) exclusions.push_back(ExpandFileName(FileName));
    // The archive's own scratch file (a new archive is built in one beside it) is no
    // file of the user's.
    if (auto* file = dynamic_cast<TZFFileStream*>(d->Stream.get()); file && !file->ScratchName().empty())
        exclusions.push_back(ExpandFileName(file->ScratchName()));

    BeginUpdate();
    try {
        std::lock_guard<std::mutex> lock(SearchLock());
        const std::string saved = d->WorkingBaseDir;
        d->WorkingBaseDir = ExpandFileName(BaseDir.empty() ? std::string(".") : BaseDir);
        try {
            SearchMask(fileMask, searchAttr, Options.Recurse, exclusions);
        } catch (...) {
            d->WorkingBaseDir = saved;
            throw;
        }
        d->WorkingBaseDir = saved;
    } catch (...) {
        CancelUpdate();
        throw;
    }
    EndUpdate();
}

void TZFBaseArchiver::SearchMask(const std::string& maskIn, int32_t searchAttr, bool recurse,
                                 const std::vector<std::string>& exclusions)
{
    const std::string& W = d->WorkingBaseDir;
    std::string mask = maskIn;
    std::replace(mask.begin(), mask.end(), '\\', '/');
    std::string resolved;
    if (!mask.empty() && mask[0] == '/') resolved = mask;            // absolute on this platform
    else if (mask.rfind("./", 0) == 0) resolved = W + "/" + mask.substr(2);
    else resolved = W + "/" + mask;
    const bool wild = resolved.find_first_of("*?") != std::string::npos;
    if (!wild) {
        std::string full = ExpandFileName(resolved);
        FileInfo fi = StatFile(full);
        if (fi.exists && !Excluded(full, fi.isDir, exclusions)) AddOneFile(full, false);
        return;
    }
    size_t slash = resolved.find_last_of('/');
    std::string dir = ExpandFileName(resolved.substr(0, slash == 0 ? 1 : slash));
    std::string pattern = resolved.substr(slash + 1);
    const uint32_t A = uint32_t(searchAttr) & ~0x10u;
    // The folder's names as the file system holds them: a name that is not UTF-8
    // would not survive a round trip through QString, and its file would be lost.
    std::vector<std::string> entries;
    if (DIR* dp = opendir(dir.c_str())) {
        while (const dirent* de = readdir(dp)) {
            const std::string n = de->d_name;
            if (n != "." && n != "..") entries.push_back(n);
        }
        closedir(dp);
    }
    std::sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
        const std::string la = ZipLowerCase(a), lb = ZipLowerCase(b);
        return la != lb ? la < lb : a < b;
    });
    std::vector<std::string> subdirs;
    for (const std::string& name : entries) {
        std::string full = dir == "/" ? "/" + name : dir + "/" + name;
        FileInfo fi = StatFile(full);
        if (fi.isDir) subdirs.push_back(full);
        if (!MatchesMask(name, pattern, true)) continue;
        bool taken = (fi.attr & A) != 0 || (fi.attr == 0 && (A & 0x27) == 0x27);
        if (fi.isDir) taken = (fi.attr & A & ~0x10u) != 0 && (A & 0x10);   // never: A lacks the directory bit
        if (taken && !Excluded(full, fi.isDir, exclusions)) AddOneFile(full, false);
    }
    if ((searchAttr & 0x10) || recurse) {
        for (const std::string& sub : subdirs) {
            if (Excluded(sub, true, exclusions)) continue;
            if (recurse) SearchMask(sub + "/" + pattern, searchAttr, recurse, exclusions);
        }
    }
}

bool TZFBaseArchiver::Excluded(const std::string& fullName, bool isDir, const std::vector<std::string>& exclusions) const
{
    (void)isDir;
    for (std::string m : exclusions) {
        std::replace(m.begin(), m.end(), '\\', '/');
        if (m == "*.*" || m == "*") return true;
        if (!m.empty() && m[0] == '/') {
            if (MatchesMask(fullName, m, true)) return true;
            continue;
        }
        std::string target;
        if (m.find('/') == std::string::npos) {
            size_t k = fullName.find_last_of('/');
            target = fullName.substr(k + 1);
        } else {
            target = GetStoredName(fullName, d->WorkingBaseDir, spRelativePath);
        }
        if (MatchesMask(target, m, true)) return true;
    }
    return false;
}

void TZFBaseArchiver::AddOneFile(const std::string& fullPath, bool move)
{
    int operation = move ? 1 : 0;
    bool confirm = true;
    DoOnConfirmProcessFile(fullPath, operation, confirm);
    if (!confirm) return;

    FileInfo fi = StatFile(fullPath);
    std::string stored = GetStoredName(fullPath, d->WorkingBaseDir, Options.StorePath);
    if (fi.isDir) stored += "/";
    uint32_t attr = fi.exists ? fi.attr : 0x20;
    std::string comment;
    DoOnStoreFile(stored, attr, comment, fullPath);

    TZFDirArray& items = d->Dir->Items;
    int idx = items.IndexOf(stored);
    // Names differing only in case are different files here ("Datos.txt" and
    // "datos.txt"): only an entry of exactly this name is replaced.
    if (idx >= 0 && items.ItemPtr(idx)->FileName != stored) {
        idx = -1;
        for (int i = 0; i < items.Count() && idx < 0; ++i)
            if (items.ItemPtr(i)->FileName == stored) idx = i;
    }
    if (idx < 0) {
        TDirItem fresh;
        fresh.FileName = stored;
        idx = items.Add(fresh);
    } else {
        const TDirItem* old = items.ItemPtr(idx);
        uint32_t oldTime = uint32_t(old->Header.Time) | (uint32_t(old->Header.Date) << 16);
        auto later = [](uint32_t a, uint32_t b) { return (a >> 16) != (b >> 16) ? (a >> 16) > (b >> 16) : (a & 0xFFFF) > (b & 0xFFFF); };
        bool replace = false;
        switch (Options.OverwriteMode) {
        case omAlways: replace = true; break;
        case omNever: replace = false; break;
        case omIfNewer: replace = later(fi.dosTime, oldTime); break;
        case omIfOlder: replace = later(oldTime, fi.dosTime); break;
        case omPrompt: DoOnConfirmOverwrite(fullPath, stored, replace); break;
        }
        if (!replace) return;
        operation = 3;
    }
    if (move) operation = 1;

    TDirItem* it = items.ItemPtr(idx);
    it->Modified = true;
    it->Password = FPassword;
    it->SourceFileName = fullPath;
    it->SourceStream.reset();
    it->CompressionMode = fi.isDir ? 0 : uint8_t(FCompressionMode);
    it->Header = TZFCentralHeader();
    it->Header.Signature = StandardZip ? SigCentral : SigCentralAlt;
    const uint16_t version = StandardZip ? (Options.OEMFileNames ? VersionOem : VersionAnsi) : VersionAlt;
    it->Header.VersionMadeBy = it->Header.VersionNeeded = version;
    it->Header.Method = FMethod;
    it->CompressionMethod = FMethod;
    if (!FPassword.empty()) it->Header.Flags |= 1;
    it->Header.Time = uint16_t(fi.dosTime);
    it->Header.Date = uint16_t(fi.dosTime >> 16);
    it->Header.Crc32 = 0xFFFFFFFFu;
    it->Header.ExternalAttr = attr;
    if (fi.isDir) {
        it->Header.Method = it->CompressionMethod = 0;
        it->Header.Crc32 = 0;
        it->Header.Flags = 2;
    }
    items.RenameItem(idx, stored);
    it = items.ItemPtr(idx);
    it->Comment = comment;
    it->Header.CommentLength = uint16_t(comment.size());
    it->ExtraFields.clear();
    it->IsZip64 = false;
    it->Action = uint8_t(operation);

    for (const std::string& m : NoCompressionMasks)
        if (MatchesMask(fullPath.substr(fullPath.find_last_of('/') + 1), m, true)) {
            it->CompressionMode = 0;
            it->Header.Method = it->CompressionMethod = (FMethod == 0 || FMethod == 8) ? 0 : 255;
            break;
        }
    if (fi.size < 0xFFFFFFFFull && Zip64Mode != zmAlways) {
        it->Header.UncompressedSize = uint32_t(fi.size);
    } else {
        it->IsZip64 = true;
        it->Header.UncompressedSize = 0xFFFFFFFFu;
        it->UncompressedSize64 = fi.size;
    }
}

// ---------------------------------------------------------------- commit

bool TZFBaseArchiver::WriteNewEntry(TDirItem& item, bool& cancel)
{
    ApplyCompressionMode();
    const std::string progressName = item.Action == 1 ? item.SourceFileName : item.FileName;
    DoOnFileProgress(progressName, 0, item.Action, 0, cancel);
    if (cancel) return false;

    TZFStream& out = *d->Stream;
    std::unique_ptr<TZFStream> ownedSource;
    TZFStream* src = nullptr;
    uint64_t srcSize = 0;
    if (item.SourceStream) {
        src = item.SourceStream.get();
        src->Seek(item.SourceStreamStart);
        srcSize = src->Size() - item.SourceStreamStart;
    } else if (!item.IsDirectory()) {
        // A path beyond what the file system takes cannot be opened at all.
        if (PathTooLong(item.SourceFileName)) Raise(61, {item.SourceFileName});
        ownedSource.reset(TZFFileStream::Open(item.SourceFileName, 64));
        if (!ownedSource) {
            if (errno == ENAMETOOLONG) Raise(61, {item.SourceFileName});
            Raise(33, {item.SourceFileName});
        }
        src = ownedSource.get();
        srcSize = src->Size();
    }

    const uint64_t offset = out.Position();
    if (offset <= 0xFFFFFFFEull && Zip64Mode != zmAlways) {
        item.Header.LocalHeaderOffset = uint32_t(offset);
    } else {
        item.IsZip64 = true;
        item.Header.LocalHeaderOffset = 0xFFFFFFFFu;
        item.LocalHeaderOffset64 = offset;
    }
    const bool sizeZip64 = srcSize >= 0xFFFFFFFFull || Zip64Mode == zmAlways;
    if (sizeZip64) item.IsZip64 = true;
    uint16_t version = StandardZip ? (Options.OEMFileNames ? VersionOem : VersionAnsi) : VersionAlt;
    if (item.IsZip64) version = StandardZip ? VersionZip64 : 0x412D;
    item.Header.VersionMadeBy = item.Header.VersionNeeded = version;
    if (item.IsZip64 && Zip64Mode == zmDisabled) Raise(43, {item.FileName});

    // An empty source is stored (no deflate data follows its header). Deciding it
    // before the encryptor is made keeps the AES extra field, which names the real
    // method, in step with the data: readers otherwise reject the entry.
    if (srcSize == 0 && StandardZip && !item.IsDirectory()) {
        item.Header.Method = 0;
        item.CompressionMethod = 0;
    }
    const bool encrypt = !item.Password.empty();
    const bool aes = encrypt && EncryptionMethod != caPkzipClassic;
    std::unique_ptr<TZFEntryEncryptor> enc;
    if (encrypt) {
        if (!EncryptorFactory)
            throw std::runtime_error("El cifrado de archivos comprimidos aún no está disponible en esta versión");
        enc = EncryptorFactory(EncryptionMethod, item.Password, item);
    }
    const uint16_t realMethod = item.CompressionMethod;

    TZFLocalHeader lh;
    lh.Signature = StandardZip ? SigLocal : SigLocalAlt;
    lh.VersionNeeded = version;
    lh.Flags = item.Header.Flags;
    lh.Method = aes ? 99 : item.Header.Method;
    lh.Time = item.Header.Time;
    lh.Date = item.Header.Date;
    lh.Crc32 = item.Header.Crc32;
    lh.CompressedSize = 0;
    lh.UncompressedSize = sizeZip64 ? 0xFFFFFFFFu : uint32_t(srcSize);
    item.HeaderName.clear();
    const std::string name = EntryHeaderName(item, Options.OEMFileNames);
    lh.Flags = uint16_t((lh.Flags & ~FlagUtf8) | (item.Header.Flags & FlagUtf8));
    lh.NameLength = uint16_t(name.size());

    std::vector<uint8_t> extras;
    if (lh.UncompressedSize == 0xFFFFFFFFu) extras.resize(20, 0);
    item.ExtraFields.clear();
    if (UnicodeFilenames) {
        std::vector<uint8_t> f = UnicodeNameField(item.FileName);
        extras.insert(extras.end(), f.begin(), f.end());
        item.ExtraFields.push_back({ExtraUnicode, std::vector<uint8_t>(f.begin() + 4, f.end())});
    }
    if (enc) {
        std::vector<uint8_t> f = enc->ExtraField();
        if (f.size() >= 4) {
            extras.insert(extras.end(), f.begin(), f.end());
            item.ExtraFields.push_back({Get16(f.data()), std::vector<uint8_t>(f.begin() + 4, f.end())});
        }
    }
    lh.ExtraLength = uint16_t(extras.size());
    std::vector<uint8_t> head;
    lh.Write(head);
    head.insert(head.end(), name.begin(), name.end());
    head.insert(head.end(), extras.begin(), extras.end());
    if (out.Write(head.data(), head.size()) != head.size()) Raise(46);

    // Compress
    uint32_t crc = 0xFFFFFFFFu;
    uint64_t written = 0, readTotal = 0;
    if (enc) {
        std::vector<uint8_t> buf(0x100000);
        for (size_t k; (k = src ? src->Read(buf.data(), buf.size()) : 0) > 0;) crc = Crc32Update(crc, buf.data(), k);
        if (src) src->Seek(item.SourceStream ? item.SourceStreamStart : 0);
        item.Header.Crc32 = ~crc;
        std::vector<uint8_t> prefix = enc->Prefix(item);
        if (out.Write(prefix.data(), prefix.size()) != prefix.size()) Raise(46);
        written += prefix.size();
    }
    if (src && srcSize > 0) {
        const int mode = item.CompressionMode;
        const size_t block = size_t(std::min<uint64_t>(CompressionBufferSize(mode), srcSize));
        std::vector<uint8_t> in(block);
        const bool deflating = realMethod == 8;
        z_stream zs {};
        if (deflating && deflateInit2(&zs, mode, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) Raise(46);
        std::vector<uint8_t> outBuf(block + block / 10 + 267);
        try {
            while (!cancel) {
                size_t n = src->Read(in.data(), std::min<uint64_t>(block, srcSize - readTotal));
                if (n == 0) break;
                readTotal += n;
                if (!enc) crc = Crc32Update(crc, in.data(), n);
                const bool last = readTotal >= srcSize;
                auto putOut = [&](uint8_t* p, size_t k) {
                    if (enc) enc->Encrypt(p, k);
                    WriteWithDiskFullRetry(out, p, k);
                    written += k;
                };
                if (!deflating) {
                    putOut(in.data(), n);
                } else {
                    zs.next_in = in.data();
                    zs.avail_in = uInt(n);
                    int rc;
                    do {
                        zs.next_out = outBuf.data();
                        zs.avail_out = uInt(outBuf.size());
                        rc = deflate(&zs, last ? Z_FINISH : Z_SYNC_FLUSH);
                        if (rc == Z_STREAM_ERROR) Raise(46);
                        putOut(outBuf.data(), outBuf.size() - zs.avail_out);
                    } while (last ? rc != Z_STREAM_END : zs.avail_out == 0);
                }
                d->BytesDone += n;
                DoOnFileProgress(progressName, double(readTotal) * 100.0 / double(srcSize), item.Action, 1, cancel);
                if (cancel) break;
                double overall = d->BytesTotal ? double(d->BytesDone) * 100.0 / double(d->BytesTotal) : 50.0;
                DoOnOverallProgress(overall, item.Action, 1, cancel);
                if (last) break;
            }
        } catch (...) {
            if (deflating) deflateEnd(&zs);
            throw;
        }
        if (deflating) deflateEnd(&zs);
        if (!cancel && readTotal != srcSize)
            Raise(34, {std::to_string(srcSize), std::to_string(readTotal)});
    }
    if (cancel) {
        out.Truncate(offset);
        out.Seek(offset);
        return false;
    }
    if (enc) {
        std::vector<uint8_t> trailer = enc->Trailer();
        if (out.Write(trailer.data(), trailer.size()) != trailer.size()) Raise(46);
        written += trailer.size();
    } else {
        item.Header.Crc32 = ~crc;
    }
    if (item.IsDirectory()) item.Header.Crc32 = 0;
    if (srcSize == 0 && StandardZip) {
        item.Header.Method = 0;
        item.CompressionMethod = 0;
    }
    if (written >= 0xFFFFFFFFull || sizeZip64) {
        if (Zip64Mode == zmDisabled) Raise(41, {item.SourceFileName});
        item.IsZip64 = true;
        item.Header.CompressedSize = 0xFFFFFFFFu;
        item.CompressedSize64 = written;
        item.Header.UncompressedSize = 0xFFFFFFFFu;
        item.UncompressedSize64 = srcSize;
    } else {
        item.Header.CompressedSize = uint32_t(written);
        item.Header.UncompressedSize = uint32_t(srcSize);
    }
    if (aes) item.Header.Method = 99;

    // Final local header, then the Zip64 sizes when the size field points there.
    const uint64_t end = out.Position();
    lh.Method = aes ? 99 : item.Header.Method;
    lh.Crc32 = item.Header.Crc32;
    lh.CompressedSize = item.Header.CompressedSize;
    head.clear();
    lh.Write(head);
    out.Seek(offset);
    if (out.Write(head.data(), head.size()) != head.size()) Raise(46);
    if (lh.UncompressedSize == 0xFFFFFFFFu) {
        std::vector<uint8_t> z;
        Put16(z, ExtraZip64);
        Put16(z, 16);
        Put64(z, srcSize);
        Put64(z, written);
        out.Seek(offset + 30 + name.size());
        if (out.Write(z.data(), z.size()) != z.size()) Raise(46);
    }
    out.Seek(end);
    ownedSource.reset();
    DoOnFileProgress(progressName, 100, item.Action, 2, cancel);
    return true;
}

// A short write of entry data: a disk-full handler may make room and have the
// block written again. Without one, or when it gives up, the write fails with
// error 46, which the failure question then puts to the user: a full disk is
// never passed over as a finished archive.
void TZFBaseArchiver::WriteWithDiskFullRetry(TZFStream& out, const uint8_t* p, size_t k)
{
    const uint64_t at = out.Position();
    while (out.Write(p, k) != k) {
        if (!OnDiskFull) Raise(46);
        bool cancel = true;
        try {
            OnDiskFull(-1, FileName, cancel);
        } catch (...) {
            cancel = true;
        }
        if (cancel) Raise(46);
        out.Seek(at);
    }
}

void TZFBaseArchiver::CopyEntry(int index)
{
    TZFDirArray& cur = d->Dir->Items;
    TDirItem* it = cur.ItemPtr(index);
    int b = d->Dir->Backup.IndexOf(it->FileName);
    if (b < 0) Raise(7);
    const TDirItem old = d->Dir->Backup.GetItem(b);
    if (!d->Tail) Raise(6);
    TZFStream& tail = *d->Tail;
    const uint64_t from = old.LocalHeaderOffset() - d->TailStart;
    uint8_t raw[30];
    tail.Seek(from);
    if (!tail.ReadExact(raw, 30)) Raise(35);
    TZFLocalHeader lh = TZFLocalHeader::Read(raw);
    std::vector<uint8_t> oldName(lh.NameLength), extra(lh.ExtraLength);
    if (!tail.ReadExact(oldName.data(), oldName.size()) || !tail.ReadExact(extra.data(), extra.size())) Raise(35);

    TZFStream& out = *d->Stream;
    const uint64_t offset = out.Position();
    if (offset <= 0xFFFFFFFEull && Zip64Mode != zmAlways) {
        it->Header.LocalHeaderOffset = uint32_t(offset);
    } else {
        if (Zip64Mode == zmDisabled) Raise(43, {it->FileName});
        it->IsZip64 = true;
        it->Header.LocalHeaderOffset = 0xFFFFFFFFu;
        it->LocalHeaderOffset64 = offset;
    }
    // An entry keeps the name bytes and flag of its local header unless it was
    // renamed; its central record then says the same.
    std::string name;
    if (it->FileName == old.FileName) {
        name.assign(oldName.begin(), oldName.end());
        it->HeaderName = name;
        it->Header.Flags = uint16_t((it->Header.Flags & ~FlagUtf8) | (lh.Flags & FlagUtf8));
    } else {
        name = EntryHeaderName(*it, Options.OEMFileNames);
        lh.Flags = uint16_t((lh.Flags & ~FlagUtf8) | (it->Header.Flags & FlagUtf8));
    }
    lh.NameLength = uint16_t(name.size());
    // An entry written by a streaming writer (flag bit 3) is followed by a data
    // descriptor that belongs to the entry and moves with it; without it readers
    // see the next entry overlapping this one.
    std::vector<uint8_t> descriptor;
    if (lh.Flags & 8) {
        const uint64_t dataStart = from + 30 + oldName.size() + extra.size();
        descriptor = ReadDataDescriptor(tail, dataStart + old.CompressedSize(), old, HasExtra(extra, ExtraZip64));
        if (descriptor.empty()) {
            // No descriptor where it belongs: the header itself carries the values.
            lh.Flags &= uint16_t(~8u);
            it->Header.Flags &= uint16_t(~8u);
            lh.Crc32 = old.Header.Crc32;
            lh.CompressedSize = old.Header.CompressedSize;
            lh.UncompressedSize = old.Header.UncompressedSize;
        }
        tail.Seek(dataStart);
    }
    std::vector<uint8_t> head;
    lh.Write(head);
    head.insert(head.end(), name.begin(), name.end());
    head.insert(head.end(), extra.begin(), extra.end());
    if (out.Write(head.data(), head.size()) != head.size()) Raise(46);
    uint64_t left = old.CompressedSize();
    std::vector<uint8_t> buf(0x100000);
    while (left > 0) {
        size_t k = size_t(std::min<uint64_t>(left, buf.size()));
        if (!tail.ReadExact(buf.data(), k)) Raise(35);
        if (out.Write(buf.data(), k) != k) Raise(46);
        left -= k;
    }
    if (!descriptor.empty() && out.Write(descriptor.data(), descriptor.size()) != descriptor.size()) Raise(46);
}

void TZFBaseArchiver::Rollback()
{
    TZFDirManager& dir = *d->Dir;
    dir.Items.Assign(dir.Backup);
    if (!d->Stream) return;
    TZFStream& out = *d->Stream;
    out.Truncate(d->StartPos);
    out.Seek(d->StartPos);
    if (!d->Tail) {
        dir.SaveDir(true);
    } else {
        d->Tail->Seek(0);
        std::vector<uint8_t> buf(0x100000);
        for (size_t k; (k = d->Tail->Read(buf.data(), buf.size())) > 0;)
            if (out.Write(buf.data(), k) != k) Raise(46);
        d->Tail.reset();
        std::remove(d->TailPath.c_str());
    }
}

// The changes are written to a copy of the archive beside it (or to the scratch
// file of a new one), which replaces the archive only when complete: a failure, a
// full disk or a killed program leave the archive as it was.
void TZFBaseArchiver::Commit()
{
    if (FUpdateCount < 1) return;
    auto* file = FInMemory ? nullptr : dynamic_cast<TZFFileStream*>(d->Stream.get());
    const bool created = file && file->Aside();
    if (file && !file->BeginAside(d->WriteProblem)) {
        FUpdateCount = 0;
        if (d->Dir) d->Dir->Items.Assign(d->Dir->Backup);
        Raise(46);
    }
    bool committed = false;
    try {
        CommitEntries(committed);
    } catch (...) {
        if (file && file->WriteError()) d->WriteProblem = SafeFile::Reason(file->WriteError());
        if (created) d->AsideSpoiled = true;
        else if (file) file->Discard();
        throw;
    }
    if (!file) return;
    if (!committed) {
        if (created) d->AsideSpoiled = true;
        else file->Discard();
        return;
    }
    if (!file->Publish(d->WriteProblem)) Raise(46);
}

void TZFBaseArchiver::CommitEntries(bool& committed)
{
    FUpdateCount = 0;
    if (!d->Dir || !d->Stream) return;
    TZFDirManager& dir = *d->Dir;
    TZFDirArray& cur = dir.Items;
    TZFDirArray& bak = dir.Backup;
    d->EntriesProcessed = d->EntriesToProcess = 0;
    d->Cancel = false;
    d->BytesTotal = d->BytesDone = 0;
    int firstOp = 2;
    for (int i = 0; i < cur.Count(); ++i) {
        const TDirItem* p = cur.ItemPtr(i);
        if (!p->Modified) continue;
        if (firstOp == 2) firstOp = p->Action;
        d->BytesTotal += p->UncompressedSize();
        ++d->EntriesToProcess;
    }
    int prefix = 0;
    const int shorter = std::min(cur.Count(), bak.Count());
    while (prefix < shorter && !cur.ItemPtr(prefix)->Modified &&
           ZipLowerCase(cur.ItemPtr(prefix)->FileName) == ZipLowerCase(bak.ItemPtr(prefix)->FileName))
        ++prefix;
    bool& cancel = d->Cancel;
    DoOnOverallProgress(0, firstOp, 0, cancel);
    if (cancel) return;

    TZFStream& out = *d->Stream;
    d->Tail.reset();
    if (prefix < bak.Count()) {
        d->TailStart = bak.ItemPtr(prefix)->LocalHeaderOffset();
        d->TailPath = MakeTempFileName(TempDir);
        d->Tail.reset(TZFFileStream::Open(d->TailPath, 65535));
        if (!d->Tail) Raise(19, {d->TailPath});
        out.Seek(d->TailStart);
        std::vector<uint8_t> buf(0x100000);
        for (size_t k; (k = out.Read(buf.data(), buf.size())) > 0;)
            if (d->Tail->Write(buf.data(), k) != k) Raise(46);
        d->StartPos = d->TailStart;
    } else if (bak.Count() == 0) {
        d->StartPos = dir.FirstLocalHeaderPos;
    } else {
        d->StartPos = dir.CentralDirStart;
    }
    out.Truncate(d->StartPos);
    out.Seek(d->StartPos);
    d->VolumeNumber.SetFirst();

    int action = 1;
    std::exception_ptr abortReason;
    try {
        for (int i = prefix; i < cur.Count() && !cancel;) {
            TDirItem* it = cur.ItemPtr(i);
            bool stored = false;
            const uint64_t entryStart = out.Position();
            for (;;) {
                action = 1;
                if (!it->Modified || it->Action == 6 || it->Action == 7 || it->Action == 8) {
                    CopyEntry(i);
                    stored = true;
                    break;
                }
                try {
                    stored = WriteNewEntry(*it, cancel);
                    break;
                } catch (const EZFException& e) {
                    out.Truncate(entryStart);
                    out.Seek(entryStart);
                    const std::string who = it->Action == 3 ? it->FileName : it->SourceFileName;
                    DoOnProcessFileFailure(who, it->Action, e.NativeError, e.ErrorCode, e.what(), action);
                    if (action == 0) continue;
                    if (action == 2) abortReason = std::current_exception();
                    stored = false;
                    break;
                }
            }
            if (action == 2 || cancel) break;
            if (!stored) {
                if (it->Action == 0 || it->Action == 1) {
                    d->LeftOut.push_back(it->SourceFileName.empty() ? it->FileName : it->SourceFileName);
                    cur.DeleteItem(i);          // a new entry that could not be written
                } else {
                    int b = bak.IndexOf(it->FileName);
                    if (b < 0) Raise(7);
                    cur.SetItem(i, bak.GetItem(b));
                    cur.ItemPtr(i)->Modified = false;
                    CopyEntry(i);
                    ++i;
                }
                continue;
            }
            ++d->EntriesProcessed;
            ++i;
        }
        if (!cancel && action != 2) {
            dir.SaveDir(true);
            if (d->Tail) {
                d->Tail.reset();
                std::remove(d->TailPath.c_str());
            }
            for (int i = 0; i < cur.Count(); ++i) {
                const TDirItem* p = cur.ItemPtr(i);
                if (!p->Modified || p->Action != 1 || p->SourceFileName.empty()) continue;
                if (std::remove(p->SourceFileName.c_str()) != 0 && ::access(p->SourceFileName.c_str(), F_OK) == 0) {
                    ::chmod(p->SourceFileName.c_str(), 0644);
                    if (std::remove(p->SourceFileName.c_str()) != 0) Raise(27, {p->SourceFileName});
                }
            }
            DoOnOverallProgress(100, firstOp, 2, cancel);
            if (Options.FlushBuffers) out.Flush();
            committed = true;
            return;
        }
    } catch (...) {
        Rollback();
        throw;
    }
    Rollback();
    if (abortReason) std::rethrow_exception(abortReason);
}

// ---------------------------------------------------------------- TZipForge

TZipForge::TZipForge()
{
    StandardZip = true;
    Zip64Mode = zmDisabled;
    ApplyCompressionMode();
    // Passwords and volumes work from the start, as on the original component.
    ZipCrypt::InstallEntryEncryption(*this);
    ZipSpan::InstallVolumeWriter(*this);
}

TZipForge::~TZipForge()
{
    // Close here, while this class's overrides still apply to a pending commit.
    try { CloseArchive(); } catch (...) {}
}

void TZipForge::SetPassword(const std::string& p)
{
    if (FPassword.empty()) EncryptionMethod = caPkzipClassic;
    FPassword = p;
}

void TZipForge::ApplyCompressionMode()
{
    FMethod = CompressionMode() != 0 ? 8 : 0;
}
