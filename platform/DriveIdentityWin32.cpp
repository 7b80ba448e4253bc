#include "platform/DriveIdentity.h"
#include "platform/WideWin32.h"

namespace platform {

// The root folder's handle tells its volume (the serial number) and its file
// index there; Windows has no mount IDs, a volume mounted again keeps both.
std::optional<DriveIdentity> driveIdentity(const std::string& root) {
    HANDLE handle = CreateFileW(win32::longPath(root).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        win32::failed();
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    if (!known)
        win32::failed();
    CloseHandle(handle);
    if (!known)
        return std::nullopt;
    DriveIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.folder = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return identity;
}

// Windows keeps using paths: before each step the root's volume and file
// index are compared with the held ones (platform/FaultPoint.h). The open
// handle keeps the volume from being dismounted without force meanwhile.
std::intptr_t openRootHandle(const std::string& root) {
    HANDLE handle = CreateFileW(win32::longPath(root).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

void closeRootHandle(std::intptr_t handle) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace platform
