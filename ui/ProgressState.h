#pragma once
// What the progress window shows, worked out from what the routines report:
// the job and its game, what was done of how much, the speed and the time
// left while it runs, and the outcome when it ended. No toolkit: each
// window draws the view it is given. The routines report every half
// megabyte; the figures are redrawn at most a few times a second.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace ui {

// A job as the window starts it.
struct ProgressJob {
    ProgressJob(std::string doingText, std::string doneText, std::string nameText,
                std::uint64_t bytesPerUnit, bool ownTexts)
        : doing(std::move(doingText)),
          done(std::move(doneText)),
          name(std::move(nameText)),
          unitBytes(bytesPerUnit),
          routineTexts(ownTexts) {}
    std::string doing;            // "Installing"
    std::string done;             // "Installed"
    std::string name;             // the game's name, or the drive's
    std::uint64_t unitBytes = 0;  // bytes per unit of the routine's range; 0: a percentage
    // The routine's own text lines are shown throughout (the format's); for
    // other jobs only until a range is set, as while waiting for a busy drive.
    bool routineTexts = false;
    // Within a queue: "Game 3 of 12: " before the line, and the bytes of the
    // games still to come after this one, for the time the queue has left.
    std::string prefix;
    std::uint64_t bytesAfter = 0;
};

// What a window draws: the text line (also the main window's status line
// while the window shows), the bar, the button's caption.
struct ProgressDisplay {
    std::string line;
    int bar = 0;  // of ProgressState::kBarMax
    std::string caption = "Cancel";
    bool visible = false;
};

class ProgressState {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kBarMax = 1000;
    static constexpr std::chrono::milliseconds kRedrawInterval{250};

    // A new job: the figures start again.
    void begin(const ProgressJob& job);

    // What the routines do to the window (report/FrontEnd.h).
    void show();
    void hide();
    void setRange(int upper, Clock::time_point now);
    void setPosition(int position);
    void setSize(std::uint64_t bytes);
    void setText(const std::string& text);
    void setButtonCaption(const std::string& caption, Clock::time_point now);

    // The job ended well and says so in the window, which offers "OK".
    void finish(const std::string& outcome, Clock::time_point now);
    // The button, Esc or the close box: the bar back to 0, "Cancel", hidden.
    void dismiss();

    // The view to draw now, if anything changed: a change of the figures
    // alone at most once per redraw interval.
    std::optional<ProgressDisplay> take(Clock::time_point now);

  private:
    std::string runningLine(Clock::time_point now) const;
    std::string finishedLine() const;
    // The work's size in bytes: as the routine gave it, else the range's.
    std::uint64_t totalBytes() const;
    ProgressDisplay current(Clock::time_point now) const;

    // Without a job begun, the routine's own texts are shown as they come.
    ProgressJob job_{"", "", "", 0, true};
    bool visible_ = false;
    int upper_ = 0;
    int position_ = 0;
    std::uint64_t size_ = 0;       // the work's real size; 0: the range's
    Clock::time_point started_{};  // when the range was set: the work began
    bool finished_ = false;
    Clock::time_point finishedAt_{};
    std::string routineText_;
    std::string outcome_;

    bool changed_ = true;  // more than the figures changed since the last view
    bool moved_ = false;   // the position moved since the last view
    std::optional<Clock::time_point> lastTaken_;
};

}  // namespace ui
