#include "disk/InitialisePartitions.h"

#include <cstdio>

#include "disk/PartitionReport.h"

namespace disk {

using namespace platform;
using namespace store;

std::uint64_t geometryCapacity(const DiskGeometry& geometry) {
    return static_cast<std::uint64_t>(geometry.BytesPerSector) * geometry.SectorsPerTrack *
           geometry.TracksPerCylinder * geometry.Cylinders;
}

bool initialLayout(const DiskGeometry& geometry, std::array<PartitionInformation, 4>& entries) {
    entries = {};
    std::uint64_t capacity = geometryCapacity(geometry);
    // A reserve of 16 sectors stays free at the end of the disk.
    std::uint64_t reserve = 16ULL * geometry.BytesPerSector;
    if (capacity <= reserve + kInitialPartitionOffset)
        return false;
    entries[0].StartingOffset = kInitialPartitionOffset;
    entries[0].PartitionLength = capacity - reserve - kInitialPartitionOffset;
    entries[0].HiddenSectors = kInitialHiddenSectors;
    entries[0].PartitionType = kPartitionTypeFat32Chs;
    return true;
}

std::string initProblem(const DiskGeometry& geometry,
                        std::array<PartitionInformation, 4>& entries) {
    // An MBR entry counts sectors in 32 bits: 2 TiB with 512-byte sectors.
    const std::uint64_t sectors =
        geometry.BytesPerSector == 0 ? 0 : geometryCapacity(geometry) / geometry.BytesPerSector;
    if (sectors > 0xFFFFFFFFULL)
        return "The disk is too large for an MBR partition table: " + std::to_string(sectors) +
               " sectors, an MBR describes at most 4294967295 (2 TiB of 512-byte sectors)\n";
    // Without this check the length would wrap to a huge number.
    if (!initialLayout(geometry, entries))
        return "The disk is too small for a partition\n";
    return {};
}

FormatResult InitialisePartitions(DiskDevice& device, std::ostream& out) {
    DiskGeometry geometry;
    if (!device.getGeometry(geometry))
        return formatFailure(out, FormatStep::Read, "Cannot get drive geometry\n");
    char line[192];
    std::snprintf(line, sizeof line, "Writing new partition table (%.2f GB)\n",
                  gibibytesOf(geometryCapacity(geometry)));
    out << line;
    std::array<PartitionInformation, 4> entries;
    if (std::string problem = initProblem(geometry, entries); !problem.empty())
        return formatFailure(out, FormatStep::Table, problem);
    VolumeLock lock(device);
    if (!lock.lock())
        return formatFailure(out, FormatStep::Lock, "Cannot lock the device\n");
    out << "set layout\n";
    if (!device.setDriveLayout(entries.data(), static_cast<std::int32_t>(entries.size())))
        return formatFailure(out, FormatStep::Write, "Cannot set drive layout\n");
    out << "unmounting..\n";
    return lock.dismountAndUnlock(out);
}

}  // namespace disk
