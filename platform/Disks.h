#pragma once
// Whole disks that a person may prepare for games although nothing of them is
// mounted: a new USB hard disk, or an attached disk image (a loop device).

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct Disk {
    std::string device;  // "/dev/sdb", "/dev/loop3"
    std::uint64_t bytes = 0;
    std::string model;  // "WD Elements 2621", "Disk image game.img"; may be empty
    bool usb = false;
    std::vector<std::string> partitions;  // "/dev/sdb1", ... as the kernel knows them
};

// Disks on a USB bus that the kernel does not call removable (a USB hard
// disk, not a stick), and attached loop devices, none of whose devices is
// mounted, in natural order. Disks of no size (an empty card reader) are left
// out.
std::vector<Disk> unmountedDisks(const std::string& sysRoot = "/sys");

// The size of a disk or partition, its disk's model and bus; only the device
// path is set when the kernel does not know it.
Disk describeDevice(const std::string& device, const std::string& sysRoot = "/sys");

// The partition a file system is mounted from after `disk` was given a
// partition table: its first partition as the kernel knows it, or `disk`
// itself when it has none (or is a partition already).
std::string firstPartitionOf(const std::string& disk, const std::string& sysRoot = "/sys");

// What the mount system call is given to mount a volume again as the mount
// table showed it: the flags of its per-mount `options` ("ro,nosuid,nodev,
// relatime"...), and its file system's own `fsOptions` without "rw" and "ro".
struct MountArguments {
    unsigned long flags = 0;
    std::string data;
};
MountArguments mountArgumentsOf(const std::string& options, const std::string& fsOptions);

// Mounts the file system of type `fsType` on `device` at the folder
// `mountPoint` (which must exist) with the options it had (as the mount table
// showed them), as the administrator may. False with the system's reason in
// `error`.
bool mountVolume(const std::string& device, const std::string& mountPoint,
                 const std::string& fsType, const std::string& options,
                 const std::string& fsOptions, std::string& error);

}  // namespace platform
