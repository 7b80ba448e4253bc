#pragma once
// Raw access to a disk: a whole-disk block device, the disk behind a
// partition's block device, or a disk image file. All offsets are bytes from
// the start of the disk.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct BlockGeometry {
    std::uint32_t bytesPerSector = 0;  // logical sector size
    std::uint64_t sizeBytes = 0;
    std::uint32_t heads = 0;            // tracks per cylinder; 0 when the kernel gives none
    std::uint32_t sectorsPerTrack = 0;  // 0 when the kernel gives none
};

// A mark by which the system recognises what a range of a disk holds: a file
// system, a swap area, a RAID member or a partition table.
struct Signature {
    std::string type;          // "vfat", "ext4", "ntfs", "swap", "iso9660", "dos", "gpt", ...
    std::uint64_t offset = 0;  // bytes from the start of the range searched
    std::size_t length = 0;    // bytes of the mark; zeroing them hides it from the system
};

class BlockDevice {
  public:
    virtual ~BlockDevice() = default;

    // Whole transfers only: a short read or write is a failure.
    virtual bool readAt(std::uint64_t offset, void* data, std::size_t size) = 0;
    virtual bool writeAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
    virtual bool geometry(BlockGeometry& geometry) = 0;

    // Refuses when the disk or any partition of it is mounted; otherwise holds
    // the disk exclusively until unlock().
    virtual bool lock() = 0;
    virtual bool unlock() = 0;
    // Pushes every written byte to the device and drops cached copies.
    virtual bool flush() = 0;
    // Asks the kernel to read the partition table again (nothing for a file).
    virtual bool rereadPartitions() = 0;
    // True where the system keeps the disk's partition table itself (a disk
    // on Windows): the layout then goes to it as a drive-layout record,
    // PartitionCount and Signature (32 bits each) then 32-byte partition
    // entries, instead of the caller writing sector 0.
    virtual bool keepsLayout() const { return false; }
    virtual bool getLayout(void* out, std::uint32_t outSize) {
        (void)out;
        (void)outSize;
        return false;
    }
    virtual bool setLayout(const void* in, std::uint32_t inSize) {
        (void)in;
        (void)inSize;
        return false;
    }
    // The signatures the system's own probing finds in `size` bytes from
    // `offset` (file systems and partition tables alike, a GUID table by its
    // backup header too); false when the probe fails. Where the system has no
    // such probing, none are found.
    virtual bool findSignatures(std::uint64_t offset, std::uint64_t size,
                                std::vector<Signature>& found) {
        (void)offset;
        (void)size;
        found.clear();
        return true;
    }
};

// What a path names: the disk to open, and the partition when the path is a
// partition's block device.
struct DiskTarget {
    std::string diskPath;
    bool isPartition = false;
    std::uint64_t partitionOffset = 0;  // bytes from the disk's start
    std::uint64_t partitionLength = 0;  // bytes
};

// Works out the disk behind `path` (through /sys/class/block for a partition).
bool resolveDiskTarget(const std::string& path, DiskTarget& target);

// Opens a block device or image file for reading and writing; null on failure.
std::unique_ptr<BlockDevice> openBlockDevice(const std::string& diskPath);

}  // namespace platform
