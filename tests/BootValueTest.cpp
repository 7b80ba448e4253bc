#include "install/BootValue.h"

#include <gtest/gtest.h>

using namespace install;

namespace {

// The game ID that a SYSTEM.CNF names, or "<none>".
std::string idOf(const std::string& text) {
    std::optional<std::string_view> value = findBootValue(text);
    return value ? gameIdFromBootValue(*value) : "<none>";
}

}  // namespace

TEST(BootValueTest, AcceptsTheUsualSpellingsOfTheBootLine) {
    EXPECT_EQ(idOf("BOOT2 = cdrom0:\\ABCD_123.45;1\nVER = 1.00\n"), "ABCD_123.45");
    EXPECT_EQ(idOf("BOOT2=cdrom0:\\ABCD_123.45;1\n"), "ABCD_123.45");
    EXPECT_EQ(idOf("BOOT2\t=\t cdrom0:\\ABCD_123.45;1 \t \r\nVER = 1.00\r\n"), "ABCD_123.45");
    EXPECT_EQ(idOf("BOOT2 = cdrom0:\\ABCD_123.45;1"), "ABCD_123.45");  // no final line break
    EXPECT_EQ(idOf("BOOT2 = cdrom0:\\ABCD_123.45"), "ABCD_123.45");    // keeps its last character
    EXPECT_EQ(idOf("BOOT = cdrom:\\ABCD_123.45;1\n"), "ABCD_123.45");
    EXPECT_EQ(idOf("BOOT2 = ABCD_123.45;1\n"), "ABCD_123.45");  // no device part
    EXPECT_EQ(idOf("VMODE = PAL\nBOOT2 = cdrom0:\\SLES_111.22;1\n"), "SLES_111.22");
}

TEST(BootValueTest, FirstLineWithEitherKeyWins) {
    EXPECT_EQ(idOf("BOOT = cdrom:\\FIRST.00;1\nBOOT2 = cdrom0:\\SECOND.00;1\n"), "FIRST.00");
    EXPECT_EQ(idOf("BOOTX = cdrom0:\\NOPE.00;1\nBOOT2 = cdrom0:\\YES.00;1\n"), "YES.00");
    EXPECT_EQ(idOf(" BOOT2 = cdrom0:\\NOPE.00;1\nBOOT2 = cdrom0:\\YES.00;1\n"), "YES.00");
}

TEST(BootValueTest, RejectsMissingOrUnfinishedBootLines) {
    EXPECT_EQ(idOf("boot2 = cdrom0:\\ABCD_123.45;1\n"), "<none>");  // keys are upper case
    EXPECT_EQ(idOf(""), "<none>");
    EXPECT_EQ(idOf("BOOT2 = "), "<none>");  // the text ends before a value
    EXPECT_EQ(idOf("BOOT2  \t"), "<none>");
    EXPECT_EQ(idOf("BOOT"), "<none>");
    EXPECT_EQ(idOf("BOO"), "<none>");
    EXPECT_EQ(idOf("VER = 1.00\nVMODE = NTSC\n"), "<none>");
}

TEST(BootValueTest, ValueEndingAtALineBreakIsEmpty) {
    std::optional<std::string_view> value = findBootValue("BOOT2 =   \nVER = 1\n");
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, "");
    EXPECT_EQ(idOf("BOOT2 = \r\n"), "");
}

TEST(BootValueTest, NeverReadsPastTheGivenLength) {
    // The boot line goes on beyond the length given; only the part inside counts.
    const std::string file = "BOOT2 = cdrom0:\\ABCD_123.45;1\n";
    std::optional<std::string_view> value = findBootValue(std::string_view(file.data(), 20));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, "cdrom0:\\ABCD");
    EXPECT_FALSE(findBootValue(std::string_view(file.data(), 8)));
}
