#include "platform/DriveNames.h"

namespace platform {

std::string driveRootNamed(const std::string& name) {
    return name;  // Linux names drives by their mount points and devices
}

std::string driveDeviceNamed(const std::string& name) {
    return name;
}

}  // namespace platform
