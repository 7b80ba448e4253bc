// The drives, on Windows: every drive letter GetLogicalDrives names, by the
// type GetDriveTypeW gives it. A drive letter's volume is its device
// (\\.\E:); its root (E:\) is where it is "mounted".

#include <optional>

#include "platform/DriveLetterWin32.h"
#include "platform/Drives.h"

namespace platform {

using namespace win32;

namespace {

std::wstring wideRootOf(char letter) {
    return widen(rootOf(letter));
}

std::vector<char> lettersOfType(std::initializer_list<UINT> types) {
    std::vector<char> letters;
    const DWORD present = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((present & (1u << i)) == 0)
            continue;
        const char letter = static_cast<char>('A' + i);
        const UINT type = GetDriveTypeW(wideRootOf(letter).c_str());
        for (UINT wanted : types) {
            if (type == wanted)
                letters.push_back(letter);
        }
    }
    return letters;
}

std::optional<MountedVolume> volumeOfLetter(char letter) {
    const std::wstring root = wideRootOf(letter);
    wchar_t fileSystem[MAX_PATH + 1] = {};
    DWORD flags = 0;
    if (!GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, fileSystem,
                               MAX_PATH))
        return std::nullopt;  // no medium, or an unreadable one
    MountedVolume volume;
    volume.mountPoint = narrow(root);
    volume.device = volumeDeviceOf(letter);
    volume.fsType = narrow(fileSystem);
    volume.readOnly = (flags & FILE_READ_ONLY_VOLUME) != 0;
    volume.removable = GetDriveTypeW(root.c_str()) == DRIVE_REMOVABLE;
    return volume;
}

}  // namespace

std::vector<std::string> opticalDrives() {
    std::vector<std::string> drives;
    for (char letter : lettersOfType({DRIVE_CDROM}))
        drives.push_back(volumeDeviceOf(letter));
    return drives;
}

std::vector<MountedVolume> mountedVolumes() {
    std::vector<MountedVolume> volumes;
    for (char letter : lettersOfType({DRIVE_FIXED, DRIVE_REMOVABLE})) {
        if (std::optional<MountedVolume> volume = volumeOfLetter(letter))
            volumes.push_back(*volume);
    }
    return volumes;
}

std::string deviceHolding(const std::string& path) {
    const char letter = driveLetterOf(volumeDeviceHolding(path));
    if (letter == 0)
        return {};  // a share or a folder mount: no drive letter to name
    const UINT type = GetDriveTypeW(wideRootOf(letter).c_str());
    return type == DRIVE_REMOTE || type == DRIVE_RAMDISK ? std::string() : volumeDeviceOf(letter);
}

bool mountedAt(const std::string& mountPoint, const std::string& device) {
    const char letter = driveLetterOf(mountPoint);
    return letter != 0 && volumeDeviceOf(letter) == device &&
           GetDriveTypeW(wideRootOf(letter).c_str()) != DRIVE_NO_ROOT_DIR;
}

bool unmountVolume(const std::string& mountPoint, std::string& error) {
    const char letter = driveLetterOf(mountPoint);
    if (letter == 0) {
        error = "no drive letter";
        return false;
    }
    const Handle volume(
        CreateFileW(widen(volumeDeviceOf(letter)).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!volume.valid()) {
        error = systemMessage(GetLastError());
        return false;
    }
    DWORD returned = 0;
    const bool ok = control(volume.get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned) &&
                    control(volume.get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned);
    if (!ok)
        error = systemMessage(GetLastError());
    return ok;
}

bool canOpenForWriting(const std::string& device, bool& denied, std::string& error) {
    denied = false;
    const Handle handle(CreateFileW(longPath(device).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
    if (handle.valid())
        return true;
    const DWORD failure = GetLastError();
    denied = failure == ERROR_ACCESS_DENIED || failure == ERROR_PRIVILEGE_NOT_HELD;
    error = systemMessage(failure);
    return false;
}

}  // namespace platform
