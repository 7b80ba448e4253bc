// What uses a drive, on Windows: the volume lock that the disk routines take
// before they write refuses a volume in use; what is known here beforehand is
// the drive that holds Windows itself, and the other volumes of its disk.
#ifdef _WIN32

#include <windows.h>

#include <winioctl.h>

#include <filesystem>
#include <system_error>

#include "platform/DriveLetterWin32.h"
#include "platform/DriveUsers.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "platform/WideWin32.h"

namespace platform {

namespace {

// The letter of the drive that holds the Windows folder, upper case; 0 when unknown.
char systemDriveLetter() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    return win32::driveLetterOf(win32::narrow(std::wstring(folder, 2)));
}

}  // namespace

PathKind pathKind(const std::string& path, std::string* resolved) {
    if (const char letter = win32::driveLetterOf(path)) {
        // A letter made for a folder (subst) names that folder, whether or
        // not it is still there.
        if (win32::letterNamesFolder(letter))
            return PathKind::Directory;
        // A letter no drive has is missing, not a device that fails to open
        // (a volume without a file system has no root folder, but opens).
        if (GetDriveTypeW(win32::widen(win32::rootOf(letter)).c_str()) == DRIVE_NO_ROOT_DIR &&
            !win32::Handle(CreateFileW(win32::widen(win32::volumeDeviceOf(letter)).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       0, nullptr))
                 .valid())
            return PathKind::Missing;
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
    const std::string systemVolume = win32::volumeDeviceOf(system);
    bool onSystemDisk = false;
    char driveLetter = 0;
    if (const char letter = win32::driveLetterOf(path)) {
        driveLetter = letter;
        const long disk = win32::diskNumberOf(win32::volumeDeviceOf(letter));
        onSystemDisk = letter == system || (disk >= 0 && disk == win32::diskNumberOf(systemVolume));
    } else if (path.rfind("\\\\.\\PhysicalDrive", 0) == 0) {
        const long disk = win32::diskNumberOf(path);
        onSystemDisk = disk >= 0 && disk == win32::diskNumberOf(systemVolume);
    }
    if (!onSystemDisk)
        return {};
    DriveUser user;
    user.kind = DriveUser::Kind::Mounted;
    user.device = std::string(1, system) + ':';
    user.mountPoint = user.device + '\\';
    user.holdsSystem = true;
    if (driveLetter != 0 && driveLetter != system)
        user.file = std::string(1, driveLetter) + ':';  // another volume of the system's disk
    return {user};
}

bool sameDisk(const std::string& a, const std::string& b) {
    return sameFolder(a, b);  // by identity, for files as for folders
}

}  // namespace platform

#endif  // _WIN32
