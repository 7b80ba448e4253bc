// The hard-drive box: its drives, the one selected, and the target's root.

#include "ui/DrivePicker.h"

#include "store/DriveRoot.h"
#include "ui/DriveOrder.h"

namespace ui {

namespace {

// The box's rows: each drive by its mount point, its device as tooltip.
std::vector<DriveRow> driveRows(const std::vector<FixedDrive>& drives) {
    std::vector<DriveRow> rows;
    for (const FixedDrive& drive : drives)
        rows.push_back(DriveRow{drive.mountPoint, drive.device});
    return rows;
}

}  // namespace

void DrivePicker::fillFirst() {
    offered_ = drivesInOfferOrder(services_.drives->fixedDrives());
    view_.setDrives(driveRows(offered_), driveToOpenOn(offered_));
}

void DrivePicker::fillDrivesAt(const std::string& mountPoint) {
    const int index = view_.input().drive;
    const std::string selected = index >= 0 && index < static_cast<int>(offered_.size())
                                     ? offered_[static_cast<std::size_t>(index)].mountPoint
                                     : "";
    offered_ = drivesInOfferOrder(services_.drives->fixedDrives());
    selectDriveAt(mountPoint.empty() ? selected : mountPoint);
}

void DrivePicker::selectDriveAt(const std::string& mountPoint) {
    int at = offered_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < offered_.size(); ++i) {
        if (!mountPoint.empty() && offered_[i].mountPoint == mountPoint)
            at = static_cast<int>(i);
    }
    view_.setDrives(driveRows(offered_), at);
}

FixedDrive DrivePicker::selectedDrive() const {
    const int index = view_.input().drive;
    if (index < 0 || index >= static_cast<int>(offered_.size()))
        return {};
    return offered_[static_cast<std::size_t>(index)];
}

std::string DrivePicker::selectedDriveRoot() const {
    const FixedDrive drive = selectedDrive();
    return drive.mountPoint.empty() ? std::string() : store::normalizeRoot(drive.mountPoint);
}

const std::string& DrivePicker::readTargetRoot() {
    targetRoot_ = selectedDriveRoot();
    return targetRoot_;
}

}  // namespace ui
