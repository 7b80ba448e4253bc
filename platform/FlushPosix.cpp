#include "platform/Flush.h"

#include <unistd.h>

#include "platform/FaultPoint.h"

namespace platform {

bool flushToDevice(std::intptr_t handle, const std::string& path) {
    return fileOpAllowed(FileOp::Flush, path) && ::fsync(static_cast<int>(handle)) == 0;
}

}  // namespace platform
