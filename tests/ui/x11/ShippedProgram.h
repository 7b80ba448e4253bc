#pragma once
// The window program started as it ships (build/ui/qt/zt_installer), beside
// the one the scenario drives in its own process.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

// The program as it ships, its window on `display` at the scale `scale`
// (empty: the desktop's), ended with the test.
class ShippedProgram {
  public:
    ShippedProgram(const std::string& display, const std::string& scale) {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        ::setpgid(0, 0);
        ::setenv("DISPLAY", display.c_str(), 1);
        if (!scale.empty())
            ::setenv("QT_SCALE_FACTOR", scale.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::execl(ZT_INSTALLER, ZT_INSTALLER, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ~ShippedProgram() {
        if (pid_ > 0 && !ended(std::chrono::seconds(0))) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ShippedProgram(const ShippedProgram&) = delete;
    ShippedProgram& operator=(const ShippedProgram&) = delete;
    // Whether it has ended, waiting up to `within`.
    bool ended(std::chrono::seconds within) {
        const auto limit = std::chrono::steady_clock::now() + within;
        do {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < limit);
        return false;
    }

  private:
    pid_t pid_ = -1;
};
