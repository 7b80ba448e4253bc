// What uses a drive, on Windows: the volume lock that the disk routines take
// before they write refuses a volume in use; what is known here beforehand is
// the drive that holds Windows itself, and the other volumes of its disk.
#ifdef _WIN32

#include <windows.h>
#include <winioctl.h>

#include <cctype>
#include <cwctype>
#include <filesystem>
#include <system_error>

#include "platform/DriveUsers.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "platform/WideWin32.h"

namespace platform {

namespace {

// E, E:, E:\ or \\.\E: - a drive letter names a volume, as a device does.
bool namesDriveLetter(const std::string& path) {
    std::string rest = path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
    if (rest.empty() || !std::isalpha(static_cast<unsigned char>(rest[0])))
        return false;
    return rest.size() == 1 || rest == rest.substr(0, 1) + ":" || rest == rest.substr(0, 1) + ":\\";
}

// The letter of the drive that holds the Windows folder, upper case; 0 when unknown.
char systemDriveLetter() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !std::iswalpha(folder[0]) || folder[1] != L':')
        return 0;
    return static_cast<char>(std::towupper(folder[0]));
}

// The number of the disk that holds the volume or disk `device`; -1 when unknown.
long diskNumberOf(const std::string& device) {
    HANDLE handle = CreateFileW(win32::longPath(device).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    STORAGE_DEVICE_NUMBER number{};
    const bool known = win32::control(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0,
                                      &number, sizeof number);
    CloseHandle(handle);
    return known ? static_cast<long>(number.DeviceNumber) : -1;
}

}  // namespace

PathKind pathKind(const std::string& path, std::string* resolved) {
    if (namesDriveLetter(path)) {
        if (resolved != nullptr)
            *resolved = path;
        return PathKind::BlockDevice;
    }
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(fsPath(path), error);
    if (error)
        return PathKind::Missing;
    if (resolved != nullptr)
        *resolved = pathText(real);
    std::filesystem::file_status status = std::filesystem::status(real, error);
    if (error)
        return PathKind::Missing;
    switch (status.type()) {
        case std::filesystem::file_type::regular:
            return PathKind::RegularFile;
        case std::filesystem::file_type::block:
            return PathKind::BlockDevice;
        case std::filesystem::file_type::character:
            return PathKind::CharacterDevice;
        case std::filesystem::file_type::directory:
            return PathKind::Directory;
        default:
            return PathKind::Other;
    }
}

bool onlyRootCanReplace(const std::string&) {
    return false;
}

std::vector<DriveUser> driveUsers(const std::string& path) {
    const char system = systemDriveLetter();
    if (system == 0)
        return {};
    const std::string systemVolume = std::string("\\\\.\\") + system + ':';
    bool onSystemDisk = false;
    if (namesDriveLetter(path)) {
        const std::string rest = path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
        const long disk = diskNumberOf(std::string("\\\\.\\") + letter + ':');
        onSystemDisk = letter == system || (disk >= 0 && disk == diskNumberOf(systemVolume));
    } else if (path.rfind("\\\\.\\PhysicalDrive", 0) == 0) {
        const long disk = diskNumberOf(path);
        onSystemDisk = disk >= 0 && disk == diskNumberOf(systemVolume);
    }
    if (!onSystemDisk)
        return {};
    DriveUser user;
    user.kind = DriveUser::Kind::Mounted;
    user.device = std::string(1, system) + ':';
    user.mountPoint = user.device + '\\';
    user.holdsSystem = true;
    return {user};
}

bool sameDisk(const std::string& a, const std::string& b) {
    return sameFolder(a, b);  // by identity, for files as for folders
}

}  // namespace platform

#endif  // _WIN32
