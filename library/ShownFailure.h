#pragma once
// How the library's routines end in failure: the box they show says why, and
// the failure they return carries that same text as its reason.

#include <initializer_list>
#include <string>
#include <utility>

#include "platform/DriveLock.h"
#include "report/FrontEnd.h"
#include "store/DriveAccess.h"
#include "store/Failure.h"

namespace library {

// Shows `text` on a box; returns the failure of `step` on `object` that it tells of.
template <typename Step>
store::Failure<Step> shownFailure(const report::FrontEnd& frontEnd, Step step, std::string object,
                                  std::string text) {
    frontEnd.boxes.show(text);
    return store::Failure<Step>{step, std::move(object), std::move(text)};
}

// A routine's hold on its drives, with what the person was told when it was
// not granted: the text of the box that said why, empty when only the status
// line spoke (the drive busy, or the wait cancelled).
struct HeldDrives {
    store::DriveAccess access;
    std::string reason;
};

// Takes the locks as store::accessDrives does, keeping the text of its box.
HeldDrives holdDrives(std::initializer_list<platform::DriveLockRequest> requests,
                      const report::FrontEnd& frontEnd);

inline HeldDrives holdForChange(const std::string& root, const report::FrontEnd& frontEnd) {
    return holdDrives({{root, platform::DriveLockMode::Exclusive}}, frontEnd);
}

inline HeldDrives holdForReading(const std::string& root, const report::FrontEnd& frontEnd) {
    return holdDrives({{root, platform::DriveLockMode::Shared}}, frontEnd);
}

}  // namespace library
