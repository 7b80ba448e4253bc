#pragma once
// The hard-drive box: the fixed drives in the order they are offered, the
// one selected, and the root of the drive the window last acted on. No
// toolkit.

#include <string>
#include <vector>

#include "ui/CoreServices.h"
#include "ui/DriveList.h"
#include "ui/WindowView.h"

namespace ui {

class DrivePicker {
  public:
    DrivePicker(WindowView& view, const CoreServices& services)
        : view_(view), services_(services) {}

    // The window opens: a drive this user may not use (a folder of another
    // user's) is listed, but the box selects one it can read.
    void fillFirst();
    // The drives are read again; the selected one stays selected while it
    // is there, else the first.
    void fillDrives() { fillDrivesAt({}); }
    // The drives are read again, the one at `mountPoint` selected (empty:
    // the one selected before), else the first.
    void fillDrivesAt(const std::string& mountPoint);

    // The box's drives, in their order.
    const std::vector<FixedDrive>& offered() const { return offered_; }
    FixedDrive selectedDrive() const;
    std::string selectedDriveRoot() const;
    // The selected drive's root, read now and kept as the target.
    const std::string& readTargetRoot();
    // The root of the selected drive when last read.
    const std::string& targetRoot() const { return targetRoot_; }

  private:
    // Fills the box with the drives offered now, `mountPoint`'s selected
    // when it is among them, else the first.
    void selectDriveAt(const std::string& mountPoint);

    WindowView& view_;
    const CoreServices& services_;
    std::vector<FixedDrive> offered_;  // the box
    std::string targetRoot_;
};

}  // namespace ui
