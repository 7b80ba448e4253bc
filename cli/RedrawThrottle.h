#pragma once
// A console is slow to write to: a copy that redraws its line ("COPYING:
// ...\r") for every half megabyte spends most of its time drawing. This
// stream buffer passes on a line that ends in a carriage return at most a few
// times a second and holds back the ones between; the last one held back is
// written before any other text, so that what stays on the screen is exact.

#include <chrono>
#include <functional>
#include <streambuf>
#include <string>

namespace cli {

class RedrawThrottle : public std::streambuf {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kInterval{250};

    explicit RedrawThrottle(std::streambuf* target,
                            std::function<Clock::time_point()> now = Clock::now)
        : target_(target), now_(std::move(now)) {}
    ~RedrawThrottle() override { release(); }
    RedrawThrottle(const RedrawThrottle&) = delete;
    RedrawThrottle& operator=(const RedrawThrottle&) = delete;

    // Writes what is held back: before text that goes elsewhere (standard error).
    void release();

  protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

  private:
    void put(char ch);
    void write(const std::string& text);

    std::streambuf* target_;
    std::function<Clock::time_point()> now_;
    std::string line_;      // the current line so far
    std::string heldBack_;  // the newest redrawn line not written yet
    Clock::time_point lastRedraw_{};
    bool redrawn_ = false;
    bool failed_ = false;  // a write to the target fell short
};

}  // namespace cli
