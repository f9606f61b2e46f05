#pragma once
// Zip records: little-endian layouts of the local and central headers, the end records,
// the CRC-32 table, DOS date-times and the seekable byte streams the archiver writes to.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "model/SafeFile.h"

namespace ZipRecords {

constexpr uint32_t SigLocal = 0x04034B50, SigCentral = 0x02014B50, SigEnd = 0x06054B50;
constexpr uint32_t SigLocalAlt = 0x05045C61, SigCentralAlt = 0x03025C61, SigEndAlt = 0x06054141;
constexpr uint32_t SigDescriptor = 0x08074B50, SigZip64End = 0x06064B50, SigZip64Locator = 0x07064B50;
constexpr uint16_t VersionOem = 20, VersionAnsi = 0x0B14, VersionZip64 = 45, VersionAlt = 0x4114;
constexpr uint16_t ExtraZip64 = 0x0001, ExtraUnicode = 0x554E, ExtraAES = 0x9901;

// General-purpose flag bit 11: the name and comment are UTF-8.
constexpr uint16_t FlagUtf8 = 0x0800;
// True when header name bytes are the UTF-8 form of a name outside plain ASCII:
// readers then need flag bit 11 to decode them. Plain ASCII names never get it.
bool NameNeedsUtf8Flag(const std::string& name, const std::string& headerBytes);
bool IsValidUtf8(const std::string& bytes);

// Running CRC-32: start from 0xFFFFFFFF, complement at the end.
const uint32_t* CrcTable();
uint32_t Crc32Update(uint32_t crc, const void* buf, size_t len);

void Put16(std::vector<uint8_t>& b, uint16_t v);
void Put32(std::vector<uint8_t>& b, uint32_t v);
void Put64(std::vector<uint8_t>& b, uint64_t v);
uint16_t Get16(const uint8_t* p);
uint32_t Get32(const uint8_t* p);
uint64_t Get64(const uint8_t* p);

// DOS date-time (time in the low word, date in the high word), local time.
uint32_t UnixToDosDateTime(int64_t unixTime);

struct TZFCentralHeader {            // 46 bytes on disk
    uint32_t Signature = SigCentral;
    uint16_t VersionMadeBy = 0, VersionNeeded = 0, Flags = 0, Method = 0, Time = 0, Date = 0;
    uint32_t Crc32 = 0, CompressedSize = 0, UncompressedSize = 0;
    uint16_t NameLength = 0, ExtraLength = 0, CommentLength = 0, DiskNumberStart = 0, InternalAttr = 0;
    uint32_t ExternalAttr = 0, LocalHeaderOffset = 0;
    void Write(std::vector<uint8_t>& b) const;
    static TZFCentralHeader Read(const uint8_t* p);   // 46 bytes
};

struct TZFLocalHeader {              // 30 bytes on disk
    uint32_t Signature = SigLocal;
    uint16_t VersionNeeded = 0, Flags = 0, Method = 0, Time = 0, Date = 0;
    uint32_t Crc32 = 0, CompressedSize = 0, UncompressedSize = 0;
    uint16_t NameLength = 0, ExtraLength = 0;
    void Write(std::vector<uint8_t>& b) const;
    static TZFLocalHeader Read(const uint8_t* p);     // 30 bytes
};

struct TZFEndRecord {                // 22 bytes on disk
    uint32_t Signature = SigEnd;
    uint16_t ThisDisk = 0, DirDisk = 0, EntriesThisDisk = 0, TotalEntries = 0;
    uint32_t DirSize = 0, DirOffset = 0;
    uint16_t CommentLength = 0;
    void Write(std::vector<uint8_t>& b) const;
    static TZFEndRecord Read(const uint8_t* p);
};

struct TZFZip64EndRecord {           // 56 bytes on disk
    uint32_t Signature = SigZip64End;
    uint64_t RecordSize = 44;
    uint16_t VersionMadeBy = 45, VersionNeeded = 45;
    uint32_t ThisDisk = 0, DirDisk = 0;
    uint64_t EntriesThisDisk = 0, TotalEntries = 0, DirSize = 0, DirOffset = 0;
    void Write(std::vector<uint8_t>& b) const;
    static TZFZip64EndRecord Read(const uint8_t* p);
};

struct TZFZip64Locator {             // 20 bytes on disk
    uint32_t Signature = SigZip64Locator;
    uint32_t Zip64EndDisk = 0;
    uint64_t Zip64EndOffset = 0;
    uint32_t TotalDisks = 1;
    void Write(std::vector<uint8_t>& b) const;
    static TZFZip64Locator Read(const uint8_t* p);
};

// The Unicode-name extra field (id 0x554E, "NUCX", count, UTF-16LE name) for a UTF-8 name.
std::vector<uint8_t> UnicodeNameField(const std::string& utf8Name);
// Data part of such a field (after id and size) -> UTF-8 name; false when not "NUCX".
bool ReadUnicodeName(const uint8_t* data, size_t size, std::string& utf8Name);

// A seekable byte stream (file or memory).
class TZFStream {
public:
    virtual ~TZFStream() = default;
    virtual size_t Read(void* buf, size_t n) = 0;
    virtual size_t Write(const void* buf, size_t n) = 0;
    virtual void Seek(uint64_t pos) = 0;
    virtual uint64_t Position() const = 0;
    virtual uint64_t Size() const = 0;
    virtual bool Truncate(uint64_t size) = 0;       // cut (or extend) to size; position kept <= size
    virtual void Flush() {}
    bool ReadExact(void* buf, size_t n) { return Read(buf, n) == n; }
};

class TZFFileStream : public TZFStream {
public:
    // mode: 65535 create/truncate for read-write, 64 read-only, anything with bits 0..1 = 2 read-write
    static TZFFileStream* Open(const std::string& path, uint16_t mode);
    // A new archive under `path`, built in a scratch file beside it: `path` keeps its
    // earlier contents until Publish. Null with the reason (Spanish) in why.
    static TZFFileStream* Create(const std::string& path, std::string& why);
    ~TZFFileStream() override;
    // Changes to an existing archive go to a copy beside it, so that the archive is
    // never seen half rewritten: BeginAside makes the copy (nothing when the stream
    // writes aside already), Publish renames it over the archive once complete,
    // Discard drops it and goes back to the archive as it was.
    bool BeginAside(std::string& why);
    bool Aside() const { return Scratch != nullptr; }
    // The scratch file written aside ("" when none).
    std::string ScratchName() const;
    bool Publish(std::string& why);
    void Discard();
    // errno of the last failed write (0 when none).
    int WriteError() const { return LastError; }
    size_t Read(void* buf, size_t n) override;
    size_t Write(const void* buf, size_t n) override;
    void Seek(uint64_t pos) override;
    uint64_t Position() const override;
    uint64_t Size() const override;
    bool Truncate(uint64_t size) override;
    void Flush() override;
private:
    explicit TZFFileStream(int fd) : Fd(fd) {}
    int Fd;
    uint64_t Pos = 0;
    std::string Path;                         // of a stream that may write aside
    int OriginalFd = -1;
    int LastError = 0;                      // the archive while writing aside
    std::unique_ptr<SafeFile::TScratch> Scratch;
};

class TZFMemoryStream : public TZFStream {
public:
    std::vector<uint8_t> Data;
    size_t Read(void* buf, size_t n) override;
    size_t Write(const void* buf, size_t n) override;
    void Seek(uint64_t pos) override { Pos = pos; }
    uint64_t Position() const override { return Pos; }
    uint64_t Size() const override { return Data.size(); }
    bool Truncate(uint64_t size) override { Data.resize(size); if (Pos > size) Pos = size; return true; }
private:
    uint64_t Pos = 0;
};

} // namespace ZipRecords
