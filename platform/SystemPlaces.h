#pragma once
// Where this system keeps what a program needs beyond its drives: the folder
// for state kept between runs (the window's log), and the devices that hold
// the running system and the user's files.

#include <string>
#include <vector>

namespace platform {

// $XDG_STATE_HOME, else ~/.local/state; %LOCALAPPDATA% on Windows. Empty when
// the environment names none.
std::string stateFolder();

// The person's home folder: $HOME; %USERPROFILE% on Windows. Empty when the
// environment names none.
std::string homeFolder();

// The device that holds the running system: "/"'s; on Windows the Windows
// folder's. Empty when unknown.
std::string systemDevice();

// The devices that hold "/", "/boot" and the user's home folder; on Windows
// those of the Windows folder and of the user's profile. Never formatted.
std::vector<std::string> systemDevices();

// Whether this process may list and change the folder `path` (read, write
// and enter it).
bool folderUsable(const std::string& path);

}  // namespace platform
