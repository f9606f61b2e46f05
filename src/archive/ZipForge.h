#pragma once
// Zip archive component: options, errors, the archiver engine and TZipForge.
// Names are UTF-8 std::string (the wide strings of the component).
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ZipRecords { class TZFStream; }
class TZFDirManager;
struct TDirItem;

enum TZFCompressionLevel { clNone, clFastest, clNormal, clMax };
enum TZFCryptoAlgorithm { caPkzipClassic, caAES_128, caAES_192, caAES_256 };
enum TZFOverwriteMode { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };
enum TZFFileShareMode { smShareCompat, smShareExclusive, smShareDenyWrite, smShareDenyRead, smShareDenyNone };
enum TZFStorePathMode { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };
enum TZip64Mode { zmDisabled, zmAuto, zmAlways };
enum TZFSpanningMode { smNone, smSpanning, smSplitting };
enum TZFVolumeSize { vsAutoDetect, vsCustom, vs1_44MB, vs100MB, vs200MB, vs250MB, vs600MB, vs650MB, vs700MB, vs4700MB };

// The one exception class of the component. NativeError is the code raised (0..62),
// ErrorCode the number of the text it maps to (0..37).
class EZFException : public std::runtime_error {
public:
    EZFException(int code, const std::string& senderName = std::string(),
                 const std::vector<std::string>& args = {});
    int NativeError = 0;
    int ErrorCode = 0;
    static int TextNumber(int code);          // 0 for a code not in the table
    static std::string Text(int code);        // unformatted text of a code
};

struct TZFOptions {
    bool Recurse = true;
    TZFStorePathMode StorePath = spRelativePath;
    TZFFileShareMode ShareMode = smShareDenyNone;
    TZFOverwriteMode OverwriteMode = omAlways;
    bool CreateDirs = true;
    bool ReplaceReadOnly = true;
    bool SetAttributes = true;
    int32_t SearchAttr = 10431;
    bool FlushBuffers = true;
    bool OEMFileNames = true;
    void Assign(const TZFOptions& o) { *this = o; }
};

class TZFSpanningOptions {
public:
    bool AdvancedNaming = false;
    int64_t FirstVolumeSize = 0;
    TZFVolumeSize VolumeSize = vsAutoDetect;
    int64_t CustomVolumeSize() const { return FCustomVolumeSize; }
    void SetCustomVolumeSize(int64_t v) { FCustomVolumeSize = v < 65536 ? 65536 : v; }
    int64_t GetVolumeSize(int volumeNumber) const;   // -1: no fixed limit
    bool Flag = false;                               // the unpublished flag, copied by Assign
    void Assign(const TZFSpanningOptions& o) { *this = o; }
private:
    int64_t FCustomVolumeSize = 0;
};

class TZFVolumeNumberInfo {
public:
    int32_t State = 3;           // 0 first, 1 last, 2 numbered, 3 unset
    int32_t VolumeNumber = -1;
    int32_t LastVolumeNumber = -1;
    bool IsFirst() const { return VolumeNumber == 0; }
    void SetFirst() { VolumeNumber = 0; State = 0; }
    bool IsLast() const { return LastVolumeNumber >= 0 ? VolumeNumber == LastVolumeNumber : State == 1; }
    void SetLast() { VolumeNumber = LastVolumeNumber; State = 1; }
    void SetNumber(int32_t n) { State = 2; VolumeNumber = n; }
};

// Mapping between coarse level and deflate mode, and the working buffer of a mode.
int CompressionLevelToMode(TZFCompressionLevel l);
TZFCompressionLevel CompressionModeToLevel(int mode);
uint32_t CompressionBufferSize(int mode);

// ---- Extension points for encryption, volumes and Unicode/OEM names ----
// Entry encryption: created per entry when Password is not empty. Prefix() bytes are
// written after the local-header extras and before the data (the classic 12-byte header
// or the AES salt + verifier); Encrypt() transforms the compressed bytes in place;
// Trailer() is written after the data (the AES authentication code). ExtraField() is the
// AES extra field (id 0x9901, written in the local header and kept for the central one).
class TZFEntryEncryptor {
public:
    virtual ~TZFEntryEncryptor() = default;
    virtual std::vector<uint8_t> ExtraField() { return {}; }
    virtual std::vector<uint8_t> Prefix(const TDirItem& item) = 0;
    virtual void Encrypt(uint8_t* buf, size_t n) = 0;
    virtual std::vector<uint8_t> Trailer() { return {}; }
};
using TZFEncryptorFactory = std::function<std::unique_ptr<TZFEntryEncryptor>(
    TZFCryptoAlgorithm alg, const std::string& password, const TDirItem& item)>;

// Volumes: when SpanningMode is not smNone, finished archive bytes go through this writer.
class TZFVolumeWriter {
public:
    virtual ~TZFVolumeWriter() = default;
    // Called by CloseArchive/commit with the complete single-file image written at path.
    virtual void Distribute(class TZFBaseArchiver& archiver, const std::string& archivePath) = 0;
};

// Name conversion between the stored (UTF-8) name and header bytes. The defaults keep
// the UTF-8 bytes; the Unicode-name extra field always carries the exact name.
using TZFNameEncoder = std::function<std::string(const std::string& name, bool oem)>;
using TZFNameDecoder = std::function<std::string(const std::string& bytes, bool oem)>;
void SetZipNameCodec(TZFNameEncoder enc, TZFNameDecoder dec);
std::string ZipNameToHeader(const std::string& name, bool oem);
std::string ZipNameFromHeader(const std::string& bytes, bool oem);

// The texts of the component's default dialogs ("%s", "%d" as in the format strings).
namespace ZipPrompts {
inline constexpr const char* ConfirmOverwrite = "Overwrite file \"%s\" with \"%s\"";
inline constexpr const char* PasswordCaption = "Password for \"%s\"";
inline constexpr const char* PasswordPrompt = "Enter password: ";
inline constexpr const char* InsertBlankVolume = "Please insert a blank disk #%d";
inline constexpr const char* InsertFirstVolume = "Please insert the first disk";
inline constexpr const char* InsertLastVolume = "Please insert the last disk";
inline constexpr const char* InsertMiddleVolume = "Please insert disk #%d";
inline constexpr const char* DiskFull = "Disk is full. Required free space: %d bytes, but available only: %d bytes. "
                                        "Clean the disk or find another blank disk";
inline constexpr const char* ProcessFileFailure = "%s. File processing error, possibly disk is full";
inline constexpr const char* FileNotFoundOnVolume =
    "File '%s' not found on inserted disk. Please insert last disk with required file";
// Fills "%s" and "%d" placeholders in order with the given texts.
std::string Format(const std::string& text, const std::vector<std::string>& args);
}

// Event handler types (Sender omitted: handlers are closures).
using TZFProgressEvent = std::function<void(double progress, int operation, int phase, bool& cancel)>;
using TZFFileProgressEvent = std::function<void(const std::string& fileName, double progress, int operation, int phase, bool& cancel)>;
using TZFConfirmOverwriteEvent = std::function<void(const std::string& sourceName, const std::string& destName, bool& confirm)>;
using TZFConfirmProcessFileEvent = std::function<void(const std::string& fileName, int operation, bool& confirm)>;
using TZFProcessFileFailureEvent = std::function<void(const std::string& fileName, int operation, int nativeError,
                                                      int errorCode, const std::string& message, int& action)>;
using TZFStoreFileEvent = std::function<void(std::string& fileName, uint32_t& fileAttr, std::string& comment,
                                             const std::string& originalFileName)>;
using TZFDiskFullEvent = std::function<void(int volumeNumber, const std::string& volumeFileName, bool& cancel)>;
using TZFCopyTempFileProgressEvent = std::function<void(double progress, int phase, bool& cancel)>;
using TZFPasswordEvent = std::function<void(const std::string& fileName, std::string& newPassword, bool& skipFile)>;
using TZFRequestVolumeEvent = std::function<void(int volumeNumber, std::string& volumeFileName, bool& cancel)>;
using TZFRequestEndVolumeEvent = std::function<void(std::string& volumeFileName, bool& cancel)>;
using TZFNotifyEvent = std::function<void()>;

class TZFBaseArchiver {
public:
    TZFBaseArchiver();
    virtual ~TZFBaseArchiver();
    TZFBaseArchiver(const TZFBaseArchiver&) = delete;
    TZFBaseArchiver& operator=(const TZFBaseArchiver&) = delete;

    std::string Name;                 // component name (prefix of error messages)
    bool ExtractCorruptedFiles = false;
    std::string FileName;
    std::string BaseDir;
    std::string TempDir;
    std::string SFXStub;
    TZFOptions Options;
    TZFSpanningOptions SpanningOptions;
    std::vector<std::string> FileMasks, ExclusionMasks, NoCompressionMasks;
    bool UnicodeFilenames = true;
    TZFCryptoAlgorithm EncryptionMethod = caPkzipClassic;
    TZip64Mode Zip64Mode = zmAuto;
    bool StandardZip = false;

    TZFCompressionLevel CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(TZFCompressionLevel l);
    int CompressionMode() const { return FCompressionMode; }
    void SetCompressionMode(int m);
    std::string CurrentVersion() const { return "5.01 "; }
    const std::string& Password() const { return FPassword; }
    virtual void SetPassword(const std::string& p) { FPassword = p; }
    virtual void ApplyCompressionMode() {}
    TZFSpanningMode SpanningMode() const { return FSpanningMode; }
    void SetSpanningMode(TZFSpanningMode s);
    bool InMemory() const { return FInMemory; }
    void SetInMemory(bool b);
    const std::vector<uint8_t>& MemoryImage() const;   // bytes of an in-memory archive

    void OpenArchive();
    void OpenArchiveMode(uint16_t mode);     // 65535 creates a new archive
    void CloseArchive();
    bool Active() const { return FActive; }
    // Why the archive file itself could not be written (Spanish, completing "No se
    // pudo grabar el archivo X:"), after a failure; "" when the cause lay elsewhere.
    const std::string& WriteProblem() const;
    // What the last update left out of the archive, so that a run nobody watches
    // still learns of it: source files skipped after a failure (the failure
    // handler's Ignore, the default of an unattended run) and entries of a damaged
    // archive whose data the file cut short, dropped before new entries were
    // written after them. Emptied when an update begins.
    const std::vector<std::string>& LeftOut() const;
    void SetActive(bool b);
    void BeginUpdate();
    void EndUpdate();
    void CancelUpdate();
    bool InUpdate() const { return FUpdateCount > 0; }
    void AddFiles(const std::string& fileMask, int32_t searchAttr = 10431,
                  const std::string& exclusionMask = std::string());
    int FileCount() const;
    const TDirItem& Item(int i) const;

    // Events
    TZFFileProgressEvent OnFileProgress;
    TZFProgressEvent OnOverallProgress;
    TZFConfirmOverwriteEvent OnConfirmOverwrite;
    TZFConfirmProcessFileEvent OnConfirmProcessFile;
    TZFProcessFileFailureEvent OnProcessFileFailure;
    TZFStoreFileEvent OnStoreFile;
    TZFDiskFullEvent OnDiskFull;
    TZFCopyTempFileProgressEvent OnCopyTempFileProgress;
    TZFPasswordEvent OnPassword;
    TZFRequestVolumeEvent OnRequestBlankVolume;
    TZFRequestEndVolumeEvent OnRequestFirstVolume;
    TZFRequestEndVolumeEvent OnRequestLastVolume;
    TZFRequestVolumeEvent OnRequestMiddleVolume;
    TZFNotifyEvent AfterOpen;
    // Extension points (installed by the encryption and volume code)
    TZFEncryptorFactory EncryptorFactory;
    std::shared_ptr<TZFVolumeWriter> VolumeWriter;

    uint16_t MethodNumber() const { return FMethod; }
    // The file the archive stream is open on (a volume of a multi-volume archive).
    std::string CurrentVolumeName() const;
    // Volumes of an archive read from disk: the index of the last one (0 for one file).
    int LastVolumeIndex() const;

    // Dispatchers of the events: the handler when one is assigned, else the
    // component's default (dialogs through ArchiveDialogs()). VolumeNumber is the
    // zero-based volume index plus 1; the volume dispatchers first set
    // VolumeFileName to the name the naming rule gives for that volume.
    virtual void DoOnRequestBlankVolume(int volumeNumber, std::string& volumeFileName, bool& cancel);
    virtual void DoOnRequestFirstVolume(std::string& volumeFileName, bool& cancel);
    virtual void DoOnRequestLastVolume(std::string& volumeFileName, bool& cancel);
    virtual void DoOnRequestMiddleVolume(int volumeNumber, std::string& volumeFileName, bool& cancel);
    // requiredBytes/availableBytes fill the default box's text.
    virtual void DoOnDiskFull(int volumeNumber, const std::string& volumeFileName, bool& cancel,
                              int64_t requiredBytes = 0, int64_t availableBytes = 0);
    virtual void DoOnCopyTempFileProgress(double progress, int phase, bool& cancel);
    virtual void DoOnPassword(const std::string& fileName, std::string& newPassword, bool& skipFile);

protected:
    friend class TZFDirManager;
    uint16_t FMethod = 0;
    std::string FPassword;
    virtual void DoOnOverallProgress(double progress, int operation, int phase, bool& cancel);
    virtual void DoOnFileProgress(const std::string& fileName, double progress, int operation, int phase, bool& cancel);
    virtual void DoOnConfirmOverwrite(const std::string& src, const std::string& dst, bool& confirm);
    virtual void DoOnConfirmProcessFile(const std::string& fileName, int operation, bool& confirm);
    virtual void DoOnProcessFileFailure(const std::string& fileName, int operation, int nativeError, int errorCode,
                                        const std::string& message, int& action);
    virtual void DoOnStoreFile(std::string& fileName, uint32_t& attr, std::string& comment, const std::string& original);
    [[noreturn]] void Raise(int code, const std::vector<std::string>& args = {}) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    TZFCompressionLevel FCompressionLevel = clFastest;
    int FCompressionMode = 1;
    TZFSpanningMode FSpanningMode = smNone;
    bool FInMemory = false;
    bool FActive = false;
    int32_t FUpdateCount = 0;
    void Commit();
    void CommitEntries(bool& committed);
    void Rollback();
    void PublishAside();
    void SearchMask(const std::string& mask, int32_t searchAttr, bool recurse,
                    const std::vector<std::string>& exclusions);
    bool Excluded(const std::string& fullName, bool isDir, const std::vector<std::string>& exclusions) const;
    void AddOneFile(const std::string& fullPath, bool move);
    bool WriteNewEntry(TDirItem& item, bool& cancel);
    void CopyEntry(int index);
    void WriteWithDiskFullRetry(ZipRecords::TZFStream& out, const uint8_t* p, size_t k);
    void OpenExisting(bool spanning);
    bool ReadDirectoryOf(const std::string& lastVolumeName);
    ZipRecords::TZFStream* OpenVolumeForReading(uint32_t index);
    std::string ExpectedVolumeName(uint32_t index) const;
};

class TZipForge : public TZFBaseArchiver {
public:
    TZipForge();
    ~TZipForge() override;
    void SetPassword(const std::string& p) override;
    void ApplyCompressionMode() override;
};
