#include "store/GameTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TempDir.h"
#include "store/DriveRoot.h"
#include "store/TableFile.h"

using namespace store;

namespace {

std::vector<std::uint8_t> recordBytes(const std::string& name, std::uint8_t fill = 0) {
    std::vector<std::uint8_t> bytes(64, fill);
    std::copy(name.begin(), name.end(), bytes.begin());
    bytes[name.size()] = 0;
    return bytes;
}

}  // namespace

TEST(GameTableTest, TrailingPieceIsNotARecord) {
    TempDir drive;
    std::vector<std::uint8_t> file = recordBytes("One");
    auto second = recordBytes("Two");
    file.insert(file.end(), second.begin(), second.end());
    file.push_back(0xAA);
    file.push_back(0xBB);  // 130 bytes
    writeBytes(tablePath(drive.root()), file);

    GameTable table(drive.root());
    ASSERT_EQ(table.count(), 2);
    EXPECT_EQ(table.entries()[0].DisplayName(), "One");
    EXPECT_EQ(table.entries()[1].DisplayName(), "Two");
}

TEST(GameTableTest, MissingTableIsEmptyAndSaveCreatesIt) {
    TempDir drive;
    GameTable table(drive.root());
    EXPECT_EQ(table.count(), 0);
    std::ostringstream out;
    ASSERT_TRUE(table.addEntry("A", "zt.ABCD_123.45", 2048, 0, 1, out));
    ASSERT_TRUE(table.addEntry("B", "zt.ABCD_123.45", 2048, 1, 2, out));
    ASSERT_TRUE(table.save());
    EXPECT_EQ(std::filesystem::file_size(tablePath(drive.root())), 128u);
    EXPECT_FALSE(std::filesystem::exists(tempTablePath(drive.root())));
}

TEST(GameTableTest, NameLengthLimits) {
    GameTable table;
    std::ostringstream out;
    EXPECT_TRUE(table.addEntry(std::string(31, 'x'), "zt.A", 2048, 0, 1, out));
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(table.addEntry(std::string(32, 'x'), "zt.A", 2048, 0, 1, out));
    EXPECT_EQ(out.str(), "'DisplayName' is too long\n");

    out.str("");
    EXPECT_TRUE(table.addEntry("G", "zt.ABCD_123.45", 2048, 0, 1, out));
    EXPECT_FALSE(table.addEntry("G", "zt.ABCD_123.456", 2048, 0, 1, out));
    EXPECT_EQ(out.str(), "'ImageFileName' is too long\n");
    EXPECT_EQ(table.count(), 2);
}

TEST(GameTableTest, OnlyKnownSectorSizes) {
    GameTable table;
    std::ostringstream out;
    EXPECT_FALSE(table.addEntry("G", "zt.A", 2352, 0, 1, out));
    EXPECT_EQ(out.str(), "");
    for (std::uint32_t size : {2048u, 2328u, 2340u})
        EXPECT_TRUE(table.addEntry("G", "zt.A", size, 0, 1, out));
    EXPECT_EQ(table.count(), 3);
}

TEST(GameTableTest, DvdEntryBytes) {
    GameTable table;
    std::ostringstream out;
    ASSERT_TRUE(table.addEntry("My Game", "zt.ABCD_123.45", 2048, 1, 5, out));
    const auto& bytes = table.entries()[0].bytes;

    std::vector<std::uint8_t> expected(64, 0);
    std::string name = "My Game", image = "zt.ABCD_123.45";
    std::copy(name.begin(), name.end(), expected.begin());
    std::copy(image.begin(), image.end(), expected.begin() + 32);
    expected[47] = 0x05;
    expected[48] = 0x14;
    expected[53] = 0x08;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected);

    ASSERT_TRUE(table.addEntry("Cd", "zt.X", 2048, 0, 1, out));
    EXPECT_EQ(table.entries()[1].MediaType(), kMediaCd);
}

TEST(GameTableTest, UnterminatedFieldsStopAtFieldEnd) {
    GameEntry entry;
    std::fill(entry.bytes.begin(), entry.bytes.end(), 'A');
    EXPECT_EQ(entry.DisplayName(), std::string(32, 'A'));
    EXPECT_EQ(entry.ImageFileName(), std::string(15, 'A'));
    EXPECT_EQ(entry.gameId(), std::string(12, 'A'));
}

TEST(GameTableTest, SaveRoundTripsExactBytes) {
    TempDir drive;
    std::vector<std::uint8_t> raw(64);
    for (int i = 0; i < 64; ++i)
        raw[i] = static_cast<std::uint8_t>(i * 7 + 1);  // reserved bytes too
    writeBytes(tablePath(drive.root()), raw);
    GameTable table(drive.root());
    ASSERT_TRUE(table.save());
    EXPECT_EQ(readBytes(tablePath(drive.root())), raw);
}

// What a torn record still holds: its name and game ID only when each ends
// within the piece, the game ID a valid one.
TEST(GameTableTest, ATornRecordIsReadableOnlyWithItsNameAndGameIdWhole) {
    std::vector<std::uint8_t> whole(64, 0);
    const std::string name = "Second", image = "zt.SLES_123.45";
    std::copy(name.begin(), name.end(), whole.begin());
    std::copy(image.begin(), image.end(), whole.begin() + 32);
    whole[48] = 0x12;
    std::vector<std::uint8_t> unterminated = whole;
    std::fill_n(unterminated.begin(), 32, 'A');
    std::vector<std::uint8_t> badId = whole;
    badId[35] = '/';
    const struct {
        const char* what;
        std::vector<std::uint8_t> piece;
        bool readable;
    } cases[] = {
        {"cut in its last byte", {whole.begin(), whole.begin() + 63}, true},
        {"cut after the game ID", {whole.begin(), whole.begin() + 47}, true},
        {"cut in the game ID", {whole.begin(), whole.begin() + 40}, false},
        {"a name without its end", {unterminated.begin(), unterminated.begin() + 63}, false},
        {"a game ID that names no file", {badId.begin(), badId.begin() + 63}, false},
    };
    for (const auto& c : cases) {
        const std::optional<GameEntry> record = readableTornRecord(c.piece);
        EXPECT_EQ(record.has_value(), c.readable) << c.what;
        if (record) {
            EXPECT_EQ(record->DisplayName(), "Second") << c.what;
            EXPECT_EQ(record->gameId(), "SLES_123.45") << c.what;
        }
    }
}
