#pragma once
// The records a disk's geometry and partition layout are exchanged in, and
// the master boot record that holds the layout on disk. Pure functions: no I/O.

#include <cstdint>
#include <span>
#include <vector>

#include "store/LittleEndian.h"

namespace disk {

// Geometry of a disk; BytesPerSector is the unit of every sector transfer.
struct DiskGeometry {
    std::uint64_t Cylinders = 0;
    std::uint32_t MediaType = 0;
    std::uint32_t TracksPerCylinder = 0;
    std::uint32_t SectorsPerTrack = 0;
    std::uint32_t BytesPerSector = 0;
};

// One entry of a disk's partition layout; offsets and lengths in bytes.
struct PartitionInformation {
    std::uint64_t StartingOffset = 0;
    std::uint64_t PartitionLength = 0;
    std::uint32_t HiddenSectors = 0;  // the entry's first sector
    std::uint32_t PartitionNumber = 0;
    std::uint8_t PartitionType = 0;
    bool BootIndicator = false;
    bool RecognizedPartition = false;
    bool RewritePartition = false;
};

constexpr std::uint8_t kPartitionTypeFat32Chs = 0x06;
constexpr std::uint8_t kPartitionTypeGptProtective = 0xEE;

namespace mbr {
constexpr std::size_t kSize = 512;
constexpr std::size_t kBootCodeSize = 440;   // bytes 0..439 belong to the boot program
constexpr std::size_t kDiskSignature = 440;  // 4 bytes, then 2 reserved bytes
constexpr std::size_t kFirstEntry = 446;     // four 16-byte entries
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kEntryCount = 4;
constexpr std::size_t kBootSignature = 510;  // bytes 55 AA
// Offsets inside one entry.
constexpr std::size_t kEntryBoot = 0;
constexpr std::size_t kEntryFirstChs = 1;
constexpr std::size_t kEntryType = 4;
constexpr std::size_t kEntryLastChs = 5;
constexpr std::size_t kEntryFirstLba = 8;
constexpr std::size_t kEntrySectorCount = 12;
}  // namespace mbr

// What sector 0 of a disk holds.
enum class PartitionTableKind {
    None,          // no 55 AA signature: the disk has no partition table
    BootSector,    // a file system's boot sector: the disk was formatted without a table
    Unrecognised,  // 55 AA but entries that no partition table holds
    Mbr,
    Gpt,  // a protective entry (type 0xEE) in front of a GUID partition table
};

struct DecodedPartitionTable {
    PartitionTableKind kind = PartitionTableKind::None;
    std::vector<PartitionInformation> entries;  // all four for Mbr and Gpt, none otherwise
};

// Reads the layout out of sector 0; `sector` may be shorter than 512 bytes
// (then it holds no table). Sector numbers count in `bytesPerSector` units.
DecodedPartitionTable decodePartitionTable(std::span<const std::uint8_t> sector,
                                           std::uint32_t bytesPerSector);

// Writes `entries` (at most four) into the sector-0 image `sector` (512
// bytes or more): disk signature 0, boot signature 55 AA, boot program kept.
// Fails when an entry does not start on a sector boundary, is not a whole
// number of sectors long, or does not fit the 32-bit sector fields.
bool encodePartitionTable(std::span<std::uint8_t> sector,
                          std::span<const PartitionInformation> entries,
                          const DiskGeometry& geometry);

}  // namespace disk
