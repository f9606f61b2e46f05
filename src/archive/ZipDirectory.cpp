#include "archive/ZipDirectory.h"

#include "archive/ZipForge.h"

#include <QDir>
#include <QString>

#include <algorithm>
#include <cstring>
#include <filesystem>

using namespace ZipRecords;

std::string ZipLowerCase(const std::string& s)
{
    bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return uint8_t(c) < 0x80; });
    if (ascii) {
        std::string r = s;
        for (char& c : r) if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return r;
    }
    return QString::fromUtf8(s.data(), qsizetype(s.size())).toLower().toStdString();
}

// ---- TZFDirArray ----

TDirItem TZFDirArray::GetItem(int i) const
{
    if (i < 0 || i >= Count()) throw EZFException(2);
    return Items[size_t(i)];
}

TDirItem* TZFDirArray::ItemPtr(int i)
{
    if (i < 0 || i >= Count()) throw EZFException(3);
    return &Items[size_t(i)];
}

const TDirItem* TZFDirArray::ItemPtr(int i) const
{
    if (i < 0 || i >= Count()) throw EZFException(3);
    return &Items[size_t(i)];
}

void TZFDirArray::SetItem(int i, const TDirItem& item)
{
    if (i < 0 || i >= Count()) throw EZFException(1);
    Items[size_t(i)] = item;
    Names[size_t(i)] = ZipLowerCase(item.FileName);
    HashValid = false;
}

void TZFDirArray::DeleteItem(int i)
{
    if (i < 0 || i >= Count()) throw EZFException(4);
    Items.erase(Items.begin() + i);
    Names.erase(Names.begin() + i);
    HashValid = false;
}

void TZFDirArray::SetCount(int n)
{
    if (n < 0) n = 0;
    Items.resize(size_t(n));
    Names.resize(size_t(n));
    HashValid = false;
}

int TZFDirArray::Add(const TDirItem& item)
{
    Items.push_back(item);
    Names.push_back(ZipLowerCase(item.FileName));
    if (HashValid) Hash.emplace(Names.back(), Count() - 1);
    return Count() - 1;
}

void TZFDirArray::Clear()
{
    Items.clear();
    Names.clear();
    Hash.clear();
    HashValid = false;
}

void TZFDirArray::Assign(const TZFDirArray& other)
{
    Items = other.Items;
    Names = other.Names;
    HashValid = false;
}

int TZFDirArray::IndexOf(const std::string& name) const
{
    if (!HashValid) {
        Hash.clear();
        // First index wins, as a chain walk from the oldest insertion would find.
        for (int i = Count() - 1; i >= 0; --i) Hash[Names[size_t(i)]] = i;
        HashValid = true;
    }
    auto it = Hash.find(ZipLowerCase(name));
    return it == Hash.end() ? -1 : it->second;
}

void TZFDirArray::RenameItem(int i, const std::string& newName)
{
    // The name list is kept in step with the items by construction, so the "held at
    // another index" state (error 59) cannot arise here.
    TDirItem* p = ItemPtr(i);
    p->FileName = newName;
    // Adding a file renames its fresh item to the name it was added under: the
    // index stays valid, and rebuilding it for every file of a big folder would
    // make adding files quadratic.
    std::string lower = ZipLowerCase(newName);
    if (lower == Names[size_t(i)]) return;
    Names[size_t(i)] = std::move(lower);
    HashValid = false;
}

// ---- TZFDirManager ----

TZFDirManager::TZFDirManager(TZFStream* stream, TZFBaseArchiver* archiver, bool createNew)
    : Stream(stream), Archiver(archiver), CreateNew(createNew)
{
    Reset();
    if (createNew && Archiver && !Archiver->SFXStub.empty()) CopySFXStub();
}

void TZFDirManager::CopySFXStub()
{
    const std::string& stubName = Archiver->SFXStub;
    // A stub that cannot be read is reported: an archive made without the stub
    // the caller asked for would be silently wrong.
    std::unique_ptr<TZFFileStream> stub(TZFFileStream::Open(stubName, 64));
    if (!stub) throw EZFException(11, Archiver->Name, {stubName});
    const uint64_t size = stub->Size();
    const int64_t firstVolume = Archiver->SpanningOptions.GetVolumeSize(0);
    if (Archiver->SpanningMode() != smNone && firstVolume > 0 && int64_t(size) > firstVolume)
        throw EZFException(47, Archiver->Name);
    Stream->Truncate(0);
    Stream->Seek(0);
    std::vector<uint8_t> buf(0x100000);
    for (size_t k; (k = stub->Read(buf.data(), buf.size())) > 0;)
        if (Stream->Write(buf.data(), k) != k) throw EZFException(46, Archiver->Name);
    FirstLocalHeaderPos = size;
}

void TZFDirManager::Reset()
{
    Items.Clear();
    EndRecord = TZFEndRecord();
    EndRecord.Signature = (Archiver && !Archiver->StandardZip) ? SigEndAlt : SigEnd;
    Zip64Present = false;
}

int64_t TZFDirManager::FindEndRecord(uint32_t signature)
{
    uint64_t size = Stream->Size();
    uint64_t n = std::min<uint64_t>(size, 65600);
    if (n < 22) return -1;
    std::vector<uint8_t> buf{};
    buf.resize(size_t(n));
    Stream->Seek(size - n);
    if (!Stream->ReadExact(buf.data(), buf.size())) return -1;
    for (int64_t i = int64_t(n) - 22; i >= 0; --i) {
        if (Get32(&buf[size_t(i)]) != signature) continue;
        uint16_t commentLen = Get16(&buf[size_t(i) + 20]);
        if (uint64_t(i) + 22 + commentLen != n) continue;
        EndRecord = TZFEndRecord::Read(&buf[size_t(i)]);
        ArchiveComment.assign(reinterpret_cast<const char*>(&buf[size_t(i) + 22]), commentLen);
        return int64_t(size - n) + i;
    }
    return -1;
}

bool TZFDirManager::ReadExtraFields(TDirItem& item, int index, const std::vector<uint8_t>& area, TZFDirArray& arr)
{
    // Each field the header sets to 0xFFFFFFFF / 0xFFFF must be found in the Zip64 field.
    int deferred = (item.Header.UncompressedSize == 0xFFFFFFFFu) + (item.Header.CompressedSize == 0xFFFFFFFFu) +
                   (item.Header.LocalHeaderOffset == 0xFFFFFFFFu) + (item.Header.DiskNumberStart == 0xFFFF);
    size_t p = 0;
    while (p + 4 <= area.size()) {
        TZFExtraField f;
        f.Id = Get16(&area[p]);
        size_t sz = std::min<size_t>(Get16(&area[p + 2]), area.size() - p - 4);
        f.Data.assign(area.begin() + long(p + 4), area.begin() + long(p + 4 + sz));
        p += 4 + sz;
        const uint8_t* d = f.Data.data();
        size_t q = 0;
        if (f.Id == ExtraZip64) {
            int found = 0;
            auto take64 = [&](uint64_t& v) { if (q + 8 <= sz) { v = Get64(d + q); q += 8; ++found; } };
            if (item.Header.UncompressedSize == 0xFFFFFFFFu) take64(item.UncompressedSize64);
            if (item.Header.CompressedSize == 0xFFFFFFFFu) take64(item.CompressedSize64);
            if (item.Header.LocalHeaderOffset == 0xFFFFFFFFu) take64(item.LocalHeaderOffset64);
            if (item.Header.DiskNumberStart == 0xFFFF && q + 4 <= sz) { item.DiskNumberStart32 = Get32(d + q); ++found; }
            if (!item.IsZip64) deferred -= found;   // a second Zip64 field adds nothing
            item.IsZip64 = true;
        } else if (f.Id == ExtraUnicode) {
            std::string name;
            if (ReadUnicodeName(d, sz, name)) {
                item.FileName = name;
                if (index >= 0) arr.RenameItem(index, name);
            }
        } else if (f.Id == ExtraAES && item.Header.VersionNeeded < VersionAlt && sz >= 7) {
            if (d[4] >= 1 && d[4] <= 3) item.EncryptionAlgorithm = d[4];
            item.CompressionMethod = Get16(d + 5);
        }
        item.ExtraFields.push_back(std::move(f));
    }
    return deferred <= 0;
}

void TZFDirManager::LoadDir()
{
    Reset();
    const bool standard = !Archiver || Archiver->StandardZip;
    int64_t endPos = -1;
    if (!standard) endPos = FindEndRecord(SigEndAlt);
    if (endPos < 0) endPos = FindEndRecord(SigEnd);
    EndRecordFound = endPos >= 0;
    if (endPos < 0) {
        if (MultiVolume) throw EZFException(44, Archiver ? Archiver->Name : std::string());
        RebuildFromLocalHeaders();
        return;
    }

    uint64_t dirStart = uint64_t(endPos) - EndRecord.DirSize;
    uint64_t total = EndRecord.TotalEntries;
    if (endPos >= 20) {
        uint8_t loc[20];
        Stream->Seek(uint64_t(endPos) - 20);
        if (Stream->ReadExact(loc, 20) && Get32(loc) == SigZip64Locator) {
            Zip64Locator = TZFZip64Locator::Read(loc);
            ReadZip64EndRecord();
            Zip64Present = true;
            total = Zip64EndRecord.TotalEntries;
            dirStart = uint64_t(endPos) - 20 - 56 - Zip64EndRecord.DirSize;
        } else if (EndRecord.TotalEntries == 0xFFFF && !MultiVolume) {
            RebuildFromLocalHeaders();
            return;
        }
    }
    if (MultiVolume) {
        // The directory starts at its recorded offset on its own volume and may
        // run on over the following ones.
        const uint32_t dirDisk = EndRecord.DirDisk == 0xFFFF && Zip64Present ? Zip64EndRecord.DirDisk : EndRecord.DirDisk;
        dirStart = EndRecord.DirOffset == 0xFFFFFFFFu && Zip64Present ? Zip64EndRecord.DirOffset : EndRecord.DirOffset;
        // A directory said to start on a disk after the last is no directory: asking
        // for that disk would only make the user hunt for a volume that never existed.
        if (dirDisk > LastDisk) throw EZFException(35);
        GoToVolume(dirDisk);
    } else if (dirStart > uint64_t(endPos)) {
        RebuildFromLocalHeaders();
        return;
    }
    try {
        const bool oem = Archiver ? Archiver->Options.OEMFileNames : true;
        Stream->Seek(dirStart);
        CentralDirStart = dirStart;
        for (uint64_t k = 0; k < total; ++k) {
            uint8_t h[46];
            if (!ReadAcross(h, 46)) throw EZFException(35);
            TDirItem item;
            item.Header = TZFCentralHeader::Read(h);
            if (item.Header.Signature != SigCentral && item.Header.Signature != SigCentralAlt) throw EZFException(35);
            item.CompressionMethod = item.Header.Method;
            std::string raw(item.Header.NameLength, '\0');
            if (!ReadAcross(raw.data(), raw.size())) throw EZFException(35);
            item.FileName = ZipNameFromHeader(raw, oem);
            item.HeaderName = raw;
            int idx = Items.Add(item);
            std::vector<uint8_t> extra(item.Header.ExtraLength);
            if (!ReadAcross(extra.data(), extra.size())) throw EZFException(35);
            TDirItem* p = Items.ItemPtr(idx);
            // A size or offset left to a Zip64 field that is not there would be taken
            // as 0: an update would then copy the entry's data wrongly.
            if (!ReadExtraFields(*p, idx, extra, Items)) throw EZFException(35);
            p->Comment.assign(item.Header.CommentLength, '\0');
            if (!ReadAcross(p->Comment.data(), p->Comment.size())) throw EZFException(35);
        }
    } catch (const EZFException&) {
        // A multi-volume directory cannot be rebuilt from one volume's headers.
        if (!RebuildDamagedDirectory || MultiVolume) throw;
        RebuildFromLocalHeaders();
        return;
    }
    if (MultiVolume) return;
    // An archive prefixed after it was made (a self-extractor stub) keeps offsets
    // relative to its old start: find where the first entry's local header really
    // lies and shift every entry by the difference. Directory entries have local
    // headers too and move with the rest (left unshifted, readers find no header
    // where they point once the archive is written again).
    if (Items.Count() > 0) {
        const TDirItem* first = Items.ItemPtr(0);
        const uint64_t recorded = first->LocalHeaderOffset();
        const uint64_t found = FindFirstLocalHeader(*first, recorded, dirStart);
        if (found != UINT64_MAX && found > recorded) {
            const uint64_t shift = found - recorded;
            for (int i = 0; i < Items.Count(); ++i) {
                TDirItem* p = Items.ItemPtr(i);
                if (p->Header.LocalHeaderOffset == 0xFFFFFFFFu) p->LocalHeaderOffset64 += shift;
                else if (uint64_t(p->Header.LocalHeaderOffset) + shift < 0xFFFFFFFFull) p->Header.LocalHeaderOffset += uint32_t(shift);
                else { p->LocalHeaderOffset64 = p->Header.LocalHeaderOffset + shift; p->Header.LocalHeaderOffset = 0xFFFFFFFFu; p->IsZip64 = true; }
            }
        }
        FirstLocalHeaderPos = Items.ItemPtr(0)->LocalHeaderOffset();
    }
}

// The Zip64 end record lies where the locator says: on a multi-volume set that may
// be an earlier volume than the last (a writer that keeps each record whole starts
// the last volume with the locator when only the Zip64 record still fitted), and
// the record itself may run on into the next volume.
void TZFDirManager::ReadZip64EndRecord()
{
    uint8_t rec[56];
    bool read;
    if (MultiVolume) {
        if (Zip64Locator.Zip64EndDisk > LastDisk) throw EZFException(40);
        GoToVolume(Zip64Locator.Zip64EndDisk);
        Stream->Seek(Zip64Locator.Zip64EndOffset);
        read = ReadAcross(rec, sizeof rec);
    } else {
        Stream->Seek(Zip64Locator.Zip64EndOffset);
        read = Stream->ReadExact(rec, sizeof rec);
    }
    if (!read || Get32(rec) != SigZip64End) throw EZFException(40);
    Zip64EndRecord = TZFZip64EndRecord::Read(rec);
}

void TZFDirManager::GoToVolume(uint32_t disk)
{
    if (disk == CurrentDisk) return;
    Stream = RequestVolume(disk);
    CurrentDisk = disk;
}

bool TZFDirManager::ReadAcross(void* buf, size_t n)
{
    auto* out = static_cast<uint8_t*>(buf);
    size_t got = Stream->Read(out, n);
    while (got < n && MultiVolume && RequestVolume && CurrentDisk < LastDisk) {
        Stream = RequestVolume(++CurrentDisk);
        Stream->Seek(0);
        got += Stream->Read(out + got, n - got);
    }
    return got == n;
}

uint64_t TZFDirManager::FindFirstLocalHeader(const TDirItem& first, uint64_t from, uint64_t limit)
{
    const size_t block = 65535;
    std::vector<uint8_t> buf(block + 30);
    for (uint64_t at = from; at < limit; at += block) {
        const size_t want = size_t(std::min<uint64_t>(block + 29, limit + 30 - at));
        Stream->Seek(at);
        const size_t n = Stream->Read(buf.data(), want);
        for (size_t i = 0; i + 30 <= n && i < block; ++i) {
            const uint32_t sig = Get32(&buf[i]);
            if (sig != SigLocal && sig != SigLocalAlt) continue;
            // A header where the directory says is taken as it is (tools differ in
            // the version words they put in the two headers).
            if (at + i == 0 || at + i == from) return at + i;
            const TZFLocalHeader l = TZFLocalHeader::Read(&buf[i]);
            if (l.VersionNeeded != first.Header.VersionNeeded || l.Method != first.Header.Method ||
                l.Time != first.Header.Time || l.Date != first.Header.Date)
                continue;
            // A streamed entry (flag bit 3) leaves CRC and sizes to its descriptor.
            if (!(l.Flags & 8) && (l.Crc32 != first.Header.Crc32 || l.CompressedSize != first.Header.CompressedSize ||
                                   l.UncompressedSize != first.Header.UncompressedSize))
                continue;
            return at + i;
        }
        if (n < want) break;
    }
    return UINT64_MAX;
}

namespace {

// Bytes of the stream from a position on, read a block at a time: the rebuild of a
// directory walks archives of any size (beyond 4 GB too) without holding them.
class TStreamWindow {
public:
    explicit TStreamWindow(TZFStream& s) : Size(s.Size()), S(s) {}
    uint64_t Size;
    // The bytes [at, at + n) or nullptr when the stream ends first.
    const uint8_t* At(uint64_t at, size_t n)
    {
        if (at + n > Size) return nullptr;
        if (at < Start || at + n > Start + Buf.size()) {
            const size_t want = size_t(std::min<uint64_t>(std::max<size_t>(Block, n), Size - at));
            Buf.resize(want);
            S.Seek(at);
            if (!S.ReadExact(Buf.data(), want)) throw EZFException(35);
            Start = at;
        }
        return &Buf[size_t(at - Start)];
    }
    // The first position at or after from holding the byte v, or Size.
    uint64_t Find(uint64_t from, uint8_t v)
    {
        while (from < Size) {
            const uint8_t* b = At(from, 1);
            const size_t left = size_t(Start + Buf.size() - from);
            if (const void* hit = std::memchr(b, v, left))
                return from + uint64_t(static_cast<const uint8_t*>(hit) - b);
            from += left;
        }
        return Size;
    }

private:
    static constexpr size_t Block = 0x400000;
    TZFStream& S;
    std::vector<uint8_t> Buf;
    uint64_t Start = 0;
};

} // namespace

void TZFDirManager::RebuildFromLocalHeaders()
{
    Items.Clear();
    const bool oem = Archiver ? Archiver->Options.OEMFileNames : true;
    TStreamWindow headers(*Stream), descriptors(*Stream);
    const uint64_t size = headers.Size;
    bool found = false;
    // Descriptors are searched with one cursor that only moves forward: each search
    // starts after a header that lies beyond the previous one, so the first
    // descriptor at or after that start is found without rescanning the file
    // (a scan per header made damaged archives of many entries quadratic).
    uint64_t descCursor = 0;
    bool descSearched = false;
    const uint64_t noDescriptor = UINT64_MAX;
    auto nextDescriptor = [&](uint64_t from) {
        if (descSearched && (descCursor == noDescriptor || descCursor >= from)) return descCursor;
        uint64_t q = std::max(from, descSearched ? descCursor : from);
        for (; q + 16 <= size; ++q) {
            const uint8_t* b = descriptors.At(q, 16);
            if (b[0] == 0x50 && Get32(b) == SigDescriptor) break;
        }
        descSearched = true;
        descCursor = q + 16 <= size ? q : noDescriptor;
        return descCursor;
    };
    // New entries and the directory go after the last entry's data: whatever lay
    // beyond it (the damaged directory, bytes appended later) is no entry.
    uint64_t dataEnd = 0, lastDataStart = 0;
    bool lengthUnknown = false;
    for (uint64_t pos = 0; (pos = headers.Find(pos, 0x50)) + 30 <= size; ++pos) {
        const uint8_t* h = headers.At(pos, 30);
        uint32_t sig = Get32(h);
        if (sig != SigLocal && sig != SigLocalAlt) continue;
        found = true;
        TZFLocalHeader l = TZFLocalHeader::Read(h);
        if (l.ExtraLength >= 261) continue;
        const uint8_t* whole = headers.At(pos, 30 + size_t(l.NameLength) + l.ExtraLength);
        if (!whole) continue;
        TDirItem item;
        item.Header.VersionMadeBy = item.Header.VersionNeeded = l.VersionNeeded;
        item.Header.Flags = l.Flags;
        item.Header.Method = item.CompressionMethod = l.Method;
        item.Header.Time = l.Time;
        item.Header.Date = l.Date;
        item.Header.Crc32 = l.Crc32;
        item.Header.CompressedSize = l.CompressedSize;
        item.Header.UncompressedSize = l.UncompressedSize;
        item.Header.NameLength = l.NameLength;
        item.Header.ExtraLength = l.ExtraLength;
        item.Header.ExternalAttr = (l.UncompressedSize == 0 && !(l.Flags & 8)) ? 0x10 : 0x20;
        // Offsets past 4 GB go to the Zip64 field, as the directory writer expects.
        if (pos >= 0xFFFFFFFFull) {
            item.Header.LocalHeaderOffset = 0xFFFFFFFFu;
            item.IsZip64 = true;
        } else {
            item.Header.LocalHeaderOffset = uint32_t(pos);
        }
        item.LocalHeaderOffset64 = pos;
        item.HeaderName.assign(reinterpret_cast<const char*>(whole + 30), l.NameLength);
        item.FileName = ZipNameFromHeader(item.HeaderName, oem);
        std::vector<uint8_t> extra(whole + 30 + l.NameLength, whole + 30 + l.NameLength + l.ExtraLength);
        const uint64_t dataStart = pos + 30 + l.NameLength + l.ExtraLength;
        uint64_t descriptorLength = 0;
        bool sizeKnown = true;
        if (l.Flags & 8) {
            sizeKnown = false;
            const uint64_t q = nextDescriptor(dataStart);
            if (q != noDescriptor) {
                const uint8_t* d = descriptors.At(q, 16);
                item.Header.Crc32 = Get32(d + 4);
                item.Header.CompressedSize = Get32(d + 8);
                item.Header.UncompressedSize = Get32(d + 12);
                descriptorLength = 16;
                sizeKnown = true;
            }
        }
        int idx = Items.Add(item);
        TDirItem* p = Items.ItemPtr(idx);
        ReadExtraFields(*p, idx, extra, Items);
        if (p->Header.LocalHeaderOffset == 0xFFFFFFFFu) p->LocalHeaderOffset64 = pos;
        if (descriptorLength && p->IsZip64) descriptorLength = 24;
        lastDataStart = std::max(lastDataStart, dataStart);
        lengthUnknown = lengthUnknown || !sizeKnown;
        if (sizeKnown) {
            p->RebuiltDataEnd = dataStart + p->CompressedSize() + descriptorLength;
            p->DataCut = p->RebuiltDataEnd > size;
        }
        dataEnd = std::max(dataEnd, sizeKnown ? std::min(size, dataStart + p->CompressedSize() + descriptorLength) : size);
    }
    if (!found) throw EZFException(35);
    // An entry of unknown length reaches the old directory if one is left, or
    // the end of the file: nothing of it is overwritten.
    if (lengthUnknown)
        for (uint64_t q = lastDataStart; (q = headers.Find(q, 0x50)) + 4 <= size; ++q)
            if (Get32(headers.At(q, 4)) == SigCentral) {
                dataEnd = q;
                break;
            }
    RebuiltStreamSize = size;
    CentralDirStart = dataEnd;
    FirstLocalHeaderPos = Items.Count() > 0 ? Items.ItemPtr(0)->LocalHeaderOffset() : 0;
}

std::vector<std::string> TZFDirManager::DropCutEntries()
{
    std::vector<std::string> dropped;
    uint64_t cutAt = UINT64_MAX, keptEnd = 0;
    for (int i = 0; i < Items.Count(); ++i) {
        const TDirItem* p = Items.ItemPtr(i);
        if (p->DataCut)
            cutAt = std::min(cutAt, p->LocalHeaderOffset());
        else
            keptEnd = std::max(keptEnd, std::max(p->RebuiltDataEnd, p->LocalHeaderOffset()));
    }
    if (cutAt == UINT64_MAX)
        return dropped;
    for (int i = Items.Count() - 1; i >= 0; --i)
        if (Items.ItemPtr(i)->DataCut) {
            dropped.insert(dropped.begin(), Items.ItemPtr(i)->FileName);
            Items.DeleteItem(i);
        }
    // New data start where the first cut entry began, unless a whole entry lies
    // beyond that header (its data is kept).
    CentralDirStart = std::max(cutAt, keptEnd);
    FirstLocalHeaderPos = Items.Count() > 0 ? Items.ItemPtr(0)->LocalHeaderOffset() : CentralDirStart;
    return dropped;
}

void TZFDirManager::WriteCentralRecord(std::vector<uint8_t>& out, TDirItem& item, const std::string& headerName)
{
    std::vector<uint8_t> z64;
    if (item.Header.UncompressedSize == 0xFFFFFFFFu) Put64(z64, item.UncompressedSize64);
    if (item.Header.CompressedSize == 0xFFFFFFFFu) Put64(z64, item.CompressedSize64);
    if (item.Header.LocalHeaderOffset == 0xFFFFFFFFu) Put64(z64, item.LocalHeaderOffset64);
    if (item.Header.DiskNumberStart == 0xFFFF) Put32(z64, item.DiskNumberStart32);
    std::vector<uint8_t> extra;
    if (!z64.empty()) {
        Put16(extra, ExtraZip64);
        Put16(extra, uint16_t(z64.size()));
        extra.insert(extra.end(), z64.begin(), z64.end());
    }
    for (const TZFExtraField& f : item.ExtraFields) {
        if (f.Id == ExtraZip64) continue;           // always rebuilt from the sizes
        Put16(extra, f.Id);
        Put16(extra, uint16_t(f.Data.size()));
        extra.insert(extra.end(), f.Data.begin(), f.Data.end());
    }
    item.Header.NameLength = uint16_t(headerName.size());
    item.Header.ExtraLength = uint16_t(extra.size());
    item.Header.CommentLength = uint16_t(item.Comment.size());
    item.Header.Write(out);
    out.insert(out.end(), headerName.begin(), headerName.end());
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), item.Comment.begin(), item.Comment.end());
}

void TZFDirManager::SaveDir(bool atCurrentPosition)
{
    uint64_t start;
    if (atCurrentPosition) {
        start = Stream->Position();
    } else {
        std::string comment = ArchiveComment;
        int64_t endPos = FindEndRecord(Archiver && !Archiver->StandardZip ? SigEndAlt : SigEnd);
        ArchiveComment = comment;
        start = endPos >= 0 && uint64_t(endPos) >= EndRecord.DirSize ? uint64_t(endPos) - EndRecord.DirSize : Stream->Size();
    }
    Stream->Truncate(start);
    Stream->Seek(start);
    CentralDirStart = start;
    const bool oem = Archiver ? Archiver->Options.OEMFileNames : true;

    std::vector<uint8_t> dir;
    for (int i = 0; i < Items.Count(); ++i) {
        TDirItem* p = Items.ItemPtr(i);
        WriteCentralRecord(dir, *p, EntryHeaderName(*p, oem));
    }
    if (Stream->Write(dir.data(), dir.size()) != dir.size()) throw EZFException(46);

    const uint64_t count = uint64_t(Items.Count());
    const uint64_t after = Stream->Position();
    EndRecord.Signature = Archiver && !Archiver->StandardZip ? SigEndAlt : SigEnd;
    EndRecord.ThisDisk = EndRecord.DirDisk = 0;
    EndRecord.EntriesThisDisk = EndRecord.TotalEntries = count >= 0xFFFF ? 0xFFFF : uint16_t(count);
    EndRecord.DirSize = dir.size() >= 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(dir.size());
    EndRecord.DirOffset = start >= 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(start);
    EndRecord.CommentLength = uint16_t(ArchiveComment.size());
    std::vector<uint8_t> tail;
    if (after >= 0xFFFFFFFFu || count >= 0xFFFF) {
        Zip64EndRecord = TZFZip64EndRecord();
        Zip64EndRecord.EntriesThisDisk = Zip64EndRecord.TotalEntries = count;
        Zip64EndRecord.DirSize = dir.size();
        Zip64EndRecord.DirOffset = start;
        Zip64EndRecord.Write(tail);
        Zip64Locator = TZFZip64Locator();
        Zip64Locator.Zip64EndOffset = after;
        Zip64Locator.Write(tail);
        Zip64Present = true;
    }
    EndRecord.Write(tail);
    tail.insert(tail.end(), ArchiveComment.begin(), ArchiveComment.end());
    if (Stream->Write(tail.data(), tail.size()) != tail.size()) throw EZFException(46);
}

// ---- file names ----

std::string EntryHeaderName(TDirItem& item, bool oem)
{
    if (!item.HeaderName.empty() && ZipNameFromHeader(item.HeaderName, oem) == item.FileName)
        return item.HeaderName;
    std::string name = ZipNameToHeader(item.FileName, oem);
    if (NameNeedsUtf8Flag(item.FileName, name))
        item.Header.Flags |= FlagUtf8;
    else
        item.Header.Flags &= uint16_t(~FlagUtf8);
    item.HeaderName = name;
    return name;
}

// Names are bytes here, as the file system holds them: a name that is no UTF-8
// (Windows-1252 bytes of a file copied from an older system) must name the same
// file after it was made absolute, so no text conversion takes part.
std::string ExpandFileName(const std::string& path)
{
    namespace fs = std::filesystem;
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    fs::path full(p);
    if (!full.is_absolute()) {
        std::error_code ec;
        full = fs::current_path(ec) / full;
    }
    std::string clean = full.lexically_normal().generic_string();
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

std::string GetStoredName(const std::string& fileName, const std::string& baseDir, int storePath)
{
    std::string full = ExpandFileName(fileName);
    std::string base = ExpandFileName(baseDir.empty() ? std::string(".") : baseDir);
    if (!full.empty() && (full.back() == '/' || full.back() == '\\') && full.size() > 1) full.pop_back();
    if (!full.empty() && full.back() == '.') full.pop_back();
    std::string name;
    switch (storePath) {
    case spNoPath: {
        size_t k = full.find_last_of('/');
        name = k == std::string::npos ? full : full.substr(k + 1);
        break;
    }
    case spRelativePath: {
        std::string rel = std::filesystem::path(full).lexically_relative(base).generic_string();
        if (rel == ".")
            rel.clear();
        name = (rel.empty() && full != base) || rel.rfind("../", 0) == 0 || rel == ".." ? full : rel;
        break;
    }
    default:
        name = full;
        break;
    }
    if (storePath != spFullPathWithDrive) {
        size_t colon = name.find(':');
        if (colon != std::string::npos) name = name.substr(colon + 1);
        else if (name.rfind("//", 0) == 0) {
            size_t k = name.find('/', 2);
            name = k == std::string::npos ? std::string() : name.substr(k + 1);
        }
        if (!name.empty() && (name[0] == '/' || name[0] == '\\')) name.erase(0, 1);
    }
    for (char& c : name) if (c == '\\') c = '/';
    return name;
}

static bool MatchFrom(const std::u32string& n, size_t i, const std::u32string& m, size_t j)
{
    while (true) {
        if (j == m.size()) return i == n.size();
        if (m[j] == U'*') {
            if (j + 1 == m.size()) return true;
            for (size_t k = i; k <= n.size(); ++k)
                if (MatchFrom(n, k, m, j + 1)) return true;
            return false;
        }
        if (i == n.size()) return false;
        if (m[j] != U'?' && m[j] != n[i]) return false;
        ++i;
        ++j;
    }
}

bool MatchesMask(const std::string& name, const std::string& mask, bool ignoreCase)
{
    if (mask == "*.*" || mask == "*") return true;
    QString qn = QString::fromStdString(name), qm = QString::fromStdString(mask);
    if (ignoreCase) { qn = qn.toUpper(); qm = qm.toUpper(); }
    return MatchFrom(qn.toStdU32String(), 0, qm.toStdU32String(), 0);
}
