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
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "TempDir.h"
#include "ToolRun.h"
#include "XSession.h"
#include "ui/ControlIds.h"
#include "ui/WindowTemplates.h"

using namespace ui;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kTitle = "Tarnwick Game Installer";

struct Setup {
    std::string display;
    std::string exe;         // zt_installer.exe
    std::string formatFake;  // stands in for zt_format.exe
    std::string probe;       // drops files on the window, reads its boxes and sizes
    std::string linuxBin;    // the Linux build's tools
    std::string prefix;      // the test's own Wine prefix
    std::string shots;       // where the screenshots go
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
    explicit Program(const std::string& log, const std::string& exe = setup().exe) {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(null, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execlp("wine", "wine", exe.c_str(), static_cast<char*>(nullptr));
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
    void screenshotScreen(const std::string& name) {
        fs::create_directories(setup().shots);
        x_.grab(QRect(0, 0, 1024, 768))
            .save(QString::fromStdString(setup().shots + "/" + name + ".png"));
    }
    void screenshot(unsigned long window, const std::string& name) {
        std::this_thread::sleep_for(500ms);  // the last paint reaches the screen
        const QRect place = x_.placeOf(window);
        if (place.isEmpty())
            return;
        fs::create_directories(setup().shots);
        x_.grab(place.adjusted(-2, -26, 2, 2))
            .save(QString::fromStdString(setup().shots + "/" + name + ".png"));
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

// A game disc: SYSTEM.CNF naming the game ID and `megabytes` of data (zeros
// beyond the first 4, so that a large disc is made quickly; a disc that a
// person stops must outlast the clicks before the stop), in `name`.iso.
std::string makeDisc(TempDir& work, int megabytes, const std::string& name = "game") {
    const std::string disc = work.file(name + "-disc");
    fs::create_directories(disc + "/DATA");
    const std::string iso = work.file(name + ".iso");
    const ToolRun made =
        runShell("printf 'BOOT2 = cdrom0:\\\\SLUS_209.46;1\\r\\nVER = 1.00\\r\\n' >" + disc +
                 "/SYSTEM.CNF && head -c " + std::to_string(std::min(megabytes, 4) * 1000000) +
                 " /dev/urandom >" + disc + "/DATA/GAME.BIN && head -c " +
                 std::to_string(std::max(megabytes - 4, 0) * 1000000) + " /dev/zero >>" + disc +
                 "/DATA/GAME.BIN && xorriso -as mkisofs -quiet -V GAME -o " + iso + " " + disc);
    EXPECT_EQ(made.status, 0) << made.err;
    return iso;
}

// A path of the test as Windows programs of the prefix name it (drive Z:).
std::string windowsPathOf(const std::string& path) {
    std::string windowsPath = "Z:" + path;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    return windowsPath;
}

// Maps the drive letter `letter` of the prefix to `target`; `device`: the
// letter's device too (a disc image read as the drive's raw sectors).
void mapDrive(char letter, const std::string& target, const std::string& device = {}) {
    const fs::path dosdevices = fs::path(setup().prefix) / "dosdevices";
    const std::string name(1, letter);
    std::error_code ignored;
    fs::remove(dosdevices / (name + ":"), ignored);
    fs::remove(dosdevices / (name + "::"), ignored);
    fs::create_symlink(target, dosdevices / (name + ":"));
    if (!device.empty())
        fs::create_symlink(device, dosdevices / (name + "::"));
}

// The game files of a drive folder, by name.
std::set<std::string> gameFiles(const std::string& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Whether the two folders hold the same files, byte for byte.
void expectSameTree(const std::string& a, const std::string& b) {
    const ToolRun diff = runShell("diff -r " + a + " " + b);
    EXPECT_EQ(diff.status, 0) << diff.out << diff.err;
    EXPECT_TRUE(fs::exists(a + "/zt.cfg"));
}

// One scenario: drive E: is a folder of the test, the window is open.
class WineWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!setup().skip.empty())
            GTEST_SKIP() << setup().skip;
        fs::create_directories(work_.file("e"));
        mapDrive('e', work_.file("e"));
    }
    void TearDown() override {
        if (::testing::Test::HasFailure() && person_)
            person_->screenshotScreen(
                "failed-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }

    // Starts the program (`exe`: another copy of it) and waits for its main window.
    void open(const std::string& exe = setup().exe) {
        program_ = std::make_unique<Program>(work_.file("wine.log"), exe);
        person_ = std::make_unique<Person>();
        main_ = person_->waitForWindow(kTitle, {}, 120s);
        ASSERT_NE(main_, 0u) << "the main window did not open";
        ASSERT_TRUE(person_->waitUntilActive(main_, 30s)) << "the main window is not in front";
    }
    Person& person() { return *person_; }
    std::string drive() { return work_.file("e"); }

    // The centre of the main window's control `id` on the screen. The
    // template places it in dialog units, which the window's client size
    // turns into pixels as the dialog manager did.
    QPoint centreOf(int id) {
        const QRect client = person().x().placeOf(main_);
        const DialogTemplate& dialog = mainTemplate();
        for (const ControlRow& row : dialog.controls) {
            if (row.id != id)
                continue;
            const int height = row.kind == ControlKind::DropDownList ? 12 : row.height;
            return {client.x() + (2 * row.x + row.width) * client.width() / (2 * dialog.width),
                    client.y() + (2 * row.y + height) * client.height() / (2 * dialog.height)};
        }
        return {-1, -1};
    }
    void click(int id, unsigned button = 1) { person().x().click(centreOf(id), button); }
    // The tab `index`: 0 "Games Installer", 1 "Disk Format", 2 "About".
    void clickTab(int index) {
        const QRect client = person().x().placeOf(main_);
        const int tabsY = client.y() + 7 * client.height() / mainTemplate().height + 10;
        person().x().click({client.x() + std::array{50, 143, 207}[index], tabsY});
    }

    // Where the list's first row is on the screen.
    QPoint firstRow() {
        const QRect client = person().x().placeOf(main_);
        const QPoint list = centreOf(control::kGameList);
        const int listTop = client.y() + 100 * client.height() / mainTemplate().height;
        return {list.x() - 60, listTop + 28};
    }

    // The list's first row, clicked, then its context menu's `item`th command
    // (1: Delete, 2: Rename, 3: Copy...) taken with the arrow keys.
    void commandOnFirstRow(int item, bool screenshot = true) {
        const QPoint row = firstRow();
        person().x().click(row);
        person().x().click(row, 3);
        std::this_thread::sleep_for(700ms);  // the menu opens
        if (screenshot)
            person().screenshotScreen("wine-context-menu");
        for (int i = 0; i < item; ++i)
            person().x().key("Down");
        person().x().key("Return");
    }

    // The games a drive folder records, as the Linux zt_games lists them.
    std::string listed(const std::string& folder) {
        return runShell(setup().linuxBin + "/zt_games list " + folder).out;
    }

    // "Image file..." in the source box, and the image typed into the
    // system's open dialog.
    void chooseImage(const std::string& iso) { chooseImages({windowsPathOf(iso)}); }
    // The same with each of `typed` entered in turn: a folder to open, then
    // the names to choose.
    void chooseImages(const std::vector<std::string>& typed) {
        unsigned long files = 0;
        // A person looks at the open list before choosing; a key pressed
        // before Wine shows it is lost, and the person tries again.
        for (int attempt = 0; attempt < 3 && files == 0; ++attempt) {
            click(control::kSourceCombo);  // opens the list
            std::this_thread::sleep_for(700ms);
            person().x().key("End");
            person().x().key("Return");
            files = person().waitForWindow("Image file", {}, 10s);
        }
        ASSERT_NE(files, 0u) << "no open dialog";
        for (const std::string& text : typed) {
            person().x().type(text);
            person().screenshot(files,
                                typed.size() == 1 ? "wine-open-dialog" : "wine-open-several");
            person().x().key("Return");
        }
        ASSERT_TRUE(person().waitUntilGone(files));
    }

    // "Start", then Yes to "Start Install?"; the progress window once it is in front.
    // `holdEnter`: the answer's key held long enough to repeat; a scenario
    // that acts during the install taps it, since a short disc is copied
    // within the hold.
    unsigned long startInstall(bool holdEnter = true) {
        const std::set<unsigned long> known = person().windows();
        click(control::kStartButton);
        const unsigned long question = person().waitForWindow(kTitle, known);
        EXPECT_NE(question, 0u) << "no \"Start Install?\"";
        if (question == 0)
            return 0;
        person().screenshot(question, "wine-start-question");
        // Enter held a little long: the keys it repeats after the box has
        // gone are its answer still, never the progress window's Cancel.
        if (holdEnter)
            person().x().hold("Return", 1500);
        else
            person().x().key("Return");
        const unsigned long progress = person().waitForWindow("Install", {}, 30s);
        EXPECT_NE(progress, 0u) << "no progress window";
        EXPECT_TRUE(person().waitUntilActive(progress)) << "the progress window is not in front";
        return progress;
    }

    // The Linux zt_install of the same image into a folder of its own.
    std::string linuxInstall(const std::string& iso, const std::string& name) {
        const std::string folder = work_.file("linux");
        fs::create_directories(folder);
        const ToolRun linux =
            runShell(setup().linuxBin + "/zt_install " + iso + " " + folder + " " + name + " CD");
        EXPECT_EQ(linux.status, 0) << linux.out << linux.err;
        return folder;
    }

    // Whether the progress window's text line grows to two lines while the
    // window shows, as a queue's line needs: one line is 9 dialog units
    // high, the bar 7. False once the window has gone.
    bool growsForTheWholeLine() {
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < end) {
            const ToolRun probe =
                runShell("wine " + shellQuoted(setup().probe) + " heights Install");
            if (probe.status != 0)
                return false;
            std::map<int, int> heights;
            std::istringstream lines(probe.out);
            for (int id = 0, height = 0; lines >> id >> height;)
                heights[id] = height;
            if (heights[control::kProgressText] >= 2 * heights[control::kProgressBar] &&
                heights[control::kProgressBar] > 0)
                return true;
        }
        return false;
    }

    void closeMainWindow() { person().x().click(person().x().closeBoxOf(main_)); }

    // The game list as the probe reads it: "focused" (its focused row, -1
    // none), "keyboard" (1: it has the keyboard focus), "hidden" (1: its
    // focus mark is hidden) and "tooltips" (how many of the window's show).
    std::map<std::string, int> listState() {
        const ToolRun probe =
            runShell("wine " + shellQuoted(setup().probe) + " list " + shellQuoted(kTitle));
        EXPECT_EQ(probe.status, 0) << "the probe found no list: " << probe.err;
        std::map<std::string, int> state;
        std::istringstream lines(probe.out);
        for (std::string name; lines >> name;)
            lines >> state[name];
        return state;
    }

    TempDir work_;
    std::unique_ptr<Program> program_;
    std::unique_ptr<Person> person_;
    unsigned long main_ = 0;
};

// The window opens with its three tabs; an image chosen through "Image
// file..." installs onto drive E: exactly as zt_install installs it.
TEST_F(WineWindow, InstallsAnImageOntoADriveLetterAsLinuxDoes) {
    const std::string iso = makeDisc(work_, 4);
    ASSERT_NO_FATAL_FAILURE(open());
    person().screenshot(main_, "wine-main-window");
    ASSERT_NO_FATAL_FAILURE(chooseImage(iso));
    const unsigned long progress = startInstall();
    ASSERT_NE(progress, 0u);
    ASSERT_TRUE(waitForFile(drive() + "/zt.cfg", 64, 60s)) << "the game was not recorded";
    person().screenshot(progress, "wine-install-done");
    person().x().key("Escape");  // "OK"
    ASSERT_TRUE(person().waitUntilGone(progress));
    person().screenshot(main_, "wine-installed-list");
    expectSameTree(drive(), linuxInstall(iso, "game"));

    // The other two pages, through their tabs.
    clickTab(1);
    person().screenshot(main_, "wine-disk-format");
    clickTab(2);
    person().screenshot(main_, "wine-about");
    clickTab(0);

    // The close box ends the program when no job runs.
    closeMainWindow();
    EXPECT_TRUE(person().waitUntilGone(main_));
}

// Drive D: is a CD drive that reads the image: it is the source the window
// offers first, and the install is the Linux one's.
TEST_F(WineWindow, InstallsFromACdDriveLetterAsLinuxDoes) {
    const std::string iso = makeDisc(work_, 3);
    fs::create_directories(work_.file("cd"));
    mapDrive('d', work_.file("cd"), iso);
    ASSERT_NO_FATAL_FAILURE(open());
    const unsigned long progress = startInstall();
    ASSERT_NE(progress, 0u);
    ASSERT_TRUE(waitForFile(drive() + "/zt.cfg", 64, 60s)) << "the game was not recorded";
    person().x().key("Escape");
    ASSERT_TRUE(person().waitUntilGone(progress));
    expectSameTree(drive(), linuxInstall(iso, "Game1"));
    fs::remove(fs::path(setup().prefix) / "dosdevices" / "d::");
    fs::remove(fs::path(setup().prefix) / "dosdevices" / "d:");
}

// Two images dropped on the window at once (WM_DROPFILES, as the shell posts
// it) are a queue: Start asks once, the games are installed one after
// another under one progress window that counts them, each named after its
// file, and one box at the end says how each image went.
TEST_F(WineWindow, TwoDroppedImagesInstallAsAQueue) {
    if (setup().probe.empty())
        GTEST_SKIP() << "ZT_WINDOW_PROBE_EXE names the program that drops files";
    // The first long enough to be seen in the progress window, its name long
    // enough for the queue's line to need two lines there.
    const std::string first = makeDisc(work_, 400, "first_of_a_long_row_of_games");
    const std::string second = makeDisc(work_, 2, "second");
    ASSERT_NO_FATAL_FAILURE(open());
    const ToolRun dropped =
        runShell("wine " + shellQuoted(setup().probe) + " drop " + shellQuoted(kTitle) + " " +
                 shellQuoted(windowsPathOf(first)) + " " + shellQuoted(windowsPathOf(second)));
    ASSERT_EQ(dropped.status, 0) << "the files were not dropped: " << dropped.err;
    std::this_thread::sleep_for(1s);  // the source box offers "2 images"
    person().screenshot(main_, "wine-queue-dropped");
    // One press of Enter: a held one would answer the box at the queue's end too.
    const unsigned long progress = startInstall(false);
    ASSERT_NE(progress, 0u);
    std::set<unsigned long> known = person().windows();
    EXPECT_TRUE(growsForTheWholeLine()) << "the queue's line does not fit the window";
    person().screenshot(progress, "wine-queue-progress");
    const unsigned long summary = person().waitForWindow(kTitle, known, 120s);
    ASSERT_NE(summary, 0u) << "no box at the queue's end";
    person().screenshot(summary, "wine-queue-summary");
    const ToolRun box =
        runShell("wine " + shellQuoted(setup().probe) + " text " + shellQuoted(kTitle));
    std::string said = box.out;
    said.erase(std::remove(said.begin(), said.end(), '\r'), said.end());
    EXPECT_EQ(said,
              "The queue has ended: 2 of 2 games installed.\n\n"
              "first_of_a_long_row_of_games (first_of_a_long_row_of_games.iso): installed\n"
              "second (second.iso): installed\n");
    person().x().key("Return");
    ASSERT_TRUE(person().waitUntilGone(summary));
    EXPECT_TRUE(person().waitUntilGone(progress, 5s)) << "the progress window stayed";
    linuxInstall(first, "first_of_a_long_row_of_games");
    expectSameTree(drive(), linuxInstall(second, "second"));
}

// Two images chosen at once in the open dialog, by their names in the
// folder it shows, are a queue too.
TEST_F(WineWindow, TwoImagesChosenInTheDialogInstallAsAQueue) {
    const std::string first = makeDisc(work_, 2, "first");
    const std::string second = makeDisc(work_, 2, "second");
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_NO_FATAL_FAILURE(
        chooseImages({windowsPathOf(work_.path().string()), "\"first.iso\" \"second.iso\""}));
    const std::set<unsigned long> known = person().windows();
    click(control::kStartButton);
    // "Start Install?", then the box at the queue's end.
    for (const char* box : {"no \"Start Install?\"", "no box at the queue's end"}) {
        const unsigned long shown = person().waitForWindow(kTitle, known, 60s);
        ASSERT_NE(shown, 0u) << box;
        ASSERT_TRUE(person().waitUntilActive(shown));
        person().x().key("Return");
        ASSERT_TRUE(person().waitUntilGone(shown));
    }
    linuxInstall(first, "first");
    expectSameTree(drive(), linuxInstall(second, "second"));
}

// Cancel in the progress window stops the copy and leaves the drive as it was.
TEST_F(WineWindow, CancelLeavesTheDriveAsItWas) {
    const std::string iso = makeDisc(work_, 700);
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_NO_FATAL_FAILURE(chooseImage(iso));
    const unsigned long progress = startInstall(false);
    ASSERT_NE(progress, 0u);
    person().x().key("Escape");  // "Cancel"
    ASSERT_TRUE(person().waitUntilGone(progress));
    // The job removes what it wrote, then gives the window back: it closes at once.
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (!gameFiles(drive()).empty() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(gameFiles(drive()).empty());
    // The job may still be ending: then the close box asks, and Yes closes.
    const std::set<unsigned long> known = person().windows();
    closeMainWindow();
    if (person().waitForWindow(kTitle, known, 3s) != 0)
        person().x().key("y");
    EXPECT_TRUE(person().waitUntilGone(main_, 30s));
}

// The list's context menu: Copy... to drive F: through the drive dialog,
// Rename through the rename dialog, Delete after its question.
TEST_F(WineWindow, ContextMenuCopiesRenamesAndDeletes) {
    const std::string iso = makeDisc(work_, 2);
    fs::remove(drive());
    fs::rename(linuxInstall(iso, "game"), drive());
    fs::create_directories(work_.file("f"));
    mapDrive('f', work_.file("f"));
    ASSERT_NO_FATAL_FAILURE(open());

    commandOnFirstRow(3);
    const unsigned long drives = person().waitForWindow("Drive");
    ASSERT_NE(drives, 0u) << "no drive dialog";
    person().screenshot(drives, "wine-drive-dialog");
    person().x().key("Down");  // E:, the drives in offer order
    person().x().key("Down");  // F:
    person().x().key("Return");
    ASSERT_TRUE(waitForFile(work_.file("f") + "/zt.cfg", 64, 60s)) << "nothing was copied";
    ASSERT_TRUE(person().waitUntilGone(drives));
    expectSameTree(drive(), work_.file("f"));

    commandOnFirstRow(2);
    const unsigned long rename = person().waitForWindow("rename");
    ASSERT_NE(rename, 0u) << "no rename dialog";
    person().x().type("Other");
    person().x().key("Return");
    ASSERT_TRUE(person().waitUntilGone(rename));
    std::this_thread::sleep_for(1s);
    EXPECT_NE(listed(drive()).find("Other"), std::string::npos) << listed(drive());

    const std::set<unsigned long> known = person().windows();
    commandOnFirstRow(1);
    const unsigned long question = person().waitForWindow(kTitle, known);
    ASSERT_NE(question, 0u) << "no \"Delete Game Other?\"";
    person().x().key("Return");
    ASSERT_TRUE(person().waitUntilGone(question));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(listed(drive()).find("Other"), std::string::npos) << listed(drive());
    std::set<std::string> left = gameFiles(drive());
    left.erase("zt.cfg");
    EXPECT_TRUE(left.empty());
}

// The close box during an install asks "The job is not complete,Exit?"; after
// Yes the job stops and the program ends, the drive as it was or the game
// whole and recorded (when the copy ended first).
TEST_F(WineWindow, CloseDuringAnInstallAsksThenLeavesTheDriveSound) {
    const std::string iso = makeDisc(work_, 700);
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_NO_FATAL_FAILURE(chooseImage(iso));
    const unsigned long progress = startInstall(false);
    ASSERT_NE(progress, 0u);
    const std::set<unsigned long> known = person().windows();
    closeMainWindow();
    const unsigned long question = person().waitForWindow(kTitle, known, 20s);
    ASSERT_NE(question, 0u) << "the close box did not ask";
    person().screenshot(question, "wine-close-question");
    person().x().key("y");
    EXPECT_TRUE(person().waitUntilGone(main_, 60s));
    const std::set<std::string> left = gameFiles(drive());
    if (!left.empty())
        expectSameTree(drive(), linuxInstall(iso, "game"));
}

// The soak's jobs in one window, each on a thread of its own.
class WineSoak : public WineWindow {
  protected:
    // Presses `key` on each box of the window that comes until `done`.
    bool answerUntil(const std::function<bool()>& done, const char* key) {
        std::set<unsigned long> known = person().windows();
        const auto end = std::chrono::steady_clock::now() + 60s;
        while (!done() && std::chrono::steady_clock::now() < end) {
            // A key pressed before the box has the focus is lost: the person
            // waits for it, and presses again while it stays.
            if (const unsigned long box = person().waitForWindow(kTitle, known, 1s); box != 0) {
                person().waitUntilActive(box);
                person().x().key(key);
                if (person().waitUntilGone(box, 5s))
                    known.insert(box);
            }
        }
        return done();
    }
    static bool changedSince(const fs::path& file, fs::file_time_type before) {
        std::error_code none;
        return fs::last_write_time(file, none) != before;
    }

    // Start: "Start Install?", then the replace question; Enter presses "OK" at its end.
    void install(bool first) {
        const fs::path table = drive() + "/zt.cfg";
        std::error_code none;
        const fs::file_time_type before = fs::last_write_time(table, none);
        click(control::kStartButton);
        ASSERT_TRUE(answerUntil([&] { return changedSince(table, before); }, "Return"))
            << "the game was not recorded";
        const unsigned long progress = person().waitForWindow("Install", {}, 10s);
        ASSERT_NE(progress, 0u) << "no progress window";
        std::this_thread::sleep_for(1s);  // the job ends; the button reads "OK"
        if (first)
            person().screenshot(progress, "wine-install-done-enter");
        person().x().key("Return");  // "OK"
        ASSERT_TRUE(person().waitUntilGone(progress)) << "Enter did not press \"OK\"";
    }
    // "Check Drive" on a drive with a part that no record names: No to
    // "Repair the drive?" leaves the drive as it is.
    void checkAnsweringNo() {
        const std::string stray = drive() + "/zt.00000000.SLUS_999.99.00";
        std::ofstream(stray) << std::string(2048, 'x');
        const std::set<unsigned long> known = person().windows();
        commandOnFirstRow(6, false);
        const unsigned long question = person().waitForWindow(kTitle, known, 30s);
        ASSERT_NE(question, 0u) << "no \"Repair the drive?\"";
        person().waitUntilActive(question);
        person().x().key("n");
        ASSERT_TRUE(person().waitUntilGone(question));
        std::this_thread::sleep_for(500ms);  // the job ends
        EXPECT_TRUE(fs::exists(stray)) << "No changed the drive";
        fs::remove(stray);
    }
    // "Verify": the box with the game's digests, and Enter.
    void verify() {
        const std::set<unsigned long> known = person().windows();
        commandOnFirstRow(4, false);
        const unsigned long digests = person().waitForWindow(kTitle, known, 30s);
        ASSERT_NE(digests, 0u) << "no box with the digests";
        person().waitUntilActive(digests);
        person().x().key("Return");
        ASSERT_TRUE(person().waitUntilGone(digests));
    }
    // "Copy..." to drive F:, the game there replaced from the second time on.
    void copyToF() {
        const fs::path table = work_.file("f") + "/zt.cfg";
        std::error_code none;
        const fs::file_time_type before = fs::last_write_time(table, none);
        commandOnFirstRow(3, false);
        const unsigned long drives = person().waitForWindow("Drive");
        ASSERT_NE(drives, 0u) << "no drive dialog";
        person().x().key("Down");  // E:, the drives in offer order
        person().x().key("Down");  // F:
        person().x().key("Return");
        ASSERT_TRUE(answerUntil([&] { return changedSince(table, before); }, "Return"))
            << "nothing was copied";
        ASSERT_TRUE(person().waitUntilGone(drives));
        if (const unsigned long progress = person().waitForWindow("copy", {}, 2s); progress != 0) {
            ASSERT_TRUE(person().waitUntilGone(progress, 30s)) << "the copy did not end";
        }
    }
};

// How many jobs the soak below runs: ZT_SOAK_JOBS, else 100 with
// ZT_FULL_WALK=1 (make test-full), else 5. A job takes 2 to 3 s here.
int soakJobs() {
    const std::string jobs = environment("ZT_SOAK_JOBS");
    if (!jobs.empty())
        return std::max(2, std::atoi(jobs.c_str()));
    return environment("ZT_FULL_WALK") == "1" ? 100 : 5;
}

// Jobs one after another in one window, each on a thread of its own, in
// turn: an install of the same image (each replacing the last: Yes to "File
// game already exist,Continue?", and Enter presses "OK" at its end), a drive
// check answered No, a verification and a copy to drive F:. The window
// outlives every job, and both drives hold the one game as Linux installs it.
TEST_F(WineSoak, ManyJobsInARowAndEnterPressesOk) {
    const std::string iso = makeDisc(work_, 1);
    fs::create_directories(work_.file("f"));
    mapDrive('f', work_.file("f"));
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_NO_FATAL_FAILURE(chooseImage(iso));
    const int jobs = soakJobs();
    for (int job = 0; job < jobs; ++job) {
        SCOPED_TRACE("job " + std::to_string(job + 1));
        switch (job % 4) {
            case 0:
                ASSERT_NO_FATAL_FAILURE(install(job == 0));
                break;
            case 1:
                ASSERT_NO_FATAL_FAILURE(checkAnsweringNo());
                break;
            case 2:
                ASSERT_NO_FATAL_FAILURE(verify());
                break;
            default:
                ASSERT_NO_FATAL_FAILURE(copyToF());
        }
        ASSERT_FALSE(program_->ended()) << "the window ended";
        ASSERT_TRUE(person().windows().count(main_)) << "the main window is gone";
    }
    const std::string linux = linuxInstall(iso, "game");
    expectSameTree(drive(), linux);
    if (jobs >= 4)
        expectSameTree(work_.file("f"), linux);
}

// A file that not even root may write (the immutable attribute), for as
// long as it lives.
class UnwritableFile {
  public:
    explicit UnwritableFile(const std::string& path) : path_(path) {
        made_ = runShell("chattr +i " + path_).status == 0;
    }
    ~UnwritableFile() {
        if (made_)
            runShell("chattr -i " + path_);
    }
    bool made() const { return made_; }

  private:
    std::string path_;
    bool made_ = false;
};

std::string contentOf(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A damaged game (a media type that is neither CD nor DVD) is drawn in
// red, its tooltip says so; Shift+F10 opens the context menu at the
// selected row without the tooltip over it, and its Delete removes the
// record. The list's first row carries the focus mark from the start.
TEST_F(WineWindow, ADamagedGameIsRedAndItsMenuOpensFromTheKeyboard) {
    fs::remove(drive());
    fs::rename(linuxInstall(makeDisc(work_, 2), "broken"), drive());
    {
        std::fstream table(drive() + "/zt.cfg", std::ios::in | std::ios::out | std::ios::binary);
        table.seekp(48);  // the record's media type
        table.put('\x13');
    }
    ASSERT_NO_FATAL_FAILURE(open());
    const QPoint row = firstRow();
    std::this_thread::sleep_for(500ms);  // the list is drawn
    const bool probed = !setup().probe.empty();
    // Before any click the first row carries the focus mark.
    if (probed) {
        EXPECT_EQ(listState()["focused"], 0) << "no row carries the focus mark";
    }
    const QRect client = person().x().placeOf(main_);
    const QImage drawn = person().x().grab(QRect(client.x(), row.y() - 8, client.width(), 16));
    int red = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QColor colour = drawn.pixelColor(x, y);
            red += colour.red() > 200 && colour.green() < 80 && colour.blue() < 80;
        }
    }
    EXPECT_GT(red, 20) << "the damaged game is not drawn in red";
    person().x().click(row);
    person().x().move(row + QPoint(8, 0));
    std::this_thread::sleep_for(1500ms);  // the tooltip comes
    person().screenshotScreen("wine-damaged-game");
    if (probed) {
        EXPECT_EQ(listState()["tooltips"], 1) << "the row's tooltip did not show";
    }
    // The menu from the keyboard, the pointer still on the row: the row's
    // tooltip goes, and the list keeps the focus and shows its mark.
    const std::set<unsigned long> known = person().windows();
    person().x().chord({"Shift_L", "F10"});
    std::this_thread::sleep_for(700ms);  // the menu opens
    person().screenshotScreen("wine-keyboard-menu");
    if (probed) {
        std::map<std::string, int> withMenu = listState();
        EXPECT_EQ(withMenu["tooltips"], 0) << "the tooltip shows over the menu";
        EXPECT_EQ(withMenu["focused"], 0);
        EXPECT_EQ(withMenu["keyboard"], 1) << "the list lost the keyboard focus";
        EXPECT_EQ(withMenu["hidden"], 0) << "the focus mark is hidden";
    }
    person().x().key("Down");
    person().x().key("Return");
    const unsigned long question = person().waitForWindow(kTitle, known);
    ASSERT_NE(question, 0u) << "no \"Delete Game broken?\"";
    person().x().key("Return");
    ASSERT_TRUE(person().waitUntilGone(question));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(listed(drive()).find("broken"), std::string::npos) << listed(drive());
}

// "Format..." on a drive that this process may not write: the window runs
// the format tool beside it with the administrator's rights ("runas"; here a
// fake, as Wine cannot lock or lay out a drive) and reads its exit status:
// 0 is a formatted drive, "OK" in the progress window; 1 a failure, which
// the window says.
TEST_F(WineWindow, FormatsThroughTheElevatedTool) {
    if (setup().formatFake.empty())
        GTEST_SKIP() << "ZT_FORMAT_FAKE_EXE names the format tool's fake";
    // The window and the tool side by side, as in the zip.
    const std::string app = work_.file("app");
    fs::create_directories(app);
    fs::copy_file(setup().exe, app + "/zt_installer.exe");
    fs::copy_file(setup().formatFake, app + "/zt_format.exe");
    // E: reads a disk image, as its device, that only the tool could write.
    const std::string image = work_.file("disk.img");
    std::ofstream(image).close();
    fs::resize_file(image, 64 << 20);
    mapDrive('e', drive(), image);
    const UnwritableFile unwritable(image);
    if (!unwritable.made())
        GTEST_SKIP() << "chattr +i is refused here";
    ASSERT_NO_FATAL_FAILURE(open(app + "/zt_installer.exe"));
    const std::string arguments = app + "/zt_format.args";

    for (const int status : {0, 1}) {
        std::ofstream(app + "/zt_format.status") << status;
        fs::remove(arguments);
        clickTab(1);
        click(control::kFormatButton);
        const unsigned long drives = person().waitForWindow("Drive");
        ASSERT_NE(drives, 0u) << "no drive dialog";
        person().x().key("e");  // the row E:
        std::set<unsigned long> known = person().windows();
        person().x().key("Return");
        const unsigned long warning = person().waitForWindow(kTitle, known);
        ASSERT_NE(warning, 0u) << "no warning before the format";
        if (status == 0) {
            person().screenshot(warning, "wine-format-warning");
            // The drive by its letter, as the person chose it.
            std::string said =
                runShell("wine " + shellQuoted(setup().probe) + " text " + shellQuoted(kTitle)).out;
            said.erase(std::remove(said.begin(), said.end(), '\r'), said.end());
            EXPECT_EQ(said,
                      "WARNING: Formatting will erase ALL data on disk E .\nTo format the "
                      "disk,click OK,To quit,click CANCEL.");
        }
        known = person().windows();
        person().x().key("y");
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (contentOf(arguments).empty() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(200ms);
        EXPECT_EQ(contentOf(arguments), "--yes -- \\\\.\\E: FORMAT");
        if (status == 0) {
            const unsigned long progress = person().waitForWindow("Install", {}, 30s);
            ASSERT_NE(progress, 0u) << "no progress window";
            person().screenshot(progress, "wine-format-done");
            person().x().key("Escape");  // "OK"
            ASSERT_TRUE(person().waitUntilGone(progress));
            continue;
        }
        // What went wrong, then "Format Failed!!".
        for (const char* shot : {"wine-format-failure", "wine-format-failed"}) {
            const unsigned long box = person().waitForWindow(kTitle, known, 30s);
            ASSERT_NE(box, 0u) << "the failure was not said";
            person().screenshot(box, shot);
            known = person().windows();
            person().x().key("Return");
            ASSERT_TRUE(person().waitUntilGone(box));
        }
    }
    clickTab(0);
    closeMainWindow();
    EXPECT_TRUE(person().waitUntilGone(main_));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    Setup& s = setup();
    s.exe = environment("ZT_INSTALLER_EXE");
    s.formatFake = environment("ZT_FORMAT_FAKE_EXE");
    s.probe = environment("ZT_WINDOW_PROBE_EXE");
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
    // No Mono or Gecko installer asks anything while the prefix is made, and
    // a program that crashes ends at once: no debugger keeps it on the screen.
    ::setenv("WINEDLLOVERRIDES", "mscoree=;mshtml=;winedbg.exe=d", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    // The prefix, made on the first run; its drive D: is a CD drive where a
    // scenario maps one.
    // A server of the prefix left by an earlier run would keep its display.
    // The server that made it goes too: one still running when a scenario
    // maps its drive letters would never see them, and the window would
    // offer only the drives it knew (Z:, the host's root).
    runShell(
        "wineserver -k; wineboot -i; "
        "wine reg add 'HKLM\\Software\\Wine\\Drives' /v d: /d cdrom /f; "
        // Times New Roman, the window's font, drawn with the font of its metrics.
        "wine reg add 'HKCU\\Software\\Wine\\Fonts\\Replacements' /v 'Times New Roman' "
        "/d 'Liberation Serif' /f; wineserver -k");
    const int status = RUN_ALL_TESTS();
    runShell("wineserver -k");
    return status;
}
