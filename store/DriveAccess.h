#pragma once
// DriveAccess: a routine's way to a DriveLock (platform/DriveLock.h), the
// lock between programs, with the waiting told to the person. DriveHold
// (platform/DriveIdentity.h) is another thing: it keeps a job's own file
// operations off a drive that was swapped under it.
//
// Taking a drive's lock (platform/DriveLock.h) on behalf of a routine: while
// another program holds the drive the routine waits, says so on the status
// line and in the progress window, and the progress window's cancel (Ctrl-C
// in the tools) ends the wait.

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/DriveIdentity.h"
#include "platform/DriveLock.h"
#include "report/FrontEnd.h"
#include "store/ChangeSettling.h"
#include "store/Failure.h"

namespace store {

// Shown while a routine waits for another holder of its drive: one that
// changes it, ones that read it, or a writer that waits and comes first.
constexpr const char* kDriveBusyText = "Another program is changing this drive...";
constexpr const char* kDriveReadText = "Another program is reading this drive...";
constexpr const char* kDriveQueuedText = "Another program waits to change this drive...";

// Where taking a drive stopped. A failure's object is the drive's root, its
// reason the text the status line or the box showed.
enum class DriveAccessStep {
    Busy,       // the front end may not wait; the status line says the drive is busy
    Cancelled,  // the user stopped the wait; the status line says so
    Lock,       // the lock cannot be taken; a box said why
    Settle,     // a change that had stopped cannot be finished; a box said why
};

struct DriveAccess {
    // A success once the lock is held (or the root is no folder: nothing to hold).
    Outcome<DriveAccessStep> outcome = Failure<DriveAccessStep>{DriveAccessStep::Lock, {}, {}};
    platform::DriveLock lock;
    Settling settled =
        SettledChange{};  // what became of a change that had stopped on the drive changed
    std::vector<platform::DriveHold> holds;  // the drives changed: nothing is written
                                             // once one is no longer mounted there
    bool granted() const { return outcome.succeeded(); }
};

// Takes the locks of `requests`, all at once, waiting while another holder keeps one.
// On each drive held to be changed, a change that stopped before its end is
// then finished or undone first (store/ChangeSettling.h); when that fails,
// a box says why and the access fails at Settle.
DriveAccess accessDrives(std::initializer_list<platform::DriveLockRequest> requests,
                         const report::FrontEnd& frontEnd);

// A drive that the routine changes: the lock held alone.
inline DriveAccess accessForChange(const std::string& root, const report::FrontEnd& frontEnd) {
    return accessDrives({{root, platform::DriveLockMode::Exclusive}}, frontEnd);
}

// A drive that the routine only reads: the lock shared with other readers.
inline DriveAccess accessForReading(const std::string& root, const report::FrontEnd& frontEnd) {
    return accessDrives({{root, platform::DriveLockMode::Shared}}, frontEnd);
}

}  // namespace store
