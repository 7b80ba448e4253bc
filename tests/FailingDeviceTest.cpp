// Install and copy onto a drive that runs out of room for real: ext4 on a
// loop device whose image lies on a small tmpfs, so that the device promises
// more than it holds and its writes fail part-way, as a failing drive's do.
// The drive must be left as it was, with a clear message and exit status 1.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "GameDrive.h"
#include "GameIso.h"
#include "LoopDrive.h"
#include "ToolRun.h"
#include "store/ChangeIntent.h"

using namespace store;

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// Every file of the drive with its bytes.
std::map<std::string, std::vector<std::uint8_t>> contentsOf(const std::string& root) {
    std::map<std::string, std::vector<std::uint8_t>> all;
    for (const auto& item : std::filesystem::directory_iterator(root)) {
        if (item.is_regular_file())
            all[item.path().filename().string()] = readBytes(item.path().string());
    }
    return all;
}

// The drive's files but an intent that announced only the new game: a
// device that failed may no longer let it go, and the next command that
// opens the drive undoes it to nothing.
std::map<std::string, std::vector<std::uint8_t>> changedBy(const std::string& root) {
    auto all = contentsOf(root);
    auto intent = all.find(kIntentName);
    if (intent != all.end()) {
        const std::optional<ChangeIntent> announced = decodeIntent(intent->second);
        if (announced && announced->before.empty())
            all.erase(intent);
    }
    return all;
}

}  // namespace

TEST(FailingDeviceTest, InstallAndCopyOntoADriveThatRunsOutOfRoom) {
    if (!haveProgram("xorriso"))
        GTEST_SKIP() << "no xorriso";
    // 256 MiB promised, 40 MiB held; the file system's own blocks are written
    // at once, so that only the games' data finds no room. Freed blocks are
    // given back to the tmpfs (discard), so each command meets the same room.
    LoopDrive drive(256 * kMiB, "mkfs.ext4 -q -F -N 64 -E lazy_itable_init=0,lazy_journal_init=0",
                    40 * kMiB, "discard");
    if (!drive.ready())
        GTEST_SKIP() << drive.why;
    const std::string root = drive.root();
    writeTableFile(tablePath(root), std::vector<GameEntry>{gameRecord("Old", "OLDG_000.01", 1)});
    writeBytes(*partFilePath(partPrefix(root, gameNameHash("Old"), "OLDG_000.01"), 0),
               std::vector<std::uint8_t>(4096, 'o'));
    ASSERT_EQ(runShell("sync -f " + shellQuoted(root)).status, 0);
    const auto before = contentsOf(root);

    TempDir work;
    const std::string iso = makeGameIso(work, 64 * kMiB, 5, "DATA.BIN");
    ASSERT_FALSE(iso.empty());
    GameDrive source;
    source.addGame("Copied", "COPY_000.01", {64 * kMiB});
    const struct {
        const char* what;
        std::string tool, arguments;
    } commands[] = {
        {"install", "zt_install",
         "--yes " + shellQuoted(iso) + " " + shellQuoted(root) + " New DVD"},
        {"copy", "zt_games", "copy " + shellQuoted(source.root()) + " Copied " + shellQuoted(root)},
    };
    for (const auto& command : commands) {
        ToolRun run = runTool(command.tool, command.arguments);
        EXPECT_EQ(run.status, 1) << command.what << ": " << run.err;
        // The device's own reason reaches the user.
        EXPECT_TRUE(run.err.find(std::strerror(EIO)) != std::string::npos ||
                    run.err.find(std::strerror(ENOSPC)) != std::string::npos)
            << command.what << ": " << run.err;
        EXPECT_EQ(changedBy(root), before) << command.what << ": " << run.err;
    }
}
