#include "archive/ZipRecords.h"
#include "model/TextCodec.h"

#include <cerrno>

#include <ctime>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ZipRecords {

const uint32_t* CrcTable()
{
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table.data();
}

uint32_t Crc32Update(uint32_t crc, const void* buf, size_t len)
{
    const uint32_t* t = CrcTable();
    auto p = static_cast<const uint8_t*>(buf);
    for (size_t i = 0; i < len; ++i) crc = t[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

bool IsValidUtf8(const std::string& bytes)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const uint8_t c = p[i];
        size_t len;
        uint32_t cp;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
        else return false;
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static const uint32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

bool NameNeedsUtf8Flag(const std::string& name, const std::string& headerBytes)
{
    const bool ascii = std::all_of(headerBytes.begin(), headerBytes.end(), [](char c) { return uint8_t(c) < 0x80; });
    return !ascii && headerBytes == name && IsValidUtf8(headerBytes);
}

void Put16(std::vector<uint8_t>& b, uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, uint16_t(v)); Put16(b, uint16_t(v >> 16)); }
void Put64(std::vector<uint8_t>& b, uint64_t v) { Put32(b, uint32_t(v)); Put32(b, uint32_t(v >> 32)); }
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return uint32_t(Get16(p)) | (uint32_t(Get16(p + 2)) << 16); }
uint64_t Get64(const uint8_t* p) { return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32); }

uint32_t UnixToDosDateTime(int64_t unixTime)
{
    std::time_t t = std::time_t(unixTime);
    std::tm tm {};
    localtime_r(&t, &tm);
    int year = tm.tm_year + 1900;
    if (year < 1980) { year = 1980; tm.tm_mon = 0; tm.tm_mday = 1; tm.tm_hour = tm.tm_min = tm.tm_sec = 0; }
    if (year > 2107) year = 2107;
    uint32_t time = uint32_t((tm.tm_sec / 2) | (tm.tm_min << 5) | (tm.tm_hour << 11));
    uint32_t date = uint32_t(tm.tm_mday | ((tm.tm_mon + 1) << 5) | ((year - 1980) << 9));
    return time | (date << 16);
}

void TZFCentralHeader::Write(std::vector<uint8_t>& b) const
{
    Put32(b, Signature); Put16(b, VersionMadeBy); Put16(b, VersionNeeded); Put16(b, Flags); Put16(b, Method);
    Put16(b, Time); Put16(b, Date); Put32(b, Crc32); Put32(b, CompressedSize); Put32(b, UncompressedSize);
    Put16(b, NameLength); Put16(b, ExtraLength); Put16(b, CommentLength); Put16(b, DiskNumberStart);
    Put16(b, InternalAttr); Put32(b, ExternalAttr); Put32(b, LocalHeaderOffset);
}

TZFCentralHeader TZFCentralHeader::Read(const uint8_t* p)
{
    TZFCentralHeader h;
    h.Signature = Get32(p); h.VersionMadeBy = Get16(p + 4); h.VersionNeeded = Get16(p + 6); h.Flags = Get16(p + 8);
    h.Method = Get16(p + 10); h.Time = Get16(p + 12); h.Date = Get16(p + 14); h.Crc32 = Get32(p + 16);
    h.CompressedSize = Get32(p + 20); h.UncompressedSize = Get32(p + 24); h.NameLength = Get16(p + 28);
    h.ExtraLength = Get16(p + 30); h.CommentLength = Get16(p + 32); h.DiskNumberStart = Get16(p + 34);
    h.InternalAttr = Get16(p + 36); h.ExternalAttr = Get32(p + 38); h.LocalHeaderOffset = Get32(p + 42);
    return h;
}

void TZFLocalHeader::Write(std::vector<uint8_t>& b) const
{
    Put32(b, Signature); Put16(b, VersionNeeded); Put16(b, Flags); Put16(b, Method); Put16(b, Time); Put16(b, Date);
    Put32(b, Crc32); Put32(b, CompressedSize); Put32(b, UncompressedSize); Put16(b, NameLength); Put16(b, ExtraLength);
}

TZFLocalHeader TZFLocalHeader::Read(const uint8_t* p)
{
    TZFLocalHeader h;
    h.Signature = Get32(p); h.VersionNeeded = Get16(p + 4); h.Flags = Get16(p + 6); h.Method = Get16(p + 8);
    h.Time = Get16(p + 10); h.Date = Get16(p + 12); h.Crc32 = Get32(p + 14); h.CompressedSize = Get32(p + 18);
    h.UncompressedSize = Get32(p + 22); h.NameLength = Get16(p + 26); h.ExtraLength = Get16(p + 28);
    return h;
}

void TZFEndRecord::Write(std::vector<uint8_t>& b) const
{
    Put32(b, Signature); Put16(b, ThisDisk); Put16(b, DirDisk); Put16(b, EntriesThisDisk); Put16(b, TotalEntries);
    Put32(b, DirSize); Put32(b, DirOffset); Put16(b, CommentLength);
}

TZFEndRecord TZFEndRecord::Read(const uint8_t* p)
{
    TZFEndRecord r;
    r.Signature = Get32(p); r.ThisDisk = Get16(p + 4); r.DirDisk = Get16(p + 6); r.EntriesThisDisk = Get16(p + 8);
    r.TotalEntries = Get16(p + 10); r.DirSize = Get32(p + 12); r.DirOffset = Get32(p + 16); r.CommentLength = Get16(p + 20);
    return r;
}

void TZFZip64EndRecord::Write(std::vector<uint8_t>& b) const
{
    Put32(b, Signature); Put64(b, RecordSize); Put16(b, VersionMadeBy); Put16(b, VersionNeeded); Put32(b, ThisDisk);
    Put32(b, DirDisk); Put64(b, EntriesThisDisk); Put64(b, TotalEntries); Put64(b, DirSize); Put64(b, DirOffset);
}

TZFZip64EndRecord TZFZip64EndRecord::Read(const uint8_t* p)
{
    TZFZip64EndRecord r;
    r.Signature = Get32(p); r.RecordSize = Get64(p + 4); r.VersionMadeBy = Get16(p + 12); r.VersionNeeded = Get16(p + 14);
    r.ThisDisk = Get32(p + 16); r.DirDisk = Get32(p + 20); r.EntriesThisDisk = Get64(p + 24); r.TotalEntries = Get64(p + 32);
    r.DirSize = Get64(p + 40); r.DirOffset = Get64(p + 48);
    return r;
}

void TZFZip64Locator::Write(std::vector<uint8_t>& b) const
{
    Put32(b, Signature); Put32(b, Zip64EndDisk); Put64(b, Zip64EndOffset); Put32(b, TotalDisks);
}

TZFZip64Locator TZFZip64Locator::Read(const uint8_t* p)
{
    TZFZip64Locator l;
    l.Signature = Get32(p); l.Zip64EndDisk = Get32(p + 4); l.Zip64EndOffset = Get64(p + 8); l.TotalDisks = Get32(p + 16);
    return l;
}

static std::u16string Utf8ToUtf16(const std::string& s)
{
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t c = uint8_t(s[i]);
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        if (extra) c &= (0x3F >> extra);
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i) c = (c << 6) | (uint8_t(s[i]) & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
    }
    return out;
}

static void AppendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) out += char(c);
    else if (c < 0x800) { out += char(0xC0 | (c >> 6)); out += char(0x80 | (c & 0x3F)); }
    else if (c < 0x10000) { out += char(0xE0 | (c >> 12)); out += char(0x80 | ((c >> 6) & 0x3F)); out += char(0x80 | (c & 0x3F)); }
    else { out += char(0xF0 | (c >> 18)); out += char(0x80 | ((c >> 12) & 0x3F)); out += char(0x80 | ((c >> 6) & 0x3F)); out += char(0x80 | (c & 0x3F)); }
}

std::vector<uint8_t> UnicodeNameField(const std::string& utf8Name)
{
    // A name that is no UTF-8 holds Windows-1252 bytes (the header carries them as
    // they are): its characters, not its bytes read as UTF-8, make the field.
    std::u16string w = IsValidUtf8(utf8Name) ? Utf8ToUtf16(utf8Name)
                                             : TextCodec::DecodeCp1252(utf8Name).toStdU16String();
    std::vector<uint8_t> b;
    Put16(b, ExtraUnicode);
    Put16(b, uint16_t(2 * w.size() + 8));
    b.insert(b.end(), {'N', 'U', 'C', 'X'});
    Put32(b, uint32_t(w.size()));
    for (char16_t c : w) Put16(b, uint16_t(c));
    return b;
}

bool ReadUnicodeName(const uint8_t* data, size_t size, std::string& utf8Name)
{
    if (size < 8 || data[0] != 'N' || data[1] != 'U' || data[2] != 'C' || data[3] != 'X') return false;
    uint64_t n = Get32(data + 4);
    if (8 + 2 * n > size) return false;
    std::string out;
    for (uint64_t i = 0; i < n; ++i) {
        uint32_t c = Get16(data + 8 + 2 * i);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
            uint32_t lo = Get16(data + 8 + 2 * (i + 1));
            if (lo >= 0xDC00 && lo < 0xE000) { c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00); ++i; }
        }
        AppendUtf8(out, c);
    }
    utf8Name = out;
    return true;
}

TZFFileStream* TZFFileStream::Open(const std::string& path, uint16_t mode)
{
    int flags = mode == 65535 ? (O_RDWR | O_CREAT | O_TRUNC) : (mode & 3) == 0 ? O_RDONLY : O_RDWR;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    auto* s = new TZFFileStream(fd);
    if (flags & O_RDWR) s->Path = path;
    return s;
}

TZFFileStream* TZFFileStream::Create(const std::string& path, std::string& why)
{
    SafeFile::TTarget target;
    why = SafeFile::Prepare(path, target);
    if (!why.empty())
        return nullptr;
    auto scratch = std::make_unique<SafeFile::TScratch>(target);
    if (!scratch->Ok()) {
        why = scratch->Why();
        return nullptr;
    }
    auto* s = new TZFFileStream(scratch->Fd());
    s->Path = path;
    s->Scratch = std::move(scratch);
    return s;
}

TZFFileStream::~TZFFileStream()
{
    // An unpublished scratch file goes with its own descriptor.
    if (Scratch) {
        Scratch.reset();
        if (OriginalFd >= 0) ::close(OriginalFd);
    } else if (Fd >= 0) {
        ::close(Fd);
    }
}

std::string TZFFileStream::ScratchName() const { return Scratch ? Scratch->Name() : std::string(); }

bool TZFFileStream::BeginAside(std::string& why)
{
    if (Scratch) return true;
    if (Path.empty()) {
        why = SafeFile::Reason(EBADF);
        return false;
    }
    SafeFile::TTarget target;
    why = SafeFile::Prepare(Path, target);
    if (!why.empty()) return false;
    auto scratch = std::make_unique<SafeFile::TScratch>(target);
    std::vector<uint8_t> buf(0x100000);
    for (uint64_t at = 0; scratch->Ok();) {
        const ssize_t k = ::pread(Fd, buf.data(), buf.size(), off_t(at));
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) {
            why = SafeFile::Reason(errno);
            return false;
        }
        if (k == 0) break;
        if (!scratch->Write(buf.data(), size_t(k))) break;
        at += uint64_t(k);
    }
    if (!scratch->Ok()) {
        why = scratch->Why();
        return false;
    }
    OriginalFd = Fd;
    Fd = scratch->Fd();
    Scratch = std::move(scratch);
    return true;
}

bool TZFFileStream::Publish(std::string& why)
{
    if (!Scratch) return true;
    if (!Scratch->Publish()) {
        why = Scratch->Why();
        Discard();
        return false;
    }
    Scratch.reset();
    if (OriginalFd >= 0) ::close(OriginalFd);
    OriginalFd = -1;
    // The stream goes on over the archive as now published (through a link, the file it names).
    SafeFile::TTarget target;
    SafeFile::Prepare(Path, target);
    Fd = ::open(target.real.c_str(), O_RDWR | O_CLOEXEC);
    if (Fd < 0) {
        why = SafeFile::Reason(errno);
        return false;
    }
    return true;
}

void TZFFileStream::Discard()
{
    if (!Scratch) return;
    Scratch.reset();
    Fd = OriginalFd;
    OriginalFd = -1;
    if (Pos > Size()) Pos = Size();
}

size_t TZFFileStream::Read(void* buf, size_t n)
{
    size_t done = 0;
    while (done < n) {
        ssize_t k = ::pread(Fd, static_cast<uint8_t*>(buf) + done, n - done, off_t(Pos));
        if (k <= 0) break;
        done += size_t(k);
        Pos += uint64_t(k);
    }
    return done;
}

size_t TZFFileStream::Write(const void* buf, size_t n)
{
    size_t done = 0;
    while (done < n) {
        ssize_t k = ::pwrite(Fd, static_cast<const uint8_t*>(buf) + done, n - done, off_t(Pos));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            LastError = k < 0 ? errno : ENOSPC;
            break;
        }
        done += size_t(k);
        Pos += uint64_t(k);
    }
    return done;
}

void TZFFileStream::Seek(uint64_t pos) { Pos = pos; }
uint64_t TZFFileStream::Position() const { return Pos; }
uint64_t TZFFileStream::Size() const
{
    struct stat st {};
    return ::fstat(Fd, &st) == 0 ? uint64_t(st.st_size) : 0;
}
bool TZFFileStream::Truncate(uint64_t size)
{
    bool ok = ::ftruncate(Fd, off_t(size)) == 0;
    if (Pos > size) Pos = size;
    return ok;
}
void TZFFileStream::Flush() { ::fsync(Fd); }

size_t TZFMemoryStream::Read(void* buf, size_t n)
{
    if (Pos >= Data.size()) return 0;
    size_t k = std::min<size_t>(n, Data.size() - size_t(Pos));
    std::copy(Data.begin() + long(Pos), Data.begin() + long(Pos + k), static_cast<uint8_t*>(buf));
    Pos += k;
    return k;
}

size_t TZFMemoryStream::Write(const void* buf, size_t n)
{
    if (Pos + n > Data.size()) Data.resize(size_t(Pos + n));
    std::copy(static_cast<const uint8_t*>(buf), static_cast<const uint8_t*>(buf) + n, Data.begin() + long(Pos));
    Pos += n;
    return n;
}

} // namespace ZipRecords
