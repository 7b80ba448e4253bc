#pragma once
// The rows a drive list shows (the drive dialog): a short name that tells the
// drives apart, and the full path with its device as the row's tooltip. No
// toolkit: every window of the program names drives the same way.

#include <vector>

#include "ui/DriveList.h"
#include "ui/WindowView.h"

// One row per drive, in the order given. The name is the last folder of the
// mount point ("/media/ann/GAMES" shows "GAMES"), with as many folders before
// it as it takes to differ from every other drive's; a root ("/", "E:\")
// shows whole.
std::vector<DriveRow> driveDialogRows(const std::vector<FixedDrive>& drives);
