#include "platform/DriveLetterWin32.h"
#include "platform/DriveNames.h"

namespace platform {
namespace {

// Whether the optical drive `letter` says it holds no disc. Its device opens
// without a disc, for its attributes only; the drive then answers the media
// check with "not ready".
bool hasNoDisc(char letter) {
    const win32::Handle device(CreateFileW(win32::widen(win32::volumeDeviceOf(letter)).c_str(),
                                           FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (device.valid()) {
        if (win32::control(device.get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, nullptr, 0))
            return false;
        if (GetLastError() == ERROR_NOT_READY)
            return true;
    }
    DWORD serial = 0;
    const std::wstring root = win32::widen(win32::rootOf(letter));
    return !GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr,
                                  0) &&
           GetLastError() == ERROR_NOT_READY;
}

}  // namespace

bool drivesHaveLetters() {
    return true;
}

std::string driveRootNamed(const std::string& name) {
    const char letter = win32::driveLetterOf(name);
    return letter != 0 ? win32::rootOf(letter) : name;
}

std::string driveDeviceNamed(const std::string& name) {
    const char letter = win32::driveLetterOf(name);
    return letter != 0 ? win32::volumeDeviceOf(letter) : name;
}

std::string driveNameTrap(const std::string& name) {
    if (name.size() < 3 || win32::driveLetterOf(name.substr(0, 2)) == 0 || name[2] != '"')
        return {};
    const std::string drive = name.substr(0, 2);
    return name + " is not a drive: in a command prompt the backslash of \"" + drive +
           "\\\" quotes the closing quote mark. Write " + drive + " or " + drive +
           "\\ without quotes.";
}

std::string discDriveProblem(const std::string& name) {
    const char letter = win32::driveLetterOf(name);
    if (letter == 0)
        return {};
    const std::wstring root = win32::widen(win32::rootOf(letter));
    const std::string drive = std::string(1, letter) + ':';
    switch (GetDriveTypeW(root.c_str())) {
        case DRIVE_CDROM:
            break;
        case DRIVE_FIXED:
        case DRIVE_REMOVABLE:
        case DRIVE_REMOTE:
        case DRIVE_RAMDISK:
            return drive + " is not an optical drive: name the CD/DVD drive or a disc image file.";
        default:
            return {};  // unknown to the system: opening its device says why
    }
    return hasNoDisc(letter) ? "There is no disc in drive " + drive + "." : std::string();
}

}  // namespace platform
