// The Windows console as the tools leave it: code pages given back on every
// way out, the progress bar drawn through the console buffer where terminal
// sequences are not taken, and a closed console window that waits for the
// cancelled install to remove its part.
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "FakeDisc.h"
#include "TempDir.h"
#include "cli/ConsoleFrontEnd.h"
#include "install/InstallCommand.h"
#include "platform/Console.h"
#include "platform/ConsoleWin32.h"

using namespace cli;
using namespace install;
using namespace platform;
using namespace report;
using namespace store;

namespace {

// Wine gives a program a console when it runs on a terminal: the run under
// `script` (ZT_CONSOLE_REQUIRED set) has one, the others skip these tests.
bool haveConsole() {
    if (GetConsoleOutputCP() != 0)
        return true;
    if (std::getenv("ZT_CONSOLE_REQUIRED") != nullptr)
        ADD_FAILURE() << "no console";
    return false;
}

std::wstring rowOf(HANDLE buffer, SHORT row, DWORD width) {
    std::wstring text(width, L'?');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(buffer, text.data(), width, COORD{0, row}, &read);
    text.resize(read);
    return text;
}

// A new screen buffer as standard error while it lives.
class ErrorScreenBuffer {
  public:
    ErrorScreenBuffer()
        : buffer_(CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr)),
          previous_(GetStdHandle(STD_ERROR_HANDLE)) {
        SetStdHandle(STD_ERROR_HANDLE, buffer_);
    }
    ~ErrorScreenBuffer() {
        SetStdHandle(STD_ERROR_HANDLE, previous_);
        CloseHandle(buffer_);
    }
    ErrorScreenBuffer(const ErrorScreenBuffer&) = delete;
    ErrorScreenBuffer& operator=(const ErrorScreenBuffer&) = delete;
    HANDLE handle() const { return buffer_; }
    COORD size() const {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(buffer_, &info);
        return info.dwSize;
    }

  private:
    HANDLE buffer_;
    HANDLE previous_;
};

}  // namespace

TEST(WindowsConsoleTest, CodePagesComeBackWhenTheToolEndsAndOnCtrlC) {
    if (!haveConsole())
        GTEST_SKIP() << "no console";
    ASSERT_TRUE(SetConsoleCP(437) && SetConsoleOutputCP(437));
    char name[] = "zt_games";
    char* argv[] = {name, nullptr};
    {
        platform::ProgramArguments arguments(1, argv);
        EXPECT_EQ(GetConsoleOutputCP(), CP_UTF8);
        EXPECT_EQ(GetConsoleCP(), CP_UTF8);
    }
    EXPECT_EQ(GetConsoleOutputCP(), 437u);
    EXPECT_EQ(GetConsoleCP(), 437u);
    {
        platform::ProgramArguments arguments(1, argv);
        // Ctrl-C with no job running: the default ends the process, the code pages given back
        // first.
        EXPECT_EQ(platform::win32::handleConsoleControl(CTRL_C_EVENT), FALSE);
        EXPECT_EQ(GetConsoleOutputCP(), 437u);
        EXPECT_EQ(GetConsoleCP(), 437u);
    }
}

TEST(WindowsConsoleTest, TheBarIsDrawnBelowTheCursorThroughTheBuffer) {
    if (!haveConsole())
        GTEST_SKIP() << "no console";
    ErrorScreenBuffer screen;
    const COORD size = screen.size();
    ASSERT_GT(size.X, 40);
    ASSERT_GT(size.Y, 4);
    const DWORD width = static_cast<DWORD>(size.X);
    const SHORT last = static_cast<SHORT>(size.Y - 1);
    for (SHORT cursorRow : {SHORT(2), last}) {  // a line in the middle and the last one
        SetConsoleCursorPosition(screen.handle(), COORD{0, cursorRow});
        DWORD written = 0;
        WriteConsoleW(screen.handle(), L"COPYING: 1.00MB/2.00MB\r", 23, &written, nullptr);
        std::ostringstream err;
        ConsoleProgress progress(err, true);
        progress.drawLine = platform::drawConsoleLine;
        progress.setUnit("MB");
        progress.setRange(2);
        progress.show();
        progress.setPosition(2);
        // On the last line the buffer scrolls up by one to make room for the bar.
        const SHORT row = cursorRow == last ? SHORT(last - 1) : cursorRow;
        std::wstring bar = L"[" + std::wstring(30, L'#') + L"] 2/2MB";
        EXPECT_EQ(rowOf(screen.handle(), row + 1, width),
                  bar + std::wstring(width - bar.size(), L' '));
        EXPECT_EQ(rowOf(screen.handle(), row, 22), L"COPYING: 1.00MB/2.00MB");
        CONSOLE_SCREEN_BUFFER_INFO info;
        ASSERT_TRUE(GetConsoleScreenBufferInfo(screen.handle(), &info));
        EXPECT_EQ(info.dwCursorPosition.Y, row);
        EXPECT_EQ(info.dwCursorPosition.X, 0);
        progress.hide();
        EXPECT_EQ(rowOf(screen.handle(), row + 1, width), std::wstring(width, L' '));
        EXPECT_EQ(err.str(), "");  // no terminal sequences
    }
}

namespace {

// Closes the console window (as the system reports it) once the copy has
// written its first sectors, and waits until the install has seen the cancel.
class ClosedDuringCopy : public ConsoleProgress {
  public:
    ClosedDuringCopy(std::ostream& err, const std::filesystem::path& drive)
        : ConsoleProgress(err, false), drive_(drive) {}
    ~ClosedDuringCopy() override {
        if (closer_.joinable())
            closer_.join();
    }
    void setPosition(int position) override {
        ConsoleProgress::setPosition(position);
        if (++updates_ != 2)
            return;
        closer_ = std::thread([this] {
            handlerResult = platform::win32::handleConsoleControl(CTRL_CLOSE_EVENT);
            auto entries = std::filesystem::directory_iterator(drive_);
            filesWhenReturned = std::distance(begin(entries), end(entries));
        });
        while (!cancelRequested())
            std::this_thread::yield();
    }
    void join() { closer_.join(); }

    int handlerResult = -1;
    long filesWhenReturned = -1;

  private:
    std::filesystem::path drive_;
    int updates_ = 0;
    std::thread closer_;
};

}  // namespace

TEST(WindowsConsoleTest, ClosingTheConsoleCancelsAndReturnsOnlyOnceThePartIsRemoved) {
    TempDir drive;
    std::ostringstream err, out;
    std::istringstream in;
    ConsoleStatusLine status(err);
    ConsoleMessageBoxes boxes(err, in, false, true);
    ClosedDuringCopy progress(err, drive.path());
    FrontEnd frontEnd{status, boxes, progress, out};
    platform::setInterruptFlag(progress.cancelFlag());
    InstallCommand command(frontEnd, fakeOpener(makeGameDisc(3000)));
    EXPECT_EQ(command.run({"", "fake", drive.root(), "My Game", "DVD"}), 0);
    EXPECT_TRUE(std::filesystem::is_empty(drive.path()));
    platform::setInterruptFlag(nullptr);  // what the tool does once the job has returned
    progress.join();
    EXPECT_EQ(progress.handlerResult, TRUE);  // handled: the process ends only now
    EXPECT_EQ(progress.filesWhenReturned, 0);
}

TEST(WindowsConsoleTest, TheCommandLineIsSplitAsTheSystemSplitsIt) {
    for (const wchar_t* line :
         {L"zt_install.exe G H \"My Game\" DVD", L"\"C:\\Program Files\\zt.exe\" a\tb",
          L"t \"G:\\\" \"My Game\" DVD", L"t a\\\\\"b c\" d", L"t a\\\\\\\"b",
          L"t \"a\"\"b c\" \"\"\"\" x\\y", L"t \"\" \"open", L"t  trailing  "}) {
        int count = 0;
        LPWSTR* expected = CommandLineToArgvW(line, &count);
        ASSERT_NE(expected, nullptr);
        std::vector<std::wstring> split = platform::win32::splitCommandLine(line);
        EXPECT_EQ(split, std::vector<std::wstring>(expected, expected + count));
        LocalFree(expected);
    }
}
