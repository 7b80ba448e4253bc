#pragma once
// The window's jobs, each on its own worker thread: the install (one game or
// a queue), the format, the copy, and the game jobs (check, verify,
// export); whether one keeps the window busy, whether the window takes
// input, and the close sequence that waits for them. No toolkit.

#include <atomic>

#include "report/FrontEnd.h"
#include "ui/Job.h"
#include "ui/JobGate.h"
#include "ui/WindowView.h"

namespace ui {

class JobRunner {
  public:
    JobRunner(WindowView& view, report::MessageBoxes& boxes)
        : view_(view),
          boxes_(boxes),
          installWorker_(view.thread()),
          formatWorker_(view.thread()),
          copyWorker_(view.thread()),
          gameWorker_(view.thread()) {}
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    Job& installWorker() { return installWorker_; }
    Job& formatWorker() { return formatWorker_; }
    Job& copyWorker() { return copyWorker_; }
    Job& gameWorker() { return gameWorker_; }  // check, verify or export
    // The window is going away: waits for the jobs that still run.
    void waitForJobs();

    bool jobRunning() const;
    JobState jobs() const;
    // An install, a format or a game job runs and keeps the window busy.
    bool busy() const { return busy_.load(); }
    void setBusy(bool busy) { busy_.store(busy); }
    bool closing() const { return closing_; }
    bool inputEnabled() const { return inputEnabled_; }
    void setInput(bool enable);
    // The window takes input again and comes to the front.
    void giveWindowBack();

    // The status line brings back the progress window of a job that goes on.
    void onStatusLineClicked();
    // The close box, alt+F4 and the like: closes at once without a job;
    // with one, asks, then stops the jobs and closes when they have ended.
    void OnClose();
    // After the person agreed to close, the window closes once no job runs.
    void closeWhenIdle();

  private:
    WindowView& view_;
    report::MessageBoxes& boxes_;
    std::atomic<bool> busy_{false};
    bool inputEnabled_ = true;
    bool closing_ = false;  // the person agreed to close; the jobs are ending
    Job installWorker_;
    Job formatWorker_;
    Job copyWorker_;
    Job gameWorker_;
};

}  // namespace ui
