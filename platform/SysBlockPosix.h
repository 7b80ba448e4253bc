#pragma once
// The kernel's block devices as /sys shows them.

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// "/sys/dev/block/MAJOR:MINOR", the folder of a block device.
std::string sysBlockDir(dev_t dev);
// The whole disk that holds `dev` (itself when it is not a partition).
dev_t wholeDiskOf(dev_t dev);
// The partitions of the whole disk `disk`.
std::vector<dev_t> partitionsOf(dev_t disk);
// "/dev/NAME" of a block device, from /sys; empty when unknown.
std::string blockDeviceName(dev_t dev);

}  // namespace platform
