// The window's printed lines: whole lines into the log file, progress lines
// and control bytes kept from it, several jobs writing at once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "TempDir.h"
#include "ui/WindowLog.h"

using namespace ui;

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(WindowLogTest, LivesInTheUsersStateFolder) {
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string before = saved ? saved : "";
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome ? savedHome : "";
    setenv("XDG_STATE_HOME", "/var/tmp/state", 1);
    EXPECT_EQ(WindowLog::defaultPath(), "/var/tmp/state/tarnwick-game-installer/zt_installer.log");
    setenv("XDG_STATE_HOME", "relative/is/ignored", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(WindowLog::defaultPath(),
              "/home/someone/.local/state/tarnwick-game-installer/zt_installer.log");
    if (savedHome)
        setenv("HOME", home.c_str(), 1);
    if (saved)
        setenv("XDG_STATE_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}

TEST(WindowLogTest, KeepsWholeLinesWithoutProgressOrControlBytes) {
    TempDir dir;
    const std::string path = dir.file("state/tarnwick-game-installer/zt_installer.log");
    {
        WindowLog log(path, false);
        LogStream out(log);
        out << "COPYING: 1.00MB/2.00MB\r" << std::flush;
        out << "copy finished\n";
        out << "Game \x1b[31mred\x07 done\n";
        out << "no line end yet";
    }
    EXPECT_EQ(contents(path), "copy finished\nGame \\x1B[31mred\\x07 done\nno line end yet");
}

TEST(WindowLogTest, LinesOfJobsWritingAtOnceStayWhole) {
    TempDir dir;
    const std::string path = dir.file("log");
    {
        WindowLog log(path, false);
        auto job = [&log](char mark) {
            LogStream out(log);
            for (int i = 0; i < 500; ++i)
                out << std::string(40, mark) << '\n';
        };
        std::thread a(job, 'a'), b(job, 'b');
        a.join();
        b.join();
    }
    std::istringstream lines(contents(path));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_TRUE(line == std::string(40, 'a') || line == std::string(40, 'b')) << line;
    }
    EXPECT_EQ(count, 1000);
}
