#pragma once
// Disks as Linux shows them: the rules of platform/Disks.h over a given sysfs
// tree (for its tests), and the steps that mount a volume again by hand,
// which only the Linux front end takes (Windows mounts a volume by itself).

#include <string>
#include <vector>

#include "platform/Disks.h"

namespace platform {

// unmountedDisks() over `sysRoot`.
std::vector<Disk> unmountedDisksFrom(const std::string& sysRoot);

// describeDevice() over `sysRoot`.
Disk describeDeviceFrom(const std::string& device, const std::string& sysRoot);

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
