#include "store/DriveAccess.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "report/ShownText.h"
#include "store/ChangeSettling.h"

namespace store {

using namespace report;
using namespace platform;

namespace {

// Tries again soon at first, then a few times a second.
constexpr auto kFirstPause = std::chrono::milliseconds(5);
constexpr auto kLongestPause = std::chrono::milliseconds(200);

// Holds each drive that is changed, as it is mounted now, and finishes or
// undoes there a change that stopped before its end, before anything else.
void holdChanged(const std::vector<platform::DriveLockRequest>& requests, DriveAccess& access,
                 const FrontEnd& frontEnd) {
    if (!access.granted())
        return;
    for (const platform::DriveLockRequest& request : requests) {
        if (request.mode == platform::DriveLockMode::Exclusive)
            access.holds.emplace_back(request.root);
    }
    for (const platform::DriveLockRequest& request : requests) {
        if (request.mode != platform::DriveLockMode::Exclusive)
            continue;
        const Settling settled = settleChange(request.root);
        access.settled = settled;
        if (settled.failedAt(SettlingStep::Files)) {
            const std::string text = settlingText(settled);
            frontEnd.boxes.show(text);
            access.outcome = Failure<DriveAccessStep>{DriveAccessStep::Settle, request.root, text};
            return;
        }
        if (!settled || settled.value().kind != SettledChange::Kind::None)
            frontEnd.status.setText(settlingText(settled));
    }
}

Outcome<DriveAccessStep> outcomeOf(const platform::DriveLockAttempt& attempt,
                                   const FrontEnd& frontEnd) {
    if (attempt.status == platform::DriveLockStatus::Failed) {
        const std::string text = "The drive " + escapeControls(attempt.root) +
                                 " cannot be locked against other programs: " + attempt.error +
                                 "; nothing was changed.";
        frontEnd.boxes.show(text);
        return Failure<DriveAccessStep>{DriveAccessStep::Lock, attempt.root, text};
    }
    return {};
}

const char* waitText(platform::DriveHolder holder) {
    switch (holder) {
        case platform::DriveHolder::Reading:
            return kDriveReadText;
        case platform::DriveHolder::WriterWaiting:
            return kDriveQueuedText;
        case platform::DriveHolder::Changing:
            break;
    }
    return kDriveBusyText;
}

}  // namespace

DriveAccess accessDrives(std::initializer_list<platform::DriveLockRequest> requests,
                         const FrontEnd& frontEnd) {
    const std::vector<platform::DriveLockRequest> wanted(requests);
    DriveAccess access;
    platform::DriveLockAttempt attempt = platform::tryLockDrives(wanted);
    if (attempt.status != platform::DriveLockStatus::Busy) {
        access.outcome = outcomeOf(attempt, frontEnd);
        access.lock = std::move(attempt.lock);
        holdChanged(wanted, access, frontEnd);
        return access;
    }
    const char* text = waitText(attempt.holder);
    frontEnd.status.setText(text);
    if (!frontEnd.progress.mayWait()) {
        access.outcome = Failure<DriveAccessStep>{DriveAccessStep::Busy, attempt.root, text};
        return access;
    }
    // The progress window offers the cancel; an earlier job's cancel is spent.
    ProgressWindow& progress = frontEnd.progress;
    progress.clearCancel();
    progress.setText(text);
    progress.setButtonCaption("Cancel");
    progress.setRange(0);
    progress.show();
    auto pause = kFirstPause;
    while (attempt.status == platform::DriveLockStatus::Busy) {
        if (progress.cancelRequested()) {
            progress.hide();
            const char* cancelled = "Cancelled while waiting for the drive; nothing was changed.";
            frontEnd.status.setText(cancelled);
            access.outcome =
                Failure<DriveAccessStep>{DriveAccessStep::Cancelled, attempt.root, cancelled};
            return access;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, kLongestPause);
        // Made while the former attempt still keeps a writer's place.
        platform::DriveLockAttempt next = platform::tryLockDrives(wanted);
        attempt = std::move(next);
        if (attempt.status == platform::DriveLockStatus::Busy && waitText(attempt.holder) != text) {
            text = waitText(attempt.holder);
            frontEnd.status.setText(text);
            progress.setText(text);
        }
    }
    progress.hide();
    access.outcome = outcomeOf(attempt, frontEnd);
    access.lock = std::move(attempt.lock);
    holdChanged(wanted, access, frontEnd);
    return access;
}

}  // namespace store
