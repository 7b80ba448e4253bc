#pragma once
// The one gateway of disk preparation to a target drive: sector transfers
// relative to the volume, the disk's geometry and partition layout, and the
// volume lock, unlock and dismount. It prints nothing; callers report failures.
//
// A drive is a path: a partition's block device (the volume is that
// partition, the layout operations act on the disk holding it), or a whole
// disk or disk image (the volume is the whole disk until selectVolume picks
// a partition of it).

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "disk/FormatResult.h"
#include "disk/PartitionTable.h"
#include "platform/BlockDevice.h"

namespace disk {

// Device-control request codes; each operation below is one such request.
namespace disk_control {
constexpr std::uint32_t kGetDriveGeometry = 0x00070000;
constexpr std::uint32_t kGetDriveLayout = 0x0007400C;
constexpr std::uint32_t kSetDriveLayout = 0x0007C010;
constexpr std::uint32_t kSetPartitionInfo = 0x0007C008;
constexpr std::uint32_t kLockVolume = 0x00090018;
constexpr std::uint32_t kUnlockVolume = 0x0009001C;
constexpr std::uint32_t kDismountVolume = 0x00090020;

// Request records in bytes, little-endian.
constexpr std::uint32_t kGeometrySize = 24;
constexpr std::uint32_t kLayoutHeaderSize = 8;  // PartitionCount, Signature
constexpr std::uint32_t kPartitionInfoSize = 32;
constexpr std::uint32_t kLayoutBufferSize = 4096;
constexpr std::uint32_t kMaxLayoutEntries =
    (kLayoutBufferSize - kLayoutHeaderSize) / kPartitionInfoSize;  // 127
}  // namespace disk_control

class DiskDevice {
  public:
    DiskDevice() = default;
    ~DiskDevice();
    DiskDevice(const DiskDevice&) = delete;
    DiskDevice& operator=(const DiskDevice&) = delete;

    // Opens the drive at `path` and reads its geometry; an unreadable geometry
    // does not make the open fail.
    bool open(const std::string& path);
    // Opens over an already opened disk (a test double, another platform).
    bool open(std::unique_ptr<platform::BlockDevice> device, const platform::DiskTarget& target);
    bool close();  // true in every case
    bool isOpen() const { return device_ != nullptr; }

    bool getGeometry(DiskGeometry& geometry);
    bool readSectors(std::uint64_t first, void* buffer, std::uint32_t count);
    bool writeSectors(std::uint64_t first, const void* buffer, std::uint32_t count);
    bool lockVolume();
    bool unlockVolume();
    bool dismountVolume();
    // The disk's four primary entries in table order, unused ones included;
    // none when sector 0 holds no partition table.
    bool getDriveLayout(std::vector<PartitionInformation>& entries);
    bool setDriveLayout(const PartitionInformation* entries, std::int32_t count);
    bool setPartitionType(std::uint8_t type);
    bool control(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                 std::uint32_t outSize);
    bool writeBytes(std::int32_t first, std::uint32_t count, const void* data);
    bool zeroSectors(std::int32_t first, std::int32_t count);

    // What the last getDriveLayout found in sector 0.
    PartitionTableKind tableKind() const { return tableKind_; }
    // Size of the whole disk in bytes, as the system gave it when opened.
    std::uint64_t diskBytes() const { return diskBytes_; }
    // Bytes from the disk's start to the volume that the sector transfers address.
    std::uint64_t volumeOffset() const { return volumeOffset_; }
    // True when the drive named one partition rather than a whole disk.
    bool namesPartition() const { return target_.isPartition; }
    // True when `partition` is the volume this device writes (the named
    // partition), or, for a whole disk, makes it so. False when the drive
    // named another partition or the partition does not lie on the disk.
    bool selectVolume(const PartitionInformation& partition);
    // Zeroes every signature the system finds in the volume (or, with
    // `wholeDisk`, the whole disk) other than those of type `keep`, and
    // searches again until none is left: erasing one can uncover another.
    // False when the search fails or they keep coming.
    bool eraseSignatures(bool wholeDisk, const std::string& keep);
    // Bytes zeroed per write request by zeroSectors.
    static constexpr std::uint32_t kZeroChunkBytes = 1u << 20;

  private:
    bool queryGeometry(DiskGeometry& geometry);
    bool transfer(bool write, std::uint64_t first, void* buffer, std::uint32_t count);
    bool readDiskSector0(std::vector<std::uint8_t>& sector);
    bool doGetDriveLayout(void* out, std::uint32_t outSize);
    bool doSetDriveLayout(const void* in, std::uint32_t inSize);
    bool doSetPartitionType(const void* in, std::uint32_t inSize);
    bool zeroRange(std::uint64_t offset, std::size_t length);

    std::unique_ptr<platform::BlockDevice> device_;
    platform::DiskTarget target_;
    DiskGeometry geometry_;
    std::uint64_t diskBytes_ = 0;
    std::uint64_t volumeOffset_ = 0;  // bytes from the disk's start
    std::uint64_t volumeLength_ = 0;  // 0: up to the disk's end
    PartitionTableKind tableKind_ = PartitionTableKind::None;
};

// Holds a volume lock and releases it on every path out of a scope.
class VolumeLock {
  public:
    explicit VolumeLock(DiskDevice& device) : device_(device) {}
    ~VolumeLock() {
        if (held_)
            device_.unlockVolume();
    }
    VolumeLock(const VolumeLock&) = delete;
    VolumeLock& operator=(const VolumeLock&) = delete;

    bool lock() { return held_ = device_.lockVolume(); }
    // Unlocks now and reports the result.
    bool unlock() {
        held_ = false;
        return device_.unlockVolume();
    }
    // The last steps of every job that writes the disk: flush the volume to
    // the device, then unlock it, printing which step failed.
    FormatResult dismountAndUnlock(std::ostream& out);

  private:
    DiskDevice& device_;
    bool held_ = false;
};

}  // namespace disk
