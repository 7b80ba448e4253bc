#pragma once
// Short names for mounted drives, as a narrow drive list shows them. No
// toolkit: every window of the program names drives the same way.

#include <string>
#include <vector>

namespace ui {

// One name per mount point, in the order given: its last folder
// ("/media/ann/GAMES" is "GAMES"), with as many folders before it as it takes
// to differ from every other's; a root ("/", "E:\") stays whole, and so does
// a mount point that nothing shorter tells apart.
std::vector<std::string> shortDriveNames(const std::vector<std::string>& mountPoints);

}  // namespace ui
