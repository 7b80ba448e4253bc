#include "platform/DriveLetterWin32.h"

#include <cctype>

namespace platform::win32 {

char driveLetterOf(const std::string& name) {
    std::string rest = name;
    if (rest.rfind("\\\\.\\", 0) == 0 || rest.rfind("\\\\?\\", 0) == 0)
        rest = rest.substr(4);
    if (rest.empty() || !std::isalpha(static_cast<unsigned char>(rest[0])))
        return 0;
    const std::string after = rest.substr(1);
    if (after.empty() || after == ":" || after == ":\\" || after == ":/")
        return static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
    return 0;
}

bool letterNamesFolder(char letter) {
    const wchar_t drive[] = {static_cast<wchar_t>(letter), L':', 0};
    wchar_t target[MAX_PATH + 1] = {};
    if (QueryDosDeviceW(drive, target, MAX_PATH) == 0)
        return false;
    return std::wstring(target).rfind(L"\\??\\", 0) == 0;
}

std::string rootOf(char letter) {
    return std::string(1, letter) + ":\\";
}

std::string volumeDeviceOf(char letter) {
    return std::string("\\\\.\\") + letter + ':';
}

bool isDevicePath(const std::string& path) {
    return path.rfind("\\\\.\\", 0) == 0;
}

std::string volumeDeviceHolding(const std::string& path) {
    wchar_t root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(longPath(path).c_str(), root, MAX_PATH))
        return {};
    std::string device = narrow(root);
    if (device.rfind("\\\\?\\", 0) == 0)
        device = device.substr(4);
    while (!device.empty() && device.back() == '\\')
        device.pop_back();
    return device.empty() ? device : "\\\\.\\" + device;
}

long diskNumberOf(HANDLE device) {
    STORAGE_DEVICE_NUMBER number{};
    if (!control(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number))
        return -1;
    return static_cast<long>(number.DeviceNumber);
}

long diskNumberOf(const std::string& device) {
    const Handle handle(CreateFileW(longPath(device).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    return handle.valid() ? diskNumberOf(handle.get()) : -1;
}

}  // namespace platform::win32
