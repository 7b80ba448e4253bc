#include "library/GameDeletion.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"

using namespace library;
using namespace report;
using namespace store;

namespace {

using Names = std::vector<std::string>;

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// Two names whose hashes are equal: the second differs from the first by the
// generator polynomial, which the CRC maps to zero.
const std::string kCollidingA = "zzzzz";
const std::string kCollidingB = "{~\xBBg\xCD";

class GameDeletionTest : public ::testing::Test {
  protected:
    DeleteResult remove(const std::string& name) {
        return deleteGame(drive.root(), name, ui.frontEnd());
    }

    GameDrive drive;
    ScriptedFrontEnd ui;
};

}  // namespace

TEST_F(GameDeletionTest, DropsTheRecordThenItsOwnPartsOnly) {
    drive.addGame("A", "AAAA_000.01", {10});
    drive.addGame("Two parts", "ABCD_123.45", {10, 10});
    drive.addGame("B", "BBBB_000.01", {10});
    const std::string stray = drive.part("Two parts", "ABCD_123.45", 2);
    writeBytes(stray, {1});
    EXPECT_TRUE(remove("Two parts").succeeded());
    EXPECT_EQ(drive.names(), (Names{"A", "B"}));
    EXPECT_FALSE(exists(drive.part("Two parts", "ABCD_123.45", 0)));
    EXPECT_FALSE(exists(drive.part("Two parts", "ABCD_123.45", 1)));
    EXPECT_TRUE(exists(stray));
    EXPECT_FALSE(exists(tempTablePath(drive.root())));
    EXPECT_TRUE(ui.boxes.shown.empty());
}

TEST_F(GameDeletionTest, EveryRecordOfTheNameGoesWithItsOwnFiles) {
    drive.addGame("Dup", "DUPA_000.01", {10});
    drive.addGame("Keep", "KEEP_000.01", {10});
    drive.addGame("Dup", "DUPB_000.02", {10, 20});
    drive.addGame("dup", "DUPC_000.03", {10});  // differs in case only: stays
    EXPECT_TRUE(remove("Dup").succeeded());
    EXPECT_EQ(drive.names(), (Names{"Keep", "dup"}));
    EXPECT_FALSE(exists(drive.part("Dup", "DUPA_000.01", 0)));
    EXPECT_FALSE(exists(drive.part("Dup", "DUPB_000.02", 1)));
    EXPECT_TRUE(exists(drive.part("dup", "DUPC_000.03", 0)));
}

TEST_F(GameDeletionTest, UnknownNameChangesNothing) {
    drive.addGame("A", "AAAA_000.01", {10});
    const auto before = readBytes(drive.table());
    const auto filesBefore = drive.files();
    EXPECT_TRUE(remove("a").failedAt(DeleteStep::NotFound));
    EXPECT_EQ(readBytes(drive.table()), before);
    EXPECT_EQ(drive.files(), filesBefore);
    EXPECT_EQ(ui.boxes.shown, (Names{"The game a was not found."}));
}

TEST_F(GameDeletionTest, FailedRewriteKeepsTheFiles) {
    drive.addGame("A", "AAAA_000.01", {10, 10});
    const auto before = readBytes(drive.table());
    // The temporary table cannot be created where a folder holds its name.
    std::filesystem::create_directory(tempTablePath(drive.root()));
    EXPECT_TRUE(remove("A").failedAt(DeleteStep::Failed));
    EXPECT_EQ(readBytes(drive.table()), before);
    EXPECT_TRUE(exists(drive.part("A", "AAAA_000.01", 0)));
    EXPECT_TRUE(exists(drive.part("A", "AAAA_000.01", 1)));
    EXPECT_EQ(ui.boxes.shown.size(), 1u);
}

TEST_F(GameDeletionTest, FilesThatAKeptGameAlsoNamesStay) {
    ASSERT_EQ(gameNameHash(kCollidingA), gameNameHash(kCollidingB));
    drive.addGame(kCollidingA, "SAME_000.01", {10});
    drive.appendRecord(gameRecord(kCollidingB, "SAME_000.01", 1));
    EXPECT_TRUE(remove(kCollidingA).succeeded());
    EXPECT_EQ(drive.names(), (Names{kCollidingB}));
    EXPECT_TRUE(exists(drive.part(kCollidingB, "SAME_000.01", 0)));
}

TEST_F(GameDeletionTest, DamagedRecordGoesButNoFileIsTouched) {
    // With the folder "zt.<hash>." present, the ID "/../v" would name the
    // file v.00 beside it if IDs were not checked.
    std::filesystem::create_directory(drive.root() + "zt." + hashText(gameNameHash("Bad")) + ".");
    writeBytes(drive.root() + "v.00", {1});
    drive.appendRecord(gameRecord("Bad", "/../v", 1));
    EXPECT_TRUE(remove("Bad").succeeded());
    EXPECT_TRUE(drive.names().empty());
    EXPECT_TRUE(exists(drive.root() + "v.00"));
}

TEST_F(GameDeletionTest, CommandNeedsASelectionAndAYes) {
    drive.addGame("A", "AAAA_000.01", {10});
    EXPECT_TRUE(confirmAndDeleteGame(drive.root(), std::nullopt, ui.frontEnd())
                    .failedAt(DeleteStep::NoSelection));
    EXPECT_EQ(ui.boxes.shown, (Names{"Please select game"}));
    EXPECT_TRUE(ui.boxes.questions.empty());

    EXPECT_TRUE(
        confirmAndDeleteGame(drive.root(), "A", ui.frontEnd()).failedAt(DeleteStep::Declined));
    EXPECT_EQ(ui.boxes.questions, (Names{"Delete Game A?"}));
    EXPECT_EQ(ui.boxes.defaultNoFlags, (std::vector<bool>{false}));  // Yes is the default
    EXPECT_EQ(drive.names(), (Names{"A"}));

    ui.boxes.answers = {true};
    EXPECT_TRUE(confirmAndDeleteGame(drive.root(), "A", ui.frontEnd()).succeeded());
    EXPECT_TRUE(drive.names().empty());
    EXPECT_FALSE(exists(drive.part("A", "AAAA_000.01", 0)));
}

TEST(GameDeletionLeftoversTest, DeletingAgainFinishesADeletionThatStopped) {
    GameDrive drive;
    drive.addGame("Kept", "KEPT_000.01", {10});
    drive.addGame("Gone", "GONE_000.01", {10, 20});
    // The record left, the files stayed: as a stop between the two leaves it.
    const std::vector<GameEntry> kept{drive.records()[0]};
    ASSERT_TRUE(writeTableFile(drive.table(), kept));
    ScriptedFrontEnd ui;
    EXPECT_TRUE(deleteGame(drive.root(), "Gone", ui.frontEnd()).succeeded());
    EXPECT_EQ(drive.files(),
              (std::vector<std::string>{
                  drive.part("Kept", "KEPT_000.01", 0).substr(drive.root().size()), "zt.cfg"}));
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("left behind"), std::string::npos);
    // Nothing more to finish: not found.
    EXPECT_TRUE(deleteGame(drive.root(), "Gone", ui.frontEnd()).failedAt(DeleteStep::NotFound));
}
