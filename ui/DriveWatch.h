#pragma once
// The progress window of a job that writes to one drive, as the job's
// routine sees it: the job is asked to stop as soon as the drive is no longer
// mounted where the person chose it, so that no later write goes into the
// folder the drive leaves behind. No toolkit.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

#include "report/FrontEnd.h"

namespace ui {

class DriveWatch : public report::ProgressRelay {
  public:
    // `stillMounted` is asked from the job's thread, at most once per
    // `interval` (reading the mount table at every step would slow the copy).
    DriveWatch(report::ProgressWindow& window, std::function<bool()> stillMounted,
               std::chrono::milliseconds interval = std::chrono::milliseconds(250))
        : report::ProgressRelay(window),
          stillMounted_(std::move(stillMounted)),
          interval_(interval) {}

    // Whether the drive was found gone; the job then stopped.
    bool lost() const { return lost_.load(); }

    bool cancelRequested() const override;

  private:
    std::function<bool()> stillMounted_;
    std::chrono::milliseconds interval_;
    mutable std::mutex mutex_;
    mutable std::chrono::steady_clock::time_point lastLook_{};
    mutable std::atomic<bool> lost_{false};
};

}  // namespace ui
