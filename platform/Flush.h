#pragma once
// The one way written data is pushed to the device. Every flush of a file, a
// folder or a disk passes here: first the fault point, then the system's own
// flush, so that a test that watches either sees every flush.

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class FlushScope {
    Handle,  // the file, folder or device itself
    Drive,   // everything written to the file system that holds it
};

// Flushes the open file, folder or device `handle` (a descriptor, on Windows
// a HANDLE), opened from `path`, or with FlushScope::Drive its whole file
// system. False with the system's reason in errno.
bool flushToDevice(std::intptr_t handle, const std::string& path,
                   FlushScope scope = FlushScope::Handle);

// Hears every flush the system accepted: the path, and whether it was a
// folder's. A test watches through it where it cannot stand in front of the
// system's own call (on Windows); empty, nothing is told.
using FlushObserver = std::function<void(const std::string& path, bool folder)>;
void setFlushObserver(FlushObserver observer);
void notifyFlushed(const std::string& path, bool folder);

}  // namespace platform
