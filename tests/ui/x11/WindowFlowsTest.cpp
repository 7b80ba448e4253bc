// The window as a person uses it, on a real X server with a window manager:
// the program started as zt_installer starts it, its main window run
// modally, every click and key sent through the server. Each scenario is
// judged by what the screen shows and by the drives afterwards, and leaves
// screenshots in build/screenshots/x11/.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <thread>

#include "GameDrive.h"
#include "GameIso.h"
#include "LoopDrive.h"
#include "ScopedFault.h"
#include "ShippedProgram.h"
#include "TempDir.h"
#include "ToolRun.h"
#include "WindowDriver.h"
#include "X11Test.h"
#include "disk/FormatCommand.h"
#include "platform/DriveLock.h"
#include "platform/Drives.h"
#include "store/DriveAccess.h"
#include "ui/InstallSteps.h"
#include "ui/StartChecks.h"
#include "ui/WindowLog.h"
#include "ui/qt/ClickLabel.h"
#include "ui/qt/DialogTemplate.h"
#include "ui/qt/DropDownList.h"

using namespace disk;
using namespace platform;
using namespace store;
using namespace ui;
using namespace ui::qt;
using namespace report;
using namespace install;
using namespace library;

namespace {

constexpr std::uint64_t kGiB = 1ULL << 30;

// A game image of `bytes` whose volume descriptor counts them all: a small
// real image stretched by a hole, so that an install copies for a good while
// without a large file on the test's disk.
std::string makeLargeIso(const TempDir& work, std::uint64_t bytes) {
    const std::string iso = makeGameIso(work, 1 << 20, 11);
    if (iso.empty())
        return iso;
    const std::uint32_t sectors = static_cast<std::uint32_t>(bytes / 2048);
    std::uint8_t size[8];
    for (int i = 0; i < 4; ++i) {
        size[i] = static_cast<std::uint8_t>(sectors >> (8 * i));  // both-endian field
        size[7 - i] = size[i];
    }
    std::fstream file(iso, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(16 * 2048 + 80);
    file.write(reinterpret_cast<const char*>(size), sizeof size);
    file.close();
    std::filesystem::resize_file(iso, bytes);
    return iso;
}

// The part files on a drive (zt.* but the table).
std::vector<std::string> partFiles(const std::string& root) {
    std::vector<std::string> parts;
    for (const auto& item : std::filesystem::directory_iterator(root)) {
        const std::string name = item.path().filename().string();
        if (name.rfind("zt.", 0) == 0 && name != "zt.cfg" && name != "zt.intent")
            parts.push_back(name);
    }
    return parts;
}

// A game of the given part sizes written straight onto a drive.
void addGame(const std::string& root, const std::string& name, const std::string& id,
             const std::vector<std::uint64_t>& sizes) {
    std::vector<GameEntry> records = readTableFile(tablePath(root)).records;
    records.push_back(gameRecord(name, id, static_cast<int>(sizes.size())));
    writeTableFile(tablePath(root), records);
    for (std::size_t i = 0; i < sizes.size(); ++i)
        GameDrive::writePart(*partFilePath(partPrefix(root, gameNameHash(name), id), int(i)),
                             sizes[i]);
}

// Takes all but a few MiB of the free space of the drive that holds `path`,
// as another program writing there would, while the install takes some too.
bool fillDrive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    off_t end = 0;
    bool full = false;
    for (int attempt = 0; fd >= 0 && !full && attempt < 100; ++attempt) {
        const std::uintmax_t free = std::filesystem::space(path).available;
        full = free < (64 << 20);
        if (!full && ::posix_fallocate(fd, end, static_cast<off_t>(free - (32 << 20))) == 0)
            end += static_cast<off_t>(free - (32 << 20));
    }
    if (fd >= 0)
        ::close(fd);
    return full;
}

// What `zt_games` says of a drive, and whether its check finds it sound.
std::string listing(const std::string& root) {
    return runTool("zt_games", "list " + shellQuoted(root)).out;
}
bool sound(const std::string& root) {
    return runTool("zt_games", "check " + shellQuoted(root)).status == 0;
}

auto progress(const char* title = "Install") {
    return [title] { return progressWindow(QString::fromLatin1(title)); };
}

bool progressShows(const char* title = "Install") {
    ProgressDialog* window = progressWindow(QString::fromLatin1(title));
    return window != nullptr && window->isVisible();
}

// Opens the drive dialog of "Format..." on the Disk Format page.
void openFormatDialog(WindowDriver& d) {
    const QPoint tab = d.gui([] {
        QTabBar* bar = mainWindow()->tabs->tabBar();
        return bar->mapToGlobal(bar->tabRect(1).center());
    });
    d.clickAt(tab);
    d.waitFor("the Disk Format page", [] { return mainWindow()->formatButton->isVisible(); });
    d.click([] { return mainWindow()->formatButton; });
}

class WindowFlows : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!x11SkipReason().empty())
            GTEST_SKIP() << x11SkipReason();
        ASSERT_FALSE(x11Display().empty()) << x11Failure();
        std::error_code ignored;
        std::filesystem::remove(
            std::string(ZT_SCREENSHOT_DIR) + "/failed-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png",
            ignored);
    }
    void run(const std::function<void(WindowDriver&)>& scenario) {
        runProgram(x11Display(), scenario);
    }
};

}  // namespace

TEST_F(WindowFlows, InstallCancelledThenInstalledAndDismissedWithOk) {
    LoopDrive drive(8 * kGiB);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    TempDir large, small;
    const std::string big = makeLargeIso(large, 3 * kGiB);
    const std::string game = makeGameIso(small, 3 << 20, 5);
    ASSERT_FALSE(big.empty() || game.empty()) << "no xorriso";

    run([&](WindowDriver& d) {
        d.chooseImage(big);  // the image names the game, and cannot fit on a CD
        EXPECT_EQ(d.gui([] { return gameNameEdit()->text(); }).toStdString(),
                  std::filesystem::path(big).stem().string());
        EXPECT_EQ(d.gui([] { return mainWindow()->mediaCombo->currentText(); }), "DVD");
        // The drive of the running system comes last; installing onto it asks
        // first, and Enter answers No.
        const auto lastDrive = [] {
            DropDownList* drives = mainWindow()->driveCombo;
            return drives->itemText(drives->count() - 1);
        };
        if (d.gui(lastDrive) == "/") {
            d.click([] { return mainWindow()->driveCombo; });
            d.waitFor("the Hard Drive list",
                      [] { return mainWindow()->driveCombo->view()->isVisible(); });
            d.key("End");
            d.key("Return");
            d.waitFor("the system's drive",
                      [] { return mainWindow()->driveCombo->currentText() == "/"; });
            d.startInstall();
            d.expectBox("The drive / is not a USB drive: it holds the running system.", true);
            d.screenshot("system-drive-question");
            d.answer("Return");
            d.waitFor("the window back, no install",
                      [] { return !mainWindow()->jobRunning() && mainWindow()->isEnabled(); });
        }
        d.chooseHardDrive(drive.mountPoint);
        d.setGameName("Big Game");
        d.startInstall();
        d.waitFor("the copy under way",
                  [&] { return progressShows() && !partFiles(drive.root()).empty(); });
        d.expectInFront(progress(), "the progress window");
        // The game by its name with its figures, the speed and the time left,
        // never a part file's name.
        d.waitFor("the figures", [] {
            const QString line = progressWindow("Install")->textLine->text();
            return line.startsWith("Installing Big Game: ") && line.endsWith(" left");
        });
        d.screenshot("install-progress");
        // Cancel hides the window and gives the main window back at once;
        // until the install has removed what it wrote, the status line says so.
        d.click([] { return progressWindow("Install")->button; });
        d.waitFor("the main window back",
                  [] { return !progressShows() && mainWindow()->isEnabled(); });
        if (d.gui([] {
                return mainWindow()->jobRunning() &&
                       mainWindow()->statusLine->text() == QString::fromUtf8(kCancellingText);
            }))
            d.screenshot("install-cancelling");
        d.expectInFront(mainWindow, "the main window");
        d.waitFor("the install to end", [] { return !mainWindow()->jobRunning(); });
        EXPECT_TRUE(partFiles(drive.root()).empty());

        d.chooseImage(game);
        d.setGameName("My Game");
        d.startInstall();
        d.waitFor("the install done", [] {
            return progressShows() && progressWindow("Install")->button->text() == "OK";
        });
        d.expectInFront(progress(), "the finished progress window");
        const QString done = d.gui([] { return progressWindow("Install")->textLine->text(); });
        EXPECT_TRUE(done.startsWith("Installed My Game: ") && done.contains(" MB in "))
            << done.toStdString();
        d.screenshot("install-done");
        d.click([] { return progressWindow("Install")->button; });
        d.waitFor("the main window back",
                  [] { return !progressShows() && mainWindow()->isEnabled(); });
        d.expectInFront(mainWindow, "the main window");
        EXPECT_EQ(d.listed(), QStringList{"My Game"});
        d.setGameName("Next Game");  // typing reaches the window again
        d.closeMainWindow();
    });
    EXPECT_NE(listing(drive.root()).find("My Game"), std::string::npos);
    EXPECT_EQ(listing(drive.root()).find("Big Game"), std::string::npos);
    EXPECT_TRUE(sound(drive.root()));
}

// Three images chosen together in the file dialog: one replace question
// before the first game, one progress window that says which game of three
// it copies, one box with each outcome, and the three games on the drive.
TEST_F(WindowFlows, AQueueOfImagesChosenTogetherInstallsEachAfterItsQuestions) {
    LoopDrive drive(2 * kGiB);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    addGame(drive.root(), "Queue Two", "SLUS_201.02", {2048});
    TempDir shelf, one, two, three;
    const std::vector<std::pair<std::string, std::string>> made = {
        {"Queue One.iso", makeLargeIso(one, 1500 << 20)},
        {"Queue Two.iso", makeGameIso(two, 2 << 20, 7)},
        {"Queue Three.iso", makeGameIso(three, 3 << 20, 9)}};
    std::vector<std::string> names;
    for (const auto& [name, iso] : made) {
        ASSERT_FALSE(iso.empty()) << "no xorriso";
        std::filesystem::rename(iso, shelf.file(name));
        names.push_back(name);
    }

    run([&](WindowDriver& d) {
        d.chooseHardDrive(drive.mountPoint);
        d.chooseImages(shelf.root(), names);
        EXPECT_FALSE(d.gui([] { return gameNameEdit()->isEnabled(); }));
        d.startInstall();
        d.expectBox("File Queue Two already exist,Continue?");
        d.answer("y");
        // The line with the time the queue has left wraps, and shows whole.
        d.waitFor("the queue's first game with its figures", [] {
            ProgressDialog* window = progressWindow("Install");
            return window != nullptr && window->isVisible() &&
                   window->textLine->text().startsWith("Game 1 of 3: Installing Queue One: ") &&
                   window->textLine->text().endsWith(" for the queue)");
        });
        EXPECT_TRUE(d.gui([] {
            QLabel* line = progressWindow("Install")->textLine;
            return line->height() >= line->heightForWidth(line->width());
        }));
        d.screenshot("queue-progress");
        d.expectBox("The queue has ended: 3 of 3 games installed.", true);
        const QString summary = d.gui([] { return openBox()->text(); });
        EXPECT_TRUE(summary.contains("Queue Two (Queue Two.iso): replaced"))
            << summary.toStdString();
        d.screenshot("queue-end");
        d.answer("Return");
        d.waitFor("the main window back", [] { return mainWindow()->isEnabled(); });
        QStringList listed = d.listed();
        listed.sort();
        EXPECT_EQ(listed, QStringList({"Queue One", "Queue Three", "Queue Two"}));
        d.closeMainWindow();
    });
    EXPECT_TRUE(sound(drive.root()));
}

TEST_F(WindowFlows, AJobsBoxIsInFrontAndClosingDuringAnInstallAsksFirst) {
    LoopDrive drive(6 * kGiB);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    TempDir large;
    const std::string big = makeLargeIso(large, 3 * kGiB);
    ASSERT_FALSE(big.empty()) << "no xorriso";
    const std::string filler = drive.root() + "filler";

    run([&](WindowDriver& d) {
        d.chooseHardDrive(drive.mountPoint);
        d.chooseImage(big);
        d.setGameName("Big Game");
        d.startInstall();
        d.waitFor("the copy under way",
                  [&] { return progressShows() && !partFiles(drive.root()).empty(); });
        // Another program fills the drive while the install copies: the
        // install's box comes while its progress window shows.
        if (!fillDrive(filler))
            d.fail("the drive could not be filled");
        d.expectBox("Cannot write", true);
        EXPECT_TRUE(d.gui([] { return progressShows(); }));
        d.screenshot("job-box-over-progress");
        d.answer("Return");
        d.waitFor("the failed install to end", [] {
            return !mainWindow()->jobRunning() && !progressShows() && mainWindow()->isEnabled();
        });
        EXPECT_TRUE(partFiles(drive.root()).empty());
        std::filesystem::remove(filler);

        // Closing while the install copies asks first, in front of everything.
        d.startInstall();
        d.waitFor("the copy under way",
                  [&] { return progressShows() && !partFiles(drive.root()).empty(); });
        d.closeMainWindow();
        d.expectBox("The job is not complete,Exit?");
        d.screenshot("close-question");
        d.key("y");  // the program ends once the install has stopped
    });
    EXPECT_TRUE(partFiles(drive.root()).empty());
    EXPECT_EQ(listing(drive.root()).find("Big Game"), std::string::npos);
    EXPECT_TRUE(sound(drive.root()));
}

// The chosen drive unmounted (as a file manager's eject does) before "Start"
// and during an install: nothing goes into the folder it leaves on the
// system's disk, and the box says why.
TEST_F(WindowFlows, AnUnmountedDriveIsRefusedAtStartAndStopsAnInstall) {
    LoopDrive drive(6 * kGiB);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    TempDir large, small;
    const std::string big = makeLargeIso(large, 3 * kGiB);
    const std::string game = makeGameIso(small, 3 << 20, 5);
    ASSERT_FALSE(big.empty() || game.empty()) << "no xorriso";
    const auto folderEmpty = [&] { return std::filesystem::is_empty(drive.mountPoint); };
    const auto unmount = [&] { return runShell("umount -l " + shellQuoted(drive.mountPoint)); };
    const auto mountAgain = [&] {
        return runShell("mount -t ext4 " + drive.device + " " + shellQuoted(drive.mountPoint));
    };

    run([&](WindowDriver& d) {
        d.chooseHardDrive(drive.mountPoint);
        d.chooseImage(game);
        d.setGameName("My Game");
        if (unmount().status != 0)
            d.fail("the drive could not be unmounted");
        // Said after "Start Install?".
        d.startInstall();
        d.expectBox(driveGoneText(drive.root()));
        d.screenshot("unmounted-before-start");
        d.answer("Return");
        d.waitFor("the drive gone from the list", [&] {
            return mainWindow()->driveCombo->findText(QString::fromStdString(drive.mountPoint)) < 0;
        });
        EXPECT_TRUE(folderEmpty());

        if (mountAgain().status != 0)
            d.fail("the drive could not be mounted again");
        d.chooseHardDrive(drive.mountPoint);
        d.chooseImage(big);
        d.setGameName("Big Game");
        d.startInstall();
        d.waitFor("the copy under way",
                  [&] { return progressShows() && !partFiles(drive.root()).empty(); });
        if (unmount().status != 0)
            d.fail("the drive could not be unmounted");
        // The install's next write may find the drive gone before the
        // window's watch does: its own box comes first then.
        d.waitFor("a box", [] { return openBox() != nullptr; });
        if (d.gui([] { return openBox()->text().startsWith("Cannot write data!"); })) {
            d.screenshot("unmounted-during-install-write");
            d.answer("Return");
        }
        d.waitFor("the drive's box", [&] {
            return openBox() != nullptr &&
                   openBox()->text().startsWith(QString::fromStdString(
                       "The drive " + drive.root() + " was unmounted during the install"));
        });
        EXPECT_TRUE(d.gui([] { return openBox()->text().contains("\"Check Drive\""); }));
        d.screenshot("unmounted-during-install");
        d.answer("Return");
        d.waitFor("the window back", [] {
            return !mainWindow()->jobRunning() && !progressShows() && mainWindow()->isEnabled();
        });
        d.closeMainWindow();
    });
    EXPECT_TRUE(folderEmpty());  // nothing landed on the system's disk
    ASSERT_EQ(mountAgain().status, 0);
    EXPECT_EQ(listing(drive.root()).find("Big Game"), std::string::npos);
}

// Another program holds the drive while the window lists it again: the list
// keeps its games, the status line says the drive is busy, and once the
// holder has ended the list is read again by itself.
TEST_F(WindowFlows, ABusyDriveKeepsItsListUntilItIsReadAgain) {
    LoopDrive drive(300 << 20);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    addGame(drive.root(), "My Game", "SLUS_209.46", {4096});
    const auto statusText = [] { return mainWindow()->statusLine->text().toStdString(); };

    run([&](WindowDriver& d) {
        d.chooseHardDrive(drive.mountPoint);
        d.waitFor("the game listed", [] { return listedGames() == QStringList{"My Game"}; });
        // The drive is held by another thread, as by another program, until told.
        const platform::DriveLockRequest request{drive.root(), platform::DriveLockMode::Exclusive};
        std::atomic<int> held{0};  // 1 held, -1 not held
        std::atomic<bool> letGo{false};
        std::thread holder([&] {
            platform::DriveLockAttempt lock = platform::tryLockDrives({&request, 1});
            held = lock.status == platform::DriveLockStatus::Locked ? 1 : -1;
            while (!letGo)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        while (held == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        struct Release {
            std::atomic<bool>& letGo;
            std::thread& holder;
            ~Release() {
                letGo = true;
                holder.join();
            }
        } release{letGo, holder};
        if (held != 1)
            d.fail("the drive could not be held");
        d.chooseHardDrive(drive.mountPoint);  // a confirmed choice lists again
        d.waitFor("the busy drive said", [&] { return statusText() == kDriveBusyText; });
        EXPECT_EQ(d.listed(), QStringList{"My Game"});
        d.screenshot("busy-drive-keeps-list");
        letGo = true;
        d.waitFor("the list read again", [&] { return statusText().rfind("Disk Size:", 0) == 0; });
        EXPECT_EQ(d.listed(), QStringList{"My Game"});
        d.closeMainWindow();
    });
}

// Two windows of the program on one drive: what another program installed
// while this window was in the back shows, with the free size, once it is
// activated again.
TEST_F(WindowFlows, AnotherProgramsInstallShowsWhenTheWindowIsActivatedAgain) {
    LoopDrive drive(300 << 20);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    addGame(drive.root(), "Mid Game", "SLUS_201.02", {4096});
    TempDir small;
    const std::string game = makeGameIso(small, 24 << 20, 5);
    ASSERT_FALSE(game.empty()) << "no xorriso";
    const auto status = [] { return mainWindow()->statusLine->text(); };

    run([&](WindowDriver& d) {
        d.chooseHardDrive(drive.mountPoint);
        d.waitFor("the game listed", [] { return listedGames() == QStringList{"Mid Game"}; });
        const QString before = d.gui(status);
        ShippedProgram other(x11Display(), "");
        d.waitFor("the other window in front", [] { return !mainWindow()->isActiveWindow(); });
        const ToolRun install =
            runTool("zt_install", "--yes " + shellQuoted(game) + " " + shellQuoted(drive.root()) +
                                      " 'Big One' CD");
        EXPECT_EQ(install.status, 0) << install.out;
        EXPECT_EQ(d.listed(), QStringList{"Mid Game"});  // in the back, not read yet
        d.chord({"Alt_L", "Tab"});
        d.waitFor("this window active again", [] { return mainWindow()->isActiveWindow(); });
        d.waitFor("the other program's game listed", [] {
            QStringList games = listedGames();
            games.sort();
            return games == QStringList({"Big One", "Mid Game"});
        });
        EXPECT_NE(d.gui(status), before);  // the free size went down
        d.screenshot("activated-again-lists-anew");
        d.closeMainWindow();
    });
}

TEST_F(WindowFlows, DeleteRenameAndCopyFromTheContextMenu) {
    LoopDrive a(6 * kGiB), b(6 * kGiB);
    ASSERT_TRUE(a.error.empty() && b.error.empty()) << a.error << b.error;
    addGame(a.root(), "Big Game", "SLUS_200.01", {kGiB, kGiB, kGiB / 2});
    addGame(a.root(), "My Game", "SLUS_209.46", {5000, 3000});
    addGame(a.root(), "Old Game", "SLUS_201.02", {2048});
    // A stray file where the first part of "My Game" renamed to "Other" would go.
    const std::string blocker =
        *partFilePath(partPrefix(a.root(), gameNameHash("Other"), "SLUS_209.46"), 0);
    writeBytes(blocker, {1});

    run([&](WindowDriver& d) {
        d.chooseHardDrive(a.mountPoint);
        // A copy cancelled in its own progress window.
        d.openContextMenu("Big Game");
        d.screenshot("context-menu");
        d.chooseFromMenu("Copy...");
        d.chooseDrive(b.mountPoint);
        d.waitFor("the copy under way",
                  [&] { return progressShows("copy") && !partFiles(b.root()).empty(); });
        d.expectInFront(progress("copy"), "the copy's progress window");
        d.screenshot("copy-progress");
        d.click([] { return progressWindow("copy")->button; });
        d.expectBox("The copy of game Big Game was cancelled", true);
        d.answer("Return");
        d.waitFor("the copy to end", [] { return !mainWindow()->jobRunning(); });
        EXPECT_TRUE(partFiles(b.root()).empty());

        // A rename that meets a file in the way, then one that goes through.
        d.openContextMenu("My Game");
        d.chooseFromMenu("Rename");
        d.waitForDialog("rename");
        d.type("Other");
        d.key("Return");
        d.expectBox("The file already exist!");
        d.screenshot("rename-file-exists");
        d.answer("Return");
        d.openContextMenu("My Game");
        d.chooseFromMenu("Rename");
        d.waitForDialog("rename");
        d.type("Your Game");
        d.key("Return");
        d.waitFor("the new name listed", [] { return listedGames().contains("Your Game"); });

        // A copy that goes through, and a delete.
        d.openContextMenu("Your Game");
        d.chooseFromMenu("Copy...");
        d.chooseDrive(b.mountPoint);
        d.waitFor("the copy to end", [] { return !mainWindow()->jobRunning(); });
        d.openContextMenu("Old Game");
        d.chooseFromMenu("Delete");
        d.expectBox("Delete Game Old Game?");
        d.screenshot("delete-question");
        d.answer("y");
        d.waitFor("the game gone from the list", [] {
            return listedGames() == QStringList({"Big Game", "Your Game"});
        });
        d.closeMainWindow();
    });
    const std::string log = slurp(WindowLog::defaultPath());
    EXPECT_NE(log.find("The file already exist! " + blocker), std::string::npos) << log;
    std::filesystem::remove(blocker);
    EXPECT_NE(listing(a.root()).find("Your Game"), std::string::npos);
    EXPECT_EQ(listing(a.root()).find("Old Game"), std::string::npos);
    EXPECT_NE(listing(b.root()).find("Your Game"), std::string::npos);
    EXPECT_EQ(listing(b.root()).find("Big Game"), std::string::npos);
    EXPECT_TRUE(sound(a.root()));
    EXPECT_TRUE(sound(b.root()));
}

TEST_F(WindowFlows, FormatAndOkFromTheDiskFormatPage) {
    LoopDrive drive(300 << 20, true);
    ASSERT_TRUE(drive.error.empty()) << drive.error;

    run([&](WindowDriver& d) {
        const QPoint tab = d.gui([] {
            QTabBar* bar = mainWindow()->tabs->tabBar();
            return bar->mapToGlobal(bar->tabRect(1).center());
        });
        d.clickAt(tab);
        d.waitFor("the Disk Format page", [] { return mainWindow()->formatButton->isVisible(); });
        d.click([] { return mainWindow()->formatButton; });
        d.chooseDrive(drive.mountPoint);
        d.expectBox(formatWarningText(drive.device));
        d.answer("y");
        // No UDisks2 answers on this test's bus: a box from the job says that
        // the drive is not mounted again, in front of the progress window.
        d.expectBox("The drive was formatted, but it could not be mounted again:", true);
        EXPECT_TRUE(d.gui([] { return progressShows(); }));
        d.screenshot("format-not-mounted-box");
        d.answer("Return");
        d.waitFor("the format done",
                  [] { return progressWindow("Install")->button->text() == "OK"; });
        d.expectInFront(progress(), "the finished progress window");
        d.screenshot("format-done");
        d.click([] { return progressWindow("Install")->button; });
        d.waitFor("the main window back",
                  [] { return !progressShows() && mainWindow()->isEnabled(); });
        d.expectInFront(mainWindow, "the main window");
        d.closeMainWindow();
    });
    // The partition holds a FAT32 volume.
    ToolRun dir = runShell("mdir -i " + shellQuoted(drive.image() + "@@1048576") + " ::");
    EXPECT_EQ(dir.status, 0) << dir.err;
}

// A mounted disk without a partition table: before anything is unmounted the
// window offers to initialise it, in one question with No as its default;
// Enter answers No and the drive stays mounted.
TEST_F(WindowFlows, FormatOfADiskWithoutPartitionsAsksToInitialiseAndNoKeepsItMounted) {
    LoopDrive drive(300 << 20);
    ASSERT_TRUE(drive.error.empty()) << drive.error;

    run([&](WindowDriver& d) {
        openFormatDialog(d);
        d.chooseDrive(drive.mountPoint);
        d.expectBox("The drive has no partitions?\n\nInitialise the disk " + drive.device +
                    " (300 MB, Disk image drive.img) with a new partition table and format "
                    "it as FAT32?\nThis erases ALL data on the disk: its partition table and "
                    "every file on it, the drive mounted at " +
                    drive.mountPoint + " included.");
        d.screenshot("format-init-offered");
        d.answer("Return");
        d.waitFor("the window back", [] {
            return !mainWindow()->jobRunning() && !progressShows() && mainWindow()->isEnabled();
        });
        d.closeMainWindow();
    });
    EXPECT_TRUE(platform::mountedAt(drive.mountPoint, drive.device));
}

// A mounted disk too small for FAT32 is refused with the reason before any
// question: nothing is erased and it stays mounted with its files.
TEST_F(WindowFlows, ADiskTooSmallForFat32IsRefusedBeforeAnyQuestionAndStaysMounted) {
    LoopDrive drive(16 << 20);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    const std::string kept = drive.mountPoint + "/kept.txt";
    std::ofstream(kept) << "the person's file";

    run([&](WindowDriver& d) {
        openFormatDialog(d);
        d.chooseDrive(drive.mountPoint);
        d.expectBox("FormatFAT32 -> Disk is too small for Fat32 - Fat 12/16 format is needed!",
                    true);
        d.screenshot("format-too-small");
        d.answer("Return");
        d.waitFor("the window back", [] {
            return !mainWindow()->jobRunning() && !progressShows() && mainWindow()->isEnabled();
        });
        d.closeMainWindow();
    });
    EXPECT_TRUE(platform::mountedAt(drive.mountPoint, drive.device));
    EXPECT_TRUE(std::filesystem::exists(kept));
}

// A format that fails after the unmount (the device refuses its first write)
// mounts the drive again where it was, with its files, and the box says why
// and where before "Format Failed!!".
TEST_F(WindowFlows, AFailedFormatMountsTheDriveBackWhereItWas) {
    LoopDrive drive(300 << 20, true);
    ASSERT_TRUE(drive.error.empty()) << drive.error;
    writeBytes(drive.root() + "kept.txt", {'k'});
    ScopedFault failingDevice(failing(platform::FileOp::Write, drive.device));
    // Mounted again with the options it had, none added.
    const auto optionsNow = [&] {
        for (const platform::MountedVolume& volume : platform::mountedVolumes()) {
            if (volume.device == drive.device)
                return volume.options;
        }
        return std::string("not mounted");
    };
    const std::string before = optionsNow();

    run([&](WindowDriver& d) {
        openFormatDialog(d);
        d.chooseDrive(drive.mountPoint);
        d.expectBox(formatWarningText(drive.device));
        d.answer("y");
        d.expectBox(
            "WriteBPB: Cannot write backup BPB\nUnable to write BPB\nCannot format "
            "partition\nThe drive is mounted again at " +
            drive.mountPoint + ".");
        EXPECT_TRUE(platform::mountedAt(drive.mountPoint, drive.device));
        d.screenshot("format-failed-mounted-back");
        d.answer("Return");
        d.expectBox("Format Failed!!");
        d.answer("Return");
        d.waitFor("the window back", [] {
            return !mainWindow()->jobRunning() && !progressShows() && mainWindow()->isEnabled();
        });
        d.closeMainWindow();
    });
    EXPECT_TRUE(platform::mountedAt(drive.mountPoint, drive.device));
    EXPECT_EQ(optionsNow(), before);
    EXPECT_TRUE(std::filesystem::exists(drive.root() + "kept.txt"));
}

// A new disk (a blank disk image on a loop device of its own, mounted
// nowhere) is listed with its size, initialised after the one question, and
// formatted: its partition at byte 8192 holds FAT32.
TEST_F(WindowFlows, ABlankDiskNotMountedIsInitialisedAndFormatted) {
    TempDir dir;
    const std::string image = dir.file("blank.img");
    writeBytes(image, {});
    std::filesystem::resize_file(image, 300 << 20);
    ToolRun attached = runShell("losetup --find --show " + shellQuoted(image));
    ASSERT_EQ(attached.status, 0) << attached.err;
    const std::string device = attached.out.substr(0, attached.out.find('\n'));
    const std::string name = device.substr(device.rfind('/') + 1);

    run([&](WindowDriver& d) {
        openFormatDialog(d);
        d.waitForDialog(QStringLiteral("Drive"));
        const QString row = QString::fromStdString(name + " 300 MB");
        const QString about =
            QString::fromStdString(device + ", 300 MB, Disk image blank.img, not mounted");
        d.waitFor("the disk listed with its size and model", [row, about] {
            auto* list =
                qobject_cast<QListWidget*>(controlById(QApplication::activeModalWidget(), 1019));
            const QList<QListWidgetItem*> found = list != nullptr
                                                      ? list->findItems(row, Qt::MatchExactly)
                                                      : QList<QListWidgetItem*>();
            return found.size() == 1 && found.front()->toolTip() == about;
        });
        d.screenshot("format-drive-dialog-blank-disk");
        d.chooseDrive(name + " ");
        d.expectBox("The drive has no partitions?\n\nInitialise the disk " + device +
                    " (300 MB, Disk image blank.img) with a new partition table and format it "
                    "as FAT32?\nThis erases ALL data on the disk: its partition table and every "
                    "file on it.");
        d.screenshot("format-init-blank-disk-question");
        d.answer("y");
        // No UDisks2 answers on this test's bus: the new partition is not mounted.
        d.expectBox("The drive was formatted, but it could not be mounted again:", true);
        d.answer("Return");
        d.waitFor("the format done",
                  [] { return progressWindow("Install")->button->text() == "OK"; });
        d.screenshot("format-blank-disk-done");
        d.click([] { return progressWindow("Install")->button; });
        d.waitFor("the main window back",
                  [] { return !progressShows() && mainWindow()->isEnabled(); });
        d.closeMainWindow();
    });
    runShell("losetup -d " + device);
    ToolRun dirList = runShell("mdir -i " + shellQuoted(image + "@@8192") + " ::");
    EXPECT_EQ(dirList.status, 0) << dirList.err;
}
