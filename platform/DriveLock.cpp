#include "platform/DriveLock.h"

#include <algorithm>
#include <utility>

#include "platform/DriveLockSystem.h"

namespace platform {

struct DriveLockAccess {
    static void add(DriveLock& lock, const DriveKey& key, DriveLockMode mode) {
        lock.held_.push_back({key, mode});
    }
    static void queue(DriveQueuePlace& place, DriveLockHandle handle) {
        place.handles_.push_back(std::move(handle));
    }
};

namespace {

// The drives this thread holds, each through one handle however often its
// routines nest.
struct Holding {
    DriveKey key;
    DriveLockHandle handle;
    int shared = 0;
    int exclusive = 0;
};
thread_local std::vector<Holding> holdings;

Holding* holdingOf(const DriveKey& key) {
    auto found = std::find_if(holdings.begin(), holdings.end(),
                              [&](const Holding& holding) { return holding.key == key; });
    return found == holdings.end() ? nullptr : &*found;
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

// Takes one drive's lock for this thread: nested on a holding, or anew,
// keeping `opened`'s handle; any other way it is closed, but a writer that
// finds the drive busy keeps it in `place`, marked as waiting.
DriveLockStatus lockOne(drive_lock::Opened opened, DriveLockMode mode, DriveLockAttempt& attempt) {
    std::string& error = attempt.error;
    if (Holding* holding = holdingOf(opened.key)) {
        if (mode == DriveLockMode::Exclusive && holding->exclusive == 0) {
            // Giving up the shared lock for a while would let a writer in
            // under a routine that trusts what it has read.
            error = "this program reads the drive already and cannot change it at the same time";
            return DriveLockStatus::Failed;
        }
        take(*holding, mode);
        return DriveLockStatus::Locked;
    }
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
    holdings.push_back({opened.key, std::move(opened.handle)});
    take(holdings.back(), mode);
    return DriveLockStatus::Locked;
}

void unlockOne(const DriveKey& key, DriveLockMode mode) {
    auto found = std::find_if(holdings.begin(), holdings.end(),
                              [&](const Holding& holding) { return holding.key == key; });
    if (found == holdings.end())
        return;
    --(mode == DriveLockMode::Exclusive ? found->exclusive : found->shared);
    if (found->exclusive > 0 || found->shared > 0)
        return;
    holdings.erase(found);  // closing the handle ends the lock
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
        unlockOne(held->key, held->mode);
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
