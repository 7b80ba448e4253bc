#include "platform/DriveNames.h"

namespace platform {

bool drivesHaveLetters() {
    return false;
}

std::string driveRootNamed(const std::string& name) {
    return name;  // Linux names drives by their mount points and devices
}

std::string driveDeviceNamed(const std::string& name) {
    return name;
}

std::string driveNameTrap(const std::string&) {
    return {};
}

std::string discDriveProblem(const std::string&) {
    return {};  // a device that holds no disc says so when it is read
}

}  // namespace platform
