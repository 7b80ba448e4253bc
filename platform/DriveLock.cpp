#include "platform/DriveLock.h"

#include <algorithm>

#include "platform/DriveLockSystem.h"

namespace platform {

struct DriveLockAccess {
    static void add(DriveLock& lock, const DriveKey& key, DriveLockMode mode) {
        lock.held_.push_back({key, mode});
    }
    static void queue(DriveQueuePlace& place, drive_lock::Handle handle) {
        place.handles_.push_back(handle);
    }
};

namespace {

// The drives this thread holds, each through one handle however often its
// routines nest.
struct Holding {
    DriveKey key;
    drive_lock::Handle handle;
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

// Takes one drive's lock for this thread: nested on a holding, or anew. A
// writer that finds it busy keeps `opened`'s handle in `place`, marked as waiting.
DriveLockStatus lockOne(const drive_lock::Opened& opened, DriveLockMode mode,
                        DriveLockAttempt& attempt) {
    std::string& error = attempt.error;
    if (Holding* holding = holdingOf(opened.key)) {
        drive_lock::close(opened.handle);
        if (mode == DriveLockMode::Exclusive && holding->exclusive == 0) {
            // Giving up the shared lock for a while would let a writer in
            // under a routine that trusts what it has read.
            error = "this program reads the drive already and cannot change it at the same time";
            return DriveLockStatus::Failed;
        }
        take(*holding, mode);
        return DriveLockStatus::Locked;
    }
    if (mode == DriveLockMode::Shared && drive_lock::writerWaiting(opened.handle)) {
        drive_lock::close(opened.handle);
        attempt.holder = DriveHolder::WriterWaiting;
        return DriveLockStatus::Busy;
    }
    DriveLockStatus status = drive_lock::lock(opened.handle, mode, error);
    if (status == DriveLockStatus::Busy) {
        attempt.holder = holderOf(opened.handle, mode);
        if (mode == DriveLockMode::Exclusive) {
            drive_lock::markWriterWaiting(opened.handle);
            DriveLockAccess::queue(attempt.place, opened.handle);
            return status;
        }
    }
    if (status != DriveLockStatus::Locked) {
        drive_lock::close(opened.handle);
        return status;
    }
    holdings.push_back({opened.key, opened.handle});
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
    drive_lock::close(found->handle);
    holdings.erase(found);
}

}  // namespace

DriveQueuePlace& DriveQueuePlace::operator=(DriveQueuePlace&& other) noexcept {
    if (this != &other) {
        leave();
        handles_ = std::move(other.handles_);
        other.handles_.clear();
    }
    return *this;
}

void DriveQueuePlace::leave() {
    for (std::intptr_t handle : handles_)
        drive_lock::close(handle);
    handles_.clear();
}

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
            drive_lock::close(opened.handle);
            same->mode = std::max(same->mode, request.mode);
            continue;
        }
        if (opened.status != DriveLockStatus::Locked) {
            for (const Wanted& w : wanted)
                drive_lock::close(w.opened.handle);
            attempt.status = opened.status;
            attempt.root = request.root;
            attempt.error = opened.error;
            return attempt;
        }
        wanted.push_back({opened, request.mode, request.root});
    }
    attempt.status = DriveLockStatus::Locked;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        DriveLockStatus status = lockOne(wanted[i].opened, wanted[i].mode, attempt);
        if (status != DriveLockStatus::Locked) {
            for (std::size_t j = i + 1; j < wanted.size(); ++j)
                drive_lock::close(wanted[j].opened.handle);
            attempt.lock.release();  // all or none
            attempt.status = status;
            attempt.root = wanted[i].root;
            return attempt;
        }
        DriveLockAccess::add(attempt.lock, wanted[i].opened.key, wanted[i].mode);
    }
    return attempt;
}

}  // namespace platform
