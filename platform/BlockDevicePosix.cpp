#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/BlockDevice.h"
#include "platform/DriveUsers.h"
#include "platform/FaultPoint.h"
#include "platform/Flush.h"
#include "platform/SignatureProbePosix.h"
#include "platform/SysBlockPosix.h"

namespace platform {

namespace {

bool readSysNumber(const std::string& path, std::uint64_t& value) {
    std::ifstream in(path);
    unsigned long long number = 0;
    if (!(in >> number))
        return false;
    value = number;
    return true;
}

class PosixBlockDevice : public BlockDevice {
  public:
    PosixBlockDevice(int fd, std::string path, bool blockDevice)
        : fd_(fd), path_(std::move(path)), block_(blockDevice) {}
    ~PosixBlockDevice() override {
        unlock();
        ::close(fd_);
    }
    PosixBlockDevice(const PosixBlockDevice&) = delete;
    PosixBlockDevice& operator=(const PosixBlockDevice&) = delete;

    bool readAt(std::uint64_t offset, void* data, std::size_t size) override {
        auto* bytes = static_cast<char*>(data);
        while (size > 0) {
            if (offset > static_cast<std::uint64_t>(LLONG_MAX))
                return false;
            ssize_t got = ::pread(fd_, bytes, size, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            bytes += got;
            size -= static_cast<std::size_t>(got);
            offset += static_cast<std::uint64_t>(got);
        }
        return true;
    }

    bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
        if (!fileOpAllowed(FileOp::Write, path_))
            return false;
        const auto* bytes = static_cast<const char*>(data);
        while (size > 0) {
            if (offset > static_cast<std::uint64_t>(LLONG_MAX))
                return false;
            ssize_t put = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            bytes += put;
            size -= static_cast<std::size_t>(put);
            offset += static_cast<std::uint64_t>(put);
        }
        return true;
    }

    bool geometry(BlockGeometry& geometry) override {
        geometry = BlockGeometry{};
        if (!block_) {
            struct stat st {};
            if (::fstat(fd_, &st) != 0)
                return false;
            geometry.bytesPerSector = 512;
            geometry.sizeBytes = static_cast<std::uint64_t>(st.st_size);
            return true;
        }
        int sectorSize = 0;
        std::uint64_t size = 0;
        if (::ioctl(fd_, BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0)
            return false;
        if (::ioctl(fd_, BLKGETSIZE64, &size) != 0)
            return false;
        geometry.bytesPerSector = static_cast<std::uint32_t>(sectorSize);
        geometry.sizeBytes = size;
        struct hd_geometry chs {};
        if (::ioctl(fd_, HDIO_GETGEO, &chs) == 0) {
            geometry.heads = chs.heads;
            geometry.sectorsPerTrack = chs.sectors;
        }
        return true;
    }

    bool lock() override {
        if (locked_)
            return true;
        // Checked again here, next to the write, whatever the caller checked before.
        if (!driveUsers(path_).empty())
            return false;
        if (block_) {
            // O_EXCL on a block device fails while the kernel or anyone else claims it.
            int fd = ::open(path_.c_str(), O_RDWR | O_EXCL | O_CLOEXEC);
            if (fd < 0)
                return false;
            exclusiveFd_ = fd;
        } else if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            return false;
        }
        locked_ = true;
        return true;
    }

    bool unlock() override {
        if (!locked_)
            return true;
        locked_ = false;
        if (block_) {
            int fd = exclusiveFd_;
            exclusiveFd_ = -1;
            return ::close(fd) == 0;
        }
        return ::flock(fd_, LOCK_UN) == 0;
    }

    bool flush() override {
        if (!flushToDevice(fd_, path_))
            return false;
        if (block_ && ::ioctl(fd_, BLKFLSBUF, 0) != 0)
            return false;
        return true;
    }

    bool rereadPartitions() override {
        if (!block_)
            return true;
        // Through the exclusive handle when we hold one: the kernel refuses a
        // re-read while someone else claims the disk.
        int fd = exclusiveFd_ >= 0 ? exclusiveFd_ : fd_;
        if (::ioctl(fd, BLKRRPART, 0) == 0)
            return true;
        // A disk whose driver does not scan partitions has nothing to re-read.
        return errno == EINVAL;
    }

    bool findSignatures(std::uint64_t offset, std::uint64_t size,
                        std::vector<Signature>& found) override {
        return probeSignatures(fd_, offset, size, found);
    }

  private:
    int fd_;
    std::string path_;
    bool block_;
    bool locked_ = false;
    int exclusiveFd_ = -1;
};

}  // namespace

bool resolveDiskTarget(const std::string& path, DiskTarget& target) {
    target = DiskTarget{};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (S_ISREG(st.st_mode)) {
        target.diskPath = path;
        return true;
    }
    if (!S_ISBLK(st.st_mode))
        return false;
    std::string dir = sysBlockDir(st.st_rdev);
    if (!std::filesystem::exists(dir + "/partition")) {
        target.diskPath = path;
        return true;
    }
    std::uint64_t start = 0, length = 0;
    if (!readSysNumber(dir + "/start", start) || !readSysNumber(dir + "/size", length)) {
        return false;
    }
    std::error_code error;
    std::filesystem::path parent = std::filesystem::canonical(dir + "/..", error);
    if (error)
        return false;
    std::string diskPath = "/dev/" + parent.filename().string();
    struct stat diskStat {};
    if (::stat(diskPath.c_str(), &diskStat) != 0 || !S_ISBLK(diskStat.st_mode) ||
        diskStat.st_rdev != wholeDiskOf(st.st_rdev)) {
        return false;
    }
    // /sys counts partition start and size in 512-byte units whatever the sector size.
    target.diskPath = diskPath;
    target.isPartition = true;
    target.partitionOffset = start * 512;
    target.partitionLength = length * 512;
    return true;
}

std::unique_ptr<BlockDevice> openBlockDevice(const std::string& diskPath) {
    int fd = ::open(diskPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode))) {
        ::close(fd);
        return nullptr;
    }
    bool block = S_ISBLK(st.st_mode);
    // A mounted partition's file system writes through the partition's own
    // cache, not the whole disk's: what this disk's cache kept from earlier
    // reads may be stale. Its clean pages are dropped, so reads come from the
    // device (a hint; failure is harmless).
    if (block)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return std::make_unique<PosixBlockDevice>(fd, diskPath, block);
}

}  // namespace platform
