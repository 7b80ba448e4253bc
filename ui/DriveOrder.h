#pragma once
// Which fixed drives the window offers first, and what it asks before it
// installs onto the drive of the running system. No toolkit: every window
// of the program decides the same way.

#include <string>
#include <vector>

#include "ui/DriveList.h"

namespace ui {

// USB drives first, the drive that holds the running system last, the others
// between; within each group the order stays as given. The window selects the
// first, so a person's USB drive is chosen when there is one.
std::vector<FixedDrive> drivesInOfferOrder(std::vector<FixedDrive> drives);

// The drive the window opens on: the first of `offered` (in offer order)
// that this user may use, else the first; -1 when none is offered.
int driveToOpenOn(const std::vector<FixedDrive>& offered);

// The question asked before installing onto `drive` (answered No by default);
// empty when the drive is not the system's.
std::string systemDriveQuestion(const FixedDrive& drive);

}  // namespace ui
