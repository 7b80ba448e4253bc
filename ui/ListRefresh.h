#pragma once
// What the window does with its list of games when the drive it lists is
// held by another program: the last list stays (an empty list would look as
// if every game was gone), the status line says the drive is busy, and the
// list is read again a little later until the holder has ended. No toolkit.

#include <string>

namespace ui {

// How long the window waits before it reads a busy drive again.
inline constexpr int kBusyRetryMs = 1000;

struct ListAfterRefresh {
    bool clear = false;  // the rows shown belong to another drive: cleared
    bool retry = false;  // read the drive again after kBusyRetryMs
};

// After listing `root` found it `busy` (or not), while the list showed the
// games of `listedRoot` (empty: none).
ListAfterRefresh listAfterRefresh(const std::string& listedRoot, const std::string& root,
                                  bool busy);

}  // namespace ui
