// The drives of this machine, as the platform layer finds them.

#include "platform/Disks.h"
#include "platform/Drives.h"
#include "platform/SystemPlaces.h"
#include "ui/DriveList.h"

namespace ui {

using namespace platform;

namespace {

class SystemDriveList : public DriveList {
  public:
    std::vector<std::string> opticalDrives() override { return platform::opticalDrives(); }

    std::vector<FixedDrive> fixedDrives() override {
        std::vector<FixedDrive> drives;
        const std::string system = platform::systemDevice();
        for (const platform::MountedVolume& volume : platform::mountedVolumes()) {
            if (volume.removable)
                continue;
            const platform::Disk disk = platform::describeDevice(volume.device);
            drives.push_back({volume.mountPoint, volume.device, disk.usb,
                              !system.empty() && volume.device == system, volume.readOnly,
                              platform::folderUsable(volume.mountPoint), volume.fsType, disk.bytes,
                              disk.model, volume.options, volume.fsOptions});
        }
        return drives;
    }

    std::vector<FixedDrive> unmountedDisks() override {
        std::vector<FixedDrive> disks;
        for (const platform::Disk& disk : platform::unmountedDisks())
            disks.push_back(
                {"", disk.device, disk.usb, false, false, true, "", disk.bytes, disk.model});
        return disks;
    }

    std::vector<std::string> systemDevices() override { return platform::systemDevices(); }

    bool mountedAt(const FixedDrive& drive) override {
        return platform::mountedAt(drive.mountPoint, drive.device);
    }
};

}  // namespace

std::unique_ptr<DriveList> makeSystemDriveList() {
    return std::make_unique<SystemDriveList>();
}

}  // namespace ui
