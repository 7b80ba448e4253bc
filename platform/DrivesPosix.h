#pragma once
// The drives' rules of platform/Drives.h over a given mountinfo text and
// sysfs tree instead of the running system's: Linux only, for its tests.

#include <string>
#include <vector>

#include "platform/Drives.h"

namespace platform {

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
