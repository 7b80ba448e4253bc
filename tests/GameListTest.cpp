#include "library/GameList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "GameDrive.h"
#include "ScriptedFrontEnd.h"
#include "Symlink.h"
#include "library/GameDetails.h"

using namespace library;
using namespace platform;
using namespace report;
using namespace store;

namespace {

struct RecordedList : GameListView {
    void clear() override {
        rows.clear();
        ++clears;
    }
    void appendRow(const GameRow& row) override { rows.push_back(row); }
    std::vector<std::string> names() const {
        std::vector<std::string> names;
        for (const GameRow& row : rows)
            names.push_back(row.name);
        return names;
    }
    std::vector<GameRow> rows;
    int clears = 0;
};

using Names = std::vector<std::string>;
constexpr std::uint64_t kGiB = 1073741824;

class GameListTest : public ::testing::Test {
  protected:
    GameListing refresh() { return refreshGameList(drive.root(), ui.frontEnd(), list); }
    bool tableExists() const { return std::filesystem::exists(drive.table()); }

    GameDrive drive;
    ScriptedFrontEnd ui;
    RecordedList list;
};

}  // namespace

TEST(SpaceTextTest, MebibytesTruncated) {
    EXPECT_EQ(spaceText(250059350016ull, 10617077760ull), "Disk Size:238475MB Free Size:10125MB");
    EXPECT_EQ(spaceText((1ull << 20) - 1, 0), "Disk Size:0MB Free Size:0MB");
    EXPECT_EQ(spaceText(16ull << 40, 5ull << 40), "Disk Size:16777216MB Free Size:5242880MB");
    // All the volume's free bytes, not only those this user may write.
    EXPECT_EQ(spaceText(platform::VolumeSpace{100ull << 20, 50ull << 20, 40ull << 20}),
              "Disk Size:100MB Free Size:50MB");
}

TEST_F(GameListTest, NoTableGivesAnEmptyListAndTheSpaceLine) {
    list.rows.push_back(GameRow{});  // left from an earlier drive
    const GameListing listing = refresh();
    ASSERT_TRUE(listing.succeeded());
    EXPECT_EQ(listing.value(), GameListKind::NoTable);
    EXPECT_TRUE(list.rows.empty());
    ASSERT_EQ(ui.status.texts.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(ui.status.texts[0], std::regex("Disk Size:[0-9]+MB Free Size:[0-9]+MB")));
    EXPECT_FALSE(tableExists());
}

TEST_F(GameListTest, AnEmptyTableIsDeletedAndATornRecordKeptForTheCheck) {
    for (std::size_t size : {0, 1, 63}) {
        writeBytes(drive.table(), std::vector<std::uint8_t>(size, 'x'));
        const GameListing listing = refresh();
        EXPECT_TRUE(size == 0 ? listing && listing.value() == GameListKind::Listed
                              : listing.failedAt(GameListStep::TableTorn))
            << size;
        EXPECT_TRUE(list.rows.empty()) << size;
        EXPECT_EQ(tableExists(), size != 0) << size;
    }
}

TEST_F(GameListTest, TrailingPieceIsNoRecordAndIsNamed) {
    drive.addGame("First", "ABCD_123.45", {10});
    drive.addGame("Second", "ABCD_123.46", {10});
    auto bytes = readBytes(drive.table());
    bytes.push_back(1);
    bytes.push_back(2);
    writeBytes(drive.table(), bytes);
    EXPECT_TRUE(refresh().failedAt(GameListStep::TableTorn));
    EXPECT_EQ(list.names(), (Names{"First", "Second"}));
    ASSERT_EQ(ui.boxes.shown.size(), 1u);
    EXPECT_NE(ui.boxes.shown[0].find("ends in 2 bytes of a torn record"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(drive.table()), 130u);
}

TEST_F(GameListTest, SizesCountPresentBytesInFullPerGame) {
    drive.addGame("Three parts", "ABCD_123.45", {kGiB, kGiB, 524288});
    drive.addGame("Over 4 GiB", "ABCD_123.46", {kGiB, kGiB, kGiB, kGiB, 536870912});
    drive.addGame("Tiny", "ABCD_123.47", {1023});
    drive.addGame("Tiny", "ABCD_123.48", {2048});  // the same name twice: two rows
    refresh();
    ASSERT_EQ(list.rows.size(), 4u);
    EXPECT_EQ(list.rows[0].sizeKB, 2097664u);
    EXPECT_EQ(list.rows[1].sizeKB, 4718592u);
    EXPECT_EQ(list.rows[2].sizeKB, 0u);
    EXPECT_EQ(list.rows[3].sizeKB, 2u);
    EXPECT_EQ(list.rows[1].parts, 5);
    EXPECT_EQ(list.rows[1].gameId, "ABCD_123.46");
    EXPECT_TRUE(list.rows[3].complete);
    EXPECT_TRUE(ui.boxes.questions.empty());
}

TEST_F(GameListTest, DestroyedGameAnsweredNoIsListedWithWhatExists) {
    drive.addGame("Broken", "ABCD_123.45", {3072, 1024, 2048});
    std::filesystem::remove(drive.part("Broken", "ABCD_123.45", 1));
    ui.boxes.answers = {false};
    refresh();
    EXPECT_EQ(ui.boxes.questions, (Names{"Game Broken destroyed,Delete ?"}));
    EXPECT_EQ(ui.boxes.defaultNoFlags, (std::vector<bool>{false}));  // Yes is the default
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0].sizeKB, 5u);
    EXPECT_FALSE(list.rows[0].complete);
    EXPECT_TRUE(std::filesystem::exists(drive.part("Broken", "ABCD_123.45", 0)));
}

TEST_F(GameListTest, DestroyedGameAnsweredYesIsDeletedAndTheScanGoesOn) {
    drive.addGame("A", "AAAA_000.01", {1024});
    drive.addGame("Broken", "ABCD_123.45", {1024, 1024, 1024});
    drive.addGame("B", "BBBB_000.01", {1024});
    drive.addGame("Broken", "ABCD_999.99", {1024});  // complete, but of the same name
    drive.addGame("Lost", "LOST_000.01", {1024, 1024});
    drive.addGame("C", "CCCC_000.01", {1024});
    std::filesystem::remove(drive.part("Broken", "ABCD_123.45", 1));
    std::filesystem::remove(drive.part("Lost", "LOST_000.01", 0));
    ui.boxes.answers = {true, true};
    refresh();
    EXPECT_EQ(ui.boxes.questions,
              (Names{"Game Broken destroyed,Delete ?", "Game Lost destroyed,Delete ?"}));
    EXPECT_EQ(list.names(), (Names{"A", "B", "C"}));
    EXPECT_EQ(drive.names(), (Names{"A", "B", "C"}));
    EXPECT_FALSE(std::filesystem::exists(drive.part("Broken", "ABCD_123.45", 0)));
    EXPECT_FALSE(std::filesystem::exists(drive.part("Broken", "ABCD_123.45", 2)));
    EXPECT_FALSE(std::filesystem::exists(drive.part("Broken", "ABCD_999.99", 0)));
    EXPECT_FALSE(std::filesystem::exists(drive.part("Lost", "LOST_000.01", 1)));
    EXPECT_TRUE(std::filesystem::exists(drive.part("C", "CCCC_000.01", 0)));
}

TEST_F(GameListTest, DeletingAGameListedEarlierUnderTheSameNameListsNothingTwice) {
    drive.addGame("Twin", "TWIN_000.01", {1024});
    drive.addGame("A", "AAAA_000.01", {1024});
    drive.addGame("Twin", "TWIN_000.02", {1024});
    drive.addGame("B", "BBBB_000.01", {1024});
    std::filesystem::remove(drive.part("Twin", "TWIN_000.02", 0));
    ui.boxes.answers = {true};
    refresh();
    EXPECT_EQ(list.names(), (Names{"Twin", "A", "B"}));
    EXPECT_EQ(drive.names(), (Names{"A", "B"}));
}

TEST_F(GameListTest, NonPositivePartCountsAreDamagedAndNeverDestroyed) {
    drive.appendRecord(gameRecord("Zero", "ABCD_123.45", 0));
    drive.appendRecord(gameRecord("Negative", "ABCD_123.45", 0x80));
    drive.appendRecord(gameRecord("Minus one", "ABCD_123.45", 0xFF));
    drive.appendRecord(gameRecord("Escaping", "../../x", 2));
    drive.appendRecord(gameRecord("Too many", "ABCD_123.45", 12));
    refresh();
    EXPECT_TRUE(ui.boxes.questions.empty());
    ASSERT_EQ(list.rows.size(), 5u);
    for (const GameRow& row : list.rows)
        EXPECT_EQ(row.sizeKB, 0u) << row.name;
    // Counts are shown as stored, 0 to 255.
    EXPECT_EQ(list.rows[0].parts, 0);
    EXPECT_EQ(list.rows[1].parts, 128);
    EXPECT_EQ(list.rows[2].parts, 255);
    for (const GameRow& row : list.rows) {
        EXPECT_TRUE(row.damaged) << row.name;
        EXPECT_FALSE(row.complete) << row.name;
    }
}

TEST(GameDetailsTest, FullByteTotalAndRecordedPartCount) {
    GameDrive drive;
    ScriptedFrontEnd ui;
    drive.addGame("Big", "ABCD_123.45", {kGiB, kGiB, kGiB});
    drive.addGame("Holed", "ABCD_123.46", {4096, 100});
    std::filesystem::remove(drive.part("Holed", "ABCD_123.46", 1));
    EXPECT_EQ(gameDetails(drive.root(), "Big", ui.frontEnd()),
              "Size 3221225472 Bytes ,File number 3 ");
    EXPECT_EQ(gameDetails(drive.root(), "Holed", ui.frontEnd()), "Size 4096 Bytes ,File number 2 ");
    EXPECT_EQ(gameDetails(drive.root(), "big", ui.frontEnd()), std::nullopt);
    // The last record of the name stands.
    drive.addGame("Big", "ABCD_123.47", {10});
    EXPECT_EQ(gameDetails(drive.root(), "Big", ui.frontEnd()), "Size 10 Bytes ,File number 1 ");
}

TEST(GameDetailsTest, DamagedRecordSaysSo) {
    GameDrive drive;
    ScriptedFrontEnd ui;
    drive.appendRecord(gameRecord("Negative", "ABCD_123.45", 0xC8));
    EXPECT_EQ(gameDetails(drive.root(), "Negative", ui.frontEnd()),
              "Size 0 Bytes ,File number 200 (damaged record: its part count or game ID names no "
              "files)");
}

TEST(GameDetailsTest, LookingNeverWritesToTheDrive) {
    GameDrive drive;
    ScriptedFrontEnd ui;
    EXPECT_EQ(gameDetails(drive.root(), "", ui.frontEnd()), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(drive.table()));
}

TEST_F(GameListTest, GameSplitByAStoppedRenameIsOfferedARepairNeverADeletion) {
    const std::string id = "ABCD_123.45";
    drive.addGame("Twin", id, {5});  // the same disc under another name: its part is its own
    drive.addDiscGame("My Game", id, 2 * 524288 + 30);
    std::filesystem::rename(drive.part("My Game", id, 1), drive.part("Other", id, 1));

    // Answered No: listed as incomplete, nothing deleted or moved.
    refresh();
    EXPECT_EQ(ui.boxes.questions, (Names{"Game My Game has parts under another name,Repair ?"}));
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_FALSE(list.rows[1].complete);
    EXPECT_TRUE(std::filesystem::exists(drive.part("Other", id, 1)));

    // Answered Yes: the part goes back under the record's name.
    ui.boxes.answers = {true};
    refresh();
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_TRUE(list.rows[1].complete);
    EXPECT_EQ(list.rows[1].sizeKB, (2 * 524288 + 30) * 2);
    EXPECT_EQ(std::filesystem::file_size(drive.part("My Game", id, 1)), kGiB);
    EXPECT_EQ(std::filesystem::file_size(drive.part("Twin", id, 0)), 5u);

    // A missing part that lies nowhere else is the old destroyed question.
    std::filesystem::remove(drive.part("My Game", id, 2));
    ui.boxes.questions.clear();
    refresh();
    EXPECT_EQ(ui.boxes.questions, (Names{"Game My Game destroyed,Delete ?"}));
}

TEST_F(GameListTest, UnknownMediaTypeIsDamaged) {
    drive.addGame("Odd", "ABCD_123.45", {10});
    std::vector<GameEntry> records = drive.records();
    records[0].setMediaType(0x13);
    ASSERT_TRUE(writeTableFile(drive.table(), records));
    refresh();
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_TRUE(list.rows[0].damaged);
}

TEST_F(GameListTest, LinkedPartIsNotAPart) {
    TempDir outside;
    writeBytes(outside.file("secret"), std::vector<std::uint8_t>(4096, 's'));
    drive.appendRecord(gameRecord("Linked", "ABCD_123.45", 1));
    ZT_MAKE_SYMLINK(outside.file("secret"), drive.part("Linked", "ABCD_123.45", 0));
    refresh();
    EXPECT_EQ(ui.boxes.questions, (Names{"Game Linked destroyed,Delete ?"}));
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0].sizeKB, 0u);
}
