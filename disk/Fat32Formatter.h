#pragma once
// FAT32 formatter: the layout of a new volume, computed from its size alone,
// and the writers of its boot sector (with backup), FSInfo sector, FAT and
// root directory. The volume gets one FAT, 32 reserved sectors and a root
// directory of one cluster holding the label "NEW".

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "disk/DiskDevice.h"
#include "disk/FormatResult.h"

namespace disk {

struct Fat32Params {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t rootEntryCount = 0;
    std::uint32_t totalSectors16 = 0;
    std::uint32_t fatSize16 = 0;
    std::uint32_t totalSectors32 = 0;
    std::uint32_t fatSize32 = 0;
    std::uint32_t numberOfFats = 0;
    std::uint32_t rootCluster = 0;
    std::uint32_t fsInfoSector = 0;
};

// Everything FormatFAT32 works out before it writes.
struct Fat32Layout {
    bool tooSmall = false;        // below 66600 units of 512 bytes: no FAT32 here
    std::uint64_t sizeUnits = 0;  // the volume's size in 512-byte units
    Fat32Params params;           // valid unless tooSmall
    std::uint32_t dataSectors = 0;
    std::uint32_t entriesPerFatSector = 0;
    std::uint32_t dataClusters = 0;
    std::uint32_t fatCapacity = 0;  // FAT entries the FAT sectors hold
};

// The layout of a volume of `sectorCount` sectors of `deviceBytesPerSector` bytes.
Fat32Layout ComputeFat32Layout(std::uint32_t deviceBytesPerSector, std::uint32_t sectorCount);

constexpr std::uint32_t kFirstVolumeSerial = 0x12345678;
// Serial numbers of the volumes this process formats: 0x12345678, then one more each time.
std::uint32_t nextVolumeSerial();

// Sector images, 512 bytes for the boot and FSInfo sectors, bytesPerSector for the others.
std::array<std::uint8_t, 512> BuildBootSector(const Fat32Params& params,
                                              std::uint32_t hiddenSectors, std::uint32_t serial);
std::array<std::uint8_t, 512> BuildFSInfo(std::uint32_t nextFree, std::uint32_t freeCount);
std::vector<std::uint8_t> BuildFirstFatSector(const Fat32Params& params, bool markRoot);
std::vector<std::uint8_t> BuildRootDirectorySector(const Fat32Params& params,
                                                   const std::string& label);

// The writers; sector numbers are relative to the volume, `first` is where the
// file system starts in it. The boot sector's hidden-sector count is where it
// starts on the disk: `first` plus the sectors before the volume.
FormatResult WriteBPB(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                      std::ostream& out, std::optional<std::uint32_t> serial = std::nullopt);
bool WriteFSInfo(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                 std::uint32_t nextFree, std::uint32_t freeCount);
bool InitialiseFAT(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                   bool markRoot);
bool InitialiseRootDirectory(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                             const std::string& label);

// Formats the `sectorCount` sectors from `first` on as FAT32, printing the
// layout and the step it is at. `serial` replaces the process counter.
FormatResult FormatFAT32(DiskDevice& device, std::uint32_t first, std::uint32_t sectorCount,
                         std::ostream& out, std::optional<std::uint32_t> serial = std::nullopt);

}  // namespace disk
