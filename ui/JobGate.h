#pragma once
// When the window lets a job start, and what a close request does while jobs
// run. No toolkit: every window of the program decides the same way.

#include <string>

#include "report/FrontEnd.h"

namespace ui {

// The window's jobs as the window knows them.
struct JobState {
    bool install = false;
    bool format = false;
    bool copy = false;
    bool busy = false;  // the busy flag of an install or format
    bool any() const { return install || format || copy || busy; }
};

// Why no job may start now; empty when one may. A copy runs alone beside the
// window, since it writes to a drive the window does not show; an install or
// a format runs alone.
std::string jobInTheWay(const JobState& jobs, bool forCopy);

enum class CloseAnswer {
    CloseNow,          // no job runs
    KeepOpen,          // the user said No, or has already agreed and the window waits
    CloseWhenJobsEnd,  // the user said Yes: the jobs stop, then the window closes
};

// A close request: closes at once without a job; with one, asks "The job is
// not complete,Exit?" (default No). After Yes, a running format (which cannot
// stop half-way) is waited for, and the status line says so. `agreed`: the
// user already said Yes and the window waits for its jobs.
CloseAnswer answerClose(const JobState& jobs, bool agreed, report::MessageBoxes& boxes,
                        report::StatusLine& status);

}  // namespace ui
