#include "disk/Fat32Formatter.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "disk/BootProgram.h"
#include "disk/Fat32BootSector.h"
#include "store/LittleEndian.h"

namespace disk {

using namespace store;
using namespace platform;

namespace {

// Cluster size by volume size in 512-byte units: the first row whose limit
// the size stays below; the last row takes every larger size.
struct ClusterRow {
    std::uint32_t sizeBelow;
    std::uint32_t sectorsPerCluster;  // 0: too small for FAT32
};
constexpr ClusterRow kClusterTable[] = {
    {66600, 0},        // 32.5 MiB
    {532480, 1},       // 260 MiB
    {16777216, 8},     // 8 GiB
    {33554432, 16},    // 16 GiB
    {67108864, 32},    // 32 GiB
    {0xFFFFFFFF, 64},  // everything larger
};
constexpr std::size_t kLastRow = sizeof kClusterTable / sizeof kClusterTable[0] - 1;

constexpr std::uint32_t kMaxBytesPerSector = 4096;
constexpr std::uint32_t kReservedSectors = 32;
constexpr std::uint32_t kBackupBootSector = 6;
constexpr std::uint8_t kMediaFixed = 0xF8;
// Directory timestamps are fixed: 01:01:01 (stored as 01:01:00) on 1 January 2010.
constexpr std::uint16_t kLabelTime = 1 * 2048 + 1 * 32 + 1 / 2;         // 0x0820
constexpr std::uint16_t kLabelDate = (2010 - 1980) * 512 + 1 * 32 + 1;  // 0x3C21
static_assert(kLabelTime == 0x0820 && kLabelDate == 0x3C21);
constexpr std::uint8_t kAttributeVolumeLabel = 0x08;

std::atomic<std::uint32_t> volumeSerialCounter{kFirstVolumeSerial};

void print(std::ostream& out, const char* format, std::uint32_t value) {
    char line[128];
    std::snprintf(line, sizeof line, format, static_cast<unsigned>(value));
    out << line;
}

// Copies up to `width` characters of `text` (stopping at a NUL), padded with spaces.
void putPadded(std::uint8_t* field, const std::string& text, std::size_t width) {
    std::memset(field, ' ', width);
    for (std::size_t i = 0; i < width && i < text.size() && text[i] != '\0'; ++i) {
        field[i] = static_cast<std::uint8_t>(text[i]);
    }
}

}  // namespace

Fat32Layout ComputeFat32Layout(std::uint32_t deviceBytesPerSector, std::uint32_t sectorCount) {
    Fat32Layout layout;
    // Kept in 64 bits: cut to 32, a volume of 2 TiB or more on large sectors
    // would wrap to a small size and get a wrong cluster size or none.
    layout.sizeUnits = (static_cast<std::uint64_t>(deviceBytesPerSector) * sectorCount) >> 9;
    std::size_t row = 0;
    while (row < kLastRow && layout.sizeUnits >= kClusterTable[row].sizeBelow)
        ++row;
    std::uint32_t sectorsPerCluster = kClusterTable[row].sectorsPerCluster;
    if (sectorsPerCluster == 0) {
        layout.tooSmall = true;
        return layout;
    }
    Fat32Params& p = layout.params;
    p.bytesPerSector = std::min(deviceBytesPerSector, kMaxBytesPerSector);
    p.sectorsPerCluster = sectorsPerCluster;
    p.reservedSectors = kReservedSectors;
    p.rootEntryCount = 0;
    p.totalSectors16 = 0;
    p.fatSize16 = 0;
    p.totalSectors32 = sectorCount;
    p.numberOfFats = 1;
    p.rootCluster = 2;
    p.fsInfoSector = 1;
    // One FAT sector per 128 clusters, rounded up. Worked out in 64 bits: the
    // rounding sum of a volume near 2^32 sectors would wrap in 32.
    std::uint64_t divisor = (256ULL * sectorsPerCluster + p.numberOfFats) / 2;
    p.fatSize32 =
        static_cast<std::uint32_t>((sectorCount - kReservedSectors + divisor - 1) / divisor);
    layout.dataSectors = sectorCount - kReservedSectors - p.fatSize32 * p.numberOfFats;
    layout.entriesPerFatSector = p.bytesPerSector / 4;
    layout.dataClusters = layout.dataSectors / sectorsPerCluster;
    layout.fatCapacity = layout.entriesPerFatSector * p.fatSize32;
    return layout;
}

std::uint32_t nextVolumeSerial() {
    return volumeSerialCounter.fetch_add(1);
}

std::array<std::uint8_t, 512> BuildBootSector(const Fat32Params& params,
                                              std::uint32_t hiddenSectors, std::uint32_t serial) {
    std::array<std::uint8_t, 512> s{};
    std::uint8_t* b = s.data();
    b[0] = 0xEB;  // jump over the parameter block to the boot program
    b[1] = 0x58;
    b[2] = 0x90;
    std::memcpy(b + 3, "MSDOS5.0", 8);
    writeLe16(b + fat32::kBytesPerSector, params.bytesPerSector);
    b[fat32::kSectorsPerCluster] = static_cast<std::uint8_t>(params.sectorsPerCluster);
    writeLe16(b + fat32::kReservedSectors, params.reservedSectors);
    b[fat32::kNumberOfFats] = static_cast<std::uint8_t>(params.numberOfFats);
    writeLe16(b + fat32::kRootEntryCount, params.rootEntryCount);
    writeLe16(b + fat32::kTotalSectors16, params.totalSectors16);
    b[fat32::kMedia] = kMediaFixed;
    writeLe16(b + fat32::kFatSize16, params.fatSize16);
    writeLe16(b + 24, 63);   // sectors per track
    writeLe16(b + 26, 255);  // heads
    writeLe32(b + fat32::kHiddenSectors, hiddenSectors);
    writeLe32(b + fat32::kTotalSectors32, params.totalSectors32);
    writeLe32(b + fat32::kFatSize32, params.fatSize32);
    writeLe16(b + 40, 0);  // extended flags: the FAT is mirrored (there is one)
    writeLe16(b + 42, 0);  // file system version 0.0
    writeLe32(b + fat32::kRootCluster, params.rootCluster);
    writeLe16(b + fat32::kFsInfoSector, params.fsInfoSector);
    writeLe16(b + fat32::kBackupBootSector, kBackupBootSector);
    b[64] = 0x80;  // drive number
    b[66] = 0x29;  // extended boot signature: serial, label and type follow
    writeLe32(b + 67, serial);
    std::memcpy(b + 71, "NEW        ", 11);
    std::memcpy(b + fat32::kFileSystemType, "FAT32   ", 8);
    const auto& program = bootProgram();
    std::memcpy(b + kBootProgramOffset, program.data(), program.size());
    b[fat32::kSignature] = 0x55;
    b[fat32::kSignature + 1] = 0xAA;
    return s;
}

std::array<std::uint8_t, 512> BuildFSInfo(std::uint32_t nextFree, std::uint32_t freeCount) {
    std::array<std::uint8_t, 512> s{};
    writeLe32(s.data(), 0x41615252);        // "RRaA"
    writeLe32(s.data() + 484, 0x61417272);  // "rrAa"
    writeLe32(s.data() + 488, freeCount);
    writeLe32(s.data() + 492, nextFree);
    writeLe32(s.data() + 508, 0xAA550000);
    return s;
}

std::vector<std::uint8_t> BuildFirstFatSector(const Fat32Params& params, bool markRoot) {
    std::vector<std::uint8_t> s(params.bytesPerSector, 0);
    writeLe32(s.data(), 0x0FFFFFF8);      // entry 0: the media byte
    writeLe32(s.data() + 4, 0x0FFFFFFF);  // entry 1: clean, no errors
    if (markRoot)
        writeLe32(s.data() + 8, 0x0FFFFFFF);  // the root's one cluster ends its chain
    return s;
}

std::vector<std::uint8_t> BuildRootDirectorySector(const Fat32Params& params,
                                                   const std::string& label) {
    std::vector<std::uint8_t> s(params.bytesPerSector, 0);
    std::uint8_t* e = s.data();
    putPadded(e, label, 8);
    putPadded(e + 8, "", 3);
    e[11] = kAttributeVolumeLabel;
    writeLe16(e + 14, kLabelTime);  // created
    writeLe16(e + 16, kLabelDate);
    writeLe16(e + 18, kLabelDate);  // last access
    writeLe16(e + 22, kLabelTime);  // written
    writeLe16(e + 24, kLabelDate);
    return s;
}

FormatResult WriteBPB(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                      std::ostream& out, std::optional<std::uint32_t> serial) {
    if (params.fatSize32 == 0)
        return formatFailure(out, FormatStep::Write, "WriteBPB: Fat16 bpb isnt implemented yet\n");
    // Hidden sectors: where the file system starts on the whole disk. The boot
    // program adds them to every sector it asks the BIOS for, which counts
    // from the disk's start, not the partition's.
    std::uint64_t hidden = first + device.volumeOffset() / params.bytesPerSector;
    std::array<std::uint8_t, 512> sector = BuildBootSector(
        params, static_cast<std::uint32_t>(std::min<std::uint64_t>(hidden, 0xFFFFFFFF)),
        serial ? *serial : nextVolumeSerial());
    auto start = static_cast<std::int32_t>(first);
    if (!device.writeBytes(start + kBackupBootSector, sector.size(), sector.data()))
        return formatFailure(out, FormatStep::Write, "WriteBPB: Cannot write backup BPB\n");
    if (!device.writeBytes(start, sector.size(), sector.data()))
        return Failure<FormatStep>{FormatStep::Write, {}, {}};
    return {};
}

bool WriteFSInfo(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                 std::uint32_t nextFree, std::uint32_t freeCount) {
    std::array<std::uint8_t, 512> sector = BuildFSInfo(nextFree, freeCount);
    return device.writeBytes(static_cast<std::int32_t>(first + params.fsInfoSector), sector.size(),
                             sector.data());
}

bool InitialiseFAT(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                   bool markRoot) {
    std::vector<std::uint8_t> sector = BuildFirstFatSector(params, markRoot);
    std::uint32_t fatStart = first + params.reservedSectors;
    if (!device.writeSectors(fatStart, sector.data(), 1))
        return false;
    return device.zeroSectors(static_cast<std::int32_t>(fatStart + 1),
                              static_cast<std::int32_t>(params.fatSize32 - 1));
}

bool InitialiseRootDirectory(DiskDevice& device, const Fat32Params& params, std::uint32_t first,
                             const std::string& label) {
    std::vector<std::uint8_t> sector = BuildRootDirectorySector(params, label);
    std::uint32_t rootStart =
        first + params.reservedSectors + params.numberOfFats * params.fatSize32;
    if (!device.writeSectors(rootStart, sector.data(), 1))
        return false;
    return device.zeroSectors(static_cast<std::int32_t>(rootStart + 1),
                              static_cast<std::int32_t>(params.sectorsPerCluster - 1));
}

FormatResult FormatFAT32(DiskDevice& device, std::uint32_t first, std::uint32_t sectorCount,
                         std::ostream& out, std::optional<std::uint32_t> serial) {
    char line[128];
    std::snprintf(line, sizeof line, "FAT32 FORMAT: LBA %u, NumSectors %u\n", first, sectorCount);
    out << line;
    DiskGeometry geometry;
    if (!device.getGeometry(geometry))
        return formatFailure(out, FormatStep::Read, "Cant obtain drive geometry\n");
    Fat32Layout layout = ComputeFat32Layout(geometry.BytesPerSector, sectorCount);
    if (layout.tooSmall)
        return formatFailure(
            out, FormatStep::Table,
            "FormatFAT32 -> Disk is too small for Fat32 - Fat 12/16 format is needed!\n");
    const Fat32Params& params = layout.params;
    print(out, "FormatFAT32: Cluster size = %u sectors\n", params.sectorsPerCluster);
    print(out, "Fat Size = %u\n", params.fatSize32);
    print(out, "Data Size = %u\n", layout.dataSectors);
    print(out, "Fat entries per sector = %u\n", layout.entriesPerFatSector);
    print(out, "Data area num clusters = %u\n", layout.dataClusters);
    print(out, "Max fat cluster = %u\n", layout.fatCapacity);
    if (layout.dataClusters > layout.fatCapacity)
        return formatFailure(out, FormatStep::Table,
                             "BUG: Bad FAT size calculation, FAT is not big enough?\n");
    if (geometry.BytesPerSector < 512 || geometry.BytesPerSector > kMaxBytesPerSector) {
        // The writers lay sectors out in units of bytesPerSector; on larger
        // device sectors every structure would land in the wrong place.
        char unsupported[128];
        std::snprintf(unsupported, sizeof unsupported,
                      "FormatFAT32: sectors of %u bytes are not supported\n",
                      static_cast<unsigned>(geometry.BytesPerSector));
        return formatFailure(out, FormatStep::Table, unsupported);
    }
    out << "Writing BPB\n";
    if (FormatResult bpb = WriteBPB(device, params, first, out, serial); !bpb)
        return formatFailure(out, FormatStep::Write, "Unable to write BPB\n", bpb.failure().reason);
    out << "Initialising FSInfo\n";
    // Cluster 2 (the root directory) is the only one in use.
    if (!WriteFSInfo(device, params, first, 3, layout.dataClusters - 1))
        return formatFailure(out, FormatStep::Write, "Unable to write FSInfo\n");
    out << "Initialising FAT Table\n";
    if (!InitialiseFAT(device, params, first, true))
        return formatFailure(out, FormatStep::Write, "Unable to initialise FAT table\n");
    out << "Initialising ROOT directory table\n";
    if (!InitialiseRootDirectory(device, params, first, "NEW"))
        return formatFailure(out, FormatStep::Write, "Unable to write new root directory table\n");
    out << "Fat32 Format complete\n";
    return {};
}

}  // namespace disk
