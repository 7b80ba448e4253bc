#include <unistd.h>

#include "platform/SystemHandle.h"

namespace platform {

bool SystemHandleTraits::close(std::intptr_t handle) {
    return ::close(static_cast<int>(handle)) == 0;
}

}  // namespace platform
