#include "disk/PartitionTable.h"

#include <cstring>

namespace disk {

using namespace store;

namespace {

bool isPowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

// A FAT, NTFS or exFAT boot sector: a jump, then a plausible parameter block
// or a known file system name. Its boot code fills the bytes where partition
// entries would lie.
bool looksLikeBootSector(const std::uint8_t* s) {
    bool jump = (s[0] == 0xEB && s[2] == 0x90) || s[0] == 0xE9;
    if (!jump)
        return false;
    if (std::memcmp(s + 3, "NTFS    ", 8) == 0 || std::memcmp(s + 3, "EXFAT   ", 8) == 0) {
        return true;
    }
    std::uint32_t bytesPerSector = readLe16(s + 11);
    std::uint32_t sectorsPerCluster = s[13];
    std::uint32_t reserved = readLe16(s + 14);
    std::uint32_t fats = s[16];
    std::uint32_t media = s[21];
    return bytesPerSector >= 512 && bytesPerSector <= 4096 && isPowerOfTwo(bytesPerSector) &&
           isPowerOfTwo(sectorsPerCluster) && reserved >= 1 && fats >= 1 && fats <= 2 &&
           (media == 0xF0 || media >= 0xF8);
}

// Cylinder/head/sector address of `lba`, or the FE FF FF form past cylinder 1023.
void encodeChs(std::uint8_t* out, std::uint64_t lba, const DiskGeometry& geometry) {
    std::uint32_t heads = geometry.TracksPerCylinder;
    std::uint32_t sectors = geometry.SectorsPerTrack;
    bool usable = heads >= 1 && heads <= 255 && sectors >= 1 && sectors <= 63;
    if (!usable || lba >= 1024ULL * heads * sectors) {
        out[0] = 0xFE;
        out[1] = 0xFF;
        out[2] = 0xFF;
        return;
    }
    std::uint64_t cylinder = lba / (heads * sectors);
    std::uint64_t head = (lba / sectors) % heads;
    std::uint64_t sector = lba % sectors + 1;
    out[0] = static_cast<std::uint8_t>(head);
    out[1] = static_cast<std::uint8_t>(sector | ((cylinder >> 8) & 3) << 6);
    out[2] = static_cast<std::uint8_t>(cylinder & 0xFF);
}

}  // namespace

DecodedPartitionTable decodePartitionTable(std::span<const std::uint8_t> sector,
                                           std::uint32_t bytesPerSector) {
    DecodedPartitionTable table;
    if (sector.size() < mbr::kSize || bytesPerSector == 0)
        return table;
    const std::uint8_t* s = sector.data();
    if (s[mbr::kBootSignature] != 0x55 || s[mbr::kBootSignature + 1] != 0xAA)
        return table;
    if (looksLikeBootSector(s)) {
        table.kind = PartitionTableKind::BootSector;
        return table;
    }
    bool protective = false;
    std::vector<PartitionInformation> entries;
    for (std::size_t i = 0; i < mbr::kEntryCount; ++i) {
        const std::uint8_t* e = s + mbr::kFirstEntry + i * mbr::kEntrySize;
        std::uint8_t boot = e[mbr::kEntryBoot];
        if (boot != 0x00 && boot != 0x80) {
            table.kind = PartitionTableKind::Unrecognised;
            return table;
        }
        PartitionInformation info;
        info.PartitionType = e[mbr::kEntryType];
        if (info.PartitionType != 0) {
            std::uint32_t first = readLe32(e + mbr::kEntryFirstLba);
            std::uint32_t count = readLe32(e + mbr::kEntrySectorCount);
            info.StartingOffset = static_cast<std::uint64_t>(first) * bytesPerSector;
            info.PartitionLength = static_cast<std::uint64_t>(count) * bytesPerSector;
            info.HiddenSectors = first;
            info.PartitionNumber = static_cast<std::uint32_t>(i + 1);
            info.BootIndicator = boot == 0x80;
            info.RecognizedPartition = true;
            protective = protective || info.PartitionType == kPartitionTypeGptProtective;
        }
        entries.push_back(info);
    }
    table.kind = protective ? PartitionTableKind::Gpt : PartitionTableKind::Mbr;
    table.entries = std::move(entries);
    return table;
}

bool encodePartitionTable(std::span<std::uint8_t> sector,
                          std::span<const PartitionInformation> entries,
                          const DiskGeometry& geometry) {
    std::uint32_t bps = geometry.BytesPerSector;
    if (sector.size() < mbr::kSize || entries.size() > mbr::kEntryCount || bps == 0)
        return false;
    std::uint8_t table[mbr::kEntryCount * mbr::kEntrySize] = {};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PartitionInformation& info = entries[i];
        if (info.PartitionType == 0)
            continue;  // an unused entry is all zero
        if (info.StartingOffset % bps != 0 || info.PartitionLength % bps != 0)
            return false;
        std::uint64_t first = info.StartingOffset / bps;
        std::uint64_t count = info.PartitionLength / bps;
        if (first == 0 || count == 0 || first > 0xFFFFFFFFULL || count > 0xFFFFFFFFULL) {
            return false;
        }
        std::uint8_t* e = table + i * mbr::kEntrySize;
        e[mbr::kEntryBoot] = info.BootIndicator ? 0x80 : 0x00;
        encodeChs(e + mbr::kEntryFirstChs, first, geometry);
        e[mbr::kEntryType] = info.PartitionType;
        encodeChs(e + mbr::kEntryLastChs, first + count - 1, geometry);
        writeLe32(e + mbr::kEntryFirstLba, static_cast<std::uint32_t>(first));
        writeLe32(e + mbr::kEntrySectorCount, static_cast<std::uint32_t>(count));
    }
    std::uint8_t* s = sector.data();
    std::memset(s + mbr::kDiskSignature, 0, mbr::kFirstEntry - mbr::kDiskSignature);
    std::memcpy(s + mbr::kFirstEntry, table, sizeof table);
    s[mbr::kBootSignature] = 0x55;
    s[mbr::kBootSignature + 1] = 0xAA;
    return true;
}

}  // namespace disk
