#pragma once
// What uses a disk, a partition or a disk image file, so that nothing in use
// is erased: mounts, swap areas, loop devices and devices stacked on it.

#include <string>
#include <vector>

namespace platform {

enum class PathKind { Missing, RegularFile, BlockDevice, CharacterDevice, Directory, Other };

// What `path` names once symbolic links are followed; `resolved`, when given,
// receives the absolute path with every link resolved.
PathKind pathKind(const std::string& path, std::string* resolved = nullptr);

// Whether only root can change what the absolute, link-free path `resolved`
// names: every folder on its way belongs to root and no one else may write it.
bool onlyRootCanReplace(const std::string& resolved);

struct DriveUser {
    enum class Kind { Mounted, Swap, Loop, Holder, Open, Mapped, Claimed };
    Kind kind = Kind::Mounted;
    std::string device;      // what is in use: "/dev/sdb1", "/dev/loop4", "dm-0", a swap file
    std::string mountPoint;  // Mounted, Loop: where it is mounted (the first place), if it is
    // Loop: the file (or device) it reads and writes; Holder: what it is built on;
    // Open, Mapped: the program that holds it open or has it mapped into its
    // memory (which keeps it in use after its descriptor is closed); Mounted with holdsSystem: the
    // drive asked about, when it only shares its disk with the system's volume
    std::string file;
    bool sameFile = false;     // Loop: that file is the drive's own file, not one lying on it
    bool holdsSystem = false;  // Mounted: the running system's own volume, never unmounted
    int pid = 0;               // Open, Mapped: the process that holds it
};

// Everything that uses the disk, partition or disk image file at `path` (links
// followed): a mount or swap area on any partition of its disk, or on the file
// itself; a loop device over the file (by device and inode, so any name or hard
// link counts), over the same file as the loop device `path` names, or over a
// file or device that lies on the disk; a device mapper, RAID or LVM device
// stacked on the disk or one of its partitions; another process that holds
// the disk, one of its partitions or the file open, or has it mapped; and, when none of these
// is found, a device of the disk that the kernel holds for someone unseen.
std::vector<DriveUser> driveUsers(const std::string& path);

// Whether `a` and `b` lie on one disk (block devices of the same whole disk)
// or are the same file.
bool sameDisk(const std::string& a, const std::string& b);

}  // namespace platform
