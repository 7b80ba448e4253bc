#include "platform/Disks.h"

namespace platform {

// Windows gives every formatted volume a drive letter of its own; a disk
// without one is prepared in the system's Disk Management.
std::vector<Disk> unmountedDisks() {
    return {};
}

Disk describeDevice(const std::string& device) {
    Disk disk;
    disk.device = device;
    return disk;
}

}  // namespace platform
