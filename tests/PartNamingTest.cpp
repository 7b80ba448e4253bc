#include "store/PartNaming.h"

#include <gtest/gtest.h>

using namespace store;

namespace {

GameEntry entry(const std::string& name, const std::string& imageFileName, std::uint8_t parts) {
    GameEntry e;
    e.setDisplayName(name);
    e.setImageFileName(imageFileName);
    e.setPartCount(parts);
    return e;
}

}  // namespace

TEST(PartNamingTest, PrefixAndSuffixes) {
    std::string prefix = partPrefix("/media/usb/", 0x1C5EB8C8, "ABCD_123.45");
    EXPECT_EQ(prefix, "/media/usb/zt.1C5EB8C8.ABCD_123.45");
    EXPECT_EQ(partFilePath(prefix, 0), prefix + ".00");
    EXPECT_EQ(partFilePath(prefix, 9), prefix + ".09");
    EXPECT_FALSE(partFilePath(prefix, 10).has_value());  // would be ".0:"
    EXPECT_FALSE(partFilePath(prefix, -1).has_value());
}

TEST(PartNamingTest, EnumeratesPartsOfARecord) {
    PartFiles files = partFilesOf("/d/", entry("My Game", "zt.ABCD_123.45", 3));
    ASSERT_TRUE(files.valid);
    EXPECT_EQ(files.paths, (std::vector<std::string>{"/d/zt.1C5EB8C8.ABCD_123.45.00",
                                                     "/d/zt.1C5EB8C8.ABCD_123.45.01",
                                                     "/d/zt.1C5EB8C8.ABCD_123.45.02"}));
}

TEST(PartNamingTest, PartCountsOneToTenNameFiles) {
    // count -> the last part's suffix, or none when the record is damaged
    const std::vector<std::pair<std::uint8_t, const char*>> cases = {
        {1, ".00"}, {10, ".09"}, {0x00, nullptr}, {11, nullptr}, {0x80, nullptr}, {0xFF, nullptr}};
    for (const auto& [count, last] : cases) {
        PartFiles files = partFilesOf("/d/", entry("G", "zt.ABCD_123.45", count));
        EXPECT_EQ(files.valid, last != nullptr) << int(count);
        if (last == nullptr) {
            EXPECT_TRUE(files.paths.empty()) << int(count);
        } else {
            ASSERT_EQ(files.paths.size(), count);
            EXPECT_TRUE(files.paths.back().ends_with(last)) << files.paths.back();
        }
    }
}

TEST(PartNamingTest, OnlyPartNamesAreRecognised) {
    for (const char* name :
         {"zt.1C5EB8C8.ABCD_123.45.00", "zt.1C5EB8C8.ABCD_123.45.09", "zt.00ABCDEF.A.05",
          "zt.1C5EB8C8.ABCD~new.01", "zt.1C5EB8C8.ABCD.02.new"}) {
        EXPECT_TRUE(parsePartFileName(name).has_value()) << name;
    }
    EXPECT_EQ(stagedPartPath("/d/zt.1C5EB8C8.ABCD.01"), "/d/zt.1C5EB8C8.ABCD~new.01");
    std::optional<PartFileName> part = parsePartFileName("zt.1C5EB8C8.ABCD_123.45.09");
    ASSERT_TRUE(part);
    EXPECT_EQ(part->hash, "1C5EB8C8");
    EXPECT_EQ(part->gameId, "ABCD_123.45");
    EXPECT_EQ(part->index, 9);
    // Files a user may keep beside the parts: wrong separators, suffixes,
    // hash lengths and cases.
    for (const char* name : {"zt.12345678.NOTES_003",
                             "zt.12345678.ABCDx00",
                             "zt.12345678.ABCD.0:",
                             "zt.12345678.ABCD.10",
                             "zt.12345678.ABCD.000",
                             "zt.12345678.ABCD.00x",
                             "zt.12345678.ABCD_00",
                             "zt.12345678.ABCD-00",
                             "zt.12345678.ABCD.00.bak",
                             "zt.12345678.ABCD.00~new",
                             "zt.12345678.ABCD~new.00.new",
                             "zt.12345678..00",
                             "zt.12345678.AB CD.00",
                             "zt.12345678.ABCD_123.456.00",
                             "zt.1234567.ABCD.00",
                             "zt.123456789.ABCD.00",
                             "zt.1234abcd.ABCD.00",
                             "ZT.12345678.ABCD.00",
                             "zt_12345678.ABCD.00",
                             "zt.12345678_ABCD.00",
                             "zt.12345678.00",
                             ".zt.12345678.ABCD.00",
                             "zt.cfg",
                             "tepcdfile.tep"}) {
        EXPECT_FALSE(parsePartFileName(name).has_value()) << name;
    }
}

TEST(PartNamingTest, HostileGameIdsNeverReachAPath) {
    for (const char* image : {"zt.", "zt", "", "zt.../etc", "zt.a/b", "zt.a\\b", "zt.C:x",
                              "zt.a..b", "zt.a b", "zt.\xC3\xA9"}) {
        PartFiles files = partFilesOf("/d/", entry("G", image, 2));
        EXPECT_FALSE(files.valid) << image;
        EXPECT_TRUE(files.paths.empty()) << image;
    }
}

TEST(PartNamingTest, UnterminatedImageFileNameIsDamaged) {
    GameEntry e = entry("G", "", 1);
    std::fill(e.bytes.begin() + 32, e.bytes.begin() + 47, 'A');  // no terminator: a 12-character ID
    EXPECT_FALSE(partFilesOf("/d/", e).valid);
}

TEST(PartNamingTest, GameIdRules) {
    EXPECT_TRUE(isValidGameId("ABCD_123.45"));
    EXPECT_TRUE(isValidGameId("a-b.c_9"));
    EXPECT_FALSE(isValidGameId(""));
    EXPECT_FALSE(isValidGameId("ABCD_123.456"));  // 12 characters
    EXPECT_FALSE(isValidGameId(".."));
}
