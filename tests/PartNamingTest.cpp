#include "store/PartNaming.h"

#include <gtest/gtest.h>

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

TEST(PartNamingTest, ZeroOrNegativeCountIsDamaged) {
    for (std::uint8_t count : {0x00, 0x80, 0xFF}) {
        PartFiles files = partFilesOf("/d/", entry("G", "zt.ABCD_123.45", count));
        EXPECT_FALSE(files.valid);
        EXPECT_TRUE(files.paths.empty());
    }
    EXPECT_FALSE(partFilesOf("/d/", entry("G", "zt.ABCD_123.45", 11)).valid);
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
