#include "archive/ZipUnicode.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ZipUnicode {

WideString ToWide(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())).toStdU16String(); }
std::string ToUtf8(const WideString& w) { return QString::fromStdU16String(w).toUtf8().toStdString(); }

namespace {

int32_t DosDateTime(time_t t)
{
    std::tm lt{};
    localtime_r(&t, &lt);
    if (lt.tm_year < 80)
        return 0x00210000; // 1980-01-01, the first date DOS can hold
    const uint32_t date = uint32_t((lt.tm_year - 80) << 9 | (lt.tm_mon + 1) << 5 | lt.tm_mday);
    const uint32_t time = uint32_t(lt.tm_hour << 11 | lt.tm_min << 5 | lt.tm_sec / 2);
    return int32_t(date << 16 | time);
}

uint32_t AttrOf(const std::string& name, const struct stat& st)
{
    uint32_t a = 0;
    if (S_ISDIR(st.st_mode))
        a |= faDirectory;
    else
        a |= faArchive;
    if ((st.st_mode & S_IWUSR) == 0)
        a |= faReadOnly;
    const auto slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!base.empty() && base[0] == '.' && base != "." && base != "..")
        a |= faHidden;
    return a;
}

bool IsDelim(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }
bool IsSlash(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t Lower(char16_t c) { return QChar(c).toLower().unicode(); }

bool EqualNoCase(const WideString& a, const WideString& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

} // namespace

int WideFileCreate(const WideString& Name)
{
    return ::open(ToUtf8(Name).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int WideFileOpen(const WideString& Name, uint32_t Mode)
{
    static const int access[3] = {O_RDONLY, O_WRONLY, O_RDWR};
    const uint32_t a = Mode & 3;
    if (a > 2)
        return -1;
    // Sharing modes have no counterpart in POSIX opens; they are not enforced.
    return ::open(ToUtf8(Name).c_str(), access[a] | O_CLOEXEC);
}

bool WideFileExists(const WideString& Name)
{
    struct stat st;
    return ::stat(ToUtf8(Name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool WideDirectoryExists(const WideString& Name)
{
    struct stat st;
    return ::stat(ToUtf8(Name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int32_t WideFileAge(const WideString& Name)
{
    struct stat st;
    if (::stat(ToUtf8(Name).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return DosDateTime(st.st_mtime);
}

int32_t WideFileGetAttr(const WideString& Name)
{
    const std::string n = ToUtf8(Name);
    struct stat st;
    if (::stat(n.c_str(), &st) != 0)
        return -1;
    return int32_t(AttrOf(n, st));
}

bool WideFileSetAttr(const WideString& Name, uint32_t Attr)
{
    const std::string n = ToUtf8(Name);
    struct stat st;
    if (::stat(n.c_str(), &st) != 0)
        return false;
    // Only the read-only bit has a counterpart here: the owner's write permission.
    mode_t m = st.st_mode & 07777;
    m = (Attr & faReadOnly) ? (m & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (m | S_IWUSR);
    return ::chmod(n.c_str(), m) == 0;
}

bool WideRenameFile(const WideString& OldName, const WideString& NewName)
{
    const std::string o = ToUtf8(OldName), n = ToUtf8(NewName);
    // No overwrite: a hard link fails when the target exists; fall back to a
    // checked rename where the file system has no hard links.
    if (::link(o.c_str(), n.c_str()) == 0)
        return ::unlink(o.c_str()) == 0;
    if (errno == EEXIST)
        return false;
    struct stat st;
    if (::lstat(n.c_str(), &st) == 0)
        return false;
    return ::rename(o.c_str(), n.c_str()) == 0;
}

bool WideDeleteFile(const WideString& Name)
{
    return ::unlink(ToUtf8(Name).c_str()) == 0;
}

WideString WideExpandFileName(const WideString& Name)
{
    std::error_code ec;
    const auto p = std::filesystem::absolute(std::filesystem::path(ToUtf8(Name)), ec);
    if (ec)
        return Name;
    return ToWide(p.lexically_normal().string());
}

WideString WideGetCurrentDir()
{
    std::error_code ec;
    const auto p = std::filesystem::current_path(ec);
    return ec ? WideString() : ToWide(p.string());
}

namespace {

int FindMatching(TSearchRecW& F)
{
    DIR* d = static_cast<DIR*>(F.FindHandle);
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (!e) {
            const int err = errno ? errno : ENOENT;
            WideFindClose(F);
            return err;
        }
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        // Masks ignore case as the archive's masks do; hidden names are left to ExcludeAttr.
        if (F.FindMask != "*.*" && ::fnmatch(F.FindMask.c_str(), name.c_str(), FNM_CASEFOLD) != 0)
            continue;
        const std::string full = F.FindDir + name;
        struct stat st;
        if (::stat(full.c_str(), &st) != 0)
            continue; // vanished or dangling link
        const uint32_t attr = AttrOf(full, st);
        if (attr & F.ExcludeAttr)
            continue;
        F.Time = DosDateTime(st.st_mtime);
        F.Size = S_ISDIR(st.st_mode) ? 0 : int64_t(st.st_size);
        F.Attr = attr;
        F.Name = ToWide(name);
        return 0;
    }
}

} // namespace

int WideFindFirst(const WideString& Path, uint32_t Attr, TSearchRecW& F)
{
    WideFindClose(F);
    F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    const std::string p = ToUtf8(Path);
    const auto slash = p.find_last_of('/');
    F.FindDir = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    F.FindMask = slash == std::string::npos ? p : p.substr(slash + 1);
    DIR* d = ::opendir(F.FindDir.empty() ? "." : F.FindDir.c_str());
    if (!d)
        return errno ? errno : ENOENT;
    F.FindHandle = d;
    return FindMatching(F);
}

int WideFindNext(TSearchRecW& F)
{
    if (!F.FindHandle)
        return EBADF;
    return FindMatching(F);
}

void WideFindClose(TSearchRecW& F)
{
    if (F.FindHandle) {
        ::closedir(static_cast<DIR*>(F.FindHandle));
        F.FindHandle = nullptr;
    }
}

// ------------------------------------------------------------------ paths

size_t WideLastDelimiter(const WideString& Delimiters, const WideString& S)
{
    for (size_t i = S.size(); i > 0; --i)
        if (Delimiters.find(S[i - 1]) != WideString::npos)
            return i;
    return 0;
}

namespace {
size_t LastPathDelim(const WideString& S)
{
    for (size_t i = S.size(); i > 0; --i)
        if (IsDelim(S[i - 1]))
            return i;
    return 0;
}
} // namespace

WideString WideExtractFilePath(const WideString& S) { return S.substr(0, LastPathDelim(S)); }
WideString WideExtractFileName(const WideString& S) { return S.substr(LastPathDelim(S)); }

WideString WideExtractFileExt(const WideString& S)
{
    const size_t dot = S.find_last_of(u'.');
    if (dot == WideString::npos || dot + 1 <= LastPathDelim(S))
        return {};
    return S.substr(dot);
}

WideString WideExtractFileDrive(const WideString& S)
{
    if (S.size() >= 2 && S[1] == u':')
        return S.substr(0, 2);
    if (S.size() >= 2 && IsSlash(S[0]) && IsSlash(S[1])) {
        int slashes = 2;
        size_t i = 2;
        for (; i < S.size(); ++i)
            if (IsSlash(S[i]) && ++slashes == 4)
                break;
        return S.substr(0, i);
    }
    return {};
}

WideString WideExtractRelativePath(const WideString& BaseName, const WideString& DestName)
{
    const WideString baseDrive = WideExtractFileDrive(BaseName), destDrive = WideExtractFileDrive(DestName);
    if (!EqualNoCase(baseDrive, destDrive))
        return DestName;
    const char16_t sep = DestName.find(u'/') != WideString::npos ? u'/' : u'\\';
    auto split = [](const WideString& dir) {
        std::vector<WideString> parts;
        WideString cur;
        for (char16_t c : dir) {
            if (IsSlash(c)) {
                if (!cur.empty()) parts.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (!cur.empty()) parts.push_back(cur);
        return parts;
    };
    const auto base = split(WideExtractFilePath(BaseName).substr(baseDrive.size()));
    const auto dest = split(WideExtractFilePath(DestName).substr(destDrive.size()));
    size_t common = 0;
    while (common < base.size() && common < dest.size() && EqualNoCase(base[common], dest[common]))
        ++common;
    WideString r;
    for (size_t i = common; i < base.size(); ++i)
        r += WideString(u"..") + sep;
    for (size_t i = common; i < dest.size(); ++i)
        r += dest[i] + sep;
    return r + WideExtractFileName(DestName);
}

WideString WideReplaceAll(const WideString& S, const WideString& OldPattern, const WideString& NewPattern, int Flags)
{
    if (OldPattern.empty())
        return S;
    const bool noCase = (Flags & rfIgnoreCase) != 0;
    WideString r;
    size_t i = 0;
    while (i < S.size()) {
        bool match = i + OldPattern.size() <= S.size();
        for (size_t k = 0; match && k < OldPattern.size(); ++k)
            match = noCase ? Lower(S[i + k]) == Lower(OldPattern[k]) : S[i + k] == OldPattern[k];
        if (match) {
            r += NewPattern;
            i += OldPattern.size();
        } else {
            r += S[i++];
        }
    }
    return r;
}

// ---------------------------------------------------------- file stream

TTntFileStream::TTntFileStream(const WideString& FileName, uint16_t Mode)
{
    if (Mode == fmCreate) {
        FHandle = WideFileCreate(FileName);
        if (FHandle < 0)
            throw EFCreateError("Cannot create file " + ToUtf8(WideExpandFileName(FileName)));
    } else {
        FHandle = WideFileOpen(FileName, Mode);
        if (FHandle < 0)
            throw EFOpenError("Cannot open file " + ToUtf8(WideExpandFileName(FileName)));
    }
}

TTntFileStream::~TTntFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

int64_t TTntFileStream::Read(void* Buffer, int64_t Count)
{
    int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::read(FHandle, static_cast<char*>(Buffer) + done, size_t(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TTntFileStream::Write(const void* Buffer, int64_t Count)
{
    int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::write(FHandle, static_cast<const char*>(Buffer) + done, size_t(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TTntFileStream::Seek(int64_t Offset, int Origin)
{
    const int whence = Origin == 1 ? SEEK_CUR : Origin == 2 ? SEEK_END : SEEK_SET;
    return int64_t(::lseek(FHandle, off_t(Offset), whence));
}

int64_t TTntFileStream::Size() const
{
    struct stat st;
    return ::fstat(FHandle, &st) == 0 ? int64_t(st.st_size) : -1;
}

// ---------------------------------------------------------- string list

int TTntStringList::CompareStrings(const WideString& a, const WideString& b) const
{
    const QString qa = QString::fromStdU16String(a), qb = QString::fromStdU16String(b);
    return CaseSensitive ? QString::localeAwareCompare(qa, qb)
                         : QString::localeAwareCompare(qa.toLower(), qb.toLower());
}

void TTntStringList::CheckIndex(int Index, int Max) const
{
    if (Index < 0 || Index > Max) {
        char msg[64];
        std::snprintf(msg, sizeof msg, "List index out of bounds (%d)", Index);
        throw EStringListError(msg);
    }
}

const WideString& TTntStringList::Strings(int Index) const
{
    CheckIndex(Index, Count() - 1);
    return FList[size_t(Index)].first;
}

void* TTntStringList::Objects(int Index) const
{
    CheckIndex(Index, Count() - 1);
    return FList[size_t(Index)].second;
}

int TTntStringList::AddObject(const WideString& S, void* Obj)
{
    int index = Count();
    if (Sorted && Find(S, index)) {
        if (Duplicates == TDuplicates::dupIgnore)
            return index;
        if (Duplicates == TDuplicates::dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    FList.insert(FList.begin() + index, {S, Obj});
    return index;
}

void TTntStringList::Insert(int Index, const WideString& S)
{
    if (Sorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(Index, Count());
    FList.insert(FList.begin() + Index, {S, nullptr});
}

void TTntStringList::Delete(int Index)
{
    CheckIndex(Index, Count() - 1);
    FList.erase(FList.begin() + Index);
}

void TTntStringList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1, Count() - 1);
    CheckIndex(Index2, Count() - 1);
    std::swap(FList[size_t(Index1)], FList[size_t(Index2)]);
}

int TTntStringList::IndexOf(const WideString& S) const
{
    int index = -1;
    if (Sorted)
        return Find(S, index) ? index : -1;
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(FList[size_t(i)].first, S) == 0)
            return i;
    return -1;
}

int TTntStringList::IndexOfName(const WideString& Name) const
{
    for (int i = 0; i < Count(); ++i) {
        const WideString& s = FList[size_t(i)].first;
        const size_t eq = s.find(u'=');
        if (eq != WideString::npos && CompareStrings(s.substr(0, eq), Name) == 0)
            return i;
    }
    return -1;
}

void TTntStringList::Sort()
{
    std::stable_sort(FList.begin(), FList.end(),
                     [this](const auto& a, const auto& b) { return CompareStrings(a.first, b.first) < 0; });
}

void TTntStringList::SetSorted(bool Value)
{
    if (Value && !Sorted)
        Sort();
    Sorted = Value;
}

bool TTntStringList::Find(const WideString& S, int& Index) const
{
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = CompareStrings(FList[size_t(mid)].first, S);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (Duplicates != TDuplicates::dupAccept)
                    lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}

} // namespace ZipUnicode
