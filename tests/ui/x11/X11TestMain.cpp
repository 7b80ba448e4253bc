// The X11 tests' main: a private X server with a window manager for the whole
// run, then the application object, as zt_installer makes it, on that server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>

#include "TempDir.h"
#include "ToolRun.h"
#include "X11Test.h"
#include "XSession.h"

namespace {

std::string display, skipReason, failure;

}  // namespace

const std::string& x11Display() {
    return display;
}
const std::string& x11SkipReason() {
    return skipReason;
}
const std::string& x11Failure() {
    return failure;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    TempDir session;
    // The program's log, Qt's runtime folder and the system bus are the
    // test's own: no UDisks2 of this machine mounts or unmounts anything.
    ::setenv("XDG_STATE_HOME", session.file("state").c_str(), 1);
    std::filesystem::create_directories(session.file("runtime"));
    std::filesystem::permissions(session.file("runtime"), std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", session.file("runtime").c_str(), 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zt-no-bus", 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    XServer server;
    if (::geteuid() != 0)
        skipReason = "needs root for its loop devices and mounts";
    else if (!haveProgram("Xvfb") || !haveProgram("openbox"))
        skipReason = "Xvfb or openbox is not installed (scripts/install-deps.sh installs them)";
    else if (!server.start(session.path().string(), failure))
        failure = "no X server: " + failure;
    else
        display = server.display();
    if (display.empty())
        return RUN_ALL_TESTS();
    ::setenv("DISPLAY", display.c_str(), 1);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
