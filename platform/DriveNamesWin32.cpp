#include <cctype>

#include "platform/DriveNames.h"

namespace platform {
namespace {

// The upper-case letter of "H" or "H:"; 0 for any other name.
char driveLetter(const std::string& name) {
    if (name.empty() || name.size() > 2 || !std::isalpha(static_cast<unsigned char>(name[0])) ||
        (name.size() == 2 && name[1] != ':'))
        return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
}

}  // namespace

std::string driveRootNamed(const std::string& name) {
    const char letter = driveLetter(name);
    return letter != 0 ? std::string(1, letter) + ":\\" : name;
}

std::string driveDeviceNamed(const std::string& name) {
    const char letter = driveLetter(name);
    return letter != 0 ? std::string("\\\\.\\") + letter + ':' : name;
}

}  // namespace platform
