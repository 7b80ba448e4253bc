#pragma once
// Reads a FAT32 volume without mounting it: its boot sector, the files of its
// root directory (long names included) and the cluster chain of a file, to
// tell whether the file lies in one run of clusters. Everything read is
// checked before it is used: a damaged volume gives an error or a chain
// marked broken, never a read outside the volume or an endless walk.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "disk/DiskDevice.h"
#include "store/Failure.h"

namespace disk {

// The steps of reading a FAT32 volume. A failure's object is the drive's path
// where the step is given it, else empty.
enum class Fat32Step { OpenDrive, FindVolume, ReadBootSector, ReadRootDirectory };

struct FatFile {
    std::string name;  // the long name where a valid one is recorded, else the 8.3 name
    std::uint32_t firstCluster = 0;
    std::uint32_t size = 0;
    bool directory = false;
};

struct ClusterChain {
    // Each piece of the file: its first cluster and its length in clusters.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    std::uint64_t clusters = 0;
    // The chain leaves the data area, meets a free or bad cluster, loops, or
    // does not hold the file's size.
    bool broken = false;
};

class Fat32Reader {
  public:
    // Reads and checks the boot sector of the volume that `device` presents.
    store::Outcome<Fat32Step> open(DiskDevice& device);
    // The entries of the root directory, in directory order.
    store::Result<std::vector<FatFile>, Fat32Step> rootFiles();
    // The chain that starts at `firstCluster`, checked against a file of
    // `bytes` bytes; it is not followed beyond what that size needs.
    ClusterChain chainOf(std::uint32_t firstCluster, std::uint64_t bytes);

    std::uint32_t clusterBytes() const { return bytesPerSector_ * sectorsPerCluster_; }
    std::uint32_t clusterCount() const { return clusterCount_; }

  private:
    bool readBytes(std::uint64_t offset, std::uint8_t* out, std::size_t size);
    // The FAT entry of `cluster`; false when it cannot be read.
    bool fatEntry(std::uint32_t cluster, std::uint32_t& value);
    bool validCluster(std::uint32_t cluster) const {
        return cluster >= 2 && cluster - 2 < clusterCount_;
    }

    DiskDevice* device_ = nullptr;
    std::uint32_t deviceSectorBytes_ = 0;
    std::uint32_t bytesPerSector_ = 0;
    std::uint32_t sectorsPerCluster_ = 0;
    std::uint64_t fatOffset_ = 0;   // bytes from the volume's start
    std::uint64_t dataOffset_ = 0;  // of cluster 2
    std::uint32_t clusterCount_ = 0;
    std::uint32_t rootCluster_ = 0;
    // One window of the FAT, read as needed: chains mostly run forward.
    std::vector<std::uint8_t> fatWindow_;
    std::uint64_t fatWindowStart_ = UINT64_MAX;
};

// Opens the drive or image at `path` and selects its FAT32 volume: the whole
// of it when it begins with a FAT32 boot sector (a partition, or an image of
// one), else the largest partition of its partition table.
store::Outcome<Fat32Step> openFat32Volume(DiskDevice& device, const std::string& path);

}  // namespace disk
