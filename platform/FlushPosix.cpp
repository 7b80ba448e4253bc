#include "platform/Flush.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FaultPoint.h"

namespace platform {

bool flushToDevice(std::intptr_t handle, const std::string& path, FlushScope scope) {
    const int fd = static_cast<int>(handle);
    if (!fileOpAllowed(FileOp::Flush, path))
        return false;
    if (scope == FlushScope::Drive)
        return ::syncfs(fd) == 0;
    if (::fsync(fd) != 0)
        return false;
    struct stat info {};
    notifyFlushed(path, ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode));
    return true;
}

}  // namespace platform
