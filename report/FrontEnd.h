#pragma once
// What a routine may say to the user, and how. Each front end (the
// command-line tools, the window, the tests' scripted double) implements
// these; routines never talk to a user any other way.

#include <cstdint>
#include <ostream>
#include <string>

namespace report {

// The one-line status text at the bottom of the window.
class StatusLine {
  public:
    virtual ~StatusLine() = default;
    virtual void setText(const std::string& text) = 0;
};

// Modal boxes with a fixed text.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // OK button only.
    virtual void show(const std::string& text) = 0;
    // Yes/No; true only for Yes. `defaultNo` makes No the default button.
    virtual bool ask(const std::string& text, bool defaultNo = false) = 0;
};

// The small window in which long jobs show their progress. Its button asks
// the job to stop; jobs poll the flag.
class ProgressWindow {
  public:
    virtual ~ProgressWindow() = default;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void setRange(int upper) = 0;  // lower bound is 0
    // The work's whole size in bytes, where the range's units round it (an
    // install counts whole megabytes): what the window says was done.
    virtual void setSize(std::uint64_t /*bytes*/) {}
    virtual void setPosition(int position) = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void bringToFront() = 0;
    virtual void setButtonCaption(const std::string& caption) = 0;
    virtual bool cancelRequested() const = 0;
    virtual void clearCancel() = 0;
    // False where a wait would keep the window from answering (its own
    // thread): a routine that finds its drive busy then gives up at once.
    virtual bool mayWait() const { return true; }
};

// A progress window that passes everything on to another: a job's watch
// derives from it and overrides only what it looks at.
class ProgressRelay : public ProgressWindow {
  public:
    explicit ProgressRelay(ProgressWindow& window) : window_(window) {}
    void show() override { window_.show(); }
    void hide() override { window_.hide(); }
    void setRange(int upper) override { window_.setRange(upper); }
    void setSize(std::uint64_t bytes) override { window_.setSize(bytes); }
    void setPosition(int position) override { window_.setPosition(position); }
    void setText(const std::string& text) override { window_.setText(text); }
    void bringToFront() override { window_.bringToFront(); }
    void setButtonCaption(const std::string& caption) override {
        window_.setButtonCaption(caption);
    }
    bool cancelRequested() const override { return window_.cancelRequested(); }
    void clearCancel() override { window_.clearCancel(); }
    bool mayWait() const override { return window_.mayWait(); }

  protected:
    ProgressWindow& window_;
};

// Everything a routine needs to report; `out` takes the routine's printed lines.
struct FrontEnd {
    StatusLine& status;
    MessageBoxes& boxes;
    ProgressWindow& progress;
    std::ostream& out;
};

}  // namespace report
