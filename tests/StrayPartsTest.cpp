// Which unowned files may fill a missing part of a game: only a part of the
// same game ID and part number, under another name hash.
#include "library/StrayParts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "GameDrive.h"

using namespace library;
using namespace store;

TEST(StrayPartsTest, OnlyAPartOfTheSameGameIdAndNumberFillsAGap) {
    GameDrive drive;
    const std::string id = "ABCD_123.45";
    drive.addGame("My Game", id, {10, 20, 30});
    const GameEntry record = drive.records()[0];
    std::filesystem::remove(drive.part("My Game", id, 1));
    // Unowned, under another hash: another game ID's part .01, the same ID's .02.
    writeBytes(drive.part("Other", "WXYZ_999.99", 1), std::vector<std::uint8_t>(20, 'w'));
    writeBytes(drive.part("Other", id, 2), std::vector<std::uint8_t>(30, 'o'));
    const std::set<std::string> owned = ownedPartFiles(drive.root(), drive.records());
    EXPECT_TRUE(findStrayParts(drive.root(), record, owned).empty());

    // A hash that holds exactly the missing part of the same game ID fills it.
    std::filesystem::remove(drive.part("Other", id, 2));
    writeBytes(drive.part("Other", id, 1), std::vector<std::uint8_t>(20, 'g'));
    const std::map<int, std::string> strays = findStrayParts(drive.root(), record, owned);
    EXPECT_EQ(strays, (std::map<int, std::string>{{1, drive.part("Other", id, 1)}}));
}
