#include "platform/Flush.h"

#include "platform/FaultPoint.h"
#include "platform/WideWin32.h"

namespace platform {

bool flushToDevice(std::intptr_t handle, const std::string& path) {
    if (!fileOpAllowed(FileOp::Flush, path))
        return false;
    return FlushFileBuffers(win32::toHandle(handle)) != 0 || win32::failed();
}

}  // namespace platform
