#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/FolderListingSystem.h"

namespace platform::folder_system {

bool deviceGone(const std::string& folder) {
    struct stat info {};
    struct stat devices {};
    // No block device behind it (tmpfs, FUSE, a network file system), or no
    // sysfs to ask: nothing to tell.
    if (::stat(folder.c_str(), &info) != 0 || major(info.st_dev) == 0 ||
        ::stat("/sys/dev/block", &devices) != 0)
        return false;
    const std::string node = "/sys/dev/block/" + std::to_string(major(info.st_dev)) + ":" +
                             std::to_string(minor(info.st_dev));
    return ::access(node.c_str(), F_OK) != 0 && errno == ENOENT;
}

}  // namespace platform::folder_system
