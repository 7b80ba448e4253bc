#pragma once
// Drives as a command line names them. On Windows a drive letter ("H" or
// "H:") names a drive: its root folder ("H:\") where games are kept, its
// device ("\\.\G:") where a disc is read. Any other name, and every name on
// Linux, is a path and stays as it is.
#include <string>

namespace platform {

std::string driveRootNamed(const std::string& name);
std::string driveDeviceNamed(const std::string& name);

}  // namespace platform
