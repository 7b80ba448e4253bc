#include "platform/SystemPlaces.h"

#include "platform/Drives.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

std::string environment(const wchar_t* name) {
    wchar_t value[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length == 0 || length > MAX_PATH ? std::string() : narrow(value);
}

}  // namespace

std::string stateFolder() {
    return environment(L"LOCALAPPDATA");
}

std::string homeFolder() {
    return environment(L"USERPROFILE");
}

std::string systemDevice() {
    wchar_t windows[MAX_PATH + 1] = {};
    return GetWindowsDirectoryW(windows, MAX_PATH) == 0 ? std::string()
                                                        : deviceHolding(narrow(windows));
}

std::vector<std::string> systemDevices() {
    std::vector<std::string> devices;
    wchar_t windows[MAX_PATH + 1] = {};
    std::vector<std::string> paths{environment(L"USERPROFILE")};
    if (GetWindowsDirectoryW(windows, MAX_PATH) != 0)
        paths.push_back(narrow(windows));
    for (const std::string& path : paths) {
        std::string device = path.empty() ? std::string() : deviceHolding(path);
        if (!device.empty())
            devices.push_back(device);
    }
    return devices;
}

bool folderUsable(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
