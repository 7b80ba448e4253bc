#pragma once
// The one way written data is pushed to the device. Every flush of a file, a
// folder or a disk passes here: first the fault point, then the system's own
// flush, so that a test that watches either sees every flush.

#include <cstdint>
#include <string>

namespace platform {

// Flushes the open file, folder or device `handle` (a descriptor, on Windows
// a HANDLE), opened from `path`. False with the system's reason in errno.
bool flushToDevice(std::intptr_t handle, const std::string& path);

}  // namespace platform
