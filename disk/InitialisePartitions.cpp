#include "disk/InitialisePartitions.h"

#include <cstdio>

#include "disk/PartitionReport.h"

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

bool InitialisePartitions(DiskDevice& device, std::ostream& out) {
    DiskGeometry geometry;
    if (!device.getGeometry(geometry)) {
        out << "Cannot get drive geometry\n";
        return false;
    }
    char line[192];
    std::snprintf(line, sizeof line, "Writing new partition table (%.2f GB)\n",
                  gibibytesOf(geometryCapacity(geometry)));
    out << line;
    // An MBR entry counts sectors in 32 bits: 2 TiB with 512-byte sectors.
    const std::uint64_t sectors =
        geometry.BytesPerSector == 0 ? 0 : geometryCapacity(geometry) / geometry.BytesPerSector;
    if (sectors > 0xFFFFFFFFULL) {
        std::snprintf(line, sizeof line,
                      "The disk is too large for an MBR partition table: %llu sectors, an MBR "
                      "describes at most 4294967295 (2 TiB of 512-byte sectors)\n",
                      static_cast<unsigned long long>(sectors));
        out << line;
        return false;
    }
    std::array<PartitionInformation, 4> entries;
    if (!initialLayout(geometry, entries)) {
        // Without this check the length would wrap to a huge number.
        out << "The disk is too small for a partition\n";
        return false;
    }
    VolumeLock lock(device);
    if (!lock.lock()) {
        out << "Cannot lock the device\n";
        return false;
    }
    out << "set layout\n";
    if (!device.setDriveLayout(entries.data(), static_cast<std::int32_t>(entries.size()))) {
        out << "Cannot set drive layout\n";
        return false;
    }
    out << "unmounting..\n";
    return lock.dismountAndUnlock(out);
}
