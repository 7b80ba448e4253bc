// Reads a partition table from an untrusted disk image held in memory and
// prints its report, as INFO does; then reads the first sector of every
// partition it lists.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

#include "MemoryDisk.h"
#include "disk/DiskDevice.h"
#include "disk/PartitionReport.h"

using namespace disk;
using namespace platform;
using namespace store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the sector size and the disk's claimed size.
    static const std::uint32_t kSectorSizes[] = {512, 1024, 2048, 4096};
    std::uint32_t sectorSize = kSectorSizes[data[0] & 3];
    std::uint64_t claimedSize = (data[0] & 4) ? (1ULL << 41) : (64ULL << 20);
    ++data;
    --size;

    DiskDevice device;
    platform::DiskTarget target;
    target.diskPath = "memory";
    if (!device.open(std::make_unique<fuzz::MemoryDisk>(data, size, sectorSize, claimedSize),
                     target)) {
        return 0;
    }
    std::vector<PartitionInformation> entries;
    if (!device.getDriveLayout(entries))
        return 0;
    std::ostringstream out;
    PrintPartitionReport(out, entries.data(), static_cast<std::int32_t>(entries.size()));
    std::vector<std::uint8_t> sector(sectorSize);
    for (const PartitionInformation& entry : entries) {
        if (device.selectVolume(entry))
            device.readSectors(0, sector.data(), 1);
    }
    return 0;
}
