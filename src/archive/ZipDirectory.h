#pragma once
// The in-memory directory of an archive: items, the case-insensitive name index, reading
// the directory from an archive, writing it back with its end records, and the
// stored-name and wildcard rules of the archiver.
#include "archive/ZipRecords.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TZFBaseArchiver;

struct TZFExtraField {
    uint16_t Id = 0;
    std::vector<uint8_t> Data;
};

struct TDirItem {
    ZipRecords::TZFCentralHeader Header;
    std::string FileName;                 // stored name, '/' separators, directories end in '/'
    // The name's bytes as the headers hold them (empty until the entry is read or
    // written): an entry that is not renamed keeps them, and the UTF-8 flag it was
    // stored with, so that its central record still matches its local header.
    std::string HeaderName;
    std::string Comment;
    std::vector<TZFExtraField> ExtraFields;
    uint8_t EncryptionAlgorithm = 0;      // 0 classic, 1..3 AES-128/192/256
    bool IsZip64 = false;
    uint64_t UncompressedSize64 = 0, CompressedSize64 = 0, LocalHeaderOffset64 = 0;
    uint32_t DiskNumberStart32 = 0;
    bool Modified = false;
    std::string Password;
    std::shared_ptr<ZipRecords::TZFStream> SourceStream;
    uint64_t SourceStreamStart = 0;
    std::string SourceFileName;
    uint16_t CompressionMethod = 0;
    uint8_t CompressionMode = 0;
    uint8_t Action = 0;                   // 0 add, 1 add and move, 3 replace; 6, 7, 8 rewrite header
    // A directory rebuilt from the local headers: where the entry's data (and
    // descriptor) end, and whether the file ends before that (the entry is cut).
    uint64_t RebuiltDataEnd = 0;
    bool DataCut = false;

    uint64_t UncompressedSize() const
    { return Header.UncompressedSize == 0xFFFFFFFFu ? UncompressedSize64 : Header.UncompressedSize; }
    uint64_t CompressedSize() const
    { return Header.CompressedSize == 0xFFFFFFFFu ? CompressedSize64 : Header.CompressedSize; }
    uint64_t LocalHeaderOffset() const
    { return Header.LocalHeaderOffset == 0xFFFFFFFFu ? LocalHeaderOffset64 : Header.LocalHeaderOffset; }
    uint32_t DiskNumberStart() const
    { return Header.DiskNumberStart == 0xFFFF ? DiskNumberStart32 : Header.DiskNumberStart; }
    bool IsDirectory() const { return !FileName.empty() && FileName.back() == '/'; }
};

std::string ZipLowerCase(const std::string& s);

// The name's bytes for the entry's headers: those it is stored with while its name
// is unchanged, else the name encoded anew (then the UTF-8 flag follows the new bytes).
std::string EntryHeaderName(TDirItem& item, bool oem);

// Item array with a hashed, case-insensitive index of the stored names.
class TZFDirArray {
public:
    int Count() const { return int(Items.size()); }
    TDirItem GetItem(int i) const;
    TDirItem* ItemPtr(int i);
    const TDirItem* ItemPtr(int i) const;
    void SetItem(int i, const TDirItem& item);
    void DeleteItem(int i);
    void SetCount(int n);
    int Add(const TDirItem& item);        // append, returns its index
    void Clear();
    void Assign(const TZFDirArray& other);
    int IndexOf(const std::string& name) const;
    void RenameItem(int i, const std::string& newName);
private:
    std::vector<TDirItem> Items;
    std::vector<std::string> Names;       // lower-cased, same index as Items
    mutable std::unordered_map<std::string, int> Hash;
    mutable bool HashValid = false;
};

class TZFDirManager {
public:
    TZFDirManager(ZipRecords::TZFStream* stream, TZFBaseArchiver* archiver, bool createNew);
    ZipRecords::TZFStream* Stream;
    TZFBaseArchiver* Archiver;
    bool CreateNew;
    TZFDirArray Items;                    // current entries
    TZFDirArray Backup;                   // copy taken when a transaction begins
    std::string ArchiveComment;
    ZipRecords::TZFEndRecord EndRecord;
    ZipRecords::TZFZip64EndRecord Zip64EndRecord;
    ZipRecords::TZFZip64Locator Zip64Locator;
    bool Zip64Present = false;
    uint64_t FirstLocalHeaderPos = 0;
    uint64_t CentralDirStart = 0;
    uint64_t RebuiltStreamSize = 0;
    bool RebuildDamagedDirectory = true;
    bool EndRecordFound = false;          // set by LoadDir
    // Multi-volume archives: the stream starts on the last volume; RequestVolume
    // gives the stream of another volume (asking for it through the events).
    bool MultiVolume = false;
    uint32_t LastDisk = 0, CurrentDisk = 0;
    std::function<ZipRecords::TZFStream*(uint32_t)> RequestVolume;

    void Reset();
    void LoadDir();
    // Writes the central directory and end records. atCurrentPosition: the caller has
    // placed the stream where the directory goes; otherwise the old directory is replaced.
    void SaveDir(bool atCurrentPosition);
    // Position of the end record with the given signature, or -1.
    int64_t FindEndRecord(uint32_t signature);
    void RebuildFromLocalHeaders();
    // Before an update of a rebuilt directory: the entries whose data the file cuts
    // short are taken out (no tool could read them, and new entries written after
    // the cut would overlap them) and new data will go where the first of them
    // began. Returns their names.
    std::vector<std::string> DropCutEntries();
    // Appends the central header of `item` with the given header name bytes: its
    // Zip64 extra field rebuilt for exactly the fields that hold 0xFFFFFFFF / 0xFFFF,
    // then its other extra fields and its comment; the length fields are set.
    static void WriteCentralRecord(std::vector<uint8_t>& out, TDirItem& item, const std::string& headerName);
    // Takes the extra area of a central header into `item`: the Zip64 values of the
    // fields that hold 0xFFFFFFFF / 0xFFFF, the Unicode name (also renamed in `arr`
    // when index >= 0), the AES strength; every field is kept in ExtraFields.
    // False when such a field finds no value in a Zip64 field.
    static bool ReadExtraFields(TDirItem& item, int index, const std::vector<uint8_t>& area, TZFDirArray& arr);
private:
    void CopySFXStub();
    // The Zip64 end record at the locator's disk and offset (error 40 when not there).
    void ReadZip64EndRecord();
    // Makes `disk` the current volume of a multi-volume set, asking for it when needed.
    void GoToVolume(uint32_t disk);
    // Reads n bytes, going on at the start of the next volume where one ends.
    bool ReadAcross(void* buf, size_t n);
    // Position of the first entry's local header at or after `from`, UINT64_MAX when none.
    uint64_t FindFirstLocalHeader(const TDirItem& first, uint64_t from, uint64_t limit);
};

// Name under which a file is stored (relative to baseDir with spRelativePath, etc.).
std::string GetStoredName(const std::string& fileName, const std::string& baseDir, int storePath);
bool MatchesMask(const std::string& name, const std::string& mask, bool ignoreCase);
std::string ExpandFileName(const std::string& path);   // absolute, normalised ('.' and '..' resolved)
