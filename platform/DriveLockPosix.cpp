// The drive lock on Linux: flock() on the drive root's folder itself. The
// kernel keeps such a lock for the inode, so every spelling of the root, and
// every process and thread that opens it on its own, meets the same lock; it
// works on ext4, tmpfs and FUSE mounts alike (the kernel keeps it where the
// file system has no locks of its own), needs no more right than reading the
// folder, leaves no file behind, and ends when its holder's descriptor closes,
// also when the holder is killed.
//
// A waiting writer marks itself with an open file description lock (a read
// lock on byte 1 of the same folder): such locks are apart from flock()'s,
// need no more than a folder opened for reading, can be asked for with
// F_OFD_GETLK, and end with the descriptor too.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/DriveLockSystem.h"

namespace platform::drive_lock {

Opened open(const std::string& root) {
    Opened opened;
    opened.handle.reset(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.handle.valid()) {
        opened.status = (errno == ENOENT || errno == ENOTDIR) ? DriveLockStatus::NoDrive
                                                              : DriveLockStatus::Failed;
        opened.error = std::strerror(errno);
        return opened;
    }
    struct stat status {};
    if (::fstat(static_cast<int>(opened.handle.get()), &status) != 0) {
        opened.error = std::strerror(errno);
        return opened;
    }
    opened.status = DriveLockStatus::Locked;
    opened.key = {static_cast<std::uint64_t>(status.st_dev),
                  static_cast<std::uint64_t>(status.st_ino)};
    return opened;
}

DriveLockStatus lock(Handle handle, DriveLockMode mode, std::string& error) {
    const int operation = (mode == DriveLockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::flock(static_cast<int>(handle), operation) == 0)
        return DriveLockStatus::Locked;
    if (errno == EWOULDBLOCK || errno == EINTR)
        return DriveLockStatus::Busy;
    error = std::strerror(errno);
    return DriveLockStatus::Failed;
}

bool onlyReaders(Handle handle) {
    const int fd = static_cast<int>(handle);
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        return false;
    ::flock(fd, LOCK_UN);
    return true;
}

namespace {

struct flock waitMark(short type) {
    struct flock mark {};
    mark.l_type = type;
    mark.l_whence = SEEK_SET;
    mark.l_start = 1;
    mark.l_len = 1;
    return mark;
}

}  // namespace

void markWriterWaiting(Handle handle) {
    // Where the file system keeps no such locks the writer simply has no place.
    struct flock mark = waitMark(F_RDLCK);
    ::fcntl(static_cast<int>(handle), F_OFD_SETLK, &mark);
}

bool writerWaiting(Handle handle) {
    // A write lock would meet every other description's mark.
    struct flock probe = waitMark(F_WRLCK);
    return ::fcntl(static_cast<int>(handle), F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

}  // namespace platform::drive_lock

namespace platform {

bool DriveLockHandleTraits::close(std::intptr_t handle) {
    return ::close(static_cast<int>(handle)) == 0;
}

}  // namespace platform
