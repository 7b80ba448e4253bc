#pragma once
// The front end of the command-line tools: printed lines on standard output;
// status texts, message boxes and questions on standard error; answers from
// the terminal or from --yes; the progress window as a bar on a terminal.

#include <atomic>
#include <chrono>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "cli/RedrawThrottle.h"
#include "report/FrontEnd.h"

namespace cli {

// The exit status once standard output has been written out: output that
// could not be written (a closed pipe, a full device) turns a success into a
// failure, said on standard error. The command itself ran to its end first.
int exitAfterOutput(const char* tool, int status);

class ConsoleStatusLine : public report::StatusLine {
  public:
    explicit ConsoleStatusLine(std::ostream& err) : err_(err) {}
    void setText(const std::string& text) override;
    // Run before each text, so that a progress bar can step aside.
    std::function<void()> beforeText;
    // The text printed last, until a box has stood after it.
    const std::string& lastText() const { return last_; }
    void forgetLastText() { last_.clear(); }

  private:
    std::ostream& err_;
    std::string last_;
};

class ConsoleMessageBoxes : public report::MessageBoxes {
  public:
    // `interactive`: read answers from `in`; otherwise every answer is `assumeYes`.
    ConsoleMessageBoxes(std::ostream& err, std::istream& in, bool interactive, bool assumeYes)
        : err_(err), in_(in), interactive_(interactive), assumeYes_(assumeYes) {}
    void show(const std::string& text) override;
    bool ask(const std::string& text, bool defaultNo) override;
    std::function<void()> beforeText;
    // The status line printed on the same console: a box leaves out the
    // lines that say again what it has just printed.
    ConsoleStatusLine* statusAbove = nullptr;

  private:
    std::ostream& err_;
    std::istream& in_;
    bool interactive_;
    bool assumeYes_;
};

// Draws a one-line bar on a terminal, at most a few times a second; draws
// nothing elsewhere. Ctrl-C reaches it as the cancel flag.
class ConsoleProgress : public report::ProgressWindow {
  public:
    ConsoleProgress(std::ostream& err, bool drawBar) : err_(err), drawBar_(drawBar) {}
    void show() override;
    void hide() override;
    void setRange(int upper) override { upper_ = upper; }
    void setPosition(int position) override;
    void setText(const std::string&) override {}
    void bringToFront() override {}
    // A job sets the caption when it has finished; a console has no button to
    // wait for, so the bar is taken away.
    // A job sets the caption when it has finished, after its last printed line.
    void setButtonCaption(const std::string&) override { erase(stdoutIsTerminal_); }
    bool cancelRequested() const override { return cancel_.load(); }
    // Only an interrupt raises the flag, and one tool runs one job: an
    // interrupt that came before the job showed its progress still stops it.
    void clearCancel() override {}
    std::atomic<bool>* cancelFlag() { return &cancel_; }
    // The unit of the range, shown after the figures ("MB"); none by default.
    void setUnit(const std::string& unit) { unit_ = unit; }

  private:
    void draw(int position);

  public:
    // Removes the bar before other text reaches the terminal. `movedDown`:
    // a printed line break has since taken the cursor onto the bar's line.
    void erase(bool movedDown = false);
    void setStdoutIsTerminal(bool value) { stdoutIsTerminal_ = value; }
    // Where the console takes no terminal sequences: writes a text on the
    // cursor's line (0) or the one below (1) without moving the cursor.
    std::function<bool(int below, const std::string& text)> drawLine;

  private:
    std::ostream& err_;
    bool drawBar_;
    bool visible_ = false;
    bool drawn_ = false;
    bool stdoutIsTerminal_ = false;
    int upper_ = 0;
    std::string unit_;
    std::atomic<bool> cancel_{false};
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDraw_;
};

// The four interfaces wired to the process's standard streams.
class ConsoleFrontEnd {
  public:
    explicit ConsoleFrontEnd(bool assumeYes);
    ~ConsoleFrontEnd();
    ConsoleFrontEnd(const ConsoleFrontEnd&) = delete;
    ConsoleFrontEnd& operator=(const ConsoleFrontEnd&) = delete;
    report::FrontEnd frontEnd() { return report::FrontEnd{status_, boxes_, progress_, out_}; }
    ConsoleProgress& progress() { return progress_; }

  private:
    // Before text on standard error: standard output's held-back line, then the bar away.
    void beforeText();

    std::ostream& out_;
    std::unique_ptr<RedrawThrottle> throttle_;  // on standard output, when it is a console
    std::streambuf* outBuffer_ = nullptr;       // the one it stands in front of
    ConsoleStatusLine status_;
    ConsoleMessageBoxes boxes_;
    ConsoleProgress progress_;
};

}  // namespace cli
