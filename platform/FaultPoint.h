#pragma once
// Every operation that changes a file on a drive passes here first, so that a
// test can stop a command at any one of them, as a crash, a pulled plug or a
// failing device would.

#include <functional>
#include <string>

namespace platform {

enum class FileOp {
    Open,    // a file created for writing
    Write,   // bytes written to a file
    Flush,   // a file, or a folder, pushed to the device
    Rename,  // `path` renamed to `other`
    Remove,  // a file removed
};

// Returns false to make the operation fail (with EIO) before it happens.
using FaultHook = std::function<bool(FileOp op, const std::string& path, const std::string& other)>;

// Installs the hook for the whole process; an empty one removes it.
void setFaultHook(FaultHook hook);

// Runs once an operation was allowed, just before it happens. Tests change
// the world at that moment (the drive unmounted, another file put in its
// place) to show that the operation acts on what was checked, through the
// held drive's root, and never resolves the path again.
using AllowedHook = std::function<void(FileOp op, const std::string& path)>;
void setAllowedHook(AllowedHook hook);

// True when the operation may go ahead; otherwise sets errno to EIO, or to
// ENODEV when the path lies on a held drive that is no longer mounted there
// (platform/DriveIdentity.h).
bool fileOpAllowed(FileOp op, const std::string& path, const std::string& other = {});

// Fails an operation because `path` is a link, which is never followed: sets
// errno to ELOOP and keeps the path for lastErrorText().
bool linkRefused(const std::string& path);

// The system's reason for the last failed operation of this thread, as text;
// a link refused (ELOOP) and a held drive found changed (ENODEV) say so.
std::string lastErrorText();

}  // namespace platform
