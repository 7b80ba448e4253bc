#include "store/NameHash.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace store;

TEST(NameHashTest, MatchesCheckValues) {
    EXPECT_EQ(nameHash("123456789", 9), 0x89A1897Fu);
    EXPECT_EQ(nameHash("abc", 4), 0xBA16A184u);  // with the terminating NUL
    EXPECT_EQ(nameHash("", 0), 0u);
}

TEST(NameHashTest, GameHashIncludesTerminator) {
    EXPECT_EQ(gameNameHash("My Game"), 0x1C5EB8C8u);
    EXPECT_NE(nameHash("My Game", std::strlen("My Game")), 0x1C5EB8C8u);
    EXPECT_EQ(gameNameHash(""), 0u);
}

TEST(NameHashTest, TextIsEightUpperCaseDigits) {
    EXPECT_EQ(hashText(0x00ABCDEF), "00ABCDEF");
    EXPECT_EQ(hashText(0), "00000000");
    EXPECT_EQ(hashText(0x89A1897F), "89A1897F");
}
