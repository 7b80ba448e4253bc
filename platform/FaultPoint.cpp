#include "platform/FaultPoint.h"

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

FaultHook& hook() {
    static FaultHook instance;
    return instance;
}

}  // namespace

void setFaultHook(FaultHook newHook) {
    hook() = std::move(newHook);
}

bool fileOpAllowed(FileOp op, const std::string& path, const std::string& other) {
    if (hook() && !hook()(op, path, other)) {
        errno = EIO;
        return false;
    }
    return true;
}

std::string lastErrorText() {
    return std::strerror(errno);
}

}  // namespace platform
