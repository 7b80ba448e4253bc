#pragma once
// The system's side of flushToDevice (FlushPosix.cpp, FlushWin32.cpp); its
// fault point and who hears of a flush are Flush.cpp's.

#include <cstdint>

namespace platform::flush_system {

// Flushes everything written to the file system that holds `handle`; false
// with errno set.
bool flushDrive(std::intptr_t handle);

// Flushes the file, folder or device `handle`; `folder` tells whether it is
// a folder. False with errno set.
bool flushHandle(std::intptr_t handle, bool& folder);

}  // namespace platform::flush_system
