// zt_installer.exe, the native Windows window, used under Wine as a person
// uses it: a private X server with openbox, every key and click through the
// X server (XTest), drive letters that Wine maps to folders of the test, and
// the installs compared byte for byte with the Linux zt_install's.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "TempDir.h"
#include "ToolRun.h"
#include "XSession.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kTitle = "Tarnwick Game Installer";

struct Setup {
    std::string display;
    std::string exe;       // zt_installer.exe
    std::string linuxBin;  // the Linux build's tools
    std::string prefix;    // the test's own Wine prefix
    std::string shots;     // where the screenshots go
    std::string skip;
};

Setup& setup() {
    static Setup value;
    return value;
}

std::string environment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::string() : value;
}

// The Wine process of the window, ended with the test.
class Program {
  public:
    explicit Program(const std::string& log) {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(null, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execlp("wine", "wine", setup().exe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ~Program() {
        if (pid_ > 0 && !ended()) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        // The prefix's wineserver goes with the last program.
        runShell("wineserver -k");
    }
    bool ended() {
        if (pid_ <= 0)
            return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return true;
        }
        return false;
    }

  private:
    pid_t pid_ = -1;
};

// A person at the screen: waits for what the screen shows, then acts.
class Person {
  public:
    Person() : x_(setup().display) {}
    XInput& x() { return x_; }

    // The newest window titled `title` that is not in `known`; 0 after `limit`.
    unsigned long waitForWindow(const std::string& title, const std::set<unsigned long>& known = {},
                                std::chrono::seconds limit = 60s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const std::vector<unsigned long> windows = x_.stacking();
            for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
                if (!known.count(*it) && x_.titleOf(*it) == title)
                    return *it;
            }
            std::this_thread::sleep_for(200ms);
        }
        return 0;
    }
    bool waitUntilGone(unsigned long window, std::chrono::seconds limit = 30s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const std::vector<unsigned long> windows = x_.stacking();
            if (std::find(windows.begin(), windows.end(), window) == windows.end())
                return true;
            std::this_thread::sleep_for(200ms);
        }
        return false;
    }
    bool waitUntilActive(unsigned long window, std::chrono::seconds limit = 10s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (x_.activeWindow() == window)
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }
    std::set<unsigned long> windows() {
        const std::vector<unsigned long> all = x_.stacking();
        return {all.begin(), all.end()};
    }
    void screenshot(unsigned long window, const std::string& name) {
        std::this_thread::sleep_for(500ms);  // the last paint reaches the screen
        const QRect place = x_.placeOf(window);
        if (place.isEmpty())
            return;
        fs::create_directories(setup().shots);
        x_.grab(place.adjusted(-2, -26, 2, 2)).save(QString::fromStdString(
            setup().shots + "/" + name + ".png"));
    }

  private:
    XInput x_;
};

bool waitForFile(const fs::path& path, std::uintmax_t size, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::error_code error;
    while (std::chrono::steady_clock::now() < end) {
        if (fs::file_size(path, error) == size && !error)
            return true;
        std::this_thread::sleep_for(200ms);
    }
    return false;
}

// A game disc: SYSTEM.CNF naming the game ID and `megabytes` of data.
std::string makeDisc(TempDir& work, int megabytes) {
    const std::string disc = work.file("disc");
    fs::create_directories(disc + "/DATA");
    const std::string iso = work.file("game.iso");
    const ToolRun made = runShell(
        "printf 'BOOT2 = cdrom0:\\\\SLUS_209.46;1\\r\\nVER = 1.00\\r\\n' >" + disc +
        "/SYSTEM.CNF && head -c " + std::to_string(megabytes * 1000000) + " /dev/urandom >" +
        disc + "/DATA/GAME.BIN && xorriso -as mkisofs -quiet -V GAME -o " + iso + " " + disc);
    EXPECT_EQ(made.status, 0) << made.err;
    return iso;
}

// Maps the drive letter `letter` of the prefix to `folder`.
void mapDrive(char letter, const std::string& folder) {
    const fs::path link = fs::path(setup().prefix) / "dosdevices" / (std::string(1, letter) + ":");
    std::error_code ignored;
    fs::remove(link, ignored);
    fs::create_symlink(folder, link);
}

// Whether the two folders hold the same files, byte for byte.
void expectSameTree(const std::string& a, const std::string& b) {
    const ToolRun diff = runShell("diff -r " + a + " " + b);
    EXPECT_EQ(diff.status, 0) << diff.out << diff.err;
    EXPECT_TRUE(fs::exists(a + "/zt.cfg"));
}

class WineWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!setup().skip.empty())
            GTEST_SKIP() << setup().skip;
    }
};

// The window opens with its three tabs; an image chosen through "Image
// file..." installs onto drive E: exactly as zt_install installs it.
TEST_F(WineWindow, InstallsAnImageOntoADriveLetterAsLinuxDoes) {
    TempDir work;
    const std::string iso = makeDisc(work, 4);
    fs::create_directories(work.file("e"));
    mapDrive('e', work.file("e"));
    Program program(work.file("wine.log"));
    Person person;
    const unsigned long main = person.waitForWindow(kTitle, {}, 120s);
    ASSERT_NE(main, 0u) << "the main window did not open";
    person.screenshot(main, "wine-main-window");

    // The source box has the focus: open it and take "Image file...".
    person.x().chord({"Alt_L", "Down"});
    person.x().key("Return");
    const unsigned long files = person.waitForWindow("Image file");
    ASSERT_NE(files, 0u) << "no open dialog";
    std::string windowsPath = "Z:" + iso;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    person.x().type(windowsPath);
    person.screenshot(files, "wine-open-dialog");
    person.x().key("Return");
    ASSERT_TRUE(person.waitUntilGone(files));

    // Source, media, drive, name: "Start" is the fourth stop after the source box.
    for (int i = 0; i < 4; ++i)
        person.x().key("Tab");
    std::set<unsigned long> known = person.windows();
    person.x().key("space");
    const unsigned long question = person.waitForWindow(kTitle, known);
    ASSERT_NE(question, 0u) << "no \"Start Install?\"";
    person.screenshot(question, "wine-start-question");
    person.x().key("Return");
    ASSERT_TRUE(waitForFile(work.file("e") + "/zt.cfg", 64, 60s)) << "the game was not recorded";
    const unsigned long progress = person.waitForWindow("Install", {}, 10s);
    ASSERT_NE(progress, 0u);
    person.screenshot(progress, "wine-install-done");
    EXPECT_TRUE(person.waitUntilActive(progress)) << "the progress window is not in front";
    person.x().key("Escape");  // "OK"
    ASSERT_TRUE(person.waitUntilGone(progress));
    person.screenshot(main, "wine-installed-list");

    fs::create_directories(work.file("linux"));
    const ToolRun linux = runShell(setup().linuxBin + "/zt_install " + iso + " " +
                                   work.file("linux") + " game CD");
    ASSERT_EQ(linux.status, 0) << linux.out << linux.err;
    expectSameTree(work.file("e"), work.file("linux"));

    // The close box ends the program when no job runs.
    person.x().click(person.x().closeBoxOf(main));
    EXPECT_TRUE(person.waitUntilGone(main));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    Setup& s = setup();
    s.exe = environment("ZT_INSTALLER_EXE");
    s.linuxBin = ZT_BIN_DIR;
    s.prefix = environment("ZT_WINE_PREFIX");
    s.shots = environment("ZT_SCREENSHOT_DIR");
    TempDir session;
    XServer server;
    std::string failure;
    if (s.exe.empty() || s.prefix.empty())
        s.skip = "ZT_INSTALLER_EXE and ZT_WINE_PREFIX name what is tested";
    else if (!haveProgram("wine") || !haveProgram("Xvfb") || !haveProgram("openbox") ||
             !haveProgram("xorriso"))
        s.skip = "wine, Xvfb, openbox or xorriso is not installed";
    else if (!server.start(session.path().string(), failure))
        s.skip = "no X server: " + failure;
    if (!s.skip.empty())
        return RUN_ALL_TESTS();
    s.display = server.display();
    ::setenv("DISPLAY", s.display.c_str(), 1);
    ::setenv("WINEPREFIX", s.prefix.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    // No Mono or Gecko installer asks anything while the prefix is made.
    ::setenv("WINEDLLOVERRIDES", "mscoree=;mshtml=", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    runShell("wineboot -i; wineserver -w");
    return RUN_ALL_TESTS();
}
