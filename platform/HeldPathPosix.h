#pragma once
// The folder an *at() call starts from for a path: the held drive's root, or
// the current folder (platform/DriveIdentity.h).

#include <fcntl.h>

#include "platform/DriveIdentity.h"

namespace platform {

struct At {
    explicit At(const std::string& path) : held(heldPath(path)) {}
    int folder() const { return held.root < 0 ? AT_FDCWD : static_cast<int>(held.root); }
    const char* name() const { return held.name.c_str(); }
    HeldPath held;
};

}  // namespace platform
