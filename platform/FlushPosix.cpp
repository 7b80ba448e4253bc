#include "platform/FlushSystem.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

// FAT keeps a file's size and first cluster in its folder entry and its
// clusters in the FAT: the two are written apart, in the order below.
bool onFat(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

}  // namespace

bool flush_system::flushDrive(std::intptr_t handle) {
    return ::syncfs(static_cast<int>(handle)) == 0;
}

bool flush_system::flushHandle(std::intptr_t handle, bool& folder) {
    const int fd = static_cast<int>(handle);
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    // Linux's vfat flushing a file writes its entry (size, first cluster)
    // before the FAT that allocates those clusters: a pull in between leaves
    // the entry on clusters the FAT calls free. Its whole file system flushed
    // first writes the FAT before the folders, so a pull leaves at worst
    // clusters that nothing names. Elsewhere the file's own flush is enough,
    // and a whole file system flushed on a failing drive could stop it
    // before what the command wrote is removed again.
    if (known && S_ISREG(info.st_mode) && onFat(fd) && ::syncfs(fd) != 0 && errno != EINVAL)
        return false;
    if (::fsync(fd) != 0)
        return false;
    folder = known && S_ISDIR(info.st_mode);
    return true;
}

}  // namespace platform
