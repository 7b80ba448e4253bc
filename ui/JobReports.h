#pragma once
// One job's reports, shared by the jobs the window core runs. No toolkit.

#include "report/FrontEnd.h"
#include "ui/LoggedBoxes.h"
#include "ui/WindowLog.h"
#include "ui/WindowView.h"

namespace ui {

// One job's front end on its own thread: the window's status line, its boxes
// (each also in the log), the job's progress window and its own log stream.
class JobReports {
  public:
    JobReports(WindowView& view, ProgressView& progress, WindowLog& log)
        : JobReports(view, progress.window(), log) {}
    JobReports(WindowView& view, report::ProgressWindow& progress, WindowLog& log)
        : status_(view.statusLine()), boxes_(view.boxes(), log), progress_(progress), out_(log) {}
    report::FrontEnd frontEnd() { return report::FrontEnd{status_, boxes_, progress_, out_}; }

  private:
    report::StatusLine& status_;
    LoggedBoxes boxes_;
    report::ProgressWindow& progress_;
    LogStream out_;
};

}  // namespace ui
