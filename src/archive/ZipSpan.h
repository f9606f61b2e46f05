#pragma once
// Volume layer of the zip writer: names of split parts and spanned disks, the
// blank-volume and disk-full requests, and cutting a finished archive into
// volumes with the disk numbers and per-disk offsets its headers need.
#include "archive/ZipForge.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ZipSpan {

inline constexpr uint32_t LastVolumeIndex = 0xFFFFFFFFu;
inline constexpr int64_t MinVolumeFreeSpace = 65537;

// True when the archive is self-extracting: a stub is set, or the name ends in ".exe".
bool IsSelfExtracting(const std::string& FileName, const std::string& SFXStub);

// Name of the volume with zero-based Index (LastVolumeIndex for the last one).
std::string VolumeFileName(const std::string& FileName, uint32_t Index, TZFSpanningMode Mode, bool AdvancedNaming,
                           bool SelfExtracting, uint16_t MethodNumber);
// The existing file of that volume under the given naming form, also when only the
// case of its extension differs ("set.z01" for "set.Z01"); empty when there is none.
std::string FindVolumeFile(const std::string& FileName, uint32_t Index, TZFSpanningMode Mode, bool AdvancedNaming,
                           bool SelfExtracting, uint16_t MethodNumber);
// As above for a volume that must exist: when the name does not exist, the other
// naming form is tried and taken when it exists.
std::string ExistingVolumeFileName(const std::string& FileName, uint32_t Index, TZFSpanningMode Mode,
                                   bool AdvancedNaming, bool SelfExtracting, uint16_t MethodNumber);

using TZFRequestBlankVolumeEvent = std::function<void(int volumeNumber, std::string& volumeFileName, bool& cancel)>;
using TZFFreeSpaceQuery = std::function<int64_t(const std::string& path)>;

int64_t DriveFreeSpace(const std::string& path);

// Writes a complete single-file archive image as volumes. Every volume holds at
// most its size from SpanningOptions (the free space of the medium when no size
// is fixed); local headers and central records are kept whole on one volume; the
// central records and the end records are rewritten with the disk number and
// per-disk offset of what they point to (in Zip64 extra fields and a Zip64 end
// record with its locator where a value does not fit, or the entries are 65,535 or
// more), and the first volume starts with the split-archive marker. An image that
// fits in the first volume is left as one plain file.
class TZipVolumeWriter : public TZFVolumeWriter {
public:
    void Distribute(TZFBaseArchiver& Archiver, const std::string& ArchivePath) override;

    TZFRequestBlankVolumeEvent OnRequestBlankVolume; // default: go on with the given name
    TZFFreeSpaceQuery FreeSpace = DriveFreeSpace;
    std::vector<std::string> WrittenVolumes;          // final names, in disk order
};

void InstallVolumeWriter(TZFBaseArchiver& Archiver);

} // namespace ZipSpan
