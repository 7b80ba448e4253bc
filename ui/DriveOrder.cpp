#include "ui/DriveOrder.h"

#include <algorithm>

namespace ui {

namespace {

int offerRank(const FixedDrive& drive) {
    if (drive.holdsSystem)
        return 2;
    return drive.usb ? 0 : 1;
}

}  // namespace

std::vector<FixedDrive> drivesInOfferOrder(std::vector<FixedDrive> drives) {
    std::stable_sort(drives.begin(), drives.end(), [](const FixedDrive& a, const FixedDrive& b) {
        return offerRank(a) < offerRank(b);
    });
    return drives;
}

std::string systemDriveQuestion(const FixedDrive& drive) {
    if (!drive.holdsSystem)
        return {};
    return "The drive " + drive.mountPoint +
           " is not a USB drive: it holds the running system.\nInstall anyway?";
}

int driveToOpenOn(const std::vector<FixedDrive>& offered) {
    for (std::size_t i = 0; i < offered.size(); ++i) {
        if (offered[i].usable)
            return static_cast<int>(i);
    }
    // None may be changed by this user (all mounted by root): the first is
    // still shown with its games, and Start says why nothing can go onto it.
    return offered.empty() ? -1 : 0;
}

}  // namespace ui
