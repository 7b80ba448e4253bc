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
std::vector<Disk> unmountedDisks();

// The size of a disk or partition, its disk's model and bus; only the device
// path is set when the kernel does not know it.
Disk describeDevice(const std::string& device);

}  // namespace platform
