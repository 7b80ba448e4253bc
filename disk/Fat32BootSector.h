#pragma once
// Where the fields of a FAT32 boot sector and of a directory entry lie: the
// formatter writes them, the reader (Fat32Reader) reads them.

#include <cstddef>
#include <cstdint>

namespace disk {

namespace fat32 {

// Boot sector (BIOS parameter block), byte offsets.
constexpr std::size_t kBytesPerSector = 11;     // u16
constexpr std::size_t kSectorsPerCluster = 13;  // u8
constexpr std::size_t kReservedSectors = 14;    // u16
constexpr std::size_t kNumberOfFats = 16;       // u8
constexpr std::size_t kRootEntryCount = 17;     // u16, 0 on FAT32
constexpr std::size_t kTotalSectors16 = 19;     // u16, 0 on FAT32
constexpr std::size_t kMedia = 21;              // u8
constexpr std::size_t kFatSize16 = 22;          // u16, 0 on FAT32
constexpr std::size_t kHiddenSectors = 28;      // u32
constexpr std::size_t kTotalSectors32 = 32;     // u32
constexpr std::size_t kFatSize32 = 36;          // u32
constexpr std::size_t kRootCluster = 44;        // u32
constexpr std::size_t kFsInfoSector = 48;       // u16
constexpr std::size_t kBackupBootSector = 50;   // u16
constexpr std::size_t kFileSystemType = 82;     // 8 bytes, "FAT32   "
constexpr std::size_t kSignature = 510;         // 55 AA

// Directory entry of 32 bytes.
constexpr std::size_t kEntryBytes = 32;
constexpr std::size_t kEntryName = 0;          // 8 + 3 bytes, space-padded
constexpr std::size_t kEntryAttributes = 11;   // u8
constexpr std::size_t kEntryCaseFlags = 12;    // u8: 0x08 base, 0x10 extension in lower case
constexpr std::size_t kEntryClusterHigh = 20;  // u16
constexpr std::size_t kEntryClusterLow = 26;   // u16
constexpr std::size_t kEntrySize = 28;         // u32
constexpr std::uint8_t kAttributeVolumeLabel = 0x08;
constexpr std::uint8_t kAttributeDirectory = 0x10;
constexpr std::uint8_t kAttributeLongName = 0x0F;  // read-only, hidden, system and label together
constexpr std::uint8_t kEntryFree = 0xE5;          // first name byte of a deleted entry
constexpr std::uint8_t kEntryEnd = 0x00;           // first name byte after the last entry

// FAT entries: the low 28 bits count.
constexpr std::uint32_t kClusterMask = 0x0FFFFFFF;
constexpr std::uint32_t kBadCluster = 0x0FFFFFF7;
constexpr std::uint32_t kEndOfChain = 0x0FFFFFF8;  // this value and above
constexpr std::uint32_t kFirstDataCluster = 2;

}  // namespace fat32

}  // namespace disk
