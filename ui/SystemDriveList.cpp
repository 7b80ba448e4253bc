// The drives of this machine: optical drives from sysfs, fixed disks' mounted
// file systems from the mount table.

#include "platform/Drives.h"
#include "ui/DriveList.h"

namespace {

class SystemDriveList : public DriveList {
  public:
    std::vector<std::string> opticalDrives() override { return platform::opticalDrives(); }

    std::vector<FixedDrive> fixedDrives() override {
        std::vector<FixedDrive> drives;
        const std::string system = platform::deviceHolding(platform::systemFolders().front());
        for (const platform::MountedVolume& volume : platform::fixedVolumes())
            drives.push_back({volume.mountPoint, volume.device, platform::isUsbDevice(volume.device),
                              !system.empty() && volume.device == system});
        return drives;
    }

    std::vector<std::string> systemDevices() override {
        std::vector<std::string> devices;
        for (const std::string& path : platform::systemFolders()) {
            std::string device = platform::deviceHolding(path);
            if (!device.empty())
                devices.push_back(device);
        }
        return devices;
    }
};

}  // namespace

std::unique_ptr<DriveList> makeSystemDriveList() {
    return std::make_unique<SystemDriveList>();
}
