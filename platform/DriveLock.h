#pragma once
// DriveLock: one drive shared between programs, by the system's file lock.
// Not to be confused with DriveHold (platform/DriveIdentity.h), which keeps a
// job's own file operations off a drive that was swapped under it and locks
// nothing, nor with DriveAccess (store/DriveAccess.h), which takes a DriveLock
// for a routine and tells the person while it waits.
//
// One writer per drive. A command that changes a drive holds the drive's
// lock exclusively for its whole run; one that only reads holds it shared,
// so that it never sees a half-changed drive. The lock is the system's own
// file lock, which ends with the process that holds it however that process
// ends, and it writes nothing on the drive (other software reads the drive's
// root): on Linux it is taken on the drive root's folder itself, on Windows
// on a file in the machine's program-data folder named after the drive's
// volume and root, one for every user and console.
//
// A writer that waits for a drive comes before every reader that asks after
// it: while it waits it keeps a place in the drive's queue, and a new reader
// waits behind it, so that overlapping readers cannot keep it out for ever.
//
// Within one thread the locks nest: a routine that holds a drive may call
// another that takes the same drive as strongly or more weakly. A guard may
// be released on any thread; what a thread holds is kept with the guards, not
// with the thread, and is let go with its last guard.

#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/Owned.h"

namespace platform {

// The open object a drive's lock is taken on (DriveLockPosix.cpp,
// DriveLockWin32.cpp); closing it ends its locks.
struct DriveLockHandleTraits {
    using Value = std::intptr_t;
    static std::intptr_t invalid() { return -1; }
    static bool close(std::intptr_t handle);
};
using DriveLockHandle = Owned<DriveLockHandleTraits>;

enum class DriveLockMode { Shared, Exclusive };

enum class DriveLockStatus {
    Locked,   // the lock is held
    Busy,     // another holder keeps it; try again later
    NoDrive,  // the root is no folder: there is nothing to lock, and nothing held
    Failed,   // the system refused; `error` says why
};

// Which drive a lock belongs to, however its root is spelled.
struct DriveKey {
    std::uint64_t volume = 0;
    std::uint64_t folder = 0;
    friend bool operator==(const DriveKey&, const DriveKey&) = default;
};

// Holds the locks it was given until it is destroyed or released. Move-only.
class DriveLock {
  public:
    DriveLock() = default;
    ~DriveLock() { release(); }
    DriveLock(DriveLock&& other) noexcept : held_(std::move(other.held_)) { other.held_.clear(); }
    DriveLock& operator=(DriveLock&& other) noexcept;
    DriveLock(const DriveLock&) = delete;
    DriveLock& operator=(const DriveLock&) = delete;

    bool holdsAny() const { return !held_.empty(); }
    void release();

  private:
    friend struct DriveLockAccess;
    struct Held {
        DriveKey key;
        DriveLockMode mode;
        std::thread::id owner;  // the thread whose holding it nests in
    };
    std::vector<Held> held_;
};

// A writer's place in the queues of the drives it waits for. Move-only; the
// places are given up when it is destroyed.
class DriveQueuePlace {
  public:
    void leave() { handles_.clear(); }

  private:
    friend struct DriveLockAccess;
    std::vector<DriveLockHandle> handles_;
};

// What keeps a drive from the one that asked, when it is busy.
enum class DriveHolder {
    Changing,       // another program holds it to change it
    Reading,        // other programs hold it to read it
    WriterWaiting,  // another program waits to change it, and comes first
};

struct DriveLockRequest {
    std::string root;
    DriveLockMode mode = DriveLockMode::Shared;
};

struct DriveLockAttempt {
    DriveLockStatus status = DriveLockStatus::Failed;
    DriveLock lock;
    std::string root;                            // the root that was busy or failed
    std::string error;                           // the system's reason when Failed
    DriveHolder holder = DriveHolder::Changing;  // Busy: who keeps the drive
    DriveQueuePlace place;                       // Busy, for a writer: kept while it tries again
};

// Tries once, without waiting, to take every lock requested (a copy takes its
// source's and its target's): all of them, or none. Two roots of one drive
// take its lock once, in the stronger mode. A root that is no folder is left
// out. Locked when every other one is held. A reader finds a drive busy while
// a writer waits for it; a writer that finds a drive busy takes a place in its
// queue, which the attempt keeps: the next attempt is made while it is held.
DriveLockAttempt tryLockDrives(std::span<const DriveLockRequest> requests);

}  // namespace platform
