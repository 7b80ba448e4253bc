#include "platform/SystemHandle.h"
#include "platform/WideWin32.h"

namespace platform {

bool SystemHandleTraits::close(std::intptr_t handle) {
    return CloseHandle(win32::toHandle(handle)) != 0;
}

}  // namespace platform
