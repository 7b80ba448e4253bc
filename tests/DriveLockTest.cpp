// One writer per drive: the lock between processes and threads on real file
// systems, a holder that is killed, and a waiting command that is cancelled.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

#include "GameDrive.h"
#include "MountedDrive.h"
#include "ScriptedFrontEnd.h"
#include "ToolRun.h"
#include "library/GameList.h"
#include "platform/DriveLock.h"
#include "store/DriveAccess.h"

using namespace library;
using namespace platform;
using namespace store;
using namespace report;

extern char** environ;

namespace {

using platform::DriveLockMode;
using platform::DriveLockStatus;
constexpr DriveLockMode kShared = DriveLockMode::Shared;
constexpr DriveLockMode kExclusive = DriveLockMode::Exclusive;

platform::DriveLockAttempt tryLock(const std::string& root, DriveLockMode mode) {
    platform::DriveLockRequest request{root, mode};
    return platform::tryLockDrives({&request, 1});
}

// A process that takes the drive's lock and keeps it until it is killed.
pid_t holdInOtherProcess(const std::string& root, DriveLockMode mode) {
    int link[2];
    if (pipe(link) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        platform::DriveLockAttempt held = tryLock(root, mode);
        char answer = held.status == DriveLockStatus::Locked ? 'L' : 'F';
        if (write(link[1], &answer, 1) != 1 || answer != 'L')
            _exit(1);
        for (;;)
            pause();
    }
    close(link[1]);
    char answer = 0;
    const bool locked = read(link[0], &answer, 1) == 1 && answer == 'L';
    close(link[0]);
    if (!locked && pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

void killAndReap(pid_t pid, int signal = SIGKILL) {
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
}

// Runs a tool without waiting for it; its standard error goes to `err`.
pid_t startTool(const std::string& tool, std::vector<std::string> args, const std::string& err) {
    const std::string path = std::string(ZT_BIN_DIR) + "/" + tool;
    args.insert(args.begin(), path);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits until the file holds `text` or the process `pid` has ended.
bool waitForText(const std::string& file, const std::string& text, pid_t pid) {
    for (int i = 0; i < 6000; ++i) {
        if (slurp(file).find(text) != std::string::npos)
            return true;
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int exitStatusOf(pid_t pid) {
    int raw = 0;
    waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace

TEST(DriveLockTest, ProcessesExcludeEachOtherAndAKilledHolderFreesTheDrive) {
    std::vector<std::string> tried;
    for (const char* kind : {"ext4", "tmpfs", "fat32"}) {
        MountedDrive mount(kind);
        if (!mount.mounted()) {
            std::cout << "[ SKIPPED  ] " << kind << ": " << mount.problem << '\n';
            continue;
        }
        tried.push_back(kind);
        const std::string root = mount.folder("drive");
        // A writer keeps out every other holder, until it is killed.
        pid_t writer = holdInOtherProcess(root, kExclusive);
        ASSERT_GT(writer, 0) << kind;
        EXPECT_EQ(tryLock(root, kShared).status, DriveLockStatus::Busy) << kind;
        EXPECT_EQ(tryLock(root.substr(0, root.size() - 1), kExclusive).status,
                  DriveLockStatus::Busy)
            << kind;
        killAndReap(writer);
        EXPECT_EQ(tryLock(root, kExclusive).status, DriveLockStatus::Locked) << kind;
        // Readers share; a writer waits for them.
        pid_t reader = holdInOtherProcess(root, kShared);
        ASSERT_GT(reader, 0) << kind;
        EXPECT_EQ(tryLock(root, kShared).status, DriveLockStatus::Locked) << kind;
        EXPECT_EQ(tryLock(root, kExclusive).status, DriveLockStatus::Busy) << kind;
        killAndReap(reader);
        // The lock left nothing on the drive.
        EXPECT_TRUE(std::filesystem::is_empty(root)) << kind;
    }
    if (tried.empty())
        GTEST_SKIP() << "no file system could be mounted";
}

TEST(DriveLockTest, LocksNestWithinAThreadAndExcludeOtherThreads) {
    TempDir drive, other;
    auto fromOtherThread = [](const std::string& root, DriveLockMode mode) {
        DriveLockStatus status{};
        std::thread([&] { status = tryLock(root, mode).status; }).join();
        return status;
    };
    platform::DriveLockAttempt outer = tryLock(drive.root(), kExclusive);
    ASSERT_EQ(outer.status, DriveLockStatus::Locked);
    {
        // A routine called by one that holds the drive takes it again.
        platform::DriveLockAttempt inner = tryLock(drive.root(), kShared);
        EXPECT_EQ(inner.status, DriveLockStatus::Locked);
        EXPECT_EQ(tryLock(drive.path().string() + "/.", kExclusive).status,
                  DriveLockStatus::Locked);
    }
    EXPECT_EQ(fromOtherThread(drive.root(), kShared), DriveLockStatus::Busy);
    outer.lock.release();
    EXPECT_EQ(fromOtherThread(drive.root(), kShared), DriveLockStatus::Locked);

    // A reader cannot turn writer without letting others in: refused.
    platform::DriveLockAttempt reading = tryLock(drive.root(), kShared);
    platform::DriveLockAttempt writing = tryLock(drive.root(), kExclusive);
    EXPECT_EQ(writing.status, DriveLockStatus::Failed);
    EXPECT_FALSE(writing.lock.holdsAny());
    reading.lock.release();

    // Two drives at once, all or none; one drive named twice is locked once.
    platform::DriveLockAttempt busy = tryLock(other.root(), kShared);
    std::thread([&] {
        platform::DriveLockRequest both[] = {{drive.root(), kShared}, {other.root(), kExclusive}};
        EXPECT_EQ(platform::tryLockDrives(both).status, DriveLockStatus::Busy);
    }).join();
    EXPECT_EQ(fromOtherThread(drive.root(), kExclusive), DriveLockStatus::Locked);
    busy.lock.release();
    platform::DriveLockRequest same[] = {{drive.root(), kShared}, {drive.path(), kExclusive}};
    platform::DriveLockAttempt once = platform::tryLockDrives(same);
    EXPECT_EQ(once.status, DriveLockStatus::Locked);
    EXPECT_EQ(fromOtherThread(drive.root(), kShared), DriveLockStatus::Busy);

    // A root that is no folder holds nothing and keeps no one out.
    EXPECT_EQ(tryLock(drive.file("missing") + "/", kExclusive).status, DriveLockStatus::Locked);
}

namespace {

// The progress window of a routine that waits: calls `onPoll` with the number
// of times the cancel flag was read, and reports a cancel when it says so.
struct PolledProgress : ScriptedProgress {
    bool cancelRequested() const override { return onPoll(++polls); }
    bool mayWait() const override { return waits; }
    std::function<bool(int)> onPoll = [](int) { return false; };
    mutable int polls = 0;
    bool waits = true;
};

// Another thread of this program holds the drive until told to let go.
class HeldElsewhere {
  public:
    HeldElsewhere(const std::string& root, DriveLockMode mode)
        : thread_([this, root, mode] {
              platform::DriveLockAttempt lock = tryLock(root, mode);
              held = lock.status == DriveLockStatus::Locked;
              taken = true;
              while (!release)
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }) {
        while (!taken)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~HeldElsewhere() {
        release = true;
        thread_.join();
    }
    std::atomic<bool> release{false};
    std::atomic<bool> taken{false};
    std::atomic<bool> held{false};

  private:
    std::thread thread_;
};

}  // namespace

TEST(DriveLockTest, AWaitingRoutineSaysSoAndEndsWhenCancelledOrFreed) {
    TempDir drive;
    ScriptedFrontEnd ui;
    PolledProgress progress;
    FrontEnd frontEnd{ui.status, ui.boxes, progress, ui.out};
    auto holder = std::make_unique<HeldElsewhere>(drive.root(), kExclusive);
    ASSERT_TRUE(holder->held);

    progress.onPoll = [](int polls) { return polls > 3; };
    DriveAccess access = accessForReading(drive.root(), frontEnd);
    EXPECT_TRUE(access.outcome.failedAt(DriveAccessStep::Cancelled));
    EXPECT_EQ(ui.status.texts.front(), kDriveBusyText);
    EXPECT_EQ(progress.events, (std::vector<std::string>{"show", "hide"}));

    // The window's own thread does not wait at all.
    progress.waits = false;
    progress.polls = 0;
    EXPECT_TRUE(accessForChange(drive.root(), frontEnd).outcome.failedAt(DriveAccessStep::Busy));
    EXPECT_EQ(progress.polls, 0);
    EXPECT_EQ(ui.status.texts.back(), kDriveBusyText);

    // The holder lets go while the routine waits: it goes on.
    progress.waits = true;
    progress.onPoll = [&](int polls) {
        if (polls == 2)
            holder->release = true;
        return false;
    };
    access = accessForChange(drive.root(), frontEnd);
    holder.reset();
    EXPECT_TRUE(access.granted());
    EXPECT_TRUE(access.lock.holdsAny());
    EXPECT_TRUE(ui.boxes.shown.empty());
}

TEST(DriveLockTest, ToolsWaitForTheDriveAndCtrlCStopsThem) {
    GameDrive drive;
    drive.addGame("Game", "ABCD_123.45", {4096});
    TempDir scratch;
    const std::string err = scratch.file("stderr");
    // Ctrl-C while the delete waits for a reader: it ends, and the game stays.
    auto holder = std::make_unique<HeldElsewhere>(drive.root(), kShared);
    pid_t tool = startTool("zt_games", {"--yes", "delete", drive.root(), "Game"}, err);
    ASSERT_TRUE(waitForText(err, kDriveReadText, tool)) << slurp(err);
    kill(tool, SIGINT);
    EXPECT_EQ(exitStatusOf(tool), 1);
    EXPECT_NE(slurp(err).find("Cancelled while waiting"), std::string::npos) << slurp(err);
    EXPECT_EQ(readTableFile(drive.table()).records.size(), 1u);
    holder.reset();

    // A holder that is killed lets the waiting delete go on.
    pid_t other = holdInOtherProcess(drive.root(), kExclusive);
    ASSERT_GT(other, 0);
    tool = startTool("zt_games", {"--yes", "delete", drive.root(), "Game"}, err);
    ASSERT_TRUE(waitForText(err, kDriveBusyText, tool)) << slurp(err);
    killAndReap(other);
    EXPECT_EQ(exitStatusOf(tool), 0) << slurp(err);
    EXPECT_TRUE(readTableFile(drive.table()).records.empty());
}

// A window's list while another program holds its drive: the rows it shows
// stay (cleared, they would look like deleted games), and it is told to
// list again later; once the holder has ended, the list is read anew.
TEST(DriveLockTest, AListingThatCannotWaitKeepsTheRowsOfABusyDrive) {
    TempDir drive;
    struct Rows : GameListView {
        void clear() override { ++clears; }
        void appendRow(const GameRow&) override {}
        void driveBusy() override { ++busy; }
        int clears = 0, busy = 0;
    } rows;
    ScriptedFrontEnd ui;
    PolledProgress progress;
    progress.waits = false;  // the window's own thread
    FrontEnd frontEnd{ui.status, ui.boxes, progress, ui.out};
    auto holder = std::make_unique<HeldElsewhere>(drive.root(), kExclusive);
    ASSERT_TRUE(holder->held);
    refreshGameList(drive.root(), frontEnd, rows);
    EXPECT_EQ(rows.clears, 0);
    EXPECT_EQ(rows.busy, 1);
    EXPECT_EQ(ui.status.texts.back(), kDriveBusyText);
    holder.reset();
    refreshGameList(drive.root(), frontEnd, rows);
    EXPECT_EQ(rows.clears, 1);
    EXPECT_EQ(rows.busy, 1);
    EXPECT_TRUE(ui.boxes.shown.empty());
}

// Every FAT32 and tmpfs root has inode 1: two such drives are two drives.
TEST(DriveLockTest, DrivesWhoseRootsShareAnInodeNumberAreLockedApart) {
    MountedDrive a("tmpfs"), b("tmpfs");
    if (!a.mounted() || !b.mounted())
        GTEST_SKIP() << a.problem << b.problem;
    // The mount points themselves: their roots.
    const std::string rootA = a.folder(""), rootB = b.folder("");
    struct stat x {
    }, y{};
    ASSERT_EQ(::stat(rootA.c_str(), &x), 0);
    ASSERT_EQ(::stat(rootB.c_str(), &y), 0);
    ASSERT_EQ(x.st_ino, y.st_ino);
    platform::DriveLockRequest both[] = {{rootA, kExclusive}, {rootB, kExclusive}};
    platform::DriveLockAttempt held = platform::tryLockDrives(both);
    ASSERT_EQ(held.status, DriveLockStatus::Locked);
    DriveLockStatus other{};
    std::thread([&] { other = tryLock(rootB, kShared).status; }).join();
    EXPECT_EQ(other, DriveLockStatus::Busy) << "B was taken as A and left unlocked";
    held.lock.release();
    platform::DriveLockAttempt reading = tryLock(rootA, kShared);
    EXPECT_EQ(tryLock(rootB, kExclusive).status, DriveLockStatus::Locked)
        << "B was taken as A, which this thread reads";
}

// A command that waits for one of its drives holds none of them meanwhile, so
// that two copies in opposite directions do not wait for each other; and a
// lock the system refuses is never taken as granted.
TEST(DriveLockTest, AWaitHoldsNothingAndARefusalIsNoGrant) {
    TempDir a, b;
    HeldElsewhere holder(b.root(), kExclusive);
    ASSERT_TRUE(holder.held);
    ScriptedFrontEnd ui;
    PolledProgress progress;
    FrontEnd frontEnd{ui.status, ui.boxes, progress, ui.out};
    DriveLockStatus aWhileWaiting{};
    progress.onPoll = [&](int polls) {
        if (polls == 2)
            std::thread([&] { aWhileWaiting = tryLock(a.root(), kExclusive).status; }).join();
        return polls >= 2;
    };
    DriveAccess copying = accessDrives({{a.root(), kShared}, {b.root(), kExclusive}}, frontEnd);
    EXPECT_TRUE(copying.outcome.failedAt(DriveAccessStep::Cancelled));
    EXPECT_EQ(aWhileWaiting, DriveLockStatus::Locked);

    // A reader of the drive cannot become its writer: refused, said, not granted.
    platform::DriveLockAttempt reading = tryLock(a.root(), kShared);
    DriveAccess upgrade = accessForChange(a.root(), frontEnd);
    EXPECT_TRUE(upgrade.outcome.failedAt(DriveAccessStep::Lock));
    EXPECT_FALSE(upgrade.lock.holdsAny());
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("cannot be locked against other programs"), std::string::npos);
}

// Once a writer waits, a new reader waits behind it, and each wait says what
// it waits for: readers, a writer, or a writer that comes first.
TEST(DriveLockTest, ANewReaderWaitsBehindAWaitingWriter) {
    TempDir drive;
    auto reader = std::make_unique<HeldElsewhere>(drive.root(), kShared);
    ASSERT_TRUE(reader->held);
    ScriptedFrontEnd ui, late;
    PolledProgress progress, lateProgress;
    lateProgress.waits = false;
    FrontEnd frontEnd{ui.status, ui.boxes, progress, ui.out};
    FrontEnd lateFrontEnd{late.status, late.boxes, lateProgress, late.out};
    store::Outcome<DriveAccessStep> lateOutcome;
    progress.onPoll = [&](int polls) {
        if (polls == 2) {
            std::thread([&] {
                lateOutcome = accessForReading(drive.root(), lateFrontEnd).outcome;
            }).join();
            reader->release = true;
        }
        return polls > 1000;
    };
    DriveAccess writing = accessForChange(drive.root(), frontEnd);
    reader.reset();
    EXPECT_TRUE(writing.granted());
    EXPECT_EQ(ui.status.texts.front(), kDriveReadText);
    EXPECT_TRUE(lateOutcome.failedAt(DriveAccessStep::Busy));
    ASSERT_FALSE(late.status.texts.empty());
    EXPECT_EQ(late.status.texts.back(), kDriveQueuedText);
    // The writer's place went with its wait.
    writing.lock.release();
    EXPECT_EQ(tryLock(drive.root(), kShared).status, DriveLockStatus::Locked);
}
