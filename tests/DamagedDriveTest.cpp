// Drives as accidents leave them: a table cut inside its last record, an
// install stopped on a drive without games, a folder that cannot be read.
// Each is found, said, and never made worse by a command.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameDrive.h"
#include "ScopedFault.h"
#include "ScriptedFrontEnd.h"
#include "ToolRun.h"
#include "library/DriveCheck.h"
#include "library/GameList.h"
#include "library/PartFragments.h"
#include "library/StrayParts.h"

using namespace library;
using namespace store;
using namespace platform;
using namespace report;

namespace {

using Names = std::vector<std::string>;

ToolRun zt_games(const std::string& arguments) {
    return runTool("zt_games", arguments);
}

std::string quoted(const GameDrive& drive) {
    return shellQuoted(drive.root());
}

struct Rows : GameListView {
    void clear() override { names.clear(); }
    void appendRow(const GameRow& row) override { names.push_back(row.name); }
    Names names;
};

}  // namespace

// First, then Second cut short inside its record. Where the name and game ID
// are whole in the piece, check keeps the name; where not, the game is
// recovered under the usual guessed name. Until then list says so and no
// command writes the table.
TEST(TornTableTest, ListSaysSoWritersRefuseAndCheckKeepsAReadableName) {
    const struct {
        const char* what;
        std::size_t length;
        const char* recoveredAs;
    } cases[] = {
        {"cut in its last byte", 127, "Second"},
        {"cut in its game ID", 64 + 40, "Recovered SLES_123.45"},
    };
    for (const auto& c : cases) {
        GameDrive drive, other;
        drive.addDiscGame("First", "SLUS_209.46", 700);
        drive.addDiscGame("Second", "SLES_123.45", 900);
        std::vector<std::uint8_t> bytes = readBytes(drive.table());
        bytes.resize(c.length);
        writeBytes(drive.table(), bytes);
        other.addDiscGame("Third", "SCES_000.01", 500);

        ToolRun list = zt_games("list " + quoted(drive));
        EXPECT_EQ(list.status, 1) << c.what;
        EXPECT_EQ(list.out, "First\t1400\t1\tSLUS_209.46\tCD\tcomplete\n") << c.what;
        EXPECT_NE(
            list.err.find("ends in " + std::to_string(c.length - 64) + " bytes of a torn record"),
            std::string::npos)
            << c.what << list.err;
        const std::string root = quoted(drive);
        for (const std::string& writer :
             {"rename " + root + " First Fourth", "--yes delete " + root + " First",
              "--yes copy " + quoted(other) + " Third " + root}) {
            ToolRun run = zt_games(writer);
            EXPECT_EQ(run.status, 1) << c.what << writer;
            EXPECT_NE(run.err.find("torn record"), std::string::npos) << c.what << run.err;
        }
        EXPECT_EQ(readBytes(drive.table()), bytes) << c.what;

        ToolRun check = zt_games("--yes check " + root);
        EXPECT_EQ(check.status, 1) << c.what;
        EXPECT_NE(check.out.find("bytes are a torn record"), std::string::npos) << check.out;
        EXPECT_EQ(drive.names(), (Names{"First", c.recoveredAs})) << c.what << check.out;
        EXPECT_EQ(std::filesystem::file_size(drive.table()), 128u) << c.what;
        EXPECT_EQ(drive.records()[1].MediaType(), kMediaCd) << c.what;
        EXPECT_EQ(zt_games("check " + root).status, 0) << c.what;
    }
}

// An install stopped on a drive without games leaves a short part .00 and no
// table (or an empty one): the part is what is left of a copy, not a game.
// It goes; no empty table is written; the next check finds the drive sound.
TEST(TornTableTest, StoppedFirstInstallIsRemovedAndTheSecondCheckIsSound) {
    for (bool emptyTable : {false, true}) {
        GameDrive drive;
        const std::string part = drive.part("Big", "SLUS_209.46", 0);
        GameDrive::writeDiscPart(part, 561ull << 20, 772096);  // 1508 MB of disc
        if (emptyTable)
            writeBytes(drive.table(), {});
        ScriptedFrontEnd ui;
        ui.boxes.answers = {true};
        EXPECT_TRUE(
            endedAs(checkAndRepairDrive(drive.root(), ui.frontEnd()), DriveCheckKind::Repaired))
            << emptyTable << ui.out.str();
        EXPECT_NE(ui.out.str().find("makes no whole game"), std::string::npos) << ui.out.str();
        EXPECT_EQ(drive.files(), Names{}) << emptyTable;
        ScriptedFrontEnd again;
        EXPECT_TRUE(
            endedAs(checkAndRepairDrive(drive.root(), again.frontEnd()), DriveCheckKind::Sound))
            << emptyTable << again.out.str();
        EXPECT_EQ(again.out.str(), "The drive is sound; it holds no games.\n");
    }
}

// A folder read that fails, at the first read of the check or at a later one,
// makes the check a failure that says so, and nothing is changed: here a
// game whose part .01 lies under another name would otherwise be judged.
TEST(UnreadableFolderTest, CheckListAndPartSearchesFailRatherThanSeeLess) {
    for (int failingRead : {1, 2, 3}) {
        GameDrive drive;
        drive.addDiscGame("My Game", "ABCD_123.45", 524288 + 10);
        std::filesystem::rename(drive.part("My Game", "ABCD_123.45", 1),
                                drive.part("Other", "ABCD_123.45", 1));
        writeBytes(drive.root() + "tepcdfile.tep", {1});
        const std::vector<std::uint8_t> table = readBytes(drive.table());
        const Names files = drive.files();
        int reads = 0;
        ScopedFolderReadFault fault([&](const std::string&) { return ++reads == failingRead; });
        ScriptedFrontEnd ui;
        ui.boxes.answers = {true};
        EXPECT_FALSE(checkAndRepairDrive(drive.root(), ui.frontEnd()).succeeded()) << failingRead;
        ASSERT_FALSE(ui.boxes.shown.empty()) << failingRead;
        EXPECT_NE(ui.boxes.shown.back().find("could not be read in full"), std::string::npos);
        EXPECT_TRUE(ui.boxes.questions.empty()) << failingRead;
        EXPECT_EQ(readBytes(drive.table()), table) << failingRead;
        EXPECT_EQ(drive.files(), files) << failingRead;

        // The listing offers no deletion of a game whose parts it could not look for.
        reads = failingRead - 1;
        Rows rows;
        ScriptedFrontEnd lister;
        lister.boxes.answers = {true, true};
        EXPECT_TRUE(refreshGameList(drive.root(), lister.frontEnd(), rows)
                        .failedAt(GameListStep::DriveUnreadable));
        EXPECT_TRUE(lister.boxes.questions.empty());
        EXPECT_EQ(drive.files(), files) << failingRead;
    }
    GameDrive drive;
    drive.addGame("My Game", "ABCD_123.45", {10});
    ScopedFolderReadFault fault([](const std::string&) { return true; });
    const platform::FolderListing parts = partFilesAt(drive.root());
    EXPECT_FALSE(parts.complete);
    EXPECT_FALSE(parts.error.empty());
    EXPECT_FALSE(checkDrive(drive.root()).sound());
}

// The same through the tool: a drive whose folder cannot be read is not sound.
TEST(UnreadableFolderTest, CheckOfAFolderThatCannotBeReadExitsOne) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any folder";
    GameDrive drive;
    drive.addGame("My Game", "ABCD_123.45", {10});
    std::filesystem::permissions(drive.root(), std::filesystem::perms::owner_exec);
    ToolRun check = zt_games("--yes check " + quoted(drive));
    std::filesystem::permissions(drive.root(), std::filesystem::perms::owner_all);
    EXPECT_EQ(check.status, 1) << check.out;
    EXPECT_NE(check.err.find("could not be read in full"), std::string::npos) << check.err;
}
