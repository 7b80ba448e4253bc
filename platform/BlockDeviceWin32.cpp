// Disks on Windows: a volume (\\.\E:, or the drive letter E), a whole disk
// (\\.\PhysicalDrive1) or a disk image file. The requests go to the device
// through the device-control codes (geometry, drive layout, partition
// information, volume lock and dismount).
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "platform/BlockDevice.h"
#include "platform/DriveLetterWin32.h"
#include "platform/Flush.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

// The drive-layout records pass through as the caller built them.
static_assert(sizeof(PARTITION_INFORMATION) == 32);
static_assert(offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry) == 8);
static_assert(offsetof(PARTITION_INFORMATION, PartitionType) == 24);

// Any spelling of a drive as the volume's device; empty for anything else.
std::string volumeDeviceNamed(const std::string& path) {
    const char letter = driveLetterOf(path);
    return letter != 0 ? volumeDeviceOf(letter) : std::string();
}

HANDLE openDevice(const std::string& path, DWORD access) {
    return CreateFileW(longPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

// The volumes with a drive letter on disk `disk`, as devices.
std::vector<std::string> volumesOnDisk(long disk) {
    std::vector<std::string> volumes;
    const DWORD present = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((present & (1u << i)) == 0)
            continue;
        const std::string device = volumeDeviceOf(static_cast<char>('A' + i));
        const Handle volume(openDevice(device, 0));
        if (volume.valid() && diskNumberOf(volume.get()) == disk)
            volumes.push_back(device);
    }
    return volumes;
}

class Win32BlockDevice : public BlockDevice {
  public:
    Win32BlockDevice(Handle handle, std::string path, bool device)
        : handle_(std::move(handle)), path_(std::move(path)), device_(device) {}
    ~Win32BlockDevice() override { unlock(); }
    Win32BlockDevice(const Win32BlockDevice&) = delete;
    Win32BlockDevice& operator=(const Win32BlockDevice&) = delete;

    bool readAt(std::uint64_t offset, void* data, std::size_t size) override {
        std::size_t done = 0;
        return win32::readAt(handle_.get(), offset, data, size, done) && done == size;
    }

    bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
        return win32::writeAt(handle_.get(), offset, data, size);
    }

    bool geometry(BlockGeometry& geometry) override {
        geometry = BlockGeometry{};
        if (!device_) {
            LARGE_INTEGER size{};
            if (!GetFileSizeEx(handle_.get(), &size))
                return failed();
            geometry.bytesPerSector = 512;
            geometry.sizeBytes = static_cast<std::uint64_t>(size.QuadPart);
            return true;
        }
        DISK_GEOMETRY_EX disk{};
        if (!control(handle_.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &disk,
                     sizeof disk))
            return failed();
        geometry.bytesPerSector = disk.Geometry.BytesPerSector;
        geometry.sizeBytes = static_cast<std::uint64_t>(disk.DiskSize.QuadPart);
        geometry.heads = disk.Geometry.TracksPerCylinder;
        geometry.sectorsPerTrack = disk.Geometry.SectorsPerTrack;
        // A volume's own length, when the handle is a volume rather than a disk.
        GET_LENGTH_INFORMATION length{};
        if (isVolume() &&
            control(handle_.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length))
            geometry.sizeBytes = static_cast<std::uint64_t>(length.Length.QuadPart);
        return true;
    }

    bool lock() override {
        if (locked_)
            return true;
        if (!device_) {
            OVERLAPPED whole{};
            if (!LockFileEx(handle_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                            MAXDWORD, MAXDWORD, &whole))
                return failed();
        } else if (!lockVolumes()) {
            return false;
        }
        locked_ = true;
        return true;
    }

    bool unlock() override {
        if (!locked_)
            return true;
        locked_ = false;
        if (!device_) {
            OVERLAPPED whole{};
            return UnlockFileEx(handle_.get(), 0, MAXDWORD, MAXDWORD, &whole) != 0 || failed();
        }
        bool ok =
            !isVolume() || control(handle_.get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0);
        for (const Handle& volume : volumes_)
            ok = control(volume.get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0) && ok;
        volumes_.clear();
        return ok || failed();
    }

    bool flush() override { return flushToDevice(fromHandle(handle_.get()), path_); }

    // A disk image holds its table in sector 0 like any disk elsewhere.
    bool keepsLayout() const override { return device_; }

    bool getLayout(void* out, std::uint32_t outSize) override {
        return control(handle_.get(), IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, out, outSize) ||
               failed();
    }

    bool setLayout(const void* in, std::uint32_t inSize) override {
        return control(handle_.get(), IOCTL_DISK_SET_DRIVE_LAYOUT, in, inSize, nullptr, 0) ||
               failed();
    }

    // A disk's table changes only through setLayout, after which the system
    // makes the volumes anew itself; an image file has no volumes.
    bool rereadPartitions() override { return true; }

  private:
    bool isVolume() const { return !volumeDeviceNamed(path_).empty(); }

    // A volume is locked and dismounted through its own handle; a whole disk
    // through every volume on it. A volume in use refuses the lock.
    bool lockVolumes() {
        if (isVolume()) {
            if (!control(handle_.get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0) ||
                !control(handle_.get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0))
                return failed();
            return true;
        }
        for (const std::string& device : volumesOnDisk(diskNumberOf(handle_.get()))) {
            Handle volume(openDevice(device, GENERIC_READ | GENERIC_WRITE));
            if (volume.valid()) {
                HANDLE opened = volume.get();
                volumes_.push_back(std::move(volume));
                if (control(opened, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0) &&
                    control(opened, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0))
                    continue;
            }
            const DWORD failure = GetLastError();
            locked_ = true;  // so that unlock() lets go of what was taken
            unlock();
            return failed(failure);
        }
        return true;
    }

    Handle handle_;
    std::string path_;
    bool device_;
    bool locked_ = false;
    std::vector<Handle> volumes_;  // a whole disk's volumes, locked
};

}  // namespace

bool resolveDiskTarget(const std::string& path, DiskTarget& target) {
    target = DiskTarget{};
    const std::string volume = volumeDeviceNamed(path);
    if (volume.empty()) {
        // A whole disk, or an image file.
        const DWORD attributes = GetFileAttributesW(longPath(path).c_str());
        if (!isDevicePath(path) && attributes == INVALID_FILE_ATTRIBUTES)
            return failed();  // the reason, as Linux gives it: no such file
        if (!isDevicePath(path) && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
        target.diskPath = path;
        return true;
    }
    const Handle handle(openDevice(volume, 0));
    if (!handle.valid())
        return failed();
    const long disk = diskNumberOf(handle.get());
    PARTITION_INFORMATION_EX partition{};
    const bool known = disk >= 0 && control(handle.get(), IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr,
                                            0, &partition, sizeof partition);
    if (!known) {
        target.diskPath = volume;  // a volume of no known disk stands alone
        return true;
    }
    target.diskPath = "\\\\.\\PhysicalDrive" + std::to_string(disk);
    target.isPartition = true;
    target.partitionOffset = static_cast<std::uint64_t>(partition.StartingOffset.QuadPart);
    target.partitionLength = static_cast<std::uint64_t>(partition.PartitionLength.QuadPart);
    return true;
}

std::unique_ptr<BlockDevice> openBlockDevice(const std::string& diskPath) {
    const std::string volume = volumeDeviceNamed(diskPath);
    const std::string path = volume.empty() ? diskPath : volume;
    Handle handle(openDevice(path, GENERIC_READ | GENERIC_WRITE));
    if (!handle.valid()) {
        failed();
        return nullptr;
    }
    const bool device = isDevicePath(path);
    if (!device && !isRegularFile(handle.get())) {
        errno = EINVAL;
        return nullptr;
    }
    return std::make_unique<Win32BlockDevice>(std::move(handle), path, device);
}

}  // namespace platform
