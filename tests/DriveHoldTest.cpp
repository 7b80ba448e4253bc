// A drive unmounted under a job leaves its mount point behind as a plain
// folder of the system's drive: the job writes nothing more, there or
// anywhere. The drive is ext4 on a loop device, unmounted lazily (as a file
// manager's eject that finds it busy does) at one of the job's own steps.
#include <gtest/gtest.h>

#include <filesystem>

#include "FakeDisc.h"
#include "GameDrive.h"
#include "LoopDrive.h"
#include "ScopedFault.h"
#include "ScriptedFrontEnd.h"
#include "install/InstallCommand.h"
#include "library/GameDeletion.h"
#include "library/GameRename.h"
#include "platform/DriveIdentity.h"
#include "platform/Files.h"

using namespace install;
using namespace library;
using namespace platform;
using namespace store;
using namespace report;

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// Names what lies in `folder` now.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        names.push_back(item.path().filename().string());
    return names;
}

// Unmounts the drive lazily at the first operation of kind `op` on a path
// that ends in `suffix`, and lets the operation go on.
platform::FaultHook unmountAt(const LoopDrive& drive, platform::FileOp op, std::string suffix) {
    auto done = std::make_shared<bool>(false);
    std::string mount = drive.root();
    mount.pop_back();
    return [=](platform::FileOp seen, const std::string& path, const std::string&) {
        if (!*done && seen == op && path.ends_with(suffix)) {
            *done = true;
            runShell("umount -l " + shellQuoted(mount));
        }
        return true;
    };
}

}  // namespace

TEST(DriveHoldTest, AnUnmountedDriveIsNotTheOneChosen) {
    LoopDrive drive(64 * kMiB, "mkfs.ext4 -q -F");
    if (!drive.ready())
        GTEST_SKIP() << drive.why;
    std::optional<platform::DriveIdentity> chosen = platform::driveIdentity(drive.root());
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(platform::sameDrive(drive.root(), *chosen));
    EXPECT_NE(chosen->mount, 0u);
    std::string mount = drive.root();
    mount.pop_back();
    ASSERT_EQ(runShell("umount -l " + shellQuoted(mount)).status, 0);
    EXPECT_FALSE(platform::sameDrive(drive.root(), *chosen));
}

TEST(DriveHoldTest, AJobWritesNothingOnceItsDriveIsGone) {
    const struct {
        const char* what;
        platform::FileOp op;
        const char* suffix;  // the step at which the drive goes
    } steps[] = {
        {"first part", platform::FileOp::Open, ".00"},
        {"table", platform::FileOp::Open, ".tep"},
        {"table put in place", platform::FileOp::Rename, ".tep"},
    };
    for (const auto& step : steps) {
        LoopDrive drive(64 * kMiB, "mkfs.ext4 -q -F");
        if (!drive.ready())
            GTEST_SKIP() << drive.why;
        ScriptedFrontEnd ui;
        ui.boxes.answers = {true, true};
        FrontEnd frontEnd = ui.frontEnd();
        InstallCommand command(frontEnd, fakeOpener(makeGameDisc(700)));
        int status;
        {
            ScopedFault fault(unmountAt(drive, step.op, step.suffix));
            status = command.run({"", "fake", drive.root(), "My Game", "DVD"});
        }
        EXPECT_NE(status, 1) << step.what;
        // The mount point is a folder of the system's drive again: empty.
        EXPECT_EQ(namesIn(drive.root()), std::vector<std::string>{}) << step.what;
        ASSERT_FALSE(ui.boxes.shown.empty()) << step.what;
        EXPECT_NE(ui.boxes.shown.back().find(" is no longer the drive the command began on: "
                                             "nothing more is written"),
                  std::string::npos)
            << step.what << ": " << ui.boxes.shown.back();
    }
}

TEST(DriveHoldTest, ARenameStopsWhenItsDriveIsGone) {
    LoopDrive drive(64 * kMiB, "mkfs.ext4 -q -F");
    if (!drive.ready())
        GTEST_SKIP() << drive.why;
    const std::string id = "ABCD_123.45";
    writeTableFile(tablePath(drive.root()), std::vector<GameEntry>{gameRecord("Old", id, 2)});
    for (int i = 0; i < 2; ++i)
        writeBytes(*partFilePath(partPrefix(drive.root(), gameNameHash("Old"), id), i), {1, 2});
    ScriptedFrontEnd ui;
    RenameGameResult result;
    {
        ScopedFault fault(unmountAt(drive, platform::FileOp::Rename, ".00"));
        result = renameGame(drive.root(), "Old", "New", ui.frontEnd());
    }
    EXPECT_TRUE(result.failedAt(RenameStep::Failed));
    EXPECT_EQ(namesIn(drive.root()), std::vector<std::string>{});
}

TEST(DriveHoldTest, AHeldDriveIsReachedThroughItsRootEvenOnceUnmounted) {
    LoopDrive drive(64 * kMiB, "mkfs.ext4 -q -F");
    if (!drive.ready())
        GTEST_SKIP() << drive.why;
    writeBytes(drive.root() + "zt.cfg", {1, 2, 3});
    platform::DriveHold hold(drive.root());
    std::string mount = drive.root();
    mount.pop_back();
    ASSERT_EQ(runShell("umount -l " + shellQuoted(mount)).status, 0);
    // The name now leads into an empty folder; the held root still leads to the drive.
    EXPECT_FALSE(std::filesystem::exists(drive.root() + "zt.cfg"));
    EXPECT_EQ(platform::readRegularFileAt(drive.root() + "zt.cfg", 0, 8),
              (std::vector<std::uint8_t>{1, 2, 3}));
}

// The drive goes in the moment between the check that it is still there and
// a removal, and the folder left at its mount point holds a file of the
// removed part's name: the removal goes through the held drive's root, never
// by the path again, so that file stays.
TEST(DriveHoldTest, ARemovalAfterTheCheckActsOnTheHeldDrive) {
    LoopDrive drive(64 * kMiB, "mkfs.ext4 -q -F");
    if (!drive.ready())
        GTEST_SKIP() << drive.why;
    const std::string id = "ABCD_123.45";
    writeTableFile(tablePath(drive.root()), std::vector<GameEntry>{gameRecord("Old", id, 1)});
    const std::string part = *partFilePath(partPrefix(drive.root(), gameNameHash("Old"), id), 0);
    writeBytes(part, {1, 2});
    std::string mount = drive.root();
    mount.pop_back();
    bool gone = false;
    platform::setAllowedHook([&](platform::FileOp op, const std::string& path) {
        if (gone || op != platform::FileOp::Remove || path != part)
            return;
        gone = true;
        runShell("umount -l " + shellQuoted(mount));
        writeBytes(part, {9});  // now in the folder beneath the mount point
    });
    ScriptedFrontEnd ui;
    deleteGame(drive.root(), "Old", ui.frontEnd());
    platform::setAllowedHook({});
    ASSERT_TRUE(gone);
    EXPECT_EQ(readBytes(part), std::vector<std::uint8_t>{9});
    std::filesystem::remove(part);
}
