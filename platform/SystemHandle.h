#pragma once
// A handle of the system as the shared headers hold it: a descriptor on
// Linux, a Windows HANDLE as its number; -1 is none on both. Owned, so that
// it is closed once, whatever way its holder goes.
#include <cstdint>

#include "platform/Owned.h"

namespace platform {

struct SystemHandleTraits {
    using Value = std::intptr_t;
    static std::intptr_t invalid() { return -1; }
    static bool close(std::intptr_t handle);  // in SystemHandlePosix.cpp / SystemHandleWin32.cpp
};
using SystemHandle = Owned<SystemHandleTraits>;

}  // namespace platform
