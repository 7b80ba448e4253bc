#pragma once
// The progress window's one model, drawn by every window alike. The routines
// change it from their threads and the window core from the window's, each
// change under one lock; when a change makes a new view due, the window is
// asked to draw, and draws latest() on its own thread, so that a view drawn
// late never undoes a newer one. A window only draws.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "ui/ProgressState.h"

namespace ui {

class ProgressModel {
  public:
    using Clock = ProgressState::Clock;

    // `drawSoon` asks the window to draw latest() on its own thread; it is
    // called on the thread that made the change, the lock let go.
    explicit ProgressModel(std::function<void()> drawSoon) : drawSoon_(std::move(drawSoon)) {}

    // What the routines do to the window (report/FrontEnd.h).
    void show();
    void hide();
    void setRange(int upper);
    void setSize(std::uint64_t bytes);
    void setPosition(int position);
    void setText(const std::string& text);
    void setButtonCaption(const std::string& caption);

    // A job begins; it ended well and says `outcome`; the button put it away.
    void beginJob(const ProgressJob& job);
    void finishJob(const std::string& outcome);
    void dismiss();

    // The view to draw now: the newest one due.
    ProgressDisplay latest() const;

  private:
    void change(const std::function<void(ProgressState&, Clock::time_point)>& step);

    mutable std::mutex lock_;
    ProgressState state_;
    ProgressDisplay latest_;
    std::function<void()> drawSoon_;
};

}  // namespace ui
