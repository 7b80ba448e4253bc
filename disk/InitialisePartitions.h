#pragma once
// INIT: replaces a disk's partition table with one FAT32 partition that
// starts 8192 bytes into the disk, and three unused entries.

#include <array>
#include <ostream>
#include <string>

#include "disk/DiskDevice.h"

namespace disk {

constexpr std::uint64_t kInitialPartitionOffset = 8192;
constexpr std::uint32_t kInitialHiddenSectors = 16;

// The four entries INIT writes for `geometry`; false when the disk is too
// small to hold the partition and its reserve.
bool initialLayout(const DiskGeometry& geometry, std::array<PartitionInformation, 4>& entries);

// Capacity the geometry describes: whole cylinders, in bytes.
std::uint64_t geometryCapacity(const DiskGeometry& geometry);

// Why INIT cannot give a disk of `geometry` its table, as a line; empty when
// it can, with `entries` the table it writes.
std::string initProblem(const DiskGeometry& geometry, std::array<PartitionInformation, 4>& entries);

// Writes the table of initialLayout, printing each step; the step that failed and why.
FormatResult InitialisePartitions(DiskDevice& device, std::ostream& out);

}  // namespace disk
