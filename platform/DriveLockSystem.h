#pragma once
// The system's side of the drive lock (DriveLockPosix.cpp, DriveLockWin32.cpp):
// an open handle on which the lock is taken (closed by DriveLockHandle), and
// the key that tells which drive it belongs to. Only DriveLock.cpp uses these
// (and the Windows tests, which look for the lock's file).

#include <cstdint>
#include <string>

#include "platform/DriveLock.h"

namespace platform::drive_lock {

using Handle = std::intptr_t;

struct Opened {
    DriveLockStatus status = DriveLockStatus::Failed;  // Locked: opened, not yet locked
    DriveKey key;
    DriveLockHandle handle;
    std::string error;
};

#ifdef _WIN32
// The file whose lock is the lock of the drive at `root`; empty when unknown.
std::string lockFilePath(const std::string& root);
#endif

// Opens the lock object of the drive whose root is `root`.
Opened open(const std::string& root);

// Takes the lock on `handle` without waiting:
// Locked, Busy, or Failed with the reason in `error`.
DriveLockStatus lock(Handle handle, DriveLockMode mode, std::string& error);

// Whether only readers keep the drive: a shared lock could be taken on
// `handle` now (it is given back at once).
bool onlyReaders(Handle handle);

// Marks, for as long as `handle` stays open, that a writer waits for the drive.
void markWriterWaiting(Handle handle);

// Whether a handle other than `handle` marks a waiting writer.
bool writerWaiting(Handle handle);

}  // namespace platform::drive_lock
