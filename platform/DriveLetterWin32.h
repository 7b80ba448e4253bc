#pragma once
// Drive letters on Windows, read in one place: every spelling of a drive
// names the same volume, and only its letter counts.
#include <string>

#include "platform/WideWin32.h"

namespace platform::win32 {

// The upper-case letter that `name` spells as a whole drive: E, E:, E:\, E:/,
// \\.\E:, \\.\E:\, \\?\E: or \\?\E:\, in either case; 0 for anything else (a
// folder, a file, a share, a disk).
char driveLetterOf(const std::string& name);

// Whether the letter stands for a folder (subst, or Wine's drive folders)
// rather than a volume: its system name is a path (\??\C:\folder).
bool letterNamesFolder(char letter);

// E:\ and \\.\E: of a drive letter.
std::string rootOf(char letter);
std::string volumeDeviceOf(char letter);

// Whether `path` names a device (\\.\E:, \\.\PhysicalDrive1) rather than a file.
bool isDevicePath(const std::string& path);

// The device of the volume that holds the file or folder `path`: \\.\E:, or
// \\.\Volume{...} for a volume mounted on a folder; empty when unknown.
std::string volumeDeviceHolding(const std::string& path);

// The number of the disk that holds the open volume or disk, or the one that
// `device` names; -1 when unknown.
long diskNumberOf(HANDLE device);
long diskNumberOf(const std::string& device);

}  // namespace platform::win32
