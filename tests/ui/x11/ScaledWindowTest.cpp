// The program as it ships, started at twice the scale on the test's X
// server: the window opens inside the screen, its title bar and close box
// within reach, and the close box closes it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ShippedProgram.h"
#include "X11Test.h"
#include "XSession.h"

namespace {

constexpr const char* kTitle = "Tarnwick Game Installer";

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
    ShippedProgram program(x11Display(), "2");
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
