#pragma once
// The per-system step of reading a folder (platform/FolderListing.h).

#include <string>

namespace platform::folder_system {

// True when `folder` lies on a block device that is no longer there. A
// folder read on such a device may answer "no more names" where it could
// not read them at all (Linux's vfat does, once a stick is pulled).
bool deviceGone(const std::string& folder);

}  // namespace platform::folder_system
