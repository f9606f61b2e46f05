#include "archive/ZipSpan.h"
#include "archive/ZipDirectory.h"
#include "archive/ZipRecords.h"
#include "archive/ZipUnicode.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <unistd.h>

namespace ZipSpan {

namespace {

struct NameParts {
    std::string Dir, Base, Ext;
};

NameParts SplitName(const std::string& FileName)
{
    const auto slash = FileName.find_last_of('/');
    NameParts p;
    p.Dir = slash == std::string::npos ? std::string() : FileName.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? FileName : FileName.substr(slash + 1);
    const auto dot = file.find_last_of('.');
    if (dot != std::string::npos) {
        p.Ext = file.substr(dot);
        file.resize(dot);
    }
    p.Base = file;
    return p;
}

bool EndsWithNoCase(const std::string& s, const std::string& tail)
{
    if (s.size() < tail.size())
        return false;
    return std::equal(tail.rbegin(), tail.rend(), s.rbegin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
}

std::string Number3(uint32_t n)
{
    char b[16];
    std::snprintf(b, sizeof b, "%.3u", n);
    return b;
}

bool Exists(const std::string& name) { return ZipUnicode::WideFileExists(ZipUnicode::ToWide(name)); }

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

} // namespace

bool IsSelfExtracting(const std::string& FileName, const std::string& SFXStub)
{
    return !SFXStub.empty() || EndsWithNoCase(FileName, ".exe");
}

std::string VolumeFileName(const std::string& FileName, uint32_t Index, TZFSpanningMode Mode, bool AdvancedNaming,
                           bool SelfExtracting, uint16_t MethodNumber)
{
    const NameParts p = SplitName(FileName);
    if (Mode == smNone)
        return FileName;
    if (Index == LastVolumeIndex && SelfExtracting && Mode == smSplitting)
        return p.Dir + p.Base + (MethodNumber >= 252 ? ".ZF" : ".ZIP");
    if (Mode == smSpanning) {
        const std::string ext = SelfExtracting ? ".exe" : p.Ext;
        if (Index == LastVolumeIndex || !AdvancedNaming)
            return p.Dir + p.Base + ext;
        return p.Dir + p.Base + "_" + Number3(Index + 1) + ext;
    }
    // Splitting: the last part keeps the archive's own name.
    if (Index == LastVolumeIndex)
        return FileName;
    if (Index == 0 && SelfExtracting)
        return p.Dir + p.Base + ".exe";
    if (AdvancedNaming)
        return p.Dir + p.Base + "_" + Number3(Index + 1) + p.Ext;
    char num[16];
    std::snprintf(num, sizeof num, "%.2d", int(Index + 1));
    return p.Dir + p.Base + (MethodNumber >= 252 ? ".F" : ".Z") + num;
}

std::string FindVolumeFile(const std::string& FileName, uint32_t Index, TZFSpanningMode Mode, bool AdvancedNaming,
                           bool SelfExtracting, uint16_t MethodNumber)
{
    const std::string name = VolumeFileName(FileName, Index, Mode, AdvancedNaming, SelfExtracting, MethodNumber);
    if (Exists(name))
        return name;
    // Archivers on case-sensitive file systems name split parts ".z01" where the
    // rule gives ".Z01": the part is the same, only its extension's case differs.
    const NameParts p = SplitName(name);
    for (const bool upper : {false, true}) {
        std::string ext = p.Ext;
        for (char& c : ext)
            c = char(upper ? std::toupper(static_cast<unsigned char>(c)) : std::tolower(static_cast<unsigned char>(c)));
        if (ext != p.Ext && Exists(p.Dir + p.Base + ext))
            return p.Dir + p.Base + ext;
    }
    return std::string();
}

std::string ExistingVolumeFileName(const std::string& FileName, uint32_t Index, TZFSpanningMode Mode,
                                   bool AdvancedNaming, bool SelfExtracting, uint16_t MethodNumber)
{
    std::string found = FindVolumeFile(FileName, Index, Mode, AdvancedNaming, SelfExtracting, MethodNumber);
    if (found.empty())
        found = FindVolumeFile(FileName, Index, Mode, !AdvancedNaming, SelfExtracting, MethodNumber);
    return found.empty() ? VolumeFileName(FileName, Index, Mode, AdvancedNaming, SelfExtracting, MethodNumber) : found;
}

int64_t DriveFreeSpace(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::path(path).parent_path();
    if (dir.empty())
        dir = ".";
    const auto info = std::filesystem::space(dir, ec);
    return ec ? -1 : int64_t(info.available);
}

// ------------------------------------------------------------ distribution

namespace {

// Sequential writer over the volumes of one archive.
class TVolumeCursor {
public:
    TVolumeCursor(TZipVolumeWriter& owner, TZFBaseArchiver& archiver) : W(owner), A(archiver)
    {
        SelfExtracting = IsSelfExtracting(A.FileName, A.SFXStub);
    }
    ~TVolumeCursor() { CloseCurrent(); }

    uint32_t Index() const { return FIndex; }
    int64_t Used() const { return FUsed; }

    void OpenFirst() { OpenVolume(0); }

    int64_t Room()
    {
        const int64_t size = A.SpanningOptions.GetVolumeSize(int(FIndex));
        int64_t room = size > 0 ? size - FUsed : FVolumeFree - FUsed;
        if (size > 0 && FVolumeFree >= 0)
            room = std::min(room, FVolumeFree - FUsed);
        return room;
    }

    // Writes all bytes, moving to the next volume whenever one is full.
    void Write(const uint8_t* data, size_t n)
    {
        while (n > 0) {
            int64_t room = Room();
            if (room <= 0) {
                NextVolume();
                room = Room();
                if (room <= 0)
                    Fail46();
            }
            const size_t chunk = size_t(std::min<int64_t>(room, int64_t(n)));
            if (FStream->Write(data, int64_t(chunk)) != int64_t(chunk))
                Fail46();
            FUsed += int64_t(chunk);
            data += chunk;
            n -= chunk;
        }
    }

    // Starts a new volume unless `need` bytes still fit in this one.
    void KeepTogether(size_t need)
    {
        if (Room() < int64_t(need))
            NextVolume();
    }

    void NextVolume()
    {
        CloseCurrent();
        OpenVolume(FIndex + 1);
    }

    void Finish()
    {
        CloseCurrent();
        // Spanned volumes written into one folder: the last one carries the
        // archive's own name, as the last disk of a set does, so that opening
        // the archive finds its directory; a first volume under that name moves
        // to its numbered name.
        if (A.SpanningMode() == smSpanning && W.WrittenVolumes.size() > 1 && W.WrittenVolumes.back() != A.FileName) {
            std::error_code ec;
            if (W.WrittenVolumes.front() == A.FileName) {
                const std::string numbered = VolumeFileName(A.FileName, 0, smSpanning, true, SelfExtracting, A.MethodNumber());
                std::filesystem::rename(A.FileName, numbered, ec);
                if (ec)
                    throw EZFException(46, A.Name);
                W.WrittenVolumes.front() = numbered;
            }
            std::filesystem::rename(W.WrittenVolumes.back(), A.FileName, ec);
            if (ec)
                throw EZFException(46, A.Name);
            W.WrittenVolumes.back() = A.FileName;
        }
        // A split archive's last part carries the archive's own name.
        if (A.SpanningMode() == smSplitting && !W.WrittenVolumes.empty()) {
            const std::string last = VolumeFileName(A.FileName, LastVolumeIndex, smSplitting,
                                                    A.SpanningOptions.AdvancedNaming, SelfExtracting, A.MethodNumber());
            std::error_code ec;
            std::filesystem::rename(W.WrittenVolumes.back(), last, ec);
            if (ec)
                throw EZFException(46, A.Name);
            W.WrittenVolumes.back() = last;
        }
    }

    void RemoveWritten()
    {
        CloseCurrent();
        for (const auto& n : W.WrittenVolumes)
            std::remove(n.c_str());
        W.WrittenVolumes.clear();
    }

private:
    [[noreturn]] void Fail46() { throw EZFException(46, A.Name); }

    void CloseCurrent()
    {
        if (!FStream)
            return;
        if (A.SpanningMode() == smSpanning && A.Options.FlushBuffers)
            ::fsync(FStream->Handle());
        FStream.reset();
    }

    void OpenVolume(uint32_t index)
    {
        const bool advanced = A.SpanningOptions.AdvancedNaming;
        for (;;) {
            std::string name = VolumeFileName(A.FileName, index, A.SpanningMode(), advanced, SelfExtracting, A.MethodNumber());
            // Spanned disks share one name; where every "disk" is the same folder,
            // a second volume under that name would overwrite the first.
            if (std::find(W.WrittenVolumes.begin(), W.WrittenVolumes.end(), name) != W.WrittenVolumes.end())
                name = VolumeFileName(A.FileName, index, A.SpanningMode(), !advanced, SelfExtracting, A.MethodNumber());
            bool cancel = false;
            if (W.OnRequestBlankVolume) {
                W.OnRequestBlankVolume(int(index) + 1, name, cancel);
            } else {
                // The archiver's event (or its default box) decides; a handler that
                // keeps the rule's name gets the one that does not overwrite a volume.
                std::string asked;
                A.DoOnRequestBlankVolume(int(index) + 1, asked, cancel);
                const std::string rule = VolumeFileName(A.FileName, index, A.SpanningMode(), advanced, SelfExtracting, A.MethodNumber());
                if (!asked.empty() && asked != rule)
                    name = asked;
            }
            if (cancel)
                throw EZFException(45, A.Name);
            if (std::find(W.WrittenVolumes.begin(), W.WrittenVolumes.end(), name) != W.WrittenVolumes.end())
                throw EZFException(45, A.Name);
            const int64_t free = W.FreeSpace ? W.FreeSpace(name) : -1;
            const int64_t size = A.SpanningOptions.GetVolumeSize(int(index));
            const bool accepted = free >= MinVolumeFreeSpace &&
                                  (size <= 0 || A.SpanningMode() == smSplitting || free >= size);
            if (accepted) {
                FStream = std::make_unique<ZipUnicode::TTntFileStream>(ZipUnicode::ToWide(name), ZipUnicode::fmCreate);
                W.WrittenVolumes.push_back(name);
                FIndex = index;
                FUsed = 0;
                FVolumeFree = free;
                // Volume labels ("pkback# 001"...) belong to removable disks; files
                // on this platform carry none.
                return;
            }
            bool stop = true;
            A.DoOnDiskFull(int(index) + 1, name, stop, size > 0 ? size : MinVolumeFreeSpace, free);
            if (stop)
                throw EZFException(45, A.Name);
        }
    }

    TZipVolumeWriter& W;
    TZFBaseArchiver& A;
    bool SelfExtracting = false;
    std::unique_ptr<ZipUnicode::TTntFileStream> FStream;
    uint32_t FIndex = 0;
    int64_t FUsed = 0;
    int64_t FVolumeFree = -1;
};

struct TCentralRecord {
    size_t Pos, Len;
    uint64_t LocalHeader; // position of the entry's local header in the image
};

// A central record of the image as the directory reads one: header, Zip64 values
// and the other extra fields. False when a Zip64 value is missing.
bool ReadCentralRecord(const uint8_t* rec, TDirItem& item)
{
    item.Header = ZipRecords::TZFCentralHeader::Read(rec);
    const uint8_t* extra = rec + 46 + item.Header.NameLength;
    const std::vector<uint8_t> area(extra, extra + item.Header.ExtraLength);
    TZFDirArray none;
    return TZFDirManager::ReadExtraFields(item, -1, area, none);
}

// A 32-bit offset or size field holds its value up to 0xFFFFFFFE, a 16-bit disk
// or count field up to 0xFFFE; at or past that the value goes to Zip64 records.
constexpr uint64_t Max32 = 0xFFFFFFFFu;
constexpr uint64_t Max16 = 0xFFFF;

} // namespace

void TZipVolumeWriter::Distribute(TZFBaseArchiver& Archiver, const std::string& ArchivePath)
{
    WrittenVolumes.clear();
    std::vector<uint8_t> img;
    {
        std::ifstream in(ArchivePath, std::ios::binary);
        if (!in)
            throw EZFException(45, Archiver.Name);
        img.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (Archiver.SpanningMode() == smNone)
        return;

    // End record: the last signature that leaves room for its comment.
    size_t eocd = std::string::npos;
    for (size_t i = img.size() >= 22 ? img.size() - 22 + 1 : 0; i-- > 0;) {
        if (Get32(&img[i]) == 0x06054b50 && i + 22 + Get16(&img[i + 20]) == img.size()) {
            eocd = i;
            break;
        }
    }
    if (eocd == std::string::npos)
        throw EZFException(45, Archiver.Name);
    const ZipRecords::TZFEndRecord endRec = ZipRecords::TZFEndRecord::Read(&img[eocd]);
    uint64_t cdSize = endRec.DirSize, cdOffset = endRec.DirOffset, entries = endRec.TotalEntries;
    // The image is one file written by this archiver: a Zip64 end record, when
    // there is one, lies just before its locator, right after the directory.
    size_t dirEnd = eocd;
    if (eocd >= 20 + 56 && Get32(&img[eocd - 20]) == ZipRecords::SigZip64Locator) {
        const auto loc = ZipRecords::TZFZip64Locator::Read(&img[eocd - 20]);
        if (loc.Zip64EndOffset + 56 > eocd - 20 || Get32(&img[size_t(loc.Zip64EndOffset)]) != ZipRecords::SigZip64End)
            throw EZFException(40, Archiver.Name);
        const auto z = ZipRecords::TZFZip64EndRecord::Read(&img[size_t(loc.Zip64EndOffset)]);
        cdSize = z.DirSize;
        cdOffset = z.DirOffset;
        entries = z.TotalEntries;
        dirEnd = size_t(loc.Zip64EndOffset);
    } else if (cdOffset == Max32 || cdSize == Max32 || entries == Max16) {
        throw EZFException(40, Archiver.Name);
    }
    if (cdOffset + cdSize > dirEnd)
        throw EZFException(45, Archiver.Name);

    std::vector<TCentralRecord> records;
    for (size_t p = size_t(cdOffset); p < size_t(cdOffset + cdSize);) {
        if (p + 46 > dirEnd || Get32(&img[p]) != 0x02014b50)
            throw EZFException(45, Archiver.Name);
        const size_t len = 46 + Get16(&img[p + 28]) + Get16(&img[p + 30]) + Get16(&img[p + 32]);
        if (p + len > dirEnd)
            throw EZFException(45, Archiver.Name);
        TDirItem item;
        if (!ReadCentralRecord(&img[p], item))
            throw EZFException(45, Archiver.Name);
        records.push_back({p, len, item.LocalHeaderOffset()});
        p += len;
    }
    if (records.size() != entries)
        throw EZFException(45, Archiver.Name);
    // Local headers with their names and extra fields are kept whole on one volume,
    // as the central records are: archivers that join or read a set take a header
    // in one read and stop at one cut by a volume's end.
    std::vector<std::pair<uint64_t, size_t>> localHeaders; // (position, length)
    localHeaders.reserve(records.size());
    for (const auto& r : records) {
        if (r.LocalHeader + 30 > cdOffset || Get32(&img[size_t(r.LocalHeader)]) != 0x04034b50)
            throw EZFException(45, Archiver.Name);
        const uint8_t* h = &img[size_t(r.LocalHeader)];
        localHeaders.push_back({r.LocalHeader, 30 + size_t(Get16(h + 26)) + Get16(h + 28)});
    }
    std::sort(localHeaders.begin(), localHeaders.end());

    // Plain copy when the whole image fits in the first volume.
    const int64_t firstSize = Archiver.SpanningOptions.GetVolumeSize(0);
    const int64_t free = FreeSpace ? FreeSpace(Archiver.FileName) : -1;
    const int64_t fits = firstSize > 0 ? firstSize : free;
    if (fits < 0 || int64_t(img.size()) <= fits) {
        if (ArchivePath != Archiver.FileName) {
            std::error_code ec;
            std::filesystem::copy_file(ArchivePath, Archiver.FileName, std::filesystem::copy_options::overwrite_existing, ec);
            if (ec)
                throw EZFException(46, Archiver.Name);
        }
        WrittenVolumes = {Archiver.FileName};
        return;
    }

    TVolumeCursor cur(*this, Archiver);
    try {
        cur.OpenFirst();
        // Where each logical byte landed: volume starts in the logical stream.
        std::vector<std::pair<uint32_t, int64_t>> starts; // (volume, logical start)
        int64_t logical = 0;
        auto track = [&](const uint8_t* data, size_t n) {
            while (n > 0) {
                if (cur.Room() <= 0) {
                    cur.NextVolume();
                    if (cur.Room() <= 0)
                        throw EZFException(46, Archiver.Name);
                }
                if (starts.empty() || starts.back().first != cur.Index())
                    starts.push_back({cur.Index(), logical - cur.Used()});
                const size_t chunk = size_t(std::min<int64_t>(cur.Room(), int64_t(n)));
                cur.Write(data, chunk);
                data += chunk;
                n -= chunk;
                logical += int64_t(chunk);
            }
        };
        auto locate = [&](int64_t pos) {
            auto it = std::upper_bound(starts.begin(), starts.end(), pos,
                                       [](int64_t v, const auto& s) { return v < s.second; });
            --it;
            return std::make_pair(it->first, uint64_t(pos - it->second));
        };

        // The split-archive marker leads the first volume, unless a
        // self-extractor stub must come first.
        const bool stub = img.size() >= 4 && Get32(img.data()) != 0x04034b50;
        const int64_t markerLen = stub ? 0 : 4;
        const uint8_t marker[4] = {0x50, 0x4b, 0x07, 0x08};
        if (!stub)
            track(marker, 4);
        // Local headers and data (shifted by the marker), copied in pieces with the
        // copy-progress event; a Cancel there stops the copy.
        constexpr size_t piece = 1000000;
        bool cancel = false;
        Archiver.DoOnCopyTempFileProgress(0, 0, cancel);
        auto nextHeader = localHeaders.begin();
        for (size_t done = 0, nextEvent = piece; !cancel && done < cdOffset;) {
            if (nextHeader != localHeaders.end() && nextHeader->first == done)
                cur.KeepTogether(nextHeader->second);
            while (nextHeader != localHeaders.end() && nextHeader->first <= done)
                ++nextHeader;
            size_t upTo = std::min<size_t>(nextEvent, size_t(cdOffset));
            if (nextHeader != localHeaders.end() && nextHeader->first < upTo)
                upTo = size_t(nextHeader->first);
            track(img.data() + done, upTo - done);
            done = upTo;
            if (done == nextEvent || done == cdOffset) {
                Archiver.DoOnCopyTempFileProgress(double(done) * 100.0 / double(cdOffset), 1, cancel);
                nextEvent = done + piece;
            }
        }
        if (cancel)
            throw EZFException(45, Archiver.Name);
        Archiver.DoOnCopyTempFileProgress(100, 2, cancel);

        // Each central record names the volume and the offset on it of its local
        // header. A record whose values all fit its 16/32-bit fields, and that
        // carries no Zip64 field, only has those two fields changed; otherwise it is
        // written again by the directory's record writer, its Zip64 field holding
        // exactly the values that do not fit (the sizes as before, now also the
        // offset or the disk, or no longer the offset of a big single file).
        const bool alwaysZip64 = Archiver.Zip64Mode == zmAlways;
        std::vector<uint8_t> out;
        auto rewrite = [&](const TCentralRecord& r) {
            out.clear();
            const uint8_t* rec = &img[r.Pos];
            TDirItem item;
            ReadCentralRecord(rec, item);
            const size_t nameLen = item.Header.NameLength, extraLen = item.Header.ExtraLength;
            const bool hadZip64 = std::any_of(item.ExtraFields.begin(), item.ExtraFields.end(),
                                              [](const TZFExtraField& f) { return f.Id == ZipRecords::ExtraZip64; });
            const auto [disk, off] = locate(int64_t(item.LocalHeaderOffset()) + markerLen);
            const bool offsetFits = off < Max32 && !alwaysZip64, diskFits = disk < Max16;
            item.Header.LocalHeaderOffset = offsetFits ? uint32_t(off) : uint32_t(Max32);
            item.LocalHeaderOffset64 = off;
            item.Header.DiskNumberStart = diskFits ? uint16_t(disk) : uint16_t(Max16);
            item.DiskNumberStart32 = disk;
            if (!hadZip64 && offsetFits && diskFits) {
                item.Header.Write(out);
                out.insert(out.end(), rec + 46, rec + r.Len);
            } else {
                item.Comment.assign(rec + 46 + nameLen + extraLen, rec + r.Len);
                TZFDirManager::WriteCentralRecord(out, item, std::string(rec + 46, rec + 46 + nameLen));
            }
        };

        const int64_t cdLogical = logical;
        uint64_t newCdSize = 0;
        std::vector<uint32_t> recordDisk;
        recordDisk.reserve(records.size());
        for (size_t i = 0; i < records.size(); ++i) {
            rewrite(records[i]);
            cur.KeepTogether(out.size()); // records are kept whole on one volume
            recordDisk.push_back(cur.Index());
            track(out.data(), out.size());
            newCdSize += out.size();
        }
        // An empty directory "starts" where the end records go.
        const size_t commentLen = img.size() - eocd - 22;
        const uint64_t count = records.size();
        auto zip64Needed = [&](uint64_t lastDisk, uint64_t dirDisk, uint64_t dirOffset, uint64_t afterDir) {
            return count >= Max16 || lastDisk >= Max16 || dirDisk >= Max16 || dirOffset >= Max32 ||
                   newCdSize >= Max32 || afterDir >= Max32;
        };
        const uint64_t afterDir = uint64_t(cur.Used());
        auto dirStart = [&]() -> std::pair<uint64_t, uint64_t> {
            if (records.empty())
                return {cur.Index(), uint64_t(cur.Used())};
            return {recordDisk.front(), locate(cdLogical).second};
        };
        // The end records stay together on the last volume. Whether the Zip64 end
        // record and locator must lead them depends also on that volume's number,
        // so room is asked for once more when they turn out to be needed.
        bool zip64 = false;
        for (;;) {
            const size_t tailLen = (zip64 ? 56 + 20 : 0) + 22 + commentLen;
            cur.KeepTogether(tailLen);
            const auto [dirDisk, dirOffset] = dirStart();
            if (zip64 || !zip64Needed(cur.Index(), dirDisk, dirOffset, afterDir))
                break;
            zip64 = true;
        }
        const auto [dirDisk, dirOffset] = dirStart();
        const uint32_t lastDisk = cur.Index();
        const uint64_t onLastDisk = uint64_t(std::count(recordDisk.begin(), recordDisk.end(), lastDisk));
        std::vector<uint8_t> tail;
        if (zip64) {
            ZipRecords::TZFZip64EndRecord z;
            z.ThisDisk = lastDisk;
            z.DirDisk = uint32_t(dirDisk);
            z.EntriesThisDisk = onLastDisk;
            z.TotalEntries = count;
            z.DirSize = newCdSize;
            z.DirOffset = dirOffset;
            z.Write(tail);
            ZipRecords::TZFZip64Locator loc;
            loc.Zip64EndDisk = lastDisk;
            loc.Zip64EndOffset = uint64_t(cur.Used());
            loc.TotalDisks = lastDisk + 1;
            loc.Write(tail);
        }
        ZipRecords::TZFEndRecord e = endRec;
        e.ThisDisk = uint16_t(std::min<uint64_t>(lastDisk, Max16));
        e.DirDisk = uint16_t(std::min<uint64_t>(dirDisk, Max16));
        e.EntriesThisDisk = count >= Max16 ? uint16_t(Max16) : uint16_t(onLastDisk);
        e.TotalEntries = uint16_t(std::min<uint64_t>(count, Max16));
        e.DirSize = uint32_t(std::min<uint64_t>(newCdSize, Max32));
        e.DirOffset = uint32_t(std::min<uint64_t>(dirOffset, Max32));
        e.Write(tail);
        tail.insert(tail.end(), img.begin() + long(eocd + 22), img.end());
        track(tail.data(), tail.size());
        cur.Finish();
    } catch (...) {
        cur.RemoveWritten();
        throw;
    }
    // The single-file image is now spread over the volumes.
    if (std::find(WrittenVolumes.begin(), WrittenVolumes.end(), ArchivePath) == WrittenVolumes.end())
        std::remove(ArchivePath.c_str());
}

void InstallVolumeWriter(TZFBaseArchiver& Archiver) { Archiver.VolumeWriter = std::make_shared<TZipVolumeWriter>(); }

} // namespace ZipSpan
