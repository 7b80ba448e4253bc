#include "platform/SystemPlaces.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/Drives.h"

namespace platform {

std::string stateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/')
        return state;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.local/state";
    return {};
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr && *home == '/' ? std::string(home) : std::string();
}

std::string systemDevice() {
    return deviceHolding("/");
}

std::vector<std::string> systemDevices() {
    std::vector<std::string> devices;
    std::vector<std::string> paths{"/", "/boot"};
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        paths.emplace_back(home);
    for (const std::string& path : paths) {
        std::string device = deviceHolding(path);
        if (!device.empty())
            devices.push_back(device);
    }
    return devices;
}

bool folderUsable(const std::string& path) {
    return ::access(path.c_str(), R_OK | W_OK | X_OK) == 0;
}

}  // namespace platform
