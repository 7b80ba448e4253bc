#pragma once
// How the library's routines end in failure: the box they show says why, and
// the failure they return carries that same text as its reason.

#include <string>
#include <utility>

#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// Shows `text` on a box; returns the failure of `step` on `object` that it tells of.
template <typename Step>
store::Failure<Step> shownFailure(const report::FrontEnd& frontEnd, Step step, std::string object,
                                  std::string text) {
    frontEnd.boxes.show(text);
    return store::Failure<Step>{step, std::move(object), std::move(text)};
}

}  // namespace library
