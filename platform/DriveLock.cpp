#include "platform/DriveLock.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/DriveLockSystem.h"

namespace platform {

struct DriveLockAccess {
    static void add(DriveLock& lock, const DriveKey& key, DriveLockMode mode) {
        lock.held_.push_back({key, mode, std::this_thread::get_id()});
    }
    static void queue(DriveQueuePlace& place, DriveLockHandle handle) {
        place.handles_.push_back(std::move(handle));
    }
};

namespace {

// The drives each thread holds, each through one handle however often its
// routines nest. A thread's entries go with its last guard, so nothing of it
// is left to undo when the thread ends (no thread-local storage: MinGW's
// runs destructors after it has freed what they read).
struct Holding {
    std::thread::id owner;
    DriveKey key;
    DriveLockHandle handle;
    int shared = 0;
    int exclusive = 0;
};

struct Holdings {
    std::mutex mutex;  // jobs take and leave drives on their own threads
    std::vector<Holding> held;
};

Holdings& holdings() {
    static Holdings instance;
    return instance;
}

// The holding of `key` by `owner`; the caller holds the mutex.
std::vector<Holding>::iterator holdingOf(std::vector<Holding>& held, std::thread::id owner,
                                         const DriveKey& key) {
    return std::find_if(held.begin(), held.end(), [&](const Holding& holding) {
        return holding.owner == owner && holding.key == key;
    });
}

void take(Holding& holding, DriveLockMode mode) {
    ++(mode == DriveLockMode::Exclusive ? holding.exclusive : holding.shared);
}

// Who keeps the drive from a lock in `mode` that was found busy on `handle`.
DriveHolder holderOf(drive_lock::Handle handle, DriveLockMode mode) {
    if (mode == DriveLockMode::Shared)
        return DriveHolder::Changing;
    return drive_lock::onlyReaders(handle) ? DriveHolder::Reading : DriveHolder::Changing;
}

// Nests a lock in `mode` on this thread's holding of `key`: Locked, or Failed
// (a reader cannot become a writer); nothing when this thread holds no lock
// on the drive yet.
std::optional<DriveLockStatus> nest(const DriveKey& key, DriveLockMode mode, std::string& error) {
    Holdings& drives = holdings();
    std::lock_guard<std::mutex> guard(drives.mutex);
    auto holding = holdingOf(drives.held, std::this_thread::get_id(), key);
    if (holding == drives.held.end())
        return std::nullopt;
    if (mode == DriveLockMode::Exclusive && holding->exclusive == 0) {
        // Giving up the shared lock for a while would let a writer in
        // under a routine that trusts what it has read.
        error = "this program reads the drive already and cannot change it at the same time";
        return DriveLockStatus::Failed;
    }
    take(*holding, mode);
    return DriveLockStatus::Locked;
}

// Takes one drive's lock for this thread: nested on a holding, or anew,
// keeping `opened`'s handle; any other way it is closed, but a writer that
// finds the drive busy keeps it in `place`, marked as waiting.
DriveLockStatus lockOne(drive_lock::Opened opened, DriveLockMode mode, DriveLockAttempt& attempt) {
    std::string& error = attempt.error;
    if (std::optional<DriveLockStatus> nested = nest(opened.key, mode, error))
        return *nested;
    const drive_lock::Handle handle = opened.handle.get();
    if (mode == DriveLockMode::Shared && drive_lock::writerWaiting(handle)) {
        attempt.holder = DriveHolder::WriterWaiting;
        return DriveLockStatus::Busy;
    }
    DriveLockStatus status = drive_lock::lock(handle, mode, error);
    if (status == DriveLockStatus::Busy) {
        attempt.holder = holderOf(handle, mode);
        if (mode == DriveLockMode::Exclusive) {
            drive_lock::markWriterWaiting(handle);
            DriveLockAccess::queue(attempt.place, std::move(opened.handle));
        }
    }
    if (status != DriveLockStatus::Locked)
        return status;
    Holdings& drives = holdings();
    std::lock_guard<std::mutex> guard(drives.mutex);
    drives.held.push_back({std::this_thread::get_id(), opened.key, std::move(opened.handle)});
    take(drives.held.back(), mode);
    return DriveLockStatus::Locked;
}

void unlockOne(std::thread::id owner, const DriveKey& key, DriveLockMode mode) {
    DriveLockHandle last;  // closed after the mutex is let go: closing may wait on the system
    {
        Holdings& drives = holdings();
        std::lock_guard<std::mutex> guard(drives.mutex);
        auto found = holdingOf(drives.held, owner, key);
        if (found == drives.held.end())
            return;
        --(mode == DriveLockMode::Exclusive ? found->exclusive : found->shared);
        if (found->exclusive > 0 || found->shared > 0)
            return;
        last = std::move(found->handle);
        drives.held.erase(found);
    }
    last.reset();  // closing the handle ends the lock
}

}  // namespace

DriveLock& DriveLock::operator=(DriveLock&& other) noexcept {
    if (this != &other) {
        release();
        held_ = std::move(other.held_);
        other.held_.clear();
    }
    return *this;
}

void DriveLock::release() {
    // The last taken goes first, so that nested holdings unwind in order.
    for (auto held = held_.rbegin(); held != held_.rend(); ++held)
        unlockOne(held->owner, held->key, held->mode);
    held_.clear();
}

DriveLockAttempt tryLockDrives(std::span<const DriveLockRequest> requests) {
    struct Wanted {
        drive_lock::Opened opened;
        DriveLockMode mode;
        std::string root;
    };
    DriveLockAttempt attempt;
    std::vector<Wanted> wanted;
    for (const DriveLockRequest& request : requests) {
        drive_lock::Opened opened = drive_lock::open(request.root);
        if (opened.status == DriveLockStatus::NoDrive)
            continue;
        auto same = std::find_if(wanted.begin(), wanted.end(),
                                 [&](const Wanted& w) { return w.opened.key == opened.key; });
        if (opened.status == DriveLockStatus::Locked && same != wanted.end()) {
            same->mode = std::max(same->mode, request.mode);
            continue;
        }
        if (opened.status != DriveLockStatus::Locked) {
            attempt.status = opened.status;
            attempt.root = request.root;
            attempt.error = opened.error;
            return attempt;
        }
        wanted.push_back({std::move(opened), request.mode, request.root});
    }
    attempt.status = DriveLockStatus::Locked;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const DriveKey key = wanted[i].opened.key;
        DriveLockStatus status = lockOne(std::move(wanted[i].opened), wanted[i].mode, attempt);
        if (status != DriveLockStatus::Locked) {
            attempt.lock.release();  // all or none
            attempt.status = status;
            attempt.root = wanted[i].root;
            return attempt;
        }
        DriveLockAccess::add(attempt.lock, key, wanted[i].mode);
    }
    return attempt;
}

}  // namespace platform
