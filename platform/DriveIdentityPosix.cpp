#include <fcntl.h>
#include <sys/stat.h>

#include "platform/DriveIdentity.h"

namespace platform {

std::optional<DriveIdentity> driveIdentity(const std::string& root) {
    struct statx info {};
    if (::statx(AT_FDCWD, root.c_str(), AT_NO_AUTOMOUNT, STATX_INO | STATX_MNT_ID, &info) != 0)
        return std::nullopt;
    DriveIdentity identity;
    identity.device = (std::uint64_t{info.stx_dev_major} << 32) | info.stx_dev_minor;
    identity.folder = info.stx_ino;
    if ((info.stx_mask & STATX_MNT_ID) != 0)  // Linux 5.8 and later
        identity.mount = info.stx_mnt_id;
    return identity;
}

SystemHandle openRootHandle(const std::string& root) {
    return SystemHandle(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace platform
