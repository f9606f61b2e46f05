#pragma once
// Wide-name layer of the zip component: names, paths and masks stay UTF-16 and
// reach the file system without narrowing (here: converted to UTF-8, which
// the Linux file system takes as is). Nothing here keeps state.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ZipUnicode {

using WideString = std::u16string;

WideString ToWide(const std::string& utf8);
std::string ToUtf8(const WideString& w);

// Windows-style attribute bits the archive reasons with.
inline constexpr uint32_t faReadOnly = 1, faHidden = 2, faSysFile = 4, faVolumeID = 8, faDirectory = 16,
                          faArchive = 32;

// On every system the names reach the file system unnarrowed.
inline constexpr bool UnicodeFileApi = true;

struct TSearchRecW {
    int32_t Time = 0;      // DOS date (high 16 bits) and time of the last write, local time
    int64_t Size = 0;
    uint32_t Attr = 0;
    WideString Name;
    uint32_t ExcludeAttr = 0;
    void* FindHandle = nullptr; // closed when null (the "-1" handle)
    std::string FindDir, FindMask;
};

int WideFileCreate(const WideString& Name);
int WideFileOpen(const WideString& Name, uint32_t Mode);
bool WideFileExists(const WideString& Name);
bool WideDirectoryExists(const WideString& Name);
int32_t WideFileAge(const WideString& Name);
int32_t WideFileGetAttr(const WideString& Name);
bool WideFileSetAttr(const WideString& Name, uint32_t Attr);
bool WideRenameFile(const WideString& OldName, const WideString& NewName);
bool WideDeleteFile(const WideString& Name);
WideString WideExpandFileName(const WideString& Name);
WideString WideGetCurrentDir();
int WideFindFirst(const WideString& Path, uint32_t Attr, TSearchRecW& F);
int WideFindNext(TSearchRecW& F);
void WideFindClose(TSearchRecW& F);

// Path functions: pure string work. The delimiters are "\" and ":"; "/" counts
// as "\" so that names of this platform split the same way.
size_t WideLastDelimiter(const WideString& Delimiters, const WideString& S);
WideString WideExtractFilePath(const WideString& S);
WideString WideExtractFileName(const WideString& S);
WideString WideExtractFileExt(const WideString& S);
WideString WideExtractFileDrive(const WideString& S);
WideString WideExtractRelativePath(const WideString& BaseName, const WideString& DestName);
inline constexpr int rfReplaceAll = 1, rfIgnoreCase = 2;
WideString WideReplaceAll(const WideString& S, const WideString& OldPattern, const WideString& NewPattern, int Flags);

class EFCreateError : public std::runtime_error { using std::runtime_error::runtime_error; };
class EFOpenError : public std::runtime_error { using std::runtime_error::runtime_error; };

inline constexpr uint16_t fmCreate = 0xFFFF;

class TTntFileStream {
public:
    TTntFileStream(const WideString& FileName, uint16_t Mode);
    ~TTntFileStream();
    TTntFileStream(const TTntFileStream&) = delete;
    TTntFileStream& operator=(const TTntFileStream&) = delete;
    int64_t Read(void* Buffer, int64_t Count);
    int64_t Write(const void* Buffer, int64_t Count);
    int64_t Seek(int64_t Offset, int Origin); // 0 begin, 1 current, 2 end
    int64_t Size() const;
    int Handle() const { return FHandle; }

private:
    int FHandle = -1;
};

class EStringListError : public std::runtime_error { using std::runtime_error::runtime_error; };

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TTntStringList {
public:
    int Count() const { return int(FList.size()); }
    const WideString& Strings(int Index) const;
    void* Objects(int Index) const;
    int Add(const WideString& S) { return AddObject(S, nullptr); }
    int AddObject(const WideString& S, void* Obj);
    void Insert(int Index, const WideString& S);
    void Delete(int Index);
    void Exchange(int Index1, int Index2);
    void Clear() { FList.clear(); }
    int IndexOf(const WideString& S) const;
    int IndexOfName(const WideString& Name) const;
    void Sort();
    bool Find(const WideString& S, int& Index) const;

    bool Sorted = false;
    TDuplicates Duplicates = TDuplicates::dupIgnore;
    bool CaseSensitive = false;
    void SetSorted(bool Value);

private:
    int CompareStrings(const WideString& a, const WideString& b) const;
    void CheckIndex(int Index, int Max) const;
    std::vector<std::pair<WideString, void*>> FList;
};

} // namespace ZipUnicode
