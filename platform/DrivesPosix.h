#pragma once
// The drives' rules of platform/Drives.h over a given mountinfo text and
// sysfs tree instead of the running system's: Linux only, for its tests.

#include <string>
#include <vector>

#include "platform/Drives.h"

namespace platform {

// opticalDrives() over `sysRoot`.
std::vector<std::string> opticalDrivesFrom(const std::string& sysRoot);

// Whether the kernel calls the disk under the block device `device` removable:
// the whole disk's sysfs 'removable' for a partition, and any removable disk
// beneath a mapped device (dm, md). Unknown devices count as removable.
bool isRemovableDevice(const std::string& device, const std::string& sysRoot = "/sys");

// Whether the block device `device` sits on a USB bus: its disk lies under a USB
// host's device tree in sysfs, or, for a mapped device (dm, md), a device beneath
// it does. Unknown devices are not on USB.
bool isUsbDevice(const std::string& device, const std::string& sysRoot = "/sys");

// mountedVolumes() over `mountInfo` and `sysRoot`.
std::vector<MountedVolume> mountedVolumesFrom(const std::string& mountInfo,
                                              const std::string& sysRoot = "/sys");

// fixedVolumes() over `mountInfo` and `sysRoot`.
std::vector<MountedVolume> fixedVolumesFrom(const std::string& mountInfo,
                                            const std::string& sysRoot = "/sys");

// deviceHolding() for an already resolved absolute path.
std::string deviceHoldingFrom(const std::string& mountInfo, const std::string& resolvedPath,
                              const std::string& sysRoot = "/sys");

// mountedAt() over `mountInfo` and `sysRoot`.
bool mountedAtFrom(const std::string& mountInfo, const std::string& mountPoint,
                   const std::string& device, const std::string& sysRoot = "/sys");

}  // namespace platform
