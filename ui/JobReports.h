#pragma once
// One job's reports, shared by the jobs the window core runs. No toolkit.

#include "report/FrontEnd.h"
#include "ui/LoggedBoxes.h"
#include "ui/WindowLog.h"
#include "ui/WindowView.h"

// One job's front end on its own thread: the window's status line, its boxes
// (each also in the log), the job's progress window and its own log stream.
class JobReports {
  public:
    JobReports(WindowView& view, ProgressView& progress, WindowLog& log)
        : JobReports(view, progress.window(), log) {}
    JobReports(WindowView& view, ProgressWindow& progress, WindowLog& log)
        : status_(view.statusLine()), boxes_(view.boxes(), log), progress_(progress), out_(log) {}
    FrontEnd frontEnd() { return FrontEnd{status_, boxes_, progress_, out_}; }

  private:
    StatusLine& status_;
    LoggedBoxes boxes_;
    ProgressWindow& progress_;
    LogStream out_;
};
