// Two commands at once on one drive, each a tool in its own process, round
// after round on real file systems. After every round each record has all
// its parts, no file is left that no record owns, and every tool that
// reported success did what it said.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "GameIso.h"
#include "MountedDrive.h"
#include "ToolRun.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

using namespace store;

namespace {

constexpr int kRounds = 16;

std::string tool(const std::string& name) {
    return shellQuoted(std::string(ZT_BIN_DIR) + "/" + name);
}

// The names the drive's table lists, in order, once the rule of the drive
// holds; otherwise a failure that says what broke it.
::testing::AssertionResult listedWhole(const std::string& root, std::vector<std::string>& names) {
    names.clear();
    TableContents table = readTableFile(tablePath(root));
    if (table.exists && !table.opened)
        return ::testing::AssertionFailure() << "unreadable table";
    std::set<std::string> owned{tablePath(root)};
    for (const GameEntry& record : table.records) {
        names.push_back(record.DisplayName());
        PartFiles files = partFilesOf(root, record);
        if (!files.valid)
            return ::testing::AssertionFailure() << record.DisplayName() << ": damaged record";
        for (const std::string& path : files.paths) {
            std::error_code error;
            if (std::filesystem::file_size(path, error) == 0 || error)
                return ::testing::AssertionFailure() << path << ": missing part";
            owned.insert(path);
        }
    }
    for (const auto& file : std::filesystem::directory_iterator(root)) {
        if (owned.count(file.path().string()) == 0)
            return ::testing::AssertionFailure() << file.path() << ": owned by no record";
    }
    return ::testing::AssertionSuccess();
}

void emptyFolder(const std::string& root) {
    for (const auto& file : std::filesystem::directory_iterator(root))
        std::filesystem::remove(file.path());
}

void copyFolder(const std::string& from, const std::string& to) {
    emptyFolder(to);
    for (const auto& file : std::filesystem::directory_iterator(from))
        std::filesystem::copy_file(file.path(), to + file.path().filename().string());
}

class ConcurrentWritersTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        if (!haveProgram("xorriso"))
            GTEST_SKIP() << "no xorriso";
        mount = std::make_unique<MountedDrive>(GetParam());
        if (!mount->mounted())
            GTEST_SKIP() << mount->problem;
        iso = makeGameIso(work, 256 << 10, 3);
        ASSERT_FALSE(iso.empty());
        drive = mount->folder("drive");
        second = mount->folder("second");
        saved = mount->folder("saved");
    }

    // Runs both commands at once, the second a little later from round to
    // round, so that its steps meet every step of the first; their exit
    // statuses, and what they said.
    std::pair<int, int> runBoth(int round, const std::string& first, const std::string& other) {
        const std::string a = work.file("a"), b = work.file("b");
        const std::string later = "sleep 0.0" + std::to_string(round % 6 * 8 / 10) +
                                  std::to_string(round % 6 * 8 % 10) + "; ";
        runShell("(" + first + " >/dev/null 2>" + a + ".err; echo $? >" + a + ") & (" + later +
                 other + " >/dev/null 2>" + b + ".err; echo $? >" + b + ") & wait");
        said = slurp(a + ".err") + slurp(b + ".err");
        return {std::stoi("0" + slurp(a)), std::stoi("0" + slurp(b))};
    }

    std::string install(const std::string& root, const std::string& name) {
        return tool("zt_install") + " --yes " + shellQuoted(iso) + " " + shellQuoted(root) + " " +
               shellQuoted(name) + " CD";
    }
    std::string games(const std::string& arguments) {
        return tool("zt_games") + " --yes " + arguments;
    }

    // Installs `name` once and keeps the drive as it is then, to start each round from.
    void prepare(const std::string& name) {
        ASSERT_EQ(runShell(install(drive, name)).status, 0);
        copyFolder(drive, saved);
    }

    TempDir work;
    std::unique_ptr<MountedDrive> mount;
    std::string iso, drive, second, saved, said;
};

}  // namespace

TEST_P(ConcurrentWritersTest, TwoInstallsBothLand) {
    std::vector<std::string> names;
    for (int round = 0; round < kRounds; ++round) {
        emptyFolder(drive);
        auto [a, b] = runBoth(round, install(drive, "Game A"), install(drive, "Game B"));
        ASSERT_TRUE(listedWhole(drive, names)) << "round " << round << "\n" << said;
        ASSERT_EQ(a + b, 0) << said;
        std::sort(names.begin(), names.end());
        ASSERT_EQ(names, (std::vector<std::string>{"Game A", "Game B"})) << "round " << round;
    }
}

TEST_P(ConcurrentWritersTest, AnInstallBesideADeletion) {
    prepare("Old");
    std::vector<std::string> names;
    for (int round = 0; round < kRounds; ++round) {
        copyFolder(saved, drive);
        auto [a, b] =
            runBoth(round, install(drive, "New"), games("delete " + shellQuoted(drive) + " Old"));
        ASSERT_TRUE(listedWhole(drive, names)) << "round " << round << "\n" << said;
        ASSERT_EQ(a + b, 0) << said;
        ASSERT_EQ(names, std::vector<std::string>{"New"}) << "round " << round;
    }
}

TEST_P(ConcurrentWritersTest, ARenameOnTheDriveACopyGoesTo) {
    prepare("Game");
    ASSERT_EQ(runShell(install(second, "Old")).status, 0);
    const std::string savedSecond = mount->folder("saved-second");
    copyFolder(second, savedSecond);
    std::vector<std::string> names, copied;
    for (int round = 0; round < kRounds; ++round) {
        copyFolder(savedSecond, second);
        auto [renamed, copy] =
            runBoth(round, games("rename " + shellQuoted(second) + " Old New"),
                    games("copy " + shellQuoted(drive) + " Game " + shellQuoted(second)));
        ASSERT_TRUE(listedWhole(drive, names)) << "round " << round << "\n" << said;
        ASSERT_TRUE(listedWhole(second, copied)) << "round " << round << "\n" << said;
        ASSERT_EQ(renamed + copy, 0) << said;
        std::sort(copied.begin(), copied.end());
        ASSERT_EQ(copied, (std::vector<std::string>{"Game", "New"})) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, ConcurrentWritersTest, ::testing::Values("ext4", "tmpfs"),
                         [](const auto& info) { return std::string(info.param); });
