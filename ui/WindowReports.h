#pragma once
// The window's own reports, for the routines the core runs on the window
// thread: its status line, its boxes (each also in the log), the job's
// progress window and the window's lines in the log. No toolkit.

#include "report/FrontEnd.h"
#include "ui/LoggedBoxes.h"
#include "ui/WindowLog.h"
#include "ui/WindowView.h"

namespace ui {

class WindowReports {
  public:
    WindowReports(WindowView& view, WindowLog& log)
        : view_(view), boxes_(view.boxes(), log), out_(log) {}
    WindowReports(const WindowReports&) = delete;
    WindowReports& operator=(const WindowReports&) = delete;

    report::FrontEnd frontEnd() {
        return report::FrontEnd{view_.statusLine(), boxes_, view_.jobProgress().window(), out_};
    }
    LoggedBoxes& boxes() { return boxes_; }
    LogStream& out() { return out_; }

  private:
    WindowView& view_;
    LoggedBoxes boxes_;  // the window's boxes, each also in the log
    LogStream out_;      // the window's lines into the log
};

}  // namespace ui
