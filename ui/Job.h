#pragma once
// One job on its own worker thread. When the work is done, the window thread
// joins the thread and runs the job's ending, so that a job never ends while
// the window waits for it and the window never waits for a job that waits
// for the window.

#include <functional>
#include <thread>

#include "ui/WindowThread.h"

namespace ui {

class Job {
  public:
    explicit Job(WindowThread& window) : window_(window) {}
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    // Runs `work` on a new thread, then `finished` on the window thread.
    // False, starting nothing, while the job still runs.
    bool start(std::function<void()> work, std::function<void()> finished);
    bool running() const { return running_; }
    // The window is going away: waits until the work has returned, so that
    // nothing it uses goes before it; its ending does not run.
    void wait();

  private:
    WindowThread& window_;
    std::thread thread_;
    bool running_ = false;  // window thread only
};

}  // namespace ui
