#include "platform/DriveIdentity.h"
#include "platform/WideWin32.h"

namespace platform {
namespace {

// The root folder itself, opened for no access: enough to read its identity
// and to hold it.
HANDLE openRoot(const std::string& root) {
    return CreateFileW(win32::longPath(root).c_str(), 0,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

// The root folder's handle tells its volume (the serial number) and its file
// index there; Windows has no mount IDs, a volume mounted again keeps both.
std::optional<DriveIdentity> driveIdentity(const std::string& root) {
    const win32::Handle handle(openRoot(root));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info)) {
        win32::failed();
        return std::nullopt;
    }
    DriveIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.folder = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return identity;
}

// Windows keeps using paths: before each step the root's volume and file
// index are compared with the held ones (platform/FaultPoint.h). The open
// handle keeps the volume from being dismounted without force meanwhile.
SystemHandle openRootHandle(const std::string& root) {
    return SystemHandle(win32::fromHandle(openRoot(root)));  // INVALID_HANDLE_VALUE is -1
}

}  // namespace platform
