#pragma once
// One job on its own worker thread. When the work is done the window thread
// joins the thread and runs the job's ending, so that a job never ends while
// the window waits for it.

#include <windows.h>

#include <functional>
#include <thread>

// Posted to the window when a job's work is done; lParam: the job.
inline constexpr UINT kJobDone = WM_APP + 2;

class NativeJob {
  public:
    NativeJob() = default;
    ~NativeJob();
    NativeJob(const NativeJob&) = delete;
    NativeJob& operator=(const NativeJob&) = delete;

    // Runs `work` on a new thread, then `finished` on the thread of `window`.
    // False, starting nothing, while the job still runs.
    bool start(HWND window, std::function<void()> work, std::function<void()> finished);
    bool running() const { return running_; }
    // The window's handler of kJobDone.
    static void done(LPARAM job);

  private:
    std::thread thread_;
    std::function<void()> finished_;
    bool running_ = false;  // window thread only
};
