// The program as it ships, started at twice the scale on the test's X
// server: the window opens inside the screen, its title bar and close box
// within reach, and the close box closes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "X11Test.h"
#include "XSession.h"

namespace {

constexpr const char* kTitle = "Tarnwick Game Installer";

// The shipped window on `display` at QT_SCALE_FACTOR=2, ended with the test.
class ScaledProgram {
  public:
    explicit ScaledProgram(const std::string& display) {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        ::setpgid(0, 0);
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_SCALE_FACTOR", "2", 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::execl(ZT_INSTALLER, ZT_INSTALLER, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ~ScaledProgram() {
        if (pid_ > 0 && !ended(std::chrono::seconds(0))) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
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

// The program's main window once it is mapped; 0 when it did not come.
unsigned long mainWindowOn(XInput& x) {
    for (int tries = 0; tries < 300; ++tries) {
        for (unsigned long window : x.stacking()) {
            if (x.titleOf(window) == kTitle && !x.placeOf(window).isEmpty())
                return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}

}  // namespace

TEST(ScaledWindow, AtTwiceTheScaleTheWindowOpensInsideTheScreenAndItsCloseBoxCloses) {
    if (!x11SkipReason().empty())
        GTEST_SKIP() << x11SkipReason();
    ASSERT_FALSE(x11Display().empty()) << x11Failure();
    XInput x(x11Display());
    ASSERT_TRUE(x.connected());
    ScaledProgram program(x11Display());
    const unsigned long window = mainWindowOn(x);
    ASSERT_NE(window, 0u) << "the window did not open";
    // The window is moved inside once the window manager has framed it.
    const QRect screen(0, 0, 1024, 768);  // the test's X server's one screen
    QPoint close = x.closeBoxOf(window);
    for (int tries = 0; tries < 50 && !screen.contains(close); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        close = x.closeBoxOf(window);
    }
    const QRect place = x.placeOf(window);
    EXPECT_GT(place.width(), 437 * 3 / 2) << "not drawn at twice the scale";
    EXPECT_TRUE(screen.contains(place)) << place.x() << "," << place.y();
    ASSERT_TRUE(screen.contains(close)) << close.x() << "," << close.y();
    x.grab(place.adjusted(0, -30, 0, 0).intersected(screen))
        .save(ZT_SCREENSHOT_DIR "/scaled-window.png");
    x.click(close);
    EXPECT_TRUE(program.ended(std::chrono::seconds(20)));
}
