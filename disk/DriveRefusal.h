#pragma once
// Whether a drive may be erased now: what the path names, and what uses it.
// Checked before the question that INIT and FORMAT ask, and again before the
// drive is opened for writing, from the tools and the window alike.

#include <string>
#include <vector>

namespace disk {

// Why INIT or FORMAT may not erase `drive` now, as lines to show; empty when it
// may. A drive is a disk, one of its partitions or a disk image file (links
// followed); anything else (a folder, a character device, a pipe) is refused,
// and so is a drive in use in any form: the lines say what uses it, where it
// is mounted, and what to do first.
std::string eraseRefusal(const std::string& drive);

// Why `device`, mounted at `mountPoint`, could not be erased once it is
// unmounted there: anything else that uses its disk (another mount, swap, a
// loop or stacked device, a program holding it open), as eraseRefusal says
// it; empty when only that mount stands in the way. Asked before a drive is
// unmounted for a format, so that a drive in use stays where it is.
std::string inUseBesidesMount(const std::string& device, const std::string& mountPoint);

// Why the window may not format `device`, mounted at `mountPoint`: it, or
// another partition of its disk, is one of `systemDevices` (the devices that
// hold "/", "/boot" and the home folders). Empty when it may.
std::string systemDriveRefusal(const std::string& device, const std::string& mountPoint,
                               const std::vector<std::string>& systemDevices);

}  // namespace disk
