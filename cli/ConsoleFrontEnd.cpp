#include "cli/ConsoleFrontEnd.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

#include "cli/ExitCode.h"
#include "platform/Console.h"
#include "report/ShownText.h"

namespace cli {

using namespace platform;
using namespace report;

namespace {

// Texts may carry names from a drive or a disc: their control bytes are
// shown escaped, so that they cannot steer the terminal. Line breaks stay.
std::string shown(const std::string& text) {
    return escapeControls(text, "\n");
}

}  // namespace

void ConsoleStatusLine::setText(const std::string& text) {
    if (text.empty())
        return;  // clearing the line has nothing to show on a console
    if (beforeText)
        beforeText();
    last_ = text;
    err_ << shown(text) << std::flush;
    // The window shows one text at a time; on a console each ends its line so
    // that the next text, or a printed line, does not run on after it.
    if (text.back() != '\n')
        err_ << '\n' << std::flush;
}

namespace {

// A box's text as it stands, then a line break unless it ends in one.
void writeBoxText(std::ostream& err, const std::string& text) {
    err << shown(text);
    if (text.empty() || text.back() != '\n')
        err << '\n';
    err << std::flush;
}

// Whether `line` says `said` again: the same words, or with a closing '!'
// (the box's "Cannot write data!" after the status line's "Cannot write data").
bool saysAgain(const std::string& line, const std::string& said) {
    return !line.empty() && (line == said || line == said + "!");
}

// `text` without the lines that say again a line of `status`. The window
// shows its status line and a box apart, and a box repeats the status text
// that the next list drawn replaces; a console has printed it just above.
std::string withoutRepeats(const std::string& text, const std::string& status) {
    std::vector<std::string> said;
    std::istringstream statusLines(status);
    for (std::string line; std::getline(statusLines, line);)
        said.push_back(line);
    std::string kept;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (std::none_of(said.begin(), said.end(),
                         [&line](const std::string& s) { return saysAgain(line, s); }))
            kept += line + "\n";
    }
    if (!text.empty() && text.back() != '\n' && !kept.empty())
        kept.pop_back();
    return kept;
}

}  // namespace

void ConsoleMessageBoxes::show(const std::string& text) {
    if (beforeText)
        beforeText();
    if (statusAbove == nullptr) {
        writeBoxText(err_, text);
        return;
    }
    const std::string kept = withoutRepeats(text, statusAbove->lastText());
    statusAbove->forgetLastText();
    // A box that says nothing more than the line above prints nothing.
    if (!kept.empty() || text.empty())
        writeBoxText(err_, kept);
}

bool ConsoleMessageBoxes::ask(const std::string& text, bool defaultNo) {
    if (beforeText)
        beforeText();
    if (assumeYes_ || !interactive_) {
        writeBoxText(err_, text);
        return assumeYes_;
    }
    err_ << shown(text) << std::flush;
    for (;;) {
        err_ << (defaultNo ? " [y/N] " : " [y/n] ") << std::flush;
        std::string answer;
        if (!std::getline(in_, answer))
            return false;
        // An empty line answers only a question whose default is No; a
        // question that may erase or replace data needs a word.
        if (answer.empty() && defaultNo)
            return false;
        if (answer == "y" || answer == "Y" || answer == "yes")
            return true;
        if (answer == "n" || answer == "N" || answer == "no")
            return false;
    }
}

void ConsoleProgress::show() {
    visible_ = true;
    started_ = std::chrono::steady_clock::now();
    lastDraw_ = {};
}

void ConsoleProgress::hide() {
    erase();
    visible_ = false;
}

void ConsoleProgress::setPosition(int position) {
    if (!drawBar_ || !visible_)
        return;
    auto now = std::chrono::steady_clock::now();
    if (position < upper_ && now - lastDraw_ < std::chrono::milliseconds(250))
        return;
    lastDraw_ = now;
    draw(position);
}

void ConsoleProgress::draw(int position) {
    constexpr int kWidth = 30;
    int filled =
        upper_ > 0 ? static_cast<int>(static_cast<long long>(position) * kWidth / upper_) : 0;
    filled = std::min(std::max(filled, 0), kWidth);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    double rate = seconds > 0 ? position / seconds : 0;  // units per second
    char line[160];
    int used =
        std::snprintf(line, sizeof line, "[%s%s] %d/%d%s", std::string(filled, '#').c_str(),
                      std::string(kWidth - filled, ' ').c_str(), position, upper_, unit_.c_str());
    if (rate > 0 && position < upper_ && used > 0 && used < static_cast<int>(sizeof line)) {
        int left = static_cast<int>((upper_ - position) / rate);
        std::snprintf(line + used, sizeof line - used, "  %.1f%s/s  %d:%02d left ", rate,
                      unit_.c_str(), left / 60, left % 60);
    }
    // The bar lives on the line below the cursor, so that the printed
    // progress lines, which return to the start of their own line, stay whole.
    if (drawLine)
        drawLine(1, line);
    else
        err_ << "\n\033[K" << line << "\033[A\r" << std::flush;
    drawn_ = true;
}

void ConsoleProgress::erase(bool movedDown) {
    if (!drawn_)
        return;
    if (drawLine)
        drawLine(movedDown ? 0 : 1, "");
    else
        err_ << (movedDown ? "\r\033[K" : "\n\033[K\033[A\r") << std::flush;
    drawn_ = false;
}

int exitAfterOutput(const char* tool, int status) {
    std::cout.flush();
    if (!std::cout.fail())
        return status;
    std::cerr << tool
              << ": standard output could not be written (a closed pipe or a full device)\n";
    return status == kExitSuccess ? kExitFailure : status;
}

ConsoleFrontEnd::ConsoleFrontEnd(bool assumeYes)
    : out_(std::cout),
      status_(std::cerr),
      boxes_(std::cerr, std::cin, platform::stdinIsTerminal(), assumeYes),
      progress_(std::cerr, platform::stderrBarDrawing() != platform::BarDrawing::None) {
    platform::setInterruptFlag(progress_.cancelFlag());
    progress_.setStdoutIsTerminal(platform::stdoutIsTerminal());
    if (platform::stderrBarDrawing() == platform::BarDrawing::ConsoleBuffer)
        progress_.drawLine = platform::drawConsoleLine;
    if (platform::stdoutIsTerminal()) {
        outBuffer_ = out_.rdbuf();
        throttle_ = std::make_unique<RedrawThrottle>(outBuffer_);
        out_.rdbuf(throttle_.get());
    }
    boxes_.statusAbove = &status_;
    status_.beforeText = [this] { beforeText(); };
    boxes_.beforeText = [this] { beforeText(); };
}

void ConsoleFrontEnd::beforeText() {
    if (throttle_)
        throttle_->release();
    progress_.erase();
}

ConsoleFrontEnd::~ConsoleFrontEnd() {
    if (throttle_) {
        throttle_->release();
        out_.rdbuf(outBuffer_);
    }
    platform::setInterruptFlag(nullptr);  // the flag goes with this object
}

}  // namespace cli
