#pragma once
// Drives as a command line names them. On Windows a drive letter ("H" or
// "H:") names a drive: its root folder ("H:\") where games are kept, its
// device ("\\.\G:") where a disc is read. Any other name, and every name on
// Linux, is a path and stays as it is.
#include <string>

namespace platform {

// Whether drives are named by letters here (Windows), as the help tells.
bool drivesHaveLetters();

std::string driveRootNamed(const std::string& name);
std::string driveDeviceNamed(const std::string& name);

// Why `name` cannot name a drive though it was meant to: on Windows, cmd.exe
// passes "G:\" on as G:" (a backslash keeps the quote mark that follows it).
// Empty for every other name.
std::string driveNameTrap(const std::string& name);

// Why the drive `name` names cannot give a disc: on Windows, a letter that is
// no optical drive, or an optical drive without a disc. Empty when the disc
// can be tried, and for every name that is no drive letter.
std::string discDriveProblem(const std::string& name);

}  // namespace platform
