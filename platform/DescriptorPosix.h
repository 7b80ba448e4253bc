#pragma once
// A descriptor that closes itself (platform/Owned.h), for the Posix files.
#include <unistd.h>

#include "platform/Owned.h"

namespace platform {

struct DescriptorTraits {
    using Value = int;
    static int invalid() { return -1; }
    static bool close(int fd) { return ::close(fd) == 0; }
};
using Descriptor = Owned<DescriptorTraits>;

}  // namespace platform
