#include "library/GameRename.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "GameDrive.h"
#include "ScopedFault.h"
#include "ScriptedFrontEnd.h"

using namespace library;
using namespace report;
using namespace store;
using namespace platform;

namespace {

using Names = std::vector<std::string>;
const std::string kId = "ABCD_123.45";

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

class GameRenameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        drive.addGame("Before", "BEFO_000.01", {5});
        drive.addGame("My Game", kId, {10, 20, 30});
        drive.addGame("After", "AFTE_000.01", {5});
    }
    RenameGameResult rename(const std::string& from, const std::string& to) {
        return renameGame(drive.root(), from, to, ui.frontEnd());
    }
    // Whether all three parts are under `name`, with their own contents.
    bool partsUnder(const std::string& name) const {
        for (int i = 0; i < 3; ++i) {
            if (readBytes(drive.part(name, kId, i)).size() !=
                static_cast<std::size_t>(10 * (i + 1))) {
                return false;
            }
        }
        return true;
    }

    GameDrive drive;
    ScriptedFrontEnd ui;
};

}  // namespace

TEST_F(GameRenameTest, MovesEveryPartAndRewritesOnlyTheNameInPlace) {
    const auto before = drive.records();
    EXPECT_TRUE(rename("My Game", "Other").succeeded());
    EXPECT_TRUE(partsUnder("Other"));
    EXPECT_FALSE(exists(drive.part("My Game", kId, 0)));
    const auto after = drive.records();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[2], before[2]);
    GameEntry expected = before[1];
    expected.setDisplayName("Other");
    EXPECT_EQ(after[1], expected);  // bytes 32..63 untouched, the name zero-filled
    EXPECT_EQ(std::filesystem::file_size(drive.table()), 192u);
    EXPECT_TRUE(ui.boxes.shown.empty());
}

TEST_F(GameRenameTest, TakenNamesAndOverlongNamesChangeNothing) {
    const auto before = readBytes(drive.table());
    EXPECT_TRUE(rename("My Game", "My Game").failedAt(RenameStep::NameTaken));
    EXPECT_TRUE(rename("My Game", "After").failedAt(RenameStep::NameTaken));
    EXPECT_TRUE(rename("My Game", std::string(32, 'x')).failedAt(RenameStep::NameTooLong));
    EXPECT_EQ(ui.boxes.shown, (Names{"The game already exist.", "The game already exist.",
                                     "The new name is longer than 31 bytes (a letter outside "
                                     "ASCII takes two or more)."}));
    // A control byte is refused, as is a name of 16 two-byte letters.
    EXPECT_TRUE(rename("My Game", "A\x1B[2J").failedAt(RenameStep::NameInvalid));
    EXPECT_TRUE(rename("My Game", std::string(32, '\xC3')).failedAt(RenameStep::NameTooLong));
    EXPECT_EQ(readBytes(drive.table()), before);
    EXPECT_TRUE(partsUnder("My Game"));

    EXPECT_TRUE(rename("My Game", "MY GAME").succeeded());  // case differs: free
    EXPECT_TRUE(rename("MY GAME", std::string(31, 'x')).succeeded());
    EXPECT_TRUE(partsUnder(std::string(31, 'x')));
}

TEST_F(GameRenameTest, EmptyNameAndZeroParts) {
    EXPECT_TRUE(rename("My Game", "").succeeded());
    EXPECT_TRUE(exists(drive.root() + "zt.00000000." + kId + ".00"));
    EXPECT_EQ(drive.names(), (Names{"Before", "", "After"}));

    // A record of zero parts is damaged: it is left alone, and the result says so.
    drive.appendRecord(gameRecord("Empty", "EMPT_000.01", 0));
    ui.boxes.shown.clear();
    EXPECT_TRUE(rename("Empty", "Still empty").failedAt(RenameStep::Damaged));
    EXPECT_EQ(drive.names().back(), "Empty");
    EXPECT_EQ(ui.boxes.shown.size(), 1u);
}

TEST_F(GameRenameTest, MissingMiddlePartIsPassedOver) {
    std::filesystem::remove(drive.part("My Game", kId, 1));
    // A file under the new name where the old part is missing does not stop it.
    writeBytes(drive.part("Other", kId, 1), {7});
    EXPECT_TRUE(rename("My Game", "Other").succeeded());
    EXPECT_EQ(readBytes(drive.part("Other", kId, 0)).size(), 10u);
    EXPECT_EQ(readBytes(drive.part("Other", kId, 2)).size(), 30u);
    EXPECT_EQ(drive.names()[1], "Other");
}

TEST_F(GameRenameTest, TakenFileStopsAndRenamingBackRestoresEverything) {
    const auto original = drive.records();
    const std::string blocker = drive.part("Other", kId, 1);
    writeBytes(blocker, {7});
    // The taken name stops the rename, and the part already moved goes back.
    EXPECT_TRUE(rename("My Game", "Other").failedAt(RenameStep::FileTaken));
    EXPECT_EQ(ui.boxes.shown, (Names{"The file already exist!"}));
    EXPECT_EQ(ui.out.str(), "The file already exist! " + blocker + "\n");
    EXPECT_EQ(drive.records(), original);
    EXPECT_TRUE(partsUnder("My Game"));
    EXPECT_EQ(readBytes(blocker), (std::vector<std::uint8_t>{7}));

    std::filesystem::remove(blocker);
    EXPECT_TRUE(rename("My Game", "Other").succeeded());
    EXPECT_TRUE(partsUnder("Other"));
}

TEST_F(GameRenameTest, DamagedRecordIsLeftAloneAndNotReportedAsRenamed) {
    drive.appendRecord(gameRecord("Bad", "../x", 1));
    const auto before = readBytes(drive.table());
    EXPECT_TRUE(rename("Bad", "Good").failedAt(RenameStep::Damaged));
    EXPECT_EQ(readBytes(drive.table()), before);
    EXPECT_EQ(ui.boxes.shown.size(), 1u);

    // A sound record of the same name is renamed; the damaged one still is not.
    drive.addGame("Bad", "GOOD_000.01", {10});
    EXPECT_TRUE(rename("Bad", "Good").failedAt(RenameStep::Damaged));
    EXPECT_EQ(drive.names(), (Names{"Before", "My Game", "After", "Bad", "Good"}));
    EXPECT_TRUE(exists(drive.part("Good", "GOOD_000.01", 0)));
}

TEST_F(GameRenameTest, RenameStoppedAfterTheTableChangedIsFinished) {
    // As an earlier version left it: the record already holds the new name,
    // part .00 moved, .01 and .02 still under the old hash. The parts make
    // the disc that part .00 describes.
    std::vector<GameEntry> records = drive.records();
    std::filesystem::remove(drive.table());
    drive.addDiscGame("My Game", kId, 2 * 524288 + 30);
    records[1] = drive.records()[0];
    std::filesystem::rename(drive.part("My Game", kId, 0), drive.part("Other", kId, 0));
    records[1].setDisplayName("Other");
    ASSERT_TRUE(writeTableFile(drive.table(), records));
    EXPECT_TRUE(rename("My Game", "Other").succeeded());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::filesystem::file_size(drive.part("Other", kId, i)),
                  i < 2 ? std::uint64_t{1} << 30 : 30u * 2048);
    EXPECT_FALSE(exists(drive.part("My Game", kId, 1)));
    // Nothing left to finish: the new name is simply taken.
    EXPECT_TRUE(rename("My Game", "Other").failedAt(RenameStep::NameTaken));
}

TEST_F(GameRenameTest, TableThatCannotBeWrittenMovesThePartsBack) {
    const auto before = readBytes(drive.table());
    std::filesystem::create_directory(tempTablePath(drive.root()));
    EXPECT_TRUE(rename("My Game", "Other").failedAt(RenameStep::Failed));
    EXPECT_EQ(readBytes(drive.table()), before);
    EXPECT_TRUE(partsUnder("My Game"));
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("cannot be written"), std::string::npos);
}

TEST_F(GameRenameTest, PartThatCannotBeMovedBackIsNamed) {
    const auto before = readBytes(drive.table());
    const std::string stuck = drive.part("Other", kId, 1);
    bool done;
    {
        // The table cannot take the new name, nor part .01 its old one again.
        ScopedFault fault([&](platform::FileOp op, const std::string& path, const std::string& to) {
            return !(op == platform::FileOp::Rename && (to.ends_with("/zt.cfg") || path == stuck));
        });
        done = rename("My Game", "Other").succeeded();
    }
    EXPECT_FALSE(done);
    EXPECT_EQ(readBytes(drive.table()), before);
    EXPECT_TRUE(exists(drive.part("My Game", kId, 0)) && exists(drive.part("My Game", kId, 2)));
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_EQ(ui.boxes.shown[0],
              "The game table " + drive.table() + " cannot be written (Input/output error); " +
                  "the table still names the game My Game, but these parts were moved and " +
                  "could not be moved back:\n" + stuck + " (was " + drive.part("My Game", kId, 1) +
                  ": Input/output error)\nThe same rename run again finishes it.");
    // As it says: the same rename again finishes it.
    EXPECT_TRUE(rename("My Game", "Other").succeeded());
    EXPECT_TRUE(partsUnder("Other"));
}

TEST_F(GameRenameTest, UnknownOldNameChangesNothing) {
    const auto before = readBytes(drive.table());
    EXPECT_TRUE(rename("my game", "Other").failedAt(RenameStep::NotFound));
    EXPECT_EQ(readBytes(drive.table()), before);
    EXPECT_TRUE(partsUnder("My Game"));
}
