// The drives of this machine, as the platform layer finds them.

#include "platform/Drives.h"
#include "platform/SystemPlaces.h"
#include "ui/DriveList.h"

namespace {

class SystemDriveList : public DriveList {
  public:
    std::vector<std::string> opticalDrives() override { return platform::opticalDrives(); }

    std::vector<FixedDrive> fixedDrives() override {
        std::vector<FixedDrive> drives;
        const std::string system = platform::systemDevice();
        for (const platform::MountedVolume& volume : platform::mountedVolumes()) {
            if (!volume.removable)
                drives.push_back({volume.mountPoint, volume.device,
                                  platform::isUsbDevice(volume.device),
                                  !system.empty() && volume.device == system, volume.readOnly,
                                  platform::folderUsable(volume.mountPoint)});
        }
        return drives;
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
