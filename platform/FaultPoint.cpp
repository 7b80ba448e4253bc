#include "platform/FaultPoint.h"

#include <cerrno>
#include <cstring>

#include "platform/DriveIdentity.h"
#include "platform/ThreadText.h"

namespace platform {
namespace {

FaultHook& hook() {
    static FaultHook instance;
    return instance;
}

AllowedHook& allowedHook() {
    static AllowedHook instance;
    return instance;
}

thread_local ThreadText refusedLink;

}  // namespace

bool linkRefused(const std::string& path) {
    refusedLink.set(path);
    errno = ELOOP;
    return false;
}

void setAllowedHook(AllowedHook newHook) {
    allowedHook() = std::move(newHook);
}

void setFaultHook(FaultHook newHook) {
    hook() = std::move(newHook);
}

bool fileOpAllowed(FileOp op, const std::string& path, const std::string& other) {
    if (hook() && !hook()(op, path, other)) {
        errno = EIO;
        return false;
    }
    // A drive unmounted under its job leaves a folder of another drive at
    // its root: nothing is written there.
    const bool allowed = heldDriveStillThere(path) && (other.empty() || heldDriveStillThere(other));
    if (allowed && allowedHook())
        allowedHook()(op, path);
    return allowed;
}

std::string lastErrorText() {
    // The two refusals of the program's own, in its own words.
    if (errno == ELOOP)
        return (refusedLink.empty() ? "it" : refusedLink.text()) + " is a link; it is not followed";
    if (errno == ENODEV && !changedDriveName().empty())
        return "The drive " + changedDriveName() +
               " is no longer the drive the command began on: nothing more is written";
    return std::strerror(errno);
}

}  // namespace platform
