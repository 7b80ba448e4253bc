#include "platform/Disks.h"

namespace platform {

// Windows gives every formatted volume a drive letter of its own; a disk
// without one is prepared in the system's Disk Management.
std::vector<Disk> unmountedDisks(const std::string&) {
    return {};
}

Disk describeDevice(const std::string& device, const std::string&) {
    Disk disk;
    disk.device = device;
    return disk;
}

std::string firstPartitionOf(const std::string& disk, const std::string&) {
    return disk;
}

bool mountVolume(const std::string&, const std::string&, const std::string&, const std::string&,
                 const std::string&, std::string& error) {
    error = "Windows mounts a volume by itself";
    return false;
}

}  // namespace platform
