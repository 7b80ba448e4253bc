#pragma once
// The routines' printed lines, which the window has no console for: they go
// to standard output and to a log file in the user's state folder. Every job
// writes through its own `LogStream`; whole lines reach the log under a lock.

#include <cstdio>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

namespace ui {

class WindowLog {
  public:
    // `path` empty: no file. `toStandardOutput` false keeps standard output quiet.
    explicit WindowLog(const std::string& path, bool toStandardOutput = true);
    ~WindowLog();
    WindowLog(const WindowLog&) = delete;
    WindowLog& operator=(const WindowLog&) = delete;

    // The system's state folder + "/tarnwick-game-installer/zt_installer.log".
    static std::string defaultPath();

    // A line ending in '\r' is a progress line that the next one overwrites:
    // it goes to standard output only.
    void write(const std::string& raw);
    const std::string& path() const { return path_; }

  private:
    std::mutex mutex_;
    std::string path_;
    bool toStandardOutput_;
    std::FILE* file_ = nullptr;
};

// An output stream that hands whole lines to a `WindowLog`.
class LogStream : public std::ostream {
  public:
    explicit LogStream(WindowLog& log);
    ~LogStream() override;

  private:
    class LineBuffer : public std::streambuf {
      public:
        explicit LineBuffer(WindowLog& log) : log_(log) {}
        void flushLine();

      protected:
        int_type overflow(int_type c) override;
        int sync() override;

      private:
        WindowLog& log_;
        std::string line_;
    };
    LineBuffer buffer_;
};

}  // namespace ui
